#include "MenuBar.h"

#include "Workbench.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>

namespace lng {

namespace {
// An action of the window's own, named `name`, that dispatches `identifier`.
QAction *commandAction(QMainWindow &window, Workbench &bench, const QString &name, const QString &identifier,
                       const QString &text, const QList<QKeySequence> &shortcuts)
{
    auto *action = new QAction(text, &window);
    action->setObjectName(name);
    action->setShortcuts(shortcuts);
    QObject::connect(action, &QAction::triggered, &window, [&bench, identifier] { bench.dispatcher().dispatch(identifier); });
    return action;
}
} // namespace

void buildMenuBar(QMainWindow &window, Workbench &bench, const std::function<QAction *(const QString &)> &toolAction,
                  const std::function<void()> &commitEditing)
{
    QMenuBar *bar = window.menuBar();
    const auto addTools = [&](QMenu *menu, std::initializer_list<const char *> identifiers) {
        for (const char *identifier : identifiers) {
            if (!*identifier)
                menu->addSeparator();
            else if (QAction *action = toolAction(QString::fromLatin1(identifier)))
                menu->addAction(action);
        }
    };

    if (QAction *search = toolAction(QStringLiteral("ID_Search")))
        search->setShortcuts({search->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F)});

    QMenu *file = bar->addMenu(QObject::tr("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    addTools(file, {"ID_Load"});
    // Save keeps its tool as the toolbar lays it out; the menu's entry carries Ctrl+S.
    file->addAction(commandAction(window, bench, QStringLiteral("MenuSave"), QStringLiteral("ID_Save"), QObject::tr("&Save"),
                                  {QKeySequence::Save}));
    addTools(file, {"", "ID_BuildDLL", "", "ID_ToExcel", "ID_FromExcel"});
    file->addSeparator();
    file->addAction(commandAction(window, bench, QStringLiteral("ID_ExportTranslation"), QStringLiteral("ID_ExportTranslation"),
                                  QObject::tr("&Export for Translation\u2026"), {}));
    file->addAction(commandAction(window, bench, QStringLiteral("ID_ImportTranslation"), QStringLiteral("ID_ImportTranslation"),
                                  QObject::tr("&Import Translation\u2026"), {}));
    file->addSeparator();
    auto *quit = new QAction(QObject::tr("&Close"), &window);
    quit->setObjectName(QStringLiteral("CloseWindow"));
    quit->setShortcut(QKeySequence::Quit);
    QObject::connect(quit, &QAction::triggered, &window, &QWidget::close);
    file->addAction(quit);

    QMenu *edit = bar->addMenu(QObject::tr("&Edit"));
    QUndoStack &stack = bench.history().stack();
    QAction *undo = commandAction(window, bench, QStringLiteral("ID_Undo"), QStringLiteral("ID_Undo"), QObject::tr("Undo"),
                                  {QKeySequence::Undo});
    QAction *redo = commandAction(window, bench, QStringLiteral("ID_Redo"), QStringLiteral("ID_Redo"), QObject::tr("Redo"),
                                  {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    const auto follow = [&stack, undo, redo] {
        undo->setEnabled(stack.canUndo());
        undo->setText(stack.canUndo() ? QObject::tr("Undo %1").arg(stack.undoText()) : QObject::tr("Undo"));
        redo->setEnabled(stack.canRedo());
        redo->setText(stack.canRedo() ? QObject::tr("Redo %1").arg(stack.redoText()) : QObject::tr("Redo"));
    };
    QObject::connect(&stack, &QUndoStack::indexChanged, undo, follow);
    QObject::connect(&stack, &QUndoStack::cleanChanged, undo, follow);
    follow();
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    addTools(edit, {"ID_Copy", "ID_Paste", "", "ID_Search"});
    QAction *findAgain = commandAction(window, bench, QStringLiteral("ID_FindAgain"), QStringLiteral("ID_FindAgain"),
                                       QObject::tr("Find &Again"), {QKeySequence(Qt::Key_F3)});
    edit->addAction(findAgain);
    auto *next = new QAction(QObject::tr("&Next Untranslated Message"), &window);
    next->setObjectName(QStringLiteral("ID_NextUntranslated"));
    next->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    QObject::connect(next, &QAction::triggered, &window, [&bench, commitEditing] {
        commitEditing(); // the text being typed is committed first, as Enter would
        bench.dispatcher().dispatch(QStringLiteral("ID_NextUntranslated"));
    });
    edit->addAction(next);
    edit->addSeparator();
    addTools(edit, {"ID_Unlock"});

    QMenu *view = bar->addMenu(QObject::tr("&View"));
    view->setObjectName(QStringLiteral("ViewMenu"));
    addTools(view, {"ID_Settings", "ID_Context"});

    QMenu *tools = bar->addMenu(QObject::tr("&Tools"));
    tools->setObjectName(QStringLiteral("ToolsMenu"));
    addTools(tools, {"ID_Rows", "ID_FindBlank", "ID_CheckCase"});
}

} // namespace lng
