// The blocked file beyond its blocks: the continuation file of unit mode,
// the upgrade of old header versions, files made from a header
// description, files laid out by another writer (their addition area
// kept, an undefined compression refused, 16-bit elements signed), and no
// new file over one an open raster or matrix holds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/maperr.h"
#include "common/messages.h"
#include "platform/fileio.h"
#include "raster/mtl.h"
#include "raster/mtr.h"
#include "raster/rmf.h"
#include "raster/rst.h"
#include "support/host_recorder.h"
#include "support/rasterfixture.h"
#include "support/rmfbuild.h"
#include "support/rmffiles.h"
#include "support/scratch_dir.h"

using rmftest::Pattern;

namespace {

class RmfFileTest : public rmftest::RasterFileTest {
 protected:
  std::string name = dir / "a.rsw";
  std::string cont = dir / "a.01";
};

// The header of a file in the layout of the old versions: the 96 bytes
// from the scale on stored 4 bytes lower.
void MakeOld(const std::string& path, DWORD version) {
  RMF h = rmftest::ReadHeader(path);
  BYTE* b = reinterpret_cast<BYTE*>(&h);
  std::memmove(b + 132, b + 136, 96);
  std::memset(b + 228, 0, 4);
  h.Version = version;
  rmftest::PatchValue(path, 0, h);
}

}  // namespace

TEST_F(RmfFileTest, DataPastTheMainFileGoOnInTheContinuationFile) {
  {
    TRmf rmf;
    ASSERT_EQ(1, rmf.Create(name.c_str(), 70000, 70000, 8, nullptr, 1, 1));
    // The main file grown (sparse) to where its unit addresses end.
    ASSERT_TRUE(plat::SetFileLength(rmf.Main, 0xFFF06000ll));
    for (int c = 0; c < 2; ++c) {
      const std::vector<char> p = Pattern(c, 65536);
      ASSERT_EQ(65536, rmf.WriteBlock(0, c, p.data(), 65536)) << rmf.GetError();
    }
    EXPECT_EQ(0x00FFF060u, rmf.BlockPosition(0));  // byte 8 of ".01"
    EXPECT_EQ(0x01000101u, rmf.BlockPosition(1));  // the next whole unit after it
    ASSERT_EQ(1, rmf.Save());
  }
  const std::string bytes = rmftest::ReadAll(cont);
  ASSERT_EQ(size_t(257 * 256 + 65536), bytes.size());
  RMFCONTINUATION c;
  std::memcpy(&c, bytes.data(), sizeof(c));
  EXPECT_EQ(0, std::memcmp(bytes.data(), "RMFX", 4));
  EXPECT_EQ(bytes.size(), c.Length);
  EXPECT_EQ(c.Length, rmftest::ReadHeader(name).ContinuationLength);
  EXPECT_EQ(Bytes(Pattern(0, 65536)), bytes.substr(8, 65536));

  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str())) << rmf.GetError();
  EXPECT_EQ(Bytes(Pattern(0, 65536)), Block(rmf, 0, 0));
  EXPECT_EQ(Bytes(Pattern(1, 65536)), Block(rmf, 0, 1));
  rmf.Close();

  // A damaged continuation file makes the data unreadable.
  struct Damage {
    const char* what;
    uint64_t offset;
    std::string bytes;
  } damages[] = {{"signature", 0, "RMFY"},
                 {"length word", 4, std::string("\x09\x01\x01\x00", 4)},
                 {"length", bytes.size(), "z"}};
  for (const Damage& d : damages) {
    rmftest::WriteAll(cont, bytes);
    rmftest::Patch(cont, d.offset, d.bytes.data(), d.bytes.size());
    EXPECT_EQ(0, rmf.OpenFile(name.c_str())) << d.what;
    EXPECT_EQ(MAPERR_READ, rmf.GetError()) << d.what;
  }
}

