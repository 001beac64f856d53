#pragma once

#include "CatFile.h"

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

namespace lng {

class Workbench;

// What a message holds now, as an import compares it.
struct CurrentText {
    QString english;
    QString text;
};

// What an import of a translators' file would do, by message number only.
struct CatPlan {
    struct Update {
        std::int64_t number;
        QString text;
    };
    struct NotApplied {
        std::int64_t number;
        int line;
        QString reason;
    };
    std::vector<Update> updates;
    int unchanged = 0;
    std::vector<NotApplied> notApplied;
    QString refused; // set when the file is refused as a whole (another language)

    // "412 translations updated, 9,531 unchanged, 3 not applied (see list)"
    QString summary() const;
    // One line per entry not applied.
    QStringList details() const;
};

// Plans the import: an entry is applied when its target differs from the message's cleaned
// text. Entries for unknown numbers, with another English text than the message's now, marked
// fuzzy, or without a translation are not applied and listed; a file in another language than
// `language` is refused whole.
CatPlan planCatImport(const CatFile &file, const QString &language, const std::map<std::int64_t, CurrentText> &current);

// The file name suggested for a language: "Tesmora-es.po".
QString suggestedCatFileName(const QString &language, CatFormat format);

// The window's commands: export the table's edited language, import into the table as the
// user's edit (one undo step, nothing saved). Both report to the user.
void exportForTranslation(Workbench &bench, const QString &path);
void importTranslation(Workbench &bench, const QString &path);

} // namespace lng
