// The CSV reader on any bytes: it either reads records or throws CsvError with a line of the
// text (0 for the file as a whole: UTF-16, UTF-32); what it reads, written back by the writer,
// reads back the same.
#include <algorithm>
#include <cstdint>
#include <string>

#include "tests/fuzz/Check.h"
#include "tools/Csv.h"

using veloria::tools::AppendCsvRecord;
using veloria::tools::CsvError;
using veloria::tools::CsvRecord;
using veloria::tools::ParseCsv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = veloria::fuzz::Bytes(data, size);
    const int lines = 1 + int(std::count(text.begin(), text.end(), '\n') +
                              std::count(text.begin(), text.end(), '\r'));
    std::vector<CsvRecord> records;
    try {
        records = ParseCsv(text);
    } catch (const CsvError& e) {
        FUZZ_CHECK(e.line() >= 0 && e.line() <= lines);  // 0: the file as a whole
        return 0;
    }

    int last = 0;
    for (const CsvRecord& r : records) {
        FUZZ_CHECK(!r.fields.empty());
        FUZZ_CHECK(r.line > last && r.line <= lines);
        last = r.line;
    }

    // A record of one empty field is written as an empty line, which the reader skips. The
    // written file begins with a byte order mark, so that a first field beginning with one
    // survives too.
    std::string written = "\xEF\xBB\xBF";
    std::vector<const CsvRecord*> kept;
    for (const CsvRecord& r : records) {
        if (r.fields.size() == 1 && r.fields[0].empty())
            continue;
        AppendCsvRecord(written, r.fields);
        kept.push_back(&r);
    }
    std::vector<CsvRecord> again;
    try {
        again = ParseCsv(written);
    } catch (const CsvError&) {
        FUZZ_CHECK(!"the writer's output is not read back");
    }
    FUZZ_CHECK(again.size() == kept.size());
    for (std::size_t i = 0; i < again.size(); ++i)
        FUZZ_CHECK(again[i].fields == kept[i]->fields);
    return 0;
}
