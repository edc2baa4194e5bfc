// Elevation and quality matrices for a host: each function checks its map
// handle (a live document) and forwards to the document's matrix methods,
// to the chain operations or to the matrix file.
#include "api/mtr_api.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "common/libload.h"
#include "document/mapaccess.h"
#include "document/rmfchains.h"
#include "document/rmfheights.h"
#include "objects/objectinfo.h"
#include "raster/mtr.h"
#include "raster/chainborder.h"
#include "raster/rmfchain.h"

namespace {

// The entry of the matrix builder in the sibling matrix library.
constexpr const char* kBuildEntry = "mtrBuildMatrix";
using BuildEntry = LONG (*)(HMAP, const char*, LONG, BUILDMTW*, LONG);

CHAININFO* ChainOf(TMapAccess* doc, int kind) { return doc ? DocChain(doc, kind) : nullptr; }

// Elevation or quality matrix n in the document of a handle, or null.
RMFCHAIN* Mtr(HMAP hMap, LONG n, TMapAccess** docOut = nullptr) {
  TMapAccess* doc = DocumentOf(hMap);
  if (docOut) *docOut = doc;
  return doc ? doc->GetChain(n) : nullptr;
}
RMFCHAIN* Mtq(HMAP hMap, LONG n, TMapAccess** docOut = nullptr) {
  TMapAccess* doc = DocumentOf(hMap);
  if (docOut) *docOut = doc;
  return doc ? doc->GetMtqChain(n) : nullptr;
}

// A description record of length 128 holding bytes 4..71 of the caller's.
BUILDMTW CleanCopy(const BUILDMTW* parm) {
  BUILDMTW copy;
  std::memset(&copy, 0, sizeof(copy));
  std::memcpy(reinterpret_cast<BYTE*>(&copy) + 4, reinterpret_cast<const BYTE*>(parm) + 4, 68);
  copy.Length = sizeof(BUILDMTW);
  return copy;
}

// A new document holding the matrix that `make` creates under the name
// and then closes: its handle, or 0 with nothing left behind.
template <class Make>
HMAP CreateDocument(const char* name, DWORD kind, Make make) {
  TMapAccess* doc = NewDocument();
  if (doc == nullptr) return 0;
  std::unique_ptr<TMtr> file(new (std::nothrow) TMtr());
  bool ok = file && make(file.get()) != 0;
  if (file) file->Close(1);
  file.reset();
  if (ok) ok = (kind == RMF_MTQ ? doc->OpenMtq(name, 0) : doc->OpenMtr(name, 0)) != 0;
  if (!ok) {
    FreeDocument(doc);
    return 0;
  }
  return HandleOf(doc);
}

HMAP OpenDocument(const char* name, LONG mode, int kind) {
  if (name == nullptr) return 0;
  TMapAccess* doc = NewDocument();
  if (doc == nullptr) return 0;
  if (!(kind == DOCKIND_MTQ ? doc->OpenMtq(name, mode) : doc->OpenMtr(name, mode))) {
    FreeDocument(doc);
    return 0;
  }
  return HandleOf(doc);
}

// A border point (column, row) in metres, cut to whole elements.
DOUBLEPOINT BorderPointCut(const RMFCHAIN* unit, double column, double row) {
  return BorderPointPlane(unit, std::trunc(column), std::trunc(row));
}

LONG PutFrame(RMFCHAIN* unit, const char* buffer, LONG left, LONG top, LONG width, LONG height,
              LONG upward, bool widenRange) {
  if (!unit || !buffer || width < 1 || height < 1) return 0;
  const int direction = upward ? -1 : 1;
  TRmf* file = unit->File;
  if (!file->PutFrame(buffer, left, top, width, height, direction, 0)) return 0;
  if (!widenRange) return 1;
  // The range widens by what was stored: the rectangle cut to the matrix,
  // whose first row and column are the buffer's first (rows of `width`
  // elements).
  const RMF& h = file->Head;
  const int64_t rows = std::min<int64_t>(int64_t(top) + height, h.Height) - std::max<LONG>(top, 0);
  const int64_t columns =
      std::min<int64_t>(int64_t(left) + width, h.Width) - std::max<LONG>(left, 0);
  const int64_t stride = int64_t(width) * (h.BitsPerElement / 8);
  for (int64_t i = 0; i < rows && columns > 0; ++i)
    file->UpdateMinMax(buffer + i * stride * direction, int(columns), 1, 1);
  return 1;
}

// Colour step i in the older record order.
LONG OldColorDesc(int ok, const MTRCOLORDESCEX& step, MTRCOLORDESC* desc) {
  if (!ok) return 0;
  desc->Color = step.Color;
  desc->Low = step.Low;
  desc->High = step.High;
  return 1;
}

// The colours per unit of a quality matrix after its colours changed.
void QualityColorScale(RMFCHAIN* unit) {
  unit->ColorsPerUnit =
      unit->Colors.GetCount() / std::max(unit->RangeHigh - unit->RangeLow, 1e-10);
}

}  // namespace

