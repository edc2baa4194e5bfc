// Relinking a map's objects when its classifier changed: objects follow
// their classification codes to the new numbers, a kind that is gone
// leaves the service object with the code in characteristic 32800, and a
// later relink brings the object back.
#include <gtest/gtest.h>

#include <cstring>

#include "classifier/maprsc.h"
#include "common/messages.h"
#include "mapstore/keytable.h"
#include "mapstore/map.h"
#include "records/semnedit.h"
#include "platform/file.h"
#include "support/host_recorder.h"
#include "support/objectbuilder.h"
#include "support/sheetbuilder.h"

using namespace objtest;

namespace {

const Points kBox = {{100, 300}, {200, 300}, {200, 500}, {100, 500}, {100, 300}};

class Relink : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    MessageEnableSet(0);
    // 16: line 5550, 17: area 5551, 18: point 5552.
    ASSERT_TRUE(WriteClassifier(Rsc(), {{5550, LOCAL_LINE}, {5551, LOCAL_POLYGON},
                                        {5552, LOCAL_POINT}}));
    ASSERT_TRUE(CreateMapFile(Path(), Rsc()));
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    ASSERT_EQ(1, map.OpenList(1));
    FVSPR d = Desc(LOCAL_POLYGON, 17);
    d.Segment = 1;
    Bytes metric = Metric(METRIC_I32, {kBox});
    Bytes semn = Semantics(9, 42);
    ASSERT_EQ(1, map.AppendObject(&d, As<LONGMETRIC>(metric), As<SEMANTIC>(semn), nullptr));
    FVSPR line = Desc(LOCAL_LINE, 16);
    line.Segment = 1;
    ASSERT_EQ(2, map.AppendObject(&line, As<LONGMETRIC>(metric), nullptr, nullptr));
    map.CloseData();
  }
  void TearDown() override { MessageEnableSet(1); }

  std::string Path() const { return dir / "map.map"; }
  std::string Rsc() const { return dir / "map.rsc"; }

  // Changes the classifier and saves it.
  template <class F>
  void EditClassifier(F f) {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(Rsc().c_str(), 0));
    f(rsc);
    ASSERT_EQ(1, rsc.Save(1));
  }

  sheettest::SheetFolder dir{MC_TEST_TMP};
};

LONG ObjectCode(TMap& map, int n) {
  TSemnEdit edit;
  edit.Load(TObjectSemn(map.List.ObjectSemnAddr(n)));
  return edit.GetObjectExcode();
}

}  // namespace

TEST_F(Relink, AVanishedKindBecomesTheServiceObjectAndComesBack) {
  // Kind 5551 is gone; a new kind makes the classifier differ in count.
  EditClassifier([](TMapRsc& rsc) {
    ASSERT_EQ(7777, rsc.SetObjExcode(17, 7777));
    RSCOBJ kind{};
    kind.Excode = 8888;
    kind.Local = LOCAL_LINE;
    ASSERT_EQ(19, rsc.AppendObject(&kind, 0));
  });
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0)) << map.MapError.Error();
    ASSERT_EQ(1, map.OpenList(1));
    const FVSPR* area = map.List.ObjectDesc(1);
    ASSERT_NE(nullptr, area);
    // The service object of areas, with the old code kept.
    EXPECT_EQ(map.Rsc.GetServObjIncode(LOCAL_POLYGON), area->Code);
    EXPECT_EQ(5551, ObjectCode(map, 1));
    // The other characteristics stay.
    TSemnEdit edit;
    edit.Load(TObjectSemn(map.List.ObjectSemnAddr(1)));
    char value[16];
    ASSERT_NE(nullptr, edit.SemanticValue(9, value, sizeof(value)));
    EXPECT_STREQ("42", value);
    // The line kept its kind; the new table matches the classifier.
    EXPECT_EQ(16, map.List.ObjectDesc(2)->Code);
    TMapKeyTable table;
    ASSERT_EQ(1, table.Read(&map, 1));
    EXPECT_EQ(19, table.Head.Count);
    EXPECT_EQ(7777u, table.Key(17));
  }
  // The code comes back under another number: the object follows it and
  // characteristic 32800 goes.
  EditClassifier([](TMapRsc& rsc) {
    RSCOBJ kind{};
    kind.Excode = 5551;
    kind.Local = LOCAL_POLYGON;
    kind.Segment = 3;
    ASSERT_EQ(20, rsc.AppendObject(&kind, 0));
  });
  TMap map;
  ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
  ASSERT_EQ(1, map.OpenList(1));
  const FVSPR* area = map.List.ObjectDesc(1);
  ASSERT_NE(nullptr, area);
  EXPECT_EQ(20, area->Code);
  EXPECT_EQ(3, area->Segment);
  EXPECT_EQ(0, ObjectCode(map, 1));
  EXPECT_EQ(2, map.List.Count());
}

TEST_F(Relink, NumbersFollowTheirCodesAndARefusedQuestionChangesNothing) {
  // The line's kind moves to a new number; its old number holds another
  // code now.
  EditClassifier([](TMapRsc& rsc) {
    ASSERT_EQ(6666, rsc.SetObjExcode(16, 6666));
    RSCOBJ kind{};
    kind.Excode = 5550;
    kind.Local = LOCAL_LINE;
    ASSERT_EQ(19, rsc.AppendObject(&kind, 0));
  });
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    ASSERT_EQ(1, map.OpenList(1));
    EXPECT_EQ(19, map.List.ObjectDesc(2)->Code);
    EXPECT_EQ(17, map.List.ObjectDesc(1)->Code);
    // The chain and the count are untouched.
    EXPECT_EQ(2, map.List.Count());
    ASSERT_NE(nullptr, map.List.FirstHead());
    EXPECT_EQ(1, map.List.CurrentObject);
  }
  // A refused question leaves everything as it was.
  EditClassifier([](TMapRsc& rsc) { ASSERT_EQ(1234, rsc.SetObjExcode(19, 1234)); });
  MessageEnableSet(1);
  mctest::RecordingMessageBox boxes(IDNO);
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    ASSERT_EQ(1, map.OpenList(1));
    EXPECT_EQ(19, map.List.ObjectDesc(2)->Code);
  }
  ASSERT_EQ(1u, boxes.boxes().size());
  EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("relink"));
}
