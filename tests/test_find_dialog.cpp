#include "Fixtures.h"

#include "app/MainForm.h"
#include "tools/FindDlg.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
struct FindFixture {
    BenchFixture f;
    MainForm form {*f.bench};

    FindFixture()
    {
        Sheet &t = f.table();
        t.SetCellNumber(1, 1, 101), t.SetCellText(1, 5, "Open file");
        t.SetCellNumber(2, 1, 102), t.SetCellText(2, 5, "Save file");
        t.SetCellNumber(3, 1, 103), t.SetCellText(3, 5, "Close");
    }

    FindDlg *open()
    {
        form.toolAction("ID_Search")->trigger();
        FindDlg *dialog = form.findDialog();
        dialog->setLocale(QLocale::c());
        return dialog;
    }
};
} // namespace

TEST(FindDlg, OpensWithTheLastSearchTextAndDefaultOptions)
{
    FindFixture x;
    x.f.state.LastSearchText = "file";
    FindDlg *dialog = x.open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), "Find");
    EXPECT_EQ(dialog->FindText()->text(), "file");
    EXPECT_EQ(dialog->SearchCombo()->currentText(), "By columns");
    EXPECT_EQ(dialog->LookCombo()->currentText(), "Texts");
    EXPECT_FALSE(dialog->MatchCase()->isChecked());
    EXPECT_FALSE(dialog->EntireCell()->isChecked());
    EXPECT_EQ(dialog->FindButton()->text(), "&Next");
    EXPECT_TRUE(dialog->FindButton()->isDefault());
    EXPECT_FALSE(dialog->Command1()->isVisibleTo(dialog));
    EXPECT_FALSE(dialog->Label1()->isVisibleTo(dialog));

    // The Search command only brings the open dialog forward.
    x.f.table().setActiveCell(3, 5);
    x.form.toolAction("ID_Search")->trigger();
    EXPECT_EQ(x.form.findDialog(), dialog);
}

TEST(FindDlg, AHitMovesTheActiveCellAndClosesTheDialog)
{
    FindFixture x;
    x.f.table().setActiveCell(1, 5);
    QPointer<FindDlg> dialog = x.open();
    dialog->FindText()->setText("FILE");
    QTest::keyClick(dialog->FindText(), Qt::Key_Return); // Enter searches
    EXPECT_EQ(x.f.table().ActiveRow(), 2);
    EXPECT_EQ(x.f.table().ActiveColumn(), 5);
    EXPECT_EQ(x.f.state.LastSearchText, "FILE");
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());

    // Reopening shows the text last searched for, and the options as at first.
    FindDlg *again = x.open();
    EXPECT_EQ(again->FindText()->text(), "FILE");
    EXPECT_EQ(again->SearchCombo()->currentText(), "By columns");
}

TEST(FindDlg, NoMatchSaysSoAndStaysOpen)
{
    FindFixture x;
    x.f.table().setActiveCell(1, 5);
    FindDlg *dialog = x.open();
    dialog->FindText()->setText("nowhere");
    dialog->FindButton()->click();
    ASSERT_EQ(x.f.prompts.shown.size(), 1u);
    EXPECT_EQ(x.f.prompts.last().text, "No such data");
    EXPECT_EQ(x.f.prompts.last().icon, Icon::None);
    EXPECT_EQ(x.f.prompts.last().buttons, Buttons::Ok);
    EXPECT_EQ(x.f.prompts.last().caption, std::nullopt); // the application's title
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->FindButton()->isVisibleTo(dialog));
    EXPECT_EQ(x.f.table().ActiveRow(), 1);
}

TEST(FindDlg, CloseRestoresTheActiveCellFromWhenItOpened)
{
    FindFixture x;
    x.f.table().setActiveCell(2, 5);
    FindDlg *dialog = x.open();
    x.f.table().setActiveCell(3, 1); // the user moves on in the table meanwhile
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_EQ(x.f.table().ActiveRow(), 2);
    EXPECT_EQ(x.f.table().ActiveColumn(), 5);
}

TEST(FindDlg, StopAndClosingTheWindowEndARunningSearch)
{
    for (bool closeWindow : {false, true}) {
        FindFixture x;
        for (int row = 4; row <= 3000; ++row)
            x.f.table().SetCellText(row, 2, "text");
        x.f.table().setActiveCell(1, 1);
        QPointer<FindDlg> dialog = x.open();
        dialog->FindText()->setText("nowhere");
        dialog->SearchCombo()->setCurrentIndex(0); // by rows: one yield per row
        bool sawSearching = false;
        QTimer::singleShot(0, dialog, [&] {
            sawSearching = dialog->Label1()->isVisibleTo(dialog) && dialog->Label1()->text() == "Searching...";
            if (closeWindow)
                dialog->close();
            else
                dialog->Command1()->click();
        });
        dialog->FindButton()->click();
        EXPECT_TRUE(sawSearching);
        EXPECT_TRUE(x.f.prompts.shown.empty()) << "stopped searches say nothing";
        EXPECT_EQ(x.f.table().ActiveRow(), 1);
        QCoreApplication::processEvents();
        EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
    }
}
