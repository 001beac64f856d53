#pragma once

#include <QString>

namespace lng {

// Creates a message database at `dbPath` from a tab-separated file: a heading line, then one
// line per message with the 20 fields in ordinal order; "\N" stands for Null, "\t" and "\\"
// for a tab and a backslash.
bool createDatabaseFromTsv(const QString &tsvPath, const QString &dbPath, QString *error);

} // namespace lng
