// Fixtures of the tests of writing across sheets and of object groups
// (header only): a map of two sheets, S1 (x 6,000,000 - 6,010,000) and S2
// north of it (x 6,010,000 - 6,020,000), both at y 7,400,000 - 7,410,000,
// with a group file and the frame objects of both sheets; objects made in
// plane metres.
#pragma once

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "groups/mapgroups.h"
#include "objects/mapframe.h"
#include "objects/objectinfo.h"
#include "objfixture.h"

namespace placetest {

using namespace objinfotest;

constexpr double kX0 = 6000000, kY0 = 7400000;  // south-west corner of S1
constexpr double kEdge = 6010000;                // the border of S1 and S2

typedef std::vector<std::pair<double, double>> PlanePoints;

// The group file is switched on while the map opens.
struct GroupsOn {
  GroupsOn() { GroupAccessSet(1); }
  ~GroupsOn() { GroupAccessSet(0); }
};

// The frame objects of both sheets.
struct PlaceFrames {
  explicit PlaceFrames(ObjectMap& m) {
    for (int sheet = 1; sheet <= 2; ++sheet) {
      TObjectInfo frame;
      TMapFrame builder;
      EXPECT_EQ(1, builder.CreateFrameMap(&m.map, sheet, m.map.Rsc.GetFrameCodeEx(), &frame));
      EXPECT_GT(builder.AppendFrame(), 0);
    }
  }
};

// A closed rectangle.
inline PlanePoints Box(double x1, double y1, double x2, double y2) {
  return {{x1, y1}, {x1, y2}, {x2, y2}, {x2, y1}, {x1, y1}};
}

// A new object of `kind` on `sheet` through the plane points.
inline void Make(TObjectInfo& o, TMap* map, int sheet, int kind, const PlanePoints& points) {
  ASSERT_EQ(1, o.CreateObject(map, sheet, int(METRIC_F64), 0));
  ASSERT_EQ(1, o.DescribeObject(kind));
  for (const auto& p : points) ASSERT_EQ(1, o.AppendPointPlane(p.first, p.second, 0));
}

// The objects of a sheet that are neither deleted nor its frame.
inline std::vector<int> LiveNumbers(ObjectMap& m, int sheet) {
  std::vector<int> numbers;
  if (m.map.OpenList(sheet) != 1) return numbers;
  const int count = m.map.List.Count();
  for (int n = 1; n <= count; ++n) {
    const FVSPR d = m.Stored(sheet, n);
    if (!FvsprIsDeleted(&d) && d.Code != OBJECT_SERVICE_FRAME) numbers.push_back(n);
  }
  return numbers;
}

class PlaceMap : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m.ok());
    ASSERT_TRUE(m.map.Groups.IsOpen());
    PlaceFrames frames(m);
  }
  void Area(TObjectInfo& o, int sheet, double x1, double y1, double x2, double y2) {
    Make(o, &m.map, sheet, KIND_LAKE, Box(x1, y1, x2, y2));
  }
  int Live(int sheet) { return int(LiveNumbers(m, sheet).size()); }

  GroupsOn groups;
  ObjectMap m;
};

}  // namespace placetest
