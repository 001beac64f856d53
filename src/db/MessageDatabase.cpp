#include "MessageDatabase.h"

#include "server/ServerDatabase.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

namespace lng {

namespace {
const char *const kFieldNames[MessageDatabase::FieldCount] = {
    "Number",   "Comments",  "English",    "French",  "Danish",  "Dutch",   "Finnish",
    "German",   "Italian",   "Japanese",   "Norwegian", "Portuguese", "Spanish", "Swedish",
    "Catalan",  "Chinese",   "Italian2",   "Russian", "Czech",   "Slovak",
};
} // namespace

const char *MessageDatabase::standardFieldName(int ordinal)
{
    return ordinal >= 0 && ordinal < FieldCount ? kFieldNames[ordinal] : "";
}

MessageDatabase::MessageDatabase() = default;
MessageDatabase::~MessageDatabase() = default;

bool MessageDatabase::inTransaction() const
{
    return m_server ? m_server->inTransaction() : m_connection.inTransaction();
}

QString MessageDatabase::lastError() const
{
    return m_server ? m_server->lastError() : m_connection.lastError();
}

bool MessageDatabase::lastErrorStopsWriting() const
{
    return m_server ? true : m_connection.lastErrorStopsWriting();
}

bool MessageDatabase::open(const QString &path, Access access, QString *error)
{
    m_server.reset();
    const std::optional<QString> server = isConnectionString(path) && !QFileInfo::exists(path) ? std::optional<QString>(path) : serverPointer(path);
    if (server) {
        m_path = path;
        m_server = std::make_unique<ServerDatabase>();
        QString cause;
        if (m_server->open(*server, &cause, m_askPassword))
            return true;
        m_server.reset();
        // Through a pointer file the caller names the file; the cause names the server.
        if (error)
            *error = *server == path ? cause : shownServer(*server) + QStringLiteral(": ") + cause;
        return false;
    }
    m_path = path;
    m_updates.clear();
    m_insert = {};
    m_insertKey = 0;
    m_selectOne = {};
    m_selectOneKey.clear();
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("the file does not exist");
        return false;
    }
    auto mode = access == Access::ReadOnly ? sqlite::Connection::Mode::ReadOnly : sqlite::Connection::Mode::ReadWrite;
    // A save that was cut off leaves its journal behind, and only a connection that may write
    // can roll it back. Reading opens such a file for writing, and writes nothing itself.
    const QString journal = path + QStringLiteral("-journal");
    if (mode == sqlite::Connection::Mode::ReadOnly && QFileInfo(journal).size() > 0
        && ::access(QFile::encodeName(path).constData(), W_OK) == 0
        && ::access(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), W_OK) == 0)
        mode = sqlite::Connection::Mode::ReadWrite;
    if (!m_connection.open(path, mode, error))
        return false;
    // Reads pass over the table once, front to back: a small page cache does, and a fresh
    // process then touches far less memory.
    m_connection.exec("PRAGMA cache_size = 32");

    // Reading the table's layout is the first real read: a file that is not a database, or a
    // damaged one, fails here.
    sqlite::Statement info;
    if (!info.prepare(m_connection, QStringLiteral("PRAGMA table_info(%1)").arg(sqlite::quoteIdentifier(TableName)), error))
        return false;
    m_fieldNames.clear();
    sqlite::Statement::Step step;
    while ((step = info.step()) == sqlite::Statement::Step::Row)
        m_fieldNames << info.text(1);
    if (step == sqlite::Statement::Step::Error) {
        if (error) {
            *error = m_connection.lastErrorCode() == SQLITE_READONLY_ROLLBACK
                         ? QStringLiteral("a save was cut off before it ended, and its journal %1 must be rolled back "
                                          "before the database can be read; that needs write access to the file and "
                                          "its folder. Run the command once as a user who may write there.")
                               .arg(QDir::toNativeSeparators(journal))
                         : m_connection.lastError();
        }
        return false;
    }
    if (m_fieldNames.isEmpty()) {
        if (error)
            *error = QStringLiteral("the table %1 is missing").arg(TableName);
        return false;
    }
    if (m_fieldNames.size() < FieldCount) {
        if (error)
            *error = QStringLiteral("the table %1 has %2 fields; %3 are needed")
                         .arg(TableName).arg(m_fieldNames.size()).arg(FieldCount);
        return false;
    }

    sqlite::Statement index;
    if (!index.prepare(m_connection,
                       QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?1 AND tbl_name = ?2"),
                       error))
        return false;
    index.bindText(1, IndexName);
    index.bindText(2, TableName);
    step = index.step();
    if (step == sqlite::Statement::Step::Error) {
        if (error)
            *error = m_connection.lastError();
        return false;
    }
    if (step != sqlite::Statement::Step::Row) {
        if (error)
            *error = QStringLiteral("the index %1 of table %2 is missing").arg(IndexName, TableName);
        return false;
    }
    return readTextNumbers(error);
}

