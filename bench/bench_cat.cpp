#include "BenchSupport.h"
#include "cat/CatExchange.h"

#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <benchmark/benchmark.h>
#include <gettext-po.h>

using namespace lng;
using namespace lng::bench;

namespace {
CatFormat formatOf(const benchmark::State &state)
{
    return state.range(0) == 0 ? CatFormat::Xliff : CatFormat::Po;
}
QString fileIn(const LoadedTable &w, CatFormat format)
{
    return w.dir.filePath(format == CatFormat::Po ? QStringLiteral("t.po") : QStringLiteral("t.xlf"));
}

// The loaded table, edited as Spanish, exported in the benchmark's format.
struct ExportedTable : LoadedTable {
    CatFormat format;
    QString path;
    explicit ExportedTable(const benchmark::State &state) : format(formatOf(state)), path(fileIn(*this, format))
    {
        this->state.EditedLanguageName = QStringLiteral("Spanish");
        exportForTranslation(*bench, path);
    }
};
} // namespace

// Export for translation of 9,999 messages: 0 XLIFF, 1 PO.
static void BM_ExportForTranslation(benchmark::State &state)
{
    LoadedTable w;
    w.state.EditedLanguageName = QStringLiteral("Spanish");
    const QString path = fileIn(w, formatOf(state));
    for (auto _ : state)
        exportForTranslation(*w.bench, path);
}
BENCHMARK(BM_ExportForTranslation)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Reading such a file and planning its import against the table: 0 XLIFF, 1 PO.
static void BM_ImportTranslation(benchmark::State &state)
{
    ExportedTable w(state);
    const CatFormat format = w.format;
    const QString &path = w.path;
    std::map<std::int64_t, CurrentText> current;
    for (int row = 1; row <= TableRows; ++row)
        current.emplace(row + RowOffset, CurrentText {w.bench->table().CellText(row, EnglishColumn), w.bench->table().CellText(row, EditedColumn)});
    for (auto _ : state) {
        CatFile file;
        QString error;
        readCatFile(path, format, &file, &error);
        benchmark::DoNotOptimize(planCatImport(file, QStringLiteral("Spanish"), current));
    }
}
BENCHMARK(BM_ImportTranslation)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The floor of an import: the libraries' own passes over the same file, with nothing kept:
// 0 QXmlStreamReader over the XLIFF file, 1 GNU gettext's po_file_read of the PO file.
static void BM_ImportFloor(benchmark::State &state)
{
    ExportedTable w(state);
    const QString &path = w.path;
    for (auto _ : state) {
        if (w.format == CatFormat::Xliff) {
            QFile in(path);
            in.open(QIODevice::ReadOnly);
            const QByteArray content = in.readAll();
            QXmlStreamReader xml(content);
            while (!xml.atEnd())
                xml.readNext();
        } else {
            static const po_xerror_handler quiet {[](int, po_message_t, const char *, size_t, size_t, int, const char *) {},
                                                  [](int, po_message_t, const char *, size_t, size_t, int, const char *, po_message_t,
                                                     const char *, size_t, size_t, int, const char *) {}};
            po_file_free(po_file_read(QFile::encodeName(path).constData(), &quiet));
        }
    }
}
BENCHMARK(BM_ImportFloor)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The floor of an XLIFF export: QXmlStreamWriter writing the same elements for 9,999 messages
// into memory, with nothing read from the table and nothing written to the disk.
static void BM_XliffWriteFloor(benchmark::State &state)
{
    const QString english = QStringLiteral("English text of a message");
    const QString target = QStringLiteral("Texto de un mensaje");
    for (auto _ : state) {
        QByteArray bytes;
        QXmlStreamWriter xml(&bytes);
        xml.setAutoFormatting(true);
        xml.writeStartDocument();
        xml.writeStartElement(QStringLiteral("xliff"));
        for (int n = 101; n <= 10099; ++n) {
            xml.writeStartElement(QStringLiteral("trans-unit"));
            xml.writeAttribute(QStringLiteral("id"), QString::number(n));
            xml.writeAttribute(QStringLiteral("resname"), QString::number(n));
            xml.writeTextElement(QStringLiteral("source"), english);
            xml.writeStartElement(QStringLiteral("target"));
            xml.writeAttribute(QStringLiteral("state"), QStringLiteral("translated"));
            xml.writeCharacters(target);
            xml.writeEndElement();
            xml.writeEndElement();
        }
        xml.writeEndDocument();
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_XliffWriteFloor)->Unit(benchmark::kMillisecond);
