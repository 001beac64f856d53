#include "Fixtures.h"
#include "WindowHelpers.h"

#include "app/Geometry.h"
#include "app/MainForm.h"
#include "app/QtPrompts.h"
#include "app/Texts.h"
#include "app/ToolTable.h"
#include "grid/SheetView.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
struct FormFixture {
    QTemporaryDir dir;
    SharedState state;
    FakePrompts prompts;
    FakeClipboard clipboard;
    Workbench bench {state, prompts, clipboard, dir.path()};
    MainForm form {bench};

    FormFixture() { state.catalogue.fill(); }
};
} // namespace

TEST(MainForm, StartsWithHeadingsProtectionAndCaption)
{
    FormFixture f;
    // The placeholder shows a modified mark only while there is unsaved work.
    EXPECT_EQ(f.form.windowTitle(), "Tesmora V6 - Multi Languages DLL manager V1.04[*]");
    EXPECT_FALSE(f.form.isWindowModified());
    const QStringList headings {"Position", "Comments", "English", "Master Language #2", "Current Language"};
    for (int col = 1; col <= 5; ++col) {
        EXPECT_EQ(f.bench.table().ColumnHeading(col), headings[col - 1]);
        EXPECT_EQ(f.form.F1Book1()->model()->headerData(col - 1, Qt::Horizontal).toString(), headings[col - 1]);
    }
    EXPECT_TRUE(f.bench.table().SheetProtected());
    EXPECT_FALSE(f.bench.table().CellLocked(9999, 5));
    EXPECT_TRUE(f.bench.table().CellLocked(1, 4));
    EXPECT_FALSE(f.bench.IsLoaded);
    EXPECT_FALSE(f.form.F1Book2()->isVisibleTo(&f.form));
    EXPECT_EQ(f.bench.exchangeSheet().CellText(1, 1), "Position");
    EXPECT_EQ(f.bench.exchangeSheet().CellText(1, 2), "Messages");
}

// The table's widths follow the digit zero; at the first size the window shows them where the
// screen has room, and otherwise columns 2 to 4 give up width (never below 12 characters) so
// that columns 1 and 5 are whole and in view. The window fits the screen at any scale (the
// tests run again at a scale factor of 2).
TEST(FirstSize, TheWindowFitsTheScreenAndTheEditedColumnIsInView)
{
    FormFixture f;
    f.form.show();
    QCoreApplication::processEvents();
    SheetView *grid = f.form.F1Book1();
    const int zero = QFontMetrics(grid->font()).horizontalAdvance('0');
    EXPECT_EQ(f.bench.table().ColumnWidth(1), 2267);
    EXPECT_EQ(f.bench.table().ColumnWidth(5), 10679);
    EXPECT_NEAR(grid->columnWidth(0), 2267 * zero / 256 + 6, 1);
    EXPECT_NEAR(grid->columnWidth(4), 10679 * zero / 256 + 6, 1);
    const int minimum = 12 * 256 * zero / 256 + 6;
    bool shrunk = false;
    for (int col = 1; col < 4; ++col) {
        EXPECT_LE(grid->columnWidth(col), 10679 * zero / 256 + 7);
        EXPECT_GE(grid->columnWidth(col), minimum - 1);
        shrunk = shrunk || grid->columnWidth(col) < 10679 * zero / 256 + 5;
    }
    const int rightEdge = grid->columnViewportPosition(4) + grid->columnWidth(4);
    if (grid->columnWidth(1) > minimum + 1) {
        EXPECT_LE(rightEdge, grid->viewport()->width() + grid->verticalScrollBar()->sizeHint().width()) << "column 5 in view";
    }
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(available.contains(f.form.geometry())) << "the window fits the screen";
    EXPECT_GE(f.form.geometry().top(), available.top()) << "title bar in reach";
    if (!shrunk) {
        EXPECT_LE(rightEdge, grid->viewport()->width() + grid->verticalScrollBar()->sizeHint().width());
    }
}

TEST(FirstSize, ShrinkToFitGivesUpWidthInProportion)
{
    const std::vector<bool> middle {false, true, true, true, false};
    EXPECT_EQ(shrinkToFit({50, 300, 300, 300, 300}, middle, 2000, 100), (std::vector<int> {50, 300, 300, 300, 300}));
    EXPECT_EQ(shrinkToFit({50, 300, 300, 300, 300}, middle, 950, 100), (std::vector<int> {50, 200, 200, 200, 300}));
    EXPECT_EQ(shrinkToFit({50, 300, 200, 300, 300}, middle, 500, 100), (std::vector<int> {50, 100, 100, 100, 300}));
}

TEST(FirstSize, AnEmptyCaptionShowsAnEmptyTitleBar)
{
    EXPECT_EQ(boxTitle(NoTitle), " ");
    EXPECT_EQ(boxTitle(AppTitle), texts::AppTitle);
    EXPECT_EQ(boxTitle(QString("Save changes?")), "Save changes?");
}

