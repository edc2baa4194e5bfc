// The blocked file object: create and open in byte and unit mode, blocks
// stored at their real size, plain and compressed reads, the block cache
// and its keep words, and the order of a save.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "common/maperr.h"
#include "common/messages.h"
#include "platform/clock.h"
#include "platform/fileio.h"
#include "platform/vfs.h"
#include "platform/vfs_fault.h"
#include "platform/vfs_memory.h"
#include "raster/rmf.h"
#include "support/rasterfixture.h"
#include "support/process_memory.h"
#include "support/rmffiles.h"
#include "support/scratch_dir.h"

using rmftest::Pattern;

namespace {

class RmfTest : public rmftest::RasterFileTest {
 protected:
  std::string name = dir / "a.rsw";
};

// A Vfs over the system's that records the offset of every write.
class WriteRecorder final : public plat::Vfs {
 public:
  WriteRecorder() : plat::Vfs(true), inner_(plat::CurrentVfs()) {}
  std::vector<uint64_t> offsets;

  DWORD Open(const std::string& p, const plat::VfsOpenMode& m, std::unique_ptr<plat::VfsFile>* f,
             bool* e) override {
    return inner_.Open(p, m, f, e);
  }
  DWORD Delete(const std::string& p) override { return inner_.Delete(p); }
  DWORD Rename(const std::string& a, const std::string& b) override { return inner_.Rename(a, b); }
  DWORD Replace(const std::string& a, const std::string& b) override { return inner_.Replace(a, b); }
  DWORD Stat(const std::string& p, plat::VfsInfo* i) override { return inner_.Stat(p, i); }
  DWORD SetReadOnly(const std::string& p, bool r) override { return inner_.SetReadOnly(p, r); }
  DWORD CreateFolder(const std::string& p) override { return inner_.CreateFolder(p); }
  DWORD RemoveFolder(const std::string& p) override { return inner_.RemoveFolder(p); }
  DWORD FreeSpace(const std::string& p, plat::VfsSpace* s) override { return inner_.FreeSpace(p, s); }
  DWORD Write(plat::VfsFile& file, uint64_t offset, const void* buffer, DWORD size,
              DWORD* done) override {
    offsets.push_back(offset);
    return plat::Vfs::Write(file, offset, buffer, size, done);
  }

 private:
  plat::Vfs& inner_;
};

constexpr uint64_t kSecond = 10000000;
// 2020-01-01, when the tests of the store make their files.
constexpr uint64_t kWritten = 132223104000000000ull;

void SetLastWrite(const std::string& path, uint64_t ticks) {
  HANDLE h = plat::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  const FILETIME t{DWORD(ticks), DWORD(ticks >> 32)};
  EXPECT_TRUE(plat::SetFileTime(h, nullptr, nullptr, &t));
  plat::CloseHandle(h);
}

// Blocks of 256 x 256, LZW-compressed, block n all bytes n: each block's
// stored bytes as long as any other's.
std::vector<char> Flat(int n) { return std::vector<char>(65536, char(n)); }

std::vector<char> Packed(TRmf& rmf, int n) {
  std::vector<char> packed(65536);
  packed.resize(size_t(rmf.Compress(Flat(n).data(), 65536, packed.data(), 65536)));
  return packed;
}

// A raster of `columns` x `rows` such blocks (4 x 4 unless told).
void MakeFlatBlocks(const std::string& path, int columns = 4, int rows = 4) {
  TRmf rmf;
  ASSERT_EQ(1, rmf.Create(path.c_str(), columns * 256, rows * 256, 8, nullptr, 1, 1));
  rmf.Head.Compression = RMF_LZW;
  rmf.HeadChanged = 1;
  for (int n = 0; n < columns * rows; ++n) {
    const std::vector<char> packed = Packed(rmf, n);
    ASSERT_GT(packed.size(), 0u);
    ASSERT_EQ(int(packed.size()), rmf.WriteBlock(n / columns, n % columns, packed.data(), int(packed.size())));
  }
  ASSERT_EQ(1, rmf.Save());
}

// The tests of the store behind the slots: their files in memory, under a
// clock the test moves, which stamps every change of a file (its last-write
// and change times) as a system's file system does with its own clock.
class RmfStoreTest : public RmfTest {
 protected:
  void SetUp() override {
    RmfTest::SetUp();
    plat::SetClock(&Now, this);
    ASSERT_TRUE(memory.AddFolders("/r/"));
  }
  static plat::ClockReading Now(void* self) {
    return {int64_t(static_cast<RmfStoreTest*>(self)->ticks), 0};
  }
  // A raster of flat blocks made now, opened to read an hour later.
  void OpenFlatBlocksAtRest(TRmf& rmf, int columns = 4, int rows = 4) {
    MakeFlatBlocks(file, columns, rows);
    ticks += 3600 * kSecond;
    ASSERT_EQ(1, rmf.OpenFile(file.c_str(), GENERIC_READ));
  }
  // Another handle rewrites block `number` in place as all bytes `value`,
  // or (`foreign`) another program writes its stored bytes; either puts the
  // file's last-write time back as it was.
  void RewriteBlock(int number, int value, bool foreign) {
    FILETIME before{};
    TRmf writer;
    ASSERT_EQ(1, writer.OpenFile(file.c_str()));
    ASSERT_TRUE(plat::GetFileTime(writer.Main, nullptr, nullptr, &before));
    const std::vector<char> packed = Packed(writer, value);
    ASSERT_EQ(writer.BlockLength(number), packed.size());
    if (foreign) {
      ASSERT_TRUE(plat::WriteExactAt(writer.Main, writer.BlockPosition(number), packed.data(), DWORD(packed.size())));
    } else {
      const int columns = writer.Head.BlockColumns;
      ASSERT_EQ(int(packed.size()), writer.WriteBlock(number / columns, number % columns, packed.data(), int(packed.size())));
      ASSERT_EQ(1, writer.Save());
    }
    ASSERT_TRUE(plat::SetFileTime(writer.Main, nullptr, nullptr, &before));
  }

