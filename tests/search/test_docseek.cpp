// The object search on a document: searches from object handles, by key
// and sheet name, the total search with its rules and frame, freezing, the
// samples and the area of the seek select, and the sheets by point and
// name.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/liveset.h"
#include "common/messages.h"
#include "search/docseek.h"
#include "support/docmap.h"
#include "support/objectbuilder.h"
#include "support/scratch_dir.h"

namespace {

using doctest::kSheetSide;
using doctest::kSheetX;
using doctest::kSheetY;

// A document of three sheets side by side: "DOC-1", "ABC" and "ABD".
class DocSeek : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageEnableSet(0);
    ASSERT_TRUE(doctest::WriteImageClassifier(dir / "doc.rsc"));
    doc = doctest::CreateDocument(dir / "doc.map", dir / "doc.rsc");
    ASSERT_NE(doc, nullptr);
    for (const char* name : {"ABC", "ABD"}) {
      LISTREGISTER r = objtest::SquareSheet(name, kSheetX, kSheetY + kSheetSide * doc->Count());
      ASSERT_EQ(1, doc->CreateList(&r, 1));
    }
    a = Add(1, 1, {{kSheetX + 100, kSheetY + 100}, {kSheetX + 200, kSheetY + 200}});
    b = Add(1, 2, {{kSheetX + 5000, kSheetY + 5000}, {kSheetX + 5100, kSheetY + 5000}});
    c = Add(2, 5, {{kSheetX + 500, kSheetY + 10500}, {kSheetX + 600, kSheetY + 10600}});
    d = Add(3, 5, {{kSheetX + 500, kSheetY + 20500}, {kSheetX + 600, kSheetY + 20600}});
    ASSERT_TRUE(a && b && c && d);
  }
  void TearDown() override {
    FreeDocument(doc);
    MessageEnableSet(1);
  }
  // A road through plane points on a sheet, with a key: its number.
  int Add(int sheet, DWORD key, const doctest::PlanePoints& points) {
    TObjectInfo object;
    if (!object.CreateObject(doc, sheet, 0, 0) ||
        !object.RegisterObject(LONG(doctest::KIND_ROAD), LOCAL_LINE))
      return 0;
    const DOUBLEPOINT* origin = doc->ViewPosition(sheet);
    for (const auto& p : points)
      object.Metric.AppendPointSubject(0, (p.first - doc->X0) / doc->Factor - origin->X,
                                       (p.second - doc->Y0) / doc->Factor - origin->Y);
    object.Desc->Key = key;
    if (!doc->OpenList(sheet)) return 0;
    return doc->AppendObject(object.Desc, object.Metric.Record, object.Semn.Record(),
                             object.Draw.Record());
  }
  // The keys found by a total search and then next ones.
  std::string TotalKeys(TDocumentSeek& seek) {
    TObjectInfo info;
    std::string out;
    for (int flags = SEEK_FIRST; seek.TotalSeekObject(&info, flags); flags = SEEK_NEXT)
      out += std::to_string(info.ObjectKey()) + " ";
    return out;
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  TMapAccess* doc = nullptr;
  int a = 0, b = 0, c = 0, d = 0;
};

TEST_F(DocSeek, SearchesGoOnIntoTheUserMaps) {
  TDocumentSeek seek(doc);
  const int main = seek.TotalSeekObjectCount();
  const doctest::PlaneObject well{doctest::KIND_WELL, LOCAL_POINT,
                                  {{kSheetX + 300, kSheetY + 300}}};
  ASSERT_TRUE(doctest::CreateUserMap(dir / "u.sit", dir / "doc.rsc", {well}));
  ASSERT_EQ(doc->OpenSit((dir / "u.sit").c_str(), 0), 1);
  TMap* site = doc->GetMap(1);
  EXPECT_EQ(seek.TotalSeekObjectCount(), main + 1);
  TObjectInfo info;
  int found = 0;
  TMap* last = nullptr;
  for (int flags = SEEK_FIRST; seek.TotalSeekObject(&info, flags); flags = SEEK_NEXT, ++found)
    last = info.GetMap();
  EXPECT_EQ(found, main + 1);
  EXPECT_EQ(last, site);
  // The rule of user map 1 finds its object alone; its seek select filters.
  EXPECT_EQ(seek.SetTotalSeekMapRule(1), 1);
  const std::string keys = TotalKeys(seek);
  EXPECT_EQ(std::count(keys.begin(), keys.end(), ' '), 1) << keys;
  doc->GetSeekSelect(1)->SetKindSwitch(1);
  doc->GetSeekSelect(1)->ClearAllKinds();
  EXPECT_EQ(TotalKeys(seek), "");
}

