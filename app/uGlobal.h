#pragma once

#include <cstdint>
#include <string>

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
