// A classifier whose kinds carry screen images (a thick red line, a blue
// filled area, a green hatched area, a black circle as a point sign, an
// area that darkens what lies under it), a map created with it through the
// document API, objects written into it through the map store at plane
// coordinates, and 32-bit pictures as PNG files for the golden pictures.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "document/mapaccess.h"

namespace doctest {

// Kinds of the classifier (classification codes).
enum : uint32_t {
  KIND_ROAD = 100100,   // line: 128 red, 1000 um
  KIND_LAKE = 100200,   // area: 135 blue
  KIND_FIELD = 100300,  // area: 136 green hatch
  KIND_WELL = 100400,   // point: 140 black filled circle
  KIND_SHADE = 100500,  // area: 154 shading, brightness -50 (half as bright)
};

// Writes the classifier at `path` (with three palettes, the first of the
// 16 default colours); false on failure.
bool WriteImageClassifier(const std::string& path);

// The south-west corner and side of the map's one sheet, plane metres.
constexpr double kSheetX = 6000000, kSheetY = 7400000, kSheetSide = 10000;

// Creates the map `path` (scale 1:100 000, one sheet in zone 7 with the
// axis meridian of that zone, files "S1.*") on the classifier through
// mapCreateMapEx: the document, or null. A map type other than 0 brings
// that type's projection.
TMapAccess* CreateDocument(const std::string& path, const std::string& rsc, int mapType = 0);

typedef std::vector<std::pair<double, double>> PlanePoints;  // X north, Y east, metres
// Appends an object of a kind with one contour through the plane points to
// sheet 1 through the map store: its number, 0 on failure.
int AppendPlaneObject(TMapAccess* doc, uint32_t code, int local, const PlanePoints& points);

// A picture of 32-bit pixels 0x00RRGGBB, rows from the top.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  // 0xFF000000 outside the picture.
  uint32_t At(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height ? pixels[size_t(y) * width + x] : 0xFF000000u;
  }
};
// The document painted into the memory image over the rectangle.
Picture PaintPicture(TMapAccess* doc, const RECT& rect);
// What a device context's surface shows (32-bit or 24-bit), rows from the
// top; empty without a surface.
Picture GrabDc(HDC dc);

// A memory context of the display's kind with a white 32-bit bitmap.
struct MemoryDevice {
  MemoryDevice(int width, int height);
  ~MemoryDevice();
  MemoryDevice(const MemoryDevice&) = delete;
  MemoryDevice& operator=(const MemoryDevice&) = delete;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
};

// One object of a kind through plane points.
struct PlaneObject {
  uint32_t code;
  int local;
  PlanePoints points;
};
// Creates the user map `path` (kept in plane metres, 1:100 000, map type 1
// with the axis meridian given) on the classifier, holding the objects,
// and closes it: true when made.
bool CreateUserMap(const std::string& path, const std::string& rsc,
                   const std::vector<PlaneObject>& objects, double meridian = 0.5);

// A field, a lake, a road across them and two wells on the sheet.
bool AppendScene(TMapAccess* doc);
bool WritePng(const Picture& picture, const std::string& path);
// A 256-colour PNG: top-down rows of `width` indexes into the table.
bool WritePalettePng(const uint8_t* indexes, int width, int height, const RGBQUAD* table,
                     const std::string& path);
bool ReadPng(const std::string& path, Picture* picture);

}  // namespace doctest
