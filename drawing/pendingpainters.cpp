// Stand-ins for what the tables and the memory-image painters call but
// the library does not hold yet (see pendingpainters.h).
#include "drawing/pendingpainters.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "drawing/dashline.h"
#include "drawing/dibpainters.h"
#include "drawing/maskfill.h"
#include "drawing/parmwords.h"
#include "drawing/rasterizer.h"

namespace {

constexpr const char* kDevice = "device painters";
constexpr const char* kTests = "visibility tests";
constexpr const char* kFill = "polygon fill engine";
constexpr const char* kDash = "dashed and thick lines";
constexpr const char* kText = "text painters";
constexpr const char* kOffset = "offset line";
constexpr const char* kSigns = "lines with signs";
constexpr const char* kVector = "vector signs";
constexpr const char* kGrid = "sign grid fill";
constexpr const char* kPattern = "pattern line";
constexpr const char* kHatch = "device hatch by angle";
constexpr const char* kGeometry = "painting geometry";
constexpr const char* kLibrary = "image plug-in libraries";
constexpr const char* kDevicePattern = "device pattern line";

constexpr PENDINGENTRY kEntries[] = {
    // Device painters.
    {"PaintLine", kDevice},
    {"PaintDashedLine", kDevice},
    {"PaintOffsetDashedLine", kDevice},
    {"PaintSolidFill", kDevice},
    {"PaintOneColourFill", kDevice},
    {"PaintPatternFill", kDevice},
    {"PaintCircle", kDevice},
    {"PaintTextFront", kDevice},
    {"PaintFaceTextFront", kDevice},
    {"PaintFontSignFront", kDevice},
    {"PaintLayeredSign", kDevice},
    {"PaintLayeredPattern", kDevice},
    {"PaintVectorSign", kDevice},
    {"PaintVectorSignMirrored", kDevice},
    {"PaintVectorSignByReference", kDevice},
    {"PaintLineSignsDevice", kDevice},
    {"PaintAngleHatchDevice", kHatch},
    {"PaintAreaSignsDevice", kGeometry},
    {"PaintPatternLineDevice", kDevicePattern},
    {"PaintOffsetLineDevice", kOffset},
    {"PaintLibraryImageDevice", kLibrary},
    // Memory-image painters of other components.
    {"PaintDibLineSigns", kSigns},
    {"PaintDibLineSignsFull", kSigns},
    {"PaintDibVectorSign", kVector},
    {"PaintDibVectorSignMirrored", kVector},
    {"PaintDibVectorSignByReference", kVector},
    {"PaintDibAreaSigns", kGrid},
    {"PaintDibPatternLine", kPattern},
    {"PaintOffsetLineDib", kOffset},
    {"PaintDibLibraryImage", kLibrary},
    // Engines and hand-offs of the memory-image painters.
    {"BuildScanEdges", kFill},
    {"PreparePattern", kFill},
    {"PaintMaskTwoColours", kFill},
    {"PaintMaskPattern", kFill},
    {"MakeStripeRow", kFill},
    {"MakeDiagonalRow", kFill},
    {"PaintVerticalHatch", kFill},
    {"PaintDotHatch", kFill},
    {"PaintDiagonalHatch", kFill},
    {"PaintHorizontalHatch", kFill},
    {"DrawThinLine", kDash},
    {"DrawThickLine", kDash},
    {"DrawRightBand", kDash},
    {"DrawLeftBand", kDash},
    {"MakeOffsetPolyline", kOffset},
    {"PaintTextDib", kText},
    {"PaintFaceTextDib", kText},
    {"PaintFontSignDib", kText},
    // Visibility tests.
    {"TestDefaultImage", kTests},
    {"TestImageByMask", kTests},
    {"TestCircleImage", kTests},
    {"TestTextImage", kTests},
    {"TestFaceTextImage", kTests},
    {"TestBitmapSignImage", kTests},
    {"TestVectorSignImage", kTests},
    {"TestVectorSignMirrored", kTests},
    {"TestVectorSignByReference", kTests},
    {"TestOffsetLine", kOffset},
    {"TestLibraryImage", kLibrary},
    {nullptr, nullptr},
};
constexpr int kCount = sizeof(kEntries) / sizeof(kEntries[0]) - 1;

int g_calls[kCount] = {};

int IndexOf(const char* name) {
  for (int i = 0; i < kCount; ++i)
    if (std::strcmp(kEntries[i].Name, name) == 0) return i;
  return -1;
}

void Note(const char* name) {
  const int i = IndexOf(name);
  if (i >= 0) ++g_calls[i];
}

}  // namespace

