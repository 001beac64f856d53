#pragma once

#include <QByteArray>
#include <QString>

namespace lng {

// The file operations the recovery journal makes, so that tests can count and fail them.
class JournalFile {
public:
    virtual ~JournalFile() = default;
    // Opens `path` for appending; `created` says whether the file is new.
    virtual bool open(const QString &path, bool *created, QString *error) = 0;
    virtual bool append(const QByteArray &bytes, QString *error) = 0;
    virtual bool sync(QString *error) = 0;              // the file's data to the disk
    virtual bool syncFolder(const QString &folder, QString *error) = 0; // a new or removed name to the disk
    virtual void close() = 0;
};

// Through POSIX calls: write, fdatasync, fsync of the folder.
class PosixJournalFile : public JournalFile {
public:
    ~PosixJournalFile() override { close(); }
    bool open(const QString &path, bool *created, QString *error) override;
    bool append(const QByteArray &bytes, QString *error) override;
    bool sync(QString *error) override;
    bool syncFolder(const QString &folder, QString *error) override;
    void close() override;

private:
    int m_fd = -1;
};

} // namespace lng
