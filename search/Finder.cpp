#include "search/Finder.h"

#include <string.h>  // memmem

#include <algorithm>
#include <cstring>
#include <string_view>

#if defined(__x86_64__)
#include <immintrin.h>
#define VELORIA_FINDER_SIMD 1
#endif

namespace veloria::search {
namespace {

// How rare a byte of a search form is: the word marker least, then the letters from the most
// frequent in English prose to the least; anything else (digits, apostrophes, accented letters)
// rarer still.
int Rarity(char c) {
    static constexpr std::string_view kByFrequency = "ETAOINSHRDLCUMWFGYPBVKJXQZ";
    if (c == '#')
        return -1;
    const std::size_t at = kByFrequency.find(c);
    return at == std::string_view::npos ? int(kByFrequency.size()) : int(at);
}

#ifdef VELORIA_FINDER_SIMD
const bool kHasAvx2 = __builtin_cpu_supports("avx2");

// Blocks of starts in which both probed bytes stand at their distance somewhere: each block's
// offset and one bit per such start, in text order.
struct Candidates {
    static constexpr int kMost = 32;
    std::size_t at[kMost];
    unsigned mask[kMost];
    int count = 0;
    std::size_t next = 0;  // the first start not yet tested
};

// The loops below only collect candidate blocks, until they have kMost or the loads would leave
// the text, and hold no call: a call for each candidate inside them made the compiler keep the
// broadcast bytes and the bounds in memory and reload them for every block. The caller checks
// the candidates afterwards.

// From start `at` on, up to the start `stop`, 16 starts a step, while the loads stay within the
// `readable` bytes.
void Collect16(const char* text, std::size_t at, std::size_t stop, std::size_t readable, char c1,
               char c2, std::size_t probe1, std::size_t probe2, Candidates& found) {
    const __m128i byte1 = _mm_set1_epi8(c1);
    const __m128i byte2 = _mm_set1_epi8(c2);
    const std::size_t reach = std::max(probe1, probe2) + 16;
    int count = 0;
    for (; at < stop && at + reach <= readable && count < Candidates::kMost; at += 16) {
        const __m128i at1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at + probe1));
        const __m128i at2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at + probe2));
        const auto mask = unsigned(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(at1, byte1), _mm_cmpeq_epi8(at2, byte2))));
        // Stored whatever the mask: a branch here would mispredict on every candidate.
        found.at[count] = at;
        found.mask[count] = mask;
        count += mask != 0;
    }
    found.count = count;
    found.next = at;
}

// The same 32 starts a step, where the processor has AVX2.
__attribute__((target("avx2"))) void Collect32(const char* text, std::size_t at, std::size_t stop,
                                               std::size_t readable, char c1, char c2,
                                               std::size_t probe1, std::size_t probe2,
                                               Candidates& found) {
    const __m256i byte1 = _mm256_set1_epi8(c1);
    const __m256i byte2 = _mm256_set1_epi8(c2);
    const std::size_t reach = std::max(probe1, probe2) + 32;
    const auto maskAt = [&](std::size_t a) __attribute__((target("avx2"))) {
        const __m256i at1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + a + probe1));
        const __m256i at2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + a + probe2));
        return unsigned(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(at1, byte1), _mm256_cmpeq_epi8(at2, byte2))));
    };
    int count = 0;
    // Two blocks a turn while both fit, with one test for candidates in either: with the probes on
    // the pattern's rarest bytes, most turns have none.
    while (at + 32 < stop && at + 32 + reach <= readable) {
        const unsigned first = maskAt(at), second = maskAt(at + 32);
        if ((first | second) != 0) {
            found.at[count] = at;
            found.mask[count] = first;
            count += first != 0;
            found.at[count] = at + 32;
            found.mask[count] = second;
            count += second != 0;
            if (count >= Candidates::kMost - 1) {
                at += 64;
                found.count = count;
                found.next = at;
                return;
            }
        }
        at += 64;
    }
    for (; at < stop && at + reach <= readable; at += 32) {  // one turn at most
        const unsigned mask = maskAt(at);
        found.at[count] = at;
        found.mask[count] = mask;
        count += mask != 0;
    }
    found.count = count;
    found.next = at;
}

