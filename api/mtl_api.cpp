// Layer matrices for a host: each function checks its map handle (a live
// document) and forwards to the document's layer-matrix methods, or
// touches one value of the unit, its file's header or its layer block.
#include "api/mtl_api.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "common/libload.h"
#include "document/mapaccess.h"
#include "document/mtlchains.h"
#include "document/rmfchains.h"
#include "objects/objectinfo.h"
#include "raster/chainborder.h"

namespace {

// The sibling library that builds layer matrices, and its builder.
constexpr const char* kBuildLibrary = "TORVELSA.DLL";
constexpr const char* kBuildEntry = "mtlBuildMatrix";
using BuildEntry = LONG (*)(HMAP, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);

// Layer matrix n in the document of a handle, or null.
MTLCHAIN* Mtl(HMAP hMap, LONG n, TMapAccess** docOut = nullptr) {
  TMapAccess* doc = DocumentOf(hMap);
  if (docOut) *docOut = doc;
  return doc ? doc->GetMtlChain(n) : nullptr;
}

// Makes the file with `make` on a layer matrix object that is closed
// again at once: true when it was made.
template <class Make>
bool MakeFile(Make make) {
  std::unique_ptr<TMtl> file(new (std::nothrow) TMtl());
  if (!file) return false;
  const bool made = make(*file) != 0;
  file->Close(1);
  return made;
}

// A new document holding the layer matrix of the file, which `make` (when
// given) creates first: its handle, or 0 with no document left behind.
template <class Make>
HMAP OpenInNewDocument(const char* name, LONG mode, Make make) {
  TMapAccess* doc = NewDocument();
  if (!doc) return 0;
  if (!make() || !doc->OpenMtl(name, mode)) {
    FreeDocument(doc);
    return 0;
  }
  return HandleOf(doc);
}

}  // namespace

// ---------------------------------------------------------------------------
// Documents and files

MAPAPI HMAP WINAPI mapOpenMtl(const char* name, LONG mode) {
  if (!name) return 0;
  return OpenInNewDocument(name, mode, [] { return true; });
}

MAPAPI HMAP WINAPI mapCreateMtl(const char* name, MTLBUILDPARM* parm) {
  if (!name || !parm) return 0;
  return OpenInNewDocument(name, 0, [&] {
    return MakeFile([&](TMtl& file) { return file.Create(name, parm); });
  });
}

MAPAPI LONG WINAPI mapCreateAndAppendMtl(HMAP hMap, const char* name, MTLBUILDPARM* parm,
                                         MTRPROJECTIONDATA* proj) {
  TMapAccess* doc = DocumentOf(hMap);
  if (!doc || !name || !parm || !proj) return 0;
  if (!MakeFile([&](TMtl& file) { return file.CreateMtlFileEx(name, parm, proj); })) return 0;
  return doc->OpenMtl(name, 0);
}

MAPAPI LONG WINAPI mapOpenMtlForMap(HMAP hMap, const char* name, LONG mode) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && name ? doc->OpenMtl(name, mode) : 0;
}

MAPAPI void WINAPI mapCloseMtl(HMAP hMap, LONG number) {
  if (TMapAccess* doc = DocumentOf(hMap)) doc->CloseMtl(number);
}

MAPAPI LONG WINAPI mapCloseMtlForMap(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CloseMtl(number) : 0;
}

MAPAPI LONG WINAPI mapSaveMtl(HMAP hMap, LONG number) {
  MTLCHAIN* unit = Mtl(hMap, number);
  return unit ? unit->Matrix.Save(0) : 0;
}

MAPAPI LONG WINAPI mapBuildMtl(HMAP hMap, intptr_t parm1, intptr_t parm2, intptr_t parm3,
                               intptr_t parm4, intptr_t parm5) {
  if (!DocumentOf(hMap)) return 0;
  HMODULE lib = nullptr;
  FARPROC proc = LoadLibraryFunction(kBuildLibrary, &lib, kBuildEntry, 1);
  if (!proc) return 0;
  const LONG result = plat::EntryAs<BuildEntry>(proc)(hMap, parm1, parm2, parm3, parm4, parm5);
  FreeLibraryModule(lib);
  return result;
}

