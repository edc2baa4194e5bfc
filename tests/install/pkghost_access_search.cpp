// A host of the document's searches, built against an installed tree with
// the flags of pkg-config alone. It makes a classifier and a map of one
// sheet through the C functions in the folder argv[1], then asks the
// document (TMapAccess, whose address is the map handle) what it asks the
// C functions, and checks that both give the same answers: the object
// searches, the total search and its rules, samples, areas and sheets, the
// hit test on the picture and the adjacency search.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "document/mapaccess.h"
#include "pkghost_maps.h"

namespace {

// The sheet: 10 x 10 km, its south-west corner in plane metres (X north,
// Y east).
constexpr double X0 = 6000000.0, Y0 = 7400000.0, SIDE = 10000.0;
constexpr LONG LAKE_CODE = 31410000, ROAD_CODE = 31120000;
const char* const SHEET = "HOST-1";

TObjectInfo* Info(HOBJ h) { return reinterpret_cast<TObjectInfo*>(h); }
TMapSelect* Select(HSELECT h) { return reinterpret_cast<TMapSelect*>(h); }
HOBJ Handle(TObjectInfo* info) { return reinterpret_cast<HOBJ>(info); }

// A classifier with a filled lake and a road: 1 when written.
int MakeClassifier(const std::string& path) {
  static const DWORD lake[] = {0xE0A040};
  static const DWORD road[] = {0x0000C0, 750};
  PALETTE256 palette;
  PkgHostPalette(&palette, 16, nullptr);
  for (int i = 0; i < 16; ++i) palette.Colors[i] = 0x0F0F0Fu * DWORD(i);
  HRSC rsc = PkgHostCreateRscEx(path.c_str(), "SEARCH HOST", "HOST", &palette);
  if (rsc == 0) return 0;
  const LONG layer = PkgHostAppendLayer(rsc, "LAYER", "LAYER", 0);
  const int ok =
      layer > 0 &&
      PkgHostAppendKindEx(rsc, layer, LAKE_CODE, LOCAL_SQUARE, "LAKE", PRIM_SQUARE, lake, 1) &&
      PkgHostAppendKindEx(rsc, layer, ROAD_CODE, LOCAL_LINE, "ROAD", PRIM_LINE, road, 2) &&
      mapCommitRsc(rsc);
  mapCloseRsc(rsc);
  return ok;
}

HMAP MakeMap(const std::string& path, const std::string& rsc) {
  MAPREGISTEREX map;
  LISTREGISTER sheet;
  PkgHostMapRecord(&map, "SEARCH MAP");
  PkgHostTopographic(&map);
  PkgHostSquareSheet(&sheet, SHEET, "SEARCH1", X0, Y0, SIDE);
  std::strcpy(sheet.Name, "SEARCH SHEET");
  return mapCreateMapEx(path.c_str(), rsc.c_str(), &map, &sheet);
}

// An object through points in metres from the sheet's corner: its number.
LONG Append(HMAP map, LONG code, LONG local, const std::vector<DOUBLEPOINT>& points) {
  return PkgHostAppendObject(map, 0, code, local, X0, Y0, points.data(), int(points.size()));
}

// A closed square lake of 1 km with its south-west corner at (x, y).
LONG Square(HMAP map, double x, double y) {
  return Append(map, LAKE_CODE, LOCAL_SQUARE,
                {{x, y}, {x + 1000, y}, {x + 1000, y + 1000}, {x, y + 1000}, {x, y}});
}

// The numbers of the objects a search finds, first (or last) one and on;
// `seek` binds the handle and answers whether it found one.
template <class Seek>
std::vector<LONG> Found(HMAP map, Seek seek, LONG first = SEEK_FIRST, LONG on = SEEK_NEXT) {
  HOBJ object = mapCreateObject(map, 1, 0, 0);
  std::vector<LONG> numbers;
  for (LONG flags = first; numbers.size() < 20 && seek(object, flags); flags = on)
    numbers.push_back(mapGetObjectNumber(object));
  mapFreeObject(object);
  return numbers;
}

// The frame of a point (metres from the sheet's corner) widened by 50 m.
DFRAME Around(double x, double y) {
  return DFRAME{X0 + x - 50, Y0 + y - 50, X0 + x + 50, Y0 + y + 50};
}

void Searches(HMAP hMap, TMapAccess* doc, const std::vector<LONG>& all) {
  // Every object, forwards and backwards, through each road.
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) { return mapSeekObject(hMap, h, f) == h; }) == all);
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) {
                  return doc->SeekObject(Info(h), nullptr, f) == Info(h);
                }) == all);
  const std::vector<LONG> back(all.rbegin(), all.rend());
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) {
                  return doc->SeekObject(Info(h), nullptr, f) == Info(h);
                }, SEEK_LAST, SEEK_PREV) == back);
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) { return mapSeekObject(hMap, h, f) == h; },
                      SEEK_LAST, SEEK_PREV) == back);

  // Under a select that lets lakes alone pass.
  HSELECT lakes = mapCreateMapSelectContext(hMap);
  mapSelectLocal(lakes, LOCAL_LINE, 0);
  const std::vector<LONG> squares =
      Found(hMap, [&](HOBJ h, LONG f) { return mapSeekSelectObject(hMap, h, lakes, f) == h; });
  PKGHOST_CHECK(squares.size() + 1 == all.size());
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) {
                  return doc->SeekObject(Info(h), Select(lakes), f) != nullptr;
                }) == squares);
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) {
                  return doc->SeekObject(Info(h), Select(lakes), 0, f | SEEK_THISMAP) != nullptr;
                }) == squares);
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) {
                  return mapSeekViewObject(hMap, h, lakes, f) == h;
                }) == squares);
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) {
                  return doc->SeekViewObject(Info(h), Select(lakes), 0, f) != nullptr;
                }) == squares);

  // The walks of the control link, from places.
  TMapControl* control = doc;
  MAPOBJDESC place{0, 0, nullptr};
  PKGHOST_CHECK(control->SeekObject(&place, static_cast<TMapSelect*>(nullptr), SEEK_FIRST) == 1);
  PKGHOST_CHECK(place.Object == all.front() && place.List == 1);
  PKGHOST_CHECK(control->SeekObjectInMap(0, &place, Select(lakes), SEEK_NEXT) == 1);
  PKGHOST_CHECK(place.Object == squares[1]);
  PKGHOST_CHECK(control->SeekViewObjectInMap(0, &place, Select(lakes), SEEK_NEXT) == 1);
  PKGHOST_CHECK(place.Object == squares[2]);
  mapDeleteSelectContext(lakes);

  // By key, by key range and by the sheet's name.
  HOBJ object = mapCreateObject(hMap, 1, 0, 0);
  PKGHOST_CHECK(mapReadObjectByNumber(hMap, 0, object, 1, all[2]) == object);
  const LONG key = mapObjectKey(object);
  HOBJ other = mapCreateObject(hMap, 1, 0, 0);
  PKGHOST_CHECK(mapSeekObjectInList(hMap, 0, other, 1, DWORD(key)) == other);
  PKGHOST_CHECK(mapGetObjectNumber(other) == all[2]);
  PKGHOST_CHECK(doc->SeekObject(Info(object), 1, DWORD(key), 0) == Info(object));
  PKGHOST_CHECK(mapGetObjectNumber(object) == all[2]);
  PKGHOST_CHECK(doc->SeekObject(Info(object), (std::string(SHEET) + "  ").c_str(), DWORD(key)) ==
                Info(object));
  PKGHOST_CHECK(mapGetObjectNumber(object) == all[2]);
  const KEYSELECT range{1, DWORD(key), DWORD(key)};
  PKGHOST_CHECK(doc->SeekObject(Info(other), &range, 0, SEEK_FIRST) == Info(other));
  PKGHOST_CHECK(mapGetObjectNumber(other) == all[2]);
  PKGHOST_CHECK(doc->SeekObject(Info(other), &range, 0, SEEK_NEXT) == nullptr);
  place = MAPOBJDESC{0, 0, nullptr};
  PKGHOST_CHECK(control->SeekObject(&place, &range, SEEK_FIRST) == 1 && place.Object == all[2]);
  place = MAPOBJDESC{0, 0, nullptr};
  PKGHOST_CHECK(control->SeekKeyInMap(doc->GetMap(0), &place, &range, SEEK_LAST) == 1 &&
                place.Object == all[2]);
  mapFreeObject(other);
  mapFreeObject(object);
}

