// Contradictions inside a map's files found when it opens: a user map with
// more than one sheet, and an object chain left with links past the count
// by a writer that was killed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/maperr.h"
#include "mapstore/map.h"
#include "support/mapbuilder.h"
#include "support/nestedmap.h"

using namespace objtest;
using namespace mctest;

namespace {

class HostileSheets : public NestedMapTest {};

}  // namespace

// A map file that says it is a user map holds one sheet.
TEST_F(HostileSheets, UserMapWithTwoSheetsIsRefused) {
  mctest::MapBuilder b;
  b.isRealPlace = 1;
  b.sheets.push_back(b.sheets[0]);
  b.sheets[1].base = "M37002";
  b.Write(outer, "user.map");
  outer.Write("map.rsc", outer.Read("map/map.rsc"));
  TMapPassport passport;
  EXPECT_EQ(0, passport.OpenPassport((outer / "user.map").c_str()));
  EXPECT_EQ(MAPERR_DATA, passport.Error);
  TMap map;
  EXPECT_EQ(0, map.OpenData((outer / "user.map").c_str(), 0));
  EXPECT_EQ(MAPERR_DATA, map.MapError.Error());

  // Nor does the library make a second sheet in one.
  ASSERT_TRUE(CreateMapFile(Dir() + "user.map", Dir() + "map.rsc", true));
  ASSERT_EQ(1, map.OpenData((Dir() + "user.map").c_str(), 0));
  LISTREGISTER second = SquareSheet("U2", 0, 0);
  EXPECT_EQ(0, map.CreateList(&second, 1));
  EXPECT_EQ(1, map.Count());
}

// A writer killed between linking a new object to its neighbours and
// writing the header's count leaves links past the count. The sheet opens
// with them cut (spliced around the lost object), written back when the
// sheet is writable, so that the objects read back and appends go on.
TEST_F(HostileSheets, ChainLinksPastTheCountAreCut) {
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    ASSERT_EQ(1, map.OpenList(1));
    ASSERT_EQ(1, Append(map, LOCAL_POLYGON, NESTED_AREA));
    ASSERT_EQ(2, Append(map, LOCAL_LINE, NESTED_LINE));
  }
  const std::string good = outer.Read("map/S1.HDR");
  struct Case {
    const char* what;
    int local;                  // of the object appended afterwards
    uint16_t code;
    std::vector<int> appended;  // the chain after that append
  };
  const Case cases[] = {
      // A line appended after the last line: 2 -> 3 written, count still 2.
      {"at the end", LOCAL_LINE, NESTED_LINE, {1, 2, 3}},
      // An area inserted between 1 and 2: 1 -> 3 and 2 <- 3 written.
      {"in the middle", LOCAL_POLYGON, NESTED_AREA, {1, 3, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    outer.Write("map/S1.HDR", good);
    FVSPR lost = ReadDesc(2);
    lost.Key = 99;
    if (c.local == LOCAL_LINE) {
      lost.Back = 2, lost.Next = 0;
      FVSPR two = ReadDesc(2);
      two.Next = 3;
      WriteDesc(2, two);
    } else {
      lost.Local = LOCAL_POLYGON, lost.Back = 1, lost.Next = 2;
      FVSPR one = ReadDesc(1), two = ReadDesc(2);
      one.Next = 3, two.Back = 3;
      WriteDesc(1, one);
      WriteDesc(2, two);
    }
    WriteDesc(3, lost);
    const std::string killed = outer.Read("map/S1.HDR");

    {  // Read only: the chain reads cut, the file stays as it is.
      TMap map;
      ASSERT_EQ(1, map.OpenData(Path().c_str(), MAP_READ_ONLY));
      ASSERT_EQ(1, map.OpenList(1));
      EXPECT_EQ((std::vector<int>{1, 2}), Chain(map.List));
      ASSERT_NE(nullptr, map.List.LastHead());
      ASSERT_NE(nullptr, map.List.PrevHead());
      EXPECT_EQ(1, map.List.CurrentObject);
      EXPECT_EQ(killed, outer.Read("map/S1.HDR"));
    }
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    ASSERT_EQ(1, map.OpenList(1));
    EXPECT_EQ((std::vector<int>{1, 2}), Chain(map.List));
    EXPECT_EQ(2u, ReadDesc(1).Next);
    EXPECT_EQ(0u, ReadDesc(2).Next);
    EXPECT_EQ(1u, ReadDesc(2).Back);
    ASSERT_EQ(3, Append(map, c.local, c.code)) << map.List.GetError();
    EXPECT_EQ(c.appended, Chain(map.List));
  }
}
