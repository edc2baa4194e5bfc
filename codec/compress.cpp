// Block compression: the hashed 12-bit LZW coder and the matrix delta and run
// coder.
#include "codec/compress.h"

#include <cstring>
#include <new>

namespace {

// Both encoders give up when their output would reach this share of the
// input length.
int OutputLimit(int length) { return static_cast<int>(length * 0.8); }

// Home slot of the string (prefix, byte): the byte is taken signed, the sum
// with the prefix gets bit 11 set and bits 6..17 of its square are the slot.
inline DWORD HomeSlot(DWORD prefix, BYTE byte) {
  DWORD h = (static_cast<DWORD>(static_cast<int32_t>(static_cast<int8_t>(byte))) + prefix) | 0x800u;
  return ((h * h) >> 6) & 0xFFFu;
}

// 12-bit codes, most significant bits first; two codes fill three bytes.
class CodeWriter {
 public:
  CodeWriter(BYTE* dest, int limit) : dest_(dest), limit_(limit) {}

  // Appends a code; false when the output would reach the limit.
  bool Put(DWORD code) {
    if (!halfPending_) {
      if (size_ >= limit_) return false;
      dest_[size_++] = static_cast<BYTE>(code >> 4);
      half_ = static_cast<BYTE>((code & 15) << 4);
      halfPending_ = true;
    } else {
      if (size_ + 1 >= limit_) return false;
      dest_[size_++] = static_cast<BYTE>(half_ | (code >> 8));
      dest_[size_++] = static_cast<BYTE>(code & 255);
      halfPending_ = false;
    }
    return true;
  }

  // Writes the pending half byte of a last odd code; false at the limit.
  bool Flush() {
    if (!halfPending_) return true;
    if (size_ >= limit_) return false;
    dest_[size_++] = half_;
    halfPending_ = false;
    return true;
  }

  int size() const { return size_; }

