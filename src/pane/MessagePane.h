#pragma once

#include <QDockWidget>
#include <QTimer>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QTextBrowser;

namespace lng {

class MessageFocus;
class Workbench;

// The message pane under the table. It follows the active row: the message's number, comment,
// English and second-language texts (read-only, selectable), the edited text in an editor of
// several lines, a note of what saving will change in it, the earlier translations offered for
// it and the lines of the sources that use it.
class MessagePane : public QDockWidget {
    Q_OBJECT
public:
    explicit MessagePane(Workbench &bench, QWidget *parent = nullptr);

    QLabel *numberLabel() const { return m_number; }
    QLabel *commentLabel() const { return m_comment; }
    QLabel *englishLabel() const { return m_english; }
    QLabel *secondLabel() const { return m_second; }
    QPlainTextEdit *editor() const { return m_editor; }
    QLabel *cleaningNote() const { return m_cleaning; }
    QTextBrowser *suggestionList() const { return m_suggestions; }
    QListWidget *useList() const { return m_uses; }
    QLabel *useNote() const { return m_useNote; }
    int shownRow() const { return m_row; }

    // Commits what was typed in the editor to the shown row's edited cell, if anything was.
    void commitEditing();
    // Shows the active row now, instead of at the next turn of the event loop.
    void refreshNow();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();
    void showUses();
    void showSuggestions();
    void editorChanged();

    Workbench &m_bench;
    MessageFocus &m_focus;
    QLabel *m_number = nullptr;
    QLabel *m_comment = nullptr;
    QLabel *m_english = nullptr;
    QLabel *m_secondCaption = nullptr;
    QLabel *m_second = nullptr;
    QLabel *m_editedCaption = nullptr;
    QPlainTextEdit *m_editor = nullptr;
    QLabel *m_cleaning = nullptr;
    QTextBrowser *m_suggestions = nullptr;
    QListWidget *m_uses = nullptr;
    QLabel *m_useNote = nullptr;
    QTimer m_follow; // row moves and table changes come in bursts: show the last of them once
    int m_row = 0;
    bool m_typed = false; // the editor holds text the cell does not have yet
    bool m_showing = false;
};

} // namespace lng
