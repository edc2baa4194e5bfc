// Lines with signs: the slots of the record, the plan in pixels for the
// memory image or the device, and the two placements.
#include "drawing/linesigns.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "drawing/paintunits_internal.h"
#include "drawing/parmwords.h"
#include "drawing/pixelmath.h"
#include "records/primitives.h"

namespace {

using i64 = int64_t;
__extension__ typedef __int128 i128;

enum Slot : int { BASE, LINE_START, LINE_END, SEGMENT_START, SEGMENT_END, SIGN_A, SIGN_B };

constexpr LONG kMarginMicrons = 15000;    // signs this far outside the picture are painted
constexpr LONG kThresholdMicrons = 1000;  // sign A this large: per-segment placement

using Nested = LINESIGNSLOT;

// The nested elements of `size` bytes at `first`, in slot order; returns
// the number of slots read (the walk stops at an element that does not
// fit in what is left).
int ReadSlots(const char* first, LONG size, Nested* slots) {
  LONG at = 0;
  int read = 0;
  while (read < LINESIGNS_SLOTS && at + IMGELEMENT_HEAD <= size) {
    WORD head[2];
    std::memcpy(head, first + at, sizeof(head));
    if (head[0] < IMGELEMENT_HEAD || head[0] > size - at) break;
    Nested& n = slots[read++];
    n.Code = head[1];
    n.Parm = first + at + IMGELEMENT_HEAD;
    n.Length = head[0] - IMGELEMENT_HEAD;
    at += head[0];
  }
  return read;
}

POINT Point(i64 x, i64 y) { return POINT{SaturatePixel(x), SaturatePixel(y)}; }

// b + (b - a): the point beyond b in the direction from a.
POINT Beyond(POINT a, POINT b) { return Point(2 * i64(b.x) - a.x, 2 * i64(b.y) - a.y); }

// The plan of one call in pixels, with what the nested signs are painted
// through.
struct Plan {
  TPaintMetric* Doc = nullptr;
  POLYDATA* Data = nullptr;
  float Scale = 1.0f;
  const IMGPAINTER* Block = nullptr;
  Nested Slots[LINESIGNS_SLOTS];
  LONG StartGap = 0, EndGap = 0;
  double SpacingA = 1, SpacingB = 1, StartOffset = 0;
  LONG SizeStart = 0, SizeEnd = 0, SizeA = 1;
  LONG Margin = 0;
  double Threshold = 0;
  LONG Width = 0, Height = 0;  // the picture

  bool Has(int slot) const { return Slots[slot].Present(); }

  bool Visible(POINT p) const {
    return p.x >= -i64(Margin) && p.x < i64(Width) + Margin && p.y >= -i64(Margin) &&
           p.y < i64(Height) + Margin;
  }

  // A nested element with the whole polyline set.
  void PaintWith(int slot, POLYDATA* data) const {
    const Nested& n = Slots[slot];
    if (!n.Present() || n.Code > 255 || !PrimitiveFits(n.Code, n.Parm, n.Length)) return;
    Block[n.Code](Doc, data, n.Parm, Scale);
  }

