// The object search on a map document: places from object handles, the
// total search and its rules, the samples of the document's selects, the
// area of the seek selects and the sheets by point and by name.
#include "search/docseek.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/codepage.h"

namespace {

// The length of a sheet name without its trailing blanks.
size_t TrimmedLength(const char* text, size_t size) {
  size_t n = strnlen(text, size);
  while (n > 0 && text[n - 1] == ' ') --n;
  return n;
}

bool SameWithoutCase(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (FoldCase1251(static_cast<unsigned char>(a[i])) !=
        FoldCase1251(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Whether a sheet's name matches (TDocumentSeek::MATCH_*).
bool NameMatches(const char* sheet, size_t size, const char* name, int match) {
  if (sheet == nullptr) return false;
  const size_t length = strnlen(sheet, size);
  if (match == TDocumentSeek::MATCH_WHOLE) {
    const size_t given = std::strlen(name);
    return given == length && SameWithoutCase(sheet, name, length);
  }
  const size_t given = TrimmedLength(name, std::strlen(name));
  if (given > length || !SameWithoutCase(sheet, name, given)) return false;
  if (match == TDocumentSeek::MATCH_START) return given > 0;
  return TrimmedLength(sheet + given, length - given) == 0;
}

// The name of sheet n of a map, and the size of its field.
const char* SheetName(TMap* map, int n) {
  if (map == nullptr || map->Lists == nullptr || n < 1 || n > map->Count()) return nullptr;
  LISTDESC* sheet = map->TMapPassport::List(n);
  return sheet != nullptr ? sheet->Register.Nomenclature : nullptr;
}
constexpr size_t kNameSize = sizeof(LISTREGISTER::Nomenclature);

bool IsOpen(const TMap* map) { return map != nullptr && map->IsActive(); }

// Where a walk that stays in `map` goes on from: the handle's object when
// it lies in that map, else the map's beginning.
MAPOBJDESC StartIn(MAPOBJDESC place, TMap* map) {
  if (place.Map != map) place = MAPOBJDESC{0, 0, nullptr};
  place.Map = map;
  return place;
}

// The same for a search in map m of the list when it stays in one map;
// false when the list has no map m.
bool StartInMap(const TSeekMaps& maps, int m, int flags, MAPOBJDESC* place) {
  if (!(flags & SEEK_THISMAP)) return true;
  TMap* map = maps.GetMap(m);
  if (map == nullptr) return false;
  *place = StartIn(*place, map);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Places

MAPOBJDESC TDocumentSeek::PlaceOf(const TObjectInfo* info) {
  if (info == nullptr || info->Map == nullptr || info->Number < 1) return MAPOBJDESC{0, 0, nullptr};
  return MAPOBJDESC{info->Sheet, info->Number, info->Map};
}

TObjectInfo* TDocumentSeek::Found(TObjectInfo* info, const MAPOBJDESC& place) {
  MAPOBJDESC copy = place;
  info->Object(&copy);
  return info->Desc != nullptr ? info : nullptr;
}

// ---------------------------------------------------------------------------
// Searches

TObjectInfo* TDocumentSeek::SeekObject(TObjectInfo* info, TMapSelect* select, int flags) {
  if (Doc == nullptr || info == nullptr) return nullptr;
  MAPOBJDESC place = PlaceOf(info);
  if (flags & SEEK_THISMAP) {
    // The walk stays in the select's map: the handle's object is a place to
    // go on from only when it lies there.
    if (select != nullptr) place = StartIn(place, select->Map);
  }
  TObjectSeek seek(Maps);
  return Found(info, place, flags, [&](MAPOBJDESC* at, int f) {
    return seek.SeekObject(at, select, f);
  });
}

TObjectInfo* TDocumentSeek::SeekObject(TObjectInfo* info, TMapSelect* select, int m, int flags) {
  if (Doc == nullptr || info == nullptr) return nullptr;
  MAPOBJDESC place = PlaceOf(info);
  if (!StartInMap(Maps, m, flags, &place)) return nullptr;
  TObjectSeek seek(Maps);
  return Found(info, place, flags, [&](MAPOBJDESC* at, int f) {
    return seek.SeekObject(at, select, f);
  });
}

TObjectInfo* TDocumentSeek::SeekViewObject(TObjectInfo* info, TMapSelect* select, int m,
                                           int flags) {
  return SeekObject(info, select, m, flags | SEEK_VIEW);
}

bool TDocumentSeek::TotalSetup(TMapSelect** select, int* flags, int* map) {
  const int rule = GetTotalSeekMapRule();
  if (rule == -2) return false;
  *map = rule;
  if (rule >= 0) {
    *select = Maps.GetSeekSelect(rule);
    if (*select == nullptr) return false;
    *flags |= SEEK_THISMAP;
  } else {
    *select = nullptr;
    *flags &= ~SEEK_THISMAP;
  }
  if (Doc->TotalSeekViewRule != 0)
    *flags |= SEEK_VIEW;
  else
    *flags &= ~SEEK_VIEW;
  return true;
}

TObjectInfo* TDocumentSeek::TotalSeekObject(TObjectInfo* info, int flags) {
  if (Doc == nullptr || info == nullptr) return nullptr;
  TMapSelect* select = nullptr;
  int rule = -1;
  if (!TotalSetup(&select, &flags, &rule)) return nullptr;
  MAPOBJDESC place = PlaceOf(info);
  if (flags & SEEK_THISMAP) {
    TMap* map = Maps.GetMap(rule);
    place = StartIn(place, map);
  }
  TObjectSeek seek(Maps);
  return Found(info, place, flags, [&](MAPOBJDESC* at, int f) {
    return seek.SeekObject(at, select, f);
  });
}

TObjectInfo* TDocumentSeek::SeekObject(TObjectInfo* info, const KEYSELECT* keys, int m,
                                       int flags) {
  if (Doc == nullptr || info == nullptr || keys == nullptr) return nullptr;
  MAPOBJDESC place = PlaceOf(info);
  if (!StartInMap(Maps, m, flags, &place)) return nullptr;
  TObjectSeek seek(Maps);
  return Found(info, place, flags, [&](MAPOBJDESC* at, int f) {
    return seek.SeekObject(at, keys, f);
  });
}

TObjectInfo* TDocumentSeek::SeekObject(TObjectInfo* info, int sheet, DWORD key, int m) {
  if (Doc == nullptr || info == nullptr) return nullptr;
  TMap* map = Maps.GetMap(m);
  const int number = TObjectSeek::SeekObjectByKey(map, sheet, key);
  if (number == 0) return nullptr;
  return Found(info, MAPOBJDESC{sheet, number, map});
}

TObjectInfo* TDocumentSeek::SeekObject(TObjectInfo* info, const char* name, DWORD key) {
  if (Doc == nullptr || info == nullptr || name == nullptr) return nullptr;
  TMap* main = Maps.GetMap(0);
  if (IsOpen(main)) {
    const int sheet = SheetByName(main, name, MATCH_BLANKS, true);
    if (sheet != 0) return SeekObject(info, sheet, key, 0);
  }
  for (int n = Maps.UserCount(); n >= 1; --n) {
    TMap* map = Maps.GetMap(n);
    if (!IsOpen(map) || !NameMatches(SheetName(map, 1), kNameSize, name, MATCH_BLANKS)) continue;
    return SeekObject(info, 1, key, n);
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Total search rules

int TDocumentSeek::SetTotalSeekMapRule(int n) {
  if (Doc == nullptr) return 0;
  if (n >= 0 && Maps.GetMap(n) == nullptr) n = 0;
  Doc->TotalSeekMapRule = n;
  return n;
}

int TDocumentSeek::GetTotalSeekMapRule() {
  if (Doc == nullptr) return -2;
  const int rule = int(Doc->TotalSeekMapRule);
  if (rule == -1) return -1;
  return rule >= 0 && Maps.GetMap(rule) != nullptr ? rule : -2;
}

int TDocumentSeek::SetTotalSeekMap(TMap* map) {
  if (Doc == nullptr) return 0;
  const int n = map == nullptr ? -1 : Maps.GetMapNumber(map);
  Doc->TotalSeekMapRule = map == nullptr ? -1 : (n >= 0 ? n : 0);
  return int(Doc->TotalSeekMapRule);
}

TMap* TDocumentSeek::GetTotalSeekMap() {
  if (Doc == nullptr || Doc->TotalSeekMapRule < 0) return nullptr;
  TMap* map = Maps.GetMap(int(Doc->TotalSeekMapRule));
  if (map != nullptr) return map;
  Doc->TotalSeekMapRule = 0;
  return Maps.GetMap(0);
}

int TDocumentSeek::SetTotalSeekViewRule(int view) {
  if (Doc == nullptr) return 0;
  Doc->TotalSeekViewRule = view;
  return view;
}

int TDocumentSeek::GetTotalSeekViewRule() const {
  return Doc != nullptr ? int(Doc->TotalSeekViewRule) : 0;
}

int TDocumentSeek::TotalSeekObjectCount() {
  if (Doc == nullptr) return 0;
  const int rule = GetTotalSeekMapRule();
  if (rule == -2) return 0;
  const int first = rule >= 0 ? rule : 0;
  const int last = rule >= 0 ? rule : Maps.UserCount();
  int total = 0;
  for (int n = first; n <= last; ++n) {
    TMapSelect* seek = Maps.GetSeekSelect(n);
    if (seek == nullptr || !IsOpen(Maps.GetMap(n))) continue;
    if (Doc->TotalSeekViewRule != 0) {
      TMapSelect* view = Maps.GetViewSelect(n);
      if (!Maps.MapVisible(n) || view == nullptr) continue;
      total += seek->GetMarkObjectCount(view);
    } else {
      total += seek->GetSelectObjectCount();
    }
  }
  return total;
}

int TDocumentSeek::GetTotalSeekBorder(DFRAME* frame) {
  if (Doc == nullptr || frame == nullptr) return 0;
  TMapSelect* select = nullptr;
  int flags = SEEK_FIRST, rule = -1;
  if (!TotalSetup(&select, &flags, &rule)) return 0;
  MAPOBJDESC place{0, 0, (flags & SEEK_THISMAP) ? Maps.GetMap(rule) : nullptr};
  // Every object is found once; the bound stops a search over a damaged
  // chain that runs in a circle.
  int64_t bound = 1;
  for (int n = 0; n <= Maps.UserCount(); ++n) {
    TMap* map = Maps.GetMap(n);
    if (!IsOpen(map) || map->Lists == nullptr) continue;
    for (int s = 1; s <= map->Count(); ++s) bound += map->GetObjectCount(s);
  }
  TObjectSeek seek(Maps);
  DFRAME out{};
  bool any = false;
  for (int64_t k = 0; k < bound && seek.SeekObject(&place, select, flags); ++k) {
    flags = (flags & ~(SEEK_LAST | SEEK_PREV)) | SEEK_NEXT;
    TMap* map = place.Map;
    const FVSPR* d = map->ListObjectDesc(int(place.List), int(place.Object));
    if (d == nullptr) continue;
    DOUBLEPOINT origin{0.0, 0.0};
    if (!map->IsRealPlace())
      if (const DOUBLEPOINT* position = map->ViewPosition(int(place.List))) origin = *position;
    const double f = map->Factor;
    const DFRAME plane{(d->X1 + origin.X) * f + map->X0, (d->Y1 + origin.Y) * f + map->Y0,
                       (d->X2 + origin.X) * f + map->X0, (d->Y2 + origin.Y) * f + map->Y0};
    if (!any) {
      out = plane;
      any = true;
      continue;
    }
    out.X1 = std::min(out.X1, plane.X1), out.Y1 = std::min(out.Y1, plane.Y1);
    out.X2 = std::max(out.X2, plane.X2), out.Y2 = std::max(out.Y2, plane.Y2);
  }
  if (!any) return 0;
  *frame = out;
  return 1;
}

int TDocumentSeek::GetSelectedSeekMapRule() {
  int marked = 0, unmarked = 0, first = -1;
  for (int n = 0; n <= Maps.UserCount(); ++n) {
    TMapSelect* seek = Maps.GetSeekSelect(n);
    if (seek == nullptr) continue;
    if (seek->IsTotalSeekMap()) {
      ++marked;
      if (first < 0) first = n;
    } else {
      ++unmarked;
    }
  }
  if (marked == 0) return 0;
  return unmarked == 0 ? -1 : first;
}

int TDocumentSeek::GetSelectedSeekViewRule() {
  TMapSelect* seek = IsOpen(Maps.GetMap(0)) ? Maps.GetSeekSelect(0) : Maps.GetSeekSelect(1);
  return seek != nullptr ? seek->IsTotalSeekView() : -1;
}

int TDocumentSeek::FreezeMapContents() {
  if (Doc == nullptr) return 0;
  const int rule = GetTotalSeekMapRule();
  if (rule == -1) {
    for (int n = 0; n <= Maps.UserCount(); ++n)
      if (TMapSelect* seek = Maps.GetSeekSelect(n)) seek->Freeze();
    return 1;
  }
  TMapSelect* seek = Maps.GetSeekSelect(rule == -2 ? 0 : rule);
  return seek != nullptr ? seek->Freeze() : 0;
}

int TDocumentSeek::DefreezeMapContents() {
  for (int n = 0; n <= Maps.UserCount(); ++n)
    if (TMapSelect* seek = Maps.GetSeekSelect(n)) seek->Defreeze();
  return 1;
}

int TDocumentSeek::SeekSelectObjectCount(TMapSelect* select) {
  if (select != nullptr) return select->GetSelectObjectCount();
  int total = 0;
  for (int n = 0; n <= Maps.UserCount(); ++n)
    if (TMapSelect* seek = Maps.GetSeekSelect(n)) total += seek->GetSelectObjectCount();
  return total;
}

int TDocumentSeek::ViewSelectObjectCount(TMapSelect* select) {
  if (select != nullptr) return select->GetSelectObjectCount();
  int total = 0;
  for (int n = 0; n <= Maps.UserCount(); ++n)
    if (TMapSelect* view = Maps.GetViewSelect(n)) total += view->GetSelectObjectCount();
  return total;
}

int TDocumentSeek::SetViewSelect(TMapSelect* select) {
  TMapSelect* view = Maps.GetViewSelect(0);
  if (select == nullptr || view == nullptr) return 0;
  return view->SetSelect(select);
}

// ---------------------------------------------------------------------------
// Samples

int TDocumentSeek::SheetByName(TMap* map, const char* name, int match, bool fromLast) {
  if (!IsOpen(map) || map->Lists == nullptr || name == nullptr) return 0;
  const int count = map->Count();
  for (int k = 0; k < count; ++k) {
    const int s = fromLast ? count - k : k + 1;
    if (NameMatches(SheetName(map, s), kNameSize, name, match)) return s;
  }
  return 0;
}

int TDocumentSeek::FirstWithKey(TMap* map, int sheet, DWORD key) {
  if (!IsOpen(map) || !map->OpenList(sheet)) return 0;
  TMapList& list = map->List;
  const int count = list.Count();
  for (int o = 1; o <= count; ++o) {
    const FVSPR* d = list.ObjectDesc(o);
    if (d == nullptr) return 0;
    if (d->Key == key) return o;
  }
  return 0;
}

int TDocumentSeek::MapOfSheetName(const char* name, int* sheet) {
  TMap* main = Maps.GetMap(0);
  if (IsOpen(main) && (*sheet = SheetByName(main, name, MATCH_BLANKS, false)) != 0) return 0;
  for (int n = Maps.UserCount(); n >= 1; --n) {
    TMap* map = Maps.GetMap(n);
    if (IsOpen(map) && NameMatches(SheetName(map, 1), kNameSize, name, MATCH_BLANKS)) {
      *sheet = 1;
      return n;
    }
  }
  return -1;
}

int TDocumentSeek::SelectViewSample(const char* name, DWORD key) {
  if (Doc == nullptr || name == nullptr) return 0;
  int sheet = 0;
  const int n = MapOfSheetName(name, &sheet);
  TMapSelect* view = n >= 0 ? Maps.GetViewSelect(n) : nullptr;
  if (view == nullptr) return 0;
  const int o = FirstWithKey(Maps.GetMap(n), sheet, key);
  return o != 0 ? view->AppendSample(o, sheet) : 0;
}

int TDocumentSeek::SelectSeekSample(const char* name, DWORD key) {
  if (Doc == nullptr || name == nullptr) return 0;
  int sheet = 0;
  const int n = MapOfSheetName(name, &sheet);
  TMapSelect* seek = n >= 0 ? Maps.GetSeekSelect(n) : nullptr;
  if (seek == nullptr) return 0;
  // Objects of every localisation may be sought among the sample.
  seek->SelectAllLocals();
  seek->SetLocalSwitch(0);
  const int o = FirstWithKey(Maps.GetMap(n), sheet, key);
  return o != 0 ? seek->AppendSample(o, sheet) : 0;
}

int TDocumentSeek::SetSample(TMapSelect* select, const char* name, DWORD key) {
  if (Doc == nullptr || select == nullptr || name == nullptr || name[0] == 0) return 0;
  TMap* map = select->Map != nullptr ? select->Map : Maps.GetMap(0);
  if (!IsOpen(map) || map->Lists == nullptr) return 0;
  for (int s = 1; s <= map->Count(); ++s) {
    if (!NameMatches(SheetName(map, s), kNameSize, name, MATCH_WHOLE) || !map->OpenList(s)) continue;
    const int o = FirstWithKey(map, s, key);
    return o != 0 ? select->AppendSample(o, s) : 0;
  }
  return 0;
}

int TDocumentSeek::SetSample(TMapSelect* select, int sheet, DWORD key) {
  if (Doc == nullptr || select == nullptr) return 0;
  TMap* map = select->Map != nullptr ? select->Map : Maps.GetMap(0);
  if (!IsOpen(map) || !map->OpenList(sheet)) return 0;
  TMapList& list = map->List;
  const int count = list.Count();
  int appended = 0;
  for (int o = 1; o <= count; ++o) {
    const FVSPR* d = list.ObjectDesc(o);
    if (d == nullptr) break;
    if (d->Key == key && select->AppendSample(o, sheet)) ++appended;
  }
  return appended;
}

int TDocumentSeek::SetSampleByNumber(TMapSelect* select, int sheet, int number) {
  if (Doc == nullptr || select == nullptr || sheet < 1 || number < 1) return 0;
  TMap* map = select->Map != nullptr ? select->Map : Maps.GetMap(0);
  if (!IsOpen(map) || !map->OpenList(sheet) || number > map->List.Count()) return 0;
  return select->AppendSample(number, sheet);
}

int TDocumentSeek::DeleteSampleByNumber(TMapSelect* select, int sheet, int number) {
  if (select == nullptr || sheet < 1 || number < 1) return 0;
  TMap* map = select->Map != nullptr ? select->Map : Maps.GetMap(0);
  if (!IsOpen(map) || !map->OpenList(sheet) || number > map->List.Count()) return 0;
  return select->DeleteSample(number, sheet);
}

void TDocumentSeek::ClearSample(TMapSelect* select) {
  if (Doc == nullptr) return;
  if (select != nullptr) {
    select->ClearSample();
    return;
  }
  for (int n = Maps.UserCount(); n >= 0; --n)
    if (TMapSelect* seek = Maps.GetSeekSelect(n)) seek->ClearSample();
}

// ---------------------------------------------------------------------------
// Area

int TDocumentSeek::SetSeekArea(TObjectInfo* area, double distance, int keep, int relation,
                               int view, int seek, int m) {
  if (Doc == nullptr || area == nullptr || area->PointCount(0) < 2) return 0;
  const int users = Maps.UserCount();
  if (Maps.GetMapNumber(area->Map) < 0 || m < -1 || m > users) return 0;
  // The area in plane metres: a sheet map's object is copied point by
  // point, a user map's is taken as it is.
  TObjectInfo work;
  TObjectInfo* source = area;
  if (!area->Map->IsRealPlace()) {
    if (!work.CreateObject(int(METRIC_F64), 0)) return 0;
    const int count = area->PointCount(0);
    for (int i = 1; i <= count; ++i)
      if (!work.Metric.AppendPointSubject(0, area->XPlane(i, 0), area->YPlane(i, 0))) return 0;
    source = &work;
  }
  int selects = 0, set = 0;
  for (int n = users; n >= 0; --n) {
    TMapSelect* select = Maps.GetSeekSelect(n);
    if (select == nullptr) continue;
    ++selects;
    const bool searched = m == -1 || n == m;
    select->AreaSet(distance, source, keep, relation, searched ? seek : 0,
                    searched && view != 0 ? Maps.GetViewSelect(n) : nullptr);
    if (select->AreaSwitch) ++set;
  }
  if (selects == 0 || set != selects) return 0;
  Doc->TotalSeekMapRule = m;
  Doc->TotalSeekViewRule = view;
  return 1;
}

// ---------------------------------------------------------------------------
// Sheets

int TDocumentSeek::SheetAt(double x, double y, int k) {
  TMap* main = Maps.GetMap(0);
  if (!IsOpen(main) || main->Lists == nullptr) return 0;
  int wanted = k > 1 ? k : 1;
  for (int n = 1; n <= main->Count(); ++n) {
    const LISTDESC* sheet = main->TMapPassport::List(n);
    if (sheet == nullptr) continue;
    const DOUBLEPOINT& low = sheet->Corner[0];
    const DOUBLEPOINT& high = sheet->Corner[1];
    // The border belongs to no sheet.
    if (low.X < x && x < high.X && low.Y < y && y < high.Y && --wanted == 0) return n;
  }
  return 0;
}

int TDocumentSeek::WhatListNumber(double x, double y, int k, int kind) {
  if (Doc == nullptr) return 0;
  switch (kind) {
    case SEEKPOINT_MAP:
      Doc->MapToPlane(x, y);
      break;
    case SEEKPOINT_PICTURE:
      Doc->PictureToPlane(x, y);
      break;
    case SEEKPOINT_PLANE:
      break;
    case SEEKPOINT_GEO:
      if (!Doc->IsGeoSupported() || !Doc->GeoToPlane(x, y)) return 0;
      break;
    default:
      return 0;
  }
  return SheetAt(x, y, k);
}

int TDocumentSeek::WhatListNumber(LONG x, LONG y, int k) {
  return WhatListNumber(double(x), double(y), k, SEEKPOINT_MAP);
}

const char* TDocumentSeek::WhatListName(double x, double y, int k, int kind) {
  const int n = WhatListNumber(x, y, k, kind);
  return n != 0 ? Maps.GetMap(0)->Nomenclature(n) : nullptr;
}

const char* TDocumentSeek::WhatListName(LONG x, LONG y, int k) {
  return WhatListName(double(x), double(y), k, SEEKPOINT_MAP);
}

const char* TDocumentSeek::GetListName(int n) {
  TMap* main = Maps.GetMap(0);
  if (Doc == nullptr || !IsOpen(main) || n == 0) return nullptr;
  return main->Nomenclature(n);
}

int TDocumentSeek::WhatListLayoutIs(const char* name) {
  if (Doc == nullptr || name == nullptr) return -1;
  for (int n = 0; n <= Maps.UserCount(); ++n)
    if (SheetByName(Maps.GetMap(n), name, MATCH_WHOLE, false) != 0) return n;
  return -1;
}

int TDocumentSeek::MapByFileName(const char* name) {
  if (Doc == nullptr || name == nullptr || name[0] == 0) return -1;
  const size_t given = std::strlen(name);
  for (int n = 0; n <= Maps.UserCount(); ++n) {
    TMap* map = Maps.GetMap(n);
    if (IsOpen(map) && strnlen(map->Path, sizeof(map->Path)) == given &&
        SameWithoutCase(map->Path, name, given))
      return n;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Seek selects

int TDocumentSeek::SetTotalSeekAccess(int access) {
  if (Doc == nullptr) return 0;
  for (int n = 0; n <= Maps.UserCount(); ++n) {
    TMapSelect* seek = Maps.GetSeekSelect(n);
    if (seek == nullptr) continue;
    seek->SelectAll();
    if (access == 0) {
      seek->ClearAllLocals();
      seek->SetLocalSwitch(1);
    }
  }
  return 1;
}

void TDocumentSeek::ClearSeekArea() {
  for (int n = 0; n <= Maps.UserCount(); ++n)
    if (TMapSelect* seek = Maps.GetSeekSelect(n)) seek->AreaClear();
}

// ---------------------------------------------------------------------------
// The view select of the exported interface

int docSetViewSelect(HMAP hMap, HSELECT select) {
  TMapAccess* doc = DocumentOf(hMap);
  TMapSelect* given = MapSelectOfHandle(select);
  if (doc == nullptr || given == nullptr) return 0;
  return doc->SetViewSelect(given);
}

int docGetViewSelect(HMAP hMap, HSELECT select) {
  TMapAccess* doc = DocumentOf(hMap);
  TMapSelect* given = MapSelectOfHandle(select);
  if (doc == nullptr || given == nullptr) return 0;
  TMapSelect* view = TSeekMaps(doc).GetViewSelect(0);
  return view != nullptr && given->SetSelect(view) ? 1 : 0;
}

// ---------------------------------------------------------------------------
// The document's entries

TObjectInfo* TMapAccess::SeekObject(TObjectInfo* info, TMapSelect* select, int flags) {
  return TDocumentSeek(this).SeekObject(info, select, flags);
}

TObjectInfo* TMapAccess::SeekObject(TObjectInfo* info, TMapSelect* select, int m, int flags) {
  return TDocumentSeek(this).SeekObject(info, select, m, flags);
}

TObjectInfo* TMapAccess::SeekViewObject(TObjectInfo* info, TMapSelect* select, int m, int flags) {
  return TDocumentSeek(this).SeekViewObject(info, select, m, flags);
}

TObjectInfo* TMapAccess::TotalSeekObject(TObjectInfo* info, int flags) {
  return TDocumentSeek(this).TotalSeekObject(info, flags);
}

TObjectInfo* TMapAccess::SeekObject(TObjectInfo* info, const KEYSELECT* keys, int m, int flags) {
  return TDocumentSeek(this).SeekObject(info, keys, m, flags);
}

TObjectInfo* TMapAccess::SeekObject(TObjectInfo* info, int sheet, DWORD key, int m) {
  return TDocumentSeek(this).SeekObject(info, sheet, key, m);
}

TObjectInfo* TMapAccess::SeekObject(TObjectInfo* info, const char* name, DWORD key) {
  return TDocumentSeek(this).SeekObject(info, name, key);
}

int TMapAccess::TotalSeekObjectCount() { return TDocumentSeek(this).TotalSeekObjectCount(); }

int TMapAccess::GetTotalSeekBorder(DFRAME* frame) {
  return TDocumentSeek(this).GetTotalSeekBorder(frame);
}

int TMapAccess::SetTotalSeekMapRule(int n) { return TDocumentSeek(this).SetTotalSeekMapRule(n); }

int TMapAccess::GetTotalSeekMapRule() { return TDocumentSeek(this).GetTotalSeekMapRule(); }

int TMapAccess::SetTotalSeekMap(TMap* map) { return TDocumentSeek(this).SetTotalSeekMap(map); }

TMap* TMapAccess::GetTotalSeekMap() { return TDocumentSeek(this).GetTotalSeekMap(); }

int TMapAccess::GetSelectedSeekMapRule() { return TDocumentSeek(this).GetSelectedSeekMapRule(); }

int TMapAccess::GetSelectedSeekViewRule() {
  return TDocumentSeek(this).GetSelectedSeekViewRule();
}

int TMapAccess::FreezeMapContents() { return TDocumentSeek(this).FreezeMapContents(); }

int TMapAccess::DefreezeMapContents() { return TDocumentSeek(this).DefreezeMapContents(); }

int TMapAccess::SeekSelectObjectCount(TMapSelect* select) {
  return TDocumentSeek(this).SeekSelectObjectCount(select);
}

int TMapAccess::ViewSelectObjectCount(TMapSelect* select) {
  return TDocumentSeek(this).ViewSelectObjectCount(select);
}

int TMapAccess::SetViewSelect(TMapSelect* select) {
  return TDocumentSeek(this).SetViewSelect(select);
}

int TMapAccess::SelectViewSample(const char* name, LONG key) {
  return TDocumentSeek(this).SelectViewSample(name, DWORD(key));
}

int TMapAccess::SelectSeekSample(const char* name, LONG key) {
  return TDocumentSeek(this).SelectSeekSample(name, DWORD(key));
}

int TMapAccess::SetSample(TMapSelect* select, const char* name, LONG key) {
  return TDocumentSeek(this).SetSample(select, name, DWORD(key));
}

int TMapAccess::SetSample(TMapSelect* select, LONG sheet, LONG key) {
  return TDocumentSeek(this).SetSample(select, int(sheet), DWORD(key));
}

int TMapAccess::SetSampleByNumber(TMapSelect* select, LONG sheet, LONG number) {
  return TDocumentSeek(this).SetSampleByNumber(select, int(sheet), int(number));
}

int TMapAccess::DeleteSampleByNumber(TMapSelect* select, LONG sheet, LONG number) {
  return TDocumentSeek(this).DeleteSampleByNumber(select, int(sheet), int(number));
}

void TMapAccess::ClearSample(TMapSelect* select) { TDocumentSeek(this).ClearSample(select); }

int TMapAccess::SetSeekArea(TObjectInfo* area, double distance, int keep, int relation, int view,
                            int seek, int m) {
  return TDocumentSeek(this).SetSeekArea(area, distance, keep, relation, view, seek, m);
}

int TMapAccess::WhatListNumber(double x, double y, int k, int kind) {
  return TDocumentSeek(this).WhatListNumber(x, y, k, kind);
}

int TMapAccess::WhatListNumber(LONG x, LONG y, int k) {
  return TDocumentSeek(this).WhatListNumber(x, y, k);
}

const char* TMapAccess::WhatListName(double x, double y, int k, int kind) {
  return TDocumentSeek(this).WhatListName(x, y, k, kind);
}

const char* TMapAccess::WhatListName(LONG x, LONG y, int k) {
  return TDocumentSeek(this).WhatListName(x, y, k);
}

const char* TMapAccess::GetListName(int n) { return TDocumentSeek(this).GetListName(n); }

int TMapAccess::WhatListLayoutIs(const char* name) {
  return TDocumentSeek(this).WhatListLayoutIs(name);
}
