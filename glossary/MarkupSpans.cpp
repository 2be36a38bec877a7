#include "glossary/MarkupSpans.h"

#include <algorithm>
#include <string>

namespace veloria::glossary {
namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// The group's position, or 0 when the marker text has no such group or it is not three digits.
std::size_t GroupPosition(std::string_view markers, std::size_t group) {
    const std::size_t at = group * 3;
    if (markers.size() < at + 3)
        return 0;
    std::size_t n = 0;
    for (char c : markers.substr(at, 3)) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + std::size_t(c - '0');
    }
    return n;
}

}  // namespace

std::vector<TextSpan> MarkerSpans(std::string_view markers, std::size_t textLength) {
    std::vector<TextSpan> spans;
    if (std::all_of(markers.begin(), markers.end(), IsBlank))
        return spans;
    for (std::size_t group = 0; group < kMarkerSpanLengths.size(); ++group) {
        const std::size_t n = GroupPosition(markers, group);
        // A span starting past the end has nothing to mark; selecting there would only restyle
        // what gets typed next.
        if (n == 0 || n > textLength)
            continue;
        spans.push_back({n - 1, std::min(kMarkerSpanLengths[group], textLength - (n - 1))});
    }
    return spans;
}

// The working copy loses the second character of every occurrence found, so that neither it nor
// an occurrence overlapping it is found again; searching on after its start keeps a phrase of one
// character (or one holding that very byte) from being found for ever.
std::vector<TextSpan> PhraseOccurrences(std::string_view text, std::string_view phrase) {
    std::vector<TextSpan> spans;
    if (phrase.empty())
        return spans;
    std::string work(text);
    for (std::size_t at = work.find(phrase); at != std::string::npos;
         at = work.find(phrase, at + 1)) {
        spans.push_back({at, phrase.size()});
        if (phrase.size() > 1)
            work[at + 1] = '\xff';
    }
    return spans;
}

}  // namespace veloria::glossary
