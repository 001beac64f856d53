#pragma once

#include <QString>

#include <functional>
#include <map>

namespace lng {

// Maps a tool's identifier string to its command. Identifiers are compared exactly, letter
// case significant; an identifier without a command does nothing.
class CommandDispatcher {
public:
    using Command = std::function<void()>;

    void bind(const QString &identifier, Command command) { m_commands[identifier] = std::move(command); }
    bool isBound(const QString &identifier) const { return m_commands.count(identifier) != 0; }
    // Runs the command bound to the identifier; answers whether there was one.
    bool dispatch(const QString &identifier) const
    {
        const auto it = m_commands.find(identifier);
        if (it == m_commands.end())
            return false;
        if (m_beforeCommand)
            m_beforeCommand();
        it->second();
        if (m_afterCommand)
            m_afterCommand();
        return true;
    }
    // Called after every command that ran (the window updates what it shows of the state).
    void setAfterCommand(Command after) { m_afterCommand = std::move(after); }
    // Called before every command that runs (the window commits a text still being typed).
    void setBeforeCommand(Command before) { m_beforeCommand = std::move(before); }

private:
    std::map<QString, Command> m_commands;
    Command m_afterCommand;
    Command m_beforeCommand;
};

} // namespace lng
