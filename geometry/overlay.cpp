// The noded overlay: the contours of the two metrics on the plane noded by
// parity, the result's pieces written as metrics with their heights.
#include "geometry/overlay.h"

#include <algorithm>
#include <cmath>

#include "geometry/pointcross.h"
#include "geometry/workhelpers.h"

namespace {

using Key = TNodedPlane::Key;
using Step = std::pair<Key, Key>;

bool KeyLess(const Key& a, const Key& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; }
Step StepOf(const Key& a, const Key& b) { return KeyLess(a, b) ? Step(a, b) : Step(b, a); }
// Twice the signed area of a closed contour, measured from its first point.
double Turn(const DOUBLEPOINT* p, size_t n) {
  double twice = 0.0;
  for (size_t k = 1; k + 1 < n; ++k)
    twice += (p[k].X - p[0].X) * (p[k + 1].Y - p[0].Y) - (p[k + 1].X - p[0].X) * (p[k].Y - p[0].Y);
  return twice;
}
bool StepLess(const Step& a, const Step& b) {
  return KeyLess(a.first, b.first) || (!KeyLess(b.first, a.first) && KeyLess(a.second, b.second));
}

}  // namespace

void TNodedOverlay::Start(double precision, bool united) {
  Step = precision > GEOMETRY_PRECISION ? precision : GEOMETRY_PRECISION;
  Winding = united;
  Lower = false;
  Plane.Start(Step, united, false);
  Owner.clear();
  Added = 0;
  InH.clear();
  Heights = false;
  State = 0;
}

bool TNodedOverlay::Add(TDataEdit& metric, int s, int owner, bool asLine) {
  if (metric.Record == nullptr) return false;
  const bool heights = metric.DatDimension() != 0;
  auto add = [&](int c, const std::vector<DOUBLEPOINT>& p, const std::vector<double>& h) {
    if (s < 0 || c == s) AddPoints(c, p.data(), h.data(), p.size(), owner, heights, asLine);
  };
  const bool read = s < 0 ? geomwork::ForEachContour(metric, ReadPoints, ReadHeights, add)
                         : geomwork::ReadContour(metric, s, ReadPoints, &ReadHeights);
  if (read && s >= 0) add(s, ReadPoints, ReadHeights);
  NextMetric();
  return read;
}

void TNodedOverlay::AddPoints(int c, const DOUBLEPOINT* p, const double* h, size_t n, int owner,
                              bool heights, bool asLine) {
  Heights = Heights || heights;
  if (n == 0) return;
  const bool closed = (owner != LINE && !asLine) ||
                      (n > 2 && p[0].X == p[n - 1].X && p[0].Y == p[n - 1].Y);
  // Parity: an area's contours flip its bit; a line flips nothing and
  // marks the edges it runs along; an open contour bounds nothing. By
  // winding a contour adds one inside it, the way it turns.
  int32_t weight = owner == LINE || !closed ? 0 : 1 << owner;
  if (Winding && weight != 0) weight = Turn(p, n) >= 0.0 ? 1 : -1;
  Plane.AddPath(p, static_cast<int>(n), closed, weight, owner == LINE);
  Owner.push_back(owner | (c == 0 ? 4 : 0) | (Added > 0 && !Lower ? 8 : 0));
  InH.insert(InH.end(), h, h + n);
}

int TNodedOverlay::Build(int operation) {
  const auto inside = [operation](int32_t label) {
    const int l = label & 3;
    switch (operation) {
      case UNITED: return label != 0;
      case INTERSECTION: return l == 3;
      case UNION: return l != 0;
      case DIFFERENCE: return l == 1;
      default: return (l & 2) != 0;
    }
  };
  // The union is one metric: its parts meeting at points are joined there,
  // so that every contour but the first is a whole hole.
  if (!Plane.Build() || !Plane.Resolve(inside, operation == UNION)) {
    State = Plane.State;
    return 0;
  }
  State = 0;
  if (Heights) TakeHeights();
  return 1;
}

