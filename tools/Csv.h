#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// RFC 4180 comma-separated values: fields separated by ",", records by CR LF or LF; a field that
// holds a comma, a quote or a line break is enclosed in double quotes, with each quote inside
// doubled. The text is handed over as it stands (the corpus sources are UTF-8).
namespace veloria::tools {

struct CsvRecord {
    int line = 0;  // 1-based line of the file on which the record begins
    std::vector<std::string> fields;
};

// A malformed file; line is where the offending record begins.
class CsvError : public std::runtime_error {
  public:
    CsvError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
    int line() const { return line_; }

  private:
    int line_;
};

// The whole content of a file, as it stands; throws std::runtime_error when it cannot be read.
std::string ReadFileText(const std::filesystem::path& file);

// All records of the text, the header included. A byte order mark at the start is skipped, and
// so are empty lines (a record must have at least one character or a quoted field).
std::vector<CsvRecord> ParseCsv(std::string_view text);

// Appends one record, its fields quoted where needed (also where they begin or end with a blank,
// so that no reader trims them), ended by CR LF.
void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields);

}  // namespace veloria::tools
