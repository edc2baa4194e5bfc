// Saving a classifier: the layout of the written file against the byte
// builder, round trips, the save stamp, deleted objects, series sharing,
// and failures that must leave the previous classifier in place.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "classifier/maprsc.h"
#include "classifier/rscwrite.h"
#include "common/messages.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "support/host_recorder.h"
#include "support/rscbuilder.h"
#include "support/rscfixture.h"

namespace {

using rsctest::Builder;
using rsctest::Bytes;
using rsctest::Get32;

// The fixture with something in every table: values and defaults, layer
// codes, a series of two kinds sharing their POS and LIM records, printer
// images, relations, value-dependent images and a library.
Builder Rich(int extraObjects = 0) {
  Builder b = Builder::Minimal();
  rsctest::Semantic& s = b.AddSemantic(4, 1, "KIND", "KIND");
  s.values = {{1, "ONE"}, {2, "TWO"}, {3, "THREE"}};
  s.defaults = {{0, 0, 1, 3}, {16, 1, 2, 3}};
  b.AddSemantic(9, 0, "NAME", "NAME");
  rsctest::Layer roads;
  roads.name = "ROADS";
  roads.shortName = "ROADS";
  roads.number = 1;
  roads.order = 3;
  roads.codes = {4, 9};
  b.layers.push_back(roads);
  rsctest::Object& road = b.AddObject(100, 0, "ROAD");
  road.segment = 1;
  road.relations = {{1, 9, "N", 1}, {2, 4, "K", 2}};
  rsctest::Object& s1 = b.AddObject(200, 1, "LAKE SMALL");
  s1.series = 1;
  rsctest::Object& s2 = b.AddObject(200, 1, "LAKE BIG");
  s2.series = 2;
  for (int i = 0; i < extraObjects; i++) b.AddObject(1000 + i, 2, "POINT " + std::to_string(i));
  const uint32_t count = uint32_t(b.objects.size());
  for (uint32_t n = 16; n <= count; n++) {
    b.par.push_back(rsctest::DefaultImage(uint16_t(n), b.objects[n - 1].local));
    if (b.objects[n - 1].series == 2) continue;  // the series shares one POS record
    rsctest::Pos p;
    p.excode = b.objects[n - 1].excode;
    p.local = b.objects[n - 1].local;
    p.must = {4};
    p.possible = {9, 32800};
    b.pos.push_back(p);
  }
  rsctest::Limit lim;
  lim.excode = 200;
  lim.local = 1;
  lim.code1 = 4;
  lim.values1 = {0, 10, 100};
  lim.variants = {1, 2, 2};
  b.limits.push_back(lim);
  b.prn.push_back(rsctest::DefaultImage(16, 0));
  rsctest::Grs g;
  g.number = 1;
  g.code = 4;
  g.value = 2;
  g.items = {{128, Bytes(8, 1)}, {135, Bytes(4, 2)}};
  b.grs.push_back(g);
  rsctest::Library lib;
  lib.file = "SIGNS.IML";
  lib.name = "SIGNS";
  lib.code = 7;
  b.libraries.push_back(lib);
  return b;
}

// The bytes with the save stamp (offset 20) cleared.
Bytes Unstamped(Bytes bytes) {
  if (bytes.size() >= 24) rsctest::Put32(bytes, 20, 0);
  return bytes;
}

class RscWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    plat::fault::Reset();
    oldMessages_ = MessageEnableSet(1);
    folder_ = rsctest::TestFolder("writer_");
    path_ = folder_ + "test.rsc";
    backup_ = folder_ + "test.~RS";
    std::remove(backup_.c_str());
  }
  void TearDown() override {
    plat::fault::Reset();
    MessageEnableSet(oldMessages_);
  }
  Bytes Put(const Bytes& bytes) {
    EXPECT_TRUE(rsctest::WriteBytes(path_, bytes));
    return bytes;
  }
  Bytes File() const { return rsctest::ReadBytes(path_); }

  std::string folder_, path_, backup_;
  int oldMessages_ = 1;
  mctest::RecordingMessageBox boxes_;
};

