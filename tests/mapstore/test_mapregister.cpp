// Map and sheet registers: defaults, scale lists, projection constants and
// corner conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "mapstore/mapregister.h"
#include "platform/clock.h"

namespace {

class RegisterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SYSTEMTIME t{};
    t.wYear = 2024, t.wMonth = 3, t.wDay = 7, t.wHour = 12;
    plat::SetFixedClock(t, 0);
  }
  void TearDown() override { plat::SetClock(nullptr, nullptr); }
};

bool AllZero(const void* p, size_t n) {
  const auto* b = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; ++i)
    if (b[i]) return false;
  return true;
}

TEST_F(RegisterTest, ClearGivesDefaults) {
  TMapRegister reg;
  std::memset(&reg.Map, 0x5A, sizeof(reg.Map));
  std::memset(&reg.List.Register, 0x5A, sizeof(reg.List.Register));
  reg.Clear();

  // Its defaults, everything else zero.
  MAPREGISTEREX expected;
  std::memset(&expected, 0, sizeof(expected));
  expected.Length = 208, expected.Scale = 1000, expected.ProjectionFlag = 1;
  expected.MapType = 1, expected.EllipsoideKind = 1, expected.HeightSystem = 1;
  expected.MaterialProjection = 1, expected.CoordinateSystem = 1, expected.FrameKind = 2;
  expected.DeviceCapability = 20000;
  EXPECT_EQ(0, std::memcmp(&reg.Map, &expected, sizeof(expected)));

  const LISTREGISTER& l = reg.List.Register;
  EXPECT_EQ(l.Length, 544);
  EXPECT_EQ(l.MaterialKind, 1);
  EXPECT_EQ(l.MaterialType, 1);
  EXPECT_STREQ(l.Date, "20240307");
  EXPECT_STREQ(l.DateAngle, "20240307");
  EXPECT_TRUE(AllZero(l.Nomenclature, 4 + 32 + 32 + 260 + 128 - 4));
  EXPECT_TRUE(AllZero(l.Reserve, sizeof(l.Reserve)));
}

TEST_F(RegisterTest, DatesBefore1991CountAs1990) {
  SYSTEMTIME t{};
  t.wYear = 1985, t.wMonth = 7, t.wDay = 4;
  plat::SetFixedClock(t, 0);
  TListRegister list;
  EXPECT_STREQ(list.Register.Date, "19900704");
  char buf[16];
  EXPECT_STREQ(list.SystDate(buf, sizeof(buf)), "19900704");
  // Too small or no buffer: an empty text and nothing written.
  char small[9] = "xxxxxxxx";
  EXPECT_STREQ(list.SystDate(small, 9), "");
  EXPECT_STREQ(small, "xxxxxxxx");
  EXPECT_STREQ(list.SystDate(nullptr, 20), "");
}

TEST_F(RegisterTest, ScaleListsAndIndexes) {
  TMapRegister reg;
  // {scale, map type, index}
  const int32_t factors[][3] = {{25000, 1, 6},  {30000, 1, 0},    {30000, 3, 1},
                                {2000000, 6, 2}, {10000000, 2, 1}, {500, 5, 5}};
  for (const auto& f : factors) EXPECT_EQ(reg.FactorScaleGeodetic(f[0], f[1]), f[2]) << f[0];
  // {map type, scales in its list}
  const int counts[][2] = {{10, 9}, {2, 5}, {4, 2}, {5, 5}, {6, 2}};
  for (const auto& c : counts) EXPECT_EQ(reg.GetCountScale(c[0]), c[1]) << c[0];
  EXPECT_EQ(reg.GetAddrScale(10), reg.GetAddrScale(1));
  EXPECT_EQ(reg.GetAddrScale(11)[8], 2000);
  for (int type : {-3, 0, 3, 7, 12, 13, 100}) {
    EXPECT_EQ(reg.GetCountScale(type), 0) << type;
    EXPECT_NE(reg.GetAddrScale(type), nullptr);
  }
}

