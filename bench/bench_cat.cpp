#include "BenchSupport.h"
#include "cat/CatExchange.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
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

// The floor of an XLIFF export: QXmlStreamWriter writing the elements of the same 9,999
// messages, their texts already at hand, into a string encoded once; arg 1 also puts the bytes
// on the disk safely (QSaveFile: a new file, synced, renamed), as every export must.
static void BM_XliffWriteFloor(benchmark::State &state)
{
    LoadedTable w;
    const Sheet &table = w.bench->table();
    struct Texts {
        QString id, english, target, comment;
    };
    std::vector<Texts> units;
    for (int row = 1; row <= TableRows; ++row) {
        units.push_back({table.CellText(row, PositionColumn), table.CellText(row, EnglishColumn),
                         table.CellText(row, EditedColumn), table.CellText(row, CommentsColumn)});
    }
    for (auto _ : state) {
        QString text;
        text.reserve(9999 * 200);
        QXmlStreamWriter xml(&text);
        xml.setAutoFormatting(true);
        xml.writeStartElement(QStringLiteral("xliff"));
        for (const Texts &unit : units) {
            xml.writeStartElement(QStringLiteral("trans-unit"));
            xml.writeAttribute(QStringLiteral("id"), unit.id);
            xml.writeAttribute(QStringLiteral("resname"), unit.id);
            xml.writeTextElement(QStringLiteral("source"), unit.english);
            xml.writeStartElement(QStringLiteral("target"));
            xml.writeAttribute(QStringLiteral("state"), QStringLiteral("translated"));
            xml.writeCharacters(unit.target);
            xml.writeEndElement();
            xml.writeTextElement(QStringLiteral("note"), unit.comment);
            xml.writeEndElement();
        }
        xml.writeEndDocument();
        const QByteArray bytes = text.toUtf8();
        if (state.range(0) == 1) {
            QSaveFile out(w.dir.filePath(QStringLiteral("floor.xlf")));
            out.open(QIODevice::WriteOnly);
            out.write(bytes);
            out.commit();
        }
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_XliffWriteFloor)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
