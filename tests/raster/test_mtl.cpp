// Layer matrices: creation from build parameters, the layer block, cell
// records with their heights and thicknesses, and their triangles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "common/maperr.h"
#include "platform/vfs_memory.h"
#include "raster/mtl.h"
#include "support/rmfbuild.h"
#include "support/rmffiles.h"
#include "support/scratch_dir.h"

namespace {

// A frame of 1000 m (X) x 640 m (Y) at 10 m: 100 rows, 64 columns; heights
// of 2 bytes in decimetres, 3 layers of 1 byte in centimetres.
MTLBUILDPARM Parm() {
  MTLBUILDPARM p = rmftest::DecimetreLayerMatrix();
  p.UserWord = 41;
  return p;
}

class MtlTest : public ::testing::Test {
 protected:
  void Make(MTLBUILDPARM p = Parm()) { ASSERT_EQ(1, m.Create(name.c_str(), &p)); }
  // The plane point of the centre of cell (row, col) of Parm().
  static double X(double row) { return 7000 - (row + 0.5) * 10; }
  static double Y(double col) { return 3000 + (col + 0.5) * 10; }

  mctest::ScratchDir dir{MC_TEST_TMP};
  std::string name = dir / "a.mtl";
  TMtl m;
};

}  // namespace

TEST_F(MtlTest, TheFrameGivesTheGridAndTheLayerBlock) {
  Make();
  m.Close();
  const RMF h = rmftest::ReadHeader(name);
  EXPECT_EQ(RMF_MTL, h.Ident);
  EXPECT_EQ(100, h.Height);
  EXPECT_EQ(64, h.Width);
  EXPECT_EQ(2, h.BlockRows);
  EXPECT_EQ(64, h.BlockHeight);
  EXPECT_EQ(36, h.LastHeight);
  EXPECT_EQ(1, h.BlockColumns);
  EXPECT_EQ(64, h.BlockWidth);
  EXPECT_EQ(40, h.BitsPerElement);  // 2 + 3 x 1 bytes
  EXPECT_EQ(0u, h.PalettePosition);
  EXPECT_EQ(0u, h.PaletteLength);
  EXPECT_EQ(320u, h.TablePosition);
  EXPECT_EQ(16u, h.TableLength);
  EXPECT_EQ(336u, h.LayerPosition);
  EXPECT_EQ(320u + 3 * 48, h.LayerLength);
  EXPECT_EQ(41u, h.Creator);
  EXPECT_EQ(-32767.0, h.EmptyValue);
  EXPECT_EQ(1e308, h.Minimum);
  EXPECT_EQ(25000.0, h.Scale);
  EXPECT_EQ(2500.0, h.Precision);
  EXPECT_EQ(10.0, h.ElementSize);

  TMtl r(name.c_str(), 0);
  const MTLLAYERHEAD& l = *r.LayerHead();
  EXPECT_EQ(MTL_LAYER_MARKER, l.Marker);
  EXPECT_EQ(3u, l.LayerCount);
  EXPECT_EQ(2u, l.HeightBytes);
  EXPECT_EQ(1u, l.PowerBytes);
  EXPECT_EQ(255u, l.NoValue);
  EXPECT_EQ(2u, l.PowerUnit);
  EXPECT_EQ(100.0, r.LayerFactor);
}

TEST_F(MtlTest, ANewCellHoldsNoHeightAndNoLayerValues) {
  Make();
  LONG h = 0, p = 0;
  EXPECT_EQ(0, m.GetHeight(h, 5, 5));  // no block yet
  EXPECT_EQ(-32767, h);
  const BYTE* e = m.GetElementAndCreate(5, 5);
  ASSERT_NE(nullptr, e);
  const BYTE fresh[5] = {0x01, 0x80, 0xFF, 0xFF, 0xFF};  // -32767 and three marks
  EXPECT_EQ(0, std::memcmp(fresh, e, 5));
  EXPECT_EQ(0, m.GetHeight(h, 5, 5));
  EXPECT_EQ(-32767, h);
  for (int layer = 1; layer <= 3; ++layer) {
    EXPECT_EQ(0, m.GetPower(p, 5, 5, layer));
    EXPECT_EQ(255, p);
    double metres = 0;
    EXPECT_EQ(0, m.GetPlanePower(metres, X(5), Y(5), layer));
  }
  EXPECT_EQ(nullptr, m.GetPowers(5, 5));
  EXPECT_EQ(0, m.GetError());
}