TEST_F(RmfFileTest, PositionsInTheContinuationPart) {
  TRmf rmf;
  ASSERT_EQ(1, rmf.Create(name.c_str(), 70000, 70000, 8, nullptr, 1, 1));
  EXPECT_EQ(0, rmf.SeekPosition(0x01FFFFFF));
  EXPECT_FALSE(dir.Exists("a.01"));
  EXPECT_EQ(1, rmf.SeekPosition(0));
  // The first positioning creates the file, the second finds it open.
  EXPECT_EQ(1024, rmf.SeekPosition(0x01000004));
  EXPECT_EQ(rmf.Cont, rmf.Current);
  EXPECT_EQ(1024, rmf.SeekPosition(0x01000004));
  EXPECT_EQ(512, rmf.SeekPosition(2));
  EXPECT_EQ(rmf.Main, rmf.Current);
  ASSERT_EQ(1, rmf.Save(1));
  rmf.Close();
  EXPECT_EQ(8u, rmftest::ReadHeader(name).ContinuationLength);
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  EXPECT_NE(nullptr, rmf.Cont);
  // A byte-mode file has no continuation part.
  ASSERT_EQ(1, rmf.Create(name.c_str(), 100, 100, 8, nullptr, 1, 1));
  EXPECT_EQ(int64_t(0x01000004), rmf.SeekPosition(0x01000004));
  EXPECT_EQ(rmf.Main, rmf.Current);
}

TEST_F(RmfFileTest, OldVersionsAreUpgraded) {
  struct Case {
    DWORD ident, version;
    DWORD mode;
    int messages, reply;
    DWORD result;  // 0: refused with 60005
    size_t boxes;
  } cases[] = {
      {RMF_RSW, 0x0101, GENERIC_READ, 1, IDNO, 0x0103, 0},  // read-only: no question
      {RMF_RSW, 0x0101, 0, 1, IDNO, 0, 1},                  // writable: No refuses
      {RMF_RSW, 0x0102, 0, 1, IDYES, 0x0200, 1},            // Yes writes the header at once
      {RMF_RSW, 0x0101, 0, 0, IDNO, 0x0103, 0},             // no messages, no question
      {RMF_MTW, 0x0102, 0, 1, IDNO, 0x0200, 0},             // matrices are not asked about
      {RMF_RSW, 0x0104, GENERIC_READ, 1, IDYES, 0, 0},      // unknown version
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.ident << " " << c.version << " " << c.mode
                                    << " " << c.messages);
    RMF made{};
    {
      TRmf rmf;
      ASSERT_EQ(1, rmf.Create(name.c_str(), 300, 200, 8, nullptr, 25000, 2));
      rmf.Head.Ident = c.ident;
      rmf.Head.LocationX = 6000000.5;
      rmf.Head.LocationY = 7500000.25;
      rmf.Head.Compression = RMF_LZW;
      rmf.HeadChanged = 1;
      ASSERT_EQ(1, rmf.Save());
      made = rmf.Head;
    }
    MakeOld(name, c.version);
    const std::string old = rmftest::ReadAll(name);
    mctest::RecordingMessageBox box(c.reply);
    MessageEnableSet(c.messages);
    TRmf rmf;
    const int opened = rmf.OpenFile(name.c_str(), int(c.mode));
    MessageEnableSet(0);
    ASSERT_EQ(c.boxes, box.boxes().size());
    if (c.boxes) {
      EXPECT_NE(std::string::npos, box.boxes()[0].text.find(name));
      EXPECT_EQ("Open file failure", box.boxes()[0].caption);
      EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL), box.boxes()[0].flags);
    }
    if (!c.result) {
      EXPECT_EQ(0, opened);
      EXPECT_EQ(MAPERR_DATA, rmf.GetError());
      EXPECT_EQ(old, rmftest::ReadAll(name));
      continue;
    }
    ASSERT_EQ(1, opened) << rmf.GetError();
    EXPECT_EQ(c.result, rmf.Head.Version);
    // Every moved field is back at its place.
    EXPECT_EQ(0, std::memcmp(&made.Scale, &rmf.Head.Scale, 232 - 136));
    EXPECT_EQ(12500.0, rmf.Head.ElementSize);
    EXPECT_EQ(RMF_LZW, rmf.Head.Compression);
    const RMF onDisk = rmftest::ReadHeader(name);
    if (c.reply == IDYES && c.boxes)
      EXPECT_EQ(c.result, onDisk.Version);
    else
      EXPECT_EQ(c.version, onDisk.Version);  // upgraded in memory only
  }
}