int TNodedOverlay::Make(double precision, TDataEdit& first, int s1, int o1, TDataEdit& second,
                        int s2, int o2, int operation, bool secondAsLine) {
  Start(precision);
  if (Add(first, s1, o1) && Add(second, s2, o2, secondAsLine) && Build(operation)) return 1;
  if (State == 0) State = MAPERR_MEMORY;
  return 0;
}

int TNodedOverlay::MakeUnitedHoles(double precision, TDataEdit& first, TDataEdit& second, int s2,
                                   int o2, int operation, TDataEdit* work) {
  const int holes = first.Record != nullptr ? first.Record->Count : 0;
  const int kind = static_cast<int>(first.DatDimension() ? METRIC_F64H : METRIC_F64);
  Start(precision, true);
  bool made = work != nullptr;
  for (int s = 1; s <= holes && made; ++s) made = Add(first, s, FIRST);
  made = made && Build(UNITED) && WriteAll(work, kind, 1);
  if (made) {
    Start(precision);
    made = Add(first, 0, FIRST);
    // The holes' heights rank with the outer contour's.
    Lower = true;
    made = made && Add(*work, -1, FIRST);
    Lower = false;
    made = made && Add(second, s2, o2) && Build(operation);
  }
  if (made) return 1;
  if (State == 0) State = MAPERR_MEMORY;
  return 0;
}

// The height of every station: its point's, or interpolated along the
// segment led through it; a node takes the height of the contour ranked
// first through it (the second metric's added, as the crossing search
// gives them).
void TNodedOverlay::TakeHeights() {
  const TNodedPlane& p = Plane;
  StationH.assign(p.Stations.size(), METRIC_NO_HEIGHT);
  NodeH.assign(static_cast<size_t>(p.Nodes), METRIC_NO_HEIGHT);
  NodeRank.assign(static_cast<size_t>(p.Nodes), 0);
  for (size_t k = 0; k < p.Paths.size(); ++k) {
    const int8_t rank = (Owner[k] & 8) ? 2 : 1;
    for (int32_t i = p.Paths[k].route; i < p.Paths[k].route + p.Paths[k].stations; ++i) {
      const TNodedPlane::Station& st = p.Stations[i];
      double h = st.ref >= 0 ? InH[st.ref] : METRIC_NO_HEIGHT;
      if (st.ref < 0) {
        const TNodedPlane::Segment& s = p.Segments[~st.ref];
        const double ha = InH[s.a], hb = InH[s.b];
        const TNodedPlane::Key& a = p.Ends[~st.ref];
        const TNodedPlane::Key& b = p.Ends[~st.ref + 1];
        const double ex = static_cast<double>(b.x - a.x), ey = static_cast<double>(b.y - a.y);
        const double t = (static_cast<double>(st.key.x - a.x) * ex + static_cast<double>(st.key.y - a.y) * ey) /
                         (ex * ex + ey * ey);
        if (ha != METRIC_NO_HEIGHT && hb != METRIC_NO_HEIGHT) h = ha + (hb - ha) * std::clamp(t, 0.0, 1.0);
      }
      StationH[i] = h;
      if (st.node >= 0 && h != METRIC_NO_HEIGHT && rank > NodeRank[st.node])
        NodeH[st.node] = h, NodeRank[st.node] = rank;
    }
  }
}

int64_t TNodedOverlay::Rings() const {
  int64_t rings = 0;
  for (const TNodedPlane::Part& part : Plane.Parts)
    rings += 1 + static_cast<int64_t>(part.holes.size());
  return rings;
}

double TNodedOverlay::PieceArea(int k) const {
  if (k < 0 || k >= Pieces()) return 0.0;
  return Plane.Parts[k].area * Step * Step;
}

int TNodedOverlay::PieceSide(int k) const {
  if (k < 0 || k >= Pieces()) return 0;
  return Plane.Parts[k].side;
}

