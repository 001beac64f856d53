#include "Fixtures.h"

#include "app/MainForm.h"
#include "context/ContextWindow.h"
#include "context/SourceScan.h"
#include "grid/SheetView.h"
#include "pane/MessageFocus.h"
#include "pane/MessagePane.h"
#include "settings/SettingsFile.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
const QByteArray kListing = "Caption = TXL(101) & TXL(104)\r\nDim x\r\nTip = txl(101)\r\nOther = TXL(102)\r\n";

struct PaneFixture {
    BenchFixture bench;
    std::unique_ptr<MainForm> form;

    PaneFixture()
    {
        EXPECT_TRUE(SettingsFile::write(bench.bench->settingsPath(), {3, 12, "French", "Spanish"}, nullptr));
        writeFile(bench.folder() + "/GhostSources.bin", kListing);
        form = std::make_unique<MainForm>(*bench.bench);
        bench.loadWith({
            {101, {{1, "File menu"}, {2, "Open file"}, {3, "Ouvrir"}, {12, "Abrir archivo"}}},
            {102, {{2, "Open files"}}},
            {103, {{2, "Open file"}, {12, "Abrir el archivo"}}},
            {104, {{2, "Close"}}},
            {105, {{2, "Open files"}, {12, "Abrir los archivos"}}},
        });
        form->show();
        bench.bench->focus().usage().waitUntilRead();
        goTo(1);
    }
    MessagePane &pane() { return *form->messagePane(); }
    Sheet &table() { return bench.table(); }
    void goTo(int row)
    {
        table().setActiveCell(row, EditedColumn);
        QCoreApplication::processEvents();
        pane().refreshNow();
    }
    void typeInPane(const QString &text)
    {
        pane().editor()->setFocus();
        const QStringList lines = text.split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(pane().editor(), Qt::Key_Return);
            QTest::keyClicks(pane().editor(), lines[i]);
        }
    }
    QStringList uses()
    {
        QStringList lines;
        for (int i = 0; i < pane().useList()->count(); ++i)
            lines << pane().useList()->item(i)->text();
        return lines;
    }
};
} // namespace

// The pane follows the active row; what is typed in it is the user's edit of the edited cell,
// one undo step, committed when the editor loses the focus.
TEST(MessagePane, FollowsTheRowAndItsEditsReachTheCellAndUndo)
{
    PaneFixture f;
    MessagePane &pane = f.pane();
    EXPECT_EQ(pane.numberLabel()->text(), "101");
    EXPECT_EQ(pane.commentLabel()->text(), "File menu");
    EXPECT_EQ(pane.englishLabel()->text(), "Open file");
    EXPECT_EQ(pane.secondLabel()->text(), "Ouvrir");
    EXPECT_EQ(pane.editor()->toPlainText(), "Abrir archivo");
    EXPECT_FALSE(pane.editor()->isReadOnly());

    f.goTo(2);
    EXPECT_EQ(pane.numberLabel()->text(), "102");
    EXPECT_EQ(pane.editor()->toPlainText(), "");
    const int steps = f.bench.bench->history().stack().count();
    f.typeInPane("Abrir\narchivos");
    EXPECT_EQ(f.table().CellText(2, EditedColumn), "") << "not before the edit is committed";
    f.form->F1Book1()->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.table().CellText(2, EditedColumn), "Abrir\narchivos");
    EXPECT_TRUE(f.bench.state.IsModified);
    EXPECT_EQ(f.bench.bench->history().stack().count(), steps + 1) << "one step for the whole text";

    f.bench.bench->dispatcher().dispatch("ID_Undo");
    QCoreApplication::processEvents();
    f.pane().refreshNow();
    EXPECT_EQ(f.table().CellText(2, EditedColumn), "");
    EXPECT_EQ(pane.editor()->toPlainText(), "") << "the pane shows what the undo put back";

    // The read-only texts can be selected and copied (Ctrl+C copies the selection there, not the table's).
    QApplication::setActiveWindow(f.form.get());
    pane.englishLabel()->setFocus();
    pane.englishLabel()->setSelection(0, 4);
    QTest::keyClick(pane.englishLabel(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "Open");
    EXPECT_EQ(f.bench.clipboard.content, "") << "not the table's copy";
}

