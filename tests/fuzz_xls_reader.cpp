// Feeds damaged workbooks to the exchange reader: real files (written by this program and saved
// by LibreOffice Calc) with bytes flipped, overwritten, cut, repeated and removed. Built with
// the address and undefined-behaviour sanitizers, so a read out of bounds stops the run. A
// watchdog stops it too when one file takes too long: the reader must neither crash nor hang.
//
//   xls_fuzz [--seconds N] [--runs N] [--seed N] [--save-crash FILE] SEED_FILE...
#include "exchange/BiffReader.h"
#include "exchange/XlsFile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <glib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

using namespace lng;

namespace {

std::atomic<long long> g_progress {0};
QByteArray g_current; // the input under test, kept for a hang report
QString g_crashFile;

QByteArray exportedWorkbook()
{
    Sheet sheet(2);
    sheet.SetCellText(1, 1, QStringLiteral("Position"));
    sheet.SetCellText(1, 2, QStringLiteral("Messages"));
    for (int row = 2; row <= 400; ++row) {
        sheet.SetCellNumber(row, 1, row + 99);
        if (row % 7)
            sheet.SetCellText(row, 2, QString::fromUtf8("Texte %1 — Сохранить ファイル 😀").arg(row));
    }
    sheet.SetCellText(401, 2, QString(9000, QChar(0x416))); // a text spread over CONTINUE records
    sheet.SetCellNumber(402, 1, 0.25);
    return XlsCodec::workbookStream(sheet);
}

QByteArray mutate(QByteArray data, std::mt19937_64 &random)
{
    const auto pick = [&](qsizetype n) { return n <= 0 ? 0 : static_cast<qsizetype>(random() % static_cast<std::uint64_t>(n)); };
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits && !data.isEmpty(); ++e) {
        const qsizetype at = pick(data.size());
        switch (random() % 7) {
        case 0: // one bit
            data[at] = static_cast<char>(data[at] ^ (1 << (random() % 8)));
            break;
        case 1: { // a value that lengths and counts trip over
            static const unsigned char interesting[] = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};
            data[at] = static_cast<char>(interesting[random() % sizeof interesting]);
            break;
        }
        case 2: // a 16-bit length set large
            if (at + 1 < data.size()) {
                data[at] = static_cast<char>(0xFF);
                data[at + 1] = static_cast<char>(random() % 0x30);
            }
            break;
        case 3: // cut
            data.truncate(at);
            break;
        case 4: // a run removed
            data.remove(at, pick(256) + 1);
            break;
        case 5: // a run repeated
            data.insert(at, data.mid(at, pick(256) + 1));
            break;
        default: // random bytes
            for (qsizetype i = at; i < data.size() && i < at + 16; ++i)
                data[i] = static_cast<char>(random());
            break;
        }
    }
    return data;
}

void watchdog(int limitSeconds)
{
    long long seen = -1;
    auto since = std::chrono::steady_clock::now();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        const long long now = g_progress.load();
        if (now < 0)
            return;
        if (now != seen) {
            seen = now;
            since = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - since > std::chrono::seconds(limitSeconds)) {
            std::fprintf(stderr, "xls_fuzz: input %lld has run for more than %d s: the reader hangs\n", now, limitSeconds);
            if (!g_crashFile.isEmpty()) {
                QFile out(g_crashFile);
                if (out.open(QIODevice::WriteOnly))
                    out.write(g_current);
            }
            std::abort();
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The compound-file library complains on stderr of every damaged file; that is expected here.
    g_log_set_default_handler([](const gchar *, GLogLevelFlags, const gchar *, gpointer) {}, nullptr);
    QStringList args = app.arguments().mid(1);
    double seconds = 30;
    long long runs = -1;
    std::uint64_t seed = 1;
    std::vector<QByteArray> seeds;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = args[++i].toDouble();
        else if (arg == QLatin1String("--runs") && i + 1 < args.size())
            runs = args[++i].toLongLong();
        else if (arg == QLatin1String("--seed") && i + 1 < args.size())
            seed = args[++i].toULongLong();
        else if (arg == QLatin1String("--save-crash") && i + 1 < args.size())
            g_crashFile = args[++i];
        else {
            QFile file(arg);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "xls_fuzz: cannot read %s\n", qPrintable(arg));
                return 2;
            }
            seeds.push_back(file.readAll());
        }
    }

    // The bare stream of an export, and the same wrapped in its compound file.
    const QByteArray stream = exportedWorkbook();
    std::vector<QByteArray> streams {stream};
    {
        QString error;
        std::vector<WorkbookCell> cells;
        if (!readBiffCells(stream, &cells, &error) || cells.size() < 400) {
            std::fprintf(stderr, "xls_fuzz: the unmutated export does not read back: %s\n", qPrintable(error));
            return 1;
        }
        int readable = 0;
        for (const QByteArray &file : seeds)
            readable += readWorkbookCells(file, &cells, &error);
        if (!seeds.empty() && readable == 0) {
            std::fprintf(stderr, "xls_fuzz: no unmutated seed file reads: %s\n", qPrintable(error));
            return 1;
        }
    }

    std::thread dog(watchdog, 10);
    std::mt19937_64 random(seed);
    QElapsedTimer clock;
    clock.start();
    long long done = 0;
    long long accepted = 0;
    std::vector<WorkbookCell> cells;
    QString error;
    while ((runs < 0 || done < runs) && clock.elapsed() < seconds * 1000) {
        const bool whole = !seeds.empty() && random() % 3 != 0;
        const QByteArray &base = whole ? seeds[random() % seeds.size()] : streams[random() % streams.size()];
        g_current = mutate(base, random);
        const bool read = whole ? readWorkbookCells(g_current, &cells, &error) : readBiffCells(g_current, &cells, &error);
        accepted += read;
        if (!read && error.isEmpty()) {
            std::fprintf(stderr, "xls_fuzz: a refused file came back without a cause\n");
            return 1;
        }
        error.clear();
        g_progress = ++done;
    }
    g_progress = -1;
    dog.join();
    std::printf("xls_fuzz: %lld damaged workbooks read in %.1f s (%lld still readable), no crash, no hang\n", done,
                clock.elapsed() / 1000.0, accepted);
    return 0;
}
