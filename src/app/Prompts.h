#pragma once

#include <QString>

#include <optional>

namespace lng {

enum class Icon { None, Critical, Question, Exclamation, Information };
// YesNoDefaultNo: a question whose safe answer is No, which Enter and Escape give.
// KeepMineTheirsCancel: "Keep mine" answers Yes, "Keep theirs" No; Cancel (and Escape) Cancel.
enum class Buttons { Ok, YesNo, YesNoCancel, YesNoDefaultNo, KeepMineTheirsCancel };
enum class Answer { Ok, Yes, No, Cancel };

// The caption of a message box: an empty text shows an empty title bar, no caption at all
// shows the application's title.
using Caption = std::optional<QString>;
inline const Caption AppTitle = std::nullopt;
inline const Caption NoTitle = QString();

// Message and input boxes. Everything the user is told goes through here, so tests can
// script the answers and check the exact texts.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual Answer message(const QString &text, Buttons buttons, Icon icon, const Caption &caption) = 0;
    // An input box with an empty entry field; Cancel answers the empty text.
    virtual QString input(const QString &prompt, const QString &caption) = 0;
};

// The system clipboard, as plain text.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
};

} // namespace lng
