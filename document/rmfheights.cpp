// Heights and values at a point.
#include "document/rmfheights.h"

#include <cmath>

#include "common/maperr.h"
#include "document/rmfchains.h"

namespace {

// The finest-matrix searches start here: a coarser element is never chosen.
constexpr double kBestStart = 10088064.0;
// Double elements below this are empty.
constexpr double kEmptyDouble = -32760000.0;

// Metres per stored unit by the height unit; false for an unknown unit.
bool UnitFactor(LONG unit, double* f) {
  static const double kFactors[] = {1.0, 0.1, 0.01, 0.001};
  if (unit < 0 || unit > 3) return false;
  *f = kFactors[unit];
  return true;
}

}  // namespace

int GetUnitHeight(RMFCHAIN* unit, double* value, double x, double y) {
  if (!unit || !value || !unit->File || !unit->File->IsOpen() || !FrameHolds(unit->Frame, x, y))
    return 0;
  TRmf& file = *unit->File;
  const int bytes = file.Head.BitsPerElement / 8;
  double f = 1.0;
  if (bytes == 8) {
    double v;
    if (!file.GetPlanePoint(v, x, y)) return 0;
    if (v < kEmptyDouble) return 0;
    if (!UnitFactor(file.Head.HeightUnit, &f)) {
      file.Error = MAPERR_DATA;
      *value = MTL_NO_HEIGHT;
      return 1;
    }
    *value = v * f;
    return 1;
  }
  if (bytes > 8) {
    *value = MTL_NO_HEIGHT;
    return 1;
  }
  LONG v;
  if (!file.GetPlanePoint(v, x, y)) return 0;
  // The header's empty value, and the mark the matrix block coder writes
  // for elements without data whatever empty value the file names.
  if (v == RmfTruncate(file.Head.EmptyValue) || v == LONG(0x80000000u)) return 0;
  if (!UnitFactor(file.Head.HeightUnit, &f)) {
    file.Error = MAPERR_DATA;
    *value = MTL_NO_HEIGHT;
    return 0;
  }
  *value = v * f;
  return 1;
}

int GetChainHeight(CHAININFO* chain, double* value, double x, double y) {
  if (!chain || !value) {
    if (value) *value = MTL_NO_HEIGHT;
    return 0;
  }
  int n = 1;
  for (RMFCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n) {
    double v;
    if (!GetUnitHeight(unit, &v, x, y)) continue;
    *value = v;
    return v != MTL_NO_HEIGHT ? 1 : 0;
  }
  return 0;
}

int PutChainHeight(CHAININFO* chain, int n, double x, double y, double value) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  if (!unit || !unit->File) return 0;
  TRmf& file = *unit->File;
  const int bytes = file.Head.BitsPerElement / 8;
  static const double kScale[] = {1.0, 10.0, 100.0, 1000.0};
  const LONG code = file.Head.HeightUnit;
  if (bytes > 8 || code < 0 || code > 3) {
    file.Error = MAPERR_DATA;
    return 0;
  }
  double v = value * kScale[code];
  int result;
  if (bytes == 8) {
    result = file.PutPlanePoint(v, x, y);
  } else {
    // A value the element cannot hold would be stored wrapped round: it is
    // refused.
    const double limit = bytes == 1 ? 128.0 : bytes == 2 ? 32768.0 : 2147483648.0;
    v = std::trunc(v);
    if (!(v >= -limit && v < limit)) {
      file.Error = MAPERR_INPUT;
      return 0;
    }
    result = file.PutPlanePoint(LONG(v), x, y);
  }
  if (!result) return 0;
  if (v < file.Head.Minimum) file.Head.Minimum = v;
  if (v > file.Head.Maximum) file.Head.Maximum = v;
  file.HeadChanged = 1;
  return result;
}

double GetHeightValue(TMapControl* doc, double x, double y) {
  if (!doc) return MTL_NO_HEIGHT;
  double h = MTL_NO_HEIGHT;
  if (GetChainHeight(DocChain(doc, DOCKIND_MTR), &h, x, y)) return h;
  return GetElementHeight(doc, x, y);
}

