// TMapPaint: the roads of painting (memory image, device, window picture of
// the device painters, printed bands, one layer, legend samples, callers'
// images and the drawing-callback table).
#include "document/mappaint.h"

#include <algorithm>
#include <cstring>

#include "common/messages.h"
#include "drawing/dibpainters.h"
#include "document/sitechain.h"
#include "drawing/paintcontext.h"
#include "platform/gdi/hostdc.h"

namespace {

// The second image of a window picture: a 32-bit bottom-up DIB section of
// the memory image's size with its own memory context. Made when first
// needed, freed with the memory image.
struct SECONDIMAGE {
  HDC Dc = nullptr;
  HBITMAP Bitmap = nullptr;
  HGDIOBJ Old = nullptr;
  BYTE* Bits = nullptr;
  LONG Width = 0;
  LONG Height = 0;
};
SECONDIMAGE Second;

void FreeSecondImage() {
  if (Second.Dc != nullptr) {
    if (Second.Old != nullptr) plat::SelectObject(Second.Dc, Second.Old);
    plat::DeleteDC(Second.Dc);
  }
  if (Second.Bitmap != nullptr) plat::DeleteObject(Second.Bitmap);
  Second = SECONDIMAGE{};
}

// The second image at the given size: 1, or 0 after reporting.
int MakeSecondImage(LONG width, LONG height) {
  if (Second.Bits != nullptr && Second.Width == width && Second.Height == height) return 1;
  FreeSecondImage();
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB,
                                    DWORD(int64_t(width) * height * 4), 0, 0, 0, 0};
  Second.Dc = plat::CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  if (Second.Dc != nullptr)
    Second.Bitmap = plat::CreateDIBSection(Second.Dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bits == nullptr) {
    FreeSecondImage();
    ShowErrorMessage(MAPERR_MEMORY, "DIB-SECTION");
    return 0;
  }
  Second.Old = plat::SelectObject(Second.Dc, Second.Bitmap);
  Second.Bits = static_cast<BYTE*>(bits);
  Second.Width = width;
  Second.Height = height;
  return 1;
}

// The second image as the picture the painters see, for as long as it
// lives: its rows are the picture's rows and its context the picture
// context (PaintContext.PictureDc).
class TSecondPicture {
 public:
  TSecondPicture()
      : bits_(PaintContext.Bits), top_(PaintContext.PictureTop),
        section_(PaintContext.SectionTop), dc_(PaintContext.PictureDc) {
    PaintContext.Bits = Second.Bits;
    PaintContext.PictureTop = PaintContext.SectionTop =
        Second.Bits + int64_t(Second.Height - 1) * Second.Width * 4;
    PaintContext.PictureDc = Second.Dc;
  }
  ~TSecondPicture() {
    PaintContext.Bits = bits_;
    PaintContext.PictureTop = top_;
    PaintContext.SectionTop = section_;
    PaintContext.PictureDc = dc_;
  }
  TSecondPicture(const TSecondPicture&) = delete;
  TSecondPicture& operator=(const TSecondPicture&) = delete;

 private:
  BYTE* bits_;
  BYTE* top_;
  BYTE* section_;
  HDC dc_;
};

// The memory image's width in pixels.
LONG ImageWidth() {
  return PaintContext.BytesPerPixel > 0 ? PaintContext.Stride / PaintContext.BytesPerPixel : 0;
}

// The rectangle cut to the memory image (width and height at most the
// image's): false when nothing is left.
bool CutToImage(const RECT& rect, RECT* cut) {
  const int64_t width = std::min<int64_t>(int64_t(rect.right) - rect.left, ImageWidth());
  const int64_t height =
      std::min<int64_t>(int64_t(rect.bottom) - rect.top, PaintContext.PictureHeight);
  if (width <= 0 || height <= 0) return false;
  *cut = RECT{rect.left, rect.top, LONG(rect.left + width), LONG(rect.top + height)};
  return true;
}

// The top-left width x height pixels of the memory image set to a pixel
// value (0x00RRGGBB).
void FillImage(LONG width, LONG height, DWORD pixel) {
  for (LONG row = 0; row < height; ++row) {
    DWORD* p =
        reinterpret_cast<DWORD*>(PaintContext.PictureTop - int64_t(row) * PaintContext.Stride);
    std::fill(p, p + width, pixel);
  }
}

// The GDI palette selected into dc and realised; the palette it replaced
// (null when nothing was selected).
HPALETTE TakePalette(HDC dc, HPALETTE palette) {
  if (dc == nullptr || palette == nullptr) return nullptr;
  HPALETTE old = plat::SelectPalette(dc, palette, FALSE);
  plat::RealizePalette(dc);
  return old;
}

void PutPaletteBack(HDC dc, HPALETTE old) {
  if (dc != nullptr && old != nullptr) plat::SelectPalette(dc, old, TRUE);
}

