// Graphics interface of the platform layer: device contexts drawing into
// software surfaces, with the host system's drawing rules.
//
// Every device context and graphics object is a registered handle: a null,
// foreign or deleted handle makes a call fail cleanly (0, FALSE or a null
// handle). Coordinates are logical; device = logical + viewport origin.
// Colours are COLORREF 0x00BBGGRR.
#pragma once

#include "platform/gdi/gdi_types.h"
#include "platform/text/font_types.h"
#include "platform/win_types.h"

namespace plat {

// Device contexts. CreateDCA/CreateICA know the device "DISPLAY" only; a
// display context measures and reports capabilities but has no surface.
HDC CreateDCA(const char* driver, const char* device, const char* port, const void* mode);
HDC CreateICA(const char* driver, const char* device, const char* port, const void* mode);
// A memory context with the capabilities of dc (null: the display) and no
// bitmap selected; drawing does nothing until a bitmap is selected.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// A context on a host window's backing surface (its client size).
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
int GetDeviceCaps(HDC dc, int index);

// Bitmaps.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD offset);
BOOL BitBlt(HDC dest, int x, int y, int cx, int cy, HDC src, int x1, int y1, DWORD rop);
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc,
                      int ySrc, UINT startScan, UINT lines, const void* bits,
                      const BITMAPINFO* info, UINT usage);
BOOL GdiFlush();

// Objects.
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HGDIOBJ GetStockObject(int index);
HFONT CreateFontIndirectA(const LOGFONTA* font);
HPALETTE CreatePalette(const LOGPALETTE* palette);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background);
UINT RealizePalette(HDC dc);
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
// Selects a copy of the region as the clip (device coordinates); null
// removes the clip. Returns SIMPLEREGION, NULLREGION or RGN_ERROR.
int SelectClipRgn(HDC dc, HRGN region);
int GetClipBox(HDC dc, RECT* rect);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Fails for an object still selected into a context (it stays alive).
BOOL DeleteObject(HGDIOBJ object);

// Drawing state.
int SetROP2(HDC dc, int mode);
int GetROP2(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL GetViewportOrgEx(HDC dc, POINT* origin);

// Lines and areas.
BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL PolyPolygon(HDC dc, const POINT* points, const INT* counts, int polygons);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);

// Text.
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF SetBkColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);
BOOL TextOutA(HDC dc, int x, int y, const char* text, int length);
BOOL GetTextExtentPoint32A(HDC dc, const char* text, int length, SIZE* size);
BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);
BOOL GetCharWidthA(HDC dc, UINT first, UINT last, INT* widths);

// Enhanced metafiles: a recording context writing the file at close.
// reference null: the display. frame: 0.01 mm, null to take the bounds.
HDC CreateEnhMetaFileA(HDC reference, const char* file, const RECT* frame,
                       const char* description);
HENHMETAFILE CloseEnhMetaFile(HDC dc);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);
UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* data);

}  // namespace plat