  plat::MemoryVfs memory;
  plat::ScopedVfs use{&memory};
  uint64_t ticks = kWritten;
  std::string file = "/r/a.rsw";
};

}  // namespace

TEST_F(RmfTest, CreateThenOpenInByteMode) {
  std::vector<DWORD> palette(256);
  for (int i = 0; i < 256; ++i) palette[size_t(i)] = DWORD(i * 0x010101);
  {
    TRmf rmf;
    ASSERT_EQ(1, rmf.Create(name.c_str(), 1000, 1000, 8, palette.data(), 100000, 0.5));
    EXPECT_EQ(1.0, rmf.Head.Precision);  // below 1 becomes 1
    EXPECT_EQ(100000.0, rmf.Head.ElementSize);
  }
  const RMF h = rmftest::ReadHeader(name);
  EXPECT_EQ(RMF_RSW, h.Ident);
  EXPECT_EQ(RMF_VERSION, h.Version);
  EXPECT_EQ(0, h.UnitShift);
  EXPECT_EQ(320u, h.PalettePosition);
  EXPECT_EQ(1344u, h.TablePosition);
  EXPECT_EQ(16u * 8, h.TableLength);
  EXPECT_EQ(rmftest::ReadAll(name).size(), h.Length);
  EXPECT_EQ(h.Length, h.MainLength);

  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str())) << rmf.GetError();
  EXPECT_TRUE(rmf.IsWritable());
  EXPECT_EQ(4, rmf.Head.BlockRows);
  EXPECT_EQ(4, rmf.Head.BlockColumns);
  EXPECT_EQ(232, rmf.Head.LastHeight);
  EXPECT_EQ(232, rmf.Head.LastWidth);
  EXPECT_EQ(256 * 256, rmf.BlockRawLength(0, 0));
  EXPECT_EQ(256 * 232, rmf.BlockRawLength(0, 3));
  EXPECT_EQ(232 * 256, rmf.BlockRawLength(3, 0));
  EXPECT_EQ(232 * 232, rmf.BlockRawLength(3, 3));
  EXPECT_EQ(0, std::memcmp(palette.data(), rmf.PaletteWords, 1024));
  EXPECT_EQ(nullptr, rmf.GetBlockAddress(1, 1));  // absent: no block, no error
  EXPECT_EQ(0, rmf.GetError());
  EXPECT_EQ(nullptr, rmf.GetBlockAddress(4, 0));
  EXPECT_EQ(MAPERR_INPUT, rmf.GetError());
}

TEST_F(RmfTest, CreateThenOpenInUnitMode) {
  {
    TRmf rmf;
    ASSERT_EQ(1, rmf.Create(name.c_str(), 70000, 70000, 8, nullptr, 1, 1));
  }
  const RMF h = rmftest::ReadHeader(name);
  EXPECT_EQ(8, h.UnitShift);
  EXPECT_EQ(2u, h.PalettePosition);  // byte 512
  EXPECT_EQ(6u, h.TablePosition);    // byte 1536
  EXPECT_EQ(274u * 274 * 8, h.TableLength);
  const std::string bytes = rmftest::ReadAll(name);
  EXPECT_EQ((bytes.size() + 255) / 256, h.Length);
  EXPECT_GT(h.AdditionPosition, h.TablePosition);

  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str())) << rmf.GetError();
  const std::vector<char> data = Pattern(5, 256 * 256);
  // The last block is 112 x 112: only its raw length is stored.
  ASSERT_EQ(112 * 112, rmf.WriteBlock(273, 273, data.data(), 256 * 256));
  EXPECT_EQ(0u, rmf.BlockPosition(274 * 274 - 1) >> 24);
  EXPECT_EQ(rmf.BlockRawLength(273, 273), int(rmf.BlockLength(274 * 274 - 1)));
  ASSERT_EQ(1, rmf.Save());
  rmf.Close();
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  EXPECT_EQ(Bytes(data).substr(0, size_t(rmf.BlockRawLength(273, 273))), Block(rmf, 273, 273));
}

TEST_F(RmfTest, OneBitRastersAreStoredWithWholeBytes) {
  TRmf rmf;
  ASSERT_EQ(1, rmf.Create(name.c_str(), 1001, 10, 1, nullptr, 1, 1));
  EXPECT_EQ(1008, rmf.Head.Width);
  ASSERT_EQ(1, rmf.Create(name.c_str(), 300, 300, 1, nullptr, 1, 1));
  EXPECT_EQ(1, rmf.BlockCount());
  EXPECT_EQ(300, rmf.Head.BlockHeight);
  EXPECT_EQ(304, rmf.Head.BlockWidth);
  EXPECT_EQ(300 * 304 / 8, rmf.BlockRawLength(0, 0));
}

