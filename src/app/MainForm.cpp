#include "MainForm.h"

#include "Geometry.h"
#include "MenuBar.h"
#include "Texts.h"
#include "ToolTable.h"
#include "grid/SheetView.h"
#include "settings/SettingsChoice.h"
#include "settings/SettingsDialog.h"
#include "cat/CatExchange.h"
#include "checks/FindingsPane.h"
#include "tools/FilterPane.h"
#include "tools/FindDlg.h"
#include "context/ContextCommand.h"
#include "context/ContextWindow.h"
#include "pane/MessagePane.h"
#include "server/ServerDatabase.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>

namespace lng {

namespace {
QIcon toolIcon(const Tool &tool, QStyle *style)
{
    static const std::map<std::string_view, QStyle::StandardPixmap> fallbacks {
        {"ID_Load", QStyle::SP_DialogOpenButton},  {"ID_Save", QStyle::SP_DialogSaveButton},
        {"ID_Settings", QStyle::SP_FileDialogDetailedView}, {"ID_Unlock", QStyle::SP_DialogApplyButton},
        {"ID_Copy", QStyle::SP_FileIcon},           {"ID_Paste", QStyle::SP_FileLinkIcon},
        {"ID_Search", QStyle::SP_FileDialogContentsView}, {"ID_BuildDLL", QStyle::SP_DriveFDIcon},
        {"ID_Context", QStyle::SP_DialogHelpButton}, {"ID_ToExcel", QStyle::SP_ArrowRight},
        {"ID_FromExcel", QStyle::SP_ArrowLeft},     {"ID_Rows", QStyle::SP_FileDialogListView},
        {"ID_FindBlank", QStyle::SP_ArrowDown},     {"ID_CheckCase", QStyle::SP_DialogYesButton},
    };
    const auto fallback = fallbacks.find(tool.identifier);
    const QIcon standard = fallback != fallbacks.end() ? style->standardIcon(fallback->second) : QIcon();
    return QIcon::fromTheme(QString::fromLatin1(tool.icon.data(), static_cast<qsizetype>(tool.icon.size())), standard);
}

QString toQString(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

MainForm::MainForm(Workbench &bench, QWidget *parent)
    : QMainWindow(parent)
    , m_bench(bench)
{
    setWindowTitle(texts::AppTitle + QStringLiteral("[*]"));
    setObjectName(QStringLiteral("MainForm"));

    m_gridArea = new QWidget(this);
    setCentralWidget(m_gridArea);
    m_gridArea->installEventFilter(this); // the panes' splitters change its size too
    m_table = new SheetView(bench.table(), m_gridArea);
    m_table->setObjectName(QStringLiteral("F1Book1"));
    m_table->setAccessibleName(QStringLiteral("Message table"));
    m_exchange = new SheetView(bench.exchangeSheet(), m_gridArea);
    m_exchange->setObjectName(QStringLiteral("F1Book2"));
    m_exchange->setGeometry(twipsToPixels(1320), twipsToPixels(1200), twipsToPixels(11055), twipsToPixels(10575));
    m_exchange->hide();

    createToolbar();
    buildMenuBar(
        *this, m_bench, [this](const QString &identifier) { return toolAction(identifier); },
        [this] { commitEditing(); });
    createStatusBar();
    createFilterPane();
    createMessagePane();
    createFindingsPane();
    // Whatever runs a command, a tool, a menu or a key, the text being typed is committed first.
    bench.dispatcher().setBeforeCommand([this] { commitEditing(); });
    bindWindowCommands();
    // The title marks unsaved work; whatever changes the flag, an edit, an undo or a command,
    // is followed by this.
    const auto showState = [this] { showWorkState(); };
    connect(&bench.table(), &Sheet::CellEdited, this, showState);
    connect(&bench.history().stack(), &QUndoStack::indexChanged, this, showState);
    connect(&bench.progress(), &TranslationProgress::changed, this, showState);
    bench.dispatcher().setAfterCommand(showState);

    bench.setYield([] { QCoreApplication::processEvents(); });

    // Form load: headings and protection.
    bench.formLoad();

    const int bars = m_toolbar->sizeHint().height() + menuBar()->sizeHint().height() + statusBar()->sizeHint().height()
                     + m_filterPane->sizeHint().height();
    QSize size(initialClientSize().width(), initialClientSize().height() + bars);
    // The first size fits the screen at any scale, title bar in reach; the frame's own border
    // (not known before the window is shown) is allowed for.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        const QSize border(16, 40);
        const QRect place = firstWindowPlace(size + border, available);
        size = place.size() - border;
        resize(size);
        move(place.topLeft());
    } else {
        resize(size);
    }
}

void MainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The columns are fitted once the window has its first real size and layout.
    if (!m_columnsFitted) {
        m_columnsFitted = true;
        // The table keeps most of the height; the message pane takes about a quarter.
        resizeDocks({m_messagePane}, {std::max(height() / 4, fontMetrics().height() * 10)}, Qt::Vertical);
        fitColumnsToWindow();
    }
}

void MainForm::fitColumnsToWindow()
{
    // The edited column is in view at the first size: columns 2 to 4 give up width when the
    // window is narrower than the table's column widths, none below about 12 characters.
    applyResizeRule();
    Sheet &table = m_bench.table();
    std::vector<int> widths;
    std::vector<bool> shrinkable;
    for (int col = PositionColumn; col <= EditedColumn; ++col) {
        widths.push_back(m_table->pixelsForWidth(table.ColumnWidth(col)));
        shrinkable.push_back(col > PositionColumn && col < EditedColumn);
    }
    const int available = m_table->width() - m_table->verticalHeader()->sizeHint().width()
                          - m_table->verticalScrollBar()->sizeHint().width() - 2 * m_table->frameWidth();
    const std::vector<int> fitted = shrinkToFit(widths, shrinkable, available, m_table->pixelsForWidth(12 * 256));
    // Shown widths only, as a drag of the user's would set them: the table keeps its own.
    for (int col = PositionColumn; col <= EditedColumn; ++col)
        m_table->setColumnWidth(col - 1, fitted[static_cast<std::size_t>(col - 1)]);
}

QSize MainForm::initialClientSize()
{
    return {twipsToPixels(15225), twipsToPixels(12630)};
}

void MainForm::createToolbar()
{
    m_toolbar = new QToolBar(toQString(ToolbarName), this);
    m_toolbar->setObjectName(toQString(ToolbarName));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setMovable(false);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    for (std::string_view entry : ToolbarLayout) {
        if (entry.empty()) {
            m_toolbar->addSeparator();
            continue;
        }
        const Tool *tool = toolByCaption(entry);
        auto *action = new QAction(toolIcon(*tool, style()), toQString(tool->caption), this);
        const QString identifier = toQString(tool->identifier);
        action->setObjectName(identifier);
        action->setToolTip(toQString(tool->description));
        action->setStatusTip(toQString(tool->description));
        action->setWhatsThis(toQString(tool->description));
        if (!tool->shortcut.empty())
            action->setShortcut(QKeySequence(toQString(tool->shortcut)));
        connect(action, &QAction::triggered, this, [this, identifier] { m_bench.dispatcher().dispatch(identifier); });
        m_toolbar->addAction(action);
        if (QWidget *button = m_toolbar->widgetForAction(action)) {
            button->setAccessibleName(action->text());
            button->setAccessibleDescription(action->toolTip());
        }
    }
}

void MainForm::bindWindowCommands()
{
    CommandDispatcher &commands = m_bench.dispatcher();
    commands.bind(QStringLiteral("ID_Settings"), [this] {
        settingsCommand(m_bench, [this] {
            SettingsDialog dialog(m_bench, this);
            dialog.exec();
        });
    });
    commands.bind(QStringLiteral("ID_Search"), [this] {
        // One find dialog at a time: while it is open, the command only brings it forward.
        if (!m_findDialog) {
            m_findDialog = new FindDlg(m_bench, this);
            m_findDialog->show();
        }
        m_findDialog->raise();
        m_findDialog->activateWindow();
    });
    // Files for translators' tools, chosen in the application folder (.xlf, .xliff or .po).
    const QString filter = tr("Translation files (*.po *.xlf *.xliff)");
    commands.bind(QStringLiteral("ID_ExportTranslation"), [this, filter] {
        const QString suggested = m_bench.pathOf(suggestedCatFileName(m_bench.state().EditedLanguageName, CatFormat::Po));
        const QString path = QFileDialog::getSaveFileName(this, tr("Export for translation"), suggested, filter);
        if (!path.isEmpty())
            exportForTranslation(m_bench, path);
    });
    commands.bind(QStringLiteral("ID_ImportTranslation"), [this, filter] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Import translation"), m_bench.folder(), filter);
        if (!path.isEmpty())
            importTranslation(m_bench, path);
    });
    commands.bind(QStringLiteral("ID_Context"), [this] {
        contextCommand(m_bench, [this] {
            ContextWindow window(m_bench, this);
            window.exec();
        });
    });
}

