#pragma once

#include "RecordVersions.h"
#include "Sqlite.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace lng {

class ServerDatabase;

// The message database: table `Languages`, one record per message, fields addressed by
// ordinal (0 the message number, 1 comments, 2..19 one language each), index `MainIndex` on
// the message number. Every failure comes back as a readable cause; the caller names the file.
class MessageDatabase {
public:
    static constexpr int FieldCount = 20;
    static inline const QString FileName = QStringLiteral("AllLanguages.Lng");
    static inline const QString TableName = QStringLiteral("Languages");
    static inline const QString IndexName = QStringLiteral("MainIndex");

    enum class Access { ReadOnly, ReadWrite };

    MessageDatabase();
    ~MessageDatabase();
    MessageDatabase(const MessageDatabase &) = delete;
    MessageDatabase &operator=(const MessageDatabase &) = delete;

    // Opens an existing database and checks that table and index are there. The database is
    // the file at `path`, or the PostgreSQL server it points to (a short text file whose first
    // line is a libpq connection string), or that server when `path` is a connection string.
    bool open(const QString &path, Access access, QString *error);
    // Who is asked for a server's password when libpq finds none (the window sets it).
    void setPasswordPrompt(std::function<QString(const QString &server)> prompt) { m_askPassword = std::move(prompt); }
    // Creates a new database with the schema, in a file or on a server (a connection string);
    // refuses to touch an existing file or table.
    static bool create(const QString &path, QString *error);
    // Whether the database is on a server rather than in the file.
    bool isServer() const { return m_server != nullptr; }

    const QString &path() const { return m_path; }
    const sqlite::Connection &connection() const { return m_connection; }
    sqlite::Connection &connection() { return m_connection; }

    // A record's message number as stored. Other programs may store it as a real or as a text;
    // a text that reads as a number is that number. `value` is NaN when the field holds no
    // number at all (a text such as 'abc', or binary data).
    class StoredNumber {
    public:
        double value = 0;
        // On a server, the record's version: it changes whenever the record is written
        // (PostgreSQL's xmin). 0 in a file, which keeps none.
        std::uint32_t version = 0;
        // The number as stored, for messages: 101, 101.5, 1e+20, 'abc'.
        QString shown() const;

    private:
        friend class MessageDatabase;
        friend class ServerDatabase;
        int m_type = 0;
        std::int64_t m_integer = 0;
        const char *m_text = nullptr;
        int m_size = 0;
    };

    // Records as read: their message numbers and the requested fields (nullopt for Null),
    // in message-number order; numbers that are not numbers at all come last.
    class Records {
    public:
        int size() const { return static_cast<int>(m_numbers.size()); }
        double number(int record) const { return m_numbers[m_order[record]]; }
        // The record's number as stored, for messages.
        QString shownNumber(int record) const;
        const std::optional<QString> &field(int record, int i) const { return m_fields[m_order[record] * m_width + i]; }
        std::optional<QString> &field(int record, int i) { return m_fields[m_order[record] * m_width + i]; }

    private:
        friend class MessageDatabase;
        int m_width = 0;
        std::vector<double> m_numbers;
        std::vector<std::optional<QString>> m_fields;
        std::vector<int> m_order;
        std::map<int, QString> m_shownNumbers; // numbers that are not plain whole numbers
    };

    // Which table the record versions read now belong to (see RecordVersions); empty for a file.
    bool versionsTable(QByteArray *table, QString *error) const;

    // Reads the given fields of every record. A table without any record is a failure, as is
    // a record without a message number. `versions`, when given, gets the records' versions.
    bool readRecords(const std::vector<int> &fields, Records *records, QString *error,
                     RecordVersions *versions = nullptr) const;

    // A field as stored, without conversion: UTF-8 bytes, or Null.
    struct RawField {
        const char *data = nullptr;
        int size = 0;
        bool isNull = true;
    };
    // Visits every record in the order the table stores them, with the given fields as raw
    // UTF-8. The pointers live only during the call. Fails like readRecords, an empty table
    // included unless `emptyTable` says it is fine. On a server, `writtenSince` leaves out the
    // records whose version is in it: those not written since they were seen.
    enum class EmptyTable { Fails, IsFine };
    bool forEachRawRecord(const std::vector<int> &fields,
                          const std::function<void(const StoredNumber &number, const RawField *fields)> &visit,
                          QString *error, EmptyTable emptyTable = EmptyTable::Fails,
                          const RecordVersions::Set *writtenSince = nullptr) const;

