// Reading the objects of a sheet: descriptors by number and along the
// chain, the records they point at, direct descriptor reads, and the sheet
// frame object.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <utility>

#include "common/maperr.h"
#include "mapstore/maplist.h"
#include "support/sheetbuilder.h"

using namespace sheettest;

namespace {

class ObjRead : public ::testing::Test {
 protected:
  // Object 1 an area with all records, 2 a line, 3 a point without metric
  // records of its own but a semantics record, 4 a line without records.
  void SetUp() override {
    sheet.Add(LOCAL_POLYGON, MetricRecord(64, 1), SemnRecord(40), DrawRecord(40));
    sheet.Add(LOCAL_LINE, MetricRecord(1024, 2), SemnRecord(60, 0x33), DrawRecord(50, 0x44));
    sheet.Add(LOCAL_POINT, {}, SemnRecord(12));
    sheet.Add(LOCAL_LINE, MetricRecord(24, 4));
  }
  void Open() {
    sheet.Write(dir.path(), TestMap::Base(1));
    ASSERT_EQ(1, list.Open(&map, 1));
  }
  // Marks object n as the sheet frame (classifier index 15).
  void MakeFrame(int n, bool deleted = false) {
    FVSPR& d = *reinterpret_cast<FVSPR*>(sheet.hdr.data() + n * 48);
    d.Code = 15;
    if (deleted) d.Flags |= FVSPR_DELETED;
  }

  SheetFolder dir{MC_TEST_TMP};
  TestMap map{dir.path(), 1};
  SheetBuilder sheet;
  TMapList list;
};

}  // namespace

TEST_F(ObjRead, DescriptorsByNumberBecomeCurrent) {
  Open();
  EXPECT_EQ(4, list.Count());
  EXPECT_EQ(4, list.ObjectCount());
  FVSPR* d2 = list.ObjectDesc(2);
  ASSERT_NE(nullptr, d2);
  EXPECT_EQ(0, std::memcmp(d2, &sheet.Desc(2), 48));
  EXPECT_EQ(2, list.CurrentObject);
  // Asked again: the same address without a lookup, even after the window
  // that held it was emptied.
  list.HeadBuffer.Reset();
  EXPECT_EQ(d2, list.ObjectDesc(2));
  // 0 and negative numbers clear the current object.
  EXPECT_EQ(nullptr, list.ObjectDesc(0));
  EXPECT_EQ(0, list.CurrentObject);
  EXPECT_EQ(nullptr, list.CurrentDesc);
  EXPECT_EQ(nullptr, list.ObjectDesc(-3));
  // A number beyond the file.
  EXPECT_EQ(nullptr, list.ObjectDesc(5));
  EXPECT_EQ(0, list.CurrentObject);
}

TEST_F(ObjRead, ChainWalksBothWays) {
  Open();
  std::vector<int> forward;
  for (FVSPR* d = list.FirstHead(); d != nullptr; d = list.NextHead())
    forward.push_back(list.CurrentObject);
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), forward);
  // Past the end: no current object, and no further step.
  EXPECT_EQ(0, list.CurrentObject);
  EXPECT_EQ(nullptr, list.NextHead());
  EXPECT_EQ(nullptr, list.PrevHead());
  std::vector<int> backward;
  for (FVSPR* d = list.GetLastHead(); d != nullptr; d = list.PrevHead())
    backward.push_back(list.CurrentObject);
  EXPECT_EQ((std::vector<int>{4, 3, 2, 1}), backward);
  EXPECT_NE(nullptr, list.GetFirstHead());
  EXPECT_EQ(1, list.CurrentObject);
}

TEST_F(ObjRead, RecordsAreReadWhereTheDescriptorsPoint) {
  Open();
  const LONGMETRIC* m = list.ObjectDataAddr(2);
  ASSERT_NE(nullptr, m);
  EXPECT_EQ(0, std::memcmp(m, sheet.dat.data() + sheet.Desc(2).DataOffset, 1024));
  const SEMANTIC* s = list.ObjectSemnAddr(2);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(60, s->Length);
  EXPECT_EQ(0x33, reinterpret_cast<const BYTE*>(s)[10]);
  const IMGDRAW* g = list.ObjectDrawAddr(2);
  ASSERT_NE(nullptr, g);
  EXPECT_EQ(50u, g->Length);
  // Records that are not stored, and offset 0.
  EXPECT_EQ(nullptr, list.ObjectDataAddr(3));
  EXPECT_NE(nullptr, list.ObjectSemnAddr(3));
  EXPECT_EQ(nullptr, list.ObjectDrawAddr(4));
  EXPECT_EQ(nullptr, list.ObjectDataAddr(9));
  EXPECT_EQ(nullptr, list.DataAddr(0));
  EXPECT_EQ(nullptr, list.SemnAddr(0));
  EXPECT_EQ(nullptr, list.DrawAddr(0));
  // An offset that holds no record.
  EXPECT_EQ(nullptr, list.DataAddr(3));
  EXPECT_EQ(nullptr, list.DrawAddr(1000000));
}

TEST_F(ObjRead, DirectDescriptorReadsBypassTheCache) {
  Open();
  FVSPR d;
  ASSERT_EQ(0, list.ReadObjectDesc(0, &d));
  HDRHEAD head;
  std::memcpy(&head, &d, 48);
  EXPECT_EQ(HDR_IDENT, head.Ident);
  EXPECT_EQ(4, head.Count);
  ASSERT_EQ(0, list.ReadObjectDesc(4, &d));
  EXPECT_EQ(0, std::memcmp(&d, &sheet.Desc(4), 48));
  EXPECT_EQ(MAPERR_DATA, list.ReadObjectDesc(5, &d));
  EXPECT_EQ(MAPERR_DATA, list.GetError());
  EXPECT_EQ(MAPERR_DATA, list.ReadObjectDesc(-1, &d));
  EXPECT_EQ(MAPERR_INPUT, list.ReadObjectDesc(1, nullptr));
  // A file shorter than its count.
  list.Head.Count = 10;
  EXPECT_EQ(MAPERR_READ, list.ReadObjectDesc(7, &d));
  EXPECT_EQ(MAPERR_READ, list.GetError());
}

