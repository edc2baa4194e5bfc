// Visibility tests of lines, polygons, circles, texts and bitmap signs (the
// vector-sign tests are with the vector-sign placement, vectorsign.cpp).
#include "drawing/visibility.h"

#include <algorithm>
#include <cstdint>

#include "drawing/dibpainters.h"
#include "drawing/maskfill.h"
#include "drawing/paintcontext.h"
#include "drawing/paintgeometry.h"
#include "drawing/painttext.h"
#include "drawing/parmwords.h"
#include "drawing/rasterizer.h"

TESTWINDOW TestWindow = {0, 0};
LONG TestHitFlag = 0;

namespace {

using i64 = int64_t;

constexpr int kSignReach = 8;  // pixels around the window a bitmap sign's anchor may lie

bool HasPoints(const POLYDATA* data) {
  return data != nullptr && data->Points != nullptr && data->PolyCounts != nullptr &&
         data->Count > 0;
}

// Columns Left .. Right - 1 and rows Top .. Bottom - 1.
struct Box {
  i64 Left, Top, Right, Bottom;
};

inline int Outcode(POINT p, const Box& b) {
  return (p.x < b.Left ? 1 : 0) | (p.x >= b.Right ? 2 : 0) | (p.y < b.Top ? 4 : 0) |
         (p.y >= b.Bottom ? 8 : 0);
}

// 1 when the one-pixel walk of a segment of the parts meets the box: a
// segment with an end inside does, one whose ends lie beyond the same edge
// does not (whole runs of those cost one comparison a point), any other is
// cut to the box in closed form.
int PartsMeet(const POLYDATA* data, const Box& box) {
  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n < 1) return 0;
    int before = Outcode(p[0], box);
    if (before == 0) return 1;
    for (LONG i = 1; i < n; ++i) {
      const int code = Outcode(p[i], box);
      if (code == 0) return 1;
      if ((code & before) == 0 &&
          SegmentWalkMeets(p[i - 1], p[i], box.Left, box.Top, box.Right, box.Bottom))
        return 1;
      before = code;
    }
    p += n;
  }
  return 0;
}

// The set's frame, which holds its points, misses the box: nothing of it
// can meet the box.
bool FrameMisses(const POLYDATA* data, const Box& b) {
  return data->MaxX < b.Left || data->MinX >= b.Right || data->MaxY < b.Top ||
         data->MinY >= b.Bottom;
}

int Answer(int hit) {
  TestHitFlag = hit != 0 ? 1 : 0;
  return TestHitFlag;
}

// Any set bit of the mask's work area, the last word of a row cut to the
// window's right edge; rows are scanned from their last word.
bool AnyMaskBit(const MaskFillContext& c) {
  if (c.AreaFirst == nullptr || c.AreaWords < 1) return false;
  const intptr_t rowWords = c.MaskRowBytes / 4;
  const LONG last = c.AreaWords - 1;
  for (LONG r = 0; r < c.AreaRows; ++r) {
    const DWORD* row = c.AreaFirst - r * rowWords;
    if ((row[last] & c.LastMask) != 0) return true;
    for (LONG i = last - 1; i >= 0; --i)
      if (row[i] != 0) return true;
  }
  return false;
}

// The thickness of a thick-line test in pixels.
LONG TestThickness(const char* parm, float scale) {
  LONG t = parm != nullptr ? BYTE(parm[1]) : 0;
  if (scale >= 0.01f) t = TruncatePixel(t * double(std::min(scale, 16.0f)) + 0.5);
  return t;
}

int TextTest(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale, bool face) {
  TestHitFlag = 0;
  if (data == nullptr || parm == nullptr) return 0;
  TextHitTestResult = 0;
  TextHitTestMode = 1;
  if (face)
    PaintDibText152(doc, data, parm, scale);
  else
    PaintDibText(doc, data, parm, scale);
  TextHitTestMode = 0;
  return Answer(TextHitTestResult);
}

}  // namespace

void SetTestWindow(int width, int height) {
  TestWindow.Width = std::max(width, 0);
  TestWindow.Height = std::max(height, 0);
}