int DeviceKind(HDC dc) { return dc != nullptr ? plat::GetDeviceCaps(dc, TECHNOLOGY) : 0; }

// A band of a printed picture: a 24-bit bottom-up DIB section in a memory
// context.
struct BAND {
  HDC Dc = nullptr;
  HBITMAP Bitmap = nullptr;
  HGDIOBJ Old = nullptr;
  BYTE* Bits = nullptr;

  bool Make(HDC compatible, const BITMAPINFO* info) {
    Dc = plat::CreateCompatibleDC(compatible);
    void* bits = nullptr;
    if (Dc != nullptr)
      Bitmap = plat::CreateDIBSection(Dc, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bits == nullptr) return false;
    Old = plat::SelectObject(Dc, Bitmap);
    Bits = static_cast<BYTE*>(bits);
    return true;
  }
  ~BAND() {
    if (Dc != nullptr) {
      if (Old != nullptr) plat::SelectObject(Dc, Old);
      plat::DeleteDC(Dc);
    }
    if (Bitmap != nullptr) plat::DeleteObject(Bitmap);
  }
};

// Device pixels per metre for painting on a device: the screen's on
// screens and metafiles, the device's own scale on the others.
void SetDevicePixel(TMapPaint* paint) {
  if (paint->Technology == DT_RASDISPLAY || paint->Technology == DT_METAFILE)
    paint->SetPixel(0.0, 0.0);
  else
    paint->SetPixel(paint->GetDeviceScaleX(), paint->GetDeviceScaleY());
}

// The length of a rectangle's side from `from` to `to`, kept in 0 ... INT32_MAX.
LONG SideLength(LONG from, LONG to) { return LONG(std::clamp<int64_t>(int64_t(to) - from, 0, INT32_MAX)); }

// A clip of width x height pixels at dc's viewport origin, selected into
// dc: the region, null when none was made.
HRGN ClipAtOrigin(HDC dc, LONG width, LONG height) {
  POINT origin{0, 0};
  if (!plat::GetViewportOrgEx(dc, &origin)) origin = POINT{0, 0};
  HRGN clip = plat::CreateRectRgn(origin.x, origin.y,
                                  LONG(std::min<int64_t>(int64_t(origin.x) + width, INT32_MAX)),
                                  LONG(std::min<int64_t>(int64_t(origin.y) + height, INT32_MAX)));
  if (clip != nullptr) plat::SelectClipRgn(dc, clip);
  return clip;
}

void ReleaseClip(HDC dc, HRGN clip) {
  if (clip == nullptr) return;
  plat::SelectClipRgn(dc, nullptr);
  plat::DeleteObject(clip);
}

}  // namespace

TMapPaint::TDevicePlace::TDevicePlace(TMapPaint* doc, HDC dc, const RECT& rect)
    : Doc(doc), Dc(dc), Clip(nullptr) {
  doc->SetPaintDevice(dc, -1.0, -1.0);
  PixelsH = doc->PixelsPerMeterH;
  PixelsV = doc->PixelsPerMeterV;
  SetDevicePixel(doc);
  Place = *doc->SetDrawPlace(rect);
  const LONG width = SideLength(rect.left, rect.right);
  const LONG height = SideLength(rect.top, rect.bottom);
  doc->SetPaintSize(width, height, &Size);
  if (doc->Technology == DT_RASDISPLAY || doc->Technology == DT_RASPRINTER)
    Clip = ClipAtOrigin(dc, width, height);
}

TMapPaint::TDevicePlace::~TDevicePlace() {
  ReleaseClip(Dc, Clip);
  Doc->RestorePaintDevice();
  Doc->SetPixel(PixelsH, PixelsV);
  Doc->RestoreDrawPlace(&Place);
  Doc->SetPaintSize(Size.cx, Size.cy);
}

bool TMapPaint::HasPoints(const POLYDATA* data) {
  if (data == nullptr || data->Points == nullptr || data->PolyCounts == nullptr) return false;
  for (LONG i = 0; i < data->Count; ++i)
    if (data->PolyCounts[i] > 0) return true;
  return false;
}

TMapPaint::TMapPaint() {
  SetVisualType(1);
  OpenPaintDib();
  SetScreenSizeValue(0);
  SetPixel(0.0, 0.0);
}

TMapPaint::~TMapPaint() {
  ClosePaintDib();
  if (PaintContext.UseCount < 1) FreeSecondImage();
  if (Palette != nullptr) plat::DeleteObject(Palette);
  Palette = nullptr;
}

int TMapPaint::SetPaintStep(int on) { return SetPaintStepValue(on); }

char* TMapPaint::GetDibBits() const { return reinterpret_cast<char*>(PaintContext.Bits); }

