// Polyline sets for the painter tests, built part by part from point lists
// and owning their points and counts.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "drawing/polydata.h"

namespace drawtest {

// A polyline set. With kFramed its frame (the extremes of its points) is
// set as the fills take it; without, the frame is left zero.
template <bool kFramed>
struct PolylineSet {
  std::vector<POINT> points;
  std::vector<LONG> counts;
  POLYDATA data{};

  PolylineSet& Part(std::vector<POINT> p) {
    points.insert(points.end(), p.begin(), p.end());
    counts.push_back(static_cast<LONG>(p.size()));
    return *this;
  }
  PolylineSet& Count(LONG n) {  // a part count without points (damaged sets)
    counts.push_back(n);
    return *this;
  }
  POLYDATA* Poly() {
    data.Points = points.data(), data.PolyCounts = counts.data();
    data.Count = static_cast<LONG>(counts.size());
    if constexpr (kFramed) {
      data.MinX = data.MinY = INT32_MAX, data.MaxX = data.MaxY = INT32_MIN;
      for (const POINT& p : points) {
        data.MinX = std::min(data.MinX, p.x), data.MaxX = std::max(data.MaxX, p.x);
        data.MinY = std::min(data.MinY, p.y), data.MaxY = std::max(data.MaxY, p.y);
      }
    }
    return &data;
  }
};

// Lines as the line painters take them; areas with their frame.
using Lines = PolylineSet<false>;
using Figure = PolylineSet<true>;

}  // namespace drawtest
