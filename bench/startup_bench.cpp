// The program's start, from the process's start to the tip of the day painted, on the sample
// corpus, against a bare Qt program that shows one window, measured in the same run: the
// repetitions of the two alternate in a random order, so that both meet the same load of a shared
// machine. Each start is the program itself (app/main.cpp) linked with a probe (StartupProbe.cpp)
// that ends it once the window named is painted and reports the moment. Printed: the fastest and
// the median start of each, in elapsed time and in processor time (the process's own, up to the
// paint), the ratio, and the fastest start against its bound of 100 ms.
//
// startup_bench [--repetitions N] [--data DIR] [--program FILE]: on the display of the environment
// ($DISPLAY), or off screen without one; the sample corpus is built into a temporary folder unless
// DIR is given; FILE is a program linked with the probe to start instead of the one built beside
// the bench (an earlier build, to compare).
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/Figures.h"
#include "bench/SampleData.h"
#include "tests/store/TempDir.h"

namespace {

namespace fs = std::filesystem;

constexpr double kBoundMs = 100;

std::int64_t NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

struct Start {
    double elapsedMs;
    double cpuMs;  // user and system time of the process, which ends at the paint
};

// One start of the program at `program`, in `dir`, until the window named is painted.
Start Run(const std::string& program, const std::string& window, const fs::path& dir,
          const fs::path& runtime) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    const std::int64_t begin = NowNs();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 3);  // the probe's descriptor, open across exec
        setenv("VELORIA_PROBE_FD", "3", 1);
        setenv("VELORIA_PROBE_WINDOW", window.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        if (::chdir(dir.c_str()) != 0)
            ::_exit(127);
        char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
        ::execv(program.c_str(), argv);
        ::_exit(127);
    }
    ::close(fds[1]);
    std::int64_t painted = 0;
    pollfd p{fds[0], POLLIN, 0};
    const bool ready = ::poll(&p, 1, 30000) == 1;
    const bool read = ready && ::read(fds[0], &painted, sizeof painted) == sizeof painted;
    ::close(fds[0]);
    if (!read)
        ::kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (!read) {
        const std::string how = !ready ? "killed after 30 s"
                                : WIFSIGNALED(status)
                                    ? "ended by signal " + std::to_string(WTERMSIG(status))
                                    : "ended with status " + std::to_string(WEXITSTATUS(status));
        throw std::runtime_error(program + ": the window \"" + window + "\" was never painted (" +
                                 how + ")");
    }
    const auto ms = [](const timeval& t) {
        return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    };
    return {double(painted - begin) / 1e6, ms(usage.ru_utime) + ms(usage.ru_stime)};
}

double Min(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

}  // namespace

int main(int argc, char** argv) {
    int repetitions = 21;
    fs::path data;
    std::string program = VELORIA_STARTUP_PROGRAM;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--repetitions" && i + 1 < argc) {
            repetitions = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--data" && i + 1 < argc) {
            data = argv[++i];
        } else if (arg.rfind("--benchmark_", 0) == 0) {
            // Google Benchmark's flags, which scripts/bench gives every bench: none apply here.
        } else if (arg == "--program" && i + 1 < argc) {
            program = fs::absolute(argv[++i]).string();  // started in the data directory
        } else {
            std::fprintf(stderr,
                         "usage: startup_bench [--repetitions N] [--data DIR] [--program FILE]\n");
            return 2;
        }
    }
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const veloria::store::testing::TempDir temp;
    if (data.empty()) {
        data = temp.path() / "data";
        veloria::bench::BuildSample(data);
        veloria::bench::AddProgramFiles(data);
    }
    const fs::path runtime = temp.path() / "runtime";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);

    struct Subject {
        const char* what;
        std::string program, window;
        std::vector<double> elapsed, cpu;
    };
    Subject subjects[] = {{"the program to the tip window painted", program, "FFrase", {}, {}},
                          {"a bare Qt window painted", VELORIA_BARE_WINDOW, "Bare", {}, {}}};
    try {
        // The first start of each reads its files from the disk and, for the program, draws the
        // day's tip: not counted.
        for (Subject& s : subjects)
            Run(s.program, s.window, data, runtime);
        std::mt19937 order(std::random_device{}());
        for (int r = 0; r < repetitions; ++r) {
            int first = int(order() % 2);
            for (int k = 0; k < 2; ++k) {
                Subject& s = subjects[(first + k) % 2];
                const Start start = Run(s.program, s.window, data, runtime);
                s.elapsed.push_back(start.elapsedMs);
                s.cpu.push_back(start.cpuMs);
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "startup_bench: %s\n", e.what());
        return 1;
    }

    std::printf("Start-up on %s, %d repetitions each, interleaved; load average at the end:",
                display && *display ? display : "no display (off screen)", repetitions);
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        std::printf(" %.2f %.2f %.2f", load[0], load[1], load[2]);
    std::printf("\n");
    for (const Subject& s : subjects) {
        std::printf(
            "  %s: elapsed fastest %.1f ms, median %.1f ms; processor fastest %.1f ms, "
            "median %.1f ms\n",
            s.what, Min(s.elapsed), veloria::bench::MedianOf(s.elapsed), Min(s.cpu),
            veloria::bench::MedianOf(s.cpu));
    }
    const Subject& started = subjects[0];
    const Subject& bare = subjects[1];
    veloria::bench::Figures figures;
    figures.Line("start to the tip window painted (fastest, elapsed)", Min(started.elapsed),
                 Min(bare.elapsed), "bare Qt window", 0, "ms");
    figures.Line("start to the tip window painted (median, elapsed)",
                 veloria::bench::MedianOf(started.elapsed), veloria::bench::MedianOf(bare.elapsed),
                 "bare Qt window", 0, "ms");
    figures.Line("start to the tip window painted (median, processor)",
                 veloria::bench::MedianOf(started.cpu), veloria::bench::MedianOf(bare.cpu),
                 "bare Qt window", 0, "ms");
    figures.Line("start to the tip window painted (fastest, elapsed)", Min(started.elapsed),
                 kBoundMs, "the bound's 100 ms", 1.0, "ms");
    return figures.Over() > 0 ? 1 : 0;
}