const BITMAPINFOHEADER* TMapPaint::GetDibInfo() const {
  return PaintContext.Info != nullptr ? &PaintContext.Info->bmiHeader : nullptr;
}

// ---------------------------------------------------------------------------
// Roads

int TMapPaint::Paint(HDC dc, int erase, const RECT& rect) {
  if (VisualType < 3 && dc != nullptr && DeviceKind(dc) != DT_RASDISPLAY) {
    const int type = SetVisualType(6);
    const int result = PaintDevice(dc, erase, rect, nullptr, 0, nullptr);
    SetVisualType(type);
    return result;
  }
  if (VisualType < 3) return PaintDib(dc, erase, rect);
  return PaintDevice(dc, erase, rect, nullptr, 0, nullptr);
}

int TMapPaint::PaintDib(HDC dc, int erase, const RECT& rect, TObjectInfo* object) {
  if (GetPaintDc() == nullptr || PaintContext.PictureTop == nullptr ||
      PaintContext.BytesPerPixel != 4)
    return 0;
  RECT place;
  if (!CutToImage(rect, &place)) return 0;
  const LONG width = place.right - place.left, height = place.bottom - place.top;

  const double ppmH = PixelsPerMeterH, ppmV = PixelsPerMeterV;
  SetPixel(0.0, 0.0);
  const FRAME savedPlace = *SetDrawPlace(place);
  SetPaintDevice(PaintContext.MemoryDc, -1.0, -1.0);
  SIZE savedSize;
  SetPaintSize(width, height, &savedSize);

  FillImage(width, height, VisualType > 2 ? 0xFFFFFF : SwapRedBlue(MapPalette.Colors[0]));
  MapPalette.SetPaletteDib();
  // The picture goes to dc at (0, 0): what is there is painted over.
  if (dc != nullptr && (erase == -2 || (erase == 0 && object != nullptr)))
    CopyDcToPaintDib(dc, 0, 0);
  const HPALETTE oldPalette = TakePalette(dc, Palette);
  if (object == nullptr && BeforePaintCall != nullptr) {
    POINT old;
    plat::SetViewportOrgEx(PaintContext.MemoryDc, 0, PaintContext.TopMargin, &old);
    RECT r = place;
    BeforePaintCall(BeforePaintParameter, PaintContext.MemoryDc, &r);
    plat::SetViewportOrgEx(PaintContext.MemoryDc, old.x, old.y, nullptr);
  }

  // The steps copy the image so far to a window, which shows a long
  // painting as it grows; a memory or bitmap context is seen only after
  // the call, so it gets the one copy at the end, while the break callback
  // is still asked at every step.
  const HDC savedWindow = PaintContext.WindowDc;
  const LONG savedCounter = PaintStepCounter;
  const LONG savedStep = PaintContext.PaintStep;
  PaintContext.WindowDc = plat::IsOnScreen(dc) ? dc : nullptr;
  PaintStepCounter = 0;
  if (dc == nullptr) PaintContext.PaintStep = PAINT_STEP_OFF;
  if (object != nullptr)
    PaintOneObject(object);
  else
    ShowData();
  if (dc != nullptr) CopyPaintDibToDc(dc, 0, 0);
  PaintContext.WindowDc = savedWindow;
  PaintStepCounter = savedCounter;
  PaintContext.PaintStep = savedStep;
  PutPaletteBack(dc, oldPalette);

  SetPixel(ppmH, ppmV);
  RestoreDrawPlace(&savedPlace);
  RestorePaintDevice();
  SetPaintSize(savedSize.cx, savedSize.cy);
  return 1;
}

