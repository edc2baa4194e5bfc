// The build parameters of the matrices and layer matrices the tests and
// benchmarks create: the place, size and element shape filled in, every
// other field zero for the caller to set; and a small matrix written whole.
#pragma once

#include <string>

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

// Projection data of a new quality matrix that leave its projection unset.
inline MTRPROJECTIONDATA NoProjection() {
  MTRPROJECTIONDATA p{};
  p.Length = sizeof(p);
  p.ProjectionCode = -1;
  return p;
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

// Creates the matrix `path` of `build`, writes value(i, j) into element
// (i, j) of its first rows x cols, gives its header the value range
// minimum..maximum and saves it; 1 when every step succeeded.
template <class Value>
int WriteMatrix(const std::string& path, BUILDMTW build, int rows, int cols, Value value,
                double minimum, double maximum) {
  TMtr m;
  if (m.Create(path.c_str(), &build, nullptr, 0) != 1) return 0;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j)
      if (m.PutPoint(LONG(value(i, j)), i, j) != 1) return 0;
  m.Head.Minimum = minimum;
  m.Head.Maximum = maximum;
  m.HeadChanged = 1;
  return m.Save();
}

}  // namespace rmftest
