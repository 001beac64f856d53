#include "Fixtures.h"

#include "exchange/ExchangeCommands.h"
#include "exchange/XlsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
QString exchangePath(const BenchFixture &f)
{
    return f.folder() + "/XLLanguages.XLS";
}

// Texts that have tripped spreadsheet writers and readers.
std::vector<QString> awkwardTexts()
{
    return {
        QString::fromUtf8("Enregistrer sous… «Très» ÀÉÎÕÜ ñ ß"),
        QString::fromUtf8("Сохранить изменения?"),
        QString::fromUtf8("変更を保存しますか？"),
        QString::fromUtf8("是否保存更改？"),
        QString::fromUtf8("Done 😀 👍🏽"),
        "Don't \"quote\" me",
        QString(255, 'x'),
        QString::fromUtf8("é") + QString(254, 'y'),
        "=SUM(A1:A2)",
        "+33 1 23",
        "-5 degrees",
        "@home",
        "  leading and trailing  ",
    };
}
} // namespace

TEST(Exchange, ExportThenImportGivesTheSameColumns)
{
    BenchFixture f;
    Sheet &t = f.table();
    const std::vector<QString> texts = awkwardTexts();
    for (int i = 0; i < static_cast<int>(texts.size()); ++i) {
        t.SetCellNumber(i * 3 + 1, 1, 101 + i * 3);
        t.SetCellText(i * 3 + 1, 5, texts[i]);
    }
    t.SetCellNumber(9999, 1, 10099);
    t.SetCellText(9999, 5, "last");
    t.SetCellText(60, 5, "a row without a message");
    // Many distinct strings force the shared string table across CONTINUE records.
    for (int row = 100; row <= 4000; ++row) {
        t.SetCellNumber(row, 1, row + 100);
        t.SetCellText(row, 5, QString::fromUtf8("Текст номер %1 — ファイル").arg(row));
    }

    ExportEditedColumn(*f.bench);
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().text, "The file & " + exchangePath(f) + " was created.");
    EXPECT_EQ(f.prompts.last().icon, Icon::Information);
    EXPECT_EQ(f.prompts.last().caption, QString(""));

    std::vector<std::pair<QString, CellType>> before;
    for (int row = 1; row <= 9999; ++row)
        before.emplace_back(t.CellText(row, 5) + "|" + t.CellText(row, 1), t.CellTypeAt(row, 1));
    t.ClearRange(1, 1, 9999, 5, 3);

    f.prompts.answers = {Answer::Yes};
    ImportEditedColumn(*f.bench);
    ASSERT_EQ(f.prompts.shown.size(), 2u) << f.prompts.texts().join('|').toStdString();
    EXPECT_EQ(f.prompts.last().text, "This will overwrite all data in the current language column.\r\rAre you sure ?");
    EXPECT_EQ(f.prompts.last().caption, QString("Load Excel file?"));
    EXPECT_EQ(f.prompts.last().icon, Icon::Question);
    for (int row = 1; row <= 9999; ++row) {
        ASSERT_EQ(t.CellText(row, 5) + "|" + t.CellText(row, 1), before[row - 1].first) << "row " << row;
        ASSERT_EQ(t.CellTypeAt(row, 1), before[row - 1].second) << "row " << row;
    }
    EXPECT_TRUE(f.state.IsModified); // imported texts are unsaved work
}

TEST(Exchange, TheExchangeGridKeepsRowOneAndAnEmptyTableExportsEmptyRows)
{
    BenchFixture f;
    ExportEditedColumn(*f.bench);
    Sheet read(2);
    QString error;
    ASSERT_TRUE(XlsCodec().read(exchangePath(f), read, &error)) << error.toStdString();
    EXPECT_EQ(read.CellText(1, 1), "Position");
    EXPECT_EQ(read.CellText(1, 2), "Messages");
    EXPECT_EQ(read.LastUsedRow(), 1);

    // A value in row 1 of the file is never imported, and is exported again after an import.
    Sheet edited(2);
    edited.SetCellText(1, 1, "Nummer");
    edited.SetCellText(1, 2, "Texte");
    edited.SetCellNumber(2, 1, 555);
    edited.SetCellText(2, 2, "from the file");
    ASSERT_TRUE(XlsCodec().write(exchangePath(f), edited, &error)) << error.toStdString();
    f.prompts.answers = {Answer::Yes};
    ImportEditedColumn(*f.bench);
    EXPECT_EQ(f.table().CellNumber(1, 1), 555.0); // numbers land by position
    EXPECT_EQ(f.table().CellText(1, 5), "from the file");
    EXPECT_EQ(f.table().CellText(2, 5), QString());
    ExportEditedColumn(*f.bench);
    ASSERT_TRUE(XlsCodec().read(exchangePath(f), read, &error));
    EXPECT_EQ(read.CellText(1, 1), "Nummer");
}

