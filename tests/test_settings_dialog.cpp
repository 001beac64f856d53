#include "Fixtures.h"

#include "app/Geometry.h"
#include "app/MainForm.h"
#include "settings/SettingsDialog.h"
#include "settings/SettingsFile.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace lng;
using namespace lng::test;

namespace {
QStringList entries(const QListWidget *list)
{
    QStringList result;
    for (int row = 0; row < list->count(); ++row)
        result << list->item(row)->text();
    return result;
}

void choose(QListWidget *list, const QString &name, int occurrence = 0)
{
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->text() == name && occurrence-- == 0) {
            list->setCurrentRow(row);
            return;
        }
    }
    FAIL() << "no entry " << name.toStdString();
}
} // namespace

TEST(SettingsDialog, LayoutListsAndPreselection)
{
    BenchFixture f;
    f.state.SecondLanguageName = "German";
    f.state.EditedLanguageName = "Russian";
    SettingsDialog dialog(*f.bench);
    EXPECT_EQ(dialog.windowTitle(), "Settings");
    EXPECT_EQ(dialog.size(), QSize(twipsToPixels(4995), twipsToPixels(2595)));
    EXPECT_EQ(dialog.List2()->geometry(), QRect(168, 16, 161, 121));
    EXPECT_EQ(dialog.Command1(0)->text(), "&Ok");
    EXPECT_EQ(dialog.Command1(1)->text(), "&Cancel");
    const QStringList names = entries(dialog.List1());
    EXPECT_EQ(names.first(), "[Comments]");
    EXPECT_EQ(names.count("Italian"), 2);
    EXPECT_EQ(names.size(), 19);
    EXPECT_EQ(entries(dialog.List2()), names);
    EXPECT_EQ(dialog.List1()->currentItem()->text(), "German");
    EXPECT_EQ(dialog.List2()->currentItem()->text(), "Russian");
    // Tab order: List1, List2, Ok, Cancel.
    const auto nextTabStop = [](QWidget *w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    EXPECT_EQ(nextTabStop(dialog.List1()), dialog.List2());
    EXPECT_EQ(nextTabStop(dialog.List2()), dialog.Command1(0));
    EXPECT_EQ(nextTabStop(dialog.Command1(0)), dialog.Command1(1));
}

TEST(SettingsDialog, BeforeAnyLoadTheFirstEntriesAreSelected)
{
    BenchFixture f;
    SettingsDialog dialog(*f.bench);
    EXPECT_EQ(dialog.List1()->currentRow(), 0);
    EXPECT_EQ(dialog.List2()->currentRow(), 0);
}

TEST(SettingsDialog, OkWritesTheChoiceAndCancelChangesNothing)
{
    BenchFixture f;
    {
        SettingsDialog dialog(*f.bench);
        choose(dialog.List1(), "Italian", 1); // the second "Italian" entry is still field 8
        choose(dialog.List2(), "Spanish");
        dialog.Command1(1)->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_TRUE(f.state.SettingsResult.isEmpty());
        EXPECT_TRUE(f.state.EditedLanguageName.isEmpty());
    }
    SettingsDialog dialog(*f.bench);
    choose(dialog.List1(), "Italian", 1);
    choose(dialog.List2(), "Spanish");
    dialog.Command1(0)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(f.state.SettingsResult, "Ok");
    EXPECT_EQ(readFile(f.bench->settingsPath()), QByteArray(" 8 \r\n 12 \r\nItalian\r\nSpanish\r\n"));
}

TEST(SettingsDialog, AWrongPasswordClosesTheDialogAsCancelled)
{
    BenchFixture f;
    SettingsDialog dialog(*f.bench);
    choose(dialog.List2(), "English");
    f.prompts.inputs = {"nope"};
    dialog.Command1(0)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(f.state.SettingsResult.isEmpty());
    EXPECT_EQ(f.prompts.texts(), (QStringList {"Enter password to edit English texts:", "Wrong password!"}));
}

TEST(SettingsDialog, TheToolOpensItModallyAndReloads)
{
    BenchFixture f;
    createDatabase(f.dbPath(), {{101, {{2, "File"}, {3, "Fichier"}, {12, "Archivo"}}}});
    MainForm form(*f.bench);
    ASSERT_TRUE(f.bench->LoadTable());
    f.table().SetCellText(300, 5, "typed");
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<SettingsDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (QWidget *other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        seen = true;
        EXPECT_TRUE(dialog->isModal());
        choose(dialog->List2(), "Spanish");
        dialog->Command1(0)->click();
    });
    form.toolAction("ID_Settings")->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(f.table().CellText(1, 5), "Archivo");
    EXPECT_EQ(f.table().CellText(300, 5), QString());
    EXPECT_EQ(f.table().ColumnHeading(5), "Spanish");
}
