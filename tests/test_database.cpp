#include "Fixtures.h"

#include "db/MessageDatabase.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
std::vector<Message> manyMessages(int count)
{
    std::vector<Message> messages;
    for (int i = 0; i < count; ++i)
        messages.push_back({101 + i, {{2, QStringLiteral("English text number %1 with some length").arg(i)}, {3, "Texte"}}});
    return messages;
}

// Opens the database and walks it, as every command does; answers the failure's cause.
QString walkFailure(const QString &path)
{
    MessageDatabase db;
    QString error;
    if (!db.open(path, MessageDatabase::Access::ReadWrite, &error))
        return error;
    MessageDatabase::Records records;
    if (!db.readRecords({1, 2}, &records, &error))
        return error;
    return {};
}
} // namespace

TEST(Database, RecordsComeInMessageNumberOrderWithNulls)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("AllLanguages.Lng");
    createDatabase(path, {{300, {{2, "Close"}}}, {101, {{1, "menu"}, {2, "File"}, {17, "Файл"}}}, {150, {}}});
    MessageDatabase db;
    QString error;
    ASSERT_TRUE(db.open(path, MessageDatabase::Access::ReadOnly, &error)) << error.toStdString();
    MessageDatabase::Records records;
    ASSERT_TRUE(db.readRecords({17, 1}, &records, &error));
    std::vector<double> numbers;
    std::vector<std::optional<QString>> russian;
    for (int i = 0; i < records.size(); ++i) {
        numbers.push_back(records.number(i));
        russian.push_back(records.field(i, 0));
    }
    EXPECT_EQ(numbers, (std::vector<double> {101, 150, 300}));
    EXPECT_EQ(russian[0], QString("Файл"));
    EXPECT_EQ(russian[1], std::nullopt);
}

TEST(Database, TwoRecordsCannotShareANumber)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("AllLanguages.Lng");
    createDatabase(path, {{101, {}}});
    MessageDatabase db;
    QString error;
    ASSERT_TRUE(db.open(path, MessageDatabase::Access::ReadWrite, &error));
    EXPECT_FALSE(db.addRecord(101, {{2, "again"}}, &error));
    EXPECT_TRUE(error.contains("UNIQUE")) << error.toStdString();
}

TEST(Database, CreateRefusesAnExistingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("AllLanguages.Lng");
    writeFile(path, "keep me");
    QString error;
    EXPECT_FALSE(MessageDatabase::create(path, &error));
    EXPECT_EQ(readFile(path), "keep me");
}

TEST(Database, ReadOnlyAccessRefusesWrites)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("AllLanguages.Lng");
    createDatabase(path, {{101, {}}});
    MessageDatabase db;
    QString error;
    ASSERT_TRUE(db.open(path, MessageDatabase::Access::ReadOnly, &error));
    EXPECT_FALSE(db.updateRecord(101, {{2, "x"}}, &error));
    EXPECT_EQ(readField(path, 101, 2), std::nullopt);
}

// Every kind of bad file gives a readable cause and no crash.
TEST(Database, BadFilesFailWithTheirCause)
{
    QTemporaryDir dir;
    struct Case {
        const char *name;
        std::function<void(const QString &)> make;
        const char *cause;
    };
    const std::vector<Case> cases {
        {"missing", [](const QString &) {}, "does not exist"},
        {"text file", [](const QString &p) { writeFile(p, "Position;English\r\n101;File\r\n"); }, "not a database"},
        {"empty file", [](const QString &p) { writeFile(p, ""); }, "table Languages is missing"},
        {"truncated",
         [](const QString &p) {
             createDatabase(p, manyMessages(3000));
             QFile file(p);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             file.resize(file.size() / 2);
         },
         "malformed"},
        {"no table",
         [](const QString &p) {
             sqlite::Connection c;
             ASSERT_TRUE(c.open(p, sqlite::Connection::Mode::Create, nullptr));
             c.exec("CREATE TABLE Other (a)");
         },
         "table Languages is missing"},
        {"no index",
         [](const QString &p) {
             createDatabase(p, {{101, {}}});
             sqlite::Connection c;
             ASSERT_TRUE(c.open(p, sqlite::Connection::Mode::ReadWrite, nullptr));
             c.exec("DROP INDEX MainIndex");
         },
         "index MainIndex"},
        {"empty table", [](const QString &p) { createDatabase(p, {}); }, "holds no record"},
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name) + ".Lng");
        c.make(path);
        const QString cause = walkFailure(path);
        EXPECT_TRUE(cause.contains(QString::fromLatin1(c.cause))) << c.name << ": " << cause.toStdString();
    }
}

TEST(Database, ALockHeldByAnotherProgramIsReported)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("AllLanguages.Lng");
    createDatabase(path, {{101, {}}});
    sqlite::Connection other;
    ASSERT_TRUE(other.open(path, sqlite::Connection::Mode::ReadWrite, nullptr));
    ASSERT_TRUE(other.exec("PRAGMA busy_timeout = 0; BEGIN EXCLUSIVE"));
    const QString cause = walkFailure(path);
    EXPECT_TRUE(cause.contains("locked")) << cause.toStdString();
    other.exec("ROLLBACK");
    EXPECT_EQ(walkFailure(path), QString());
}
