#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace lng {

class Workbench;

// The language settings dialog: the second language on the left, the edited one on the right.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SettingsDialog(Workbench &bench, QWidget *parent = nullptr);

    QListWidget *List1() const { return m_list1; }
    QListWidget *List2() const { return m_list2; }
    QPushButton *Command1(int index) const { return m_buttons[index]; }

private:
    void onCommand1(int index);

    Workbench &m_bench;
    QLabel *m_labels[2] {};
    QListWidget *m_list1 = nullptr;
    QListWidget *m_list2 = nullptr;
    QPushButton *m_buttons[2] {};
};

} // namespace lng
