// TMapControl: the data of a document, its region and view scale, and the
// slots of the kinds of data it opens.
#include "document/mapcontrol.h"

#include <algorithm>
#include <iterator>

#include "common/messages.h"
#include "document/mapproject.h"
#include "document/mtlchains.h"
#include "document/rmfchains.h"
#include "document/rmfdisplay.h"
#include "document/sitechain.h"
#include "drawing/paintcontext.h"
#include "platform/numeric.h"

LONG PaintStepCounter = 0;
LONG ScaleMethodValue = 0;

namespace {

void CloseNothing(TMapControl*, int) {}
int ShowNothing(TMapControl*, int) { return 1; }

const DOCUMENTKIND kDefaultKinds[DOCKIND_COUNT] = {
    {OpenRstKind, CloseRstKind, ShowRstKind, nullptr, "rasters", ShowRstUnit, nullptr},
    {OpenMtrKind, CloseMtrKind, ShowMtrKind, nullptr, "elevation matrices", ShowMtrUnit, nullptr},
    {OpenMtqKind, CloseMtqKind, ShowMtqKind, nullptr, "quality matrices", ShowMtqUnit, nullptr},
    {OpenMtlKind, CloseMtlKind, ShowMtlKind, nullptr, "layer matrices", ShowMtlUnit, nullptr},
    {OpenSiteKind, CloseSiteKind, ShowSiteKind, nullptr, "user maps", ShowSiteUnit, nullptr},
    {OpenProjectKind, CloseNothing, ShowNothing, SaveProjectKind, "project files", nullptr, nullptr},
};

// Scale indexes: the thresholds of the two rows of scale tables.
const LONG kScaleRows[2][15] = {
    {750, 1500, 3500, 7500, 22500, 37500, 75000, 150000, 350000, 750000, 1500000, 3000000, 6000000,
     14000000, 26000000},
    {6, 15, 35, 50, 145, 300, 750, 1500, 3500, 7500, 15000, 37500, 75000, 150000, 350000},
};

// The round scales, ascending.
const LONG kRoundScales[ROUND_SCALE_COUNT] = {
    1,       2,       5,        10,       25,       50,        100,       200,      500,
    1000,    2000,    5000,     10000,    25000,    50000,     100000,    200000,   500000,
    1000000, 2000000, 5000000,  10000000, 20000000, 40000000,  80000000,  150000000, 250000000,
};

constexpr double kZoomLeast = 0.001;
constexpr double kZoomMost = 400.0;
// The region's margin on each side, in pixels.
constexpr double kRegionMarginPixels = 16.0;

}  // namespace

DOCUMENTKIND DocumentKinds[DOCKIND_COUNT] = {
    kDefaultKinds[0], kDefaultKinds[1], kDefaultKinds[2],
    kDefaultKinds[3], kDefaultKinds[4], kDefaultKinds[5],
};

DOCUMENTKIND DefaultDocumentKind(int kind) {
  return kind >= 0 && kind < DOCKIND_COUNT ? kDefaultKinds[kind] : DOCUMENTKIND{};
}

TMapControl::TMapControl() {
  std::fill(std::begin(ColorIndex), std::end(ColorIndex), BYTE(1));
  DibBlock = DibPainterTable[DIB_FULLCOLOUR].data();
  InitNodeImage();
  MtrPalette.Style(1);
}

TMapControl::~TMapControl() { Close(); }

// ---------------------------------------------------------------------------
// Data

int TMapControl::OpenMap(const char* name, int mode) {
  if (TMap::IsActive()) TMap::CloseData();
  if (PaintContext.PointArea == nullptr) {
    ShowErrorMessage(MAPERR_MEMORY, name);
    return 0;
  }
  if (name == nullptr || !TMap::OpenData(name, mode)) return 0;
  BaseScale = Scale();
  ViewFlag = 1;
  EditFlag = 1;
  WorkMode(1);
  TakeMapUnits(this);
  PlaneX0 = X0;
  PlaneY0 = Y0;
  SeekSelect.SetMap(this);
  MainViewSelect.SetMap(this);
  if (Count() >= 5) {
    RealSelect.SetMap(this);
    RealSelectMode = REALSELECT_BOUND;
  } else {
    const uint64_t stamp = ChangeStamp();
    RealSelect.SetSelectByMap(this);
    RealSelectMode = stamp;
  }
  SetViewScale(DrawScale);
  SeekSelectPointer = &SeekSelect;
  ViewSelectPointer = &MainViewSelect;
  return 1;
}

void TMapControl::CloseMap() {
  TMap::CloseData();
  SetRegion();
}

void TMapControl::Close() {
  CloseChain(DOCKIND_MTL, 0);
  CloseChain(DOCKIND_MTQ, 0);
  CloseChain(DOCKIND_MTR, 0);
  CloseChain(DOCKIND_RST, 0);
  CloseMap();
  // The document's own chain: closed whatever the slot holds.
  CloseSite(0);
}

int TMapControl::IsActive() const {
  if (TMap::IsActive()) return 1;
  return RstChainHead.Count > 0 || MtrChainHead.Count > 0 || MtqChainHead.Count > 0 ||
                 MtlChainHead.Count > 0 || SiteChainHead.Count > 0
             ? 1
             : 0;
}

TMap* TMapControl::GetMap(int n) const {
  if (n == 0) return const_cast<TMapControl*>(this);
  SITENODE* node = GetSiteChain(n);
  return node != nullptr ? &node->Map : nullptr;
}

