// Device drawing wrappers and the drawing-callback table.
#include "devices/devdraw.h"

#include <sys/stat.h>

#include <climits>
#include <cmath>
#include <string>

#include "platform/file.h"
#include "platform/library.h"
#include "platform/numeric.h"
#include "platform/path.h"
#include "platform/ui.h"

namespace {

DrawingCallbackTable* g_callbacks = nullptr;
HDC g_paintDc = nullptr;
int g_paintTopMargin = 0;

LONG MinOf(LONG a, LONG b) { return b < a ? b : a; }
LONG MaxOf(LONG a, LONG b) { return a < b ? b : a; }

RECT BoundsOf(const POINT* p, int n) {
  RECT r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  if (n < 1) return RECT{0, 0, 0, 0};
  for (int i = 0; i < n; ++i) {
    r.left = MinOf(r.left, p[i].x);
    r.top = MinOf(r.top, p[i].y);
    r.right = MaxOf(r.right, p[i].x);
    r.bottom = MaxOf(r.bottom, p[i].y);
  }
  // One past the last pixel, kept inside the 32-bit range.
  if (r.right < INT32_MAX) ++r.right;
  if (r.bottom < INT32_MAX) ++r.bottom;
  return r;
}

}  // namespace

DrawingCallbackTable* SetDrawingCallbacks(DrawingCallbackTable* table) {
  DrawingCallbackTable* old = g_callbacks;
  g_callbacks = table;
  return old;
}

DrawingCallbackTable* GetDrawingCallbacks() { return g_callbacks; }

void SetPaintMemoryDc(HDC dc, int topMargin) {
  g_paintDc = dc;
  g_paintTopMargin = topMargin;
}

void DrawLine(HDC dc, int x1, int y1, int x2, int y2) {
  if (DrawingCallbackTable* t = g_callbacks) {
    if (t->PolylineCall) {
      POINT p[2] = {{x1, y1}, {x2, y2}};
      t->PolylineCall(p, 2);
    }
    return;
  }
  plat::MoveToEx(dc, x1, y1, nullptr);
  plat::LineTo(dc, x2, y2);
  // One pixel more, so that the end point is drawn.
  plat::LineTo(dc, x2, y2 == INT_MAX ? y2 : y2 + 1);
}

void DrawPolyline(HDC dc, POINT* points, int count) {
  if (!points || count < 1) return;
  if (DrawingCallbackTable* t = g_callbacks) {
    if (!t->PolylineCall) return;
    if (count > 1) {
      t->PolylineCall(points, count);
    } else {
      POINT twice[2] = {points[0], points[0]};
      t->PolylineCall(twice, 2);
    }
    return;
  }
  if (count == 1) {
    POINT dot[2] = {points[0], {points[0].x, points[0].y == INT_MAX ? INT_MAX : points[0].y + 1}};
    plat::Polyline(dc, dot, 2);
    return;
  }
  plat::Polyline(dc, points, count);
  // The last segment again, reversed, draws the end pixel; under R2_NOT it
  // would invert the segment back.
  if (plat::GetROP2(dc) != R2_NOT) {
    POINT back[2] = {points[count - 1], points[count - 2]};
    plat::Polyline(dc, back, 2);
  }
}

void DrawPolygon(HDC dc, POINT* points, int count) {
  if (!points || count < 4) return;
  if (DrawingCallbackTable* t = g_callbacks) {
    if (t->PolygonCall) {
      RECT bounds = BoundsOf(points, count);
      int counts[1] = {count};
      t->PolygonCall(points, counts, 1, &bounds);
    }
    return;
  }
  plat::Polygon(dc, points, count);
}

void DrawPolyPolygon(HDC dc, POINT* points, int* counts, int polygonCount, RECT* bounds) {
  if (!points || !counts || polygonCount < 1) return;
  if (DrawingCallbackTable* t = g_callbacks) {
    if (t->PolygonCall) {
      RECT own;
      if (!bounds) {
        int64_t total = 0;
        for (int i = 0; i < polygonCount; ++i) total += counts[i] > 0 ? counts[i] : 0;
        own = BoundsOf(points, (int)std::min<int64_t>(total, INT_MAX));
        bounds = &own;
      }
      t->PolygonCall(points, counts, polygonCount, bounds);
    }
    return;
  }
  plat::PolyPolygon(dc, points, counts, polygonCount);
}