TEST_F(RmfFileTest, MatricesFromAHeaderDescription) {
  struct Case {
    DWORD ident;
    int bits;
    double empty;
    std::vector<BYTE> element;  // each element of a new block
  } cases[] = {
      {RMF_MTW, 32, -32767000.0, {0xE8, 0x03, 0x0C, 0xFE}},
      {RMF_MTW, 16, -32767.0, {0x01, 0x80}},
      {RMF_MTQ, 8, -127.0, {0x81}},
      {RMF_MTW, 64, -32767000.0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    RMF h{};
    h.Ident = c.ident;
    h.BitsPerElement = c.bits;
    h.Height = 300;
    h.Width = 200;
    ASSERT_TRUE(RmfSetGeometry(&h));
    h.Scale = 0.5;
    h.Precision = 10;
    h.EmptyValue = c.empty;
    h.HeightUnit = 2;
    h.Minimum = -5;
    h.Maximum = 100;
    h.Compression = RMF_MATRIX;  // not copied: the caller sets it
    h.PaletteLength = c.bits == 8 ? 0 : 1024;
    std::vector<DWORD> palette(256, 0x00FF00);
    {
      TRmf rmf(name.c_str(), &h, palette.data());
      ASSERT_EQ(0, rmf.GetError());
      EXPECT_EQ(1.0, rmf.Head.Scale);
      EXPECT_EQ(0.1, rmf.Head.ElementSize);
      EXPECT_EQ(100.0, rmf.HeightFactor);
      EXPECT_EQ(RMF_PLAIN, rmf.Head.Compression);
      EXPECT_EQ(1, rmf.Head.LocationSet);
      EXPECT_EQ(c.bits == 8 ? 0u : 320u, rmf.Head.PalettePosition);
      EXPECT_EQ(c.bits == 8 ? 320u : 1344u, rmf.Head.TablePosition);
      BYTE* b = rmf.GetBlockAddressAndCreate(1, 0);
      ASSERT_NE(nullptr, b);
      for (int k = 0; k < 64 * 64; ++k) {
        if (c.bits == 64)
          ASSERT_EQ(c.empty, RmfGetDouble(b, k)) << k;
        else
          ASSERT_EQ(0, std::memcmp(b + k * c.element.size(), c.element.data(), c.element.size())) << k;
      }
    }
    TRmf rmf;
    ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
    EXPECT_EQ(c.empty, rmf.Head.EmptyValue);
    EXPECT_EQ(100.0, rmf.Head.Maximum);
    EXPECT_NE(nullptr, rmf.GetBlockAddress(1, 0));  // saved on close
    EXPECT_EQ(nullptr, rmf.GetBlockAddress(0, 0));
  }
}

// The addition area of a file written elsewhere comes back byte for byte
// after an element was changed and the file saved whole and closed.
TEST_F(RmfFileTest, AnotherWritersAdditionAreaIsWrittenBackAsRead) {
  std::string addition(RMF_ADDITION_SIZE, '\0');
  for (size_t i = 0; i < addition.size(); ++i) addition[i] = char(i * 37 + 11);
  for (DWORD kind : {RMF_RSW, RMF_MTW}) {
    SCOPED_TRACE(kind);
    rmftest::ForeignFile file;
    file.kind = kind;
    file.addition = addition;
    rmftest::WriteAll(name, rmftest::ForeignBytes(file));
    {
      TRst raster;
      TMtr matrix;
      TRmf& rmf = kind == RMF_RSW ? static_cast<TRmf&>(raster) : matrix;
      ASSERT_EQ(1, kind == RMF_RSW ? raster.Open(name.c_str()) : matrix.Open(name.c_str()));
      ASSERT_EQ(1, rmf.PutPoint(LONG(5), 1, 2));
      ASSERT_EQ(1, rmf.Save(1));
    }
    const RMF h = rmftest::ReadHeader(name);
    ASSERT_EQ(RMF_ADDITION_SIZE, h.AdditionLength);
    EXPECT_EQ(addition, rmftest::ReadAll(name).substr(h.AdditionPosition, RMF_ADDITION_SIZE));
  }
}

// A compression byte naming no method of the format: the file does not
// open, with the invalid-data code and a message naming it.
TEST_F(RmfFileTest, AnUndefinedCompressionIsRefusedAtOpening) {
  rmftest::ForeignFile file;
  file.compression = 2;
  rmftest::WriteAll(name, rmftest::ForeignBytes(file));
  TRst raster;
  EXPECT_EQ(0, raster.Open(name.c_str()));
  EXPECT_EQ(MAPERR_DATA, raster.GetError());
  EXPECT_NE(std::string::npos, std::string(LastMessageText()).find(name));
  TRmf rmf;
  EXPECT_EQ(0, rmf.OpenFile(name.c_str()));
  EXPECT_EQ(MAPERR_DATA, rmf.GetError());
  file.kind = RMF_MTW;
  file.bits = 16;
  rmftest::WriteAll(name, rmftest::ForeignBytes(file));
  TMtr matrix;
  EXPECT_EQ(0, matrix.Open(name.c_str()));
  EXPECT_EQ(MAPERR_DATA, matrix.GetError());
}

// 16-bit elements are signed in rasters as in matrices: read from a file
// written elsewhere, and written, reopened and read again.
TEST_F(RmfFileTest, SixteenBitElementsAreSigned) {
  const int16_t value = -20000;
  for (DWORD kind : {RMF_RSW, RMF_MTW}) {
    SCOPED_TRACE(kind);
    rmftest::ForeignFile file;
    file.kind = kind;
    file.bits = 16;
    file.block.assign(16, '\0');
    std::memcpy(&file.block[2], &value, 2);  // element (0, 1)
    rmftest::WriteAll(name, rmftest::ForeignBytes(file));
    TRmf rmf;
    ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
    LONG got = 0;
    ASSERT_EQ(1, rmf.GetPoint(got, 0, 1));
    EXPECT_EQ(-20000, got);
    ASSERT_EQ(1, rmf.PutPoint(LONG(-32768), 1, 3));
    rmf.Close();
    ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
    ASSERT_EQ(1, rmf.GetPoint(got, 1, 3));
    EXPECT_EQ(-32768, got);
    ASSERT_EQ(1, rmf.ReadPoint(got, 0, 1));
    EXPECT_EQ(-20000, got);
  }
}

// A raster, matrix or layer matrix is never made anew over the file an open
// raster holds, however the name is spelled: the creation fails with 60006
// and the open file keeps every byte.
TEST_F(RmfFileTest, NoFileIsMadeOverOneAnOpenRasterHolds) {
  TRst open;
  ASSERT_EQ(1, open.Create(name.c_str(), 40, 30, 8, nullptr, 10000, 1000));
  ASSERT_EQ(1, open.Save(1));
  const std::string before = rmftest::ReadAll(name);
  ASSERT_FALSE(before.empty());
  BUILDMTW matrix = rmftest::MatrixBuild(5000, 7000, 40, 30, 10, 2, 50000);
  MTLBUILDPARM layers = rmftest::LayerMatrixBuild(5000, 7000, 5400, 7300, 10, 2, 2, 50000);
  for (const std::string& spelled : {name, dir.path() + "./a.rsw"}) {
    TRst raster;
    EXPECT_EQ(0, raster.Create(spelled.c_str(), 10, 10, 8, nullptr, 1, 1));
    EXPECT_EQ(MAPERR_OPEN, raster.GetError());
    TMtr mtr;
    EXPECT_EQ(0, mtr.Create(spelled.c_str(), &matrix, nullptr, 0));
    EXPECT_EQ(MAPERR_OPEN, mtr.GetError());
    TMtl mtl;
    EXPECT_EQ(0, mtl.Create(spelled.c_str(), &layers));
    EXPECT_EQ(MAPERR_OPEN, mtl.GetError());
  }
  EXPECT_EQ(before, rmftest::ReadAll(name));
  // Once it is closed, the name is free.
  open.Close();
  TRst raster;
  EXPECT_EQ(1, raster.Create(name.c_str(), 10, 10, 8, nullptr, 1, 1));
}
