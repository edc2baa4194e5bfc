// A fixture of the blocked raster tests: writes not forced through to the
// disk, the library's messages off while a test runs, a scratch folder for
// its files, and the bytes of a cached block.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/messages.h"
#include "platform/file.h"
#include "raster/rmf.h"
#include "support/scratch_dir.h"

namespace rmftest {

class RasterFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
  }
  void TearDown() override { MessageEnableSet(messages_); }
  // Block (row, col) as the cache holds it, its raw length long; empty
  // when it does not read.
  static std::string Block(TRmf& rmf, int row, int col) {
    const BYTE* b = rmf.GetBlockAddress(row, col);
    return b ? std::string(reinterpret_cast<const char*>(b), size_t(rmf.BlockRawLength(row, col)))
             : std::string();
  }
  static std::string Bytes(const std::vector<char>& v) { return std::string(v.begin(), v.end()); }
  // `size` bytes from `b`; empty for none.
  static std::string Bytes(const BYTE* b, int size) {
    return b ? std::string(reinterpret_cast<const char*>(b), size_t(size)) : std::string();
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  int messages_ = 1;
};

}  // namespace rmftest
