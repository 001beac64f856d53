#include "ColumnChecks.h"

#include "app/TextRules.h"
#include "app/Workbench.h"

namespace lng {

namespace {
const QString kBlankRowsPrefix = QStringLiteral("Rows remaining blank: ");
const QString kNoBlankRow = QStringLiteral("No remaining blank row in this column");
const QString kMustUnlock = QStringLiteral("Must unlock to call this function !");

// The first character of a text with one space appended: its first character (both halves of
// a surrogate pair), or a space when it is empty.
QString firstCharacter(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral(" ");
    const qsizetype length = text.size() > 1 && text[0].isHighSurrogate() && text[1].isLowSurrogate() ? 2 : 1;
    return text.left(length);
}

enum class Reference { Upper, Lower, None };

Reference referenceOf(const QString &second)
{
    if (second.toUpper() == second)
        return Reference::Upper; // also texts without letters, and the empty text
    if (second.toLower() == second)
        return Reference::Lower;
    return Reference::None;
}

// One pass over rows 1..RowLimit; `take` cuts each cell's text down to what is compared.
int casePass(Sheet &table, std::uint32_t colour, QString (*take)(const QString &))
{
    const int limit = table.RowLimit();
    int count = 0;
    for (int row = 1; row <= limit; ++row) {
        const QString english = take(table.CellText(row, EnglishColumn));
        const QString second = take(table.CellText(row, SecondColumn));
        const QString edited = take(table.CellText(row, EditedColumn));
        const Reference reference = referenceOf(second);
        if (reference != Reference::None) {
            const auto mapped = [reference](const QString &text) {
                return reference == Reference::Upper ? text.toUpper() : text.toLower();
            };
            if (mapped(english) != english)
                table.SelectRange(row, EnglishColumn, row, EnglishColumn); // selected, never coloured
            if (!trimSpaces(edited).isEmpty() && mapped(edited) != edited) {
                table.SelectRange(row, EditedColumn, row, EditedColumn);
                table.FillSelection(1, colour, 0);
                ++count;
            }
        }
        table.ScrollToActiveCell();
    }
    return count;
}

QString wholeText(const QString &text)
{
    return text;
}
} // namespace

void CountBlankRows(Workbench &bench)
{
    Sheet &table = bench.table();
    const int column = table.ActiveColumn();
    const int last = table.LastUsedRow();
    int count = 0;
    // A cell's text is empty exactly when the cell is: no need to format the numbers.
    for (int row = 1; row <= last; ++row) {
        if (table.CellTypeAt(row, PositionColumn) != CellType::Empty && table.CellTypeAt(row, column) == CellType::Empty)
            ++count;
    }
    bench.information(kBlankRowsPrefix + QString::number(count));
}

void FindNextBlankRow(Workbench &bench)
{
    Sheet &table = bench.table();
    const int column = table.ActiveColumn();
    const int start = table.ActiveRow();
    const int limit = table.RowLimit();
    const auto isBlank = [&](int row) { return trimSpaces(table.CellText(row, column)).isEmpty(); };
    const auto moveTo = [&](int row) {
        table.SetActiveRow(row);
        table.ScrollToActiveCell();
    };
    for (int row = start; row <= limit; ++row) {
        if (isBlank(row))
            return moveTo(row);
    }
    for (int row = 1; row <= start; ++row) {
        if (isBlank(row))
            return moveTo(row);
    }
    bench.information(kNoBlankRow);
}

void CheckLetterCase(Workbench &bench)
{
    if (!bench.state().IsUnlocked) {
        bench.information(kMustUnlock);
        return;
    }
    Sheet &table = bench.table();
    const int first = casePass(table, FirstLetterMismatchColour, &firstCharacter);
    const int whole = casePass(table, WholeStringMismatchColour, &wholeText);
    bench.information(QStringLiteral("%1 does not match for first letter case and %2 does not match for whole string case.")
                          .arg(first)
                          .arg(whole));
}

void bindColumnChecks(Workbench &bench)
{
    CommandDispatcher &commands = bench.dispatcher();
    commands.bind(QStringLiteral("ID_Rows"), [&bench] { CountBlankRows(bench); });
    commands.bind(QStringLiteral("ID_FindBlank"), [&bench] { FindNextBlankRow(bench); });
    commands.bind(QStringLiteral("ID_CheckCase"), [&bench] { CheckLetterCase(bench); });
}

} // namespace lng
