#include "store/Table.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <exception>
#include <map>
#include <optional>
#include <set>

#include "store/Sqlite.h"
#include "store/TableFile.h"
#include "store/Text.h"

namespace veloria::store {
namespace {

// How long a write waits for another program's write to finish before it reports the table as
// locked. The probe for exclusive use does not wait.
constexpr int kBusyTimeoutMs = 2000;

// A table's write-ahead log is due to be written into its file (checkpointed) once it holds this
// many pages, SQLite's own default; the program does it when it finds time (RunDueCheckpoints).
// A log that grows to the second figure without the program finding any is written at once.
constexpr int kCheckpointDuePages = 1000;
constexpr int kCheckpointNowPages = 16384;

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// An integer cell as SQLite hands it over (plain decimal); nothing for an empty cell.
std::optional<std::int64_t> CellInt(std::string_view cell) {
    std::int64_t value = 0;
    const char* end = cell.data() + cell.size();
    const auto [p, ec] = std::from_chars(cell.data(), end, value);
    if (cell.empty() || ec != std::errc() || p != end)
        return std::nullopt;
    return value;
}

// The order of two key values of one field: numbers numerically with an empty value first, texts
// in Windows-1252 byte order.
int CompareCells(std::string_view a, std::string_view b, FieldKind kind) {
    if (kind == FieldKind::Integer) {
        const auto x = CellInt(a), y = CellInt(b);
        if (x && y)
            return (*x > *y) - (*x < *y);
        if (x || y)
            return x ? 1 : -1;
    }
    const int c = a.compare(b);  // char_traits<char> compares as unsigned bytes
    return (c > 0) - (c < 0);
}

// The bytes of one row: the end offset of each cell, then the cells' Windows-1252 bytes. Rows
// loaded from the file and rows appended lie in their table's arena; rows rewritten by an edit own
// their bytes (an edit is rare, and its row's old bytes could not be given back to an arena).
class Row {
  public:
    Row(std::int64_t id, const char* data) : id_(id), data_(data) {}

    static std::size_t SizeOf(const std::vector<std::string>& cells) {
        std::size_t total = 4 * cells.size();
        for (const std::string& c : cells)
            total += c.size();
        return total;
    }

    // Lays the cells out at data, which has room for SizeOf(cells) bytes.
    static void Store(char* data, const std::vector<std::string>& cells) {
        const std::size_t header = 4 * cells.size();
        std::size_t used = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (!cells[i].empty())
                std::memcpy(data + header + used, cells[i].data(), cells[i].size());
            used += cells[i].size();
            SetEnd(data, i, used);
        }
    }

    static Row FromCells(std::int64_t id, const std::vector<std::string>& cells) {
        auto own = std::make_unique_for_overwrite<char[]>(SizeOf(cells));
        Store(own.get(), cells);
        Row row(id, own.get());
        row.own_ = std::move(own);
        return row;
    }

    static void SetEnd(char* data, std::size_t i, std::size_t end) {
        const auto e = std::uint32_t(end);
        std::memcpy(data + 4 * i, &e, 4);
    }

    std::int64_t Id() const { return id_; }

    std::string_view Cell(std::size_t fieldCount, std::size_t i) const {
        std::uint32_t begin = 0, end = 0;
        if (i > 0)
            std::memcpy(&begin, data_ + 4 * (i - 1), 4);
        std::memcpy(&end, data_ + 4 * i, 4);
        return {data_ + 4 * fieldCount + begin, end - begin};
    }

  private:
    std::int64_t id_;
    const char* data_;
    std::unique_ptr<char[]> own_;
};

// Storage for the rows of a table: large chunks instead of an allocation per row (loading and
// freeing thousands of small blocks cost as much as reading them, and appending them as much as
// writing them). What it hands out stays put until Reset.
class Arena {
  public:
    // Room for n bytes at the returned place; Use tells how many were taken.
    char* Reserve(std::size_t n) {
        if (n > room_)
            NextChunk(n);
        return next_;
    }
    void Use(std::size_t n) {
        next_ += n;
        room_ -= n;
    }
    // Forgets everything handed out but keeps the memory: a result table is emptied and filled
    // again by every search.
    void Reset() {
        inUse_ = 0;
        next_ = nullptr;
        room_ = 0;
    }

  private:
    // Chunks grow from small (most tables the program writes hold a row or a few) to large.
    static constexpr std::size_t kFirstChunk = std::size_t(1) << 14;
    static constexpr std::size_t kLargestChunk = std::size_t(1) << 20;

    struct Chunk {
        std::unique_ptr<char[]> bytes;
        std::size_t size;
    };

