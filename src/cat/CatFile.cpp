#include "CatFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <gettext-po.h>

#include <charconv>
#include <csetjmp>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>

namespace lng {

namespace {
const QString kXliffNamespace = QStringLiteral("urn:oasis:names:tc:xliff:document:1.2");

bool fail(QString *error, const QString &cause)
{
    if (error)
        *error = cause;
    return false;
}

// A message number as a file names it: a whole number from 1 on.
bool numberFrom(const QString &text, std::int64_t *number)
{
    bool ok = false;
    *number = text.trimmed().toLongLong(&ok);
    return ok && *number > 0 && *number < 1'000'000'000;
}

bool checkSize(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return fail(error, QStringLiteral("the file does not exist"));
    if (info.size() > LargestCatFile)
        return fail(error, QStringLiteral("the file is larger than %1 MB").arg(LargestCatFile >> 20));
    return true;
}

// Replaces the file with `bytes` in one step.
bool writeWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return fail(error, out.errorString());
    return true;
}

bool checkDuplicates(const CatFile &file, QString *error)
{
    std::map<std::int64_t, int> seen;
    for (const CatEntry &entry : file.entries) {
        const auto [it, added] = seen.emplace(entry.number, entry.line);
        if (!added)
            return fail(error, QStringLiteral("line %1: message %2 appears twice (first on line %3)").arg(entry.line).arg(entry.number).arg(it->second));
    }
    return true;
}
} // namespace

QString languageCode(const QString &language)
{
    static const std::map<QString, QString> codes {
        {QStringLiteral("English"), QStringLiteral("en")},  {QStringLiteral("French"), QStringLiteral("fr")},
        {QStringLiteral("Danish"), QStringLiteral("da")},   {QStringLiteral("Dutch"), QStringLiteral("nl")},
        {QStringLiteral("Finnish"), QStringLiteral("fi")},  {QStringLiteral("German"), QStringLiteral("de")},
        {QStringLiteral("Italian"), QStringLiteral("it")},  {QStringLiteral("Japanese"), QStringLiteral("ja")},
        {QStringLiteral("Norwegian"), QStringLiteral("nb")}, {QStringLiteral("Portuguese"), QStringLiteral("pt")},
        {QStringLiteral("Spanish"), QStringLiteral("es")},  {QStringLiteral("Swedish"), QStringLiteral("sv")},
        {QStringLiteral("Catalan"), QStringLiteral("ca")},  {QStringLiteral("Chinese"), QStringLiteral("zh-CN")},
        {QStringLiteral("Russian"), QStringLiteral("ru")},  {QStringLiteral("Czech"), QStringLiteral("cs")},
        {QStringLiteral("Slovak"), QStringLiteral("sk")},
    };
    const auto it = codes.find(language);
    return it == codes.end() ? QString() : it->second;
}

bool catFormatOf(const QString &fileName, CatFormat *format)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("xlf") || suffix == QLatin1String("xliff")) {
        *format = CatFormat::Xliff;
        return true;
    }
    if (suffix == QLatin1String("po")) {
        *format = CatFormat::Po;
        return true;
    }
    return false;
}

// --- XLIFF -----------------------------------------------------------------------------------

