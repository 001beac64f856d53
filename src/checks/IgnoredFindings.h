#pragma once

#include <QString>

#include <cstdint>
#include <set>
#include <tuple>

namespace lng {

class MessageDatabase;

// Findings the user chose to ignore, kept in the message database in a table of their own
// (`Languages` keeps the layout other programs rely on). A finding is keyed by message number,
// language field, check and the English text, so it comes back when the English text changes.
class IgnoredFindings {
public:
    // Reads the table; a database without one has nothing ignored.
    bool read(const MessageDatabase &db, QString *error);
    bool contains(std::int64_t number, int field, const QString &check, const QString &english) const;
    void insert(std::int64_t number, int field, const QString &check, const QString &english);
    // Keeps one more ignored finding in the database at `path` (creating the table when needed).
    static bool add(const QString &path, std::int64_t number, int field, const QString &check, const QString &english,
                    QString *error);

private:
    std::set<std::tuple<std::int64_t, int, QString, QString>> m_keys;
};

} // namespace lng