TEST(Exchange, NoAnswerReadsNothing)
{
    BenchFixture f;
    f.table().SetCellText(1, 5, "kept");
    f.prompts.answers = {Answer::No};
    ImportEditedColumn(*f.bench);
    EXPECT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.table().CellText(1, 5), "kept");
}

TEST(Exchange, FilesThatCannotBeReadLeaveTheTableAlone)
{
    struct Case {
        const char *name;
        std::function<void(const QString &)> make;
    };
    const std::vector<Case> cases {
        {"missing", [](const QString &) {}},
        {"empty", [](const QString &p) { writeFile(p, ""); }},
        {"text", [](const QString &p) { writeFile(p, "Position\tMessages\r\n101\tFile\r\n"); }},
        {"xlsx renamed", [](const QString &p) { writeFile(p, QByteArray("PK\x03\x04", 4) + QByteArray(2000, '\0')); }},
        {"damaged",
         [](const QString &p) {
             Sheet s(2);
             for (int row = 1; row <= 3000; ++row)
                 s.SetCellText(row, 2, QStringLiteral("text %1").arg(row));
             QString error;
             ASSERT_TRUE(XlsCodec().write(p, s, &error));
             QFile file(p);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             file.seek(file.size() / 2);
             file.write(QByteArray(4096, '\xFF'));
         }},
    };
    for (const Case &c : cases) {
        BenchFixture f;
        c.make(exchangePath(f));
        f.table().SetCellNumber(1, 1, 101);
        f.table().SetCellText(1, 5, "kept");
        f.prompts.answers = {Answer::Yes};
        ImportEditedColumn(*f.bench);
        ASSERT_EQ(f.prompts.shown.size(), 2u) << c.name;
        EXPECT_TRUE(f.prompts.last().text.startsWith("Cannot read " + exchangePath(f))) << c.name;
        EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
        EXPECT_EQ(f.prompts.last().caption, QString(""));
        EXPECT_EQ(f.table().CellText(1, 5), "kept") << c.name;
        EXPECT_EQ(f.table().CellNumber(1, 1), 101.0) << c.name;
        EXPECT_FALSE(f.state.IsModified) << c.name;
    }
}

// Texts up to a cell's limit travel whole, in both ways; longer ones are cut, as every
// spreadsheet program cuts them, and the export names them.
TEST(Exchange, LongTextsRoundTripUpToTheCellLimit)
{
    for (const int length : {9000, 20000, XlsCodec::MaxTextLength, XlsCodec::MaxTextLength + 1, 40000}) {
        BenchFixture f;
        const QString text = QString(length, QChar(0x416));
        f.table().SetCellNumber(5, 1, 105);
        f.table().SetCellText(5, 5, text);
        f.table().SetCellNumber(6, 1, 106);
        f.table().SetCellText(6, 5, "next");
        ExportEditedColumn(*f.bench);
        const bool cut = length > XlsCodec::MaxTextLength;
        ASSERT_EQ(f.prompts.shown.size(), cut ? 2u : 1u) << length;
        if (cut) {
            EXPECT_EQ(f.prompts.last().icon, Icon::Exclamation);
            EXPECT_EQ(f.prompts.last().text, XlsCodec::longTextWarning({"105"}));
        }

        f.table().SetCellText(5, 5, "replaced");
        f.prompts.answers = {Answer::Yes};
        ImportEditedColumn(*f.bench);
        EXPECT_EQ(f.table().CellText(5, 5), text.left(XlsCodec::MaxTextLength)) << length;
        EXPECT_EQ(f.table().CellText(6, 5), "next") << length;
    }
}

TEST(Exchange, AFileThatCannotBeWrittenIsNamed)
{
    BenchFixture f;
    ASSERT_TRUE(QDir(f.folder()).mkdir("XLLanguages.XLS")); // a folder in its place
    ExportEditedColumn(*f.bench);
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_TRUE(f.prompts.last().text.startsWith("Cannot write to " + exchangePath(f))) << f.prompts.last().text.toStdString();
    EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
    EXPECT_EQ(f.prompts.last().caption, QString(""));
}

