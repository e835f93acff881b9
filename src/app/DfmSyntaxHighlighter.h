// DfmSyntaxHighlighter: colours form text in a QTextDocument with the form text
// fountain. Each block is scanned from the row state stored in the block before
// it (packed into the block state), so Qt re-highlights only while that state
// changes. It also gives the editor the token a double click selects.
#pragma once

#include "app/TEditor.h"
#include "highlight/DFMFountain.h"
#include "highlight/FountainChangeList.h"
#include "highlight/FountainParser.h"

#include <QHash>
#include <QPointer>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <memory>
#include <optional>

namespace korvel {

class DfmSyntaxHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    // Highlights document with a form text fountain of its own in the property pane's
    // colours; when the document belongs to a TEditor, installs that editor's token finder.
    explicit DfmSyntaxHighlighter(QTextDocument* document);
    ~DfmSyntaxHighlighter() override;

    // The fountain in use; the highlighter repaints when its colours change. Null after an
    // outside fountain was destroyed.
    TFountain* Fountain() const noexcept { return FFountain; }
    // The fountain the highlighter made for itself.
    TDFMFountain& OwnFountain() noexcept { return *FOwnFountain; }
    // Uses fountain (not owned; null for the own one) and re-highlights the document.
    void SetFountain(TFountain* fountain);

    // The token a double click at column of block selects; none over blanks.
    std::optional<TTokenExtent> TokenExtentAt(const QTextBlock& block, int column);
    // Installs the token finder of editor (done by the constructor for the document's editor).
    void InstallTokenFinder(TEditor* editor);

    // The text format of a colour item: its colours (clNone and system colours keep the
    // pane's own) and font style.
    static QTextCharFormat FormatOf(const TFountainColor& color);

protected:
    void highlightBlock(const QString& text) override;

private:
    void Attach(TFountain* fountain);
    const QTextCharFormat& CachedFormat(const TFountainColor& color);

    std::unique_ptr<TDFMFountain> FOwnFountain;
    TFountain* FFountain = nullptr;
    std::unique_ptr<TFountainParser> FParser;
    TFountainSubscription FSubscription;
    QHash<const TFountainColor*, QTextCharFormat> FFormats;
    QPointer<TEditor> FEditor;
};

} // namespace korvel
