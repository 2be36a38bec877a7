#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/Schema.h"
#include "tools/CorpusBuilder.h"

// The one path from tables read out of some source (CSV files, Paradox tables) to a data
// directory: every check the README lists, the search forms, and the atomic replacement of the
// directory. The readers only read; everything after the reading happens here, once.
namespace veloria::tools {

// No field of the corpus holds more characters than this: a long text is a sentence or a tip,
// and the longest sentence the search form can hold is a few thousand characters.
inline constexpr std::size_t kLongTextLimit = 65536;
inline constexpr std::size_t kTextFieldSize = 255;

// A row as read: its line (CSV) or record (table) number and its values, Windows-1252 in the
// table's field order. Computed fields (A1..A4) are left empty by the readers.
struct TableRow {
    int number = 0;
    std::vector<std::string> values;
    // A value could not be read (the reader has said so): the row is kept, so that what refers to
    // it finds it, but its values are not checked or reported again.
    bool damaged = false;
};

struct SourceTable {
    const store::TableDef* def = nullptr;
    std::string name;  // the source's name as found: "LTexto.csv", "LTEXTO.DB"
    std::vector<TableRow> rows;
    bool loaded = false;  // read as a whole; its rows may still hold bad values
};

// Collects the problems of one build: counts every one, keeps the first few errors and, apart
// from them, the first few warnings of each file.
class Reporter {
  public:
    // records: the sources count records, not lines ("LTexto.DB: record 12: ...").
    Reporter(bool strict, bool records) : strict_(strict), records_(records) {}

    void Error(const std::string& file, int number, std::string_view field,
               const std::string& message);
    // What the program tolerates: stops the build only in the strict mode.
    void Warning(const std::string& file, int number, std::string_view field,
                 const std::string& message);

    int errors() const { return errors_; }
    int warnings() const { return warnings_; }
    bool strict() const { return strict_; }
    // "line" or "record", for messages that point at another row.
    const char* Unit() const { return records_ ? "record" : "line"; }
    bool Records() const { return records_; }
    // The diagnostics in the order found, a count of the ones not shown at the end.
    std::vector<Diagnostic> Take();

  private:
    void Add(bool error, const std::string& file, int number, std::string_view field,
             const std::string& message);

    bool strict_;
    bool records_;
    int errors_ = 0;
    int warnings_ = 0;
    std::vector<Diagnostic> diagnostics_;
    // Counted apart for errors and warnings: warnings must never hide the error that stops the
    // build.
    std::map<std::pair<std::string, bool>, int> shown_;
    std::map<std::string, int> hidden_;
};

// The files of a source folder that stand for tables of the corpus, found alike by every reader.
struct SourceFiles {
    struct Table {
        const store::TableDef* def;
        std::filesystem::path path;  // empty when it is not a file (already reported)
        std::string name;            // as found
    };
    std::vector<Table> tables;               // one a table, in name order
    std::vector<std::filesystem::path> all;  // every entry of the folder, in name order
};

// The files of folder whose extension (".csv", ".db") matches without regard to case and whose
// name is a table's. Reported: a folder that cannot be listed, a file that names no
// table (warned, left out), a second file for one table, a table the program writes (an error,
// or left out silently when skipProgramTables), and one that is not a file (kept, with no path).
SourceFiles FindSourceFiles(const std::filesystem::path& folder, std::string_view extension,
                            bool skipProgramTables, Reporter& reporter);

// Reads every table of the source, reporting what it cannot read; the tables not given are left
// out (the pipeline reports the missing ones).
using TableSource = std::function<std::vector<SourceTable>(Reporter&)>;

// Checks the tables the source hands over, computes the search forms and writes the data
// directory options.target in place of the old one, only when everything succeeded. Never throws
// for a problem of the input or the file system.
BuildResult BuildDataDirectory(const BuildOptions& options, bool records, const TableSource& read);

// The check of one value against field index of table, the same for every source: a number is
// made canonical ("007" -> "7", blanks trimmed, empty stays empty); a text must fit its field;
// no value holds a control character, but a text that is not a key may hold tabs and line
// breaks. Returns the problem, or an empty text when the value is sound. value is Windows-1252.
std::string CheckFieldValue(const store::TableDef& table, std::size_t index, std::string& value);

// The name a source of that table has in messages when none was found ("Biblia.csv").
std::string SourceName(const store::TableDef& def, bool records);

}  // namespace veloria::tools
