#pragma once

#include <QString>

#include <functional>

namespace lng {

class Workbench;

// The text a save stores for a cell: control characters become spaces, double quotes become
// apostrophes, and leading and trailing spaces go.
QString CleanText(const QString &text);

// Writes the message table back into the database. Answers true when nothing was saved.
// `rowVisited`, when set, is called after each row of the table has been handled.
bool saveTable(Workbench &bench, const std::function<void(int row)> &rowVisited);

} // namespace lng
