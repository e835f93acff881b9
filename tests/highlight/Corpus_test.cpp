#include "highlight/DFMFountain.h"
#include "highlight/FountainParser.h"
#include "highlight/RowStatePacking.h"
#include "support/Corpus.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstdio>

#include <vector>

namespace korvel {
namespace {

struct TToken {
    int Code;
    qsizetype Start;
    qsizetype Length;
    const TFountainColor* Color;
    bool operator==(const TToken&) const = default;
};

class TCollect : public TFountainTokenSink {
public:
    void Token(const TFountainToken& t) override { Tokens.push_back({t.Code, t.Start, t.Length, t.Color}); }
    std::vector<TToken> Tokens;
};

QStringList textFormRows(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.startsWith("TPF0") || bytes.startsWith(QByteArray("\xFF\x0A", 2))
        || bytes.startsWith(QByteArray(1, '\0')))
        return {}; // a binary form
    const QString text =
        bytes.startsWith("\xEF\xBB\xBF") ? QString::fromUtf8(bytes.mid(3)) : QString::fromLatin1(bytes);
    return text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
}

// Every text form of the corpus: balanced hex blocks and collections, no token without a
// colour but tabs, and every row re-scanned from its stored state as the pass scanned it.
TEST(CorpusTest, TextFormsHighlightConsistently)
{
    KORVEL_NEEDS_CORPUS();
    const QDir corpus(QStringLiteral(KORVEL_CORPUS_DIR));
    const auto fountain = TDFMFountain::Create();
    int forms = 0;
    for (const char* folder : {"text", "fmx", "xfm"}) {
        const QDir dir(corpus.filePath(QLatin1String(folder)));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            const QStringList rows = textFormRows(dir.filePath(name));
            if (rows.isEmpty())
                continue;
            ++forms;
            SCOPED_TRACE(name.toStdString());
            const auto pass = fountain->CreateParser();
            std::vector<int> ends;
            std::vector<std::vector<TToken>> tokens;
            TRowAttributeData state;
            int uncoloured = 0;
            for (const QString& row : rows) {
                TCollect sink;
                state = pass->ScanRow(row, state, &sink);
                for (const TToken& t : sink.Tokens)
                    uncoloured += t.Color == nullptr && t.Code != ftTab;
                ends.push_back(PackRowState(state));
                tokens.push_back(std::move(sink.Tokens));
            }
            EXPECT_EQ(uncoloured, 0);
            EXPECT_EQ(state.BracketIndex, -1);
            EXPECT_EQ(state.ElementIndex, 0);
            EXPECT_EQ(state.MultiLineCnt, 0);

            const auto fresh = fountain->CreateParser();
            for (qsizetype i = 1; i < rows.size(); ++i) {
                TCollect sink;
                const TRowAttributeData next = fresh->ScanRow(rows[i], UnpackRowState(ends[std::size_t(i - 1)]), &sink);
                if (sink.Tokens != tokens[std::size_t(i)] || PackRowState(next) != ends[std::size_t(i)]) {
                    ADD_FAILURE() << "row " << i << " differs when re-scanned";
                    break;
                }
            }
        }
    }
    std::printf("text corpus forms scanned: %d\n", forms);
    EXPECT_GT(forms, 0);
}

} // namespace
} // namespace korvel
