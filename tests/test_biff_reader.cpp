#include "Fixtures.h"

#include "exchange/BiffReader.h"

#include <QtEndian>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {

QByteArray le16(int v)
{
    char b[2];
    qToLittleEndian(static_cast<std::uint16_t>(v), b);
    return QByteArray(b, 2);
}
QByteArray le32(std::uint32_t v)
{
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}
QByteArray record(int type, const QByteArray &body)
{
    return le16(type) + le16(static_cast<int>(body.size())) + body;
}
QByteArray cellHead(int row, int col)
{
    return le16(row - 1) + le16(col - 1) + le16(15);
}
QByteArray bof(int kind)
{
    return record(0x0809, le16(0x0600) + le16(kind) + QByteArray(12, '\0'));
}

// A workbook stream: globals with the shared strings given, then one sheet of `cells` records.
QByteArray workbook(const QByteArray &sharedStrings, const QByteArray &cells)
{
    QByteArray globals = bof(0x0005);
    const qsizetype boundSheet = globals.size();
    globals += record(0x0085, le32(0) + QByteArray(1, '\0') + QByteArray(1, '\0') + QByteArray("\x06\x00Sheet1", 8));
    globals += sharedStrings + record(0x000A, {});
    qToLittleEndian(static_cast<std::uint32_t>(globals.size()), globals.data() + boundSheet + 4);
    return globals + bof(0x0010) + cells + record(0x000A, {});
}

QString cellsAsText(const std::vector<WorkbookCell> &cells)
{
    QStringList shown;
    for (const WorkbookCell &c : cells)
        shown << QStringLiteral("%1,%2=%3").arg(c.row).arg(c.col).arg(c.isNumber ? QString::number(c.number) : "'" + c.text + "'");
    return shown.join(' ');
}

} // namespace

// Every cell record a spreadsheet program writes for values, and a shared text whose characters
// go on in a CONTINUE record that switches from one byte to two bytes a character.
TEST(BiffReader, ReadsEveryValueRecordAndTextsSplitOverContinueRecords)
{
    const QByteArray sst = record(0x00FC, le32(3) + le32(3)
                                              + le16(0) + QByteArray(1, '\0')                 // the empty text
                                              + le16(5) + QByteArray(1, '\0') + "Fich")         // "Fich" ...
                           + record(0x003C, QByteArray(1, '\x01') + le16(0x00E9))              // ... "é", two bytes a character
                           + record(0x003C, le16(2) + QByteArray(1, '\x08') + le16(1) + "ok" + QByteArray(4, '\0')); // with a formatting run
    const QByteArray cells = record(0x00FD, cellHead(1, 2) + le32(1))
                             + record(0x00FD, cellHead(2, 2) + le32(0))
                             + record(0x00FD, cellHead(3, 2) + le32(2))
                             + record(0x027E, cellHead(1, 1) + le32(101u << 2 | 2))           // RK integer
                             + record(0x027E, cellHead(2, 1) + le32(10250u << 2 | 3))         // RK integer / 100
                             + record(0x0203, cellHead(3, 1) + QByteArray("\x00\x00\x00\x00\x00\x00\xf8\x3f", 8)) // 1.5
                             + record(0x00BD, le16(3) + le16(0) + le16(15) + le32(7u << 2 | 2) + le16(15) + le32(8u << 2 | 2) + le16(1))
                             + record(0x0204, cellHead(4, 3) + le16(3) + QByteArray(1, '\0') + "abc")
                             + record(0x0205, cellHead(5, 1) + QByteArray("\x01\x00", 2))
                             + record(0x0201, cellHead(6, 1))
                             + record(0x00BE, le16(6) + le16(1) + le16(15) + le16(15) + le16(2));
    std::vector<WorkbookCell> read;
    QString error;
    ASSERT_TRUE(readBiffCells(workbook(sst, cells), &read, &error)) << error.toStdString();
    EXPECT_EQ(cellsAsText(read), QString::fromUtf8("1,2='Fiché' 2,2='' 3,2='ok' 1,1=101 2,1=102.5 3,1=1.5 4,1=7 4,2=8 4,3='abc' 5,1='TRUE'"));
}

TEST(BiffReader, DamageIsNamed)
{
    const QByteArray sst = record(0x00FC, le32(1) + le32(1) + le16(2) + QByteArray(1, '\0') + "ok");
    const QByteArray good = workbook(sst, record(0x00FD, cellHead(1, 2) + le32(0)));
    struct Case {
        const char *name;
        QByteArray stream;
        QString cause;
    };
    const Case cases[] = {
        {"empty", {}, "the file is not an Excel 97-2003 workbook: its workbook stream does not begin as one"},
        {"cut inside a record", good.left(good.size() - 6), "the workbook is truncated: record 6 is cut off"},
        {"end record missing", good.left(good.size() - 4), "the workbook is truncated: the first sheet's end record is missing"},
        {"text index beyond the table", workbook(sst, record(0x00FD, cellHead(1, 2) + le32(9))),
         "the workbook is damaged at record 6: cell B1 names text 9, which the table of texts does not hold"},
        {"text longer than its table", workbook(record(0x00FC, le32(1) + le32(1) + le16(50) + QByteArray(1, '\0') + "ok"), {}),
         "the workbook is damaged at record 3: the table of texts ends inside a text"},
        {"cell record too short", workbook(sst, record(0x0203, cellHead(1, 1) + "\x01")),
         "the workbook is damaged at record 6: it is shorter than its contents"},
        {"formula", workbook(sst, record(0x0006, cellHead(4, 2) + QByteArray(16, '\0'))),
         "cell B4 holds a formula; only values can be imported. Replace the formulas by their values and save the workbook again."},
        {"Excel 95", record(0x0809, le16(0x0500) + le16(5) + QByteArray(4, '\0')),
         "the workbook is of an Excel version before 97; save it as an Excel 97-2003 workbook"},
        {"password", bof(5) + record(0x002F, QByteArray(6, '\0')), "the workbook is protected by a password; save it without one"},
    };
    for (const Case &c : cases) {
        std::vector<WorkbookCell> read {WorkbookCell {}};
        QString error;
        EXPECT_FALSE(readBiffCells(c.stream, &read, &error)) << c.name;
        EXPECT_EQ(error, c.cause) << c.name;
        EXPECT_TRUE(read.empty()) << c.name;
    }
}

TEST(BiffReader, FilesThatAreNoCompoundFileAreNamed)
{
    const QByteArray header("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    const std::pair<QByteArray, QString> cases[] = {
        {"Position\tMessages\r\n", "the file is not an Excel 97-2003 workbook"},
        {header + QByteArray(100, '\0'), "the workbook is truncated: the file ends inside its header"},
        {header + QByteArray(4000, '\xFF'), "the file is damaged: its compound-file structure cannot be read"},
    };
    for (const auto &[file, cause] : cases) {
        std::vector<WorkbookCell> read;
        QString error;
        EXPECT_FALSE(readWorkbookCells(file, &read, &error));
        EXPECT_EQ(error, cause);
    }
}
