// TMapPaint: the link of the document chain that paints a document into a
// paint target and keeps the document's GDI palette. Each document holds
// one use of the shared memory image for its life.
//
// The roads: the memory image (visual types 1 and 2, or no device at all),
// copied to the window when one is given; a device (visual types 3 and up,
// and any device that is not a raster display); for device painters on a
// display a second image of the memory image's size that is copied to the
// window at the end; on a raster printer bands of 24-bit bitmaps, texts
// painted apart and laid over the band; one layer alone; a legend sample;
// the picture into a caller's 32-bit or 8-bit image. Every road saves the
// paint target state it changes and puts it back before returning.
//
// Window coordinates: the roads paint the rectangle's top-left corner at
// the device's logical (0, 0); TMapAccess::Paint moves the viewport origin
// by the rectangle's corner first, so that a window whose logical
// coordinates are picture coordinates shows the picture in its place.
#pragma once

#include <functional>

#include "types/paintparm.h"
#include "types/printparm.h"
#include "devices/devdraw.h"
#include "document/mapcontrol.h"
#include "drawing/deviceoutline.h"  // PaintExampleSwitch
#include "platform/export.h"
#include "platform/gdi/gdi.h"
#include "platform/win_types.h"

enum : int {
  PRINT_BAND_BYTES = 4000000,  // bytes of 24-bit pixels in one printed band at most
  PICTURE_ROAD_CLOSED = -2,    // PaintThroughPicture: the road does not serve the device
};

class MAPCLASS TMapPaint : public TMapControl {
 public:
  TMapPaint();
  ~TMapPaint();
  TMapPaint(const TMapPaint&) = delete;
  TMapPaint& operator=(const TMapPaint&) = delete;

  // --- Roads ---

  // Visual types below 3: a device other than a raster display is painted
  // with visual type 6 for the call (PaintDevice); a display or no device
  // through the memory image (PaintDib). From 3 up: PaintDevice.
  int Paint(HDC dc, int erase, const RECT& rect);
  // The memory-image road: the picture rectangle (left, top, right,
  // bottom in picture pixels, cut to the image) painted into the memory
  // image on the background (white from visual type 3 up, else the
  // palette's entry 0), then copied to dc at (0, 0) when one is given. With
  // an object only that object is painted. erase -2, or erase 0 with an
  // object: what dc shows at (0, 0), where the picture goes, is taken into
  // the image first and painted over. 1, or 0 without an image or for an
  // empty rectangle.
  int PaintDib(HDC dc, int erase, const RECT& rect, TObjectInfo* object = nullptr);
  // The device road: the rectangle painted straight onto dc (at its
  // logical (0, 0)) at the print record's resolutions or the device's own.
  // keepPalette: the palette, clip region and text alignment of dc are
  // left alone. No device: PaintDib into the memory image only. 1.
  int PaintDevice(HDC dc, int erase, const RECT& rect, TObjectInfo* object, int keepPalette,
                  const PRINTPARM* print);
  // One object: nothing for null (0); from visual type 3 up the device
  // road (keep as its keepPalette), else the memory-image road.
  int PaintObject(HDC dc, int erase, const RECT& rect, TObjectInfo* object, int keep);

  // --- Device pictures ---

  // Visual types 6 and up on a display: the layers, user maps and the
  // vector map painted with the device painters into a second image of the
  // memory image's size, then copied to dc. A rectangle larger than that
  // image goes to ShowDataDibToDevice. 1, or 0 when the second image
  // cannot be made (60001 reported).
  int ShowDataDibToWindow(HDC dc, const RECT& rect);
  // A raster printer (or a window picture larger than the memory image):
  // the rectangle in bands of at most PRINT_BAND_BYTES of 24-bit pixels,
  // each painted like the window picture with the texts painted into a
  // second band on a key colour and laid over the band, mirrored left to
  // right when asked, and sent to dc below the rows already printed. 1, or
  // 0 (60001 reported with "MapPrint Step1" or "MapPrint Step2", nothing
  // printed) when a band bitmap cannot be made.
  int ShowDataDibToDevice(HDC dc, const RECT& rect, int mirror);

  // --- One layer ---