TEST(Exchange, NumbersAsRkOrDoubleAndTheRecordLayout)
{
    Sheet s(2);
    s.SetCellNumber(1, 1, 101);
    s.SetCellNumber(2, 1, -7);
    s.SetCellNumber(3, 1, 2.5);
    s.SetCellNumber(4, 1, 1e12);
    s.SetCellText(5, 2, ""); // empty texts write no cell
    const QByteArray stream = XlsCodec::workbookStream(s);
    EXPECT_EQ(stream.left(4), QByteArray("\x09\x08\x10\x00", 4)); // BOF
    QTemporaryDir dir;
    const QString path = dir.filePath("n.xls");
    QString error;
    ASSERT_TRUE(XlsCodec().write(path, s, &error));
    Sheet read(2);
    ASSERT_TRUE(XlsCodec().read(path, read, &error)) << error.toStdString();
    for (int row = 1; row <= 4; ++row)
        EXPECT_EQ(read.CellNumber(row, 1), s.CellNumber(row, 1)) << row;
    EXPECT_EQ(read.LastUsedRow(), 4);
    EXPECT_EQ(readFile(path).left(8), QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)); // a compound file
}

// xlrd is a strict reader written independently of this program.
TEST(Exchange, TheExportOpensInXlrd)
{
    // Debian's python3-xlrd (scripts/install-deps.sh installs it) lives with the system python.
    const QString python = QFileInfo::exists("/usr/bin/python3") ? QString("/usr/bin/python3") : QStandardPaths::findExecutable("python3");
    ASSERT_EQ(QProcess::execute(python, {"-c", "import xlrd"}), 0) << "python3-xlrd is needed: run scripts/install-deps.sh";
    BenchFixture f;
    const std::vector<QString> texts = awkwardTexts();
    for (int i = 0; i < static_cast<int>(texts.size()); ++i) {
        f.table().SetCellNumber(i + 1, 1, 101 + i);
        f.table().SetCellText(i + 1, 5, texts[i]);
    }
    for (int row = 100; row <= 9999; ++row)
        f.table().SetCellText(row, 5, QString::fromUtf8("Строка %1").arg(row));
    ExportEditedColumn(*f.bench);
    const QString script = QStringLiteral(
        "import sys, xlrd\n"
        "book = xlrd.open_workbook(sys.argv[1])\n"
        "sheet = book.sheet_by_index(0)\n"
        "print(sheet.nrows, sheet.ncols)\n"
        "for r in range(sheet.nrows):\n"
        "    print(repr(sheet.cell_value(r, 0)) + '\\t' + sheet.cell_value(r, 1))\n");
    QProcess process;
    process.start(python, {"-c", script, exchangePath(f)});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n');
    EXPECT_EQ(lines[0], "10000 2");
    EXPECT_EQ(lines[1], "'Position'\tMessages");
    for (int i = 0; i < static_cast<int>(texts.size()); ++i)
        EXPECT_EQ(lines[i + 2], QString("%1.0\t").arg(101 + i) + texts[i]) << i;
    EXPECT_EQ(lines[10000], QString::fromUtf8("''\tСтрока 9999"));
}

// Workbooks saved by LibreOffice Calc (see fixtures/README.md).
TEST(Exchange, WorkbooksSavedByLibreOfficeImport)
{
    struct Case {
        const char *file;
        std::vector<std::tuple<int, double, QString>> rows; // table row, number, text
    };
    const Case cases[] = {
        {"calc_saved.xls",
         {{1, 101, "Fichier"}, {2, 102, QString::fromUtf8("Enregistrer sous…")}, {3, 103, QString::fromUtf8("Сохранить")},
          {4, 104, QString::fromUtf8("ファイル")}, {5, 105, ""}, {6, 106, "Texte, avec virgule"}, {7, 108, QString::fromUtf8("文件")},
          {8, 0, ""}}},
        {"calc_resaved_export.xls",
         {{1, 101, QString::fromUtf8("変更を保存しますか？2")}, {3, 103, QString::fromUtf8("Done 😀4")}, {4, 104, "=SUM(A1:A2)5"},
          {5, 105, "Don't \"quote\"6"}, {13, 113, QString::fromUtf8("Enregistrer sous… «Très»14")}, {14, 114, QString::fromUtf8("Сохранить изменения?15")},
          {15, 0, ""}}},
    };
    for (const Case &c : cases) {
        BenchFixture f;
        ASSERT_TRUE(QFile::copy(QStringLiteral(LNG_FIXTURES_DIR "/") + c.file, f.folder() + "/XLLanguages.XLS"));
        f.prompts.answers = {Answer::Yes};
        ImportEditedColumn(*f.bench);
        ASSERT_EQ(f.prompts.shown.size(), 1u) << c.file << ": " << f.prompts.texts().join('|').toStdString();
        for (const auto &[row, number, text] : c.rows) {
            EXPECT_EQ(f.table().CellNumber(row, 1), number) << c.file << " row " << row;
            EXPECT_EQ(f.table().CellText(row, 5), text) << c.file << " row " << row;
        }
    }
}

