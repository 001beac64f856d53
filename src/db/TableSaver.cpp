#include "TableSaver.h"

#include "MessageDatabase.h"
#include "server/OthersEdits.h"
#include "app/TextRules.h"
#include "app/Texts.h"
#include "app/Workbench.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace lng {

QString CleanText(const QString &text)
{
    const auto needsCleaning = [](QChar ch) { return ch.unicode() < 32 || ch == QLatin1Char('"'); };
    if (std::none_of(text.begin(), text.end(), needsCleaning))
        return trimSpaces(text); // the common case: nothing copied unless there are outer spaces
    QString cleaned = text;
    for (QChar &ch : cleaned) {
        if (ch.unicode() < 32)
            ch = QLatin1Char(' ');
        else if (ch == QLatin1Char('"'))
            ch = QLatin1Char('\'');
    }
    return trimSpaces(cleaned);
}

namespace {

// The stored values of the fields a save may write, for one record, by slot (see TableWriter).
constexpr int kMaxSlots = 4;
using StoredFields = std::array<std::optional<QString>, kMaxSlots>;

// Asks for the password when the edited language is guarded; answers whether the save may go on.
bool passwordAccepted(Workbench &bench)
{
    SharedState &state = bench.state();
    const PasswordPrompt *prompt = recordPromptFor(state.EditedLanguageName);
    if (!prompt || state.IsPasswordGiven)
        return true;
    const QString entry = bench.prompts().input(QString::fromLatin1(prompt->prompt), QString::fromLatin1(prompt->caption));
    if (!isPasswordCorrect(entry)) {
        bench.prompts().message(texts::WrongPassword, Buttons::Ok, Icon::Critical, AppTitle);
        return false;
    }
    state.IsPasswordGiven = true;
    return true;
}

class TableWriter {
public:
    TableWriter(Workbench &bench, MessageDatabase &db) : m_bench(bench), m_db(db), m_table(bench.table())
    {
        // The (column, field) pairs the save writes, in order: column 2 first, column 5 last.
        const SharedState &state = m_bench.state();
        if (state.IsUnlocked)
            m_columns = {{CommentsColumn, 1, 0}, {EnglishColumn, 2, 0}, {SecondColumn, state.SecondLanguageField, 0}};
        m_columns.push_back({EditedColumn, state.EditedLanguageField, 0});
        for (Column &column : m_columns) {
            auto known = std::find(m_fields.begin(), m_fields.end(), column.field);
            if (known == m_fields.end())
                known = m_fields.insert(m_fields.end(), column.field);
            column.slot = static_cast<int>(known - m_fields.begin());
        }
    }

    // Decides which rows are written and what each column is compared with. When the
    // snapshot of the last load or save covers the fields written, only rows whose texts
    // differ from it hold the user's changes: only those are written, and each of their
    // columns is compared with the value its field held then, so a field the user left alone
    // keeps whatever another program saved meanwhile. Rows the snapshot cannot speak for (a
    // message number it does not know, or one shown in two rows) are compared with the stored
    // values: few are read back one by one; for many, one pass over the whole table is cheaper.
    bool prepare(QString *error)
    {
        const StoredSnapshot &snapshot = m_bench.storedSnapshot();
        if (!snapshot.covers(m_fields))
            return readStoredValues(error);
        m_snapshot = &snapshot;
        m_readBack = planRows(snapshot) <= kReadBackLimit;
        return m_readBack || readStoredValues(error);
    }

    // The values written, recorded in the snapshot once the save is committed.
    void recordIn(StoredSnapshot &snapshot) const
    {
        for (const Written &written : m_written)
            snapshot.set(written.number, written.field, written.text);
    }

    bool readStoredValues(QString *error)
    {
        MessageDatabase::Records records;
        if (!m_db.readRecords(m_fields, &records, error))
            return false;
        m_stored.reserve(records.size() + 100);
        m_index.reserve(records.size() * 2);
        for (int r = 0; r < records.size(); ++r) {
            StoredFields stored;
            for (std::size_t i = 0; i < m_fields.size(); ++i)
                stored[i] = std::move(records.field(r, static_cast<int>(i)));
            addStored(static_cast<std::int64_t>(records.number(r)), std::move(stored));
        }
        return true;
    }

