#include "app/DfmSyntaxHighlighter.h"

#include "highlight/RowStatePacking.h"

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextDocument>

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

// The state stored for the start of block: the packed state of the block above.
TRowAttributeData stateAtStartOf(const QTextBlock& block)
{
    const QTextBlock previous = block.previous();
    TRowAttributeData data = UnpackRowState(previous.isValid() ? previous.userState() : -1);
    data.RowAttribute = block.next().isValid() ? raCrlf : raEof;
    return data;
}

} // namespace

DfmSyntaxHighlighter::DfmSyntaxHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(static_cast<QObject*>(nullptr)), FOwnFountain(TDFMFountain::Create())
{
    ApplyPropertyPaneColors(*FOwnFountain);
    Attach(FOwnFountain.get());
    // The document is set last, so that its first highlighting already has the fountain.
    setParent(document);
    setDocument(document);
    for (QObject* owner = document ? document->parent() : nullptr; owner != nullptr; owner = owner->parent()) {
        if (auto* editor = qobject_cast<TEditor*>(owner)) {
            InstallTokenFinder(editor);
            break;
        }
    }
}

// The editor is left alone: it may be half destroyed already (the document, and with it
// this highlighter, dies inside the editor's destruction). Its finder holds a guarded
// pointer to this highlighter and finds nothing once the highlighter is gone.
DfmSyntaxHighlighter::~DfmSyntaxHighlighter() { FSubscription.Reset(); }

void DfmSyntaxHighlighter::Attach(TFountain* fountain)
{
    FSubscription.Reset();
    FFormats.clear();
    FFountain = fountain;
    FParser = fountain ? fountain->CreateParser() : nullptr;
    if (fountain == nullptr)
        return;
    FSubscription = fountain->ChangeList().Subscribe(
        [this] {
            FFormats.clear();
            rehighlight();
        },
        [this] {
            // The fountain is going away: stop using it and its colours.
            FSubscription = {};
            FParser.reset();
            FFountain = nullptr;
            FFormats.clear();
        });
}

void DfmSyntaxHighlighter::SetFountain(TFountain* fountain)
{
    Attach(fountain ? fountain : FOwnFountain.get());
    rehighlight();
}

void DfmSyntaxHighlighter::InstallTokenFinder(TEditor* editor)
{
    if (FEditor && FEditor != editor)
        FEditor->setTokenFinder({});
    FEditor = editor;
    if (editor == nullptr)
        return;
    QPointer<DfmSyntaxHighlighter> self(this);
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
}

QTextCharFormat DfmSyntaxHighlighter::FormatOf(const TFountainColor& color)
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

const QTextCharFormat& DfmSyntaxHighlighter::CachedFormat(const TFountainColor& color)
{
    auto it = FFormats.find(&color);
    if (it == FFormats.end())
        it = FFormats.insert(&color, FormatOf(color));
    return *it;
}

void DfmSyntaxHighlighter::highlightBlock(const QString& text)
{
    if (!FParser) {
        setCurrentBlockState(-1);
        return;
    }
    class TFormatSink : public TFountainTokenSink {
    public:
        explicit TFormatSink(DfmSyntaxHighlighter& owner) : FOwner(owner) {}
        void Token(const TFountainToken& token) override
        {
            if (token.Color == nullptr)
                return;
            const QTextCharFormat& format = FOwner.CachedFormat(*token.Color);
            if (format.propertyCount() > 0)
                FOwner.setFormat(int(token.Start), int(token.Length), format);
        }

    private:
        DfmSyntaxHighlighter& FOwner;
    } sink(*this);
    const TRowAttributeData next = FParser->ScanRow(text, stateAtStartOf(currentBlock()), &sink);
    setCurrentBlockState(PackRowState(next));
}

std::optional<TTokenExtent> DfmSyntaxHighlighter::TokenExtentAt(const QTextBlock& block, int column)
{
    if (!FParser || !block.isValid())
        return std::nullopt;
    const QString text = block.text();
    return FParser->TokenExtentAt(text, stateAtStartOf(block), column);
}

} // namespace korvel
