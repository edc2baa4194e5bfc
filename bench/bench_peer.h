// Timing a benchmark beside its point of comparison: both sides time their
// whole loop the same way, in processor time, so that the ratio of the two
// means compares like with like whatever else the machine runs; and the
// rates of the runs kept for the ratios printed after them.
#pragma once

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace benchsupport {

// The processor time of the program (all its threads) as a clock: the time
// the checks of ratios compare. Other programs sharing a loaded machine
// take turns of the elapsed time, which would decide a ratio of elapsed
// times; they move the processor time of this one far less.
struct CpuClock {
  using rep = int64_t;
  using period = std::nano;
  using duration = std::chrono::nanoseconds;
  using time_point = std::chrono::time_point<CpuClock>;
  static constexpr bool is_steady = true;
  static time_point now() noexcept {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return time_point(duration(int64_t(t.tv_sec) * 1000000000 + t.tv_nsec));
  }
};

// Runs `body` once per iteration of `state`, the whole loop on the
// processor clock; the mean seconds of one iteration.
template <class Body>
double SecondsPerIteration(benchmark::State& state, Body&& body) {
  const auto start = CpuClock::now();
  for (auto _ : state) body();
  const std::chrono::duration<double> took = CpuClock::now() - start;
  return took.count() / static_cast<double>(state.iterations());
}

// The median of `values`: what a check of rounds' ratios holds, which a
// round disturbed now and then by the machine's load does not move; 0 for
// none.
inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A console reporter that keeps the rate (items per second) of every run
// by its name beside printing it; with repetitions the median stands for
// the run.
class RateReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> rates;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      auto it = run.counters.find("items_per_second");
      if (run.error_occurred || it == run.counters.end()) continue;
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
        rates[run.run_name.str()] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

// Runs the benchmarks `registerAll` registers (the command line's flags
// apply) and keeps their rates in `rates`: false when the command line
// holds an argument it does not know.
inline bool RunForRates(int argc, char** argv, void (*registerAll)(),
                        std::map<std::string, double>* rates) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  *rates = reporter.rates;
  return true;
}

// The main of a program whose benchmarks `registerAll` registers: runs
// them, and hands their rates to `print`.
inline int RunAndPrintRates(int argc, char** argv, void (*registerAll)(),
                            void (*print)(const std::map<std::string, double>&)) {
  std::map<std::string, double> rates;
  if (!RunForRates(argc, argv, registerAll, &rates)) return 1;
  print(rates);
  return 0;
}

// The same for a program that checks its rates: `check` prints and checks
// them; the program fails (exit status 1) when it answers false.
inline int RunAndCheckRates(int argc, char** argv, void (*registerAll)(),
                            bool (*check)(const std::map<std::string, double>&)) {
  std::map<std::string, double> rates;
  if (!RunForRates(argc, argv, registerAll, &rates)) return 1;
  return check(rates) ? 0 : 1;
}

}  // namespace benchsupport
