#include "BenchSupport.h"
#include "tools/ColumnChecks.h"
#include "tools/FindEngine.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

using namespace lng;
using namespace lng::bench;


static void BM_CheckLetterCase(benchmark::State &state)
{
    LoadedTable w;
    for (auto _ : state)
        CheckLetterCase(*w.bench);
}
BENCHMARK(BM_CheckLetterCase)->Unit(benchmark::kMillisecond);

// A complete "By columns" cycle without a hit over the used area, yielding once per column.
static void BM_FindFullCycle(benchmark::State &state)
{
    LoadedTable w;
    Sheet &table = w.bench->table();
    table.SetCellText(1, 9, QStringLiteral("widest")); // the used area runs to column 9
    table.setActiveCell(1, 1);
    FindOptions options;
    options.text = QStringLiteral("no such text anywhere");
    for (auto _ : state) {
        const auto result = FindSearch::run(table, options, [] { QCoreApplication::processEvents(); }, [] { return false; });
        if (result.outcome != FindSearch::Outcome::NoMatch)
            state.SkipWithError("unexpected hit");
    }
}
BENCHMARK(BM_FindFullCycle)->Unit(benchmark::kMillisecond);

static void BM_CountBlankRows(benchmark::State &state)
{
    LoadedTable w;
    w.bench->table().setActiveCell(1, EditedColumn);
    for (auto _ : state)
        CountBlankRows(*w.bench);
}
BENCHMARK(BM_CountBlankRows)->Unit(benchmark::kMillisecond);

static void BM_FindNextBlankRow(benchmark::State &state)
{
    LoadedTable w; // no blank cell: both passes run in full
    Sheet &table = w.bench->table();
    for (auto _ : state) {
        table.setActiveCell(5000, EditedColumn);
        FindNextBlankRow(*w.bench);
    }
}
BENCHMARK(BM_FindNextBlankRow)->Unit(benchmark::kMillisecond);
