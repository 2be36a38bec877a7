#include "store/TableFile.h"

#include <charconv>
#include <system_error>

#include "store/Text.h"

namespace veloria::store {
namespace {

// Removes a table file and its side files; throws when one that is there cannot go.
void RemoveWithSideFiles(const std::filesystem::path& file, bool mustGo) {
    for (std::size_t i = 0; i <= kSideFileSuffixes.size(); ++i) {
        std::filesystem::path p = file;
        if (i > 0)
            p += kSideFileSuffixes[i - 1];
        std::error_code ec;
        std::filesystem::remove(p, ec);
        if (ec && mustGo)
            throw StoreError(p.string() + ": cannot remove the old file (" + ec.message() + ")");
    }
}

}  // namespace

std::string QuoteSqlName(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

std::string SqlTableName(const TableDef& def) {
    return std::filesystem::path(def.fileName).stem().string();
}

std::string CreateTableSql(const TableDef& def) {
    const std::string table = SqlTableName(def);
    std::string sql = "CREATE TABLE " + QuoteSqlName(table) + " (";
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        const FieldDef& f = def.fields[i];
        if (i)
            sql += ", ";
        sql += QuoteSqlName(f.name);
        sql += f.kind == FieldKind::Integer ? " INTEGER" : " TEXT";
        if (!def.primaryKey.empty() && SameName(f.name, def.primaryKey)) {
            sql += " PRIMARY KEY";
            // An INTEGER PRIMARY KEY is the row id and cannot be NULL; a text key can unless told.
            if (f.kind != FieldKind::Integer)
                sql += " NOT NULL";
        }
    }
    sql += ");\n";
    for (std::string_view index : def.indexes) {
        // Naming the key's own field as an index means the key order; no second index is needed.
        if (!def.primaryKey.empty() && SameName(index, def.primaryKey))
            continue;
        const int field = FieldIndex(def, index);
        if (field < 0)
            continue;
        const std::string_view name = def.fields[std::size_t(field)].name;
        sql += "CREATE INDEX " + QuoteSqlName(table + "_" + std::string(name)) + " ON " +
               QuoteSqlName(table) + " (" + QuoteSqlName(name) + ");\n";
    }
    return sql;
}

std::filesystem::path FindTableFile(const std::filesystem::path& dir, std::string_view fileName) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(dir / fileName, ec))
        return dir / fileName;
    for (const auto& entry :
         std::filesystem::directory_iterator(dir.empty() ? std::filesystem::path(".") : dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (SameName(name, fileName) && entry.is_regular_file(ec))
            return dir / name;
    }
    return {};
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
    const std::string trimmed = Trim(text);
    std::string_view digits = trimmed;
    bool negative = false;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    constexpr std::uint64_t kMax = std::uint64_t(INT64_MAX);
    if (magnitude > kMax + (negative ? 1 : 0))
        return std::nullopt;
    if (negative)
        return magnitude == kMax + 1 ? INT64_MIN : -std::int64_t(magnitude);
    return std::int64_t(magnitude);
}

std::vector<std::string> RecreateMissingWorkingTables(const std::filesystem::path& dir) {
    std::vector<const TableDef*> missing;
    for (const TableDef& def : AllTables()) {
        const bool working = !def.content && !SameName(def.fileName, "Configura.db");
        if (FindTableFile(dir, def.fileName).empty()) {
            if (!working)
                return {};  // no data directory, or a damaged one: reported when it is opened
            missing.push_back(&def);
        }
    }
    std::vector<std::string> made;
    for (const TableDef* def : missing) {
        const std::filesystem::path file = dir / def->fileName;
        TableWriter writer(file, *def);
        writer.Finish();
        // Its generation is one no write of results and count together ever stamps: the count
        // "Configura.db" keeps is of the results that were lost, not of this table.
        sqlite::Database(file, SQLITE_OPEN_READWRITE).Exec("PRAGMA user_version = -1");
        made.emplace_back(def->fileName);
    }
    return made;
}

TableWriter::TableWriter(const std::filesystem::path& file, const TableDef& def)
    : file_(file), def_(def) {
    RemoveWithSideFiles(file_, true);
    db_.emplace(file_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db_->Exec("PRAGMA journal_mode=DELETE");
    db_->Exec("BEGIN");
    db_->Exec(CreateTableSql(def_));
    std::string sql = "INSERT INTO " + QuoteSqlName(SqlTableName(def_)) + " VALUES (";
    for (std::size_t i = 0; i < def_.fields.size(); ++i)
        sql += i ? ", ?" : "?";
    insert_.emplace(db_->Prepare(sql + ")"));
}

TableWriter::~TableWriter() {
    if (finished_)
        return;
    insert_.reset();
    db_.reset();  // closing rolls the open transaction back
    RemoveWithSideFiles(file_, false);
}

void TableWriter::AddRow(const std::vector<std::string>& values) {
    const std::string where = file_.string() + ": row " + std::to_string(rows_ + 1) + ": ";
    if (finished_)
        throw StoreError(file_.string() + ": the table is already finished");
    if (values.size() != def_.fields.size()) {
        throw StoreError(where + std::to_string(values.size()) + " values for " +
                         std::to_string(def_.fields.size()) + " fields");
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        const FieldDef& f = def_.fields[i];
        const int column = int(i) + 1;
        const bool key = !def_.primaryKey.empty() && SameName(f.name, def_.primaryKey);
        if (key && Trim(values[i]).empty()) {
            throw StoreError(where + "empty key field \"" + std::string(f.name) + "\"");
        }
        if (f.kind != FieldKind::Integer) {
            insert_->BindText(column, ToUtf8(values[i]));
        } else if (Trim(values[i]).empty()) {
            insert_->BindNull(column);
        } else if (const auto n = ParseInteger(values[i])) {
            insert_->BindInt(column, *n);
        } else {
            throw StoreError(where + "\"" + ToUtf8(values[i]) + "\" is no integer (field \"" +
                             std::string(f.name) + "\")");
        }
    }
    try {
        insert_->Run();
    } catch (const StoreError& e) {
        // Say which row failed; the message already begins with the file.
        std::string_view cause = e.what();
        const std::string prefix = file_.string() + ": ";
        if (cause.starts_with(prefix))
            cause.remove_prefix(prefix.size());
        throw StoreError(where + std::string(cause));
    }
    ++rows_;
}

void TableWriter::Finish() {
    if (finished_)
        return;
    insert_.reset();
    db_->Exec("COMMIT");
    db_.reset();
    finished_ = true;
}

}  // namespace veloria::store
