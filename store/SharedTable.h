#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/Error.h"
#include "store/Rows.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

// The table engine's state of one table file, shared by every handle on it in the process.
// Private to the engine (Table.cpp, SharedTable*.cpp, IdleWork.cpp, TableCursor.cpp).
namespace veloria::store {

inline std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The process-wide state of one table file: its connection and the one copy of its rows that all
// handles share. Rows are kept in primary order: key order for keyed tables, otherwise the order
// of the row ids (the order rows were appended).
class SharedTable {
  public:
    // How long a write waits for another program's write to finish before it reports the table
    // as locked. The probe for exclusive use does not wait.
    static constexpr int kBusyTimeoutMs = 2000;

    SharedTable(const TableDef& def, std::filesystem::path path);

    ~SharedTable() {
        DueCheckpoints().erase(this);
        DueEmptyings().erase(this);
    }
    SharedTable(const SharedTable&) = delete;
    SharedTable& operator=(const SharedTable&) = delete;

    // The table of that file name in dir, loaded once and shared while any handle holds it.
    static std::shared_ptr<SharedTable> Get(const std::filesystem::path& dir,
                                            std::string_view fileName);

    const TableDef& Def() const { return def_; }
    const std::filesystem::path& Path() const { return path_; }
    std::uint64_t Version() const { return version_; }
    std::size_t FieldCount() const { return fieldCount_; }
    std::size_t Size() const { return rows_.size(); }

    // An order a handle may use: -1 the primary order, otherwise one of orders_.
    int OrderFor(std::string_view indexName);

    int KeyField(int order) const { return order < 0 ? keyField_ : orders_[order].field; }

    const Row& At(int order, std::size_t pos) { return RowAt(order, pos); }

    std::string_view CellAt(int order, std::size_t pos, int field) {
        Row& row = RowAt(order, pos);
        if (slot_[std::size_t(field)] < 0)
            return Fetched(row.Id(), field);
        if (!row.Data())
            ReadCellsOf(row);
        return CellOf(row, std::size_t(field));
    }

    // A field's cell in a row of this table whose cells are read; the field is one kept in
    // memory.
    std::string_view CellOf(const Row& row, std::size_t field) const {
        return row.Cell(rowCells_, std::size_t(slot_[field]));
    }

    // Reads the cells of the rows at these positions of an order ahead of their use, for a caller
    // about to read many scattered rows (a search's hits): together, or past a share of the rows
    // all of them.
    void ReadAhead(int order, std::span<const int> positions);

    // Reads fields straight from the file, every row in primary order, for a table whose primary
    // order is the file's (an integer key), in one read transaction that holds the rows as
    // loaded; the file is read afresh first if it changed.
    void ReadFromFile(const std::vector<int>& fields,
                      const std::function<void(std::span<const std::string_view>)>& eachRow);

    // Before the rows are read, a table read on demand whose key is the row id finds a row by its
    // key alone: the program's start shows one sentence of a volume and one tip, and reading the
    // ids of the volume's tens of thousands of rows would take longer than the rest of its data.
    bool ReadsByKey() const { return cellsOnDemand_ && keyField_ >= 0 && !loaded_; }
    // Reads the row of that id by itself (ReadsByKey); false when there is none.
    bool ReadByKey(std::int64_t id);
    // A cell of a row read by its key; the view lives as long as the table.
    std::string_view CellByKey(std::int64_t id, int field);

    // The first position whose key is not less than key (Size() when there is none).
    std::size_t LowerBound(int order, std::string_view key);
    std::optional<std::size_t> PositionOf(int order, std::int64_t id);

    // Makes the rows ready for use: read from the file at their first use, and read again after
    // a failure that left them unlike the file (a rollback that could not reload), which is
    // reported to every later use until a reload succeeds.
    void CheckUsable() {
        if (!loaded_) {
            Load();
            return;
        }
        if (broken_.empty())
            return;
        try {
            // A rollback that failed left its transaction open: later writes would go into it,
            // and the rows read back would be those it meant to undo.
            if (batchDepth_ == 0 && conn_->db->InTransaction())
                conn_->db->Exec("ROLLBACK");
            emptied_ = false;
            Load();
        } catch (const std::exception& e) {
            // What put the rows out of step is what the user needs to know, before the cause of
            // this reload's failure.
            throw StoreError(broken_ + "; reading the table again failed: " + e.what());
        }
        broken_.clear();
    }

    // Picks up what other programs did: a replaced file is reopened, a changed one reloaded.
    // Inside a batch, and with an emptying made ahead, this process holds the write lock, so
    // nothing can have changed but the file itself. Rows not read yet are left for their first
    // use (CheckUsable).
    void SyncWithDisk(bool checkFile);
    void ProbeExclusive();
    void CheckWritable() const;

