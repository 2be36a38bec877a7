#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Reading the files a user hands to the builder and the importer. Anything that is not a plain
// file is named for what it is, and is never opened in a way that could block (a named pipe) or
// read without end (a device).
namespace veloria::tools {

// What path is when it is not a regular file (or a symbolic link to one): "a folder", "a named
// pipe (FIFO)", "a symbolic link to \"/x\", which does not exist", ...; nothing for a file.
std::optional<std::string> NotAFile(const std::filesystem::path& path);

// The whole content of a regular file. Throws std::runtime_error saying why it cannot be read,
// without naming the file (the caller's message names it).
std::string ReadRegularFile(const std::filesystem::path& path);

}  // namespace veloria::tools
