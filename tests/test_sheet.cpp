#include "Fixtures.h"

#include "grid/Sheet.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace lng;

TEST(Sheet, EmptyCellsReadAsZeroAndEmptyTextOnEveryRow)
{
    Sheet sheet(5);
    for (int row : {1, 500, 9999, 20000}) {
        EXPECT_EQ(sheet.CellNumber(row, 1), 0.0);
        EXPECT_EQ(sheet.CellText(row, 5), QString());
        EXPECT_EQ(sheet.CellTypeAt(row, 3), CellType::Empty);
    }
    EXPECT_EQ(sheet.LastUsedRow(), 0);
    EXPECT_EQ(sheet.LastUsedColumn(), 0);
    EXPECT_EQ(sheet.LastUsedColumnInRow(1), 0);
}

TEST(Sheet, CellsKeepTheirTypeAndFormatNumbers)
{
    struct Case {
        double number;
        const char *text;
    };
    const Case cases[] = {{150, "150"}, {12.345, "12.345"}, {-3, "-3"}, {0, "0"}, {1e20, "1e+20"}};
    Sheet sheet(5);
    for (const Case &c : cases) {
        sheet.SetCellNumber(1, 1, c.number);
        EXPECT_EQ(sheet.CellTypeAt(1, 1), CellType::Number);
        EXPECT_EQ(sheet.CellNumber(1, 1), c.number);
        EXPECT_EQ(sheet.CellText(1, 1), QString::fromLatin1(c.text));
    }
    sheet.SetCellText(2, 2, "1234");
    EXPECT_EQ(sheet.CellTypeAt(2, 2), CellType::Text);
    EXPECT_EQ(sheet.CellNumber(2, 2), 0.0); // a text is no number
    sheet.SetCellText(2, 2, "");
    EXPECT_EQ(sheet.CellTypeAt(2, 2), CellType::Empty);
}

TEST(Sheet, WritesBeyondTheRowLimitAreKept)
{
    Sheet sheet(5);
    sheet.SetRowLimit(712);
    EXPECT_TRUE(sheet.SetCellText(9999, 5, "late"));
    EXPECT_EQ(sheet.CellText(9999, 5), "late");
    EXPECT_EQ(sheet.LastUsedRow(), 9999);
    EXPECT_FALSE(sheet.SetCellText(0, 1, "x"));
    EXPECT_FALSE(sheet.SetCellNumber(1, 0, 1));
}

TEST(Sheet, LastUsedCellsIgnoreFormatsAndEmptiedCells)
{
    Sheet sheet(5);
    sheet.SelectRange(1, 1, 50, 9);
    sheet.FillSelection(1, 0xFFFFFF, 0); // formatting alone is no data
    EXPECT_EQ(sheet.LastUsedRow(), 0);
    sheet.SetCellText(7, 3, "a");
    sheet.SetCellNumber(12, 2, 5);
    sheet.SetCellText(3, 8, "wide");
    EXPECT_EQ(sheet.LastUsedRow(), 12);
    EXPECT_EQ(sheet.LastUsedColumn(), 8);
    EXPECT_EQ(sheet.LastUsedColumnInRow(7), 3);
    EXPECT_EQ(sheet.LastUsedColumnInRow(8), 0);
    sheet.ClearRange(12, 1, 12, 5, 3);
    EXPECT_EQ(sheet.LastUsedRow(), 7);
}

TEST(Sheet, ClearModeThreeEmptiesContentsAndKeepsFormats)
{
    Sheet sheet(5);
    sheet.SelectRange(1, 5, 9999, 5);
    sheet.SetSelectionProtection(false, false);
    sheet.SetCellText(3, 5, "typed");
    sheet.SetCellNumber(3, 1, 103);
    sheet.ClearRange(1, 1, 9999, 5, 3);
    EXPECT_EQ(sheet.CellText(3, 5), QString());
    EXPECT_EQ(sheet.CellNumber(3, 1), 0.0);
    EXPECT_FALSE(sheet.CellLocked(3, 5));
}

