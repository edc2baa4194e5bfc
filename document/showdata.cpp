// The painting of a document: the order of its layers, the walk over the
// sheets of the main map and the objects of a sheet, one object's kind
// image and own graphics, the paint step and the painter tables of the
// visual types.
#include <algorithm>
#include <vector>

#include "classifier/rscformat.h"
#include "devices/devdraw.h"
#include "document/mapcontrol.h"
#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"
#include "platform/numeric.h"

namespace {

// Device block and vector-only flag of visual types 1..11; any other type
// takes device block 1 with the vector-only flag.
struct VISUALROW {
  int DibBlock;  // -1: unchanged
  int DeviceBlock;
  int VectorOnly;
};
const VISUALROW kVisualRows[12] = {
    {-1, 1, 1},  // any other type
    {DIB_FULLCOLOUR, 0, 0},
    {DIB_ONECOLOUR, 1, 0},  // 1, 2: the memory image
    {-1, 0, 1},
    {-1, 1, 1},
    {-1, 2, 1},  // 3..5
    {-1, 0, 0},
    {-1, 1, 0},
    {-1, 2, 0},  // 6..8
    {-1, 3, 0},
    {-1, 4, 0},
    {-1, 5, 0},  // 9..11
};

// Layers under and over the map, in painting order.
const int kLayerOrder[] = {DOCKIND_MTR, DOCKIND_MTL, DOCKIND_RST, DOCKIND_MTQ};

// A metric whose nodes need a conversion of their own (bits 1 and 2 of its
// flag byte).
constexpr WORD kNodeConversionFlags = 0x06;

}  // namespace

int TMapControl::SetVisualType(int type) {
  const int old = VisualType;
  VisualType = type;
  const VISUALROW& row = kVisualRows[type >= 1 && type <= 11 ? type : 0];
  if (row.DibBlock >= 0) DibBlock = DibPainterTable[row.DibBlock].data();
  SetDeviceBlock(row.DeviceBlock);
  VectorOnly = row.VectorOnly;
  return old;
}

int TMapControl::GoOn() const {
  return BreakCall == nullptr || BreakCall(BreakParameter) == 0 ? 1 : 0;
}

int TMapControl::PaintStep() {
  const LONG before = PaintStepCounter++;
  if (before < PaintContext.PaintStep) return 1;
  PaintStepCounter = 0;
  if (VisualType < 3) CopyPaintDibToDc(nullptr, 0, 0);
  return GoOn();
}

float TMapControl::SignZoom(double zoom, int scalable, int method) {
  if (!(zoom > 1.0) || method != 0) return float(zoom);
  if (!scalable) return 1.0f;
  return float(std::min(1.0 + (zoom - 1.0) * 0.5, double(SIGN_ZOOM_LIMIT)));
}

// ---------------------------------------------------------------------------
// Layers

int TMapControl::ShowLayers(int over) {
  for (int kind : kLayerOrder) {
    if (!GoOn()) return -1;
    if (DocumentKinds[kind].Show != nullptr && DocumentKinds[kind].Show(this, over) < 0) return -1;
  }
  return 1;
}

int TMapControl::ShowData() {
  SetDrawingCallbacks(nullptr);
  ScaleMethod = ScaleMethodValue;
  const bool layers = !TurnFlag && VisualType < 3;
  if (layers && ShowLayers(0) < 0) return -1;
  const DOCUMENTKIND& sites = DocumentKinds[DOCKIND_SITE];
  if (!GoOn()) return -1;
  if (sites.Show != nullptr && sites.Show(this, 0) < 0) return -1;
  if (!GoOn()) return -1;
  if (TMap::IsActive() && ViewFlag && VisibleBottom <= ShowScale && ShowScale <= VisibleTop &&
      ShowMap() == -1)
    return -1;
  if (!GoOn()) return -1;
  if (sites.Show != nullptr && sites.Show(this, 1) < 0) return -1;
  if (layers && ShowLayers(1) < 0) return -1;
  return 1;
}

