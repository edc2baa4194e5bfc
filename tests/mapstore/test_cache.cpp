// The read caches of the sheet files: window choice, records over several
// windows, growth for long records, and damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "mapstore/sheetcache.h"
#include "mapstore/sheetfile.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "support/process_memory.h"
#include "support/sheetbuilder.h"

using namespace sheettest;

namespace {

// A descriptor file of `count` descriptors whose key is the number.
Bytes HeadFile(int count) {
  Bytes b(48 * (count + 1), 0);
  HDRHEAD head;
  InitHdrHead(&head);
  head.Count = count;
  std::memcpy(b.data(), &head, sizeof(head));
  for (int n = 1; n <= count; ++n) {
    FVSPR d{};
    d.Key = static_cast<DWORD>(n);
    std::memcpy(b.data() + 48 * n, &d, sizeof(d));
  }
  return b;
}

DWORD KeyOf(const char* desc) { return reinterpret_cast<const FVSPR*>(desc)->Key; }

// A metric file with one record of `length` bytes at `offset`.
Bytes DataFile(uint32_t offset, uint32_t length, uint32_t seed) {
  Bytes b(offset, 0);
  std::memcpy(b.data(), "DAT\0\0\0\0\0", 8);
  Bytes m = MetricRecord(length, seed);
  b.insert(b.end(), m.begin(), m.end());
  return b;
}

}  // namespace

class CacheTest : public ::testing::Test {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    for (HANDLE h : open_) plat::CloseHandle(h);
  }
  // Writes `bytes` as the file `name` (unless empty) and opens it for
  // reading; closed at the end of the test.
  HANDLE Open(const std::string& name, const Bytes& bytes = {}) {
    if (!bytes.empty()) WriteFile(dir / name, bytes);
    HANDLE h = plat::CreateFileA((dir / name).c_str(), GENERIC_READ, 3, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, h) << name;
    open_.push_back(h);
    return h;
  }

  SheetFolder dir{MC_TEST_TMP};
  std::vector<HANDLE> open_;
};

TEST_F(CacheTest, HeadBufferSizing) {
  THeadBuffer b;
  ASSERT_EQ(1, b.Allocate(0));  // no hint: three windows of 2048 descriptors
  EXPECT_EQ(3, b.WindowCount());
  EXPECT_EQ(0x18000, b.WindowSize());
  b.Free();
  ASSERT_EQ(1, b.Allocate(100));  // small files: two windows
  EXPECT_EQ(2, b.WindowCount());
  b.Free();
  ASSERT_EQ(1, b.Allocate(0x18000 * 40));  // the file over 32 windows
  EXPECT_EQ(32, b.WindowCount());
  EXPECT_EQ(0x18000 * 40 / 32, b.WindowSize());
  EXPECT_EQ(0, b.WindowSize() % 48);
  b.Free();
  ASSERT_EQ(1, b.Allocate(0x800000 * 2));
  EXPECT_EQ(32, b.WindowCount());
  EXPECT_EQ(0x18000, b.WindowSize());
  // A block large enough is kept with its layout.
  const char* block = b.Block();
  ASSERT_EQ(1, b.Allocate(0));
  EXPECT_EQ(block, b.Block());
  EXPECT_EQ(32, b.WindowCount());
}

