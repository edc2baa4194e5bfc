// The hit test on the picture: the frame in map units, the maps, sheets
// and candidates in the order of the object search, and the sign test of
// one object in the test window.
#include "search/whatobject.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "classifier/rscformat.h"
#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"
#include "drawing/primtables.h"
#include "drawing/visibility.h"
#include "search/docseek.h"

namespace {

// How far signs may reach out of the document's region, in pixels.
constexpr double kSignReach = 1 << 20;
// The largest side of a test window in pixels.
constexpr int64_t kWindowLimit = int64_t(1) << 28;

// What a hit test changes of the document's drawing state, put back when
// the test ends: painting afterwards shows what it showed before.
class DrawingState {
 public:
  explicit DrawingState(TMapControl* doc)
      : Doc(doc),
        Base(doc->Dis.Base),
        Place(doc->DrawPlace),
        Saved(doc->SavedPlace),
        Sheet(doc->SheetPlace),
        PlaceDis(doc->PlaceDis),
        PlaceMeters(doc->PlaceMeters),
        Row(doc->OriginRow),
        Column(doc->OriginColumn),
        Semantic(doc->Poly.Semantic),
        Width(PaintContext.ImageWidth),
        Height(PaintContext.ImageHeight) {}
  ~DrawingState() {
    RestoreBase();
    Doc->DrawPlace = Place;
    Doc->SavedPlace = Saved;
    Doc->SheetPlace = Sheet;
    Doc->PlaceDis = PlaceDis;
    Doc->PlaceMeters = PlaceMeters;
    Doc->OriginRow = Row;
    Doc->OriginColumn = Column;
    Doc->Poly.Semantic = Semantic;
    PaintContext.ImageWidth = Width;
    PaintContext.ImageHeight = Height;
  }
  DrawingState(const DrawingState&) = delete;
  DrawingState& operator=(const DrawingState&) = delete;

  // The discrete scale as it was: a map kept in plane metres changes it.
  void RestoreBase() {
    if (Doc->Dis.Base == Base) return;
    Doc->Dis.Base = Base;
    Doc->UpdatePlace();
  }

 private:
  TMapControl* Doc;
  double Base;
  FRAME Place, Saved, Sheet;
  DFRAME PlaceDis, PlaceMeters;
  double Row, Column;
  void* Semantic;
  LONG Width, Height;
};

bool Finite(const DFRAME& f) {
  return std::isfinite(f.X1) && std::isfinite(f.Y1) && std::isfinite(f.X2) && std::isfinite(f.Y2);
}

}  // namespace

// ---------------------------------------------------------------------------
// Searches from object handles

bool TObjectHit::ToMapUnits(DFRAME* f, int kind) {
  switch (kind) {
    case SEEKPOINT_MAP:
      break;
    case SEEKPOINT_PICTURE:
      Access->PictureToMap(f->X1, f->Y1);
      Access->PictureToMap(f->X2, f->Y2);
      break;
    case SEEKPOINT_GEO:
      if (!Access->IsGeoSupported() || !Access->GeoToPlane(f->X1, f->Y1) ||
          !Access->GeoToPlane(f->X2, f->Y2))
        return false;
      [[fallthrough]];
    case SEEKPOINT_PLANE:
      Access->PlaneToMap(f->X1, f->Y1);
      Access->PlaneToMap(f->X2, f->Y2);
      break;
    default:
      return false;
  }
  return Finite(*f);
}

TObjectInfo* TObjectHit::WhatObjectFrame(TObjectInfo* info, DFRAME* frame, int flags, int kind,
                                         TMapSelect* select) {
  if (Access == nullptr || info == nullptr || frame == nullptr) return nullptr;
  DFRAME f = *frame;
  if (!ToMapUnits(&f, kind)) return nullptr;
  MAPOBJDESC place = MAPOBJDESC{0, 0, nullptr};
  if (flags & (SEEK_NEXT | SEEK_PREV)) place = TDocumentSeek::PlaceOf(info);
  return TDocumentSeek::Found(info, place, flags, [&](MAPOBJDESC* at, int walk) {
    return WhatObject(at, &f, walk, select) != nullptr;
  });
}

TObjectInfo* TObjectHit::WhatObject(TObjectInfo* info, DFRAME* frame, int flags, int kind) {
  return WhatObjectFrame(info, frame, flags, kind, nullptr);
}

TObjectInfo* TObjectHit::WhatObject(TObjectInfo* info, DFRAME* frame, int flags) {
  return WhatObjectNoSelect(info, frame, SEEKPOINT_MAP, flags);
}

TObjectInfo* TObjectHit::WhatObjectNoSelect(TObjectInfo* info, DFRAME* frame, int kind,
                                            int flags) {
  if (info != nullptr && (flags & (SEEK_NEXT | SEEK_PREV)) && info->ObjectNumber() == 0)
    flags = (flags & SEEK_NEXT) ? SEEK_FIRST : SEEK_LAST;
  return WhatObjectFrame(info, frame, flags, kind, nullptr);
}