void MainForm::createFilterPane()
{
    m_filterPane = new FilterPane(m_bench, this);
    m_filterPane->setMaximumHeight(m_filterPane->sizeHint().height());
    addDockWidget(Qt::BottomDockWidgetArea, m_filterPane);
    if (QMenu *view = menuBar()->findChild<QMenu *>(QStringLiteral("ViewMenu"))) {
        view->addSeparator();
        for (QAction *action : m_filterPane->actions())
            view->addAction(action);
        view->addSeparator();
        view->addAction(m_filterPane->toggleViewAction());
    }
}

void MainForm::commitEditing()
{
    m_table->commitEditing();
    if (m_messagePane)
        m_messagePane->commitEditing();
}

void MainForm::createMessagePane()
{
    m_messagePane = new MessagePane(m_bench, this);
    // Under the filter, which keeps its one line.
    addDockWidget(Qt::BottomDockWidgetArea, m_messagePane);
    splitDockWidget(m_filterPane, m_messagePane, Qt::Vertical);
    if (QMenu *view = menuBar()->findChild<QMenu *>(QStringLiteral("ViewMenu")))
        view->addAction(m_messagePane->toggleViewAction());
    for (int k = 1; k <= 5; ++k) {
        auto *use = new QAction(tr("Use Suggestion %1").arg(k), this);
        use->setObjectName(QStringLiteral("ID_UseSuggestion%1").arg(k));
        use->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_0 + k)));
        const QString identifier = use->objectName();
        connect(use, &QAction::triggered, this, [this, identifier] { m_bench.dispatcher().dispatch(identifier); });
        addAction(use);
        m_messagePane->addAction(use); // also while the pane floats
    }
    if (QMenu *tools = menuBar()->findChild<QMenu *>(QStringLiteral("ToolsMenu"))) {
        tools->addSeparator();
        auto *fill = new QAction(tr("&Fill from Identical English Texts"), this);
        fill->setObjectName(QStringLiteral("ID_FillFromIdentical"));
        connect(fill, &QAction::triggered, this, [this] { m_bench.dispatcher().dispatch(QStringLiteral("ID_FillFromIdentical")); });
        tools->addAction(fill);
    }
}

