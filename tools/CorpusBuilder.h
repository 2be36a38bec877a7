#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The corpus builder: turns a folder of CSV sources, one per content table, into a complete data
// directory. It checks everything the program relies on, computes each sentence's search form,
// and replaces the data directory only when all of it succeeded.
namespace veloria::tools {

struct BuildOptions {
    std::filesystem::path source;  // the folder of CSV files
    std::filesystem::path target;  // the data directory to build (replaced as a whole)
    bool strict = false;           // dangling cross-references are errors too
    // A folder whose pictures/ files and Help.htm are copied into the data directory when they
    // exist; empty: nothing is copied.
    std::filesystem::path assets;
};

struct Diagnostic {
    bool error = true;
    std::string file;   // the CSV file's name, or a path
    int line = 0;       // 0: the file as a whole
    std::string field;  // empty: the record or the file as a whole
    std::string message;
    // "LTexto.csv:12: error: Umemo: ..." as a user reads it.
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