    struct Written {
        std::int64_t id;
        std::size_t pos;  // in primary order
    };

    // Writes a new row.
    Written Insert(const std::vector<std::string>& cells);

    // Rewrites the row of that id; hint is where it probably stands in primary order.
    Written Update(std::int64_t id, const std::vector<std::string>& cells, std::size_t hint);
    void DeleteAll();
    int BeginBatch();
    void CommitBatch(int level);

    // Undoes the batch in the file and restores the shared rows from it.
    void RollbackBatch(int level) noexcept;

    // The outermost batch's commit, stamping the file with the generation of the joint batch it
    // belongs to (SQLite's user version, in the file's header: written in the same transaction).
    void CommitStamped(std::int64_t generation);

    std::int64_t Generation() const { return generation_; }
    int BatchDepth() const { return batchDepth_; }

    static std::set<SharedTable*>& DueCheckpoints();
    static std::set<SharedTable*>& DueEmptyings();

    // Writes the log into the file. Inside a batch, or with an emptying made ahead, it waits for
    // the end of the transaction.
    bool Checkpoint();

    // Deletes the rows in the file ahead of the next emptying, in a write transaction left open,
    // while the shared rows keep them: the next EmptyTable then costs nothing for the rows it
    // drops, which for a large result would otherwise come before the next search's own work.
    // Other programs still read the rows until that emptying commits, and a program killed
    // meanwhile leaves them in the file. Holding the write lock between searches is what the
    // search's exclusive use of the result table asks for anyway; only a log (WAL) lets readers
    // in while the transaction is open. False while the table's log waits for its checkpoint.
    // Anything that goes wrong leaves the emptying to EmptyTable, where it is reported.
    bool PrepareEmptying() noexcept;

  private:
    struct Order {
        int field;
        bool collated;  // texts in the collation (Collate), not byte by byte
        std::vector<std::uint32_t> perm;
        std::uint64_t builtFor;
    };

    static std::map<std::string, std::weak_ptr<SharedTable>>& Registry();

    static std::string SavepointName(int level) { return "batch" + std::to_string(level); }

    Row& RowAt(int order, std::size_t pos) {
        if (order < 0)
            return rows_[pos];
        return rows_[Permutation(order)[pos]];
    }

    void NoteBroken(const std::exception& e) noexcept;

    // The emptying made ahead becomes this one: inside a batch it is the batch's first write;
    // outside one it commits at once, as any write outside a batch does.
    void TakeEmptying();

    // Gives the file its rows back before any other write. Inside the batch that took over the
    // emptying's transaction, the batch goes on in a transaction of its own, as if it had begun
    // with one; should another program take the lock in between, the batch is refused.
    void UndoEmptying();

    // Versions come from one process-wide counter, so that a table loaded afresh never repeats a
    // version that an earlier copy of it had.
    void Changed();

    // Secondary orders sort by their field, then by the primary order (a stable sort of rows that
    // are already in primary order); they are rebuilt after the rows changed.
    const std::vector<std::uint32_t>& Permutation(int order);
    // Two key values of an order.
    int Compare(int order, std::string_view a, std::string_view b) const;
    std::size_t UpperBoundOfKey(const std::vector<std::string>& cells) const;

    // Binds the cells without copies: they stay unchanged until the statement has run. Most text
    // is plain ASCII, the same in UTF-8; only the rest is converted, into buffers kept between
    // rows.
    void Bind(sqlite::Statement& s, const std::vector<std::string>& cells, int first);

    // Runs one write. Outside a batch it commits at once, after picking up what other programs
    // wrote. Should SQLite give up a batch's transaction on a failure (it does so for a full disk,
    // for instance), the shared rows are restored and the rest of the batch refused.
    template <class F>
    void Write(F&& write);

    // One open of the file, with the statements the writes use.
    struct Connection {
        std::unique_ptr<sqlite::Database> db;
        // Declared after db: statements go before their connection.
        std::optional<sqlite::Statement> insert, update, deleteAll, dataVersion;
        std::map<int, sqlite::Statement> fetch;    // of the fields left in the file
        std::optional<sqlite::Statement> readRow;  // the cells of one row, by its id
        std::string selectSql, idsSql, maxIdSql;
        FileIdentity identity;

        std::int64_t DataVersion() {
            dataVersion->Reset();
            const std::int64_t v = dataVersion->Step() ? dataVersion->ColumnInt(0) : 0;
            dataVersion->Reset();
            return v;
        }
    };

    std::int64_t DataVersion() { return conn_->DataVersion(); }

    // (Re)opens the file and checks its layout, and reads its rows again when they had been read
    // (load); on failure the table stays as it was.
    void Connect(bool load);

