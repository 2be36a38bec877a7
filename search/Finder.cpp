#include "search/Finder.h"

#include <string.h>  // memmem

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
// Where a block of starts cannot go on: the rest is left to the caller.
struct Scan {
    const char* found;  // the match, or nullptr
    const char* p;      // the first start not yet tested
    bool done;          // no match can follow
};

// Tests the candidate starts of one block (a bit of `mask` for each start from p): the first
// that matches ends the scan, as does a start past the last one that fits.
inline Scan Candidates(unsigned mask, const char* p, const char* lastStart,
                       std::string_view needle) {
    for (; mask != 0; mask &= mask - 1) {
        const char* start = p + __builtin_ctz(mask);
        if (start > lastStart)
            return {nullptr, p, true};
        if (std::memcmp(start, needle.data(), needle.size()) == 0)
            return {start, p, true};
    }
    return {nullptr, p, false};
}

// Tests the starts p, p+1, ... in blocks of 16 while the loads stay inside the text.
Scan Blocks16(const char* p, const char* end, std::string_view needle, std::size_t probe1,
              std::size_t probe2) {
    const char* const lastStart = end - needle.size();
    const std::size_t reach = std::max(probe1, probe2) + 16;
    const __m128i byte1 = _mm_set1_epi8(needle[probe1]);
    const __m128i byte2 = _mm_set1_epi8(needle[probe2]);
    while (std::size_t(end - p) >= reach) {
        const __m128i at1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + probe1));
        const __m128i at2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + probe2));
        auto mask = unsigned(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(at1, byte1), _mm_cmpeq_epi8(at2, byte2))));
        if (mask != 0) {
            if (const Scan hit = Candidates(mask, p, lastStart, needle); hit.done)
                return hit;
        }
        p += 16;
    }
    return {nullptr, p, false};
}

// The same 32 at a time, where the processor has AVX2.
__attribute__((target("avx2"))) Scan Blocks32(const char* p, const char* end,
                                              std::string_view needle, std::size_t probe1,
                                              std::size_t probe2) {
    const char* const lastStart = end - needle.size();
    const std::size_t reach = std::max(probe1, probe2) + 32;
    const __m256i byte1 = _mm256_set1_epi8(needle[probe1]);
    const __m256i byte2 = _mm256_set1_epi8(needle[probe2]);
    while (std::size_t(end - p) >= reach) {
        const __m256i at1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + probe1));
        const __m256i at2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + probe2));
        auto mask = unsigned(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(at1, byte1), _mm256_cmpeq_epi8(at2, byte2))));
        if (mask != 0) {
            if (const Scan hit = Candidates(mask, p, lastStart, needle); hit.done)
                return hit;
        }
        p += 32;
    }
    return {nullptr, p, false};
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

}  // namespace

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
    const std::size_t size = pattern_.size();
    if (size == 0)
        return from;
    if (from >= end || std::size_t(end - from) < size)
        return nullptr;
    if (size == 1)
        return static_cast<const char*>(std::memchr(from, pattern_[0], std::size_t(end - from)));

    const char* p = from;
#ifdef VELORIA_FINDER_SIMD
    if (kHasAvx2) {
        const Scan s = Blocks32(p, end, pattern_, probe1_, probe2_);
        if (s.done)
            return s.found;
        p = s.p;
    }
    const Scan s = Blocks16(p, end, pattern_, probe1_, probe2_);
    if (s.done)
        return s.found;
    p = s.p;
#endif
    return static_cast<const char*>(memmem(p, std::size_t(end - p), pattern_.data(), size));
}

}  // namespace veloria::search
