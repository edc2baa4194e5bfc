#include "mapstore/sheetframes.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "mapstore/maplist.h"

namespace {

LONG g_minObjects = 1 << 14;

// The levels a grid may have: cells of the smallest size times 2^33 hold
// any frame of 32-bit coordinates.
constexpr int kLevels = 40;

// The lowest and highest coordinates of a frame, whichever way round it
// is stored: a frame whose corners are swapped still meets what its
// descriptor's test lets it meet.
struct SPAN {
  int64_t x1, y1, x2, y2;
};

SPAN SpanOf(const FRAME& f) {
  return SPAN{std::min<int64_t>(f.X1, f.X2), std::min<int64_t>(f.Y1, f.Y2),
              std::max<int64_t>(f.X1, f.X2), std::max<int64_t>(f.Y1, f.Y2)};
}

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

// Whether two frames meet (borders included).
bool Meet(const SPAN& a, const SPAN& b) {
  return a.x1 <= b.x2 && b.x1 <= a.x2 && a.y1 <= b.y2 && b.y1 <= a.y2;
}

// The level of a frame of this size over cells of `base` units at level 0.
int LevelOf(int64_t size, int64_t base) {
  int level = 0;
  while (level < kLevels - 1 && (base << level) < size) ++level;
  return level;
}

}  // namespace

LONG TSheetFrameIndex::MinObjects() { return g_minObjects; }

void TSheetFrameIndex::SetMinObjects(LONG count) { g_minObjects = count > 1 ? count : 1; }

void TSheetFrameIndex::Forget() {
  made_ = serves_ = false;
  sheet_ = 0;
  file_ = nullptr;
  count_ = first_ = last_ = 0;
  x0_ = y0_ = 0;
  base_ = 1;
  std::vector<LEVEL>().swap(levels_);
  std::vector<int32_t>().swap(runs_);
  std::vector<int32_t>().swap(cells_);
  std::vector<int32_t>().swap(starts_);
  std::vector<LONG>().swap(entries_);
  std::vector<EXTRA>().swap(extras_);
}

void TSheetFrameIndex::Swap(TSheetFrameIndex& other) noexcept {
  std::swap(made_, other.made_);
  std::swap(serves_, other.serves_);
  std::swap(sheet_, other.sheet_);
  std::swap(file_, other.file_);
  std::swap(count_, other.count_);
  std::swap(first_, other.first_);
  std::swap(last_, other.last_);
  std::swap(x0_, other.x0_);
  std::swap(y0_, other.y0_);
  std::swap(base_, other.base_);
  levels_.swap(other.levels_);
  runs_.swap(other.runs_);
  cells_.swap(other.cells_);
  starts_.swap(other.starts_);
  entries_.swap(other.entries_);
  extras_.swap(other.extras_);
}

size_t TSheetFrameIndex::Bytes() const {
  return levels_.capacity() * sizeof(LEVEL) + runs_.capacity() * sizeof(int32_t) +
         cells_.capacity() * sizeof(int32_t) + starts_.capacity() * sizeof(int32_t) +
         entries_.capacity() * sizeof(LONG) + extras_.capacity() * sizeof(EXTRA);
}

bool TSheetFrameIndex::ForSheet(const TMapList& list) const {
  return made_ && sheet_ == list.ListNumber && file_ == list.Files[SHEET_HDR];
}

bool TSheetFrameIndex::InStep(const TMapList& list) const {
  return ForSheet(list) && count_ == list.Head.Count && first_ == list.Head.First &&
         last_ == list.Head.Last;
}

int32_t TSheetFrameIndex::CellOf(const FRAME& frame) const {
  if (levels_.empty()) return -1;
  const SPAN s = SpanOf(frame);
  const int level = LevelOf(std::max(s.x2 - s.x1, s.y2 - s.y1), base_);
  if (level >= int(levels_.size()) || levels_[size_t(level)].columns == 0) return -1;
  const LEVEL& l = levels_[size_t(level)];
  const int64_t column = std::clamp<int64_t>(FloorDiv(s.x1 - x0_, l.size), 0, l.columns - 1);
  const int64_t row = std::clamp<int64_t>(FloorDiv(s.y1 - y0_, l.size), 0, l.rows - 1);
  return l.first + int32_t(row * l.columns + column);
}

bool TSheetFrameIndex::PutExtra(LONG n, const FRAME& frame) {
  // Beyond this the list costs a question more than making the index again.
  if (extras_.size() >= size_t(4096 + count_ / 64)) return false;
  try {
    extras_.push_back(EXTRA{n, frame});
  } catch (const std::bad_alloc&) {
    return false;
  }
  cells_[size_t(n)] = -2 - int32_t(extras_.size() - 1);
  return true;
}

