// PROJ as the point of comparison of the coordinate benchmarks: one timed
// conversion of a whole set of points.
#pragma once

#include <benchmark/benchmark.h>
#include <proj.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace benchsupport {

// Seconds PROJ takes to convert the points (in1[i], in2[i]) in the
// direction given. PROJ converts in place, so they are first copied to a
// and b (all four as long as in1), outside the clock.
inline double ProjSeconds(PJ* pj, PJ_DIRECTION dir, const std::vector<double>& in1,
                          const std::vector<double>& in2, std::vector<double>& a,
                          std::vector<double>& b) {
  const size_t n = in1.size();
  std::memcpy(a.data(), in1.data(), n * sizeof(double));
  std::memcpy(b.data(), in2.data(), n * sizeof(double));
  auto start = std::chrono::steady_clock::now();
  proj_trans_generic(pj, dir, a.data(), sizeof(double), n, b.data(), sizeof(double), n, nullptr, 0,
                     0, nullptr, 0, 0);
  benchmark::DoNotOptimize(a.data());
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace benchsupport
