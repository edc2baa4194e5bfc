// The entries of the text engines: the memory image's (the hand-offs of the
// memory-image front ends, with the hit-test flags) and the document
// device's (the hand-offs of the device front ends).
#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "drawing/painttext.h"
#include "drawing/parmwords.h"

namespace {

constexpr DWORD kNoColor = 0xFFFFFFFFu;

int MemoryFlags() { return TextHitTestMode != 0 ? TEXT_HITTEST : TEXT_DRAW; }

void AfterMemoryCall(int result) {
  if (TextHitTestMode != 0) TextHitTestResult = result;
  TextHitTestMode = 0;
}

// The device texts go to the text context of a raster printer that has
// one (drawn, never framed); else to the document's device, as frames
// while it draws with a raster operation other than copy-pen.
void DeviceText(TPaintMetric* doc, POLYDATA* data, const char* record, bool face, float scale,
                bool sign) {
  if (doc == nullptr || record == nullptr) return;
  if (!sign && doc->VisualType == 9 && ParmWord(record, 1) == kNoColor) return;
  HDC dc = doc->PaintDc;
  int flags = TEXT_DRAW;
  if (doc->TextDc != nullptr && doc->Technology == DT_RASPRINTER)
    dc = doc->TextDc;
  else if (plat::GetROP2(dc) != R2_COPYPEN)
    flags = TEXT_FRAME;
  if (sign)
    PaintFontSign(dc, data, record, flags);
  else
    PaintText(dc, data, record, face ? record + sizeof(IMGTEXT) : nullptr, flags, scale,
              doc->ScaleMethod);
}

}  // namespace

void PaintTextDib(POLYDATA* data, const char* record, float scale, int scaleMethod) {
  AfterMemoryCall(PaintText(PaintContext.MemoryDc, data, record, nullptr, MemoryFlags(), scale,
                            scaleMethod));
}

void PaintFaceTextDib(POLYDATA* data, const char* record, float scale, int scaleMethod) {
  const char* face = record != nullptr ? record + sizeof(IMGTEXT) : nullptr;
  AfterMemoryCall(
      PaintText(PaintContext.MemoryDc, data, record, face, MemoryFlags(), scale, scaleMethod));
}

void PaintFontSignDib(POLYDATA* data, const char* record, float) {
  AfterMemoryCall(PaintFontSign(PaintContext.MemoryDc, data, record, MemoryFlags()));
}

void PaintTextDevice(TPaintMetric* doc, POLYDATA* data, const char* record, float scale) {
  DeviceText(doc, data, record, false, scale, false);
}

void PaintFaceTextDevice(TPaintMetric* doc, POLYDATA* data, const char* record, float scale) {
  DeviceText(doc, data, record, true, scale, false);
}

void PaintFontSignDevice(TPaintMetric* doc, POLYDATA* data, const char* record, float scale) {
  DeviceText(doc, data, record, false, scale, true);
}
