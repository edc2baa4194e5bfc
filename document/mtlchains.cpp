// The document's chain of layer matrices.
#include "document/mtlchains.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

#include "common/messages.h"
#include "document/rmfchains.h"
#include "platform/memory.h"
#include "platform/ui.h"
#include "raster/chainlinks.h"

namespace {

// Heights below this are no heights in the finest-matrix search.
constexpr double kLowestHeight = -32760000.0;
constexpr double kBestStart = 1e7;

MTLCHAIN* NewUnit() {
  void* memory = plat::AllocPages(sizeof(MTLCHAIN));
  if (!memory) return nullptr;
  MTLCHAIN* unit = new (memory) MTLCHAIN{};
  unit->Matrix.ClearAll();
  return unit;
}

void FreeUnit(MTLCHAIN* unit) {
  unit->Matrix.Save(0);
  unit->~MTLCHAIN();
  plat::FreePages(unit);
}

bool HasVectorMap(TMapControl* doc) { return doc->TMap::IsActive() && doc->Count() != 0; }

// The checks a new matrix passes against the open map: false when the
// user refuses it.
bool Fits(TMapControl* doc, const TMtl& m) {
  if (!HasVectorMap(doc)) return true;
  const RMF& h = m.Head;
  if (h.ProjectionWord != doc->CoordinateSystem())
    AskMatrix("Map and matrix have different coordinate systems",
              "Карта и матрица имеют разные координатные системы", MB_OK | MB_ICONASTERISK);
  return MatrixMeetsMap(doc, h) ||
         AskMatrix("Matrix is out of region. Continue ?", "Матрица - вне района. Продолжить ?",
                   MB_OKCANCEL | MB_ICONQUESTION) != IDCANCEL;
}

// The document updates after every change of the chain.
void Updates(TMapControl* doc) {
  doc->SetRegion();
  SetMtrColorRanges(doc);
  SetMtlColorRanges(doc);
}

// The unit's largest summary thickness: the layer block's own value when
// the builder stored one, else its height range down to the bottom level.
double SummaryPower(const MTLCHAIN* unit) {
  const MTLLAYERHEAD* l = unit->Matrix.LayerHead();
  return l && l->MaxSummaryPower > 0 ? l->MaxSummaryPower
                                     : unit->MaxHeight - std::min(unit->MinHeight, unit->BottomLevel);
}

// The unit's height range (and the summary thickness that follows it) from
// its file's header, which every written height widens; the document's
// range and the colour ranges over it follow when it grew, so that what is
// read before the file is saved (a 3-D view among it) sees the heights
// written.
void FollowHeightRange(TMapControl* doc, MTLCHAIN* unit) {
  const TMtl& m = unit->Matrix;
  const double low = m.Head.Minimum * m.HeightInverse, high = m.Head.Maximum * m.HeightInverse;
  if (!(low < unit->MinHeight || high > unit->MaxHeight)) return;
  unit->MinHeight = std::min(unit->MinHeight, low);
  unit->MaxHeight = std::max(unit->MaxHeight, high);
  unit->MaxSummaryPower = SummaryPower(unit);
  doc->HeightMin = std::min(doc->HeightMin, unit->MinHeight);
  doc->HeightMax = std::max(doc->HeightMax, unit->MaxHeight);
  doc->LayerValueMax = std::max(doc->LayerValueMax, unit->MaxSummaryPower);
  SetMtrColorRanges(doc);
  SetMtlColorRanges(doc);
}

}  // namespace

MTLCHAININFO* MtlChain(TMapControl* doc) {
  return doc ? &doc->MtlChainHead : nullptr;
}

void InitMtlChain(TMapControl* doc) {
  if (MTLCHAININFO* chain = MtlChain(doc)) {
    chain->Count = 0;
    chain->First = nullptr;
  }
}

MTLCHAIN* GetMtlChain(TMapControl* doc, int n) { return ChainUnitAt(MtlChain(doc), n); }

