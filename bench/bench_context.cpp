#include "context/SourceScan.h"
#include "grid/Sheet.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace lng;

namespace {
// A 200 MB source listing: source-like lines, about 2% of them calling a message; message 150
// is called by a few hundred of them.
QString makeListing(const QString &folder)
{
    const QString path = folder + QStringLiteral("/GhostSources.bin");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    static const char *const plain[] = {
        "    If Not IsNumeric(txtValue.Text) Then Exit Sub\r\n",
        "    Dim lngIndex As Long, strBuffer As String\r\n",
        "    For lngIndex = 1 To colItems.Count: Total = Total + colItems(lngIndex): Next\r\n",
        "    Call WriteLog(\"Measurement finished\", LOG_INFO)\r\n",
        "End Sub\r\n",
        "Private Sub cmdStart_Click()\r\n",
    };
    QByteArray chunk;
    unsigned seed = 12345;
    const qint64 target = 200LL * 1024 * 1024;
    qint64 written = 0;
    while (written < target) {
        seed = seed * 1103515245u + 12345u;
        const unsigned pick = (seed >> 16) % 1000;
        if (pick < 20) {
            const unsigned number = 101 + (seed >> 8) % 220; // about 300 lines call each number
            chunk += "    lblStatus.Caption = TXL(" + QByteArray::number(number) + ") & \": \" & TXL(" +
                     QByteArray::number(number + 1) + ")\r\n";
        } else {
            chunk += plain[pick % 6];
        }
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            written += chunk.size();
            chunk.clear();
        }
    }
    file.write(chunk);
    return path;
}
} // namespace

static void BM_SourceScan200MB(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeListing(dir.path());
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
