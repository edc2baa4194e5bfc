// The small blocked raster and matrix files every fuzz mutant of those
// kinds starts from, and the walk each mutant gets: the file opened alone
// into a document, painted, its values read, an element written, saved,
// closed and opened again.
//
// Each file has one row of more blocks than a file's cache slots, most of
// them stored compressed where its kind has a coder: a 256-colour
// raster with a border and a reduced copy ("img.rsw"), a 4-byte elevation
// matrix ("elev.mtw"), a 1-byte quality matrix of four colours ("qual.mtq")
// and a layer matrix of two layers with heights ("lay.mtl"). The library
// itself writes them (under the fuzz test's fixed clock, so the bytes are
// the same on every run). A walk opens a file as one long at rest (the
// clock an hour past its last write), so that the blocks its slots give up
// are kept in its block store.
#pragma once

#include <string>

#include "support/mapfixture.h"

namespace fuzz {

constexpr const char* kRasterFile = "img.rsw";
constexpr const char* kElevationFile = "elev.mtw";
constexpr const char* kQualityFile = "qual.mtq";
constexpr const char* kLayerFile = "lay.mtl";

// Builds the four files in `folder` (ending in '/'); false when any step
// fails.
bool BuildDataFixture(const std::string& folder);

// Opens the file at `path` into a new document (by its kind, as a host
// opens data), paints the document's region into small images at three
// zooms (the display reads blocks, a reduced copy zoomed out), reads the
// values at a grid of points of the picture, writes one element, saves,
// frees the document, opens the file again and paints and reads it once
// more, then walks it through the C interface as a host does. The report
// counts values read as objects, elements written as appended and the
// blocks held in the store after reading along the first row as stored.
// Messages must be off; the fixtures' clock is in force again afterwards.
WalkReport WalkData(const std::string& path);

}  // namespace fuzz
