// The document's palette: clearing, adding colour sets with reduction, and
// the memory image's colour table.
#include "drawing/mappalette.h"

#include <cstring>

#include "drawing/paintcontext.h"

namespace {

// What no colour distance reaches.
constexpr LONG kFarthest = 0xFFFFFF;

}  // namespace

LONG ColorDistance(COLORREF a, COLORREF b) {
  const LONG r = LONG(a & 0xFF) - LONG(b & 0xFF);
  const LONG g = LONG((a >> 8) & 0xFF) - LONG((b >> 8) & 0xFF);
  const LONG v = LONG((a >> 16) & 0xFF) - LONG((b >> 16) & 0xFF);
  return r * r + g * g + v * v;
}

TMapPalette::TMapPalette()
    : Colors{}, Order{0, 2, 1, 3}, BackGround(MAP_PALETTE_BACKGROUND), Count(0) {}

void TMapPalette::ClearPalette() {
  std::memset(Colors, 0, sizeof(Colors));
  Colors[0] = BackGround;
  Count = 1;
}

void TMapPalette::SetPalette(int n, const COLORREF* colours, BYTE* index) {
  if (n < 0 || n > MAP_PALETTE_SIZE || colours == nullptr || index == nullptr) return;
  if (Count < 0 || Count > MAP_PALETTE_SIZE) Count = MAP_PALETTE_SIZE;
  std::memset(index, 0, size_t(n));
  if (MAP_PALETTE_SIZE - Count >= n) {
    for (int i = 0; i < n; ++i) {
      Colors[Count + i] = colours[i];
      index[i] = BYTE(Count + i);
    }
    Count += n;
    return;
  }

  // Each colour's distance to its nearest fellow of the set.
  LONG nearest[MAP_PALETTE_SIZE];
  for (int i = 0; i < n; ++i) {
    LONG d = kFarthest;
    for (int j = 0; j < n; ++j)
      if (j != i) {
        const LONG e = ColorDistance(colours[i], colours[j]);
        if (e < d) d = e;
      }
    nearest[i] = d;
  }
  // The most distinct colours take the free entries.
  while (Count < MAP_PALETTE_SIZE) {
    int best = 0;
    LONG farthest = 0;
    for (int i = 0; i < n; ++i)
      if (nearest[i] > farthest) {
        farthest = nearest[i];
        best = i;
      }
    Colors[Count] = colours[best];
    index[best] = BYTE(Count);
    nearest[best] = -1;
    ++Count;
  }
  // The others share the nearest entry.
  for (int i = 0; i < n; ++i) {
    if (index[i] != 0) continue;
    LONG d = kFarthest;
    for (int e = 1; e < Count; ++e) {
      const LONG f = ColorDistance(colours[i], Colors[e]);
      if (f < d) {
        d = f;
        index[i] = BYTE(e);
      }
    }
  }
}

void TMapPalette::SetPaletteDib() const {
  if (PaintContext.Info == nullptr) return;
  const BITMAPINFOHEADER& h = PaintContext.Info->bmiHeader;
  int n = int(h.biClrUsed);
  if (n < 0 || n > MAP_PALETTE_SIZE) n = MAP_PALETTE_SIZE;
  // The table follows the header in the block of PAINT_INFO_SIZE bytes.
  RGBQUAD* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(PaintContext.Info) +
                                              sizeof(BITMAPINFOHEADER));
  for (int i = 0; i < n; ++i) {
    const COLORREF c = Colors[i];
    table[i] = RGBQUAD{BYTE((c >> 16) & 0xFF), BYTE((c >> 8) & 0xFF), BYTE(c & 0xFF), 0};
  }
}