void TotalSearch(HMAP hMap, TMapAccess* doc, const std::vector<LONG>& all) {
  PKGHOST_CHECK(doc->TotalSeekObjectCount() == mapTotalSeekObjectCount(hMap));
  PKGHOST_CHECK(doc->TotalSeekObjectCount() == LONG(all.size()));
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) { return mapTotalSeekObject(hMap, h, f) == h; }) ==
                all);
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) {
                  return doc->TotalSeekObject(Info(h), f) != nullptr;
                }) == all);
  DFRAME c{}, m{};
  PKGHOST_CHECK(mapGetTotalSeekBorder(hMap, &c) == 1 && doc->GetTotalSeekBorder(&m) == 1);
  PKGHOST_CHECK(std::memcmp(&c, &m, sizeof c) == 0);

  // The map rule: a number naming no map becomes the main map.
  PKGHOST_CHECK(doc->SetTotalSeekMapRule(7) == 0);
  PKGHOST_CHECK(mapGetTotalSeekMapRule(hMap) == 0 && doc->GetTotalSeekMapRule() == 0);
  PKGHOST_CHECK(doc->GetTotalSeekMap() == doc->GetMap(0));
  mapSetTotalSeekMapRule(hMap, -1);
  PKGHOST_CHECK(doc->GetTotalSeekMapRule() == -1 && doc->GetTotalSeekMap() == nullptr);
  PKGHOST_CHECK(doc->SetTotalSeekMap(doc->GetMap(0)) == 0);
  PKGHOST_CHECK(doc->SetTotalSeekMap(nullptr) == -1);
  PKGHOST_CHECK(doc->GetSelectedSeekMapRule() == 0);
  PKGHOST_CHECK(doc->GetSelectedSeekViewRule() == 0);
  PKGHOST_CHECK(doc->SeekSelectObjectCount(nullptr) == LONG(all.size()));
  PKGHOST_CHECK(doc->ViewSelectObjectCount(nullptr) == LONG(all.size()));

  // Frozen: an object added afterwards is not found until thawed.
  PKGHOST_CHECK(doc->FreezeMapContents() == mapFreezeMapContents(hMap));
  const LONG late = Square(hMap, 8000, 8000);
  PKGHOST_CHECK(late > 0);
  PKGHOST_CHECK(doc->TotalSeekObjectCount() == LONG(all.size()));
  PKGHOST_CHECK(doc->DefreezeMapContents() == 1 && mapDefreezeMapContents(hMap) == 1);
  PKGHOST_CHECK(doc->TotalSeekObjectCount() == LONG(all.size()) + 1);
  HOBJ object = mapCreateObject(hMap, 1, 0, 0);
  PKGHOST_CHECK(mapReadObjectByNumber(hMap, 0, object, 1, late) == object);
  PKGHOST_CHECK(mapDeleteObject(object));
  mapFreeObject(object);
  PKGHOST_CHECK(mapTotalSeekObjectCount(hMap) == LONG(all.size()));

  // Samples of the seek select: one object, then every object again.
  object = mapCreateObject(hMap, 1, 0, 0);
  PKGHOST_CHECK(mapReadObjectByNumber(hMap, 0, object, 1, all[1]) == object);
  const LONG key = mapObjectKey(object);
  PKGHOST_CHECK(mapSelectSeekSample(hMap, SHEET, key) == 1);
  PKGHOST_CHECK(doc->TotalSeekObjectCount() == 1);
  doc->ClearSample(nullptr);
  PKGHOST_CHECK(mapTotalSeekObjectCount(hMap) == LONG(all.size()));
  PKGHOST_CHECK(doc->SelectSeekSample(SHEET, key) == 1);
  PKGHOST_CHECK(mapTotalSeekObjectCount(hMap) == 1);
  doc->ClearSample(nullptr);
  HSELECT select = mapCreateMapSelectContext(hMap);
  PKGHOST_CHECK(doc->SetSample(Select(select), SHEET, key) == 1);
  PKGHOST_CHECK(mapGetSampleCount(select, 1) == 1);
  PKGHOST_CHECK(doc->SetSampleByNumber(Select(select), 1, all[0]) == 1);
  PKGHOST_CHECK(mapGetSampleCount(select, 1) == 2);
  PKGHOST_CHECK(doc->DeleteSampleByNumber(Select(select), 1, all[0]) == 1);
  PKGHOST_CHECK(mapGetSampleCount(select, 1) == 1);
  doc->ClearSample(Select(select));
  PKGHOST_CHECK(mapIsSample(select) == 0);
  PKGHOST_CHECK(doc->SetSample(Select(select), 1, key) == 1);
  PKGHOST_CHECK(mapGetSampleCount(select, 1) == 1);
  doc->ClearSample(Select(select));
  PKGHOST_CHECK(doc->SetViewSelect(Select(select)) == 1);
  // The view select's sample, by the method and by the function; the
  // view select is left without one.
  PKGHOST_CHECK(doc->SelectViewSample(SHEET, key) == 1);
  PKGHOST_CHECK(mapGetViewSelect(hMap, select) == 1 && mapGetSampleCount(select, 1) == 1);
  doc->ClearSample(Select(select));
  PKGHOST_CHECK(doc->SetViewSelect(Select(select)) == 1);
  PKGHOST_CHECK(mapGetViewSelect(hMap, select) == 1 && mapIsSample(select) == 0);
  PKGHOST_CHECK(mapSelectViewSample(hMap, SHEET, key) == 1);
  PKGHOST_CHECK(mapGetViewSelect(hMap, select) == 1 && mapGetSampleCount(select, 1) == 1);
  doc->ClearSample(Select(select));
  PKGHOST_CHECK(doc->SetViewSelect(Select(select)) == 1);
  mapDeleteSelectContext(select);

  // An area round the first square: the same answer by both roads, and
  // the same objects found afterwards.
  PKGHOST_CHECK(mapReadObjectByNumber(hMap, 0, object, 1, all[0]) == object);
  const LONG area = mapSelectAreaEx(hMap, object, 10.0, 0, 0, 0, 1, 0);
  const LONG near = mapTotalSeekObjectCount(hMap);
  mapUnselectArea(hMap);
  mapSetTotalSeekMapRule(hMap, -1);
  PKGHOST_CHECK(doc->SetSeekArea(Info(object), 10.0, 0, 0, 0, 1, 0) == area);
  PKGHOST_CHECK(area == 1 && doc->TotalSeekObjectCount() == near);
  PKGHOST_CHECK(near > 0 && near < LONG(all.size()));
  mapUnselectArea(hMap);
  doc->ClearSample(nullptr);
  mapSetTotalSeekMapRule(hMap, -1);
  mapFreeObject(object);
}

