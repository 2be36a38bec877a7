#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

// The question every window asks before it writes or reads a file of the user's: which file.
namespace veloria::widgets {

struct FileQuestion {
    std::string_view caption;  // Windows-1252
    bool save = true;          // a file to write, or one to read
    std::string_view name;     // the name offered for a file to write
    std::string_view filter;   // "Comma-separated values (*.csv)"; nothing: all files
};

// The file the user chose; an empty path when they chose none. Asked with the platform's file
// dialog, or with what SetFileChooser put in its place (tests); an empty chooser gives the dialog
// back.
std::filesystem::path ChooseFile(const FileQuestion& question);
using FileChooser = std::function<std::filesystem::path(const FileQuestion&)>;
void SetFileChooser(FileChooser chooser);

}  // namespace veloria::widgets
