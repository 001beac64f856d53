#include "BenchSupport.h"

#include <benchmark/benchmark.h>

using namespace lng;
using namespace lng::bench;

// Every check over the 9,999 messages of the edited language, in the window's table.
static void BM_CheckAllMessages(benchmark::State &state)
{
    LoadedTable w;
    for (auto _ : state)
        w.bench->findings().runAll();
    state.counters["findings"] = static_cast<double>(w.bench->findings().findings().size());
}
BENCHMARK(BM_CheckAllMessages)->Unit(benchmark::kMillisecond);

// Re-checking one edited row (and its English text's group).
static void BM_RecheckOneRow(benchmark::State &state)
{
    LoadedTable w;
    w.bench->findings().runAll();
    int row = 1;
    for (auto _ : state) {
        w.bench->findings().recheckRow(row);
        row = row % TableRows + 1;
    }
}
BENCHMARK(BM_RecheckOneRow)->Unit(benchmark::kMicrosecond);
