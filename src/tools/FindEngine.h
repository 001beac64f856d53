#pragma once

#include <QLocale>
#include <QString>

#include <functional>

namespace lng {

class Sheet;

// What the find dialog's controls say.
struct FindOptions {
    enum class Order { ByRows, ByColumns };
    enum class Look { Texts, Values };

    QString text;
    Order order = Order::ByColumns;
    Look look = Look::Texts;
    bool matchCase = false;
    bool entireCell = false;
    QLocale locale; // the user's: decimal separator and letter case
};

// Whether one cell matches the search.
bool CellMatches(const Sheet &sheet, int row, int col, const FindOptions &options);

// One search from the cell after the active cell, in the chosen order, over the used area,
// wrapping around; the start cell itself is never tested.
class FindSearch {
public:
    enum class Outcome { Hit, NoMatch, Stopped, EmptySheet };
    struct Result {
        Outcome outcome;
        int row = 0;
        int col = 0;
    };

    // `yield` lets pending window events run (once per row or column scanned); `stopRequested`
    // is read at each yield and before each cell.
    static Result run(const Sheet &sheet, const FindOptions &options, const std::function<void()> &yield,
                      const std::function<bool()> &stopRequested);
};

// Moves the active cell to a hit and scrolls it into view when it is not fully visible:
// one row below the top and one column right of the left edge.
void showHit(Sheet &sheet, int row, int col);

} // namespace lng
