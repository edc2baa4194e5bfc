// The blocked file object: the border that limits what is shown, its block
// classes and its contours relative to one block.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/maperr.h"
#include "platform/fileio.h"
#include "raster/rmf.h"

namespace {

// True when the segment a-b meets the rectangle [x0, x1] x [y0, y1]
// (edges included).
bool SegmentMeetsBox(const DOUBLEPOINT& a, const DOUBLEPOINT& b, double x0, double y0, double x1,
                     double y1) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.X - x0, x1 - a.X, a.Y - y0, y1 - a.Y};
  double t0 = 0, t1 = 1;
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;
      continue;
    }
    const double t = q[k] / p[k];
    if (p[k] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  return true;
}

}  // namespace

int TRmf::SetBorder(TDataEdit* border) {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!border || !border->Record || border->TotalPointCount() < 4) return Fail(MAPERR_INPUT);
  if (border != &Border) {
    if (Border.Load(border->Record, 0) <= 0) return Fail(MAPERR_MEMORY);
  }
  // The file keeps the border in element units as 32-bit integers.
  if (Border.Record->Ident != METRIC_I32 && Border.ChangeKind(METRIC_I32) == 0)
    return Fail(MAPERR_INPUT);
  const int64_t points = Border.TotalPointCount();
  const int64_t contours = int64_t(Border.Record->Count) + 1;
  if (!AllocateBlockFlags(BlockCount())) return 0;
  if (!AllocateBorderPoints(int(points * 8 + contours * 4))) return 0;
  ClassifyBlocks();
  Head.BorderDisplayOff = 0;
  HeadChanged = FlagsChanged = BorderChanged = 1;
  BorderDataInit();
  return 1;
}

void TRmf::ClassifyBlocks() {
  // The contours as closed rings of element coordinates (column, row).
  std::vector<DOUBLEPOINT> ring;
  std::vector<std::pair<DOUBLEPOINT, DOUBLEPOINT>> segments;
  const int contours = Border.Record->Count + 1;
  for (int n = 0; n < contours; ++n) {
    ring.clear();
    const int count = Border.PointCount(n);
    if (count < 1 || !Border.FirstPointSubject(n)) continue;
    for (int i = 0; i < count; ++i) {
      ring.push_back(DOUBLEPOINT{Border.XDouble(), Border.YDouble()});
      Border.NextPoint();
    }
    for (size_t i = 0; i + 1 < ring.size(); ++i) segments.emplace_back(ring[i], ring[i + 1]);
    if (ring.size() > 1 && (ring.front().X != ring.back().X || ring.front().Y != ring.back().Y))
      segments.emplace_back(ring.back(), ring.front());
  }
  Border.FirstPointSubject(0);

  const int rows = Head.BlockRows, cols = Head.BlockColumns;
  const double bh = Head.BlockHeight, bw = Head.BlockWidth;
  std::memset(Flags, 0, size_t(BlockCount()));
  // Class 2: a segment within one element of the block.
  for (const auto& [a, b] : segments) {
    const double x0 = std::min(a.X, b.X), x1 = std::max(a.X, b.X);
    const double y0 = std::min(a.Y, b.Y), y1 = std::max(a.Y, b.Y);
    const double cLo = std::max(0.0, std::floor(x0 / bw) - 1), cHi = std::min(cols - 1.0, std::floor((x1 + 1) / bw));
    const double rLo = std::max(0.0, std::floor(y0 / bh) - 1), rHi = std::min(rows - 1.0, std::floor((y1 + 1) / bh));
    if (!(cLo <= cHi && rLo <= rHi)) continue;
    for (int r = int(rLo); r <= int(rHi); ++r) {
      const double top = r * bh;
      for (int c = int(cLo); c <= int(cHi); ++c) {
        const double left = c * bw;
        if (SegmentMeetsBox(a, b, left - 1, top - 1, left + BlockWidth(c), top + BlockHeight(r)))
          Flags[r * cols + c] = 2;
      }
    }
  }
  // The others: inside or outside by the even-odd rule, on a line through
  // the middle of each block row.
  std::vector<double> crossings;
  for (int r = 0; r < rows; ++r) {
    const double y = r * bh + (BlockHeight(r) - 1) / 2.0;
    crossings.clear();
    for (const auto& [a, b] : segments)
      if ((a.Y <= y) != (b.Y <= y)) crossings.push_back(a.X + (y - a.Y) * (b.X - a.X) / (b.Y - a.Y));
    std::sort(crossings.begin(), crossings.end());
    for (int c = 0; c < cols; ++c) {
      signed char& flag = Flags[r * cols + c];
      if (flag == 2) continue;
      const double x = c * bw + (BlockWidth(c) - 1) / 2.0;
      const size_t before = size_t(std::lower_bound(crossings.begin(), crossings.end(), x) - crossings.begin());
      flag = before % 2 ? 1 : 0;
    }
  }
}