// ---------------------------------------------------------------------------
// The main map, its sheets and objects

void TMapControl::TakeMapColors(TMap* map) {
  TakeMapColors(map, nullptr, VisualType < 3 ? 100 : FillIntensity);
}

void TMapControl::TakeMapColors(TMap* map, const COLORREF* extra, int intensity) {
  COLORREF table[PAINT_COLOR_COUNT];
  const COLORREF* colours = map->Colors.Colors();
  int count = std::clamp(map->Colors.GetCount(), 0, int(PAINT_COLOR_COUNT));
  if (extra != nullptr) {
    count = colours != nullptr ? std::min(count, int(PAINT_COLOR_COUNT) - 1) : 0;
    std::copy(colours, colours + count, table);
    table[count++] = *extra;
    colours = table;
  }
  PaintColorState = PAINTCOLORSTATE{map->Colors.GetBright(), map->Colors.GetContrast()};
  SetPaintPalette(count, colours, intensity);
  SetDibPalette(colours, count);
}

int TMapControl::ShowMap() {
  if (!TMap::IsActive()) return 0;
  // A map kept in plane metres is painted as a whole, as a user map is.
  if (IsRealPlace()) return ShowMapBySelect(this, &MainViewSelect);
  const int count = Count();
  if (count < 1) return 0;
  TakeMapColors(this);
  // From the sheet open now downwards, so that the first needs no switch.
  int n = List.Number();
  if (n < 1 || n > count) n = count;
  for (int i = 0; i < count; ++i) {
    if (ShowList(n) == -1) return -1;
    n = n > 1 ? n - 1 : count;
  }
  return 1;
}

void TMapControl::PlaceSheet(TMap* map, int n, double* savedBase) {
  *savedBase = Dis.Base;
  if (map->IsRealPlace())
    SetSitePosition();
  else
    SetListPosition(map->ViewPosition(n));
}

void TMapControl::UnplaceSheet(TMap* map, double savedBase) {
  if (!map->IsRealPlace()) return;
  Dis.Base = savedBase;
  UpdatePlace();
}

DFRAME TMapControl::PictureInMapUnits(const TMap* map) const {
  DFRAME place = PlaceDis;
  if (TurnFlag) Inverse(place, place);
  if (map == this) return place;
  // Through plane metres: a map kept in them has factor 1 and origin 0.
  const double f = map->Factor > 0.0 ? map->Factor : 1.0;
  return DFRAME{(place.X1 * MeterPerDis + PlaneX0 - map->X0) / f,
                (place.Y1 * MeterPerDis + PlaneY0 - map->Y0) / f,
                (place.X2 * MeterPerDis + PlaneX0 - map->X0) / f,
                (place.Y2 * MeterPerDis + PlaneY0 - map->Y0) / f};
}

int TMapControl::ShowList(int n) {
  const DFRAME picture = PictureInMapUnits(this);
  if (!CheckFrame(n, &picture)) return 0;
  if (!MainViewSelect.CheckList(n) || !OpenList(n)) return 0;
  double savedBase;
  PlaceSheet(this, n, &savedBase);
  WidenSheetPlace(this);
  const int result = ShowSheetObjects(this, &MainViewSelect, float(DrawScale));
  UnplaceSheet(this, savedBase);
  return result;
}

void TMapControl::WidenSheetPlace(TMap* map) {
  if (VisualType < 3) return;
  // The place of a sheet whose register corner is huge already lies at the
  // bounds of 32 bits: it widens no further than they are.
  const int64_t d =
      map->Factor > 0.0 ? plat::TruncateTo<LONG>(map->Scale() * 0.01 / map->Factor) : 0;
  SheetPlace.X1 = SaturatePixel(SheetPlace.X1 - 2 * d);
  SheetPlace.Y1 = SaturatePixel(SheetPlace.Y1 - 2 * d);
  SheetPlace.X2 = SaturatePixel(SheetPlace.X2 + d);
  SheetPlace.Y2 = SaturatePixel(SheetPlace.Y2 + d);
}

