#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace lng {

// Where each message is called in a source listing: for every message number, the lines that
// call it (as TXL(number), "TXL" in any letter case), found with the same rule as the source
// context window's scan. The index holds offsets only; the lines themselves are read from the
// file again when they are asked for, so it stays small beside the listing.
class SourceIndex {
public:
    struct Line {
        QString text;  // as read, up to the length the context window keeps
        QString shown; // as the context window lists it
    };

    // Reads the whole listing once. Answers nullptr, with the cause in `error`, when the file
    // cannot be read, or when `cancel` was set meanwhile (then `error` stays empty).
    static std::shared_ptr<const SourceIndex> build(const QString &path, QString *error,
                                                    const std::atomic_bool *cancel = nullptr);

    const QString &path() const { return m_path; }
    qint64 fileSize() const { return m_size; }
    const QDateTime &modified() const { return m_modified; }
    bool utf8() const { return m_utf8; }
    std::size_t callingLines() const { return m_lineLengths.size(); }
    // What the index itself holds in memory, in bytes.
    std::size_t memoryBytes() const;
    // Whether the file on disk is still the one indexed (same size and time).
    bool stillCurrent() const;

    // The lines calling `message`, in file order, as the context window shows them (decoded,
    // long ones shortened). nullopt, with the cause in `error`, when the file cannot be read.
    std::optional<std::vector<Line>> linesCalling(double message, QString *error) const;

private:
    struct OtherCall {
        double number;
        std::uint32_t line;
    };
    class Builder;
    std::vector<std::uint32_t> linesOf(double message) const;
    std::uint64_t lineOffset(std::uint32_t line) const
    {
        return m_lineOffsets32.empty() ? m_lineOffsets[line] : m_lineOffsets32[line];
    }

    QString m_path;
    qint64 m_size = 0;
    QDateTime m_modified;
    bool m_utf8 = true;
    // Calls of whole numbers: the numbers called, in order; the calling lines of m_numbers[i]
    // are m_lineIds[m_starts[i]] up to m_lineIds[m_starts[i + 1]], in file order.
    std::vector<std::int32_t> m_numbers;
    std::vector<std::uint32_t> m_starts;
    std::vector<std::uint32_t> m_lineIds;
    // Calls whose number is written otherwise ("1.5", "1e+15"): few or none.
    std::vector<OtherCall> m_otherCalls;
    // Each calling line's start in the file (32 bits while the listing is under 4 GiB) and its
    // length without the line end.
    std::vector<std::uint64_t> m_lineOffsets;
    std::vector<std::uint32_t> m_lineOffsets32;
    std::vector<std::uint32_t> m_lineLengths;
};

} // namespace lng
