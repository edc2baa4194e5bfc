// The area condition of a selection context: the area contour taken from
// an object, the area test of one object in the three relations, and the
// area search that turns the objects in the relation into the sample.
//
// Every test works in the map's units: the area contour is kept there, and
// the object's points (relative to their sheet's origin) are shifted by the
// origin once when they are taken. The frame pre-test and the distance are
// in plane metres.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/language.h"
#include "common/messages.h"
#include "records/metric_access.h"
#include "selection/mapselect.h"

namespace {

// On-the-contour and crossing precision, map units.
constexpr double kPrecision = 0.001;
constexpr double kFar = 1.7e300;
// How far (map units) the sides listed in a band reach beyond it: more than
// the inside test moves a side's end off the ray (at most 0.006).
constexpr double kBandMargin = 0.01;
// Records up to this length are looked at on the stack by the area test.
constexpr int kLookBytes = 4096;

// A metric of one point (plane doubles), for an object without a metric.
struct ONEPOINTMETRIC {
  LONGMETRIC Head;
  DWORD CountWord;
  double X;
  double Y;
};

// The end of an outer contour of `count` points (1 or more) whose first
// and last points are given, by its number from 0: of a closed contour, or
// one of 4 points or more, the point before the last.
int OuterEnd(int count, const DOUBLEPOINT& first, const DOUBLEPOINT& last) {
  const bool closed = count > 1 && first.X == last.X && first.Y == last.Y;
  return count >= 4 || closed ? count - 2 : count - 1;
}

double Cross(const DOUBLEPOINT& o, const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X);
}

double Squared(const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  const double dx = a.X - b.X, dy = a.Y - b.Y;
  return dx * dx + dy * dy;
}

// Squared distance from p to the segment a-b.
double SegmentDistance2(const DOUBLEPOINT& p, const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double length = dx * dx + dy * dy;
  if (length <= 0.0) return Squared(p, a);
  double t = ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length;
  if (t <= 0.0) return Squared(p, a);
  if (t >= 1.0) return Squared(p, b);
  const DOUBLEPOINT foot{a.X + t * dx, a.Y + t * dy};
  return Squared(p, foot);
}

// The nearest point of the segment a-b to p.
DOUBLEPOINT Foot(const DOUBLEPOINT& p, const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double length = dx * dx + dy * dy;
  if (length <= 0.0) return a;
  double t = ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length;
  t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
  return DOUBLEPOINT{a.X + t * dx, a.Y + t * dy};
}

// Points i .. i + count - 1 (from 0) of a contour of `kind` whose points
// start at `first` (as TDataEdit::ContourPoints gives them, held whole),
// shifted by the origin: what TDataEdit::SubjectPointsDouble reads.
void ReadPoints(DWORD kind, const char* first, DWORD i, DWORD count, const DOUBLEPOINT& origin,
                DOUBLEPOINT* out) {
  const size_t step = size_t(MetricPointSize(kind));
  const char* p = first + i * step;
  if (kind == METRIC_F32 || kind == METRIC_F32H) {
    for (DWORD k = 0; k < count; ++k, p += step) {
      float xy[2];
      std::memcpy(xy, p, sizeof(xy));
      out[k] = DOUBLEPOINT{double(xy[0]) + origin.X, double(xy[1]) + origin.Y};
    }
    return;
  }
  for (DWORD k = 0; k < count; ++k, p += step) {
    double x = 0.0, y = 0.0;
    metric::ReadXY(kind, p, x, y);
    out[k] = DOUBLEPOINT{x + origin.X, y + origin.Y};
  }
}

// Squared distance from p to a frame (0 inside it).
double BoxDistance2(const DOUBLEPOINT& p, const DFRAME& box) {
  const double dx = p.X < box.X1 ? box.X1 - p.X : (p.X > box.X2 ? p.X - box.X2 : 0.0);
  const double dy = p.Y < box.Y1 ? box.Y1 - p.Y : (p.Y > box.Y2 ? p.Y - box.Y2 : 0.0);
  return dx * dx + dy * dy;
}

// Whether the segment's frame meets the frame widened by the precision.
[[gnu::always_inline]] inline bool SegmentMeetsBox(const DOUBLEPOINT& a, const DOUBLEPOINT& b,
                                                 const DFRAME& box) {
  return std::min(a.X, b.X) <= box.X2 + kPrecision && std::max(a.X, b.X) >= box.X1 - kPrecision &&
         std::min(a.Y, b.Y) <= box.Y2 + kPrecision && std::max(a.Y, b.Y) >= box.Y1 - kPrecision;
}

// The segments a-b and c-d cross, or come within the precision of each
// other.
bool SegmentsMeet(const DOUBLEPOINT& a, const DOUBLEPOINT& b, const DOUBLEPOINT& c,
                  const DOUBLEPOINT& d) {
  if (std::max(a.X, b.X) + kPrecision < std::min(c.X, d.X) ||
      std::max(c.X, d.X) + kPrecision < std::min(a.X, b.X) ||
      std::max(a.Y, b.Y) + kPrecision < std::min(c.Y, d.Y) ||
      std::max(c.Y, d.Y) + kPrecision < std::min(a.Y, b.Y))
    return false;
  const double d1 = Cross(c, d, a), d2 = Cross(c, d, b);
  const double d3 = Cross(a, b, c), d4 = Cross(a, b, d);
  if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
    return true;
  constexpr double eps2 = kPrecision * kPrecision;
  return SegmentDistance2(a, c, d) <= eps2 || SegmentDistance2(b, c, d) <= eps2 ||
         SegmentDistance2(c, a, b) <= eps2 || SegmentDistance2(d, a, b) <= eps2;
}

// Inside codes of TDataEdit::Inside.
enum : int { AREA_ERROR = 0, AREA_INSIDE = 1, AREA_OUTSIDE = 2, AREA_VERTEX = 3, AREA_SIDE = 4 };

