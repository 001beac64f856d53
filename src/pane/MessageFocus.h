#pragma once

#include "context/SourceUsage.h"
#include "memory/TranslationMemory.h"

#include <QObject>
#include <QString>

#include <vector>

namespace lng {

class Workbench;

// What the message pane shows and does, without its widgets: the active row's texts, the
// user's edits of its edited cell, where the message is used and what was translated before.
class MessageFocus : public QObject {
    Q_OBJECT
public:
    struct Message {
        int row = 0;
        QString number;
        QString comment;
        QString english;
        QString second;
        QString edited;
        bool editable = false;
    };

    explicit MessageFocus(Workbench &bench, QObject *parent = nullptr);

    Message message(int row) const;
    // The user's edit of the row's edited cell, one undo step, when the text differs from the
    // cell's; answers whether the cell was written (never a locked one).
    bool commit(int row, const QString &text);
    // What a save will do to the text, in a line, or empty when it keeps it as it is.
    static QString cleaningNote(const QString &text);

    std::vector<Suggestion> suggestions(int row) { return m_memory.suggestionsFor(row); }
    // Puts suggestion `index` (from 1) of the row into its edited cell as the user's edit.
    bool useSuggestion(int row, int index);

    SourceUsage &usage() { return m_usage; }
    TranslationMemory &memory() { return m_memory; }

signals:
    // The table's texts may have changed (an edit, an undo, a load): what is shown is asked for again.
    void textsChanged();

private:
    Workbench &m_bench;
    SourceUsage m_usage;
    TranslationMemory m_memory;
};

} // namespace lng
