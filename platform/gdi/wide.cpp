// Wide solid pens: the outline is the union of one rectangle per segment
// and one disc per point (round caps and joins), all wound the same way and
// filled in a single non-zero pass, so a mix touches every pixel once.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gdi/raster.h"

namespace plat::gdi {
namespace {

int64_t Fix(double v) { return (int64_t)std::llround(v * FIX_ONE); }

}  // namespace

void WidePolyline(const Target& t, const int64_t* xy, int count, int width, bool closed) {
  if (t.Empty() || count < 1 || width < 1) return;
  thread_local std::vector<FixPoint> pts;
  thread_local std::vector<int> counts;
  thread_local std::vector<FixPoint> disc;
  pts.clear();
  counts.clear();
  const double h = width / 2.0;
  // The disc, clockwise on screen like the rectangles below.
  int sides = 8;
  if (h > 0.1) sides = int(std::min(std::ceil(M_PI / std::acos(1.0 - 0.1 / h)), 256.0));
  sides = sides < 8 ? 8 : sides > 256 ? 256 : sides;
  disc.resize(sides);
  for (int k = 0; k < sides; ++k) {
    double a = -2.0 * M_PI * k / sides;
    disc[k] = FixPoint{Fix(h * std::cos(a)), Fix(h * std::sin(a))};
  }
  const double reach = h + 2;
  auto outside = [&](double x, double y) {
    return x + reach < t.cx0 || x - reach > t.cx1 || y + reach < t.cy0 || y - reach > t.cy1;
  };
  int segments = closed ? count : count - 1;
  for (int i = 0; i < segments; ++i) {
    int j = (i + 1) % count;
    double x0 = (double)xy[2 * i], y0 = (double)xy[2 * i + 1];
    double x1 = (double)xy[2 * j], y1 = (double)xy[2 * j + 1];
    double dx = x1 - x0, dy = y1 - y0, len = std::sqrt(dx * dx + dy * dy);
    if (len == 0) continue;
    if ((x0 + reach < t.cx0 && x1 + reach < t.cx0) || (x0 - reach > t.cx1 && x1 - reach > t.cx1) ||
        (y0 + reach < t.cy0 && y1 + reach < t.cy0) || (y0 - reach > t.cy1 && y1 - reach > t.cy1))
      continue;
    double nx = -dy / len * h, ny = dx / len * h;
    pts.push_back({Fix(x0 + nx), Fix(y0 + ny)});
    pts.push_back({Fix(x1 + nx), Fix(y1 + ny)});
    pts.push_back({Fix(x1 - nx), Fix(y1 - ny)});
    pts.push_back({Fix(x0 - nx), Fix(y0 - ny)});
    counts.push_back(4);
  }
  for (int i = 0; i < count; ++i) {
    double x = (double)xy[2 * i], y = (double)xy[2 * i + 1];
    if (outside(x, y)) continue;
    int64_t fx = xy[2 * i] * FIX_ONE, fy = xy[2 * i + 1] * FIX_ONE;
    for (const FixPoint& d : disc) pts.push_back({fx + d.x, fy + d.y});
    counts.push_back(sides);
  }
  FillPolygons(t, pts.data(), counts.data(), (int)counts.size(), true);
}

}  // namespace plat::gdi
