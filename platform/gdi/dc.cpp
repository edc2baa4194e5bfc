// Device contexts: creation of display, memory, window and device contexts,
// capabilities, and the drawing state (mix, fill mode, viewport, clip).
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <strings.h>

#include "platform/gdi/metafile.h"
#include "platform/gdi/objects.h"
#include "platform/ui.h"

namespace plat::gdi {
namespace {

HDC NewDc(std::unique_ptr<Dc> dc) {
  dc->pen = StockPen(BLACK_PEN);
  dc->brush = StockBrush(WHITE_BRUSH);
  dc->font = StockFont();
  dc->palette = StockPalette();
  return reinterpret_cast<HDC>(Register(std::move(dc)));
}

// Backing surfaces of host windows, kept between GetDC calls.
struct WindowSurfaces {
  std::mutex lock;
  std::map<HWND, std::shared_ptr<Surface>> map;
};
WindowSurfaces& Windows() {
  static WindowSurfaces* w = new WindowSurfaces;
  return *w;
}

void Deselect(GdiObject* o) {
  if (o && o->selections > 0) --o->selections;
}

}  // namespace

Target MakeTarget(const Dc* dc, COLORREF color, int rop) {
  Target t;
  if (!dc->surface) return t;
  t.surface = dc->surface;
  t.cx1 = dc->surface->width;
  t.cy1 = dc->surface->height;
  if (dc->hasClip) {
    t.cx0 = MaxOf<int>(t.cx0, dc->clip.left);
    t.cy0 = MaxOf<int>(t.cy0, dc->clip.top);
    t.cx1 = MinOf<int>(t.cx1, dc->clip.right);
    t.cy1 = MinOf<int>(t.cy1, dc->clip.bottom);
  }
  t.value = dc->surface->Value(color);
  t.rop = rop;
  return t;
}

bool GetSurface(HDC hdc, SurfaceView* view) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !dc->surface || !view) return false;
  const Surface& s = *dc->surface;
  *view = SurfaceView{s.bits, s.width, s.height, s.bpp, s.stride, s.topDown};
  return true;
}

bool GetWindowSurface(HWND window, SurfaceView* view) {
  WindowSurfaces& w = Windows();
  std::lock_guard<std::mutex> g(w.lock);
  auto it = w.map.find(window);
  if (it == w.map.end() || !view) return false;
  const Surface& s = *it->second;
  *view = SurfaceView{s.bits, s.width, s.height, s.bpp, s.stride, s.topDown};
  return true;
}

DeviceCaps PageCaps(int technology, int width, int height, int dpiX, int dpiY) {
  DeviceCaps caps;
  caps.technology = technology;
  caps.width = width;
  caps.height = height;
  caps.dpiX = dpiX;
  caps.dpiY = dpiY;
  caps.rasterCaps = technology == DT_RASPRINTER
                        ? RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT
                        : 0;
  return caps;
}

HDC CreateSurfaceDc(DcKind kind, const DeviceCaps& caps, int width, int height, bool topDown) {
  auto dc = std::make_unique<Dc>();
  dc->dcKind = kind;
  dc->own = std::make_unique<Surface>();
  if (!dc->own->Allocate(width, height, 32, topDown)) return nullptr;
  for (int y = 0; y < height; ++y) {  // white, fourth byte 0
    uint32_t* row = reinterpret_cast<uint32_t*>(dc->own->Row(y));
    std::fill(row, row + width, 0xFFFFFFu);
  }
  dc->surface = dc->own.get();
  dc->caps = caps;
  return NewDc(std::move(dc));
}

HDC CreateDeviceContext(int technology, int width, int height, int dpiX, int dpiY) {
  if (technology != DT_RASPRINTER && technology != DT_PLOTTER) return nullptr;
  if (dpiX <= 0 || dpiY <= 0) return nullptr;
  return CreateSurfaceDc(DcKind::Device, PageCaps(technology, width, height, dpiX, dpiY), width,
                         height, true);
}

void EnableCallLog(HDC hdc, bool enable) {
  if (Dc* dc = GetDcObject(hdc)) dc->logging = enable;
}

