// Reads the first sheet of an Excel 97-2003 workbook into a sheet.
#include "XlsFile.h"

#include "BiffReader.h"

#include <QFile>

namespace lng {

namespace {
// No exchange workbook comes near this; a larger file is not read into memory.
constexpr qint64 kLargestWorkbook = 256 * 1024 * 1024;
} // namespace

bool XlsCodec::read(const QString &path, Sheet &into, QString *error) const
{
    const auto fail = [error](const QString &cause) {
        if (error)
            *error = cause;
        return false;
    };
    QFile file(path);
    if (!file.exists())
        return fail(QStringLiteral("the file does not exist"));
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    if (file.size() > kLargestWorkbook)
        return fail(QStringLiteral("the file is larger than %1 MB, far larger than any exchange workbook").arg(kLargestWorkbook >> 20));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());

    // Everything is read before the sheet is touched.
    std::vector<WorkbookCell> cells;
    if (!readWorkbookCells(bytes, &cells, error))
        return false;
    for (const WorkbookCell &cell : cells) {
        if (cell.row > Sheet::MaxRows || cell.col > Sheet::MaxColumns)
            return fail(QStringLiteral("the first sheet is larger than a sheet can hold"));
    }
    into.clearAll();
    for (const WorkbookCell &cell : cells) {
        if (cell.isNumber)
            into.SetCellNumber(cell.row, cell.col, cell.number);
        else
            into.SetCellText(cell.row, cell.col, cell.text);
    }
    return true;
}

} // namespace lng
