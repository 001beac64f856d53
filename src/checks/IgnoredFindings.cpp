#include "IgnoredFindings.h"

#include "db/MessageDatabase.h"

namespace lng {

bool IgnoredFindings::read(const MessageDatabase &db, QString *error)
{
    m_keys.clear();
    std::vector<MessageDatabase::IgnoredFinding> findings;
    if (!db.readIgnoredFindings(&findings, error))
        return false;
    for (const MessageDatabase::IgnoredFinding &finding : findings)
        insert(finding.number, finding.field, finding.check, finding.english);
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
    return db.open(path, MessageDatabase::Access::ReadWrite, error) && db.isWritable(error)
           && db.addIgnoredFinding({number, field, check, english}, error);
}

} // namespace lng
