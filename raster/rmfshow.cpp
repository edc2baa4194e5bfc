// The display of rasters and matrices: visible rectangle, patterns, the
// block walk and the pixel painters.
#include "raster/rmfshow.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"
#include "common/maperr.h"
#include "drawing/rasterizer.h"

LONG ShadowAngle[600];
LONG ShadowLight[256];
BYTE ShadowTable[256][256];

namespace {

bool g_shadowReady = false;

constexpr DWORD kRedImage = 0x00FF0000u;    // blue 0, green 0, red 255 in image order
constexpr DWORD kGreenImage = 0x0000FF00u;  // blue 0, green 255, red 0
constexpr COLORREF kRedDevice = 0x000000FFu;
constexpr COLORREF kGreenDevice = 0x0000FF00u;

// The non-negative remainder.
inline LONG Mod(int64_t a, LONG p) {
  const LONG m = LONG(a % p);
  return m < 0 ? m + p : m;
}

inline LONG Clamp(LONG v, LONG lo, LONG hi) { return v < lo ? lo : (v > hi ? hi : v); }

// A colour word 0x00BBGGRR as image bytes (blue, green, red).
inline void PutBgr(BYTE* px, BYTE b, BYTE g, BYTE r) {
  px[0] = b;
  px[1] = g;
  px[2] = r;
}

}  // namespace

void InitShadowTables() {
  if (g_shadowReady) return;
  for (int i = 0; i < 600; ++i) ShadowAngle[i] = LONG(std::atan((i - 300) / 128.0) * 128.0);
  for (int j = 0; j < 256; ++j)
    ShadowLight[j] =
        LONG(((std::sin((j - 128) / 128.0 + std::numbers::pi / 4) - 0.8) * 0.5 + 1.0) * 256.0);
  for (int j = 0; j < 256; ++j)
    for (int v = 0; v < 256; ++v) ShadowTable[j][v] = BYTE(std::min((ShadowLight[j] * v) >> 8, 255));
  g_shadowReady = true;
}

int BuildMaskPattern(int type, int view, BYTE* pattern) {
  if (view < 2 || !pattern) return 0;
  const int s = std::min(view, 5);
  const unsigned t = unsigned(type);
  int p;
  switch (t) {
    case 1: case 2: case 3: p = s; break;
    case 4: p = 7 - s; break;
    case 5: case 6: p = s + 1; break;
    case 8: p = 8 - s; break;
    default: p = s + 1; break;
  }
  std::memset(pattern, 0, 8);
  for (int i = 0; i < p; ++i)
    for (int j = 0; j < p; ++j) {
      const bool sum = (i + j) % p == 0, diff = std::abs(i - j) % p == 0;
      bool set;
      switch (t) {
        case 1: set = i % p == 0; break;
        case 2: set = j % p == 0; break;
        case 3: set = (i * j) % p == 0; break;
        case 4: set = (i * j) % p != 0; break;
        case 5: set = sum; break;
        case 6: set = diff; break;
        case 8: set = !sum && !diff; break;
        default: set = sum || diff; break;
      }
      if (set) pattern[i] = BYTE(pattern[i] | (1 << j));
    }
  return p;
}

// ---------------------------------------------------------------------------
// The walk

// What paints one file's pixels.
struct TRmfShow::Painter {
  enum KindOf { RASTER, MATRIX, LAYER };
  KindOf Kind;
  bool Device = false;
  HDC Dc = nullptr;
  // Rasters.
  const TBaseColors* Colors = nullptr;
  BYTE Negative = 0;
  // Matrices.
  LONG Relief = 0;
  double Gain = 0.0;
  LONG Count = 0;
  double Low = 0.0;
  double PerUnit = 0.0;
  bool Quality = false;
  bool OverPicture = false;  // style below 0: relief laid over what lies beneath
  LONG Bytes = 0;            // element (matrices) or record (layer matrices) bytes
  LONG HeightBytes = 0;      // layer matrices: 0 (painted green), 2 or 4
};

TRmfShow::TRmfShow(const RMFSHOWHOST& host) : Host(host), D(host.State ? *host.State : Own) {
  InitShadowTables();
}

// An entry that takes units: the frame and the block addresses it leaves
// in the state would outlive the units, so they are cleared when it ends.
class TRmfShow::Scope {
 public:
  explicit Scope(RMFDISPLAY& d) : D(d) {}
  ~Scope() {
    D.Frame = nullptr;
    D.Data = D.LeftData = D.RightData = nullptr;
  }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  RMFDISPLAY& D;
};

DIBCONTEXT TRmfShow::DefaultTarget() const {
  const TPaintContext& p = PaintContext;
  DIBCONTEXT d{};
  d.Top = p.PictureTop;
  d.RowBytes = p.Stride;
  d.BytesPerPixel = 4;
  d.VisualType = Host.Metric ? Host.Metric->VisualType : 1;
  if (p.PictureTop && p.Stride >= 4) {
    d.Height = std::min(p.ImageHeight, p.PictureHeight);
    d.Width = std::min(p.ImageWidth, p.Stride / 4);
  }
  return d;
}

