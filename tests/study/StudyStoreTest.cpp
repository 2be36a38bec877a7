// The user's own store: what it keeps, how it keeps it across a restart, and what it does with a
// file it cannot use.
#include "study/StudyStore.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <regex>
#include <set>

#include "store/Sqlite.h"
#include "study/Study.h"
#include "tests/store/TempDir.h"
#include "tests/study/DamagedStudy.h"

namespace veloria::study {
namespace {

namespace fs = std::filesystem;
using store::StoreError;
using store::sqlite::Database;
using store::testing::TempDir;

using testing::Slurp;
using testing::Spit;

SearchSpec SearchOf(std::string query, SearchMode mode = SearchMode::AnyOrder,
                    bool exactWord = false,
                    std::array<bool, 5> volumes = {true, true, true, true, true}) {
    return {std::move(query), mode, exactWord, volumes};
}

class StudyStoreTest : public ::testing::Test {
  protected:
    fs::path File() const { return dir_.path() / kStudyFileName; }
    std::unique_ptr<StudyStore> Open() { return std::make_unique<StudyStore>(dir_.path()); }

    TempDir dir_;
};

TEST_F(StudyStoreTest, ANewStoreIsOursWithDefaultsAndKeepsSettingsAcrossARestart) {
    {
        auto store = Open();
        EXPECT_FALSE(store->SetAsideAtOpen());
        EXPECT_EQ(store->LoadSettings(), Settings{});
        EXPECT_EQ(store->LoadSettings().zoomPercent, 100);
        EXPECT_TRUE(store->LoadSettings().tipAtStart);
        EXPECT_FALSE(store->LastSearch());
        EXPECT_TRUE(store->History().empty());
        EXPECT_EQ(store->BookmarkCount(), 0);

        store->SetZoomPercent(150);
        store->SetLook(Look::HighContrast);
        store->SetTipAtStart(false);
    }
    {
        Database raw(File(), SQLITE_OPEN_READONLY);
        EXPECT_EQ(raw.QueryInt("PRAGMA application_id"), kApplicationId);
        EXPECT_EQ(raw.QueryInt("PRAGMA user_version"), LatestStudyVersion());
        EXPECT_EQ(raw.QueryText("PRAGMA journal_mode"), "wal");
    }

    auto store = Open();
    EXPECT_EQ(store->LoadSettings(), (Settings{150, Look::HighContrast, false}));
    // The zoom stays within its range, whoever asks.
    store->SetZoomPercent(20);
    EXPECT_EQ(store->LoadSettings().zoomPercent, kMinZoomPercent);
    store->SetZoomPercent(1000);
    EXPECT_EQ(store->LoadSettings().zoomPercent, kMaxZoomPercent);
}

TEST_F(StudyStoreTest, UnusableFilesAreSetAsideWithOneMessageAndANewStoreStarts) {
    const auto makeStore = [&] { Open()->AddBookmark({'T', 1}, "T-1.1:1"); };
    struct Case {
        const char* what;
        std::function<void()> make;
        SetAsideReason reason;
    };
    const std::vector<Case> cases = {
        {"not a database", [&] { Spit(File(), std::string(4096, 'x')); }, SetAsideReason::Damaged},
        {"a few bytes", [&] { Spit(File(), "SQLite"); }, SetAsideReason::Damaged},
        {"another program's file",
         [&] {
             Database db(File(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
             db.Exec("CREATE TABLE accounts (name TEXT)");
         },
         SetAsideReason::Foreign},
        {"another program's id",
         [&] {
             makeStore();
             Database(File(), SQLITE_OPEN_READWRITE).Exec("PRAGMA application_id = 42");
         },
         SetAsideReason::Foreign},
        {"a newer version",
         [&] {
             makeStore();
             Database(File(), SQLITE_OPEN_READWRITE).Exec("PRAGMA user_version = 99");
         },
         SetAsideReason::Newer},
        {"our id without a version",
         [&] {
             makeStore();
             Database(File(), SQLITE_OPEN_READWRITE).Exec("PRAGMA user_version = 0");
         },
         SetAsideReason::Damaged},
        {"a table missing",
         [&] {
             makeStore();
             Database(File(), SQLITE_OPEN_READWRITE).Exec("DROP TABLE history");
         },
         SetAsideReason::Damaged},
        {"a damaged page",
         [&] {
             makeStore();
             {
                 Database db(File(), SQLITE_OPEN_READWRITE);
                 db.Exec(
                     "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < "
                     "300) "
                     "INSERT INTO bookmark (book, numero, reference, note, created, updated) "
                     "SELECT 'E', i, 'W-' || i, printf('%.200c', 'n'), 0, 0 FROM n");
             }
             std::string bytes = Slurp(File());
             ASSERT_GT(bytes.size(), 4 * 4096u);
             std::fill(bytes.begin() + 3 * 4096, bytes.begin() + 4 * 4096, '\xA5');
             Spit(File(), bytes);
         },
         SetAsideReason::Damaged},
    };
    const std::regex kept(R"(.*/Study\.db\.(damaged|foreign|newer)-\d{8}-\d{6}(-\d+)?)");
    std::set<fs::path> keptFiles;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        const std::string before = Slurp(File());
        auto store = Open();
        ASSERT_TRUE(store->SetAsideAtOpen());
        const SetAside& aside = *store->SetAsideAtOpen();
        EXPECT_EQ(aside.reason, c.reason);
        EXPECT_EQ(aside.file, File());
        EXPECT_TRUE(std::regex_match(aside.keptAs.string(), kept)) << aside.keptAs;
        EXPECT_TRUE(keptFiles.insert(aside.keptAs).second) << "a name used twice";
        EXPECT_EQ(Slurp(aside.keptAs), before);
        EXPECT_NE(aside.message.find(File().string()), std::string::npos) << aside.message;
        EXPECT_NE(aside.message.find(aside.keptAs.string()), std::string::npos) << aside.message;
        EXPECT_EQ(store->BookmarkCount(), 0);
        EXPECT_EQ(store->LoadSettings(), Settings{});
        store->SetZoomPercent(120);
        store.reset();
        EXPECT_FALSE(Open()->SetAsideAtOpen());  // the new store is a good one
        fs::remove(File());
    }
}

// The start leaves the check of every page for later: damage where the start reads (the settings,
// the remembered search, the bookmarked sentences) still sets the file aside at the opening, and
// damage elsewhere when the check is made, with the same message and a new store in its place.
TEST_F(StudyStoreTest, DamageFoundByTheCheckLeftForLaterSetsTheFileAsideThen) {
    for (const auto& [tree, atOpening] : std::vector<std::pair<std::string, bool>>{
             {"bookmark", false}, {"setting", true}, {"sqlite_autoindex_bookmark_1", true}}) {
        SCOPED_TRACE(tree);
        testing::MakeDamagedStudy(dir_.path(), tree);
        const std::string opened = OpenStudy(dir_.path(), Check::Later);
        ASSERT_TRUE(Study());
        EXPECT_EQ(opened.find("was damaged") != std::string::npos, atOpening) << opened;
        EXPECT_EQ(Study()->BookmarkCount(), atOpening ? 0 : 300);
        const std::string checked = CheckStudy();
        EXPECT_EQ(checked.find("was damaged") != std::string::npos, !atOpening) << checked;
        ASSERT_TRUE(Study());
        EXPECT_EQ(Study()->BookmarkCount(), 0);
        EXPECT_TRUE(CheckStudy().empty());
        CloseStudy();
        fs::remove(File());
    }
}

// Runs `work` as an ordinary user in a child (as root, permissions would not apply); the child
// ends with 1 and the message on stderr when it throws StoreError.
#define EXPECT_STORE_ERROR_AS_USER(work, message)                             \
    EXPECT_EXIT(                                                              \
        {                                                                     \
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) \
                std::_Exit(3);                                                \
            try {                                                             \
                work;                                                         \
            } catch (const StoreError& e) {                                   \
                std::fprintf(stderr, "%s\n", e.what());                       \
                std::_Exit(1);                                                \
            }                                                                 \
            std::_Exit(0);                                                    \
        },                                                                    \
        ::testing::ExitedWithCode(1), message)

TEST_F(StudyStoreTest, AFileThatCannotBeWrittenIsAnErrorAndIsNeverSetAside) {
    Open()->SetZoomPercent(140);
    const std::string good = Slurp(File());
    const auto readable = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const auto enter = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;

    // The other user passes through to the files.
    fs::permissions(dir_.path(), readable | enter);  // a folder the user cannot write in
    EXPECT_STORE_ERROR_AS_USER(StudyStore{dir_.path()}, "Study\\.db");
    fs::permissions(dir_.path(), fs::perms::all);
    fs::permissions(File(), readable);  // a file the user cannot write
    EXPECT_STORE_ERROR_AS_USER(StudyStore{dir_.path()}, "Study\\.db: read-only");
    fs::permissions(File(), fs::perms::all);
    EXPECT_STORE_ERROR_AS_USER(StudyStore{dir_.path() / "missing"}, "Study\\.db");

    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), {}), 1) << "something set aside";
    EXPECT_EQ(Slurp(File()), good);
    EXPECT_EQ(Open()->LoadSettings().zoomPercent, 140);
}

