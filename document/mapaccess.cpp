// TMapAccess: opening by kind, the names of a document, its coordinate
// conversions, and documents as handles.
#include "document/mapaccess.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "common/filekind.h"
#include "common/liveset.h"
#include "common/messages.h"
#include "platform/file.h"
#include "platform/memory.h"

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

int TMapAccess::PlaneToGeo(double& x, double& y) {
  double b = 0.0, l = 0.0;
  Translate.XY2BL(x, y, &b, &l);
  x = b;
  y = l;
  return Translate.ErrorCode == 0 ? 1 : 0;
}

int TMapAccess::GeoToPlane(double& b, double& l) {
  double x = 0.0, y = 0.0;
  Translate.BL2XY(b, l, &x, &y);
  b = x;
  l = y;
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
  }
  doc->~TMapAccess();
  plat::FreePages(doc);
}

TMapAccess* DocumentOf(HMAP handle) {
  const void* address = reinterpret_cast<const void*>(handle);
  if (!liveIsRegistered(LIVE_MAP, address)) return nullptr;
  Documents& d = LiveDocuments();
  std::lock_guard<std::mutex> guard(d.lock);
  return d.live.count(address) ? reinterpret_cast<TMapAccess*>(handle) : nullptr;
}

int LiveDocumentCount() {
  Documents& d = LiveDocuments();
  std::lock_guard<std::mutex> guard(d.lock);
  return int(d.live.size());
}
