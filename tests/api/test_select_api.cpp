// Select contexts, samples, areas, the total search and nearest points
// through the loaded library, as a host calls them: a map of two sheets
// with roads and lakes, and every function of api/select_api.h and
// api/seek_api.h refusing null, invented and deleted handles.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "support/apiclassifier.h"
#include "support/apiheaders.h"
#include "support/apilibrary.h"
#include "support/apimaps.h"

namespace {

namespace fs = std::filesystem;

constexpr LONG kRoad = 31120000, kLake = 31410000;
constexpr double kX0 = 6000000, kY0 = 7400000, kSide = 10000;

class SelectApi : public apitest::LoadedLibraryTest {
 protected:
  void SetUp() override {
    LoadedLibraryTest::SetUp();
    if (HasFatalFailure()) return;
    FN(mapMessageEnable)(0);
    dir_ = apitest::FreshTestFolder("select_api_");
  }
  void TearDown() override {
    if (map_ != 0) FN(mapCloseData)(map_);
    fs::remove_all(dir_);
  }

  // The map "sel.map" of two sheets, SEL-1 and SEL-2 east of it, on a
  // classifier of a road and a lake kind.
  void MakeMap() {
    const std::string rsc = (dir_ / "sel.rsc").string();
    ASSERT_TRUE(apitest::MakeClassifier(
        lib, rsc, "SEL", {{kRoad, LOCAL_LINE, "ROAD"}, {kLake, LOCAL_SQUARE, "LAKE"}}));
    apitest::NewSheetMap registers("SEL-1", kX0, kY0, kSide);
    path_ = (dir_ / "sel.map").string();
    map_ = FN(mapCreateMapEx)(path_.c_str(), rsc.c_str(), &registers.map, &registers.sheet);
    ASSERT_NE(0, map_);
    LISTREGISTER second = registers.sheet;
    apitest::SetSquareSheet(second, "SEL-2", kX0, kY0 + kSide, kSide);
    ASSERT_EQ(1, FN(mapCreateList)(map_, &second));
  }
  // A road (a line of `side` metres northwards) or a lake (a square of
  // that side) whose south-west point lies (dx, dy) from the sheet's
  // corner, committed: its handle (freed by the caller).
  HOBJ Add(LONG sheet, bool lake, double dx, double dy, double side) {
    const HOBJ object = FN(mapCreateObject)(map_, sheet, 0, 0);
    EXPECT_NE(0, object);
    if (object == 0) return 0;
    const double x = kX0 + dx, y = kY0 + (sheet - 1) * kSide + dy;
    EXPECT_EQ(1, FN(mapRegisterObject)(object, lake ? kLake : kRoad, lake ? 1 : 0));
    const double lakeCorners[5][2] = {{0, 0}, {side, 0}, {side, side}, {0, side}, {0, 0}};
    const double roadCorners[2][2] = {{0, 0}, {side, 0}};
    for (int i = 0; i < (lake ? 5 : 2); ++i) {
      const double* c = lake ? lakeCorners[i] : roadCorners[i];
      EXPECT_NE(0, FN(mapAppendPointPlane)(object, x + c[0], y + c[1], 0));
    }
    EXPECT_GT(FN(mapCommit)(object), 0);
    return object;
  }
  void AddAndFree(LONG sheet, bool lake, double dx, double dy, double side) {
    FN(mapFreeObject)(Add(sheet, lake, dx, dy, side));
  }
  // Objects a search through the context finds.
  int Found(HSELECT select) {
    const HOBJ object = FN(mapCreateObject)(map_, 1, 0, 0);
    int n = 0;
    for (LONG flags = SEEK_FIRST; FN(mapSeekSelectObject)(map_, object, select, flags) != 0;
         flags = SEEK_NEXT)
      ++n;
    FN(mapFreeObject)(object);
    return n;
  }
  // Plane metres per unit of the map.
  double Scale() {
    double x1 = kX0, y1 = kY0, x2 = kX0 + 1000, y2 = kY0;
    FN(mapPlaneToMap)(map_, &x1, &y1);
    FN(mapPlaneToMap)(map_, &x2, &y2);
    return 1000 / (x2 - x1);
  }