 private:
  BYTE* dest_;
  int limit_;
  int size_ = 0;
  BYTE half_ = 0;
  bool halfPending_ = false;
};

// ---- Matrix coder --------------------------------------------------------

// Element classes are multiples of 32; the class index is class / 32.
enum : int { kClassEmpty = 0, kClassRepeat = 1, kClass4 = 2, kClass8 = 3, kClass12 = 4,
             kClass16 = 5, kClass24 = 6, kClass32 = 7 };

// Payload bits per element by class index: what absorbing a cheaper element
// into a dearer run costs.
constexpr int kClassCost[8] = {0, 0, 4, 8, 12, 16, 24, 32};

// Longest run one header can announce.
constexpr int kMaxRun = 31 + 256;

inline LONG LoadElement(const LONG* source, int index) {
  LONG v;
  std::memcpy(&v, source + index, sizeof(v));
  return v;
}

// Class index of an element against the running previous value; prev moves
// on to the element unless it is empty.
inline int ClassOf(LONG element, LONG threshold, LONG* prev) {
  if (element < threshold) return kClassEmpty;
  int64_t d = static_cast<int64_t>(element) - *prev;
  *prev = element;
  int64_t a = d < 0 ? -d : d;
  if (a > 8388607) return kClass32;
  if (a == 0) return kClassRepeat;
  if (a <= 7) return kClass4;
  if (a <= 127) return kClass8;
  if (a <= 2047) return kClass12;
  if (a <= 32767) return kClass16;
  return kClass24;
}

// Payload bytes of a run of count elements of a class.
inline int PayloadSize(int cls, int count) {
  switch (cls) {
    case kClass4: return (count + 1) / 2;
    case kClass8: return count;
    case kClass12: return count / 2 * 3 + (count & 1) * 2;
    case kClass16: return count * 2;
    case kClass24: return count * 3;
    case kClass32: return count * 4;
    default: return 0;
  }
}

// Writes the payload of one run starting with the previous value *prev;
// leaves *prev at the value after the run. False when a delta cannot be
// told from the empty code (a 32-bit delta of exactly 2^31).
bool WriteRunPayload(const LONG* source, int first, int count, int cls, LONG threshold, LONG* prev,
                     BYTE* out) {
  if (cls == kClassEmpty || cls == kClassRepeat) {
    // Repeat runs hold only elements equal to prev; empty runs only empty
    // elements: prev does not move.
    return true;
  }
  LONG p = *prev;
  // Deltas in the run's width; empty elements get the class's empty code.
  auto delta = [&](int i, int32_t emptyCode) -> int32_t {
    LONG e = LoadElement(source, first + i);
    if (e < threshold) return emptyCode;
    int32_t d = static_cast<int32_t>(static_cast<DWORD>(e) - static_cast<DWORD>(p));
    p = e;
    return d;
  };
  switch (cls) {
    case kClass4:
      for (int i = 0; i < count; i += 2) {
        int32_t d1 = delta(i, -8);
        int32_t d2 = i + 1 < count ? delta(i + 1, -8) : 0;
        *out++ = static_cast<BYTE>((d1 & 15) | ((d2 & 15) << 4));
      }
      break;
    case kClass8:
      for (int i = 0; i < count; ++i) *out++ = static_cast<BYTE>(delta(i, -128));
      break;
    case kClass12:
      for (int i = 0; i < count; i += 2) {
        int32_t d1 = delta(i, -2048);
        *out++ = static_cast<BYTE>(d1 & 255);
        if (i + 1 < count) {
          int32_t d2 = delta(i + 1, -2048);
          *out++ = static_cast<BYTE>(((d1 >> 8) & 15) | ((d2 & 15) << 4));
          *out++ = static_cast<BYTE>((d2 >> 4) & 255);
        } else {
          *out++ = static_cast<BYTE>((d1 >> 8) & 15);
        }
      }
      break;
    case kClass16:
      for (int i = 0; i < count; ++i) {
        int32_t d = delta(i, -32768);
        *out++ = static_cast<BYTE>(d);
        *out++ = static_cast<BYTE>(d >> 8);
      }
      break;
    case kClass24:
      for (int i = 0; i < count; ++i) {
        int32_t d = delta(i, -8388608);
        *out++ = static_cast<BYTE>(d);
        *out++ = static_cast<BYTE>(d >> 8);
        *out++ = static_cast<BYTE>(d >> 16);
      }
      break;
    case kClass32:
      for (int i = 0; i < count; ++i) {
        LONG e = LoadElement(source, first + i);
        DWORD d = 0x80000000u;
        if (e >= threshold) {
          d = static_cast<DWORD>(e) - static_cast<DWORD>(p);
          // The decoder would take this delta for an empty element and
          // lose the running value: store the block plain instead.
          if (d == 0x80000000u) return false;
          p = e;
        }
        std::memcpy(out, &d, 4);
        out += 4;
      }
      break;
  }
  *prev = p;
  return true;
}

inline int32_t SignExtend(DWORD v, int bits) {
  return static_cast<int32_t>(v << (32 - bits)) >> (32 - bits);
}

inline void StoreElement(BYTE* dest, DWORD value) { std::memcpy(dest, &value, 4); }

}  // namespace

// ---- LZW code table ------------------------------------------------------

TCompress::~TCompress() { delete work_; }

int TCompress::InitTab() {
  if (work_ == nullptr) {
    work_ = new (std::nothrow) Work;
    if (work_ == nullptr) return 0;
  }
  std::memset(&work_->table, 0, sizeof(Table));
  for (int i = 0; i < kTableSize; ++i) {
    work_->chainHint[i] = static_cast<WORD>(i);
    work_->freeHint[i] = static_cast<WORD>(i);
  }
  work_->usedCount = 0;
  for (int c = 0; c < 256; ++c) FillTab(kNoCode, static_cast<BYTE>(c));
  return 1;
}

