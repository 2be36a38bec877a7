// The scan with the block filter that skips what cannot hold a query, against the plain scan of
// every row: the hits must be exactly the same, and every block that holds a row with a pattern
// must be let through for that pattern. Small blocks and few buckets make every block boundary and
// many hash collisions come up.
//
// Input: a byte of flags, the block size (bytes), the bucket bits, the word box's text up to the
// first line break, then one row a line.
#include <cstdint>
#include <string>
#include <vector>

#include "search/BlockFilter.h"
#include "search/FormScan.h"
#include "search/Query.h"
#include "store/SearchForm.h"
#include "tests/fuzz/Check.h"

using namespace veloria::search;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const bool exactPhrase = data[0] & 1;
    const bool exactWord = data[0] & 2;
    const bool asForms = data[0] & 4;  // rows given as sentences, scanned as their search forms
    const std::size_t blockBytes = data[1];
    const int bucketBits = 1 + data[2] % 10;
    const auto [box, lines] =
        veloria::fuzz::SplitQueryAndRows(veloria::fuzz::Bytes(data + 3, size - 3));
    RowTexts plain, filtered;
    std::vector<std::string> rows;
    for (const std::string_view row : lines) {
        rows.push_back(asForms ? veloria::store::SearchForm(row) : std::string(row));
        plain.AddRow({rows.back()});
        filtered.AddRow({rows.back()});
    }
    filtered.BuildFilter(blockBytes, bucketBits);
    const BlockFilter& filter = filtered.Filter();
    FUZZ_CHECK(filter.RowCount() == int(rows.size()));

    const Matcher matcher(BuildQuery(box, exactWord), exactPhrase);
    std::vector<int> expected, hits;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (matcher.Matches(rows[r]))
            expected.push_back(int(r));
    }
    matcher.FindHits(filtered, hits);
    FUZZ_CHECK(hits == expected);
    hits.clear();
    matcher.FindHits(plain, hits);
    FUZZ_CHECK(hits == expected);

    // Blocks cover the rows in order, none empty but in an empty volume.
    FUZZ_CHECK(filter.FirstRow(0) == 0 && filter.FirstRow(filter.BlockCount()) == int(rows.size()));
    for (int b = 0; b < filter.BlockCount(); ++b)
        FUZZ_CHECK(filter.FirstRow(b) < filter.FirstRow(b + 1));
    // Each pattern alone: no block that holds it is left out.
    for (const std::string& pattern : matcher.Patterns()) {
        const std::vector<std::uint64_t> let = filter.Candidates({pattern});
        for (int b = 0; b < filter.BlockCount(); ++b) {
            bool holds = false;
            for (int r = filter.FirstRow(b); r < filter.FirstRow(b + 1); ++r)
                holds = holds || rows[std::size_t(r)].find(pattern) != std::string::npos;
            if (holds)
                FUZZ_CHECK((let[std::size_t(b) / 64] >> (b % 64)) & 1);
        }
    }
    return 0;
}