// One side a-b of a closed contour against the ray from p towards growing
// X, as TDataEdit::Inside takes it: AREA_VERTEX or AREA_SIDE when p lies
// on the side, else 0 with `crossings` raised when the ray crosses it.
// Ends at the ray's height are moved off it and the side is tried again.
int SideRay(const DOUBLEPOINT& p, const DOUBLEPOINT& a, const DOUBLEPOINT& b, int* crossings) {
  if (a.X == b.X && a.Y == b.Y) return 0;
  if ((p.X == a.X && p.Y == a.Y) || (p.X == b.X && p.Y == b.Y)) return AREA_VERTEX;
  const double px = p.X, py = p.Y;
  double x0 = a.X, y0 = a.Y, x1 = b.X, y1 = b.Y;
  for (int round = 0; round < 6; ++round) {
    if (x0 != x1 && y0 != y1) {
      if ((py > y0 && py < y1) || (py < y0 && py > y1)) {
        const double xc = (py - y0) / (y0 - y1) * (x0 - x1) + x0;
        if (xc == px) return AREA_SIDE;
        if (xc > px) ++*crossings;
        return 0;
      }
      if (py == y0) y0 -= 0.001;
      else if (py == y1) y1 -= 0.001;
      else return 0;
    } else if (y0 == y1) {
      if ((px > x0 && px < x1) || (px < x0 && px > x1)) return py == y0 ? AREA_SIDE : 0;
      if (px == x0) x0 -= 0.001;
      else if (px == x1) x1 -= 0.001;
      else if (py == y0) y0 -= 0.001;
      else return 0;
    } else {
      if ((py > y0 && py < y1) || (py < y0 && py > y1)) {
        if (px == x0) return AREA_SIDE;
        if (px < x0) ++*crossings;
        return 0;
      }
      if (py == y0) y0 -= 0.001;
      else if (py == y1) y1 -= 0.001;
      else return 0;
    }
  }
  return 0;
}
inline bool InsideOrOn(int code) { return code == AREA_INSIDE || code >= 3; }

}  // namespace

// ---------------------------------------------------------------------------
// The area

double TMapSelect::UnitFactor() const {
  if (Map == nullptr || Map->IsRealPlace() || !(Map->Factor > 0.0)) return 1.0;
  return Map->Factor;
}

DOUBLEPOINT TMapSelect::SheetOrigin() const {
  if (Map == nullptr || Map->IsRealPlace()) return DOUBLEPOINT{0.0, 0.0};
  const DOUBLEPOINT* origin = Map->ViewPosition(Map->List.Number());
  return origin != nullptr ? *origin : DOUBLEPOINT{0.0, 0.0};
}

void TMapSelect::TakeAreaPoints() {
  AreaPoints.clear();
  AreaBandStart.clear();
  AreaBandSides.clear();
  AreaBox = DFRAME{};
  const int count = AreaMetric.Record != nullptr ? AreaMetric.PointCount(0) : 0;
  if (count < 1 || AreaMetric.FirstPointSubject(0) == nullptr) return;
  AreaPoints.reserve(size_t(count));
  do {
    AreaPoints.push_back(DOUBLEPOINT{AreaMetric.XDouble(), AreaMetric.YDouble()});
  } while (AreaMetric.NextPoint() != nullptr);
  AreaMetric.FirstPointSubject(0);
  AreaBox = DFRAME{AreaPoints[0].X, AreaPoints[0].Y, AreaPoints[0].X, AreaPoints[0].Y};
  for (const DOUBLEPOINT& p : AreaPoints) {
    AreaBox.X1 = std::min(AreaBox.X1, p.X), AreaBox.Y1 = std::min(AreaBox.Y1, p.Y);
    AreaBox.X2 = std::max(AreaBox.X2, p.X), AreaBox.Y2 = std::max(AreaBox.Y2, p.Y);
  }
  // About two sides a band; every side goes into each band its rows (with
  // a margin for the moves of the inside test) reach.
  const int sides = int(AreaPoints.size()) - 1;
  const int bands = std::clamp(sides / 2, 1, 4096);
  AreaBandY0 = AreaBox.Y1;
  AreaBandHeight = (AreaBox.Y2 - AreaBox.Y1) / bands;
  if (!(AreaBandHeight > 0.0)) AreaBandHeight = 1.0;
  AreaBandStart.assign(size_t(bands) + 1, 0);
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<int> fill;
    if (pass == 1) {
      for (int b = 0; b < bands; ++b) AreaBandStart[size_t(b) + 1] += AreaBandStart[size_t(b)];
      AreaBandSides.assign(size_t(AreaBandStart[size_t(bands)]), 0);
      fill.assign(AreaBandStart.begin(), AreaBandStart.end() - 1);
    }
    for (int i = 0; i < sides; ++i) {
      const double low = std::min(AreaPoints[size_t(i)].Y, AreaPoints[size_t(i) + 1].Y);
      const double high = std::max(AreaPoints[size_t(i)].Y, AreaPoints[size_t(i) + 1].Y);
      const int last = AreaBand(high + kBandMargin);
      for (int b = AreaBand(low - kBandMargin); b <= last; ++b) {
        if (pass == 0)
          ++AreaBandStart[size_t(b) + 1];
        else
          AreaBandSides[size_t(fill[size_t(b)]++)] = i;
      }
    }
  }
}

int TMapSelect::AreaBand(double y) const {
  const int bands = int(AreaBandStart.size()) - 1;
  if (bands < 1) return 0;
  const double b = std::floor((y - AreaBandY0) / AreaBandHeight);
  // A point that is no number (a damaged metric) lies in the first band.
  return !(b > 0.0) ? 0 : (b >= bands - 1 ? bands - 1 : int(b));
}

int TMapSelect::LoadAreaSource(TObjectInfo* area) {
  AreaMetric.Free();
  AreaPoints.clear();
  AreaFrame = DFRAME{};
  if (area == nullptr) return 0;
  const int count = area->PointCount(0);
  if (count < 1) return 0;
  // The object's points as plane metres (an object without a map holds
  // them as they are), then in the units of this context's map.
  const bool convert = Map != nullptr && !Map->IsRealPlace() && Map->Factor > 0.0;
  if (!AreaMetric.Create(int(METRIC_F64), 0)) return 0;
  DFRAME frame{};
  DOUBLEPOINT first{}, last{};
  for (int i = 1; i <= count; ++i) {
    const double x = area->XPlane(i, 0), y = area->YPlane(i, 0);
    if (i == 1) frame = DFRAME{x, y, x, y};
    frame.X1 = std::min(frame.X1, x), frame.Y1 = std::min(frame.Y1, y);
    frame.X2 = std::max(frame.X2, x), frame.Y2 = std::max(frame.Y2, y);
    last = convert ? DOUBLEPOINT{(x - Map->X0) / Map->Factor, (y - Map->Y0) / Map->Factor}
                   : DOUBLEPOINT{x, y};
    if (i == 1) first = last;
    if (!AreaMetric.AppendPointSubject(0, last.X, last.Y)) {
      AreaMetric.Free();
      return 0;
    }
  }
  // The inside test needs a closed contour: an area drawn open is closed.
  if ((first.X != last.X || first.Y != last.Y) &&
      !AreaMetric.AppendPointSubject(0, first.X, first.Y)) {
    AreaMetric.Free();
    return 0;
  }
  // The object's flag word, but for the bit of the point counts' width,
  // which belongs to this record's layout.
  if (area->Metric.Record != nullptr) {
    const WORD own = AreaMetric.Record->Flags & WORD(METRIC_LONG_COUNTS);
    AreaMetric.Record->Flags = WORD((area->Metric.Record->Flags & ~WORD(METRIC_LONG_COUNTS)) | own);
  }
  AreaMetric.FirstPointSubject(0);
  AreaFrame = frame;
  TakeAreaPoints();
  return 1;
}

