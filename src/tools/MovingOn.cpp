#include "MovingOn.h"

#include "app/TextRules.h"
#include "app/Workbench.h"

namespace lng {

namespace {
const QString kNoSuchData = QStringLiteral("No such data");
} // namespace

std::optional<int> nextUntranslatedRow(const Sheet &table, int row)
{
    const int last = std::min(table.RowLimit(), TableRows);
    const auto untranslated = [&](int r) {
        return table.CellTypeAt(r, PositionColumn) == CellType::Number && table.CellNumber(r, PositionColumn) > 0
               && trimSpaces(table.CellText(r, EditedColumn)).isEmpty();
    };
    for (int step = 1; step <= last; ++step) {
        const int r = (row - 1 + step) % last + 1;
        if (untranslated(r))
            return r;
    }
    return std::nullopt;
}

void goToNextUntranslated(Workbench &bench)
{
    Sheet &table = bench.table();
    const std::optional<int> row = nextUntranslatedRow(table, table.ActiveRow());
    if (!row) {
        bench.status(QStringLiteral("No untranslated message is left in %1").arg(bench.state().EditedLanguageName));
        return;
    }
    table.setActiveCell(*row, EditedColumn);
    table.ScrollToActiveCell();
}

void findAgain(Workbench &bench)
{
    if (!bench.lastSearch) {
        bench.dispatcher().dispatch(QStringLiteral("ID_Search")); // nothing to repeat yet: ask
        return;
    }
    Sheet &table = bench.table();
    const FindSearch::Result result = FindSearch::run(table, *bench.lastSearch, [] {}, [] { return false; });
    if (result.outcome == FindSearch::Outcome::Hit)
        showHit(table, result.row, result.col);
    else
        bench.prompts().message(kNoSuchData, Buttons::Ok, Icon::None, AppTitle);
}

void bindMovingOn(Workbench &bench)
{
    CommandDispatcher &commands = bench.dispatcher();
    commands.bind(QStringLiteral("ID_NextUntranslated"), [&bench] { goToNextUntranslated(bench); });
    commands.bind(QStringLiteral("ID_FindAgain"), [&bench] { findAgain(bench); });
}

} // namespace lng