TEST_F(CacheTest, HeadBufferTwoWindowsRefillWindowOne) {
  const HANDLE f = Open("S.HDR", HeadFile(5 * 2048));
  THeadBuffer b;
  ASSERT_EQ(1, b.Allocate(100));
  ASSERT_EQ(2, b.WindowCount());
  b.SetFile(f);

  // Descriptor 0, the file header, comes through the same cache.
  const char* head = b.RecordAddr(0);
  ASSERT_NE(nullptr, head);
  EXPECT_EQ(HDR_IDENT, reinterpret_cast<const HDRHEAD*>(head)->Ident);
  EXPECT_EQ(0, b.Window(0).First);
  EXPECT_EQ(2047, b.Window(0).Last);

  // Every miss after the first refills window 1; window 0 keeps block 0.
  for (LONG n : {3000, 5000, 9000, 2100}) {
    const char* d = b.RecordAddr(n);
    ASSERT_NE(nullptr, d) << n;
    EXPECT_EQ(DWORD(n), KeyOf(d));
    EXPECT_EQ(1, b.CurrentWindow());
    EXPECT_EQ(0, b.Window(0).First);
    EXPECT_LE(b.Window(1).First, n);
    EXPECT_GE(b.Window(1).Last, n);
  }
  // A hit in window 0 makes it current; the next miss goes to window 1.
  EXPECT_EQ(7u, KeyOf(b.RecordAddr(7)));
  EXPECT_EQ(0, b.CurrentWindow());
  EXPECT_EQ(6000u, KeyOf(b.RecordAddr(6000)));
  EXPECT_EQ(1, b.CurrentWindow());
  EXPECT_EQ(0, b.Window(0).First);

  // The last block is short; one past the last record yields null.
  EXPECT_EQ(10240u, KeyOf(b.RecordAddr(10240)));
  EXPECT_EQ(nullptr, b.RecordAddr(10241));
  EXPECT_EQ(nullptr, b.RecordAddr(-1));

  // A descriptor write keeps the window that holds it in step.
  FVSPR d{};
  d.Key = 4242;
  b.UpdateRecord(7, &d);
  EXPECT_EQ(4242u, KeyOf(b.RecordAddr(7)));
  b.UpdateRecord(9999, &d);  // not held: nothing
}

TEST_F(CacheTest, DataBufferRecordOverTwoWindows) {
  // 300 KB starting 100 KB into a window: one piece over windows 0 and 1.
  const uint32_t offset = 100 * 1024, length = 300 * 1024;
  Bytes file = DataFile(8, 24, 1);
  file.resize(offset, 0);
  const Bytes expected = MetricRecord(length, 7);
  file.insert(file.end(), expected.begin(), expected.end());
  const HANDLE f = Open("S.DAT", file);
  TDataBuffer b;
  ASSERT_EQ(1, b.Allocate(4 * TDataBuffer::WINDOW_SIZE));
  ASSERT_EQ(4, b.WindowCount());
  b.SetFile(f);

  ASSERT_NE(nullptr, b.RecordAddr(8));  // window 0 now holds the first 256 KB
  const char* rec = b.RecordAddr(offset);
  ASSERT_NE(nullptr, rec);
  EXPECT_EQ(0, std::memcmp(rec, expected.data(), length));
  EXPECT_EQ(b.Window(0).Data + offset, rec);
  EXPECT_EQ(0, b.Window(0).First);
  EXPECT_EQ(TDataBuffer::WINDOW_SIZE, b.Window(1).First);
  // Asked again, it comes from the windows without reading.
  EXPECT_EQ(rec, b.RecordAddr(offset));
  EXPECT_EQ(1, b.CurrentWindow());

  EXPECT_EQ(nullptr, b.RecordAddr(0));
}

TEST_F(CacheTest, DataBufferRebuildsFromWindowZero) {
  // A small record, then a 300 KB one far away: with a two-window cache
  // whose current window is the last, the long record's first piece moves
  // to window 0 and continues in window 1.
  Bytes file = DataFile(8, 24, 1);
  const uint32_t longAt = 0x40000 * 3 + 1024;
  file.resize(longAt, 0);
  Bytes big = MetricRecord(300 * 1024, 9);
  file.insert(file.end(), big.begin(), big.end());
  const HANDLE f = Open("S.DAT", file);
  TDataBuffer b;
  ASSERT_EQ(1, b.Allocate(2 * TDataBuffer::WINDOW_SIZE));
  b.SetFile(f);
  ASSERT_NE(nullptr, b.RecordAddr(8));
  EXPECT_EQ(1, b.CurrentWindow());

  const char* rec = b.RecordAddr(longAt);
  ASSERT_NE(nullptr, rec);
  EXPECT_EQ(0, std::memcmp(rec, big.data(), big.size()));
  EXPECT_EQ(b.Window(0).Data, rec);
  EXPECT_EQ(longAt, b.Window(0).First);
  EXPECT_EQ(longAt + TDataBuffer::WINDOW_SIZE, b.Window(1).First);
  // The small record is read again into the window after the long one.
  EXPECT_NE(nullptr, b.RecordAddr(8));
}

