// The blocked file object: values between element centres, from the plane
// through a cell's centre, the centre of one neighbour and the corner they
// share, whose value is the mean of the cells around it: the blocked file
// object's element values and the layer matrix's heights and thicknesses.
#include <algorithm>

#include "common/maperr.h"
#include "raster/mtl.h"
#include "raster/rmf.h"

// fetch(i, j, centre, &z): the value of cell (i, j) when it counts.
template <class Fetch>
int TRmf::Triangle(double& h, double row, double col, Fetch fetch, double scale) {
  if (!(row >= 0 && col >= 0 && row < Head.Height && col < Head.Width)) return Fail(MAPERR_DATA);
  const int i = int(row), j = int(col);
  double z0;
  if (!fetch(i, j, true, &z0)) return 0;
  const double fr = row - i, fc = col - j;
  const int di = fr >= 0.5 ? 1 : -1, dj = fc >= 0.5 ? 1 : -1;
  double z1 = 0, z2 = 0, z3 = 0;
  const bool has1 = fetch(i + di, j, false, &z1);
  const bool has2 = fetch(i, j + dj, false, &z2);
  const bool has3 = fetch(i + di, j + dj, false, &z3);
  const int n = 1 + has1 + has2 + has3;
  if (n == 1) {
    h = z0 * scale;
    return 1;
  }
  const double sum = z0 + (has1 ? z1 : 0) + (has2 ? z2 : 0) + (has3 ? z3 : 0);
  const double r0 = i + 0.5, c0 = j + 0.5;
  const double rK = r0 + di / 2.0, cK = c0 + dj / 2.0, zK = sum / n;
  // The second point: the neighbour across the nearer cell edge, the
  // column neighbour when both are as near.
  const double er = di == 1 ? 1 - fr : fr, ec = dj == 1 ? 1 - fc : fc;
  double r2, c2, zs;
  if (ec <= er) {
    r2 = r0, c2 = c0 + dj, zs = has2 ? z2 : z0;
  } else {
    r2 = r0 + di, c2 = c0, zs = has1 ? z1 : z0;
  }
  const double d = (c2 - c0) * (rK - r0) - (cK - c0) * (r2 - r0);
  const double v = z0 + ((zs - z0) * (col - c0) * (rK - r0) + (zK - z0) * (c2 - c0) * (row - r0) -
                         (zs - z0) * (cK - c0) * (row - r0) - (zK - z0) * (col - c0) * (r2 - r0)) /
                            d;
  h = v * scale;
  return 1;
}

namespace {

bool Inside(const RMF& h, int i, int j) { return i >= 0 && j >= 0 && i < h.Height && j < h.Width; }

}  // namespace

int TRmf::GetHeightTriangle(double& h, double row, double col) {
  h = Head.EmptyValue;
  if (!Main) return Fail(MAPERR_OPEN);
  if (Head.BitsPerElement == 64) return GetHeightTriangle2(h, row, col);
  return Triangle(
      h, row, col,
      [this](int i, int j, bool, double* z) {
        LONG v;
        if (!Inside(Head, i, j) || !GetPoint(v, i, j)) return false;
        *z = v;
        return true;
      },
      HeightInverse);
}

int TRmf::GetHeightTriangle2(double& h, double row, double col) {
  h = Head.EmptyValue;
  if (!Main) return Fail(MAPERR_OPEN);
  return Triangle(
      h, row, col,
      [this](int i, int j, bool, double* z) { return Inside(Head, i, j) && GetPoint(*z, i, j); },
      HeightInverse);
}

