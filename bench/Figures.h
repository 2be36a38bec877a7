#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

// What the benchmarks of windows share: processor time, the fastest repetition of each
// benchmark, and the lines that print a figure beside its baseline.
namespace veloria::bench {

// This thread's processor time: everything measured runs on the one thread, and on a shared
// machine processor time is the steadier figure.
inline double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// The fastest repetition of each benchmark, in milliseconds of processor time per iteration.
class Collector : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const double ms =
                run.GetAdjustedCPUTime() * (run.time_unit == benchmark::kMillisecond ? 1.0 : 1e-3);
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
    std::map<std::string, double> best;
};

// A benchmark that runs `body` once per iteration, five repetitions of at least 0.1 s; `once`:
// three repetitions of a single iteration, for a body that takes seconds.
inline void Register(const std::string& name, std::function<void()> body, bool once = false) {
    auto* b = benchmark::RegisterBenchmark(name.c_str(), [body](benchmark::State& state) {
                  for (auto _ : state)
                      body();
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
    // The figures over their bound.
    int Over() const { return over_; }

  private:
    int over_ = 0;
};

}  // namespace veloria::bench
