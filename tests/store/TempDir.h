#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/Schema.h"
#include "store/TableFile.h"

namespace veloria::store::testing {

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "veloria-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Writes a table of AllTables() into dir under its own file name (or the name given).
inline void WriteTable(const std::filesystem::path& dir, std::string_view tableName,
                       const std::vector<std::vector<std::string>>& rows,
                       std::string_view fileName = {}) {
    const TableDef* def = FindTableDef(tableName);
    if (!def)
        throw std::runtime_error("unknown table");
    TableWriter writer(dir / (fileName.empty() ? def->fileName : fileName), *def);
    for (const auto& row : rows)
        writer.AddRow(row);
    writer.Finish();
}

}  // namespace veloria::store::testing
