// Area pieces without an object's holes: a hole across the piece splits it
// and the larger part comes first.
#include <gtest/gtest.h>

#include "geometry/holecut.h"
#include "support/contours.h"

TEST(HoleCut, AHoleAcrossThePieceSplitsItLargestFirst) {
  Metric piece, object, out;
  ASSERT_TRUE(Fill(piece, METRIC_F64, {Square(0, 0, 10, 10)}));
  ASSERT_TRUE(Fill(object, METRIC_F64,
                   {Square(-10, -10, 30, 30), Square(-5, 3, 15, 4), Square(20, 20, 25, 25)}));
  THoleCut cut;
  ASSERT_EQ(1, cut.Cut(&piece, &object, 0.001));
  std::vector<double> areas;
  for (int guard = 0; guard < 10; ++guard) {
    TDataEdit* p = cut.Next(&out);
    if (p == nullptr) break;
    EXPECT_EQ(0, p->Record->Count);  // the far hole is not the piece's
    areas.push_back(p->SquareSubject(0));
  }
  ASSERT_EQ(2u, areas.size());
  EXPECT_NEAR(60, areas[0], 1e-6);
  EXPECT_NEAR(30, areas[1], 1e-6);
  EXPECT_EQ(0, cut.Cut(nullptr, &object, 0.001));
  EXPECT_EQ(nullptr, cut.Next(&out));
}
