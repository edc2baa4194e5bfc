// Reading the words of a parameter record, and the local one-part polyline
// sets painters build on the stack. Parameter records lie inside drawing
// descriptions at any byte offset, so words are copied, never dereferenced.
#pragma once

#include <cstring>
#include <initializer_list>

#include "drawing/pixelmath.h"
#include "drawing/polydata.h"
#include "platform/win_types.h"

inline DWORD ParmWord(const char* parm, int n) {
  DWORD v;
  std::memcpy(&v, parm + 4 * n, sizeof(v));
  return v;
}

inline LONG ParmLong(const char* parm, int n) { return static_cast<LONG>(ParmWord(parm, n)); }

inline void SetParmWord(char* parm, int n, DWORD v) { std::memcpy(parm + 4 * n, &v, sizeof(v)); }

// A parameter record of up to N words built on the stack.
template <int N>
struct LocalParm {
  char Bytes[4 * N] = {};
  LocalParm() = default;
  LocalParm(std::initializer_list<DWORD> words) {
    int i = 0;
    for (DWORD w : words) SetParmWord(Bytes, i++, w);
  }
  const char* operator()() const { return Bytes; }
};

// trunc(v x f) of a record length as a pixel-sized integer (saturating).
inline LONG ScaleTrunc(double v, double f) { return TruncatePixel(v * f); }

// One part of `count` points at `points`, with the other fields of `from`
// (its frame, semantics and view scale).
inline POLYDATA OnePartOf(const POLYDATA& from, POINT* points, LONG* count) {
  POLYDATA one = from;
  one.Points = points;
  one.PolyCounts = count;
  one.Count = 1;
  return one;
}

// The frame of the set's points: least and greatest column and row.
inline void FrameOfPoints(POLYDATA* data, const POINT* points, LONG n) {
  if (n < 1) return;
  LONG x1 = points[0].x, y1 = points[0].y, x2 = x1, y2 = y1;
  for (LONG i = 1; i < n; ++i) {
    if (points[i].x < x1) x1 = points[i].x;
    if (points[i].x > x2) x2 = points[i].x;
    if (points[i].y < y1) y1 = points[i].y;
    if (points[i].y > y2) y2 = points[i].y;
  }
  data->MinX = x1, data->MinY = y1, data->MaxX = x2, data->MaxY = y2;
}

// One part of `*count` points of its own, drawn apart from the object: no
// texts, and the frame of those points (the object's when there are none).
inline POLYDATA PlacedPartOf(const POLYDATA& from, POINT* points, LONG* count) {
  POLYDATA one = OnePartOf(from, points, count);
  one.Text = nullptr;
  FrameOfPoints(&one, points, *count);
  return one;
}

// The set has parts and their points and counts to walk.
inline bool HasParts(const POLYDATA* data) {
  return data != nullptr && data->Points != nullptr && data->PolyCounts != nullptr &&
         data->Count > 0;
}

// The first point of the first part: false when there is none.
inline bool FirstPoint(const POLYDATA* data, POINT* p) {
  if (data == nullptr || data->Points == nullptr || data->PolyCounts == nullptr ||
      data->Count < 1 || data->PolyCounts[0] < 1)
    return false;
  *p = data->Points[0];
  return true;
}
