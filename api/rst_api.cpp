// Rasters for a host: each function finds the document of its handle and
// forwards to the document's raster methods, to the raster file or to its
// blocked file access.
#include "api/rst_api.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "document/docfind.h"
#include "document/mapaccess.h"
#include "document/rmfchains.h"
#include "drawing/rasterizer.h"
#include "objects/objectinfo.h"
#include "raster/chainborder.h"
#include "raster/chainlinks.h"
#include "raster/rst.h"

namespace {

// Unit n of a document's raster chain while its file is open; null for
// anything else. The chain is walked here rather than by a call of the
// document's GetRstChain: a host that reads elements one by one
// (mapGetRstPoint) would pay for the call as much as for the read.
[[gnu::always_inline]] inline RMFCHAIN* RasterUnit(TMapAccess* d, LONG n) {
  RMFCHAIN* unit = d ? ChainUnitAt(&d->RstChainHead, n) : nullptr;
  return unit && unit->File->IsOpen() && unit->Raster() ? unit : nullptr;
}

// Unit n of a live document's raster chain; null for anything else.
RMFCHAIN* UnitOf(HMAP hMap, LONG n, TMapAccess** doc = nullptr) {
  TMapAccess* d = DocumentOf(hMap);
  if (doc) *doc = d;
  return RasterUnit(d, n);
}

TRst* RasterOf(HMAP hMap, LONG n) {
  RMFCHAIN* unit = UnitOf(hMap, n);
  return unit ? unit->Raster() : nullptr;
}

// Colours of a palette raster by depth (2, 16, 256), else 0.
int PaletteColors(int bits) { return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0; }

// The number of block (row, column), -1 outside the grid.
int BlockNumber(const TRmf* file, LONG row, LONG column) {
  const RMF& h = file->Head;
  if (row < 0 || column < 0 || row >= h.BlockRows || column >= h.BlockColumns) return -1;
  return int(int64_t(row) * h.BlockColumns + column);
}

// A border point (column, row in elements, truncated toward zero and held
// to the grid) in metres on the unit's frame: X = X1 + (rows - r) x size,
// Y = Y1 + c x size, the edges taken from the frame itself.
DOUBLEPOINT BorderPointMeters(const RMFCHAIN* unit, double column, double row) {
  const RMF& h = unit->File->Head;
  const double size = unit->ElementSize;
  const LONG c = std::clamp<LONG>(RmfTruncate(column), 0, h.Width);
  const LONG r = std::clamp<LONG>(RmfTruncate(row), 0, h.Height);
  DOUBLEPOINT p;
  p.X = r < 1 ? unit->Frame.X2 : r >= h.Height ? unit->Frame.X1
                                               : unit->Frame.X1 + (h.Height - r) * size;
  p.Y = c < 1 ? unit->Frame.Y1 : c >= h.Width ? unit->Frame.Y2 : unit->Frame.Y1 + c * size;
  return p;
}

// The element factors of the document at the raster's element size.
TMapAccess* ElementScale(HMAP hMap, LONG n) {
  TMapAccess* doc = nullptr;
  RMFCHAIN* unit = UnitOf(hMap, n, &doc);
  if (!unit || !(unit->ElementSize > 0)) return nullptr;
  doc->SetElemScale(doc->BaseScale / unit->ElementSize);
  return doc;
}

// A new document with a raster file opened into it; null (nothing left
// behind) when it does not open.
TMapAccess* OpenInNewDocument(const char* name, LONG mode) {
  TMapAccess* doc = NewDocument();
  if (!doc) return nullptr;
  if (!doc->OpenRst(name, mode)) {
    FreeDocument(doc);
    return nullptr;
  }
  return doc;
}

// Creates the file (the raster is closed again at once): true on success.
// Only the colours the caller gave are read; the rest of the palette the
// depth uses stays black.
bool CreateFile(const char* name, LONG width, LONG height, LONG bits, const COLORREF* palette,
                LONG count, double scale, double precision) {
  if (!name || width < 1 || height < 1 || bits < 1) return false;
  DWORD colors[256] = {};
  const DWORD* given = nullptr;
  if (palette && count > 0) {
    std::memcpy(colors, palette, sizeof(DWORD) * std::min<LONG>(count, 256));
    given = colors;
  }
  TRst r;
  if (!r.Create(name, width, height, bits, given, scale, precision)) return false;
  r.Close();
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Documents

MAPAPI HMAP WINAPI mapOpenRst(const char* name, LONG mode) {
  return name ? HandleOf(OpenInNewDocument(name, mode)) : 0;
}

MAPAPI void WINAPI mapCloseRst(HMAP hMap, LONG n) {
  if (TMapAccess* doc = DocumentOf(hMap)) doc->CloseRst(n);
}

MAPAPI HMAP WINAPI mapCreateRst(const char* name, LONG width, LONG height, LONG nbits,
                                const COLORREF* palette, LONG colorcount, double scale,
                                double precision) {
  if (colorcount > 256 && nbits > 8) palette = nullptr;
  if (!CreateFile(name, width, height, nbits, palette, colorcount, scale, precision)) return 0;
  return HandleOf(OpenInNewDocument(name, 0));
}

MAPAPI LONG WINAPI mapCreateAndAppendRst(HMAP hMap, const char* name, LONG width, LONG height,
                                         LONG nbits, const COLORREF* palette, LONG useColors,
                                         double scale, double precision, double x, double y) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc) return 0;
  if (!useColors) palette = nullptr;
  if (!CreateFile(name, width, height, nbits, palette, PaletteColors(nbits), scale, precision))
    return 0;
  const int n = doc->OpenRst(name, 0);
  if (!n) return 0;
  const DOUBLEPOINT place = {x, y};
  if (!mapSetRstLocation(hMap, n, &place)) return 0;
  return n;
}

