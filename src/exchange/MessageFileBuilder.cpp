#include "MessageFileBuilder.h"

#include "CodePage.h"
#include "app/TextRules.h"
#include "db/MessageDatabase.h"

#include <QSaveFile>

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

BuildReport buildMessageFileIn(const QString &folder, int editedField, const QString &editedName)
{
    BuildReport report;
    const QString fileName = messageFileName(editedName);
    if (fileName.isEmpty()) {
        report.error = QStringLiteral("the language name \"%1\" cannot form a file name").arg(editedName);
        return report;
    }
    report.path = folder + QLatin1Char('/') + fileName;
    if (editedField < 1 || editedField >= MessageDatabase::FieldCount) {
        report.error = QStringLiteral("field %1 is not a language field").arg(editedField);
        return report;
    }

    const QString dbPath = folder + QLatin1Char('/') + MessageDatabase::FileName;
    MessageDatabase db;
    MessageDatabase::Records records;
    QString error;
    if (!db.open(dbPath, MessageDatabase::Access::ReadOnly, &error) || !db.readRecords({editedField}, &records, &error)) {
        report.error = dbPath + QStringLiteral(": ") + error;
        return report;
    }

    std::vector<QString> texts(kTextSlots);
    std::vector<std::int64_t> numbers(kTextSlots, 0);
    int highestIndex = 0;
    for (int i = 0; i < records.size(); ++i) {
        const double n = records.number(i);
        const double index = n - kFirstNumber;
        if (!(index >= 0 && index < kTextSlots) || n != std::floor(n)) {
            report.leftOut << static_cast<std::int64_t>(n);
            continue;
        }
        const int k = static_cast<int>(index);
        texts[k] = records.field(i, 0).value_or(QString()); // Null gives an empty line
        numbers[k] = static_cast<std::int64_t>(n);
        highestIndex = std::max(highestIndex, k);
    }

    CodePageEncoder encoder(codePageForLanguage(editedName));
    report.codePage = encoder.codePage();
    if (!encoder.isValid()) {
        report.error = QStringLiteral("code page %1 is not available on this system").arg(report.codePage);
        return report;
    }
    QByteArray content;
    content.reserve(64 * (highestIndex + 31));
    content += "Tesmora V6\r\n6.07\r\n";
    encoder.encode(editedName, content);
    content += "\r\n";
    for (int i = 0; i < 27; ++i)
        content += "\r\n";
    for (int k = 0; k <= highestIndex; ++k) {
        if (!encoder.encode(trimSpaces(texts[k]), content))
            report.unrepresentable << numbers[k];
        content += "\r\n";
    }

    QSaveFile file(report.path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        report.error = report.path + QStringLiteral(": ") + file.errorString();
        return report;
    }
    return report;
}

} // namespace lng
