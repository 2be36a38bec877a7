#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// The "/"-lists of the Bible cross-references, read the one way the windows and the corpus
// builder share:
//
// - the passage keys of one sentence, "12/87/": its `Biblia` field with a "/" after it, handed
//   from the sentence windows to the passage viewer;
// - the sentences that cite one verse, "T123/E45/": the verse's fields C1..C4 joined, handed from
//   the verse list to the window that lists those sentences.
//
// A list is a run of segments, each closed by "/"; text after the last "/" is no segment. An empty
// segment ("//") names nothing: it is neither a key nor an entry. An entry is a book code, its
// first character, and a sentence number, the characters after it, of which at most five are
// read. Every view returned lies inside the list it was read from.
namespace veloria::store {

// The number of characters of a sentence number that an entry holds; the rest is not read.
inline constexpr std::size_t kEntryNumberSize = 5;

// A list as it stands: its closed segments in order, empty ones included, and the text after the
// last "/" (empty when the list ends with one). For checks that report what a list holds.
struct SlashList {
    std::vector<std::string_view> segments;
    std::string_view rest;
};
SlashList SplitSlashList(std::string_view list);

// The passage keys of a list: its non-empty segments, untrimmed, in order.
std::vector<std::string_view> PassageKeys(std::string_view list);

struct SentenceEntry {
    std::string_view entry;   // the whole segment, without its "/"
    std::string_view code;    // its first character
    std::string_view number;  // the next kEntryNumberSize characters at most; may be empty
};

// One entry: a non-empty segment.
SentenceEntry ReadSentenceEntry(std::string_view segment);
// The entries of a list: one for each non-empty segment, in order.
std::vector<SentenceEntry> SentenceEntries(std::string_view list);

}  // namespace veloria::store
