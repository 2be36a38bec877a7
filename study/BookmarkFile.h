#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/Error.h"
#include "study/StudyData.h"

// The bookmarks file: the bookmarks with their notes in plain UTF-8 text, for a backup or another
// machine. Comma-separated values as RFC 4180 has them (CR LF line ends; a field holding a comma,
// a quote, a line break or blanks at an edge in double quotes, each quote inside doubled):
//
//   Veloria bookmarks,1
//   Book,Numero,Reference,Created,Updated,Note
//   T,123,T-1.1:1,2026-12-09T14:22:33Z,2026-12-10T08:01:00Z,"A note,
//   on two lines"
//
// The first line names the format and its version, the second the columns; then one bookmark a
// line (a note's line breaks inside its quotes), newest first. Times are UTC.
namespace veloria::study {

inline constexpr std::string_view kBookmarkFileFormat = "Veloria bookmarks";
inline constexpr int kBookmarkFileVersion = 1;

// A file that is not a bookmarks file this version reads, or is malformed. line() is the line of
// the file where the fault is (0: the file as a whole); the message names it.
class BookmarkFileError : public store::StoreError {
  public:
    BookmarkFileError(int line, const std::string& message);
    int line() const { return line_; }

  private:
    int line_;
};

// The file's text. Times are written as they are held, within 1970..9999.
std::string FormatBookmarkFile(std::span<const Bookmark> bookmarks);

// The bookmarks of a file's text, in its order, with id 0. Reads it all before it answers, and
// throws BookmarkFileError for the first fault: not UTF-8, a NUL character, another format or a
// later version, other columns, malformed quoting, a wrong number of fields, a book code other
// than T, E, M, P, S, a `Numero` that is no whole number, a reference Windows-1252 cannot hold, a
// time not of the form 2026-12-09T14:22:33Z, or one sentence twice. A UTF-8 byte order mark at
// the start and lines ended by LF alone are taken; blanks around a reference are trimmed.
std::vector<Bookmark> ParseBookmarkFile(std::string_view text);

// One record of comma-separated values as this file writes them, its CR LF included.
void AppendCsvRecord(std::string& out, std::initializer_list<std::string_view> fields);

// "2026-12-09T14:22:33Z" for seconds since 1970 UTC (clamped to 1970..9999); and back, nothing
// for any other text.
std::string FormatUtcTime(std::int64_t seconds);
std::optional<std::int64_t> ParseUtcTime(std::string_view text);

// A file's whole content. Throws StoreError naming the file and why it cannot be read (missing,
// a folder, not a plain file, no permission).
std::string ReadWholeFile(const std::filesystem::path& file);

// Writes the file whole or not at all: a new file beside it, synced, then renamed over it. Throws
// StoreError naming the file and the cause; the old file, if any, is then as it was.
void WriteWholeFile(const std::filesystem::path& file, std::string_view content);

}  // namespace veloria::study