TEST(Sheet, SelectionTextRoundTrips)
{
    struct Case {
        CellRange range;
        const char *text;
    };
    const Case cases[] = {
        {{12, 5, 12, 5}, "E12"},
        {{1, 1, 9999, 5}, "A1:E9999"},
        {{3, 27, 4, 28}, "AA3:AB4"},
    };
    Sheet sheet(5);
    for (const Case &c : cases) {
        sheet.SelectRange(c.range.row1, c.range.col1, c.range.row2, c.range.col2);
        EXPECT_EQ(sheet.SelectionText(), QString::fromLatin1(c.text));
        sheet.SelectRange(1, 1, 1, 1);
        EXPECT_TRUE(sheet.SetSelectionText(QString::fromLatin1(c.text)));
        EXPECT_EQ(sheet.selection(), c.range);
        EXPECT_EQ(sheet.ActiveRow(), c.range.row1);
        EXPECT_EQ(sheet.ActiveColumn(), c.range.col1);
    }
    for (const char *bad : {"", "12", "E", "E0", "A1:B2:C3", "1A"})
        EXPECT_FALSE(sheet.SetSelectionText(QString::fromLatin1(bad))) << bad;
}

TEST(Sheet, FillsAndProtectionApplyToTheSelection)
{
    Sheet sheet(5);
    EXPECT_TRUE(sheet.CellLocked(4, 2)); // cells are locked until unlocked
    sheet.SelectRange(2, 2, 3, 3);
    sheet.FillSelection(1, 10774777, 0);
    sheet.SetSelectionProtection(false, false);
    EXPECT_EQ(sheet.CellFill(2, 2), 10774777u);
    EXPECT_EQ(sheet.CellFill(3, 3), 10774777u);
    EXPECT_EQ(sheet.CellFill(4, 4), std::nullopt);
    EXPECT_FALSE(sheet.CellLocked(3, 2));
    sheet.SetSheetProtected(true);
    EXPECT_TRUE(sheet.isEditable(2, 3));
    EXPECT_FALSE(sheet.isEditable(1, 1));
    sheet.FillSelection(0, 0, 0);
    EXPECT_EQ(sheet.CellFill(2, 2), std::nullopt);
}

TEST(Sheet, RangeOnScreenAndScrollToActiveCell)
{
    Sheet sheet(5);
    sheet.setVisibleExtent(20, 5);
    EXPECT_TRUE(sheet.RangeOnScreen(1, 1, 20, 5));
    EXPECT_FALSE(sheet.RangeOnScreen(21, 1, 21, 1));
    sheet.setActiveCell(500, 3);
    sheet.ScrollToActiveCell();
    EXPECT_EQ(sheet.TopVisibleRow(), 481);
    EXPECT_TRUE(sheet.RangeOnScreen(500, 3, 500, 3));
    sheet.setActiveCell(490, 3);
    sheet.ScrollToActiveCell(); // already visible: no scrolling
    EXPECT_EQ(sheet.TopVisibleRow(), 481);
    sheet.setActiveCell(2, 1);
    sheet.ScrollToActiveCell();
    EXPECT_EQ(sheet.TopVisibleRow(), 2);
}

TEST(Sheet, HiddenRowsAndColumns)
{
    Sheet sheet(5);
    sheet.SetRowHidden(4, true);
    sheet.SetColumnHidden(2, true);
    EXPECT_TRUE(sheet.RowHidden(4));
    EXPECT_FALSE(sheet.RowHidden(5));
    EXPECT_TRUE(sheet.ColumnHidden(2));
    EXPECT_FALSE(sheet.ColumnHidden(200));
}

