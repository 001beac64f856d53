#include "RecoveryJournal.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <chrono>

namespace lng {

namespace {
constexpr char kMagic[] = "LNG-UNSAVED 1\n";

std::uint32_t crc32(const QByteArray &bytes)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t {};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (char byte : bytes)
        c = table[(c ^ static_cast<unsigned char>(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

QByteArray escape(const QString &text)
{
    QByteArray out;
    const QByteArray utf8 = text.toUtf8();
    out.reserve(utf8.size());
    for (char ch : utf8) {
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += ch; break;
        }
    }
    return out;
}

QString unescape(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\\' && i + 1 < bytes.size()) {
            const char next = bytes[++i];
            out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            out += bytes[i];
        }
    }
    return QString::fromUtf8(out);
}
} // namespace

QByteArray RecoveryJournal::encode(const JournalRecord &r)
{
    // number, field, time, base (N for none, T and the text), text
    const QByteArray payload = QByteArray::number(r.number) + '\t' + QByteArray::number(r.field) + '\t' + QByteArray::number(r.time)
                               + '\t' + (r.base ? "T" + escape(*r.base) : QByteArray("N")) + '\t' + escape(r.text);
    return "R\t" + QByteArray::number(payload.size()) + '\t' + QByteArray::number(crc32(payload), 16).rightJustified(8, '0') + '\t'
           + payload + '\n';
}

std::vector<JournalRecord> RecoveryJournal::read(const QString &path)
{
    std::vector<JournalRecord> records;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return records;
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith(kMagic))
        return records;
    const QByteArrayView all(bytes);
    qsizetype at = static_cast<qsizetype>(sizeof kMagic - 1);
    while (at < all.size()) {
        // R \t length \t crc \t payload \n
        const qsizetype lengthEnd = all.indexOf('\t', at + 2);
        const qsizetype crcEnd = lengthEnd < 0 ? -1 : all.indexOf('\t', lengthEnd + 1);
        if (!all.sliced(at).startsWith("R\t") || crcEnd < 0)
            break;
        bool ok = false;
        const qsizetype length = all.sliced(at + 2, lengthEnd - at - 2).toLongLong(&ok);
        const std::uint32_t crc = all.sliced(lengthEnd + 1, crcEnd - lengthEnd - 1).toUInt(nullptr, 16);
        if (!ok || length < 0 || crcEnd + 1 + length >= all.size() || all[crcEnd + 1 + length] != '\n')
            break; // torn
        const QByteArray payload = all.sliced(crcEnd + 1, length).toByteArray();
        if (crc32(payload) != crc)
            break; // damaged
        const QList<QByteArray> parts = payload.split('\t');
        if (parts.size() != 5)
            break;
        JournalRecord record;
        record.number = parts[0].toLongLong();
        record.field = parts[1].toInt();
        record.time = parts[2].toLongLong();
        if (parts[3].startsWith('T'))
            record.base = unescape(parts[3].mid(1));
        record.text = unescape(parts[4]);
        records.push_back(std::move(record));
        at = crcEnd + 1 + length + 1;
    }
    return records;
}

RecoveryJournal::RecoveryJournal(QString path, std::unique_ptr<JournalFile> file)
    : m_path(std::move(path))
    , m_file(std::move(file))
    , m_thread([this] { run(); })
{
}

RecoveryJournal::~RecoveryJournal()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    m_file->close();
}

void RecoveryJournal::add(const JournalRecord &record)
{
    const QByteArray bytes = encode(record);
    {
        std::lock_guard lock(m_mutex);
        if (m_pending.isEmpty())
            m_firstPending = std::chrono::steady_clock::now();
        m_pending += bytes;
        ++m_queued;
    }
    m_wake.notify_one();
}

void RecoveryJournal::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_pending.isEmpty(); });
        if (m_pending.isEmpty() && m_stop)
            return;
        // Edits that follow within the window share one write and one sync. The window leaves
        // room for the sync, as long as the last one took, so that the first edit of a batch is
        // on the disk within a second, and continuous typing needs one sync a second.
        const auto window = std::chrono::milliseconds(FlushMilliseconds) - m_lastSync - std::chrono::milliseconds(5);
        const auto deadline = m_firstPending + std::max<std::chrono::steady_clock::duration>(window, std::chrono::milliseconds(100));
        m_wake.wait_until(lock, deadline, [this] { return m_stop || m_flushNow; });
        m_flushNow = false;
        const QByteArray bytes = std::exchange(m_pending, {});
        const std::uint64_t queued = m_queued;
        lock.unlock();
        QString error;
        const auto started = std::chrono::steady_clock::now();
        const bool ok = writeOut(bytes, &error);
        lock.lock();
        m_lastSync = std::min<std::chrono::steady_clock::duration>(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
        if (ok) {
            ++m_syncs;
            m_durable = queued;
        } else {
            m_durable = queued; // nothing waits for what cannot be written
        }
        m_written.notify_all();
        if (!ok) {
            lock.unlock();
            reportFailure(error);
            lock.lock();
        }
    }
}

bool RecoveryJournal::writeOut(const QByteArray &bytes, QString *error)
{
    if (!m_open) {
        bool created = false;
        if (!m_file->open(m_path, &created, error))
            return false;
        if (created && (!m_file->append(kMagic, error) || !m_file->sync(error)
                        || !m_file->syncFolder(QFileInfo(m_path).absolutePath(), error)))
            return false;
        m_open = true;
    }
    if (!m_file->append(bytes, error) || !m_file->sync(error))
        return false;
    m_failed = false;
    return true;
}

void RecoveryJournal::reportFailure(const QString &cause)
{
    // Said once, on the thread that owns this object.
    QMetaObject::invokeMethod(this, [this, cause] {
        if (m_failed)
            return;
        m_failed = true;
        emit failed(cause);
    }, Qt::QueuedConnection);
}

void RecoveryJournal::flush()
{
    std::unique_lock lock(m_mutex);
    const std::uint64_t target = m_queued;
    m_flushNow = true;
    m_wake.notify_all();
    m_written.wait(lock, [&] { return m_durable >= target; });
}

void RecoveryJournal::discard()
{
    flush();
    std::lock_guard lock(m_mutex);
    m_file->close();
    m_open = false;
    QFile::remove(m_path);
}

void RecoveryJournal::keepOnlyOtherFields(const std::set<int> &fields)
{
    flush();
    std::vector<JournalRecord> kept;
    for (JournalRecord &record : read(m_path)) {
        if (!fields.count(record.field))
            kept.push_back(std::move(record));
    }
    std::lock_guard lock(m_mutex);
    m_file->close();
    m_open = false;
    if (kept.empty()) {
        QFile::remove(m_path);
        return;
    }
    QSaveFile out(m_path); // the rewrite replaces the file in one step
    if (out.open(QIODevice::WriteOnly)) {
        out.write(kMagic);
        for (const JournalRecord &record : kept)
            out.write(encode(record));
        out.commit();
    }
}

int RecoveryJournal::syncs() const
{
    std::lock_guard lock(m_mutex);
    return m_syncs;
}

} // namespace lng
