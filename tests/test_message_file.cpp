#include "Fixtures.h"

#include "app/Texts.h"
#include "exchange/BuildCommand.h"
#include "exchange/MessageFileBuilder.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QFileInfo>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
QByteArray header(const QByteArray &language)
{
    return "Tesmora V6\r\n6.07\r\n" + language + "\r\n" + QByteArray("\r\n").repeated(27);
}

// Loads the table for `edited` (field `field`); message 100 has no row, so the load's note
// about it is dismissed.
void loadFor(BenchFixture &f, const std::vector<Message> &messages, std::int16_t field, const QString &edited)
{
    ASSERT_TRUE(SettingsFile::write(f.bench->settingsPath(), {3, field, "French", edited}, nullptr));
    createDatabase(f.dbPath(), messages);
    ASSERT_TRUE(f.bench->LoadTable());
    f.prompts.clear();
}

QString builtPath(const BenchFixture &f, const QString &language)
{
    return f.folder() + "/TQRes" + language + ".dll";
}
} // namespace

TEST(MessageFile, HeaderThenOneLinePerMessageNumber)
{
    BenchFixture f;
    loadFor(f, {{100, {{7, "Hundert"}}}, {101, {{7, "  Datei öffnen  "}}}, {105, {{7, "Schließen"}}}, {103, {}}}, 7, "German");
    BuildMessageFile(*f.bench);
    const QByteArray expected = header("German") + "Hundert\r\nDatei \xF6" "ffnen\r\n\r\n\r\n\r\nSchlie\xDF" "en\r\n";
    const QByteArray built = readFile(builtPath(f, "German"));
    EXPECT_EQ(built, expected);
    EXPECT_EQ(built.count("\r\n"), 36);
    EXPECT_EQ(built.count('\n'), 36); // no bare line feeds
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().text, f.folder() + "/TQResGerman.dll was built");
    EXPECT_EQ(f.prompts.last().icon, Icon::Information);
    EXPECT_EQ(f.prompts.last().caption, QString(""));
}

TEST(MessageFile, OnlyMessage100GivesThirtyOneLines)
{
    QTemporaryDir dir;
    createDatabase(dir.filePath("AllLanguages.Lng"), {{100, {{2, "  first  "}}}});
    const BuildReport report = buildMessageFileIn(dir.path(), 2, "English");
    ASSERT_TRUE(report.ok()) << report.error.toStdString();
    EXPECT_EQ(readFile(report.path), header("English") + "first\r\n");
}

TEST(MessageFile, EachLanguageIsWrittenInItsCodePage)
{
    struct Case {
        const char *language;
        int field;
        const char *text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"French", 3, "Édition €", "\xC9" "dition \x80"},
        {"[Comments]", 1, "naïve", "na\xEF" "ve"},
        {"Czech", 18, "Uložit", "Ulo\x9E" "it"},
        {"Slovak", 19, "Ťah", "\x8D" "ah"},
        {"Russian", 17, "Файл", "\xD4\xE0\xE9\xEB"},
        {"Japanese", 9, "ファイル", "\x83\x74\x83\x40\x83\x43\x83\x8B"},
        {"Chinese", 15, "文件", "\xCE\xC4\xBC\xFE"},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        createDatabase(dir.filePath("AllLanguages.Lng"), {{100, {{c.field, QString::fromUtf8(c.text)}}}});
        const BuildReport report = buildMessageFileIn(dir.path(), c.field, c.language);
        ASSERT_TRUE(report.ok()) << c.language << ": " << report.error.toStdString();
        EXPECT_EQ(QFileInfo(report.path).fileName(), QString("TQRes%1.dll").arg(c.language));
        EXPECT_EQ(readFile(report.path), header(c.language) + c.bytes + "\r\n") << c.language;
        EXPECT_TRUE(report.unrepresentable.isEmpty()) << c.language;
    }
}

TEST(MessageFile, CharactersTheCodePageCannotHoldAreQuestionMarksAndReported)
{
    BenchFixture f;
    loadFor(f, {{100, {{17, "Файл"}}}, {101, {{17, "Файл ファイル"}}}, {102, {{17, "😀"}}}, {99, {{17, "x"}}}, {10101, {{17, "y"}}}},
            17, "Russian");
    BuildMessageFile(*f.bench);
    EXPECT_EQ(readFile(builtPath(f, "Russian")), header("Russian") + "\xD4\xE0\xE9\xEB\r\n\xD4\xE0\xE9\xEB ????\r\n?\r\n");
    ASSERT_EQ(f.prompts.shown.size(), 2u) << f.prompts.texts().join('|').toStdString(); // built, then the warning
    EXPECT_EQ(f.prompts.shown[0].text, builtPath(f, "Russian") + " was built");
    const Shown &warning = f.prompts.last();
    EXPECT_EQ(warning.icon, Icon::Exclamation);
    EXPECT_EQ(warning.caption, QString(""));
    EXPECT_TRUE(warning.text.startsWith("2 message(s) hold characters that code page 1251 cannot hold")) << warning.text.toStdString();
    EXPECT_TRUE(warning.text.contains("(messages 101, 102)"));
    EXPECT_TRUE(warning.text.contains("2 message(s) numbered outside 100 to 10100 have no line in the file and were left out (messages 99, 10101)"))
        << warning.text.toStdString();
}