MAPAPI double WINAPI mapRstFileLengthCalculation(LONG word, LONG width, LONG height, LONG nbits) {
  if (!word || width < 1 || height < 1 || nbits <= 0) return 0.0;
  TRmf file;
  return double(file.CalculationFileLength(width, height, nbits));
}

MAPAPI double WINAPI mapRtsFileLengthCalculation(LONG word, LONG width, LONG height, LONG nbits) {
  return mapRstFileLengthCalculation(word, width, height, nbits);
}

// ---------------------------------------------------------------------------
// The chain and the view

MAPAPI LONG WINAPI mapGetRstCount(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->RstChainHead.Count : 0;
}

// The document keeps its current raster number beside its chain heads.
MAPAPI LONG WINAPI mapGetRstCurrentNumber(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CurrentRst : 0;
}

MAPAPI LONG WINAPI mapSetRstCurrentNumber(HMAP hMap, LONG n) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc) return 0;
  doc->CurrentRst = n;
  return n;
}

MAPAPI const char* WINAPI mapGetRstName(HMAP hMap, LONG n) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetRstName(n) : "";
}

MAPAPI LONG WINAPI mapGetRstView(HMAP hMap, LONG n) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CheckRstView(n) : 0;
}

MAPAPI LONG WINAPI mapSetRstView(HMAP hMap, LONG n, LONG view) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->SetRstView(n, view) : 0;
}

MAPAPI LONG WINAPI mapGetRstViewOrder(HMAP hMap, LONG n) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? std::max(doc->RstViewOrder(n, -1), 0) : 0;
}

MAPAPI LONG WINAPI mapSetRstViewOrder(HMAP hMap, LONG n, LONG order) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? std::max(doc->RstViewOrder(n, order ? 1 : 0), 0) : 0;
}

MAPAPI LONG WINAPI mapGetRstRangeScaleVisible(HMAP hMap, LONG n, LONG* bottom, LONG* top) {
  return GetUnitScaleRange(UnitOf(hMap, n), bottom, top);
}

MAPAPI LONG WINAPI mapSetRstRangeScaleVisible(HMAP hMap, LONG n, LONG bottom, LONG top) {
  return SetUnitScaleRange(UnitOf(hMap, n), bottom, top);
}

MAPAPI LONG WINAPI mapShowRstByBorder(HMAP hMap, LONG n, LONG on) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->ShowRstByBorder(n, on) : 0;
}

MAPAPI LONG WINAPI mapCheckShowRstByBorder(HMAP hMap, LONG n) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CheckShowRstByBorder(n) : 0;
}

// ---------------------------------------------------------------------------
// Colours

