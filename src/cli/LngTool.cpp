#include "LngTool.h"
#include "ToolArguments.h"

#include "app/SharedState.h"
#include "app/Workbench.h"
#include "context/ContextCommand.h"
#include "context/SourceScan.h"
#include "db/MessageDatabase.h"
#include "exchange/ExchangeCommands.h"
#include "exchange/MessageFileBuilder.h"
#include "exchange/XlsFile.h"
#include "grid/Sheet.h"
#include "server/ServerDatabase.h"
#include "settings/SettingsFile.h"
#include "tools/ColumnChecks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <map>

namespace lng {

using namespace cli;

namespace {
const QString kVersion = QStringLiteral("lngtool 1.4.0");

const std::map<QString, QString> kHelp {
    {QString(), QStringLiteral(
        "usage: lngtool COMMAND [--folder DIR] [ARGUMENTS]\n"
        "\n"
        "The Tesmora message database from the command line.\n"
        "\n"
        "commands:\n"
        "  build LANGUAGE... | --all          write TQRes<Language>.dll for each language\n"
        "  stats [--csv]                      messages, translated, blank and percentage per language\n"
        "  export LANGUAGE [--format F]       the exchange workbook (XLLanguages.XLS), or XLIFF or PO\n"
        "  import LANGUAGE FILE [--dry-run]   an XLIFF or PO file's translations, by message number\n"
        "  check-case LANGUAGE [--second L]   the two letter-case checks against the second language\n"
        "  context NUMBER [--language L]      source lines calling a message, with calls resolved\n"
        "  check LANGUAGE... | --all          the translation checks, for release pipelines\n"
        "  create [FILE]                      a new, empty message database\n"
        "  migrate --to URI | --from URI FILE copy the database to a PostgreSQL server, or back\n"
        "\n"
        "options:\n"
        "  --folder DIR   the folder holding AllLanguages.Lng and the other files (default: .)\n"
        "  --database URI the PostgreSQL server to use instead (a libpq connection string)\n"
        "  --help         help for a command, e.g. lngtool build --help\n"
        "  --version      the version\n")},
    {QStringLiteral("build"), QStringLiteral(
        "usage: lngtool build [--folder DIR] LANGUAGE... | --all\n"
        "\n"
        "Writes TQRes<Language>.dll for each language from the message database, exactly as the\n"
        "BuildDLL tool does: a 30-line header, message n on line n - 69, the language's Windows\n"
        "code page. --all builds every language of the catalogue (\"Italian\" once).\n")},
    {QStringLiteral("stats"), QStringLiteral(
        "usage: lngtool stats [--folder DIR] [--csv]\n"
        "\n"
        "One line per language: messages, translated (a text other than spaces), blank, and the\n"
        "percentage translated. --csv writes comma-separated values with a heading line.\n")},
    {QStringLiteral("export"), QStringLiteral(
        "usage: lngtool export [--folder DIR] LANGUAGE [--format xls|xliff|po] [--output FILE]\n"
        "\n"
        "xls (the default): the exchange workbook with the message numbers and the language's\n"
        "texts, in the layout the ToExcel tool writes (default: XLLanguages.XLS in the folder).\n"
        "xliff, po: a file for translators' tools (XLIFF 1.2, gettext PO), one entry per message\n"
        "with its number, English text, translation and comment (default: Tesmora-<code>.xlf/.po).\n")},
    {QStringLiteral("import"), QStringLiteral(
        "usage: lngtool import [--folder DIR] LANGUAGE FILE [--dry-run]\n"
        "\n"
        "Applies an XLIFF or PO file to the database in one transaction, matched by message\n"
        "number: changed translations only, cleaned as a save cleans them. Entries for unknown\n"
        "messages, with a changed English text, fuzzy or untranslated ones are not applied and\n"
        "listed; a file in another language is refused. --dry-run writes nothing. Exits with 1\n"
        "when something was not applied or refused.\n")},
    {QStringLiteral("check-case"), QStringLiteral(
        "usage: lngtool check-case [--folder DIR] LANGUAGE [--second LANGUAGE]\n"
        "\n"
        "Compares the letter case of each message's text with the second language (default\n"
        "French): first letters, then whole strings, as the CheckCase tool does. Prints every\n"
        "mismatch and the two counts; exits with 1 when anything mismatches.\n")},
    {QStringLiteral("context"), QStringLiteral(
        "usage: lngtool context [--folder DIR] NUMBER [--language LANGUAGE]\n"
        "\n"
        "Lists the lines of GhostSources.bin that call message NUMBER, each followed by the line\n"
        "with its calls replaced by the language's texts (default: the edited language of\n"
        "KdsSettings.ini, or English).\n")},
    {QStringLiteral("check"), QStringLiteral(
        "usage: lngtool check [--folder DIR] LANGUAGE... | --all [--checks ID,ID] [--format text|json|junit] [--strict]\n"
        "\n"
        "Runs the translation checks on the database's texts: placeholders, accelerator and\n"
        "codepage (errors); punctuation, numbers, spaces, brackets, unchanged, inconsistent and\n"
        "length (warnings). Every finding goes to standard output (text: one line each, tab-separated:\n"
        "language, message, check, severity, detail; json: an array; junit: a JUnit XML report),\n"
        "the counts to standard error. Findings ignored in the window stay ignored. Exits with 1\n"
        "when there is an error (with --strict, any finding), 0 otherwise.\n")},
    {QStringLiteral("create"), QStringLiteral(
        "usage: lngtool create [--folder DIR] [FILE] | --database URI\n"
        "\n"
        "Creates a new, empty message database (default: AllLanguages.Lng in the folder), or the\n"
        "table and its index on a PostgreSQL server. Refuses to overwrite an existing file or table.\n")},
    {QStringLiteral("migrate"), QStringLiteral(
        "usage: lngtool migrate [--folder DIR] --to URI\n"
        "       lngtool migrate --from URI FILE\n"
        "\n"
        "--to copies the folder's AllLanguages.Lng into an empty database on a PostgreSQL server\n"
        "(the table is made when missing); --from copies a server's messages into a new file.\n"
        "One transaction, committed only when both sides hold the same number of messages with\n"
        "the same checksum of all texts. URI is a libpq connection string: postgresql://host/db,\n"
        "or service=NAME for pg_service.conf; passwords come from ~/.pgpass or the service file.\n")},
};

} // namespace

void LngTool::print(const QString &text)
{
    std::fputs(text.toUtf8().constData(), m_out);
}

void LngTool::error(const QString &text)
{
    std::fputs((QStringLiteral("lngtool: ") + text + QLatin1Char('\n')).toUtf8().constData(), m_err);
}

int LngTool::usage(const QString &problem, const QString &command)
{
    error(problem);
    std::fputs(kHelp.at(kHelp.count(command) ? command : QString()).toUtf8().constData(), m_err);
    return 2;
}

QString LngTool::shownDatabase() const
{
    return m_database.isEmpty() ? databasePath() : shownServer(m_database);
}

QString LngTool::databasePath() const
{
    return m_database.isEmpty() ? m_folder + QLatin1Char('/') + MessageDatabase::FileName : m_database;
}

QString LngTool::languageName(const QString &name)
{
    const QStringList names = distinctNames();
    if (names.contains(name))
        return name;
    for (const QString &known : names) {
        if (known.compare(name, Qt::CaseInsensitive) == 0)
            return known;
    }
    error(QStringLiteral("unknown language \"%1\"; the languages are: %2").arg(name, names.join(QStringLiteral(", "))));
    return {};
}

bool LngTool::languageNames(const QStringList &names, QStringList *languages)
{
    for (const QString &name : names) {
        const QString language = languageName(name);
        if (language.isEmpty())
            return false;
        if (!languages->contains(language))
            *languages << language;
    }
    return true;
}

int LngTool::run(const QStringList &arguments)
{
    // --folder and --database may also come before the command: they go with its arguments.
    QStringList all = arguments;
    QStringList leading;
    while (all.size() >= 2 && (all.first() == QLatin1String("--folder") || all.first() == QLatin1String("--database"))) {
        leading << all[0] << all[1];
        all.remove(0, 2);
    }
    if (all.isEmpty())
        return usage(QStringLiteral("no command given"));
    const QString command = all.first();
    QStringList args = all.mid(1) + leading;
    if (command == QLatin1String("--version")) {
        print(kVersion + QLatin1Char('\n'));
        return 0;
    }
    if (command == QLatin1String("--help") || command == QLatin1String("help")) {
        print(kHelp.at(QString()));
        return 0;
    }
    if (!kHelp.count(command) || command.isEmpty())
        return usage(QStringLiteral("unknown command \"%1\"").arg(command));
    if (args.contains(QStringLiteral("--help"))) {
        print(kHelp.at(command));
        return 0;
    }
    // --folder belongs to every command.
    const qsizetype folder = args.indexOf(QStringLiteral("--folder"));
    if (folder >= 0) {
        if (folder + 1 >= args.size())
            return usage(QStringLiteral("--folder needs a folder"), command);
        m_folder = args[folder + 1];
        args.remove(folder, 2);
        if (!QFileInfo(m_folder).isDir()) {
            error(QStringLiteral("%1: no such folder").arg(m_folder));
            return 1;
        }
    }
    // --database too: a server instead of the folder's file.
    const qsizetype database = args.indexOf(QStringLiteral("--database"));
    if (database >= 0) {
        if (database + 1 >= args.size())
            return usage(QStringLiteral("--database needs a connection string"), command);
        m_database = args[database + 1];
        args.remove(database, 2);
    }
    if (command == QLatin1String("migrate"))
        return migrate(args);
    if (command == QLatin1String("build"))
        return build(args);
    if (command == QLatin1String("stats"))
        return stats(args);
    if (command == QLatin1String("export"))
        return exportWorkbook(args);
    if (command == QLatin1String("check-case"))
        return checkCase(args);
    if (command == QLatin1String("context"))
        return context(args);
    if (command == QLatin1String("check"))
        return check(args);
    if (command == QLatin1String("import"))
        return importCat(args);
    return create(args);
}

int LngTool::build(const QStringList &args)
{
    const Parsed p = parse(args, {}, {QStringLiteral("--all")});
    if (!p.problem.isEmpty())
        return usage(p.problem, QStringLiteral("build"));
    const bool all = p.flags.contains(QStringLiteral("--all"));
    if (all == !p.positional.isEmpty())
        return usage(QStringLiteral("name the languages to build, or give --all"), QStringLiteral("build"));
    QStringList languages;
    if (!languageNames(all ? distinctNames() : p.positional, &languages))
        return 2;
    const LanguageCatalogue names = catalogue();
    std::vector<std::pair<int, QString>> builds;
    for (const QString &language : languages)
        builds.emplace_back(*names.fieldOf(language), language);
    // One pass over the database serves every language.
    const std::vector<BuildReport> reports = buildMessageFilesIn(m_folder, builds, m_database);
    int status = 0;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const BuildReport &report = reports[i];
        const QString &language = languages[static_cast<qsizetype>(i)];
        if (!report.ok()) {
            error(QStringLiteral("cannot build %1: %2").arg(report.path.isEmpty() ? language : report.path, report.error));
            status = 1;
            continue;
        }
        print(report.path + QStringLiteral(" was built\n"));
        for (const QString &warning : buildWarnings(report))
            error(QStringLiteral("warning: %1: %2").arg(report.path, warning));
    }
    return status;
}

