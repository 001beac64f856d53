#pragma once

#include <QString>

#include <functional>

namespace lng {

class Workbench;

inline const QString SourceListingName = QStringLiteral("GhostSources.bin");

// The Context command: shows the source context window when the listing exists, otherwise
// says that it cannot be found.
void contextCommand(Workbench &bench, const std::function<void()> &showWindow);

} // namespace lng
