#include "Workbench.h"

#include "ShellCommands.h"
#include "Texts.h"
#include "db/MessageDatabase.h"
#include "db/TableLoader.h"
#include "db/TableSaver.h"
#include "exchange/BuildCommand.h"
#include "exchange/ExchangeCommands.h"
#include "exchange/XlsFile.h"
#include "memory/TranslationMemory.h"
#include "pane/MessageFocus.h"
#include "tools/ColumnChecks.h"
#include "settings/SettingsFile.h"
#include "tools/MovingOn.h"

#include <QTime>

namespace lng {

namespace {
// Column widths of the message table, in 1/256 of the width of "0".
constexpr int kPositionWidth = 2267;
constexpr int kTextWidth = 10679;
} // namespace

Workbench::Workbench(SharedState &state, Prompts &prompts, Clipboard &clipboard, QString folder)
    : m_state(state)
    , m_prompts(prompts)
    , m_clipboard(clipboard)
    , m_folder(std::move(folder))
{
    // The table's design-time layout: rows 1..9999 formatted, only the edited column unlocked.
    m_table.SetRowLimit(TableRows);
    m_table.SetColumnWidth(PositionColumn, kPositionWidth);
    for (int col = CommentsColumn; col <= EditedColumn; ++col)
        m_table.SetColumnWidth(col, kTextWidth);
    m_table.SelectRange(1, EditedColumn, TableRows, EditedColumn);
    m_table.SetSelectionProtection(false, false);
    m_table.setActiveCell(1, 1);
    m_table.takeDirtyRange();

    m_exchange.SetCellText(1, 1, QStringLiteral("Position"));
    m_exchange.SetCellText(1, 2, QStringLiteral("Messages"));
    m_exchange.SetColumnWidth(1, kPositionWidth);
    m_exchange.SetColumnWidth(2, kTextWidth);
    static const XlsCodec workbooks;
    m_exchange.setWorkbookCodec(&workbooks);

    // The user's own edits, and only those, mark the table modified.
    QObject::connect(&m_table, &Sheet::CellEdited, [this] { m_state.IsModified = true; });

    bindShellCommands(*this);
    bindBuildCommand(*this);
    bindColumnChecks(*this);
    bindExchangeCommands(*this);
    bindMovingOn(*this);
    bindRowFilter(*this);
    bindTranslationMemory(*this);
    m_findings = std::make_unique<TableFindings>(*this);
    m_recovery = std::make_unique<RecoverySession>(*this);
    m_focus = std::make_unique<MessageFocus>(*this);
    m_dispatcher.bind(QStringLiteral("ID_CheckTranslations"), [this] {
        m_findings->runAll();
        status(m_findings->summary());
    });
    // Many rows change at once on an undo, a redo or an import: count them again.
    QObject::connect(&m_history, &TableHistory::manyCellsChanged, &m_progress, &TranslationProgress::recount);
}

void Workbench::status(const QString &text)
{
    m_lastStatus = text;
    if (m_statusReporter)
        m_statusReporter(text);
}

Workbench::~Workbench()
{
    // The journal's last edits reach the disk; with nothing unsaved no journal is left.
    if (!m_state.IsModified)
        m_recovery->discard();
    m_recovery.reset();
    m_focus.reset(); // its reading of the listing ends first
}

QString Workbench::pathOf(const QString &fileName) const
{
    return m_folder + QLatin1Char('/') + fileName;
}

QString Workbench::databasePath() const
{
    return pathOf(MessageDatabase::FileName);
}

QString Workbench::settingsPath() const
{
    return pathOf(SettingsFile::FileName);
}

void Workbench::formLoad()
{
    m_table.SetColumnHeading(PositionColumn, QStringLiteral("Position"));
    m_table.SetColumnHeading(CommentsColumn, QStringLiteral("Comments"));
    m_table.SetColumnHeading(EnglishColumn, QStringLiteral("English"));
    m_table.SetColumnHeading(SecondColumn, QStringLiteral("Master Language #2"));
    m_table.SetColumnHeading(EditedColumn, QStringLiteral("Current Language"));
    m_table.SetSheetProtected(true);
}

bool Workbench::LoadTable()
{
    const bool loaded = loadTable(*this);
    if (loaded) {
        m_history.startAfresh(); // the table is the database's again
        rowFilter = {};
        applyRowFilter(m_table, rowFilter);
        m_findings->clear(); // they were of other texts
        m_recovery->afterLoad();
    }
    m_progress.recount();
    if (loaded) {
        for (const auto &observer : m_loadObservers)
            observer();
    }
    return loaded;
}

bool Workbench::SaveTable()
{
    if (IsLoaded && !m_recovery->editingElsewhere().isEmpty()) {
        critical(texts::cannotSaveToDatabase(databasePath(), QStringLiteral("another window has it open for editing")));
        return true;
    }
    const bool nothingSaved = saveTable(*this, m_saveRowObserver);
    if (!nothingSaved) {
        // The journal keeps only what the save did not write.
        std::set<int> written {m_state.EditedLanguageField};
        if (m_state.IsUnlocked)
            written.insert({1, 2, m_state.SecondLanguageField});
        m_recovery->afterSave(!m_state.IsModified, written);
    }
    if (!nothingSaved && !m_state.IsModified)
        m_history.markSaved();
    if (!nothingSaved) {
        m_progress.recount(); // cleaning may have emptied a text
        QString note = QStringLiteral("Saved %1 change(s) at %2").arg(lastSaveWrites).arg(QTime::currentTime().toString(QStringLiteral("HH:mm")));
        if (lastSaveCleaned > 0)
            note += QStringLiteral("; %1 text(s) now show what was stored (quotes, spaces and line breaks cleaned)").arg(lastSaveCleaned);
        if (lastSaveTakenIn > 0)
            note += QStringLiteral("; %1 text(s) others saved since your load were taken into the table").arg(lastSaveTakenIn);
        status(note);
    }
    return nothingSaved;
}

bool Workbench::saveFirstPrompt()
{
    if (!m_state.IsModified)
        return true;
    const Answer answer = m_prompts.message(texts::SaveChangesFirst, Buttons::YesNo, Icon::Question, texts::SaveChangesTitle);
    if (answer != Answer::Yes) {
        m_recovery->discard(); // the command goes on and the edits are given up
        return true;
    }
    const bool nothingSaved = SaveTable();
    yield();
    return !nothingSaved;
}

bool Workbench::closePrompt(bool startedByUser)
{
    if (!startedByUser || !m_state.IsModified)
        return true;
    switch (m_prompts.message(texts::SaveChangesFirst, Buttons::YesNoCancel, Icon::Question, texts::SaveChangesTitle)) {
    case Answer::Yes:
        return !SaveTable();
    case Answer::No:
        m_recovery->discard();
        return true;
    default:
        return false;
    }
}

void Workbench::critical(const QString &text, const Caption &caption)
{
    // A message box always shows the ordinary pointer, whatever the command is doing.
    const MousePointer pointer = m_table.mousePointer();
    m_table.setMousePointer(MousePointer::Default);
    m_prompts.message(text, Buttons::Ok, Icon::Critical, caption);
    m_table.setMousePointer(pointer);
}

void Workbench::information(const QString &text, const Caption &caption)
{
    const MousePointer pointer = m_table.mousePointer();
    m_table.setMousePointer(MousePointer::Default);
    m_prompts.message(text, Buttons::Ok, Icon::Information, caption);
    m_table.setMousePointer(pointer);
}

} // namespace lng
