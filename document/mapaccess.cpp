// TMapAccess: opening by kind, the names of a document, its coordinate
// conversions, and documents as handles.
#include "document/mapaccess.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "common/filekind.h"
#include "common/messages.h"
#include "document/docfind.h"
#include "document/rmfheights.h"
#include "geodesy/translate.h"
#include "document/sitechain.h"
#include "platform/file.h"
#include "platform/gdi/gdi.h"
#include "platform/memory.h"
#include "platform/numeric.h"

namespace {

// Copies at most size - 1 characters and terminates.
void CopyName(char* field, size_t size, const char* name) {
  const size_t n = strnlen(name, size - 1);
  std::memcpy(field, name, n);
  field[n] = 0;
}

// 1 when the file exists and can be opened for reading.
int CanRead(const char* name) {
  if (name == nullptr || !*name) return 0;
  HANDLE h = plat::CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  plat::CloseHandle(h);
  return 1;
}

// The live documents: a handle is used as a document only when it is one
// of these (a map handle of another kind is refused).
struct Documents {
  std::mutex lock;
  std::unordered_set<const void*> live;
};
Documents& LiveDocuments() {
  static Documents* documents = new Documents;
  return *documents;
}

}  // namespace

std::atomic<const void*> docfind::last{nullptr};

TMapAccess::TMapAccess() = default;
TMapAccess::~TMapAccess() = default;

// ---------------------------------------------------------------------------
// Opening and closing

int TMapAccess::OpenData(const char* name, int mode) {
  switch (CheckFileKind(name)) {
    case FILEKIND_RST:
    case FILEKIND_RSW:
      return OpenRst(name, mode);
    case FILEKIND_MTW:
    case FILEKIND_MTR:
      return OpenMtr(name, mode);
    case FILEKIND_MTQ:
      return OpenMtq(name, mode);
    case FILEKIND_MTL:
      return OpenMtl(name, mode);
    case FILEKIND_MPT:
      return OpenMpt(name);
    case FILEKIND_PSP:
    case FILEKIND_SIT:
      return OpenMap(name, mode);
    case FILEKIND_NONE:
      ShowErrorMessage(CanRead(name) ? MAPERR_INPUT : MAPERR_NOTFOUND, name ? name : "");
      return 0;
    default:
      ShowErrorMessage(MAPERR_INPUT, name);
      return 0;
  }
}

int TMapAccess::OpenMap(const char* name, int mode) {
  if (!TMapControl::OpenMap(name, mode)) return 0;
  if (TMap::IsActive()) SetupPalette();
  CopyName(DocumentName, sizeof(DocumentName), name);
  return 1;
}

void TMapAccess::TakeName(const char* name) {
  if (name != nullptr) CopyName(DocumentName, sizeof(DocumentName), name);
}

int TMapAccess::OpenInto(int kind, const char* name, int mode) {
  const int wasActive = IsActive();
  const int n = OpenChain(kind, name, mode);
  if (n == 0) return 0;
  SetupPalette();
  if (!wasActive) TakeName(name);
  return n;
}

int TMapAccess::OpenRst(const char* name, int mode) { return OpenInto(DOCKIND_RST, name, mode); }
int TMapAccess::OpenMtr(const char* name, int mode) { return OpenInto(DOCKIND_MTR, name, mode); }
int TMapAccess::OpenMtq(const char* name, int mode) { return OpenInto(DOCKIND_MTQ, name, mode); }
int TMapAccess::OpenMtl(const char* name, int mode) { return OpenInto(DOCKIND_MTL, name, mode); }
int TMapAccess::OpenSit(const char* name, int mode) { return OpenInto(DOCKIND_SITE, name, mode); }

int TMapAccess::CloseOf(int kind, int n) {
  CloseChain(kind, n);
  SetupPalette();
  return 1;
}

int TMapAccess::CloseRst(int n) { return CloseOf(DOCKIND_RST, n); }
int TMapAccess::CloseMtr(int n) { return CloseOf(DOCKIND_MTR, n); }
int TMapAccess::CloseMtq(int n) { return CloseOf(DOCKIND_MTQ, n); }
int TMapAccess::CloseMtl(int n) { return CloseOf(DOCKIND_MTL, n); }
int TMapAccess::CloseSit(int n) { return CloseOf(DOCKIND_SITE, n); }

int TMapAccess::CloseMap() {
  TMapControl::CloseMap();
  SetupPalette();
  return 1;
}