void MainForm::createFindingsPane()
{
    m_findingsPane = new FindingsPane(m_bench, this);
    // Beside the message pane: the filter keeps its one line, the findings share the rest.
    addDockWidget(Qt::BottomDockWidgetArea, m_findingsPane);
    splitDockWidget(m_messagePane, m_findingsPane, Qt::Horizontal);
    m_findingsPane->hide(); // until the checks run
    auto *check = new QAction(tr("Check &Translations"), this);
    check->setObjectName(QStringLiteral("ID_CheckTranslations"));
    check->setShortcut(QKeySequence(Qt::Key_F7));
    connect(check, &QAction::triggered, this, [this] {
        m_bench.dispatcher().dispatch(QStringLiteral("ID_CheckTranslations"));
        m_findingsPane->show();
        m_findingsPane->raise();
    });
    if (QMenu *tools = menuBar()->findChild<QMenu *>(QStringLiteral("ToolsMenu"))) {
        tools->addSeparator();
        tools->addAction(check);
    }
    if (QMenu *view = menuBar()->findChild<QMenu *>(QStringLiteral("ViewMenu")))
        view->addAction(m_findingsPane->toggleViewAction());
    // Rows with findings are marked in the row header; the cells keep their fills.
    m_table->sheetModel()->setRowMarker([this](int row) { return m_bench.findings().rowHasFindings(row); });
    connect(&m_bench.findings(), &TableFindings::changed, m_table->sheetModel(), &SheetModel::rowMarksChanged);
}

