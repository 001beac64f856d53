// The table of ignored findings in a database file; a server keeps its own (ServerDatabase).
#include "MessageDatabase.h"

#include "server/ServerDatabase.h"

namespace lng {

bool MessageDatabase::readIgnoredFindings(std::vector<IgnoredFinding> *findings, QString *error) const
{
    findings->clear();
    if (m_server)
        return m_server->readIgnoredFindings(findings, error);
    sqlite::Statement exists;
    if (!exists.prepare(m_connection, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1"), error))
        return false;
    exists.bindText(1, IgnoredFindingsTable);
    if (exists.step() != sqlite::Statement::Step::Row)
        return true;
    sqlite::Statement select;
    if (!select.prepare(m_connection, QStringLiteral("SELECT Number, Field, CheckId, English FROM IgnoredFindings"), error))
        return false;
    sqlite::Statement::Step step;
    while ((step = select.step()) == sqlite::Statement::Step::Row)
        findings->push_back({select.integer(0), static_cast<int>(select.integer(1)), select.text(2), select.text(3)});
    if (step == sqlite::Statement::Step::Error) {
        if (error)
            *error = m_connection.lastError();
        return false;
    }
    return true;
}

bool MessageDatabase::addIgnoredFinding(const IgnoredFinding &finding, QString *error)
{
    if (m_server)
        return m_server->addIgnoredFinding(finding, error);
    if (!m_connection.exec("CREATE TABLE IF NOT EXISTS IgnoredFindings (Number INTEGER NOT NULL, Field INTEGER NOT NULL, "
                           "CheckId TEXT NOT NULL, English TEXT NOT NULL, PRIMARY KEY (Number, Field, CheckId, English))",
                           error))
        return false;
    sqlite::Statement insert;
    if (!insert.prepare(m_connection, QStringLiteral("INSERT OR IGNORE INTO IgnoredFindings VALUES (?1, ?2, ?3, ?4)"), error))
        return false;
    insert.bindInt(1, finding.number);
    insert.bindInt(2, finding.field);
    insert.bindText(3, finding.check);
    insert.bindText(4, finding.english);
    if (insert.step() == sqlite::Statement::Step::Error) {
        if (error)
            *error = m_connection.lastError();
        return false;
    }
    return true;
}

} // namespace lng
