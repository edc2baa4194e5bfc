// A fixture of the document tests: an empty document for each test, made
// with the library's messages off and freed after it, a scratch folder for
// its files, and its chains of rasters and matrices; the build parameters
// of the matrices the tests put at (5000, 2000).
#pragma once

#include <gtest/gtest.h>

#include "common/messages.h"
#include "document/mapaccess.h"
#include "document/rmfchains.h"
#include "raster/mtl.h"
#include "raster/mtr.h"
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
