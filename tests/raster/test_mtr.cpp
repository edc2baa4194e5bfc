// Elevation and quality matrices: creation from a description, opening
// (old matrices through the sibling converter), the directional scan.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>

#include "common/maperr.h"
#include "common/messages.h"
#include "platform/library.h"
#include "raster/mtr.h"
#include "support/host_recorder.h"
#include "support/rmfbuild.h"
#include "support/rmffiles.h"
#include "support/scratch_dir.h"

namespace {

BUILDMTW Build(double width, double height, double size, int bytes) {
  BUILDMTW b = rmftest::MatrixBuild(5000, 7000, width, height, size, bytes, 50000);
  b.HeightUnit = 1;
  b.MatrixType = 2;
  b.Creator = 9;
  return b;
}

// What the fake sibling library does with the old file: 1 writes a small
// MTW in its place, 0 refuses and leaves it.
int g_convertMode = 1;
std::string g_converted;

int FakeConvert(const char* name) {
  g_converted = name;
  if (!g_convertMode) return 0;
  BUILDMTW b = Build(40, 30, 10, 2);
  TMtr made;
  if (!made.Create(name, &b, nullptr, 0) || !made.PutPoint(LONG(77), 1, 2)) return 0;
  made.Close();
  return 1;
}

int Unrelated() { return 0; }

class MtrTest : public ::testing::Test {
 protected:
  void SetUp() override { messages_ = MessageEnableSet(0); }
  void TearDown() override {
    plat::UnregisterLibraryProvider(MAPLIB_MATRIX);
    MessageEnableSet(messages_);
  }

