#include "CatExchange.h"

#include "app/Texts.h"
#include "app/Workbench.h"
#include "db/TableSaver.h"

#include <QFileInfo>
#include <QLocale>

namespace lng {

namespace {
QString sameLanguage(QString code)
{
    return code.replace(QLatin1Char('_'), QLatin1Char('-')).toLower();
}
} // namespace

QString CatPlan::summary() const
{
    const QLocale english(QLocale::English);
    QString text = QStringLiteral("%1 translation%2 updated, %3 unchanged, %4 not applied")
                       .arg(english.toString(static_cast<qlonglong>(updates.size())), updates.size() == 1 ? QString() : QStringLiteral("s"),
                            english.toString(unchanged), english.toString(static_cast<qlonglong>(notApplied.size())));
    if (!notApplied.empty())
        text += QStringLiteral(" (see list)");
    return text;
}

QStringList CatPlan::details() const
{
    QStringList lines;
    for (const NotApplied &entry : notApplied)
        lines << QStringLiteral("message %1 (line %2): %3").arg(entry.number).arg(entry.line).arg(entry.reason);
    return lines;
}

CatPlan planCatImport(const CatFile &file, const QString &language, const std::map<std::int64_t, CurrentText> &current)
{
    CatPlan plan;
    const QString code = languageCode(language);
    // A file that names no language (some tools leave it out) is taken as the edited one's.
    if (code.isEmpty() || (!file.targetLanguage.isEmpty() && sameLanguage(file.targetLanguage) != sameLanguage(code))) {
        plan.refused = QStringLiteral("the file is in \"%1\", the edited language is %2 (%3)")
                           .arg(file.targetLanguage, language, code.isEmpty() ? QStringLiteral("no code") : code);
        return plan;
    }
    for (const CatEntry &entry : file.entries) {
        const auto now = current.find(entry.number);
        const auto refuse = [&](const QString &reason) { plan.notApplied.push_back({entry.number, entry.line, reason}); };
        if (now == current.end()) {
            refuse(QStringLiteral("no such message in the table"));
        } else if (entry.english != now->second.english) {
            refuse(QStringLiteral("the English text changed since the export: the file has \"%1\", the table \"%2\"")
                       .arg(entry.english, now->second.english));
        } else if (entry.fuzzy) {
            refuse(QStringLiteral("marked fuzzy"));
        } else if (entry.target.trimmed().isEmpty()) {
            if (CleanText(now->second.text).isEmpty())
                ++plan.unchanged; // untranslated in both
            else
                refuse(entry.needsTranslation ? QStringLiteral("the file leaves it untranslated (needs-translation)")
                                              : QStringLiteral("the file leaves it untranslated"));
        } else if (CleanText(entry.target) == CleanText(now->second.text)) {
            ++plan.unchanged;
        } else {
            plan.updates.push_back({entry.number, entry.target});
        }
    }
    return plan;
}

QString suggestedCatFileName(const QString &language, CatFormat format)
{
    return QStringLiteral("Tesmora-%1.%2").arg(languageCode(language), format == CatFormat::Po ? QStringLiteral("po") : QStringLiteral("xlf"));
}

namespace {
std::map<std::int64_t, int> messageRows(const Sheet &table)
{
    std::map<std::int64_t, int> rows;
    for (int row = 1; row <= TableRows; ++row) {
        if (table.CellTypeAt(row, PositionColumn) == CellType::Number && table.CellNumber(row, PositionColumn) > 0)
            rows.emplace(static_cast<std::int64_t>(table.CellNumber(row, PositionColumn)), row);
    }
    return rows;
}
} // namespace

void exportForTranslation(Workbench &bench, const QString &path)
{
    const SharedState &state = bench.state();
    CatFormat format;
    if (!catFormatOf(path, &format)) {
        bench.critical(texts::CannotWriteTo + path + QStringLiteral("\n\nthe name must end in .xlf, .xliff or .po"));
        return;
    }
    CatFile file;
    file.targetLanguage = languageCode(state.EditedLanguageName);
    if (file.targetLanguage.isEmpty() || state.EditedLanguageName == QLatin1String("English")) {
        bench.critical(texts::CannotWriteTo + path + QStringLiteral("\n\n%1 is not a language to translate into").arg(state.EditedLanguageName));
        return;
    }
    const Sheet &table = bench.table();
    for (const auto &[number, row] : messageRows(table))
        file.entries.push_back({number, table.CellText(row, EnglishColumn), table.CellText(row, EditedColumn), table.CellText(row, CommentsColumn)});
    QString error;
    if (!writeCatFile(path, format, file, &error)) {
        bench.critical(texts::CannotWriteTo + path + QStringLiteral("\n\n") + error);
        return;
    }
    bench.information(QStringLiteral("%1 messages were written to %2.").arg(QLocale(QLocale::English).toString(static_cast<qlonglong>(file.entries.size())), path));
}

void importTranslation(Workbench &bench, const QString &path)
{
    CatFormat format;
    CatFile file;
    QString error;
    if (!catFormatOf(path, &format))
        error = QStringLiteral("the name must end in .xlf, .xliff or .po");
    else
        readCatFile(path, format, &file, &error);
    if (!error.isEmpty()) {
        bench.critical(texts::CannotRead + path + QStringLiteral("\n\n") + error);
        return;
    }
    Sheet &table = bench.table();
    const std::map<std::int64_t, int> rows = messageRows(table);
    std::map<std::int64_t, CurrentText> current;
    for (const auto &[number, row] : rows)
        current.emplace(number, CurrentText {table.CellText(row, EnglishColumn), table.CellText(row, EditedColumn)});
    const CatPlan plan = planCatImport(file, bench.state().EditedLanguageName, current);
    if (!plan.refused.isEmpty()) {
        bench.critical(texts::CannotRead + path + QStringLiteral("\n\n") + plan.refused);
        return;
    }
    bench.history().recordChange(QStringLiteral("import of ") + QFileInfo(path).fileName(), TableRows, {EditedColumn}, [&] {
        for (const CatPlan::Update &update : plan.updates)
            table.SetCellText(rows.at(update.number), EditedColumn, update.text);
        return true;
    });
    QString text = plan.summary();
    const QStringList details = plan.details();
    if (!details.isEmpty())
        text += QStringLiteral("\n\n") + details.mid(0, 20).join(QLatin1Char('\n')) + (details.size() > 20 ? QStringLiteral("\n...") : QString());
    bench.information(text);
}

} // namespace lng
