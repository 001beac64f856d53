#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace lng {

class Workbench;
struct LanguageCatalogue;

// What the language settings dialog shows and does, without its widgets.
namespace settingsChoice {

// The catalogue's names sorted alphabetically, letter case ignored, punctuation first;
// "Italian" appears twice.
QStringList sortedNames(const LanguageCatalogue &catalogue);
// The row to preselect: the first entry equal to `name`, or the first row.
int preselectedRow(const QStringList &names, const QString &name);

// Confirms a choice: asks the password for a guarded edited language, sets the selection
// and writes the settings file. Answers whether the dialog ends confirmed (SettingsResult
// "Ok"); on false the selection and the file are as they were.
bool confirm(Workbench &bench, const QString &secondName, const QString &editedName);

} // namespace settingsChoice

// The Settings command: the save-first prompt, the dialog, then clear and reload when the
// dialog was confirmed. `showDialog` shows the dialog modally.
void settingsCommand(Workbench &bench, const std::function<void()> &showDialog);

} // namespace lng