// ---------------------------------------------------------------------------
// Opening and closing

int OpenMtl(TMapControl* doc, const char* name, int mode) {
  MTLCHAININFO* chain = MtlChain(doc);
  if (!chain || !name) return 0;
  int n = 1;
  for (MTLCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n) {
    if (std::strcmp(unit->Matrix.GetFileName(), name) != 0) continue;
    const LONG view = unit->View, order = unit->ViewOrder;
    InitMtlChainUnit(doc, unit);
    unit->View = view;
    unit->ViewOrder = order;
    return n;
  }
  MTLCHAIN* unit = NewUnit();
  if (!unit) {
    ShowErrorMessage(MAPERR_MEMORY, name);
    return 0;
  }
  if (!unit->Matrix.Open(name, mode)) {
    FreeUnit(unit);
    ShowErrorMessage(MAPERR_OPEN, name);
    return 0;
  }
  if (!Fits(doc, unit->Matrix)) {
    FreeUnit(unit);
    return 0;
  }
  // The header's view and mask bytes give the unit's first settings.
  unit->View = unit->Matrix.Head.CreatorBytes[1] ? unit->Matrix.Head.CreatorBytes[1] : 1;
  unit->MaskType = unit->Matrix.Head.CreatorBytes[0] ? unit->Matrix.Head.CreatorBytes[0] : CHAIN_MASK_TYPE;
  unit->ViewOrder = 0;
  unit->TopScale = CHAIN_TOP_SCALE;
  unit->BottomScale = 1;
  const int number = LinkChainUnitLast(chain, unit);
  InitMtlChainUnit(doc, unit);
  return number;
}

int InitMtlChainUnit(TMapControl* doc, MTLCHAIN* unit) {
  if (!doc || !unit) return 0;
  TMtl& m = unit->Matrix;
  const RMF& h = m.Head;
  if (!m.LayerBlock) {
    m.Error = MAPERR_MEMORY;
    return 0;
  }
  unit->Scale = h.Scale > 1.0 ? h.Scale : 1.0;
  unit->Precision = h.Precision > 1.0 ? h.Precision : 1.0;
  // The element size the file's own point conversions use.
  unit->ElementSize = h.ElementSize > 0.0 ? h.ElementSize : unit->Scale / unit->Precision;
  unit->Frame.X1 = h.LocationX;
  unit->Frame.Y1 = h.LocationY;
  unit->Frame.X2 = h.LocationX + h.Height * unit->ElementSize;
  unit->Frame.Y2 = h.LocationY + h.Width * unit->ElementSize;
  unit->MinHeight = h.Minimum * m.HeightInverse;
  unit->MaxHeight = h.Maximum * m.HeightInverse;
  unit->BottomLevel = m.LayerHead()->BottomLevel;
  unit->LayerCount = m.LayerCount();
  unit->MaxSummaryPower = SummaryPower(unit);
  TakeMatrixScale(doc, unit->Scale);
  m.GetUpdateTime(&m.FileTime);
  Updates(doc);
  return 1;
}

void CloseMtl(TMapControl* doc, int n) {
  MTLCHAININFO* chain = MtlChain(doc);
  if (!chain) return;
  CloseChainUnits(chain, n, FreeUnit);
  Updates(doc);
}

// ---------------------------------------------------------------------------
// View settings

int CheckMtlView(TMapControl* doc, int n) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  return unit ? unit->View : 0;
}

int SetMtlView(TMapControl* doc, int n, int view) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  return unit ? unit->View = view : 0;
}

int GetMtlMaskType(TMapControl* doc, int n) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  return unit ? unit->MaskType : 0;
}

int SetMtlMaskType(TMapControl* doc, int n, int type) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  return unit ? unit->MaskType = type : 0;
}

const char* GetMtlName(TMapControl* doc, int n) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  return unit ? unit->Matrix.GetFileName() : nullptr;
}

