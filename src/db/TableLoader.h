#pragma once

namespace lng {

class Workbench;

// Fills the message table from the database for the languages of the settings file.
// Reports failures through the workbench's prompts; answers whether the load completed.
bool loadTable(Workbench &bench);

} // namespace lng
