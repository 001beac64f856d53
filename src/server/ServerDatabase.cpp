#include "ServerDatabase.h"

#include <QFile>
#include <QFileInfo>

#include <libpq-fe.h>
#include <unistd.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>
#include <limits>

namespace lng {

namespace {

QString quoted(const char *name)
{
    return QLatin1Char('"') + QLatin1String(name) + QLatin1Char('"');
}

QString table()
{
    return QLatin1Char('"') + MessageDatabase::TableName + QLatin1Char('"');
}

// Connects with libpq's own rules (passwords from ~/.pgpass or the service file), waiting no
// longer than ConnectSeconds unless the connection string says otherwise.
pg_conn *connect(const QString &connection, const QString &password = {})
{
    const QByteArray timeout = QByteArray::number(ServerDatabase::ConnectSeconds);
    const QByteArray dbname = connection.toUtf8();
    const QByteArray secret = password.toUtf8();
    const char *const keywords[] = {"connect_timeout", "dbname", password.isEmpty() ? nullptr : "password", nullptr};
    const char *const values[] = {timeout.constData(), dbname.constData(), secret.constData(), nullptr};
    return PQconnectdbParams(keywords, values, 1);
}

// Passwords the user typed, for this process only, by connection string: asked once.
std::map<QString, QString> &typedPasswords()
{
    static std::map<QString, QString> typed;
    return typed;
}
std::mutex typedPasswordsLock;

// Connections a process opened and no longer uses, kept for the next command on the same
// server: a connection costs a round of authentication and a new server process; a kept one
// costs nothing. Only healthy connections outside any transaction are kept.
class IdleConnections {
public:
    ~IdleConnections()
    {
        for (auto &[connection, link] : m_idle)
            PQfinish(link);
    }
    pg_conn *take(const QString &connection)
    {
        const std::lock_guard lock(m_mutex);
        // A forked child shares its parent's sockets: it opens connections of its own.
        if (::getpid() != m_owner)
            return nullptr;
        for (auto it = m_idle.begin(); it != m_idle.end(); ++it) {
            if (it->first == connection) {
                pg_conn *link = it->second;
                m_idle.erase(it);
                return link;
            }
        }
        return nullptr;
    }
    void give(const QString &connection, pg_conn *link)
    {
        const std::lock_guard lock(m_mutex);
        if (::getpid() != m_owner || m_idle.size() >= kMostIdle || PQstatus(link) != CONNECTION_OK
            || PQtransactionStatus(link) != PQTRANS_IDLE || PQpipelineStatus(link) != PQ_PIPELINE_OFF) {
            PQfinish(link);
            return;
        }
        m_idle.emplace_back(connection, link);
    }

private:
    static constexpr std::size_t kMostIdle = 32;
    std::mutex m_mutex;
    const pid_t m_owner = ::getpid();
    std::vector<std::pair<QString, pg_conn *>> m_idle;
};

IdleConnections &idleConnections()
{
    static IdleConnections idle;
    return idle;
}

QString trimmedMessage(const char *message)
{
    return QString::fromUtf8(message).trimmed().replace(QLatin1Char('\n'), QLatin1String("; "));
}
} // namespace

bool isConnectionString(const QString &text)
{
    const QString line = text.trimmed();
    if (line.startsWith(QLatin1String("postgresql://")) || line.startsWith(QLatin1String("postgres://")))
        return true;
    // keyword=value pairs: "service=tesmora", "host=db dbname=lang"
    char *message = nullptr;
    PQconninfoOption *options = line.contains(QLatin1Char('=')) ? PQconninfoParse(line.toUtf8().constData(), &message) : nullptr;
    PQfreemem(message);
    if (!options)
        return false;
    PQconninfoFree(options);
    return true;
}

std::optional<QString> serverPointer(const QString &path)
{
    QFile file(path);
    if (file.size() > 4096 || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.readAll();
    if (head.startsWith("SQLite format 3"))
        return std::nullopt;
    const QString first = QString::fromUtf8(head.left(head.indexOf('\n') < 0 ? head.size() : head.indexOf('\n'))).trimmed();
    if (!isConnectionString(first))
        return std::nullopt;
    return first;
}

QString shownServer(const QString &connection)
{
    char *message = nullptr;
    PQconninfoOption *options = PQconninfoParse(connection.trimmed().toUtf8().constData(), &message);
    PQfreemem(message);
    if (!options)
        return QStringLiteral("the server");
    QString host, port, dbname, service;
    for (PQconninfoOption *option = options; option->keyword; ++option) {
        if (!option->val)
            continue;
        const QString value = QString::fromUtf8(option->val);
        const QLatin1String keyword(option->keyword);
        if (keyword == QLatin1String("host") || (keyword == QLatin1String("hostaddr") && host.isEmpty()))
            host = value;
        else if (keyword == QLatin1String("port"))
            port = value;
        else if (keyword == QLatin1String("dbname"))
            dbname = value;
        else if (keyword == QLatin1String("service"))
            service = value;
    }
    PQconninfoFree(options);
    if (!service.isEmpty() && host.isEmpty())
        return QStringLiteral("service %1").arg(service);
    return QStringLiteral("postgresql://%1%2/%3").arg(host.isEmpty() ? QStringLiteral("localhost") : host,
                                                      port.isEmpty() ? QString() : QLatin1Char(':') + port, dbname);
}

void ServerDatabase::ResultDeleter::operator()(pg_result *result) const
{
    PQclear(result);
}

ServerDatabase::ServerDatabase() = default;

ServerDatabase::~ServerDatabase()
{
    if (m_link) {
        if (m_inTransaction)
            rollback();
        idleConnections().give(m_connection, m_link);
    }
}

QString ServerDatabase::cause() const
{
    return trimmedMessage(PQerrorMessage(m_link));
}

ServerDatabase::Result ServerDatabase::run(const QString &sql, const std::vector<QByteArray> &parameters, QString *error) const
{
    std::vector<const char *> values;
    for (const QByteArray &parameter : parameters)
        values.push_back(parameter.constData()); // an empty text is '', never Null
    Result result(PQexecParams(m_link, sql.toUtf8().constData(), static_cast<int>(values.size()), nullptr, values.data(),
                               nullptr, nullptr, 0));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        m_lastError = result && PQresultErrorMessage(result.get())[0] ? trimmedMessage(PQresultErrorMessage(result.get())) : cause();
        if (error)
            *error = m_lastError;
        return nullptr;
    }
    return result;
}

bool ServerDatabase::open(const QString &connection, QString *error, const PasswordPrompt &askPassword)
{
    m_connection = connection;
    // A kept connection may have been closed by the server meanwhile: then a new one is made.
    m_link = idleConnections().take(connection);
    if (m_link && checkLayout(error))
        return true;
    if (m_link)
        PQfinish(m_link);
    QString typed;
    {
        const std::lock_guard lock(typedPasswordsLock);
        typed = typedPasswords()[connection];
    }
    m_link = connect(connection, typed);
    if (PQstatus(m_link) != CONNECTION_OK && PQconnectionNeedsPassword(m_link) && askPassword) {
        typed = askPassword(shownServer(connection));
        if (!typed.isEmpty()) {
            PQfinish(m_link);
            m_link = connect(connection, typed);
            if (PQstatus(m_link) == CONNECTION_OK) {
                const std::lock_guard lock(typedPasswordsLock);
                typedPasswords()[connection] = typed;
            }
        }
    }
    if (PQstatus(m_link) != CONNECTION_OK) {
        if (error)
            *error = cause();
        return false;
    }
    PQsetClientEncoding(m_link, "UTF8");
    return checkLayout(error);
}

bool ServerDatabase::checkLayout(QString *error)
{
    // The table's layout, as the file's is checked: the fields, then the index.
    Result columns = run(QStringLiteral("SELECT count(*) FROM pg_attribute WHERE attrelid = to_regclass($1) AND attnum > 0 AND NOT attisdropped"),
                         {table().toUtf8()}, error);
    if (!columns)
        return false;
    const int count = std::atoi(PQgetvalue(columns.get(), 0, 0));
    if (count == 0) {
        if (error)
            *error = QStringLiteral("the table %1 is missing").arg(MessageDatabase::TableName);
        return false;
    }
    if (count < MessageDatabase::FieldCount) {
        if (error)
            *error = QStringLiteral("the table %1 has %2 fields; %3 are needed").arg(MessageDatabase::TableName).arg(count).arg(MessageDatabase::FieldCount);
        return false;
    }
    Result index = run(QStringLiteral("SELECT to_regclass($1) IS NOT NULL"), {QStringLiteral("\"%1\"").arg(MessageDatabase::IndexName).toUtf8()}, error);
    if (!index)
        return false;
    if (PQgetvalue(index.get(), 0, 0)[0] != 't') {
        if (error)
            *error = QStringLiteral("the index %1 of table %2 is missing").arg(MessageDatabase::IndexName, MessageDatabase::TableName);
        return false;
    }
    return true;
}

bool ServerDatabase::create(const QString &connection, QString *error)
{
    ServerDatabase server;
    server.m_connection = connection;
    server.m_link = connect(connection);
    if (PQstatus(server.m_link) != CONNECTION_OK) {
        if (error)
            *error = server.cause();
        return false;
    }
    QString sql = QStringLiteral("CREATE TABLE %1 (%2 double precision NOT NULL").arg(table(), quoted(MessageDatabase::standardFieldName(0)));
    for (int i = 1; i < MessageDatabase::FieldCount; ++i)
        sql += QStringLiteral(", %1 text").arg(quoted(MessageDatabase::standardFieldName(i)));
    sql += QStringLiteral(")");
    // An existing table is never touched: CREATE TABLE fails on it, and nothing else ran.
    return server.begin(error) && server.run(sql, {}, error)
           && server.run(QStringLiteral("CREATE UNIQUE INDEX \"%1\" ON %2 (%3)").arg(MessageDatabase::IndexName, table(), quoted(MessageDatabase::standardFieldName(0))), {}, error)
           && server.commit(error);
}

QString ServerDatabase::fieldName(int ordinal) const
{
    return quoted(MessageDatabase::standardFieldName(ordinal));
}

bool ServerDatabase::versionsTable(QByteArray *identity, QString *error) const
{
    // The cluster (initdb's random identifier), the database, the table and its storage: a
    // restore or a copy makes another, whose transaction numbers start afresh.
    Result row = run(QStringLiteral("SELECT (SELECT system_identifier FROM pg_control_system()) || ':' || "
                                    "(SELECT oid FROM pg_database WHERE datname = current_database()) || ':' || "
                                    "to_regclass($1)::oid || ':' || pg_relation_filenode(to_regclass($1))"),
                     {table().toUtf8()}, error);
    if (!row)
        return false;
    *identity = QByteArray(PQgetvalue(row.get(), 0, 0));
    return true;
}

bool ServerDatabase::forEachRawRecord(
    const std::vector<int> &fields,
    const std::function<void(const MessageDatabase::StoredNumber &, const MessageDatabase::RawField *)> &visit, QString *error,
    MessageDatabase::EmptyTable emptyTable, const RecordVersions::Set *writtenSince) const
{
    // One statement: one snapshot of the table, whatever others commit meanwhile. A record's
    // xmin is the transaction that wrote its current version: every write gives it a new one,
    // and a transaction's number is never that of one committed before (short of the 4 billion
    // transactions after which the server's numbers wrap).
    QString sql = QStringLiteral("SELECT ") + fieldName(0);
    for (int field : fields)
        sql += QStringLiteral(", ") + fieldName(field);
    sql += QStringLiteral(", xmin FROM ") + table();
    std::vector<QByteArray> parameters;
    if (writtenSince) {
        QByteArray known = "{";
        known.reserve(static_cast<qsizetype>(writtenSince->size()) * 11 + 2);
        for (const std::uint32_t version : *writtenSince) {
            if (known.size() > 1)
                known += ',';
            known += QByteArray::number(version);
        }
        parameters.push_back(known + '}');
        sql += QStringLiteral(" WHERE xmin <> ALL($1::xid[])");
    }
    Result rows = run(sql, parameters, error);
    if (!rows)
        return false;
    const int count = PQntuples(rows.get());
    const int versionColumn = static_cast<int>(fields.size()) + 1;
    if (count == 0 && emptyTable == MessageDatabase::EmptyTable::Fails) {
        if (error)
            *error = QStringLiteral("the table %1 holds no record").arg(MessageDatabase::TableName);
        return false;
    }
    std::vector<MessageDatabase::RawField> raw(fields.size());
    for (int row = 0; row < count; ++row) {
        MessageDatabase::StoredNumber number;
        const char *text = PQgetvalue(rows.get(), row, 0);
        number.value = std::strtod(text, nullptr);
        number.version = static_cast<std::uint32_t>(std::strtoul(PQgetvalue(rows.get(), row, versionColumn), nullptr, 10));
        if (const std::optional<std::int64_t> whole = wholeNumber(number.value)) {
            number.m_type = SQLITE_INTEGER;
            number.m_integer = *whole;
        } else {
            number.m_type = SQLITE_FLOAT;
        }
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int column = static_cast<int>(i) + 1;
            raw[i].isNull = PQgetisnull(rows.get(), row, column);
            raw[i].data = PQgetvalue(rows.get(), row, column);
            raw[i].size = PQgetlength(rows.get(), row, column);
        }
        visit(number, raw.data());
    }
    return true;
}

