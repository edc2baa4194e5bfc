// The build parameters of the matrices and layer matrices the tests and
// benchmarks create: the place, size and element shape filled in, every
// other field zero for the caller to set.
#pragma once

#include "raster/mtl.h"
#include "raster/mtr.h"

namespace rmftest {

// A matrix of width x height metres from the south-west corner (x, y), of
// `size` metre elements `bytes` wide, at 1:`scale`.
inline BUILDMTW MatrixBuild(double x, double y, double width, double height, double size,
                            int bytes, int scale) {
  BUILDMTW b{};
  b.Length = sizeof(b);
  b.BeginX = x;
  b.BeginY = y;
  b.Width = width;
  b.Height = height;
  b.ElementSize = size;
  b.ElementBytes = bytes;
  b.Scale = scale;
  return b;
}

// A layer matrix over the frame from (x1, y1) to (x2, y2) of `size` metre
// cells: `layers` thicknesses 1 byte wide and heights `heightBytes` wide
// (none with 0), at 1:`scale`.
inline MTLBUILDPARM LayerMatrixBuild(double x1, double y1, double x2, double y2, double size,
                                     int layers, int heightBytes, int scale) {
  MTLBUILDPARM p{};
  p.Length = sizeof(p);
  p.BeginX = x1;
  p.BeginY = y1;
  p.EndX = x2;
  p.EndY = y2;
  p.ElementSize = size;
  p.LayerCount = layers;
  p.HeightBytes = heightBytes;
  p.PowerBytes = 1;
  p.Scale = scale;
  return p;
}

// The layer matrix of the raster tests: 1000 m (X) x 640 m (Y) from (6000,
// 3000) at 10 m, so 100 rows and 64 columns; heights of 2 bytes in
// decimetres, 3 layers of 1 byte in centimetres, at 1:25,000.
inline MTLBUILDPARM DecimetreLayerMatrix() {
  MTLBUILDPARM p = LayerMatrixBuild(6000, 3000, 7000, 3640, 10, 3, 2, 25000);
  p.HeightUnit = 1;
  p.PowerUnit = 2;
  return p;
}

}  // namespace rmftest
