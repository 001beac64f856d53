#include "Migration.h"

#include "ServerDatabase.h"
#include "db/MessageDatabase.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <map>
#include <vector>

namespace lng {

namespace {
using Record = std::vector<std::optional<QString>>;

std::vector<int> textFields()
{
    std::vector<int> fields;
    for (int field = 1; field < MessageDatabase::FieldCount; ++field)
        fields.push_back(field);
    return fields;
}

// Every record by number, and the checksum of them all.
bool readAll(const MessageDatabase &db, std::map<std::int64_t, Record> *records, QString *checksum, QString *error)
{
    records->clear();
    bool whole = true;
    const std::vector<int> fields = textFields();
    const bool read = db.forEachRawRecord(
        fields,
        [&](const MessageDatabase::StoredNumber &number, const MessageDatabase::RawField *raw) {
            const std::optional<std::int64_t> key = wholeNumber(number.value);
            if (!key) {
                whole = false;
                return;
            }
            Record &record = (*records)[*key];
            for (std::size_t i = 0; i < fields.size(); ++i)
                record.push_back(raw[i].isNull ? std::nullopt : std::optional<QString>(QString::fromUtf8(raw[i].data, raw[i].size)));
        },
        error, MessageDatabase::EmptyTable::IsFine);
    if (!read)
        return false;
    if (!whole) {
        if (error)
            *error = QStringLiteral("a message number is not a whole number; such a database cannot be copied");
        return false;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const auto &[number, record] : *records) {
        hash.addData(QByteArray::number(static_cast<qlonglong>(number)) + '\x1e');
        for (const std::optional<QString> &text : record)
            hash.addData(text ? text->toUtf8() + '\x1f' : QByteArray("\x1d"));
    }
    *checksum = QString::fromLatin1(hash.result().toHex());
    return true;
}
} // namespace

bool migrateDatabase(const QString &from, const QString &to, MigrationReport *report, QString *error)
{
    const auto fail = [error](const QString &cause) {
        if (error)
            *error = cause;
        return false;
    };
    MessageDatabase source;
    QString cause;
    if (!source.open(from, MessageDatabase::Access::ReadOnly, &cause))
        return fail(from + QStringLiteral(": ") + cause);
    std::map<std::int64_t, Record> records;
    QString checksum;
    std::vector<MessageDatabase::IgnoredFinding> ignored;
    if (!readAll(source, &records, &checksum, &cause) || !source.readIgnoredFindings(&ignored, &cause))
        return fail(from + QStringLiteral(": ") + cause);

    const bool toServer = isConnectionString(to) && !QFileInfo::exists(to);
    const QString shownTarget = toServer ? shownServer(to) : to;
    MessageDatabase target;
    if (!toServer && QFileInfo::exists(to))
        return fail(to + QStringLiteral(": the file already exists; migrate writes a new one"));
    // A failed copy into a file leaves no file behind.
    struct NewFile {
        QString path;
        ~NewFile()
        {
            if (!path.isEmpty())
                QFile::remove(path);
        }
    } madeFile;
    if (!target.open(to, MessageDatabase::Access::ReadWrite, &cause)) {
        // A server without the table gets it; a new file is made.
        if (!MessageDatabase::create(to, &cause))
            return fail(shownTarget + QStringLiteral(": ") + cause);
        if (!toServer)
            madeFile.path = to;
        if (!target.open(to, MessageDatabase::Access::ReadWrite, &cause))
            return fail(shownTarget + QStringLiteral(": ") + cause);
    }
    int held = 0;
    std::vector<int> counts;
    if (!target.countTranslated({}, &held, &counts, &cause))
        return fail(shownTarget + QStringLiteral(": ") + cause);
    if (held > 0)
        return fail(shownTarget + QStringLiteral(": the table already holds %1 messages; migrate copies into an empty one").arg(held));

    if (!target.begin(&cause))
        return fail(shownTarget + QStringLiteral(": ") + cause);
    for (const auto &[number, record] : records) {
        MessageDatabase::FieldValues values;
        for (std::size_t i = 0; i < record.size(); ++i) {
            if (record[i])
                values[static_cast<int>(i) + 1] = *record[i];
        }
        if (!target.addRecord(number, values, &cause)) {
            target.rollback();
            return fail(shownTarget + QStringLiteral(": ") + cause + QStringLiteral("; nothing was copied"));
        }
    }
    for (const MessageDatabase::IgnoredFinding &finding : ignored) {
        if (!target.addIgnoredFinding(finding, &cause)) {
            target.rollback();
            return fail(shownTarget + QStringLiteral(": ") + cause + QStringLiteral("; nothing was copied"));
        }
    }
    // What the target now holds, read back inside the transaction, must be what was read.
    std::map<std::int64_t, Record> copied;
    QString copiedChecksum;
    if (!readAll(target, &copied, &copiedChecksum, &cause) || copied.size() != records.size() || copiedChecksum != checksum) {
        target.rollback();
        return fail(shownTarget + QStringLiteral(": the copy does not match the original (%1); nothing was copied")
                                      .arg(cause.isEmpty() ? QStringLiteral("%1 of %2 records, checksums differ").arg(copied.size()).arg(records.size()) : cause));
    }
    std::vector<MessageDatabase::IgnoredFinding> copiedIgnored;
    if (!target.readIgnoredFindings(&copiedIgnored, &cause) || copiedIgnored.size() != ignored.size()) {
        target.rollback();
        return fail(shownTarget + QStringLiteral(": the copy does not match the original (%1); nothing was copied")
                                      .arg(cause.isEmpty() ? QStringLiteral("%1 of %2 ignored findings").arg(copiedIgnored.size()).arg(ignored.size()) : cause));
    }
    if (!target.commit(&cause))
        return fail(shownTarget + QStringLiteral(": ") + cause + QStringLiteral("; nothing was copied"));
    madeFile.path.clear(); // kept
    report->messages = static_cast<int>(records.size());
    report->ignoredFindings = static_cast<int>(ignored.size());
    report->checksum = checksum;
    return true;
}

} // namespace lng
