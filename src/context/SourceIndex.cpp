#include "SourceIndex.h"

#include "SourceScan.h"
#include "grid/Sheet.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace lng {

namespace {
constexpr qint64 kChunkBytes = 8 << 20;
constexpr int kMaxNumberText = 24;

// Above this spread of numbers the calls are sorted rather than counted into buckets.
constexpr std::int64_t kMostBuckets = 1 << 22;

bool isTxl(const char *p)
{
    return (p[0] == 'T' || p[0] == 't') && (p[1] == 'X' || p[1] == 'x') && (p[2] == 'L' || p[2] == 'l');
}

// A whole number as the table writes it: digits without a leading zero, a minus sign before
// any but 0, and within 32 bits.
std::optional<std::int32_t> wholeNumber(const char *p, std::size_t size)
{
    const bool negative = size > 0 && p[0] == '-';
    const std::size_t digits = size - (negative ? 1 : 0);
    if (digits == 0 || digits > 10 || (p[negative] == '0' && (digits > 1 || negative)))
        return std::nullopt;
    std::int64_t value = 0;
    for (std::size_t i = negative; i < size; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return std::nullopt;
        value = value * 10 + (p[i] - '0');
    }
    value = negative ? -value : value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// Any other number whose text is exactly how the table writes it ("1.5", "1e+15").
std::optional<double> otherNumber(const char *p, std::size_t size)
{
    if (size == 0 || !std::all_of(p, p + size, [](char c) { return (c >= '0' && c <= '9') || std::strchr("+-.e", c); }))
        return std::nullopt;
    const QByteArray text(p, static_cast<qsizetype>(size));
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || Sheet::formatNumber(value).toLatin1() != text)
        return std::nullopt;
    return value;
}
} // namespace

// Gathers the calls of one listing, a run of whole lines at a time.
class SourceIndex::Builder {
public:
    explicit Builder(SourceIndex &index) : m_index(index) {}

    // `data` holds whole lines, the first starting at file offset `base`.
    void addLines(const char *data, std::size_t size, std::uint64_t base)
    {
        if (m_index.m_utf8 && !SourceScan::isValidUtf8(data, size))
            m_index.m_utf8 = false;
        const char *const end = data + size;
        const char *lineEnd = data; // end of the last calling line met
        const char *from = data;
        while (const char *open = static_cast<const char *>(std::memchr(from, '(', static_cast<std::size_t>(end - from)))) {
            from = open + 1;
            if (open - data < 3 || !isTxl(open - 3))
                continue;
            // The number runs to the first ")" on the line.
            const char *const numberStart = open + 1;
            const char *close = numberStart;
            while (close < end && close - numberStart <= kMaxNumberText && *close != ')' && *close != '\n')
                ++close;
            if (close >= end || *close != ')')
                continue;
            const auto length = static_cast<std::size_t>(close - numberStart);
            const std::optional<std::int32_t> whole = wholeNumber(numberStart, length);
            const std::optional<double> other = whole ? std::nullopt : otherNumber(numberStart, length);
            if (!whole && !other)
                continue;
            if (open >= lineEnd) {
                const char *lineStart = open;
                while (lineStart > data && lineStart[-1] != '\n')
                    --lineStart;
                lineEnd = static_cast<const char *>(std::memchr(open, '\n', static_cast<std::size_t>(end - open)));
                if (!lineEnd)
                    lineEnd = end;
                const char *textEnd = lineEnd > lineStart && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
                m_index.m_lineOffsets.push_back(base + static_cast<std::uint64_t>(lineStart - data));
                m_index.m_lineLengths.push_back(static_cast<std::uint32_t>(
                    std::min<std::ptrdiff_t>(textEnd - lineStart, std::numeric_limits<std::uint32_t>::max())));
            }
            const auto line = static_cast<std::uint32_t>(m_index.m_lineOffsets.size() - 1);
            if (whole)
                m_calls.push_back({*whole, line});
            else
                m_index.m_otherCalls.push_back({*other, line});
        }
    }

    void finish()
    {
        groupByNumber();
        // A line that calls a message twice is listed once.
        const auto order = [](const OtherCall &a, const OtherCall &b) {
            return a.number < b.number || (a.number == b.number && a.line < b.line);
        };
        std::sort(m_index.m_otherCalls.begin(), m_index.m_otherCalls.end(), order);
        m_index.m_otherCalls.erase(std::unique(m_index.m_otherCalls.begin(), m_index.m_otherCalls.end(),
                                               [](const OtherCall &a, const OtherCall &b) {
                                                   return a.number == b.number && a.line == b.line;
                                               }),
                                   m_index.m_otherCalls.end());
        m_index.m_otherCalls.shrink_to_fit();
        if (m_index.m_lineOffsets.empty() || m_index.m_lineOffsets.back() <= std::numeric_limits<std::uint32_t>::max()) {
            m_index.m_lineOffsets32.assign(m_index.m_lineOffsets.begin(), m_index.m_lineOffsets.end());
            std::vector<std::uint64_t>().swap(m_index.m_lineOffsets);
        }
        m_index.m_lineOffsets.shrink_to_fit();
        m_index.m_lineLengths.shrink_to_fit();
    }

private:
    struct Call {
        std::int32_t number;
        std::uint32_t line;
    };

