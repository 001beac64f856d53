#include "Fixtures.h"
#include "WindowHelpers.h"

#include "grid/SheetModel.h"
#include "grid/SheetView.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QColor>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace lng;

TEST(SheetModel, PassesTheModelTesterThroughLoadsAndLimitChanges)
{
    Sheet sheet(5);
    SheetModel model(sheet);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    EXPECT_EQ(model.rowCount(), 9999);
    EXPECT_EQ(model.columnCount(), 5);
    sheet.SetCellNumber(1, 1, 101);
    sheet.SetCellText(1, 5, "File");
    sheet.SetRowLimit(712);
    EXPECT_EQ(model.rowCount(), 712);
    sheet.SetRowLimit(9999);
    sheet.SetColumnHeading(4, "French");
    QCoreApplication::processEvents();
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), "French");
}

TEST(SheetModel, ShowsNumbersFillsAndProtection)
{
    Sheet sheet(5);
    SheetModel model(sheet);
    sheet.SetCellNumber(3, 1, 103);
    sheet.SetCellText(3, 5, "Speichern");
    sheet.SelectRange(3, 5, 3, 5);
    sheet.FillSelection(1, 10774777, 0);
    sheet.SetSelectionProtection(false, false);
    sheet.SetSheetProtected(true);
    const QModelIndex number = model.index(2, 0);
    const QModelIndex text = model.index(2, 4);
    EXPECT_EQ(model.data(number).toString(), "103");
    EXPECT_EQ(model.data(number, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight, Qt::AlignRight);
    EXPECT_EQ(model.data(text, Qt::BackgroundRole).value<QColor>(), QColor(249, 104, 164));
    EXPECT_EQ(model.data(text, Qt::AccessibleTextRole).toString(), "Speichern");
    EXPECT_TRUE(model.flags(text) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(number) & Qt::ItemIsEditable);
    sheet.SetSheetProtected(false);
    EXPECT_TRUE(model.flags(number) & Qt::ItemIsEditable);
}

TEST(SheetModel, ProgramWritesArriveAsOneChangeNotice)
{
    Sheet sheet(5);
    SheetModel model(sheet);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    for (int row = 1; row <= 9999; ++row) {
        for (int col = 1; col <= 5; ++col)
            sheet.SetCellText(row, col, "x");
    }
    EXPECT_EQ(changed.count(), 0); // nothing while the command runs
    QCoreApplication::processEvents();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex(), model.index(0, 0));
    EXPECT_EQ(changed.at(0).at(1).toModelIndex(), model.index(9998, 4));
}

TEST(SheetView, TypingIntoACellIsTheUsersEdit)
{
    Sheet sheet(5);
    sheet.SelectRange(1, 5, 9999, 5);
    sheet.SetSelectionProtection(false, false);
    sheet.SetSheetProtected(true);
    SheetView view(sheet);
    view.resize(800, 400);
    view.show();
    QSignalSpy edited(&sheet, &Sheet::CellEdited);
    sheet.setActiveCell(2, 5);
    QCoreApplication::processEvents();
    ASSERT_TRUE(test::typeIntoActiveCell(view, "Hallo"));
    EXPECT_EQ(sheet.CellText(2, 5), QString("Hallo"));
    EXPECT_EQ(edited.count(), 1);

    sheet.setActiveCell(2, 3); // locked: typing opens no editor
    QCoreApplication::processEvents();
    EXPECT_FALSE(test::typeIntoActiveCell(view, "x"));
    EXPECT_EQ(sheet.CellText(2, 3), QString());

    sheet.setActiveCell(2, 5);
    QCoreApplication::processEvents();
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(sheet.CellText(2, 5), QString());
    EXPECT_EQ(edited.count(), 2);
}

TEST(SheetView, FollowsTheSheetsActiveCellAndScrolling)
{
    Sheet sheet(5);
    SheetView view(sheet);
    view.resize(800, 400);
    view.show();
    sheet.setActiveCell(250, 4);
    sheet.SetTopVisibleRow(240);
    QCoreApplication::processEvents(); // the view follows once per event-loop turn
    EXPECT_EQ(view.currentIndex(), view.model()->index(249, 3));
    EXPECT_EQ(view.rowAt(0), 239);
    view.setCurrentIndex(view.model()->index(9, 1)); // the user clicks a cell
    EXPECT_EQ(sheet.ActiveRow(), 10);
    EXPECT_EQ(sheet.ActiveColumn(), 2);
    EXPECT_GT(sheet.visibleRows(), 5);
}
