// Test fixtures of the map store: a scratch folder per test and a byte-wise
// builder of map passport files and sheet files, written field by field at
// their offsets (independent of the library's own record declarations).
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace mctest {

// A folder of its own for one test, removed when the test ends.
using MapScratch = ScratchDir;

// Little-endian field writers and readers on a byte string.
void Put32(std::string& b, size_t offset, uint32_t value);
void Put16(std::string& b, size_t offset, uint16_t value);
uint32_t Get32(const std::string& b, size_t offset);
uint16_t Get16(const std::string& b, size_t offset);

// One sheet: its register and the names of its files.
struct SheetSpec {
  std::string nomenclature = "M-37-001";
  std::string name = "Sheet one";
  std::string base = "M37001";  // base name of the four sheet files
  // Plane corners SW, NW, NE, SE (X north, Y east) and geodetic corners.
  double x[4] = {6000000, 6010000, 6010000, 6000000};
  double y[4] = {7400000, 7400000, 7410000, 7410000};
  double b[4] = {0.95, 0.952, 0.952, 0.95};
  double l[4] = {0.66, 0.66, 0.662, 0.662};
  bool marker = true;
  int32_t storedNumber = 77;  // what the file holds at record offset 8
};

// A map passport file: passport, sheet records and key table.
class MapBuilder {
 public:
  // Passport fields.
  uint32_t ident = 0x00505350;
  uint32_t length = 848;
  uint32_t version = 0x700;
  uint32_t mark = 0x414E;
  std::optional<int32_t> claimedCount;  // sheet count written at 16 (else the number of sheets)
  uint32_t changeCounter = 5;
  uint8_t koi8 = 0;
  double originX = 5990000, originY = 7390000;
  // Map register.
  std::string name = "Test map";
  int32_t scale = 100000;
  int32_t ellipsoid = 1;
  int32_t projection = 1;
  int32_t mapType = 1;
  int32_t deviceCapability = 20000;
  int32_t isRealPlace = 0;
  double axisMeridian = 0.0;
  double firstParallel = 0.1, secondParallel = 0.2, mainParallel = 0.3;
  std::string rscName = "map.rsc";
  std::string groupName = "map.gdx";
  std::vector<uint32_t> keyCodes = {0, 1100, 2200, 3300};  // entry 0 and the codes

  std::vector<SheetSpec> sheets = {SheetSpec{}};

  std::string Passport() const;
  std::string Record(size_t i) const;
  std::string KeyTable() const;
  // The whole file.
  std::string Bytes() const;
  // Writes the map file and the four files of each sheet into the folder.
  void Write(const MapScratch& dir, const std::string& mapName) const;
};

// A new descriptor file (its 48-byte header) and the heads of the metric,
// semantics and graphics files of a sheet.
std::string NewHdrFile();
void WriteSheetFiles(const MapScratch& dir, const std::string& base);

}  // namespace mctest
