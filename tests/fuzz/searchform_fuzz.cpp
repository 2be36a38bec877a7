// The search form the corpus builder computes for every sentence, on any Windows-1252 text: words
// in order inside the sentence, forms without a word boundary or a separator in them, and a split
// over A1..A4 that gives the form back, each piece within its field and ending at a boundary.
#include <cstdint>
#include <string>

#include "store/SearchForm.h"
#include "store/Text.h"
#include "tests/fuzz/Check.h"

namespace store = veloria::store;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view sentence = veloria::fuzz::Bytes(data, size);
    const auto words = store::SearchWords(sentence);

    std::size_t end = 0;
    std::string joined;
    for (const store::SearchWord& w : words) {
        FUZZ_CHECK(w.length > 0 && w.begin >= end && w.begin + w.length <= sentence.size());
        end = w.begin + w.length;
        FUZZ_CHECK(w.form == store::SearchWordForm(sentence.substr(w.begin, w.length)));
        FUZZ_CHECK(!w.form.empty());
        for (char c : w.form)
            FUZZ_CHECK(!store::IsSearchSeparator(c) && !store::IsRemovedSearchChar(c));
        joined += '#' + w.form;
    }
    const std::string form = store::SearchForm(sentence);
    FUZZ_CHECK(form == (words.empty() ? std::string() : joined + '#'));

    const auto pieces = store::SplitSearchForm(form);
    if (!pieces) {
        FUZZ_CHECK(form.size() > store::kSearchFormFieldSize);
        return 0;
    }
    std::string again;
    bool ended = false;
    for (const std::string& piece : *pieces) {
        FUZZ_CHECK(piece.size() <= store::kSearchFormFieldSize);
        FUZZ_CHECK(!ended || piece.empty());  // the unused pieces are the last ones
        ended = ended || piece.empty();
        again += piece;
        if (!piece.empty() && again.size() < form.size())
            FUZZ_CHECK(piece.back() == '#');
    }
    FUZZ_CHECK(again == form);
    return 0;
}
