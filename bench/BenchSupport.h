#pragma once

#include "app/Prompts.h"
#include "app/SharedState.h"
#include "app/Workbench.h"

#include <QTemporaryDir>

#include <memory>

namespace lng::bench {

// Prompts for benchmarks: every question answered Yes, every input the password.
class QuietPrompts : public Prompts {
public:
    int messages = 0;
    Answer message(const QString &, Buttons buttons, Icon, const Caption &) override
    {
        ++messages;
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
    QString input(const QString &, const QString &) override { return QString::fromLatin1(EditLockPassword); }
};

class NoClipboard : public Clipboard {
public:
    QString text() const override { return {}; }
    void setText(const QString &) override {}
};

// A workbench over the generated 9,999-message database in a temporary folder.
struct BenchWorkbench {
    QTemporaryDir dir;
    SharedState state;
    QuietPrompts prompts;
    NoClipboard clipboard;
    std::unique_ptr<Workbench> bench;

    BenchWorkbench();
};

// The generated database loaded into an unlocked table of 9,999 filled rows.
struct LoadedTable : BenchWorkbench {
    LoadedTable();
};

} // namespace lng::bench
