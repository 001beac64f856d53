#include "Fixtures.h"

#include "recovery/RecoveryJournal.h"
#include "recovery/RecoverySession.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QTest>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <random>
#include <thread>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
std::vector<Message> messages(int count)
{
    std::vector<Message> list;
    for (int n = 101; n < 101 + count; ++n)
        list.push_back({n, {{1, ""}, {2, QStringLiteral("English %1").arg(n)}}});
    return list;
}

// File operations that are counted, and can be made to fail.
struct CountingFile : JournalFile {
    struct Log {
        QStringList calls;
        bool failWrites = false;
    };
    std::shared_ptr<Log> log;
    PosixJournalFile real;
    explicit CountingFile(std::shared_ptr<Log> l) : log(std::move(l)) {}
    bool open(const QString &path, bool *created, QString *error) override
    {
        const bool ok = real.open(path, created, error);
        log->calls << (*created ? "open new" : "open");
        return ok;
    }
    bool append(const QByteArray &bytes, QString *error) override
    {
        if (log->failWrites) {
            *error = "No space left on device";
            log->calls << "append failed";
            return false;
        }
        log->calls << "append";
        return real.append(bytes, error);
    }
    bool sync(QString *error) override
    {
        log->calls << "sync";
        return real.sync(error);
    }
    bool syncFolder(const QString &folder, QString *error) override
    {
        log->calls << "sync folder";
        return real.syncFolder(folder, error);
    }
    void close() override { real.close(); }
};
} // namespace