bool ServerDatabase::readRecord(std::int64_t number, const std::vector<int> &fields, std::vector<std::optional<QString>> *values,
                                bool *found, QString *error)
{
    QString sql = QStringLiteral("SELECT ") + fieldName(0);
    for (int field : fields)
        sql += QStringLiteral(", ") + fieldName(field);
    sql += QStringLiteral(" FROM %1 WHERE %2 = $1").arg(table(), fieldName(0));
    Result row = run(sql, {QByteArray::number(static_cast<qlonglong>(number))}, error);
    if (!row)
        return false;
    values->clear();
    *found = PQntuples(row.get()) > 0;
    for (std::size_t i = 0; *found && i < fields.size(); ++i) {
        const int column = static_cast<int>(i) + 1;
        values->push_back(PQgetisnull(row.get(), 0, column) ? std::nullopt
                                                             : std::optional<QString>(QString::fromUtf8(PQgetvalue(row.get(), 0, column))));
    }
    return true;
}

bool ServerDatabase::replaceNullByEmpty(int field, QString *error)
{
    return run(QStringLiteral("UPDATE %1 SET %2 = '' WHERE %2 IS NULL").arg(table(), fieldName(field)), {}, error) != nullptr;
}

QByteArray ServerDatabase::preparedUpdate(const MessageDatabase::FieldValues &values, QString *error)
{
    // One prepared statement per set of fields, kept by the connection for as long as it lives:
    // a save of many records then costs the server no parsing and planning.
    std::uint32_t mask = 0;
    for (const auto &[field, text] : values)
        mask |= 1u << field;
    const QByteArray name = "lng_update_" + QByteArray::number(mask);
    if (!m_preparedKnown) {
        Result names = run(QStringLiteral("SELECT name FROM pg_prepared_statements"), {}, error);
        if (!names)
            return {};
        for (int i = 0; i < PQntuples(names.get()); ++i)
            m_prepared.insert(QByteArray(PQgetvalue(names.get(), i, 0)));
        m_preparedKnown = true;
    }
    if (m_prepared.count(name))
        return name;
    QString sql = QStringLiteral("UPDATE %1 SET ").arg(table());
    int parameter = 0;
    for (const auto &[field, text] : values) {
        if (parameter)
            sql += QStringLiteral(", ");
        sql += QStringLiteral("%1 = $%2").arg(fieldName(field)).arg(++parameter);
    }
    sql += QStringLiteral(" WHERE %1 = $%2").arg(fieldName(0)).arg(++parameter);
    Result prepared(PQprepare(m_link, name.constData(), sql.toUtf8().constData(), parameter, nullptr));
    if (!prepared || PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
        fail(prepared.get(), error);
        return {};
    }
    m_prepared.insert(name);
    return name;
}

