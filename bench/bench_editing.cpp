#include "BenchSupport.h"
#include "exchange/ExchangeCommands.h"
#include "tools/RowFilter.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

using namespace lng;
using namespace lng::bench;

namespace {
// A table whose exchange workbook differs from it in every edited cell, so that an import
// changes 9,999 cells.
struct ImportedTable : LoadedTable {
    ImportedTable()
    {
        Sheet &table = bench->table();
        std::vector<QString> kept;
        for (int row = 1; row <= TableRows; ++row) {
            kept.push_back(table.CellText(row, EditedColumn));
            table.SetCellText(row, EditedColumn, QStringLiteral("imported %1").arg(row));
        }
        ExportEditedColumn(*bench);
        for (int row = 1; row <= TableRows; ++row)
            table.SetCellText(row, EditedColumn, kept[static_cast<std::size_t>(row - 1)]);
        ImportEditedColumn(*bench);
    }
};
} // namespace

// Undo, then redo, of an import that changed 9,999 cells: the time is of both steps.
static void BM_UndoRedoImport(benchmark::State &state)
{
    ImportedTable w;
    TableHistory &history = w.bench->history();
    for (auto _ : state) {
        history.undo();
        history.redo();
    }
}
BENCHMARK(BM_UndoRedoImport)->Unit(benchmark::kMillisecond);

// Applying a filter over 9,999 rows: 0 all rows, 1 messages only, 2 untranslated, 3 containing
// a text, 4 containing a number (which message numbers may match too).
static void BM_ApplyFilter(benchmark::State &state)
{
    LoadedTable w;
    const auto mode = static_cast<RowFilterMode>(std::min<std::int64_t>(state.range(0), 3));
    const RowFilter filter {mode, state.range(0) == 4 ? QStringLiteral("12") : QStringLiteral("message 12"), {}};
    const RowFilter other {filter.mode == RowFilterMode::AllRows ? RowFilterMode::MessagesOnly : RowFilterMode::AllRows, {}, {}};
    for (auto _ : state) {
        state.PauseTiming();
        applyRowFilter(w.bench->table(), other); // so each run changes the flags
        state.ResumeTiming();
        applyRowFilter(w.bench->table(), filter);
    }
}
BENCHMARK(BM_ApplyFilter)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// The status bar's count after one edit.
static void BM_ProgressPerEdit(benchmark::State &state)
{
    LoadedTable w;
    TranslationProgress &progress = w.bench->progress();
    int row = 1;
    for (auto _ : state) {
        progress.rowChanged(row);
        row = row % TableRows + 1;
    }
}
BENCHMARK(BM_ProgressPerEdit)->Unit(benchmark::kNanosecond);

// Heap taken by 1,000 undo steps of single-cell edits (typical 40-character translations).
static void BM_UndoMemory1000Edits(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        LoadedTable w;
        w.state.IsPasswordGiven = true;
        malloc_trim(0);
        const std::size_t before = mallinfo2().uordblks;
        state.ResumeTiming();
        for (int i = 0; i < TableHistory::StepLimit; ++i)
            w.bench->table().userSetText(i % TableRows + 1, EditedColumn, QStringLiteral("A translation typed in, number %1.").arg(i));
        state.PauseTiming();
        // The edited cells themselves hold the new texts too; only the history's part counts.
        std::size_t cells = 0;
        for (int i = 0; i < TableHistory::StepLimit; ++i)
            cells += static_cast<std::size_t>(w.bench->table().CellText(i + 1, EditedColumn).size()) * 2;
        state.counters["history_bytes"] = static_cast<double>(mallinfo2().uordblks - before) - static_cast<double>(cells);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoMemory1000Edits)->Unit(benchmark::kMillisecond)->Iterations(3);
