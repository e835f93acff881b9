// Rows per second of the form text highlighter: typical property lines, a big
// hexadecimal block, and a generated form, each scanned top down with the row
// state carried from row to row, as the editor does when it paints.
#include "highlight/DFMFountain.h"
#include "highlight/FountainParser.h"
#include "support/FormGenerator.h"

#include <QString>
#include <QStringList>

#include <benchmark/benchmark.h>

namespace korvel {
namespace {

// Counts tokens and touches their colours, as a painter would.
class TCountingSink : public TFountainTokenSink {
public:
    void Token(const TFountainToken& token) override
    {
        Tokens += 1;
        Colored += token.Color != nullptr;
    }
    std::int64_t Tokens = 0;
    std::int64_t Colored = 0;
};

QStringList typicalRows(int count)
{
    static const char16_t* const kLines[] = {
        u"  object btnOK: TButton",
        u"    Left = 296",
        u"    Top = 8",
        u"    Width = 75",
        u"    Caption = 'OK'",
        u"    Font.Name = 'Tahoma'",
        u"    Font.Height = -12",
        u"    Align = alClient",
        u"    Value = 1.5E+3",
        u"    Hint = #24471#24847#20808#12467#12540#12489",
        u"    Caption = 'It''s a longer caption with words'#13#10'and a second line'",
        u"    Font.Style = [fsBold, fsItalic]",
        u"    Columns = <",
        u"      item",
        u"        Caption = 'Name'",
        u"      end>",
        u"    OnClick = btnOKClick",
        u"  end",
    };
    QStringList rows;
    for (int i = 0; i < count; ++i)
        rows << QString::fromUtf16(kLines[i % std::size(kLines)]);
    return rows;
}

QStringList hexBlockRows(int count)
{
    QStringList rows;
    rows << QStringLiteral("    Picture.Data = {");
    const QString hex = QStringLiteral("      0A0B0C0D0E0F101112131415161718191A1B1C1D1E1F2021222324252627282920");
    for (int i = 0; i < count; ++i)
        rows << hex;
    rows.last() += u'}';
    return rows;
}

void scanAll(benchmark::State& state, const QStringList& rows, bool withSink)
{
    const auto fountain = TDFMFountain::Create();
    ApplyPropertyPaneColors(*fountain);
    TCountingSink sink;
    for (auto _ : state) {
        const auto parser = fountain->CreateParser();
        TRowAttributeData data;
        for (const QString& row : rows)
            data = parser->ScanRow(row, data, withSink ? &sink : nullptr);
        benchmark::DoNotOptimize(data.BracketIndex);
    }
    benchmark::DoNotOptimize(sink.Colored);
    state.counters["rows/s"] =
        benchmark::Counter(double(rows.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
    if (withSink && state.iterations() > 0)
        state.counters["tokens/row"] = double(sink.Tokens) / double(state.iterations()) / double(rows.size());
}

void BM_TypicalRows(benchmark::State& state)
{
    scanAll(state, typicalRows(100000), true);
}
void BM_TypicalRowsStateOnly(benchmark::State& state)
{
    scanAll(state, typicalRows(100000), false);
}
void BM_HexBlock200k(benchmark::State& state)
{
    scanAll(state, hexBlockRows(200000), true);
}

void BM_GeneratedForm(benchmark::State& state)
{
    const QByteArray text = bench::GenerateBenchmarkFormText(8 << 20);
    QStringList rows = QString::fromLatin1(text).split(QStringLiteral("\r\n"));
    scanAll(state, rows, true);
}

BENCHMARK(BM_TypicalRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypicalRowsStateOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HexBlock200k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneratedForm)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace korvel

BENCHMARK_MAIN();
