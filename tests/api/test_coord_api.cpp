// The coordinate functions through the loaded library, as a host calls
// them: angles, zones and distances, the geodetic coordinates of a map's
// sheet against PROJ, and every function of a document refusing a null or
// foreign handle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <proj.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "api/mapapi.h"
#include "types/geotypes.h"
#include "support/apilibrary.h"
#include "support/apimaps.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

class CoordApi : public apitest::LoadedLibraryTest {};

TEST_F(CoordApi, DegreesMinutesAndSeconds) {
  auto toSign = Fn<int32_t (*)(double*, SIGNDEGREE*)>("mapRadianToSignDegree");
  auto fromSign = Fn<int32_t (*)(SIGNDEGREE*, double*)>("mapSignDegreeToRadian");
  auto toPlain = Fn<int32_t (*)(double*, DEGREE*)>("mapRadianToDegree");
  auto fromPlain = Fn<int32_t (*)(DEGREE*, double*)>("mapDegreeToRadian");
  ASSERT_TRUE(toSign && fromSign && toPlain && fromPlain);
  SIGNDEGREE s;
  double r = -0.5 * kDeg;
  ASSERT_EQ(toSign(&r, &s), 1);
  EXPECT_EQ(std::make_tuple(s.Degree, s.Minute, s.Second, s.Sign),
            std::make_tuple(0, 30, 0.0f, -1));
  // 59.99999999 seconds round up into the next minute; 360 degrees is 0.
  r = (10 + 59.99999999 / 3600) * kDeg;
  toSign(&r, &s);
  EXPECT_EQ(std::make_tuple(s.Degree, s.Minute, s.Second), std::make_tuple(10, 1, 0.0f));
  r = 360 * kDeg;
  toSign(&r, &s);
  EXPECT_EQ(s.Degree, 0);
  for (double beyond : {1000000.0, double(NAN)}) {
    r = beyond;
    toSign(&r, &s);
    EXPECT_EQ(std::make_tuple(s.Degree, s.Minute, s.Second, s.Sign),
              std::make_tuple(0, 0, 0.0f, 1));
  }
  SIGNDEGREE in = {12, 30, 36.0f, 0};  // sign 0: positive
  double out = 0;
  fromSign(&in, &out);
  EXPECT_NEAR(out, 12.51 * kDeg, 1e-12);
  in.Sign = -1;
  fromSign(&in, &out);
  EXPECT_NEAR(out, -12.51 * kDeg, 1e-12);

  // Unsigned: a negative angle is negative in every field.
  DEGREE d;
  r = -(2 + 15.0 / 60) * kDeg;
  toPlain(&r, &d);
  EXPECT_EQ(std::make_tuple(d.Degree, d.Minute), std::make_tuple(-2, -15));
  EXPECT_NEAR(d.Second, 0.0f, 1e-3);
  fromPlain(&d, &out);
  EXPECT_NEAR(out, r, 1e-9);
  EXPECT_EQ(toSign(nullptr, &s), 0);
  EXPECT_EQ(fromPlain(&d, nullptr), 0);
}