    // The calls, gathered in file order, grouped by number and each group kept in file order:
    // counted into buckets when the numbers lie close together, as message numbers do.
    void groupByNumber()
    {
        if (m_calls.empty())
            return;
        const auto [low, high] = std::minmax_element(m_calls.begin(), m_calls.end(),
                                                     [](const Call &a, const Call &b) { return a.number < b.number; });
        const std::int64_t first = low->number;
        const std::int64_t spread = static_cast<std::int64_t>(high->number) - first + 1;
        std::vector<Call> grouped;
        if (spread <= kMostBuckets) {
            std::vector<std::uint32_t> at(static_cast<std::size_t>(spread) + 1, 0);
            for (const Call &call : m_calls)
                ++at[static_cast<std::size_t>(call.number - first) + 1];
            for (std::size_t i = 1; i < at.size(); ++i)
                at[i] += at[i - 1];
            grouped.resize(m_calls.size());
            for (const Call &call : m_calls)
                grouped[at[static_cast<std::size_t>(call.number - first)]++] = call;
        } else {
            grouped = m_calls;
            std::stable_sort(grouped.begin(), grouped.end(), [](const Call &a, const Call &b) { return a.number < b.number; });
        }
        std::vector<Call>().swap(m_calls);
        m_index.m_lineIds.reserve(grouped.size());
        for (std::size_t i = 0; i < grouped.size(); ++i) {
            const Call &call = grouped[i];
            if (i == 0 || call.number != grouped[i - 1].number) {
                m_index.m_numbers.push_back(call.number);
                m_index.m_starts.push_back(static_cast<std::uint32_t>(m_index.m_lineIds.size()));
            } else if (call.line == grouped[i - 1].line) {
                continue;
            }
            m_index.m_lineIds.push_back(call.line);
        }
        m_index.m_starts.push_back(static_cast<std::uint32_t>(m_index.m_lineIds.size()));
        m_index.m_lineIds.shrink_to_fit();
        m_index.m_numbers.shrink_to_fit();
        m_index.m_starts.shrink_to_fit();
    }

    std::vector<Call> m_calls;
    SourceIndex &m_index;
};

std::shared_ptr<const SourceIndex> SourceIndex::build(const QString &path, QString *error, const std::atomic_bool *cancel)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return nullptr;
    }
    auto index = std::make_shared<SourceIndex>();
    index->m_path = path;
    const QFileInfo info(path);
    index->m_modified = info.lastModified();
    Builder builder(*index);

    // Whole lines are indexed a chunk at a time; a line cut by the chunk's end waits for the next.
    QByteArray buffer;
    qsizetype held = 0;
    std::uint64_t base = 0;
    bool atEnd = false;
    while (!atEnd) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return nullptr;
        if (buffer.size() < held + kChunkBytes)
            buffer.resize(held + kChunkBytes);
        const qint64 got = file.read(buffer.data() + held, kChunkBytes);
        if (got < 0) {
            if (error)
                *error = file.errorString();
            return nullptr;
        }
        atEnd = got == 0;
        held += got;
        const char *data = buffer.constData();
        qsizetype whole = held;
        if (!atEnd) {
            const void *lastBreak = memrchr(data, '\n', static_cast<std::size_t>(held));
            if (!lastBreak)
                continue; // a line longer than the chunk: read on
            whole = static_cast<const char *>(lastBreak) - data + 1;
        }
        builder.addLines(data, static_cast<std::size_t>(whole), base);
        base += static_cast<std::uint64_t>(whole);
        std::memmove(buffer.data(), data + whole, static_cast<std::size_t>(held - whole));
        held -= whole;
    }
    index->m_size = static_cast<qint64>(base);
    builder.finish();
    return index;
}

std::size_t SourceIndex::memoryBytes() const
{
    return sizeof(*this) + (m_numbers.capacity() + m_starts.capacity() + m_lineIds.capacity()) * sizeof(std::uint32_t)
           + m_otherCalls.capacity() * sizeof(OtherCall) + m_lineOffsets.capacity() * sizeof(std::uint64_t)
           + (m_lineOffsets32.capacity() + m_lineLengths.capacity()) * sizeof(std::uint32_t);
}

bool SourceIndex::stillCurrent() const
{
    const QFileInfo info(m_path);
    return info.isFile() && info.size() == m_size && info.lastModified() == m_modified;
}

std::vector<std::uint32_t> SourceIndex::linesOf(double message) const
{
    std::vector<std::uint32_t> lines;
    if (message == static_cast<double>(static_cast<std::int32_t>(message)) && message >= INT32_MIN && message <= INT32_MAX) {
        const auto found = std::lower_bound(m_numbers.begin(), m_numbers.end(), static_cast<std::int32_t>(message));
        if (found != m_numbers.end() && *found == static_cast<std::int32_t>(message)) {
            const auto i = static_cast<std::size_t>(found - m_numbers.begin());
            lines.assign(m_lineIds.begin() + m_starts[i], m_lineIds.begin() + m_starts[i + 1]);
        }
        return lines;
    }
    for (const OtherCall &call : m_otherCalls) {
        if (call.number == message)
            lines.push_back(call.line);
    }
    return lines;
}

std::optional<std::vector<SourceIndex::Line>> SourceIndex::linesCalling(double message, QString *error) const
{
    std::vector<Line> lines;
    const std::vector<std::uint32_t> found = linesOf(message);
    if (found.empty())
        return lines;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes;
    for (const std::uint32_t line : found) {
        const std::uint32_t length = m_lineLengths[line];
        const qint64 kept = std::min<qint64>(length, SourceScan::MaxLineLength);
        bytes.resize(kept);
        if (!file.seek(static_cast<qint64>(lineOffset(line))) || file.read(bytes.data(), kept) != kept) {
            if (error)
                *error = file.errorString();
            return std::nullopt;
        }
        QString shown = SourceScan::displayLine(bytes.constData(), length, m_utf8);
        QString text = kept == length ? shown : SourceScan::displayLine(bytes.constData(), static_cast<std::size_t>(kept), m_utf8);
        lines.push_back({std::move(text), std::move(shown)});
    }
    return lines;
}

} // namespace lng