TEST_F(RmfTest, BadCreationParameters) {
  TRmf rmf;
  struct Case {
    int columns, rows, bits;
  } cases[] = {{0, 10, 8}, {10, -1, 8}, {10, 10, 0}, {10, 10, 12}, {0x7FFFFFFF, 0x7FFFFFFF, 8},
               {0x7FFFFFFF, 10, 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(0, rmf.Create(name.c_str(), c.columns, c.rows, c.bits, nullptr, 1, 1));
    EXPECT_EQ(MAPERR_DATA, rmf.GetError()) << c.columns << " " << c.rows << " " << c.bits;
  }
  EXPECT_EQ(0, rmf.Create(name.c_str(), nullptr, nullptr));
  EXPECT_EQ(MAPERR_DATA, rmf.GetError());
  EXPECT_EQ(0, rmf.Create((dir / "no/such/folder.rsw").c_str(), 10, 10, 8, nullptr, 1, 1));
  EXPECT_EQ(MAPERR_OPEN, rmf.GetError());
}

TEST_F(RmfTest, EdgeBlocksKeepTheirRealSizeAndReadBack) {
  ASSERT_EQ(1, rmftest::MakeRaster(name, 1000, 600));
  for (int n : {0, 3, 11}) {
    const RMFBLOCKDESC e = rmftest::TableEntry(name, n);
    EXPECT_EQ(n == 0 ? 65536u : n == 3 ? 256u * 232 : 88u * 232, e.Length) << n;
  }
  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str(), GENERIC_READ));
  EXPECT_FALSE(rmf.IsWritable());
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_EQ(Bytes(Pattern(r * 4 + c, rmf.BlockRawLength(r, c))), Block(rmf, r, c)) << r << c;
  // The caller's copy is cut to its length.
  std::vector<char> part(100);
  EXPECT_EQ(100, rmf.ReadBlock(2, 3, part.data(), 100));
  EXPECT_EQ(Bytes(Pattern(11, 100)), Bytes(part));
  // Read-only: writers do nothing and say nothing.
  EXPECT_EQ(0, rmf.WriteBlock(0, 0, part.data(), 100));
  EXPECT_EQ(0, rmf.GetError());
}

TEST_F(RmfTest, StoredLengthEqualToRawMeansPlainWhateverTheCode) {
  ASSERT_EQ(1, rmftest::MakeRaster(name, 512, 256));
  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  // Block 1 compressed with LZW; block 0 stays plain under code 32 and then
  // under code 1.
  std::vector<char> flat(65536, 'x'), packed(65536);
  const int length = rmf.Compress(flat.data(), 65536, packed.data(), 65536);
  ASSERT_GT(length, 0);
  ASSERT_EQ(length, rmf.WriteBlock(0, 1, packed.data(), length));
  for (BYTE code : {RMF_MATRIX, RMF_LZW}) {
    rmf.Head.Compression = code;
    rmf.HeadChanged = 1;
    ASSERT_EQ(1, rmf.Save());
    TRmf again;
    ASSERT_EQ(1, again.OpenFile(name.c_str(), GENERIC_READ));
    EXPECT_EQ(Bytes(Pattern(0, 65536)), Block(again, 0, 0)) << int(code);
    std::vector<char> copy(65536);
    EXPECT_EQ(65536, again.ReadBlock(0, 0, copy.data(), 65536));
    EXPECT_EQ(Bytes(Pattern(0, 65536)), Bytes(copy));
    if (code == RMF_LZW) {
      EXPECT_EQ(Bytes(flat), Block(again, 0, 1));
      EXPECT_EQ(65536, again.ReadBlock(0, 1, copy.data(), 65536));
      EXPECT_EQ(Bytes(flat), Bytes(copy));
    } else {
      EXPECT_EQ("", Block(again, 0, 1));  // LZW bytes are no matrix stream
      EXPECT_EQ(MAPERR_READ, again.GetError());
    }
  }
}

TEST_F(RmfTest, ChangingACompressedBlockStoresItPlainAtTheEnd) {
  ASSERT_EQ(1, rmftest::MakeRaster(name, 256, 256));
  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  std::vector<char> flat(65536, 'y'), packed(65536);
  const int length = rmf.Compress(flat.data(), 65536, packed.data(), 65536);
  rmf.Head.Compression = RMF_LZW;
  ASSERT_EQ(length, rmf.WriteBlock(0, 0, packed.data(), length));  // in place
  ASSERT_EQ(1, rmf.Save());
  BYTE* b = rmf.GetBlockAddress(0, 0);
  ASSERT_NE(nullptr, b);
  b[5] = 'z';
  rmf.BlockChanged(rmf.CurrentSlot);
  EXPECT_EQ(0u, rmf.BlockPosition(0));
  EXPECT_EQ(0u, rmf.BlockLength(0));
  const size_t before = rmftest::ReadAll(name).size();
  ASSERT_EQ(1, rmf.Save());
  rmf.Close();
  const RMFBLOCKDESC e = rmftest::TableEntry(name, 0);
  EXPECT_EQ(65536u, e.Length);
  EXPECT_EQ(before, e.Position);
  TRmf again;
  ASSERT_EQ(1, again.OpenFile(name.c_str()));
  flat[5] = 'z';
  EXPECT_EQ(Bytes(flat), Block(again, 0, 0));
}

