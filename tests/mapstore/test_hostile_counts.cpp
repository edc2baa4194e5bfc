// Descriptor files whose header states a count (or chain ends) that the
// file does not hold are refused when the sheet opens; a relink reports
// such a sheet instead of passing over it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/maperr.h"
#include "mapstore/keytable.h"
#include "mapstore/map.h"
#include "support/nestedmap.h"

using namespace objtest;
using namespace mctest;

namespace {

class HostileCounts : public NestedMapTest {};

}  // namespace

// The header's count must be held by the descriptor file, and its chain
// fields must lie within the count; otherwise the sheet is refused with
// 60005 and nothing is appended.
TEST_F(HostileCounts, CountsTheDescriptorFileDoesNotHoldAreRefused) {
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    ASSERT_EQ(1, map.OpenList(1));
    ASSERT_EQ(1, Append(map, LOCAL_LINE, NESTED_LINE));
    ASSERT_EQ(2, Append(map, LOCAL_LINE, NESTED_LINE));
  }
  const std::string good = outer.Read("map/S1.HDR");
  ASSERT_EQ(144u, good.size());
  const struct {
    size_t offset;  // header field
    int32_t value;
  } cases[] = {
      {4, 0x7FFFFFFF}, {4, 0x10000000}, {4, 3}, {4, -1},  // the count
      {8, 5},          {12, 3},         {24, 7}, {12, -2},  // first, last, last line
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.offset) + ": " + std::to_string(c.value));
    outer.Write("map/S1.HDR", good);
    PatchFile(Sheet(".HDR"), c.offset, &c.value, 4);
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    EXPECT_EQ(0, map.OpenList(1));
    EXPECT_EQ(MAPERR_DATA, map.List.GetError());
    EXPECT_EQ(0, Append(map, LOCAL_LINE, NESTED_LINE));
    EXPECT_EQ(0, map.GetObjectCount(1));
    map.CloseData();
    EXPECT_LE(outer.Read("map/S1.HDR").size(), good.size());
  }
}

// A relink over a sheet it cannot read reports it instead of passing over.
TEST_F(HostileCounts, RelinkReportsASheetItCannotRead) {
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    ASSERT_EQ(1, map.OpenList(1));
    ASSERT_EQ(1, Append(map, LOCAL_LINE, NESTED_LINE));
  }
  const int32_t count = 1000;  // the file holds one object
  PatchFile(Sheet(".HDR"), 4, &count, 4);
  {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc((Dir() + "map.rsc").c_str(), 0));
    RSCOBJ kind{};
    kind.Excode = 8888;
    kind.Local = LOCAL_LINE;
    ASSERT_EQ(18, rsc.AppendObject(&kind, 0));
    ASSERT_EQ(1, rsc.Save(1));
  }
  TMap map;
  ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
  EXPECT_EQ(MAPERR_DATA, map.MapError.Error());
  TMapKeyTable table(&map);
  ASSERT_EQ(1, table.Read(&map, 1));
  EXPECT_EQ(0, table.Relink());
}

// A damaged chain that runs in a circle ends a walk after as many steps as
// the sheet counts objects.
TEST_F(HostileCounts, AChainInACircleEndsAfterTheCount) {
  TMap map;
  ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
  ASSERT_EQ(1, map.OpenList(1));
  for (int n = 1; n <= 3; ++n) ASSERT_EQ(n, Append(map, LOCAL_LINE, NESTED_LINE));
  map.CloseData();
  FVSPR last = ReadDesc(3);
  last.Next = 2;
  WriteDesc(3, last);
  ASSERT_EQ(1, map.OpenData(Path().c_str(), MAP_READ_ONLY));
  ASSERT_EQ(1, map.OpenList(1));
  int steps = 0;
  for (FVSPR* d = map.List.FirstHead(); d != nullptr && steps < 100; d = map.List.NextHead())
    ++steps;
  EXPECT_EQ(4, steps);  // 1, 2, 3 and 2 again
  steps = 0;
  for (FVSPR* d = map.List.LastHead(); d != nullptr && steps < 100; d = map.List.PrevHead())
    ++steps;
  EXPECT_EQ(3, steps);
}
