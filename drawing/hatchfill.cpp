// Hatched and shaded fills on a device: the crossings of a sweeping line
// with the rings, the stretches inside the polygon set, and the sweeps.
#include "drawing/hatchfill.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "drawing/deviceline.h"
#include "drawing/deviceoutline.h"
#include "drawing/devicepainters.h"
#include "drawing/dibpainters.h"
#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "drawing/paintunits_internal.h"
#include "drawing/parmwords.h"
#include "drawing/pixelmath.h"
#include "drawing/rasterizer.h"

CROSSINGLIST CrossingList = {};

namespace {

using i64 = int64_t;
__extension__ typedef __int128 i128;

constexpr LONG kRecordLength = 24;   // code 153: six words
constexpr LONG kHatchDash = 250;     // the dashed line's default dash and gap
constexpr double kAlongAxis = 1.41;  // spacing along an axis per spacing across 45-degree lines
constexpr LONG kChannelTop = 240;    // the lightest a shaded channel gets
constexpr LONG kRightBandLeast = 2;  // percent: a thinner right band is not painted on a device

// --- Crossings ---

// Puts a crossing into the sorted list. At an equal value a vertex
// crossing and a plain one become one entry: a vertex entry takes the
// plain one's direction, a plain entry becomes the vertex crossing but
// keeps its own direction; vertex crossings of the same value line up,
// the newest first; plain ones the newest last.
void Insert(const CROSSING& n) {
  CROSSINGLIST& list = CrossingList;
  CROSSING* const items = list.Item;
  LONG i = LONG(std::lower_bound(items, items + list.Count, n.Value,
                                 [](const CROSSING& e, LONG v) { return e.Value < v; }) -
                items);
  for (; i < list.Count && items[i].Value == n.Value; ++i) {
    CROSSING& e = items[i];
    if (e.Vertex != 0 && n.Vertex == 0) {
      e.Direction = n.Direction;
      return;
    }
    if (e.Vertex == 0 && n.Vertex != 0) {
      const LONG direction = e.Direction;
      e = n;
      e.Direction = direction;
      return;
    }
    if (e.Vertex != 0) break;
  }
  if (list.Count >= CROSSINGS_MAX) return;
  std::memmove(items + i + 1, items + i, sizeof(CROSSING) * size_t(list.Count - i));
  items[i] = n;
  ++list.Count;
}

void Erase(LONG i) {
  CROSSINGLIST& list = CrossingList;
  std::memmove(list.Item + i, list.Item + i + 1, sizeof(CROSSING) * size_t(list.Count - i - 1));
  --list.Count;
}

// Neighbouring vertex crossings: one when the outline passes on through
// the line (same direction), none when it turns back there.
void MergeVertices() {
  CROSSINGLIST& list = CrossingList;
  LONG i = 0;
  while (i + 1 < list.Count) {
    const CROSSING& a = list.Item[i];
    const CROSSING& b = list.Item[i + 1];
    if (a.Vertex == 0 || b.Vertex == 0) {
      ++i;
    } else if (a.Direction == b.Direction) {
      Erase(i + 1);
      ++i;
    } else {
      Erase(i + 1);
      Erase(i);
    }
  }
}

// A segment from (u1, v1) to (u2, v2) against the line u = c: the value v
// where it crosses.
bool AxisCrossing(i64 u1, i64 v1, i64 u2, i64 v2, i64 c, LONG segment, CROSSING* out) {
  if (c < std::min(u1, u2) || c > std::max(u1, u2)) return false;
  i64 v;
  LONG vertex = 0;
  if (c == u1) {
    if (u1 == u2) return false;  // lying on the line
    v = v1, vertex = segment;
  } else if (c == u2) {
    v = v2, vertex = segment;
  } else {
    v = v1 + i64(i128(c - u1) * (v2 - v1) / (u2 - u1));
  }
  *out = CROSSING{LONG(v), u2 - u1 >= 1 ? 1 : 0, vertex};
  return true;
}

// A segment against the line y = c + k x: its y where it crosses.
bool DiagonalCrossing(POINT a, POINT b, i64 c, int k, LONG segment, CROSSING* out) {
  const i64 i1 = i64(a.y) - k * i64(a.x), i2 = i64(b.y) - k * i64(b.x);
  if (c < std::min(i1, i2) || c > std::max(i1, i2)) return false;
  i64 t;
  LONG vertex = 0;
  if (c == i1) {
    if (i1 == i2) return false;
    t = a.y, vertex = segment;
  } else if (c == i2) {
    t = b.y, vertex = segment;
  } else if (a.y == b.y) {
    t = a.y;
  } else if (a.x == b.x) {
    t = c + k * i64(a.x);
  } else {
    const double m = (double(b.y) - a.y) / (double(b.x) - a.x);
    t = NearestPixel((a.y - m * (double(k) * double(c) + a.x)) / (1.0 - k * m));
  }
  *out = CROSSING{SaturatePixel(t), i2 >= i1 ? 1 : 0, vertex};
  return true;
}

enum SweepKind { kVertical, kHorizontal, kDiagonal };

// A family of sweeping lines: x = c, y = c or y = c + k x.
struct Sweep {
  SweepKind Kind;
  int K;

