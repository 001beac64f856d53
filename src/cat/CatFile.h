#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace lng {

// One message as the translators' tools see it.
struct CatEntry {
    std::int64_t number = 0;
    QString english;
    QString target;
    QString comment;
    bool fuzzy = false;           // PO: marked fuzzy
    bool needsTranslation = false; // XLIFF: state needs-translation or new
    int line = 0;                 // where the entry starts in the file
};

// A file for translators' tools: the language it is in and its messages.
struct CatFile {
    QString targetLanguage; // a language code: "es", "zh-CN"
    std::vector<CatEntry> entries;
};

enum class CatFormat { Xliff, Po };

// The formats' files are refused above this size.
inline constexpr qint64 LargestCatFile = 100 * 1024 * 1024;

// The language code of a catalogue language (XLIFF's target-language), empty for none.
QString languageCode(const QString &language);
// The format a file name's extension names (.xlf, .xliff, .po); false for another.
bool catFormatOf(const QString &fileName, CatFormat *format);

// XLIFF 1.2, written and read with Qt's XML stream classes (no external entities resolved).
bool writeXliff(const QString &path, const CatFile &file, QString *error);
bool readXliff(const QString &path, CatFile *file, QString *error);
// gettext PO, written and read with GNU gettext's own PO library.
bool writePo(const QString &path, const CatFile &file, QString *error);
bool readPo(const QString &path, CatFile *file, QString *error);

bool writeCatFile(const QString &path, CatFormat format, const CatFile &file, QString *error);
bool readCatFile(const QString &path, CatFormat format, CatFile *file, QString *error);

} // namespace lng
