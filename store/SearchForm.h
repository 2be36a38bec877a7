#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The search form of a sentence: every word as a user would type it into the search dialog's word
// box (upper-cased as the box does, then brought to the search's normalised form), with "#"
// before and after every word and exactly one "#" between neighbours. The corpus builder stores
// it in A1..A4; the search engine matches its patterns against it, so both sides must agree on
// what a word is. All text is Windows-1252.
namespace veloria::store {

// True for a character that ends a word: blanks and control characters (code 0 to 32, 127 and the
// undefined codes), the word marker "#" itself, the no-break space, typographic quotes and
// guillemets, en and em dashes, the ellipsis, bullets and daggers. Everything else belongs to the
// word it stands in; the removed characters of the normalisation (",", ".", "(", ...) vanish
// from it without splitting it, exactly as they do in a query.
bool IsSearchSeparator(char c);

// The form of one character of a word as the search looks for it: UpperCaseLetter, then
// NormaliseSearchChar; '\0' for a removed character.
char SearchFormChar(char c);
// SearchFormChar of every character of the word, the removed ones left out.
std::string SearchWordForm(std::string_view word);

struct SearchWord {
    std::size_t begin = 0;  // 0-based offset of the word in the sentence
    std::size_t length = 0;
    std::string form;  // SearchWordForm of that span
};

// The words of a sentence, in order. A token is a run of characters that are not separators; a
// run of two or more hyphens ("love--and") is a dash and separates too. Hyphens, apostrophes and
// removed characters at either edge of a token belong to the punctuation around the word, not to
// it ("'love'," is the word "love"); a token with nothing else ("-", "'", "?!") is no word. A
// hyphen or apostrophe inside a word stays ("self-pity", "don't").
std::vector<SearchWord> SearchWords(std::string_view sentence);

// "#" + the words' forms joined by "#" + "#"; empty for a sentence without words.
std::string SearchForm(std::string_view sentence);

inline constexpr std::size_t kSearchFormFields = 4;       // A1..A4
inline constexpr std::size_t kSearchFormFieldSize = 255;  // characters per field

// Splits a search form over A1..A4: every piece but the last ends just after a "#", none is longer
// than kSearchFormFieldSize, the unused pieces are empty and the pieces joined give the form
// back. Nothing when the form does not fit.
std::optional<std::array<std::string, kSearchFormFields>> SplitSearchForm(std::string_view form);

}  // namespace veloria::store
