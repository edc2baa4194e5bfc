// Elements, plane points, lines, frames, masks and turned strips of the
// blocked file, in the element layout of its blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/maperr.h"
#include "common/messages.h"
#include "raster/rmf.h"
#include "support/rmffiles.h"
#include "support/scratch_dir.h"

namespace {

class RmfElementsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
  }
  void TearDown() override { MessageEnableSet(messages_); }

  // A matrix from a header description.
  void MakeMatrix(TRmf& rmf, DWORD ident, int bits, int columns, int rows, double empty) {
    RMF h{};
    h.Ident = ident;
    h.BitsPerElement = bits;
    h.Width = columns;
    h.Height = rows;
    ASSERT_TRUE(RmfSetGeometry(&h));
    h.EmptyValue = empty;
    h.Scale = 1000;
    h.Precision = 1;
    ASSERT_EQ(1, rmf.Create(name.c_str(), &h, nullptr)) << rmf.GetError();
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  std::string name = dir / "a.rsw";
  int messages_ = 1;
};

}  // namespace

TEST_F(RmfElementsTest, ElementsOfEveryDepthGoThroughTheBlockLayout) {
  struct Case {
    DWORD ident;
    int bits;
    LONG value;
  } cases[] = {{RMF_RSW, 1, 1},      {RMF_RSW, 4, 9},          {RMF_RSW, 8, 200},
               {RMF_RSW, 16, 0x7C1F}, {RMF_RSW, 24, 0x123456}, {RMF_RSW, 32, 0x00ABCDEF},
               {RMF_MTW, 16, -300},  {RMF_MTW, 32, -123456}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    TRmf rmf;
    if (c.ident == RMF_RSW)
      ASSERT_EQ(1, rmf.Create(name.c_str(), 600, 300, c.bits, nullptr, 1, 1));
    else
      MakeMatrix(rmf, c.ident, c.bits, 600, 300, -32767);
    // The last element of the grid, in an edge block.
    const int row = 299, col = rmf.Head.Width - 1;
    ASSERT_EQ(1, rmf.PutPoint(c.value, row, col));
    rmf.Close();
    ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
    LONG got = 0;
    ASSERT_EQ(1, rmf.GetPoint(got, row, col));
    EXPECT_EQ(c.value, got);
    // Straight from the file: the same element in the same place.
    rmf.ClearBuffer();
    ASSERT_EQ(1, rmf.ReadPoint(got, row, col));
    EXPECT_EQ(c.value, got);
    const int br = row / rmf.Head.BlockHeight, bc = col / rmf.Head.BlockWidth;
    const int64_t k = int64_t(row % rmf.Head.BlockHeight) * rmf.BlockWidth(bc) + col % rmf.Head.BlockWidth;
    std::vector<char> block(size_t(rmf.BlockRawLength(br, bc)));
    ASSERT_GT(rmf.ReadBlock(br, bc, block.data(), int(block.size())), 0);
    EXPECT_EQ(c.value, RmfGetElement(reinterpret_cast<BYTE*>(block.data()), k, c.bits, c.ident));
    // Written straight to the file, read through the cache.
    ASSERT_EQ(1, rmf.WritePoint(c.value ^ 1, row, col - 8));
    ASSERT_EQ(1, rmf.GetPoint(got, row, col - 8));
    EXPECT_EQ(c.value ^ 1, got);
    EXPECT_EQ(1, rmf.GetPoint(got, row, col));
    EXPECT_EQ(c.value, got);
  }
}