// ---------------------------------------------------------------------------
// Chain and view

MAPAPI LONG WINAPI mapGetMtlCount(HMAP hMap) {
  MTLCHAININFO* chain = MtlChain(DocumentOf(hMap));
  return chain ? chain->Count : 0;
}

MAPAPI const char* WINAPI mapGetMtlName(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtlName(number) : nullptr;
}

MAPAPI LONG WINAPI mapGetMtlDescribe(HMAP hMap, LONG number, MTLDESCRIBE* describe) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtlDescribe(number, describe) : 0;
}

MAPAPI LONG WINAPI mapGetMtlProjectionData(HMAP hMap, LONG number, MTRPROJECTIONDATA* data) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtlProjectionData(number, data) : 0;
}

MAPAPI LONG WINAPI mapGetMtlView(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CheckMtlView(number) : 0;
}

MAPAPI LONG WINAPI mapSetMtlView(HMAP hMap, LONG number, LONG view) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->SetMtlView(number, view) : 0;
}

MAPAPI LONG WINAPI mapGetMtlViewOrder(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? std::max(doc->MtlViewOrder(number, -1), 0) : 0;
}

MAPAPI LONG WINAPI mapSetMtlViewOrder(HMAP hMap, LONG number, LONG order) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->MtlViewOrder(number, order ? 1 : 0) : 0;
}

MAPAPI LONG WINAPI mapGetMtlRangeScaleVisible(HMAP hMap, LONG number, LONG* bottom, LONG* top) {
  return GetUnitScaleRange(Mtl(hMap, number), bottom, top);
}

MAPAPI LONG WINAPI mapSetMtlRangeScaleVisible(HMAP hMap, LONG number, LONG bottom, LONG top) {
  return SetUnitScaleRange(Mtl(hMap, number), bottom, top);
}

MAPAPI LONG WINAPI mapGetMtlNumberInPoint(HMAP hMap, double x, double y, LONG k) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtlNumberInPoint(x, y, k) : 0;
}

MAPAPI LONG WINAPI mapGetMtlNumberLastVisible(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMtlNumberLastVisible() : 0;
}

MAPAPI LONG WINAPI mapSetMtlShowRange(HMAP hMap, LONG number, double low, double high) {
  MTLCHAIN* unit = Mtl(hMap, number);
  if (!unit) return 0;
  unit->Matrix.Head.Minimum = low;
  unit->Matrix.Head.Maximum = high;
  unit->Matrix.HeadChanged = 1;
  return 1;
}

// ---------------------------------------------------------------------------
// Geometry

MAPAPI LONG WINAPI mapGetMtlScale(HMAP hMap, LONG number) {
  MTLCHAIN* unit = Mtl(hMap, number);
  // The unit's scale is at least 1.
  return unit ? WholeScale(unit->Scale) : 0;
}

MAPAPI LONG WINAPI mapGetMtlElementRow(HMAP hMap, LONG number) {
  MTLCHAIN* unit = Mtl(hMap, number);
  return unit ? unit->Matrix.Head.Height : 0;
}

MAPAPI LONG WINAPI mapGetMtlElementColumn(HMAP hMap, LONG number) {
  MTLCHAIN* unit = Mtl(hMap, number);
  return unit ? unit->Matrix.Head.Width : 0;
}

MAPAPI LONG WINAPI mapGetMtlBlockRow(HMAP hMap, LONG number) {
  MTLCHAIN* unit = Mtl(hMap, number);
  return unit ? unit->Matrix.Head.BlockRows : 0;
}

MAPAPI LONG WINAPI mapGetMtlBlockColumn(HMAP hMap, LONG number) {
  MTLCHAIN* unit = Mtl(hMap, number);
  return unit ? unit->Matrix.Head.BlockColumns : 0;
}

MAPAPI LONG WINAPI mapGetMtlBlockSize(HMAP hMap, LONG number) {
  MTLCHAIN* unit = Mtl(hMap, number);
  if (!unit) return 0;
  const int64_t size = unit->Matrix.FullBlockSize();
  return size > 0 && size <= 0x7FFFFFFF ? LONG(size) : 0;
}

