#include "Fixtures.h"

#include "app/CommandDispatcher.h"
#include "app/Geometry.h"
#include "app/SharedState.h"
#include "app/ToolTable.h"

#include <gtest/gtest.h>

using namespace lng;

TEST(Catalogue, HoldsNineteenNamesInThirtyOneSlots)
{
    LanguageCatalogue catalogue;
    catalogue.fill();
    const QStringList expected {"English", "Danish", "Dutch", "Finnish", "French", "German", "Italian",
                                "Japanese", "Norwegian", "Portuguese", "Spanish", "Swedish", "Catalan",
                                "Chinese", "Italian", "Russian", "Czech", "Slovak", "[Comments]"};
    EXPECT_EQ(catalogue.names(), expected);
    const std::array<std::int16_t, 19> fields {2, 4, 5, 6, 3, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 1};
    for (int slot = 0; slot < 19; ++slot)
        EXPECT_EQ(catalogue.LanguageFieldIndex[slot], fields[slot]) << "slot " << slot;
    for (int slot = 19; slot < LanguageCatalogue::SlotCount; ++slot) {
        EXPECT_TRUE(catalogue.LanguageNames[slot].isEmpty());
        EXPECT_EQ(catalogue.LanguageFieldIndex[slot], 0);
    }
}

TEST(Catalogue, LookupTakesTheFirstEqualName)
{
    LanguageCatalogue catalogue;
    catalogue.fill();
    EXPECT_EQ(catalogue.fieldOf("Italian"), 8); // never 16
    EXPECT_EQ(catalogue.fieldOf("[Comments]"), 1);
    EXPECT_EQ(catalogue.fieldOf("Slovak"), 19);
    EXPECT_EQ(catalogue.fieldOf("english"), std::nullopt); // exact, case-sensitive
    EXPECT_EQ(catalogue.fieldOf(""), std::nullopt);        // empty slots are never found
}

TEST(SharedStateTest, StartsEmptyAndLocked)
{
    SharedState state;
    EXPECT_EQ(state.SecondLanguageField, 0);
    EXPECT_EQ(state.EditedLanguageField, 0);
    EXPECT_TRUE(state.SecondLanguageName.isEmpty());
    EXPECT_TRUE(state.EditedLanguageName.isEmpty());
    EXPECT_FALSE(state.IsModified);
    EXPECT_FALSE(state.IsUnlocked);
    EXPECT_FALSE(state.IsPasswordGiven);
}

TEST(Password, OnlyTheExactTextIsAccepted)
{
    EXPECT_TRUE(isPasswordCorrect("PLX4MOTE"));
    for (const char *wrong : {"plx4mote", "PLX4MOTE ", " PLX4MOTE", "PLX4MOT", "", "PLX4MOTE\n"})
        EXPECT_FALSE(isPasswordCorrect(QString::fromLatin1(wrong))) << '"' << wrong << '"';
}

TEST(Password, SevenPromptsGuardCommentsFrenchAndEnglish)
{
    struct Case {
        const char *language;
        const char *edit;
        const char *record;
    };
    const Case cases[] = {
        {"[Comments]", "Enter password to edit Comments:", "Enter password to record Comments:"},
        {"French", "Enter password to edit French texts:", "Enter password to record French texts:"},
        {"English", "Enter password to edit English texts:", "Enter password to record English texts:"},
    };
    for (const Case &c : cases) {
        ASSERT_NE(editPromptFor(c.language), nullptr);
        EXPECT_STREQ(editPromptFor(c.language)->prompt, c.edit);
        EXPECT_STREQ(editPromptFor(c.language)->caption, "Password?");
        EXPECT_STREQ(recordPromptFor(c.language)->prompt, c.record);
        EXPECT_STREQ(recordPromptFor(c.language)->caption, "Password?");
    }
    for (const char *free : {"German", "Italian", "english", ""}) {
        EXPECT_EQ(editPromptFor(free), nullptr);
        EXPECT_EQ(recordPromptFor(free), nullptr);
    }
    EXPECT_STREQ(passwordPrompts::Unlock.caption, "Unlock?");
    EXPECT_STREQ(passwordPrompts::Unlock.prompt, "Enter password to unlock:");
}

TEST(Dispatcher, MatchesIdentifiersExactly)
{
    CommandDispatcher dispatcher;
    int runs = 0;
    dispatcher.bind("ID_Load", [&] { ++runs; });
    EXPECT_TRUE(dispatcher.dispatch("ID_Load"));
    for (const char *other : {"id_load", "ID_LOAD", "ID_Load ", "", "ID_Rows"})
        EXPECT_FALSE(dispatcher.dispatch(QString::fromLatin1(other))) << other;
    EXPECT_EQ(runs, 1);
}

TEST(Toolbar, LayoutNamesEveryToolOnceWithSeparators)
{
    std::vector<std::string_view> captions;
    for (std::string_view entry : ToolbarLayout) {
        if (!entry.empty())
            captions.push_back(entry);
    }
    EXPECT_EQ(captions.size(), Tools.size());
    for (const Tool &tool : Tools) {
        EXPECT_EQ(std::count(captions.begin(), captions.end(), tool.caption), 1) << tool.caption;
        EXPECT_EQ(tool.identifier, "ID_" + std::string(tool.caption));
    }
    EXPECT_EQ(std::count(ToolbarLayout.begin(), ToolbarLayout.end(), ""), 4);
}

TEST(Geometry, ResizeRuleAndColours)
{
    struct Case {
        QSize outer;
        std::optional<QSize> grid;
    };
    const Case cases[] = {
        {{1024, 900}, QSize(1015, 841)}, // 140 twips = 9 px, 890 twips = 59 px
        {{10, 60}, QSize(1, 1)},
        {{9, 500}, std::nullopt},        // too narrow: the grid keeps its size
        {{500, 59}, std::nullopt},       // too low
        {{0, 0}, std::nullopt},          // minimised
    };
    for (const Case &c : cases)
        EXPECT_EQ(gridSizeForWindow(c.outer), c.grid) << c.outer.width() << "x" << c.outer.height();
    EXPECT_EQ(twipsToPixels(15225), 1015);
    EXPECT_EQ(twipsToPixels(12630), 842);
    EXPECT_EQ(rgbOf(10774777), (Rgb {249, 104, 164}));
    EXPECT_EQ(rgbOf(255), (Rgb {255, 0, 0}));
    EXPECT_EQ(rgbOf(0x8888FF), (Rgb {255, 136, 136}));
    EXPECT_EQ(rgbOf(0xEEEEEE), (Rgb {238, 238, 238}));
}