// ---------------------------------------------------------------------------
// Maps and sheets

MAPOBJDESC* TObjectHit::WhatObject(MAPOBJDESC* place, DFRAME* frame, int flags,
                                   TMapSelect* select) {
  if (Doc == nullptr || place == nullptr || frame == nullptr) return nullptr;
  if ((flags & SEEK_THISMAP) && select != nullptr && select->Map != place->Map) {
    *place = MAPOBJDESC{0, 0, select->Map};
    flags = SeekFlagsForNextMap(flags);
  }
  // Without a map to go on from, next is first and previous is last.
  if (Maps.GetMapNumber(place->Map) < 0 && (flags & (SEEK_NEXT | SEEK_PREV)))
    flags = SeekFlagsForNextMap(flags);
  int n, step, count;
  TObjectSeek(Maps).MapOrder(place, flags, &n, &step, &count);
  const int users = Maps.UserCount();
  for (int k = 0; k < count && n >= 0 && n <= users; ++k, n += step) {
    const TMap* map = Maps.GetMap(n);
    if (map == nullptr) return nullptr;
    // A map is not painted outside its range of visible scales: nothing
    // of it can be hit there either.
    const bool shown = Maps.MapVisible(n) && map->VisibleBottom <= Doc->ShowScale &&
                       Doc->ShowScale <= map->VisibleTop;
    if (shown && WhatObjectInMap(place, frame, select, n, flags)) return place;
    flags = SeekFlagsForNextMap(flags);
  }
  return nullptr;
}

void TObjectHit::PlaceWindow(const DFRAME& frame) {
  // The frame in picture pixels (the bounding frame in a turned view),
  // one pixel more on every side; window rows run south from its northern
  // edge, columns east from its western one, as the polylines are built.
  DFRAME pix{frame.X1 * Doc->Dis.PixelsPerUnitV, frame.Y1 * Doc->Dis.PixelsPerUnitH,
             frame.X2 * Doc->Dis.PixelsPerUnitV, frame.Y2 * Doc->Dis.PixelsPerUnitH};
  if (Doc->TurnFlag) Doc->Turn(pix, pix);
  // Nothing is drawn far from the document's region: a huge frame at a
  // large zoom is cut to it while it is still a double, so that its extent
  // never overflows the integers of the window and the draw place.
  const FRAME& region = Doc->PictureFrame;
  pix.X1 = std::clamp(pix.X1, region.X1 - kSignReach, region.X2 + kSignReach);
  pix.X2 = std::clamp(pix.X2, region.X1 - kSignReach, region.X2 + kSignReach);
  pix.Y1 = std::clamp(pix.Y1, region.Y1 - kSignReach, region.Y2 + kSignReach);
  pix.Y2 = std::clamp(pix.Y2, region.Y1 - kSignReach, region.Y2 + kSignReach);
  const int64_t north = NearestPixel(pix.X2), south = NearestPixel(pix.X1);
  const int64_t west = NearestPixel(pix.Y1), east = NearestPixel(pix.Y2);
  const int64_t rows = std::clamp<int64_t>(north - south + 3, 3, kWindowLimit);
  const int64_t columns = std::clamp<int64_t>(east - west + 3, 3, kWindowLimit);
  FRAME place;
  place.X2 = SaturatePixel(north + 1);
  place.X1 = SaturatePixel(int64_t(place.X2) - rows + 1);
  place.Y1 = SaturatePixel(west - 1);
  place.Y2 = SaturatePixel(int64_t(place.Y1) + columns - 1);
  Doc->RestoreDrawPlace(&place);
  SetTestWindow(int(columns), int(rows));
}

