#include "TranslationChecks.h"

#include "exchange/CodePage.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <set>

namespace lng {

namespace {

// Place markers of a text: Tesmora's %1..%99 (order free), printf conversions (order fixed
// unless positional; %% is a literal) and {0} / {name}.
struct Markers {
    std::multiset<QString> unordered; // %1, %1$s, {0}
    QStringList ordered;              // %s, %d, ... in their order
};

Markers markersOf(const QString &text)
{
    if (!text.contains(QLatin1Char('%')) && !text.contains(QLatin1Char('{')))
        return {}; // most texts: no regular expression needed
    thread_local const QRegularExpression printf(QStringLiteral(
        "%(?:%|(\\d+\\$)?[-+ #0]*(?:\\d+|\\*)?(?:\\.(?:\\d+|\\*))?(?:hh|h|ll|l|L|q|j|z|t|I64)?[diouxXeEfFgGaAcsSpn]|[1-9]\\d?)"));
    thread_local const QRegularExpression brace(QStringLiteral("\\{(?:\\d+|[A-Za-z_][A-Za-z0-9_]*)\\}"));
    Markers markers;
    for (auto it = printf.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString marker = match.captured(0);
        if (marker == QLatin1String("%%"))
            continue;
        const QChar last = marker.back();
        if (!match.captured(1).isEmpty() || last.isDigit())
            markers.unordered.insert(marker);
        else
            markers.ordered << marker;
    }
    for (auto it = brace.globalMatch(text); it.hasNext();)
        markers.unordered.insert(it.next().captured(0));
    return markers;
}

QString joined(const std::multiset<QString> &set)
{
    return QStringList(set.begin(), set.end()).join(QStringLiteral(" "));
}

std::optional<QString> placeholderFault(const QString &english, const QString &translation)
{
    const Markers source = markersOf(english);
    const Markers target = markersOf(translation);
    std::multiset<QString> missing;
    std::multiset<QString> extra;
    std::set_difference(source.unordered.begin(), source.unordered.end(), target.unordered.begin(), target.unordered.end(),
                        std::inserter(missing, missing.end()));
    std::set_difference(target.unordered.begin(), target.unordered.end(), source.unordered.begin(), source.unordered.end(),
                        std::inserter(extra, extra.end()));
    QStringList parts;
    if (source.ordered != target.ordered) {
        const std::multiset<QString> a(source.ordered.begin(), source.ordered.end());
        const std::multiset<QString> b(target.ordered.begin(), target.ordered.end());
        if (a == b) {
            parts << QStringLiteral("printf markers in another order (%1, English: %2); number them (%3) to reorder")
                         .arg(target.ordered.join(QLatin1Char(' ')), source.ordered.join(QLatin1Char(' ')), QStringLiteral("%1$s"));
        } else {
            std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(missing, missing.end()));
            std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::inserter(extra, extra.end()));
        }
    }
    if (!missing.empty())
        parts.prepend(QStringLiteral("missing %1").arg(joined(missing)));
    if (!extra.empty())
        parts << QStringLiteral("extra %1").arg(joined(extra));
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(QStringLiteral("; "));
}

// Accelerator marks: "&" before a character; "&&" is a literal ampersand.
struct Accelerators {
    int marks = 0;
    bool trailing = false; // a lone "&" at the end
};

Accelerators acceleratorsOf(const QString &text)
{
    Accelerators result;
    if (!text.contains(QLatin1Char('&')))
        return result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (i + 1 == text.size()) {
            result.trailing = true;
        } else if (text[i + 1] == QLatin1Char('&')) {
            ++i;
        } else if (!text[i + 1].isSpace()) {
            ++result.marks;
        }
    }
    return result;
}

std::optional<QString> acceleratorFault(const QString &english, const QString &translation)
{
    const Accelerators source = acceleratorsOf(english);
    const Accelerators target = acceleratorsOf(translation);
    if (target.trailing && !source.trailing)
        return QStringLiteral("a lone \"&\" at the end");
    if (target.marks > 1)
        return QStringLiteral("%1 accelerator marks in one text").arg(target.marks);
    if (source.marks != target.marks)
        return source.marks > target.marks ? QStringLiteral("the accelerator (&) is missing") : QStringLiteral("an accelerator (&) the English text has not");
    return std::nullopt;
}

