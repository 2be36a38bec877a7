#include "store/Sqlite.h"

namespace veloria::store::sqlite {

std::string DescribeResult(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "locked by another program";
        case SQLITE_FULL:
            return "disk full";
        case SQLITE_READONLY:
            return "read-only";
        case SQLITE_NOTADB:
            return "not a table (the file is no table file)";
        case SQLITE_CORRUPT:
            return "damaged table file";
        case SQLITE_CANTOPEN:
            return "cannot open the file";
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return "permission denied";
        case SQLITE_IOERR:
            return "read or write error";
        case SQLITE_CONSTRAINT:
            return "key violation";
        case SQLITE_NOMEM:
            return "out of memory";
        default:
            return sqlite3_errstr(rc);
    }
}

namespace {

// Set before the engine's first use, once per process. Each connection would otherwise take a
// first block of twenty cache pages and write a header into every one of them: at the start, a
// dozen tables open, that is nearly a megabyte of memory touched before a page is read.
void ConfigureEngine() {
    [[maybe_unused]] static const int once = sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
}

}  // namespace

Database::Database(const std::filesystem::path& path, int flags) : path_(path) {
    ConfigureEngine();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    db_.reset(db);
    if (db)
        sqlite3_extended_result_codes(db, 1);
    if (rc != SQLITE_OK)
        Fail(rc, "open");
}

void Database::Check(int rc, std::string_view what) const {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
        Fail(rc, what);
}

void Database::Fail(int rc, std::string_view what) const {
    std::string message = path_.string() + ": " + DescribeResult(rc);
    switch (rc & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_FULL:
        case SQLITE_READONLY:
        case SQLITE_NOTADB:
            break;  // the cause says it all
        default: {
            const char* detail = db_ ? sqlite3_errmsg(db_.get()) : sqlite3_errstr(rc);
            message += " (";
            message += what;
            message += ": ";
            message += detail;
            message += ")";
        }
    }
    throw SqliteError(message, rc);
}

void Database::Exec(std::string_view sql) {
    const std::string text(sql);
    const int rc = sqlite3_exec(db_.get(), text.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        Fail(rc, text);
}

Statement Database::Prepare(std::string_view sql) {
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db_.get(), sql.data(), int(sql.size()), &stmt, nullptr);
    Statement result(*this, stmt);
    if (rc != SQLITE_OK)
        Fail(rc, sql);
    return result;
}

std::int64_t Database::QueryInt(std::string_view sql) {
    Statement s = Prepare(sql);
    return s.Step() ? s.ColumnInt(0) : 0;
}

std::string Database::QueryText(std::string_view sql) {
    Statement s = Prepare(sql);
    return s.Step() ? std::string(s.ColumnText(0)) : std::string();
}

std::int64_t Database::LastInsertRowid() const {
    return sqlite3_last_insert_rowid(db_.get());
}

void Database::SetBusyTimeout(int milliseconds) {
    Check(sqlite3_busy_timeout(db_.get(), milliseconds), "busy timeout");
}

void Statement::BindText(int index, std::string_view utf8) {
    db_->Check(
        sqlite3_bind_text(stmt_.get(), index, utf8.data(), int(utf8.size()), SQLITE_TRANSIENT),
        "bind");
}

void Statement::BindTextStatic(int index, std::string_view utf8) {
    // SQLite takes a null pointer for NULL; an empty text needs some valid address.
    const char* data = utf8.data() ? utf8.data() : "";
    db_->Check(sqlite3_bind_text(stmt_.get(), index, data, int(utf8.size()), SQLITE_STATIC),
               "bind");
}

void Statement::BindInt(int index, std::int64_t value) {
    db_->Check(sqlite3_bind_int64(stmt_.get(), index, value), "bind");
}

void Statement::BindNull(int index) {
    db_->Check(sqlite3_bind_null(stmt_.get(), index), "bind");
}

bool Statement::Step() {
    const int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const char* sql = sqlite3_sql(stmt_.get());
    db_->Fail(rc, sql ? sql : "step");
}

void Statement::Reset() {
    sqlite3_reset(stmt_.get());
    sqlite3_clear_bindings(stmt_.get());
}

void Statement::Run() {
    try {
        while (Step()) {
        }
    } catch (...) {
        Reset();  // no binding outlives the run, whose texts may be bound without a copy
        throw;
    }
    Reset();
}

std::string_view Statement::ColumnText(int i) const {
    const auto* p = sqlite3_column_text(stmt_.get(), i);
    if (!p)
        return {};
    return {reinterpret_cast<const char*>(p), std::size_t(sqlite3_column_bytes(stmt_.get(), i))};
}

}  // namespace veloria::store::sqlite