TEST_F(MtlTest, BadParametersAreRefusedInTheRecordToo) {
  struct Case {
    const char* what;
    void (*change)(MTLBUILDPARM&);
  } cases[] = {
      {"length", [](MTLBUILDPARM& p) { p.Length = 120; }},
      {"X2 = X1", [](MTLBUILDPARM& p) { p.EndX = p.BeginX; }},
      {"Y2 < Y1", [](MTLBUILDPARM& p) { p.EndY = p.BeginY - 1; }},
      {"size", [](MTLBUILDPARM& p) { p.ElementSize = 0; }},
      {"no layers", [](MTLBUILDPARM& p) { p.LayerCount = 0; }},
      {"height 3", [](MTLBUILDPARM& p) { p.HeightBytes = 3; }},
      {"power 8", [](MTLBUILDPARM& p) { p.PowerBytes = 8; }},
      {"height unit", [](MTLBUILDPARM& p) { p.HeightUnit = 4; }},
      {"power unit", [](MTLBUILDPARM& p) { p.PowerUnit = -1; }},
      {"scale", [](MTLBUILDPARM& p) { p.Scale = 0; }},
      {"no rows", [](MTLBUILDPARM& p) { p.EndX = p.BeginX + 4; }},
      {"record too long", [](MTLBUILDPARM& p) { p.LayerCount = 5000; }},
      {"count overflow", [](MTLBUILDPARM& p) { p.LayerCount = 0x7FFFFFFF, p.PowerBytes = 4; }},
  };
  for (const Case& c : cases) {
    MTLBUILDPARM p = Parm();
    c.change(p);
    EXPECT_EQ(0, m.Create(name.c_str(), &p)) << c.what;
    EXPECT_EQ(MAPERR_INPUT, m.GetError()) << c.what;
    EXPECT_EQ(MAPERR_INPUT, p.Length) << c.what;
  }
  EXPECT_EQ("", rmftest::ReadAll(name));
}

TEST_F(MtlTest, HeightsAndThicknessesAreRoundedHalfAwayFromZero) {
  Make();
  struct Case {
    double metres;
    int16_t stored;
  } heights[] = {{12.5, 125}, {-0.25, -3}, {0.04, 0}, {-0.05, -1}, {3276.7, 32767}};
  for (const Case& c : heights) {
    ASSERT_EQ(1, m.PutPlaneHeight(X(7), Y(9), c.metres));
    int16_t v;
    std::memcpy(&v, m.GetElement(7, 9), 2);
    EXPECT_EQ(c.stored, v) << c.metres;
  }
  double h = 0;
  ASSERT_EQ(1, m.GetPlaneHeight(h, X(7), Y(9)));
  EXPECT_DOUBLE_EQ(3276.7, h);

  ASSERT_EQ(1, m.PutPlanePower(X(7), Y(9), 0.125, 2));
  LONG p = 0;
  ASSERT_EQ(1, m.GetPower(p, 7, 9, 2));
  EXPECT_EQ(13, p);  // 12.5 cm away from zero
  double metres = 0;
  ASSERT_EQ(1, m.GetPlanePower(metres, X(7), Y(9), 2));
  EXPECT_DOUBLE_EQ(0.13, metres);
  // A value is cut to its width: 3.00 m is 300 cm, one byte keeps 44.
  ASSERT_EQ(1, m.PutPlanePower(X(7), Y(9), 3.0, 3));
  ASSERT_EQ(1, m.GetPower(p, 7, 9, 3));
  EXPECT_EQ(44, p);
  // The first layer still has none.
  EXPECT_EQ(nullptr, m.GetPowers(7, 9));

  EXPECT_EQ(0, m.PutPlaneHeight(X(7), Y(9), std::nan("")));
  EXPECT_EQ(MAPERR_INPUT, m.GetError());
  EXPECT_EQ(0, m.PutPlanePower(X(7), Y(9), 1.0, 4));
  EXPECT_EQ(MAPERR_INPUT, m.GetError());
  EXPECT_EQ(0, m.PutPlaneHeight(5000, Y(9), 1.0));
  EXPECT_EQ(MAPERR_DATA, m.GetError());
}

