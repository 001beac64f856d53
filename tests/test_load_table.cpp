#include "Fixtures.h"

#include "app/Texts.h"
#include "db/MessageDatabase.h"
#include "settings/SettingsFile.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
const std::vector<Message> kMessages {
    {101, {{1, "menu"}, {2, "File"}, {3, "Fichier"}, {7, "Datei"}, {17, "Файл"}}},
    {150, {{2, "Open"}, {3, "Ouvrir"}}},                 // comments Null
    {200, {{1, "title"}, {3, "Fermer"}}},                // English Null
    {812, {{1, ""}, {2, "Close"}, {3, "Fermer"}, {7, "Schließen"}}},
};
} // namespace

TEST(LoadTable, PlacesEachRecordOnRowNumberMinus100)
{
    BenchFixture f;
    f.loadWith(kMessages);
    Sheet &t = f.table();
    EXPECT_EQ(t.CellNumber(1, 1), 101.0);
    EXPECT_EQ(t.CellText(1, 2), "menu");
    EXPECT_EQ(t.CellText(1, 3), "File");
    EXPECT_EQ(t.CellText(1, 4), "Fichier"); // French by default
    EXPECT_EQ(t.CellText(1, 5), "File");    // English by default
    EXPECT_EQ(t.CellNumber(50, 1), 150.0);
    EXPECT_EQ(t.CellNumber(712, 1), 812.0);
    EXPECT_EQ(t.CellText(712, 4), "Fermer");
    EXPECT_EQ(t.CellText(2, 1), QString()); // no record: nothing written
    EXPECT_EQ(t.ColumnHeading(4), "French");
    EXPECT_EQ(t.ColumnHeading(5), "English");
    EXPECT_EQ(t.RowLimit(), 712); // locked: the last message's row
    EXPECT_EQ(t.ActiveRow(), 1);
    EXPECT_EQ(t.ActiveColumn(), 1);
    EXPECT_EQ(t.TopVisibleRow(), 1);
    EXPECT_EQ(t.LeftVisibleColumn(), 1);
    EXPECT_EQ(t.mousePointer(), MousePointer::Default);
    EXPECT_TRUE(f.bench->IsLoaded);
    EXPECT_FALSE(f.state.IsModified);
    EXPECT_EQ(f.state.SecondLanguageField, 3);
    EXPECT_EQ(f.state.EditedLanguageField, 2);
    EXPECT_FALSE(QFileInfo::exists(f.bench->settingsPath())); // defaults do not create the file
}

TEST(LoadTable, NullCommentsAndEnglishBecomeEmptyTextsInTheDatabaseOnly)
{
    BenchFixture f;
    f.table().SetCellText(100, 3, "left from before");
    f.loadWith(kMessages);
    EXPECT_EQ(readField(f.dbPath(), 150, 1), QString(""));
    EXPECT_EQ(readField(f.dbPath(), 200, 2), QString(""));
    EXPECT_EQ(f.table().CellText(100, 3), "left from before"); // a Null field writes no cell
    EXPECT_EQ(readField(f.dbPath(), 150, 7), std::nullopt);    // other languages stay Null
    EXPECT_EQ(f.table().CellText(50, 4), "Ouvrir");
}

TEST(LoadTable, FollowsTheSettingsFileAndTheLock)
{
    BenchFixture f;
    SettingsFile::write(f.bench->settingsPath(), {17, 7, "Russian", "German"}, nullptr);
    f.state.IsUnlocked = true;
    f.loadWith(kMessages);
    EXPECT_EQ(f.table().CellText(1, 4), "Файл");
    EXPECT_EQ(f.table().CellText(1, 5), "Datei");
    EXPECT_EQ(f.table().CellText(50, 5), QString()); // Null shows empty
    EXPECT_EQ(f.table().ColumnHeading(4), "Russian");
    EXPECT_EQ(f.table().ColumnHeading(5), "German");
    EXPECT_EQ(f.table().RowLimit(), 9999);
    EXPECT_EQ(f.state.SecondLanguageName, "Russian");
    EXPECT_EQ(f.state.EditedLanguageField, 7);
}

TEST(LoadTable, RecordsOutsideTheTableAreLeftOutAndCounted)
{
    BenchFixture f;
    createDatabase(f.dbPath(), {{100, {{2, "hundred"}}}, {101, {{2, "File"}}}, {10099, {{2, "last"}}},
                                {10100, {{2, "beyond"}}}, {-5, {{2, "negative"}}}});
    ASSERT_TRUE(f.bench->LoadTable());
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().text, texts::recordsLeftOut({"-5", "100", "10100"}));
    EXPECT_EQ(f.prompts.last().icon, Icon::Information);
    EXPECT_EQ(f.prompts.last().caption, QString(""));
    EXPECT_EQ(f.table().CellText(9999, 3), "last");
    EXPECT_EQ(f.table().RowLimit(), 9999);
    EXPECT_EQ(readField(f.dbPath(), 10100, 2), QString("beyond"));
    EXPECT_EQ(recordCount(f.dbPath()), 5);
}

TEST(LoadTable, LoadingAgainOverwritesRowsWithRecordsAndKeepsTheOthers)
{
    BenchFixture f;
    f.loadWith(kMessages);
    f.table().SetCellText(1, 5, "edited but not saved");
    f.table().SetCellText(3, 5, "typed into a row without record");
    ASSERT_TRUE(f.bench->LoadTable());
    EXPECT_EQ(f.table().CellText(1, 5), "File");
    EXPECT_EQ(f.table().CellText(3, 5), "typed into a row without record");
}