// ---------------------------------------------------------------------------
// Building from vector data

MAPAPI LONG WINAPI mapBuildMtw(HMAP hMap, const char* name, LONG mode, BUILDMTW* parm,
                               LONG parameter) {
  HMODULE lib = nullptr;
  FARPROC proc = LoadLibraryFunction(MAPLIB_MATRIX, &lib, kBuildEntry, 1);
  if (!proc) return 0;
  const LONG result = plat::EntryAs<BuildEntry>(proc)(hMap, name, mode, parm, parameter);
  FreeLibraryModule(lib);
  return result;
}

MAPAPI LONG WINAPI mapBuildMtrEx(HMAP hMap, const char* name, LONG mode, BUILDMTW* parm,
                                 LONG parameter) {
  if (!hMap || !name || !parm) return 0;
  BUILDMTW copy = CleanCopy(parm);
  return mapBuildMtw(hMap, name, mode, &copy, parameter);
}

MAPAPI LONG WINAPI mapBuildMtr(HMAP hMap, const char* name, const LONG* parm, LONG parameter) {
  if (!hMap || !name || !parm) return 0;
  BYTE record[sizeof(BUILDMTW)] = {};
  const LONG length = sizeof(BUILDMTW), four = 4;
  std::memcpy(record, &length, 4);
  std::memcpy(record + 4, parm, 40);
  std::memcpy(record + 44, &four, 4);
  std::memcpy(record + 52, parm + 10, 4);
  BUILDMTW full;
  std::memcpy(&full, record, sizeof(full));
  return mapBuildMtrEx(hMap, name, 0, &full, parameter);
}

// ---------------------------------------------------------------------------
// Documents

MAPAPI HMAP WINAPI mapOpenMtr(const char* name, LONG mode) {
  return OpenDocument(name, mode, DOCKIND_MTR);
}

MAPAPI HMAP WINAPI mapOpenMtq(const char* name, LONG mode) {
  return OpenDocument(name, mode, DOCKIND_MTQ);
}

MAPAPI void WINAPI mapCloseMtr(HMAP hMap, LONG number) {
  if (TMapAccess* doc = DocumentOf(hMap)) doc->CloseMtr(number);
}

MAPAPI void WINAPI mapCloseMtq(HMAP hMap, LONG number) {
  if (TMapAccess* doc = DocumentOf(hMap)) doc->CloseMtq(number);
}

MAPAPI HMAP WINAPI mapCreateMtw(const char* name, BUILDMTW* parm, MTRPROJECTIONDATA* proj) {
  if (!name || !parm) return 0;
  return CreateDocument(name, RMF_MTW,
                        [&](TMtr* file) { return file->Create(name, parm, proj, 1); });
}

MAPAPI HMAP WINAPI mapCreateMtr(const char* name, BUILDMTW* parm) {
  if (!name || !parm) return 0;
  BUILDMTW copy = CleanCopy(parm);
  return mapCreateMtw(name, &copy, nullptr);
}

MAPAPI HMAP WINAPI mapCreateMtrEx(const char* name, BUILDMTW* parm, MTRPROJECTIONDATA* proj) {
  if (!name || !parm || !proj) return 0;
  BUILDMTW copy = CleanCopy(parm);
  return mapCreateMtw(name, &copy, proj);
}