TEST_F(RmfElementsTest, BadElementsAndReadOnlyFiles) {
  {
    TRmf rmf;
    MakeMatrix(rmf, RMF_MTW, 64, 100, 100, -32767000.0);
    LONG l = 0;
    double d = 0;
    EXPECT_EQ(0, rmf.GetPoint(l, 1, 1));  // 64 bits through LONG
    EXPECT_EQ(MAPERR_DATA, rmf.GetError());
    EXPECT_EQ(0, rmf.GetPoint(d, 1, 1));  // absent block: the empty value, no code
    EXPECT_EQ(-32767000.0, d);
    ASSERT_EQ(1, rmf.PutPoint(2.5, 99, 99));
    EXPECT_EQ(1, rmf.GetPoint(d, 99, 99));
    EXPECT_EQ(2.5, d);
    EXPECT_EQ(0, rmf.GetPoint(d, 100, 0));
    EXPECT_EQ(MAPERR_DATA, rmf.GetError());
    EXPECT_EQ(0, rmf.ReadPoint(l, 100, 0));
  }
  // A file that may only be read opens read-only.
  TRmf rmf;
  ASSERT_EQ(1, rmftest::MakeRaster(name, 300, 300));
  ASSERT_TRUE(plat::SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  EXPECT_FALSE(rmf.IsWritable());
  rmf.Error = 0;
  EXPECT_EQ(0, rmf.PutPoint(5, 1, 1));
  EXPECT_EQ(0, rmf.WritePoint(5, 1, 1));
  EXPECT_EQ(0, rmf.GetError());
  LONG l = 0;
  EXPECT_EQ(0, rmf.ReadPoint(l, -1, 0));
  EXPECT_EQ(MAPERR_INPUT, rmf.GetError());
  rmf.Close();
  plat::SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RmfElementsTest, PlanePointsOnTheFrameEdges) {
  TRmf rmf;
  ASSERT_EQ(1, rmf.Create(name.c_str(), 300, 200, 8, nullptr, 1000, 1));  // 1000 m elements
  rmf.Head.LocationX = 6000000;
  rmf.Head.LocationY = 500000;
  const double x0 = 6000000, y0 = 500000, x1 = x0 + 200 * 1000.0, y1 = y0 + 300 * 1000.0;
  struct Case {
    double x, y;
    int row, col;
  } cases[] = {{x0, y0, 199, 0}, {x1, y1, 0, 299}, {x0 + 1500, y0 + 2500, 198, 2}, {x1 - 1, y0, 0, 0}};
  for (const Case& c : cases) {
    const LONG value = LONG(c.row + c.col) % 250 + 1;
    ASSERT_EQ(1, rmf.PutPlanePoint(value, c.x, c.y)) << c.row << " " << c.col;
    LONG v = 0;
    ASSERT_EQ(1, rmf.GetPoint(v, c.row, c.col));
    EXPECT_EQ(value, v);
  }
  EXPECT_EQ(0, rmf.PutPlanePoint(LONG(1), x0 - 1, y0));
  EXPECT_EQ(MAPERR_DATA, rmf.GetError());
  LONG v = 0;
  EXPECT_EQ(0, rmf.GetPlanePoint(v, x0, y1 + 0.5));
}

TEST_F(RmfElementsTest, ChangingACompressedElementStoresItsBlockPlain) {
  TRmf rmf;
  MakeMatrix(rmf, RMF_MTW, 32, 128, 128, -1000);
  std::vector<LONG> flat(128 * 128, 7);
  std::vector<char> packed(65536);
  const int n = rmf.CompressMtr(flat.data(), 65536, packed.data(), 65536, -1000);
  ASSERT_GT(n, 0);
  rmf.Head.Compression = RMF_MATRIX;
  ASSERT_EQ(n, rmf.WriteBlock(0, 0, packed.data(), n));
  ASSERT_EQ(1, rmf.Save());
  ASSERT_EQ(1, rmf.PutPoint(9, 5, 5));
  EXPECT_EQ(0u, rmf.BlockPosition(0));
  EXPECT_EQ(0u, rmf.BlockLength(0));
  const int64_t end = rmf.FileLength();
  ASSERT_EQ(1, rmf.Save());
  EXPECT_EQ(65536u, rmf.BlockLength(0));
  EXPECT_EQ(DWORD(end), rmf.BlockPosition(0));
  rmf.Close();
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  LONG v = 0;
  ASSERT_EQ(1, rmf.GetPoint(v, 5, 5));
  EXPECT_EQ(9, v);
  ASSERT_EQ(1, rmf.GetPoint(v, 127, 127));
  EXPECT_EQ(7, v);
}

TEST_F(RmfElementsTest, LinesAreFourConnectedStaircases) {
  TRmf rmf;
  ASSERT_EQ(1, rmf.Create(name.c_str(), 300, 300, 8, nullptr, 1, 1));
  struct Case {
    int r1, c1, r2, c2;
  } cases[] = {{10, 10, 12, 15}, {50, 260, 40, 250}, {100, 5, 100, 0}, {7, 7, 7, 7}, {200, 1, 203, 2}};
  LONG colour = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.r1 << "," << c.c1 << " " << c.r2 << "," << c.c2);
    ASSERT_EQ(1, rmf.PutLine(colour, c.r1, c.c1, c.r2, c.c2));
    std::set<std::pair<int, int>> set;
    for (int r = std::min(c.r1, c.r2); r <= std::max(c.r1, c.r2); ++r)
      for (int col = std::min(c.c1, c.c2); col <= std::max(c.c1, c.c2); ++col) {
        LONG v = 0;
        rmf.GetPoint(v, r, col);
        if (v == colour) set.insert({r, col});
      }
    // One element per single step: |dr| + |dc| + 1, ends included, each
    // beside the next.
    EXPECT_EQ(size_t(std::abs(c.r2 - c.r1) + std::abs(c.c2 - c.c1) + 1), set.size());
    EXPECT_TRUE(set.count({c.r1, c.c1}) && set.count({c.r2, c.c2}));
    for (const auto& [r, col] : set) {
      if (set.size() == 1) break;
      EXPECT_TRUE(set.count({r + 1, col}) || set.count({r - 1, col}) || set.count({r, col + 1}) ||
                  set.count({r, col - 1}))
          << r << "," << col;
    }
    ++colour;
  }
  EXPECT_EQ(0, rmf.PutLine(1, 298, 298, 302, 299));  // leaves the grid
  EXPECT_EQ(MAPERR_DATA, rmf.GetError());
}

