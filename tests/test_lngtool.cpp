#include "Fixtures.h"

#include "exchange/BuildCommand.h"
#include "exchange/XlsFile.h"
#include "db/MessageDatabase.h"
#include "settings/SettingsFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QXmlStreamReader>

#include <csignal>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
struct ToolRun {
    int status;
    QString out;
    QString err;
};

ToolRun lngtool(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(LNG_TOOL_PATH), args);
    if (!process.waitForFinished(60000))
        return {-1, {}, QStringLiteral("lngtool did not finish")};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

const std::vector<Message> kMessages {
    {100, {{2, "Hundred"}, {17, "Сто"}}},
    {101, {{1, "menu"}, {2, "File"}, {3, "Fichier"}, {7, "Datei"}, {8, "File"}, {17, "Файл"}}},
    {102, {{2, "Edit"}, {3, "Édition"}, {7, "bearbeiten"}, {17, "правка"}}}, // English comments Null
    {105, {{2, "  Close  "}, {3, "fermer"}, {7, "Schließen"}, {17, "   "}}},
};

QByteArray hashOf(const QString &path)
{
    return QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256);
}
} // namespace

TEST(LngTool, BuildWritesTheSameBytesAsTheWindow)
{
    for (const char *language : {"Russian", "German", "English"}) {
        BenchFixture window;
        const std::int16_t field = *window.state.catalogue.fieldOf(language);
        ASSERT_TRUE(SettingsFile::write(window.bench->settingsPath(), {3, field, "French", language}, nullptr));
        createDatabase(window.dbPath(), kMessages);
        ASSERT_TRUE(window.bench->LoadTable());
        BuildMessageFile(*window.bench);
        const QByteArray expected = readFile(window.folder() + "/TQRes" + language + ".dll");
        ASSERT_FALSE(expected.isEmpty());

        QTemporaryDir dir;
        createDatabase(dir.filePath("AllLanguages.Lng"), kMessages);
        const ToolRun run = lngtool({"build", "--folder", dir.path(), language});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, dir.path() + "/TQRes" + language + ".dll was built\n");
        EXPECT_EQ(readFile(dir.filePath(QString("TQRes%1.dll").arg(language))), expected) << language;
    }
}

TEST(LngTool, BuildAllWritesEveryLanguageOnce)
{
    QTemporaryDir dir;
    createDatabase(dir.filePath("AllLanguages.Lng"), kMessages);
    const ToolRun run = lngtool({"build", "--all", "--folder", dir.path()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.count("was built"), 18);
    const QStringList files = QDir(dir.path()).entryList({"TQRes*.dll"});
    EXPECT_EQ(files.size(), 18);
    EXPECT_TRUE(files.contains("TQRes[Comments].dll"));
    EXPECT_TRUE(readFile(dir.filePath("TQResItalian.dll")).contains("\r\nFile\r\n")); // field 8
}

TEST(LngTool, WarningsGoToStandardError)
{
    QTemporaryDir dir;
    createDatabase(dir.filePath("AllLanguages.Lng"), {{100, {{17, "Файл ファイル"}}}, {99, {{17, "x"}}}});
    const ToolRun run = lngtool({"build", "Russian", "--folder", dir.path()});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.contains("1 message(s) hold characters that code page 1251 cannot hold")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("1 message(s) numbered outside 100 to 10100")) << run.err.toStdString();
}

TEST(LngTool, ErrorsNameTheCauseAndExitNonZero)
{
    QTemporaryDir dir;
    struct Case {
        QStringList args;
        int status;
        QString err; // contained in standard error
    };
    const std::vector<Case> cases {
        {{}, 2, "no command given"},
        {{"frobnicate"}, 2, "unknown command \"frobnicate\""},
        {{"build", "Klingon", "--folder", dir.path()}, 2, "unknown language \"Klingon\"; the languages are: English, Danish"},
        {{"build", "--folder", dir.path()}, 2, "name the languages to build, or give --all"},
        {{"build", "German", "--folder", dir.path()}, 1, dir.path() + "/AllLanguages.Lng: the file does not exist"},
        {{"stats", "--folder", dir.filePath("nowhere")}, 1, dir.filePath("nowhere") + ": no such folder"},
        {{"stats", "--bogus", "--folder", dir.path()}, 2, "unknown option --bogus"},
        {{"context", "abc", "--folder", dir.path()}, 2, "\"abc\" is not a message number"},
        {{"export", "German", "--output"}, 2, "--output needs a value"},
    };
    for (const Case &c : cases) {
        const ToolRun run = lngtool(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.err)) << c.args.join(' ').toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    writeFile(dir.filePath("AllLanguages.Lng"), "text, not a database");
    const ToolRun damaged = lngtool({"stats", "--folder", dir.path()});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_TRUE(damaged.err.contains("not a database")) << damaged.err.toStdString();
}

