// Pattern and hatch paints of a polygon mask (see maskfill.h): the set
// bits of the work area written into the picture through a 32-row pattern
// table or a row of hatch bits, both anchored at the figure's top-left
// corner so that a figure's pattern does not move with the window.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "drawing/maskfill.h"
#include "drawing/paintcontext.h"

namespace {

using i64 = int64_t;

// Pattern row for work-area row k: entry k mod 32 (bit order as the mask).
DWORD g_pattern[32];

// The hatch row of the current figure: bit j is the top bit of word
// j / 32 shifted right by j mod 32. Kept between figures so that no fill
// allocates once the largest row was met.
std::vector<DWORD> g_hatch;
i64 g_hatchBase = 0;  // bit of the row that column 0 of work-area row 0 reads

inline i64 Mod(i64 v, i64 m) {
  const i64 r = v % m;
  return r < 0 ? r + m : r;
}

inline DWORD RotateRight(DWORD v, int n) { return n == 0 ? v : v >> n | v << (32 - n); }

// 32 bits of the hatch row from bit j on.
inline DWORD HatchBits(i64 j) {
  const i64 w = j >> 5;
  const int s = static_cast<int>(j & 31);
  const DWORD a = g_hatch[w];
  return s == 0 ? a : a << s | g_hatch[w + 1] >> (32 - s);
}

// The words of a run-length row: bit j set when (phase + j) mod period <
// stripe.
void MakeRow(i64 words, i64 phase, i64 stripe, i64 period) {
  g_hatch.assign(static_cast<size_t>(words), 0);
  i64 ph = Mod(phase, period);
  for (i64 w = 0; w < words; ++w) {
    DWORD v = 0;
    for (int b = 0; b < 32; ++b) {
      if (ph < stripe) v |= 0x80000000u >> b;
      if (++ph == period) ph = 0;
    }
    g_hatch[w] = v;
  }
}

struct Period {
  i64 Stripe, Length;
};
Period PeriodOf(int stripe, int gap) {
  const i64 s = std::max(stripe, 1), g = std::max(gap, 1);
  return Period{s, s + g};
}

// Calls paint(row k, picture row, mask row) for every row of the area
// inside the picture; false when there is nothing to paint.
template <class F>
bool ForEachRow(const MaskFillContext* c, F paint) {
  const TPaintContext& p = PaintContext;
  if (c->AreaWords < 1 || c->AreaRows < 1 || c->AreaFirst == nullptr || p.PictureTop == nullptr)
    return false;
  if (i64(c->AreaLeft) + c->AreaWidth > p.Stride / 4 ||
      i64(c->AreaTop) + c->AreaRows > p.PictureHeight)
    return false;
  const intptr_t rowWords = c->MaskRowBytes / 4;
  for (LONG k = 0; k < c->AreaRows; ++k) {
    DWORD* row = reinterpret_cast<DWORD*>(p.PictureTop - intptr_t(c->AreaTop + k) * p.Stride) +
                 c->AreaLeft;
    paint(k, row, c->AreaFirst - k * rowWords);
  }
  return true;
}

// Every word of a mask row ANDed with bits(i) and painted.
template <class Bits>
void PaintRow(const MaskFillContext* c, DWORD* row, const DWORD* mask, DWORD pixel, Bits bits) {
  const LONG last = c->AreaWords - 1;
  for (LONG i = last; i >= 0; --i) {
    DWORD m = i == last ? mask[i] & c->LastMask : mask[i];
    if (m == 0) continue;
    m &= bits(i);
    if (m != 0) PaintMaskWord(row + 32 * i, m, pixel);
  }
}

// Row y of a figure whose top is T lies in a stripe of horizontal bands.
inline bool InStripe(const MaskFillContext* c, LONG k, const Period& p) {
  return Mod(i64(c->AreaTop) + k - c->FigureTop, p.Length) < p.Stripe;
}

}  // namespace

// --- Patterns ---

void PreparePattern(MaskFillContext* c, const MASKPATTERN* pattern) {
  if (pattern == nullptr || pattern->Header == nullptr) return;
  const BYTE* rows = pattern->Header + 4;
  const i64 left = c->FigureLeft, top = c->FigureTop;
  if (pattern->Header[1] == 32) {
    const int rotate = static_cast<int>(Mod(left, 32));
    const i64 shift = top < 0 ? Mod(top, 32) : 0;
    for (int r = 0; r < 32; ++r) {
      const BYTE* b = rows + 4 * r;
      const DWORD v = DWORD(b[0]) << 24 | DWORD(b[1]) << 16 | DWORD(b[2]) << 8 | b[3];
      g_pattern[(r + shift) % 32] = RotateRight(v, rotate);
    }
    return;
  }
  const int rotate = static_cast<int>(Mod(left, 16));
  const i64 shift = top < 0 ? Mod(top, 16) : 0;
  for (int r = 0; r < 16; ++r) {
    DWORD v = DWORD(rows[2 * r]) << 8 | rows[2 * r + 1];
    if (rotate != 0) v = (v >> rotate | v << (16 - rotate)) & 0xFFFF;
    v |= v << 16;
    g_pattern[(r + shift) % 16] = v;
    g_pattern[(r + shift) % 16 + 16] = v;
  }
}