// A compressed block that fails to decode is read and decoded once: every
// later element of it fails at once, so that reading a damaged raster
// costs what reading an intact one does, until the block is written again.
// A read that failed is tried again.
TEST_F(RmfTest, ABlockThatFailsToDecodeIsNotReadAgainUntilWritten) {
  // 300 x 200 elements: block 0 (256 x 200) and block 1 (44 x 200), both
  // LZW-compressed; block 0's stored bytes cut to half their length.
  std::vector<char> plain[2], packed[2];
  {
    TRmf rmf;
    ASSERT_EQ(1, rmf.Create(name.c_str(), 300, 200, 8, nullptr, 1, 1));
    rmf.Head.Compression = RMF_LZW;
    rmf.HeadChanged = 1;
    for (int c = 0; c < 2; ++c) {
      const int size = rmf.BlockRawLength(0, c);
      plain[c].resize(size_t(size));
      for (int i = 0; i < size; ++i) plain[c][size_t(i)] = char(i / 40 % 7 + c);
      packed[c].resize(size_t(size));
      const int n = rmf.Compress(plain[c].data(), size, packed[c].data(), size);
      ASSERT_GT(n, 8);
      packed[c].resize(size_t(n));
      const int stored = c == 0 ? n / 2 : n;
      ASSERT_EQ(stored, rmf.WriteBlock(0, c, packed[c].data(), stored));
    }
    ASSERT_EQ(1, rmf.Save());
  }
  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  plat::FaultVfs counter;
  plat::ScopedVfs use(&counter);
  // The file reads of 20 x 20 elements from a column on.
  auto readsOf = [&](int column, int expect) {
    const int before = counter.Count(plat::VfsOp::Read);
    for (int r = 0; r < 20; ++r)
      for (int c = column; c < column + 20; ++c) {
        LONG v = -1;
        EXPECT_EQ(expect >= 0 ? 1 : 0, rmf.GetPoint(v, r, c)) << r << "," << c;
        if (expect >= 0) {
          EXPECT_EQ(plain[c / 256][size_t(r * (c < 256 ? 256 : 44) + c % 256)], v);
        }
      }
    return counter.Count(plat::VfsOp::Read) - before;
  };
  const int intact = readsOf(256, 0);
  EXPECT_EQ(1, intact);
  EXPECT_EQ(intact, readsOf(0, -1));
  EXPECT_EQ(MAPERR_READ, rmf.GetError());
  EXPECT_EQ(0, readsOf(0, -1));  // known: not read at all

  // A read that fails is no verdict on the block.
  TRmf other;
  ASSERT_EQ(1, other.OpenFile(name.c_str(), GENERIC_READ));
  counter.Fail(plat::VfsOp::Read, 1);
  LONG v = -1;
  EXPECT_EQ(0, other.GetPoint(v, 0, 260));
  EXPECT_EQ(1, other.GetPoint(v, 0, 260));
  EXPECT_EQ(plain[1][4], v);

  // Written again, the block reads.
  ASSERT_EQ(int(packed[0].size()), rmf.WriteBlock(0, 0, packed[0].data(), int(packed[0].size())));
  EXPECT_EQ(1, readsOf(0, 0));
}

// A block written past the end of its file is not there at the next read
// either: a damaged file reads as fast as an intact one. Its verdict goes
// when the block is written, or the file opened again.
TEST_F(RmfTest, ABlockRunningPastTheEndOfTheFileIsNotReadAgainUntilWritten) {
  // Block 0 of 300 x 200 elements stored plain at the end of the file (one
  // element read alone is in the file, the block is not), or compressed
  // with a length running past the end.
  for (const bool packed : {false, true}) {
    SCOPED_TRACE(packed ? "compressed" : "plain");
    const std::vector<char> plain = Pattern(0, 256 * 200);
    std::vector<char> data = plain;
    {
      TRmf rmf;
      ASSERT_EQ(1, rmf.Create(name.c_str(), 300, 200, 8, nullptr, 1, 1));
      rmf.Head.Compression = packed ? RMF_LZW : RMF_PLAIN;
      rmf.HeadChanged = 1;
      if (packed) {
        data.resize(size_t(rmf.Compress(plain.data(), int(plain.size()), data.data(), int(data.size()))));
        ASSERT_GT(data.size(), 0u);
      }
      ASSERT_EQ(int(data.size()), rmf.WriteBlock(0, 0, data.data(), int(data.size())));
      ASSERT_EQ(1, rmf.Save());
    }
    const DWORD end = DWORD(rmftest::ReadAll(name).size());
    const RMFBLOCKDESC bad = packed ? RMFBLOCKDESC{rmftest::TableEntry(name, 0).Position, end}
                                    : RMFBLOCKDESC{end - 300, rmftest::TableEntry(name, 0).Length};
    rmftest::Patch(name, rmftest::ReadHeader(name).TablePosition, &bad, sizeof(bad));

    TRmf rmf;
    ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
    plat::FaultVfs counter;
    plat::ScopedVfs use(&counter);
    auto readsOfBlock0 = [&] {
      const int before = counter.Count(plat::VfsOp::Read);
      for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c) {
          LONG v = -1;
          EXPECT_EQ(0, rmf.GetPoint(v, r, c));
          EXPECT_EQ(MAPERR_READ, rmf.GetError());
        }
      return counter.Count(plat::VfsOp::Read) - before;
    };
    EXPECT_EQ(1, readsOfBlock0());
    EXPECT_EQ(0, readsOfBlock0());
    rmf.Close();
    ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
    EXPECT_EQ(1, readsOfBlock0());
    // Written again, the block reads.
    ASSERT_EQ(int(data.size()), rmf.WriteBlock(0, 0, data.data(), int(data.size())));
    EXPECT_EQ(Bytes(plain), Block(rmf, 0, 0));
  }
}

