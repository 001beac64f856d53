#include "FindingsPane.h"

#include "app/Workbench.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lng {

namespace {
constexpr int kIndexRole = Qt::UserRole;

// Message numbers sort as numbers.
class FindingItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (column == 0)
            return text(0).toLongLong() < other.text(0).toLongLong();
        return QTreeWidgetItem::operator<(other);
    }
};
} // namespace

FindingsPane::FindingsPane(Workbench &bench, QWidget *parent)
    : QDockWidget(tr("Translation checks"), parent)
    , m_bench(bench)
{
    setObjectName(QStringLiteral("FindingsPane"));
    auto *content = new QWidget(this);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 2, 4, 2);
    m_summary = new QLabel(content);
    m_summary->setObjectName(QStringLiteral("FindingsSummary"));
    m_list = new QTreeWidget(content);
    m_list->setObjectName(QStringLiteral("FindingsList"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({tr("Message"), tr("Check"), tr("Severity"), tr("Detail")});
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(0, Qt::AscendingOrder);
    m_list->header()->setStretchLastSection(true);
    m_ignore = new QPushButton(tr("Ignore this finding"), content);
    m_ignore->setObjectName(QStringLiteral("IgnoreFinding"));
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *ignoreAction = new QAction(tr("Ignore this finding"), m_list);
    m_list->addAction(ignoreAction);
    layout->addWidget(m_summary);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_ignore, 0, Qt::AlignLeft);
    setWidget(content);

    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) { jumpTo(item->data(0, kIndexRole).toInt()); });
    connect(m_ignore, &QPushButton::clicked, this, &FindingsPane::ignoreCurrent);
    connect(ignoreAction, &QAction::triggered, this, &FindingsPane::ignoreCurrent);
    connect(&bench.findings(), &TableFindings::changed, this, &FindingsPane::refresh);
    refresh();
}

void FindingsPane::refresh()
{
    const std::vector<RowFinding> &findings = m_bench.findings().findings();
    m_list->setSortingEnabled(false);
    m_list->clear();
    QList<QTreeWidgetItem *> items;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding &f = findings[i].finding;
        auto *item = new FindingItem({QString::number(f.number), f.check, f.severity == Severity::Error ? tr("error") : tr("warning"), f.detail});
        item->setData(0, kIndexRole, static_cast<int>(i));
        items << item;
    }
    m_list->addTopLevelItems(items);
    m_list->setSortingEnabled(true);
    m_summary->setText(m_bench.findings().hasRun() ? m_bench.findings().summary() : tr("The checks have not run yet (F7)."));
    m_ignore->setEnabled(!findings.empty());
}

void FindingsPane::jumpTo(int index)
{
    const std::vector<RowFinding> &findings = m_bench.findings().findings();
    if (index < 0 || index >= static_cast<int>(findings.size()))
        return;
    Sheet &table = m_bench.table();
    table.setActiveCell(findings[static_cast<std::size_t>(index)].row, EditedColumn);
    table.ScrollToActiveCell();
}

void FindingsPane::ignoreCurrent()
{
    QTreeWidgetItem *item = m_list->currentItem();
    if (!item)
        return;
    const int index = item->data(0, kIndexRole).toInt();
    const std::vector<RowFinding> &findings = m_bench.findings().findings();
    if (index < 0 || index >= static_cast<int>(findings.size()))
        return;
    QString error;
    if (!m_bench.findings().ignore(findings[static_cast<std::size_t>(index)], &error))
        m_bench.critical(QStringLiteral("Cannot keep the finding ignored in %1\n\n%2").arg(m_bench.databasePath(), error));
}

} // namespace lng
