#include "TableSaver.h"

#include "MessageDatabase.h"
#include "app/Texts.h"
#include "app/Workbench.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace lng {

QString CleanText(const QString &text)
{
    QString cleaned = text;
    for (QChar &ch : cleaned) {
        if (ch.unicode() < 32)
            ch = QLatin1Char(' ');
        else if (ch == QLatin1Char('"'))
            ch = QLatin1Char('\'');
    }
    qsizetype start = 0;
    qsizetype end = cleaned.size();
    while (start < end && cleaned[start] == QLatin1Char(' '))
        ++start;
    while (end > start && cleaned[end - 1] == QLatin1Char(' '))
        --end;
    return cleaned.mid(start, end - start);
}

namespace {

// The stored values of the fields a save may write, for one record.
using StoredFields = std::unordered_map<int, std::optional<QString>>;

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
    TableWriter(Workbench &bench, MessageDatabase &db) : m_bench(bench), m_db(db), m_table(bench.table()) {}

    // The (column, field) pairs the save writes, in order: column 2 first, column 5 last.
    std::vector<std::pair<int, int>> columnsToWrite() const
    {
        const SharedState &state = m_bench.state();
        std::vector<std::pair<int, int>> columns;
        if (state.IsUnlocked) {
            columns = {{CommentsColumn, 1}, {EnglishColumn, 2}, {SecondColumn, state.SecondLanguageField}};
        }
        columns.emplace_back(EditedColumn, state.EditedLanguageField);
        return columns;
    }

    bool readStoredValues(QString *error)
    {
        std::vector<int> fields;
        for (const auto &[column, field] : columnsToWrite()) {
            if (std::find(fields.begin(), fields.end(), field) == fields.end())
                fields.push_back(field);
        }
        m_fields = fields;
        m_records.reserve(TableRows * 2);
        return m_db.forEachRecord(
            fields,
            [&](const MessageDatabase::RecordView &record) {
                StoredFields stored;
                for (std::size_t i = 0; i < m_fields.size(); ++i)
                    stored[m_fields[i]] = record.field(static_cast<int>(i));
                m_records[record.number()] = std::move(stored);
            },
            error);
    }

    // Saves one row. Step failures are reported and the row goes on as far as it can.
    void saveRow(int row)
    {
        const double n = m_table.CellNumber(row, PositionColumn);
        if (!(n > 0))
            return;
        if (n != std::floor(n) || n > 9.0e15) {
            report(texts::notWholeNumber(row, n));
            return;
        }
        const auto number = static_cast<std::int64_t>(n);
        const auto found = m_records.find(n);
        if (found != m_records.end()) {
            // Compare every column with the value its field held before this row was written:
            // when two columns share a field, the one the user changed wins over an unchanged
            // one; when both changed, the later column wins.
            StoredFields &stored = found->second;
            MessageDatabase::FieldValues changes;
            for (const auto &[column, field] : columnsToWrite()) {
                const QString text = CleanText(m_table.CellText(row, column));
                const std::optional<QString> &before = stored[field];
                if (!before || *before != text)
                    changes[field] = text;
            }
            if (changes.empty())
                return;
            QString error;
            if (m_db.updateRecord(number, changes, &error)) {
                for (const auto &[field, text] : changes)
                    stored[field] = text;
                return;
            }
            if (!m_db.inTransaction())
                return giveUp(error);
            // Find out which value the database refuses: assign the fields one by one, so the
            // others are still stored.
            for (const auto &[field, text] : changes) {
                if (m_db.updateRecord(number, {{field, text}}, &error))
                    stored[field] = text;
                else if (!m_db.inTransaction())
                    return giveUp(error);
                else
                    report(error);
            }
            return;
        }
        if (!m_bench.state().IsUnlocked)
            return;
        MessageDatabase::FieldValues values;
        for (const auto &[column, field] : columnsToWrite())
            values[field] = CleanText(m_table.CellText(row, column));
        QString error;
        if (!m_db.addRecord(number, values, &error)) {
            if (!m_db.inTransaction())
                return giveUp(error);
            report(error);
            return;
        }
        StoredFields stored;
        for (const auto &[field, text] : values)
            stored[field] = text;
        m_records[n] = std::move(stored);
    }

    // Set when the database gave up the transaction (disk full, I/O error): nothing is saved.
    const QString &fatalError() const { return m_fatal; }

private:
    void report(const QString &error) { m_bench.critical(error); }
    void giveUp(const QString &error) { m_fatal = error.isEmpty() ? m_db.connection().lastError() : error; }

    Workbench &m_bench;
    MessageDatabase &m_db;
    Sheet &m_table;
    std::vector<int> m_fields;
    std::unordered_map<double, StoredFields> m_records;
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
    if (!db.open(dbPath, MessageDatabase::Access::ReadWrite, &error)) {
        bench.critical(texts::cannotSaveToDatabase(dbPath, error));
        return true;
    }
    TableWriter writer(bench, db);
    // The whole save is one transaction: it is on disk completely or not at all.
    if (!db.begin(&error) || !writer.readStoredValues(&error)) {
        db.rollback();
        bench.critical(texts::cannotSaveToDatabase(dbPath, error));
        return true;
    }
    for (int row = 1; row <= TableRows; ++row) {
        writer.saveRow(row);
        if (!writer.fatalError().isEmpty() || !db.inTransaction()) {
            db.rollback();
            const QString cause = writer.fatalError().isEmpty() ? db.connection().lastError() : writer.fatalError();
            bench.critical(texts::cannotSaveToDatabase(dbPath, cause));
            return true;
        }
        if (rowVisited)
            rowVisited(row);
    }
    if (!db.commit(&error)) {
        db.rollback();
        bench.critical(texts::cannotSaveToDatabase(dbPath, error));
        return true;
    }
    bench.state().IsModified = false;
    return false;
}

} // namespace lng
