#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

// What the markup routines mark, found on the stored text alone: the routines only apply styles
// to these spans. Kept apart from the rich-text box so that it can be exercised (and fuzzed)
// without a window system.
namespace veloria::glossary {

// A run of characters of a text: 0-based start and a length.
struct TextSpan {
    std::size_t start = 0;
    std::size_t length = 0;
    friend bool operator==(const TextSpan&, const TextSpan&) = default;
};

// The span length of each of the nine groups of a position marker text.
inline constexpr std::array<std::size_t, 9> kMarkerSpanLengths = {21, 13, 19, 21, 9, 8, 11, 4, 5};

// The spans that a position marker text names in a text of textLength characters, in group
// order: each group of three decimal digits is the 1-based start of a span of its group's length,
// or 0 for none. A span is cut at the end of the text; one that would start past it, a group that
// is missing (a short marker text) or is not three digits, and a blank marker text name nothing.
// Spans may overlap.
std::vector<TextSpan> MarkerSpans(std::string_view markers, std::size_t textLength);

// The occurrences of the phrase (exact, case-sensitive) in the text, from the first on. An
// occurrence that covers the second character of one found before it is not one of its own, so
// "AA" occurs once in "AAA" and twice in "AAAA". An empty phrase occurs nowhere.
std::vector<TextSpan> PhraseOccurrences(std::string_view text, std::string_view phrase);

}  // namespace veloria::glossary
