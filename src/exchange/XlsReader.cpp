// Reads the first sheet of an Excel workbook through FreeXL.
#include "XlsFile.h"

#include "Gsf.h"

#include <QFile>
#include <QtEndian>

#include <freexl.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>

#include <optional>
#include <utility>
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

// The first cell of the first sheet that holds a formula, as (row, column) from 1, or nullopt.
// The reader gives formula cells as empty, and LibreOffice does not even store the text a
// formula shows: such a cell cannot be imported as what the user sees. Fails only when the
// workbook's records cannot be walked.
bool findFormulaCell(const QString &path, std::optional<std::pair<int, int>> *found, QString *cause)
{
    constexpr std::uint16_t Formula = 0x0006, Eof = 0x000A, BoundSheet = 0x0085, Bof = 0x0809;
    *found = std::nullopt;
    gsf::ensureInitialised();
    GError *gerror = nullptr;
    gsf::Ptr<GsfInput> file(gsf_input_stdio_new(QFile::encodeName(path).constData(), &gerror));
    gsf::Ptr<GsfInfile> ole(file ? gsf_infile_msole_new(file.get(), &gerror) : nullptr);
    if (gerror)
        g_error_free(gerror);
    gsf::Ptr<GsfInput> stream(ole ? gsf_infile_child_by_name(ole.get(), "Workbook") : nullptr);
    if (!stream)
        return true; // not a BIFF8 workbook: the reader has its own way with those
    const gsf_off_t size = gsf_input_size(stream.get());
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (size > 0 && !gsf_input_read(stream.get(), static_cast<std::size_t>(size), reinterpret_cast<guint8 *>(bytes.data()))) {
        *cause = QStringLiteral("the workbook's records cannot be read");
        return false;
    }
    const auto u16 = [&bytes](qsizetype at) { return qFromLittleEndian<std::uint16_t>(bytes.constData() + at); };
    // Walks the records from `at` to the substream's end; `visit` answers whether to go on.
    const auto walk = [&](qsizetype at, const auto &visit) {
        while (at + 4 <= bytes.size()) {
            const std::uint16_t type = u16(at);
            const qsizetype length = u16(at + 2);
            if (at + 4 + length > bytes.size())
                return false;
            if (!visit(type, at + 4, length) || type == Eof)
                return true;
            at += 4 + length;
        }
        return false;
    };
    qsizetype sheet = -1;
    const bool globalsRead = walk(0, [&](std::uint16_t type, qsizetype body, qsizetype length) {
        if (type == BoundSheet && length >= 4) {
            sheet = qFromLittleEndian<std::uint32_t>(bytes.constData() + body);
            return false;
        }
        return true;
    });
    if (!globalsRead || sheet < 0 || sheet + 4 > bytes.size() || u16(sheet) != Bof) {
        *cause = QStringLiteral("the workbook's records are damaged");
        return false;
    }
    const bool sheetRead = walk(sheet, [&](std::uint16_t type, qsizetype body, qsizetype length) {
        if (type == Formula && length >= 4) {
            *found = std::make_pair(u16(body) + 1, u16(body + 2) + 1);
            return false;
        }
        return true;
    });
    if (!sheetRead) {
        *cause = QStringLiteral("the workbook's records are damaged");
        return false;
    }
    return true;
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

    std::optional<std::pair<int, int>> formula;
    QString cause;
    if (!findFormulaCell(path, &formula, &cause))
        return fail(cause);
    if (formula)
        return fail(QStringLiteral("cell %1 holds a formula; only values can be imported. Replace the formulas by their "
                                   "values and save the workbook again.")
                        .arg(cellName(formula->first, formula->second)));

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