int TMapAccess::CloseData() {
  TMapControl::Close();
  return 1;
}

int TMapAccess::AdjustData() {
  const int changed = TMapControl::AdjustData();
  if (changed) SetupPalette();
  return changed;
}

int TMapAccess::OpenMpt(const char* name) {
  // A project names what the document shows; its reader fills the slot.
  return OpenChain(DOCKIND_MPT, name, 0);
}

int TMapAccess::SaveMpt(const char* name) {
  const DOCUMENTKIND& project = DocumentKinds[DOCKIND_MPT];
  return project.Save != nullptr ? project.Save(this, name) : 0;
}

// ---------------------------------------------------------------------------
// Names

const char* TMapAccess::SetMapIniName(const char* name) {
  if (name == nullptr) return "";
  CopyName(MapIniName, sizeof(MapIniName), name);
  return MapIniName;
}

// ---------------------------------------------------------------------------
// Painting

int TMapAccess::Paint(HDC dc, int erase, const RECT& rect) {
  POINT old{0, 0};
  const bool moved = dc != nullptr && plat::OffsetViewportOrgEx(dc, rect.left, rect.top, &old);
  const int result = TMapPaint::Paint(dc, erase, rect);
  if (moved) plat::SetViewportOrgEx(dc, old.x, old.y, nullptr);
  return result;
}

int TMapAccess::Paint95(HDC dc, int erase, const RECT& rect) {
  return TMapPaint::Paint(dc, erase, rect);
}

int TMapAccess::PaintObject(HDC dc, const RECT& rect, TObjectInfo* object, int erase, int keep) {
  if (dc == nullptr || object == nullptr) return 0;
  POINT old{0, 0};
  const bool moved = !keep && plat::OffsetViewportOrgEx(dc, rect.left, rect.top, &old);
  TMapPaint::PaintObject(dc, erase, rect, object, keep);
  if (moved) plat::SetViewportOrgEx(dc, old.x, old.y, nullptr);
  return 1;
}

int TMapAccess::PaintObject95(HDC dc, const RECT& rect, TObjectInfo* object) {
  if (dc == nullptr || object == nullptr) return 0;
  TMapPaint::PaintObject(dc, 1, rect, object, 0);
  return 1;
}

int TMapAccess::Print(HDC dc, const RECT& rect, const PRINTPARM* print) {
  if (dc == nullptr || print == nullptr) return 0;
  int type = print->VisualType + (print->DeviceType == 1 ? 3 : 0);
  if (type < 3) type = 6;
  const int oldType = SetVisualType(type);
  const double zoom = DrawScale;
  const LONG scale = print->Scale < 1 ? 1 : print->Scale;
  TMapControl::ChangeViewScale(double(ShowScale < 1 ? 1 : ShowScale) / scale);
  const int result = PaintDevice(dc, 0, rect, nullptr, 0, print);
  TMapControl::SetViewScale(zoom);
  SetVisualType(oldType);
  return result;
}

// ---------------------------------------------------------------------------
// View scale

namespace {

constexpr double kZoomLeast = 0.001, kZoomMost = 400.0;

// v truncated toward zero and held within the range of LONG.
LONG TruncateLong(double v) { return plat::TruncateTo<LONG>(v); }

LONG NearestLong(double v) { return plat::RoundTo<LONG>(v); }

}  // namespace

int TMapAccess::SetViewScale(LONG& x, LONG& y, float scale) {
  double zoom = 1.0;
  if (scale > 0.0f) zoom = BaseScale >= 1 ? BaseScale / double(scale) : double(scale);
  if (!(zoom >= kZoomLeast && zoom <= kZoomMost)) return 0;
  const double ratio = zoom / DrawScale;
  x = TruncateLong(x * ratio);
  y = TruncateLong(y * ratio);
  TMapControl::SetViewScale(zoom);
  return 1;
}

int TMapAccess::ChangeViewScale(LONG& x, LONG& y, float f) {
  if (f >= 0.001f) {
    const double zoom = double(f) * DrawScale;
    if (!(zoom >= kZoomLeast && zoom <= kZoomMost)) return 0;
    TMapControl::SetViewScale(zoom);
    x = TruncateLong(x * double(f));
    y = TruncateLong(y * double(f));
    return 1;
  }
  x = TruncateLong(x / DrawScale);
  y = TruncateLong(y / DrawScale);
  TMapControl::SetViewScale(1.0);
  return 1;
}

