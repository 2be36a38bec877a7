#pragma once

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
// The patterns with which the last search completed in this process found its hits, so that the
// windows can show why a sentence is a hit. Kept in the process only: after a restart the results
// of an earlier run are shown without marks.
inline std::vector<std::string> HitPatterns;

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
