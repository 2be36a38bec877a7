#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veloria::search {

// Finds one pattern in a long text. The search's patterns all begin with "#", which stands before
// every word, so a scan keyed on the first byte (memmem, std::string::find) stops every few
// bytes. This one tests 16 or 32 places at once for the pattern's two rarest bytes at their
// distance and compares the whole pattern only where both stand.
class Finder {
  public:
    explicit Finder(std::string_view pattern);
    // The first occurrence that begins at or after from and ends by end; nullptr when none. An
    // empty pattern is found at from.
    const char* Find(const char* from, const char* end) const;
    const std::string& Pattern() const { return pattern_; }

  private:
    std::string pattern_;
    std::size_t probe1_ = 0, probe2_ = 0;  // offsets of the two bytes tested first
};

}  // namespace veloria::search
