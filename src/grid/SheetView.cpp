#include "SheetView.h"

#include "CellMoves.h"

#include <QApplication>

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QStyledItemDelegate>

namespace lng {

namespace {
// Draws a selected cell's fill under a see-through highlight, so colours set by the program
// (case-check marks, the context window's lines) stay visible when their cell is selected.
class FillAwareDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QVariant fill = index.data(Qt::BackgroundRole);
        if (!(option.state & QStyle::State_Selected) || !fill.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem plain(option);
        plain.state &= ~QStyle::State_Selected;
        QStyledItemDelegate::paint(painter, plain, index);
        QColor highlight = option.palette.color(QPalette::Highlight);
        highlight.setAlpha(90);
        painter->fillRect(option.rect, highlight);
    }
};

// Keeps a flag set for as long as the view is copying state from or to the sheet, so the two
// directions do not feed each other.
class SyncGuard {
public:
    explicit SyncGuard(bool &flag) : m_flag(flag), m_previous(flag) { m_flag = true; }
    ~SyncGuard() { m_flag = m_previous; }

private:
    bool &m_flag;
    bool m_previous;
};
} // namespace

SheetView::SheetView(Sheet &sheet, QWidget *parent)
    : QTableView(parent)
    , m_sheet(sheet)
    , m_model(new SheetModel(sheet, this))
{
    QFont font(QStringLiteral("Arial"), 10);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    setModel(m_model);
    setItemDelegate(new FillAwareDelegate(this));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setWordWrap(false);

    connect(&m_sheet, &Sheet::structureChanged, this, &SheetView::applyStructure);
    // The pointer changes at once (a long command shows the hourglass while it runs); the
    // active cell, selection and scroll position follow on the next event-loop turn, once,
    // however often a command moved them.
    connect(&m_sheet, &Sheet::viewChanged, this, [this] {
        viewport()->setCursor(m_sheet.mousePointer() == MousePointer::Hourglass ? Qt::WaitCursor : Qt::ArrowCursor);
        if (m_viewQueued || m_syncing)
            return;
        m_viewQueued = true;
        QMetaObject::invokeMethod(this, &SheetView::applyView, Qt::QueuedConnection);
    });
    applyStructure();
    applyView();
}

int SheetView::pixelsForWidth(int width) const
{
    const int zero = QFontMetrics(font()).horizontalAdvance(QLatin1Char('0'));
    return (width * zero + 128) / 256 + 6; // plus the cell's margins
}

int SheetView::widthForPixels(int pixels) const
{
    const int zero = std::max(1, QFontMetrics(font()).horizontalAdvance(QLatin1Char('0')));
    return std::max(0, (pixels - 6) * 256 / zero);
}

bool SheetView::viewportEvent(QEvent *event)
{
    // A text cut off at the cell's edge shows whole as a tooltip; a text that fits shows none.
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QModelIndex index = indexAt(help->pos());
        const QString text = index.isValid() ? index.data(Qt::DisplayRole).toString() : QString();
        const int room = visualRect(index).width() - 6;
        if (!text.isEmpty() && QFontMetrics(font()).horizontalAdvance(text) > room)
            QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
        else
            QToolTip::hideText();
        return true;
    }
    return QTableView::viewportEvent(event);
}

void SheetView::applyStructure()
{
    // A width is set when the sheet's changes, so widths the user dragged stay otherwise.
    m_appliedWidths.resize(static_cast<std::size_t>(m_sheet.columnCount()), -1);
    for (int col = 1; col <= m_sheet.columnCount(); ++col) {
        int &applied = m_appliedWidths[static_cast<std::size_t>(col - 1)];
        if (applied != m_sheet.ColumnWidth(col)) {
            applied = m_sheet.ColumnWidth(col);
            setColumnWidth(col - 1, pixelsForWidth(applied));
        }
        setColumnHidden(col - 1, m_sheet.ColumnHidden(col));
    }
    // Hidden rows are hidden here too; only rows whose flag changed are touched.
    m_model->flushChanges();
    const int rows = std::min(m_model->rowCount(), std::max(m_sheet.lastHiddenRowFlag(), m_shownHiddenRows));
    for (int row = 1; row <= rows; ++row) {
        const bool hidden = m_sheet.RowHidden(row);
        if (isRowHidden(row - 1) != hidden)
            setRowHidden(row - 1, hidden);
    }
    m_shownHiddenRows = m_sheet.lastHiddenRowFlag();
}

