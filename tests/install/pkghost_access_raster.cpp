// A C++ host of the document's raster and matrix methods, built against an
// installed tree with the flags of pkg-config alone. Through the C
// functions it makes, in the folder argv[1], a map with two rasters, two
// elevation matrices, a quality matrix and a layer matrix opened over it;
// then it asks the document (a TMapAccess, whose address is the map
// handle) through its methods and checks that each answer is the one the
// C function gives for the same question. Exits 0 when every check holds.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "api/mapapi.h"
#include "document/mapaccess.h"
#include "pkghost_maps.h"

namespace {

// The map's sheet: 5 km square from (X0, Y0). The data lie inside it.
constexpr double X0 = 6000000.0, Y0 = 7400000.0, SIDE = 5000.0;

std::string Path(const char* folder, const char* name) { return std::string(folder) + "/" + name; }

// The method and the C function fill a record of the same kind for the
// same question: the same result and the same bytes.
template <class Record, class Method, class Function>
void SameRecord(Method method, Function function) {
  Record a{}, b{};
  PKGHOST_CHECK(method(&a) == function(&b));
  PKGHOST_CHECK(std::memcmp(&a, &b, sizeof a) == 0);
}

// A map of one sheet on a classifier of one object kind.
HMAP MakeMap(const char* folder) {
  static const PKGHOSTKIND lake[] = {{31410000, LOCAL_SQUARE, "LAKE"}};
  const std::string rsc = Path(folder, "host.rsc"), map = Path(folder, "host.map");
  PkgHostMakeClassifier(rsc.c_str(), "HOST", lake, 1, nullptr);
  return PkgHostMakeMap(map.c_str(), rsc.c_str(), "HOST", X0, Y0, SIDE);
}

// A matrix record of `side` metres square from (X0 + dx, Y0 + dy) of
// `size` metre elements two bytes wide, in decimetres.
BUILDMTW MatrixRecord(double dx, double dy, double side, double size) {
  BUILDMTW b;
  PkgHostMtwRecord(&b, X0 + dx, Y0 + dy, side, side, size);
  return b;
}

MTRPROJECTIONDATA NoProjection() {
  MTRPROJECTIONDATA p{};
  p.Length = sizeof p;
  p.ProjectionCode = -1;
  return p;
}

// The rasters: 1 of 8 bits and 2 of 4 bits, grey, of 10 m elements.
void MakeRasters(HMAP h, const char* folder) {
  COLORREF grey[256];
  for (int i = 0; i < 256; ++i) grey[i] = COLORREF(i * 0x010101);
  PKGHOST_CHECK(mapCreateAndAppendRst(h, Path(folder, "eight.rsw").c_str(), 64, 32, 8, grey, 1,
                                      10000, 1000, X0 + 1000, Y0 + 1000) == 1);
  PKGHOST_CHECK(mapCreateAndAppendRst(h, Path(folder, "four.rsw").c_str(), 64, 32, 4, grey, 1,
                                      10000, 1000, X0, Y0) == 2);
}

// Elevation matrices over (X0 + 1000, Y0 + 1000) .. 1000 m further: 1 of
// 20 m elements rising to the east, 2 of 10 m elements over its south-west
// quarter, flat; then a quality matrix and a layer matrix there.
void MakeMatrices(HMAP h, const char* folder) {
  const std::string coarse = Path(folder, "coarse.mtw"), fine = Path(folder, "fine.mtw");
  BUILDMTW b = MatrixRecord(1000, 1000, 1000, 20);
  HMAP m = mapCreateMtw(coarse.c_str(), &b, nullptr);
  PKGHOST_CHECK(m != 0);
  for (int i = 0; i < 50; ++i)
    for (int j = 0; j < 50; ++j)
      PKGHOST_CHECK(mapPutHeightValue(m, 1, X0 + 1010 + 20 * i, Y0 + 1010 + 20 * j, 100 + j * 0.5) == 1);
  mapCloseData(m);
  b = MatrixRecord(1000, 1000, 500, 10);
  m = mapCreateMtw(fine.c_str(), &b, nullptr);
  PKGHOST_CHECK(m != 0);
  for (int i = 0; i < 50; ++i)
    for (int j = 0; j < 50; ++j)
      PKGHOST_CHECK(mapPutHeightValue(m, 1, X0 + 1005 + 10 * i, Y0 + 1005 + 10 * j, 55.5) == 1);
  mapCloseData(m);
  PKGHOST_CHECK(mapOpenMtrForMap(h, coarse.c_str(), 0) == 1);
  PKGHOST_CHECK(mapOpenMtrForMap(h, fine.c_str(), 0) == 2);

  const std::string quality = Path(folder, "quality.mtq");
  b = MatrixRecord(1000, 1000, 1000, 20);
  MTRPROJECTIONDATA proj = NoProjection();
  const COLORREF colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
  m = mapCreateMtq(quality.c_str(), &b, &proj, colours, 4);
  PKGHOST_CHECK(m != 0);
  PKGHOST_CHECK(mapPutMtqValue(m, 1, X0 + 1010, Y0 + 1010, 2.5) == 1);
  mapCloseData(m);
  PKGHOST_CHECK(mapOpenMtqForMap(h, quality.c_str(), 0) == 1);

  MTLBUILDPARM parm;
  PkgHostMtlRecord(&parm, X0 + 1000, Y0 + 1000, X0 + 1500, Y0 + 1500, 10, 2);
  PKGHOST_CHECK(mapCreateAndAppendMtl(h, Path(folder, "layers.mtl").c_str(), &parm, &proj) == 1);
  for (int i = 0; i < 50; i += 7)
    for (int j = 0; j < 50; j += 7) {
      const double x = X0 + 1005 + 10 * i, y = Y0 + 1005 + 10 * j;
      PKGHOST_CHECK(mapPutElementHeight(h, 1, x, y, 20 + i) == 1);
      PKGHOST_CHECK(mapPutElementPower(h, 1, x, y, 1.5, 1) == 1);
      PKGHOST_CHECK(mapPutElementPower(h, 1, x, y, 0.5 * j, 2) == 1);
    }
}

// The per-kind raster methods: view, order, names, palettes, brightness,
// colour counts and visibility, inversion, frames and borders.
void Rasters(HMAP h, TMapAccess* doc) {
  PKGHOST_CHECK(doc->GetRstChain(1) != nullptr && doc->GetRstChain(3) == nullptr);
  for (int n = 0; n <= 3; ++n) {
    PKGHOST_CHECK(doc->CheckRstView(n) == mapGetRstView(h, n));
    PKGHOST_CHECK(std::max(doc->RstViewOrder(n, -1), 0) == mapGetRstViewOrder(h, n));
    PKGHOST_CHECK(std::strcmp(doc->GetRstName(n), mapGetRstName(h, n)) == 0);
    PKGHOST_CHECK(doc->GetRstColorCount(n) == mapGetRstColorCount(h, n));
    PKGHOST_CHECK(doc->CheckShowRstByBorder(n) == mapCheckShowRstByBorder(h, n));
  }
  // What one road sets the other reads.
  PKGHOST_CHECK(doc->SetRstView(2, 0) == 0 && mapGetRstView(h, 2) == 0);
  const LONG view = mapSetRstView(h, 2, 1);
  PKGHOST_CHECK(view == 1 && doc->CheckRstView(2) == 1);
  const int order = doc->RstViewOrder(1, 1);
  PKGHOST_CHECK(order == 1 && mapGetRstViewOrder(h, 1) == 1);
  const LONG under = mapSetRstViewOrder(h, 1, 0);
  PKGHOST_CHECK(under == 0 && doc->RstViewOrder(1, -1) == 0);

  COLORREF colors[256];
  PKGHOST_CHECK(doc->SetRstBright(1, 5) == 5 && mapGetRstBright(h, 1) == doc->GetRstBright(1));
  PKGHOST_CHECK(mapSetRstContrast(h, -3, 1) == 1 && doc->GetRstContrast(1) == mapGetRstContrast(h, 1));
  PKGHOST_CHECK(mapGetRstPalette(h, colors, 256, 1) == 1);
  PKGHOST_CHECK(std::memcmp(colors, doc->GetRstPalette(1), sizeof colors) == 0);
  PKGHOST_CHECK(mapGetRstStandardPalette(h, colors, 256, 1) == 1);
  PKGHOST_CHECK(std::memcmp(colors, doc->GetRstStandardPalette(1), sizeof colors) == 0);
  PKGHOST_CHECK(colors[200] == 0xC8C8C8 && doc->GetRstPalette(1)[200] != 0xC8C8C8);
  PKGHOST_CHECK(doc->RestoreRstPalette(1) == 1 && mapGetRstBright(h, 1) == 0);

  PKGHOST_CHECK(doc->SetVisibilityColor(2, 3, 0) == 1);
  for (int i : {0, 3, 15, 256})
    PKGHOST_CHECK(doc->CheckVisibilityColor(2, i) == mapCheckVisibilityColor(h, 2, i));
  PKGHOST_CHECK(mapCheckVisibilityColor(h, 2, 3) == 0);
  PKGHOST_CHECK(mapInvertRst(h, 2, 1) == 1 && doc->CheckInversionRst(2) == mapCheckInversionRst(h, 2));
  PKGHOST_CHECK(doc->CheckInversionRst(2) == 1 && doc->GetRstStandardPalette(2)[7] == 0xF8F8F8);

  DFRAME frame{};
  PKGHOST_CHECK(mapGetRstFrameMeters(h, &frame, 1) == 1);
  PKGHOST_CHECK(std::memcmp(&frame, doc->GetRstFrameMeters(1), sizeof frame) == 0);
  PKGHOST_CHECK(frame.X1 == X0 + 1000 && frame.Y2 == Y0 + 1640);
  PKGHOST_CHECK(doc->ChangeOrderRstShow(1, 2) == 1);
  PKGHOST_CHECK(std::strcmp(mapGetRstName(h, 1), doc->GetRstName(1)) == 0);
  PKGHOST_CHECK(std::strstr(doc->GetRstName(1), "four.rsw") != nullptr);
}

// The elevation and quality matrix rows: views, names, shading,
// descriptions, colour steps.
void Matrices(HMAP h, TMapAccess* doc) {
  PKGHOST_CHECK(doc->GetChain(2) != nullptr && doc->GetMtqChain(1) != nullptr);
  for (int n = 0; n <= 3; ++n) {
    PKGHOST_CHECK(doc->CheckMtrView(n) == mapGetMtrView(h, n));
    PKGHOST_CHECK(std::max(doc->MtrViewOrder(n, -1), 0) == mapGetMtrViewOrder(h, n));
    PKGHOST_CHECK(std::strcmp(doc->GetMtrName(n), mapGetMtrName(h, n)) == 0);
    SameRecord<MTRDESCRIBE>([&](MTRDESCRIBE* r) { return doc->GetMtrDescribe(n, r); },
                            [&](MTRDESCRIBE* r) { return mapGetMtrDescribe(h, n, r); });
    SameRecord<MTRPROJECTIONDATA>(
        [&](MTRPROJECTIONDATA* r) { return doc->GetMtrProjectionData(n, r); },
        [&](MTRPROJECTIONDATA* r) { return mapGetMtrProjectionData(h, n, r); });
  }
  for (int k = 1; k <= 3; ++k)
    PKGHOST_CHECK(doc->GetMtrNumberInPoint(X0 + 1200, Y0 + 1200, k) ==
                  mapGetMtrNumberInPoint(h, X0 + 1200, Y0 + 1200, k));
  PKGHOST_CHECK(doc->SetMtrShadow(9) == 9 && mapGetMtrShadow(h) == 9);
  PKGHOST_CHECK(doc->SetMtrShadow(20) == 4 && mapGetMtrShadow(h) == 4);
  const LONG shadow = mapSetMtqShadow(h, 1, 9);
  PKGHOST_CHECK(shadow == 9 && doc->GetMtqShadow(1) == 9);
  PKGHOST_CHECK(doc->MtrViewOrder(2, 1) == 1 && mapGetMtrViewOrder(h, 2) == 1);

  for (int i : {0, 5, 31, 32})
    SameRecord<MTRCOLORDESCEX>([&](MTRCOLORDESCEX* r) { return doc->GetMtrColorDesc(1, i, r); },
                               [&](MTRCOLORDESCEX* r) { return mapGetMtrColorDescEx(h, 1, i, r); });
  for (int i : {0, 3, 4, 255, 256})
    SameRecord<MTRCOLORDESCEX>([&](MTRCOLORDESCEX* r) { return doc->GetMtqColorDesc(1, i, r); },
                               [&](MTRCOLORDESCEX* r) { return mapGetMtqColorDescEx(h, 1, i, r); });
  PKGHOST_CHECK(doc->SetMtrColor(1, 0x123456, 5) == 1);
  MTRCOLORDESCEX step{};
  PKGHOST_CHECK(mapGetMtrColorDescEx(h, 1, 5, &step) == 1 && step.Color == 0x123456);
}

// Heights and values at points: the first, given, finest and interpolated
// matrix, a profile, and a height written.
void Heights(HMAP h, TMapAccess* doc) {
  const double points[][2] = {{X0 + 1100, Y0 + 1100}, {X0 + 1234, Y0 + 1432},
                              {X0 + 1700, Y0 + 1900}, {X0 + 1500, Y0 + 1500},
                              {X0 + 10, Y0 + 10}};
  for (const auto& p : points) {
    const double x = p[0], y = p[1];
    PKGHOST_CHECK(doc->GetHeightValue(x, y) == mapGetHeightValue(h, x, y));
    for (int n = 0; n <= 3; ++n)
      PKGHOST_CHECK(doc->GetHeightValue(n, x, y) == mapGetHeightValueOfMtr(h, n, x, y));
    PKGHOST_CHECK(doc->GetPrecisionHeightValue(x, y) == mapGetPrecisionHeightValue(h, x, y));
    PKGHOST_CHECK(doc->GetPrecisionHeightTriangle(x, y) == mapGetPrecisionHeightTriangle(h, x, y));
  }
  PKGHOST_CHECK(doc->GetHeightValue(X0 + 1100, Y0 + 1100) != doc->GetPrecisionHeightValue(X0 + 1100, Y0 + 1100));
  PKGHOST_CHECK(doc->GetPrecisionHeightValue(X0 + 1100, Y0 + 1100) == 55.5);

  double a[7], b[7];
  DOUBLEPOINT firstA{X0 + 1010, Y0 + 1010}, firstB = firstA, last{X0 + 1990, Y0 + 1990};
  PKGHOST_CHECK(doc->GetHeightArray(a, 7, &firstA, &last) == mapGetHeightArray(h, b, 7, &firstB, &last));
  PKGHOST_CHECK(std::memcmp(a, b, sizeof a) == 0);
  PKGHOST_CHECK(firstA.X == firstB.X && firstA.Y == firstB.Y);
  PKGHOST_CHECK(doc->GetHeightArray(a, 1, &firstA, &last) == mapGetHeightArray(h, b, 1, &firstB, &last));

  PKGHOST_CHECK(doc->PutHeightValue(2, X0 + 1105, Y0 + 1105, 77.7) == 1);
  PKGHOST_CHECK(mapGetHeightValueOfMtr(h, 2, X0 + 1105, Y0 + 1105) == doc->GetHeightValue(2, X0 + 1105, Y0 + 1105));
  PKGHOST_CHECK(mapGetHeightValueOfMtr(h, 2, X0 + 1105, Y0 + 1105) > 77.6);
}

// The layer-matrix methods.
void Layers(HMAP h, TMapAccess* doc) {
  PKGHOST_CHECK(doc->GetMtlChain(1) != nullptr && doc->GetMtlChain(2) == nullptr);
  for (int n = 0; n <= 2; ++n) {
    PKGHOST_CHECK(doc->CheckMtlView(n) == mapGetMtlView(h, n));
    PKGHOST_CHECK(std::max(doc->MtlViewOrder(n, -1), 0) == mapGetMtlViewOrder(h, n));
    const char* a = doc->GetMtlName(n);
    const char* b = mapGetMtlName(h, n);
    PKGHOST_CHECK((a == nullptr && b == nullptr) || (a && b && std::strcmp(a, b) == 0));
    PKGHOST_CHECK(doc->GetLayerCountOfMtl(n) == mapGetLayerCountOfMtl(h, n));
    PKGHOST_CHECK(doc->GetMaxSummaryPowerOfMtl(n) == mapGetMaxSummaryPowerOfMtl(h, n));
    PKGHOST_CHECK(doc->CheckShowMtlByBorder(n) == mapCheckShowMtlByBorder(h, n));
    SameRecord<MTLDESCRIBE>([&](MTLDESCRIBE* r) { return doc->GetMtlDescribe(n, r); },
                            [&](MTLDESCRIBE* r) { return mapGetMtlDescribe(h, n, r); });
    SameRecord<MTRPROJECTIONDATA>(
        [&](MTRPROJECTIONDATA* r) { return doc->GetMtlProjectionData(n, r); },
        [&](MTRPROJECTIONDATA* r) { return mapGetMtlProjectionData(h, n, r); });
  }
  PKGHOST_CHECK(doc->GetMtlNumberLastVisible() == mapGetMtlNumberLastVisible(h));
  PKGHOST_CHECK(doc->SetMtlView(1, 0) == 0 && mapGetMtlNumberLastVisible(h) == 0);
  const LONG shown = mapSetMtlView(h, 1, 1);
  PKGHOST_CHECK(shown == 1 && doc->CheckMtlView(1) == 1);

  const double points[][2] = {{X0 + 1005, Y0 + 1005}, {X0 + 1075, Y0 + 1145},
                              {X0 + 1080, Y0 + 1150}, {X0 + 1600, Y0 + 1100}};
  for (const auto& p : points) {
    const double x = p[0], y = p[1];
    PKGHOST_CHECK(doc->GetElementHeight(x, y) == mapGetElementHeight(h, x, y));
    PKGHOST_CHECK(doc->GetElementHeight(1, x, y) == mapGetElementHeightOfMtl(h, 1, x, y));
    PKGHOST_CHECK(doc->GetPrecisionElementHeight(x, y) == mapGetPrecisionElementHeight(h, x, y));
    PKGHOST_CHECK(doc->GetMtlNumberInPoint(x, y, 1) == mapGetMtlNumberInPoint(h, x, y, 1));
    for (int layer = 1; layer <= 3; ++layer) {
      PKGHOST_CHECK(doc->GetElementPower(x, y, layer) == mapGetElementPower(h, x, y, layer));
      PKGHOST_CHECK(doc->GetElementPower(1, x, y, layer) == mapGetElementPowerOfMtl(h, 1, x, y, layer));
      PKGHOST_CHECK(doc->GetPrecisionElementPower(x, y, layer) ==
                    mapGetPrecisionElementPower(h, x, y, layer));
      PKGHOST_CHECK(doc->GetElementPowerTriangle(1, x, y, layer) ==
                    mapGetElementPowerTriangleOfMtl(h, 1, x, y, layer));
    }
    double pa[2] = {0, 0}, pb[2] = {0, 0};
    PKGHOST_CHECK(doc->GetElementPowersTriangle(1, x, y, pa, 2) ==
                  mapGetElementPowersTriangleOfMtl(h, 1, x, y, pb, 2));
    PKGHOST_CHECK(std::memcmp(pa, pb, sizeof pa) == 0);
  }
  PKGHOST_CHECK(doc->GetElementHeight(X0 + 1075, Y0 + 1145) == 27.0);
  PKGHOST_CHECK(doc->GetElementPower(X0 + 1075, Y0 + 1145, 2) == 7.0);

  double a[5], b[5];
  DOUBLEPOINT firstA{X0 + 1005, Y0 + 1005}, firstB = firstA, last{X0 + 1495, Y0 + 1495};
  PKGHOST_CHECK(doc->GetHeightArrayFromMtl(a, 5, &firstA, &last) ==
                mapGetHeightArrayFromMtl(h, b, 5, &firstB, &last));
  PKGHOST_CHECK(std::memcmp(a, b, sizeof a) == 0);
  PKGHOST_CHECK(doc->PutElementHeight(1, X0 + 1015, Y0 + 1015, 33) == 1);
  PKGHOST_CHECK(mapGetElementHeightOfMtl(h, 1, X0 + 1015, Y0 + 1015) == 33.0);
  PKGHOST_CHECK(doc->PutElementPower(1, X0 + 1015, Y0 + 1015, 2.5, 1) == 1);
  PKGHOST_CHECK(mapGetElementPowerOfMtl(h, 1, X0 + 1015, Y0 + 1015, 1) == 2.5);
}

// The remaining unit methods of the three chains: numbers by name, mask
// types, colour visibility bytes, precision and frames, shading, colours,
// chain order, borders and a unit opened again by its name.
void Units(HMAP h, TMapAccess* doc) {
  const std::string second = mapGetRstName(h, 2);
  PKGHOST_CHECK(doc->GetRstNumberByName(second.c_str()) == 2);
  PKGHOST_CHECK(doc->GetRstNumberByName("none.rsw") == 0);
  const LONG rasters = mapGetRstCount(h);
  PKGHOST_CHECK(doc->OpenRst(second.c_str(), 0) == 2 && mapGetRstCount(h) == rasters);

  PKGHOST_CHECK(doc->SetRstMaskType(1, 3) == 3 && doc->GetRstMaskType(1) == 3);
  PKGHOST_CHECK(doc->SetMtrMaskType(1, 2) == 2 && doc->GetMtrMaskType(1) == 2);
  PKGHOST_CHECK(doc->SetMtlMaskType(1, 4) == 4 && doc->GetMtlMaskType(1) == 4);
  PKGHOST_CHECK(doc->GetRstMaskType(9) == -1 && doc->GetMtlMaskType(9) == 0);
  PKGHOST_CHECK(doc->SetRstPaletteView(1, 7, 0) == 0 && doc->CheckRstPaletteView(1, 7) == 0);
  PKGHOST_CHECK(doc->SetRstPaletteView(1, 7, 1) == 1 && doc->CheckRstPaletteView(1, 7) == 1);
  PKGHOST_CHECK(doc->CheckRstPaletteView(1, 256) == 0);
  PKGHOST_CHECK(doc->SetVisibilityColorInRstFile(1, 5, 0) == 1);
  PKGHOST_CHECK(mapCheckVisibilityColor(h, 1, 5) == 0);

  double precision = 0;
  PKGHOST_CHECK(doc->SetRstPrecision(1, 250.0) == 1);
  PKGHOST_CHECK(mapGetRstPrecision(h, 1, &precision) == 1 && precision == 250.0);
  PKGHOST_CHECK(doc->GetRstFrame(1) != nullptr && doc->GetRstFrame(9) == nullptr);

  PKGHOST_CHECK(doc->GetMtrShadow() == mapGetMtrShadow(h));
  PKGHOST_CHECK(doc->SetMtqShadow(1, 3) == 3 && mapGetMtqShadow(h, 1) == 3);
  PKGHOST_CHECK(doc->SetMtrView(1, 0) == 0 && mapGetMtrView(h, 1) == 0);
  PKGHOST_CHECK(doc->SetMtrView(1, 1) == 1 && mapGetMtrView(h, 1) == 1);
  MTRCOLORDESCEX step{};
  PKGHOST_CHECK(doc->SetMtqColor(1, 2, 0x345678) == 1);
  PKGHOST_CHECK(mapGetMtqColorDescEx(h, 1, 2, &step) == 1 && step.Color == 0x345678);
  PKGHOST_CHECK(doc->SetMtqColor(1, 4, 0x345678) == 0);
  PKGHOST_CHECK(doc->SetRstColor(2, 0x102030, 1) == 1 && doc->GetRstStandardPalette(2)[1] == 0x102030);
  PKGHOST_CHECK(doc->SetRstContrast(2, 4) == 4 && mapGetRstContrast(h, 2) == 4);
  PKGHOST_CHECK(doc->InvertRst(1, 1) == 1 && mapCheckInversionRst(h, 1) == 1);
  PKGHOST_CHECK(doc->InvertRst(1, 0) == 1 && mapCheckInversionRst(h, 1) == 0);

  const std::string firstMtr = mapGetMtrName(h, 1);
  PKGHOST_CHECK(doc->ChangeOrderMtrShow(1, 2) == 1 && firstMtr == mapGetMtrName(h, 2));
  PKGHOST_CHECK(doc->ChangeOrderMtrShow(2, 1) == 1 && firstMtr == mapGetMtrName(h, 1));
  PKGHOST_CHECK(doc->ChangeOrderMtqShow(1, 2) == 0 && doc->ChangeOrderMtlShow(1, 2) == 0);

  // No unit has a border yet: none stored, none to show by.
  PKGHOST_CHECK(doc->GetRstBorderPlane(1) == nullptr && mapCheckExistenceRstBorder(h, 1) == 0);
  PKGHOST_CHECK(doc->GetMtrBorderPlane(1) == nullptr && mapCheckExistenceMtrBorder(h, 1) == 0);
  PKGHOST_CHECK(doc->GetMtqBorderPlane(1) == nullptr && doc->GetMtlBorderPlane(1) == nullptr);
  PKGHOST_CHECK(doc->ShowRstByBorder(1, 1) == mapShowRstByBorder(h, 1, 1));
  PKGHOST_CHECK(doc->ShowMtrByBorder(1, 1) == mapShowMtrByBorder(h, 1, 1));
  PKGHOST_CHECK(doc->ShowMtqByBorder(1, 1) == 0 && doc->ShowMtlByBorder(1, 1) == 0);
  PKGHOST_CHECK(doc->CheckShowMtrByBorder(1) == mapCheckShowMtrByBorder(h, 1));
  PKGHOST_CHECK(doc->CheckShowMtqByBorder(0) == -1 && doc->CheckShowMtqByBorder(9) == -1);
}

}  // namespace

int main(int argc, char** argv) {
  const char* folder = PkgHostFolder(argc, argv, "pkghost_access_raster");
  if (folder == nullptr) return 2;
  mapMessageEnable(0);
  const HMAP h = MakeMap(folder);
  PKGHOST_CHECK(h != 0);
  if (h == 0) return PkgHostExit("pkghost_access_raster");
  MakeRasters(h, folder);
  MakeMatrices(h, folder);
  // The map handle is the document's address.
  TMapAccess* doc = reinterpret_cast<TMapAccess*>(h);
  Rasters(h, doc);
  Matrices(h, doc);
  Heights(h, doc);
  Layers(h, doc);
  Units(h, doc);
  mapCloseData(h);
  return PkgHostExit("pkghost_access_raster");
}