bool MessageDatabase::readTextNumbers(QString *error)
{
    // Texts sort after every number, so the index finds the numbers stored as texts at once,
    // and there are none in the usual database.
    m_textNumbers.clear();
    sqlite::Statement texts;
    if (!texts.prepare(m_connection,
                       QStringLiteral("SELECT %1 FROM %2 WHERE %1 >= '' AND typeof(%1) = 'text'")
                           .arg(fieldName(0), sqlite::quoteIdentifier(TableName)),
                       error))
        return false;
    sqlite::Statement::Step step;
    while ((step = texts.step()) == sqlite::Statement::Step::Row) {
        const QString stored = texts.text(0);
        bool ok = false;
        const double value = stored.trimmed().toDouble(&ok);
        if (const std::optional<std::int64_t> number = ok ? wholeNumber(value) : std::nullopt)
            m_textNumbers.emplace(*number, stored);
    }
    if (step == sqlite::Statement::Step::Error) {
        if (error)
            *error = m_connection.lastError();
        return false;
    }
    return true;
}

void MessageDatabase::bindKey(sqlite::Statement &statement, int index, std::int64_t number) const
{
    if (const auto text = m_textNumbers.find(number); text != m_textNumbers.end())
        statement.bindText(index, text->second);
    else
        statement.bindInt(index, number);
}