TEST_F(CacheTest, DataBufferGrowsForLongRecords) {
  // A 2 MB record on a map of several sheets (one-window cache).
  const uint32_t offset = 8 + 1000, length = 2 * 1024 * 1024 + 16;
  const HANDLE f = Open("S.DAT", DataFile(offset, length, 3));
  TDataBuffer b;
  ASSERT_EQ(1, b.Allocate(0));
  ASSERT_EQ(1, b.WindowCount());
  b.SetFile(f);
  const char* rec = b.RecordAddr(offset);
  ASSERT_NE(nullptr, rec);
  EXPECT_EQ(0, std::memcmp(rec, MetricRecord(length, 3).data(), length));
  EXPECT_EQ(9, b.WindowCount());
  // Once grown, the cache keeps its size for the next sheet.
  ASSERT_EQ(1, b.Allocate(0));
  EXPECT_EQ(9, b.WindowCount());

  // No memory for the growth: the record is not delivered, the cache stays.
  TDataBuffer small;
  ASSERT_EQ(1, small.Allocate(0));
  small.SetFile(f);
  plat::fault::FailAllocation(1);
  EXPECT_EQ(nullptr, small.RecordAddr(offset));
  EXPECT_EQ(1, small.WindowCount());
  plat::fault::Reset();
  EXPECT_NE(nullptr, small.RecordAddr(offset));
}

TEST_F(CacheTest, DataBufferLargestRecordAtUnalignedOffset) {
  // The largest record the writer accepts, 1020 bytes past a 1 KB boundary,
  // still fits the 64 windows.
  const uint32_t length = 16 + ((0xFFFFFF - 16) / 8) * 8;
  const uint32_t offset = 1024 + 1020;
  const HANDLE f = Open("S.DAT", DataFile(offset, length, 5));
  TDataBuffer b;
  ASSERT_EQ(1, b.Allocate(0));
  b.SetFile(f);
  const char* rec = b.RecordAddr(offset);
  ASSERT_NE(nullptr, rec);
  EXPECT_EQ(64, b.WindowCount());
  const Bytes expected = MetricRecord(length, 5);
  EXPECT_EQ(0, std::memcmp(rec + length - 4096, expected.data() + length - 4096, 4096));
}

TEST_F(CacheTest, DataBufferDamagedRecords) {
  Bytes file = DataFile(8, 1000, 1);
  // A record whose length runs past the end of the file.
  Bytes truncated = MetricRecord(400 * 1024, 2);
  const uint32_t at = 0x40000 - 64;
  file.resize(at, 0);
  file.insert(file.end(), truncated.begin(), truncated.begin() + 100 * 1024);
  // A record with a wrong marker, one with a huge length, one with a tiny one.
  const uint32_t bad = static_cast<uint32_t>(file.size());
  Bytes tail(64, 0);
  const uint32_t wrongMarker[2] = {0x12345678, 40};
  const uint32_t huge[2] = {METRIC_F32, 0x7FFFFFFF};
  const uint32_t tiny[2] = {METRIC_F32, 4};
  std::memcpy(tail.data(), wrongMarker, 8);
  std::memcpy(tail.data() + 16, huge, 8);
  std::memcpy(tail.data() + 32, tiny, 8);
  file.insert(file.end(), tail.begin(), tail.end());
  file.insert(file.end(), {'\x00', '\x00'});  // a head cut after 6 bytes below
  const HANDLE f = Open("S.DAT", file);
  for (int windows : {1, 4}) {
    TDataBuffer b;
    ASSERT_EQ(1, b.Allocate(int64_t(windows) * TDataBuffer::WINDOW_SIZE));
    b.SetFile(f);
    EXPECT_NE(nullptr, b.RecordAddr(8));
    EXPECT_EQ(nullptr, b.RecordAddr(at)) << windows;
    EXPECT_EQ(nullptr, b.RecordAddr(bad));
    EXPECT_EQ(nullptr, b.RecordAddr(bad + 16));
    EXPECT_EQ(nullptr, b.RecordAddr(bad + 32));
    EXPECT_EQ(nullptr, b.RecordAddr(static_cast<DWORD>(file.size()) - 2));
    EXPECT_EQ(nullptr, b.RecordAddr(0x7FFFFFF0));  // past the end
    EXPECT_NE(nullptr, b.RecordAddr(8));
  }
  // Without a file nothing is read.
  TDataBuffer none;
  ASSERT_EQ(1, none.Allocate(0));
  EXPECT_EQ(nullptr, none.RecordAddr(8));
}