TESTWINDOW TestMaskWindow() {
  TESTWINDOW w = TestWindow;
  const TPaintContext& p = PaintContext;
  if (p.MaskTop1 != nullptr) {
    w.Width = std::min(w.Width, p.Stride / 8);
    w.Height = std::min(w.Height, p.PictureHeight / 4);
  }
  return w;
}

int TestDefaultImage(TPaintMetric*, POLYDATA* data, const char*, float) {
  TestHitFlag = 0;
  const TESTWINDOW& w = TestWindow;
  if (!HasPoints(data) || w.Width < 1 || w.Height < 1) return 0;
  const Box box{0, 0, w.Width, w.Height};
  return FrameMisses(data, box) ? 0 : Answer(PartsMeet(data, box));
}

int TestLineImage(TPaintMetric*, POLYDATA* data, const char* parm, float scale) {
  TestHitFlag = 0;
  const TESTWINDOW& w = TestWindow;
  if (!HasPoints(data) || w.Width < 1 || w.Height < 1) return 0;
  const LONG t = TestThickness(parm, scale);
  const i64 half = t > 0 ? (i64(t) + 1) / 2 : 0;
  const Box box{-half, -half, w.Width + half, w.Height + half};
  return FrameMisses(data, box) ? 0 : Answer(PartsMeet(data, box));
}

int TestImageByMask(TPaintMetric*, POLYDATA* data, const char*, float) {
  TestHitFlag = 0;
  if (!HasPoints(data)) return 0;
  const TESTWINDOW w = TestMaskWindow();
  if (w.Width < 1 || w.Height < 1) return 0;
  const Box box{0, 0, w.Width, w.Height};
  if (FrameMisses(data, box)) return 0;
  // The outline first: it hits where the fill rule leaves its right and
  // bottom edges out, and it spares the mask most of the time.
  if (PartsMeet(data, box)) return Answer(1);
  MaskFillContext mask;
  InitMaskFill(&mask);
  if (mask.MaskRow0 == nullptr) return 0;
  mask.ClipWidth = w.Width;
  mask.ClipHeight = w.Height;
  BuildScanEdges(&mask, data);  // what a damaged part left in the mask counts too
  return Answer(AnyMaskBit(mask));
}

int TestCircleImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  TestHitFlag = 0;
  POINT centre;
  const TESTWINDOW& w = TestWindow;
  if (parm == nullptr || !FirstPoint(data, &centre) || w.Width < 1 || w.Height < 1) return 0;
  const LONG r = ScaleTrunc(ParmLong(parm, 2) / 250, scale);
  // The square around the circle against the window widened as the thick
  // walk widens it.
  const i64 t = TestThickness(parm, scale), half = t > 0 ? (t + 1) / 2 : 0;
  const i64 reach = std::max<i64>(r, 0) + half;
  if (centre.x + reach < 0 || centre.x - reach >= w.Width || centre.y + reach < 0 ||
      centre.y - reach >= w.Height)
    return 0;
  POINT points[CHORD_POINTS_MAX];
  LONG count = 0;
  POLYDATA circle = OnePartOf(*data, points, &count);
  circle.Text = nullptr;
  if (DrawArcByChords(centre, r, &circle) < 1) return 0;
  FrameOfPoints(&circle, points, count);
  return TestLineImage(doc, &circle, parm, scale);
}

int TestTextImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  return TextTest(doc, data, parm, scale, false);
}

int TestFaceTextImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  return TextTest(doc, data, parm, scale, true);
}

int TestBitmapSignImage(TPaintMetric*, POLYDATA* data, const char*, float) {
  TestHitFlag = 0;
  POINT p;
  const TESTWINDOW& w = TestWindow;
  if (!FirstPoint(data, &p) || w.Width < 1 || w.Height < 1) return 0;
  const i64 x = p.x, y = p.y;
  return Answer(x >= -kSignReach && y >= -kSignReach && x - kSignReach <= w.Width &&
                y - kSignReach <= w.Height);
}
