#pragma once

#include "Sheet.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <functional>

namespace lng {

// Shows a sheet to a QTableView: RowLimit rows, the sheet's columns, fills as backgrounds,
// numbers right-aligned, locked cells read-only while the sheet is protected. Program writes
// to the sheet arrive as one dataChanged per event-loop turn, whatever their number.
class SheetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SheetModel(Sheet &sheet, QObject *parent = nullptr);

    Sheet &sheet() const { return m_sheet; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Sends the changes gathered so far (normally done on the next event-loop turn).
    void flushChanges();

    // Rows to mark in the row header (with an icon and a tooltip), by row from 1.
    void setRowMarker(std::function<bool(int row)> marker) { m_rowMarker = std::move(marker); }
    void rowMarksChanged();

private:
    void onStructureChanged();

    Sheet &m_sheet;
    int m_rows = 0;
    int m_columns = 0;
    bool m_flushQueued = false;
    bool m_protected = false;
    std::function<bool(int)> m_rowMarker;
};

} // namespace lng
