// A small host program of the map library: shows what the library does so
// far. Usage: mapdemo [output folder]
#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "api/mapapi.h"
#include "classifier/maprsc.h"
#include "geodesy/translate.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"

namespace {

// The library's texts are code page 1251; the terminal wants UTF-8.
std::string ToUtf8(const char* cp1251) {
  std::string out;
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  if (cd == (iconv_t)-1) return cp1251;
  std::string in(cp1251);
  out.resize(in.size() * 3 + 1);
  char* src = in.data();
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

int ShowBox(HWND, const char* text, const char* caption, UINT flags, void*) {
  std::printf("  message box [%s] (flags 0x%X): %s\n", ToUtf8(caption).c_str(), flags,
              ToUtf8(text).c_str());
  return IDOK;
}

// The kinds the demo adds to a new classifier.
const DWORD kRoadCode = 31120000;
const DWORD kLakeCode = 31410000;

// A classifier of scale 1:100 000 with a layer and two kinds of its own,
// saved into `path`; 0 on failure.
int MakeClassifier(const std::string& path) {
  RSCCREATE create{};
  std::strcpy(create.Name, "DEMO CLASSIFIER");
  std::strcpy(create.Type, "DEMO");
  std::strcpy(create.Code, "DEMO100");
  create.Scale = 100000;
  create.Language = 1;
  PALETTE256 palette{};
  palette.Version = 0x0300;
  palette.Count = 16;
  for (int i = 0; i < 16; ++i) palette.Colors[i] = TMapRsc::GetDefaultColor(i);

  TMapRsc rsc;
  if (!rsc.CreateRsc(path.c_str(), &create, &palette, 0)) return 0;
  RSCSEGMENT layer{};
  std::strcpy(layer.Name, "DEMO LAYER");
  const int segment = rsc.AppendSegment(&layer);

  const struct { DWORD code; int local; const char* name; } kinds[] = {
      {kRoadCode, LOCAL_LINE, "ROAD"}, {kLakeCode, LOCAL_SQUARE, "LAKE"}};
  for (const auto& k : kinds) {
    RSCOBJ obj{};
    obj.Excode = k.code;
    obj.Local = WORD(k.local);
    obj.Segment = WORD(segment);
    std::strcpy(obj.Name, k.name);
    const int n = rsc.AppendObject(&obj, 1);
    if (n == 0 || !rsc.CreateDefaultView(n)) return 0;
  }
  std::printf("classifier %s: %d kinds (%d service kinds and 2 of its own), %d layers, %d semantics\n",
              rsc.Name, rsc.GetObjCount(), rsc.GetObjCount() - 2, rsc.GetSegCount(),
              rsc.GetSemCount());
  return rsc.Save(1);
}

// Plane coordinates (metres) of sheet 1 to the map's device units and back.
DOUBLEPOINT ToDevice(TMap& map, double x, double y) {
  const DOUBLEPOINT* view = map.ViewPosition(1);
  return {(x - map.X0) / map.Factor - view->X, (y - map.Y0) / map.Factor - view->Y};
}
DOUBLEPOINT ToPlane(TMap& map, double x, double y) {
  const DOUBLEPOINT* view = map.ViewPosition(1);
  return {(x + view->X) * map.Factor + map.X0, (y + view->Y) * map.Factor + map.Y0};
}

// A new object of the kind on sheet 1 with one contour through the points
// (plane coordinates), appended to the sheet; its number, 0 on failure.
int AppendObject(TMap& map, DWORD code, int local, const DOUBLEPOINT* points, int count) {
  TObjectInfo object;
  if (!object.CreateObject(&map, 1, 0, 0) || !object.RegisterObject(LONG(code), local)) return 0;
  for (int i = 0; i < count; ++i) {
    const DOUBLEPOINT p = ToDevice(map, points[i].X, points[i].Y);
    if (!object.Metric.AppendPointSubject(0, p.X, p.Y)) return 0;
  }
  if (!map.OpenList(1)) return 0;
  return map.AppendObject(object.Desc, object.Metric.Record, object.Semn.Record(),
                          object.Draw.Record());
}

// A map of one 10 x 10 km sheet with the classifier, and a road and a lake
// on it; 0 on failure.
int MakeMap(const std::string& path, const std::string& rscPath) {
  TMapRegister reg;
  std::strcpy(reg.Map.Name, "Demo map");
  reg.Map.Scale = 100000;
  LISTREGISTER& sheet = reg.List.Register;
  std::strcpy(sheet.Nomenclature, "DEMO-1");
  std::strcpy(sheet.FileName, "DEMO1");
  const double x0 = 6000000, y0 = 7400000, size = 10000;  // south-west corner, metres
  sheet.XSouthWest = x0, sheet.YSouthWest = y0;
  sheet.XNorthWest = x0 + size, sheet.YNorthWest = y0;
  sheet.XNorthEast = x0 + size, sheet.YNorthEast = y0 + size;
  sheet.XSouthEast = x0, sheet.YSouthEast = y0 + size;

  TMap map;
  if (!map.CreateDataEx(path.c_str(), rscPath.c_str(), &reg.Map, &sheet)) return 0;
  const DOUBLEPOINT road[] = {
      {x0 + 1000, y0 + 500}, {x0 + 4000, y0 + 3500}, {x0 + 6500, y0 + 4000}, {x0 + 9500, y0 + 8000}};
  const DOUBLEPOINT lake[] = {{x0 + 6000, y0 + 1000}, {x0 + 8000, y0 + 1500}, {x0 + 8500, y0 + 3000},
                              {x0 + 6500, y0 + 2500}, {x0 + 6000, y0 + 1000}};
  const int r = AppendObject(map, kRoadCode, LOCAL_LINE, road, 4);
  const int l = AppendObject(map, kLakeCode, LOCAL_SQUARE, lake, 5);
  std::printf("map %s created: road is object %d, lake is object %d\n", map.Name(), r, l);
  return r > 0 && l > 0 && map.Save(1);
}

// Opens the map again and lists what it holds.
int ShowMap(const std::string& path) {
  TMap map;
  if (!map.OpenData(path.c_str(), 0)) return 0;
  std::printf("map %s, scale 1:%d, classifier %s, %d sheet(s)\n", map.Name(), int(map.Scale()),
              map.NameRSC(), map.Count());
  for (int sheet = 1; sheet <= map.Count(); ++sheet) {
    const int count = map.GetObjectCount(sheet);
    std::printf("sheet %d (%s): %d object(s)\n", sheet, map.Nomenclature(sheet), count);
    for (int n = 1; n <= count; ++n) {
      TObjectInfo object;
      if (object.Object(&map, sheet, n)->Desc == nullptr) continue;
      const FVSPR* d = object.Desc;
      const DOUBLEPOINT lo = ToPlane(map, d->X1, d->Y1), hi = ToPlane(map, d->X2, d->Y2);
      std::printf("  %d: %-5s %-7s code %u, %d points, frame X %.0f..%.0f Y %.0f..%.0f m\n", n,
                  object.ObjectName(), TObjectInfo::LocalName(object.ObjectLocal(), 1),
                  unsigned(object.ObjectExcode()), object.Metric.PointCount(0), lo.X, hi.X, lo.Y,
                  hi.Y);
    }
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* outDir = argc > 1 ? argv[1] : ".";
  platSetMessageBoxHook(ShowBox, nullptr);

  std::printf("mapcore demo (output folder %s)\n", outDir);
  std::printf("library language: %d (1 English, 2 Russian)\n", GetMapAccessLanguage());

  std::printf("error 60007 in English:\n");
  ErrorMessage(60007, "demo.map");
  SetMapAccessLanguage(2);
  std::printf("error 60007 in Russian:\n");
  ErrorMessage(60007, "demo.map");
  SetMapAccessLanguage(1);

  // Gauss-Krueger coordinates of a point on the Krasovsky ellipsoid.
  TTranslate gk;
  const double kDeg = 3.14159265358979323846 / 180.0;
  double x = 0, y = 0, b = 0, l = 0;
  gk.BL2XY_GK(55.75 * kDeg, 37.62 * kDeg, &x, &y);
  gk.XY2BL_GK(x, y, &b, &l);
  std::printf("B 55.75, L 37.62 degrees -> zone %d, X %.3f m, Y %.3f m -> B %.9f, L %.9f\n",
              gk.GetNumberZone(), x, y, b / kDeg, l / kDeg);

  // Block compression round trip.
  char block[4096], packed[4096], unpacked[4096];
  for (int i = 0; i < 4096; ++i) block[i] = static_cast<char>((i / 64) & 7);
  int n = mapCompressLZW(block, 4096, packed, sizeof(packed));
  int m = n > 0 ? mapDecompressLZW(packed, n, unpacked, sizeof(unpacked)) : 0;
  std::printf("LZW: 4096 bytes -> %d bytes -> %d bytes\n", n, m);

  mapSetPathShell(argv[0]);
  std::printf("host folder: %s\n", mapGetPathShell());

  // A classifier, a map made with it, two objects, and the map read back.
  const std::string rscPath = std::string(outDir) + "/demo.rsc";
  const std::string mapPath = std::string(outDir) + "/demo.map";
  if (!MakeClassifier(rscPath) || !MakeMap(mapPath, rscPath) || !ShowMap(mapPath)) {
    std::printf("the demo map could not be made\n");
    return 1;
  }
  return 0;
}