    // For each field, how many records hold a text that is not only spaces; `messages` gets
    // the number of records.
    bool countTranslated(const std::vector<int> &fields, int *messages, std::vector<int> *translated, QString *error) const;

    // Reads the given fields of the record numbered `number`; `found` says whether there is one.
    bool readRecord(std::int64_t number, const std::vector<int> &fields, std::vector<std::optional<QString>> *values,
                    bool *found, QString *error);

    // Replaces Null in `field` by the empty text, in every record.
    bool replaceNullByEmpty(int field, QString *error);

    using FieldValues = std::map<int, QString>; // field ordinal -> text
    // Assigns the given fields of the record numbered `number`; `found`, when given, says
    // whether there is such a record.
    bool updateRecord(std::int64_t number, const FieldValues &values, QString *error, bool *found = nullptr);
    // Many records' updates at once: on a server they travel together, one round trip for all;
    // a file takes them one by one. `found[i]` says whether the i-th record exists. Answers false
    // at the first failure (lastError, lastErrorStopsWriting tell the rest).
    struct RecordUpdate {
        std::int64_t number;
        FieldValues values;
    };
    bool updateRecords(const std::vector<RecordUpdate> &updates, std::vector<bool> *found, QString *error);
    // Whether updateRecords saves round trips over updateRecord one by one.
    bool batchesUpdates() const { return isServer(); }
    // Adds a record numbered `number` with the given fields; every other field stays Null.
    bool addRecord(std::int64_t number, const FieldValues &values, QString *error);

    bool begin(QString *error);
    bool commit(QString *error);
    void rollback();
    bool inTransaction() const;
    // The last failure's cause, and whether it ends every further write of the transaction
    // (on a server every failure does).
    QString lastError() const;
    bool lastErrorStopsWriting() const;

    // Findings the user chose to ignore, kept in a table of their own beside Languages (whose
    // layout other programs rely on), made when the first one is kept. A database without the
    // table has none.
    struct IgnoredFinding {
        std::int64_t number;
        int field;
        QString check;
        QString english;
    };
    static inline const QString IgnoredFindingsTable = QStringLiteral("IgnoredFindings");
    bool readIgnoredFindings(std::vector<IgnoredFinding> *findings, QString *error) const;
    bool addIgnoredFinding(const IgnoredFinding &finding, QString *error);

    // The name of a field, for SQL.
    QString fieldName(int ordinal) const;
    // The name a new database gives the field of this ordinal ("Number", "Comments", "English", ...).
    static const char *standardFieldName(int ordinal);

    // Whether the file can be written: false for a read-only file or folder, or a database
    // opened read-only. `cause` says why not.
    bool isWritable(QString *cause) const;

private:
    sqlite::Statement &updateStatement(const FieldValues &values, QString *error);
    bool readTextNumbers(QString *error);
    static StoredNumber storedNumber(const sqlite::Statement &select);
    // Binds the key a record is found by: its number, or the text it is stored as.
    void bindKey(sqlite::Statement &statement, int index, std::int64_t number) const;

    QString m_path;
    sqlite::Connection m_connection;
    QStringList m_fieldNames;
    std::map<std::uint32_t, sqlite::Statement> m_updates; // by the list of assigned fields
    sqlite::Statement m_insert;
    sqlite::Statement m_selectOne;
    QString m_selectOneKey;
    std::uint32_t m_insertKey = 0;
    std::map<std::int64_t, QString> m_textNumbers; // numbers stored as texts, by value
    std::unique_ptr<ServerDatabase> m_server;
    std::function<QString(const QString &)> m_askPassword;
};

// A stored message number as a whole-number key, when it is one that a double holds exactly.
std::optional<std::int64_t> wholeNumber(double n);

} // namespace lng
