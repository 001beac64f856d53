// Reads the first sheet of an Excel workbook through FreeXL.
#include "XlsFile.h"

#include <QFile>

#include <freexl.h>

#include <vector>

namespace lng {

namespace {
// Owns an open FreeXL handle.
class FreeXlHandle {
public:
    ~FreeXlHandle()
    {
        if (m_handle)
            freexl_close(m_handle);
    }
    const void **out() { return &m_handle; }
    const void *get() const { return m_handle; }

private:
    const void *m_handle = nullptr;
};

QString freexlError(int code)
{
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("the file does not exist");
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
        return QStringLiteral("the file is not an Excel 97-2003 workbook");
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return QStringLiteral("the file holds no workbook");
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("not enough memory to read the file");
    default:
        return QStringLiteral("the workbook is damaged, or holds a text longer than about %1 characters, which cannot be "
                              "read (reader error %2)")
            .arg(XlsCodec::SafeTextLength)
            .arg(code);
    }
}

struct ReadCell {
    int row;
    int col;
    bool isNumber;
    double number;
    QString text;
};
} // namespace

bool XlsCodec::read(const QString &path, Sheet &into, QString *error) const
{
    const auto fail = [error](const QString &cause) {
        if (error)
            *error = cause;
        return false;
    };
    if (!QFile::exists(path))
        return fail(freexlError(FREEXL_FILE_NOT_FOUND));

    FreeXlHandle handle;
    const int opened = freexl_open(QFile::encodeName(path).constData(), handle.out());
    if (opened != FREEXL_OK || !handle.get())
        return fail(freexlError(opened));
    unsigned int sheets = 0;
    if (freexl_get_info(handle.get(), FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0)
        return fail(QStringLiteral("the workbook holds no sheet"));
    if (freexl_select_active_worksheet(handle.get(), 0) != FREEXL_OK)
        return fail(QStringLiteral("the first sheet cannot be read"));
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(handle.get(), &rows, &cols) != FREEXL_OK)
        return fail(QStringLiteral("the first sheet's size cannot be read"));
    if (rows > static_cast<unsigned int>(Sheet::MaxRows) || cols > Sheet::MaxColumns)
        return fail(QStringLiteral("the first sheet is larger than a sheet can hold"));

    // Everything is read before the sheet is touched.
    std::vector<ReadCell> cells;
    cells.reserve(static_cast<std::size_t>(rows) * 2);
    for (unsigned int row = 0; row < rows; ++row) {
        for (unsigned short col = 0; col < cols; ++col) {
            FreeXL_CellValue value;
            const int got = freexl_get_cell_value(handle.get(), row, col, &value);
            if (got != FREEXL_OK)
                return fail(QStringLiteral("cell %1 cannot be read (error %2)").arg(cellName(static_cast<int>(row) + 1, col + 1)).arg(got));
            ReadCell cell {static_cast<int>(row) + 1, col + 1, false, 0, {}};
            switch (value.type) {
            case FREEXL_CELL_NULL:
                continue;
            case FREEXL_CELL_INT:
                cell.isNumber = true;
                cell.number = value.value.int_value;
                break;
            case FREEXL_CELL_DOUBLE:
                cell.isNumber = true;
                cell.number = value.value.double_value;
                break;
            default: // texts, and dates and times as the text FreeXL gives
                cell.text = QString::fromUtf8(value.value.text_value);
                // The reader cuts texts past its buffer and can lose the next one; such a
                // file is refused whole rather than imported wrong.
                if (cell.text.size() > XlsCodec::SafeTextLength)
                    return fail(QStringLiteral("cell %1 holds a text longer than about %2 characters, which cannot be read")
                                    .arg(cellName(cell.row, cell.col))
                                    .arg(XlsCodec::SafeTextLength));
                break;
            }
            cells.push_back(std::move(cell));
        }
    }

    into.clearAll();
    for (const ReadCell &cell : cells) {
        if (cell.isNumber)
            into.SetCellNumber(cell.row, cell.col, cell.number);
        else
            into.SetCellText(cell.row, cell.col, cell.text);
    }
    return true;
}

} // namespace lng
