// A semantics record of characteristics holding 32-bit integers, for the
// tests that write objects with characteristics into a map.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "support/objectbuilder.h"

namespace objinfotest {

// The record of the characteristics {code, value}, in their order.
inline objtest::Bytes IntSemantics(const std::vector<std::pair<uint16_t, int32_t>>& values) {
  objtest::Bytes b(4, 0);
  for (const auto& v : values) {
    const size_t at = b.size();
    b.resize(at + 8);
    std::memcpy(b.data() + at, &v.first, 2);
    b[at + 2] = 4;
    b[at + 3] = 0;
    std::memcpy(b.data() + at + 4, &v.second, 4);
  }
  const uint16_t head[2] = {0x7FFF, uint16_t(b.size())};
  std::memcpy(b.data(), head, 4);
  return b;
}

}  // namespace objinfotest