// A child types 200 edits and is killed at a random moment; the next run restores every edit
// older than a second at the kill, and the database is untouched. Twenty times.
TEST(Recovery, EditsSurviveAKillAtAnyMoment)
{
    std::mt19937 random(20261210);
    for (int round = 0; round < 20; ++round) {
        BenchFixture f;
        f.state.IsPasswordGiven = true;
        createDatabase(f.dbPath(), messages(250));
        const QByteArray before = QCryptographicHash::hash(readFile(f.dbPath()), QCryptographicHash::Sha256);
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        if (child == 0) {
            close(fds[0]);
            f.bench->LoadTable();
            for (int i = 0; i < 200; ++i) {
                f.table().userSetText(i + 1, 5, QStringLiteral("edit %1").arg(i));
                const char done = 1;
                if (write(fds[1], &done, 1) != 1)
                    _exit(1);
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            std::this_thread::sleep_for(std::chrono::seconds(5));
            _exit(0);
        }
        close(fds[1]);
        const auto start = std::chrono::steady_clock::now();
        const auto killAt = start + std::chrono::milliseconds(std::uniform_int_distribution<int>(300, 3300)(random));
        std::vector<std::chrono::steady_clock::time_point> typed;
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
        while (std::chrono::steady_clock::now() < killAt) {
            char byte;
            while (read(fds[0], &byte, 1) == 1)
                typed.push_back(std::chrono::steady_clock::now());
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(fds[0]);
        int old = 0; // edits older than a second at the kill
        while (old < static_cast<int>(typed.size()) && killAt - typed[static_cast<std::size_t>(old)] > std::chrono::seconds(1))
            ++old;

        EXPECT_EQ(QCryptographicHash::hash(readFile(f.dbPath()), QCryptographicHash::Sha256), before) << "round " << round;
        BenchFixture next;
        next.state.IsPasswordGiven = true;
        next.dir.remove();
        auto bench = std::make_unique<Workbench>(next.state, next.prompts, next.clipboard, f.folder());
        next.prompts.answers = {Answer::Yes};
        const bool journal = !RecoveryJournal::read(f.dbPath() + "-unsaved").empty();
        ASSERT_TRUE(bench->LoadTable());
        if (old > 0) {
            ASSERT_TRUE(journal) << "round " << round;
            EXPECT_TRUE(next.prompts.shown.front().text.contains("were found; the program did not close normally. Restore them?"));
        }
        for (int i = 0; i < old; ++i)
            ASSERT_EQ(bench->table().CellText(i + 1, 5), QStringLiteral("edit %1").arg(i)) << "round " << round << ", " << old << " old edits";
        if (old > 0) {
            EXPECT_TRUE(next.state.IsModified);
        }
        bench.reset();
    }
}

TEST(Recovery, ATornJournalRestoresItsWholeRecords)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("journal");
    QByteArray bytes = "LNG-UNSAVED 1\n";
    const std::vector<JournalRecord> records {{101, 7, 1000, QString("Datei"), "Datei\tneu\n"}, {102, 7, 2000, std::nullopt, "zwei"},
                                              {103, 7, 3000, QString(), "drei"}};
    for (const JournalRecord &r : records)
        bytes += RecoveryJournal::encode(r);
    for (const qsizetype cut : {qsizetype(0), qsizetype(5), qsizetype(20)}) {
        writeFile(path, bytes.left(bytes.size() - cut));
        const std::vector<JournalRecord> read = RecoveryJournal::read(path);
        ASSERT_EQ(read.size(), cut == 0 ? 3u : 2u) << cut;
        EXPECT_EQ(read[0], records[0]);
        EXPECT_EQ(read[1], records[1]);
    }
    QByteArray damaged = bytes;
    damaged[damaged.indexOf("zwei")] = 'Z';
    writeFile(path, damaged);
    EXPECT_EQ(RecoveryJournal::read(path).size(), 1u) << "a record whose checksum fails ends the journal";
}

// The journal's writes are synced: the file at each batch, the folder when the file is made;
// typing many edits quickly causes few syncs; a failing disk is said once.
TEST(Recovery, TheJournalSyncsInBatchesAndSaysOnceWhenItCannotWrite)
{
    QTemporaryDir dir;
    auto log = std::make_shared<CountingFile::Log>();
    {
        RecoveryJournal journal(dir.filePath("j"), std::make_unique<CountingFile>(log));
        for (int i = 0; i < 500; ++i)
            journal.add({101, 7, i, std::nullopt, QStringLiteral("edit %1").arg(i)});
        journal.flush();
        EXPECT_EQ(log->calls, (QStringList {"open new", "append", "sync", "sync folder", "append", "sync"}));
        EXPECT_EQ(RecoveryJournal::read(dir.filePath("j")).size(), 500u);
    }
    log->calls.clear();
    log->failWrites = true;
    RecoveryJournal journal(dir.filePath("j"), std::make_unique<CountingFile>(log));
    QStringList said;
    QObject::connect(&journal, &RecoveryJournal::failed, [&](const QString &cause) { said << cause; });
    journal.add({101, 7, 1, std::nullopt, "a"});
    journal.flush();
    journal.add({101, 7, 2, std::nullopt, "b"});
    journal.flush();
    QTRY_COMPARE(said, QStringList {"No space left on device"});
    QCoreApplication::processEvents();
    EXPECT_EQ(said.size(), 1);
}

// A save empties the journal; No at the close prompt discards it; a second window on the same
// database is told and cannot save; with nothing unsaved no journal is left.
TEST(Recovery, SavesAnswersAndASecondWindow)
{
    BenchFixture f;
    f.state.IsPasswordGiven = true;
    f.loadWith(messages(5));
    const QString journal = f.dbPath() + "-unsaved";
    f.table().userSetText(1, 5, "one");
    f.bench->recovery().journal()->flush();
    EXPECT_EQ(RecoveryJournal::read(journal).size(), 1u);
    EXPECT_FALSE(f.bench->SaveTable());
    EXPECT_FALSE(QFileInfo::exists(journal)) << "the save emptied it";

    f.table().userSetText(2, 5, "two");
    f.bench->recovery().journal()->flush();
    SharedState otherState;
    FakePrompts otherPrompts;
    FakeClipboard otherClipboard;
    Workbench other(otherState, otherPrompts, otherClipboard, f.folder());
    ASSERT_TRUE(other.LoadTable());
    ASSERT_EQ(otherPrompts.texts().size(), 1);
    EXPECT_TRUE(otherPrompts.texts().front().startsWith("The database " + f.dbPath() + " is already open for editing in another window"));
    otherPrompts.clear();
    otherState.IsModified = true;
    EXPECT_TRUE(other.SaveTable());
    EXPECT_TRUE(otherPrompts.texts().front().contains("another window has it open for editing"));
    EXPECT_EQ(RecoveryJournal::read(journal).size(), 1u) << "the other window writes no journal";

    f.prompts.answers = {Answer::No};
    EXPECT_TRUE(f.bench->closePrompt(true));
    EXPECT_FALSE(QFileInfo::exists(journal)) << "No discards it";
}

// Edits of a window that did not close normally are offered at the next load; what changed
// in the database meanwhile is listed, and No discards the journal.
TEST(Recovery, TheOfferListsWhatChangedInTheDatabaseMeanwhile)
{
    BenchFixture f;
    f.state.IsPasswordGiven = true;
    createDatabase(f.dbPath(), messages(5));
    auto first = std::make_unique<Workbench>(f.state, f.prompts, f.clipboard, f.folder());
    ASSERT_TRUE(first->LoadTable());
    first->table().userSetText(1, 5, "one");
    first->table().userSetText(2, 5, "two");
    first.reset(); // closed without a question, as by a logout: the journal stays
    execSql(f.dbPath(), "UPDATE Languages SET English = 'changed' WHERE Number = 101");

    for (const Answer answer : {Answer::No, Answer::Yes}) {
        SharedState state;
        FakePrompts prompts;
        FakeClipboard clipboard;
        Workbench next(state, prompts, clipboard, f.folder());
        prompts.answers = {answer};
        ASSERT_TRUE(next.LoadTable());
        if (answer == Answer::No) {
            ASSERT_EQ(prompts.shown.size(), 1u);
            const QString text = prompts.shown.front().text;
            EXPECT_TRUE(text.startsWith("2 unsaved changes from ")) << text.toStdString();
            EXPECT_TRUE(text.contains("message 101: the database now holds \"changed\", the journal \"one\"")) << text.toStdString();
            EXPECT_EQ(prompts.shown.front().icon, Icon::Question);
            EXPECT_FALSE(QFileInfo::exists(f.dbPath() + "-unsaved")) << "No discards it";
            EXPECT_EQ(next.table().CellText(1, 5), "changed");
        } else {
            EXPECT_TRUE(prompts.shown.empty()) << "nothing left to offer";
        }
    }
}
