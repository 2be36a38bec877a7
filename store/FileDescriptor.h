#pragma once

#include <unistd.h>

#include <utility>

namespace veloria::store {

// An open file descriptor, closed on every path out. No Qt: the tools and the launcher use it too.
class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0)
                ::close(fd_);
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now, so that a failure to write back is seen: 0, or -1 with errno set.
    int Close() { return ::close(std::exchange(fd_, -1)); }

  private:
    int fd_ = -1;
};

}  // namespace veloria::store
