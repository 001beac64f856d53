#pragma once

#include <QString>

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
inline QString recordsLeftOut(int count, qint64 lowest, qint64 highest)
{
    return QStringLiteral("%1 message(s) numbered outside 101 to 10099 cannot be shown in the table and were left out "
                          "(lowest %2, highest %3). The database keeps them unchanged.")
        .arg(count).arg(lowest).arg(highest);
}
inline QString notWholeNumber(int row, double number)
{
    return QStringLiteral("Row %1: the message number %2 is not a whole number; the row was not saved.")
        .arg(row).arg(number, 0, 'g', 15);
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
