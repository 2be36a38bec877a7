#include "app/launcher/DataHome.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

#include "store/FileDescriptor.h"
#include "store/Schema.h"

namespace veloria::launcher {
namespace fs = std::filesystem;
namespace {

using store::IsProgramFile;
// Files of ours in a data directory while it is being written; any found under the lock are
// left over from an interrupted run.
constexpr std::string_view kNewFilePrefix = ".veloria-new-";

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string Quoted(const fs::path& p) {
    return "\"" + p.string() + "\"";
}

std::string Cause(int err) {
    return std::generic_category().message(err);
}

// A failed system call on one file, named relative to the directory being written when it is
// one of its files.
class IoError : public std::runtime_error {
  public:
    IoError(std::string what, int err)
        : std::runtime_error(what.empty() ? Cause(err) : what + ": " + Cause(err)) {}
};

using Fd = store::FileDescriptor;

// A new file of a unique name beginning with `prefix` in `dir`, opened for writing. The mode is
// the usual one for the user's files (the umask applies), not mkstemp's private one.
Fd OpenNew(const fs::path& dir, std::string_view prefix, fs::path& path) {
    static std::atomic<std::uint64_t> counter = 0;
    for (int attempt = 0;; ++attempt) {
        std::uint64_t n = (std::uint64_t(::getpid()) << 32) ^ std::uint64_t(::time(nullptr)) ^
                          (++counter * 0x9E3779B97F4A7C15ull);
        std::string name(prefix);
        for (int i = 0; i < 8; ++i, n /= 36)
            name += "0123456789abcdefghijklmnopqrstuvwxyz"[n % 36];
        path = dir / name;
        Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd || errno != EEXIST || attempt == 100)
            return fd;
    }
}

void SyncDir(const fs::path& dir) {
    Fd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        ::fsync(fd.get());  // durability only: a failure here loses nothing already written
}

void WriteAll(int fd, const char* data, std::size_t size, const std::string& name) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0)
            throw IoError(name, errno);
        done += std::size_t(w);
    }
}

// Copies a file's bytes into an open file, `name` naming the latter in messages.
void CopyInto(const fs::path& from, int out, const std::string& name) {
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in)
        throw IoError(from.string(), errno);
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw IoError(from.string(), errno);
        if (n == 0)
            break;
        WriteAll(out, buffer.data(), std::size_t(n), name);
    }
}

// Flushes a new file to the disk and closes it, before it is given its final name.
void Finish(Fd& out, const std::string& name) {
    if (::fsync(out.get()) != 0 || out.Close() != 0)
        throw IoError(name, errno);
}

void CopyFile(const fs::path& from, const fs::path& to, const std::string& name) {
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!out)
        throw IoError(name, errno);
    CopyInto(from, out.get(), name);
    Finish(out, name);
}

// Writes a new file under a temporary name in `dir`, then renames it over `name`: the file is
// either the old one or the whole new one. `fill` writes the bytes into the open file.
template <class Fill>
void ReplaceFile(const fs::path& dir, const std::string& name, Fill fill) {
    fs::path temp;
    Fd out = OpenNew(dir, kNewFilePrefix, temp);
    if (!out)
        throw IoError(name, errno);
    try {
        fill(out.get());
        Finish(out, name);
        if (::rename(temp.c_str(), (dir / name).c_str()) != 0)
            throw IoError(name, errno);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
}

void ReplaceWithCopy(const fs::path& dir, const std::string& name, const fs::path& from) {
    ReplaceFile(dir, name, [&](int fd) { CopyInto(from, fd, name); });
}

void ReplaceWithText(const fs::path& dir, const std::string& name, const std::string& text) {
    ReplaceFile(dir, name, [&](int fd) { WriteAll(fd, text.data(), text.size(), name); });
}

// mkdir -p, the new folders private to the user as the XDG rules ask. Returns 0 or an errno.
int MakeDirs(const fs::path& dir) {
    fs::path sofar;
    for (const fs::path& part : dir) {
        sofar /= part;
        if (::mkdir(sofar.c_str(), 0700) == 0 || errno == EEXIST) {
            std::error_code ec;
            if (!fs::is_directory(sofar, ec))
                return ENOTDIR;
            continue;
        }
        return errno;
    }
    return 0;
}

// An exclusive lock on a folder for the life of the object; best effort (a file system without
// locks still works for a single user starting the program once).
class DirLock {
  public:
    explicit DirLock(const fs::path& dir)
        : fd_(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_)
            while (::flock(fd_.get(), LOCK_EX) != 0 && errno == EINTR) {
            }
    }

  private:
    Fd fd_;
};

// The regular files of a folder, by name.
std::vector<std::string> FilesIn(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (it->is_regular_file(typeEc))
            names.push_back(it->path().filename().string());
    }
    if (ec)
        throw IoError(dir.string(), ec.value());
    std::sort(names.begin(), names.end());
    return names;
}