DWORD TCompress::ChainEnd(DWORD slot) {
  WORD* hint = work_->chainHint;
  const DWORD* next = work_->table.next;
  DWORD x = slot;
  for (;;) {
    if (hint[x] != x) {
      x = hint[x];
    } else if (next[x] != 0) {
      x = next[x];
    } else {
      break;
    }
  }
  // Every slot passed on the way now points straight at the end.
  for (DWORD y = slot; y != x;) {
    DWORD following = hint[y] != y ? hint[y] : next[y];
    hint[y] = static_cast<WORD>(x);
    y = following;
  }
  return x;
}

DWORD TCompress::FirstFree(DWORD slot) {
  WORD* hint = work_->freeHint;
  DWORD x = slot;
  while (hint[x] != x) {
    hint[x] = hint[hint[x]];
    x = hint[x];
  }
  return x;
}

DWORD TCompress::NewSlot(DWORD prefix, BYTE byte, DWORD* chainEnd) {
  DWORD slot = HomeSlot(prefix, byte);
  *chainEnd = kNoCode;
  if (!work_->table.used[slot]) return slot;
  // Walk to the end of the chain through the home slot, then probe upwards
  // from 101 slots past it, wrapping, for the first free slot. A link to
  // slot 0 reads as the end of a chain, so slot 0 is only ever found as a
  // home slot.
  DWORD last = ChainEnd(slot);
  *chainEnd = last;
  return FirstFree((last + 101) & 0xFFFu);
}

DWORD TCompress::Enter(DWORD prefix, BYTE byte) {
  if (work_->usedCount >= kTableSize) return kNoCode;
  Table& t = work_->table;
  DWORD last;
  DWORD slot = NewSlot(prefix, byte, &last);
  if (last != kNoCode && slot != 0) t.next[last] = slot;
  t.used[slot] = 1;
  t.character[slot] = byte;
  t.next[slot] = 0;
  t.prefix[slot] = prefix;
  work_->freeHint[slot] = static_cast<WORD>((slot + 1) & 0xFFFu);
  ++work_->usedCount;
  return slot;
}

void TCompress::FillTab(DWORD prefix, BYTE byte) {
  if (work_ != nullptr) Enter(prefix, byte);
}

DWORD TCompress::FindIndex(DWORD prefix, BYTE byte) const {
  if (work_ == nullptr) return kNoCode;
  const Table& t = work_->table;
  DWORD slot = HomeSlot(prefix, byte);
  while (!t.used[slot] || t.prefix[slot] != prefix || t.character[slot] != byte) {
    slot = t.next[slot];
    if (slot == 0) return kNoCode;
  }
  return slot;
}

// ---- LZW -----------------------------------------------------------------

int TCompress::Compress(const char* source, int length, char* dest, int destSize) {
  if (source == nullptr || dest == nullptr || length < 1 || destSize < length) return 0;
  if (!InitTab()) return 0;
  const BYTE* in = reinterpret_cast<const BYTE*>(source);
  CodeWriter out(reinterpret_cast<BYTE*>(dest), OutputLimit(length));
  int budget = kNewCodes;
  DWORD current = FindIndex(kNoCode, in[0]);
  for (int i = 1; i < length; ++i) {
    BYTE c = in[i];
    DWORD n = FindIndex(current, c);
    if (n != kNoCode) {
      current = n;
      continue;
    }
    if (!out.Put(current)) return 0;
    if (budget > 0) {
      --budget;
      FillTab(current, c);
    }
    current = FindIndex(kNoCode, c);
  }
  if (!out.Put(current) || !out.Flush()) return 0;
  return out.size();
}

