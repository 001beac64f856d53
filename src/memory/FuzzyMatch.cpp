#include "FuzzyMatch.h"

#include <QStringList>

#include <algorithm>
#include <vector>

namespace lng {

int similarity(const QString &a, const QString &b, int atLeast)
{
    if (a == b)
        return 100;
    const qsizetype longer = std::max(a.size(), b.size());
    // The most edits a score of `atLeast` allows.
    const qsizetype band = longer - (static_cast<qsizetype>(atLeast) * longer + 99) / 100;
    if (std::abs(a.size() - b.size()) > band)
        return 0;
    const QString &s = a.size() <= b.size() ? a : b;
    const QString &t = a.size() <= b.size() ? b : a;
    const qsizetype n = s.size();
    const qsizetype m = t.size();
    const qsizetype far = band + 1; // stands for "more than the band allows"
    std::vector<qsizetype> previous(static_cast<std::size_t>(n + 1));
    std::vector<qsizetype> current(static_cast<std::size_t>(n + 1), far);
    for (qsizetype i = 0; i <= n; ++i)
        previous[static_cast<std::size_t>(i)] = i <= band ? i : far;
    for (qsizetype j = 1; j <= m; ++j) {
        const qsizetype from = std::max<qsizetype>(1, j - band);
        const qsizetype to = std::min<qsizetype>(n, j + band);
        std::fill(current.begin(), current.end(), far);
        current[0] = j <= band ? j : far;
        qsizetype best = current[0];
        for (qsizetype i = from; i <= to; ++i) {
            const auto k = static_cast<std::size_t>(i);
            const qsizetype replace = previous[k - 1] + (s[i - 1] == t[j - 1] ? 0 : 1);
            const qsizetype value = std::min({replace, previous[k] + 1, current[k - 1] + 1, far});
            current[k] = value;
            best = std::min(best, value);
        }
        if (best > band)
            return 0;
        std::swap(previous, current);
    }
    const qsizetype distance = previous[static_cast<std::size_t>(n)];
    if (distance > band)
        return 0;
    const int score = static_cast<int>(100 - (distance * 100 + longer - 1) / longer);
    return std::min(score, 99);
}

namespace {
QStringList wordsOf(const QString &text)
{
    // Words and the runs between them, so that the text can be put together again.
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 1; i <= text.size(); ++i) {
        if (i == text.size() || text[i].isLetterOrNumber() != text[i - 1].isLetterOrNumber()) {
            parts << text.mid(start, i - start);
            start = i;
        }
    }
    return parts;
}
} // namespace

QString markDifferingWords(const QString &reference, const QString &text)
{
    const QStringList ours = wordsOf(text);
    const QStringList theirs = wordsOf(reference);
    const auto n = static_cast<std::size_t>(ours.size());
    const auto m = static_cast<std::size_t>(theirs.size());
    if (n * m > 1'000'000)
        return text.toHtmlEscaped(); // too long to compare word by word in the time a row move has
    // The longest common run of words, by dynamic programming over the two word lists.
    std::vector<std::vector<std::uint16_t>> common(n + 1, std::vector<std::uint16_t>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t j = m; j-- > 0;) {
            common[i][j] = ours[static_cast<qsizetype>(i)].compare(theirs[static_cast<qsizetype>(j)], Qt::CaseInsensitive) == 0
                               ? static_cast<std::uint16_t>(common[i + 1][j + 1] + 1)
                               : std::max(common[i + 1][j], common[i][j + 1]);
        }
    }
    QString html;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < n) {
        const QString &word = ours[static_cast<qsizetype>(i)];
        const bool shared = j < m && word.compare(theirs[static_cast<qsizetype>(j)], Qt::CaseInsensitive) == 0;
        if (shared) {
            html += word.toHtmlEscaped();
            ++i;
            ++j;
        } else if (j < m && common[i][j + 1] >= common[i + 1][j]) {
            ++j;
        } else {
            const bool isWord = !word.isEmpty() && word[0].isLetterOrNumber();
            html += isWord ? QStringLiteral("<b>") + word.toHtmlEscaped() + QStringLiteral("</b>") : word.toHtmlEscaped();
            ++i;
        }
    }
    return html;
}

} // namespace lng
