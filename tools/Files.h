#pragma once

#include <cstdint>
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

// No source file comes near this size: the work's largest table takes a few megabytes, a corpus
// ten times the work's size tens of them. A larger one is refused before it is read, so that a
// huge or sparse file cannot take the machine's memory.
inline constexpr std::uint64_t kMaxSourceBytes = std::uint64_t(1) << 30;

// The whole content of a regular file of at most maxBytes. Throws std::runtime_error saying why it
// cannot be read (its size among the reasons), without naming the file (the caller's message names
// it).
std::string ReadRegularFile(const std::filesystem::path& path,
                            std::uint64_t maxBytes = kMaxSourceBytes);

}  // namespace veloria::tools
