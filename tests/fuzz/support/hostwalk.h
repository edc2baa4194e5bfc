// The part of every fuzz walk that goes through the C interface as a host
// does: the map (or data file) opened by name, every kind of its classifier
// measured (image size, the frame of its sign turned) and painted as legend
// samples, its objects read and painted alone, the map painted around its
// first objects, in its middle and whole at visual types 1 (the memory
// image) and 4 (the device), its journal read, and the document closed.
#pragma once

#include <string>

#include "types/maptypes.h"

namespace fuzz {

struct HostReport {
  int opened = 0;    // the document opened
  int kinds = 0;     // classifier kinds measured and painted as samples
  int samples = 0;   // legend samples that answered 1
  int pictures = 0;  // pictures of the map that show something (not of one colour)
  int objects = 0;   // objects read through their handles
  int painted = 0;   // of them, pictures of an object alone that show something
  int actions = 0;   // journal actions read
};

// Opens `path` with mapOpenData and walks it as above; a classifier file
// (".rsc") is opened with mapOpenRsc instead and its kinds painted through
// the document `map` names (when it opens). Messages must be off.
HostReport HostWalk(const std::string& path, const std::string& map = "");

// The document painted as above: the pictures that show something.
int PaintPictures(HMAP map);

// Turns the host walks (HostWalk and the walks that end with one) on, as
// they are at first, or off: the mutation campaign walks a share of its
// mutants so, to keep its time.
void SetHostWalks(bool on);

}  // namespace fuzz
