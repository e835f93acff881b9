// Binary form → text on the ~50 MB benchmark form, next to a plain copy of the
// text it produces (both into freshly allocated memory, as a conversion does).
#include "support/FormGenerator.h"

#include "convert/BinaryToText.h"
#include "convert/ByteStream.h"

#include <QByteArray>
#include <QFile>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr int64_t kFormSize = 50'000'000;

const QByteArray& BinaryForm()
{
    static const QByteArray form = korvel::bench::GenerateBenchmarkFormBinary(kFormSize);
    return form;
}

const QByteArray& TextForm()
{
    static const QByteArray text = [] {
        korvel::ByteStream in(BinaryForm()), out;
        korvel::BinaryResourceToText(in, out);
        return out.data();
    }();
    return text;
}

// A field of /proc/self/status in kB ("VmHWM", "VmRSS"), or -1.
int64_t StatusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field)) + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Resets the peak resident size so VmHWM measures from here on.
bool ResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

void BM_BinaryToText(benchmark::State& state)
{
    const QByteArray& form = BinaryForm();
    const int64_t textSize = TextForm().size();
    for (auto _ : state) {
        korvel::ByteStream in(form), out;
        korvel::BinaryResourceToText(in, out);
        benchmark::DoNotOptimize(out.data().constData());
    }
    state.SetBytesProcessed(state.iterations() * textSize);
    state.counters["text_MB"] = double(textSize) / 1e6;
    state.counters["binary_MB"] = double(form.size()) / 1e6;
}
BENCHMARK(BM_BinaryToText)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0)->Repetitions(5);

void BM_MemcpyText(benchmark::State& state)
{
    const QByteArray& text = TextForm();
    for (auto _ : state) {
        QByteArray copy(text.size(), Qt::Uninitialized);
        std::memcpy(copy.data(), text.constData(), size_t(text.size()));
        benchmark::DoNotOptimize(copy.constData());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_MemcpyText)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0)->Repetitions(5);

// Peak memory of one conversion (input included) relative to the text size.
void BM_BinaryToTextPeakMemory(benchmark::State& state)
{
    const int64_t textSize = TextForm().size();
    double ratio = -1;
    for (auto _ : state) {
        const int64_t before = StatusKb("VmRSS:");
        const bool reset = ResetPeak();
        {
            korvel::ByteStream in(BinaryForm()), out;
            korvel::BinaryResourceToText(in, out);
            benchmark::DoNotOptimize(out.data().constData());
        }
        const int64_t peak = StatusKb("VmHWM:");
        if (reset && before >= 0 && peak >= 0)
            ratio = double(peak - before + BinaryForm().size() / 1024) * 1024.0 / double(textSize);
    }
    state.counters["peak_per_text"] = ratio;
}
BENCHMARK(BM_BinaryToTextPeakMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