void Sheets(HMAP hMap, TMapAccess* doc) {
  double x = X0 + 500, y = Y0 + 500;
  PKGHOST_CHECK(doc->WhatListNumber(x, y, 1, 3) == 1);
  PKGHOST_CHECK(mapWhatListNumber(hMap, x, y, 1, 3) == 1);
  PKGHOST_CHECK(doc->WhatListNumber(X0, y, 1, 3) == mapWhatListNumber(hMap, X0, y, 1, 3));
  PKGHOST_CHECK(std::strcmp(doc->WhatListName(x, y, 1, 3), mapWhatListName(hMap, x, y, 1, 3)) ==
                0);
  doc->PlaneToMap(x, y);
  PKGHOST_CHECK(doc->WhatListNumber(LONG(x), LONG(y), 1) == 1);
  PKGHOST_CHECK(mapWhatListNumber(hMap, LONG(x), LONG(y), 1, 1) == 1);
  PKGHOST_CHECK(std::strcmp(doc->WhatListName(LONG(x), LONG(y), 1), SHEET) == 0);
  PKGHOST_CHECK(std::strcmp(doc->GetListName(1), mapGetListName(hMap, 1)) == 0);
  PKGHOST_CHECK(doc->GetListName(0) == nullptr);
  PKGHOST_CHECK(doc->WhatListLayoutIs(SHEET) == mapWhatListLayoutIs(hMap, SHEET));
  PKGHOST_CHECK(doc->WhatListLayoutIs(SHEET) == 0);
  PKGHOST_CHECK(doc->WhatListLayoutIs("NO SUCH") == -1);
}

