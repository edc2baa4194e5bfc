// Base colours: up to 260 palette colours kept as set (source colours) and
// after non-linear brightness, brightness and contrast (derived colours),
// with the 256-entry channel lookup table that carries the adjustments; and
// the elevation palette built from a style.
//
// Both classes are exported: their field order and widths are part of the
// library's interface. Colour words are 0x00BBGGRR.
#pragma once

#include "platform/export.h"
#include "platform/win_types.h"

class MAPCLASS TBaseColors {
 public:
  // Colours kept at most.
  static constexpr int kMaxColors = 260;
  // Colours used when none are given.
  static constexpr int kDefaultCount = 16;

  // The 16 default colours.
  TBaseColors();
  // The given colours (see InitBaseColors).
  TBaseColors(const DWORD* colors, int count);

  // Resets the adjustments and the lookup table, then takes count colours
  // (at most 260 kept), or the 16 default colours when colors is null.
  // Returns the count kept, or 0 for a count outside 1..32000 (the colours
  // are then kept).
  int InitBaseColors(const DWORD* colors, int count);
  // Source colour at an index below the count; returns the colour, or 0 when
  // the index is out of range.
  COLORREF SetColor(COLORREF color, int index);
  // Rebuilds the lookup table and the derived colours.
  TBaseColors* BuildColors();
  // Adjustments, each clamped (-16..16, -16..16, -32..32) and followed by a
  // rebuild; each returns the value kept.
  int SetBright(int bright);
  int SetContrast(int contrast);
  int SetNonlinearBright(int nonlinear);
  // Stores the colour style and rebuilds; returns 1.
  int SetColorStyle(int style);

  TBaseColors& operator=(const TBaseColors& other);
  TBaseColors(const TBaseColors& other) = default;

  // Number of valid colours, clamped to 0..260; no rebuild.
  void SetCount(int count);
  // Source colour at an index below the count, else 0.
  COLORREF GetColor(int index) const;
  // A colour word with each channel passed through the lookup table.
  COLORREF TableColor(COLORREF color) const;
  // Fills lookup entries 0..255 from the adjustments; returns 1.
  int BuildTable(int bright, int contrast, int nonlinear);

  int GetBright() const { return bright_; }
  int GetContrast() const { return contrast_; }
  int GetNonlinearBright() const { return nonlinear_; }
  int GetCount() const { return count_; }
  int GetColorStyle() const { return style_; }
  int IsEdited() const { return edited_; }
  // The derived colours (what painters use), the source colours (as set)
  // and the lookup table.
  const COLORREF* Colors() const { return derived_; }
  const COLORREF* SourceColors() const { return source_; }
  const BYTE* Table() const { return table_; }

 protected:
  COLORREF derived_[kMaxColors] = {};
  COLORREF source_[kMaxColors] = {};
  BYTE table_[kMaxColors] = {};
  LONG edited_ = 0;
  LONG bright_ = 0;
  LONG contrast_ = 0;
  LONG count_ = 0;
  LONG initialized_ = 0;  // set to 1 by InitBaseColors
  LONG style_ = 0;
  LONG nonlinear_ = 0;
};

static_assert(sizeof(TBaseColors) == 2368);

// A colour word adjusted by brightness and contrast in integer arithmetic,
// without the lookup table; for single colours of vector objects.
COLORREF AdjustColorBrightContrast(COLORREF color, int bright, int contrast);

// The elevation palette: a grey ramp (styles 0 and -1) or a green, yellow and
// brown ramp (any other style) over its count of colours.
class MAPCLASS TMtrPalette : public TBaseColors {
 public:
  // Colours of the document's elevation palette.
  static constexpr int kDefaultPaletteCount = 32;

  TMtrPalette();
  TMtrPalette(const TMtrPalette& other) = default;

  // 32 colours of style 1.
  void InitPalette();
  // Sets a different style and rebuilds the palette from it; returns the
  // style.
  int Style(int style);
  // Builds the palette of the current style and count and takes it (this
  // resets the adjustments); returns the count kept.
  int MakePalette();
  int GetPaletteCount() const { return count_; }
  // Count raised to at least 16 (at most 260); no rebuild.
  void SetPaletteCount(int count);

  // Copies the style, adjustments, count and colours; the target keeps its
  // own non-linear brightness and lookup table.
  TMtrPalette& operator=(const TMtrPalette& other);
};

static_assert(sizeof(TMtrPalette) == sizeof(TBaseColors));
