#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace lng::sqlite {

// Owns an open SQLite connection.
class Connection {
public:
    enum class Mode { ReadOnly, ReadWrite, Create };

    Connection() = default;
    // Opens `path`; never creates a file unless the mode is Create. `error` gets SQLite's own
    // description of a failure.
    bool open(const QString &path, Mode mode, QString *error);
    bool isOpen() const { return m_db != nullptr; }
    sqlite3 *handle() const { return m_db.get(); }

    bool exec(const char *sql, QString *error = nullptr);
    QString lastError() const;
    // SQLite's extended result code of the last failure.
    int lastErrorCode() const;
    // Whether the last failure means that nothing can be written now (a read-only file or
    // folder, a lock held elsewhere, a full disk, an I/O error, a damaged file), as opposed to
    // one value the database refused.
    bool lastErrorStopsWriting() const;
    // Whether the connection can only read (the file, or the folder, was read-only).
    bool isReadOnly() const;
    bool inTransaction() const;
    // How many records the last INSERT, UPDATE or DELETE touched.
    int rowsChanged() const;

private:
    struct Closer {
        void operator()(sqlite3 *db) const;
    };
    std::unique_ptr<sqlite3, Closer> m_db;
};

// Owns a prepared statement. Values are always bound, never spliced into SQL.
class Statement {
public:
    Statement() = default;
    bool prepare(const Connection &connection, const QString &sql, QString *error);
    bool isPrepared() const { return m_stmt != nullptr; }

    void reset();
    void bindNull(int index);
    void bindInt(int index, std::int64_t value);
    void bindDouble(int index, double value);
    void bindText(int index, const QString &text);

    enum class Step { Row, Done, Error };
    Step step();

    bool isNull(int column) const;
    bool isInteger(int column) const;
    // SQLite's storage class of the column's value (SQLITE_INTEGER, SQLITE_TEXT, ...).
    int type(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    QString text(int column) const;
    // The column's UTF-8 bytes, valid until the next step; `size` gets their number.
    const char *utf8(int column, int *size) const;
    std::optional<QString> optionalText(int column) const;

private:
    struct Finalizer {
        void operator()(sqlite3_stmt *stmt) const;
    };
    std::unique_ptr<sqlite3_stmt, Finalizer> m_stmt;
};

// Double quotes an identifier for SQL.
QString quoteIdentifier(const QString &name);

} // namespace lng::sqlite