void HitTest(HMAP hMap, TMapAccess* doc, const std::vector<LONG>& all) {
  // Over the side the first two squares share both are drawn: the first
  // search finds one, the next the other, then nothing more.
  const DFRAME shared = Around(1500, 2000);
  auto byC = [&](HOBJ h, LONG f) {
    DFRAME frame = shared;
    return mapWhatObject(hMap, h, &frame, f, 3) == h;
  };
  const std::vector<LONG> hits = Found(hMap, byC);
  PKGHOST_CHECK(hits == (std::vector<LONG>{all[0], all[1]}));
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) {
                  DFRAME frame = shared;
                  return doc->WhatObjectNoSelect(Info(h), &frame, 3, f) != nullptr;
                }) == hits);
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) {
                  DFRAME frame = shared;
                  return doc->WhatObject(Info(h), &frame, f, 3) != nullptr;
                }) == hits);
  PKGHOST_CHECK(Found(hMap, byC, SEEK_LAST, SEEK_PREV) ==
                std::vector<LONG>(hits.rbegin(), hits.rend()));

  // In map units, and from places on the control link.
  DFRAME units = shared;
  doc->PlaneToMap(units.X1, units.Y1);
  doc->PlaneToMap(units.X2, units.Y2);
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) {
                  DFRAME frame = units;
                  return doc->WhatObject(Info(h), &frame, f) != nullptr;
                }) == hits);
  PKGHOST_CHECK(Found(hMap, [&](HOBJ h, LONG f) {
                  DFRAME frame = units;
                  return mapWhatObject(hMap, h, &frame, f, 1) == h;
                }) == hits);
  TMapControl* control = doc;
  MAPOBJDESC place{0, 0, nullptr};
  DFRAME frame = units;
  PKGHOST_CHECK(control->WhatObject(&place, &frame, SEEK_LAST, nullptr) == &place);
  PKGHOST_CHECK(place.Object == hits.back());
  place = MAPOBJDESC{0, 0, nullptr};
  PKGHOST_CHECK(control->WhatObjectInMap(&place, &frame, nullptr, 0, SEEK_FIRST) == 1);
  PKGHOST_CHECK(place.Object == hits.front());
  PKGHOST_CHECK(TMapControl::IsObjectInFrame(nullptr, nullptr) == 0);
  PKGHOST_CHECK(control->TestObjectImage(nullptr, nullptr) == 0);

  // Through a select that lets the second square alone pass.
  HSELECT one = mapCreateMapSelectContext(hMap);
  HOBJ object = mapCreateObject(hMap, 1, 0, 0);
  PKGHOST_CHECK(mapReadObjectByNumber(hMap, 0, object, 1, all[1]) == object);
  mapSelectKey(one, mapObjectKey(object), mapObjectKey(object));
  frame = shared;
  PKGHOST_CHECK(mapWhatObjectBySelect(hMap, object, &frame, one, 0, 3) == object);
  PKGHOST_CHECK(mapGetObjectNumber(object) == all[1]);
  PKGHOST_CHECK(doc->WhatObjectFrame(Info(object), &frame, 0, 3, Select(one)) == Info(object));
  PKGHOST_CHECK(mapGetObjectNumber(object) == all[1]);
  // Nothing drawn far from every object; an unknown kind of frame.
  frame = Around(9500, 500);
  PKGHOST_CHECK(mapWhatObject(hMap, object, &frame, 0, 3) == 0);
  PKGHOST_CHECK(doc->WhatObjectNoSelect(Info(object), &frame, 3, 0) == nullptr);
  PKGHOST_CHECK(doc->WhatObjectFrame(Info(object), &frame, 0, 5, nullptr) == nullptr);
  mapFreeObject(object);
  mapDeleteSelectContext(one);
}

