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

// A 200 MB source listing in `folder`: source-like lines, `callsPerThousand` of every thousand
// calling two messages from `first` on among `count` numbers; answers its path.
QString makeListing(const QString &folder, unsigned callsPerThousand, unsigned first, unsigned count);

// English texts as a real product has them, written into the table's English column: a few
// thousand words, 3 to 10 of them a message, one message in twelve the same text as an earlier
// one and one in ten an earlier text with a word changed.
void useVariedEnglish(Sheet &table);

} // namespace lng::bench