TEST_F(RmfElementsTest, FramesInAndOut) {
  struct Case {
    int bits, column, row, width, height, direction;
  } cases[] = {
      {8, 250, 250, 20, 10, 1},   // across four blocks
      {8, -5, 290, 30, 20, -1},   // cut at the west and south edges, bottom-up
      {4, 250, 3, 12, 5, 1},      // nibbles: the image's first element high
      {1, 504, 0, 13, 4, 1},      // 13 bits: the rest of the last byte set
      {24, 60, 60, 10, 10, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    TRmf rmf;
    ASSERT_EQ(1, rmf.Create(name.c_str(), 600, 300, c.bits, nullptr, 1, 1));
    const int step = c.bits == 1 ? 8 : c.bits == 4 ? 2 : 1;
    const int w = (c.width + step - 1) / step * step;
    const int stride = w * c.bits / 8 + 3;
    std::vector<char> image(size_t(stride * c.height));
    for (size_t i = 0; i < image.size(); ++i) image[i] = char(i * 37 + 11);
    const char* first = c.direction == 1 ? image.data() : image.data() + (c.height - 1) * stride;
    ASSERT_EQ(1, rmf.PutFrame(first, c.column, c.row, c.width, c.height, c.direction, stride));
    const int r0 = std::max(c.row, 0), c0 = std::max(c.column, 0);
    const int r1 = std::min(c.row + c.height, 300), c1 = std::min(c.column + w, rmf.Head.Width);
    // Element by element against the image rows (row i of the cut frame).
    for (int r = r0; r < r1; ++r) {
      const BYTE* line = reinterpret_cast<const BYTE*>(first) + int64_t(r - r0) * stride * c.direction;
      for (int col = c0; col < c1; ++col) {
        const int i = col - c0;
        LONG want;
        if (c.bits == 1) {
          want = col - c.column >= c.width ? 1 : (line[i / 8] >> (7 - i % 8)) & 1;
        } else if (c.bits == 4) {
          want = i % 2 ? line[i / 2] & 15 : line[i / 2] >> 4;
        } else if (c.bits == 8) {
          want = line[i];
        } else {
          want = line[i * 3] << 16 | line[i * 3 + 1] << 8 | line[i * 3 + 2];
        }
        LONG v = -1;
        ASSERT_EQ(1, rmf.GetPoint(v, r, col));
        ASSERT_EQ(want, v) << r << "," << col;
      }
    }
    // And back out, top-down.
    std::vector<char> back(image.size(), char(0x5A));
    ASSERT_EQ(1, rmf.GetFrame(back.data(), c0, r0, c1 - c0, r1 - r0, stride));
    for (int r = 0; r < r1 - r0; ++r) {
      const char* line = first + int64_t(r) * stride * c.direction;
      const int bytes = (c1 - c0) * c.bits / 8 - (c.bits == 1 ? 1 : 0);
      EXPECT_EQ(std::string(line, size_t(bytes)), std::string(&back[size_t(r * stride)], size_t(bytes))) << r;
    }
  }
  TRmf rmf;
  ASSERT_EQ(1, rmf.Create(name.c_str(), 64, 64, 1, nullptr, 1, 1));
  char buffer[64];
  EXPECT_EQ(0, rmf.PutFrame(buffer, 3, 0, 8, 1, 1, 0));  // not on a byte
  EXPECT_EQ(0, rmf.PutFrame(buffer, 0, 0, 8, 1, 2, 0));
  EXPECT_EQ(0, rmf.GetFrame(buffer, 64, 0, 8, 1, 0));    // nothing left after the cut
  EXPECT_EQ(0, rmf.GetFrame(buffer, 0, 0, 16, 1, 1));    // stride shorter than a row
  EXPECT_EQ(MAPERR_INPUT, rmf.GetError());
}

TEST_F(RmfElementsTest, FramesOverAbsentBlocksGiveTheEmptyValue) {
  TRmf rmf;
  MakeMatrix(rmf, RMF_MTW, 16, 256, 128, -32767);
  // Block 0 present, block 1 absent.
  for (int r = 0; r < 2; ++r)
    for (int c = 126; c < 128; ++c) ASSERT_EQ(1, rmf.PutPoint(LONG(5), r, c));
  std::vector<int16_t> frame(4 * 2, 99);
  ASSERT_EQ(1, rmf.GetFrame(reinterpret_cast<char*>(frame.data()), 126, 0, 4, 2, 0));
  EXPECT_EQ((std::vector<int16_t>{5, 5, -32767, -32767, 5, 5, -32767, -32767}), frame);

  // Quality matrices are left as given.
  TRmf q;
  name = dir / "b.mtq";
  MakeMatrix(q, RMF_MTQ, 16, 256, 128, -32767);
  std::fill(frame.begin(), frame.end(), int16_t(99));
  ASSERT_EQ(1, q.GetFrame(reinterpret_cast<char*>(frame.data()), 126, 0, 4, 2, 0));
  EXPECT_EQ(std::vector<int16_t>(8, 99), frame);
}

TEST_F(RmfElementsTest, BlockByMaskAndTurnedStrips) {
  TRmf rmf;
  std::vector<DWORD> palette(256);
  for (int i = 0; i < 256; ++i) palette[size_t(i)] = DWORD(0x010000 * i + 7);
  ASSERT_EQ(1, rmf.Create(name.c_str(), 300, 300, 8, palette.data(), 1, 1));
  // A 3 x 2 mask, bottom-up: its last row is block row 0.
  const char mask[] = {1, 0, 1, 0, 0, 1};
  ASSERT_EQ(6, rmf.PutBlockByMask(1, 1, mask, 6, 3, 2, 77));
  LONG v;
  const int base = 256;
  std::vector<LONG> got;
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) got.push_back(rmf.GetPoint(v, base + r, base + c) ? v : -1);
  EXPECT_EQ((std::vector<LONG>{77, 77, 0, 0, 77, 0}), got);
  EXPECT_EQ(0, rmf.PutBlockByMask(1, 1, mask, 5, 3, 2, 77));
  EXPECT_EQ(MAPERR_INPUT, rmf.GetError());

  // A strip along the middle of row 10, two rows high: each sample one step
  // on, from column 20 to 23; the second strip row is row 11.
  for (int c = 18; c < 26; ++c) rmf.PutPoint(LONG(c), 10, c), rmf.PutPoint(LONG(c + 100), 11, c);
  std::vector<DWORD> strip(8);
  rmf.Error = 0;
  ASSERT_EQ(1, rmf.GetFrameTurn(strip.data(), 4, 2, 10.5, 19, 10.5, 22));
  EXPECT_EQ(palette[20], strip[0]);
  EXPECT_EQ(palette[23], strip[3]);
  EXPECT_EQ(palette[120], strip[4]);
  // Samples outside the grid stay 0.
  ASSERT_EQ(1, rmf.GetFrameTurn(strip.data(), 4, 2, 0, 297, 0, 300));
  EXPECT_EQ(0u, strip[3]);
  EXPECT_EQ(0, rmf.GetError());
}

