#pragma once

#include <cstddef>
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

// A malformed file; line is where the offending record begins (0: the file as a whole). The
// message leaves the line to whoever shows it with the file's name.
class CsvError : public std::runtime_error {
  public:
    CsvError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
    int line() const { return line_; }

  private:
    int line_;
};

// Reads the records of a text one at a time, so that a large file is never held twice: only the
// fields of the current record are copied out of it. The text must outlive the reader.
class CsvReader {
  public:
    static constexpr std::size_t kNoLimit = std::string::npos;

    // A byte order mark at the start is skipped. Throws CsvError for a text that is UTF-16 or
    // UTF-32, or that begins with a second byte order mark. A field longer than maxField bytes
    // is refused as soon as the limit is passed, without being copied.
    explicit CsvReader(std::string_view text, std::size_t maxField = kNoLimit);

    // The next record, the header included, into record (its storage reused); false at the end.
    // Empty lines are skipped (a record has at least one character or a quoted field). Throws
    // CsvError for malformed input.
    bool Next(CsvRecord& record);

    // False when the text's last line has no line break: the file may have been cut short.
    bool EndsWithLineBreak() const;

  private:
    bool LineBreak();
    void Check(std::size_t size, std::size_t more) const;

    std::string_view text_;
    std::size_t maxField_;
    std::size_t i_ = 0;
    int line_ = 1;
};

// The whole content of a file, as it stands; throws std::runtime_error saying why it cannot be
// read (a folder, a named pipe, no permission, ...).
std::string ReadFileText(const std::filesystem::path& file);

// All records of the text, the header included, as CsvReader reads them.
std::vector<CsvRecord> ParseCsv(std::string_view text);

// Appends one record, its fields quoted where needed (also where they begin or end with a blank,
// so that no reader trims them, or begin with a byte order mark), ended by CR LF.
void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields);

}  // namespace veloria::tools
