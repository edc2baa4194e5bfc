// A small host program of the map library: shows what the library does so
// far. Usage: mapdemo [output folder]
#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "classifier/maprsc.h"
#include "document/mapaccess.h"
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

// The kinds the demo adds to a new classifier, each with the image it is
// painted with on the screen.
const DWORD kRoadCode = 31120000;   // a red line
const DWORD kTrackCode = 31130000;  // a brown dashed line
const DWORD kLakeCode = 31410000;   // a blue area
const DWORD kFieldCode = 71100000;  // a green hatched area
const DWORD kWellCode = 31510000;   // a black point

struct DemoKind {
  DWORD code;
  int local;
  const char* name;
  int function;    // image primitive
  DWORD words[4];  // its parameters
  int count;
};
const DemoKind kKinds[] = {
    {kRoadCode, LOCAL_LINE, "ROAD", 128, {0x0000D0, 750}, 2},
    {kTrackCode, LOCAL_LINE, "TRACK", 129, {0x204080, 500, 2500, 1500}, 4},
    {kLakeCode, LOCAL_SQUARE, "LAKE", 135, {0xE0A040}, 1},
    {kFieldCode, LOCAL_SQUARE, "FIELD", 136, {0x20A020, 1, 250, 1500}, 4},
    {kWellCode, LOCAL_POINT, "WELL", 140, {0x000000, 0, 2500}, 3},
};

// A classifier of scale 1:100 000 with a layer and the demo's kinds,
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
  for (const DemoKind& k : kKinds) {
    RSCOBJ obj{};
    obj.Excode = k.code;
    obj.Local = WORD(k.local);
    obj.Segment = WORD(segment);
    std::strcpy(obj.Name, k.name);
    const int n = rsc.AppendObject(&obj, 1);
    if (n == 0 ||
        !rsc.SetTabPar(n, k.count * 4, k.function, reinterpret_cast<const char*>(k.words)))
      return 0;
  }
  std::printf("classifier %s: %d kinds (%d service kinds and %d of its own), %d layers\n", rsc.FileName,
              rsc.GetObjCount(), rsc.GetObjCount() - 5, 5, rsc.GetSegCount());
  return rsc.Save(1);
}

// Device units of sheet 1 to plane coordinates (metres).
DOUBLEPOINT ToPlane(TMap& map, double x, double y) {
  const DOUBLEPOINT* view = map.ViewPosition(1);
  return {(x + view->X) * map.Factor + map.X0, (y + view->Y) * map.Factor + map.Y0};
}

// A new object of the kind on sheet 1 with one contour through the points
// (plane coordinates), made and committed through the object functions as
// a host does; its number, 0 on failure.
int AppendObject(HMAP h, DWORD code, int local, const DOUBLEPOINT* points, int count) {
  const HOBJ object = mapCreateObject(h, 1, 0, 0);
  int number = object != 0 && mapRegisterObject(object, LONG(code), local) == 1;
  for (int i = 0; number && i < count; ++i)
    number = mapAppendPointPlane(object, points[i].X, points[i].Y, 0) != 0;
  if (number) number = mapCommit(object);
  mapFreeObject(object);
  return number;
}

// The south-west corner and side of the demo's sheet, metres.
const double kX0 = 6000000, kY0 = 7400000, kSide = 10000;

// A small deterministic generator of the demo's shapes.
struct Random {
  unsigned state = 12345;
  double Next() {  // 0 .. 1
    state = state * 1103515245u + 12345u;
    return double((state >> 8) & 0xFFFF) / 65535.0;
  }
};

