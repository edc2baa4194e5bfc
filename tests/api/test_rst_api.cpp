// The raster functions through the loaded library, as a host calls them:
// every function of a document handle refusing null and foreign handles,
// opening a file that is no raster, the view and colour rules, a raster
// made through the functions alone read back element for element, and its
// file laid out by hand from the format and compared byte for byte.
#include <dlfcn.h>
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "mapstore/mapregister.h"
#include "support/apiheaders.h"
#include "support/apilibrary.h"
#include "support/apimaps.h"

namespace {

namespace fs = std::filesystem;

class RstApi : public apitest::LoadedLibraryTest {
 protected:
  void SetUp() override {
    LoadedLibraryTest::SetUp();
    if (HasFatalFailure()) return;
    dir_ = apitest::FreshTestFolder("rst_api_");
    FN(mapMessageEnable)(0);
  }
  void TearDown() override {
    FN(mapMessageEnable)(1);
    fs::remove_all(dir_);
  }
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Bytes of the process's anonymous mappings, where the page allocator puts
// documents.
int64_t AnonymousBytes() {
  std::ifstream in("/proc/self/maps");
  std::string line;
  int64_t total = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string range, perms, offset, device, inode, name;
    fields >> range >> perms >> offset >> device >> inode >> name;
    if (!name.empty() || perms.compare(0, 2, "rw") != 0) continue;
    const size_t dash = range.find('-');
    total += int64_t(std::stoull(range.substr(dash + 1), nullptr, 16) -
                     std::stoull(range.substr(0, dash), nullptr, 16));
  }
  return total;
}

int OpenFiles() {
  int count = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++count;
    closedir(d);
  }
  return count;
}

TEST_F(RstApi, EveryDocumentFunctionRefusesNullAndForeignHandles) {
  const std::vector<apitest::DeclaredFunction> functions =
      apitest::DeclaredFunctions(MC_SOURCE_DIR "/api/rst_api.h", "HMAP");
  std::vector<uint64_t> foreign(4096, 0x5A5A5A5A5A5A5A5Aull);
  CallWithHandles(functions, {0, reinterpret_cast<intptr_t>(foreign.data())}, ExpectRefusal);
  EXPECT_GT(functions.size(), 75u);
  EXPECT_EQ(0, FN(mapOpenRst)(nullptr, 0));
  EXPECT_EQ(0, FN(mapCreateRst)(nullptr, 10, 10, 8, nullptr, 0, 1, 1));
}

TEST_F(RstApi, AFileThatIsNoRasterOpensNothing) {
  const std::string path = Path("text.rsw");
  std::ofstream(path) << "This file holds no raster at all, only some words of text.";
  // Neither the file nor a document stays: forty documents left behind
  // would hold some 5 MB (measured once the sanitizer's quarantine of freed
  // memory is full).
  for (int i = 0; i < 120; ++i) EXPECT_EQ(0, FN(mapOpenRst)(path.c_str(), 0));
  const int files = OpenFiles();
  const int64_t memory = AnonymousBytes();
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(0, FN(mapOpenRst)(path.c_str(), 0));
    EXPECT_EQ(0, FN(mapOpenRst)(Path("missing.rsw").c_str(), 0));
  }
  EXPECT_EQ(files, OpenFiles());
  EXPECT_LT(AnonymousBytes() - memory, 2 << 20);
  // The bytes are those of a raster, but the sizes do not fit the file.
  std::string header(320, '\0');
  std::memcpy(&header[0], "RSW\0", 4);
  header[4] = 0x00, header[5] = 0x02;
  header[52] = 8, header[56] = 100, header[60] = 100;
  std::ofstream(Path("short.rsw"), std::ios::binary) << header;
  EXPECT_EQ(0, FN(mapOpenRst)(Path("short.rsw").c_str(), 0));
  EXPECT_EQ(files, OpenFiles());
}

