#pragma once

#include "Sheet.h"
#include "SheetModel.h"

#include <QTableView>

#include <vector>

namespace lng {

// The table view of a sheet. It keeps the sheet's active cell, selection, scroll position,
// column widths and mouse pointer in step with what the user sees and does.
class SheetView : public QTableView {
    Q_OBJECT
public:
    explicit SheetView(Sheet &sheet, QWidget *parent = nullptr);

    Sheet &sheet() const { return m_sheet; }
    SheetModel *sheetModel() const { return m_model; }

    // Commits the cell editor when one is open, as Enter would, without moving on.
    void commitEditing();

    // Pixel width of a column width given in 1/256 of the width of "0" in the sheet's font.
    int pixelsForWidth(int width) const;
    // The width, in 1/256 of "0", that shows as `pixels`.
    int widthForPixels(int pixels) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    void scrollContentsBy(int dx, int dy) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void applyStructure();
    void applyView();
    void reportExtent();

    Sheet &m_sheet;
    SheetModel *m_model;
    bool m_syncing = false;
    bool m_viewQueued = false;
    int m_shownHiddenRows = 0; // rows up to which the view may hide some
    std::vector<int> m_appliedWidths; // the sheet's widths as last shown
};

} // namespace lng