TEST(LngTool, ReadingCommandsNeverWriteTheDatabase)
{
    QTemporaryDir dir;
    const QString db = dir.filePath("AllLanguages.Lng");
    createDatabase(db, kMessages); // holds Null English and comments, which a load would fill
    writeFile(dir.filePath("GhostSources.bin"), "x = TXL(101)\r\n");
    const QByteArray before = hashOf(db);
    const QDateTime modified = QFileInfo(db).lastModified();
    for (const QStringList &args : std::vector<QStringList> {{"stats"}, {"stats", "--csv"}, {"build", "--all"},
                                                             {"export", "German"}, {"check-case", "German"}, {"context", "101"}}) {
        const ToolRun run = lngtool(args + QStringList {"--folder", dir.path()});
        EXPECT_LE(run.status, 1) << args.join(' ').toStdString() << ": " << run.err.toStdString();
        EXPECT_EQ(hashOf(db), before) << args.join(' ').toStdString();
    }
    EXPECT_EQ(QFileInfo(db).lastModified(), modified);
    EXPECT_FALSE(QFileInfo::exists(db + "-journal"));
}

TEST(LngTool, StatsPerLanguage)
{
    QTemporaryDir dir;
    createDatabase(dir.filePath("AllLanguages.Lng"), kMessages);
    const ToolRun csv = lngtool({"stats", "--csv", "--folder", dir.path()});
    EXPECT_EQ(csv.status, 0);
    const QStringList lines = csv.out.split('\n');
    EXPECT_EQ(lines[0], "language,messages,translated,blank,percent");
    EXPECT_EQ(lines[1], "English,4,4,0,100.0");
    EXPECT_EQ(lines[2], "Danish,4,0,4,0.0");
    EXPECT_TRUE(csv.out.contains("\nRussian,4,3,1,75.0\n")); // "   " is not a translation
    EXPECT_TRUE(csv.out.contains("\nItalian,4,1,3,25.0\n"));
    EXPECT_EQ(csv.out.count("Italian"), 1);
    EXPECT_TRUE(csv.out.endsWith("[Comments],4,1,3,25.0\n"));

    const ToolRun table = lngtool({"--folder", dir.path(), "stats"});
    EXPECT_TRUE(table.out.startsWith("Language      Messages  Translated     Blank  Percent\n")) << table.out.toStdString();
    EXPECT_TRUE(table.out.contains("\nRussian              4           3         1     75.0\n")) << table.out.toStdString();
}

TEST(LngTool, CheckCaseListsMismatchesAndFailsOnThem)
{
    QTemporaryDir dir;
    createDatabase(dir.filePath("AllLanguages.Lng"), kMessages);
    const ToolRun run = lngtool({"check-case", "German", "--folder", dir.path()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, QString::fromUtf8("102\tfirst-letter\tÉdition\tbearbeiten\n"
                                         "105\tfirst-letter\tfermer\tSchließen\n"
                                         "105\twhole-string\tfermer\tSchließen\n"
                                         "2 does not match for first letter case and 1 does not match for whole string case.\n"));
    const ToolRun clean = lngtool({"check-case", "German", "--second", "german", "--folder", dir.path()});
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, "0 does not match for first letter case and 0 does not match for whole string case.\n");
}

