// The host functions of the image plug-in libraries.
#include "api/imagelib_api.h"

#include "drawing/imagelibrary.h"
#include "drawing/linesigns.h"
#include "drawing/paintcontext.h"
#include "drawing/visibility.h"

namespace {

bool BuiltIn(LONG code) { return code >= 128 && code <= 255; }

}  // namespace

MAPAPI LONG WINAPI imgGetDibDescribe(DIBDESCRIBE* describe) {
  if (describe == nullptr || PaintContext.PictureTop == nullptr) return 0;
  describe->Top = PaintContext.PictureTop;
  describe->Width = PaintContext.Stride / 4;
  describe->Height = PaintContext.PictureHeight;
  describe->BitsPerPixel = 32;
  describe->BytesPerPixel = 4;
  describe->RowBytes = PaintContext.Stride;
  return 1;
}

MAPAPI LONG WINAPI imgPaintImage(POLYDATA* data, LONG code, const char* parm,
                                 const IMGCONTEXT* context) {
  if (data == nullptr || parm == nullptr || context == nullptr || !BuiltIn(code)) return 0;
  auto* painter = static_cast<TPaintMetric*>(context->Painter);
  const bool device = context->Kind >= IMGCONTEXT_DEVICE && context->Dc != nullptr;
  const IMGPAINTER* block =
      device ? DevicePainterTable[0].data() : DibPainterTable[DIB_FULLCOLOUR].data();
  block[code](painter, data, parm, context->Scale);
  return 1;
}

MAPAPI LONG WINAPI imgTestVisible(POLYDATA* data, LONG code, const char* parm,
                                  const IMGCONTEXT* context) {
  if (data == nullptr || parm == nullptr || context == nullptr || !BuiltIn(code)) return 0;
  return VisibilityTestTable[code](nullptr, data, parm, context->Scale);
}

MAPAPI LONG WINAPI imgPrepareBorder(POLYDATA* data, LONG code, const char* parm,
                                    const IMGCONTEXT* context, FRAME* frame) {
  if (data == nullptr || parm == nullptr || context == nullptr || !BuiltIn(code)) return 0;
  return BorderPrimitiveTable[code](data, parm, context, frame);
}

MAPAPI COLORREF WINAPI imgGetTrueColorByColor(LONG, COLORREF color) {
  return color >> 24 == 0xF0 ? PaintContext.ColorsB[color & 0xFF] : color;
}

MAPAPI POINT* WINAPI imgFindPointOnLine(POINT* point, const IMGSEGMENT* segment, LONG count) {
  if (point != nullptr && segment != nullptr)
    *point = WalkLinePoints(POINT{segment->X1, segment->Y1}, POINT{segment->X2, segment->Y2}, count);
  return point;
}

LONG llGetImageBorder(int n, LONG image, POLYDATA* data, IMGDRAW* parm, IMGCONTEXT* context,
                      FRAME* frame) {
  return llGetImageBorder(n, image, data, reinterpret_cast<const char*>(parm), context, frame);
}
