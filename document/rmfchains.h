// The document's chains of rasters, elevation matrices and quality
// matrices (raster/rmfchain.h): opening a file into its chain with the
// checks a matrix must pass against the open map, the set-up of a unit
// from its file, the colour ranges of the matrices, the units' share of the
// document region, and the raster and matrix colour settings.
//
// The chain heads are the document's RstChainHead, MtrChainHead and
// MtqChainHead. The DocumentKinds slots of those kinds open and close
// through here.
#pragma once

#include <algorithm>

#include "document/mapcontrol.h"
#include "raster/rmfchain.h"

// The chain of a kind (DOCKIND_RST, DOCKIND_MTR, DOCKIND_MTQ); 0 for
// another kind or no document.
CHAININFO* DocChain(TMapControl* doc, int kind);

// A question or notice box of a matrix opening, in the user's language:
// the answer (IDOK when messages are off).
int AskMatrix(const char* english, const char* russian, UINT flags);

// Opens a file of a kind (RMF_RSW, RMF_MTW, RMF_MTQ) into its chain: the
// unit's number. A name already in the chain (same bytes) gives that
// unit's number, set up again with its view and view order kept. Failures
// are reported with the name (60006 not opened, 60001 no memory); a check
// refused by the user reports nothing. 0.
int OpenChainFile(TMapControl* doc, const char* name, int mode, DWORD kind);
// A unit set up from its file; the colours stay when `keepColors`.
void InitRstChainUnit(TMapControl* doc, RMFCHAIN* unit, int keepColors);
void InitMtrChainUnit(TMapControl* doc, RMFCHAIN* unit);
// The colour ranges of the elevation matrices over the document's height
// range.
void SetMtrColorRanges(TMapControl* doc);
// Another file opened into an existing unit, which is then set up from it
// as opening it sets a unit up (its colour visibility, frame, scale, value
// range and colours): 1; 0, the unit left with its file, when the file
// cannot be had as the unit's kind.
int ChangeRst(TMapControl* doc, RMFCHAIN* unit, const char* name, int mode);
int ChangeMtr(TMapControl* doc, RMFCHAIN* unit, const char* name, int mode);
// Closing unit n (0: all) with the region recomputed; elevation matrices
// also recompute the colour ranges, quality matrices keep their colours in
// their files.
void CloseRst(TMapControl* doc, int n);
void CloseMtr(TMapControl* doc, int n);
void CloseMtq(TMapControl* doc, int n);

// Relief shading: 0..16 kept, anything else becomes 4; the value kept.
int SetMtrShadow(TMapControl* doc, int value);
int GetMtrShadow(TMapControl* doc);
int SetMtqShadow(TMapControl* doc, int n, int value);
int GetMtqShadow(TMapControl* doc, int n);

// Border display of unit n of a kind: set only when it has a border (then
// saved): 1 or 0; read: the file's border display, -1 without the unit.
int ShowChainByBorder(TMapControl* doc, int kind, int n, int on);
int CheckShowChainByBorder(TMapControl* doc, int kind, int n);

// Colour visibility of rasters of 16 or 256 colours: the byte (-1 when not
// allowed); set: 1 or 0; the file form also stores all 256 in the file.
int CheckVisibilityColor(TMapControl* doc, int n, int i);
int SetVisibilityColor(TMapControl* doc, int n, int i, int on);
int SetVisibilityColorInRstFile(TMapControl* doc, int n, int i, int on);

// Raster colours.
int GetRstColorCount(TMapControl* doc, int n);
int GetRstContrast(TMapControl* doc, int n);
int SetRstBright(TMapControl* doc, int n, int bright);
int SetRstContrast(TMapControl* doc, int n, int contrast);
int SetRstColor(TMapControl* doc, int n, COLORREF color, int i);
int RestoreRstPalette(TMapControl* doc, int n);
// The negative byte; -1 without the unit.
int CheckInversionRst(TMapControl* doc, int n);
// Shows raster n inverted (value nonzero) or not: the negative byte, and
// the colours of rasters of 3..256 colours inverted in the file's palette
// and the unit's colours when the state changes. 1, or 0.
int InvertRst(TMapControl* doc, int n, int value);

