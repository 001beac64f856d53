#include "BenchData.h"

#include "db/MessageDatabase.h"

#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace lng::bench {

QString sampleText(int number, int field)
{
    static const char16_t *const words[] = {
        u"Save", u"the", u"measurement", u"file", u"before", u"closing", u"Enregistrer", u"fichier",
        u"Speichern", u"Датчик", u"не", u"подключен", u"Soubor", u"nelze", u"uložit", u"ファイル",
        u"を保存", u"できません", u"无法", u"保存文件", u"calibration", u"required", u"value",
    };
    constexpr int wordCount = sizeof(words) / sizeof(words[0]);
    QString text;
    const int length = 2 + (number * 7 + field * 3) % 9;
    for (int i = 0; i < length; ++i) {
        if (i)
            text += QLatin1Char(' ');
        text += QString::fromUtf16(words[(number * 31 + field * 17 + i * 5) % wordCount]);
    }
    return text;
}

QString generatedDatabase(const QString &folder)
{
    const QString path = folder + QStringLiteral("/AllLanguages.Lng");
    if (QFileInfo::exists(path))
        return path;
    QString error;
    MessageDatabase db;
    if (!MessageDatabase::create(path, &error) || !db.open(path, MessageDatabase::Access::ReadWrite, &error)
        || !db.begin(&error)) {
        std::fprintf(stderr, "cannot make %s: %s\n", qPrintable(path), qPrintable(error));
        std::exit(1);
    }
    for (int number = 101; number <= 10099; ++number) {
        MessageDatabase::FieldValues values;
        for (int field = 1; field < MessageDatabase::FieldCount; ++field)
            values[field] = sampleText(number, field);
        if (!db.addRecord(number, values, &error)) {
            std::fprintf(stderr, "cannot fill %s: %s\n", qPrintable(path), qPrintable(error));
            std::exit(1);
        }
    }
    if (!db.commit(&error)) {
        std::fprintf(stderr, "cannot commit %s: %s\n", qPrintable(path), qPrintable(error));
        std::exit(1);
    }
    return path;
}

} // namespace lng::bench
