// Throughput of the text-to-binary conversion on the ~50 MB generated form, in
// bytes of text input per second, next to a plain memcpy of the same text; and
// the conversion's peak memory as a multiple of the text size.
#include "support/FormGenerator.h"

#include "convert/ByteStream.h"
#include "convert/Parser.h"
#include "convert/TextToBinary.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr int64_t kFormBytes = 50'000'000;

const QByteArray& formText()
{
    static const QByteArray text = korvel::bench::GenerateBenchmarkFormText(kFormBytes);
    return text;
}

void BM_Memcpy(benchmark::State& state)
{
    const QByteArray& text = formText();
    auto copy = std::make_unique<char[]>(size_t(text.size()));
    for (auto _ : state) {
        std::memcpy(copy.get(), text.constData(), size_t(text.size()));
        benchmark::DoNotOptimize(copy.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_TextToResource(benchmark::State& state)
{
    const QByteArray& text = formText();
    for (auto _ : state) {
        korvel::ByteStream in(text);
        korvel::ByteStream out;
        korvel::TextToResource(in, out);
        benchmark::DoNotOptimize(out.data().constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_TextToResource)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_TextToResourceAnsi(benchmark::State& state)
{
    const QByteArray& text = formText();
    for (auto _ : state) {
        korvel::ByteStream in(text);
        korvel::ByteStream out;
        korvel::TextToResourceAnsi(in, out);
        benchmark::DoNotOptimize(out.data().constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_TextToResourceAnsi)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The tokenizer alone: every token, with the hex data of "{" values decoded.
void BM_Tokenize(benchmark::State& state)
{
    const QByteArray& text = formText();
    for (auto _ : state) {
        korvel::ByteStream in(text);
        korvel::TParser parser(in);
        int64_t tokens = 0;
        while (parser.Token() != korvel::tokEndOfInput) {
            if (parser.Token() == u'{')
                benchmark::DoNotOptimize(parser.HexToBinary().size());
            parser.NextToken();
            ++tokens;
        }
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_Tokenize)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Reads a "VmHWM:"-style field of /proc/self/status in bytes (0 when unavailable).
int64_t statusBytes(const char* field)
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    int64_t kb = 0;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, n) == 0) {
            for (const char* p = line + n; *p; ++p)
                if (*p >= '0' && *p <= '9')
                    kb = kb * 10 + (*p - '0');
            break;
        }
    }
    std::fclose(f);
    return kb * 1024;
}

// Peak memory of one conversion: the text plus what the conversion adds on top
// of it at its high-water mark, as a multiple of the text size.
void BM_PeakMemory(benchmark::State& state)
{
    const QByteArray& text = formText();
    double ratio = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", f); // resets the high-water mark to the current size
            std::fclose(f);
        }
        const int64_t before = statusBytes("VmRSS:");
        state.ResumeTiming();
        {
            korvel::ByteStream in(text);
            korvel::ByteStream out;
            korvel::TextToResource(in, out);
            benchmark::DoNotOptimize(out.data().constData());
        }
        const int64_t peak = statusBytes("VmHWM:");
        ratio = double(peak - before + text.size()) / double(text.size());
    }
    state.counters["peak_x_text"] = ratio;
}
BENCHMARK(BM_PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