void ServerDatabase::fail(const pg_result *result, QString *error) const
{
    m_lastError = result && PQresultErrorMessage(result)[0] ? trimmedMessage(PQresultErrorMessage(result)) : cause();
    if (error)
        *error = m_lastError;
}

namespace {
// An update's parameters as libpq takes them: the texts, then the number.
struct UpdateParameters {
    std::vector<QByteArray> texts;
    std::vector<const char *> pointers;
    UpdateParameters(std::int64_t number, const MessageDatabase::FieldValues &values)
    {
        for (const auto &[field, text] : values)
            texts.push_back(text.toUtf8());
        texts.push_back(QByteArray::number(static_cast<qlonglong>(number)));
        for (const QByteArray &text : texts)
            pointers.push_back(text.constData());
    }
    int count() const { return static_cast<int>(pointers.size()); }
};
} // namespace

bool ServerDatabase::updateRecord(std::int64_t number, const MessageDatabase::FieldValues &values, QString *error, bool *found)
{
    if (found)
        *found = false;
    if (values.empty())
        return true;
    const QByteArray name = preparedUpdate(values, error);
    if (name.isEmpty())
        return false;
    const UpdateParameters parameters(number, values);
    Result result(PQexecPrepared(m_link, name.constData(), parameters.count(), parameters.pointers.data(), nullptr, nullptr, 0));
    if (!result || PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
        fail(result.get(), error);
        return false;
    }
    if (found)
        *found = std::atoi(PQcmdTuples(result.get())) > 0;
    return true;
}

