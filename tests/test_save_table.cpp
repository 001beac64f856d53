#include "Fixtures.h"

#include "app/Texts.h"
#include "db/MessageDatabase.h"
#include "db/TableSaver.h"
#include "settings/SettingsFile.h"

#include <QFileInfo>

#include <csignal>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
const std::vector<Message> kMessages {
    {101, {{1, "menu"}, {2, "File"}, {3, "Fichier"}, {7, "Datei"}}},
    {102, {{1, "menu"}, {2, "Edit"}, {3, "Édition"}}},
    {103, {{2, "View"}}}, // comments and French Null
};

// Counts the writes the database receives from now on.
void logUpdates(const QString &path)
{
    sqlite::Connection c;
    ASSERT_TRUE(c.open(path, sqlite::Connection::Mode::ReadWrite, nullptr));
    ASSERT_TRUE(c.exec("CREATE TABLE UpdateLog (n); "
                       "CREATE TRIGGER LogUpdate AFTER UPDATE ON Languages BEGIN INSERT INTO UpdateLog VALUES (NEW.Number); END; "
                       "CREATE TRIGGER LogInsert AFTER INSERT ON Languages BEGIN INSERT INTO UpdateLog VALUES (NEW.Number); END;"));
}

int loggedWrites(const QString &path)
{
    sqlite::Connection c;
    c.open(path, sqlite::Connection::Mode::ReadOnly, nullptr);
    sqlite::Statement s;
    s.prepare(c, "SELECT count(*) FROM UpdateLog", nullptr);
    s.step();
    return static_cast<int>(s.integer(0));
}

void useLanguages(BenchFixture &f, LanguageSelection selection)
{
    ASSERT_TRUE(SettingsFile::write(f.bench->settingsPath(), selection, nullptr));
}
} // namespace

TEST(CleanText, ControlCharactersQuotesAndOuterSpaces)
{
    struct Case {
        QString in;
        QString out;
    };
    const Case cases[] = {
        {"  Save \"all\"\t", "Save 'all'"},
        {"line\r\nbreak", "line  break"},
        {"\ttab inside\tword", "tab inside word"},
        {"", ""},
        {"   ", ""},
        {QString::fromUtf8("\u00a0nbsp\u00a0"), QString::fromUtf8("\u00a0nbsp\u00a0")}, // only the space is trimmed
        {"Ünïcödé ファイル", "Ünïcödé ファイル"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CleanText(c.in), c.out) << c.in.toStdString();
}

TEST(SaveTable, RefusesAnUnloadedTable)
{
    BenchFixture f;
    f.state.IsModified = true;
    EXPECT_TRUE(f.bench->SaveTable());
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().text, "Must load the file first!");
    EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
    EXPECT_EQ(f.prompts.last().caption, QString(""));
    EXPECT_TRUE(f.state.IsModified);
}

TEST(SaveTable, LockedWritesOnlyTheEditedColumnOfExistingRecords)
{
    BenchFixture f;
    useLanguages(f, {3, 7, "French", "German"});
    f.loadWith(kMessages);
    Sheet &t = f.table();
    t.SetCellText(1, 5, "  Datei \"neu\" ");
    t.SetCellText(1, 3, "changed English");  // locked: never written
    t.SetCellText(3, 5, "Ansicht");           // Null field
    t.SetCellNumber(50, 1, 150);              // no record: nothing created while locked
    t.SetCellText(50, 5, "new");
    f.state.IsModified = true;
    EXPECT_FALSE(f.bench->SaveTable());
    EXPECT_TRUE(f.prompts.shown.empty());
    EXPECT_FALSE(f.state.IsModified);
    EXPECT_EQ(readField(f.dbPath(), 101, 7), QString("Datei 'neu'"));
    EXPECT_EQ(readField(f.dbPath(), 101, 2), QString("File"));
    EXPECT_EQ(readField(f.dbPath(), 103, 7), QString("Ansicht"));
    EXPECT_EQ(readField(f.dbPath(), 102, 7), QString("")); // empty cell over Null: the empty text
    EXPECT_FALSE(recordExists(f.dbPath(), 150));
}