// Ring r as subject `subject` of the metric, from its lowest left point,
// closed on it; reversed on request.
int TNodedOverlay::WriteRing(int r, TDataEdit* out, int subject, bool reverse) {
  Ring.clear();
  Plane.ForRing(r, [this](int32_t i) { Ring.push_back(i); });
  const int n = static_cast<int>(Ring.size());
  if (n == 0) return 0;
  int start = 0;
  for (int k = 1; k < n; ++k) {
    const TNodedPlane::Key& p = Plane.Stations[Ring[k]].key;
    const TNodedPlane::Key& s = Plane.Stations[Ring[start]].key;
    if (p.x < s.x || (p.x == s.x && p.y < s.y)) start = k;
  }
  std::rotate(Ring.begin(), Ring.begin() + start, Ring.end());
  if (reverse) std::reverse(Ring.begin() + 1, Ring.end());
  Ring.push_back(Ring[0]);
  return WriteStations(Ring, 0, n + 1, out, subject);
}

int TNodedOverlay::WriteStations(const std::vector<int32_t>& stations, int first, int count,
                                 TDataEdit* out, int subject) {
  const bool heights = out->DatDimension() != 0 && Heights;
  for (int k = first; k < first + count; ++k) {
    const TNodedPlane::Station& st = Plane.Stations[stations[k]];
    const DOUBLEPOINT p = Plane.At(st.key);
    if (!out->AppendPointSubject(subject, p.X, p.Y)) return 0;
    if (heights) out->HDouble(st.node >= 0 ? NodeH[st.node] : StationH[stations[k]]);
  }
  return 1;
}

// Part k's outer ring from the next subject on, each hole in a subject
// of its own.
int TNodedOverlay::WritePart(int k, TDataEdit* out, int positive) {
  const TNodedPlane::Part& part = Plane.Parts[k];
  if (!WriteRing(part.shell, out, out->Record->Count, !positive)) return 0;
  for (int h : part.holes)
    if (!out->CreateSubject() || !WriteRing(h, out, out->Record->Count, !positive)) return 0;
  return 1;
}

int TNodedOverlay::WritePiece(int k, TDataEdit* out, int kind, int positive) {
  if (out == nullptr || k < 0 || k >= Pieces() || !out->Create(kind, 0)) return 0;
  return WritePart(k, out, positive);
}

int TNodedOverlay::WriteAll(TDataEdit* out, int kind, int positive) {
  if (out == nullptr || !out->Create(kind, 0)) return 0;
  for (int k = 0; k < Pieces(); ++k)
    if ((k > 0 && !out->CreateSubject()) || !WritePart(k, out, positive)) return 0;
  return 1;
}

bool TNodedOverlay::OutersMeet() {
  // A node on both outer contours.
  int outer[2] = {-1, -1};
  On.assign(static_cast<size_t>(Plane.Nodes), 0);
  for (size_t k = 0; k < Plane.Paths.size(); ++k) {
    const int owner = Owner[k] & 3;
    if (!(Owner[k] & 4) || owner == LINE) continue;
    outer[owner] = static_cast<int>(k);
    const TNodedPlane::Path& p = Plane.Paths[k];
    for (int32_t i = p.route; i < p.route + p.stations; ++i) {
      const int32_t n = Plane.Stations[i].node;
      if (n >= 0 && (On[n] |= static_cast<uint8_t>(1 << owner)) == 3) return true;
    }
  }
  // Apart at every node: one outer contour holds the other when a point of
  // it lies inside (it cannot lie on it, else they would share a node).
  if (outer[0] < 0 || outer[1] < 0) return false;
  return Plane.PathHolds(outer[0], Plane.Ends[Plane.Paths[outer[1]].ends]) ||
         Plane.PathHolds(outer[1], Plane.Ends[Plane.Paths[outer[0]].ends]);
}