TEST(Sheet, ClipboardRoundTripsTabSeparatedText)
{
    Sheet source(5);
    source.SetCellNumber(1, 1, 101);
    source.SetCellText(1, 2, "tab\there");
    source.SetCellText(2, 1, "line\nbreak");
    source.SetCellText(2, 2, "\"quoted\"");
    source.SelectRange(1, 1, 2, 2);
    const QString copied = source.CopySelection();
    EXPECT_EQ(copied, "101\t\"tab\there\"\r\n\"line\nbreak\"\t\"\"\"quoted\"\"\"\r\n");

    Sheet target(5);
    target.SelectRange(3, 2, 3, 2);
    EXPECT_TRUE(target.PasteFromClipboard(copied));
    EXPECT_EQ(target.CellTypeAt(3, 2), CellType::Number);
    EXPECT_EQ(target.CellNumber(3, 2), 101.0);
    EXPECT_EQ(target.CellText(3, 3), "tab\there");
    EXPECT_EQ(target.CellText(4, 2), "line\nbreak");
    EXPECT_EQ(target.CellText(4, 3), "\"quoted\"");
}

TEST(Sheet, PasteWhileProtectedWritesOnlyUnlockedCells)
{
    Sheet sheet(5);
    sheet.SelectRange(1, 5, 10, 5);
    sheet.SetSelectionProtection(false, false);
    sheet.SetSheetProtected(true);
    QSignalSpy edited(&sheet, &Sheet::CellEdited);
    sheet.SelectRange(1, 4, 1, 4);
    EXPECT_TRUE(sheet.PasteFromClipboard("second\tedited\r\nx\ty\r\n"));
    EXPECT_EQ(sheet.CellText(1, 4), QString());
    EXPECT_EQ(sheet.CellText(1, 5), "edited");
    EXPECT_EQ(sheet.CellText(2, 5), "y");
    EXPECT_EQ(edited.count(), 2);
    sheet.SelectRange(1, 1, 1, 1);
    EXPECT_FALSE(sheet.PasteFromClipboard("nothing"));
}

TEST(Sheet, OnlyTheUsersEditsRaiseCellEdited)
{
    Sheet sheet(5);
    QSignalSpy edited(&sheet, &Sheet::CellEdited);
    QSignalSpy pending(&sheet, &Sheet::changesPending);
    for (int row = 1; row <= 9999; ++row) {
        for (int col = 1; col <= 5; ++col)
            sheet.SetCellText(row, col, "text");
    }
    sheet.ClearRange(1, 1, 9999, 5, 3);
    EXPECT_EQ(edited.count(), 0);
    EXPECT_EQ(pending.count(), 1); // one notice for all of it, not one per cell
    EXPECT_EQ(sheet.takeDirtyRange(), (CellRange {1, 1, 9999, 5}));

    EXPECT_TRUE(sheet.userSetText(2, 3, "typed"));
    sheet.SelectRange(2, 3, 2, 3);
    sheet.userClearSelection();
    ASSERT_EQ(edited.count(), 2);
    EXPECT_EQ(edited.at(0).at(0).toInt(), 2);
    EXPECT_EQ(edited.at(0).at(1).toInt(), 3);
}

TEST(Sheet, TypedNumbersBecomeNumbersOnlyWhenTheyReadBackExactly)
{
    struct Case {
        const char *typed;
        bool number;
    };
    const Case cases[] = {{"150", true}, {"-2.5", true}, {"007", false}, {"1.50", false}, {"1e3", false},
                          {"abc", false}, {"", false}, {" 5", false}, {"inf", false}};
    for (const Case &c : cases)
        EXPECT_EQ(Sheet::numberFromTyping(QString::fromLatin1(c.typed)).has_value(), c.number) << c.typed;
}

TEST(Sheet, BusyPointerIsRestoredWhicheverWayTheScopeEnds)
{
    Sheet sheet(5);
    try {
        BusyPointer busy(sheet);
        EXPECT_EQ(sheet.mousePointer(), MousePointer::Hourglass);
        throw std::runtime_error("failure");
    } catch (const std::runtime_error &) {
    }
    EXPECT_EQ(sheet.mousePointer(), MousePointer::Default);
}
