#include "Fixtures.h"

#include "context/ContextCommand.h"
#include "context/SourceScan.h"

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
// A message table with a few messages: 123 Open, 456 Close, 5 Five, 7 Seven.
void fillTable(Sheet &table)
{
    const std::pair<int, const char *> messages[] = {{123, "Open"}, {456, "Close"}, {5, "Five"}, {7, "Seven"}};
    int row = 1;
    for (const auto &[number, text] : messages) {
        table.SetCellNumber(row, 1, number);
        table.SetCellText(row, 5, text);
        ++row;
    }
    table.SetRowLimit(10);
}

QStringList column1(const Sheet &out)
{
    QStringList rows;
    for (int row = 1; row <= out.LastUsedRow(); ++row)
        rows << out.CellText(row, 1);
    return rows;
}

const QString k10 = QString(10, ' ');
const QString k20 = QString(20, ' ');
} // namespace

TEST(SourceScan, ListsEachMatchingLineWithItsCallsResolved)
{
    struct Case {
        const char *name;
        double message;
        QByteArray listing;
        QStringList rows;
    };
    const std::vector<Case> cases {
        {"no matching line", 123, "a = 1\r\nb = TXL(456)\r\nc = TXL(1234)\r\n", {"0 MESSAGE(S) FOUND"}},
        {"two calls, one line", 123, "Dim a\r\nTitle = TXL(123) & TXL(456)\r\nEnd\r\n",
         {"1 MESSAGE(S) FOUND", "", "Title = TXL(123) & TXL(456)", "Title = \"Open\" & \"Close\"" + k20, "Open", "Close"}},
        {"the message twice: listed once", 123, "x = TXL(123) + TXL(123)\r\n",
         {"1 MESSAGE(S) FOUND", "", "x = TXL(123) + TXL(123)", "x = \"Open\" + \"Open\"" + k20, "Open", "Open"}},
        {"a number not in the table ends the line", 5, "a TXL(5) b TXL(999) c TXL(7)\r\n",
         {"1 MESSAGE(S) FOUND", "", "a TXL(5) b TXL(999) c TXL(7)", "a \"Five\" b TXL(999) c TXL(7)" + k10, "Five"}},
        {"any letter case, but no blank", 123, "txl(123)\r\nTXL( 123)\r\nTxL(123)\r\n",
         {"2 MESSAGE(S) FOUND", "", "txl(123)", "\"Open\"" + k10, "Open", "", "TxL(123)", "\"Open\"" + k10, "Open"}},
        {"groups start at rows 3 and 8", 7, "A TXL(7) TXL(5)\nB TXL(7)\n",
         {"2 MESSAGE(S) FOUND", "", "A TXL(7) TXL(5)", "A \"Seven\" \"Five\"" + k20, "Seven", "Five", "", "B TXL(7)",
          "B \"Seven\"" + k10, "Seven"}},
        {"a call without its parenthesis ends the line", 123, "TXL(123) TXL(12345678901) TXL(7)\r\n",
         {"1 MESSAGE(S) FOUND", "", "TXL(123) TXL(12345678901) TXL(7)", "\"Open\" TXL(12345678901) TXL(7)" + k10, "Open"}},
        {"a number that does not read ends the line", 123, "TXL(123) TXL(abc) TXL(7)\r\n",
         {"1 MESSAGE(S) FOUND", "", "TXL(123) TXL(abc) TXL(7)", "\"Open\" TXL(abc) TXL(7)" + k10, "Open"}},
        {"no line end at all", 456, "only TXL(456)", {"1 MESSAGE(S) FOUND", "", "only TXL(456)", "only \"Close\"" + k10, "Close"}},
    };
    for (const Case &c : cases) {
        Sheet table(5);
        fillTable(table);
        Sheet out(3);
        SourceScan::scan(c.listing.constData(), c.listing.size(), c.message, table, out);
        EXPECT_EQ(column1(out), c.rows) << c.name;
    }
}

