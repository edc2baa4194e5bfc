// The select records every fuzz mutant of those kinds starts from, and the
// walk each mutant gets: the record put into a context on the fixture map
// and into one without a map, what it selects counted and tested object by
// object, the record written again and read back.
//
// "obj.slt" is the current form with a section of each kind (sheets,
// layers, object kinds), semantic and measurement conditions and a key
// range; "obj.set" and "obj.sec" are the older forms of the same
// conditions, built byte by byte.
#pragma once

#include <string>

#include "support/mapfixture.h"
#include "support/mutator.h"

namespace fuzz {

constexpr const char* kSltFile = "obj.slt";
constexpr const char* kSetFile = "obj.set";
constexpr const char* kSecFile = "obj.sec";

// Writes the three records of a context on the fixture map that
// BuildFixture made in `folder` (ending in '/'); false when any step fails.
bool BuildSelectFixture(const std::string& folder);

// Where the switches, counts, offsets and names of a select record of
// either form lie.
Layout SelectLayout(const Files& files, const std::string& name);

// Opens the fixture map in the record's folder and walks the record at
// `path`. The report: opened, the map opened; kinds, the record was taken;
// objects, the objects the context selects; groups, the objects of the
// selected sheets that are not deleted and pass the test one by one; saved, the record written
// again was taken with the same count; reopened and objectsAfter, that second context and its
// count. Messages must be off.
WalkReport WalkSelect(const std::string& path);

}  // namespace fuzz
