// The single-instance guard between real processes: a second copy says so and ends before it
// makes any window but its main window's beginnings; a copy that died holds nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "store/Text.h"
#include "tests/store/TempDir.h"
#include "widgets/SingleInstance.h"

extern char** environ;

namespace veloria::test {
namespace {

// Starts the second copy in this process's environment and waits for it.
int RunSecondCopy(const std::filesystem::path& report) {
    const std::string program = VELORIA_SECOND_COPY;
    const std::string reportArg = report.string();
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(reportArg.c_str()),
                    nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class SecondInstance : public ::testing::Test {
  protected:
    SecondInstance() { setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1); }
    store::testing::TempDir dir_;
};

TEST_F(SecondInstance, RefusedWhileTheFirstRuns) {
    widgets::SingleInstance first("Veloria", dir_.path());
    ASSERT_FALSE(first.AlreadyRunning());
    const auto report = dir_.path() / "report";
    EXPECT_EQ(RunSecondCopy(report), 0);
    std::stringstream text;
    text << std::ifstream(report).rdbuf();
    EXPECT_EQ(store::ToUtf8(text.str()), "Este programa ya se está ejecutando...|Veloria");
}

TEST_F(SecondInstance, ACopyThatDiedHoldsNothing) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        widgets::SingleInstance held("Veloria", dir_.path());
        char c = held.AlreadyRunning() ? 'n' : 'y';
        (void)!write(ready[1], &c, 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    EXPECT_TRUE(widgets::SingleInstance("Veloria", dir_.path()).AlreadyRunning());
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_FALSE(widgets::SingleInstance("Veloria", dir_.path()).AlreadyRunning());
}

// Two sessions of one user (two displays, a remote one): each has a runtime folder of its own,
// but the second program on the first one's data directory is refused all the same.
TEST_F(SecondInstance, ASecondSessionOnTheSameDataDirectoryIsRefused) {
    widgets::SingleInstance first("Veloria", dir_.path());
    ASSERT_FALSE(first.AlreadyRunning());
    const store::testing::TempDir session;
    setenv("XDG_RUNTIME_DIR", session.path().c_str(), 1);
    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());  // the program's data directory
    const auto report = session.path() / "report";
    EXPECT_EQ(RunSecondCopy(report), 0);
    std::filesystem::current_path(home);
    std::stringstream text;
    text << std::ifstream(report).rdbuf();
    EXPECT_EQ(store::ToUtf8(text.str()), "Este programa ya se está ejecutando...|Veloria");

    // In that session, a program on another data directory runs.
    const store::testing::TempDir other;
    EXPECT_FALSE(widgets::SingleInstance("Veloria", other.path()).AlreadyRunning());
}

}  // namespace
}  // namespace veloria::test