MAPAPI HMAP WINAPI mapCreateMtq(const char* name, BUILDMTW* parm, MTRPROJECTIONDATA* proj,
                                const COLORREF* colors, LONG count) {
  if (!name || !parm || !proj) return 0;
  parm->Creator = 1;
  return CreateDocument(name, RMF_MTQ, [&](TMtr* file) {
    return file->CreateMtq(name, parm, proj, colors, count);
  });
}

MAPAPI HMAP WINAPI mapCreateMtqEx(const char* name, BUILDMTW* parm, MTRPROJECTIONDATA* proj,
                                  const COLORREF* colors, LONG count) {
  if (!parm) return 0;
  BUILDMTW copy = CleanCopy(parm);
  return mapCreateMtq(name, &copy, proj, colors, count);
}

// ---------------------------------------------------------------------------
// Chains and view

MAPAPI LONG WINAPI mapGetMtrCount(HMAP hMap) {
  CHAININFO* chain = ChainOf(DocumentOf(hMap), DOCKIND_MTR);
  return chain ? chain->Count : 0;
}

MAPAPI LONG WINAPI mapGetMtqCount(HMAP hMap) {
  CHAININFO* chain = ChainOf(DocumentOf(hMap), DOCKIND_MTQ);
  return chain ? chain->Count : 0;
}

MAPAPI const char* WINAPI mapGetMtrName(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtrName(number) : nullptr;
}

MAPAPI const char* WINAPI mapGetMtqName(HMAP hMap, LONG number) {
  CHAININFO* chain = ChainOf(DocumentOf(hMap), DOCKIND_MTQ);
  return chain ? GetChainName(chain, number) : nullptr;
}

MAPAPI LONG WINAPI mapGetMtrView(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CheckMtrView(number) : 0;
}

MAPAPI LONG WINAPI mapSetMtrView(HMAP hMap, LONG number, LONG view) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->SetMtrView(number, view) : 0;
}

MAPAPI LONG WINAPI mapGetMtqView(HMAP hMap, LONG number) {
  CHAININFO* chain = ChainOf(DocumentOf(hMap), DOCKIND_MTQ);
  return chain ? CheckChainView(chain, number) : 0;
}

MAPAPI LONG WINAPI mapSetMtqView(HMAP hMap, LONG number, LONG view) {
  CHAININFO* chain = ChainOf(DocumentOf(hMap), DOCKIND_MTQ);
  return chain ? SetChainView(chain, number, view) : 0;
}

MAPAPI LONG WINAPI mapGetMtrViewOrder(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? std::max(doc->MtrViewOrder(number, -1), 0) : 0;
}

MAPAPI LONG WINAPI mapSetMtrViewOrder(HMAP hMap, LONG number, LONG order) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? std::max(doc->MtrViewOrder(number, order ? 1 : 0), 0) : 0;
}

MAPAPI LONG WINAPI mapGetMtqViewOrder(HMAP hMap, LONG number) {
  return std::max(ChainViewOrder(ChainOf(DocumentOf(hMap), DOCKIND_MTQ), number, -1), 0);
}

MAPAPI LONG WINAPI mapSetMtqViewOrder(HMAP hMap, LONG number, LONG order) {
  return std::max(ChainViewOrder(ChainOf(DocumentOf(hMap), DOCKIND_MTQ), number, order ? 1 : 0),
                  0);
}

MAPAPI LONG WINAPI mapGetMtrShadow(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtrShadow() : 0;
}

MAPAPI LONG WINAPI mapSetMtrShadow(HMAP hMap, LONG value) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->SetMtrShadow(value) : 0;
}

MAPAPI LONG WINAPI mapGetMtqShadow(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtqShadow(number) : 0;
}

MAPAPI LONG WINAPI mapSetMtqShadow(HMAP hMap, LONG number, LONG value) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->SetMtqShadow(number, value) : 0;
}

MAPAPI LONG WINAPI mapGetMtrRangeScaleVisible(HMAP hMap, LONG number, LONG* bottom, LONG* top) {
  return GetUnitScaleRange(Mtr(hMap, number), bottom, top);
}

MAPAPI LONG WINAPI mapSetMtrRangeScaleVisible(HMAP hMap, LONG number, LONG bottom, LONG top) {
  return SetUnitScaleRange(Mtr(hMap, number), bottom, top);
}

