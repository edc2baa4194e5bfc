// The blocked file format: unit addresses, block geometry by depth, the
// unit-mode threshold and the element encodings.
#include <gtest/gtest.h>

#include <cstring>

#include "raster/rmfformat.h"

TEST(RmfFormat, UnitAddressesNameTheirPartAndByte) {
  struct Case {
    DWORD address;
    bool valid;
    int part;
    uint64_t offset;
  };
  const Case cases[] = {
      {0x00000002, true, 0, 512},
      {0x00FFF05F, true, 0, 0xFFF05F00ull},  // the last unit of the main file
      {0x00FFF060, true, 1, 8},              // past it: where the continuation's data begin
      {0x00FFFFFF, true, 1, 8},
      {0x01000004, true, 1, 1024},
      {0x01FFFFFE, true, 1, 0xFFFFFE00ull},
      {0x01FFFFFF, false, 0, 0},
      {0x02000000, false, 0, 0},
  };
  for (const Case& c : cases) {
    RmfPlace place{-1, 0};
    EXPECT_EQ(c.valid, RmfLocate(c.address, 8, &place)) << std::hex << c.address;
    if (!c.valid) continue;
    EXPECT_EQ(c.part, place.part) << std::hex << c.address;
    EXPECT_EQ(c.offset, place.offset) << std::hex << c.address;
  }
  RmfPlace place;
  ASSERT_TRUE(RmfLocate(0x01FFFFFF, 0, &place));  // byte mode: a plain offset
  EXPECT_EQ(0, place.part);
  EXPECT_EQ(0x01FFFFFFu, place.offset);
}

TEST(RmfFormat, GeometryByDepth) {
  struct Case {
    int columns, rows, bits;
    int storedColumns, blockColumns, blockRows, blockWidth, blockHeight, lastWidth, lastHeight;
  };
  const Case cases[] = {
      {1000, 1000, 8, 1000, 4, 4, 256, 256, 232, 232},
      {1001, 600, 1, 1008, 2, 2, 512, 512, 496, 88},
      {300, 300, 1, 304, 1, 1, 304, 300, 304, 300},  // one block: as large as the grid
      {301, 10, 4, 302, 2, 1, 256, 10, 46, 10},
      {129, 128, 16, 129, 2, 1, 128, 128, 1, 128},
      {65, 64, 24, 65, 2, 1, 64, 64, 1, 64},
      {200, 129, 32, 200, 2, 2, 128, 128, 72, 1},
      {64, 65, 64, 64, 1, 2, 64, 64, 64, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.columns << "x" << c.rows << "x" << c.bits);
    RMF h{};
    h.BitsPerElement = c.bits;
    h.Height = c.rows;
    h.Width = RmfStoredColumns(c.columns, c.bits);
    ASSERT_TRUE(RmfSetGeometry(&h));
    EXPECT_EQ(c.storedColumns, h.Width);
    EXPECT_EQ(c.blockColumns, h.BlockColumns);
    EXPECT_EQ(c.blockRows, h.BlockRows);
    EXPECT_EQ(c.blockWidth, h.BlockWidth);
    EXPECT_EQ(c.blockHeight, h.BlockHeight);
    EXPECT_EQ(c.lastWidth, h.LastWidth);
    EXPECT_EQ(c.lastHeight, h.LastHeight);
    EXPECT_TRUE(RmfGeometryValid(h));
  }
  for (int bits : {0, 2, 7, 12, 48, 128}) EXPECT_EQ(0, RmfBlockSide(bits)) << bits;
  EXPECT_EQ(-1, RmfStoredColumns(0x7FFFFFFF, 1));
}

