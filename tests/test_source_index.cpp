#include "Fixtures.h"

#include "context/SourceIndex.h"
#include "context/SourceScan.h"
#include "context/SourceUsage.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
// A message table with 123 Open, 456 Close, 5 Five, 7 Seven, -3 Minus and 1.5 Half.
void fillTable(Sheet &table)
{
    const std::pair<double, const char *> messages[] = {{123, "Open"}, {456, "Close"}, {5, "Five"},
                                                        {7, "Seven"},  {-3, "Minus"},  {1.5, "Half"}};
    int row = 1;
    for (const auto &[number, text] : messages) {
        table.SetCellNumber(row, 1, number);
        table.SetCellText(row, 5, text);
        ++row;
    }
    table.SetRowLimit(10);
}

// The lines the context window lists for a message: each source line and its resolved copy.
std::vector<std::pair<QString, QString>> windowLines(const QByteArray &listing, double message, const Sheet &table)
{
    Sheet out(3);
    SourceScan::scan(listing.constData(), static_cast<std::size_t>(listing.size()), message, table, out);
    std::vector<std::pair<QString, QString>> lines;
    for (int row = 3; row <= out.LastUsedRow(); ++row) {
        if (out.CellFill(row, 1) == ContextLineFill)
            lines.emplace_back(out.CellText(row, 1), out.CellText(row + 1, 1));
    }
    return lines;
}

std::vector<std::pair<QString, QString>> indexLines(const SourceIndex &index, double message, const Sheet &table)
{
    QString error;
    const auto found = index.linesCalling(message, &error);
    EXPECT_TRUE(found) << error.toStdString();
    std::vector<std::pair<QString, QString>> lines;
    CallResolver resolver(table);
    for (const SourceIndex::Line &line : found.value_or(std::vector<SourceIndex::Line> {})) {
        QString resolved = line.text;
        resolver.resolve(resolved);
        lines.emplace_back(line.shown, resolved);
    }
    return lines;
}
} // namespace

// The index finds, for every message, exactly the lines the context window's scan finds, and
// resolves them the same way.
TEST(SourceIndex, ListsWhatTheContextWindowLists)
{
    const QByteArray longLine = "L TXL(5) " + QByteArray(SourceScan::MaxLineLength + 50, 'y') + "\r\n";
    const QByteArray listing = "Dim a\r\nTitle = TXL(123) & TXL(456)\r\nx = TXL(123) + TXL(123)\r\n"
                               "a TXL(5) b TXL(999) c TXL(7)\r\ntxl(123)\r\nTXL( 123)\r\nTXL(0123) TXL(1234)\r\n"
                               "TXL(TXL(7)\r\nn TXL(-3) TXL(-03) h TXL(1.5) TXL(1.50)\r\nzero TXL(0)\n"
                               + longLine + "caf\xC3\xA9 TXL(456)\r\nlast TXL(7)";
    Sheet table(5);
    fillTable(table);
    QTemporaryDir dir;
    const QString path = dir.filePath("GhostSources.bin");
    writeFile(path, listing);
    QString error;
    const auto index = SourceIndex::build(path, &error);
    ASSERT_TRUE(index) << error.toStdString();
    for (const double message : {123.0, 456.0, 5.0, 7.0, -3.0, 1.5, 0.0, 1234.0, 999.0, 42.0}) {
        const auto expected = windowLines(listing, message, table);
        EXPECT_EQ(indexLines(*index, message, table), expected) << "message " << message;
    }
    EXPECT_EQ(indexLines(*index, 123, table).size(), 3u) << "a line that calls twice is listed once";
    EXPECT_TRUE(index->utf8());

    // The same rule for a listing that is not UTF-8, and for lines that cross the reading's chunks.
    const QByteArray filler = QByteArray(9 << 20, 'f') + "\n";
    const QByteArray latin = "caf\xE9 TXL(123)\r\n" + filler + "across TXL(5) " + QByteArray(9 << 20, 'g') + " TXL(7)\r\n";
    writeFile(path, latin);
    const auto second = SourceIndex::build(path, &error);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->utf8());
    for (const double message : {123.0, 5.0, 7.0})
        EXPECT_EQ(indexLines(*second, message, table), windowLines(latin, message, table)) << "message " << message;
    EXPECT_LT(second->memoryBytes(), 1024u);
}

// The listing's state as the pane tells it: read, missing, unreadable, changed since.
TEST(SourceUsage, SaysWhyThereAreNoUses)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("GhostSources.bin");
    Sheet table(5);
    fillTable(table);
    SourceUsage usage(path);
    usage.reload();
    EXPECT_EQ(usage.state(), SourceUsage::State::Missing);
    EXPECT_EQ(usage.note(), "No source listing: " + path + " is missing.");

    writeFile(path, "Title = TXL(123) & TXL(456)\r\n");
    usage.reload();
    usage.waitUntilRead();
    ASSERT_EQ(usage.state(), SourceUsage::State::Ready);
    EXPECT_EQ(usage.note(), "");
    const std::vector<SourceUsage::Use> uses = usage.usesOf(table, 1);
    ASSERT_EQ(uses.size(), 1u);
    EXPECT_EQ(uses[0].line, "Title = TXL(123) & TXL(456)");
    EXPECT_EQ(uses[0].texts, (QStringList {"Open", "Close"}));

    writeFile(path, "Other = TXL(123)\r\nAnd = TXL(123)\r\n");
    EXPECT_TRUE(usage.usesOf(table, 1).empty()) << "a changed listing is read again, not misread";
    EXPECT_EQ(usage.state(), SourceUsage::State::Reading);
    usage.waitUntilRead();
    EXPECT_EQ(usage.usesOf(table, 1).size(), 2u);

    const QString note = inChildProcess([&] { handOver(dir.path(), 0755); handOver(path, 0000); }, [&] {
        becomeUnprivileged();
        SourceUsage denied(path);
        denied.reload();
        denied.waitUntilRead();
        return denied.note();
    });
    EXPECT_EQ(note, "Cannot read " + path + ": Permission denied");
}
