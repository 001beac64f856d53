#pragma once

#include <QString>

namespace lng {

// What a migration copied, and the checksum both sides agreed on.
struct MigrationReport {
    int messages = 0;
    int ignoredFindings = 0; // findings the users chose to ignore, copied with the messages
    QString checksum; // SHA-256 of every record's number and texts, in number order
};

// Copies every record of the message database `from` into the empty database `to`, in one
// transaction that is committed only when both hold the same number of records with the same
// checksum. `to` is made first: a new file (never an existing one), or the table on a server
// that has none yet; a server table that holds records is refused. The findings users chose to
// ignore go with the messages.
bool migrateDatabase(const QString &from, const QString &to, MigrationReport *report, QString *error);

} // namespace lng
