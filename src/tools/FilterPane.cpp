#include "FilterPane.h"

#include "app/Workbench.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace lng {

namespace {
struct Choice {
    const char *identifier;
    const char *text;
};
constexpr std::array<Choice, 5> kChoices {{
    {"ID_FilterAll", "All rows"},
    {"ID_FilterMessages", "Messages only"},
    {"ID_FilterUntranslated", "Untranslated"},
    {"ID_FilterContaining", "Containing\u2026"},
    {"ID_FilterFindings", "Messages with findings"},
}};
} // namespace

FilterPane::FilterPane(Workbench &bench, QWidget *parent)
    : QDockWidget(tr("Filter"), parent)
    , m_bench(bench)
{
    setObjectName(QStringLiteral("FilterPane"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetFloatable);
    auto *content = new QWidget(this);
    auto *layout = new QHBoxLayout(content);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(tr("Show:"), content));
    m_mode = new QComboBox(content);
    m_mode->setObjectName(QStringLiteral("FilterMode"));
    m_text = new QLineEdit(content);
    m_text->setObjectName(QStringLiteral("FilterText"));
    m_text->setPlaceholderText(tr("Text in any column"));
    m_text->setClearButtonEnabled(true);
    layout->addWidget(m_mode);
    layout->addWidget(m_text, 1);
    setWidget(content);

    auto *group = new QActionGroup(this);
    for (std::size_t i = 0; i < kChoices.size(); ++i) {
        const QString text = QString::fromUtf8(kChoices[i].text);
        m_mode->addItem(text);
        auto *action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(kChoices[i].identifier) + QStringLiteral("Action"));
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, i] { choose(static_cast<int>(i)); });
        m_actions[i] = action;
    }
    connect(m_mode, &QComboBox::activated, this, &FilterPane::choose);
    connect(m_text, &QLineEdit::textEdited, this, [this](const QString &text) {
        m_bench.rowFilter.text = text;
        choose(static_cast<int>(RowFilterMode::Containing));
    });
    showCurrent();
}

void FilterPane::choose(int mode)
{
    if (mode == static_cast<int>(RowFilterMode::Containing) && m_text->text().isEmpty())
        m_text->setFocus();
    m_bench.rowFilter.text = m_text->text();
    m_bench.dispatcher().dispatch(QString::fromLatin1(kChoices[static_cast<std::size_t>(mode)].identifier));
    showCurrent();
}

void FilterPane::showCurrent()
{
    const int mode = static_cast<int>(m_bench.rowFilter.mode);
    const QSignalBlocker blocker(m_mode);
    m_mode->setCurrentIndex(mode);
    m_actions[static_cast<std::size_t>(mode)]->setChecked(true);
    if (m_text->text() != m_bench.rowFilter.text)
        m_text->setText(m_bench.rowFilter.text);
}

} // namespace lng
