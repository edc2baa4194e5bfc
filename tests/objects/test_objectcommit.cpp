// The map object written back: what each commit mode hands to the map,
// closing of new areas, text entries by local type, commit across closing
// and reopening the map, delete and undelete (a refused write included),
// the subordinates of a deleted set leader, revert, the metric check
// with its log lines, and the sheet's writers and backups taking an object
// handle.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "objects/objectinfo.h"
#include "support/objfixture.h"

using namespace objinfotest;
using objtest::Metric;

namespace {

const Points kOpenBox = {{100, 300}, {200, 300}, {200, 500}, {100, 500}};
const Points kLine = {{10, 20}, {30, 40}, {50, 45}};

// The parts of every object change the map reports.
void RecordParts(void* context, TMap*, int notice, const SHEETCHANGE* change) {
  if (notice == MAPNOTICE_CHANGE && change != nullptr)
    static_cast<std::vector<int>*>(context)->push_back(change->Parts);
}

class ObjectCommit : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m.ok()); }
  int Road(const Bytes& semn = IntSemantics({{SEM_WIDTH, 5}})) {
    return m.Append(1, LOCAL_LINE, KIND_ROAD, Metric(METRIC_F32, {kLine}), semn);
  }
  std::string Log() {
    std::string name = m.map.MapError.LogName();
    for (char& c : name)
      if (c == '\\') c = '/';
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  ObjectMap m;
};

}  // namespace

TEST_F(ObjectCommit, ANewAreaIsClosedAndAppended) {
  for (const Points& contour : {kOpenBox, Points{{1, 1}, {1, 9}, {9, 9}, {1, 1}}}) {
    TObjectInfo o;
    ASSERT_EQ(1, o.CreateObject(&m.map, 1, METRIC_F32, 0));
    ASSERT_EQ(1, o.DescribeObject(KIND_LAKE));
    for (const auto& p : contour) ASSERT_EQ(1, o.Metric.AppendPointSubject(0, p.first, p.second));
    const int n = o.Commit(1);
    ASSERT_GT(n, 0);
    EXPECT_EQ(n, o.ObjectNumber());
    EXPECT_NE(0u, o.ObjectKey());
    TObjectInfo back;
    back.Object(&m.map, 1, n);
    const int count = back.PointCount(0);
    EXPECT_EQ(int(contour.size()) + (contour == kOpenBox ? 1 : 0), count);
    EXPECT_EQ(back.Metric.XNDouble(1), back.Metric.XNDouble(count));
    EXPECT_EQ(back.Metric.YNDouble(1), back.Metric.YNDouble(count));
  }
}

TEST_F(ObjectCommit, ModeOneHandsOverOnlyTheChangedParts) {
  const Bytes line = objtest::Draw({{128, Bytes{1, 0, 0, 0, 0x10, 0, 0, 0}}});
  struct Case {
    const char* what;
    int expected;
  } cases[] = {
      {"nothing", CHANGEPART_DESC},
      {"metric", CHANGEPART_DESC | CHANGEPART_DATA},
      {"semantics", CHANGEPART_DESC | CHANGEPART_SEMN},
      {"graphics", CHANGEPART_DESC | CHANGEPART_DRAW},
      {"metric graphics", CHANGEPART_DESC | CHANGEPART_DATA | CHANGEPART_DRAW},
      {"metric semantics", CHANGEPART_DESC | CHANGEPART_DATA | CHANGEPART_SEMN | CHANGEPART_DRAW},
  };
  std::vector<int> parts;
  ASSERT_EQ(1, m.map.AddObserver(RecordParts, &parts));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int n = m.Append(1, LOCAL_LINE, KIND_ROAD, Metric(METRIC_F32, {kLine}),
                           IntSemantics({{SEM_WIDTH, 5}}), line);
    TObjectInfo o;
    o.Object(&m.map, 1, n);
    const std::string what = c.what;
    if (what.find("metric") != std::string::npos) o.UpdatePointPlane(o.XPlane(1, 0) + 5, 0, 1, 0);
    if (what.find("semantics") != std::string::npos) o.Semn.Append(SEM_NAME, 3);
    if (what.find("graphics") != std::string::npos) o.Draw.SetChanged(1);
    parts.clear();
    ASSERT_EQ(n, o.Commit(1));
    ASSERT_EQ(1u, parts.size());
    EXPECT_EQ(c.expected, parts[0]);
    // Only a graphics-only commit clears the graphics changed flag.
    EXPECT_EQ(what.find("graphics") != std::string::npos && what != "graphics",
              o.Draw.IsChanged() != 0);
  }
  // Mode 0 writes everything.
  TObjectInfo o;
  o.Object(&m.map, 1, 1);
  parts.clear();
  ASSERT_EQ(1, o.Commit(0));
  EXPECT_EQ(std::vector<int>{CHANGEPART_DESC | CHANGEPART_DATA | CHANGEPART_SEMN | CHANGEPART_DRAW},
            parts);
  m.map.RemoveObserver(RecordParts, &parts);
}

