#include "QtPrompts.h"

#include "Texts.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace lng {

QString boxTitle(const Caption &caption)
{
    // Qt shows the application's name for an empty title; one space shows an empty title bar.
    if (caption && caption->isEmpty())
        return QStringLiteral(" ");
    return caption.value_or(texts::AppTitle);
}

Answer QtPrompts::message(const QString &text, Buttons buttons, Icon icon, const Caption &caption)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(boxTitle(caption));
    // Lines may be separated by carriage returns alone; show them as line breaks.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(shown);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case Buttons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case Buttons::KeepMineTheirsCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.button(QMessageBox::Yes)->setText(QObject::tr("Keep mine"));
        box.button(QMessageBox::No)->setText(QObject::tr("Keep theirs"));
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    // A busy pointer left by the command must not hide over the question.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box.exec();
    QGuiApplication::restoreOverrideCursor();
    switch (result) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return buttons == Buttons::Ok ? Answer::Ok
               : (buttons == Buttons::YesNoCancel || buttons == Buttons::KeepMineTheirsCancel) ? Answer::Cancel
                                                                                               : Answer::No;
    }
}

QString QtPrompts::input(const QString &prompt, const QString &caption)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, caption, prompt, QLineEdit::Password, QString(), &ok);
    return ok ? text : QString();
}

QString QtClipboard::text() const
{
    return QGuiApplication::clipboard()->text();
}

void QtClipboard::setText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

} // namespace lng
