#include "store/SharedTable.h"

#include <sys/stat.h>

#include <cctype>
#include <exception>

#include "store/TableFile.h"
#include "store/Text.h"

namespace veloria::store {
namespace {

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}

std::string MissingFileMessage(const std::filesystem::path& path) {
    return path.string() + ": table file not found";
}

}  // namespace

SharedTable::SharedTable(const TableDef& def, std::filesystem::path path)
    : def_(def),
      path_(std::move(path)),
      readOnly_(def.content),
      fieldCount_(def.fields.size()),
      keyField_(def.primaryKey.empty() ? -1 : FieldIndex(def, def.primaryKey)) {
    // Only a table the program never writes leaves fields in the file.
    for (const FieldDef& f : def.fields)
        slot_.push_back(f.inMemory || !readOnly_ ? int(rowCells_++) : -1);
    for (std::size_t f = 0; f < fieldCount_; ++f) {
        if (slot_[f] >= 0)
            fieldOfSlot_.push_back(f);
    }
    cellsOnDemand_ = readOnly_ && (keyField_ < 0 ||
                                   def.fields[std::size_t(keyField_)].kind == FieldKind::Integer);
    Connect(false);
    Changed();  // the rows' version, which stays when they are first read
}

std::shared_ptr<SharedTable> SharedTable::Get(const std::filesystem::path& dir,
                                              std::string_view fileName) {
    const TableDef* def = FindTableDef(fileName);
    if (!def)
        throw StoreError(Quoted(fileName) + ": unknown table");
    const std::filesystem::path found = FindTableFile(dir, fileName);
    if (found.empty()) {
        // Named as a data directory has it, whatever the case the caller asked for it in.
        const auto where = dir.empty() ? std::filesystem::current_path() : dir;
        throw StoreError(MissingFileMessage(where / def->fileName));
    }
    std::error_code ec;
    std::filesystem::path key = std::filesystem::canonical(found, ec);
    if (ec)
        key = std::filesystem::absolute(found);
    auto& registry = Registry();
    std::erase_if(registry, [](const auto& entry) { return entry.second.expired(); });
    if (auto alive = registry[key.string()].lock())
        return alive;
    auto table = std::make_shared<SharedTable>(*def, found);
    registry[key.string()] = table;
    return table;
}

int SharedTable::OrderFor(std::string_view indexName) {
    if (indexName.empty())
        return -1;
    if (keyField_ >= 0 && SameName(indexName, def_.primaryKey))
        return -1;
    for (std::string_view index : def_.indexes) {
        if (!SameName(index, indexName))
            continue;
        const int field = FieldIndex(def_, index);
        if (field < 0)
            break;
        for (std::size_t i = 0; i < orders_.size(); ++i) {
            if (orders_[i].field == field)
                return int(i);
        }
        // A lookup key of text is ordered as a reader expects; the file keeps it as it is, so
        // that any SQLite tool reads it.
        const bool collated = def_.fields[std::size_t(field)].kind != FieldKind::Integer;
        orders_.push_back({field, collated, {}, 0});
        return int(orders_.size() - 1);
    }
    throw StoreError(path_.string() + ": no index " + Quoted(indexName));
}