bool TSheetFrameIndex::Make(TMapList& list) {
  Forget();
  made_ = true;
  sheet_ = list.ListNumber;
  file_ = list.Files[SHEET_HDR];
  count_ = list.Head.Count;
  first_ = list.Head.First;
  last_ = list.Head.Last;
  const size_t count = size_t(count_);
  try {
    runs_.assign(count + 1, NOT_IN_CHAIN);
    std::vector<FRAME> frames(count + 1);

    // The walk, as every walk of the chain reads it.
    bool line = true;
    LONG prev = 0;
    int prevLocal = -1;
    int32_t run = 0;
    const FVSPR* d = list.FirstHead();
    for (LONG i = 0; d != nullptr && i < count_; ++i) {
      const LONG n = list.CurrentObject;
      // Met twice (a circle), or not linked back to the one before: the
      // walk backwards would meet other objects.
      if (n < 1 || n > count_ || runs_[size_t(n)] != NOT_IN_CHAIN || d->Back != DWORD(prev)) {
        line = false;
        break;
      }
      const int local = FvsprLocal(d);
      if (prev != 0 && (n < prev || local != prevLocal)) ++run;
      runs_[size_t(n)] = run;
      frames[size_t(n)] = FRAME{d->X1, d->Y1, d->X2, d->Y2};
      prev = n;
      prevLocal = local;
      d = list.NextHead();
    }
    // The walk backwards starts where this one ended.
    if (!line || d != nullptr || prev != list.Head.Last) {
      std::vector<int32_t>().swap(runs_);
      return false;
    }

    // The grid's extent and the size of its smallest cells: about the
    // spacing of the objects.
    int64_t x1 = INT64_MAX, y1 = INT64_MAX, x2 = INT64_MIN, y2 = INT64_MIN;
    LONG placed = 0;
    for (size_t n = 1; n <= count; ++n) {
      if (runs_[n] == NOT_IN_CHAIN) continue;
      const SPAN s = SpanOf(frames[n]);
      x1 = std::min(x1, s.x1), y1 = std::min(y1, s.y1);
      x2 = std::max(x2, s.x2), y2 = std::max(y2, s.y2);
      ++placed;
    }
    cells_.assign(count + 1, -1);
    serves_ = true;
    if (placed == 0) return true;
    x0_ = x1, y0_ = y1;
    const double area = double(x2 - x1 + 1) * double(y2 - y1 + 1);
    const int64_t base = base_ = std::max<int64_t>(1, int64_t(std::sqrt(area / placed)));
    std::vector<LONG> perLevel(kLevels, 0);
    for (size_t n = 1; n <= count; ++n) {
      if (runs_[n] == NOT_IN_CHAIN) continue;
      const SPAN s = SpanOf(frames[n]);
      ++perLevel[size_t(LevelOf(std::max(s.x2 - s.x1, s.y2 - s.y1), base))];
    }
    // Each level's cells are at least as large as its frames and hold a
    // few of them on average; a level has at most twice as many cells as
    // objects.
    int top = kLevels - 1;
    while (top > 0 && perLevel[size_t(top)] == 0) --top;
    int64_t cells = 0;
    levels_.resize(size_t(top) + 1);
    for (int level = 0; level <= top; ++level) {
      LEVEL& l = levels_[size_t(level)];
      const LONG objects = perLevel[size_t(level)];
      l.size = base << level;
      l.columns = l.rows = 0;
      l.first = int32_t(cells);
      if (objects == 0) continue;
      l.size = std::max(l.size, int64_t(2.0 * std::sqrt(area / objects)));
      for (;;) {
        l.columns = (x2 - x1) / l.size + 1;
        l.rows = (y2 - y1) / l.size + 1;
        if (double(l.columns) * double(l.rows) <= 2.0 * objects + 16) break;
        l.size *= 2;
      }
      cells += l.columns * l.rows;
    }
    // The entries, cell by cell.
    starts_.assign(size_t(cells) + 1, 0);
    for (size_t n = 1; n <= count; ++n) {
      if (runs_[n] == NOT_IN_CHAIN) continue;
      cells_[n] = CellOf(frames[n]);
      ++starts_[size_t(cells_[n]) + 1];
    }
    for (size_t c = 1; c < starts_.size(); ++c) starts_[c] += starts_[c - 1];
    entries_.resize(size_t(placed));
    std::vector<int32_t> fill(starts_.begin(), starts_.end() - 1);
    for (size_t n = 1; n <= count; ++n)
      if (runs_[n] != NOT_IN_CHAIN) entries_[size_t(fill[size_t(cells_[n])]++)] = LONG(n);
    return true;
  } catch (const std::bad_alloc&) {
    const int sheet = sheet_;
    const HANDLE file = file_;
    Forget();
    // Without memory the walk answers until the header changes.
    made_ = true;
    sheet_ = sheet, file_ = file;
    count_ = list.Head.Count, first_ = list.Head.First, last_ = list.Head.Last;
    return false;
  }
}

