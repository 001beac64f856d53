#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace lng {

class WorkbookCodec;

enum class CellType : std::uint8_t { Empty = 0, Number = 1, Text = 2 };

// A rectangle of cells, 1-based and inclusive.
struct CellRange {
    int row1 = 1;
    int col1 = 1;
    int row2 = 1;
    int col2 = 1;

    bool contains(int row, int col) const { return row >= row1 && row <= row2 && col >= col1 && col <= col2; }
    bool operator==(const CellRange &) const = default;
};

// Mouse pointer values the commands use.
enum class MousePointer { Default = 0, Hourglass = 11 };

// One spreadsheet sheet: the message table, the hidden exchange grid and the source context
// grid are each one of these. Rows and columns count from 1; numbers are doubles; colours are
// 0x00BBGGRR values.
//
// Writes made by the program never raise CellEdited and never emit a signal per cell: changed
// cells are gathered into one dirty rectangle that the view adapter collects with
// takeDirtyRange() after changesPending(). Only the user* operations stand for the user's own
// edits and raise CellEdited.
class Sheet : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxRows = 16'777'216;
    static constexpr int MaxColumns = 256;
    static constexpr int DefaultColumnWidth = 2342; // 1/256 of the width of "0"

    enum class EditKind { Paste, Clear };

    explicit Sheet(int columnCount, QObject *parent = nullptr);
    ~Sheet() override;

    // Number of columns a view shows. The sheet itself stores up to MaxColumns.
    int columnCount() const { return m_columnCount; }

    // --- Cell contents ---------------------------------------------------------------------
    double CellNumber(int row, int col) const;    // 0 for an empty or text cell
    QString CellText(int row, int col) const;     // empty for an empty cell; numbers formatted
    CellType CellTypeAt(int row, int col) const;
    double CellNumberAt(int row, int col) const { return CellNumber(row, col); }
    QString CellTextAt(int row, int col) const { return CellText(row, col); }
    // Writes are accepted on any row up to MaxRows, also beyond RowLimit. A write outside the
    // sheet answers false and changes nothing.
    bool SetCellNumber(int row, int col, double value);
    bool SetCellText(int row, int col, const QString &text);
    bool ClearRange(int row1, int col1, int row2, int col2, int mode);
    void clearAll();

    int LastUsedRow() const;
    int LastUsedColumn() const;
    int LastUsedColumnInRow(int row) const;

    // --- Layout ----------------------------------------------------------------------------
    QString ColumnHeading(int col) const;
    void SetColumnHeading(int col, const QString &heading);
    int RowLimit() const { return m_rowLimit; }
    void SetRowLimit(int rows);
    bool RowHidden(int row) const;
    bool ColumnHidden(int col) const;
    void SetRowHidden(int row, bool hidden);
    // Sets the hidden flags of rows 1 to hidden.size() at once, with one notice; rows after them
    // are shown.
    void setHiddenRows(std::vector<bool> hidden);
    // The highest row that may be hidden (0 when none is).
    int lastHiddenRowFlag() const { return static_cast<int>(m_hiddenRows.size()); }
    void SetColumnHidden(int col, bool hidden);
    int ColumnWidth(int col) const; // in 1/256 of the width of "0"
    void SetColumnWidth(int col, int width);
    // Widens the columns of the range so that their texts fit.
    void AutoFitRange(int row1, int col1, int row2, int col2);

    // --- Formats and protection ------------------------------------------------------------
    bool SheetProtected() const { return m_protected; }
    void SetSheetProtected(bool on);
    bool CellLocked(int row, int col) const;
    std::optional<std::uint32_t> CellFill(int row, int col) const; // 0x00BBGGRR, or none
    void SetSelectionProtection(bool locked, bool hidden);
    // Pattern 1 fills the selection solidly with `colour`; pattern 0 removes its fill.
    void FillSelection(int pattern, std::uint32_t colour, std::uint32_t background);
    // Whether the user may type into a cell now.
    bool isEditable(int row, int col) const;

    // --- Active cell, selection, view --------------------------------------------------------
    int ActiveRow() const { return m_activeRow; }
    int ActiveColumn() const { return m_activeColumn; }
    void SetActiveRow(int row);
    void SetActiveColumn(int col);
    void setActiveCell(int row, int col);
    CellRange selection() const { return m_selection; }
    void SelectRange(int row1, int col1, int row2, int col2);
    // Selects a range whose active cell is not its top-left one (as the user's mouse leaves it).
    void selectWithActiveCell(const CellRange &range, int row, int col);
    // The selection in A1 notation ("E12", "A1:E9999"); setting it selects that range.
    QString SelectionText() const;
    bool SetSelectionText(const QString &text);

    int TopVisibleRow() const { return m_topRow; }
    int LeftVisibleColumn() const { return m_leftColumn; }
    void SetTopVisibleRow(int row);
    void SetLeftVisibleColumn(int col);
    // How many rows and columns fit in the window; the view keeps this up to date.
    void setVisibleExtent(int rows, int columns);
    int visibleRows() const { return m_visibleRows; }
    int visibleColumns() const { return m_visibleColumns; }
    // True when the range is fully visible in the window.
    bool RangeOnScreen(int row1, int col1, int row2, int col2) const;
    void ScrollToActiveCell();

    MousePointer mousePointer() const { return m_pointer; }
    void setMousePointer(MousePointer pointer);

    // --- Clipboard exchange (tab-separated text, as spreadsheet programs exchange it) -------
    QString CopySelection() const;
    // Pastes at the selection's top-left cell as the user's edit. While the sheet is protected
    // only unlocked cells are written. Answers false when nothing could be written.
    bool PasteFromClipboard(const QString &clipboardText);

    // --- The user's own edits: each raises CellEdited ---------------------------------------
    bool userSetText(int row, int col, const QString &text);
    void userClearSelection();

    // --- Workbook files ------------------------------------------------------------------------
    void setWorkbookCodec(const WorkbookCodec *codec) { m_codec = codec; }
    // Replaces the sheet's contents with the file's first sheet. On failure the sheet is
    // unchanged and `error` says why.
    bool ReadWorkbook(const QString &path, QString *error = nullptr);
    bool WriteWorkbook(const QString &path, QString *error = nullptr) const;

    // The changed area since the last call, for the view adapter; nullopt when nothing changed.
    std::optional<CellRange> takeDirtyRange();

    // Converts typed or pasted text the way a spreadsheet does: a text that reads back exactly
    // as a number becomes that number.
    static std::optional<double> numberFromTyping(const QString &text);
    static QString formatNumber(double value);

