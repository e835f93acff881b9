// TLazyFormTextHighlighter: colours form text in a QTextDocument with the form text
// fountain. It works lazily: each block keeps the packed row state its row ends
// with (the block's user state), and only the blocks about to be painted are
// coloured, after the states above them have been carried forward with a
// colourless scan. A replaced or edited text therefore costs nothing until it is
// shown, however long it is. It also gives the editor the token a double click
// selects.
#pragma once

#include "app/TEditor.h"
#include "highlight/DFMFountain.h"
#include "highlight/FountainChangeList.h"
#include "highlight/FountainParser.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTimer>

#include <memory>
#include <optional>

namespace korvel {

class TLazyFormTextHighlighter : public QObject {
    Q_OBJECT
public:
    // Highlights document (and dies with it) with a form text fountain of its own in the
    // property pane's colours; when the document belongs to a TEditor, hooks into that editor.
    explicit TLazyFormTextHighlighter(QTextDocument* document);
    ~TLazyFormTextHighlighter() override;

    // The fountain in use; the highlighter repaints when its colours change. Null after an
    // outside fountain was destroyed.
    TFountain* Fountain() const noexcept { return FFountain; }
    // The fountain the highlighter made for itself.
    TDFMFountain& OwnFountain() noexcept { return *FOwnFountain; }
    // Uses fountain (not owned; null for the own one) and re-highlights the document.
    void SetFountain(TFountain* fountain);
    // The document being coloured; null once it is gone.
    QTextDocument* document() const { return FDocument; }

    // Colours the blocks from first to last (inclusive, in document order) that are not yet
    // coloured for their text, start state and the current colours. The editor calls this
    // for the blocks it is about to paint.
    void HighlightBlocks(const QTextBlock& first, const QTextBlock& last);
    // Marks every block for colouring again; the editor repaints.
    void rehighlight();
    // The row state block's row starts with, carrying the states forward as needed.
    TRowAttributeData StateAtStartOf(const QTextBlock& block);
    // How many leading blocks have a known end state. The rest are computed when needed,
    // and meanwhile a few thousand at a time whenever the event loop has nothing to do.
    int KnownStates() const noexcept { return FKnownStates; }

    // The token a double click at column of block selects; none over blanks.
    std::optional<TTokenExtent> TokenExtentAt(const QTextBlock& block, int column);
    // Installs the token finder and the painting hook in editor (done by the constructor
    // for the document's editor).
    void InstallTokenFinder(TEditor* editor);

    // The text format of a colour item: its colours (clNone and system colours keep the
    // pane's own) and font style.
    static QTextCharFormat FormatOf(const TFountainColor& color);

private:
    void Attach(TFountain* fountain);
    const QTextCharFormat& CachedFormat(const TFountainColor& color);
    void ContentsChange(int position, int removed, int added);
    // Computes the end states of the blocks above block number (colourless scans).
    void CarryStatesTo(int number);
    // The end state of block (packed), given the packed state its row starts with.
    int EndState(const QTextBlock& block, int startState);
    // Colours block from its start state; returns its end state.
    int ColourBlock(QTextBlock& block, int startState);
    void RequestRepaint();
    // Carries the states forward for a few milliseconds, then gives the event loop its turn.
    void CarrySlice();
    void ScheduleCarry();

    QPointer<QTextDocument> FDocument;
    // Blocks 0 to FKnownStates - 1 hold their end state in their user state.
    int FKnownStates = 0;
    // Bumped whenever the colours change: blocks coloured before are coloured again.
    quint32 FGeneration = 1;
    // Set while formats are applied, so that the document's reaction is not taken for an edit.
    bool FApplying = false;
    QTimer FCarryTimer;

    std::unique_ptr<TDFMFountain> FOwnFountain;
    TFountain* FFountain = nullptr;
    std::unique_ptr<TFountainParser> FParser;
    TFountainSubscription FSubscription;
    QHash<const TFountainColor*, QTextCharFormat> FFormats;
    QPointer<TEditor> FEditor;
};

} // namespace korvel