double GetHeightValue(TMapControl* doc, int n, double x, double y) {
  double h = MTL_NO_HEIGHT;
  if (!GetUnitHeight(GetChainUnit(DocChain(doc, DOCKIND_MTR), n), &h, x, y)) return MTL_NO_HEIGHT;
  return h;
}

double GetPrecisionHeightValue(TMapControl* doc, double x, double y) {
  CHAININFO* chain = DocChain(doc, DOCKIND_MTR);
  if (!chain) return MTL_NO_HEIGHT;
  double best = kBestStart, value = MTL_NO_HEIGHT;
  int n = 1;
  for (RMFCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n) {
    double h;
    if (unit->ElementSize < best && GetUnitHeight(unit, &h, x, y)) {
      value = h;
      best = unit->ElementSize;
    }
  }
  if (value != MTL_NO_HEIGHT) return value;
  return GetPrecisionElementHeight(doc, x, y);
}

double GetPrecisionHeightTriangle(TMapControl* doc, double x, double y) {
  CHAININFO* chain = DocChain(doc, DOCKIND_MTR);
  if (!chain) return MTL_NO_HEIGHT;
  double best = kBestStart, value = MTL_NO_HEIGHT;
  int n = 1;
  for (RMFCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n) {
    TRmf& file = *unit->File;
    if (!FrameHolds(unit->Frame, x, y) || !(unit->ElementSize < best) || !file.IsOpen()) continue;
    double v;
    if (!file.GetPlanePointTriangle(v, x, y) || !(v > file.Head.EmptyValue)) continue;
    const double metres = v * file.HeightInverse;
    if (metres < unit->Minimum || metres > unit->Maximum) continue;
    value = metres;
    best = unit->ElementSize;
  }
  if (value != MTL_NO_HEIGHT) return value;
  best = kBestStart;
  MTLCHAININFO* layers = MtlChain(doc);
  n = 1;
  for (MTLCHAIN* unit = layers ? layers->First : nullptr; unit && n <= layers->Count;
       unit = unit->Next, ++n) {
    TMtl& file = unit->Matrix;
    if (!FrameHolds(unit->Frame, x, y) || !(unit->ElementSize < best) || !file.IsOpen()) continue;
    double v;
    if (!file.GetPlaneHeightTriangle(v, x, y) ||
        !(v > file.Head.EmptyValue * file.HeightInverse))
      continue;
    if (v < unit->MinHeight || v > unit->MaxHeight) continue;
    value = v;
    best = unit->ElementSize;
  }
  return value;
}

int GetHeightArray(TMapControl* doc, double* heights, int count, DOUBLEPOINT* first,
                   DOUBLEPOINT* last) {
  return HeightsAlongLine(doc, GetPrecisionHeightValue, heights, count, first, last);
}

int PutHeightValue(TMapControl* doc, LONG n, double x, double y, double h) {
  return PutChainHeight(DocChain(doc, DOCKIND_MTR), n, x, y, h);
}

// ---------------------------------------------------------------------------
// The document's methods

double TMapControl::GetHeightValue(double x, double y) { return ::GetHeightValue(this, x, y); }
double TMapControl::GetHeightValue(int n, double x, double y) {
  return ::GetHeightValue(this, n, x, y);
}
double TMapControl::GetPrecisionHeightValue(double x, double y) {
  return ::GetPrecisionHeightValue(this, x, y);
}
double TMapControl::GetPrecisionHeightTriangle(double x, double y) {
  return ::GetPrecisionHeightTriangle(this, x, y);
}
int TMapControl::GetHeightArray(double* heights, int count, DOUBLEPOINT* first, DOUBLEPOINT* last) {
  return ::GetHeightArray(this, heights, count, first, last);
}
int TMapControl::PutHeightValue(LONG n, double x, double y, double h) {
  return ::PutHeightValue(this, n, x, y, h);
}
