// The "/"-lists of the Bible cross-references, on any bytes: the split gives back the list it
// was read from, keys and entries are the non-empty segments in order, every view lies inside the
// list, and an entry is its first character and at most five more.
#include <cstdint>
#include <string>
#include <string_view>

#include "store/RefLists.h"
#include "tests/fuzz/Check.h"

namespace store = veloria::store;

namespace {

bool Inside(std::string_view part, std::string_view whole) {
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view list = veloria::fuzz::Bytes(data, size);

    const store::SlashList split = store::SplitSlashList(list);
    std::string rebuilt;
    for (std::string_view segment : split.segments) {
        FUZZ_CHECK(Inside(segment, list));
        FUZZ_CHECK(segment.find('/') == std::string_view::npos);
        rebuilt += std::string(segment) + "/";
    }
    FUZZ_CHECK(Inside(split.rest, list));
    FUZZ_CHECK(split.rest.find('/') == std::string_view::npos);
    FUZZ_CHECK(rebuilt + std::string(split.rest) == list);

    const auto keys = store::PassageKeys(list);
    const auto entries = store::SentenceEntries(list);
    FUZZ_CHECK(keys.size() == entries.size());
    std::size_t k = 0;
    for (std::string_view segment : split.segments) {
        if (segment.empty())
            continue;
        FUZZ_CHECK(k < keys.size());
        FUZZ_CHECK(keys[k].data() == segment.data() && keys[k] == segment);
        const store::SentenceEntry& e = entries[k];
        FUZZ_CHECK(e.entry.data() == segment.data() && e.entry == segment);
        FUZZ_CHECK(e.code.size() == 1 && e.code.data() == segment.data());
        FUZZ_CHECK(e.number == segment.substr(1, store::kEntryNumberSize));
        FUZZ_CHECK(e.number.size() <= store::kEntryNumberSize);
        FUZZ_CHECK(e.number.empty() || e.number.data() == segment.data() + 1);
        FUZZ_CHECK(Inside(e.number, list));
        ++k;
    }
    FUZZ_CHECK(k == keys.size());
    return 0;
}
