// Throughput of the property text codec and the lossless scanner on the text of
// a large generated form. Rates are in characters (UTF-16 code units) per second:
// the "bytes" Google Benchmark reports are characters.
#include "support/FormGenerator.h"

#include "document/DfmParser.h"
#include "document/PropertyCodec.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int64_t kFormBytes = 4 << 20;

const QString& storedText()
{
    static const QString text = QString::fromLatin1(korvel::bench::GenerateBenchmarkFormText(kFormBytes));
    return text;
}

const QString& decodedText()
{
    static const QString text = korvel::DecodeText(storedText());
    return text;
}

void BM_DecodeText(benchmark::State& state)
{
    const QString& text = storedText();
    for (auto _ : state)
        benchmark::DoNotOptimize(korvel::DecodeText(text));
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_DecodeText)->Unit(benchmark::kMillisecond);

void BM_EncodeText(benchmark::State& state)
{
    const QString& text = decodedText();
    for (auto _ : state)
        benchmark::DoNotOptimize(korvel::EncodeText(text));
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_EncodeText)->Unit(benchmark::kMillisecond);

void BM_ScanTokens(benchmark::State& state)
{
    const QString& text = storedText();
    for (auto _ : state) {
        korvel::TDfmParser scanner(text);
        int64_t tokens = 0;
        while (scanner.Token() != korvel::dfmEndOfText) {
            ++tokens;
            scanner.NextToken();
        }
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_ScanTokens)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
