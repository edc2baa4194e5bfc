// The small map every fuzz mutant starts from, and the walk each mutant
// gets: open, read everything, append, save, reopen.
//
// The map "obj.map" has a classifier of one kind per local type, two sheets
// of a dozen objects each (every local type twice, with metric, semantics
// and graphics), a group file with two groups, a journal with a few actions
// and a text log. The last action of the journal changed five objects of
// sheet 2 in edit mode, so that sheet keeps backup copies of their old
// versions in the log folder ("LOG/S2.^HD" and the others). The library
// itself writes it (under a fixed clock, so the
// bytes are the same on every run), and the test keeps its files in memory.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/hostwalk.h"

namespace fuzz {

constexpr const char* kMapFile = "obj.map";
constexpr int kFixtureSheets = 2;
constexpr int kLocalTypes = 6;         // line .. mixed
constexpr int kObjectsPerSheet = 12;   // every local type twice

// The files of a map folder by their names inside it ("S1.HDR",
// "LOG/obj.GDX").
typedef std::map<std::string, std::string> Files;

// Builds the fixture map in `folder` (ending in '/') through the library;
// false when any step fails.
bool BuildFixture(const std::string& folder);
// Every file below a folder (ending in '/'), by relative name.
Files ReadFolder(const std::string& folder);
// The bytes of a file (empty when it cannot be read).
std::string ReadFile(const std::string& path);
// Writes the files into a folder (ending in '/'), their folders as needed.
bool WriteFolder(const std::string& folder, const Files& files);

// What one walk of a map did; a refusal leaves the later counts at zero.
struct WalkReport {
  int opened = 0;        // the map opened
  int sheets = 0;        // sheets opened
  int objects = 0;       // objects read with their records
  int kinds = 0;         // classifier kinds queried
  int groups = 0;        // groups read
  int actions = 0;       // journal actions read
  int restored = 0;      // backup copies read back, and 1 more when the undo went through
  int appended = 0;      // objects appended
  int saved = 0;         // Save succeeded
  int reopened = 0;      // the map opened again after closing
  int objectsAfter = 0;  // objects read after reopening
  int stored = 0;        // blocks a raster's or matrix's store held
  HostReport host;       // the walk through the C interface, last
};

// Opens the map at `path`, walks it (the classifier queried, every object
// of every sheet read with its records, the groups and the journal read),
// appends one object of each local type to the first and the last sheet
// (in edit mode, journalled, when `editMode` is set) and puts them in a new
// group, saves, closes, reopens and walks again, then walks it as a host
// does through the C interface, painting included. With `restore` the backup
// copies of every sheet are read, every object stepped back through its
// copies and the last action undone (from the copies) before appending.
// Messages must be off.
WalkReport WalkMap(const std::string& path, bool editMode, bool restore = false);

}  // namespace fuzz
