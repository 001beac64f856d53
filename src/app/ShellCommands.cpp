#include "ShellCommands.h"

#include "Texts.h"
#include "Workbench.h"

#include <QFileInfo>

namespace lng {

void loadCommand(Workbench &bench)
{
    if (!bench.saveFirstPrompt())
        return;
    const QString path = bench.databasePath();
    if (!QFileInfo(path).isFile()) {
        bench.critical(texts::CannotFindDatabase + path);
        return;
    }
    bench.LoadTable();
}

void unlockCommand(Workbench &bench)
{
    const PasswordPrompt &prompt = passwordPrompts::Unlock;
    const QString entry = bench.prompts().input(QString::fromLatin1(prompt.prompt), QString::fromLatin1(prompt.caption));
    if (!isPasswordCorrect(entry))
        return;
    Sheet &table = bench.table();
    const QString selection = table.SelectionText();
    table.SetRowLimit(TableRows);
    table.SelectRange(1, 1, TableRows, 5);
    table.SetSelectionProtection(false, false);
    table.FillSelection(1, 0xFFFFFF, 0);
    bench.state().IsUnlocked = true;
    table.SetSelectionText(selection);
    bench.state().IsPasswordGiven = true;
}

void bindShellCommands(Workbench &bench)
{
    CommandDispatcher &commands = bench.dispatcher();
    commands.bind(QStringLiteral("ID_Load"), [&bench] { loadCommand(bench); });
    commands.bind(QStringLiteral("ID_Save"), [&bench] { bench.SaveTable(); });
    commands.bind(QStringLiteral("ID_Copy"), [&bench] { bench.clipboard().setText(bench.table().CopySelection()); });
    commands.bind(QStringLiteral("ID_Paste"), [&bench] { bench.table().PasteFromClipboard(bench.clipboard().text()); });
    commands.bind(QStringLiteral("ID_Unlock"), [&bench] { unlockCommand(bench); });
    commands.bind(QStringLiteral("ID_Undo"), [&bench] { bench.history().undo(); });
    commands.bind(QStringLiteral("ID_Redo"), [&bench] { bench.history().redo(); });
}

} // namespace lng