  // A sign at `anchor`, turned toward `toward`.
  void Sign(int slot, POINT anchor, POINT toward) const {
    POINT points[2] = {anchor, toward};
    LONG count = 2;
    POLYDATA two{};
    two.Points = points;
    two.PolyCounts = &count;
    two.Count = 1;
    two.Semantic = Data->Semantic;
    two.ShowScale = Data->ShowScale;
    PaintWith(slot, &two);
  }
};

// The sizes of the segment-start, segment-end and A signs: dword 3 of
// their parameters (segment end: the larger of dwords 3 and 12).
LONG SizeOf(const Nested& n) { return n.Word(3); }
LONG EndSizeOf(const Nested& n) { return std::max(n.Word(3), n.Word(12)); }

// The range of parameters t for which a + t (b - a) lies in the box
// [lo, hi] on both axes; false when none does.
bool ClipLine(double ax, double ay, double dx, double dy, double lo, double hix, double hiy,
              double* t0, double* t1) {
  double a = -1e300, b = 1e300;
  const double start[2] = {ax, ay}, delta[2] = {dx, dy}, high[2] = {hix, hiy};
  for (int axis = 0; axis < 2; ++axis) {
    const double s = start[axis], d = delta[axis];
    if (d == 0) {
      if (s < lo || s > high[axis]) return false;
      continue;
    }
    double u = (lo - s) / d, v = (high[axis] - s) / d;
    if (u > v) std::swap(u, v);
    a = std::max(a, u);
    b = std::min(b, v);
  }
  *t0 = a;
  *t1 = b;
  return a <= b;
}

// The range of lengths along (p, q), measured in `unit` steps per whole
// segment, outside which a point placed on the segment's raster line lies
// beyond the picture widened by the margin; `slack` pixels are allowed for
// how far a placed point may lie from the exact line. False when no point
// of the line comes near the picture.
bool NearRange(const Plan& plan, POINT p, POINT q, double unit, double slack, double* lo,
               double* hi) {
  const double m = double(plan.Margin) + slack;
  double t0, t1;
  if (!ClipLine(p.x, p.y, double(q.x) - p.x, double(q.y) - p.y, -m, plan.Width + m,
                plan.Height + m, &t0, &t1))
    return false;
  constexpr double kFar = 1e18;  // beyond any length of a 32-bit segment
  *lo = std::clamp(std::floor(t0 * unit) - 1, -kFar, kFar);
  *hi = std::clamp(std::ceil(t1 * unit) + 1, -kFar, kFar);
  return true;
}

// --- Per-segment placement ---

void PlaceAlongSegment(const Plan& plan, POINT p, POINT q, double ratio, double d0, double spA,
                       double spB, i64 count) {
  const bool b = plan.Has(SIGN_B);
  const int perCycle = b ? 2 : 1;
  const double cycle = b ? spA + spB : spA;
  // Steps along the major axis that may reach the widened picture.
  const i64 major = std::max(std::abs(i64(q.x) - p.x), std::abs(i64(q.y) - p.y));
  double kLo = 0, kHi = 0;
  if (!NearRange(plan, p, q, double(major), 2.0, &kLo, &kHi)) return;
  i64 first = 0;
  if (major > 0 && cycle > 0) {
    const double cycles = std::floor((kLo / ratio - d0) / cycle) - 1;
    if (cycles > 0) first = std::min(count, i64(cycles) * perCycle);
  }
  for (i64 i = first; i < count; ++i) {
    const i64 na = b ? (i + 1) / 2 : i, nb = b ? i / 2 : 0;
    const double distance = d0 + double(na) * spA + double(nb) * spB;
    const double steps = distance * ratio;
    if (major > 0 && steps > kHi) break;
    const POINT at = WalkLinePoints(p, q, i64(std::min(steps, 1e15)));
    if (plan.Visible(at)) plan.Sign(b && i % 2 == 1 ? SIGN_B : SIGN_A, at, q);
  }
}

void PerSegment(const Plan& plan, const POINT* pts, LONG n) {
  const bool a = plan.Has(SIGN_A), b = plan.Has(SIGN_B);
  bool firstDrawn = true;
  for (LONG i = 0; i + 1 < n; ++i) {
    const POINT p = pts[i], q = pts[i + 1];
    if ((p.x < 0 && q.x < 0) || (p.x >= plan.Width && q.x >= plan.Width) ||
        (p.y < 0 && q.y < 0) || (p.y >= plan.Height && q.y >= plan.Height))
      continue;
    double ratio = 1.0;
    const i64 length = SegmentStepRatio(p, q, &ratio);
    i64 endRoom = length;
    double d0 = 0, remaining = double(length);
    if (plan.Has(SEGMENT_START) || plan.StartGap >= 1) {
      if (plan.Has(SEGMENT_START) && plan.SizeStart < length) {
        plan.Sign(SEGMENT_START, p, q);
        endRoom -= plan.SizeStart;
      }
      d0 = plan.StartGap;
      remaining = std::max(double(length) - plan.StartGap, 0.0);
    } else if (firstDrawn && plan.Has(LINE_START)) {
      d0 = plan.StartOffset;
      remaining = double(length) - plan.StartOffset;
    }
    firstDrawn = false;
    remaining = std::max(remaining - plan.EndGap, 0.0);

    if (a || b) {
      double spA = plan.SpacingA, spB = plan.SpacingB;
      i64 count = 0;
      if (a && b) {
        const double period = std::max(std::trunc(spA + spB), 1.0);
        const double q = std::trunc(remaining / period);
        if (q < 1) {
          count = remaining / spA >= 1 ? 1 : 0;
        } else {
          // Pairs fill the segment exactly, with a last A when room is left.
          const bool pairsOnly = remaining - q * period < spA;
          const double factor = remaining / (pairsOnly ? q * period : q * period + spA);
          count = i64(q) * 2 + (pairsOnly ? 0 : 1);
          spA *= factor;
          spB *= factor;
        }
      } else {
        count = i64(remaining / spA);
        if (count > 1) spA = remaining / double(count);
      }
      if (count < 1) count = remaining < plan.SizeA ? 0 : 1;
      PlaceAlongSegment(plan, p, q, ratio, d0, spA, spB, count);
    }
    if (plan.Has(SEGMENT_END) && plan.SizeEnd < endRoom) plan.Sign(SEGMENT_END, q, Beyond(p, q));
  }
}

// --- Along-the-line placement ---

// The next sign of the alternation A, B, A, ... (only the one there is
// when the other is empty).
int NextSign(const Plan& plan, int sign) {
  if (!plan.Has(SIGN_A)) return SIGN_B;
  if (!plan.Has(SIGN_B)) return SIGN_A;
  return sign == SIGN_A ? SIGN_B : SIGN_A;
}

void AlongLine(const Plan& plan, const POINT* pts, LONG n) {
  const bool signs = plan.Has(SIGN_A) || plan.Has(SIGN_B);
  auto whole = [](double v) { return std::max<i64>(i64(std::min(v, 1e15)), 1); };
  const i64 spacing[2] = {whole(plan.SpacingA), whole(plan.SpacingB)};
  auto spacingOf = [&](int sign) { return spacing[sign == SIGN_B ? 1 : 0]; };
  i64 cycle = plan.Has(SIGN_A) ? spacing[0] : 0;
  if (plan.Has(SIGN_B)) cycle += spacing[1];
  int sign = NextSign(plan, SIGN_B);
  i64 need = 0;  // length to the next sign: the first stands on the first point
  for (LONG i = 0; i + 1 < n; ++i) {
    const POINT p = pts[i], q = pts[i + 1];
    const double dx = double(q.x) - p.x, dy = double(q.y) - p.y;
    if (dx * dx + dy * dy < 0.0001) continue;
    const i64 length = i64(std::sqrt(dx * dx + dy * dy) + 0.5);
    const POINT toward = Point(p.x + 2 * (i64(q.x) - p.x), p.y + 2 * (i64(q.y) - p.y));
    i64 endRoom = length;
    if (plan.Has(SEGMENT_START) && plan.SizeStart < length) {
      plan.Sign(SEGMENT_START, p, toward);
      endRoom -= plan.SizeStart;
    }
    if (signs) {
      double lo = 0, hi = -1;
      if (!NearRange(plan, p, q, double(length), 1.0, &lo, &hi)) lo = double(length) + 1;
      i64 at = need;
      while (at <= length) {
        // Whole cycles of signs outside the picture are passed over.
        const i64 target = at < lo ? std::min(i64(lo), length) : (at > hi ? length : at);
        if (target > at && cycle > 0 && (target - at) / cycle > 0) {
          at += (target - at) / cycle * cycle;
          continue;
        }
        const POINT pos = Point(p.x + i64(i128(at) * (i64(q.x) - p.x) / length),
                                p.y + i64(i128(at) * (i64(q.y) - p.y) / length));
        if (plan.Visible(pos)) plan.Sign(sign, pos, toward);
        at += spacingOf(sign);
        sign = NextSign(plan, sign);
      }
      need = at - length;
    }
    if (plan.Has(SEGMENT_END) && plan.SizeEnd < endRoom) plan.Sign(SEGMENT_END, q, Beyond(p, q));
  }
}

// --- The engine ---

// The signs at the start of the first part and the end of the last; false
// when a part count below 0 ends the painting.
bool LineEnds(const Plan& plan) {
  const POLYDATA* data = plan.Data;
  const LONG* counts = data->PolyCounts;
  if (counts[0] < 0) return false;
  if (counts[0] >= 2 && plan.Has(LINE_START))
    plan.Sign(LINE_START, data->Points[0], data->Points[1]);
  if (!plan.Has(LINE_END)) return true;
  i64 offset = 0;
  for (LONG i = 0; i + 1 < data->Count; ++i) {
    if (counts[i] < 0) return false;
    offset += counts[i];
  }
  const LONG last = counts[data->Count - 1];
  if (last < 0) return false;
  if (last >= 2) {
    const POINT* end = data->Points + offset + last;
    plan.Sign(LINE_END, end[-1], Beyond(end[-2], end[-1]));
  }
  return true;
}

void Run(Plan& plan, BYTE mode) {
  plan.PaintWith(BASE, plan.Data);
  if (!LineEnds(plan) || !(plan.Scale >= 0.1f) || !std::isfinite(plan.Scale)) return;
  if (mode == LINESIGNS_MODE_DECIDE) {
    if (plan.Has(SEGMENT_START) || plan.Has(SEGMENT_END) || plan.SizeA >= plan.Threshold)
      mode = LINESIGNS_MODE_SEGMENT;
    else
      mode = plan.Has(SIGN_A) || plan.Has(SIGN_B) ? LINESIGNS_MODE_LINE : LINESIGNS_MODE_SEGMENT;
  }
  const POLYDATA* data = plan.Data;
  i64 offset = 0;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n < 0 || n > LINESIGNS_PART_MAX) return;
    if (mode == LINESIGNS_MODE_LINE)
      AlongLine(plan, data->Points + offset, n);
    else
      PerSegment(plan, data->Points + offset, n);
    offset += n;
  }
}

