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
    widgets::SingleInstance first("Veloria");
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
        widgets::SingleInstance held("Veloria");
        char c = held.AlreadyRunning() ? 'n' : 'y';
        (void)!write(ready[1], &c, 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    EXPECT_TRUE(widgets::SingleInstance("Veloria").AlreadyRunning());
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_FALSE(widgets::SingleInstance("Veloria").AlreadyRunning());
}

}  // namespace
}  // namespace veloria::test