// What a data directory records of the installed content it was last filled from.
struct ContentRecord {
    std::string stamp;
    std::vector<std::string> files;  // the content files it got (not the program's)
};

ContentRecord ReadRecord(const fs::path& dir) {
    ContentRecord record;
    std::ifstream in(dir / kContentFile);
    std::string line;
    if (std::getline(in, line))
        record.stamp = line;
    while (std::getline(in, line)) {
        if (!line.empty())
            record.files.push_back(line);
    }
    return record;
}

std::string RecordText(const std::string& stamp, const std::vector<std::string>& contentFiles) {
    std::string text = stamp + "\n";
    for (const std::string& name : contentFiles)
        text += name + "\n";
    return text;
}

std::vector<std::string> ContentFiles(const std::vector<std::string>& installed) {
    std::vector<std::string> content;
    for (const std::string& name : installed) {
        // The user's own store is never content, even where an installation carries one.
        if (!IsProgramFile(name) && !store::IsUserFile(name))
            content.push_back(name);
    }
    return content;
}

bool UpToDate(const fs::path& dir, const InstalledData& installed,
              const std::vector<std::string>& installedFiles) {
    if (ReadRecord(dir).stamp != installed.stamp)
        return false;
    std::set<std::string> present;
    for (const std::string& name : FilesIn(dir))
        present.insert(Lower(name));
    return std::all_of(installedFiles.begin(), installedFiles.end(),
                       [&](const std::string& name) { return present.count(Lower(name)) > 0; });
}

// Removes every file of `dir` that is `name` in another case, or a side file of `name` in any
// case, or (when `itself`) `name` as it stands.
void RemoveWithSideFiles(const fs::path& dir, const std::vector<std::string>& present,
                         const std::string& name, bool itself) {
    const std::string lower = Lower(name);
    for (const std::string& other : present) {
        const std::string o = Lower(other);
        bool remove = o == lower && (itself || other != name);
        for (std::string_view suffix : store::kSideFileSuffixes)
            remove = remove || o == lower + std::string(suffix);
        if (remove && ::unlink((dir / other).c_str()) != 0 && errno != ENOENT)
            throw IoError(other, errno);
    }
}

void RemoveOurLeftovers(const fs::path& dir, std::string_view prefix) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().string().starts_with(prefix)) {
            std::error_code removeEc;
            fs::remove_all(it->path(), removeEc);
        }
    }
}

void Seed(const fs::path& dir, const InstalledData& installed,
          const std::vector<std::string>& installedFiles) {
    std::string temp =
        (dir.parent_path() / ("." + dir.filename().string() + "-seeding-XXXXXX")).string();
    if (!::mkdtemp(temp.data()))
        throw IoError({}, errno);
    try {
        for (const std::string& name : installedFiles)
            CopyFile(installed.dir / name, fs::path(temp) / name, name);
        ReplaceWithText(temp, std::string(kContentFile),
                        RecordText(installed.stamp, ContentFiles(installedFiles)));
        SyncDir(temp);
        if (::rename(temp.c_str(), dir.c_str()) != 0)
            throw IoError({}, errno);
    } catch (...) {
        std::error_code ec;
        fs::remove_all(temp, ec);
        throw;
    }
    SyncDir(dir.parent_path());
}

void Update(const fs::path& dir, const InstalledData& installed,
            const std::vector<std::string>& installedFiles) {
    RemoveOurLeftovers(dir, kNewFilePrefix);
    const ContentRecord old = ReadRecord(dir);
    const std::vector<std::string> content = ContentFiles(installedFiles);
    std::vector<std::string> present = FilesIn(dir);
    std::set<std::string> presentLower;
    for (const std::string& name : present)
        presentLower.insert(Lower(name));

    // A stale journal or write-ahead log of an old table would be played into the new one: the
    // side files go first, then the table is replaced as a whole.
    for (const std::string& name : content) {
        RemoveWithSideFiles(dir, present, name, false);
        ReplaceWithCopy(dir, name, installed.dir / name);
    }
    // The program's own files only where the user has none (a first run of a new table).
    for (const std::string& name : installedFiles) {
        if (IsProgramFile(name) && presentLower.count(Lower(name)) == 0)
            ReplaceWithCopy(dir, name, installed.dir / name);
    }
    // Content this directory got from an earlier installation that is no longer installed.
    std::set<std::string> contentLower;
    for (const std::string& name : content)
        contentLower.insert(Lower(name));
    for (const std::string& name : old.files) {
        if (name.find('/') == std::string::npos && name != "." && name != ".." &&
            !IsProgramFile(name) && contentLower.count(Lower(name)) == 0)
            RemoveWithSideFiles(dir, present, name, true);
    }
    SyncDir(dir);
    // Last: until the new stamp is there, the next run takes the update up again.
    ReplaceWithText(dir, std::string(kContentFile), RecordText(installed.stamp, content));
    SyncDir(dir);
}

