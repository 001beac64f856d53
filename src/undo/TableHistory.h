#pragma once

#include "grid/Sheet.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <vector>

namespace lng {

struct SharedState;

// What one cell holds, enough to put it back.
struct CellState {
    CellType type = CellType::Empty;
    double number = 0;
    QString text;

    static CellState of(const Sheet &sheet, int row, int col);
    void restore(Sheet &sheet, int row, int col) const;
    bool operator==(const CellState &) const = default;
};

// The undo history of the message table. Every edit of the user's (typing, a paste, a clear)
// and every import becomes one step; undoing and redoing write the cells back as the program
// and mark the table modified, except where the table comes back to what the last load or save
// left, which is unmodified again. A load starts a new history; a save keeps it.
class TableHistory : public QObject {
    Q_OBJECT
public:
    static constexpr int StepLimit = 1000;
    // The memory the steps may hold; the oldest go first when a new one would pass it.
    static constexpr std::size_t ByteLimit = 64u << 20;

    TableHistory(Sheet &table, SharedState &state, QObject *parent = nullptr);

    QUndoStack &stack() { return m_stack; }
    void undo() { m_stack.undo(); }
    void redo() { m_stack.redo(); }

    // Records what `change` writes as the program into the given columns of rows 1 to `rows`
    // as one step named `label`; answers what `change` answered. Nothing is recorded when
    // no cell changed.
    bool recordChange(const QString &label, int rows, const std::vector<int> &columns, const std::function<bool()> &change);

    // Called for every cell a step changes, when it is made, undone or redone.
    void setCellObserver(std::function<void(int row, int col)> observer) { m_observer = std::move(observer); }

    void startAfresh(); // after a load

signals:
    // Many cells changed at once: an undo, a redo, or a recorded change of the program's.
    void manyCellsChanged();

public:
    void markSaved();   // after a save that stored everything
    // A save showed in these cells (row, column) what it stored there (the texts cleaned): the
    // steps next to the present that wrote each cell write that from now on, so undo and redo
    // come back to what was stored and not to the text before the cleaning.
    void cellsStoredAs(const std::vector<std::pair<int, int>> &cells);

private:
    struct Change {
        int row;
        int col;
        CellState before;
        CellState after;
    };
    class Step;

    void cellAboutToBeEdited(int row, int col);
    void cellEdited(int row, int col);
    void groupFinished(Sheet::EditKind kind);
    void push(const QString &label, std::vector<Change> changes);
    void keepWithinBytes();
    std::size_t m_bytes = 0; // held by the steps on the stack, roughly
    void notify(const std::vector<Change> &changes) const;
    QString messageOf(int row) const;

    Sheet &m_table;
    SharedState &m_state;
    QUndoStack m_stack;
    std::vector<Change> m_pending; // edits of the user's edit in progress
    bool m_inGroup = false;
    std::function<void(int, int)> m_observer;
};

} // namespace lng
