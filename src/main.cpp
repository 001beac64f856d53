#include "app/MainForm.h"
#include "app/QtPrompts.h"
#include "app/SharedState.h"
#include "app/Texts.h"
#include "app/Workbench.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(lng::texts::AppTitle);

    lng::SharedState state;
    state.catalogue.fill();

    lng::QtPrompts prompts;
    lng::QtClipboard clipboard;
    lng::Workbench bench(state, prompts, clipboard, QCoreApplication::applicationDirPath());
    lng::MainForm form(bench);
    prompts.setParentWidget(&form);
    form.show();
    return app.exec();
}