TEST_F(CacheTest, DataBufferRereadsWindowCutByTheFileEnd) {
  // Another writer completes a record after a window was read.
  Bytes full = DataFile(8, 24, 1);
  const Bytes rec = MetricRecord(2000, 6);
  full.insert(full.end(), rec.begin(), rec.end());
  const HANDLE f = Open("S.DAT", Bytes(full.begin(), full.end() - 1000));
  TDataBuffer b;
  ASSERT_EQ(1, b.Allocate(0));
  b.SetFile(f);
  ASSERT_NE(nullptr, b.RecordAddr(8));
  EXPECT_EQ(nullptr, b.RecordAddr(32));
  WriteFile(dir / "S.DAT", full);
  const char* got = b.RecordAddr(32);
  ASSERT_NE(nullptr, got);
  EXPECT_EQ(0, std::memcmp(got, rec.data(), rec.size()));
}

// Records at their offsets in a file.
typedef std::vector<std::pair<uint32_t, Bytes>> Placed;

// Reads the records far apart and then those one after another through a
// cache, each whole: a record read apart lies in a window of at most
// `piece` bytes once the reads are past the first `held` bytes of the file
// (until then the cache may take the file for one it holds whole), and the
// 2000th record read one after another lies in a whole window. `span` is
// the bytes of the window holding an offset.
template <typename Cache, typename Span>
void ExpectPiecesThenWindows(Cache& b, const Placed& apart, const Placed& together, int64_t held,
                             int64_t piece, const Span& span) {
  for (const auto& [offset, record] : apart) {
    const char* got = b.RecordAddr(offset);
    ASSERT_NE(nullptr, got) << offset;
    ASSERT_EQ(0, std::memcmp(got, record.data(), record.size())) << offset;
    if (offset >= held) {
      EXPECT_LE(span(offset), piece + int64_t(record.size())) << offset;
    }
  }
  for (size_t i = 0; i < together.size(); ++i) {
    const auto& [offset, record] = together[i];
    const char* got = b.RecordAddr(offset);
    ASSERT_NE(nullptr, got) << offset;
    ASSERT_EQ(0, std::memcmp(got, record.data(), record.size())) << offset;
    if (i == 2000) {
      EXPECT_EQ(Cache::WINDOW_SIZE, span(offset));
    }
  }
}

// Records read in the file's order but far apart (the objects of one
// place, scattered through a large file) cost their own bytes, not a
// window's each; records read one after another soon fill whole windows.
TEST_F(CacheTest, DataBufferReadsWhatARecordNeeds) {
  Bytes file(8, 0);
  std::memcpy(file.data(), "DAT", 4);
  Placed apart, together;
  for (uint32_t i = 0; i < 200; ++i) {
    file.resize(file.size() + 40000, 0);
    apart.emplace_back(uint32_t(file.size()), MetricRecord(16 + 8 * (i % 60), i));
    file.insert(file.end(), apart.back().second.begin(), apart.back().second.end());
  }
  for (uint32_t i = 0; i < 3000; ++i) {
    together.emplace_back(uint32_t(file.size()), MetricRecord(400, i));
    file.insert(file.end(), together.back().second.begin(), together.back().second.end());
  }
  const HANDLE f = Open("S.DAT", file);
  TDataBuffer b;
  ASSERT_EQ(1, b.Allocate(0));  // one window, a small part of the file
  b.SetFile(f);
  ExpectPiecesThenWindows(b, apart, together, TDataBuffer::WINDOW_SIZE, TDataBuffer::PIECE_SIZE,
                          [&](uint32_t offset) {
                            for (int i = 0; i < b.WindowCount(); ++i)
                              if (b.Window(i).First <= offset && offset < b.Window(i).Last)
                                return b.Window(i).Last - b.Window(i).First;
                            return int64_t(-1);
                          });
}