bool TSheetFrameIndex::Meeting(TMapList& list, const FRAME& frame, LONG from, int direction,
                               std::vector<LONG>& out) {
  out.clear();
  if (list.Head.Count < MinObjects()) {
    if (made_) Forget();
    return false;
  }
  if (!InStep(list) && !Make(list)) return false;
  if (!serves_) return false;
  if (from != 0 && (from < 1 || from > count_ || runs_[size_t(from)] == NOT_IN_CHAIN))
    return false;

  // Cells and entries looked at: past this share of the sheet the walk
  // costs less.
  int64_t budget = int64_t(count_) / 8 + 256;
  const SPAN q = SpanOf(frame);
  try {
    for (const LEVEL& l : levels_) {
      if (l.columns == 0) continue;
      // An object of this level that meets the frame has its lowest
      // corner at most a cell's size before the frame.
      const int64_t c1 = std::clamp<int64_t>(FloorDiv(q.x1 - l.size - x0_, l.size), 0, l.columns - 1);
      const int64_t c2 = std::clamp<int64_t>(FloorDiv(q.x2 - x0_, l.size), 0, l.columns - 1);
      const int64_t r1 = std::clamp<int64_t>(FloorDiv(q.y1 - l.size - y0_, l.size), 0, l.rows - 1);
      const int64_t r2 = std::clamp<int64_t>(FloorDiv(q.y2 - y0_, l.size), 0, l.rows - 1);
      budget -= (c2 - c1 + 1) * (r2 - r1 + 1);
      if (budget < 0) return false;
      for (int64_t r = r1; r <= r2; ++r) {
        for (int64_t c = c1; c <= c2; ++c) {
          const int32_t cell = l.first + int32_t(r * l.columns + c);
          const int32_t end = starts_[size_t(cell) + 1];
          budget -= end - starts_[size_t(cell)];
          if (budget < 0) return false;
          for (int32_t k = starts_[size_t(cell)]; k < end; ++k) {
            const LONG n = entries_[size_t(k)];
            // An object written since into another cell is in the list below.
            if (cells_[size_t(n)] == cell) out.push_back(n);
          }
        }
      }
    }
    for (const EXTRA& e : extras_)
      if (runs_[size_t(e.n)] != NOT_IN_CHAIN && Meet(SpanOf(e.frame), q)) out.push_back(e.n);
  } catch (const std::bad_alloc&) {
    out.clear();
    return false;
  }

  // Run and number order the objects as the chain does.
  auto key = [&](LONG n) { return int64_t(runs_[size_t(n)]) * (int64_t(1) << 32) + n; };
  if (from != 0) {
    const int64_t after = key(from);
    out.erase(std::remove_if(out.begin(), out.end(),
                             [&](LONG n) { return direction > 0 ? key(n) <= after : key(n) >= after; }),
              out.end());
  }
  if (direction > 0)
    std::sort(out.begin(), out.end(), [&](LONG a, LONG b) { return key(a) < key(b); });
  else
    std::sort(out.begin(), out.end(), [&](LONG a, LONG b) { return key(a) > key(b); });
  return true;
}

void TSheetFrameIndex::Appended(const TMapList& list, LONG n, const FVSPR& desc) {
  if (!made_) return;
  if (!serves_ || !ForSheet(list) || n != count_ + 1 || list.Head.Count != n) {
    Forget();
    return;
  }
  auto chained = [&](LONG m) { return m >= 1 && m <= count_ && runs_[size_t(m)] != NOT_IN_CHAIN; };
  const LONG before = LONG(desc.Back), after = LONG(desc.Next);
  int32_t run;
  if (before != 0) {
    // Behind the last object of a run (or of the chain) it joins that run;
    // in the middle of one it would take a place no run and number give.
    if (!chained(before) || (after == 0 ? before != last_
                                         : !chained(after) || runs_[size_t(after)] <= runs_[size_t(before)])) {
      Forget();
      return;
    }
    run = runs_[size_t(before)];
  } else {
    // The new first object: a run of its own before all others.
    if (after != first_ || !chained(after) || runs_[size_t(after)] == NOT_IN_CHAIN + 1) {
      Forget();
      return;
    }
    run = runs_[size_t(after)] - 1;
  }
  try {
    runs_.push_back(run);
    cells_.push_back(-1);
  } catch (const std::bad_alloc&) {
    Forget();
    return;
  }
  count_ = n;
  first_ = list.Head.First;
  last_ = list.Head.Last;
  if (!PutExtra(n, FRAME{desc.X1, desc.Y1, desc.X2, desc.Y2})) Forget();
}

void TSheetFrameIndex::Changed(const TMapList& list, LONG n, const FVSPR& desc) {
  if (!made_) return;
  if (!ForSheet(list) || n < 1 || n > count_) {
    Forget();
    return;
  }
  if (!serves_) return;
  if (runs_[size_t(n)] == NOT_IN_CHAIN) return;
  const FRAME frame{desc.X1, desc.Y1, desc.X2, desc.Y2};
  const int32_t held = cells_[size_t(n)];
  if (held <= -2) {
    extras_[size_t(-2 - held)].frame = frame;
    return;
  }
  if (held >= 0 && CellOf(frame) == held) return;
  if (!PutExtra(n, frame)) Forget();
}
