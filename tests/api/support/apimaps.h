// The records a host fills to make a classifier and a map of one square
// sheet, for the tests of the exported functions.
#pragma once

#include <cstring>

#include "types/registers.h"
#include "types/rsctypes.h"

namespace apitest {

// The description of a new classifier of scale 1:100,000 in English, whose
// name and code are `name` (at most 7 characters), and its palette of 16
// colours, all black.
struct NewClassifier {
  RSCCREATE create{};
  PALETTE256 palette{};

  explicit NewClassifier(const char* name) {
    std::strcpy(create.Name, name);
    std::strcpy(create.Code, name);
    create.Scale = 100000;
    create.Language = 1;
    palette.Version = 0x0300;
    palette.Count = 16;
  }
};

// A square sheet of `side` metres whose south-west corner is (x, y) in
// plane metres, with `name` as nomenclature and base of its file names.
inline void SetSquareSheet(LISTREGISTER& sheet, const char* name, double x, double y,
                           double side) {
  std::strcpy(sheet.Nomenclature, name);
  std::strcpy(sheet.FileName, name);
  sheet.XSouthWest = sheet.XSouthEast = x;
  sheet.YSouthWest = sheet.YNorthWest = y;
  sheet.XNorthWest = sheet.XNorthEast = x + side;
  sheet.YNorthEast = sheet.YSouthEast = y + side;
}

// The registers of a new map of scale 1:100,000 named `name` with that one
// square sheet.
struct NewSheetMap {
  MAPREGISTEREX map{};
  LISTREGISTER sheet{};

  NewSheetMap(const char* name, double x, double y, double side) {
    map.Length = sizeof map;
    std::strcpy(map.Name, name);
    map.Scale = 100000;
    sheet.Length = sizeof sheet;
    SetSquareSheet(sheet, name, x, y, side);
  }
};

}  // namespace apitest
