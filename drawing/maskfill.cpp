// Polygon fills of the memory image: the work area of a figure, the
// edge-flag mask of its polyline set, the solid paint of the mask, and the
// window variant that rasterises a scaled figure into a small mask.
//
// Toggling a row "from x to the end of the work area" is done as one flag
// bit at x; a pass over the area at the end turns the flags into coverage
// (each bit becomes the parity of the flags at or left of it), which is
// the same mask at one word operation per word instead of one per word and
// toggle.
#include "drawing/maskfill.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"

MASKWINDOW MaskWindow = {};

namespace {

using i64 = int64_t;
__extension__ typedef __int128 i128;

inline i64 Abs(i64 v) { return v < 0 ? -v : v; }
inline i64 Floor32(i64 v) { return v & ~i64(31); }

// q = floor(a * b / c) and r = a * b - q * c for a >= 0, b >= 1, c >= 1.
inline void MulDiv(i64 a, i64 b, i64 c, i64* q, i64* r) {
  if (a < (i64(1) << 31) && b < (i64(1) << 32)) {
    const i64 p = a * b;
    *q = p / c, *r = p % c;
  } else {
    const i128 p = i128(a) * b;
    *q = static_cast<i64>(p / c), *r = static_cast<i64>(p % c);
  }
}

// The flag bits of one fill. Points arrive in the frame of the work area's
// columns Left .. Left + Width - 1 and rows Top .. Top + Rows - 1.
struct Flags {
  DWORD* First;
  intptr_t RowWords;
  i64 Left, Top, Rows, Width;

  DWORD* Row(i64 y) const { return First - (y - Top) * RowWords; }

  // Toggles a row of the area from column x on.
  void Toggle(DWORD* row, i64 x) const {
    i64 u = x - Left;
    if (u >= Width) return;
    if (u < 0) u = 0;
    row[u >> 5] ^= 0x80000000u >> (u & 31);
  }

  void ToggleIfInside(i64 y, i64 x) const {
    if (y >= Top && y < Top + Rows) Toggle(Row(y), x);
  }

