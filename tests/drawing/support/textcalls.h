// Records what the text engines hand a host's drawing callbacks: texts
// with their anchor, colour and font, lines, areas and brush colours, so
// that tests see what a text primitive really paints.
#pragma once

#include <string>
#include <vector>

#include "devices/devdraw.h"

namespace textcalls {

struct Shape {
  char Kind;  // 't' text, 'l' line, 'a' area, 'b' brush
  int X = 0, Y = 0;
  std::string Text;
  LOGFONTA Font{};
  COLORREF Color = 0;
  std::vector<POINT> Points;
};

inline std::vector<Shape>& Shapes() {
  static std::vector<Shape> shapes;
  return shapes;
}

inline void WINAPI OnLine(POINT* p, int n) { Shapes().push_back({'l', 0, 0, "", {}, 0, {p, p + n}}); }
inline void WINAPI OnArea(POINT* p, int* counts, int, RECT*) {
  Shapes().push_back({'a', 0, 0, "", {}, 0, {p, p + counts[0]}});
}
inline void WINAPI OnText(int x, int y, const char* text, LOGFONTA* font, int, COLORREF c) {
  Shapes().push_back({'t', x, y, text, *font, c, {}});
}
inline void WINAPI OnBrush(COLORREF c) { Shapes().push_back({'b', 0, 0, "", {}, c, {}}); }

// Installs the callbacks for its lifetime.
class Capture {
 public:
  Capture() {
    Shapes().clear();
    old_ = SetDrawingCallbacks(&table_);
  }
  ~Capture() { SetDrawingCallbacks(old_); }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  // The shapes of a kind recorded since the last Take, and all of them.
  std::vector<Shape> Of(char kind) const {
    std::vector<Shape> out;
    for (const Shape& s : Shapes())
      if (s.Kind == kind) out.push_back(s);
    return out;
  }
  std::vector<Shape> Take() {
    std::vector<Shape> all;
    all.swap(Shapes());
    return all;
  }

 private:
  DrawingCallbackTable table_{OnLine, OnArea, OnText, nullptr, OnBrush, nullptr};
  DrawingCallbackTable* old_ = nullptr;
};

}  // namespace textcalls
