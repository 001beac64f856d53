#include "IgnoredFindings.h"

#include "db/MessageDatabase.h"

namespace lng {

namespace {
const char *const kCreate = "CREATE TABLE IF NOT EXISTS IgnoredFindings (Number INTEGER NOT NULL, Field INTEGER NOT NULL, "
                            "CheckId TEXT NOT NULL, English TEXT NOT NULL, PRIMARY KEY (Number, Field, CheckId, English))";
} // namespace

bool IgnoredFindings::read(const MessageDatabase &db, QString *error)
{
    if (db.isServer())
        return true; // kept in database files only, so far: nothing is ignored on a server
    m_keys.clear();
    sqlite::Statement exists;
    if (!exists.prepare(db.connection(), QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1"), error))
        return false;
    exists.bindText(1, TableName);
    if (exists.step() != sqlite::Statement::Step::Row)
        return true;
    sqlite::Statement select;
    if (!select.prepare(db.connection(), QStringLiteral("SELECT Number, Field, CheckId, English FROM IgnoredFindings"), error))
        return false;
    sqlite::Statement::Step step;
    while ((step = select.step()) == sqlite::Statement::Step::Row)
        insert(select.integer(0), static_cast<int>(select.integer(1)), select.text(2), select.text(3));
    if (step == sqlite::Statement::Step::Error) {
        if (error)
            *error = db.connection().lastError();
        return false;
    }
    return true;
}

bool IgnoredFindings::contains(std::int64_t number, int field, const QString &check, const QString &english) const
{
    return m_keys.count({number, field, check, english}) != 0;
}

void IgnoredFindings::insert(std::int64_t number, int field, const QString &check, const QString &english)
{
    m_keys.insert({number, field, check, english});
}

bool IgnoredFindings::add(const QString &path, std::int64_t number, int field, const QString &check, const QString &english,
                          QString *error)
{
    MessageDatabase db;
    if (!db.open(path, MessageDatabase::Access::ReadWrite, error))
        return false;
    if (db.isServer()) {
        if (error)
            *error = QStringLiteral("ignored findings are kept in a database file only; on a server the finding stays listed");
        return false;
    }
    if (!db.isWritable(error))
        return false;
    sqlite::Connection &connection = db.connection();
    if (!connection.exec(kCreate, error))
        return false;
    sqlite::Statement insert;
    if (!insert.prepare(connection, QStringLiteral("INSERT OR IGNORE INTO IgnoredFindings VALUES (?1, ?2, ?3, ?4)"), error))
        return false;
    insert.bindInt(1, number);
    insert.bindInt(2, field);
    insert.bindText(3, check);
    insert.bindText(4, english);
    if (insert.step() == sqlite::Statement::Step::Error) {
        if (error)
            *error = connection.lastError();
        return false;
    }
    return true;
}

} // namespace lng
