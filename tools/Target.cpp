#include "tools/Target.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "store/Schema.h"
#include "store/TableFile.h"

namespace veloria::tools {
namespace fs = std::filesystem;
using store::TableDef;

namespace {

// True when inner is outer or lies inside it (both absolute and normal).
bool IsWithin(const fs::path& inner, const fs::path& outer) {
    const auto [o, i] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return o == outer.end();
}

bool IsSqliteFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    char head[16] = {};
    in.read(head, sizeof head);
    return in && std::memcmp(head, "SQLite format 3", 16) == 0;
}

// A folder the builder made: it holds the mark, or (made before the mark existed) every table
// the builder writes, each an SQLite file. A folder of Paradox tables of the same names is not.
bool IsBuiltDirectory(const fs::path& dir) {
    std::error_code ec;
    if (fs::is_regular_file(dir / kDataDirectoryMark, ec))
        return true;
    for (const TableDef& def : store::AllTables()) {
        const fs::path file = store::FindTableFile(dir, def.fileName);
        if (file.empty() || !IsSqliteFile(file))
            return false;
    }
    return true;
}

bool IsEmptyDirectory(const fs::path& dir) {
    std::error_code ec;
    return fs::directory_iterator(dir, ec) == fs::directory_iterator() && !ec;
}

// Whether the process may still be running: a build of a live process is not a leftover.
bool ProcessAlive(pid_t pid) {
    if (pid == ::getpid())
        return false;  // an earlier process of this number, now gone
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

TargetFolder::TargetFolder(const BuildOptions& options, Reporter& reporter)
    : options_(options), reporter_(reporter) {
    // "data/" and "./data" name the folder "data", whose neighbour the new one is built as.
    target_ = fs::absolute(options_.target).lexically_normal();
    if (!target_.has_filename())
        target_ = target_.parent_path();
}

void TargetFolder::Error(const std::string& message) {
    reporter_.Error(target_.string(), 0, {}, message);
}

// The target is refused before anything is read when a build could only do harm there.
bool TargetFolder::Prepare() {
    std::error_code ec;
    const fs::path source = fs::weakly_canonical(fs::absolute(options_.source), ec);
    const fs::path resolved = fs::weakly_canonical(target_, ec);
    if (!ec && !source.empty() && IsWithin(source, resolved)) {
        Error((source == resolved ? std::string("is the source folder")
                                  : "holds the source folder " + source.string()) +
              ": a build replaces all of it and would delete the sources. Name another "
              "folder for the data directory");
        return false;
    }
    const fs::file_status status = fs::symlink_status(target_, ec);
    if (ec || status.type() == fs::file_type::not_found)
        return true;
    if (status.type() == fs::file_type::symlink) {
        Error("is a symbolic link (to " + fs::read_symlink(target_, ec).string() +
              "); it is left as it is. Name the folder it points to");
        return false;
    }
    if (status.type() != fs::file_type::directory) {
        Error("exists and is not a folder; it is left as it is");
        return false;
    }
    if (!IsEmptyDirectory(target_) && !IsBuiltDirectory(target_)) {
        Error("is not empty and is not a data directory made by the builder (it has no \"" +
              std::string(kDataDirectoryMark) +
              "\"); a build replaces everything in it, so it is left as it is. Name a new or "
              "empty folder, or empty this one first");
        return false;
    }
    return true;
}

// A build killed before it finished leaves its folder beside the target (".data.building-PID",
// or "data.old-PID" when it was swapping the old directory out); the next build removes the ones
// whose process is gone. Only folders the builder made are touched.
void TargetFolder::RemoveLeftovers() {
    const std::string name = target_.filename().string();
    const std::string prefixes[] = {"." + name + ".building-", name + ".old-"};
    std::error_code ec;
    std::vector<fs::path> gone;
    for (const auto& entry : fs::directory_iterator(target_.parent_path(), ec)) {
        const std::string entryName = entry.path().filename().string();
        for (const std::string& prefix : prefixes) {
            if (!entryName.starts_with(prefix))
                continue;
            const std::string digits = entryName.substr(prefix.size());
            if (digits.empty() || digits.size() > 9 ||
                digits.find_first_not_of("0123456789") != std::string::npos) {
                continue;
            }
            std::error_code typeEc;
            if (!entry.is_directory(typeEc) || entry.is_symlink(typeEc))
                continue;
            if (ProcessAlive(pid_t(std::stol(digits))))
                continue;
            if (IsEmptyDirectory(entry.path()) || IsBuiltDirectory(entry.path()))
                gone.push_back(entry.path());
        }
    }
    for (const fs::path& dir : gone)
        fs::remove_all(dir, ec);
}

fs::path TargetFolder::MakeBuildingFolder() {
    std::error_code ec;
    fs::create_directories(target_.parent_path(), ec);
    const fs::path building = target_.parent_path() / ("." + target_.filename().string() +
                                                       ".building-" + std::to_string(::getpid()));
    fs::remove_all(building, ec);
    fs::create_directory(building, ec);
    if (ec) {
        reporter_.Error(building.string(), 0, {}, "cannot be created: " + ec.message());
        return {};
    }
    return building;
}

// Puts the built folder in the target's place: swapped with the old one in one step where the
// file system can, so that the target is never missing; otherwise the old one is moved aside
// first and put back if the new one cannot be moved in.
bool TargetFolder::Replace(const fs::path& built) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(target_, ec))) {
        fs::rename(built, target_, ec);
        if (ec)
            Error("cannot be created: " + ec.message());
        return !ec;
    }
    if (::renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) == 0) {
        fs::remove_all(built, ec);  // now the old directory
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        Error(std::string("cannot be replaced: ") + std::strerror(errno));
        return false;
    }
    fs::path old = target_;
    old += ".old-" + std::to_string(::getpid());
    fs::remove_all(old, ec);
    fs::rename(target_, old, ec);
    if (ec) {
        Error("cannot be replaced: " + ec.message());
        return false;
    }
    fs::rename(built, target_, ec);
    if (ec) {
        std::error_code back;
        fs::rename(old, target_, back);
        Error("cannot be replaced: " + ec.message());
        return false;
    }
    fs::remove_all(old, ec);
    return true;
}

}  // namespace veloria::tools
