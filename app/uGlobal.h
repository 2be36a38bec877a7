#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The process-wide values through which the windows hand data to one another (besides the
// tables). Texts are Windows-1252, like the tables'.
namespace uGlobal {

// Rows of "Texto_B.DB" from the last completed search; 0 means no results.
inline std::int32_t ResultCount = 0;
// 0 before the search dialog opens, 1 once a search has completed.
inline std::uint8_t SearchDone = 0;
// Runs of the main window's activation sequence.
inline int ActivationCount = 0;
// "Biblia.db" keys of one sentence, each closed by "/".
inline std::string BibleRefList;
// Entries of book code, sentence number (at most five characters) and "/".
inline std::string VerseRefList;
// The paragraph around the current sentence.
inline std::string ParagraphText;
// Where the current sentence stands in ParagraphText: its 0-based offset and length (0: none).
inline std::size_t ParagraphSentenceStart = 0;
inline std::size_t ParagraphSentenceLength = 0;
// The patterns with which the search that made the hits found them, so that the windows can show
// why a sentence is a hit: from the last search completed in this process, or rebuilt at start
// from the search the user's store remembers for the hits kept from an earlier run.
inline std::vector<std::string> HitPatterns;

// The search that made the hits, as the user gave it, for the main window to say; HitSearchKnown
// is 0 when hits of an earlier run are shown and no store remembers their search.
inline std::uint8_t HitSearchKnown = 0;
inline std::string HitQuery;  // the word box's text
inline std::uint8_t HitExactPhrase = 0;
inline std::uint8_t HitExactWord = 0;
// "&Text", "&Workbook", "&Manual for Teachers", "Psychother&apy", "The &Song Of Prayer".
inline std::array<std::uint8_t, 5> HitVolumes{};
// Why the last Ok of the search dialog searched nothing, and so left the hits as they were: 0 it
// searched (or no Ok since the hits were made), 1 the word box was blank, 2 no volume was ticked.
inline std::uint8_t SearchRefused = 0;

// The search's own state; only the search reads it.
inline std::string QueryText;
inline std::string PhrasePattern = "#";
inline std::uint8_t ExactWordMode = 0;
inline std::uint8_t SearchInText = 0;
inline std::uint8_t SearchInWorkbook = 0;
inline std::uint8_t SearchInManual = 0;
inline std::uint8_t SearchInPsychotherapy = 0;
inline std::uint8_t SearchInSongOfPrayer = 0;

}  // namespace uGlobal
