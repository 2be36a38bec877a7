#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

// What the benchmarks share: the start of their main(), processor time, the fastest and the median
// repetition of each benchmark, and the lines that print a figure beside its baseline.
namespace veloria::bench {

// The middle of the measures (the mean of the two middle ones for an even count).
inline double MedianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// This thread's processor time: everything measured runs on the one thread, and on a shared
// machine processor time is the steadier figure.
inline double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// The start of every bench's main(): Google Benchmark's own flags are read, and the repetitions of
// all the benchmarks are run in a random order, interleaved, so that each figure and its baseline
// meet the same load of a machine that other work shares (unless the command line says
// otherwise). False, after saying why, for a flag it does not know.
inline bool Start(int& argc, char** argv) {
    static std::vector<char*> args;
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.assign(argv, argv + argc);
    const bool given = std::any_of(args.begin(), args.end(), [](const char* a) {
        return std::string(a).rfind("--benchmark_enable_random_interleaving", 0) == 0;
    });
    if (!given)
        args.insert(args.begin() + (argc > 0 ? 1 : 0), interleave);
    int count = int(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return false;
    // What is left is the program's own (Qt's, for the benches of windows).
    argc = count;
    std::copy(args.begin(), args.begin() + count, argv);
    return true;
}

// The repetitions of each benchmark, in milliseconds of processor time per iteration: the fastest
// (Best, also in `best`) and the median.
class Collector : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const double ms =
                run.GetAdjustedCPUTime() * (run.time_unit == benchmark::kMillisecond ? 1.0 : 1e-3);
            all_[run.run_name.function_name].push_back(ms);
            auto [it, fresh] = best.try_emplace(run.run_name.function_name, ms);
            if (!fresh)
                it->second = std::min(it->second, ms);
        }
    }
    // -1 for a benchmark that did not run (filtered out).
    double Best(const std::string& name) const {
        const auto it = best.find(name);
        return it == best.end() ? -1.0 : it->second;
    }
    double Median(const std::string& name) const {
        const auto it = all_.find(name);
        if (it == all_.end())
            return -1.0;
        return MedianOf(it->second);
    }
    std::map<std::string, double> best;

  private:
    std::map<std::string, std::vector<double>> all_;
};

// A benchmark that runs `body` once per iteration, five repetitions of at least 0.1 s; `once`:
// three repetitions of a single iteration, for a body that takes seconds. `afterwards` runs after
// each iteration outside the timing: what the program leaves for when it finds time. `before` runs
// ahead of each repetition's iterations, outside the timing too: what a measure needs in place,
// as the benchmarks run in any order.
inline void Register(const std::string& name, std::function<void()> body, bool once = false,
                     std::function<void()> afterwards = {}, std::function<void()> before = {}) {
    auto* b = benchmark::RegisterBenchmark(name.c_str(), [body, afterwards,
                                                          before](benchmark::State& state) {
                  if (before)
                      before();  // the timing starts with the loop
                  for (auto _ : state) {
                      body();
                      if (afterwards) {
                          state.PauseTiming();
                          afterwards();
                          state.ResumeTiming();
                      }
                  }
              })->Unit(benchmark::kMillisecond);
    if (once)
        b->Iterations(1)->Repetitions(3);
    else
        b->Repetitions(5)->MinTime(0.1);
}

// The printed figures: "[ok]" or "[OVER]" for a ratio held to a bound, "[info]" for one without
// (a bound of 0). A figure or baseline below 0 did not run and is left out.
class Figures {
  public:
    void Line(const std::string& what, double value, double base, const char* baseWhat,
              double bound, const char* unit) {
        if (value < 0 || base <= 0)
            return;
        const double ratio = value / base;
        if (bound > 0) {
            const bool ok = ratio <= bound;
            over_ += !ok;
            std::printf("[%s] %s: %.3f %s vs %.3f %s %s; ratio %.2f (bound %.2f)\n",
                        ok ? "ok" : "OVER", what.c_str(), value, unit, base, unit, baseWhat, ratio,
                        bound);
        } else {
            std::printf("[info] %s: %.3f %s vs %.3f %s %s; ratio %.2f\n", what.c_str(), value, unit,
                        base, unit, baseWhat, ratio);
        }
    }
    // A figure over its bound for a reason the same run measured: printed with the figures that
    // show it, and not counted as over.
    void Explained(const std::string& what, double value, double base, const char* baseWhat,
                   double bound, const char* unit, const std::string& reason) {
        if (value < 0 || base <= 0)
            return;
        std::printf("[info] %s: %.3f %s vs %.3f %s %s; ratio %.2f (bound %.2f): %s\n", what.c_str(),
                    value, unit, base, unit, baseWhat, value / base, bound, reason.c_str());
    }
    // The figures over their bound.
    int Over() const { return over_; }

  private:
    int over_ = 0;
};

}  // namespace veloria::bench