// The stretches of the contour cut. A closed one: each piece's outer ring,
// cut where it runs along the line alone (a ring running along the contour
// all round is one stretch, closed).
int TNodedOverlay::CutContour(int positive) {
  Runs.clear();
  RunStations.clear();
  int path = -1;
  for (size_t k = 0; k < Plane.Paths.size() && path < 0; ++k)
    if ((Owner[k] & 3) == SECOND) path = static_cast<int>(k);
  if (path < 0) return 0;
  if (!Plane.Paths[path].closed) {
    OpenStretches(path);
    return Stretches();
  }
  const auto emit = [this, positive](size_t from, int side) {
    if (!positive)
      std::reverse(RunStations.begin() + static_cast<std::ptrdiff_t>(from), RunStations.end());
    Runs.push_back(
        Run{static_cast<int32_t>(from), static_cast<int32_t>(RunStations.size() - from), side});
  };
  for (int k = 0; k < Pieces(); ++k) {
    const int side = Plane.Parts[k].side;
    Ring.clear();
    Along.clear();
    Plane.ForRingSteps(Plane.Parts[k].shell, [this](int32_t i, bool along) {
      Ring.push_back(i);
      Along.push_back(along ? 1 : 0);
    });
    const size_t n = Ring.size();
    size_t line = 0;
    while (line < n && Along[line]) ++line;
    if (line == n) {
      const size_t from = RunStations.size();
      RunStations.insert(RunStations.end(), Ring.begin(), Ring.end());
      RunStations.push_back(Ring[0]);
      emit(from, side);
      continue;
    }
    // From the step after one along the line, round to it.
    size_t from = RunStations.size();
    bool open = false;
    for (size_t t = 1; t <= n; ++t) {
      const size_t i = (line + t) % n;
      if (Along[i]) {
        if (!open) RunStations.push_back(Ring[i]), open = true;
        RunStations.push_back(Ring[(i + 1) % n]);
      } else if (open) {
        emit(from, side);
        from = RunStations.size();
        open = false;
      }
    }
  }
  return Stretches();
}

void TNodedOverlay::FileOther(int owner, int path) {
  OtherKeys.clear();
  OtherSteps.clear();
  // Only the points within the frame of the path walked are asked about.
  const TNodedPlane::Path& walked = Plane.Paths[path];
  if (walked.stations <= 0) return;
  Key lo = Plane.Stations[walked.route].key, hi = lo;
  for (int32_t i = walked.route; i < walked.route + walked.stations; ++i) {
    const Key& k = Plane.Stations[i].key;
    lo = Key{std::min(lo.x, k.x), std::min(lo.y, k.y)};
    hi = Key{std::max(hi.x, k.x), std::max(hi.y, k.y)};
  }
  const auto within = [&](const Key& k) {
    return lo.x <= k.x && k.x <= hi.x && lo.y <= k.y && k.y <= hi.y;
  };
  for (size_t k = 0; k < Plane.Paths.size(); ++k) {
    if ((Owner[k] & 3) != owner) continue;
    const TNodedPlane::Path& l = Plane.Paths[k];
    for (int32_t i = l.route; i < l.route + l.stations; ++i) {
      const Key& key = Plane.Stations[i].key;
      if (!within(key)) continue;
      OtherKeys.push_back(key);
      if (i > l.route && within(Plane.Stations[i - 1].key))
        OtherSteps.push_back(StepOf(Plane.Stations[i - 1].key, key));
    }
  }
  std::sort(OtherKeys.begin(), OtherKeys.end(), KeyLess);
  std::sort(OtherSteps.begin(), OtherSteps.end(), StepLess);
}

bool TNodedOverlay::OnOther(const Key& k) const {
  return std::binary_search(OtherKeys.begin(), OtherKeys.end(), k, KeyLess);
}

bool TNodedOverlay::AlongOther(const Key& a, const Key& b) const {
  return std::binary_search(OtherSteps.begin(), OtherSteps.end(), StepOf(a, b), StepLess);
}

