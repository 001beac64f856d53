#pragma once

#include <QString>

#include <vector>

namespace lng {

class Sheet;
class Workbench;

// Which rows of the message table the view shows.
enum class RowFilterMode {
    AllRows,      // the default after every load
    MessagesOnly, // rows with a message number
    Untranslated, // messages whose edited cell is empty after trimming
    Containing,   // rows with the text in any column, letter case ignored
    WithFindings, // rows the translation checks found something in
};

struct RowFilter {
    RowFilterMode mode = RowFilterMode::AllRows;
    QString text;           // for Containing
    std::vector<int> rows;  // for WithFindings: the rows with findings, ascending

    bool operator==(const RowFilter &) const = default;
};

// Hides the rows the filter leaves out, through the sheet's hidden-row flags (so Search passes
// over them), in one change. Rows are judged as they stand now: a row the user fills afterwards
// stays until the filter is applied again.
void applyRowFilter(Sheet &table, const RowFilter &filter);

// Binds ID_FilterAll, ID_FilterMessages, ID_FilterUntranslated and ID_FilterContaining (with the
// workbench's filter text) and ID_FilterFindings, each applying its filter again to the table as it stands.
void bindRowFilter(Workbench &bench);

} // namespace lng