void MainForm::createStatusBar()
{
    m_progressLabel = new QLabel(this);
    m_progressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    m_unsavedLabel = new QLabel(this);
    m_unsavedLabel->setObjectName(QStringLiteral("UnsavedLabel"));
    m_lockLabel = new QLabel(this);
    m_lockLabel->setObjectName(QStringLiteral("LockLabel"));
    statusBar()->addPermanentWidget(m_progressLabel);
    statusBar()->addPermanentWidget(m_unsavedLabel);
    statusBar()->addPermanentWidget(m_lockLabel);
    // A team's table on a server says which one; the folder's own file needs no word.
    m_databaseLabel = new QLabel(this);
    m_databaseLabel->setObjectName(QStringLiteral("DatabaseLabel"));
    m_databaseLabel->hide();
    statusBar()->addPermanentWidget(m_databaseLabel);
    m_bench.addLoadObserver([this] {
        const std::optional<QString> server = serverPointer(m_bench.databasePath());
        m_databaseLabel->setText(server ? tr("Server: %1").arg(shownServer(*server)) : QString());
        m_databaseLabel->setVisible(server.has_value());
    });
    m_bench.setStatusReporter([this](const QString &text) { statusBar()->showMessage(text, 10000); });
    showWorkState();
}

void MainForm::showWorkState()
{
    const SharedState &state = m_bench.state();
    setWindowModified(state.IsModified);
    m_progressLabel->setText(m_bench.IsLoaded ? m_bench.progress().summary(state.EditedLanguageName) : QString());
    const QUndoStack &stack = m_bench.history().stack();
    const int steps = stack.cleanIndex() >= 0 ? std::abs(stack.index() - stack.cleanIndex()) : stack.index();
    m_unsavedLabel->setText(!state.IsModified ? tr("No unsaved changes")
                                              : steps > 0 ? tr("%n unsaved change(s)", nullptr, steps) : tr("Unsaved changes"));
    m_lockLabel->setText(state.IsUnlocked ? tr("Unlocked") : tr("Locked"));
    if (m_filterPane)
        m_filterPane->showCurrent();
}

FindDlg *MainForm::findDialog() const
{
    return m_findDialog;
}

QAction *MainForm::toolAction(const QString &identifier) const
{
    return findChild<QAction *>(identifier, Qt::FindDirectChildrenOnly);
}

void MainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    applyResizeRule();
}

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_gridArea && event->type() == QEvent::Resize)
        applyResizeRule();
    return QMainWindow::eventFilter(watched, event);
}

void MainForm::applyResizeRule()
{
    const std::optional<QSize> size = gridSizeForWindow(frameGeometry().size());
    if (!size)
        return; // a size the grid cannot take: it keeps its previous size
    // The grid never reaches past the window's client area, whatever the frame adds.
    const QSize area = m_gridArea->size();
    m_table->resize(std::min(size->width(), area.width()), std::min(size->height(), area.height()));
}

void MainForm::closeEvent(QCloseEvent *event)
{
    if (m_bench.closePrompt(event->spontaneous()))
        event->accept();
    else
        event->ignore();
}

} // namespace lng
