// The occurrence finder of the markup routines on any text and phrase: it ends, every span it
// gives holds the phrase, in order, and it finds exactly what one pass over the text finds when
// an occurrence may not cover the second character of one found before it.
#include <cstdint>
#include <string>

#include "glossary/MarkupSpans.h"
#include "tests/fuzz/Check.h"

using veloria::glossary::PhraseOccurrences;
using veloria::glossary::TextSpan;

namespace {

// A plain walk over every start, as a reader of the rule would write it.
std::vector<TextSpan> Expected(std::string_view text, std::string_view phrase) {
    std::vector<TextSpan> spans;
    if (phrase.empty() || phrase.size() > text.size())
        return spans;
    std::vector<bool> taken(text.size(), false);  // second characters of the spans found
    for (std::size_t s = 0; s + phrase.size() <= text.size(); ++s) {
        bool found = text.substr(s, phrase.size()) == phrase;
        for (std::size_t k = 0; found && k < phrase.size(); ++k)
            found = !taken[s + k];
        if (!found)
            continue;
        spans.push_back({s, phrase.size()});
        if (phrase.size() > 1)
            taken[s + 1] = true;
    }
    return spans;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One byte of phrase length (0..15), the phrase, then the text.
    if (size < 1)
        return 0;
    const std::size_t n = std::min<std::size_t>(data[0] & 0x0F, size - 1);
    const std::string_view phrase = veloria::fuzz::Bytes(data + 1, n);
    const std::string_view text = veloria::fuzz::Bytes(data + 1 + n, size - 1 - n);
    const std::vector<TextSpan> spans = PhraseOccurrences(text, phrase);

    std::size_t previous = 0;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const TextSpan& s = spans[i];
        FUZZ_CHECK(s.length == phrase.size() && s.start + s.length <= text.size());
        FUZZ_CHECK(i == 0 || s.start > previous);
        FUZZ_CHECK(text.substr(s.start, s.length) == phrase);
        previous = s.start;
    }
    FUZZ_CHECK(spans == Expected(text, phrase));
    return 0;
}
