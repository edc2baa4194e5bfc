// Sheet nomenclature: the name checks of each map type, the file name, the
// axis meridian, the corners of topographic sheets (plane corners checked
// against PROJ's transverse Mercator on the Krasovsky ellipsoid) and the
// completion of a register before a map is created.
#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "mapstore/mapregister.h"

namespace {

constexpr double kMinute = 60 * 4.84813681109536e-6;
constexpr double kDeg = 60 * kMinute;

TEST(Nomenclature, AcceptAndRefuseByMapTypeAndScale) {
  struct Case {
    const char* name;
    int type;
    int32_t scale;
    int expected;
  } cases[] = {
      // Topographic.
      {"0.N-37", 1, 1000000, 1}, {"2.N-37", 1, 1000000, 0}, {"0.V-37", 1, 1000000, 0},
      {"0.N-61", 1, 1000000, 0}, {"0.P-37-2", 1, 500000, 0}, {"0.P-37-3", 1, 500000, 1},
      {"0.T-37-4", 1, 200000, 1}, {"0.T-37-5", 1, 200000, 0}, {"0.R-37-10", 1, 200000, 0},
      {"0.R-37-11", 1, 200000, 1}, {"0.T-37-005", 1, 100000, 1}, {"0.T-37-006", 1, 100000, 0},
      {"0.N-37-145", 1, 100000, 0}, {"0.N-37-004-1-2", 1, 25000, 1},
      {"0.P-37-004-1-2", 1, 25000, 0}, {"0.N-37-004-256", 1, 5000, 1},
      {"0.N-37-004-257", 1, 5000, 0}, {"0.N-37-004-256-9", 1, 2000, 1},
      {"0.N-37-004-256-9X", 1, 2000, 0}, {"0.N-37-004-3-2-1", 1, 10000, 1},
      {"0.N-37-004", 1, 30000, 0},
      // Short texts and non-digits where numbers stand.
      {"", 1, 1000000, 0}, {"0", 1, 1000000, 0}, {"0.N", 1, 1000000, 0},
      {"0.N-", 1, 1000000, 0}, {"0.N-37-", 1, 500000, 0}, {"0.N-37-004-1", 1, 25000, 0},
      {"0.N-37-004-2", 1, 5000, 0}, {"0.N-37-004-256-", 1, 2000, 0},
      {"0.N-37-004-1:6", 1, 5000, 0}, {"0.N-37-004-000", 1, 5000, 0},
      {"0.N-37-4-1-1", 1, 50000, 0},
      // Geographic, city plan, aeronautical; types without rules.
      {"14-12-05", 2, 1000000, 1}, {"15-12-05-07", 2, 500000, 1}, {"13-12-05", 2, 1000000, 0},
      {"61-12", 2, 10000000, 1}, {"91-12", 2, 10000000, 0}, {"1", 2, 10000000, 0},
      {"0.N-37-004-B", 4, 25000, 1}, {"0.N-37-145", 4, 10000, 0}, {"0.N-37-4", 4, 10000, 0},
      {"1-1-05-12", 6, 4000000, 1}, {"1-1-13-12", 6, 4000000, 0}, {"2-1-05-3 ", 6, 2000000, 1},
      {"2-1-05-12", 6, 2000000, 0}, {"1-1-05-21", 6, 4000000, 0}, {"1-1-05", 6, 4000000, 0},
      {"anything", 5, 10000, 1}, {"anything", 5, 30000, 0}, {"anything", 3, 123, 1},
      {"0.N-37", 1, 0, 0},
  };
  TListRegister list;
  for (const Case& c : cases) {
    char name[32];
    std::snprintf(name, sizeof name, "%s", c.name);
    EXPECT_EQ(list.CheckNomenclature(name, c.type, c.scale), c.expected)
        << c.name << " " << c.type << " " << c.scale;
  }
  char lower[] = "0.n-37";
  EXPECT_EQ(list.CheckNomenclature(lower, 1, 1000000), 1);
  EXPECT_STREQ(lower, "0.N-37");
  EXPECT_EQ(list.CheckNomenclature(nullptr, 1, 1000000), 0);
  EXPECT_EQ(list.CheckNomenclatureTopo(lower, 0), 0);
  EXPECT_EQ(list.CheckNomenclatureTopo(lower, 10), 1);
}

TEST(Nomenclature, FileNamesAndTemplates) {
  TListRegister list;
  char out[16];
  const std::pair<const char*, const char*> names[] = {
      {"0.N-37-004", "N37004"}, {"1.N-37-004", "1N37004"}, {"N-37-004", "N-37-004"},
      {"0.N-37-004 old", "N37004"}};
  for (const auto& [name, file] : names) {
    ASSERT_EQ(list.NameFileFromNomenclature(out, sizeof out, name), 1);
    EXPECT_STREQ(out, file);
  }
  std::memset(out, 'x', sizeof out);
  ASSERT_EQ(list.NameFileFromNomenclature(out, 4, "0.N-37-004"), 1);
  EXPECT_STREQ(out, "N37");
  EXPECT_EQ(list.NameFileFromNomenclature(out, sizeof out, ""), 0);
  EXPECT_EQ(list.NameFileFromNomenclature(out, 0, "N"), 0);
  EXPECT_EQ(list.NameFileFromNomenclature(nullptr, 4, "N"), 0);

  TMapRegister reg;
  EXPECT_STREQ(reg.GetAddrPicture(1)[3], "9.Z-99-999       (   100 000 )");
  EXPECT_STREQ(reg.GetAddrPicture(6)[1], "9-1-99-99        ( 2 000 000 )");
  EXPECT_STREQ(reg.GetAddrPicture(10)[0], "");
}

TEST(Nomenclature, AxisMeridianOfTheColumn) {
  TMapRegister reg;
  EXPECT_EQ(reg.CalcAxisMeridianMinute("0.N-37"), 2340);
  EXPECT_EQ(reg.CalcAxisMeridianMinute("0.A-01"), 10980);
  EXPECT_EQ(reg.CalcAxisMeridianMinute("0.A-31"), 180);
  EXPECT_EQ(reg.CalcAxisMeridianMinute("0.A-30"), 21420);
  EXPECT_EQ(reg.CalcAxisMeridianMinute("0.N-"), 0);
  EXPECT_EQ(reg.CalcAxisMeridianMinute(nullptr), 0);
  EXPECT_DOUBLE_EQ(reg.CalcAxisMeridian("0.N-37-004"), 39 * kDeg);

  EXPECT_EQ(reg.SetAxisMeridian("0.N-"), 0);
  EXPECT_EQ(reg.SetAxisMeridian("0.N-37"), 1);
  EXPECT_EQ(reg.SetAxisMeridian("0.M-37-004"), 1);
  EXPECT_EQ(reg.SetAxisMeridian("0.N-38"), 0);
  EXPECT_DOUBLE_EQ(reg.Map.AxisMeridian, 39 * kDeg);

  COORDINATES b{1, 2, 2, 1}, l{0.5, 0.5, 0.6, 0.7};
  EXPECT_DOUBLE_EQ(reg.CalcAxisMeridian(&l), 0.5 + 0.2 * 1.0);
  EXPECT_DOUBLE_EQ(reg.GridConvergence(&b, &l, 0.5), std::sin(1.5) * 0.1);
  EXPECT_EQ(reg.GridConvergence(nullptr, &l, 0.5), 0.0);
}

TEST(Nomenclature, CornersOfTopographicSheets) {
  struct Case {
    const char* name;
    int index;
    double south, north, west, east;  // minutes (1:2 000 latitudes: seconds)
  } cases[] = {
      {"0.N-37", 1, 52 * 60, 56 * 60, 36 * 60, 42 * 60},
      {"1.A-37", 1, -4 * 60, 0, 36 * 60, 42 * 60},
      {"0.n-37-2", 2, 54 * 60, 56 * 60, 39 * 60, 42 * 60},
      {"0.N-37-12", 3, 54 * 60 + 40, 55 * 60 + 20, 41 * 60, 42 * 60},
      {"0.N-37-004", 4, 55 * 60 + 40, 56 * 60, 37.5 * 60, 38 * 60},
      {"1.B-37-001", 4, -4 * 60 - 20, -4 * 60, 36 * 60, 36.5 * 60},
      {"0.P-37-003", 4, 63 * 60 + 40, 64 * 60, 37 * 60, 38 * 60},
      {"0.T-37-005", 4, 79 * 60 + 40, 80 * 60, 38 * 60, 40 * 60},
      {"0.T-37-4", 3, 79 * 60 + 20, 80 * 60, 39 * 60, 42 * 60},
      {"0.N-37-004-1-2", 6, 55 * 60 + 55, 56 * 60, 37.5 * 60 + 7.5, 37.5 * 60 + 15},
      {"0.N-37-004-016", 8, 3358.75, 3360, 2278.125, 2280},
      {"0.N-37-004-016-9", 9, 201525, 201550, 2279.375, 2280},
  };
  TMapRegister reg;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char name[32];
    std::snprintf(name, sizeof name, "%s", c.name);
    COORDINATES b, l;
    ASSERT_EQ(reg.GeodeticsCoordinateGauss(name, c.index, &b, &l), 1);
    const double bUnit = c.index == 9 ? kMinute / 60 : kMinute;
    EXPECT_NEAR(b.SouthWest, c.south * bUnit, 1e-12);
    EXPECT_NEAR(b.SouthEast, c.south * bUnit, 1e-12);
    EXPECT_NEAR(b.NorthWest, c.north * bUnit, 1e-12);
    EXPECT_NEAR(b.NorthEast, c.north * bUnit, 1e-12);
    EXPECT_NEAR(l.SouthWest, c.west * kMinute, 1e-12);
    EXPECT_NEAR(l.NorthWest, c.west * kMinute, 1e-12);
    EXPECT_NEAR(l.NorthEast, c.east * kMinute, 1e-12);
    EXPECT_NEAR(l.SouthEast, c.east * kMinute, 1e-12);
  }
  COORDINATES b{7, 7, 7, 7}, l = b;
  char shortName[] = "0.N-37-00";
  EXPECT_EQ(reg.GeodeticsCoordinateGauss(shortName, 6, &b, &l), 0);
  EXPECT_EQ(reg.GeodeticsCoordinateGauss(shortName, 10, &b, &l), 0);
  EXPECT_EQ(b.SouthWest, 7);
}

