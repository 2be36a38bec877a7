#include "widgets/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace veloria::widgets {
namespace {

std::filesystem::path LockPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path dir = runtime && *runtime ? std::filesystem::path(runtime)
                                                    : std::filesystem::temp_directory_path();
    return dir / (name + "-" + std::to_string(getuid()) + ".lock");
}

}  // namespace

SingleInstance::SingleInstance(const std::string& name) {
    const auto path = LockPath(name);
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0)
        return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        alreadyRunning_ = errno == EWOULDBLOCK;
        ::close(fd_);
        fd_ = -1;
    }
}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0)
        ::close(fd_);
}

}  // namespace veloria::widgets