// The ending punctuation of a text, full-width marks read as their ASCII peers; empty for none.
QString endingOf(QString text, const QString &language)
{
    while (!text.isEmpty() && (text.back().isSpace()))
        text.chop(1);
    if (text.endsWith(QLatin1String("...")) || text.endsWith(QChar(0x2026)) || text.endsWith(QChar(0x22EF)))
        return QStringLiteral("\u2026");
    if (text.isEmpty())
        return {};
    const QChar last = text.back();
    static const std::map<char16_t, char16_t> fullWidth {
        {u'\u3002', u'.'}, {u'\uFF0E', u'.'}, {u'\uFF1A', u':'}, {u'\uFF01', u'!'}, {u'\uFF1F', u'?'}, {u'\uFF1B', u';'}};
    const auto wide = fullWidth.find(last.unicode());
    const QChar mark = wide != fullWidth.end() ? QChar(wide->second) : last;
    Q_UNUSED(language);
    if (QStringLiteral(".:!?").contains(mark))
        return QString(mark);
    return {};
}

std::optional<QString> punctuationFault(const QString &english, const QString &translation, const QString &language)
{
    const QString source = endingOf(english, language);
    QString target = endingOf(translation, language);
    if (source == target)
        return std::nullopt;
    const auto shown = [](const QString &ending) {
        return ending.isEmpty() ? QStringLiteral("no punctuation") : QStringLiteral("\"%1\"").arg(ending);
    };
    return QStringLiteral("English ends with %1, the translation with %2").arg(shown(source), shown(target));
}

QStringList numbersIn(QString text)
{
    if (std::none_of(text.begin(), text.end(), [](QChar ch) { return ch.isDigit(); }))
        return {};
    thread_local const QRegularExpression markers(QStringLiteral("%\\d+(?:\\$\\w)?|\\{\\d+\\}"));
    thread_local const QRegularExpression number(QStringLiteral("\\d+(?:[.,]\\d+)?"));
    text.remove(markers);
    QStringList numbers;
    for (auto it = number.globalMatch(text); it.hasNext();)
        numbers << it.next().captured(0);
    return numbers;
}

std::optional<QString> numbersFault(const QString &english, const QString &translation)
{
    QStringList available = numbersIn(translation);
    for (QString &n : available)
        n.replace(QLatin1Char(','), QLatin1Char('.'));
    QStringList missing;
    for (QString n : numbersIn(english)) {
        n.replace(QLatin1Char(','), QLatin1Char('.'));
        if (!available.removeOne(n))
            missing << n;
    }
    if (missing.isEmpty())
        return std::nullopt;
    return QStringLiteral("missing %1").arg(missing.join(QStringLiteral(" ")));
}

bool balanced(const QString &text)
{
    std::vector<char16_t> open;
    int straight = 0;
    int guillemets = 0;
    int curly = 0;
    for (QChar ch : text) {
        switch (ch.unicode()) {
        case u'(':
        case u'[':
        case u'{':
            open.push_back(ch.unicode());
            break;
        case u')':
        case u']':
        case u'}': {
            const char16_t opening = ch == QLatin1Char(')') ? u'(' : ch == QLatin1Char(']') ? u'[' : u'{';
            if (open.empty() || open.back() != opening)
                return false;
            open.pop_back();
            break;
        }
        case u'"':
            ++straight;
            break;
        case u'\u00AB':
            ++guillemets;
            break;
        case u'\u00BB':
            --guillemets;
            break;
        case u'\u201C':
            ++curly;
            break;
        case u'\u201D':
            --curly;
            break;
        default:
            break;
        }
    }
    return open.empty() && straight % 2 == 0 && guillemets == 0 && curly == 0;
}

bool isExemptFromUnchanged(const QString &text)
{
    if (std::none_of(text.begin(), text.end(), [](QChar ch) { return ch.isLetter(); }))
        return true;
    const QString word = text.trimmed();
    return !word.contains(QLatin1Char(' ')) && word == word.toUpper();
}

} // namespace

const QStringList &checkIds()
{
    static const QStringList ids {QStringLiteral("placeholders"), QStringLiteral("accelerator"), QStringLiteral("codepage"),
                                  QStringLiteral("punctuation"),  QStringLiteral("numbers"),     QStringLiteral("spaces"),
                                  QStringLiteral("brackets"),     QStringLiteral("unchanged"),   QStringLiteral("inconsistent"),
                                  QStringLiteral("length")};
    return ids;
}

Severity severityOf(const QString &check)
{
    return checkIds().indexOf(check) < 3 ? Severity::Error : Severity::Warning;
}

TranslationChecker::TranslationChecker(const QString &language, const QStringList &checks)
    : m_language(language)
    , m_checks(checks.isEmpty() ? checkIds() : checks)
    , m_encoder(std::make_unique<CodePageEncoder>(codePageForLanguage(language)))
{
    for (const QString &check : m_checks) {
        if (const qsizetype index = checkIds().indexOf(check); index >= 0)
            m_on |= 1u << index;
    }
}

TranslationChecker::~TranslationChecker() = default;

