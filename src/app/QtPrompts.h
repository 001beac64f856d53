#pragma once

#include "Prompts.h"

#include <QPointer>
#include <QWidget>

namespace lng {

// The title bar text of a message box: the caption, the application's title when there is
// none, and an empty title bar for an empty caption.
QString boxTitle(const Caption &caption);

// Message and input boxes as Qt dialogs over the main window.
class QtPrompts : public Prompts {
public:
    void setParentWidget(QWidget *parent) { m_parent = parent; }
    Answer message(const QString &text, Buttons buttons, Icon icon, const Caption &caption) override;
    QString input(const QString &prompt, const QString &caption) override;

private:
    QPointer<QWidget> m_parent;
};

class QtClipboard : public Clipboard {
public:
    QString text() const override;
    void setText(const QString &text) override;
};

} // namespace lng
