#include "tools/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "store/FileDescriptor.h"

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

namespace {

// "1 TiB", "8.5 GiB", "900 MiB": a size as a user reads it.
std::string Readable(std::uint64_t bytes) {
    const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double size = double(bytes);
    std::size_t unit = 0;
    while (size >= 1024 && unit + 1 < std::size(units))
        size /= 1024, ++unit;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", size);
    std::string shown = text;
    if (unit == 0 || size >= 10 || shown.ends_with(".0"))
        shown = std::to_string(std::uint64_t(size + 0.5));
    return shown + " " + units[unit];
}

[[noreturn]] void TooLarge(std::uint64_t size, std::uint64_t maxBytes) {
    throw std::runtime_error("it holds " + std::to_string(size) + " bytes (" + Readable(size) +
                             "), far more than any table of a corpus; at most " +
                             Readable(maxBytes) + " is read");
}

}  // namespace

std::string ReadRegularFile(const fs::path& path, std::uint64_t maxBytes) {
    // Without blocking: a named pipe put in a file's place must not stall the open.
    const store::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
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
    // Before any memory is taken for it: a file may claim a terabyte and hold nothing (sparse).
    if (std::uint64_t(st.st_size) > maxBytes)
        TooLarge(std::uint64_t(st.st_size), maxBytes);
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
    while (const std::size_t n = readSome(more, sizeof more)) {
        if (text.size() + n > maxBytes)
            TooLarge(text.size() + n, maxBytes);
        text.append(more, n);
    }
    return text;
}

}  // namespace veloria::tools
