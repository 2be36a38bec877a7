// Pages mapped at once, before a picture is decoded or a window painted into them.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "widgets/Pages.h"

namespace veloria::widgets {
namespace {

TEST(PagesTest, MappedAtOnceThePagesAreThereAndHoldWhatTheyHeld) {
    const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    const std::size_t bytes = 64 * page;
    void* fresh = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(fresh, MAP_FAILED);
    auto* p = static_cast<unsigned char*>(fresh);
    p[5 * page + 7] = 42;  // one page written already
    // From inside the first page, as an image's rows begin wherever the allocator put them.
    if (!MapPagesAtOnce(p + 100, bytes - 100)) {
        munmap(fresh, bytes);
        GTEST_SKIP() << "this kernel maps pages at their first write only";
    }
    std::vector<unsigned char> resident(64);
    ASSERT_EQ(mincore(fresh, bytes, resident.data()), 0);
    EXPECT_TRUE(
        std::all_of(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; }));
    EXPECT_EQ(p[5 * page + 7], 42);
    EXPECT_EQ(p[0] + p[bytes - 1], 0);
    munmap(fresh, bytes);
}

TEST(PagesTest, PagesMadeAheadAreThereOnceWaitedForAndHoldWhatTheyHeld) {
    const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    const std::size_t bytes = 64 * page;
    std::vector<void*> fresh;
    PagesMadeAhead ahead;
    for (int i = 0; i < 2; ++i) {
        fresh.push_back(
            mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        ASSERT_NE(fresh.back(), MAP_FAILED);
        static_cast<unsigned char*>(fresh.back())[3 * page] = 7;
        ahead.Start(fresh.back(), bytes);  // the second waits for the first
    }
    ahead.Wait();
    for (void* f : fresh) {
        std::vector<unsigned char> resident(64);
        ASSERT_EQ(mincore(f, bytes, resident.data()), 0);
        EXPECT_TRUE(
            std::all_of(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; }));
        const auto* p = static_cast<const unsigned char*>(f);
        EXPECT_EQ(p[3 * page], 7);
        EXPECT_EQ(p[0] + p[bytes - 1], 0);
        munmap(f, bytes);
    }
}

}  // namespace
}  // namespace veloria::widgets