TEST(MainForm, ToolbarShowsTheFourteenToolsInLayoutOrder)
{
    FormFixture f;
    QToolBar *bar = f.form.toolbar();
    EXPECT_EQ(bar->objectName(), "OnlyOne");
    QStringList seen;
    for (QAction *action : bar->actions())
        seen << (action->isSeparator() ? QString() : action->text());
    QStringList expected;
    for (std::string_view entry : ToolbarLayout)
        expected << QString::fromLatin1(entry.data(), entry.size());
    EXPECT_EQ(seen, expected);

    for (const Tool &tool : Tools) {
        QAction *action = f.form.toolAction(QString::fromLatin1(tool.identifier.data(), tool.identifier.size()));
        ASSERT_NE(action, nullptr) << tool.identifier;
        EXPECT_EQ(action->toolTip().toStdString(), tool.description);
        EXPECT_EQ(action->statusTip().toStdString(), tool.description);
        EXPECT_FALSE(action->icon().isNull()) << tool.identifier;
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(tool.shortcut.data(), tool.shortcut.size())));
        QWidget *button = bar->widgetForAction(action);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->accessibleName().toStdString(), tool.caption);
    }
}

TEST(MainForm, ToolsReachTheirCommandsThroughTheDispatcher)
{
    FormFixture f;
    std::vector<QString> ran;
    for (const Tool &tool : Tools) {
        const QString id = QString::fromLatin1(tool.identifier.data(), tool.identifier.size());
        f.bench.dispatcher().bind(id, [&ran, id] { ran.push_back(id); });
    }
    f.form.toolAction("ID_Rows")->trigger();
    f.form.toolAction("ID_Save")->trigger();
    EXPECT_EQ(ran, (std::vector<QString> {"ID_Rows", "ID_Save"}));
}

TEST(MainForm, TypingIntoTheEmptyTableMarksItModified)
{
    FormFixture f;
    f.form.show();
    EXPECT_FALSE(f.state.IsModified);
    f.bench.table().setActiveCell(1, 5);
    QCoreApplication::processEvents();
    ASSERT_TRUE(typeIntoActiveCell(*f.form.F1Book1(), "Bonjour"));
    EXPECT_TRUE(f.state.IsModified);
    EXPECT_EQ(f.bench.table().CellText(1, 5), "Bonjour");
}

TEST(MainForm, GridFollowsTheResizeRuleAndSurvivesTinySizes)
{
    FormFixture f;
    f.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.form));
    f.form.resize(900, 700);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.form.size() == QSize(900, 700); }));
    const QSize before = f.form.F1Book1()->size();
    const QSize rule = *gridSizeForWindow(f.form.frameGeometry().size());
    const QSize area = f.form.centralWidget()->size();
    EXPECT_EQ(before, QSize(std::min(rule.width(), area.width()), std::min(rule.height(), area.height())));

    f.form.showMinimized();
    f.form.resize(5, 5); // a size the grid cannot take: it keeps its size
    QCoreApplication::processEvents();
    f.form.showNormal();
    f.form.resize(900, 700);
    // Back at the size: the rule again, within the area the panes leave (a pane may keep a new height).
    const auto ruled = [&] {
        const QSize now = *gridSizeForWindow(f.form.frameGeometry().size());
        const QSize space = f.form.centralWidget()->size();
        return QSize(std::min(now.width(), space.width()), std::min(now.height(), space.height()));
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.form.F1Book1()->size() == ruled(); }))
        << f.form.F1Book1()->width() << "x" << f.form.F1Book1()->height();
    EXPECT_EQ(f.form.F1Book1()->width(), before.width());
}

TEST(MainForm, ClosingAskedOnlyWhenModifiedAndByTheUser)
{
    FormFixture f;
    EXPECT_TRUE(f.bench.closePrompt(true)); // nothing changed: no question
    EXPECT_TRUE(f.prompts.shown.empty());
    f.state.IsModified = true;
    EXPECT_TRUE(f.bench.closePrompt(false)); // closed by the program: no question
    EXPECT_TRUE(f.prompts.shown.empty());
}

TEST(MainForm, CtrlCAndCtrlVInTheTableRunTheToolbarCommands)
{
    FormFixture f;
    f.form.show();
    QApplication::setActiveWindow(&f.form);
    Sheet &t = f.bench.table();
    t.SetCellNumber(1, 1, 101);
    t.SetCellText(1, 5, "Datei");
    t.SelectRange(1, 1, 1, 5);
    QCoreApplication::processEvents();
    f.form.F1Book1()->setFocus();
    QTest::keySequence(f.form.F1Book1(), QKeySequence(QKeySequence::Copy));
    EXPECT_EQ(f.clipboard.content, "101\t\t\t\tDatei\r\n");

    f.clipboard.content = "Öffnen";
    t.setActiveCell(2, 5);
    QCoreApplication::processEvents();
    QTest::keySequence(f.form.F1Book1(), QKeySequence(QKeySequence::Paste));
    EXPECT_EQ(t.CellText(2, 5), QString::fromUtf8("Öffnen"));
    EXPECT_TRUE(f.state.IsModified);
}
