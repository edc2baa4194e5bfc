// Palettes and the classifier colours.
#include <cstdio>
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"
#include "platform/fileio.h"

namespace {

const DWORD kDefaultColors[16] = {
    0x000000, 0xAA0000, 0x00AA00, 0x555500, 0x0000AA, 0x55AAFF, 0x0055AA, 0xAAAAAA,
    0x555555, 0xFFAA00, 0x55FF55, 0xFF5555, 0x5500FF, 0xFF55FF, 0x55FFFF, 0xFFFFFF,
};

const char kStandardName[] = "Стандартная";

// Palette p (1..count) of an open classifier, or null.
TABPAL* PaletteOf(const TRSCDATA* d, int p) {
  TABPAL* pal = rscPalTable(d);
  if (!pal || p < 1 || DWORD(p) > d->Head.Tables[RSC_PAL].Count) return nullptr;
  return pal + (p - 1);
}

}  // namespace

DWORD TMapRsc::GetDefaultColor(int c) { return c >= 0 && c < 16 ? kDefaultColors[c] : 0; }

int TMapRsc::GetPaletteCount() {
  if (!rscQueryOpen(this)) return 0;
  return int(Head.Tables[RSC_PAL].Count);
}

TABPAL* TMapRsc::GetTabPal(int p) {
  if (!rscQueryOpen(this)) return nullptr;
  TABPAL* pal = PaletteOf(this, p);
  if (!pal) ErrorCode = MAPERR_RSCRANGE;
  return pal;
}

DWORD* TMapRsc::GetPalette(int p) {
  TABPAL* pal = GetTabPal(p);
  return pal ? pal->Colors : nullptr;
}

const char* TMapRsc::GetPaletteName(int p) {
  TABPAL* pal = GetTabPal(p);
  return pal ? pal->Name : RSC_EMPTY_STRING;
}

DWORD* TMapRsc::GetRscPalette(int c) {
  if (!rscQueryOpen(this)) return nullptr;
  TABPAL* pal = PaletteOf(this, 1);
  if (!pal || c < 0 || c > 255) {
    ErrorCode = MAPERR_RSCRANGE;
    return nullptr;
  }
  return pal->Colors + c;
}

DWORD TMapRsc::GetRscColor(int c) {
  DWORD* color = GetRscPalette(c);
  return color ? *color : 0;
}

DWORD TMapRsc::SetRscColor(DWORD color, int c) {
  DWORD* place = GetRscPalette(c);
  if (!place) return 0;
  *place = color;
  Head.ColorStyle++;
  Modify++;
  return color;
}

int TMapRsc::SetRscPalette(const DWORD* colors, int count) {
  if (!rscQueryOpen(this) || !colors || count < 1) return 0;
  if (!PaletteOf(this, 1)) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  // More than 256 colours store 255 of them, as stored classifiers expect.
  // The colour style is raised once: raised per colour, the byte could wrap
  // round to its old value and the change would go unseen.
  if (count > 256) count = 255;
  DWORD* palette = PaletteOf(this, 1)->Colors;
  for (int c = 0; c < count; c++) palette[c] = colors[c];
  Head.ColorStyle++;
  Modify++;
  return 1;
}

int TMapRsc::GetRscColorCount() {
  if (!rscQueryOpen(this)) return 0;
  const int count = Head.ColorCount;
  return count < 16 || count > 256 ? 16 : count;
}

int TMapRsc::SetRscColorCount(int count) {
  if (!rscQueryOpen(this)) return 0;
  if (count < 16 || count > 256) count = 16;
  Head.ColorCount = WORD(count);
  Head.ColorStyle++;
  return count;
}

DWORD* TMapRsc::AppendPalette(const DWORD* colors, int count, const char* name) {
  if (!rscQueryOpen(this) || count < 1) return nullptr;
  const DWORD palettes = Head.Tables[RSC_PAL].Count;
  TABPAL* old = rscPalTable(this);
  auto* table = (TABPAL*)rscGetMemoryBlock(this, LONG((palettes + 1) * RSC_PAL_SIZE));
  if (!table) {
    ErrorCode = MAPERR_MEMORY;
    return nullptr;
  }
  if (palettes && old) memcpy(table, old, size_t(palettes) * RSC_PAL_SIZE);
  TABPAL& pal = table[palettes];
  memset(&pal, 0, sizeof pal);
  const int copied = count > 256 ? 256 : count;
  if (colors) memcpy(pal.Colors, colors, size_t(copied) * 4);
  const unsigned number = unsigned(palettes + 1);
  bool taken = false;
  for (DWORD i = 0; name && old && i < palettes; i++)
    if (strncmp(old[i].Name, name, 31) == 0) taken = true;
  if (!name)
    snprintf(pal.Name, sizeof pal.Name, "%u", number);
  else if (taken)
    snprintf(pal.Name, sizeof pal.Name, "%-13s%u", name, number);
  else
    memcpy(pal.Name, name, strnlen(name, 31));
  rscSetTable(this, RSC_PAL, table);
  Head.Tables[RSC_PAL].Count = palettes + 1;
  Head.Tables[RSC_PAL].Length = (palettes + 1) * RSC_PAL_SIZE;
  if (Head.ColorCount < copied) Head.ColorCount = WORD(copied);
  Head.ColorStyle++;
  Modify++;
  ErrorCode = 0;
  return pal.Colors;
}