TEST_F(DocSeek, SearchesFromHandles) {
  TDocumentSeek seek(doc);
  TMapSelect* const each = nullptr;  // each map's seek select
  TObjectInfo info;
  ASSERT_EQ(&info, seek.SeekObject(&info, each, SEEK_FIRST));
  EXPECT_EQ(1u, info.ObjectKey());
  ASSERT_EQ(&info, seek.SeekObject(&info, each, SEEK_NEXT));
  EXPECT_EQ(2u, info.ObjectKey());
  ASSERT_EQ(&info, seek.SeekObject(&info, each, 0, SEEK_NEXT | SEEK_THISMAP));
  EXPECT_EQ(2, info.ListNumber());
  ASSERT_EQ(&info, seek.SeekViewObject(&info, each, 0, SEEK_LAST));
  EXPECT_EQ(3, info.ListNumber());
  // A search that finds nothing leaves the handle alone.
  EXPECT_EQ(nullptr, seek.SeekObject(&info, each, SEEK_NEXT));
  EXPECT_EQ(3, info.ListNumber());
  EXPECT_EQ(nullptr, seek.SeekObject(&info, each, 1, SEEK_THISMAP));

  // By key on a sheet, by key range, by sheet name.
  ASSERT_EQ(&info, seek.SeekObject(&info, 2, 5u, 0));
  EXPECT_EQ(c, info.ObjectNumber());
  EXPECT_EQ(nullptr, seek.SeekObject(&info, 9, 5u, 0));
  const KEYSELECT fives{3, 5, 5};
  ASSERT_EQ(&info, seek.SeekObject(&info, &fives, 0, SEEK_THISMAP));
  EXPECT_EQ(3, info.ListNumber());
  struct Name {
    const char* name;
    int sheet;  // 0: not found
  } names[] = {{"ABC", 2}, {"abc  ", 2}, {"ABD", 3}, {"AB", 0}, {"ABCD", 0}, {"", 0}};
  for (const Name& n : names) {
    TObjectInfo found;
    TObjectInfo* result = seek.SeekObject(&found, n.name, 5u);
    EXPECT_EQ(n.sheet, result != nullptr ? found.ListNumber() : 0) << n.name;
  }

  // Null document and arguments.
  TDocumentSeek none(nullptr);
  EXPECT_EQ(nullptr, none.SeekObject(&info, each, SEEK_FIRST));
  EXPECT_EQ(nullptr, seek.SeekObject(nullptr, each, SEEK_FIRST));
  EXPECT_EQ(nullptr, seek.SeekObject(&info, static_cast<const char*>(nullptr), 5u));
  EXPECT_EQ(nullptr, seek.SeekObject(&info, static_cast<const KEYSELECT*>(nullptr), 0, 0));
}

TEST_F(DocSeek, TotalSearchRulesBorderAndFreezing) {
  TDocumentSeek seek(doc);
  EXPECT_EQ(-1, seek.GetTotalSeekMapRule());
  EXPECT_EQ(nullptr, seek.GetTotalSeekMap());
  EXPECT_EQ(0, seek.SetTotalSeekMapRule(5));
  EXPECT_EQ(doc, seek.GetTotalSeekMap());
  EXPECT_EQ(-1, seek.SetTotalSeekMap(nullptr));
  EXPECT_EQ(0, seek.SetTotalSeekMap(doc));
  doc->TotalSeekMapRule = 3;  // a user map that is gone
  EXPECT_EQ(-2, seek.GetTotalSeekMapRule());
  TObjectInfo info;
  EXPECT_EQ(nullptr, seek.TotalSeekObject(&info, SEEK_FIRST));
  EXPECT_EQ(0, seek.TotalSeekObjectCount());
  EXPECT_EQ(doc, seek.GetTotalSeekMap());
  EXPECT_EQ(0, seek.GetTotalSeekMapRule());

  EXPECT_EQ("1 2 5 5 ", TotalKeys(seek));
  EXPECT_EQ(4, seek.TotalSeekObjectCount());
  // The view rule: only what the view select passes too.
  doc->MainViewSelect.ClearAllSheets(), doc->MainViewSelect.SelectSheet(1);
  doc->MainViewSelect.SetSheetSwitch(1);
  seek.SetTotalSeekViewRule(1);
  EXPECT_EQ("1 2 ", TotalKeys(seek));
  EXPECT_EQ(2, seek.TotalSeekObjectCount());
  seek.SetTotalSeekViewRule(0);

  // The frame of the one object found, in plane metres.
  doc->SeekSelect.SetKeyMinimum(2), doc->SeekSelect.SetKeyMaximum(2);
  doc->SeekSelect.SetKeySwitch(1);
  TObjectInfo two;
  two.Object(doc, 1, b);
  DFRAME expected{}, frame{};
  ASSERT_EQ(1, two.ViewObjectFramePlane(&expected, 0));
  ASSERT_EQ(1, seek.GetTotalSeekBorder(&frame));
  EXPECT_DOUBLE_EQ(expected.X1, frame.X1);
  EXPECT_DOUBLE_EQ(expected.Y2, frame.Y2);
  doc->SeekSelect.SetKeyMinimum(99);
  const DFRAME kept{1, 2, 3, 4};
  frame = kept;
  EXPECT_EQ(0, seek.GetTotalSeekBorder(&frame));
  EXPECT_EQ(kept.X2, frame.X2);
  doc->SeekSelect.SelectAll();

  // Objects written after freezing are not found until thawed.
  EXPECT_EQ(1, seek.FreezeMapContents());
  Add(1, 7, {{kSheetX + 300, kSheetY + 300}, {kSheetX + 400, kSheetY + 300}});
  EXPECT_EQ("1 2 5 5 ", TotalKeys(seek));
  EXPECT_EQ(1, seek.DefreezeMapContents());
  EXPECT_EQ("1 2 7 5 5 ", TotalKeys(seek));

  // The marks of the seek selects.
  EXPECT_EQ(0, seek.GetSelectedSeekMapRule());
  doc->SeekSelect.TotalSeekSelect(doc, 1);
  EXPECT_EQ(-1, seek.GetSelectedSeekMapRule());
  EXPECT_EQ(1, seek.GetSelectedSeekViewRule());
}