TEST_F(RscWriter, FixtureRoundTripsByteForByte) {
  Builder b = Rich();
  b.head.mode = 41;
  const Bytes fixture = Put(b.Build());
  {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
    ASSERT_EQ(0, rsc.IsModify());
    ASSERT_EQ(1, rsc.Save(1));
    EXPECT_EQ(0, rsc.IsModify());
    EXPECT_EQ(42u, rsc.Head.Mode);
  }
  const Bytes saved = File();
  ASSERT_EQ(fixture.size(), saved.size());
  EXPECT_EQ(42u, Get32(saved, 20));
  EXPECT_EQ(336u, Get32(saved, 120));
  EXPECT_EQ(rsctest::Tag(rsctest::OBJ), Get32(saved, 332));
  EXPECT_TRUE(Unstamped(fixture) == Unstamped(saved));
  // The backup holds the file as it was before the save.
  EXPECT_TRUE(rsctest::ReadBytes(backup_) == fixture);

  // Reopened, the classifier has the same tables; saved again, the same bytes.
  {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
    EXPECT_EQ(int(b.objects.size()), rsc.GetObjCount());
    EXPECT_EQ(int(b.semantics.size()), rsc.GetSemCount());
    EXPECT_EQ(2, rsc.GetSegCount());
    const int n = rsc.GetObjCount();
    EXPECT_EQ(rsc.ObjIndex[n].Pos, rsc.ObjIndex[n - 1].Pos);
    EXPECT_EQ(rsc.ObjIndex[n].Lim, rsc.ObjIndex[n - 1].Lim);
    EXPECT_NE(nullptr, rsc.ObjIndex[n].Lim);
    ASSERT_EQ(1, rsc.Save(1));
    // A series member keeps its flags after a save, so a second save in the
    // same session writes the same tables again.
    EXPECT_NE(0, rsc.ObjIndex[n].Flags & RSCINDEX_SERIES);
    const Bytes first = File();
    ASSERT_EQ(1, rsc.Save(1));
    EXPECT_TRUE(Unstamped(first) == Unstamped(File()));
    EXPECT_EQ(Get32(first, 20) + 1, Get32(File(), 20));
  }
  EXPECT_TRUE(Unstamped(fixture) == Unstamped(File()));
}

TEST_F(RscWriter, EditedTablesInThePoolAreSaved) {
  Put(Rich().Build());
  int n = 0;
  {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
    RSCOBJ obj{};
    obj.Excode = 777;
    obj.Local = LOCAL_POINT;
    std::strcpy(obj.Name, "WELL");
    n = rsc.AppendObject(&obj, 1);
    ASSERT_GT(n, 0);
    ASSERT_EQ(1, rsc.CreateDefaultView(n));
    RSCSEM sem{};
    sem.Code = 55;
    sem.Type = 1;
    std::strcpy(sem.Name, "DEPTH");
    ASSERT_NE(nullptr, rsc.AppendSemantic(&sem));
    ASSERT_EQ(1, rsc.AppendPosSemantic(n, 55, 0));
    ASSERT_NE(0, rsc.IsModify());
    // Closing a modified classifier saves it.
  }
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
  ASSERT_EQ(n, rsc.GetObjCount());
  EXPECT_STREQ("WELL", rsc.ObjIndex[n].Obj->Name);
  EXPECT_EQ(777u, rsc.ObjIndex[n].Excode);
  EXPECT_EQ(143, rsc.ObjIndex[n].Function);
  ASSERT_NE(nullptr, rsc.ObjIndex[n].Pos);
  EXPECT_NE(nullptr, rsc.GetTabSem(55));
  EXPECT_EQ(0, rsc.IsModify());
}

