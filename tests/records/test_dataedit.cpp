// The metric editing buffer: empty records, point kinds and write rules,
// counts, growth, editing of points and contours, closing, kinds, copies.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "records/dataedit.h"
#include "records/objectdata.h"
#include "platform/fault.h"
#include "support/metric_builder.h"

namespace {

std::vector<double> Xs(TDataEdit& e, int n = 0) {
  std::vector<double> xs;
  for (const auto& p : Points(e, n)) xs.push_back(p.first);
  return xs;
}

TEST(DataEdit, ClearMakesEmptyRecords) {
  Edit e;
  EXPECT_EQ(e.Clear(0x12345678, 0), 1);
  EXPECT_EQ(RecordKind(e.Record), METRIC_F32);
  EXPECT_EQ(RecordLength(e.Record), 16u);
  EXPECT_EQ(RecordSubjects(e.Record), 0);
  EXPECT_EQ(Field<uint32_t>(e.Record, 12), 0u);
  EXPECT_EQ(e.PointBytes, 8);
  EXPECT_EQ(e.BufferSize, 4096);
  EXPECT_NE(e.OwnBlock, nullptr);

  e.Clear(METRIC_I32H, 0);  // not a kind records are made of
  EXPECT_EQ(RecordKind(e.Record), METRIC_F32);
  EXPECT_EQ(e.PointBytes, 8);

  e.Clear(METRIC_F64H, 1);
  EXPECT_EQ(e.PointBytes, 24);
  EXPECT_EQ(RecordLength(e.Record), 20u);
  const unsigned char entry[4] = {2, 0, 0, 0};
  EXPECT_EQ(std::memcmp(reinterpret_cast<char*>(e.Record) + 16, entry, 4), 0);
  EXPECT_EQ(e.CurrentPoint, reinterpret_cast<char*>(e.Record) + 16);
  EXPECT_EQ(e.ChangedFlag, 0);

  const DWORD kinds[] = {METRIC_U16, METRIC_I32, METRIC_F64, METRIC_U16H, METRIC_F32H};
  const int sizes[] = {4, 8, 16, 8, 12};
  for (int i = 0; i < 5; ++i) {
    e.Clear(static_cast<int>(kinds[i]), 0);
    EXPECT_EQ(RecordKind(e.Record), kinds[i]);
    EXPECT_EQ(e.PointSize(), sizes[i]);
  }
}

TEST(DataEdit, DetachedBufferRefusesEverything) {
  Edit e;
  EXPECT_EQ(e.AppendPointSubject(0, 1, 2), 0);
  EXPECT_EQ(e.HDouble(), METRIC_NO_HEIGHT);
  EXPECT_EQ(e.XDouble(5.0), 0.0);
  EXPECT_EQ(e.FirstPointSubject(0), nullptr);
  EXPECT_EQ(e.CreateSubject() + e.DeletePoint() + e.PutText("A", 0), 0);
  EXPECT_EQ(e.Square(), 0.0);
  EXPECT_EQ(e.ChangeKind(METRIC_F64) + e.Realloc(), 0);
}

TEST(DataEdit, AppendInsertDeleteKeepOrder) {
  Edit e;
  e.Create(METRIC_F64, 0);
  for (int i = 1; i <= 5; ++i) ASSERT_EQ(e.AppendPointSubject(0, i, 10 * i), 1);
  EXPECT_EQ(e.ChangedFlag, 1);
  EXPECT_EQ(RecordLength(e.Record), 16u + 5 * 16);
  ASSERT_NE(e.GoPointSubject(2, 0), nullptr);
  ASSERT_EQ(e.InsertPoint(2.5, 25), 1);
  EXPECT_EQ(e.PointNumber, 3);
  EXPECT_EQ(Xs(e), (std::vector<double>{1, 2, 2.5, 3, 4, 5}));
  EXPECT_EQ(e.HNDouble(1), METRIC_NO_HEIGHT);  // a 2-D point has no height
  EXPECT_EQ(e.HNDouble(99), 0.0);              // no point at all

  ASSERT_NE(e.GoPointSubject(1, 0), nullptr);
  EXPECT_EQ(e.DeletePoint(), 1);
  EXPECT_EQ(e.XDouble(), 2.0);  // the cursor now addresses the next point
  ASSERT_NE(e.GoPointSubject(5, 0), nullptr);
  EXPECT_EQ(e.DeletePoint(), 1);  // the last point: the cursor steps back
  EXPECT_EQ(e.PointNumber, 4);
  EXPECT_EQ(e.XDouble(), 4.0);
  EXPECT_EQ(RecordLength(e.Record), 16u + 4 * 16);

  EXPECT_EQ(e.GoPointSubject(0, 0), nullptr);
  EXPECT_EQ(e.GoPointSubject(5, 0), nullptr);
  EXPECT_EQ(e.GoPointSubject(1, 1), nullptr);  // no contour 1
  EXPECT_EQ(e.XNDouble(9), 0.0);
  ASSERT_NE(e.GoPointSubject(4, 0), nullptr);
  EXPECT_EQ(e.NextPoint(), nullptr);
  ASSERT_NE(e.GoPointSubject(1, 0), nullptr);
  EXPECT_EQ(e.PrevPoint(), nullptr);
}

TEST(DataEdit, EmptyContourEdges) {
  Edit e;
  e.Create(METRIC_F32, 0);
  ASSERT_EQ(e.InsertPoint(1, 1), 1);  // empty contour: becomes point 1
  EXPECT_EQ(e.PointNumber, 1);
  e.CurrentPoint = nullptr;
  e.CountWord = nullptr;
  ASSERT_EQ(e.InsertPoint(2, 2), 1);  // no cursor: appended
  EXPECT_EQ(e.YNDouble(2), 2.0);
  // Deleting every point keeps an empty contour; one more delete gives 0.
  EXPECT_EQ(e.DeletePoint() + e.DeletePoint(), 2);
  EXPECT_EQ(e.PointCount(0), 0);
  EXPECT_EQ(RecordLength(e.Record), 16u);
  EXPECT_EQ(e.DeletePoint(), 0);
}

TEST(DataEdit, WriteRulesOfKinds) {
  Edit e;
  e.Create(METRIC_U16, 0);
  e.AppendPointSubject(0, 0, 0);
  EXPECT_EQ(e.XDouble(-3.7), 0.0);
  EXPECT_EQ(e.YDouble(70000.0), 65520.0);
  EXPECT_EQ(e.X(), 0);
  EXPECT_EQ(e.Y(), 65520);
  EXPECT_EQ(e.XDouble(2.5), 3.0);
  EXPECT_EQ(e.HDouble(5.0), METRIC_NO_HEIGHT);  // no height to store

  e.Create(METRIC_I32, 0);
  e.AppendPointSubject(0, -2.5, 2.5);
  EXPECT_EQ(e.X(), -3);
  EXPECT_EQ(e.Y(), 3);
  EXPECT_EQ(e.XDouble(-2.4), -2.0);
  EXPECT_EQ(e.XDouble(1e12), 2147483647.0);  // clamped, not wrapped

  e.Create(METRIC_F32, 0);
  e.AppendPointSubject(0, -2.9, 2.9);
  EXPECT_EQ(e.X(), -2);
  EXPECT_EQ(e.Y(), 2);
  EXPECT_FLOAT_EQ(static_cast<float>(e.XDouble()), -2.9f);

  e.Create(METRIC_U16H, 0);
  e.AppendPointSubject(0, 1, 2);
  EXPECT_EQ(e.HDouble(), METRIC_NO_HEIGHT);  // new points have no height
  EXPECT_EQ(e.HDouble(12.5), 12.5);
  EXPECT_EQ(Field<float>(e.Record, 16 + 4), 12.5f);

  e.Create(METRIC_F64H, 0);
  e.AppendPointSubject(0, 1, 2);
  e.HDouble(7.25);
  EXPECT_EQ(Field<double>(e.Record, 16 + 16), 7.25);
  EXPECT_EQ(e.DatDimension(), 1);
}

TEST(DataEdit, SixtyFiveThousandAndFirstPointSwitchesToLongCounts) {
  Edit e;
  e.Create(METRIC_U16, 0);
  e.CreateSubject();
  e.AppendPointSubject(1, 7, 7);
  for (int i = 0; i < 65000; ++i) ASSERT_EQ(e.AppendPointSubject(0, i % 60000, 1), 1);
  EXPECT_EQ(RecordFlags(e.Record) & 1, 0);
  EXPECT_EQ(Field<uint16_t>(e.Record, 14), 65000);
  ASSERT_EQ(e.AppendPointSubject(0, 1, 1), 1);
  EXPECT_EQ(RecordFlags(e.Record) & 1, 1);
  EXPECT_EQ(Field<uint32_t>(e.Record, 12), 65001u);
  // The other contour's word is a u32 too, and stays readable.
  EXPECT_EQ(Field<uint32_t>(e.Record, 12 + 4 + 65001 * 4), 1u);
  EXPECT_EQ(e.PointCount(1), 1);
  EXPECT_EQ(e.XNDouble(1), 7.0);
  EXPECT_EQ(e.TotalPointCount(), 65002);
}

TEST(DataEdit, OverflowOfCallersBlockMovesToOwnBlock) {
  std::vector<char> record = BuildMetric(METRIC_F32, {{{{1, 1}, {2, 2}, {3, 3}}}}, false);
  std::vector<char> block(64, 0);
  std::memcpy(block.data(), record.data(), record.size());
  Edit e;
  e.SetBuffer(block.data(), static_cast<LONG>(block.size()), 0);
  EXPECT_EQ(e.OwnBlock, nullptr);
  ASSERT_NE(e.GoPointSubject(2, 0), nullptr);
  EXPECT_EQ(e.XDouble(5.0), 5.0);  // in place
  EXPECT_EQ(Field<float>(block.data(), 16 + 8), 5.0f);
  // 40 bytes in use: three more points fit, the fourth does not.
  for (int i = 0; i < 3; ++i) ASSERT_EQ(e.AppendPointSubject(0, 10 + i, 0), 1);
  EXPECT_EQ(static_cast<void*>(e.Record), static_cast<void*>(block.data()));
  std::vector<char> inPlace = block;
  ASSERT_NE(e.GoPointSubject(4, 0), nullptr);
  ASSERT_EQ(e.InsertPoint(99, 99), 1);  // grows
  EXPECT_EQ(static_cast<void*>(e.Record), static_cast<void*>(e.OwnBlock));
  EXPECT_EQ(e.BufferSize, 64 + 65536);
  EXPECT_EQ(e.PointNumber, 5);
  EXPECT_EQ(e.XDouble(), 99.0);
  EXPECT_EQ(block, inPlace);  // the caller's block is no longer written
  EXPECT_EQ(e.PointCount(), 7);
}

TEST(DataEdit, GrowthOfOwnBlockKeepsCursorOnSubject) {
  Edit e;
  e.Create(METRIC_F64, 0);
  e.AppendPointSubject(0, 0, 0);
  e.CreateSubject();
  for (int i = 0; i < 300; ++i) ASSERT_EQ(e.AppendPointSubject(1, i, i), 1);
  EXPECT_EQ(e.BufferSize, 4096 + 65536);
  EXPECT_EQ(e.SubjectNumber, 1);
  EXPECT_EQ(e.PointNumber, 300);
  EXPECT_EQ(e.XDouble(), 299.0);
  EXPECT_EQ(e.XNDouble(150), 149.0);
}

TEST(DataEdit, ExhaustedMemoryLeavesRecordUsable) {
  Edit full;
  full.Create(METRIC_F64, 0);
  full.AppendPointSubject(0, 1, 1);
  while (static_cast<int64_t>(RecordLength(full.Record)) + 16 <= full.BufferSize)
    full.AppendPointSubject(0, 3, 3);
  int fullCount = full.PointCount(0);
  DWORD length = RecordLength(full.Record);
  plat::fault::FailAllocation(1, true);
  EXPECT_EQ(full.AppendPointSubject(0, 4, 4), 0);
  EXPECT_EQ(full.CreateSubject(), 0);
  EXPECT_EQ(full.PointCount(0), fullCount);
  EXPECT_EQ(RecordLength(full.Record), length);
  EXPECT_EQ(full.XNDouble(1), 1.0);
  Edit fresh;
  EXPECT_EQ(fresh.Create(METRIC_F64, 0), 0);  // detached
  EXPECT_EQ(fresh.Record, nullptr);
  EXPECT_EQ(full.ChangeKind(METRIC_F32), 0);  // needs a temporary buffer
  EXPECT_EQ(RecordKind(full.Record), METRIC_F64);
  plat::fault::Reset();
  EXPECT_EQ(full.AppendPointSubject(0, 4, 4), 1);
}

TEST(DataEdit, LoadCopiesAndRefuses) {
  std::vector<char> record = BuildMetric(METRIC_I32, {{{{1, 2}, {3, 4}}}, {{{5, 6}}}}, false);
  const LONG size = static_cast<LONG>(record.size());
  Edit e;
  EXPECT_EQ(e.Load(AsMetric(record), 0), size);
  EXPECT_EQ(e.BufferSize, size + 65536);
  EXPECT_EQ(e.PointBytes, 8);
  EXPECT_EQ(e.SubjectNumber, 0);
  EXPECT_EQ(e.PointNumber, 1);
  EXPECT_EQ(e.X(), 1);
  EXPECT_EQ(e.PointCount(1), 1);

  // Into a caller's block with 32 KB to spare.
  std::vector<char> big(record.size() + 32768, 0);
  Edit c;
  c.SetBuffer(big.data(), static_cast<LONG>(big.size()), 0);
  EXPECT_EQ(c.Load(AsMetric(record), 0), size);
  EXPECT_EQ(static_cast<void*>(c.Record), static_cast<void*>(big.data()));

  // A bad marker: an empty default record without texts.
  std::vector<char> bad = record;
  bad[0] = 0x78;
  EXPECT_EQ(e.Load(AsMetric(bad), 1), 0);
  EXPECT_EQ(RecordKind(e.Record), METRIC_F32);
  EXPECT_EQ(RecordLength(e.Record), 16u);
  EXPECT_EQ(e.TextFlag, 0);
  EXPECT_EQ(e.Load(nullptr, 0), 0);

  // Longer than 16 MB: refused, the buffer keeps its record.
  LONGMETRIC huge{METRIC_F32, 0x1000001, 0, 0};
  e.Load(AsMetric(record), 0);
  EXPECT_EQ(e.Load(&huge, 0), 0);
  EXPECT_EQ(RecordKind(e.Record), METRIC_I32);
}

TEST(DataEdit, CreateAndDeleteSubjects) {
  Edit e;
  e.Create(METRIC_F32, 0);
  e.AppendPointSubject(0, 1, 1);
  ASSERT_EQ(e.CreateSubject(), 1);
  EXPECT_EQ(e.SubjectNumber, 1);
  EXPECT_EQ(e.PointCount(), 0);
  e.AppendPointSubject(1, 2, 2);
  ASSERT_EQ(e.CreateSubject(), 1);
  e.AppendPointSubject(2, 3, 3);
  e.AppendPointSubject(2, 4, 4);
  EXPECT_EQ(RecordSubjects(e.Record), 2);
  EXPECT_EQ(RecordLength(e.Record), 16u + 8 + 4 + 8 + 4 + 16);

  Edit f;
  f.Load(e.Record, 0);
  // Deleting the last contour cuts the record at its count word.
  ASSERT_EQ(f.DeleteSubject(2), 1);
  EXPECT_EQ(RecordSubjects(f.Record), 1);
  EXPECT_EQ(RecordLength(f.Record), 16u + 8 + 4 + 8);
  // Deleting the outer contour makes contour 1 the outer one.
  ASSERT_EQ(e.DeleteSubject(0), 1);
  EXPECT_EQ(RecordSubjects(e.Record), 1);
  EXPECT_EQ(e.XNDouble(1), 2.0);
  EXPECT_EQ(e.PointCount(1), 2);
  EXPECT_EQ(e.DeleteSubject(5), 0);
  // -1 clears the record and keeps its kind (it needs a cursor, which the
  // failed call above cleared).
  EXPECT_EQ(e.DeleteSubject(-1), 0);
  e.FirstPointSubject(0);
  ASSERT_EQ(e.DeleteSubject(-1), 1);
  EXPECT_EQ(RecordLength(e.Record), 16u);
  EXPECT_EQ(RecordKind(e.Record), METRIC_F32);
}

TEST(DataEdit, ClosingContours) {
  const std::vector<BuildPoint> pqr = {{1, 1}, {2, 2}, {3, 3}}, closed = {{1, 1}, {2, 2}, {1, 1}};
  // {points, mode, result, xs after}
  struct Case {
    const std::vector<BuildPoint>* pts;
    int mode;
    std::vector<double> xs;
  } cases[] = {
      {&closed, 0, {1, 2, 1}}, {&pqr, 0, {1, 2, 3, 1}},   {&pqr, 1, {1, 2, 1}},
      {&pqr, 2, {3, 2, 3}},    {&closed, 3, {1, 2, 1, 1}}, {&pqr, 4, {3, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    Edit e(BuildMetric(METRIC_F32, {{*c.pts}}, false));
    EXPECT_EQ(e.SetExclusiveSubject(0, c.mode), 1) << c.mode;
    EXPECT_EQ(Xs(e), c.xs) << c.mode;
    EXPECT_EQ(e.GetExclusiveSubject(0), 1) << c.mode;
    if (c.pts == &closed && c.mode == 0) {
      EXPECT_EQ(e.ChangedFlag, 0);  // already closed: nothing to do
    }
  }
  Edit e(BuildMetric(METRIC_F32, {{pqr}}, false));
  EXPECT_EQ(e.GetExclusiveSubject(0), 0);
  EXPECT_EQ(e.SetExclusiveSubject(0, 5), 0);
  EXPECT_EQ(e.SetExclusiveSubject(3, 0), 0);

  // Every contour at once, heights going with the points.
  Edit h(BuildMetric(METRIC_F64H, {{{{1, 1, 10}, {2, 2, 20}}}, {{{5, 5, 50}, {6, 6, 60}}}},
                     false));
  EXPECT_EQ(h.AbridgeObject(0), 1);
  EXPECT_EQ(h.PointCount(0), 3);
  EXPECT_EQ(h.PointCount(1), 3);
  h.GoPointSubject(3, 1);
  EXPECT_EQ(h.HDouble(), 50.0);
}

TEST(DataEdit, ReversingContours) {
  Edit e(BuildMetric(METRIC_F32, {SquareContour(0, 0, 10)}, false));
  int before = e.GetDirection(0);
  EXPECT_NE(before, e.ChangeDirection());
  EXPECT_EQ(Points(e, 0)[1], (std::pair<double, double>{10, 0}));
}

TEST(DataEdit, KindConversions) {
  Edit e(BuildMetric(METRIC_F64, {{{{1.4, -1.6}, {2.5, 3.5}}}, {{{7.7, 8.2}}}}, false));
  e.ChangedFlag = 1;
  EXPECT_EQ(e.ChangeKind(METRIC_I32), static_cast<int>(METRIC_I32));
  EXPECT_EQ(RecordKind(e.Record), METRIC_I32);
  EXPECT_EQ(e.ChangedFlag, 1);  // kept
  EXPECT_EQ(Points(e, 0), (PointList{{1, -2}, {3, 4}}));
  EXPECT_EQ(Points(e, 1), (PointList{{8, 8}}));

  EXPECT_EQ(e.ChangeKind(METRIC_U16H), 0);
  EXPECT_EQ(e.ChangeKind(0x12345678), 0);
  // The i32 kind with heights has no point size: refused rather than
  // reported while a different kind is built.
  EXPECT_EQ(e.ChangeKind(METRIC_I32H), 0);
  EXPECT_EQ(RecordKind(e.Record), METRIC_I32);

  EXPECT_EQ(e.ChangeKind(METRIC_F32H), static_cast<int>(METRIC_F32H));
  e.GoPointSubject(1, 0);
  EXPECT_EQ(e.HDouble(), METRIC_NO_HEIGHT);

  // With texts the 3-D targets become 2-D.
  Edit x(BuildMetric(METRIC_F32, {{{{1, 2}}, "AB"}}, true), 1);
  EXPECT_EQ(x.ChangeKind(METRIC_F64H), static_cast<int>(METRIC_F64));
  char text[8];
  EXPECT_STREQ(x.GetText(text, 8), "AB");
  EXPECT_EQ(x.ChangeKind(METRIC_F32H), static_cast<int>(METRIC_F32));
  EXPECT_EQ(x.ChangeKind(METRIC_I32H), static_cast<int>(METRIC_I32));
  EXPECT_EQ(RecordKind(x.Record), METRIC_I32);
  EXPECT_STREQ(x.GetText(text, 8), "AB");
}

TEST(DataEdit, TextFormatConversions) {
  Edit e(BuildMetric(METRIC_U16H, {{{{1, 2, 5}, {3, 4, 6}}}, {{{5, 6, 7}}}}, false));
  e.ChangedFlag = 1;
  EXPECT_EQ(e.ChangeTextFormat(1), static_cast<int>(METRIC_U16));
  EXPECT_EQ(e.TextFlag, 1);
  EXPECT_EQ(e.ChangedFlag, 0);
  // (4 + 2 x 4 + 4) + (4 + 4 + 4) after the header.
  EXPECT_EQ(RecordLength(e.Record), 12u + 16 + 12);
  e.FirstPointSubject(0);
  EXPECT_EQ(e.TextLength(), 2);
  e.FirstPointSubject(1);
  EXPECT_EQ(e.TextLength(), 2);
  EXPECT_EQ(e.XDouble(), 5.0);
  EXPECT_EQ(e.ChangeTextFormat(1), static_cast<int>(METRIC_U16));
  EXPECT_EQ(e.ChangeTextFormat(0), static_cast<int>(METRIC_U16));
  EXPECT_EQ(RecordLength(e.Record), 12u + 12 + 8);
  EXPECT_EQ(e.GetTextData(), nullptr);
}

TEST(DataEdit, CopyingContours) {
  Edit src(BuildMetric(METRIC_F32, {{{{1, 1}, {2, 2}}}, {{{3, 3}, {4, 4}, {5, 5}}}, {{}}}, false));
  Edit e;
  EXPECT_EQ(e.LoadSubject(&src, 2), 0);  // empty contour
  ASSERT_EQ(e.LoadSubject(&src, 1), 1);
  EXPECT_EQ(RecordSubjects(e.Record), 0);
  EXPECT_EQ(Xs(e), (std::vector<double>{3, 4, 5}));
  // Contour 0 holds points: a further contour is appended.
  ASSERT_EQ(e.AppendSubject(&src, 0), 1);
  EXPECT_EQ(RecordSubjects(e.Record), 1);
  EXPECT_EQ(e.PointCount(1), 2);
  // From itself.
  ASSERT_EQ(e.AppendSubject(&e, 1), 1);
  EXPECT_EQ(RecordSubjects(e.Record), 2);
  EXPECT_EQ(e.XNDouble(2), 2.0);
  ASSERT_EQ(e.LoadSubject(&e, 2), 1);
  EXPECT_EQ(RecordSubjects(e.Record), 0);
  EXPECT_EQ(e.PointCount(0), 2);

  // A detached buffer takes the source's kind; texts come along.
  Edit ts(BuildMetric(METRIC_F64, {{{{1, 2}}, "Name", 26}}, true), 1);
  Edit d;
  ASSERT_EQ(d.AppendSubject(&ts, 0), 1);
  EXPECT_EQ(RecordKind(d.Record), METRIC_F64);
  char text[8];
  EXPECT_STREQ(d.GetText(text, 8), "Name");
  EXPECT_EQ(d.GetTextVerticalAlign(), 0);
}

TEST(ObjectData, Accessors) {
  std::vector<char> r = BuildMetric(METRIC_F32H, {{{{-2.9, 3.5, 7}, {1, 3.5}, {1, 5}}}}, false);
  TObjectData d(AsMetric(r));
  EXPECT_EQ(d.X1Long(), -2);
  EXPECT_EQ(d.Y1Long(), 3);
  EXPECT_EQ(d.H1Double(), 7.0);
  EXPECT_EQ(d.PointLimit(), 3);
  EXPECT_EQ(d.PointReserve(), (0x1000000 - 52) / 12);
  EXPECT_NEAR(d.Perimeter(), 3.9 + 1.5, 1e-5);
  DOUBLEPOINT p{};
  EXPECT_EQ(d.XYDouble(r.data() + 16 + 12, &p), 1);
  EXPECT_EQ(p.X, 1.0);
  EXPECT_EQ(d.XYDouble(r.data() + r.size() - 4, &p), 0);  // the point runs past the end
  EXPECT_EQ(d.XYDouble(r.data(), &p), 0);

  std::vector<char> i = BuildMetric(METRIC_I32H, {{{{5, 6, 1}}}}, false);
  TObjectData j(AsMetric(i));
  EXPECT_EQ(j.X1Long(), 0);
  EXPECT_EQ(j.PointSize() + j.PointLimit(), 0);
  EXPECT_EQ(j.XYDouble(i.data() + 16, &p), 1);  // read as i32
  EXPECT_EQ(p.Y, 6.0);

  std::vector<char> empty = BuildMetric(METRIC_F64, {{}}, false);
  TObjectData k(AsMetric(empty));
  EXPECT_EQ(k.X1Double(), 0.0);
  EXPECT_EQ(k.Perimeter(), 0.0);
  TObjectData none(static_cast<const TDataEdit*>(nullptr));
  EXPECT_EQ(none.Record, nullptr);
  EXPECT_EQ(none.PointReserve(), 0);
}

}  // namespace