int TMapPaint::PaintDevice(HDC dc, int erase, const RECT& rect, TObjectInfo* object,
                           int keepPalette, const PRINTPARM* print) {
  if (dc == nullptr) return PaintDib(nullptr, erase, rect, object);
  // An empty or reversed rectangle paints nothing, as on the memory-image
  // road (a device without a clip would otherwise take the whole picture).
  if (rect.right <= rect.left || rect.bottom <= rect.top) return 0;
  const LONG width = SideLength(rect.left, rect.right);
  const LONG height = SideLength(rect.top, rect.bottom);

  if (print != nullptr)
    SetPaintDevice(dc, print->ResolutionX, print->ResolutionY);
  else
    SetPaintDevice(dc, -1.0, -1.0);
  const double ppmH = PixelsPerMeterH, ppmV = PixelsPerMeterV;
  SetDevicePixel(this);
  const FRAME savedPlace = *SetDrawPlace(rect);
  SIZE savedSize;
  SetPaintSize(width, height, &savedSize);
  const HPALETTE oldPalette = keepPalette ? nullptr : TakePalette(dc, Palette);

  HRGN clip = nullptr;
  if (Technology == DT_RASDISPLAY || Technology == DT_RASPRINTER) {
    if (erase && (VisualType < 6 || object != nullptr)) {
      const RECT area{0, 0, width, height};
      FillDeviceRect(dc, &area, 0xFFFFFFFF);
    }
    if (!keepPalette) clip = ClipAtOrigin(dc, width, height);
  }
  const LONG nodes = NodeImageFlag;
  NodeImageFlag = 0;
  const UINT align = keepPalette ? 0 : plat::SetTextAlign(dc, TA_BASELINE);

  int result = 1;
  if (object != nullptr) {
    PaintOneObject(object);
  } else if (VisualType >= 6 && Technology == DT_RASDISPLAY) {
    result = ShowDataDibToWindow(dc, rect);
  } else if (Technology == DT_RASPRINTER) {
    result = ShowDataDibToDevice(dc, rect, print != nullptr ? print->Mirror : 0);
  } else {
    if (BeforePaintCall != nullptr) {
      RECT r = rect;
      BeforePaintCall(BeforePaintParameter, dc, &r);
    }
    ShowData();
  }

  if (!keepPalette) plat::SetTextAlign(dc, align);
  NodeImageFlag = nodes;
  ReleaseClip(dc, clip);
  PutPaletteBack(dc, oldPalette);
  RestorePaintDevice();
  SetPixel(ppmH, ppmV);
  RestoreDrawPlace(&savedPlace);
  SetPaintSize(savedSize.cx, savedSize.cy);
  return result;
}

int TMapPaint::PaintObject(HDC dc, int erase, const RECT& rect, TObjectInfo* object, int keep) {
  if (object == nullptr) return 0;
  if (VisualType > 2) return PaintDevice(dc, erase, rect, object, keep, nullptr);
  return PaintDib(dc, erase, rect, object);
}

// ---------------------------------------------------------------------------
// The parts of a device picture

int TMapPaint::ShowLayersOf(int over) {
  auto show = [&](int kind) {
    if (!GoOn()) return -1;
    const DOCUMENTKIND& slot = DocumentKinds[kind];
    return slot.Show != nullptr && slot.Show(this, over) < 0 ? -1 : 1;
  };
  if (MtrPalette.GetColorStyle() != -1) {
    const LONG shadow = MtrShadow;
    MtrShadow = 0;
    const int result = show(DOCKIND_MTR) < 0 || show(DOCKIND_MTL) < 0 ? -1 : 1;
    MtrShadow = shadow;
    if (result < 0) return -1;
  }
  if (show(DOCKIND_RST) < 0 || show(DOCKIND_MTQ) < 0) return -1;
  return 1;
}

void TMapPaint::ShowShadowPass() {
  if (!MtrShadow) return;
  const int style = MtrPalette.GetColorStyle();
  MtrPalette.SetColorStyle(-1);
  for (int kind : {DOCKIND_MTR, DOCKIND_MTL}) {
    const DOCUMENTKIND& slot = DocumentKinds[kind];
    if (slot.Show != nullptr && slot.Show(this, 0) < 0) break;
  }
  MtrPalette.SetColorStyle(style);
}

int TMapPaint::ShowSites(int over) {
  if (!GoOn()) return -1;
  const DOCUMENTKIND& sites = DocumentKinds[DOCKIND_SITE];
  return sites.Show != nullptr && sites.Show(this, over) < 0 ? -1 : 1;
}

int TMapPaint::MainMapShown() const {
  return TMap::IsActive() && ViewFlag && VisibleBottom <= ShowScale && ShowScale <= VisibleTop;
}

int TMapPaint::ShowVisibleMap() {
  if (!MainMapShown() || Count() < 1) return 0;
  if (!GoOn()) return -1;
  return ShowMap() == -1 ? -1 : 1;
}

int TMapPaint::ShowDataDibToWindow(HDC dc, const RECT& rect) {
  const int64_t width = int64_t(rect.right) - rect.left;
  const int64_t height = int64_t(rect.bottom) - rect.top;
  if (width <= 0 || height <= 0) return 1;
  if (GetPaintDc() == nullptr || width > ImageWidth() || height > PaintContext.PictureHeight)
    return ShowDataDibToDevice(dc, rect, 0);
  if (!MakeSecondImage(ImageWidth(), PaintContext.PictureHeight)) return 0;
  SetDrawingCallbacks(nullptr);
  ScaleMethod = ScaleMethodValue;

  const LONG margin = PaintContext.TopMargin;
  const HDC paintDc = PaintDc;
  const double ppmH = PixelsPerMeterH, ppmV = PixelsPerMeterV;
  PaintContext.TopMargin = 0;
  PaintDc = Second.Dc;
  const FRAME savedPlace = *SetDrawPlace(rect);
  SIZE savedSize;
  SetPaintSize(LONG(width), LONG(height), &savedSize);
  const int64_t stride = int64_t(Second.Width) * 4;
  std::memset(Second.Bits + (Second.Height - height) * stride, 0xFF, size_t(height * stride));

  if (ShowLayersOf(0) >= 0) {
    bool stopped;
    {
      const TSecondPicture picture;
      stopped = ShowSites(0) < 0 || ShowVisibleMap() < 0 || ShowSites(1) < 0;
    }
    if (!stopped && ShowLayersOf(1) >= 0) ShowShadowPass();
  }
  plat::BitBlt(dc, 0, 0, LONG(width), LONG(height), Second.Dc, 0, 0, SRCCOPY);

  PaintContext.TopMargin = margin;
  SetPixel(ppmH, ppmV);
  RestoreDrawPlace(&savedPlace);
  SetPaintSize(savedSize.cx, savedSize.cy);
  PaintDc = paintDc;
  return 1;
}

