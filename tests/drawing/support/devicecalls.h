// Records what the device drawing wrappers hand out while installed: one
// line per pen, brush, polyline and polygon, with colours and points, so
// that tests compare exact call sequences of device painters.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "devices/devdraw.h"
#include "polylines.h"

namespace devicecalls {

inline std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}

inline std::string Points(const POINT* p, int n) {
  std::string s;
  char buf[32];
  for (int i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, " %d,%d", p[i].x, p[i].y);
    s += buf;
  }
  return s;
}

// Polylines longer than this are written as their count and two ends.
constexpr int kListed = 16;

inline void WINAPI OnPolyline(POINT* p, int n) {
  char head[64];
  std::snprintf(head, sizeof head, "line %d", n);
  Calls().push_back(n <= kListed ? head + Points(p, n)
                                 : head + Points(p, 1) + " .." + Points(p + n - 1, 1));
}
inline void WINAPI OnPolygon(POINT* p, int* counts, int parts, RECT*) {
  std::string s = "area";
  for (int i = 0; i < parts; ++i) {
    s += i == 0 ? "" : " |";
    s += Points(p, counts[i]);
    p += counts[i];
  }
  Calls().push_back(s);
}
inline void WINAPI OnPen(int w, COLORREF c) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "pen %d %06X", w, c);
  Calls().push_back(buf);
}
inline void WINAPI OnBrush(COLORREF c) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "brush %06X", c);
  Calls().push_back(buf);
}
inline void WINAPI OnText(int x, int y, const char* text, LOGFONTA*, int, COLORREF c) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "text %d,%d %06X %s", x, y, c, text);
  Calls().push_back(buf);
}

// Installs the recorder for its lifetime (and clears what was recorded).
class Recorder {
 public:
  Recorder() {
    Calls().clear();
    old_ = SetDrawingCallbacks(&table_);
  }
  ~Recorder() { SetDrawingCallbacks(old_); }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;
  // What was recorded since the last call.
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(Calls());
    return out;
  }

 private:
  DrawingCallbackTable table_{OnPolyline, OnPolygon, OnText, OnPen, OnBrush, nullptr};
  DrawingCallbackTable* old_ = nullptr;
};

using drawtest::Lines;

}  // namespace devicecalls
