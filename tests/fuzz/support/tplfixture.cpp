#include "support/tplfixture.h"

#include <cstring>
#include <numbers>

#include "api/coord_api.h"
#include "api/document_api.h"
#include "api/messages_api.h"
#include "api/object_api.h"
#include "api/objmetric_api.h"
#include "api/objsem_api.h"
#include "api/site_api.h"
#include "api/sitebuild_api.h"
#include "types/rsctypes.h"
#include "classifier/support/rscbuilder.h"

namespace fuzz {

namespace {

// Codes of the template's kinds: a line, an area, a title and a vector.
constexpr uint32_t kLine = 100100, kFill = 100200, kTitle = 100600, kArrow = 100700;
constexpr double kDegree = std::numbers::pi / 180;

const char kTemplate[] =
    "FRAME margin of a sheet\r\n"
    "/ the frame, 5 mm of fill and an outer line\r\n"
    ".RSCFRAME 100100 5 100200 100100\r\n"
    "\r\n"
    ".RSCLINE 100100 0 0 60 60\n"
    ".RSCTEXT 100600 6 5 -10 5 10 1 North~Side\n"
    ".RSCTEXT 100600 1 -8 0 -8 20 0 Scale 1:100 000 \xFF~\n"
    ".RSCTEXT 100600 3 8 -30 8 30 2 A title long enough to be cut to its length on the ground\n"
    ".DIRECTION 100700 8 -5 0 10\n"
    ".DIRECTION 100100 4 5 0 -10\n"
    ".GEOTEXT 100600 1 2\n";

bool WriteClassifier(const std::string& path) {
  rsctest::Builder b = rsctest::Builder::Minimal();
  const std::pair<uint32_t, int> kinds[] = {
      {kLine, LOCAL_LINE}, {kFill, LOCAL_SQUARE}, {kTitle, LOCAL_TITLE}, {kArrow, LOCAL_VECTOR}};
  for (const auto& [code, local] : kinds) {
    b.AddObject(code, uint8_t(local), "MARGIN").segment = 1;
    b.par.push_back(rsctest::DefaultImage(uint16_t(b.objects.size()), local));
  }
  rsctest::Layer layer;
  layer.name = "MARGIN", layer.shortName = "M", layer.number = 1;
  b.layers.push_back(layer);
  return rsctest::WriteBytes(path, b.Build());
}

// A topographic map at 1:100 000 in zone 7 with one sheet of 50 km
// around 54 degrees north and 39 degrees east, and a user map at its scale.
HMAP MakeMaps(const std::string& folder, HSITE* site) {
  *site = 0;
  const std::string rsc = folder + "margin.rsc";
  if (!WriteClassifier(rsc)) return 0;
  MAPREGISTEREX map{};
  map.Length = sizeof map;
  std::strcpy(map.Name, "MARGIN");
  map.Scale = 100000;
  map.MapType = MAPTYPE_TOPOGRAPHIC;
  map.MaterialProjection = PRJ_GAUSSKRUGER;
  map.EllipsoideKind = ELLIPSOID_KRASOVSKY;
  map.AxisMeridian = 39 * kDegree;
  map.DeviceCapability = MAPREGISTER_DEVICECAPABILITY;
  LISTREGISTER sheet{};
  sheet.Length = sizeof sheet;
  std::strcpy(sheet.Nomenclature, "S1");
  std::strcpy(sheet.FileName, "S1");
  const double x0 = 5960000, y0 = 7475000, side = 50000;
  sheet.XSouthWest = x0, sheet.YSouthWest = y0;
  sheet.XNorthWest = x0 + side, sheet.YNorthWest = y0;
  sheet.XNorthEast = x0 + side, sheet.YNorthEast = y0 + side;
  sheet.XSouthEast = x0, sheet.YSouthEast = y0 + side;
  const HMAP h = mapCreateMapEx((folder + "margin.map").c_str(), rsc.c_str(), &map, &sheet);
  if (h == 0) return 0;
  CREATESITE create{};
  create.Length = sizeof create;
  std::strcpy(create.MapName, "Margin");
  create.Scale = 100000;
  *site = mapCreateAndAppendSite(h, (folder + "margin.sit").c_str(), rsc.c_str(), &create);
  if (*site == 0) {
    mapCloseData(h);
    return 0;
  }
  return h;
}

// The user map's objects read with their metric and text: those read.
int ReadObjects(HMAP h, HSITE site) {
  const HOBJ o = mapCreateSiteObject(h, site, 0, 0);
  if (o == 0) return 0;
  int read = 0;
  const LONG count = mapGetSiteObjectCount(h, site);
  for (LONG n = 1; n <= count && n <= 400; ++n) {
    if (mapReadObjectByNumber(h, site, o, 1, n) != o) continue;
    ++read;
    mapObjectLocal(o);
    mapObjectExcode(o);
    char text[300];
    mapGetText(o, text, sizeof text, 0);
    const LONG points = mapPointCount(o, 0);
    for (LONG p = 1; p <= points && p <= 2000; ++p) mapXPlane(o, p, 0), mapYPlane(o, p, 0);
  }
  mapFreeObject(o);
  return read;
}

}  // namespace

bool BuildTemplateFixture(const std::string& folder) {
  mapMessageEnable(0);
  return WriteFolder(folder, {{kTemplateFile, kTemplate}});
}

Layout TemplateLayout(const Files& files, const std::string& name) {
  auto it = files.find(name);
  Layout l;
  l.text = true;
  if (it == files.end()) return l;
  const std::string& b = it->second;
  for (size_t at = b.find('\n'); at != std::string::npos && at + 1 < b.size();
       at = b.find('\n', at + 1))
    l.Boundary(at + 1);
  return l;
}

WalkReport WalkTemplate(const std::string& path) {
  WalkReport r;
  const std::string folder = path.substr(0, path.rfind('/') + 1);
  HSITE site = 0;
  HMAP h = MakeMaps(folder, &site);
  if (h == 0) return r;
  r.opened = 1;
  // A frame of 6 km around 54 degrees north and 39 degrees east: the
  // parallel and the meridian cross it.
  double b = 54 * kDegree, l = 39 * kDegree;
  mapGeoToPlane(h, &b, &l);
  DFRAME frame{b - 3000, l - 3000, b + 3000, l + 3000};
  DOUBLEPOINT centre{b, l};
  r.kinds = mapAddMarginalRepresentationSite(h, site, path.c_str(), &frame) +
            mapAddMarginalRepresentationSiteEx(h, site, path.c_str(), &frame, 0.3, &centre);
  r.objects = ReadObjects(h, site);
  mapCloseData(h);
  r.saved = 1;
  h = mapOpenData((folder + "margin.map").c_str(), 0);
  if (h == 0) return r;
  site = mapOpenSiteForMap(h, (folder + "margin.sit").c_str(), 0);
  r.reopened = site != 0;
  if (site != 0) r.objectsAfter = ReadObjects(h, site);
  r.host.opened = 1;
  r.host.pictures = PaintPictures(h);
  mapCloseData(h);
  return r;
}

}  // namespace fuzz