bool MessageDatabase::isWritable(QString *cause) const
{
    if (m_server)
        return m_server->isWritable(cause);
    const auto says = [cause](const QString &why) {
        if (cause)
            *cause = why;
        return false;
    };
    const QByteArray file = QFile::encodeName(m_path);
    const QString folder = QFileInfo(m_path).absolutePath();
    if (::access(file.constData(), W_OK) != 0) {
        if (errno == EROFS)
            return says(QStringLiteral("the database is on a read-only file system"));
        return says(QStringLiteral("the file is read-only (%1)").arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return says(QStringLiteral("the folder %1 is read-only, and a save writes its journal there (%2)")
                        .arg(QDir::toNativeSeparators(folder), QString::fromLocal8Bit(std::strerror(errno))));
    if (m_connection.isReadOnly())
        return says(QStringLiteral("the database was opened read-only"));
    return true;
}

std::optional<std::int64_t> wholeNumber(double n)
{
    constexpr double kExact = 9007199254740992.0; // 2^53: every whole number up to it is exact
    if (!(n >= -kExact && n <= kExact) || n != std::floor(n))
        return std::nullopt;
    return static_cast<std::int64_t>(n);
}

QString MessageDatabase::StoredNumber::shown() const
{
    switch (m_type) {
    case SQLITE_INTEGER:
        return QString::number(m_integer);
    case SQLITE_FLOAT:
        return QString::number(value, 'g', 17);
    case SQLITE_TEXT:
        return QLatin1Char('\'') + QString::fromUtf8(m_text, m_size).left(40) + QLatin1Char('\'');
    default:
        return QStringLiteral("binary data");
    }
}

QString MessageDatabase::Records::shownNumber(int record) const
{
    const auto shown = m_shownNumbers.find(m_order[record]);
    return shown != m_shownNumbers.end() ? shown->second : QString::number(number(record), 'g', 17);
}

bool MessageDatabase::create(const QString &path, QString *error)
{
    if (isConnectionString(path) && !QFileInfo::exists(path)) {
        QString cause;
        if (ServerDatabase::create(path, &cause))
            return true;
        if (error)
            *error = cause;
        return false;
    }
    if (QFileInfo::exists(path)) {
        if (error)
            *error = QStringLiteral("the file already exists");
        return false;
    }
    sqlite::Connection connection;
    if (!connection.open(path, sqlite::Connection::Mode::Create, error))
        return false;
    // Large pages: a pass over the whole table then takes a few hundred reads, not thousands.
    QString sql = QStringLiteral("PRAGMA page_size = 16384; CREATE TABLE %1 (%2 INTEGER NOT NULL")
                      .arg(sqlite::quoteIdentifier(TableName), sqlite::quoteIdentifier(QLatin1String(kFieldNames[0])));
    for (int i = 1; i < FieldCount; ++i)
        sql += QStringLiteral(", %1 TEXT").arg(sqlite::quoteIdentifier(QLatin1String(kFieldNames[i])));
    sql += QStringLiteral("); CREATE UNIQUE INDEX %1 ON %2 (%3);")
               .arg(sqlite::quoteIdentifier(IndexName), sqlite::quoteIdentifier(TableName),
                    sqlite::quoteIdentifier(QLatin1String(kFieldNames[0])));
    return connection.exec(sql.toUtf8().constData(), error);
}

QString MessageDatabase::fieldName(int ordinal) const
{
    if (m_server)
        return m_server->fieldName(ordinal);
    return sqlite::quoteIdentifier(m_fieldNames.value(ordinal));
}

bool MessageDatabase::readRecords(const std::vector<int> &fields, Records *records, QString *error,
                                  RecordVersions *versions) const
{
    if (versions) {
        *versions = {};
        if (!versionsTable(&versions->table, error))
            return false;
    }
    *records = Records();
    records->m_width = static_cast<int>(fields.size());
    records->m_numbers.reserve(10000);
    records->m_fields.reserve(10000 * fields.size());
    const bool ok = forEachRawRecord(
        fields,
        [&](const StoredNumber &number, const RawField *raw) {
            if (!wholeNumber(number.value) || number.m_type != SQLITE_INTEGER)
                records->m_shownNumbers.emplace(static_cast<int>(records->m_numbers.size()), number.shown());
            records->m_numbers.push_back(number.value);
            if (versions && number.version)
                versions->seen.insert(number.version);
            for (std::size_t i = 0; i < fields.size(); ++i) {
                records->m_fields.push_back(raw[i].isNull ? std::nullopt
                                                          : std::optional<QString>(QString::fromUtf8(raw[i].data, raw[i].size)));
            }
        },
        error);
    if (!ok)
        return false;
    std::vector<int> &order = records->m_order;
    order.resize(records->m_numbers.size());
    std::iota(order.begin(), order.end(), 0);
    const std::vector<double> &numbers = records->m_numbers;
    // NaN, for what is no number at all, sorts last.
    const auto less = [](double a, double b) { return std::isnan(b) ? !std::isnan(a) : a < b; };
    if (!std::is_sorted(numbers.begin(), numbers.end(), less))
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return less(numbers[a], numbers[b]); });
    return true;
}

bool MessageDatabase::versionsTable(QByteArray *table, QString *error) const
{
    table->clear();
    return !m_server || m_server->versionsTable(table, error);
}

bool MessageDatabase::forEachRawRecord(const std::vector<int> &fields,
                                       const std::function<void(const StoredNumber &number, const RawField *fields)> &visit,
                                       QString *error, EmptyTable emptyTable, const RecordVersions::Set *writtenSince) const
{
    if (m_server)
        return m_server->forEachRawRecord(fields, visit, error, emptyTable, writtenSince);
    // A plain scan of the table reads the file once front to back; walking the index would
    // look every record up on its own. Callers that need number order sort afterwards.
    QString sql = QStringLiteral("SELECT ") + fieldName(0);
    for (int field : fields)
        sql += QStringLiteral(", ") + fieldName(field);
    sql += QStringLiteral(" FROM ") + sqlite::quoteIdentifier(TableName);
    sqlite::Statement select;
    if (!select.prepare(m_connection, sql, error))
        return false;
    std::vector<RawField> raw(fields.size());
    bool any = false;
    sqlite::Statement::Step step;
    while ((step = select.step()) == sqlite::Statement::Step::Row) {
        if (select.isNull(0)) {
            if (error)
                *error = QStringLiteral("a record of table %1 has no message number").arg(TableName);
            return false;
        }
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int column = static_cast<int>(i) + 1;
            raw[i].isNull = select.isNull(column);
            raw[i].size = 0;
            raw[i].data = raw[i].isNull ? "" : select.utf8(column, &raw[i].size);
        }
        any = true;
        visit(storedNumber(select), raw.data());
    }
    if (step == sqlite::Statement::Step::Error) {
        if (error)
            *error = m_connection.lastError();
        return false;
    }
    if (!any && emptyTable == EmptyTable::Fails) {
        if (error)
            *error = QStringLiteral("the table %1 holds no record").arg(TableName);
        return false;
    }
    return true;
}

