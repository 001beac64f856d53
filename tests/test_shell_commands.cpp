#include "Fixtures.h"

#include "app/Texts.h"

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
const std::vector<Message> kMessages {
    {101, {{1, "menu"}, {2, "File"}, {3, "Fichier"}}},
    {102, {{2, "Edit"}, {3, "Édition"}}},
    {110, {{2, "Close"}, {3, "Fermer"}}},
};

void run(BenchFixture &f, const char *identifier)
{
    ASSERT_TRUE(f.bench->dispatcher().dispatch(QString::fromLatin1(identifier))) << identifier;
}
} // namespace

TEST(LoadCommand, MissingDatabaseIsNamedAndTheTableKept)
{
    BenchFixture f;
    f.table().SetCellText(4, 5, "typed");
    run(f, "ID_Load");
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().text, "Cannot find database " + f.folder() + "/AllLanguages.Lng");
    EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
    EXPECT_EQ(f.prompts.last().buttons, Buttons::Ok);
    EXPECT_EQ(f.prompts.last().caption, QString(""));
    EXPECT_EQ(f.table().CellText(4, 5), "typed");
    EXPECT_FALSE(f.bench->IsLoaded);
}

TEST(LoadCommand, SaveFirstPromptAnsweredNoReloadsWithoutSaving)
{
    BenchFixture f;
    f.loadWith(kMessages);
    f.table().SetCellText(1, 5, "unsaved");
    f.state.IsModified = true;
    f.prompts.answers = {Answer::No};
    run(f, "ID_Load");
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().text, "Do you want to save changes first?");
    EXPECT_EQ(f.prompts.last().caption, QString("Save changes?"));
    EXPECT_EQ(f.prompts.last().icon, Icon::Question);
    EXPECT_EQ(f.prompts.last().buttons, Buttons::YesNo);
    EXPECT_EQ(f.table().CellText(1, 5), "File");
    EXPECT_EQ(readField(f.dbPath(), 101, 2), QString("File"));
    EXPECT_FALSE(f.state.IsModified);
}

TEST(LoadCommand, SaveFirstPromptAnsweredYesSavesThenLoads)
{
    BenchFixture f;
    f.loadWith(kMessages);
    f.state.IsPasswordGiven = true;
    f.table().SetCellText(1, 5, "saved first");
    f.state.IsModified = true;
    f.prompts.answers = {Answer::Yes};
    int yields = 0;
    f.bench->setYield([&yields] { ++yields; });
    run(f, "ID_Load");
    EXPECT_EQ(readField(f.dbPath(), 101, 2), QString("saved first"));
    EXPECT_EQ(f.table().CellText(1, 5), "saved first");
    EXPECT_EQ(yields, 1);
}

TEST(LoadCommand, ARefusedSaveStopsTheLoad)
{
    BenchFixture f;
    createDatabase(f.dbPath(), kMessages);
    f.table().SetCellText(1, 5, "typed before any load");
    f.state.IsModified = true;
    f.prompts.answers = {Answer::Yes};
    run(f, "ID_Load");
    EXPECT_EQ(f.prompts.texts(), (QStringList {"Do you want to save changes first?", "Must load the file first!"}));
    EXPECT_FALSE(f.bench->IsLoaded);
    EXPECT_EQ(f.table().CellText(1, 5), "typed before any load");
}

TEST(UnlockCommand, WrongEntriesChangeNothingSilently)
{
    for (const char *entry : {"", "plx4mote", "PLX4MOTE "}) {
        BenchFixture f;
        f.loadWith(kMessages);
        f.prompts.inputs = {QString::fromLatin1(entry)};
        run(f, "ID_Unlock");
        ASSERT_EQ(f.prompts.shown.size(), 1u);
        EXPECT_EQ(f.prompts.last().text, "Enter password to unlock:");
        EXPECT_EQ(f.prompts.last().caption, QString("Unlock?"));
        EXPECT_FALSE(f.state.IsUnlocked);
        EXPECT_FALSE(f.state.IsPasswordGiven);
        EXPECT_EQ(f.table().RowLimit(), 10);
        EXPECT_TRUE(f.table().CellLocked(1, 3));
    }
}