TEST_F(RmfElementsTest, TurnedStripsOfDeepRastersTakeTheElementsColour) {
  for (int bits : {16, 24, 32}) {
    TRmf rmf;
    ASSERT_EQ(1, rmf.Create(name.c_str(), 100, 100, bits, nullptr, 1, 1));
    for (int c = 0; c < 4; ++c) rmf.PutPoint(LONG(bits == 16 ? 0x7C00 : 0x345678 + c), 5, c + 1);
    std::vector<DWORD> strip(4);
    ASSERT_EQ(1, rmf.GetFrameTurn(strip.data(), 4, 1, 5.5, 0, 5.5, 3));
    EXPECT_EQ(bits == 16 ? 0x0000F8u : 0x345678u, strip[0]) << bits;
    EXPECT_EQ(bits == 16 ? 0x0000F8u : 0x34567Bu, strip[3]) << bits;
  }
}

TEST_F(RmfElementsTest, ColoursUnitsAndValueRange) {
  TRmf rmf;
  ASSERT_EQ(1, rmf.Create(name.c_str(), 10, 10, 8, nullptr, 1, 1));
  BYTE flags[10] = {0, 1, 0, 0, 0, 0, 0, 0, 1, 1};
  EXPECT_EQ(3, rmf.SetInvisibleColors(flags, 10));
  EXPECT_EQ(0x02, rmf.Head.Invisible[0]);
  EXPECT_EQ(0x03, rmf.Head.Invisible[1]);
  BYTE shown[10];
  EXPECT_EQ(3, rmf.GetVisibleColors(shown, 10));
  EXPECT_EQ(1, shown[0]);
  EXPECT_EQ(0, shown[1]);
  const BYTE none[1] = {0};
  EXPECT_EQ(1, rmf.SetVisibleColors(none, 1));  // entry 0 hidden now
  EXPECT_EQ(0x03, rmf.Head.Invisible[0]);

  TRmf m;
  name = dir / "m.mtw";
  MakeMatrix(m, RMF_MTW, 16, 10, 10, -32767);
  EXPECT_EQ(0, m.GetInvisibleColors(flags, 10));
  ASSERT_EQ(1, m.Measure(2));
  EXPECT_EQ(100.0, m.HeightFactor);
  EXPECT_EQ(0.01, m.HeightInverse);
  m.Head.Minimum = 100, m.Head.Maximum = 200;
  const int16_t rows[2][3] = {{150, -32767, 90}, {-32768, 250, 120}};
  ASSERT_EQ(1, m.UpdateMinMax(reinterpret_cast<const char*>(rows[1]), 3, 2, -1));
  EXPECT_EQ(90.0, m.Head.Minimum);
  EXPECT_EQ(250.0, m.Head.Maximum);
  EXPECT_EQ(0, m.UpdateMinMax(reinterpret_cast<const char*>(rows), 3, 2, 0));
}