TEST_F(MtlTest, RecordsAndTheLayerBlockSurviveReopening) {
  Make();
  const char record[5] = {0x10, 0x00, 1, 2, 3};  // height 16
  ASSERT_EQ(1, m.PutElement(record, 5, 99, 63));
  EXPECT_EQ(0, m.PutElement(record, 4, 99, 63));
  EXPECT_EQ(MAPERR_INPUT, m.GetError());
  EXPECT_EQ(nullptr, m.GetElement(100, 0));
  EXPECT_EQ(MAPERR_INPUT, m.GetError());
  m.LayerItems()[1].Color = 0x00FF00;
  std::strcpy(m.LayerItems()[1].ShortName, "clay");
  std::strcpy(m.LayerHead()->Name, "Borehole grid");
  m.LayerHead()->BottomLevel = -40.5;
  m.LayerChanged = 1;
  m.Close();

  TMtl r(name.c_str(), 0);
  ASSERT_EQ(0, std::memcmp(record, r.GetElement(99, 63), 5));
  const BYTE* powers = r.GetPowers(99, 63);
  ASSERT_NE(nullptr, powers);
  EXPECT_EQ(1, powers[0]);
  double h = 0;
  ASSERT_EQ(1, r.GetPlaneHeight(h, 6000, 3640));  // the south-east corner
  EXPECT_DOUBLE_EQ(1.6, h);
  EXPECT_EQ(0x00FF00u, r.LayerItems()[1].Color);
  EXPECT_STREQ("clay", r.LayerItems()[1].ShortName);

  MTLDESCRIBE d;
  std::memset(&d, 0x5A, sizeof(d));
  d.View = 3;
  ASSERT_EQ(1, r.GetMtlDescribe(&d));
  EXPECT_EQ(name, d.Name);
  EXPECT_STREQ("Borehole grid", d.MatrixName);
  EXPECT_EQ(3, d.LayerCount);
  EXPECT_EQ(10.0, d.ElementSize);
  EXPECT_EQ(6000.0, d.FrameX1);
  EXPECT_EQ(3000.0, d.FrameY1);
  EXPECT_EQ(7000.0, d.FrameX2);
  EXPECT_EQ(3640.0, d.FrameY2);
  EXPECT_EQ(-40.5, d.BottomLevel);
  EXPECT_EQ(41, d.UserWord);
  EXPECT_EQ(41, d.UserWord2);
  EXPECT_EQ(3, d.View);
  EXPECT_EQ(1, d.HasHeight);
  EXPECT_EQ(0, r.GetMtlDescribe(nullptr));
  EXPECT_EQ(MAPERR_INPUT, r.GetError());
}

// Heights written widen the header's range (stored units), which is
// saved; the empty height and thicknesses leave it alone.
TEST_F(MtlTest, WrittenHeightsWidenTheSavedRange) {
  Make();
  ASSERT_EQ(1, m.PutPlaneHeight(X(1), Y(1), 12.5));
  ASSERT_EQ(1, m.PutPlaneHeight(X(2), Y(2), -0.25));
  ASSERT_EQ(1, m.PutPlaneHeight(X(3), Y(3), 3.0));
  ASSERT_EQ(1, m.PutPlaneHeight(X(4), Y(4), -3276.7));  // the empty height
  ASSERT_EQ(1, m.PutPlanePower(X(5), Y(5), 2.0, 1));
  const char record[5] = {char(0x2C), 0x01, 1, 2, 3};  // 300 decimetres
  ASSERT_EQ(1, m.PutElement(record, 5, 6, 6));
  m.Close();

  const RMF h = rmftest::ReadHeader(name);
  EXPECT_EQ(-3.0, h.Minimum);
  EXPECT_EQ(300.0, h.Maximum);
  TMtl r(name.c_str(), 0);
  EXPECT_DOUBLE_EQ(-0.3, r.Head.Minimum * r.HeightInverse);
  EXPECT_DOUBLE_EQ(30.0, r.Head.Maximum * r.HeightInverse);
}