int MtlViewOrder(TMapControl* doc, int n, int order) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  if (!unit) return -1;
  if (order >= 0) unit->ViewOrder = order;
  return unit->ViewOrder;
}

int ChangeOrderMtlShow(TMapControl* doc, int from, int to) {
  MTLCHAININFO* chain = MtlChain(doc);
  MTLCHAIN* unit = GetMtlChain(doc, from);
  if (from == to || !unit || !GetMtlChain(doc, to)) return 0;
  UnlinkChainUnit(chain, unit);
  // Position `to` of the chain without the unit; past its end, last.
  InsertChainUnit(chain, unit, to);
  return 1;
}

// ---------------------------------------------------------------------------
// Border

int SetMtlBorderPlane(TMapControl* doc, int n, TDataEdit* border) {
  MTLCHAIN* unit = n ? GetMtlChain(doc, n) : nullptr;
  if (!unit || !border || !border->Record || border->PointCount(0) < 1 ||
      !border->FirstPointSubject(0))
    return 0;
  const double size = unit->ElementSize;
  if (!(size > 0)) return 0;
  TMtl& m = unit->Matrix;
  TDataEdit record;
  record.Init();
  if (!record.Create(METRIC_I32, 0)) return 0;
  bool ok = true;
  const int subjects = int(border->Record->Count) + 1;
  for (int s = 0; ok && s < subjects; ++s) {
    if (!border->FirstPointSubject(s)) {
      ok = false;
      break;
    }
    if (s > 0 && !record.CreateSubject()) {
      ok = false;
      break;
    }
    const int count = border->PointCount(s);
    for (int i = 0; ok && i < count; ++i) {
      const double col = (border->YDouble() - unit->Frame.Y1) / size;
      const double row = m.Head.Height - (border->XDouble() - unit->Frame.X1) / size;
      ok = record.AppendPointSubject(s, col, row) != 0;
      border->NextPoint();
    }
  }
  int result = 0;
  if (ok) {
    result = m.SetBorder(&record);
    m.Save(0);
  }
  record.Free();
  return result;
}

TDataEdit* GetMtlBorderPlane(TMapControl* doc, int n) {
  MTLCHAIN* unit = n ? GetMtlChain(doc, n) : nullptr;
  if (!unit) return nullptr;
  TDataEdit& b = unit->Matrix.Border;
  if (!b.Record || !b.FirstPointSubject(0) || b.PointCount(0) < 1) return nullptr;
  return &b;
}

int ShowMtlByBorder(TMapControl* doc, int n, int show) {
  MTLCHAIN* unit = n ? GetMtlChain(doc, n) : nullptr;
  if (!unit || !GetMtlBorderPlane(doc, n)) return 0;
  unit->Matrix.ShowByBorder(show);
  unit->Matrix.Save(0);
  return 1;
}

int CheckShowMtlByBorder(TMapControl* doc, int n) {
  MTLCHAIN* unit = n ? GetMtlChain(doc, n) : nullptr;
  return unit ? unit->Matrix.ShowByBorder() : -1;
}

// ---------------------------------------------------------------------------
// Heights and thicknesses

double GetElementHeight(TMapControl* doc, double x, double y) {
  MTLCHAININFO* chain = MtlChain(doc);
  if (!chain) return MTL_NO_HEIGHT;
  int n = 1;
  for (MTLCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n) {
    double h;
    if (FrameHolds(unit->Frame, x, y) && unit->Matrix.IsOpen() &&
        unit->Matrix.GetPlaneHeight(h, x, y))
      return h;
  }
  return MTL_NO_HEIGHT;
}

double GetElementHeight(TMapControl* doc, int n, double x, double y) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  double h;
  if (unit && FrameHolds(unit->Frame, x, y) && unit->Matrix.GetPlaneHeight(h, x, y)) return h;
  return MTL_NO_HEIGHT;
}