// ---------------------------------------------------------------------------
// Coordinates

void TMapAccess::MapToPlane(double& x, double& y) const {
  x = x * MeterPerDis + PlaneX0;
  y = y * MeterPerDis + PlaneY0;
}

void TMapAccess::PlaneToMap(double& x, double& y) const {
  x = (x - PlaneX0) * DisPerMeter;
  y = (y - PlaneY0) * DisPerMeter;
}

void TMapAccess::MapToPicture(double& x, double& y) const {
  DOUBLEPOINT pixel;
  Dis2Pix(DOUBLEPOINT{x, y}, pixel);
  x = pixel.X - PictureFrame.Y1;
  y = PictureFrame.X2 - pixel.Y;
}

void TMapAccess::PictureToMap(double& x, double& y) const {
  DOUBLEPOINT dis;
  Pix2Dis(DOUBLEPOINT{PictureFrame.Y1 + x, PictureFrame.X2 - y}, dis);
  x = dis.X;
  y = dis.Y;
}

void TMapAccess::PictureToPlane(double& x, double& y) const {
  PictureToMap(x, y);
  MapToPlane(x, y);
}

void TMapAccess::PlaneToPicture(double& x, double& y) const {
  PlaneToMap(x, y);
  MapToPicture(x, y);
}

void TMapAccess::PictureToMap(LONG& x, LONG& y) const {
  double a = x, b = y;
  PictureToMap(a, b);
  x = NearestLong(a);
  y = NearestLong(b);
}

void TMapAccess::MapToPicture(const DOUBLEPOINT* map, POINT* picture) const {
  if (map == nullptr || picture == nullptr) return;
  double x = map->X, y = map->Y;
  MapToPicture(x, y);
  *picture = POINT{NearestLong(x), NearestLong(y)};
}

void TMapAccess::PlaneToPicture(const DOUBLEPOINT* plane, POINT* picture) const {
  if (plane == nullptr || picture == nullptr) return;
  double x = plane->X, y = plane->Y;
  PlaneToPicture(x, y);
  *picture = POINT{NearestLong(x), NearestLong(y)};
}

void TMapAccess::PictureToPlane(const POINT* picture, DOUBLEPOINT* plane) const {
  if (picture == nullptr || plane == nullptr) return;
  double x = picture->x, y = picture->y;
  PictureToPlane(x, y);
  *plane = DOUBLEPOINT{x, y};
}

int TMapAccess::GeoToPicture(const DOUBLEPOINT* geo, POINT* picture) {
  if (geo == nullptr || picture == nullptr) return 0;
  double x = geo->X, y = geo->Y;
  if (!GeoToPlane(x, y)) return 0;
  PlaneToPicture(x, y);
  *picture = POINT{NearestLong(x), NearestLong(y)};
  return 1;
}

int TMapAccess::GetLayerCount() { return Rsc.IsActive() ? Rsc.GetSegCount() : 0; }

const char* TMapAccess::GetLayerName(int n) {
  const char* name = Rsc.IsActive() ? Rsc.GetSegName(n) : nullptr;
  return name != nullptr ? name : "";
}

int TMapAccess::IsGeoSupported() const { return TMap::IsActive() && ProjectionReady ? 1 : 0; }

void TMapAccess::TransformPoints(const DOUBLEPOINT* src, int from, DOUBLEPOINT* dst, int count,
                                 int to) {
  if (src == nullptr || dst == nullptr || count < 1) return;
  if (dst != src) std::memmove(dst, src, size_t(count) * sizeof(DOUBLEPOINT));
  if (from == to || from < 1 || from > 4 || to < 1 || to > 4) return;
  if ((from == 4 || to == 4) && !IsGeoSupported()) return;
  for (int i = 0; i < count; ++i) {
    double& x = dst[i].X;
    double& y = dst[i].Y;
    // To plane metres unless the way is direct.
    if (from == 1 && to == 2) {
      MapToPicture(x, y);
      continue;
    }
    if (from == 2 && to == 1) {
      PictureToMap(x, y);
      continue;
    }
    if (from == 1) MapToPlane(x, y);
    if (from == 2) PictureToPlane(x, y);
    if (from == 4) GeoToPlane(x, y);
    if (to == 1) PlaneToMap(x, y);
    if (to == 2) PlaneToPicture(x, y);
    if (to == 4) PlaneToGeo(x, y);
  }
}

