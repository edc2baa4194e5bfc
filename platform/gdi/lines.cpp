// Cosmetic one-pixel lines: Bresenham with the start pixel and the error
// term computed directly for the first visible pixel, so that clipping costs
// nothing per pixel and far-away coordinates neither hang nor overflow.
#include <algorithm>

#include "platform/gdi/mix.h"
#include "platform/gdi/raster.h"

namespace plat::gdi {
namespace {

typedef __int128 i128;

// Quotients rounded down and up (b > 0).
template <class T>
T FloorDivOf(T a, T b) {
  T q = a / b;
  if ((a % b) != 0 && a < 0) --q;
  return q;
}
template <class T>
T CeilDivOf(T a, T b) {
  T q = a / b;
  if ((a % b) != 0 && a > 0) ++q;
  return q;
}

i128 FloorDiv(i128 a, i128 b) { return FloorDivOf(a, b); }
i128 CeilDiv(i128 a, i128 b) { return CeilDivOf(a, b); }

// Below this, every product of the clipping arithmetic fits in 64 bits.
constexpr int64_t kSmall = (int64_t)1 << 29;

int64_t FloorDiv64(int64_t a, int64_t b) { return FloorDivOf(a, b); }
int64_t CeilDiv64(int64_t a, int64_t b) { return CeilDivOf(a, b); }

typedef void (*LineFn)(uint8_t* base, intptr_t off, int64_t n, int64_t err, int64_t inc,
                       int64_t lim, intptr_t majorStep, intptr_t minorStep, uint32_t v);

template <int BPP, int R>
void LineLoop(uint8_t* base, intptr_t off, int64_t n, int64_t err, int64_t inc, int64_t lim,
              intptr_t majorStep, intptr_t minorStep, uint32_t v) {
  // Branch-free stepping: the minor step is taken at irregular intervals,
  // which a predicted branch would mostly get wrong.
  err -= lim;  // err < 0 until the minor step is due
  for (; n > 0; --n) {
    MixPixel<BPP, R>(base + off, v);
    err += inc;
    int64_t due = ~(err >> 63);  // all ones when err >= 0
    err -= lim & due;
    off += (minorStep & (intptr_t)due) + majorStep;
  }
}

#define MC_LINE_TABLE(B)                                                                 \
  {LineLoop<B, 1>, LineLoop<B, 2>, LineLoop<B, 3>, LineLoop<B, 4>, LineLoop<B, 5>,        \
   LineLoop<B, 6>, LineLoop<B, 7>, LineLoop<B, 8>, LineLoop<B, 9>, LineLoop<B, 10>,       \
   LineLoop<B, 11>, LineLoop<B, 12>, LineLoop<B, 13>, LineLoop<B, 14>, LineLoop<B, 15>,   \
   LineLoop<B, 16>}
const LineFn kLine8[16] = MC_LINE_TABLE(8);
const LineFn kLine24[16] = MC_LINE_TABLE(24);
const LineFn kLine32[16] = MC_LINE_TABLE(32);
#undef MC_LINE_TABLE

// The steps [i0, i1] of a clipped line whose pixels lie inside the clip, the
// minor offset f0 at step i0 and the Bresenham error there; false when no
// pixel is inside. maj, mn: the major and minor extents; [Mlo, Mhi], [a, b]:
// the inside range of the major coordinate and of the minor offset, relative
// to the start and in the direction of travel.
bool ClipSteps(int64_t maj, int64_t mn, int64_t Mlo, int64_t Mhi, int64_t a, int64_t b,
               int64_t* i0, int64_t* i1, int64_t* f0, int64_t* err) {
  int64_t lo0 = std::max<int64_t>(Mlo, 0), hi0 = std::min<int64_t>(Mhi, maj - 1);
  if (lo0 > hi0 || a > b) return false;
  // Minor offset f(i) = floor((2 i mn + maj - 1) / (2 maj)) must lie in
  // [a, b].
  if (mn == 0) {
    if (a > 0 || b < 0) return false;
  } else if (maj < kSmall && a > -kSmall && a < kSmall && b > -kSmall && b < kSmall) {
    int64_t lo = CeilDiv64(2 * maj * a - maj + 1, 2 * mn);
    int64_t hi = FloorDiv64(2 * maj * (b + 1) - maj, 2 * mn);
    if (lo > lo0) lo0 = lo > hi0 ? hi0 + 1 : lo;
    if (hi < hi0) hi0 = hi < lo0 ? lo0 - 1 : hi;
    if (lo0 > hi0) return false;
  } else {
    i128 lo = CeilDiv((i128)2 * maj * a - maj + 1, (i128)2 * mn);
    i128 hi = FloorDiv((i128)2 * maj * (b + 1) - maj, (i128)2 * mn);
    if (lo > lo0) lo0 = lo > hi0 ? hi0 + 1 : (int64_t)lo;
    if (hi < hi0) hi0 = hi < lo0 ? lo0 - 1 : (int64_t)hi;
    if (lo0 > hi0) return false;
  }
  if (lo0 < kSmall && mn < kSmall && maj < kSmall) {
    int64_t num = 2 * lo0 * mn + maj - 1;  // non-negative
    *f0 = num / (2 * maj);
    *err = num - 2 * maj * *f0;
  } else {
    i128 num = (i128)2 * lo0 * mn + maj - 1;
    *f0 = (int64_t)FloorDiv(num, (i128)2 * maj);
    *err = (int64_t)(num - (i128)2 * maj * *f0);
  }
  *i0 = lo0;
  *i1 = hi0;
  return true;
}

}  // namespace

void ThinLine(const Target& t, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  if (t.Empty()) return;
  int64_t dx = x1 - x0, dy = y1 - y0;
  int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  if (adx == 0 && ady == 0) return;
  const bool xMajor = adx >= ady;
  const int64_t maj = xMajor ? adx : ady, mn = xMajor ? ady : adx;
  const int64_t M0 = xMajor ? x0 : y0, m0 = xMajor ? y0 : x0;
  const int sM = (xMajor ? dx : dy) < 0 ? -1 : 1;
  const int sm = (xMajor ? dy : dx) < 0 ? -1 : 1;

  int64_t i0 = 0, i1 = maj - 1, f0 = 0, err = maj - 1;
  if (x0 < t.cx0 || x0 >= t.cx1 || y0 < t.cy0 || y0 >= t.cy1 || x1 < t.cx0 || x1 >= t.cx1 ||
      y1 < t.cy0 || y1 >= t.cy1) {
    // Some pixel may lie outside: find the inside steps directly, so that
    // clipping costs nothing per pixel. (With both ends inside, every pixel
    // is, since the pixels lie in the box of the two ends.)
    const int64_t Mlo = xMajor ? t.cx0 : t.cy0, Mhi = (xMajor ? t.cx1 : t.cy1) - 1;
    const int64_t mlo = xMajor ? t.cy0 : t.cx0, mhi = (xMajor ? t.cy1 : t.cx1) - 1;
    if (!ClipSteps(maj, mn, sM > 0 ? Mlo - M0 : M0 - Mhi, sM > 0 ? Mhi - M0 : M0 - Mlo,
                   sm > 0 ? mlo - m0 : m0 - mhi, sm > 0 ? mhi - m0 : m0 - mlo, &i0, &i1, &f0,
                   &err))
      return;
  }

  int64_t M = M0 + sM * i0, m = m0 + sm * f0;
  int x = (int)(xMajor ? M : m), y = (int)(xMajor ? m : M);
  Surface* s = t.surface;
  const int bpp = s->BytesPerPixel();
  const intptr_t row = s->RowStep();
  uint8_t* base = s->Row(0);
  intptr_t off = (intptr_t)y * row + (intptr_t)x * bpp;
  intptr_t majorStep = xMajor ? sM * bpp : sM * row;
  intptr_t minorStep = xMajor ? sm * row : sm * bpp;
  int rop = t.rop < 1 || t.rop > 16 ? R2_COPYPEN : t.rop;
  const LineFn* table = s->bpp == 8 ? kLine8 : s->bpp == 24 ? kLine24 : kLine32;
  table[rop - 1](base, off, i1 - i0 + 1, err, 2 * mn, 2 * maj, majorStep, minorStep, t.value);
}

}  // namespace plat::gdi
