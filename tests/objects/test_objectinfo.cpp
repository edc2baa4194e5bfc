// The map object: handles, binding to a sheet and its origin, reading every
// object of a two-sheet map back as written, point objects without a
// metric, copying records and handles, and creating new objects.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "objects/objectinfo.h"
#include "platform/fault.h"
#include "support/objfixture.h"

using namespace objinfotest;
using objtest::Draw;
using objtest::Metric;

namespace {

const Points kBox = {{100, 300}, {200, 300}, {200, 500}, {100, 500}, {100, 300}};
const Points kLine = {{10, 20}, {30, 40}, {50, 45}};

bool SameBytes(const void* a, const void* b, size_t n) {
  return a != nullptr && b != nullptr && std::memcmp(a, b, n) == 0;
}

// A map of two sheets on the fixture classifier.
class MapTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m.ok()); }
  // A road with a width on a sheet; its number.
  int Road(int sheet, const Bytes& draw = {}) {
    return m.Append(sheet, LOCAL_LINE, KIND_ROAD, Metric(METRIC_F32, {kLine}),
                    IntSemantics({{SEM_WIDTH, 5}}), draw);
  }
  ObjectMap m;
};
class ObjectPlace : public MapTest {};
class ObjectRead : public MapTest {};
class ObjectCopy : public MapTest {};
class ObjectCreate : public MapTest {};

