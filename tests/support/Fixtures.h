#pragma once

#include "FakePrompts.h"
#include "app/SharedState.h"
#include "app/Workbench.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace lng::test {

// A record for a fixture database: its number and the fields that are not Null.
struct Message {
    qint64 number;
    std::map<int, QString> fields;
};

// Creates a message database with the given records; fails the test on error.
void createDatabase(const QString &path, const std::vector<Message> &messages);
// Reads one field of one record; nullopt for Null or a missing record.
std::optional<QString> readField(const QString &path, qint64 number, int field);
bool recordExists(const QString &path, qint64 number);
int recordCount(const QString &path);
QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &content);
// Runs a program to its end (a minute at most); answers its exit status, -1 when it crashed or
// did not finish, and gives what it printed on both outputs.
int runProgram(const QString &program, const QStringList &args, QString *output = nullptr);

// Runs `body` in a forked child process and answers the text it answered, so a test can act
// under limits it must not put on itself: another user, a file size limit. `setUp` runs in the
// child first. A child that dies answers how it died.
QString inChildProcess(const std::function<void()> &setUp, const std::function<QString()> &body);
// For a child: become the unprivileged user "nobody" when running as root, for whom file
// modes count. Gives files to that user first with handOver().
void becomeUnprivileged();
// Gives a file or folder to the user becomeUnprivileged() makes, with the given mode.
void handOver(const QString &path, int mode);
// Runs SQL on a database file; fails the test on error.
void execSql(const QString &path, const QString &sql);

// A workbench in a temporary application folder, with scripted prompts.
struct BenchFixture {
    QTemporaryDir dir;
    SharedState state;
    FakePrompts prompts;
    FakeClipboard clipboard;
    std::unique_ptr<Workbench> bench;

    BenchFixture();
    QString folder() const { return dir.path(); }
    QString dbPath() const { return bench->databasePath(); }
    Sheet &table() { return bench->table(); }
    // Creates the database and loads it into the table, checking that nothing was said.
    void loadWith(const std::vector<Message> &messages);
};

} // namespace lng::test
