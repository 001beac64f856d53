#include "BenchData.h"
#include "exchange/MessageFileBuilder.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace lng;

// Building one message file from the generated 9,999-message database.
static void BM_BuildMessageFile(benchmark::State &state)
{
    QTemporaryDir dir;
    bench::generatedDatabase(dir.path());
    const int field = static_cast<int>(state.range(0));
    const QString language = field == 12 ? QStringLiteral("Spanish") : QStringLiteral("Russian");
    for (auto _ : state) {
        const BuildReport report = buildMessageFileIn(dir.path(), field, language);
        if (!report.ok())
            state.SkipWithError(qPrintable(report.error));
    }
}
BENCHMARK(BM_BuildMessageFile)->Arg(12)->Arg(17)->Unit(benchmark::kMillisecond);
