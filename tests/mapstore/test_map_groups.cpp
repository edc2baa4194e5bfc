// A map's group file rebuilt from the group numbers of its objects, edit
// mode and the change counter.
#include <gtest/gtest.h>

#include <cstring>

#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/file.h"
#include "support/mapbuilder.h"
#include "support/rscbuilder.h"
#include "support/sheetbuilder.h"

using mctest::MapBuilder;
using mctest::MapScratch;

namespace {

class MapGroupsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    MessageEnableSet(0);
    rsctest::Builder b = rsctest::Builder::Minimal();
    b.head.style = 0x0302ABCD;
    ASSERT_TRUE(rsctest::WriteBytes(dir / "map.rsc", b.Build()));
    MapBuilder m;
    m.keyCodes.assign(16, 0);
    m.Write(dir, "map.map");
    // Sheet 1: four objects; 1 and 3 in group 2, 4 in group 1 but deleted.
    sheettest::SheetBuilder s;
    for (int i = 0; i < 4; ++i) s.Add(LOCAL_LINE, sheettest::MetricRecord(32, i));
    auto desc = [&](int n) { return reinterpret_cast<FVSPR*>(s.hdr.data() + 48 * n); };
    desc(1)->Reserve = 2;
    desc(3)->Reserve = 2;
    desc(4)->Reserve = 1;
    desc(4)->Flags |= FVSPR_DELETED;
    s.Write(dir.path(), "M37001");
  }
  void TearDown() override {
    MessageEnableSet(1);
    GroupAccessSet(0);
  }
  MapScratch dir{MC_TEST_TMP};
};

}  // namespace

TEST_F(MapGroupsTest, MissingGroupFileIsRebuiltFromTheObjects) {
  GroupAccessSet(1);
  TMap map;
  ASSERT_EQ(1, map.OpenData((dir / "map.map").c_str(), 0)) << map.MapError.Error();
  ASSERT_EQ(1, map.Groups.IsOpen());
  EXPECT_EQ(3, map.Groups.Count());
  TObjectGroup group;
  ASSERT_GT(group.ReadGroup(&map, 2), 0);
  EXPECT_EQ(2, group.Total());
  EXPECT_EQ(3, group.ObjectNumber(1, 1));  // newest first
  EXPECT_EQ(1, group.ObjectNumber(1, 2));
  EXPECT_EQ(map.ListObjectDesc(1, 3)->Key, group.ObjectKey(1, 1).Key);
  ASSERT_GT(group.ReadGroup(&map, 1), 0);
  EXPECT_EQ(0, group.Total());

  // A group written through the map takes the next number.
  group.Create(0, 0);
  group.AppendObject(1, NUMBERKEY{2, KEY{map.ListObjectDesc(1, 2)->Key}});
  EXPECT_EQ(3, group.WriteGroup(&map));
}

TEST_F(MapGroupsTest, WithoutGroupAccessNoGroupFile) {
  TMap map;
  ASSERT_EQ(1, map.OpenData((dir / "map.map").c_str(), 0));
  EXPECT_EQ(0, map.Groups.IsOpen());
  EXPECT_FALSE(dir.Exists("LOG/map.GDX"));
}

TEST_F(MapGroupsTest, EditModeIsJournalledAndTheCounterIsShared) {
  TMap one, two;
  ASSERT_EQ(1, one.OpenData((dir / "map.map").c_str(), 0));
  ASSERT_EQ(1, two.OpenData((dir / "map.map").c_str(), 0));
  const int actions = logCount(&one.Log);
  EXPECT_EQ(1, one.WorkMode(1));
  EXPECT_EQ(1, one.EditModeCopy);
  EXPECT_EQ(0, one.WorkMode(0));
  EXPECT_EQ(actions + 2, logCount(&one.Log));

  EXPECT_EQ(1, two.CheckMode());
  one.UpdateMode();
  EXPECT_EQ(1, one.CheckMode());
  EXPECT_EQ(0, two.CheckMode());
  // The second user re-reads the map.
  EXPECT_EQ(-1, two.AdjustData());
  EXPECT_EQ(1, two.CheckMode());
  EXPECT_EQ(1, two.AdjustData());
}

// Two users opened at one counter each change an object: every raise is
// made from the file's value, so the second one moves the counter past the
// first one's, and a third user that adjusted after the first change
// learns of the second one too (and reads the object it rewrote). The
// second user learns that the map changed under it as well.
TEST_F(MapGroupsTest, EachChangeMovesTheCounterPastTheLastOne) {
  TMap one, two, three;
  for (TMap* map : {&one, &two, &three}) {
    ASSERT_EQ(1, map->OpenData((dir / "map.map").c_str(), 0));
    map->WorkMode(1);
    ASSERT_EQ(1, map->OpenList(1));
  }
  const WORD code = three.ListObjectDesc(1, 2)->Code;
  auto recode = [](TMap& map, int n) {
    FVSPR d = *map.ListObjectDesc(1, n);
    ++d.Code;
    return map.UpdateObject(n, &d, nullptr, nullptr, nullptr);
  };
  ASSERT_EQ(1, recode(one, 1));
  EXPECT_EQ(-1, three.AdjustData());
  EXPECT_EQ(1, three.AdjustData());
  ASSERT_EQ(2, recode(two, 2));
  EXPECT_EQ(0, two.CheckMode());
  EXPECT_EQ(-1, three.AdjustData()) << "the second change went unseen";
  EXPECT_EQ(code + 1, three.ListObjectDesc(1, 2)->Code);
  EXPECT_EQ(one.Passport.ModeCounter + 1, two.Passport.ModeCounter);
}
