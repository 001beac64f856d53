#pragma once

#include <QDockWidget>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace lng {

class Workbench;

// The results of the translation checks: one line per finding (message, check, severity,
// detail), sortable; double-click or Enter puts the active cell on the row's edited cell;
// "Ignore this finding" keeps it ignored in the database.
class FindingsPane : public QDockWidget {
    Q_OBJECT
public:
    FindingsPane(Workbench &bench, QWidget *parent = nullptr);

    QTreeWidget *list() const { return m_list; }
    QLabel *summary() const { return m_summary; }
    QPushButton *ignoreButton() const { return m_ignore; }
    void ignoreCurrent();

private:
    void refresh();
    void jumpTo(int index);

    Workbench &m_bench;
    QTreeWidget *m_list = nullptr;
    QLabel *m_summary = nullptr;
    QPushButton *m_ignore = nullptr;
};

} // namespace lng
