// Fixtures of the selection tests (header only: the tests link the
// builders of the map store and classifier tests): a classifier with a
// line, an area, a point and a title kind and semantics of each kind of
// value, and a map of one or more sheets on it whose objects are written
// through the map.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/messages.h"
#include "mapstore/map.h"
#include "objects/support/intsemantics.h"
#include "platform/file.h"
#include "support/objectbuilder.h"
#include "support/rscbuilder.h"
#include "support/sheetbuilder.h"

namespace seltest {

using objtest::Bytes;
using objtest::Points;
using objinfotest::IntSemantics;

// Classifier numbers of the kinds past the 15 service objects.
enum : uint16_t { KIND_ROAD = 16, KIND_LAKE = 17, KIND_TOWN = 18, KIND_LABEL = 19 };
// Characteristics: a number, a code with a value list, a text, and the
// classifier's own object-key characteristic.
enum : int { SEM_HEIGHT = 5, SEM_CLASS = 7, SEM_NAME = 9, SEM_KEY = 32804 };

inline bool WriteSelectClassifier(const std::string& path) {
  rsctest::Builder b = rsctest::Builder::Minimal();
  b.AddSemantic(SEM_HEIGHT, 1, "HEIGHT", "HT");
  b.AddSemantic(SEM_CLASS, 1, "CLASS", "CL").values = {{1, "FIRST"}, {2, "SECOND"}};
  b.AddSemantic(SEM_NAME, 0, "NAME", "NM");
  const char* names[4] = {"ROAD", "LAKE", "TOWN", "LABEL"};
  for (uint8_t local = 0; local < 4; local++) {
    b.AddObject(600 + local, local, names[local]).segment = uint8_t(local + 1);
    b.par.push_back(rsctest::DefaultImage(uint16_t(16 + local), local));
  }
  for (int i = 1; i <= 4; i++) {
    rsctest::Layer l;
    l.name = "LAYER " + std::to_string(i), l.shortName = "L" + std::to_string(i);
    l.number = uint8_t(i);
    b.layers.push_back(l);
  }
  return rsctest::WriteBytes(path, b.Build());
}

// An object as appended: its local type, kind, layer, key, contour and
// semantics.
struct NewObject {
  int local = LOCAL_LINE;
  uint16_t code = KIND_ROAD;
  uint8_t layer = 1;
  DWORD key = 0;
  Points contour = {{100, 300}, {200, 300}, {200, 500}};
  Bytes semn;
};

// The sheet units of a sheet's south-west corner: objects at these units
// and up lie on the sheet's own ground, within its frame in the register.
constexpr double kGround = 6400;
inline Points OnGround(Points contour) {
  for (auto& p : contour) p.first += kGround, p.second += kGround;
  return contour;
}

// A map "sel.map" with `sheets` square sheets S1, S2, ... side by side.
class SelectMap {
 public:
  explicit SelectMap(int sheets = 2) {
    plat::SetWriteThroughEnabled(false);
    MessageEnableSet(0);
    const std::string rsc = dir / "sel.rsc";
    path_ = dir / "sel.map";
    if (!WriteSelectClassifier(rsc) || !objtest::CreateMapFile(path_, rsc)) return;
    if (map.OpenData(path_.c_str(), 0) != 1) return;
    for (int n = 2; n <= sheets; ++n)
      if (!AddSheet(n)) return;
    ok_ = true;
  }
  ~SelectMap() {
    map.CloseData();
    MessageEnableSet(1);
  }
  SelectMap(const SelectMap&) = delete;
  SelectMap& operator=(const SelectMap&) = delete;

  bool ok() const { return ok_; }
  const std::string& path() const { return path_; }
  // Adds sheet n east of the others: true when added.
  bool AddSheet(int n) {
    const std::string name = "S" + std::to_string(n);
    LISTREGISTER r = objtest::SquareSheet(name.c_str(), 6000000, 7400000 + 10000.0 * (n - 1));
    return map.CreateList(&r, 1) == 1;
  }
  // Appends an object to a sheet through the map: its number, 0 on failure.
  int Append(int sheet, const NewObject& o = NewObject()) {
    if (map.OpenList(sheet) != 1) return 0;
    FVSPR d = objtest::Desc(o.local, o.code);
    d.Segment = o.layer;
    d.Key = o.key;
    Bytes metric = objtest::Metric(METRIC_I32, {o.contour});
    Bytes semn = o.semn;
    return map.AppendObject(&d, objtest::As<LONGMETRIC>(metric),
                            semn.empty() ? nullptr : objtest::As<SEMANTIC>(semn), nullptr);
  }
  // Rewrites the descriptor of object n of a sheet with another layer.
  int MoveToLayer(int sheet, int n, uint8_t layer) {
    if (map.OpenList(sheet) != 1) return 0;
    FVSPR* stored = map.List.ObjectDesc(n);
    if (stored == nullptr) return 0;
    FVSPR d = *stored;
    d.Segment = layer;
    return map.UpdateObject(n, &d, nullptr, nullptr, nullptr);
  }
  int Delete(int sheet, int n) { return map.OpenList(sheet) == 1 ? map.DeleteObject(n) : 0; }

  sheettest::SheetFolder dir{MC_TEST_TMP};
  TMap map;

 private:
  bool ok_ = false;
  std::string path_;
};

}  // namespace seltest