double GetElementPower(TMapControl* doc, double x, double y, LONG layer) {
  MTLCHAININFO* chain = MtlChain(doc);
  if (!chain) return MTL_NO_POWER;
  int n = 1;
  for (MTLCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n) {
    double p;
    if (FrameHolds(unit->Frame, x, y) && unit->Matrix.IsOpen() &&
        unit->Matrix.GetPlanePower(p, x, y, layer))
      return p;
  }
  return MTL_NO_POWER;
}

double GetElementPower(TMapControl* doc, int n, double x, double y, LONG layer) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  double p;
  if (unit && FrameHolds(unit->Frame, x, y) && unit->Matrix.GetPlanePower(p, x, y, layer))
    return p;
  return MTL_NO_POWER;
}

int GetElementPowersTriangle(TMapControl* doc, int n, double x, double y, double* powers, int count) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  if (!unit || !powers || !FrameHolds(unit->Frame, x, y)) return 0;
  return unit->Matrix.GetPlanePowersTriangle(x, y, powers, count);
}

double GetElementPowerTriangle(TMapControl* doc, int n, double x, double y, int layer) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  double p = MTL_NO_POWER;
  if (!unit || !FrameHolds(unit->Frame, x, y) ||
      !unit->Matrix.GetPlanePowerTriangle(p, x, y, layer))
    return MTL_NO_POWER;
  return p;
}

int PutElementHeight(TMapControl* doc, LONG n, double x, double y, double h) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  if (!unit || !unit->Matrix.PutPlaneHeight(x, y, h)) return 0;
  FollowHeightRange(doc, unit);
  return 1;
}

int PutElementPower(TMapControl* doc, LONG n, double x, double y, double power, LONG layer) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  return unit ? unit->Matrix.PutPlanePower(x, y, power, layer) : 0;
}

double GetPrecisionElementHeight(TMapControl* doc, double x, double y) {
  MTLCHAININFO* chain = MtlChain(doc);
  double best = kBestStart, result = MTL_NO_HEIGHT;
  if (!chain) return result;
  int n = 1;
  for (MTLCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n) {
    double h;
    if (FrameHolds(unit->Frame, x, y) && unit->ElementSize < best && unit->Matrix.IsOpen() &&
        unit->Matrix.GetPlaneHeight(h, x, y) && h >= kLowestHeight) {
      result = h;
      best = unit->ElementSize;
    }
  }
  return result;
}

double GetPrecisionElementPower(TMapControl* doc, double x, double y, LONG layer) {
  MTLCHAININFO* chain = MtlChain(doc);
  double best = kBestStart, result = MTL_NO_POWER;
  if (!chain) return result;
  int n = 1;
  for (MTLCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n) {
    double p;
    if (FrameHolds(unit->Frame, x, y) && unit->ElementSize < best && unit->Matrix.IsOpen() &&
        unit->Matrix.GetPlanePower(p, x, y, layer)) {
      result = p;
      best = unit->ElementSize;
    }
  }
  return result;
}

int HeightsAlongLine(TMapControl* doc, double (*height)(TMapControl*, double, double),
                     double* heights, int count, DOUBLEPOINT* first, DOUBLEPOINT* last) {
  if (!doc || !heights || !first || !last || count < 2) return 0;
  const double dx = (last->X - first->X) / (count - 1), dy = (last->Y - first->Y) / (count - 1);
  heights[0] = height(doc, first->X, first->Y);
  for (int i = 1; i < count - 1; ++i) {
    first->X += dx;
    first->Y += dy;
    heights[i] = height(doc, first->X, first->Y);
  }
  heights[count - 1] = height(doc, last->X, last->Y);
  return 1;
}

int GetHeightArrayFromMtl(TMapControl* doc, double* heights, int count, DOUBLEPOINT* first,
                          DOUBLEPOINT* last) {
  return HeightsAlongLine(doc, GetPrecisionElementHeight, heights, count, first, last);
}

