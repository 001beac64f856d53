// Writes the BIFF8 records of a one-sheet workbook and wraps them in an OLE2 compound file.
#include "XlsFile.h"

#include "Gsf.h"
#include "app/Texts.h"

#include <QFile>
#include <QtEndian>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace lng {

namespace {

constexpr int kMaxRecordData = 8224;
constexpr int kMaxRows = 65536;
constexpr std::uint16_t kCellXf = 15;

enum RecordType : std::uint16_t {
    BOF = 0x0809, EOFRecord = 0x000A, CODEPAGE = 0x0042, WINDOW1 = 0x003D, FONT = 0x0031, XF = 0x00E0,
    STYLE = 0x0293, BOUNDSHEET = 0x0085, SST = 0x00FC, CONTINUE = 0x003C, EXTSST = 0x00FF, DIMENSIONS = 0x0200,
    COLINFO = 0x007D, LABELSST = 0x00FD, RK = 0x027E, NUMBER = 0x0203, WINDOW2 = 0x023E, INTERFACEHDR = 0x00E1,
    MMS = 0x00C1, INTERFACEEND = 0x00E2, DSF = 0x0161, TABID = 0x013D, WINDOWPROTECT = 0x0019, PROTECT = 0x0012,
    PASSWORD = 0x0013, BACKUP = 0x0040, HIDEOBJ = 0x008D, DATE1904 = 0x0022, CALCPRECISION = 0x000E,
    BOOKBOOL = 0x00DA, COUNTRY = 0x008C, CALCMODE = 0x000D, CALCCOUNT = 0x000C, REFMODE = 0x000F,
    ITERATION = 0x0011, DELTA = 0x0010, SAVERECALC = 0x005F, PRINTHEADERS = 0x002A, PRINTGRIDLINES = 0x002B,
    GRIDSET = 0x0082, GUTS = 0x0080, DEFAULTROWHEIGHT = 0x0225, WSBOOL = 0x0081, DEFCOLWIDTH = 0x0055,
    SELECTION = 0x001D,
};

// Little-endian record data.
class Bytes {
public:
    Bytes &u8(std::uint8_t v)
    {
        m_data.append(static_cast<char>(v));
        return *this;
    }
    Bytes &u16(std::uint16_t v)
    {
        char b[2];
        qToLittleEndian(v, b);
        m_data.append(b, 2);
        return *this;
    }
    Bytes &u32(std::uint32_t v)
    {
        char b[4];
        qToLittleEndian(v, b);
        m_data.append(b, 4);
        return *this;
    }
    Bytes &f64(double v)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        char b[8];
        qToLittleEndian(bits, b);
        m_data.append(b, 8);
        return *this;
    }
    Bytes &raw(const QByteArray &bytes)
    {
        m_data.append(bytes);
        return *this;
    }
    const QByteArray &data() const { return m_data; }
    qsizetype size() const { return m_data.size(); }

private:
    QByteArray m_data;
};

class Stream {
public:
    void record(std::uint16_t type, const QByteArray &data)
    {
        Q_ASSERT(data.size() <= kMaxRecordData);
        Bytes header;
        header.u16(type).u16(static_cast<std::uint16_t>(data.size()));
        m_out.append(header.data()).append(data);
    }
    void record(std::uint16_t type, const Bytes &data) { record(type, data.data()); }
    void record(std::uint16_t type) { record(type, QByteArray()); }
    qsizetype position() const { return m_out.size(); }
    QByteArray &bytes() { return m_out; }

private:
    QByteArray m_out;
};

// Characters of a string as written: one byte each when every unit fits, otherwise UTF-16LE.
struct SstString {
    const QString *text;
    bool wide;
};

bool needsWide(const QString &text)
{
    for (QChar ch : text) {
        if (ch.unicode() > 0xFF)
            return true;
    }
    return false;
}