// Copies count (2..256) colours of raster n's palette as `palette` gives
// them: 1, or 0.
template <class Palette>
LONG CopyRstPalette(HMAP hMap, COLORREF* colors, LONG count, LONG n, Palette palette) {
  TMapAccess* doc = nullptr;
  if (!UnitOf(hMap, n, &doc) || !colors || count < 2 || count > 256) return 0;
  std::memcpy(colors, palette(doc), sizeof(COLORREF) * count);
  return 1;
}

MAPAPI LONG WINAPI mapGetRstPalette(HMAP hMap, COLORREF* colors, LONG count, LONG n) {
  return CopyRstPalette(hMap, colors, count, n,
                        [n](TMapAccess* doc) { return doc->GetRstPalette(n); });
}

MAPAPI LONG WINAPI mapGetRstStandardPalette(HMAP hMap, COLORREF* colors, LONG count, LONG n) {
  return CopyRstPalette(hMap, colors, count, n,
                        [n](TMapAccess* doc) { return doc->GetRstStandardPalette(n); });
}

MAPAPI LONG WINAPI mapSetRstPalette(HMAP hMap, const COLORREF* colors, LONG count, LONG n) {
  TMapAccess* doc = nullptr;
  RMFCHAIN* unit = UnitOf(hMap, n, &doc);
  if (!unit || count < 2) return 0;
  count = std::min<LONG>(count, 256);
  const int bits = unit->File->Head.BitsPerElement;
  if (!colors && (bits == 4 || bits == 8)) colors = unit->File->PaletteWords;
  if (!unit->Colors.InitBaseColors(colors, count)) return 0;
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapRestoreRstPalette(HMAP hMap, LONG n) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc || !doc->RestoreRstPalette(n)) return 0;
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapGetRstColorCount(HMAP hMap, LONG n) {
  TMapAccess* doc = nullptr;
  RMFCHAIN* unit = UnitOf(hMap, n, &doc);
  if (!unit) return 0;
  // A raster above 8 bits holds its colours in its elements: the colours
  // its unit keeps (the 16 default ones unless a host set others) are no
  // count of them.
  const int bits = unit->File->Head.BitsPerElement;
  const int count = bits <= 8 ? doc->GetRstColorCount(n) : 0;
  if (count) return count;
  if (bits == 32) return 16777216;
  if (bits <= 8) return 0;
  return LONG(1u << (bits % 32));
}

MAPAPI LONG WINAPI mapGetRstBright(HMAP hMap, LONG n) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetRstBright(n) : 0;
}

MAPAPI LONG WINAPI mapGetRstContrast(HMAP hMap, LONG n) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetRstContrast(n) : 0;
}

MAPAPI LONG WINAPI mapGetRstGamma(HMAP hMap, LONG n) {
  RMFCHAIN* unit = UnitOf(hMap, n);
  return unit ? unit->Colors.GetNonlinearBright() : 0;
}

MAPAPI LONG WINAPI mapSetRstBright(HMAP hMap, LONG bright, LONG n) {
  TMapAccess* doc = nullptr;
  if (!UnitOf(hMap, n, &doc)) return 0;
  doc->SetRstBright(n, bright);
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapSetRstContrast(HMAP hMap, LONG contrast, LONG n) {
  TMapAccess* doc = nullptr;
  if (!UnitOf(hMap, n, &doc)) return 0;
  doc->SetRstContrast(n, contrast);
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapSetRstGamma(HMAP hMap, LONG gamma, LONG n) {
  TMapAccess* doc = nullptr;
  RMFCHAIN* unit = UnitOf(hMap, n, &doc);
  if (!unit) return 0;
  unit->Colors.SetNonlinearBright(gamma);
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapCheckInversionRst(HMAP hMap, LONG n) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CheckInversionRst(n) : 0;
}

MAPAPI LONG WINAPI mapInvertRst(HMAP hMap, LONG n, LONG value) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc || !doc->InvertRst(n, value)) return 0;
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapCheckVisibilityColor(HMAP hMap, LONG n, LONG index) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CheckVisibilityColor(n, index) : 0;
}

MAPAPI LONG WINAPI mapSetVisibilityColor(HMAP hMap, LONG n, LONG index, LONG on) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->SetVisibilityColor(n, index, on) : 0;
}

MAPAPI LONG WINAPI mapSetVisibilityColorInRstFile(HMAP hMap, LONG n, LONG index, LONG on) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->SetVisibilityColorInRstFile(n, index, on) : 0;
}

