// Reads the cell values of a BIFF8 workbook's first sheet, trusting no length in the file.
#include "BiffReader.h"

#include "Gsf.h"
#include "grid/Sheet.h"

#include <QtEndian>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>

#include <cmath>
#include <cstring>
#include <optional>

namespace lng {

namespace {

enum RecordType : std::uint16_t {
    FORMULA = 0x0006, EOFRecord = 0x000A, FILEPASS = 0x002F, CONTINUE = 0x003C, BOUNDSHEET = 0x0085,
    MULRK = 0x00BD, MULBLANK = 0x00BE, RSTRING = 0x00D6, SST = 0x00FC, LABELSST = 0x00FD, BLANK = 0x0201,
    NUMBER = 0x0203, LABEL = 0x0204, BOOLERR = 0x0205, ARRAY = 0x0221, RK = 0x027E, SHRFMLA = 0x04BC,
    BOF = 0x0809,
};
constexpr std::uint16_t kBiff8 = 0x0600;
constexpr std::uint16_t kWorksheet = 0x0010;
constexpr int kSheetRows = 65536;
constexpr int kSheetColumns = 256;

// A record of the stream: its type, its number (from 1, for messages) and its body.
struct Record {
    std::uint16_t type = 0;
    int number = 0;
    qsizetype offset = 0; // of the body, in the stream
    qsizetype length = 0;
};

class Failure {
public:
    explicit Failure(QString cause) : m_cause(std::move(cause)) {}
    const QString &cause() const { return m_cause; }

private:
    QString m_cause;
};

// Walks the records of the stream from a given offset, checking each one lies inside it.
class RecordWalker {
public:
    RecordWalker(const QByteArray &stream, qsizetype at, int number) : m_stream(stream), m_at(at), m_number(number) {}

    // The next record, or nullopt at the stream's end; throws when a record runs past it.
    std::optional<Record> next()
    {
        if (m_at >= m_stream.size())
            return std::nullopt;
        if (m_at + 4 > m_stream.size())
            throw Failure(QStringLiteral("the workbook is truncated: record %1 is cut off").arg(m_number + 1));
        Record record;
        record.type = qFromLittleEndian<std::uint16_t>(m_stream.constData() + m_at);
        record.length = qFromLittleEndian<std::uint16_t>(m_stream.constData() + m_at + 2);
        record.offset = m_at + 4;
        record.number = ++m_number;
        if (record.offset + record.length > m_stream.size())
            throw Failure(QStringLiteral("the workbook is truncated: record %1 is cut off").arg(record.number));
        m_at = record.offset + record.length;
        return record;
    }
    // The record that follows, without moving past it.
    std::optional<Record> peek() const { return RecordWalker(*this).next(); }
    int number() const { return m_number; }

private:
    const QByteArray &m_stream;
    qsizetype m_at;
    int m_number;
};

QString damaged(const Record &record, const QString &what)
{
    return QStringLiteral("the workbook is damaged at record %1: %2").arg(record.number).arg(what);
}

// Reads little-endian values from the body of one record, never past its end.
class Body {
public:
    Body(const QByteArray &stream, const Record &record) : m_data(stream.constData() + record.offset), m_record(record) {}
    qsizetype left() const { return m_record.length - m_at; }
    bool atEnd() const { return m_at >= m_record.length; }
    std::uint8_t u8() { return *need(1); }
    std::uint16_t u16() { return qFromLittleEndian<std::uint16_t>(need(2)); }
    std::uint32_t u32() { return qFromLittleEndian<std::uint32_t>(need(4)); }
    double f64()
    {
        const std::uint64_t bits = qFromLittleEndian<std::uint64_t>(need(8));
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    const char *bytes(qsizetype count) { return need(count); }
    void skip(qsizetype count) { need(count); }
    const Record &record() const { return m_record; }

private:
    const char *need(qsizetype count)
    {
        if (count < 0 || count > left())
            throw Failure(damaged(m_record, QStringLiteral("it is shorter than its contents")));
        const char *at = m_data + m_at;
        m_at += count;
        return at;
    }
    const char *m_data;
    const Record &m_record;
    qsizetype m_at = 0;
};

// Characters of a BIFF8 string: one byte each (the low byte of UTF-16) or two.
void appendChars(QString &text, const char *data, qsizetype count, bool wide)
{
    if (wide) {
        for (qsizetype i = 0; i < count; ++i)
            text.append(QChar(qFromLittleEndian<std::uint16_t>(data + 2 * i)));
    } else {
        text.append(QString::fromLatin1(data, count));
    }
}

// The shared string table: the SST record's body and its CONTINUE records, read as one run of
// bytes in which a string's characters may go on in the next record after a new flags byte.
class SharedStrings {
public:
    void read(const QByteArray &stream, const Record &sst, RecordWalker &walker)
    {
        std::vector<Record> parts {sst};
        while (const std::optional<Record> next = walker.peek()) {
            if (next->type != CONTINUE)
                break;
            parts.push_back(*walker.next());
        }
        Reader reader(stream, parts);
        reader.skip(4); // the number of texts in the workbook
        const std::uint32_t unique = reader.u32();
        // The declared count is not trusted for memory: every string takes at least 3 bytes.
        for (std::uint32_t i = 0; i < unique && !reader.atEnd(); ++i)
            m_strings.push_back(reader.string());
    }

