#include "SourceScan.h"

#include "app/Workbench.h"
#include "grid/Sheet.h"

#include <QFile>
#include <QStringList>

#include <cstring>
#include <unordered_map>

namespace lng {

namespace {
constexpr int kMaxSteps = 50;
constexpr int kNumberWidth = 10;
constexpr int kTailLength = 255;
// Column 1 of the found-lines grid: some 82 characters wide.
constexpr int kLineColumnWidth = 82 * 256;

// Windows-1252: every byte gives a character; the five unassigned bytes keep their value.
QString fromWindows1252(const char *data, qsizetype size)
{
    static constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    QString text(size, Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        out[i] = byte >= 0x80 && byte < 0xA0 ? QChar(high[byte - 0x80]) : QChar(byte);
    }
    return text;
}

bool isTxl(const char *p)
{
    return (p[0] == 'T' || p[0] == 't') && (p[1] == 'X' || p[1] == 'x') && (p[2] == 'L' || p[2] == 'l');
}

// Position of the first "TXL(" in any letter case, or -1.
qsizetype findCall(const QString &line)
{
    for (qsizetype i = 0; i + 4 <= line.size(); ++i) {
        if (line[i + 3] == QLatin1Char('(') && (line[i] == QLatin1Char('T') || line[i] == QLatin1Char('t'))
            && (line[i + 1] == QLatin1Char('X') || line[i + 1] == QLatin1Char('x'))
            && (line[i + 2] == QLatin1Char('L') || line[i + 2] == QLatin1Char('l')))
            return i;
    }
    return -1;
}

// Cell texts longer than the grid can show quickly are shortened, and say so.
QString forDisplay(const QString &text, qsizetype originalLength)
{
    if (originalLength <= SourceScan::MaxLineLength)
        return text;
    return text + QStringLiteral(" ... [line shortened for display: %1 characters in all]").arg(originalLength);
}

class GroupWriter {
public:
    GroupWriter(const Sheet &table, Sheet &out) : m_resolver(table), m_out(out) {}

    void writeLine(const QString &line, const QString &shown)
    {
        const int first = m_row;
        put(first, shown, ContextLineFill);
        QString resolved = line;
        const QStringList texts = m_resolver.resolve(resolved);
        for (int i = 0; i < texts.size(); ++i)
            put(first + 2 + i, texts[i], ContextTextFill);
        put(first + 1, resolved, std::nullopt);
        m_row = first + static_cast<int>(texts.size()) + 3;
        ++m_matches;
    }

    int matches() const { return m_matches; }

private:
    void put(int row, const QString &text, std::optional<std::uint32_t> fill)
    {
        m_out.SetCellText(row, 1, text);
        m_out.AutoFitRange(row, 1, row, 1);
        if (fill) {
            m_out.SelectRange(row, 1, row, 1);
            m_out.FillSelection(1, *fill, 0);
        }
    }

