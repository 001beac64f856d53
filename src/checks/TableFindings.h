#pragma once

#include "IgnoredFindings.h"
#include "TranslationChecks.h"

#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <vector>

namespace lng {

class Workbench;

// A finding and the table row it is in.
struct RowFinding {
    int row = 0;
    Finding finding;
};

// The findings of the translation checks in the message table as it stands, unsaved edits
// included. After a first run an edit re-checks its row (and the rows that share its English
// text, for `inconsistent`) without a full run.
class TableFindings : public QObject {
    Q_OBJECT
public:
    explicit TableFindings(Workbench &bench, QObject *parent = nullptr);
    ~TableFindings() override;

    void runAll();
    void recheckRow(int row);
    bool hasRun() const { return m_hasRun; }
    void clear();

    const std::vector<RowFinding> &findings() const { return m_findings; }
    bool rowHasFindings(int row) const;
    std::vector<int> rowsWithFindings() const;
    int messages() const { return m_messages; }
    // "3 errors, 41 warnings in 9,999 messages"
    QString summary() const;
    // Keeps the finding ignored in the database and takes it off the list.
    bool ignore(const RowFinding &finding, QString *error);

signals:
    void changed();

private:
    CheckedText textOf(int row) const;
    bool isIgnored(const Finding &finding, const QString &english) const;
    void checkRow(int row, std::vector<RowFinding> &into) const;
    void recheckGroup(const QString &english);
    void sort();

    Workbench &m_bench;
    std::unique_ptr<TranslationChecker> m_checker;
    std::vector<RowFinding> m_findings;
    std::map<QString, std::vector<int>> m_groups; // English text -> rows
    std::map<int, QString> m_englishOf;           // row -> the English text it was grouped by
    IgnoredFindings m_ignored;
    int m_messages = 0;
    bool m_hasRun = false;
};

} // namespace lng
