#pragma once

#include "tools/CorpusBuilder.h"

// The Paradox importer: builds a data directory from a folder of Paradox tables (the fourteen
// content tables, found without regard to case, with their .MB memo files; .PX index files and
// anything else are left alone) exactly as the corpus builder builds one from CSV files: the same
// checks, the same search forms, the same atomic replacement. Text is converted from the code
// page each table's header names (Windows-1252 when it names none).
namespace veloria::tools {

// options.source is the folder of tables. Never throws for a problem of the input or the file
// system: each one is a diagnostic naming the table, the record and the field.
BuildResult ImportParadox(const BuildOptions& options);

}  // namespace veloria::tools