    const QString *at(std::uint32_t index) const { return index < m_strings.size() ? &m_strings[index] : nullptr; }

private:
    class Reader {
    public:
        Reader(const QByteArray &stream, const std::vector<Record> &parts) : m_stream(stream), m_parts(parts) {}

        bool atEnd()
        {
            while (m_part < m_parts.size() && m_at >= m_parts[m_part].length)
                nextPart();
            return m_part >= m_parts.size();
        }
        std::uint8_t u8() { return static_cast<std::uint8_t>(*take(1)); }
        std::uint16_t u16()
        {
            const std::uint16_t low = u8();
            return static_cast<std::uint16_t>(low | u8() << 8);
        }
        std::uint32_t u32()
        {
            const std::uint32_t low = u16();
            return low | static_cast<std::uint32_t>(u16()) << 16;
        }
        void skip(qsizetype count)
        {
            while (count > 0) {
                const qsizetype here = std::min(count, available());
                m_at += here;
                count -= here;
            }
        }

        QString string()
        {
            const std::uint16_t length = u16();
            const std::uint8_t flags = u8();
            bool wide = flags & 0x01;
            const qsizetype runs = (flags & 0x08) ? u16() : 0;
            const qsizetype extended = (flags & 0x04) ? u32() : 0;
            QString text;
            text.reserve(length);
            qsizetype left = length;
            while (left > 0) {
                if (m_at >= part().length) {
                    // The characters go on in the next record, which starts with their flags.
                    nextPart();
                    wide = u8() & 0x01;
                    continue;
                }
                const qsizetype size = wide ? 2 : 1;
                const qsizetype count = std::min(left, (part().length - m_at) / size);
                if (count == 0)
                    throw Failure(damaged(part(), QStringLiteral("a character is split between two records")));
                appendChars(text, m_stream.constData() + part().offset + m_at, count, wide);
                m_at += count * size;
                left -= count;
            }
            skip(runs * 4 + extended);
            return text;
        }

    private:
        const Record &part() const
        {
            if (m_part >= m_parts.size())
                throw Failure(damaged(m_parts.back(), QStringLiteral("the table of texts ends inside a text")));
            return m_parts[m_part];
        }
        void nextPart()
        {
            ++m_part;
            m_at = 0;
        }
        qsizetype available()
        {
            while (m_at >= part().length)
                nextPart();
            return part().length - m_at;
        }
        const char *take(qsizetype count)
        {
            if (available() < count)
                throw Failure(damaged(part(), QStringLiteral("a value is split between two records")));
            const char *at = m_stream.constData() + part().offset + m_at;
            m_at += count;
            return at;
        }

        const QByteArray &m_stream;
        const std::vector<Record> &m_parts;
        std::size_t m_part = 0;
        qsizetype m_at = 0;
    };

