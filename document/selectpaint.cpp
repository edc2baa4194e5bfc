// TMapPaint: polylines painted with a paint record, objects painted in one
// colour, and the objects of a select painted in one colour.
//
// All of it paints straight onto the caller's device context through the
// current device block, whatever the visual type: the colour of the paint
// record (or of the select) is the forced colour of the paint state while a
// painter runs, so that every colour word of the image gives it.
#include <cstring>

#include "document/mappaint.h"
#include "drawing/paintcontext.h"
#include "drawing/pictureband.h"

namespace {

constexpr COLORREF kNoColour = 0xFFFFFFFF;
// Select painting draws lines and areas with the line primitive.
constexpr int kLineCode = 128;
// The break callback is asked after this many objects of a select.
constexpr int kBreakStep = 50;

COLORREF ColourOf(const char* parm) {
  DWORD colour;
  std::memcpy(&colour, parm, sizeof colour);
  return colour;
}

}  // namespace

// ---------------------------------------------------------------------------
// One polyline set with a paint record

int TMapPaint::PaintUserObject(HDC dc, const RECT& rect, const PAINTPARM* parm, POLYDATA* data,
                               TMap* map) {
  if (dc == nullptr || parm == nullptr || parm->Parm == nullptr || !HasPoints(data)) return 0;
  TDevicePlace place(this, dc, rect);
  return PaintRecord(dc, parm, data, map, nullptr, nullptr);
}

int TMapPaint::PaintRecord(HDC dc, const PAINTPARM* parm, POLYDATA* data, TMap* map,
                           const FVSPR* desc, const IMGDRAW* draw) {
  const int code = parm->Image;
  const COLORREF colour = ColourOf(parm->Parm);
  TMap* own = map != nullptr ? map : (TMap::IsActive() ? this : nullptr);
  if (code == PAINT_OWN_IMAGE && own == nullptr) return 0;

  const int rop = plat::SetROP2(dc, parm->Mode & ~PAINT_MODE_SCALABLE);
  const LONG nodes = NodeImageFlag;
  NodeImageFlag = 0;
  ScaleMethod = ScaleMethodValue;
  if (code != PAINT_OWN_IMAGE) {
    const HPALETTE oldPalette =
        Palette != nullptr ? plat::SelectPalette(dc, Palette, TRUE) : nullptr;
    const IMGPAINTER painter = code >= 1 && code <= 254 ? DeviceBlock[code] : nullptr;
    if (painter != nullptr) {
      const double zoom = map != nullptr ? MapZoom(map) : DrawScale;
      const COLORREF forced = ForcedColor;
      ForcedColor = colour;
      painter(this, data, parm->Parm,
              SignZoom(zoom, (parm->Mode & PAINT_MODE_SCALABLE) != 0, ScaleMethod));
      ForcedColor = forced;
    }
    if (oldPalette != nullptr) plat::SelectPalette(dc, oldPalette, TRUE);
  } else if (desc != nullptr) {
    // The map's colours at the saved intensity, the record's colour after
    // them (a mode of 6 or no colour leaves the table as the map has it).
    const bool extra = parm->Mode != 6 && colour != kNoColour;
    const PAINTCOLORSTATE colours = PaintColorState;
    TakeMapColors(own, extra ? &colour : nullptr, -1);
    PaintOwnImage(own, desc, draw, colour, MapZoom(own), data);
    PaintColorState = colours;
  }
  NodeImageFlag = nodes;
  plat::SetROP2(dc, rop);
  return 1;
}

void TMapPaint::PaintOwnImage(TMap* map, const FVSPR* desc, const IMGDRAW* draw, COLORREF colour,
                              double zoom, POLYDATA* data) {
  // Every colour word of the image gives the colour while its painters run
  // (none: the object's own colours).
  ForcedColor = colour;
  const int key = desc->Code;
  if (key != 0) {
    IMGELEMENTREF element;
    if (map->Rsc.IsActive() && KindImage(map, key, 1, &element)) {
      const IMGPAINTER painter = DeviceBlock[element.Code];
      if (painter != nullptr)
        painter(this, data, element.Parm, SignZoom(zoom, map->Rsc.GetObjScale(key), ScaleMethod));
    }
  } else if (draw != nullptr) {
    const float scale = SignZoom(zoom, desc->Flags & FVSPR_SCALE, ScaleMethod);
    TImageWalk walk(draw, LONG(draw->Length));
    IMGELEMENTREF element;
    for (int i = 0; i < walk.Count() && walk.Next(&element); ++i) {
      if (element.Code < 1 || element.Code > 254 || !ImageElementFits(element)) continue;
      if (const IMGPAINTER painter = DeviceBlock[element.Code])
        painter(this, data, element.Parm, scale);
    }
  }
  ForcedColor = kNoColour;
}

// ---------------------------------------------------------------------------
// Selects

int TMapPaint::PaintSelect(HDC dc, const RECT& rect, TMapSelect* select, COLORREF colour, int n) {
  if (dc == nullptr) return 0;
  // A display is painted through a picture, where the select's wide lines
  // cost their pixels and not a device call for every segment.
  const int result = PaintThroughPicture(dc, rect, [&](HDC picture) {
    return PaintSelectOn(picture, rect, select, colour, n);
  });
  return result != PICTURE_ROAD_CLOSED ? result : PaintSelectOn(dc, rect, select, colour, n);
}

