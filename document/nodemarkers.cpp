// Edit-node markers: the settings of the document and the markers drawn
// over an object painted into the memory image.
#include <algorithm>
#include <cstdint>

#include "document/mapcontrol.h"
#include "drawing/dashline.h"
#include "drawing/dibpainters.h"
#include "drawing/paintcontext.h"

namespace {

using i64 = int64_t;

constexpr COLORREF kCenterColor = 0xFFFFFF;
constexpr COLORREF kFirstColor = 0x2020F0;
constexpr COLORREF kBorderColor = 0x000000;
constexpr int kTypeLeast = 1, kTypeFirst = 2, kTypeMost = 3;
constexpr int kDash = 5;  // the first segment: dashes and gaps of 5 pixels

// The picture a marker may write: the current draw place within the
// allocated image.
struct Surface {
  BYTE* Top;
  i64 Stride, Width, Height;
};

bool TakeSurface(Surface* s) {
  const TPaintContext& c = PaintContext;
  if (c.PictureTop == nullptr || c.BytesPerPixel != 4 || c.Stride < 4) return false;
  *s = Surface{c.PictureTop, c.Stride, std::min<i64>(c.ImageWidth, c.Stride / 4),
               std::min<i64>(c.ImageHeight, c.PictureHeight)};
  return s->Width > 0 && s->Height > 0;
}

// A 4 x 4 marker over x - 1 .. x + 2, y - 1 .. y + 2: the ring in the
// border pixel, the inner 2 x 2 in `inner`; every pixel clipped.
void Marker(const Surface& s, i64 x, i64 y, DWORD border, DWORD inner) {
  if (x + 2 < 0 || x - 1 >= s.Width || y + 2 < 0 || y - 1 >= s.Height) return;
  for (i64 row = std::max<i64>(y - 1, 0); row <= std::min(y + 2, s.Height - 1); ++row) {
    DWORD* line = reinterpret_cast<DWORD*>(s.Top - row * s.Stride);
    for (i64 col = std::max<i64>(x - 1, 0); col <= std::min(x + 2, s.Width - 1); ++col) {
      const bool in = row >= y && row <= y + 1 && col >= x && col <= x + 1;
      line[col] = in ? inner : border;
    }
  }
}

}  // namespace

void TMapControl::InitNodeImage() {
  NodeImageFlag = 0;
  SetNodeCenterColor(kCenterColor);
  SetNodeFirstColor(kFirstColor);
  SetNodeBorderColor(kBorderColor);
  NodeType = kTypeFirst;
}

LONG TMapControl::SetNodeView(LONG view) {
  const LONG old = NodeImageFlag;
  NodeImageFlag = view != 0 ? 1 : 0;
  return old;
}

void TMapControl::SetNodeCenterColor(COLORREF color) {
  NodeCenterColor = color;
  NodeCenterPixel = SwapRedBlue(color);
}

void TMapControl::SetNodeFirstColor(COLORREF color) {
  NodeFirstColor = color;
  NodeFirstPixel = SwapRedBlue(color);
}

void TMapControl::SetNodeBorderColor(COLORREF color) {
  NodeBorderColor = color;
  NodeBorderPixel = SwapRedBlue(color);
}

void TMapControl::SetNodeType(int type) { NodeType = std::clamp(type, kTypeLeast, kTypeMost); }

void TMapControl::ViewNode(const POLYDATA* data) {
  Surface s;
  if (data == nullptr || data->Points == nullptr || data->PolyCounts == nullptr ||
      !TakeSurface(&s))
    return;
  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    LONG n = data->PolyCounts[part];
    if (n <= 0) break;
    const POINT* points = p;
    p += n;
    if (n >= 2) {
      if (points[n - 1].x == points[0].x && points[n - 1].y == points[0].y) --n;
      POINT first[2] = {points[0], points[1]};
      LONG two = 2;
      POLYDATA segment = *data;
      segment.Points = first;
      segment.PolyCounts = &two;
      segment.Count = 1;
      DrawDibLine(&segment, 1, kDash, NodeFirstPixel, kDash);
    }
    for (LONG i = 0; i < n; ++i)
      Marker(s, points[i].x, points[i].y, NodeBorderPixel,
             i == 0 ? NodeFirstPixel : NodeCenterPixel);
  }
}