namespace {

// Clears the code that an earlier conversion left in the map's
// transformation, so that each conversion answers for itself: one point
// outside the projection does not fail every later one. Only a projection
// the map asked for and could not set up keeps its code, and every
// conversion then fails.
void ClearConversionError(TMapAccess* doc) {
  const bool refused = doc->TMap::IsActive() && !doc->ProjectionReady &&
                       doc->Passport.Register.DataProjection != 0;
  if (!refused) doc->Translate.ErrorCode = 0;
}

}  // namespace

// A map whose projection gives no geodetic coordinates converts nothing:
// the point stays as it was and the answer is 0.
int TMapAccess::PlaneToGeo(double& x, double& y) {
  if (!IsGeoSupported()) return 0;
  double b = 0.0, l = 0.0;
  ClearConversionError(this);
  Translate.XY2BL(x, y, &b, &l);
  x = b;
  y = l;
  return Translate.ErrorCode == 0 ? 1 : 0;
}

int TMapAccess::GeoToPlane(double& b, double& l) {
  if (!IsGeoSupported()) return 0;
  double x = 0.0, y = 0.0;
  ClearConversionError(this);
  Translate.BL2XY(b, l, &x, &y);
  b = x;
  l = y;
  return Translate.ErrorCode == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Geodetic systems

namespace {

// A datum shift of B, L, H in place.
using DatumShift = void (*)(double, double, double, double*, double*, double*);

// The height a map's point is shifted at when the caller gives none: the
// finest elevation matrix's height there; 0 where no matrix has one, as
// without open matrices.
double MatrixHeight(TMapAccess* doc, double x, double y) {
  const double h = GetPrecisionHeightValue(doc, x, y);
  return h <= MTL_NO_HEIGHT ? 0.0 : h;
}

// B, L, H shifted in place: 1, or 0 when the transformation holds an error.
int Shift(TMapAccess* doc, double& b, double& l, double& h, DatumShift shift) {
  ClearConversionError(doc);
  shift(b, l, h, &b, &l, &h);
  return doc->Translate.ErrorCode == 0 ? 1 : 0;
}

}  // namespace

int TMapAccess::ShiftedPlaneToGeo(double& x, double& y, double* h, int toWgs84) {
  double height = h != nullptr ? *h : MatrixHeight(this, x, y);
  if (!PlaneToGeo(x, y)) return 0;
  // Points of the 1942 datum go to WGS84; points of any other datum are
  // taken as WGS84 on the way to the 1942 datum.
  const bool on42 = Translate.EllipsoidKind == ELLIPSOID_KRASOVSKY;
  if (toWgs84 && on42) BL422BLWGS84(x, y, height, &x, &y, &height);
  if (!toWgs84 && !on42) BLWGS842BL42(x, y, height, &x, &y, &height);
  if (h != nullptr) *h = height;
  return 1;
}

int TMapAccess::PlaneToGeoWGS84(double& x, double& y) {
  return ShiftedPlaneToGeo(x, y, nullptr, 1);
}
int TMapAccess::PlaneToGeoWGS84(double& x, double& y, double& h) {
  return ShiftedPlaneToGeo(x, y, &h, 1);
}
int TMapAccess::PlaneToGeo42(double& x, double& y) { return ShiftedPlaneToGeo(x, y, nullptr, 0); }
int TMapAccess::PlaneToGeo42(double& x, double& y, double& h) {
  return ShiftedPlaneToGeo(x, y, &h, 0);
}

// Without a height of its own the point takes the matrices' height at its
// plane position.
int TMapAccess::Geo42ToGeoWGS84(double& b, double& l) {
  double x = b, y = l;
  double h = GeoToPlane(x, y) ? MatrixHeight(this, x, y) : 0.0;
  return Shift(this, b, l, h, BL422BLWGS84);
}
int TMapAccess::Geo42ToGeoWGS84(double& b, double& l, double& h) {
  return Shift(this, b, l, h, BL422BLWGS84);
}
int TMapAccess::GeoWGS84ToGeo42(double& b, double& l) {
  double h = 0.0;
  return Shift(this, b, l, h, BLWGS842BL42);
}
int TMapAccess::GeoWGS84ToGeo42(double& b, double& l, double& h) {
  return Shift(this, b, l, h, BLWGS842BL42);
}
int TMapAccess::GeoEP90ToGeo42(double& b, double& l) {
  double h = 0.0;
  return Shift(this, b, l, h, BLEC902BL42);
}
int TMapAccess::GeoEP90ToGeo42(double& b, double& l, double& h) {
  return Shift(this, b, l, h, BLEC902BL42);
}
int TMapAccess::Geo42ToGeoEP90(double& b, double& l) {
  double h = 0.0;
  return Shift(this, b, l, h, BL422BLEC90);
}
int TMapAccess::Geo42ToGeoEP90(double& b, double& l, double& h) {
  return Shift(this, b, l, h, BL422BLEC90);
}
int TMapAccess::Geo42ToPlaneUTM(double& b, double& l) {
  double h = 0.0;
  return Geo42ToPlaneUTM(b, l, h);
}
int TMapAccess::Geo42ToPlaneUTM(double& b, double& l, double& h) {
  ClearConversionError(this);
  BL422XYNAHRWAN(b, l, h, &b, &l);
  return Translate.ErrorCode == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Documents as handles

TMapAccess* NewDocument() {
  void* block = plat::AllocPages(sizeof(TMapAccess));
  if (block == nullptr) return nullptr;
  TMapAccess* doc = new (block) TMapAccess;
  Documents& d = LiveDocuments();
  std::lock_guard<std::mutex> guard(d.lock);
  try {
    d.live.insert(doc);
  } catch (const std::bad_alloc&) {
    doc->~TMapAccess();
    plat::FreePages(block);
    return nullptr;
  }
  return doc;
}

void FreeDocument(TMapAccess* doc) {
  if (doc == nullptr) return;
  {
    Documents& d = LiveDocuments();
    std::lock_guard<std::mutex> guard(d.lock);
    if (d.live.erase(doc) == 0) return;
    if (docfind::last.load(std::memory_order_relaxed) == doc)
      docfind::last.store(nullptr, std::memory_order_release);
  }
  doc->~TMapAccess();
  plat::FreePages(doc);
}

TMapAccess* docfind::Find(HMAP handle) {
  const void* address = reinterpret_cast<const void*>(handle);
  if (address == nullptr) return nullptr;
  Documents& d = LiveDocuments();
  std::lock_guard<std::mutex> guard(d.lock);
  if (!d.live.count(address)) return nullptr;
  docfind::last.store(address, std::memory_order_release);
  return reinterpret_cast<TMapAccess*>(handle);
}

TMapAccess* DocumentOf(HMAP handle) {
  // Most calls name the document the call before named: found without a
  // lookup.
  return DocumentHere(handle);
}

HSITE SiteHandleOf(TMapAccess* doc, int n) {
  if (doc == nullptr) return 0;
  if (n == 0) return HSITE(HandleOf(doc));
  return reinterpret_cast<HSITE>(doc->GetSiteChain(n));
}

int SiteNumberOf(TMapAccess* doc, HSITE site) {
  if (doc == nullptr) return -1;
  if (site == 0 || site == HSITE(HandleOf(doc))) return 0;
  // Every call of a host through a user map's handle asks this: the chain
  // is walked once, not from its head for each number.
  const DATACHAIN& chain = doc->SiteChainHead;
  int n = 1;
  for (const SITENODE* node = static_cast<const SITENODE*>(chain.First); node != nullptr && n <= chain.Count;
       node = node->Next, ++n)
    if (reinterpret_cast<HSITE>(node) == site) return n;
  return -1;
}

TMap* SiteMapOf(TMapAccess* doc, HSITE site) {
  const int n = SiteNumberOf(doc, site);
  if (n < 0) return nullptr;
  return n == 0 ? static_cast<TMap*>(doc) : &reinterpret_cast<SITENODE*>(site)->Map;
}

TMap* MapOfSite(HMAP hMap, HSITE site) {
  if (TMapAccess* doc = DocumentOf(hMap)) return SiteMapOf(doc, site);
  return FindLiveMap(hMap, site);
}

TMapAccess* DocumentOfSite(HSITE site) {
  if (site == 0) return nullptr;
  if (TMapAccess* doc = DocumentOf(HMAP(site))) return doc;
  Documents& d = LiveDocuments();
  std::lock_guard<std::mutex> guard(d.lock);
  for (const void* live : d.live) {
    TMapAccess* doc = static_cast<TMapAccess*>(const_cast<void*>(live));
    if (SiteNumberOf(doc, site) > 0) return doc;
  }
  return nullptr;
}

int LiveDocumentCount() {
  Documents& d = LiveDocuments();
  std::lock_guard<std::mutex> guard(d.lock);
  return int(d.live.size());
}
