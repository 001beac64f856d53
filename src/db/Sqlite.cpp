#include "Sqlite.h"

#include <sqlite3.h>

#include <cstddef>
#include <mutex>

namespace lng::sqlite {

namespace {
// SQLite keeps its cached pages in memory of its own for the whole run: a save touches a page
// of it for every page it changes, and a fresh page of memory costs a page fault. Memory kept
// from one save to the next is only faulted in once. Pages beyond it come from the heap.
void configureLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        constexpr int kLargestPage = 16384; // new databases use this page size
        constexpr int kPages = 1024;       // a 10,000-message database with every language filled
        int header = 0;
        if (sqlite3_config(SQLITE_CONFIG_PCACHE_HDRSZ, &header) != SQLITE_OK)
            return;
        const int slot = (kLargestPage + header + 7) / 8 * 8;
        // Never freed: SQLite may use it until the process ends.
        static std::byte *const memory = new std::byte[static_cast<std::size_t>(slot) * kPages];
        sqlite3_config(SQLITE_CONFIG_PAGECACHE, memory, slot, kPages);
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); // no memory statistics: one lock less per allocation
    });
}
} // namespace

void Connection::Closer::operator()(sqlite3 *db) const
{
    sqlite3_close_v2(db);
}

bool Connection::open(const QString &path, Mode mode, QString *error)
{
    m_db.reset();
    configureLibrary();
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (mode) {
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::Create:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    m_db.reset(db);
    if (rc != SQLITE_OK) {
        if (error)
            *error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        m_db.reset();
        return false;
    }
    sqlite3_extended_result_codes(db, 1);
    // Another program may hold the file for a moment; wait a little before giving up.
    sqlite3_busy_timeout(db, 2000);
    return true;
}

bool Connection::exec(const char *sql, QString *error)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(m_db.get(), sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        if (error)
            *error = message ? QString::fromUtf8(message) : lastError();
        sqlite3_free(message);
        return false;
    }
    return true;
}

QString Connection::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db.get())) : QStringLiteral("the database is not open");
}

int Connection::lastErrorCode() const
{
    return m_db ? sqlite3_extended_errcode(m_db.get()) : SQLITE_MISUSE;
}

bool Connection::lastErrorStopsWriting() const
{
    switch (lastErrorCode() & 0xFF) {
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
        return false; // one value refused: the others can still be written
    default:
        return true;
    }
}

bool Connection::isReadOnly() const
{
    return m_db && sqlite3_db_readonly(m_db.get(), "main") == 1;
}

int Connection::rowsChanged() const
{
    return m_db ? sqlite3_changes(m_db.get()) : 0;
}

bool Connection::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db.get()) == 0;
}

void Statement::Finalizer::operator()(sqlite3_stmt *stmt) const
{
    sqlite3_finalize(stmt);
}

bool Statement::prepare(const Connection &connection, const QString &sql, QString *error)
{
    m_stmt.reset();
    sqlite3_stmt *stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(connection.handle(), utf8.constData(), static_cast<int>(utf8.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    m_stmt.reset(stmt);
    if (rc != SQLITE_OK) {
        if (error)
            *error = connection.lastError();
        m_stmt.reset();
        return false;
    }
    return true;
}

void Statement::reset()
{
    sqlite3_reset(m_stmt.get());
    sqlite3_clear_bindings(m_stmt.get());
}

void Statement::bindNull(int index)
{
    sqlite3_bind_null(m_stmt.get(), index);
}

void Statement::bindInt(int index, std::int64_t value)
{
    sqlite3_bind_int64(m_stmt.get(), index, value);
}

void Statement::bindDouble(int index, double value)
{
    sqlite3_bind_double(m_stmt.get(), index, value);
}

void Statement::bindText(int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_stmt.get(), index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

Statement::Step Statement::step()
{
    switch (sqlite3_step(m_stmt.get())) {
    case SQLITE_ROW:
        return Step::Row;
    case SQLITE_DONE:
        return Step::Done;
    default:
        return Step::Error;
    }
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt.get(), column) == SQLITE_NULL;
}

int Statement::type(int column) const
{
    return sqlite3_column_type(m_stmt.get(), column);
}

bool Statement::isInteger(int column) const
{
    return sqlite3_column_type(m_stmt.get(), column) == SQLITE_INTEGER;
}

std::int64_t Statement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt.get(), column);
}

double Statement::real(int column) const
{
    return sqlite3_column_double(m_stmt.get(), column);
}

QString Statement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt.get(), column));
    const int size = sqlite3_column_bytes(m_stmt.get(), column);
    return QString::fromUtf8(data, size);
}

const char *Statement::utf8(int column, int *size) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt.get(), column));
    *size = sqlite3_column_bytes(m_stmt.get(), column);
    return data;
}

std::optional<QString> Statement::optionalText(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return text(column);
}

QString quoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace lng::sqlite
