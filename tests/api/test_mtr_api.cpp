// The matrix functions through the loaded library, as a host calls them:
// every function of a map handle refusing null, foreign and closed
// handles; the creation rules; and matrices made through the functions
// alone, read back element for element and laid out on disk as the
// blocked file format describes.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "api/document_api.h"
#include "api/messages_api.h"
#include "api/mapapi.h"
#include "mapstore/mapregister.h"
#include "support/apiheaders.h"
#include "support/apilibrary.h"
#include "support/apimaps.h"

namespace {

namespace fs = std::filesystem;

class MtrApi : public apitest::LibraryFolderTest {
 protected:
  static BUILDMTW Build(int columns, int rows, int bytes, int unit) {
    BUILDMTW b{};
    b.Length = 128;
    b.BeginX = 6000000.0;
    b.BeginY = 500000.0;
    b.ElementSize = 10.0;
    b.Width = columns * 10.0;
    b.Height = rows * 10.0;
    b.ElementBytes = bytes;
    b.HeightUnit = unit;
    b.Scale = 1000;
    return b;
  }
};

TEST_F(MtrApi, EveryFunctionRefusesNullForeignAndClosedHandles) {
  // The functions of api/mtr_api.h whose first argument is a map handle,
  // with their result type.
  const std::vector<apitest::DeclaredFunction> functions =
      apitest::DeclaredFunctions(MC_SOURCE_DIR "/api/mtr_api.h", "HMAP");
  ASSERT_GT(functions.size(), 80u);
  BUILDMTW b = Build(4, 4, 2, 0);
  const HMAP closed = FN(mapCreateMtr)(Path("closed.mtw").c_str(), &b);
  ASSERT_NE(0, closed);
  FN(mapCloseData)(closed);
  std::vector<uint64_t> foreign(1 << 15, 0x5A5A5A5A5A5A5A5Aull);
  // Arguments of type double get whatever their registers hold.
  CallWithHandles(functions, {0, reinterpret_cast<intptr_t>(foreign.data()), closed},
                  [](const apitest::DeclaredFunction& f, const Answer& a) {
                    if (f.result == "void") return;
                    if (f.result == "double")
                      EXPECT_EQ(-111111.0, a.real) << f.name;
                    else if (f.result == "LONG" || f.result == "COLORREF")
                      EXPECT_EQ(0, int32_t(a.value)) << f.name;
                    else
                      EXPECT_EQ(0, a.value) << f.name;
                  });
}

TEST_F(MtrApi, CreationRules) {
  // Zero extents are refused and leave no file.
  for (int zero : {0, 1}) {
    BUILDMTW b = Build(4, 4, 2, 0);
    (zero ? b.Width : b.Height) = 0.0;
    EXPECT_EQ(0, FN(mapCreateMtr)(Path("zero.mtw").c_str(), &b));
    EXPECT_FALSE(fs::exists(Path("zero.mtw")));
  }
  BUILDMTW b = Build(4, 4, 2, 0);
  EXPECT_EQ(0, FN(mapCreateMtr)(nullptr, &b));
  EXPECT_EQ(0, FN(mapCreateMtr)(Path("x.mtw").c_str(), nullptr));
  // A record of another length is refused as it is, accepted through the
  // copying form.
  b.Length = 80;
  EXPECT_EQ(0, FN(mapCreateMtw)(Path("x.mtw").c_str(), &b, nullptr));
  b.Scale = 0;
  const HMAP h = FN(mapCreateMtr)(Path("x.mtw").c_str(), &b);
  ASSERT_NE(0, h);
  EXPECT_EQ(80u, b.Length);
  EXPECT_EQ(0, b.Scale);  // the caller's record is left alone
  EXPECT_EQ(1, FN(mapGetMtrScale)(h, 1));
  EXPECT_EQ(1, FN(mapGetMtrCount)(h));
  EXPECT_EQ(-1, FN(mapGetMtrMeasure)(h, 2));
  EXPECT_EQ(0, FN(mapGetMtrElementRow)(h, 2));
  FN(mapCloseData)(h);
  // Opening: a missing file, or an elevation matrix as a quality matrix.
  EXPECT_EQ(0, FN(mapOpenMtr)(Path("none.mtw").c_str(), 0));
  EXPECT_EQ(0, FN(mapOpenMtq)(Path("x.mtw").c_str(), 0));
}

// Range in the file's height unit: a centimetre matrix stores metres x 100;
// a quality matrix stores what it is given.
TEST_F(MtrApi, ShowRangeIsStoredInTheHeightUnit) {
  BUILDMTW b = Build(4, 4, 4, 2);
  const HMAP mtw = FN(mapCreateMtr)(Path("cm.mtw").c_str(), &b);
  ASSERT_NE(0, mtw);
  EXPECT_EQ(2, FN(mapGetMtrMeasure)(mtw, 1));
  EXPECT_EQ(1, FN(mapSetMtrShowRange)(mtw, 1, 100.0, 200.0));
  FN(mapCloseData)(mtw);

  char proj[128] = {};
  const int32_t head[4] = {128, 0, 0, -1};
  std::memcpy(proj, head, sizeof head);
  const COLORREF colors[3] = {0xFF, 0xFF00, 0xFF0000};
  const HMAP mtq = FN(mapCreateMtq)(Path("q.mtq").c_str(), &b,
                                    reinterpret_cast<MTRPROJECTIONDATA*>(proj), colors, 3);
  ASSERT_NE(0, mtq);
  EXPECT_EQ(1, b.Creator);
  EXPECT_EQ(3, FN(mapGetMtqPaletteCount)(mtq, 1));
  EXPECT_EQ(1, FN(mapSetMtqShowRange)(mtq, 1, 100.0, 200.0));
  FN(mapCloseData)(mtq);

  for (auto [name, low, high] : {std::tuple{"cm.mtw", 10000.0, 20000.0},
                                 std::tuple{"q.mtq", 100.0, 200.0}}) {
    const std::vector<uint8_t> file = apitest::ReadFileBytes(Path(name));
    ASSERT_GE(file.size(), 320u);
    double range[2];
    std::memcpy(range, &file[280], sizeof range);
    EXPECT_EQ(low, range[0]) << name;
    EXPECT_EQ(high, range[1]) << name;
  }
}

// Heights written and read through the functions (centimetres truncated;
// a point without data or outside the matrix has none), a profile, and a
// quality matrix's values.
TEST_F(MtrApi, HeightsAndValuesAtPoints) {
  BUILDMTW b = Build(4, 4, 4, 2);
  const HMAP h = FN(mapCreateMtr)(Path("h.mtw").c_str(), &b);
  ASSERT_NE(0, h);
  const double x = 6000015.0, y = 500025.0;
  EXPECT_EQ(-111111.0, FN(mapGetHeightValue)(h, x, y));
  EXPECT_EQ(1, FN(mapPutHeightValue)(h, 1, x, y, 12.349));
  EXPECT_DOUBLE_EQ(12.34, FN(mapGetHeightValue)(h, x, y));
  EXPECT_DOUBLE_EQ(12.34, FN(mapGetHeightValueOfMtr)(h, 1, x, y));
  EXPECT_DOUBLE_EQ(12.34, FN(mapGetPrecisionHeightValue)(h, x, y));
  EXPECT_EQ(-111111.0, FN(mapGetHeightValueOfMtr)(h, 2, x, y));
  EXPECT_EQ(-111111.0, FN(mapGetHeightValue)(h, x + 100.0, y));
  EXPECT_EQ(0, FN(mapPutHeightValue)(h, 2, x, y, 1.0));
  double heights[3] = {};
  DOUBLEPOINT first = {x - 10.0, y}, last = {x + 10.0, y};
  EXPECT_EQ(1, FN(mapGetHeightArray)(h, heights, 3, &first, &last));
  EXPECT_DOUBLE_EQ(12.34, heights[1]);
  EXPECT_EQ(x, first.X);
  EXPECT_EQ(0, FN(mapGetHeightArray)(h, heights, 1, &first, &last));
  FN(mapCloseData)(h);

  char proj[128] = {};
  const int32_t head[4] = {128, 0, 0, -1};
  std::memcpy(proj, head, sizeof head);
  const COLORREF colors[2] = {0xFF, 0xFF00};
  const HMAP q = FN(mapCreateMtq)(Path("v.mtq").c_str(), &b,
                                  reinterpret_cast<MTRPROJECTIONDATA*>(proj), colors, 2);
  ASSERT_NE(0, q);
  EXPECT_EQ(1, FN(mapPutMtqValue)(q, 1, x, y, 7.0));
  EXPECT_DOUBLE_EQ(7.0, FN(mapGetMtqValue)(q, 1, x, y));
  EXPECT_EQ(-111111.0, FN(mapGetMtqValue)(q, 2, x, y));
  FN(mapCloseData)(q);
}

// Colours: the elevation palette is the document's, each quality matrix
// has its own; indexes past the colours are refused when setting, and the
// quality matrix's steps are answered up to 255.
TEST_F(MtrApi, Colours) {
  BUILDMTW b = Build(4, 4, 2, 0);
  const HMAP h = FN(mapCreateMtr)(Path("c.mtw").c_str(), &b);
  ASSERT_NE(0, h);
  ASSERT_EQ(32, FN(mapGetMtrPaletteCount)(h));
  EXPECT_EQ(0xFF0000u, FN(mapSetMtrColor)(h, 1, 5, 0xFF0000));
  EXPECT_EQ(0u, FN(mapSetMtrColor)(h, 1, 40, 0xFF0000));
  COLORREF colors[64] = {};
  ASSERT_EQ(1, FN(mapGetMtrStandardPalette)(h, colors, 64));
  EXPECT_EQ(0xFF0000u, colors[5]);
  const COLORREF three[3] = {1, 2, 3};
  ASSERT_EQ(1, FN(mapSetMtrPalette)(h, three, 3));
  EXPECT_EQ(3, FN(mapGetMtrPaletteCount)(h));
  MTRCOLORDESC step{};
  EXPECT_EQ(1, FN(mapGetMtrColorDesc)(h, 1, 2, &step));
  EXPECT_EQ(3u, step.Color);
  EXPECT_EQ(0, FN(mapGetMtrColorDesc)(h, 1, 3, &step));
  FN(mapCloseData)(h);

  char proj[128] = {};
  const int32_t head[4] = {128, 0, 0, -1};
  std::memcpy(proj, head, sizeof head);
  const HMAP q = FN(mapCreateMtq)(Path("c.mtq").c_str(), &b,
                                  reinterpret_cast<MTRPROJECTIONDATA*>(proj), three, 3);
  ASSERT_NE(0, q);
  EXPECT_EQ(1, FN(mapGetMtqColorDesc)(q, 1, 255, &step));
  EXPECT_EQ(0, FN(mapSetMtqColor)(q, 1, 3, 0xFF));
  EXPECT_EQ(1, FN(mapSetMtqColor)(q, 1, 2, 0xFF));
  std::memset(colors, 0x77, sizeof colors);
  ASSERT_EQ(1, FN(mapGetMtqStandardPalette)(q, colors, 4, 1));
  const COLORREF want[4] = {1, 2, 0xFF, 0};
  EXPECT_EQ(0, std::memcmp(colors, want, sizeof want));
  FN(mapCloseData)(q);
}

// A datum shift of a map's point without a height takes the finest
// elevation matrix's height there: the same as the shift given that height,
// not as the shift at height 0.
TEST_F(MtrApi, ADatumShiftTakesItsHeightFromTheMatrix) {
  apitest::NewClassifier classifier("GEO");
  FN(mapCloseRsc)(FN(mapCreateRsc)(Path("g.rsc").c_str(), &classifier.create, &classifier.palette));
  const double x0 = 6000000.0, y0 = 7500000.0;  // zone 7 of the Gauss-Krueger projection
  apitest::NewSheetMap reg("G", x0, y0, 1000.0);
  reg.map.MapType = 1;            // topographic
  reg.map.MaterialProjection = 1;  // Gauss-Krueger
  reg.map.EllipsoideKind = 1;      // Krasovsky
  reg.map.AxisMeridian = FN(mapGetAxisMeridianByZone)(7);
  const HMAP h =
      FN(mapCreateMapEx)(Path("g.map").c_str(), Path("g.rsc").c_str(), &reg.map, &reg.sheet);
  ASSERT_NE(0, h);
  ASSERT_EQ(1, FN(mapIsGeoSupported)(h));
  BUILDMTW b = Build(10, 10, 4, 2);
  b.BeginX = x0, b.BeginY = y0;
  const HMAP m = FN(mapCreateMtr)(Path("g.mtw").c_str(), &b);
  ASSERT_NE(0, m);
  const double x = x0 + 55.0, y = y0 + 45.0;
  ASSERT_EQ(1, FN(mapPutHeightValue)(m, 1, x, y, 2500.0));
  FN(mapCloseData)(m);
  ASSERT_EQ(1, FN(mapOpenMtrForMap)(h, Path("g.mtw").c_str(), 0));
  ASSERT_DOUBLE_EQ(2500.0, FN(mapGetPrecisionHeightValue)(h, x, y));

  double bx = x, ly = y, b0 = x, l0 = y, h0 = 0.0, bh = x, lh = y, hh = 2500.0;
  ASSERT_EQ(1, FN(mapPlaneToGeoWGS84)(h, &bx, &ly));
  ASSERT_EQ(1, FN(mapPlaneToGeoWGS843D)(h, &b0, &l0, &h0));
  ASSERT_EQ(1, FN(mapPlaneToGeoWGS843D)(h, &bh, &lh, &hh));
  EXPECT_NEAR(bh, bx, 1e-13);
  EXPECT_NEAR(lh, ly, 1e-13);
  EXPECT_GT(std::fabs(b0 - bx) + std::fabs(l0 - ly), 1e-11);
  FN(mapCloseData)(h);
}

// A border from a closed object is kept in whole elements: read back in
// metres, it bounds what the matrix shows, and its point nearest to a
// given one is found.
TEST_F(MtrApi, ABorderIsKeptInWholeElements) {
  // A map over the matrix, whose objects give the border.
  apitest::NewClassifier classifier("MTR");
  FN(mapCloseRsc)(FN(mapCreateRsc)(Path("b.rsc").c_str(), &classifier.create, &classifier.palette));
  apitest::NewSheetMap reg("B", 6000000.0, 500000.0, 1000.0);
  const HMAP h = FN(mapCreateMapEx)(Path("b.map").c_str(), Path("b.rsc").c_str(), &reg.map,
                                    &reg.sheet);
  ASSERT_NE(0, h);
  BUILDMTW b = Build(10, 10, 2, 0);
  FN(mapCloseData)(FN(mapCreateMtr)(Path("b.mtw").c_str(), &b));
  ASSERT_EQ(1, FN(mapOpenMtrForMap)(h, Path("b.mtw").c_str(), 0));

  const HOBJ area = FN(mapCreateObject)(h, 1, 0, 0);
  ASSERT_NE(0, area);
  // Metres from the south-west corner; the west and south sides fall
  // inside elements.
  const double corner[5][2] = {{25, 32}, {25, 80}, {75, 80}, {75, 32}, {25, 32}};
  for (const auto& p : corner)
    ASSERT_EQ(1, FN(mapAppendPointPlane)(area, 6000000.0 + p[0], 500000.0 + p[1], 0));
  EXPECT_EQ(0, FN(mapCheckExistenceMtrBorder)(h, 1));
  ASSERT_EQ(1, FN(mapSetMtrBorder)(h, 1, area));
  EXPECT_EQ(1, FN(mapCheckExistenceMtrBorder)(h, 1));
  EXPECT_EQ(1, FN(mapCheckShowMtrByBorder)(h, 1));  // only what lies inside is shown

  const HOBJ back = FN(mapCreateObject)(h, 1, 0, 0);
  ASSERT_EQ(1, FN(mapGetMtrBorder)(h, 1, back));
  ASSERT_EQ(5, FN(mapPointCount)(back, 0));
  // Rows count from the north edge and are cut to whole elements.
  EXPECT_DOUBLE_EQ(6000030.0, FN(mapXPlane)(back, 1, 0));
  EXPECT_DOUBLE_EQ(500030.0, FN(mapYPlane)(back, 1, 0));
  EXPECT_DOUBLE_EQ(6000080.0, FN(mapXPlane)(back, 3, 0));
  EXPECT_DOUBLE_EQ(500080.0, FN(mapYPlane)(back, 3, 0));

  DFRAME frame{};
  ASSERT_EQ(1, FN(mapGetActualMtrFrame)(h, &frame, 1));
  EXPECT_DOUBLE_EQ(6000020.0, frame.X1);
  EXPECT_DOUBLE_EQ(500030.0, frame.Y1);
  EXPECT_DOUBLE_EQ(6000080.0, frame.X2);
  EXPECT_DOUBLE_EQ(500090.0, frame.Y2);
  DOUBLEPOINT near = {6000090.0, 500090.0}, found{};
  ASSERT_EQ(1, FN(mapGetImmediatePointOfMtrBorder)(h, 1, &near, &found));
  EXPECT_DOUBLE_EQ(6000080.0, found.X);
  EXPECT_DOUBLE_EQ(500080.0, found.Y);

  EXPECT_EQ(1, FN(mapDeleteMtrBorder)(h, 1));
  EXPECT_EQ(0, FN(mapCheckExistenceMtrBorder)(h, 1));
  ASSERT_EQ(1, FN(mapGetActualMtrFrame)(h, &frame, 1));
  EXPECT_DOUBLE_EQ(6000100.0, frame.X2);
  FN(mapFreeObject)(area);
  FN(mapFreeObject)(back);
  FN(mapCloseData)(h);
}

// A matrix of several blocks of every element width, written whole through
// the functions, closed and opened again, reads back element for element.
TEST_F(MtrApi, AMatrixMadeThroughTheFunctionsReadsBack) {
  std::mt19937 random(44);
  for (int bytes : {1, 2, 4, 8}) {
    SCOPED_TRACE(bytes);
    const int columns = 300, rows = 200;
    const std::string path = Path("grid.mtw");
    BUILDMTW b = Build(columns, rows, bytes, 1);
    HMAP h = FN(mapCreateMtr)(path.c_str(), &b);
    ASSERT_NE(0, h);
    const int side = bytes == 1 ? 256 : bytes == 8 ? 64 : 128;
    EXPECT_EQ(side, FN(mapGetMtrBlockWidth)(h, 1));
    EXPECT_EQ((rows + side - 1) / side, FN(mapGetMtrBlockRow)(h, 1));
    EXPECT_EQ((columns + side - 1) / side, FN(mapGetMtrBlockColumn)(h, 1));
    EXPECT_EQ(bytes, FN(mapGetMtrElementSize)(h, 1));
    std::vector<char> data(size_t(columns) * rows * bytes);
    for (char& c : data) c = char(random());
    ASSERT_EQ(1, FN(mapPutMtrFrame)(h, 1, data.data(), 0, 0, columns, rows, 0));
    FN(mapCloseData)(h);

    h = FN(mapOpenMtr)(path.c_str(), 0);
    ASSERT_NE(0, h);
    EXPECT_EQ(rows, FN(mapGetMtrElementRow)(h, 1));
    EXPECT_EQ(columns, FN(mapGetMtrElementColumn)(h, 1));
    std::vector<char> back(data.size(), 0x11);
    ASSERT_EQ(1, FN(mapGetMtrFrame)(h, 1, back.data(), 0, 0, columns, rows));
    EXPECT_TRUE(back == data);
    FN(mapCloseData)(h);
    fs::remove(path);
  }
}

// A 3-D view of a matrix document builds its picture from the older
// record; null, foreign and closed views are refused, and so is a view
// whose document was closed.
TEST_F(MtrApi, ThreeDViews) {
  BUILDMTW b = Build(40, 40, 2, 0);
  const HMAP h = FN(mapCreateMtr)(Path("v.mtw").c_str(), &b);
  ASSERT_NE(0, h);
  for (double x = 6000005; x < 6000400; x += 10)
    for (double y = 500005; y < 500400; y += 10) FN(mapPutHeightValue)(h, 1, x, y, (x - 6000000) / 4);
  EXPECT_EQ(0, FN(mapOpenMtr3D)(0, 100, 60));
  const HMTR3D view = FN(mapOpenMtr3D)(h, 100, 60);
  ASSERT_NE(0, view);
  MTR3DVIEW old{};
  old.ViewX = old.ObserverX = 6000200;
  old.ViewY = old.ObserverY = 500200;
  old.ObserverHeight = 100;
  old.Scale = 10000;
  old.HeightScale = 50;
  EXPECT_NE(nullptr, FN(mapBuildMtr3D)(view, &old));
  EXPECT_EQ(nullptr, FN(mapBuildMtr3D)(view, nullptr));
  FN(mapPaintMtr3D)(view, nullptr, &old);
  FN(mapPaintMtr3Dx)(view, nullptr, nullptr);

  const HMTR3D closed = FN(mapOpenMtr3D)(h, 10, 10);
  ASSERT_NE(0, closed);
  FN(mapCloseMtr3D)(closed);
  std::vector<uint64_t> foreign(1 << 12, 0x5A5A5A5A5A5A5A5Aull);
  CallWithHandles(apitest::DeclaredFunctions(MC_SOURCE_DIR "/api/mtr3d_api.h", "HMTR3D"),
                  {0, reinterpret_cast<intptr_t>(foreign.data()), closed},
                  [](const apitest::DeclaredFunction& f, const Answer& a) {
                    if (f.result == "void") return;
                    EXPECT_EQ(0, a.value) << f.name;
                  });
  EXPECT_EQ(0, FN(mapOpenMtr3D)(reinterpret_cast<intptr_t>(foreign.data()), 10, 10));
  FN(mapCloseData)(h);
  EXPECT_EQ(nullptr, FN(mapBuildMtr3D)(view, &old));
  FN(mapCloseMtr3D)(view);
}

// A frame running past the matrix stores the elements inside it (the
// buffer's first rows and columns) and widens the height range by those
// alone, whichever way the buffer's rows run.
TEST_F(MtrApi, AFramePastTheMatrixWidensTheRangeByWhatItStored) {
  // Four columns from column 1 of a 3 x 2 matrix: buffer columns 0 and 1
  // are stored, 2 and 3 dropped.
  const int16_t values[8] = {-1823, 50, -1866, 999, 7, 8, -1900, 30000};
  for (LONG upward : {0, 1}) {
    const std::string path = Path(upward ? "up.mtw" : "down.mtw");
    BUILDMTW b = Build(3, 2, 2, 0);
    const HMAP h = FN(mapCreateMtr)(path.c_str(), &b);
    ASSERT_NE(0, h);
    const char* buffer = reinterpret_cast<const char*>(upward ? values + 4 : values);
    ASSERT_EQ(1, FN(mapPutMtrFrame)(h, 1, buffer, 1, 0, 4, 2, upward));
    FN(mapCloseData)(h);
    const std::vector<uint8_t> bytes = apitest::ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 296u);
    double low = 0, high = 0;
    std::memcpy(&low, &bytes[280], 8);
    std::memcpy(&high, &bytes[288], 8);
    EXPECT_EQ(-1823.0, low) << upward;
    EXPECT_EQ(50.0, high) << upward;
  }
}