MAPAPI LONG WINAPI mapShowMtrByBorder(HMAP hMap, LONG number, LONG on) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->ShowMtrByBorder(number, on) : 0;
}

MAPAPI LONG WINAPI mapCheckShowMtrByBorder(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CheckShowMtrByBorder(number) : 0;
}

MAPAPI LONG WINAPI mapGetMtrDescribe(HMAP hMap, LONG number, MTRDESCRIBE* describe) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtrDescribe(number, describe) : 0;
}

MAPAPI LONG WINAPI mapGetMtqDescribe(HMAP hMap, LONG number, MTRDESCRIBE* describe) {
  return GetChainDescribe(ChainOf(DocumentOf(hMap), DOCKIND_MTQ), number, describe);
}

MAPAPI LONG WINAPI mapGetMtrProjectionData(HMAP hMap, LONG number, MTRPROJECTIONDATA* data) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtrProjectionData(number, data) : 0;
}

MAPAPI LONG WINAPI mapGetMtqProjectionData(HMAP hMap, LONG number, MTRPROJECTIONDATA* data) {
  return GetChainProjectionData(ChainOf(DocumentOf(hMap), DOCKIND_MTQ), number, data);
}

MAPAPI LONG WINAPI mapGetMtrNumberInPoint(HMAP hMap, double x, double y, LONG k) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtrNumberInPoint(x, y, k) : 0;
}

// ---------------------------------------------------------------------------
// Heights and values

MAPAPI double WINAPI mapGetHeightValue(HMAP hMap, double x, double y) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetHeightValue(x, y) : MTL_NO_HEIGHT;
}

MAPAPI double WINAPI mapGetHeightValueOfMtr(HMAP hMap, LONG number, double x, double y) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetHeightValue(int(number), x, y) : MTL_NO_HEIGHT;
}

MAPAPI double WINAPI mapGetPrecisionHeightValue(HMAP hMap, double x, double y) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetPrecisionHeightValue(x, y) : MTL_NO_HEIGHT;
}

MAPAPI double WINAPI mapGetPrecisionHeightTriangle(HMAP hMap, double x, double y) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetPrecisionHeightTriangle(x, y) : MTL_NO_HEIGHT;
}

MAPAPI LONG WINAPI mapGetHeightArray(HMAP hMap, double* heights, LONG count, DOUBLEPOINT* first,
                                     DOUBLEPOINT* last) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc || !heights || !first || !last) return 0;
  return doc->GetHeightArray(heights, count, first, last);
}

MAPAPI LONG WINAPI mapPutHeightValue(HMAP hMap, LONG number, double x, double y, double height) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->PutHeightValue(number, x, y, height) : 0;
}

MAPAPI double WINAPI mapGetMtqValue(HMAP hMap, LONG number, double x, double y) {
  RMFCHAIN* unit = Mtq(hMap, number);
  double value = MTL_NO_HEIGHT;
  return unit && GetUnitHeight(unit, &value, x, y) ? value : MTL_NO_HEIGHT;
}

MAPAPI LONG WINAPI mapPutMtqValue(HMAP hMap, LONG number, double x, double y, double value) {
  return PutChainHeight(ChainOf(DocumentOf(hMap), DOCKIND_MTQ), number, x, y, value);
}

// ---------------------------------------------------------------------------
// Colours of the elevation matrices

MAPAPI LONG WINAPI mapGetMtrPaletteCount(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->MtrPalette.GetPaletteCount() : 0;
}

MAPAPI LONG WINAPI mapGetMtrPalette(HMAP hMap, COLORREF* colors, LONG count) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc || !colors || count < 2) return 0;
  const int n = std::min<int>(count, doc->MtrPalette.GetPaletteCount());
  for (int i = 0; i < n; ++i) colors[i] = doc->MtrPalette.Colors()[i];
  return 1;
}

MAPAPI LONG WINAPI mapGetMtrStandardPalette(HMAP hMap, COLORREF* colors, LONG count) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc || !colors || count < 2) return 0;
  const int n = std::min<int>(count, doc->MtrPalette.GetPaletteCount());
  for (int i = 0; i < n; ++i) colors[i] = doc->MtrPalette.GetColor(i);
  return 1;
}

