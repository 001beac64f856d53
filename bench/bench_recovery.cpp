#include "BenchSupport.h"
#include "recovery/RecoveryJournal.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

using namespace lng;
using namespace lng::bench;

// One typed edit on the user-interface thread, journal included.
static void BM_EditWithJournal(benchmark::State &state)
{
    LoadedTable w;
    w.state.IsPasswordGiven = true;
    int row = 1;
    int round = 0;
    const QString texts[2] = {QStringLiteral("A translation typed in."), QStringLiteral("Another translation typed in.")};
    for (auto _ : state) {
        w.bench->table().userSetText(row, EditedColumn, texts[round & 1]);
        if (++row > TableRows) {
            row = 1;
            ++round;
        }
    }
}
BENCHMARK(BM_EditWithJournal)->Unit(benchmark::kMicrosecond);

// 10,000 edits typed evenly over ten seconds: how many times the journal is synced.
static void BM_JournalSyncsForTenSecondsOfTyping(benchmark::State &state)
{
    QTemporaryDir dir;
    for (auto _ : state) {
        RecoveryJournal journal(dir.filePath("journal"));
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 10000; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(1000 * i));
            journal.add({101 + i % 9999, 7, i, std::nullopt, QStringLiteral("edit %1").arg(i)});
        }
        // The last batch reaches the disk on its own, within the second.
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        state.counters["syncs"] = journal.syncs();
    }
}
BENCHMARK(BM_JournalSyncsForTenSecondsOfTyping)->Unit(benchmark::kSecond)->Iterations(1);

// Restoring 9,999 edits at a load: reading the journal and putting them into the table.
static void BM_RestoreEdits(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        LoadedTable w;
        const QString journal = w.bench->databasePath() + QStringLiteral("-unsaved");
        w.bench->recovery().discard();
        {
            RecoveryJournal writer(journal);
            for (int n = 101; n <= 10099; ++n)
                writer.add({n, w.state.EditedLanguageField, n, std::nullopt, QStringLiteral("restored %1").arg(n)});
        }
        BenchWorkbench other; // a second window on the same folder would be refused: use a copy
        QFile::remove(other.bench->databasePath());
        QFile::copy(w.bench->databasePath(), other.bench->databasePath());
        QFile::copy(journal, other.bench->databasePath() + QStringLiteral("-unsaved"));
        other.state.IsUnlocked = true;
        state.ResumeTiming();
        other.bench->LoadTable();
        state.PauseTiming();
        if (other.bench->table().CellText(5, EditedColumn) != QStringLiteral("restored 105"))
            state.SkipWithError("the edits were not restored");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RestoreEdits)->Unit(benchmark::kMillisecond)->Iterations(5);

// The load alone, for comparison with the restoring load above.
static void BM_LoadWithoutJournal(benchmark::State &state)
{
    BenchWorkbench w;
    w.state.IsUnlocked = true;
    for (auto _ : state)
        w.bench->LoadTable();
}
BENCHMARK(BM_LoadWithoutJournal)->Unit(benchmark::kMillisecond);
