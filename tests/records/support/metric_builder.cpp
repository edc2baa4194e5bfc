#include "support/metric_builder.h"

namespace {

template <typename T>
void Add(std::vector<char>& out, T v) {
  const char* c = reinterpret_cast<const char*>(&v);
  out.insert(out.end(), c, c + sizeof v);
}

template <typename T>
void AddXY(std::vector<char>& out, const BuildPoint& p) {
  Add<T>(out, static_cast<T>(p.x));
  Add<T>(out, static_cast<T>(p.y));
}

void AddPoint(std::vector<char>& out, DWORD kind, const BuildPoint& p) {
  switch (kind) {
    case METRIC_U16: case METRIC_U16H: AddXY<uint16_t>(out, p); break;
    case METRIC_I32: case METRIC_I32H: AddXY<int32_t>(out, p); break;
    case METRIC_F32: case METRIC_F32H: AddXY<float>(out, p); break;
    case METRIC_F64: case METRIC_F64H: AddXY<double>(out, p); break;
    default: return;
  }
  if (kind == METRIC_F64H) Add<double>(out, p.h);
  if (kind == METRIC_U16H || kind == METRIC_I32H || kind == METRIC_F32H)
    Add<float>(out, static_cast<float>(p.h));
}

}  // namespace

std::vector<char> BuildMetric(DWORD kind, const std::vector<BuildContour>& contours, bool text,
                              bool longCounts) {
  std::vector<char> out;
  Add<uint32_t>(out, kind);
  Add<uint32_t>(out, 0);
  Add<uint16_t>(out, static_cast<uint16_t>(contours.size() - 1));
  Add<uint16_t>(out, longCounts ? 1 : 0);
  for (const BuildContour& c : contours) {
    uint32_t n = static_cast<uint32_t>(c.points.size());
    if (longCounts) Add<uint32_t>(out, n);
    else Add<uint32_t>(out, n << 16);  // a zero word, then the u16 count
    for (const BuildPoint& p : c.points) AddPoint(out, kind, p);
    if (text) {
      size_t t = c.text.size();
      size_t pad = static_cast<size_t>(-(static_cast<int>(t) + 2)) & 3;
      if (c.code && pad == 0) pad = 4;
      out.push_back(static_cast<char>(t + pad));
      out.insert(out.end(), c.text.begin(), c.text.end());
      out.push_back(0);
      for (size_t i = 0; i < pad; ++i) out.push_back(i == 0 ? static_cast<char>(c.code) : 0);
    }
  }
  uint32_t length = static_cast<uint32_t>(out.size());
  std::memcpy(out.data() + 4, &length, 4);
  return out;
}

BuildContour SquareContour(double x, double y, double s, bool reverse) {
  if (reverse) return BuildContour({{x, y}, {x + s, y}, {x + s, y + s}, {x, y + s}, {x, y}});
  return BuildContour({{x, y}, {x, y + s}, {x + s, y + s}, {x + s, y}, {x, y}});
}

PointList Points(TDataEdit& e, int n) {
  PointList out;
  int count = e.PointCount(n);
  for (int i = 1; i <= count; ++i) {
    e.GoPointSubject(i, n);
    out.emplace_back(e.XDouble(), e.YDouble());
  }
  return out;
}