int TMapPaint::PaintThroughPicture(HDC dc, const RECT& rect,
                                   const std::function<int(HDC)>& paint) {
  const int64_t width = int64_t(rect.right) - rect.left;
  const int64_t height = int64_t(rect.bottom) - rect.top;
  if (GetDrawingCallbacks() != nullptr || DeviceKind(dc) != DT_RASDISPLAY ||
      (plat::GetDeviceCaps(dc, RASTERCAPS) & RC_BITBLT) == 0 ||
      plat::GetDeviceCaps(dc, BITSPIXEL) < 24 || width <= 0 || height <= 0 ||
      GetPaintDc() == nullptr || width > ImageWidth() || height > PaintContext.PictureHeight ||
      !MakeSecondImage(ImageWidth(), PaintContext.PictureHeight))
    return PICTURE_ROAD_CLOSED;
  const LONG w = LONG(width), h = LONG(height);
  plat::BitBlt(Second.Dc, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  int result;
  {
    const TSecondPicture picture;
    result = paint(Second.Dc);
  }
  HRGN clip = ClipAtOrigin(dc, w, h);
  plat::BitBlt(dc, 0, 0, w, h, Second.Dc, 0, 0, SRCCOPY);
  ReleaseClip(dc, clip);
  return result;
}

int TMapPaint::ShowDataDibToDevice(HDC dc, const RECT& rect, int mirror) {
  const int64_t width = int64_t(rect.right) - rect.left;
  const int64_t height = int64_t(rect.bottom) - rect.top;
  if (width <= 0 || height <= 0) return 1;
  const int64_t padded = (width + 3) & ~int64_t(3);
  const int64_t rowLength = padded * 3;
  const int64_t limit = PRINT_BAND_BYTES / rowLength;
  const int64_t band = std::max<int64_t>(height >= limit ? limit : height, 1);
  const int64_t rows = (band + 31) & ~int64_t(31);  // of each band bitmap

  BITMAPINFO info{};
  BAND first, second;
  const bool fits = padded <= INT32_MAX && rowLength * rows <= INT32_MAX;
  if (fits)
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), LONG(padded), LONG(rows), 1, 24,
                                      BI_RGB, DWORD(rows * rowLength), 0, 0, 0, 0};
  if (!fits || !first.Make(dc, &info)) {
    ShowErrorMessage(MAPERR_MEMORY, "MapPrint Step1");
    return 0;
  }
  if (!second.Make(nullptr, &info)) {
    ShowErrorMessage(MAPERR_MEMORY, "MapPrint Step2");
    return 0;
  }
  SetDrawingCallbacks(nullptr);
  ScaleMethod = ScaleMethodValue;

  POINT origin{0, 0};
  plat::GetViewportOrgEx(dc, &origin);
  plat::SetViewportOrgEx(dc, 0, 0, nullptr);
  const HDC paintDc = PaintDc, textDc = TextDc;
  bool stopped = false;
  for (int64_t printed = 0; printed < height && !stopped; printed += band) {
    const LONG n = LONG(std::min(band, height - printed));
    const double ppmH = PixelsPerMeterH, ppmV = PixelsPerMeterV;
    PaintDc = first.Dc;
    TextDc = second.Dc;
    const RECT place{rect.left, LONG(rect.top + printed), rect.right, LONG(rect.top + printed + n)};
    const FRAME savedPlace = *SetDrawPlace(place);
    SIZE savedSize;
    SetPaintSize(LONG(width), n, &savedSize);
    std::memset(first.Bits, 0xFF, size_t(rows * rowLength));

    stopped = ShowLayersOf(0) < 0 || ShowSites(0) < 0;
    if (!stopped && MainMapShown()) {
      // Texts go to the second band, over the key colour (blue 1).
      for (int64_t i = 0; i < rows * padded; ++i) {
        second.Bits[3 * i] = 1;
        second.Bits[3 * i + 1] = second.Bits[3 * i + 2] = 0;
      }
      stopped = ShowVisibleMap() < 0;
      for (LONG r = 0; r < n; ++r) {
        const int64_t offset = (rows - 1 - r) * rowLength;
        const BYTE* t = second.Bits + offset;
        BYTE* p = first.Bits + offset;
        for (int64_t x = 0; x < width; ++x, t += 3, p += 3)
          if (t[0] != 1 || t[1] != 0 || t[2] != 0) p[0] = t[0], p[1] = t[1], p[2] = t[2];
      }
    }
    if (!stopped) stopped = ShowSites(1) < 0 || ShowLayersOf(1) < 0;
    if (!stopped) ShowShadowPass();
    if (mirror) {
      for (LONG r = 0; r < n; ++r) {
        BYTE* row = first.Bits + (rows - 1 - r) * rowLength;
        for (int64_t a = 0, b = width - 1; a < b; ++a, --b)
          std::swap_ranges(row + 3 * a, row + 3 * a + 3, row + 3 * b);
      }
    }
    plat::SetDIBitsToDevice(dc, origin.x, LONG(origin.y + printed), DWORD(width), DWORD(n), 0,
                            LONG(rows - n), 0, UINT(rows), first.Bits, &info, DIB_RGB_COLORS);
    SetPixel(ppmH, ppmV);
    RestoreDrawPlace(&savedPlace);
    SetPaintSize(savedSize.cx, savedSize.cy);
    PaintDc = paintDc;
    TextDc = textDc;
  }
  plat::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  return 1;
}

