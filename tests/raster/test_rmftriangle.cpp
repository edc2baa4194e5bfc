// Values between element centres: the plane through a cell's centre, a
// neighbour's centre and the corner they share.
#include <gtest/gtest.h>

#include <string>

#include "common/maperr.h"
#include "raster/rmf.h"
#include "support/scratch_dir.h"

namespace {

class RmfTriangleTest : public ::testing::Test {
 protected:
  // A 3 x 3 elevation matrix in centimetres (empty value -999, minimum 0),
  // 10 m elements, south-west corner at (1000, 2000).
  void Make(const LONG (&values)[3][3], int bits = 32) {
    RMF h{};
    h.Ident = RMF_MTW;
    h.BitsPerElement = bits;
    h.Width = h.Height = 3;
    ASSERT_TRUE(RmfSetGeometry(&h));
    h.Scale = 10;
    h.Precision = 1;
    h.LocationX = 1000;
    h.LocationY = 2000;
    h.EmptyValue = -999;
    h.Minimum = 0;
    h.HeightUnit = 2;
    ASSERT_EQ(1, rmf.Create(name.c_str(), &h, nullptr));
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) {
        if (bits == 64)
          ASSERT_EQ(1, rmf.PutPoint(double(values[r][c]), r, c));
        else
          ASSERT_EQ(1, rmf.PutPoint(values[r][c], r, c));
      }
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  std::string name = dir / "a.mtw";
  TRmf rmf;
};

// Not a plane: the corner south-east of the middle cell has the mean
// (50 + 80 + 60 + 190) / 4 = 95.
constexpr LONG kBump[3][3] = {{10, 20, 30}, {40, 50, 60}, {70, 80, 190}};

}  // namespace

TEST_F(RmfTriangleTest, ThePlaneThroughCentreNeighbourAndCorner) {
  Make(kBump);
  struct Case {
    double row, col, metres;
  } cases[] = {
      {1.5, 1.5, 0.50},  // a centre: the cell's own value
      {2.5, 0.5, 0.70},
      // Nearer the south edge: through the row neighbour (2, 1) = 80.
      {1.9, 1.6, (50 + 30 * 0.4 + 60 * 0.1) / 100.0},
      // Nearer the east edge: through the column neighbour (1, 2) = 60.
      {1.6, 1.9, (50 + 80 * 0.1 + 10 * 0.4) / 100.0},
      // As near to both (the column neighbour's triangle): on the edge
      // from the centre to the corner that both triangles share.
      {1.8, 1.8, (50 + 0.6 * 45) / 100.0},
  };
  for (const Case& c : cases) {
    double h = 0;
    ASSERT_EQ(1, rmf.GetHeightTriangle(h, c.row, c.col)) << c.row << " " << c.col;
    EXPECT_NEAR(c.metres, h, 1e-12) << c.row << " " << c.col;
  }
  // 64-bit matrices give the same.
  name = dir / "b.mtw";
  Make(kBump, 64);
  double h = 0;
  ASSERT_EQ(1, rmf.GetHeightTriangle(h, 1.9, 1.6));
  EXPECT_NEAR(0.68, h, 1e-12);
}

TEST_F(RmfTriangleTest, CellsThatDoNotCount) {
  // The plane form skips neighbours below the minimum: with all three
  // empty the cell's own value comes back (raw).
  const LONG island[3][3] = {{10, 20, 30}, {40, -999, -999}, {70, -999, 90}};
  Make(island);
  double h = 0;
  // Element (2, 2) at its north-west quarter: neighbours (1, 2), (2, 1), (1, 1).
  const double x = 1000 + (3 - 2.2) * 10, y = 2000 + 2.2 * 10;
  ASSERT_EQ(1, rmf.GetPlanePointTriangle(h, x, y));
  EXPECT_DOUBLE_EQ(90, h);
  // The element form counts every readable cell, empty or not.
  ASSERT_EQ(1, rmf.GetHeightTriangle(h, 2.2, 2.2));
  EXPECT_NE(0.9, h);
  // The south edge maps to the last row with fraction 0: its neighbour row
  // is the one above (40), the corner between them the mean 55.
  ASSERT_EQ(1, rmf.GetPlanePointTriangle(h, 1000, 2000 + 0.5 * 10));
  EXPECT_DOUBLE_EQ(55, h);
  // Outside: 60005 and the empty value.
  EXPECT_EQ(0, rmf.GetPlanePointTriangle(h, 999, 2000));
  EXPECT_EQ(MAPERR_DATA, rmf.GetError());
  EXPECT_EQ(-999.0, h);
  EXPECT_EQ(0, rmf.GetHeightTriangle(h, 3.0, 0));
  EXPECT_EQ(-999.0, h);
}
