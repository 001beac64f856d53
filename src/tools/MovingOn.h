#pragma once

#include <optional>

namespace lng {

class Sheet;
class Workbench;

// The next untranslated message after `row`: the next row below, wrapping round once, that has
// a message number and whose edited cell is empty after trimming; nullopt when there is none.
std::optional<int> nextUntranslatedRow(const Sheet &table, int row);

// Ctrl+Enter: the active cell goes to the next untranslated message's edited cell, or the
// status bar says that none is left.
void goToNextUntranslated(Workbench &bench);
// F3: the last search again, from the active cell, without the dialog.
void findAgain(Workbench &bench);

// Binds ID_NextUntranslated and ID_FindAgain.
void bindMovingOn(Workbench &bench);

} // namespace lng