    std::vector<QString> m_strings;
};

// An RK value: a number packed into 30 bits, either an integer or the top of a double, and
// possibly divided by 100.
double rkValue(std::uint32_t rk)
{
    double value;
    if (rk & 0x02) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
}

// A string stored in a cell record: 16-bit length, flags, characters.
QString cellString(Body &body)
{
    const std::uint16_t length = body.u16();
    const bool wide = body.u8() & 0x01;
    QString text;
    appendChars(text, body.bytes(length * (wide ? 2 : 1)), length, wide);
    return text;
}

class SheetReader {
public:
    SheetReader(const QByteArray &stream, std::vector<WorkbookCell> &cells) : m_stream(stream), m_cells(cells) {}

    void readGlobals()
    {
        RecordWalker walker(m_stream, 0, 0);
        const std::optional<Record> bof = walker.next();
        if (!bof || bof->type != BOF || bof->length < 4)
            throw Failure(QStringLiteral("the file is not an Excel 97-2003 workbook: its workbook stream does not begin as one"));
        Body head(m_stream, *bof);
        if (head.u16() != kBiff8)
            throw Failure(QStringLiteral("the workbook is of an Excel version before 97; save it as an Excel 97-2003 workbook"));
        while (const std::optional<Record> record = walker.next()) {
            Body body(m_stream, *record);
            switch (record->type) {
            case FILEPASS:
                throw Failure(QStringLiteral("the workbook is protected by a password; save it without one"));
            case BOUNDSHEET: {
                const std::uint32_t at = body.u32();
                body.skip(1); // visibility
                if (body.u8() == 0 && !m_sheet) // the first worksheet, not a chart or macro sheet
                    m_sheet = std::make_pair(static_cast<qsizetype>(at), record->number);
                break;
            }
            case SST:
                m_strings.read(m_stream, *record, walker);
                break;
            case EOFRecord:
                m_globalsEnd = walker.number();
                return;
            default:
                break;
            }
        }
        throw Failure(QStringLiteral("the workbook is truncated: its end record is missing"));
    }