    CallResolver m_resolver;
    Sheet &m_out;
    int m_row = 3;
    int m_matches = 0;
};
} // namespace

void SourceScan::scan(const char *data, std::size_t size, double message, const Sheet &table, Sheet &out)
{
    out.SetColumnWidth(1, std::max(out.ColumnWidth(1), kLineColumnWidth));
    const bool utf8 = isValidUtf8(data, size);
    const QByteArray needle = '(' + Sheet::formatNumber(message).toLatin1() + ')';
    GroupWriter writer(table, out);

    const char *const end = data + size;
    const char *from = data;
    while (from < end) {
        const char *hit = static_cast<const char *>(memmem(from, static_cast<std::size_t>(end - from), needle.constData(),
                                                           static_cast<std::size_t>(needle.size())));
        if (!hit)
            break;
        if (hit - data < 3 || !isTxl(hit - 3)) {
            from = hit + 1;
            continue;
        }
        // The whole line around the call, listed once however many calls it holds.
        const char *lineStart = hit;
        while (lineStart > data && lineStart[-1] != '\n')
            --lineStart;
        const char *lineEnd = static_cast<const char *>(std::memchr(hit, '\n', static_cast<std::size_t>(end - hit)));
        if (!lineEnd)
            lineEnd = end;
        const char *textEnd = lineEnd > lineStart && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
        const auto length = static_cast<std::size_t>(textEnd - lineStart);
        const qsizetype kept = std::min<qsizetype>(static_cast<qsizetype>(length), MaxLineLength);
        const QString line = utf8 ? QString::fromUtf8(lineStart, kept) : fromWindows1252(lineStart, kept);
        writer.writeLine(line, forDisplay(line, static_cast<qsizetype>(length)));
        from = lineEnd + 1;
    }

    out.SetCellText(1, 1, QStringLiteral("%1 MESSAGE(S) FOUND").arg(writer.matches()));
    out.SelectRange(1, 1, 1, 1);
    out.FillSelection(1, ContextTextFill, 0);
    out.SetActiveRow(1);
    out.SetActiveColumn(1);
    out.SetLeftVisibleColumn(1);
    out.SetTopVisibleRow(1);
}

// Whether the bytes are valid UTF-8; ASCII runs are checked a word at a time.
bool SourceScan::isValidUtf8(const char *data, std::size_t size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    std::size_t i = 0;
    while (i < size) {
        if (i + 8 <= size) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length;
        std::uint32_t cp;
        if ((lead & 0xE0) == 0xC0)
            length = 2, cp = lead & 0x1F;
        else if ((lead & 0xF0) == 0xE0)
            length = 3, cp = lead & 0x0F;
        else if ((lead & 0xF8) == 0xF0)
            length = 4, cp = lead & 0x07;
        else
            return false;
        if (i + length > size)
            return false;
        for (int k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        static constexpr std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < minimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

QString SourceScan::displayLine(const char *data, std::size_t length, bool utf8)
{
    const qsizetype kept = std::min<qsizetype>(static_cast<qsizetype>(length), MaxLineLength);
    const QString line = utf8 ? QString::fromUtf8(data, kept) : fromWindows1252(data, kept);
    return forDisplay(line, static_cast<qsizetype>(length));
}

CallResolver::RowIndex CallResolver::rowIndex(const Sheet &table)
{
    RowIndex rows;
    const int limit = table.RowLimit();
    rows.reserve(static_cast<std::size_t>(limit) * 2);
    for (int k = 1; k <= limit; ++k)
        rows.emplace(table.CellNumber(k, PositionColumn), k);
    return rows;
}

int CallResolver::rowOf(double number)
{
    if (!m_given && m_rows.empty())
        m_rows = rowIndex(m_table);
    const RowIndex &rows = m_given ? *m_given : m_rows;
    const auto found = rows.find(number);
    return found == rows.end() ? 0 : found->second;
}

QStringList CallResolver::resolve(QString &line)
{
    QStringList texts;
    for (int step = 0; step < kMaxSteps; ++step) {
        const qsizetype p = findCall(line);
        if (p < 0)
            break;
        // The number is what stands before the first ")" among the ten characters after
        // "TXL(". A call without that parenthesis, or whose number does not read, ends the
        // line's resolution, as a number the table does not hold does.
        const QString window = line.mid(p + 4, kNumberWidth);
        const qsizetype close = window.indexOf(QLatin1Char(')'));
        if (close < 0)
            break;
        bool ok = false;
        const int number = window.left(close).trimmed().toInt(&ok);
        if (!ok)
            break;
        const int row = rowOf(number);
        if (row == 0)
            break;
        const QString text = m_table.CellText(row, EditedColumn);
        const qsizetype q = p + 4 + close;
        const QString tail = (line.mid(q + 1) + QString(10, QLatin1Char(' '))).left(kTailLength);
        line = line.left(p) + QLatin1Char('"') + text + QLatin1Char('"') + tail;
        texts << text;
    }
    return texts;
}

bool SourceScan::scanFile(const QString &path, const Sheet &table, Sheet &out, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const double message = table.CellNumber(table.ActiveRow(), PositionColumn);
    const qint64 size = file.size();
    if (size > 0) {
        if (uchar *mapped = file.map(0, size)) {
            scan(reinterpret_cast<const char *>(mapped), static_cast<std::size_t>(size), message, table, out);
            return true;
        }
    }
    const QByteArray content = file.readAll();
    scan(content.constData(), static_cast<std::size_t>(content.size()), message, table, out);
    return true;
}

} // namespace lng