  // User map n (0: the main map), raster n, elevation matrix n, layer
  // matrix n, quality matrix n (below 1: every unit of the chain) painted
  // alone through the memory image with visual type 1 and copied to dc.
  // 1, or 0 without a device or memory image.
  int PaintSite(HDC dc, int erase, const RECT& rect, int n);
  int PaintRst(HDC dc, int erase, const RECT& rect, int n, int over);
  int PaintMtr(HDC dc, int erase, const RECT& rect, int n, int over);
  int PaintMtl(HDC dc, int erase, const RECT& rect, int n, int over);
  int PaintMtq(HDC dc, int erase, const RECT& rect, int n, int over);

  // --- Legend samples ---

  // One primitive (code and parameters) painted on the given polylines in
  // the rectangle: through the memory image up to visual type 2, on the
  // device above (edit-node markers off), with the example switch set for
  // the call. At zoom 0.5 on an area 48 pixels or less wide or high
  // (code 149 keeps 1.0 unless its word at byte 48 is 2000 or more).
  // Nothing (0) for missing parameters or polylines without points. With
  // erase 0 the memory image keeps the previous sample, so that a second
  // primitive goes over it (the device is never erased).
  int PaintExampleObject(HDC dc, const RECT& rect, int code, const char* parm, POLYDATA* data,
                         int erase = 1);
  int PaintExampleObjectDib(HDC dc, const RECT& rect, int code, const char* parm,
                            POLYDATA* data, int erase = 1);
  int PaintExampleObjectDevice(HDC dc, const RECT& rect, int code, const char* parm,
                               POLYDATA* data);
  // The zoom a legend sample is painted at on an area of that size.
  static float ExampleZoom(int width, int height, int code, const char* parm);

  // --- Caller's images ---

  // The picture rectangle painted into the memory image and copied into a
  // caller's bottom-up 32-bit image of `rows` rows of `rowLength` bytes
  // that begins at `bits` (its last row in memory is its top row): the
  // picture's top row into the image's top row and each further row
  // rowLength bytes lower, min(rect height, rows, image height) rows of
  // min(rect width x 4, rowLength, image row length) bytes, every write
  // inside the caller's image. 1, or 0 for a bad argument or without an
  // image.
  int PaintDibToDib32(char* bits, int rowLength, int rows, const RECT& rect);
  // The picture (or the object alone) painted with visual type 1 and
  // written into a caller's top-down 8-bit image of `height` rows of
  // `width` bytes, each pixel as the index of the palette entry equal to
  // its colour or else the nearest; the first min(rows, height, painted
  // rows) rows of min(width, painted width) pixels. 1, or 0 for a bad
  // argument or without an image.
  int PaintDibToImage(char* bits, int width, int height, int rows, const RECT& rect,
                      TObjectInfo* object);
  // The same for an object alone; 0 for a null object.
  int PaintObjectToImage(char* bits, int width, int height, int rows, const RECT& rect,
                         TObjectInfo* object);

  // Paints the main map at zoom 1.0 with visual type 3 through a host's
  // table of drawing callbacks (installed for the call), the table's
  // progress entry told 0, the percentage of sheets painted as it grows,
  // and 100. The resolutions are the device's dots per metre (each x
  // 0.0254 gives its dots per inch). 1, or 0 without a table.
  int PaintToScript(int resolutionX, int resolutionY, DrawingCallbackTable* table);

  // --- Objects and selects in one colour (document/selectpaint.cpp) ---

  // Polylines (pixels from the rectangle's top left) painted on dc with a
  // paint record, signs at the zoom of the map given (of the view without
  // one). Code 255 paints the object's own image in one colour and needs
  // an object, so it paints nothing here. 1; 0 without dc, record,
  // parameters or points.
  int PaintUserObject(HDC dc, const RECT& rect, const PAINTPARM* parm, POLYDATA* data, TMap* map);
  // The objects of a select in one colour on dc: lines and areas as lines
  // of the select thickness, the others with their own image. Map n (-1:
  // the main map and every user map) through the select given (null: each
  // map's seek select; a select bound to another map paints nothing of
  // this one). With the total seek view rule only what the view shows. 1,
  // or -1 when the break callback (asked every 50 objects) stopped it; 0
  // without dc.
  int PaintSelect(HDC dc, const RECT& rect, TMapSelect* select, COLORREF colour, int n);

  // --- Palette and view ---