  // An old matrix: its signature and some bytes.
  std::string WriteOld() {
    std::string old = "MTR";
    old += '\0';
    old += std::string(60, 'x');
    rmftest::WriteAll(name, old);
    return old;
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  std::string name = dir / "a.mtw";
  int messages_ = 1;
};

}  // namespace

TEST_F(MtrTest, ADescriptionGivesTheGridAndTheMatrixFields) {
  struct Case {
    double width, height, size;
    int bytes;
    LONG columns, rows;
    double empty;
  } cases[] = {
      {1000, 1500, 10, 2, 100, 150, -32767.0},
      {1005, 1500, 10, 4, 101, 150, -32767000.0},  // 100.5 + 0.5
      {1004, 1, 2, 1, 502, 1, -127.0},
      {30, 20, 10, 8, 3, 2, -32767000.0},
  };
  for (const Case& c : cases) {
    BUILDMTW b = Build(c.width, c.height, c.size, c.bytes);
    TMtr m;
    ASSERT_EQ(1, m.Create(name.c_str(), &b, nullptr, 1)) << c.width;
    m.Close();
    const RMF h = rmftest::ReadHeader(name);
    EXPECT_EQ(RMF_MTW, h.Ident);
    EXPECT_EQ(c.columns, h.Width);
    EXPECT_EQ(c.rows, h.Height);
    EXPECT_EQ(c.bytes * 8, h.BitsPerElement);
    EXPECT_EQ(c.empty, h.EmptyValue);
    EXPECT_EQ(c.size, h.ElementSize);
    EXPECT_EQ(5000.0, h.LocationX);
    EXPECT_EQ(7000.0, h.LocationY);
    EXPECT_EQ(1, h.LocationSet);
    EXPECT_EQ(9u, h.Creator);
    EXPECT_EQ(2, h.MatrixBytes[0]);
    EXPECT_EQ(1, h.HeightUnit);
    EXPECT_EQ(1e308, h.Minimum);
    EXPECT_EQ(-1e308, h.Maximum);
    EXPECT_EQ(-1, h.ProjectionWord);
    EXPECT_EQ(DWORD(-1), h.ProjectionCode);
  }
}

TEST_F(MtrTest, AScaleBelowOneIsMadeOneAndTheElementSizeKept) {
  BUILDMTW b = Build(100, 100, 10, 2);
  b.Scale = 0;
  TMtr m;
  ASSERT_EQ(1, m.Create(name.c_str(), &b, nullptr, 0));
  EXPECT_EQ(1, b.Scale);
  EXPECT_EQ(1.0, m.Head.Scale);
  // scale / size is below 1: the precision stays 1, the element 10 m.
  EXPECT_EQ(1.0, m.Head.Precision);
  EXPECT_EQ(10.0, m.Head.ElementSize);
}

TEST_F(MtrTest, BadDescriptionsAndProjectionsCreateNothing) {
  auto bad = [](void (*change)(BUILDMTW&, MTRPROJECTIONDATA&), bool withProj) {
    BUILDMTW b = Build(100, 100, 10, 2);
    MTRPROJECTIONDATA p = rmftest::NoProjection();
    change(b, p);
    return std::make_pair(b, withProj ? p : MTRPROJECTIONDATA{});
  };
  struct Case {
    const char* what;
    void (*change)(BUILDMTW&, MTRPROJECTIONDATA&);
    bool proj;
  } cases[] = {
      {"length 80", [](BUILDMTW& b, MTRPROJECTIONDATA&) { b.Length = 80; }, false},
      {"no width", [](BUILDMTW& b, MTRPROJECTIONDATA&) { b.Width = 0; }, false},
      {"NaN size", [](BUILDMTW& b, MTRPROJECTIONDATA&) { b.ElementSize = std::nan(""); }, false},
      {"3 bytes", [](BUILDMTW& b, MTRPROJECTIONDATA&) { b.ElementBytes = 3; }, false},
      {"unit 4", [](BUILDMTW& b, MTRPROJECTIONDATA&) { b.HeightUnit = 4; }, false},
      {"type 3", [](BUILDMTW& b, MTRPROJECTIONDATA&) { b.MatrixType = 3; }, false},
      {"flag 2", [](BUILDMTW& b, MTRPROJECTIONDATA&) { b.Flag = 2; }, false},
      {"under half an element", [](BUILDMTW& b, MTRPROJECTIONDATA&) { b.Height = 4; }, false},
      {"too many columns", [](BUILDMTW& b, MTRPROJECTIONDATA&) { b.Width = 1e12; }, false},
      {"projection length", [](BUILDMTW&, MTRPROJECTIONDATA& p) { p.Length = 64; }, true},
      {"unknown projection", [](BUILDMTW&, MTRPROJECTIONDATA& p) { p.ProjectionCode = 999; }, true},
  };
  rmftest::WriteAll(name, "keep me");
  for (const Case& c : cases) {
    auto [b, p] = bad(c.change, c.proj);
    TMtr m;
    EXPECT_EQ(0, m.Create(name.c_str(), &b, c.proj ? &p : nullptr, 0)) << c.what;
    EXPECT_EQ(MAPERR_INPUT, m.GetError()) << c.what;
    EXPECT_EQ("keep me", rmftest::ReadAll(name)) << c.what;
  }
  TMtr m;
  EXPECT_EQ(0, m.Create(name.c_str(), nullptr, nullptr, 0));
  EXPECT_EQ(MAPERR_INPUT, m.GetError());
}

TEST_F(MtrTest, ProjectionDataAreStored) {
  BUILDMTW b = Build(100, 100, 10, 4);
  MTRPROJECTIONDATA p{};
  p.Length = sizeof(p);
  p.ProjectionWord = 12;
  p.ProjectionCode = 1;  // Gauss-Krueger: its axis meridian within 2 pi
  p.Parameters[2] = 0.5;
  {
    TMtr m;
    ASSERT_EQ(1, m.Create(name.c_str(), &b, &p, 0));
  }
  const RMF h = rmftest::ReadHeader(name);
  EXPECT_EQ(12, h.ProjectionWord);
  EXPECT_EQ(1u, h.ProjectionCode);
  EXPECT_EQ(0.5, h.ProjParams[2]);
}

TEST_F(MtrTest, ValuesSurviveReopeningAndOneByteElementsAreSigned) {
  BUILDMTW b = Build(50, 50, 10, 1);
  {
    TMtr m;
    ASSERT_EQ(1, m.Create(name.c_str(), &b, nullptr, 0));
    ASSERT_EQ(1, m.PutPoint(LONG(-5), 0, 0));
    ASSERT_EQ(1, m.PutPoint(LONG(100), 4, 4));
    m.Close();
  }
  TMtr m(name.c_str(), 0);
  LONG v = 0;
  ASSERT_EQ(1, m.GetPoint(v, 0, 0));
  EXPECT_EQ(-5, v);
  ASSERT_EQ(1, m.GetPoint(v, 4, 4));
  EXPECT_EQ(100, v);
  // An empty cell of the block holds 0x81: the empty value, not 129.
  ASSERT_EQ(1, m.GetPoint(v, 2, 3));
  EXPECT_EQ(-127, v);
  EXPECT_TRUE(m.EmptyElement(v));
  EXPECT_EQ(1, m.ElementBytes());
}

TEST_F(MtrTest, OtherKindsAndShortFilesAreRefused) {
  ASSERT_EQ(1, rmftest::MakeRaster(name, 10, 10));
  TMtr m;
  EXPECT_EQ(0, m.Open(name.c_str()));
  EXPECT_EQ(MAPERR_DATA, m.GetError());
  EXPECT_FALSE(m.IsOpen());
  rmftest::WriteAll(name, "MT");
  EXPECT_EQ(0, m.Open(name.c_str()));
  EXPECT_EQ(MAPERR_READ, m.GetError());
  EXPECT_THROW(TMtr(name.c_str(), 0), int);
}

TEST_F(MtrTest, AQualityMatrixKeepsItsColours) {
  BUILDMTW b = Build(100, 100, 10, 2);
  MTRPROJECTIONDATA p = rmftest::NoProjection();
  COLORREF colours[300];
  for (int i = 0; i < 300; ++i) colours[i] = COLORREF(i * 3);
  {
    TMtr m;
    EXPECT_EQ(0, m.CreateMtq(name.c_str(), &b, &p, nullptr, 3));
    EXPECT_EQ(MAPERR_INPUT, m.GetError());
    ASSERT_EQ(1, m.CreateMtq(name.c_str(), &b, &p, colours, 300));
  }
  TMtr m(name.c_str(), 0);
  EXPECT_EQ(RMF_MTQ, m.Head.Ident);
  EXPECT_EQ(1024u, m.Head.PaletteLength);
  EXPECT_EQ(COLORREF(255 * 3), m.PaletteWords[255]);
}

// A palette given to a quality matrix whose palette place lies far past
// its end or over its block table (a damaged header) is stored at the end
// of the file: the file does not grow to the place, and the table and the
// values stay.
TEST_F(MtrTest, APalettePlaceOutsideTheFileOrOverTheTableMovesToTheEnd) {
  BUILDMTW b = Build(100, 100, 10, 2);
  MTRPROJECTIONDATA p = rmftest::NoProjection();
  const COLORREF colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
  {
    TMtr m;
    ASSERT_EQ(1, m.CreateMtq(name.c_str(), &b, &p, colours, 4));
    ASSERT_EQ(1, m.PutPoint(LONG(3), 4, 5));
  }
  const std::string made = rmftest::ReadAll(name);
  const RMF head = rmftest::ReadHeader(name);
  for (const DWORD place : {DWORD(0x7FFFFFFE), head.TablePosition}) {
    SCOPED_TRACE(place);
    rmftest::WriteAll(name, made);
    rmftest::PatchValue(name, offsetof(RMF, PalettePosition), place);
    rmftest::PatchValue(name, offsetof(RMF, PaletteLength), DWORD(0));
    {
      TMtr m(name.c_str(), 0);
      m.Palette(colours, 4);
      m.Head.PaletteLength = sizeof(colours);
      m.HeadChanged = 1;
    }
    EXPECT_EQ(made.size() + sizeof(colours), rmftest::ReadAll(name).size());
    TMtr m(name.c_str(), 0);
    EXPECT_EQ(DWORD(made.size()), m.Head.PalettePosition);
    EXPECT_EQ(0, std::memcmp(colours, m.PaletteWords, sizeof(colours)));
    LONG value = 0;
    EXPECT_EQ(1, m.GetPoint(value, 4, 5));
    EXPECT_EQ(3, value);
  }
}

TEST_F(MtrTest, AnOldMatrixIsConvertedByTheSiblingLibrary) {
  const plat::LibraryEntry entry[] = {{MAPLIB_MATRIX_CONVERT, plat::LibraryProc(&FakeConvert)}};
  plat::RegisterLibraryProvider(MAPLIB_MATRIX, entry, 1);
  WriteOld();
  g_convertMode = 1;
  TMtr m;
  ASSERT_EQ(1, m.Open(name.c_str()));
  EXPECT_EQ(name, g_converted);
  LONG v = 0;
  ASSERT_EQ(1, m.GetPoint(v, 1, 2));
  EXPECT_EQ(77, v);
}

TEST_F(MtrTest, AFailedConversionLeavesTheOldFile) {
  const std::string old = WriteOld();
  {
    // No library: reported with its name, and the object keeps the code.
    MessageEnableSet(1);
    mctest::RecordingMessageBox box;
    plat::RegisterMissingLibrary(MAPLIB_MATRIX);
    TMtr m;
    EXPECT_EQ(0, m.Open(name.c_str()));
    EXPECT_EQ(MAPERR_NOLIBRARY, m.GetError());
    ASSERT_EQ(1u, box.boxes().size());
    EXPECT_NE(std::string::npos, box.boxes()[0].text.find(MAPLIB_MATRIX));
    MessageEnableSet(0);
  }
  const plat::LibraryEntry other[] = {{"Unrelated", plat::LibraryProc(&Unrelated)}};
  plat::RegisterLibraryProvider(MAPLIB_MATRIX, other, 1);
  TMtr m;
  EXPECT_EQ(0, m.Open(name.c_str()));
  EXPECT_EQ(MAPERR_BADLIBRARY, m.GetError());
  const plat::LibraryEntry convert[] = {{MAPLIB_MATRIX_CONVERT, plat::LibraryProc(&FakeConvert)}};
  plat::RegisterLibraryProvider(MAPLIB_MATRIX, convert, 1);
  g_convertMode = 0;
  EXPECT_EQ(0, m.Open(name.c_str()));
  EXPECT_FALSE(m.IsOpen());
  EXPECT_EQ(old, rmftest::ReadAll(name));
}

TEST_F(MtrTest, EmptyElementsOfTheMatrixCoderAreEmpty) {
  // A 32-bit block written through the matrix coder decodes its empty
  // elements to 0x80000000, whatever empty value the file names.
  BUILDMTW b = Build(40, 40, 10, 4);
  TMtr m;
  ASSERT_EQ(1, m.Create(name.c_str(), &b, nullptr, 0));
  LONG block[16];
  for (int i = 0; i < 16; ++i) block[i] = i % 3 ? 500 + i : -32767000;
  char packed[256];
  const int n = m.CompressMtr(block, sizeof(block), packed, sizeof(packed), 0);
  ASSERT_GT(n, 0);
  ASSERT_LT(n, int(sizeof(block)));  // else it would be read as plain
  m.Head.Compression = RMF_MATRIX;
  ASSERT_EQ(n, m.WriteBlock(0, 0, packed, n));
  m.Close();
  TMtr r(name.c_str(), 0);
  LONG v = 0;
  ASSERT_EQ(1, r.GetPoint(v, 0, 0));
  EXPECT_EQ(LONG(0x80000000u), v);
  EXPECT_TRUE(r.EmptyElement(v));
  ASSERT_EQ(1, r.GetPoint(v, 0, 1));
  EXPECT_EQ(501, v);
  EXPECT_FALSE(r.EmptyElement(v));
}

class MtrScanTest : public MtrTest {
 protected:
  // A 200 x 200 empty matrix of 4-byte elements (blocks of 128).
  void SetUp() override {
    MtrTest::SetUp();
    BUILDMTW b = Build(2000, 2000, 10, 4);
    ASSERT_EQ(1, m.Create(name.c_str(), &b, nullptr, 0));
  }
  TMtr m;
  int row = -1, col = -1;
  LONG value = 0;
};

TEST_F(MtrScanTest, AnOddDirectionMovesItsMinorAxisTwiceInFiveSteps) {
  // Direction 1 from (100, 0): each place is the first with a value when
  // it alone holds one.
  const int path[][2] = {{100, 0}, {100, 1}, {100, 2}, {99, 3}, {99, 4},
                         {98, 5},  {98, 6},  {98, 7},  {97, 8}, {97, 9}};
  for (const auto& p : path) {
    ASSERT_EQ(1, m.PutPoint(LONG(7), p[0], p[1]));
    EXPECT_EQ(1, m.ScanPoint(100, 0, 1, row, col, value));
    EXPECT_EQ(p[0], row);
    EXPECT_EQ(p[1], col);
    EXPECT_EQ(7, value);
    ASSERT_EQ(1, m.PutPoint(LONG(-32767000), p[0], p[1]));
  }
}

TEST_F(MtrScanTest, EveryDirectionReachesItsFifthStep) {
  // From (100, 100), the place after five steps: odd directions have moved
  // their minor axis twice.
  const int fifth[16][2] = {{100, 105}, {98, 105}, {95, 105}, {95, 102}, {95, 100}, {95, 98},
                            {95, 95},   {98, 95},  {100, 95}, {102, 95}, {105, 95}, {105, 98},
                            {105, 100}, {105, 102}, {105, 105}, {102, 105}};
  for (int d = 0; d < 16; ++d) {
    ASSERT_EQ(1, m.PutPoint(LONG(3), fifth[d][0], fifth[d][1]));
    EXPECT_EQ(1, m.ScanPoint(100, 100, d, row, col, value)) << d;
    EXPECT_EQ(fifth[d][0], row) << d;
    EXPECT_EQ(fifth[d][1], col) << d;
    ASSERT_EQ(1, m.PutPoint(LONG(-32767000), fifth[d][0], fifth[d][1]));
  }
}

TEST_F(MtrScanTest, LeavingTheMatrixAndBadArguments) {
  // Row 0 empty (no block written): 0, at the last column.
  EXPECT_EQ(0, m.ScanPoint(0, 5, 0, row, col, value));
  EXPECT_EQ(0, row);
  EXPECT_EQ(199, col);
  EXPECT_EQ(-32767000, value);
  for (int d : {16, -1}) {
    EXPECT_EQ(0, m.ScanPoint(0, 5, d, row, col, value));
    EXPECT_EQ(0, m.GetError());
  }
  EXPECT_EQ(0, m.ScanPoint(200, 5, 0, row, col, value));
  EXPECT_EQ(MAPERR_DATA, m.GetError());
  TMtr closed;
  EXPECT_EQ(0, closed.ScanPoint(0, 0, 0, row, col, value));
  EXPECT_EQ(MAPERR_OPEN, closed.GetError());
}

TEST_F(MtrScanTest, BlocksOutsideTheBorderAreCrossedButTheStartBlockIsRead) {
  ASSERT_EQ(1, m.PutPoint(LONG(5), 10, 20));   // block 0
  ASSERT_EQ(1, m.PutPoint(LONG(6), 10, 150));  // block 1
  ASSERT_EQ(1, m.PutPoint(LONG(8), 10, 190));  // block 1
  ASSERT_EQ(1, m.AllocateBlockFlags(m.BlockCount()));
  m.SetBlockFlag(0, 0);
  m.SetBlockFlag(1, 0);
  EXPECT_EQ(1, m.ScanPoint(10, 0, 0, row, col, value));
  EXPECT_EQ(20, col);
  EXPECT_EQ(0, m.BlockFlag(0));
  // Block 1 is crossed from its start: the value at 190 is not met either.
  EXPECT_EQ(0, m.ScanPoint(10, 21, 0, row, col, value));
  EXPECT_EQ(199, col);
  EXPECT_EQ(1, m.ScanPoint(10, 160, 0, row, col, value));
  EXPECT_EQ(190, col);
}
