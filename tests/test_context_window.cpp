#include "Fixtures.h"

#include "app/Geometry.h"
#include "app/MainForm.h"
#include "context/ContextWindow.h"
#include "grid/SheetView.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
void prepare(BenchFixture &f)
{
    Sheet &t = f.table();
    t.SetCellNumber(23, 1, 123), t.SetCellText(23, 5, "Ouvrir");
    t.SetCellNumber(356, 1, 456), t.SetCellText(356, 5, "Fermer");
    t.setActiveCell(23, 5);
    writeFile(f.folder() + "/GhostSources.bin", "Sub Main\r\n  Title = TXL(123) & TXL(456)\r\nEnd Sub\r\n");
}
} // namespace

TEST(ContextWindow, ScansOnTheFirstTimerTickAndFocusesClose)
{
    BenchFixture f;
    prepare(f);
    ContextWindow window(*f.bench);
    EXPECT_EQ(window.windowTitle(), "Source context");
    EXPECT_TRUE(window.isModal());
    EXPECT_EQ(window.Timer1()->interval(), 100);
    EXPECT_TRUE(window.foundLines().SheetProtected());
    EXPECT_EQ(window.Command1()->text(), "&Close");
    EXPECT_TRUE(window.Command1()->isDefault());
    EXPECT_EQ(window.F1Book1()->size(), QSize(twipsToPixels(9015), twipsToPixels(5175)));
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.foundLines().CellText(1, 1).isEmpty(); }, 2000));
    EXPECT_FALSE(window.Timer1()->isActive()); // runs once per opening
    EXPECT_EQ(window.foundLines().CellText(1, 1), "1 MESSAGE(S) FOUND");
    EXPECT_EQ(window.foundLines().CellText(4, 1), "  Title = \"Ouvrir\" & \"Fermer\"" + QString(20, ' '));
    EXPECT_EQ(window.foundLines().CellText(6, 1), "Fermer");
    EXPECT_EQ(f.table().mousePointer(), MousePointer::Default);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(window.Command1()->hasFocus() || QApplication::focusWidget() == nullptr);
    const int firstColumn = window.F1Book1()->columnWidth(0);
    EXPECT_GT(firstColumn, window.F1Book1()->columnWidth(1) * 5);
}

TEST(ContextWindow, TheToolOpensItModally)
{
    BenchFixture f;
    prepare(f);
    MainForm form(*f.bench);
    bool seen = false;
    std::function<void()> check = [&] {
        auto *window = qobject_cast<ContextWindow *>(QApplication::activeModalWidget());
        if (window && !window->foundLines().CellText(1, 1).isEmpty()) {
            seen = true;
            window->Command1()->click();
        } else {
            QTimer::singleShot(20, check);
        }
    };
    QTimer::singleShot(20, check);
    QTimer::singleShot(5000, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close(); // never left waiting
    });
    form.toolAction("ID_Context")->trigger();
    EXPECT_TRUE(seen);
}