TEST_F(ObjectCommit, ALineLosesItsTextEntriesATitleKeepsThem) {
  for (int kind : {KIND_LABEL, KIND_ROAD}) {
    TObjectInfo o;
    ASSERT_EQ(1, o.CreateObject(&m.map, 1, METRIC_F32, 1));
    ASSERT_EQ(1, o.DescribeObject(KIND_LABEL));
    o.Metric.AppendPointSubject(0, 5, 5);
    o.Metric.AppendPointSubject(0, 5, 50);
    ASSERT_EQ(1, o.PutText("TOWN", 0));
    // Taken for a line without being classified again: the texts are
    // still there when it is committed.
    if (kind == KIND_ROAD) o.Desc->Local = LOCAL_LINE, o.Desc->Code = KIND_ROAD;
    const int n = o.Commit(1);
    ASSERT_GT(n, 0);
    m.map.OpenList(1);
    const LONGMETRIC* stored = m.map.List.ObjectDataAddr(n);
    ASSERT_NE(nullptr, stored);
    // 12 bytes of header, a count word and two points of 8 bytes.
    if (kind == KIND_ROAD)
      EXPECT_EQ(32u, stored->Length);
    else
      EXPECT_GT(stored->Length, 32u);
  }
}

TEST_F(ObjectCommit, CommitCloseReopenGivesTheSameObject) {
  TObjectInfo o;
  ASSERT_EQ(1, o.CreateObject(&m.map, 2, METRIC_F32, 0));
  ASSERT_EQ(1, o.DescribeObject(KIND_ROAD));
  for (const auto& p : kLine) o.Metric.AppendPointSubject(0, p.first, p.second);
  const int n = o.Commit(1);
  ASSERT_GT(n, 0);
  const Bytes metric(reinterpret_cast<char*>(o.Metric.Record),
                     reinterpret_cast<char*>(o.Metric.Record) + o.Metric.Record->Length);
  const FVSPR desc = *o.Desc;
  m.map.CloseData();
  ASSERT_EQ(1, m.map.OpenData(m.Path().c_str(), 0));
  TObjectInfo back;
  back.Object(&m.map, 2, n);
  ASSERT_NE(nullptr, back.Desc);
  EXPECT_EQ(0, std::memcmp(&desc, back.Desc, sizeof(desc)));
  ASSERT_EQ(metric.size(), back.Metric.Record->Length);
  EXPECT_EQ(0, std::memcmp(metric.data(), back.Metric.Record, metric.size()));
  EXPECT_EQ(5, [&] {
    back.Semn.Cursor()->FindCode(SEM_WIDTH);
    return int(back.Semn.Cursor()->CurrentValue()->LongValue());
  }());  // the series limit with its default value
}

