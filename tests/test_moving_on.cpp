#include "Fixtures.h"

#include "tools/FindEngine.h"
#include "tools/MovingOn.h"
#include "tools/RowFilter.h"
#include "tools/TranslationProgress.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

TEST(MovingOn, NextUntranslatedMessageWrapsOnceAndSkipsRowsWithoutNumbers)
{
    Sheet t(5);
    t.SetRowLimit(9999);
    const auto message = [&](int row, const QString &text) {
        t.SetCellNumber(row, 1, row + 100);
        t.SetCellText(row, 5, text);
    };
    message(1, "done");
    message(2, "   "); // only spaces: untranslated
    message(4, "done");
    message(6, "");
    t.SetCellText(5, 5, ""); // no number: not a message
    EXPECT_EQ(nextUntranslatedRow(t, 1), 2);
    EXPECT_EQ(nextUntranslatedRow(t, 2), 6);
    EXPECT_EQ(nextUntranslatedRow(t, 6), 2) << "wraps round";
    message(2, "done");
    EXPECT_EQ(nextUntranslatedRow(t, 6), 6) << "the row itself, after a whole round";
    message(6, "done");
    EXPECT_EQ(nextUntranslatedRow(t, 1), std::nullopt);

    BenchFixture f;
    f.loadWith({{101, {{2, "File"}}}});
    f.bench->dispatcher().dispatch("ID_NextUntranslated");
    EXPECT_EQ(f.bench->lastStatus(), "No untranslated message is left in English");
}

TEST(Progress, CountsMessagesAndTranslationsAndFollowsEdits)
{
    BenchFixture f;
    std::vector<Message> messages;
    for (int n = 101; n <= 1300; ++n)
        messages.push_back({n, n <= 1101 ? std::map<int, QString> {{2, "text"}} : std::map<int, QString> {{2, " "}}});
    f.loadWith(messages);
    const TranslationProgress &progress = f.bench->progress();
    EXPECT_EQ(progress.summary("English"), "English: 1,001 of 1,200 messages translated (83.4 %)");
    f.state.IsPasswordGiven = true;
    f.table().userSetText(1200, 5, "now translated");
    f.table().userSetText(1, 5, "");
    EXPECT_EQ(progress.translated(), 1001);
    f.table().userSetText(1199, 5, "and this");
    EXPECT_EQ(progress.translated(), 1002);
    f.bench->history().undo();
    EXPECT_EQ(progress.translated(), 1001);
}

// After a save the table shows what was stored, and the status bar says what the save did.
TEST(Progress, ASaveShowsTheStoredTextsAndSaysWhatItDid)
{
    BenchFixture f;
    f.state.IsPasswordGiven = true;
    f.loadWith({{101, {{2, "File"}}}, {102, {{2, "Edit"}}}});
    f.table().userSetText(1, 5, "  Open \"this\"\tfile ");
    f.table().userSetText(2, 5, "Edit it");
    EXPECT_FALSE(f.bench->SaveTable());
    EXPECT_EQ(f.table().CellText(1, 5), "Open 'this' file");
    EXPECT_TRUE(QRegularExpression("^Saved 2 change\\(s\\) at \\d\\d:\\d\\d; 1 text\\(s\\) now show what was stored")
                    .match(f.bench->lastStatus())
                    .hasMatch())
        << f.bench->lastStatus().toStdString();
    EXPECT_FALSE(f.state.IsModified);
}

// Each filter hides the rows it leaves out with the sheet's own flags, so Search passes over
// them; a load shows all rows again.
TEST(RowFilter, EachModeHidesWhatItLeavesOutAndSearchSkipsIt)
{
    BenchFixture f;
    f.state.IsPasswordGiven = true;
    f.loadWith({{101, {{2, "File"}, {1, "menu"}}}, {102, {{2, "  "}}}, {104, {{2, "Open file"}}}, {105, {{2, ""}}}});
    struct Case {
        RowFilter filter;
        QString shown; // rows 1..5 shown
    };
    const Case cases[] = {
        {{RowFilterMode::AllRows, {}, {}}, "1 2 3 4 5"},
        {{RowFilterMode::MessagesOnly, {}, {}}, "1 2 4 5"},
        {{RowFilterMode::Untranslated, {}, {}}, "2 5"},
        {{RowFilterMode::Containing, "FILE", {}}, "1 4"},
        {{RowFilterMode::Containing, "MENU", {}}, "1"},
        {{RowFilterMode::Containing, "102", {}}, "2"},
        {{RowFilterMode::Containing, "", {}}, "1 2 3 4 5"},
        {{RowFilterMode::WithFindings, {}, {2, 4}}, "2 4"},
    };
    for (const Case &c : cases) {
        applyRowFilter(f.table(), c.filter);
        QStringList shown;
        for (int row = 1; row <= 5; ++row) {
            if (!f.table().RowHidden(row))
                shown << QString::number(row);
        }
        EXPECT_EQ(shown.join(' '), c.shown) << c.filter.text.toStdString();
    }

    applyRowFilter(f.table(), {RowFilterMode::Untranslated, {}, {}});
    FindOptions options;
    options.text = "file";
    f.table().setActiveCell(2, 5);
    EXPECT_EQ(FindSearch::run(f.table(), options, [] {}, [] { return false; }).outcome, FindSearch::Outcome::NoMatch);
    f.bench->dispatcher().dispatch("ID_FilterAll");
    EXPECT_EQ(FindSearch::run(f.table(), options, [] {}, [] { return false; }).row, 4);

    f.bench->dispatcher().dispatch("ID_FilterMessages");
    ASSERT_TRUE(f.bench->LoadTable());
    EXPECT_FALSE(f.table().RowHidden(3)) << "a load shows every row";
    EXPECT_EQ(f.bench->rowFilter.mode, RowFilterMode::AllRows);
}
