#include "mapstore/sheetreach.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <cmath>
#include <new>

namespace {

// The most cells a sheet's frame may meet and still be placed: one that
// spans more is asked at every question.
constexpr int64_t kMostCells = 64;

bool Finite(const DFRAME& f) {
  return std::isfinite(f.X1) && std::isfinite(f.Y1) && std::isfinite(f.X2) && std::isfinite(f.Y2);
}

// The cell of a coordinate along one side: cells past either end are the
// last ones, so that the cells of two frames that meet always meet.
int CellOf(double v, double origin, double size, int count) {
  const double c = std::floor((v - origin) / size);
  if (!(c > 0.0)) return 0;
  return c >= count - 1 ? count - 1 : int(c);
}

}  // namespace

bool TSheetReach::Make(int count, const DFRAME& bounds) {
  Drop();
  if (count < 1) return false;
  const bool usable = Finite(bounds) && bounds.X1 <= bounds.X2 && bounds.Y1 <= bounds.Y2;
  const double w = usable ? bounds.X2 - bounds.X1 : 0.0, h = usable ? bounds.Y2 - bounds.Y1 : 0.0;
  // About a cell a sheet, as near square as the bounds allow.
  const double aspect = w > 0.0 && h > 0.0 ? w / h : 1.0;
  columns_ = int(std::clamp(std::round(std::sqrt(count * aspect)), 1.0, 4096.0));
  rows_ = int(std::clamp(std::ceil(double(count) / columns_), 1.0, 4096.0));
  x0_ = usable ? bounds.X1 : 0.0, y0_ = usable ? bounds.Y1 : 0.0;
  width_ = w > 0.0 && std::isfinite(w / columns_) && w / columns_ > 0.0 ? w / columns_ : 1.0;
  height_ = h > 0.0 && std::isfinite(h / rows_) && h / rows_ > 0.0 ? h / rows_ : 1.0;
  try {
    cells_.assign(size_t(columns_) * size_t(rows_), {});
    sheets_.assign(size_t(count), SHEET{});
    asked_.assign((size_t(count) + 63) / 64, ~uint64_t(0));
    if (count % 64 != 0) asked_.back() = (uint64_t(1) << (count % 64)) - 1;
    changed_.clear();
    changed_.reserve(size_t(count));
    for (int n = count; n >= 1; --n) {
      changed_.push_back(n);
      sheets_[size_t(n) - 1].Changed = 1;
    }
  } catch (const std::bad_alloc&) {
    Drop();
    return false;
  }
  made_ = true;
  return true;
}

void TSheetReach::Drop() {
  made_ = false;
  lastKept_ = false;
  std::vector<std::vector<int32_t>>().swap(cells_);
  std::vector<SHEET>().swap(sheets_);
  std::vector<uint64_t>().swap(asked_);
  std::vector<int32_t>().swap(changed_);
  std::vector<int32_t>().swap(lastSheets_);
  columns_ = rows_ = 0;
}

void TSheetReach::Changed(int n) {
  if (!made_) return;
  if (n < 1 || n > Sheets()) {
    // A sheet the index was not made for: made again.
    Drop();
    return;
  }
  SHEET& s = sheets_[size_t(n) - 1];
  if (s.Changed) return;
  try {
    changed_.push_back(n);
  } catch (const std::bad_alloc&) {
    Drop();
    return;
  }
  s.Changed = 1;
}

int TSheetReach::TakeChanged() {
  if (!made_ || changed_.empty()) return 0;
  const int n = changed_.back();
  changed_.pop_back();
  sheets_[size_t(n) - 1].Changed = 0;
  return n;
}

int TSheetReach::CellX(double x) const { return CellOf(x, x0_, width_, columns_); }
int TSheetReach::CellY(double y) const { return CellOf(y, y0_, height_, rows_); }

void TSheetReach::SetAsked(int n, bool asked) {
  const uint64_t bit = uint64_t(1) << ((n - 1) % 64);
  uint64_t& word = asked_[size_t(n - 1) / 64];
  word = asked ? word | bit : word & ~bit;
}

