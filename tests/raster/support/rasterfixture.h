// A fixture of the blocked raster tests: writes not forced through to the
// disk, the library's messages off while a test runs, a scratch folder for
// its files, and the bytes of a cached block.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/messages.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "raster/rmf.h"
#include "support/scratch_dir.h"

namespace rmftest {

class RasterFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
    plat::SetClock(&AnHourAhead, nullptr);
  }
  void TearDown() override {
    plat::SetClock(nullptr, nullptr);
    MessageEnableSet(messages_);
  }
  // The files a test writes are read as a host's files at rest are, long
  // after their last write: the decoded blocks the cache slots give up are
  // kept behind them.
  static plat::ClockReading AnHourAhead(void*) {
    const auto since1970 = std::chrono::system_clock::now().time_since_epoch() + std::chrono::hours(1);
    const int64_t ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count() / 100;
    return {ticks + 116444736000000000ll, 0};
  }
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