// Reads the header's slots; false when there is nothing to paint.
bool Prepare(Plan& plan, TPaintMetric* doc, POLYDATA* data, float scale, const char* first,
             LONG size) {
  if (!HasParts(data) || first == nullptr || size < IMGELEMENT_HEAD + 1) return false;
  plan.Doc = doc;
  plan.Data = data;
  plan.Scale = scale;
  ReadSlots(first, size, plan.Slots);
  return true;
}

// Spacing B: its own, or that of A when it has none.
double SpacingB(const LINESIGNSHEAD& h, double a, double k) {
  return h.SpacingB > 0 ? h.SpacingB * k : a;
}

// The header of code 146 (length, spacing, elements from byte 8); false
// when its record ends before the sixth element.
bool ShortHead(const char* parm, LINESIGNSHEAD* head, LONG* size) {
  if (parm == nullptr) return false;
  // The spacing is read only from a record long enough to hold it.
  const LONG length = ParmLong(parm, 0);
  if (length < int(LINESIGNS_SHORT_HEAD) + IMGELEMENT_HEAD + 1) return false;
  const LONG spacing = ParmLong(parm, 1);
  *size = length - LINESIGNS_SHORT_HEAD;
  Nested slots[LINESIGNS_SLOTS];
  if (ReadSlots(parm + LINESIGNS_SHORT_HEAD, *size, slots) <= SIGN_A) return false;
  *head = LINESIGNSHEAD{};
  head->Length = DWORD(length) + (LINESIGNS_HEAD - LINESIGNS_SHORT_HEAD);
  head->SpacingA = spacing;
  head->SpacingB = spacing;
  if (slots[SIGN_A].Present())
    head->SpacingA = SaturatePixel(i64(spacing) + slots[SIGN_A].Word(3));
  head->Mode = LINESIGNS_MODE_DECIDE;
  return true;
}

