#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Every text the user reads, in one place.
namespace lng::texts {

inline const QString AppTitle = QStringLiteral("Tesmora V6 - Multi Languages DLL manager V1.04");

inline const QString MustLoadFirst = QStringLiteral("Must load the file first!");
inline const QString WrongPassword = QStringLiteral("Wrong password!");
inline const QString SaveChangesTitle = QStringLiteral("Save changes?");
inline const QString SaveChangesFirst = QStringLiteral("Do you want to save changes first?");
inline const QString CannotFindDatabase = QStringLiteral("Cannot find database ");
inline const QString CannotFind = QStringLiteral("Cannot find ");
inline const QString CannotRead = QStringLiteral("Cannot read ");
inline const QString CannotWriteTo = QStringLiteral("Cannot write to ");

// The first few of a list, for a message: "101, 102, 105" or "101, ..., 110, ...".
inline QString firstFew(const QStringList &items, int shown = 10)
{
    QString text = items.mid(0, shown).join(QStringLiteral(", "));
    if (items.size() > shown)
        text += QStringLiteral(", ...");
    return text;
}

// Failures the program reports with their cause.
inline QString cannotLoadDatabase(const QString &path, const QString &cause)
{
    return QStringLiteral("Cannot load database %1\n\n%2").arg(path, cause);
}
inline QString cannotSaveToDatabase(const QString &path, const QString &cause)
{
    return QStringLiteral("Cannot save to database %1\n\n%2\n\nNothing was saved.").arg(path, cause);
}
inline QString cannotReadSettings(const QString &path, const QString &cause)
{
    return QStringLiteral("Cannot read %1\n\n%2").arg(path, cause);
}
// `numbers`: the left-out records' numbers as stored, in number order.
inline QString recordsLeftOut(const QStringList &numbers)
{
    return QStringLiteral("%1 record(s) cannot be shown in the table and were left out: message numbers are whole numbers "
                          "from 101 to 10099, and these are numbered %2. The database keeps them unchanged.")
        .arg(numbers.size())
        .arg(firstFew(numbers));
}
inline QString databaseReadOnly(const QString &path, const QString &cause)
{
    return QStringLiteral("The database %1 cannot be written: %2.\n\nThe table is shown, but edits cannot be saved.")
        .arg(path, cause);
}
inline QString rowsNotSaved(const QList<int> &unnumbered, const QList<int> &notWhole)
{
    const auto rows = [](const QList<int> &list) {
        QStringList shown; // one more than is shown, so the list says there are more
        for (int row : list.mid(0, 11))
            shown << QString::number(row);
        return firstFew(shown);
    };
    QStringList parts;
    if (!unnumbered.isEmpty())
        parts << QStringLiteral("%1 row(s) hold texts but no message number in column 1, so there is no message to save them "
                                "in (rows %2).").arg(unnumbered.size()).arg(rows(unnumbered));
    if (!notWhole.isEmpty())
        parts << QStringLiteral("%1 row(s) have a message number that is not a whole number (rows %2).")
                     .arg(notWhole.size()).arg(rows(notWhole));
    return parts.join(QLatin1Char(' ')) + QStringLiteral("\n\nThese rows were not saved; everything else was. Put the "
                                                        "right message numbers into column 1 and save again.");
}

inline const QString MustSaveFirst = QStringLiteral("Must save changes first.\r\rDo you want to save now?");
inline QString wasBuilt(const QString &path)
{
    return path + QStringLiteral(" was built");
}
inline QString cannotBuild(const QString &what, const QString &cause)
{
    return QStringLiteral("Cannot build the message file %1\n\n%2").arg(what, cause);
}
inline QString cannotWriteSettings(const QString &path, const QString &cause)
{
    return QStringLiteral("Cannot write %1\n\n%2\n\nThe languages stay as they were.").arg(path, cause);
}

} // namespace lng::texts