    // Saves one row. Step failures are reported and the row goes on as far as it can.
    void saveRow(int row)
    {
        const double n = m_table.CellNumber(row, PositionColumn);
        if (!(n > 0)) {
            if (holdsText(row))
                m_unnumbered << row;
            return;
        }
        if (n != std::floor(n) || n > 9.0e15) {
            m_notWhole << row;
            return;
        }
        const auto number = static_cast<std::int64_t>(n);
        const RowPlan plan = m_snapshot ? m_plan[static_cast<std::size_t>(row)] : RowPlan::AgainstStored;
        if (plan == RowPlan::Unchanged)
            return; // the row shows what the database held: nothing of the user's to write
        if (plan == RowPlan::AgainstSnapshot) {
            const MessageDatabase::FieldValues changes =
                changedColumns(row, [&](const Column &column) { return m_snapshot->value(number, column.field); });
            if (m_db.batchesUpdates()) {
                if (!changes.empty())
                    m_queued.push_back({row, {number, changes}});
                if (m_queued.size() >= kQueued)
                    flush();
                return;
            }
            bool found = false;
            if (!write(number, changes, nullptr, &found) || found || changes.empty())
                return;
            // Another program removed the record meanwhile: it is added again, as any new one.
            return addRow(row, number);
        }
        StoredFields *found = nullptr;
        if (!findStored(number, &found))
            return;
        if (!found)
            return addRow(row, number);
        // Compare every column with the value its field held before this row was written:
        // when two columns share a field, the one the user changed wins over an unchanged
        // one; when both changed, the later column wins.
        StoredFields &stored = *found;
        write(number, changedColumns(row, [&](const Column &column) { return &stored[column.slot]; }), &stored, nullptr);
    }

    // Writes the rows still queued (see batchesUpdates). Their numbers are known and in one
    // row each, so writing them after the others' rows changes nothing but the round trips.
    void flush()
    {
        if (m_queued.empty())
            return;
        std::vector<MessageDatabase::RecordUpdate> updates;
        updates.reserve(m_queued.size());
        for (const Queued &queued : m_queued)
            updates.push_back(queued.update);
        std::vector<bool> found;
        QString error;
        const bool written = m_db.updateRecords(updates, &found, &error);
        const std::vector<Queued> queued = std::move(m_queued);
        m_queued.clear();
        // A database that batches (a server) gives up the transaction at any failure.
        if (!written)
            return giveUp(error);
        for (std::size_t i = 0; i < queued.size() && m_fatal.isEmpty(); ++i) {
            const auto &[row, update] = queued[i];
            if (!found[i]) {
                // Another program removed the record meanwhile: it is added again, as any new one.
                addRow(row, update.number);
                continue;
            }
            for (const auto &[field, text] : update.values)
                keep(nullptr, update.number, field, text);
        }
    }

    // Set when the database gave up the transaction (disk full, I/O error): nothing is saved.
    const QString &fatalError() const { return m_fatal; }
    // Rows whose texts were not saved: without a message number, or with one that is no whole number.
    const QList<int> &unnumberedRows() const { return m_unnumbered; }
    const QList<int> &notWholeRows() const { return m_notWhole; }

private:
    struct Column {
        int column;
        int field;
        int slot; // where the field's stored value is kept
    };

    struct Written {
        std::int64_t number;
        int field;
        QString text;
    };
    static constexpr int kReadBackLimit = 1000;
    static constexpr std::size_t kQueued = 2048;
    struct Queued {
        int row;
        MessageDatabase::RecordUpdate update;
    };

    enum class RowPlan : std::uint8_t {
        Unchanged,       // shows what the snapshot holds: not written
        AgainstSnapshot, // changed: each column compared with the snapshot
        AgainstStored,   // each column compared with the stored values
    };

    // Whether a row holds a text the save would store.
    bool holdsText(int row) const
    {
        return std::any_of(m_columns.begin(), m_columns.end(),
                           [&](const Column &column) { return !CleanText(m_table.CellText(row, column.column)).isEmpty(); });
    }

