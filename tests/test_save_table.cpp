#include "Fixtures.h"

#include "app/Texts.h"
#include "db/MessageDatabase.h"
#include "db/TableSaver.h"
#include "settings/SettingsFile.h"

#include <QFileInfo>

#include <csignal>

#include <sys/resource.h>

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
    t.SetCellNumber(401, 1, -3);       // skipped, and said
    t.SetCellText(401, 5, "ignored");
    EXPECT_FALSE(f.bench->SaveTable());
    EXPECT_EQ(f.prompts.texts(), QStringList {texts::rowsNotSaved({401}, {})});
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

// A database nothing can be written to is said once, with the file and the cause, however
// many rows changed, and the edits stay unsaved work. Run as a user for whom file modes count.
TEST(SaveTable, ADatabaseThatCannotBeWrittenIsSaidOnceAndTheEditsStay)
{
    struct Case {
        const char *name;
        int folderMode;
        int fileMode;
        QString cause; // FOLDER: the folder
    };
    const Case cases[] = {
        {"read-only file", 0777, 0444, "the file is read-only (Permission denied)"},
        {"read-only folder", 0555, 0666, "the folder FOLDER is read-only, and a save writes its journal there (Permission denied)"},
    };
    for (const Case &c : cases) {
        BenchFixture f;
        std::vector<Message> messages;
        for (int n = 101; n <= 400; ++n)
            messages.push_back({n, {{1, "c"}, {2, QStringLiteral("English %1").arg(n)}}});
        f.loadWith(messages);
        for (int row = 1; row <= 300; ++row)
            f.table().SetCellText(row, 5, QStringLiteral("edited %1").arg(row));
        f.state.IsModified = true;
        f.state.IsPasswordGiven = true;
        handOver(f.dbPath(), c.fileMode);
        handOver(f.folder(), c.folderMode);

        const QString seen = inChildProcess(becomeUnprivileged, [&] {
            const bool nothingSaved = f.bench->SaveTable();
            f.prompts.answers = {Answer::Yes}; // closing: save first, which fails again
            const bool closes = f.bench->closePrompt(true);
            return QStringLiteral("nothing saved %1, modified %2, closes %3\n").arg(nothingSaved).arg(f.state.IsModified).arg(closes)
                   + f.prompts.texts().join(QStringLiteral("\n--\n"));
        });
        const QString once = texts::cannotSaveToDatabase(f.dbPath(), QString(c.cause).replace("FOLDER", f.folder()));
        EXPECT_EQ(seen, QStringLiteral("nothing saved 1, modified 1, closes 0\n") + once + "\n--\n" + texts::SaveChangesFirst
                            + "\n--\n" + once)
            << c.name;
        EXPECT_EQ(readField(f.dbPath(), 101, 2), QString("English 101")) << c.name;
        EXPECT_EQ(readField(f.dbPath(), 101, 3), std::nullopt) << c.name;
        handOver(f.folder(), 0700);
    }
}

// A write that fails halfway (here: the journal cannot grow past a file size limit, as on a
// full disk) ends the save at once: one message, everything rolled back.
TEST(SaveTable, AWriteFailingHalfwaySavesNothingAndSaysSoOnce)
{
    BenchFixture f;
    std::vector<Message> messages;
    for (int n = 101; n <= 400; ++n)
        messages.push_back({n, {{2, QStringLiteral("English %1").arg(n)}}});
    f.loadWith(messages);
    for (int row = 1; row <= 300; ++row)
        f.table().SetCellText(row, 5, QStringLiteral("edited %1").arg(row));
    f.state.IsModified = true;
    f.state.IsPasswordGiven = true;
    const auto limitFileSize = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    const QString seen = inChildProcess(limitFileSize, [&] {
        const bool nothingSaved = f.bench->SaveTable();
        return QStringLiteral("%1 %2 %3|").arg(nothingSaved).arg(f.state.IsModified).arg(f.prompts.shown.size())
               + f.prompts.texts().join('|');
    });
    EXPECT_TRUE(seen.startsWith("1 1 1|Cannot save to database " + f.dbPath() + "\n\n")) << seen.toStdString();
    EXPECT_TRUE(seen.endsWith("\n\nNothing was saved.")) << seen.toStdString();
    EXPECT_EQ(readField(f.dbPath(), 150, 2), QString("English 150"));
    EXPECT_EQ(readField(f.dbPath(), 150, 3), std::nullopt);
}