std::vector<std::string> CallLog(HDC hdc) {
  Dc* dc = GetDcObject(hdc);
  return dc ? dc->log : std::vector<std::string>();
}

}  // namespace plat::gdi

namespace plat {
using namespace plat::gdi;

namespace {

HDC CreateDisplayContext(const char* driver, const char* device) {
  const char* name = driver ? driver : device;
  if (!name || strcasecmp(name, "DISPLAY") != 0 || !DisplayAvailable()) return nullptr;
  auto dc = std::make_unique<Dc>();
  dc->dcKind = DcKind::Display;
  dc->caps = DisplayCaps();
  return NewDc(std::move(dc));
}

}  // namespace

HDC CreateDCA(const char* driver, const char* device, const char*, const void*) {
  return CreateDisplayContext(driver, device);
}

HDC CreateICA(const char* driver, const char* device, const char*, const void*) {
  return CreateDisplayContext(driver, device);
}

HDC CreateCompatibleDC(HDC hdc) {
  DeviceCaps caps;
  if (hdc) {
    Dc* ref = GetDcObject(hdc);
    if (!ref) return nullptr;
    caps = ref->caps;
    if (ref->dcKind == DcKind::Meta) caps = DisplayCaps();
  } else {
    caps = DisplayCaps();
  }
  auto dc = std::make_unique<Dc>();
  dc->dcKind = DcKind::Memory;
  dc->caps = caps;
  dc->caps.rasterCaps |= RC_BITBLT | RC_DI_BITMAP | RC_DIBTODEV;
  dc->bitmap = StockBitmap();
  return NewDc(std::move(dc));
}

BOOL DeleteDC(HDC hdc) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || dc->dcKind == DcKind::Window) return FALSE;
  Deselect(dc->pen);
  Deselect(dc->brush);
  Deselect(dc->font);
  Deselect(dc->bitmap);
  Deselect(dc->palette);
  Unregister(hdc);
  return TRUE;
}

HDC GetDC(HWND window) {
  RECT rc;
  if (!window || !IsWindow(window) || !GetClientRect(window, &rc)) return nullptr;
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  std::shared_ptr<Surface> shared;
  {
    WindowSurfaces& ws = Windows();
    std::lock_guard<std::mutex> g(ws.lock);
    for (auto it = ws.map.begin(); it != ws.map.end();) {  // drop destroyed windows
      if (!IsWindow(it->first)) it = ws.map.erase(it);
      else ++it;
    }
    auto& slot = ws.map[window];
    if (!slot || slot->width != w || slot->height != h) {
      auto s = std::make_shared<Surface>();
      if (w > 0 && h > 0 && !s->Allocate(w, h, 32, true)) return nullptr;
      slot = std::move(s);
    }
    shared = slot;
  }
  auto dc = std::make_unique<Dc>();
  dc->dcKind = DcKind::Window;
  dc->caps = DisplayCaps();
  dc->window = window;
  dc->surface = shared->bits ? shared.get() : nullptr;
  dc->shared = std::move(shared);
  return NewDc(std::move(dc));
}

int ReleaseDC(HWND window, HDC hdc) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || dc->dcKind != DcKind::Window || dc->window != window) return 0;
  Deselect(dc->pen);
  Deselect(dc->brush);
  Deselect(dc->font);
  Deselect(dc->palette);
  Unregister(hdc);
  return 1;
}

int GetDeviceCaps(HDC hdc, int index) {
  Dc* dc = GetDcObject(hdc);
  if (!dc) return 0;
  const DeviceCaps& c = dc->caps;
  switch (index) {
    case TECHNOLOGY: return c.technology;
    case HORZRES: return c.width;
    case VERTRES: return c.height;
    case HORZSIZE: return (int)(c.width * 25.4 / c.dpiX + 0.5);
    case VERTSIZE: return (int)(c.height * 25.4 / c.dpiY + 0.5);
    case LOGPIXELSX: return c.dpiX;
    case LOGPIXELSY: return c.dpiY;
    case BITSPIXEL: return dc->surface ? dc->surface->bpp : 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case RASTERCAPS: return c.rasterCaps;
    case SIZEPALETTE: return 0;
    case PHYSICALWIDTH: return c.technology == DT_RASPRINTER ? c.width : 0;
    case PHYSICALHEIGHT: return c.technology == DT_RASPRINTER ? c.height : 0;
    default: return 0;
  }
}

