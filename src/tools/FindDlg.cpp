#include "FindDlg.h"

#include "FindEngine.h"
#include "app/Geometry.h"
#include "app/Texts.h"
#include "app/Workbench.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace lng {

namespace {
const QString kStop = QStringLiteral("STOP");
const QString kNoSuchData = QStringLiteral("No such data");
} // namespace

FindDlg::FindDlg(Workbench &bench, QWidget *parent)
    : QDialog(parent)
    , m_bench(bench)
{
    setObjectName(QStringLiteral("FindDlg"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(twipsToPixels(4980), twipsToPixels(1125));

    m_findText = new QLineEdit(this);
    m_label2 = new QLabel(this);
    m_searchCombo = new QComboBox(this);
    m_matchCase = new QCheckBox(this);
    m_findButton = new QPushButton(this);
    m_label3 = new QLabel(this);
    m_lookCombo = new QComboBox(this);
    m_entireCell = new QCheckBox(this);
    m_closeButton = new QPushButton(this);
    m_searching = new QLabel(this);
    m_stopButton = new QPushButton(this);
    m_findText->setObjectName(QStringLiteral("FindText"));
    m_searchCombo->setObjectName(QStringLiteral("SearchCombo"));
    m_lookCombo->setObjectName(QStringLiteral("LookCombo"));
    m_matchCase->setObjectName(QStringLiteral("MatchCase"));
    m_entireCell->setObjectName(QStringLiteral("EntireCell"));
    m_findButton->setObjectName(QStringLiteral("FindButton"));
    m_closeButton->setObjectName(QStringLiteral("CloseButton"));
    m_searching->setObjectName(QStringLiteral("Label1"));
    m_stopButton->setObjectName(QStringLiteral("Command1"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->addWidget(m_findText, 0, 0, 1, 4);
    grid->addWidget(m_label2, 1, 0);
    grid->addWidget(m_searchCombo, 1, 1);
    grid->addWidget(m_matchCase, 1, 2);
    grid->addWidget(m_findButton, 1, 3);
    grid->addWidget(m_label3, 2, 0);
    grid->addWidget(m_lookCombo, 2, 1);
    grid->addWidget(m_entireCell, 2, 2);
    grid->addWidget(m_closeButton, 2, 3);
    grid->addWidget(m_searching, 1, 0, 1, 4, Qt::AlignCenter);
    grid->addWidget(m_stopButton, 2, 1, 1, 2, Qt::AlignCenter);
    m_searching->hide();
    m_stopButton->hide();

    m_label2->setBuddy(m_searchCombo);
    m_label3->setBuddy(m_lookCombo);
    m_findText->setAccessibleName(QStringLiteral("Find what"));
    setTabOrder(m_findText, m_searchCombo);
    setTabOrder(m_searchCombo, m_lookCombo);
    setTabOrder(m_lookCombo, m_matchCase);
    setTabOrder(m_matchCase, m_entireCell);
    setTabOrder(m_entireCell, m_findButton);
    setTabOrder(m_findButton, m_closeButton);
    m_findButton->setDefault(true);
    m_findButton->setAutoDefault(true);
    m_closeButton->setAutoDefault(false);

    // Load.
    SetCaptions();
    m_searchCombo->addItems({QStringLiteral("By rows"), QStringLiteral("By columns")});
    m_searchCombo->setCurrentIndex(0);
    m_lookCombo->addItems({QStringLiteral("Texts"), QStringLiteral("Values")});
    m_lookCombo->setCurrentIndex(0);
    m_savedRow = bench.table().ActiveRow();
    m_savedColumn = bench.table().ActiveColumn();
    m_findText->setText(bench.state().LastSearchText);
    m_searchCombo->setCurrentIndex(1);
    m_findText->installEventFilter(this);
    m_findText->setFocus();
    m_findText->selectAll();

    connect(m_findButton, &QPushButton::clicked, this, [this] {
        m_bench.state().LastSearchText = m_findText->text();
        FindNext();
    });
    connect(m_stopButton, &QPushButton::clicked, this, [this] { m_stopRequest = kStop; });
    connect(m_closeButton, &QPushButton::clicked, this, &FindDlg::onClose);
}

void FindDlg::SetCaptions()
{
    setWindowTitle(QStringLiteral("Find"));
    m_label2->setText(QStringLiteral("Mode"));
    m_matchCase->setText(QStringLiteral("Check case"));
    m_findButton->setText(QStringLiteral("&Next"));
    m_label3->setText(QStringLiteral("Type"));
    m_entireCell->setText(QStringLiteral("Entire cells"));
    m_closeButton->setText(QStringLiteral("&Close"));
    m_searching->setText(QStringLiteral("Searching..."));
    m_stopButton->setText(QStringLiteral("&Stop"));
}

bool FindDlg::eventFilter(QObject *watched, QEvent *event)
{
    // The search box gets the focus with its whole text selected.
    if (watched == m_findText && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, m_findText, &QLineEdit::selectAll);
    // Enter in the search box searches; it is never typed into the text.
    if (watched == m_findText && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (!m_isSearching)
                m_findButton->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FindDlg::ShowSearchControls(bool show)
{
    for (QWidget *w : std::initializer_list<QWidget *> {m_findText, m_searchCombo, m_lookCombo, m_matchCase, m_entireCell,
                                                        m_findButton, m_closeButton, m_label2, m_label3})
        w->setVisible(show);
    m_isSearching = !show;
    m_searching->setVisible(!show);
    m_stopButton->setVisible(!show);
    if (!show)
        m_stopButton->setFocus();
    QCoreApplication::processEvents();
}

FindOptions FindDlg::options() const
{
    FindOptions options;
    options.text = m_findText->text();
    options.order = m_searchCombo->currentIndex() == 0 ? FindOptions::Order::ByRows : FindOptions::Order::ByColumns;
    options.look = m_lookCombo->currentIndex() == 1 ? FindOptions::Look::Values : FindOptions::Look::Texts;
    options.matchCase = m_matchCase->isChecked();
    options.entireCell = m_entireCell->isChecked();
    options.locale = m_locale;
    return options;
}

void FindDlg::FindNext()
{
    if (isSearching())
        return;
    m_stopRequest.clear();
    QPointer<FindDlg> self(this);
    ShowSearchControls(false);
    Sheet &table = m_bench.table();
    m_bench.lastSearch = options(); // F3 repeats it
    const FindSearch::Result result = FindSearch::run(
        table, *m_bench.lastSearch, [] { QCoreApplication::processEvents(); },
        [this, self] { return !self || m_stopRequest == kStop; });
    if (!self)
        return; // the dialog went away during the search
    switch (result.outcome) {
    case FindSearch::Outcome::Hit:
        showHit(table, result.row, result.col);
        ShowSearchControls(true);
        close();
        break;
    case FindSearch::Outcome::Stopped:
        ShowSearchControls(true);
        close();
        break;
    case FindSearch::Outcome::EmptySheet:
        ShowSearchControls(true);
        m_bench.prompts().message(kNoSuchData, Buttons::Ok, Icon::None, AppTitle);
        close();
        break;
    case FindSearch::Outcome::NoMatch:
        ShowSearchControls(true);
        m_bench.prompts().message(kNoSuchData, Buttons::Ok, Icon::None, AppTitle);
        break;
    }
}

void FindDlg::onClose()
{
    Sheet &table = m_bench.table();
    table.SetActiveRow(m_savedRow);
    table.SetActiveColumn(m_savedColumn);
    close();
}

void FindDlg::reject()
{
    if (isSearching())
        m_stopRequest = kStop;
    else
        onClose();
}

void FindDlg::closeEvent(QCloseEvent *event)
{
    // Closing the window while a search runs stops the search first. (QDialog's own handler
    // would reject(), which here means the Close button; a close box leaves the cell alone.)
    m_stopRequest = kStop;
    event->accept();
}

} // namespace lng