TEST(MessageFile, NullTextsGiveEmptyLinesAndUnsavedEditsDoNotCount)
{
    BenchFixture f;
    loadFor(f, {{100, {}}, {101, {{7, "Datei"}}}}, 7, "German");
    f.table().SetCellText(1, 5, "unsaved edit");
    BuildMessageFile(*f.bench);
    EXPECT_EQ(readFile(builtPath(f, "German")), header("German") + "\r\nDatei\r\n");
}

TEST(MessageFile, NamesThatCannotFormAFileNameWriteNothing)
{
    for (const char *name : {"", "../Evil", "a/b", "a\\b", "tab\there", ".."}) {
        QTemporaryDir dir;
        createDatabase(dir.filePath("AllLanguages.Lng"), {{100, {{2, "x"}}}});
        const BuildReport report = buildMessageFileIn(dir.path(), 2, QString::fromLatin1(name));
        EXPECT_FALSE(report.ok()) << name;
        EXPECT_TRUE(report.error.contains("cannot form a file name")) << name;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList {"AllLanguages.Lng"}) << name;
        EXPECT_FALSE(QFileInfo::exists(dir.path() + "/../Evil.dll"));
    }
}

TEST(MessageFile, AFailedBuildLeavesThePreviousFileWhole)
{
    BenchFixture f;
    loadFor(f, {{100, {{2, "x"}}}}, 2, "English");
    f.state.IsPasswordGiven = true;
    BuildMessageFile(*f.bench);
    const QByteArray before = readFile(builtPath(f, "English"));
    ASSERT_FALSE(before.isEmpty());

    f.prompts.clear();
    writeFile(f.dbPath(), "damaged");
    BuildMessageFile(*f.bench);
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
    EXPECT_TRUE(f.prompts.last().text.contains(builtPath(f, "English")));
    EXPECT_TRUE(f.prompts.last().text.contains(f.dbPath()));
    EXPECT_TRUE(f.prompts.last().text.contains("not a database"));
    EXPECT_EQ(readFile(builtPath(f, "English")), before);
    EXPECT_EQ(f.table().mousePointer(), MousePointer::Default);
}

TEST(MessageFile, AFolderThatCannotBeWrittenIsReported)
{
    QTemporaryDir dir;
    createDatabase(dir.filePath("AllLanguages.Lng"), {{100, {{2, "x"}}}});
    // A directory in the file's place stops the write for every user, root included.
    ASSERT_TRUE(QDir(dir.path()).mkdir("TQResEnglish.dll"));
    BuildReport report = buildMessageFileIn(dir.path(), 2, "English");
    EXPECT_FALSE(report.ok());
    EXPECT_TRUE(report.error.startsWith(dir.path() + "/TQResEnglish.dll: ")) << report.error.toStdString();

    QDir(dir.path()).rmdir("TQResEnglish.dll");
    if (geteuid() == 0)
        return; // permissions do not bind root
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    report = buildMessageFileIn(dir.path(), 2, "English");
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_FALSE(report.ok());
}

TEST(MessageFile, TwoBuildsGiveIdenticalBytes)
{
    QTemporaryDir dir;
    createDatabase(dir.filePath("AllLanguages.Lng"), {{150, {{15, "文件"}}}, {120, {{15, "保存"}}}});
    const BuildReport first = buildMessageFileIn(dir.path(), 15, "Chinese");
    const QByteArray bytes = readFile(first.path);
    const BuildReport second = buildMessageFileIn(dir.path(), 15, "Chinese");
    EXPECT_EQ(readFile(second.path), bytes);
    EXPECT_EQ(bytes.count("\r\n"), 30 + 51);

    // The records stored in number order give the same file as the ones stored out of order.
    QTemporaryDir ordered;
    createDatabase(ordered.filePath("AllLanguages.Lng"), {{120, {{15, "保存"}}}, {150, {{15, "文件"}}}});
    EXPECT_EQ(readFile(buildMessageFileIn(ordered.path(), 15, "Chinese").path), bytes);
    EXPECT_EQ(bytes.mid(header("Chinese").size()), QByteArray("\r\n").repeated(20) + "\xB1\xA3\xB4\xE6\r\n" +
                                                        QByteArray("\r\n").repeated(29) + "\xCE\xC4\xBC\xFE\r\n");
}

