#pragma once

#include <QString>

#include <cstdint>

namespace lng {

// The language selection as `KdsSettings.ini` holds it: four lines, the second language's
// field ordinal, the edited language's field ordinal, then their two names.
struct LanguageSelection {
    std::int16_t secondField = 3;
    std::int16_t editedField = 2;
    QString secondName = QStringLiteral("French");
    QString editedName = QStringLiteral("English");

    bool operator==(const LanguageSelection &) const = default;
};

class SettingsFile {
public:
    static inline const QString FileName = QStringLiteral("KdsSettings.ini");

    // Reads the file. An absent file gives the defaults above and is not created. A file with
    // fewer than four lines, or whose first or second line is not a 16-bit number, fails.
    static bool read(const QString &path, LanguageSelection *selection, QString *error);
    // Writes the four lines, each ending in CR LF, the numbers with one space on each side.
    static bool write(const QString &path, const LanguageSelection &selection, QString *error);
    static QByteArray format(const LanguageSelection &selection);
};

} // namespace lng