TEST(SourceScan, FillsAndViewPosition)
{
    Sheet table(5);
    fillTable(table);
    Sheet out(3);
    out.setActiveCell(9, 2);
    const QByteArray listing = "Title = TXL(123) & TXL(456)\r\n";
    SourceScan::scan(listing.constData(), listing.size(), 123, table, out);
    EXPECT_EQ(out.CellFill(1, 1), ContextTextFill);
    EXPECT_EQ(out.CellFill(2, 1), std::nullopt);
    EXPECT_EQ(out.CellFill(3, 1), ContextLineFill);
    EXPECT_EQ(out.CellFill(4, 1), std::nullopt);
    EXPECT_EQ(out.CellFill(5, 1), ContextTextFill);
    EXPECT_EQ(out.CellFill(6, 1), ContextTextFill);
    EXPECT_EQ(out.ActiveRow(), 1);
    EXPECT_EQ(out.ActiveColumn(), 1);
    EXPECT_EQ(out.TopVisibleRow(), 1);
    EXPECT_GE(out.ColumnWidth(1), 82 * 256); // a wide first column
}

TEST(SourceScan, AtMostFiftyStepsAndTheTailIsCut)
{
    Sheet table(5);
    fillTable(table);
    Sheet out(3);
    table.SetCellText(4, 5, "again TXL(7)"); // a text that calls itself never runs out of calls
    const QByteArray selfCalling = "TXL(7)\r\n";
    SourceScan::scan(selfCalling.constData(), selfCalling.size(), 7, table, out);
    EXPECT_EQ(out.LastUsedRow(), 4 + 50); // count, blank, line, resolved, 50 texts
    EXPECT_TRUE(out.CellText(4, 1).contains("TXL(7)"));

    Sheet cut(3);
    const QByteArray longTail = "TXL(5) " + QByteArray(300, 'x') + "\r\n";
    SourceScan::scan(longTail.constData(), longTail.size(), 5, table, cut);
    EXPECT_EQ(cut.CellText(4, 1), "\"Five\" " + QString(254, 'x'));
}

TEST(SourceScan, TheEmptyPositionCellLooksForMessageZero)
{
    Sheet table(5);
    fillTable(table);
    table.SetCellText(9, 5, "Zero row"); // row 9 has no number: it reads as 0
    Sheet out(3);
    const QByteArray listing = "a TXL(0)\r\n";
    SourceScan::scan(listing.constData(), listing.size(), table.CellNumber(20, 1), table, out);
    EXPECT_EQ(column1(out).mid(0, 3), (QStringList {"1 MESSAGE(S) FOUND", "", "a TXL(0)"}));
}

TEST(SourceScan, ListingsThatAreNotUtf8AreReadAsWindows1252)
{
    Sheet table(5);
    fillTable(table);
    Sheet out(3);
    const QByteArray latin = "caf\xE9 \x80 TXL(123)\r\n";
    SourceScan::scan(latin.constData(), latin.size(), 123, table, out);
    EXPECT_EQ(out.CellText(3, 1), QString::fromUtf8("café € TXL(123)"));

    Sheet utf8(3);
    const QByteArray unicode = "Заголовок TXL(123)\r\n";
    SourceScan::scan(unicode.constData(), unicode.size(), 123, table, utf8);
    EXPECT_EQ(utf8.CellText(3, 1), QString::fromUtf8("Заголовок TXL(123)"));
}

TEST(SourceScan, NulBytesAndHugeLinesNeitherCrashNorFlood)
{
    Sheet table(5);
    fillTable(table);
    Sheet out(3);
    QByteArray odd("a\0b TXL(123)\r\n", 14);
    odd += QByteArray(300'000, 'y') + " TXL(123)";
    SourceScan::scan(odd.constData(), odd.size(), 123, table, out);
    EXPECT_EQ(out.CellText(1, 1), "2 MESSAGE(S) FOUND");
    EXPECT_EQ(out.CellText(3, 1), QString::fromLatin1("a\0b TXL(123)", 12));
    const QString shortened = out.CellText(7, 1);
    EXPECT_LT(shortened.size(), 100'200);
    EXPECT_TRUE(shortened.endsWith("[line shortened for display: 300009 characters in all]")) << shortened.right(80).toStdString();
}

TEST(ContextCommand, AMissingListingIsNamed)
{
    BenchFixture f;
    bool shown = false;
    contextCommand(*f.bench, [&shown] { shown = true; });
    EXPECT_FALSE(shown);
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().text, "Cannot find " + f.folder() + "/GhostSources.bin");
    EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
    EXPECT_EQ(f.prompts.last().caption, QString(""));

    writeFile(f.folder() + "/GhostSources.bin", "x\r\n");
    contextCommand(*f.bench, [&shown] { shown = true; });
    EXPECT_TRUE(shown);
}