// The header of code 157 and the bytes of its elements; false for a
// record shorter than its header (the header is not read from it).
bool FullHead(const char* parm, LINESIGNSHEAD* head, LONG* size) {
  if (parm == nullptr || ParmWord(parm, 0) < DWORD(LINESIGNS_HEAD)) return false;
  std::memcpy(head, parm, sizeof(*head));
  *size = LONG(std::min<DWORD>(head->Length, 0x7FFFFFFF)) - LINESIGNS_HEAD;
  return true;
}

void PaintDevice(TPaintMetric* doc, POLYDATA* data, const LINESIGNSHEAD& h, float scale,
                 const char* first, LONG size) {
  Plan plan;
  if (doc == nullptr || !Prepare(plan, doc, data, scale, first, size)) return;
  const double s = scale;
  auto du = [&](LONG microns) { return DeviceUnits(doc, microns) * s; };
  plan.Block = DevicePainterTable[0].data();
  plan.StartGap = TruncatePixel(du(h.StartGap));
  plan.EndGap = TruncatePixel(du(h.EndGap));
  plan.SpacingA = std::max<LONG>(TruncatePixel(du(h.SpacingA)), 2);
  plan.SpacingB = h.SpacingB > 0 ? du(h.SpacingB) : plan.SpacingA;
  plan.StartOffset = du(h.StartOffset);
  plan.SizeStart = TruncatePixel(du(SizeOf(plan.Slots[SEGMENT_START])));
  plan.SizeEnd = TruncatePixel(du(EndSizeOf(plan.Slots[SEGMENT_END])));
  const Nested& a = plan.Slots[SIGN_A];
  const LONG sizeA = a.Word(3) < 100 ? a.Word(9) : a.Word(3);
  plan.SizeA = a.Present() ? std::max<LONG>(TruncatePixel(du(sizeA)), 1) : 1;
  plan.Margin = TruncatePixel(du(kMarginMicrons));
  plan.Threshold = du(kThresholdMicrons);
  plan.Width = doc->PaintWidth;
  plan.Height = doc->PaintHeight;
  Run(plan, h.Mode);
}

}  // namespace

LONG LINESIGNSLOT::Word(int n) const { return Length >= 4 * (n + 1) ? ParmLong(Parm, n) : 0; }