// ---------------------------------------------------------------------------
// One layer alone

int TMapPaint::PaintLayer(HDC dc, const RECT& rect, int kind, int n) {
  if (dc == nullptr || GetPaintDc() == nullptr || PaintContext.PictureTop == nullptr ||
      PaintContext.BytesPerPixel != 4)
    return 0;
  RECT place;
  if (!CutToImage(rect, &place)) return 0;
  const LONG width = place.right - place.left, height = place.bottom - place.top;
  const int type = SetVisualType(1);
  const double ppmH = PixelsPerMeterH, ppmV = PixelsPerMeterV;
  SetPixel(0.0, 0.0);
  const FRAME savedPlace = *SetDrawPlace(place);
  SetPaintDevice(PaintContext.MemoryDc, -1.0, -1.0);
  SIZE savedSize;
  SetPaintSize(width, height, &savedSize);
  FillImage(width, height, SwapRedBlue(MapPalette.Colors[0]));
  MapPalette.SetPaletteDib();
  const HPALETTE oldPalette = TakePalette(dc, Palette);
  const HDC savedWindow = PaintContext.WindowDc;
  const LONG savedCounter = PaintStepCounter;
  const LONG savedStep = PaintContext.PaintStep;
  PaintContext.WindowDc = plat::IsOnScreen(dc) ? dc : nullptr;  // as in PaintDib
  PaintStepCounter = 0;
  if (DeviceKind(dc) != DT_RASDISPLAY) PaintContext.PaintStep = PAINT_STEP_OFF;
  SetDrawingCallbacks(nullptr);
  ScaleMethod = ScaleMethodValue;

  if (kind == DOCKIND_SITE && n == 0) {
    ShowMap();
  } else if (DocumentKinds[kind].ShowUnit != nullptr) {
    DocumentKinds[kind].ShowUnit(this, n);
  }
  plat::GdiFlush();
  CopyPaintDibToDc(dc, 0, 0);

  PaintContext.WindowDc = savedWindow;
  PaintStepCounter = savedCounter;
  PaintContext.PaintStep = savedStep;
  PutPaletteBack(dc, oldPalette);
  SetPixel(ppmH, ppmV);
  RestoreDrawPlace(&savedPlace);
  RestorePaintDevice();
  SetPaintSize(savedSize.cx, savedSize.cy);
  SetVisualType(type);
  return 1;
}

int TMapPaint::PaintSite(HDC dc, int, const RECT& rect, int n) {
  return PaintLayer(dc, rect, DOCKIND_SITE, n);
}

int TMapPaint::PaintRst(HDC dc, int, const RECT& rect, int n, int) {
  return PaintLayer(dc, rect, DOCKIND_RST, n);
}

int TMapPaint::PaintMtr(HDC dc, int, const RECT& rect, int n, int) {
  return PaintLayer(dc, rect, DOCKIND_MTR, n);
}

int TMapPaint::PaintMtl(HDC dc, int, const RECT& rect, int n, int) {
  return PaintLayer(dc, rect, DOCKIND_MTL, n);
}

int TMapPaint::PaintMtq(HDC dc, int, const RECT& rect, int n, int) {
  return PaintLayer(dc, rect, DOCKIND_MTQ, n);
}

