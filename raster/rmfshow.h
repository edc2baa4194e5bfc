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
#include "raster/showstate.h"

// The relief tables, built once (InitShadowTables, raster/showstate.h):
//   angle[i] = trunc(atan((i - 300) / 128) x 128), the angle of slope
//     (i - 300) / 128 in 1/128 radian;
//   light[j] = trunc(((sin((j - 128) / 128 + pi/4) - 0.8) x 0.5 + 1) x 256),
//     the brightness in 1/256 of a surface tilted (j - 128) / 128 radian
//     towards a light 45 degrees above the horizon;
//   shade[j][v] = min((light[j] x v) >> 8, 255).
extern LONG ShadowAngle[600];
extern LONG ShadowLight[256];
extern BYTE ShadowTable[256][256];

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
  RMFDISPLAY* State;          // the owner's display state; null: one of the call's own
};

// The painters of one paint call over a display state.
class TRmfShow {
 public:
  explicit TRmfShow(const RMFSHOWHOST& host);
  TRmfShow(const TRmfShow&) = delete;
  TRmfShow& operator=(const TRmfShow&) = delete;

  // The visible rectangle of the frame in use: 1 when it meets the region
  // (rows Bottom + 1 .. Top and columns Left .. Right - 1 are painted).
  int CheckViewRmf();

  // Rasters. The place painter paints, in chain order, every unit of that
  // view order whose view is non-zero and whose scale range holds the
  // current scale, with block flags in force; ShowRst paints unit n (0 or
  // below: every unit with a non-zero view) onto the default target.
  // 1, or 0 when the host asked to stop, for a null chain and for a unit n
  // (n above 0) the chain has not.
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

  // The current block of the display state (span, block, element
  // positions, flag, pattern and depth as the state has them) painted as
  // the walk paints it: a raster block with the unit's colours (null:
  // palette depths only), a matrix or layer matrix block with the unit's
  // settings; into the target (null: the paint context's picture) or onto
  // the device. The span is kept inside the draw place and the target, the
  // block within the file's block size; a block whose depth is not the
  // file's, or that has no data, paints nothing.
  void ShowBlockRst(TRmf& file, const DIBCONTEXT* dib, const TBaseColors* colors, bool device);
  void ShowBlockMtr(RMFCHAIN* unit, const DIBCONTEXT* dib, bool device);
  void ShowBlockMtl(MTLCHAIN* unit, const DIBCONTEXT* dib, bool device);

  // The target built from the paint context.
  DIBCONTEXT DefaultTarget() const;

  // The display state in use (the owner's, or the call's own).
  RMFDISPLAY& State() { return D; }
  // Blocks read by the walks of this object (for the tests and benchmarks).
  LONG BlocksRead = 0;

 private:
  struct Painter;
  class Scope;
  // The walk over the visible blocks of a file, each painted by the
  // painter of the file's kind: 1, or 0 when stopped.
  int Walk(TRmf& file, const DIBCONTEXT& dib, Painter& painter);
  // The current block of the state into the target or onto the device.
  void PaintSpan(TRmf& file, const DIBCONTEXT& dib, Painter& painter);
  // The same for a block the state was given from outside the walk.
  void PaintGivenBlock(TRmf& file, const DIBCONTEXT* dib, Painter& painter);
  bool UnitShown(LONG view, LONG order, LONG top, LONG bottom, int place) const;
  // The element scale of a unit's picture factor and its element frame put
  // in use: whether the frame's visible rectangle meets the region.
  bool InView(double factor, const DFRAME& frame);
  // The colour tables of a raster of 8 bits or less from its colours.
  void SetupRaster(RMFCHAIN* unit);
  // The painters of a matrix and of a layer matrix unit (the colour tables
  // and, for a quality matrix, its visibility bytes set): false when the
  // unit cannot be painted.
  bool MatrixPainter(RMFCHAIN* unit, bool device, Painter* painter);
  bool LayerPainter(MTLCHAIN* unit, bool device, Painter* painter);

  RMFSHOWHOST Host;
  RMFDISPLAY Own;
  RMFDISPLAY& D;
};
