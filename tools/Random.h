#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The sample corpus generator's own pseudo-random numbers (splitmix64), so that one seed gives the
// same corpus with every compiler and standard library.
namespace veloria::tools {

class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [lo, hi], by rejection so that no value is favoured.
    std::int64_t Between(std::int64_t lo, std::int64_t hi) {
        const std::uint64_t span = std::uint64_t(hi - lo) + 1;
        if (span == 0)
            return std::int64_t(Next());
        const std::uint64_t limit = UINT64_MAX - UINT64_MAX % span;
        std::uint64_t r;
        do {
            r = Next();
        } while (r >= limit);
        return lo + std::int64_t(r % span);
    }

    std::size_t Index(std::size_t size) { return std::size_t(Between(0, std::int64_t(size) - 1)); }

    // True with probability percent / 100.
    bool Percent(double percent) { return double(Next() >> 11) * 0x1.0p-53 * 100.0 < percent; }

    template <class T>
    const T& Pick(std::span<const T> items) {
        return items[Index(items.size())];
    }
    template <class T>
    const T& Pick(const std::vector<T>& items) {
        return items[Index(items.size())];
    }

    // A derived generator, so that one part of the corpus does not shift another when it changes.
    Random Fork(std::uint64_t salt) { return Random(Next() ^ (salt * 0xD1B54A32D192ED03ull)); }

  private:
    std::uint64_t state_;
};

}  // namespace veloria::tools
