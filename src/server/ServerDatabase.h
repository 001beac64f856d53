#pragma once

#include "db/MessageDatabase.h"

#include <QString>

#include <functional>
#include <map>
#include <set>
#include <memory>

struct pg_conn;
struct pg_result;

namespace lng {

// Where the application folder's AllLanguages.Lng points when it is not an SQLite database but
// a short text whose first line is a libpq connection string ("postgresql://host/db",
// "service=tesmora"): that string, or nullopt for a real database file.
std::optional<QString> serverPointer(const QString &path);
// Whether a text names a server rather than a file (lngtool --database).
bool isConnectionString(const QString &text);
// The server as it may be shown: host, port and database, never a password.
QString shownServer(const QString &connection);

// The message table on a PostgreSQL server, through libpq: the same logical schema (table
// Languages, the number and 19 text fields by ordinal, index MainIndex), the same operations.
class ServerDatabase {
public:
    // libpq's own wait for a server that does not answer, unless the connection string sets one.
    static constexpr int ConnectSeconds = 5;

    ServerDatabase();
    ~ServerDatabase();
    ServerDatabase(const ServerDatabase &) = delete;
    ServerDatabase &operator=(const ServerDatabase &) = delete;

    // Asks for the password when the server wants one that libpq's own sources (~/.pgpass,
    // the service file, PGPASSWORD) do not give; empty when the user gives none.
    using PasswordPrompt = std::function<QString(const QString &server)>;

    bool open(const QString &connection, QString *error, const PasswordPrompt &askPassword = {});
    static bool create(const QString &connection, QString *error);

    bool forEachRawRecord(const std::vector<int> &fields,
                          const std::function<void(const MessageDatabase::StoredNumber &, const MessageDatabase::RawField *)> &visit,
                          QString *error, MessageDatabase::EmptyTable emptyTable,
                          const RecordVersions::Set *writtenSince) const;
    bool versionsTable(QByteArray *table, QString *error) const;
    bool readRecord(std::int64_t number, const std::vector<int> &fields, std::vector<std::optional<QString>> *values,
                    bool *found, QString *error);
    bool replaceNullByEmpty(int field, QString *error);
    bool updateRecord(std::int64_t number, const MessageDatabase::FieldValues &values, QString *error, bool *found);
    bool updateRecords(const std::vector<MessageDatabase::RecordUpdate> &updates, std::vector<bool> *found, QString *error);
    bool addRecord(std::int64_t number, const MessageDatabase::FieldValues &values, QString *error);
    bool readIgnoredFindings(std::vector<MessageDatabase::IgnoredFinding> *findings, QString *error) const;
    bool addIgnoredFinding(const MessageDatabase::IgnoredFinding &finding, QString *error);
    bool begin(QString *error);
    bool commit(QString *error);
    void rollback();
    bool inTransaction() const { return m_inTransaction; }
    bool isWritable(QString *cause) const;
    const QString &lastError() const { return m_lastError; }
    QString fieldName(int ordinal) const;

private:
    struct ResultDeleter {
        void operator()(pg_result *result) const;
    };
    using Result = std::unique_ptr<pg_result, ResultDeleter>;

    // Runs a statement; answers its result, or null with the server's cause in `error`.
    Result run(const QString &sql, const std::vector<QByteArray> &parameters, QString *error) const;
    QString cause() const;
    bool checkLayout(QString *error);
    // Records a failure: the result's message, else the connection's.
    void fail(const pg_result *result, QString *error) const;
    // The name of the connection's update statement for these fields, prepared when new; empty
    // on failure.
    QByteArray preparedUpdate(const MessageDatabase::FieldValues &values, QString *error);
    // Sends updates[first..] named by `names` (empty: nothing to write) in one pipeline.
    bool updatePipelined(const std::vector<MessageDatabase::RecordUpdate> &updates, std::size_t first,
                         const std::vector<QByteArray> &names, std::vector<bool> *found, QString *error);

    QString m_connection;
    pg_conn *m_link = nullptr;
    bool m_inTransaction = false;
    mutable QString m_lastError;
    std::set<QByteArray> m_prepared; // statements the connection holds
    bool m_preparedKnown = false;
};

} // namespace lng
