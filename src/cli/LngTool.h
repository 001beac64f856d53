#pragma once

#include "cat/CatFile.h"

#include <QString>
#include <QStringList>

#include <cstdio>

namespace lng {

// The message database from the command line: build, stats, export, check-case, context,
// create. Reading commands open the database read-only.
class LngTool {
public:
    LngTool(std::FILE *out, std::FILE *err) : m_out(out), m_err(err) {}

    // Runs one command line (without the program name); answers the exit status:
    // 0 success, 1 failure (or mismatches found by check-case), 2 wrong usage.
    int run(const QStringList &arguments);

private:
    int build(const QStringList &args);
    int stats(const QStringList &args);
    int exportWorkbook(const QStringList &args);
    int checkCase(const QStringList &args);
    int context(const QStringList &args);
    int create(const QStringList &args);
    int check(const QStringList &args); // in CheckCommand.cpp
    int exportCat(const QString &language, CatFormat format, const QString &output); // in CatCommands.cpp
    int importCat(const QStringList &args);
    int migrate(const QStringList &args); // in ServerCommands.cpp

    void print(const QString &text);
    void error(const QString &text);
    int usage(const QString &problem, const QString &command = {});
    // The catalogue name a command-line name stands for (exact, or letter case ignored);
    // reports the valid names and answers an empty text when there is none.
    QString languageName(const QString &name);
    // The catalogue names of command-line names, each once; false (reported) for an unknown one.
    bool languageNames(const QStringList &names, QStringList *languages);
    QString databasePath() const;
    // The database as messages name it: the file, or the server without any password.
    QString shownDatabase() const;

    std::FILE *m_out;
    std::FILE *m_err;
    QString m_folder = QStringLiteral(".");
    QString m_database; // --database: a server's connection string, instead of the folder's file
};

} // namespace lng