// A frame written over blocks one of which cannot be decoded: covering
// that block whole, the frame replaces it and answers 1; covering it in
// part, it answers 0 (60003) before any block is changed. A frame read of
// rows still in the file of a block cut by the file's end fails as the
// read of its block does, whether or not an element read came first.
TEST_F(RmfElementsTest, FramesOverBlocksThatDoNotRead) {
  // 512 x 512 8-bit raster, four blocks of 256 x 256; block 3 is last.
  const std::string damaged = dir / "damaged.rsw";
  ASSERT_EQ(1, rmftest::MakeRaster(damaged, 512, 512));
  // Block 1 stored as 100 bytes that do not decode.
  const DWORD table = rmftest::ReadHeader(damaged).TablePosition;
  rmftest::PatchValue(damaged, table + 8 + 4, DWORD(100));
  rmftest::PatchValue(damaged, offsetof(RMF, Compression), BYTE(RMF_LZW));
  const std::string before = rmftest::ReadAll(damaged);
  std::vector<char> frame(512 * 512, 5);
  for (const bool cover : {true, false}) {
    SCOPED_TRACE(cover ? "whole" : "in part");
    rmftest::WriteAll(name, before);
    TRmf rmf;
    ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
    const int rows = cover ? 512 : 200;
    EXPECT_EQ(cover ? 1 : 0, rmf.PutFrame(frame.data(), 0, 0, 512, rows, 1, 0));
    if (!cover) {
      EXPECT_EQ(MAPERR_READ, rmf.GetError());
    }
    ASSERT_EQ(1, rmf.Save());
    rmf.Close();
    if (!cover) {
      EXPECT_TRUE(before == rmftest::ReadAll(name)) << "the file changed";
      continue;
    }
    ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
    LONG v = 0;
    for (const auto& [r, c] : {std::pair{0, 300}, {300, 0}, {511, 511}, {10, 10}}) {
      EXPECT_EQ(1, rmf.GetPoint(v, r, c));
      EXPECT_EQ(5, v);
    }
  }

  ASSERT_EQ(1, rmftest::MakeRaster(name, 512, 512));
  const std::string whole = rmftest::ReadAll(name);
  const std::string cut = whole.substr(0, whole.size() - 32768);
  for (const bool elementFirst : {false, true}) {
    SCOPED_TRACE(elementFirst ? "after an element read" : "fresh");
    rmftest::WriteAll(name, cut);
    TRmf rmf;
    ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
    LONG v = 0;
    if (elementFirst) {
      EXPECT_EQ(0, rmf.GetPoint(v, 500, 500));
    }
    std::vector<char> rows(256 * 10);
    EXPECT_EQ(0, rmf.GetFrame(rows.data(), 256, 256, 256, 10, 0));
    EXPECT_EQ(MAPERR_READ, rmf.GetError());
  }
}
