// Facilities for tests, hosts and the example program: devices a host
// creates, the display's description, pixel access, PNG dumps, per-context
// call logs, live-object counts and the replay of a written metafile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

namespace plat::gdi {

// A printer or plotter context with its own 32-bit surface (white), of the
// given page size in pixels and resolution in dots per inch. technology:
// DT_RASPRINTER or DT_PLOTTER.
HDC CreateDeviceContext(int technology, int width, int height, int dpiX, int dpiY);

// The display that "DISPLAY" contexts describe (default 1920 x 1080 at 96
// dpi). available false: no display context can be made.
void SetDisplay(int width, int height, int dpi, bool available);

// The surface a context draws into (memory contexts: the selected bitmap;
// window contexts: the window's backing surface). Rows are in device order
// (row 0 at the top) whatever the layout in memory.
struct SurfaceView {
  BYTE* bits = nullptr;  // first byte in memory
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  int stride = 0;
  bool topDown = false;
};
bool GetSurface(HDC dc, SurfaceView* view);
// The surface of a host window, kept between GetDC calls.
bool GetWindowSurface(HWND window, SurfaceView* view);
// The colour of a device pixel; CLR_INVALID outside or without surface.
COLORREF GetPixelColor(HDC dc, int x, int y);
COLORREF GetPixelColor(const SurfaceView& view, const RGBQUAD* table, int x, int y);
// The raw pixel value: the index on 8-bit surfaces, 0x00RRGGBB otherwise.
DWORD GetPixelValue(HDC dc, int x, int y);

// Writes the context's surface as an RGB PNG file.
bool WritePng(HDC dc, const char* path);

// Per-context call log: one line per drawing call, such as
// "FillRect(0,0,16368,5)".
void EnableCallLog(HDC dc, bool enable);
std::vector<std::string> CallLog(HDC dc);

// Live objects (stock objects not counted).
enum class ObjectKind { Dc, Pen, Brush, Font, Bitmap, Palette, Region, MetaFile };
int LiveObjects(ObjectKind kind);

// Replays an enhanced metafile (file bytes) into a context: the records the
// recording context writes. False for a damaged file (nothing after the
// damage is drawn).
bool PlayMetaFile(HDC dc, const std::vector<uint8_t>& bytes);
bool ReadFileBytes(const char* path, std::vector<uint8_t>* bytes);

}  // namespace plat::gdi
