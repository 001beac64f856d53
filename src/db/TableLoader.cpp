#include "TableLoader.h"

#include "MessageDatabase.h"
#include "app/Texts.h"
#include "app/Workbench.h"
#include "settings/SettingsFile.h"

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace lng {

namespace {
struct LoadedRecord {
    double number;
    std::optional<QString> comments;
    std::optional<QString> english;
    std::optional<QString> second;
    std::optional<QString> edited;
};

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
    std::vector<LoadedRecord> records;
    records.reserve(TableRows);
    bool nullComments = false;
    bool nullEnglish = false;
    const bool ok = db.forEachRecord(
        {1, 2, selection.secondField, selection.editedField},
        [&](const MessageDatabase::RecordView &record) {
            LoadedRecord loaded {record.number(), record.field(0), record.field(1), record.field(2), record.field(3)};
            nullComments = nullComments || !loaded.comments;
            nullEnglish = nullEnglish || !loaded.english;
            records.push_back(std::move(loaded));
        },
        &error);
    if (!ok) {
        bench.critical(texts::cannotLoadDatabase(dbPath, error));
        return false;
    }
    if ((nullComments && !db.replaceNullByEmpty(1, &error)) || (nullEnglish && !db.replaceNullByEmpty(2, &error))) {
        bench.critical(texts::cannotLoadDatabase(dbPath, error));
        return false;
    }

    int highestRow = 0;
    int leftOut = 0;
    double lowestLeftOut = std::numeric_limits<double>::max();
    double highestLeftOut = std::numeric_limits<double>::lowest();
    for (const LoadedRecord &record : records) {
        const double n = record.number;
        if (!(n >= FirstMessageNumber && n <= LastMessageNumber) || n != std::floor(n)) {
            ++leftOut;
            lowestLeftOut = std::min(lowestLeftOut, n);
            highestLeftOut = std::max(highestLeftOut, n);
            continue;
        }
        const int row = static_cast<int>(n) - RowOffset;
        table.SetCellNumber(row, PositionColumn, n);
        if (record.english)
            table.SetCellText(row, EnglishColumn, *record.english);
        if (record.comments)
            table.SetCellText(row, CommentsColumn, *record.comments);
        table.SetCellText(row, SecondColumn, record.second.value_or(QString()));
        table.SetCellText(row, EditedColumn, record.edited.value_or(QString()));
        highestRow = std::max(highestRow, row);
    }

    state.IsModified = false;
    table.SetRowLimit(state.IsUnlocked ? TableRows : std::max(highestRow, 1));
    table.SetTopVisibleRow(1);
    table.SetActiveRow(1);
    table.SetLeftVisibleColumn(1);
    table.SetActiveColumn(1);
    bench.IsLoaded = true;

    if (leftOut > 0)
        bench.information(texts::recordsLeftOut(leftOut, static_cast<qint64>(lowestLeftOut), static_cast<qint64>(highestLeftOut)));
    return true;
}

} // namespace lng