    // The file must hold the SQL table with every field; SQLite reports a file that is no
    // database at the first query.
    void CheckLayout(sqlite::Database& db);

    // After each commit to the log: due to be written into the file once it is long enough, at
    // once when it is far too long.
    static int LogGrew(void* self, sqlite3* db, const char* name, int pages);

    // Reads through this process's own transaction: never while it holds an emptying made ahead.
    void Load() {
        UndoEmptying();
        Load(*conn_);
    }

    // Reads every row into memory, converting the text to Windows-1252 in place, or, for a table
    // whose cells are read on demand, the rows' ids; on failure the rows stay as they were.
    void Load(Connection& c);

    // The cells of the row a statement stands on (its row id, then the fields kept in memory),
    // converted into the arena.
    const char* ReadCells(sqlite3_stmt* s, Arena& arena) const;
    // Reads the cells of a row of a table whose cells are read on demand; after a few rows read
    // one by one, those of every row, in one pass.
    void ReadCellsOf(Row& row);
    void ReadOne(Row& row);  // the file unchanged, which the caller checked
    void ReadAllCells();
    // The rows read so far must match the file: throws when another program changed it.
    void CheckUnchanged();

    // Moves what was read by key into early_, at the rows' first reading or the file's reopening.
    void KeepEarlyReads();

    // A field left in the file, read when asked and kept until the rows are read again, so that
    // its view lives as long as those of the fields in memory.
    std::string_view Fetched(std::int64_t id, int field);

    std::size_t ConvertCell(sqlite3_stmt* s, std::size_t field, std::string_view utf8,
                            char* out) const;

    const TableDef& def_;
    const std::filesystem::path path_;
    const bool readOnly_;
    const std::size_t fieldCount_;
    const int keyField_;        // the primary key's field, -1 for tables without a key
    std::size_t rowCells_ = 0;  // the fields kept in memory, the cells of a Row
    std::vector<int> slot_;     // of each field: its cell in a Row, -1 when left in the file
    std::map<std::pair<std::int64_t, int>, std::string> fetched_;  // fields left in the file
    std::vector<std::size_t> fieldOfSlot_;  // of each cell of a Row: its field
    // A large table the program only reads, in the file's order (keyed by an integer or by
    // nothing), loads its rows' ids alone and reads a row's cells when first asked for: the
    // program's start shows one sentence of a volume of tens of thousands.
    bool cellsOnDemand_ = false;
    std::size_t unread_ = 0;       // rows whose cells are not read yet
    std::size_t singleReads_ = 0;  // rows read one by one since the rows were loaded
    // A row read alone costs some thirty times its share of the pass over every row (30 us
    // against 1 us a row of a volume): rows are read alone until they would have paid for that
    // pass, which bounds what is spent at twice the cheaper way, and a search of a few hundred
    // hits in a large volume does not read it whole.
    std::size_t SingleReads() const { return std::max<std::size_t>(64, rows_.size() / 32); }
    // Read together, in one transaction, a row costs some kAheadShare times its share of the
    // pass over every row.
    static constexpr std::size_t kAheadShare = 4;
    static constexpr std::int64_t kReservedRows = std::int64_t(1) << 22;  // at most, before reading
    mutable std::vector<const char*> text_;                               // ReadCells' buffers
    mutable std::vector<std::size_t> bytes_;

    std::unique_ptr<Connection> conn_;
    std::int64_t dataVersion_ = 0;
    std::int64_t generation_ = 0;  // of the last joint batch that wrote the file (its user version)

    std::vector<Row> rows_;
    std::map<std::int64_t, Row> byKey_;  // rows read by their key before the rows were
    // What was read by key before the rows were read, kept as long as the table: its views were
    // handed out before the rows' first reading, which their holder does not see coming.
    std::vector<std::pair<Arena, std::map<std::pair<std::int64_t, int>, std::string>>> early_;
    Arena arena_;  // the bytes of the rows loaded from the file and of those appended since
    std::vector<std::unique_ptr<char[]>> edited_;  // the bytes of the rows rewritten since
    std::vector<std::string> utf8_ = std::vector<std::string>(fieldCount_);  // Bind's buffers
    std::vector<Order> orders_;
    std::uint64_t version_ = 0;

    int batchDepth_ = 0;
    bool lostBatch_ = false;
    // The rows have been read from the file. A table is opened at once, so that a missing or
    // damaged file is reported where the handle is made; its rows are read at their first use,
    // so that the program's start reads only what its first window shows.
    bool loaded_ = false;
    bool walMode_ = false;
    // The rows are deleted in the file, in an open transaction, and not yet in rows_
    // (PrepareEmptying). Only outside a batch or as the outermost batch's transaction.
    bool emptied_ = false;
    std::string broken_;
};

}  // namespace veloria::store