  // One edge from (x1, y1) to (x2, y2), its start row left out when skip.
  void Edge(i64 x1, i64 y1, i64 x2, i64 y2, bool skip) const {
    const i64 lastRow = Top + Rows - 1;
    if (y1 == y2) {  // horizontal: its row once, at its right end
      if (!skip) ToggleIfInside(y1, std::max(x1, x2));
      return;
    }
    if (std::min(x1, x2) >= Left + Width) return;  // every toggle beyond the area
    const bool down = y2 > y1;
    const i64 top = down ? y1 : y2, bottom = down ? y2 : y1;
    i64 a = std::max(top + (skip && down ? 1 : 0), Top);
    i64 b = std::min(bottom - (skip && !down ? 1 : 0), lastRow);
    if (a > b) return;
    const i64 cx = Abs(x2 - x1) + 1, cy = bottom - top + 1;
    if (cx <= cy) {
      // Steep: walked down from the top end; row top + k at
      // x = xt + floor(k * cx / cy) towards the other end.
      const i64 xt = down ? x1 : x2, xb = down ? x2 : x1;
      DWORD* row = Row(a);
      if (xt == xb) {
        for (i64 y = a; y <= b; ++y, row -= RowWords) Toggle(row, xt);
        return;
      }
      const i64 sx = xb > xt ? 1 : -1;
      i64 q, r;
      MulDiv(a - top, cx, cy, &q, &r);
      for (i64 y = a; y <= b; ++y, row -= RowWords) {
        Toggle(row, xt + sx * q);
        r += cx;
        if (r >= cy) r -= cy, ++q;
      }
      return;
    }
    // Flat: walked from the left end; row m of the walk is toggled at the
    // first pixel of its run, x = xl + ceil(m * cx / cy).
    const bool leftFirst = x1 < x2;
    const i64 xl = leftFirst ? x1 : x2, yl = leftFirst ? y1 : y2;
    const i64 sy = (leftFirst ? y2 - y1 : y1 - y2) > 0 ? 1 : -1;
    // Rows a .. b as walk rows m0 .. m1, stepped upwards in m.
    const i64 m0 = sy > 0 ? a - yl : yl - b, m1 = sy > 0 ? b - yl : yl - a;
    i64 q, r;
    MulDiv(m0, cx, cy, &q, &r);
    i64 rest = 0;  // q * cy - m * cx, in 0 .. cy - 1
    if (r != 0) ++q, rest = cy - r;
    const i64 qa = cx / cy, ra = cx % cy;
    DWORD* row = Row(yl + sy * m0);
    const intptr_t step = sy > 0 ? -RowWords : RowWords;
    for (i64 m = m0; m <= m1; ++m, row += step) {
      Toggle(row, xl + q);
      q += qa;
      rest -= ra;
      if (rest < 0) rest += cy, ++q;
    }
  }
};

// The whole-pixel point of a set: as it is, or scaled and moved.
struct PlainPoint {
  void operator()(const POINT& p, i64* x, i64* y) const { *x = p.x, *y = p.y; }
};
struct ScaledPoint {
  double Fx, Fy;
  i64 Dx, Dy;
  void operator()(const POINT& p, i64* x, i64* y) const {
    *x = i64(TruncatePixel(p.x * Fx)) - Dx;
    *y = i64(TruncatePixel(p.y * Fy)) - Dy;
  }
};

LONG Sat(i64 v) { return SaturatePixel(v); }

// Toggles every edge of every part; 0 when a part of 0 or fewer points
// ended the walk, else 1.
template <class Point>
int WalkParts(MaskFillContext* c, const Flags& f, const POLYDATA* data, Point point) {
  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n <= 0) return 0;
    if (n <= 3) {
      p += n;
      continue;
    }
    int previous = 1;  // direction of the last edge: 1 down or level, 0 up
    i64 x1, y1, x2, y2;
    point(p[0], &x1, &y1);
    for (LONG i = 1; i < n; ++i, x1 = x2, y1 = y2) {
      point(p[i], &x2, &y2);
      if (x1 == x2 && y1 == y2) continue;
      const int direction = y2 >= y1 ? 1 : 0;
      c->EdgeX = Sat(x1), c->EdgeY = Sat(y1);
      c->EdgeDx = Sat(x2 - x1), c->EdgeDy = Sat(y2 - y1);
      c->EdgeCountX = Sat(Abs(x2 - x1) + 1), c->EdgeCountY = Sat(Abs(y2 - y1) + 1);
      c->SkipFirstRow = direction == previous;
      f.Edge(x1, y1, x2, y2, direction == previous);
      previous = direction;
    }
    // The first edge assumed a downward edge before it; an upward last
    // edge corrects that at the part's last point.
    if (previous != 1) f.ToggleIfInside(y1, x1);
    p += n;
  }
  return 1;
}

// Turns the flag bits of the area into coverage.
void FlagsToCoverage(const MaskFillContext* c) {
  const intptr_t rowWords = c->MaskRowBytes / 4;
  for (LONG k = 0; k < c->AreaRows; ++k) {
    DWORD* w = c->AreaFirst - k * rowWords;
    DWORD carry = 0;
    for (LONG i = 0; i < c->AreaWords; ++i) {
      DWORD v = w[i];
      if (v == 0 && carry == 0) continue;
      v ^= v >> 1;
      v ^= v >> 2;
      v ^= v >> 4;
      v ^= v >> 8;
      v ^= v >> 16;
      v ^= carry;
      w[i] = v;
      carry = (v & 1) ? 0xFFFFFFFFu : 0;
    }
  }
}

Flags FlagsOf(const MaskFillContext* c, i64 left, i64 top) {
  return Flags{c->AreaFirst, c->MaskRowBytes / 4, left, top, c->AreaRows, c->AreaWidth};
}

void ClearArea(const MaskFillContext* c) {
  for (LONG k = 0; k < c->AreaRows; ++k)
    std::memset(c->AreaFirst - intptr_t(k) * (c->MaskRowBytes / 4), 0,
                size_t(c->AreaWords) * sizeof(DWORD));
}

// n pixels of one value from p on, eight at a time where it can.
// The tail of a run is one more block ending at the run's end, overlapping
// the last whole one, so that a run of any length takes few branches.
inline void FillRun(DWORD* p, intptr_t n, DWORD v) {
  const DWORD block[8] = {v, v, v, v, v, v, v, v};
  if (n >= 8) {
    DWORD* const last = p + n - 8;
    for (; p < last; p += 8) std::memcpy(p, block, sizeof(block));
    std::memcpy(last, block, sizeof(block));
  } else if (n >= 4) {
    std::memcpy(p, block, 16);
    std::memcpy(p + n - 4, block, 16);
  } else if (n >= 2) {
    std::memcpy(p, block, 8);
    std::memcpy(p + n - 2, block, 8);
  } else if (n == 1) {
    *p = v;
  }
}

