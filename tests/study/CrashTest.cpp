// A process killed at any moment while it writes the store leaves it whole, with every change it
// had committed.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "store/Sqlite.h"
#include "study/StudyStore.h"
#include "tests/store/Child.h"
#include "tests/store/TempDir.h"

namespace veloria::study {
namespace {

using namespace std::chrono;
using store::sqlite::Database;
using store::testing::Child;
using store::testing::TempDir;

std::string NoteOf(int i) {
    return "note " + std::to_string(i) + " " + std::string(std::size_t(i % 7) * 8000, 'n');
}

std::string QueryOf(int i) {
    return "WORD" + std::to_string(i);
}

// Step i: a bookmark with its note, a completed search with a hit row, a setting. Five commits.
void Step(StudyStore& store, int i) {
    const Bookmark b = store.AddBookmark({'T', i}, "T-" + std::to_string(i));
    store.SetNote(b.id, NoteOf(i));
    store.RecordSearch({QueryOf(i), SearchMode::AnyOrder, false, {true}}, i);
    store.SetCurrentRow(i);
    store.SetZoomPercent(kMinZoomPercent + i % 200);
}

// Everything of steps 1..done is there; step done + 1 may be there too, each of its commits whole.
void ExpectStepsKept(StudyStore& store, int done) {
    for (int i = 1; i <= done; ++i) {
        const auto b = store.FindBookmark({'T', i});
        ASSERT_TRUE(b) << i;
        ASSERT_EQ(b->note, NoteOf(i)) << i;
    }
    const auto next = store.FindBookmark({'T', done + 1});
    EXPECT_TRUE(!next || next->note.empty() || next->note == NoteOf(done + 1));
    if (done == 0)
        return;
    const auto last = store.LastSearch();
    ASSERT_TRUE(last);
    if (last->search.query == QueryOf(done)) {
        EXPECT_EQ(last->currentRow, done);
    } else {
        EXPECT_EQ(last->search.query, QueryOf(done + 1));
    }
    // The search is remembered and put in the history by one commit.
    const auto history = store.History();
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.front().search.query, last->search.query);
    const std::size_t offset = history.front().search.query == QueryOf(done) ? 0 : 1;
    for (int i = done; i >= 1 && std::size_t(done - i) + offset < history.size(); --i)
        ASSERT_EQ(history[std::size_t(done - i) + offset].search.query, QueryOf(i));
    const int zoom = store.LoadSettings().zoomPercent;
    EXPECT_TRUE(zoom == kMinZoomPercent + done % 200 || zoom == kMinZoomPercent + (done + 1) % 200);
}

TEST(StudyCrash, KilledAtRandomMomentsTheStoreKeepsEveryCommittedChange) {
    TempDir dir;
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // How long the child takes to open the store and make its first step: the kills land
    // anywhere within twice that, whatever the machine's speed.
    microseconds span{};
    int done = 0;
    for (int round = 0; round < 20; ++round) {
        const int from = done + 1;
        {
            Child child([&](const auto& report) {
                StudyStore store(dir.path());
                for (int i = from;; ++i) {
                    Step(store, i);
                    report(i);
                }
            });
            const auto start = steady_clock::now();
            if (round == 0) {
                done = child.Receive();
                ASSERT_NE(done, -1) << "the child died";
                span = duration_cast<microseconds>(steady_clock::now() - start);
            }
            const auto deadline = start + microseconds(std::uniform_int_distribution<std::int64_t>(
                                              0, 2 * span.count())(random));
            for (auto left = deadline - steady_clock::now(); left > left.zero();
                 left = deadline - steady_clock::now()) {
                const auto n = child.ReceiveWithin(duration_cast<microseconds>(left));
                if (!n)
                    break;
                ASSERT_NE(*n, -1) << "the child died";
                done = *n;
            }
            child.Kill();
            for (int n; (n = child.Receive()) != -1;)
                done = n;  // reported before the kill landed
        }
        ASSERT_EQ(Database(dir.path() / kStudyFileName, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)
                      .QueryText("PRAGMA integrity_check"),
                  "ok");
        StudyStore store(dir.path());
        ASSERT_FALSE(store.SetAsideAtOpen()) << store.SetAsideAtOpen()->message;
        ExpectStepsKept(store, done);
        if (HasFatalFailure())
            return;
    }
}

}  // namespace
}  // namespace veloria::study
