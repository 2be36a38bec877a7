#include "widgets/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "store/Schema.h"

namespace veloria::widgets {
namespace {

std::filesystem::path SessionLockPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path dir = runtime && *runtime ? std::filesystem::path(runtime)
                                                    : std::filesystem::temp_directory_path();
    return dir / (name + "-" + std::to_string(getuid()) + ".lock");
}

// The lock on the file, made when missing; nothing when another process holds it (held is then
// set) or when it cannot be had at all.
store::FileDescriptor Lock(const std::filesystem::path& path, int mode, bool& held) {
    store::FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, mode));
    if (!fd)  // a lock file of another user's making may be readable only
        fd = store::FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return {};
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        held = errno == EWOULDBLOCK;
        return {};
    }
    return fd;
}

}  // namespace

SingleInstance::SingleInstance(const std::string& name, const std::filesystem::path& dataDir) {
    session_ = Lock(SessionLockPath(name), 0600, alreadyRunning_);
    if (alreadyRunning_)
        return;
    // The data directory's lock file is made as the tables are, for whoever may use the folder.
    data_ = Lock(dataDir / store::kDataDirectoryLock, 0666, alreadyRunning_);
    if (alreadyRunning_)
        session_ = {};
}

}  // namespace veloria::widgets
