#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

namespace lng {

class CodePageEncoder;

enum class Severity { Error, Warning };

// One thing a check found in one message.
struct Finding {
    std::int64_t number = 0;
    QString check; // the check's id: "placeholders", "accelerator", ...
    Severity severity = Severity::Warning;
    QString detail;

    bool operator==(const Finding &) const = default;
};

// A message as the checks see it: its number, English text and translation.
struct CheckedText {
    std::int64_t number = 0;
    QString english;
    QString translation;
};

// Every check id, errors first.
const QStringList &checkIds();
Severity severityOf(const QString &check);

// The checks of a translation against its English text, for one language. Empty translations
// are not checked (finding them is FindBlank's work).
class TranslationChecker {
public:
    // `language` is the catalogue's name; `checks` the ids to run (all when empty).
    explicit TranslationChecker(const QString &language, const QStringList &checks = {});
    ~TranslationChecker();

    // Every check but `inconsistent`, which needs the other messages.
    void checkOne(const CheckedText &text, std::vector<Finding> &findings) const;
    // Every check over a set of messages, `inconsistent` included, in message order.
    std::vector<Finding> checkAll(const std::vector<CheckedText> &texts) const;
    // `inconsistent` alone: messages with the same English text translated differently.
    void checkConsistency(const std::vector<CheckedText> &texts, std::vector<Finding> &findings) const;

    bool runs(const QString &check) const { return m_checks.contains(check); }

private:
    // The checks by their place in checkIds().
    enum Check { Placeholders, Accelerator, Codepage, Punctuation, Numbers, Spaces, Brackets, Unchanged, Inconsistent, Length };
    bool on(Check check) const { return m_on & (1u << check); }

    QString m_language;
    QStringList m_checks;
    unsigned m_on = 0;
    std::unique_ptr<CodePageEncoder> m_encoder;
};

} // namespace lng