// Each new code is the previous string followed by the first byte of the
// current one, and both lie one after the other in the output: a code's
// string is copied from where it was first written instead of being walked
// through the prefix links.
int TCompress::Decompress(const char* source, int length, char* dest, int destSize) {
  if (source == nullptr || dest == nullptr || length < 1 || destSize < length) return 0;
  // The shortest stream the encoder writes is one code in two bytes.
  if (length < 2) return 0;
  if (!InitTab()) return 0;
  const Table& t = work_->table;
  DWORD* offset = work_->offset;
  DWORD* stringLength = work_->length;
  const BYTE* in = reinterpret_cast<const BYTE*>(source);
  BYTE* out = reinterpret_cast<BYTE*>(dest);

  // The first code must be a single-byte code.
  DWORD code = (static_cast<DWORD>(in[0]) << 4) | (in[1] >> 4);
  if (!t.used[code] || t.prefix[code] != kNoCode) return 0;
  out[0] = t.character[code];
  int size = 1;
  DWORD previous = code;
  int previousPos = 0;
  int previousLength = 1;
  int pos = 2;
  DWORD pending = in[1] & 15u;
  bool halfPending = true;
  int budget = kNewCodes;

  while (pos < length) {
    if (halfPending) {
      code = (pending << 8) | in[pos++];
      halfPending = false;
    } else {
      if (pos + 1 >= length) break;  // a lone last byte is filler
      code = (static_cast<DWORD>(in[pos]) << 4) | (in[pos + 1] >> 4);
      pending = in[pos + 1] & 15u;
      halfPending = true;
      pos += 2;
    }

    int count;
    if (!t.used[code]) {
      // A free slot can only be the code about to be made: the previous
      // string followed by its own first byte.
      DWORD last;
      if (budget <= 0 || NewSlot(previous, out[previousPos], &last) != code) return 0;
      count = previousLength + 1;
      if (count > destSize - size) return 0;
      std::memcpy(out + size, out + previousPos, previousLength);
      out[size + previousLength] = out[previousPos];
    } else if (t.prefix[code] == kNoCode) {
      count = 1;
      if (size >= destSize) return 0;
      out[size] = t.character[code];
    } else {
      count = static_cast<int>(stringLength[code]);
      if (count > destSize - size) return 0;
      std::memcpy(out + size, out + offset[code], count);
    }

    if (budget > 0) {
      --budget;
      DWORD made = Enter(previous, out[size]);
      if (made == kNoCode) return 0;
      offset[made] = static_cast<DWORD>(previousPos);
      stringLength[made] = static_cast<DWORD>(previousLength + 1);
    }
    previous = code;
    previousPos = size;
    previousLength = count;
    size += count;
  }
  return size;
}

// ---- Matrix coder --------------------------------------------------------

int TCompress::CompressMtr(const LONG* source, int length, char* dest, int destSize, LONG threshold) {
  if (source == nullptr || dest == nullptr || length < 4 || destSize < length) return 0;
  const int count = length / 4;
  int budget = OutputLimit(length);
  BYTE* out = reinterpret_cast<BYTE*>(dest);
  LONG prev = 0;
  int i = 0;
  while (i < count) {
    // Gather one run: the first element sets its class; cheaper elements are
    // absorbed until absorbing them costs 16 bits more than a new run.
    const int start = i;
    const LONG startPrev = prev;
    const int runClass = ClassOf(LoadElement(source, i), threshold, &prev);
    int runLength = 1;
    int absorbed = 0;
    ++i;
    while (i < count && runLength < kMaxRun) {
      LONG p = prev;
      int k = ClassOf(LoadElement(source, i), threshold, &p);
      if (k == runClass) {
        absorbed = 0;
      } else if (k > runClass || (k == kClassEmpty && runClass == kClassRepeat)) {
        break;
      } else {
        ++absorbed;
        if ((kClassCost[runClass] - kClassCost[k]) * absorbed >= 16) {
          // The absorbed elements start the next run.
          runLength -= absorbed - 1;
          i -= absorbed - 1;
          break;
        }
      }
      prev = p;
      ++runLength;
      ++i;
    }

    // Header: one byte for up to 31 elements, else the class and count - 32.
    const int cls = runClass << 5;
    const int headerSize = runLength <= 31 ? 1 : 2;
    budget -= headerSize;
    if (budget < 1) return 0;
    if (headerSize == 1) {
      *out++ = static_cast<BYTE>(cls | runLength);
    } else {
      *out++ = static_cast<BYTE>(cls);
      *out++ = static_cast<BYTE>(runLength - 32);
    }
    const int payload = PayloadSize(runClass, runLength);
    budget -= payload;
    if (budget < 1) return 0;
    prev = startPrev;
    if (!WriteRunPayload(source, start, runLength, runClass, threshold, &prev, out)) return 0;
    out += payload;
    i = start + runLength;
  }
  return static_cast<int>(out - reinterpret_cast<BYTE*>(dest));
}

