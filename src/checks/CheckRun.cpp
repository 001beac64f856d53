#include "CheckRun.h"

#include "IgnoredFindings.h"
#include "db/MessageDatabase.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

namespace lng {

int LanguageFindings::errors() const
{
    return static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const Finding &f) { return f.severity == Severity::Error; }));
}

bool checkDatabase(const QString &path, const std::vector<std::pair<int, QString>> &languages, const QStringList &checks,
                   std::vector<LanguageFindings> *results, QString *error)
{
    results->clear();
    MessageDatabase db;
    MessageDatabase::Records records;
    IgnoredFindings ignored;
    std::vector<int> fields {2};
    for (const auto &[field, name] : languages)
        fields.push_back(field);
    if (!db.open(path, MessageDatabase::Access::ReadOnly, error) || !db.readRecords(fields, &records, error)
        || !ignored.read(db, error))
        return false;
    // Each language on its own, on as many cores as there are: the records are only read.
    results->resize(languages.size());
    const auto checkLanguage = [&](std::size_t l) {
        const auto &[field, name] = languages[l];
        LanguageFindings result {name, field, 0, {}};
        std::vector<CheckedText> texts;
        texts.reserve(static_cast<std::size_t>(records.size()));
        for (int r = 0; r < records.size(); ++r) {
            const std::optional<std::int64_t> number = wholeNumber(records.number(r));
            if (!number || *number <= 0)
                continue;
            CheckedText text {*number, records.field(r, 0).value_or(QString()), records.field(r, static_cast<int>(l) + 1).value_or(QString())};
            result.messages += !text.translation.trimmed().isEmpty();
            texts.push_back(std::move(text));
        }
        std::vector<Finding> all = TranslationChecker(name, checks).checkAll(texts);
        std::map<std::int64_t, const CheckedText *> byNumber;
        for (const CheckedText &text : texts)
            byNumber.emplace(text.number, &text);
        for (Finding &finding : all) {
            const CheckedText *text = byNumber.at(finding.number);
            if (!ignored.contains(finding.number, field, finding.check, text->english))
                result.findings.push_back(std::move(finding));
        }
        (*results)[l] = std::move(result);
    };
    std::atomic<std::size_t> next {0};
    const auto worker = [&] {
        for (std::size_t l; (l = next++) < languages.size();)
            checkLanguage(l);
    };
    const std::size_t threads = std::min<std::size_t>(languages.size(), std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread &thread : pool)
        thread.join();
    return true;
}

} // namespace lng
