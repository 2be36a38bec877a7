#include "glossary/MarkupSpans.h"

#include <algorithm>

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

// Marking an occurrence takes its second character, so that neither it nor an occurrence
// overlapping it is found again; of the occurrences after it, only one starting at that very
// character covers it. Searching the text itself (rather than a copy with the taken characters
// overwritten by some byte) keeps a phrase that holds that byte from marking text that is not the
// phrase, or the same text twice.
std::vector<TextSpan> PhraseOccurrences(std::string_view text, std::string_view phrase) {
    std::vector<TextSpan> spans;
    if (phrase.empty())
        return spans;
    for (std::size_t at = text.find(phrase); at != std::string_view::npos;
         at = text.find(phrase, at + 1)) {
        if (phrase.size() > 1 && !spans.empty() && spans.back().start + 1 == at)
            continue;
        spans.push_back({at, phrase.size()});
    }
    return spans;
}

}  // namespace veloria::glossary