int TMapSelect::AreaSet(double distance, TObjectInfo* area, int keep, int relation, int seek,
                        TMapSelect* filter) {
  if (Map == nullptr || area == nullptr) return 0;
  if (relation < 0 || relation > 2) return 0;
  if (keep == 0) {
    const DWORD inversion = AreaInversion;
    SelectAll();
    AreaInversion = inversion;
  }
  AreaKeepConditions = keep != 0 ? 1 : 0;
  if (area->PointCount(0) < 1 || !LoadAreaSource(area)) return 0;
  AreaDistance = distance >= 0.0 ? distance : 0.0;
  AreaRelation = DWORD(relation);
  AreaSwitch = 1;
  if (SampleActive) ClearSample();
  // The search marks the counts stale itself, and then its sample as its
  // answer.
  if (seek != 0)
    SetSampleByArea(filter);
  else
    Touch();
  return 1;
}

void TMapSelect::AreaClear() {
  AreaSwitch = AreaKeepConditions = AreaRelation = 0;
  AreaDistance = 0.0;
  AreaFrame = DFRAME{};
  AreaMetric.Free();
  AreaPoints.clear();
  AreaBox = DFRAME{};
  if (SampleActive) ClearSample();
  Touch();
}

int TMapSelect::SetAreaInversion(int on) {
  AreaInversion = on == 1 ? 1 : 0;
  Touch();
  return int(AreaInversion);
}

// ---------------------------------------------------------------------------
// The object under test

bool TMapSelect::TakeObjectPoints(TDataEdit* metric, const DOUBLEPOINT& origin,
                                  const DFRAME* frame) {
  WorkPoints.clear();
  WorkParts.clear();
  if (metric == nullptr || metric->Record == nullptr) return false;
  const int subjects = metric->Record->Count;
  const DWORD kind = metric->Kind();
  for (int c = 0; c <= subjects; ++c) {
    const size_t at = WorkPoints.size();
    WorkParts.push_back(int(at));
    char* first;
    DWORD count;
    if (metric->ContourPoints(c, first, count) && count >= 1) {
      WorkPoints.resize(at + size_t(count));
      ReadPoints(kind, first, 0, count, origin, &WorkPoints[at]);
    }
    if (WorkPoints.size() == at && c == 0) return false;
  }
  WorkParts.push_back(int(WorkPoints.size()));
  if (frame != nullptr) {
    WorkBox = *frame;
  } else {
    WorkBox = DFRAME{WorkPoints[0].X, WorkPoints[0].Y, WorkPoints[0].X, WorkPoints[0].Y};
    for (const DOUBLEPOINT& p : WorkPoints) {
      WorkBox.X1 = std::min(WorkBox.X1, p.X), WorkBox.Y1 = std::min(WorkBox.Y1, p.Y);
      WorkBox.X2 = std::max(WorkBox.X2, p.X), WorkBox.Y2 = std::max(WorkBox.Y2, p.Y);
    }
  }
  // Back on the first point, where a record of one contour is already.
  if (subjects > 0) metric->FirstPointSubject(0);
  return true;
}

int TMapSelect::AreaInside(const DOUBLEPOINT& p) {
  const size_t n = AreaPoints.size();
  if (n < 2 || AreaBandStart.empty()) return AREA_ERROR;
  if (AreaPoints[0].X != AreaPoints[n - 1].X || AreaPoints[0].Y != AreaPoints[n - 1].Y)
    return AREA_ERROR;
  // Outside the area's frame nothing is inside or on the contour.
  if (p.X < AreaBox.X1 || p.X > AreaBox.X2 || p.Y < AreaBox.Y1 || p.Y > AreaBox.Y2)
    return AREA_OUTSIDE;
  // The ray test of TDataEdit::Inside over the sides of the point's band,
  // in contour order.
  const int b = AreaBand(p.Y);
  int crossings = 0;
  for (int k = AreaBandStart[size_t(b)]; k < AreaBandStart[size_t(b) + 1]; ++k) {
    const int i = AreaBandSides[size_t(k)];
    const int code = SideRay(p, AreaPoints[size_t(i)], AreaPoints[size_t(i) + 1], &crossings);
    if (code != 0) return code;
  }
  return (crossings & 1) ? AREA_INSIDE : AREA_OUTSIDE;
}

double TMapSelect::AreaDistance2(const DOUBLEPOINT& p, double limit) const {
  double best = kFar;
  const size_t n = AreaPoints.size();
  if (n == 1) return Squared(p, AreaPoints[0]);
  if (n == 0 || AreaBandStart.empty()) return best;
  if (!(limit < kFar) || limit < 0.0) {
    for (size_t i = 1; i < n; ++i)
      best = std::min(best, SegmentDistance2(p, AreaPoints[i - 1], AreaPoints[i]));
    return best;
  }
  // Only the sides of the bands within the limit can come nearer.
  const int last = AreaBand(p.Y + limit);
  for (int b = AreaBand(p.Y - limit); b <= last; ++b) {
    for (int k = AreaBandStart[size_t(b)]; k < AreaBandStart[size_t(b) + 1]; ++k) {
      const size_t i = size_t(AreaBandSides[size_t(k)]);
      best = std::min(best, SegmentDistance2(p, AreaPoints[i], AreaPoints[i + 1]));
    }
  }
  return best;
}

bool TMapSelect::NearAreaContour(const DOUBLEPOINT& p) const {
  // The nearest point of the contour, when it lies within 2 x the
  // precision: it is found among the sides of the bands that reach so far.
  constexpr double reach = 2 * kPrecision;
  if (AreaBandStart.empty()) return false;
  double best = reach * reach;
  bool found = false;
  DOUBLEPOINT nearest{};
  const int last = AreaBand(p.Y + reach);
  for (int b = AreaBand(p.Y - reach); b <= last; ++b) {
    for (int k = AreaBandStart[size_t(b)]; k < AreaBandStart[size_t(b) + 1]; ++k) {
      const size_t i = size_t(AreaBandSides[size_t(k)]);
      const DOUBLEPOINT foot = Foot(p, AreaPoints[i], AreaPoints[i + 1]);
      const double d = Squared(p, foot);
      if (d <= best) best = d, nearest = foot, found = true;
    }
  }
  return found && std::fabs(nearest.X - p.X) <= kPrecision &&
         std::fabs(nearest.Y - p.Y) <= kPrecision;
}

