// The search's scan of a volume on any query and rows, against the plain rule it speeds up: a row
// is a hit when its search form holds every word pattern (Any Order) or the phrase pattern (Exact
// Phrase), and a query without words hits every row. The block-wise pattern finder under it is
// held, by each of its paths, to a plain substring search on the same bytes.
//
// Input: a byte of flags, the word box's text up to the first line break, then one row a line.
#include <cstdint>
#include <string>
#include <vector>

#include "search/Finder.h"
#include "search/FormScan.h"
#include "search/Query.h"
#include "store/SearchForm.h"
#include "tests/fuzz/Check.h"

namespace {

using namespace veloria::search;

bool PlainMatch(const Query& q, bool exactPhrase, std::string_view form) {
    if (q.wordCount == 0)
        return true;
    if (exactPhrase)
        return form.find(q.phrasePattern) != std::string_view::npos;
    for (int i = 0; i < q.wordCount; ++i) {
        if (form.find(q.queryWords[std::size_t(i)]) == std::string_view::npos)
            return false;
    }
    return true;
}

// The finder from every start against a plain search, the pattern being the query's raw text.
void CheckFinder(std::string_view pattern, std::string_view text) {
    const Finder finder(pattern);
    const char* end = text.data() + text.size();
    for (std::size_t from = 0; from <= text.size(); from += 1 + from / 8) {
        const std::size_t plain = pattern.empty() ? from : text.find(pattern, from);
        for (const Finder::Path path :
             {Finder::Path::Avx2, Finder::Path::Sse2, Finder::Path::Portable}) {
            const char* found = finder.Find(text.data() + from, end, path);
            if (plain == std::string_view::npos)
                FUZZ_CHECK(found == nullptr);
            else
                FUZZ_CHECK(found == text.data() + plain);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const bool exactPhrase = data[0] & 1;
    const bool exactWord = data[0] & 2;
    const bool asForms = data[0] & 4;  // rows given as sentences, scanned as their search forms
    const auto [box, lines] =
        veloria::fuzz::SplitQueryAndRows(veloria::fuzz::Bytes(data + 1, size - 1));
    std::vector<std::string> rows;
    for (const std::string_view row : lines)
        rows.push_back(asForms ? veloria::store::SearchForm(row) : std::string(row));

    const Query q = BuildQuery(box, exactWord);
    const Matcher matcher(q, exactPhrase);
    RowTexts forms;
    std::vector<int> expected;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        forms.AddRow({rows[r]});
        const bool hit = PlainMatch(q, exactPhrase, rows[r]);
        FUZZ_CHECK(matcher.Matches(rows[r]) == hit);
        if (hit)
            expected.push_back(int(r));
    }
    std::vector<int> hits;
    matcher.FindHits(forms, hits);
    FUZZ_CHECK(hits == expected);

    CheckFinder(box, forms.Text());
    return 0;
}
