// Byte-wise builders of sheet files for the tests of the sheet layer, and a
// map held in memory whose sheet records name those files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mapstore/maplist.h"
#include "support/scratch_dir.h"

namespace sheettest {

typedef std::vector<char> Bytes;

// A scratch folder of its own, removed with its content at the end.
class SheetFolder : public mctest::ScratchDir {
 public:
  using ScratchDir::ScratchDir;
};

// Whole files.
void WriteFile(const std::string& name, const Bytes& bytes);
void WriteFile(const std::string& name, const std::string& bytes);
Bytes ReadFile(const std::string& name);
bool FileExists(const std::string& name);
int64_t FileSize(const std::string& name);

// A metric record of f32 points (one contour) exactly `length` bytes long
// (16 + a multiple of 8); the points are filled with `seed`-dependent values.
Bytes MetricRecord(uint32_t length, uint32_t seed = 0);
// A semantics record (0x7FFF head) of `length` bytes, filled after the head.
Bytes SemnRecord(uint32_t length, uint8_t fill = 0x11);
// A graphics record (IMGDRAW head) of `length` bytes.
Bytes DrawRecord(uint32_t length, uint8_t fill = 0x22);

// The four files of one sheet built in memory: objects are appended in
// number order, linked in that order, their records placed by the sheet
// layer's placement rules.
class SheetBuilder {
 public:
  SheetBuilder();

  // Appends an object; empty records are not stored. Returns its number.
  int Add(int local, const Bytes& metric, const Bytes& semn = {}, const Bytes& draw = {},
          uint16_t code = 100);
  // Offsets of an object's records (0 = none).
  const FVSPR& Desc(int n) const;

  // Writes base + the four extensions into `folder` (ending in '/').
  void Write(const std::string& folder, const std::string& base, bool userMap = false) const;

  Bytes hdr, dat, sem, gra;

 private:
  HDRHEAD& Head();
  FVSPR& MutableDesc(int n);
};

// A map held in memory with `count` sheets named "S1", "S2", ... in
// `folder`; the records carry marker, number and file names.
class TestMap : public TMapBase {
 public:
  TestMap(const std::string& folder, int count, bool userMap = false);
  // The base file name of sheet n.
  static std::string Base(int n);
  // Adds a sheet record (for CreateList); returns its number.
  int AddSheet();
  // Writes the passport and the sheet records into a map file at Path and
  // keeps it open, so that the map has a change counter: true when done.
  bool MakeMapFile();
};

}  // namespace sheettest
