#pragma once

#include "Workbench.h"

#include <QMainWindow>
#include <QPointer>

class QLabel;
class QToolBar;

namespace lng {

class FilterPane;
class FindingsPane;
class FindDlg;
class MessagePane;
class SheetView;

// The main window: the toolbar, the message table and the hidden exchange grid.
class MainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit MainForm(Workbench &bench, QWidget *parent = nullptr);

    Workbench &workbench() { return m_bench; }
    SheetView *F1Book1() const { return m_table; }
    SheetView *F1Book2() const { return m_exchange; }
    QToolBar *toolbar() const { return m_toolbar; }
    FindDlg *findDialog() const;
    FilterPane *filterPane() const { return m_filterPane; }
    FindingsPane *findingsPane() const { return m_findingsPane; }
    MessagePane *messagePane() const { return m_messagePane; }
    // Commits a text being typed, in the table's cell or in the message pane.
    void commitEditing();
    // The action of a tool, found by its identifier.
    QAction *toolAction(const QString &identifier) const;

    // The initial client area, centred on the screen.
    static QSize initialClientSize();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createToolbar();
    // Commands that open one of the program's windows.
    void bindWindowCommands();
    void applyResizeRule();
    void fitColumnsToWindow();
    void createStatusBar();
    void createFilterPane();
    void createMessagePane();
    void createFindingsPane();
    // The title's modified mark and the status bar's figures, after anything that may change them.
    void showWorkState();

    Workbench &m_bench;
    QToolBar *m_toolbar = nullptr;
    QWidget *m_gridArea = nullptr;
    SheetView *m_table = nullptr;
    SheetView *m_exchange = nullptr;
    QPointer<FindDlg> m_findDialog;
    FilterPane *m_filterPane = nullptr;
    FindingsPane *m_findingsPane = nullptr;
    MessagePane *m_messagePane = nullptr;
    QLabel *m_progressLabel = nullptr;
    QLabel *m_unsavedLabel = nullptr;
    QLabel *m_lockLabel = nullptr;
    QLabel *m_databaseLabel = nullptr; // the server the table was loaded from, if any
    bool m_columnsFitted = false;
};

} // namespace lng