void TMapControl::TakeMapUnits(TMap* map) {
  if (map->IsRealPlace()) {
    // A map kept in plane metres: one discrete is one metre.
    SetDisScale(BaseScale);
    SetDisToMeter(BaseScale / Dis.Base);
  } else {
    SetDisScale(map->DeviceCapability());
    SetDisToMeter(map->Factor);
  }
}

int TMapControl::OpenChain(int kind, const char* name, int mode) {
  if (kind < 0 || kind >= DOCKIND_COUNT || DocumentKinds[kind].Open == nullptr) return 0;
  return DocumentKinds[kind].Open(this, name, mode);
}

void TMapControl::CloseChain(int kind, int n) {
  if (kind < 0 || kind >= DOCKIND_COUNT || DocumentKinds[kind].Close == nullptr) return;
  DocumentKinds[kind].Close(this, n);
}

int TMapControl::AdjustData() {
  int changed = 0;
  // The main map and the user maps; a map read again has its real select
  // built again.
  for (int n = 0; n <= GetSiteCount(); ++n) {
    TMap* map = GetMap(n);
    if (map == nullptr || !map->IsActive()) continue;
    const int reread = map->AdjustData() < 0;
    if (reread) changed = 1;
    AdjustRealSelect(n, reread);
  }
  // Rasters and matrices are refreshed by their chains.
  if (AdjustChains(this)) changed = 1;
  return changed;
}

// ---------------------------------------------------------------------------
// View

void TMapControl::SetRegion() {
  PictureFrame = FRAME{};
  Region = DFRAME{};
  SetPixel(0.0, 0.0);
  BaseScale = 1;
  if (TMap::IsActive()) {
    TakeBaseMap(this, 0);
  } else if (!ChainBaseData(this)) {
    // Nothing open: the metric's default units.
    SetDisScale(0.0);
    PlaneX0 = PlaneY0 = 0.0;
    SetDisToMeter(BaseScale / Dis.Base);
  }
  if (ShowScale == 0) ShowScale = BaseScale;
  ChainUnitsRegion(this);
  MtlUnitsRegion(this);
  SitesRegion(this);
  WidenRegion(kRegionMarginPixels * Dis.Base / PixelsPerMeterV);
}

void TMapControl::TakeBaseMap(TMap* map, int units) {
  // DeviceFrame holds X2, Y2, X1, Y1.
  Region = DFRAME{double(map->DeviceFrame[2]), double(map->DeviceFrame[3]),
                  double(map->DeviceFrame[0]), double(map->DeviceFrame[1])};
  BaseScale = map->Scale();
  if (units) TakeMapUnits(map);
  PlaneX0 = map->X0;
  PlaneY0 = map->Y0;
  UpdatePlace();
}

double TMapControl::SetViewScale(double zoom) {
  if (!(zoom >= kZoomLeast)) zoom = kZoomLeast;
  if (zoom > kZoomMost) zoom = kZoomMost;
  SetDrawScale(zoom);
  SetRegion();
  if (BaseScale >= 1) {
    // A large scale of the map's passport at the least zoom lies past 32
    // bits: it stops at their bound.
    ShowScale = plat::TruncateTo<LONG>(BaseScale / DrawScale + 0.5);
    for (int n = 0; n <= GetSiteCount(); ++n)
      if (TMap* map = GetMap(n)) map->ScaleIndex = ScaleIndexOf(map->ScaleTableNumber(), ShowScale);
  } else {
    ShowScale = LONG(DrawScale);
  }
  return DrawScale;
}

double TMapControl::ChangeViewScale(double f) { return SetViewScale(f * DrawScale); }

LONG TMapControl::SetShowScale(LONG s) {
  if (s < 1) s = 1;
  const LONG base = BaseScale;
  SetViewScale(base >= 2 ? double(base) / s : double(s));
  return base;
}

double TMapControl::GetRealShowScale() const {
  return DrawScale <= kZoomLeast ? 1.0 : BaseScale / DrawScale;
}

int TMapControl::ScaleIndexOf(int tableNumber, LONG showScale) {
  const int row = tableNumber == 1 ? 1 : 0;
  int index = 0;
  while (index < 15 && kScaleRows[row][index] < showScale) ++index;
  return index;
}

LONG TMapControl::ScaleToRoundScale(double s) {
  if (!(s >= 1.0)) return 1;  // below 1, and not a number
  if (s > double(kRoundScales[ROUND_SCALE_COUNT - 1])) return kRoundScales[ROUND_SCALE_COUNT - 1];
  const LONG v = LONG(s);
  for (int i = ROUND_SCALE_COUNT - 1; i > 0; --i) {
    const LONG r = kRoundScales[i], below = kRoundScales[i - 1];
    if (v > (r + below) / 2) return r;
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Transactions

int TMapControl::OpenTransaction(int n, int type) {
  TMap* map = GetMap(n);
  if (map == nullptr || !map->IsActive()) return 0;
  return map->CreateAction(type);
}

int TMapControl::CloseTransaction(int n) {
  TMap* map = GetMap(n);
  if (map == nullptr || !map->IsActive()) return 0;
  return map->CommitAction(0);
}

void TMapControl::SetBreakCall(BREAKCALL call, intptr_t parameter) {
  BreakCall = call;
  BreakParameter = parameter;
}

void TMapControl::SetBeforePaint(BEFOREPAINTCALL call, intptr_t parameter) {
  BeforePaintCall = call;
  BeforePaintParameter = parameter;
}
