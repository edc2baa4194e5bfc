// The painting of a document: the order of its layers, the walk over the
// sheets of the main map and the objects of a sheet, one object's kind
// image and own graphics, the paint step and the painter tables of the
// visual types.
#include <algorithm>

#include "classifier/rscformat.h"
#include "devices/devdraw.h"
#include "document/mapcontrol.h"
#include "drawing/paintcontext.h"

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
  const int count = std::min(map->Colors.GetCount(), 256);
  PaintColorState = PAINTCOLORSTATE{map->Colors.GetBright(), map->Colors.GetContrast()};
  SetPaintPalette(count, map->Colors.Colors(), VisualType < 3 ? 100 : FillIntensity);
  SetDibPalette(map->Colors.Colors(), count);
}

int TMapControl::ShowMap() {
  if (!TMap::IsActive()) return 0;
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

int TMapControl::ShowList(int n) {
  DFRAME picture = PlaceDis;
  if (TurnFlag) Inverse(picture, picture);
  if (!CheckFrame(n, &picture)) return 0;
  if (!ViewSelect.CheckList(n) || !OpenList(n)) return 0;
  double savedBase;
  PlaceSheet(this, n, &savedBase);
  if (VisualType >= 3) {
    // Signs of objects just outside the place reach into it on a device.
    const LONG d = Factor > 0.0 ? LONG(Scale() * 0.01 / Factor) : 0;
    SheetPlace.X1 -= 2 * d;
    SheetPlace.Y1 -= 2 * d;
    SheetPlace.X2 += d;
    SheetPlace.Y2 += d;
  }
  const float zoom = float(DrawScale);
  const int count = List.ObjectCount();
  int result = 1;
  FVSPR* desc = List.GetFirstHead();
  for (int i = 0; i < count && desc != nullptr; ++i) {
    const FVSPR copy = *desc;
    if (CheckObjectVisible(&copy, this) && ViewSelect.CheckObjectAndSample(&copy) &&
        ShowObject(&copy, zoom) == -1) {
      result = -1;
      break;
    }
    desc = List.NextHead();
  }
  UnplaceSheet(this, savedBase);
  return result;
}

int TMapControl::CheckObjectVisible(const FVSPR* desc, TMap* map) const {
  if (desc == nullptr || FvsprIsDeleted(desc)) return 0;
  if (desc->X1 > SheetPlace.X2 || desc->Y1 > SheetPlace.Y2 || desc->X2 < SheetPlace.X1 ||
      desc->Y2 < SheetPlace.Y1)
    return 0;
  const int i = ScaleIndex;
  if (desc->Flags & FVSPR_BOTTOP) {
    const int bottom = desc->Scales & 0x0F, top = 15 - (desc->Scales >> 4);
    return bottom <= i && i <= top ? 1 : 0;
  }
  return map->Rsc.GetObjBot(desc->Code) <= i && i <= map->Rsc.GetObjTop(desc->Code) ? 1 : 0;
}

int TMapControl::ShowObject(const FVSPR* source, float zoom) {
  FVSPR desc = *source;
  LONGMETRIC* metric = nullptr;
  if (desc.DataOffset != 0) {
    metric = List.DataAddr(desc.DataOffset);
    if (metric == nullptr) return 0;
  } else if (FvsprLocal(&desc) != LOCAL_POINT) {
    return 0;
  }
  if (BuildMetric(TObjectDesc(&desc), metric) <= 0) return 0;
  if (VisualType >= 3) ClipPolyToGdiRange(PaintDc);
  Poly.Semantic = Rsc.GetObjExtsem(desc.Code) && desc.SemnOffset != 0
                      ? List.SemnAddr(desc.SemnOffset)
                      : nullptr;
  if (!PaintObjectImage(desc.Code, this, zoom, &Poly)) return -1;
  if (!PaintObjectGraphics(&desc, this, zoom, &Poly)) return -1;
  if (NodeImageFlag) {
    if (metric != nullptr && (metric->Flags & kNodeConversionFlags)) {
      NodeBuildFlag = 1;
      const int built = BuildMetric(TObjectDesc(&desc), metric);
      NodeBuildFlag = 0;
      if (built <= 0) return 0;
    }
    ViewNode();
  }
  return 1;
}

int TMapControl::PaintObjectImage(int key, TMap* map, float zoom, POLYDATA* data) {
  if (key == 0) return 1;
  const VIEPAR* par = nullptr;
  if (VisualType < 3) {
    par = map->Rsc.GetTabPar(key);
  } else {
    par = map->Rsc.GetTabPrn(key);
    if (par == nullptr) par = map->Rsc.GetTabPar(key);
  }
  if (par == nullptr || par->Number != key || par->Function > 254) return 1;
  const IMGELEMENTREF element{par->Function, reinterpret_cast<const char*>(par) + RSC_PAR_HEAD,
                              int(par->Length) - RSC_PAR_HEAD};
  if (!ImageElementFits(element)) return 1;
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

int TMapControl::PaintOneObject(TObjectInfo* object) {
  if (object == nullptr || object->Desc == nullptr) return 0;
  TMap* map = object->GetMap() != nullptr ? object->GetMap() : this;
  double zoom = DrawScale;
  if (object->GetMap() != nullptr && BaseScale > 0) zoom = DrawScale * map->Scale() / BaseScale;
  const int sheet = object->ListNumber();
  if (!map->OpenList(sheet)) return 0;
  ScaleMethod = ScaleMethodValue;
  double savedBase;
  PlaceSheet(map, sheet, &savedBase);
  LONGMETRIC* metric = object->Metric.PointCount() > 0 ? object->Metric.Record : nullptr;
  FVSPR desc = *object->Desc;
  int result = 0;
  if (BuildMetric(TObjectDesc(&desc), metric) > 0) {
    result = 1;
    Poly.Semantic = object->Semn.Record();
    if (VisualType >= 3) ClipPolyToGdiRange(PaintDc);
    TakeMapColors(map);
    if (PaintObjectImage(desc.Code, map, float(zoom), &Poly))
      PaintGraphicsRecord(object->Draw.Record(), desc.Flags & FVSPR_SCALE, float(zoom), &Poly);
  }
  UnplaceSheet(map, savedBase);
  return result;
}