MAPAPI LONG WINAPI mapGetRstPlanePointColor(HMAP hMap, LONG n, COLORREF* color, double x,
                                            double y) {
  if (!color) return 0;
  *color = 0;
  TMapAccess* doc = nullptr;
  RMFCHAIN* unit = UnitOf(hMap, n, &doc);
  LONG value = 0;
  if (!unit || !unit->Raster()->GetPlanePoint(value, x, y)) return 0;
  const int bits = unit->File->Head.BitsPerElement;
  if (bits > 8) {
    *color = COLORREF(value);
    return 1;
  }
  // A palette raster: the colour of the element's index among the colours
  // the raster uses.
  const int count = bits > 0 ? doc->GetRstColorCount(n) : 0;
  if (count < 2 || count > 256 || value < 0 || value >= count) return 0;
  *color = unit->Colors.Colors()[value];
  return 1;
}

// ---------------------------------------------------------------------------
// Geometry and location

MAPAPI LONG WINAPI mapGetRstFrameMeters(HMAP hMap, DFRAME* frame, LONG n) {
  TMapAccess* doc = DocumentOf(hMap);
  const DFRAME* meters = doc ? doc->GetRstFrameMeters(n) : nullptr;
  if (!meters || !frame) return 0;
  *frame = *meters;
  return 1;
}

MAPAPI LONG WINAPI mapGetActualRstFrame(HMAP hMap, DFRAME* frame, LONG n) {
  RMFCHAIN* unit = UnitOf(hMap, n);
  if (!unit || !frame || unit->View == 0) return 0;
  const double size = unit->ElementSize;
  if (!unit->File->ShowByBorder() || !(size > 0)) {
    *frame = unit->Frame;
    return 1;
  }
  const auto place = [unit](double c, double r) { return BorderPointMeters(unit, c, r); };
  if (!BorderBox(unit, unit->File->Border, place, frame)) *frame = unit->Frame;
  return 1;
}

MAPAPI LONG WINAPI mapGetRstLocation(HMAP hMap, LONG n, DOUBLEPOINT* point) {
  RMFCHAIN* unit = UnitOf(hMap, n);
  if (!unit || !point) return 0;
  point->X = unit->Frame.X1;
  point->Y = unit->Frame.Y1;
  return 1;
}

MAPAPI LONG WINAPI mapSetRstLocation(HMAP hMap, LONG n, const DOUBLEPOINT* point) {
  TMapAccess* doc = nullptr;
  RMFCHAIN* unit = UnitOf(hMap, n, &doc);
  if (!unit || !point || !std::isfinite(point->X) || !std::isfinite(point->Y)) return 0;
  TRst* r = unit->Raster();
  r->LocationX(point->X);
  r->LocationY(point->Y);
  r->Save();
  doc->InitRstChainUnit(unit, 1);
  return 1;
}

MAPAPI LONG WINAPI mapCheckExistenceRstLocation(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? r->Head.LocationSet : 0;
}

MAPAPI LONG WINAPI mapSetRstScale(HMAP hMap, LONG n, double scale) {
  TMapAccess* doc = nullptr;
  RMFCHAIN* unit = UnitOf(hMap, n, &doc);
  if (!unit || !(scale > 0) || !std::isfinite(scale)) return 0;
  unit->Scale = scale;
  unit->Raster()->Scale(scale);
  unit->Raster()->Save();
  doc->InitRstChainUnit(unit, 1);
  return 1;
}

MAPAPI LONG WINAPI mapSetRstPrecision(HMAP hMap, LONG n, double precision) {
  TMapAccess* doc = nullptr;
  RMFCHAIN* unit = UnitOf(hMap, n, &doc);
  if (!unit || !(precision >= 1.0) || !std::isfinite(precision)) return 0;
  doc->SetRstPrecision(n, precision);
  unit->Raster()->Save();
  doc->InitRstChainUnit(unit, 1);
  return 1;
}

MAPAPI LONG WINAPI mapGetRstScale(HMAP hMap, LONG n, double* scale) {
  RMFCHAIN* unit = UnitOf(hMap, n);
  if (!unit || !scale) return 0;
  *scale = unit->Scale;
  return 1;
}

MAPAPI LONG WINAPI mapGetRstPrecision(HMAP hMap, LONG n, double* precision) {
  RMFCHAIN* unit = UnitOf(hMap, n);
  if (!unit || !precision) return 0;
  *precision = unit->Precision;
  return 1;
}