int TMapControl::ShowSheetObjects(TMap* map, TMapSelect* select, float zoom) {
  TMapList& list = map->List;
  // A window small against a large sheet: the index of the sheet's frames
  // names the objects that may lie in it, in the order of the walk. They
  // are taken apart from the index: the host's break callback, asked as
  // they are drawn, may ask the sheet other questions.
  TSheetFrameIndex::ANSWER answer;
  if (list.FrameIndex.Meeting(list, SheetPlace, 0, 1, &answer)) {
    std::vector<LONG> candidates(size_t(answer.Count));
    for (int32_t i = 0; i < answer.Count; ++i) candidates[size_t(i)] = answer.At(i);
    for (const LONG n : candidates) {
      const FVSPR* desc = list.ObjectDesc(n);
      // The walk ends at a descriptor it cannot read.
      if (desc == nullptr) break;
      const FVSPR copy = *desc;
      if (CheckObjectVisible(&copy, map) && select->CheckObjectAndSample(&copy) &&
          ShowObject(map, &copy, zoom) == -1)
        return -1;
    }
    return 1;
  }
  // The count grows when the walk meets an object another writer appended.
  FVSPR* desc = list.GetFirstHead();
  for (int i = 0; i < list.ObjectCount() && desc != nullptr; ++i) {
    const FVSPR copy = *desc;
    if (CheckObjectVisible(&copy, map) && select->CheckObjectAndSample(&copy) &&
        ShowObject(map, &copy, zoom) == -1)
      return -1;
    desc = list.NextHead();
  }
  return 1;
}

int TMapControl::CheckObjectVisible(const FVSPR* desc, TMap* map) const {
  if (desc == nullptr || FvsprIsDeleted(desc)) return 0;
  if (desc->X1 > SheetPlace.X2 || desc->Y1 > SheetPlace.Y2 || desc->X2 < SheetPlace.X1 ||
      desc->Y2 < SheetPlace.Y1)
    return 0;
  const int i = map->ScaleIndex;
  if (desc->Flags & FVSPR_BOTTOP) {
    const int bottom = desc->Scales & 0x0F, top = 15 - (desc->Scales >> 4);
    return bottom <= i && i <= top ? 1 : 0;
  }
  return map->Rsc.GetObjBot(desc->Code) <= i && i <= map->Rsc.GetObjTop(desc->Code) ? 1 : 0;
}

int TMapControl::BuildObjectPoly(TMap* map, FVSPR* desc, LONGMETRIC** metric) {
  *metric = nullptr;
  if (desc->DataOffset != 0) {
    *metric = map->List.DataAddr(desc->DataOffset);
    if (*metric == nullptr) return 0;
  } else if (FvsprLocal(desc) != LOCAL_POINT) {
    return 0;
  }
  return BuildMetric(TObjectDesc(desc), *metric) > 0 ? 1 : 0;
}

int TMapControl::ShowObject(TMap* map, const FVSPR* source, float zoom) {
  FVSPR desc = *source;
  LONGMETRIC* metric = nullptr;
  if (!BuildObjectPoly(map, &desc, &metric)) return 0;
  if (VisualType >= 3) ClipPolyToGdiRange(PaintDc);
  Poly.Semantic = map->Rsc.GetObjExtsem(desc.Code) && desc.SemnOffset != 0
                      ? map->List.SemnAddr(desc.SemnOffset)
                      : nullptr;
  if (!PaintObjectImage(desc.Code, map, zoom, &Poly)) return -1;
  if (!PaintObjectGraphics(&desc, map, zoom, &Poly)) return -1;
  if (NodeImageFlag) {
    if (metric != nullptr && (metric->Flags & kNodeConversionFlags)) {
      NodeBuildFlag = 1;
      const int built = BuildMetric(TObjectDesc(&desc), metric);
      NodeBuildFlag = 0;
      if (built <= 0) return 0;
    }
    ViewNode(&Poly);
  }
  return 1;
}

