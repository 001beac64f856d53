#pragma once

namespace lng {

class Workbench;

// Binds the toolbar's own commands: Load, Save, Copy, Paste and Unlock.
void bindShellCommands(Workbench &bench);

void loadCommand(Workbench &bench);
void unlockCommand(Workbench &bench);

} // namespace lng
