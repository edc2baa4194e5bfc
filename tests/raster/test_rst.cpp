// The raster file: old "RST" rasters converted in place (in memory when
// read-only), new rasters opened with a cache sized by their data.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/maperr.h"
#include "common/messages.h"
#include "platform/fileio.h"
#include "raster/rst.h"
#include "support/rasterfixture.h"
#include "support/rmffiles.h"
#include "support/scratch_dir.h"

using rmftest::Pattern;

namespace {

class RstTest : public rmftest::RasterFileTest {
 protected:

  // An old raster of square blocks: the header, 16 colour triplets (the
  // first 0x10 0x20 0x30), the blocks with their patterns and, for 8 bits,
  // 256 colour words i * 0x010101.
  std::string Old(int columns, int rows, int bits, int side, int dpi) {
    RST h{};
    h.Ident = RST_SIGN;
    h.Height = WORD(rows);
    h.Width = WORD(columns);
    h.BlockRows = WORD((rows + side - 1) / side);
    h.BlockColumns = WORD((columns + side - 1) / side);
    h.BlockHeight = h.BlockWidth = WORD(side);
    h.LastHeight = WORD(rows - (h.BlockRows - 1) * side);
    h.LastWidth = WORD(columns - (h.BlockColumns - 1) * side);
    h.Bits = WORD(bits);
    h.Resolution = WORD(dpi);
    h.LocationX = 10;
    h.LocationY = 20;
    std::string bytes(RST_DATA, '\0');
    for (int i = 0; i < 48; ++i) bytes[size_t(RST_COLORS + i)] = char(0x10 * (i % 3 + 1) + i / 3);
    for (int r = 0, n = 0; r < h.BlockRows; ++r)
      for (int c = 0; c < h.BlockColumns; ++c, ++n) {
        const int height = r + 1 < h.BlockRows ? side : h.LastHeight;
        const int width = c + 1 < h.BlockColumns ? side : h.LastWidth;
        const std::vector<char> p = Pattern(n, height * width * bits / 8);
        bytes.append(p.begin(), p.end());
      }
    for (DWORD i = 0; bits == 8 && i < 256; ++i) {
      const DWORD colour = i * 0x010101;
      bytes.append(reinterpret_cast<const char*>(&colour), 4);
    }
    h.Length = DWORD(bytes.size());
    std::memcpy(bytes.data(), &h, sizeof(h));
    return bytes;
  }

  std::string name = dir / "old.rst";
};

}  // namespace

TEST_F(RstTest, AnOldRasterIsConvertedInPlace) {
  const std::string old = Old(512, 512, 8, 256, 300);
  const DWORD length = DWORD(old.size());
  ASSERT_EQ(263280u, length);
  rmftest::WriteAll(name, old);
  auto expectRaster = [&](TRst& rst) {
    EXPECT_EQ(RMF_VERSION_CONVERTED, rst.Head.Version);
    EXPECT_EQ(11811.023622047245, rst.Head.Precision);
    EXPECT_EQ(1.0, rst.Head.Scale);
    EXPECT_EQ(10.0, rst.Head.LocationX);
    EXPECT_EQ(-1, rst.Head.ProjectionWord);
    const DWORD positions[] = {112, 65648, 131184, 196720};
    for (int n = 0; n < 4; ++n) {
      EXPECT_EQ(positions[n], rst.BlockPosition(n)) << n;
      EXPECT_EQ(65536u, rst.BlockLength(n)) << n;
    }
    EXPECT_EQ(length - 1024, rst.Head.PalettePosition);
    EXPECT_EQ(0x050505u, rst.PaletteWords[5]);
    const BYTE* b = rst.GetBlockAddress(1, 1);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(0, std::memcmp(Pattern(3, 65536).data(), b, 65536));
  };
  {
    TRst rst(name.c_str(), int(GENERIC_READ));
    ASSERT_TRUE(rst.IsOpen()) << rst.GetError();
    expectRaster(rst);
    rst.Close();
  }
  EXPECT_TRUE(old == rmftest::ReadAll(name));  // read-only: untouched

  {
    TRst rst;
    ASSERT_EQ(1, rst.Open(name.c_str())) << rst.GetError();
    expectRaster(rst);
  }
  const std::string converted = rmftest::ReadAll(name);
  ASSERT_EQ(size_t(length + 320 + 32), converted.size());
  EXPECT_EQ(1, converted[63]);
  EXPECT_TRUE(old.substr(64) == converted.substr(64, old.size() - 64));
  RMF appended;
  std::memcpy(&appended, converted.data() + length, sizeof(appended));
  EXPECT_EQ(RMF_RSW, appended.Ident);
  EXPECT_EQ(length + 320, appended.TablePosition);
  EXPECT_EQ(length + 352, appended.Length);

  // From now on through the appended header; a new location makes it a
  // raster of the current version.
  TRst rst;
  ASSERT_EQ(1, rst.Open(name.c_str()));
  expectRaster(rst);
  EXPECT_EQ(length, rst.HeadPosition);
  EXPECT_EQ(5.0, rst.LocationX(5.0));
  EXPECT_EQ(RMF_VERSION, rst.Head.Version);
  rst.Close();
  EXPECT_EQ(converted.size(), rmftest::ReadAll(name).size());
  std::memcpy(&appended, rmftest::ReadAll(name).data() + length, sizeof(appended));
  EXPECT_EQ(RMF_VERSION, appended.Version);
  EXPECT_EQ(5.0, appended.LocationX);
}

