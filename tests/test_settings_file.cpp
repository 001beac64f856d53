#include "Fixtures.h"

#include "settings/SettingsFile.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

TEST(SettingsFile, WritesFourCrLfLinesWithSpacedNumbers)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("KdsSettings.ini");
    QString error;
    ASSERT_TRUE(SettingsFile::write(path, {7, 12, "German", "Spanish"}, &error));
    EXPECT_EQ(readFile(path), QByteArray(" 7 \r\n 12 \r\nGerman\r\nSpanish\r\n"));
    LanguageSelection read;
    ASSERT_TRUE(SettingsFile::read(path, &read, &error));
    EXPECT_EQ(read, (LanguageSelection {7, 12, "German", "Spanish"}));
}

TEST(SettingsFile, AbsentFileGivesTheDefaultsAndIsNotCreated)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("KdsSettings.ini");
    LanguageSelection read {9, 9, "x", "y"};
    QString error;
    ASSERT_TRUE(SettingsFile::read(path, &read, &error));
    EXPECT_EQ(read, (LanguageSelection {3, 2, "French", "English"}));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(SettingsFile, ReadsWhatHandsAndOtherEditorsWrite)
{
    struct Case {
        const char *name;
        QByteArray content;
        LanguageSelection expected;
    };
    const Case cases[] = {
        {"LF only", " 17 \n 18 \nRussian\nCzech\n", {17, 18, "Russian", "Czech"}},
        {"no final line end", "3\r\n16\r\nFrench\r\nItalian", {3, 16, "French", "Italian"}},
        {"names kept as they are", " 3 \r\n 1 \r\n French \r\n[Comments]\r\n", {3, 1, " French ", "[Comments]"}},
        {"field and name disagree", "7\r\n2\r\nFrench\r\nEnglish\r\n", {7, 2, "French", "English"}},
        {"extra lines ignored", "3\r\n2\r\nFrench\r\nEnglish\r\nmore\r\n", {3, 2, "French", "English"}},
        {"negative", "-1\r\n2\r\nFrench\r\nEnglish\r\n", {-1, 2, "French", "English"}},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("KdsSettings.ini");
    for (const Case &c : cases) {
        writeFile(path, c.content);
        LanguageSelection read;
        QString error;
        EXPECT_TRUE(SettingsFile::read(path, &read, &error)) << c.name << ": " << error.toStdString();
        EXPECT_EQ(read, c.expected) << c.name;
    }
}

TEST(SettingsFile, RefusesShortFilesAndBadNumbers)
{
    struct Case {
        const char *name;
        QByteArray content;
        const char *cause;
    };
    const Case cases[] = {
        {"empty", "", "0 line(s)"},
        {"three lines", "3\r\n2\r\nFrench\r\n", "3 line(s)"},
        {"word for a number", "three\r\n2\r\nFrench\r\nEnglish\r\n", "line 1"},
        {"too large", "3\r\n40000\r\nFrench\r\nEnglish\r\n", "line 2"},
        {"empty number", "\r\n2\r\nFrench\r\nEnglish\r\n", "line 1"},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("KdsSettings.ini");
    for (const Case &c : cases) {
        writeFile(path, c.content);
        LanguageSelection read;
        QString error;
        EXPECT_FALSE(SettingsFile::read(path, &read, &error)) << c.name;
        EXPECT_TRUE(error.contains(QString::fromLatin1(c.cause))) << c.name << ": " << error.toStdString();
    }
}

TEST(SettingsFile, AFolderThatCannotBeWrittenFailsTheWrite)
{
    QString error;
    EXPECT_FALSE(SettingsFile::write("/nonexistent-folder/KdsSettings.ini", {}, &error));
    EXPECT_FALSE(error.isEmpty());
}
