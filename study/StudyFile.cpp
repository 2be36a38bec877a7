#include "study/StudyFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

namespace veloria::study {
namespace fs = std::filesystem;
using store::StoreError;
using store::sqlite::Database;
using store::sqlite::SqliteError;

namespace {

// The schema, one step per version: step i brings a file of version i to version i + 1, and step
// 0 makes a new file. A new version appends a step; a released step never changes, so that every
// file, however old, is brought up the same way.
constexpr std::array<std::string_view, 1> kMigrations = {
    R"sql(
CREATE TABLE setting (
    name TEXT PRIMARY KEY NOT NULL,
    value NOT NULL
) WITHOUT ROWID;

CREATE TABLE remembered_search (
    id INTEGER PRIMARY KEY CHECK (id = 1),
    query TEXT NOT NULL,
    mode TEXT NOT NULL CHECK (mode IN ('any order', 'exact phrase')),
    exact_word INTEGER NOT NULL,
    volumes TEXT NOT NULL,
    hit_count INTEGER NOT NULL,
    current_row INTEGER NOT NULL
);

CREATE TABLE history (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    query TEXT NOT NULL,
    mode TEXT NOT NULL CHECK (mode IN ('any order', 'exact phrase')),
    exact_word INTEGER NOT NULL,
    volumes TEXT NOT NULL,
    hit_count INTEGER NOT NULL,
    ran_at INTEGER NOT NULL,
    UNIQUE (query, mode, exact_word, volumes)
);

CREATE TABLE bookmark (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    book TEXT NOT NULL CHECK (book IN ('T', 'E', 'M', 'P', 'S')),
    numero INTEGER NOT NULL,
    reference TEXT NOT NULL,
    note TEXT NOT NULL,
    created INTEGER NOT NULL,
    updated INTEGER NOT NULL,
    UNIQUE (book, numero)
);
)sql",
};

constexpr int kLatestVersion = int(kMigrations.size());

// The schema as the migrations make it: name and SQL of every table and index.
std::vector<std::pair<std::string, std::string>> SchemaOf(Database& db) {
    std::vector<std::pair<std::string, std::string>> schema;
    auto s = db.Prepare(
        "SELECT name, coalesce(sql, '') FROM sqlite_schema WHERE name NOT LIKE 'sqlite_%' "
        "ORDER BY name");
    while (s.Step())
        schema.emplace_back(s.ColumnText(0), s.ColumnText(1));
    return schema;
}

void Migrate(Database& db, int from) {
    Transaction t(db);
    for (int v = from; v < kLatestVersion; ++v)
        db.Exec(kMigrations[std::size_t(v)]);
    db.Exec("PRAGMA application_id = " + std::to_string(kApplicationId));
    db.Exec("PRAGMA user_version = " + std::to_string(kLatestVersion));
    t.Commit();
}

// Every table and index a new file would have, as it would have it: a file edited by hand or by
// another version that kept our number is not taken for ours.
bool HasOurSchema(Database& db) {
    static const auto expected = [] {
        Database fresh(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY);
        Migrate(fresh, 0);
        return SchemaOf(fresh);
    }();
    const auto actual = SchemaOf(db);
    for (const auto& object : expected) {
        if (std::find(actual.begin(), actual.end(), object) == actual.end())
            return false;
    }
    return true;
}

// Readies an opened file; the reason to set it aside when it cannot be used as it is.
std::optional<SetAsideReason> Ready(Database& db, Check check) {
    // Held from the first read to the close: the program is the file's only user, and a second
    // one (another instance started elsewhere) is refused rather than left to interleave.
    db.Exec("PRAGMA locking_mode = EXCLUSIVE");
    db.SetBusyTimeout(1000);
    if (sqlite3_db_readonly(db.get(), "main") == 1)
        throw StoreError(db.path().string() + ": " +
                         store::sqlite::DescribeResult(SQLITE_READONLY));

    const std::int64_t applicationId = db.QueryInt("PRAGMA application_id");  // reads the header
    const std::int64_t version = db.QueryInt("PRAGMA user_version");
    const bool empty = db.QueryInt("SELECT count(*) FROM sqlite_schema") == 0;
    const bool fresh = applicationId == 0 && version == 0 && empty;
    if (!fresh) {
        if (applicationId != kApplicationId)
            return SetAsideReason::Foreign;
        if (check == Check::AtOpening && db.QueryText("PRAGMA quick_check") != "ok")
            return SetAsideReason::Damaged;
        if (version > kLatestVersion)
            return SetAsideReason::Newer;
        if (version < 1)
            return SetAsideReason::Damaged;
    }

    // A write-ahead log: a commit appends to the log, so a kill at any moment leaves the last
    // commit or the one before, and the log is synced at every commit so that nothing committed
    // is lost to a power failure either. One sync a commit (a rollback journal takes two).
    if (db.QueryText("PRAGMA journal_mode = WAL") != "wal")
        throw StoreError(db.path().string() + ": cannot keep a write-ahead log");
    db.Exec("PRAGMA synchronous = FULL");
    if (version < kLatestVersion) {
        try {
            Migrate(db, int(version));
        } catch (const SqliteError& e) {
            // A table the step expects is not there, or one it makes already is: the file was
            // changed by other hands. A full disk and the like stay errors.
            if ((e.code() & 0xFF) != SQLITE_ERROR)
                throw;
            return SetAsideReason::Damaged;
        }
    }
    if (!HasOurSchema(db))
        return SetAsideReason::Damaged;
    // What the start reads before the check of every page is due; small tables.
    if (check == Check::Later) {
        for (const char* table : {"setting", "remembered_search"}) {
            if (db.QueryText("PRAGMA quick_check(" + std::string(table) + ")") != "ok")
                return SetAsideReason::Damaged;
        }
    }
    return std::nullopt;
}

std::string_view ReasonWord(SetAsideReason reason) {
    switch (reason) {
        case SetAsideReason::Damaged:
            return "damaged";
        case SetAsideReason::Foreign:
            return "foreign";
        case SetAsideReason::Newer:
            return "newer";
    }
    return "damaged";
}

constexpr std::array<std::string_view, 3> kSideSuffixes = {"-wal", "-shm", "-journal"};

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// "Study.db.damaged-20261209-142233", with "-2", "-3", ... when that name, or a side file of it,
// is taken.
fs::path KeptName(const fs::path& file, SetAsideReason reason) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base =
        file.string() + "." + std::string(ReasonWord(reason)) + "-" + std::string(stamp);
    for (int n = 1;; ++n) {
        const std::string name = n == 1 ? base : base + "-" + std::to_string(n);
        bool taken = Exists(name);
        for (std::string_view suffix : kSideSuffixes)
            taken = taken || Exists(name + std::string(suffix));
        if (!taken)
            return name;
    }
}

