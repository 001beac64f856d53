#include "FakePrompts.h"

#include <gtest/gtest.h>

namespace lng::test {

Answer FakePrompts::message(const QString &text, Buttons buttons, Icon icon, const Caption &caption)
{
    shown.push_back({Shown::Message, text, buttons, icon, caption});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

QString FakePrompts::input(const QString &prompt, const QString &caption)
{
    shown.push_back({Shown::Input, prompt, Buttons::Ok, Icon::None, caption});
    if (inputs.empty()) {
        ADD_FAILURE() << "unexpected input box: " << prompt.toStdString();
        return {};
    }
    const QString entry = inputs.front();
    inputs.pop_front();
    return entry;
}

QStringList FakePrompts::texts() const
{
    QStringList result;
    for (const Shown &box : shown)
        result << box.text;
    return result;
}

} // namespace lng::test
