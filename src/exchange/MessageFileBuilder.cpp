#include "MessageFileBuilder.h"

#include "CodePage.h"
#include "app/Texts.h"
#include "db/MessageDatabase.h"

#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace lng {

namespace {
constexpr int kTextSlots = 10001; // message numbers 100..10100
constexpr int kFirstNumber = 100;

} // namespace

QString messageFileName(const QString &languageName)
{
    if (languageName.isEmpty())
        return {};
    for (QChar ch : languageName) {
        if (ch == QLatin1Char('/') || ch == QLatin1Char('\\') || ch.unicode() < 32 || ch.unicode() == 127)
            return {};
    }
    if (languageName == QLatin1String(".") || languageName == QLatin1String(".."))
        return {};
    return QStringLiteral("TQRes") + languageName + QStringLiteral(".dll");
}

namespace {
// Trims the space character at both ends of UTF-8 bytes (spaces are single bytes in UTF-8).
void trimSpaceBytes(const char *&data, int &size)
{
    while (size > 0 && data[0] == ' ')
        ++data, --size;
    while (size > 0 && data[size - 1] == ' ')
        --size;
}

// Whether the bytes are well-formed UTF-8 (no stray continuation byte, no cut or overlong
// sequence, no surrogate, nothing past U+10FFFF).
bool isValidUtf8(const char *data, int size)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    for (int i = 0; i < size;) {
        const unsigned char lead = bytes[i];
        int length;
        char32_t code;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > size)
            return false;
        for (int k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
            code = code << 6 | (bytes[i + k] & 0x3F);
        }
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

// One message file being written: the header, then one line per message number from 100 on,
// in the language's code page, into a temporary file that replaces the old one at the end.
class MessageFileWriter {
public:
    MessageFileWriter(BuildReport &report, const QString &language)
        : m_report(report)
        , m_language(language)
        , m_encoder(codePageForLanguage(language))
    {
        m_report.codePage = m_encoder.codePage();
    }

    bool open()
    {
        if (!m_encoder.isValid()) {
            m_report.error = QStringLiteral("code page %1 is not available on this system").arg(m_report.codePage);
            return false;
        }
        m_file = std::make_unique<QSaveFile>(m_report.path);
        m_buffer.resize(0);
        m_writeError.clear();
        clearFindings();
        // Unbuffered: each write reaches the file at once, so a failing one still has its errno.
        if (!m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            m_report.error = m_report.path + QStringLiteral(": ") + m_file->errorString();
            return false;
        }
        m_buffer.reserve(kFlushSize + 4096);
        m_buffer += "Tesmora V6\r\n6.07\r\n";
        m_encoder.encode(m_language, m_buffer);
        m_buffer += "\r\n";
        for (int line = 0; line < 27; ++line)
            m_buffer += "\r\n";
        return true;
    }

    // The next line: message number `number`'s text, trimmed of spaces. A line break or other
    // control character inside a stored text would move every later message down a line: it
    // is written as a space, as a save stores it.
    void line(const char *utf8, int size, std::int64_t number)
    {
        bool ascii = true;
        bool control = false;
        for (int i = 0; i < size; ++i) {
            const auto byte = static_cast<unsigned char>(utf8[i]);
            ascii = ascii && byte < 0x80;
            control = control || byte < 0x20;
        }
        QByteArray text;
        if (!ascii && !isValidUtf8(utf8, size)) {
            m_report.unreadable << number;
            text = QString::fromUtf8(utf8, size).toUtf8(); // each broken sequence becomes U+FFFD, then "?"
            utf8 = text.constData();
            size = static_cast<int>(text.size());
        }
        if (control) {
            m_report.lineBreaks << number;
            if (text.isEmpty())
                text = QByteArray(utf8, size);
            for (char &byte : text) {
                if (static_cast<unsigned char>(byte) < 0x20)
                    byte = ' ';
            }
            utf8 = text.constData();
            size = static_cast<int>(text.size());
        }
        trimSpaceBytes(utf8, size);
        if (!m_encoder.encodeUtf8(utf8, static_cast<std::size_t>(size), m_buffer))
            m_report.unrepresentable << number;
        m_buffer += "\r\n";
        if (m_buffer.size() >= kFlushSize)
            flush();
    }

    void emptyLines(int count)
    {
        for (int i = 0; i < count; ++i)
            m_buffer += "\r\n";
    }