MAPAPI LONG WINAPI mapSetMtrPalette(HMAP hMap, const COLORREF* colors, LONG count) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc || !colors || count < 2) return 0;
  if (!doc->MtrPalette.InitBaseColors(colors, std::min<int>(count, 256))) return 0;
  // The matrices map their heights onto the new count of colours.
  SetMtrColorRanges(doc);
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapGetMtrBright(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->MtrPalette.GetBright() : 0;
}

MAPAPI LONG WINAPI mapGetMtrContrast(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->MtrPalette.GetContrast() : 0;
}

MAPAPI LONG WINAPI mapGetMtrColorStyle(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->MtrPalette.GetColorStyle() : 0;
}

MAPAPI LONG WINAPI mapSetMtrBright(HMAP hMap, LONG bright) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc) return 0;
  doc->MtrPalette.SetBright(bright);
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapSetMtrContrast(HMAP hMap, LONG contrast) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc) return 0;
  doc->MtrPalette.SetContrast(contrast);
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapSetMtrColorStyle(HMAP hMap, LONG style) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc) return 0;
  doc->MtrPalette.Style(style);
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapGetMtrColorDescEx(HMAP hMap, LONG number, LONG index,
                                        MTRCOLORDESCEX* desc) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtrColorDesc(number, index, desc) : 0;
}

MAPAPI LONG WINAPI mapGetMtrColorDesc(HMAP hMap, LONG number, LONG index, MTRCOLORDESC* desc) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc || !desc) return 0;
  MTRCOLORDESCEX step{};
  return OldColorDesc(doc->GetMtrColorDesc(number, index, &step), step, desc);
}

MAPAPI COLORREF WINAPI mapSetMtrColor(HMAP hMap, LONG number, LONG index, COLORREF color) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc || !doc->SetMtrColor(number, color, index)) return 0;
  doc->SetupPalette();
  return doc->MtrPalette.GetColor(index);
}

// ---------------------------------------------------------------------------
// Colours of the quality matrices

MAPAPI LONG WINAPI mapGetMtqPaletteCount(HMAP hMap, LONG number) {
  return GetChainColorCount(Mtq(hMap, number));
}

MAPAPI LONG WINAPI mapGetMtqPalette(HMAP hMap, COLORREF* colors, LONG count, LONG number) {
  RMFCHAIN* unit = Mtq(hMap, number);
  if (!unit || !colors || count < 2 || count > 256) return 0;
  const int have = unit->Colors.GetCount();
  for (int i = 0; i < count; ++i) colors[i] = i < have ? unit->Colors.Colors()[i] : 0;
  return 1;
}

MAPAPI LONG WINAPI mapGetMtqStandardPalette(HMAP hMap, COLORREF* colors, LONG count,
                                            LONG number) {
  RMFCHAIN* unit = Mtq(hMap, number);
  if (!unit || !colors || count < 2 || count > 256) return 0;
  for (int i = 0; i < count; ++i) colors[i] = unit->Colors.GetColor(i);
  return 1;
}

MAPAPI LONG WINAPI mapSetMtqPalette(HMAP hMap, const COLORREF* colors, LONG count, LONG number) {
  TMapAccess* doc;
  RMFCHAIN* unit = Mtq(hMap, number, &doc);
  if (!unit || !colors || count < 2) return 0;
  if (!unit->Colors.InitBaseColors(colors, std::min<int>(count, 256))) return 0;
  QualityColorScale(unit);
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapGetMtqBright(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtq(hMap, number);
  return unit ? unit->Colors.GetBright() : 0;
}

MAPAPI LONG WINAPI mapGetMtqContrast(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtq(hMap, number);
  return unit ? unit->Colors.GetContrast() : 0;
}

MAPAPI LONG WINAPI mapSetMtqBright(HMAP hMap, LONG number, LONG bright) {
  TMapAccess* doc;
  RMFCHAIN* unit = Mtq(hMap, number, &doc);
  if (!unit) return 0;
  unit->Colors.SetBright(bright);
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapSetMtqContrast(HMAP hMap, LONG number, LONG contrast) {
  TMapAccess* doc;
  RMFCHAIN* unit = Mtq(hMap, number, &doc);
  if (!unit) return 0;
  unit->Colors.SetContrast(contrast);
  doc->SetupPalette();
  return 1;
}

MAPAPI LONG WINAPI mapGetMtqColorDescEx(HMAP hMap, LONG number, LONG index,
                                        MTRCOLORDESCEX* desc) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtqColorDesc(number, index, desc) : 0;
}

MAPAPI LONG WINAPI mapGetMtqColorDesc(HMAP hMap, LONG number, LONG index, MTRCOLORDESC* desc) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc || !desc) return 0;
  MTRCOLORDESCEX step{};
  return OldColorDesc(doc->GetMtqColorDesc(number, index, &step), step, desc);
}

