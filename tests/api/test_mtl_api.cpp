// The layer matrix functions through the loaded library, as a host calls
// them: every function of a map handle refusing null, foreign and closed
// handles; creation and opening; the chain's view settings; heights and
// powers at points and along a line; the layers and their block, read
// back from the file; the border; opening beside a map that lies
// elsewhere; and building through the sibling library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "support/apiheaders.h"
#include "support/apilibrary.h"
#include "support/apimaps.h"

namespace {

namespace fs = std::filesystem;

constexpr double kX0 = 6000000.0, kY0 = 500000.0, kSize = 10.0;
constexpr double kNoHeight = -111111.0, kNoPower = -1111111.0;

class MtlApi : public apitest::LibraryFolderTest {
 protected:
  // A layer matrix of rows x columns 10 m elements from (kX0, kY0), with
  // `layers` layers of 2 bytes in metres, and heights of `heightBytes`.
  static MTLBUILDPARM Build(int rows, int columns, int layers, int heightBytes) {
    MTLBUILDPARM b{};
    b.Length = 128;
    b.BeginX = kX0;
    b.BeginY = kY0;
    b.EndX = kX0 + rows * kSize;
    b.EndY = kY0 + columns * kSize;
    b.ElementSize = kSize;
    b.LayerCount = layers;
    b.HeightBytes = heightBytes;
    b.PowerBytes = 2;
    b.Scale = 1000;
    return b;
  }
  HMAP Create(const char* name, int rows = 4, int columns = 5, int layers = 2,
              int heightBytes = 2) {
    MTLBUILDPARM b = Build(rows, columns, layers, heightBytes);
    return FN(mapCreateMtl)(Path(name).c_str(), &b);
  }
  // A document with a map of one 1000 m sheet at (kX0, kY0).
  HMAP CreateMap() {
    apitest::NewClassifier classifier("MTL");
    FN(mapCloseRsc)(
        FN(mapCreateRsc)(Path("m.rsc").c_str(), &classifier.create, &classifier.palette));
    apitest::NewSheetMap reg("M", kX0, kY0, 1000.0);
    return FN(mapCreateMapEx)(Path("m.map").c_str(), Path("m.rsc").c_str(), &reg.map,
                              &reg.sheet);
  }
};

// Message boxes a test answers, with their texts.
struct Boxes {
  int answer = IDOK;
  std::vector<std::string> texts;
  static int Hook(HWND, const char* text, const char*, UINT, void* context) {
    Boxes* self = static_cast<Boxes*>(context);
    self->texts.push_back(text ? text : "");
    return self->answer;
  }
  bool Saw(const char* part) const {
    for (const std::string& t : texts)
      if (t.find(part) != std::string::npos) return true;
    return false;
  }
};

TEST_F(MtlApi, EveryFunctionRefusesNullForeignAndClosedHandles) {
  const std::vector<apitest::DeclaredFunction> functions =
      apitest::DeclaredFunctions(MC_SOURCE_DIR "/api/mtl_api.h", "HMAP");
  // All but the two that make a new document.
  ASSERT_EQ(57u, functions.size());
  const HMAP closed = Create("closed.mtl");
  ASSERT_NE(0, closed);
  FN(mapCloseData)(closed);
  std::vector<uint64_t> foreign(1 << 15, 0x5A5A5A5A5A5A5A5Aull);
  CallWithHandles(functions, {0, reinterpret_cast<intptr_t>(foreign.data()), closed},
                  [](const apitest::DeclaredFunction& f, const Answer& a) {
                    if (f.result == "void") return;
                    if (f.result == "double") {
                      const double expected = f.name == "mapGetMinBotLevelHeight" ? 0.0
                                              : f.name.find("Height") != std::string::npos
                                                  ? kNoHeight
                                                  : kNoPower;
                      EXPECT_EQ(expected, a.real) << f.name;
                    } else if (f.result == "LONG" || f.result == "COLORREF") {
                      const int32_t expected = f.name == "mapCheckShowMtlByBorder" ? -1 : 0;
                      EXPECT_EQ(expected, int32_t(a.value)) << f.name;
                    } else {
                      EXPECT_EQ(0, a.value) << f.name;
                    }
                  });
}

TEST_F(MtlApi, CreationAndOpening) {
  // A record of another length is refused with 60040 in its length word.
  MTLBUILDPARM b = Build(4, 5, 2, 2);
  b.Length = 127;
  EXPECT_EQ(0, FN(mapCreateMtl)(Path("a.mtl").c_str(), &b));
  EXPECT_EQ(60040, b.Length);
  EXPECT_FALSE(fs::exists(Path("a.mtl")));
  b = Build(4, 5, 2, 2);
  EXPECT_EQ(0, FN(mapCreateMtl)(nullptr, &b));
  EXPECT_EQ(0, FN(mapCreateMtl)(Path("a.mtl").c_str(), nullptr));
  EXPECT_EQ(0, FN(mapOpenMtl)(Path("none.mtl").c_str(), 0));
  std::ofstream(Path("text.mtl")) << "no layer matrix, only text long enough for a header";
  EXPECT_EQ(0, FN(mapOpenMtl)(Path("text.mtl").c_str(), 0));

  const HMAP h = FN(mapCreateMtl)(Path("a.mtl").c_str(), &b);
  ASSERT_NE(0, h);
  EXPECT_EQ(1, FN(mapGetMtlCount)(h));
  EXPECT_STREQ(Path("a.mtl").c_str(), FN(mapGetMtlName)(h, 1));
  EXPECT_EQ(nullptr, FN(mapGetMtlName)(h, 2));

  // With projection data: its length must be 128 and the projection one
  // the transformation accepts.
  MTRPROJECTIONDATA proj{};
  proj.Length = 120;
  proj.ProjectionWord = 1;
  proj.ProjectionCode = 1;
  proj.Parameters[2] = 10.0;  // an axis meridian past two pi
  EXPECT_EQ(0, FN(mapCreateAndAppendMtl)(h, Path("b.mtl").c_str(), &b, &proj));
  proj.Length = 128;
  EXPECT_EQ(0, FN(mapCreateAndAppendMtl)(h, Path("b.mtl").c_str(), &b, &proj));
  EXPECT_FALSE(fs::exists(Path("b.mtl")));
  proj.Parameters[2] = 0.5;
  ASSERT_EQ(2, FN(mapCreateAndAppendMtl)(h, Path("b.mtl").c_str(), &b, &proj));
  MTRPROJECTIONDATA back{};
  ASSERT_EQ(1, FN(mapGetMtlProjectionData)(h, 2, &back));
  EXPECT_EQ(0u, back.Length);
  EXPECT_EQ(1, back.ProjectionWord);
  EXPECT_EQ(1, back.ProjectionCode);
  EXPECT_EQ(0.5, back.Parameters[2]);
  // A name already open is that matrix again.
  EXPECT_EQ(1, FN(mapOpenMtlForMap)(h, Path("a.mtl").c_str(), 0));
  EXPECT_EQ(0, FN(mapOpenMtlForMap)(h, Path("none.mtl").c_str(), 0));
  EXPECT_EQ(2, FN(mapGetMtlCount)(h));
  EXPECT_EQ(1, FN(mapCloseMtlForMap)(h, 1));
  EXPECT_STREQ(Path("b.mtl").c_str(), FN(mapGetMtlName)(h, 1));
  FN(mapCloseMtl)(h, 0);
  EXPECT_EQ(0, FN(mapGetMtlCount)(h));
  FN(mapCloseData)(h);
}

TEST_F(MtlApi, ViewSettingsGeometryAndTheShowRange) {
  const HMAP h = Create("v.mtl", 70, 5, 3, 4);
  ASSERT_NE(0, h);
  LONG bottom = 0, top = 0;
  EXPECT_EQ(0, FN(mapSetMtlRangeScaleVisible)(h, 1, 0, 100));
  EXPECT_EQ(0, FN(mapSetMtlRangeScaleVisible)(h, 1, 100, 99));
  ASSERT_EQ(1, FN(mapGetMtlRangeScaleVisible)(h, 1, &bottom, &top));
  EXPECT_EQ(1, bottom);
  EXPECT_EQ(40000000, top);
  EXPECT_EQ(1, FN(mapSetMtlRangeScaleVisible)(h, 1, 100, 100));
  ASSERT_EQ(1, FN(mapGetMtlRangeScaleVisible)(h, 1, &bottom, &top));
  EXPECT_EQ(100, bottom);
  EXPECT_EQ(100, top);

  EXPECT_EQ(0, FN(mapGetMtlViewOrder)(h, 1));
  EXPECT_EQ(1, FN(mapSetMtlViewOrder)(h, 1, 5));
  EXPECT_EQ(1, FN(mapGetMtlViewOrder)(h, 1));
  EXPECT_EQ(0, FN(mapGetMtlViewOrder)(h, 2));
  EXPECT_EQ(-1, FN(mapSetMtlViewOrder)(h, 2, 1));
  EXPECT_EQ(1, FN(mapGetMtlView)(h, 1));
  EXPECT_EQ(1, FN(mapGetMtlNumberLastVisible)(h));
  EXPECT_EQ(0, FN(mapSetMtlView)(h, 1, 0));
  EXPECT_EQ(0, FN(mapGetMtlNumberLastVisible)(h));
  MTLDESCRIBE d{};
  ASSERT_EQ(1, FN(mapGetMtlDescribe)(h, 1, &d));
  EXPECT_EQ(0, d.View);
  EXPECT_EQ(3, d.LayerCount);
  EXPECT_EQ(1, d.HasHeight);
  EXPECT_EQ(kX0 + 700.0, d.FrameX2);

  EXPECT_EQ(1000, FN(mapGetMtlScale)(h, 1));
  EXPECT_EQ(70, FN(mapGetMtlElementRow)(h, 1));
  EXPECT_EQ(5, FN(mapGetMtlElementColumn)(h, 1));
  EXPECT_EQ(2, FN(mapGetMtlBlockRow)(h, 1));
  EXPECT_EQ(1, FN(mapGetMtlBlockColumn)(h, 1));
  // 64 rows of 5 records of 4 + 3 x 2 bytes.
  EXPECT_EQ(64 * 5 * 10, FN(mapGetMtlBlockSize)(h, 1));
  ASSERT_EQ(1, FN(mapPutElementHeight)(h, 1, kX0 + 5.0, kY0 + 5.0, 12.0));
  const char* block = FN(mapGetMtlBlockAddress)(h, 1, 1, 0);
  ASSERT_NE(nullptr, block);
  int32_t stored = 0;
  std::memcpy(&stored, block + 5 * 10 * 5, 4);  // the last row of the second block row
  EXPECT_EQ(12, stored);
  EXPECT_EQ(nullptr, FN(mapGetMtlBlockAddress)(h, 1, 2, 0));

  // The show range is written into the header as given.
  EXPECT_EQ(1, FN(mapSetMtlShowRange)(h, 1, 12.5, 99.0));
  EXPECT_EQ(1, FN(mapSaveMtl)(h, 1));
  EXPECT_EQ(0, FN(mapSaveMtl)(h, 2));
  FN(mapCloseData)(h);
  const std::vector<uint8_t> file = apitest::ReadFileBytes(Path("v.mtl"));
  ASSERT_GE(file.size(), 320u);
  double range[2];
  std::memcpy(range, &file[280], sizeof range);
  EXPECT_EQ(12.5, range[0]);
  EXPECT_EQ(99.0, range[1]);
}

// The frame holds its east and north edges; heights and powers come from
// the matrix asked, the first or the finest one.
TEST_F(MtlApi, HeightsAndPowersAtPointsAndAlongALine) {
  const HMAP h = Create("p.mtl");
  ASSERT_NE(0, h);
  const double east = kY0 + 50.0, x = kX0 + 15.0;
  ASSERT_EQ(1, FN(mapPutElementHeight)(h, 1, x, east - 5.0, 42.0));
  EXPECT_EQ(42.0, FN(mapGetElementHeightOfMtl)(h, 1, x, east));
  EXPECT_EQ(kNoHeight, FN(mapGetElementHeightOfMtl)(h, 1, x, east + 0.01));
  EXPECT_EQ(1, FN(mapGetMtlNumberInPoint)(h, x, east, 1));
  EXPECT_EQ(1, FN(mapGetMtlNumberInPoint)(h, kX0 + 40.0, kY0, 1));
  EXPECT_EQ(0, FN(mapGetMtlNumberInPoint)(h, x, east + 0.01, 1));
  EXPECT_EQ(0, FN(mapGetMtlNumberInPoint)(h, x, east, 2));

  ASSERT_EQ(1, FN(mapPutElementPower)(h, 1, x, kY0 + 5.0, 7.0, 2));
  EXPECT_EQ(0, FN(mapPutElementPower)(h, 1, x, kY0 + 5.0, 7.0, 3));
  EXPECT_EQ(0, FN(mapPutElementPower)(h, 2, x, kY0 + 5.0, 7.0, 1));
  EXPECT_EQ(7.0, FN(mapGetElementPowerOfMtl)(h, 1, x, kY0 + 5.0, 2));
  EXPECT_EQ(7.0, FN(mapGetElementPower)(h, x, kY0 + 5.0, 2));
  EXPECT_EQ(kNoPower, FN(mapGetElementPower)(h, x, kY0 + 5.0, 1));
  EXPECT_EQ(kNoPower, FN(mapGetElementPowerOfMtl)(h, 2, x, kY0 + 5.0, 2));

  // A finer matrix later in the chain answers the finest queries.
  MTLBUILDPARM fine = Build(8, 10, 2, 2);
  fine.ElementSize = 5.0;
  MTRPROJECTIONDATA none{};
  none.Length = 128;
  none.ProjectionCode = -1;
  ASSERT_EQ(2, FN(mapCreateAndAppendMtl)(h, Path("fine.mtl").c_str(), &fine, &none));
  ASSERT_EQ(1, FN(mapPutElementHeight)(h, 2, x, east - 5.0, 43.0));
  ASSERT_EQ(1, FN(mapPutElementPower)(h, 2, x, kY0 + 5.0, 8.0, 2));
  EXPECT_EQ(42.0, FN(mapGetElementHeight)(h, x, east - 5.0));
  EXPECT_EQ(43.0, FN(mapGetPrecisionElementHeight)(h, x, east - 5.0));
  EXPECT_EQ(8.0, FN(mapGetPrecisionElementPower)(h, x, kY0 + 5.0, 2));
  EXPECT_EQ(7.0, FN(mapGetElementPower)(h, x, kY0 + 5.0, 2));
  EXPECT_EQ(2, FN(mapGetMaxLayerCount)(h));

  // Between element centres: at a centre, the element's own powers.
  ASSERT_EQ(1, FN(mapPutElementPower)(h, 1, x, kY0 + 5.0, 3.0, 1));
  double powers[2] = {};
  EXPECT_EQ(1, FN(mapGetElementPowersTriangleOfMtl)(h, 1, x, kY0 + 5.0, powers, 2));
  EXPECT_EQ(0, FN(mapGetElementPowersTriangleOfMtl)(h, 1, x, kY0 + 5.0, powers, 3));
  EXPECT_DOUBLE_EQ(3.0, powers[0]);
  EXPECT_DOUBLE_EQ(7.0, powers[1]);
  EXPECT_DOUBLE_EQ(7.0, FN(mapGetElementPowerTriangleOfMtl)(h, 1, x, kY0 + 5.0, 2));
  EXPECT_EQ(kNoPower, FN(mapGetElementPowerTriangleOfMtl)(h, 1, x, kY0 + 500.0, 2));

  // Five points along a line: the caller's first point ends on the fourth;
  // with two it stays where it was.
  ASSERT_EQ(1, FN(mapPutElementHeight)(h, 1, kX0 + 35.0, kY0 + 5.0, 5.0));
  double heights[5] = {};
  DOUBLEPOINT first = {kX0 + 5.0, kY0 + 5.0}, last = {kX0 + 45.0, kY0 + 5.0};
  ASSERT_EQ(1, FN(mapGetHeightArrayFromMtl)(h, heights, 5, &first, &last));
  EXPECT_EQ(kX0 + 35.0, first.X);
  EXPECT_EQ(kY0 + 5.0, first.Y);
  EXPECT_EQ(5.0, heights[3]);
  EXPECT_EQ(kNoHeight, heights[4]);
  first = {kX0 + 5.0, kY0 + 5.0};
  ASSERT_EQ(1, FN(mapGetHeightArrayFromMtl)(h, heights, 2, &first, &last));
  EXPECT_EQ(kX0 + 5.0, first.X);
  EXPECT_EQ(0, FN(mapGetHeightArrayFromMtl)(h, heights, 1, &first, &last));
  FN(mapCloseData)(h);
}

// Colours, largest powers and short names of the layers, and the block's
// bottom level and summary power, are kept in the file's layer block.
TEST_F(MtlApi, TheLayersAndTheirBlockAreSavedWithTheMatrix) {
  HMAP h = Create("l.mtl", 4, 5, 2, 0);
  ASSERT_NE(0, h);
  EXPECT_EQ(0xA0B0C0u, FN(mapSetLayerColor)(h, 1, 2, 0xA0B0C0));
  EXPECT_EQ(0u, FN(mapSetLayerColor)(h, 1, 3, 0xA0B0C0));
  EXPECT_EQ(0u, FN(mapGetLayerColor)(h, 1, 0));
  EXPECT_EQ(1234, FN(mapSetMaxLayerHeight)(h, 1, 1, 1234));
  EXPECT_EQ(0, FN(mapSetMaxLayerHeight)(h, 2, 1, 1234));
  EXPECT_EQ(nullptr, FN(mapSetLayerShortName)(h, 1, 1, nullptr));
  // Twenty characters: the first sixteen are kept, read back terminated.
  const char* one = FN(mapSetLayerShortName)(h, 1, 1, "ABCDEFGHIJKLMNOPQRST");
  ASSERT_NE(nullptr, one);
  EXPECT_STREQ("ABCDEFGHIJKLMNOP", one);
  const char* two = FN(mapSetLayerShortName)(h, 1, 2, "sand");
  ASSERT_NE(nullptr, two);
  EXPECT_STREQ("ABCDEFGHIJKLMNOP", one);
  EXPECT_EQ(nullptr, FN(mapGetLayerShortName)(h, 1, 3));

  // A summary power and a bottom level set here are what the chain and
  // the document answer.
  EXPECT_EQ(0.0, FN(mapGetMaxSummaryPowerOfMtl)(h, 1));
  EXPECT_EQ(1, FN(mapSetMtlMaxSummaryPower)(h, 1, 250.0));
  EXPECT_EQ(1, FN(mapSetMtlBotLevel)(h, 1, -40.0));
  EXPECT_EQ(0, FN(mapSetMtlBotLevel)(h, 2, -40.0));
  EXPECT_EQ(250.0, FN(mapGetMaxSummaryPowerOfMtl)(h, 1));
  EXPECT_EQ(250.0, FN(mapGetMaxSummaryPower)(h));
  EXPECT_EQ(-40.0, FN(mapGetMinBotLevelHeight)(h));
  EXPECT_EQ(kNoPower, FN(mapGetMaxSummaryPowerOfMtl)(h, 2));
  FN(mapCloseData)(h);

  h = FN(mapOpenMtl)(Path("l.mtl").c_str(), 0);
  ASSERT_NE(0, h);
  EXPECT_EQ(0xA0B0C0u, FN(mapGetLayerColor)(h, 1, 2));
  EXPECT_EQ(1234, FN(mapGetMaxLayerHeight)(h, 1, 1));
  EXPECT_STREQ("ABCDEFGHIJKLMNOP", FN(mapGetLayerShortName)(h, 1, 1));
  EXPECT_STREQ("sand", FN(mapGetLayerShortName)(h, 1, 2));
  EXPECT_EQ(250.0, FN(mapGetMaxSummaryPowerOfMtl)(h, 1));
  EXPECT_EQ(-40.0, FN(mapGetMinBotLevelHeight)(h));
  MTLDESCRIBE d{};
  ASSERT_EQ(1, FN(mapGetMtlDescribe)(h, 1, &d));
  EXPECT_EQ(-40.0, d.BottomLevel);
  FN(mapCloseData)(h);
  // In the file the full name has no terminator.
  const std::vector<uint8_t> file = apitest::ReadFileBytes(Path("l.mtl"));
  uint32_t at = 0;
  ASSERT_GE(file.size(), 320u);
  std::memcpy(&at, &file[236], 4);
  ASSERT_GE(file.size(), at + 320u + 96u);
  EXPECT_EQ(0, std::memcmp(&file[at + 320 + 32], "ABCDEFGHIJKLMNOP", 16));
  EXPECT_EQ(0, std::memcmp(&file[at + 320 + 48 + 32], "sand\0\0\0\0\0\0\0\0\0\0\0\0", 16));
}

// A border from a closed object is kept in whole elements, to the nearest:
// read back in metres, it bounds what a shown matrix shows, and its vertex
// nearest to a point is found among those on or inside the frame.
TEST_F(MtlApi, ABorderIsKeptInWholeElements) {
  const HMAP h = CreateMap();
  ASSERT_NE(0, h);
  MTLBUILDPARM b = Build(10, 10, 1, 2);
  FN(mapCloseData)(FN(mapCreateMtl)(Path("b.mtl").c_str(), &b));
  ASSERT_EQ(1, FN(mapOpenMtlForMap)(h, Path("b.mtl").c_str(), 0));
  const HOBJ area = FN(mapCreateObject)(h, 1, 0, 0);
  ASSERT_NE(0, area);
  auto contour = [&](const double (&points)[5][2]) {
    FN(mapDeleteSubject)(area, -1);
    for (const auto& p : points) FN(mapAppendPointPlane)(area, kX0 + p[0], kY0 + p[1], 0);
  };
  contour({{25, 32}, {25, 80}, {75, 80}, {75, 32}, {25, 40}});  // not closed
  EXPECT_EQ(0, FN(mapSetMtlBorder)(h, 1, area));
  contour({{25, 32}, {25, 80}, {75, 80}, {75, 32}, {25, 32}});
  EXPECT_EQ(0, FN(mapCheckExistenceMtlBorder)(h, 1));
  EXPECT_EQ(0, FN(mapSetMtlBorder)(h, 2, area));
  ASSERT_EQ(1, FN(mapSetMtlBorder)(h, 1, area));
  EXPECT_EQ(1, FN(mapCheckExistenceMtlBorder)(h, 1));
  EXPECT_EQ(1, FN(mapCheckShowMtlByBorder)(h, 1));
  EXPECT_EQ(-1, FN(mapCheckShowMtlByBorder)(h, 2));

  const HOBJ back = FN(mapCreateObject)(h, 1, 0, 0);
  ASSERT_EQ(1, FN(mapGetMtlBorder)(h, 1, back));
  ASSERT_EQ(5, FN(mapPointCount)(back, 0));
  // Rows count from the north edge; half an element rounds away from it.
  EXPECT_DOUBLE_EQ(kX0 + 20.0, FN(mapXPlane)(back, 1, 0));
  EXPECT_DOUBLE_EQ(kY0 + 30.0, FN(mapYPlane)(back, 1, 0));
  EXPECT_DOUBLE_EQ(kX0 + 70.0, FN(mapXPlane)(back, 3, 0));
  EXPECT_DOUBLE_EQ(kY0 + 80.0, FN(mapYPlane)(back, 3, 0));

  // The elements south and east of the vertices are shown.
  DFRAME frame{};
  ASSERT_EQ(1, FN(mapGetActualMtlFrame)(h, &frame, 1));
  EXPECT_DOUBLE_EQ(kX0 + 10.0, frame.X1);
  EXPECT_DOUBLE_EQ(kY0 + 30.0, frame.Y1);
  EXPECT_DOUBLE_EQ(kX0 + 70.0, frame.X2);
  EXPECT_DOUBLE_EQ(kY0 + 90.0, frame.Y2);
  FN(mapSetMtlView)(h, 1, 0);
  EXPECT_EQ(0, FN(mapGetActualMtlFrame)(h, &frame, 1));
  FN(mapSetMtlView)(h, 1, 1);
  DOUBLEPOINT near = {kX0 + 90.0, kY0 + 90.0}, found{};
  ASSERT_EQ(1, FN(mapGetImmediatePointOfMtlBorder)(h, 1, &near, &found));
  EXPECT_DOUBLE_EQ(kX0 + 70.0, found.X);
  EXPECT_DOUBLE_EQ(kY0 + 80.0, found.Y);

  // Vertices on the frame count; the north-east corner is nearest.
  contour({{50, 50}, {50, 100}, {100, 100}, {100, 50}, {50, 50}});
  ASSERT_EQ(1, FN(mapSetMtlBorder)(h, 1, area));
  near = {kX0 + 200.0, kY0 + 200.0};
  ASSERT_EQ(1, FN(mapGetImmediatePointOfMtlBorder)(h, 1, &near, &found));
  EXPECT_DOUBLE_EQ(kX0 + 100.0, found.X);
  EXPECT_DOUBLE_EQ(kY0 + 100.0, found.Y);

  EXPECT_EQ(1, FN(mapDeleteMtlBorder)(h, 1));
  EXPECT_EQ(0, FN(mapCheckExistenceMtlBorder)(h, 1));
  EXPECT_EQ(0, FN(mapGetMtlBorder)(h, 1, back));
  EXPECT_EQ(0, FN(mapGetImmediatePointOfMtlBorder)(h, 1, &near, &found));
  ASSERT_EQ(1, FN(mapGetActualMtlFrame)(h, &frame, 1));
  EXPECT_DOUBLE_EQ(kX0 + 100.0, frame.X2);
  EXPECT_DOUBLE_EQ(kY0, frame.Y1);
  FN(mapFreeObject)(area);
  FN(mapFreeObject)(back);
  FN(mapCloseData)(h);
}

// A matrix outside the map's region opens only when the user agrees.
TEST_F(MtlApi, CancellingAMatrixOutsideTheMapLeavesTheChainAsItWas) {
  const HMAP h = CreateMap();
  ASSERT_NE(0, h);
  FN(mapCloseData)(Create("in.mtl"));
  MTLBUILDPARM b = Build(4, 5, 2, 2);
  b.BeginX += 50000.0, b.EndX += 50000.0;
  FN(mapCloseData)(FN(mapCreateMtl)(Path("away.mtl").c_str(), &b));
  ASSERT_EQ(1, FN(mapOpenMtlForMap)(h, Path("in.mtl").c_str(), 0));

  Boxes boxes;
  boxes.answer = IDCANCEL;
  auto hook = FN(platSetMessageBoxHook);
  PLATMESSAGEBOX previous = hook(&Boxes::Hook, &boxes);
  FN(mapMessageEnable)(1);
  EXPECT_EQ(0, FN(mapOpenMtlForMap)(h, Path("away.mtl").c_str(), 0));
  FN(mapMessageEnable)(0);
  hook(previous, nullptr);
  EXPECT_TRUE(boxes.Saw("Matrix is out of region. Continue ?"));
  EXPECT_EQ(1, FN(mapGetMtlCount)(h));
  EXPECT_STREQ(Path("in.mtl").c_str(), FN(mapGetMtlName)(h, 1));
  EXPECT_EQ(nullptr, FN(mapGetMtlName)(h, 2));
  // Without messages nobody is asked.
  EXPECT_EQ(2, FN(mapOpenMtlForMap)(h, Path("away.mtl").c_str(), 0));
  FN(mapCloseData)(h);
}

TEST_F(MtlApi, BuildingIsTheSiblingLibrarys) {
  const HMAP h = Create("s.mtl");
  ASSERT_NE(0, h);
  intptr_t log[7] = {};
  const intptr_t words[5] = {77, -3, 0x123456789AB, 5, reinterpret_cast<intptr_t>(log)};
  // Without the library: 0 after the loader's report.
  int code = 0;
  const HWND window = FN(platCreateWindow)(
      [](HWND, UINT message, WPARAM wparam, LPARAM, void* context) -> LRESULT {
        if (message == WM_MAP_ERROR) *static_cast<int*>(context) = int(wparam);
        return 0;
      },
      &code, 10, 10);
  FN(mapSetHandleForMessage)(window);
  EXPECT_EQ(0, FN(mapBuildMtl)(h, words[0], words[1], words[2], words[3], words[4]));
  EXPECT_EQ(60107, code);
  FN(mapSetHandleForMessage)(0);
  FN(platDestroyWindow)(window);
  EXPECT_EQ(0, log[0]);

  FN(platAddLibraryFolder)(MC_FAKE_LIBRARY_DIR);
  EXPECT_EQ(77, FN(mapBuildMtl)(h, words[0], words[1], words[2], words[3], words[4]));
  EXPECT_EQ(1, log[0]);
  EXPECT_EQ(h, log[1]);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(words[i], log[i + 2]) << i;
  FN(mapCloseData)(h);
}

}  // namespace
