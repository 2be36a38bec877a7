#pragma once

#include <cstddef>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Why a sentence is a hit: the stretches of the sentence, as it is shown, that the search's
// patterns found in its search form. The sentence goes through the same normalisation that built
// the form, and every character of the form remembers the character of the sentence it came
// from, so a match in the form maps back to exactly the characters that made it ("Ámor," found
// as "#AMOR" marks "Ámor", not the comma). All text is Windows-1252.
namespace veloria::store {

// A sentence's search form with, for each of its characters, the 0-based offset in the sentence
// of the character it came from; kFormBoundary for each "#" (which stands for no character).
struct MappedSearchForm {
    std::string form;  // SearchForm(sentence)
    std::vector<std::size_t> origin;
};
inline constexpr std::size_t kFormBoundary = std::numeric_limits<std::size_t>::max();

MappedSearchForm MapSearchForm(std::string_view sentence);

// A stretch of a text: begin is the 0-based offset of its first character.
struct TextRange {
    std::size_t begin = 0;
    std::size_t length = 0;
    std::size_t End() const { return begin + length; }
    bool operator==(const TextRange&) const = default;
};

// Every stretch of the sentence where one of the patterns occurs in its search form, from the
// first character of the first word the occurrence touches to the last character of the form it
// covers: a word's prefix ("#LOV" in "loving" marks "lov"), a whole word, or a run of words with
// what stands between them (a phrase). Overlapping or touching stretches are joined; the result is
// in text order. Patterns are as the search builds them; an empty one, or one of "#" alone, marks
// nothing. No patterns (no search, or a query without words): nothing is marked.
std::vector<TextRange> SearchMarks(std::string_view sentence,
                                   std::span<const std::string> patterns);

}  // namespace veloria::store
