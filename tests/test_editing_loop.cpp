#include "Fixtures.h"
#include "WindowHelpers.h"

#include "app/MainForm.h"
#include "grid/CellMoves.h"
#include "grid/SheetView.h"
#include "checks/FindingsPane.h"
#include "tools/FilterPane.h"

#include <QComboBox>
#include <QPushButton>
#include <QTreeWidget>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
struct LoopFixture {
    BenchFixture bench;
    std::unique_ptr<MainForm> form;

    LoopFixture()
    {
        bench.state.catalogue.fill();
        bench.state.IsPasswordGiven = true; // the table edits English
        form = std::make_unique<MainForm>(*bench.bench);
        bench.loadWith({{101, {{2, "File"}}}, {102, {{2, "Edit"}}}, {103, {{2, "View"}}}});
        form->show();
        QCoreApplication::processEvents();
    }
    SheetView &view() { return *form->F1Book1(); }
    QAction *action(const QString &name) { return form->findChild<QAction *>(name); }
    void goTo(int row, int col)
    {
        bench.table().setActiveCell(row, col);
        QCoreApplication::processEvents();
    }
};
} // namespace

// Enter moves down (Shift+Enter up); Tab moves to the next cell the user may type into.
TEST(CellMoves, EnterAndTabFollowTheLock)
{
    Sheet sheet(5);
    sheet.SetRowLimit(3);
    sheet.SelectRange(1, 5, 3, 5);
    sheet.SetSelectionProtection(false, false);
    sheet.SetSheetProtected(true);
    struct Case {
        int row, col;
        CellMove move;
        std::pair<int, int> to;
    };
    const Case cases[] = {
        {1, 5, CellMove::Down, {2, 5}},     {3, 5, CellMove::Down, {3, 5}},     {2, 5, CellMove::Up, {1, 5}},
        {1, 5, CellMove::Next, {2, 5}},     {2, 5, CellMove::Previous, {1, 5}}, {3, 5, CellMove::Next, {3, 5}},
        {1, 1, CellMove::Next, {1, 5}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cellAfterMove(sheet, c.row, c.col, c.move), c.to) << c.row << "," << c.col << " move " << int(c.move);
    sheet.SetSheetProtected(false);
    EXPECT_EQ(cellAfterMove(sheet, 1, 5, CellMove::Next), std::make_pair(2, 1));
}

TEST(EditingLoop, TypingMovesDownAndCtrlZTakesItBack)
{
    LoopFixture f;
    f.goTo(1, 5);
    ASSERT_TRUE(typeIntoActiveCell(f.view(), "Datei"));
    EXPECT_EQ(f.bench.table().CellText(1, 5), "Datei");
    EXPECT_EQ(f.view().currentIndex().row(), 1) << "Enter moves to the next row";
    EXPECT_TRUE(f.form->isWindowModified());
    EXPECT_EQ(f.action("ID_Undo")->text(), "Undo typing in message 101");

    QTest::keyClick(&f.view(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(f.bench.table().CellText(1, 5), "File");
    EXPECT_FALSE(f.bench.state.IsModified);
    EXPECT_FALSE(f.form->isWindowModified());
    QTest::keyClick(&f.view(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(f.bench.table().CellText(1, 5), "Datei");
    QTest::keyClick(&f.view(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(f.bench.table().CellText(1, 5), "Datei") << "nothing left to redo";
    EXPECT_EQ(f.action("ID_Redo")->isEnabled(), false);
}

TEST(EditingLoop, TabSkipsLockedCellsAndCtrlSSaves)
{
    LoopFixture f;
    f.goTo(1, 5);
    f.view().setFocus();
    QTest::keyClick(&f.view(), Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.view().currentIndex().row(), 1);
    EXPECT_EQ(f.view().currentIndex().column(), 4);

    ASSERT_TRUE(typeIntoActiveCell(f.view(), "Bearbeiten"));
    QTest::keyClick(&f.view(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(f.bench.state.IsModified);
    EXPECT_EQ(readField(f.bench.dbPath(), 102, 2), QString("Bearbeiten"));
    EXPECT_FALSE(f.form->isWindowModified());
}

// The menus carry every tool as the same action, and the shortcuts they show work.
TEST(EditingLoop, MenusCarryEveryTool)
{
    LoopFixture f;
    QStringList inMenus;
    for (QAction *menu : f.form->menuBar()->actions()) {
        for (QAction *entry : menu->menu()->actions()) {
            if (!entry->isSeparator())
                inMenus << entry->objectName();
        }
    }
    for (const char *id : {"ID_Load", "ID_Settings", "ID_BuildDLL", "ID_Copy", "ID_Paste", "ID_Search", "ID_Unlock",
                           "ID_Context", "ID_ToExcel", "ID_FromExcel", "ID_Rows", "ID_FindBlank", "ID_CheckCase",
                           "ID_Undo", "ID_Redo", "MenuSave"})
        EXPECT_TRUE(inMenus.contains(id)) << id;
    EXPECT_EQ(f.form->toolAction("ID_Search")->shortcuts(),
              (QList<QKeySequence> {QKeySequence(Qt::SHIFT | Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::Key_F)}));
}

// Ctrl+Enter commits and goes to the next untranslated message; F3 finds again.
TEST(EditingLoop, CtrlEnterGoesToTheNextUntranslatedMessageAndF3FindsAgain)
{
    LoopFixture f;
    f.bench.state.IsUnlocked = false;
    for (int row = 1; row <= 3; ++row)
        f.bench.table().SetCellText(row, 5, QString());
    f.bench.bench->progress().recount(); // the fixture's own writes, not the user's
    f.goTo(1, 5);
    f.view().setFocus();
    QTest::keyClick(&f.view(), 'D');
    QLineEdit *editor = f.view().findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "atei");
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.bench.table().CellText(1, 5), "Datei");
    EXPECT_EQ(f.view().currentIndex().row(), 1);
    EXPECT_EQ(f.form->findChild<QLabel *>("ProgressLabel")->text(), "English: 1 of 3 messages translated (33.3 %)");
    EXPECT_EQ(f.form->findChild<QLabel *>("UnsavedLabel")->text(), "1 unsaved change(s)");
    EXPECT_EQ(f.form->findChild<QLabel *>("LockLabel")->text(), "Locked");

    FindOptions options;
    options.text = "Datei";
    f.bench.bench->lastSearch = options;
    QTest::keyClick(&f.view(), Qt::Key_F3);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.bench.table().ActiveRow(), 1);
    EXPECT_EQ(f.bench.table().ActiveColumn(), 5);
    options.text = "nowhere";
    f.bench.bench->lastSearch = options;
    QTest::keyClick(&f.view(), Qt::Key_F3);
    EXPECT_EQ(f.bench.prompts.texts().last(), "No such data");
}

// The filter pane narrows the rows as the user types, and the view hides what it leaves out;
// a row the user fills stays in view until the filter is chosen again.
TEST(EditingLoop, TheFilterPaneHidesRowsInTheView)
{
    LoopFixture f;
    FilterPane *pane = f.form->filterPane();
    ASSERT_NE(pane, nullptr);
    QTest::keyClicks(pane->textField(), "vi");
    QCoreApplication::processEvents();
    EXPECT_EQ(pane->modeBox()->currentText(), QString::fromUtf8("Containing…"));
    EXPECT_TRUE(f.view().isRowHidden(0));
    EXPECT_FALSE(f.view().isRowHidden(2));

    f.form->findChild<QAction *>("ID_FilterUntranslatedAction")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(pane->modeBox()->currentIndex(), 2);
    EXPECT_TRUE(f.view().isRowHidden(0)) << "every demo row is translated";
    f.bench.table().SetCellText(2, 5, QString());
    f.form->findChild<QAction *>("ID_FilterUntranslatedAction")->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.view().isRowHidden(1));
    f.goTo(2, 5);
    ASSERT_TRUE(typeIntoActiveCell(f.view(), "Bearbeiten"));
    EXPECT_FALSE(f.view().isRowHidden(1)) << "the filled row stays until the filter is chosen again";
    f.form->findChild<QAction *>("ID_FilterAllAction")->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.view().isRowHidden(0));
}

// A text cut off at the cell's edge shows whole as a tooltip; one that fits shows none.
TEST(EditingLoop, ACutOffTextShowsWholeAsATooltip)
{
    LoopFixture f;
    const QString longText = QString("A long translation that no column is wide enough to show ").repeated(4);
    f.bench.table().SetCellText(1, 5, longText);
    QCoreApplication::processEvents();
    const auto tipAt = [&](int row) {
        QToolTip::hideText();
        const QRect cell = f.view().visualRect(f.view().model()->index(row, 4));
        QHelpEvent help(QEvent::ToolTip, cell.center(), f.view().viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(f.view().viewport(), &help);
        return QToolTip::text();
    };
    EXPECT_EQ(tipAt(1), QString()) << "\"Edit\" fits";
    EXPECT_EQ(tipAt(0), longText);
}

// F7 runs the checks into the results pane; activating a line puts the active cell on the
// row's edited cell; the filter shows the messages with findings.
TEST(EditingLoop, TheChecksPaneListsFindingsAndJumpsToThem)
{
    LoopFixture f;
    f.bench.table().SetCellText(3, 5, "View.");
    f.view().setFocus();
    QTest::keyClick(&f.view(), Qt::Key_F7);
    QCoreApplication::processEvents();
    FindingsPane *pane = f.form->findingsPane();
    ASSERT_TRUE(pane->isVisible());
    EXPECT_EQ(pane->summary()->text(), "0 errors, 1 warning in 3 messages");
    ASSERT_EQ(pane->list()->topLevelItemCount(), 1);
    QTreeWidgetItem *item = pane->list()->topLevelItem(0);
    EXPECT_EQ(item->text(0), "103");
    EXPECT_EQ(item->text(1), "punctuation");
    EXPECT_TRUE(f.view().model()->headerData(2, Qt::Vertical, Qt::DecorationRole).isValid()) << "row 3 is marked";
    EXPECT_FALSE(f.view().model()->headerData(1, Qt::Vertical, Qt::DecorationRole).isValid());
    emit pane->list()->itemActivated(item, 0);
    EXPECT_EQ(f.bench.table().ActiveRow(), 3);
    EXPECT_EQ(f.bench.table().ActiveColumn(), 5);

    f.form->findChild<QAction *>("ID_FilterFindingsAction")->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.view().isRowHidden(0));
    EXPECT_FALSE(f.view().isRowHidden(2));

    pane->list()->setCurrentItem(pane->list()->topLevelItem(0));
    QTest::mouseClick(pane->ignoreButton(), Qt::LeftButton);
    EXPECT_EQ(pane->list()->topLevelItemCount(), 0);
    EXPECT_EQ(pane->summary()->text(), "0 errors, 0 warnings in 3 messages");
    QTest::keyClick(&f.view(), Qt::Key_F7);
    EXPECT_EQ(pane->list()->topLevelItemCount(), 0) << "ignored for good";
}