int TRmf::DeleteBorder() {
  if (!Main) return Fail(MAPERR_OPEN);
  if (Flags) std::memset(Flags, 1, FlagsSize);
  Border.Clear(METRIC_F32, 0);
  std::memset(&BorderDesc, 0, sizeof(BorderDesc));
  // A border that was the last thing in its file is cut off.
  RmfPlace place;
  if (Head.BorderPosition && IsWritable() &&
      RmfLocate(Head.BorderPosition, Head.UnitShift, &place)) {
    HANDLE file = place.part ? (OpenContinuation(false) ? Cont : nullptr) : Main;
    if (file && plat::FileLength(file) == int64_t(place.offset + Head.BorderLength))
      plat::SetFileLength(file, int64_t(place.offset));
  }
  Head.BorderPosition = Head.BorderLength = 0;
  HeadChanged = BorderChanged = 1;
  return Save();
}

int TRmf::ShowByBorder() {
  return Head.BorderDisplayOff == 0 && Border.Record && Border.Record->Ident == METRIC_I32 &&
                 Border.TotalPointCount() > 0
             ? 1
             : 0;
}

int TRmf::ShowByBorder(int on) {
  if (!on) {
    // The classes are kept in the file, where turning the border on again
    // finds them. Classes that cannot be stored stay in memory, marked
    // changed, and the border stays on (with the code): the display off
    // would overwrite the only copy of them.
    if (FlagsChanged && IsWritable() && !StoreFlags()) {
      if (!Error) Error = MAPERR_WRITE;
      return ShowByBorder();
    }
    if (Flags) std::memset(Flags, 1, FlagsSize);
    FlagsChanged = 0;
  } else if (Head.FlagsPosition && !ReadBlockFlags() && Flags && Border.Record &&
             Border.Record->Ident == METRIC_I32 && FlagsSize >= DWORD(BlockCount())) {
    // Classes that cannot be read (a damaged flags area) are made again
    // from the border and written with the file, which would otherwise be
    // saved showing by a border whose classes it cannot open.
    ClassifyBlocks();
    FlagsChanged = 1;
  }
  Head.BorderDisplayOff = on ? 0 : 1;
  HeadChanged = 1;
  return ShowByBorder();
}

void TRmf::BorderDataInit() {
  const bool valid = Border.Record && Border.Record->Ident == METRIC_I32;
  const int64_t points = valid ? Border.TotalPointCount() : 0;
  const LONG contours = valid ? LONG(Border.Record->Count) + 1 : 0;
  BorderDesc = POLYDATA{};
  BorderDesc.Points = BorderPoints;
  if (BorderPoints && uint64_t(points * 8 + contours * 4) <= BorderPointsSize) {
    BorderDesc.PolyCounts = reinterpret_cast<LONG*>(reinterpret_cast<BYTE*>(BorderPoints) + points * 8);
    if (contours) BorderDesc.PolyCounts[0] = Border.PointCount(0);
    BorderDesc.Count = contours;
  }
  BorderDesc.MaxX = (Head.BlockWidth + 31) / 32 * 32;
  BorderDesc.MaxY = Head.BlockHeight;
}

POLYDATA* TRmf::GetBorderMetric(int row, int col) { return BorderMetric(row, col, false); }

POLYDATA* TRmf::GetBorderMetricTurn(int row, int col) { return BorderMetric(row, col, true); }

POLYDATA* TRmf::BorderMetric(int row, int col, bool turn) {
  if (!BorderPoints || !Border.Record || Border.Record->Ident != METRIC_I32) return nullptr;
  const int64_t points = Border.TotalPointCount();
  const int contours = Border.Record->Count + 1;
  if (uint64_t(points * 8 + int64_t(contours) * 4) > BorderPointsSize) return nullptr;
  BorderDataInit();
  const LONG dx = LONG(int64_t(col) * Head.BlockWidth), dy = LONG(int64_t(row) * Head.BlockHeight);
  POINT* p = BorderPoints;
  for (int n = 0; n < contours; ++n) {
    const int count = Border.PointCount(n);
    BorderDesc.PolyCounts[n] = count;
    if (count < 1 || !Border.FirstPointSubject(n)) continue;
    for (int i = 0; i < count && p < BorderPoints + points; ++i, ++p) {
      p->x = Border.X() - dx;
      p->y = Border.Y() - dy;
      if (turn) p->y = Head.BlockHeight - 1 - p->y;
      Border.NextPoint();
    }
  }
  Border.FirstPointSubject(0);
  return &BorderDesc;
}