// The shared string table, split into SST and CONTINUE records without ever cutting a
// string's header, a character or a surrogate pair.
void writeSst(Stream &stream, const std::vector<QString> &strings, std::uint32_t total)
{
    const std::uint16_t perBucket = static_cast<std::uint16_t>(std::max<std::size_t>(8, (strings.size() + 127) / 128));
    Bytes extsst;
    extsst.u16(perBucket);

    QByteArray record;
    Bytes head;
    head.u32(total).u32(static_cast<std::uint32_t>(strings.size()));
    record = head.data();
    std::uint16_t type = SST;
    const auto flush = [&] {
        stream.record(type, record);
        record.clear();
        type = CONTINUE;
    };

    for (std::size_t i = 0; i < strings.size(); ++i) {
        const QString &text = strings[i];
        const bool wide = needsWide(text);
        const int charSize = wide ? 2 : 1;
        if (record.size() + 3 + charSize > kMaxRecordData)
            flush();
        if (i % perBucket == 0) {
            const qsizetype offset = record.size() + 4;
            extsst.u32(static_cast<std::uint32_t>(stream.position() + offset)).u16(static_cast<std::uint16_t>(offset)).u16(0);
        }
        Bytes header;
        header.u16(static_cast<std::uint16_t>(text.size())).u8(wide ? 1 : 0);
        record.append(header.data());
        qsizetype done = 0;
        while (done < text.size()) {
            qsizetype fit = (kMaxRecordData - record.size()) / charSize;
            if (fit <= 0 || (wide && fit == 1 && text[done].isHighSurrogate())) {
                flush();
                record.append(static_cast<char>(wide ? 1 : 0)); // a continued string's flags byte
                continue;
            }
            qsizetype count = std::min(fit, text.size() - done);
            if (wide && done + count < text.size() && text[done + count - 1].isHighSurrogate())
                --count; // keep a surrogate pair together
            if (wide) {
                QByteArray units(count * 2, Qt::Uninitialized);
                for (qsizetype k = 0; k < count; ++k)
                    qToLittleEndian(text[done + k].unicode(), units.data() + 2 * k);
                record.append(units);
            } else {
                for (qsizetype k = 0; k < count; ++k)
                    record.append(static_cast<char>(text[done + k].unicode()));
            }
            done += count;
        }
    }
    flush();
    stream.record(EXTSST, extsst);
}

Bytes font()
{
    Bytes b;
    b.u16(200).u16(0).u16(0x7FFF).u16(400).u16(0).u8(0).u8(0).u8(0).u8(0);
    b.u8(5).u8(0).raw("Arial");
    return b;
}

Bytes xf(std::uint16_t fontIndex, bool style)
{
    Bytes b;
    b.u16(fontIndex).u16(0);
    b.u16(style ? 0xFFF5 : 0x0001); // locked; a style XF has no parent
    b.u8(0x20).u8(0).u8(0).u8(style ? 0xF4 : 0x00);
    b.u32(0).u32(0).u16(0x20C0);
    return b;
}

std::optional<std::int32_t> rkInteger(double value)
{
    if (value != std::floor(value) || value < -536870912.0 || value > 536870911.0)
        return std::nullopt;
    const auto whole = static_cast<std::int32_t>(value);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(whole) << 2 | 0x2);
}

