#include "JournalFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lng {

namespace {
bool fail(QString *error)
{
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}
} // namespace

bool PosixJournalFile::open(const QString &path, bool *created, QString *error)
{
    close();
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    *created = ::stat(name.constData(), &st) != 0;
    m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    return m_fd >= 0 || fail(error);
}

bool PosixJournalFile::append(const QByteArray &bytes, QString *error)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(error);
        done += n;
    }
    return true;
}

bool PosixJournalFile::sync(QString *error)
{
    return ::fdatasync(m_fd) == 0 || fail(error);
}

bool PosixJournalFile::syncFolder(const QString &folder, QString *error)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return fail(error);
    const bool ok = ::fsync(fd) == 0 || fail(error);
    ::close(fd);
    return ok;
}

void PosixJournalFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace lng
