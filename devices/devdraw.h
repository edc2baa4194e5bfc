// Device drawing wrappers: the painters draw lines, areas, pens, brushes and
// texts through these calls, which either draw on the device context given
// or, while a host has installed a drawing-callback table, hand the same
// primitive to the host. Also a few device queries and the free-space test.
#pragma once

#include "types/drawcalls.h"
#include "platform/export.h"
#include "platform/gdi/gdi.h"
#include "platform/win_types.h"

// The installed table (null: draw on devices). Returns the previous one.
DrawingCallbackTable* SetDrawingCallbacks(DrawingCallbackTable* table);
DrawingCallbackTable* GetDrawingCallbacks();

// A created object and the one it replaced in the context.
struct DevicePen {
  HPEN pen;
  HGDIOBJ old;
};
struct DeviceBrush {
  HBRUSH brush;
  HGDIOBJ old;
};

void DrawLine(HDC dc, int x1, int y1, int x2, int y2);
void DrawPolyline(HDC dc, POINT* points, int count);
void DrawPolygon(HDC dc, POINT* points, int count);
// bounds: the set's bounding rectangle handed to a host (null: computed as
// {min x, min y, max x + 1, max y + 1} of the points).
void DrawPolyPolygon(HDC dc, POINT* points, int* counts, int polygonCount, RECT* bounds);

DevicePen SelectDevicePen(HDC dc, int width, COLORREF colour);
void RestoreDevicePen(HDC dc, const DevicePen& pair);
DeviceBrush SelectDeviceBrush(HDC dc, COLORREF colour);
void RestoreDeviceBrush(HDC dc, const DeviceBrush& pair);

void DrawDeviceText(HDC dc, int x, int y, const char* text, int length, LOGFONTA* font,
                    int align, COLORREF colour);
// colour 0xFFFFFFFF: the stock white brush.
void FillDeviceRect(HDC dc, const RECT* rect, COLORREF colour);
int SetDeviceRop2(HDC dc, int mode);
COLORREF SetDevicePixel(HDC dc, int x, int y, COLORREF colour);

void GetWindowClientRect(HWND window, RECT* rect);
void GetDisplaySize(int* width, int* height, int* bitsPerPixel);
void GetDeviceResolution(HDC dc, int* technology, double* pixelsPerInchX,
                         double* pixelsPerInchY);
// 1 when the file system of the path has at least `bytes` free for the
// caller, else 0; 1 when the free space cannot be learnt.
int GetDiskFreeSpaceBytes(const char* path, double bytes);

// The paint context's memory device context and its top margin: texts drawn
// on that context are moved down by the margin. Set by the paint context.
void SetPaintMemoryDc(HDC dc, int topMargin);
