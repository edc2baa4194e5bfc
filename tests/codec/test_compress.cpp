// LZW and matrix block coders: known streams, round trips of every stream the
// encoders write, and damaged streams fed to the decoders.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include "codec/compress.h"

namespace {

using Bytes = std::vector<char>;

Bytes Lzw(TCompress& codec, const Bytes& src) {
  Bytes out(src.size());
  int n = codec.Compress(src.data(), static_cast<int>(src.size()), out.data(), static_cast<int>(out.size()));
  out.resize(n);
  return out;
}

// Decodes into a buffer of exactly the given capacity (heap, so that any
// write past it is caught).
Bytes Unlzw(TCompress& codec, const Bytes& packed, size_t capacity) {
  std::vector<char> out(capacity);
  int n = codec.Decompress(packed.data(), static_cast<int>(packed.size()), out.data(), static_cast<int>(capacity));
  out.resize(n);
  return out;
}

std::vector<BYTE> U8(const Bytes& b) { return std::vector<BYTE>(b.begin(), b.end()); }

// ---- LZW -----------------------------------------------------------------

TEST(Lzw, KnownSizesAndRefusedArguments) {
  TCompress codec;
  Bytes src(10, 'a');
  Bytes packed = Lzw(codec, src);
  ASSERT_EQ(6u, packed.size());  // codes for 1, 2, 3 and 4 bytes
  EXPECT_EQ(src, Unlzw(codec, packed, 10));

  char out[64];
  for (int n = 1; n <= 3; ++n) EXPECT_EQ(0, codec.Compress("aaa", n, out, 64)) << n;
  std::mt19937 rng(7);
  Bytes noise(4096);
  for (char& c : noise) c = static_cast<char>(rng());
  EXPECT_TRUE(Lzw(codec, noise).empty());

  EXPECT_EQ(0, codec.Compress(nullptr, 10, out, 16) + codec.Compress(src.data(), 10, nullptr, 16) +
                   codec.Compress(src.data(), 0, out, 16) + codec.Compress(src.data(), 10, out, 9));
  EXPECT_EQ(0, codec.Decompress(nullptr, 4, out, 16) + codec.Decompress(packed.data(), 6, out, 5));
}

// Inputs of several kinds and sizes; every stream the encoder writes must
// decode to exactly the input, in a destination of exactly its size.
TEST(Lzw, EveryWrittenStreamDecodesBitExactly) {
  std::mt19937 rng(12345);
  TCompress codec;  // one object for all blocks: the table is reused
  int compressed = 0;
  for (int size : {3, 5, 10, 37, 256, 1000, 4096, 65536, 300000}) {
    for (int kind = 0; kind < 6; ++kind) {
      Bytes src(size);
      for (int i = 0; i < size; ++i) {
        switch (kind) {
          case 0: src[i] = 'q'; break;                                           // one value
          case 1: src[i] = static_cast<char>(rng() % 4); break;                 // small alphabet
          case 2: src[i] = static_cast<char>(i / 97); break;                    // long runs
          case 3: src[i] = static_cast<char>((i * 7) ^ (i >> 5)); break;       // pattern
          case 4: src[i] = static_cast<char>(128 + rng() % 16 + (i / 4000)); break;  // drifting
          default: src[i] = static_cast<char>(rng()); break;                     // noise
        }
      }
      Bytes packed = Lzw(codec, src);
      if (packed.empty()) continue;
      ++compressed;
      EXPECT_LT(packed.size(), src.size() * 0.8 + 1) << size << " " << kind;
      EXPECT_EQ(src, Unlzw(codec, packed, src.size())) << size << " " << kind;
      // One byte less room is refused, not overrun.
      EXPECT_TRUE(Unlzw(codec, packed, src.size() - 1).empty());
    }
  }
  EXPECT_GT(compressed, 18);
}

// The stored format in its plainest form: a table walked and probed slot by
// slot, and codes packed as they come. The library's encoder must write the
// very same bytes.
Bytes ReferenceLzw(const Bytes& src) {
  std::vector<BYTE> used(4096), character(4096);
  std::vector<DWORD> next(4096), prefix(4096);
  auto home = [](DWORD p, BYTE c) {
    DWORD h = (static_cast<DWORD>(static_cast<int8_t>(c)) + p) | 0x800u;
    return ((h * h) >> 6) & 0xFFFu;
  };
  auto fill = [&](DWORD p, BYTE c) {
    DWORD slot = home(p, c);
    if (used[slot]) {
      DWORD last = slot;
      while (next[last] != 0) last = next[last];
      slot = (last + 101) & 0xFFF;
      while (used[slot]) slot = (slot + 1) & 0xFFF;
      next[last] = slot;
    }
    used[slot] = 1;
    character[slot] = c;
    next[slot] = 0;
    prefix[slot] = p;
  };
  auto find = [&](DWORD p, BYTE c) -> DWORD {
    DWORD slot = home(p, c);
    while (!used[slot] || prefix[slot] != p || character[slot] != c) {
      slot = next[slot];
      if (slot == 0) return 0xFFFF;
    }
    return slot;
  };
  for (int c = 0; c < 256; ++c) fill(0xFFFF, static_cast<BYTE>(c));
  std::vector<DWORD> codes;
  int budget = 3840;
  DWORD current = find(0xFFFF, static_cast<BYTE>(src[0]));
  for (size_t i = 1; i < src.size(); ++i) {
    BYTE c = static_cast<BYTE>(src[i]);
    DWORD n = find(current, c);
    if (n != 0xFFFF) {
      current = n;
      continue;
    }
    codes.push_back(current);
    if (budget > 0) {
      --budget;
      fill(current, c);
    }
    current = find(0xFFFF, c);
  }
  codes.push_back(current);
  Bytes out;  // 12 bits a code, most significant first; the last half byte is 0
  for (size_t i = 0; i < codes.size(); i += 2) {
    DWORD a = codes[i], b = i + 1 < codes.size() ? codes[i + 1] : 0;
    out.push_back(static_cast<char>(a >> 4));
    out.push_back(static_cast<char>(((a & 15) << 4) | (b >> 8)));
    if (i + 1 < codes.size()) out.push_back(static_cast<char>(b & 255));
  }
  return out;
}

TEST(Lzw, StreamsMatchThePlainTableWalk) {
  std::mt19937 rng(4242);
  TCompress codec;
  for (int kind = 0; kind < 3; ++kind) {
    Bytes src(kind == 0 ? 5000 : 400000);
    for (size_t i = 0; i < src.size(); ++i) {
      src[i] = kind == 1 ? static_cast<char>(rng() % 7 * 31) : static_cast<char>('a' + (rng() % 26) * (rng() % 3 == 0));
    }
    Bytes packed = Lzw(codec, src);
    ASSERT_FALSE(packed.empty()) << kind;
    EXPECT_EQ(ReferenceLzw(src), packed) << kind;
  }
}

TEST(Lzw, DecoderRefusesShortStreamsAndBadFirstCodes) {
  TCompress codec;
  char out[64];
  EXPECT_EQ(0, codec.Decompress("\x80", 1, out, 64));
  ASSERT_EQ(1, codec.InitTab());
  std::set<DWORD> singles;
  for (int c = 0; c < 256; ++c) singles.insert(codec.FindIndex(TCompress::kNoCode, static_cast<BYTE>(c)));
  DWORD bad = 0;
  while (singles.count(bad)) ++bad;
  char stream[3] = {static_cast<char>(bad >> 4), static_cast<char>((bad & 15) << 4), 0};
  EXPECT_EQ(0, codec.Decompress(stream, 2, out, 64));
  DWORD good = codec.FindIndex(TCompress::kNoCode, 'z');
  char one[2] = {static_cast<char>(good >> 4), static_cast<char>((good & 15) << 4)};
  ASSERT_EQ(1, codec.Decompress(one, 2, out, 64));
  EXPECT_EQ('z', out[0]);
}

TEST(Lzw, RandomGarbageNeverOverrunsTheDestination) {
  std::mt19937 rng(2024);
  TCompress codec;
  for (int round = 0; round < 3000; ++round) {
    int length = 2 + static_cast<int>(rng() % 200);
    Bytes junk(length);
    for (char& c : junk) c = static_cast<char>(rng());
    if (round % 3 == 0) {
      // Start with a valid single-byte code so that decoding goes on.
      codec.InitTab();
      DWORD code = codec.FindIndex(TCompress::kNoCode, static_cast<BYTE>(rng()));
      junk[0] = static_cast<char>(code >> 4);
      junk[1] = static_cast<char>(((code & 15) << 4) | (junk[1] & 15));
    }
    size_t capacity = length + rng() % 2000;
    Bytes out = Unlzw(codec, junk, capacity);
    EXPECT_LE(out.size(), capacity);
  }
  // Valid streams with a few bytes changed decode further before going wrong.
  Bytes src(20000);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<char>('a' + rng() % 3 + (i / 5000));
  Bytes packed = Lzw(codec, src);
  ASSERT_FALSE(packed.empty());
  for (int round = 0; round < 300; ++round) {
    Bytes damaged = packed;
    for (int k = 0; k < 3; ++k) damaged[rng() % damaged.size()] ^= static_cast<char>(1 + rng() % 255);
    size_t capacity = damaged.size() + rng() % (2 * src.size());
    EXPECT_LE(Unlzw(codec, damaged, capacity).size(), capacity);
  }
}

// ---- Matrix coder --------------------------------------------------------

Bytes Mtr(TCompress& codec, const std::vector<LONG>& src, LONG threshold) {
  int length = static_cast<int>(src.size() * 4);
  Bytes out(length);
  int n = codec.CompressMtr(src.data(), length, out.data(), length, threshold);
  out.resize(n);
  return out;
}

std::vector<LONG> Unmtr(TCompress& codec, const Bytes& packed, size_t capacityBytes) {
  Bytes out(capacityBytes);
  int n = codec.DecompressMtr(packed.data(), static_cast<int>(packed.size()), out.data(),
                              static_cast<int>(capacityBytes));
  std::vector<LONG> v(n / 4);
  if (n > 0) std::memcpy(v.data(), out.data(), n);
  return v;
}

// What decoding gives back: empty elements as 0x80000000.
std::vector<LONG> Expected(const std::vector<LONG>& src, LONG threshold) {
  std::vector<LONG> v(src);
  for (LONG& e : v)
    if (e < threshold) e = kMtrEmptyValue;
  return v;
}

TEST(MatrixCoder, KnownStreams) {
  TCompress codec;
  struct Case {
    std::vector<LONG> src;
    LONG threshold;
    std::vector<BYTE> packed;
  } cases[] = {
      // A 4-bit run of one (delta 5), then a repeat run of 99.
      {std::vector<LONG>(100, 5), 0, {0x41, 0x05, 0x20, 0x43}},
      // Runs hold at most 287 elements: 1, 287 (long header), 12.
      {std::vector<LONG>(300, -3), -1000, {0x41, 0x0D, 0x20, 0xFF, 0x2C}},
      // An element below the threshold inside a byte run: the empty code.
      {{100, 150, -5, 200}, 0, {0x64, 100, 50, 0x80, 50}},
  };
  for (const Case& c : cases) {
    Bytes packed = Mtr(codec, c.src, c.threshold);
    EXPECT_EQ(c.packed, U8(packed));
    EXPECT_EQ(Expected(c.src, c.threshold), Unmtr(codec, packed, c.src.size() * 4));
  }
}

TEST(MatrixCoder, LongHeaderOfThirtyTwoWideElements) {
  TCompress codec;
  Bytes stream = {static_cast<char>(0xE0), 0};
  for (int i = 0; i < 32; ++i) {
    DWORD d = i == 5 ? 0x80000000u : 1000000000u;
    stream.insert(stream.end(), reinterpret_cast<char*>(&d), reinterpret_cast<char*>(&d) + 4);
  }
  std::vector<LONG> v = Unmtr(codec, stream, 256);
  ASSERT_EQ(32u, v.size());
  EXPECT_EQ(1000000000, v[0]);
  EXPECT_EQ(static_cast<LONG>(5000000000u % 4294967296u), v[4]);
  EXPECT_EQ(kMtrEmptyValue, v[5]);
  EXPECT_EQ(v[4] + 1000000000, v[6]);  // the empty one left the running value alone
}

// A 32-bit delta of exactly 2^31 reads as the empty code: such blocks are
// left plain rather than written to decode wrongly.
TEST(MatrixCoder, DeltaThatLooksEmptyIsNotWritten) {
  TCompress codec;
  std::vector<LONG> src(1000, std::numeric_limits<LONG>::max());
  src[0] = -1;
  EXPECT_TRUE(Mtr(codec, src, -100).empty());
  std::vector<LONG> low(1000, 7);
  low[0] = std::numeric_limits<LONG>::min();
  EXPECT_TRUE(Mtr(codec, low, std::numeric_limits<LONG>::min()).empty());
  // With an ordinary threshold the same element is simply empty.
  Bytes packed = Mtr(codec, low, 0);
  ASSERT_FALSE(packed.empty());
  EXPECT_EQ(low, Unmtr(codec, packed, 4000));
}

TEST(MatrixCoder, EveryWrittenStreamDecodesBitExactly) {
  std::mt19937 rng(31337);
  TCompress codec;
  const LONG deltaLimit[] = {0, 7, 127, 2047, 32767, 8388607, 2000000000};
  int compressed = 0;
  for (int size : {1, 2, 3, 17, 31, 32, 33, 287, 288, 1000, 16384}) {
    for (int kind = 0; kind < 10; ++kind) {
      std::vector<LONG> src(size);
      LONG threshold = kind % 2 ? -32767 : std::numeric_limits<LONG>::min();
      LONG v = 0;
      for (int i = 0; i < size; ++i) {
        // Deltas mostly of one width with occasional wider ones, empties
        // and repeats: every class, absorption and run split shows up.
        LONG lim = deltaLimit[kind % 7];
        if (rng() % 8 == 0) lim = deltaLimit[rng() % 7];
        if (lim > 0) {
          int64_t d = static_cast<int64_t>(rng() % (2 * static_cast<uint64_t>(lim) + 1)) - lim;
          v = static_cast<LONG>(static_cast<DWORD>(v + d));  // wraps like the coder
        }
        src[i] = (kind % 2 && rng() % 9 == 0) ? -32767 - static_cast<LONG>(rng() % 5) : v;
        if (kind == 9 && i % 50 == 0) src[i] = static_cast<LONG>(rng());
      }
      Bytes packed = Mtr(codec, src, threshold);
      if (packed.empty()) continue;
      ++compressed;
      EXPECT_LT(packed.size(), src.size() * 4 * 0.8) << size << " " << kind;
      EXPECT_EQ(Expected(src, threshold), Unmtr(codec, packed, src.size() * 4)) << size << " " << kind;
      EXPECT_TRUE(size == 1 || Unmtr(codec, packed, src.size() * 4 - 4).empty());
    }
  }
  EXPECT_GT(compressed, 40);
}

TEST(MatrixCoder, BadArgumentsAndDamagedStreamsAreRefusedOrStayInBounds) {
  TCompress codec;
  LONG src[4] = {1, 1, 1, 1};
  char out[16];
  EXPECT_EQ(0, codec.CompressMtr(nullptr, 16, out, 16, 0) + codec.CompressMtr(src, 3, out, 16, 0) +
                   codec.CompressMtr(src, 16, out, 15, 0) + codec.DecompressMtr("\x21", 1, out, 0));
  // A payload cut short; a long header without its count byte; more
  // elements than the destination holds.
  for (const Bytes& bad : {Bytes{0x64, 1, 2}, Bytes{0x40}, Bytes{0x20, static_cast<char>(0xFF)}})
    EXPECT_TRUE(Unmtr(codec, bad, bad.size() == 2 ? 1000 : 64).empty()) << int(bad[0]);
  std::mt19937 rng(5);
  for (int round = 0; round < 5000; ++round) {
    Bytes junk(1 + rng() % 300);
    for (char& c : junk) c = static_cast<char>(rng());
    size_t capacity = junk.size() + rng() % 3000;
    EXPECT_LE(Unmtr(codec, junk, capacity).size() * 4, capacity);
  }
}

}  // namespace
