// A host of the exported classes of selection, object geometry, rasters and
// matrices, built against the installed prefix with the flags of pkg-config
// alone. In its folder argv[1] it makes a classifier, a map with areas and
// lines, a raster, an elevation matrix and a layer matrix through the C
// functions, then asks the classes the questions the C functions answer and
// checks that the answers agree: what a select context finds, the pieces
// of cuts, a consent and a union, a zone, crossing points, raster elements
// and blocks, heights and layer powers, a compressed block, the paint size
// of a document, a header put in front of a file. Exits 0 when every check
// holds and prints each failed check.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "codec/compress.h"
#include "common/copyfile.h"
#include "drawing/paintmetric.h"
#include "geometry/buildzone.h"
#include "geometry/objectconsent.h"
#include "geometry/objectcut.h"
#include "geometry/objectcutbyline.h"
#include "geometry/objectunion.h"
#include "geometry/pointcrossobject.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "raster/mtl.h"
#include "raster/mtr.h"
#include "raster/rst.h"
#include "selection/mapselect.h"
#include "pkghost_maps.h"

namespace {

const double X0 = 6000000.0, Y0 = 7400000.0;
const DWORD kRoad = 31120000, kLake = 31410000;
const LONG kDepth = 701;
const double kPrecision = 0.001;  // the working precision of a 1:100,000 map
const double kNoHeight = -111111.0;  // the height where there is none

// --- The classifier, the map and its objects, through the C functions ---

// Kinds of the host's classifier: a road, a lake with a depth.
struct Kinds {
  LONG road = 0, lake = 0;
};

Kinds MakeClassifier(const std::string& path) {
  static const PKGHOSTKIND kinds[] = {{kRoad, LOCAL_LINE, "ROAD"}, {kLake, LOCAL_SQUARE, "LAKE"}};
  LONG incodes[2] = {0, 0};
  const HRSC rsc = PkgHostNewClassifier(path.c_str(), "CLASSES", kinds, 2, incodes);
  if (rsc == 0) return Kinds();
  PKGHOST_CHECK(PkgHostAppendSemantic(rsc, kDepth, RSCSEMTYPE_NUMBER, "DEPTH", "m") == kDepth);
  mapAppendRscSemanticObject(rsc, incodes[1], kDepth, RSCSEMUSE_POSSIBLE);
  PkgHostCloseClassifier(rsc);
  return Kinds{incodes[0], incodes[1]};
}

// A map at 1:100,000 of one sheet 2 km square at (X0, Y0).
HMAP MakeMap(const std::string& path, const std::string& rsc) {
  MAPREGISTEREX map;
  LISTREGISTER sheet;
  PkgHostMapRecord(&map, "CLASSES");
  PkgHostSquareSheet(&sheet, "CLASSES-1", "S1", X0, Y0, 2000);
  return mapCreateMapEx(path.c_str(), rsc.c_str(), &map, &sheet);
}

struct Point {
  double x, y;
};

// A committed object through the points (metres from the sheet's corner);
// a depth when it is not empty. The handle stays with the object.
HOBJ Commit(HMAP map, DWORD code, int local, std::initializer_list<Point> points,
            const char* depth = "") {
  const HOBJ object = mapCreateObject(map, 1, 0, 0);
  PKGHOST_CHECK(object != 0);
  if (object == 0) return 0;
  PKGHOST_CHECK(mapRegisterObject(object, LONG(code), local) == 1);
  for (const Point& p : points) PKGHOST_CHECK(mapAppendPointPlane(object, X0 + p.x, Y0 + p.y, 0));
  if (*depth) PKGHOST_CHECK(mapAppendSemantic(object, kDepth, depth, LONG(std::strlen(depth) + 1)));
  PKGHOST_CHECK(mapCommit(object) > 0);
  return object;
}

HOBJ Square(HMAP map, double x, double y, double side, const char* depth) {
  return Commit(map, kLake, LOCAL_SQUARE,
                {{x, y}, {x, y + side}, {x + side, y + side}, {x + side, y}, {x, y}}, depth);
}

TObjectInfo* Info(HOBJ object) { return TObjectInfo::FromOpenHandle(object); }

// Every contour of an object in plane coordinates: the contour count, then
// for each its point count and its points.
std::vector<double> Plane(HOBJ object) {
  std::vector<double> v;
  const LONG subjects = mapPolyCount(object);
  v.push_back(subjects);
  for (LONG s = 0; s < subjects; ++s) {
    const LONG n = mapPointCount(object, s);
    v.push_back(n);
    for (LONG i = 1; i <= n; ++i) {
      v.push_back(mapXPlane(object, i, s));
      v.push_back(mapYPlane(object, i, s));
    }
  }
  return v;
}

// A metric buffer's contour as it is held: its points.
std::vector<double> Held(TDataEdit& metric, int subject) {
  std::vector<double> v;
  const int n = metric.PointCount(subject);
  for (int i = 1; i <= n; ++i) {
    if (metric.GoPointSubject(i, subject) == nullptr) break;
    v.push_back(metric.XDouble());
    v.push_back(metric.YDouble());
  }
  return v;
}

// A piece a class handed out (a plane metric) as a new object of the map,
// so that it can be read as the C functions' pieces are.
HOBJ Piece(HMAP map, TDataEdit* piece) {
  const HOBJ object = mapCreateObject(map, 1, 0, 0);
  if (object != 0 && Info(object)->GetDataPlane(piece)) return object;
  mapFreeObject(object);
  return 0;
}

// The plane copies of two objects that the geometry workers take.
struct PlanePair {
  TDataEdit first, second;
  PlanePair(HOBJ a, HOBJ b) {
    first.Init();
    second.Init();
    PKGHOST_CHECK(Info(a)->PutDataPlane(&first) == 1);
    PKGHOST_CHECK(Info(b)->PutDataPlane(&second) == 1);
  }
  ~PlanePair() {
    first.Free();
    second.Free();
  }
  PlanePair(const PlanePair&) = delete;
  PlanePair& operator=(const PlanePair&) = delete;
};

// Pieces handed out one by one: the C function's into `result`, the
// class's from `next`; they must be the same pieces in the same order.
template <class Next, class NextC>
int SamePieces(HMAP map, Next next, NextC nextC) {
  const HOBJ result = mapCreateObject(map, 1, 0, 0);
  int pieces = 0;
  for (;;) {
    const bool byC = nextC(result) == result;
    TDataEdit* piece = next();
    PKGHOST_CHECK(byC == (piece != nullptr));
    if (!byC || piece == nullptr) break;
    const HOBJ mine = Piece(map, piece);
    PKGHOST_CHECK(mine != 0 && Plane(mine) == Plane(result));
    mapFreeObject(mine);
    ++pieces;
  }
  mapFreeObject(result);
  return pieces;
}

// The numbers of the objects a search through the context finds, in order.
std::vector<LONG> Seek(HMAP map, HSELECT select) {
  std::vector<LONG> found;
  const HOBJ object = mapCreateObject(map, 1, 0, 0);
  for (LONG flags = SEEK_FIRST; mapSeekSelectObject(map, object, select, flags) != 0;
       flags = SEEK_NEXT)
    found.push_back(mapGetObjectNumber(object));
  mapFreeObject(object);
  return found;
}

std::vector<LONG> TotalSeek(HMAP map) {
  std::vector<LONG> found;
  const HOBJ object = mapCreateObject(map, 1, 0, 0);
  for (LONG flags = SEEK_FIRST; mapTotalSeekObject(map, object, flags) != 0; flags = SEEK_NEXT)
    found.push_back(mapGetObjectNumber(object));
  mapFreeObject(object);
  return found;
}

// The objects of sheet 1 the context passes, read one by one.
std::vector<LONG> Passing(HMAP map, TMapSelect& select) {
  std::vector<LONG> found;
  TMap* m = MapOfHandle(map);
  const LONG count = mapGetObjectCount(map, 1);
  for (LONG n = 1; n <= count; ++n) {
    TObjectInfo object;
    if (object.Object(m, 1, n) != nullptr && select.CheckObject(&object)) found.push_back(n);
  }
  return found;
}

// The numbers of a sheet's list of a sample.
std::vector<LONG> SampleOf(TSample& sample, int sheet) {
  std::vector<LONG> numbers;
  for (int n = sample.GetFirstSample(sheet); n != 0; n = sample.GetNextSample())
    numbers.push_back(n);
  return numbers;
}

// --- Selection ---

struct Objects {
  HOBJ a, b, far, line, road, bend;
  std::vector<HOBJ> All() const { return {a, b, far, line, road, bend}; }
};

void Selection(HMAP map, const Kinds& kinds, const Objects& o) {
  TMap* m = MapOfHandle(map);

  // Lakes only: the conditions of the C functions set by the class's own.
  const HSELECT lakes = mapCreateMapSelectContext(map);
  mapSelectObject(lakes, -1, 0);
  mapSelectObject(lakes, kinds.lake, 1);
  TMapSelect byKind(m);
  byKind.SetKindSwitch(1);
  byKind.ClearAllKinds();
  byKind.SelectKind(kinds.lake);
  const std::vector<LONG> found = Seek(map, lakes);
  PKGHOST_CHECK(found.size() == 3);
  PKGHOST_CHECK(Passing(map, byKind) == found);
  PKGHOST_CHECK(byKind.GetSelectObjectCount() == LONG(found.size()));
  for (HOBJ h : o.All()) PKGHOST_CHECK(byKind.CheckObject(Info(h)) == mapTestObject(h, lakes));
  mapDeleteSelectContext(lakes);

  // The area search of a context, as the document's total search and a
  // search through a C context find it: what lies within 10 m of lake a.
  PKGHOST_CHECK(mapSelectArea(map, o.a, 10.0, 0, 0, 0, nullptr, 1) == 1);
  const std::vector<LONG> total = TotalSeek(map);
  mapUnselectArea(map);
  TMapSelect byArea(m);
  PKGHOST_CHECK(byArea.AreaSet(10.0, Info(o.a), 0, 0, 1, nullptr) == 1);
  const std::vector<LONG> sampled = SampleOf(byArea, 1);
  PKGHOST_CHECK(sampled.size() == 3);  // the two lakes and the line across them
  PKGHOST_CHECK(sampled == total);
  const HSELECT near = mapCreateMapSelectContext(map);
  PKGHOST_CHECK(mapSelectSeekArea(near, o.a, 10.0, 0, 0, 0, 1) == 1);
  PKGHOST_CHECK(Seek(map, near) == sampled);
  PKGHOST_CHECK(mapGetSampleCount(near, 1) == byArea.GetSamplesCount(1));
  PKGHOST_CHECK(Passing(map, byArea) == sampled);
  mapDeleteSelectContext(near);

  // A sample made by hand: the same lists, the same keys, the same finds.
  const HSELECT chosen = mapCreateMapSelectContext(map);
  TSample sample(m);
  for (LONG n : {5, 2, 6}) {
    PKGHOST_CHECK(sample.AppendSample(n, 1) == mapSelectSampleByNumber(chosen, 1, n));
  }
  PKGHOST_CHECK(sample.DeleteSample(5, 1) == mapUnselectSampleByNumber(chosen, 1, 5));
  PKGHOST_CHECK(sample.IsSampleActive() == mapIsSample(chosen));
  PKGHOST_CHECK(sample.GetSamplesCount(1) == mapGetSampleCount(chosen, 1));
  const std::vector<LONG> listed = SampleOf(sample, 1);
  PKGHOST_CHECK((listed == std::vector<LONG>{2, 6}));
  PKGHOST_CHECK(Seek(map, chosen) == listed);
  for (size_t i = 0; i < listed.size(); ++i) {
    LONG key = 0;
    for (HOBJ h : o.All())
      if (mapGetObjectNumber(h) == listed[i]) key = mapObjectKey(h);
    PKGHOST_CHECK(key != 0 && mapGetSampleByNumber(chosen, 1, LONG(i + 1)) == key);
  }
  mapDeleteSelectContext(chosen);

  // Deeper than 5 m: a semantic condition of a C context and a condition
  // list of the host's own.
  const HSELECT deep = mapCreateMapSelectContext(map);
  PKGHOST_CHECK(mapSelectSemanticAppend(deep, COMPARE_GREATER, kDepth, "5") == 1);
  TCompare compare;
  TSemBlock five;
  five.Code = WORD(kDepth);
  PKGHOST_CHECK(five.Value.LoadStringNumber("5") > 0);
  PKGHOST_CHECK(compare.Append(COMPARE_GREATER, &five) == 1);
  int passed = 0;
  for (HOBJ h : o.All()) {
    const int answer = compare.CheckSemantic(TObjectSemn(Info(h)->Semn.Record()));
    PKGHOST_CHECK(answer == mapTestObject(h, deep));
    passed += answer;
  }
  PKGHOST_CHECK(passed == 2);  // lakes b and far
  mapDeleteSelectContext(deep);

  // Longer than 250 m: a measure condition of a C context and a measure
  // list of the host's own with the values the context keeps.
  const HSELECT longer = mapCreateMapSelectContext(map);
  PKGHOST_CHECK(mapSelectMeasureAppend(longer, MEASURE_LENGTH, COMPARE_GREATER, 250.0, 0, 0) == 1);
  double first = 0, second = 0;
  PKGHOST_CHECK(mapSelectMeasureValue(longer, 1, &first, &second) == 1);
  const MEASUREMENT condition{MEASURE_LENGTH, 1, COMPARE_GREATER, 0, first, 0.0};
  TPlaneMeasure measures;
  PKGHOST_CHECK(measures.Add(&condition) == 1);
  passed = 0;
  for (HOBJ h : o.All()) {
    TObjectInfo* info = Info(h);
    const int answer = measures.MeasureCheck(TObjectDesc(info->Desc), &info->Metric);
    PKGHOST_CHECK(answer == mapTestObject(h, longer));
    passed += answer;
  }
  PKGHOST_CHECK(passed == 2);  // the road and the bend
  mapDeleteSelectContext(longer);
}

// --- Object geometry ---

void Geometry(HMAP map, const Objects& o) {
  // Lake b cut by lake a: the part of b inside a.
  {
    const HANDLE cut = mapCreateObjectsCross(o.a, o.b, 1, kPrecision);
    PlanePair planes(o.a, o.b);
    auto worker = std::make_unique<TObjectCut>();
    PKGHOST_CHECK(cut != 0);
    PKGHOST_CHECK(worker->LoadObjects(&planes.first, &planes.second, 1, kPrecision, 0) == 1);
    PKGHOST_CHECK(SamePieces(map, [&] { return worker->GetNextObject(); },
                             [&](HOBJ r) { return mapGetNextCross(cut, r); }) == 1);
    mapFreeObjectsCross(cut);
  }
  // Lake a cut by the line across it: two pieces.
  {
    const HANDLE cut = mapCreateObjectCutByLine(o.line, o.a, 1, kPrecision);
    auto worker = std::make_unique<TObjectCutByLine>();
    PKGHOST_CHECK(cut != 0);
    PKGHOST_CHECK(worker->LoadObjects(Info(o.line), Info(o.a), 1, kPrecision) == 1);
    PKGHOST_CHECK(SamePieces(map, [&] { return worker->GetNextObject(); },
                             [&](HOBJ r) { return mapGetNextCut(cut, r); }) == 2);
    mapFreeObjectsCut(cut);
  }
  // The consent: the part of lake b outside lake a; the same area is what
  // the cut of one subject leaves of b outside a.
  {
    const HANDLE consent = mapCreateObjectsConsent(o.a, o.b, 1, kPrecision);
    auto worker = std::make_unique<TObjectConsent>();
    PKGHOST_CHECK(consent != 0);
    PKGHOST_CHECK(worker->LoadObjects(Info(o.b), Info(o.a), 1, 0, kPrecision) == 1);
    PKGHOST_CHECK(SamePieces(map, [&] { return worker->GetNextObject(); },
                             [&](HOBJ r) { return mapGetNextConsent(consent, r); }) == 1);
    mapFreeObjectsConsent(consent);

    PlanePair planes(o.b, o.a);
    auto subject = std::make_unique<TObjectCutSubject>();
    PKGHOST_CHECK(subject->LoadObjects(&planes.first, &planes.second, 1, 0, kPrecision) == 1);
    double area = 0;
    for (TDataEdit* piece = subject->GetNextObject(); piece != nullptr;
         piece = subject->GetNextObject())
      area += piece->Square();
    PKGHOST_CHECK(std::fabs(area - 6500.0) < 0.01);
  }
  // The union of the two lakes.
  {
    const HOBJ result = mapCreateObject(map, 1, 0, 0);
    PKGHOST_CHECK(mapGetObjectsUnion(o.a, o.b, result, 1, kPrecision) == result);
    PlanePair planes(o.a, o.b);
    auto worker = std::make_unique<TObjectUnion>();
    PKGHOST_CHECK(worker->LoadObjects(&planes.first, &planes.second, 1, kPrecision, kPrecision));
    const HOBJ mine = Piece(map, worker->GetObjectA());
    PKGHOST_CHECK(mine != 0 && Plane(mine) == Plane(result));
    PKGHOST_CHECK(std::fabs(mapSquare(result) - 16500.0) < 0.01);
    mapFreeObject(mine);
    mapFreeObject(result);
  }
  // The zone and the one-sided zone of the bend, 20 m wide: the builder
  // works on the metric as it is held, in the map's units.
  TMap* m = MapOfHandle(map);
  const double width = 20.0 / (m->IsRealPlace() ? 1.0 : m->Factor);
  for (int half = 0; half < 2; ++half) {
    const HOBJ zoned = mapCreateCopyObject(map, o.bend);
    PKGHOST_CHECK(zoned != 0);
    if (zoned == 0) continue;
    PKGHOST_CHECK((half ? mapHalfZoneObject(20.0, zoned, 0) : mapZoneObject(20.0, zoned, 0, 0)) ==
                  1);
    TBuildZone zone;
    TDataEdit& bend = Info(o.bend)->Metric;
    PKGHOST_CHECK((half ? zone.BuildHalf(width, &bend, 0, -1.0)
                        : zone.Build(width, &bend, 0, -1.0, 0)) == 1);
    const std::vector<double> mine = Held(zone.Result, 0);
    PKGHOST_CHECK(mine.size() > 8 && mine == Held(Info(zoned)->Metric, 0));
    mapFreeObject(zoned);
  }
  // The crossing points of the line with lake a.
  {
    const HANDLE list = mapCreateObjectCrossPoints(o.line, o.a);
    TPointCrossObject points;
    PKGHOST_CHECK(list != 0);
    PKGHOST_CHECK(points.LoadObjects(Info(o.line), Info(o.a), 0.0) == 2);
    PKGHOST_CHECK(points.Count() == mapGetCrossCount(list));
    for (int n = 1; n <= points.Count(); ++n) {
      CROSSPOINT mine{}, theirs{};
      PKGHOST_CHECK(points.GetPoint(n, &mine) == 1 && mapGetCrossPoint(list, n, &theirs) == 1);
      PKGHOST_CHECK(std::memcmp(&mine, &theirs, sizeof mine) == 0);
    }
    PKGHOST_CHECK(points.GetPoint(3, nullptr) == 0);
    mapFreeCrossPoints(list);
  }
}

// --- The painting link of the document ---

void PaintSize(HMAP map) {
  TPaintMetric* doc = static_cast<TPaintMetric*>(MapOfHandle(map));
  SIZE old{};
  doc->SetPaintSize(321, 123, &old);
  SIZE now{};
  doc->SetPaintSize(321, 123, &now);
  PKGHOST_CHECK(now.cx == 321 && now.cy == 123 && doc->PaintWidth == 321);
  // A picture painted through the C functions takes its own size for the
  // call and gives the document's back.
  std::vector<RGBQUAD> palette(256);
  std::vector<char> bits(64 * 48);
  RECT rect{0, 0, 64, 48};
  PKGHOST_CHECK(mapPaintToImage(map, palette.data(), bits.data(), 64, 48, &rect) == 1);
  doc->SetPaintSize(old.cx, old.cy, &now);
  PKGHOST_CHECK(now.cx == 321 && now.cy == 123);
}

// --- Rasters and matrices ---

LONG Element(int row, int column) { return (row * 7 + column * 3) % 251; }

void Rasters(const std::string& folder) {
  const std::string path = folder + "/host.rsw";
  std::vector<COLORREF> gray(256);
  for (int i = 0; i < 256; ++i) gray[i] = COLORREF(i * 0x010101);
  HMAP doc = mapCreateRst(path.c_str(), 300, 200, 8, gray.data(), 256, 10000.0, 1000.0);
  PKGHOST_CHECK(doc != 0);
  if (doc == 0) return;
  for (int r = 0; r < 200; ++r)
    for (int c = 0; c < 300; ++c) PKGHOST_CHECK(mapPutRstPoint(doc, 1, Element(r, c), r, c) == 1);
  PKGHOST_CHECK(mapSaveRst(doc, 1) == 1);

  // Elements through the raster class, blocks through the file class.
  TRst raster;
  PKGHOST_CHECK(raster.Open(path.c_str(), 0) == 1);
  int wrong = 0;
  for (int r = 0; r < 200; r += 7)
    for (int c = 0; c < 300; c += 11) {
      LONG mine = -1, theirs = -2;
      wrong += raster.GetPoint(mine, r, c) != 1 || mapGetRstPoint(doc, 1, &theirs, r, c) != 1 ||
               mine != theirs || mine != Element(r, c);
    }
  PKGHOST_CHECK(wrong == 0);
  TRmf file;
  PKGHOST_CHECK(file.OpenFile(path.c_str(), 0) == 1);
  PKGHOST_CHECK(file.BlockCount() == mapGetRstBlockCount(doc, 1) && file.BlockCount() == 2);
  for (int br = 0; br < file.Head.BlockRows; ++br)
    for (int bc = 0; bc < file.Head.BlockColumns; ++bc) {
      const int length = file.BlockRawLength(br, bc);
      PKGHOST_CHECK(length == mapGetRstCurrentBlockSize(doc, 1, br, bc));
      const BYTE* mine = file.GetBlockAddress(br, bc);
      const char* theirs = mapGetRstBlock(doc, 1, br, bc);
      PKGHOST_CHECK(mine != nullptr && theirs != nullptr &&
                    std::memcmp(mine, theirs, size_t(length)) == 0);
    }
  file.Close();
  mapCloseData(doc);

  // An element the class writes is read back through the C functions.
  PKGHOST_CHECK(raster.PutPoint(250, 150, 280) == 1);
  raster.Close();
  doc = mapOpenRst(path.c_str(), 0);
  LONG value = 0;
  PKGHOST_CHECK(doc != 0 && mapGetRstPoint(doc, 1, &value, 150, 280) == 1 && value == 250);
  mapCloseData(doc);
}

// Heights of an elevation matrix of 30 x 40 elements of 10 m in
// decimetres, some elements left empty.
bool Empty(int row, int column) { return (row + column) % 7 == 0; }
double Height(int row, int column) { return 100 + row * 0.5 + column * 0.3; }

void Heights(const std::string& folder) {
  const std::string path = folder + "/host.mtw";
  BUILDMTW build;
  PkgHostMtwRecord(&build, X0, Y0, 400, 300, 10);
  HMAP doc = mapCreateMtw(path.c_str(), &build, nullptr);
  PKGHOST_CHECK(doc != 0);
  if (doc == 0) return;
  for (int r = 0; r < 30; ++r)
    for (int c = 0; c < 40; ++c)
      if (!Empty(r, c))
        PKGHOST_CHECK(mapPutHeightValue(doc, 1, X0 + (29 - r + 0.5) * 10, Y0 + (c + 0.5) * 10,
                                        Height(r, c)) == 1);
  mapCloseData(doc);

  doc = mapOpenMtr(path.c_str(), 0);
  TMtr matrix;
  PKGHOST_CHECK(doc != 0 && matrix.Open(path.c_str(), 0) == 1);
  int wrong = 0, empty = 0;
  for (double x = X0 + 1; x < X0 + 300; x += 6.5)
    for (double y = Y0 + 2; y < Y0 + 400; y += 7.25) {
      LONG raw = 0;
      double h = kNoHeight;
      if (matrix.GetPlanePoint(raw, x, y) && !matrix.EmptyElement(raw))
        h = raw * matrix.HeightInverse;
      else
        ++empty;
      wrong += h != mapGetHeightValueOfMtr(doc, 1, x, y);
      double t = 0, triangle = kNoHeight;
      if (matrix.GetPlanePointTriangle(t, x, y) && t > matrix.Head.EmptyValue &&
          t * matrix.HeightInverse >= matrix.GetMinimum() &&
          t * matrix.HeightInverse <= matrix.GetMaximum())
        triangle = t * matrix.HeightInverse;
      wrong += triangle != mapGetPrecisionHeightTriangle(doc, x, y);
    }
  PKGHOST_CHECK(wrong == 0);
  PKGHOST_CHECK(empty > 0);
  matrix.Close();
  mapCloseData(doc);
}

// A layer matrix of 20 x 24 elements of 10 m with a height and two layers.
void Layers(const std::string& folder) {
  const std::string path = folder + "/host.mtl";
  MTLBUILDPARM build;
  PkgHostMtlRecord(&build, X0, Y0, X0 + 200, Y0 + 240, 10, 2);
  HMAP doc = mapCreateMtl(path.c_str(), &build);
  PKGHOST_CHECK(doc != 0);
  if (doc == 0) return;
  for (int r = 0; r < 20; ++r)
    for (int c = 0; c < 24; ++c) {
      const double x = X0 + (19 - r + 0.5) * 10, y = Y0 + (c + 0.5) * 10;
      PKGHOST_CHECK(mapPutElementHeight(doc, 1, x, y, (r * 7 + c * 3) % 50) == 1);
      for (LONG l = 1; l <= 2; ++l)
        PKGHOST_CHECK(mapPutElementPower(doc, 1, x, y, ((r + c * l) % 10) * 0.1 + l, l) == 1);
    }
  PKGHOST_CHECK(mapSaveMtl(doc, 1) == 1);
  mapCloseData(doc);

  doc = mapOpenMtl(path.c_str(), 0);
  TMtl matrix;
  PKGHOST_CHECK(doc != 0 && matrix.Open(path.c_str(), 0) == 1);
  PKGHOST_CHECK(matrix.LayerCount() == 2);
  int wrong = 0;
  for (double x = X0 + 1; x < X0 + 200; x += 9.5)
    for (double y = Y0 + 2; y < Y0 + 240; y += 8.25) {
      double h = kNoHeight;
      if (!matrix.GetPlaneHeight(h, x, y)) h = kNoHeight;
      wrong += h != mapGetElementHeightOfMtl(doc, 1, x, y);
      for (LONG l = 1; l <= 2; ++l) {
        double p = MTL_NO_POWER;
        if (!matrix.GetPlanePower(p, x, y, l)) p = MTL_NO_POWER;
        wrong += p != mapGetElementPowerOfMtl(doc, 1, x, y, l);
      }
      double mine[2] = {0, 0}, theirs[2] = {1, 1};
      const int a = matrix.GetPlanePowersTriangle(x, y, mine, 2);
      const LONG b = mapGetElementPowersTriangleOfMtl(doc, 1, x, y, theirs, 2);
      wrong += a != b || (a && (mine[0] != theirs[0] || mine[1] != theirs[1]));
    }
  PKGHOST_CHECK(wrong == 0);
  matrix.Close();
  mapCloseData(doc);
}

// --- Block compression ---

void Compression() {
  std::string text;
  for (int i = 0; text.size() < 6000; ++i) text += "block " + std::to_string(i % 17) + " of a map; ";
  const int n = int(text.size());
  std::vector<char> mine(n), theirs(n), back(n), again(n);
  TCompress coder;
  const int packed = coder.Compress(text.data(), n, mine.data(), n);
  PKGHOST_CHECK(packed > 0 && packed < n / 2);
  PKGHOST_CHECK(packed == mapCompressLZW(text.data(), n, theirs.data(), n));
  PKGHOST_CHECK(std::memcmp(mine.data(), theirs.data(), size_t(packed)) == 0);
  PKGHOST_CHECK(coder.Decompress(mine.data(), packed, back.data(), n) == n);
  PKGHOST_CHECK(mapDecompressLZW(mine.data(), packed, again.data(), n) == n);
  PKGHOST_CHECK(std::memcmp(back.data(), text.data(), size_t(n)) == 0 && back == again);

  // Matrix elements with runs and empty ones come back, the empty ones as
  // the empty mark.
  std::vector<LONG> elements(1024);
  for (int i = 0; i < 1024; ++i) elements[i] = i % 100 < 30 ? -500 : 1000 + i / 64;
  std::vector<char> coded(4096);
  std::vector<LONG> decoded(1024);
  const int size = coder.CompressMtr(elements.data(), 4096, coded.data(), 4096, -100);
  PKGHOST_CHECK(size > 0);
  PKGHOST_CHECK(coder.DecompressMtr(coded.data(), size, reinterpret_cast<char*>(decoded.data()),
                                    4096) == 4096);
  int wrong = 0;
  for (int i = 0; i < 1024; ++i)
    wrong += decoded[i] != (elements[i] < -100 ? kMtrEmptyValue : elements[i]);
  PKGHOST_CHECK(wrong == 0);
}

// --- A header in front of a file ---

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void FileHeader(const std::string& folder) {
  const std::string path = folder + "/content.bin", copy = folder + "/copy.bin";
  std::string content;
  for (int i = 0; content.size() < 70000; ++i) content += char('a' + i % 26);
  std::ofstream(path, std::ios::binary) << content;
  TPrepareFileHeader prepare;
  char header[] = "HEAD";
  PKGHOST_CHECK(prepare.InsertAndRun(path.c_str(), path.c_str(), header, 4) == 1);
  PKGHOST_CHECK(ReadFile(path) == "HEAD" + content);
  PKGHOST_CHECK(prepare.Copy(path.c_str(), copy.c_str()) == 1);
  PKGHOST_CHECK(ReadFile(copy) == "HEAD" + content);
}

}  // namespace