bool TMapSelect::AreaMeetsSegment(const DOUBLEPOINT& a, const DOUBLEPOINT& b) const {
  if (AreaBandStart.empty()) return false;
  const DFRAME box{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
  if (box.X1 > AreaBox.X2 + kPrecision || box.X2 < AreaBox.X1 - kPrecision ||
      box.Y1 > AreaBox.Y2 + kPrecision || box.Y2 < AreaBox.Y1 - kPrecision)
    return false;
  const int last = AreaBand(box.Y2 + kPrecision);
  for (int band = AreaBand(box.Y1 - kPrecision); band <= last; ++band) {
    for (int k = AreaBandStart[size_t(band)]; k < AreaBandStart[size_t(band) + 1]; ++k) {
      const size_t i = size_t(AreaBandSides[size_t(k)]);
      const DOUBLEPOINT& c = AreaPoints[i];
      const DOUBLEPOINT& d = AreaPoints[i + 1];
      if (SegmentMeetsBox(c, d, box) && SegmentsMeet(a, b, c, d)) return true;
    }
  }
  return false;
}

int TMapSelect::CollectSides(const DFRAME& box) {
  WorkSides.clear();
  if (AreaBandStart.empty() || box.X1 > AreaBox.X2 || box.X2 < AreaBox.X1 ||
      box.Y1 > AreaBox.Y2 || box.Y2 < AreaBox.Y1)
    return 0;
  const int last = AreaBand(box.Y2);
  for (int band = AreaBand(box.Y1); band <= last; ++band) {
    for (int k = AreaBandStart[size_t(band)]; k < AreaBandStart[size_t(band) + 1]; ++k) {
      const int i = AreaBandSides[size_t(k)];
      const DOUBLEPOINT& c = AreaPoints[size_t(i)];
      const DOUBLEPOINT& d = AreaPoints[size_t(i) + 1];
      if (std::min(c.X, d.X) <= box.X2 && std::max(c.X, d.X) >= box.X1 &&
          std::min(c.Y, d.Y) <= box.Y2 && std::max(c.Y, d.Y) >= box.Y1)
        WorkSides.push_back(i);
    }
  }
  // A side that reaches over several bands is listed in each.
  if (last > AreaBand(box.Y1)) {
    std::sort(WorkSides.begin(), WorkSides.end());
    WorkSides.erase(std::unique(WorkSides.begin(), WorkSides.end()), WorkSides.end());
  }
  return int(WorkSides.size());
}

bool TMapSelect::AreaMeetsObject() {
  const DFRAME box{WorkBox.X1 - kPrecision, WorkBox.Y1 - kPrecision, WorkBox.X2 + kPrecision,
                   WorkBox.Y2 + kPrecision};
  if (CollectSides(box) == 0) return false;
  // Each segment of the object is looked at once: one that does not come
  // within the precision of the frame of all the sides collected meets
  // none of them.
  auto sideBox = [&](int i) {
    const DOUBLEPOINT& c = AreaPoints[size_t(i)];
    const DOUBLEPOINT& d = AreaPoints[size_t(i) + 1];
    return DFRAME{std::min(c.X, d.X), std::min(c.Y, d.Y), std::max(c.X, d.X), std::max(c.Y, d.Y)};
  };
  DFRAME reach = sideBox(WorkSides[0]);
  for (const int i : WorkSides) {
    const DFRAME f = sideBox(i);
    reach = DFRAME{std::min(reach.X1, f.X1), std::min(reach.Y1, f.Y1), std::max(reach.X2, f.X2),
                   std::max(reach.Y2, f.Y2)};
  }
  const int parts = int(WorkParts.size()) - 1;
  for (int k = 0; k < parts; ++k) {
    const int from = WorkParts[size_t(k)], to = WorkParts[size_t(k) + 1];
    if (to - from == 1) {
      const DOUBLEPOINT& p = WorkPoints[size_t(from)];
      for (const int i : WorkSides)
        if (SegmentsMeet(p, p, AreaPoints[size_t(i)], AreaPoints[size_t(i) + 1])) return true;
      continue;
    }
    for (int j = from + 1; j < to; ++j) {
      const DOUBLEPOINT& a = WorkPoints[size_t(j) - 1];
      const DOUBLEPOINT& b = WorkPoints[size_t(j)];
      if (!SegmentMeetsBox(a, b, reach)) continue;
      for (const int i : WorkSides) {
        if (SegmentMeetsBox(a, b, sideBox(i)) &&
            SegmentsMeet(a, b, AreaPoints[size_t(i)], AreaPoints[size_t(i) + 1]))
          return true;
      }
    }
  }
  return false;
}

double TMapSelect::NearestToObject(const DOUBLEPOINT& p, double best) const {
  const int parts = int(WorkParts.size()) - 1;
  for (int k = 0; k < parts; ++k) {
    const int from = WorkParts[size_t(k)], to = WorkParts[size_t(k) + 1];
    if (to - from == 1) best = std::min(best, Squared(p, WorkPoints[size_t(from)]));
    for (int j = from + 1; j < to; ++j)
      best = std::min(best, SegmentDistance2(p, WorkPoints[size_t(j) - 1], WorkPoints[size_t(j)]));
  }
  return best;
}

int TMapSelect::NearestPair(double* distance) {
  *distance = kFar;
  const size_t n = AreaPoints.size();
  if (n == 0 || WorkPoints.empty()) return 0;
  // From each vertex of the area to the object's contours; vertices
  // farther from the object's frame than the best pair so far are passed.
  double best = kFar;
  int vertex = 0;
  const size_t vertices = n > 1 ? n - 1 : 1;
  for (size_t i = 0; i < vertices; ++i) {
    const DOUBLEPOINT& p = AreaPoints[i];
    if (BoxDistance2(p, WorkBox) >= best) continue;
    const double d = NearestToObject(p, best);
    if (d < best) best = d, vertex = int(i) + 1;
  }
  const double factor = UnitFactor();
  double plane = std::sqrt(best) * factor;
  if (plane > AreaDistance) {
    // From the object's vertices to the area's contour.
    for (size_t j = 0; j < WorkPoints.size(); ++j) {
      const DOUBLEPOINT& p = WorkPoints[j];
      if (BoxDistance2(p, AreaBox) >= best) continue;
      const double d = AreaDistance2(p, std::sqrt(best));
      if (d < best) best = d, vertex = int(j) + 1;
    }
    plane = std::sqrt(best) * factor;
  }
  *distance = plane;
  return vertex;
}

bool TMapSelect::WithinDistance() {
  if (AreaPoints.empty() || WorkPoints.empty()) return false;
  // Whether the nearest pair lies within the distance. Only the area's
  // sides that come so near the object's frame can hold it: the nearest
  // pair is a vertex of one of them and a side of the object, or a vertex
  // of the object and one of them.
  const double limit = AreaDistance / UnitFactor();
  const double limit2 = limit * limit;
  const DFRAME box{WorkBox.X1 - limit, WorkBox.Y1 - limit, WorkBox.X2 + limit,
                   WorkBox.Y2 + limit};
  if (AreaPoints.size() == 1) return NearestToObject(AreaPoints[0], kFar) <= limit2;
  if (CollectSides(box) == 0) return false;
  for (const int i : WorkSides) {
    for (const size_t v : {size_t(i), size_t(i) + 1}) {
      const DOUBLEPOINT& p = AreaPoints[v];
      if (BoxDistance2(p, WorkBox) <= limit2 && NearestToObject(p, kFar) <= limit2) return true;
    }
  }
  for (const DOUBLEPOINT& p : WorkPoints) {
    for (const int i : WorkSides)
      if (SegmentDistance2(p, AreaPoints[size_t(i)], AreaPoints[size_t(i) + 1]) <= limit2)
        return true;
  }
  return false;
}

int TMapSelect::AreaInTakenObject(TDataEdit* metric, const DOUBLEPOINT& origin) {
  const int count = WorkParts[1] - WorkParts[0];
  const size_t n = AreaPoints.size();
  const size_t vertices = n > 1 ? n - 1 : n;
  for (size_t i = 0; i < vertices; ++i) {
    const DOUBLEPOINT& a = AreaPoints[i];
    if (a.X <= WorkBox.X1 || a.X >= WorkBox.X2 || a.Y <= WorkBox.Y1 || a.Y >= WorkBox.Y2)
      continue;
    const DOUBLEPOINT local{a.X - origin.X, a.Y - origin.Y};
    if (metric->Inside(&local, 0) != AREA_INSIDE) continue;
    // Not within the precision of the object's outer contour. (Asking for
    // the distance in X and in Y both would never let an axis-parallel side
    // pass: the nearest point of such a side differs in one of them only.)
    double best = kFar;
    DOUBLEPOINT nearest = WorkPoints[0];
    for (int j = 1; j < count; ++j) {
      const DOUBLEPOINT foot = Foot(a, WorkPoints[size_t(j) - 1], WorkPoints[size_t(j)]);
      const double d = Squared(a, foot);
      if (d < best) best = d, nearest = foot;
    }
    if (std::fabs(nearest.X - a.X) > kPrecision || std::fabs(nearest.Y - a.Y) > kPrecision)
      return 1;
  }
  return 0;
}

int TMapSelect::WhollyInside() {
  // Every point inside or on the contour...
  for (const DOUBLEPOINT& p : WorkPoints)
    if (!InsideOrOn(AreaInside(p))) return 0;
  // ... and no side leaving the area between two of them: each side is cut
  // where it meets the area's contour and the middle of every piece must
  // lie inside or on the contour.
  const int parts = int(WorkParts.size()) - 1;
  constexpr double eps2 = kPrecision * kPrecision;
  for (int k = 0; k < parts; ++k) {
    for (int j = WorkParts[size_t(k)] + 1; j < WorkParts[size_t(k) + 1]; ++j) {
      const DOUBLEPOINT a = WorkPoints[size_t(j) - 1], b = WorkPoints[size_t(j)];
      const double dx = b.X - a.X, dy = b.Y - a.Y, length = dx * dx + dy * dy;
      if (length <= 0.0) continue;
      const DFRAME box{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X),
                       std::max(a.Y, b.Y)};
      WorkCuts.clear();
      const int last = AreaBand(box.Y2 + kPrecision);
      for (int band = AreaBand(box.Y1 - kPrecision); band <= last; ++band) {
        for (int e = AreaBandStart[size_t(band)]; e < AreaBandStart[size_t(band) + 1]; ++e) {
          const size_t i = size_t(AreaBandSides[size_t(e)]);
          const DOUBLEPOINT& c = AreaPoints[i];
          const DOUBLEPOINT& d = AreaPoints[i + 1];
          if (!SegmentMeetsBox(c, d, box) || !SegmentsMeet(a, b, c, d)) continue;
          const double denominator = dx * (d.Y - c.Y) - dy * (d.X - c.X);
          if (denominator != 0.0) {
            const double t =
                ((c.X - a.X) * (d.Y - c.Y) - (c.Y - a.Y) * (d.X - c.X)) / denominator;
            if (t > 0.0 && t < 1.0) WorkCuts.push_back(t);
          }
          for (const DOUBLEPOINT* q : {&c, &d}) {
            if (SegmentDistance2(*q, a, b) > eps2) continue;
            const double t = ((q->X - a.X) * dx + (q->Y - a.Y) * dy) / length;
            if (t > 0.0 && t < 1.0) WorkCuts.push_back(t);
          }
        }
      }
      if (WorkCuts.empty()) continue;
      WorkCuts.push_back(0.0);
      WorkCuts.push_back(1.0);
      std::sort(WorkCuts.begin(), WorkCuts.end());
      for (size_t i = 1; i < WorkCuts.size(); ++i) {
        if (WorkCuts[i] - WorkCuts[i - 1] < 1e-9) continue;
        const double t = (WorkCuts[i] + WorkCuts[i - 1]) * 0.5;
        const DOUBLEPOINT middle{a.X + t * dx, a.Y + t * dy};
        // A piece along the contour is on it, whatever the rounding says.
        if (AreaInside(middle) == AREA_OUTSIDE && AreaDistance2(middle, kPrecision) > eps2)
          return 0;
      }
    }
  }
  return 1;
}