// The same for the semantics and graphics files: records far apart are
// read as pieces, records one after another as whole blocks.
TEST_F(CacheTest, BlockBufferReadsWhatARecordNeeds) {
  Bytes file(4, 0);
  std::memcpy(file.data(), "SEM", 4);
  Placed apart, together;
  for (int i = 0; i < 3400; ++i) {
    const int64_t at = PlaceSemnRecord(file.size() + (i < 400 ? 3000 : 0), 40);
    file.resize(size_t(at), 0);
    (i < 400 ? apart : together).emplace_back(uint32_t(at), SemnRecord(40, uint8_t(i)));
    const Bytes& record = (i < 400 ? apart : together).back().second;
    file.insert(file.end(), record.begin(), record.end());
  }
  const HANDLE f = Open("S.SEM", file);
  TBlockBuffer b(TBlockBuffer::RECORD_SEMN);
  ASSERT_EQ(1, b.Allocate(0));  // eight blocks, a small part of the file
  b.SetFile(f);
  const int64_t held = int64_t(TBlockBuffer::MAX_WINDOWS) * TBlockBuffer::WINDOW_SIZE;
  ExpectPiecesThenWindows(b, apart, together, held, TBlockBuffer::PIECE_SIZE - 40,
                          [&](uint32_t offset) {
                            for (int i = 0; i < b.WindowCount(); ++i)
                              if (b.Window(i).First <= offset && offset <= b.Window(i).Last)
                                return b.Window(i).Last - b.Window(i).First + 1;
                            return int64_t(-1);
                          });
}

TEST_F(CacheTest, BlockBufferWindows) {
  SheetBuilder s;
  // Fill the first block so that a record lands exactly at 65,536.
  s.Add(LOCAL_LINE, MetricRecord(24), SemnRecord(32000));
  s.Add(LOCAL_LINE, MetricRecord(24), SemnRecord(32000));
  s.Add(LOCAL_LINE, MetricRecord(24), SemnRecord(2000, 0x5A));
  ASSERT_EQ(65536u, s.Desc(3).SemnOffset);
  const HANDLE f = Open("S.SEM", s.sem);

  TBlockBuffer b(TBlockBuffer::RECORD_SEMN);
  ASSERT_EQ(1, b.Allocate(0x20000));
  ASSERT_EQ(2, b.WindowCount());
  b.SetFile(f);
  const char* rec = b.RecordAddr(65536);
  ASSERT_NE(nullptr, rec);
  EXPECT_EQ(b.Window(0).Data, rec);  // at the start of the window's data
  EXPECT_EQ(0x5A, rec[10]);
  EXPECT_EQ(1, b.CurrentWindow());
  EXPECT_NE(nullptr, b.RecordAddr(s.Desc(1).SemnOffset));
  EXPECT_EQ(0, b.Window(1).First);
  EXPECT_EQ(nullptr, b.RecordAddr(0));
  // An offset equal to the file's length holds nothing.
  EXPECT_EQ(nullptr, b.RecordAddr(static_cast<DWORD>(s.sem.size())));
}

TEST_F(CacheTest, BlockBufferRefusesRecordsThatLeaveTheirWindow) {
  // Records written by hand against the 64 KB rule.
  Bytes sem(65536 + 100, 0);
  std::memcpy(sem.data(), "SEM\0", 4);
  Bytes ok = SemnRecord(100);
  std::memcpy(sem.data() + 4, ok.data(), ok.size());
  Bytes across = SemnRecord(2000);  // from 65,000 over the block's end
  std::memcpy(sem.data() + 65000, across.data(), 536);
  Bytes past = SemnRecord(400);     // runs past the end of the file
  std::memcpy(sem.data() + 65536, past.data(), 100);
  const HANDLE fs = Open("S.SEM", sem);

  Bytes gra(4, 0);
  std::memcpy(gra.data(), "DRW\0", 4);
  Bytes d = DrawRecord(40);
  gra.insert(gra.end(), d.begin(), d.end());
  Bytes longDraw = DrawRecord(60);
  reinterpret_cast<IMGDRAW*>(longDraw.data())->Length = 40000;  // above the limit
  gra.insert(gra.end(), longDraw.begin(), longDraw.end());
  const HANDLE fg = Open("S.GRA", gra);
  TBlockBuffer semn(TBlockBuffer::RECORD_SEMN), draw(TBlockBuffer::RECORD_DRAW);
  ASSERT_EQ(1, semn.Allocate(0x20000));
  ASSERT_EQ(1, draw.Allocate(0x10000));
  semn.SetFile(fs);
  draw.SetFile(fg);
  EXPECT_NE(nullptr, semn.RecordAddr(4));
  EXPECT_EQ(nullptr, semn.RecordAddr(65000));
  EXPECT_EQ(nullptr, semn.RecordAddr(65536));
  EXPECT_EQ(nullptr, semn.RecordAddr(70000));
  EXPECT_NE(nullptr, draw.RecordAddr(4));
  EXPECT_EQ(nullptr, draw.RecordAddr(44));
  EXPECT_EQ(nullptr, draw.RecordAddr(6));  // not a record head
}

