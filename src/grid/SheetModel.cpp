#include "SheetModel.h"

#include "app/Geometry.h"

#include <QApplication>
#include <QColor>
#include <QMetaObject>
#include <QStyle>

namespace lng {

SheetModel::SheetModel(Sheet &sheet, QObject *parent)
    : QAbstractTableModel(parent)
    , m_sheet(sheet)
    , m_rows(sheet.RowLimit())
    , m_columns(sheet.columnCount())
    , m_protected(sheet.SheetProtected())
{
    connect(&m_sheet, &Sheet::changesPending, this, [this] {
        if (m_flushQueued)
            return;
        m_flushQueued = true;
        QMetaObject::invokeMethod(this, &SheetModel::flushChanges, Qt::QueuedConnection);
    });
    connect(&m_sheet, &Sheet::structureChanged, this, &SheetModel::onStructureChanged);
}

int SheetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int SheetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant SheetModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int row = index.row() + 1;
    const int col = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return m_sheet.CellText(row, col);
    case Qt::AccessibleDescriptionRole:
        return QStringLiteral("%1, row %2").arg(m_sheet.ColumnHeading(col)).arg(row);
    case Qt::TextAlignmentRole:
        if (m_sheet.CellTypeAt(row, col) == CellType::Number)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        if (const auto fill = m_sheet.CellFill(row, col)) {
            const Rgb rgb = rgbOf(*fill);
            return QColor(rgb.red, rgb.green, rgb.blue);
        }
        return {};
    default:
        return {};
    }
}

bool SheetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    if (!m_sheet.userSetText(index.row() + 1, index.column() + 1, value.toString()))
        return false;
    flushChanges();
    return true;
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical && m_rowMarker && m_rowMarker(section + 1)) {
        if (role == Qt::DecorationRole)
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        if (role == Qt::ToolTipRole)
            return tr("The translation checks found something in this row");
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return m_sheet.ColumnHeading(section + 1);
    return section + 1;
}

void SheetModel::rowMarksChanged()
{
    if (m_rows > 0)
        emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
}

Qt::ItemFlags SheetModel::flags(const QModelIndex &index) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (m_sheet.isEditable(index.row() + 1, index.column() + 1))
        flags |= Qt::ItemIsEditable;
    return flags;
}

void SheetModel::flushChanges()
{
    m_flushQueued = false;
    const std::optional<CellRange> dirty = m_sheet.takeDirtyRange();
    if (!dirty || m_rows == 0 || m_columns == 0)
        return;
    const int top = dirty->row1 - 1;
    const int left = dirty->col1 - 1;
    if (top >= m_rows || left >= m_columns)
        return;
    const int bottom = std::min(dirty->row2, m_rows) - 1;
    const int right = std::min(dirty->col2, m_columns) - 1;
    emit dataChanged(index(top, left), index(bottom, right));
}

void SheetModel::onStructureChanged()
{
    const bool protectionChanged = m_protected != m_sheet.SheetProtected();
    const int rows = m_sheet.RowLimit();
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }
    if (m_columns > 0)
        emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
    // Protection decides which cells are editable: let views ask again.
    if (protectionChanged && m_rows > 0 && m_columns > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1), {Qt::DisplayRole});
    m_protected = m_sheet.SheetProtected();
}

} // namespace lng
