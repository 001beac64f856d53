#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <unordered_map>

namespace lng {

class Sheet;

inline constexpr std::uint32_t ContextLineFill = 0xEEEEEE; // a source line as read
inline constexpr std::uint32_t ContextTextFill = 0x8888FF; // the count line and message texts

// Lists every line of a source listing that calls a message, TXL(number) with "TXL" in any
// letter case, each as a group of rows in `out`: the line, the line with its calls replaced
// by the edited-language texts of the message table, then those texts one per row.
class SourceScan {
public:
    // Lines longer than this are shortened before they are shown, and say so.
    static constexpr int MaxLineLength = 100'000;

    // Scans the listing at `path` for the message of the table's active row.
    static bool scanFile(const QString &path, const Sheet &table, Sheet &out, QString *error);
    // Scans listing bytes (UTF-8 when valid, otherwise Windows-1252) for calls of `message`.
    static void scan(const char *data, std::size_t size, double message, const Sheet &table, Sheet &out);

    // Whether listing bytes are valid UTF-8 (otherwise they are read as Windows-1252).
    static bool isValidUtf8(const char *data, std::size_t size);
    // A listing line as shown: decoded, and shortened past MaxLineLength (saying so);
    // `length` is the line's whole length, of which `data` holds at least the shown part.
    static QString displayLine(const char *data, std::size_t length, bool utf8);
};

// Replaces the message calls of a source line by the edited-language texts of the message
// table, the way the source context window shows them.
class CallResolver {
public:
    using RowIndex = std::unordered_map<double, int>;

    explicit CallResolver(const Sheet &table) : m_table(table) {}
    // With the table's rows by message number made beforehand, kept by the caller.
    CallResolver(const Sheet &table, const RowIndex &rows) : m_table(table), m_given(&rows) {}
    // The first row holding each message number, as the look-up of a call finds it.
    static RowIndex rowIndex(const Sheet &table);

    // Rewrites `line` with its calls resolved; answers the called texts in call order.
    QStringList resolve(QString &line);

private:
    int rowOf(double number);

    const Sheet &m_table;
    const RowIndex *m_given = nullptr;
    RowIndex m_rows; // built on first use when none was given
};

} // namespace lng