MAPAPI LONG WINAPI mapGetRstMeterInElement(HMAP hMap, LONG n, double* metres) {
  RMFCHAIN* unit = UnitOf(hMap, n);
  if (!unit || !metres) return 0;
  *metres = unit->ElementSize;
  return 1;
}

MAPAPI LONG WINAPI mapGetSizeRstElemInPix(HMAP hMap, LONG n, double* size) {
  TMapAccess* doc = nullptr;
  RMFCHAIN* unit = UnitOf(hMap, n, &doc);
  if (!unit || !size || !(unit->ElementSize > 0) || doc->BaseScale <= 0) return 0;
  *size = doc->PixelsPerMeterV * doc->DrawScale / (doc->BaseScale / unit->ElementSize);
  return 1;
}

MAPAPI LONG WINAPI mapRstElementToPixel(HMAP hMap, LONG n, double value, double* pixels) {
  if (!pixels) return 0;
  TMapAccess* doc = ElementScale(hMap, n);
  if (!doc) return 0;
  *pixels = value * doc->Elem.PixelsPerUnitV;
  return 1;
}

MAPAPI LONG WINAPI mapPixelToRstElement(HMAP hMap, LONG n, double value, double* elements) {
  if (!elements) return 0;
  TMapAccess* doc = ElementScale(hMap, n);
  if (!doc) return 0;
  *elements = value * doc->Elem.UnitsPerPixelV;
  return 1;
}

// ---------------------------------------------------------------------------
// Border

MAPAPI LONG WINAPI mapSetRstBorder(HMAP hMap, LONG n, HOBJ object) {
  TMapAccess* doc = nullptr;
  RMFCHAIN* unit = UnitOf(hMap, n, &doc);
  TObjectInfo* info = TObjectInfo::FromOpenHandle(object);
  if (!unit || !info) return 0;
  TDataEdit plane;
  plane.Init();
  int result = 0;
  if (info->PutDataPlane(&plane) && plane.PointCount(0) >= 4 && plane.GetExclusiveSubject(0))
    result = doc->SetRstBorderPlane(n, &plane);
  plane.Free();
  return result;
}

MAPAPI LONG WINAPI mapGetRstBorder(HMAP hMap, LONG n, HOBJ object) {
  TMapAccess* doc = nullptr;
  RMFCHAIN* unit = UnitOf(hMap, n, &doc);
  TObjectInfo* info = TObjectInfo::FromOpenHandle(object);
  TDataEdit* border = unit ? doc->GetRstBorderPlane(n) : nullptr;
  if (!border || !info || !info->Metric.Record) return 0;
  const RMF& h = unit->File->Head;
  const double size = unit->ElementSize;
  info->DeleteSubject(-1);
  bool ok = true;
  ForBorderPoints(*border, [&](int contour, double column, double row) {
    if (!ok) return;
    if (contour > 0 && info->PolyCount() <= contour && !info->CreateSubject()) ok = false;
    const double x = (h.Height - RmfTruncate(row)) * size + unit->Frame.X1;
    const double y = RmfTruncate(column) * size + unit->Frame.Y1;
    if (ok && !info->AppendPointPlane(x, y, contour)) ok = false;
  });
  return ok ? 1 : 0;
}

MAPAPI LONG WINAPI mapDeleteRstBorder(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  if (!r) return 0;
  r->DeleteBorder();
  r->Save();
  return 1;
}

MAPAPI LONG WINAPI mapCheckExistenceRstBorder(HMAP hMap, LONG n) {
  TMapAccess* doc = nullptr;
  return UnitOf(hMap, n, &doc) && doc->GetRstBorderPlane(n) ? 1 : 0;
}

