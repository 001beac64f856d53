#include "TableHistory.h"

#include "app/SharedState.h"

#include <QUndoCommand>

#include <set>

namespace lng {

CellState CellState::of(const Sheet &sheet, int row, int col)
{
    CellState state;
    state.type = sheet.CellTypeAt(row, col);
    if (state.type == CellType::Number)
        state.number = sheet.CellNumber(row, col);
    else if (state.type == CellType::Text)
        state.text = sheet.CellText(row, col);
    return state;
}

void CellState::restore(Sheet &sheet, int row, int col) const
{
    switch (type) {
    case CellType::Empty:
        sheet.ClearRange(row, col, row, col, 3);
        break;
    case CellType::Number:
        sheet.SetCellNumber(row, col, number);
        break;
    case CellType::Text:
        sheet.SetCellText(row, col, text);
        break;
    }
}

// One step: the cells it changed, with what they held before and after.
class TableHistory::Step : public QUndoCommand {
public:
    Step(TableHistory &history, const QString &label, std::vector<Change> changes)
        : QUndoCommand(label)
        , m_history(history)
        , m_changes(std::move(changes))
        , m_bytes(sizeof(*this) + m_changes.capacity() * sizeof(Change))
    {
        for (const Change &change : m_changes)
            m_bytes += static_cast<std::size_t>(change.before.text.size() + change.after.text.size()) * sizeof(QChar);
    }

    // What the step holds, roughly: its records and their texts.
    std::size_t bytes() const { return m_bytes; }
    const std::vector<Change> &changes() const { return m_changes; }

    // For the cells in `pending` this step changed: where its first change of each started
    // from, or where its last one left it, becomes what the table shows now; those cells
    // leave `pending`.
    void startFromTable(std::set<std::pair<int, int>> *pending) { rewrite(m_changes.begin(), m_changes.end(), &Change::before, pending); }
    void leaveAsTable(std::set<std::pair<int, int>> *pending) { rewrite(m_changes.rbegin(), m_changes.rend(), &Change::after, pending); }

    void undo() override { apply(&Change::before, true); }
    void redo() override
    {
        if (m_done) // the first redo is the push: the edit is already in the table
            apply(&Change::after, false);
        m_done = true;
    }

private:
    template <typename It>
    void rewrite(It first, It last, CellState Change::*which, std::set<std::pair<int, int>> *pending)
    {
        for (It it = first; it != last && !pending->empty(); ++it) {
            if (pending->erase({it->row, it->col}))
                (*it).*which = CellState::of(m_history.m_table, it->row, it->col);
        }
    }

    void apply(CellState Change::*which, bool backwards)
    {
        Sheet &table = m_history.m_table;
        const auto put = [&](const Change &change) { (change.*which).restore(table, change.row, change.col); };
        if (backwards) {
            for (auto it = m_changes.rbegin(); it != m_changes.rend(); ++it)
                put(*it);
        } else {
            for (const Change &change : m_changes)
                put(change);
        }
        m_history.notify(m_changes);
        emit m_history.manyCellsChanged();
        // The active cell follows the step, so the user sees what came back.
        const Change &first = m_changes.front();
        table.setActiveCell(first.row, first.col);
        table.ScrollToActiveCell();
    }

