// Base colours with brightness, contrast and non-linear brightness, and the
// elevation palette.
#include "codec/basecolors.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr COLORREF kDefaultColors[TBaseColors::kDefaultCount] = {
    0x000000, 0xAA0000, 0x00AA00, 0x555500, 0x0000AA, 0x55AAFF, 0x0055AA, 0xAAAAAA,
    0x555555, 0xFFAA00, 0x55FF55, 0xFF5555, 0x5500FF, 0xFF55FF, 0x55FFFF, 0xFFFFFF,
};

// Counts InitBaseColors accepts.
constexpr int kMaxGivenCount = 32000;

inline COLORREF Rgb(int red, int green, int blue) {
  return static_cast<COLORREF>(red & 255) | (static_cast<COLORREF>(green & 255) << 8) |
         (static_cast<COLORREF>(blue & 255) << 16);
}

// One ramp of the coloured elevation palette: each channel runs from its
// start towards its end in steps of (end - start) / length.
struct Ramp {
  int start[3];  // red, green, blue
  int end[3];
};

constexpr Ramp kGreens = {{0, 64, 48}, {96, 208, 0}};
constexpr Ramp kYellows = {{160, 192, 0}, {256, 256, 0}};
constexpr Ramp kBrowns = {{240, 224, 0}, {144, 0, 0}};

int FillRamp(const Ramp& ramp, int length, COLORREF* out, int room) {
  int n = std::min(length, room);
  for (int j = 0; j < n; ++j) {
    int c[3];
    for (int k = 0; k < 3; ++k) {
      int step = (ramp.end[k] - ramp.start[k]) / length;
      c[k] = static_cast<int>(ramp.start[k] + static_cast<double>(j) * step);
    }
    out[j] = Rgb(c[0], c[1], c[2]);
  }
  return n;
}

}  // namespace

// ---- TBaseColors ---------------------------------------------------------

TBaseColors::TBaseColors() { InitBaseColors(nullptr, 0); }

TBaseColors::TBaseColors(const DWORD* colors, int count) { InitBaseColors(colors, count); }

int TBaseColors::InitBaseColors(const DWORD* colors, int count) {
  edited_ = 0;
  bright_ = 0;
  contrast_ = 0;
  nonlinear_ = 0;
  initialized_ = 1;
  for (int i = 0; i < kMaxColors; ++i) table_[i] = static_cast<BYTE>(i);
  if (colors != nullptr) {
    if (count < 1 || count > kMaxGivenCount) {
      // The colours stay; the derived ones follow the reset adjustments.
      BuildColors();
      return 0;
    }
    std::memset(source_, 0, sizeof(source_));
    count_ = std::min(count, kMaxColors);
    std::memcpy(source_, colors, count_ * sizeof(COLORREF));
  } else {
    std::memcpy(source_, kDefaultColors, sizeof(kDefaultColors));
    count_ = kDefaultCount;
  }
  BuildColors();
  return count_;
}

COLORREF TBaseColors::SetColor(COLORREF color, int index) {
  if (static_cast<unsigned>(index) >= static_cast<unsigned>(count_)) return 0;
  source_[index] = color;
  edited_ = 1;
  BuildColors();
  return color;
}

TBaseColors* TBaseColors::BuildColors() {
  BuildTable(bright_, contrast_, nonlinear_);
  int n = std::clamp<int>(count_, 0, kMaxColors);
  for (int i = 0; i < n; ++i) derived_[i] = TableColor(source_[i]);
  return this;
}

int TBaseColors::SetBright(int bright) {
  bright_ = std::clamp(bright, -16, 16);
  BuildColors();
  return bright_;
}

int TBaseColors::SetContrast(int contrast) {
  contrast_ = std::clamp(contrast, -16, 16);
  BuildColors();
  return contrast_;
}

int TBaseColors::SetNonlinearBright(int nonlinear) {
  nonlinear_ = std::clamp(nonlinear, -32, 32);
  BuildColors();
  return nonlinear_;
}

int TBaseColors::SetColorStyle(int style) {
  style_ = style;
  BuildColors();
  return 1;
}

TBaseColors& TBaseColors::operator=(const TBaseColors& other) {
  if (this == &other) return *this;
  std::memcpy(derived_, other.derived_, sizeof(derived_));
  std::memcpy(source_, other.source_, sizeof(source_));
  std::memcpy(table_, other.table_, sizeof(table_));
  edited_ = other.edited_;
  bright_ = other.bright_;
  contrast_ = other.contrast_;
  count_ = other.count_;
  initialized_ = other.initialized_;
  style_ = other.style_;
  nonlinear_ = other.nonlinear_;
  return *this;
}

