#include "BuildCommand.h"

#include "MessageFileBuilder.h"
#include "app/Texts.h"
#include "app/Workbench.h"

namespace lng {

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
    const QString warning = buildWarnings(report).join(QStringLiteral("\n\n"));
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
