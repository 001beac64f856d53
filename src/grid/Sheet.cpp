#include "Sheet.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <utility>

namespace lng {

Sheet::Sheet(int columnCount, QObject *parent)
    : QObject(parent)
    , m_columnCount(std::clamp(columnCount, 1, MaxColumns))
{
}

Sheet::~Sheet() = default;

bool Sheet::inSheet(int row, int col) const
{
    return row >= 1 && row <= MaxRows && col >= 1 && col <= MaxColumns;
}

const Sheet::Cell *Sheet::cellAt(int row, int col) const
{
    if (row < 1 || col < 1 || row > static_cast<int>(m_rows.size()))
        return nullptr;
    const Row &r = m_rows[row - 1];
    if (col > static_cast<int>(r.size()))
        return nullptr;
    return &r[col - 1];
}

Sheet::Cell *Sheet::existingCell(int row, int col)
{
    return const_cast<Cell *>(std::as_const(*this).cellAt(row, col));
}

Sheet::Cell *Sheet::cellForWrite(int row, int col)
{
    if (!inSheet(row, col))
        return nullptr;
    if (row > static_cast<int>(m_rows.size()))
        m_rows.resize(row);
    Row &r = m_rows[row - 1];
    if (col > static_cast<int>(r.size()))
        r.resize(col);
    return &r[col - 1];
}

void Sheet::markDirty(int row, int col)
{
    markDirty(CellRange {row, col, row, col});
}

void Sheet::markDirty(const CellRange &range)
{
    if (!m_dirty) {
        m_dirty = range;
        emit changesPending();
        return;
    }
    m_dirty->row1 = std::min(m_dirty->row1, range.row1);
    m_dirty->col1 = std::min(m_dirty->col1, range.col1);
    m_dirty->row2 = std::max(m_dirty->row2, range.row2);
    m_dirty->col2 = std::max(m_dirty->col2, range.col2);
}

std::optional<CellRange> Sheet::takeDirtyRange()
{
    return std::exchange(m_dirty, std::nullopt);
}

// --- Cell contents ------------------------------------------------------------------------

double Sheet::CellNumber(int row, int col) const
{
    const Cell *cell = cellAt(row, col);
    return cell && cell->type == CellType::Number ? cell->number : 0.0;
}

QString Sheet::formatNumber(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    // Whole numbers, message numbers above all, the quick way; the same text as 'g' gives them.
    if (value == std::floor(value) && std::abs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

QString Sheet::CellText(int row, int col) const
{
    const Cell *cell = cellAt(row, col);
    if (!cell)
        return {};
    switch (cell->type) {
    case CellType::Text:
        return cell->text;
    case CellType::Number:
        return formatNumber(cell->number);
    case CellType::Empty:
        break;
    }
    return {};
}

CellType Sheet::CellTypeAt(int row, int col) const
{
    const Cell *cell = cellAt(row, col);
    return cell ? cell->type : CellType::Empty;
}

bool Sheet::SetCellNumber(int row, int col, double value)
{
    Cell *cell = cellForWrite(row, col);
    if (!cell)
        return false;
    cell->type = CellType::Number;
    cell->number = value;
    cell->text.clear();
    markDirty(row, col);
    return true;
}

bool Sheet::SetCellText(int row, int col, const QString &text)
{
    if (!inSheet(row, col))
        return false;
    if (text.isEmpty()) {
        // An empty text empties the cell, as in any spreadsheet.
        if (Cell *cell = existingCell(row, col); cell && cell->type != CellType::Empty) {
            cell->type = CellType::Empty;
            cell->text.clear();
            cell->number = 0;
            markDirty(row, col);
        }
        return true;
    }
    Cell *cell = cellForWrite(row, col);
    cell->type = CellType::Text;
    cell->text = text;
    cell->number = 0;
    markDirty(row, col);
    return true;
}

bool Sheet::ClearRange(int row1, int col1, int row2, int col2, int mode)
{
    if (row1 > row2 || col1 > col2 || !inSheet(row1, col1))
        return false;
    const int lastRow = std::min<int>(row2, static_cast<int>(m_rows.size()));
    for (int r = row1; r <= lastRow; ++r) {
        Row &cells = m_rows[r - 1];
        const int lastCol = std::min<int>(col2, static_cast<int>(cells.size()));
        for (int c = col1; c <= lastCol; ++c) {
            Cell &cell = cells[c - 1];
            cell.type = CellType::Empty;
            cell.text.clear();
            cell.number = 0;
            if (mode == 1 || mode == 2) { // everything, or formats as well
                cell.locked = true;
                cell.hasFill = false;
            }
        }
    }
    markDirty(CellRange {row1, col1, row2, col2});
    return true;
}

void Sheet::clearAll()
{
    m_rows.clear();
    markDirty(CellRange {1, 1, MaxRows, MaxColumns});
}

int Sheet::LastUsedRow() const
{
    for (int r = static_cast<int>(m_rows.size()); r >= 1; --r) {
        if (LastUsedColumnInRow(r) > 0)
            return r;
    }
    return 0;
}

int Sheet::LastUsedColumn() const
{
    int last = 0;
    for (int r = 1; r <= static_cast<int>(m_rows.size()); ++r)
        last = std::max(last, LastUsedColumnInRow(r));
    return last;
}

int Sheet::LastUsedColumnInRow(int row) const
{
    if (row < 1 || row > static_cast<int>(m_rows.size()))
        return 0;
    const Row &cells = m_rows[row - 1];
    for (int c = static_cast<int>(cells.size()); c >= 1; --c) {
        if (cells[c - 1].type != CellType::Empty)
            return c;
    }
    return 0;
}

// --- Layout --------------------------------------------------------------------------------

QString Sheet::ColumnHeading(int col) const
{
    if (col >= 1 && col <= static_cast<int>(m_headings.size()) && !m_headings[col - 1].isNull())
        return m_headings[col - 1];
    return columnLetters(col);
}

void Sheet::SetColumnHeading(int col, const QString &heading)
{
    if (col < 1 || col > MaxColumns)
        return;
    if (col > static_cast<int>(m_headings.size()))
        m_headings.resize(col);
    m_headings[col - 1] = heading.isNull() ? QStringLiteral("") : heading;
    emit structureChanged();
}

void Sheet::SetRowLimit(int rows)
{
    rows = std::clamp(rows, 0, MaxRows);
    if (rows == m_rowLimit)
        return;
    m_rowLimit = rows;
    emit structureChanged();
}

bool Sheet::RowHidden(int row) const
{
    return row >= 1 && row <= static_cast<int>(m_hiddenRows.size()) && m_hiddenRows[row - 1];
}

bool Sheet::ColumnHidden(int col) const
{
    return col >= 1 && col <= static_cast<int>(m_hiddenColumns.size()) && m_hiddenColumns[col - 1];
}

void Sheet::SetRowHidden(int row, bool hidden)
{
    if (row < 1 || row > MaxRows)
        return;
    if (row > static_cast<int>(m_hiddenRows.size()))
        m_hiddenRows.resize(row, false);
    m_hiddenRows[row - 1] = hidden;
    emit structureChanged();
}

void Sheet::setHiddenRows(std::vector<bool> hidden)
{
    if (hidden == m_hiddenRows)
        return;
    m_hiddenRows = std::move(hidden);
    emit structureChanged();
}

void Sheet::SetColumnHidden(int col, bool hidden)
{
    if (col < 1 || col > MaxColumns)
        return;
    if (col > static_cast<int>(m_hiddenColumns.size()))
        m_hiddenColumns.resize(col, false);
    m_hiddenColumns[col - 1] = hidden;
    emit structureChanged();
}

int Sheet::ColumnWidth(int col) const
{
    if (col >= 1 && col <= static_cast<int>(m_widths.size()) && m_widths[col - 1] > 0)
        return m_widths[col - 1];
    return DefaultColumnWidth;
}

void Sheet::SetColumnWidth(int col, int width)
{
    if (col < 1 || col > MaxColumns || width <= 0)
        return;
    if (col > static_cast<int>(m_widths.size()))
        m_widths.resize(col, 0);
    m_widths[col - 1] = width;
    emit structureChanged();
}

void Sheet::AutoFitRange(int row1, int col1, int row2, int col2)
{
    // A character of text is taken as one "0" wide, plus a little margin; the widest text of
    // each column decides, and a fit never makes a column narrower than it is.
    constexpr int kMaxWidth = 255 * 256;
    bool changed = false;
    for (int c = std::max(col1, 1); c <= std::min(col2, MaxColumns); ++c) {
        int widest = 0;
        const int lastRow = std::min<int>(row2, static_cast<int>(m_rows.size()));
        for (int r = std::max(row1, 1); r <= lastRow; ++r)
            widest = std::max(widest, static_cast<int>(CellText(r, c).size()));
        const int wanted = std::min(kMaxWidth, (widest + 2) * 256);
        if (wanted > ColumnWidth(c)) {
            if (c > static_cast<int>(m_widths.size()))
                m_widths.resize(c, 0);
            m_widths[c - 1] = wanted;
            changed = true;
        }
    }
    if (changed)
        emit structureChanged();
}

// --- Formats and protection ----------------------------------------------------------------

void Sheet::SetSheetProtected(bool on)
{
    if (m_protected == on)
        return;
    m_protected = on;
    emit structureChanged();
}

bool Sheet::CellLocked(int row, int col) const
{
    const Cell *cell = cellAt(row, col);
    return cell ? cell->locked : true;
}

std::optional<std::uint32_t> Sheet::CellFill(int row, int col) const
{
    const Cell *cell = cellAt(row, col);
    if (cell && cell->hasFill)
        return cell->fill;
    return std::nullopt;
}

void Sheet::SetSelectionProtection(bool locked, bool /*hidden*/)
{
    const CellRange s = m_selection;
    for (int r = s.row1; r <= s.row2; ++r) {
        for (int c = s.col1; c <= s.col2; ++c) {
            if (Cell *cell = cellForWrite(r, c))
                cell->locked = locked;
        }
    }
    markDirty(s);
}

void Sheet::FillSelection(int pattern, std::uint32_t colour, std::uint32_t /*background*/)
{
    const CellRange s = m_selection;
    for (int r = s.row1; r <= s.row2; ++r) {
        for (int c = s.col1; c <= s.col2; ++c) {
            if (Cell *cell = cellForWrite(r, c)) {
                cell->hasFill = pattern != 0;
                cell->fill = colour & 0x00FFFFFFu;
            }
        }
    }
    markDirty(s);
}

bool Sheet::isEditable(int row, int col) const
{
    return inSheet(row, col) && !(m_protected && CellLocked(row, col));
}

// --- Active cell, selection, view ------------------------------------------------------------

void Sheet::setActiveCell(int row, int col)
{
    row = std::clamp(row, 1, MaxRows);
    col = std::clamp(col, 1, MaxColumns);
    m_activeRow = row;
    m_activeColumn = col;
    m_selection = CellRange {row, col, row, col};
    emit viewChanged();
}

void Sheet::SetActiveRow(int row)
{
    setActiveCell(row, m_activeColumn);
}

void Sheet::SetActiveColumn(int col)
{
    setActiveCell(m_activeRow, col);
}

void Sheet::SelectRange(int row1, int col1, int row2, int col2)
{
    CellRange range {std::min(row1, row2), std::min(col1, col2), std::max(row1, row2), std::max(col1, col2)};
    range.row1 = std::clamp(range.row1, 1, MaxRows);
    range.row2 = std::clamp(range.row2, 1, MaxRows);
    range.col1 = std::clamp(range.col1, 1, MaxColumns);
    range.col2 = std::clamp(range.col2, 1, MaxColumns);
    m_selection = range;
    m_activeRow = range.row1;
    m_activeColumn = range.col1;
    emit viewChanged();
}

void Sheet::selectWithActiveCell(const CellRange &range, int row, int col)
{
    SelectRange(range.row1, range.col1, range.row2, range.col2);
    if (m_selection.contains(row, col)) {
        m_activeRow = row;
        m_activeColumn = col;
        emit viewChanged();
    }
}

QString Sheet::SelectionText() const
{
    const CellRange &s = m_selection;
    if (s.row1 == s.row2 && s.col1 == s.col2)
        return cellName(s.row1, s.col1);
    return cellName(s.row1, s.col1) + QLatin1Char(':') + cellName(s.row2, s.col2);
}

bool Sheet::SetSelectionText(const QString &text)
{
    const std::optional<CellRange> range = parseRangeName(text);
    if (!range)
        return false;
    SelectRange(range->row1, range->col1, range->row2, range->col2);
    return true;
}

void Sheet::SetTopVisibleRow(int row)
{
    m_topRow = std::clamp(row, 1, MaxRows);
    emit viewChanged();
}

void Sheet::SetLeftVisibleColumn(int col)
{
    m_leftColumn = std::clamp(col, 1, MaxColumns);
    emit viewChanged();
}

void Sheet::setVisibleExtent(int rows, int columns)
{
    m_visibleRows = std::max(rows, 1);
    m_visibleColumns = std::max(columns, 1);
}

bool Sheet::RangeOnScreen(int row1, int col1, int row2, int col2) const
{
    const int lastRow = m_topRow + m_visibleRows - 1;
    const int lastCol = m_leftColumn + m_visibleColumns - 1;
    return row1 >= m_topRow && row2 <= lastRow && col1 >= m_leftColumn && col2 <= lastCol;
}

void Sheet::ScrollToActiveCell()
{
    int top = m_topRow;
    int left = m_leftColumn;
    if (m_activeRow < top)
        top = m_activeRow;
    else if (m_activeRow > top + m_visibleRows - 1)
        top = m_activeRow - m_visibleRows + 1;
    if (m_activeColumn < left)
        left = m_activeColumn;
    else if (m_activeColumn > left + m_visibleColumns - 1)
        left = m_activeColumn - m_visibleColumns + 1;
    if (top != m_topRow || left != m_leftColumn) {
        m_topRow = top;
        m_leftColumn = left;
        emit viewChanged();
    }
}

void Sheet::setMousePointer(MousePointer pointer)
{
    if (m_pointer == pointer)
        return;
    m_pointer = pointer;
    emit viewChanged();
}

// --- Clipboard ---------------------------------------------------------------------------------

namespace {
QString quoteForClipboard(const QString &text)
{
    if (!text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))
        && !text.startsWith(QLatin1Char('"')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Splits tab-separated text into rows of cells; a cell in double quotes may hold tabs, line
// ends and doubled quotes, as spreadsheet programs write them.
std::vector<QStringList> parseClipboard(const QString &text)
{
    std::vector<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    bool atCellStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (quoted) {
            if (ch == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    cell += QLatin1Char('"');
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cell += ch;
            }
            continue;
        }
        if (atCellStart && ch == QLatin1Char('"')) {
            quoted = true;
            atCellStart = false;
            continue;
        }
        atCellStart = false;
        if (ch == QLatin1Char('\t')) {
            row << cell;
            cell.clear();
            atCellStart = true;
        } else if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r')) {
            if (ch == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            row << cell;
            rows.push_back(row);
            row.clear();
            cell.clear();
            atCellStart = true;
        } else {
            cell += ch;
        }
    }
    if (!atCellStart || !cell.isEmpty() || !row.isEmpty()) {
        row << cell;
        rows.push_back(row);
    }
    return rows;
}
} // namespace

QString Sheet::CopySelection() const
{
    const CellRange &s = m_selection;
    QString out;
    for (int r = s.row1; r <= s.row2; ++r) {
        for (int c = s.col1; c <= s.col2; ++c) {
            if (c > s.col1)
                out += QLatin1Char('\t');
            out += quoteForClipboard(CellText(r, c));
        }
        out += QLatin1String("\r\n");
    }
    return out;
}

std::optional<double> Sheet::numberFromTyping(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || formatNumber(value) != text)
        return std::nullopt;
    return value;
}

bool Sheet::writeFromUser(int row, int col, const QString &text)
{
    if (!isEditable(row, col))
        return false;
    emit cellAboutToBeEdited(row, col);
    if (const std::optional<double> number = numberFromTyping(text))
        SetCellNumber(row, col, *number);
    else
        SetCellText(row, col, text);
    return true;
}

bool Sheet::PasteFromClipboard(const QString &clipboardText)
{
    const std::vector<QStringList> rows = parseClipboard(clipboardText);
    bool wrote = false;
    emit editGroupStarted();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (qsizetype j = 0; j < rows[i].size(); ++j) {
            const int row = m_selection.row1 + static_cast<int>(i);
            const int col = m_selection.col1 + static_cast<int>(j);
            if (writeFromUser(row, col, rows[i][j])) {
                wrote = true;
                emit CellEdited(row, col);
            }
        }
    }
    emit editGroupFinished(EditKind::Paste);
    return wrote;
}

bool Sheet::userSetText(int row, int col, const QString &text)
{
    if (!writeFromUser(row, col, text))
        return false;
    emit CellEdited(row, col);
    return true;
}

void Sheet::userClearSelection()
{
    const CellRange s = m_selection;
    const int lastRow = std::min<int>(s.row2, static_cast<int>(m_rows.size()));
    emit editGroupStarted();
    for (int r = s.row1; r <= lastRow; ++r) {
        for (int c = s.col1; c <= s.col2; ++c) {
            if (CellTypeAt(r, c) != CellType::Empty && writeFromUser(r, c, QString()))
                emit CellEdited(r, c);
        }
    }
    emit editGroupFinished(EditKind::Clear);
}

// --- Workbook files ----------------------------------------------------------------------------

bool Sheet::ReadWorkbook(const QString &path, QString *error)
{
    if (!m_codec) {
        if (error)
            *error = QStringLiteral("no workbook reader is available");
        return false;
    }
    return m_codec->read(path, *this, error);
}

bool Sheet::WriteWorkbook(const QString &path, QString *error) const
{
    if (!m_codec) {
        if (error)
            *error = QStringLiteral("no workbook writer is available");
        return false;
    }
    return m_codec->write(path, *this, error);
}

// --- A1 notation -------------------------------------------------------------------------------

QString columnLetters(int col)
{
    QString letters;
    while (col > 0) {
        const int digit = (col - 1) % 26;
        letters.prepend(QChar(u'A' + digit));
        col = (col - 1) / 26;
    }
    return letters;
}

QString cellName(int row, int col)
{
    return columnLetters(col) + QString::number(row);
}

namespace {
std::optional<std::pair<int, int>> parseCellName(QStringView text)
{
    qsizetype i = 0;
    long long col = 0;
    while (i < text.size() && text[i].isLetter() && text[i].unicode() < 128) {
        col = col * 26 + (text[i].toUpper().unicode() - u'A' + 1);
        if (col > Sheet::MaxColumns)
            return std::nullopt;
        ++i;
    }
    if (i == 0 || i == text.size())
        return std::nullopt;
    bool ok = false;
    const int row = text.mid(i).toInt(&ok);
    if (!ok || row < 1 || row > Sheet::MaxRows || !text[i].isDigit())
        return std::nullopt;
    return std::pair {row, static_cast<int>(col)};
}
} // namespace

std::optional<CellRange> parseRangeName(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() > 2)
        return std::nullopt;
    const auto first = parseCellName(parts[0]);
    const auto last = parts.size() == 2 ? parseCellName(parts[1]) : first;
    if (!first || !last)
        return std::nullopt;
    return CellRange {std::min(first->first, last->first), std::min(first->second, last->second),
                      std::max(first->first, last->first), std::max(first->second, last->second)};
}

} // namespace lng