int TObjectHit::WhatObjectInMap(MAPOBJDESC* place, DFRAME* frame, TMapSelect* select, int n,
                                int flags) {
  TMap* map = Maps.GetMap(n);
  if (Doc == nullptr || place == nullptr || frame == nullptr || map == nullptr ||
      !map->IsActive())
    return 0;
  const bool own = select != nullptr;
  if (own) {
    if (select->Map != map) return 0;
  } else {
    select = Maps.GetViewSelect(n);
    if (select == nullptr) return 0;
  }
  if (map->Lists == nullptr || map->Count() < 1 || !map->InquiryFlag) return 0;
  if (!Finite(*frame)) return 0;
  if (frame->X1 > frame->X2) std::swap(frame->X1, frame->X2);
  if (frame->Y1 > frame->Y2) std::swap(frame->Y1, frame->Y2);

  DrawingState state(Doc);
  PlaceWindow(*frame);
  const bool plane = map->IsRealPlace() != 0;
  DFRAME working = *frame;
  if (plane) {
    const double k = Doc->MeterPerDis;
    working = DFRAME{frame->X1 * k + Doc->PlaneX0, frame->Y1 * k + Doc->PlaneY0,
                     frame->X2 * k + Doc->PlaneX0, frame->Y2 * k + Doc->PlaneY0};
  }

  const int sheets = map->Count();
  const SHEETWALK order = SheetWalk(place, map, sheets, flags);
  const int step = order.Step, start = order.Start;
  for (int k = 0, s = start; k < sheets && s >= 1 && s <= sheets; ++k, s += step) {
    state.RestoreBase();
    if (!select->CheckList(s) || !map->CheckFrame(s, &working) || !map->OpenList(s)) continue;
    if (plane) {
      Doc->SetSitePosition(&working);
    } else {
      const DOUBLEPOINT* origin = map->ViewPosition(s);
      if (origin == nullptr) continue;
      Doc->SetListPosition(origin, frame);
    }
    // Only the place's own sheet goes on from its object; a sheet passed
    // over, and every later one, is walked from its beginning (end).
    const bool here = order.Positional && s == start;
    const int walk = here ? order.Direction : (step > 0 ? SEEK_FIRST : SEEK_LAST);
    const int found = WhatObjectInSheet(map, here ? int(place->Object) : 0, select, own, walk);
    if (found > 0) {
      *place = MAPOBJDESC{s, found, map};
      return 1;
    }
  }
  return 0;
}

int TObjectHit::WhatObjectInSheet(TMap* map, int from, TMapSelect* select, bool own, int walk) {
  TMapList& list = map->List;
  const int step = walk == SEEK_NEXT || walk == SEEK_FIRST ? 1 : -1;
  const bool onward = walk == SEEK_NEXT || walk == SEEK_PREV;
  const FRAME place = Doc->SheetPlace;
  // A large sheet names the objects whose frames may meet the place, in
  // the order of the walk, from the index of its frames.
  TSheetFrameIndex::ANSWER candidates;
  if (list.FrameIndex.Meeting(list, place, onward ? from : 0, step, &candidates)) {
    if (onward && list.ObjectDesc(from) == nullptr) return 0;
    for (int32_t i = 0; i < candidates.Count; ++i) {
      const LONG n = candidates.At(i);
      const FVSPR* d = list.ObjectDesc(n);
      // A descriptor the walk could not read ends it.
      if (d == nullptr) return 0;
      if (IsObjectInFrame(d, &place) && Accept(d, map, select, own)) return n;
    }
    return 0;
  }
  const FVSPR* d;
  if (onward) {
    // The walk goes on from the place's object, never returning it.
    if (list.ObjectDesc(from) == nullptr) return 0;
    d = step > 0 ? list.NextHead() : list.PrevHead();
  } else {
    d = step > 0 ? list.GetFirstHead() : list.GetLastHead();
  }
  // The count grows when the walk meets an object another writer appended.
  for (int i = 0; d != nullptr && i < list.Count(); ++i) {
    // Most objects lie outside the frame: they cost one look at their
    // descriptor in the sheet's cache.
    if (IsObjectInFrame(d, &place)) {
      const int o = list.CurrentObject;
      if (Accept(d, map, select, own)) return o;
      // The tests read records through other caches: the object is made
      // the sheet's current one again.
      if (list.CurrentObject != o && list.ObjectDesc(o) == nullptr) break;
    }
    d = step > 0 ? list.NextHead() : list.PrevHead();
  }
  return 0;
}

int TObjectHit::Accept(const FVSPR* desc, TMap* map, TMapSelect* select, bool own) {
  FVSPR copy = *desc;
  if (own ? !IsObjectInFrame(&copy, &Doc->SheetPlace) : !Doc->CheckObjectVisible(&copy, map))
    return 0;
  if (!select->CheckObject(TObjectDesc(&copy))) return 0;
  return TestObjectImage(&copy, map);
}

// ---------------------------------------------------------------------------
// One object

int TObjectHit::IsObjectInFrame(const FVSPR* desc, const FRAME* frame) {
  if (desc == nullptr || frame == nullptr) return 0;
  // Without branches: the walk asks it of every object, and the answers
  // of the four sides follow no pattern a processor could learn.
  return int(!FvsprIsDeleted(desc) & (frame->X2 >= desc->X1) & (frame->Y2 >= desc->Y1) &
             (frame->X1 <= desc->X2) & (frame->Y1 <= desc->Y2));
}

float TObjectHit::SignScale(const FVSPR* desc, TMap* map) const {
  if (Doc == nullptr || desc == nullptr || map == nullptr) return 1.0f;
  double zoom = Doc->DrawScale;
  if (Doc->BaseScale > 0) zoom = double(map->Scale()) * Doc->DrawScale / Doc->BaseScale;
  const int scalable =
      desc->Code != 0 ? map->Rsc.GetObjScale(desc->Code) != 0 : (desc->Flags & FVSPR_SCALE) != 0;
  return TMapControl::SignZoom(float(zoom), scalable, ScaleMethodValue);
}

