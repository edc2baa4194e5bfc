// Stand-ins for what the tables and the memory-image painters call but
// the library does not hold yet (see pendingpainters.h).
#include "drawing/pendingpainters.h"

#include <cstdint>
#include <cstring>

#include "drawing/dibpainters.h"
#include "drawing/parmwords.h"

namespace {

constexpr const char* kDevice = "device painters";
constexpr const char* kSigns = "lines with signs";
constexpr const char* kGrid = "sign grid fill";
constexpr const char* kPattern = "pattern line";
constexpr const char* kGeometry = "painting geometry";
constexpr const char* kLibrary = "image plug-in libraries";

constexpr PENDINGENTRY kEntries[] = {
    // Device painters.
    {"PaintLineSignsDevice", kDevice},
    {"PaintAreaSignsDevice", kGeometry},
    {"PaintLibraryImageDevice", kLibrary},
    // Memory-image painters of other components.
    {"PaintDibLineSigns", kSigns},
    {"PaintDibLineSignsFull", kSigns},
    {"PaintDibAreaSigns", kGrid},
    {"PaintDibPatternLine", kPattern},
    {"PaintDibLibraryImage", kLibrary},
    // Hand-offs of the memory-image painters.
    {"ShadePolygonBands", kGrid},
    // Visibility tests.
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
STAND_IN_PAINTER(PaintAreaSignsDevice)
STAND_IN_PAINTER(PaintLibraryImageDevice)

STAND_IN_PAINTER(PaintDibLineSigns)
STAND_IN_PAINTER(PaintDibLineSignsFull)
STAND_IN_PAINTER(PaintDibAreaSigns)
STAND_IN_PAINTER(PaintDibPatternLine)

void PaintDibLibraryImage(TPaintMetric* doc, POLYDATA* data, const char*, float scale) {
  Note("PaintDibLibraryImage");
  const LocalParm<2> line{0, 260};
  PaintDibLine(doc, data, line(), scale);
}

STAND_IN_TEST(TestLibraryImage)

// --- Hand-offs ---

namespace {
char g_deviceRecord[160];

void KeepDevice(const char* name, const void* record, size_t size) {
  Note(name);
  std::memset(g_deviceRecord, 0, sizeof(g_deviceRecord));
  if (record != nullptr) std::memcpy(g_deviceRecord, record, size);
}
}  // namespace

const char* PendingDeviceRecord() { return g_deviceRecord; }

void ShadePolygonBands(POLYDATA*, const VECTORPLACEMENT* shading) {
  KeepDevice("ShadePolygonBands", shading, shading != nullptr ? sizeof(*shading) : 0);
}