TEST_F(StudyStoreTest, TheLastSearchIsRememberedAsTypedWithTheRowTheUserWasOn) {
    const SearchSpec search = SearchOf("  A\xD1O LOVE  ", SearchMode::ExactPhrase, true,
                                       {true, false, true, false, true});
    {
        auto store = Open();
        store->SetCurrentRow(5);  // nothing remembered: nothing to move
        EXPECT_FALSE(store->LastSearch());
        store->RecordSearch(search, 42, 1000);
        EXPECT_EQ(store->LastSearch(), (RememberedSearch{search, 42, 1}));
        store->SetCurrentRow(17);
    }
    auto store = Open();
    EXPECT_EQ(store->LastSearch(), (RememberedSearch{search, 42, 17}));
    // A search without hits has no row to be on.
    store->RecordSearch(SearchOf("ZZZ"), 0, 1001);
    EXPECT_EQ(store->LastSearch(), (RememberedSearch{SearchOf("ZZZ"), 0, 0}));
}

TEST_F(StudyStoreTest, HistoryKeepsTheLastHundredNewestFirstAndMovesARepeatToTheTop) {
    auto store = Open();
    for (int i = 1; i <= kHistoryLimit + 5; ++i)
        store->RecordSearch(SearchOf("WORD" + std::to_string(i)), i, 1000 + i);
    auto history = store->History();
    ASSERT_EQ(history.size(), std::size_t(kHistoryLimit));
    EXPECT_EQ(history.front().search.query, "WORD105");
    EXPECT_EQ(history.front().ranAt, 1105);
    EXPECT_EQ(history.back().search.query, "WORD6");

    // The same search again, blanks aside: moved up with its new count and time, not repeated.
    store->RecordSearch(SearchOf(" WORD50 "), 7, 2000);
    history = store->History();
    ASSERT_EQ(history.size(), std::size_t(kHistoryLimit));
    EXPECT_EQ(history.front().search, SearchOf("WORD50"));
    EXPECT_EQ(history.front().hitCount, 7);
    EXPECT_EQ(history.front().ranAt, 2000);
    EXPECT_EQ(std::count_if(history.begin(), history.end(),
                            [](const HistoryEntry& e) { return e.search.query == "WORD50"; }),
              1);
    EXPECT_EQ(history.back().search.query, "WORD6");
    EXPECT_EQ(store->LastSearch()->search.query, " WORD50 ");  // remembered as typed

    // Another mode, exact word or volumes make another search.
    store->RecordSearch(SearchOf("WORD50", SearchMode::ExactPhrase), 1, 2001);
    store->RecordSearch(SearchOf("WORD50", SearchMode::AnyOrder, true), 1, 2002);
    store->RecordSearch(SearchOf("WORD50", SearchMode::AnyOrder, false, {true}), 1, 2003);
    history = store->History();
    ASSERT_EQ(history.size(), std::size_t(kHistoryLimit));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(history[std::size_t(i)].search.query, "WORD50");
    EXPECT_EQ(history.back().search.query, "WORD9");

    store->DeleteHistoryEntry(history[1].id);
    history.erase(history.begin() + 1);
    EXPECT_EQ(store->History(), history);
    store->ClearHistory();
    EXPECT_TRUE(store->History().empty());
    EXPECT_TRUE(store->LastSearch());  // the remembered search is not the history
}

