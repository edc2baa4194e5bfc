// A fixture of the document tests: an empty document for each test, made
// with the library's messages off and freed after it, a scratch folder for
// its files, and its chains of rasters and matrices.
#pragma once

#include <gtest/gtest.h>

#include "common/messages.h"
#include "document/mapaccess.h"
#include "document/rmfchains.h"
#include "support/scratch_dir.h"

namespace doctest {

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
