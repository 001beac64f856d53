#include "TableFindings.h"

#include "app/Workbench.h"
#include "db/MessageDatabase.h"

#include <QLocale>

#include <algorithm>

namespace lng {

TableFindings::TableFindings(Workbench &bench, QObject *parent)
    : QObject(parent)
    , m_bench(bench)
{
    connect(&bench.table(), &Sheet::CellEdited, this, [this](int row, int col) {
        if (m_hasRun && (col == EditedColumn || col == EnglishColumn || col == PositionColumn))
            recheckRow(row);
    });
}

TableFindings::~TableFindings() = default;

CheckedText TableFindings::textOf(int row) const
{
    const Sheet &table = m_bench.table();
    if (table.CellTypeAt(row, PositionColumn) != CellType::Number || !(table.CellNumber(row, PositionColumn) > 0))
        return {};
    return {static_cast<std::int64_t>(table.CellNumber(row, PositionColumn)), table.CellText(row, EnglishColumn),
            table.CellText(row, EditedColumn)};
}

bool TableFindings::isIgnored(const Finding &finding, const QString &english) const
{
    return m_ignored.contains(finding.number, m_bench.state().EditedLanguageField, finding.check, english);
}

void TableFindings::checkRow(int row, std::vector<RowFinding> &into) const
{
    const CheckedText text = textOf(row);
    if (text.number <= 0)
        return;
    std::vector<Finding> found;
    m_checker->checkOne(text, found);
    for (Finding &finding : found) {
        if (!isIgnored(finding, text.english))
            into.push_back({row, std::move(finding)});
    }
}

void TableFindings::runAll()
{
    const SharedState &state = m_bench.state();
    m_checker = std::make_unique<TranslationChecker>(state.EditedLanguageName);
    m_ignored = {};
    {
        MessageDatabase db;
        if (db.open(m_bench.databasePath(), MessageDatabase::Access::ReadOnly, nullptr))
            m_ignored.read(db, nullptr); // without the database nothing is ignored yet
    }
    m_findings.clear();
    m_groups.clear();
    m_englishOf.clear();
    m_messages = 0;
    std::vector<CheckedText> texts;
    std::map<std::int64_t, int> rowOf;
    for (int row = 1; row <= TableRows; ++row) {
        CheckedText text = textOf(row);
        if (text.number <= 0)
            continue;
        m_messages += !text.translation.trimmed().isEmpty();
        checkRow(row, m_findings);
        m_groups[text.english].push_back(row);
        m_englishOf[row] = text.english;
        rowOf[text.number] = row;
        texts.push_back(std::move(text));
    }
    std::vector<Finding> consistency;
    m_checker->checkConsistency(texts, consistency);
    for (Finding &finding : consistency) {
        const int row = rowOf.at(finding.number);
        if (!isIgnored(finding, m_englishOf.at(row)))
            m_findings.push_back({row, std::move(finding)});
    }
    m_hasRun = true;
    sort();
    emit changed();
}

void TableFindings::recheckGroup(const QString &english)
{
    const auto group = m_groups.find(english);
    if (group == m_groups.end())
        return;
    std::erase_if(m_findings, [&](const RowFinding &f) {
        return f.finding.check == QLatin1String("inconsistent") && std::find(group->second.begin(), group->second.end(), f.row) != group->second.end();
    });
    if (group->second.size() < 2)
        return;
    std::vector<CheckedText> texts;
    for (int row : group->second)
        texts.push_back(textOf(row));
    std::vector<Finding> consistency;
    m_checker->checkConsistency(texts, consistency);
    for (Finding &finding : consistency) {
        const auto row = std::find_if(group->second.begin(), group->second.end(), [&](int r) { return textOf(r).number == finding.number; });
        if (!isIgnored(finding, english))
            m_findings.push_back({*row, std::move(finding)});
    }
}

void TableFindings::recheckRow(int row)
{
    if (!m_hasRun)
        return;
    std::erase_if(m_findings, [row](const RowFinding &f) { return f.row == row && f.finding.check != QLatin1String("inconsistent"); });
    checkRow(row, m_findings);
    // The row may have moved from one English text's group to another.
    const QString before = m_englishOf.count(row) ? m_englishOf[row] : QString();
    const CheckedText now = textOf(row);
    if (m_englishOf.count(row) && before != now.english) {
        std::erase(m_groups[before], row);
        recheckGroup(before);
    }
    if (now.number > 0) {
        if (!m_englishOf.count(row) || before != now.english)
            m_groups[now.english].push_back(row);
        m_englishOf[row] = now.english;
        recheckGroup(now.english);
    }
    sort();
    emit changed();
}

void TableFindings::clear()
{
    m_findings.clear();
    m_groups.clear();
    m_englishOf.clear();
    m_hasRun = false;
    m_messages = 0;
    emit changed();
}

void TableFindings::sort()
{
    std::stable_sort(m_findings.begin(), m_findings.end(), [](const RowFinding &a, const RowFinding &b) {
        return a.row != b.row ? a.row < b.row : checkIds().indexOf(a.finding.check) < checkIds().indexOf(b.finding.check);
    });
}

bool TableFindings::rowHasFindings(int row) const
{
    return std::any_of(m_findings.begin(), m_findings.end(), [row](const RowFinding &f) { return f.row == row; });
}

std::vector<int> TableFindings::rowsWithFindings() const
{
    std::vector<int> rows;
    for (const RowFinding &f : m_findings) {
        if (rows.empty() || rows.back() != f.row)
            rows.push_back(f.row);
    }
    return rows;
}

QString TableFindings::summary() const
{
    const QLocale english(QLocale::English);
    const auto errors = std::count_if(m_findings.begin(), m_findings.end(), [](const RowFinding &f) { return f.finding.severity == Severity::Error; });
    const auto warnings = static_cast<qsizetype>(m_findings.size()) - errors;
    return QStringLiteral("%1 error%2, %3 warning%4 in %5 messages")
        .arg(english.toString(errors), errors == 1 ? QString() : QStringLiteral("s"), english.toString(warnings),
             warnings == 1 ? QString() : QStringLiteral("s"), english.toString(m_messages));
}

bool TableFindings::ignore(const RowFinding &finding, QString *error)
{
    const QString english = textOf(finding.row).english;
    const int field = m_bench.state().EditedLanguageField;
    if (!IgnoredFindings::add(m_bench.databasePath(), finding.finding.number, field, finding.finding.check, english, error))
        return false;
    m_ignored.insert(finding.finding.number, field, finding.finding.check, english);
    std::erase_if(m_findings, [&](const RowFinding &f) { return f.row == finding.row && f.finding == finding.finding; });
    emit changed();
    return true;
}

} // namespace lng
