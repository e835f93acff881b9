#include "app/LazyFormTextHighlighter.h"

#include "highlight/RowStatePacking.h"

#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace korvel {
namespace {

// A colour this pane can draw: the 0x00BBGGRR layout. clNone and the values with a
// high byte (system colours) keep the pane's own colour.
std::optional<QColor> paneColor(TColor value)
{
    if (value == clNone || (value & 0xFF000000u) != 0)
        return std::nullopt;
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

// The row state a packed start state stands for, for block's row.
TRowAttributeData rowStart(const QTextBlock& block, int packedStart)
{
    TRowAttributeData data = UnpackRowState(packedStart);
    data.RowAttribute = block.next().isValid() ? raCrlf : raEof;
    return data;
}

// What a block was last coloured for: its formats are current as long as the block
// has not been edited since and still starts with the same state in the same colours.
class TColouredBlock : public QTextBlockUserData {
public:
    int StartState = -1;
    int EndState = -1;
    quint32 Generation = 0;
    bool Edited = false;

    bool CurrentFor(int startState, quint32 generation) const
    {
        return !Edited && StartState == startState && Generation == generation;
    }
};

TColouredBlock* colouring(const QTextBlock& block)
{
    return dynamic_cast<TColouredBlock*>(block.userData());
}

} // namespace

TLazyFormTextHighlighter::TLazyFormTextHighlighter(QTextDocument* document)
    : QObject(document), FDocument(document), FOwnFountain(TDFMFountain::Create())
{
    ApplyPropertyPaneColors(*FOwnFountain);
    Attach(FOwnFountain.get());
    FCarryTimer.setSingleShot(true);
    FCarryTimer.setInterval(0);
    connect(&FCarryTimer, &QTimer::timeout, this, &TLazyFormTextHighlighter::CarrySlice);
    if (document)
        connect(document, &QTextDocument::contentsChange, this, &TLazyFormTextHighlighter::ContentsChange);
    for (QObject* owner = document ? document->parent() : nullptr; owner != nullptr; owner = owner->parent()) {
        if (auto* editor = qobject_cast<TEditor*>(owner)) {
            InstallTokenFinder(editor);
            break;
        }
    }
}

// When the document dies (and this highlighter with it, often inside the editor's own
// destruction) the editor is left alone: it may be half destroyed already, and its hooks
// hold a guarded pointer to this highlighter that does nothing once it is gone. Deleted on
// its own, the highlighter takes its colours and hooks away.
TLazyFormTextHighlighter::~TLazyFormTextHighlighter()
{
    FSubscription.Reset();
    if (!FDocument)
        return;
    FApplying = true;
    for (QTextBlock b = FDocument->begin(); b.isValid(); b = b.next()) {
        if (colouring(b)) {
            b.layout()->clearFormats();
            b.setUserData(nullptr);
        }
    }
    FDocument->markContentsDirty(0, FDocument->characterCount());
    if (FEditor) {
        FEditor->setTokenFinder({});
        FEditor->setBlockPreparer({});
    }
}

void TLazyFormTextHighlighter::Attach(TFountain* fountain)
{
    FSubscription.Reset();
    FFormats.clear();
    FFountain = fountain;
    FParser = fountain ? fountain->CreateParser() : nullptr;
    if (fountain == nullptr)
        return;
    FSubscription = fountain->ChangeList().Subscribe([this] { rehighlight(); },
        [this] {
            // The fountain is going away: stop
            // using it and its colours.
            FSubscription = {};
            FParser.reset();
            FFountain = nullptr;
            rehighlight();
        });
}

void TLazyFormTextHighlighter::SetFountain(TFountain* fountain)
{
    Attach(fountain ? fountain : FOwnFountain.get());
    rehighlight();
}

void TLazyFormTextHighlighter::rehighlight()
{
    // Another fountain may carry other brackets, so the states go too.
    FFormats.clear();
    FKnownStates = 0;
    ++FGeneration;
    RequestRepaint();
    ScheduleCarry();
}

void TLazyFormTextHighlighter::ScheduleCarry()
{
    if (FDocument && FParser && FKnownStates < FDocument->blockCount() && !FCarryTimer.isActive())
        FCarryTimer.start();
}

void TLazyFormTextHighlighter::CarrySlice()
{
    if (!FDocument)
        return;
    constexpr int kRowsPerStep = 2048;
    QElapsedTimer clock;
    clock.start();
    while (FKnownStates < FDocument->blockCount() && clock.elapsed() < 8)
        CarryStatesTo(std::min(FKnownStates + kRowsPerStep, FDocument->blockCount()));
    ScheduleCarry();
}

void TLazyFormTextHighlighter::RequestRepaint()
{
    if (FEditor)
        FEditor->viewport()->update();
}

void TLazyFormTextHighlighter::ContentsChange(int position, int /*removed*/, int added)
{
    if (FApplying || !FDocument)
        return;
    // The edited blocks need colouring again, and the states from the first of them on
    // need computing again (an edit can open or close a bracket span for every row below).
    QTextBlock block = FDocument->findBlock(position);
    if (!block.isValid())
        block = FDocument->lastBlock();
    FKnownStates = std::min(FKnownStates, block.blockNumber());
    const QTextBlock last = FDocument->findBlock(position + added);
    for (; block.isValid(); block = block.next()) {
        if (TColouredBlock* mark = colouring(block))
            mark->Edited = true;
        if (block == last)
            break;
    }
    ScheduleCarry();
}

int TLazyFormTextHighlighter::EndState(const QTextBlock& block, int startState)
{
    if (const TColouredBlock* mark = colouring(block); mark && mark->CurrentFor(startState, FGeneration))
        return mark->EndState;
    if (!FParser)
        return -1;
    return PackRowState(FParser->ScanRow(block.text(), rowStart(block, startState), nullptr));
}

void TLazyFormTextHighlighter::CarryStatesTo(int number)
{
    if (!FDocument || number <= FKnownStates)
        return;
    QTextBlock block = FDocument->findBlockByNumber(FKnownStates);
    int state = FKnownStates > 0 ? block.previous().userState() : -1;
    int n = FKnownStates;
    for (; n < number && block.isValid(); ++n, block = block.next()) {
        state = EndState(block, state);
        block.setUserState(state);
    }
    FKnownStates = n;
}

int TLazyFormTextHighlighter::ColourBlock(QTextBlock& block, int startState)
{
    class TFormatSink : public TFountainTokenSink {
    public:
        explicit TFormatSink(TLazyFormTextHighlighter& owner) : FOwner(owner) { }
        void Token(const TFountainToken& token) override
        {
            if (token.Color == nullptr)
                return;
            const QTextCharFormat& format = FOwner.CachedFormat(*token.Color);
            if (format.propertyCount() > 0)
                Ranges.append({int(token.Start), int(token.Length), format});
        }
        QList<QTextLayout::FormatRange> Ranges;

    private:
        TLazyFormTextHighlighter& FOwner;
    } sink(*this);

    int endState = -1;
    if (FParser)
        endState = PackRowState(FParser->ScanRow(block.text(), rowStart(block, startState), &sink));
    QTextLayout* layout = block.layout();
    if (layout->formats() != sink.Ranges)
        layout->setFormats(sink.Ranges);
    TColouredBlock* mark = colouring(block);
    if (mark == nullptr) {
        mark = new TColouredBlock;
        block.setUserData(mark);
    }
    mark->StartState = startState;
    mark->EndState = endState;
    mark->Generation = FGeneration;
    mark->Edited = false;
    return endState;
}

void TLazyFormTextHighlighter::HighlightBlocks(const QTextBlock& first, const QTextBlock& last)
{
    if (!FDocument || !first.isValid() || first.document() != FDocument)
        return;
    const int firstNumber = first.blockNumber();
    const int lastNumber = last.isValid() && last.document() == FDocument ? last.blockNumber() : firstNumber;
    CarryStatesTo(firstNumber);

    FApplying = true;
    int state = firstNumber > 0 ? first.previous().userState() : -1;
    int dirtyFrom = -1;
    int dirtyTo = -1;
    QTextBlock block = first;
    for (int n = firstNumber; n <= lastNumber && block.isValid(); ++n, block = block.next()) {
        int endState;
        if (const TColouredBlock* mark = colouring(block); mark && mark->CurrentFor(state, FGeneration)) {
            endState = mark->EndState;
        } else {
            endState = ColourBlock(block, state);
            if (dirtyFrom < 0)
                dirtyFrom = block.position();
            dirtyTo = block.position() + block.length();
        }
        if (n >= FKnownStates) {
            block.setUserState(endState);
            FKnownStates = n + 1;
        }
        state = endState;
    }
    // Lays the coloured blocks out again (as Qt's own highlighter does); this is no edit.
    if (dirtyFrom >= 0)
        FDocument->markContentsDirty(dirtyFrom, dirtyTo - dirtyFrom);
    FApplying = false;
}

TRowAttributeData TLazyFormTextHighlighter::StateAtStartOf(const QTextBlock& block)
{
    if (!FDocument || !block.isValid() || block.document() != FDocument)
        return rowStart(block, -1);
    const int number = block.blockNumber();
    CarryStatesTo(number);
    return rowStart(block, number > 0 ? block.previous().userState() : -1);
}

void TLazyFormTextHighlighter::InstallTokenFinder(TEditor* editor)
{
    if (FEditor && FEditor != editor) {
        FEditor->setTokenFinder({});
        FEditor->setBlockPreparer({});
    }
    FEditor = editor;
    if (editor == nullptr)
        return;
    QPointer<TLazyFormTextHighlighter> self(this);
    editor->setTokenFinder([self](const QTextBlock& block, int column) {
        TEditor::TTokenExtent extent;
        if (self) {
            if (const auto token = self->TokenExtentAt(block, column)) {
                extent.start = int(token->Start);
                extent.length = int(token->Length);
            }
        }
        return extent;
    });
    editor->setBlockPreparer([self](const QTextBlock& first, const QTextBlock& last) {
        if (self)
            self->HighlightBlocks(first, last);
    });
    RequestRepaint();
}

QTextCharFormat TLazyFormTextHighlighter::FormatOf(const TFountainColor& color)
{
    QTextCharFormat format;
    if (const auto fore = paneColor(color.Color()))
        format.setForeground(*fore);
    if (const auto back = paneColor(color.BkColor()))
        format.setBackground(*back);
    const TFontStyles style = color.Style();
    if (style & fsBold)
        format.setFontWeight(QFont::Bold);
    if (style & fsItalic)
        format.setFontItalic(true);
    if (style & fsUnderline)
        format.setFontUnderline(true);
    if (style & fsStrikeOut)
        format.setFontStrikeOut(true);
    return format;
}

const QTextCharFormat& TLazyFormTextHighlighter::CachedFormat(const TFountainColor& color)
{
    auto it = FFormats.find(&color);
    if (it == FFormats.end())
        it = FFormats.insert(&color, FormatOf(color));
    return *it;
}

std::optional<TTokenExtent> TLazyFormTextHighlighter::TokenExtentAt(const QTextBlock& block, int column)
{
    if (!FParser || !block.isValid())
        return std::nullopt;
    const TRowAttributeData start = StateAtStartOf(block);
    const QString text = block.text();
    return FParser->TokenExtentAt(text, start, column);
}

} // namespace korvel