// A map of one 10 x 10 km sheet made through the document: fields and
// lakes, roads and tracks across them, wells; 0 on failure.
int MakeMap(const std::string& path, const std::string& rscPath) {
  TMapRegister reg;
  std::strcpy(reg.Map.Name, "Demo map");
  reg.Map.Scale = 100000;
  reg.Map.AxisMeridian = mapGetAxisMeridianByZone(7);  // the sheet's eastings lie in zone 7
  LISTREGISTER& sheet = reg.List.Register;
  std::strcpy(sheet.Nomenclature, "DEMO-1");
  // The sheet's files are named after this demo: the C demo writes its
  // own sheet into the same folder.
  std::strcpy(sheet.FileName, "MAPDEMO1");
  sheet.XSouthWest = kX0, sheet.YSouthWest = kY0;
  sheet.XNorthWest = kX0 + kSide, sheet.YNorthWest = kY0;
  sheet.XNorthEast = kX0 + kSide, sheet.YNorthEast = kY0 + kSide;
  sheet.XSouthEast = kX0, sheet.YSouthEast = kY0 + kSide;

  const HMAP h = mapCreateMapEx(path.c_str(), rscPath.c_str(), &reg.Map, &sheet);
  if (h == 0) return 0;
  TMap& map = *reinterpret_cast<TMap*>(h);  // a document handle is its main map
  Random r;
  int objects = 0;
  // Areas: fields and lakes on a 3 x 3 grid of cells, each a rough pentagon.
  for (int cell = 0; cell < 9; ++cell) {
    const double cx = kX0 + 1700 + (cell / 3) * 3300, cy = kY0 + 1700 + (cell % 3) * 3300;
    DOUBLEPOINT ring[6];
    for (int i = 0; i < 5; ++i) {
      const double a = i * 2 * 3.14159265358979 / 5, radius = 700 + 600 * r.Next();
      ring[i] = {cx + radius * std::cos(a), cy + radius * std::sin(a)};
    }
    ring[5] = ring[0];
    objects += AppendObject(h, cell % 3 == 1 ? kLakeCode : kFieldCode, LOCAL_SQUARE, ring, 6) > 0;
  }
  // Roads across the sheet and tracks between them.
  for (int i = 0; i < 14; ++i) {
    DOUBLEPOINT line[5];
    const bool road = i % 2 == 0;
    for (int k = 0; k < 5; ++k) {
      const double along = 300 + k * 2350, across = 700 + i * 650 + 500 * (r.Next() - 0.5);
      line[k] = i < 7 ? DOUBLEPOINT{kX0 + across, kY0 + along}
                      : DOUBLEPOINT{kX0 + along, kY0 + across - 4550};
    }
    objects += AppendObject(h, road ? kRoadCode : kTrackCode, LOCAL_LINE, line, 5) > 0;
  }
  // Wells.
  for (int i = 0; i < 16; ++i) {
    const DOUBLEPOINT well = {kX0 + 500 + 9000 * r.Next(), kY0 + 500 + 9000 * r.Next()};
    objects += AppendObject(h, kWellCode, LOCAL_POINT, &well, 1) > 0;
  }
  std::printf("map %s created through the document, objects through the object functions: %d objects\n", map.Name(), objects);
  const int saved = map.Save(1);
  mapCloseData(h);
  return objects == 39 && saved;
}

// A PNG file of 32-bit pixels 0x00RRGGBB (rows from the top), written with
// stored deflate blocks: no compression library needed.
unsigned Crc(const unsigned char* data, size_t n, unsigned crc = 0xFFFFFFFFu) {
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc;
}
void PutChunk(std::FILE* f, const char* type, const std::string& data) {
  const unsigned n = unsigned(data.size());
  const unsigned char length[4] = {(unsigned char)(n >> 24), (unsigned char)(n >> 16),
                                   (unsigned char)(n >> 8), (unsigned char)n};
  std::fwrite(length, 1, 4, f);
  std::string body = std::string(type, 4) + data;
  std::fwrite(body.data(), 1, body.size(), f);
  const unsigned crc = ~Crc(reinterpret_cast<const unsigned char*>(body.data()), body.size());
  const unsigned char c[4] = {(unsigned char)(crc >> 24), (unsigned char)(crc >> 16),
                              (unsigned char)(crc >> 8), (unsigned char)crc};
  std::fwrite(c, 1, 4, f);
}
std::string Be32(unsigned v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
bool WritePng(const std::string& path, const std::vector<unsigned>& pixels, int width, int height) {
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // no filter
    for (int x = 0; x < width; ++x) {
      const unsigned v = pixels[size_t(y) * width + x];
      raw += char(v >> 16), raw += char(v >> 8), raw += char(v);
    }
  }
  std::string z = "\x78\x01";
  for (size_t at = 0; at < raw.size(); at += 65535) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z += char(at + n == raw.size() ? 1 : 0);
    z += char(n & 0xFF), z += char(n >> 8), z += char(~n & 0xFF), z += char((~n >> 8) & 0xFF);
    z.append(raw, at, n);
  }
  unsigned a = 1, b = 0;
  for (unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
  z += Be32(b << 16 | a);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite("\x89PNG\r\n\x1a\n", 1, 8, f);
  PutChunk(f, "IHDR",
           Be32(unsigned(width)) + Be32(unsigned(height)) + std::string("\x08\x02\0\0\0", 5));
  PutChunk(f, "IDAT", z);
  PutChunk(f, "IEND", "");
  return std::fclose(f) == 0;
}

