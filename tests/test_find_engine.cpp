#include "Fixtures.h"

#include "tools/FindEngine.h"

#include <gtest/gtest.h>

using namespace lng;

namespace {
FindOptions texts(const QString &text, FindOptions::Order order = FindOptions::Order::ByColumns)
{
    FindOptions options;
    options.text = text;
    options.order = order;
    options.locale = QLocale::c();
    return options;
}

FindSearch::Result search(const Sheet &sheet, const FindOptions &options)
{
    return FindSearch::run(sheet, options, {}, [] { return false; });
}

// Runs searches one after another from each hit and lists the hits, as a user pressing Next
// again and again would see them.
std::vector<std::pair<int, int>> hitSequence(Sheet &sheet, const FindOptions &options, int count)
{
    std::vector<std::pair<int, int>> hits;
    for (int i = 0; i < count; ++i) {
        const FindSearch::Result result = search(sheet, options);
        if (result.outcome != FindSearch::Outcome::Hit)
            break;
        hits.emplace_back(result.row, result.col);
        sheet.setActiveCell(result.row, result.col);
    }
    return hits;
}
} // namespace

TEST(CellMatches, TextsAndValuesWithCaseAndWholeCell)
{
    Sheet sheet(5);
    sheet.SetCellText(1, 2, "Hello");
    sheet.SetCellNumber(1, 1, 1234);
    sheet.SetCellText(1, 3, "1234");
    sheet.SetCellNumber(2, 1, 12.345);
    struct Case {
        int row, col;
        const char *text;
        FindOptions::Look look;
        bool entire, matchCase, matches;
    };
    using L = FindOptions::Look;
    const Case cases[] = {
        {1, 2, "ell", L::Texts, false, false, true},
        {1, 2, "ell", L::Texts, true, false, false},
        {1, 2, "hello", L::Texts, true, false, true},
        {1, 2, "hello", L::Texts, true, true, false},
        {1, 2, "hello", L::Texts, false, true, false},
        {1, 2, "Hello", L::Texts, true, true, true},
        {1, 2, "", L::Texts, false, false, true},  // an empty text occurs in every text
        {1, 1, "1234", L::Values, false, false, true},
        {1, 3, "1234", L::Values, false, false, false}, // a text cell never matches a value
        {1, 1, "1234", L::Texts, false, false, false},  // a number cell never matches a text
        {2, 1, "12.34", L::Values, false, false, true},
        {2, 1, "12.35", L::Values, false, false, false},
        {1, 1, "abc", L::Values, false, false, false},  // not a number: matches nothing
        {3, 1, "abc", L::Values, false, false, false},  // and never an empty cell as 0
    };
    for (const Case &c : cases) {
        FindOptions options = texts(QString::fromLatin1(c.text));
        options.look = c.look;
        options.entireCell = c.entire;
        options.matchCase = c.matchCase;
        EXPECT_EQ(CellMatches(sheet, c.row, c.col, options), c.matches)
            << c.text << " at " << c.row << "," << c.col << " entire " << c.entire << " case " << c.matchCase;
    }
    FindOptions values = texts("12.34");
    values.look = L::Values;
    for (double cell : {12.35, 12.3495}) {
        sheet.SetCellNumber(2, 1, cell);
        EXPECT_FALSE(CellMatches(sheet, 2, 1, values)) << cell;
    }
    QLocale german(QLocale::German);
    values.locale = german;
    values.text = "12,34";
    sheet.SetCellNumber(2, 1, 12.345);
    EXPECT_TRUE(CellMatches(sheet, 2, 1, values)); // the user's decimal separator
}

TEST(FindSearch, TheStartCellIsNeverTested)
{
    Sheet sheet(5);
    sheet.SetCellText(3, 4, "only");
    sheet.SetCellText(5, 5, "other");
    sheet.setActiveCell(3, 4);
    for (auto order : {FindOptions::Order::ByRows, FindOptions::Order::ByColumns})
        EXPECT_EQ(search(sheet, texts("only", order)).outcome, FindSearch::Outcome::NoMatch);
}

TEST(FindSearch, ByColumnsVisitsTheColumnBelowThenTheOthersThenWraps)
{
    Sheet sheet(5);
    for (auto [row, col] : std::vector<std::pair<int, int>> {{3, 3}, {1, 4}, {4, 5}, {2, 1}, {1, 2}, {1, 3}})
        sheet.SetCellText(row, col, "x");
    sheet.SetCellText(2, 3, "start");
    sheet.setActiveCell(2, 3);
    const auto hits = hitSequence(sheet, texts("x"), 7);
    EXPECT_EQ(hits, (std::vector<std::pair<int, int>> {{3, 3}, {1, 4}, {4, 5}, {2, 1}, {1, 2}, {1, 3}, {3, 3}}));
}

