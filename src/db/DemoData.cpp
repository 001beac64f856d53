#include "DemoData.h"

#include "MessageDatabase.h"

#include <QFile>
#include <QStringList>

namespace lng {

namespace {
QString unescape(const QString &field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == QLatin1Char('\\') && i + 1 < field.size()) {
            const QChar next = field[++i];
            out += next == QLatin1Char('t') ? QLatin1Char('\t') : next;
        } else {
            out += field[i];
        }
    }
    return out;
}
} // namespace

bool createDatabaseFromTsv(const QString &tsvPath, const QString &dbPath, QString *error)
{
    QFile tsv(tsvPath);
    if (!tsv.open(QIODevice::ReadOnly)) {
        if (error)
            *error = tsvPath + QStringLiteral(": ") + tsv.errorString();
        return false;
    }
    QStringList lines = QString::fromUtf8(tsv.readAll()).split(QLatin1Char('\n'));
    if (!MessageDatabase::create(dbPath, error))
        return false;
    MessageDatabase db;
    if (!db.open(dbPath, MessageDatabase::Access::ReadWrite, error) || !db.begin(error))
        return false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        bool ok = false;
        const qint64 number = fields.value(0).toLongLong(&ok);
        if (!ok) {
            if (error)
                *error = QStringLiteral("%1, line %2: no message number").arg(tsvPath).arg(i + 1);
            return false;
        }
        MessageDatabase::FieldValues values;
        for (int field = 1; field < MessageDatabase::FieldCount && field < fields.size(); ++field) {
            if (fields[field] != QLatin1String("\\N"))
                values[field] = unescape(fields[field]);
        }
        if (!db.addRecord(number, values, error))
            return false;
    }
    return db.commit(error);
}

} // namespace lng
