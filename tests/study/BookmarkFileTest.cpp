// The bookmarks taken out to a plain file and brought back: exactly, merged by their last change,
// and never from a file that is bad or another program's.
#include "study/BookmarkFile.h"

#include <gtest/gtest.h>

#include <fstream>

#include "study/StudyStore.h"
#include "tests/store/TempDir.h"

namespace veloria::study {
namespace {

namespace fs = std::filesystem;
using store::StoreError;
using store::testing::TempDir;

void Spit(const fs::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// The bookmarks as another store would hold them: everything but the ids.
std::vector<Bookmark> WithoutIds(std::vector<Bookmark> bookmarks) {
    for (Bookmark& b : bookmarks)
        b.id = 0;
    return bookmarks;
}

class BookmarkFileTest : public ::testing::Test {
  protected:
    BookmarkFileTest() : a_(dirA_.path()), b_(dirB_.path()) {}

    Bookmark Add(StudyStore& store, Sentence s, std::string_view ref, std::string_view note,
                 std::int64_t created, std::int64_t updated) {
        const Bookmark added = store.AddBookmark(s, ref, created);
        return note.empty() && created == updated ? added : *store.SetNote(added.id, note, updated);
    }

    TempDir dirA_, dirB_, files_;
    StudyStore a_, b_;
};

TEST_F(BookmarkFileTest, ExportedBookmarksComeBackExactly) {
    Add(a_, {'T', 1}, "T-1.1:1", "", 1000, 1000);
    Add(a_, {'E', 20}, "W-20.1:\xD1", "commas, \"quotes\"\r\nand lines\n\rand CR\r", 2000, 2500);
    Add(a_, {'M', 300}, "M-4.1", "  blanks at the edges\t", 3000, 3000);
    Add(a_, {'P', 4}, "P-2.1", "\xF0\x9F\x93\x96 \xE2\x80\x94 \xE6\x84\x9B", 4000, 4100);
    Add(a_, {'S', 0}, "S-1.1:1", std::string(100'000, 'x') + "\"", 4000, 253402300799);
    const fs::path file = files_.path() / "bookmarks.csv";
    a_.ExportBookmarks(file);
    std::ifstream in(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_TRUE(
        text.starts_with("Veloria bookmarks,1\r\nBook,Numero,Reference,Created,Updated,Note\r\n"
                         "S,0,S-1.1:1,1970-01-01T01:06:40Z,9999-12-31T23:59:59Z,\""));
    EXPECT_NE(text.find("\r\nE,20,W-20.1:\xC3\x91,1970-01-01T00:33:20Z,1970-01-01T00:41:40Z,"
                        "\"commas, \"\"quotes\"\"\r\nand lines\n\rand CR\r\"\r\n"),
              std::string::npos);

    // Into an empty store: the same bookmarks, newest first as before.
    EXPECT_EQ(b_.ImportBookmarks(file), (ImportResult{5, 0, 0}));
    EXPECT_EQ(WithoutIds(b_.Bookmarks()), WithoutIds(a_.Bookmarks()));
    EXPECT_TRUE(b_.IsBookmarked({'S', 0}));
    // Again: nothing to change.
    EXPECT_EQ(b_.ImportBookmarks(file), (ImportResult{0, 0, 5}));
    EXPECT_EQ(WithoutIds(b_.Bookmarks()), WithoutIds(a_.Bookmarks()));
}

TEST_F(BookmarkFileTest, ASentenceBookmarkedOnBothSidesKeepsTheLaterNote) {
    Add(a_, {'T', 1}, "T-1", "newer in the file", 100, 500);
    Add(a_, {'T', 2}, "T-2", "older in the file", 100, 200);
    Add(a_, {'T', 3}, "T-3", "new here", 100, 100);
    const fs::path file = files_.path() / "b.csv";
    a_.ExportBookmarks(file);

    Add(b_, {'T', 1}, "T-1", "old here", 50, 400);
    const Bookmark t2 = Add(b_, {'T', 2}, "T-2", "newer here", 300, 300);
    EXPECT_EQ(b_.ImportBookmarks(file), (ImportResult{1, 1, 1}));
    const Bookmark t1 = *b_.FindBookmark({'T', 1});
    EXPECT_EQ(t1.note, "newer in the file");
    EXPECT_EQ(t1.created, 50);  // the earlier creation
    EXPECT_EQ(t1.updated, 500);
    EXPECT_EQ(b_.FindBookmark({'T', 2}), t2);
    EXPECT_EQ(b_.FindBookmark({'T', 3})->note, "new here");
}

TEST_F(BookmarkFileTest, ABadOrForeignFileIsRefusedWithWhereAndChangesNothing) {
    Add(b_, {'T', 1}, "T-1", "mine", 100, 100);
    const std::vector<Bookmark> before = b_.Bookmarks();
    const std::string head =
        "Veloria bookmarks,1\r\nBook,Numero,Reference,Created,Updated,Note\r\n";
    const std::string good = "T,2,T-2,2020-01-01T00:00:00Z,2020-01-01T00:00:00Z,fine\r\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "not a Veloria bookmarks file: it is empty"},
        {"Numero,Umemo,Referencia\r\n1,x,T-1\r\n", "line 1: not a Veloria bookmarks file"},
        {"Veloria bookmarks,2\r\n", "line 1: written by a newer version of Veloria"},
        {"Veloria bookmarks,one\r\n", "line 1: unknown bookmarks file version \"one\""},
        {"Veloria bookmarks,1\r\nBook,Numero\r\n", "line 2: the second line should name"},
        {head + good + "T,3,T-3\r\n", "line 4: 3 fields where 6 are expected"},
        {head + good + "X" + good.substr(1), "line 4: Book: \"X\" is not a book code"},
        {head + "T,02,T-2,2020-01-01T00:00:00Z,2020-01-01T00:00:00Z,\r\n",
         "line 3: Numero: \"02\" is not a whole number"},
        {head + "T,2,T-2,2020-02-30T00:00:00Z,2020-01-01T00:00:00Z,\r\n",
         "line 3: Created: \"2020-02-30T00:00:00Z\" is not a time"},
        {head + "T,2,\xE2\x82\xAC\xCE\xB1,2020-01-01T00:00:00Z,2020-01-01T00:00:00Z,\r\n",
         "line 3: Reference: character \"\xCE\xB1\" (U+03B1)"},
        {head + good + "\r\n" + good, "line 5: the sentence T2 is bookmarked already on line 3"},
        {head + good + "T,3,T-3,2020-01-01T00:00:00Z,2020-01-01T00:00:00Z,\"open\r\nnote\r\n",
         "line 4: a quoted field is not closed"},
        {head + "T,2,T-2,2020-01-01T00:00:00Z,2020-01-01T00:00:00Z,\"a\"b\r\n",
         "line 3: a closing quote must be followed"},
        {head + "T,2,T-\"2,2020-01-01T00:00:00Z,2020-01-01T00:00:00Z,\r\n",
         "line 3: a quote inside a field"},
        {head + good + "T,3,T-3,2020-01-01T00:00:00Z,2020-01-01T00:00:00Z,caf\xE9\r\n",
         "line 4: not UTF-8 text"},
        {head + good + "T,3,T-3,2020-01-01T00:00:00Z,2020-01-01T00:00:00Z,a" + '\0' + "\r\n",
         "line 4: a NUL character"},
    };
    const fs::path file = files_.path() / "bad.csv";
    for (const auto& [content, message] : cases) {
        SCOPED_TRACE(message);
        Spit(file, content);
        try {
            b_.ImportBookmarks(file);
            ADD_FAILURE() << "taken";
        } catch (const StoreError& e) {
            EXPECT_EQ(std::string(e.what()).find(file.string() + ": " + message), 0u) << e.what();
        }
        EXPECT_EQ(b_.Bookmarks(), before);
        EXPECT_FALSE(b_.IsBookmarked({'T', 2}));
    }
    // What is no file at all.
    EXPECT_THROW(b_.ImportBookmarks(files_.path()), StoreError);
    EXPECT_THROW(b_.ImportBookmarks(files_.path() / "missing.csv"), StoreError);
    // A byte order mark and bare line feeds, as other programs save, are fine.
    Spit(file, "\xEF\xBB\xBFVeloria bookmarks,1\nBook,Numero,Reference,Created,Updated,Note\n" +
                   good.substr(0, good.size() - 2));
    EXPECT_EQ(b_.ImportBookmarks(file), (ImportResult{1, 0, 0}));
}

TEST_F(BookmarkFileTest, AnExportThatCannotBeWrittenLeavesWhatWasThere) {
    Add(a_, {'T', 1}, "T-1", "note", 100, 100);
    // The target is a folder holding a file: the rename fails, and nothing is left behind.
    const fs::path folder = files_.path() / "taken";
    fs::create_directory(folder);
    Spit(folder / "inside", "kept");
    EXPECT_THROW(a_.ExportBookmarks(folder), StoreError);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(std::distance(fs::directory_iterator(files_.path()), {}), 1);
    EXPECT_THROW(a_.ExportBookmarks(files_.path() / "no folder" / "b.csv"), StoreError);
}

}  // namespace
}  // namespace veloria::study
