#include "SettingsFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace lng {

namespace {
bool parseField(const QString &line, int lineNumber, std::int16_t *value, QString *error)
{
    bool ok = false;
    const int number = line.trimmed().toInt(&ok);
    if (!ok || number < -32768 || number > 32767) {
        if (error)
            *error = QStringLiteral("line %1 (\"%2\") is not a field number").arg(lineNumber).arg(line);
        return false;
    }
    *value = static_cast<std::int16_t>(number);
    return true;
}
} // namespace

bool SettingsFile::read(const QString &path, LanguageSelection *selection, QString *error)
{
    if (!QFileInfo::exists(path)) {
        *selection = LanguageSelection {};
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // Lines end in CR LF as written, but a hand-edited file may use LF alone or lack the last
    // line end.
    QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    if (lines.size() < 4) {
        if (error)
            *error = QStringLiteral("the file has %1 line(s); 4 are needed").arg(lines.size());
        return false;
    }
    LanguageSelection read;
    if (!parseField(lines[0], 1, &read.secondField, error) || !parseField(lines[1], 2, &read.editedField, error))
        return false;
    read.secondName = lines[2];
    read.editedName = lines[3];
    *selection = read;
    return true;
}

QByteArray SettingsFile::format(const LanguageSelection &selection)
{
    QByteArray out;
    out += ' ' + QByteArray::number(selection.secondField) + " \r\n";
    out += ' ' + QByteArray::number(selection.editedField) + " \r\n";
    out += selection.secondName.toUtf8() + "\r\n";
    out += selection.editedName.toUtf8() + "\r\n";
    return out;
}

bool SettingsFile::write(const QString &path, const LanguageSelection &selection, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(format(selection)) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace lng
