#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "search/BlockFilter.h"
#include "search/Finder.h"
#include "search/Query.h"

namespace veloria::search {

// One text per row of a table, laid end to end in one buffer, each followed by a '\0'. For the
// search forms the '\0' is a byte no pattern can contain, so one pass over the buffer covers a
// whole volume and a match can never run from one row into the next.
class RowTexts {
  public:
    RowTexts();
    void Reserve(std::size_t bytes, std::size_t rows);
    // Gives back what Reserve took beyond the rows added.
    void ShrinkToFit();
    // Appends the next row's text, given in pieces (A1..A4) joined with nothing between. Throws
    // StoreError when the texts would reach 4 GB.
    void AddRow(std::initializer_list<std::string_view> pieces);
    // Builds the filter that lets a scan skip the blocks that cannot hold its patterns, over the
    // rows added so far; until it is built again, rows added later are scanned without it.
    void BuildFilter(std::size_t blockBytes = BlockFilter::kBlockBytes,
                     int bucketBits = BlockFilter::kBucketBits);
    const BlockFilter& Filter() const { return filter_; }

    int RowCount() const { return int(starts_.size()) - 1; }
    // The text of row (0-based), without its separator.
    std::string_view At(int row) const;
    // Every row's text with its separator, end to end.
    std::string_view Text() const { return text_; }

  private:
    friend class Matcher;
    std::string text_;
    std::vector<std::uint32_t> starts_;  // row r spans [starts_[r], starts_[r + 1] - 1)
    BlockFilter filter_;
};

// What a row's search form must contain for the row to be a hit: every word pattern (Any Order)
// or the phrase pattern (Exact Phrase), as exact substrings; a query with no word hits every row.
class Matcher {
  public:
    Matcher(const Query& query, bool exactPhrase);

    bool Matches(std::string_view form) const;
    // Appends the 0-based numbers of the rows whose forms match, in row order, each row once.
    // Where the forms have a filter, only the blocks that can hold every pattern are read.
    void FindHits(const RowTexts& forms, std::vector<int>& hits) const;

    // The patterns that decide a hit, the one scanned for first at the front. Patterns implied by
    // a longer one (a repeated word, "#LOV" beside "#LOVE") are left out: they cannot change the
    // outcome.
    std::vector<std::string> Patterns() const;

  private:
    bool HasAll(const char* text, std::size_t size, std::size_t from) const;
    // The hits among the rows [from, to).
    void ScanRows(const RowTexts& forms, int from, int to, std::vector<int>& hits) const;

    std::vector<Finder> finders_;
    bool everyRow_ = false;
    bool noRow_ = false;
    bool anchorScan_ = true;  // false when a pattern holds '\0': rows are then checked one by one
};

}  // namespace veloria::search
