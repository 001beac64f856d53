// The table of ignored findings on a server, beside Languages, as in a database file.
#include "ServerDatabase.h"

#include <libpq-fe.h>

namespace lng {

bool ServerDatabase::readIgnoredFindings(std::vector<MessageDatabase::IgnoredFinding> *findings, QString *error) const
{
    findings->clear();
    Result exists = run(QStringLiteral("SELECT to_regclass($1) IS NOT NULL"),
                        {QByteArray("\"") + MessageDatabase::IgnoredFindingsTable.toUtf8() + "\""}, error);
    if (!exists)
        return false;
    if (PQgetvalue(exists.get(), 0, 0)[0] != 't')
        return true;
    Result rows = run(QStringLiteral("SELECT \"Number\", \"Field\", \"CheckId\", \"English\" FROM \"IgnoredFindings\""), {}, error);
    if (!rows)
        return false;
    for (int row = 0; row < PQntuples(rows.get()); ++row) {
        findings->push_back({std::strtoll(PQgetvalue(rows.get(), row, 0), nullptr, 10),
                             static_cast<int>(std::strtol(PQgetvalue(rows.get(), row, 1), nullptr, 10)),
                             QString::fromUtf8(PQgetvalue(rows.get(), row, 2)), QString::fromUtf8(PQgetvalue(rows.get(), row, 3))});
    }
    return true;
}

bool ServerDatabase::addIgnoredFinding(const MessageDatabase::IgnoredFinding &finding, QString *error)
{
    if (!run(QStringLiteral("CREATE TABLE IF NOT EXISTS \"IgnoredFindings\" (\"Number\" bigint NOT NULL, \"Field\" integer NOT NULL, "
                            "\"CheckId\" text NOT NULL, \"English\" text NOT NULL, PRIMARY KEY (\"Number\", \"Field\", \"CheckId\", \"English\"))"),
             {}, error))
        return false;
    return run(QStringLiteral("INSERT INTO \"IgnoredFindings\" VALUES ($1, $2, $3, $4) ON CONFLICT DO NOTHING"),
               {QByteArray::number(static_cast<qlonglong>(finding.number)), QByteArray::number(finding.field), finding.check.toUtf8(),
                finding.english.toUtf8()},
               error)
           != nullptr;
}

} // namespace lng
