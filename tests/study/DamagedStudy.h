#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "store/Sqlite.h"
#include "study/StudyStore.h"

// A study file of three hundred bookmarks with one page of one of its b-trees (a table or an
// index, as SQLite names it) overwritten, as a disk or a copy gone wrong leaves it.
namespace veloria::study::testing {

inline void MakeDamagedStudy(const std::filesystem::path& dir, const std::string& tree) {
    std::int64_t page = 0;
    {
        StudyStore(dir).AddBookmark({'T', 1}, "T-1.1:1");
        store::sqlite::Database db(dir / kStudyFileName, SQLITE_OPEN_READWRITE);
        db.Exec(
            "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
            "INSERT INTO bookmark (book, numero, reference, note, created, updated) "
            "SELECT 'E', i, 'W-' || i, printf('%.200c', 'n'), 0, 0 FROM n");
        page = db.QueryInt("SELECT max(pageno) FROM dbstat WHERE name = '" + tree + "'");
    }
    const std::filesystem::path file = dir / kStudyFileName;
    std::string bytes;
    {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::fill_n(bytes.begin() + (page - 1) * 4096, 4096, '\xA5');
    std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace veloria::study::testing
