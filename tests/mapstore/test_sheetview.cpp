// Reading the sheet files through their views: the bytes read are the
// file's wherever the view ends and however the file grows, a file cut
// short under a view gives a short read and no fault, and reads in a
// scattered order deliver every record whole, through a view or without
// one, in files larger than the caches hold; a view shelved serves its file
// opened again.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "mapstore/sheetcache.h"
#include "mapstore/sheetfile.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/systemcalls.h"
#include "platform/vfs_fault.h"
#include "support/sheetbuilder.h"

using namespace sheettest;

namespace {

Bytes Random(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes b(size);
  for (char& c : b) c = char(random());
  return b;
}

class SheetViewTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (HANDLE h : open_) plat::CloseHandle(h);
  }
  HANDLE Open(const std::string& name, const Bytes& bytes, DWORD access = GENERIC_READ) {
    if (!bytes.empty()) WriteFile(dir / name, bytes);
    HANDLE h = plat::CreateFileA((dir / name).c_str(), access, 3, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, h) << name;
    open_.push_back(h);
    return h;
  }
  // Reads `size` bytes at `offset` through the view and checks them
  // against `file`.
  static void ExpectRead(TSheetView& view, HANDLE h, const Bytes& file, int64_t offset,
                         int64_t size) {
    Bytes got(size_t(size) + 1, 0);
    const int64_t want =
        std::max<int64_t>(0, std::min<int64_t>(size, int64_t(file.size()) - offset));
    ASSERT_EQ(want, view.Read(h, offset, got.data(), size)) << offset << " " << size;
    EXPECT_EQ(0, std::memcmp(got.data(), file.data() + std::min<int64_t>(offset, file.size()),
                             size_t(want)))
        << offset << " " << size;
  }

  SheetFolder dir{MC_TEST_TMP};
  std::vector<HANDLE> open_;
};

TEST_F(SheetViewTest, ReadsWhatTheFileHoldsAsItGrows) {
  Bytes file = Random(100000, 1);
  const HANDLE h = Open("S.DAT", file, GENERIC_READ | GENERIC_WRITE);
  std::mt19937 random(2);
  TSheetView view;
  for (int i = 0; i < 40; ++i)
    ExpectRead(view, h, file, random() % (file.size() + 1000), 1 + random() % 5000);
  EXPECT_EQ(int64_t(file.size()), view.Length());  // mapped after a few reads

  // Grown through the handle: the new bytes come from the file, then, the
  // file grown by more than 64 KB, from the view mapped again; bytes
  // rewritten inside the view read anew.
  const Bytes more = Random(70000, 3);
  ASSERT_TRUE(plat::WriteExactAt(h, int64_t(file.size()), more.data(), DWORD(more.size())));
  file.insert(file.end(), more.begin(), more.end());
  for (int i = 0; i < 40; ++i)
    ExpectRead(view, h, file, 95000 + random() % 80000, 1 + random() % 3000);
  EXPECT_EQ(int64_t(file.size()), view.Length());
  ASSERT_TRUE(plat::WriteExactAt(h, 10, more.data(), 500));
  std::memcpy(file.data() + 10, more.data(), 500);
  ExpectRead(view, h, file, 0, 1000);
}

// A view shelved is taken by the first read of the same file through
// another handle, and shows what was written since; a file replaced under
// the name takes nothing from the shelf.
TEST_F(SheetViewTest, AShelvedViewServesTheSameFileOpenedAgainOnly) {
  Bytes file = Random(100000, 11);
  const HANDLE first = Open("S.DAT", file);
  TSheetView view;
  for (int i = 0; i < 20; ++i) ExpectRead(view, first, file, i * 1000, 100);
  ASSERT_EQ(int64_t(file.size()), view.Length());
  view.Shelve();
  EXPECT_EQ(0, view.Length());

  const HANDLE again = Open("S.DAT", {}, GENERIC_READ | GENERIC_WRITE);
  const Bytes more = Random(500, 12);
  ASSERT_TRUE(plat::WriteExactAt(again, 10, more.data(), DWORD(more.size())));
  std::memcpy(file.data() + 10, more.data(), more.size());
  TSheetView taken;
  ExpectRead(taken, again, file, 0, 1000);
  EXPECT_EQ(int64_t(file.size()), taken.Length());
  taken.Shelve();

  const Bytes other = Random(100000, 13);
  WriteFile(dir / "T.DAT", other);
  ASSERT_TRUE(plat::MoveFileExA((dir / "T.DAT").c_str(), (dir / "S.DAT").c_str(),
                                MOVEFILE_REPLACE_EXISTING));
  const HANDLE replaced = Open("S.DAT", {});
  TSheetView fresh;
  // A file with no view on the shelf asks its file system nothing for it,
  // though the shelf holds the views of others.
  const uint64_t stats = plat::SystemCalls().stat;
  ExpectRead(fresh, replaced, other, 0, 1000);
  EXPECT_EQ(stats, plat::SystemCalls().stat);
  EXPECT_EQ(0, fresh.Length());
}

