#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Schema.h"
#include "store/Sqlite.h"

// The on-disk form of a table: one SQLite file holding one SQL table named after the file's stem
// ("LTexto" in "LTexto.DB"), one column per field (INTEGER or TEXT), text as UTF-8. An empty
// field is NULL in an integer column and '' in a text column.
namespace veloria::store {

std::string SqlTableName(const TableDef& def);
// A table or field name quoted for SQL.
std::string QuoteSqlName(std::string_view name);
std::string CreateTableSql(const TableDef& def);  // CREATE TABLE and its indexes

// The file of a table in dir (the working directory when empty), found without regard to case;
// empty when there is none.
std::filesystem::path FindTableFile(const std::filesystem::path& dir, std::string_view fileName);

// The program's working tables (every table it writes but "Configura.db", which carries the hit
// count and the tip of the day) that are missing from a data directory, made again, empty: they
// hold nothing the program cannot make again. A folder that lacks "Configura.db" or a content
// table is no data directory, and nothing is made in it. Returns the names of the tables made.
// Throws StoreError naming a table that cannot be written.
std::vector<std::string> RecreateMissingWorkingTables(const std::filesystem::path& dir);

// The value of an integer field written as text: blanks trimmed, decimal digits with an optional
// sign. Nothing for any other text (and for a number out of range).
std::optional<std::int64_t> ParseInteger(std::string_view text);

// Writes a new table file from scratch in one transaction (the corpus builder's path); an existing
// file of that name is replaced. Values are Windows-1252 text in field order; an empty text is an
// empty field. The file is written with a rollback journal, so that it can later be opened
// read-only without side files.
class TableWriter {
  public:
    // def must outlive the writer (the tables of AllTables() always do).
    TableWriter(const std::filesystem::path& file, const TableDef& def);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    // Throws StoreError naming the file and the field for a wrong number of values, a text in an
    // integer field, an empty key or a duplicate key.
    void AddRow(const std::vector<std::string>& values);
    // Commits and closes; a writer destroyed without Finish removes the file it began.
    void Finish();

  private:
    std::filesystem::path file_;
    const TableDef& def_;
    std::optional<sqlite::Database> db_;
    std::optional<sqlite::Statement> insert_;
    std::int64_t rows_ = 0;
    bool finished_ = false;
};

}  // namespace veloria::store