// A 3 x 2 matrix of 2-byte centimetre heights with one element left
// empty, laid out by hand: header, zero palette at 320, block table at
// 1344, the addition area appended at creation (no block flags without a
// border), and the block appended when the matrix is closed.
TEST_F(MtrApi, TheFileIsLaidOutAsTheFormatDescribes) {
  const std::string path = Path("small.mtw");
  BUILDMTW b = Build(3, 2, 2, 2);
  const HMAP h = FN(mapCreateMtr)(path.c_str(), &b);
  ASSERT_NE(0, h);
  const int16_t values[6] = {100, -5, 300, 0, 12345, -32767};
  ASSERT_EQ(1, FN(mapPutMtrFrame)(h, 1, reinterpret_cast<const char*>(values), 0, 0, 3, 2, 0));
  FN(mapCloseData)(h);

  std::vector<uint8_t> want(1684, 0);
  auto u32 = [&](size_t at, uint32_t v) { std::memcpy(&want[at], &v, 4); };
  auto f64 = [&](size_t at, double v) { std::memcpy(&want[at], &v, 8); };
  u32(0, 0x0057544D);  // "MTW"
  u32(4, 0x0200);
  u32(8, 1684);        // end of the data
  u32(52, 16);
  u32(56, 2);          // rows
  u32(60, 3);          // columns
  u32(64, 1);          // one block column and row, as large as the matrix
  u32(68, 1);
  u32(72, 2);
  u32(76, 3);
  u32(80, 2);
  u32(84, 3);
  u32(96, 320);        // palette
  u32(100, 1024);
  u32(104, 1344);      // block table
  u32(108, 8);
  u32(124, 0xFFFFFFFF);  // no projection
  u32(128, 0xFFFFFFFF);
  f64(136, 1000.0);    // scale, precision, element size
  f64(144, 100.0);
  f64(152, 10.0);
  f64(160, 6000000.0);
  f64(168, 500000.0);
  u32(220, 1684);      // main file length
  want[244] = 1;       // location set
  f64(280, -5.0);      // the range of the values written, the empty one left out
  f64(288, 12345.0);
  f64(296, -32767.0);
  u32(304, 2);         // centimetres
  u32(312, 1352);      // addition
  u32(316, 320);
  u32(1344, 1672);     // the block: position, length
  u32(1348, 12);
  std::memcpy(&want[1672], values, sizeof values);

  const std::vector<uint8_t> got = apitest::ReadFileBytes(path);
  ASSERT_EQ(want.size(), got.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(want[i], got[i]) << "byte " << i;
}

}  // namespace
