#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

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

};

} // namespace lng