TEST(UnlockCommand, OpensWhitensAndKeepsTheSelection)
{
    BenchFixture f;
    f.loadWith(kMessages);
    f.table().SelectRange(3, 5, 3, 5);
    f.table().FillSelection(1, 255, 0); // left by an earlier case check
    f.table().SelectRange(2, 2, 4, 3);
    for (int pass = 0; pass < 2; ++pass) { // a second unlock does it all again
        f.prompts.inputs = {"PLX4MOTE"};
        run(f, "ID_Unlock");
        EXPECT_TRUE(f.state.IsUnlocked);
        EXPECT_TRUE(f.state.IsPasswordGiven);
        EXPECT_EQ(f.table().RowLimit(), 9999);
        EXPECT_FALSE(f.table().CellLocked(9999, 1));
        EXPECT_FALSE(f.table().CellLocked(1, 4));
        EXPECT_EQ(f.table().CellFill(3, 5), 0xFFFFFFu);
        EXPECT_EQ(f.table().CellFill(9999, 1), 0xFFFFFFu);
        EXPECT_EQ(f.table().SelectionText(), "B2:C4");
    }
    EXPECT_TRUE(f.prompts.texts() == QStringList({"Enter password to unlock:", "Enter password to unlock:"}));
}

TEST(CopyPasteCommands, GoThroughTheClipboard)
{
    BenchFixture f;
    f.loadWith(kMessages);
    f.table().SelectRange(1, 1, 2, 3);
    run(f, "ID_Copy");
    EXPECT_EQ(f.clipboard.content, "101\tmenu\tFile\r\n102\t\tEdit\r\n");

    f.clipboard.content = "Datei\r\nBearbeiten\r\n";
    f.table().SelectRange(1, 5, 1, 5);
    run(f, "ID_Paste");
    EXPECT_EQ(f.table().CellText(1, 5), "Datei");
    EXPECT_EQ(f.table().CellText(2, 5), "Bearbeiten");
    EXPECT_TRUE(f.state.IsModified);

    f.clipboard.content = "not allowed";
    f.table().SelectRange(1, 3, 1, 3); // locked column: nothing happens, no message
    run(f, "ID_Paste");
    EXPECT_EQ(f.table().CellText(1, 3), "File");
    EXPECT_TRUE(f.prompts.shown.empty());
}

TEST(ClosePrompt, YesNoAndCancel)
{
    struct Case {
        const char *name;
        Answer answer;
        QString password; // empty: none asked
        bool closes;
        bool saved;
    };
    const Case cases[] = {
        {"yes, saved", Answer::Yes, "PLX4MOTE", true, true},
        {"yes, wrong password", Answer::Yes, "nope", false, false},
        {"no", Answer::No, "", true, false},
        {"cancel", Answer::Cancel, "", false, false},
    };
    for (const Case &c : cases) {
        BenchFixture f;
        f.loadWith(kMessages);
        f.table().SetCellText(1, 5, "at close");
        f.state.IsModified = true;
        f.prompts.answers = {c.answer};
        if (!c.password.isEmpty())
            f.prompts.inputs = {c.password};
        EXPECT_EQ(f.bench->closePrompt(true), c.closes) << c.name;
        EXPECT_EQ(f.prompts.shown.front().text, "Do you want to save changes first?");
        EXPECT_EQ(f.prompts.shown.front().buttons, Buttons::YesNoCancel);
        EXPECT_EQ(f.prompts.shown.front().caption, QString("Save changes?"));
        EXPECT_EQ(readField(f.dbPath(), 101, 2) == QString("at close"), c.saved) << c.name;
    }
}

TEST(ClosePrompt, YesBeforeAnyLoadKeepsTheWindowOpen)
{
    BenchFixture f;
    f.table().SetCellText(1, 5, "typed");
    f.state.IsModified = true;
    f.prompts.answers = {Answer::Yes};
    EXPECT_FALSE(f.bench->closePrompt(true));
    EXPECT_EQ(f.prompts.texts(), (QStringList {"Do you want to save changes first?", "Must load the file first!"}));
}