void TNodedOverlay::AddRun(int path, int32_t from, int32_t to, int side) {
  const int32_t route = Plane.Paths[path].route;
  Runs.push_back(Run{static_cast<int32_t>(RunStations.size()), to - from + 1, side});
  for (int32_t j = from; j <= to; ++j) RunStations.push_back(route + j);
}

// The stretches of an open contour between the points where the line
// meets it: a point of both cuts, unless the two run along each other on
// both sides of it. Everything is compared on the grid, where the noding
// made every meeting point a station of both.
void TNodedOverlay::OpenStretches(int path) {
  FileOther(LINE, path);
  const TNodedPlane::Path& p = Plane.Paths[path];
  const auto key = [&](int32_t i) -> const Key& { return Plane.Stations[p.route + i].key; };
  int32_t from = 0;
  for (int32_t i = 1; i < p.stations; ++i) {
    if (i + 1 < p.stations &&
        (!OnOther(key(i)) || (AlongOther(key(i - 1), key(i)) && AlongOther(key(i), key(i + 1)))))
      continue;
    AddRun(path, from, i, 1);
    from = i;
  }
}

int TNodedOverlay::LineStretches(bool inside, int* whole) {
  Runs.clear();
  RunStations.clear();
  *whole = 0;
  int line = -1, area = -1;
  for (size_t k = 0; k < Plane.Paths.size(); ++k) {
    const int owner = Owner[k] & 3;
    if (owner == LINE && line < 0) line = static_cast<int>(k);
    if (owner == SECOND && (Owner[k] & 4) && area < 0) area = static_cast<int>(k);
  }
  if (line < 0 || area < 0 || !Plane.Paths[area].closed) return 0;
  FileOther(SECOND, line);
  const TNodedPlane::Path& p = Plane.Paths[line];
  const auto key = [&](int32_t i) -> const Key& { return Plane.Stations[p.route + i].key; };
  // Between two places where it meets the contour the line lies wholly
  // outside, inside or (one step shared) along it; the middle of its first
  // step there, off the contour, tells which.
  int32_t start = 0, from = -1;
  bool all = p.stations > 1;
  for (int32_t i = 1; i < p.stations; ++i) {
    if (i + 1 < p.stations && !OnOther(key(i))) continue;
    const Key& a = key(start);
    const Key& b = key(start + 1);
    const bool outside = !(i == start + 1 && AlongOther(a, b)) &&
                         !Plane.RouteHolds(area, Key{a.x + b.x, a.y + b.y});
    if (outside != inside && from < 0) from = start;
    if (outside == inside) {
      all = false;
      if (from >= 0) AddRun(line, from, start, 1);
      from = -1;
    }
    start = i;
  }
  if (from >= 0) {
    AddRun(line, from, p.stations - 1, 1);
    // A closed line goes on past the station its route starts from: a
    // stretch there is one.
    if (p.closed && Runs.size() > 1 && RunStations[Runs[0].first] == p.route) {
      for (int32_t k = 1; k < Runs[0].count; ++k) {
        const int32_t station = RunStations[Runs[0].first + k];
        RunStations.push_back(station);
      }
      Runs.back().count += Runs[0].count - 1;
      Runs.erase(Runs.begin());
      if (inside) std::rotate(Runs.begin(), Runs.end() - 1, Runs.end());
    }
  }
  *whole = all ? 1 : 0;
  return Stretches();
}

int TNodedOverlay::StretchSide(int k) const {
  if (k < 0 || k >= Stretches()) return 0;
  return Runs[k].side;
}

int TNodedOverlay::WriteStretch(int k, TDataEdit* out, int kind) {
  if (out == nullptr || k < 0 || k >= Stretches() || !out->Create(kind, 0)) return 0;
  return WriteStations(RunStations, Runs[k].first, Runs[k].count, out, 0);
}