int LngTool::stats(const QStringList &args)
{
    const Parsed p = parse(args, {}, {QStringLiteral("--csv")});
    if (!p.problem.isEmpty() || !p.positional.isEmpty())
        return usage(p.problem.isEmpty() ? QStringLiteral("stats takes no arguments") : p.problem, QStringLiteral("stats"));
    MessageDatabase db;
    QString cause;
    const QStringList languages = distinctNames();
    const LanguageCatalogue names = catalogue();
    std::vector<int> fields;
    for (const QString &language : languages)
        fields.push_back(*names.fieldOf(language));
    int messages = 0;
    std::vector<int> translatedCounts;
    if (!db.open(databasePath(), MessageDatabase::Access::ReadOnly, &cause)
        || !db.countTranslated(fields, &messages, &translatedCounts, &cause)) {
        error(shownDatabase() + QStringLiteral(": ") + cause);
        return 1;
    }
    const bool csv = p.flags.contains(QStringLiteral("--csv"));
    print(csv ? QStringLiteral("language,messages,translated,blank,percent\n")
              : QStringLiteral("%1 %2 %3 %4 %5\n").arg(QStringLiteral("Language"), -12).arg(QStringLiteral("Messages"), 9)
                    .arg(QStringLiteral("Translated"), 11).arg(QStringLiteral("Blank"), 9).arg(QStringLiteral("Percent"), 8));
    for (int i = 0; i < static_cast<int>(languages.size()); ++i) {
        const int translated = translatedCounts[static_cast<std::size_t>(i)];
        const QString percent = QString::number(messages ? 100.0 * translated / messages : 0.0, 'f', 1);
        if (csv)
            print(QStringLiteral("%1,%2,%3,%4,%5\n").arg(languages[i]).arg(messages).arg(translated).arg(messages - translated).arg(percent));
        else
            print(QStringLiteral("%1 %2 %3 %4 %5\n").arg(languages[i], -12).arg(messages, 9).arg(translated, 11)
                      .arg(messages - translated, 9).arg(percent, 8));
    }
    return 0;
}