// Colour steps of the elevation palette over matrix n, and of quality
// matrix n's own colours.
int GetMtrColorDesc(TMapControl* doc, int n, int i, MTRCOLORDESCEX* desc);
int SetMtrColor(TMapControl* doc, int n, COLORREF color, int i);
int GetMtqColorDesc(TMapControl* doc, int n, int i, MTRCOLORDESCEX* desc);
int SetMtqColor(TMapControl* doc, int n, int i, COLORREF color);

// Units whose files another writer changed (their last-write time differs
// from the one kept) are opened again and set up again: 1 when any was,
// else 0. A file that can no longer be read leaves its unit as it was.
int AdjustChains(TMapControl* doc);

// The chains' part of the document region (TMapControl::SetRegion): the
// base data when no map is open (elevation matrix 1, layer matrix 1,
// raster 1, user map 1, quality matrix 1: true when one was taken), and
// every unit's picture factor and element frame taken into the region,
// with the height range.
bool ChainBaseData(TMapControl* doc);
// Makes a unit's scale, precision and south-west corner (metres) the
// document's base, the first unit of a chain giving it when no map is open.
void TakeUnitBase(TMapControl* doc, double scale, double precision, const DFRAME& frame);
// A scale denominator read from a file as the document's whole one: not
// above 1 (or not a number) 1, past the 32-bit range its largest value,
// else truncated.
LONG WholeScale(double scale);
// A matrix set up while the document has no base scale (below 2) gives it
// its own scale (100,000 for one below 2) with the origin at 0.
void TakeMatrixScale(TMapControl* doc, double scale);
// Whether the box of a matrix file (its header's location, rows, columns
// and element size) meets the frame of the document's map, in metres.
bool MatrixMeetsMap(const TMapControl* doc, const RMF& h);
// Puts a chain unit (raster, matrix or layer matrix) on the document's
// picture elements: its picture factor, and its element frame from its
// frame and its header's rows and columns, taken into the region. False,
// and nothing changed, without a positive element size.
template <typename Unit>
bool PlaceUnitElements(TMapControl* doc, Unit* unit, const RMF& head) {
  const double size = unit->ElementSize;
  if (!(size > 0)) return false;
  unit->PictureFactor = doc->BaseScale / size;
  DFRAME& e = unit->ElementFrame;
  e.X1 = (unit->Frame.X1 - doc->PlaneX0) / size;
  e.Y1 = (unit->Frame.Y1 - doc->PlaneY0) / size;
  e.X2 = e.X1 + head.Height;
  e.Y2 = e.Y1 + head.Width;
  doc->UpdateRegionElem(e, unit->PictureFactor);
  return true;
}
void ChainUnitsRegion(TMapControl* doc);
// A unit's colour range over stored values low .. high, widened so that
// both ends fall inside it, and the colour indexes per stored unit that
// spread `colors` colours over it (raster, matrix or layer matrix units).
template <typename Unit>
void SetUnitColorRange(Unit* unit, double low, double high, int colors) {
  low *= low >= 0 ? 0.9999999999 : 1.0000000001;
  high *= high >= 0 ? 1.0000000001 : 0.9999999999;
  unit->RangeLow = low;
  unit->RangeHigh = high;
  unit->ColorsPerUnit = colors / std::max(high - low, 1e-10);
}

// The DocumentKinds slots of the three kinds.
int OpenRstKind(TMapControl* doc, const char* name, int mode);
int OpenMtrKind(TMapControl* doc, const char* name, int mode);
int OpenMtqKind(TMapControl* doc, const char* name, int mode);
void CloseRstKind(TMapControl* doc, int n);
void CloseMtrKind(TMapControl* doc, int n);
void CloseMtqKind(TMapControl* doc, int n);