  // The merged crossings of a ring with line c, in CrossingList.
  LONG Crossings(const POINT* ring, LONG count, i64 c) const {
    CrossingList.Count = 0;
    CROSSING x;
    for (LONG i = 0; i + 1 < count; ++i) {
      const POINT a = ring[i], b = ring[i + 1];
      bool found;
      if (Kind == kVertical)
        found = AxisCrossing(a.x, a.y, b.x, b.y, c, i + 1, &x);
      else if (Kind == kHorizontal)
        found = AxisCrossing(a.y, a.x, b.y, b.x, c, i + 1, &x);
      else
        found = DiagonalCrossing(a, b, c, K, i + 1, &x);
      if (found) Insert(x);
    }
    MergeVertices();
    return CrossingList.Count;
  }

  // The point of line c at sweep value t.
  POINT At(i64 c, LONG t) const {
    if (Kind == kVertical) return POINT{LONG(c), t};
    if (Kind == kHorizontal) return POINT{t, LONG(c)};
    return POINT{SaturatePixel((i64(t) - c) * K), t};
  }
};

int RingCrossings(const POINT* ring, int count, i64 c, const Sweep& sweep, POINT* out) {
  CrossingList.Count = 0;
  if (ring == nullptr || count < 2) return 0;
  const LONG n = sweep.Crossings(ring, count, c);
  if (out != nullptr)
    for (LONG i = 0; i < n; ++i) out[i] = sweep.At(c, CrossingList.Item[i].Value);
  return n;
}

// --- Stretches ---

struct Stretch {
  LONG S, E;
};

// The stretch store: kept between lines and calls so that a line costs no
// allocation; it grows past its first size only for lines that many holes
// cut into more pieces.
std::vector<Stretch>& Stretches() {
  static std::vector<Stretch> store = [] {
    std::vector<Stretch> v;
    v.reserve(STRETCH_BATCH);
    return v;
  }();
  return store;
}

// Cuts the stretch (a, b) of a hole out of the sorted stretches.
void CutOut(std::vector<Stretch>& spans, LONG a, LONG b) {
  for (size_t i = 0; i < spans.size();) {
    Stretch& s = spans[i];
    if (s.S > b) return;
    if (a < s.E && b > s.S) {
      if (a > s.S && b < s.E) {
        const Stretch rest{b, s.E};
        s.E = a;
        try {
          spans.insert(spans.begin() + i + 1, rest);
        } catch (const std::bad_alloc&) {
          // No room for the far piece: it is not drawn.
        }
        return;
      }
      if (a > s.S) {
        s.E = a;
      } else if (s.E <= b) {
        spans.erase(spans.begin() + i);
        continue;
      } else {
        s.S = b;
      }
    }
    ++i;
  }
}

// The stretches of line c inside the first ring and outside the others.
const std::vector<Stretch>& LineStretches(const POLYDATA* data, const Sweep& sweep, i64 c) {
  std::vector<Stretch>& spans = Stretches();
  spans.clear();
  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n <= 0) break;
    const LONG m = sweep.Crossings(p, n, c);
    const CROSSING* x = CrossingList.Item;
    if (part == 0) {
      for (LONG i = 0; i + 1 < m; i += 2) spans.push_back(Stretch{x[i].Value, x[i + 1].Value});
      if (spans.empty()) break;
    } else {
      for (LONG i = 0; i + 1 < m; i += 2) CutOut(spans, x[i].Value, x[i + 1].Value);
    }
    p += n;
  }
  return spans;
}

// Stretches drawn in batches as two-point parts: one device call per batch
// (and per colour), or, without a device, one-pixel lines into the memory
// image.
class StretchBatch {
 public:
  StretchBatch(HDC dc, const POLYDATA* data) : dc_(dc) {
    batch_.MinX = data->MinX, batch_.MinY = data->MinY;
    batch_.MaxX = data->MaxX, batch_.MaxY = data->MaxY;
  }
  ~StretchBatch() { Flush(); }
  StretchBatch(const StretchBatch&) = delete;
  StretchBatch& operator=(const StretchBatch&) = delete;

