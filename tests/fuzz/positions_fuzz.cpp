// The position marker reader on any marker text and text length: at most nine spans, each inside
// the text and no longer than the longest group's length, none without a digit, and for a marker
// text of 27 digits exactly the groups it names.
#include <algorithm>
#include <cstdint>
#include <string>

#include "glossary/MarkupSpans.h"
#include "tests/fuzz/Check.h"

using veloria::glossary::kMarkerSpanLengths;
using veloria::glossary::MarkerSpans;
using veloria::glossary::TextSpan;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Two bytes of text length (up to 1023: the positions reach 999), then the marker text.
    if (size < 2)
        return 0;
    const std::size_t length = (std::size_t(data[0]) << 8 | data[1]) & 0x3FF;
    const std::string_view markers = veloria::fuzz::Bytes(data + 2, size - 2);
    const std::vector<TextSpan> spans = MarkerSpans(markers, length);

    FUZZ_CHECK(spans.size() <= kMarkerSpanLengths.size());
    const std::size_t longest =
        *std::max_element(kMarkerSpanLengths.begin(), kMarkerSpanLengths.end());
    for (const TextSpan& s : spans)
        FUZZ_CHECK(s.length >= 1 && s.length <= longest && s.start + s.length <= length);
    // A marker text without a digit (a blank one among them) names nothing.
    if (markers.find_first_of("0123456789") == std::string_view::npos)
        FUZZ_CHECK(spans.empty());

    if (markers.size() == 27 && markers.find_first_not_of("0123456789") == std::string::npos) {
        std::vector<TextSpan> expected;
        for (std::size_t g = 0; g < 9; ++g) {
            const std::size_t n = std::stoul(std::string(markers.substr(g * 3, 3)));
            if (n >= 1 && n <= length) {
                expected.push_back({n - 1, std::min(kMarkerSpanLengths[g], length - n + 1)});
            }
        }
        FUZZ_CHECK(spans == expected);
    }
    return 0;
}