int TRmfShow::CheckViewRmf() {
  if (!D.Frame || !Host.Metric) return 0;
  const TMapMetric& m = *Host.Metric;
  const DFRAME& f = *D.Frame;
  const double kx = m.Elem.PixelsPerUnitH, ky = m.Elem.PixelsPerUnitV;
  const FRAME& r = m.DrawPlace;
  D.Left = std::max(NearestPixel(f.Y1 * kx), r.Y1);
  D.Top = std::min(NearestPixel(f.X2 * ky), r.X2);
  D.Bottom = std::max(NearestPixel(f.X1 * ky), SaturatePixel(int64_t(r.X1) - 1));
  D.Right = std::min(NearestPixel(f.Y2 * kx), SaturatePixel(int64_t(r.Y2) + 1));
  D.FY1 = f.Y1 - std::trunc(f.Y1);
  D.FX2 = f.X2 - std::trunc(f.X2);
  return D.Top >= D.Bottom && D.Right >= D.Left ? 1 : 0;
}

bool TRmfShow::InView(double factor, const DFRAME& frame) {
  Host.Metric->SetElemScale(factor);
  D.Frame = &frame;
  return CheckViewRmf() != 0;
}

bool TRmfShow::UnitShown(LONG view, LONG order, LONG top, LONG bottom, int place) const {
  return order == place && view != 0 && bottom <= Host.ShowScale && Host.ShowScale <= top;
}