TEST_F(RstTest, SmallPalettesFollowTheAppendedTable) {
  const std::string old = Old(64, 64, 4, 64, 0);
  const DWORD length = DWORD(old.size());
  rmftest::WriteAll(name, old);
  {
    TRst rst(name.c_str(), int(GENERIC_READ));
    ASSERT_TRUE(rst.IsOpen()) << rst.GetError();
    EXPECT_EQ(1.0, rst.Head.Precision);  // no resolution given
    EXPECT_EQ(0x00302010u, rst.PaletteWords[0]);
    EXPECT_EQ(length + 320 + 8, rst.Head.PalettePosition);
    EXPECT_EQ(64u, rst.Head.PaletteLength);
    LONG v = 0;
    ASSERT_EQ(1, rst.GetPoint(v, 0, 6));  // element 6: the low half of byte 3
    EXPECT_EQ(Pattern(0, 4)[3] & 15, v);
  }
  {
    TRst rst(name.c_str(), 0);
    ASSERT_TRUE(rst.IsOpen()) << rst.GetError();
  }
  const std::string converted = rmftest::ReadAll(name);
  ASSERT_EQ(size_t(length + 320 + 8 + 64), converted.size());
  EXPECT_EQ(std::string("\x10\x20\x30\x00", 4), converted.substr(length + 328, 4));

  // A file that ends at its old length is converted again, whatever byte 63
  // says.
  std::string marked = old;
  marked[63] = 1;
  rmftest::WriteAll(name, marked);
  TRst rst(name.c_str(), int(GENERIC_READ));
  EXPECT_TRUE(rst.IsOpen()) << rst.GetError();
  EXPECT_EQ(RMF_VERSION_CONVERTED, rst.Head.Version);
}

TEST_F(RstTest, DamagedFilesAreRefused) {
  const std::string good = Old(512, 512, 8, 256, 300);
  auto with = [&](size_t at, std::string bytes, size_t at2 = 0, std::string bytes2 = "") {
    std::string s = good;
    s.replace(at, bytes.size(), bytes);
    s.replace(at2, bytes2.size(), bytes2);
    return s;
  };
  struct Case {
    const char* what;
    std::string bytes;
    int code;
  } cases[] = {
      {"another kind", with(0, std::string("XYZ\0", 4)), MAPERR_DATA},
      {"too short", "RS", MAPERR_READ},
      {"no block width", with(18, std::string("\0\0", 2)), MAPERR_DATA},
      {"blocks past the data", with(8, std::string("\x00\x04", 2), 12, std::string("\x04\x00", 2)),
       MAPERR_DATA},
      {"longer than the file", with(4, std::string("\xFF\xFF\x0F\x00", 4)), MAPERR_DATA},
  };
  for (const Case& c : cases) {
    rmftest::WriteAll(name, c.bytes);
    TRst rst;
    EXPECT_EQ(0, rst.Open(name.c_str())) << c.what;
    EXPECT_EQ(c.code, rst.GetError()) << c.what;
    EXPECT_FALSE(rst.IsOpen()) << c.what;
    EXPECT_TRUE(c.bytes == rmftest::ReadAll(name)) << c.what << ": the file was changed";
  }
}

TEST_F(RstTest, NewRastersGetACacheByTheirSize) {
  name = dir / "new.rsw";
  {
    TRst rst(name.c_str(), 300, 300, 8, nullptr, 1000, 1);
    ASSERT_TRUE(rst.IsOpen());
    ASSERT_EQ(1, rst.PutPoint(LONG(9), 299, 299));
  }
  TRst rst(name.c_str(), 0);
  ASSERT_TRUE(rst.IsOpen()) << rst.GetError();
  EXPECT_EQ(8, rst.SlotCount);
  LONG v = 0;
  ASSERT_EQ(1, rst.GetPoint(v, 299, 299));
  EXPECT_EQ(9, v);
  // Past 128 full blocks' worth of data: 16 slots.
  ASSERT_TRUE(plat::SetFileLength(rst.Main, 9000000));
  rst.Close();
  ASSERT_EQ(1, rst.Open(name.c_str()));
  EXPECT_EQ(16, rst.SlotCount);
}