bool HasPoints(const POLYDATA* data) {
  return data != nullptr && data->Points != nullptr && data->PolyCounts != nullptr;
}

}  // namespace

void InitMaskFill(MaskFillContext* context) {
  *context = MaskFillContext{};
  const TPaintContext& p = PaintContext;
  if (p.PictureTop == nullptr || p.MaskTop1 == nullptr) return;
  context->MaskRow0 = p.MaskTop1;
  context->MaskRowBytes = p.MaskRowBytes;
  context->ClipWidth = std::min<LONG>(p.ImageWidth, p.Stride / 4);
  context->ClipHeight = std::min<LONG>(p.ImageHeight, p.PictureHeight);
}

int SetMaskArea(MaskFillContext* c, const POLYDATA* data) {
  c->AreaWords = c->AreaRows = c->AreaWidth = 0;
  if (data == nullptr || c->MaskRow0 == nullptr || c->MaskRowBytes < 4) return 1;
  const i64 w = c->ClipWidth, h = c->ClipHeight;
  if (w < 1 || h < 1) return 1;
  const i64 left = data->MinX, top = data->MinY, right = data->MaxX, bottom = data->MaxY;
  if (left >= w || top >= h || right < 0 || bottom < 0) return 1;
  const i64 column = left >= 32 ? Floor32(left) : 0;
  const i64 row = top >= 0 ? top : 0;
  // Whole words up to the figure's right edge, at most to the picture's;
  // the last word keeps only the columns inside the picture.
  const i64 width = Floor32(std::min(right, w) + 31) - column;
  const i64 rows = bottom < h ? bottom - row + 1 : h - row;
  if (width < 1 || rows < 1) return 1;
  const i64 beyond = column + width - w;
  c->LastMask = beyond > 0 ? 0xFFFFFFFFu << beyond : 0xFFFFFFFFu;
  c->AreaLeft = static_cast<LONG>(column);
  c->AreaTop = static_cast<LONG>(row);
  c->AreaWidth = static_cast<LONG>(width);
  c->AreaWords = static_cast<LONG>(width / 32);
  c->AreaRows = static_cast<LONG>(rows);
  c->FigureLeft = data->MinX;
  c->FigureTop = data->MinY;
  c->AreaFirst = reinterpret_cast<DWORD*>(c->MaskRow0 - row * c->MaskRowBytes + column / 8);
  ClearArea(c);
  return 0;
}

int BuildScanEdges(MaskFillContext* c, const POLYDATA* data) {
  if (SetMaskArea(c, data) != 0 || !HasPoints(data)) return 0;
  const int built = WalkParts(c, FlagsOf(c, c->AreaLeft, c->AreaTop), data, PlainPoint{});
  FlagsToCoverage(c);
  return built;
}

void PaintMaskWord(DWORD* first, DWORD bits, DWORD pixel) {
  while (bits != 0) {
    const int skip = std::countl_zero(bits);
    const int run = std::countl_one(bits << skip);
    FillRun(first + skip, run, pixel);
    bits &= run + skip >= 32 ? 0 : 0xFFFFFFFFu >> (run + skip);
  }
}

void PaintMaskColour(MaskFillContext* c, DWORD pixel) {
  const TPaintContext& p = PaintContext;
  if (c->AreaWords < 1 || c->AreaRows < 1 || c->AreaFirst == nullptr || p.PictureTop == nullptr)
    return;
  if (i64(c->AreaLeft) + c->AreaWidth > p.Stride / 4 || i64(c->AreaTop) + c->AreaRows > p.PictureHeight)
    return;
  const intptr_t rowWords = c->MaskRowBytes / 4;
  const LONG last = c->AreaWords - 1;
  for (LONG k = 0; k < c->AreaRows; ++k) {
    const DWORD* mask = c->AreaFirst - k * rowWords;
    DWORD* row = reinterpret_cast<DWORD*>(p.PictureTop - intptr_t(c->AreaTop + k) * p.Stride) +
                 c->AreaLeft;
    // Runs of set bits across the words, each filled in one go.
    intptr_t start = -1;
    for (LONG i = 0; i <= last; ++i) {
      const DWORD w = i == last ? mask[i] & c->LastMask : mask[i];
      int at = 0;
      while (at < 32) {
        const DWORD look = (start < 0 ? w : ~w) & (0xFFFFFFFFu >> at);
        if (look == 0) break;
        at = std::countl_zero(look);
        if (start < 0) {
          start = 32 * intptr_t(i) + at;
        } else {
          FillRun(row + start, 32 * intptr_t(i) + at - start, pixel);
          start = -1;
        }
      }
    }
    if (start >= 0) FillRun(row + start, 32 * intptr_t(last + 1) - start, pixel);
  }
}

