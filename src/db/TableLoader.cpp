#include "TableLoader.h"

#include "MessageDatabase.h"
#include "app/Texts.h"
#include "app/Workbench.h"
#include "settings/SettingsFile.h"

#include <optional>
#include <vector>

namespace lng {

namespace {
bool isTextField(int field)
{
    return field >= 1 && field < MessageDatabase::FieldCount;
}
} // namespace

bool loadTable(Workbench &bench)
{
    Sheet &table = bench.table();
    SharedState &state = bench.state();
    BusyPointer busy(table);

    const QString dbPath = bench.databasePath();
    MessageDatabase db;
    QString error;
    db.setPasswordPrompt([&bench](const QString &server) {
        return bench.prompts().input(QStringLiteral("Password for %1:").arg(server), QStringLiteral("Server password"));
    });
    if (!db.open(dbPath, MessageDatabase::Access::ReadWrite, &error)) {
        bench.critical(texts::cannotLoadDatabase(dbPath, error));
        return false;
    }

    LanguageSelection selection;
    if (!SettingsFile::read(bench.settingsPath(), &selection, &error)) {
        bench.critical(texts::cannotReadSettings(bench.settingsPath(), error));
        return false;
    }
    for (int field : {selection.secondField, selection.editedField}) {
        if (!isTextField(field)) {
            bench.critical(texts::cannotReadSettings(
                bench.settingsPath(),
                QStringLiteral("field %1 is not a language field; fields 1 to %2 hold texts").arg(field).arg(MessageDatabase::FieldCount - 1)));
            return false;
        }
    }
    state.SecondLanguageField = selection.secondField;
    state.EditedLanguageField = selection.editedField;
    state.SecondLanguageName = selection.secondName;
    state.EditedLanguageName = selection.editedName;
    table.SetColumnHeading(SecondColumn, state.SecondLanguageName);
    table.SetColumnHeading(EditedColumn, state.EditedLanguageName);

    // Everything is read before the table is touched, so a failing database leaves the table
    // as it was.
    MessageDatabase::Records records;
    RecordVersions versions;
    if (!db.readRecords({1, 2, selection.secondField, selection.editedField}, &records, &error, &versions)) {
        bench.critical(texts::cannotLoadDatabase(dbPath, error));
        return false;
    }
    bool nullComments = false;
    bool nullEnglish = false;
    for (int i = 0; i < records.size(); ++i) {
        nullComments = nullComments || !records.field(i, 0);
        nullEnglish = nullEnglish || !records.field(i, 1);
    }
    // A database that cannot be written is still shown: its Null texts stay Null, and the user
    // learns before typing that edits cannot be saved.
    QString readOnly;
    bool nullsReplaced = false;
    if (!db.isWritable(&readOnly)) {
        // said once the table is shown
    } else if ((nullComments && !db.replaceNullByEmpty(1, &error)) || (nullEnglish && !db.replaceNullByEmpty(2, &error))) {
        if (!db.lastErrorStopsWriting()) {
            bench.critical(texts::cannotLoadDatabase(dbPath, error));
            return false;
        }
        readOnly = error;
    } else {
        nullsReplaced = true;
    }

    int highestRow = 0;
    QStringList leftOut;
    for (int i = 0; i < records.size(); ++i) {
        const double n = records.number(i);
        const std::optional<QString> &comments = records.field(i, 0);
        const std::optional<QString> &english = records.field(i, 1);
        const std::optional<QString> &second = records.field(i, 2);
        const std::optional<QString> &edited = records.field(i, 3);
        if (!isTableMessageNumber(n)) {
            leftOut << records.shownNumber(i);
            continue;
        }
        const int row = static_cast<int>(n) - RowOffset;
        table.SetCellNumber(row, PositionColumn, n);
        if (english)
            table.SetCellText(row, EnglishColumn, *english);
        if (comments)
            table.SetCellText(row, CommentsColumn, *comments);
        table.SetCellText(row, SecondColumn, second.value_or(QString()));
        table.SetCellText(row, EditedColumn, edited.value_or(QString()));
        highestRow = std::max(highestRow, row);
    }

    // What the database now holds for every record (Null comments and English became "").
    StoredSnapshot &snapshot = bench.storedSnapshot();
    const std::vector<int> fields {1, 2, selection.secondField, selection.editedField};
    snapshot.reset(fields);
    // The versions as read: records whose Null texts were just replaced have new ones, which
    // the first save reads back.
    snapshot.versions() = std::move(versions);
    for (int i = 0; i < records.size(); ++i) {
        const std::optional<std::int64_t> number = wholeNumber(records.number(i));
        if (!number)
            continue; // no row can show it, and no save can name it
        for (int f = 0; f < 4; ++f) {
            const std::optional<QString> &value = records.field(i, f);
            snapshot.set(*number, fields[static_cast<std::size_t>(f)],
                         f < 2 && !value && nullsReplaced ? std::optional<QString>(QString()) : value);
        }
    }

    state.IsModified = false;
    table.SetRowLimit(state.IsUnlocked ? TableRows : std::max(highestRow, 1));
    table.SetTopVisibleRow(1);
    table.SetActiveRow(1);
    table.SetLeftVisibleColumn(1);
    table.SetActiveColumn(1);
    bench.IsLoaded = true;

    if (!leftOut.isEmpty())
        bench.information(texts::recordsLeftOut(leftOut));
    if (!readOnly.isEmpty())
        bench.prompts().message(texts::databaseReadOnly(dbPath, readOnly), Buttons::Ok, Icon::Exclamation, NoTitle);
    return true;
}

} // namespace lng
