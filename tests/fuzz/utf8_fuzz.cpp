// The UTF-8 reading of every CSV source value and of the program's text, on any bytes: the strict
// form either refuses or agrees with the lenient one, what it reads writes back to the same bytes,
// and every Windows-1252 text survives the way there and back.
#include <algorithm>
#include <cstdint>
#include <string>

#include "store/Error.h"
#include "store/Text.h"
#include "tests/fuzz/Check.h"

namespace store = veloria::store;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = veloria::fuzz::Bytes(data, size);

    const std::string lenient = store::FromUtf8Lossy(bytes);
    FUZZ_CHECK(lenient.size() <= bytes.size());
    try {
        const std::string strict = store::FromUtf8(bytes);
        FUZZ_CHECK(strict == lenient);
        FUZZ_CHECK(store::ToUtf8(strict) == bytes);
    } catch (const store::StoreError& e) {
        FUZZ_CHECK(lenient.find('?') != std::string::npos);
        FUZZ_CHECK(std::string_view(e.what()).find("at byte ") != std::string_view::npos);
    }

    // The same bytes read as Windows-1252.
    const std::string utf8 = store::ToUtf8(bytes);
    FUZZ_CHECK(store::FromUtf8(utf8) == bytes);
    FUZZ_CHECK(store::IsAscii(bytes) == std::all_of(bytes.begin(), bytes.end(), [](char c) {
                   return static_cast<unsigned char>(c) < 0x80;
               }));
    FUZZ_CHECK(store::IsAscii(bytes) == (utf8 == bytes));
    return 0;
}
