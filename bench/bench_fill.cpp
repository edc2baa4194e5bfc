// The polygon fill of the memory image against cairo (antialiasing off,
// even-odd rule): 10,000 random star-shaped polygons of 200 vertices, each
// about 300 x 300 pixels, filled with a solid colour into a 1920 x 1080
// 32-bit picture, in pixels covered per second (the set bits of the masks
// of one pass over all polygons). The cairo run reports the ratio of the
// fill's rate to its own (fill/cairo).
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include "drawing/maskfill.h"
#include "drawing/paintcontext.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kPolygons = 10000, kVertices = 200;

struct Polygons {
  std::vector<POINT> points;  // kVertices + 1 per polygon, closed
  std::vector<POLYDATA> sets;
  LONG count = kVertices + 1;
  int64_t covered = 0;  // mask bits set by one pass
};

const Polygons& RandomPolygons() {
  static Polygons s = [] {
    Polygons r;
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> cx(150, kWidth - 150), cy(150, kHeight - 150),
        radius(60, 150);
    r.points.reserve(size_t(kPolygons) * (kVertices + 1));
    for (int i = 0; i < kPolygons; ++i) {
      const double x0 = cx(rng), y0 = cy(rng);
      const size_t first = r.points.size();
      for (int k = 0; k < kVertices; ++k) {
        const double a = 6.283185307179586 * k / kVertices, d = radius(rng);
        r.points.push_back({LONG(std::lround(x0 + d * std::cos(a))), LONG(std::lround(y0 + d * std::sin(a)))});
      }
      r.points.push_back(r.points[first]);
    }
    for (int i = 0; i < kPolygons; ++i) {
      POLYDATA d{};
      d.Points = r.points.data() + size_t(i) * (kVertices + 1);
      d.PolyCounts = &r.count;
      d.Count = 1;
      d.MinX = d.MinY = INT32_MAX, d.MaxX = d.MaxY = INT32_MIN;
      for (int k = 0; k <= kVertices; ++k) {
        const POINT& p = d.Points[k];
        d.MinX = std::min(d.MinX, p.x), d.MaxX = std::max(d.MaxX, p.x);
        d.MinY = std::min(d.MinY, p.y), d.MaxY = std::max(d.MaxY, p.y);
      }
      r.sets.push_back(d);
    }
    return r;
  }();
  return s;
}

double fillRate = 0;  // covered pixels per second of the last fill run

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool OpenPicture() {
  if (AllocPaintDib(kWidth, kHeight, 4) != 0) return false;
  PaintContext.ImageWidth = kWidth;
  PaintContext.ImageHeight = kHeight;
  return true;
}

// The set bits of every polygon's mask: the pixels one pass covers.
int64_t Covered(const Polygons& s) {
  int64_t n = 0;
  for (const POLYDATA& d : s.sets) {
    MaskFillContext c;
    InitMaskFill(&c);
    if (BuildScanEdges(&c, &d) == 0) continue;
    for (LONG k = 0; k < c.AreaRows; ++k)
      for (LONG i = 0; i < c.AreaWords; ++i) {
        const DWORD w = (c.AreaFirst - k * (c.MaskRowBytes / 4))[i];
        n += __builtin_popcount(i == c.AreaWords - 1 ? w & c.LastMask : w);
      }
  }
  return n;
}

void BM_MaskFillPolygons(benchmark::State& state) {
  Polygons& s = const_cast<Polygons&>(RandomPolygons());
  if (!OpenPicture()) {
    state.SkipWithError("no memory image");
    return;
  }
  if (s.covered == 0) s.covered = Covered(s);
  double seconds = 0;
  DWORD pixel = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    ++pixel;
    for (const POLYDATA& d : s.sets) {
      MaskFillContext c;
      InitMaskFill(&c);
      if (BuildScanEdges(&c, &d) != 0) PaintMaskColour(&c, pixel);
    }
    seconds += Seconds(start);
  }
  benchmark::DoNotOptimize(PaintContext.PictureTop[0]);
  fillRate = double(s.covered) * state.iterations() / seconds;
  state.counters["covered px/s"] = benchmark::Counter(fillRate);
  state.counters["px/polygon"] = benchmark::Counter(double(s.covered) / kPolygons);
}
BENCHMARK(BM_MaskFillPolygons)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CairoFillPolygons(benchmark::State& state) {
  Polygons& s = const_cast<Polygons&>(RandomPolygons());
  if (s.covered == 0 && OpenPicture()) s.covered = Covered(s);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    cairo_set_source_rgb(cr, 0.2, 0.4, 0.6);
    for (const POLYDATA& d : s.sets) {
      cairo_move_to(cr, d.Points[0].x, d.Points[0].y);
      for (int k = 1; k < kVertices; ++k) cairo_line_to(cr, d.Points[k].x, d.Points[k].y);
      cairo_close_path(cr);
      cairo_fill(cr);
    }
    cairo_surface_flush(surface);
    seconds += Seconds(start);
  }
  const double rate = double(s.covered) * state.iterations() / seconds;
  state.counters["covered px/s"] = benchmark::Counter(rate);
  if (fillRate > 0) state.counters["fill/cairo"] = benchmark::Counter(fillRate / rate);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoFillPolygons)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
