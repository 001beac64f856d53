#include "SettingsDialog.h"

#include "SettingsChoice.h"
#include "app/Geometry.h"
#include "app/Workbench.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace lng {

namespace {
QRect twips(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}
} // namespace

SettingsDialog::SettingsDialog(Workbench &bench, QWidget *parent)
    : QDialog(parent)
    , m_bench(bench)
{
    setObjectName(QStringLiteral("Settings"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);
    setFixedSize(twipsToPixels(4995), twipsToPixels(2595));

    m_labels[0] = new QLabel(QStringLiteral("2nd language to display"), this);
    m_labels[0]->setGeometry(twips(0, 0, 2415, 255));
    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setGeometry(twips(0, 240, 2415, 1815));
    m_labels[1] = new QLabel(QStringLiteral("Language to be edited"), this);
    m_labels[1]->setGeometry(twips(2520, 0, 2415, 255));
    m_list2 = new QListWidget(this);
    m_list2->setObjectName(QStringLiteral("List2"));
    m_list2->setGeometry(twips(2520, 240, 2415, 1815));
    m_buttons[0] = new QPushButton(QStringLiteral("&Ok"), this);
    m_buttons[0]->setObjectName(QStringLiteral("Command1_0"));
    m_buttons[0]->setGeometry(twips(360, 2160, 1815, 375));
    m_buttons[1] = new QPushButton(QStringLiteral("&Cancel"), this);
    m_buttons[1]->setObjectName(QStringLiteral("Command1_1"));
    m_buttons[1]->setGeometry(twips(2760, 2160, 1815, 375));

    m_labels[0]->setBuddy(m_list1);
    m_labels[1]->setBuddy(m_list2);
    m_list1->setAccessibleName(m_labels[0]->text());
    m_list2->setAccessibleName(m_labels[1]->text());
    // Tab order: List1, Label1(0), List2, Label1(1), Ok, Cancel; labels take no focus.
    setTabOrder(m_list1, m_list2);
    setTabOrder(m_list2, m_buttons[0]);
    setTabOrder(m_buttons[0], m_buttons[1]);

    // Form load: both lists with every catalogue name, sorted; preselection by name.
    const SharedState &state = bench.state();
    const QStringList names = settingsChoice::sortedNames(state.catalogue);
    m_list1->addItems(names);
    m_list2->addItems(names);
    m_list1->setCurrentRow(settingsChoice::preselectedRow(names, state.SecondLanguageName));
    m_list2->setCurrentRow(settingsChoice::preselectedRow(names, state.EditedLanguageName));

    connect(m_buttons[0], &QPushButton::clicked, this, [this] { onCommand1(0); });
    connect(m_buttons[1], &QPushButton::clicked, this, [this] { onCommand1(1); });
}

void SettingsDialog::onCommand1(int index)
{
    SharedState &state = m_bench.state();
    if (index == 1) {
        state.SettingsResult.clear();
        reject();
        return;
    }
    const QString second = m_list1->currentItem() ? m_list1->currentItem()->text() : QString();
    const QString edited = m_list2->currentItem() ? m_list2->currentItem()->text() : QString();
    if (settingsChoice::confirm(m_bench, second, edited)) {
        state.SettingsResult = QStringLiteral("Ok");
        accept();
    } else {
        state.SettingsResult.clear();
        reject();
    }
}

} // namespace lng