// Formula cells come back from the reader as empty (and Calc does not even store the texts
// they show): importing them would blank the translations, so the workbook is refused.
TEST(Exchange, AWorkbookWithFormulasIsRefused)
{
    BenchFixture f;
    f.loadWith({{101, {{2, "Open"}}}, {102, {{2, "Close"}}}});
    ASSERT_TRUE(QFile::copy(QStringLiteral(LNG_FIXTURES_DIR "/calc_formulas.xls"), exchangePath(f)));
    f.prompts.answers = {Answer::Yes};
    ImportEditedColumn(*f.bench);
    ASSERT_EQ(f.prompts.shown.size(), 2u) << f.prompts.texts().join('|').toStdString();
    EXPECT_EQ(f.prompts.last().text, "Cannot read " + exchangePath(f)
                                         + "\n\ncell B2 holds a formula; only values can be imported. Replace the formulas "
                                           "by their values and save the workbook again.");
    EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
    EXPECT_EQ(f.table().CellText(1, 5), "Open");
    EXPECT_EQ(f.table().CellNumber(2, 1), 102);
    EXPECT_FALSE(f.state.IsModified);
}

// A workbook whose column A does not hold the table's numbers would put its texts into the
// wrong messages: the import asks first, No being the default, and No leaves the table alone.
TEST(Exchange, AWorkbookWhoseNumbersDifferFromTheTableAsksFirst)
{
    struct Case {
        const char *name;
        std::function<void(Sheet &)> fill; // the workbook's first sheet
        int differing;
        QString firstShown;
    };
    const std::vector<Case> cases {
        {"columns swapped",
         [](Sheet &s) {
             for (int row = 2; row <= 4; ++row) {
                 s.SetCellText(row, 1, QStringLiteral("text %1").arg(row));
                 s.SetCellNumber(row, 2, row + 99);
             }
         },
         3, "row 2 of the workbook: message 101 in the table, \"text 2\" in the file"},
        {"empty sheet", [](Sheet &) {}, 3, "row 2 of the workbook: message 101 in the table, nothing in the file"},
        {"another order",
         [](Sheet &s) {
             s.SetCellNumber(2, 1, 101);
             s.SetCellNumber(3, 1, 103);
             s.SetCellNumber(4, 1, 102);
         },
         2, "row 3 of the workbook: message 102 in the table, 103 in the file"},
    };
    for (const Case &c : cases) {
        for (const Answer answer : {Answer::No, Answer::Yes}) {
            BenchFixture f;
            f.loadWith({{101, {{2, "Open"}}}, {102, {{2, "Close"}}}, {103, {{2, "Quit"}}}});
            Sheet workbook(2);
            c.fill(workbook);
            QString error;
            ASSERT_TRUE(XlsCodec().write(exchangePath(f), workbook, &error));
            f.prompts.answers = {Answer::Yes, answer};
            ImportEditedColumn(*f.bench);
            ASSERT_EQ(f.prompts.shown.size(), 2u) << c.name;
            const Shown &question = f.prompts.last();
            EXPECT_EQ(question.buttons, Buttons::YesNoDefaultNo);
            EXPECT_EQ(question.icon, Icon::Question);
            EXPECT_EQ(question.caption, QString("Load Excel file?"));
            EXPECT_TRUE(question.text.startsWith(QStringLiteral("Column A of %1 does not hold the table's message numbers in %2 "
                                                                "of 3 rows, so its texts would go into the wrong messages")
                                                     .arg(exchangePath(f)).arg(c.differing)))
                << c.name << ": " << question.text.toStdString();
            EXPECT_TRUE(question.text.contains(c.firstShown)) << c.name << ": " << question.text.toStdString();
            EXPECT_TRUE(question.text.endsWith("\n\nImport it anyway?"));
            EXPECT_EQ(f.table().CellNumber(1, 1), answer == Answer::No ? 101.0 : workbook.CellNumber(2, 1)) << c.name;
            EXPECT_EQ(f.state.IsModified, answer == Answer::Yes) << c.name;
        }
    }
}