// Views shelved and taken back over and over beside views shelved once
// leave the latter on the shelf: the shelf lets its views go only past its
// bounds, however often others come and go.
TEST_F(SheetViewTest, ViewsComingAndGoingLeaveTheOthersShelved) {
  const Bytes file = Random(20000, 21);
  auto shelveAfterReads = [&](HANDLE h) {
    TSheetView view;
    for (int i = 0; i < 20; ++i) ExpectRead(view, h, file, i * 500, 100);
    ASSERT_EQ(int64_t(file.size()), view.Length());
    view.Shelve();
  };
  std::vector<std::string> kept;
  for (int k = 0; k < 8; ++k) {
    kept.push_back("K" + std::to_string(k) + ".DAT");
    ASSERT_NO_FATAL_FAILURE(shelveAfterReads(Open(kept.back(), file)));
  }
  const HANDLE busy = Open("B.DAT", file);
  ASSERT_NO_FATAL_FAILURE(shelveAfterReads(busy));
  for (int round = 0; round < 300; ++round) {
    TSheetView taken;
    ExpectRead(taken, busy, file, 0, 100);
    ASSERT_EQ(int64_t(file.size()), taken.Length()) << round;
    taken.Shelve();
  }
  // Each file opened again is served by its view at the first read.
  for (const std::string& name : kept) {
    TSheetView again;
    ExpectRead(again, Open(name, {}), file, 0, 100);
    EXPECT_EQ(int64_t(file.size()), again.Length()) << name;
  }
}

TEST_F(SheetViewTest, AFileCutShortUnderTheViewGivesAShortRead) {
  const Bytes file = Random(256 * 1024, 4);
  const HANDLE h = Open("S.DAT", file);
  TSheetView view;
  for (int i = 0; i < 20; ++i) ExpectRead(view, h, file, i * 1000, 100);
  ASSERT_EQ(int64_t(file.size()), view.Length());

  // Another writer cuts the file: bytes past the cut are gone.
  const HANDLE other = Open("S.DAT", {}, GENERIC_READ | GENERIC_WRITE);
  ASSERT_TRUE(plat::SetFileLength(other, 5000));
  char buffer[200];
  EXPECT_EQ(0, view.Read(h, 200000, buffer, 100));
  EXPECT_EQ(0, view.Length());
  EXPECT_EQ(100, view.Read(h, 4900, buffer, 200));
  EXPECT_EQ(0, std::memcmp(buffer, file.data() + 4900, 100));

  // The caches answer as for any short file.
  TDataBuffer data;
  ASSERT_EQ(1, data.Allocate(0));
  data.SetFile(h);
  EXPECT_EQ(nullptr, data.RecordAddr(100000));
}

// The same in a child process, for every guarded access (a touch, a read,
// a write and a read back through a writable view), so that a guard the
// optimiser undid shows as this test's failure, not as a bus error ending
// the whole program. The child's exit code has a bit per access that
// faulted no bus error but answered wrong.
TEST_F(SheetViewTest, AccessesPastACutAnswerFalseInsteadOfABusError) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child works on this process's views
  const Bytes file = Random(256 * 1024, 7);
  const HANDLE h = Open("S.DAT", file, GENERIC_READ | GENERIC_WRITE);
  TSheetView view;
  for (int i = 0; i < 20; ++i) ExpectRead(view, h, file, i * 1000, 100);
  ASSERT_EQ(int64_t(file.size()), view.Length());
  TSheetWriteView writer;
  ASSERT_TRUE(writer.Start(h));

  auto accessPastTheCut = [&] {
    if (!plat::SetFileLength(h, 5000)) _exit(64);
    char buffer[100] = {};
    int wrong = 0;
    if (TouchViews(view.At(4000), view.At(200000), nullptr)) wrong |= 1;
    if (view.Read(h, 200000, buffer, 100) != 0) wrong |= 2;
    if (writer.Write(200000, buffer, sizeof(buffer))) wrong |= 4;
    if (writer.Read(200000, buffer, sizeof(buffer))) wrong |= 8;
    _exit(wrong);
  };
  EXPECT_EXIT(accessPastTheCut(), ::testing::ExitedWithCode(0), "");
  writer.Finish();
}

