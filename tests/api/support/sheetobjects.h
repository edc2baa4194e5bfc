// A fixture of the tests that make object handles through the exported
// classes of the library they link: a classifier and a sheet map of scale
// 1:100,000 with one 10 km sheet, made in a fresh folder for each test,
// and object handles on that map, freed after the test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "classifier/maprsc.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "support/apilibrary.h"
#include "support/apimaps.h"

namespace apitest {

class SheetObjectsTest : public ::testing::Test {
 protected:
  // An object kind of the classifier: its classification code and local type.
  struct Kind {
    DWORD code;
    int local;
  };

  // The classifier `classifier` of `kinds` and the map `map` of the one
  // sheet `sheet` whose south-west corner is (x0, y0) in plane metres, in
  // a fresh folder of the test (prefix `folder`).
  void MakeSheetMap(const char* folder, const char* classifier, const char* map,
                    const char* sheet, double x0, double y0, const std::vector<Kind>& kinds = {}) {
    dir_ = FreshTestFolder(folder);
    const std::string rsc = Path("sheet.rsc");
    NewClassifier records(classifier);
    TMapRsc made;
    ASSERT_EQ(1, made.CreateRsc(rsc.c_str(), &records.create, &records.palette, 0));
    for (const Kind& k : kinds) {
      RSCOBJ obj{};
      obj.Excode = k.code;
      obj.Local = WORD(k.local);
      std::strcpy(obj.Name, "KIND");
      ASSERT_GT(made.AppendObject(&obj, 1), 15);
    }
    ASSERT_EQ(1, made.Save(1));
    made.CloseRsc();
    TMapRegister reg;
    std::strcpy(reg.Map.Name, map);
    reg.Map.Scale = 100000;
    LISTREGISTER& list = reg.List.Register;
    SetSquareSheet(list, sheet, x0, y0, 10000);
    map_ = mapCreateMapEx(Path("sheet.map").c_str(), rsc.c_str(), &reg.Map, &list);
    ASSERT_NE(0, map_);
  }
  void TearDown() override {
    for (HOBJ h : made_) TObjectInfo::FreeHandle(h);
    if (map_) mapCloseData(map_);
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  // A new object handle on sheet 1 of the map, freed after the test; null
  // when none could be made.
  TObjectInfo* NewObject() {
    TObjectInfo* object = TObjectInfo::NewHandle();
    EXPECT_NE(nullptr, object);
    if (object == nullptr) return nullptr;
    made_.push_back(object->Handle());
    EXPECT_EQ(1, object->CreateObject(MapOfHandle(map_), 1, 0, 0));
    return object;
  }

  std::filesystem::path dir_;
  HMAP map_ = 0;
  std::vector<HOBJ> made_;
};

}  // namespace apitest
