// Internal helpers of the metric record: unaligned reads and writes of point
// values by kind, count words, the contour walk bounded by the record's own
// length, and the blocks of editing buffers.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstring>

#include "records/metric.h"
#include "platform/numeric.h"

namespace metric {

template <typename T>
inline T Get(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

template <typename T>
inline void Put(char* p, T v) {
  std::memcpy(p, &v, sizeof(T));
}

// Bytes a point of the kind occupies when read at the cursor (also for
// METRIC_I32H, which has no point size for stepping); 0 when unknown.
inline int LayoutSize(DWORD kind) {
  return kind == METRIC_I32H ? 12 : MetricPointSize(kind);
}

// X and Y of a point by kind; false for an unknown kind.
inline bool ReadXY(DWORD kind, const char* p, double& x, double& y) {
  switch (kind) {
    case METRIC_U16:
    case METRIC_U16H:
      x = Get<uint16_t>(p);
      y = Get<uint16_t>(p + 2);
      return true;
    case METRIC_I32:
    case METRIC_I32H:
      x = Get<int32_t>(p);
      y = Get<int32_t>(p + 4);
      return true;
    case METRIC_F32:
    case METRIC_F32H:
      x = Get<float>(p);
      y = Get<float>(p + 4);
      return true;
    case METRIC_F64:
    case METRIC_F64H:
      x = Get<double>(p);
      y = Get<double>(p + 8);
      return true;
    default:
      x = y = 0.0;
      return false;
  }
}

// Height of a point; the no-height value for the kinds without one.
inline double ReadH(DWORD kind, const char* p) {
  switch (kind) {
    case METRIC_F32H:
    case METRIC_I32H:
      return Get<float>(p + 8);
    case METRIC_F64H:
      return Get<double>(p + 16);
    case METRIC_U16H:
      return Get<float>(p + 4);
    default:
      return METRIC_NO_HEIGHT;
  }
}

// The integer write rules: u16 as trunc(v + 0.5) clamped to 0..65520; i32
// rounded half away from zero and clamped to the i32 range.
inline uint16_t RoundU16(double v) {
  if (!(v == v)) return 0;
  double r = std::trunc(v + 0.5);
  if (r < 0.0) return 0;
  if (r > 65520.0) return 65520;
  return static_cast<uint16_t>(r);
}

inline int32_t RoundI32(double v) { return plat::RoundTo<int32_t>(v); }

// Truncation toward zero, clamped to the i32 range.
inline int32_t TruncI32(double v) { return plat::TruncateTo<int32_t>(v); }

// Stores one coordinate (offset 0 for X, 1 for Y) by kind; returns the
// value as stored.
inline double StoreCoord(DWORD kind, char* p, int axis, double v) {
  switch (kind) {
    case METRIC_U16:
    case METRIC_U16H: {
      uint16_t s = RoundU16(v);
      Put<uint16_t>(p + 2 * axis, s);
      return s;
    }
    case METRIC_I32:
    case METRIC_I32H: {
      int32_t s = RoundI32(v);
      Put<int32_t>(p + 4 * axis, s);
      return s;
    }
    case METRIC_F32:
    case METRIC_F32H: {
      float s = static_cast<float>(v);
      Put<float>(p + 4 * axis, s);
      return s;
    }
    case METRIC_F64:
    case METRIC_F64H:
      Put<double>(p + 8 * axis, v);
      return v;
    default:
      return 0.0;
  }
}

// Stores a height for the kinds that have one.
inline void StoreH(DWORD kind, char* p, double h) {
  switch (kind) {
    case METRIC_F32H:
    case METRIC_I32H:
      Put<float>(p + 8, static_cast<float>(h));
      break;
    case METRIC_U16H:
      Put<float>(p + 4, static_cast<float>(h));
      break;
    case METRIC_F64H:
      Put<double>(p + 16, h);
      break;
    default:
      break;
  }
}

inline void StorePoint(DWORD kind, char* p, double x, double y, double h) {
  StoreCoord(kind, p, 0, x);
  StoreCoord(kind, p, 1, y);
  StoreH(kind, p, h);
}

// A count word by the record's flags.
inline DWORD ReadCount(bool longCounts, const char* word) {
  return longCounts ? Get<uint32_t>(word) : Get<uint16_t>(word + 2);
}

inline void WriteCount(bool longCounts, char* word, DWORD count) {
  if (longCounts) Put<uint32_t>(word, count);
  else Put<uint16_t>(word + 2, static_cast<uint16_t>(count));
}

// One contour of a record as found by a bounded walk.
struct Contour {
  char* word = nullptr;    // the count word
  DWORD count = 0;         // points
  char* text = nullptr;    // the text entry (records with texts), may be the end
  char* next = nullptr;    // the next contour's count word (or the record end)
  char* First() const { return word + 4; }
};

// A walk over the contours of one record, never reading at or past `end`.
// Every point takes bytes: those of `pointSize`, or for a kind without a
// point size the bytes a point is read from at the cursor (LayoutSize), so
// that no count word holds more points than the record's bytes do. A kind
// whose points have no layout at all has no contour to walk.
class Walk {
 public:
  Walk(char* record, char* end, int pointSize, bool text)
      : record_(record), end_(end), size_(pointSize), text_(text) {
    longCounts_ = (Get<uint16_t>(record + 10) & METRIC_LONG_COUNTS) != 0;
    subjects_ = Get<uint16_t>(record + 8);
    if (size_ <= 0) size_ = LayoutSize(Get<DWORD>(record));
  }

  // Fills c with the contour whose count word is at word; false when the
  // contour (its points, and its text entry when there is one) does not lie
  // inside the record. The last contour of a text record may lack its entry.
  bool At(char* word, int index, Contour& c) const {
    if (size_ <= 0 || word < record_ + METRIC_HEADER_SIZE || end_ - word < 4) return false;
    c.word = word;
    c.count = ReadCount(longCounts_, word);
    uint64_t bytes = static_cast<uint64_t>(c.count) * static_cast<uint64_t>(size_);
    if (bytes > static_cast<uint64_t>(end_ - word - 4)) return false;
    c.text = word + 4 + bytes;
    c.next = c.text;
    if (text_) {
      if (c.text == end_) return index == subjects_;
      size_t l = static_cast<BYTE>(*c.text);
      if (static_cast<size_t>(end_ - c.text) < l + 2) return false;
      c.next = c.text + l + 2;
    }
    return true;
  }

  bool First(Contour& c) const { return At(record_ + METRIC_HEADER_SIZE, 0, c); }
  bool Next(const Contour& from, int index, Contour& c) const {
    return index <= subjects_ && At(from.next, index, c);
  }

  int Subjects() const { return subjects_; }
  bool LongCounts() const { return longCounts_; }

 private:
  char* record_;
  char* end_;
  int size_;
  bool text_;
  bool longCounts_;
  int subjects_;
};

// Blocks of editing buffers from the page allocator, zero-filled. Grow
// returns a block of at least `size` bytes holding the first `keep` bytes
// and zeros after them (possibly the same block); on failure the old block
// stays valid.
char* AllocBlock(size_t size);
char* GrowBlock(char* block, size_t keep, size_t size);
void FreeBlock(char* block);

}  // namespace metric