int ReadLineSignsSlots(int code, const char* parm, LINESIGNSLOT slots[LINESIGNS_SLOTS]) {
  if (parm == nullptr || (code != PRIM_DECORATED_SHORT && code != PRIM_DECORATED)) return 0;
  const LONG head = code == PRIM_DECORATED ? LINESIGNS_HEAD : LINESIGNS_SHORT_HEAD;
  const LONG size = LONG(std::min<DWORD>(ParmWord(parm, 0), 0x7FFFFFFF)) - head;
  return ReadSlots(parm + head, size, slots);
}

int64_t SegmentStepRatio(POINT a, POINT b, double* ratio) {
  const i64 dx = std::abs(i64(b.x) - a.x), dy = std::abs(i64(b.y) - a.y);
  const double major = double(std::max(dx, dy) + 1), minor = double(std::min(dx, dy));
  const double square = major * major + minor * minor;
  if (square < 0.001) {
    *ratio = 1.0;
    return 0;
  }
  const i64 length = i64(std::sqrt(square));
  *ratio = major / double(length);
  return length;
}

POINT WalkLinePoints(POINT a, POINT b, int64_t n) {
  const i64 dx = i64(b.x) - a.x, dy = i64(b.y) - a.y;
  const i64 ax = std::abs(dx), ay = std::abs(dy);
  const i64 steps = std::clamp<i64>(n, 0, i64(1) << 40);
  const bool steep = ax <= ay;
  const i64 major = (steep ? ay : ax) + 1, minor = (steep ? ax : ay) + 1;
  const int sx = dx < 0 ? -1 : (dx > 0 ? 1 : 0), sy = dy < 0 ? -1 : (dy > 0 ? 1 : 0);
  // Minor steps after k steps: floor(k x minor / major), or none on a line
  // without minor extent.
  const i64 across = minor > 1 ? i64(i128(steps) * minor / major) : 0;
  if (steep) return Point(a.x + across * sx, a.y + steps * sy);
  return Point(a.x + steps * sx, a.y + across * sy);
}

void PaintLineSigns(TPaintMetric* doc, POLYDATA* data, const LINESIGNSHEAD* head, float scale,
                    const char* first, LONG size) {
  Plan plan;
  if (head == nullptr || !Prepare(plan, doc, data, scale, first, size)) return;
  const LINESIGNSHEAD& h = *head;
  const double k = 1e-6 * GetScreenPixelsPerMeterH() * scale;
  plan.Block = DibPainterTable[DIB_FULLCOLOUR].data();
  plan.StartGap = ScaleTrunc(h.StartGap, k);
  plan.EndGap = ScaleTrunc(h.EndGap, k);
  plan.SpacingA = std::max<LONG>(ScaleTrunc(h.SpacingA, k), 1);
  plan.SpacingB = SpacingB(h, plan.SpacingA, k);
  plan.StartOffset = h.StartOffset * k;
  plan.SizeStart = ScaleTrunc(SizeOf(plan.Slots[SEGMENT_START]), k);
  plan.SizeEnd = ScaleTrunc(EndSizeOf(plan.Slots[SEGMENT_END]), k);
  const Nested& a = plan.Slots[SIGN_A];
  plan.SizeA = a.Present() ? std::max<LONG>(ScaleTrunc(SizeOf(a), k), 1) : 1;
  plan.Margin = ScaleTrunc(kMarginMicrons, k);
  plan.Threshold = TruncatePixel(kThresholdMicrons * k + 0.5);
  plan.Width = PaintContext.ImageWidth;
  plan.Height = PaintContext.ImageHeight;
  Run(plan, h.Mode);
}

void PaintLineSigns146(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  LINESIGNSHEAD head;
  LONG size = 0;
  if (ShortHead(parm, &head, &size))
    PaintLineSigns(doc, data, &head, scale, parm + LINESIGNS_SHORT_HEAD, size);
}

void PaintLineSigns157(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  LINESIGNSHEAD head;
  LONG size = 0;
  if (FullHead(parm, &head, &size))
    PaintLineSigns(doc, data, &head, scale, parm + LINESIGNS_HEAD, size);
}

void PaintLineSignsDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  LINESIGNSHEAD head;
  LONG size = 0;
  if (FullHead(parm, &head, &size)) PaintDevice(doc, data, head, scale, parm + LINESIGNS_HEAD, size);
}

void PaintShortLineSignsDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  LINESIGNSHEAD head;
  LONG size = 0;
  if (ShortHead(parm, &head, &size))
    PaintDevice(doc, data, head, scale, parm + LINESIGNS_SHORT_HEAD, size);
}
