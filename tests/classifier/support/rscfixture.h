// Fixtures of the classifier tests: a folder of the running test and a
// classifier opened from built bytes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "classifier/maprsc.h"
#include "platform/file.h"
#include "support/rscbuilder.h"

namespace rsctest {

// Default screen images for the kinds that have none yet.
inline void AddDefaultImages(Builder& b) {
  for (size_t n = b.par.size() + 1; n <= b.objects.size(); n++)
    b.par.push_back(DefaultImage(uint16_t(n), b.objects[n - 1].local));
}

// Layers 1..count named "LAYER n", short "Ln", order 10 n.
inline void AddLayers(Builder& b, int count) {
  for (int i = 1; i <= count; i++)
    b.layers.push_back({"LAYER " + std::to_string(i), "L" + std::to_string(i), uint8_t(i), uint8_t(10 * i), {}});
}

// A LIM record over one semantic.
inline Limit OneLimit(uint32_t excode, uint8_t local, uint32_t code1, std::vector<double> values1,
                      std::vector<uint8_t> variants, uint16_t def1 = 1) {
  Limit l;
  l.excode = excode;
  l.local = local;
  l.code1 = code1;
  l.def1 = def1;
  l.values1 = std::move(values1);
  l.variants = std::move(variants);
  return l;
}

// The quiet classifier whose kind 15 is an ordinary service kind: no sheet
// frame where opening expects it.
inline Builder WithoutFrame() {
  Builder b = Builder::Minimal();
  b.objects[14].excode = 1000000015;
  b.objects[14].key = KeyOf(0, 1000000015);
  return b;
}

// The fixture with something in every table: values and defaults, layer
// codes, a series of two kinds sharing their POS and LIM records, printer
// images, relations, value-dependent images and a library.
inline Builder Rich(int extraObjects = 0) {
  Builder b = Builder::Minimal();
  Semantic& s = b.AddSemantic(4, 1, "KIND", "KIND");
  s.values = {{1, "ONE"}, {2, "TWO"}, {3, "THREE"}};
  s.defaults = {{0, 0, 1, 3}, {16, 1, 2, 3}};
  b.AddSemantic(9, 0, "NAME", "NAME");
  b.layers.push_back({"ROADS", "ROADS", 1, 3, {4, 9}});
  Object& road = b.AddObject(100, 0, "ROAD");
  road.segment = 1;
  road.relations = {{1, 9, "N", 1}, {2, 4, "K", 2}};
  b.AddObject(200, 1, "LAKE SMALL").series = 1;
  b.AddObject(200, 1, "LAKE BIG").series = 2;
  for (int i = 0; i < extraObjects; i++) b.AddObject(1000 + i, 2, "POINT " + std::to_string(i));
  AddDefaultImages(b);
  for (size_t n = 16; n <= b.objects.size(); n++) {
    const Object& o = b.objects[n - 1];
    if (o.series != 2) b.pos.push_back({o.excode, o.local, {4}, {9, 32800}});  // a series shares one
  }
  b.limits.push_back(OneLimit(200, 1, 4, {0, 10, 100}, {1, 2, 2}));
  b.prn.push_back(DefaultImage(16, 0));
  b.grs.push_back({1, 4, 2, {{128, Bytes(8, 1)}, {135, Bytes(4, 2)}}});
  b.libraries.push_back({"SIGNS.IML", "SIGNS", 7});
  return b;
}

// The folder of the running test under the tests' scratch root; the prefix
// keeps apart the test programs that share test names.
inline std::string TestFolder(const std::string& prefix = "") {
  return MakeFolder(MC_TEST_TMP, prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// A test with a folder of its own to write built classifiers into.
class RscFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    folder_ = TestFolder();
  }
  std::string Write(const Bytes& bytes, const char* name = "test.rsc") {
    std::string path = folder_ + name;
    EXPECT_TRUE(WriteBytes(path, bytes));
    return path;
  }
  std::string folder_;
};

// A test that opens one classifier built byte by byte, written to `file` in
// the test's own folder.
class OpenedRscTest : public ::testing::Test {
 protected:
  OpenedRscTest(const char* prefix, const char* file) : prefix_(prefix), file_(file) {}
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    folder_ = TestFolder(prefix_);
  }
  void Open(const Bytes& bytes) {
    path_ = folder_ + file_;
    ASSERT_TRUE(WriteBytes(path_, bytes));
    ASSERT_EQ(1, rsc_.OpenRsc(path_.c_str(), 0)) << rsc_.Error();
  }

  std::string folder_, path_;
  TMapRsc rsc_;

 private:
  std::string prefix_, file_;
};

}  // namespace rsctest