#endif

}  // namespace

Finder::Path Finder::Fastest() {
#ifdef VELORIA_FINDER_SIMD
    return kHasAvx2 ? Path::Avx2 : Path::Sse2;
#else
    return Path::Portable;
#endif
}

Finder::Finder(std::string_view pattern) : pattern_(pattern) {
    const std::size_t size = pattern_.size();
    if (size < 2)
        return;
    // The two rarest bytes; the second of them may be any other byte when all but one are "#".
    std::size_t rarest = 0;
    for (std::size_t i = 1; i < size; ++i) {
        if (Rarity(pattern_[i]) > Rarity(pattern_[rarest]))
            rarest = i;
    }
    std::size_t next = rarest == 0 ? 1 : 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (i != rarest && Rarity(pattern_[i]) > Rarity(pattern_[next]))
            next = i;
    }
    probe1_ = rarest;
    probe2_ = next;
}

const char* Finder::Find(const char* from, const char* end) const {
    return Find(from, end, Fastest());
}

const char* Finder::Find(const char* from, const char* end, Path path) const {
    const char* found = nullptr;
    ForEach(
        from, end,
        [&](const char* match) {
            found = match;
            return end;
        },
        path);
    return found;
}

void Finder::ForEach(const char* from, const char* end, OnMatch onMatch, void* context, Path path,
                     const char* readable) const {
    const std::size_t size = pattern_.size();
    if (from > end)
        return;
    const auto textSize = std::size_t(end - from);
    const auto readSize = readable > end ? std::size_t(readable - from) : textSize;
    std::size_t at = 0;  // no start before this one is left to test
    if (size == 0) {
        while (at <= textSize) {
            const char* next = onMatch(context, from + at);
            if (next >= end)
                return;
            at = std::size_t(next - from);
        }
        return;
    }
    if (textSize < size)
        return;
#ifdef VELORIA_FINDER_SIMD
    if (size >= 2 && path != Path::Portable) {
        const std::size_t lastStart = textSize - size;
        const std::size_t farthest = std::max(probe1_, probe2_);
        const char c1 = pattern_[probe1_], c2 = pattern_[probe2_];
        Candidates found;
        // Collects and checks while the loads of the given width stay inside what may be read;
        // false when no occurrence is left or onMatch wants no more.
        const auto through = [&](auto collect, std::size_t width) {
            for (;;) {
                collect(from, at, lastStart + 1, readSize, c1, c2, probe1_, probe2_, found);
                for (int i = 0; i < found.count; ++i) {
                    for (unsigned mask = found.mask[i]; mask != 0; mask &= mask - 1) {
                        const std::size_t start = found.at[i] + std::size_t(__builtin_ctz(mask));
                        if (start < at)
                            continue;
                        if (start > lastStart)
                            return false;
                        if (std::memcmp(from + start, pattern_.data(), size) != 0)
                            continue;
                        const char* next = onMatch(context, from + start);
                        if (next >= end)
                            return false;
                        at = std::size_t(next - from);
                    }
                }
                at = std::max(at, found.next);
                if (at > lastStart)
                    return false;
                if (at + farthest + width > readSize)
                    return true;
            }
        };
        if (path == Path::Avx2 && kHasAvx2 && !through(Collect32, 32))
            return;
        if (!through(Collect16, 16))
            return;
    }
#else
    (void)path;
#endif
    while (at + size <= textSize) {
        const auto* match =
            static_cast<const char*>(memmem(from + at, textSize - at, pattern_.data(), size));
        if (!match)
            return;
        const char* next = onMatch(context, match);
        if (next >= end)
            return;
        at = std::size_t(next - from);
    }
}

}  // namespace veloria::search