TEST_F(DocSeek, SamplesAndArea) {
  TDocumentSeek seek(doc);
  TMapSelect* s = &doc->SeekSelect;
  EXPECT_EQ(0, seek.SetSampleByNumber(nullptr, 1, 1));
  EXPECT_EQ(0, seek.SetSampleByNumber(s, 0, 1));
  EXPECT_EQ(0, seek.SetSampleByNumber(s, 1, 99));
  EXPECT_EQ(1, seek.SetSampleByNumber(s, 1, b));
  EXPECT_EQ(1, seek.SeekSelectObjectCount(nullptr));
  EXPECT_EQ(1, seek.DeleteSampleByNumber(s, 1, b));
  EXPECT_EQ(1, seek.SetSample(s, 3, 5u));
  EXPECT_EQ(1, seek.SetSample(s, "abc", 5u));
  EXPECT_EQ(0, seek.SetSample(s, "AB", 5u));
  EXPECT_EQ(2, seek.SeekSelectObjectCount(s));
  seek.ClearSample(nullptr);
  EXPECT_EQ(0, s->IsSampleActive());
  s->ClearAllLocals(), s->SetLocalSwitch(1);
  EXPECT_EQ(1, seek.SelectSeekSample("ABD", 5u));
  EXPECT_EQ(0, int(s->LocalSwitch));
  EXPECT_EQ(1, seek.SelectViewSample("DOC-1", 2u));
  EXPECT_EQ(1, seek.ViewSelectObjectCount(nullptr));
  doc->MainViewSelect.SelectAll();
  s->SelectAll();

  // The area round object a: the seek select's sample becomes it, and the
  // total search follows.
  TObjectInfo area;
  ASSERT_EQ(1, area.CreateObject(doc, 1, int(METRIC_F64), 0));
  for (const auto& p : doctest::PlanePoints{{kSheetX + 50, kSheetY + 50},
                                            {kSheetX + 50, kSheetY + 250},
                                            {kSheetX + 250, kSheetY + 250},
                                            {kSheetX + 250, kSheetY + 50}})
    area.AppendPointPlane(p.first, p.second);
  seek.SetTotalSeekMapRule(-1);
  ASSERT_EQ(1, seek.SetSeekArea(&area, 0.0, 0, 1, 0, 1, 0));
  EXPECT_EQ(0, seek.GetTotalSeekMapRule());
  EXPECT_EQ("1 ", TotalKeys(seek));
  // Bad areas: one point, or no map of the document.
  TObjectInfo point;
  ASSERT_EQ(1, point.CreateObject(doc, 1, int(METRIC_F64), 0));
  point.AppendPointPlane(kSheetX + 100, kSheetY + 100);
  EXPECT_EQ(0, seek.SetSeekArea(&point, 0.0, 0, 1, 0, 1, 0));
  TObjectInfo free;
  free.CreateObject(int(METRIC_F64), 0);
  free.Metric.AppendPointSubject(0, 0, 0), free.Metric.AppendPointSubject(0, 1, 1);
  EXPECT_EQ(0, seek.SetSeekArea(&free, 0.0, 0, 1, 0, 1, 0));
  EXPECT_EQ(0, seek.SetSeekArea(&area, 0.0, 0, 1, 0, 1, 4));
}

