#include "Fixtures.h"

#include "memory/FuzzyMatch.h"
#include "memory/TranslationMemory.h"
#include "pane/MessageFocus.h"
#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
struct Row {
    const char *english;
    const char *translation;
};

// Rows 1.. of the table: message 101.., English and edited texts.
void fillTable(Sheet &table, const std::vector<Row> &rows)
{
    int row = 1;
    for (const Row &r : rows) {
        table.SetCellNumber(row, PositionColumn, 100 + row);
        table.SetCellText(row, EnglishColumn, QString::fromUtf8(r.english));
        table.SetCellText(row, EditedColumn, QString::fromUtf8(r.translation));
        ++row;
    }
}

std::vector<std::pair<int, int>> rowsAndScores(const std::vector<Suggestion> &suggestions)
{
    std::vector<std::pair<int, int>> found;
    for (const Suggestion &s : suggestions)
        found.emplace_back(s.row, s.score);
    return found;
}
} // namespace

TEST(FuzzyMatch, ScoresByEditDistanceAndMarksTheWordsThatDiffer)
{
    struct Case {
        const char *a, *b;
        int score;
    };
    const Case cases[] {
        {"Open file", "Open file", 100},
        {"Open file", "Open files", 90},       // one edit in ten characters
        {"Open file", "open file", 88},        // letter case counts, but never as the same text
        {"Save the document", "Save the documents now", 77},
        {"Open file", "Close window", 0},      // below the asked minimum of 70
        {"", "x", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(similarity(QString::fromUtf8(c.a), QString::fromUtf8(c.b), 70), c.score) << c.a << " / " << c.b;
    EXPECT_EQ(similarity("abcdef", "abcxyz"), 50) << "without a minimum the score is exact";

    EXPECT_EQ(markDifferingWords("Delete the selected file", "Delete the selected files?"), "Delete the selected <b>files</b>?");
    EXPECT_EQ(markDifferingWords("Open <file>", "Open <folder>"), "Open &lt;<b>folder</b>&gt;");
}

// Best first: the same English before alike ones, then by score; one suggestion per distinct
// translation; none of an empty one, of the message itself, or below 70.
TEST(TranslationMemory, OffersTheSameEnglishBeforeAlikeOnes)
{
    Sheet table(5);
    table.SetRowLimit(20);
    fillTable(table, {
                         {"Delete the selected file", ""},           // 1: the active message
                         {"Delete the selected files", "Borrar los archivos seleccionados"},
                         {"Delete the selected file", "Borrar el archivo seleccionado"},
                         {"Delete the selected file", "Borrar el archivo seleccionado"}, // the same translation
                         {"Delete the selected file", ""},           // nothing to offer
                         {"Delete the selected folder", "Borrar la carpeta seleccionada"},
                         {"Print the document", "Imprimir el documento"}, // not alike
                         {"Delete the file", "Borrar el archivo"},
                         {"Delete the selected file", "Eliminar el archivo seleccionado"},
                     });
    TranslationMemory memory(table);
    const std::vector<Suggestion> offered = memory.suggestionsFor(1);
    EXPECT_EQ(rowsAndScores(offered), (std::vector<std::pair<int, int>> {{3, 100}, {9, 100}, {2, 96}, {6, 88}}));
    ASSERT_FALSE(offered.empty());
    EXPECT_EQ(offered[0].translation, "Borrar el archivo seleccionado");
    EXPECT_EQ(offered[0].number, 103);
    EXPECT_EQ(offered[2].englishMarked, "Delete the selected <b>files</b>");
    EXPECT_EQ(memory.suggestionsFor(1, 2).size(), 2u);
    EXPECT_TRUE(memory.suggestionsFor(7).empty());
    EXPECT_TRUE(memory.suggestionsFor(15).empty()) << "no English, nothing to offer";

    // A message that now reads alike is found once the index is told (edits and undos tell it);
    // one that no longer does is left out even untold.
    table.SetCellText(7, EnglishColumn, "Delete the selected file");
    memory.invalidate();
    EXPECT_EQ(memory.suggestionsFor(1).size(), 5u);
    table.SetCellText(3, EnglishColumn, "Something else entirely");
    EXPECT_EQ(rowsAndScores(memory.suggestionsFor(1)).front(), std::make_pair(4, 100));
    EXPECT_EQ(rowsAndScores(memory.suggestionsFor(1)).size(), 5u);
}

TEST(TranslationMemory, FillFromIdenticalEnglishIsOneUndoableStep)
{
    BenchFixture f;
    ASSERT_TRUE(SettingsFile::write(f.bench->settingsPath(), {3, 12, "French", "Spanish"}, nullptr));
    f.loadWith({{101, {{2, "Open"}}}, {102, {{2, "Open"}}}, {103, {{2, "Open"}}}, {104, {{2, "Open"}}},
                {105, {{2, "Close"}}}, {106, {{2, "Cancel"}}}, {107, {{2, ""}}}, {108, {{2, ""}}}});
    Sheet &table = f.table();
    const auto edited = [&] {
        QStringList texts;
        for (int row = 1; row <= 8; ++row)
            texts << table.CellText(row, EditedColumn);
        return texts;
    };
    // Two messages say "Abrir", one "Abre": the more common one is taken.
    table.SetCellText(1, EditedColumn, "Abre");
    table.SetCellText(2, EditedColumn, "Abrir");
    table.SetCellText(3, EditedColumn, "Abrir");
    table.SetCellText(5, EditedColumn, "Cerrar");
    table.SetCellText(7, EditedColumn, "Nada");
    const QStringList before = edited();
    f.state.IsModified = false;
    EXPECT_TRUE(f.bench->dispatcher().dispatch("ID_FillFromIdentical"));
    EXPECT_EQ(edited(), (QStringList {"Abre", "Abrir", "Abrir", "Abrir", "Cerrar", "", "Nada", ""}))
        << "only empty cells of an English text translated elsewhere; never from empty English";
    EXPECT_EQ(f.bench->lastStatus(), "1 empty message(s) filled from identical English texts; nothing is saved until you save");
    EXPECT_TRUE(f.state.IsModified);
    EXPECT_EQ(readField(f.dbPath(), 104, 12), std::nullopt) << "nothing saved";
    EXPECT_EQ(f.bench->history().stack().undoText(), "fill from identical English texts");
    f.bench->history().undo();
    EXPECT_EQ(edited(), before);

    f.bench->history().redo();
    EXPECT_EQ(fillFromIdenticalEnglish(*f.bench), 0);
    EXPECT_EQ(f.bench->lastStatus(), "No empty message has the English text of a translated one");
}

TEST(MessageFocus, TheCleaningNoteSaysWhatASaveWillChange)
{
    const std::pair<const char *, const char *> cases[] {
        {"Plain text", ""},
        {"Say \"hello\"", "When saved: double quotes become apostrophes."},
        {"Two\nlines", "When saved: line breaks become spaces."},
        {"  padded ", "When saved: spaces at the start and end are removed."},
        {"tab\there", "When saved: tabs and other control characters become spaces."},
        {" \"a\"\r\n", "When saved: double quotes become apostrophes, line breaks become spaces, spaces at the start and end are removed."},
    };
    for (const auto &[text, note] : cases)
        EXPECT_EQ(MessageFocus::cleaningNote(QString::fromUtf8(text)), QString::fromUtf8(note)) << text;
}