  fs::path dir_;
  std::string path_;
  HMAP map_ = 0;
};

TEST_F(SelectApi, SetsAndKeysOfAFreshContext) {
  using SelectFn = void(WINAPI*)(HSELECT, LONG, LONG);
  using CheckFn = LONG(WINAPI*)(HSELECT, LONG);
  const struct {
    SelectFn select;
    CheckFn check;
  } sets[] = {{FN(mapSelectLayer), FN(mapCheckLayer)},
              {FN(mapSelectList), FN(mapCheckList)},
              {FN(mapSelectObject), FN(mapCheckObject)},
              {FN(mapSelectLocal), FN(mapCheckLocal)}};
  for (const auto& set : sets) {
    const HSELECT h = FN(mapCreateSelectContext)();
    ASSERT_NE(0, h);
    auto bits = [&] {
      std::string out;
      for (LONG n : {-1, 4, 5}) out += char('0' + set.check(h, n));
      return out;
    };
    EXPECT_EQ("111", bits());  // the condition off passes even -1
    set.select(h, 5, 0);
    EXPECT_EQ("010", bits());  // on: all but 5
    set.select(h, 5, 1);
    EXPECT_EQ("011", bits());  // all again, the condition still on
    set.select(h, -1, 0);
    EXPECT_EQ("000", bits());  // none
    set.select(h, -1, 1);
    EXPECT_EQ("111", bits());  // all, the condition off
    FN(mapDeleteSelectContext)(h);
  }

  const HSELECT h = FN(mapCreateSelectContext)();
  FN(mapSelectKey)(h, 10, -1);
  EXPECT_EQ(0, FN(mapCheckKey)(h, 9));
  EXPECT_EQ(1, FN(mapCheckKey)(h, 10));
  EXPECT_EQ(1, FN(mapCheckKey)(h, LONG(0x80000000u)));
  EXPECT_EQ(0, FN(mapCheckKey)(h, -1));
  FN(mapSelectKey)(h, -1, -1);
  EXPECT_EQ(1, FN(mapCheckKey)(h, -1));
  EXPECT_EQ(0, FN(mapGetMinKey)(h));
  EXPECT_EQ(0x7FFFFFFF, FN(mapGetMaxKey)(h));

  // Semantic conditions without a classifier, and the links.
  EXPECT_EQ(1, FN(mapSelectSemanticAppend)(h, 6, 5, "12"));
  EXPECT_EQ(1, FN(mapSelectSemanticCount)(h));
  EXPECT_EQ(6, FN(mapSelectSemanticCondition)(h, 1));
  EXPECT_EQ(5, FN(mapSelectSemanticCode)(h, 1));
  char text[16] = "x";
  EXPECT_EQ(text, FN(mapSelectSemanticValue)(h, 1, text, sizeof text));
  EXPECT_STREQ("12", text);
  EXPECT_EQ(32, FN(mapSelectSemanticLink)(h, 32) & 48);
  EXPECT_EQ(32, FN(mapGetSelectSemanticLink)(h));
  EXPECT_EQ(1, FN(mapSelectSemanticDelete)(h, 1));
  EXPECT_EQ(0, FN(mapSelectSemanticCount)(h));
  EXPECT_EQ(7, FN(mapSelectMeasureLink)(h, 7));
  EXPECT_EQ(32, FN(mapSelectMeasureLink)(h, 32) & 48);
  EXPECT_EQ(32, FN(mapGetSelectMeasureLink)(h) & 48);
  // Measures need a map.
  EXPECT_EQ(0, FN(mapSelectMeasureAppend)(h, 1, 4, 10.0, 0, 0.0));
  EXPECT_EQ(h, FN(mapSelectMeasureClear)(h));
  EXPECT_EQ(1, FN(mapClearSelectContext)(h));
  EXPECT_EQ(16, FN(mapGetSelectMeasureLink)(h) & 48);
  FN(mapDeleteSelectContext)(h);
}

TEST_F(SelectApi, ContextsOfADocumentOutliveIt) {
  ASSERT_NO_FATAL_FAILURE(MakeMap());
  std::vector<HSELECT> made;
  for (int i = 0; i < 255; ++i) {
    made.push_back(FN(mapCreateMapSelectContext)(map_));
    ASSERT_NE(0, made.back()) << i;
  }
  EXPECT_EQ(0, FN(mapCreateMapSelectContext)(map_));
  FN(mapDeleteSelectContext)(made[3]);
  made[3] = FN(mapCreateMapSelectContext)(map_);
  ASSERT_NE(0, made[3]);
  EXPECT_EQ(0, FN(mapCreateMapSelectContext)(map_));
  // A copy on the same map, with the source's conditions.
  FN(mapSelectLayer)(made[0], 2, 0);
  FN(mapDeleteSelectContext)(made[1]);
  made[1] = FN(mapCreateCopySelectContext)(made[0]);
  ASSERT_NE(0, made[1]);
  EXPECT_EQ(0, FN(mapCheckLayer)(made[1], 2));
  const HSELECT alone = FN(mapCreateSelectContext)();
  EXPECT_EQ(0, FN(mapCreateCopySelectContext)(alone));
  EXPECT_EQ(1, FN(mapCopySelectContext)(alone, made[0]));
  EXPECT_EQ(0, FN(mapCheckLayer)(alone, 2));
  // The contexts stay valid handles once the map is closed.
  FN(mapCloseData)(map_);
  map_ = 0;
  EXPECT_EQ(0, FN(mapCheckLayer)(made[0], 2));
  EXPECT_EQ(0, FN(mapSelectMeasureAppend)(made[0], 1, 4, 10.0, 0, 0.0));
  for (const HSELECT h : made) FN(mapDeleteSelectContext)(h);
  FN(mapDeleteSelectContext)(alone);
  EXPECT_EQ(0, FN(mapCheckLayer)(made[0], 2));
}

TEST_F(SelectApi, MeasuresAreKeptInTheMapsUnits) {
  ASSERT_NO_FATAL_FAILURE(MakeMap());
  for (double side : {50.0, 100.0, 200.0}) AddAndFree(1, true, 1000, 1000 + 3 * side, side);
  AddAndFree(1, false, 500, 500, 1000);
  const HSELECT h = FN(mapCreateMapSelectContext)(map_);
  const double s = Scale();
  ASSERT_GT(s, 0);
  // Areas between 5000 and 20000 square metres: the lake of 100 m.
  ASSERT_EQ(1, FN(mapSelectMeasureAppend)(h, 2, 6, 5000.0, 3, 20000.0));
  EXPECT_EQ(2, FN(mapIsSelectMeasureRange)(h, 1));
  EXPECT_EQ(2, FN(mapSelectMeasureCode)(h, 1));
  double first = 0, second = 0;
  EXPECT_EQ(2, FN(mapSelectMeasureValue)(h, 1, &first, &second));
  EXPECT_NEAR(5000.0 / (s * s), first, 1e-6);
  EXPECT_NEAR(20000.0 / (s * s), second, 1e-6);
  LONG c1 = 0, c2 = 0;
  EXPECT_EQ(2, FN(mapSelectMeasureCondition)(h, 1, &c1, &c2));
  EXPECT_EQ(6, c1);
  EXPECT_EQ(3, c2);
  EXPECT_EQ(1, Found(h));
  // Lengths by the scale factor: the road of 1000 m, and the lakes' sides.
  EXPECT_EQ(h, FN(mapSelectMeasureClear)(h));
  ASSERT_EQ(1, FN(mapSelectMeasureAppend)(h, 1, 6, 100.0, 3, 2000.0));
  EXPECT_NEAR(100.0 / s, (FN(mapSelectMeasureValue)(h, 1, &first, &second), first), 1e-6);
  EXPECT_EQ(1, Found(h));
  // A single comparison writes one value; other pairs and kinds are refused.
  ASSERT_EQ(1, FN(mapSelectMeasureAppend)(h, 3, 4, 500.0, 0, 0.0));
  second = -1;
  EXPECT_EQ(1, FN(mapSelectMeasureValue)(h, 2, &first, &second));
  EXPECT_EQ(-1, second);
  EXPECT_EQ(0, FN(mapSelectMeasureAppend)(h, 1, 4, 100.0, 3, 200.0));
  EXPECT_EQ(0, FN(mapSelectMeasureAppend)(h, 5, 4, 100.0, 0, 0.0));
  EXPECT_EQ(0, FN(mapSelectMeasureValue)(h, 3, &first, &second));
  EXPECT_EQ(2, FN(mapSelectMeasureCount)(h));
  FN(mapDeleteSelectContext)(h);
}

TEST_F(SelectApi, SamplesByNameAndByNumber) {
  ASSERT_NO_FATAL_FAILURE(MakeMap());
  const HOBJ a = Add(1, false, 100, 100, 100);
  const HOBJ b = Add(2, false, 100, 100, 100);
  AddAndFree(2, false, 300, 300, 100);
  const HOBJ gone = Add(2, true, 500, 500, 100);
  ASSERT_EQ(1, FN(mapDeleteObject)(gone));
  const LONG key = FN(mapObjectKey)(a);
  const HSELECT h = FN(mapCreateMapSelectContext)(map_);
  // Trailing blanks ignored, the name the start of the nomenclature.
  EXPECT_EQ(0, FN(mapSelectSample)(h, "SEX  ", key));
  EXPECT_EQ(1, FN(mapSelectSample)(h, "sel  ", key));
  EXPECT_EQ(1, FN(mapIsSample)(h));
  EXPECT_EQ(1, FN(mapGetSampleCount)(h, 1));
  EXPECT_EQ(key, FN(mapGetSampleByNumber)(h, 1, 1));
  EXPECT_EQ(0, FN(mapGetSampleByNumber)(h, 1, 2));
  EXPECT_EQ(1, Found(h));
  // Out again only by the whole name.
  EXPECT_EQ(0, FN(mapUnselectSample)(h, "SEL", key));
  EXPECT_EQ(1, FN(mapUnselectSample)(h, "sel-1", key));
  EXPECT_EQ(0, FN(mapIsSample)(h));
  // Every object of sheet 2 that is not deleted.
  EXPECT_EQ(2, FN(mapSetSampleAllObjects)(h, 2));
  ASSERT_EQ(1, FN(mapSelectSampleByNumber)(h, 2, 3));
  EXPECT_EQ(0, FN(mapGetSampleByNumber)(h, 2, 3));  // deleted
  ASSERT_EQ(1, FN(mapUnselectSampleByNumber)(h, 2, 3));
  EXPECT_EQ(1, FN(mapUnselectSampleByList)(h, 2, FN(mapObjectKey)(b)));
  EXPECT_EQ(1, FN(mapSelectSampleByList)(h, 1, key));
  EXPECT_EQ(1, FN(mapUnselectSampleByNumber)(h, 1, 1));
  EXPECT_EQ(0, FN(mapSelectSampleByNumber)(h, 0, 1));
  EXPECT_EQ(1, FN(mapSelectSampleByNumber)(h, 1, 1));
  EXPECT_EQ(2, Found(h));
  EXPECT_EQ(0, FN(mapSetSampleComplex)(h, 1));
  EXPECT_EQ(1, FN(mapSetSampleComplex)(h, 0));
  FN(mapClearSample)(h);
  EXPECT_EQ(0, FN(mapIsSample)(h));
  EXPECT_EQ(3, Found(h));
  // The document's seek select: key 0 is refused.
  EXPECT_EQ(0, FN(mapSelectSeekSample)(map_, "SEL-2", 0));
  EXPECT_EQ(1, FN(mapSelectSeekSample)(map_, "SEL-2", FN(mapObjectKey)(b)));
  EXPECT_EQ(1, FN(mapTotalSeekObjectCount)(map_));
  EXPECT_EQ(1, FN(mapSelectViewSample)(map_, "SEL-1", key));
  for (const HOBJ object : {a, b, gone}) FN(mapFreeObject)(object);
  FN(mapDeleteSelectContext)(h);
}

TEST_F(SelectApi, AreasAndTheTotalSearch) {
  ASSERT_NO_FATAL_FAILURE(MakeMap());
  const HOBJ area = Add(1, true, 1000, 1000, 2000);
  const HOBJ line = Add(1, false, 1000, 5000, 500);
  AddAndFree(1, true, 1500, 1500, 100);
  AddAndFree(2, false, 100, 100, 100);
  EXPECT_EQ(4, FN(mapTotalSeekObjectCount)(map_));

  // A context takes a closed area only.
  const HSELECT h = FN(mapCreateMapSelectContext)(map_);
  FN(mapSelectKey)(h, 1, 1);
  EXPECT_EQ(0, FN(mapSelectSeekArea)(h, line, 0.0, 1, 2, 0, 1));
  EXPECT_EQ(0, FN(mapCheckKey)(h, 2));  // unchanged
  EXPECT_EQ(1, FN(mapSelectSeekArea)(h, area, 0.0, 0, 2, 0, 1));
  EXPECT_EQ(1, FN(mapIsSample)(h));
  EXPECT_EQ(2, Found(h));  // the area and the lake inside it
  FN(mapUnselectSeekArea)(h);
  EXPECT_EQ(4, Found(h));

  // The document's area: its map by its file's name, case ignored.
  std::string upper = path_;
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  ASSERT_EQ(1, FN(mapSelectArea)(map_, area, 0.0, 0, 2, 0, "no such map", 1));
  EXPECT_EQ(-1, FN(mapGetTotalSeekMapRule)(map_));
  EXPECT_EQ(1, FN(mapSelectArea)(map_, area, 0.0, 0, 2, 0, upper.c_str(), 1));
  EXPECT_EQ(0, FN(mapGetTotalSeekMapRule)(map_));
  EXPECT_EQ(2, FN(mapTotalSeekObjectCount)(map_));
  DFRAME frame = {};
  ASSERT_EQ(1, FN(mapGetTotalSeekBorder)(map_, &frame));
  // The frame of the area's descriptor holds the small lake.
  DFRAME own = {};
  ASSERT_EQ(1, FN(mapObjectViewFrame)(area, &own));
  EXPECT_EQ(0, std::memcmp(&own, &frame, sizeof frame));
  FN(mapUnselectArea)(map_);
  EXPECT_EQ(4, FN(mapTotalSeekObjectCount)(map_));
  EXPECT_EQ(1, FN(mapSelectAreaEx)(map_, area, 0.0, 0, 2, 0, 1, -1));
  EXPECT_EQ(2, FN(mapTotalSeekObjectCount)(map_));

  // Access 0: the searches find nothing until the seek selects change.
  EXPECT_EQ(1, FN(mapSetTotalSeekAccess)(map_, 0));
  EXPECT_EQ(0, FN(mapTotalSeekObjectCount)(map_));
  EXPECT_EQ(0, FN(mapTotalSeekObject)(map_, line, SEEK_FIRST));
  EXPECT_EQ(1, FN(mapSetTotalSeekAccess)(map_, 1));
  EXPECT_EQ(4, FN(mapTotalSeekObjectCount)(map_));
  EXPECT_EQ(line, FN(mapTotalSeekObject)(map_, line, SEEK_FIRST));

  // Frozen, the search finds what there was.
  EXPECT_EQ(1, FN(mapFreezeMapContents)(map_));
  AddAndFree(1, false, 200, 200, 50);
  EXPECT_EQ(4, FN(mapTotalSeekObjectCount)(map_));
  EXPECT_EQ(1, FN(mapDefreezeMapContents)(map_));
  EXPECT_EQ(5, FN(mapTotalSeekObjectCount)(map_));

  // Painted into a window from a plane point.
  const HWND window = FN(platCreateWindow)(nullptr, nullptr, 64, 64);
  ASSERT_NE(nullptr, window);
  const DOUBLEPOINT corner = {kX0 + 3000, kY0 + 1000};
  EXPECT_EQ(1, FN(mapTotalViewSelect)(map_, window, &corner, 0xFF00FF, 3));
  EXPECT_EQ(0, FN(mapTotalViewSelect)(map_, nullptr, &corner, 0xFF00FF, 3));
  EXPECT_EQ(0, FN(mapTotalPaintSelect95)(map_, nullptr, nullptr, 0xFF00FF));
  FN(platDestroyWindow)(window);

  FN(mapSetTotalSeekViewRule)(map_, 1);
  EXPECT_EQ(1, FN(mapGetTotalSeekViewRule)(map_));
  FN(mapSetTotalSeekMapRule)(map_, 7);  // no such map: the main map
  EXPECT_EQ(0, FN(mapGetTotalSeekMapRule)(map_));
  FN(mapSetTotalSelectFlag)(map_, 3);
  EXPECT_EQ(3, FN(mapGetTotalSelectFlag)(map_));
  FN(mapFreeObject)(area);
  FN(mapFreeObject)(line);
  FN(mapDeleteSelectContext)(h);
}

TEST_F(SelectApi, NearestPointsOnAnObject) {
  ASSERT_NO_FATAL_FAILURE(MakeMap());
  // A square of 1000 m whose corner lies 1000 m from the sheet's.
  const HOBJ lake = Add(1, true, 1000, 1000, 1000);
  const DOUBLEPOINT point = {kX0 + 1600, kY0 + 2300};
  DOUBLEPOINT near = {};
  // The side from the third corner to the fourth, and the third corner.
  EXPECT_EQ(3, FN(mapSeekNearVirtualPoint)(map_, lake, &point, &near));
  EXPECT_NEAR(kX0 + 1600, near.X, 0.5);
  EXPECT_NEAR(kY0 + 2000, near.Y, 0.5);
  near = {};
  EXPECT_EQ(3, FN(mapSeekNearVirtualPointSubject)(0, lake, 0, &point, &near));
  EXPECT_NEAR(kY0 + 2000, near.Y, 0.5);
  EXPECT_EQ(3, FN(mapSeekNearPoint)(lake, &point, 0));
  EXPECT_EQ(1, FN(mapSeekVirtualPointByDistance)(lake, 1, 250.0, &near, 0));
  EXPECT_NEAR(kX0 + 1250, near.X, 0.5);
  EXPECT_EQ(0, FN(mapSeekVirtualPointByDistance)(lake, 0, 250.0, &near, 0));
  EXPECT_EQ(0, FN(mapSeekNearVirtualPoint)(0, lake, &point, &near));
  FN(mapFreeObject)(lake);
}

// Every function of the two headers given a null, an invented or a
// deleted handle: those that answer answer 0 (or nothing), and none has an
// effect, whether it answers or returns nothing: the invented handle's
// memory, a live context's conditions and sample and the document's
// search rules stay as they were.
TEST_F(SelectApi, EveryFunctionRefusesNullInventedAndDeletedHandles) {
  ASSERT_NO_FATAL_FAILURE(MakeMap());
  AddAndFree(1, false, 100, 100, 100);
  std::vector<apitest::DeclaredFunction> functions =
      apitest::DeclaredFunctions(MC_SOURCE_DIR "/api/select_api.h", "HSELECT|HMAP");
  const auto seek =
      apitest::DeclaredFunctions(MC_SOURCE_DIR "/api/seek_api.h", "HSELECT|HMAP|HOBJ");
  functions.insert(functions.end(), seek.begin(), seek.end());
  ASSERT_GE(functions.size(), 70u);
  int voids = 0;
  for (const apitest::DeclaredFunction& f : functions) voids += f.result == "void";
  EXPECT_GE(voids, 12);

  // A live context with conditions and a sample, and the document's rules.
  const HSELECT alive = FN(mapCreateMapSelectContext)(map_);
  ASSERT_NE(0, alive);
  FN(mapSelectLayer)(alive, 2, 0);
  FN(mapSelectLocal)(alive, LOCAL_SQUARE, 0);
  FN(mapSelectKey)(alive, 1, 20);
  ASSERT_EQ(1, FN(mapSelectSemanticAppend)(alive, 6, 5, "12"));
  ASSERT_EQ(1, FN(mapSelectSampleByNumber)(alive, 1, 1));
  FN(mapSetTotalSeekViewRule)(map_, 1);
  FN(mapSetTotalSelectFlag)(map_, 3);
  auto state = [&] {
    return std::vector<LONG>{FN(mapCheckLayer)(alive, 2),
                             FN(mapCheckLayer)(alive, 3),
                             FN(mapCheckLocal)(alive, LOCAL_SQUARE),
                             FN(mapGetMinKey)(alive),
                             FN(mapGetMaxKey)(alive),
                             FN(mapSelectSemanticCount)(alive),
                             FN(mapIsSample)(alive),
                             FN(mapGetSampleCount)(alive, 1),
                             FN(mapGetTotalSeekMapRule)(map_),
                             FN(mapGetTotalSeekViewRule)(map_),
                             FN(mapGetTotalSelectFlag)(map_),
                             FN(mapTotalSeekObjectCount)(map_)};
  };
  const std::vector<LONG> before = state();
  EXPECT_EQ((std::vector<LONG>{0, 1, 0, 1, 20, 1, 1, 1, -1, 1, 3, 1}), before);

  const HSELECT deleted = FN(mapCreateSelectContext)();
  FN(mapDeleteSelectContext)(deleted);
  std::vector<uint64_t> invented(8192, 0x5A5A5A5A5A5A5A5Aull);
  const intptr_t handles[] = {0, reinterpret_cast<intptr_t>(invented.data()), deleted};
  // A function returning nothing leaves no answer to read: its refusal is
  // seen in what it left alone.
  CallWithHandles(functions, {std::begin(handles), std::end(handles)}, ExpectRefusal);
  size_t changed = 0;
  for (const uint64_t word : invented) changed += word != 0x5A5A5A5A5A5A5A5Aull;
  EXPECT_EQ(0u, changed) << "words of the invented handle's memory written";
  EXPECT_EQ(before, state());
  FN(mapDeleteSelectContext)(alive);
}

}  // namespace