void TSheetReach::Unplace(int n) {
  SHEET& s = sheets_[size_t(n) - 1];
  if (s.How == PLACED) {
    for (int y = s.Y1; y <= s.Y2; ++y)
      for (int x = s.X1; x <= s.X2; ++x) {
        std::vector<int32_t>& cell = cells_[size_t(y) * size_t(columns_) + size_t(x)];
        cell.erase(std::remove(cell.begin(), cell.end(), n), cell.end());
      }
  }
  s.How = ASKED;
  SetAsked(n, true);
  lastKept_ = false;
}

void TSheetReach::Place(int n, Kind kind, const DFRAME& box) {
  if (!made_ || n < 1 || n > Sheets()) return;
  Unplace(n);
  if (kind == ASKED) return;
  SHEET& s = sheets_[size_t(n) - 1];
  if (kind == EMPTY) {
    s.How = EMPTY;
    SetAsked(n, false);
    return;
  }
  if (!Finite(box) || !(box.X1 <= box.X2) || !(box.Y1 <= box.Y2)) return;
  const int x1 = CellX(box.X1), x2 = CellX(box.X2), y1 = CellY(box.Y1), y2 = CellY(box.Y2);
  if (int64_t(x2 - x1 + 1) * int64_t(y2 - y1 + 1) > kMostCells) return;
  try {
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x)
        cells_[size_t(y) * size_t(columns_) + size_t(x)].push_back(n);
  } catch (const std::bad_alloc&) {
    // Those entered so far go again; the sheet stays asked.
    for (std::vector<int32_t>& cell : cells_)
      cell.erase(std::remove(cell.begin(), cell.end(), n), cell.end());
    return;
  }
  s = SHEET{x1, y1, x2, y2, PLACED, s.Changed};
  SetAsked(n, false);
}

int TSheetReach::NextAsked(int from, int step) const {
  const int count = Sheets();
  if (from < 1 || from > count) return 0;
  size_t word = size_t(from - 1) / 64;
  const int bit = (from - 1) % 64;
  if (step > 0) {
    uint64_t w = asked_[word] & (~uint64_t(0) << bit);
    for (;;) {
      if (w != 0) return int(word * 64) + std::countr_zero(w) + 1;
      if (++word == asked_.size()) return 0;
      w = asked_[word];
    }
  }
  uint64_t w = asked_[word] & (bit == 63 ? ~uint64_t(0) : (uint64_t(1) << (bit + 1)) - 1);
  for (;;) {
    if (w != 0) return int(word * 64) + 63 - std::countl_zero(w) + 1;
    if (word == 0) return 0;
    w = asked_[--word];
  }
}

int TSheetReach::Next(const DFRAME& box, int from, int step) {
  if (!made_ || !Finite(box) || !(box.X1 <= box.X2) || !(box.Y1 <= box.Y2)) return from;
  const int count = Sheets();
  if (from < 1 || from > count) return 0;
  if (!lastKept_ || std::memcmp(&box, &lastBox_, sizeof(box)) != 0) {
    const int x1 = CellX(box.X1), x2 = CellX(box.X2), y1 = CellY(box.Y1), y2 = CellY(box.Y2);
    // A question over much of the map asks every sheet.
    if (int64_t(x2 - x1 + 1) * int64_t(y2 - y1 + 1) * 4 > int64_t(cells_.size()) + 64) return from;
    lastSheets_.clear();
    try {
      for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x) {
          const std::vector<int32_t>& cell = cells_[size_t(y) * size_t(columns_) + size_t(x)];
          lastSheets_.insert(lastSheets_.end(), cell.begin(), cell.end());
        }
    } catch (const std::bad_alloc&) {
      return from;
    }
    std::sort(lastSheets_.begin(), lastSheets_.end());
    lastSheets_.erase(std::unique(lastSheets_.begin(), lastSheets_.end()), lastSheets_.end());
    lastBox_ = box;
    lastKept_ = true;
  }
  const int asked = NextAsked(from, step);
  int placed = 0;
  if (step > 0) {
    auto at = std::lower_bound(lastSheets_.begin(), lastSheets_.end(), from);
    if (at != lastSheets_.end()) placed = *at;
    return asked == 0 ? placed : (placed == 0 ? asked : std::min(asked, placed));
  }
  auto at = std::upper_bound(lastSheets_.begin(), lastSheets_.end(), from);
  if (at != lastSheets_.begin()) placed = *(at - 1);
  return std::max(asked, placed);
}
