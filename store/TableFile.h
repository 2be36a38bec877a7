#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/Schema.h"
#include "store/Sqlite.h"

// The on-disk form of a table: one SQLite file holding one SQL table named after the file's stem
// ("LTexto" in "LTexto.DB"), one column per field, text as UTF-8.
namespace veloria::store {

std::string SqlTableName(const TableDef& def);
std::string CreateTableSql(const TableDef& def);  // CREATE TABLE and its indexes

// The file of a table in dir, found without regard to case; empty when there is none.
std::filesystem::path FindTableFile(const std::filesystem::path& dir, std::string_view fileName);

// Writes a new table file from scratch in one transaction (the corpus builder's path). Values are
// Windows-1252 text in field order; an empty text is an empty field.
class TableWriter {
public:
    TableWriter(const std::filesystem::path& file, const TableDef& def);
    void AddRow(const std::vector<std::string>& values);
    // Commits and closes; a writer destroyed without Finish leaves no usable table.
    void Finish();

private:
    const TableDef& def_;
    sqlite::Database db_;
    sqlite::Statement insert_;
    bool finished_ = false;
};

}  // namespace veloria::store