DevicePen SelectDevicePen(HDC dc, int width, COLORREF colour) {
  if (DrawingCallbackTable* t = g_callbacks) {
    if (t->PenCall) t->PenCall(width, colour);
    return DevicePen{nullptr, nullptr};
  }
  if (!dc) return DevicePen{nullptr, nullptr};
  HPEN pen = width < 1 ? plat::CreatePen(PS_NULL, 1, colour) : plat::CreatePen(PS_SOLID, width, colour);
  HGDIOBJ old = pen ? plat::SelectObject(dc, pen) : nullptr;
  return DevicePen{pen, old};
}

void RestoreDevicePen(HDC dc, const DevicePen& pair) {
  if (!dc) return;
  if (pair.old) plat::SelectObject(dc, pair.old);
  if (pair.pen) plat::DeleteObject(pair.pen);
}

DeviceBrush SelectDeviceBrush(HDC dc, COLORREF colour) {
  if (DrawingCallbackTable* t = g_callbacks) {
    if (t->BrushCall) t->BrushCall(colour);
    return DeviceBrush{nullptr, nullptr};
  }
  if (!dc) return DeviceBrush{nullptr, nullptr};
  HBRUSH brush = plat::CreateSolidBrush(colour);
  HGDIOBJ old = brush ? plat::SelectObject(dc, brush) : nullptr;
  return DeviceBrush{brush, old};
}

void RestoreDeviceBrush(HDC dc, const DeviceBrush& pair) {
  if (!dc) return;
  if (pair.old) plat::SelectObject(dc, pair.old);
  if (pair.brush) plat::DeleteObject(pair.brush);
}

void DrawDeviceText(HDC dc, int x, int y, const char* text, int length, LOGFONTA* font,
                    int align, COLORREF colour) {
  if (DrawingCallbackTable* t = g_callbacks) {
    if (!t->TextCall) return;
    if ((align == TA_RIGHT || align == TA_CENTER) && font) {
      // Move the anchor back along the escapement by the whole or half
      // extent: the host always gets a left-aligned text.
      double angle = -font->lfEscapement * M_PI / 1800.0;
      HFONT f = plat::CreateFontIndirectA(font);
      if (f) {
        HGDIOBJ old = plat::SelectObject(dc, f);
        SIZE size{0, 0};
        plat::GetTextExtentPoint32A(dc, text, length, &size);
        if (old) plat::SelectObject(dc, old);
        plat::DeleteObject(f);
        // An anchor held at the bounds of the picture (a damaged frame)
        // stays there.
        LONG w = align == TA_CENTER ? size.cx / 2 : size.cx;
        x = plat::SaturateTo<int>(int64_t(x) - int64_t(std::trunc(std::cos(angle) * w)));
        y = plat::SaturateTo<int>(int64_t(y) - int64_t(std::trunc(std::sin(angle) * w)));
      }
    }
    t->TextCall(x, y, text, font, 0, colour);
    return;
  }
  if (!dc || !font) return;
  HFONT f = plat::CreateFontIndirectA(font);
  if (!f) return;
  HGDIOBJ old = plat::SelectObject(dc, f);
  plat::SetTextAlign(dc, ((UINT)align | TA_BASELINE) & 0x101E);
  plat::SetTextColor(dc, colour);
  if (dc == g_paintDc) y = plat::SaturateTo<int>(int64_t(y) + g_paintTopMargin);
  plat::TextOutA(dc, x, y, text, length);
  if (old) plat::SelectObject(dc, old);
  plat::DeleteObject(f);
}

