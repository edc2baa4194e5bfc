// Contradictions inside a map's files found when it opens: a user map with
// more than one sheet.
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