struct Section {
  LONG count, neighbour, first, last;
  bool operator==(const Section&) const = default;
};

// Every section a search finds for the source, the state asked again
// twice once it has ended; `seek` runs one call.
template <class Seek>
std::vector<Section> Sections(HOBJ neighbour, Seek seek) {
  MAPADJACENTSECTION section{0, 0, 0};
  std::vector<Section> out;
  LONG flags = SEEK_FIRST;
  for (LONG count; out.size() < 10 && (count = seek(&section, flags)) > 0; flags = SEEK_NEXT)
    out.push_back({count, mapGetObjectNumber(neighbour), section.First, section.Last});
  // Ended, it stays ended: the same state answers 0 again.
  const LONG ended = section.Count;
  for (int k = 0; k < 2; ++k) {
    if (seek(&section, SEEK_NEXT) != 0 || section.Count != ended) out.push_back({-1, 0, 0, 0});
  }
  return out;
}

void Adjacency(HMAP hMap, TMapAccess* doc, const std::vector<LONG>& all) {
  HOBJ source = mapCreateObject(hMap, 1, 0, 0);
  HOBJ neighbour = mapCreateObject(hMap, 1, 0, 0);
  HSELECT select = mapCreateMapSelectContext(hMap);
  PKGHOST_CHECK(mapReadObjectByNumber(hMap, 0, source, 1, all[0]) == source);

  // The first square touches the second on its eastern side (its points
  // 3..4) and the third on its northern one (points 2..3).
  const std::vector<Section> byC = Sections(neighbour, [&](MAPADJACENTSECTION* s, LONG f) {
    return mapSeekAdjacentObject(hMap, neighbour, source, s, select, 0.5, f, 0);
  });
  PKGHOST_CHECK(byC.size() == 2);
  PKGHOST_CHECK(Sections(neighbour, [&](MAPADJACENTSECTION* s, LONG f) {
                  return doc->SeekAdjacentObject(Info(neighbour), Info(source), s, Select(select),
                                                 0.5, f, 0, 0);
                }) == byC);
  int subject = 0;
  PKGHOST_CHECK(Sections(neighbour, [&](MAPADJACENTSECTION* s, LONG f) {
                  return doc->SeekAdjacentObjectSubject(Info(neighbour), Info(source), s, &subject,
                                                        Select(select), 0.5, f, 0);
                }) == byC);
  PKGHOST_CHECK(subject == 0);

  // The list: the touched stretches with the untouched ones between.
  MAPADJACENTLISTEX c[8], m[8], s[8];
  std::memset(c, 0, sizeof c), std::memset(m, 0, sizeof m), std::memset(s, 0, sizeof s);
  const LONG n = mapSeekAdjacentListEx(hMap, source, c, 8, select, 0.5, 0, 0);
  PKGHOST_CHECK(n >= 3);
  PKGHOST_CHECK(doc->SeekAdjacentList(Info(source), m, 8, Select(select), 0.5, 0, 0, 0) == n);
  PKGHOST_CHECK(std::memcmp(c, m, sizeof c) == 0);
  int subjects[8] = {};
  PKGHOST_CHECK(doc->SeekAdjacentListSubject(Info(source), s, subjects, 8, Select(select), 0.5, 0,
                                             0) == n);
  PKGHOST_CHECK(std::memcmp(c, s, sizeof c) == 0);
  PKGHOST_CHECK(doc->SeekAdjacentList(Info(source), m, 0, Select(select), 0.5, 0, 0, 0) == 0);
  PKGHOST_CHECK(Handle(Info(source)) == source);

  mapDeleteSelectContext(select);
  mapFreeObject(neighbour);
  mapFreeObject(source);
}

}  // namespace

