#include "BenchSupport.h"
#include "context/SourceIndex.h"
#include "memory/TranslationMemory.h"
#include "pane/MessageFocus.h"

#include <QFile>

#include <chrono>

#include <benchmark/benchmark.h>

using namespace lng;
using namespace lng::bench;

namespace {
// The loaded table with the pane's listing index read, as after a load in the window.
struct PaneTable : LoadedTable {
    explicit PaneTable(bool variedEnglish, unsigned callsPerThousand = 50)
    {
        if (variedEnglish)
            useVariedEnglish(bench->table());
        makeListing(dir.path(), callsPerThousand, 101, 9998);
        bench->focus().memory().invalidate();
        bench->focus().usage().reload();
        bench->focus().usage().waitUntilRead();
    }
};

void warm(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.read(1 << 24).isEmpty()) {
        }
    }
}
} // namespace

// The listing index for the pane, built at load on its own thread (the window is not blocked):
// 200 MB, one line in twenty calling two messages spread over all 9,999.
static void BM_ListingIndexBuild200MB(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeListing(dir.path(), static_cast<unsigned>(state.range(0)), 101, 9998);
    warm(path);
    std::shared_ptr<const SourceIndex> index;
    for (auto _ : state) {
        QString error;
        index = SourceIndex::build(path, &error);
        if (!index)
            state.SkipWithError(qPrintable(error));
    }
    if (!index)
        return;
    state.counters["listing_MB"] = static_cast<double>(index->fileSize()) / (1 << 20);
    state.counters["index_MB"] = static_cast<double>(index->memoryBytes()) / (1 << 20);
    state.counters["index_share_pct"] = 100.0 * static_cast<double>(index->memoryBytes()) / static_cast<double>(index->fileSize());
    state.counters["calling_lines"] = static_cast<double>(index->callingLines());
}
BENCHMARK(BM_ListingIndexBuild200MB)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor under it: reading the same 200 MB from the cache in the same chunks, nothing else.
static void BM_ListingReadFloor200MB(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeListing(dir.path(), 50, 101, 9998);
    warm(path);
    QByteArray buffer(8 << 20, Qt::Uninitialized);
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        qint64 total = 0;
        for (qint64 got; (got = file.read(buffer.data(), buffer.size())) > 0;)
            total += got;
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ListingReadFloor200MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// Moving the active row with the pane open: the row's texts, its suggestions and its uses in
// the 200 MB listing, resolved. Arg 1: varied English texts; arg 0: the generated database's
// eighteen texts, each shared by some 550 messages (the memory's worst case).
static void BM_PaneRowMove(benchmark::State &state)
{
    PaneTable w(state.range(0) != 0);
    MessageFocus &focus = w.bench->focus();
    int row = 1;
    std::size_t suggestions = 0;
    std::size_t uses = 0;
    std::chrono::nanoseconds suggesting {};
    for (auto _ : state) {
        row = row % TableRows + 1;
        benchmark::DoNotOptimize(focus.message(row));
        const auto start = std::chrono::steady_clock::now();
        suggestions += focus.suggestions(row).size();
        suggesting += std::chrono::steady_clock::now() - start;
        uses += focus.usage().usesOf(w.bench->table(), row).size();
    }
    state.counters["suggestions_us"] = static_cast<double>(suggesting.count()) / 1e3 / static_cast<double>(state.iterations());
    state.counters["suggestions_per_row"] = static_cast<double>(suggestions) / static_cast<double>(state.iterations());
    state.counters["uses_per_row"] = static_cast<double>(uses) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PaneRowMove)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// "Fill from identical English texts" over 9,999 messages, one in five of them empty.
static void BM_FillFromIdenticalEnglish(benchmark::State &state)
{
    LoadedTable w;
    useVariedEnglish(w.bench->table());
    Sheet &table = w.bench->table();
    std::vector<QString> kept(TableRows + 1);
    for (int row = 1; row <= TableRows; ++row)
        kept[static_cast<std::size_t>(row)] = table.CellText(row, EditedColumn);
    int filled = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int row = 1; row <= TableRows; ++row)
            table.SetCellText(row, EditedColumn, row % 5 ? kept[static_cast<std::size_t>(row)] : QString());
        state.ResumeTiming();
        filled = fillFromIdenticalEnglish(*w.bench);
    }
    state.counters["filled"] = filled;
}
BENCHMARK(BM_FillFromIdenticalEnglish)->Unit(benchmark::kMillisecond);