TEST_F(RstApi, ViewOrderScaleRangeAndColourCounts) {
  const HMAP h = FN(mapCreateRst)(Path("view.rsw").c_str(), 20, 10, 8, nullptr, 0, 10000, 1000);
  ASSERT_NE(0, h);
  EXPECT_EQ(1, FN(mapGetRstCount)(h));
  EXPECT_EQ(1, FN(mapSetRstViewOrder)(h, 1, 5));
  EXPECT_EQ(1, FN(mapGetRstViewOrder)(h, 1));
  EXPECT_EQ(0, FN(mapSetRstViewOrder)(h, 1, 0));
  EXPECT_EQ(0, FN(mapGetRstViewOrder)(h, 2));
  EXPECT_EQ(-1, FN(mapGetRstView)(h, 2));

  EXPECT_EQ(0, FN(mapSetRstRangeScaleVisible)(h, 1, 10000, 5000));
  EXPECT_EQ(0, FN(mapSetRstRangeScaleVisible)(h, 1, 0, 5000));
  EXPECT_EQ(1, FN(mapSetRstRangeScaleVisible)(h, 1, 1, 1));
  LONG bottom = 0, top = 0;
  EXPECT_EQ(1, FN(mapGetRstRangeScaleVisible)(h, 1, &bottom, &top));
  EXPECT_EQ(1, bottom);
  EXPECT_EQ(1, top);

  EXPECT_EQ(0, FN(mapSetRstScale)(h, 1, 0.0));
  EXPECT_EQ(0, FN(mapSetRstPrecision)(h, 1, 0.5));
  EXPECT_EQ(1, FN(mapSetRstScale)(h, 1, 25000));
  double metres = 0;
  EXPECT_EQ(1, FN(mapGetRstMeterInElement)(h, 1, &metres));
  EXPECT_DOUBLE_EQ(25.0, metres);
  double pixels = 1;
  EXPECT_EQ(0, FN(mapRstElementToPixel)(h, 1, 1.0, nullptr));
  EXPECT_EQ(1, FN(mapRstElementToPixel)(h, 1, 4.0, &pixels));
  double back = 0;
  EXPECT_EQ(1, FN(mapPixelToRstElement)(h, 1, pixels, &back));
  EXPECT_NEAR(4.0, back, 1e-9);

  EXPECT_EQ(7, FN(mapSetRstCurrentNumber)(h, 7));
  EXPECT_EQ(7, FN(mapGetRstCurrentNumber)(h));
  EXPECT_EQ(256, FN(mapGetRstColorCount)(h, 1));
  FN(mapCloseData)(h);

  const struct {
    LONG bits, colors;
  } depths[] = {{1, 2}, {4, 16}, {8, 256}, {16, 65536}, {24, 16777216}, {32, 16777216}};
  for (const auto& d : depths) {
    const std::string path = Path(("c" + std::to_string(d.bits) + ".rsw").c_str());
    const HMAP r = FN(mapCreateRst)(path.c_str(), 16, 4, d.bits, nullptr, 0, 1, 1);
    ASSERT_NE(0, r) << d.bits;
    EXPECT_EQ(d.colors, FN(mapGetRstColorCount)(r, 1)) << d.bits;
    FN(mapCloseData)(r);
  }
}

TEST_F(RstApi, ARasterMadeThroughTheFunctionsReadsBack) {
  // Several blocks across (the last one narrower) at every depth.
  const struct {
    LONG bits, columns, rows;
  } cases[] = {{1, 1100, 3}, {4, 300, 5}, {8, 300, 260}, {16, 130, 4}, {24, 70, 66}, {32, 130, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bits);
    const std::string path = Path(("d" + std::to_string(c.bits) + ".rsw").c_str());
    HMAP h = FN(mapCreateRst)(path.c_str(), c.columns, c.rows, c.bits, nullptr, 0, 5000, 500);
    ASSERT_NE(0, h);
    ASSERT_NE(0, FN(mapCheckRstEdit)(h, 1));
    const int64_t mask = c.bits == 32 ? 0xFFFFFF : (int64_t(1) << c.bits) - 1;
    auto value = [&](LONG r, LONG k) { return LONG((r * 7919 + k * 31 + 5) & mask); };
    for (LONG r = 0; r < c.rows; ++r)
      for (LONG k = 0; k < c.columns; ++k) ASSERT_EQ(1, FN(mapPutRstPoint)(h, 1, value(r, k), r, k));
    EXPECT_EQ(1, FN(mapSaveRst)(h, 1));
    FN(mapCloseData)(h);

    h = FN(mapOpenRst)(path.c_str(), 0);
    ASSERT_NE(0, h);
    EXPECT_EQ(c.rows, FN(mapGetRstHeight)(h, 1));
    EXPECT_EQ(c.bits, FN(mapGetRstElementSize)(h, 1));
    int wrong = 0;
    for (LONG r = 0; r < c.rows; ++r)
      for (LONG k = 0; k < c.columns; ++k) {
        LONG v = -1;
        if (!FN(mapGetRstPoint)(h, 1, &v, r, k) || v != value(r, k)) ++wrong;
      }
    EXPECT_EQ(0, wrong);
    LONG v = 0;
    EXPECT_EQ(0, FN(mapGetRstPoint)(h, 1, &v, c.rows, 0));
    FN(mapCloseData)(h);
  }
}