TEST_F(CacheTest, BlockBufferRereadsWindowCutByTheFileEnd) {
  // A window read while a record was only partly written sees it whole
  // once the file holds it.
  Bytes sem(4, 0);
  std::memcpy(sem.data(), "SEM\0", 4);
  Bytes a = SemnRecord(100);
  sem.insert(sem.end(), a.begin(), a.end());
  Bytes c = SemnRecord(200, 0x77);
  Bytes partial = sem;
  partial.insert(partial.end(), c.begin(), c.begin() + 20);
  const HANDLE f = Open("S.SEM", partial);
  TBlockBuffer b(TBlockBuffer::RECORD_SEMN);
  ASSERT_EQ(1, b.Allocate(0x10000));
  b.SetFile(f);
  ASSERT_NE(nullptr, b.RecordAddr(4));
  EXPECT_EQ(nullptr, b.RecordAddr(104));

  sem.insert(sem.end(), c.begin(), c.end());
  WriteFile(dir / "S.SEM", sem);
  const char* rec = b.RecordAddr(104);
  ASSERT_NE(nullptr, rec);
  EXPECT_EQ(0x77, rec[50]);
}

TEST_F(CacheTest, AllocationFailures) {
  THeadBuffer h;
  TDataBuffer d;
  TBlockBuffer s;
  plat::fault::FailAllocation(1, true);
  EXPECT_EQ(0, h.Allocate(0));
  EXPECT_EQ(0, d.Allocate(0));
  EXPECT_EQ(0, s.Allocate(0));
  EXPECT_EQ(nullptr, h.RecordAddr(1));
  EXPECT_EQ(nullptr, d.RecordAddr(8));
  EXPECT_EQ(nullptr, s.RecordAddr(4));
  plat::fault::Reset();
  EXPECT_EQ(1, h.Allocate(0));
}

// The places of records learned per descriptor: kept at both ends of the
// range, each answered with its own (never another descriptor's sharing
// its slots), refused outside 1 .. HINT_LIMIT - 1 or without memory, and
// forgotten with the file.
TEST_F(CacheTest, HeadBufferHints) {
  THeadBuffer h;
  std::vector<LONG> numbers = {1, 1023, 1024, 1025, 2048, THeadBuffer::HINT_LIMIT - 1};
  std::mt19937 rng(5);
  for (int k = 0; k < 3000; ++k) numbers.push_back(LONG(rng() % (THeadBuffer::HINT_LIMIT - 1)) + 1);
  for (LONG n : numbers) h.NoteHint(n, DWORD(n) * 3, DWORD(n) + 7);
  int kept = 0;
  for (LONG n : numbers) {
    const uint64_t hint = h.Hint(n);
    kept += hint != 0 ? 1 : 0;
    if (hint == 0) continue;
    EXPECT_EQ(DWORD(n) * 3, THeadBuffer::HintData(hint)) << n;
    EXPECT_EQ(DWORD(n) + 7, THeadBuffer::HintSemn(hint)) << n;
  }
  EXPECT_GT(kept, int(numbers.size()) * 98 / 100);
  for (LONG n : {LONG(0), LONG(-1), LONG(THeadBuffer::HINT_LIMIT)}) {
    h.NoteHint(n, 1, 1);
    EXPECT_EQ(0u, h.Hint(n)) << n;
  }
  EXPECT_EQ(0u, h.Hint(3));  // never noted

  // Without memory for the table the hint is not kept; without memory to
  // grow it, the table keeps its hints and takes more in its free slots.
  THeadBuffer fresh;
  plat::fault::FailAllocation(1, true);
  fresh.NoteHint(9, 1, 2);
  EXPECT_EQ(0u, fresh.Hint(9));
  plat::fault::Reset();
  const LONG past = THeadBuffer::HINT_SLOTS_FIRST / 2 + 1;
  for (LONG n = 1; n < past; ++n) fresh.NoteHint(n * 4, 1, 2);
  plat::fault::FailAllocation(1, true);
  fresh.NoteHint(past * 4, 1, 2);
  plat::fault::Reset();
  for (LONG n = 1; n <= past; ++n) EXPECT_EQ(1u, THeadBuffer::HintData(fresh.Hint(n * 4))) << n;

  h.SetFile(Open("S.HDR", HeadFile(4)));
  EXPECT_EQ(0u, h.Hint(1));
  EXPECT_FALSE(h.Scattered());
}

