#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

// A property a fuzz target holds its code to. A broken one aborts, which libFuzzer reports as a
// crash and keeps the input that caused it.
#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)

namespace veloria::fuzz {

inline std::string_view Bytes(const unsigned char* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace veloria::fuzz
