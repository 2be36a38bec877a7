#include "tools/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace veloria::tools {
namespace fs = std::filesystem;

namespace {

std::string Kind(fs::file_type type) {
    switch (type) {
        case fs::file_type::directory:
            return "a folder";
        case fs::file_type::fifo:
            return "a named pipe (FIFO)";
        case fs::file_type::socket:
            return "a socket";
        case fs::file_type::block:
        case fs::file_type::character:
            return "a device";
        default:
            return "not a regular file";
    }
}

// Closes a file descriptor on every path out.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

std::optional<std::string> NotAFile(const fs::path& path) {
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(path, ec);
    if (ec || link.type() == fs::file_type::not_found)
        return "missing";
    if (link.type() != fs::file_type::symlink) {
        if (link.type() == fs::file_type::regular)
            return std::nullopt;
        return Kind(link.type());
    }
    const fs::path to = fs::read_symlink(path, ec);
    const std::string shown = ec ? std::string("?") : to.string();
    const fs::file_status target = fs::status(path, ec);
    if (ec) {
        if (ec == std::errc::too_many_symbolic_link_levels)
            return "a symbolic link that loops back on itself";
        if (ec == std::errc::no_such_file_or_directory)
            return "a symbolic link to \"" + shown + "\", which does not exist";
        return "a symbolic link to \"" + shown + "\", which cannot be reached (" + ec.message() +
               ")";
    }
    if (target.type() == fs::file_type::regular)
        return std::nullopt;
    return "a symbolic link to \"" + shown + "\", which is " + Kind(target.type());
}

std::string ReadRegularFile(const fs::path& path) {
    // Without blocking: a named pipe put in a file's place must not stall the open.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        throw std::runtime_error(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw std::runtime_error(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) {
        throw std::runtime_error(S_ISDIR(st.st_mode)    ? "a folder"
                                 : S_ISFIFO(st.st_mode) ? "a named pipe (FIFO)"
                                                        : "not a regular file");
    }
    // One buffer of the file's size, no copies: a large file costs its size once.
    std::string text(std::size_t(st.st_size), '\0');
    std::size_t done = 0;
    auto readSome = [&](char* into, std::size_t size) {
        while (true) {
            const ssize_t n = ::read(fd.get(), into, size);
            if (n >= 0)
                return std::size_t(n);
            if (errno != EINTR)
                throw std::runtime_error(std::strerror(errno));
        }
    };
    while (done < text.size()) {
        const std::size_t n = readSome(text.data() + done, text.size() - done);
        if (n == 0)
            break;  // the file shrank while being read
        done += n;
    }
    text.resize(done);
    // It may also have grown since its size was taken.
    char more[16384];
    while (const std::size_t n = readSome(more, sizeof more))
        text.append(more, n);
    return text;
}

}  // namespace veloria::tools
