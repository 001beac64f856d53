// lngtool check: the translation checks from the command line, for release pipelines.
#include "LngTool.h"
#include "ToolArguments.h"

#include "checks/CheckRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamWriter>

namespace lng {

using namespace cli;

namespace {
QString severityName(Severity severity)
{
    return severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

QString asText(const std::vector<LanguageFindings> &results)
{
    QString out;
    for (const LanguageFindings &language : results) {
        for (const Finding &f : language.findings)
            out += QStringLiteral("%1\t%2\t%3\t%4\t%5\n").arg(language.language).arg(f.number).arg(f.check, severityName(f.severity), f.detail);
    }
    return out;
}

QString asJson(const std::vector<LanguageFindings> &results)
{
    QJsonArray findings;
    for (const LanguageFindings &language : results) {
        for (const Finding &f : language.findings) {
            findings.append(QJsonObject {{QStringLiteral("language"), language.language},
                                         {QStringLiteral("message"), static_cast<qint64>(f.number)},
                                         {QStringLiteral("check"), f.check},
                                         {QStringLiteral("severity"), severityName(f.severity)},
                                         {QStringLiteral("detail"), f.detail}});
        }
    }
    return QString::fromUtf8(QJsonDocument(findings).toJson(QJsonDocument::Indented));
}

// One test suite per language, one failing test case per finding.
QString asJunit(const std::vector<LanguageFindings> &results)
{
    QString out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("lngtool check"));
    for (const LanguageFindings &language : results) {
        xml.writeStartElement(QStringLiteral("testsuite"));
        xml.writeAttribute(QStringLiteral("name"), language.language);
        xml.writeAttribute(QStringLiteral("tests"), QString::number(std::max<std::size_t>(language.findings.size(), 1)));
        xml.writeAttribute(QStringLiteral("failures"), QString::number(language.findings.size()));
        if (language.findings.empty()) {
            xml.writeStartElement(QStringLiteral("testcase"));
            xml.writeAttribute(QStringLiteral("classname"), language.language);
            xml.writeAttribute(QStringLiteral("name"), QStringLiteral("%1 messages").arg(language.messages));
            xml.writeEndElement();
        }
        for (const Finding &f : language.findings) {
            xml.writeStartElement(QStringLiteral("testcase"));
            xml.writeAttribute(QStringLiteral("classname"), language.language);
            xml.writeAttribute(QStringLiteral("name"), QStringLiteral("message %1 %2").arg(f.number).arg(f.check));
            xml.writeStartElement(QStringLiteral("failure"));
            xml.writeAttribute(QStringLiteral("type"), severityName(f.severity));
            xml.writeAttribute(QStringLiteral("message"), f.detail);
            xml.writeEndElement();
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}
} // namespace

int LngTool::check(const QStringList &args)
{
    const QString command = QStringLiteral("check");
    const Parsed p = parse(args, {QStringLiteral("--checks"), QStringLiteral("--format")}, {QStringLiteral("--all"), QStringLiteral("--strict")});
    if (!p.problem.isEmpty())
        return usage(p.problem, command);
    const bool all = p.flags.contains(QStringLiteral("--all"));
    if (all == !p.positional.isEmpty())
        return usage(QStringLiteral("name the languages to check, or give --all"), command);
    const QString format = p.values.count(QStringLiteral("--format")) ? p.values.at(QStringLiteral("--format")) : QStringLiteral("text");
    if (!QStringList {QStringLiteral("text"), QStringLiteral("json"), QStringLiteral("junit")}.contains(format))
        return usage(QStringLiteral("unknown format \"%1\"; the formats are text, json and junit").arg(format), command);
    QStringList checks;
    if (p.values.count(QStringLiteral("--checks"))) {
        checks = p.values.at(QStringLiteral("--checks")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &id : checks) {
            if (!checkIds().contains(id))
                return usage(QStringLiteral("unknown check \"%1\"; the checks are: %2").arg(id, checkIds().join(QStringLiteral(", "))), command);
        }
    }
    QStringList names = all ? distinctNames() : p.positional;
    if (all) // English is what the others are checked against; the comments are no translation
        names.removeIf([](const QString &name) { return name == QLatin1String("English") || name == QLatin1String("[Comments]"); });
    QStringList languages;
    if (!languageNames(names, &languages))
        return 2;
    const LanguageCatalogue catalogue = cli::catalogue();
    std::vector<std::pair<int, QString>> fields;
    for (const QString &language : languages)
        fields.emplace_back(*catalogue.fieldOf(language), language);

    std::vector<LanguageFindings> results;
    QString cause;
    if (!checkDatabase(databasePath(), fields, checks, &results, &cause)) {
        error(shownDatabase() + QStringLiteral(": ") + cause);
        return 1;
    }
    print(format == QLatin1String("json") ? asJson(results) : format == QLatin1String("junit") ? asJunit(results) : asText(results));
    int errors = 0;
    int warnings = 0;
    for (const LanguageFindings &language : results) {
        errors += language.errors();
        warnings += static_cast<int>(language.findings.size()) - language.errors();
        std::fputs(QStringLiteral("%1: %2 error(s), %3 warning(s) in %4 translated messages\n")
                       .arg(language.language).arg(language.errors()).arg(static_cast<int>(language.findings.size()) - language.errors())
                       .arg(language.messages).toUtf8().constData(),
                   m_err);
    }
    const bool strict = p.flags.contains(QStringLiteral("--strict"));
    return errors > 0 || (strict && warnings > 0) ? 1 : 0;
}

} // namespace lng