TEST_F(RegisterTest, ProjectionConstantsByKind) {
  TMapRegister reg;
  reg.Map.FirstMainParallel = 0.1;
  reg.Map.SecondMainParallel = 0.2;
  reg.Map.MainPointParallel = 0.3;
  reg.Map.PoleLatitude = 0.4;
  reg.Map.PoleLongitude = 0.5;
  reg.List.Register.LSouthWestCoordinate = 0.60;
  reg.List.Register.LSouthEastCoordinate = 0.64;
  CONSTPROJ cp;

  // Gauss-Krueger without an axis meridian: the middle of the sheet's south edge.
  reg.Map.AxisMeridian = 0.0;
  ASSERT_EQ(reg.SetConstproj(1, &cp), 1);
  EXPECT_DOUBLE_EQ(cp.AxisMeridian, 0.62);
  EXPECT_EQ(cp.FirstMainParallel, 0.0);
  reg.Map.AxisMeridian = 0.7;
  ASSERT_EQ(reg.SetConstproj(1, &cp), 1);
  EXPECT_EQ(cp.AxisMeridian, 0.7);

  // Which of first, second, main point parallel, pole latitude and pole
  // longitude each kind takes (-1: not checked).
  const struct {
    int kind;
    double first, second, main, poleB, poleL;
  } kinds[] = {{2, 0.1, 0.2, 0.3, 0, 0},
               {8, 0.1, 0, 0, 0, 0},
               {30, -1, -1, 0, 0.4, 0.5},
               {32, -1, -1, 0.3, 0, 0.5}};
  for (const auto& k : kinds) {
    ASSERT_EQ(reg.SetConstproj(k.kind, &cp), 1) << k.kind;
    if (k.first >= 0) {
      EXPECT_EQ(cp.FirstMainParallel, k.first) << k.kind;
      EXPECT_EQ(cp.SecondMainParallel, k.second) << k.kind;
    }
    EXPECT_EQ(cp.MainPointParallel, k.main) << k.kind;
    EXPECT_EQ(cp.PoleLatitude, k.poleB) << k.kind;
    EXPECT_EQ(cp.PoleLongitude, k.poleL) << k.kind;
  }

  // Kinds without constants: 0, with only the axis meridian filled.
  for (int kind : {0, 3, 9, 31, 33}) {
    std::memset(&cp, 0x7F, sizeof(cp));
    EXPECT_EQ(reg.SetConstproj(kind, &cp), 0) << kind;
    EXPECT_EQ(cp.AxisMeridian, 0.7);
    EXPECT_EQ(cp.FirstMainParallel, 0.0);
  }
  EXPECT_EQ(reg.SetConstproj(1, nullptr), 0);
}

TEST_F(RegisterTest, DataProjectionFollowsTheTransformer) {
  TMapRegister reg;
  reg.Map.MaterialProjection = 1;
  reg.Map.AxisMeridian = 0.6632251157578453;  // 38 degrees
  reg.SetDataProjection();
  EXPECT_EQ(reg.Map.DataProjection, 1);
  reg.Map.MaterialProjection = 31;
  reg.SetDataProjection();
  EXPECT_EQ(reg.Map.DataProjection, 0);
}

TEST_F(RegisterTest, OlderRegisterIsWidened) {
  unsigned char old[128];
  for (int i = 0; i < 128; ++i) old[i] = static_cast<unsigned char>(i + 1);
  int32_t length = 128;
  std::memcpy(old, &length, 4);
  MAPREGISTEREX wide;
  std::memset(&wide, 0x33, sizeof(wide));
  ASSERT_EQ(MapRegisterFromOld(old, &wide), 1);
  EXPECT_EQ(wide.Length, 208);
  EXPECT_EQ(0, std::memcmp(reinterpret_cast<char*>(&wide) + 4, old + 4, 124));
  EXPECT_EQ(wide.PoleLatitude, 0.0);
  EXPECT_EQ(wide.PoleLongitude, 0.0);
  EXPECT_TRUE(AllZero(wide.Reserve2, sizeof(wide.Reserve2)));

  // A 208-byte register is not of the older form.
  MAPREGISTEREX full;
  ClearMapRegisterEx(&full);
  std::memset(&wide, 0x33, sizeof(wide));
  EXPECT_EQ(MapRegisterFromOld(&full, &wide), 0);
  EXPECT_EQ(wide.Length, 0x33333333);
  EXPECT_EQ(MapRegisterFromOld(nullptr, &wide), 0);
}