MessageDatabase::StoredNumber MessageDatabase::storedNumber(const sqlite::Statement &select)
{
    StoredNumber number;
    number.m_type = select.type(0);
    switch (number.m_type) {
    case SQLITE_INTEGER:
        number.m_integer = select.integer(0);
        number.value = static_cast<double>(number.m_integer);
        break;
    case SQLITE_FLOAT:
        number.value = select.real(0);
        break;
    case SQLITE_TEXT: {
        number.m_text = select.utf8(0, &number.m_size);
        bool ok = false;
        number.value = QByteArray::fromRawData(number.m_text, number.m_size).trimmed().toDouble(&ok);
        if (!ok)
            number.value = std::numeric_limits<double>::quiet_NaN();
        break;
    }
    default:
        number.value = std::numeric_limits<double>::quiet_NaN();
        break;
    }
    return number;
}

bool MessageDatabase::countTranslated(const std::vector<int> &fields, int *messages, std::vector<int> *translated,
                                      QString *error) const
{
    *messages = 0;
    translated->assign(fields.size(), 0);
    // An empty table has nothing translated, which is no failure here.
    return forEachRawRecord(
        fields,
        [&](const StoredNumber &, const RawField *raw) {
            ++*messages;
            for (std::size_t i = 0; i < fields.size(); ++i) {
                const RawField &field = raw[i];
                if (!field.isNull && std::any_of(field.data, field.data + field.size, [](char c) { return c != ' '; }))
                    ++(*translated)[i];
            }
        },
        error, EmptyTable::IsFine);
}

bool MessageDatabase::readRecord(std::int64_t number, const std::vector<int> &fields,
                                 std::vector<std::optional<QString>> *values, bool *found, QString *error)
{
    if (m_server)
        return m_server->readRecord(number, fields, values, found, error);
    QString key;
    for (int field : fields)
        key += QString::number(field) + QLatin1Char(',');
    if (!m_selectOne.isPrepared() || key != m_selectOneKey) {
        QString sql = QStringLiteral("SELECT ") + fieldName(0);
        for (int field : fields)
            sql += QStringLiteral(", ") + fieldName(field);
        sql += QStringLiteral(" FROM %1 WHERE %2 = ?1").arg(sqlite::quoteIdentifier(TableName), fieldName(0));
        if (!m_selectOne.prepare(m_connection, sql, error))
            return false;
        m_selectOneKey = key;
    }
    m_selectOne.reset();
    bindKey(m_selectOne, 1, number);
    values->clear();
    switch (m_selectOne.step()) {
    case sqlite::Statement::Step::Row:
        for (std::size_t i = 0; i < fields.size(); ++i)
            values->push_back(m_selectOne.optionalText(static_cast<int>(i) + 1));
        *found = true;
        break;
    case sqlite::Statement::Step::Done:
        *found = false;
        break;
    case sqlite::Statement::Step::Error:
        if (error)
            *error = m_connection.lastError();
        m_selectOne.reset();
        return false;
    }
    m_selectOne.reset();
    return true;
}

bool MessageDatabase::replaceNullByEmpty(int field, QString *error)
{
    if (m_server)
        return m_server->replaceNullByEmpty(field, error);
    sqlite::Statement update;
    if (!update.prepare(m_connection,
                        QStringLiteral("UPDATE %1 SET %2 = '' WHERE %2 IS NULL").arg(sqlite::quoteIdentifier(TableName), fieldName(field)),
                        error))
        return false;
    if (update.step() == sqlite::Statement::Step::Error) {
        if (error)
            *error = m_connection.lastError();
        return false;
    }
    return true;
}

