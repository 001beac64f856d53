#include "SourceUsage.h"

#include "SourceScan.h"
#include "app/Workbench.h"
#include "grid/Sheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace lng {

SourceUsage::SourceUsage(QString path, QObject *parent)
    : QObject(parent)
    , m_path(std::move(path))
{
    // Without an event loop (the command line, tests) there is nothing to tell of changes.
    if (QCoreApplication::instance())
        m_watcher = new QFileSystemWatcher(this);
    m_settle.setSingleShot(true);
    m_settle.setInterval(300);
    connect(&m_settle, &QTimer::timeout, this, &SourceUsage::reload);
    const auto changedOnDisk = [this] {
        if (m_state != State::NotRead)
            m_settle.start();
    };
    if (!m_watcher)
        return;
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, changedOnDisk);
    // The folder tells when the listing appears, or is replaced by a new file of the same name.
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this, changedOnDisk] {
        if (!m_index || !m_index->stillCurrent() || (m_state == State::Missing && QFileInfo(m_path).isFile()))
            changedOnDisk();
    });
}

SourceUsage::~SourceUsage()
{
    stopReading();
}

void SourceUsage::stopReading()
{
    if (m_thread.joinable()) {
        m_cancel = true;
        m_thread.join();
    }
    m_cancel = false;
    const std::lock_guard lock(m_resultLock);
    m_resultReady = false;
    m_result.reset();
}

void SourceUsage::watch()
{
    if (!m_watcher)
        return;
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!m_watcher->directories().contains(folder))
        m_watcher->addPath(folder);
    if (QFileInfo(m_path).isFile() && !m_watcher->files().contains(m_path))
        m_watcher->addPath(m_path);
}

void SourceUsage::reload()
{
    stopReading();
    m_settle.stop();
    watch();
    if (!QFileInfo(m_path).isFile()) {
        m_index.reset();
        m_state = State::Missing;
        emit changed();
        return;
    }
    m_state = State::Reading;
    emit changed();
    m_thread = std::thread([this] {
        QString error;
        std::shared_ptr<const SourceIndex> index = SourceIndex::build(m_path, &error, &m_cancel);
        if (m_cancel)
            return;
        {
            const std::lock_guard lock(m_resultLock);
            m_result = std::move(index);
            m_resultError = std::move(error);
            m_resultReady = true;
        }
        QMetaObject::invokeMethod(this, &SourceUsage::takeResult, Qt::QueuedConnection);
    });
}

void SourceUsage::waitUntilRead()
{
    if (m_thread.joinable())
        m_thread.join();
    takeResult();
}

void SourceUsage::takeResult()
{
    {
        const std::lock_guard lock(m_resultLock);
        if (!m_resultReady)
            return;
        m_resultReady = false;
        m_index = std::move(m_result);
        m_error = std::move(m_resultError);
    }
    if (m_thread.joinable())
        m_thread.join(); // it has handed its result over and is ending
    m_state = m_index ? State::Ready : State::Unreadable;
    emit changed();
}

QString SourceUsage::note() const
{
    switch (m_state) {
    case State::NotRead:
        return tr("The source listing is read when the table is loaded.");
    case State::Reading:
        return tr("Reading the source listing\u2026");
    case State::Missing:
        return tr("No source listing: %1 is missing.").arg(QDir::toNativeSeparators(m_path));
    case State::Unreadable:
        return tr("Cannot read %1: %2").arg(QDir::toNativeSeparators(m_path), m_error);
    case State::Ready:
        break;
    }
    return {};
}

std::vector<SourceUsage::Use> SourceUsage::usesOf(const Sheet &table, int row)
{
    std::vector<Use> uses;
    if (m_state != State::Ready || !m_index)
        return uses;
    QString error;
    const std::optional<std::vector<SourceIndex::Line>> lines = m_index->linesCalling(table.CellNumber(row, PositionColumn), &error);
    if (!m_index->stillCurrent()) {
        reload(); // changed since it was read: the pane shows "Reading…" until it is read again
        return uses;
    }
    if (!lines) {
        m_error = error;
        m_state = State::Unreadable;
        return uses;
    }
    if (!m_rowsKnown) {
        m_rows = CallResolver::rowIndex(table);
        m_rowsKnown = true;
    }
    CallResolver resolver(table, m_rows);
    for (const SourceIndex::Line &line : *lines) {
        Use use {line.shown, line.text, {}};
        use.texts = resolver.resolve(use.resolved);
        uses.push_back(std::move(use));
    }
    return uses;
}

} // namespace lng
