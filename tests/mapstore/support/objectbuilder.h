// Builders of object records for the tests of object frames, reading and
// writing: metric records of any point kind with contours and text
// entries, drawing descriptions, text and vector sign parameters.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mapstore/mapregister.h"
#include "mapstore/sheetfile.h"

namespace objtest {

typedef std::vector<char> Bytes;
typedef std::vector<std::pair<double, double>> Points;  // X (north), Y (east)

// A metric record of `kind` with the contours given (16-bit count words)
// and, when `texts` is not empty, one text entry after each contour (with
// placement code `place` when it is nonzero).
Bytes Metric(uint32_t kind, const std::vector<Points>& contours,
             const std::vector<std::string>& texts = {}, int place = 0);
// A drawing description of the elements {primitive, parameters}.
Bytes Draw(const std::vector<std::pair<int, Bytes>>& elements);
// The 32-byte text parameters of a text image: height (micrometres on
// paper), font slot, and text that follows its two points.
Bytes TextParms(uint32_t height, uint16_t font = 0);
// A vector sign with one line subject through the points (sign units),
// scale factors 1, the given flag bytes (+40 fixed, +41 mirrored).
Bytes VectorSign(const std::vector<std::pair<int32_t, int32_t>>& points, uint8_t fixed = 0,
                 uint8_t mirror = 0);
// A semantics record with characteristic `code` holding a 32-bit integer.
Bytes Semantics(uint16_t code, int32_t value);
// A descriptor of a local type and classifier index.
FVSPR Desc(int local, uint16_t code = 100);

// Writes a classifier at `path`: the service objects and the kinds given
// {excode, local type}, numbered from 16 in that order. False on failure.
bool WriteClassifier(const std::string& path,
                     const std::vector<std::pair<uint32_t, int>>& kinds);
// The register of a square sheet named `name` (its nomenclature and the
// base name of its files) with the south-west corner (x north, y east).
LISTREGISTER SquareSheet(const char* name, double x, double y, double size = 10000);
// Creates the map `path` on the classifier `rsc` with one sheet (files
// "S1.*"; a sheet map's sheet in zone 7), scale 100,000, axis meridian of
// zone 7, and closes it again. False on failure.
bool CreateMapFile(const std::string& path, const std::string& rsc, bool userMap = false);

template <typename T>
T* As(Bytes& b) {
  return reinterpret_cast<T*>(b.data());
}

}  // namespace objtest
