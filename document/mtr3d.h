// TMtr3D: a perspective picture of the relief that a document's elevation
// and layer matrices hold, coloured by height or draped with the map
// picture or the document's rasters, made into a 32-bit bitmap that the
// host copies onto a device.
//
// The picture is made in three stages, each over plans of exactly the
// picture's size: the plans of the scene seen from above and turned by the
// view's azimuth (a level 1..511 of the height quantised over the
// document's height range, a colour, grid marks and relief shades); their
// projection in perspective, far parts hidden behind near ones; the copy to
// the device. The level and colour plans are kept between builds and made
// again only when the size, the viewed point, the scale, the azimuth, the
// colour-by-height switch or a drape switch changes, so that a new
// elevation, height scale, water height, palette or grid only re-projects.
//
// A view reads its document while it builds and changes the document's
// show scale, picture place, background, turn and layer view flags for the
// time of the build; nothing else may use the document meanwhile.
#pragma once

#include "document/view3d.h"
#include "platform/export.h"
#include "types/mtr3dtypes.h"

class TMapAccess;

class MAPCLASS TMtr3D {
 public:
  // A view of the document's matrices, made at the size (SetDrawSize).
  TMtr3D(TMapAccess* doc, LONG width, LONG height);
  ~TMtr3D();
  TMtr3D(const TMtr3D&) = delete;
  TMtr3D& operator=(const TMtr3D&) = delete;

  // The picture width becomes the width rounded up to a multiple of 32,
  // the plan's centre half the requested size. 1 when new bitmaps and a
  // new level plan were made; 0 when nothing changed, for a size below 1
  // (nothing kept), and when memory fails (60001 reported, nothing kept).
  int SetDrawSize(LONG width, LONG height);

  // Builds the picture for the view record: the picture's bitmap, null for
  // a null record, a size that cannot be made or a document no longer open.
  HBITMAP BuildMtr3D(MTR3DVIEWEX* view);
  // The older record converted (ConvertView) and built.
  HBITMAP BuildMtr3Dold(MTR3DVIEW* view);
  // Nothing without a device; else the picture built and copied to it.
  void Paint(HDC dc, MTR3DVIEW* view);
  void PaintEx(HDC dc, MTR3DVIEWEX* view);
  // With a device and a picture made before: the record taken and the
  // plans kept projected again without being rebuilt, then copied.
  void PaintAngle(HDC dc, MTR3DVIEWEX* view);
  // The picture copied to the device at (0, 0) with the view's palette
  // realised for the copy.
  void PaintDevice(HDC dc);

  // Heights below the water height are drawn as water (-1e10: none).
  void SetHeightWater(double height) { Water = height; }
  // The height filter is kept, not used by the stages.
  void SetHeightFilter(double low, double high) {
    FilterLow = low;
    FilterHigh = high;
  }

  // The 256-entry palette: the first colours of the document's matrix
  // palette in the style, water, background and black; then SetupPalette.
  void SetPaletteMtr(int style);
  // The logical palette made again from the palette.
  void SetupPalette();
  // The palette into the mark plan's header.
  void SetPaletteDib();

  // The three bitmaps with their contexts: 1, or 0 after reporting 60001
  // with "BITMAP HEADER", "HDC-DIB", "LOGPALETTE" or "DIB-SECTION" (nothing
  // kept).
  int CreateBitmap();
  void DeleteBitmap();

  // The stages: grid marks, the level and colour plans, relief shades,
  // projection.
  void ShowGrid();
  void ShowMatrix();
  void PutShadow();
  void ShowMtr3D();

  // The record of the older form as a view record at a picture size: the
  // azimuth that puts the plan's far side beyond the viewed point as the
  // observer sees it, and the elevation of the observer above the point.
  static MTR3DVIEWEX ConvertView(const MTR3DVIEW& view, LONG width, LONG height);

  int GetError() const { return Error; }

  // --- The view, in this order ---

  DWORD Palette[256] = {};  // colour words in bitmap order (0x00RRGGBB)
  HPALETTE LogPalette = nullptr;
  double FilterLow = -1e10;
  double FilterHigh = 1e10;
  double Water = -1e10;
  LONG Width = 0;  // the picture: the requested width rounded up to 32
  LONG Height = 0;
  LONG HalfWidth = 0;  // the plan's centre: half the requested size
  LONG HalfHeight = 0;
  double ShadeFactor = 1.0;
  MTR3DVIEWEX View{};
  TMapAccess* Document = nullptr;
  VIEW3DBITMAPS Bitmaps;            // headers, and the identity palette of the marks
  VIEW3DSECTION Marks;              // 8 bits: grid marks and shades
  VIEW3DSECTION Colors;             // 32 bits: the colour of each plan pixel
  VIEW3DSECTION Picture;            // 32 bits: what the device gets
  WORD* Levels = nullptr;           // one level per plan pixel, rows from the top
  VIEW3DCOLUMN* Walk = nullptr;     // the projection's state of every column
  LONG PlanValid = 0;               // 1 once the plans were made for the held record
  int Error = 0;

 private:
  // Nothing kept: no bitmaps, no level plan, size 0.
  void Release();
  // 0 after reporting 60001 with the name (nothing kept).
  int Fail(const char* name);
  // The map painted into the colour plan: false when its flag list
  // cannot be made.
  bool DrapeMap(class View3DDocument& state);
  void DrapeRasters();
};

// A view of a document made in the page allocator (null when memory
// fails), and its end; nothing for null.
TMtr3D* NewMtr3D(TMapAccess* doc, LONG width, LONG height);
void FreeMtr3D(TMtr3D* view);
// The view of a host's handle: a live view made by NewMtr3D, else null.
TMtr3D* Mtr3DOf(HMTR3D handle);