// --- Window variant ---

int SetMaskWindowArea(MaskFillContext* c) {
  c->AreaWords = c->AreaRows = c->AreaWidth = 0;
  const RECT& f = MaskWindow.Figure;
  const RECT& w = MaskWindow.Window;
  if (c->MaskRow0 == nullptr || c->MaskRowBytes < 4) return 1;
  if (f.left > w.right || f.right < w.left || f.top > w.bottom || f.bottom < w.top) return 1;
  const i64 column = Floor32(std::max(f.left, w.left));
  const i64 row = std::max(f.top, w.top);
  // Columns up to the window's right inclusive.
  const i64 end = i64(std::min(f.right, w.right)) + 1;
  const i64 width = Floor32(end + 31) - column;
  const i64 rows = i64(std::min(f.bottom, w.bottom)) - row + 1;
  if (width < 1 || rows < 1) return 1;
  const i64 beyond = column + width - (i64(w.right) + 1);
  c->LastMask = beyond > 0 ? 0xFFFFFFFFu << beyond : 0xFFFFFFFFu;
  c->AreaLeft = static_cast<LONG>(column);
  c->AreaTop = static_cast<LONG>(row);
  c->AreaWidth = static_cast<LONG>(width);
  c->AreaWords = static_cast<LONG>(width / 32);
  c->AreaRows = static_cast<LONG>(rows);
  c->FigureLeft = f.left;
  c->FigureTop = f.top;
  c->AreaFirst = reinterpret_cast<DWORD*>(c->MaskRow0);
  MaskWindow.AreaColumn = c->AreaLeft;
  MaskWindow.AreaRow = c->AreaTop;
  ClearArea(c);
  return 0;
}

int BuildScanEdgesScaled(MaskFillContext* c, const POLYDATA* data, float fy, float fx) {
  if (c->AreaWords < 1 || c->AreaRows < 1 || c->AreaFirst == nullptr || !HasPoints(data))
    return 0;
  const ScaledPoint point{fx, fy, c->AreaLeft, c->AreaTop};
  const int built = WalkParts(c, FlagsOf(c, 0, 0), data, point);
  FlagsToCoverage(c);
  return built;
}

void CutPatternCell(MaskFillContext* c, const BYTE* pattern, BYTE* cell) {
  if (cell == nullptr) return;
  std::memset(cell, 0, 128);
  if (pattern == nullptr || c->AreaWords < 1 || c->AreaRows < 1 || c->AreaFirst == nullptr)
    return;
  const i64 shift = i64(MaskWindow.Window.left) - c->AreaLeft;
  if (shift > 31 || shift < -31) return;
  const intptr_t rowWords = c->MaskRowBytes / 4;
  const LONG last = c->AreaWords - 1;
  for (int j = 0; j < 32; ++j) {
    const i64 k = i64(MaskWindow.Window.top) + j - c->AreaTop;
    if (k < 0 || k >= c->AreaRows) continue;
    const DWORD* row = c->AreaFirst - k * rowWords;
    const DWORD w0 = last == 0 ? row[0] & c->LastMask : row[0];
    const DWORD w1 = last == 0 ? 0 : last == 1 ? row[1] & c->LastMask : row[1];
    DWORD v;
    if (shift > 0)
      v = w0 << shift | w1 >> (32 - shift);
    else
      v = w0 >> -shift;
    const BYTE* p = pattern + 4 * j;
    v &= DWORD(p[0]) << 24 | DWORD(p[1]) << 16 | DWORD(p[2]) << 8 | p[3];
    BYTE* out = cell + 4 * j;
    out[0] = BYTE(v >> 24), out[1] = BYTE(v >> 16), out[2] = BYTE(v >> 8), out[3] = BYTE(v);
  }
}
