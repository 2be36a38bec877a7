#include <algorithm>

#include "store/SharedTable.h"
#include "store/TableFile.h"
#include "store/Text.h"

// How the shared rows are read from the file: all at once, or their ids first and their cells
// when first asked for (the large tables the program only reads); and the fields left in the
// file.
namespace veloria::store {

namespace {

// Runs `read` in one read transaction: the caller's when one is open, else one of its own, ended
// however `read` ends.
template <class Read>
void InOneRead(sqlite::Database& db, Read&& read) {
    const bool own = !db.InTransaction();
    if (own)
        db.Exec("BEGIN");
    try {
        read();
        if (own)
            db.Exec("COMMIT");
    } catch (...) {
        if (own && db.InTransaction())
            db.Exec("ROLLBACK");
        throw;
    }
}

}  // namespace

void SharedTable::Load(Connection& c) {
    const std::int64_t dataVersion = c.DataVersion();
    const std::int64_t generation = c.db->QueryInt("PRAGMA user_version");
    Arena arena;
    std::vector<Row> rows;
    // Room for as many rows as the highest row id tells, the count where the ids run from 1 (as
    // they do in every table the program makes): growing the vector instead took a third of the
    // time of reading a volume's ids.
    const std::int64_t highest = c.db->QueryInt(c.maxIdSql);
    rows.reserve(std::size_t(std::clamp<std::int64_t>(highest, 0, kReservedRows)));
    if (cellsOnDemand_) {
        auto ids = c.db->Prepare(c.idsSql);
        while (ids.Step())
            rows.emplace_back(ids.ColumnInt(0), nullptr);
    } else {
        auto select = c.db->Prepare(c.selectSql);
        while (select.Step())
            rows.emplace_back(select.ColumnInt(0), ReadCells(select.get(), arena));
    }
    // Rows come in row id order, which is key order for an integer key (the key is the row
    // id); a text key is sorted here, in Windows-1252 order rather than UTF-8's.
    if (keyField_ >= 0 && def_.fields[std::size_t(keyField_)].kind != FieldKind::Integer) {
        const auto field = std::size_t(keyField_);
        const FieldKind kind = def_.fields[field].kind;
        const auto less = [&](const Row& a, const Row& b) {
            return CompareCells(CellOf(a, field), CellOf(b, field), kind) < 0;
        };
        if (!std::is_sorted(rows.begin(), rows.end(), less)) {
            std::stable_sort(rows.begin(), rows.end(), less);
        }
    }
    if (!loaded_)
        KeepEarlyReads();
    rows_ = std::move(rows);
    arena_ = std::move(arena);
    edited_.clear();
    fetched_.clear();
    unread_ = cellsOnDemand_ ? rows_.size() : 0;
    singleReads_ = 0;
    dataVersion_ = dataVersion;
    generation_ = generation;
    // The first reading changes nothing a handle sees: the rows were the file's all along, and a
    // version read before them (a grid's, the search's kept texts') stays true.
    if (loaded_)
        Changed();
    loaded_ = true;
}

const char* SharedTable::ReadCells(sqlite3_stmt* s, Arena& arena) const {
    text_.resize(rowCells_);
    bytes_.resize(rowCells_);
    std::size_t total = 0;
    for (std::size_t i = 0; i < rowCells_; ++i) {
        text_[i] = reinterpret_cast<const char*>(sqlite3_column_text(s, int(i) + 1));
        bytes_[i] = text_[i] ? std::size_t(sqlite3_column_bytes(s, int(i) + 1)) : 0;
        total += bytes_[i];
    }
    // Windows-1252 never takes more bytes than UTF-8, so the room reserved suffices.
    const std::size_t header = 4 * rowCells_;
    char* data = arena.Reserve(header + total);
    std::size_t used = 0;
    for (std::size_t i = 0; i < rowCells_; ++i) {
        used += ConvertCell(s, fieldOfSlot_[i], {text_[i], bytes_[i]}, data + header + used);
        Row::SetEnd(data, i, used);
    }
    arena.Use(header + used);
    return data;
}

void SharedTable::ReadCellsOf(Row& row) {
    if (++singleReads_ > SingleReads()) {
        ReadAllCells();
        return;
    }
    CheckUnchanged();
    ReadOne(row);
}

void SharedTable::ReadAhead(int order, std::span<const int> positions) {
    if (unread_ == 0)
        return;
    std::size_t wanted = 0;
    for (const int p : positions) {
        if (p >= 0 && std::size_t(p) < rows_.size() && !RowAt(order, std::size_t(p)).Data())
            ++wanted;
    }
    if (wanted == 0)
        return;
    if (wanted > rows_.size() / kAheadShare) {
        ReadAllCells();
        return;
    }
    // In one transaction: a read of its own locks and unlocks the file and looks for a journal,
    // most of what a row read alone costs.
    InOneRead(*conn_->db, [&] {
        CheckUnchanged();
        for (const int p : positions) {
            if (p < 0 || std::size_t(p) >= rows_.size())
                continue;
            Row& row = RowAt(order, std::size_t(p));
            if (!row.Data())
                ReadOne(row);
        }
    });
}

void SharedTable::ReadOne(Row& row) {
    sqlite::Statement& s = *conn_->readRow;
    s.BindInt(1, row.Id());
    try {
        if (!s.Step())
            throw StoreError(path_.string() + ": the file changed while it was read");
        row = Row(row.Id(), ReadCells(s.get(), arena_));
    } catch (...) {
        s.Reset();
        throw;
    }
    s.Reset();
    --unread_;
}

void SharedTable::KeepEarlyReads() {
    if (byKey_.empty() && fetched_.empty())
        return;
    early_.emplace_back(std::move(arena_), std::move(fetched_));
    arena_ = Arena();
    fetched_.clear();
    byKey_.clear();
}

bool SharedTable::ReadByKey(std::int64_t id) {
    if (byKey_.contains(id))
        return true;
    sqlite::Statement& s = *conn_->readRow;
    s.BindInt(1, id);
    bool found = false;
    try {
        found = s.Step();
        if (found)
            byKey_.emplace(id, Row(id, ReadCells(s.get(), arena_)));
    } catch (...) {
        s.Reset();
        throw;
    }
    s.Reset();
    return found;
}

std::string_view SharedTable::CellByKey(std::int64_t id, int field) {
    if (slot_[std::size_t(field)] < 0)
        return Fetched(id, field);
    if (!ReadByKey(id))
        return {};  // gone from the file since it was found
    return CellOf(byKey_.at(id), std::size_t(field));
}

void SharedTable::ReadAllCells() {
    if (unread_ == 0)
        return;
    CheckUnchanged();
    auto select = conn_->db->Prepare(conn_->selectSql);
    std::size_t next = 0;
    while (unread_ > 0 && select.Step()) {
        const std::int64_t id = select.ColumnInt(0);
        while (next < rows_.size() && rows_[next].Id() < id)
            ++next;
        if (next == rows_.size() || rows_[next].Id() != id)
            throw StoreError(path_.string() + ": the file changed while it was read");
        if (!rows_[next].Data()) {
            rows_[next] = Row(id, ReadCells(select.get(), arena_));
            --unread_;
        }
    }
    if (unread_ > 0)
        throw StoreError(path_.string() + ": the file changed while it was read");
}

void SharedTable::CheckUnchanged() {
    // The content tables the program reads are replaced whole, never written in place: a change
    // under the open file is a damage the rows read so far cannot be matched with.
    if (DataVersion() != dataVersion_)
        throw StoreError(path_.string() + ": the file changed while it was read");
}

void SharedTable::ReadFromFile(
    const std::vector<int>& fields,
    const std::function<void(std::span<const std::string_view>)>& eachRow) {
    if (keyField_ < 0 || def_.fields[std::size_t(keyField_)].kind != FieldKind::Integer)
        throw StoreError(path_.string() + ": not read in the file's order");
    SyncWithDisk(false);
    CheckUsable();
    std::string columns;
    for (const int f : fields)
        columns += (columns.empty() ? "" : ", ") + QuoteSqlName(def_.fields[std::size_t(f)].name);
    sqlite::Database& db = *conn_->db;
    InOneRead(db, [&] {
        CheckUnchanged();
        auto select = db.Prepare("SELECT rowid, " + columns + " FROM " +
                                 QuoteSqlName(SqlTableName(def_)) + " ORDER BY rowid");
        std::vector<std::string> cells(fields.size());
        std::vector<std::string_view> views(fields.size());
        std::size_t rows = 0;
        while (select.Step()) {
            if (rows >= rows_.size() || rows_[rows].Id() != sqlite3_column_int64(select.get(), 0))
                throw StoreError(path_.string() + ": the file changed while it was read");
            for (std::size_t i = 0; i < fields.size(); ++i) {
                const std::string_view utf8 = select.ColumnText(int(i) + 1);
                cells[i].resize(utf8.size());
                cells[i].resize(
                    ConvertCell(select.get(), std::size_t(fields[i]), utf8, cells[i].data()));
                views[i] = cells[i];
            }
            eachRow(views);
            ++rows;
        }
        if (rows != rows_.size())
            throw StoreError(path_.string() + ": the file changed while it was read");
    });
}

std::string_view SharedTable::Fetched(std::int64_t id, int field) {
    const auto [it, fresh] = fetched_.try_emplace({id, field});
    if (!fresh)
        return it->second;
    try {
        auto found = conn_->fetch.find(field);
        if (found == conn_->fetch.end()) {
            found =
                conn_->fetch
                    .emplace(field,
                             conn_->db->Prepare(
                                 "SELECT " + QuoteSqlName(def_.fields[std::size_t(field)].name) +
                                 " FROM " + QuoteSqlName(SqlTableName(def_)) + " WHERE rowid = ?"))
                    .first;
        }
        sqlite::Statement& s = found->second;
        s.BindInt(1, id);
        if (s.Step()) {
            const std::string_view utf8 = s.ColumnText(0);
            it->second.resize(utf8.size());
            it->second.resize(ConvertCell(s.get(), std::size_t(field), utf8, it->second.data()));
        }
        s.Reset();
    } catch (...) {
        fetched_.erase(it);
        throw;
    }
    return it->second;
}

std::size_t SharedTable::ConvertCell(sqlite3_stmt* s, std::size_t field, std::string_view utf8,
                                     char* out) const {
    try {
        return FromUtf8Into(utf8, out);
    } catch (const StoreError& e) {
        throw StoreError(path_.string() + ": row " + std::to_string(sqlite3_column_int64(s, 0)) +
                         ", field " + Quoted(def_.fields[field].name) + ": " + e.what());
    }
}

}  // namespace veloria::store
