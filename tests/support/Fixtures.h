#pragma once

#include "FakePrompts.h"
#include "app/SharedState.h"
#include "app/Workbench.h"

#include <QString>
#include <QTemporaryDir>

#include <array>
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