// A field no edit touched is never rewritten, even where the save would clean what another
// program stored there; binary data stays binary.
TEST(SaveTable, UntouchedFieldsKeepWhatAnotherProgramStoredThere)
{
    BenchFixture f;
    useLanguages(f, {3, 7, "French", "German"});
    f.loadWith({{101, {{2, "File"}}}, {102, {{2, "Edit"}, {7, "line one\r\nline two"}}}, {103, {{2, "View"}}}});
    execSql(f.dbPath(), "UPDATE Languages SET German = x'FF41' WHERE Number = 101; UPDATE Languages SET French = ' \"x\"' WHERE Number = 102");
    f.bench->LoadTable();
    f.table().SetCellText(3, 5, "Ansicht");
    f.table().SetCellText(2, 4, "Édition");
    f.state.IsModified = true;
    EXPECT_FALSE(f.bench->SaveTable());
    EXPECT_TRUE(f.prompts.shown.empty()) << f.prompts.texts().join('|').toStdString();
    EXPECT_EQ(readField(f.dbPath(), 103, 7), QString("Ansicht"));
    EXPECT_EQ(readField(f.dbPath(), 102, 7), QString("line one\r\nline two"));
    sqlite::Connection c;
    ASSERT_TRUE(c.open(f.dbPath(), sqlite::Connection::Mode::ReadOnly, nullptr));
    sqlite::Statement s;
    ASSERT_TRUE(s.prepare(c, "SELECT typeof(German), hex(German) FROM Languages WHERE Number = 101", nullptr));
    ASSERT_EQ(s.step(), sqlite::Statement::Step::Row);
    EXPECT_EQ(s.text(0) + " " + s.text(1), "blob FF41");
}

// Message numbers that another program stored as texts ('101' in an untyped column) are those
// messages' numbers: their edits are saved into them, and no record is added twice.
TEST(SaveTable, NumbersStoredAsTextsAreThoseMessages)
{
    for (const bool unlocked : {false, true}) {
        BenchFixture f;
        createDatabase(f.dbPath(), {});
        execSql(f.dbPath(),
                "DROP TABLE Languages; CREATE TABLE Languages (Number, Comments, English, French, Danish, Dutch, Finnish, "
                "German, Italian, Japanese, Norwegian, Portuguese, Spanish, Swedish, Catalan, Chinese, Italian2, Russian, "
                "Czech, Slovak); CREATE INDEX MainIndex ON Languages (Number); "
                "INSERT INTO Languages (Number, Comments, English) VALUES ('101', '', 'File'), (' 102 ', '', 'Edit'), (103, '', 'View')");
        f.state.IsUnlocked = unlocked;
        ASSERT_TRUE(f.bench->LoadTable()) << f.prompts.texts().join('|').toStdString();
        ASSERT_TRUE(f.prompts.shown.empty()) << f.prompts.texts().join('|').toStdString();
        EXPECT_EQ(f.table().CellText(1, 3), "File");
        EXPECT_EQ(f.table().CellNumber(2, 1), 102);
        f.table().SetCellText(1, 5, "Datei");
        f.table().SetCellText(2, 5, "Bearbeiten");
        f.table().SetCellText(3, 5, "Ansicht");
        f.state.IsModified = true;
        f.state.IsPasswordGiven = true;
        EXPECT_FALSE(f.bench->SaveTable());
        EXPECT_FALSE(f.state.IsModified);
        EXPECT_EQ(recordCount(f.dbPath()), 3) << unlocked;
        sqlite::Connection c;
        ASSERT_TRUE(c.open(f.dbPath(), sqlite::Connection::Mode::ReadOnly, nullptr));
        sqlite::Statement s;
        ASSERT_TRUE(s.prepare(c, "SELECT group_concat(quote(Number) || '=' || English, ';') FROM Languages", nullptr));
        ASSERT_EQ(s.step(), sqlite::Statement::Step::Row);
        EXPECT_EQ(s.text(0), "'101'=Datei;' 102 '=Bearbeiten;103=Ansicht") << unlocked;
    }
}
