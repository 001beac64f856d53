#include "CellMoves.h"

#include <algorithm>

namespace lng {

std::pair<int, int> cellAfterMove(const Sheet &sheet, int row, int col, CellMove move)
{
    const int lastRow = std::max(1, sheet.RowLimit());
    const int lastCol = sheet.columnCount();
    switch (move) {
    case CellMove::Down:
        return {std::min(row + 1, lastRow), col};
    case CellMove::Up:
        return {std::max(row - 1, 1), col};
    case CellMove::Next:
    case CellMove::Previous: {
        const int step = move == CellMove::Next ? 1 : -1;
        // Cells in reading order; a locked table offers only its unlocked column.
        const long long last = static_cast<long long>(lastRow) * lastCol;
        for (long long at = static_cast<long long>(row - 1) * lastCol + (col - 1) + step; at >= 0 && at < last; at += step) {
            const int r = static_cast<int>(at / lastCol) + 1;
            const int c = static_cast<int>(at % lastCol) + 1;
            if (sheet.isEditable(r, c))
                return {r, c};
        }
        return {row, col};
    }
    }
    return {row, col};
}

} // namespace lng
