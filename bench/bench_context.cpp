#include "BenchSupport.h"
#include "context/SourceScan.h"
#include "grid/Sheet.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace lng;
using namespace lng::bench;


static void BM_SourceScan200MB(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeListing(dir.path(), 20, 101, 220);
    Sheet table(5);
    for (int row = 1; row <= 9999; ++row) {
        table.SetCellNumber(row, 1, row + 100);
        table.SetCellText(row, 5, QStringLiteral("Message text %1").arg(row + 100));
    }
    table.setActiveCell(50, 5); // message 150
    { // warm the file cache
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        while (!file.read(1 << 24).isEmpty()) {
        }
    }
    int found = 0;
    for (auto _ : state) {
        Sheet out(3);
        QString error;
        if (!SourceScan::scanFile(path, table, out, &error))
            state.SkipWithError(qPrintable(error));
        found = out.CellText(1, 1).split(' ').first().toInt();
    }
    state.counters["lines_found"] = found;
}
BENCHMARK(BM_SourceScan200MB)->Unit(benchmark::kMillisecond)->Iterations(5);
