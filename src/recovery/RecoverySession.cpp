#include "RecoverySession.h"

#include "app/Workbench.h"
#include "db/MessageDatabase.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QSysInfo>

#include <signal.h>

#include <cerrno>

#include <map>

namespace lng {

RecoverySession::RecoverySession(Workbench &bench)
    : m_bench(bench)
    , m_fileFactory([] { return std::make_unique<PosixJournalFile>(); })
{
    bench.history().setCellObserver([this](int row, int col) { cellChanged(row, col); });
}

RecoverySession::~RecoverySession()
{
    m_bench.history().setCellObserver({});
}

QString RecoverySession::journalPath() const
{
    return m_bench.databasePath() + QStringLiteral("-unsaved");
}

void RecoverySession::afterLoad()
{
    if (!m_lock) {
        auto lock = std::make_unique<QLockFile>(journalPath() + QStringLiteral(".lock"));
        lock->setStaleLockTime(0); // a lock is stale only when its process is gone
        if (!lock->tryLock(0)) {
            if (lock->error() != QLockFile::LockFailedError)
                return; // a folder that cannot be written: no journal, and the load said why
            qint64 pid = 0;
            QString host;
            QString application;
            lock->getLockInfo(&pid, &host, &application);
            // The lock of a program that is gone, which a read-only folder keeps from being
            // cleared: nobody edits, and nothing can be saved here anyway.
            if (host == QSysInfo::machineHostName() && pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
                return;
            m_elsewhere = QStringLiteral("The database %1 is already open for editing in another window (process %2 on %3). "
                                         "You can read it here; this window cannot save.")
                              .arg(m_bench.databasePath()).arg(pid).arg(host);
            m_bench.information(m_elsewhere);
            return;
        }
        m_lock = std::move(lock);
        m_elsewhere.clear();
    }
    if (!m_lock)
        return;
    if (!m_journal) {
        const std::vector<JournalRecord> records = RecoveryJournal::read(journalPath());
        if (!records.empty())
            offerRestore(records);
        else
            QFile::remove(journalPath()); // nothing in it: a torn header, or an empty file
        m_journal = std::make_unique<RecoveryJournal>(journalPath(), m_fileFactory());
        connect(m_journal.get(), &RecoveryJournal::failed, this, [this](const QString &cause) {
            m_bench.critical(QStringLiteral("Cannot write the recovery file %1\n\n%2\n\nYour edits are not protected "
                                            "against a crash until the next save; editing goes on.")
                                 .arg(journalPath(), cause));
        });
        return;
    }
    const std::vector<JournalRecord> records = RecoveryJournal::read(journalPath());
    if (!records.empty())
        offerRestore(records);
}

void RecoverySession::offerRestore(const std::vector<JournalRecord> &records)
{
    const SharedState &state = m_bench.state();
    // The fields the table shows, by column; edits of others wait until they are shown.
    // A field shown twice goes to the later column, which a save writes last.
    std::map<int, int> columnOf;
    columnOf[1] = CommentsColumn;
    columnOf[2] = EnglishColumn;
    columnOf[state.SecondLanguageField] = SecondColumn;
    columnOf[state.EditedLanguageField] = EditedColumn;
    std::vector<const JournalRecord *> shown;
    std::map<std::pair<std::int64_t, int>, const JournalRecord *> last;
    for (const JournalRecord &record : records) {
        if (columnOf.count(record.field)) {
            shown.push_back(&record);
            last[{record.number, record.field}] = &record;
        }
    }
    if (shown.empty())
        return;
    const QLocale english(QLocale::English);
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(shown.back()->time);
    QString text = QStringLiteral("%1 unsaved change%2 from %3 were found; the program did not close normally. Restore them?")
                       .arg(english.toString(static_cast<qlonglong>(last.size())), last.size() == 1 ? QString() : QStringLiteral("s"),
                            english.toString(when, QStringLiteral("d MMM yyyy HH:mm")));
    // What changed in the database meanwhile, or is no longer there: restored too, and said.
    const StoredSnapshot &snapshot = m_bench.storedSnapshot();
    QStringList conflicts;
    for (const auto &[key, record] : last) {
        if (!snapshot.has(record->number)) {
            conflicts << QStringLiteral("message %1 is no longer in the database; the journal holds \"%2\"").arg(record->number).arg(record->text);
            continue;
        }
        const std::optional<QString> *now = snapshot.value(record->number, record->field);
        if (now && record->base && now->value_or(QString()) != *record->base)
            conflicts << QStringLiteral("message %1: the database now holds \"%2\", the journal \"%3\"")
                             .arg(record->number).arg(now->value_or(QString()), record->text);
    }
    constexpr int kShown = 10;
    if (!conflicts.isEmpty()) {
        text += QStringLiteral("\n\nChanged elsewhere since, and restored all the same:\n") + conflicts.mid(0, kShown).join(QLatin1Char('\n'));
        if (conflicts.size() > kShown)
            text += QStringLiteral("\n... and %1 more").arg(conflicts.size() - kShown);
    }
    if (m_bench.prompts().message(text, Buttons::YesNo, Icon::Question, QStringLiteral("Restore unsaved changes?")) != Answer::Yes) {
        discard();
        QFile::remove(journalPath());
        return;
    }
    // In the order made, as one step the user can undo, and as the user's edits: unsaved.
    Sheet &table = m_bench.table();
    m_restoring = true;
    std::set<int> touched {PositionColumn};
    for (const JournalRecord *record : shown)
        touched.insert(columnOf.at(record->field));
    m_bench.history().recordChange(QStringLiteral("restore of unsaved changes"), TableRows,
                                   std::vector<int>(touched.begin(), touched.end()), [&] {
                                       for (const JournalRecord *record : shown) {
                                           const int row = static_cast<int>(record->number - RowOffset);
                                           if (row < 1 || row > TableRows)
                                               continue;
                                           if (table.CellTypeAt(row, PositionColumn) == CellType::Empty)
                                               table.SetCellNumber(row, PositionColumn, static_cast<double>(record->number));
                                           table.SetCellText(row, columnOf.at(record->field), record->text);
                                       }
                                       return true;
                                   });
    m_restoring = false;
}

void RecoverySession::cellChanged(int row, int col)
{
    if (!m_journal || m_restoring || col == PositionColumn)
        return;
    const Sheet &table = m_bench.table();
    if (table.CellTypeAt(row, PositionColumn) != CellType::Number)
        return;
    const std::optional<std::int64_t> number = wholeNumber(table.CellNumber(row, PositionColumn));
    if (!number || *number <= 0)
        return;
    const SharedState &state = m_bench.state();
    const int field = col == CommentsColumn ? 1 : col == EnglishColumn ? 2 : col == SecondColumn ? state.SecondLanguageField : state.EditedLanguageField;
    JournalRecord record;
    record.number = *number;
    record.field = field;
    record.time = QDateTime::currentMSecsSinceEpoch();
    if (const std::optional<QString> *base = m_bench.storedSnapshot().value(*number, field))
        record.base = base->value_or(QString());
    record.text = table.CellText(row, col);
    m_journal->add(record);
}

void RecoverySession::afterSave(bool everything, const std::set<int> &fields)
{
    if (m_journal && everything)
        m_journal->keepOnlyOtherFields(fields);
}

void RecoverySession::discard()
{
    if (m_journal)
        m_journal->discard();
}

} // namespace lng
