#include "grid/Sheet.h"

#include <benchmark/benchmark.h>

using namespace lng;

// Writing every cell of the 9,999 x 5 table from code, as a load does.
static void BM_SheetWriteAllCells(benchmark::State &state)
{
    Sheet sheet(5);
    int notices = 0;
    QObject::connect(&sheet, &Sheet::changesPending, [&notices] { ++notices; });
    const QString text = QStringLiteral("Enregistrer le fichier de mesure");
    for (auto _ : state) {
        for (int row = 1; row <= 9999; ++row) {
            sheet.SetCellNumber(row, 1, row + 100);
            for (int col = 2; col <= 5; ++col)
                sheet.SetCellText(row, col, text);
        }
        sheet.takeDirtyRange();
    }
    state.counters["notices_per_pass"] = static_cast<double>(notices) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SheetWriteAllCells)->Unit(benchmark::kMillisecond);
