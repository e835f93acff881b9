// TEditor: the property pane's text editor control, a QPlainTextEdit with the
// settings of the pane (dark background, line-number gutter, column ruler, no
// wrap, tab stops every 8 columns, Tab moves the focus, new lines keep the
// indentation above, Backspace in leading blanks unindents, at most 64 undo
// steps) and the operations the window needs.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QPlainTextEdit>
#include <QRgb>
#include <QTimer>

#include <functional>

namespace korvel {

class TEditorGutter;
class TEditorRuler;

class TEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    // Where a token lies in a row: start column and length in UTF-16 code units.
    struct TTokenExtent {
        int start = 0;
        int length = 0;
    };
    // Finds the token at column of block's text; installed by the highlighter.
    using TTokenFinder = std::function<TTokenExtent(const QTextBlock& block, int column)>;
    // Prepares the blocks from first to last (inclusive) just before they are painted.
    using TBlockPreparer = std::function<void(const QTextBlock& first, const QTextBlock& last)>;

    // Background of the text, the gutter and the ruler: RGB 25, 25, 25.
    static constexpr QRgb kBackground = 0xFF191919;
    // Line numbers and ruler marks: silver.
    static constexpr QRgb kMarks = 0xFFC0C0C0;
    // Columns between tab stops.
    static constexpr int kTabColumns = 8;
    // Edits that undo can take back, at most.
    static constexpr int kMaxUndoSteps = 64;
    // A text with more rows shows its first rows at once; the rest follows in the next
    // turns of the event loop (Qt needs microseconds per row to build its document).
    static constexpr int kImmediateRows = 2000;

    explicit TEditor(QWidget* parent = nullptr);

    // Replaces the whole text (CR LF, CR or LF break the rows); clears the undo history.
    // A long text is shown from its top at once and completed in the following turns of
    // the event loop; anything that edits or reads the whole text completes it first.
    void setText(const QString& text);
    // True while the rows of a long text are still being added.
    bool isLoading() const { return FPendingPos < FPending.size(); }
    // Adds the rows of a long text that are still missing, now.
    void finishLoading();
    // The rows joined by CR LF; a break after the last row only when that row had one.
    QString text() const;
    // The selected text with CR LF between its rows; empty when nothing is selected.
    QString selectedText() const;
    // Scrolls to the first column and the first row.
    void scrollToTopLeft();
    // Selects the token under the caret (double click); without a token finder, the word.
    void SelectTokenFromCaret();
    void setTokenFinder(TTokenFinder finder) { FTokenFinder = std::move(finder); }
    // Installs the hook that colours blocks before they are painted (the highlighter's).
    void setBlockPreparer(TBlockPreparer preparer);
    // Sets the font by family and point size (a size of 0 or less keeps the current size).
    void setEditorFont(const QString& family, int pointSize);

    // The first visible row (from 0); setting it scrolls the text so that row is on top.
    int TopRow() const;
    void SetTopRow(int row);
    // The first visible column (from 0); setting it scrolls the text sideways.
    int TopCol() const;
    void SetTopCol(int column);

    // Undoes the last edit, unless kMaxUndoSteps edits in a row were undone already.
    void undo();
    // Redoes the last undone edit.
    void redo();
    // Selects the whole text (completing a long text first).
    void selectAll();
    // Cuts the selection to the clipboard (completing a long text first).
    void cut();
    // How many edits undo can take back now.
    int availableUndoSteps() const;

    // The width of the line-number gutter and the height of the ruler, in pixels.
    int gutterWidth() const;
    int rulerHeight() const;
    TEditorGutter* gutter() const { return FGutter; }
    TEditorRuler* ruler() const { return FRuler; }
    // The width of one column (a blank) in the editor's font.
    qreal columnWidth() const;
    // The x coordinate in the viewport at which column starts in the current scroll position.
    qreal columnX(int column) const;

    // Key sequences that the window's actions own: the editor does not take them
    // for itself, so the action's shortcut runs (its handler acts on the editor).
    void setReservedShortcuts(QList<QKeySequence> sequences) { FReserved = std::move(sequences); }

signals:
    // The user double-clicked in the text.
    void doubleClicked();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void changeEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    void dropEvent(QDropEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    friend class TEditorGutter;
    friend class TEditorRuler;

    void updateTabStops();
    bool unindentAtCursor();
    // Sets the viewport margins for the gutter and the ruler and places both.
    void updateMargins();
    void placeMarginWidgets();
    void viewportUpdateRequested(const QRect& rect, int dy);
    // Adds rows of a long text for a few milliseconds.
    void loadSlice();
    // Appends the pending rows up to offset end of FPending.
    void appendPending(qsizetype end);

    TTokenFinder FTokenFinder;
    TBlockPreparer FBlockPreparer;
    QList<QKeySequence> FReserved;
    TEditorGutter* FGutter = nullptr;
    TEditorRuler* FRuler = nullptr;
    // How many of the document's undo steps undo may still take back.
    int FUndoReach = 0;
    // The rows of a long text not yet in the document: from FPendingPos on, each row
    // preceded by its line feed.
    QString FPending;
    qsizetype FPendingPos = 0;
    // The row count of the whole long text while it loads (the gutter is sized for it).
    int FExpectedRows = 0;
    QTimer FLoadTimer;
};

} // namespace korvel