  void Solid(COLORREF color) {
    if (n_ > 0 && (dashed_ || color != solid_.Color)) Flush();
    dashed_ = false;
    solid_ = DEVICELINE{color, 1};
  }
  void Dashed(const DEVICEDASHLINE& line) {
    dashed_ = true;
    dash_ = line;
  }
  void Line(const Sweep& sweep, i64 c, const std::vector<Stretch>& spans) {
    for (const Stretch& s : spans) {
      if (n_ == STRETCH_BATCH) Flush();
      points_[2 * n_] = sweep.At(c, s.S);
      points_[2 * n_ + 1] = sweep.At(c, s.E);
      ++n_;
    }
  }
  void Flush() {
    if (n_ == 0) return;
    for (LONG i = 0; i < n_; ++i) counts_[i] = 2;
    batch_.Points = points_;
    batch_.PolyCounts = counts_;
    batch_.Count = n_;
    if (dc_ == nullptr)
      RasterThinPolyline(&batch_, SwapRedBlue(solid_.Color));
    else if (dashed_)
      DrawDeviceLine(dc_, &batch_, &dash_, 1.0);
    else
      DrawDevicePolylines(dc_, &batch_, &solid_, 1.0);
    n_ = 0;
  }

 private:
  HDC dc_;
  bool dashed_ = false;
  DEVICELINE solid_{};
  DEVICEDASHLINE dash_{};
  POLYDATA batch_{};
  LONG n_ = 0;
  POINT points_[2 * STRETCH_BATCH];
  LONG counts_[STRETCH_BATCH];
};

// --- Hatches ---

i64 CeilDiv(i64 a, i64 b) { return a >= 0 ? (a + b - 1) / b : -(-a / b); }

void HatchSweep(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale,
                const Sweep& sweep) {
  if (doc == nullptr || !HasParts(data) || parm == nullptr || ParmLong(parm, 0) < kRecordLength)
    return;
  const bool diagonal = sweep.Kind == kDiagonal;
  const double along = diagonal ? kAlongAxis : 1.0;
  const i64 spacing = std::max<LONG>(DeviceUnits(doc, ScaleTrunc(ParmLong(parm, 2) * along, scale)),
                                     diagonal ? 2 : 1);
  // Lines thicker than the spacing would only draw the same lines again.
  const i64 thickness =
      std::clamp<i64>(DeviceUnits(doc, ScaleTrunc(ParmLong(parm, 5) * along, scale)), 1, spacing);

  const i64 w = PaintContext.ImageWidth, h = PaintContext.ImageHeight;
  i64 from, to, low, high;
  if (sweep.Kind == kVertical) {
    from = data->MinX, to = data->MaxX, low = 0, high = w;
  } else if (sweep.Kind == kHorizontal) {
    from = data->MinY, to = data->MaxY, low = 0, high = h;
  } else if (sweep.K < 0) {
    from = i64(data->MinX) + data->MinY, to = i64(data->MaxX) + data->MaxY, low = 0, high = w + h;
  } else {
    from = i64(data->MinY) - data->MaxX, to = i64(data->MaxY) - data->MinX, low = -w, high = h;
  }
  to = std::min(to, high);
  // The first line of the grid whose copies reach the painting area.
  const i64 reach = low - (thickness - 1);
  if (from < reach) from += CeilDiv(reach - from, spacing) * spacing;
  if (from > to) return;

  StretchBatch batch(doc->PaintDc, data);
  const COLORREF color = LineColor(doc, ParmWord(parm, 4));
  if (ParmLong(parm, 3) == PRIM_DOT) {
    const double length = std::max(double(scale), 1.0);
    const LONG dash = DeviceUnits(doc, ScaleTrunc(kHatchDash, length));
    batch.Dashed(DEVICEDASHLINE{color, 1, dash, dash});
  } else {
    batch.Solid(color);
  }
  for (i64 c = from; c <= to; c += spacing) {
    for (i64 offset = std::max<i64>(0, low - c); offset < thickness; ++offset) {
      const i64 line = c + offset;
      if (line > high) return;
      batch.Line(sweep, line, LineStretches(data, sweep, line));
    }
  }
}

// --- Shading ---

struct Channels {
  i64 V[3];  // red, green, blue
};

COLORREF ColumnColor(const Channels& c) {
  auto byte = [](i64 v) { return COLORREF(std::clamp<i64>(v, 0, 255)); };
  return byte(c.V[0]) | byte(c.V[1]) << 8 | byte(c.V[2]) << 16;
}

