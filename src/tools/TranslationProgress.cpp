#include "TranslationProgress.h"

#include "app/TextRules.h"
#include "app/Workbench.h"
#include "grid/Sheet.h"

#include <QLocale>

namespace lng {

namespace {
constexpr std::uint8_t kMessage = 1;
constexpr std::uint8_t kTranslated = 2;
} // namespace

TranslationProgress::TranslationProgress(Sheet &table, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_rows(TableRows, 0)
{
    connect(&m_table, &Sheet::CellEdited, this, [this](int row, int) { rowChanged(row); });
}

std::uint8_t TranslationProgress::stateOf(int row) const
{
    if (m_table.CellTypeAt(row, PositionColumn) != CellType::Number || !(m_table.CellNumber(row, PositionColumn) > 0))
        return 0;
    if (m_table.CellTypeAt(row, EditedColumn) == CellType::Empty || trimSpaces(m_table.CellText(row, EditedColumn)).isEmpty())
        return kMessage;
    return kMessage | kTranslated;
}

void TranslationProgress::recount()
{
    m_messages = 0;
    m_translated = 0;
    for (int row = 1; row <= TableRows; ++row) {
        const std::uint8_t state = stateOf(row);
        m_rows[static_cast<std::size_t>(row - 1)] = state;
        m_messages += state & kMessage;
        m_translated += (state & kTranslated) >> 1;
    }
    emit changed();
}

void TranslationProgress::rowChanged(int row)
{
    if (row < 1 || row > TableRows)
        return;
    std::uint8_t &kept = m_rows[static_cast<std::size_t>(row - 1)];
    const std::uint8_t state = stateOf(row);
    m_messages += (state & kMessage) - (kept & kMessage);
    m_translated += ((state & kTranslated) >> 1) - ((kept & kTranslated) >> 1);
    kept = state;
    emit changed();
}

QString TranslationProgress::summary(const QString &language) const
{
    const QLocale english(QLocale::English);
    const double percent = m_messages ? 100.0 * m_translated / m_messages : 0.0;
    return QStringLiteral("%1: %2 of %3 messages translated (%4 %)")
        .arg(language, english.toString(m_translated), english.toString(m_messages), english.toString(percent, 'f', 1));
}

} // namespace lng
