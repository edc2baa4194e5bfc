// The pattern line of code 158: items laid out per part, stretched to whole
// patterns, and walked along the part's segments.
#include "drawing/patternline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "drawing/deviceline.h"
#include "drawing/deviceoutline.h"
#include "drawing/dibpainters.h"
#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "drawing/parmwords.h"
#include "drawing/pixelmath.h"
#include "drawing/rasterizer.h"
#include "records/primitives.h"

namespace {

using i64 = int64_t;

enum class Kind { Gap, Line, Vector, Font };

constexpr int kLineParm = 8;    // colour, thickness
constexpr int kFontParm = 92;   // IMGFONTSIGN
constexpr int kVectorParm = 56; // IMGVECTOREX up to its first subject

struct Item {
  Kind kind;
  const char* parm;
  LONG extent;       // pixels
  double length;     // pixels along the current part
  double thickness;  // line pieces, pixels
  COLORREF color;    // line pieces: the device colour, or the memory image's colour word
};

// The document's device units of a length in micrometres.
LONG DeviceUnits(const TPaintMetric* doc, double micrometres) {
  return TruncatePixel(TruncatePixel(micrometres) * doc->PixelsPerMicronH + 0.3);
}

// The memory image's pixels of a length in micrometres (at the screen's
// resolution).
LONG DibUnits(double micrometres) {
  return TruncatePixel(micrometres * GetScreenPixelsPerMeterH() * 1e-6);
}

// A line piece's colour on the device: the forced colour while one is set.
COLORREF PieceColor(const TPaintMetric* doc, DWORD word) {
  if (doc->ForcedColor != 0xFFFFFFFF) return doc->ForcedColor;
  return ColorToDeviceColor(word) & 0xFFFFFF;
}

bool Same(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

POLYDATA TwoPoints(POINT* two, LONG* count, const POLYDATA& from) {
  *count = 2;
  return PlacedPartOf(from, two, count);
}

struct Pattern {
  TPaintMetric* doc = nullptr;
  HDC dc = nullptr;
  bool dib = false;  // painted into the memory image
  const POLYDATA* data = nullptr;
  float scale = 1.0f;
  Item items[PATTERN_ITEMS_MAX] = {};
  int count = 0;
  int endItem = 0;
  CLIPWINDOW window{};

  int Next(int i) const { return i + 1 < count ? i + 1 : 0; }

  // A sign of item i at `from`, turned towards `to`.
  void Sign(const Item& item, POINT from, POINT to) {
    POINT two[2] = {from, to};
    LONG n;
    POLYDATA d = TwoPoints(two, &n, *data);
    if (dib)
      (item.kind == Kind::Vector ? PaintDibVectorSign : PaintDibText151)(doc, &d, item.parm,
                                                                         scale);
    else
      DevicePainterTable[0][item.kind == Kind::Vector ? PRIM_VECTOR : PRIM_FONT_SIGN](
          doc, &d, item.parm, scale);
  }

  // A line piece from a to b along (ux, uy); j is its joined first corner.
  void Piece(const Item& item, POINT a, POINT b, double ux, double uy, bool joined, POINT j) {
    if (item.thickness >= 2) {
      const POINT o = BandOffset(ux, uy, item.thickness / 2);
      const POINT first = joined ? j : POINT{a.x - o.x, a.y - o.y};
      if (!dib) {
        FillBand(dc, a, first, b, o, item.color);
        return;
      }
      POINT ring[6];
      BandPolygon(a, first, b, o, ring);
      LONG n = 6;
      POLYDATA band = PlacedPartOf(*data, ring, &n);
      const LocalParm<1> fill{item.color};
      PaintDibFill(doc, &band, fill(), 1.0f);
      return;
    }
    POINT two[2] = {a, b};
    LONG n;
    POLYDATA d = TwoPoints(two, &n, *data);
    if (dib) {
      const RASTERLINE line{ColorToDibPixel(item.color), 1};
      RasterLine(&d, &line, 1.0f);
      return;
    }
    const DEVICELINE line{item.color, 1};
    OutputPolylineChunks(dc, &d, &line);
  }

  void Part(const POINT* p, LONG count);
};

void Pattern::Part(const POINT* p, LONG n) {
  const double L = PolylineLength(p, n);
  if (n < 2 || L < 1) return;
  const bool closed = Same(p[0], p[n - 1]);

  double A = 0, B = 0, A0 = 0, B0 = 0;
  for (int i = 0; i < count; ++i) {
    const bool sign = items[i].kind == Kind::Vector || items[i].kind == Kind::Font;
    (sign ? B : A) += items[i].extent;
    if (i <= endItem) (sign ? B0 : A0) += items[i].extent;
  }
  if (A + B <= 0) return;
  if (A0 + B0 < 1) A0 = A, B0 = B;
  LONG periods;
  double S, T;
  if (closed) {
    periods = std::max<LONG>(NearestClamped(L / (A + B)), 1);
    S = B * periods, T = A * periods;
  } else {
    periods = std::max<LONG>(NearestClamped((L - A0 - B0) / (A + B) + 1), 1);
    S = B0 + B * (periods - 1), T = A0 + A * (periods - 1);
  }

  int cur = 0;
  if (periods > 1 || L - S - T / 2 >= 0) {
    for (int i = 0; i < count; ++i) {
      Item& it = items[i];
      const bool sign = it.kind == Kind::Vector || it.kind == Kind::Font;
      if (T >= 1)
        it.length = sign ? it.extent : std::max(it.extent * (L - S) / T, 1.0);
      else
        it.length = std::max(it.extent * L / S, 1.0);
    }
  } else {
    // A short part: one line piece along the whole of it.
    cur = -1;
    for (int i = 0; i < count && cur < 0; ++i)
      if (items[i].kind == Kind::Line) cur = i;
    if (cur < 0) return;
    for (int i = 0; i < count; ++i) items[i].length = std::max<double>(items[i].extent, 1.0);
    items[cur].length = L + 1;
  }
  double cycle = 0;
  for (int i = 0; i < count; ++i) cycle += items[i].length;

  double pos = items[cur].length;
  POINT start = p[0];
  bool joined = false;
  POINT join{};
  if (closed && items[cur].kind == Kind::Line && items[cur].thickness > 2 &&
      ClipOutcode(p[0], window) == 0) {
    LONG last = n - 2, next = 1;
    while (last > 0 && Same(p[last], p[0])) --last;
    while (next < n - 1 && Same(p[next], p[0])) ++next;
    double len, ux, uy;
    if (last > 0 && SegmentDirection(p[last], p[0], &len, &ux, &uy)) {
      join = JoinCorner(p[last], p[0], p[next], BandOffset(ux, uy, items[cur].thickness / 2));
      joined = true;
    }
  }

  bool lastClipped = false;
  for (LONG i = 1; i < n; ++i) {
    const POINT a = p[i - 1], b = p[i];
    double len, ux, uy;
    if (!SegmentDirection(a, b, &len, &ux, &uy)) continue;
    const bool clipped = (ClipOutcode(a, window) & ClipOutcode(b, window)) != 0;
    lastClipped = clipped;
    double from = 0, to = -1;
    const bool visible = !clipped && SegmentWindowRange(a, ux, uy, len, window, 1.0, &from, &to);
    // Whole patterns outside the window only advance the walk.
    auto skip = [&](double until) {
      if (pos + cycle < until) {
        const double whole = std::floor((until - pos) / cycle) - 1;
        if (whole > 0) {
          pos += whole * cycle;
          start = PointAlong(a, ux, uy, pos - items[cur].length);
          joined = false;
        }
      }
    };
    if (!visible) {
      skip(len);
      while (pos < len) {
        cur = Next(cur);
        pos += items[cur].length;
      }
      start = b;
      joined = false;
      pos -= len;
      continue;
    }
    skip(from);
    while (pos < len) {
      const POINT q = PointAlong(a, ux, uy, pos);
      const Item& it = items[cur];
      if (it.kind == Kind::Line) {
        Piece(it, start, q, ux, uy, joined, join);
      } else if (it.kind != Kind::Gap) {
        POINT target = q;
        if (Same(target, start)) target = b;
        if (Same(target, start)) target = POINT{SaturatePixel(2 * i64(b.x) - a.x),
                                                SaturatePixel(2 * i64(b.y) - a.y)};
        Sign(it, start, target);
      }
      cur = Next(cur);
      start = q;
      joined = false;
      pos += items[cur].length;
      if (pos > to + cycle) skip(len);
    }
    if (items[cur].kind == Kind::Line) {
      // The running piece is drawn to the corner and goes on from there.
      const Item& it = items[cur];
      Piece(it, start, b, ux, uy, joined, join);
      LONG next = i + 1;
      while (next < n && Same(p[next], b)) ++next;
      joined = next < n && it.thickness >= 2;
      if (joined) join = JoinCorner(a, b, p[next], BandOffset(ux, uy, it.thickness / 2));
      start = b;
    }
    pos -= len;
  }

  // The end of the part: a final sign with the end item.
  POINT end = p[n - 1];
  if ((items[cur].kind == Kind::Gap || items[cur].kind == Kind::Line) && pos < 1) {
    const POINT before = p[n - 2];
    cur = Next(cur);
    start = end;
    end = POINT{SaturatePixel(2 * i64(end.x) - before.x), SaturatePixel(2 * i64(end.y) - before.y)};
  }
  if (cur != endItem && Next(cur) != endItem) return;
  cur = endItem;
  const Item& it = items[cur];
  if (Same(start, end) || lastClipped) return;
  if (it.kind == Kind::Vector) {
    const double dx = double(end.x) - start.x, dy = double(end.y) - start.y;
    if (T >= 1 || 0.9 * it.length < std::sqrt(dx * dx + dy * dy)) Sign(it, start, end);
  } else if (it.kind == Kind::Font) {
    Sign(it, start, end);
  }
}

}  // namespace

namespace {

// Lays the pattern out from its record and walks every part: on the
// document's device, or (dib) into the memory image.
void PaintPattern(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale, bool dib) {
  if (data == nullptr || parm == nullptr || data->Points == nullptr || data->PolyCounts == nullptr)
    return;
  // The header is read only from a record whose length word holds it.
  if (ParmWord(parm, 0) < DWORD(PATTERN_RECORD_MIN)) return;
  IMGPATTERNLINE head;
  std::memcpy(&head, parm, sizeof head);
  if (head.Count < 0) return;
  const LONG wanted = std::min<LONG>(head.Count, PATTERN_ITEMS_MAX);

  Pattern pattern;
  pattern.doc = doc;
  pattern.dc = dib ? nullptr : doc->PaintDc;
  pattern.dib = dib;
  pattern.data = data;
  pattern.scale = std::max(scale, 0.2f);
  const double s = pattern.scale;
  auto units = [&](double micrometres) {
    return dib ? DibUnits(micrometres) : DeviceUnits(doc, micrometres);
  };
  DWORD at = sizeof(IMGPATTERNLINE);
  for (LONG i = 0; i < wanted; ++i) {
    if (i64(at) + i64(sizeof(IMGPATTERNITEM)) > i64(head.Length)) break;
    IMGPATTERNITEM item;
    std::memcpy(&item, parm + at, sizeof item);
    if (item.Length < sizeof item || i64(at) + item.Length > i64(head.Length)) break;
    const DWORD parmBytes = item.Length - sizeof item;
    Item& it = pattern.items[pattern.count++];
    it = Item{Kind::Gap, parm + at + sizeof item, units(LONG(item.Extent) * s), 0, 1.0, 0};
    if (it.extent < 0) it.extent = 0;
    if (item.Code == PRIM_LINE && parmBytes >= DWORD(kLineParm)) {
      it.kind = Kind::Line;
      const LONG thickness = ParmLong(it.parm, 1);
      if (dib) {
        // Whole pixels: trunc(t x s) / 250 - 1 from scale 1 on, else 1.
        it.color = ParmWord(it.parm, 0);
        if (s >= 1.0) it.thickness = ScaleTrunc(thickness, s) / 250 - 1;
      } else {
        it.color = PieceColor(doc, ParmWord(it.parm, 0));
        if (s >= 1.0) it.thickness = thickness * s * doc->PixelsPerMicronH;
      }
      if (!(it.thickness >= 0) || it.thickness > 65000) it.thickness = 1.0;
    } else if (item.Code == PRIM_VECTOR && parmBytes >= DWORD(kVectorParm) &&
               PrimitiveFits(PRIM_VECTOR, it.parm, int(parmBytes))) {
      // The sign is read by its own length: one that runs past its item
      // is a gap.
      it.kind = Kind::Vector;
    } else if (item.Code == PRIM_FONT_SIGN && parmBytes >= DWORD(kFontParm)) {
      it.kind = Kind::Font;
    }
    at += item.Length;
  }
  if (pattern.count == 0) return;
  pattern.endItem = head.EndItem >= 0 && head.EndItem < pattern.count ? head.EndItem : 0;
  const double margin = units(head.Margin * s);
  pattern.window = ImageClipWindow(margin > 0 ? margin : 0);

  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n < 0) return;
    pattern.Part(p, n);
    p += n;
  }
}

}  // namespace

void PaintPatternLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (doc != nullptr) PaintPattern(doc, data, parm, scale, false);
}

void PaintPatternLineDib(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  PaintPattern(doc, data, parm, scale, true);
}