// Opens the map by its kind into a document and paints the sheet into a
// picture written as `png`; 0 on failure.
int PaintMap(const std::string& path, const std::string& png) {
  const HMAP h = mapOpenData(path.c_str(), 0);
  if (h == 0) return 0;
  TMapAccess* doc = reinterpret_cast<TMapAccess*>(h);
  doc->MapPalette.BackGround = 0xF0F8FF;
  // A raster under the map: 80 x 80 elements of 125 m (1:125000 at 1000
  // dots per metre) over the sheet, pale rings of 64 colours around its
  // middle, made through the raster functions alone.
  COLORREF rings[256] = {};
  for (int i = 0; i < 64; ++i)
    rings[i] = RGB(200 + i % 8 * 6, 225 + i % 4 * 8, 190 + i / 8 * 8);
  const std::string rst = path.substr(0, path.rfind('.')) + ".rsw";
  const int n = mapCreateAndAppendRst(h, rst.c_str(), 80, 80, 8, rings, 1, 125000, 1000, kX0, kY0);
  std::vector<char> image(80 * 80);
  for (int row = 0; row < 80; ++row)
    for (int col = 0; col < 80; ++col)
      image[row * 80 + col] = char(int(std::hypot(row - 40, col - 40) / 3) % 64);
  if (n && mapPutRstFrame(h, n, image.data(), 0, 0, 80, 80) && mapSaveRst(h, n))
    std::printf("raster %s under the map: %d x %d elements of %d bits\n", rst.c_str(),
                int(mapGetRstWidth(h, n)), int(mapGetRstHeight(h, n)),
                int(mapGetRstElementSize(h, n)));
  doc->SetupPalette();
  doc->SetViewScale(0.6);
  // The picture of the sheet from its north-west corner.
  double x1 = kX0 + kSide, y1 = kY0, x2 = kX0, y2 = kY0 + kSide;
  doc->PlaneToPicture(x1, y1);
  doc->PlaneToPicture(x2, y2);
  const RECT rect{LONG(x1) - 10, LONG(y1) - 10, LONG(x2) + 10, LONG(y2) + 10};
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  std::vector<unsigned> bottomUp(size_t(width) * height), pixels(bottomUp.size());
  const int painted =
      doc->PaintDibToDib32(reinterpret_cast<char*>(bottomUp.data()), width * 4, height, rect);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels[size_t(y) * width + x] = bottomUp[size_t(height - 1 - y) * width + x] & 0xFFFFFF;
  std::printf("map painted at 1:%d, visual type %d: %d x %d pixels into %s\n", int(doc->ShowScale),
              int(mapGetViewType(h)), width, height, png.c_str());
  mapCloseData(h);
  return painted && WritePng(png, pixels, width, height);
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
    for (int n = 1; n <= count && n <= 6; ++n) {
      TObjectInfo object;
      if (object.Object(&map, sheet, n)->Desc == nullptr) continue;
      const FVSPR* d = object.Desc;
      const DOUBLEPOINT lo = ToPlane(map, d->X1, d->Y1), hi = ToPlane(map, d->X2, d->Y2);
      std::printf("  %d: %-5s %-7s code %u, %d points, frame X %.0f..%.0f Y %.0f..%.0f m\n", n,
                  object.ObjectName(), TObjectInfo::LocalName(object.ObjectLocal(), 1),
                  unsigned(object.ObjectExcode()), object.Metric.PointCount(0), lo.X, hi.X, lo.Y,
                  hi.Y);
    }
    if (count > 6) std::printf("  ...\n");
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

  // A classifier, a map made with it and its objects, the map read back
  // and painted.
  const std::string rscPath = std::string(outDir) + "/demo.rsc";
  const std::string mapPath = std::string(outDir) + "/demo.map";
  if (!MakeClassifier(rscPath) || !MakeMap(mapPath, rscPath) || !ShowMap(mapPath) ||
      !PaintMap(mapPath, std::string(outDir) + "/map.png")) {
    std::printf("the demo map could not be made\n");
    return 1;
  }
  return 0;
}
