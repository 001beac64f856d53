#pragma once

#include <QDockWidget>

#include <array>

class QAction;
class QComboBox;
class QLineEdit;

namespace lng {

class Workbench;

// The filter pane under the table: which rows to show, and the text for "Containing…", which
// narrows the rows as the user types. Its five actions (for the View menu) and the pane both
// run the filter commands through the dispatcher.
class FilterPane : public QDockWidget {
    Q_OBJECT
public:
    FilterPane(Workbench &bench, QWidget *parent = nullptr);

    QComboBox *modeBox() const { return m_mode; }
    QLineEdit *textField() const { return m_text; }
    const std::array<QAction *, 5> &actions() const { return m_actions; }
    // Shows the filter the workbench holds (after a load: all rows).
    void showCurrent();

private:
    void choose(int mode);

    Workbench &m_bench;
    QComboBox *m_mode = nullptr;
    QLineEdit *m_text = nullptr;
    std::array<QAction *, 5> m_actions {};
};

} // namespace lng