    // Whether a cell's text differs from what its field held: a cell that still shows the stored
    // text exactly was not touched, and is not rewritten, even where cleaning would change it.
    static bool differs(const QString &cell, const std::optional<QString> &held)
    {
        return !held || (*held != cell && *held != CleanText(cell));
    }

    // The row's columns whose texts differ from what `before(column)` says their field held
    // (nullptr when unknown, nullopt for Null), by field, as they are stored.
    template <typename Before>
    MessageDatabase::FieldValues changedColumns(int row, const Before &before) const
    {
        MessageDatabase::FieldValues changes;
        for (const Column &column : m_columns) {
            const QString cell = m_table.CellText(row, column.column);
            const std::optional<QString> *held = before(column);
            if (!held || differs(cell, *held))
                changes[column.field] = stored(row, column.column, cell);
        }
        return changes;
    }

    // The text a cell is stored as; a cell the cleaning changes is noted, so that the table can
    // show the stored text once the save is committed.
    QString stored(int row, int column, const QString &cell) const
    {
        QString text = CleanText(cell);
        if (text != cell)
            m_cleaned.push_back({row, column, text});
        return text;
    }

public:
    // Shows the stored texts in the cells the save cleaned; answers those cells (row, column).
    std::vector<std::pair<int, int>> showStoredTexts() const
    {
        std::vector<std::pair<int, int>> shown;
        shown.reserve(m_cleaned.size());
        for (const Cleaned &cell : m_cleaned) {
            m_table.SetCellText(cell.row, cell.column, cell.text);
            shown.emplace_back(cell.row, cell.column);
        }
        return shown;
    }
    int writes() const { return static_cast<int>(m_written.size()); }

private:

    // Plans every row against the snapshot; answers how many rows need their stored values.
    int planRows(const StoredSnapshot &snapshot)
    {
        m_plan.assign(TableRows + 1, RowPlan::Unchanged);
        std::vector<int> snapshotSlot; // by column: where the snapshot keeps its field
        for (const Column &column : m_columns)
            snapshotSlot.push_back(snapshot.slotOf(column.field));
        std::vector<std::pair<std::int64_t, int>> numbers; // (number, row)
        numbers.reserve(TableRows);
        int needStored = 0;
        for (int row = 1; row <= TableRows; ++row) {
            const double n = m_table.CellNumber(row, PositionColumn);
            if (!(n > 0) || n != std::floor(n) || n > 9.0e15)
                continue; // not written, or reported when the row's turn comes
            const auto number = static_cast<std::int64_t>(n);
            numbers.emplace_back(number, row);
            RowPlan &plan = m_plan[static_cast<std::size_t>(row)];
            const StoredSnapshot::Values *before = snapshot.values(number);
            if (!before) {
                plan = RowPlan::AgainstStored;
                ++needStored;
                continue;
            }
            for (std::size_t i = 0; i < m_columns.size(); ++i) {
                const std::optional<QString> &value = (*before)[static_cast<std::size_t>(snapshotSlot[i])];
                if (differs(m_table.CellText(row, m_columns[i].column), value)) {
                    plan = RowPlan::AgainstSnapshot;
                    break;
                }
            }
        }
        // Rows that share a message number write in row order, each compared with what the one
        // before it stored: they all need the stored values. The rows usually hold ascending
        // numbers, which cannot repeat.
        const auto ascending = [](const auto &a, const auto &b) { return a.first < b.first; };
        if (std::adjacent_find(numbers.begin(), numbers.end(), [](const auto &a, const auto &b) { return a.first >= b.first; })
            == numbers.end())
            return needStored;
        std::sort(numbers.begin(), numbers.end(), ascending);
        for (std::size_t i = 0; i < numbers.size();) {
            std::size_t end = i + 1;
            while (end < numbers.size() && numbers[end].first == numbers[i].first)
                ++end;
            if (end - i > 1) {
                for (; i < end; ++i) {
                    RowPlan &plan = m_plan[static_cast<std::size_t>(numbers[i].second)];
                    if (plan != RowPlan::AgainstStored) {
                        plan = RowPlan::AgainstStored;
                        ++needStored;
                    }
                }
            }
            i = end;
        }
        return needStored;
    }

