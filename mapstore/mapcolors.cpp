#include "mapstore/mapcolors.h"

#include "classifier/maprsc.h"
#include "mapstore/map.h"

namespace {

// Palette n (from 1) of an open classifier, null when it has none.
const TABPAL* RscPalette(TMap* map, int n) {
  if (!map || !map->Rsc.IsActive() || n < 1) return nullptr;
  if (DWORD(n) > map->Rsc.Head.Tables[RSC_PAL].Count) return nullptr;
  const TABPAL* table = rscPalTable(&map->Rsc);
  return table ? table + (n - 1) : nullptr;
}

int RscColorCount(TMap* map) {
  const int count = map->Rsc.Head.ColorCount;
  return count < 16 || count > 256 ? 16 : count;
}

}  // namespace

int TMapColors::RestoreColors() {
  const TABPAL* palette = RscPalette(Map, 1);
  if (!palette) return 0;
  InitBaseColors(palette->Colors, RscColorCount(Map));
  Palette = 1;
  RscStyle = Map->Rsc.Head.ColorStyle;
  return 1;
}

TBaseColors* TMapColors::GetPaletteByNumber(int n) {
  const TABPAL* palette = RscPalette(Map, n);
  if (!palette) return nullptr;
  const int bright = GetBright();
  const int contrast = GetContrast();
  InitBaseColors(palette->Colors, RscColorCount(Map));
  Palette = n;
  SetBright(bright);
  SetContrast(contrast);
  return this;
}

int TMapColors::GetPaletteCount() {
  if (!Map || !Map->File || Map->Count() < 1 || !Map->Rsc.IsActive()) return 0;
  return int(Map->Rsc.Head.Tables[RSC_PAL].Count);
}

const char* TMapColors::GetPaletteName(int n) {
  if (!Map || !Map->File || Map->Count() < 1) return RSC_EMPTY_STRING;
  const TABPAL* palette = RscPalette(Map, n);
  return palette ? palette->Name : RSC_EMPTY_STRING;
}
