#include "BuildCommand.h"

#include "MessageFileBuilder.h"
#include "app/Texts.h"
#include "app/Workbench.h"

#include <QStringList>

namespace lng {

namespace {
// Lists the first few message numbers of a set, for a warning.
QString firstNumbers(const QList<std::int64_t> &numbers)
{
    constexpr int kShown = 10;
    QStringList shown;
    for (int i = 0; i < numbers.size() && i < kShown; ++i)
        shown << QString::number(numbers[i]);
    QString text = shown.join(QStringLiteral(", "));
    if (numbers.size() > kShown)
        text += QStringLiteral(", ...");
    return text;
}

QString warningFor(const BuildReport &report)
{
    QStringList parts;
    if (!report.unrepresentable.isEmpty()) {
        parts << QStringLiteral("%1 message(s) hold characters that code page %2 cannot hold; each such character was "
                                "written as \"?\" (messages %3).")
                     .arg(report.unrepresentable.size())
                     .arg(report.codePage)
                     .arg(firstNumbers(report.unrepresentable));
    }
    if (!report.leftOut.isEmpty()) {
        parts << QStringLiteral("%1 message(s) numbered outside 100 to 10100 have no line in the file and were left out "
                                "(messages %2).")
                     .arg(report.leftOut.size())
                     .arg(firstNumbers(report.leftOut));
    }
    return parts.join(QStringLiteral("\n\n"));
}
} // namespace

void BuildMessageFile(Workbench &bench)
{
    if (!bench.IsLoaded) {
        bench.critical(texts::MustLoadFirst);
        return;
    }
    const SharedState &state = bench.state();
    BuildReport report;
    {
        BusyPointer busy(bench.table());
        report = buildMessageFileIn(bench.folder(), state.EditedLanguageField, state.EditedLanguageName);
    }
    if (!report.ok()) {
        const QString what = report.path.isEmpty() ? QStringLiteral("for \"%1\"").arg(state.EditedLanguageName) : report.path;
        bench.critical(texts::cannotBuild(what, report.error));
        return;
    }
    bench.information(texts::wasBuilt(report.path));
    const QString warning = warningFor(report);
    if (!warning.isEmpty())
        bench.prompts().message(warning, Buttons::Ok, Icon::Exclamation, NoTitle);
}

void buildDllCommand(Workbench &bench)
{
    if (bench.state().IsModified) {
        const Answer answer = bench.prompts().message(texts::MustSaveFirst, Buttons::YesNo, Icon::Question, texts::SaveChangesTitle);
        if (answer != Answer::Yes)
            return;
        const bool nothingSaved = bench.SaveTable();
        bench.yield();
        if (nothingSaved)
            return;
    }
    BuildMessageFile(bench);
}

void bindBuildCommand(Workbench &bench)
{
    bench.dispatcher().bind(QStringLiteral("ID_BuildDLL"), [&bench] { buildDllCommand(bench); });
}

} // namespace lng
