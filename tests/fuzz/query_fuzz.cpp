// The query normalisation on any word-box text: patterns only of the characters a stored search
// form can hold, and, for the words of any sentence, exactly the patterns that find the sentence's
// search form as the corpus builder computes it.
#include <algorithm>
#include <cstdint>
#include <string>

#include "search/Query.h"
#include "store/SearchForm.h"
#include "store/Text.h"
#include "tests/fuzz/Check.h"

namespace {

using veloria::search::BuildQuery;
using veloria::search::kQueryWordSlots;
using veloria::search::Query;
namespace store = veloria::store;

// A character a normalised pattern never holds: a blank, a removed one, a lower-case ASCII
// letter or an acute vowel (folded to its plain capital).
bool Foreign(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b == ' ' || b == 0 || store::IsRemovedSearchChar(c) || (b >= 'a' && b <= 'z') ||
           b == 225 || b == 233 || b == 237 || b == 243 || b == 250 || b == 193 || b == 201 ||
           b == 205 || b == 211 || b == 218;
}

void CheckShape(std::string_view box, const Query& q, bool exactWord) {
    const std::string trimmed = store::Trim(box);
    FUZZ_CHECK(veloria::search::IsBlankQuery(box) == trimmed.empty());
    FUZZ_CHECK(q.queryText.size() == trimmed.size() + 1 && q.queryText.back() == ' ');
    FUZZ_CHECK(std::none_of(q.queryText.begin(), q.queryText.end(),
                            [](char c) { return c >= 'a' && c <= 'z'; }));

    FUZZ_CHECK(q.wordCount >= 0 && q.wordCount <= kQueryWordSlots);
    for (int i = 0; i < kQueryWordSlots; ++i) {
        const std::string& w = q.queryWords[std::size_t(i)];
        if (i >= q.wordCount) {
            FUZZ_CHECK(w.empty());
            continue;
        }
        const std::size_t markers = exactWord ? 2 : 1;
        FUZZ_CHECK(w.size() > markers && w.front() == '#');
        FUZZ_CHECK(!exactWord || w.back() == '#');
        FUZZ_CHECK(std::none_of(w.begin(), w.end(), Foreign));
    }

    const std::string& p = q.phrasePattern;
    FUZZ_CHECK(p.size() >= 2 && p.front() == '#' && p.back() == '#');
    FUZZ_CHECK(std::none_of(p.begin(), p.end(), Foreign));
    // One "#" for every blank of the query and one before it, besides those typed.
    const auto hashes = std::count(p.begin(), p.end(), '#');
    FUZZ_CHECK(hashes == 1 + std::count(q.queryText.begin(), q.queryText.end(), ' ') +
                             std::count(q.queryText.begin(), q.queryText.end(), '#'));
}

// Typing a sentence's words, as the word box upper-cases them, must give the sentence's own
// search form: word for word in exact-word mode, and as the whole phrase.
void CheckAgainstSearchForm(std::string_view sentence) {
    const auto words = store::SearchWords(sentence);
    if (words.empty())
        return;
    std::string typed;
    for (const store::SearchWord& w : words) {
        if (!typed.empty())
            typed += ' ';
        typed += store::UpperCaseLetters(sentence.substr(w.begin, w.length));
    }
    const std::string form = store::SearchForm(sentence);
    const Query exact = BuildQuery(typed, true);
    FUZZ_CHECK(exact.phrasePattern == form);
    FUZZ_CHECK(exact.wordCount == std::min(int(words.size()), kQueryWordSlots));
    for (int i = 0; i < exact.wordCount; ++i) {
        const std::string& pattern = exact.queryWords[std::size_t(i)];
        FUZZ_CHECK(pattern == "#" + words[std::size_t(i)].form + "#");
        FUZZ_CHECK(form.find(pattern) != std::string::npos);
    }
    const Query prefix = BuildQuery(typed, false);
    for (int i = 0; i < prefix.wordCount; ++i)
        FUZZ_CHECK(form.find(prefix.queryWords[std::size_t(i)]) != std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view box = veloria::fuzz::Bytes(data, size);
    for (const bool exactWord : {false, true})
        CheckShape(box, BuildQuery(box, exactWord), exactWord);
    CheckAgainstSearchForm(box);
    return 0;
}
