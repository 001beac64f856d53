#include "OthersEdits.h"

#include "app/Workbench.h"
#include "db/MessageDatabase.h"
#include "db/TableSaver.h"

#include <QAnyStringView>
#include <QStringList>

namespace lng {

namespace {
constexpr int kListed = 20;

QString shown(const std::optional<QString> &text)
{
    return QLatin1Char('"') + text.value_or(QString()) + QLatin1Char('"');
}
} // namespace

bool OthersEdits::gather(Workbench &bench, MessageDatabase &db, QString *error)
{
    m_conflicts.clear();
    m_theirsOnly.clear();
    m_compared = {};
    const SharedState &state = bench.state();
    const StoredSnapshot &snapshot = bench.storedSnapshot();
    struct Shown {
        int column;
        int field;
        bool saved; // the save writes this column
    };
    const std::vector<Shown> columns {{CommentsColumn, 1, state.IsUnlocked},
                                      {EnglishColumn, 2, state.IsUnlocked},
                                      {SecondColumn, state.SecondLanguageField, state.IsUnlocked},
                                      {EditedColumn, state.EditedLanguageField, true}};
    std::vector<int> fields;
    for (const Shown &column : columns)
        fields.push_back(column.field);
    if (!snapshot.covers(fields))
        return true; // nothing to compare with
    // Only records written since the snapshot's versions, when they belong to this very table.
    if (!db.versionsTable(&m_compared.table, error))
        return false;
    const bool versionsHold = !m_compared.table.isEmpty() && m_compared.table == snapshot.versions().table;
    // Compared as stored, without making texts of them: a field nobody else changed (nearly
    // all of them) costs a byte comparison.
    const Sheet &table = bench.table();
    return db.forEachRawRecord(
        fields,
        [&](const MessageDatabase::StoredNumber &stored, const MessageDatabase::RawField *raw) {
            const std::optional<std::int64_t> number = wholeNumber(stored.value);
            if (!number || !isTableMessageNumber(static_cast<double>(*number)))
                return;
            const int row = static_cast<int>(*number) - RowOffset;
            if (table.CellNumber(row, PositionColumn) != static_cast<double>(*number))
                return; // the row holds another message: the save compares it with the stored values
            const StoredSnapshot::Values *loadedValues = snapshot.values(*number);
            if (!loadedValues)
                return;
            m_compared.seen.insert(stored.version);
            for (std::size_t i = 0; i < columns.size(); ++i) {
                const int slot = snapshot.slotOf(columns[i].field);
                const std::optional<QString> &loaded = (*loadedValues)[static_cast<std::size_t>(slot)];
                // Null and the empty text are the same to a translator.
                const QUtf8StringView now(raw[i].isNull ? "" : raw[i].data, raw[i].isNull ? 0 : raw[i].size);
                const QString before = loaded.value_or(QString());
                if (QAnyStringView::equal(now, before))
                    continue; // nobody else changed it
                const std::optional<QString> theirs =
                    raw[i].isNull ? std::nullopt : std::optional<QString>(QString::fromUtf8(raw[i].data, raw[i].size));
                const QString cell = table.CellText(row, columns[i].column);
                const QString yours = CleanText(cell);
                const bool changedHere = cell != before && yours != before;
                Change change {row, columns[i].column, *number, columns[i].field, theirs, cell};
                if (!changedHere)
                    m_theirsOnly.push_back(std::move(change));
                else if (columns[i].saved && yours != theirs.value_or(QString()))
                    m_conflicts.push_back(std::move(change));
            }
        },
        error, MessageDatabase::EmptyTable::IsFine, versionsHold ? &snapshot.versions().seen : nullptr);
}

QString OthersEdits::question(Workbench &bench) const
{
    QStringList lines;
    for (const Change &change : m_conflicts) {
        if (lines.size() == kListed) {
            lines << QStringLiteral("... and %1 more").arg(m_conflicts.size() - kListed);
            break;
        }
        const QString language = change.column == EditedColumn ? bench.state().EditedLanguageName
                                 : change.column == SecondColumn ? bench.state().SecondLanguageName
                                 : change.column == EnglishColumn ? QStringLiteral("English")
                                                                  : QStringLiteral("Comments");
        lines << QStringLiteral("%1 %2: theirs %3, yours %4").arg(change.number).arg(language, shown(change.theirs), shown(change.yours));
    }
    return QStringLiteral("Since you loaded the table, others saved changes to %1 text(s) you changed too:").arg(m_conflicts.size())
           + QStringLiteral("\n\n") + lines.join(QLatin1Char('\n'))
           + QStringLiteral("\n\nKeep mine saves your texts over theirs; Keep theirs takes their texts into the table; "
                            "Cancel saves nothing.");
}

void OthersEdits::apply(Workbench &bench, const std::vector<Change> &changes)
{
    for (const Change &change : changes) {
        bench.table().SetCellText(change.row, change.column, change.theirs.value_or(QString()));
        bench.storedSnapshot().set(change.number, change.field, change.theirs);
    }
}

void OthersEdits::keepTheirs(Workbench &bench) const
{
    apply(bench, m_conflicts);
}

void OthersEdits::afterSave(Workbench &bench) const
{
    apply(bench, m_theirsOnly);
    RecordVersions &versions = bench.storedSnapshot().versions();
    if (versions.table != m_compared.table)
        versions = m_compared; // every record was compared
    else
        versions.seen.insert(m_compared.seen.begin(), m_compared.seen.end());
}

} // namespace lng