// Blocks the slots give up stay decoded behind them: read again they are
// neither read nor decoded while the file's signal stays as it was. A block
// rewritten through another handle, or bytes written by another program,
// move it, also when the writer puts the last-write time back: what was
// kept is read again. Closing frees the memory.
TEST_F(RmfStoreTest, BlocksGivenUpStayDecodedWhileTheFileIsAsItWas) {
  TRmf rmf;
  OpenFlatBlocksAtRest(rmf);
  ASSERT_EQ(8, rmf.SlotCount);
  plat::FaultVfs counter;
  plat::ScopedVfs use(&counter);
  std::vector<int> want(16);
  for (int n = 0; n < 16; ++n) want[size_t(n)] = n;
  auto readsOfAll = [&] {
    const int before = counter.Count(plat::VfsOp::Read);
    for (int n = 0; n < 16; ++n) EXPECT_EQ(Bytes(Flat(want[size_t(n)])), Block(rmf, n / 4, n % 4)) << n;
    return counter.Count(plat::VfsOp::Read) - before;
  };
  EXPECT_EQ(16, readsOfAll());
  EXPECT_EQ(0, readsOfAll());
  for (const bool foreign : {false, true}) {
    const int number = foreign ? 6 : 5;
    RewriteBlock(number, 90 + number, foreign);
    want[size_t(number)] = 90 + number;
    EXPECT_EQ(16, readsOfAll()) << foreign;
    ticks += 3 * kSecond;
    EXPECT_EQ(16, readsOfAll()) << foreign;
    EXPECT_EQ(0, readsOfAll()) << foreign;
  }
  EXPECT_GT(rmf.Store.Bytes(), 0);
  rmf.Close(0);
  EXPECT_EQ(0, rmf.Store.Bytes());
}

// A block read within two seconds of the file's last change is not kept: a
// write in the same tick of the file system's clock would not move the
// signal. A last-write time put back is such a change.
TEST_F(RmfStoreTest, BlocksReadRightAfterAChangeAreNotKept) {
  MakeFlatBlocks(file);
  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(file.c_str(), GENERIC_READ));
  plat::FaultVfs counter;
  plat::ScopedVfs use(&counter);
  auto readsOfAll = [&] {
    const int before = counter.Count(plat::VfsOp::Read);
    for (int n = 0; n < 16; ++n) EXPECT_EQ(Bytes(Flat(n)), Block(rmf, n / 4, n % 4)) << n;
    return counter.Count(plat::VfsOp::Read) - before;
  };
  ticks += kSecond;
  EXPECT_EQ(16, readsOfAll());
  EXPECT_EQ(16, readsOfAll());
  ticks += 2 * kSecond;
  EXPECT_EQ(16, readsOfAll());
  EXPECT_EQ(0, readsOfAll());
  SetLastWrite(file, kWritten - 3600 * kSecond);
  ticks += kSecond;
  EXPECT_EQ(16, readsOfAll());
  EXPECT_EQ(16, readsOfAll());
}

// A frame that covers a small share of the blocks it meets keeps them as
// element reads do: a raster of 16 block columns read row by row, one frame
// a row, reads each block once while the file stays as it is, and again
// once another writer changed it. A whole-file frame keeps none of the
// blocks it reads, and takes those kept without reading them.
TEST_F(RmfStoreTest, ARowFrameKeepsItsBlocksAWholeFrameNone) {
  TRmf rmf;
  OpenFlatBlocksAtRest(rmf, 16, 1);
  plat::FaultVfs counter;
  plat::ScopedVfs use(&counter);
  std::vector<char> frame(4096 * 256);
  auto readsOfRows = [&](int five) {
    const int before = counter.Count(plat::VfsOp::Read);
    for (int row = 0; row < 256; row += 15) {
      EXPECT_EQ(1, rmf.GetFrame(frame.data(), 0, row, 4096, 1, 0));
      for (int n = 0; n < 16; ++n) EXPECT_EQ(char(n == 5 ? five : n), frame[size_t(n) * 256 + 9]) << row;
    }
    return counter.Count(plat::VfsOp::Read) - before;
  };
  EXPECT_EQ(16, readsOfRows(5));
  EXPECT_EQ(0, readsOfRows(5));
  RewriteBlock(5, 77, false);
  ticks += 3 * kSecond;
  EXPECT_EQ(16, readsOfRows(77));
  EXPECT_EQ(0, readsOfRows(77));

  rmf.Close(0);
  ASSERT_EQ(1, rmf.OpenFile(file.c_str(), GENERIC_READ));
  auto readsOfFrame = [&] {
    const int before = counter.Count(plat::VfsOp::Read);
    EXPECT_EQ(1, rmf.GetFrame(frame.data(), 0, 0, 4096, 256, 0));
    for (int n = 0; n < 16; ++n) EXPECT_EQ(char(n == 5 ? 77 : n), frame[size_t(7) * 4096 + n * 256 + 9]) << n;
    return counter.Count(plat::VfsOp::Read) - before;
  };
  EXPECT_EQ(16, readsOfFrame());
  EXPECT_EQ(0, rmf.Store.Count());
  EXPECT_EQ(0, rmf.Store.Bytes());
  EXPECT_EQ(16, readsOfRows(77));
  EXPECT_EQ(8, rmf.Store.Count());
  EXPECT_EQ(0, readsOfFrame());
}