// A point object whose descriptor carries a frame and no metric record.
int AppendBarePoint(ObjectMap& m, int sheet, LONG x1, LONG y1, LONG x2, LONG y2) {
  if (m.map.OpenList(sheet) != 1) return 0;
  FVSPR d = objtest::Desc(LOCAL_POINT, KIND_TOWN);
  d.X1 = x1, d.Y1 = y1, d.X2 = x2, d.Y2 = y2;
  return m.map.AppendObject(&d, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(ObjectHandles, OnlyLiveHandlesAreAccepted) {
  TObjectInfo* h = TObjectInfo::NewHandle();
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(h, TObjectInfo::FromHandle(h->Handle()));
  EXPECT_EQ(nullptr, TObjectInfo::FromHandle(0));
  TObjectInfo local;  // never given out
  EXPECT_EQ(nullptr, TObjectInfo::FromHandle(local.Handle()));
  EXPECT_EQ(nullptr, TObjectInfo::FromHandle(HOBJ(0x1234)));
  EXPECT_EQ(0, TObjectInfo::FreeHandle(local.Handle()));
  EXPECT_EQ(0, TObjectInfo::FreeHandle(HOBJ(0x1234)));
  const HOBJ value = h->Handle();
  EXPECT_EQ(1, TObjectInfo::FreeHandle(value));
  EXPECT_EQ(nullptr, TObjectInfo::FromHandle(value));
  EXPECT_EQ(0, TObjectInfo::FreeHandle(value));
}

TEST_F(ObjectPlace, SheetAndOriginFollowTheMap) {
  TObjectInfo o;
  o.Object(&m.map, 2, 0);
  EXPECT_EQ(&m.map, o.GetMap());
  EXPECT_EQ(2, o.ListNumber());
  EXPECT_EQ(0, o.ObjectNumber(-5));  // below 1: a new object
  const DOUBLEPOINT* two = m.map.ViewPosition(2);
  ASSERT_NE(nullptr, two);
  EXPECT_EQ(std::make_pair(two->X, two->Y), std::make_pair(o.Origin.X, o.Origin.Y));
  EXPECT_EQ(1, o.ListNumber(0));
  EXPECT_EQ(m.map.ViewPosition(1)->X, o.Origin.X);
  EXPECT_NE(o.Origin.X, two->X);
  EXPECT_STREQ("S1", o.ListName());
  o.ListNumber(2);
  EXPECT_STREQ("S2", o.ListName());
  o.ListNumber(9);  // no such sheet: no origin, an empty name
  EXPECT_EQ(0.0, o.Origin.X);
  EXPECT_STREQ("", o.ListName());

  // A sheet that cannot be opened detaches the object.
  o.Object(&m.map, 9, 1);
  EXPECT_EQ(nullptr, o.GetMap());
  EXPECT_EQ(1, o.ListNumber());
  EXPECT_EQ(nullptr, o.Desc);
}

TEST_F(ObjectRead, APointWithoutMetricStandsAtTheCentreOfItsFrame) {
  const int n = AppendBarePoint(m, 1, 100, -50, 201, -31);
  ASSERT_GT(n, 0);
  ASSERT_EQ(0u, m.Stored(1, n).DataOffset);
  TObjectInfo o;
  o.Object(&m.map, 1, n);
  ASSERT_NE(nullptr, o.Desc);
  ASSERT_NE(nullptr, o.Metric.Record);
  EXPECT_EQ(METRIC_F32, o.Metric.Record->Ident);
  EXPECT_EQ(0, o.Metric.Record->Count);
  EXPECT_EQ(1, o.Metric.PointCount(0));
  EXPECT_EQ(std::make_pair(150.5, -40.5), std::make_pair(o.Metric.XNDouble(1), o.Metric.YNDouble(1)));
  EXPECT_EQ(0, o.Metric.ChangedFlag);  // nothing to write back
  EXPECT_EQ(0, o.Desc->Flags & FVSPR_3D);
}

TEST_F(ObjectRead, OnAUserMapOneSheetNoOriginAndDoublePoints) {
  ObjectMap u(true, 1, "user");
  ASSERT_TRUE(u.ok());
  const int n = AppendBarePoint(u, 1, 7, 8, 9, 10);
  ASSERT_GT(n, 0);
  TObjectInfo o;
  o.Object(&u.map, 5, n);
  EXPECT_EQ(1, o.ListNumber());
  EXPECT_EQ(std::make_pair(0.0, 0.0), std::make_pair(o.Origin.X, o.Origin.Y));
  ASSERT_NE(nullptr, o.Metric.Record);
  EXPECT_EQ(METRIC_F64, o.Metric.Record->Ident);
  EXPECT_EQ(std::make_pair(8.0, 9.0), std::make_pair(o.Metric.XNDouble(1), o.Metric.YNDouble(1)));
}

TEST_F(ObjectRead, EveryObjectOfTwoSheetsReadsBackAsWritten) {
  struct Written {
    int sheet, n;
    Bytes metric, semn, draw;
  };
  std::vector<Written> all;
  auto add = [&](int sheet, int local, uint16_t code, Bytes metric, Bytes semn, Bytes draw) {
    const int n = m.Append(sheet, local, code, metric, semn, draw);
    ASSERT_GT(n, 0);
    all.push_back({sheet, n, metric, semn, draw});
  };
  const Bytes line = Draw({{128, Bytes{1, 0, 0, 0, 0x10, 0, 0, 0}}});
  for (int sheet = 1; sheet <= 2; ++sheet) {
    add(sheet, LOCAL_LINE, KIND_ROAD, Metric(METRIC_F32, {kLine, {{1, 2}, {3, 4}}}),
        IntSemantics({{SEM_WIDTH, 5}, {SEM_NAME, sheet}}), {});
    add(sheet, LOCAL_SQUARE, KIND_LAKE, Metric(METRIC_F64, {kBox}), {}, line);
    add(sheet, LOCAL_POINT, KIND_TOWN, Metric(METRIC_F32H, {{{60, 70}}}), IntSemantics({{4, 9}}),
        {});
    add(sheet, LOCAL_TITLE, KIND_LABEL, Metric(METRIC_F32, {{{5, 5}, {5, 50}}}, {"TOWN"}, 22),
        {}, {});
    add(sheet, LOCAL_LINE, 0, Metric(METRIC_I32, {kLine}), {}, line);
  }
  TObjectInfo o;
  for (const Written& w : all) {
    SCOPED_TRACE(::testing::Message() << "sheet " << w.sheet << " object " << w.n);
    const FVSPR stored = m.Stored(w.sheet, w.n);
    o.Object(&m.map, w.sheet, w.n);
    EXPECT_EQ(w.sheet, o.ListNumber());
    EXPECT_EQ(w.n, o.ObjectNumber());
    ASSERT_EQ(&o.DescCopy, o.Desc);
    EXPECT_TRUE(SameBytes(&stored, o.Desc, sizeof(FVSPR)));
    EXPECT_TRUE(SameBytes(w.metric.data(), o.Metric.Record, w.metric.size()));
    EXPECT_EQ(FvsprLocal(&stored) == LOCAL_TITLE, o.Metric.TextFlag != 0);
    EXPECT_TRUE(w.semn.empty() ? o.Semn.Record() == nullptr || o.Semn.DataLength() == 0
                               : SameBytes(w.semn.data(), o.Semn.Record(), w.semn.size()));
    EXPECT_TRUE(w.draw.empty() ? o.Draw.Record() == nullptr || o.Draw.Count() == 0
                               : SameBytes(w.draw.data(), o.Draw.Record(), w.draw.size()));
    EXPECT_EQ(0, o.Metric.ChangedFlag + o.Semn.IsChanged() + o.Draw.IsChanged());
  }
  // The three-dimensional point has the bit set; the title reads its text.
  o.Object(&m.map, 2, all[7].n);
  EXPECT_NE(0, o.Desc->Flags & FVSPR_3D);
  o.Object(&m.map, 2, all[8].n);
  char text[16];
  o.Metric.FirstPointSubject(0);
  EXPECT_STREQ("TOWN", o.Metric.GetText(text, sizeof(text)));

  // The object owns copies: reading others through the same caches does
  // not change it.
  o.Object(&m.map, 1, all[0].n);
  TObjectInfo other;
  for (const Written& w : all) other.Object(&m.map, w.sheet, w.n);
  EXPECT_TRUE(SameBytes(all[0].metric.data(), o.Metric.Record, all[0].metric.size()));
  EXPECT_TRUE(SameBytes(all[0].semn.data(), o.Semn.Record(), all[0].semn.size()));
}

TEST_F(ObjectRead, MissingObjectsLeaveNoDescriptor) {
  ASSERT_GT(Road(1), 0);
  TObjectInfo o;
  EXPECT_EQ(&o, o.Object(&m.map, 1, 99));
  EXPECT_TRUE(o.Desc == nullptr && o.Metric.Record == nullptr);
  EXPECT_EQ(&m.map, o.GetMap());
  EXPECT_EQ(99, o.ObjectNumber());
  o.Object(&m.map, 1, 0);
  EXPECT_EQ(nullptr, o.Desc);
  EXPECT_EQ(0, o.ObjectNumber());

  MAPOBJDESC place = {1, 1, &m.map};
  EXPECT_EQ(&o, o.Object(&place));
  EXPECT_NE(nullptr, o.Desc);
  place.Map = nullptr;
  o.Object(&place);
  EXPECT_EQ(nullptr, o.GetMap());
  EXPECT_EQ(nullptr, o.Desc);
  EXPECT_EQ(1, o.ListNumber());
  o.Object(static_cast<MAPOBJDESC*>(nullptr));
  EXPECT_EQ(nullptr, o.GetMap());
  EXPECT_EQ(0, o.ObjectExcode());
}

// A record that cannot be copied (no memory for a larger block) fails the
// read: the object must not show the records of the object read before.
TEST_F(ObjectRead, ARecordThatCannotBeCopiedFailsTheRead) {
  Points many;
  for (int i = 0; i < 6000; ++i) many.push_back({double(i), double(i % 7)});
  std::vector<std::pair<uint16_t, int32_t>> values;
  for (int i = 0; i < 700; ++i) values.push_back({SEM_NAME, i});
  const int small = Road(1);
  const int bigMetric = m.Append(1, LOCAL_LINE, KIND_ROAD, Metric(METRIC_F32, {many}));
  const int bigSemn =
      m.Append(1, LOCAL_LINE, KIND_ROAD, Metric(METRIC_F32, {kLine}), IntSemantics(values));
  ASSERT_TRUE(small > 0 && bigMetric > 0 && bigSemn > 0);
  for (int big : {bigMetric, bigSemn}) {
    SCOPED_TRACE(big);
    TObjectInfo o;
    ASSERT_NE(nullptr, o.Object(&m.map, 1, small)->Desc);
    plat::fault::FailAllocation(1, true);
    o.Object(&m.map, 1, big);
    plat::fault::Reset();
    EXPECT_TRUE(o.Desc == nullptr && o.Metric.Record == nullptr && o.Semn.Record() == nullptr);
    // With memory the same object reads whole.
    o.Object(&m.map, 1, big);
    ASSERT_NE(nullptr, o.Desc);
    EXPECT_EQ(big == bigMetric ? 6000 : 3, o.Metric.PointCount(0));
    EXPECT_EQ(big == bigSemn ? 700 * 8 : 0, o.Semn.DataLength());
  }
}

// A record damaged inside its file (by another program, or a disk) fails
// the read of its object alone, with 60005: the object is neither read
// with its points or characteristics missing nor with another's. Objects
// whose records are sound read as written.
TEST_F(ObjectRead, ADamagedRecordFailsTheReadOfItsObjectAlone) {
  const Bytes line = Draw({{128, Bytes{1, 0, 0, 0, 0x10, 0, 0, 0}}});
  const Bytes semn = IntSemantics({{SEM_WIDTH, 5}, {SEM_NAME, 7}});
  std::vector<int> objects;
  for (int i = 0; i < 4; ++i)
    objects.push_back(m.Append(1, LOCAL_SQUARE, KIND_LAKE,
                               Metric(METRIC_F32, {kBox, {{1, 2}, {3, 4}, {1, 2}}}), semn, line));
  ASSERT_EQ((std::vector<int>{1, 2, 3, 4}), objects);
  const FVSPR victim = m.Stored(1, 2), last = m.Stored(1, 4);
  m.map.CloseData();
  const std::string dat = m.dir.Read("S1.DAT"), sem = m.dir.Read("S1.SEM"),
                    gra = m.dir.Read("S1.GRA");

  struct Case {
    const char* what;
    const char* file;
    size_t at;        // of the file
    uint32_t value;   // written there (4 bytes, or 2 with `half`)
    bool half;
    int damaged;      // the object that no longer reads
  };
  const DWORD data = victim.DataOffset, sem2 = victim.SemnOffset, draw = victim.DrawOffset;
  const Case cases[] = {
      {"metric marker", "S1.DAT", data, 0x12345678, false, 2},
      // Read by the 12 bytes of its points, the second contour's count
      // word falls in a float and claims 16,256 of them.
      {"kind without a point size, a count past the record", "S1.DAT", data, METRIC_I32H, false,
       2},
      {"metric length past the end", "S1.DAT", data + 4, uint32_t(dat.size()), false, 2},
      {"metric length below its head", "S1.DAT", data + 4, 12, false, 2},
      {"contour count past the record", "S1.DAT", data + 12, 0x00400000, false, 2},
      {"subject count past the contours", "S1.DAT", data + 8, 3, true, 2},
      {"semantics marker", "S1.SEM", sem2, 0x7FFE, true, 2},
      {"semantics length past its blocks", "S1.SEM", sem2 + 2, 22, true, 2},
      {"characteristic of another type", "S1.SEM", sem2 + 6, 8, true, 2},
      {"graphics element past the record", "S1.GRA", draw + 12, 40, true, 2},
      {"metric file cut in its last record", "S1.DAT", last.DataOffset + 40, 0, false, 4},
      {"semantics file cut in its last record", "S1.SEM", last.SemnOffset + 10, 0, false, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m.dir.Write("S1.DAT", dat);
    m.dir.Write("S1.SEM", sem);
    m.dir.Write("S1.GRA", gra);
    std::string bytes = m.dir.Read(c.file);
    if (std::string(c.what).find(" cut ") != std::string::npos)
      bytes.resize(c.at);
    else
      std::memcpy(&bytes[c.at], &c.value, c.half ? 2 : 4);
    m.dir.Write(c.file, bytes);
    ASSERT_EQ(1, m.map.OpenData(m.Path().c_str(), 0));
    TObjectInfo o;
    for (int n : objects) {
      o.Object(&m.map, 1, n);
      if (n == c.damaged) {
        EXPECT_TRUE(o.Desc == nullptr && o.Metric.Record == nullptr) << n;
        EXPECT_EQ(MAPERR_DATA, o.GetError()) << n;
        EXPECT_EQ(MAPERR_DATA, m.map.List.GetError()) << n;
      } else {
        ASSERT_NE(nullptr, o.Desc) << n;
        EXPECT_EQ(8, o.Metric.TotalPointCount()) << n;
        EXPECT_TRUE(SameBytes(semn.data(), o.Semn.Record(), semn.size())) << n;
        EXPECT_EQ(1, o.Draw.Count()) << n;
      }
    }
    m.map.CloseData();
  }
}

TEST_F(ObjectCopy, OntoItselfNothingChanges) {
  const int n = Road(1);
  TObjectInfo o;
  o.Object(&m.map, 1, n);
  ASSERT_EQ(1, o.Metric.AppendPointSubject(0, 70, 80));
  o.Draw.SetChanged(1);
  const LONGMETRIC* record = o.Metric.Record;
  const DWORD length = record->Length;
  EXPECT_EQ(&o, o.Object(&o));
  EXPECT_EQ(record, o.Metric.Record);
  EXPECT_EQ(length, o.Metric.Record->Length);
  EXPECT_EQ(1, o.Metric.ChangedFlag);
  EXPECT_EQ(1, o.Draw.IsChanged());
  EXPECT_EQ(n, o.ObjectNumber());
  EXPECT_EQ(&o.DescCopy, o.Desc);
}

TEST_F(ObjectCopy, ACopyCarriesMetricAndSemanticsFlagsButNotGraphics) {
  const int n = Road(2, Draw({{128, Bytes(8, 1)}}));
  TObjectInfo source;
  source.Object(&m.map, 2, n);
  ASSERT_EQ(1, source.Metric.AppendPointSubject(0, 70, 80));
  ASSERT_NE(nullptr, source.Semn.Append(SEM_NAME, 3));
  ASSERT_EQ(1, source.Semn.IsChanged());
  ASSERT_GT(source.Draw.AppendElement(128, Bytes(8, 2).data()), 0);
  ASSERT_EQ(1, source.Draw.IsChanged());

  TObjectInfo copy(&source);
  EXPECT_EQ(&m.map, copy.GetMap());
  EXPECT_EQ(2, copy.ListNumber());
  EXPECT_EQ(n, copy.ObjectNumber());
  EXPECT_EQ(source.Origin.X, copy.Origin.X);
  EXPECT_TRUE(SameBytes(source.Desc, copy.Desc, sizeof(FVSPR)));
  EXPECT_NE(source.Metric.Record, copy.Metric.Record);
  EXPECT_TRUE(SameBytes(source.Metric.Record, copy.Metric.Record, source.Metric.Record->Length));
  EXPECT_TRUE(SameBytes(source.Semn.Record(), copy.Semn.Record(), source.Semn.Record()->Length));
  EXPECT_TRUE(SameBytes(source.Draw.Record(), copy.Draw.Record(), source.Draw.Record()->Length));
  EXPECT_EQ(std::make_tuple(1, 1, 0),
            std::make_tuple(copy.Metric.ChangedFlag, copy.Semn.IsChanged(), copy.Draw.IsChanged()));

  // Unchanged source: unchanged copy.
  source.Object(&m.map, 2, n);
  copy.Object(&source);
  EXPECT_EQ(0, copy.Metric.ChangedFlag + copy.Semn.IsChanged());

  // A null source detaches.
  copy.Object(static_cast<TObjectInfo*>(nullptr));
  EXPECT_TRUE(copy.GetMap() == nullptr && copy.Desc == nullptr && copy.Metric.Record == nullptr);
  EXPECT_EQ(1, copy.ListNumber());
}

TEST_F(ObjectCopy, ACopyReadsTextsTheLocalTypeDoesNotCallFor) {
  // A line object made with text entries keeps them until it is committed;
  // a copy must read its metric the same way and not misplace contours.
  TObjectInfo source;
  ASSERT_EQ(1, source.CreateObject(&m.map, 1, METRIC_F32, 1));
  ASSERT_EQ(LOCAL_LINE, FvsprLocal(source.Desc));
  ASSERT_EQ(1, source.Metric.AppendPointSubject(0, 1, 2));
  ASSERT_NE(0, source.Metric.PutText("AB", -1));
  ASSERT_EQ(1, source.Metric.CreateSubject());
  ASSERT_EQ(1, source.Metric.AppendPointSubject(1, 5, 6));
  TObjectInfo copy(&source);
  EXPECT_EQ(1, copy.Metric.TextFlag);
  EXPECT_EQ(1, copy.Metric.PointCount(1));
  EXPECT_DOUBLE_EQ(5.0, copy.Metric.XNDouble(1));
  char text[8];
  copy.Metric.FirstPointSubject(0);
  EXPECT_STREQ("AB", copy.Metric.GetText(text, sizeof(text)));
}

TEST_F(ObjectCopy, CopyDataWithoutDescriptorDeletesTheData) {
  TObjectInfo o;
  ASSERT_EQ(1, o.CreateObject(&m.map, 1, 0, 0));
  Bytes metric = Metric(METRIC_F32, {kLine});
  EXPECT_EQ(0, o.CopyData(TObjectDesc(), TObjectData(objtest::As<LONGMETRIC>(metric)),
                          TObjectSemn(), TObjectDraw()));
  EXPECT_TRUE(o.Desc == nullptr && o.Metric.Record == nullptr);

  // An area without metric empties the buffer it has, as f32 points.
  FVSPR area = objtest::Desc(LOCAL_SQUARE, KIND_LAKE);
  area.Flags = FVSPR_3D;
  ASSERT_EQ(1, o.CopyData(TObjectDesc(&area), TObjectData(objtest::As<LONGMETRIC>(metric)),
                          TObjectSemn(), TObjectDraw()));
  ASSERT_EQ(1, o.CopyData(TObjectDesc(&area), TObjectData(), TObjectSemn(), TObjectDraw()));
  ASSERT_NE(nullptr, o.Metric.Record);
  EXPECT_EQ(METRIC_F32, o.Metric.Record->Ident);
  EXPECT_EQ(16u, o.Metric.Record->Length);
  EXPECT_EQ(0, o.Desc->Flags & FVSPR_3D);

  // The records given by the object constructor are copied, not kept.
  Bytes semn = IntSemantics({{SEM_WIDTH, 5}});
  TObjectInfo bound(&m.map, TObjectDesc(&area), TObjectData(objtest::As<LONGMETRIC>(metric)),
                    TObjectSemn(objtest::As<SEMANTIC>(semn)), 2, -3, TObjectDraw());
  EXPECT_EQ(2, bound.ListNumber());
  EXPECT_EQ(0, bound.ObjectNumber());
  EXPECT_NE(reinterpret_cast<char*>(bound.Metric.Record), metric.data());
  EXPECT_TRUE(SameBytes(semn.data(), bound.Semn.Record(), semn.size()));
}

TEST_F(ObjectCreate, KindsFollowTheMapsPrecision) {
  ObjectMap& sheets = m;
  ObjectMap user(true, 1, "user");
  ASSERT_TRUE(user.ok());
  ASSERT_EQ(0, sheets.map.GetPrecision());
  ASSERT_NE(0, user.map.GetPrecision());
  struct Case {
    DWORD kind, plain, precise;
  } cases[] = {
      {0, METRIC_F32, METRIC_F64},
      {METRIC_F32, METRIC_F32, METRIC_F64},
      {METRIC_U16, METRIC_F32, METRIC_F64},
      {METRIC_F32H, METRIC_F32H, METRIC_F64H},
      {METRIC_U16H, METRIC_F32, METRIC_F64H},
      {METRIC_I32H, METRIC_F32H, METRIC_F64H},
      {METRIC_F64, METRIC_F64, METRIC_F64},
      {METRIC_F64H, METRIC_F64H, METRIC_F64H},
      {METRIC_I32, METRIC_F32, METRIC_I32},
      {0x12345678, METRIC_F32, METRIC_F64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.kind);
    EXPECT_EQ(int(c.plain), TObjectInfo::NormalKind(&sheets.map, int(c.kind)));
    EXPECT_EQ(int(c.precise), TObjectInfo::NormalKind(&user.map, int(c.kind)));
    TObjectInfo a, b;
    ASSERT_EQ(1, a.CreateObject(&sheets.map, 1, int(c.kind), 0));
    ASSERT_EQ(1, b.CreateObject(&user.map, 1, int(c.kind), 0));
    EXPECT_EQ(c.plain, a.Metric.Record->Ident);
    EXPECT_EQ(c.precise, b.Metric.Record->Ident);
    EXPECT_EQ(ObjectKindIs3D(c.precise) ? FVSPR_3D : 0, b.Desc->Flags & FVSPR_3D);
  }
}

TEST_F(ObjectCreate, ANewObjectIsEmptyAndUnwritten) {
  TObjectInfo o;
  EXPECT_EQ(0, o.CreateObject(nullptr, 1, 0, 0));
  o.Object(&m.map, 2, Road(2, Draw({{128, Bytes(8, 1)}})));
  ASSERT_EQ(1, o.Group.Create(0, 0));
  ASSERT_EQ(1, o.CreateObject(&m.map, 2, METRIC_F32H, 1));
  EXPECT_EQ(0, o.ObjectNumber());
  EXPECT_EQ(2, o.ListNumber());
  EXPECT_EQ(nullptr, o.Group.Head());
  FVSPR zero{};
  zero.Flags = FVSPR_3D;
  EXPECT_TRUE(SameBytes(&zero, o.Desc, sizeof(FVSPR)));
  EXPECT_EQ(METRIC_F32H, o.Metric.Record->Ident);
  EXPECT_EQ(20u, o.Metric.Record->Length);  // an empty text entry
  EXPECT_EQ(1, o.Metric.TextFlag);
  EXPECT_EQ(0, o.Semn.DataLength() + o.Draw.Count() + o.Metric.ChangedFlag + o.Draw.IsChanged());

  // Buffers without records stay without.
  TObjectInfo fresh;
  ASSERT_EQ(1, fresh.CreateObject(&m.map, 1, 0, 0));
  EXPECT_TRUE(fresh.Semn.Record() == nullptr && fresh.Draw.Record() == nullptr);
}