TEST_F(RegisterTest, UprightCornersAreStrict) {
  TListRegister list;
  COORDINATES x{0, 10, 10, 0}, y{0, 0, 10, 10};
  ASSERT_EQ(list.RightAngleCordinames(&x, &y), 1);
  EXPECT_EQ(list.Register.XNorthEast, 10);
  EXPECT_EQ(list.Register.YSouthEast, 10);
  EXPECT_EQ(list.CheckRightAngle(), 1);
  // South-east as far north as north-west: not upright.
  COORDINATES x2{0, 10, 11, 10};
  list.RightAngleCordinames(&x2, &y);
  EXPECT_EQ(list.CheckRightAngle(), 0);
  // North-west as far east as south-east.
  COORDINATES y2{0, 10, 12, 10};
  list.RightAngleCordinames(&x, &y2);
  EXPECT_EQ(list.CheckRightAngle(), 0);
  EXPECT_EQ(list.RightAngleCordinames(nullptr, &y), 0);

  list.Register.BSouthWestCoordinate = 0.9, list.Register.LSouthWestCoordinate = 0.5;
  list.Register.BNorthWestCoordinate = 0.91, list.Register.LNorthWestCoordinate = 0.5;
  list.Register.BNorthEastCoordinate = 0.91, list.Register.LNorthEastCoordinate = 0.51;
  list.Register.BSouthEastCoordinate = 0.9, list.Register.LSouthEastCoordinate = 0.51;
  EXPECT_EQ(list.CheckGeodetic(), 1);
  list.Register.LNorthEastCoordinate = 0.5;
  EXPECT_EQ(list.CheckGeodetic(), 0);
}

TEST_F(RegisterTest, CornersConvertBothWays) {
  TMapRegister reg;
  reg.Map.AxisMeridian = 0.6632251157578453;  // 38 degrees
  COORDINATES b{0.96, 0.97, 0.97, 0.96}, l{0.66, 0.66, 0.67, 0.67};
  COORDINATES x{}, y{};
  ASSERT_EQ(reg.GeodeticToRightAngleWith(&b, &l, &x, &y, 1, nullptr), 1);
  EXPECT_GT(x.NorthWest, x.SouthWest);
  EXPECT_GT(y.NorthEast, y.NorthWest);
  // Gauss-Krueger eastings carry the zone number in front.
  EXPECT_GT(y.SouthWest, 7000000.0);

  COORDINATES b2{}, l2{};
  ASSERT_EQ(reg.RightAngleToGeodeticWith(&x, &y, &b2, &l2, 1, nullptr), 1);
  EXPECT_NEAR(b2.SouthWest, b.SouthWest, 1e-9);
  EXPECT_NEAR(l2.NorthEast, l.NorthEast, 1e-9);

  // Through a transformer given.
  TTranslate own;
  CONSTPROJ cp;
  reg.SetConstproj(1, &cp);
  ASSERT_EQ(own.SetProjection(1, &cp, 1), 0);
  COORDINATES x3{}, y3{};
  ASSERT_EQ(reg.GeodeticToRightAngleWith(&b, &l, &x3, &y3, 0, &own), 1);
  EXPECT_NEAR(x3.SouthEast, x.SouthEast, 1e-6);

  EXPECT_EQ(reg.GeodeticToRightAngleWith(&b, nullptr, &x, &y, 1, nullptr), 0);
  EXPECT_EQ(reg.RightAngleToGeodeticWith(&x, &y, nullptr, &l, 1, nullptr), 0);
}

TEST_F(RegisterTest, ProjectionThatCannotBeSetUpConvertsNothing) {
  TMapRegister reg;
  COORDINATES x{6000000, 6010000, 6010000, 6000000}, y{7400000, 7400000, 7410000, 7410000};
  COORDINATES b{-1, -1, -1, -1}, l{-1, -1, -1, -1};
  EXPECT_EQ(reg.RightAngleToGeodeticWith(&x, &y, &b, &l, 31, nullptr), 0);
  EXPECT_EQ(b.SouthWest, -1);
  EXPECT_EQ(l.SouthEast, -1);
  EXPECT_EQ(reg.GeodeticToRightAngleWith(&b, &l, &x, &y, 31, nullptr), 0);
  EXPECT_EQ(x.SouthWest, 6000000);
}

}  // namespace
