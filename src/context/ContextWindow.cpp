#include "ContextWindow.h"

#include "ContextCommand.h"
#include "SourceScan.h"
#include "app/Geometry.h"
#include "app/Texts.h"
#include "app/Workbench.h"
#include "grid/SheetView.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QTimer>

namespace lng {

ContextWindow::ContextWindow(Workbench &bench, QWidget *parent)
    : QDialog(parent)
    , m_bench(bench)
{
    setObjectName(QStringLiteral("Context"));
    setWindowTitle(QStringLiteral("Source context"));
    setModal(true);
    resize(twipsToPixels(9030), twipsToPixels(5700));

    m_lines.SetRowLimit(1000);
    m_grid = new SheetView(m_lines, this);
    m_grid->setObjectName(QStringLiteral("F1Book1"));
    m_grid->setAccessibleName(QStringLiteral("Source lines"));
    m_grid->setGeometry(0, 0, twipsToPixels(9015), twipsToPixels(5175));

    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("Command1"));
    const QSize button(twipsToPixels(1575), twipsToPixels(375));
    m_close->setGeometry((width() - button.width()) / 2, twipsToPixels(5175) + 4, button.width(), button.height());
    m_close->setDefault(true);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    // Load: the found lines cannot be edited.
    m_lines.SetSheetProtected(true);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, &ContextWindow::scan);
    m_timer->start();
}

void ContextWindow::scan()
{
    m_timer->stop();
    QString error;
    bool scanned = false;
    {
        BusyPointer busy(m_bench.table());
        BusyPointer busyHere(m_lines);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        scanned = SourceScan::scanFile(m_bench.pathOf(SourceListingName), m_bench.table(), m_lines, &error);
        QGuiApplication::restoreOverrideCursor();
    }
    // The grid offers every row the scan wrote.
    m_lines.SetRowLimit(std::max(m_lines.LastUsedRow() + 1, 30));
    if (!scanned)
        m_bench.critical(texts::CannotRead + m_bench.pathOf(SourceListingName) + QStringLiteral("\n\n") + error);
    m_close->setFocus();
}

} // namespace lng