// The worksheet substream, with its texts gathered into the shared string table.
QByteArray sheetStream(const Sheet &sheet, std::vector<QString> &strings, std::uint32_t &textCells)
{
    std::unordered_map<QString, std::uint32_t> index;
    Stream cells;
    int lastRow = 0;
    int lastCol = 0;
    const int rows = std::min(sheet.LastUsedRow(), kMaxRows);
    for (int row = 1; row <= rows; ++row) {
        const int cols = std::min(sheet.LastUsedColumnInRow(row), 256);
        for (int col = 1; col <= cols; ++col) {
            const auto r = static_cast<std::uint16_t>(row - 1);
            const auto c = static_cast<std::uint16_t>(col - 1);
            switch (sheet.CellTypeAt(row, col)) {
            case CellType::Empty:
                continue;
            case CellType::Number: {
                const double value = sheet.CellNumber(row, col);
                Bytes b;
                b.u16(r).u16(c).u16(kCellXf);
                if (const auto rk = rkInteger(value)) {
                    b.u32(static_cast<std::uint32_t>(*rk));
                    cells.record(RK, b);
                } else {
                    b.f64(value);
                    cells.record(NUMBER, b);
                }
                break;
            }
            case CellType::Text: {
                const QString text = sheet.CellText(row, col).left(XlsCodec::MaxTextLength);
                if (text.isEmpty())
                    continue; // an empty string makes some readers refuse the file
                auto [it, added] = index.try_emplace(text, static_cast<std::uint32_t>(strings.size()));
                if (added)
                    strings.push_back(text);
                ++textCells;
                Bytes b;
                b.u16(r).u16(c).u16(kCellXf).u32(it->second);
                cells.record(LABELSST, b);
                break;
            }
            }
            lastRow = std::max(lastRow, row);
            lastCol = std::max(lastCol, col);
        }
    }

    Stream s;
    s.record(BOF, Bytes().u16(0x0600).u16(0x0010).u16(0x0DBB).u16(0x07CC).u32(0).u32(0x06));
    s.record(CALCMODE, Bytes().u16(1));
    s.record(CALCCOUNT, Bytes().u16(100));
    s.record(REFMODE, Bytes().u16(1));
    s.record(ITERATION, Bytes().u16(0));
    s.record(DELTA, Bytes().f64(0.001));
    s.record(SAVERECALC, Bytes().u16(1));
    s.record(PRINTHEADERS, Bytes().u16(0));
    s.record(PRINTGRIDLINES, Bytes().u16(0));
    s.record(GRIDSET, Bytes().u16(1));
    s.record(GUTS, Bytes().u16(0).u16(0).u16(0).u16(0));
    s.record(DEFAULTROWHEIGHT, Bytes().u16(0).u16(255));
    s.record(WSBOOL, Bytes().u16(0x04C1));
    s.record(DEFCOLWIDTH, Bytes().u16(8));
    for (int col = 1; col <= std::max(lastCol, 2); ++col) {
        const int width = std::clamp(sheet.ColumnWidth(col), 256, 255 * 256);
        s.record(COLINFO, Bytes().u16(static_cast<std::uint16_t>(col - 1)).u16(static_cast<std::uint16_t>(col - 1))
                              .u16(static_cast<std::uint16_t>(width)).u16(kCellXf).u16(0).u16(0));
    }
    s.record(DIMENSIONS, Bytes().u32(0).u32(static_cast<std::uint32_t>(lastRow)).u16(0).u16(static_cast<std::uint16_t>(lastCol)).u16(0));
    s.bytes().append(cells.bytes());
    s.record(WINDOW2, Bytes().u16(0x06B6).u16(0).u16(0).u32(0x40).u16(0).u16(0).u32(0));
    s.record(SELECTION, Bytes().u8(3).u16(0).u16(0).u16(0).u16(1).u16(0).u16(0).u8(0).u8(0));
    s.record(EOFRecord);
    return s.bytes();
}

} // namespace

QString XlsCodec::longTextWarning(const QStringList &messages)
{
    return QStringLiteral("%1 message(s) are longer than %2 characters, the most a spreadsheet cell holds (messages %3). "
                          "Their texts were cut at that length in the workbook; keep them out of the round trip.")
        .arg(messages.size())
        .arg(MaxTextLength)
        .arg(texts::firstFew(messages));
}

