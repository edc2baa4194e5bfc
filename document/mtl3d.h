// TMtl3D: a perspective block diagram of a document's layer matrices: the
// relief surface seen at the view's elevation and azimuth and, along the
// near edge of the data and along a wedge cut out of the front when the
// view asks for it, the section through the layers, each layer in its own
// colour, with a scale of heights beside the section.
//
// It takes the view record of the elevation view (types/mtr3dtypes.h) and
// makes its picture in the same stages: grid marks, the plan of levels
// (with, for every picture column, the layer thicknesses where its data
// comes nearest the viewer), relief shades, projection. The plans are made
// again only when the size, the largest layer count of the document, the
// viewed point, the matrix name, the scale, the azimuth or the layer-view
// switches change.
//
// The host makes the view with its document and builds or paints it;
// nothing else may use the document while it builds.
#pragma once

#include "document/view3d.h"
#include "platform/export.h"
#include "types/mtr3dtypes.h"

class TMapAccess;

class MAPCLASS TMtl3D {
 public:
  explicit TMtl3D(TMapAccess* doc);
  ~TMtl3D();
  TMtl3D(const TMtl3D&) = delete;
  TMtl3D& operator=(const TMtl3D&) = delete;

  // The picture width becomes the width rounded up to a multiple of 32;
  // the bitmaps are made again when the size changes, the work buffers
  // when the size or the document's largest layer count does. 1 when the
  // buffers were made; 0 when nothing changed, for a size below 1 (nothing
  // kept) and when memory fails (60001 reported, nothing kept).
  int SetDrawSize(LONG width, LONG height);
  // The record copied into the view; nothing for null.
  void Set3DParm(MTR3DVIEWEX* view);
  // Builds the picture: its bitmap, null for a null record, a size that
  // cannot be made or a document no longer open.
  HBITMAP BuildMtl3D(MTR3DVIEWEX* view);
  // Nothing without a device; else built and copied to it.
  void Paint(HDC dc, MTR3DVIEWEX* view);
  // The picture copied to the device at (0, 0).
  void PaintDevice(HDC dc);

  // The relief palette: the first colours (at most 32) of the document's
  // matrix palette in the style, each in six brightness bands of 32
  // entries (x 1, 0.8, 0.92, 0.74, 0.85, 0.68); the background and black.
  void SetReliefPalette(int style);

  // The two bitmaps with their contexts: 1, or 0 after reporting 60001
  // with "BITMAP HEADER", "HDC-DIB" or "DIB-SECTION" (nothing kept).
  int CreateBitmap();
  void DeleteBitmap();

  // The stages: grid marks, the wedge, the plan with its column sections,
  // relief shades, projection with sections and height labels.
  void ShowGrid();
  void AngleCut();
  void ShowMatrix();
  void PutShadow();
  void Show3D();

  // The height step between two labels of a scale spanning `range` metres
  // over `heightScale` pixels (below 2: 2; a range below 1: 1), and the
  // text of a label of that step: two decimals for steps up to 0.1, one up
  // to 1, whole metres above ("%6.2f", "%6.1f", "%5i").
  static double LabelStep(double range, LONG heightScale);
  static int LabelText(double step, double value, char* text, int size);

  int GetError() const { return Error; }

  // A column record: the last (nearest) plan row with data, and the
  // number of the layer matrix that gave the column's section, with
  // MTL3D_RECEDES when the section recedes from the viewer.
  struct COLUMN {
    LONG Last;
    WORD Matrix;
  };
  static constexpr WORD MTL3D_RECEDES = 0x8000;

  // --- The view, in this order ---

  DWORD Palette[256] = {};  // colour words in bitmap order (0x00RRGGBB)
  LONG LayerMax = 0;        // the document's largest layer count when sized
  LONG Width = 0;           // the picture: the requested width rounded up to 32
  LONG Height = 0;
  LONG HalfWidth = 0;       // the plan's centre: half the requested size
  LONG HalfHeight = 0;
  double ShadeFactor = 1.0;
  MTR3DVIEWEX View{};
  TMapAccess* Document = nullptr;
  VIEW3DBITMAPS Bitmaps;            // the headers of the mark plan and the picture
  VIEW3DSECTION Marks;              // 8 bits: wedge (1), grid marks and shades
  VIEW3DSECTION Picture;            // 32 bits: what the device gets
  WORD* Levels = nullptr;           // one level per plan pixel, rows from the top
  double* Sections = nullptr;       // LayerMax levels of thickness per picture column
  COLUMN* Columns = nullptr;        // one record per picture column
  LONG PlanValid = 0;               // 1 once the plans were made for the held record
  int Error = 0;

 private:
  void FreeBuffers();
  void Release();
  int Fail(const char* name);
  LONG SectionCount() const { return LayerMax > 0 ? LayerMax : 1; }
};
