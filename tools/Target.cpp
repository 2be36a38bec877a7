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

// The mark's first line; the names of the files the build wrote follow the second.
constexpr std::string_view kMarkText =
    "A Veloria data directory, made by the corpus builder. A new build replaces this whole "
    "folder.\n";
constexpr std::string_view kMarkListHeading = "Written by the builder:";

// A folder the builder made holds its mark. Nothing else proves it: a folder assembled by hand
// from the tables of a built one looks the same, and holds what its owner put beside them.
bool IsBuiltDirectory(const fs::path& dir) {
    std::error_code ec;
    return fs::is_regular_file(dir / kDataDirectoryMark, ec);
}

bool IsPicture(const fs::path& name) {
    std::string ext = name.extension().string();
    for (const char* known : {".bmp", ".jpg", ".jpeg", ".png", ".gif", ".ico", ".svg"}) {
        if (store::SameName(ext, known))
            return true;
    }
    return false;
}

// What a build wrote into dir, by its mark; the program adds the side files of its tables.
class WrittenFiles {
  public:
    explicit WrittenFiles(const fs::path& dir) {
        std::ifstream in(dir / kDataDirectoryMark, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            if (listed_)
                names_.push_back(line);
            else if (line == kMarkListHeading)
                listed_ = true;
        }
    }

    bool Contains(const std::string& name) const {
        if (store::IsUserFile(name))
            return false;
        if (name == kDataDirectoryMark || name == store::kDataDirectoryLock)
            return true;
        std::string_view base = name;
        for (std::string_view suffix : store::kSideFileSuffixes) {
            if (base.ends_with(suffix)) {
                base.remove_suffix(suffix.size());
                break;
            }
        }
        if (listed_)
            return std::find(names_.begin(), names_.end(), base) != names_.end();
        // A mark of a build that did not list its files: what any build writes, a table, the
        // help page or a picture.
        return store::FindTableDef(base) != nullptr || base == "Help.htm" ||
               (base == name && IsPicture(name));
    }

  private:
    bool listed_ = false;
    std::vector<std::string> names_;
};

// The entries of a built folder that no build wrote, by name.
std::vector<std::string> ForeignEntries(const fs::path& dir) {
    const WrittenFiles written(dir);
    std::vector<std::string> foreign;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        std::error_code typeEc;
        const std::string name = entry.path().filename().string();
        if (store::IsUserFile(name) && entry.is_regular_file(typeEc) && !entry.is_symlink(typeEc))
            continue;  // the user's own store, carried over to the new directory
        if (!written.Contains(name) || entry.is_directory(typeEc) || entry.is_symlink(typeEc))
            foreign.push_back(name);
    }
    std::sort(foreign.begin(), foreign.end());
    return foreign;
}

// Removes what a build wrote into dir, the mark last, and dir itself when nothing else is left;
// false when something is.
bool RemoveBuilt(const fs::path& dir) {
    const WrittenFiles written(dir);
    std::error_code ec;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        std::error_code typeEc;
        const std::string name = entry.path().filename().string();
        if (name != kDataDirectoryMark && written.Contains(name) && !entry.is_directory(typeEc) &&
            !entry.is_symlink(typeEc)) {
            files.push_back(entry.path());
        }
    }
    for (const fs::path& file : files)
        fs::remove(file, ec);
    fs::remove(dir / kDataDirectoryMark, ec);
    return fs::remove(dir, ec);
}

// Moves the user's own files (their store, its side files, copies set aside) from one folder to
// another on the same file system, the store before its log so that an interrupted move never
// leaves a log beside the wrong store; what could not be moved stays where it was.
void MoveUserFiles(const fs::path& from, const fs::path& to) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(from, ec)) {
        std::error_code typeEc;
        const std::string name = entry.path().filename().string();
        if (store::IsUserFile(name) && entry.is_regular_file(typeEc) && !entry.is_symlink(typeEc))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());  // "Study.db" before "Study.db-wal"
    for (const std::string& name : names)
        fs::rename(from / name, to / name, ec);
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
    if (IsEmptyDirectory(target_))
        return true;
    if (!IsBuiltDirectory(target_)) {
        Error("is not empty and is not a data directory made by the builder (it has no \"" +
              std::string(kDataDirectoryMark) +
              "\"); a build replaces everything in it, so it is left as it is. Name a new or "
              "empty folder, or empty this one first");
        return false;
    }
    return NothingForeign();
}

// A build replaces only what builds wrote: a file of the user's in a data directory stops it.
bool TargetFolder::NothingForeign() {
    const std::vector<std::string> foreign = ForeignEntries(target_);
    if (foreign.empty())
        return true;
    std::string names;
    for (std::size_t i = 0; i < foreign.size() && i < 5; ++i)
        names += (i ? ", \"" : "\"") + foreign[i] + "\"";
    if (foreign.size() > 5)
        names += " and " + std::to_string(foreign.size() - 5) + " more";
    Error("holds what the builder did not write (" + names +
          "); a build replaces everything in it, so it is left as it is. Move those out of it "
          "first, or name a new or empty folder");
    return false;
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
        RemoveBuilt(dir);
}

fs::path TargetFolder::MakeBuildingFolder() {
    std::error_code ec;
    fs::create_directories(target_.parent_path(), ec);
    const fs::path building = target_.parent_path() / ("." + target_.filename().string() +
                                                       ".building-" + std::to_string(::getpid()));
    if (IsBuiltDirectory(building))
        RemoveBuilt(building);  // of an earlier process of this number
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
    // Checked again: the user may have put something there while the sources were read.
    if (IsBuiltDirectory(target_) && !NothingForeign())
        return false;
    // The user's own store goes into the new directory before it takes the old one's place, so
    // that the directory is never without it; it comes back should the swap fail.
    MoveUserFiles(target_, built);
    fs::path old = target_;
    old += ".old-" + std::to_string(::getpid());
    if (::renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) == 0) {
        // Now the old directory. Should something have come into it at the last moment, it is
        // kept in sight beside the new one.
        if (!RemoveBuilt(built))
            fs::rename(built, old, ec);
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        const int err = errno;
        MoveUserFiles(built, target_);
        Error(std::string("cannot be replaced: ") + std::strerror(err));
        return false;
    }
    if (IsBuiltDirectory(old))
        RemoveBuilt(old);
    fs::rename(target_, old, ec);
    if (ec) {
        MoveUserFiles(built, target_);
        Error("cannot be replaced: " + ec.message());
        return false;
    }
    fs::rename(built, target_, ec);
    if (ec) {
        std::error_code back;
        fs::rename(old, target_, back);
        MoveUserFiles(built, target_);
        Error("cannot be replaced: " + ec.message());
        return false;
    }
    RemoveBuilt(old);
    return true;
}

void WriteMark(const fs::path& dir, bool listFiles) {
    std::string text(kMarkText);
    if (listFiles) {
        text += std::string(kMarkListHeading) + "\n";
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name != kDataDirectoryMark)
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names)
            text += name + "\n";
    }
    std::ofstream mark(dir / kDataDirectoryMark, std::ios::binary | std::ios::trunc);
    mark << text;
    mark.close();
    if (!mark)
        throw std::runtime_error("cannot be written");
}

}  // namespace veloria::tools
