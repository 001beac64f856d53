#include "ExchangeCommands.h"

#include "app/Texts.h"
#include "app/Workbench.h"
#include "exchange/XlsFile.h"

#include <QStringList>

namespace lng {

namespace {
const QString kImportQuestion =
    QStringLiteral("This will overwrite all data in the current language column.\r\rAre you sure ?");
const QString kImportTitle = QStringLiteral("Load Excel file?");

// A message number cell travels as a number; an empty one stays empty both ways, so a round
// trip leaves rows without a message as they were.
void copyNumber(const Sheet &from, int fromRow, int fromCol, Sheet &to, int toRow, int toCol)
{
    if (from.CellTypeAt(fromRow, fromCol) == CellType::Empty)
        to.ClearRange(toRow, toCol, toRow, toCol, 3);
    else
        to.SetCellNumber(toRow, toCol, from.CellNumber(fromRow, fromCol));
}

bool copyColumns(const Sheet &exchange, Sheet &table);

// Whether the file's message numbers agree with the table's, row by row, or the user wants the
// file imported all the same.
bool numbersAgree(const Sheet &table, const Sheet &exchange, const QString &path, Prompts &prompts)
{
    constexpr int kShown = 5;
    int differing = 0;
    int numbered = 0;
    QStringList shown;
    for (int row = 1; row <= TableRows; ++row) {
        if (table.CellTypeAt(row, PositionColumn) == CellType::Empty || !(table.CellNumber(row, PositionColumn) > 0))
            continue;
        ++numbered;
        const double number = table.CellNumber(row, PositionColumn);
        const bool fileHasNumber = exchange.CellTypeAt(row + 1, 1) == CellType::Number;
        if (fileHasNumber && exchange.CellNumber(row + 1, 1) == number)
            continue;
        if (++differing <= kShown) {
            shown << QStringLiteral("row %1 of the workbook: message %2 in the table, %3 in the file")
                         .arg(row + 1)
                         .arg(Sheet::formatNumber(number))
                         .arg(fileHasNumber ? Sheet::formatNumber(exchange.CellNumber(row + 1, 1))
                                            : exchange.CellText(row + 1, 1).isEmpty() ? QStringLiteral("nothing")
                                                                                      : QLatin1Char('"') + exchange.CellText(row + 1, 1).left(20) + QLatin1Char('"'));
        }
    }
    if (differing == 0)
        return true;
    QString text = QStringLiteral("Column A of %1 does not hold the table's message numbers in %2 of %3 rows, so its texts "
                                  "would go into the wrong messages and those rows would lose their numbers:\n\n%4")
                       .arg(path)
                       .arg(differing)
                       .arg(numbered)
                       .arg(shown.join(QLatin1Char('\n')));
    if (differing > kShown)
        text += QStringLiteral("\n...");
    text += QStringLiteral("\n\nImport it anyway?");
    return prompts.message(text, Buttons::YesNoDefaultNo, Icon::Question, kImportTitle) == Answer::Yes;
}
} // namespace

void ExportEditedColumn(Workbench &bench)
{
    const Sheet &table = bench.table();
    Sheet &exchange = bench.exchangeSheet();
    for (int row = 1; row <= TableRows; ++row) {
        exchange.SetCellText(row + 1, 2, table.CellText(row, EditedColumn));
        copyNumber(table, row, PositionColumn, exchange, row + 1, 1);
    }
    const QString path = bench.pathOf(ExchangeFileName);
    QString error;
    bool written;
    {
        BusyPointer busy(bench.table());
        written = exchange.WriteWorkbook(path, &error);
    }
    if (!written) {
        bench.critical(texts::CannotWriteTo + path + QStringLiteral("\n\n") + error);
        return;
    }
    bench.information(QStringLiteral("The file & ") + path + QStringLiteral(" was created."));

    QStringList tooLong;
    for (int row = 1; row <= TableRows; ++row) {
        if (table.CellText(row, EditedColumn).size() > XlsCodec::MaxTextLength)
            tooLong << table.CellText(row, PositionColumn);
    }
    if (!tooLong.isEmpty())
        bench.prompts().message(XlsCodec::longTextWarning(tooLong), Buttons::Ok, Icon::Exclamation, NoTitle);
}

void ImportEditedColumn(Workbench &bench)
{
    if (bench.prompts().message(kImportQuestion, Buttons::YesNo, Icon::Question, kImportTitle) != Answer::Yes)
        return;
    const QString path = bench.pathOf(ExchangeFileName);
    Sheet &exchange = bench.exchangeSheet();
    Sheet &table = bench.table();
    QString error;
    bool read;
    {
        BusyPointer busy(table);
        read = exchange.ReadWorkbook(path, &error);
    }
    if (!read) {
        bench.critical(texts::CannotRead + path + QStringLiteral("\n\n") + error);
        return;
    }
    // Rows are matched by position, and the file's numbers overwrite column 1. A file whose
    // column A does not hold the table's numbers (columns swapped, another sheet first, another
    // layout) would put its texts into the wrong messages and wipe the numbers: ask first.
    if (!numbersAgree(table, exchange, path, bench.prompts()))
        return;
    const bool changed = bench.history().recordChange(QStringLiteral("import of ") + ExchangeFileName, TableRows,
                                                      {PositionColumn, EditedColumn}, [&] { return copyColumns(exchange, table); });
    // The imported texts are unsaved work: closing or reloading must offer to save them.
    if (changed)
        bench.state().IsModified = true;
}

namespace {
// The import's copy, row by row; answers whether any cell changed.
bool copyColumns(const Sheet &exchange, Sheet &table)
{
    bool changed = false;
    for (int row = 2; row <= TableRows + 1; ++row) {
        const QString text = exchange.CellText(row, 2);
        const int target = row - 1;
        if (table.CellText(target, EditedColumn) != text) {
            table.SetCellText(target, EditedColumn, text);
            changed = true;
        }
        const CellType before = table.CellTypeAt(target, PositionColumn);
        const double number = table.CellNumber(target, PositionColumn);
        copyNumber(exchange, row, 1, table, target, PositionColumn);
        changed = changed || before != table.CellTypeAt(target, PositionColumn) || number != table.CellNumber(target, PositionColumn);
    }
    return changed;
}
} // namespace

void bindExchangeCommands(Workbench &bench)
{
    CommandDispatcher &commands = bench.dispatcher();
    commands.bind(QStringLiteral("ID_ToExcel"), [&bench] { ExportEditedColumn(bench); });
    commands.bind(QStringLiteral("ID_FromExcel"), [&bench] { ImportEditedColumn(bench); });
}

} // namespace lng
