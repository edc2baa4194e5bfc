// The palette of a map: base colours taken from the map's classifier.
#pragma once

#include "platform/export.h"
#include "codec/basecolors.h"

class TMap;

class MAPCLASS TMapColors : public TBaseColors {
 public:
  TMapColors() = default;

  // With a loaded classifier: its first palette with its colour count, the
  // classifier's colour style remembered. 1, or 0 without a classifier.
  int RestoreColors();
  // Palette n (from 1) of the classifier with the kept brightness and
  // contrast re-applied: the colours, or null.
  TBaseColors* GetPaletteByNumber(int n);
  // The classifier's palettes: count and names; 0 or an empty text when
  // the map has no open file or no sheets.
  int GetPaletteCount();
  const char* GetPaletteName(int n);

  TMap* Map = nullptr;
  int Palette = 1;      // palette shown
  int RscStyle = 0;     // colour style of the classifier when taken
};