TEST_F(ObjectCommit, DeleteUndeleteAndRevert) {
  const int n = Road();
  TObjectInfo o;
  o.Object(&m.map, 1, n);
  const Bytes metric(reinterpret_cast<char*>(o.Metric.Record),
                     reinterpret_cast<char*>(o.Metric.Record) + o.Metric.Record->Length);
  ASSERT_EQ(1, o.Delete());
  FVSPR stored = m.Stored(1, n);
  EXPECT_TRUE(FvsprIsDeleted(&stored));
  TObjectInfo gone;
  gone.Object(&m.map, 1, n);
  EXPECT_EQ(1, gone.Descriptor().Cancel());  // still readable, marked

  ASSERT_EQ(1, gone.Undelete());
  stored = m.Stored(1, n);
  EXPECT_FALSE(FvsprIsDeleted(&stored));
  EXPECT_FALSE(FvsprIsDeleted(m.map.List.ObjectDesc(n)));
  gone.Object(&m.map, 1, n);
  EXPECT_EQ(0, std::memcmp(metric.data(), gone.Metric.Record, metric.size()));

  // Revert drops the edits and the registered moves.
  ASSERT_EQ(1, gone.UpdatePointPlaneInMap(1, 2, 1, 0, 0.001));
  gone.Semn.Append(SEM_NAME, 3);
  ASSERT_EQ(1, gone.PointRegister()->Count());
  ASSERT_EQ(1, gone.Revert());
  EXPECT_EQ(0, std::memcmp(metric.data(), gone.Metric.Record, metric.size()));
  EXPECT_EQ(nullptr, gone.Semn.Cursor()->FindCode(SEM_NAME));
  EXPECT_EQ(0, gone.PointRegister()->Count());
  EXPECT_EQ(0, gone.Metric.ChangedFlag + gone.Semn.IsChanged());

  TObjectInfo fresh;  // never written: nothing to delete or revert
  ASSERT_EQ(1, fresh.CreateObject(&m.map, 1, 0, 0));
  EXPECT_EQ(0, fresh.Delete() + fresh.Undelete() + fresh.Revert() + TObjectInfo().Commit(1));
}

TEST_F(ObjectCommit, ARefusedWriteFailsDeleteAndUndelete) {
  const int n = Road();
  m.map.CloseData();
  ASSERT_EQ(1, m.map.OpenData(m.Path().c_str(), int(0x80000000u)));  // read only
  TObjectInfo o;
  o.Object(&m.map, 1, n);
  ASSERT_NE(nullptr, o.Desc);
  EXPECT_EQ(0, o.Delete());
  EXPECT_EQ(0, o.Descriptor().Cancel());
  EXPECT_EQ(0, o.Undelete());  // the commit's refusal is the answer
  EXPECT_EQ(0, o.Commit(1));
}

TEST_F(ObjectCommit, DeletingASetLeaderFreesItsSubordinates) {
  const int leader = Road(IntSemantics({{SEM_WIDTH, 5}, {GROUPSEM_LEADER, 7}}));
  const int a = Road(IntSemantics({{SEM_WIDTH, 5}, {GROUPSEM_SUBORDINATE, 7}}));
  const int b = Road(IntSemantics({{GROUPSEM_SUBORDINATE, 8}, {SEM_WIDTH, 5}}));
  const int c = Road(IntSemantics({{GROUPSEM_SUBORDINATE, 7}}));
  TObjectInfo o;
  o.Object(&m.map, 1, leader);
  LONG number = 0;
  ASSERT_EQ(GROUPSEM_LEADER, o.ObjectSetCode(&number));
  EXPECT_EQ(7, number);
  ASSERT_EQ(1, o.Delete());
  TObjectInfo member;
  for (int n : {a, b, c}) {
    member.Object(&m.map, 1, n);
    EXPECT_EQ(n == b ? GROUPSEM_SUBORDINATE : 0, member.ObjectSetCode(nullptr)) << n;
  }
  EXPECT_TRUE(FvsprIsDeleted(m.map.List.ObjectDesc(leader)));
}

TEST_F(ObjectCommit, TheMetricCheckReportsToTheLog) {
  const int n = m.Append(1, LOCAL_LINE, KIND_ROAD, Metric(METRIC_F32, {kLine, {{1, 1}}}));
  TObjectInfo o;
  o.Object(&m.map, 1, n);
  EXPECT_EQ(0, o.CheckMetricStructure());
  std::string log = Log();
  EXPECT_NE(std::string::npos, log.find("\xCE" "bject : 600-LINE-"));
  EXPECT_NE(std::string::npos, log.find(" subject : 1\nLine object metric has less then 2 points"));

  // Four bytes more than the contours: reported, still good.
  m.map.OpenList(1);
  o.Object(&m.map, 1, Road());
  o.Metric.Record->Length += 4;
  EXPECT_EQ(1, o.CheckMetricStructure());
  EXPECT_NE(std::string::npos,
            Log().find("Check sum subobject metric(40) not equal then record metric length(44)"));
  o.Metric.Record->Ident = 0x12345678;
  EXPECT_EQ(0, o.CheckMetricStructure());
  EXPECT_NE(std::string::npos, Log().find("Object metric identifier is failed"));

  TObjectInfo unbound;
  EXPECT_EQ(1, unbound.CheckMetricStructure() * (1 - unbound.ErrorMessage("x", 1, 0)));
}

