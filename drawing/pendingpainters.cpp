// Stand-ins for what the tables and the memory-image painters call but
// the library does not hold yet (see pendingpainters.h).
#include "drawing/pendingpainters.h"

#include <cstdint>
#include <cstring>


namespace {

constexpr const char* kVector = "vector signs";
constexpr const char* kGrid = "sign grid fill";
constexpr const char* kPattern = "pattern line";
constexpr const char* kGeometry = "painting geometry";
constexpr const char* kMark = "mark vectorization";

constexpr PENDINGENTRY kEntries[] = {
    // Device painters.
    {"PaintAreaSignsDevice", kGeometry},
    // Hand-offs of the device painters.
    {"PaintDevicePatternFill", kGeometry},
    {"PaintScaledMark", kMark},
    // Memory-image painters of other components.
    {"PaintDibVectorSign", kVector},
    {"PaintDibVectorSignMirrored", kVector},
    {"PaintDibVectorSignByReference", kVector},
    {"PaintDibAreaSigns", kGrid},
    {"PaintDibPatternLine", kPattern},
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

STAND_IN_PAINTER(PaintAreaSignsDevice)

STAND_IN_PAINTER(PaintDibVectorSign)
STAND_IN_PAINTER(PaintDibVectorSignMirrored)
STAND_IN_PAINTER(PaintDibVectorSignByReference)
STAND_IN_PAINTER(PaintDibAreaSigns)
STAND_IN_PAINTER(PaintDibPatternLine)


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

void PaintDevicePatternFill(HDC, POLYDATA*, const DEVICEPATTERNFILL* fill, const BYTE*) {
  KeepDevice("PaintDevicePatternFill", fill, fill != nullptr ? sizeof(*fill) : 0);
}

void PaintScaledMark(HDC, POLYDATA*, const MARKLAYER* layer, float f) {
  KeepDevice("PaintScaledMark", layer, layer != nullptr ? sizeof(*layer) : 0);
  std::memcpy(g_deviceRecord + sizeof(MARKLAYER), &f, sizeof(f));
}
