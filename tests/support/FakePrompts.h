#pragma once

#include "app/Prompts.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

namespace lng::test {

// One message or input box as the user would have seen it.
struct Shown {
    enum Kind { Message, Input } kind = Message;
    QString text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    Caption caption; // nullopt: the application's title

    QString captionText() const { return caption.value_or(QStringLiteral("<application title>")); }
};

// Prompts that record everything shown and answer from scripted queues. A question with no
// scripted answer fails the test (and answers Cancel/No), so no test can wait on a dialog.
class FakePrompts : public Prompts {
public:
    std::vector<Shown> shown;
    std::deque<Answer> answers;
    std::deque<QString> inputs;

    Answer message(const QString &text, Buttons buttons, Icon icon, const Caption &caption) override;
    QString input(const QString &prompt, const QString &caption) override;

    // The texts of every box shown, in order.
    QStringList texts() const;
    const Shown &last() const { return shown.back(); }
    void clear() { shown.clear(); }
};

class FakeClipboard : public Clipboard {
public:
    QString content;
    QString text() const override { return content; }
    void setText(const QString &text) override { content = text; }
};

} // namespace lng::test