// Every failure names the file and its cause, leaves the table alone and the pointer normal.
TEST(LoadTable, FailuresAreReportedWithPathAndCause)
{
    struct Case {
        const char *name;
        std::function<void(BenchFixture &)> make;
        const char *cause;
        bool namesSettings;
    };
    const std::vector<Case> cases {
        {"text file", [](BenchFixture &f) { writeFile(f.dbPath(), "Position\tEnglish\n101\tFile\n"); }, "not a database", false},
        {"missing table",
         [](BenchFixture &f) {
             sqlite::Connection c;
             c.open(f.dbPath(), sqlite::Connection::Mode::Create, nullptr);
             c.exec("CREATE TABLE Messages (n)");
         },
         "table Languages is missing", false},
        {"empty table", [](BenchFixture &f) { createDatabase(f.dbPath(), {}); }, "holds no record", false},
        {"short settings",
         [](BenchFixture &f) {
             createDatabase(f.dbPath(), kMessages);
             writeFile(f.bench->settingsPath(), "3\r\n2\r\n");
         },
         "2 line(s)", true},
        {"field beyond the table",
         [](BenchFixture &f) {
             createDatabase(f.dbPath(), kMessages);
             writeFile(f.bench->settingsPath(), "3\r\n25\r\nFrench\r\nNobody\r\n");
         },
         "field 25", true},
    };
    for (const Case &c : cases) {
        BenchFixture f;
        c.make(f);
        f.table().SetCellText(5, 5, "kept");
        EXPECT_FALSE(f.bench->LoadTable()) << c.name;
        ASSERT_EQ(f.prompts.shown.size(), 1u) << c.name;
        const Shown &box = f.prompts.last();
        EXPECT_EQ(box.icon, Icon::Critical) << c.name;
        EXPECT_EQ(box.caption, QString("")) << c.name;
        EXPECT_TRUE(box.text.contains(c.namesSettings ? f.bench->settingsPath() : f.dbPath())) << c.name;
        EXPECT_TRUE(box.text.contains(QString::fromLatin1(c.cause))) << c.name << ": " << box.text.toStdString();
        EXPECT_EQ(f.table().CellText(5, 5), "kept") << c.name;
        EXPECT_EQ(f.table().mousePointer(), MousePointer::Default) << c.name;
        EXPECT_FALSE(f.bench->IsLoaded) << c.name;
    }
}

TEST(LoadTable, ADatabaseLockedByAnotherProgramIsReported)
{
    BenchFixture f;
    createDatabase(f.dbPath(), kMessages);
    sqlite::Connection other;
    ASSERT_TRUE(other.open(f.dbPath(), sqlite::Connection::Mode::ReadWrite, nullptr));
    ASSERT_TRUE(other.exec("BEGIN EXCLUSIVE"));
    EXPECT_FALSE(f.bench->LoadTable());
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_TRUE(f.prompts.last().text.contains("database is locked")) << f.prompts.last().text.toStdString();
    EXPECT_TRUE(f.prompts.last().text.contains(f.dbPath()));
}

// Numbers that are no whole number from 101 to 10099, however they are stored, are left out
// and named as stored; a fractional number never takes the row of the whole one.
TEST(LoadTable, OddNumbersAreLeftOutAndNamedAsStored)
{
    BenchFixture f;
    createDatabase(f.dbPath(), {{101, {{1, ""}, {2, "File"}}}});
    execSql(f.dbPath(), "DROP INDEX MainIndex; CREATE INDEX MainIndex ON Languages (Number);"
                        "INSERT INTO Languages (Number, Comments, English) VALUES (101.5, '', 'half'), (9223372036854775807, '', 'big'), "
                        "(1e20, '', 'huge'), (9e999, '', 'infinite'), ('abc', '', 'letters'), (x'01', '', 'binary')");
    ASSERT_TRUE(f.bench->LoadTable());
    EXPECT_EQ(f.prompts.texts(), QStringList {texts::recordsLeftOut({"101.5", "9223372036854775807", "1e+20", "inf", "'abc'", "binary data"})});
    EXPECT_EQ(f.table().CellText(1, 3), "File");
    EXPECT_EQ(f.table().RowLimit(), 1);
}

// A database that cannot be written is still shown; its Null texts stay Null, and the user is
// told once, before typing, that edits cannot be saved.
TEST(LoadTable, AReadOnlyDatabaseIsShownAndSaidToBeReadOnly)
{
    BenchFixture f;
    createDatabase(f.dbPath(), {{101, {{2, "File"}}}, {102, {{1, "menu"}}}}); // Null comments, Null English
    handOver(f.dbPath(), 0444);
    handOver(f.folder(), 0777);
    const QString seen = inChildProcess(becomeUnprivileged, [&] {
        const bool loaded = f.bench->LoadTable();
        return QStringLiteral("%1|%2|%3|").arg(loaded).arg(f.table().CellText(1, 3), f.table().CellText(2, 2))
               + f.prompts.texts().join('|');
    });
    EXPECT_EQ(seen, "1|File|menu|" + texts::databaseReadOnly(f.dbPath(), "the file is read-only (Permission denied)"));
    EXPECT_EQ(readField(f.dbPath(), 101, 1), std::nullopt); // left as it was
    EXPECT_EQ(readField(f.dbPath(), 102, 2), std::nullopt);

    // A read-only folder: the same one note, and no word of another window.
    handOver(f.dbPath(), 0644);
    handOver(f.folder(), 0555);
    const QString inFolder = inChildProcess(becomeUnprivileged, [&] {
        f.prompts.clear();
        f.bench->LoadTable();
        return f.prompts.texts().join('|');
    });
    EXPECT_EQ(inFolder, texts::databaseReadOnly(f.dbPath(), QStringLiteral("the folder %1 is read-only, and a save writes its journal "
                                                                           "there (Permission denied)").arg(f.folder())));
    handOver(f.folder(), 0700);
}