MAPAPI char* WINAPI mapGetMtlBlockAddress(HMAP hMap, LONG number, LONG row, LONG column) {
  MTLCHAIN* unit = Mtl(hMap, number);
  return unit ? reinterpret_cast<char*>(unit->Matrix.GetBlockAddress(row, column)) : nullptr;
}

// ---------------------------------------------------------------------------
// Heights and powers

MAPAPI double WINAPI mapGetElementHeight(HMAP hMap, double x, double y) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetElementHeight(x, y) : MTL_NO_HEIGHT;
}

MAPAPI double WINAPI mapGetElementHeightOfMtl(HMAP hMap, LONG number, double x, double y) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetElementHeight(int(number), x, y) : MTL_NO_HEIGHT;
}

MAPAPI double WINAPI mapGetPrecisionElementHeight(HMAP hMap, double x, double y) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetPrecisionElementHeight(x, y) : MTL_NO_HEIGHT;
}

MAPAPI LONG WINAPI mapPutElementHeight(HMAP hMap, LONG number, double x, double y,
                                       double height) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->PutElementHeight(number, x, y, height) : 0;
}

MAPAPI double WINAPI mapGetElementPower(HMAP hMap, double x, double y, LONG layer) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetElementPower(x, y, layer) : MTL_NO_POWER;
}

MAPAPI double WINAPI mapGetElementPowerOfMtl(HMAP hMap, LONG number, double x, double y,
                                             LONG layer) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetElementPower(int(number), x, y, layer) : MTL_NO_POWER;
}

MAPAPI double WINAPI mapGetPrecisionElementPower(HMAP hMap, double x, double y, LONG layer) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetPrecisionElementPower(x, y, layer) : MTL_NO_POWER;
}

MAPAPI LONG WINAPI mapGetElementPowersTriangleOfMtl(HMAP hMap, LONG number, double x, double y,
                                                    double* powers, LONG count) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetElementPowersTriangle(number, x, y, powers, count) : 0;
}

MAPAPI double WINAPI mapGetElementPowerTriangleOfMtl(HMAP hMap, LONG number, double x, double y,
                                                     LONG layer) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetElementPowerTriangle(number, x, y, layer) : MTL_NO_POWER;
}

MAPAPI LONG WINAPI mapPutElementPower(HMAP hMap, LONG number, double x, double y, double power,
                                      LONG layer) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->PutElementPower(number, x, y, power, layer) : 0;
}

MAPAPI LONG WINAPI mapGetHeightArrayFromMtl(HMAP hMap, double* heights, LONG count,
                                            DOUBLEPOINT* first, DOUBLEPOINT* last) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetHeightArrayFromMtl(heights, count, first, last) : 0;
}

MAPAPI double WINAPI mapGetMaxSummaryPowerOfMtl(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMaxSummaryPowerOfMtl(number) : MTL_NO_POWER;
}

MAPAPI LONG WINAPI mapGetLayerCountOfMtl(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetLayerCountOfMtl(number) : 0;
}

MAPAPI LONG WINAPI mapGetMaxLayerCount(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->LayerCountMax : 0;
}

MAPAPI double WINAPI mapGetMinBotLevelHeight(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->LayerValueMin : 0.0;
}

MAPAPI double WINAPI mapGetMaxSummaryPower(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->LayerValueMax : MTL_NO_POWER;
}

MAPAPI LONG WINAPI mapSetMtlBotLevel(HMAP hMap, LONG number, double level) {
  return SetMtlBotLevel(DocumentOf(hMap), number, level);
}

MAPAPI LONG WINAPI mapSetMtlMaxSummaryPower(HMAP hMap, LONG number, double power) {
  return SetMtlMaxSummaryPower(DocumentOf(hMap), number, power);
}

// ---------------------------------------------------------------------------
// Layers