// ---------------------------------------------------------------------------
// Descriptions

int GetMtlDescribe(TMapControl* doc, int n, MTLDESCRIBE* d) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  if (!unit || !d) return 0;
  TMtl& m = unit->Matrix;
  if (!m.LayerBlock) {
    m.Error = MAPERR_MEMORY;
    std::memset(d, 0, sizeof(*d));
  } else {
    m.GetMtlDescribe(d);
  }
  const char* name = m.GetFileName();
  std::memset(d->Name, 0, sizeof(d->Name));
  std::memcpy(d->Name, name, strnlen(name, sizeof(d->Name) - 1));
  d->ElementSize = unit->ElementSize;
  d->FrameX1 = unit->Frame.X1;
  d->FrameY1 = unit->Frame.Y1;
  d->FrameX2 = unit->Frame.X2;
  d->FrameY2 = unit->Frame.Y2;
  d->MinHeight = unit->MinHeight;
  d->MaxHeight = unit->MaxHeight;
  d->BottomLevel = unit->BottomLevel;
  d->View = unit->View;
  return 1;
}

int GetMtlProjectionData(TMapControl* doc, int n, MTRPROJECTIONDATA* data) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  if (!unit || !data) return 0;
  const RMF& h = unit->Matrix.Head;
  data->ProjectionWord = h.ProjectionWord;
  data->ProjectionCode = int32_t(h.ProjectionCode);
  std::memcpy(data->Parameters, h.ProjParams, sizeof(data->Parameters));
  return 1;
}

int GetMtlNumberInPoint(TMapControl* doc, double x, double y, int k) {
  return ChainNumberInPoint(MtlChain(doc), x, y, k);
}

int GetMtlNumberLastVisible(TMapControl* doc) {
  MTLCHAININFO* chain = MtlChain(doc);
  if (!chain) return 0;
  int n = 1, found = 0;
  for (MTLCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n)
    if (unit->View) found = n;
  return found;
}

int GetLayerCountOfMtl(TMapControl* doc, LONG n) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  return unit ? unit->LayerCount : 0;
}

double GetMaxSummaryPowerOfMtl(TMapControl* doc, LONG n) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  return unit ? unit->MaxSummaryPower : MTL_NO_POWER;
}

// ---------------------------------------------------------------------------
// The layer block

MTLLAYER* GetMtlLayer(TMapControl* doc, int n, int layer) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  if (!unit) return nullptr;
  TMtl& m = unit->Matrix;
  if (!m.LayerBlock || !m.LayerItems()) {
    m.Error = MAPERR_MEMORY;
    return nullptr;
  }
  if (layer < 1 || layer > m.LayerCount()) {
    m.Error = MAPERR_DATA;
    return nullptr;
  }
  return m.LayerItems() + (layer - 1);
}

const char* GetMtlLayerShortName(TMapControl* doc, int n, int layer) {
  MTLLAYER* item = GetMtlLayer(doc, n, layer);
  if (!item) return nullptr;
  MTLCHAIN* unit = GetMtlChain(doc, n);
  const int count = unit->Matrix.LayerCount();
  if (unit->ShortNameCount < count) {
    unit->ShortNames.reset(new (std::nothrow) char[size_t(count) * MTL_SHORT_NAME]);
    unit->ShortNameCount = unit->ShortNames ? count : 0;
    if (!unit->ShortNames) {
      unit->Matrix.Error = MAPERR_MEMORY;
      return nullptr;
    }
  }
  char* copy = unit->ShortNames.get() + size_t(layer - 1) * MTL_SHORT_NAME;
  std::memcpy(copy, item->ShortName, sizeof(item->ShortName));
  copy[sizeof(item->ShortName)] = 0;
  return copy;
}

