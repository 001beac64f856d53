// lngtool export --format xliff|po and lngtool import: files for translators' tools.
#include "LngTool.h"
#include "ToolArguments.h"

#include "app/Workbench.h"
#include "cat/CatExchange.h"
#include "db/MessageDatabase.h"
#include "db/TableSaver.h"

namespace lng {

using namespace cli;

int LngTool::exportCat(const QString &language, CatFormat format, const QString &output)
{
    const QString code = languageCode(language);
    if (code.isEmpty() || language == QLatin1String("English")) {
        error(QStringLiteral("%1 is not a language to translate into").arg(language));
        return 1;
    }
    MessageDatabase db;
    MessageDatabase::Records records;
    QString cause;
    if (!db.open(databasePath(), MessageDatabase::Access::ReadOnly, &cause)
        || !db.readRecords({1, 2, *catalogue().fieldOf(language)}, &records, &cause)) {
        error(shownDatabase() + QStringLiteral(": ") + cause);
        return 1;
    }
    CatFile file;
    file.targetLanguage = code;
    for (int r = 0; r < records.size(); ++r) {
        const std::optional<std::int64_t> number = wholeNumber(records.number(r));
        if (!number || *number <= 0)
            continue;
        file.entries.push_back({*number, records.field(r, 1).value_or(QString()), records.field(r, 2).value_or(QString()),
                                records.field(r, 0).value_or(QString())});
    }
    const QString path = output.isEmpty() ? m_folder + QLatin1Char('/') + suggestedCatFileName(language, format) : output;
    if (!writeCatFile(path, format, file, &cause)) {
        error(QStringLiteral("cannot write to %1: %2").arg(path, cause));
        return 1;
    }
    print(QStringLiteral("%1 was created (%2 messages)\n").arg(path).arg(file.entries.size()));
    return 0;
}

int LngTool::importCat(const QStringList &args)
{
    const QString command = QStringLiteral("import");
    const Parsed p = parse(args, {}, {QStringLiteral("--dry-run")});
    if (!p.problem.isEmpty() || p.positional.size() != 2)
        return usage(p.problem.isEmpty() ? QStringLiteral("name a language and a file") : p.problem, command);
    const QString language = languageName(p.positional[0]);
    if (language.isEmpty())
        return 2;
    const QString path = p.positional[1];
    CatFormat format;
    if (!catFormatOf(path, &format))
        return usage(QStringLiteral("%1: the name must end in .xlf, .xliff or .po").arg(path), command);
    CatFile file;
    QString cause;
    if (!readCatFile(path, format, &file, &cause)) {
        error(QStringLiteral("cannot read %1: %2").arg(path, cause));
        return 1;
    }
    const int field = *catalogue().fieldOf(language);
    MessageDatabase db;
    MessageDatabase::Records records;
    const bool dryRun = p.flags.contains(QStringLiteral("--dry-run"));
    if (!db.open(databasePath(), dryRun ? MessageDatabase::Access::ReadOnly : MessageDatabase::Access::ReadWrite, &cause)
        || (!dryRun && !db.isWritable(&cause)) || (!dryRun && !db.begin(&cause)) || !db.readRecords({2, field}, &records, &cause)) {
        error(shownDatabase() + QStringLiteral(": ") + cause);
        return 1;
    }
    std::map<std::int64_t, CurrentText> current;
    for (int r = 0; r < records.size(); ++r) {
        if (const std::optional<std::int64_t> number = wholeNumber(records.number(r)); number && *number > 0)
            current.emplace(*number, CurrentText {records.field(r, 0).value_or(QString()), records.field(r, 1).value_or(QString())});
    }
    const CatPlan plan = planCatImport(file, language, current);
    if (!plan.refused.isEmpty()) {
        error(QStringLiteral("%1 is refused: %2").arg(path, plan.refused));
        return 1;
    }
    if (!dryRun) {
        // One transaction with the save's rules: only the changed field, cleaned.
        std::vector<MessageDatabase::RecordUpdate> updates;
        updates.reserve(plan.updates.size());
        for (const CatPlan::Update &update : plan.updates)
            updates.push_back({update.number, {{field, CleanText(update.text)}}});
        std::vector<bool> found;
        if (!db.updateRecords(updates, &found, &cause) || !db.commit(&cause)) {
            db.rollback();
            error(shownDatabase() + QStringLiteral(": ") + cause + QStringLiteral("; nothing was imported"));
            return 1;
        }
    }
    print(plan.summary() + (dryRun ? QStringLiteral(" (dry run: nothing written)\n") : QStringLiteral("\n")));
    for (const QString &line : plan.details())
        print(line + QLatin1Char('\n'));
    return plan.notApplied.empty() ? 0 : 1;
}

} // namespace lng
