#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

namespace veloria::search {

// Finds one pattern in a long text. The search's patterns all begin with "#", which stands before
// every word, so a scan keyed on the first byte (memmem, std::string::find) stops every few
// bytes. This one tests 16 or 32 places at once for the pattern's two rarest bytes at their
// distance and compares the whole pattern only where both stand.
class Finder {
  public:
    // The ways through a text, fastest first; Find takes the fastest the processor has. The
    // others are there so that the tests can hold each to the same answers.
    enum class Path { Avx2, Sse2, Portable };
    static Path Fastest();

    explicit Finder(std::string_view pattern);
    // The first occurrence that begins at or after from and ends by end; nullptr when none. An
    // empty pattern is found at from.
    const char* Find(const char* from, const char* end) const;
    // The same by the given path; one the processor lacks falls back to the next.
    const char* Find(const char* from, const char* end, Path path) const;
    // Every occurrence from `from` on that ends by end, in text order, for as long as onMatch
    // wants: it gets each and returns where to look on, after the start of that occurrence (end
    // to stop). Candidates are collected ahead, so a scan that skips on (to the next row) wastes
    // no work the way a Find for each occurrence would. The bytes from end up to readable, when
    // given, may be read but are never matched: a scan of one stretch of a longer text then
    // needs no slower way through the stretch's last bytes.
    template <class F>
    void ForEach(const char* from, const char* end, F&& onMatch, Path path = Fastest(),
                 const char* readable = nullptr) const {
        ForEach(
            from, end,
            [](void* f, const char* match) -> const char* {
                return (*static_cast<std::remove_reference_t<F>*>(f))(match);
            },
            &onMatch, path, readable);
    }
    const std::string& Pattern() const { return pattern_; }

  private:
    using OnMatch = const char* (*)(void* context, const char* match);
    void ForEach(const char* from, const char* end, OnMatch onMatch, void* context, Path path,
                 const char* readable) const;

    std::string pattern_;
    std::size_t probe1_ = 0, probe2_ = 0;  // offsets of the two bytes tested first
};

}  // namespace veloria::search
