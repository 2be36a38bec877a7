#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The corpus builder: turns a folder of CSV sources, one per content table, into a complete data
// directory. It checks everything the program relies on, computes each sentence's search form,
// and replaces the data directory only when all of it succeeded. The Paradox importer
// (ParadoxImport.h) shares all of it but the reading.
namespace veloria::tools {

// Every data directory the builder makes holds this file. A build replaces an existing folder
// only when it holds it (or is empty), so that a mistyped target never costs the user a folder.
inline constexpr std::string_view kDataDirectoryMark = ".veloria-data";

struct BuildOptions {
    std::filesystem::path source;  // the folder of CSV files (or of Paradox tables)
    // The data directory to build, replaced as a whole. It must not be the source or hold it, and
    // an existing one must be empty or a data directory made by the builder.
    std::filesystem::path target;
    bool strict = false;  // dangling cross-references are errors too
    // A folder whose pictures/ files and Help.htm are copied into the data directory when they
    // exist; empty: nothing is copied.
    std::filesystem::path assets;
};

struct Diagnostic {
    bool error = true;
    std::string file;     // the source's name ("LTexto.csv", "LTexto.DB"), or a path
    int line = 0;         // the line, or the record when record is set; 0: the file as a whole
    std::string field;    // empty: the record or the file as a whole
    std::string message;  // values from the files in it are escaped and cut (Echo.h)
    bool record = false;  // line counts the records of a table, not the lines of a file
    // "LTexto.csv:12: error: Umemo: ..." or "LTexto.DB: record 12: error: Umemo: ..." as a user
    // reads it.
    std::string Text() const;
};

struct BuildResult {
    bool ok = false;
    std::vector<Diagnostic> diagnostics;  // in the order found
    int errors = 0;
    int warnings = 0;
    int tables = 0;         // tables written
    std::int64_t rows = 0;  // rows written over all tables
    std::string summary;    // one line
};

// Never throws for a problem of the input or the file system: each one is a diagnostic.
BuildResult BuildCorpus(const BuildOptions& options);

}  // namespace veloria::tools
