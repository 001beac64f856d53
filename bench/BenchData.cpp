#include "BenchData.h"

#include "db/MessageDatabase.h"

#include <QFileInfo>

#include <cstdio>
#include <iterator>
#include <cstdlib>

namespace lng::bench {

QString sampleText(int number, int field)
{
    // Words in the script each field's language is written in, so a message file build meets
    // the characters it would meet in real use.
    static const char16_t *const latin[] = {
        u"Save", u"the", u"measurement", u"file", u"before", u"closing", u"Enregistrer", u"fichier", u"Speichern",
        u"Messung", u"über", u"calibración", u"válido", u"required", u"value", u"sensor", u"délai", u"Größe",
    };
    static const char16_t *const central[] = {u"Soubor", u"nelze", u"uložit", u"měření", u"Kalibrace", u"čidlo", u"připojeno"};
    static const char16_t *const cyrillic[] = {u"Датчик", u"не", u"подключен", u"Сохранить", u"файл", u"измерение"};
    static const char16_t *const japanese[] = {u"ファイル", u"を保存", u"できません", u"測定", u"センサー", u"校正"};
    static const char16_t *const chinese[] = {u"无法", u"保存文件", u"测量", u"传感器", u"校准", u"连接"};
    const char16_t *const *words = latin;
    int count = static_cast<int>(std::size(latin));
    switch (field) {
    case 9: words = japanese, count = static_cast<int>(std::size(japanese)); break;
    case 15: words = chinese, count = static_cast<int>(std::size(chinese)); break;
    case 17: words = cyrillic, count = static_cast<int>(std::size(cyrillic)); break;
    case 18: case 19: words = central, count = static_cast<int>(std::size(central)); break;
    default: break;
    }
    QString text;
    const int length = 2 + (number * 7 + field * 3) % 9;
    for (int i = 0; i < length; ++i) {
        if (i)
            text += QLatin1Char(' ');
        text += QString::fromUtf16(words[(number * 31 + field * 17 + i * 5) % count]);
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