TEST(SaveTable, UnlockedWritesEveryColumnAndCreatesRecords)
{
    BenchFixture f;
    useLanguages(f, {7, 17, "German", "Russian"});
    f.state.IsUnlocked = true;
    f.state.IsPasswordGiven = true;
    f.loadWith(kMessages);
    Sheet &t = f.table();
    t.SetCellText(2, 2, "edit menu");
    t.SetCellText(2, 3, "Edit...");
    t.SetCellText(2, 4, "Bearbeiten");
    t.SetCellNumber(400, 1, 500);
    t.SetCellText(400, 3, "Brand new");
    t.SetCellText(400, 5, "Совершенно новый");
    t.SetCellNumber(401, 1, -3);       // skipped
    t.SetCellText(401, 5, "ignored");
    EXPECT_FALSE(f.bench->SaveTable());
    EXPECT_TRUE(f.prompts.shown.empty()) << f.prompts.texts().join('|').toStdString();
    EXPECT_EQ(readField(f.dbPath(), 102, 1), QString("edit menu"));
    EXPECT_EQ(readField(f.dbPath(), 102, 2), QString("Edit..."));
    EXPECT_EQ(readField(f.dbPath(), 102, 7), QString("Bearbeiten"));
    ASSERT_TRUE(recordExists(f.dbPath(), 500));
    EXPECT_EQ(readField(f.dbPath(), 500, 1), QString(""));
    EXPECT_EQ(readField(f.dbPath(), 500, 2), QString("Brand new"));
    EXPECT_EQ(readField(f.dbPath(), 500, 7), QString(""));
    EXPECT_EQ(readField(f.dbPath(), 500, 17), QString("Совершенно новый"));
    EXPECT_EQ(readField(f.dbPath(), 500, 3), std::nullopt);
    EXPECT_EQ(recordCount(f.dbPath()), 4);
}

// Two grid columns showing one field: the column the user changed must win over the other,
// unchanged one; when both changed, the later column wins.
TEST(SaveTable, AnEditInOneOfTwoColumnsSharingAFieldIsKept)
{
    struct Case {
        const char *name;
        const char *column3;
        const char *column4;
        const char *stored;
    };
    const Case cases[] = {
        {"edit in column 3 only", "File!", "File", "File!"},
        {"edit in column 4 only", "File", "Fi le", "Fi le"},
        {"both edited: the later column wins", "One", "Two", "Two"},
        {"neither edited", "File", "File", "File"},
    };
    for (const Case &c : cases) {
        BenchFixture f;
        useLanguages(f, {2, 7, "English", "German"}); // English is also the second language
        f.state.IsUnlocked = true;
        f.loadWith(kMessages);
        f.table().SetCellText(1, 3, c.column3);
        f.table().SetCellText(1, 4, c.column4);
        EXPECT_FALSE(f.bench->SaveTable());
        EXPECT_EQ(readField(f.dbPath(), 101, 2), QString::fromUtf8(c.stored)) << c.name;
    }
}

TEST(SaveTable, UnchangedRowsCauseNoWrite)
{
    BenchFixture f;
    std::vector<Message> messages = kMessages;
    messages.push_back({104, {{2, QString::fromUtf8("Файл 😀 ファイル é")}}}); // compared without converting
    f.loadWith(messages);
    f.state.IsPasswordGiven = true; // English is edited by default
    logUpdates(f.dbPath());
    EXPECT_FALSE(f.bench->SaveTable());
    EXPECT_EQ(loggedWrites(f.dbPath()), 0);
    f.table().SetCellText(2, 5, "Edit (changed)");
    f.table().SetCellText(4, 5, QString::fromUtf8("Файл 😀 ファイル è"));
    EXPECT_FALSE(f.bench->SaveTable());
    EXPECT_EQ(loggedWrites(f.dbPath()), 2);
    EXPECT_EQ(readField(f.dbPath(), 104, 2), QString::fromUtf8("Файл 😀 ファイル è"));
    EXPECT_FALSE(f.bench->SaveTable()); // what was just written counts as stored
    EXPECT_EQ(loggedWrites(f.dbPath()), 2);
}

TEST(SaveTable, TwoRowsWithOneNumberWriteInRowOrder)
{
    BenchFixture f;
    f.loadWith(kMessages);
    f.state.IsPasswordGiven = true;
    f.table().SetCellNumber(500, 1, 101);
    f.table().SetCellText(500, 5, "later row");
    f.table().SetCellText(1, 5, "earlier row");
    EXPECT_FALSE(f.bench->SaveTable());
    EXPECT_EQ(readField(f.dbPath(), 101, 2), QString("later row"));
}

