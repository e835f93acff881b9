// TEditor: the property pane's text editor control, a QPlainTextEdit with the
// settings of the pane (dark background, no wrap, tab stops every 8 columns,
// Tab moves the focus, new lines keep the indentation above, Backspace in
// leading blanks unindents) and the operations the window needs.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QPlainTextEdit>

#include <functional>

namespace korvel {

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

    explicit TEditor(QWidget* parent = nullptr);

    // Replaces the whole text (CR LF, CR or LF break the rows); clears the undo history.
    void setText(const QString& text);
    // The rows joined by CR LF; a break after the last row only when that row had one.
    QString text() const;
    // The selected text with CR LF between its rows; empty when nothing is selected.
    QString selectedText() const;
    // Scrolls to the first column and the first row.
    void scrollToTopLeft();
    // Selects the token under the caret (double click); without a token finder, the word.
    void SelectTokenFromCaret();
    void setTokenFinder(TTokenFinder finder) { FTokenFinder = std::move(finder); }
    // Sets the font by family and point size (a size of 0 or less keeps the current size).
    void setEditorFont(const QString& family, int pointSize);

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

private:
    void updateTabStops();
    bool unindentAtCursor();

    TTokenFinder FTokenFinder;
    QList<QKeySequence> FReserved;
};

} // namespace korvel