int TMapControl::KindImage(TMap* map, int key, int either, IMGELEMENTREF* element) const {
  if (key == 0) return 0;
  const VIEPAR* par = nullptr;
  if (VisualType < 3) {
    par = map->Rsc.GetTabPar(key);
    if (par == nullptr && either) par = map->Rsc.GetTabPrn(key);
  } else {
    par = map->Rsc.GetTabPrn(key);
    if (par == nullptr) par = map->Rsc.GetTabPar(key);
  }
  if (par == nullptr || par->Number != key || par->Function > 254) return 0;
  *element = IMGELEMENTREF{par->Function, reinterpret_cast<const char*>(par) + RSC_PAR_HEAD,
                           int(par->Length) - RSC_PAR_HEAD};
  return ImageElementFits(*element);
}

int TMapControl::PaintObjectImage(int key, TMap* map, float zoom, POLYDATA* data) {
  IMGELEMENTREF element;
  if (!KindImage(map, key, 0, &element)) return 1;
  const IMGPAINTER painter = RoadBlock()[element.Code];
  if (painter != nullptr)
    painter(this, data, element.Parm, SignZoom(zoom, map->Rsc.GetObjScale(key), ScaleMethod));
  return PaintStep();
}

int TMapControl::PaintObjectGraphics(const FVSPR* desc, TMap* map, float zoom, POLYDATA* data) {
  if (desc->DrawOffset == 0) return 1;
  const IMGDRAW* draw = map->List.DrawAddr(desc->DrawOffset);
  if (draw == nullptr) return 1;
  return PaintGraphicsRecord(draw, desc->Flags & FVSPR_SCALE, zoom, data);
}

int TMapControl::PaintGraphicsRecord(const IMGDRAW* draw, int scalable, float zoom,
                                     POLYDATA* data) {
  if (draw == nullptr) return 1;
  const float scale = SignZoom(zoom, scalable, ScaleMethod);
  const IMGPAINTER* block = RoadBlock();
  TImageWalk walk(draw, LONG(draw->Length));
  IMGELEMENTREF element;
  for (int i = 0; i < walk.Count() && walk.Next(&element); ++i) {
    if (element.Code < 1 || element.Code > 254 || !ImageElementFits(element)) continue;
    if (block[element.Code] != nullptr) block[element.Code](this, data, element.Parm, scale);
    if (!PaintStep()) return 0;
  }
  return 1;
}

double TMapControl::MapZoom(const TMap* map) const {
  if (map == this || BaseScale < 1) return DrawScale;
  return DrawScale * map->Scale() / double(BaseScale);
}

TMap* TMapControl::PlaceObject(TObjectInfo* object, double* savedBase) {
  TMap* map = object->GetMap() != nullptr ? object->GetMap() : this;
  const int sheet = object->ListNumber();
  if (!map->OpenList(sheet)) return nullptr;
  PlaceSheet(map, sheet, savedBase);
  FVSPR desc = *object->Desc;
  LONGMETRIC* metric = object->Metric.PointCount() > 0 ? object->Metric.Record : nullptr;
  if (BuildMetric(TObjectDesc(&desc), metric) > 0) {
    Poly.Semantic = object->Semn.Record();
    return map;
  }
  UnplaceSheet(map, *savedBase);
  return nullptr;
}

int TMapControl::PaintOneObject(TObjectInfo* object) {
  if (object == nullptr || object->Desc == nullptr) return 0;
  ScaleMethod = ScaleMethodValue;
  double savedBase;
  TMap* map = PlaceObject(object, &savedBase);
  if (map == nullptr) return 0;
  const float zoom = float(MapZoom(map));
  const FVSPR desc = *object->Desc;
  if (VisualType >= 3) ClipPolyToGdiRange(PaintDc);
  TakeMapColors(map);
  if (PaintObjectImage(desc.Code, map, zoom, &Poly))
    PaintGraphicsRecord(object->Draw.Record(), desc.Flags & FVSPR_SCALE, zoom, &Poly);
  UnplaceSheet(map, savedBase);
  return 1;
}
