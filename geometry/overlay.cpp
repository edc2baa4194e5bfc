// The noded overlay: the contours of the two metrics on the plane noded by
// parity, the result's pieces written as metrics with their heights.
#include "geometry/overlay.h"

#include <algorithm>
#include <cmath>

#include "geometry/pointcross.h"
#include "geometry/workhelpers.h"

void TNodedOverlay::Start(double precision) {
  Step = precision > GEOMETRY_PRECISION ? precision : GEOMETRY_PRECISION;
  Plane.Start(Step, false, false);
  Owner.clear();
  InH.clear();
  Heights = false;
  State = 0;
}

bool TNodedOverlay::Add(TDataEdit& metric, int s, int owner) {
  if (metric.Record == nullptr) return false;
  Heights = Heights || metric.DatDimension() != 0;
  auto add = [&](int c, const std::vector<DOUBLEPOINT>& p, const std::vector<double>& h) {
    if (p.empty() || (s >= 0 && c != s)) return;
    const bool closed = owner != LINE ||
                        (p.size() > 2 && p.front().X == p.back().X && p.front().Y == p.back().Y);
    // Parity: an area's contours flip its bit; a line flips nothing and
    // marks the edges it runs along.
    Plane.AddPath(p.data(), static_cast<int>(p.size()), closed, owner == LINE ? 0 : 1 << owner,
                  owner == LINE);
    Owner.push_back(owner | (c == 0 ? 4 : 0));
    InH.insert(InH.end(), h.begin(), h.end());
  };
  if (s < 0) return geomwork::ForEachContour(metric, ReadPoints, ReadHeights, add);
  if (!geomwork::ReadContour(metric, s, ReadPoints, &ReadHeights)) return false;
  add(s, ReadPoints, ReadHeights);
  return true;
}

int TNodedOverlay::Build(int operation) {
  const auto inside = [operation](int32_t label) {
    const int l = label & 3;
    return operation == INTERSECTION ? l == 3 : operation == UNION ? l != 0 : (l & 2) != 0;
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

// The height of every station: its point's, or interpolated along the
// segment led through it; a node takes the height of the contour ranked
// first through it (the second metric's, as the crossing search gives
// them).
void TNodedOverlay::TakeHeights() {
  const TNodedPlane& p = Plane;
  StationH.assign(p.Stations.size(), METRIC_NO_HEIGHT);
  NodeH.assign(static_cast<size_t>(p.Nodes), METRIC_NO_HEIGHT);
  NodeRank.assign(static_cast<size_t>(p.Nodes), 0);
  for (size_t k = 0; k < p.Paths.size(); ++k) {
    const int owner = Owner[k] & 3;
    const int8_t rank = owner == SECOND ? 3 : owner == FIRST ? 2 : 1;
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
  int start = 0;
  for (int k = 1; k < n; ++k) {
    const TNodedPlane::Key& p = Plane.Stations[Ring[k]].key;
    const TNodedPlane::Key& s = Plane.Stations[Ring[start]].key;
    if (p.x < s.x || (p.x == s.x && p.y < s.y)) start = k;
  }
  const bool heights = out->DatDimension() != 0 && Heights;
  for (int k = 0; k <= n; ++k) {
    const int at = reverse ? (start - k % n + n) % n : (start + k) % n;
    const TNodedPlane::Station& st = Plane.Stations[Ring[at]];
    const DOUBLEPOINT p = Plane.At(st.key);
    if (!out->AppendPointSubject(subject, p.X, p.Y)) return 0;
    if (heights) out->HDouble(st.node >= 0 ? NodeH[st.node] : StationH[Ring[at]]);
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