// A frame that keeps its blocks copies the rows of blocks stored plain from
// the file's own pages once it has read a few: 16 blocks read row by row,
// one frame a row, read the file some times, not each block at each row.
// What another program writes is seen at once, and a file cut short under
// the pages fails as a short file does.
TEST_F(RmfTest, RowFramesCopyPlainBlocksFromTheFilesPages) {
  ASSERT_EQ(1, rmftest::MakeRaster(name, 4096, 256));
  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str(), GENERIC_READ));
  plat::FaultVfs counter;
  counter.AllowViews(true);
  plat::ScopedVfs use(&counter);
  std::vector<char> row(4096);
  for (int r = 0; r < 256; ++r) {
    ASSERT_EQ(1, rmf.GetFrame(row.data(), 0, r, 4096, 1, 0));
    for (int n = 0; n < 16; n += 5) ASSERT_EQ(Pattern(n, 65536)[size_t(r) * 256 + 3], row[size_t(n) * 256 + 3]) << r;
  }
  EXPECT_LT(counter.Count(plat::VfsOp::Read), 64);
  rmftest::Patch(name, rmftest::TableEntry(name, 5).Position + 9 * 256, "wxyz", 4);
  ASSERT_EQ(1, rmf.GetFrame(row.data(), 0, 9, 4096, 1, 0));
  EXPECT_EQ("wxyz", std::string(&row[5 * 256], 4));
  std::filesystem::resize_file(name, rmftest::TableEntry(name, 15).Position);
  EXPECT_EQ(0, rmf.GetFrame(row.data(), 0, 10, 4096, 1, 0));
  EXPECT_EQ(MAPERR_READ, rmf.GetError());
}

// Elements read along a row take the rest of the row of a block stored
// plain with the first of them, from the file's own pages once it has read
// a few: 16 blocks read element by element, row by row, read the file some
// times, not each block at each row. What the object writes over a row it
// holds, or a block moved under it, is read as it is now; a file cut short
// under the pages fails as a short file does.
TEST_F(RmfTest, ElementsAlongARowTakeTheirRowFromTheFilesPages) {
  ASSERT_EQ(1, rmftest::MakeRaster(name, 4096, 256));
  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  plat::FaultVfs counter;
  counter.AllowViews(true);
  plat::ScopedVfs use(&counter);
  std::vector<std::vector<char>> blocks;
  for (int n = 0; n < 16; ++n) blocks.push_back(Pattern(n, 65536));
  LONG v = -1;
  for (int r = 0; r < 256; r += 5)
    for (int c = 0; c < 4096; ++c) {
      ASSERT_EQ(1, rmf.GetPoint(v, r, c));
      ASSERT_EQ(BYTE(blocks[size_t(c / 256)][size_t(r * 256 + c % 256)]), v) << r << " " << c;
    }
  EXPECT_LT(counter.Count(plat::VfsOp::Read), 64);
  // Each change made while a row of block 9, 10 or 11 is held, then read.
  const std::vector<char> fives(65536, 5);
  const DWORD twelve = rmf.BlockPosition(12);
  for (int n = 9; n < 12; ++n) {
    ASSERT_EQ(1, rmf.GetPoint(v, 7, n * 256));
    const DWORD done = n == 9    ? DWORD(rmf.WriteBlock(0, n, fives.data(), 65536))
                       : n == 10 ? DWORD(rmf.WritePoint(LONG(5), 7, n * 256 + 1))
                                 : rmf.SetBlockPosition(n, twelve);
    ASSERT_EQ(n == 9 ? 65536 : n == 10 ? 1 : twelve, done) << n;
    ASSERT_EQ(1, rmf.GetPoint(v, 7, n * 256 + 1));
    EXPECT_EQ(n == 11 ? BYTE(blocks[12][7 * 256 + 1]) : 5, v) << n;
  }
  std::filesystem::resize_file(name, rmftest::TableEntry(name, 15).Position);
  ASSERT_EQ(1, rmf.GetPoint(v, 10, 14 * 256));
  EXPECT_EQ(0, rmf.GetPoint(v, 10, 15 * 256));
  EXPECT_EQ(MAPERR_READ, rmf.GetError());
}