void TBaseColors::SetCount(int count) { count_ = std::clamp(count, 0, kMaxColors); }

COLORREF TBaseColors::GetColor(int index) const {
  if (static_cast<unsigned>(index) >= static_cast<unsigned>(count_)) return 0;
  return source_[index];
}

COLORREF TBaseColors::TableColor(COLORREF color) const {
  return static_cast<COLORREF>(table_[color & 0xFF]) | (static_cast<COLORREF>(table_[(color >> 8) & 0xFF]) << 8) |
         (static_cast<COLORREF>(table_[(color >> 16) & 0xFF]) << 16);
}

int TBaseColors::BuildTable(int bright, int contrast, int nonlinear) {
  for (int i = 0; i < 256; ++i) {
    double v = i;
    // Non-linear brightness: a power curve lifting (n > 0) or lowering
    // (n < 0) the dark and middle tones.
    if (nonlinear > 0 && i != 0) {
      v = 255.0 * (1.0 - std::pow(1.0 - i / 255.0, 1.0 + nonlinear / 8.0));
      v = std::clamp(v, 0.0, 255.0);
    } else if (nonlinear < 0 && i != 0) {
      v = 255.0 * std::pow(i / 255.0, 1.0 - nonlinear / 8.0);
      v = std::clamp(v, 0.0, 255.0);
    }
    if (bright > 0) {
      v += (255.0 - v) * bright / 8.0;
      if (v > 255.0) v = 255.0;
    } else {
      v += v * bright / 8.0;
    }
    v -= contrast * (128.0 - v) / 8.0;
    v = std::clamp(v, 0.0, 255.0);
    table_[i] = static_cast<BYTE>(v);
  }
  return 1;
}

COLORREF AdjustColorBrightContrast(COLORREF color, int bright, int contrast) {
  int channel[3] = {static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                    static_cast<int>((color >> 16) & 0xFF)};
  for (int& x : channel) {
    if (bright > 0) {
      x += ((255 - x) * bright) >> 3;
      if (x > 255) x = 255;
    } else {
      x += (bright * x) >> 3;
    }
    x -= ((128 - x) * contrast) >> 3;
    x = std::clamp(x, 0, 255);
  }
  return Rgb(channel[0], channel[1], channel[2]);
}

// ---- TMtrPalette ---------------------------------------------------------

TMtrPalette::TMtrPalette() { InitPalette(); }

void TMtrPalette::InitPalette() {
  InitBaseColors(nullptr, 0);
  SetPaletteCount(kDefaultPaletteCount);
  style_ = 0;
  Style(1);
}

int TMtrPalette::Style(int style) {
  if (style != style_) {
    style_ = style;
    MakePalette();
  }
  return style_;
}

void TMtrPalette::SetPaletteCount(int count) { SetCount(std::max(count, kDefaultCount)); }

int TMtrPalette::MakePalette() {
  COLORREF work[kMaxColors] = {};
  const int count = std::clamp<int>(count_, 0, kMaxColors);
  if (style_ == 0 || style_ == -1) {
    for (int i = 0; i < count; ++i) {
      int v = (64 + 4 * i) % 256;
      work[i] = Rgb(v, v, v);
    }
  } else {
    const int quarter = std::max(count / 4, 1);
    const int half = std::max(count / 2, 1);
    int n = FillRamp(kGreens, quarter, work, count);
    n += FillRamp(kYellows, quarter, work + n, count - n);
    n += FillRamp(kBrowns, half, work + n, count - n);
    // A count that is not a multiple of 4 leaves one or two colours past
    // the ramps: they repeat the last brown.
    for (; n > 0 && n < count; ++n) work[n] = work[n - 1];
  }
  return InitBaseColors(work, count);
}

TMtrPalette& TMtrPalette::operator=(const TMtrPalette& other) {
  if (this == &other) return *this;
  style_ = other.style_;
  edited_ = other.edited_;
  bright_ = other.bright_;
  contrast_ = other.contrast_;
  count_ = other.count_;
  std::memcpy(derived_, other.derived_, sizeof(derived_));
  std::memcpy(source_, other.source_, sizeof(source_));
  return *this;
}
