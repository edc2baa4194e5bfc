// TMapPaint: the document's palette from its data, the GDI palette made
// from it, the background and the picture's size.
#include <algorithm>
#include <cstring>

#include "document/mappaint.h"

namespace {

// The colour the palette keeps after the main map's own colours.
constexpr COLORREF kMapExtraColour = 0x123456;

// A logical palette of up to 256 entries.
struct LOGPALETTE256 {
  WORD Version;
  WORD Count;
  PALETTEENTRY Entries[MAP_PALETTE_SIZE];
};
static_assert(offsetof(LOGPALETTE256, Entries) == offsetof(LOGPALETTE, palPalEntry));

}  // namespace

int TMapPaint::SetupPalette() {
  MapPalette.ClearPalette();
  for (BYTE kind : MapPalette.Order) {
    switch (kind) {
      case PALETTE_KIND_MAPS: {
        if (TMap::IsActive()) {
          const int count = Colors.GetCount();
          MapPalette.SetPalette(count, Colors.Colors(), ColorIndex);
          if (count >= 0 && count < DOC_COLOR_INDEX)
            MapPalette.SetPalette(1, &kMapExtraColour, ColorIndex + count);
        }
        for (int n = 1; n <= SiteChainHead.Count; ++n) {
          TMap* site = GetMap(n);
          if (site != nullptr)
            MapPalette.SetPalette(site->Colors.GetCount(), site->Colors.Colors(), ColorIndex);
        }
        break;
      }
      case PALETTE_KIND_RASTERS:
      case PALETTE_KIND_MATRICES:
      case PALETTE_KIND_QUALITY: {
        const int chain = kind == PALETTE_KIND_RASTERS    ? DOCKIND_RST
                          : kind == PALETTE_KIND_MATRICES ? DOCKIND_MTR
                                                          : DOCKIND_MTQ;
        if (DocumentKinds[chain].AddColors != nullptr) DocumentKinds[chain].AddColors(this, &MapPalette);
        break;
      }
      default:
        break;
    }
  }

  if (Palette != nullptr) plat::DeleteObject(Palette);
  LOGPALETTE256 logical{};
  logical.Version = 0x300;
  logical.Count = WORD(std::clamp<LONG>(MapPalette.Count, 0, MAP_PALETTE_SIZE));
  for (int i = 0; i < logical.Count; ++i) {
    const COLORREF c = MapPalette.Colors[i];
    logical.Entries[i] = PALETTEENTRY{BYTE(c), BYTE(c >> 8), BYTE(c >> 16), 0};
  }
  Palette = plat::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&logical));
  return 1;
}

int TMapPaint::UpdatePalette(HWND window, int background) {
  if (window == nullptr || Palette == nullptr) return 0;
  HDC dc = plat::GetDC(window);
  if (dc == nullptr) return 0;
  HPALETTE old = plat::SelectPalette(dc, Palette, background ? TRUE : FALSE);
  const int realised = int(plat::RealizePalette(dc));
  if (!background && old != nullptr) plat::SelectPalette(dc, old, FALSE);
  plat::ReleaseDC(window, dc);
  return realised;
}

void TMapPaint::SetMtrPaletteStyle(int style) {
  if (style == MtrPalette.GetColorStyle()) return;
  MtrPalette.Style(style);
  SetupPalette();
}

COLORREF TMapPaint::SetBackGround(COLORREF colour) {
  MapPalette.BackGround = colour;
  MapPalette.SetBackGround();
  SetupPalette();
  return colour;
}

void TMapPaint::GetPictureBorder(LONG& width, LONG& height) const {
  width = LONG(std::clamp<int64_t>(int64_t(PictureFrame.Y2) - PictureFrame.Y1, 0, INT32_MAX));
  height = LONG(std::clamp<int64_t>(int64_t(PictureFrame.X2) - PictureFrame.X1, 0, INT32_MAX));
}
