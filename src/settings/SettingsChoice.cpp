#include "SettingsChoice.h"

#include "SettingsFile.h"
#include "app/Texts.h"
#include "app/Workbench.h"

#include <algorithm>

namespace lng {

namespace settingsChoice {

QStringList sortedNames(const LanguageCatalogue &catalogue)
{
    QStringList names = catalogue.names();
    // Case-insensitive comparison folds to lower case, so "[" sorts before every letter.
    std::stable_sort(names.begin(), names.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

int preselectedRow(const QStringList &names, const QString &name)
{
    if (name.isEmpty())
        return 0;
    const qsizetype row = names.indexOf(name);
    return row < 0 ? 0 : static_cast<int>(row);
}

bool confirm(Workbench &bench, const QString &secondName, const QString &editedName)
{
    SharedState &state = bench.state();
    if (const PasswordPrompt *prompt = editPromptFor(editedName); prompt && !state.IsPasswordGiven) {
        const QString entry = bench.prompts().input(QString::fromLatin1(prompt->prompt), QString::fromLatin1(prompt->caption));
        if (!isPasswordCorrect(entry)) {
            bench.prompts().message(texts::WrongPassword, Buttons::Ok, Icon::Critical, AppTitle);
            return false;
        }
        // The comments' password is asked again every time.
        if (editedName != QLatin1String("[Comments]"))
            state.IsPasswordGiven = true;
    }

    const std::optional<std::int16_t> secondField = state.catalogue.fieldOf(secondName);
    const std::optional<std::int16_t> editedField = state.catalogue.fieldOf(editedName);
    if (!secondField || !editedField)
        return false; // every list entry is a catalogue name; nothing else can be chosen

    // The file is written before the shared selection changes: if it cannot be written, the
    // next save must still go to the field the table was loaded for.
    const LanguageSelection selection {*secondField, *editedField, secondName, editedName};
    QString error;
    if (!SettingsFile::write(bench.settingsPath(), selection, &error)) {
        bench.critical(texts::cannotWriteSettings(bench.settingsPath(), error));
        return false;
    }
    state.SecondLanguageName = secondName;
    state.EditedLanguageName = editedName;
    state.SecondLanguageField = *secondField;
    state.EditedLanguageField = *editedField;
    return true;
}

} // namespace settingsChoice

void settingsCommand(Workbench &bench, const std::function<void()> &showDialog)
{
    if (!bench.saveFirstPrompt())
        return;
    SharedState &state = bench.state();
    state.SettingsResult.clear();
    showDialog();
    if (state.SettingsResult == QLatin1String("Ok")) {
        bench.table().ClearRange(1, 1, TableRows, 5, 3);
        bench.LoadTable();
    }
    state.SettingsResult.clear();
}

} // namespace lng
