#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "store/Error.h"

// Thin RAII over SQLite's C API: every handle owned, every result code checked and turned into a
// StoreError that carries SQLite's message and the file it concerns.
namespace veloria::store::sqlite {

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinalizeStmt {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};

class Statement;

// A failure SQLite reported, with its result code for the few callers that tell one cause from
// another (a file that is no database from a disk that is full); everyone else catches StoreError.
class SqliteError : public StoreError {
  public:
    SqliteError(const std::string& message, int code) : StoreError(message), code_(code) {}
    // The extended result code; code() & 0xFF is the primary one (SQLITE_NOTADB, ...).
    int code() const { return code_; }

  private:
    int code_;
};

// The words a user reads for a SQLite result code: "locked by another program", "disk full",
// "read-only", "not a table", ...
std::string DescribeResult(int rc);

class Database {
  public:
    // flags as for sqlite3_open_v2. Throws when the file cannot be opened.
    Database(const std::filesystem::path& path, int flags);
    // Statements keep a pointer to their database, so a database stays where it was made.
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* get() const { return db_.get(); }
    const std::filesystem::path& path() const { return path_; }

    void Exec(std::string_view sql);
    Statement Prepare(std::string_view sql);
    // The first column of the first row of a query (a pragma's answer); 0 or "" without a row.
    std::int64_t QueryInt(std::string_view sql);
    std::string QueryText(std::string_view sql);
    std::int64_t LastInsertRowid() const;
    int Changes() const { return sqlite3_changes(db_.get()); }
    bool InTransaction() const { return sqlite3_get_autocommit(db_.get()) == 0; }
    void SetBusyTimeout(int milliseconds);

    // Throws SqliteError for a result code other than SQLITE_OK, SQLITE_ROW and SQLITE_DONE.
    void Check(int rc, std::string_view what) const;
    // "<file>: <cause>", with SQLite's own words added where the cause alone says too little.
    [[noreturn]] void Fail(int rc, std::string_view what) const;

  private:
    std::filesystem::path path_;
    std::unique_ptr<sqlite3, CloseDb> db_;
};

class Statement {
  public:
    Statement(Database& db, sqlite3_stmt* stmt) : db_(&db), stmt_(stmt) {}
    sqlite3_stmt* get() const { return stmt_.get(); }

    void BindText(int index, std::string_view utf8);
    // Binds without a copy: the bytes must stay unchanged until the statement is reset (Run and
    // Reset clear the bindings).
    void BindTextStatic(int index, std::string_view utf8);
    void BindInt(int index, std::int64_t value);
    void BindNull(int index);
    // True while a row is available; false when done. Throws on error.
    bool Step();
    void Reset();
    // Steps a statement that returns no rows and resets it.
    void Run();

    int ColumnCount() const { return sqlite3_column_count(stmt_.get()); }
    std::int64_t ColumnInt(int i) const { return sqlite3_column_int64(stmt_.get(), i); }
    std::string_view ColumnText(int i) const;
    bool ColumnIsNull(int i) const { return sqlite3_column_type(stmt_.get(), i) == SQLITE_NULL; }

  private:
    Database* db_;
    std::unique_ptr<sqlite3_stmt, FinalizeStmt> stmt_;
};

}  // namespace veloria::store::sqlite
