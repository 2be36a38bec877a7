#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "store/Sqlite.h"
#include "study/StudyStore.h"

// Study files as the tests damage them: read and written whole, byte for byte.
namespace veloria::study::testing {

inline std::string Slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void Spit(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// A study file of three hundred bookmarks with one page of one of its b-trees (a table or an
// index, as SQLite names it) overwritten, as a disk or a copy gone wrong leaves it.
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
    std::string bytes = Slurp(dir / kStudyFileName);
    std::fill_n(bytes.begin() + (page - 1) * 4096, 4096, '\xA5');
    Spit(dir / kStudyFileName, bytes);
}

}  // namespace veloria::study::testing
