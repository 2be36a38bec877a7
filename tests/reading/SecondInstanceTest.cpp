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

#include "reading/Principal.h"
#include "store/Text.h"
#include "tests/store/TempDir.h"
#include "widgets/Application.h"
#include "widgets/SingleInstance.h"

extern char** environ;

namespace veloria::test {
namespace {

// Runs this test program again, alone on one test, and waits for it.
int RunSelf(const std::string& filter) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string arg = "--gtest_filter=" + filter;
    char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>(arg.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ) != 0)
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

// The second copy: run only by the test below.
TEST_F(SecondInstance, Child) {
    const char* out = getenv("VELORIA_SECOND_COPY_REPORT");
    if (!out)
        GTEST_SKIP() << "run by SecondInstance.RefusedWhileTheFirstRuns";
    setenv("XDG_RUNTIME_DIR", getenv("VELORIA_SECOND_COPY_RUNTIME"), 1);
    widgets::Application().SetDialogHook([out](const widgets::ShownDialog& d) {
        std::ofstream(out) << d.text << "|" << d.caption;
        return widgets::IDOK;
    });
    new TForm1();  // ends the process when another copy runs
    std::ofstream(out, std::ios::app) << "|created";
}

TEST_F(SecondInstance, RefusedWhileTheFirstRuns) {
    widgets::SingleInstance first("Veloria");
    ASSERT_FALSE(first.AlreadyRunning());
    const auto report = dir_.path() / "report";
    setenv("VELORIA_SECOND_COPY_REPORT", report.c_str(), 1);
    setenv("VELORIA_SECOND_COPY_RUNTIME", dir_.path().c_str(), 1);
    EXPECT_EQ(RunSelf("SecondInstance.Child"), 0);
    unsetenv("VELORIA_SECOND_COPY_REPORT");
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
