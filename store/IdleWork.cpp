#include <exception>
#include <vector>

#include "store/SharedTable.h"
#include "store/Table.h"

// What the table engine does when the program finds time: the checkpoints of the logs and the
// emptyings made ahead.
namespace veloria::store {
namespace {

// A table's write-ahead log is due to be written into its file (checkpointed) once it holds this
// many pages, SQLite's own default; the program does it when it finds time (RunIdleWork).
// A log that grows to the second figure without the program finding any is written at once.
constexpr int kCheckpointDuePages = 1000;
constexpr int kCheckpointNowPages = 16384;

// A table emptied and refilled has its next emptying made ahead when it holds this many rows: in
// a smaller one the emptying costs next to nothing, and its write lock is left free.
constexpr std::size_t kEmptyAheadRows = 1000;

}  // namespace

std::set<SharedTable*>& SharedTable::DueCheckpoints() {
    static std::set<SharedTable*> due;
    return due;
}

std::set<SharedTable*>& SharedTable::DueEmptyings() {
    static std::set<SharedTable*> due;
    return due;
}

bool SharedTable::Checkpoint() {
    if (batchDepth_ > 0 || emptied_)
        return false;
    int logged = 0, written = 0;
    sqlite::Database& db = *conn_->db;
    const int rc =
        sqlite3_wal_checkpoint_v2(db.get(), "main", SQLITE_CHECKPOINT_PASSIVE, &logged, &written);
    db.Check(rc, "checkpoint");
    // A log written into the file whole starts again at the next commit, which first waits for
    // the disk to have the log's new header. That wait is taken here, by a commit that changes
    // nothing, not in the next write the user waits for (a search after a large one).
    if (logged > 0 && written == logged) {
        db.SetBusyTimeout(0);
        try {
            db.Exec("BEGIN IMMEDIATE");
            db.Exec("PRAGMA user_version = " + std::to_string(db.QueryInt("PRAGMA user_version")));
            db.Exec("COMMIT");
        } catch (const StoreError&) {
            // Another program writes: the log starts again at its commit.
            if (db.InTransaction())
                db.Exec("ROLLBACK");
        }
        db.SetBusyTimeout(kBusyTimeoutMs);
    }
    return true;
}

bool SharedTable::PrepareEmptying() noexcept {
    if (batchDepth_ > 0 || DueCheckpoints().count(this) > 0)
        return false;
    if (emptied_ || readOnly_ || !walMode_ || rows_.size() < kEmptyAheadRows || !broken_.empty() ||
        conn_->db->InTransaction()) {
        return true;
    }
    sqlite::Database& db = *conn_->db;
    try {
        // Never waits for another program: the emptying is then left to the search.
        db.SetBusyTimeout(0);
        db.Exec("BEGIN IMMEDIATE");
        db.SetBusyTimeout(kBusyTimeoutMs);
        conn_->deleteAll->Run();
        emptied_ = true;
    } catch (...) {
        try {
            db.SetBusyTimeout(kBusyTimeoutMs);
            if (db.InTransaction())
                db.Exec("ROLLBACK");
        } catch (...) {
        }
    }
    return true;
}

void SharedTable::TakeEmptying() {
    CheckWritable();
    emptied_ = false;
    if (batchDepth_ > 0)
        return;
    try {
        conn_->db->Exec("COMMIT");
    } catch (const StoreError&) {
        try {
            if (conn_->db->InTransaction())
                conn_->db->Exec("ROLLBACK");
        } catch (const StoreError& e) {
            NoteBroken(e);
        }
        throw;
    }
}

void SharedTable::UndoEmptying() {
    if (!emptied_)
        return;
    emptied_ = false;
    DueEmptyings().insert(this);  // the next time the program finds time
    conn_->db->Exec("ROLLBACK");
    if (batchDepth_ == 0)
        return;
    try {
        conn_->db->Exec("BEGIN IMMEDIATE");
    } catch (const StoreError&) {
        lostBatch_ = true;
        throw;
    }
}

int SharedTable::LogGrew(void* self, sqlite3* db, const char* name, int pages) {
    auto* table = static_cast<SharedTable*>(self);
    if (pages >= kCheckpointNowPages)
        return sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    if (pages >= kCheckpointDuePages)
        DueCheckpoints().insert(table);
    return SQLITE_OK;
}

bool IdleWorkDue() {
    return !SharedTable::DueCheckpoints().empty() || !SharedTable::DueEmptyings().empty();
}

void RunIdleWork() {
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
    // After the checkpoints: a table's transaction would hold its log back.
    auto& emptyings = SharedTable::DueEmptyings();
    const std::vector<SharedTable*> emptied(emptyings.begin(), emptyings.end());
    for (SharedTable* table : emptied) {
        if (table->PrepareEmptying())
            emptyings.erase(table);
    }
    if (failure)
        std::rethrow_exception(failure);
}

}  // namespace veloria::store
