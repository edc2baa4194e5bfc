// The memory-image front ends of the text primitives: the record is copied,
// its colours and sizes converted into the memory image's terms, and the
// copy handed to the text engine.
#include <cstring>

#include "drawing/dibpainters.h"
#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "drawing/painttext.h"
#include "drawing/parmwords.h"

namespace {

constexpr DWORD kNoColor = 0xFFFFFFFFu;
constexpr int kFitFlag = 1;      // byte 31: fit the text to its first segment
constexpr int kLeastHeight = 5;  // pixels

// Screen pixels per micrometre of the memory image.
double PixelsPerMicron() { return GetScreenPixelsPerMeterV() * 1e-6; }

// The scale method of the document painted (0 without one).
int ScaleMethodOf(const TPaintMetric* doc) { return doc != nullptr ? doc->ScaleMethod : 0; }

// Colour words 0 and 2 for the text engine; word 1 (the background) too,
// tagged as a ready pixel when `tag` is set.
void ConvertColours(char* record, bool tag) {
  SetParmWord(record, 0, ColorToDeviceColor(ParmWord(record, 0)));
  DWORD background = ColorToDeviceColor(ParmWord(record, 1));
  if (tag && background != kNoColor) background = (background & 0xFFFFFF) | 0xF1000000u;
  SetParmWord(record, 1, background);
  SetParmWord(record, 2, ColorToDeviceColor(ParmWord(record, 2)));
}

// The height of word 3 in pixels: 0 for a text fitted to its segment or
// without a height; below 5 pixels it becomes 5 unless the scale method
// lets sizes follow the zoom.
void ConvertHeight(TPaintMetric* doc, char* record, float scale) {
  const DWORD height = ParmWord(record, 3);
  DWORD pixels = 0;
  if (height != 0 && (record[31] & kFitFlag) == 0) {
    pixels = static_cast<DWORD>(
        TruncatePixel(PixelsPerMicron() * static_cast<LONG>(height) * double(scale)));
    if (pixels < DWORD(kLeastHeight) && ScaleMethodOf(doc) == 0) pixels = kLeastHeight;
  }
  SetParmWord(record, 3, pixels);
}

}  // namespace

void PaintDibText(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  char record[32];
  std::memcpy(record, parm, sizeof(record));
  ConvertColours(record, true);
  ConvertHeight(doc, record, scale);
  PaintTextDib(data, record, scale, ScaleMethodOf(doc));
}

void PaintDibText152(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  char record[64];
  std::memcpy(record, parm, sizeof(record));
  ConvertColours(record, false);
  ConvertHeight(doc, record, scale);
  PaintFaceTextDib(data, record, scale, ScaleMethodOf(doc));
}

void PaintDibText151(TPaintMetric*, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  char record[92];
  std::memcpy(record, parm, sizeof(record));
  const double k = PixelsPerMicron() * double(scale);
  ConvertColours(record, false);
  DWORD height = static_cast<DWORD>(TruncatePixel(ParmLong(record, 3) * k));
  if (height < DWORD(kLeastHeight)) height = kLeastHeight;
  SetParmWord(record, 3, height);
  for (int n : {21, 22}) SetParmWord(record, n, DWORD(TruncatePixel(ParmLong(record, n) * k)));
  PaintFontSignDib(data, record, scale);
}
