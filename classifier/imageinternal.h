// Helpers shared by the sign editors and the sign measures.
#pragma once

#include <cstring>
#include <vector>

#include "classifier/imageedit.h"
#include "platform/memory.h"
#include "platform/win_types.h"

namespace imgedit {

// A new block for an editor's own buffer of `size` bytes grown by one
// step, holding the old contents; null when the step would pass the limit
// or memory is short (the old block is left as it is either way).
inline char* GrowBlock(const char* own, LONG size) {
  const LONG grown = size + IMGEDIT_STEP;
  if (grown > IMGEDIT_LIMIT) return nullptr;
  char* block = (char*)plat::AllocPages(SIZE_T(grown));
  if (block) std::memcpy(block, own, size_t(size));
  return block;
}

// A block of `size` bytes for an editor's own buffer; null when `size` is
// below `least`, the smallest image the editor lays out, or memory is short.
inline char* NewBlock(int size, int least) {
  return size < least ? nullptr : (char*)plat::AllocPages(SIZE_T(size));
}

// Makes a block from GrowBlock the editor's own buffer in place of `own`,
// one step larger. Pointers into the old block are moved before this.
inline void TakeGrown(char*& own, LONG& size, char* grown) {
  plat::FreePages(own);
  own = grown;
  size += IMGEDIT_STEP;
}

// Bytes to be written into an editor's buffer. When they lie in that very
// buffer (parameters copied from another part of the same image), the edit
// would move them or free them by growing the buffer first: they are
// copied aside then.
class Source {
 public:
  Source(const char* data, size_t length, const void* buffer, LONG size) : data_(data) {
    const char* begin = (const char*)buffer;
    if (data && begin && data < begin + size && data + length > begin) {
      copy_.assign(data, data + length);
      data_ = copy_.data();
    }
  }
  const char* data() const { return data_; }

 private:
  std::vector<char> copy_;
  const char* data_;
};

// A pointer into the block `from` moved to the same place in `to`.
template <class T>
T* Moved(T* p, const char* from, char* to) {
  return p ? (T*)(to + ((const char*)p - from)) : nullptr;
}

// The factor of a scale triple {measured from, measured to, drawn size}.
inline double ScaleFactor(const LONG* scale) {
  if (scale[2] != 0 && scale[1] > scale[0]) return double(scale[2]) / (double(scale[1]) - scale[0]);
  return 1.0;
}

// Minima and maxima of the points added so far.
struct Extent {
  bool any = false;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  void Add(double x, double y) {
    if (!any) {
      minX = maxX = x;
      minY = maxY = y;
      any = true;
      return;
    }
    if (x < minX) minX = x;
    if (x > maxX) maxX = x;
    if (y < minY) minY = y;
    if (y > maxY) maxY = y;
  }
};

}  // namespace imgedit
