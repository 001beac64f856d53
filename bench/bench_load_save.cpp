#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace lng;
using namespace lng::bench;

static void BM_LoadTable(benchmark::State &state)
{
    BenchWorkbench w;
    for (auto _ : state) {
        if (!w.bench->LoadTable())
            state.SkipWithError("load failed");
    }
}
BENCHMARK(BM_LoadTable)->Unit(benchmark::kMillisecond);

// Saves after changing column 5 of every `step`-th row (100: 1% of the rows, 1: every row).
static void BM_SaveTable(benchmark::State &state)
{
    BenchWorkbench w;
    w.bench->LoadTable();
    w.state.IsPasswordGiven = true;
    const int step = static_cast<int>(state.range(0));
    int pass = 0;
    for (auto _ : state) {
        state.PauseTiming(); // the user's typing is not part of the save
        ++pass;
        for (int row = 1; row <= TableRows; row += step)
            w.bench->table().SetCellText(row, EditedColumn, QStringLiteral("Translated text %1 pass %2").arg(row).arg(pass));
        state.ResumeTiming();
        if (w.bench->SaveTable())
            state.SkipWithError("save failed");
    }
    if (w.prompts.messages)
        state.SkipWithError("the save reported failures");
}
BENCHMARK(BM_SaveTable)->Arg(100)->Arg(1)->Unit(benchmark::kMillisecond);