namespace {
// The set of fields assigned, as one bit per field ordinal.
std::uint32_t fieldMask(const MessageDatabase::FieldValues &values)
{
    std::uint32_t mask = 0;
    for (const auto &[field, text] : values)
        mask |= 1u << field;
    return mask;
}
} // namespace

sqlite::Statement &MessageDatabase::updateStatement(const FieldValues &values, QString *error)
{
    sqlite::Statement &statement = m_updates[fieldMask(values)];
    if (!statement.isPrepared()) {
        QString sql = QStringLiteral("UPDATE %1 SET ").arg(sqlite::quoteIdentifier(TableName));
        int parameter = 1;
        for (const auto &[field, text] : values) {
            if (parameter > 1)
                sql += QStringLiteral(", ");
            sql += QStringLiteral("%1 = ?%2").arg(fieldName(field)).arg(parameter++);
        }
        sql += QStringLiteral(" WHERE %1 = ?%2").arg(fieldName(0)).arg(parameter);
        statement.prepare(m_connection, sql, error);
    }
    return statement;
}

bool MessageDatabase::updateRecords(const std::vector<RecordUpdate> &updates, std::vector<bool> *found, QString *error)
{
    if (m_server)
        return m_server->updateRecords(updates, found, error);
    found->assign(updates.size(), false);
    for (std::size_t i = 0; i < updates.size(); ++i) {
        bool exists = false;
        if (!updateRecord(updates[i].number, updates[i].values, error, &exists))
            return false;
        (*found)[i] = exists;
    }
    return true;
}

bool MessageDatabase::updateRecord(std::int64_t number, const FieldValues &values, QString *error, bool *found)
{
    if (m_server)
        return m_server->updateRecord(number, values, error, found);
    if (found)
        *found = false;
    if (values.empty())
        return true;
    sqlite::Statement &update = updateStatement(values, error);
    if (!update.isPrepared())
        return false;
    update.reset();
    int parameter = 1;
    for (const auto &[field, text] : values)
        update.bindText(parameter++, text);
    bindKey(update, parameter, number);
    if (update.step() == sqlite::Statement::Step::Error) {
        if (error)
            *error = m_connection.lastError();
        update.reset();
        return false;
    }
    if (found)
        *found = m_connection.rowsChanged() > 0;
    return true;
}

bool MessageDatabase::addRecord(std::int64_t number, const FieldValues &values, QString *error)
{
    if (m_server)
        return m_server->addRecord(number, values, error);
    const std::uint32_t key = fieldMask(values);
    if (!m_insert.isPrepared() || key != m_insertKey) {
        QString columns = fieldName(0);
        QString parameters = QStringLiteral("?1");
        int parameter = 2;
        for (const auto &[field, text] : values) {
            columns += QStringLiteral(", ") + fieldName(field);
            parameters += QStringLiteral(", ?%1").arg(parameter++);
        }
        if (!m_insert.prepare(m_connection,
                              QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(sqlite::quoteIdentifier(TableName), columns, parameters),
                              error))
            return false;
        m_insertKey = key;
    }
    m_insert.reset();
    m_insert.bindInt(1, number);
    int parameter = 2;
    for (const auto &[field, text] : values)
        m_insert.bindText(parameter++, text);
    if (m_insert.step() == sqlite::Statement::Step::Error) {
        if (error)
            *error = m_connection.lastError();
        m_insert.reset();
        return false;
    }
    return true;
}

bool MessageDatabase::begin(QString *error)
{
    if (m_server)
        return m_server->begin(error);
    // A page cache that holds every page a write changes, so a large write never spills
    // pages to the file before its commit.
    m_connection.exec("PRAGMA cache_size = -262144");
    return m_connection.exec("BEGIN IMMEDIATE", error);
}

bool MessageDatabase::commit(QString *error)
{
    if (m_server)
        return m_server->commit(error);
    return m_connection.exec("COMMIT", error);
}

void MessageDatabase::rollback()
{
    if (m_server) {
        m_server->rollback();
        return;
    }
    if (m_connection.inTransaction())
        m_connection.exec("ROLLBACK");
}

} // namespace lng
