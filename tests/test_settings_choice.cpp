#include "Fixtures.h"

#include "settings/SettingsChoice.h"
#include "settings/SettingsFile.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

TEST(SettingsChoice, ListsSortCommentsFirstAndKeepBothItalians)
{
    LanguageCatalogue catalogue;
    catalogue.fill();
    const QStringList names = settingsChoice::sortedNames(catalogue);
    EXPECT_EQ(names, (QStringList {"[Comments]", "Catalan", "Chinese", "Czech", "Danish", "Dutch", "English", "Finnish",
                                   "French", "German", "Italian", "Italian", "Japanese", "Norwegian", "Portuguese",
                                   "Russian", "Slovak", "Spanish", "Swedish"}));
    EXPECT_EQ(settingsChoice::preselectedRow(names, "German"), 9);
    EXPECT_EQ(settingsChoice::preselectedRow(names, "Italian"), 10);
    EXPECT_EQ(settingsChoice::preselectedRow(names, ""), 0);
    EXPECT_EQ(settingsChoice::preselectedRow(names, "Klingon"), 0);
    EXPECT_EQ(settingsChoice::preselectedRow(names, "german"), 0);
}

TEST(SettingsChoice, PasswordPathsForTheEditedLanguage)
{
    struct Case {
        const char *name;
        const char *edited;
        std::optional<QString> entry; // nullopt: no prompt expected
        bool confirmed;
        bool passwordGiven;
    };
    const Case cases[] = {
        {"French, right password", "French", QString("PLX4MOTE"), true, true},
        {"English, wrong password", "English", QString("plx4mote"), false, false},
        {"English, cancelled", "English", QString(""), false, false},
        {"comments, right password", "[Comments]", QString("PLX4MOTE"), true, false},
        {"German needs none", "German", std::nullopt, true, false},
    };
    for (const Case &c : cases) {
        BenchFixture f;
        if (c.entry)
            f.prompts.inputs = {*c.entry};
        EXPECT_EQ(settingsChoice::confirm(*f.bench, "English", c.edited), c.confirmed) << c.name;
        EXPECT_EQ(f.state.IsPasswordGiven, c.passwordGiven) << c.name;
        if (c.entry) {
            ASSERT_GE(f.prompts.shown.size(), 1u) << c.name;
            EXPECT_EQ(f.prompts.shown[0].caption, QString("Password?"));
        }
        if (c.confirmed) {
            EXPECT_EQ(f.state.EditedLanguageName, c.edited);
            EXPECT_EQ(f.state.SecondLanguageField, 2);
            LanguageSelection written;
            ASSERT_TRUE(SettingsFile::read(f.bench->settingsPath(), &written, nullptr));
            EXPECT_EQ(written.editedName, c.edited) << c.name;
        } else {
            EXPECT_EQ(f.prompts.last().text, "Wrong password!") << c.name;
            EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
            EXPECT_EQ(f.prompts.last().caption, std::nullopt);
            EXPECT_TRUE(f.state.EditedLanguageName.isEmpty()) << c.name;
            EXPECT_TRUE(readFile(f.bench->settingsPath()).isEmpty()) << c.name; // not written
        }
    }
}

TEST(SettingsChoice, CommentsAskTheirPasswordEveryTime)
{
    BenchFixture f;
    f.prompts.inputs = {"PLX4MOTE", "PLX4MOTE"};
    EXPECT_TRUE(settingsChoice::confirm(*f.bench, "French", "[Comments]"));
    EXPECT_TRUE(settingsChoice::confirm(*f.bench, "French", "[Comments]"));
    EXPECT_EQ(f.prompts.shown.size(), 2u);
    EXPECT_EQ(f.prompts.shown[1].text, "Enter password to edit Comments:");
    EXPECT_EQ(f.state.EditedLanguageField, 1);
}

TEST(SettingsChoice, ItalianAlwaysMeansFieldEightAndTheSameLanguageTwiceIsAccepted)
{
    BenchFixture f;
    EXPECT_TRUE(settingsChoice::confirm(*f.bench, "Italian", "Italian"));
    EXPECT_EQ(f.state.SecondLanguageField, 8);
    EXPECT_EQ(f.state.EditedLanguageField, 8);
    EXPECT_EQ(readFile(f.bench->settingsPath()), QByteArray(" 8 \r\n 8 \r\nItalian\r\nItalian\r\n"));
    EXPECT_TRUE(f.prompts.shown.empty()); // English as second language needs no password either
    EXPECT_TRUE(settingsChoice::confirm(*f.bench, "English", "Spanish"));
    EXPECT_TRUE(f.prompts.shown.empty());
}

TEST(SettingsChoice, AnUnwritableSettingsFileKeepsThePreviousLanguages)
{
    BenchFixture f;
    f.loadWith({{101, {{2, "File"}, {7, "Datei"}}}});
    // A directory where the file should be: the write fails for every user.
    ASSERT_TRUE(QDir(f.folder()).mkdir("KdsSettings.ini"));
    EXPECT_FALSE(settingsChoice::confirm(*f.bench, "French", "German"));
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_TRUE(f.prompts.last().text.startsWith("Cannot write " + f.bench->settingsPath())) << f.prompts.last().text.toStdString();
    EXPECT_EQ(f.prompts.last().icon, Icon::Critical);
    EXPECT_EQ(f.state.EditedLanguageName, "English");
    EXPECT_EQ(f.state.EditedLanguageField, 2);
}

TEST(SettingsCommand, ConfirmedChoiceClearsAndReloads)
{
    BenchFixture f;
    f.loadWith({{101, {{2, "File"}, {3, "Fichier"}, {7, "Datei"}}}});
    f.table().SetCellText(500, 5, "typed into a row without record");
    settingsCommand(*f.bench, [&f] {
        ASSERT_TRUE(settingsChoice::confirm(*f.bench, "French", "German"));
        f.state.SettingsResult = "Ok";
    });
    EXPECT_EQ(f.table().CellText(500, 5), QString());
    EXPECT_EQ(f.table().CellText(1, 5), "Datei");
    EXPECT_EQ(f.table().ColumnHeading(5), "German");
    EXPECT_TRUE(f.state.SettingsResult.isEmpty());
}

TEST(SettingsCommand, CancelledOrRefusedDialogKeepsTheTable)
{
    BenchFixture f;
    f.loadWith({{101, {{2, "File"}}}});
    f.table().SetCellText(500, 5, "typed");
    settingsCommand(*f.bench, [] {});
    EXPECT_EQ(f.table().CellText(500, 5), "typed");

    f.state.IsModified = true;
    f.prompts.answers = {Answer::Yes};
    f.prompts.inputs = {"wrong"}; // the save's password: refused, so no dialog
    bool shown = false;
    settingsCommand(*f.bench, [&shown] { shown = true; });
    EXPECT_FALSE(shown);
}