int main(int argc, char** argv) {
  const char* given = PkgHostFolder(argc, argv, "pkghost_access_search");
  if (given == nullptr) return 2;
  mapMessageEnable(0);
  const std::string folder = given;
  const std::string rsc = folder + "/search.rsc";
  PKGHOST_CHECK(MakeClassifier(rsc) == 1);
  HMAP hMap = MakeMap(folder + "/search.map", rsc);
  PKGHOST_CHECK(hMap != 0);
  if (hMap == 0) return PkgHostExit("pkghost_access_search");
  TMapAccess* doc = reinterpret_cast<TMapAccess*>(hMap);

  // Three squares side by side, one far off and a road.
  const std::vector<LONG> all{Square(hMap, 1000, 1000), Square(hMap, 1000, 2000),
                              Square(hMap, 2000, 1000), Square(hMap, 6000, 6000),
                              Append(hMap, ROAD_CODE, LOCAL_LINE, {{8000, 1000}, {8000, 4000}})};
  for (LONG number : all) PKGHOST_CHECK(number > 0);

  Searches(hMap, doc, all);
  TotalSearch(hMap, doc, all);
  Sheets(hMap, doc);
  HitTest(hMap, doc, all);
  Adjacency(hMap, doc, all);

  mapCloseData(hMap);
  return PkgHostExit("pkghost_access_search");
}