int LngTool::exportWorkbook(const QStringList &args)
{
    const Parsed p = parse(args, {QStringLiteral("--output"), QStringLiteral("--format")}, {});
    if (!p.problem.isEmpty() || p.positional.size() != 1)
        return usage(p.problem.isEmpty() ? QStringLiteral("name one language") : p.problem, QStringLiteral("export"));
    const QString language = languageName(p.positional.first());
    if (language.isEmpty())
        return 2;
    const QString format = p.values.count(QStringLiteral("--format")) ? p.values.at(QStringLiteral("--format")) : QStringLiteral("xls");
    const QString chosen = p.values.count(QStringLiteral("--output")) ? p.values.at(QStringLiteral("--output")) : QString();
    if (format == QLatin1String("xliff") || format == QLatin1String("po"))
        return exportCat(language, format == QLatin1String("po") ? CatFormat::Po : CatFormat::Xliff, chosen);
    if (format != QLatin1String("xls"))
        return usage(QStringLiteral("unknown format \"%1\"; the formats are xls, xliff and po").arg(format), QStringLiteral("export"));
    MessageDatabase db;
    MessageDatabase::Records records;
    QString cause;
    if (!db.open(databasePath(), MessageDatabase::Access::ReadOnly, &cause)
        || !db.readRecords({*catalogue().fieldOf(language)}, &records, &cause)) {
        error(shownDatabase() + QStringLiteral(": ") + cause);
        return 1;
    }
    // The layout ToExcel writes: headings, then message n on row n - 99.
    Sheet sheet(2);
    sheet.SetCellText(1, 1, QStringLiteral("Position"));
    sheet.SetCellText(1, 2, QStringLiteral("Messages"));
    int leftOut = 0;
    QStringList tooLong;
    for (int r = 0; r < records.size(); ++r) {
        const double n = records.number(r);
        if (!isTableMessageNumber(n)) {
            ++leftOut;
            continue;
        }
        const int row = static_cast<int>(n) - RowOffset + 1;
        const QString text = records.field(r, 0).value_or(QString());
        sheet.SetCellNumber(row, 1, n);
        sheet.SetCellText(row, 2, text);
        if (text.size() > XlsCodec::MaxTextLength)
            tooLong << QString::number(n);
    }
    const QString output = p.values.count(QStringLiteral("--output")) ? p.values.at(QStringLiteral("--output"))
                                                                      : m_folder + QLatin1Char('/') + ExchangeFileName;
    if (!XlsCodec().write(output, sheet, &cause)) {
        error(QStringLiteral("cannot write to %1: %2").arg(output, cause));
        return 1;
    }
    print(output + QStringLiteral(" was created\n"));
    if (leftOut)
        error(QStringLiteral("warning: %1 message(s) numbered outside 101 to 10099, or not by a whole number, have no row "
                             "in the workbook").arg(leftOut));
    if (!tooLong.isEmpty())
        error(QStringLiteral("warning: ") + XlsCodec::longTextWarning(tooLong));
    return 0;
}