TEST_F(ObjectCommit, MustSemanticsGetTheirDefaults) {
  TObjectInfo o;
  ASSERT_EQ(1, o.CreateObject(&m.map, 1, METRIC_F32, 0));
  ASSERT_EQ(1, o.RegisterObject(600, LOCAL_LINE));
  o.Semn.Clear();
  ASSERT_EQ(1, o.AppendMustSemantic());
  ASSERT_NE(nullptr, o.Semn.Cursor()->FindCode(SEM_WIDTH));
  EXPECT_EQ(5, o.Semn.Cursor()->CurrentValue()->LongValue());
  EXPECT_EQ(0, TObjectInfo().AppendMustSemantic());
}

// In edit mode an object steps back through its earlier versions: a copy
// loaded into the object is written by the commit as the current version.
TEST_F(ObjectCommit, EarlierVersionsComeBackThroughTheCommit) {
  ASSERT_EQ(1, m.map.WorkMode(1));
  const int n = Road();
  TObjectInfo o;
  o.Object(&m.map, 1, n);
  const double x0 = o.XPlane(1, 0);
  ASSERT_EQ(1, o.UpdatePointPlane(x0 + 50, o.YPlane(1, 0), 1));
  ASSERT_EQ(n, o.Commit(1));
  ASSERT_EQ(1, o.GetBackObjectCount());
  const int k = o.ReadObjectCopyByNumber(1);
  ASSERT_EQ(1, k);
  EXPECT_DOUBLE_EQ(x0, o.XPlane(1, 0));
  ASSERT_EQ(n, o.Commit(1));
  TObjectInfo back;
  back.Object(&m.map, 1, n);
  EXPECT_DOUBLE_EQ(x0, back.XPlane(1, 0));
  // The commit saved the moved version: copy 2, rank 1 among two.
  EXPECT_EQ(2, back.RestoreBackObject(1));
  EXPECT_EQ(1, back.DeleteObjectCopyToNumber(2));
  EXPECT_EQ(0, back.ReadObjectCopyByNumber(1));
  EXPECT_EQ(0, TObjectInfo().ReadObjectCopyByNumber(1));
}

// The sheet takes object handles: its writers take the handle's
// descriptor and records, its backups load a copy into the handle.
TEST_F(ObjectCommit, TheSheetWritesAndStepsBackAnObjectHandle) {
  ASSERT_EQ(1, m.map.WorkMode(1));
  ASSERT_EQ(1, m.map.OpenList(1));
  TMapList& list = m.map.List;
  TObjectInfo o;
  ASSERT_EQ(1, o.CreateObject(&m.map, 1, METRIC_F32, 0));
  ASSERT_EQ(1, o.DescribeObject(KIND_ROAD));
  for (const auto& p : kLine) ASSERT_EQ(1, o.Metric.AppendPointSubject(0, p.first, p.second));
  const int n = list.AppendObject(&o);
  ASSERT_GT(n, 0);
  TObjectInfo back;
  back.Object(&m.map, 1, n);
  EXPECT_EQ(kLine.size(), size_t(back.PointCount(0)));
  EXPECT_EQ(10.0, back.Metric.XNDouble(1));

  o.Metric.GoPointSubject(1, 0);
  o.Metric.XDouble(15.0);
  ASSERT_EQ(n, list.UpdateObject(n, &o));
  back.Object(&m.map, 1, n);
  EXPECT_EQ(15.0, back.Metric.XNDouble(1));

  // The copy saved by the update goes back into the handle.
  const int k = list.ReadObjectCopyByNumber(1, &back);
  ASSERT_GT(k, 0);
  EXPECT_EQ(10.0, back.Metric.XNDouble(1));
  EXPECT_EQ(1, list.RestoreBackObject(k, &back));
  EXPECT_EQ(1, list.DeleteObjectCopyToNumber(1, &back));
  EXPECT_EQ(0, list.ReadObjectCopyByNumber(1, &back));
  EXPECT_EQ(0, list.ReadObjectCopyByNumber(1, static_cast<TObjectInfo*>(nullptr)));
  EXPECT_EQ(0, list.AppendObject(nullptr));
  EXPECT_EQ(0, list.UpdateObject(n, nullptr));
}
