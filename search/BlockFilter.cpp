#include "search/BlockFilter.h"

#include <algorithm>
#include <array>

namespace veloria::search {
namespace {

// The beginnings noted of every word, besides the whole word: a pattern that ends inside a word
// ("#SAYS", the usual search) needs the longest of them it covers. Each length noted fills the
// sets with as many words again and lets more blocks through for every pattern: one is kept.
constexpr std::array<std::size_t, 1> kBeginnings = {4};
// Three bits per word: a block's set is mostly the same common words, and with three of their
// bits to match a rare word is let through the least often.
constexpr int kBitsPerWord = 3;

enum Kind : std::uint64_t { kWhole = 1, kBeginning = 2 };

// FNV-1a over the bytes so far, then a finisher that spreads it over all 64 bits.
constexpr std::uint64_t kFnvBasis = 0xcbf29ce484222325ull;
std::uint64_t Fnv(std::uint64_t h, unsigned char c) {
    return (h ^ c) * 0x100000001b3ull;
}
std::uint64_t Finish(std::uint64_t h, Kind kind) {
    h ^= kind * 0x9E3779B97F4A7C15ull;
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    return h ^ (h >> 33);
}

// Where a word's bits go in group g: bucket k is first + k * step + g * shift (double hashing,
// moved for each group).
struct Probe {
    std::uint32_t first, step, shift;
    explicit Probe(std::uint64_t h)
        : first(std::uint32_t(h)),
          step(std::uint32_t(h >> 32) | 1),
          shift(std::uint32_t(h >> 16) * 0x9E3779B1u | 1) {}
    std::uint32_t Bucket(int k, std::uint32_t group, std::uint32_t mask) const {
        return (first + std::uint32_t(k) * step + group * shift) & mask;
    }
};

// Calls note(hash) for every word that follows a "#" in bytes [from, end): the whole word when
// the next "#" closes it, and each of its beginnings. A word ends at the next "#" or '\0'.
template <class Note>
void ForEachWord(const unsigned char* bytes, std::size_t from, std::size_t end, Note&& note) {
    for (std::size_t at = from; at < end; ++at) {
        if (bytes[at] != '#')
            continue;
        std::uint64_t h = kFnvBasis;
        std::size_t next = at + 1, length = 0, beginning = 0;
        for (; next < end && bytes[next] != '#' && bytes[next] != '\0'; ++next) {
            h = Fnv(h, bytes[next]);
            ++length;
            if (beginning < kBeginnings.size() && length == kBeginnings[beginning]) {
                note(Finish(h, kBeginning));
                ++beginning;
            }
        }
        if (next < end && bytes[next] == '#' && length > 0)
            note(Finish(h, kWhole));
        at = next - 1;  // the "#" that closed it opens the next word
    }
}

// The words a row must have for the pattern to occur in it.
void WordsOf(std::string_view pattern, std::vector<std::uint64_t>& words) {
    if (pattern.find('\0') != std::string_view::npos)
        return;
    for (std::size_t at = pattern.find('#'); at != std::string_view::npos;) {
        const std::size_t next = pattern.find('#', at + 1);
        const std::string_view word = pattern.substr(at + 1, next - std::min(next, at + 1));
        std::uint64_t h = kFnvBasis;
        if (next != std::string_view::npos) {
            if (!word.empty()) {
                for (const char c : word)
                    h = Fnv(h, static_cast<unsigned char>(c));
                words.push_back(Finish(h, kWhole));
            }
        } else {
            // The longest beginning noted that the pattern's last word covers.
            std::size_t noted = 0;
            for (const std::size_t n : kBeginnings) {
                if (n <= word.size())
                    noted = n;
            }
            if (noted > 0) {
                for (const char c : word.substr(0, noted))
                    h = Fnv(h, static_cast<unsigned char>(c));
                words.push_back(Finish(h, kBeginning));
            }
        }
        at = next;
    }
}

}  // namespace

BlockFilter::BlockFilter(std::string_view text, const std::vector<std::uint32_t>& starts,
                         std::size_t blockBytes, int bucketBits)
    : rows_(int(starts.size()) - 1), bucketBits_(std::clamp(bucketBits, 1, 24)) {
    // Blocks of whole rows: a match lies inside one row, so inside one block.
    firstRows_.push_back(0);
    for (std::size_t row = 0; row + 1 < starts.size();) {
        const std::size_t from = starts[row];
        while (++row + 1 < starts.size() && starts[row] - from < blockBytes) {
        }
        firstRows_.push_back(std::uint32_t(row));
    }

    const std::size_t blocks = firstRows_.size() - 1;
    const auto mask = std::uint32_t((std::size_t(1) << bucketBits_) - 1);
    bits_.assign((blocks + 63) / 64 << bucketBits_, 0);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t block = 0; block < blocks; ++block) {
        const auto group = std::uint32_t(block / 64);
        std::uint64_t* const bits = &bits_[std::size_t(group) << bucketBits_];
        const std::uint64_t bit = std::uint64_t(1) << (block % 64);
        ForEachWord(bytes, starts[firstRows_[block]], starts[firstRows_[block + 1]],
                    [&](std::uint64_t h) {
                        const Probe probe(h);
                        for (int k = 0; k < kBitsPerWord; ++k)
                            bits[probe.Bucket(k, group, mask)] |= bit;
                    });
    }
}

std::vector<std::uint64_t> BlockFilter::Candidates(const std::vector<std::string>& patterns) const {
    const std::size_t blocks = firstRows_.size() - 1;
    std::vector<std::uint64_t> candidates((blocks + 63) / 64, ~std::uint64_t(0));
    if (blocks % 64 != 0)
        candidates.back() = (std::uint64_t(1) << (blocks % 64)) - 1;

    std::vector<std::uint64_t> words;
    for (const std::string& p : patterns)
        WordsOf(p, words);
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    std::vector<Probe> probes(words.begin(), words.end());

    const auto mask = std::uint32_t((std::size_t(1) << bucketBits_) - 1);
    for (std::size_t g = 0; g < candidates.size(); ++g) {
        const std::uint64_t* const bits = &bits_[g << bucketBits_];
        std::uint64_t let = candidates[g];
        for (const Probe& probe : probes) {
            for (int k = 0; k < kBitsPerWord; ++k)
                let &= bits[probe.Bucket(k, std::uint32_t(g), mask)];
        }
        candidates[g] = let;
    }
    return candidates;
}

std::size_t BlockFilter::Bytes() const {
    return bits_.capacity() * sizeof(std::uint64_t) + firstRows_.capacity() * sizeof(std::uint32_t);
}

}  // namespace veloria::search