void Rename(const fs::path& from, const fs::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0 && errno != ENOENT)
        throw StoreError(from.string() + ": cannot be set aside as " + to.string() + ": " +
                         std::strerror(errno));
}

void SyncDir(const fs::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // durability only: the renames are done either way
        ::close(fd);
    }
}

std::string Message(SetAsideReason reason, const fs::path& file, const fs::path& keptAs) {
    const std::string named = "\"" + file.string() + "\"";
    std::string what;
    switch (reason) {
        case SetAsideReason::Damaged:
            what = "Your study data " + named + " was damaged.";
            break;
        case SetAsideReason::Foreign:
            what = named + " is not Veloria's study data; another program may have written it.";
            break;
        case SetAsideReason::Newer:
            what = "Your study data " + named +
                   " was written by a newer version of Veloria, which this version cannot read.";
            break;
    }
    return what + " It has been kept as \"" + keptAs.string() +
           "\", and a new one has been started: default settings, no bookmarks, no search "
           "history.";
}

// Renames the file aside, its side files first: a stale log or journal must never meet the new
// file that takes the name.
SetAside MoveAside(const fs::path& file, SetAsideReason reason) {
    const fs::path kept = KeptName(file, reason);
    for (std::string_view suffix : kSideSuffixes)
        Rename(file.string() + std::string(suffix), kept.string() + std::string(suffix));
    Rename(file, kept);
    SyncDir(file.parent_path());
    return {reason, file, kept, Message(reason, file, kept)};
}

}  // namespace

int LatestStudyVersion() {
    return kLatestVersion;
}

OpenedStudyFile OpenStudyFile(const fs::path& dir, Check check) {
    const fs::path file = dir / kStudyFileName;
    OpenedStudyFile opened;
    for (;;) {
        opened.db = std::make_unique<Database>(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        std::optional<SetAsideReason> problem;
        try {
            problem = Ready(*opened.db, check);
        } catch (const SqliteError& e) {
            if (!IsDamage(e.code()))
                throw;
            problem = SetAsideReason::Damaged;
        }
        if (!problem)
            return opened;
        opened.db.reset();
        if (opened.setAside)  // the new file itself: nothing more to set aside
            throw StoreError(file.string() + ": a new study file cannot be made");
        opened.setAside = MoveAside(file, *problem);
    }
}

bool IsDamage(int code) {
    return (code & 0xFF) == SQLITE_NOTADB || (code & 0xFF) == SQLITE_CORRUPT;
}

bool PassesCheck(Database& db) {
    try {
        return db.QueryText("PRAGMA quick_check") == "ok";
    } catch (const SqliteError& e) {
        if (!IsDamage(e.code()))
            throw;
        return false;
    }
}

SetAside SetAsideDamaged(const fs::path& file) {
    return MoveAside(file, SetAsideReason::Damaged);
}

Transaction::Transaction(Database& db, Sync sync) : db_(db), sync_(sync) {
    if (sync_ == Sync::Relaxed)
        db_.Exec("PRAGMA synchronous = NORMAL");
    try {
        db_.Exec("BEGIN IMMEDIATE");
    } catch (...) {
        if (sync_ == Sync::Relaxed)
            db_.Exec("PRAGMA synchronous = FULL");
        throw;
    }
}

Transaction::~Transaction() {
    if (!open_)
        return;
    try {
        if (db_.InTransaction())  // SQLite has rolled back itself after some failures
            db_.Exec("ROLLBACK");
        if (sync_ == Sync::Relaxed)
            db_.Exec("PRAGMA synchronous = FULL");
    } catch (const StoreError&) {
        // Already failing: the error that brought us here is the one the caller sees.
    }
}

void Transaction::Commit() {
    db_.Exec("COMMIT");
    open_ = false;
    if (sync_ == Sync::Relaxed)
        db_.Exec("PRAGMA synchronous = FULL");
}

}  // namespace veloria::study