TEST_F(RscWriter, SaveStampWrapsAndTabIsDropped) {
  Builder b = Builder::Minimal();
  b.head.mode = 65535;
  b.tab = Bytes(40, 7);
  const Bytes fixture = Put(b.Build());
  ASSERT_NE(0u, Get32(fixture, 120 + 12 * rsctest::TAB));
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
  ASSERT_EQ(1, rsc.Save(1));
  const Bytes saved = File();
  EXPECT_EQ(0u, Get32(saved, 20));
  EXPECT_EQ(65536u, rsc.Head.Mode);
  for (int f = 0; f < 3; f++) EXPECT_EQ(0u, Get32(saved, 120 + 12 * rsctest::TAB + 4 * f));
  EXPECT_EQ(saved.size(), Get32(saved, 4));
  EXPECT_EQ(126u, Get32(saved, 320));
  EXPECT_LT(saved.size(), fixture.size());
  ASSERT_EQ(1, rsc.Save(1));
  EXPECT_EQ(1u, Get32(File(), 20));
}

TEST_F(RscWriter, NothingIsWrittenWithoutCause) {
  const Bytes fixture = Put(Builder::Minimal().Build());
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
  EXPECT_EQ(0, rsc.Save(0));
  EXPECT_EQ(0, rsc.Commit());
  EXPECT_FALSE(rsc.IsModify());
  struct stat st;
  EXPECT_NE(0, stat(backup_.c_str(), &st));  // not even a backup
  // A read-only classifier is never written.
  rsc.SetModify();
  rsc.Access = RSC_ACCESS_READ;
  EXPECT_EQ(0, rsc.Save(1));
  EXPECT_TRUE(File() == fixture);
  EXPECT_TRUE(boxes_.boxes().empty());
  rsc.Access = RSC_ACCESS_READWRITE;
  rsc.Modify = 0;

  TMapRsc closed;
  EXPECT_EQ(0, closed.Save(1));
  EXPECT_EQ(60005, closed.Error());
}

TEST_F(RscWriter, DeletedObjectsKeepTheirNumbersAndShortRecordsArePadded) {
  Builder b = Rich();
  b.AddObject(300, 0, "GONE");
  b.par.push_back(rsctest::DefaultImage(uint16_t(b.objects.size()), 0));
  Put(b.Build());
  const int gone = int(b.objects.size());
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
  ASSERT_EQ(gone, rsc.DeleteObject(gone));
  // The road's record claims 100 bytes; what lies after them in memory
  // must not reach the file.
  TABOBJ* road = rsc.ObjIndex[16].Obj;
  ASSERT_EQ(128u, road->Length);
  road->Length = 100;
  road->RelCount = 0;
  std::memset((BYTE*)road + 100, 0xAB, 12);
  ASSERT_EQ(1, rsc.Save(0));

  const Bytes saved = File();
  const uint32_t obj = Get32(saved, 120);
  ASSERT_EQ(uint32_t(gone), Get32(saved, 128));
  uint32_t at = obj;
  for (int n = 1; n < gone; n++) {
    if (n == 16) {
      EXPECT_EQ(112u, Get32(saved, at));
      for (int i = 100; i < 112; i++) EXPECT_EQ(0, saved[at + i]) << i;
    }
    at += Get32(saved, at);
  }
  EXPECT_EQ(112u, Get32(saved, at));
  EXPECT_EQ(0u, Get32(saved, at + 4));
  EXPECT_EQ(uint32_t(gone), Get32(saved, at + 8));
  const uint8_t deleted[] = {0xCE, 0xC1, 0xDA, 0xC5, 0xCA, 0xD2, 0x20, 0xD3, 0xC4, 0xC0, 0xCB, 0xC5, 0xCD, 0};
  EXPECT_EQ(0, std::memcmp(saved.data() + at + 48, deleted, sizeof deleted));
  EXPECT_EQ(0, std::memcmp(rsc.ObjIndex[gone].Obj->Name, deleted, sizeof deleted));

  // The PAR table still has one record per object; the deleted one is empty.
  const uint32_t par = Get32(saved, 120 + 12 * rsctest::PAR);
  EXPECT_EQ(uint32_t(gone), Get32(saved, 128 + 12 * rsctest::PAR));
  at = par;
  for (int n = 1; n < gone; n++) at += Get32(saved, at);
  EXPECT_EQ(12u, Get32(saved, at));
  EXPECT_EQ(uint32_t(gone), rsctest::Get16(saved, at + 4));
  EXPECT_EQ(0u, rsctest::Get16(saved, at + 6));

  TMapRsc again;
  ASSERT_EQ(1, again.OpenRsc(path_.c_str(), 0)) << again.Error();
  EXPECT_EQ(gone, again.GetObjCount());
}

