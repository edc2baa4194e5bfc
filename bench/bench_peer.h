// Timing a benchmark beside its point of comparison: both sides time their
// whole loop the same way, so that the ratio of the two means compares
// like with like; and the rates of the runs kept for the ratios printed
// after them.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace benchsupport {

// Runs `body` once per iteration of `state`, the whole loop on the clock;
// the mean seconds of one iteration.
template <class Body>
double SecondsPerIteration(benchmark::State& state, Body&& body) {
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) body();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return took.count() / static_cast<double>(state.iterations());
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
