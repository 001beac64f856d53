#include "MessageFocus.h"

#include "app/Workbench.h"
#include "context/ContextCommand.h"
#include "db/TableSaver.h"

#include <QStringList>

namespace lng {

MessageFocus::MessageFocus(Workbench &bench, QObject *parent)
    : QObject(parent)
    , m_bench(bench)
    , m_usage(bench.pathOf(SourceListingName))
    , m_memory(bench.table())
{
    Sheet &table = bench.table();
    connect(&table, &Sheet::CellEdited, this, [this](int, int col) {
        if (col == EnglishColumn)
            m_memory.invalidate();
        if (col == PositionColumn)
            m_usage.numbersChanged();
        emit textsChanged();
    });
    connect(&bench.history(), &TableHistory::manyCellsChanged, this, [this] {
        m_memory.invalidate();
        m_usage.numbersChanged();
        emit textsChanged();
    });
    // Ctrl+1 to Ctrl+5: a suggestion for the active message into its edited cell.
    for (int k = 1; k <= TranslationMemory::MaxSuggestions; ++k) {
        bench.dispatcher().bind(QStringLiteral("ID_UseSuggestion%1").arg(k), [this, k] {
            useSuggestion(m_bench.table().ActiveRow(), k);
        });
    }
    // The listing is read again with every load, as the table's texts are.
    bench.addLoadObserver([this] {
        m_memory.invalidate();
        m_usage.numbersChanged();
        m_usage.reload();
        emit textsChanged();
    });
}

MessageFocus::Message MessageFocus::message(int row) const
{
    const Sheet &table = m_bench.table();
    Message message;
    message.row = row;
    message.number = table.CellText(row, PositionColumn);
    message.comment = table.CellText(row, CommentsColumn);
    message.english = table.CellText(row, EnglishColumn);
    message.second = table.CellText(row, SecondColumn);
    message.edited = table.CellText(row, EditedColumn);
    message.editable = m_bench.IsLoaded && table.isEditable(row, EditedColumn);
    return message;
}

bool MessageFocus::commit(int row, const QString &text)
{
    Sheet &table = m_bench.table();
    if (!m_bench.IsLoaded || text == table.CellText(row, EditedColumn))
        return false;
    return table.userSetText(row, EditedColumn, text);
}

QString MessageFocus::cleaningNote(const QString &text)
{
    if (CleanText(text) == text)
        return {};
    QStringList changes;
    if (text.contains(QLatin1Char('"')))
        changes << tr("double quotes become apostrophes");
    if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')))
        changes << tr("line breaks become spaces");
    if (std::any_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() < 32 && ch != QLatin1Char('\n') && ch != QLatin1Char('\r'); }))
        changes << tr("tabs and other control characters become spaces");
    if (CleanText(text).size() != text.size()) // the replacements keep the length; trimming does not
        changes << tr("spaces at the start and end are removed");
    return tr("When saved: %1.").arg(changes.join(QStringLiteral(", ")));
}

bool MessageFocus::useSuggestion(int row, int index)
{
    const std::vector<Suggestion> offered = suggestions(row);
    if (index < 1 || index > static_cast<int>(offered.size()))
        return false;
    return commit(row, offered[static_cast<std::size_t>(index - 1)].translation);
}

} // namespace lng