void PaintMaskTwoColours(MaskFillContext* c, const MASKPATTERN* pattern) {
  if (pattern == nullptr) return;
  const DWORD a = pattern->ColorA, b = pattern->ColorB;
  ForEachRow(c, [&](LONG k, DWORD* row, const DWORD* mask) {
    const DWORD p = g_pattern[k % 32];
    PaintRow(c, row, mask, b, [p](LONG) { return p; });
    PaintRow(c, row, mask, a, [p](LONG) { return ~p; });
  });
}

void PaintMaskPattern(MaskFillContext* c, const MASKPATTERN* pattern) {
  if (pattern == nullptr) return;
  const DWORD b = pattern->ColorB;
  ForEachRow(c, [&](LONG k, DWORD* row, const DWORD* mask) {
    const DWORD p = g_pattern[k % 32];
    PaintRow(c, row, mask, b, [p](LONG) { return p; });
  });
}

// --- Hatches ---

void MakeStripeRow(MaskFillContext* c, int stripe, int gap) {
  const Period p = PeriodOf(stripe, gap);
  c->Stripe = static_cast<LONG>(p.Stripe), c->Gap = static_cast<LONG>(p.Length - p.Stripe);
  g_hatchBase = 0;
  // A stripe starts at every column congruent to the figure's left.
  MakeRow(std::max<LONG>(c->AreaWords, 0) + 1, i64(c->AreaLeft) - c->FigureLeft, p.Stripe,
          p.Length);
}

void MakeDiagonalRow(MaskFillContext* c, int stripe, int gap, int direction) {
  const Period p = PeriodOf(stripe, gap);
  c->Stripe = static_cast<LONG>(p.Stripe), c->Gap = static_cast<LONG>(p.Length - p.Stripe);
  const i64 rowsWords = (i64(std::max<LONG>(c->AreaRows, 0)) + 31) / 32;
  const i64 words = std::max<LONG>(c->AreaWords, 0) + rowsWords + 1;
  // Pixel (x, y) reads bit x - left + (y - top) (rising) or x - left -
  // (y - top) + base (falling); the stripe through the figure's corner
  // (L, T) starts there.
  const i64 l = c->AreaLeft, t = c->AreaTop, fl = c->FigureLeft, ft = c->FigureTop;
  if (direction != 0) {
    g_hatchBase = 0;
    MakeRow(words, l + t - fl - ft, p.Stripe, p.Length);
  } else {
    g_hatchBase = 32 * rowsWords;
    MakeRow(words, l - t - g_hatchBase - fl + ft, p.Stripe, p.Length);
  }
}

void PaintVerticalHatch(MaskFillContext* c, DWORD pixel) {
  if (i64(g_hatch.size()) < i64(c->AreaWords) + 1) return;
  ForEachRow(c, [&](LONG, DWORD* row, const DWORD* mask) {
    PaintRow(c, row, mask, pixel, [](LONG i) { return g_hatch[i]; });
  });
}

void PaintDotHatch(MaskFillContext* c, DWORD pixel, int stripe, int gap) {
  if (i64(g_hatch.size()) < i64(c->AreaWords) + 1) return;
  const Period p = PeriodOf(stripe, gap);
  ForEachRow(c, [&](LONG k, DWORD* row, const DWORD* mask) {
    if (InStripe(c, k, p)) PaintRow(c, row, mask, pixel, [](LONG i) { return g_hatch[i]; });
  });
}

void PaintHorizontalHatch(MaskFillContext* c, DWORD pixel, int stripe, int gap) {
  const Period p = PeriodOf(stripe, gap);
  ForEachRow(c, [&](LONG k, DWORD* row, const DWORD* mask) {
    if (InStripe(c, k, p)) PaintRow(c, row, mask, pixel, [](LONG) { return 0xFFFFFFFFu; });
  });
}

void PaintDiagonalHatch(MaskFillContext* c, DWORD pixel, int direction) {
  const i64 rowsWords = (i64(std::max<LONG>(c->AreaRows, 0)) + 31) / 32;
  if (i64(g_hatch.size()) < i64(c->AreaWords) + rowsWords + 1) return;
  if ((direction != 0) != (g_hatchBase == 0)) return;  // row made for the other direction
  ForEachRow(c, [&](LONG k, DWORD* row, const DWORD* mask) {
    const i64 start = direction != 0 ? i64(k) : g_hatchBase - k;
    PaintRow(c, row, mask, pixel, [start](LONG i) { return HatchBits(start + 32 * i64(i)); });
  });
}