TEST_F(RscWriter, FailedWriteRestoresThePreviousClassifier) {
  // Large enough for several write pieces.
  const Bytes fixture = Put(Rich(700).Build());
  ASSERT_GT(fixture.size(), 3u * RSC_WRITE_PIECE);
  const int backupWrites = int((fixture.size() + 65519) / 65520);
  for (plat::fault::WriteFault kind : {plat::fault::WriteFault::Error, plat::fault::WriteFault::Short}) {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
    rsc.SetModify();
    const size_t before = boxes_.boxes().size();
    plat::fault::FailWrite(backupWrites + 2, kind);  // the second piece of the classifier
    EXPECT_EQ(0, rsc.Save(0));
    plat::fault::Reset();
    EXPECT_TRUE(File() == fixture);
    EXPECT_TRUE(rsctest::ReadBytes(backup_) == fixture);
    EXPECT_NE(0, rsc.IsModify());
    ASSERT_EQ(before + 1, boxes_.boxes().size());
    const char* expected = kind == plat::fault::WriteFault::Error ? "Write fault" : "Disk is full";
    EXPECT_NE(std::string::npos, boxes_.boxes().back().text.find(expected)) << boxes_.boxes().back().text;
    EXPECT_NE(std::string::npos, boxes_.boxes().back().text.find("test.rsc"));
    // The classifier in memory is whole: the next save succeeds.
    ASSERT_EQ(1, rsc.Save(0));
    EXPECT_TRUE(Unstamped(File()) == Unstamped(fixture));
    Put(fixture);
  }
}

TEST_F(RscWriter, NoBackupNoSave) {
  const Bytes fixture = Put(Builder::Minimal().Build());
  ASSERT_EQ(0, mkdir(backup_.c_str(), 0755));  // the backup can't be made
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
  rsc.SetModify();
  MessageEnableSet(0);
  EXPECT_EQ(0, rsc.Save(0));
  EXPECT_TRUE(File() == fixture);
  EXPECT_NE(0, rsc.IsModify());
  rmdir(backup_.c_str());
  EXPECT_EQ(1, rsc.Save(0));
}

TEST_F(RscWriter, MemoryFailureWritesNothing) {
  const Bytes fixture = Put(Builder::Minimal().Build());
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
  rsc.SetModify();
  plat::fault::FailAllocation(1, true);
  // The backup copy itself may fail first; either way nothing is written.
  EXPECT_EQ(0, rsc.Save(0));
  plat::fault::Reset();
  EXPECT_TRUE(File() == fixture);
  EXPECT_NE(0, rsc.IsModify());
}

TEST_F(RscWriter, NewClassifierIsSavedWithoutABackup) {
  RSCCREATE create{};
  std::strcpy(create.Name, "NEW");
  create.Scale = 50000;
  create.Language = 1;
  {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.CreateRsc(path_.c_str(), &create, nullptr, 0)) << rsc.Error();
    ASSERT_EQ(1, rsc.Save(1));
  }
  const Bytes saved = File();
  ASSERT_GT(saved.size(), 336u);
  EXPECT_EQ(saved.size(), Get32(saved, 4));
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
  EXPECT_EQ(15, rsc.GetObjCount());
  EXPECT_EQ(50000u, rsc.Head.Scale);
}

TEST(RscBackupName, ReplacesTheExtension) {
  char out[MAX_PATH];
  ASSERT_TRUE(rscBackupName("/a/b.c/map.rsc", out, sizeof out));
  EXPECT_STREQ("/a/b.c/map.~RS", out);
  ASSERT_TRUE(rscBackupName("/a/b.c/map", out, sizeof out));
  EXPECT_STREQ("/a/b.c/map.~RS", out);
  EXPECT_FALSE(rscBackupName("/a/map.rsc", out, 8));
}

}  // namespace
