#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "store/Schema.h"
#include "store/Sqlite.h"

// The study file: one SQLite file in the data directory, apart from the program's tables, that
// keeps what the user makes. It is written with a write-ahead log and a sync at every commit, and
// the connection holds it locked for its whole life (no other connection, no shared-memory file).
namespace veloria::study {

inline constexpr std::string_view kStudyFileName = store::kStudyFile;
// In the file's header (PRAGMA application_id), so that another program's file is recognised.
inline constexpr std::int32_t kApplicationId = 0x56655374;  // "VeSt"

// The schema version this build writes (PRAGMA user_version).
int LatestStudyVersion();

enum class SetAsideReason {
    Damaged,  // not a database, failing its check, of no version we made, or of other tables
    Foreign,  // another program's file
    Newer,    // written by a later version of the program
};

// A study file found unusable at opening: renamed beside itself (with its side files), and a new
// one made in its place.
struct SetAside {
    SetAsideReason reason = SetAsideReason::Damaged;
    std::filesystem::path file;    // the study file
    std::filesystem::path keptAs;  // where the unusable one is now
    std::string message;           // one message for the user, naming both
};

struct OpenedStudyFile {
    std::unique_ptr<store::sqlite::Database> db;
    std::optional<SetAside> setAside;
};

// When the check of every page of the file is made: at the opening, or later, when the caller
// asks (PassesCheck). The check reads the whole file, and a store of ten thousand bookmarks with
// their notes took longer to check than the program takes to show its first window.
enum class Check { AtOpening, Later };

// Opens dir/Study.db for reading and writing, making it when it is missing, and brings an older
// schema up to the latest version. A file that is damaged, foreign or newer is set aside and a
// new one made. Throws StoreError when the folder or the file cannot be written (read-only, disk
// full), when another program holds the file, or when it cannot be set aside.
OpenedStudyFile OpenStudyFile(const std::filesystem::path& dir, Check check = Check::AtOpening);

// What SQLite reports for a file that is no database, or a damaged one.
bool IsDamage(int sqliteCode);

// Whether every page of an opened study file reads as SQLite wrote it.
bool PassesCheck(store::sqlite::Database& db);

// Sets a closed study file found damaged aside, as the opening does (throws StoreError when it
// cannot be renamed).
SetAside SetAsideDamaged(const std::filesystem::path& file);

// One write transaction (BEGIN IMMEDIATE); rolled back unless committed.
class Transaction {
  public:
    enum class Sync {
        Full,  // the commit reaches the disk before Commit returns
        // Committed to the log without waiting for the disk: a killed process loses nothing, a
        // power failure may lose this commit (never an earlier one, never the file). For what is
        // written often and costs little to lose.
        Relaxed,
    };

    explicit Transaction(store::sqlite::Database& db, Sync sync = Sync::Full);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void Commit();

  private:
    store::sqlite::Database& db_;
    Sync sync_;
    bool open_ = true;
};

}  // namespace veloria::study