// Records of every size at scattered offsets of a metric, semantics and
// descriptor file several times the caches' size, read in a random order
// twice over, with and without views.
TEST_F(SheetViewTest, ScatteredReadsDeliverEveryRecordWhole) {
  std::mt19937 random(5);
  Bytes dat(8, 0), sem(4, 0);
  std::memcpy(dat.data(), "DAT", 4);
  std::memcpy(sem.data(), "SEM", 4);
  std::vector<std::pair<uint32_t, Bytes>> metrics, semantics;
  for (int i = 0; i < 400; ++i) {
    const uint32_t lengths[] = {16 + 8 * uint32_t(random() % 40),
                                704 + 8 * uint32_t(random() % 400), 300000};
    const uint32_t length = lengths[i % 25 == 0 ? 2 : i % 3 == 0 ? 1 : 0];
    const uint32_t at = uint32_t(PlaceDataRecord(dat.size(), METRIC_F32, length));
    dat.resize(at, 0);
    metrics.emplace_back(at, MetricRecord(length, i));
    dat.insert(dat.end(), metrics.back().second.begin(), metrics.back().second.end());
    dat.resize(dat.size() + random() % 5000, 0);

    const uint32_t semLength = 4 + 2 * uint32_t(random() % (i % 7 == 0 ? 8000 : 60));
    const uint32_t semAt = uint32_t(PlaceSemnRecord(sem.size(), semLength));
    sem.resize(semAt, 0);
    semantics.emplace_back(semAt, SemnRecord(semLength, uint8_t(i)));
    sem.insert(sem.end(), semantics.back().second.begin(), semantics.back().second.end());
  }
  Bytes hdr(48 * 20001, 0);
  for (int n = 1; n <= 20000; ++n) {
    FVSPR d{};
    d.Key = DWORD(n);
    std::memcpy(hdr.data() + 48 * n, &d, sizeof(d));
  }
  const HANDLE datFile = Open("S.DAT", dat);
  const HANDLE semFile = Open("S.SEM", sem);
  const HANDLE hdrFile = Open("S.HDR", hdr);

  for (const bool viewed : {true, false}) {
    plat::FaultVfs filter;
    std::unique_ptr<plat::ScopedVfs> use;
    if (!viewed) use = std::make_unique<plat::ScopedVfs>(&filter);
    TDataBuffer data;
    ASSERT_EQ(1, data.Allocate(4 * TDataBuffer::WINDOW_SIZE));
    data.SetFile(datFile);
    TBlockBuffer semn(TBlockBuffer::RECORD_SEMN);
    ASSERT_EQ(1, semn.Allocate(2 * TBlockBuffer::WINDOW_SIZE));
    semn.SetFile(semFile);
    THeadBuffer head;
    ASSERT_EQ(1, head.Allocate(0));
    head.SetFile(hdrFile);
    for (int pass = 0; pass < 2; ++pass) {
      std::vector<int> order(metrics.size());
      for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
      std::shuffle(order.begin(), order.end(), random);
      for (int i : order) {
        const char* m = data.RecordAddr(metrics[i].first);
        ASSERT_NE(nullptr, m) << viewed << " metric " << i;
        ASSERT_EQ(0, std::memcmp(m, metrics[i].second.data(), metrics[i].second.size()))
            << viewed << " metric " << i;
        const char* s = semn.RecordAddr(semantics[i].first);
        ASSERT_NE(nullptr, s) << viewed << " semantics " << i;
        ASSERT_EQ(0, std::memcmp(s, semantics[i].second.data(), semantics[i].second.size()))
            << viewed << " semantics " << i;
        const LONG n = 1 + LONG(random() % 20000);
        const char* d = head.RecordAddr(n);
        ASSERT_NE(nullptr, d) << viewed << " descriptor " << n;
        ASSERT_EQ(DWORD(n), reinterpret_cast<const FVSPR*>(d)->Key) << viewed;
      }
    }
    // Past the ends: nothing.
    EXPECT_EQ(nullptr, data.RecordAddr(DWORD(dat.size())));
    EXPECT_EQ(nullptr, semn.RecordAddr(DWORD(sem.size())));
    EXPECT_EQ(nullptr, head.RecordAddr(20001));
  }
}

