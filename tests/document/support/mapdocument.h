// A fixture of the tests that work on a map document: a document with one
// sheet on the image classifier (support/docmap.h), made for each test in
// a scratch folder with the library's messages off and freed after it.
#pragma once

#include <gtest/gtest.h>

#include "common/messages.h"
#include "support/docmap.h"
#include "support/scratch_dir.h"

namespace doctest {

class MapDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageEnableSet(0);
    ASSERT_TRUE(WriteImageClassifier(dir / "map.rsc"));
    doc = CreateDocument(dir / "map.map", dir / "map.rsc");
    ASSERT_NE(doc, nullptr);
  }
  void TearDown() override {
    if (doc) FreeDocument(doc);
    MessageEnableSet(1);
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  TMapAccess* doc = nullptr;
};

}  // namespace doctest
