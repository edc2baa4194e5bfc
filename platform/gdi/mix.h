// The sixteen mixes of a pen value with a destination value.
#pragma once

#include <cstdint>

#include "platform/gdi/gdi_types.h"

namespace plat::gdi {

template <int R>
inline uint32_t MixOf(uint32_t p, uint32_t d) {
  switch (R) {
    case R2_BLACK: return 0;
    case R2_NOTMERGEPEN: return ~(p | d);
    case R2_MASKNOTPEN: return ~p & d;
    case R2_NOTCOPYPEN: return ~p;
    case R2_MASKPENNOT: return p & ~d;
    case R2_NOT: return ~d;
    case R2_XORPEN: return p ^ d;
    case R2_NOTMASKPEN: return ~(p & d);
    case R2_MASKPEN: return p & d;
    case R2_NOTXORPEN: return ~(p ^ d);
    case R2_NOP: return d;
    case R2_MERGENOTPEN: return ~p | d;
    case R2_COPYPEN: return p;
    case R2_MERGEPENNOT: return p | ~d;
    case R2_MERGEPEN: return p | d;
    default: return ~0u;  // R2_WHITE
  }
}

// Writes a pixel of BPP bits at p with the mix R.
template <int BPP, int R>
inline void MixPixel(uint8_t* p, uint32_t v) {
  if (BPP == 8) {
    *p = (uint8_t)MixOf<R>(v, *p);
  } else if (BPP == 24) {
    uint32_t d = (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16);
    uint32_t m = MixOf<R>(v, d);
    p[0] = (uint8_t)m;
    p[1] = (uint8_t)(m >> 8);
    p[2] = (uint8_t)(m >> 16);
  } else {
    uint32_t* q = reinterpret_cast<uint32_t*>(p);
    *q = MixOf<R>(v, *q) & 0xFFFFFF;
  }
}

}  // namespace plat::gdi