TEST(LngTool, ContextListsLinesWithTheirCallsResolved)
{
    QTemporaryDir dir;
    createDatabase(dir.filePath("AllLanguages.Lng"), kMessages);
    SettingsFile::write(dir.filePath("KdsSettings.ini"), {3, 17, "French", "Russian"}, nullptr);
    writeFile(dir.filePath("GhostSources.bin"), "a = TXL(101) & TXL(102)\r\nb = 1\r\ntxl(101)\r\n");
    const ToolRun run = lngtool({"context", "101", "--folder", dir.path()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QString tail(10, ' ');
    EXPECT_EQ(run.out, "2 MESSAGE(S) FOUND\n\na = TXL(101) & TXL(102)\na = \"Файл\" & \"правка\"" + tail + tail +
                           "\n\ntxl(101)\n\"Файл\"" + tail + "\n");
    const ToolRun german = lngtool({"context", "101", "--language", "German", "--folder", dir.path()});
    EXPECT_TRUE(german.out.contains("a = \"Datei\" & \"bearbeiten\""));

    QFile::remove(dir.filePath("GhostSources.bin"));
    const ToolRun missing = lngtool({"context", "101", "--folder", dir.path()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("cannot find " + dir.path() + "/GhostSources.bin"));
}

TEST(LngTool, ExportWritesTheExchangeLayout)
{
    QTemporaryDir dir;
    createDatabase(dir.filePath("AllLanguages.Lng"), kMessages);
    const ToolRun run = lngtool({"export", "Russian", "--folder", dir.path()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("1 message(s) numbered outside 101 to 10099"));
    Sheet read(2);
    QString error;
    ASSERT_TRUE(XlsCodec().read(dir.filePath("XLLanguages.XLS"), read, &error)) << error.toStdString();
    EXPECT_EQ(read.CellText(1, 1), "Position");
    EXPECT_EQ(read.CellText(1, 2), "Messages");
    EXPECT_EQ(read.CellNumber(2, 1), 101.0);
    EXPECT_EQ(read.CellText(2, 2), QString::fromUtf8("Файл"));
    EXPECT_EQ(read.CellNumber(6, 1), 105.0);
    EXPECT_EQ(read.CellTypeAt(4, 1), CellType::Empty); // no message 103

    const QString elsewhere = dir.filePath("out/ru.xls");
    QDir(dir.path()).mkdir("out");
    EXPECT_EQ(lngtool({"export", "russian", "--output", elsewhere, "--folder", dir.path()}).status, 0);
    EXPECT_TRUE(QFileInfo::exists(elsewhere));
}

TEST(LngTool, CreateMakesAnEmptyDatabaseAndRefusesToOverwrite)
{
    QTemporaryDir dir;
    const ToolRun run = lngtool({"create", "--folder", dir.path()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QString db = dir.filePath("AllLanguages.Lng");
    MessageDatabase opened;
    QString error;
    EXPECT_TRUE(opened.open(db, MessageDatabase::Access::ReadOnly, &error)) << error.toStdString();
    const QByteArray before = readFile(db);
    const ToolRun again = lngtool({"create", "--folder", dir.path()});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains("already exists"));
    EXPECT_EQ(readFile(db), before);
    EXPECT_EQ(lngtool({"create", dir.filePath("Other.Lng")}).status, 0);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("Other.Lng")));
}

TEST(LngTool, HelpAndVersion)
{
    EXPECT_EQ(lngtool({"--version"}).out, "lngtool 1.4.0\n");
    for (const char *command : {"build", "stats", "export", "check-case", "context", "create"}) {
        const ToolRun help = lngtool({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_TRUE(help.out.startsWith(QString("usage: lngtool %1").arg(command))) << command;
    }
    EXPECT_TRUE(lngtool({"--help"}).out.contains("check-case LANGUAGE"));
}

// Export: a fractional number never takes the row of the whole one, and texts a cell cannot
// hold whole are named.
TEST(LngTool, ExportLeavesOutOddNumbersAndNamesTextsTooLongForACell)
{
    QTemporaryDir dir;
    createDatabase(dir.filePath("AllLanguages.Lng"), {{101, {{17, "Файл"}}}, {102, {{17, QString(40000, 'x')}}}});
    execSql(dir.filePath("AllLanguages.Lng"), "INSERT INTO Languages (Number, Russian) VALUES (101.5, 'half')");
    const ToolRun run = lngtool({"export", "Russian", "--folder", dir.path()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("1 message(s) numbered outside 101 to 10099, or not by a whole number")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("warning: " + XlsCodec::longTextWarning({"102"}))) << run.err.toStdString();
    Sheet read(2);
    QString error;
    ASSERT_TRUE(XlsCodec().read(dir.filePath("XLLanguages.XLS"), read, &error)) << error.toStdString();
    EXPECT_EQ(read.CellText(2, 2), QString::fromUtf8("Файл"));
    EXPECT_EQ(read.CellText(3, 2).size(), XlsCodec::MaxTextLength);
}

// A save killed before its commit leaves a journal that only a writer can roll back: reading
// commands do that, and then read what the database held before the save.
TEST(LngToolDeathTest, ReadingCommandsRecoverFromASaveCutOff)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    BenchFixture f;
    std::vector<Message> messages;
    for (int n = 101; n <= 600; ++n)
        messages.push_back({n, {{2, QStringLiteral("English %1").arg(n)}}});
    createDatabase(f.dbPath(), messages);
    EXPECT_EXIT(
        {
            f.bench->LoadTable();
            for (int row = 1; row <= 500; ++row)
                f.table().SetCellText(row, 5, QStringLiteral("saved %1").arg(row));
            f.state.IsPasswordGiven = true;
            f.bench->setSaveRowObserver([](int row) {
                if (row == 400)
                    std::raise(SIGKILL);
            });
            f.bench->SaveTable();
            std::exit(0);
        },
        testing::KilledBySignal(SIGKILL), "");
    ASSERT_GT(QFileInfo(f.dbPath() + "-journal").size(), 0) << "the killed save left no journal";
    const ToolRun run = lngtool({"stats", "--csv", "--folder", f.folder()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("English,500,500,0")) << run.out.toStdString();
    EXPECT_EQ(readField(f.dbPath(), 150, 2), QString("English 150"));
}

TEST(LngTool, CheckReportsFindingsInEachFormatAndFailsOnErrors)
{
    QTemporaryDir dir;
    createDatabase(dir.filePath("AllLanguages.Lng"),
                   {{101, {{2, "Delete %1?"}, {7, "%1 löschen."}, {17, "Удалить %1?"}}}, {102, {{2, "Open"}, {7, "Öffnen"}, {17, "Открыть"}}},
                    {103, {{2, "Save"}, {7, "Speichern"}, {17, "Save"}}}});
    const QString folder = dir.path();

    ToolRun run = lngtool({"check", "German", "Russian", "--folder", folder});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "German\t101\tpunctuation\twarning\tEnglish ends with \"?\", the translation with \".\"\n"
                       "Russian\t103\tunchanged\twarning\tthe same as the English text\n");
    EXPECT_TRUE(run.err.contains("German: 0 error(s), 1 warning(s) in 3 translated messages")) << run.err.toStdString();
    EXPECT_EQ(lngtool({"check", "German", "--strict", "--folder", folder}).status, 1);
    EXPECT_EQ(lngtool({"check", "German", "--checks", "placeholders,numbers", "--folder", folder}).out, "");

    execSql(dir.filePath("AllLanguages.Lng"), "UPDATE Languages SET German = 'löschen?' WHERE Number = 101");
    run = lngtool({"check", "--all", "--format", "json", "--folder", folder});
    EXPECT_EQ(run.status, 1) << "a lost %1 is an error";
    const QJsonArray findings = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(findings.size(), 2) << run.out.toStdString();
    EXPECT_EQ(findings[0].toObject()["language"].toString(), "German");
    EXPECT_EQ(findings[0].toObject()["message"].toInt(), 101);
    EXPECT_EQ(findings[0].toObject()["check"].toString(), "placeholders");
    EXPECT_EQ(findings[0].toObject()["severity"].toString(), "error");
    EXPECT_EQ(findings[0].toObject()["detail"].toString(), "missing %1");

    run = lngtool({"check", "German", "Russian", "--format", "junit", "--folder", folder});
    QXmlStreamReader xml(run.out);
    QStringList failures;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("failure"))
            failures << xml.attributes().value("type").toString() + ": " + xml.attributes().value("message").toString();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(failures, (QStringList {"error: missing %1", "warning: the same as the English text"}));

    EXPECT_EQ(lngtool({"check", "German", "--format", "yaml", "--folder", folder}).status, 2);
    EXPECT_EQ(lngtool({"check", "German", "--checks", "spelling", "--folder", folder}).status, 2);
}
