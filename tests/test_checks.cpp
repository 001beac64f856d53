#include "Fixtures.h"

#include "checks/TableFindings.h"
#include "checks/TranslationChecks.h"

#include <gtest/gtest.h>

using namespace lng;

namespace {
// What the checks say of one message: "check: detail" lines, or "" when nothing.
QString findingsOf(const QString &language, const QString &english, const QString &translation)
{
    std::vector<Finding> findings;
    TranslationChecker(language).checkOne({101, english, translation}, findings);
    QStringList lines;
    for (const Finding &f : findings)
        lines << f.check + ": " + f.detail;
    return lines.join('\n');
}
} // namespace

TEST(TranslationChecks, RealWorldCases)
{
    struct Case {
        const char *language;
        const char *english;
        const char *translation;
        const char *found;
    };
    const Case cases[] = {
        // place markers
        {"French", "Delete %1 files?", "Supprimer %1 fichiers ?", ""},
        {"French", "Delete %1 files from %2?", "Supprimer les fichiers de %2 ?", "placeholders: missing %1"},
        {"German", "%2 of %1", "%1 von %2", ""},
        {"German", "Copy %s to %d", "%d nach %s kopieren", "placeholders: printf markers in another order (%d %s, English: %s %d); number them (%1$s) to reorder"},
        {"German", "Copy %1$s to %2$s", "Nach %2$s %1$s kopieren", ""},
        {"German", "Copy %1$s to %2$s", "Nach %2$s %2$s kopieren", "placeholders: missing %1$s; extra %2$s"},
        {"German", "100%% done, %5.2f left", "100%% fertig, %5.2f übrig", ""},
        {"German", "Hello {name}", "Hallo {0}", "placeholders: missing {name}; extra {0}"},
        // accelerators
        {"German", "&File", "&Datei", ""},
        {"German", "&File", "Datei", "accelerator: the accelerator (&) is missing"},
        {"German", "Save && Exit", "Speichern && Beenden", ""},
        {"German", "&Save", "&Spei&chern", "accelerator: 2 accelerator marks in one text"},
        {"German", "Tom & Jerry", "Tom &", "accelerator: a lone \"&\" at the end"},
        // punctuation, language-aware
        {"French", "Name:", "Nom\u00A0:", ""},
        {"French", "Save?", "Enregistrer\u202F?", "codepage: code page 1252 cannot hold \"\u202F\", which would become \"?\""},
        {"French", "Continue?", "Continuer ?", ""},
        {"Spanish", "Continue?", "¿Continuar?", ""},
        {"Japanese", "Save changes?", "変更を保存しますか？", ""},
        {"Chinese", "Done.", "完成。", ""},
        {"German", "Save changes?", "Änderungen speichern.", "punctuation: English ends with \"?\", the translation with \".\""},
        {"German", "Open...", "Öffnen…", ""},
        {"German", "Open", "Öffnen.", "punctuation: English ends with no punctuation, the translation with \".\""},
        // numbers, spaces, brackets, unchanged, length
        {"German", "Use 32 bits or 1.5 MB", "32 Bit oder 1,5 MB verwenden", ""},
        {"German", "Use 32 bits", "Bits verwenden", "numbers: missing 32"},
        {"German", "Open file", "Datei  öffnen", "spaces: doubled spaces"},
        {"German", "Open (read only)", "Öffnen (schreibgeschützt", "brackets: unbalanced brackets or quotes"},
        {"German", "Cancel", "Cancel", "unchanged: the same as the English text"},
        {"German", "OK", "OK", ""},
        {"German", "100", "100", ""},
        {"German", "Open", "Eine sehr lange Übersetzung", "length: 27 characters for 4 in English"},
        // code page
        {"Russian", "File", "Файл", ""},
        {"Russian", "Done", "Готово ✓", "codepage: code page 1251 cannot hold \"✓\", which would become \"?\""},
        // empty translations are not checked
        {"German", "Open %1", "", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(findingsOf(c.language, QString::fromUtf8(c.english), QString::fromUtf8(c.translation)), QString::fromUtf8(c.found))
            << c.english << " -> " << c.translation;
}

TEST(TranslationChecks, AnInconsistentGroupOfThreeNamesTheOthersAndSeveritiesFollowTheCheck)
{
    const std::vector<CheckedText> texts {
        {101, "Open", "Öffnen"}, {102, "Open", "Aufmachen"}, {103, "Open", "Öffnen"}, {104, "Close", "Schließen"},
        {105, "Close", "Schließen"}, {106, "Name %1", "Name"},
    };
    const std::vector<Finding> findings = TranslationChecker("German").checkAll(texts);
    QStringList lines;
    for (const Finding &f : findings)
        lines << QStringLiteral("%1 %2 %3: %4").arg(f.number).arg(f.check).arg(f.severity == Severity::Error ? "error" : "warning", f.detail);
    EXPECT_EQ(lines, (QStringList {
                         "101 inconsistent warning: the same English text is translated otherwise in 102",
                         "102 inconsistent warning: the same English text is translated otherwise in 101, 103",
                         "103 inconsistent warning: the same English text is translated otherwise in 102",
                         "106 placeholders error: missing %1",
                     }));
    EXPECT_TRUE(TranslationChecker("German", {"numbers"}).checkAll(texts).empty());
}

// In the table: unsaved edits are checked, an edit re-checks its row and its English text's
// group, and an ignored finding stays ignored in the database until the English text changes.
TEST(TableFindings, EditsRecheckTheirRowAndIgnoredFindingsStayIgnored)
{
    test::BenchFixture f;
    f.state.IsPasswordGiven = true;
    f.loadWith({{101, {{2, "Open"}}}, {102, {{2, "Open"}}}, {103, {{2, "Delete %1?"}}}});
    f.prompts.inputs = {"PLX4MOTE"};
    f.bench->dispatcher().dispatch("ID_Unlock"); // the English column can be typed into
    Sheet &t = f.table();
    t.userSetText(1, 5, "Öffnen");
    t.userSetText(2, 5, "Aufmachen");
    t.userSetText(3, 5, "Löschen?");
    TableFindings &findings = f.bench->findings();
    f.bench->dispatcher().dispatch("ID_CheckTranslations");
    const auto listed = [&] {
        QStringList lines;
        for (const RowFinding &rf : findings.findings())
            lines << QStringLiteral("%1 %2").arg(rf.row).arg(rf.finding.check);
        return lines.join(", ");
    };
    EXPECT_EQ(listed(), "1 inconsistent, 2 inconsistent, 3 placeholders");
    EXPECT_EQ(f.bench->lastStatus(), "1 error, 2 warnings in 3 messages");

    t.userSetText(2, 5, "Öffnen");
    EXPECT_EQ(listed(), "3 placeholders") << "the group agrees now";
    t.userSetText(3, 5, "%1 löschen?");
    EXPECT_EQ(listed(), "");
    t.userSetText(3, 5, "Löschen");
    EXPECT_EQ(listed(), "3 placeholders, 3 punctuation");

    QString error;
    ASSERT_TRUE(findings.ignore(findings.findings().front(), &error)) << error.toStdString();
    EXPECT_EQ(listed(), "3 punctuation");
    findings.runAll();
    EXPECT_EQ(listed(), "3 punctuation") << "kept in the database";
    t.userSetText(3, 3, "Remove %1?"); // the English text changed: the finding is back
    EXPECT_EQ(listed(), "3 placeholders, 3 punctuation");
}