// Plane corners of a sheet as PROJ's transverse Mercator of Gauss-Krueger
// zone `zone` gives them (longitudes taken as they are).
void ExpectProjCorners(const LISTREGISTER& r, int zone, double shift) {
  PJ_CONTEXT* ctx = proj_context_create();
  char def[200];
  std::snprintf(def, sizeof def, "+proj=tmerc +lat_0=0 +lon_0=%d +k=1 +x_0=%d +y_0=0 +ellps=krass",
                6 * zone - 3, zone * 1000000 + 500000);
  PJ* pj = proj_create(ctx, def);
  ASSERT_NE(pj, nullptr);
  const double corners[4][4] = {
      {r.BSouthWestCoordinate, r.LSouthWestCoordinate, r.XSouthWest, r.YSouthWest},
      {r.BNorthWestCoordinate, r.LNorthWestCoordinate, r.XNorthWest, r.YNorthWest},
      {r.BNorthEastCoordinate, r.LNorthEastCoordinate, r.XNorthEast, r.YNorthEast},
      {r.BSouthEastCoordinate, r.LSouthEastCoordinate, r.XSouthEast, r.YSouthEast}};
  for (const auto& c : corners) {
    PJ_COORD p = proj_trans(pj, PJ_FWD, proj_coord(c[1] + shift, c[0], 0, 0));
    EXPECT_NEAR(c[2], p.xy.y, 0.001);
    EXPECT_NEAR(c[3], p.xy.x, 0.001);
  }
  proj_destroy(pj);
  proj_context_destroy(ctx);
}

