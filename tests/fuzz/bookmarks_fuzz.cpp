// The bookmarks file's reader on any bytes: it either reads bookmarks or throws BookmarkFileError
// with a line of the text; what it reads, written back, reads back the same, and writes the same
// bytes again.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "study/BookmarkFile.h"
#include "tests/fuzz/Check.h"

using veloria::study::Bookmark;
using veloria::study::BookmarkFileError;
using veloria::study::FormatBookmarkFile;
using veloria::study::ParseBookmarkFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = veloria::fuzz::Bytes(data, size);
    const int lines = 1 + int(std::count(text.begin(), text.end(), '\n'));
    std::vector<Bookmark> bookmarks;
    try {
        bookmarks = ParseBookmarkFile(text);
    } catch (const BookmarkFileError& e) {
        FUZZ_CHECK(e.line() >= 0 && e.line() <= lines);
        return 0;
    }
    for (const Bookmark& b : bookmarks) {
        FUZZ_CHECK(b.id == 0);
        FUZZ_CHECK(std::string_view("TEMPS").find(b.sentence.book) != std::string_view::npos);
        FUZZ_CHECK(b.note.find('\0') == std::string::npos);
    }

    const std::string written = FormatBookmarkFile(bookmarks);
    std::vector<Bookmark> again;
    try {
        again = ParseBookmarkFile(written);
    } catch (const BookmarkFileError& e) {
        std::fprintf(stderr, "written back, refused: %s\n", e.what());
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(again == bookmarks);
    FUZZ_CHECK(FormatBookmarkFile(again) == written);
    return 0;
}
