#pragma once

#include <QString>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace lng {

class Sheet;
class Workbench;

// An earlier translation offered for the active message.
struct Suggestion {
    int row = 0;
    double number = 0;
    int score = 0;           // 100 for the same English text
    QString english;         // the other message's English text
    QString englishMarked;   // the same as HTML, the words that differ from ours in bold
    QString translation;     // its text in the edited language
};

// A translation memory made of the message table itself: for a message, the edited-language
// texts of the messages whose English is the same or alike. Candidates are found by the
// three-letter pieces their English texts share, then scored by edit distance.
class TranslationMemory {
public:
    static constexpr int MinimumScore = 70;
    static constexpr int MaxSuggestions = 5;

    explicit TranslationMemory(const Sheet &table) : m_table(table) {}

    // The English column changed (a load, an edit, an undo): the index is made again when next used.
    void invalidate() { m_built = false; }
    // Best first: the same English (100) before alike ones, then by score and by row; one
    // suggestion per distinct translation; none of an empty translation.
    std::vector<Suggestion> suggestionsFor(int row, int limit = MaxSuggestions);

private:
    void build();

    const Sheet &m_table;
    bool m_built = false;
    std::vector<QString> m_english;                   // by row - 1, as indexed
    std::vector<int> m_pieceCounts;                   // distinct pieces of each row's English
    std::unordered_map<std::uint64_t, std::vector<int>> m_rowsByPiece;
    std::vector<std::uint16_t> m_shared;              // scratch: pieces shared with the query, by row - 1
};

// "Fill from identical English texts": every empty edited cell of a message whose English is
// the same as that of a translated message gets that translation (the one most messages use),
// as one undoable step. Answers how many were filled; the status bar says so.
int fillFromIdenticalEnglish(Workbench &bench);

// Binds ID_FillFromIdentical.
void bindTranslationMemory(Workbench &bench);

} // namespace lng