int SetROP2(HDC hdc, int mode) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || mode < R2_BLACK || mode > R2_WHITE) return 0;
  int old = dc->rop2;
  dc->rop2 = mode;
  if (dc->meta) dc->meta->Value(EMR_SETROP2, (DWORD)mode);
  return old;
}

int GetROP2(HDC hdc) {
  Dc* dc = GetDcObject(hdc);
  return dc ? dc->rop2 : 0;
}

int SetPolyFillMode(HDC hdc, int mode) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || (mode != ALTERNATE && mode != WINDING)) return 0;
  int old = dc->fillMode;
  dc->fillMode = mode;
  if (dc->meta) dc->meta->Value(EMR_SETPOLYFILLMODE, (DWORD)mode);
  return old;
}

int GetPolyFillMode(HDC hdc) {
  Dc* dc = GetDcObject(hdc);
  return dc ? dc->fillMode : 0;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old) {
  Dc* dc = GetDcObject(hdc);
  if (!dc) return FALSE;
  if (old) *old = POINT{(LONG)dc->orgX, (LONG)dc->orgY};
  dc->orgX = x;
  dc->orgY = y;
  if (dc->meta) dc->meta->Point(EMR_SETVIEWPORTORGEX, x, y);
  return TRUE;
}

BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* old) {
  Dc* dc = GetDcObject(hdc);
  if (!dc) return FALSE;
  if (old) *old = POINT{(LONG)dc->orgX, (LONG)dc->orgY};
  // The origin stays a 32-bit value, as it is read back through a POINT.
  dc->orgX = (int32_t)(uint32_t)(dc->orgX + dx);
  dc->orgY = (int32_t)(uint32_t)(dc->orgY + dy);
  if (dc->meta) dc->meta->Point(EMR_SETVIEWPORTORGEX, dc->orgX, dc->orgY);
  return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, POINT* origin) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !origin) return FALSE;
  *origin = POINT{(LONG)dc->orgX, (LONG)dc->orgY};
  return TRUE;
}

int SelectClipRgn(HDC hdc, HRGN hrgn) {
  Dc* dc = GetDcObject(hdc);
  if (!dc) return RGN_ERROR;
  if (!hrgn) {
    dc->hasClip = false;
    if (dc->meta) dc->meta->Clip(nullptr);
    return SIMPLEREGION;
  }
  Region* r = LookupAs<Region>(hrgn, ObjectKind::Region);
  if (!r) return RGN_ERROR;
  dc->hasClip = true;
  dc->clip = r->rect;
  if (dc->meta) dc->meta->Clip(&r->rect);
  MC_LOG_CALL(dc, "SelectClipRgn(%d,%d,%d,%d)", (int)r->rect.left, (int)r->rect.top,
          (int)r->rect.right, (int)r->rect.bottom);
  return r->rect.left < r->rect.right && r->rect.top < r->rect.bottom ? SIMPLEREGION
                                                                        : NULLREGION;
}

int GetClipBox(HDC hdc, RECT* rect) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !rect) return RGN_ERROR;
  RECT r{0, 0, dc->surface ? dc->surface->width : dc->caps.width,
         dc->surface ? dc->surface->height : dc->caps.height};
  if (dc->hasClip) {
    r.left = MaxOf(r.left, dc->clip.left);
    r.top = MaxOf(r.top, dc->clip.top);
    r.right = MinOf(r.right, dc->clip.right);
    r.bottom = MinOf(r.bottom, dc->clip.bottom);
  }
  if (r.right <= r.left || r.bottom <= r.top) {
    *rect = RECT{0, 0, 0, 0};
    return NULLREGION;
  }
  // Logical coordinates.
  rect->left = (LONG)(r.left - dc->orgX);
  rect->top = (LONG)(r.top - dc->orgY);
  rect->right = (LONG)(r.right - dc->orgX);
  rect->bottom = (LONG)(r.bottom - dc->orgY);
  return SIMPLEREGION;
}

BOOL GdiFlush() { return TRUE; }

}  // namespace plat
