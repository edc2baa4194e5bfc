#include "support/hostwalk.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "api/mapapi.h"

namespace fuzz {

namespace {

// The numbers a walk visits for a count read from a file: 1 .. min(count,
// limit), the last one and one beyond, and 0.
std::vector<LONG> Probe(LONG count, LONG limit) {
  std::vector<LONG> numbers;
  for (LONG n = 1; n <= count && n <= limit; ++n) numbers.push_back(n);
  if (count > limit) numbers.push_back(count);
  if (count < 0x7FFFFFFF) numbers.push_back(count + 1);
  numbers.push_back(0);
  return numbers;
}

constexpr LONG kSide = 64;  // the pictures' side, pixels

// True when the bitmap of `dc` shows something: its pixels are not all of
// one colour (the background).
bool Inked(HDC dc, LONG width, LONG height) {
  LONG stride = 0;
  const auto* bits = static_cast<const unsigned char*>(platGetBitmapBits(dc, &stride));
  if (bits == nullptr) return false;
  const uint32_t first = *reinterpret_cast<const uint32_t*>(bits) & 0xFFFFFF;
  for (LONG y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(bits + size_t(y) * size_t(stride));
    for (LONG x = 0; x < width; ++x)
      if ((row[x] & 0xFFFFFF) != first) return true;
  }
  return false;
}

// One image record measured as a host measures it: its size with a text,
// and the frame of its sign turned.
void Measure(HRSC rsc, LONG function, const char* parameters) {
  if (parameters == nullptr) return;
  IMAGESIZE size{};
  mapGetRscImageSize(rsc, function, parameters, "AB", &size);
  IMAGEFRAME frame{};
  mapGetRscMarkFrame(rsc, function, parameters, 0.0, &frame);
  mapGetRscMarkFrame(rsc, function, parameters, 0.7, &frame);
}

bool g_hostWalks = true;

// Every kind of the classifier measured (its screen and printer images and
// each element of a set) and, with a document, painted as legend samples
// at the view types of the memory image and of the device (a classifier
// opened alone through its handle). Counts the kinds and the samples that
// answered 1.
void WalkKinds(HMAP map, HRSC rsc, HostReport& r) {
  if (rsc == 0) return;
  HDC dc = platCreateBitmapDC(48, 40, 1);
  RECT box{0, 0, 48, 40};
  for (LONG incode : Probe(mapGetRscObjectCount(rsc), 60)) {
    ++r.kinds;
    for (LONG print : {0, 1}) {
      const LONG function = print ? mapGetRscPrintObjectFunction(rsc, incode)
                                  : mapGetRscObjectFunction(rsc, incode);
      Measure(rsc, function,
              print ? mapGetRscPrintObjectParameters(rsc, incode)
                    : mapGetRscObjectParameters(rsc, incode));
      for (LONG n : Probe(mapGetRscPrimitiveCount(rsc, incode, print), 8))
        Measure(rsc, mapGetRscPrimitiveFunction(rsc, incode, n, print),
                mapGetRscPrimitiveParameters(rsc, incode, n, print));
    }
    if (dc == 0 || map == 0) continue;
    if (rsc != mapGetRscIdent(map, 0)) {
      r.samples += mapPaintExampleRscObject(map, rsc, dc, &box, incode) == 1;
      continue;
    }
    for (LONG type : {1, 4}) r.samples += mapPaintExampleObjectEx(map, dc, &box, incode, type) == 1;
  }
  if (dc != 0) platDeleteBitmapDC(dc);
}

// The picture rectangle `at` painted at visual types 1 and 4 into `dc`
// (kSide square): the pictures that show something.
int PaintAt(HMAP map, HDC dc, const RECT& at) {
  int pictures = 0;
  for (LONG type : {1, 4}) {
    const LONG old = mapSetViewType(map, type);
    RECT rect = at;
    const LONG painted = mapPaint95(map, dc, 1, &rect);
    if (painted == 1 && Inked(dc, kSide, kSide)) ++pictures;
    mapSetViewType(map, old);
  }
  return pictures;
}

// The map painted at visual types 1 and 4: its middle at the scale it
// opens at, and the whole picture fitted into one. Counts the pictures
// that show something.
void PaintMap(HMAP map, HostReport& r) {
  HDC dc = platCreateBitmapDC(kSide, kSide, 1);
  if (dc == 0) return;
  LONG width = 0, height = 0;
  mapGetPictureSize(map, &width, &height);
  const LONG left = std::max<LONG>(0, width / 2 - kSide / 2);
  const LONG top = std::max<LONG>(0, height / 2 - kSide / 2);
  r.pictures += PaintAt(map, dc, RECT{left, top, left + kSide, top + kSide});
  // Zoomed out so that the whole picture fits (the scale keeps its limits).
  const double fit = double(kSide) / double(std::max<LONG>({width, height, 1}));
  LONG x = 0, y = 0;
  if (fit < 1 && mapChangeViewScale(map, &x, &y, float(std::max(fit, 0.002))) != 0)
    r.pictures += PaintAt(map, dc, RECT{0, 0, kSide, kSide});
  platDeleteBitmapDC(dc);
}

// Every sheet's objects read through an object handle (metric, text,
// semantics), each painted alone around its first point at visual types 1
// and 4 (the fixture map's objects lie outside its sheets' frames, where
// the map's own picture does not reach).
void ReadObjects(HMAP map, HostReport& r) {
  HDC dc = platCreateBitmapDC(kSide, kSide, 1);
  HOBJ o = mapCreateObject(map, 1, 0, 0);
  if (o != 0) {
    for (LONG sheet : Probe(mapGetListCount(map), 4)) {
      for (LONG n : Probe(mapGetObjectCount(map, sheet), 40)) {
        if (mapReadObjectByNumber(map, 0, o, sheet, n) != o) continue;
        ++r.objects;
        char text[256];
        mapGetText(o, text, sizeof text, 0);
        mapObjectLocal(o);
        mapObjectCode(o);
        for (LONG part : Probe(mapPolyCount(o) - 1, 4)) mapPointCount(o, part);
        for (LONG s : Probe(mapSemanticAmount(o), 8)) mapSemanticValue(o, s, text, sizeof text);
        if (dc == 0) continue;
        double px = mapXPlane(o, 1, 0), py = mapYPlane(o, 1, 0);
        mapPlaneToPicture(map, &px, &py);
        RECT rect{0, 0, kSide, kSide};
        if (px > -1e6 && px < 1e6 && py > -1e6 && py < 1e6)
          rect = RECT{LONG(px) - kSide / 2, LONG(py) - kSide / 2, LONG(px) + kSide / 2,
                      LONG(py) + kSide / 2};
        for (LONG type : {1, 4}) {
          const LONG old = mapSetViewType(map, type);
          RECT at = rect;
          const LONG painted = mapPaintObject95(map, dc, &at, o);
          if (painted == 1 && Inked(dc, kSide, kSide)) ++r.painted;
          mapSetViewType(map, old);
        }
      }
    }
    mapFreeObject(o);
  }
  if (dc != 0) platDeleteBitmapDC(dc);
}

// The journal's actions read with their records.
void ReadJournal(HMAP map, HostReport& r) {
  for (LONG n : Probe(mapLogCount(map, 0), 16)) {
    ACTIONHEAD head{};
    if (mapLogReadAction(map, 0, n, &head) <= 0) continue;
    ++r.actions;
    for (LONG i : Probe(mapLogGetActionRecordCount(map, 0), 16)) {
      ACTIONRECORD record{};
      mapLogGetActionRecord(map, 0, i, &record);
    }
  }
  ACTIONHEAD last{};
  mapReadLastAction(map, 0, &last);
}

bool IsClassifier(const std::string& path) {
  return path.size() > 4 && (path.compare(path.size() - 4, 4, ".rsc") == 0 ||
                             path.compare(path.size() - 4, 4, ".RSC") == 0);
}

}  // namespace

void SetHostWalks(bool on) { g_hostWalks = on; }

int PaintPictures(HMAP map) {
  HostReport r;
  if (!g_hostWalks) return 0;
  PaintMap(map, r);
  return r.pictures;
}

HostReport HostWalk(const std::string& path, const std::string& mapPath) {
  HostReport r;
  if (!g_hostWalks) return r;
  if (IsClassifier(path)) {
    const HRSC rsc = mapOpenRsc(path.c_str());
    const HMAP map = mapPath.empty() ? 0 : mapOpenData(mapPath.c_str(), 0);
    r.opened = rsc != 0;
    WalkKinds(map, rsc, r);
    if (map != 0) {
      WalkKinds(map, mapGetRscIdent(map, 0), r);
      PaintMap(map, r);
      mapCloseData(map);
    }
    if (rsc != 0) mapCloseRsc(rsc);
    return r;
  }
  const HMAP map = mapOpenData(path.c_str(), 0);
  if (map == 0) return r;
  r.opened = 1;
  WalkKinds(map, mapGetRscIdent(map, 0), r);
  ReadObjects(map, r);
  ReadJournal(map, r);
  PaintMap(map, r);
  mapCloseData(map);
  return r;
}

}  // namespace fuzz