TEST(FindSearch, ByRowsGoesOnWithRowOneAfterTheLastRow)
{
    Sheet sheet(5);
    for (auto [row, col] : std::vector<std::pair<int, int>> {{4, 5}, {1, 1}, {2, 4}, {4, 2}})
        sheet.SetCellText(row, col, "x");
    sheet.setActiveCell(4, 3);
    const auto hits = hitSequence(sheet, texts("x", FindOptions::Order::ByRows), 5);
    EXPECT_EQ(hits, (std::vector<std::pair<int, int>> {{4, 5}, {1, 1}, {2, 4}, {4, 2}, {4, 5}}));
}

TEST(FindSearch, HiddenRowsAndColumnsArePassedOver)
{
    Sheet sheet(5);
    sheet.SetCellText(2, 2, "x");
    sheet.SetCellText(4, 4, "x");
    sheet.SetCellText(6, 1, "x");
    sheet.SetRowHidden(2, true);
    sheet.SetColumnHidden(4, true);
    sheet.setActiveCell(1, 1);
    // The only visible match; from there the next search finds nothing.
    const auto hits = hitSequence(sheet, texts("x", FindOptions::Order::ByRows), 3);
    EXPECT_EQ(hits, (std::vector<std::pair<int, int>> {{6, 1}}));
}

TEST(FindSearch, AStartCellTheScanCannotReachEndsAfterOneCycle)
{
    struct Case {
        const char *name;
        std::function<void(Sheet &)> arrange;
        FindOptions::Order order;
    };
    const std::vector<Case> cases {
        {"hidden row", [](Sheet &s) { s.SetRowHidden(2, true); }, FindOptions::Order::ByColumns},
        {"hidden column", [](Sheet &s) { s.SetColumnHidden(2, true); }, FindOptions::Order::ByRows},
        {"beyond the row's last cell", [](Sheet &s) { s.setActiveCell(2, 5); }, FindOptions::Order::ByRows},
    };
    for (const Case &c : cases) {
        Sheet sheet(5);
        sheet.SetCellText(1, 1, "a");
        sheet.SetCellText(2, 1, "b");
        sheet.SetCellText(3, 5, "c");
        sheet.setActiveCell(2, 2);
        c.arrange(sheet);
        int yields = 0;
        const auto result = FindSearch::run(sheet, texts("zzz", c.order), [&yields] { ++yields; }, [] { return false; });
        EXPECT_EQ(result.outcome, FindSearch::Outcome::NoMatch) << c.name;
        EXPECT_LE(yields, 12) << c.name;
    }
}

TEST(FindSearch, YieldsOncePerRowOrColumnAndStops)
{
    Sheet sheet(5);
    for (int row = 1; row <= 100; ++row)
        sheet.SetCellText(row, 1, "text");
    sheet.setActiveCell(1, 1);
    int yields = 0;
    auto result = FindSearch::run(sheet, texts("none", FindOptions::Order::ByRows), [&] { ++yields; }, [] { return false; });
    EXPECT_EQ(result.outcome, FindSearch::Outcome::NoMatch);
    EXPECT_EQ(yields, 101); // rows 1..100, then row 1 again up to the start cell

    bool stop = false;
    yields = 0;
    result = FindSearch::run(sheet, texts("none"), [&] { stop = ++yields == 2; }, [&] { return stop; });
    EXPECT_EQ(result.outcome, FindSearch::Outcome::Stopped);

    Sheet empty(5);
    EXPECT_EQ(search(empty, texts("x")).outcome, FindSearch::Outcome::EmptySheet);
}

TEST(FindSearch, AHitScrollsOnlyWhenItIsOffScreen)
{
    Sheet sheet(5);
    sheet.setVisibleExtent(20, 5);
    showHit(sheet, 10, 3);
    EXPECT_EQ(sheet.TopVisibleRow(), 1);
    EXPECT_EQ(sheet.LeftVisibleColumn(), 1);
    showHit(sheet, 500, 4);
    EXPECT_EQ(sheet.ActiveRow(), 500);
    EXPECT_EQ(sheet.ActiveColumn(), 4);
    EXPECT_EQ(sheet.TopVisibleRow(), 499);
    EXPECT_EQ(sheet.LeftVisibleColumn(), 3);
    showHit(sheet, 1, 1);
    EXPECT_EQ(sheet.TopVisibleRow(), 1);
    EXPECT_EQ(sheet.LeftVisibleColumn(), 1);
}
