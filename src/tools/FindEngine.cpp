#include "FindEngine.h"

#include "grid/Sheet.h"

#include <cmath>

namespace lng {

namespace {
double hundredths(double value)
{
    return std::floor((value + 0.001) * 100);
}
} // namespace

bool CellMatches(const Sheet &sheet, int row, int col, const FindOptions &options)
{
    const CellType type = sheet.CellTypeAt(row, col);
    if (options.look == FindOptions::Look::Values) {
        if (type != CellType::Number)
            return false;
        bool ok = false;
        const double wanted = options.locale.toDouble(options.text.trimmed(), &ok);
        // A search text that is not a number matches nothing (never 0 by accident).
        return ok && hundredths(sheet.CellNumberAt(row, col)) == hundredths(wanted);
    }
    if (type != CellType::Text)
        return false;
    const QString cell = sheet.CellTextAt(row, col);
    if (options.entireCell) {
        if (options.matchCase)
            return cell == options.text;
        return options.locale.toUpper(cell) == options.locale.toUpper(options.text);
    }
    if (options.matchCase)
        return cell.contains(options.text);
    return options.locale.toUpper(cell).contains(options.locale.toUpper(options.text));
}

FindSearch::Result FindSearch::run(const Sheet &sheet, const FindOptions &options, const std::function<void()> &yield,
                                   const std::function<bool()> &stopRequested)
{
    int r = sheet.ActiveRow();
    int c = sheet.ActiveColumn();
    const int lastRow = sheet.LastUsedRow();
    const int lastColumn = sheet.LastUsedColumn();
    const int r0 = std::min(r, lastRow);
    const int c0 = std::min(c, lastColumn);
    const int colLimit = sheet.ActiveColumn() < 10 ? 9 : lastColumn;
    if (lastRow == 0)
        return {Outcome::EmptySheet};

    const auto test = [&](int row, int col) -> std::optional<Result> {
        if (row == r0 && col == c0)
            return Result {Outcome::NoMatch};
        if (CellMatches(sheet, row, col, options))
            return Result {Outcome::Hit, row, col};
        return std::nullopt;
    };

    // A start cell the scan cannot reach (hidden, or beyond its row's data) would let the scan
    // cycle for ever: one complete cycle, and a little more, ends it without a match.
    if (options.order == FindOptions::Order::ByRows) {
        const int maxPasses = lastRow + 2;
        ++c;
        for (int pass = 0; pass < maxPasses; ++pass) {
            if (yield)
                yield();
            if (stopRequested())
                return {Outcome::Stopped};
            if (!sheet.RowHidden(r)) {
                const int rowEnd = sheet.LastUsedColumnInRow(r);
                for (; c <= rowEnd; ++c) {
                    if (stopRequested())
                        return {Outcome::Stopped};
                    if (!sheet.ColumnHidden(c)) {
                        if (const auto result = test(r, c))
                            return *result;
                    }
                }
            }
            c = 1;
            r = r < lastRow ? r + 1 : 1;
        }
        return {Outcome::NoMatch};
    }

    const int maxPasses = colLimit + 2;
    ++r;
    for (int pass = 0; pass < maxPasses; ++pass) {
        if (yield)
            yield();
        if (stopRequested())
            return {Outcome::Stopped};
        if (!sheet.ColumnHidden(c)) {
            for (; r <= lastRow; ++r) {
                if (stopRequested())
                    return {Outcome::Stopped};
                if (!sheet.RowHidden(r)) {
                    if (const auto result = test(r, c))
                        return *result;
                }
            }
        }
        r = 1;
        c = c < colLimit ? c + 1 : 1;
    }
    return {Outcome::NoMatch};
}

void showHit(Sheet &sheet, int row, int col)
{
    sheet.SetActiveRow(row);
    sheet.SetActiveColumn(col);
    if (!sheet.RangeOnScreen(row, col, row, col)) {
        sheet.SetTopVisibleRow(row > 1 ? row - 1 : 1);
        sheet.SetLeftVisibleColumn(col > 1 ? col - 1 : 1);
    }
}

} // namespace lng
