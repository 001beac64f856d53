#pragma once

#include "grid/Sheet.h"

#include <QDialog>

class QPushButton;
class QTimer;

namespace lng {

class SheetView;
class Workbench;

// The source context window: the lines of the source listing that call the current message.
class ContextWindow : public QDialog {
    Q_OBJECT
public:
    explicit ContextWindow(Workbench &bench, QWidget *parent = nullptr);

    Sheet &foundLines() { return m_lines; }
    SheetView *F1Book1() const { return m_grid; }
    QPushButton *Command1() const { return m_close; }
    QTimer *Timer1() const { return m_timer; }

    // The scan; runs once, on the timer's first tick.
    void scan();

private:
    Workbench &m_bench;
    Sheet m_lines {3};
    SheetView *m_grid = nullptr;
    QPushButton *m_close = nullptr;
    QTimer *m_timer = nullptr;
};

} // namespace lng
