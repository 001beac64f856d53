#include "Fixtures.h"

#include "exchange/ExchangeCommands.h"
#include "exchange/XlsFile.h"

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
const std::vector<Message> kMessages {
    {101, {{2, "File"}, {3, "Fichier"}}},
    {102, {{2, "Edit"}}},
    {103, {{2, "View"}}},
};

QString column5(Sheet &t)
{
    return t.CellText(1, 5) + "|" + t.CellText(2, 5) + "|" + t.CellText(3, 5);
}
} // namespace

// The table edits English (no settings file), whose texts column 5 shows.

// Typing, a paste and a clear are one step each; undo and redo walk them both ways and say
// what they undo; coming back to what was loaded leaves the table unmodified.
TEST(History, TypingPasteAndClearAreStepsBothWays)
{
    BenchFixture f;
    f.loadWith(kMessages);
    Sheet &t = f.table();
    QUndoStack &stack = f.bench->history().stack();
    ASSERT_TRUE(t.userSetText(1, 5, "Datei"));
    EXPECT_EQ(stack.undoText(), "typing in message 101");
    f.clipboard.content = "Bearbeiten\nAnsicht";
    t.SelectRange(2, 5, 2, 5);
    f.bench->dispatcher().dispatch("ID_Paste");
    EXPECT_EQ(stack.undoText(), "paste of 2 cells");
    t.SelectRange(1, 5, 2, 5);
    t.userClearSelection();
    EXPECT_EQ(stack.undoText(), "clearing of 2 cells");
    EXPECT_EQ(column5(t), "||Ansicht");
    EXPECT_TRUE(f.state.IsModified);

    const QStringList walked = {"Datei|Bearbeiten|Ansicht", "Datei|Edit|View", "File|Edit|View"};
    for (const QString &expected : walked) {
        f.bench->dispatcher().dispatch("ID_Undo");
        EXPECT_EQ(column5(t), expected);
    }
    EXPECT_FALSE(f.state.IsModified) << "back to what was loaded";
    EXPECT_FALSE(stack.canUndo());
    for (const char *expected : {"Datei|Edit|View", "Datei|Bearbeiten|Ansicht", "||Ansicht"}) {
        f.bench->dispatcher().dispatch("ID_Redo");
        EXPECT_EQ(column5(t), expected);
        EXPECT_TRUE(f.state.IsModified);
    }
}

// A save keeps the history and is the new unmodified point, with the texts as it stored them
// (cleaned); a load starts afresh.
TEST(History, SaveMarksTheUnmodifiedPointAndLoadStartsAfresh)
{
    BenchFixture f;
    f.loadWith(kMessages);
    Sheet &t = f.table();
    f.state.IsPasswordGiven = true; // the table edits English
    t.userSetText(1, 5, "one");
    t.userSetText(1, 5, "two \"2\" ");
    t.userSetText(1, 5, "three");
    f.bench->history().undo(); // saved with a step to redo
    EXPECT_FALSE(f.bench->SaveTable());
    EXPECT_FALSE(f.state.IsModified);
    EXPECT_EQ(t.CellText(1, 5), "two '2'");
    struct Move {
        bool undo;
        const char *shows;
        bool modified;
    };
    const Move walk[] {{false, "three", true}, {true, "two '2'", false}, {true, "one", true}, {false, "two '2'", false}};
    for (const Move &move : walk) {
        move.undo ? f.bench->history().undo() : f.bench->history().redo();
        EXPECT_EQ(t.CellText(1, 5), move.shows) << "what the save stored, not what was typed";
        EXPECT_EQ(f.state.IsModified, move.modified) << move.shows;
    }

    ASSERT_TRUE(f.bench->LoadTable());
    EXPECT_FALSE(f.bench->history().stack().canUndo());
}

// An import is one step over both columns it overwrites, however many rows it changes.
TEST(History, AnImportIsOneStep)
{
    BenchFixture f;
    f.loadWith(kMessages);
    Sheet &t = f.table();
    t.userSetText(2, 5, "typed");
    Sheet workbook(2);
    for (int row = 2; row <= 4; ++row) {
        workbook.SetCellNumber(row, 1, row + 99);
        workbook.SetCellText(row, 2, QStringLiteral("imported %1").arg(row));
    }
    QString error;
    ASSERT_TRUE(XlsCodec().write(f.folder() + "/XLLanguages.XLS", workbook, &error));
    f.prompts.answers = {Answer::Yes};
    ImportEditedColumn(*f.bench);
    EXPECT_EQ(column5(t), "imported 2|imported 3|imported 4");
    EXPECT_EQ(f.bench->history().stack().undoText(), "import of XLLanguages.XLS");
    f.bench->history().undo();
    EXPECT_EQ(column5(t), "File|typed|View");
    EXPECT_EQ(t.CellNumber(3, 1), 103);
    EXPECT_TRUE(f.state.IsModified);
    f.bench->history().undo();
    EXPECT_FALSE(f.state.IsModified);
}

// Past the history's memory the oldest steps go, and the newest still undo.
TEST(History, TheOldestStepsGoWhenTheHistoryHoldsTooMuch)
{
    BenchFixture f;
    f.loadWith(kMessages);
    Sheet &t = f.table();
    TableHistory &history = f.bench->history();
    const QString big(800, QChar('x'));
    for (int step = 0; step < 6; ++step) { // each holds about 32 MB of texts
        history.recordChange(QStringLiteral("step %1").arg(step), TableRows, {EditedColumn}, [&] {
            for (int row = 1; row <= TableRows; ++row)
                t.SetCellText(row, EditedColumn, big + QString::number(step));
            return true;
        });
    }
    EXPECT_EQ(history.stack().count(), 2);
    EXPECT_EQ(history.stack().undoText(), "step 5");
    EXPECT_EQ(t.CellText(7, 5), big + "5") << "laying the history anew leaves the table alone";
    EXPECT_TRUE(f.state.IsModified);
    history.undo();
    EXPECT_EQ(t.CellText(7, 5), big + "4");
    history.undo();
    EXPECT_EQ(t.CellText(7, 5), big + "3");
    EXPECT_FALSE(history.stack().canUndo());
}
