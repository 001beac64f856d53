#pragma once

#include "Sheet.h"

#include <utility>

namespace lng {

// Where the active cell goes when the user moves on from a cell, as a spreadsheet moves it.
enum class CellMove {
    Down,     // Enter: the next row's cell in the same column
    Up,       // Shift+Enter
    Next,     // Tab: the next cell the user may type into, row after row
    Previous, // Shift+Tab
};

// The cell (row, column) a move leads to from (row, col); the cell itself when there is none.
// Rows stay within the sheet's row limit.
std::pair<int, int> cellAfterMove(const Sheet &sheet, int row, int col, CellMove move);

} // namespace lng
