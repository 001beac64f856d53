#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

namespace lng {

class Sheet;

// How far the edited language is: messages (rows with a message number) and translated ones
// (their edited cell is not empty after trimming). A user's edit recounts its row alone; a
// change of many rows (a load, an import, an undo) recounts the table.
class TranslationProgress : public QObject {
    Q_OBJECT
public:
    explicit TranslationProgress(Sheet &table, QObject *parent = nullptr);

    void recount();
    void rowChanged(int row);

    int messages() const { return m_messages; }
    int translated() const { return m_translated; }
    // "Spanish: 8,213 of 9,999 messages translated (82.1 %)"
    QString summary(const QString &language) const;

signals:
    void changed();

private:
    std::uint8_t stateOf(int row) const;

    Sheet &m_table;
    std::vector<std::uint8_t> m_rows; // by row - 1: bit 0 a message, bit 1 translated
    int m_messages = 0;
    int m_translated = 0;
};

} // namespace lng