TEST(SaveTable, PasswordPromptsGuardEnglishFrenchAndComments)
{
    struct Case {
        LanguageSelection languages;
        const char *prompt;
        QString entry;
        bool saved;
    };
    const Case cases[] = {
        {{3, 2, "French", "English"}, "Enter password to record English texts:", "PLX4MOTE", true},
        {{2, 3, "English", "French"}, "Enter password to record French texts:", "plx4mote", false},
        {{3, 1, "French", "[Comments]"}, "Enter password to record Comments:", "", false},
        {{3, 1, "French", "[Comments]"}, "Enter password to record Comments:", "PLX4MOTE ", false},
    };
    for (const Case &c : cases) {
        BenchFixture f;
        useLanguages(f, c.languages);
        f.loadWith(kMessages);
        f.table().SetCellText(1, 5, "changed");
        f.state.IsModified = true;
        f.prompts.inputs = {c.entry};
        EXPECT_EQ(f.bench->SaveTable(), !c.saved) << c.prompt;
        ASSERT_GE(f.prompts.shown.size(), 1u);
        EXPECT_EQ(f.prompts.shown[0].kind, Shown::Input);
        EXPECT_EQ(f.prompts.shown[0].text, c.prompt);
        EXPECT_EQ(f.prompts.shown[0].caption, QString("Password?"));
        EXPECT_EQ(f.state.IsPasswordGiven, c.saved);
        EXPECT_EQ(f.state.IsModified, !c.saved);
        if (c.saved) {
            EXPECT_EQ(f.prompts.shown.size(), 1u);
            // Given once, never asked again in this run.
            EXPECT_FALSE(f.bench->SaveTable());
            EXPECT_EQ(f.prompts.shown.size(), 1u);
        } else {
            ASSERT_EQ(f.prompts.shown.size(), 2u);
            EXPECT_EQ(f.prompts.last().text, "Wrong password!");
            EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
            EXPECT_EQ(f.prompts.last().caption, std::nullopt); // the application's title
            EXPECT_NE(readField(f.dbPath(), 101, c.languages.editedField), QString("changed"));
        }
    }
}

TEST(SaveTable, ARefusedValueIsReportedAndTheRestIsStored)
{
    BenchFixture f;
    useLanguages(f, {7, 17, "German", "Russian"});
    f.state.IsUnlocked = true;
    f.state.IsPasswordGiven = true;
    f.loadWith(kMessages);
    {
        sqlite::Connection c;
        ASSERT_TRUE(c.open(f.dbPath(), sqlite::Connection::Mode::ReadWrite, nullptr));
        ASSERT_TRUE(c.exec("CREATE TRIGGER Refuse BEFORE UPDATE OF German ON Languages WHEN NEW.German = 'bad' "
                           "BEGIN SELECT RAISE(ABORT, 'German text refused'); END;"));
    }
    f.table().SetCellText(1, 4, "bad");
    f.table().SetCellText(1, 5, "Файл");
    f.table().SetCellText(2, 5, "Правка");
    f.state.IsModified = true;
    EXPECT_FALSE(f.bench->SaveTable());
    ASSERT_EQ(f.prompts.texts(), QStringList {"German text refused"});
    EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
    EXPECT_EQ(f.prompts.last().caption, QString(""));
    EXPECT_EQ(readField(f.dbPath(), 101, 7), QString("Datei")); // kept its stored value
    EXPECT_EQ(readField(f.dbPath(), 101, 17), QString("Файл")); // the row's other fields are stored
    EXPECT_EQ(readField(f.dbPath(), 102, 17), QString("Правка"));
    EXPECT_FALSE(f.state.IsModified);
}

TEST(SaveTable, FailuresBeforeTheRowLoopSaveNothing)
{
    struct Case {
        const char *name;
        std::function<void(BenchFixture &)> spoil;
        const char *cause;
    };
    const std::vector<Case> cases {
        {"file replaced by text", [](BenchFixture &f) { writeFile(f.dbPath(), "not a database at all, just text"); }, "not a database"},
        {"file removed", [](BenchFixture &f) { QFile::remove(f.dbPath()); }, "does not exist"},
        {"table dropped",
         [](BenchFixture &f) {
             sqlite::Connection c;
             c.open(f.dbPath(), sqlite::Connection::Mode::ReadWrite, nullptr);
             c.exec("DROP TABLE Languages");
         },
         "table Languages is missing"},
    };
    for (const Case &c : cases) {
        BenchFixture f;
        f.loadWith(kMessages);
        f.state.IsPasswordGiven = true;
        f.table().SetCellText(1, 5, "changed");
        f.state.IsModified = true;
        c.spoil(f);
        EXPECT_TRUE(f.bench->SaveTable()) << c.name;
        ASSERT_EQ(f.prompts.shown.size(), 1u) << c.name;
        EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
        EXPECT_TRUE(f.prompts.last().text.contains(f.dbPath())) << c.name;
        EXPECT_TRUE(f.prompts.last().text.contains(QString::fromLatin1(c.cause))) << f.prompts.last().text.toStdString();
        EXPECT_TRUE(f.state.IsModified) << c.name;
        EXPECT_EQ(f.table().mousePointer(), MousePointer::Default);
    }
}