    TableHistory &m_history;
    std::vector<Change> m_changes;
    std::size_t m_bytes;
    bool m_done = false;
};

TableHistory::TableHistory(Sheet &table, SharedState &state, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_state(state)
{
    m_stack.setUndoLimit(StepLimit);
    connect(&m_table, &Sheet::cellAboutToBeEdited, this, &TableHistory::cellAboutToBeEdited);
    connect(&m_table, &Sheet::CellEdited, this, &TableHistory::cellEdited);
    connect(&m_table, &Sheet::editGroupStarted, this, [this] { m_inGroup = true; });
    connect(&m_table, &Sheet::editGroupFinished, this, &TableHistory::groupFinished);
    // Undoing back to what was stored leaves nothing unsaved; any other step leaves the table changed.
    connect(&m_stack, &QUndoStack::indexChanged, this, [this] { m_state.IsModified = !m_stack.isClean(); });
}

void TableHistory::cellAboutToBeEdited(int row, int col)
{
    m_pending.push_back({row, col, CellState::of(m_table, row, col), {}});
}

void TableHistory::cellEdited(int row, int col)
{
    if (m_pending.empty() || m_pending.back().row != row || m_pending.back().col != col)
        return;
    Change &change = m_pending.back();
    change.after = CellState::of(m_table, row, col);
    if (change.after == change.before)
        m_pending.pop_back();
    if (!m_inGroup)
        push(QStringLiteral("typing in %1").arg(messageOf(row)), std::exchange(m_pending, {}));
}

void TableHistory::groupFinished(Sheet::EditKind kind)
{
    m_inGroup = false;
    std::vector<Change> changes = std::exchange(m_pending, {});
    const auto count = static_cast<int>(changes.size());
    const QString cells = count == 1 ? QStringLiteral("1 cell") : QStringLiteral("%1 cells").arg(count);
    const QString label = (kind == Sheet::EditKind::Paste ? QStringLiteral("paste of ") : QStringLiteral("clearing of ")) + cells;
    push(label, std::move(changes));
}

bool TableHistory::recordChange(const QString &label, int rows, const std::vector<int> &columns,
                                const std::function<bool()> &change)
{
    std::vector<CellState> before;
    before.reserve(static_cast<std::size_t>(rows) * columns.size());
    for (int row = 1; row <= rows; ++row) {
        for (int col : columns)
            before.push_back(CellState::of(m_table, row, col));
    }
    const bool result = change();
    std::vector<Change> changes;
    std::size_t i = 0;
    for (int row = 1; row <= rows; ++row) {
        for (int col : columns) {
            CellState after = CellState::of(m_table, row, col);
            if (!(after == before[i]))
                changes.push_back({row, col, std::move(before[i]), std::move(after)});
            ++i;
        }
    }
    push(label, std::move(changes));
    emit manyCellsChanged();
    return result;
}

void TableHistory::push(const QString &label, std::vector<Change> changes)
{
    if (changes.empty())
        return;
    notify(changes);
    auto *step = new Step(*this, label, std::move(changes));
    m_bytes += step->bytes();
    m_stack.push(step); // drops the steps that were undone, and beyond the step limit the oldest
    keepWithinBytes();
}

void TableHistory::keepWithinBytes()
{
    // The running sum never shrinks as the stack drops steps of its own accord; only past the
    // limit is what the stack really holds counted again.
    if (m_bytes <= ByteLimit)
        return;
    std::size_t held = 0;
    for (int i = 0; i < m_stack.count(); ++i)
        held += static_cast<const Step *>(m_stack.command(i))->bytes();
    m_bytes = held;
    if (m_bytes <= ByteLimit || m_stack.count() < 2)
        return;
    // The stack drops none by size: it is laid anew with the newest steps that fit. A push
    // has just happened, so every step on it is done and nothing is redone by the re-laying.
    struct Kept {
        QString label;
        std::vector<Change> changes;
    };
    std::vector<Kept> kept;
    std::size_t total = 0;
    for (int i = m_stack.count() - 1; i >= 0; --i) {
        const auto *step = static_cast<const Step *>(m_stack.command(i));
        if (total + step->bytes() > ByteLimit && !kept.empty())
            break;
        total += step->bytes();
        kept.push_back({step->text(), step->changes()});
    }
    // The last load or save stays the unmodified point only when it is the newest step; an
    // older one goes with the steps dropped (undoing back to it no longer clears the flag).
    const bool topIsClean = m_stack.isClean();
    const bool modified = m_state.IsModified;
    m_stack.clear();
    for (auto it = kept.rbegin(); it != kept.rend(); ++it)
        m_stack.push(new Step(*this, it->label, std::move(it->changes)));
    if (topIsClean)
        m_stack.setClean();
    else
        m_stack.resetClean();
    m_state.IsModified = modified;
    m_bytes = total;
}

void TableHistory::notify(const std::vector<Change> &changes) const
{
    if (!m_observer)
        return;
    for (const Change &change : changes)
        m_observer(change.row, change.col);
}

QString TableHistory::messageOf(int row) const
{
    if (m_table.CellTypeAt(row, 1) == CellType::Number)
        return QStringLiteral("message %1").arg(Sheet::formatNumber(m_table.CellNumber(row, 1)));
    return QStringLiteral("row %1").arg(row);
}

void TableHistory::startAfresh()
{
    m_pending.clear();
    m_bytes = 0;
    m_stack.clear();
    m_stack.setClean();
}

void TableHistory::markSaved()
{
    m_stack.setClean();
}

void TableHistory::cellsStoredAs(const std::vector<std::pair<int, int>> &cells)
{
    // The steps are ours: the stack hands them out as constant only.
    const auto step = [this](int index) { return static_cast<Step *>(const_cast<QUndoCommand *>(m_stack.command(index))); };
    std::set<std::pair<int, int>> done(cells.begin(), cells.end());
    for (int i = m_stack.index() - 1; i >= 0 && !done.empty(); --i)
        step(i)->leaveAsTable(&done);
    std::set<std::pair<int, int>> undone(cells.begin(), cells.end());
    for (int i = m_stack.index(); i < m_stack.count() && !undone.empty(); ++i)
        step(i)->startFromTable(&undone);
}

} // namespace lng
