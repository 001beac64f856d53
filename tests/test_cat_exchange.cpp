#include "Fixtures.h"

#include "cat/CatExchange.h"
#include "settings/SettingsFile.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
const std::map<std::int64_t, CurrentText> kCurrent {
    {101, {"File", "Archivo"}}, {102, {"Edit", ""}}, {103, {"View", "Ver"}}, {104, {"Open \"it\"", "Abrir 'lo'"}},
};

QString planned(const CatFile &file)
{
    const CatPlan plan = planCatImport(file, "Spanish", kCurrent);
    if (!plan.refused.isEmpty())
        return "refused: " + plan.refused;
    QStringList lines {plan.summary()};
    for (const CatPlan::Update &u : plan.updates)
        lines << QStringLiteral("%1=%2").arg(u.number).arg(u.text);
    lines << plan.details();
    return lines.join(" | ");
}

} // namespace

// Entries are matched by message number only, whatever their order; what cannot be applied
// safely is listed, and a file of another language is refused whole.
TEST(CatImport, RulesByMessageNumber)
{
    struct Case {
        const char *name;
        CatFile file;
        const char *result;
    };
    const Case cases[] = {
        {"re-ordered", {"es", {{103, "View", "Vista", {}, false, false, 9}, {102, "Edit", "Editar", {}, false, false, 5}}},
         "2 translations updated, 0 unchanged, 0 not applied | 103=Vista | 102=Editar"},
        {"changed English", {"es", {{101, "Files", "Archivos", {}, false, false, 4}}},
         "0 translations updated, 0 unchanged, 1 not applied (see list) | message 101 (line 4): the English text changed since the export: "
         "the file has \"Files\", the table \"File\""},
        {"fuzzy", {"es", {{103, "View", "Vista", {}, true, false, 7}}},
         "0 translations updated, 0 unchanged, 1 not applied (see list) | message 103 (line 7): marked fuzzy"},
        {"unknown number", {"es", {{999, "Gone", "Ido", {}, false, false, 3}}},
         "0 translations updated, 0 unchanged, 1 not applied (see list) | message 999 (line 3): no such message in the table"},
        {"untranslated over a translation", {"es", {{101, "File", "", {}, false, true, 2}, {102, "Edit", "", {}, false, true, 6}}},
         "0 translations updated, 1 unchanged, 1 not applied (see list) | message 101 (line 2): the file leaves it untranslated (needs-translation)"},
        {"only cleaning differs", {"es", {{104, "Open \"it\"", "  Abrir \"lo\"", {}, false, false, 1}}}, "0 translations updated, 1 unchanged, 0 not applied"},
        {"no language named", {"", {{102, "Edit", "Editar", {}, false, false, 1}}}, "1 translation updated, 0 unchanged, 0 not applied | 102=Editar"},
        {"another language", {"fr", {{102, "Edit", "Éditer", {}, false, false, 1}}},
         "refused: the file is in \"fr\", the edited language is Spanish (es)"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(planned(c.file), QString::fromUtf8(c.result)) << c.name;
}

// Malformed files are refused with the line and the cause; no entity is resolved.
TEST(CatImport, MalformedFilesAreRefusedWithLineAndCause)
{
    QTemporaryDir dir;
    const QByteArray unit = "<trans-unit id=\"101\"><source>File</source><target>Archivo</target></trans-unit>\n";
    const QByteArray head = "<?xml version=\"1.0\"?>\n<xliff xmlns=\"urn:oasis:names:tc:xliff:document:1.2\" version=\"1.2\">\n"
                            "<file target-language=\"es\"><body>\n";
    const QByteArray tail = "</body></file></xliff>\n";
    struct Case {
        const char *name;
        const char *file;
        QByteArray content;
        const char *cause;
    };
    const Case cases[] = {
        {"broken XML", "a.xlf", head + "<trans-unit id=\"101\"><source>File</target>\n" + tail, "line 4: Opening and ending tag mismatch."},
        {"external entity", "b.xlf",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE xliff [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>\n<xliff><file><body>&e;</body></file></xliff>",
         "line 2: a document type declaration is not allowed"},
        {"duplicate", "c.xlf", head + unit + unit + tail, "line 5: message 101 appears twice (first on line 4)"},
        {"not a number", "d.xlf", head + "<trans-unit id=\"abc\"><source>x</source></trans-unit>\n" + tail, "line 4: \"abc\" is not a message number"},
        {"PO syntax", "e.po", "msgctxt \"101\"\nmsgid \"File\"\nmsgstr \"Archivo\"\n\nmsgctxt \"102\"\nmsgid \"Edit\nmsgstr \"x\"\n", ""},
        {"PO invalid UTF-8", "f.po",
         "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\nmsgctxt \"101\"\nmsgid \"File\"\nmsgstr \"Arch\xFF\"\n", ""},
        {"PO duplicate", "g.po", "msgctxt \"101\"\nmsgid \"File\"\nmsgstr \"A\"\n\nmsgctxt \"101\"\nmsgid \"Files\"\nmsgstr \"B\"\n",
         "line 5: message 101 appears twice (first on line 1)"},
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(c.file);
        writeFile(path, c.content);
        CatFormat format;
        ASSERT_TRUE(catFormatOf(path, &format));
        CatFile file;
        QString error;
        EXPECT_FALSE(readCatFile(path, format, &file, &error)) << c.name;
        if (*c.cause)
            EXPECT_EQ(error, c.cause) << c.name;
        else
            EXPECT_TRUE(error.startsWith("line ")) << c.name << ": " << error.toStdString();
    }
    QFile big(dir.filePath("big.po"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(LargestCatFile + 1));
    big.close();
    CatFile file;
    QString error;
    EXPECT_FALSE(readPo(big.fileName(), &file, &error));
    EXPECT_EQ(error, "the file is larger than 100 MB");
}

// The real tools are the judges: msgfmt accepts every PO we write; files msgcat, po2xliff and
// xliff2po rewrite import back to the same texts; an export imported again changes nothing.
TEST(CatImport, PeerToolsReadOurFilesAndWeReadTheirs)
{
    for (const char *tool : {"msgfmt", "msgcat", "po2xliff", "xliff2po"})
        ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty()) << tool << " is not installed";
    QTemporaryDir dir;
    createDatabase(dir.filePath("AllLanguages.Lng"),
                   {{101, {{1, "Main menu"}, {2, "File"}, {12, "Archivo"}}}, {102, {{2, "Edit"}, {12, "Editar \"así\""}}},
                    {103, {{2, "View"}}}, {104, {{2, "File"}, {12, "Fichero"}}}, {105, {{2, ""}, {12, "sin inglés"}}},
                    {106, {{2, "Line\tbreak"}, {12, "100% \\ barra"}}}});
    const QString folder = dir.path();
    const QString tool = LNG_TOOL_PATH;
    QString out;
    ASSERT_EQ(runProgram(tool, {"export", "Spanish", "--format", "po", "--folder", folder}, &out), 0) << out.toStdString();
    ASSERT_EQ(runProgram(tool, {"export", "Spanish", "--format", "xliff", "--folder", folder}, &out), 0) << out.toStdString();
    const QString po = dir.filePath("Tesmora-es.po");
    const QString xlf = dir.filePath("Tesmora-es.xlf");
    EXPECT_EQ(runProgram("msgfmt", {"-c", "-o", dir.filePath("es.mo"), po}, &out), 0) << out.toStdString();
    ASSERT_EQ(runProgram("msgcat", {po, "-o", dir.filePath("msgcat.po")}), 0);
    ASSERT_EQ(runProgram("po2xliff", {po, dir.filePath("tt.xlf")}), 0);
    ASSERT_EQ(runProgram("xliff2po", {xlf, dir.filePath("tt.po")}), 0);
    for (const QString &file : {po, xlf, dir.filePath("msgcat.po"), dir.filePath("tt.xlf"), dir.filePath("tt.po")}) {
        EXPECT_EQ(runProgram(tool, {"import", "Spanish", file, "--folder", folder}, &out), 0) << file.toStdString() << ": " << out.toStdString();
        EXPECT_TRUE(out.startsWith("0 translations updated, 6 unchanged, 0 not applied")) << file.toStdString() << ": " << out.toStdString();
    }
    // A translator's change through a converted file lands in its message only.
    QString text = QString::fromUtf8(readFile(dir.filePath("tt.po")));
    text.replace("msgstr \"Fichero\"", "msgstr \"Archivo nuevo\"");
    writeFile(dir.filePath("tt.po"), text.toUtf8());
    EXPECT_EQ(runProgram(tool, {"import", "Spanish", dir.filePath("tt.po"), "--dry-run", "--folder", folder}, &out), 0);
    EXPECT_EQ(readField(dir.filePath("AllLanguages.Lng"), 104, 12), QString("Fichero")) << "a dry run writes nothing";
    EXPECT_EQ(runProgram(tool, {"import", "Spanish", dir.filePath("tt.po"), "--folder", folder}, &out), 0) << out.toStdString();
    EXPECT_TRUE(out.startsWith("1 translation updated, 5 unchanged, 0 not applied")) << out.toStdString();
    EXPECT_EQ(readField(dir.filePath("AllLanguages.Lng"), 104, 12), QString("Archivo nuevo"));
    EXPECT_EQ(readField(dir.filePath("AllLanguages.Lng"), 101, 12), QString("Archivo"));
    EXPECT_EQ(runProgram(tool, {"import", "French", po, "--folder", folder}, &out), 1);
    EXPECT_TRUE(out.contains("is refused: the file is in \"es\", the edited language is French (fr)")) << out.toStdString();
}

// In the window an import is the user's edit: one undo step, nothing saved, one summary.
TEST(CatImport, TheWindowsImportIsOneUndoableEdit)
{
    BenchFixture f;
    ASSERT_TRUE(SettingsFile::write(f.bench->settingsPath(), {3, 12, "French", "Spanish"}, nullptr));
    f.loadWith({{101, {{2, "File"}, {12, "Archivo"}}}, {102, {{2, "Edit"}}}});
    const QString path = f.folder() + "/" + suggestedCatFileName("Spanish", CatFormat::Po);
    EXPECT_EQ(path, f.folder() + "/Tesmora-es.po");
    exportForTranslation(*f.bench, path);
    EXPECT_EQ(f.prompts.last().text, "2 messages were written to " + path + ".");
    CatFile file;
    QString error;
    ASSERT_TRUE(readPo(path, &file, &error)) << error.toStdString();
    file.entries[1].target = "Editar";
    ASSERT_TRUE(writePo(path, file, &error));
    importTranslation(*f.bench, path);
    EXPECT_EQ(f.prompts.last().text, "1 translation updated, 1 unchanged, 0 not applied");
    EXPECT_EQ(f.table().CellText(2, 5), "Editar");
    EXPECT_TRUE(f.state.IsModified);
    EXPECT_EQ(readField(f.dbPath(), 102, 12), std::nullopt) << "nothing saved";
    EXPECT_EQ(f.bench->history().stack().undoText(), "import of Tesmora-es.po");
    f.bench->history().undo();
    EXPECT_EQ(f.table().CellText(2, 5), "");
    EXPECT_FALSE(f.state.IsModified);
}
