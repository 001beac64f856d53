#pragma once

#include "RecoveryJournal.h"

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <set>

namespace lng {

class Workbench;

// Keeps the unsaved edits of one window safe: one window per database (the journal's lock),
// the journal of every change the user makes, and the offer to restore it after a window
// that did not close normally.
class RecoverySession : public QObject {
    Q_OBJECT
public:
    explicit RecoverySession(Workbench &bench);
    ~RecoverySession() override;

    QString journalPath() const;
    // After a load: takes the lock, offers what a journal holds, starts journaling.
    void afterLoad();
    // After a save that committed: `fields` were written, everything when `everything`.
    void afterSave(bool everything, const std::set<int> &fields);
    // The edits are given up (No at a close or save-first question).
    void discard();
    // Set when another window holds the database for editing: this one may only read.
    const QString &editingElsewhere() const { return m_elsewhere; }
    RecoveryJournal *journal() const { return m_journal.get(); }
    // For tests: the file operations a new journal uses.
    void setFileFactory(std::function<std::unique_ptr<JournalFile>()> factory) { m_fileFactory = std::move(factory); }

private:
    void cellChanged(int row, int col);
    void offerRestore(const std::vector<JournalRecord> &records);

    Workbench &m_bench;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<RecoveryJournal> m_journal;
    std::function<std::unique_ptr<JournalFile>()> m_fileFactory;
    QString m_elsewhere;
    bool m_restoring = false;
};

} // namespace lng
