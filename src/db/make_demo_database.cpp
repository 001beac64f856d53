// Builds the demo message database next to the program, unless one is there already: a
// user's own edits survive every rebuild.
#include "DemoData.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_demo_database MESSAGES.tsv AllLanguages.Lng\n");
        return 2;
    }
    const QString tsv = QString::fromLocal8Bit(argv[1]);
    const QString db = QString::fromLocal8Bit(argv[2]);
    if (QFileInfo::exists(db))
        return 0;
    QString error;
    if (!lng::createDatabaseFromTsv(tsv, db, &error)) {
        QFile::remove(db);
        std::fprintf(stderr, "make_demo_database: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
