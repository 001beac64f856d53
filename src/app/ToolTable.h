#pragma once

#include <array>
#include <string_view>

namespace lng {

// One tool of the toolbar.
struct Tool {
    std::string_view caption;
    std::string_view identifier;
    std::string_view description;
    std::string_view shortcut; // in QKeySequence's portable text, or empty
    std::string_view icon;     // freedesktop theme icon name
};

// The fourteen tools, in their order of definition.
inline constexpr std::array<Tool, 14> Tools {{
    {"Load", "ID_Load", "Load or reload database file", "", "document-open"},
    {"Save", "ID_Save", "Save changes to database", "", "document-save"},
    {"Settings", "ID_Settings", "Select current language and displayed languages", "", "preferences-system"},
    {"Unlock", "ID_Unlock", "Unlock English column and coments", "", "changes-allow"},
    {"Copy", "ID_Copy", "Copy selection", "Ctrl+C", "edit-copy"},
    {"Paste", "ID_Paste", "Paste selection", "Ctrl+V", "edit-paste"},
    {"Search", "ID_Search", "Search a text in current column", "Shift+F3", "edit-find"},
    {"BuildDLL", "ID_BuildDLL", "Builds a DDL file for the current language", "", "document-export"},
    {"Context", "ID_Context", "Show source context (F1)", "F1", "help-contents"},
    {"ToExcel", "ID_ToExcel", "Exports the current language messages to Ms Excel", "", "go-next"},
    {"FromExcel", "ID_FromExcel", "Imports messages from Ms Excel", "", "go-previous"},
    {"Rows", "ID_Rows", "Returns the number of empty rows in the current column", "", "view-list-details"},
    {"FindBlank", "ID_FindBlank", "Finds new blank row in current column", "", "go-down"},
    {"CheckCase", "ID_CheckCase", "Checks first chars case", "", "format-text-uppercase"},
}};

// The toolbar "OnlyOne" as the user sees it: captions in order, an empty entry a separator.
inline constexpr std::string_view ToolbarName = "OnlyOne";
inline constexpr std::array<std::string_view, 18> ToolbarLayout {
    "Load", "Save", "Settings", "BuildDLL", "", "Copy", "Paste", "Search", "", "Unlock", "",
    "ToExcel", "FromExcel", "", "Context", "Rows", "FindBlank", "CheckCase",
};

inline const Tool *toolByCaption(std::string_view caption)
{
    for (const Tool &tool : Tools) {
        if (tool.caption == caption)
            return &tool;
    }
    return nullptr;
}

} // namespace lng
