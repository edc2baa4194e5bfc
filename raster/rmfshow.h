// The display of rasters, elevation and quality matrices and layer matrices
// under or over the vector map: which part of a file the view shows, which
// blocks that covers, which element each picture pixel takes, the
// transparency patterns, block flags and border mask, the reduced copy of a
// raster zoomed out, the periodic paint step with the host's break, and the
// pixel painters of every element depth, with relief shading for matrices.
//
// Picture coordinates: pixel columns grow to the right, pixel rows upward
// (the map's X axis). The region painted is the document's draw place:
// rows bottom..top, columns left..right. A file's element frame is counted
// in elements from the document origin: X2 its top edge (file row 0), X1
// its bottom, Y1 its left edge (file column 0), Y2 its right edge; at the
// file's element scale the document gives kx, ky pixels per element across
// and down and ex, ey elements per pixel.
//
// Each pixel takes the element under it (no interpolation). The inner loops
// are table lookups and additions; nothing is allocated while painting.
// One file is painted at a time (the paint context is process-wide).
#pragma once

#include "drawing/paintmetric.h"
#include "platform/export.h"
#include "platform/win_types.h"
#include "raster/mtlchain.h"
#include "raster/rmfchain.h"

// A target image of the painters.
struct DIBCONTEXT {
  BYTE* Top;           // the pixel at row top, column left of the region
  LONG RowBytes;       // a row lower in the picture lies this many bytes earlier
  LONG Height;         // rows of the image from the top row down
  LONG BytesPerPixel;  // 4
  LONG VisualType;     // below 3: paint into the image; from 3: onto the device
  LONG Width;          // pixels of a row from the left column
};

// The relief tables, built once (InitShadowTables):
//   angle[i] = trunc(atan((i - 300) / 128) x 128), the angle of slope
//     (i - 300) / 128 in 1/128 radian;
//   light[j] = trunc(((sin((j - 128) / 128 + pi/4) - 0.8) x 0.5 + 1) x 256),
//     the brightness in 1/256 of a surface tilted (j - 128) / 128 radian
//     towards a light 45 degrees above the horizon;
//   shade[j][v] = min((light[j] x v) >> 8, 255).
extern LONG ShadowAngle[600];
extern LONG ShadowLight[256];
extern BYTE ShadowTable[256][256];
void InitShadowTables();

// The transparency pattern of a mask type and view value: row i of the
// pattern in byte i, column j in bit j. A view below 2: 0 (no pattern, the
// bytes untouched); else the period P (the pixel at row r, column c is
// painted when bit c mod P of byte (-r) mod P is set).
int BuildMaskPattern(int type, int view, BYTE* pattern);

// What the display takes of its document.
struct RMFSHOWHOST {
  TPaintMetric* Metric;       // draw place, element scale, device, visual type
  LONG ShowScale;             // the current scale denominator
  LONG BaseScale;             // of the document
  LONG Relief;                // relief value of elevation and layer matrices, 0..16
  double LayerLow;            // the layer-matrix colour bounds, metres
  double LayerHigh;
  int (*Step)(void* owner);   // the paint step: 0 when the host asks to stop
  void* Owner;
};

// The display state of one paint call.
class TRmfShow {
 public:
  explicit TRmfShow(const RMFSHOWHOST& host);

  // The visible rectangle of the frame in use: 1 when it meets the region
  // (rows Bottom + 1 .. Top and columns Left .. Right - 1 are painted).
  int CheckViewRmf();

  // Rasters. The place painter paints, in chain order, every unit of that
  // view order whose view is non-zero and whose scale range holds the
  // current scale, with block flags in force; ShowRst paints unit n (0 or
  // below: every unit with a non-zero view) onto the default target.
  // 1, or 0 when the host asked to stop.
  int ShowRstPlace(CHAININFO* chain, int place, const DIBCONTEXT* dib);
  int ShowRst(CHAININFO* chain, int n);
  // One raster with the mask type, view and visibility set: 1 when done,
  // 0 when the host asked to stop or the unit is missing.
  int ShowChainRst(RMFCHAIN* unit, const DIBCONTEXT* dib);
  // One raster with its own visibility bytes, mask type and view at its
  // picture factor, as the place painter takes it: 1 when done or out of
  // view, 0 when the host asked to stop or the unit cannot be painted.
  int ShowUnitRst(RMFCHAIN* unit, const DIBCONTEXT* dib);

  // Elevation and quality matrices, the same way.
  int ShowMtrPlace(CHAININFO* chain, int place, const DIBCONTEXT* dib);
  int ShowMtr(CHAININFO* chain, int n);
  int ShowChainMtr(RMFCHAIN* unit, const DIBCONTEXT* dib);
  // One matrix with its own mask type and view at its picture factor, as
  // the place painter takes it: 1 when done or out of view, 0 when the
  // host asked to stop or the unit cannot be painted.
  int ShowUnitMtr(RMFCHAIN* unit, const DIBCONTEXT* dib);

  // Layer matrices, the same way; by place a matrix without surface
  // heights is drawn in green diagonal lines.
  int ShowMtlPlace(MTLCHAININFO* chain, int place, const DIBCONTEXT* dib);
  int ShowMtl(MTLCHAININFO* chain, int n);
  int ShowChainMtl(MTLCHAIN* unit, const DIBCONTEXT* dib);
  // One layer matrix as the place painter takes it (without surface
  // heights in green diagonal lines), as ShowUnitMtr.
  int ShowUnitMtl(MTLCHAIN* unit, const DIBCONTEXT* dib);

  // The target built from the paint context.
  DIBCONTEXT DefaultTarget() const;

  // --- Display state, rewritten for each file ---

  LONG FlagSwitch = 1;    // 1: block flags decide which blocks are painted
  LONG MaskType = 0;
  LONG Period = 0;        // the view value on entry, then the pattern period
  BYTE Pattern[8] = {};
  LONG Depth = 0;         // rasters: bits per element; matrices: bytes
  const DFRAME* Frame = nullptr;
  double FY1 = 0.0, FX2 = 0.0;
  BYTE ColorView[256] = {};
  // The visible rectangle (CheckViewRmf).
  LONG Bottom = 0, Left = 0, Top = 0, Right = 0;
  // Blocks read by the walks of this object (for the tests and benchmarks).
  LONG BlocksRead = 0;

 private:
  struct Span;
  struct Painter;
  // The walk over the visible blocks of a file, each painted by the
  // painter of the file's kind: 1, or 0 when stopped.
  int Walk(TRmf& file, const DIBCONTEXT& dib, Painter& painter);
  void PaintSpan(const Span& span, const DIBCONTEXT& dib, Painter& painter);
  bool UnitShown(LONG view, LONG order, LONG top, LONG bottom, int place) const;
  // The element scale of a unit's picture factor and its element frame put
  // in use: whether the frame's visible rectangle meets the region.
  bool InView(double factor, const DFRAME& frame);
  // The colour tables of a raster of 8 bits or less from its colours.
  void SetupRaster(RMFCHAIN* unit);

  RMFSHOWHOST Host;
};