// A block whose table entry is moved or cut by the host is read from the
// entry as it now stands, also while a slot still holds it as read.
TEST_F(RmfTest, ABlockWhoseEntryChangesIsReadAgain) {
  ASSERT_EQ(1, rmftest::MakeRaster(name, 4096, 256));
  const int64_t before = TRmf::CacheLimit(0);
  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  TRmf::CacheLimit(before);
  ASSERT_EQ(Bytes(Pattern(3, 65536)), Block(rmf, 0, 3));
  ASSERT_EQ(rmf.BlockPosition(12), rmf.SetBlockPosition(3, rmf.BlockPosition(12)));
  EXPECT_EQ(Bytes(Pattern(12, 65536)), Block(rmf, 0, 3));
  ASSERT_EQ(Bytes(Pattern(4, 65536)), Block(rmf, 0, 4));
  ASSERT_EQ(DWORD(100), rmf.SetBlockLength(4, 100));
  EXPECT_EQ(nullptr, rmf.GetBlockAddress(0, 4));
}

// The store keeps at most its bound of buffers, 0 keeping none, and never
// more than the file has blocks; the bound is taken when a file opens.
// What it allocates follows what it holds: a raster of 25 blocks of 32
// bytes costs some bytes, whatever the bound (before, 78 MB at the default
// bound and 1 GB at 1024 MB, for bookkeeping sized by the bound).
TEST_F(RmfTest, TheStoreKeepsNoMoreThanItsBoundAndTheFile) {
  MakeFlatBlocks(name);
  for (const int64_t limit : {int64_t(0), int64_t(3 * 65536)}) {
    const int64_t before = TRmf::CacheLimit(limit);
    TRmf rmf;
    ASSERT_EQ(1, rmf.OpenFile(name.c_str(), GENERIC_READ));
    EXPECT_EQ(limit, TRmf::CacheLimit(before));
    for (int pass = 0; pass < 2; ++pass)
      for (int n = 0; n < 16; ++n) ASSERT_EQ(Bytes(Flat(n)), Block(rmf, n / 4, n % 4)) << n;
    EXPECT_EQ(limit, rmf.Store.Bytes());
    EXPECT_EQ(limit / 65536, rmf.Store.Count());
  }
  RMF h{};
  h.Ident = RMF_RSW;
  h.Width = 20;
  h.Height = 40;
  h.BitsPerElement = 8;
  h.BlockColumns = h.BlockRows = 5;
  h.BlockWidth = h.LastWidth = 4;
  h.BlockHeight = h.LastHeight = 8;
  {
    TRmf small;
    ASSERT_EQ(1, small.Create(name.c_str(), &h, nullptr));
    for (int n = 0; n < 25; ++n) ASSERT_EQ(32, small.WriteBlock(n / 5, n % 5, Flat(n).data(), 32));
  }
  for (const int64_t limit : {TRmf::kDefaultCacheLimit, int64_t(1) << 30}) {
    const int64_t before = TRmf::CacheLimit(limit);
    const double memory = testsupport::AnonymousBytes();
    TRmf rmf;
    ASSERT_EQ(1, rmf.OpenFile(name.c_str(), GENERIC_READ));
    TRmf::CacheLimit(before);
    for (int pass = 0; pass < 2; ++pass)
      for (int n = 0; n < 25; ++n) ASSERT_EQ(Bytes(Flat(n)).substr(0, 32), Block(rmf, n / 5, n % 5)) << n;
    EXPECT_EQ(17, rmf.Store.Count());
    EXPECT_LE(rmf.Store.Bytes(), 25 * 32);
    // (The sanitizers' allocator takes some megabytes of its own.)
    EXPECT_LT(testsupport::AnonymousBytes() - memory, 16 << 20) << limit;
  }
}

TEST_F(RmfTest, TheLeastRecentlyUsedSlotIsReplaced) {
  ASSERT_EQ(1, rmftest::MakeRaster(name, 768, 768));  // 3 x 3 blocks
  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  ASSERT_EQ(8, rmf.SlotCount);
  // Equal stamps (an empty cache): slot 0.
  ASSERT_NE(nullptr, rmf.GetBlockAddress(1, 1));
  EXPECT_EQ(4, rmf.Slots[0].Number);
  for (RMFSLOT& s : rmf.Slots) s.Stamp = 7;
  ASSERT_NE(nullptr, rmf.GetBlockAddress(0, 0));
  EXPECT_EQ(0, rmf.Slots[0].Number);

  rmf.ClearBuffer();
  for (int n = 0; n < 8; ++n) ASSERT_NE(nullptr, rmf.GetBlockAddress(n / 3, n % 3));
  for (int n = 0; n < 8; ++n) EXPECT_EQ(n, rmf.Slots[n].Number);
  ASSERT_NE(nullptr, rmf.GetBlockAddress(0, 0));  // block 0 used again: slot 1 is now the oldest
  ASSERT_NE(nullptr, rmf.GetBlockAddress(2, 2));
  EXPECT_EQ(8, rmf.Slots[1].Number);
  EXPECT_EQ(0, rmf.Slots[0].Number);
  EXPECT_EQ(Bytes(Pattern(8, 65536)), Block(rmf, 2, 2));
  EXPECT_EQ(Bytes(Pattern(1, 65536)), Block(rmf, 0, 1));  // read again, into slot 2
  EXPECT_EQ(1, rmf.Slots[2].Number);
}

