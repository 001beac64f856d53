#include "RowFilter.h"

#include "app/TextRules.h"
#include "app/Workbench.h"

#include <QStringMatcher>

#include <algorithm>

#include <vector>

namespace lng {

void applyRowFilter(Sheet &table, const RowFilter &filter)
{
    const auto isMessage = [&](int row) {
        return table.CellTypeAt(row, PositionColumn) == CellType::Number && table.CellNumber(row, PositionColumn) > 0;
    };
    const QStringMatcher matcher(filter.text, Qt::CaseInsensitive);
    // A number shows only digits, a point, a sign and an exponent: no other text can match one.
    const bool numbersMayMatch = std::all_of(filter.text.begin(), filter.text.end(), [](QChar ch) {
        return ch.isDigit() || ch == QLatin1Char('.') || ch == QLatin1Char('-') || ch == QLatin1Char('+')
               || ch.toLower() == QLatin1Char('e');
    });
    const auto contains = [&](int row) {
        // Texts first; a number is formatted only when no text of the row matched.
        for (int col = CommentsColumn; col <= EditedColumn; ++col) {
            if (table.CellTypeAt(row, col) == CellType::Text && matcher.indexIn(table.CellText(row, col)) >= 0)
                return true;
        }
        for (int col = PositionColumn; numbersMayMatch && col <= EditedColumn; ++col) {
            if (table.CellTypeAt(row, col) == CellType::Number && matcher.indexIn(table.CellText(row, col)) >= 0)
                return true;
        }
        return false;
    };
    std::vector<bool> hidden(TableRows, false);
    if (filter.mode != RowFilterMode::AllRows && !(filter.mode == RowFilterMode::Containing && filter.text.isEmpty())) {
        for (int row = 1; row <= TableRows; ++row) {
            bool shown = false;
            switch (filter.mode) {
            case RowFilterMode::AllRows:
                shown = true;
                break;
            case RowFilterMode::MessagesOnly:
                shown = isMessage(row);
                break;
            case RowFilterMode::Untranslated:
                shown = isMessage(row) && trimSpaces(table.CellText(row, EditedColumn)).isEmpty();
                break;
            case RowFilterMode::Containing:
                shown = contains(row);
                break;
            case RowFilterMode::WithFindings:
                shown = std::binary_search(filter.rows.begin(), filter.rows.end(), row);
                break;
            }
            hidden[static_cast<std::size_t>(row - 1)] = !shown;
        }
    }
    table.setHiddenRows(hidden);
}

} // namespace lng

namespace lng {

void bindRowFilter(Workbench &bench)
{
    const auto bindMode = [&bench](const char *identifier, RowFilterMode mode) {
        bench.dispatcher().bind(QString::fromLatin1(identifier), [&bench, mode] {
            bench.rowFilter.mode = mode;
            applyRowFilter(bench.table(), bench.rowFilter);
        });
    };
    bindMode("ID_FilterAll", RowFilterMode::AllRows);
    bindMode("ID_FilterMessages", RowFilterMode::MessagesOnly);
    bindMode("ID_FilterUntranslated", RowFilterMode::Untranslated);
    bindMode("ID_FilterContaining", RowFilterMode::Containing);
    bench.dispatcher().bind(QStringLiteral("ID_FilterFindings"), [&bench] {
        if (!bench.findings().hasRun())
            bench.findings().runAll();
        bench.rowFilter.mode = RowFilterMode::WithFindings;
        bench.rowFilter.rows = bench.findings().rowsWithFindings();
        applyRowFilter(bench.table(), bench.rowFilter);
    });
}

} // namespace lng
