#include "BenchSupport.h"
#include "exchange/ExchangeCommands.h"

#include <benchmark/benchmark.h>

using namespace lng;
using namespace lng::bench;


// ToExcel with 9,999 filled rows: copy into the exchange grid and write the workbook.
static void BM_ExportWorkbook(benchmark::State &state)
{
    LoadedTable w;
    for (auto _ : state)
        ExportEditedColumn(*w.bench);
}
BENCHMARK(BM_ExportWorkbook)->Unit(benchmark::kMillisecond);

// FromExcel of that workbook: read it and copy it back into the table.
static void BM_ImportWorkbook(benchmark::State &state)
{
    LoadedTable w;
    ExportEditedColumn(*w.bench);
    for (auto _ : state)
        ImportEditedColumn(*w.bench);
}
BENCHMARK(BM_ImportWorkbook)->Unit(benchmark::kMillisecond);