TEST(SaveTable, ALockedDatabaseSavesNothingAndKeepsTheChanges)
{
    BenchFixture f;
    f.loadWith(kMessages);
    f.state.IsPasswordGiven = true;
    f.table().SetCellText(1, 5, "changed");
    f.state.IsModified = true;
    sqlite::Connection other;
    ASSERT_TRUE(other.open(f.dbPath(), sqlite::Connection::Mode::ReadWrite, nullptr));
    ASSERT_TRUE(other.exec("BEGIN IMMEDIATE"));
    EXPECT_TRUE(f.bench->SaveTable());
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_TRUE(f.prompts.last().text.contains("locked")) << f.prompts.last().text.toStdString();
    EXPECT_TRUE(f.state.IsModified);
    other.exec("ROLLBACK");
    f.prompts.clear();
    EXPECT_FALSE(f.bench->SaveTable());
    EXPECT_EQ(readField(f.dbPath(), 101, 2), QString("changed"));
}

// A save killed halfway leaves the database as it was before that save.
TEST(SaveTableDeathTest, KilledMidwayLeavesTheDatabaseUnchanged)
{
    // Forked at this point, so the child saves into this very database.
    GTEST_FLAG_SET(death_test_style, "fast");
    BenchFixture f;
    std::vector<Message> messages;
    for (int n = 101; n <= 10099; ++n)
        messages.push_back({n, {{2, QStringLiteral("English %1").arg(n)}}});
    createDatabase(f.dbPath(), messages);

    EXPECT_EXIT(
        {
            f.bench->LoadTable();
            for (int row = 1; row <= 9999; ++row)
                f.table().SetCellText(row, 5, QStringLiteral("saved %1").arg(row));
            f.state.IsPasswordGiven = true;
            const QString marker = f.dir.filePath("reached");
            f.bench->setSaveRowObserver([&marker](int row) {
                if (row == 6000) {
                    writeFile(marker, "6000 rows written, not committed");
                    std::raise(SIGKILL);
                }
            });
            f.bench->SaveTable();
            std::exit(0);
        },
        testing::KilledBySignal(SIGKILL), "");
    ASSERT_FALSE(readFile(f.dir.filePath("reached")).isEmpty()) << "the save never got midway";
    EXPECT_TRUE(QFileInfo::exists(f.dbPath() + "-journal")) << "the killed save left no journal to roll back";

    sqlite::Connection c;
    ASSERT_TRUE(c.open(f.dbPath(), sqlite::Connection::Mode::ReadWrite, nullptr)); // recovers the journal
    sqlite::Statement check;
    ASSERT_TRUE(check.prepare(c, "PRAGMA integrity_check", nullptr));
    ASSERT_EQ(check.step(), sqlite::Statement::Step::Row);
    EXPECT_EQ(check.text(0), "ok");
    sqlite::Statement changed;
    ASSERT_TRUE(changed.prepare(c, "SELECT count(*) FROM Languages WHERE English LIKE 'saved %'", nullptr));
    changed.step();
    EXPECT_EQ(changed.integer(0), 0);
    EXPECT_EQ(recordCount(f.dbPath()), 9999);
}

