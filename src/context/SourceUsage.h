#pragma once

#include "SourceIndex.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <thread>

class QFileSystemWatcher;

namespace lng {

class Sheet;

// Where the active message is used: the source listing read into a SourceIndex on a thread
// of its own, once per load and again whenever the file changes, so that moving from row to
// row costs a look-up and the reading of a few lines, never a scan.
class SourceUsage : public QObject {
    Q_OBJECT
public:
    enum class State { NotRead, Reading, Ready, Missing, Unreadable };

    // One line of the listing that calls the message, as the source context window shows it.
    struct Use {
        QString line;     // as read
        QString resolved; // its calls replaced by the edited-language texts
        QStringList texts;
    };

    explicit SourceUsage(QString path, QObject *parent = nullptr);
    ~SourceUsage() override;

    // Starts reading the listing again; the one being read, if any, is given up.
    void reload();
    // Waits for the reading under way and takes its result now (tests and benchmarks).
    void waitUntilRead();

    State state() const { return m_state; }
    // One line for the pane where there are no uses to show ("Reading the source listing…").
    QString note() const;
    const std::shared_ptr<const SourceIndex> &index() const { return m_index; }

    // The uses of the message of the table's row `row`; empty, with note() saying why, when
    // the listing is not ready.
    std::vector<Use> usesOf(const Sheet &table, int row);
    // The table's message numbers changed (a load, an import, an undo): looked up afresh next time.
    void numbersChanged() { m_rowsKnown = false; }

signals:
    void changed(); // the state or the index changed: whatever shows uses should ask again

private:
    void stopReading();
    void takeResult();
    void watch();

    QString m_path;
    State m_state = State::NotRead;
    QString m_error;
    std::shared_ptr<const SourceIndex> m_index;
    std::unordered_map<double, int> m_rows; // the table's rows by message number, for resolving
    bool m_rowsKnown = false;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer m_settle; // a file being written changes many times: read it once it is quiet

    std::thread m_thread;
    std::atomic_bool m_cancel {false};
    std::mutex m_resultLock;
    bool m_resultReady = false;
    std::shared_ptr<const SourceIndex> m_result;
    QString m_resultError;
};

} // namespace lng