int TMapSelect::TextAreaTest(int relation) {
  const DOUBLEPOINT p = WorkPoints[0];
  const int parts = int(WorkParts.size()) - 1;
  const int outer = WorkParts[1];
  const bool onePoint = WorkPoints.size() == 1;
  if (relation == 2) {
    if (!InsideOrOn(AreaInside(p))) return 0;
    if (onePoint) return 1;
    DOUBLEPOINT q;
    if (parts == 1) {
      if (outer < 2) return 1;
      const DOUBLEPOINT& second = WorkPoints[1];
      if (second.X == p.X && second.Y == p.Y) return 1;
      q = DOUBLEPOINT{p.X + 0.6 * (second.X - p.X), p.Y + 0.6 * (second.Y - p.Y)};
    } else {
      const int from = WorkParts[size_t(parts) - 1], to = WorkParts[size_t(parts)];
      if (to - from < 1) return 1;
      q = WorkPoints[size_t(to - from >= 2 ? from + 1 : from)];
    }
    return InsideOrOn(AreaInside(q)) ? 1 : 0;
  }
  if (InsideOrOn(AreaInside(p))) return 1;
  if (!onePoint) {
    const DOUBLEPOINT end = WorkPoints[size_t(outer) - 1];
    if (InsideOrOn(AreaInside(end))) return 1;
    if (AreaMeetsSegment(p, end)) return 1;
    for (int k = 1; k < parts; ++k) {
      const int from = WorkParts[size_t(k)], to = WorkParts[size_t(k) + 1];
      if (to - from < 1) continue;
      if (InsideOrOn(AreaInside(WorkPoints[size_t(from)]))) return 1;
      if (to - from < 2) continue;
      if (InsideOrOn(AreaInside(WorkPoints[size_t(from) + 1]))) return 1;
      if (AreaMeetsSegment(WorkPoints[size_t(from)], WorkPoints[size_t(from) + 1])) return 1;
    }
  }
  if (relation == 1) return 0;
  return WithinDistance() ? 1 : 0;
}

