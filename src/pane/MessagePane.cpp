#include "MessagePane.h"

#include "MessageFocus.h"
#include "app/Workbench.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace lng {

namespace {
QLabel *textLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setFocusPolicy(Qt::ClickFocus);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLabel *caption(QWidget *parent, const QString &text)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}
} // namespace

MessagePane::MessagePane(Workbench &bench, QWidget *parent)
    : QDockWidget(tr("Message"), parent)
    , m_bench(bench)
    , m_focus(bench.focus())
{
    setObjectName(QStringLiteral("MessagePane"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetFloatable);

    auto *splitter = new QSplitter(Qt::Horizontal);
    auto *texts = new QWidget(splitter);
    auto *grid = new QGridLayout(texts);
    grid->setContentsMargins(4, 2, 4, 2);
    m_number = textLabel(texts, QStringLiteral("MessageNumber"));
    m_comment = textLabel(texts, QStringLiteral("MessageComment"));
    m_english = textLabel(texts, QStringLiteral("MessageEnglish"));
    m_second = textLabel(texts, QStringLiteral("MessageSecond"));
    for (QLabel *label : {m_number, m_comment, m_english, m_second})
        label->installEventFilter(this);
    m_secondCaption = caption(texts, QString());
    m_editedCaption = caption(texts, QString());
    m_editor = new QPlainTextEdit(texts);
    m_editor->setObjectName(QStringLiteral("MessageEditor"));
    m_editor->setAccessibleName(tr("Translation"));
    m_editor->setTabChangesFocus(true);
    m_editor->installEventFilter(this);
    m_cleaning = new QLabel(texts);
    m_cleaning->setObjectName(QStringLiteral("CleaningNote"));
    m_cleaning->setWordWrap(true);
    m_cleaning->setStyleSheet(QStringLiteral("color: #a05a00"));
    int row = 0;
    grid->addWidget(caption(texts, tr("Message")), row, 0, Qt::AlignTop);
    grid->addWidget(m_number, row++, 1);
    grid->addWidget(caption(texts, tr("Comment")), row, 0, Qt::AlignTop);
    grid->addWidget(m_comment, row++, 1);
    grid->addWidget(caption(texts, tr("English")), row, 0, Qt::AlignTop);
    grid->addWidget(m_english, row++, 1);
    grid->addWidget(m_secondCaption, row, 0, Qt::AlignTop);
    grid->addWidget(m_second, row++, 1);
    grid->addWidget(m_editedCaption, row, 0, Qt::AlignTop);
    grid->addWidget(m_editor, row++, 1);
    grid->addWidget(m_cleaning, row++, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row - 2, 1);

    auto *side = new QWidget(splitter);
    auto *sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(4, 2, 4, 2);
    sideLayout->addWidget(caption(side, tr("Earlier translations (Ctrl+1 \u2026 Ctrl+5)")));
    m_suggestions = new QTextBrowser(side);
    m_suggestions->setObjectName(QStringLiteral("Suggestions"));
    m_suggestions->setOpenLinks(false);
    sideLayout->addWidget(m_suggestions, 1);
    sideLayout->addWidget(caption(side, tr("Used in the sources")));
    m_useNote = new QLabel(side);
    m_useNote->setObjectName(QStringLiteral("UseNote"));
    m_useNote->setWordWrap(true);
    sideLayout->addWidget(m_useNote);
    m_uses = new QListWidget(side);
    m_uses->setObjectName(QStringLiteral("Uses"));
    m_uses->setWordWrap(true);
    m_uses->setTextElideMode(Qt::ElideNone);
    sideLayout->addWidget(m_uses, 1);
    splitter->addWidget(texts);
    splitter->addWidget(side);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    // On a small screen the pane scrolls rather than pushing the window past the screen.
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(splitter);
    setWidget(scroll);

    connect(m_suggestions, &QTextBrowser::anchorClicked, this, [this](const QUrl &link) {
        m_bench.dispatcher().dispatch(QStringLiteral("ID_UseSuggestion") + link.fragment());
    });
    connect(m_editor, &QPlainTextEdit::textChanged, this, &MessagePane::editorChanged);

    m_follow.setSingleShot(true);
    m_follow.setInterval(0);
    connect(&m_follow, &QTimer::timeout, this, &MessagePane::refresh);
    const auto follow = [this] { m_follow.start(); };
    connect(&bench.table(), &Sheet::viewChanged, this, [this, follow] {
        if (m_bench.table().ActiveRow() != m_row)
            follow();
    });
    connect(&bench.table(), &Sheet::structureChanged, this, follow); // protection, unlocking
    connect(&m_focus, &MessageFocus::textsChanged, this, follow);
    connect(&m_focus.usage(), &SourceUsage::changed, this, &MessagePane::showUses, Qt::QueuedConnection);
    refresh();
}

void MessagePane::refreshNow()
{
    m_follow.stop();
    refresh();
}

void MessagePane::refresh()
{
    const int active = m_bench.table().ActiveRow();
    if (active != m_row)
        commitEditing(); // what was typed belongs to the row it was typed for
    const bool moved = active != m_row;
    m_row = active;
    const MessageFocus::Message message = m_focus.message(m_row);
    const SharedState &state = m_bench.state();
    m_number->setText(message.number);
    m_comment->setText(message.comment);
    m_english->setText(message.english);
    m_second->setText(message.second);
    m_secondCaption->setText(state.SecondLanguageName.isEmpty() ? tr("Second language") : state.SecondLanguageName);
    m_editedCaption->setText(state.EditedLanguageName.isEmpty() ? tr("Translation") : state.EditedLanguageName);
    m_editor->setReadOnly(!message.editable);
    if (moved || (!m_typed && m_editor->toPlainText() != message.edited)) {
        m_showing = true;
        m_editor->setPlainText(message.edited);
        m_showing = false;
        m_typed = false;
    }
    m_cleaning->setText(MessageFocus::cleaningNote(m_editor->toPlainText()));
    showSuggestions();
    showUses();
}

void MessagePane::showSuggestions()
{
    QString html;
    int k = 0;
    for (const Suggestion &suggestion : m_focus.suggestions(m_row)) {
        ++k;
        html += QStringLiteral("<p><a href=\"#%1\"><b>Ctrl+%1</b></a> &nbsp;%2 % &nbsp;#%3<br>%4<br><span style=\"color:#666\">%5</span></p>")
                    .arg(k)
                    .arg(suggestion.score)
                    .arg(Sheet::formatNumber(suggestion.number), suggestion.translation.toHtmlEscaped(), suggestion.englishMarked);
    }
    if (html.isEmpty())
        html = tr("<p style=\"color:#666\">No earlier translation of this English text or one like it.</p>");
    m_suggestions->setHtml(html);
}

void MessagePane::showUses()
{
    m_uses->clear();
    SourceUsage &usage = m_focus.usage();
    const std::vector<SourceUsage::Use> uses = m_bench.IsLoaded ? usage.usesOf(m_bench.table(), m_row) : std::vector<SourceUsage::Use> {};
    for (const SourceUsage::Use &use : uses) {
        auto *item = new QListWidgetItem(use.resolved, m_uses);
        item->setToolTip(use.line);
    }
    QString note = usage.note();
    if (note.isEmpty())
        note = uses.empty() ? tr("No line of the sources calls this message.") : tr("%n line(s) call this message.", nullptr, static_cast<int>(uses.size()));
    m_useNote->setText(note);
}

void MessagePane::editorChanged()
{
    if (m_showing)
        return;
    m_typed = true;
    m_cleaning->setText(MessageFocus::cleaningNote(m_editor->toPlainText()));
}

void MessagePane::commitEditing()
{
    if (!m_typed)
        return;
    m_typed = false;
    m_focus.commit(m_row, m_editor->toPlainText());
}

bool MessagePane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && event->type() == QEvent::FocusOut)
        commitEditing();
    // Ctrl+C in a text of the pane copies what is selected there, not the table's selection.
    auto *label = qobject_cast<QLabel *>(watched);
    if (label && label->hasSelectedText() && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        if (event->type() == QEvent::KeyPress)
            QGuiApplication::clipboard()->setText(label->selectedText());
        event->accept();
        return true;
    }
    return QDockWidget::eventFilter(watched, event);
}

} // namespace lng
