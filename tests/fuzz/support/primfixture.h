// The drawing records of lines with signs (codes 146 and 157), of signs
// over an area (155), of the pattern line (158) and of the offset line
// (159) every fuzz mutant of those kinds starts from, and the walk each
// mutant gets.
//
// Each file holds one record alone (the element's parameters, its nested
// elements and signs included), so that a mutation lands in that record
// only. The walk makes it the one element of the own graphics of a line
// and of an area appended to sheet 1 of the intact fixture map, and
// paints them in every road: the memory image at visual types 1 to 4, a
// device at the device types, the object alone, the select, the record as
// a paint record over caller's points and as legend samples; it asks the
// record's length and the size of its sign, saves, opens the map again
// and paints the objects read back from the graphics file.
#pragma once

#include <string>
#include <vector>

#include "support/mapfixture.h"
#include "support/mutator.h"

namespace fuzz {

// The record files: "rec146.img" and so on, the code in the name.
extern const std::vector<std::string> kPrimitiveFiles;
// The file name of the record of a code.
std::string PrimitiveFile(int code);

// Writes the records into `folder` (ending in '/'); false when any step
// fails.
bool BuildPrimitiveFixture(const std::string& folder);

// Where a record's lengths, counts, offsets, steps and the heads of its
// nested elements and signs lie, and where each nested part begins and
// ends.
Layout PrimitiveLayout(const Files& files, const std::string& name);

// Opens the fixture map beside the record at `path` as a document and
// walks the record. The report: opened, the document opened; kinds, the
// record fits its element (the library paints it); appended, the objects
// that took it as their graphics; objects, the roads of the memory image
// whose picture it changed; saved, the map saved; reopened, it opened
// again; objectsAfter, the roads whose picture it changed then. Messages
// must be off.
WalkReport WalkPrimitive(const std::string& path);

}  // namespace fuzz