// One band of columns s .. e: the left band dark to full to light, the
// right one light to full to dark, over half columns each way: (e - s +
// 1) / 2 on a device, (e - s + 2) / 2 (the band's column count plus one,
// halved) in the memory image.
void ShadeBand(StretchBatch& batch, const POLYDATA* data, i64 s, i64 e, bool left, i64 extra,
               const Channels& base, const Channels& dark, const Channels& light) {
  const i64 half = (e - s + 1 + extra) / 2;
  if (half < 1) return;
  const i64 mid = s + half, w = PaintContext.ImageWidth;
  const Sweep sweep{kVertical, 0};
  for (i64 x = std::max<i64>(s, 0); x <= e; ++x) {
    if (x > w) return;
    Channels c;
    for (int k = 0; k < 3; ++k) {
      const i64 v = base.V[k], d = dark.V[k], l = light.V[k];
      if (left)
        c.V[k] = x <= mid ? d + (v - d) * (x - s) / half : v + (l - v) * (x - mid) / half;
      else
        c.V[k] = x <= mid ? l - (l - v) * (x - s) / half : v - (v - d) * (x - mid) / half;
    }
    batch.Solid(ColumnColor(c));
    batch.Line(sweep, x, LineStretches(data, sweep, x));
  }
}

// Both bands of a shading record over the polygon set, on the device or
// (dc null) in the memory image; on a device a right band of fewer than
// 2 percent is not painted.
void ShadeBands(HDC dc, POLYDATA* data, const LONG* shading) {
  if (!HasParts(data) || shading == nullptr) return;
  const DWORD pixel = ColorToDibPixel(DWORD(shading[0]));
  const i64 intensity = shading[3];
  Channels base{{(pixel >> 16) & 255, (pixel >> 8) & 255, pixel & 255}}, dark, light;
  for (int k = 0; k < 3; ++k) {
    const i64 v = base.V[k];
    dark.V[k] = std::clamp<i64>(TruncatePixel((100.0 - intensity) * v * 0.01), 0, 255);
    light.V[k] = std::clamp<i64>(TruncatePixel((kChannelTop - v) * double(intensity) * 0.01 + v), 0,
                                 kChannelTop);
  }
  const i64 left = data->MinX, right = data->MaxX, width = right - left;
  StretchBatch batch(dc, data);
  const i64 extra = dc == nullptr ? 1 : 0;
  ShadeBand(batch, data, left, left + TruncatePixel(width * double(shading[1]) * 0.01 + 0.5), true,
            extra, base, dark, light);
  if (dc == nullptr || shading[2] >= kRightBandLeast)
    ShadeBand(batch, data, right - TruncatePixel(width * double(shading[2]) * 0.01 + 0.5), right,
              false, extra, base, dark, light);
}

}  // namespace

int RingCrossingsVertical(const POINT* ring, int count, LONG c, POINT* out) {
  return RingCrossings(ring, count, c, Sweep{kVertical, 0}, out);
}

int RingCrossingsHorizontal(const POINT* ring, int count, LONG c, POINT* out) {
  return RingCrossings(ring, count, c, Sweep{kHorizontal, 0}, out);
}

int RingCrossingsDiagonal(const POINT* ring, int count, LONG c, int k, POINT* out) {
  return RingCrossings(ring, count, c, Sweep{kDiagonal, k < 0 ? -1 : 1}, out);
}

void PaintHatch(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (parm == nullptr) return;
  switch (ParmLong(parm, 1)) {
    case 90:
      HatchVertical(doc, data, parm, scale);
      break;
    case 45:
      HatchDiagonal(doc, data, parm, -1, scale);
      break;
    case 135:
      HatchDiagonal(doc, data, parm, 1, scale);
      break;
    default:
      HatchHorizontal(doc, data, parm, scale);
      break;
  }
}

void HatchVertical(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  HatchSweep(doc, data, parm, scale, Sweep{kVertical, 0});
}

void HatchHorizontal(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  HatchSweep(doc, data, parm, scale, Sweep{kHorizontal, 0});
}

void HatchDiagonal(TPaintMetric* doc, POLYDATA* data, const char* parm, int k, float scale) {
  HatchSweep(doc, data, parm, scale, Sweep{kDiagonal, k < 0 ? -1 : 1});
}

void ShadeColumns(TPaintMetric* doc, POLYDATA* data, const LONG* shading) {
  if (doc != nullptr && doc->PaintDc != nullptr)
    ShadeBands(doc->PaintDc, data, shading);
}

void ShadePolygonBands(POLYDATA* data, const LONG* shading) {
  ShadeBands(nullptr, data, shading);
}

void ShadeSignColumns(TPaintMetric* doc, POLYDATA* data, const VECTORPLACEMENT* place, float) {
  if (place != nullptr) ShadeColumns(doc, data, place->Value);
}