    bool finish()
    {
        flush();
        if (!m_file->commit()) {
            m_report.error = m_report.path + QStringLiteral(": ") + (m_writeError.isEmpty() ? m_file->errorString() : m_writeError);
            return false;
        }
        return true;
    }

    // Drops what was written; the old file stays. open() starts the file again.
    void cancel()
    {
        if (m_file)
            m_file->cancelWriting();
        m_file.reset();
        clearFindings();
    }

private:
    static constexpr qsizetype kFlushSize = 64 * 1024;

    void flush()
    {
        // A failure shows at commit(); its cause is kept here, where errno still tells it.
        if (m_file->write(m_buffer) != m_buffer.size() && m_writeError.isEmpty())
            m_writeError = QString::fromLocal8Bit(std::strerror(errno));
        m_buffer.resize(0);
    }

    void clearFindings()
    {
        m_report.unrepresentable.clear();
        m_report.lineBreaks.clear();
        m_report.unreadable.clear();
    }

    BuildReport &m_report;
    QString m_language;
    CodePageEncoder m_encoder;
    std::unique_ptr<QSaveFile> m_file;
    QByteArray m_buffer;
    QString m_writeError;
};

// The line index (message number - 100) of a record, or -1 when its number has no line.
int lineOf(double n)
{
    const double index = n - kFirstNumber;
    return index >= 0 && index < kTextSlots && n == std::floor(n) ? static_cast<int>(index) : -1;
}
} // namespace

std::vector<BuildReport> buildMessageFilesIn(const QString &folder, const std::vector<std::pair<int, QString>> &languages,
                                             const QString &database)
{
    std::vector<BuildReport> reports(languages.size());
    std::vector<int> fields; // the fields to read, one per language that can be built
    std::vector<std::unique_ptr<MessageFileWriter>> writers;
    for (std::size_t i = 0; i < languages.size(); ++i) {
        const auto &[field, name] = languages[i];
        BuildReport &report = reports[i];
        const QString fileName = messageFileName(name);
        if (fileName.isEmpty()) {
            report.error = QStringLiteral("the language name \"%1\" cannot form a file name").arg(name);
            continue;
        }
        report.path = folder + QLatin1Char('/') + fileName;
        if (field < 1 || field >= MessageDatabase::FieldCount) {
            report.error = QStringLiteral("field %1 is not a language field").arg(field);
            continue;
        }
        fields.push_back(field);
        writers.push_back(std::make_unique<MessageFileWriter>(report, name));
    }
    if (fields.empty())
        return reports;

    const QString dbPath = database.isEmpty() ? folder + QLatin1Char('/') + MessageDatabase::FileName : database;
    MessageDatabase db;
    QString error;
    const auto failAll = [&](const QString &cause) {
        for (auto &writer : writers)
            writer->cancel();
        for (BuildReport &report : reports) {
            if (report.ok())
                report.error = cause;
        }
        return reports;
    };
    if (!db.open(dbPath, MessageDatabase::Access::ReadOnly, &error))
        return failAll(dbPath + QStringLiteral(": ") + error);
    std::vector<bool> open(writers.size());
    for (std::size_t w = 0; w < writers.size(); ++w)
        open[w] = writers[w]->open();

    // Records come in the order the table stores them, which is normally number order: then
    // every file is written as the records stream past, in one pass. A record out of order
    // sends the build to a second pass that places every text by its number first.
    std::vector<std::pair<double, QString>> leftOut; // (number, as stored)
    int next = 0; // the next line of every file
    bool ordered = true;
    const bool read = db.forEachRawRecord(
        fields,
        [&](const MessageDatabase::StoredNumber &number, const MessageDatabase::RawField *raw) {
            const double n = number.value;
            const int k = lineOf(n);
            if (k < 0) {
                leftOut.emplace_back(n, number.shown());
                return;
            }
            if (!ordered || k < next) {
                ordered = false;
                return;
            }
            for (std::size_t w = 0; w < writers.size(); ++w) {
                if (!open[w])
                    continue;
                writers[w]->emptyLines(k - next);
                writers[w]->line(raw[w].data, raw[w].size, static_cast<std::int64_t>(n));
            }
            next = k + 1;
        },
        &error);
    if (!read)
        return failAll(dbPath + QStringLiteral(": ") + error);

    if (!ordered) {
        for (std::size_t w = 0; w < writers.size(); ++w) {
            if (open[w]) {
                writers[w]->cancel();
                open[w] = writers[w]->open();
            }
        }
        // Every text kept as UTF-8 in one arena, placed by its line; a later record with the
        // same number replaces an earlier one.
        struct Slot {
            qsizetype offset = -1; // -1: no record, an empty line
            int size = 0;
        };
        QByteArray arena;
        std::vector<std::vector<Slot>> lineTexts(fields.size(), std::vector<Slot>(kTextSlots));
        int highestIndex = 0;
        const bool reread = db.forEachRawRecord(
            fields,
            [&](const MessageDatabase::StoredNumber &number, const MessageDatabase::RawField *raw) {
                const int k = lineOf(number.value);
                if (k < 0)
                    return; // counted in the first pass
                highestIndex = std::max(highestIndex, k);
                for (std::size_t f = 0; f < fields.size(); ++f) {
                    lineTexts[f][k] = {arena.size(), raw[f].size};
                    arena.append(raw[f].data, raw[f].size);
                }
            },
            &error);
        if (!reread)
            return failAll(dbPath + QStringLiteral(": ") + error);
        for (std::size_t w = 0; w < writers.size(); ++w) {
            if (!open[w])
                continue;
            for (int k = 0; k <= highestIndex; ++k) {
                const Slot &slot = lineTexts[w][k];
                if (slot.offset < 0)
                    writers[w]->emptyLines(1);
                else
                    writers[w]->line(arena.constData() + slot.offset, slot.size, k + kFirstNumber);
            }
        }
        next = highestIndex + 1;
    }

    // By number; what is no number at all comes last.
    std::stable_sort(leftOut.begin(), leftOut.end(),
                     [](const auto &a, const auto &b) { return std::isnan(b.first) ? !std::isnan(a.first) : a.first < b.first; });
    QStringList leftOutShown;
    for (const auto &[n, shown] : leftOut)
        leftOutShown << shown;
    for (std::size_t w = 0; w < writers.size(); ++w) {
        if (!open[w])
            continue;
        if (next == 0)
            writers[w]->emptyLines(1); // message 100's line is always there
        writers[w]->finish();
    }
    for (BuildReport &report : reports) {
        if (report.ok())
            report.leftOut = leftOutShown;
    }
    return reports;
}

