#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>

namespace veloria::store::testing {

// A child process running work(report); report(n) sends n to the parent. The child is killed
// with SIGKILL when the parent asks, or when the test ends. Fork only while the parent holds no
// table open: the child must not share the parent's connections.
class Child {
  public:
    explicit Child(const std::function<void(const std::function<void(int)>&)>& work) {
        int fds[2];
        if (pipe(fds) != 0)
            throw std::runtime_error("pipe failed");
        pid_ = fork();
        if (pid_ < 0)
            throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            close(fds[0]);
            try {
                work([fd = fds[1]](int n) {
                    if (write(fd, &n, sizeof n) != sizeof n)
                        _exit(3);
                });
            } catch (const std::exception& e) {
                std::fprintf(stderr, "child: %s\n", e.what());
                _exit(2);
            }
            _exit(0);
        }
        close(fds[1]);
        fd_ = fds[0];
    }

    ~Child() {
        Kill();
        close(fd_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The next number the child sent; -1 when it has ended.
    int Receive() {
        int n = 0;
        return read(fd_, &n, sizeof n) == sizeof n ? n : -1;
    }

    // The next number if one comes within the time; nothing when none came (-1: it ended).
    std::optional<int> ReceiveWithin(std::chrono::microseconds wait) {
        pollfd p{fd_, POLLIN, 0};
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
        if (poll(&p, 1, int(ms)) <= 0)
            return std::nullopt;
        return Receive();
    }

    void Kill() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = 0;
    }

  private:
    pid_t pid_ = 0;
    int fd_ = -1;
};

}  // namespace veloria::store::testing