void FillDeviceRect(HDC dc, const RECT* rect, COLORREF colour) {
  if (!dc || !rect) return;
  HBRUSH brush;
  HBRUSH created = nullptr;
  HGDIOBJ old = nullptr;
  if (colour == 0xFFFFFFFF) {
    brush = (HBRUSH)plat::GetStockObject(WHITE_BRUSH);
  } else {
    brush = created = plat::CreateSolidBrush(colour);
    if (!brush) return;
    old = plat::SelectObject(dc, brush);
  }
  // In pieces at most 16368 pixels wide.
  const int64_t kPiece = 0x3FF0;
  for (int64_t left = rect->left; left < rect->right; left += kPiece) {
    RECT piece{(LONG)left, rect->top, (LONG)std::min<int64_t>(left + kPiece, rect->right),
               rect->bottom};
    plat::FillRect(dc, &piece, brush);
  }
  if (created) {
    if (old) plat::SelectObject(dc, old);
    plat::DeleteObject(created);
  }
}

int SetDeviceRop2(HDC dc, int mode) { return plat::SetROP2(dc, mode); }

COLORREF SetDevicePixel(HDC dc, int x, int y, COLORREF colour) {
  return plat::SetPixel(dc, x, y, colour);
}

void GetWindowClientRect(HWND window, RECT* rect) {
  if (rect) plat::GetClientRect(window, rect);
}

void GetDisplaySize(int* width, int* height, int* bitsPerPixel) {
  if (!width || !height) return;
  if (bitsPerPixel) *bitsPerPixel = 32;
  HDC ic = plat::CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  if (!ic) {
    *width = 800;
    *height = 600;
    return;
  }
  *width = plat::GetDeviceCaps(ic, HORZRES);
  *height = plat::GetDeviceCaps(ic, VERTRES);
  plat::DeleteDC(ic);
}

void GetDeviceResolution(HDC dc, int* technology, double* pixelsPerInchX,
                         double* pixelsPerInchY) {
  if (!technology || !pixelsPerInchX || !pixelsPerInchY) return;
  *technology = plat::GetDeviceCaps(dc, TECHNOLOGY);
  *pixelsPerInchX = plat::GetDeviceCaps(dc, LOGPIXELSX);
  *pixelsPerInchY = plat::GetDeviceCaps(dc, LOGPIXELSY);
}

namespace {

// The folder whose file system holds the path: its own folder, or the
// nearest one above it that exists ("" for the current folder). A drive
// letter has no meaning here and is passed over.
std::string VolumeFolder(const char* path) {
  char dir[MAX_DIR] = {};
  plat::SplitPath(path, nullptr, dir, nullptr, nullptr);
  std::string folder = dir;
  while (!folder.empty()) {
    struct stat st;
    if (::stat(plat::OsPath(folder.c_str()).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      return folder;
    // Up one level: drop the trailing separator, then the last component.
    size_t end = folder.size();
    while (end > 0 && plat::IsPathSeparator(folder[end - 1])) --end;
    if (end == 0) return folder;  // the root itself
    while (end > 0 && !plat::IsPathSeparator(folder[end - 1])) --end;
    folder.resize(end);
  }
  return folder;
}

}  // namespace

int GetDiskFreeSpaceBytes(const char* path, double bytes) {
  if (!path) return 0;
  std::string root = VolumeFolder(path);
  const char* where = root.empty() ? nullptr : root.c_str();
  typedef BOOL (*FreeEx)(const char*, ULARGE_INTEGER*, ULARGE_INTEGER*, ULARGE_INTEGER*);
  if (HMODULE kernel = plat::LoadLibraryA("kernel32.dll")) {
    FARPROC proc = plat::GetProcAddress(kernel, "GetDiskFreeSpaceExA");
    ULARGE_INTEGER caller{}, total{}, totalFree{};
    BOOL ok = proc ? plat::EntryAs<FreeEx>(proc)(where, &caller, &total, &totalFree) : FALSE;
    plat::FreeLibrary(kernel);
    if (ok) {
      if (totalFree.QuadPart == 0) return 0;
      return (double)caller.QuadPart >= bytes ? 1 : 0;
    }
  }
  DWORD sectors = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (!plat::GetDiskFreeSpaceA(where, &sectors, &bytesPerSector, &freeClusters, &clusters))
    return 1;
  return (double)bytesPerSector * sectors * freeClusters >= bytes ? 1 : 0;
}