int TMapSelect::AreaCheckByFrame(TObjectDesc desc, const DOUBLEPOINT* origin) {
  if (desc.Desc == nullptr) return 0;
  const FVSPR* d = desc.Desc;
  DFRAME object{double(d->X1), double(d->Y1), double(d->X2), double(d->Y2)};
  if (Map != nullptr && !Map->IsRealPlace()) {
    const DOUBLEPOINT o = origin != nullptr ? *origin : DOUBLEPOINT{0.0, 0.0};
    const double f = Map->Factor;
    object = DFRAME{(object.X1 + o.X) * f + Map->X0, (object.Y1 + o.Y) * f + Map->Y0,
                    (object.X2 + o.X) * f + Map->X0, (object.Y2 + o.Y) * f + Map->Y0};
  }
  const DFRAME& a = AreaFrame;
  if (a.X1 <= object.X2 && a.Y1 <= object.Y2 && a.X2 >= object.X1 && a.Y2 >= object.Y1) return 1;
  if (AreaRelation != 0) return 0;
  const double gap = AreaDistance;
  return std::fabs(a.Y2 - object.Y1) <= gap || std::fabs(a.Y1 - object.Y2) <= gap ||
                 std::fabs(a.X1 - object.X2) <= gap || std::fabs(a.X2 - object.X1) <= gap
             ? 1
             : 0;
}

bool TMapSelect::AreaCandidates(TMapList& list, LONG from, int direction,
                                TSheetFrameIndex::ANSWER* out) const {
  if (Map == nullptr || !AreaSwitch || AreaInversion || AreaRelation > 2) return false;
  const double gap = AreaRelation == 0 ? AreaDistance : 0.0;
  DFRAME a{AreaFrame.X1 - gap, AreaFrame.Y1 - gap, AreaFrame.X2 + gap, AreaFrame.Y2 + gap};
  if (!Map->IsRealPlace()) {
    // The pre-test turns the stored frame into plane metres; the area's
    // frame goes the other way here.
    const double f = Map->Factor;
    if (!(f > 0.0) || !std::isfinite(f)) return false;
    const DOUBLEPOINT o = SheetOrigin();
    a = DFRAME{(a.X1 - Map->X0) / f - o.X, (a.Y1 - Map->Y0) / f - o.Y,
               (a.X2 - Map->X0) / f - o.X, (a.Y2 - Map->Y0) / f - o.Y};
  }
  if (!(a.X1 <= a.X2) || !(a.Y1 <= a.Y2)) return false;
  // A unit more on every side for the roundings of the two ways.
  auto low = [](double v) { return LONG(std::clamp(std::floor(v) - 1.0, -2147483648.0, 2147483647.0)); };
  auto high = [](double v) { return LONG(std::clamp(std::ceil(v) + 1.0, -2147483648.0, 2147483647.0)); };
  const FRAME frame{low(a.X1), low(a.Y1), high(a.X2), high(a.Y2)};
  return list.FrameIndex.Meeting(list, frame, from, direction, out);
}

bool TMapSelect::SheetBeyondArea(int sheet) const {
  if (Map == nullptr || !AreaSwitch || AreaInversion || AreaRelation > 2) return false;
  const DOUBLEPOINT* origin = Map->ViewPosition(sheet);
  if (origin == nullptr) return false;
  // The register holds the sheet's frame in the map's units, as the area
  // points are kept. A sheet whose frame the area reaches is walked
  // anyway: what its objects cover is learnt only for the others (or is
  // known already).
  const DFRAME* frame = Map->ListFrame(sheet);
  TSheetExtents::EXTENT known = Map->SheetObjectsExtent(sheet, false);
  if (known.State == TSheetExtents::EXTENT_UNKNOWN && frame != nullptr) {
    const DFRAME f{std::min(frame->X1, frame->X2), std::min(frame->Y1, frame->Y2),
                   std::max(frame->X1, frame->X2), std::max(frame->Y1, frame->Y2)};
    if (!BeyondArea(f, int(AreaRelation))) return false;
  }
  // The frame that holds every object of the sheet, whatever its register
  // frame says (objects may lie beyond it): a unit more on every side for
  // the points of a metric rounded into its descriptor's frame.
  if (known.State == TSheetExtents::EXTENT_UNKNOWN) known = Map->SheetObjectsExtent(sheet, true);
  if (known.State == TSheetExtents::EXTENT_EMPTY) return true;
  if (known.State != TSheetExtents::EXTENT_FRAME) return false;
  const DOUBLEPOINT o = Map->IsRealPlace() ? DOUBLEPOINT{0.0, 0.0} : *origin;
  // Closer: the frame of the points, once the walks met every object.
  FRAME e = known.Frame;
  FRAME points;
  if (Map->SheetPointsExtent(sheet, &points)) e = points;
  const DFRAME objects{double(e.X1) - 1 + o.X, double(e.Y1) - 1 + o.Y, double(e.X2) + 1 + o.X,
                       double(e.Y2) + 1 + o.Y};
  return BeyondArea(objects, int(AreaRelation));
}

int TMapSelect::NextSheetInReach(int from, int step) const {
  if (Map == nullptr || !AreaSwitch || AreaInversion || AreaRelation > 2) return from;
  const double slack = AreaSlack(int(AreaRelation));
  const DFRAME& a = AreaBox;
  return Map->NextSheetToAsk(DFRAME{a.X1 - slack, a.Y1 - slack, a.X2 + slack, a.Y2 + slack}, from,
                             step);
}

double TMapSelect::AreaSlack(int relation) const {
  // The farthest an object's points reach out to the area in any test: the
  // precision, in relation 0 the distance; twice that and a little more,
  // so that no rounding of the tests brings such a frame in.
  double reach = kPrecision;
  if (relation == 0) reach = std::max(reach, AreaDistance / UnitFactor());
  const DFRAME& a = AreaBox;
  return 2 * reach + 1e-9 * (std::fabs(a.X1) + std::fabs(a.Y1) + std::fabs(a.X2) + std::fabs(a.Y2) + 1);
}

bool TMapSelect::BeyondArea(const DFRAME& f, int relation) const {
  const DFRAME& a = AreaBox;
  const double slack = AreaSlack(relation);
  return f.X1 > a.X2 + slack || f.X2 < a.X1 - slack || f.Y1 > a.Y2 + slack || f.Y2 < a.Y1 - slack;
}

bool TMapSelect::EndInArea(const DOUBLEPOINT& p) {
  const int in = AreaInside(p);
  // On the contour; or inside, and not within the precision of the
  // contour in both X and Y.
  return in >= 3 || (in == AREA_INSIDE && !NearAreaContour(p));
}