MAPAPI LONG WINAPI mapGetImmediatePointOfRstBorder(HMAP hMap, LONG n, const DOUBLEPOINT* point,
                                                   DOUBLEPOINT* nearest) {
  RMFCHAIN* unit = UnitOf(hMap, n);
  if (!unit || !point || !nearest) return 0;
  const auto place = [unit](double c, double r) { return BorderPointMeters(unit, c, r); };
  return NearestBorderPoint(unit, unit->File->Border, place, *point, nearest) ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Elements and blocks

MAPAPI LONG WINAPI mapGetRstPoint(HMAP hMap, LONG n, LONG* value, LONG row, LONG column) {
  const RMFCHAIN* unit = RasterUnit(DocumentHere(hMap), n);
  TRst* r = unit ? unit->Raster() : nullptr;
  if (!r || !value) return 0;
  return r->GetPoint(*value, row, column) ? 1 : 0;
}

MAPAPI LONG WINAPI mapPutRstPoint(HMAP hMap, LONG n, LONG value, LONG row, LONG column) {
  TRst* r = RasterOf(hMap, n);
  return r && r->IsWritable() ? r->PutPoint(value, row, column) : 0;
}

MAPAPI LONG WINAPI mapGetRstPlanePoint(HMAP hMap, LONG n, LONG* value, double x, double y) {
  TRst* r = RasterOf(hMap, n);
  if (!r || !value) return 0;
  LONG v = 0;
  const int result = r->GetPlanePoint(v, x, y);
  *value = v;
  return result ? 1 : 0;
}

MAPAPI LONG WINAPI mapGetRstPlanePointTriangle(HMAP hMap, LONG n, LONG* value, double x,
                                               double y) {
  TRst* r = RasterOf(hMap, n);
  if (!r || !value) return 0;
  double h = 0;
  if (!r->GetPlanePointTriangle(h, x, y)) return 0;
  *value = h < 0 ? 0 : RmfTruncate(h);
  return 1;
}

MAPAPI LONG WINAPI mapPutRstPlanePoint(HMAP hMap, LONG n, LONG value, double x, double y) {
  TRst* r = RasterOf(hMap, n);
  return r && r->IsWritable() ? r->PutPlanePoint(value, x, y) : 0;
}

MAPAPI LONG WINAPI mapGetRstWidth(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? r->Head.Width : 0;
}

MAPAPI LONG WINAPI mapGetRstHeight(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? r->Head.Height : 0;
}

MAPAPI LONG WINAPI mapGetRstLength(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? LONG(r->Head.Length) : 0;
}

MAPAPI LONG WINAPI mapGetRstElementSize(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? r->Head.BitsPerElement : 0;
}

MAPAPI LONG WINAPI mapGetRstBlockCount(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? r->BlockCount() : 0;
}

MAPAPI LONG WINAPI mapGetRstBlockRow(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? r->Head.BlockRows : 0;
}

MAPAPI LONG WINAPI mapGetRstBlockColumn(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? r->Head.BlockColumns : 0;
}

MAPAPI LONG WINAPI mapGetRstBlockSize(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? LONG(r->FullBlockSize()) : 0;
}

MAPAPI LONG WINAPI mapGetRstBlockWidth(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? r->Head.BlockWidth : 0;
}

MAPAPI LONG WINAPI mapGetRstBlockHeight(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? r->Head.BlockHeight : 0;
}

MAPAPI LONG WINAPI mapGetRstCurrentBlockSize(HMAP hMap, LONG n, LONG row, LONG column) {
  TRst* r = RasterOf(hMap, n);
  return r && BlockNumber(r, row, column) >= 0 ? r->BlockRawLength(row, column) : 0;
}

MAPAPI LONG WINAPI mapGetRstCurrentBlockWidth(HMAP hMap, LONG n, LONG column) {
  TRst* r = RasterOf(hMap, n);
  return r && BlockNumber(r, 0, column) >= 0 ? r->BlockWidth(column) : 0;
}

MAPAPI LONG WINAPI mapGetRstCurrentBlockHeight(HMAP hMap, LONG n, LONG row) {
  TRst* r = RasterOf(hMap, n);
  return r && BlockNumber(r, row, 0) >= 0 ? r->BlockHeight(row) : 0;
}

MAPAPI char* WINAPI mapGetRstBlock(HMAP hMap, LONG n, LONG row, LONG column) {
  TRst* r = RasterOf(hMap, n);
  return r ? reinterpret_cast<char*>(r->GetBlockAddress(row, column)) : nullptr;
}

MAPAPI char* WINAPI mapGetRstBlockAndCreate(HMAP hMap, LONG n, LONG row, LONG column) {
  TRst* r = RasterOf(hMap, n);
  return r ? reinterpret_cast<char*>(r->GetBlockAddressAndCreate(row, column)) : nullptr;
}

MAPAPI LONG WINAPI mapSetBlockCacheSize(LONG megabytes) {
  const int64_t before = TRmf::CacheLimit(megabytes < 0 ? -1 : int64_t(megabytes) << 20);
  return LONG(std::min<int64_t>(before >> 20, 0x7FFFFFFF));
}

MAPAPI LONG WINAPI mapWriteRstBlock(HMAP hMap, LONG n, LONG row, LONG column, const char* data,
                                    LONG size) {
  TRst* r = RasterOf(hMap, n);
  return r && data && size > 0 ? r->WriteBlock(row, column, data, size) : 0;
}

MAPAPI LONG WINAPI mapPutRstBlockByMask(HMAP hMap, LONG n, LONG row, LONG column, LONG value,
                                        const char* mask, LONG size, LONG width, LONG height) {
  TRst* r = RasterOf(hMap, n);
  return r ? r->PutBlockByMask(row, column, mask, size, width, height, value) : 0;
}

MAPAPI LONG WINAPI mapPutRstFrame(HMAP hMap, LONG n, const char* bits, LONG left, LONG top,
                                  LONG width, LONG height) {
  TRst* r = RasterOf(hMap, n);
  return r && bits ? r->PutFrame(bits, left, top, width, height, 1, 0) : 0;
}

MAPAPI LONG WINAPI mapGetRstFrame(HMAP hMap, LONG n, char* bits, LONG left, LONG top, LONG width,
                                  LONG height) {
  TRst* r = RasterOf(hMap, n);
  return r && bits ? r->GetFrame(bits, left, top, width, height, 0) : 0;
}

MAPAPI LONG WINAPI mapGetRstFrameTurn(HMAP hMap, LONG n, COLORREF* bits, LONG width, LONG height,
                                      double row1, double column1, double row2, double column2) {
  TRst* r = RasterOf(hMap, n);
  return r && bits ? r->GetFrameTurn(bits, width, height, row1, column1, row2, column2) : 0;
}

MAPAPI LONG WINAPI mapSaveRst(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? r->Save(1) : 0;
}

MAPAPI LONG WINAPI mapCheckRstEdit(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r && r->IsWritable() ? LONG(r->Access & GENERIC_WRITE) : 0;
}

MAPAPI LONG WINAPI mapCheckRstCompressNumber(HMAP hMap, LONG n) {
  TRst* r = RasterOf(hMap, n);
  return r ? r->Head.Compression : 0;
}

MAPAPI LONG WINAPI mapCheckRstBlockExistence(HMAP hMap, LONG n, LONG index) {
  TRst* r = RasterOf(hMap, n);
  if (!r || index < 0 || index >= r->BlockCount()) return 0;
  return r->BlockPosition(index) && r->BlockLength(index) ? 1 : 0;
}

MAPAPI LONG WINAPI mapCheckRstBlockVisible(HMAP hMap, LONG n, LONG index) {
  TRst* r = RasterOf(hMap, n);
  if (!r || index < 0 || index >= r->BlockCount()) return 0;
  return r->BlockFlag(index);
}

MAPAPI LONG WINAPI mapBuildRstBlockMask(HMAP hMap, LONG n, char* mask, LONG size, LONG row,
                                        LONG column) {
  TRst* r = RasterOf(hMap, n);
  if (!r || !mask || size <= 0) return 0;
  const int number = BlockNumber(r, row, column);
  if (number < 0) return 0;
  // Rows of whole 32-bit words, as the mask painter writes them.
  const int64_t rowBytes = (int64_t(r->Head.BlockWidth) + 31) / 32 * 4;
  const int64_t bytes = rowBytes * r->Head.BlockHeight;
  switch (r->BlockFlag(number)) {
    case 2: {
      if (size < bytes) return 0;
      // Painted into the file's own (aligned) block mask, then copied.
      const POLYDATA* part = r->GetBorderMetric(row, column);
      if (part && r->Mask && r->MaskSize >= bytes &&
          PaintObjectToMask(part, reinterpret_cast<DWORD*>(r->Mask), int(rowBytes * 8),
                            r->Head.BlockHeight)) {
        std::memcpy(mask, r->Mask, size_t(bytes));
        return 1;
      }
      std::memset(mask, 0xFF, size_t(bytes));
      return 1;
    }
    case 0:
      std::memset(mask, 0x00, size_t(size));
      return 1;
    case 1:
      std::memset(mask, 0xFF, size_t(size));
      return 1;
    default:
      return 0;
  }
}
