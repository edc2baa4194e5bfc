// Builds metric records byte by byte, independently of the editing buffer,
// and reads their fields back for checks.
#pragma once

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "records/dataedit.h"
#include "records/metric.h"

struct BuildPoint {
  double x;
  double y;
  double h = METRIC_NO_HEIGHT;
};

struct BuildContour {
  BuildContour() = default;
  BuildContour(std::vector<BuildPoint> p, std::string t = std::string(), int c = 0)
      : points(std::move(p)), text(std::move(t)), code(c) {}
  std::vector<BuildPoint> points;
  std::string text;  // records with texts
  int code = 0;      // alignment code, 0 = none
};

// The record bytes: kind, contours, texts, and 32-bit counts when asked.
std::vector<char> BuildMetric(DWORD kind, const std::vector<BuildContour>& contours, bool text,
                              bool longCounts = false);

// Square contour helpers: (x, y) corner, side s, clockwise or not, closed.
BuildContour SquareContour(double x, double y, double s, bool reverse = false);

inline LONGMETRIC* AsMetric(std::vector<char>& r) {
  return reinterpret_cast<LONGMETRIC*>(r.data());
}

// An editing buffer freed at the end of a test, optionally loaded with a copy
// of a built record.
struct Edit : TDataEdit {
  Edit() { Init(); }
  explicit Edit(const std::vector<char>& record, int text = 0) {
    Init();
    Load(reinterpret_cast<const LONGMETRIC*>(record.data()), text);
  }
  ~Edit() { Free(); }
};

// The points of contour n, read through the cursor.
using PointList = std::vector<std::pair<double, double>>;
PointList Points(TDataEdit& e, int n);

template <typename T>
T Field(const void* record, size_t offset) {
  T v;
  std::memcpy(&v, static_cast<const char*>(record) + offset, sizeof(T));
  return v;
}

inline DWORD RecordLength(const void* record) { return Field<uint32_t>(record, 4); }
inline DWORD RecordKind(const void* record) { return Field<uint32_t>(record, 0); }
inline int RecordSubjects(const void* record) { return Field<uint16_t>(record, 8); }
inline int RecordFlags(const void* record) { return Field<uint16_t>(record, 10); }