int TMapSelect::OuterEnds(TDataEdit* metric, const DOUBLEPOINT& origin, DOUBLEPOINT* ends) {
  char* first;
  DWORD count;
  if (!metric->ContourPoints(0, first, count) || count < 1) return 0;
  const DWORD kind = metric->Kind();
  DOUBLEPOINT last;
  ReadPoints(kind, first, 0, 1, origin, &ends[0]);
  ReadPoints(kind, first, count - 1, 1, origin, &last);
  ReadPoints(kind, first, DWORD(OuterEnd(int(count), ends[0], last)), 1, origin, &ends[1]);
  return 2;
}

int TMapSelect::AreaTest(const FVSPR* d, TDataEdit* metric, const DOUBLEPOINT& origin) {
  DFRAME points;
  int framed = 0;
  return AreaTestFramed(d, metric, origin, &points, &framed);
}

int TMapSelect::AreaTestFramed(const FVSPR* d, TDataEdit* metric, const DOUBLEPOINT& origin,
                               DFRAME* frame, int* framedOut) {
  *framedOut = 0;
  if (AreaPoints.empty()) return 0;
  const int relation = int(AreaRelation);
  const int local = FvsprLocal(d);
  // An object whose points all lie beyond the reach of every test is out
  // of the relation, its points not taken one by one. Asked first: most
  // objects whose stored frames (widened for what is drawn round them)
  // meet a small area go here.
  DFRAME& points = *frame;
  const bool framed = metric != nullptr && metric->FrameOfPoints(origin.X, origin.Y, &points);
  *framedOut = framed ? 1 : 0;
  if (framed && BeyondArea(points, relation)) return 0;
  // A line or area with an end in the area passes on its two ends alone:
  // the rest of its points need not be tested.
  DOUBLEPOINT tips[2];
  const bool ends = relation != 2 && local != LOCAL_POINT && local != LOCAL_TITLE &&
                    local != LOCAL_VECTOR && metric != nullptr && metric->Record != nullptr &&
                    OuterEnds(metric, origin, tips) == 2;
  if (ends && (EndInArea(tips[0]) || EndInArea(tips[1]))) return 1;
  if (!TakeObjectPoints(metric, origin, framed ? &points : nullptr)) return 0;
  const DOUBLEPOINT first = WorkPoints[0];
  if (local == LOCAL_POINT) {
    const int in = AreaInside(first);
    if (in == AREA_ERROR) return 0;
    if (in == AREA_INSIDE) return 1;
    if (in == AREA_OUTSIDE && relation != 0) return 0;
    if (in >= 3 && relation == 2) return 0;
  }
  if (local == LOCAL_TITLE || local == LOCAL_VECTOR) return TextAreaTest(relation);
  if (relation == 2) return WhollyInside();
  // The first point and the end of the outer contour, unless taken above.
  if (!ends) {
    const int count = WorkParts[1];
    const int end = OuterEnd(count, WorkPoints[0], WorkPoints[size_t(count) - 1]);
    if (EndInArea(WorkPoints[0]) || EndInArea(WorkPoints[size_t(end)])) return 1;
  }
  if (AreaMeetsObject()) return 1;
  if (relation == 0 && WithinDistance()) return 1;
  if (local == LOCAL_POLYGON && AreaInTakenObject(metric, origin)) return 1;
  return 0;
}

int TMapSelect::AreaCheck(TObjectDesc desc, TDataEdit* metric) {
  if (metric == nullptr || Map == nullptr || !AreaSwitch) return 1;
  if (desc.Desc == nullptr) return 0;
  const DOUBLEPOINT origin = SheetOrigin();
  if (!AreaCheckByFrame(desc, &origin)) return 0;
  return AreaTest(desc.Desc, metric, origin);
}

int TMapSelect::AreaCheck(TObjectDesc desc) {
  if (desc.Desc == nullptr) return 0;
  if (Map == nullptr || !AreaSwitch) return AreaInversion ? 0 : 1;
  const FVSPR* d = desc.Desc;
  // The frame first: it turns most objects away without their metric.
  const DOUBLEPOINT origin = SheetOrigin();
  if (!AreaCheckByFrame(desc, &origin)) return AreaInversion ? 1 : 0;
  // Then what an earlier test learnt of the points of the record the
  // descriptor names: points beyond the reach of every test are turned
  // away as the test would, the record not read.
  const int relation = int(AreaRelation);
  const LONG number = Map->List.CurrentObject;
  SHEETPOINTS* known = !AreaInversion && relation <= 2 && d->DataOffset != 0
                           ? Map->HeldSheetPoints(Map->List.Number())
                           : nullptr;
  if (known != nullptr) {
    if (const FRAME* f = known->PointsOf(number, d->DataOffset)) {
      const DFRAME reach{f->X1 + origin.X, f->Y1 + origin.Y, f->X2 + origin.X, f->Y2 + origin.Y};
      if (BeyondArea(reach, relation)) return 0;
    }
  }
  TDataEdit edit;
  edit.Init();
  ONEPOINTMETRIC centre;
  // Most objects whose frames meet a small area are out of it, their
  // records seen once: looked at where they lie, not read into the cache.
  alignas(8) char scratch[kLookBytes];
  LONGMETRIC* record = nullptr;
  if (d->DataOffset != 0) {
    record = reinterpret_cast<LONGMETRIC*>(
        Map->List.DataBuffer.LookAtRecord(d->DataOffset, scratch, sizeof(scratch)));
    if (record == nullptr) record = Map->List.DataAddr(d->DataOffset);
  }
  if (record != nullptr) {
    const int local = FvsprLocal(d);
    edit.SetBuffer(reinterpret_cast<char*>(record), LONG(record->Length),
                   local == LOCAL_TITLE || local == LOCAL_MIXED);
  } else {
    centre.Head = LONGMETRIC{METRIC_F64, sizeof(ONEPOINTMETRIC), 0, 0};
    centre.CountWord = 1u << 16;
    centre.X = (double(d->X1) + double(d->X2)) * 0.5;
    centre.Y = (double(d->Y1) + double(d->Y2)) * 0.5;
    edit.SetBuffer(reinterpret_cast<char*>(&centre), sizeof(centre), 0);
  }
  DFRAME points;
  int framed = 0;
  const int passed = AreaTestFramed(d, &edit, origin, &points, &framed);
  edit.SetBuffer(nullptr, 0, 0);
  // What the test found of the record's points is kept for the next one,
  // a unit wider on every side for the roundings of the two ways.
  FRAME reach;
  if (known != nullptr && record != nullptr && framed &&
      (known = Map->HeldSheetPoints(Map->List.Number())) != nullptr &&
      FrameRoundedOut(points, origin, 1, &reach))
    known->Learn(number, d->DataOffset, reach);
  return AreaInversion ? !passed : passed;
}

