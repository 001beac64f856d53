#pragma once

namespace lng {

class Workbench;

// Builds the edited language's message file from the database and tells the user.
void BuildMessageFile(Workbench &bench);
// The BuildDLL command: offers to save unsaved changes first (No cancels), then builds.
void buildDllCommand(Workbench &bench);
void bindBuildCommand(Workbench &bench);

} // namespace lng
