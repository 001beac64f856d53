// The message table on the PostgreSQL test server (bench/server_bench.sh starts one).
#include "BenchData.h"
#include "BenchSupport.h"
#include "server/Migration.h"
#include "settings/SettingsFile.h"

#include <QCoreApplication>
#include <QFile>

#include <libpq-fe.h>

#include <barrier>
#include <thread>

#include <benchmark/benchmark.h>

using namespace lng;
using namespace lng::bench;

namespace {
QString testServer()
{
    return qEnvironmentVariable("LNG_TEST_PG");
}

bool execute(const QString &connection, const QString &sql)
{
    PGconn *link = PQconnectdb(connection.toUtf8().constData());
    PGresult *result = PQexec(link, sql.toUtf8().constData());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
    PQclear(result);
    PQfinish(link);
    return ok;
}

// The generated 9,999-message database copied to a server database of its own, made once.
QString serverDatabase()
{
    static const QString uri = [] {
        const QString name = QStringLiteral("lng_bench_%1").arg(QCoreApplication::applicationPid());
        const QString maintenance = testServer() + QStringLiteral(" dbname=postgres");
        execute(maintenance, QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
        execute(maintenance, QStringLiteral("CREATE DATABASE %1").arg(name));
        QTemporaryDir dir;
        const QString file = generatedDatabase(dir.path());
        const QString target = testServer() + QStringLiteral(" dbname=") + name;
        MigrationReport report;
        QString error;
        if (!migrateDatabase(file, target, &report, &error))
            std::fprintf(stderr, "cannot fill the server: %s\n", qPrintable(error));
        return target;
    }();
    return uri;
}

// A window's workbench whose AllLanguages.Lng points at the server, editing `field`.
struct ServerWorkbench {
    QTemporaryDir dir;
    SharedState state;
    QuietPrompts prompts;
    NoClipboard clipboard;
    std::unique_ptr<Workbench> bench;

    explicit ServerWorkbench(std::int16_t field = 12, const QString &language = QStringLiteral("Spanish"))
    {
        state.catalogue.fill();
        QFile pointer(dir.filePath(QStringLiteral("AllLanguages.Lng")));
        pointer.open(QIODevice::WriteOnly);
        pointer.write(serverDatabase().toUtf8() + "\n");
        pointer.close();
        SettingsFile::write(dir.filePath(SettingsFile::FileName), {3, field, QStringLiteral("French"), language}, nullptr);
        bench = std::make_unique<Workbench>(state, prompts, clipboard, dir.path());
        bench->formLoad();
        state.IsPasswordGiven = true;
    }
    void change(int step, int pass)
    {
        for (int row = 1; row <= TableRows; row += step)
            bench->table().SetCellText(row, EditedColumn, QStringLiteral("Server text %1 pass %2").arg(row).arg(pass));
    }
};

bool haveServer(benchmark::State &state)
{
    if (testServer().isEmpty()) {
        state.SkipWithError("LNG_TEST_PG is not set: run bench/server_bench.sh");
        return false;
    }
    return true;
}
} // namespace

static void BM_ServerLoad(benchmark::State &state)
{
    if (!haveServer(state))
        return;
    ServerWorkbench w;
    for (auto _ : state) {
        if (!w.bench->LoadTable())
            state.SkipWithError("load failed");
    }
}
BENCHMARK(BM_ServerLoad)->Unit(benchmark::kMillisecond);

// The floor under it: the same SELECT of the four shown fields through libpq, nothing kept.
static void BM_ServerLoadFloor(benchmark::State &state)
{
    if (!haveServer(state))
        return;
    PGconn *link = PQconnectdb(serverDatabase().toUtf8().constData());
    for (auto _ : state) {
        PGresult *result = PQexec(link, "SELECT \"Number\", \"Comments\", \"English\", \"French\", \"Spanish\" FROM \"Languages\"");
        benchmark::DoNotOptimize(PQntuples(result));
        PQclear(result);
    }
    PQfinish(link);
}
BENCHMARK(BM_ServerLoadFloor)->Unit(benchmark::kMillisecond);

// A save with 1% of the edited column changed (the typing is not timed).
static void BM_ServerSave1Percent(benchmark::State &state)
{
    if (!haveServer(state))
        return;
    ServerWorkbench w;
    w.bench->LoadTable();
    int pass = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w.change(100, ++pass);
        state.ResumeTiming();
        if (w.bench->SaveTable())
            state.SkipWithError("save failed");
    }
    if (w.prompts.messages)
        state.SkipWithError("the save asked or reported something");
}
BENCHMARK(BM_ServerSave1Percent)->Unit(benchmark::kMillisecond);

// The floor under a save: one record's field updated and committed through libpq, which on a
// server that flushes its log (bench/server_bench.sh starts one) waits for the disk once.
static void BM_ServerCommitFloor(benchmark::State &state)
{
    if (!haveServer(state))
        return;
    PGconn *link = PQconnectdb(serverDatabase().toUtf8().constData());
    int pass = 0;
    for (auto _ : state) {
        const QByteArray text = "floor " + QByteArray::number(++pass);
        const char *values[] = {text.constData()};
        PQclear(PQexec(link, "BEGIN"));
        PQclear(PQexecParams(link, "UPDATE \"Languages\" SET \"Swedish\" = $1 WHERE \"Number\" = 101", 1, nullptr, values, nullptr,
                             nullptr, 0));
        PGresult *result = PQexec(link, "COMMIT");
        if (PQresultStatus(result) != PGRES_COMMAND_OK)
            state.SkipWithError("the commit failed");
        PQclear(result);
    }
    PQfinish(link);
}
BENCHMARK(BM_ServerCommitFloor)->Unit(benchmark::kMillisecond);

// Eighteen translators, each on a language of their own, saving 1% at the same moment: the
// time until the last save is done; every save must succeed.
static void BM_Server18ClientsSaveAtOnce(benchmark::State &state)
{
    if (!haveServer(state))
        return;
    static const std::pair<std::int16_t, const char *> languages[] {
        {1, "[Comments]"}, {3, "French"},  {4, "Danish"},    {5, "Dutch"},   {6, "Finnish"},   {7, "German"},
        {8, "Italian"},    {9, "Japanese"}, {10, "Norwegian"}, {11, "Portuguese"}, {12, "Spanish"}, {13, "Swedish"},
        {14, "Catalan"},   {15, "Chinese"}, {16, "Italian2"},  {17, "Russian"}, {18, "Czech"},   {19, "Slovak"},
    };
    int failures = 0;
    int pass = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++pass;
        std::atomic_int failed {0};
        std::barrier start(18 + 1);
        std::barrier done(18 + 1);
        std::vector<std::thread> clients;
        for (const auto &[field, name] : languages) {
            clients.emplace_back([&, field = field, name = name] {
                ServerWorkbench w(field, QString::fromLatin1(name));
                if (!w.bench->LoadTable())
                    ++failed;
                w.change(100, pass);
                start.arrive_and_wait();
                if (w.bench->SaveTable() || w.prompts.messages)
                    ++failed;
                done.arrive_and_wait();
            });
        }
        state.ResumeTiming();
        start.arrive_and_wait();
        done.arrive_and_wait();
        state.PauseTiming();
        for (std::thread &client : clients)
            client.join();
        failures += failed;
        state.ResumeTiming();
    }
    state.counters["failed_saves"] = failures;
}
BENCHMARK(BM_Server18ClientsSaveAtOnce)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