TEST(BuildDllCommand, AsksToSaveFirstAndNoCancels)
{
    BenchFixture f;
    loadFor(f, {{100, {{7, "Hundert"}}}, {101, {{7, "Datei"}}}}, 7, "German");
    f.table().SetCellText(1, 5, "changed");
    f.state.IsModified = true;
    f.prompts.answers = {Answer::No};
    ASSERT_TRUE(f.bench->dispatcher().dispatch("ID_BuildDLL"));
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().text, "Must save changes first.\r\rDo you want to save now?");
    EXPECT_EQ(f.prompts.last().caption, QString("Save changes?"));
    EXPECT_EQ(f.prompts.last().icon, Icon::Question);
    EXPECT_EQ(f.prompts.last().buttons, Buttons::YesNo);
    EXPECT_FALSE(QFileInfo::exists(builtPath(f, "German")));
    EXPECT_TRUE(f.state.IsModified);

    f.prompts.answers = {Answer::Yes};
    f.bench->dispatcher().dispatch("ID_BuildDLL");
    EXPECT_EQ(readFile(builtPath(f, "German")), header("German") + "Hundert\r\nchanged\r\n");
}

TEST(BuildDllCommand, ARefusedPasswordBuildsNothing)
{
    BenchFixture f;
    loadFor(f, {{100, {{2, "Hundred"}}}}, 2, "English");
    f.state.IsModified = true;
    f.prompts.answers = {Answer::Yes};
    f.prompts.inputs = {"wrong"};
    f.bench->dispatcher().dispatch("ID_BuildDLL");
    EXPECT_EQ(f.prompts.last().text, "Wrong password!");
    EXPECT_FALSE(QFileInfo::exists(builtPath(f, "English")));
}

TEST(BuildDllCommand, RefusesAnUnloadedTable)
{
    BenchFixture f;
    createDatabase(f.dbPath(), {{100, {{2, "x"}}}});
    f.bench->dispatcher().dispatch("ID_BuildDLL");
    ASSERT_EQ(f.prompts.texts(), QStringList {"Must load the file first!"});
    EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
    EXPECT_EQ(f.prompts.last().caption, QString(""));
}

// Texts another program stored with line breaks or bytes that are not UTF-8: every message
// keeps its own line, and the warning names the messages.
TEST(MessageFile, EachMessageKeepsItsLineWhateverTheDatabaseHolds)
{
    BenchFixture f;
    loadFor(f, {{100, {{2, "a"}}}, {101, {{2, "one\r\ntwo"}}}, {102, {{2, "tab\there\x01"}}}, {103, {{2, "plain"}}}}, 2, "English");
    execSql(f.dbPath(), "INSERT INTO Languages (Number, English) VALUES (104, x'4F4BFF'), (105, x'0041'), (106, 'after')");
    BuildMessageFile(*f.bench);
    EXPECT_EQ(readFile(builtPath(f, "English")),
              header("English") + "a\r\none  two\r\ntab here\r\nplain\r\nOK?\r\nA\r\nafter\r\n");
    ASSERT_EQ(f.prompts.shown.size(), 2u) << f.prompts.texts().join('|').toStdString();
    EXPECT_EQ(f.prompts.last().text, buildWarnings(buildMessageFileIn(f.folder(), 2, "English")).join("\n\n"));
    EXPECT_TRUE(f.prompts.last().text.contains("3 message(s) hold line breaks, tabs or other control characters, which were "
                                               "written as spaces so that every message keeps its line (messages 101, 102, 105)."));
    EXPECT_TRUE(f.prompts.last().text.contains("1 message(s) could not be read as text")) << f.prompts.last().text.toStdString();
    EXPECT_TRUE(f.prompts.last().text.contains("(messages 104)"));
}

// A write that fails names its cause (here: a file size limit, as a full disk would).
TEST(MessageFile, AFailingWriteNamesItsCause)
{
    QTemporaryDir dir;
    std::vector<Message> messages;
    for (int n = 100; n <= 3000; ++n)
        messages.push_back({n, {{2, QStringLiteral("English text of message %1").arg(n)}}});
    createDatabase(dir.filePath("AllLanguages.Lng"), messages);
    const auto limitFileSize = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit {20000, 20000};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    const QString error = inChildProcess(limitFileSize, [&] { return buildMessageFileIn(dir.path(), 2, "English").error; });
    EXPECT_EQ(error, dir.path() + "/TQResEnglish.dll: File too large");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("TQResEnglish.dll")));
}
