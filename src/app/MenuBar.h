#pragma once

#include <QString>

#include <functional>

class QAction;
class QMainWindow;

namespace lng {

class Workbench;

// The menu bar: every command of the toolbar, in File, Edit, View and Tools, as the very same
// actions (one shortcut each, one dispatcher identifier each), and Undo and Redo, whose texts
// say what they undo. Added shortcuts: Ctrl+S for Save, Ctrl+F for Search.
// `commitEditing` commits an open cell editor before a command that moves away from the cell.
void buildMenuBar(QMainWindow &window, Workbench &bench, const std::function<QAction *(const QString &)> &toolAction,
                  const std::function<void()> &commitEditing);

} // namespace lng