// A look at a metric record of a file read by pieces: the record's own
// bytes copied from the view, the windows and the reads left as they were;
// from a window when one holds it; nothing (read it through RecordAddr)
// for a cache that does not read by pieces, a record the view does not
// hold whole, one longer than the room given, a damaged head, a file cut
// short, or views not allowed.
TEST_F(SheetViewTest, ALookAtARecordTakesItsOwnBytesFromTheView) {
  Bytes dat(8, 0);
  std::memcpy(dat.data(), "DAT", 4);
  std::vector<std::pair<uint32_t, Bytes>> records;
  for (int i = 0; i < 300; ++i) {
    const uint32_t length = i == 150 ? 6000 : 704 + 8 * uint32_t(i % 13);
    records.emplace_back(uint32_t(dat.size()), MetricRecord(length, i));
    dat.insert(dat.end(), records.back().second.begin(), records.back().second.end());
  }
  const uint32_t damaged = uint32_t(dat.size());
  const uint32_t wrongMarker[2] = {0x12345678, 40};
  dat.resize(dat.size() + 64, 0);
  std::memcpy(dat.data() + damaged, wrongMarker, 8);
  const HANDLE h = Open("S.DAT", dat, GENERIC_READ | GENERIC_WRITE);
  TDataBuffer data;
  ASSERT_EQ(1, data.Allocate(0));
  data.SetFile(h);
  data.ReadByPieces(true);
  alignas(8) char scratch[4096];
  // No view before the file was read a few times.
  EXPECT_EQ(nullptr, data.LookAtRecord(records[10].first, scratch, sizeof(scratch)));
  for (int i = 0; i < 300; i += 7) ASSERT_NE(nullptr, data.RecordAddr(records[size_t(i)].first));
  ASSERT_NE(nullptr, data.ViewAt(records[1].first));

  auto windows = [&] {
    std::vector<int64_t> held;
    for (int i = 0; i < data.WindowCount(); ++i)
      held.insert(held.end(), {data.Window(i).First, data.Window(i).Last});
    held.push_back(data.CurrentWindow());
    return held;
  };
  const std::vector<int64_t> before = windows();
  for (int i = 1; i < 300; i += 7) {
    const auto& [at, bytes] = records[size_t(i)];
    const char* look = data.LookAtRecord(at, scratch, sizeof(scratch));
    ASSERT_EQ(scratch, look) << i;
    EXPECT_EQ(0, std::memcmp(look, bytes.data(), bytes.size())) << i;
  }
  EXPECT_EQ(before, windows());
  // Held by a window: that window's bytes.
  const char* held = data.RecordAddr(records[21].first);
  ASSERT_NE(nullptr, held);
  EXPECT_EQ(held, data.LookAtRecord(records[21].first, scratch, sizeof(scratch)));
  // A cache that keeps what it reads for the next asks reads instead.
  data.ReadByPieces(false);
  EXPECT_EQ(nullptr, data.LookAtRecord(records[21].first, scratch, sizeof(scratch)));
  EXPECT_EQ(nullptr, data.LookAtRecord(records[22].first, scratch, sizeof(scratch)));
  data.ReadByPieces(true);
  // Longer than the room, or a head that is no metric record's.
  EXPECT_EQ(nullptr, data.LookAtRecord(records[150].first, scratch, sizeof(scratch)));
  EXPECT_EQ(nullptr, data.LookAtRecord(damaged, scratch, sizeof(scratch)));
  EXPECT_EQ(nullptr, data.LookAtRecord(0, scratch, sizeof(scratch)));

  // A record written past the view's end is read through the cache.
  const Bytes later = MetricRecord(800, 7);
  const uint32_t laterAt = uint32_t(dat.size());
  ASSERT_TRUE(plat::WriteExactAt(h, laterAt, later.data(), DWORD(later.size())));
  EXPECT_EQ(nullptr, data.LookAtRecord(laterAt, scratch, sizeof(scratch)));
  const char* read = data.RecordAddr(laterAt);
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(0, std::memcmp(read, later.data(), later.size()));

  // Views not allowed: the look gives nothing.
  {
    plat::FaultVfs filter;
    plat::ScopedVfs use(&filter);
    EXPECT_EQ(nullptr, data.LookAtRecord(records[50].first, scratch, sizeof(scratch)));
  }
  // Cut short under the view: nothing, no fault.
  ASSERT_TRUE(plat::SetFileLength(h, records[200].first));
  EXPECT_EQ(nullptr, data.LookAtRecord(records[250].first, scratch, sizeof(scratch)));
  EXPECT_EQ(nullptr, data.RecordAddr(records[250].first));
}

