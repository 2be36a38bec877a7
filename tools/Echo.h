#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Values echoed back in a message. They come from the user's files, so nothing in them may
// reach the terminal as it stands: control characters (terminal escapes among them), invisible
// and direction-changing characters and invalid UTF-8 are written as escapes, and a long value
// is cut to its beginning.
namespace veloria::tools {

inline constexpr std::size_t kShownCharacters = 60;

// The value in double quotes: "\n", "\r", "\t", "\u{1B}" for other invisible characters, "\xFF"
// for a byte that is not UTF-8; past kShownCharacters it ends in "..." and its length follows.
std::string Shown(std::string_view utf8);
// The same for a Windows-1252 text.
std::string ShownCp1252(std::string_view cp1252);
// The escapes of Shown without the quotes and without the cut, for names and whole messages.
std::string Escaped(std::string_view utf8);

}  // namespace veloria::tools
