#include "Fixtures.h"

#include "tools/ColumnChecks.h"

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
void expectInformation(const FakePrompts &prompts, const QString &text)
{
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.last().text, text);
    EXPECT_EQ(prompts.last().icon, Icon::Information);
    EXPECT_EQ(prompts.last().caption, QString(""));
}
} // namespace

TEST(CountBlankRows, CountsRowsWithANumberAndAnEmptyCell)
{
    BenchFixture f;
    CountBlankRows(*f.bench);
    expectInformation(f.prompts, "Rows remaining blank: 0"); // empty table

    Sheet &t = f.table();
    t.SetCellNumber(1, 1, 101);                       // empty: counted
    t.SetCellNumber(2, 1, 102), t.SetCellText(2, 5, " "); // a space is not blank here
    t.SetCellNumber(3, 1, 103), t.SetCellText(3, 5, "x");
    t.SetCellText(4, 2, "no number");                 // no message number: never counted
    t.SetCellNumber(6, 1, 106);                       // counted
    t.setActiveCell(1, 5);
    f.prompts.clear();
    CountBlankRows(*f.bench);
    expectInformation(f.prompts, "Rows remaining blank: 2");

    t.setActiveCell(1, 2); // the active cell's column is the one counted
    f.prompts.clear();
    CountBlankRows(*f.bench);
    expectInformation(f.prompts, "Rows remaining blank: 4");
}

TEST(FindNextBlankRow, MovesToTheNextBlankCellWrappingToTheTop)
{
    struct Case {
        const char *name;
        int start;
        std::vector<int> filled; // rows 1..8 of column 5 not listed hold " " or nothing
        int expected;            // 0: not found
    };
    // Row 3 holds a single space, row 7 nothing; every other row has a text.
    const Case cases[] = {
        {"the active row itself", 3, {}, 3},
        {"spaces count as blank", 1, {}, 3},
        {"further down", 4, {}, 7},
        {"wraps to a row above", 8, {}, 3},
    };
    for (const Case &c : cases) {
        BenchFixture f;
        Sheet &t = f.table();
        t.SetRowLimit(8);
        for (int row = 1; row <= 8; ++row)
            t.SetCellText(row, 5, row == 3 ? " " : row == 7 ? "" : "text");
        t.setActiveCell(c.start, 5);
        FindNextBlankRow(*f.bench);
        EXPECT_EQ(t.ActiveRow(), c.expected) << c.name;
        EXPECT_EQ(t.ActiveColumn(), 5) << c.name;
        EXPECT_TRUE(f.prompts.shown.empty()) << c.name;
    }
}

TEST(FindNextBlankRow, NoBlankCellLeavesTheActiveCell)
{
    BenchFixture f;
    Sheet &t = f.table();
    t.SetRowLimit(5);
    for (int row = 1; row <= 5; ++row)
        t.SetCellText(row, 5, "text");
    t.SetCellText(6, 5, ""); // beyond the row limit: not looked at
    t.setActiveCell(4, 5);
    FindNextBlankRow(*f.bench);
    expectInformation(f.prompts, "No remaining blank row in this column");
    EXPECT_EQ(t.ActiveRow(), 4);
}

TEST(CheckLetterCase, RefusesWhileLocked)
{
    BenchFixture f;
    f.table().SetCellText(1, 4, "OK");
    f.table().SetCellText(1, 5, "ok");
    CheckLetterCase(*f.bench);
    expectInformation(f.prompts, "Must unlock to call this function !");
    EXPECT_EQ(f.table().CellFill(1, 5), std::nullopt);
}

TEST(CheckLetterCase, ColoursEditedCellsThatDifferFromTheSecondLanguage)
{
    struct Case {
        const char *second;
        const char *edited;
        std::optional<std::uint32_t> fill;
    };
    const Case cases[] = {
        {"Bonjour", "hello", FirstLetterMismatchColour}, // second pass: mixed case, no reference
        {"OK", "Ok", WholeStringMismatchColour},          // first letters agree
        {"", "hello", WholeStringMismatchColour},         // both passes: ends red
        {"123", "abc", WholeStringMismatchColour},
        {"abc", "123", std::nullopt},
        {"ÉCRAN", "écran", WholeStringMismatchColour},   // letters beyond ASCII
        {"straße", "STRASSE", WholeStringMismatchColour},
        {"OK", " ok", WholeStringMismatchColour},        // first pass skips a leading space
        {"OK", "   ", std::nullopt},                     // nothing but spaces
        {"Hello", "Hello", std::nullopt},
    };
    BenchFixture f;
    f.state.IsUnlocked = true;
    Sheet &t = f.table();
    t.SetRowLimit(static_cast<int>(std::size(cases)) + 1);
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        t.SetCellText(i + 1, 3, "English");
        t.SetCellText(i + 1, 4, QString::fromUtf8(cases[i].second));
        t.SetCellText(i + 1, 5, QString::fromUtf8(cases[i].edited));
    }
    CheckLetterCase(*f.bench);
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        EXPECT_EQ(t.CellFill(i + 1, 5), cases[i].fill) << cases[i].second << " / " << cases[i].edited;
        EXPECT_EQ(t.CellFill(i + 1, 3), std::nullopt) << "English is only selected";
    }
    // First pass: Bonjour/hello, empty/hello, 123/abc, ÉCRAN/écran, straße/STRASSE.
    // Second pass: OK/Ok, empty/hello, 123/abc, ÉCRAN/écran, straße/STRASSE, OK/ ok.
    expectInformation(f.prompts, "5 does not match for first letter case and 6 does not match for whole string case.");
    EXPECT_FALSE(f.state.IsModified);
    EXPECT_EQ(t.CellText(1, 5), "hello");
}