// Hints take memory by the descriptors noted, not by their numbers: a few
// far into a large sheet, and a few hundred spread over a sheet of 100,000
// (which took 800 KB in chunks of the range, so that the hints of 100 such
// sheets kept past the budget of the sheets left and were made again at
// each change of sheet), take a few kilobytes.
TEST_F(CacheTest, HintsFarIntoALargeSheetTakeLittleMemory) {
  THeadBuffer h;
  const double before = testsupport::AnonymousBytes();
  const LONG numbers[] = {THeadBuffer::HINT_LIMIT / 2 - 1, THeadBuffer::HINT_LIMIT - 1,
                          THeadBuffer::HINT_LIMIT / 4 + 5};
  for (LONG n : numbers) h.NoteHint(n, 40, 50);
  EXPECT_LT(testsupport::AnonymousBytes() - before, 4.0 * (1 << 20));
  for (LONG n : numbers) EXPECT_EQ(40u, THeadBuffer::HintData(h.Hint(n))) << n;
  THeadBuffer spread;
  for (LONG n = 1; n <= 100000; n += 150) spread.NoteHint(n, 40, 50);
  EXPECT_LE(spread.HintBytes(), size_t(32) << 10);
  for (LONG n = 1; n <= 100000; n += 150) EXPECT_EQ(50u, THeadBuffer::HintSemn(spread.Hint(n)));
}

// Descriptors read backwards end their pieces at the one asked for, so a
// piece may reach into a window that holds the descriptors below it. No
// descriptor lies in two windows: a descriptor written through the cache
// is then read back as written, whichever window was used last.
TEST_F(CacheTest, HeadBufferWindowsNeverHoldADescriptorTwice) {
  const HANDLE f = Open("S.HDR", HeadFile(5 * 2048));
  THeadBuffer b;
  ASSERT_EQ(1, b.Allocate(0));  // three windows, a part of the file
  b.SetFile(f);
  ASSERT_NE(nullptr, b.RecordAddr(0));     // window 0: 0 .. 2047
  ASSERT_NE(nullptr, b.RecordAddr(8000));  // the file is larger than the windows
  // Backwards from 2100: the pieces grow down into window 0's range.
  for (LONG n = 2100; n >= 2040; --n) {
    const char* d = b.RecordAddr(n);
    ASSERT_NE(nullptr, d) << n;
    ASSERT_EQ(DWORD(n), KeyOf(d)) << n;
  }
  FVSPR d{};
  d.Key = 4242;
  b.UpdateRecord(2045, &d);
  EXPECT_EQ(4242u, KeyOf(b.RecordAddr(2045)));
  EXPECT_EQ(2050u, KeyOf(b.RecordAddr(2050)));
  EXPECT_EQ(4242u, KeyOf(b.RecordAddr(2045)));
  for (LONG n = 0; n <= 5 * 2048; ++n) {
    int holding = 0;
    for (int i = 0; i < b.WindowCount(); ++i)
      if (b.Window(i).First <= n && n <= b.Window(i).Last) ++holding;
    ASSERT_LE(holding, 1) << n;
  }
}