int LngTool::checkCase(const QStringList &args)
{
    const Parsed p = parse(args, {QStringLiteral("--second")}, {});
    if (!p.problem.isEmpty() || p.positional.size() != 1)
        return usage(p.problem.isEmpty() ? QStringLiteral("name one language") : p.problem, QStringLiteral("check-case"));
    const QString edited = languageName(p.positional.first());
    const QString second = languageName(p.values.count(QStringLiteral("--second")) ? p.values.at(QStringLiteral("--second"))
                                                                                   : QStringLiteral("French"));
    if (edited.isEmpty() || second.isEmpty())
        return 2;
    const LanguageCatalogue names = catalogue();
    MessageDatabase db;
    MessageDatabase::Records records;
    QString cause;
    if (!db.open(databasePath(), MessageDatabase::Access::ReadOnly, &cause)
        || !db.readRecords({*names.fieldOf(second), *names.fieldOf(edited)}, &records, &cause)) {
        error(shownDatabase() + QStringLiteral(": ") + cause);
        return 1;
    }
    int counts[2] = {0, 0};
    const CasePass passes[2] = {CasePass::FirstLetter, CasePass::WholeString};
    const QString passNames[2] = {QStringLiteral("first-letter"), QStringLiteral("whole-string")};
    for (int pass = 0; pass < 2; ++pass) {
        for (int r = 0; r < records.size(); ++r) {
            const QString secondText = records.field(r, 0).value_or(QString());
            const QString editedText = records.field(r, 1).value_or(QString());
            if (!caseDiffers(passes[pass], secondText, editedText))
                continue;
            ++counts[pass];
            print(QStringLiteral("%1\t%2\t%3\t%4\n").arg(Sheet::formatNumber(records.number(r)), passNames[pass], secondText, editedText));
        }
    }
    print(QStringLiteral("%1 does not match for first letter case and %2 does not match for whole string case.\n")
              .arg(counts[0]).arg(counts[1]));
    return counts[0] + counts[1] > 0 ? 1 : 0;
}

