// The message pane in its window, on the offscreen platform: what moving the active row costs
// with the pane open, widgets included.
#include "BenchSupport.h"
#include "app/MainForm.h"
#include "pane/MessageFocus.h"
#include "pane/MessagePane.h"

#include <QApplication>
#include <QListWidget>

#include <benchmark/benchmark.h>

using namespace lng;
using namespace lng::bench;

static void BM_PaneWindowRowMove(benchmark::State &state)
{
    LoadedTable w;
    useVariedEnglish(w.bench->table());
    makeListing(w.dir.path(), 50, 101, 9998);
    MainForm form(*w.bench);
    form.show();
    w.bench->focus().usage().reload();
    w.bench->focus().usage().waitUntilRead();
    QCoreApplication::processEvents();
    MessagePane &pane = *form.messagePane();
    int row = 1;
    for (auto _ : state) {
        row = row % TableRows + 1;
        w.bench->table().setActiveCell(row, EditedColumn);
        pane.refreshNow();
    }
    state.counters["uses_shown"] = pane.useList()->count();
}
BENCHMARK(BM_PaneWindowRowMove)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
