// The pixel rasteriser against cairo (antialiasing off): 1,000,000 random
// one-pixel segments of 100 pixels' length in every direction, inside a
// 1920 x 1080 32-bit picture, in pixels written per second. The cairo runs
// report the ratio of the rasteriser's rate to theirs (raster/cairo); the
// argument of a cairo run is the number of segments stroked per path.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "drawing/paintcontext.h"
#include "drawing/rasterizer.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kSegments = 1000000;

struct Segments {
  std::vector<POINT> points;
  std::vector<LONG> counts;
  POLYDATA data{};
  int64_t pixels = 0;  // pixels one drawing of all segments writes
};

const Segments& RandomSegments() {
  static Segments s = [] {
    Segments r;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> x(0, kWidth - 1), y(0, kHeight - 1), turn(0, 6.283185307);
    while (static_cast<int>(r.counts.size()) < kSegments) {
      const double a = turn(rng);
      const POINT p{LONG(x(rng)), LONG(y(rng))};
      const POINT q{LONG(std::lround(p.x + 100 * std::cos(a))), LONG(std::lround(p.y + 100 * std::sin(a)))};
      if (q.x < 0 || q.x >= kWidth || q.y < 0 || q.y >= kHeight) continue;
      r.points.push_back(p);
      r.points.push_back(q);
      r.counts.push_back(2);
      r.pixels += std::max(std::abs(q.x - p.x), std::abs(q.y - p.y)) + 1;
    }
    r.data.Points = r.points.data();
    r.data.PolyCounts = r.counts.data();
    r.data.Count = kSegments;
    return r;
  }();
  return s;
}

double rasterRate = 0;  // pixels per second of the last rasteriser run

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BM_RasterThinSegments(benchmark::State& state) {
  const Segments& s = RandomSegments();
  if (AllocPaintDib(kWidth, kHeight, 4) != 0) {
    state.SkipWithError("no memory image");
    return;
  }
  PaintContext.ImageWidth = kWidth;
  PaintContext.ImageHeight = kHeight;
  double seconds = 0;
  DWORD pixel = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    RasterThinPolyline(&s.data, ++pixel);
    seconds += Seconds(start);
  }
  benchmark::DoNotOptimize(PaintContext.PictureTop[0]);
  rasterRate = double(s.pixels) * state.iterations() / seconds;
  state.counters["px/s"] = benchmark::Counter(rasterRate);
}
BENCHMARK(BM_RasterThinSegments)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CairoThinSegments(benchmark::State& state) {
  const Segments& s = RandomSegments();
  const int batch = static_cast<int>(state.range(0));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, 1.0);
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    cairo_set_source_rgb(cr, 0.2, 0.4, 0.6);
    for (int i = 0; i < kSegments; ++i) {
      const POINT& p = s.points[2 * i];
      const POINT& q = s.points[2 * i + 1];
      cairo_move_to(cr, p.x + 0.5, p.y + 0.5);
      cairo_line_to(cr, q.x + 0.5, q.y + 0.5);
      if ((i + 1) % batch == 0) cairo_stroke(cr);
    }
    cairo_stroke(cr);
    cairo_surface_flush(surface);
    seconds += Seconds(start);
  }
  const double rate = double(s.pixels) * state.iterations() / seconds;
  state.counters["px/s"] = benchmark::Counter(rate);
  if (rasterRate > 0) state.counters["raster/cairo"] = benchmark::Counter(rasterRate / rate);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoThinSegments)->Arg(1)->Arg(64)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