// ---------------------------------------------------------------------------
// Legend samples

float TMapPaint::ExampleZoom(int width, int height, int code, const char* parm) {
  if (width > 48 && height > 48) return 1.0f;
  if (code == 149 && parm != nullptr) {
    LONG size;
    std::memcpy(&size, parm + 48, sizeof size);
    if (size < 2000) return 1.0f;
  }
  return 0.5f;
}

int TMapPaint::PaintExampleObject(HDC dc, const RECT& rect, int code, const char* parm,
                                  POLYDATA* data, int erase) {
  PaintExampleSwitch = 1;
  int result;
  if (VisualType <= 2) {
    result = PaintExampleObjectDib(dc, rect, code, parm, data, erase);
  } else {
    const LONG nodes = NodeImageFlag;
    NodeImageFlag = 0;
    result = PaintExampleObjectDevice(dc, rect, code, parm, data);
    NodeImageFlag = nodes;
  }
  PaintExampleSwitch = 0;
  return result;
}

int TMapPaint::PaintExampleObjectDib(HDC dc, const RECT& rect, int code, const char* parm,
                                     POLYDATA* data, int erase) {
  if (parm == nullptr || !HasPoints(data) || code < 0 || code >= PRIM_COUNT) return 0;
  if (GetPaintDc() == nullptr || PaintContext.PictureTop == nullptr ||
      PaintContext.BytesPerPixel != 4)
    return 0;
  const LONG width = LONG(std::min<int64_t>(int64_t(rect.right) - rect.left, ImageWidth()));
  const LONG height =
      LONG(std::min<int64_t>(int64_t(rect.bottom) - rect.top, PaintContext.PictureHeight));
  if (width <= 0 || height <= 0) return 0;
  SetPaintDevice(PaintContext.MemoryDc, -1.0, -1.0);
  const LONG savedWidth = PaintContext.ImageWidth, savedHeight = PaintContext.ImageHeight;
  PaintContext.ImageWidth = width;
  PaintContext.ImageHeight = height;
  if (erase) FillImage(width, height, SwapRedBlue(MapPalette.Colors[0]));
  MapPalette.SetPaletteDib();
  // Code 250 (a plug-in library's sample) takes the table's painter of
  // library images until the plug-in libraries paint samples of their own.
  const IMGPAINTER painter = DibBlock[code];
  if (painter != nullptr) painter(this, data, parm, ExampleZoom(width, height, code, parm));
  plat::GdiFlush();
  if (dc != nullptr) {
    const HPALETTE oldPalette = TakePalette(dc, Palette);
    CopyPaintDibToDc(dc, rect.left, rect.top);
    PutPaletteBack(dc, oldPalette);
  }
  PaintContext.ImageWidth = savedWidth;
  PaintContext.ImageHeight = savedHeight;
  RestorePaintDevice();
  return 1;
}

int TMapPaint::PaintExampleObjectDevice(HDC dc, const RECT& rect, int code, const char* parm,
                                        POLYDATA* data) {
  if (dc == nullptr || parm == nullptr || !HasPoints(data) || code < 0 || code >= PRIM_COUNT)
    return 0;
  // An empty or reversed rectangle holds no sample, as on the memory-image
  // road.
  const LONG width = SideLength(rect.left, rect.right);
  const LONG height = SideLength(rect.top, rect.bottom);
  if (width == 0 || height == 0) return 0;
  SetPaintDevice(dc, -1.0, -1.0);
  const double ppmH = PixelsPerMeterH, ppmV = PixelsPerMeterV;
  SetDevicePixel(this);
  const LONG savedWidth = PaintContext.ImageWidth, savedHeight = PaintContext.ImageHeight;
  PaintContext.ImageWidth = width;
  PaintContext.ImageHeight = height;
  POINT oldOrigin{0, 0};
  plat::OffsetViewportOrgEx(dc, rect.left, rect.top, &oldOrigin);
  HRGN clip = nullptr;
  if (Technology == DT_RASDISPLAY || Technology == DT_RASPRINTER)
    clip = ClipAtOrigin(dc, width, height);
  SetPaintSize(width, height);
  const HPALETTE oldPalette = TakePalette(dc, Palette);
  const LONG nodes = NodeImageFlag;
  NodeImageFlag = 0;

  const IMGPAINTER painter = DeviceBlock[code];
  if (painter != nullptr) painter(this, data, parm, ExampleZoom(width, height, code, parm));

  NodeImageFlag = nodes;
  ReleaseClip(dc, clip);
  plat::SetViewportOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  PutPaletteBack(dc, oldPalette);
  RestorePaintDevice();
  SetPixel(ppmH, ppmV);
  PaintContext.ImageWidth = savedWidth;
  PaintContext.ImageHeight = savedHeight;
  SetPaintSize(savedWidth, savedHeight);
  return 1;
}

