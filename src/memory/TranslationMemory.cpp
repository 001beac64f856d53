#include "TranslationMemory.h"

#include "FuzzyMatch.h"
#include "app/TextRules.h"
#include "app/Workbench.h"
#include "grid/Sheet.h"

#include <QLocale>

#include <algorithm>
#include <map>

namespace lng {

namespace {
// Dice's share of common pieces, per hundred, below which a text is not scored at all.
constexpr int kPiecePrefilter = 40;
// The most candidates scored by edit distance, best shares first.
constexpr std::size_t kMostScored = 100;

// The distinct three-character pieces of a text, letter case and runs of spaces folded.
std::vector<std::uint64_t> piecesOf(const QString &text)
{
    QString folded;
    folded.reserve(text.size() + 2);
    folded += QLatin1Char(' ');
    for (const QChar ch : text) {
        if (ch.isSpace()) {
            if (!folded.endsWith(QLatin1Char(' ')))
                folded += QLatin1Char(' ');
        } else {
            folded += ch.toLower();
        }
    }
    if (!folded.endsWith(QLatin1Char(' ')))
        folded += QLatin1Char(' ');
    std::vector<std::uint64_t> pieces;
    pieces.reserve(static_cast<std::size_t>(folded.size()));
    for (qsizetype i = 0; i + 3 <= folded.size(); ++i) {
        pieces.push_back(static_cast<std::uint64_t>(folded[i].unicode()) << 32 | static_cast<std::uint64_t>(folded[i + 1].unicode()) << 16
                         | folded[i + 2].unicode());
    }
    std::sort(pieces.begin(), pieces.end());
    pieces.erase(std::unique(pieces.begin(), pieces.end()), pieces.end());
    return pieces;
}

QString englishAt(const Sheet &table, int row)
{
    return trimSpaces(table.CellText(row, EnglishColumn));
}
} // namespace

void TranslationMemory::build()
{
    const int rows = m_table.RowLimit();
    m_english.assign(static_cast<std::size_t>(rows), QString());
    m_pieceCounts.assign(static_cast<std::size_t>(rows), 0);
    m_shared.assign(static_cast<std::size_t>(rows), 0);
    m_rowsByPiece.clear();
    for (int row = 1; row <= rows; ++row) {
        if (m_table.CellTypeAt(row, EnglishColumn) == CellType::Empty)
            continue;
        const auto k = static_cast<std::size_t>(row - 1);
        m_english[k] = englishAt(m_table, row);
        const std::vector<std::uint64_t> pieces = piecesOf(m_english[k]);
        m_pieceCounts[k] = static_cast<int>(pieces.size());
        for (const std::uint64_t piece : pieces)
            m_rowsByPiece[piece].push_back(row - 1);
    }
    m_built = true;
}

std::vector<Suggestion> TranslationMemory::suggestionsFor(int row, int limit)
{
    if (row < 1 || row > m_table.RowLimit())
        return {};
    const QString english = englishAt(m_table, row);
    if (english.isEmpty())
        return {};
    if (!m_built || static_cast<int>(m_english.size()) != m_table.RowLimit() || m_english[static_cast<std::size_t>(row - 1)] != english)
        build();

    // How many pieces each other message shares with this one.
    const std::vector<std::uint64_t> pieces = piecesOf(english);
    std::vector<int> touched;
    for (const std::uint64_t piece : pieces) {
        const auto found = m_rowsByPiece.find(piece);
        if (found == m_rowsByPiece.end())
            continue;
        for (const int other : found->second) {
            if (m_shared[static_cast<std::size_t>(other)]++ == 0)
                touched.push_back(other);
        }
    }
    struct Candidate {
        int index;
        int dice;
    };
    std::vector<Candidate> candidates;
    for (const int other : touched) {
        const auto k = static_cast<std::size_t>(other);
        const int dice = 200 * m_shared[k] / (static_cast<int>(pieces.size()) + m_pieceCounts[k]);
        m_shared[k] = 0;
        // A score of 70 leaves the longer text at most 30 % more characters than the shorter.
        const qsizetype length = m_english[k].size();
        const qsizetype longer = std::max(length, english.size());
        const bool closeInLength = std::abs(length - english.size()) * 100 <= longer * (100 - MinimumScore);
        if (other != row - 1 && dice >= kPiecePrefilter && closeInLength)
            candidates.push_back({other, dice});
    }
    const auto better = [](const Candidate &a, const Candidate &b) { return a.dice > b.dice || (a.dice == b.dice && a.index < b.index); };
    if (candidates.size() > kMostScored) {
        std::nth_element(candidates.begin(), candidates.begin() + kMostScored, candidates.end(), better);
        candidates.resize(kMostScored);
    }
    std::sort(candidates.begin(), candidates.end(), better);

    std::vector<Suggestion> found;
    bool stale = false;
    for (const Candidate &candidate : candidates) {
        const int other = candidate.index + 1;
        const QString &theirs = m_english[static_cast<std::size_t>(candidate.index)];
        if (englishAt(m_table, other) != theirs) {
            stale = true; // changed since the index was made; made again next time
            continue;
        }
        QString translation = m_table.CellText(other, EditedColumn);
        if (trimSpaces(translation).isEmpty())
            continue;
        const int score = similarity(english, theirs, MinimumScore);
        if (score < MinimumScore)
            continue;
        found.push_back({other, m_table.CellNumber(other, PositionColumn), score, theirs, QString(), std::move(translation)});
    }
    if (stale)
        m_built = false;
    std::stable_sort(found.begin(), found.end(),
                     [](const Suggestion &a, const Suggestion &b) { return a.score > b.score || (a.score == b.score && a.row < b.row); });
    std::vector<Suggestion> best;
    for (Suggestion &suggestion : found) {
        if (static_cast<int>(best.size()) >= limit)
            break;
        if (std::any_of(best.begin(), best.end(), [&](const Suggestion &kept) { return kept.translation == suggestion.translation; }))
            continue;
        suggestion.englishMarked = markDifferingWords(english, suggestion.english);
        best.push_back(std::move(suggestion));
    }
    return best;
}

int fillFromIdenticalEnglish(Workbench &bench)
{
    Sheet &table = bench.table();
    // For each English text, its translations and how many messages use each.
    struct Use {
        int count = 0;
        int firstRow = 0;
    };
    std::unordered_map<QString, std::map<QString, Use>> translations;
    std::vector<std::pair<int, QString>> empty;
    for (int row = 1; row <= TableRows; ++row) {
        if (table.CellTypeAt(row, PositionColumn) != CellType::Number || table.CellTypeAt(row, EnglishColumn) == CellType::Empty)
            continue;
        QString english = englishAt(table, row);
        if (english.isEmpty())
            continue;
        const QString text = table.CellText(row, EditedColumn);
        if (!trimSpaces(text).isEmpty()) {
            Use &use = translations[english][text];
            if (use.count++ == 0)
                use.firstRow = row;
        } else if (table.isEditable(row, EditedColumn)) {
            empty.emplace_back(row, std::move(english));
        }
    }
    std::vector<std::pair<int, QString>> fills;
    for (const auto &[row, english] : empty) {
        const auto found = translations.find(english);
        if (found == translations.end())
            continue;
        const auto best = std::max_element(found->second.begin(), found->second.end(), [](const auto &a, const auto &b) {
            return a.second.count < b.second.count || (a.second.count == b.second.count && a.second.firstRow > b.second.firstRow);
        });
        fills.emplace_back(row, best->first);
    }
    if (fills.empty()) {
        bench.status(QStringLiteral("No empty message has the English text of a translated one"));
        return 0;
    }
    bench.history().recordChange(QStringLiteral("fill from identical English texts"), TableRows, {EditedColumn}, [&] {
        for (const auto &[row, text] : fills)
            table.SetCellText(row, EditedColumn, text);
        return true;
    });
    bench.status(QStringLiteral("%1 empty message(s) filled from identical English texts; nothing is saved until you save")
                     .arg(QLocale(QLocale::English).toString(static_cast<int>(fills.size()))));
    return static_cast<int>(fills.size());
}

void bindTranslationMemory(Workbench &bench)
{
    bench.dispatcher().bind(QStringLiteral("ID_FillFromIdentical"), [&bench] {
        if (bench.IsLoaded)
            fillFromIdenticalEnglish(bench);
    });
}

} // namespace lng
