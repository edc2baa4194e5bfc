// Rasteriser throughput on a 1920 x 1080 32-bit surface: one-pixel lines of
// about 100 pixels and filled 200-vertex polygons, in pixels per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "platform/gdi/gdi.h"

namespace {

const int kWidth = 1920, kHeight = 1080;

struct Surface {
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
  Surface() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc = plat::CreateCompatibleDC(nullptr);
    bmp = plat::CreateDIBSection(dc, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
    old = plat::SelectObject(dc, bmp);
  }
  ~Surface() {
    plat::SelectObject(dc, old);
    plat::DeleteObject(bmp);
    plat::DeleteDC(dc);
  }
};

void BM_ThinLines(benchmark::State& state) {
  Surface s;
  const int n = 1000000;
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> ux(60, kWidth - 60), uy(60, kHeight - 60), ua(0, 2 * M_PI);
  std::vector<POINT> seg(2 * (size_t)n);
  int64_t pixels = 0;
  for (int i = 0; i < n; ++i) {
    double x = ux(rng), y = uy(rng), a = ua(rng);
    POINT p0{(LONG)x, (LONG)y}, p1{(LONG)(x + 100 * std::cos(a)), (LONG)(y + 100 * std::sin(a))};
    seg[2 * i] = p0;
    seg[2 * i + 1] = p1;
    pixels += std::max(std::abs(p1.x - p0.x), std::abs(p1.y - p0.y));
  }
  HPEN pen = plat::CreatePen(PS_SOLID, 1, 0x3060C0);
  HGDIOBJ old = plat::SelectObject(s.dc, pen);
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) {
      plat::MoveToEx(s.dc, seg[2 * i].x, seg[2 * i].y, nullptr);
      plat::LineTo(s.dc, seg[2 * i + 1].x, seg[2 * i + 1].y);
    }
  }
  state.counters["px/s"] = benchmark::Counter((double)pixels * state.iterations(),
                                              benchmark::Counter::kIsRate);
  plat::SelectObject(s.dc, old);
  plat::DeleteObject(pen);
}
BENCHMARK(BM_ThinLines)->Unit(benchmark::kMillisecond);

void BM_PolygonFill(benchmark::State& state) {
  Surface s;
  const int n = 10000, v = 200;
  std::mt19937 rng(2);
  std::uniform_real_distribution<double> ux(150, kWidth - 150), uy(150, kHeight - 150), ur(60, 120);
  std::vector<POINT> pts((size_t)n * v);
  double area = 0;
  for (int i = 0; i < n; ++i) {
    double cx = ux(rng), cy = uy(rng);
    POINT* p = &pts[(size_t)i * v];
    for (int k = 0; k < v; ++k) {
      double a = 2 * M_PI * k / v, r = ur(rng);
      p[k] = POINT{(LONG)(cx + r * std::cos(a)), (LONG)(cy + r * std::sin(a))};
    }
    double twice = 0;  // a star-shaped ring: its area is its pixel count
    for (int k = 0; k < v; ++k) {
      const POINT& a = p[k];
      const POINT& b = p[(k + 1) % v];
      twice += (double)a.x * b.y - (double)b.x * a.y;
    }
    area += std::fabs(twice) / 2;
  }
  HBRUSH brush = plat::CreateSolidBrush(0x4080C0);
  HGDIOBJ oldBrush = plat::SelectObject(s.dc, brush);
  HGDIOBJ oldPen = plat::SelectObject(s.dc, plat::GetStockObject(NULL_PEN));
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) plat::Polygon(s.dc, &pts[(size_t)i * v], v);
  }
  state.counters["px/s"] = benchmark::Counter(area * state.iterations(), benchmark::Counter::kIsRate);
  plat::SelectObject(s.dc, oldBrush);
  plat::SelectObject(s.dc, oldPen);
  plat::DeleteObject(brush);
}
BENCHMARK(BM_PolygonFill)->Unit(benchmark::kMillisecond);

}  // namespace