std::size_t SharedTable::LowerBound(int order, std::string_view key) {
    const int field = KeyField(order);
    if (order < 0 && cellsOnDemand_ && field >= 0) {
        // An integer key is the row id: no cell needs reading.
        const auto wanted = CellInt(key);
        if (!wanted)
            return 0;  // an empty key comes first
        const auto it = std::lower_bound(rows_.begin(), rows_.end(), *wanted,
                                         [](const Row& r, std::int64_t id) { return r.Id() < id; });
        return std::size_t(it - rows_.begin());
    }
    std::size_t lo = 0, hi = Size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (Compare(order, CellAt(order, mid, field), key) < 0) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

std::optional<std::size_t> SharedTable::PositionOf(int order, std::int64_t id) {
    if (order < 0 && cellsOnDemand_) {
        // In the file's order, which is the ids' order.
        const auto it = std::lower_bound(rows_.begin(), rows_.end(), id,
                                         [](const Row& r, std::int64_t i) { return r.Id() < i; });
        if (it == rows_.end() || it->Id() != id)
            return std::nullopt;
        return std::size_t(it - rows_.begin());
    }
    for (std::size_t pos = 0; pos < Size(); ++pos) {
        if (At(order, pos).Id() == id)
            return pos;
    }
    return std::nullopt;
}

void SharedTable::SyncWithDisk(bool checkFile) {
    if (loaded_)
        CheckUsable();
    if (batchDepth_ > 0)
        return;
    if (checkFile) {
        const auto identity = IdentityOf(path_);
        if (!identity)
            throw StoreError(MissingFileMessage(path_));
        if (*identity != conn_->identity) {
            Connect(loaded_);
            return;
        }
    }
    if (loaded_ && !emptied_ && DataVersion() != dataVersion_)
        Load();
}

void SharedTable::ProbeExclusive() {
    if (readOnly_ || conn_->db->InTransaction())
        return;
    conn_->db->SetBusyTimeout(0);
    try {
        conn_->db->Exec("BEGIN IMMEDIATE");
        conn_->db->Exec("ROLLBACK");
    } catch (const StoreError&) {
        conn_->db->SetBusyTimeout(kBusyTimeoutMs);
        throw;
    }
    conn_->db->SetBusyTimeout(kBusyTimeoutMs);
}

void SharedTable::CheckWritable() const {
    if (readOnly_)
        throw StoreError(path_.string() + ": read-only");
}

SharedTable::Written SharedTable::Insert(const std::vector<std::string>& cells) {
    std::int64_t id = 0;
    Write([&] {
        Bind(*conn_->insert, cells, 1);
        conn_->insert->Run();
        id = conn_->db->LastInsertRowid();
    });
    // A new row id is above every other, so a table without a key just grows at its end.
    const std::size_t at = keyField_ < 0 ? rows_.size() : UpperBoundOfKey(cells);
    const std::size_t size = Row::SizeOf(cells);
    char* data = arena_.Reserve(size);
    Row::Store(data, cells);
    arena_.Use(size);
    rows_.insert(rows_.begin() + std::ptrdiff_t(at), Row(id, data));
    Changed();
    return {id, at};
}

SharedTable::Written SharedTable::Update(std::int64_t id, const std::vector<std::string>& cells,
                                         std::size_t hint) {
    Write([&] {
        Bind(*conn_->update, cells, 1);
        conn_->update->BindInt(int(fieldCount_) + 1, id);
        conn_->update->Run();
        if (conn_->db->Changes() == 0) {
            throw StoreError(path_.string() + ": the row being edited no longer exists");
        }
    });
    std::optional<std::size_t> pos;
    if (hint < rows_.size() && rows_[hint].Id() == id) {
        pos = hint;
    } else {
        pos = PositionOf(-1, id);
    }
    if (!pos) {  // the rows were out of step with the file; they are not any more
        Load();
        return {id, PositionOf(-1, id).value_or(0)};
    }
    auto bytes = std::make_unique_for_overwrite<char[]>(Row::SizeOf(cells));
    Row::Store(bytes.get(), cells);
    const Row row(id, bytes.get());
    // The buffer of an earlier edit of the row is no longer needed: a row edited at every search
    // (the count) must not grow the table.
    const char* old = rows_[*pos].Data();
    std::erase_if(edited_, [&](const auto& b) { return b.get() == old; });
    edited_.push_back(std::move(bytes));
    std::size_t at = *pos;
    if (keyField_ < 0) {
        rows_[at] = row;
    } else {
        rows_.erase(rows_.begin() + std::ptrdiff_t(at));
        at = UpperBoundOfKey(cells);
        rows_.insert(rows_.begin() + std::ptrdiff_t(at), row);
    }
    Changed();
    return {id, at};
}

void SharedTable::DeleteAll() {
    if (emptied_) {
        TakeEmptying();
    } else {
        Write([&] { conn_->deleteAll->Run(); });
    }
    rows_.clear();
    arena_.Reset();
    edited_.clear();
    Changed();
    // A table emptied once is emptied again (the results of the next search): the program can
    // delete these rows in the file ahead of that, when it finds time.
    if (walMode_)
        DueEmptyings().insert(this);
}

int SharedTable::BeginBatch() {
    CheckWritable();
    SyncWithDisk(false);
    CheckUsable();
    if (batchDepth_ == 0) {
        // An emptying made ahead holds the batch's transaction already.
        if (!emptied_)
            conn_->db->Exec("BEGIN IMMEDIATE");
    } else {
        UndoEmptying();
        conn_->db->Exec("SAVEPOINT " + SavepointName(batchDepth_ + 1));
    }
    return ++batchDepth_;
}

void SharedTable::CommitBatch(int level) {
    if (level != batchDepth_) {
        throw StoreError(path_.string() + ": batches must end in reverse order");
    }
    if (lostBatch_) {
        RollbackBatch(level);
        throw StoreError(path_.string() + ": the batch was rolled back after a failure");
    }
    try {
        if (emptied_) {
            // The batch wrote nothing: it leaves the file as it was.
            emptied_ = false;
            conn_->db->Exec("ROLLBACK");
        } else {
            conn_->db->Exec(level == 1 ? std::string("COMMIT") : "RELEASE " + SavepointName(level));
        }
    } catch (const StoreError&) {
        RollbackBatch(level);
        throw;
    }
    --batchDepth_;
}

void SharedTable::RollbackBatch(int level) noexcept {
    if (level != batchDepth_)
        return;
    --batchDepth_;
    try {
        if (level == 1)
            emptied_ = false;
        if (conn_->db->InTransaction()) {
            if (level == 1) {
                conn_->db->Exec("ROLLBACK");
            } else {
                conn_->db->Exec("ROLLBACK TO " + SavepointName(level) + "; RELEASE " +
                                SavepointName(level));
            }
        }
        if (batchDepth_ == 0)
            lostBatch_ = false;
    } catch (const std::exception& e) {
        NoteBroken(e);
        // The outer batch must not commit what this one could not undo.
        if (batchDepth_ > 0)
            lostBatch_ = true;
    }
    try {
        Load();
    } catch (const std::exception& e) {
        NoteBroken(e);
    }
}

void SharedTable::CommitStamped(std::int64_t generation) {
    if (batchDepth_ != 1)
        throw StoreError(path_.string() + ": batches must end in reverse order");
    if (!lostBatch_) {
        try {
            UndoEmptying();
            conn_->db->Exec("PRAGMA user_version = " + std::to_string(generation));
        } catch (const StoreError&) {
            RollbackBatch(1);
            throw;
        }
    }
    CommitBatch(1);
    generation_ = generation;
}

std::map<std::string, std::weak_ptr<SharedTable>>& SharedTable::Registry() {
    static std::map<std::string, std::weak_ptr<SharedTable>> registry;
    return registry;
}

void SharedTable::NoteBroken(const std::exception& e) noexcept {
    if (!broken_.empty())
        return;
    const std::string what = e.what();
    broken_ = what.starts_with(path_.string()) ? what : path_.string() + ": " + what;
}

void SharedTable::Changed() {
    static std::uint64_t counter = 0;
    version_ = ++counter;
}

int SharedTable::Compare(int order, std::string_view a, std::string_view b) const {
    if (order >= 0 && orders_[std::size_t(order)].collated)
        return Collate(a, b);
    return CompareCells(a, b, def_.fields[std::size_t(KeyField(order))].kind);
}

const std::vector<std::uint32_t>& SharedTable::Permutation(int order) {
    Order& o = orders_[std::size_t(order)];
    if (o.builtFor == version_ && o.perm.size() == rows_.size())
        return o.perm;
    ReadAllCells();
    o.perm.resize(rows_.size());
    for (std::size_t i = 0; i < o.perm.size(); ++i)
        o.perm[i] = std::uint32_t(i);
    const auto field = std::size_t(o.field);
    std::stable_sort(o.perm.begin(), o.perm.end(), [&](std::uint32_t a, std::uint32_t b) {
        return Compare(order, CellOf(rows_[a], field), CellOf(rows_[b], field)) < 0;
    });
    o.builtFor = version_;
    return o.perm;
}

std::size_t SharedTable::UpperBoundOfKey(const std::vector<std::string>& cells) const {
    const auto field = std::size_t(keyField_);
    const FieldKind kind = def_.fields[field].kind;
    const auto it = std::upper_bound(rows_.begin(), rows_.end(), cells[field],
                                     [&](const std::string& key, const Row& row) {
                                         return CompareCells(key, CellOf(row, field), kind) < 0;
                                     });
    return std::size_t(it - rows_.begin());
}

void SharedTable::Bind(sqlite::Statement& s, const std::vector<std::string>& cells, int first) {
    for (std::size_t i = 0; i < fieldCount_; ++i) {
        const int column = first + int(i);
        if (def_.fields[i].kind != FieldKind::Integer) {
            if (IsAscii(cells[i])) {
                s.BindTextStatic(column, cells[i]);
            } else {
                ToUtf8Into(cells[i], utf8_[i]);
                s.BindTextStatic(column, utf8_[i]);
            }
        } else if (const auto n = CellInt(cells[i])) {
            s.BindInt(column, *n);
        } else {
            s.BindNull(column);
        }
    }
}

template <class F>
void SharedTable::Write(F&& write) {
    CheckWritable();
    if (lostBatch_) {
        throw StoreError(path_.string() + ": the batch was rolled back after a failure");
    }
    SyncWithDisk(false);
    CheckUsable();
    UndoEmptying();
    try {
        write();
    } catch (const StoreError&) {
        if (batchDepth_ > 0 && !conn_->db->InTransaction()) {
            lostBatch_ = true;
            try {
                Load();
            } catch (const StoreError& e) {
                NoteBroken(e);
            }
        }
        throw;
    }
}

void SharedTable::Connect(bool load) {
    auto c = std::make_unique<Connection>();
    bool walMode = false;
    c->identity = IdentityOf(path_).value_or(FileIdentity{});
    c->db = std::make_unique<sqlite::Database>(
        path_, (readOnly_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                   SQLITE_OPEN_NOMUTEX);  // one thread uses the engine
    sqlite::Database& db = *c->db;
    db.SetBusyTimeout(kBusyTimeoutMs);
    if (!readOnly_) {
        if (sqlite3_db_readonly(db.get(), "main") == 1) {
            throw StoreError(path_.string() + ": read-only");
        }
        // The tables the program writes use a write-ahead log with synchronous=NORMAL. A
        // commit is then an append to the log without a disk sync: it survives a crash or
        // kill of the program (the data is with the operating system at once), which is the
        // risk a desktop program faces, while only a power cut or system crash can lose the
        // last commits, and never corrupts the file. A rollback journal would need two syncs
        // per commit for the same guarantee (tens of milliseconds, more than a typical search
        // takes); it is the fallback where the file system offers no log (no shared memory).
        // SQLite answers with the mode it is in, which is checked: the reasoning holds only
        // for the modes it is made for.
        std::string mode = db.QueryText("PRAGMA journal_mode=WAL");
        for (char& c : mode)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        const bool log = mode == "wal";
        walMode = log;
        if (!log && mode != "delete" && mode != "truncate" && mode != "persist") {
            throw StoreError(path_.string() + ": cannot keep a journal (the file is in mode " +
                             Quoted(mode) + ")");
        }
        db.Exec(log ? "PRAGMA synchronous=NORMAL" : "PRAGMA synchronous=FULL");
        // The log is written into the file when the program finds time, not in the middle of
        // a write the user waits for; the hook replaces SQLite's own checkpoint at commit.
        if (log)
            sqlite3_wal_hook(db.get(), &SharedTable::LogGrew, this);
        // Debian builds SQLite with secure_delete on, which overwrites every deleted row;
        // emptying the result tables then costs ten times as much, for no gain here.
        db.Exec("PRAGMA secure_delete=OFF");
        // Room for a result of tens of thousands of rows: in SQLite's default 2 MB, such a
        // transaction spills its pages into the log before its commit, and reads them back.
        // Pages are taken only as a table uses them.
        db.Exec("PRAGMA cache_size=-16384");
    }
    if (readOnly_) {
        // The rows the program reads are kept in its own memory, and SQLite's page cache only
        // passes the file's pages through: a small one is reused, where SQLite's default of
        // 2 MB takes fresh memory for every page read (reading a volume's rows took three times
        // as long).
        db.Exec("PRAGMA cache_size=64");
    }
    CheckLayout(db);
    const std::string table = QuoteSqlName(SqlTableName(def_));
    std::string columns, marks, sets, kept;
    for (std::size_t i = 0; i < fieldCount_; ++i) {
        const std::string name = QuoteSqlName(def_.fields[i].name);
        columns += (i ? ", " : "") + name;
        marks += i ? ", ?" : "?";
        sets += (i ? ", " : "") + name + " = ?";
        if (slot_[i] >= 0)
            kept += ", " + name;
    }
    c->selectSql = "SELECT rowid" + kept + " FROM " + table + " ORDER BY rowid";
    c->maxIdSql = "SELECT max(rowid) FROM " + table;
    if (cellsOnDemand_) {
        c->idsSql = "SELECT rowid FROM " + table + " ORDER BY rowid";
        c->readRow.emplace(
            db.Prepare("SELECT rowid" + kept + " FROM " + table + " WHERE rowid = ?"));
    }
    c->dataVersion.emplace(db.Prepare("PRAGMA data_version"));
    if (!readOnly_) {
        c->insert.emplace(
            db.Prepare("INSERT INTO " + table + " (" + columns + ") VALUES (" + marks + ")"));
        c->update.emplace(db.Prepare("UPDATE " + table + " SET " + sets + " WHERE rowid = ?"));
        c->deleteAll.emplace(db.Prepare("DELETE FROM " + table));
    }
    if (load)
        Load(*c);
    conn_ = std::move(c);
    if (!loaded_)
        KeepEarlyReads();  // of the file replaced, if it was
    walMode_ = walMode;
    emptied_ = false;  // the old connection's transaction ended with it
}

void SharedTable::CheckLayout(sqlite::Database& db) {
    auto info = db.Prepare("PRAGMA table_info(" + QuoteSqlName(SqlTableName(def_)) + ")");
    std::vector<std::string> present;
    while (info.Step())
        present.emplace_back(info.ColumnText(1));
    if (present.empty()) {
        throw StoreError(path_.string() + ": not a table (it holds no table " +
                         Quoted(SqlTableName(def_)) + ")");
    }
    for (const FieldDef& f : def_.fields) {
        const bool found = std::any_of(present.begin(), present.end(),
                                       [&](const std::string& p) { return SameName(p, f.name); });
        if (!found) {
            throw StoreError(path_.string() + ": not a " + Quoted(def_.fileName) +
                             " table (it lacks the field " + Quoted(f.name) + ")");
        }
    }
}

}  // namespace veloria::store