TEST_F(ObjRead, FrameObjectIsFoundOnceAndKept) {
  MakeFrame(3);
  Open();
  EXPECT_EQ(3, list.GetListFrameNumber());
  EXPECT_EQ(3, map.List(1)->FrameObject);
  FVSPR* frame = list.GetFrameDesc();
  ASSERT_NE(nullptr, frame);
  EXPECT_EQ(3, list.CurrentObject);
  EXPECT_EQ(15, frame->Code);
}

TEST_F(ObjRead, DeletedFrameIsNoFrameAndTheAnswerIsKept) {
  MakeFrame(2, true);
  Open();
  EXPECT_EQ(0, list.GetListFrameNumber());
  EXPECT_EQ(-1, map.List(1)->FrameObject);
  EXPECT_EQ(nullptr, list.GetFrameDesc());
  // Known to have none: no search the next time, even if a frame appears.
  list.ObjectDesc(4)->Code = 15;
  EXPECT_EQ(0, list.GetListFrameNumber());
  // A cache naming an object that is no longer a frame searches again.
  map.List(1)->FrameObject = 1;
  EXPECT_EQ(4, list.GetListFrameNumber());
}

TEST_F(ObjRead, FrameSearchStopsAtAShortFile) {
  Open();
  list.Head.Count = 50;
  EXPECT_EQ(0, list.GetListFrameNumber());
  // Without an open sheet nothing is asked.
  TMapList closed;
  EXPECT_EQ(0, closed.GetListFrameNumber());
  EXPECT_EQ(nullptr, closed.ObjectDesc(1));
  EXPECT_EQ(nullptr, closed.FirstHead());
}

// A sheet too large for its caches, read by number in a scattered order:
// the records come whole where the descriptors name them, also once they
// have moved since the first reads (the places learned then are stale),
// and a metric file cut short under the views gives no record past the
// cut and no fault.
TEST(ObjReadLarge, ScatteredReadsFollowTheDescriptors) {
  SheetFolder dir{MC_TEST_TMP};
  TestMap map{dir.path(), 2};  // two sheets: small caches
  SheetBuilder sheet;
  const int count = 20000;
  for (int n = 1; n <= count; ++n)
    sheet.Add(LOCAL_LINE, MetricRecord(16 + 8 * (1 + n % 9), n),
              SemnRecord(12 + 2 * (n % 5), uint8_t(n)));
  sheet.Write(dir.path(), TestMap::Base(1));
  TMapList list;
  ASSERT_EQ(1, list.Open(&map, 1));

  // Object n holds the records object `from` was built with.
  auto check = [&](int n, int from) {
    const FVSPR& d = sheet.Desc(from);
    const LONGMETRIC* m = list.ObjectDataAddr(n);
    const SEMANTIC* s = list.ObjectSemnAddr(n);
    ASSERT_NE(nullptr, m) << n;
    ASSERT_NE(nullptr, s) << n;
    const uint32_t length = 16 + 8 * (1 + from % 9);
    EXPECT_EQ(0, std::memcmp(m, sheet.dat.data() + d.DataOffset, length)) << n;
    EXPECT_EQ(0, std::memcmp(s, sheet.sem.data() + d.SemnOffset, 12 + 2 * (from % 5))) << n;
  };
  auto scattered = [&](auto&& each) {
    for (int i = 0; i < count; ++i) each(1 + int((int64_t(i) * 7919) % count));
  };
  for (int pass = 0; pass < 2; ++pass) scattered([&](int n) { check(n, n); });
  EXPECT_TRUE(list.HeadBuffer.Scattered());
  EXPECT_NE(0u, list.HeadBuffer.Hint(2));

  // Each pair of neighbours trades records in the file, under the views.
  Bytes hdr = sheet.hdr;
  for (int n = 1; n + 1 <= count; n += 2) {
    FVSPR* a = reinterpret_cast<FVSPR*>(hdr.data() + 48 * n);
    FVSPR* b = reinterpret_cast<FVSPR*>(hdr.data() + 48 * (n + 1));
    std::swap(a->DataOffset, b->DataOffset);
    std::swap(a->SemnOffset, b->SemnOffset);
  }
  WriteFile(dir.path() + TestMap::Base(1) + ".HDR", hdr);
  list.HeadBuffer.Reset();
  list.ObjectDesc(0);
  scattered([&](int n) { check(n, n % 2 == 1 ? n + 1 : n - 1); });

  // The metric file cut to its first page.
  const DWORD cut = 4096;
  std::filesystem::resize_file(dir.path() + TestMap::Base(1) + ".DAT", cut);
  list.DataBuffer.Reset();
  list.ObjectDesc(0);
  // The first read past the cut: its records are fetched where they were.
  EXPECT_EQ(nullptr, list.ObjectDataAddr(count - 1));
  int whole = 0;
  scattered([&](int n) {
    const LONGMETRIC* m = list.ObjectDataAddr(n);
    const FVSPR* d = list.ObjectDesc(n);
    ASSERT_NE(nullptr, d);
    if (d->DataOffset + 16 > cut) {
      EXPECT_EQ(nullptr, m) << n;
    }
    if (m != nullptr) ++whole;
  });
  EXPECT_GT(whole, 10);
}