// Files the windows can hold whole, read in a random order (the first read
// inside the first window's stretch, as a walk in order from there
// begins): after one pass every record comes from the windows.
TEST_F(SheetViewTest, AFileTheWindowsHoldIsReadOnce) {
  Bytes dat(8, 0), sem(4, 0);
  std::memcpy(dat.data(), "DAT", 4);
  std::memcpy(sem.data(), "SEM", 4);
  std::vector<uint32_t> metrics, semantics;
  for (int i = 0; i < 4000; ++i) {
    const Bytes m = MetricRecord(176, i);
    metrics.push_back(uint32_t(dat.size()));
    dat.insert(dat.end(), m.begin(), m.end());
    const Bytes r = SemnRecord(60, uint8_t(i));
    const uint32_t at = uint32_t(PlaceSemnRecord(sem.size(), 60));
    sem.resize(at, 0);
    semantics.push_back(at);
    sem.insert(sem.end(), r.begin(), r.end());
  }
  const HANDLE datFile = Open("S.DAT", dat);
  const HANDLE semFile = Open("S.SEM", sem);
  const HANDLE hdrFile = Open("S.HDR", Bytes(48 * 6001, 0));

  plat::FaultVfs counter;  // counts the reads (and keeps views out)
  plat::ScopedVfs use(&counter);
  TDataBuffer data;
  ASSERT_EQ(1, data.Allocate(int64_t(dat.size())));
  data.SetFile(datFile);
  TBlockBuffer semn(TBlockBuffer::RECORD_SEMN);
  ASSERT_EQ(1, semn.Allocate(4 * TBlockBuffer::WINDOW_SIZE));
  semn.SetFile(semFile);
  THeadBuffer head;
  ASSERT_EQ(1, head.Allocate(48 * 6001));
  head.SetFile(hdrFile);
  std::mt19937 random(6);
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<int> order(metrics.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::shuffle(order.begin(), order.end(), random);
    std::swap(order[0], *std::find(order.begin(), order.end(), 500));
    counter.Reset();
    for (int i : order) {
      ASSERT_NE(nullptr, data.RecordAddr(metrics[i])) << pass << " " << i;
      ASSERT_NE(nullptr, semn.RecordAddr(semantics[i])) << pass << " " << i;
      ASSERT_NE(nullptr, head.RecordAddr(1 + LONG(random() % 6000))) << pass;
    }
    // The first pass reads each stretch, and some twice for the records
    // that cross into the next stretch (read into the window after).
    const int windows = data.WindowCount() + semn.WindowCount() + head.WindowCount();
    if (pass == 0) {
      EXPECT_LE(counter.Count(plat::VfsOp::Read), 2 * windows);
    } else {
      EXPECT_EQ(0, counter.Count(plat::VfsOp::Read));
    }
  }
}

// Guards a copy and a touch, then raises a bus error outside both.
void BusErrorAfterGuards() {
  char from[8] = {1}, to[8];
  CopyFromView(to, from, sizeof(from));
  TouchViews(from, nullptr, nullptr);
  raise(SIGBUS);
}

// A bus error outside a guarded copy still reaches the handler that was
// there before the guard (in a fresh process, so that the guard is
// installed over it).
TEST(SheetViewGuard, ABusErrorOutsideACopyGoesToTheHandlerBefore) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT((signal(SIGBUS, [](int) { _exit(7); }), BusErrorAfterGuards()),
              ::testing::ExitedWithCode(7), "");
}

}  // namespace
