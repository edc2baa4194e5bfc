// Stand-ins for what the tables and the memory-image painters call but
// the library does not hold yet (see pendingpainters.h).
#include "drawing/pendingpainters.h"

#include <cstdint>
#include <cstring>

#include "drawing/dibpainters.h"
#include "drawing/parmwords.h"

namespace {

constexpr const char* kDevice = "device painters";
constexpr const char* kTests = "visibility tests";
constexpr const char* kOffset = "offset line";
constexpr const char* kSigns = "lines with signs";
constexpr const char* kGrid = "sign grid fill";
constexpr const char* kPattern = "pattern line";
constexpr const char* kHatch = "device hatch by angle";
constexpr const char* kGeometry = "painting geometry";
constexpr const char* kLibrary = "image plug-in libraries";

constexpr PENDINGENTRY kEntries[] = {
    // Device painters.
    {"PaintLineSignsDevice", kDevice},
    {"PaintAngleHatchDevice", kHatch},
    {"PaintAreaSignsDevice", kGeometry},
    {"PaintOffsetLineDevice", kOffset},
    {"PaintLibraryImageDevice", kLibrary},
    // Hand-offs of the device painters.
    {"ShadeSignColumns", kHatch},
    // Memory-image painters of other components.
    {"PaintDibLineSigns", kSigns},
    {"PaintDibLineSignsFull", kSigns},
    {"PaintDibAreaSigns", kGrid},
    {"PaintDibPatternLine", kPattern},
    {"PaintOffsetLineDib", kOffset},
    {"PaintDibLibraryImage", kLibrary},
    // Engines and hand-offs of the memory-image painters.
    {"MakeOffsetPolyline", kOffset},
    {"ShadePolygonBands", kGrid},
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

STAND_IN_PAINTER(PaintLineSignsDevice)
STAND_IN_PAINTER(PaintAngleHatchDevice)
STAND_IN_PAINTER(PaintAreaSignsDevice)
STAND_IN_PAINTER(PaintOffsetLineDevice)
STAND_IN_PAINTER(PaintLibraryImageDevice)

STAND_IN_PAINTER(PaintDibLineSigns)
STAND_IN_PAINTER(PaintDibLineSignsFull)
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

// --- Hand-offs ---

int MakeOffsetPolyline(POINT** out, POINT* points, int count, int) {
  Note("MakeOffsetPolyline");
  if (out != nullptr) *out = points;
  return count;
}

// --- Hand-offs of the device painters ---

namespace {
char g_deviceRecord[160];

void KeepDevice(const char* name, const void* record, size_t size) {
  Note(name);
  std::memset(g_deviceRecord, 0, sizeof(g_deviceRecord));
  if (record != nullptr) std::memcpy(g_deviceRecord, record, size);
}
}  // namespace

const char* PendingDeviceRecord() { return g_deviceRecord; }

void ShadeSignColumns(TPaintMetric*, POLYDATA*, const VECTORPLACEMENT* place, float) {
  KeepDevice("ShadeSignColumns", place, place != nullptr ? sizeof(*place) : 0);
}

void ShadePolygonBands(POLYDATA*, const VECTORPLACEMENT* shading) {
  KeepDevice("ShadePolygonBands", shading, shading != nullptr ? sizeof(*shading) : 0);
}

