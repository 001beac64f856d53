#pragma once

#include "JournalFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace lng {

// One edit as the journal keeps it: which field of which message became what, when, and what
// the database held for it when the table was loaded (nullopt: Null, or not known).
struct JournalRecord {
    std::int64_t number = 0;
    int field = 0;
    qint64 time = 0; // milliseconds since the epoch
    std::optional<QString> base;
    QString text;

    bool operator==(const JournalRecord &) const = default;
};

// The recovery journal beside the database: every change the user makes to the table is
// appended as a checksummed record, and reaches the disk (written and synced) within a second,
// batched by a thread of its own, so typing never waits for the disk. A torn last record is
// ignored; the ones before it count.
class RecoveryJournal : public QObject {
    Q_OBJECT
public:
    // Within this long an edit is on the disk.
    static constexpr int FlushMilliseconds = 1000;

    explicit RecoveryJournal(QString path, std::unique_ptr<JournalFile> file = std::make_unique<PosixJournalFile>());
    ~RecoveryJournal() override;

    const QString &path() const { return m_path; }

    // Appends a record (cheap: the disk is the writer thread's).
    void add(const JournalRecord &record);
    // Writes what is pending now and waits for it (before a save's rewrite, at exit).
    void flush();
    // Removes every record (after No at the close prompt, or a load that discards the edits).
    void discard();
    // Keeps only the records whose field is not in `fields` (after a save wrote those fields).
    void keepOnlyOtherFields(const std::set<int> &fields);
    // How many times the file was synced, for benchmarks.
    int syncs() const;

    // The records of a journal file, up to the first torn or damaged one.
    static std::vector<JournalRecord> read(const QString &path);
    static QByteArray encode(const JournalRecord &record);

signals:
    // Writing failed; said once until the journal works again.
    void failed(const QString &cause);

private:
    void run();
    bool writeOut(const QByteArray &bytes, QString *error);
    void reportFailure(const QString &cause);

    QString m_path;
    std::unique_ptr<JournalFile> m_file;
    bool m_open = false;
    bool m_failed = false;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_written;
    QByteArray m_pending;
    std::uint64_t m_queued = 0;  // records queued so far
    std::uint64_t m_durable = 0; // records on the disk
    bool m_stop = false;
    bool m_flushNow = false;
    std::chrono::steady_clock::time_point m_firstPending; // when the oldest pending edit came
    std::chrono::steady_clock::duration m_lastSync {};   // how long the last write and sync took
    int m_syncs = 0;
    std::thread m_thread;
};

} // namespace lng