int TMapPaint::PaintSelectOn(HDC dc, const RECT& rect, TMapSelect* select, COLORREF colour,
                             int n) {
  TDevicePlace place(this, dc, rect);
  // The palette's entry after the main map's colours shows the colour.
  HPALETTE oldPalette = nullptr;
  PALETTEENTRY oldEntry{};
  UINT entry = 0;
  bool entrySet = false;
  if (Palette != nullptr) {
    const int count = TMap::IsActive() ? Colors.GetCount() : 0;
    if (count >= 0 && count < DOC_COLOR_INDEX) {
      entry = ColorIndex[count];
      const PALETTEENTRY shown{BYTE(colour), BYTE(colour >> 8), BYTE(colour >> 16), 0};
      entrySet = plat::GetPaletteEntries(Palette, entry, 1, &oldEntry) == 1 &&
                 plat::SetPaletteEntries(Palette, entry, 1, &shown) == 1;
    }
    oldPalette = plat::SelectPalette(dc, Palette, FALSE);
    plat::RealizePalette(dc);
  }
  const UINT align = plat::SetTextAlign(dc, TA_BASELINE);
  const int rop = plat::SetROP2(dc, R2_COPYPEN);
  const LONG nodes = NodeImageFlag;
  NodeImageFlag = 0;
  ScaleMethod = ScaleMethodValue;
  const PAINTCOLORSTATE colours = PaintColorState;

  int painted = 0, result = 1;
  const int first = n < 0 ? 0 : n, last = n < 0 ? int(GetSiteCount()) : n;
  {
    // The objects' painters change nothing of dc's drawing state.
    const TDecidedPicturePen pen(dc);
    for (int m = first; m <= last && result > 0; ++m)
      if (PaintSelectOfMap(m, select, colour, &painted) < 0) result = -1;
  }

  PaintColorState = colours;
  NodeImageFlag = nodes;
  plat::SetROP2(dc, rop);
  plat::SetTextAlign(dc, align);
  if (oldPalette != nullptr) plat::SelectPalette(dc, oldPalette, TRUE);
  if (entrySet) plat::SetPaletteEntries(Palette, entry, 1, &oldEntry);
  return result;
}

int TMapPaint::PaintSelectOfMap(int m, TMapSelect* select, COLORREF colour, int* painted) {
  TMap* map = GetMap(m);
  if (map == nullptr || !map->IsActive() || map->Count() < 1) return 1;
  TMapSelect* seek = select != nullptr ? select : GetSeekSelect(m);
  // A select tests the records of its own map: it says nothing of another.
  if (seek == nullptr || (seek->GetMap() != nullptr && seek->GetMap() != map)) return 1;
  TMapSelect* view = nullptr;
  if (TotalSeekViewRule) {
    view = GetViewSelect(m);
    if (view == nullptr || !map->ViewFlag) return 1;
  }
  TakeMapColors(map, &colour, 100);
  const double zoom = MapZoom(map);
  const LONG line[2] = {LONG(colour), SelectThickness};
  TMapList& list = map->List;

  // From the sheet open now downwards, as the map is painted.
  const int count = map->Count();
  int k = list.Number();
  if (k < 1 || k > count) k = count;
  for (int i = 0; i<count; ++i, k = k> 1 ? k - 1 : count) {
    if (!seek->CheckList(k) || (view != nullptr && !view->CheckList(k))) continue;
    const DFRAME picture = PictureInMapUnits(map);
    if (!map->CheckFrame(k, &picture) || !map->OpenList(k)) continue;
    double savedBase;
    PlaceSheet(map, k, &savedBase);
    // A sheet with a sample visits its sampled objects only.
    const bool sampled = seek->CheckSample(k) != 0;
    const int samples = sampled ? seek->GetSamplesCount(k) : 0;
    FVSPR* desc = sampled ? list.ObjectDesc(seek->GetFirstSample(k)) : list.GetFirstHead();
    // The count grows when the walk meets an object another writer appended.
    for (int j = 0; j < (sampled ? samples : list.ObjectCount()); ++j) {
      if (desc != nullptr) {
        FVSPR copy = *desc;
        const int number = list.CurrentObject;
        const int local = FvsprLocal(&copy);
        LONGMETRIC* metric;
        if (CheckObjectVisible(&copy, map) && seek->CheckObjectAndSample(k, number, &copy) &&
            (view == nullptr || view->CheckObjectAndSample(k, number, &copy)) &&
            !(seek->GetLineAreaSwitch() && local > LOCAL_SQUARE) &&
            BuildObjectPoly(map, &copy, &metric)) {
          ClipPolyToGdiRange(PaintDc);
          Poly.Semantic = map->Rsc.GetObjExtsem(copy.Code) && copy.SemnOffset != 0
                              ? list.SemnAddr(copy.SemnOffset)
                              : nullptr;
          if (local <= LOCAL_SQUARE) {
            ForcedColor = colour;
            if (const IMGPAINTER painter = DeviceBlock[kLineCode])
              painter(this, &Poly, reinterpret_cast<const char*>(line), 1.0f);
            ForcedColor = kNoColour;
          } else {
            PaintOwnImage(map, &copy,
                          copy.DrawOffset != 0 ? list.DrawAddr(copy.DrawOffset) : nullptr, colour,
                          zoom, &Poly);
          }
          if (++*painted % kBreakStep == 0 && !GoOn()) {
            UnplaceSheet(map, savedBase);
            return -1;
          }
        }
      }
      if (sampled) {
        const int next = seek->GetNextSample();
        if (next == 0) break;
        desc = list.ObjectDesc(next);
      } else if ((desc = list.NextHead()) == nullptr) {
        break;
      }
    }
    UnplaceSheet(map, savedBase);
  }
  return 1;
}
