// The process-wide paint context: a memory device context with a 32-bit
// bottom-up DIB section selected into it (the memory image), two 1-bit mask
// planes of the same size (the bits image), the shared point buffer into
// which object metrics become pixel polylines, a work buffer for painters,
// and two 256-entry colour tables. Also the screen precision: the physical
// size of the screen and the screen pixels per metre derived from it.
//
// The context is one set of globals: the library paints one call at a time.
// Painters address picture rows from the top row downwards by subtracting
// the stride; 8 rows of margin lie above the picture (texts measured on the
// image are drawn there).
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/win_types.h"

enum : int {
  PAINT_TOP_MARGIN = 8,               // rows kept above the picture
  PAINT_INFO_SIZE = 1064,             // header and 256 colour entries
  PAINT_STEP_ON = 256,                // primitives between two copies to the window
  PAINT_STEP_OFF = 32000,
  POINT_AREA_START = 128000,          // points of the point buffer at first
  POINT_AREA_LIMIT = 2097152,         // points it may grow to
  TEXT_AREA_SIZE = 32000,             // text slots (one per part)
  POLY_AREA_SIZE = 64000,             // part counts
  WORK_BUFFER_SIZE = 24576,           // bytes of the work buffer
  PAINT_DIB_FAILED = -10,             // result of a failed AllocPaintDib
};

// The memory image, the bits image, the buffers and the colour tables.
struct TPaintContext {
  // Memory image.
  HDC MemoryDc;
  HBITMAP Section;
  HGDIOBJ OldBitmap;      // the bitmap the memory DC held before
  BITMAPINFO* Info;       // PAINT_INFO_SIZE bytes; describes the picture part
  BYTE* Bits;             // first byte of the section (its bottom row)
  LONG Stride;            // bytes per row, a multiple of 4
  LONG BytesPerPixel;
  LONG PictureHeight;     // rows without the margin
  LONG TopMargin;
  BYTE* PictureTop;       // the picture's top row
  BYTE* SectionTop;       // the top row of the margin
  HDC PictureDc;          // while a road points the rows above at an image of
                          // its own: the context drawing into that image
  LONG ImageWidth;        // pixels of the current draw place: bound every copy
  LONG ImageHeight;
  HDC WindowDc;           // the window painted in steps; null outside a paint
  LONG PaintStep;
  LONG UseCount;
  LONG Opening;           // OpenPaintDib under way

  // Bits image: two 1-bit planes, rows of MaskRowBytes, bottom-up, each with
  // TopMargin / 2 guard rows beyond its outer end.
  BYTE* MaskBits;
  LONG MaskRowBytes;
  LONG MaskRows;
  BYTE* MaskTop1;         // top row of plane 1
  BYTE* MaskTop2;         // top row of plane 2

  // Point buffer: one block of points, text slots and part counts.
  POINT* PointArea;
  char** TextArea;
  LONG* PolyArea;
  LONG PointCapacity;     // points the points area holds
  LONG InstanceCount;     // live documents sharing the buffer
  LONG BufferFailureShown;

  // Work buffer.
  BYTE* WorkBuffer;
  LONG WorkBufferSize;

  // Colour tables: A as passed (0x00BBGGRR or palette indices), B in image
  // pixel order (0x00RRGGBB).
  DWORD ColorsA[256];
  DWORD ColorsB[256];
};

extern TPaintContext PaintContext;

// --- Memory image ---

// Makes the image at the display's size (once per opener; the use count
// pairs it with ClosePaintDib): 0 made or already there, -10 failed, 0 at
// once when called from inside itself.
int OpenPaintDib();
// 0 when the image exists and is large enough or was made; -10 on failure
// (reported, nothing of the image left).
int AllocPaintDib(int width, int height, int bytesPerPixel);
void ClosePaintDib();
void FreePaintDib();
// The two mask planes for the current image: 1, or 0 after reporting.
int AllocBitsImage();
void FreeBitsImage();
// The memory DC, remade when its picture or bits image is missing; null
// when the image cannot be made.
HDC GetPaintDc();
int FinishPaintDib();
// Copies image width x height pixels between the picture and dc at (x, y);
// a null dc means the stored window DC, and nothing happens without one.
void CopyPaintDibToDc(HDC dc, int x, int y);
void CopyDcToPaintDib(HDC dc, int x, int y);
// Fills the first n entries of both colour tables: from the colours, or
// A[i] = i and B[i] = i + 1 without them.
void SetDibPalette(const COLORREF* colours, int n);
// 256 primitives per step when the flag is set, 32000 when not; the
// previous value.
int SetPaintStepValue(int flag);

// --- Point and work buffers ---

// Makes whichever of the two is missing: 1, or 0 after reporting (at most
// once per process).
int AllocPointBuffers();
void FreePointBuffers();
// Makes the points area hold at least n points: 1, or 0 (n above the limit,
// or no buffer; the buffer stays usable).
int GrowPointBuffer(int n);
// Counts a document sharing the buffers (the first makes them) and drops it
// (the last frees them).
int AttachPointBuffers();
void DetachPointBuffers();

// --- Screen precision ---

int GetScreenSizeValue();
int SetScreenSizeValue(int diagonal);
int GetScreenScaleValue();
int SetScreenScaleValue(int percent);
int GetScreenPixelsPerMeter();
int SetScreenPixelsPerMeter(int ppm);
double GetScreenPixelsPerMeterH();
double GetScreenPixelsPerMeterV();
int ScreenMeter2Pixel(double metres);
double ScreenPixel2Meter(int pixels);
// The screen's size in pixels: 640 x 480 until the image is first opened,
// then the display's (set by OpenPaintDib; no recomputation).
void GetScreenPixelSize(int* width, int* height);
void SetScreenPixelSizeFromDisplay(int width, int height);
