// Metrics for the geometry tests: an editing buffer that cleans up after
// itself, filled from lists of points (rectangles among them), and read
// back contour by contour.
#pragma once

#include <cmath>
#include <vector>

#include "records/dataedit.h"
#include "records/metric_access.h"

struct Metric : TDataEdit {
  Metric() { Init(); }
  ~Metric() { Free(); }
  Metric(const Metric&) = delete;
  Metric& operator=(const Metric&) = delete;
};

// A point with its height (ignored for the kinds without heights).
struct Pt {
  double x, y, h = METRIC_NO_HEIGHT;
};
using Contour = std::vector<Pt>;

// Makes m a metric of the kind holding the contours in order. The values
// go into the points' bytes as a file holds them, so that damaged ones
// (NaN, infinities), which the buffer's own writers refuse, can be made.
inline bool Fill(TDataEdit& m, DWORD kind, const std::vector<Contour>& contours) {
  if (!m.Create(static_cast<int>(kind), 0)) return false;
  for (size_t c = 0; c < contours.size(); ++c) {
    if (c > 0 && !m.CreateSubject()) return false;
    for (const Pt& p : contours[c]) {
      if (!m.AppendPointSubject(static_cast<int>(c), 0.0, 0.0)) return false;
      metric::StorePoint(kind, m.CurrentPoint, p.x, p.y, p.h);
    }
  }
  return true;
}

// A closed rectangle from corner (x0, y0) to (x1, y1), up the first side.
inline Contour Square(double x0, double y0, double x1, double y1) {
  return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
}

inline Contour Points(TDataEdit& m, int s) {
  Contour out;
  int n = m.PointCount(s);
  for (int i = 1; i <= n; ++i) {
    if (!m.GoPointSubject(i, s)) break;
    out.push_back({m.XDouble(), m.YDouble(), m.HDouble()});
  }
  return out;
}

// Distance from p to the segment a-b.
inline double SegmentDistance(const Pt& p, const Pt& a, const Pt& b) {
  double dx = b.x - a.x, dy = b.y - a.y, l = dx * dx + dy * dy;
  double t = l > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / l : 0;
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// Distance from p to the polyline.
inline double PolylineDistance(const Pt& p, const Contour& line) {
  double best = 1e300;
  for (size_t i = 0; i + 1 < line.size(); ++i) {
    double d = SegmentDistance(p, line[i], line[i + 1]);
    if (d < best) best = d;
  }
  return best;
}