int TObjectHit::TestElement(int code, const char* parm, int length, float scale) {
  const IMGELEMENTREF element{code, parm, length};
  // A record too short for its primitive is not read: the object's line
  // stands for it.
  if (code < 0 || code >= PRIM_COUNT || !ImageElementFits(element))
    return TestDefaultImage(Doc, &Doc->Poly, nullptr, scale);
  return VisibilityTestTable[size_t(code)](Doc, &Doc->Poly, parm, scale);
}

int TObjectHit::TestObjectImage(const FVSPR* desc, TMap* map) {
  if (Doc == nullptr || desc == nullptr || map == nullptr) return 0;
  const int local = FvsprLocal(desc);
  if (desc->DataOffset == 0)
    return local == LOCAL_POINT && IsObjectInFrame(desc, &Doc->SheetPlace) ? 1 : 0;
  LONGMETRIC* metric = map->List.DataAddr(desc->DataOffset);
  if (metric == nullptr) return 0;
  FVSPR copy = *desc;
  if (Doc->BuildMetric(TObjectDesc(&copy), metric) <= 0) return 0;
  const float scale = SignScale(desc, map);
  POLYDATA* data = &Doc->Poly;
  if (local == LOCAL_SQUARE) return TestImageByMask(Doc, data, nullptr, scale);

  const int code = desc->Code;
  if (code != 0) {
    data->Semantic = map->Rsc.GetObjExtsem(code) && desc->SemnOffset != 0
                         ? map->List.SemnAddr(desc->SemnOffset)
                         : nullptr;
    const VIEPAR* par = nullptr;
    if (Doc->VisualType <= 2) {
      par = map->Rsc.GetTabPar(code);
    } else {
      par = map->Rsc.GetTabPrn(code);
      if (par == nullptr) par = map->Rsc.GetTabPar(code);
    }
    if (par != nullptr && par->Number == code && par->Function < 255)
      return TestElement(par->Function, reinterpret_cast<const char*>(par) + RSC_PAR_HEAD,
                         int(par->Length) - RSC_PAR_HEAD, scale);
  } else if (local == LOCAL_TITLE && desc->DrawOffset != 0) {
    // A title without a kind is drawn by its own graphics: the first
    // element decides.
    const IMGDRAW* draw = map->List.DrawAddr(desc->DrawOffset);
    if (draw != nullptr) {
      TImageWalk walk(draw, LONG(draw->Length));
      if (walk.Count() >= 1) {
        IMGELEMENTREF element;
        if (!walk.Next(&element)) return 0;
        if (element.Code >= 1 && element.Code <= 254)
          return TestElement(element.Code, element.Parm, element.ParmLength, scale);
      }
    }
  }
  return TestDefaultImage(Doc, data, nullptr, scale);
}

// ---------------------------------------------------------------------------
// The document's entries

TObjectInfo* TMapAccess::WhatObjectFrame(TObjectInfo* info, DFRAME* frame, int flags, int kind,
                                         TMapSelect* select) {
  return TObjectHit(this).WhatObjectFrame(info, frame, flags, kind, select);
}

TObjectInfo* TMapAccess::WhatObject(TObjectInfo* info, DFRAME* frame, int flags, int kind) {
  return TObjectHit(this).WhatObject(info, frame, flags, kind);
}

TObjectInfo* TMapAccess::WhatObject(TObjectInfo* info, DFRAME* frame, int flags) {
  return TObjectHit(this).WhatObject(info, frame, flags);
}

TObjectInfo* TMapAccess::WhatObjectNoSelect(TObjectInfo* info, DFRAME* frame, int kind,
                                            int flags) {
  return TObjectHit(this).WhatObjectNoSelect(info, frame, kind, flags);
}

MAPOBJDESC* TMapControl::WhatObject(MAPOBJDESC* place, DFRAME* frame, int flags,
                                    TMapSelect* select) {
  return TObjectHit(this).WhatObject(place, frame, flags, select);
}

int TMapControl::WhatObjectInMap(MAPOBJDESC* place, DFRAME* frame, TMapSelect* select, int n,
                                 int flags) {
  return TObjectHit(this).WhatObjectInMap(place, frame, select, n, flags);
}

int TMapControl::TestObjectImage(const FVSPR* desc, TMap* map) {
  return TObjectHit(this).TestObjectImage(desc, map);
}

int TMapControl::IsObjectInFrame(const FVSPR* desc, const FRAME* frame) {
  return TObjectHit::IsObjectInFrame(desc, frame);
}