TEST_F(StudyStoreTest, BookmarksAreAddedEditedDeletedAndRestoredExactly) {
    const Sentence t12{'T', 12};
    Bookmark kept;
    {
        auto store = Open();
        const Bookmark added = store->AddBookmark(t12, "  T-1.2:3 ", 100);
        EXPECT_EQ(added.reference, "T-1.2:3");
        EXPECT_EQ(added.note, "");
        EXPECT_EQ(added.created, 100);
        EXPECT_TRUE(store->IsBookmarked(t12));
        EXPECT_FALSE(store->IsBookmarked({'E', 12}));

        kept = *store->SetNote(added.id, "first thought", 200);
        EXPECT_EQ(kept.updated, 200);
        EXPECT_EQ(kept.created, 100);
        // Adding again gives the same bookmark, its note kept, its reference brought up to date.
        kept = store->AddBookmark(t12, "T-1.2:3a", 300);
        EXPECT_EQ(kept.id, added.id);
        EXPECT_EQ(kept.note, "first thought");
        EXPECT_EQ(kept.reference, "T-1.2:3a");
        EXPECT_EQ(store->BookmarkCount(), 1);
        EXPECT_EQ(store->FindBookmark(t12), kept);

        EXPECT_EQ(store->DeleteBookmark(kept.id), kept);
        EXPECT_FALSE(store->IsBookmarked(t12));
        EXPECT_FALSE(store->FindBookmark(t12));
        EXPECT_FALSE(store->DeleteBookmark(kept.id));
        EXPECT_FALSE(store->SetNote(kept.id, "nowhere"));
        store->RestoreBookmark(kept);
        EXPECT_TRUE(store->IsBookmarked(t12));
        EXPECT_EQ(store->FindBookmark(t12), kept);
    }
    auto store = Open();
    EXPECT_TRUE(store->IsBookmarked(t12));
    EXPECT_EQ(store->Bookmarks(), std::vector{kept});

    // An undo after the sentence was bookmarked anew brings back the one deleted.
    store->DeleteBookmark(kept.id);
    const Bookmark again = store->AddBookmark(t12, "T-1.2:3a", 400);
    EXPECT_GT(again.id, kept.id);  // ids are never given twice
    store->RestoreBookmark(kept);
    EXPECT_EQ(store->Bookmarks(), std::vector{kept});
    EXPECT_EQ(store->BookmarkCount(), 1);

    // As a display step finds the sentence from its row's fields.
    EXPECT_EQ(SentenceOf("T", " 12"), t12);
    EXPECT_TRUE(store->IsBookmarked(*SentenceOf("T", "12")));
    EXPECT_FALSE(SentenceOf("X", "12"));
    EXPECT_FALSE(SentenceOf("T", "12a"));
    EXPECT_THROW(store->AddBookmark({'X', 1}, "X-1"), StoreError);
    EXPECT_EQ(store->BookmarkCount(), 1);
}

