// Timing a benchmark beside its point of comparison: both sides time their
// whole loop the same way, so that the ratio of the two means compares
// like with like.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>

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

}  // namespace benchsupport