  // Rebuilds the palette from the open data in the palette's priority
  // order (maps, rasters, elevation matrices, quality matrices) and makes
  // the GDI palette of its entries; returns 1.
  int SetupPalette();
  // Selects the GDI palette into the window's device context (as a
  // background palette when the flag is set) and realises it: the number of
  // entries realised, 0 without a window, context or palette.
  int UpdatePalette(HWND window, int background);
  // A different matrix palette style rebuilds the matrix palette and the
  // palette.
  void SetMtrPaletteStyle(int style);
  // Stores the background, puts it into entry 0 and rebuilds the palette;
  // returns the background.
  COLORREF SetBackGround(COLORREF colour);
  // The picture's width and height in pixels.
  void GetPictureBorder(LONG& width, LONG& height) const;
  // Paint steps on (256 primitives) or off (32000); the previous step.
  int SetPaintStep(int on);
  // The memory image's picture bits (its bottom row) and its header; null
  // without an image.
  char* GetDibBits() const;
  const BITMAPINFOHEADER* GetDibInfo() const;
  // The document's view select.
  TDocumentSelect* GetShowSelect() { return ViewSelectPointer; }

  HPALETTE Palette = nullptr;  // the document's GDI palette; null: none

 protected:
  // Painting straight onto a device context for as long as it lives: the
  // device with its own resolution, its pixels per metre (the screen's on
  // displays and metafiles), the rectangle as the draw place and paint
  // size, and on a display or raster printer a clip to the rectangle at
  // the viewport origin; all put back at its end.
  class TDevicePlace {
   public:
    TDevicePlace(TMapPaint* doc, HDC dc, const RECT& rect);
    ~TDevicePlace();
    TDevicePlace(const TDevicePlace&) = delete;
    TDevicePlace& operator=(const TDevicePlace&) = delete;

   private:
    TMapPaint* Doc;
    HDC Dc;
    double PixelsH, PixelsV;
    FRAME Place;
    SIZE Size;
    HRGN Clip;
  };
  // True when the polyline set holds at least one point.
  static bool HasPoints(const POLYDATA* data);
  // PaintUserObject inside a device place: the record painted on the
  // polylines (code 255 with the object's own image when an object, its
  // descriptor and graphics, is given).
  int PaintRecord(HDC dc, const PAINTPARM* parm, POLYDATA* data, TMap* map, const FVSPR* desc,
                  const IMGDRAW* draw);
  // The one-colour painters: the object's kind image (its own graphics for
  // an object without a kind) in the colour (0xFFFFFFFF: its own colours)
  // through the device block, signs at the zoom.
  void PaintOwnImage(TMap* map, const FVSPR* desc, const IMGDRAW* draw, COLORREF colour,
                     double zoom, POLYDATA* data);
  // The select painting of map m; -1 when stopped. `painted` counts the
  // objects painted across the maps.
  int PaintSelectOfMap(int m, TMapSelect* select, COLORREF colour, int* painted);
  // PaintSelect on the context given.
  int PaintSelectOn(HDC dc, const RECT& rect, TMapSelect* select, COLORREF colour, int n);
  // A raster display painted through a picture the library holds: the
  // second image takes what dc shows over the rectangle (at dc's logical
  // (0, 0)), becomes the picture context (PaintContext.PictureDc) that
  // `paint` draws on, and goes back to dc within a clip to the rectangle,
  // as painting dc itself would leave it. The device painters write some
  // figures straight into such a picture instead of calling the device
  // for each one. PICTURE_ROAD_CLOSED when the road does not serve dc (a
  // host's drawing callbacks, another device, pixels that cannot be read
  // back, fewer than 24 bits per pixel, a rectangle larger than the memory
  // image, no second image); otherwise what `paint` returned.
  int PaintThroughPicture(HDC dc, const RECT& rect, const std::function<int(HDC)>& paint);

  // The layers of the chains under (0) or over (1) the map into the
  // current target: elevation and layer matrices (unless the matrix colour
  // style is -1, with the shadow switch off), rasters, quality matrices. 1,
  // or -1 when stopped.
  int ShowLayersOf(int over);
  // The elevation and layer matrices under the map once more with the
  // matrix colour style -1, when the shadow switch is on.
  void ShowShadowPass();
  // The user maps under (0) or over (1) the map: 1, or -1 when stopped.
  int ShowSites(int over);
  // 1 when the main map is open, visible and the show scale lies in its
  // range.
  int MainMapShown() const;
  // The vector map when visible and it has sheets: 1, 0, or -1 when
  // stopped.
  int ShowVisibleMap();
  // One layer alone into the memory image (PaintSite and the others).
  int PaintLayer(HDC dc, const RECT& rect, int kind, int n);
};