void TranslationChecker::checkOne(const CheckedText &text, std::vector<Finding> &findings) const
{
    const QString &english = text.english;
    const QString &translation = text.translation;
    if (translation.trimmed().isEmpty())
        return;
    const auto add = [&](Check check, const std::optional<QString> &detail) {
        if (detail)
            findings.push_back({text.number, checkIds()[check], check < Punctuation ? Severity::Error : Severity::Warning, *detail});
    };
    if (on(Placeholders))
        add(Placeholders, placeholderFault(english, translation));
    if (on(Accelerator))
        add(Accelerator, acceleratorFault(english, translation));
    if (on(Codepage) && m_encoder->isValid()) {
        QByteArray out;
        if (!m_encoder->encode(translation, out)) {
            QString lost;
            for (qsizetype i = 0; i < translation.size(); ++i) {
                const qsizetype length = translation[i].isHighSurrogate() && i + 1 < translation.size() ? 2 : 1;
                const QString ch = translation.mid(i, length);
                QByteArray one;
                if (!lost.contains(ch) && !m_encoder->encode(ch, one))
                    lost += ch;
                i += length - 1;
            }
            add(Codepage, QStringLiteral("code page %1 cannot hold \"%2\", which would become \"?\"")
                                .arg(m_encoder->codePage()).arg(lost));
        }
    }
    const bool hasEnglish = std::any_of(english.begin(), english.end(), [](QChar ch) { return !ch.isSpace(); });
    if (hasEnglish && on(Punctuation))
        add(Punctuation, punctuationFault(english, translation, m_language));
    if (hasEnglish && on(Numbers))
        add(Numbers, numbersFault(english, translation));
    if (on(Spaces) && translation.trimmed().contains(QLatin1String("  ")) && !english.trimmed().contains(QLatin1String("  ")))
        add(Spaces, QStringLiteral("doubled spaces"));
    if (on(Brackets) && !balanced(translation) && balanced(english))
        add(Brackets, QStringLiteral("unbalanced brackets or quotes"));
    if (on(Unchanged) && m_language != QLatin1String("English") && translation == english && !isExemptFromUnchanged(english))
        add(Unchanged, QStringLiteral("the same as the English text"));
    if (on(Length) && translation.size() > english.size() * 2.5 && translation.size() >= english.size() + 15 && !english.isEmpty())
        add(Length, QStringLiteral("%1 characters for %2 in English").arg(translation.size()).arg(english.size()));
}

void TranslationChecker::checkConsistency(const std::vector<CheckedText> &texts, std::vector<Finding> &findings) const
{
    if (!on(Inconsistent))
        return;
    std::map<QString, std::vector<const CheckedText *>> byEnglish;
    for (const CheckedText &text : texts) {
        if (!text.english.trimmed().isEmpty() && !text.translation.trimmed().isEmpty())
            byEnglish[text.english].push_back(&text);
    }
    for (const auto &[english, group] : byEnglish) {
        if (group.size() < 2)
            continue;
        // Numbers by translation; a message names the first few of the other translations'.
        std::map<QString, std::vector<std::int64_t>> byTranslation;
        for (const CheckedText *text : group)
            byTranslation[text->translation].push_back(text->number);
        if (byTranslation.size() < 2)
            continue;
        constexpr std::size_t kNamed = 10;
        for (const CheckedText *text : group) {
            QStringList others;
            std::size_t count = 0;
            for (const auto &[translation, numbers] : byTranslation) {
                if (translation == text->translation)
                    continue;
                count += numbers.size();
                for (std::size_t i = 0; i < numbers.size() && static_cast<std::size_t>(others.size()) < kNamed; ++i)
                    others << QString::number(numbers[i]);
            }
            std::sort(others.begin(), others.end(), [](const QString &a, const QString &b) { return a.toLongLong() < b.toLongLong(); });
            QString named = others.join(QStringLiteral(", "));
            if (count > kNamed)
                named += QStringLiteral(" and %1 more").arg(count - kNamed);
            findings.push_back({text->number, QStringLiteral("inconsistent"), Severity::Warning,
                                QStringLiteral("the same English text is translated otherwise in %1").arg(named)});
        }
    }
}

std::vector<Finding> TranslationChecker::checkAll(const std::vector<CheckedText> &texts) const
{
    std::vector<Finding> findings;
    for (const CheckedText &text : texts)
        checkOne(text, findings);
    checkConsistency(texts, findings);
    std::stable_sort(findings.begin(), findings.end(), [](const Finding &a, const Finding &b) {
        return a.number != b.number ? a.number < b.number : checkIds().indexOf(a.check) < checkIds().indexOf(b.check);
    });
    return findings;
}

} // namespace lng