// The memory for decoded blocks is the host's to set; a negative size
// asks without changing it.
TEST_F(RstApi, TheBlockCacheSizeIsTheHostsToSet) {
  EXPECT_EQ(64, FN(mapSetBlockCacheSize)(-1));
  EXPECT_EQ(64, FN(mapSetBlockCacheSize)(0));
  EXPECT_EQ(0, FN(mapSetBlockCacheSize)(-1));
  EXPECT_EQ(0, FN(mapSetBlockCacheSize)(64));
}

TEST_F(RstApi, AReadOnlyRasterRefusesWrites) {
  const std::string path = Path("ro.rsw");
  HMAP h = FN(mapCreateRst)(path.c_str(), 8, 2, 8, nullptr, 0, 1, 1);
  ASSERT_NE(0, h);
  FN(mapCloseData)(h);
  h = FN(mapOpenRst)(path.c_str(), LONG(0x80000000u));
  ASSERT_NE(0, h);
  EXPECT_EQ(0, FN(mapCheckRstEdit)(h, 1));
  EXPECT_EQ(0, FN(mapPutRstPoint)(h, 1, 9, 0, 0));
  EXPECT_EQ(0, FN(mapPutRstPlanePoint)(h, 1, 9, 0.5, 0.5));
  FN(mapCloseData)(h);
}

// A raster of 512 x 512 elements of 10 m (2 x 2 blocks) under a map, with a
// border set from an object: a square of 1900 m whose corners lie on
// element edges, inside block (1, 0).
TEST_F(RstApi, TheBorderFromAnObjectClassesBlocksAndMasks) {
  apitest::NewClassifier classifier("RST");
  FN(mapCloseRsc)(FN(mapCreateRsc)(Path("b.rsc").c_str(), &classifier.create, &classifier.palette));
  const double X0 = 6000000, Y0 = 7400000;
  apitest::NewSheetMap reg("B", X0, Y0, 10000);
  const HMAP map = FN(mapCreateMapEx)(Path("b.map").c_str(), Path("b.rsc").c_str(), &reg.map,
                                      &reg.sheet);
  ASSERT_NE(0, map);
  const LONG n = FN(mapCreateAndAppendRst)(map, Path("b.rsw").c_str(), 512, 512, 8, nullptr, 0,
                                           10000, 1000, X0, Y0);
  ASSERT_EQ(1, n);

  auto object = [&](const std::vector<DOUBLEPOINT>& points) {
    const HOBJ h = FN(mapCreateObject)(map, 1, 0, 0);
    for (const DOUBLEPOINT& p : points) FN(mapAppendPointPlane)(h, X0 + p.X, Y0 + p.Y, 0);
    return h;
  };
  const HOBJ open = object({{100, 100}, {2000, 100}, {2000, 2000}, {100, 2000}});
  EXPECT_EQ(0, FN(mapSetRstBorder)(map, n, open));
  EXPECT_EQ(0, FN(mapCheckExistenceRstBorder)(map, n));
  const HOBJ square = object({{100, 100}, {2000, 100}, {2000, 2000}, {100, 2000}, {100, 100}});
  ASSERT_EQ(1, FN(mapSetRstBorder)(map, n, square));
  EXPECT_EQ(1, FN(mapCheckExistenceRstBorder)(map, n));
  const LONG classes[4] = {0, 0, 2, 0};
  for (LONG i = 0; i < 4; ++i) EXPECT_EQ(classes[i], FN(mapCheckRstBlockVisible)(map, n, i)) << i;

  // Rows 312..502 and columns 10..200 of the raster lie inside.
  std::vector<uint32_t> mask(256 * 8, 0x12345678);
  char* bytes = reinterpret_cast<char*>(mask.data());
  EXPECT_EQ(0, FN(mapBuildRstBlockMask)(map, n, bytes, 256 * 32 - 1, 1, 0));
  ASSERT_EQ(1, FN(mapBuildRstBlockMask)(map, n, bytes, 256 * 32, 1, 0));
  auto bit = [&](int row, int column) {
    return (mask[row * 8 + column / 32] >> (31 - column % 32)) & 1;
  };
  EXPECT_EQ(1u, bit(400 - 256, 100));
  EXPECT_EQ(0u, bit(300 - 256, 100));
  EXPECT_EQ(0u, bit(400 - 256, 220));
  ASSERT_EQ(1, FN(mapBuildRstBlockMask)(map, n, bytes, 256 * 32, 0, 1));
  EXPECT_EQ(std::vector<uint32_t>(256 * 8, 0), mask);
  EXPECT_EQ(0, FN(mapBuildRstBlockMask)(map, n, bytes, 256 * 32, 2, 0));

  // The border back as plane points, and what is shown.
  const HOBJ back = object({});
  ASSERT_EQ(1, FN(mapGetRstBorder)(map, n, back));
  ASSERT_EQ(5, FN(mapPointCount)(back, 0));
  EXPECT_NEAR(X0 + 2000, FN(mapXPlane)(back, 2, 0), 0.01);
  EXPECT_NEAR(Y0 + 100, FN(mapYPlane)(back, 2, 0), 0.01);
  EXPECT_EQ(1, FN(mapShowRstByBorder)(map, n, 1));
  DFRAME frame{};
  ASSERT_EQ(1, FN(mapGetActualRstFrame)(map, &frame, n));
  EXPECT_NEAR(X0 + 90, frame.X1, 1e-6);  // one element south of the lowest point
  EXPECT_NEAR(Y0 + 100, frame.Y1, 1e-6);
  EXPECT_NEAR(X0 + 2000, frame.X2, 1e-6);
  EXPECT_NEAR(Y0 + 2010, frame.Y2, 1e-6);  // one element east
  const DOUBLEPOINT near = {X0 + 1900, Y0 + 150};
  DOUBLEPOINT corner{};
  ASSERT_EQ(1, FN(mapGetImmediatePointOfRstBorder)(map, n, &near, &corner));
  EXPECT_NEAR(X0 + 2000, corner.X, 1e-6);
  EXPECT_NEAR(Y0 + 100, corner.Y, 1e-6);

  EXPECT_EQ(1, FN(mapDeleteRstBorder)(map, n));
  EXPECT_EQ(0, FN(mapCheckExistenceRstBorder)(map, n));
  EXPECT_EQ(1, FN(mapCheckRstBlockVisible)(map, n, 2));
  for (HOBJ h : {open, square, back}) FN(mapFreeObject)(h);
  FN(mapCloseData)(map);
}

