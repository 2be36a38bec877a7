// libFuzzer target: the Paradox table reader on arbitrary bytes. An input is a table and its
// memo file: the first four bytes give the length of the .DB (little-endian), the bytes after
// them up to that length are the .DB, and whatever follows is its .MB (none when nothing does).
// Every record is read; only paradox::Error may come out, anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/Paradox.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veloria::tools::paradox;
    if (size < 4)
        return 0;
    const std::size_t dbSize = std::size_t(data[0]) | std::size_t(data[1]) << 8 |
                               std::size_t(data[2]) << 16 | std::size_t(data[3]) << 24;
    const char* rest = reinterpret_cast<const char*>(data + 4);
    const std::size_t restSize = size - 4;
    std::string db(rest, dbSize < restSize ? dbSize : restSize);
    std::optional<std::string> mb;
    if (dbSize < restSize)
        mb.emplace(rest + dbSize, restSize - dbSize);
    try {
        const Table table(std::move(db), std::move(mb));
        std::vector<Value> values;
        for (std::int64_t r = 0; r < table.records() && r < 100000; ++r) {
            try {
                table.Read(r, values);
            } catch (const Error&) {
                // one record refused; the others are read on
            }
        }
    } catch (const Error&) {
        // the table refused as a whole
    }
    return 0;
}