QByteArray XlsCodec::workbookStream(const Sheet &from)
{
    std::vector<QString> strings;
    std::uint32_t textCells = 0;
    const QByteArray sheet = sheetStream(from, strings, textCells);

    Stream g;
    g.record(BOF, Bytes().u16(0x0600).u16(0x0005).u16(0x0DBB).u16(0x07CC).u32(0).u32(0x06));
    g.record(INTERFACEHDR, Bytes().u16(0x04B0));
    g.record(MMS, Bytes().u8(0).u8(0));
    g.record(INTERFACEEND);
    g.record(CODEPAGE, Bytes().u16(1200));
    g.record(DSF, Bytes().u16(0));
    g.record(TABID, Bytes().u16(1));
    g.record(WINDOWPROTECT, Bytes().u16(0));
    g.record(PROTECT, Bytes().u16(0));
    g.record(PASSWORD, Bytes().u16(0));
    g.record(WINDOW1, Bytes().u16(0x0168).u16(0x001E).u16(0x3FD8).u16(0x2454).u16(0x0038).u16(0).u16(0).u16(1).u16(0x0258));
    g.record(BACKUP, Bytes().u16(0));
    g.record(HIDEOBJ, Bytes().u16(0));
    g.record(DATE1904, Bytes().u16(0));
    g.record(CALCPRECISION, Bytes().u16(1));
    g.record(BOOKBOOL, Bytes().u16(0));
    for (int i = 0; i < 4; ++i)
        g.record(FONT, font());
    for (int i = 0; i < 15; ++i)
        g.record(XF, xf(i == 1 || i == 2 ? 1 : (i == 3 || i == 4 ? 2 : 0), true));
    g.record(XF, xf(0, false));
    g.record(STYLE, Bytes().u16(0x8000).u8(0).u8(0xFF));
    const qsizetype boundsheet = g.position();
    g.record(BOUNDSHEET, Bytes().u32(0).u8(0).u8(0).u8(6).u8(0).raw("Sheet1"));
    g.record(COUNTRY, Bytes().u16(1).u16(1));
    writeSst(g, strings, textCells);
    g.record(EOFRecord);

    // The sheet's BOF follows the globals directly; BOUNDSHEET must point exactly at it.
    QByteArray stream = g.bytes();
    qToLittleEndian(static_cast<std::uint32_t>(stream.size()), stream.data() + boundsheet + 4);
    stream.append(sheet);
    return stream;
}

bool XlsCodec::write(const QString &path, const Sheet &from, QString *error) const
{
    gsf::ensureInitialised();

    const QByteArray stream = workbookStream(from);
    // Written next to the target and renamed over it only when complete.
    const QString temporary = path + QStringLiteral(".part");
    GError *gerror = nullptr;
    gsf::Ptr<GsfOutput> sink(gsf_output_stdio_new(QFile::encodeName(temporary).constData(), &gerror));
    if (!sink) {
        if (error)
            *error = gerror ? QString::fromUtf8(gerror->message) : QStringLiteral("cannot create the file");
        g_clear_error(&gerror);
        return false;
    }
    bool ok = false;
    {
        gsf::Ptr<GsfOutfile> ole(gsf_outfile_msole_new(sink.get()));
        gsf::Ptr<GsfOutput> workbook(gsf_outfile_new_child(ole.get(), "Workbook", FALSE));
        ok = ole && workbook
             && gsf_output_write(workbook.get(), static_cast<std::size_t>(stream.size()), reinterpret_cast<const guint8 *>(stream.constData()))
             && gsf_output_close(workbook.get()) && gsf_output_close(GSF_OUTPUT(ole.get()));
    }
    if (!gsf_output_is_closed(sink.get()))
        ok = gsf_output_close(sink.get()) && ok;
    if (const GError *sinkError = gsf_output_error(sink.get()); sinkError && error)
        *error = QString::fromUtf8(sinkError->message);
    sink.reset();
    if (!ok) {
        if (error && error->isEmpty())
            *error = QStringLiteral("cannot write the file");
        QFile::remove(temporary);
        return false;
    }
    // rename() replaces an existing file in one step.
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporary);
        return false;
    }
    return true;
}

} // namespace lng
