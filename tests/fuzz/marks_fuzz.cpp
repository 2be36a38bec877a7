// The marks of a hit on any query and sentence, held to the search's own verdict: the sentence is
// a hit exactly when every pattern of the query left a mark; marks are in order, apart, inside the
// sentence, each starting where a word starts and ending just after a character of the search
// form; and the mapped search form is the one the corpus builder stores, each character from the
// sentence's character at its origin.
//
// Input: a byte of flags (1: Exact Word, 2: Exact Phrase), the word box's text up to the first
// line break, then the sentence.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "search/FormScan.h"
#include "search/Query.h"
#include "store/SearchForm.h"
#include "store/SearchMarks.h"
#include "tests/fuzz/Check.h"

using namespace veloria;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const bool exactWord = data[0] & 1, exactPhrase = data[0] & 2;
    const std::string_view rest = fuzz::Bytes(data + 1, size - 1);
    const std::size_t newline = rest.find('\n');
    const std::string_view box = rest.substr(0, newline);
    const std::string_view sentence =
        newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);

    const store::MappedSearchForm mapped = store::MapSearchForm(sentence);
    FUZZ_CHECK(mapped.form == store::SearchForm(sentence));
    FUZZ_CHECK(mapped.origin.size() == mapped.form.size());
    std::vector<std::size_t> wordBegins, charEnds;
    for (std::size_t i = 0; i < mapped.form.size(); ++i) {
        if (mapped.form[i] == '#') {
            FUZZ_CHECK(mapped.origin[i] == store::kFormBoundary);
            continue;
        }
        FUZZ_CHECK(i > 0 && mapped.origin[i] < sentence.size());
        FUZZ_CHECK(store::SearchFormChar(sentence[mapped.origin[i]]) == mapped.form[i]);
        if (mapped.form[i - 1] == '#')
            wordBegins.push_back(mapped.origin[i]);
        else
            FUZZ_CHECK(mapped.origin[i - 1] < mapped.origin[i]);
        charEnds.push_back(mapped.origin[i] + 1);
    }

    const search::Query q = search::BuildQuery(box, exactWord);
    const std::vector<std::string> patterns = search::HitPatterns(q, exactPhrase);
    const std::vector<store::TextRange> marks = store::SearchMarks(sentence, patterns);
    const auto among = [](const std::vector<std::size_t>& v, std::size_t x) {
        return std::find(v.begin(), v.end(), x) != v.end();
    };
    for (std::size_t m = 0; m < marks.size(); ++m) {
        FUZZ_CHECK(marks[m].length > 0 && marks[m].End() <= sentence.size());
        FUZZ_CHECK(m == 0 || marks[m - 1].End() < marks[m].begin);
        FUZZ_CHECK(among(wordBegins, marks[m].begin));
        FUZZ_CHECK(among(charEnds, marks[m].End()));
    }

    // A hit exactly when every pattern leaves a mark; marked when any does.
    bool everyPattern = true, anyPattern = false;
    for (const std::string& p : patterns) {
        const bool marked = !store::SearchMarks(sentence, {&p, 1}).empty();
        everyPattern = everyPattern && marked;
        anyPattern = anyPattern || marked;
    }
    const bool hit = search::Matcher(q, exactPhrase).Matches(mapped.form);
    FUZZ_CHECK(hit == (patterns.empty() || everyPattern));
    FUZZ_CHECK(marks.empty() == !anyPattern);
    return 0;
}