int TCompress::DecompressMtr(const char* source, int length, char* dest, int destSize) {
  if (source == nullptr || dest == nullptr || length < 1 || destSize < length) return 0;
  const BYTE* in = reinterpret_cast<const BYTE*>(source);
  const BYTE* end = in + length;
  BYTE* out = reinterpret_cast<BYTE*>(dest);
  const int capacity = destSize / 4;  // whole elements that fit
  int written = 0;
  DWORD acc = 0;
  const DWORD empty = 0x80000000u;
  while (in < end) {
    const BYTE header = *in++;
    int count = header & 31;
    if (count == 0) {
      if (in >= end) return 0;
      count = *in++ + 32;
    }
    const int cls = header >> 5;
    if (count > capacity - written) return 0;
    if (PayloadSize(cls, count) > end - in) return 0;
    BYTE* o = out + written * 4;
    written += count;
    switch (cls) {
      case kClassEmpty:
        for (int i = 0; i < count; ++i) StoreElement(o + i * 4, empty);
        break;
      case kClassRepeat:
        for (int i = 0; i < count; ++i) StoreElement(o + i * 4, acc);
        break;
      case kClass4:
        for (int i = 0; i < count; ++i) {
          int32_t d = SignExtend((i & 1) ? (in[i >> 1] >> 4) : (in[i >> 1] & 15u), 4);
          if (d == -8) {
            StoreElement(o + i * 4, empty);
          } else {
            acc += static_cast<DWORD>(d);
            StoreElement(o + i * 4, acc);
          }
        }
        in += (count + 1) / 2;
        break;
      case kClass8:
        for (int i = 0; i < count; ++i) {
          int32_t d = static_cast<int8_t>(in[i]);
          if (d == -128) {
            StoreElement(o + i * 4, empty);
          } else {
            acc += static_cast<DWORD>(d);
            StoreElement(o + i * 4, acc);
          }
        }
        in += count;
        break;
      case kClass12:
        for (int i = 0; i < count; ++i) {
          const BYTE* b = in + (i >> 1) * 3;
          DWORD raw = (i & 1) ? ((b[1] >> 4) | (static_cast<DWORD>(b[2]) << 4))
                              : (b[0] | ((b[1] & 15u) << 8));
          int32_t d = SignExtend(raw, 12);
          if (d == -2048) {
            StoreElement(o + i * 4, empty);
          } else {
            acc += static_cast<DWORD>(d);
            StoreElement(o + i * 4, acc);
          }
        }
        in += PayloadSize(kClass12, count);
        break;
      case kClass16:
        for (int i = 0; i < count; ++i) {
          int32_t d = static_cast<int16_t>(in[i * 2] | (in[i * 2 + 1] << 8));
          if (d == -32768) {
            StoreElement(o + i * 4, empty);
          } else {
            acc += static_cast<DWORD>(d);
            StoreElement(o + i * 4, acc);
          }
        }
        in += count * 2;
        break;
      case kClass24:
        for (int i = 0; i < count; ++i) {
          const BYTE* b = in + i * 3;
          int32_t d = SignExtend(b[0] | (b[1] << 8) | (static_cast<DWORD>(b[2]) << 16), 24);
          if (d == -8388608) {
            StoreElement(o + i * 4, empty);
          } else {
            acc += static_cast<DWORD>(d);
            StoreElement(o + i * 4, acc);
          }
        }
        in += count * 3;
        break;
      default:  // 32-bit deltas
        for (int i = 0; i < count; ++i) {
          DWORD d;
          std::memcpy(&d, in + i * 4, 4);
          if (d == empty) {
            StoreElement(o + i * 4, empty);
          } else {
            acc += d;
            StoreElement(o + i * 4, acc);
          }
        }
        in += count * 4;
        break;
    }
  }
  return written * 4;
}