    void readFirstSheet()
    {
        if (!m_sheet)
            throw Failure(QStringLiteral("the workbook holds no sheet"));
        const auto [at, boundSheet] = *m_sheet;
        if (at < 0 || at + 8 > m_stream.size())
            throw Failure(QStringLiteral("the workbook is damaged at record %1: the first sheet lies outside the file").arg(boundSheet));
        RecordWalker walker(m_stream, at, m_globalsEnd);
        const std::optional<Record> bof = walker.next();
        if (!bof || bof->type != BOF || bof->length < 4 || Body(m_stream, *bof).u16() != kBiff8)
            throw Failure(QStringLiteral("the workbook is damaged at record %1: it does not point at the first sheet").arg(boundSheet));
        Body head(m_stream, *bof);
        head.skip(2);
        if (head.u16() != kWorksheet)
            throw Failure(QStringLiteral("the first sheet is not a worksheet"));
        while (const std::optional<Record> record = walker.next()) {
            if (record->type == EOFRecord)
                return;
            readCell(*record);
        }
        throw Failure(QStringLiteral("the workbook is truncated: the first sheet's end record is missing"));
    }

private:
    void readCell(const Record &record)
    {
        Body body(m_stream, record);
        switch (record.type) {
        case NUMBER: {
            const auto [row, col] = position(body);
            body.skip(2);
            addNumber(record, row, col, body.f64());
            break;
        }
        case RK: {
            const auto [row, col] = position(body);
            body.skip(2);
            addNumber(record, row, col, rkValue(body.u32()));
            break;
        }
        case MULRK: {
            const auto [row, first] = position(body);
            // xf and value for each column, then the last column.
            const qsizetype count = (body.left() - 2) / 6;
            for (qsizetype i = 0; i < count; ++i) {
                body.skip(2);
                addNumber(record, row, first + static_cast<int>(i), rkValue(body.u32()));
            }
            break;
        }
        case LABELSST: {
            const auto [row, col] = position(body);
            body.skip(2);
            const std::uint32_t index = body.u32();
            const QString *text = m_strings.at(index);
            if (!text)
                throw Failure(damaged(record, QStringLiteral("cell %1 names text %2, which the table of texts does not hold")
                                                  .arg(cellName(row, col)).arg(index)));
            addText(record, row, col, *text);
            break;
        }
        case LABEL:
        case RSTRING: {
            const auto [row, col] = position(body);
            body.skip(2);
            addText(record, row, col, cellString(body));
            break;
        }
        case BOOLERR: {
            const auto [row, col] = position(body);
            body.skip(2);
            const std::uint8_t value = body.u8();
            if (body.u8() != 0)
                throw Failure(QStringLiteral("cell %1 holds an error value; only numbers and texts can be imported")
                                  .arg(cellName(row, col)));
            addText(record, row, col, value ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
            break;
        }
        case FORMULA:
        case ARRAY:
        case SHRFMLA: {
            const auto [row, col] = position(body);
            throw Failure(QStringLiteral("cell %1 holds a formula; only values can be imported. Replace the formulas by their "
                                         "values and save the workbook again.")
                              .arg(cellName(row, col)));
        }
        case BLANK:
        case MULBLANK:
        default:
            break; // formatting, layout and empty cells
        }
    }

    static std::pair<int, int> position(Body &body)
    {
        const int row = body.u16() + 1;
        const int col = body.u16() + 1;
        return {row, col};
    }

    void check(const Record &record, int row, int col)
    {
        if (row > kSheetRows || col > kSheetColumns)
            throw Failure(damaged(record, QStringLiteral("a cell lies outside the sheet")));
    }
    void addNumber(const Record &record, int row, int col, double value)
    {
        check(record, row, col);
        if (!std::isfinite(value))
            throw Failure(damaged(record, QStringLiteral("cell %1 holds no valid number").arg(cellName(row, col))));
        m_cells.push_back({row, col, true, value, {}});
    }
    void addText(const Record &record, int row, int col, const QString &text)
    {
        check(record, row, col);
        m_cells.push_back({row, col, false, 0, text});
    }

    const QByteArray &m_stream;
    std::vector<WorkbookCell> &m_cells;
    SharedStrings m_strings;
    std::optional<std::pair<qsizetype, int>> m_sheet; // (offset, BOUNDSHEET record number)
    int m_globalsEnd = 0;
};

} // namespace

bool readBiffCells(const QByteArray &stream, std::vector<WorkbookCell> *cells, QString *error)
{
    cells->clear();
    try {
        SheetReader reader(stream, *cells);
        reader.readGlobals();
        reader.readFirstSheet();
        return true;
    } catch (const Failure &failure) {
        cells->clear();
        if (error)
            *error = failure.cause();
        return false;
    }
}

bool readWorkbookCells(const QByteArray &file, std::vector<WorkbookCell> *cells, QString *error)
{
    cells->clear();
    const auto fail = [error](const QString &cause) {
        if (error)
            *error = cause;
        return false;
    };
    static const char kCompoundFile[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (!file.startsWith(QByteArrayView(kCompoundFile, 8)))
        return fail(QStringLiteral("the file is not an Excel 97-2003 workbook"));
    if (file.size() < 512)
        return fail(QStringLiteral("the workbook is truncated: the file ends inside its header"));
    gsf::ensureInitialised();
    gsf::Ptr<GsfInput> input(gsf_input_memory_new(reinterpret_cast<const guint8 *>(file.constData()), file.size(), FALSE));
    GError *gerror = nullptr;
    gsf::Ptr<GsfInfile> ole(input ? gsf_infile_msole_new(input.get(), &gerror) : nullptr);
    g_clear_error(&gerror);
    if (!ole)
        return fail(QStringLiteral("the file is damaged: its compound-file structure cannot be read"));
    gsf::Ptr<GsfInput> stream(gsf_infile_child_by_name(ole.get(), "Workbook"));
    if (!stream) {
        gsf::Ptr<GsfInput> older(gsf_infile_child_by_name(ole.get(), "Book"));
        return fail(older ? QStringLiteral("the workbook is of an Excel version before 97; save it as an Excel 97-2003 workbook")
                          : QStringLiteral("the file holds no workbook"));
    }
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size < 0 || size > file.size())
        return fail(QStringLiteral("the file is damaged: its workbook stream has an impossible size"));
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (size > 0 && !gsf_input_read(stream.get(), static_cast<std::size_t>(size), reinterpret_cast<guint8 *>(bytes.data())))
        return fail(QStringLiteral("the workbook is truncated: its stream ends before its stated size"));
    return readBiffCells(bytes, cells, error);
}

} // namespace lng
