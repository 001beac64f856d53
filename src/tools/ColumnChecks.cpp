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

// Whether a text's case differs from the reference.
bool differs(Reference reference, const QString &text)
{
    switch (reference) {
    case Reference::Upper:
        return text.toUpper() != text;
    case Reference::Lower:
        return text.toLower() != text;
    case Reference::None:
        break;
    }
    return false;
}

// One pass over rows 1..RowLimit.
int casePass(Sheet &table, CasePass pass, std::uint32_t colour)
{
    const int limit = table.RowLimit();
    int count = 0;
    for (int row = 1; row <= limit; ++row) {
        const QString english = casePassText(pass, table.CellText(row, EnglishColumn));
        const QString second = casePassText(pass, table.CellText(row, SecondColumn));
        const QString edited = casePassText(pass, table.CellText(row, EditedColumn));
        const Reference reference = referenceOf(second);
        if (reference != Reference::None) {
            if (differs(reference, english))
                table.SelectRange(row, EnglishColumn, row, EnglishColumn); // selected, never coloured
            if (!trimSpaces(edited).isEmpty() && differs(reference, edited)) {
                table.SelectRange(row, EditedColumn, row, EditedColumn);
                table.FillSelection(1, colour, 0);
                ++count;
            }
        }
        table.ScrollToActiveCell();
    }
    return count;
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
    const int first = casePass(table, CasePass::FirstLetter, FirstLetterMismatchColour);
    const int whole = casePass(table, CasePass::WholeString, WholeStringMismatchColour);
    bench.information(QStringLiteral("%1 does not match for first letter case and %2 does not match for whole string case.")
                          .arg(first)
                          .arg(whole));
}

QString casePassText(CasePass pass, const QString &text)
{
    return pass == CasePass::FirstLetter ? firstCharacter(text) : text;
}

bool caseDiffers(CasePass pass, const QString &second, const QString &edited)
{
    const QString compared = casePassText(pass, edited);
    return !trimSpaces(compared).isEmpty() && differs(referenceOf(casePassText(pass, second)), compared);
}

void bindColumnChecks(Workbench &bench)
{
    CommandDispatcher &commands = bench.dispatcher();
    commands.bind(QStringLiteral("ID_Rows"), [&bench] { CountBlankRows(bench); });
    commands.bind(QStringLiteral("ID_FindBlank"), [&bench] { FindNextBlankRow(bench); });
    commands.bind(QStringLiteral("ID_CheckCase"), [&bench] { CheckLetterCase(bench); });
}

} // namespace lng