bool writeXliff(const QString &path, const CatFile &file, QString *error)
{
    // Written into a string and encoded once: much quicker than encoding every piece.
    QString text;
    text.reserve(static_cast<qsizetype>(file.entries.size()) * 200);
    // A string has no encoding of its own, so the declaration naming UTF-8 is ours to write.
    text += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(true);
    // The elements are in the XLIFF namespace as the default one: named without it, as
    // looking it up for every element would cost a good part of the export.
    xml.writeStartElement(QStringLiteral("xliff"));
    xml.writeDefaultNamespace(kXliffNamespace);
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.2"));
    xml.writeStartElement(QStringLiteral("file"));
    xml.writeAttribute(QStringLiteral("original"), QStringLiteral("AllLanguages.Lng"));
    xml.writeAttribute(QStringLiteral("source-language"), QStringLiteral("en"));
    xml.writeAttribute(QStringLiteral("target-language"), file.targetLanguage);
    xml.writeAttribute(QStringLiteral("datatype"), QStringLiteral("plaintext"));
    xml.writeStartElement(QStringLiteral("body"));
    for (const CatEntry &entry : file.entries) {
        const QString id = QString::number(entry.number);
        xml.writeStartElement(QStringLiteral("trans-unit"));
        xml.writeAttribute(QStringLiteral("id"), id);
        xml.writeAttribute(QStringLiteral("resname"), id);
        xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        if (!entry.target.isEmpty())
            xml.writeAttribute(QStringLiteral("approved"), QStringLiteral("yes"));
        xml.writeTextElement(QStringLiteral("source"), entry.english);
        xml.writeStartElement(QStringLiteral("target"));
        xml.writeAttribute(QStringLiteral("state"), entry.target.isEmpty() ? QStringLiteral("needs-translation") : QStringLiteral("translated"));
        xml.writeCharacters(entry.target);
        xml.writeEndElement();
        if (!entry.comment.isEmpty())
            xml.writeTextElement(QStringLiteral("note"), entry.comment);
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return writeWhole(path, text.toUtf8(), error);
}

bool readXliff(const QString &path, CatFile *file, QString *error)
{
    *file = {};
    if (!checkSize(path, error))
        return false;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return fail(error, in.errorString());
    const QByteArray content = in.readAll();
    QXmlStreamReader xml(content);
    const auto at = [&](const QString &what) {
        return fail(error, QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(what));
    };
    CatEntry entry;
    QString unitName;
    QString unitId;
    QString unitReference;
    bool inUnit = false;
    bool sawFile = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            return at(QStringLiteral("a document type declaration is not allowed"));
        case QXmlStreamReader::EntityReference:
            return at(QStringLiteral("the entity \"%1\" is not allowed").arg(xml.name()));
        case QXmlStreamReader::StartElement: {
            const QStringView name = xml.name();
            if (name == QLatin1String("file")) {
                if (sawFile)
                    return at(QStringLiteral("a second <file>; one is expected"));
                sawFile = true;
                file->targetLanguage = xml.attributes().value(QStringLiteral("target-language")).toString();
            } else if (name == QLatin1String("trans-unit")) {
                entry = {};
                entry.line = static_cast<int>(xml.lineNumber());
                unitName = xml.attributes().value(QStringLiteral("resname")).toString();
                unitId = xml.attributes().value(QStringLiteral("id")).toString();
                unitReference.clear();
                // A PO file's header, as converters carry it over, is no message.
                inUnit = xml.attributes().value(QStringLiteral("restype")) != QLatin1String("x-gettext-domain-header");
            } else if (inUnit && name == QLatin1String("context")
                       && xml.attributes().value(QStringLiteral("context-type")) == QLatin1String("sourcefile")) {
                // Tools that convert from PO keep the message number as the reference.
                unitReference = xml.readElementText();
            } else if (inUnit && name == QLatin1String("source")) {
                entry.english = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            } else if (inUnit && name == QLatin1String("target")) {
                const QString state = xml.attributes().value(QStringLiteral("state")).toString();
                entry.needsTranslation = state == QLatin1String("needs-translation") || state == QLatin1String("new");
                entry.target = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            } else if (inUnit && name == QLatin1String("note")) {
                entry.comment = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (xml.name() == QLatin1String("trans-unit") && inUnit) {
                const QString id = !unitName.isEmpty() ? unitName : !unitReference.isEmpty() ? unitReference : unitId;
                if (!numberFrom(id, &entry.number)) {
                    xml.raiseError(QStringLiteral("\"%1\" is not a message number").arg(id));
                    break;
                }
                file->entries.push_back(entry);
                inUnit = false;
            }
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        return at(xml.errorString());
    if (!sawFile)
        return fail(error, QStringLiteral("the file holds no XLIFF <file> element"));
    return checkDuplicates(*file, error);
}

// --- PO --------------------------------------------------------------------------------------

namespace {
// The first problem the PO library reports, with its line. A fatal one must not return to
// the library: it jumps back to where the reading started.
struct PoProblems {
    QString first;
    bool fatal = false;
    std::jmp_buf *escape = nullptr;
};
thread_local PoProblems *t_problems = nullptr;

void poError(int severity, po_message_t, const char *, size_t lineno, size_t, int, const char *text)
{
    if (severity == PO_SEVERITY_WARNING || !t_problems)
        return;
    if (t_problems->first.isEmpty()) {
        const QString cause = QString::fromUtf8(text).trimmed();
        t_problems->first = lineno != static_cast<size_t>(-1) ? QStringLiteral("line %1: %2").arg(lineno).arg(cause) : cause;
    }
    if (severity == PO_SEVERITY_FATAL_ERROR) {
        t_problems->fatal = true;
        std::longjmp(*t_problems->escape, 1);
    }
}

void poError2(int severity, po_message_t m1, const char *f1, size_t l1, size_t c1, int mp1, const char *t1, po_message_t, const char *,
              size_t, size_t, int, const char *)
{
    poError(severity, m1, f1, l1, c1, mp1, t1);
}

const po_xerror_handler kHandler {poError, poError2};

struct PoFileFree {
    void operator()(po_file_t file) const { po_file_free(file); }
};
using PoFile = std::unique_ptr<std::remove_pointer_t<po_file_t>, PoFileFree>;
struct PoIteratorFree {
    void operator()(po_message_iterator_t it) const { po_message_iterator_free(it); }
};
using PoIterator = std::unique_ptr<std::remove_pointer_t<po_message_iterator_t>, PoIteratorFree>;

QString poLanguage(const QString &code)
{
    QString language = code;
    return language.replace(QLatin1Char('-'), QLatin1Char('_'));
}

// A PO string: quoted, with the escapes gettext reads, and one line of the file for each line
// of the text.
void appendPoString(QByteArray &out, const char *keyword, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    out += keyword;
    out += ' ';
    if (utf8.contains('\n') && utf8.indexOf('\n') < utf8.size() - 1)
        out += "\"\"\n\""; // more than one line: each on its own
    else
        out += '"';
    for (char ch : utf8) {
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n\"\n\""; break;
        default: out += ch; break;
        }
    }
    if (out.endsWith("\n\""))
        out.chop(1); // a text ending in a line break needs no empty string after it
    else
        out += '"';
    if (!out.endsWith('\n'))
        out += '\n';
}

} // namespace

// Written here rather than through the PO library, which takes longer for a large file than
// msgfmt needs to compile it; msgfmt -c judges the result in the tests.
bool writePo(const QString &path, const CatFile &file, QString *error)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(file.entries.size()) * 120);
    out += "msgid \"\"\nmsgstr \"\"\n";
    const QString now = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm+0000"));
    for (const QString &field : {QStringLiteral("Project-Id-Version: Tesmora"), QStringLiteral("POT-Creation-Date: ") + now,
                                 QStringLiteral("PO-Revision-Date: ") + now, QStringLiteral("Last-Translator: "),
                                 QStringLiteral("Language-Team: "), QStringLiteral("Language: ") + poLanguage(file.targetLanguage),
                                 QStringLiteral("MIME-Version: 1.0"), QStringLiteral("Content-Type: text/plain; charset=UTF-8"),
                                 QStringLiteral("Content-Transfer-Encoding: 8bit")})
        out += '"' + field.toUtf8() + "\\n\"\n";
    for (const CatEntry &entry : file.entries) {
        out += '\n';
        for (const QString &line : entry.comment.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            out += "#. " + line.toUtf8() + '\n';
        // The number as a reference too: tools that drop msgctxt (po2xliff) keep references.
        const QByteArray number = QByteArray::number(entry.number);
        out += "#: " + number + '\n';
        out += "msgctxt \"" + number + "\"\n";
        appendPoString(out, "msgid", entry.english);
        appendPoString(out, "msgstr", entry.target);
    }
    return writeWhole(path, out, error);
}

bool readPo(const QString &path, CatFile *file, QString *error)
{
    *file = {};
    if (!checkSize(path, error))
        return false;
    PoProblems problems;
    std::jmp_buf escape;
    problems.escape = &escape;
    t_problems = &problems;
    po_file_t raw = nullptr;
    if (setjmp(escape) == 0)
        raw = po_file_read(QFile::encodeName(path).constData(), &kHandler);
    t_problems = nullptr;
    PoFile po(problems.fatal ? nullptr : raw);
    if (!problems.first.isEmpty() || !po)
        return fail(error, problems.first.isEmpty() ? QStringLiteral("the file cannot be read") : problems.first);
    if (const char *header = po_file_domain_header(po.get(), nullptr)) {
        if (char *language = po_header_field(header, "Language")) {
            file->targetLanguage = QString::fromUtf8(language).trimmed().replace(QLatin1Char('_'), QLatin1Char('-'));
            free(language);
        }
    }
    // The library tells no entry's line: the lines of the numbers are found in the text.
    std::unordered_map<std::int64_t, std::vector<int>> linesOf; // in file order; a number may stand twice
    {
        QFile text(path);
        const QByteArray content = text.open(QIODevice::ReadOnly) ? text.readAll() : QByteArray();
        linesOf.reserve(static_cast<std::size_t>(content.size() / 64));
        const char *p = content.constData();
        const char *const end = p + content.size();
        for (int line = 1; p < end; ++line) {
            const char *next = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            next = next ? next + 1 : end;
            for (const std::string_view prefix : {std::string_view("msgctxt \""), std::string_view("#: ")}) {
                if (static_cast<std::size_t>(next - p) <= prefix.size() || std::memcmp(p, prefix.data(), prefix.size()) != 0)
                    continue;
                std::int64_t number = 0;
                const std::from_chars_result read = std::from_chars(p + prefix.size(), next, number);
                if (read.ec != std::errc() || (read.ptr < next && *read.ptr != '"' && *read.ptr != '\n' && *read.ptr != '\r' && *read.ptr != ' '))
                    continue;
                std::vector<int> &lines = linesOf[number];
                if (lines.empty() || lines.back() < line - 3) // one entry's msgctxt after its reference
                    lines.push_back(line);
            }
            p = next;
        }
    }
    PoIterator it(po_message_iterator(po.get(), nullptr));
    while (po_message_t message = po_next_message(it.get())) {
        const char *msgid = po_message_msgid(message);
        if (po_message_is_obsolete(message) || (msgid && !*msgid && !po_message_msgctxt(message)))
            continue; // the header, and entries the tools set aside
        CatEntry entry;
        po_filepos_t position = po_message_filepos(message, 0);
        // The number is the msgctxt; tools that drop it keep it as the reference ("#: 101").
        const char *context = po_message_msgctxt(message);
        if (!context && position)
            context = po_filepos_file(position);
        if (!context || !numberFrom(QString::fromUtf8(context), &entry.number))
            return fail(error, QStringLiteral("line %1: \"%2\" is not a message number (msgctxt)").arg(entry.line).arg(QString::fromUtf8(context ? context : "")));
        std::vector<int> &lines = linesOf[entry.number];
        entry.line = lines.empty() ? 0 : lines.front();
        if (!lines.empty())
            lines.erase(lines.begin());
        entry.english = QString::fromUtf8(msgid);
        entry.target = QString::fromUtf8(po_message_msgstr(message));
        entry.comment = QString::fromUtf8(po_message_extracted_comments(message)).trimmed();
        entry.fuzzy = po_message_is_fuzzy(message);
        file->entries.push_back(std::move(entry));
    }
    return checkDuplicates(*file, error);
}

bool writeCatFile(const QString &path, CatFormat format, const CatFile &file, QString *error)
{
    return format == CatFormat::Xliff ? writeXliff(path, file, error) : writePo(path, file, error);
}

bool readCatFile(const QString &path, CatFormat format, CatFile *file, QString *error)
{
    return format == CatFormat::Xliff ? readXliff(path, file, error) : readPo(path, file, error);
}

} // namespace lng
