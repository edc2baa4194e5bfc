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
constexpr const char* kLibrary = "image plug-in libraries";

constexpr PENDINGENTRY kEntries[] = {
    // Device painters.
    {"PaintLineSignsDevice", kDevice},
    {"PaintLibraryImageDevice", kLibrary},
    // Memory-image painters of other components.
    {"PaintDibLineSigns", kSigns},
    {"PaintDibLineSignsFull", kSigns},
    {"PaintDibLibraryImage", kLibrary},
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
STAND_IN_PAINTER(PaintLibraryImageDevice)

STAND_IN_PAINTER(PaintDibLineSigns)
STAND_IN_PAINTER(PaintDibLineSignsFull)

void PaintDibLibraryImage(TPaintMetric* doc, POLYDATA* data, const char*, float scale) {
  Note("PaintDibLibraryImage");
  const LocalParm<2> line{0, 260};
  PaintDibLine(doc, data, line(), scale);
}

STAND_IN_TEST(TestLibraryImage)
