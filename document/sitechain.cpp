// The chain of user maps of a document: opening with the checks against the
// main map, closing, reordering, the flags and selects of each map, the
// maps' share of the region, and the painting of user maps.
#include "document/sitechain.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "common/copyfile.h"
#include "common/language.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "platform/file.h"
#include "platform/memory.h"
#include "platform/ui.h"

namespace {

// Axis meridians this near agree (radians); the allowance covers the
// rounding of the difference of two meridians within 2 pi.
constexpr double kMeridianAgreement = 1e-6 + 1e-14;

DATACHAIN& SiteChain(TMapControl* doc) { return doc->SiteChainHead; }

SITENODE* First(TMapControl* doc) { return static_cast<SITENODE*>(SiteChain(doc).First); }

// A new node with its map and selects bound to nothing; null without
// memory.
SITENODE* NewNode() {
  void* block = plat::AllocPages(sizeof(SITENODE));
  return block != nullptr ? new (block) SITENODE() : nullptr;
}

// Destroys the real, seek and view selects, then the map, and gives the
// block back.
void FreeNode(SITENODE* node) {
  node->~SITENODE();
  plat::FreePages(node);
}

// Takes the node out of the chain, joining its neighbours.
void Unlink(TMapControl* doc, SITENODE* node) {
  if (node->Prev != nullptr)
    node->Prev->Next = node->Next;
  else
    SiteChain(doc).First = node->Next;
  if (node->Next != nullptr) node->Next->Prev = node->Prev;
  node->Next = node->Prev = nullptr;
}

// Puts the node before `next` (null: at the end, after `last`).
void LinkBefore(TMapControl* doc, SITENODE* node, SITENODE* next, SITENODE* last) {
  node->Next = next;
  node->Prev = next != nullptr ? next->Prev : last;
  if (node->Prev != nullptr)
    node->Prev->Next = node;
  else
    SiteChain(doc).First = node;
  if (next != nullptr) next->Prev = node;
}

// A question of opening a user map, through the host's message box in the
// user's language: the button pressed. Captions may hold the map's name.
int AskSite(const char* english, const char* russian, const char* captionEn, const char* captionRu,
            const char* name, UINT buttons) {
  const bool ru = IsRussianLanguage();
  char caption[MAX_PATH + 64];
  std::snprintf(caption, sizeof caption, ru ? captionRu : captionEn, name);
  return plat::MessageBoxA(MessageWindowGet(), ru ? russian : english, caption,
                           buttons | MB_ICONQUESTION | MB_TASKMODAL);
}

// A frame with integer extent in both axes.
bool HasFrame(const TMap& map) {
  return std::trunc(map.X1()) < std::trunc(map.X2()) && std::trunc(map.Y1()) < std::trunc(map.Y2());
}

// Frames that overlap or touch.
bool FramesMeet(const TMap& a, const TMap& b) {
  return a.X2() >= b.X1() && a.X1() <= b.X2() && a.Y2() >= b.Y1() && a.Y1() <= b.Y2();
}

// A value of 0 or more stored in a flag of the map; answers `old`.
int StoreFlag(TMap* map, int TMap::*flag, int value, int old) {
  if (value >= 0) map->*flag = value;
  return old;
}

double Meridian(const TMap& map) { return map.Passport.Register.AxisMeridian; }

// The checks of a user map against the open main map, with the user's
// answers: true to go on (the user map perhaps given the main map's axis
// meridian or laid into its system), false when refused or the
// transformation failed.
bool CheckAgainstMain(TMapControl* doc, TMap& site, const char* name) {
  if (HasFrame(site) && HasFrame(*doc) && !FramesMeet(site, *doc) &&
      AskSite("Situation is out of region. Continue ?",
              "Пользовательская карта вне района. Продолжить ?", "Open situation %s",
              "Открытие карты %s", name, MB_OKCANCEL) == IDCANCEL)
    return false;
  if (site.MapType() == 1 && Meridian(site) == 0.0 && doc->MapType() == 1) {
    if (AskSite("Situation axis meridian is not defined.\nSet from map ?",
                "Осевой меридиан пользовательской карты \nне установлен. Скопировать из карты "
                "местности ?",
                "Open situation", "Открытие пользовательской карты", name, MB_YESNO) == IDYES) {
      site.AxisMeridian(Meridian(*doc));
      site.Save(1);
    }
    return true;
  }
  const bool agree = site.MapType() == doc->MapType() &&
                     std::fabs(Meridian(site) - Meridian(*doc)) <= kMeridianAgreement &&
                     site.MaterialProjection() == doc->MaterialProjection();
  if (agree || !site.ProjectionReady || !doc->ProjectionReady) return true;
  const int answer =
      AskSite("Situation coordinate system and \nmap coordinate system are different. Transform ?",
              "Система координат пользовательской карты \nне соответствует району. Преобразовать ?",
              "Open situation %s", "Открытие карты %s", name, MB_YESNOCANCEL);
  if (answer == IDCANCEL) return false;
  return answer != IDYES || site.TransformByMap(doc) != 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// The chain

SITENODE* TMapControl::GetSiteChain(int n) const {
  const LONG count = SiteChainHead.Count;
  if (n < 1 || n > count) return nullptr;
  SITENODE* node = static_cast<SITENODE*>(SiteChainHead.First);
  for (int i = 1; node != nullptr && i <= count; ++i, node = node->Next)
    if (i == n) return node;
  return nullptr;
}

int TMapControl::OpenSite(const char* name, int mode) {
  if (name == nullptr) return 0;
  // The main map is not opened over itself, nor a user map twice: the same
  // file on disk, however it is named.
  if (TMap::IsActive() && IsSameFileName(name, Path)) return 0;
  const LONG count = GetSiteCount();
  SITENODE* last = nullptr;
  for (int n = 1; n <= count; ++n) {
    SITENODE* node = GetSiteChain(n);
    if (node == nullptr) break;
    if (node->Map.IsActive() && IsSameFileName(name, node->Map.Path)) return n;
    last = node;
  }

  // A name of no file is not found, as the document's other openers say.
  if (plat::GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES) {
    ShowErrorMessage(MAPERR_NOTFOUND, name);
    return 0;
  }
  SITENODE* node = NewNode();
  if (node == nullptr) {
    ShowErrorMessage(MAPERR_MEMORY, name);
    return 0;
  }
  TMap& map = node->Map;
  node->ViewOrder = 1;
  map.ViewFlag = 1;
  map.EditFlag = 1;
  if (!map.OpenData(name, mode)) {
    FreeNode(node);
    return 0;
  }
  map.WorkMode(1);
  // The change record carries a 32-bit tag: the low half of the handle.
  map.MapTag = int32_t(reinterpret_cast<intptr_t>(node));
  map.SetChangeCall(SiteChangeCall, SiteChangeParameter);
  if (TMap::IsActive() && MessageEnableGet() && !CheckAgainstMain(this, map, name)) {
    FreeNode(node);
    return 0;
  }

  LinkBefore(this, node, nullptr, last);
  SiteChainHead.Count = count + 1;
  node->SeekSelect.SetMap(&map);
  node->ViewSelect.SetMap(&map);
  node->RealStamp = map.ChangeStamp();
  node->RealSelect.SetSelectByMap(&map);
  SetRegion();
  map.ScaleIndex = ScaleIndexOf(map.ScaleTableNumber(), ShowScale);
  return count + 1;
}

void TMapControl::CloseSite(int n) {
  DATACHAIN& chain = SiteChainHead;
  if (n == 0) {
    SITENODE* node = static_cast<SITENODE*>(chain.First);
    for (LONG i = 0; node != nullptr && i < chain.Count; ++i) {
      SITENODE* next = node->Next;
      FreeNode(node);
      node = next;
    }
    chain.First = nullptr;
    chain.Count = 0;
    return;
  }
  SITENODE* node = GetSiteChain(n);
  if (node == nullptr) return;
  Unlink(this, node);
  FreeNode(node);
  if (chain.Count > 0) --chain.Count;
}

int TMapControl::ChangeOrderSiteShow(int from, int to) {
  if (from == to) return 0;
  SITENODE* moved = GetSiteChain(from);
  if (moved == nullptr || GetSiteChain(to) == nullptr) return 0;
  Unlink(this, moved);
  // The chain is one shorter now: position `to` is the node the moved one
  // goes before, or past the end.
  SITENODE* next = static_cast<SITENODE*>(SiteChainHead.First);
  SITENODE* last = nullptr;
  for (int i = 1; next != nullptr && i < to; ++i) {
    last = next;
    next = next->Next;
  }
  LinkBefore(this, moved, next, last);
  return 1;
}

// ---------------------------------------------------------------------------
// Flags, names and selects of a map

int TMapControl::MapEdit(int n, int value) {
  TMap* map = GetMap(n);
  if (map == nullptr) return -1;
  return StoreFlag(map, &TMap::EditFlag, value,
                   map->EditFlag && map->IsActive() && map->IsWritable() ? 1 : 0);
}

int TMapControl::MapVisible(int n, int value) {
  TMap* map = GetMap(n);
  return map != nullptr ? StoreFlag(map, &TMap::ViewFlag, value, map->ViewFlag) : -1;
}

int TMapControl::MapInquiry(int n, int value) {
  TMap* map = GetMap(n);
  return map != nullptr ? StoreFlag(map, &TMap::InquiryFlag, value, map->InquiryFlag) : -1;
}

int TMapControl::MapViewOrder(int n, int value) {
  SITENODE* node = GetSiteChain(n);
  if (node == nullptr) return -1;
  if (value >= 0) node->ViewOrder = value;
  return node->ViewOrder;
}

const char* TMapControl::MapFileName(int n) const {
  const TMap* map = GetMap(n);
  return map != nullptr && map->IsActive() ? map->Path : "";
}

const char* TMapControl::MapSheetName(int n) const {
  const TMap* map = GetMap(n);
  return map != nullptr && map->IsActive() ? map->Name() : "";
}

TMapRsc* TMapControl::GetResource(int n) const {
  TMap* map = GetMap(n);
  return map != nullptr ? &map->Rsc : nullptr;
}

int TMapControl::GetMapNumber(const TMap* map) const {
  if (map == nullptr) return -1;
  if (map == this) return 0;
  const LONG count = GetSiteCount();
  const SITENODE* node = static_cast<const SITENODE*>(SiteChainHead.First);
  for (int n = 1; node != nullptr && n <= count; ++n, node = node->Next)
    if (&node->Map == map) return n;
  return -1;
}

TMapSelect* TMapControl::GetViewSelect(int n) {
  if (n == 0) return ViewSelectPointer;
  SITENODE* node = GetSiteChain(n);
  return node != nullptr ? &node->ViewSelect : nullptr;
}

TMapSelect* TMapControl::GetSeekSelect(int n) {
  if (n == 0) return SeekSelectPointer;
  SITENODE* node = GetSiteChain(n);
  return node != nullptr ? &node->SeekSelect : nullptr;
}

TMapSelect* TMapControl::GetRealSelect(int n) {
  if (n == 0) return &RealSelect;
  SITENODE* node = GetSiteChain(n);
  return node != nullptr ? &node->RealSelect : nullptr;
}

void TMapControl::AdjustRealSelect(int n, int force) {
  TMap* map = GetMap(n);
  TMapSelect* real = GetRealSelect(n);
  if (map == nullptr || real == nullptr) return;
  // Taken before the select is filled: a change made meanwhile is seen by
  // the next look.
  const uint64_t now = map->ChangeStamp();
  SITENODE* node = GetSiteChain(n);
  const uint64_t stamp = node != nullptr ? node->RealStamp : RealSelectMode;
  if (stamp == now && !force) return;
  real->SetSelectByMap(nullptr);
  if (node != nullptr)
    node->RealStamp = now;
  else
    RealSelectMode = now;
}

int TMapControl::SetChangeCall(MAPCHANGECALL call, intptr_t parameter) {
  SiteChangeCall = call;
  SiteChangeParameter = parameter;
  for (int n = 0; n <= GetSiteCount(); ++n)
    if (TMap* map = GetMap(n)) map->SetChangeCall(call, parameter);
  return 1;
}

// ---------------------------------------------------------------------------
// Region

bool SiteBaseData(TMapControl* doc) {
  SITENODE* node = doc->GetSiteChain(1);
  if (node == nullptr || !node->Map.IsActive()) return false;
  doc->TakeBaseMap(&node->Map, 1);
  return true;
}

void SitesRegion(TMapControl* doc) {
  // A user map's frame goes in as elements of base scale x 1e-5 metres.
  const double size = doc->BaseScale * 1e-05;
  if (!(size > 0.0)) return;
  for (SITENODE* node = First(doc); node != nullptr; node = node->Next) {
    const TMap& map = node->Map;
    if (!map.IsActive() || map.X1() == map.X2() || map.Y1() == map.Y2()) continue;
    const DFRAME frame{(map.X1() - doc->PlaneX0) / size, (map.Y1() - doc->PlaneY0) / size,
                       (map.X2() - doc->PlaneX0) / size, (map.Y2() - doc->PlaneY0) / size};
    doc->UpdateRegionElem(frame, 100000.0);
  }
}

// ---------------------------------------------------------------------------
// Painting

int TMapControl::ShowSitePlace(int over) {
  const LONG count = GetSiteCount();
  for (int n = 1; n <= count; ++n) {
    SITENODE* node = GetSiteChain(n);
    if (node == nullptr) return 0;
    TMap& map = node->Map;
    if (ShowScale < map.VisibleBottom || ShowScale > map.VisibleTop) continue;
    if (node->ViewOrder != over || !map.ViewFlag || !node->ViewSelect.CheckList(1)) continue;
    // A user map stopped by the break callback does not stop the walk:
    // the callback stops the next one at its first step as well. Each map
    // counts its own paint steps; the count of the painting around it goes
    // on afterwards where it stood.
    const LONG counter = PaintStepCounter;
    PaintStepCounter = 0;
    ShowMapBySelect(&map, &node->ViewSelect);
    PaintStepCounter = counter;
  }
  return 1;
}

int TMapControl::ShowMapBySelect(TMap* map, TMapSelect* select) {
  if (map == nullptr || select == nullptr || !map->IsActive()) return 0;
  const DFRAME picture = PictureInMapUnits(map);
  if (!map->CheckFrame(1, &picture) || !map->OpenList(1)) return 0;

  const PAINTCOLORSTATE colours = PaintColorState;
  TakeMapColors(map);
  double savedBase;
  PlaceSheet(map, 1, &savedBase);
  WidenSheetPlace(map);
  // Signs keep the size of the map's own scale; a map of type 7 takes the
  // view's zoom alone.
  const double zoom = map->MapType() == 7 ? DrawScale : MapZoom(map);
  const int result = ShowSheetObjects(map, select, float(zoom));
  UnplaceSheet(map, savedBase);
  // A user map whose objects grew past its sheet frame takes the frame of
  // its objects as its sheet's corners now.
  if (result > 0 && map->SiteBorderChanged) map->CalculateSiteBorder();
  PaintColorState = colours;
  return result;
}

// ---------------------------------------------------------------------------
// The slots

int OpenSiteKind(TMapControl* doc, const char* name, int mode) { return doc->OpenSite(name, mode); }

void CloseSiteKind(TMapControl* doc, int n) { doc->CloseSite(n); }

int ShowSiteKind(TMapControl* doc, int over) { return doc->ShowSitePlace(over); }

int ShowSiteUnit(TMapControl* doc, int n) {
  SITENODE* node = doc->GetSiteChain(n);
  return node != nullptr ? doc->ShowMapBySelect(&node->Map, &node->ViewSelect) : 0;
}