// Rows the user did not change are not written back: what another program saved meanwhile
// stays; a row the user changed is written as always.
TEST(SaveTable, RowsNotChangedSinceTheLoadKeepWhatAnotherProgramSaved)
{
    for (const int changedRows : {1, 2000}) { // a few changed rows, and many
        BenchFixture f;
        std::vector<Message> messages;
        for (int n = 101; n <= 2200; ++n)
            messages.push_back({n, {{2, QStringLiteral("text %1").arg(n)}}});
        f.loadWith(messages);
        f.state.IsPasswordGiven = true;
        {
            sqlite::Connection other;
            ASSERT_TRUE(other.open(f.dbPath(), sqlite::Connection::Mode::ReadWrite, nullptr));
            ASSERT_TRUE(other.exec("UPDATE Languages SET English = 'saved elsewhere' WHERE Number IN (150, 2150)"));
        }
        for (int row = 1; row <= changedRows; ++row) {
            if (row != 50) // message 150 is left alone
                f.table().SetCellText(row, 5, QStringLiteral("mine %1").arg(row));
        }
        EXPECT_FALSE(f.bench->SaveTable());
        EXPECT_EQ(readField(f.dbPath(), 101, 2), QString("mine 1"));
        EXPECT_EQ(readField(f.dbPath(), 150, 2), QString("saved elsewhere")) << changedRows;
        EXPECT_EQ(readField(f.dbPath(), 2150, 2), QString("saved elsewhere")) << changedRows;
        // A second save writes nothing: the snapshot knows what was just saved.
        logUpdates(f.dbPath());
        EXPECT_FALSE(f.bench->SaveTable());
        EXPECT_EQ(loggedWrites(f.dbPath()), 0) << changedRows;

        // The user's own change to a row another program changed is written as always.
        f.table().SetCellText(2050, 5, "mine after all");
        EXPECT_FALSE(f.bench->SaveTable());
        EXPECT_EQ(readField(f.dbPath(), 2150, 2), QString("mine after all"));
    }
}

// A row the user changed writes only the fields the user changed: a field another program
// changed meanwhile keeps that program's value. A record another program removed meanwhile is
// added again only when the lock allows new records.
TEST(SaveTable, AChangedRowLeavesWhatAnotherProgramDidToItsOtherFields)
{
    struct Case {
        const char *name;
        const char *otherProgram;
        bool unlocked;
        std::optional<QString> comments; // of message 102 afterwards
        std::optional<QString> german;
    };
    const Case cases[] = {
        {"comment changed elsewhere", "UPDATE Languages SET Comments = 'elsewhere' WHERE Number = 102", true,
         QString("elsewhere"), QString("Bearbeiten")},
        {"removed elsewhere, locked", "DELETE FROM Languages WHERE Number = 102", false, std::nullopt, std::nullopt},
        {"removed elsewhere, unlocked", "DELETE FROM Languages WHERE Number = 102", true, QString("menu"),
         QString("Bearbeiten")},
    };
    for (const Case &c : cases) {
        BenchFixture f;
        useLanguages(f, {2, 7, "English", "German"});
        f.state.IsUnlocked = c.unlocked;
        f.loadWith(kMessages);
        {
            sqlite::Connection other;
            ASSERT_TRUE(other.open(f.dbPath(), sqlite::Connection::Mode::ReadWrite, nullptr));
            ASSERT_TRUE(other.exec(c.otherProgram));
        }
        f.table().SetCellText(2, 5, "Bearbeiten");
        EXPECT_FALSE(f.bench->SaveTable()) << c.name;
        EXPECT_TRUE(f.prompts.shown.empty()) << c.name << ": " << f.prompts.texts().join('|').toStdString();
        EXPECT_EQ(readField(f.dbPath(), 102, 1), c.comments) << c.name;
        EXPECT_EQ(readField(f.dbPath(), 102, 7), c.german) << c.name;
        EXPECT_EQ(readField(f.dbPath(), 101, 7), QString("Datei")) << c.name;
    }
}

// Many rows the last load did not show (new records, a number shown twice) are compared with
// the stored values read in one pass.
TEST(SaveTable, ManyNewRowsAreComparedWithTheStoredValues)
{
    BenchFixture f;
    f.state.IsUnlocked = true;
    f.state.IsPasswordGiven = true;
    f.loadWith(kMessages);
    for (int row = 10; row < 1510; ++row) {
        f.table().SetCellNumber(row, 1, 1000 + row);
        f.table().SetCellText(row, 5, QStringLiteral("new %1").arg(row));
    }
    f.table().SetCellNumber(2000, 1, 101); // message 101 again, later: its English wins
    for (int column = 2; column <= 4; ++column)
        f.table().SetCellText(2000, column, f.table().CellText(1, column));
    f.table().SetCellText(2000, 5, "File (later)");
    logUpdates(f.dbPath());
    EXPECT_FALSE(f.bench->SaveTable());
    EXPECT_TRUE(f.prompts.shown.empty()) << f.prompts.texts().join('|').toStdString();
    EXPECT_EQ(recordCount(f.dbPath()), 3 + 1500);
    EXPECT_EQ(readField(f.dbPath(), 1509, 2), QString("new 509"));
    EXPECT_EQ(readField(f.dbPath(), 101, 2), QString("File (later)"));
    // 1,500 new records, 101 once, and 103 whose Null French the table shows as empty
    EXPECT_EQ(loggedWrites(f.dbPath()), 1500 + 1 + 1);
}
