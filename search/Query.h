#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace veloria::search {

// Slots of the word list; words past the last slot are ignored (see BuildQuery).
inline constexpr int kQueryWordSlots = 20;

// A query brought into the form the stored search forms are compared with.
struct Query {
    // The word box's text trimmed of codes 0..32, one space appended, ASCII a-z upper-cased.
    std::string queryText;
    // One pattern per word: "#" + WORD, or "#" + WORD + "#" in exact-word mode. Words are split
    // at single spaces only; runs of spaces and words made only of removed characters give none.
    std::array<std::string, kQueryWordSlots> queryWords;
    int wordCount = 0;
    // "#" + the normalised query text with every space turned into "#".
    std::string phrasePattern;
};

// True when the word box holds nothing but codes 0..32: such a query is never run.
bool IsBlankQuery(std::string_view wordBoxText);

// Normalises the word box's text (Windows-1252). A query of more than kQueryWordSlots words keeps
// the first kQueryWordSlots words and ignores the rest: refusing a long query outright would
// leave the user with no hint why nothing happened. The phrase pattern always covers the whole
// text.
Query BuildQuery(std::string_view wordBoxText, bool exactWordMode);

// The patterns a row's search form must contain for the row to be a hit: every word pattern
// (Any Order), or the phrase pattern (Exact Phrase). None for a query without words, which hits
// every row with nothing to show for it.
std::vector<std::string> HitPatterns(const Query& query, bool exactPhrase);

}  // namespace veloria::search
