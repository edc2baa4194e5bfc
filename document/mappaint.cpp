// TMapPaint: the memory image of a document and its palette.
#include "document/mappaint.h"

#include <algorithm>
#include <cstring>

#include "drawing/dibpainters.h"
#include "drawing/paintcontext.h"

TMapPaint::TMapPaint() {
  SetVisualType(1);
  OpenPaintDib();
  SetScreenSizeValue(0);
  SetPixel(0.0, 0.0);
}

TMapPaint::~TMapPaint() {
  ClosePaintDib();
  if (Palette != nullptr) plat::DeleteObject(Palette);
  Palette = nullptr;
}

int TMapPaint::SetupPalette() {
  MapPalette.ClearPalette();
  return 1;
}

int TMapPaint::SetPaintStep(int on) { return SetPaintStepValue(on); }

int TMapPaint::PaintDib(HDC dc, int erase, const RECT& rect) {
  if (GetPaintDc() == nullptr || PaintContext.PictureTop == nullptr) return 0;
  const LONG imageWidth = PaintContext.Stride / PaintContext.BytesPerPixel;
  const LONG width = std::min<int64_t>(int64_t(rect.right) - rect.left, imageWidth);
  const LONG height =
      std::min<int64_t>(int64_t(rect.bottom) - rect.top, PaintContext.PictureHeight);
  if (width <= 0 || height <= 0 || PaintContext.BytesPerPixel != 4) return 0;
  const RECT place{rect.left, rect.top, rect.left + width, rect.top + height};

  const double ppmH = PixelsPerMeterH, ppmV = PixelsPerMeterV;
  SetPixel(0.0, 0.0);
  const FRAME savedPlace = *SetDrawPlace(place);
  SetPaintDevice(PaintContext.MemoryDc, -1.0, -1.0);
  SIZE savedSize;
  SetPaintSize(width, height, &savedSize);

  // The background, as an image pixel.
  const DWORD background = VisualType > 2 ? 0xFFFFFF : SwapRedBlue(MapPalette.Colors[0]);
  for (LONG row = 0; row < height; ++row) {
    DWORD* p =
        reinterpret_cast<DWORD*>(PaintContext.PictureTop - int64_t(row) * PaintContext.Stride);
    std::fill(p, p + width, background);
  }
  if (erase == -2 && dc != nullptr) CopyDcToPaintDib(dc, rect.left, rect.top);
  if (BeforePaintCall != nullptr) {
    POINT old;
    plat::SetViewportOrgEx(PaintContext.MemoryDc, 0, PaintContext.TopMargin, &old);
    RECT r = place;
    BeforePaintCall(BeforePaintParameter, PaintContext.MemoryDc, &r);
    plat::SetViewportOrgEx(PaintContext.MemoryDc, old.x, old.y, nullptr);
  }

  const HDC savedWindow = PaintContext.WindowDc;
  const LONG savedCounter = PaintStepCounter;
  const int savedStep = dc == nullptr ? SetPaintStepValue(0) : PaintContext.PaintStep;
  PaintContext.WindowDc = dc;
  PaintStepCounter = 0;
  ShowData();
  if (dc != nullptr) CopyPaintDibToDc(dc, 0, 0);
  PaintContext.WindowDc = savedWindow;
  PaintStepCounter = savedCounter;
  PaintContext.PaintStep = savedStep;

  SetPixel(ppmH, ppmV);
  RestoreDrawPlace(&savedPlace);
  RestorePaintDevice();
  SetPaintSize(savedSize.cx, savedSize.cy);
  return 1;
}

int TMapPaint::PaintDibToDib32(char* bits, int rowLength, int rows, const RECT& rect) {
  if (bits == nullptr || rowLength <= 0 || rows <= 0) return 0;
  if (!PaintDib(nullptr, 1, rect)) return 0;
  const int64_t height =
      std::min<int64_t>({int64_t(rect.bottom) - rect.top, rows, PaintContext.PictureHeight});
  const int64_t bytes = std::min<int64_t>(
      {(int64_t(rect.right) - rect.left) * 4, rowLength, int64_t(PaintContext.Stride)});
  for (int64_t row = 0; row < height && bytes > 0; ++row)
    std::memcpy(bits - row * rowLength, PaintContext.PictureTop - row * PaintContext.Stride,
                size_t(bytes));
  return 1;
}

int TMapPaint::PaintToScript(int resolutionX, int resolutionY, DrawingCallbackTable* table) {
  if (table == nullptr) return 0;
  const double zoom = DrawScale;
  SetViewScale(1.0);
  const int type = SetVisualType(3);
  SetPaintDevice(PaintDc, resolutionX * 2.54 * 0.01, resolutionY * 2.54 * 0.01);
  const RECT whole{0, 0, PictureFrame.Y2 - PictureFrame.Y1 + 1,
                   PictureFrame.X2 - PictureFrame.X1 + 1};
  const FRAME savedPlace = *SetDrawPlace(whole);
  SIZE savedSize;
  SetPaintSize(whole.right, whole.bottom, &savedSize);
  const LONG nodes = NodeImageFlag;
  NodeImageFlag = 0;
  const LONG step = PaintContext.PaintStep, counter = PaintStepCounter;
  PaintContext.PaintStep = 32;
  PaintStepCounter = 0;
  ScaleMethod = ScaleMethodValue;
  SetDrawingCallbacks(table);

  if (table->ProgressCall != nullptr) table->ProgressCall(0);
  if (TMap::IsActive() && ViewFlag && Count() > 0) {
    TakeMapColors(this);
    int shown = 0;
    for (int n = 1; n <= Count(); ++n) {
      if (ShowList(n) == -1) break;
      const int percent = n * 100 / Count();
      if (percent > shown && percent < 100 && table->ProgressCall != nullptr)
        table->ProgressCall(percent);
      shown = percent;
    }
  }
  if (table->ProgressCall != nullptr) table->ProgressCall(100);

  SetDrawingCallbacks(nullptr);
  PaintContext.PaintStep = step;
  PaintStepCounter = counter;
  NodeImageFlag = nodes;
  RestoreDrawPlace(&savedPlace);
  SetPaintSize(savedSize.cx, savedSize.cy);
  RestorePaintDevice();
  SetVisualType(type);
  SetViewScale(zoom);
  return 1;
}