TEST_F(DocSeek, SheetsByPointAndName) {
  TDocumentSeek seek(doc);
  const double y2 = kSheetY + kSheetSide * 1.5;
  EXPECT_EQ(2, seek.WhatListNumber(kSheetX + 10, y2, 1, SEEKPOINT_PLANE));
  EXPECT_STREQ("ABC", seek.WhatListName(kSheetX + 10, y2, 0, SEEKPOINT_PLANE));
  EXPECT_EQ(0, seek.WhatListNumber(kSheetX + 10, y2, 2, SEEKPOINT_PLANE));
  // A border (of the frames the sheet table holds) is outside its sheet:
  // the east border of sheet 1 lies in sheet 2 alone, that of sheet 3 in
  // none. (The table widens each frame to the south and west.)
  const double east1 = doc->TMapPassport::List(1)->Corner[1].Y;
  const double east3 = doc->TMapPassport::List(3)->Corner[1].Y;
  EXPECT_EQ(2, seek.WhatListNumber(kSheetX + 10, east1, 1, SEEKPOINT_PLANE));
  EXPECT_EQ(0, seek.WhatListNumber(kSheetX + 10, east1, 2, SEEKPOINT_PLANE));
  EXPECT_EQ(0, seek.WhatListNumber(kSheetX + 10, east3, 1, SEEKPOINT_PLANE));
  EXPECT_EQ(nullptr, seek.WhatListName(kSheetX + 10, east3, 1, SEEKPOINT_PLANE));
  // Where two frames overlap, the second sheet holding the point.
  EXPECT_EQ(2, seek.WhatListNumber(kSheetX + 10, east1 - 1, 2, SEEKPOINT_PLANE));
  // Map units and the picture.
  double x = kSheetX + 10, y = y2;
  doc->PlaneToMap(x, y);
  EXPECT_EQ(2, seek.WhatListNumber(LONG(x), LONG(y), 1));
  double px = kSheetX + 10, py = y2;
  doc->PlaneToPicture(px, py);
  EXPECT_EQ(2, seek.WhatListNumber(px, py, 1, SEEKPOINT_PICTURE));
  EXPECT_EQ(0, seek.WhatListNumber(kSheetX + 10, y2, 1, 9));
  if (!doc->IsGeoSupported()) {
    EXPECT_EQ(0, seek.WhatListNumber(1.0, 0.5, 1, SEEKPOINT_GEO));
  }

  EXPECT_STREQ("ABD", seek.GetListName(3));
  EXPECT_EQ(nullptr, seek.GetListName(0));
  EXPECT_EQ(0, seek.WhatListLayoutIs("abd"));
  EXPECT_EQ(-1, seek.WhatListLayoutIs("AB"));
  EXPECT_EQ(-1, seek.WhatListLayoutIs(nullptr));
}

}  // namespace

namespace {

// The view select through handles: a registered select copies its
// conditions both ways; null, unregistered and closed handles change
// nothing.
TEST_F(DocSeek, ViewSelectThroughHandles) {
  TMapSelect mine(doc);
  const HMAP map = reinterpret_cast<HMAP>(doc);
  const HSELECT handle = reinterpret_cast<HSELECT>(&mine);
  EXPECT_EQ(0, docSetViewSelect(map, handle));  // not registered yet
  ASSERT_EQ(1, liveRegister(LIVE_SELECT, &mine));
  mine.ClearAllLocals();
  mine.SetLocalSwitch(1);
  EXPECT_EQ(0, docSetViewSelect(0, handle));
  EXPECT_EQ(0, docSetViewSelect(map, 0));
  EXPECT_EQ(0, docSetViewSelect(map + 8, handle));
  EXPECT_EQ(1, docSetViewSelect(map, handle));
  EXPECT_EQ(0, TDocumentSeek(doc).ViewSelectObjectCount(nullptr));
  mine.SelectAll();
  EXPECT_EQ(1, docGetViewSelect(map, handle));
  EXPECT_EQ(1, int(mine.LocalSwitch));
  EXPECT_EQ(0, mine.GetSelectObjectCount());
  liveUnregister(LIVE_SELECT, &mine);
  EXPECT_EQ(0, docGetViewSelect(map, handle));
}

}  // namespace