TEST_F(MtlTest, ReadOnlyFilesAreNotWritten) {
  Make();
  m.Close();
  const std::string before = rmftest::ReadAll(name);
  TMtl r(name.c_str(), GENERIC_READ);
  const char record[5] = {};
  EXPECT_EQ(0, r.PutElement(record, 5, 0, 0));
  EXPECT_EQ(0, r.PutPlaneHeight(X(0), Y(0), 1.0));
  EXPECT_EQ(0, r.GetError());
  r.Close();
  EXPECT_EQ(before, rmftest::ReadAll(name));
}

TEST_F(MtlTest, FilesWithoutAMatchingLayerBlockAreRefused) {
  {
    BUILDMTW b{};
    b.Length = sizeof(b);
    b.Width = b.Height = 100;
    b.ElementSize = 10;
    b.ElementBytes = 2;
    TMtr plain;
    ASSERT_EQ(1, plain.Create(name.c_str(), &b, nullptr, 0));
  }
  EXPECT_EQ(0, m.Open(name.c_str()));
  EXPECT_EQ(MAPERR_DATA, m.GetError());
  Make();
  m.Close();
  const std::string good = rmftest::ReadAll(name);
  struct Case {
    const char* what;
    uint64_t offset;
    DWORD value;
    int code;
  } cases[] = {
      {"no layer block", 236, 0, MAPERR_DATA},
      {"marker", 336, 0x12345678, MAPERR_DATA},
      {"more layers than the records hold", 336 + 8, 4, MAPERR_DATA},
      {"height size", 336 + 16, 4, MAPERR_DATA},
      {"length past the records", 240, 320 + 48 * 6, MAPERR_DATA},
      {"block past the end", 236, 100000, MAPERR_READ},
      {"a raster", 0, RMF_RSW, MAPERR_DATA},
  };
  for (const Case& c : cases) {
    rmftest::WriteAll(name, good);
    rmftest::PatchValue(name, c.offset, c.value);
    TMtl r;
    EXPECT_EQ(0, r.Open(name.c_str())) << c.what;
    EXPECT_EQ(c.code, r.GetError()) << c.what;
    EXPECT_FALSE(r.IsOpen()) << c.what;
    EXPECT_EQ(nullptr, r.GetElement(0, 0));
  }
  EXPECT_THROW(TMtl(name.c_str(), 0), int);
}

// A damaged table puts the last block over the layer block: a changed
// layer is stored anew at the end, never over the block's cells.
TEST_F(MtlTest, ALayerBlockSharingABlocksBytesIsStoredAnew) {
  Make();
  const char record[5] = {0x10, 0x00, 1, 2, 3};
  ASSERT_EQ(1, m.PutElement(record, 5, 0, 0));
  ASSERT_EQ(1, m.PutElement(record, 5, 99, 63));
  m.Close();
  const DWORD cells = 36 * 64 * 5;
  rmftest::PatchValue(name, 320 + 8, DWORD(336));  // block 1's entry
  rmftest::PatchValue(name, 320 + 12, cells);
  ASSERT_EQ(1, m.Open(name.c_str()));
  std::string before;
  for (int row = 64; row < 100; ++row)
    for (int col = 0; col < 64; ++col) before.append(reinterpret_cast<const char*>(m.GetElement(row, col)), 5);
  m.LayerItems()[0].Color = 0x123456;
  std::strcpy(m.LayerItems()[2].ShortName, "sand");
  m.LayerHead()->BottomLevel = -12.5;
  m.LayerChanged = 1;
  ASSERT_EQ(1, m.Save());
  m.Close();

  TMtl r(name.c_str(), 0);
  EXPECT_NE(336u, r.Head.LayerPosition);
  EXPECT_EQ(0x123456u, r.LayerItems()[0].Color);
  EXPECT_STREQ("sand", r.LayerItems()[2].ShortName);
  EXPECT_EQ(-12.5, r.LayerHead()->BottomLevel);
  std::string after;
  for (int row = 64; row < 100; ++row)
    for (int col = 0; col < 64; ++col) after.append(reinterpret_cast<const char*>(r.GetElement(row, col)), 5);
  EXPECT_TRUE(before == after) << "the block's cells changed";
}