TEST(RmfFormat, DamagedGeometryIsRefused) {
  RMF good{};
  good.Ident = RMF_RSW;
  good.BitsPerElement = 8;
  good.Height = good.Width = 1000;
  ASSERT_TRUE(RmfSetGeometry(&good));
  auto with = [&](auto change) {
    RMF h = good;
    change(h);
    return RmfGeometryValid(h);
  };
  EXPECT_FALSE(with([](RMF& h) { h.BitsPerElement = 12; }));
  EXPECT_FALSE(with([](RMF& h) { h.LastWidth = 300; }));
  EXPECT_FALSE(with([](RMF& h) { h.BlockRows = 5; }));
  EXPECT_FALSE(with([](RMF& h) { h.Height = -1000; }));
  EXPECT_FALSE(with([](RMF& h) { h.BlockWidth = h.BlockHeight = 1 << 20; }));
  EXPECT_FALSE(with([](RMF& h) {  // 2^31 rows of one-element blocks
    h.Height = 0x7FFFFFFF, h.BlockHeight = 1, h.BlockRows = 0x7FFFFFFF, h.LastHeight = 1;
  }));
  // Layer matrices keep records of any whole number of bytes.
  EXPECT_TRUE(with([](RMF& h) { h.Ident = RMF_MTL, h.BitsPerElement = 40; }));
  EXPECT_FALSE(with([](RMF& h) { h.Ident = RMF_MTL, h.BitsPerElement = 44; }));
}

TEST(RmfFormat, UnitModeFromTheRawSizeIn64Bits) {
  EXPECT_FALSE(RmfNeedsUnits(4293943040LL, 1, 8));
  EXPECT_TRUE(RmfNeedsUnits(4293943041LL, 1, 8));
  EXPECT_TRUE(RmfNeedsUnits(70000, 70000, 8));  // 4.9e9: past 32 bits
  EXPECT_FALSE(RmfNeedsUnits(70000, 70000, 4));
}

TEST(RmfFormat, ElementEncodings) {
  BYTE b[16] = {};
  RmfPutElement(b, 0, 1, RMF_RSW, 1);
  RmfPutElement(b, 9, 1, RMF_RSW, 1);
  EXPECT_EQ(0x80, b[0]);  // the first element is the most significant bit
  EXPECT_EQ(0x40, b[1]);
  EXPECT_EQ(1, RmfGetElement(b, 9, 1, RMF_RSW));
  EXPECT_EQ(0, RmfGetElement(b, 8, 1, RMF_RSW));

  BYTE n[2] = {};
  RmfPutElement(n, 0, 4, RMF_RSW, 0xA);
  RmfPutElement(n, 1, 4, RMF_RSW, 0x5);
  RmfPutElement(n, 2, 4, RMF_RSW, 0xF);
  EXPECT_EQ(0x5A, n[0]);  // an even element in the low nibble
  EXPECT_EQ(0x0F, n[1]);
  EXPECT_EQ(5, RmfGetElement(n, 1, 4, RMF_RSW));

  BYTE c[8] = {};
  RmfPutElement(c, 1, 24, RMF_RSW, 0x00112233);  // colour word 0x00BBGGRR
  EXPECT_EQ(0x11, c[3]);                         // B, G, R
  EXPECT_EQ(0x22, c[4]);
  EXPECT_EQ(0x33, c[5]);
  EXPECT_EQ(0x00112233, RmfGetElement(c, 1, 24, RMF_RSW));

  BYTE w[8];
  std::memset(w, 0xEE, sizeof(w));
  RmfPutElement(w, 1, 32, RMF_RSW, 0x00112233);
  EXPECT_EQ(0x11, w[4]);  // B, G, R, 0
  EXPECT_EQ(0x33, w[6]);
  EXPECT_EQ(0x00, w[7]);
  RmfPutElement(w, 0, 32, RMF_MTW, -5);  // matrices: signed
  EXPECT_EQ(-5, RmfGetElement(w, 0, 32, RMF_MTW));
  RmfPutElement(w, 0, 16, RMF_MTQ, -300);
  EXPECT_EQ(-300, RmfGetElement(w, 0, 16, RMF_MTQ));

  double d[2] = {};
  RmfPutDouble(reinterpret_cast<BYTE*>(d), 1, -32767.5);
  EXPECT_EQ(-32767.5, d[1]);

  // 16-bit rasters: RGB555, red in bits 10..14.
  EXPECT_EQ(WORD(0x7C00), RmfColorTo555(0x0000FF));
  EXPECT_EQ(WORD(0x001F), RmfColorTo555(0xFF0000));
  EXPECT_EQ(COLORREF(0x0000F8), RmfColorFrom555(0x7C00));
  EXPECT_EQ(COLORREF(0x00F800), RmfColorFrom555(0x03E0));
}
