// Device contexts of a host program: memory contexts over 32-bit bitmaps
// of their own, seen by the painters as a display, a printer or another
// device, and the pixels of host windows.
#pragma once

#include <cstdint>

#include "platform/ui.h"
#include "platform/win_types.h"

namespace plat {

// The largest side of a host's bitmap, and its largest size in bytes: a
// window's (platform/ui.h).
constexpr int kHostBitmapMaxSide = kHostSurfaceMaxSide;
constexpr int64_t kHostBitmapMaxBytes = kHostSurfaceMaxBytes;

// A memory context over a new white 32-bit bitmap of width x height
// pixels, rows top-down or bottom-up in memory, seen as a display (the
// screen's capabilities). Null for a side below 1 or above the largest,
// a bitmap above the largest size, or when memory fails.
HDC CreateBitmapDc(int width, int height, bool topDown);
// The bitmap's first byte in memory (its top row when top-down, else its
// bottom row) and in *stride the bytes of one row; null (stride 0) for a
// context that is not a live bitmap context.
BYTE* BitmapDcBits(HDC dc, int* stride);
// Frees a bitmap context and its bitmap; false for any other handle.
bool DeleteBitmapDc(HDC dc);
// The device a bitmap context shows: DT_RASDISPLAY (the screen's
// resolution; dpi ignored), DT_RASPRINTER or DT_PLOTTER at dpiX x dpiY
// dots per inch (1 to 100000). Returns the kind it showed before, -1 (and
// nothing changed) for another handle, another kind or a bad resolution.
int SetBitmapDcKind(HDC dc, int technology, int dpiX, int dpiY);

// True for a live device context; a window's only while its window lives.
bool IsDeviceContext(HDC dc);
// True for a context whose pixels can be watched while they are drawn: a
// window's or the display's. What is drawn on a memory or bitmap context,
// a printer page or a metafile is seen only when its owner reads it.
bool IsOnScreen(HDC dc);

// Copies the window's client area (black where nothing has painted it)
// into the caller's rows, top row first, stride bytes apart: 32-bit
// pixels 0x00RRGGBB, at most width x height of them. The rows copied; 0
// for an unknown window, a null buffer, a size below 1 or a stride below
// width x 4.
int ReadWindowPixels(HWND window, BYTE* bits, int stride, int width, int height);

}  // namespace plat