signals:
    void changesPending();     // cells changed; collect them with takeDirtyRange()
    void structureChanged();   // row limit, headings, widths, hidden flags, protection
    void viewChanged();        // active cell, selection, scroll position or mouse pointer
    void CellEdited(int row, int col);
    // Around the user's edits: each cell's write is announced before it happens, and a paste or
    // a clear of several cells comes between a start and a finish.
    void cellAboutToBeEdited(int row, int col);
    void editGroupStarted();
    void editGroupFinished(lng::Sheet::EditKind kind);

private:
    struct Cell {
        QString text;
        double number = 0;
        CellType type = CellType::Empty;
        bool locked = true;
        bool hasFill = false;
        std::uint32_t fill = 0;
    };
    using Row = std::vector<Cell>;

    const Cell *cellAt(int row, int col) const;
    Cell *existingCell(int row, int col); // nullptr where nothing was ever written
    Cell *cellForWrite(int row, int col); // makes the cell when needed
    bool inSheet(int row, int col) const;
    void markDirty(int row, int col);
    void markDirty(const CellRange &range);
    bool writeFromUser(int row, int col, const QString &text);

    int m_columnCount;
    std::vector<Row> m_rows; // m_rows[0] is row 1
    std::vector<QString> m_headings;
    std::vector<int> m_widths;
    std::vector<bool> m_hiddenRows;
    std::vector<bool> m_hiddenColumns;
    int m_rowLimit = 9999;
    bool m_protected = false;

    int m_activeRow = 1;
    int m_activeColumn = 1;
    CellRange m_selection;
    int m_topRow = 1;
    int m_leftColumn = 1;
    int m_visibleRows = 30;
    int m_visibleColumns = 5;
    MousePointer m_pointer = MousePointer::Default;

    std::optional<CellRange> m_dirty;
    const WorkbookCodec *m_codec = nullptr;
};

// Reading and writing workbook files for a sheet.
class WorkbookCodec {
public:
    virtual ~WorkbookCodec() = default;
    virtual bool read(const QString &path, Sheet &into, QString *error) const = 0;
    virtual bool write(const QString &path, const Sheet &from, QString *error) const = 0;
};

// Shows the hourglass over a sheet for as long as it lives, whatever way the scope is left.
class BusyPointer {
public:
    explicit BusyPointer(Sheet &sheet) : m_sheet(sheet) { m_sheet.setMousePointer(MousePointer::Hourglass); }
    ~BusyPointer() { m_sheet.setMousePointer(MousePointer::Default); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    Sheet &m_sheet;
};

// A1 notation helpers.
QString columnLetters(int col);
QString cellName(int row, int col);
std::optional<CellRange> parseRangeName(const QString &text);

} // namespace lng