MAPAPI LONG WINAPI mapSetMtqColor(HMAP hMap, LONG number, LONG index, COLORREF color) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc || !doc->SetMtqColor(number, index, color)) return 0;
  doc->SetupPalette();
  return 1;
}

// ---------------------------------------------------------------------------
// Elements, header and blocks

MAPAPI LONG WINAPI mapGetMtrFrame(HMAP hMap, LONG number, char* buffer, LONG left, LONG top,
                                  LONG width, LONG height) {
  RMFCHAIN* unit = Mtr(hMap, number);
  if (!unit || !buffer || width < 1 || height < 1) return 0;
  return unit->File->GetFrame(buffer, left, top, width, height, 0) ? 1 : 0;
}

MAPAPI LONG WINAPI mapPutMtrFrame(HMAP hMap, LONG number, const char* buffer, LONG left, LONG top,
                                  LONG width, LONG height, LONG upward) {
  return PutFrame(Mtr(hMap, number), buffer, left, top, width, height, upward, true);
}

MAPAPI LONG WINAPI mapPutMtqFrame(HMAP hMap, LONG number, const char* buffer, LONG left, LONG top,
                                  LONG width, LONG height, LONG upward) {
  return PutFrame(Mtq(hMap, number), buffer, left, top, width, height, upward, false);
}

MAPAPI LONG WINAPI mapGetActualMtrFrame(HMAP hMap, DFRAME* frame, LONG number) {
  return ActualUnitFrame(Mtr(hMap, number), frame);
}

MAPAPI LONG WINAPI mapGetActualMtqFrame(HMAP hMap, DFRAME* frame, LONG number) {
  return ActualUnitFrame(Mtq(hMap, number), frame);
}

MAPAPI LONG WINAPI mapSetMtrShowRange(HMAP hMap, LONG number, double low, double high) {
  RMFCHAIN* unit = Mtr(hMap, number);
  if (!unit) return 0;
  RMF& head = unit->File->Head;
  head.Minimum = low * unit->File->HeightFactor;
  head.Maximum = high * unit->File->HeightFactor;
  unit->File->HeadChanged = 1;
  return 1;
}

MAPAPI LONG WINAPI mapSetMtqShowRange(HMAP hMap, LONG number, double low, double high) {
  RMFCHAIN* unit = Mtq(hMap, number);
  if (!unit) return 0;
  unit->File->Head.Minimum = low;
  unit->File->Head.Maximum = high;
  unit->File->HeadChanged = 1;
  return 1;
}

MAPAPI LONG WINAPI mapSetMtrUserName(HMAP hMap, LONG number, const char* name) {
  RMFCHAIN* unit = Mtr(hMap, number);
  if (!unit || !name) return 0;
  char* field = unit->File->Head.Name;
  std::memset(field, 0, sizeof(unit->File->Head.Name));
  std::memcpy(field, name, strnlen(name, sizeof(unit->File->Head.Name)));
  unit->File->HeadChanged = 1;
  return 1;
}

MAPAPI LONG WINAPI mapGetMtrScale(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtr(hMap, number);
  return unit ? WholeScale(unit->File->Head.Scale) : 0;
}

MAPAPI LONG WINAPI mapGetMtqScale(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtq(hMap, number);
  return unit ? WholeScale(unit->File->Head.Scale) : 0;
}

MAPAPI LONG WINAPI mapGetMtrMeasure(HMAP hMap, LONG number) {
  TMapAccess* doc;
  RMFCHAIN* unit = Mtr(hMap, number, &doc);
  if (!doc) return 0;
  return unit ? unit->File->Head.HeightUnit : -1;
}