    // Writes a record's changed fields. When the database refuses the values, they are
    // assigned one by one, so only the refused one keeps its stored value. Answers false when
    // the row could not be written at all.
    bool write(std::int64_t number, const MessageDatabase::FieldValues &changes, StoredFields *stored, bool *found)
    {
        if (changes.empty())
            return true;
        QString error;
        if (m_db.updateRecord(number, changes, &error, found)) {
            if (!found || *found) {
                for (const auto &[field, text] : changes)
                    keep(stored, number, field, text);
            }
            return true;
        }
        if (stopsWriting()) {
            giveUp(error);
            return false;
        }
        bool any = false;
        for (const auto &[field, text] : changes) {
            bool fieldFound = false;
            if (m_db.updateRecord(number, {{field, text}}, &error, &fieldFound)) {
                if (!fieldFound)
                    break;
                any = true;
                keep(stored, number, field, text);
            } else if (stopsWriting()) {
                giveUp(error);
                return false;
            } else {
                report(error);
            }
        }
        if (found)
            *found = any;
        return any;
    }

    // Adds the record a row shows, when the lock allows new records.
    void addRow(int row, std::int64_t number)
    {
        if (!m_bench.state().IsUnlocked)
            return;
        MessageDatabase::FieldValues values;
        for (const Column &column : m_columns)
            values[column.field] = stored(row, column.column, m_table.CellText(row, column.column));
        QString error;
        if (!m_db.addRecord(number, values, &error)) {
            if (stopsWriting())
                return giveUp(error);
            report(error);
            return;
        }
        StoredFields stored;
        for (const auto &[field, text] : values)
            keep(&stored, number, field, text);
        m_absent.erase(number);
        addStored(number, std::move(stored));
    }

    // The stored values of a record, read back from the database when the save did not read
    // the whole table. Answers false when the read failed (reported, or ending the save).
    bool findStored(std::int64_t number, StoredFields **stored)
    {
        const auto known = m_index.find(number);
        *stored = known == m_index.end() ? nullptr : &m_stored[known->second];
        if (*stored || !m_readBack || m_absent.count(number))
            return true;
        std::vector<std::optional<QString>> values;
        bool found = false;
        QString error;
        if (!m_db.readRecord(number, m_fields, &values, &found, &error)) {
            if (stopsWriting())
                giveUp(error);
            else
                report(error);
            return false;
        }
        if (!found) {
            m_absent.insert(number);
            return true;
        }
        StoredFields read;
        for (std::size_t i = 0; i < m_fields.size(); ++i)
            read[i] = std::move(values[i]);
        addStored(number, std::move(read));
        *stored = &m_stored[m_index.at(number)];
        return true;
    }

    void keep(StoredFields *stored, std::int64_t number, int field, const QString &text)
    {
        if (stored)
            (*stored)[slotOf(field)] = text;
        m_written.push_back({number, field, text});
    }

    int slotOf(int field) const { return static_cast<int>(std::find(m_fields.begin(), m_fields.end(), field) - m_fields.begin()); }
    void addStored(std::int64_t number, StoredFields stored)
    {
        // Two records with one number cannot exist; the first one found keeps the index.
        if (m_index.emplace(number, m_stored.size()).second)
            m_stored.push_back(std::move(stored));
    }

    void report(const QString &error) { m_bench.critical(error); }
    // A failure after which nothing more can be written: a read-only file or folder, a lock,
    // a full disk, an I/O error, or a transaction the database gave up.
    bool stopsWriting() const { return !m_db.inTransaction() || m_db.lastErrorStopsWriting(); }
    void giveUp(const QString &error) { m_fatal = error.isEmpty() ? m_db.lastError() : error; }

    Workbench &m_bench;
    MessageDatabase &m_db;
    Sheet &m_table;
    std::vector<Column> m_columns;
    std::vector<int> m_fields; // the distinct fields written, by slot
    std::vector<StoredFields> m_stored;
    std::unordered_map<std::int64_t, std::size_t> m_index; // message number -> m_stored
    std::unordered_set<std::int64_t> m_absent;              // numbers known to have no record
    const StoredSnapshot *m_snapshot = nullptr; // when it covers the fields written
    std::vector<RowPlan> m_plan;                 // by row, with the snapshot
    bool m_readBack = false; // stored values are read back one by one, not all at once
    std::vector<Written> m_written;
    std::vector<Queued> m_queued; // changed rows not yet written
    struct Cleaned {
        int row;
        int column;
        QString text;
    };
    mutable std::vector<Cleaned> m_cleaned;
    QList<int> m_unnumbered;
    QList<int> m_notWhole;