TEST_F(RmfTest, KeptSlotsAreNeverReused) {
  ASSERT_EQ(1, rmftest::MakeRaster(name, 768, 768));
  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  // Slot 0 kept with the oldest stamp: reads pass it by.
  ASSERT_NE(nullptr, rmf.LockBlockAddress(0, 0));
  for (int n = 1; n < 9; ++n) ASSERT_NE(nullptr, rmf.GetBlockAddress(n / 3, n % 3));
  EXPECT_EQ(0, rmf.Slots[0].Number);
  EXPECT_EQ(Bytes(Pattern(0, 65536)), std::string(reinterpret_cast<char*>(rmf.Slots[0].Buffer), 65536));

  // A new block passes kept slots by too.
  std::vector<char> none(1);
  rmf.Close();
  ASSERT_EQ(1, rmf.Create(name.c_str(), 768, 768, 8, nullptr, 1, 1));
  for (int n = 0; n < 7; ++n) ASSERT_NE(nullptr, rmf.GetBlockAddressAndCreate(n / 3, n % 3));
  for (int n = 0; n < 7; ++n) rmf.Slots[n].Keep = 1;
  rmf.Slots[7].Stamp = 1000;
  BYTE* b = rmf.GetBlockAddressAndCreate(2, 1);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(7, rmf.Slots[7].Number);
  EXPECT_EQ(1, rmf.Slots[7].Dirty);

  // Every slot kept: neither a read nor a new block takes one.
  rmf.Slots[7].Keep = 1;
  EXPECT_EQ(nullptr, rmf.GetBlockAddressAndCreate(2, 2));
  EXPECT_EQ(MAPERR_MEMORY, rmf.GetError());
  for (int n = 0; n < 8; ++n) EXPECT_EQ(n, rmf.Slots[n].Number);
  rmf.UnlockBlocks();
  ASSERT_NE(nullptr, rmf.GetBlockAddressAndCreate(2, 2));
  ASSERT_EQ(1, rmf.Save());
  for (int n = 0; n < 9; ++n) EXPECT_EQ(65536u, rmf.BlockLength(n)) << n;
}

TEST_F(RmfTest, SaveWritesItsAreasInOrder) {
  TRmf rmf;
  ASSERT_EQ(1, rmf.Create(name.c_str(), 256, 256, 8, nullptr, 1, 1));
  ASSERT_NE(nullptr, rmf.GetBlockAddressAndCreate(0, 0));
  const DWORD colour = 0x123456;
  rmf.Palette(&colour, 1);
  rmf.AdditionChanged = 1;
  ASSERT_EQ(1, rmf.AllocateBlockFlags(1));
  rmf.SetBlockFlag(0, 2);
  rmf.Border.Create(METRIC_I32, 0);
  for (auto [x, y] : {std::pair{0.0, 0.0}, {0.0, 10.0}, {10.0, 10.0}, {0.0, 0.0}})
    rmf.Border.AppendPointSubject(0, x, y);
  rmf.BorderChanged = 1;

  WriteRecorder recorder;
  plat::Vfs* previous = plat::SetVfs(&recorder);
  const int saved = rmf.Save();
  plat::SetVfs(previous);
  ASSERT_EQ(1, saved) << rmf.GetError();
  const RMF& h = rmf.Head;
  const uint64_t block = rmf.BlockPosition(0);
  const std::vector<uint64_t> order = {320, block, 1344, h.AdditionPosition, h.FlagsPosition,
                                       h.BorderPosition, 0};
  EXPECT_EQ(order, recorder.offsets);
  EXPECT_GT(h.FlagsPosition, block);
  EXPECT_GT(h.BorderPosition, h.FlagsPosition);

  rmf.Close();
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  EXPECT_EQ(colour, rmf.PaletteWords[0]);
  EXPECT_EQ(2, rmf.BlockFlag(0));
  EXPECT_EQ(4, rmf.Border.TotalPointCount());
  EXPECT_EQ(1, rmf.BorderDesc.Count);
  EXPECT_EQ(256, rmf.BorderDesc.MaxX);
  // Nothing changed, nothing written.
  recorder.offsets.clear();
  previous = plat::SetVfs(&recorder);
  EXPECT_EQ(1, rmf.Save());
  plat::SetVfs(previous);
  EXPECT_TRUE(recorder.offsets.empty());
}

TEST_F(RmfTest, WritingABlockDropsItsCachedCopy) {
  ASSERT_EQ(1, rmftest::MakeRaster(name, 300, 300));
  {
    TRmf rmf;
    ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
    LONG v = 0;
    ASSERT_EQ(1, rmf.GetPoint(v, 0, 1));
    ASSERT_EQ(1, rmf.GetPoint(v, 0, 0));  // block (0, 0) cached and read from
    ASSERT_EQ(1, rmf.PutPoint(LONG(77), 0, 0));  // and changed
    const int n = rmf.BlockRawLength(0, 0);
    const std::vector<char> fives(size_t(n), 5);
    ASSERT_EQ(n, rmf.WriteBlock(0, 0, fives.data(), n));
    ASSERT_EQ(1, rmf.GetPoint(v, 0, 0));
    EXPECT_EQ(5, v);
  }
  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  LONG v = 0;
  ASSERT_EQ(1, rmf.GetPoint(v, 0, 0));
  EXPECT_EQ(5, v);
}
