// Fixtures of the classifier tests: a folder of the running test and a
// classifier opened from built bytes.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "classifier/maprsc.h"
#include "platform/file.h"
#include "support/rscbuilder.h"

namespace rsctest {

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