DWORD* TMapRsc::SetDefaultPalette(int p) {
  if (!rscQueryOpen(this)) return nullptr;
  if (p < 1) {
    ErrorCode = MAPERR_RSCRANGE;
    return nullptr;
  }
  DWORD* colors;
  if (DWORD(p) > Head.Tables[RSC_PAL].Count) {
    colors = AppendPalette(kDefaultColors, 16, kStandardName);
    if (!colors) return nullptr;
  } else {
    colors = PaletteOf(this, p)->Colors;
    memcpy(colors, kDefaultColors, sizeof kDefaultColors);
    Modify++;
  }
  if (Head.ColorCount < 16) Head.ColorCount = 16;
  Head.ColorStyle++;
  return colors;
}

DWORD* TMapRsc::ResetPalette(int p) {
  if (!rscQueryOpen(this)) return nullptr;
  RSCHEAD head;
  if (!File || !plat::ReadExactAt(File, 0, &head, sizeof head)) return nullptr;
  const RSCTABLE& stored = head.Tables[RSC_PAL];
  if (p < 1 || DWORD(p) > stored.Count) {
    ErrorCode = MAPERR_RSCRANGE;
    return nullptr;
  }
  TABPAL* pal = PaletteOf(this, p);
  if (!pal) {
    // Palettes beyond the ones in memory are made anew.
    return SetDefaultPalette(p);
  }
  DWORD colors[256];
  const uint64_t offset = uint64_t(stored.Offset) + uint64_t(p - 1) * RSC_PAL_SIZE;
  if (offset > 0xFFFFFFFFu || !File || !plat::ReadExactAt(File, offset, colors, sizeof colors))
    return SetDefaultPalette(p);
  memcpy(pal->Colors, colors, sizeof colors);
  Head.ColorStyle++;
  Modify++;
  return pal->Colors;
}

DWORD* TMapRsc::ReplacePalette(int p, const DWORD* colors, int count, const char* name) {
  if (!rscQueryOpen(this) || count < 1 || p < 1) return nullptr;
  if (DWORD(p) > Head.Tables[RSC_PAL].Count) return AppendPalette(colors, count, name);
  TABPAL* pal = PaletteOf(this, p);
  // A replacement holds the first 64 colours of a palette.
  const int copied = count > 64 ? 64 : count;
  if (colors) memcpy(pal->Colors, colors, size_t(copied) * 4);
  memset(pal->Name, 0, sizeof pal->Name);
  if (name)
    memcpy(pal->Name, name, strnlen(name, 31));
  else
    snprintf(pal->Name, sizeof pal->Name, "%u", unsigned(p));
  if (Head.ColorCount < copied) Head.ColorCount = WORD(copied);
  Head.ColorStyle++;
  Modify++;
  return pal->Colors;
}

int TMapRsc::SetPaletteName(int p, const char* name) {
  if (!rscQueryOpen(this) || !name) return 0;
  TABPAL* pal = PaletteOf(this, p);
  if (!pal) return 0;
  memset(pal->Name, 0, sizeof pal->Name);
  memcpy(pal->Name, name, strnlen(name, 31));
  Modify++;  // a change like any other: the next save writes it
  return p;
}

int TMapRsc::DeletePalette(int p) {
  if (!rscQueryOpen(this)) return 0;
  const DWORD count = Head.Tables[RSC_PAL].Count;
  TABPAL* pal = PaletteOf(this, p);
  if (count < 2 || !pal) return 0;
  TABPAL* table = rscPalTable(this);
  memmove(pal, pal + 1, size_t(count - DWORD(p)) * RSC_PAL_SIZE);
  memset(table + count - 1, 0, RSC_PAL_SIZE);
  Head.Tables[RSC_PAL].Count = count - 1;
  Head.Tables[RSC_PAL].Length = (count - 1) * RSC_PAL_SIZE;
  Head.ColorStyle++;
  Modify++;
  return 1;
}

int TMapRsc::SetPaletteColor(int p, int c, DWORD color) {
  if (!rscQueryOpen(this)) return 0;
  TABPAL* pal = PaletteOf(this, p);
  if (!pal || c < 1 || c > GetRscColorCount()) return 0;
  pal->Colors[c - 1] = color;
  Head.ColorStyle++;
  Modify++;
  return 1;
}
