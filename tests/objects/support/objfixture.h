// Fixtures of the map object tests (header only: the tests link the
// builders of the map store and classifier tests): a classifier built byte by byte with a
// road series, an area, a point and a title kind, and maps of one or two
// sheets on it whose objects are appended through the map store.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "common/messages.h"
#include "intsemantics.h"
#include "mapstore/map.h"
#include "platform/file.h"
#include "support/objectbuilder.h"
#include "support/rscbuilder.h"
#include "support/sheetbuilder.h"

namespace objinfotest {

using objtest::Bytes;
using objtest::Points;

// Classifier indexes past the 15 service objects.
enum : int {
  KIND_ROAD = 16,       // line 600, series member 1 (width 5)
  KIND_ROAD_WIDE = 17,  // line 600, series member 2 (width 15)
  KIND_LAKE = 18,       // area 700, layer 2, scaled sign
  KIND_TOWN = 19,       // point 800, layer 2
  KIND_LABEL = 20,      // title 900, layer 3
};
// Semantics: 12 road width (number, the series limit), 9 name (text).
enum : int { SEM_WIDTH = 12, SEM_NAME = 9 };

// Writes the classifier to `path`; false on failure.
inline bool WriteObjectClassifier(const std::string& path) {
  rsctest::Builder b = rsctest::Builder::Minimal();
  rsctest::Semantic& width = b.AddSemantic(SEM_WIDTH, 1, "WIDTH", "WD");
  width.decimal = 0, width.size = 6;
  b.AddSemantic(SEM_NAME, 0, "NAME", "NM").common = 1;

  for (int member = 1; member <= 2; member++) {
    b.AddObject(600, 0, member == 1 ? "ROAD" : "ROAD WIDE").series = member;
    b.objects.back().segment = 1;
  }
  auto& lake = b.AddObject(700, 1, "LAKE");
  lake.segment = 2, lake.scaleFlag = 1, lake.bot = 3, lake.top = 4;
  b.AddObject(800, 2, "TOWN").segment = 2;
  b.AddObject(900, 3, "LABEL").segment = 3;
  for (uint16_t n = 16; n <= 20; n++)
    b.par.push_back(rsctest::DefaultImage(n, b.objects[n - 1].local));
  b.pos.push_back({600, 0, {}, {SEM_WIDTH, SEM_NAME}});

  rsctest::Limit lim;
  lim.excode = 600, lim.local = 0, lim.code1 = SEM_WIDTH, lim.def1 = 1;
  lim.values1 = {5, 15};
  lim.variants = {1, 2};
  b.limits.push_back(lim);
  for (int i = 1; i <= 3; i++) {
    rsctest::Layer l;
    l.name = "LAYER " + std::to_string(i), l.shortName = "L" + std::to_string(i);
    l.number = uint8_t(i);
    b.layers.push_back(l);
  }
  return rsctest::WriteBytes(path, b.Build());
}

namespace detail {

inline LISTREGISTER SheetTwo() { return objtest::SquareSheet("S2", 6010000, 7400000); }

}  // namespace detail

// A change of the map register before the map is created.
typedef std::function<void(MAPREGISTEREX&)> RegisterTweak;

// Creates the map `path` as objtest::CreateMapFile does, with the register
// changed by `tweak`. False on failure.
inline bool CreateTweakedMap(const std::string& path, const std::string& rsc, bool userMap,
                             const RegisterTweak& tweak) {
  MAPREGISTEREX reg;
  ClearMapRegisterEx(&reg);
  std::strcpy(reg.Name, "Objects");
  reg.Scale = 100000;
  reg.IsRealPlace = userMap ? 1 : 0;
  // Sheets of these tests lie at eastings of 7 400 000 m and up: zone 7.
  reg.AxisMeridian = 39 * std::numbers::pi / 180;
  tweak(reg);
  LISTREGISTER r = userMap ? TListRegister().Register : objtest::SquareSheet("S1", 6000000, 7400000);
  if (userMap) {
    std::strcpy(r.FileName, "S1");
    std::strcpy(r.Nomenclature, "S1");
  }
  TMap map;
  if (!map.CreateDataEx(path.c_str(), rsc.c_str(), &reg, &r)) return false;
  map.CloseData();
  return true;
}

// A map on that classifier in its own folder. Sheet maps get a second
// sheet "S2" north of "S1".
class ObjectMap {
 public:
  explicit ObjectMap(bool userMap = false, int sheets = 2, const std::string& name = "obj",
                     const RegisterTweak& tweak = nullptr) {
    plat::SetWriteThroughEnabled(false);
    MessageEnableSet(0);
    const std::string rsc = dir / (name + ".rsc");
    path_ = dir / (name + ".map");
    if (!WriteObjectClassifier(rsc)) return;
    if (tweak ? !CreateTweakedMap(path_, rsc, userMap, tweak)
              : !objtest::CreateMapFile(path_, rsc, userMap))
      return;
    if (map.OpenData(path_.c_str(), 0) != 1) return;
    if (!userMap && sheets > 1) {
      LISTREGISTER two = detail::SheetTwo();
      if (map.CreateList(&two, 1) != 1) return;
    }
    ok_ = true;
  }
  ~ObjectMap() {
    map.CloseData();
    MessageEnableSet(1);
  }
  ObjectMap(const ObjectMap&) = delete;
  ObjectMap& operator=(const ObjectMap&) = delete;

  bool ok() const { return ok_; }
  std::string Path() const { return path_; }
  // Appends an object to a sheet through the store; its number (0 on
  // failure). `out` gets the descriptor as stored.
  int Append(int sheet, int local, uint16_t code, const Bytes& metric, const Bytes& semn = {},
             const Bytes& draw = {}, FVSPR* out = nullptr) {
    if (map.OpenList(sheet) != 1) return 0;
    FVSPR d = objtest::Desc(local, code);
    Bytes m = metric, s = semn, g = draw;
    const int n = map.AppendObject(&d, m.empty() ? nullptr : objtest::As<LONGMETRIC>(m),
                                   s.empty() ? nullptr : objtest::As<SEMANTIC>(s),
                                   g.empty() ? nullptr : objtest::As<IMGDRAW>(g));
    if (out != nullptr) *out = d;
    return n;
  }
  // The stored descriptor of object n of a sheet.
  FVSPR Stored(int sheet, int n) {
    FVSPR d{};
    if (map.OpenList(sheet) == 1) map.List.ReadObjectDesc(n, &d);
    return d;
  }

  sheettest::SheetFolder dir{MC_TEST_TMP};
  TMap map;

 private:
  bool ok_ = false;
  std::string path_;
};

}  // namespace objinfotest