MAPAPI COLORREF WINAPI mapGetLayerColor(HMAP hMap, LONG number, LONG layer) {
  MTLLAYER* item = GetMtlLayer(DocumentOf(hMap), number, layer);
  return item ? item->Color : 0;
}

MAPAPI COLORREF WINAPI mapSetLayerColor(HMAP hMap, LONG number, LONG layer, COLORREF color) {
  MTLLAYER* item = GetMtlLayer(DocumentOf(hMap), number, layer);
  if (!item) return 0;
  item->Color = color;
  Mtl(hMap, number)->Matrix.LayerChanged = 1;
  return color;
}

MAPAPI LONG WINAPI mapGetMaxLayerHeight(HMAP hMap, LONG number, LONG layer) {
  MTLLAYER* item = GetMtlLayer(DocumentOf(hMap), number, layer);
  return item ? LONG(item->MaxThickness) : 0;
}

MAPAPI LONG WINAPI mapSetMaxLayerHeight(HMAP hMap, LONG number, LONG layer, LONG value) {
  MTLLAYER* item = GetMtlLayer(DocumentOf(hMap), number, layer);
  if (!item) return 0;
  item->MaxThickness = DWORD(value);
  Mtl(hMap, number)->Matrix.LayerChanged = 1;
  return value;
}

MAPAPI const char* WINAPI mapGetLayerShortName(HMAP hMap, LONG number, LONG layer) {
  return GetMtlLayerShortName(DocumentOf(hMap), number, layer);
}

MAPAPI const char* WINAPI mapSetLayerShortName(HMAP hMap, LONG number, LONG layer,
                                               const char* name) {
  return SetMtlLayerShortName(DocumentOf(hMap), number, layer, name);
}

// ---------------------------------------------------------------------------
// Border

MAPAPI LONG WINAPI mapSetMtlBorder(HMAP hMap, LONG number, HOBJ info) {
  TMapAccess* doc;
  if (!Mtl(hMap, number, &doc)) return 0;
  return BorderFromObject(TObjectInfo::FromOpenHandle(info), [&](TDataEdit* plane) {
    return doc->SetMtlBorderPlane(number, plane);
  });
}

MAPAPI LONG WINAPI mapGetMtlBorder(HMAP hMap, LONG number, HOBJ info) {
  TMapAccess* doc;
  MTLCHAIN* unit = Mtl(hMap, number, &doc);
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  TDataEdit* border = unit ? doc->GetMtlBorderPlane(number) : nullptr;
  if (!unit || !object || !border) return 0;
  const auto place = [unit](double c, double r) {
    return BorderPointPlane(unit, std::round(c), std::round(r));
  };
  return BorderIntoObject(*border, object, place) ? 1 : 0;
}

MAPAPI LONG WINAPI mapDeleteMtlBorder(HMAP hMap, LONG number) {
  MTLCHAIN* unit = Mtl(hMap, number);
  if (!unit) return 0;
  unit->Matrix.DeleteBorder();
  unit->Matrix.Save(0);
  return 1;
}

MAPAPI LONG WINAPI mapCheckExistenceMtlBorder(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && doc->GetMtlBorderPlane(number) ? 1 : 0;
}

MAPAPI LONG WINAPI mapCheckShowMtlByBorder(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CheckShowMtlByBorder(number) : -1;
}

MAPAPI LONG WINAPI mapGetImmediatePointOfMtlBorder(HMAP hMap, LONG number,
                                                   const DOUBLEPOINT* point, DOUBLEPOINT* result) {
  TMapAccess* doc;
  MTLCHAIN* unit = Mtl(hMap, number, &doc);
  TDataEdit* border = unit ? doc->GetMtlBorderPlane(number) : nullptr;
  if (!unit || !border || !point || !result) return 0;
  const auto place = [unit](double c, double r) {
    return BorderPointPlane(unit, std::trunc(c), std::trunc(r));
  };
  return NearestBorderPoint(unit, *border, place, *point, result) ? 1 : 0;
}

MAPAPI LONG WINAPI mapGetActualMtlFrame(HMAP hMap, DFRAME* frame, LONG number) {
  return ActualUnitFrame(Mtl(hMap, number), frame);
}