bool ServerDatabase::updateRecords(const std::vector<MessageDatabase::RecordUpdate> &updates, std::vector<bool> *found,
                                   QString *error)
{
    found->assign(updates.size(), false);
    // At most this many statements travel at once: their answers, a few bytes each, always fit
    // the socket's buffers, so neither side waits for the other to read.
    constexpr std::size_t kPerTrip = 512;
    for (std::size_t first = 0; first < updates.size(); first += kPerTrip) {
        const std::size_t last = std::min(updates.size(), first + kPerTrip);
        std::vector<QByteArray> names(last - first); // empty: nothing to write
        for (std::size_t i = first; i < last; ++i) {
            if (updates[i].values.empty())
                continue;
            names[i - first] = preparedUpdate(updates[i].values, error);
            if (names[i - first].isEmpty())
                return false;
        }
        if (!updatePipelined(updates, first, names, found, error))
            return false;
    }
    return true;
}

bool ServerDatabase::updatePipelined(const std::vector<MessageDatabase::RecordUpdate> &updates, std::size_t first,
                                     const std::vector<QByteArray> &names, std::vector<bool> *found, QString *error)
{
    if (!PQenterPipelineMode(m_link)) {
        fail(nullptr, error);
        return false;
    }
    std::vector<std::size_t> sent;
    bool ok = true;
    for (std::size_t k = 0; k < names.size() && ok; ++k) {
        if (names[k].isEmpty())
            continue;
        const UpdateParameters parameters(updates[first + k].number, updates[first + k].values);
        ok = PQsendQueryPrepared(m_link, names[k].constData(), parameters.count(), parameters.pointers.data(), nullptr, nullptr, 0) == 1;
        if (ok)
            sent.push_back(first + k);
    }
    if (!(ok && PQpipelineSync(m_link) == 1)) {
        // Nothing more can be read reliably: the connection is not kept (see IdleConnections).
        fail(nullptr, error);
        return false;
    }
    // Each statement's answer, then the end of the statement's results, then the sync.
    for (const std::size_t i : sent) {
        Result result(PQgetResult(m_link));
        if (!result) { // the connection broke
            if (ok)
                fail(nullptr, error);
            return false;
        }
        if (PQresultStatus(result.get()) == PGRES_COMMAND_OK) {
            (*found)[i] = std::atoi(PQcmdTuples(result.get())) > 0;
        } else {
            if (ok) // the first failure is the cause; the statements after it were skipped
                fail(result.get(), error);
            ok = false;
        }
        while (Result rest {PQgetResult(m_link)}) {
        }
    }
    Result sync(PQgetResult(m_link));
    if (!sync || PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC || !PQexitPipelineMode(m_link)) {
        if (ok)
            fail(sync.get(), error);
        return false;
    }
    return ok;
}

