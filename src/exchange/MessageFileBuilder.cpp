#include "MessageFileBuilder.h"

#include "CodePage.h"
#include "db/MessageDatabase.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <vector>

namespace lng {

namespace {
constexpr int kTextSlots = 10001; // message numbers 100..10100
constexpr int kFirstNumber = 100;

} // namespace

QString messageFileName(const QString &languageName)
{
    if (languageName.isEmpty())
        return {};
    for (QChar ch : languageName) {
        if (ch == QLatin1Char('/') || ch == QLatin1Char('\\') || ch.unicode() < 32 || ch.unicode() == 127)
            return {};
    }
    if (languageName == QLatin1String(".") || languageName == QLatin1String(".."))
        return {};
    return QStringLiteral("TQRes") + languageName + QStringLiteral(".dll");
}

namespace {
// Where each message's text lies in a byte arena, by line (message number - 100).
struct Slot {
    qsizetype offset = -1; // -1: no record, an empty line
    int size = 0;
};

// Trims the space character at both ends of UTF-8 bytes (spaces are single bytes in UTF-8).
void trimSpaceBytes(const char *&data, int &size)
{
    while (size > 0 && data[0] == ' ')
        ++data, --size;
    while (size > 0 && data[size - 1] == ' ')
        --size;
}

bool writeAtomically(const QString &path, const QByteArray &content, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}
} // namespace

std::vector<BuildReport> buildMessageFilesIn(const QString &folder, const std::vector<std::pair<int, QString>> &languages)
{
    std::vector<BuildReport> reports(languages.size());
    std::vector<int> fields;    // the fields to read
    std::vector<int> readIndex; // per language: its place in `fields`, or -1 when it cannot be built
    for (std::size_t i = 0; i < languages.size(); ++i) {
        const auto &[field, name] = languages[i];
        BuildReport &report = reports[i];
        readIndex.push_back(-1);
        const QString fileName = messageFileName(name);
        if (fileName.isEmpty()) {
            report.error = QStringLiteral("the language name \"%1\" cannot form a file name").arg(name);
            continue;
        }
        report.path = folder + QLatin1Char('/') + fileName;
        if (field < 1 || field >= MessageDatabase::FieldCount) {
            report.error = QStringLiteral("field %1 is not a language field").arg(field);
            continue;
        }
        readIndex.back() = static_cast<int>(fields.size());
        fields.push_back(field);
    }
    if (fields.empty())
        return reports;

    // One pass over the table: every text kept as UTF-8 in one arena, placed by its line.
    const QString dbPath = folder + QLatin1Char('/') + MessageDatabase::FileName;
    MessageDatabase db;
    QByteArray arena;
    std::vector<std::vector<Slot>> lineTexts(fields.size(), std::vector<Slot>(kTextSlots));
    QList<std::int64_t> leftOut;
    int highestIndex = 0;
    QString error;
    // The texts read are a share of the file: room for them up front saves growing the arena.
    arena.reserve(QFileInfo(dbPath).size() * static_cast<qsizetype>(fields.size()) / (MessageDatabase::FieldCount - 1) + 4096);
    const bool read = db.open(dbPath, MessageDatabase::Access::ReadOnly, &error)
                      && db.forEachRawRecord(
                          fields,
                          [&](double n, const MessageDatabase::RawField *raw) {
                              const double index = n - kFirstNumber;
                              if (!(index >= 0 && index < kTextSlots) || n != std::floor(n)) {
                                  leftOut << static_cast<std::int64_t>(n);
                                  return;
                              }
                              const int k = static_cast<int>(index);
                              highestIndex = std::max(highestIndex, k);
                              for (std::size_t f = 0; f < fields.size(); ++f) {
                                  const char *data = raw[f].data;
                                  int size = raw[f].size;
                                  trimSpaceBytes(data, size); // a Null text gives an empty line
                                  lineTexts[f][k] = {arena.size(), size};
                                  arena.append(data, size);
                              }
                          },
                          &error);
    std::sort(leftOut.begin(), leftOut.end());

    QByteArray content; // one buffer for every file: it keeps its memory from one to the next
    for (std::size_t i = 0; i < languages.size(); ++i) {
        BuildReport &report = reports[i];
        if (readIndex[i] < 0)
            continue;
        if (!read) {
            report.error = dbPath + QStringLiteral(": ") + error;
            continue;
        }
        const QString &name = languages[i].second;
        CodePageEncoder encoder(codePageForLanguage(name));
        report.codePage = encoder.codePage();
        if (!encoder.isValid()) {
            report.error = QStringLiteral("code page %1 is not available on this system").arg(report.codePage);
            continue;
        }
        report.leftOut = leftOut;
        content.resize(0);
        content.reserve(arena.size() / static_cast<qsizetype>(fields.size()) + 2 * (highestIndex + 31) + 64);
        content += "Tesmora V6\r\n6.07\r\n";
        encoder.encode(name, content);
        content += "\r\n";
        for (int line = 0; line < 27; ++line)
            content += "\r\n";
        const std::vector<Slot> &texts = lineTexts[static_cast<std::size_t>(readIndex[i])];
        for (int k = 0; k <= highestIndex; ++k) {
            const Slot &slot = texts[k];
            if (slot.offset >= 0 && !encoder.encodeUtf8(arena.constData() + slot.offset, static_cast<std::size_t>(slot.size), content))
                report.unrepresentable << k + kFirstNumber;
            content += "\r\n";
        }
        writeAtomically(report.path, content, &report.error);
    }
    return reports;
}

BuildReport buildMessageFileIn(const QString &folder, int editedField, const QString &editedName)
{
    return buildMessageFilesIn(folder, {{editedField, editedName}}).front();
}

} // namespace lng