    void NextChunk(std::size_t n) {
        while (inUse_ < chunks_.size()) {  // the chunks kept by Reset
            Chunk& c = chunks_[inUse_++];
            if (c.size >= n) {
                next_ = c.bytes.get();
                room_ = c.size;
                return;
            }
        }
        const std::size_t grown =
            std::min(kLargestChunk, kFirstChunk << std::min<std::size_t>(chunks_.size(), 16));
        const std::size_t size = std::max(grown, n);
        chunks_.push_back({std::make_unique_for_overwrite<char[]>(size), size});
        inUse_ = chunks_.size();
        next_ = chunks_.back().bytes.get();
        room_ = size;
    }

    std::vector<Chunk> chunks_;
    std::size_t inUse_ = 0;  // chunks_[0, inUse_) hold rows; the last of them is being filled
    char* next_ = nullptr;
    std::size_t room_ = 0;
};

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

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

// The process-wide state of one table file: its connection and the one copy of its rows that all
// handles share. Rows are kept in primary order: key order for keyed tables, otherwise the order
// of the row ids (the order rows were appended).
class SharedTable {
  public:
    SharedTable(const TableDef& def, std::filesystem::path path)
        : def_(def),
          path_(std::move(path)),
          readOnly_(def.content),
          fieldCount_(def.fields.size()),
          keyField_(def.primaryKey.empty() ? -1 : FieldIndex(def, def.primaryKey)) {
        Connect();
    }

    ~SharedTable() { DueCheckpoints().erase(this); }
    SharedTable(const SharedTable&) = delete;
    SharedTable& operator=(const SharedTable&) = delete;

    // The table of that file name in dir, loaded once and shared while any handle holds it.
    static std::shared_ptr<SharedTable> Get(const std::filesystem::path& dir,
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

    const TableDef& Def() const { return def_; }
    const std::filesystem::path& Path() const { return path_; }
    std::uint64_t Version() const { return version_; }
    std::size_t FieldCount() const { return fieldCount_; }
    std::size_t Size() const { return rows_.size(); }

    // An order a handle may use: -1 the primary order, otherwise one of orders_.
    int OrderFor(std::string_view indexName) {
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
            orders_.push_back({field, {}, 0});
            return int(orders_.size() - 1);
        }
        throw StoreError(path_.string() + ": no index " + Quoted(indexName));
    }

    int KeyField(int order) const { return order < 0 ? keyField_ : orders_[order].field; }

    const Row& At(int order, std::size_t pos) {
        if (order < 0)
            return rows_[pos];
        return rows_[Permutation(order)[pos]];
    }

    std::string_view CellAt(int order, std::size_t pos, int field) {
        return At(order, pos).Cell(fieldCount_, std::size_t(field));
    }