void CheckWritable(const fs::path& dir) {
    const std::string where = "cannot write in the data directory " + Quoted(dir) + ": ";
    std::string probe = (dir / (std::string(kNewFilePrefix) + "XXXXXX")).string();
    Fd fd(::mkstemp(probe.data()));
    if (!fd)
        throw LauncherError(where + Cause(errno));
    fd.Close();
    ::unlink(probe.c_str());
    for (const std::string& name : FilesIn(dir)) {
        if (IsProgramFile(name) &&
            ::faccessat(AT_FDCWD, (dir / name).c_str(), W_OK, AT_EACCESS) != 0)
            throw LauncherError(where + name + ": " + Cause(errno));
    }
}

fs::path Prepare(const fs::path& dir, const InstalledData& installed) {
    std::vector<std::string> installedFiles;
    try {
        installedFiles = FilesIn(installed.dir);
    } catch (const IoError& e) {
        throw LauncherError("cannot read the installed data: " + std::string(e.what()));
    }
    if (installedFiles.empty())
        throw LauncherError("the installed data is missing (" + Quoted(installed.dir) +
                            "); reinstall Veloria");

    const auto notAFolder = [&] {
        return LauncherError("cannot use " + Quoted(dir) +
                             " as the data directory: it is not a folder");
    };
    std::error_code ec;
    const fs::file_status status = fs::status(dir, ec);
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory)
        throw IoError({}, ec.value());
    if (fs::exists(status) && !fs::is_directory(status))
        throw notAFolder();
    if (fs::is_directory(status) && UpToDate(dir, installed, installedFiles)) {
        CheckWritable(dir);
        return dir;
    }

    if (const int err = MakeDirs(dir.parent_path()))
        throw LauncherError("cannot create the data directory " + Quoted(dir) + ": " + Cause(err));
    DirLock lock(dir.parent_path());
    // Under the lock: another launcher may have done the work meanwhile, and whatever an earlier
    // one left half done is garbage.
    RemoveOurLeftovers(dir.parent_path(), "." + dir.filename().string() + "-seeding-");
    const fs::file_status now = fs::status(dir, ec);
    if (!fs::exists(now)) {
        try {
            Seed(dir, installed, installedFiles);
        } catch (const IoError& e) {
            throw LauncherError("cannot create the data directory " + Quoted(dir) + ": " +
                                e.what());
        }
    } else if (!fs::is_directory(now)) {
        throw notAFolder();
    } else if (!UpToDate(dir, installed, installedFiles)) {
        try {
            Update(dir, installed, installedFiles);
        } catch (const IoError& e) {
            throw LauncherError("cannot update the data directory " + Quoted(dir) + ": " +
                                e.what());
        }
    }
    CheckWritable(dir);
    return dir;
}

fs::path Check(const fs::path& dir) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(dir, ec);
    const fs::file_status status = fs::status(absolute, ec);
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory)
        throw IoError({}, ec.value());
    if (!fs::exists(status))
        throw LauncherError("there is no data directory " + Quoted(dir));
    if (!fs::is_directory(status))
        throw LauncherError("cannot use " + Quoted(dir) +
                            " as the data directory: it is not a folder");
    const std::vector<std::string> files = FilesIn(absolute);
    if (std::none_of(files.begin(), files.end(),
                     [](const std::string& name) { return Lower(name) == "configura.db"; }))
        throw LauncherError(Quoted(dir) + " is not a data directory: it has no Configura.db");
    CheckWritable(absolute);
    return absolute;
}

}  // namespace

fs::path DefaultDataDir(const char* xdgDataHome, const char* home) {
    if (xdgDataHome && fs::path(xdgDataHome).is_absolute())
        return fs::path(xdgDataHome) / "veloria";
    if (!home || !fs::path(home).is_absolute())
        throw LauncherError("cannot find the home folder (HOME is not set)");
    return fs::path(home) / ".local" / "share" / "veloria";
}

InstalledData FindInstalledData(const fs::path& dir, const fs::path& stampFile) {
    InstalledData installed{dir, {}};
    std::ifstream in(stampFile);
    std::getline(in, installed.stamp);
    std::error_code ec;
    if (installed.stamp.empty() || !fs::is_directory(dir, ec))
        throw LauncherError("the installed data is missing (" + Quoted(dir) +
                            "); reinstall Veloria");
    return installed;
}

fs::path PrepareDataDir(const fs::path& dir, const InstalledData& installed) {
    try {
        return Prepare(dir, installed);
    } catch (const IoError& e) {
        throw LauncherError("cannot use the data directory " + Quoted(dir) + ": " + e.what());
    }
}

fs::path CheckDataDir(const fs::path& dir) {
    try {
        return Check(dir);
    } catch (const IoError& e) {
        throw LauncherError("cannot use the data directory " + Quoted(dir) + ": " + e.what());
    }
}

}  // namespace veloria::launcher