// Reads in every order a host makes (scattered, runs up and down, whole
// windows in order) over tables of 3 and of 32 windows: each answers its
// descriptor and no two windows ever hold the same one.
TEST_F(CacheTest, HeadBufferMixedReadsKeepWindowsApart) {
  struct Case {
    int descriptors;
    int64_t hint;
  };
  for (const Case c : {Case{5 * 2048, 0}, Case{70000, 0x800000 * 2}}) {
    const HANDLE f = Open("M" + std::to_string(c.descriptors) + ".HDR", HeadFile(c.descriptors));
    THeadBuffer b;
    ASSERT_EQ(1, b.Allocate(c.hint));
    b.SetFile(f);
    std::mt19937 random(5);
    auto read = [&](LONG n) {
      const char* d = b.RecordAddr(n);
      ASSERT_NE(nullptr, d) << n;
      ASSERT_EQ(DWORD(n), KeyOf(d)) << n;
    };
    for (int turn = 0; turn < 3000 && !HasFatalFailure(); ++turn) {
      const LONG at = LONG(1 + random() % uint32_t(c.descriptors));
      const int kind = int(random() % 4), length = int(random() % 300);
      if (kind == 0) read(at);
      for (LONG n = at; kind == 1 && n <= std::min<LONG>(at + length, c.descriptors); ++n) read(n);
      for (LONG n = at; kind == 2 && n >= std::max<LONG>(at - length, 1); --n) read(n);
      for (LONG n = at; kind == 3 && n <= std::min<LONG>(at + 5000, c.descriptors); ++n) read(n);
      for (int i = 0; i < b.WindowCount(); ++i) {
        const SHEETWINDOW& w = b.Window(i);
        for (int j = i + 1; j < b.WindowCount() && w.First <= w.Last; ++j) {
          const SHEETWINDOW& o = b.Window(j);
          ASSERT_TRUE(o.First > o.Last || o.Last < w.First || o.First > w.Last)
              << c.descriptors << ": windows " << i << " and " << j << " at turn " << turn;
        }
      }
    }
  }
}

// Windows filled in any order, scattered pieces and whole windows read in
// order, are each looked through: a record a window holds is answered from
// that window, also after the windows were emptied and exchanged.
TEST_F(CacheTest, EveryWindowFilledIsLookedThrough) {
  Bytes file(8, 0);
  std::memcpy(file.data(), "DAT", 4);
  std::vector<uint32_t> offsets;
  for (uint32_t i = 0; file.size() < 16u * TDataBuffer::WINDOW_SIZE; ++i) {
    offsets.push_back(uint32_t(file.size()));
    const Bytes m = MetricRecord(400, i);
    file.insert(file.end(), m.begin(), m.end());
  }
  const HANDLE f = Open("S.DAT", file);
  TDataBuffer b, other;
  ASSERT_EQ(1, b.Allocate(8 * TDataBuffer::WINDOW_SIZE));
  ASSERT_EQ(1, other.Allocate(8 * TDataBuffer::WINDOW_SIZE));
  b.SetFile(f);
  ASSERT_EQ(8, b.WindowCount());
  std::mt19937 random(17);
  auto scattered = [&] {
    for (int k = 0; k < 40; ++k) ASSERT_NE(nullptr, b.RecordAddr(offsets[random() % offsets.size()]));
  };
  auto inOrder = [&](size_t from, size_t count) {
    for (size_t i = from; i < from + count && i < offsets.size(); ++i)
      ASSERT_NE(nullptr, b.RecordAddr(offsets[i]));
  };
  auto expectHeld = [&](TDataBuffer& c, const char* when) {
    int held = 0;
    for (int i = 0; i < c.WindowCount(); ++i) {
      const SHEETWINDOW w = c.Window(i);
      if (w.First > w.Last) continue;
      ++held;
      for (uint32_t off : offsets) {
        if (off < w.First || off + 400 > w.Last) continue;
        ASSERT_EQ(w.Data + (off - w.First), c.RecordAddr(off)) << when << ", window " << i;
      }
    }
    EXPECT_GT(held, 0) << when;
  };
  scattered();
  expectHeld(b, "pieces");
  inOrder(offsets.size() / 2, 4000);
  scattered();
  expectHeld(b, "pieces and windows");
  b.Reset();
  inOrder(0, 3000);
  expectHeld(b, "after emptying");
  b.Swap(other);
  expectHeld(other, "exchanged");
  b.SetFile(f);
  scattered();
  expectHeld(b, "the table exchanged in");
}