namespace {
// The first few of a list of numbers, for a warning.
QString firstOf(const QList<std::int64_t> &numbers)
{
    QStringList shown; // one more than is shown, so the list says there are more
    for (std::int64_t n : numbers.mid(0, 11))
        shown << QString::number(n);
    return texts::firstFew(shown);
}
} // namespace

QStringList buildWarnings(const BuildReport &report)
{
    QStringList warnings;
    if (!report.unrepresentable.isEmpty()) {
        warnings << QStringLiteral("%1 message(s) hold characters that code page %2 cannot hold; each such character was "
                                   "written as \"?\" (messages %3).")
                        .arg(report.unrepresentable.size())
                        .arg(report.codePage)
                        .arg(firstOf(report.unrepresentable));
    }
    if (!report.lineBreaks.isEmpty()) {
        warnings << QStringLiteral("%1 message(s) hold line breaks, tabs or other control characters, which were written as "
                                   "spaces so that every message keeps its line (messages %2).")
                        .arg(report.lineBreaks.size())
                        .arg(firstOf(report.lineBreaks));
    }
    if (!report.unreadable.isEmpty()) {
        warnings << QStringLiteral("%1 message(s) could not be read as text: the database holds bytes that are not UTF-8 "
                                   "there, and each broken character was written as \"?\" (messages %2).")
                        .arg(report.unreadable.size())
                        .arg(firstOf(report.unreadable));
    }
    if (!report.leftOut.isEmpty()) {
        warnings << QStringLiteral("%1 message(s) numbered outside 100 to 10100 have no line in the file and were left out "
                                   "(messages %2).")
                        .arg(report.leftOut.size())
                        .arg(texts::firstFew(report.leftOut));
    }
    return warnings;
}

BuildReport buildMessageFileIn(const QString &folder, int editedField, const QString &editedName)
{
    return buildMessageFilesIn(folder, {{editedField, editedName}}).front();
}

} // namespace lng