int main(int argc, char** argv) {
  const char* given = PkgHostFolder(argc, argv, "pkghost_classes");
  if (given == nullptr) return 2;
  mapMessageEnable(0);
  const std::string folder = given;
  const Kinds kinds = MakeClassifier(folder + "/classes.rsc");
  const HMAP map = MakeMap(folder + "/classes.map", folder + "/classes.rsc");
  PKGHOST_CHECK(map != 0);
  if (map == 0) return PkgHostExit("pkghost_classes");

  Objects o;
  o.a = Square(map, 100, 100, 100, "3");
  o.b = Square(map, 150, 130, 100, "7");
  o.far = Square(map, 600, 600, 100, "9");
  o.line = Commit(map, kRoad, LOCAL_LINE, {{50, 140}, {250, 140}});
  o.road = Commit(map, kRoad, LOCAL_LINE, {{600, 100}, {900, 100}});
  o.bend = Commit(map, kRoad, LOCAL_LINE, {{1000, 1000}, {1000, 1200}, {1300, 1200}});
  if (pkghost_failures == 0) {
    Selection(map, kinds, o);
    Geometry(map, o);
    PaintSize(map);
  }
  for (HOBJ h : o.All()) mapFreeObject(h);
  mapCloseData(map);
  Rasters(folder);
  Heights(folder);
  Layers(folder);
  Compression();
  FileHeader(folder);
  return PkgHostExit("pkghost_classes");
}