    QString m_fatal;
};

} // namespace

bool saveTable(Workbench &bench, const std::function<void(int row)> &rowVisited)
{
    if (!bench.IsLoaded) {
        bench.critical(texts::MustLoadFirst);
        return true;
    }
    if (!passwordAccepted(bench))
        return true;

    BusyPointer busy(bench.table());
    const QString dbPath = bench.databasePath();
    MessageDatabase db;
    QString error;
    db.setPasswordPrompt([&bench](const QString &server) {
        return bench.prompts().input(QStringLiteral("Password for %1:").arg(server), QStringLiteral("Server password"));
    });
    if (!db.open(dbPath, MessageDatabase::Access::ReadWrite, &error)) {
        bench.critical(texts::cannotSaveToDatabase(dbPath, error));
        return true;
    }
    // Found out before anything is written: a file that cannot be written is said once.
    if (!db.isWritable(&error)) {
        bench.critical(texts::cannotSaveToDatabase(dbPath, error));
        return true;
    }
    TableWriter writer(bench, db);
    // The whole save is one transaction: it is on disk completely or not at all.
    if (!db.begin(&error)) {
        bench.critical(texts::cannotSaveToDatabase(dbPath, error));
        return true;
    }
    // On a server others save too: a text both sides changed is settled first, never overwritten unasked.
    OthersEdits others;
    if (db.isServer()) {
        if (!others.gather(bench, db, &error)) {
            db.rollback();
            bench.critical(texts::cannotSaveToDatabase(dbPath, error));
            return true;
        }
        if (others.hasConflicts()) {
            switch (bench.prompts().message(others.question(bench), Buttons::KeepMineTheirsCancel, Icon::Question, NoTitle)) {
            case Answer::Yes:
                break;
            case Answer::No:
                others.keepTheirs(bench);
                break;
            default:
                db.rollback();
                return true; // nothing saved; the edits stay
            }
        }
    }
    if (!writer.prepare(&error)) {
        db.rollback();
        bench.critical(texts::cannotSaveToDatabase(dbPath, error));
        return true;
    }
    // Whether the database gave up the transaction: then nothing is saved, and that is said.
    const auto gaveUp = [&] {
        if (writer.fatalError().isEmpty() && db.inTransaction())
            return false;
        db.rollback();
        const QString cause = writer.fatalError().isEmpty() ? db.lastError() : writer.fatalError();
        bench.critical(texts::cannotSaveToDatabase(dbPath, cause));
        return true;
    };
    for (int row = 1; row <= TableRows; ++row) {
        writer.saveRow(row);
        if (gaveUp())
            return true;
        if (rowVisited)
            rowVisited(row);
    }
    writer.flush();
    if (gaveUp())
        return true;
    if (!db.commit(&error)) {
        db.rollback();
        bench.critical(texts::cannotSaveToDatabase(dbPath, error));
        return true;
    }
    writer.recordIn(bench.storedSnapshot());
    others.afterSave(bench);
    bench.lastSaveTakenIn = static_cast<int>(others.theirsOnly());
    bench.lastSaveWrites = writer.writes();
    const std::vector<std::pair<int, int>> cleaned = writer.showStoredTexts();
    bench.history().cellsStoredAs(cleaned);
    bench.lastSaveCleaned = static_cast<int>(cleaned.size());
    // Texts in rows the save could not name stay unsaved work: closing still asks.
    const QList<int> &unnumbered = writer.unnumberedRows();
    const QList<int> &notWhole = writer.notWholeRows();
    bench.state().IsModified = !unnumbered.isEmpty() || !notWhole.isEmpty();
    if (!unnumbered.isEmpty() || !notWhole.isEmpty())
        bench.prompts().message(texts::rowsNotSaved(unnumbered, notWhole), Buttons::Ok, Icon::Exclamation, NoTitle);
    return false;
}

} // namespace lng
