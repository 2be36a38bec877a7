#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "store/Schema.h"

// What the user keeps of their own: settings, the last search with the hit they were on, the
// searches they ran, and bookmarks with notes. Text from the tables (a query, a reference) is
// Windows-1252 as everywhere below the widgets; a note is UTF-8, since it may hold any character.
namespace veloria::study {

// Seconds since 1970-01-01 00:00:00 UTC.
std::int64_t NowUtc();

// ---- Settings

enum class Look { Standard, HighContrast };
// "standard", "high contrast".
std::string_view LookName(Look look);

inline constexpr int kMinZoomPercent = 80;
inline constexpr int kMaxZoomPercent = 300;

struct Settings {
    int zoomPercent = 100;  // kMinZoomPercent..kMaxZoomPercent
    Look look = Look::Standard;
    bool tipAtStart = true;  // the tip of the day shows when the program starts
    bool operator==(const Settings&) const = default;
};

// ---- Searches

enum class SearchMode { AnyOrder, ExactPhrase };

// A search as the search dialog runs it.
struct SearchSpec {
    std::string query;  // Windows-1252, the word box's text
    SearchMode mode = SearchMode::AnyOrder;
    bool exactWord = false;
    // "&Text", "&Workbook", "&Manual for Teachers", "Psychother&apy", "The &Song Of Prayer": the
    // volumes of store::Volumes(), in its order.
    std::array<bool, store::kVolumeCount> volumes{};
    bool operator==(const SearchSpec&) const = default;
};

// The last completed search, and the hit the user was on.
struct RememberedSearch {
    SearchSpec search;  // the query as typed
    std::int32_t hitCount = 0;
    std::int32_t currentRow = 0;  // 1-based row of the result table; 0 when there are no hits
    bool operator==(const RememberedSearch&) const = default;
};

inline constexpr int kHistoryLimit = 100;

struct HistoryEntry {
    std::int64_t id = 0;
    SearchSpec search;  // the query trimmed of codes 0..32, as the search ran it
    std::int32_t hitCount = 0;
    std::int64_t ranAt = 0;  // NowUtc() when it completed
    bool operator==(const HistoryEntry&) const = default;
};

// ---- Bookmarks

// One sentence of the work: its volume's book code ('T', 'E', 'M', 'P', 'S') and its `Numero`.
struct Sentence {
    char book = 'T';
    std::int64_t numero = 0;
    bool operator==(const Sentence&) const = default;
};

// The sentence a row names by its `Libro` and `Numero` fields, as the tables hand them over as
// text ("T", " 123"); nothing when the code names no volume or the number is none.
std::optional<Sentence> SentenceOf(std::string_view libro, std::string_view numero);

struct SentenceHash {
    std::size_t operator()(const Sentence& s) const {
        return std::hash<std::int64_t>()(s.numero) * 31 + std::size_t(s.book);
    }
};

struct Bookmark {
    std::int64_t id = 0;  // given by the store; never used again for another bookmark
    Sentence sentence;
    // The sentence's trimmed `Referencia` (Windows-1252), so that a list shows it without opening
    // the volume, and the sentence can be found again should its number change.
    std::string reference;
    std::string note;  // UTF-8, exactly as typed; empty when there is none
    std::int64_t created = 0;
    std::int64_t updated = 0;  // the last change of the note (the creation at first)
    bool operator==(const Bookmark&) const = default;
};

}  // namespace veloria::study
