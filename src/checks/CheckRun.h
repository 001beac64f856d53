#pragma once

#include "TranslationChecks.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace lng {

// The findings of one language.
struct LanguageFindings {
    QString language;
    int field = 0;
    int messages = 0; // messages checked: those with a translation
    std::vector<Finding> findings;

    int errors() const;
};

// Runs the checks on the database's texts of each language (field, name), in one pass, less
// the findings the user chose to ignore. Opens the database read-only.
bool checkDatabase(const QString &path, const std::vector<std::pair<int, QString>> &languages, const QStringList &checks,
                   std::vector<LanguageFindings> *results, QString *error);

} // namespace lng