int LngTool::context(const QStringList &args)
{
    const Parsed p = parse(args, {QStringLiteral("--language")}, {});
    if (!p.problem.isEmpty() || p.positional.size() != 1)
        return usage(p.problem.isEmpty() ? QStringLiteral("name one message number") : p.problem, QStringLiteral("context"));
    bool ok = false;
    const int number = p.positional.first().toInt(&ok);
    if (!ok)
        return usage(QStringLiteral("\"%1\" is not a message number").arg(p.positional.first()), QStringLiteral("context"));
    int field = 0;
    if (p.values.count(QStringLiteral("--language"))) {
        const QString language = languageName(p.values.at(QStringLiteral("--language")));
        if (language.isEmpty())
            return 2;
        field = *catalogue().fieldOf(language);
    } else {
        LanguageSelection selection;
        QString cause;
        const QString settings = m_folder + QLatin1Char('/') + SettingsFile::FileName;
        if (!SettingsFile::read(settings, &selection, &cause)) {
            error(settings + QStringLiteral(": ") + cause);
            return 1;
        }
        field = selection.editedField;
        if (field < 1 || field >= MessageDatabase::FieldCount) {
            error(settings + QStringLiteral(": field %1 is not a language field").arg(field));
            return 1;
        }
    }
    const QString listing = m_folder + QLatin1Char('/') + SourceListingName;
    if (!QFileInfo(listing).isFile()) {
        error(QStringLiteral("cannot find ") + listing);
        return 1;
    }
    MessageDatabase db;
    MessageDatabase::Records records;
    QString cause;
    if (!db.open(databasePath(), MessageDatabase::Access::ReadOnly, &cause) || !db.readRecords({field}, &records, &cause)) {
        error(shownDatabase() + QStringLiteral(": ") + cause);
        return 1;
    }
    // The message table as the window would show it, for resolving the calls.
    Sheet table(5);
    for (int r = 0; r < records.size(); ++r) {
        const double n = records.number(r);
        if (n >= FirstMessageNumber && n <= LastMessageNumber) {
            table.SetCellNumber(static_cast<int>(n) - RowOffset, PositionColumn, n);
            table.SetCellText(static_cast<int>(n) - RowOffset, EditedColumn, records.field(r, 0).value_or(QString()));
        }
    }
    table.SetRowLimit(TableRows);
    QFile file(listing);
    if (!file.open(QIODevice::ReadOnly)) {
        error(listing + QStringLiteral(": ") + file.errorString());
        return 1;
    }
    const QByteArray content = file.readAll();
    Sheet out(1);
    SourceScan::scan(content.constData(), static_cast<std::size_t>(content.size()), number, table, out);
    // The count line, then per line: the line as read, the resolved line, and a blank line.
    print(out.CellText(1, 1) + QLatin1Char('\n'));
    const int last = out.LastUsedRow();
    for (int row = 3; row <= last; ++row) {
        if (out.CellFill(row, 1) == ContextLineFill) // a line as read; its resolved line follows
            print(QLatin1Char('\n') + out.CellText(row, 1) + QLatin1Char('\n') + out.CellText(row + 1, 1) + QLatin1Char('\n'));
    }
    return 0;
}

int LngTool::create(const QStringList &args)
{
    const Parsed p = parse(args, {}, {});
    if (!p.problem.isEmpty() || p.positional.size() > 1)
        return usage(p.problem.isEmpty() ? QStringLiteral("name at most one file") : p.problem, QStringLiteral("create"));
    const QString path = p.positional.isEmpty() ? databasePath() : p.positional.first();
    const bool server = isConnectionString(path) && !QFileInfo::exists(path);
    const QString shown = server ? shownServer(path) : path;
    QString cause;
    if (!server && QFileInfo::exists(path)) {
        error(QStringLiteral("%1 already exists; nothing was created").arg(path));
        return 1;
    }
    if (!MessageDatabase::create(path, &cause)) {
        if (!server)
            QFile::remove(path);
        error(shown + QStringLiteral(": ") + cause);
        return 1;
    }
    print(shown + QStringLiteral(" was created\n"));
    return 0;
}

} // namespace lng
