// The border of a blocked file: block classes, the border turned on and
// off, contours relative to a block, and deleting it.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/maperr.h"
#include "common/messages.h"
#include "raster/rmf.h"
#include "support/rasterfixture.h"
#include "support/rmffiles.h"
#include "support/scratch_dir.h"

namespace {

// A contour of (column, row) points.
void AddContour(TDataEdit& edit, int n, const std::vector<std::pair<int, int>>& points) {
  if (n > 0) edit.CreateSubject();
  for (auto [x, y] : points) edit.AppendPointSubject(n, x, y);
}

// A file of the blocked raster tests, "a.rsw", and the object that makes it.
class RmfBorder : public rmftest::RasterFileTest {
 protected:
  const std::string name = dir / "a.rsw";
  TRmf rmf;
};

}  // namespace

TEST_F(RmfBorder, ClassesThatCannotBeReadAreMadeAgainWhenTheBorderIsTurnedOn) {
  ASSERT_EQ(1, rmf.Create(name.c_str(), 768, 256, 8, nullptr, 1, 1));  // 3 x 1 blocks
  TDataEdit border;
  border.Init();
  border.Create(METRIC_I32, 0);
  AddContour(border, 0, {{10, 10}, {400, 10}, {400, 200}, {10, 200}, {10, 10}});
  ASSERT_EQ(1, rmf.SetBorder(&border));
  border.Free();
  const std::vector<int> classes = {2, 2, 0};
  ASSERT_EQ(0, rmf.ShowByBorder(0));
  ASSERT_EQ(1, rmf.Save());
  rmf.Close();
  // The flags area now lies past the end: the file opens with the border
  // off, and turning it on makes the classes again and saves them.
  rmftest::PatchValue(name, 212, DWORD(0x7FFFFFF0));
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  EXPECT_EQ(1, rmf.ShowByBorder(1));
  for (int n = 0; n < 3; ++n) EXPECT_EQ(classes[size_t(n)], rmf.BlockFlag(n)) << n;
  ASSERT_EQ(1, rmf.Save());
  rmf.Close();
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  EXPECT_EQ(1, rmf.ShowByBorder());
  for (int n = 0; n < 3; ++n) EXPECT_EQ(classes[size_t(n)], rmf.BlockFlag(n)) << n;
}

TEST_F(RmfBorder, BlocksAreClassedAndTheClassesKept) {
  ASSERT_EQ(1, rmf.Create(name.c_str(), 1536, 1280, 8, nullptr, 1, 1));  // 6 x 5 blocks
  TDataEdit border;
  border.Init();
  border.Create(METRIC_F64, 0);
  // A square from 100 to 1100 with a hole from 240 to 767 across and 240 to
  // 530 down; the hole takes in block (1, 1) with a margin.
  AddContour(border, 0, {{100, 100}, {1100, 100}, {1100, 1100}, {100, 1100}, {100, 100}});
  AddContour(border, 1, {{240, 240}, {767, 240}, {767, 530}, {240, 530}, {240, 240}});
  ASSERT_EQ(1, rmf.SetBorder(&border));
  border.Free();
  EXPECT_EQ(METRIC_I32, rmf.Border.Record->Ident);
  const std::vector<int> classes = {
      2, 2, 2, 2, 2, 0,  // the north edges; column 5 lies outside
      2, 0, 2, 2, 2, 0,  // (1, 1) in the hole; (1, 3) one element from x = 767
      2, 2, 2, 2, 2, 0,  // the hole's south edge
      2, 1, 1, 1, 2, 0,  // inside the square, outside the hole
      2, 2, 2, 2, 2, 0,  // the square's south edge
  };
  std::vector<int> got;
  for (int n = 0; n < 30; ++n) got.push_back(rmf.BlockFlag(n));
  EXPECT_EQ(classes, got);
  EXPECT_EQ(1, rmf.ShowByBorder());

  // Contours relative to block (1, 1), and turned for bottom-up images.
  POLYDATA* d = rmf.GetBorderMetric(1, 1);
  ASSERT_NE(nullptr, d);
  EXPECT_EQ(2, d->Count);
  EXPECT_EQ(5, d->PolyCounts[0]);
  EXPECT_EQ(100 - 256, d->Points[0].x);
  EXPECT_EQ(100 - 256, d->Points[0].y);
  EXPECT_EQ(767 - 256, d->Points[6].x);
  EXPECT_EQ(256, d->MaxX);
  d = rmf.GetBorderMetricTurn(1, 1);
  EXPECT_EQ(255 - (100 - 256), d->Points[0].y);

  // Off: every block shown, the classes kept in the file for later.
  EXPECT_EQ(0, rmf.ShowByBorder(0));
  EXPECT_EQ(1, rmf.BlockFlag(7));
  ASSERT_EQ(1, rmf.Save());
  rmf.Close();
  ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
  EXPECT_EQ(0, rmf.ShowByBorder());
  EXPECT_EQ(1, rmf.BlockFlag(7));
  EXPECT_EQ(1, rmf.ShowByBorder(1));
  EXPECT_EQ(0, rmf.BlockFlag(7));
  EXPECT_EQ(1, rmf.BlockFlag(20));

  // Deleting the border, the last thing in the file, cuts the file.
  ASSERT_EQ(1, rmf.Save());
  const DWORD at = rmf.Head.BorderPosition;
  ASSERT_EQ(int64_t(at + rmf.Head.BorderLength), rmf.FileLength());
  ASSERT_EQ(1, rmf.DeleteBorder());
  EXPECT_EQ(0u, rmf.Head.BorderPosition);
  EXPECT_EQ(0, rmf.ShowByBorder());
  EXPECT_EQ(1, rmf.BlockFlag(7));
  EXPECT_EQ(nullptr, rmf.GetBorderMetric(1, 1));
  EXPECT_EQ(int64_t(at), int64_t(rmftest::ReadAll(name).size()));

  // A border of fewer than 4 points is refused.
  TDataEdit small;
  small.Init();
  small.Create(METRIC_I32, 0);
  AddContour(small, 0, {{0, 0}, {10, 0}, {0, 0}});
  EXPECT_EQ(0, rmf.SetBorder(&small));
  EXPECT_EQ(MAPERR_INPUT, rmf.GetError());
  small.Free();
}
