#include "support/metric_builder.h"

#include <cmath>

namespace {

void Append(std::vector<char>& out, const void* p, size_t n) {
  const char* c = static_cast<const char*>(p);
  out.insert(out.end(), c, c + n);
}

template <typename T>
void Add(std::vector<char>& out, T v) {
  Append(out, &v, sizeof v);
}

void AddPoint(std::vector<char>& out, DWORD kind, const BuildPoint& p) {
  switch (kind) {
    case METRIC_U16:
      Add<uint16_t>(out, static_cast<uint16_t>(p.x));
      Add<uint16_t>(out, static_cast<uint16_t>(p.y));
      break;
    case METRIC_U16H:
      Add<uint16_t>(out, static_cast<uint16_t>(p.x));
      Add<uint16_t>(out, static_cast<uint16_t>(p.y));
      Add<float>(out, static_cast<float>(p.h));
      break;
    case METRIC_I32:
      Add<int32_t>(out, static_cast<int32_t>(p.x));
      Add<int32_t>(out, static_cast<int32_t>(p.y));
      break;
    case METRIC_I32H:
      Add<int32_t>(out, static_cast<int32_t>(p.x));
      Add<int32_t>(out, static_cast<int32_t>(p.y));
      Add<float>(out, static_cast<float>(p.h));
      break;
    case METRIC_F32:
      Add<float>(out, static_cast<float>(p.x));
      Add<float>(out, static_cast<float>(p.y));
      break;
    case METRIC_F32H:
      Add<float>(out, static_cast<float>(p.x));
      Add<float>(out, static_cast<float>(p.y));
      Add<float>(out, static_cast<float>(p.h));
      break;
    case METRIC_F64:
      Add<double>(out, p.x);
      Add<double>(out, p.y);
      break;
    case METRIC_F64H:
      Add<double>(out, p.x);
      Add<double>(out, p.y);
      Add<double>(out, p.h);
      break;
    default:
      break;
  }
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
    if (longCounts) {
      Add<uint32_t>(out, n);
    } else {
      Add<uint16_t>(out, 0);
      Add<uint16_t>(out, static_cast<uint16_t>(n));
    }
    for (const BuildPoint& p : c.points) AddPoint(out, kind, p);
    if (text) {
      size_t t = c.text.size();
      size_t pad = static_cast<size_t>(-(static_cast<int>(t) + 2)) & 3;
      if (c.code && pad == 0) pad = 4;
      out.push_back(static_cast<char>(t + pad));
      Append(out, c.text.data(), t);
      out.push_back(0);
      for (size_t i = 0; i < pad; ++i) out.push_back(i == 0 ? static_cast<char>(c.code) : 0);
    }
  }
  uint32_t length = static_cast<uint32_t>(out.size());
  std::memcpy(out.data() + 4, &length, 4);
  return out;
}

BuildContour SquareContour(double x, double y, double s, bool reverse) {
  BuildContour c;
  c.points = {{x, y}, {x, y + s}, {x + s, y + s}, {x + s, y}, {x, y}};
  if (reverse) c.points = {{x, y}, {x + s, y}, {x + s, y + s}, {x, y + s}, {x, y}};
  return c;
}