const char* SetMtlLayerShortName(TMapControl* doc, int n, int layer, const char* name) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  if (unit && !name) unit->Matrix.Error = MAPERR_INPUT;
  MTLLAYER* item = name ? GetMtlLayer(doc, n, layer) : nullptr;
  if (!item) return nullptr;
  std::memset(item->ShortName, 0, sizeof(item->ShortName));
  std::memcpy(item->ShortName, name, strnlen(name, sizeof(item->ShortName)));
  unit->Matrix.LayerChanged = 1;
  return GetMtlLayerShortName(doc, n, layer);
}

namespace {

// Sets a value of the layer block through `set`, marks the block changed
// and fills the unit again, so that the chain and the document's summaries
// follow.
template <class Set>
int ChangeLayerHead(TMapControl* doc, int n, Set set) {
  MTLCHAIN* unit = GetMtlChain(doc, n);
  if (!unit) return 0;
  TMtl& m = unit->Matrix;
  if (!m.LayerBlock) {
    m.Error = MAPERR_MEMORY;
    return 0;
  }
  set(*m.LayerHead());
  m.LayerChanged = 1;
  InitMtlChainUnit(doc, unit);
  return 1;
}

}  // namespace

int SetMtlBotLevel(TMapControl* doc, int n, double level) {
  return ChangeLayerHead(doc, n, [level](MTLLAYERHEAD& l) { l.BottomLevel = level; });
}

int SetMtlMaxSummaryPower(TMapControl* doc, int n, double power) {
  return ChangeLayerHead(doc, n, [power](MTLLAYERHEAD& l) { l.MaxSummaryPower = power; });
}

// ---------------------------------------------------------------------------
// The document's region and colours

void SetMtlColorRanges(TMapControl* doc) {
  MTLCHAININFO* chain = MtlChain(doc);
  if (!chain) return;
  const int colors = doc->MtrPalette.GetPaletteCount();
  for (MTLCHAIN* unit = chain->First; unit; unit = unit->Next) {
    const double factor = unit->Matrix.HeightFactor;
    SetUnitColorRange(unit, doc->HeightMin * factor, doc->HeightMax * factor, colors);
  }
}

bool MtlBaseData(TMapControl* doc) {
  MTLCHAIN* unit = GetMtlChain(doc, 1);
  if (!unit) return false;
  TakeUnitBase(doc, unit->Scale, unit->Precision, unit->Frame);
  return true;
}

void MtlUnitsRegion(TMapControl* doc) {
  MTLCHAININFO* chain = MtlChain(doc);
  if (!chain) return;
  doc->LayerValueMin = 1e10;
  doc->LayerValueMax = 0.0;
  doc->LayerCountMax = 0;
  for (MTLCHAIN* unit = chain->First; unit; unit = unit->Next) {
    if (!PlaceUnitElements(doc, unit, unit->Matrix.Head)) continue;
    doc->HeightMin = std::min(doc->HeightMin, unit->MinHeight);
    doc->HeightMax = std::max(doc->HeightMax, unit->MaxHeight);
    doc->LayerValueMin = std::min(doc->LayerValueMin, unit->BottomLevel);
    doc->LayerValueMax = std::max(doc->LayerValueMax, unit->MaxSummaryPower);
    doc->LayerCountMax = std::max(doc->LayerCountMax, unit->LayerCount);
  }
}

int OpenMtlKind(TMapControl* doc, const char* name, int mode) { return OpenMtl(doc, name, mode); }
void CloseMtlKind(TMapControl* doc, int n) { CloseMtl(doc, n); }

// ---------------------------------------------------------------------------
// The document's methods