int TRmfShow::Walk(TRmf& file, const DIBCONTEXT& dib, Painter& painter) {
  const RMF& h = file.Head;
  const LONG H = h.BlockHeight, W = h.BlockWidth, BR = h.BlockRows, BC = h.BlockColumns;
  if (!D.Frame || !file.IsOpen() || H < 1 || W < 1 || BR < 1 || BC < 1 || file.BlockCount() < 1)
    return 1;
  if (painter.Device ? painter.Dc == nullptr
                     : (dib.Top == nullptr || dib.BytesPerPixel != 4 || dib.Height < 1 || dib.Width < 1))
    return 1;
  const TMapMetric& m = *Host.Metric;
  const double kx = m.Elem.PixelsPerUnitH, ky = m.Elem.PixelsPerUnitV;
  const double ex = m.Elem.UnitsPerPixelH, ey = m.Elem.UnitsPerPixelV;
  // Element steps the fixed-point walk cannot take paint nothing.
  if (!(ex > 0.0 && ex < 1e9 && ey > 0.0 && ey < 1e9)) return 1;
  const DFRAME& f = *D.Frame;
  const LONG regionTop = m.DrawPlace.X2, regionLeft = m.DrawPlace.Y1;
  // The visible rectangle kept inside the target image.
  LONG top = D.Top, bottom = D.Bottom, left = D.Left, right = D.Right;
  if (!painter.Device) {
    top = std::min(top, regionTop);
    bottom = std::max<LONG>(bottom, SaturatePixel(int64_t(regionTop) - dib.Height));
    left = std::max(left, regionLeft);
    right = std::min<LONG>(right, SaturatePixel(int64_t(regionLeft) + dib.Width));
  }
  if (top <= bottom || right <= left) return 1;

  const LONG c0 = std::max<LONG>(TruncatePixel((left * ex - f.Y1) / W), 0);
  const LONG r0 = std::max<LONG>(TruncatePixel((f.X2 - top * ey) / H), 0);
  const LONG c1 = std::min<LONG>(TruncatePixel((right * ex - f.Y1) / W), BC - 1);
  const LONG r1 = std::min<LONG>(TruncatePixel((f.X2 - bottom * ey) / H), BR - 1);
  const bool keep = painter.Kind != Painter::RASTER;
  const bool neighbours = keep && painter.Relief != 0;
  const LONG bytes = painter.Bytes;

  LONG rowStart = top;
  for (LONG r = r0; r <= r1; ++r) {
    LONG rowEnd = r < r1 ? NearestPixel((f.X2 - double(r + 1) * H) * ky) : bottom;
    rowEnd = Clamp(rowEnd, bottom, rowStart);
    const LONG hr = file.BlockHeight(r);
    const double rs = rowStart * ey;
    const LONG d = TruncatePixel(f.X2) - NearestPixel(rs);
    const LONG i = d / H;
    double startRow;
    if (ky <= 1.0) {
      startRow = r == i ? d % H : (r > i ? 0 : hr - 1);
    } else {
      startRow = r == i ? d % H : (r > i ? -1 : hr);
      startRow -= rs - NearestPixel(rs) - D.FX2;
    }
    LONG colStart = left;
    for (LONG c = c0; c <= c1; ++c) {
      LONG colEnd = c < c1 ? NearestPixel((double(c + 1) * W + f.Y1) * kx) : right;
      colEnd = Clamp(colEnd, colStart, right);
      const int number = r * BC + c;
      const LONG flag = D.FlagSwitch ? file.BlockFlag(number) : 1;
      const BYTE* data = nullptr;
      if (flag != 0 && rowStart > rowEnd && colEnd > colStart) {
        data = keep ? file.LockBlockAddress(r, c) : file.GetBlockAddress(r, c);
        if (data) {
          ++BlocksRead;
          D.BlockFlag = flag;
          if (flag == 2) {
            POLYDATA* border = file.GetBorderMetric(r, c);
            if (!border || !file.Mask ||
                !PaintObjectToMask(border, reinterpret_cast<DWORD*>(file.Mask), file.MaskRowBits, H))
              D.BlockFlag = 1;
          }
          D.Data = data;
          D.BlockHeight = hr;
          D.BlockWidth = file.BlockWidth(c);
          D.RowStart = rowStart;
          D.RowEnd = rowEnd;
          D.ColStart = colStart;
          D.ColEnd = colEnd;
          D.StartRow = startRow;
          const double cs = colStart * ex;
          const LONG dc = NearestPixel(cs) - TruncatePixel(f.Y1);
          const LONG ic = dc / W;
          const LONG w = D.BlockWidth;
          if (kx <= 1.0) {
            D.StartCol = c == ic ? dc % W : (c > ic ? 0 : w - 1);
          } else {
            D.StartCol = c == ic ? dc % W : (c > ic ? -1 : w);
            D.StartCol += cs - NearestPixel(cs) - D.FY1;
          }
          D.Row = D.StartRow;
          D.LeftData = D.RightData = nullptr;
          D.LeftLength = D.RightLength = 0;
          if (neighbours) {
            // The left block at its last column, the right one at its first;
            // outside the matrix the block itself at its edge column.
            const BYTE* l = c > 0 ? file.LockBlockAddress(r, c - 1) : nullptr;
            if (l) {
              D.LeftLength = file.BlockWidth(c - 1);
              D.LeftData = l + int64_t(D.LeftLength - 1) * bytes;
            } else {
              D.LeftData = data;
              D.LeftLength = w;
            }
            const BYTE* rr = c + 1 < BC ? file.LockBlockAddress(r, c + 1) : nullptr;
            if (rr) {
              D.RightLength = file.BlockWidth(c + 1);
              D.RightData = rr;
            } else {
              D.RightData = data + int64_t(w - 1) * bytes;
              D.RightLength = w;
            }
          }
          PaintSpan(file, dib, painter);
          D.Data = D.LeftData = D.RightData = nullptr;
        }
        if (keep) file.UnlockBlocks();
        if (data && Host.Step && !Host.Step(Host.Owner)) return 0;
      }
      colStart = colEnd;
    }
    rowStart = rowEnd;
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Pixels

namespace {

// The 16.16 position of an element column, kept within 2^31 elements
// either side of the block (past its edges every pixel takes the edge
// element anyway; one that is not a number counts as 0), so that no start
// laid into the display state leaves the fixed-point range.
inline int64_t FixedColumn(double v) {
  constexpr double kReach = 2147483648.0;
  if (!(v > -kReach)) return v < 0.0 ? int64_t(-kReach * 65536.0) : 0;
  return int64_t((v < kReach ? v : kReach) * 65536.0);
}

// Walks the pixels of a span: for each one that the pattern and the border
// mask let through, pixel(k, er, ec, px, row, col) with the element index k
// in the block and the image address (null on a device). The element step
// ex is below 10^9 (the callers check it).
template <class Pixel>
void WalkPixels(const DIBCONTEXT& dib, LONG regionTop, LONG regionLeft,
                double ex, double ey, bool device, const BYTE* pattern, LONG period,
                LONG hh, LONG ww, LONG rowStart, LONG rowEnd, LONG colStart, LONG colEnd,
                double startRow, double startCol, LONG flag, const DWORD* mask, LONG maskRowBits,
                Pixel&& pixel) {
  const int64_t step = int64_t(ex * 65536.0);
  const int64_t first = FixedColumn(startCol);
  // A position past the block's last column stays there: a long span at a
  // large step never runs out of the 64-bit range.
  const int64_t past = int64_t(ww) << 16;
  double runRow = startRow;
  for (LONG row = rowStart; row > rowEnd; --row, runRow += ey) {
    BYTE bits = 0xFF;
    if (period) {
      bits = pattern[Mod(-int64_t(row), period)];
      if (!bits) continue;
    }
    const LONG er = Clamp(TruncatePixel(runRow), 0, hh - 1);
    const int64_t base = int64_t(er) * ww;
    BYTE* px = device ? nullptr
                      : dib.Top - int64_t(regionTop - row) * dib.RowBytes +
                            int64_t(colStart - regionLeft) * 4;
    LONG pc = period ? Mod(colStart, period) : 0;
    int64_t pos = first;
    for (LONG col = colStart; col < colEnd; ++col, pos = std::min(pos + step, past)) {
      BYTE* here = px;
      if (px) px += 4;
      if (period) {
        const bool on = (bits >> pc) & 1;
        if (++pc == period) pc = 0;
        if (!on) continue;
      }
      const int64_t e = pos >> 16;
      const LONG ec = e < 0 ? 0 : (e >= ww ? ww - 1 : LONG(e));
      if (flag == 2) {
        const int64_t k = int64_t(maskRowBits) * er + ec;
        if (!((mask[k >> 5] >> (31 - (k & 31))) & 1)) continue;
      }
      pixel(base + ec, er, ec, here, row, col);
    }
  }
}

// A true colour through the unit's colours and the negative switch.
inline COLORREF TrueColor(const BYTE* table, BYTE r, BYTE g, BYTE b, bool negative) {
  r = table[r];
  g = table[g];
  b = table[b];
  if (negative) r = BYTE(255 - r), g = BYTE(255 - g), b = BYTE(255 - b);
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}

template <class T>
inline double ReadAs(const BYTE* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return double(v);
}

}  // namespace

void TRmfShow::PaintSpan(TRmf& file, const DIBCONTEXT& dib, Painter& painter) {
  const TMapMetric& m = *Host.Metric;
  const LONG regionTop = m.DrawPlace.X2, regionLeft = m.DrawPlace.Y1;
  const double ex = m.Elem.UnitsPerPixelH, ey = m.Elem.UnitsPerPixelV;
  const bool device = painter.Device;
  const HDC dc = painter.Dc;
  struct {
    LONG H, W;
    const BYTE* LeftData;
    const BYTE* RightData;
    LONG LeftLength, RightLength;
  } const s{D.BlockHeight, D.BlockWidth, D.LeftData, D.RightData, D.LeftLength, D.RightLength};
  // Through the border mask only while the file has one.
  const bool masked = D.BlockFlag == 2 && file.Mask != nullptr;
  auto walk = [&](auto&& pixel) {
    WalkPixels(dib, regionTop, regionLeft, ex, ey, device, D.Pattern, D.Period, s.H, s.W,
               D.RowStart, D.RowEnd, D.ColStart, D.ColEnd, D.StartRow, D.StartCol,
               masked ? 2 : 1, reinterpret_cast<const DWORD*>(file.Mask), file.MaskRowBits, pixel);
  };
  // Onto the device: the pixel at its place in the draw place.
  auto put = [&](BYTE*, LONG row, LONG col, COLORREF colour) {
    plat::SetPixel(dc, col - regionLeft, regionTop - row, colour);
  };
  const DWORD* tableA = PaintContext.ColorsA;
  const DWORD* tableB = PaintContext.ColorsB;
  const BYTE* data = D.Data;

  if (painter.Kind == Painter::RASTER) {
    const BYTE* view = D.ColorView;
    const BYTE* table = painter.Colors->Table();
    const bool negative = painter.Negative != 0;
    switch (D.Depth) {
      case 1: {
        const int shown = painter.Negative ? 1 : 0;
        walk([&](int64_t k, LONG, LONG, BYTE* px, LONG row, LONG col) {
          if (((data[k >> 3] >> (7 - (k & 7))) & 1) != shown) return;
          if (device) put(px, row, col, tableA[0]);
          else std::memcpy(px, &tableB[0], 4);
        });
        return;
      }
      case 4:
        walk([&](int64_t k, LONG, LONG, BYTE* px, LONG row, LONG col) {
          const BYTE b = data[k >> 1];
          const int v = (k & 1) ? b >> 4 : b & 15;
          if (!view[v]) return;
          if (device) put(px, row, col, tableA[v]);
          else std::memcpy(px, &tableB[v], 4);
        });
        return;
      case 8:
        walk([&](int64_t k, LONG, LONG, BYTE* px, LONG row, LONG col) {
          const BYTE v = data[k];
          if (!view[v]) return;
          if (device) put(px, row, col, tableA[v]);
          else std::memcpy(px, &tableB[v], 3);
        });
        return;
      case 16:
        walk([&](int64_t k, LONG, LONG, BYTE* px, LONG row, LONG col) {
          WORD v;
          std::memcpy(&v, data + k * 2, 2);
          const COLORREF c = TrueColor(table, BYTE(((v >> 10) & 31) << 3), BYTE(((v >> 5) & 31) << 3),
                                       BYTE((v & 31) << 3), negative);
          if (device) put(px, row, col, c);
          else PutBgr(px, BYTE(c >> 16), BYTE(c >> 8), BYTE(c));
        });
        return;
      case 24:
      case 32: {
        const LONG size = D.Depth / 8;
        walk([&](int64_t k, LONG, LONG, BYTE* px, LONG row, LONG col) {
          const BYTE* e = data + k * size;
          const COLORREF c = TrueColor(table, e[2], e[1], e[0], negative);
          if (device) put(px, row, col, c);
          else PutBgr(px, BYTE(c >> 16), BYTE(c >> 8), BYTE(c));
        });
        return;
      }
      default:
        return;
    }
  }

  // Matrices: an element's value into a colour index, red above the range,
  // lit by the slope across the row when relief is on.
  const LONG count = painter.Count;
  const double low = painter.Low, perUnit = painter.PerUnit, gain = painter.Gain;
  const bool relief = painter.Relief != 0;
  const bool quality = painter.Quality, over = painter.OverPicture;
  const BYTE* view = D.ColorView;
  auto matrixPixel = [&](double h, double hL, double hR, BYTE* px, LONG row, LONG col) {
    const double v = h - low;
    if (!(v >= 0.0)) return;
    const double kd = v * perUnit;
    if (!(kd < double(count))) {
      if (device) put(px, row, col, kRedDevice);
      else std::memcpy(px, &kRedImage, 3);
      return;
    }
    const LONG k = LONG(kd) & 255;
    if (quality && !view[k]) return;
    if (!relief) {
      if (device) put(px, row, col, tableA[k]);
      else std::memcpy(px, &tableB[k], 3);
      return;
    }
    const double sl = (hR - hL) * gain + 300.0;
    const LONG j = !(sl >= 0.0) ? 0 : (sl > 599.0 ? 599 : LONG(sl));
    const BYTE* shade = ShadowTable[Clamp(ShadowAngle[j] + 128, 0, 255)];
    if (device) {
      const COLORREF c = tableA[k];
      put(px, row, col,
          COLORREF(shade[c & 255]) | (COLORREF(shade[(c >> 8) & 255]) << 8) |
              (COLORREF(shade[(c >> 16) & 255]) << 16));
    } else if (over) {
      PutBgr(px, shade[px[0]], shade[px[1]], shade[px[2]]);
    } else {
      const DWORD c = tableB[k];
      PutBgr(px, shade[c & 255], shade[(c >> 8) & 255], shade[(c >> 16) & 255]);
    }
  };
  const LONG bytes = painter.Bytes;
  auto values = [&](auto read) {
    walk([&](int64_t k, LONG er, LONG ec, BYTE* px, LONG row, LONG col) {
      const double h = read(data + k * bytes);
      double hL = 0.0, hR = 0.0;
      if (relief) {
        hL = ec > 0 ? read(data + (k - 1) * bytes) : read(s.LeftData + int64_t(er) * s.LeftLength * bytes);
        hR = ec < s.W - 1 ? read(data + (k + 1) * bytes)
                          : read(s.RightData + int64_t(er) * s.RightLength * bytes);
      }
      matrixPixel(h, hL, hR, px, row, col);
    });
  };

  if (painter.Kind == Painter::LAYER) {
    switch (painter.HeightBytes) {
      case 0:
        walk([&](int64_t, LONG, LONG, BYTE* px, LONG row, LONG col) {
          if (device) put(px, row, col, kGreenDevice);
          else std::memcpy(px, &kGreenImage, 3);
        });
        return;
      case 2: values(ReadAs<int16_t>); return;
      case 4: values(ReadAs<int32_t>); return;
      default: return;
    }
  }
  switch (bytes) {
    case 2: values(ReadAs<int16_t>); return;
    case 4: values(ReadAs<int32_t>); return;
    case 8: values(ReadAs<double>); return;
    default: return;
  }
}

// ---------------------------------------------------------------------------
// Rasters

void TRmfShow::SetupRaster(RMFCHAIN* unit) {
  const int bits = unit->File->Head.BitsPerElement;
  if (bits >= 1 && bits <= 8) {
    // The unit's derived colours as the colour tables.
    const int n = 1 << bits;
    COLORREF colours[256] = {};
    const int have = std::min(unit->Colors.GetCount(), n);
    std::memcpy(colours, unit->Colors.Colors(), size_t(std::max(have, 0)) * sizeof(COLORREF));
    SetDibPalette(colours, n);
  }
}

int TRmfShow::ShowUnitRst(RMFCHAIN* unit, const DIBCONTEXT* dib) {
  Scope scope(D);
  if (!unit || !unit->Raster() || !Host.Metric || !(unit->PictureFactor > 0.0)) return 0;
  std::memcpy(D.ColorView, unit->ColorView, sizeof(D.ColorView));
  if (!InView(unit->PictureFactor, unit->ElementFrame)) return 1;
  SetupRaster(unit);
  D.MaskType = unit->MaskType;
  D.Period = unit->View;
  return ShowChainRst(unit, dib);
}

int TRmfShow::ShowRstPlace(CHAININFO* chain, int place, const DIBCONTEXT* dib) {
  if (!chain || !Host.Metric) return 0;
  Scope scope(D);
  D.FlagSwitch = 1;
  int n = 1;
  for (RMFCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n) {
    if (!UnitShown(unit->View, unit->ViewOrder, unit->TopScale, unit->BottomScale, place)) continue;
    if (!(unit->PictureFactor > 0.0) || !unit->Raster()) continue;
    if (!ShowUnitRst(unit, dib)) return 0;
  }
  return 1;
}

int TRmfShow::ShowRst(CHAININFO* chain, int n) {
  if (!chain || !Host.Metric || (n > 0 && !ChainUnitAt(chain, n))) return 0;
  Scope scope(D);
  D.FlagSwitch = n == 0 ? 1 : 0;
  int i = 1;
  for (RMFCHAIN* unit = chain->First; unit && i <= chain->Count; unit = unit->Next, ++i) {
    if (n > 0 ? i != n : unit->View == 0) continue;
    if (!(unit->PictureFactor > 0.0) || !unit->Raster()) continue;
    if (n <= 0 || unit->HiddenColors) {
      std::memcpy(D.ColorView, unit->ColorView, sizeof(D.ColorView));
      D.MaskType = unit->MaskType;
      D.Period = unit->View;
    } else {
      std::memset(D.ColorView, 1, sizeof(D.ColorView));
      D.MaskType = D.Period = 0;
    }
    if (!InView(unit->PictureFactor, unit->ElementFrame)) continue;
    SetupRaster(unit);
    if (!ShowChainRst(unit, nullptr)) return 0;
  }
  return 1;
}

int TRmfShow::ShowChainRst(RMFCHAIN* unit, const DIBCONTEXT* dib) {
  Scope scope(D);
  if (!unit || !unit->Raster() || !Host.Metric || !D.Frame) return 0;
  const DIBCONTEXT target = dib ? *dib : DefaultTarget();
  TPaintMetric& m = *Host.Metric;
  TRst* raster = unit->Raster();
  TRst* file = m.Elem.UnitsPerPixelH >= 4.0 ? raster->GetRstClass(1) : raster;
  if (!file) file = raster;
  DFRAME own;
  const double precision = std::max(file->Head.Precision, 1.0);
  if (file != raster || precision != unit->Precision) {
    // A file of another element size (the reduced copy) walks a frame of
    // its own; the visible rectangle stays.
    double e = file->Head.ElementSize;
    if (!(e >= 1e-6)) e = 1.0;
    m.SetElemScale(Host.BaseScale / e);
    own.X1 = (unit->Frame.X1 - m.PlaneX0) / e;
    own.Y1 = (unit->Frame.Y1 - m.PlaneY0) / e;
    own.X2 = own.X1 + file->Head.Height;
    own.Y2 = own.Y1 + file->Head.Width;
    D.Frame = &own;
  }
  D.Depth = file->Head.BitsPerElement;
  D.Period = BuildMaskPattern(D.MaskType, D.Period, D.Pattern);
  Painter painter{Painter::RASTER};
  painter.Device = target.VisualType >= 3;
  painter.Dc = m.PaintDc;
  painter.Colors = &unit->Colors;
  painter.Negative = file->Head.Negative;
  const int result = Walk(*file, target, painter);
  if (D.Frame == &own) D.Frame = &unit->ElementFrame;
  return result;
}

// ---------------------------------------------------------------------------
// Elevation and quality matrices

int TRmfShow::ShowMtrPlace(CHAININFO* chain, int place, const DIBCONTEXT* dib) {
  if (!chain || !Host.Metric) return 0;
  Scope scope(D);
  D.FlagSwitch = 1;
  int n = 1;
  for (RMFCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n) {
    if (!UnitShown(unit->View, unit->ViewOrder, unit->TopScale, unit->BottomScale, place)) continue;
    if (!(unit->PictureFactor > 0.0) || !unit->Matrix()) continue;
    if (!ShowUnitMtr(unit, dib)) return 0;
  }
  return 1;
}

int TRmfShow::ShowUnitMtr(RMFCHAIN* unit, const DIBCONTEXT* dib) {
  Scope scope(D);
  if (!unit || !unit->Matrix() || !Host.Metric || !(unit->PictureFactor > 0.0)) return 0;
  if (!InView(unit->PictureFactor, unit->ElementFrame)) return 1;
  D.MaskType = unit->MaskType;
  D.Period = unit->View;
  return ShowChainMtr(unit, dib);
}

int TRmfShow::ShowMtr(CHAININFO* chain, int n) {
  if (!chain || !Host.Metric || (n > 0 && !ChainUnitAt(chain, n))) return 0;
  Scope scope(D);
  D.FlagSwitch = n == 0 ? 1 : 0;
  int i = 1;
  for (RMFCHAIN* unit = chain->First; unit && i <= chain->Count; unit = unit->Next, ++i) {
    if (n > 0 ? i != n : unit->View == 0) continue;
    if (!(unit->PictureFactor > 0.0) || !unit->Matrix()) continue;
    D.MaskType = n > 0 ? 0 : unit->MaskType;
    D.Period = n > 0 ? 0 : unit->View;
    if (!InView(unit->PictureFactor, unit->ElementFrame)) continue;
    if (!ShowChainMtr(unit, nullptr)) return 0;
  }
  return 1;
}

bool TRmfShow::MatrixPainter(RMFCHAIN* unit, bool device, Painter* painter) {
  if (!unit || !unit->Matrix() || !Host.Metric) return false;
  TPaintMetric& m = *Host.Metric;
  TRmf& file = *unit->File;
  *painter = Painter{Painter::MATRIX};
  if (file.Head.Ident == RMF_MTQ) {
    std::memcpy(D.ColorView, unit->ColorView, sizeof(D.ColorView));
    painter->Quality = true;
    painter->Relief = unit->QualityShadow;
    painter->Count = unit->Colors.GetCount();
    SetDibPalette(unit->Colors.Colors(), std::min(painter->Count, 256));
  } else {
    painter->Relief = Host.Relief;
    painter->Count = m.MtrPalette.GetPaletteCount();
    SetDibPalette(m.MtrPalette.Colors(), std::min(painter->Count, 256));
  }
  const double across = unit->ElementSize * file.HeightFactor;
  painter->Gain = across > 0.0 ? painter->Relief * 128.0 * 2.0 / across : 0.0;
  painter->Low = unit->RangeLow;
  painter->PerUnit = unit->ColorsPerUnit;
  painter->OverPicture = m.MtrPalette.GetColorStyle() < 0;
  painter->Bytes = file.Head.BitsPerElement / 8;
  painter->Device = device;
  painter->Dc = m.PaintDc;
  return true;
}

int TRmfShow::ShowChainMtr(RMFCHAIN* unit, const DIBCONTEXT* dib) {
  Scope scope(D);
  if (!unit || !unit->Matrix() || !Host.Metric || !D.Frame) return 0;
  const DIBCONTEXT target = dib ? *dib : DefaultTarget();
  Painter painter{Painter::MATRIX};
  MatrixPainter(unit, target.VisualType >= 3, &painter);
  D.Depth = painter.Bytes;
  D.Period = BuildMaskPattern(D.MaskType, D.Period, D.Pattern);
  return Walk(*unit->File, target, painter);
}

// ---------------------------------------------------------------------------
// Layer matrices

namespace {

// A layer matrix whose records hold no surface height (or without a layer
// block, which is recorded in the file).
bool WithoutHeights(TMtl& mtl) {
  if (!mtl.LayerBlock) {
    mtl.Error = MAPERR_MEMORY;
    return true;
  }
  return mtl.HeightBytes() == 0;
}

}  // namespace

int TRmfShow::ShowMtlPlace(MTLCHAININFO* chain, int place, const DIBCONTEXT* dib) {
  if (!chain || !Host.Metric) return 0;
  Scope scope(D);
  D.FlagSwitch = 1;
  int n = 1;
  for (MTLCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n) {
    if (!UnitShown(unit->View, unit->ViewOrder, unit->TopScale, unit->BottomScale, place)) continue;
    if (!(unit->PictureFactor > 0.0)) continue;
    if (!ShowUnitMtl(unit, dib)) return 0;
  }
  return 1;
}

int TRmfShow::ShowUnitMtl(MTLCHAIN* unit, const DIBCONTEXT* dib) {
  Scope scope(D);
  if (!unit || !Host.Metric || !(unit->PictureFactor > 0.0)) return 0;
  if (!InView(unit->PictureFactor, unit->ElementFrame)) return 1;
  if (WithoutHeights(unit->Matrix)) {
    D.MaskType = 5;
    D.Period = 5;
  } else {
    D.MaskType = unit->MaskType;
    D.Period = unit->View;
  }
  return ShowChainMtl(unit, dib);
}

int TRmfShow::ShowMtl(MTLCHAININFO* chain, int n) {
  if (!chain || !Host.Metric || (n > 0 && !ChainUnitAt(chain, n))) return 0;
  Scope scope(D);
  D.FlagSwitch = n == 0 ? 1 : 0;
  int i = 1;
  for (MTLCHAIN* unit = chain->First; unit && i <= chain->Count; unit = unit->Next, ++i) {
    if (n > 0 ? i != n : unit->View == 0) continue;
    if (!(unit->PictureFactor > 0.0)) continue;
    D.MaskType = n > 0 ? 0 : unit->MaskType;
    D.Period = n > 0 ? 0 : unit->View;
    if (!InView(unit->PictureFactor, unit->ElementFrame)) continue;
    if (!ShowChainMtl(unit, nullptr)) return 0;
  }
  return 1;
}

bool TRmfShow::LayerPainter(MTLCHAIN* unit, bool device, Painter* painter) {
  if (!unit || !Host.Metric) return false;
  TPaintMetric& m = *Host.Metric;
  TMtl& file = unit->Matrix;
  *painter = Painter{Painter::LAYER};
  painter->Count = m.MtrPalette.GetPaletteCount();
  SetDibPalette(m.MtrPalette.Colors(), std::min(painter->Count, 256));
  unit->RangeLow = Host.LayerLow * file.HeightFactor;
  unit->RangeHigh = Host.LayerHigh * file.HeightFactor;
  const bool flat = WithoutHeights(file);
  painter->HeightBytes = flat ? 0 : file.HeightBytes();
  painter->Relief = flat ? 0 : Host.Relief;
  const double across = unit->ElementSize * file.HeightFactor;
  painter->Gain = across > 0.0 ? painter->Relief * 128.0 * 2.0 / across : 0.0;
  painter->Low = unit->RangeLow;
  painter->PerUnit = unit->ColorsPerUnit;
  painter->OverPicture = m.MtrPalette.GetColorStyle() < 0;
  painter->Bytes = file.RecordSize();
  painter->Device = device;
  painter->Dc = m.PaintDc;
  return painter->Bytes >= 1;
}

int TRmfShow::ShowChainMtl(MTLCHAIN* unit, const DIBCONTEXT* dib) {
  Scope scope(D);
  if (!unit || !Host.Metric || !D.Frame) return 0;
  const DIBCONTEXT target = dib ? *dib : DefaultTarget();
  Painter painter{Painter::LAYER};
  if (!LayerPainter(unit, target.VisualType >= 3, &painter)) return 1;
  D.Depth = painter.Bytes;
  D.Period = BuildMaskPattern(D.MaskType, D.Period, D.Pattern);
  return Walk(unit->Matrix, target, painter);
}

// ---------------------------------------------------------------------------
// Blocks painted from the state as given

void TRmfShow::PaintGivenBlock(TRmf& file, const DIBCONTEXT* dib, Painter& painter) {
  if (!Host.Metric || !D.Data || !file.IsOpen() || D.BlockFlag == 0) return;
  if (D.Period < 0 || D.Period > LONG(sizeof(D.Pattern))) return;
  const RMF& h = file.Head;
  if (D.BlockHeight < 1 || D.BlockWidth < 1 || D.BlockHeight > h.BlockHeight ||
      D.BlockWidth > h.BlockWidth)
    return;
  if (D.BlockFlag == 2 && file.Mask && file.MaskRowBits < D.BlockWidth) return;
  if (painter.Kind != Painter::RASTER && painter.Relief != 0 &&
      (!D.LeftData || !D.RightData || D.LeftLength < 1 || D.RightLength < 1))
    return;
  const DIBCONTEXT target = dib ? *dib : DefaultTarget();
  if (painter.Device ? painter.Dc == nullptr
                     : (target.Top == nullptr || target.BytesPerPixel != 4 || target.Height < 1 ||
                        target.Width < 1))
    return;
  const TMapMetric& m = *Host.Metric;
  const double ex = m.Elem.UnitsPerPixelH, ey = m.Elem.UnitsPerPixelV;
  if (!(ex > 0.0 && ex < 1e9 && ey > 0.0 && ey < 1e9)) return;
  // The span kept inside the draw place (and the target image), its first
  // element moved with its first pixel.
  LONG top = m.DrawPlace.X2, bottom = SaturatePixel(int64_t(m.DrawPlace.X1) - 1);
  LONG left = m.DrawPlace.Y1, right = SaturatePixel(int64_t(m.DrawPlace.Y2) + 1);
  if (!painter.Device) {
    bottom = std::max<LONG>(bottom, SaturatePixel(int64_t(m.DrawPlace.X2) - target.Height));
    right = std::min<LONG>(right, SaturatePixel(int64_t(m.DrawPlace.Y1) + target.Width));
  }
  const RMFDISPLAY given = D;
  if (D.RowStart > top) {
    D.StartRow += double(int64_t(D.RowStart) - top) * ey;
    D.RowStart = top;
  }
  D.RowEnd = std::max(D.RowEnd, bottom);
  if (D.ColStart < left) {
    D.StartCol += double(int64_t(left) - D.ColStart) * ex;
    D.ColStart = left;
  }
  D.ColEnd = std::min(D.ColEnd, right);
  if (D.RowStart > D.RowEnd && D.ColEnd > D.ColStart) PaintSpan(file, target, painter);
  // The state stays as the caller gave it.
  D.RowStart = given.RowStart;
  D.RowEnd = given.RowEnd;
  D.ColStart = given.ColStart;
  D.ColEnd = given.ColEnd;
  D.StartRow = given.StartRow;
  D.StartCol = given.StartCol;
}

void TRmfShow::ShowBlockRst(TRmf& file, const DIBCONTEXT* dib, const TBaseColors* colors,
                            bool device) {
  if (!Host.Metric || D.Depth != file.Head.BitsPerElement) return;
  // True colours go through the unit's colours.
  if (!colors && D.Depth > 8) return;
  const TBaseColors none;
  Painter painter{Painter::RASTER};
  painter.Device = device;
  painter.Dc = Host.Metric->PaintDc;
  painter.Colors = colors ? colors : &none;
  painter.Negative = file.Head.Negative;
  PaintGivenBlock(file, dib, painter);
}

void TRmfShow::ShowBlockMtr(RMFCHAIN* unit, const DIBCONTEXT* dib, bool device) {
  Painter painter{Painter::MATRIX};
  if (!MatrixPainter(unit, device, &painter) || D.Depth != painter.Bytes) return;
  PaintGivenBlock(*unit->File, dib, painter);
}

void TRmfShow::ShowBlockMtl(MTLCHAIN* unit, const DIBCONTEXT* dib, bool device) {
  Painter painter{Painter::LAYER};
  if (!LayerPainter(unit, device, &painter) || D.Depth != painter.Bytes) return;
  PaintGivenBlock(unit->Matrix, dib, painter);
}
