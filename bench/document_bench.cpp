// The form document on a generated ~50 MB form: loading the text and the binary
// form up to a ready tree, saving both, and random moves on a large tree.
// The load benchmarks also report the peak memory of one load relative to the
// text's size (counter "peak_x_text").
#include "support/FormGenerator.h"

#include "document/FormDocument.h"
#include "document/OutlineParser.h"
#include "document/TreeMoves.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace {

using namespace korvel;

constexpr int64_t kFormBytes = 50'000'000;

struct Fixture {
    QTemporaryDir dir;
    QString textPath;
    QString binaryPath;
    int64_t textSize = 0;

    Fixture()
    {
        const QByteArray text = bench::GenerateBenchmarkFormText(kFormBytes);
        textSize = text.size();
        textPath = dir.filePath(QStringLiteral("Bench.dfm"));
        binaryPath = dir.filePath(QStringLiteral("BenchBin.dfm"));
        write(textPath, text);
        write(binaryPath, bench::GenerateBenchmarkFormBinary(kFormBytes));
    }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

// A line of /proc/self/status in kilobytes ("VmHWM", "VmRSS").
int64_t statusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0)
            return std::stoll(line.substr(prefix.size()));
    return 0;
}

// Gives freed heap back to the system and resets the process's peak resident
// size to its current size.
void resetPeak()
{
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

void loadBenchmark(benchmark::State& state, const QString& path)
{
    double peakRatio = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<TFormDocument>();
        resetPeak();
        const int64_t before = statusKb("VmRSS");
        state.ResumeTiming();
        doc->LoadFormFile(path);
        benchmark::DoNotOptimize(doc->Tree().count());
        state.PauseTiming();
        const int64_t peak = statusKb("VmHWM") - before;
        peakRatio = std::max(peakRatio, double(peak) * 1024 / double(fixture().textSize));
        state.counters["nodes"] = double(doc->Tree().count());
        doc.reset();
        state.ResumeTiming();
    }
    state.counters["peak_x_text"] = peakRatio;
    state.SetBytesProcessed(int64_t(state.iterations()) * fixture().textSize);
}

void BM_LoadText(benchmark::State& state)
{
    loadBenchmark(state, fixture().textPath);
}
BENCHMARK(BM_LoadText)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LoadBinary(benchmark::State& state)
{
    loadBenchmark(state, fixture().binaryPath);
}
BENCHMARK(BM_LoadBinary)->Unit(benchmark::kMillisecond)->Iterations(5);

void saveBenchmark(benchmark::State& state, const QString& path)
{
    TFormDocument doc;
    doc.LoadFormFile(path);
    const QString target = fixture().dir.filePath(QStringLiteral("Saved.dfm"));
    for (auto _ : state)
        doc.SaveFormFile(target);
    state.SetBytesProcessed(int64_t(state.iterations()) * fixture().textSize);
}

void BM_SaveText(benchmark::State& state)
{
    saveBenchmark(state, fixture().textPath);
}
BENCHMARK(BM_SaveText)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SaveBinary(benchmark::State& state)
{
    saveBenchmark(state, fixture().binaryPath);
}
BENCHMARK(BM_SaveBinary)->Unit(benchmark::kMillisecond)->Iterations(5);

// An outline of n components in chains of up to 12 levels under one root.
QStringList outlineLines(int n)
{
    std::mt19937 rng(7);
    QStringList lines{QStringLiteral("object Root: TRoot")};
    int made = 0;
    while (made < n) {
        const int depth = 1 + int(rng() % 12);
        for (int d = 1; d <= depth; ++d, ++made)
            lines.append(QString(2 * d, u' ') + QStringLiteral("object C%1: TC").arg(made));
        for (int d = depth; d >= 1; --d)
            lines.append(QString(2 * d, u' ') + QStringLiteral("end"));
    }
    lines.append(QStringLiteral("end"));
    return lines;
}

void BM_RandomMoves(benchmark::State& state)
{
    constexpr int kNodes = 60000;
    constexpr int kMoves = 10000;
    TComponentTree tree;
    ParseOutline(outlineLines(kNodes), tree);
    std::vector<TTreeNode*> nodes;
    for (int64_t i = 0; i < tree.count(); ++i)
        nodes.push_back(tree.GetNodeFromIndex(i));
    std::mt19937 rng(11);
    int64_t moved = 0;
    for (auto _ : state) {
        for (int m = 0; m < kMoves; ++m) {
            TTreeNode* s = nodes[rng() % nodes.size()];
            switch (rng() % 4) {
            case 0:
                moved += bool(MoveUp(tree, s));
                break;
            case 1:
                moved += bool(MoveDown(tree, s));
                break;
            case 2:
                moved += bool(MoveOneLevelUp(tree, s));
                break;
            default:
                moved += bool(Drop(tree, s, nodes[rng() % nodes.size()]));
                break;
            }
        }
    }
    state.counters["nodes"] = double(tree.count());
    state.counters["moved"] = double(moved);
    state.counters["us_per_move"] = benchmark::Counter(double(state.iterations()) * kMoves,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_RandomMoves)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
