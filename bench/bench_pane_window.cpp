// The message pane in its window, on the offscreen platform: what moving the active row costs
// with the pane open, widgets included.
#include "BenchSupport.h"
#include "app/MainForm.h"
#include "pane/MessageFocus.h"
#include "pane/MessagePane.h"

#include <QApplication>
#include <QElapsedTimer>
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

// Reading the 200 MB listing after a load, with the window's event loop running meanwhile: how
// long the loop is held up at most (the reading runs on its own thread).
static void BM_WindowStallWhileIndexing(benchmark::State &state)
{
    LoadedTable w;
    makeListing(w.dir.path(), 50, 101, 9998);
    MainForm form(*w.bench);
    form.show();
    SourceUsage &usage = w.bench->focus().usage();
    double longest = 0;
    for (auto _ : state) {
        usage.reload();
        QElapsedTimer gap;
        gap.start();
        while (usage.state() == SourceUsage::State::Reading) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longest = std::max(longest, static_cast<double>(gap.nsecsElapsed()) / 1e6);
            gap.restart();
        }
    }
    state.counters["longest_stall_ms"] = longest;
}
BENCHMARK(BM_WindowStallWhileIndexing)->Unit(benchmark::kMillisecond)->Iterations(3);

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