TEST_F(MtlTest, RecordsPastFourGigabytesUseUnitAddresses) {
  // 32768 x 32768 cells of 4 bytes are 2^32 bytes: a 32-bit product wraps
  // to 0. Only the table and the layer block are written.
  plat::MemoryVfs memory;
  memory.SetCapacity(uint64_t(8) << 30);
  plat::ScopedVfs use(&memory);
  MTLBUILDPARM p = Parm();
  p.EndX = p.BeginX + 32768;
  p.EndY = p.BeginY + 32768;
  p.ElementSize = 1;
  p.LayerCount = 2;
  {
    TMtl big;
    ASSERT_EQ(1, big.Create("/big.mtl", &p));
    EXPECT_EQ(RMF_UNIT_SHIFT, big.Head.UnitShift);
    EXPECT_EQ(2u, big.Head.TablePosition);
    EXPECT_EQ(2u + 512 * 512 * 8 / 256, big.Head.LayerPosition);
    ASSERT_EQ(1, big.PutPlaneHeight(p.BeginX + 0.5, p.EndY - 0.5, 2.0));
  }
  TMtl big("/big.mtl", 0);
  LONG h = 0;
  EXPECT_EQ(1, big.GetHeight(h, 32767, 32767));
  EXPECT_EQ(20, h);
  // Not enough room on the volume.
  memory.SetCapacity(uint64_t(1) << 30);
  TMtl full;
  EXPECT_EQ(0, full.Create("/full.mtl", &p));
  EXPECT_EQ(MAPERR_DISKFULL, full.GetError());
}

TEST_F(MtlTest, TrianglesOfHeightsAndThicknesses) {
  Make();
  // A 3 x 3 patch at rows 10..12, columns 20..22: heights 10 x (r + c) dm,
  // layer 1 everywhere, layer 2 missing in (10, 21).
  for (int r = 10; r <= 12; ++r)
    for (int c = 20; c <= 22; ++c) {
      const int16_t height = int16_t(10 * (r + c));
      char record[5];
      std::memcpy(record, &height, 2);
      record[2] = char(r);
      record[3] = r == 10 && c == 21 ? char(255) : char(c);
      record[4] = char(255);
      ASSERT_EQ(1, m.PutElement(record, 5, r, c));
    }
  double h = 0;
  ASSERT_EQ(1, m.GetHeightTriangle(h, 11.5, 21.5));
  EXPECT_DOUBLE_EQ(32.0, h);  // the centre: 320 dm
  // Element (11.75, 22.0): heights lie on a plane, which the triangles
  // give back exactly.
  ASSERT_EQ(1, m.GetPlaneHeightTriangle(h, X(11.25), Y(21.5)));
  EXPECT_NEAR(32.75, h, 1e-9);
  double p = 0;
  ASSERT_EQ(1, m.GetPowerTriangle(p, 11.5, 21.5, 1));
  EXPECT_DOUBLE_EQ(0.11, p);
  double powers[3];
  // Towards the north-west: the neighbours (10, 21), (11, 20), (10, 20).
  ASSERT_EQ(1, m.GetPowersTriangle(11.25, 21.4, powers, 3));
  EXPECT_NEAR(0.1075, powers[0], 1e-12);
  // Layer 2 leaves out the missing (10, 21): never a 255 in the mean.
  EXPECT_GT(powers[1], 0.20);
  EXPECT_LT(powers[1], 0.22);
  EXPECT_EQ(MTL_NO_POWER, powers[2]);
  EXPECT_EQ(0, m.GetPlanePowersTriangle(X(11), Y(21), powers, 2));
  EXPECT_EQ(MAPERR_INPUT, m.GetError());
  // An empty cell: the result stays empty.
  h = 0;
  EXPECT_EQ(0, m.GetHeightTriangle(h, 30.5, 30.5));
  EXPECT_EQ(-32767.0, h);
  EXPECT_EQ(0, m.GetPlaneHeightTriangle(h, 5000, 3100));
  EXPECT_EQ(MAPERR_DATA, m.GetError());
}