MAPAPI LONG WINAPI mapGetMtrMapType(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtr(hMap, number);
  return unit ? unit->File->Head.ProjectionWord : 0;
}

MAPAPI LONG WINAPI mapGetMtrElementRow(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtr(hMap, number);
  return unit ? unit->File->Head.Height : 0;
}

MAPAPI LONG WINAPI mapGetMtrElementColumn(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtr(hMap, number);
  return unit ? unit->File->Head.Width : 0;
}

MAPAPI LONG WINAPI mapGetMtrElementSize(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtr(hMap, number);
  return unit ? unit->File->Head.BitsPerElement / 8 : 0;
}

MAPAPI LONG WINAPI mapGetMtqElementSize(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtq(hMap, number);
  return unit ? unit->File->Head.BitsPerElement / 8 : 0;
}

MAPAPI LONG WINAPI mapGetMtrBlockSize(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtr(hMap, number);
  if (!unit) return 0;
  const int64_t size = unit->File->FullBlockSize();
  return size > 0 && size <= 0x7FFFFFFF ? LONG(size) : 0;
}

MAPAPI LONG WINAPI mapGetMtrBlockSide(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtr(hMap, number);
  return unit ? unit->File->Head.BlockHeight : 0;
}

MAPAPI LONG WINAPI mapGetMtrBlockWidth(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtr(hMap, number);
  return unit ? unit->File->Head.BlockWidth : 0;
}

MAPAPI LONG WINAPI mapGetMtrBlockRow(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtr(hMap, number);
  return unit ? unit->File->Head.BlockRows : 0;
}

MAPAPI LONG WINAPI mapGetMtrBlockColumn(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtr(hMap, number);
  return unit ? unit->File->Head.BlockColumns : 0;
}

MAPAPI char* WINAPI mapGetMtrBlockAddress(HMAP hMap, LONG number, LONG row, LONG column) {
  RMFCHAIN* unit = Mtr(hMap, number);
  return unit ? reinterpret_cast<char*>(unit->File->GetBlockAddress(row, column)) : nullptr;
}

// ---------------------------------------------------------------------------
// Border

MAPAPI LONG WINAPI mapSetMtrBorder(HMAP hMap, LONG number, HOBJ info) {
  TMapAccess* doc;
  if (!Mtr(hMap, number, &doc)) return 0;
  return BorderFromObject(TObjectInfo::FromOpenHandle(info), [&](TDataEdit* plane) {
    return doc->SetMtrBorderPlane(number, plane);
  });
}

MAPAPI LONG WINAPI mapGetMtrBorder(HMAP hMap, LONG number, HOBJ info) {
  TMapAccess* doc;
  RMFCHAIN* unit = Mtr(hMap, number, &doc);
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  TDataEdit* border = unit ? doc->GetMtrBorderPlane(number) : nullptr;
  if (!unit || !object || !border) return 0;
  const auto place = [unit](double c, double r) { return BorderPointCut(unit, c, r); };
  return BorderIntoObject(*border, object, place) ? 1 : 0;
}

MAPAPI LONG WINAPI mapDeleteMtrBorder(HMAP hMap, LONG number) {
  RMFCHAIN* unit = Mtr(hMap, number);
  if (!unit) return 0;
  unit->File->DeleteBorder();
  unit->File->Save();
  return 1;
}

MAPAPI LONG WINAPI mapCheckExistenceMtrBorder(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && doc->GetMtrBorderPlane(number) ? 1 : 0;
}

MAPAPI LONG WINAPI mapGetImmediatePointOfMtrBorder(HMAP hMap, LONG number,
                                                   const DOUBLEPOINT* point, DOUBLEPOINT* result) {
  TMapAccess* doc;
  RMFCHAIN* unit = Mtr(hMap, number, &doc);
  TDataEdit* border = unit ? doc->GetMtrBorderPlane(number) : nullptr;
  if (!unit || !border || !point || !result) return 0;
  const auto place = [unit](double c, double r) { return BorderPointCut(unit, c, r); };
  return NearestBorderPoint(unit, *border, place, *point, result) ? 1 : 0;
}