// Any Unicode scalar value but NUL, as UTF-8.
std::string RandomUnicode(std::mt19937& random, std::size_t characters) {
    std::uniform_int_distribution<std::uint32_t> plane(0, 3), any(1, 0x10FFFF), low(1, 0x7FF);
    std::string out;
    for (std::size_t i = 0; i < characters; ++i) {
        std::uint32_t cp = plane(random) == 0 ? low(random) : any(random);
        if (cp >= 0xD800 && cp <= 0xDFFF)
            cp -= 0x800;
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += {char(0xC0 | (cp >> 6)), char(0x80 | (cp & 0x3F))};
        } else if (cp < 0x10000) {
            out += {char(0xE0 | (cp >> 12)), char(0x80 | ((cp >> 6) & 0x3F)),
                    char(0x80 | (cp & 0x3F))};
        } else {
            out += {char(0xF0 | (cp >> 18)), char(0x80 | ((cp >> 12) & 0x3F)),
                    char(0x80 | ((cp >> 6) & 0x3F)), char(0x80 | (cp & 0x3F))};
        }
    }
    return out;
}

TEST_F(StudyStoreTest, NotesAreKeptByteForByteAtAnyLength) {
    std::mt19937 random(20);
    const std::string astral = "  \xF0\x9D\x84\x9E clef, \xF0\x9F\x98\x80 smile\r\nline\rCR\t ";
    std::string huge = astral;
    while (huge.size() < 6'000'000)
        huge += RandomUnicode(random, 4096) + "\r\n";
    const std::vector<std::string> notes = {astral, RandomUnicode(random, 20000), huge};
    std::vector<std::int64_t> ids;
    {
        auto store = Open();
        for (std::size_t i = 0; i < notes.size(); ++i) {
            ids.push_back(store->AddBookmark({'M', std::int64_t(i)}, "M-" + std::to_string(i)).id);
            EXPECT_TRUE(store->SetNote(ids.back(), notes[i])->note == notes[i]) << i;
        }
        // A note that is not UTF-8, or holds a NUL, is refused and the old one stays.
        EXPECT_THROW(store->SetNote(ids[0], "caf\xE9"), StoreError);
        EXPECT_THROW(store->SetNote(ids[0], "\xED\xA0\x80 surrogate"), StoreError);
        EXPECT_THROW(store->SetNote(ids[0], std::string("a\0b", 3)), StoreError);
    }
    auto store = Open();
    for (std::size_t i = 0; i < notes.size(); ++i)
        EXPECT_TRUE(store->FindBookmark({'M', std::int64_t(i)})->note == notes[i]) << i;
}