TEST(Nomenclature, TopographicSheetAgreesWithProj) {
  struct Case {
    const char* name;
    int32_t scale;
    int zone;
  } cases[] = {{"0.N-37-004", 100000, 7}, {"0.U-32-001", 100000, 2},
               {"1.C-36-144", 100000, 6}, {"0.M-31-3", 500000, 1},
               {"0.N-37-004-256-9", 2000, 7}, {"0.K-01", 1000000, 31}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMapRegister reg;
    char name[32];
    std::snprintf(name, sizeof name, "%s", c.name);
    ASSERT_EQ(reg.TopographicChartSheet(name, c.scale, 1, nullptr), 1);
    ExpectProjCorners(reg.List.Register, c.zone, 0.0);
    const LISTREGISTER& r = reg.List.Register;
    const double mid = (r.LSouthWestCoordinate + r.LSouthEastCoordinate) / 2;
    EXPECT_NEAR(r.MeridianAngle,
                std::sin((r.BSouthWestCoordinate + r.BNorthWestCoordinate) / 2) *
                    (mid - reg.CalcAxisMeridian(name)),
                1e-15);
  }

  // Through a transformer of zone 1, a sheet of column 30 (354-360
  // degrees) is carried across the seam; the register keeps its own
  // longitudes and its convergence against column 30's meridian.
  TMapRegister reg;
  CONSTPROJ cp{};
  cp.AxisMeridian = 3 * kDeg;
  TTranslate zone1(1, &cp, 1);
  char name[] = "0.N-30-144";
  ASSERT_EQ(reg.TopographicChartSheetWith(name, 100000, 1, &zone1), 1);
  EXPECT_NEAR(reg.List.Register.LSouthEastCoordinate, 360 * kDeg, 1e-12);
  ExpectProjCorners(reg.List.Register, 1, -2 * 3.141592653589793);
  EXPECT_LT(std::fabs(reg.List.Register.MeridianAngle), 3 * kDeg);

  // Refused: the name, a scale off the list, a projection without
  // constants; a refused name leaves the corners alone.
  char bad[] = "0.N-37-145";
  EXPECT_EQ(reg.TopographicChartSheet(bad, 100000, 1, nullptr), 0);
  EXPECT_NEAR(reg.List.Register.LSouthEastCoordinate, 360 * kDeg, 1e-12);
  char good[] = "0.N-37-004";
  EXPECT_EQ(reg.TopographicChartSheet(good, 30000, 1, nullptr), 0);
  EXPECT_EQ(reg.TopographicChartSheet(good, 100000, 31, nullptr), 0);
  EXPECT_EQ(reg.TopographicChartSheet(nullptr, 100000, 1, nullptr), 0);
}

TEST(Nomenclature, PrepareRegisterBeforeCreation) {
  TMapRegister reg;
  reg.Map.Scale = 100000;
  std::strcpy(reg.List.Register.Nomenclature, "0.n-37-004");
  reg.Map.FrameKind = 4;
  ASSERT_EQ(reg.PrepareRegister(0), 1);
  EXPECT_STREQ(reg.List.Register.Nomenclature, "0.N-37-004");
  EXPECT_EQ(reg.Map.FrameKind, 2);  // the defaults of type 1 again
  ExpectProjCorners(reg.List.Register, 7, 0.0);

  // From the geodetic corners: the plane ones again.
  reg.List.Register.XSouthWest = reg.List.Register.YNorthEast = 0;
  ASSERT_EQ(reg.PrepareRegister(1), 1);
  ExpectProjCorners(reg.List.Register, 7, 0.0);

  TMapRegister empty;
  EXPECT_EQ(empty.PrepareRegister(1), 0);
  empty.Map.MapType = 2;
  EXPECT_EQ(empty.PrepareRegister(0), 1);
  empty.Map.Length = 128;
  EXPECT_EQ(empty.PrepareRegister(0), 0);
}

}  // namespace
