#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

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

// The input of the search's targets: the word box's text up to the first line break, then one row
// a line.
struct QueryAndRows {
    std::string_view box;
    std::vector<std::string_view> rows;
};

inline QueryAndRows SplitQueryAndRows(std::string_view text) {
    QueryAndRows split;
    const std::size_t eol = text.find('\n');
    split.box = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    while (!text.empty()) {
        const std::size_t next = text.find('\n');
        split.rows.push_back(text.substr(0, next));
        text = next == std::string_view::npos ? std::string_view() : text.substr(next + 1);
    }
    return split;
}

}  // namespace veloria::fuzz