bool ServerDatabase::addRecord(std::int64_t number, const MessageDatabase::FieldValues &values, QString *error)
{
    QString columns = fieldName(0);
    QString placeholders = QStringLiteral("$1");
    std::vector<QByteArray> parameters {QByteArray::number(static_cast<qlonglong>(number))};
    for (const auto &[field, text] : values) {
        parameters.push_back(text.toUtf8());
        columns += QStringLiteral(", ") + fieldName(field);
        placeholders += QStringLiteral(", $%1").arg(parameters.size());
    }
    return run(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table(), columns, placeholders), parameters, error) != nullptr;
}

bool ServerDatabase::begin(QString *error)
{
    m_inTransaction = run(QStringLiteral("BEGIN"), {}, error) != nullptr;
    return m_inTransaction;
}

bool ServerDatabase::commit(QString *error)
{
    const bool committed = run(QStringLiteral("COMMIT"), {}, error) != nullptr;
    m_inTransaction = false;
    return committed;
}

void ServerDatabase::rollback()
{
    if (m_inTransaction)
        run(QStringLiteral("ROLLBACK"), {}, nullptr);
    m_inTransaction = false;
}

bool ServerDatabase::isWritable(QString *cause) const
{
    QString error;
    Result may = run(QStringLiteral("SELECT has_table_privilege(current_user, $1, 'UPDATE')"), {table().toUtf8()}, &error);
    if (may && PQgetvalue(may.get(), 0, 0)[0] == 't')
        return true;
    if (cause)
        *cause = may ? QStringLiteral("the server lets this user read the table but not change it") : error;
    return false;
}

} // namespace lng