// ---------------------------------------------------------------------------
// Callers' images

int TMapPaint::PaintDibToDib32(char* bits, int rowLength, int rows, const RECT& rect) {
  if (bits == nullptr || rowLength <= 0 || rows <= 0) return 0;
  if (!Paint(nullptr, 1, rect)) return 0;
  const int64_t height =
      std::min<int64_t>({int64_t(rect.bottom) - rect.top, rows, PaintContext.PictureHeight});
  const int64_t bytes = std::min<int64_t>(
      {(int64_t(rect.right) - rect.left) * 4, rowLength, int64_t(PaintContext.Stride)});
  char* top = bits + int64_t(rows - 1) * rowLength;
  for (int64_t row = 0; row < height && bytes > 0; ++row)
    std::memcpy(top - row * rowLength, PaintContext.PictureTop - row * PaintContext.Stride,
                size_t(bytes));
  return 1;
}

int TMapPaint::PaintDibToImage(char* bits, int width, int height, int rows, const RECT& rect,
                               TObjectInfo* object) {
  if (bits == nullptr || width <= 0 || height <= 0 || rows <= 0) return 0;
  const int type = SetVisualType(1);
  const int painted = PaintDib(nullptr, 1, rect, object);
  SetVisualType(type);
  RECT place;
  if (!painted || !CutToImage(rect, &place)) return 0;
  const int64_t n = std::min<int64_t>({rows, height, int64_t(place.bottom) - place.top});
  const int64_t columns = std::min<int64_t>(width, int64_t(place.right) - place.left);

  // The palette in image pixel order, and the entries found for the last
  // colours seen.
  const int count = std::clamp<int>(MapPalette.Count, 1, MAP_PALETTE_SIZE);
  DWORD entries[MAP_PALETTE_SIZE];
  for (int i = 0; i < count; ++i) entries[i] = SwapRedBlue(MapPalette.Colors[i]) & 0xFFFFFF;
  constexpr int kCache = 1024;
  DWORD cachedColour[kCache];
  BYTE cachedIndex[kCache];
  std::fill(cachedColour, cachedColour + kCache, 0xFFFFFFFFu);
  for (int64_t row = 0; row < n; ++row) {
    const DWORD* source =
        reinterpret_cast<const DWORD*>(PaintContext.PictureTop - row * PaintContext.Stride);
    BYTE* target = reinterpret_cast<BYTE*>(bits) + row * width;
    for (int64_t x = 0; x < columns; ++x) {
      const DWORD c = source[x] & 0xFFFFFF;
      const int slot = int((c * 2654435761u) >> 22);
      if (cachedColour[slot] != c) {
        // The equal entry, else the nearest (the first of equal distances;
        // none nearer than 0xFFFFFF leaves 0).
        int best = 0;
        LONG distance = 0xFFFFFF;
        for (int i = 0; i < count; ++i) {
          const LONG d = ColorDistance(entries[i], c);
          if (d < distance) {
            distance = d;
            best = i;
            if (d == 0) break;
          }
        }
        cachedColour[slot] = c;
        cachedIndex[slot] = BYTE(best);
      }
      target[x] = cachedIndex[slot];
    }
  }
  return 1;
}

int TMapPaint::PaintObjectToImage(char* bits, int width, int height, int rows, const RECT& rect,
                                  TObjectInfo* object) {
  if (object == nullptr) return 0;
  return PaintDibToImage(bits, width, height, rows, rect, object);
}

// ---------------------------------------------------------------------------
// Drawing callbacks

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
  // The main map sheet by sheet (a map kept in plane metres as a whole),
  // then the visible user maps; the progress counts both.
  const bool map = TMap::IsActive() && ViewFlag && Count() > 0;
  const int parts = (map ? (IsRealPlace() ? 1 : Count()) : 0);
  const int total = parts + GetSiteCount();
  int done = 0, shown = 0;
  auto painted = [&](int result) {
    const int percent = ++done * 100 / total;
    if (percent > shown && percent < 100 && table->ProgressCall != nullptr)
      table->ProgressCall(percent);
    shown = percent;
    return result != -1;
  };
  bool going = true;
  if (map) TakeMapColors(this);
  for (int n = 1; n <= parts && going; ++n)
    going = painted(IsRealPlace() ? ShowMapBySelect(this, &MainViewSelect) : ShowList(n));
  for (int n = 1; n <= GetSiteCount() && going; ++n) {
    SITENODE* node = GetSiteChain(n);
    if (node == nullptr) break;
    const bool shows = node->Map.ViewFlag && node->ViewSelect.CheckList(1);
    going = painted(shows ? ShowMapBySelect(&node->Map, &node->ViewSelect) : 1);
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
