// TMapPaint: the link of the document chain that paints a document into
// the shared memory image and keeps the document's GDI palette. Each
// document holds one use of the memory image for its life.
#pragma once

#include "devices/devdraw.h"
#include "document/mapcontrol.h"
#include "platform/export.h"
#include "platform/gdi/gdi.h"
#include "platform/win_types.h"

class MAPCLASS TMapPaint : public TMapControl {
 public:
  TMapPaint();
  ~TMapPaint();
  TMapPaint(const TMapPaint&) = delete;
  TMapPaint& operator=(const TMapPaint&) = delete;

  // Rebuilds the palette from the open data; returns 1. The palette is
  // cleared to its background here; the colours of the data are added to
  // it by the palette's own rebuild.
  int SetupPalette();
  // Paint steps on (256 primitives) or off (32000); the previous step.
  int SetPaintStep(int on);

  // The memory-image road: the picture rectangle (left, top, right, bottom
  // in picture pixels, cut to the image) painted into the memory image on
  // the palette's background (white from visual type 3 up), then copied to
  // dc at (0, 0) when one is given. erase -2: the picture dc shows is taken
  // into the image first and painted over. 1, or 0 without an image.
  int PaintDib(HDC dc, int erase, const RECT& rect);
  // The picture rectangle painted into the memory image and copied into a
  // caller's 32-bit image of `rows` rows of `rowLength` bytes: the top row
  // at `bits` and each further row rowLength bytes lower in memory (a
  // bottom-up image whose last row `bits` points at). 1, or 0 for a bad
  // argument or without an image.
  int PaintDibToDib32(char* bits, int rowLength, int rows, const RECT& rect);

  // Paints the main map at zoom 1.0 with visual type 3 through a host's
  // table of drawing callbacks (installed for the call), the table's
  // progress entry told 0, the percentage of sheets painted and 100. The
  // resolutions are the device's dots per metre (each x 0.0254 gives its
  // dots per inch). 1, or 0 without a table.
  int PaintToScript(int resolutionX, int resolutionY, DrawingCallbackTable* table);

  HPALETTE Palette = nullptr;  // the document's GDI palette; null: none
};
