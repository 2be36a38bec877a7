#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "search/Progress.h"
#include "store/Schema.h"
#include "store/Table.h"

namespace veloria::search {

inline constexpr int kVolumeCount = int(store::kVolumeCount);
// Rows per gauge step contributed by each volume, in scan order ("T", "E", "M", "P", "S"); the
// ticked volumes' weights add up to the number of rows examined per step.
inline constexpr std::array<int, kVolumeCount> kProgressWeights = {182, 97, 21, 6, 6};

// What the search dialog hands over when Ok is pressed.
struct SearchRequest {
    std::string wordBoxText;   // Windows-1252, as the word box holds it
    bool exactWord = false;    // "&Exact Word" ticked
    bool exactPhrase = false;  // "Exact P&hrase" selected; otherwise Any Order
    // "&Text", "&Workbook", "&Manual for Teachers", "Psychother&apy", "The &Song Of Prayer".
    std::array<bool, kVolumeCount> volumes{};
};

// The dialog's own table handles.
struct SearchTables {
    store::Table& results;  // "Texto_B.DB"
    // "LTexto.DB", "LEjercicio.DB", "Maestro.DB", "LPsico.DB", "LOracion.DB", in that order.
    std::array<store::Table*, kVolumeCount> volumes;
    store::Table& config;  // "Configura.db"
};

enum class SearchOutcome {
    Refused,    // blank query or no volume ticked: no table was touched
    Completed,  // results and Cantidad written
};

// The search's own values as a run sets them before it looks at any table. Only the search reads
// them; the dialog keeps them with the other process-wide values.
struct SearchState {
    std::string queryText;            // the word box's text trimmed, " " appended, a-z upper-cased
    std::string phrasePattern = "#";  // "#" until a run passes its guard
    bool exactWord = false;
    std::array<bool, kVolumeCount> volumes{};
};

struct SearchResult {
    SearchOutcome outcome = SearchOutcome::Refused;
    std::int32_t count = 0;  // the hits of a completed search, as stored in Cantidad
    SearchState state;
    // What made each hit a hit (HitPatterns), for showing why; empty unless Completed.
    std::vector<std::string> patterns;
};

// Runs one search: unless the query is blank or no volume is ticked, rebuilds "Texto_B.DB" with
// one row per hit (volumes in scan order, each in its own row order) and stores the count in
// Cantidad, driving progress on the way. It touches no process-wide value: the dialog hands the
// count on (ResultCount, SearchDone) and closes on either outcome.
//
// The result table and Cantidad are written as a pair (store::Table::Batch over both): killed at
// any moment, the next start reads the old results with the old count or the new results with
// the new count (store::StoredResultCount).
//
// A failure of the table engine throws StoreError with the engine's message. The result table and
// Cantidad then keep what the last completed search left, and the progress window has been
// closed; the result table handle may be left closed if it could not be reopened. The dialog
// stays open, so that the user can try again or cancel.
SearchResult RunSearch(const SearchRequest& request, const SearchTables& tables,
                       Progress& progress);

// What made each hit of that search a hit (SearchResult::patterns), without running it: for hits
// kept from an earlier run.
std::vector<std::string> PatternsOf(const SearchRequest& request);

}  // namespace veloria::search