const PENDINGENTRY* PendingEntries() { return kEntries; }

int PendingCalls(const char* name) {
  if (name == nullptr) {
    int all = 0;
    for (int n : g_calls) all += n;
    return all;
  }
  const int i = IndexOf(name);
  return i >= 0 ? g_calls[i] : 0;
}

void ResetPendingCalls() {
  for (int& n : g_calls) n = 0;
}

#define STAND_IN_PAINTER(name) \
  void name(TPaintMetric*, POLYDATA*, const char*, float) { Note(#name); }
#define STAND_IN_TEST(name)                                \
  int name(TPaintMetric*, POLYDATA*, const char*, float) { \
    Note(#name);                                           \
    return 0;                                              \
  }

STAND_IN_PAINTER(PaintLine)
STAND_IN_PAINTER(PaintDashedLine)
STAND_IN_PAINTER(PaintOffsetDashedLine)
STAND_IN_PAINTER(PaintSolidFill)
STAND_IN_PAINTER(PaintOneColourFill)
STAND_IN_PAINTER(PaintPatternFill)
STAND_IN_PAINTER(PaintCircle)
STAND_IN_PAINTER(PaintTextFront)
STAND_IN_PAINTER(PaintFaceTextFront)
STAND_IN_PAINTER(PaintFontSignFront)
STAND_IN_PAINTER(PaintLayeredSign)
STAND_IN_PAINTER(PaintLayeredPattern)
STAND_IN_PAINTER(PaintVectorSign)
STAND_IN_PAINTER(PaintVectorSignMirrored)
STAND_IN_PAINTER(PaintVectorSignByReference)
STAND_IN_PAINTER(PaintLineSignsDevice)
STAND_IN_PAINTER(PaintAngleHatchDevice)
STAND_IN_PAINTER(PaintAreaSignsDevice)
STAND_IN_PAINTER(PaintPatternLineDevice)
STAND_IN_PAINTER(PaintOffsetLineDevice)
STAND_IN_PAINTER(PaintLibraryImageDevice)

STAND_IN_PAINTER(PaintDibLineSigns)
STAND_IN_PAINTER(PaintDibLineSignsFull)
STAND_IN_PAINTER(PaintDibVectorSign)
STAND_IN_PAINTER(PaintDibVectorSignMirrored)
STAND_IN_PAINTER(PaintDibVectorSignByReference)
STAND_IN_PAINTER(PaintDibAreaSigns)
STAND_IN_PAINTER(PaintDibPatternLine)
STAND_IN_PAINTER(PaintOffsetLineDib)

void PaintDibLibraryImage(TPaintMetric* doc, POLYDATA* data, const char*, float scale) {
  Note("PaintDibLibraryImage");
  const LocalParm<2> line{0, 260};
  PaintDibLine(doc, data, line(), scale);
}

STAND_IN_TEST(TestDefaultImage)
STAND_IN_TEST(TestImageByMask)
STAND_IN_TEST(TestCircleImage)
STAND_IN_TEST(TestTextImage)
STAND_IN_TEST(TestFaceTextImage)
STAND_IN_TEST(TestBitmapSignImage)
STAND_IN_TEST(TestVectorSignImage)
STAND_IN_TEST(TestVectorSignMirrored)
STAND_IN_TEST(TestVectorSignByReference)
STAND_IN_TEST(TestOffsetLine)
STAND_IN_TEST(TestLibraryImage)

// --- Polygon fill engine ---

namespace {

// Inverts the bits of mask row y from column x to the end of the work area.
void ToggleRow(MaskFillContext* c, int64_t y, int64_t x) {
  if (y < c->AreaTop || y >= int64_t(c->AreaTop) + c->AreaRows) return;
  int64_t from = x - c->AreaLeft;
  if (from < 0) from = 0;
  if (from >= c->AreaWidth) return;
  DWORD* row = c->AreaFirst - (y - c->AreaTop) * (c->MaskRowBytes / 4);
  const int64_t word = from / 32;
  row[word] ^= 0xFFFFFFFFu >> (from % 32);
  for (int64_t i = word + 1; i < c->AreaWords; ++i) row[i] ^= 0xFFFFFFFFu;
}

// Every row whose pixel centre lies between the edge's ends is toggled
// from the first pixel whose centre lies right of the crossing.
void ToggleEdge(MaskFillContext* c, POINT p, POINT q) {
  if (p.y == q.y) return;
  if (p.y > q.y) std::swap(p, q);
  const int64_t first = std::max<int64_t>(p.y, c->AreaTop);
  const int64_t last = std::min<int64_t>(int64_t(q.y) - 1, int64_t(c->AreaTop) + c->AreaRows - 1);
  const double slope = double(int64_t(q.x) - p.x) / double(int64_t(q.y) - p.y);
  for (int64_t y = first; y <= last; ++y) {
    const double x = p.x + (y + 0.5 - p.y) * slope;
    ToggleRow(c, y, static_cast<int64_t>(std::ceil(x - 0.5)));
  }
}

}  // namespace

// The plain version: the even-odd rule sampled at pixel centres.
int BuildScanEdges(MaskFillContext* c, const POLYDATA* data) {
  Note("BuildScanEdges");
  if (SetMaskArea(c, data) != 0) return 0;
  if (data->Points == nullptr || data->PolyCounts == nullptr) return 0;
  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n <= 0) return 0;
    if (n > 3)
      for (LONG i = 1; i < n; ++i) ToggleEdge(c, p[i - 1], p[i]);
    p += n;
  }
  return 1;
}

void PreparePattern(MaskFillContext*, const MASKPATTERN*) { Note("PreparePattern"); }
void PaintMaskTwoColours(MaskFillContext*, const MASKPATTERN*) { Note("PaintMaskTwoColours"); }
void PaintMaskPattern(MaskFillContext*, const MASKPATTERN*) { Note("PaintMaskPattern"); }
void MakeStripeRow(MaskFillContext*, int, int) { Note("MakeStripeRow"); }
void MakeDiagonalRow(MaskFillContext*, int, int, int) { Note("MakeDiagonalRow"); }
void PaintVerticalHatch(MaskFillContext*, DWORD) { Note("PaintVerticalHatch"); }
void PaintDotHatch(MaskFillContext*, DWORD, int, int) { Note("PaintDotHatch"); }
void PaintDiagonalHatch(MaskFillContext*, DWORD, int) { Note("PaintDiagonalHatch"); }
void PaintHorizontalHatch(MaskFillContext*, DWORD, int, int) { Note("PaintHorizontalHatch"); }

// --- Dashed and thick lines: solid lines in the dash colour ---

void DrawThinLine(const POLYDATA* data) {
  Note("DrawThinLine");
  RasterThinPolyline(data, DibLineState.Pixel);
}

void DrawThickLine(const POLYDATA* data) {
  Note("DrawThickLine");
  RasterThickPolyline(data, DibLineState.Thickness, DibLineState.Pixel);
}

void DrawRightBand(const POLYDATA*) { Note("DrawRightBand"); }
void DrawLeftBand(const POLYDATA*) { Note("DrawLeftBand"); }

// --- Hand-offs ---

int MakeOffsetPolyline(POINT** out, POINT* points, int count, int) {
  Note("MakeOffsetPolyline");
  if (out != nullptr) *out = points;
  return count;
}

namespace {
char g_textRecord[92];

void KeepText(const char* name, const char* record, size_t size) {
  Note(name);
  std::memset(g_textRecord, 0, sizeof(g_textRecord));
  if (record != nullptr) std::memcpy(g_textRecord, record, size);
}
}  // namespace

const char* PendingTextRecord() { return g_textRecord; }

void PaintTextDib(POLYDATA*, const char* record, float) { KeepText("PaintTextDib", record, 32); }
void PaintFaceTextDib(POLYDATA*, const char* record, float) {
  KeepText("PaintFaceTextDib", record, 64);
}
void PaintFontSignDib(POLYDATA*, const char* record, float) {
  KeepText("PaintFontSignDib", record, 92);
}
