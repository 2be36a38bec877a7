#include "store/RefLists.h"

#include <algorithm>

namespace veloria::store {

SlashList SplitSlashList(std::string_view list) {
    SlashList split;
    std::size_t at = 0;
    for (std::size_t slash = list.find('/'); slash != std::string_view::npos;
         slash = list.find('/', at)) {
        split.segments.push_back(list.substr(at, slash - at));
        at = slash + 1;
    }
    split.rest = list.substr(at);
    return split;
}

namespace {

// The segments that name something.
std::vector<std::string_view> NamingSegments(std::string_view list) {
    std::vector<std::string_view> segments = SplitSlashList(list).segments;
    std::erase_if(segments, [](std::string_view segment) { return segment.empty(); });
    return segments;
}

}  // namespace

std::vector<std::string_view> PassageKeys(std::string_view list) {
    return NamingSegments(list);
}

SentenceEntry ReadSentenceEntry(std::string_view segment) {
    const std::size_t code = std::min<std::size_t>(1, segment.size());
    return {segment, segment.substr(0, code), segment.substr(code, kEntryNumberSize)};
}

std::vector<SentenceEntry> SentenceEntries(std::string_view list) {
    std::vector<SentenceEntry> entries;
    for (std::string_view segment : NamingSegments(list))
        entries.push_back(ReadSentenceEntry(segment));
    return entries;
}

}  // namespace veloria::store