TEST_F(CoordApi, ZonesOfSixDegrees) {
  auto axis = Fn<double (*)(int32_t)>("mapGetAxisMeridianByZone");
  auto zone = Fn<int32_t (*)(double)>("mapGetZoneByMeridian");
  auto byZone = Fn<int32_t (*)(int32_t, int32_t, double*, double*)>("mapPlaneToPlaneByZone");
  auto toGeo = Fn<int32_t (*)(int32_t, double*, double*)>("mapPlaneToGeo42ByZone");
  auto ownZone = Fn<int32_t (*)(double*, double*)>("mapGeo42ToPlaneByOwnZone");
  ASSERT_TRUE(axis && zone && byZone && toGeo && ownZone);
  EXPECT_NEAR(axis(1), 3 * kDeg, 1e-15);
  EXPECT_NEAR(axis(60), 357 * kDeg, 1e-15);
  EXPECT_EQ(axis(61), 0.0);
  EXPECT_EQ(axis(0), 0.0);
  EXPECT_EQ(zone(-0.1), 60);
  EXPECT_EQ(zone(0.0), 1);
  EXPECT_EQ(zone(39.5 * kDeg), 7);
  EXPECT_EQ(zone(NAN), 0);

  EXPECT_EQ(byZone(7, 7, nullptr, nullptr), 1);
  double x = 5715178.129, y = 7500000.0;
  EXPECT_EQ(byZone(0, 7, &x, &y), 0);
  EXPECT_EQ(byZone(7, 61, &x, &y), 0);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(5715178.129, 7500000.0));
  // B 0.9 on 39 degrees, from zone 7 into zone 8 and back.
  ASSERT_EQ(byZone(7, 8, &x, &y), 1);
  EXPECT_LT(y, 8500000.0);
  EXPECT_GT(y, 8000000.0);
  ASSERT_EQ(byZone(8, 7, &x, &y), 1);  // 6 degrees off zone 8's axis: the series drift
  EXPECT_NEAR(x, 5715178.129, 5e-3);
  EXPECT_NEAR(y, 7500000.0, 5e-3);
  ASSERT_EQ(toGeo(7, &x, &y), 1);
  EXPECT_NEAR(x, 0.9, 1e-9);
  EXPECT_NEAR(y, 39 * kDeg, 1e-9);
  // The zone of the longitude itself: 41 degrees lies in zone 7.
  double b = 0.9, l = 41 * kDeg;
  ASSERT_EQ(ownZone(&b, &l), 1);
  EXPECT_GT(l, 7500000.0);
  EXPECT_LT(l, 7700000.0);
  EXPECT_EQ(ownZone(nullptr, &l), 0);
}

TEST_F(CoordApi, DistancesAndBisectors) {
  auto distance = Fn<double (*)(DOUBLEPOINT*, DOUBLEPOINT*)>("mapDistance");
  auto real = Fn<double (*)(intptr_t, DOUBLEPOINT*, DOUBLEPOINT*)>("mapRealDistance");
  auto bisector = Fn<double (*)(DOUBLEPOINT*, DOUBLEPOINT*, DOUBLEPOINT*)>("mapBisectorAngle");
  ASSERT_TRUE(distance && real && bisector);
  DOUBLEPOINT a = {0, 0}, b = {3, 4}, c = {0, 4};
  EXPECT_EQ(distance(&a, &b), 5.0);
  EXPECT_EQ(distance(&a, nullptr), 0.0);
  // No document: the plane distance; null points: 0, never a read.
  int notAMap[64] = {};
  EXPECT_EQ(real(0, &a, &b), 5.0);
  EXPECT_EQ(real(reinterpret_cast<intptr_t>(notAMap), &a, &b), 5.0);
  EXPECT_EQ(real(0, nullptr, &b), 0.0);
  EXPECT_EQ(real(0, &a, nullptr), 0.0);
  EXPECT_EQ(bisector(&a, nullptr, &c), 0.0);
  EXPECT_NE(bisector(&a, &c, &b), 0.0);
}