void SheetView::applyView()
{
    m_viewQueued = false;
    if (m_syncing)
        return;
    SyncGuard guard(m_syncing);
    m_model->flushChanges(); // rows the view is about to select must exist in it

    const int rows = m_model->rowCount();
    const int cols = m_model->columnCount();
    const CellRange s = m_sheet.selection();
    if (rows > 0 && cols > 0) {
        const int activeRow = std::min(m_sheet.ActiveRow(), rows) - 1;
        const int activeCol = std::min(m_sheet.ActiveColumn(), cols) - 1;
        selectionModel()->setCurrentIndex(m_model->index(activeRow, activeCol), QItemSelectionModel::NoUpdate);
        if (s.row1 <= rows && s.col1 <= cols) {
            const QItemSelection selection(m_model->index(s.row1 - 1, s.col1 - 1),
                                           m_model->index(std::min(s.row2, rows) - 1, std::min(s.col2, cols) - 1));
            selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        }
    }
    verticalScrollBar()->setValue(m_sheet.TopVisibleRow() - 1);
    horizontalScrollBar()->setValue(m_sheet.LeftVisibleColumn() - 1);
}

void SheetView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !current.isValid())
        return;
    SyncGuard guard(m_syncing);
    const CellRange s = m_sheet.selection();
    if (!s.contains(current.row() + 1, current.column() + 1))
        m_sheet.setActiveCell(current.row() + 1, current.column() + 1);
}

void SheetView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTableView::selectionChanged(selected, deselected);
    if (m_syncing)
        return;
    const QModelIndexList indexes = selectionModel()->selectedIndexes();
    if (indexes.isEmpty())
        return;
    int row1 = INT_MAX, col1 = INT_MAX, row2 = 0, col2 = 0;
    for (const QModelIndex &index : indexes) {
        row1 = std::min(row1, index.row() + 1);
        col1 = std::min(col1, index.column() + 1);
        row2 = std::max(row2, index.row() + 1);
        col2 = std::max(col2, index.column() + 1);
    }
    SyncGuard guard(m_syncing);
    const QModelIndex current = currentIndex();
    const CellRange range {row1, col1, row2, col2};
    if (current.isValid() && range.contains(current.row() + 1, current.column() + 1))
        m_sheet.selectWithActiveCell(range, current.row() + 1, current.column() + 1);
    else
        m_sheet.SelectRange(row1, col1, row2, col2);
}

void SheetView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    if (m_syncing)
        return;
    SyncGuard guard(m_syncing);
    m_sheet.SetTopVisibleRow(verticalScrollBar()->value() + 1);
    m_sheet.SetLeftVisibleColumn(horizontalScrollBar()->value() + 1);
}

void SheetView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    reportExtent();
}

void SheetView::reportExtent()
{
    const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
    const int rows = std::max(1, viewport()->height() / rowHeight);
    int columns = 0;
    int width = 0;
    for (int col = m_sheet.LeftVisibleColumn() - 1; col < m_model->columnCount(); ++col) {
        width += columnWidth(col);
        if (width > viewport()->width())
            break;
        ++columns;
    }
    m_sheet.setVisibleExtent(rows, std::max(columns, 1));
}

QModelIndex SheetView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || (cursorAction != MoveNext && cursorAction != MovePrevious))
        return QTableView::moveCursor(cursorAction, modifiers);
    // Tab moves to the next cell the user may type into, never onto a locked one.
    const auto [row, col] = cellAfterMove(m_sheet, current.row() + 1, current.column() + 1,
                                          cursorAction == MoveNext ? CellMove::Next : CellMove::Previous);
    m_model->flushChanges();
    return m_model->index(std::min(row, m_model->rowCount()) - 1, col - 1);
}

void SheetView::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (hint != QAbstractItemDelegate::SubmitModelCache) {
        QTableView::closeEditor(editor, hint);
        return;
    }
    // Enter commits and moves down, Shift+Enter up, as in a spreadsheet.
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    const bool up = QGuiApplication::keyboardModifiers() & Qt::ShiftModifier;
    const auto [row, col] = cellAfterMove(m_sheet, current.row() + 1, current.column() + 1, up ? CellMove::Up : CellMove::Down);
    m_model->flushChanges();
    const QModelIndex next = m_model->index(std::min(row, m_model->rowCount()) - 1, col - 1);
    if (next.isValid())
        setCurrentIndex(next);
}

void SheetView::commitEditing()
{
    QWidget *editor = QApplication::focusWidget();
    if (state() != EditingState || !editor || !viewport()->isAncestorOf(editor))
        return;
    commitData(editor);
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void SheetView::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && state() != EditingState) {
        m_sheet.userClearSelection();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace lng