int TRmf::GetPlanePointTriangle(double& h, double x, double y) {
  h = Head.EmptyValue;
  double row, col;
  if (!PlaneToElement(x, y, true, &row, &col)) return 0;
  if (Head.BitsPerElement == 64) return GetPlanePointTriangle2(h, x, y);
  // Neighbours below the minimum (the empty ones) do not count.
  const double least = Head.Minimum;
  return Triangle(
      h, row, col,
      [this, least](int i, int j, bool centre, double* z) {
        LONG v;
        if (!Inside(Head, i, j) || !GetPoint(v, i, j)) return false;
        *z = v;
        return centre || *z >= least;
      },
      1.0);
}

int TRmf::GetPlanePointTriangle2(double& h, double x, double y) {
  h = Head.EmptyValue;
  double row, col;
  if (!PlaneToElement(x, y, true, &row, &col)) return 0;
  const double least = Head.Minimum;
  return Triangle(
      h, row, col,
      [this, least](int i, int j, bool, double* z) {
        return Inside(Head, i, j) && GetPoint(*z, i, j) && *z >= least;
      },
      1.0);
}

// ---------------------------------------------------------------------------
// Layer matrices

int TMtl::GetHeightTriangle(double& h, double row, double col) {
  h = Head.EmptyValue;
  if (!Main) return Fail(MAPERR_OPEN);
  if (!HeightBytes()) return Fail(MAPERR_DATA);
  return Triangle(
      h, row, col,
      [this](int i, int j, bool, double* z) {
        LONG v;
        if (!Inside(Head, i, j) || !GetHeight(v, i, j)) return false;
        *z = v;
        return true;
      },
      HeightInverse);
}

int TMtl::GetPlaneHeightTriangle(double& h, double x, double y) {
  h = Head.EmptyValue;
  double row, col;
  if (!PlaneToElement(x, y, true, &row, &col)) return 0;
  return GetHeightTriangle(h, row, col);
}

int TMtl::GetPowerTriangle(double& p, double row, double col, int layer) {
  p = MTL_NO_POWER;
  if (!Main) return Fail(MAPERR_OPEN);
  if (layer < 1 || layer > LayerCount()) return Fail(MAPERR_INPUT);
  return Triangle(
      p, row, col,
      [this, layer](int i, int j, bool, double* z) {
        LONG v;
        if (!Inside(Head, i, j) || !GetPower(v, i, j, layer)) return false;
        *z = DWORD(v);
        return true;
      },
      LayerInverse);
}

int TMtl::GetPlanePowerTriangle(double& p, double x, double y, int layer) {
  p = MTL_NO_POWER;
  double row, col;
  if (!PlaneToElement(x, y, true, &row, &col)) return 0;
  return GetPowerTriangle(p, row, col, layer);
}

int TMtl::GetPowersTriangle(double row, double col, double* p, LONG count) {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!p || count < 1) return Fail(MAPERR_INPUT);
  const int n = std::min({int(count), LayerCount(), 256});
  std::fill(p, p + n, MTL_NO_POWER);
  if (!(row >= 0 && col >= 0 && row < Head.Height && col < Head.Width)) return Fail(MAPERR_DATA);
  if (!GetPowers(int(row), int(col))) return 0;
  const DWORD none = LayerHead()->NoValue;
  // A cell counts when its first layer has a value; each layer takes only
  // the cells that hold a value of it, so that no-value marks never enter
  // a thickness.
  for (int k = 1; k <= n; ++k) {
    Triangle(
        p[k - 1], row, col,
        [this, k, none](int i, int j, bool, double* z) {
          const BYTE* e = Inside(Head, i, j) ? GetPowers(i, j) : nullptr;
          if (!e) return false;
          const DWORD v = PowerOf(e - HeightBytes(), k);
          if (v == none) return false;
          *z = v;
          return true;
        },
        LayerInverse);
  }
  return 1;
}

int TMtl::GetPlanePowersTriangle(double x, double y, double* p, LONG count) {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!p || count != LayerCount()) return Fail(MAPERR_INPUT);
  double row, col;
  if (!PlaneToElement(x, y, true, &row, &col)) return 0;
  return GetPowersTriangle(row, col, p, count);
}