int TMapSelect::ToMeasureDistance(TDataEdit* metric, double* distance, const DOUBLEPOINT* origin) {
  if (distance == nullptr) return 0;
  *distance = 0.0;
  const DOUBLEPOINT o = origin != nullptr ? *origin : DOUBLEPOINT{0.0, 0.0};
  if (AreaPoints.empty() || !TakeObjectPoints(metric, o)) return 0;
  return NearestPair(distance);
}

int TMapSelect::IsAreaInside(TDataEdit* metric, const DOUBLEPOINT* origin) {
  const DOUBLEPOINT o = origin != nullptr ? *origin : DOUBLEPOINT{0.0, 0.0};
  if (AreaPoints.empty() || !TakeObjectPoints(metric, o)) return 0;
  return AreaInTakenObject(metric, o);
}

// ---------------------------------------------------------------------------
// The area search

void TMapSelect::EmptySampleInForce() {
  ClearSample();
  const int sheets = Map != nullptr && Map->Count() > 0 ? Map->Count() : 1;
  const int64_t table = int64_t(4) * sheets;
  const int64_t size = (table + 8) / SAMPLE_GROWTH * SAMPLE_GROWTH + SAMPLE_GROWTH;
  if (size <= 0x7FFFFFFF && Allocate(int(size))) {
    SampleActive = 1;
    Touch();
    return;
  }
  // Without memory for even an empty table: select nothing all the same.
  SelectNothing();
}

int TMapSelect::SetSampleByArea(TMapSelect* filter) {
  if (Map == nullptr || !AreaSwitch) return 0;
  EmptySampleInForce();
  const int sheets = Map->Lists != nullptr ? Map->Count() : 0;
  if (sheets < 1) return 0;
  // What the walk reads is the map as it stands from here: a change by
  // anyone since moves the stamp.
  const uint64_t stamp = MapStamp();

  const bool target = ProgressWindow != reinterpret_cast<HWND>(intptr_t(-1));
  TProgress progress(target ? ProgressWindow : nullptr);
  bool cancelled = false;
  if (target) {
    cancelled = !progress.Start(IsRussianLanguage() ? "Поиск по области" : "Search by area") ||
                !progress.Percent(1);
  }
  const double sheetShare = 100.0 / sheets;
  int sent = 1;  // the last percentage sent
  TDataEdit edit;
  edit.Init();
  ONEPOINTMETRIC centre;
  std::vector<int> candidates;
  for (int s = 1; s <= sheets && !cancelled; ++s) {
    // A sheet the area cannot reach is neither opened nor walked, and
    // those the map knows to lie elsewhere are not even looked at.
    if ((s = NextSheetInReach(s, 1)) == 0) break;
    if (!CheckList(s) || SheetBeyondArea(s) || !Map->OpenListAfresh(s)) continue;
    if (filter != nullptr && !filter->CheckList(s)) continue;
    TMapList& list = Map->List;
    const int count = list.Count();
    if (count < 1) continue;
    const double objectShare = sheetShare / count;
    const DOUBLEPOINT origin = SheetOrigin();
    // The percentages the walk sends up to object `upto`, from the object
    // after `done`: false when the host stops the search.
    int done = 0;
    auto advance = [&](int upto) {
      if (!target) return true;
      auto percentAt = [&](int o) { return int(o * objectShare + 0.01 + (s - 1) * sheetShare); };
      while (done < upto) {
        if (percentAt(upto) < sent + 1) break;
        // The first object whose percentage is due.
        int low = done + 1, high = upto;
        while (low < high) {
          const int middle = low + (high - low) / 2;
          if (percentAt(middle) >= sent + 1)
            high = middle;
          else
            low = middle + 1;
        }
        if (!progress.Percent(percentAt(low))) return false;
        sent = percentAt(low);
        done = low;
      }
      done = upto;
      return true;
    };
    // An area small against a large sheet: only the objects the index of
    // its frames names can pass, taken in number order as the walk takes
    // them.
    TSheetFrameIndex::ANSWER named;
    const bool indexed = AreaCandidates(list, 0, 1, &named);
    if (indexed) {
      candidates.clear();
      for (int32_t i = 0; i < named.Count; ++i) candidates.push_back(int(named.At(i)));
      std::sort(candidates.begin(), candidates.end());
    }
    const int steps = indexed ? int(candidates.size()) : count;
    for (int i = 0; i < steps; ++i) {
      const int o = indexed ? candidates[size_t(i)] : i + 1;
      if (!advance(o)) {
        cancelled = true;
        break;
      }
      const FVSPR* d = list.ObjectDesc(o);
      if (d == nullptr || FvsprIsDeleted(d)) continue;
      TObjectDesc desc(const_cast<FVSPR*>(d));
      if (!CheckObject(desc)) continue;
      if (filter != nullptr && !filter->CheckObjectAndSample(s, o, d)) continue;
      // The filter may have read through the same sheet object.
      if (list.Number() != s || (d = list.ObjectDesc(o)) == nullptr) continue;
      FVSPR copy = *d;
      int in = AreaCheckByFrame(TObjectDesc(&copy), &origin);
      if (in) {
        LONGMETRIC* record = copy.DataOffset != 0 ? list.DataAddr(copy.DataOffset) : nullptr;
        if (record != nullptr) {
          const int local = FvsprLocal(&copy);
          edit.SetBuffer(reinterpret_cast<char*>(record), LONG(record->Length),
                         local == LOCAL_TITLE || local == LOCAL_MIXED);
        } else {
          centre.Head = LONGMETRIC{METRIC_F64, sizeof(ONEPOINTMETRIC), 0, 0};
          centre.CountWord = 1u << 16;
          centre.X = (double(copy.X1) + double(copy.X2)) * 0.5;
          centre.Y = (double(copy.Y1) + double(copy.Y2)) * 0.5;
          edit.SetBuffer(reinterpret_cast<char*>(&centre), sizeof(centre), 0);
        }
        in = AreaTest(&copy, &edit, origin);
      }
      // Without memory for it the object is left out.
      if ((in != 0) != (AreaInversion != 0)) AppendSample(o, s);
    }
    if (!cancelled && !advance(count)) cancelled = true;
  }
  edit.SetBuffer(nullptr, 0, 0);
  if (target) progress.End();
  // Stopped by the host: nothing is selected.
  if (cancelled) EmptySampleInForce();
  Touch();
  if (!cancelled) {
    AreaSampled = 1;
    AreaSampleStamp = stamp;
  }
  return 1;
}

bool TMapSelect::AreaSampleHolds(const TMap* map) const {
  return AreaSampled && SampleActive && AreaSwitch && Map != nullptr && Map == map &&
         AreaSampleStamp == MapStamp();
}
