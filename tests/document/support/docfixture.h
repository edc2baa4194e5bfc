// A fixture of the document tests: an empty document for each test, made
// with the library's messages off and freed after it, a scratch folder for
// its files, and its chains of rasters and matrices; the build parameters
// of the matrices the tests put at (5000, 2000), and their rasters.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "common/messages.h"
#include "document/mapaccess.h"
#include "document/rmfchains.h"
#include "raster/mtl.h"
#include "raster/mtr.h"
#include "raster/rst.h"
#include "support/docmap.h"
#include "support/rmfbuild.h"
#include "support/scratch_dir.h"

namespace doctest {

// A matrix of width x height metres from (5000, 2000), of `size` metre
// elements `bytes` wide, at 1:10,000.
inline BUILDMTW MatrixParm(double width, double height, double size, int bytes) {
  return rmftest::MatrixBuild(5000, 2000, width, height, size, bytes, 10000);
}

// A layer matrix over (5000..5500, 2000..2500) of 10 m cells, `layers`
// thicknesses 1 byte wide and heights `heightBytes` wide, at 1:10,000.
inline MTLBUILDPARM LayerMatrixParm(int layers, int heightBytes) {
  return rmftest::LayerMatrixBuild(5000, 2000, 5500, 2500, 10, layers, heightBytes, 10000);
}

// The grey palette: colour i is i * 0x010101.
inline std::array<DWORD, 256> GreyPalette() {
  std::array<DWORD, 256> palette;
  for (DWORD i = 0; i < 256; ++i) palette[i] = i * 0x010101;
  return palette;
}

// Creates the raster `path` of cols x rows elements `bits` deep with the
// 256 colours `palette`, of 10 m elements (scale 10,000, precision 1,000),
// its south-west corner at (x, y); `edit` writes its elements or changes
// it before it is closed. 1 when it was created.
inline int WriteRaster(const std::string& path, int cols, int rows, int bits,
                       const std::array<DWORD, 256>& palette, double x, double y,
                       const std::function<void(TRst&)>& edit = nullptr) {
  TRst r;
  if (r.Create(path.c_str(), cols, rows, bits, palette.data(), 10000, 1000) != 1) return 0;
  r.Head.LocationX = x;
  r.Head.LocationY = y;
  r.Head.LocationSet = 1;
  r.HeadChanged = 1;
  if (edit) edit(r);
  r.Close();
  return 1;
}

// A document whose main map (dir / "map.map") is made on the image
// classifier (rsc), with the library's messages off; freed after the test.
class MapDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageEnableSet(0);
    ASSERT_TRUE(WriteImageClassifier(rsc));
    doc = CreateDocument(dir / "map.map", rsc);
    ASSERT_NE(doc, nullptr);
  }
  void TearDown() override {
    if (doc) FreeDocument(doc);
    MessageEnableSet(1);
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  const std::string rsc = dir / "map.rsc";
  TMapAccess* doc = nullptr;
};

class EmptyDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageEnableSet(0);
    doc = NewDocument();
    ASSERT_NE(doc, nullptr);
  }
  void TearDown() override {
    if (doc) FreeDocument(doc);
    MessageEnableSet(1);
  }
  CHAININFO* Rasters() { return DocChain(doc, DOCKIND_RST); }
  CHAININFO* Matrices() { return DocChain(doc, DOCKIND_MTR); }

  mctest::ScratchDir dir{MC_TEST_TMP};
  TMapAccess* doc = nullptr;
};

}  // namespace doctest
