#pragma once

#include "CommandDispatcher.h"
#include "Prompts.h"
#include "SharedState.h"
#include "checks/TableFindings.h"
#include "db/StoredSnapshot.h"
#include "recovery/RecoverySession.h"
#include "grid/Sheet.h"
#include "tools/FindEngine.h"
#include "tools/RowFilter.h"
#include "tools/TranslationProgress.h"
#include "undo/TableHistory.h"

#include <functional>
#include <memory>
#include <vector>

namespace lng {

class MessageFocus;

// Columns of the message table.
enum TableColumn { PositionColumn = 1, CommentsColumn = 2, EnglishColumn = 3, SecondColumn = 4, EditedColumn = 5 };

inline constexpr int TableRows = 9999;        // rows 1..9999 show messages 101..10099
inline constexpr int FirstMessageNumber = 101;
inline constexpr int LastMessageNumber = 10099;
inline constexpr int RowOffset = 100;         // grid row = message number - 100

// Whether a stored message number has a row in the table: a whole number from 101 to 10099.
inline bool isTableMessageNumber(double n)
{
    return n >= FirstMessageNumber && n <= LastMessageNumber && n == static_cast<int>(n);
}

// The main window without its widgets: the message table, the hidden exchange grid, the
// procedures that load and save the table, and the command table the toolbar dispatches into.
// Everything here runs without a display; the window only shows it.
class Workbench {
public:
    Workbench(SharedState &state, Prompts &prompts, Clipboard &clipboard, QString folder);
    ~Workbench();

    SharedState &state() { return m_state; }
    Prompts &prompts() { return m_prompts; }
    Clipboard &clipboard() { return m_clipboard; }
    Sheet &table() { return m_table; }             // F1Book1
    Sheet &exchangeSheet() { return m_exchange; }  // F1Book2, never shown
    CommandDispatcher &dispatcher() { return m_dispatcher; }
    TableHistory &history() { return m_history; }
    TranslationProgress &progress() { return m_progress; }
    TableFindings &findings() { return *m_findings; }
    RecoverySession &recovery() { return *m_recovery; }
    MessageFocus &focus() { return *m_focus; }

    const QString &folder() const { return m_folder; }
    QString pathOf(const QString &fileName) const;
    QString databasePath() const;
    QString settingsPath() const;

    bool IsLoaded = false;
    // What the database held when the table was last loaded or saved.
    StoredSnapshot &storedSnapshot() { return m_snapshot; }

    // The window's load: headings, the table's layout and protection.
    void formLoad();

    // Fills the table from the database; reports any failure itself and answers whether the
    // load ran to its end.
    bool LoadTable();
    // Writes the table back. Answers true when nothing was saved (not loaded, password refused,
    // the database could not be opened or the write could not be committed).
    bool SaveTable();
    // Asks whether to save changes before a command goes on; answers whether it may go on.
    bool saveFirstPrompt();
    // The question when the user closes the window; answers whether the window may close.
    bool closePrompt(bool startedByUser);

    // Called after every load that ran to its end.
    void addLoadObserver(std::function<void()> observer) { m_loadObservers.push_back(std::move(observer)); }

    // Lets pending window events run once.
    void yield() const { if (m_yield) m_yield(); }
    void setYield(std::function<void()> yield) { m_yield = std::move(yield); }
    // Called after each row the save has visited (progress; tests use it to stop a save midway).
    void setSaveRowObserver(std::function<void(int row)> observer) { m_saveRowObserver = std::move(observer); }

    // A short note in the window's status bar ("Saved 12 changes at 14:32"); never a box.
    void status(const QString &text);
    void setStatusReporter(std::function<void(const QString &)> reporter) { m_statusReporter = std::move(reporter); }
    const QString &lastStatus() const { return m_lastStatus; }

    // The rows the view shows; all of them after every load.
    RowFilter rowFilter;
    // The search the find dialog last ran, for finding again without it.
    std::optional<FindOptions> lastSearch;
    // How many fields the last save wrote, and how many cells it set to the text it stored.
    int lastSaveWrites = 0;
    int lastSaveCleaned = 0;
    int lastSaveTakenIn = 0; // texts others saved on the server, taken into the table

    // Shorthands for reporting.
    void critical(const QString &text, const Caption &caption = NoTitle);
    void information(const QString &text, const Caption &caption = NoTitle);

private:
    SharedState &m_state;
    Prompts &m_prompts;
    Clipboard &m_clipboard;
    QString m_folder;
    Sheet m_table {5};
    Sheet m_exchange {2};
    CommandDispatcher m_dispatcher;
    TableHistory m_history {m_table, m_state};
    TranslationProgress m_progress {m_table};
    std::unique_ptr<TableFindings> m_findings;
    std::unique_ptr<RecoverySession> m_recovery;
    std::unique_ptr<MessageFocus> m_focus;
    std::function<void(const QString &)> m_statusReporter;
    QString m_lastStatus;
    StoredSnapshot m_snapshot;
    std::function<void()> m_yield;
    std::function<void(int)> m_saveRowObserver;
    std::vector<std::function<void()>> m_loadObservers;
};

} // namespace lng