// A raster of 3 x 2 elements of 8 bits, made, written and given a place
// through the functions, and the same file laid out by hand from the
// format: the header, the palette area at 320, the block table at 1344,
// then what the writes appended in their order: the addition area (320
// bytes) and the one block, stored plain at its raw length.
TEST_F(RstApi, TheFileFollowsTheFormatByteForByte) {
  const std::string path = Path("layout.rsw");
  const COLORREF colors[4] = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000};
  HMAP h = FN(mapCreateRst)(path.c_str(), 3, 2, 8, colors, 4, 10000, 1000);
  ASSERT_NE(0, h);
  const unsigned char elements[6] = {1, 2, 3, 0, 3, 2};
  for (int i = 0; i < 6; ++i) ASSERT_EQ(1, FN(mapPutRstPoint)(h, 1, elements[i], i / 3, i % 3));
  const DOUBLEPOINT place = {6000000.0, 300000.0};
  EXPECT_EQ(1, FN(mapSetRstLocation)(h, 1, &place));
  COLORREF color = 0;
  // The north-east element (row 0, column 2) holds 3.
  EXPECT_EQ(1, FN(mapGetRstPlanePointColor)(h, 1, &color, 6000015.0, 300025.0));
  EXPECT_EQ(0xFF0000u, color);
  FN(mapCloseData)(h);

  constexpr uint32_t kAddition = 1352, kBlock = 1672, kEnd = 1678;
  std::string f(kEnd, '\0');
  auto u32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
  auto f64 = [&](size_t at, double v) { std::memcpy(&f[at], &v, 8); };
  u32(0, 0x00575352);  // "RSW"
  u32(4, 0x0200);
  u32(8, kEnd);        // end of the data
  u32(52, 8);          // bits
  u32(56, 2);          // rows
  u32(60, 3);          // columns
  u32(64, 1);          // block columns
  u32(68, 1);          // block rows
  u32(72, 2);          // block height: the rows, one block row
  u32(76, 3);          // block width: the columns, one block column
  u32(80, 2);          // last height
  u32(84, 3);          // last width
  u32(96, 320);        // palette
  u32(100, 1024);
  u32(104, 1344);      // block table
  u32(108, 8);
  f64(136, 10000.0);   // scale
  f64(144, 1000.0);    // precision
  f64(152, 10.0);      // element size
  f64(160, 6000000.0); // location
  f64(168, 300000.0);
  u32(220, kEnd);      // main length
  f[244] = 1;          // location set
  u32(312, kAddition);
  u32(316, 320);
  std::memcpy(&f[320], colors, sizeof colors);
  u32(1344, kBlock);
  u32(1348, 6);
  std::memcpy(&f[kBlock], elements, 6);

  const std::string actual = ReadFile(path);
  ASSERT_EQ(f.size(), actual.size());
  for (size_t i = 0; i < f.size(); ++i)
    ASSERT_EQ(int(uint8_t(f[i])), int(uint8_t(actual[i]))) << "byte " << i;
}

}  // namespace