    // The first position whose key is not less than key (Size() when there is none).
    std::size_t LowerBound(int order, std::string_view key) {
        const int field = KeyField(order);
        const FieldKind kind = def_.fields[std::size_t(field)].kind;
        std::size_t lo = 0, hi = Size();
        while (lo < hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (CompareCells(CellAt(order, mid, field), key, kind) < 0) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        return lo;
    }

    std::optional<std::size_t> PositionOf(int order, std::int64_t id) {
        for (std::size_t pos = 0; pos < Size(); ++pos) {
            if (At(order, pos).Id() == id)
                return pos;
        }
        return std::nullopt;
    }

    // A failure that left the shared rows unlike the file (a rollback that could not reload)
    // is reported to every later use until a reload succeeds.
    void CheckUsable() {
        if (broken_.empty())
            return;
        try {
            // A rollback that failed left its transaction open: later writes would go into it,
            // and the rows read back would be those it meant to undo.
            if (batchDepth_ == 0 && conn_->db->InTransaction())
                conn_->db->Exec("ROLLBACK");
            Load();
        } catch (const std::exception& e) {
            // What put the rows out of step is what the user needs to know, before the cause of
            // this reload's failure.
            throw StoreError(broken_ + "; reading the table again failed: " + e.what());
        }
        broken_.clear();
    }

    // Picks up what other programs did: a replaced file is reopened, a changed one reloaded.
    // Inside a batch this process holds the write lock, so nothing can have changed.
    void SyncWithDisk(bool checkFile) {
        CheckUsable();
        if (batchDepth_ > 0)
            return;
        if (checkFile) {
            const auto identity = IdentityOf(path_);
            if (!identity)
                throw StoreError(MissingFileMessage(path_));
            if (*identity != conn_->identity) {
                Connect();
                return;
            }
        }
        if (DataVersion() != dataVersion_)
            Load();
    }

    void ProbeExclusive() {
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

    void CheckWritable() const {
        if (readOnly_)
            throw StoreError(path_.string() + ": read-only");
    }

    struct Written {
        std::int64_t id;
        std::size_t pos;  // in primary order
    };

    // Writes a new row.
    Written Insert(const std::vector<std::string>& cells) {
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

    // Rewrites the row of that id; hint is where it probably stands in primary order.
    Written Update(std::int64_t id, const std::vector<std::string>& cells, std::size_t hint) {
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
        Row row = Row::FromCells(id, cells);
        std::size_t at = *pos;
        if (keyField_ < 0) {
            rows_[at] = std::move(row);
        } else {
            rows_.erase(rows_.begin() + std::ptrdiff_t(at));
            at = UpperBoundOfKey(cells);
            rows_.insert(rows_.begin() + std::ptrdiff_t(at), std::move(row));
        }
        Changed();
        return {id, at};
    }

    void DeleteAll() {
        Write([&] { conn_->deleteAll->Run(); });
        rows_.clear();
        arena_.Reset();
        Changed();
    }

    int BeginBatch() {
        CheckWritable();
        SyncWithDisk(false);
        if (batchDepth_ == 0) {
            conn_->db->Exec("BEGIN IMMEDIATE");
        } else {
            conn_->db->Exec("SAVEPOINT " + SavepointName(batchDepth_ + 1));
        }
        return ++batchDepth_;
    }

    void CommitBatch(int level) {
        if (level != batchDepth_) {
            throw StoreError(path_.string() + ": batches must end in reverse order");
        }
        if (lostBatch_) {
            RollbackBatch(level);
            throw StoreError(path_.string() + ": the batch was rolled back after a failure");
        }
        try {
            conn_->db->Exec(level == 1 ? std::string("COMMIT") : "RELEASE " + SavepointName(level));
        } catch (const StoreError&) {
            RollbackBatch(level);
            throw;
        }
        --batchDepth_;
    }

    // Undoes the batch in the file and restores the shared rows from it.
    void RollbackBatch(int level) noexcept {
        if (level != batchDepth_)
            return;
        --batchDepth_;
        try {
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

    // The outermost batch's commit, stamping the file with the generation of the joint batch it
    // belongs to (SQLite's user version, in the file's header: written in the same transaction).
    void CommitStamped(std::int64_t generation) {
        if (batchDepth_ != 1)
            throw StoreError(path_.string() + ": batches must end in reverse order");
        if (!lostBatch_) {
            try {
                conn_->db->Exec("PRAGMA user_version = " + std::to_string(generation));
            } catch (const StoreError&) {
                RollbackBatch(1);
                throw;
            }
        }
        CommitBatch(1);
        generation_ = generation;
    }

    std::int64_t Generation() const { return generation_; }
    int BatchDepth() const { return batchDepth_; }

    static std::set<SharedTable*>& DueCheckpoints() {
        static std::set<SharedTable*> due;
        return due;
    }

    // Writes the log into the file. Inside a batch it waits for the batch's end.
    bool Checkpoint() {
        if (batchDepth_ > 0)
            return false;
        int logged = 0, written = 0;
        const int rc = sqlite3_wal_checkpoint_v2(conn_->db->get(), "main",
                                                 SQLITE_CHECKPOINT_PASSIVE, &logged, &written);
        conn_->db->Check(rc, "checkpoint");
        return true;
    }

  private:
    struct Order {
        int field;
        std::vector<std::uint32_t> perm;
        std::uint64_t builtFor;
    };

    static std::map<std::string, std::weak_ptr<SharedTable>>& Registry() {
        static std::map<std::string, std::weak_ptr<SharedTable>> registry;
        return registry;
    }

    static std::string SavepointName(int level) { return "batch" + std::to_string(level); }

    void NoteBroken(const std::exception& e) noexcept {
        if (!broken_.empty())
            return;
        const std::string what = e.what();
        broken_ = what.starts_with(path_.string()) ? what : path_.string() + ": " + what;
    }

    // Versions come from one process-wide counter, so that a table loaded afresh never repeats a
    // version that an earlier copy of it had.
    void Changed() {
        static std::uint64_t counter = 0;
        version_ = ++counter;
    }

    // Secondary orders sort by their field, then by the primary order (a stable sort of rows that
    // are already in primary order); they are rebuilt after the rows changed.
    const std::vector<std::uint32_t>& Permutation(int order) {
        Order& o = orders_[std::size_t(order)];
        if (o.builtFor == version_ && o.perm.size() == rows_.size())
            return o.perm;
        o.perm.resize(rows_.size());
        for (std::size_t i = 0; i < o.perm.size(); ++i)
            o.perm[i] = std::uint32_t(i);
        const auto field = std::size_t(o.field);
        const FieldKind kind = def_.fields[field].kind;
        std::stable_sort(o.perm.begin(), o.perm.end(), [&](std::uint32_t a, std::uint32_t b) {
            return CompareCells(rows_[a].Cell(fieldCount_, field),
                                rows_[b].Cell(fieldCount_, field), kind) < 0;
        });
        o.builtFor = version_;
        return o.perm;
    }

    std::size_t UpperBoundOfKey(const std::vector<std::string>& cells) const {
        const auto field = std::size_t(keyField_);
        const FieldKind kind = def_.fields[field].kind;
        const auto it = std::upper_bound(
            rows_.begin(), rows_.end(), cells[field], [&](const std::string& key, const Row& row) {
                return CompareCells(key, row.Cell(fieldCount_, field), kind) < 0;
            });
        return std::size_t(it - rows_.begin());
    }

    // Binds the cells without copies: they stay unchanged until the statement has run. Most text
    // is plain ASCII, the same in UTF-8; only the rest is converted, into buffers kept between
    // rows.
    void Bind(sqlite::Statement& s, const std::vector<std::string>& cells, int first) {
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

    // Runs one write. Outside a batch it commits at once, after picking up what other programs
    // wrote. Should SQLite give up a batch's transaction on a failure (it does so for a full disk,
    // for instance), the shared rows are restored and the rest of the batch refused.
    template <class F>
    void Write(F&& write) {
        CheckWritable();
        if (lostBatch_) {
            throw StoreError(path_.string() + ": the batch was rolled back after a failure");
        }
        SyncWithDisk(false);
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

    // One open of the file, with the statements the writes use.
    struct Connection {
        std::unique_ptr<sqlite::Database> db;
        // Declared after db: statements go before their connection.
        std::optional<sqlite::Statement> insert, update, deleteAll, dataVersion;
        std::string selectSql;
        FileIdentity identity;

        std::int64_t DataVersion() {
            dataVersion->Reset();
            const std::int64_t v = dataVersion->Step() ? dataVersion->ColumnInt(0) : 0;
            dataVersion->Reset();
            return v;
        }
    };

    std::int64_t DataVersion() { return conn_->DataVersion(); }

    // (Re)opens the file and loads its rows; on failure the table stays as it was.
    void Connect() {
        auto c = std::make_unique<Connection>();
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
        }
        CheckLayout(db);
        const std::string table = QuoteSqlName(SqlTableName(def_));
        std::string columns, marks, sets;
        for (std::size_t i = 0; i < fieldCount_; ++i) {
            const std::string name = QuoteSqlName(def_.fields[i].name);
            columns += (i ? ", " : "") + name;
            marks += i ? ", ?" : "?";
            sets += (i ? ", " : "") + name + " = ?";
        }
        c->selectSql = "SELECT rowid, " + columns + " FROM " + table + " ORDER BY rowid";
        c->dataVersion.emplace(db.Prepare("PRAGMA data_version"));
        if (!readOnly_) {
            c->insert.emplace(
                db.Prepare("INSERT INTO " + table + " (" + columns + ") VALUES (" + marks + ")"));
            c->update.emplace(db.Prepare("UPDATE " + table + " SET " + sets + " WHERE rowid = ?"));
            c->deleteAll.emplace(db.Prepare("DELETE FROM " + table));
        }
        Load(*c);
        conn_ = std::move(c);
    }

    // The file must hold the SQL table with every field; SQLite reports a file that is no
    // database at the first query.
    void CheckLayout(sqlite::Database& db) {
        auto info = db.Prepare("PRAGMA table_info(" + QuoteSqlName(SqlTableName(def_)) + ")");
        std::vector<std::string> present;
        while (info.Step())
            present.emplace_back(info.ColumnText(1));
        if (present.empty()) {
            throw StoreError(path_.string() + ": not a table (it holds no table " +
                             Quoted(SqlTableName(def_)) + ")");
        }
        for (const FieldDef& f : def_.fields) {
            const bool found =
                std::any_of(present.begin(), present.end(),
                            [&](const std::string& p) { return SameName(p, f.name); });
            if (!found) {
                throw StoreError(path_.string() + ": not a " + Quoted(def_.fileName) +
                                 " table (it lacks the field " + Quoted(f.name) + ")");
            }
        }
    }

    // After each commit to the log: due to be written into the file once it is long enough, at
    // once when it is far too long.
    static int LogGrew(void* self, sqlite3* db, const char* name, int pages) {
        auto* table = static_cast<SharedTable*>(self);
        if (pages >= kCheckpointNowPages)
            return sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        if (pages >= kCheckpointDuePages)
            DueCheckpoints().insert(table);
        return SQLITE_OK;
    }

    void Load() { Load(*conn_); }

    // Reads every row into memory, converting the text to Windows-1252 in place; on failure the
    // rows stay as they were.
    void Load(Connection& c) {
        const std::int64_t dataVersion = c.DataVersion();
        const std::int64_t generation = c.db->QueryInt("PRAGMA user_version");
        auto select = c.db->Prepare(c.selectSql);
        sqlite3_stmt* s = select.get();
        Arena arena;
        std::vector<Row> rows;
        rows.reserve(rows_.size());
        std::vector<const char*> text(fieldCount_);
        std::vector<std::size_t> bytes(fieldCount_);
        const std::size_t header = 4 * fieldCount_;
        while (select.Step()) {
            std::size_t total = 0;
            for (std::size_t i = 0; i < fieldCount_; ++i) {
                text[i] = reinterpret_cast<const char*>(sqlite3_column_text(s, int(i) + 1));
                bytes[i] = text[i] ? std::size_t(sqlite3_column_bytes(s, int(i) + 1)) : 0;
                total += bytes[i];
            }
            // Windows-1252 never takes more bytes than UTF-8, so the room reserved suffices.
            char* data = arena.Reserve(header + total);
            std::size_t used = 0;
            for (std::size_t i = 0; i < fieldCount_; ++i) {
                used += ConvertCell(s, i, {text[i], bytes[i]}, data + header + used);
                Row::SetEnd(data, i, used);
            }
            arena.Use(header + used);
            rows.emplace_back(sqlite3_column_int64(s, 0), data);
        }
        // Rows come in row id order, which is key order for an integer key (the key is the row
        // id); a text key is sorted here, in Windows-1252 order rather than UTF-8's.
        if (keyField_ >= 0 && def_.fields[std::size_t(keyField_)].kind != FieldKind::Integer) {
            const auto field = std::size_t(keyField_);
            const FieldKind kind = def_.fields[field].kind;
            const auto less = [&](const Row& a, const Row& b) {
                return CompareCells(a.Cell(fieldCount_, field), b.Cell(fieldCount_, field), kind) <
                       0;
            };
            if (!std::is_sorted(rows.begin(), rows.end(), less)) {
                std::stable_sort(rows.begin(), rows.end(), less);
            }
        }
        rows_ = std::move(rows);
        arena_ = std::move(arena);
        dataVersion_ = dataVersion;
        generation_ = generation;
        Changed();
    }

    std::size_t ConvertCell(sqlite3_stmt* s, std::size_t field, std::string_view utf8,
                            char* out) const {
        try {
            return FromUtf8Into(utf8, out);
        } catch (const StoreError& e) {
            throw StoreError(path_.string() + ": row " +
                             std::to_string(sqlite3_column_int64(s, 0)) + ", field " +
                             Quoted(def_.fields[field].name) + ": " + e.what());
        }
    }

    const TableDef& def_;
    const std::filesystem::path path_;
    const bool readOnly_;
    const std::size_t fieldCount_;
    const int keyField_;  // the primary key's field, -1 for tables without a key

    std::unique_ptr<Connection> conn_;
    std::int64_t dataVersion_ = 0;
    std::int64_t generation_ = 0;  // of the last joint batch that wrote the file (its user version)

    std::vector<Row> rows_;
    Arena arena_;  // the bytes of the rows loaded from the file and of those appended since
    std::vector<std::string> utf8_ = std::vector<std::string>(fieldCount_);  // Bind's buffers
    std::vector<Order> orders_;
    std::uint64_t version_ = 0;

    int batchDepth_ = 0;
    bool lostBatch_ = false;
    std::string broken_;
};

// One handle's cursor and its pending row. The Bof/Eof flags follow the usual data-set rules:
// First sets Bof, Last sets Eof, a move that cannot go on sets the flag of its direction and any
// move that succeeds clears them.
struct Table::Cursor {
    enum class Mode { Browse, Append, Edit };

    explicit Cursor(SharedTable& t) : table(t) {}

    SharedTable& table;
    int order = -1;
    bool active = false;
    bool exclusive = false;
    std::size_t pos = 0;
    std::int64_t rowId = 0;
    std::uint64_t seenVersion = 0;
    bool bof = true, eof = true;
    bool onRow = false;  // the table had rows when the cursor was last placed

    Mode mode = Mode::Browse;
    std::vector<std::string> pending;
    bool modified = false;
    std::int64_t editId = 0;

    [[noreturn]] void Fail(const std::string& cause) const {
        throw StoreError(table.Path().string() + ": " + cause);
    }

    void CheckActive() const {
        if (!active)
            Fail("the table is not open");
    }

    int Field(std::string_view name) const {
        const int f = FieldIndex(table.Def(), name);
        if (f < 0) {
            throw StoreError("no such field " + Quoted(name) + " in " +
                             Quoted(table.Path().string()));
        }
        return f;
    }

    bool HasRow() const { return table.Size() > 0; }

    void Place(std::size_t p) {
        pos = p;
        onRow = HasRow();
        rowId = onRow ? table.At(order, pos).Id() : 0;
        seenVersion = table.Version();
    }

    // Brings the cursor up to the shared rows: it stays on its row while that row exists,
    // otherwise it keeps its position as far as the rows reach.
    void Sync() {
        CheckActive();
        table.CheckUsable();
        if (seenVersion == table.Version())
            return;
        const std::size_t n = table.Size();
        if (n == 0) {
            bof = eof = true;
            Place(0);
        } else if (!onRow) {  // rows arrived in an empty table: stand on the first
            bof = true;
            eof = false;
            Place(0);
        } else if (pos < n && table.At(order, pos).Id() == rowId) {
            seenVersion = table.Version();
        } else if (const auto found = table.PositionOf(order, rowId)) {
            Place(*found);
        } else {
            Place(std::min(pos, n - 1));
        }
    }

    // Leaves the pending row as the data-set rules do before any other operation: a changed row
    // is posted, an unchanged one dropped.
    void CheckBrowse() {
        if (mode == Mode::Browse)
            return;
        if (modified) {
            Post();
        } else {
            Cancel();
        }
    }

    // The pending cells keep their buffers for the next row: a search appends thousands.
    void Cancel() {
        mode = Mode::Browse;
        modified = false;
    }

    void Post() {
        if (mode == Mode::Browse)
            return;
        Sync();
        const auto written = mode == Mode::Append
                                 ? table.Insert(pending)
                                 : table.Update(editId, pending, order < 0 ? pos : 0);
        Cancel();
        Place(order < 0 ? written.pos : table.PositionOf(order, written.id).value_or(0));
        bof = eof = false;
    }

    void First() {
        CheckBrowse();
        Sync();
        Place(0);
        bof = true;
        eof = !HasRow();
    }

    void Last() {
        CheckBrowse();
        Sync();
        Place(HasRow() ? table.Size() - 1 : 0);
        eof = true;
        bof = !HasRow();
    }

    int MoveBy(int n) {
        CheckBrowse();
        Sync();
        if (n == 0 || (n > 0 && eof) || (n < 0 && bof))
            return 0;
        bof = eof = false;
        if (!HasRow()) {
            bof = eof = true;
            return 0;
        }
        const auto last = std::int64_t(table.Size()) - 1;
        std::int64_t target = std::int64_t(pos) + n;
        if (target > last) {
            target = last;
            eof = true;
        } else if (target < 0) {
            target = 0;
            bof = true;
        }
        const int moved = int(target - std::int64_t(pos));
        Place(std::size_t(target));
        return moved;
    }

    void GoTo(std::size_t p) {
        Place(p);
        bof = eof = false;
    }

    int KeyField() const {
        const int field = table.KeyField(order);
        if (field < 0)
            Fail("the table has no key");
        return field;
    }

    // The key text in the form the rows hold it; nothing when it is no value of the key's type.
    std::optional<std::string> KeyCell(std::string_view text) const {
        if (table.Def().fields[std::size_t(KeyField())].kind != FieldKind::Integer) {
            return std::string(text);
        }
        const auto n = ParseInteger(text);
        if (!n)
            return std::nullopt;
        return std::to_string(*n);
    }

    bool FindKey(std::string_view text) {
        CheckBrowse();
        Sync();
        const int field = KeyField();
        const auto key = KeyCell(text);
        if (!key)
            return false;
        const std::size_t p = table.LowerBound(order, *key);
        if (p >= table.Size() || table.CellAt(order, p, field) != *key)
            return false;
        GoTo(p);
        return true;
    }

    void GotoNearest(std::string_view text) {
        CheckBrowse();
        Sync();
        const int field = KeyField();
        if (!HasRow())
            return;
        std::optional<std::string> key = KeyCell(text);
        if (!key) {
            // A blank goes before every number; any other text is no number at all.
            if (!Trim(text).empty()) {
                Fail(Quoted(text) + " is no value of the key field " +
                     Quoted(table.Def().fields[std::size_t(field)].name));
            }
            key = "";
        }
        GoTo(std::min(table.LowerBound(order, *key), table.Size() - 1));
    }

    std::string_view Value(int field) {
        Sync();
        if (mode != Mode::Browse)
            return pending[std::size_t(field)];
        if (!HasRow())
            return {};
        return table.CellAt(order, pos, field);
    }

    void StartEdit(Mode m) {
        CheckBrowse();
        Sync();
        table.CheckWritable();
        if (m == Mode::Edit && !HasRow())
            m = Mode::Append;  // nothing to edit: a new row
        const std::size_t n = table.FieldCount();
        pending.resize(n);
        if (m == Mode::Append) {
            for (std::string& cell : pending)
                cell.clear();
        } else {
            const Row& row = table.At(order, pos);
            for (std::size_t i = 0; i < n; ++i)
                pending[i].assign(row.Cell(n, i));
            editId = rowId;
        }
        mode = m;
        modified = false;
    }

    // The field whose pending cell SetField sets.
    std::size_t PendingField(std::string_view name) const {
        CheckActive();
        const int field = Field(name);
        if (mode == Mode::Browse)
            Fail("the table is not in edit or append mode");
        return std::size_t(field);
    }

    // Assigns into the cell, which keeps its buffer; the text may be a view of the cell itself.
    void Set(std::string_view name, std::string_view value) {
        const std::size_t field = PendingField(name);
        std::string& cell = pending[field];
        const FieldDef& def = table.Def().fields[field];
        if (def.kind != FieldKind::Integer) {
            cell.assign(value);
        } else if (IsBlank(value)) {
            cell.clear();
        } else if (const auto n = ParseInteger(value)) {
            AssignDecimal(cell, *n);
        } else {
            Fail(Quoted(value) + " is no integer (field " + Quoted(def.name) + ")");
        }
        modified = true;
    }

    // A number is its decimal text in any field.
    void Set(std::string_view name, std::int64_t value) {
        AssignDecimal(pending[PendingField(name)], value);
        modified = true;
    }

    static bool IsBlank(std::string_view text) {
        return std::all_of(text.begin(), text.end(),
                           [](char c) { return static_cast<unsigned char>(c) <= 32; });
    }

    static void AssignDecimal(std::string& cell, std::int64_t value) {
        char digits[24];
        const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
        cell.assign(digits, end);
    }
};

Table::Table(std::string_view fileName, std::string_view indexName, std::filesystem::path dir)
    : shared_(SharedTable::Get(dir, fileName)), cursor_(std::make_unique<Cursor>(*shared_)) {
    cursor_->order = shared_->OrderFor(indexName);
    Open();
}

Table::~Table() = default;
Table::Table(Table&&) noexcept = default;
Table& Table::operator=(Table&&) noexcept = default;

const TableDef& Table::Def() const {
    return shared_->Def();
}
const std::filesystem::path& Table::Path() const {
    return shared_->Path();
}

void Table::Open() {
    if (cursor_->active)
        return;
    shared_->SyncWithDisk(true);
    if (cursor_->exclusive)
        shared_->ProbeExclusive();
    cursor_->active = true;
    cursor_->seenVersion = 0;
    cursor_->First();
}

void Table::Close() {
    cursor_->Cancel();
    cursor_->active = false;
}

bool Table::Active() const {
    return cursor_->active;
}

void Table::SetExclusive(bool exclusive) {
    if (cursor_->active)
        cursor_->Fail("close the table before changing its exclusive use");
    cursor_->exclusive = exclusive;
}

bool Table::Exclusive() const {
    return cursor_->exclusive;
}

void Table::EmptyTable() {
    cursor_->Cancel();
    cursor_->Sync();
    shared_->DeleteAll();
    cursor_->Sync();
}

void Table::First() {
    cursor_->First();
}
void Table::Prior() {
    cursor_->MoveBy(-1);
}
void Table::Next() {
    cursor_->MoveBy(1);
}
void Table::Last() {
    cursor_->Last();
}
int Table::MoveBy(int n) {
    return cursor_->MoveBy(n);
}

bool Table::Bof() const {
    cursor_->Sync();
    return cursor_->bof;
}

bool Table::Eof() const {
    cursor_->Sync();
    return cursor_->eof;
}

bool Table::IsEmpty() const {
    cursor_->Sync();
    return !cursor_->HasRow();
}

bool Table::FindKey(std::string_view text) {
    return cursor_->FindKey(text);
}
void Table::GotoNearest(std::string_view text) {
    cursor_->GotoNearest(text);
}

std::string Table::FieldAsString(std::string_view fieldName) const {
    return std::string(FieldView(fieldName));
}

std::int64_t Table::FieldAsInteger(std::string_view fieldName) const {
    return ParseInteger(FieldView(fieldName)).value_or(0);
}

std::string_view Table::FieldView(std::string_view fieldName) const {
    cursor_->CheckActive();
    return cursor_->Value(cursor_->Field(fieldName));
}

void Table::Append() {
    cursor_->StartEdit(Cursor::Mode::Append);
}
void Table::Edit() {
    cursor_->StartEdit(Cursor::Mode::Edit);
}

void Table::SetField(std::string_view fieldName, std::string_view text) {
    cursor_->Set(fieldName, text);
}

void Table::SetField(std::string_view fieldName, std::int64_t value) {
    cursor_->Set(fieldName, value);
}

void Table::Post() {
    cursor_->CheckActive();
    cursor_->Post();
}

void Table::Cancel() {
    cursor_->Cancel();
}
bool Table::Editing() const {
    return cursor_->mode != Cursor::Mode::Browse;
}

int Table::RecNo() const {
    cursor_->Sync();
    return cursor_->HasRow() ? int(cursor_->pos) + 1 : 0;
}

void Table::MoveTo(int recNo) {
    cursor_->CheckBrowse();
    cursor_->Sync();
    if (!cursor_->HasRow())
        return;
    const int last = int(shared_->Size());
    cursor_->GoTo(std::size_t(std::clamp(recNo, 1, last) - 1));
}

int Table::RowCount() const {
    cursor_->Sync();
    return int(shared_->Size());
}

std::string Table::CellAsString(int recNo, int fieldIndex) const {
    return std::string(CellView(recNo, fieldIndex));
}

std::string_view Table::CellView(int recNo, int fieldIndex) const {
    cursor_->Sync();
    if (recNo < 1 || recNo > int(shared_->Size()) || fieldIndex < 0 ||
        fieldIndex >= int(shared_->FieldCount())) {
        return {};
    }
    return shared_->CellAt(cursor_->order, std::size_t(recNo - 1), fieldIndex);
}

void Table::Refresh() {
    cursor_->CheckBrowse();
    cursor_->CheckActive();
    shared_->SyncWithDisk(true);
    cursor_->Sync();
}

std::uint64_t Table::DataVersion() const {
    return shared_->Version();
}

Table::Batch::Batch(Table& table) : shared_(table.shared_), level_(shared_->BeginBatch()) {}

Table::Batch::Batch(Table& first, Table& second) : shared_(first.shared_), second_(second.shared_) {
    const std::string both = shared_->Path().string() + " and " + second_->Path().string();
    if (shared_ == second_)
        throw StoreError(both + ": a pair is two tables");
    if (shared_->BatchDepth() > 0 || second_->BatchDepth() > 0)
        throw StoreError(both + ": a batch over both must begin before any batch on either");
    level_ = shared_->BeginBatch();
    try {
        second_->BeginBatch();
    } catch (...) {
        shared_->RollbackBatch(level_);
        throw;
    }
}

Table::Batch::~Batch() {
    if (done_)
        return;
    if (second_)
        second_->RollbackBatch(1);
    shared_->RollbackBatch(level_);
}

void Table::Batch::Commit() {
    if (done_)
        return;
    done_ = true;
    if (!second_) {
        shared_->CommitBatch(level_);
        return;
    }
    // A number neither file has, also where the numbers wrap: the pair reads as written together
    // only when both carry it.
    const std::int64_t first = shared_->Generation(), second = second_->Generation();
    std::int64_t generation = std::max(first, second);
    do
        generation = generation % INT32_MAX + 1;
    while (generation == first || generation == second);
    try {
        shared_->CommitStamped(generation);
    } catch (...) {
        second_->RollbackBatch(1);
        throw;
    }
    second_->CommitStamped(generation);
}

bool Table::CommittedTogether(const Table& first, const Table& second) {
    first.cursor_->Sync();
    second.cursor_->Sync();
    first.shared_->SyncWithDisk(false);
    second.shared_->SyncWithDisk(false);
    return first.shared_->Generation() == second.shared_->Generation();
}

bool CheckpointsDue() {
    return !SharedTable::DueCheckpoints().empty();
}

void RunDueCheckpoints() {
    auto& due = SharedTable::DueCheckpoints();
    const std::vector<SharedTable*> tables(due.begin(), due.end());
    std::exception_ptr failure;
    for (SharedTable* table : tables) {
        // Off the list first: a failure is reported once, and the next commit to the log that
        // grows it puts the table back.
        due.erase(table);
        try {
            if (!table->Checkpoint())
                due.insert(table);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

}  // namespace veloria::store