// A text being typed in the pane is never lost to a command: the toolbar's Save, Ctrl+Enter.
TEST(MessagePane, CommandsCommitTheTextBeingTyped)
{
    PaneFixture f;
    f.goTo(2);
    f.typeInPane("Abrir archivos");
    QTest::keyClick(f.pane().editor(), Qt::Key_Return, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.table().CellText(2, EditedColumn), "Abrir archivos");
    EXPECT_EQ(f.table().ActiveRow(), 4) << "on to the next untranslated message";

    f.pane().refreshNow();
    f.typeInPane("Cerrar");
    f.form->toolAction("ID_Save")->trigger(); // a toolbar click leaves the focus where it is
    QCoreApplication::processEvents();
    EXPECT_EQ(readField(f.bench.dbPath(), 104, 12), QString("Cerrar"));
    EXPECT_EQ(readField(f.bench.dbPath(), 102, 12), QString("Abrir archivos"));
    EXPECT_FALSE(f.bench.state.IsModified);
}

TEST(MessagePane, LockedCellsStayReadOnlyAndTheCleaningNoteWarns)
{
    PaneFixture f;
    f.table().SelectRange(3, EditedColumn, 3, EditedColumn);
    f.table().SetSelectionProtection(true, false);
    f.goTo(3);
    EXPECT_TRUE(f.pane().editor()->isReadOnly());
    f.typeInPane("x");
    f.form->F1Book1()->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.table().CellText(3, EditedColumn), "Abrir el archivo");

    f.goTo(2);
    EXPECT_FALSE(f.pane().editor()->isReadOnly());
    EXPECT_EQ(f.pane().cleaningNote()->text(), "");
    f.typeInPane("Di \"hola\" ");
    EXPECT_EQ(f.pane().cleaningNote()->text(),
              "When saved: double quotes become apostrophes, spaces at the start and end are removed.");
}

// The lines that use the message are the context window's lines, resolved the same way.
TEST(MessagePane, UsesAreTheContextWindowsLines)
{
    PaneFixture f;
    const auto windowLines = [&] {
        ContextWindow window(*f.bench.bench);
        window.scan();
        QStringList lines;
        Sheet &found = window.foundLines();
        for (int row = 3; row <= found.LastUsedRow(); ++row) {
            if (found.CellFill(row, 1) == ContextLineFill)
                lines << found.CellText(row + 1, 1);
        }
        return lines;
    };
    EXPECT_EQ(f.uses(), windowLines());
    EXPECT_EQ(f.uses().size(), 2);
    EXPECT_TRUE(f.uses().front().startsWith("Caption = \"Abrir archivo\" & \"\""));
    EXPECT_EQ(f.pane().useNote()->text(), "2 line(s) call this message.");
    f.goTo(3);
    EXPECT_EQ(f.uses(), windowLines());
    EXPECT_EQ(f.pane().useNote()->text(), "No line of the sources calls this message.");

    // A listing that changes on disk is read again by itself; one that goes away is a note in
    // the pane, not a message box.
    f.goTo(1);
    writeFile(f.bench.folder() + "/GhostSources.bin", "New = TXL(101)\r\n" + kListing);
    QTRY_COMPARE_WITH_TIMEOUT(f.uses().size(), 3, 10000);
    EXPECT_EQ(f.uses(), windowLines());
    QFile::remove(f.bench.folder() + "/GhostSources.bin");
    QTRY_VERIFY_WITH_TIMEOUT(f.uses().isEmpty(), 10000);
    EXPECT_EQ(f.pane().useNote()->text(), "No source listing: " + f.bench.folder() + "/GhostSources.bin is missing.");
    EXPECT_TRUE(f.bench.prompts.shown.empty());
}

// Suggestions: the same English first, then alike texts; Ctrl+1 puts the first into the cell.
TEST(MessagePane, SuggestionsRankExactBeforeFuzzyAndCtrl1UsesTheFirst)
{
    PaneFixture f;
    f.goTo(2);
    const QString shown = f.pane().suggestionList()->toPlainText();
    const qsizetype exact = shown.indexOf("100 %");
    const qsizetype fuzzy = shown.indexOf("90 %");
    EXPECT_GE(exact, 0) << shown.toStdString();
    EXPECT_GT(fuzzy, exact) << shown.toStdString();
    EXPECT_TRUE(shown.contains("#105")) << shown.toStdString();
    EXPECT_TRUE(f.pane().suggestionList()->toHtml().contains("font-weight:700; color:#666666;\">file</span>"))
        << "the differing word is marked: " << f.pane().suggestionList()->toHtml().toStdString();

    const int steps = f.bench.bench->history().stack().count();
    f.form->F1Book1()->setFocus();
    QTest::keyClick(f.form->F1Book1(), Qt::Key_1, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.table().CellText(2, EditedColumn), "Abrir los archivos");
    EXPECT_EQ(f.bench.bench->history().stack().count(), steps + 1);
    f.pane().refreshNow();
    EXPECT_EQ(f.pane().editor()->toPlainText(), "Abrir los archivos");
}
