#include "ContextCommand.h"

#include "app/Texts.h"
#include "app/Workbench.h"

#include <QFileInfo>

namespace lng {

void contextCommand(Workbench &bench, const std::function<void()> &showWindow)
{
    const QString path = bench.pathOf(SourceListingName);
    if (!QFileInfo(path).isFile()) {
        bench.critical(texts::CannotFind + path);
        return;
    }
    showWindow();
}

} // namespace lng