void TMapControl::InitMtlChain() { ::InitMtlChain(this); }
int TMapControl::OpenMtl(const char* name, int mode) { return ::OpenMtl(this, name, mode); }
void TMapControl::CloseMtl(int n) { ::CloseMtl(this, n); }
MTLCHAIN* TMapControl::GetMtlChain(int n) { return ::GetMtlChain(this, n); }
int TMapControl::InitMtlChainUnit(MTLCHAIN* unit) { return ::InitMtlChainUnit(this, unit); }
int TMapControl::CheckMtlView(int n) { return ::CheckMtlView(this, n); }
int TMapControl::SetMtlView(int n, int view) { return ::SetMtlView(this, n, view); }
int TMapControl::GetMtlMaskType(int n) { return ::GetMtlMaskType(this, n); }
int TMapControl::SetMtlMaskType(int n, int type) { return ::SetMtlMaskType(this, n, type); }
const char* TMapControl::GetMtlName(int n) { return ::GetMtlName(this, n); }
int TMapControl::MtlViewOrder(int n, int order) { return ::MtlViewOrder(this, n, order); }
int TMapControl::ChangeOrderMtlShow(int from, int to) { return ::ChangeOrderMtlShow(this, from, to); }
int TMapControl::SetMtlBorderPlane(int n, TDataEdit* border) {
  return ::SetMtlBorderPlane(this, n, border);
}
TDataEdit* TMapControl::GetMtlBorderPlane(int n) { return ::GetMtlBorderPlane(this, n); }
int TMapControl::ShowMtlByBorder(int n, int show) { return ::ShowMtlByBorder(this, n, show); }
int TMapControl::CheckShowMtlByBorder(int n) { return ::CheckShowMtlByBorder(this, n); }
double TMapControl::GetElementHeight(double x, double y) { return ::GetElementHeight(this, x, y); }
double TMapControl::GetElementHeight(int n, double x, double y) {
  return ::GetElementHeight(this, n, x, y);
}
double TMapControl::GetElementPower(double x, double y, LONG layer) {
  return ::GetElementPower(this, x, y, layer);
}
double TMapControl::GetElementPower(int n, double x, double y, LONG layer) {
  return ::GetElementPower(this, n, x, y, layer);
}
int TMapControl::GetElementPowersTriangle(int n, double x, double y, double* powers, int count) {
  return ::GetElementPowersTriangle(this, n, x, y, powers, count);
}
double TMapControl::GetElementPowerTriangle(int n, double x, double y, int layer) {
  return ::GetElementPowerTriangle(this, n, x, y, layer);
}
int TMapControl::PutElementHeight(LONG n, double x, double y, double h) {
  return ::PutElementHeight(this, n, x, y, h);
}
int TMapControl::PutElementPower(LONG n, double x, double y, double power, LONG layer) {
  return ::PutElementPower(this, n, x, y, power, layer);
}
double TMapControl::GetPrecisionElementHeight(double x, double y) {
  return ::GetPrecisionElementHeight(this, x, y);
}
double TMapControl::GetPrecisionElementPower(double x, double y, LONG layer) {
  return ::GetPrecisionElementPower(this, x, y, layer);
}
int TMapControl::GetHeightArrayFromMtl(double* heights, int count, DOUBLEPOINT* first,
                                       DOUBLEPOINT* last) {
  return ::GetHeightArrayFromMtl(this, heights, count, first, last);
}
int TMapControl::GetMtlDescribe(int n, MTLDESCRIBE* describe) {
  return ::GetMtlDescribe(this, n, describe);
}
int TMapControl::GetMtlProjectionData(int n, MTRPROJECTIONDATA* data) {
  return ::GetMtlProjectionData(this, n, data);
}
int TMapControl::GetMtlNumberInPoint(double x, double y, int k) {
  return ::GetMtlNumberInPoint(this, x, y, k);
}
int TMapControl::GetMtlNumberLastVisible() { return ::GetMtlNumberLastVisible(this); }
int TMapControl::GetLayerCountOfMtl(LONG n) { return ::GetLayerCountOfMtl(this, n); }
double TMapControl::GetMaxSummaryPowerOfMtl(LONG n) { return ::GetMaxSummaryPowerOfMtl(this, n); }