TEST_F(StudyStoreTest, TheListIsNewestFirstAndFiltersByNoteOrReferenceIgnoringCase) {
    auto store = Open();
    const auto add = [&](Sentence s, std::string ref, std::string note, std::int64_t when) {
        return *store->SetNote(store->AddBookmark(s, ref, when).id, note, when);
    };
    const Bookmark a = add({'T', 1}, "T-1.1:1", "Grace and peace", 10);
    const Bookmark b = add({'E', 2}, "W-2.1:1", "\xC3\x89LAN vital", 30);  // "ÉLAN"
    const Bookmark c = add({'S', 3}, "S-1.1:\xC9", "nothing here", 20);    // "É" in Windows-1252
    EXPECT_EQ(store->Bookmarks(), (std::vector{b, c, a}));
    EXPECT_EQ(store->Bookmarks("  GRACE "), std::vector{a});
    EXPECT_EQ(store->Bookmarks("\xC3\xA9lan"), std::vector{b});     // "élan"
    EXPECT_EQ(store->Bookmarks("s-1.1:\xC3\xA9"), std::vector{c});  // by reference
    EXPECT_EQ(store->Bookmarks("w-2"), std::vector{b});
    EXPECT_TRUE(store->Bookmarks("absent").empty());
}

}  // namespace
}  // namespace veloria::study
