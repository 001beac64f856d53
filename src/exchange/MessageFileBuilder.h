#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

namespace lng {

// What a build wrote, and what did not fit.
struct BuildReport {
    QString path;                       // the message file
    int codePage = 1252;
    QList<std::int64_t> unrepresentable; // messages with characters written as "?"
    QList<std::int64_t> lineBreaks;      // messages whose control characters were written as spaces
    QList<std::int64_t> unreadable;      // messages whose stored bytes are not UTF-8 text
    QStringList leftOut;                 // numbers, as stored, of records that have no line in the file
    QString error;                      // set when nothing was built

    bool ok() const { return error.isEmpty(); }
};

// Builds TQRes<Language>.dll in `folder` from the message database there: a 30-line header,
// then message n on line n - 69, every line ending in CR LF, in the language's code page.
// The file is replaced atomically; on failure the previous file is left as it was.
BuildReport buildMessageFileIn(const QString &folder, int editedField, const QString &editedName);

// Builds the message files of several languages (field, name) from one pass over the
// database; one report per language, in the order given.
// `database`, when given, is read instead of the folder's AllLanguages.Lng (a file or a server).
std::vector<BuildReport> buildMessageFilesIn(const QString &folder, const std::vector<std::pair<int, QString>> &languages,
                                             const QString &database = {});

// What a successful build warns about, one sentence each, naming the messages.
QStringList buildWarnings(const BuildReport &report);

// The file name a language's message file gets; empty when the name cannot form one.
QString messageFileName(const QString &languageName);

} // namespace lng