class MapCoordinates : public CoordApi {
 protected:
  void SetUp() override {
    CoordApi::SetUp();
    if (HasFatalFailure()) return;
    FN(mapMessageEnable)(0);
    dir_ = apitest::FreshTestFolder("coord_api_");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  // A topographic map `name`.map made as the example host makes it: one
  // sheet named `name` whose eastings lie in zone 7, Gauss-Krueger on the
  // Krasovsky ellipsoid, with the axis meridian the register gives.
  HMAP MakeMap(const char* name, double axis) {
    apitest::NewClassifier classifier("GEO");
    FN(mapCloseRsc)(FN(mapCreateRsc)(Path("g.rsc").c_str(), &classifier.create,
                                     &classifier.palette));
    apitest::NewSheetMap reg(name, 6000000.0, 7400000.0, 10000.0);
    reg.map.MapType = 1;
    reg.map.MaterialProjection = 1;
    reg.map.EllipsoideKind = 1;
    reg.map.AxisMeridian = axis;
    const std::string map = Path(name) + ".map";
    return FN(mapCreateMapEx)(map.c_str(), Path("g.rsc").c_str(), &reg.map, &reg.sheet);
  }

  std::filesystem::path dir_;
};

TEST_F(MapCoordinates, TheAxisMeridianGivesTheSheetItsGeodeticCoordinates) {
  PJ_CONTEXT* ctx = proj_context_create();
  PJ* gk =
      proj_create(ctx, "+proj=tmerc +lat_0=0 +lon_0=39 +k=1 +x_0=7500000 +y_0=0 +ellps=krass");
  ASSERT_NE(gk, nullptr);
  const double x = 6005000.0, y = 7405000.0;  // the middle of the sheet
  const PJ_COORD geo = proj_trans(gk, PJ_INV, proj_coord(y, x, 0, 0));
  proj_destroy(gk);
  proj_context_destroy(ctx);
  const double cm = 0.01 / 6378245.0;  // radians
  auto expectOracle = [&](HMAP h) {
    double b = x, l = y;
    ASSERT_EQ(FN(mapPlaneToGeo)(h, &b, &l), 1);
    EXPECT_NEAR(b, geo.lp.phi, cm);
    EXPECT_NEAR(l, geo.lp.lam, cm);
  };
  HMAP h = MakeMap("Z7", FN(mapGetAxisMeridianByZone)(7));
  ASSERT_NE(h, 0);
  expectOracle(h);
  FN(mapCloseData)(h);

  // A register without the axis meridian puts the map in zone 1; the zone
  // of the sheet's eastings mends it at once and for good.
  h = MakeMap("Z1", 0.0);
  ASSERT_NE(h, 0);
  double b = x, l = y;
  FN(mapPlaneToGeo)(h, &b, &l);
  EXPECT_GT(std::fabs(l - geo.lp.lam), kDeg);
  ASSERT_EQ(FN(mapSetAxisMeridianByPlaneY)(h, y), 1);
  expectOracle(h);
  FN(mapCloseData)(h);
  h = FN(mapOpenData)((Path("Z1") + ".map").c_str(), 0);
  ASSERT_NE(h, 0);
  expectOracle(h);
  FN(mapCloseData)(h);
}

TEST_F(CoordApi, DocumentFunctionsRefuseNullAndForeignHandles) {
  int notAMap[256] = {};
  const intptr_t handles[] = {0, reinterpret_cast<intptr_t>(notAMap)};
  using TwoValues = int32_t (*)(intptr_t, double*, double*);
  using ThreeValues = int32_t (*)(intptr_t, double*, double*, double*);
  const char* const twoValues[] = {
      "mapMapToPicture",    "mapMapToPlane",     "mapPictureToMap",    "mapPictureToPlane",
      "mapPlaneToMap",      "mapPlaneToPicture", "mapPlaneToGeo",      "mapGeoToPlane",
      "mapPlaneToGeoWGS84", "mapPlaneToGeo42",   "mapGeo42ToGeoWGS84", "mapGeoWGS84ToGeo42",
      "mapGeoEP90ToGeo42",  "mapGeo42ToGeoEP90", "mapGeo42ToPlaneUTM", "mapGeoWGS84ToPlane42"};
  const char* const threeValues[] = {"mapPlaneToGeoWGS843D", "mapPlaneToGeo423D",
                                     "mapGeo42ToGeoWGS843D", "mapGeoWGS84ToGeo423D",
                                     "mapGeoEP90ToGeo423D",  "mapGeo42ToGeoEP903D",
                                     "mapGeo42ToPlaneUTM3D", "mapGeoWGS84ToPlane3D"};
  for (intptr_t h : handles) {
    for (const char* name : twoValues) {
      auto f = Fn<TwoValues>(name);
      ASSERT_NE(f, nullptr);
      double x = 0.9, y = 0.7;
      EXPECT_EQ(f(h, &x, &y), 0) << name;
      EXPECT_EQ(std::make_pair(x, y), std::make_pair(0.9, 0.7)) << name;
    }
    for (const char* name : threeValues) {
      auto f = Fn<ThreeValues>(name);
      ASSERT_NE(f, nullptr);
      double x = 0.9, y = 0.7, z = 10;
      EXPECT_EQ(f(h, &x, &y, &z), 0) << name;
      EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(0.9, 0.7, 10.0)) << name;
    }
    auto geo = Fn<int32_t (*)(intptr_t)>("mapIsGeoSupported");
    auto border = Fn<int32_t (*)(intptr_t, DFRAME*, int32_t)>("mapGetTotalBorder");
    auto transform =
        Fn<int32_t (*)(intptr_t, DOUBLEPOINT*, int32_t, DOUBLEPOINT*, int32_t, int32_t)>(
            "mapTransformPoints");
    auto byMeridian = Fn<int32_t (*)(intptr_t, double)>("mapSetAxisMeridianByMeridian");
    auto byY = Fn<int32_t (*)(intptr_t, double)>("mapSetAxisMeridianByPlaneY");
    auto readCopy = Fn<int32_t (*)(intptr_t, int32_t)>("mapReadObjectCopyByNumber");
    auto deleteCopy = Fn<int32_t (*)(intptr_t, int32_t)>("mapDeleteObjectCopyToNumber");
    ASSERT_TRUE(geo && border && transform && byMeridian && byY && readCopy && deleteCopy);
    DFRAME f = {1, 2, 3, 4};
    DOUBLEPOINT src = {1, 2}, dst = {5, 6};
    EXPECT_EQ(geo(h), 0);
    EXPECT_EQ(border(h, &f, 1), 0);
    EXPECT_EQ(f.X1, 1.0);
    EXPECT_EQ(transform(h, &src, 3, &dst, 4, 1), 0);
    EXPECT_EQ(dst.X, 5.0);
    EXPECT_EQ(byMeridian(h, 0.7), 0);
    EXPECT_EQ(byY(h, 7512345.0), 0);
    EXPECT_EQ(readCopy(h, 1), 0);
    EXPECT_EQ(deleteCopy(h, 1), 0);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Maps of other types and projections, measured against PROJ: each measure
// is the chain the library gives (the map's projection back to latitude and
// longitude, then the zone that holds the object or the first point), built
// again with PROJ's own transverse Mercator.

namespace {

constexpr int32_t kLineCode = 11, kAreaCode = 12;

// A projected map for the measuring tests: its type, projection and
// ellipsoid, the axis meridian of its register, and its one square sheet.
struct ProjectedMap {
  const char* name;
  int32_t type, projection, ellipsoid;
  double axisDegrees;
  double x, y, side;  // south-west corner and side of the sheet, plane metres
};

// PROJ's transverse Mercator of a zone: the zone number is the millions of
// the plane eastings, as the library writes them.
PJ* ZoneProjection(PJ_CONTEXT* ctx, double axisDegrees, int zone, double scale,
                   const char* ellipsoid) {
  char text[200];
  std::snprintf(text, sizeof text,
                "+proj=tmerc +lat_0=0 +lon_0=%.12g +k=%.12g +x_0=%d +y_0=0 +ellps=%s",
                axisDegrees, scale, zone * 1000000 + 500000, ellipsoid);
  return proj_create(ctx, text);
}

// The oracle of one map: plane (X north, Y east) to latitude and longitude
// in radians, and the local zone projection of a longitude.
class Oracle {
 public:
  Oracle(const ProjectedMap& m, bool utm) : utm_(utm), ellipsoid_(utm ? "WGS84" : "krass") {
    ctx_ = proj_context_create();
    map_ = ZoneProjection(ctx_, m.axisDegrees, Zone(m.axisDegrees), Scale(), ellipsoid_);
  }
  ~Oracle() {
    proj_destroy(map_);
    proj_context_destroy(ctx_);
  }
  bool Ready() const { return map_ != nullptr; }

  DOUBLEPOINT ToGeo(DOUBLEPOINT p) const {
    const PJ_COORD g = proj_trans(map_, PJ_INV, proj_coord(p.Y, p.X, 0, 0));
    return {g.lp.phi, g.lp.lam};
  }
  DOUBLEPOINT ToPlane(DOUBLEPOINT geo) const {
    const PJ_COORD c = proj_trans(map_, PJ_FWD, proj_coord(geo.Y, geo.X, 0, 0));
    return {c.xy.y, c.xy.x};
  }
  // The plane points in the zone that holds the longitude `l` (radians).
  std::vector<DOUBLEPOINT> InZoneOf(double l, const std::vector<DOUBLEPOINT>& plane) const {
    const double degrees = l / kDeg;
    const int zone = Zone(degrees);
    PJ* local = ZoneProjection(ctx_, Axis(zone), zone, Scale(), ellipsoid_);
    std::vector<DOUBLEPOINT> out;
    for (const DOUBLEPOINT& p : plane) {
      const DOUBLEPOINT g = ToGeo(p);
      const PJ_COORD c = proj_trans(local, PJ_FWD, proj_coord(g.Y, g.X, 0, 0));
      out.push_back({c.xy.y, c.xy.x});
    }
    proj_destroy(local);
    return out;
  }
  // The geodesic azimuth from a to b on the map's ellipsoid (radians).
  double GeodesicAzimuth(DOUBLEPOINT a, DOUBLEPOINT b) const {
    PJ* geod = proj_create(ctx_, utm_ ? "+proj=longlat +ellps=WGS84" : "+proj=longlat +ellps=krass");
    const DOUBLEPOINT ga = ToGeo(a), gb = ToGeo(b);
    const PJ_COORD r = proj_geod(geod, proj_coord(ga.Y, ga.X, 0, 0), proj_coord(gb.Y, gb.X, 0, 0));
    proj_destroy(geod);
    return r.v[1] * kDeg;
  }

 private:
  // The zone numbers of the library: 6-degree zones from 0 degrees for
  // Gauss-Krueger, from 180 degrees for UTM.
  int Zone(double degrees) const {
    return utm_ ? int(std::floor((degrees + 180.0) / 6.0)) % 60 + 1
                : int(std::floor(degrees / 6.0)) + 1;
  }
  double Axis(int zone) const { return utm_ ? zone * 6.0 - 183.0 : zone * 6.0 - 3.0; }
  double Scale() const { return utm_ ? 0.9996 : 1.0; }

  bool utm_;
  const char* ellipsoid_;
  PJ_CONTEXT* ctx_ = nullptr;
  PJ* map_ = nullptr;
};

double PolylineLength(const std::vector<DOUBLEPOINT>& p) {
  double sum = 0;
  for (size_t i = 1; i < p.size(); ++i) sum += std::hypot(p[i].X - p[i - 1].X, p[i].Y - p[i - 1].Y);
  return sum;
}

double RingArea(const std::vector<DOUBLEPOINT>& p) {
  double sum = 0;
  for (size_t i = 1; i < p.size(); ++i) sum += (p[i - 1].X + p[i].X) * (p[i - 1].Y - p[i].Y);
  return std::fabs(sum) * 0.5;
}

// The angle of b seen from a, clockwise from north (X) toward east (Y),
// 0 .. 2 pi.
double Bearing(DOUBLEPOINT a, DOUBLEPOINT b) {
  double angle = std::atan2(b.Y - a.Y, b.X - a.X);
  return angle < 0 ? angle + 2 * kPi : angle;
}

double AngleBetween(double a, double b) {
  double d = std::fmod(std::fabs(a - b), 2 * kPi);
  return d > kPi ? 2 * kPi - d : d;
}

}  // namespace

class ProjectedMaps : public MapCoordinates {
 protected:
  // The map with a classifier of one line kind and one area kind.
  HMAP Make(const ProjectedMap& m) {
    apitest::NewClassifier classifier("PRJ");
    const HRSC rsc =
        FN(mapCreateRsc)(Path("p.rsc").c_str(), &classifier.create, &classifier.palette);
    if (rsc == 0) return 0;
    RSCSEG segment{};
    std::strcpy(segment.Name, "LAYER");
    std::strcpy(segment.Short, "L");
    const LONG layer = FN(mapAppendRscSegment)(rsc, &segment);
    for (auto [code, local] : {std::pair{kLineCode, LOCAL_LINE}, {kAreaCode, LOCAL_SQUARE}}) {
      RSCOBJECT kind{};
      kind.Length = sizeof kind;
      kind.Excode = DWORD(code);
      kind.Local = DWORD(local);
      kind.Segment = DWORD(layer);
      std::strcpy(kind.Name, "KIND");
      EXPECT_GT(FN(mapAppendRscObject)(rsc, &kind), 0);
    }
    EXPECT_EQ(FN(mapCommitRsc)(rsc), 1);
    FN(mapCloseRsc)(rsc);
    apitest::NewSheetMap reg(m.name, m.x, m.y, m.side);
    reg.map.MapType = m.type;
    reg.map.MaterialProjection = m.projection;
    reg.map.EllipsoideKind = m.ellipsoid;
    reg.map.AxisMeridian = m.axisDegrees * kDeg;
    reg.map.DataProjection = m.projection != 0;
    const std::string path = Path(m.name) + ".map";
    return FN(mapCreateMapEx)(path.c_str(), Path("p.rsc").c_str(), &reg.map, &reg.sheet);
  }

  HOBJ Object(HMAP h, int32_t code, int32_t local, const std::vector<DOUBLEPOINT>& points) {
    const HOBJ object = FN(mapCreateObject)(h, 1, 0, 0);
    EXPECT_NE(object, 0);
    EXPECT_NE(FN(mapRegisterObject)(object, code, local), 0);
    for (const DOUBLEPOINT& p : points) EXPECT_EQ(FN(mapAppendPointPlane)(object, p.X, p.Y, 0), 1);
    return object;
  }

  // Every measure of a line and an area of the map against the oracle.
  void ExpectMeasures(const ProjectedMap& m, bool utm) {
    SCOPED_TRACE(m.name);
    const HMAP h = Make(m);
    ASSERT_NE(h, 0);
    ASSERT_EQ(FN(mapIsGeoSupported)(h), 1);
    Oracle oracle(m, utm);
    ASSERT_TRUE(oracle.Ready());
    const double x = m.x + m.side / 2, y = m.y + m.side / 2;

    // The map's frame, plane and geodetic: the sheet with a margin of the
    // map's scale around it; its corners converted as PROJ converts them.
    DFRAME plane{}, geo{};
    ASSERT_EQ(FN(mapGetTotalBorder)(h, &plane, 3), 1);
    EXPECT_TRUE(plane.X1 <= m.x && plane.X1 > m.x - 1000) << plane.X1;
    EXPECT_TRUE(plane.Y1 <= m.y && plane.Y1 > m.y - 1000) << plane.Y1;
    EXPECT_TRUE(plane.X2 >= m.x + m.side && plane.X2 < m.x + m.side + 1000) << plane.X2;
    EXPECT_TRUE(plane.Y2 >= m.y + m.side && plane.Y2 < m.y + m.side + 1000) << plane.Y2;
    ASSERT_EQ(FN(mapGetTotalBorder)(h, &geo, 4), 1);
    const double cm = 0.01 / 6378245.0;  // a centimetre in radians
    const DOUBLEPOINT sw = oracle.ToGeo({plane.X1, plane.Y1});
    const DOUBLEPOINT ne = oracle.ToGeo({plane.X2, plane.Y2});
    EXPECT_NEAR(geo.X1, sw.X, cm);
    EXPECT_NEAR(geo.Y1, sw.Y, cm);
    EXPECT_NEAR(geo.X2, ne.X, cm);
    EXPECT_NEAR(geo.Y2, ne.Y, cm);
    double b = x, l = y;
    ASSERT_EQ(FN(mapPlaneToGeo)(h, &b, &l), 1);
    const DOUBLEPOINT centre = oracle.ToGeo({x, y});
    EXPECT_NEAR(b, centre.X, cm);
    EXPECT_NEAR(l, centre.Y, cm);
    ASSERT_EQ(FN(mapGeoToPlane)(h, &b, &l), 1);
    EXPECT_NEAR(b, x, 0.01);
    EXPECT_NEAR(l, y, 0.01);

    // A line and an irregular area of a few kilometres in the sheet.
    const std::vector<DOUBLEPOINT> line = {
        {x - 3000, y - 2500}, {x + 1200, y - 800}, {x + 2500, y + 3100}, {x - 400, y + 4000}};
    const std::vector<DOUBLEPOINT> area = {{x - 2000, y - 2000}, {x - 2500, y + 1500},
                                           {x + 800, y + 2600},  {x + 3000, y - 500},
                                           {x + 500, y - 2800},  {x - 2000, y - 2000}};
    const HOBJ lineObject = Object(h, kLineCode, LOCAL_LINE, line);
    const HOBJ areaObject = Object(h, kAreaCode, LOCAL_SQUARE, area);
    // The local zone is the one of each object's frame centre.
    auto centreLongitude = [&](const std::vector<DOUBLEPOINT>& p) {
      DFRAME f{1e300, 1e300, -1e300, -1e300};
      for (const DOUBLEPOINT& q : p) {
        f.X1 = std::min(f.X1, q.X), f.Y1 = std::min(f.Y1, q.Y);
        f.X2 = std::max(f.X2, q.X), f.Y2 = std::max(f.Y2, q.Y);
      }
      return oracle.ToGeo({(f.X1 + f.X2) / 2, (f.Y1 + f.Y2) / 2}).Y;
    };
    const auto localLine = oracle.InZoneOf(centreLongitude(line), line);
    const auto localArea = oracle.InZoneOf(centreLongitude(area), area);
    EXPECT_NEAR(FN(mapLength)(lineObject), PolylineLength(localLine), 1e-3);
    EXPECT_NEAR(FN(mapPerimeter)(areaObject), PolylineLength(localArea), 1e-3);
    EXPECT_NEAR(FN(mapSquare)(areaObject), RingArea(localArea), 1.0);  // m2 of some 20 km2
    for (LONG n = 1; n < LONG(line.size()); ++n) {
      SCOPED_TRACE(n);
      EXPECT_NEAR(FN(mapSideLength)(lineObject, n, 0),
                  std::hypot(localLine[n].X - localLine[n - 1].X, localLine[n].Y - localLine[n - 1].Y),
                  1e-3);
      const DOUBLEPOINT a = line[n - 1], c = line[n];
      // The direction on the plane, and the azimuth: the direction less the
      // direction of the meridian at the side's first point (north by 0.01
      // radian of latitude, as the library takes it).
      EXPECT_NEAR(AngleBetween(FN(mapSideDirection)(lineObject, n, 0), Bearing(a, c)), 0.0, 1e-9);
      const DOUBLEPOINT ga = oracle.ToGeo(a);
      const DOUBLEPOINT north = oracle.ToPlane({ga.X + 0.01, ga.Y});
      const double azimuth = FN(mapSideAzimuth)(lineObject, n, 0);
      EXPECT_NEAR(AngleBetween(azimuth, Bearing(a, c) - Bearing(a, north)), 0.0, 1e-7);
      // Within a few ten-thousandths of a radian of the geodesic azimuth.
      EXPECT_NEAR(AngleBetween(azimuth, oracle.GeodesicAzimuth(a, c)), 0.0, 5e-4);
    }

    // The distance on the ground: in the zone of the first point.
    DOUBLEPOINT p1 = line[0], p2 = line[2];
    const auto local = oracle.InZoneOf(oracle.ToGeo(p1).Y, {p1, p2});
    EXPECT_NEAR(FN(mapRealDistance)(h, &p1, &p2), PolylineLength(local), 1e-3);
    FN(mapFreeObject)(lineObject);
    FN(mapFreeObject)(areaObject);
    FN(mapCloseData)(h);
  }
};

// A UTM map on WGS 84 in zone 37 and a city plan in Gauss-Krueger whose
// register keeps the axis of zone 7 while its sheet lies in zone 8, some
// 5.5 degrees east of that axis: there each object is measured in zone 8's
// projection, not on the map's plane.
TEST_F(ProjectedMaps, MeasuresAgreeWithProj) {
  ExpectMeasures({"UTM", MAPTYPE_UTM_WGS84, PRJ_ZONEUTM, ELLIPSOID_WGS84, 39.0, 6100000.0,
                  37480000.0, 20000.0},
                 true);
  ExpectMeasures({"PLAN", MAPTYPE_CITYPLAN, PRJ_GAUSSKRUGER, ELLIPSOID_KRASOVSKY, 39.0, 6100000.0,
                  7845000.0, 20000.0},
                 false);
}

// A plan without a projection: no geodetic coordinates; the conversions
// answer 0 and leave the point as it was, the ground distance is the plane
// one.
TEST_F(ProjectedMaps, AMapWithoutAProjectionConvertsNothing) {
  const HMAP h = Make({"LOCAL", MAPTYPE_LARGEPLAN, 0, 0, 0.0, 1000.0, 2000.0, 5000.0});
  ASSERT_NE(h, 0);
  EXPECT_EQ(FN(mapIsGeoSupported)(h), 0);
  double x = 1500.0, y = 2500.0;
  EXPECT_EQ(FN(mapPlaneToGeo)(h, &x, &y), 0);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(1500.0, 2500.0));
  EXPECT_EQ(FN(mapGeoToPlane)(h, &x, &y), 0);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(1500.0, 2500.0));
  DFRAME f{};
  EXPECT_EQ(FN(mapGetTotalBorder)(h, &f, 4), 0);
  DOUBLEPOINT a = {1000, 2000}, b = {4000, 6000};
  EXPECT_DOUBLE_EQ(FN(mapRealDistance)(h, &a, &b), 5000.0);
  const HOBJ line = Object(h, kLineCode, LOCAL_LINE, {{1000, 2000}, {4000, 6000}});
  EXPECT_NEAR(FN(mapLength)(line), 5000.0, 1e-3);
  FN(mapFreeObject)(line);
  FN(mapCloseData)(h);
}
