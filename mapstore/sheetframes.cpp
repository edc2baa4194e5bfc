#include "mapstore/sheetframes.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "mapstore/maplist.h"
#include "mapstore/sheetframegrid.h"
#include "platform/fileio.h"
#include "platform/system.h"
#include "platform/vfs.h"

namespace {

LONG g_minObjects = 1 << 10;
std::atomic<uint64_t> g_gridQuestions{0};
size_t g_keptBytes = 0;  // 0: not set, DefaultKeptBytes

// The indexes take about 13 bytes an object: a sixteenth of the machine's
// memory holds those of 100,000,000 objects on a machine of 24 GB, and
// 128 MB those of 10,000,000 on any machine.
size_t DefaultKeptBytes() {
  constexpr size_t kLeast = size_t(128) << 20;
  static const size_t bytes =
      std::max<size_t>(kLeast, size_t(std::min<uint64_t>(plat::PhysicalMemory() / 16, SIZE_MAX)));
  return bytes;
}

// The levels a grid may have: cells of the smallest size times 2^33 hold
// any frame of 32-bit coordinates.
constexpr int kLevels = 40;
// A frame covering more than this share of the sheet's nominal frame does
// not make the index: the walk answers it at about the same cost.
constexpr double kSmallShare = 1.0 / 16;
// The grid is laid out in two steps (Make): each entry first into a chunk
// of its group of cells, then, group by group, into its cell. A group of
// 4096 cells: few enough groups that the first step writes to few places
// at once, small enough that a group's entries stay in the processor's
// cache while they are put in cells.
constexpr size_t kGroupCells = 4096;
constexpr size_t kChunk = 1024;  // entries of a chunk

// a / 2^shift rounded down and up (the shift of a negative number rounds
// down).
int64_t FloorShift(int64_t a, int shift) { return a >> shift; }
int64_t CeilShift(int64_t a, int shift) { return -(-a >> shift); }

// The least k with 2^k at least v (v >= 1).
int CeilLog2(double v) {
  int k = 0;
  while (k < 62 && std::ldexp(1.0, k) < v) ++k;
  return k;
}

}  // namespace

LONG TSheetFrameIndex::MinObjects() { return g_minObjects; }

void TSheetFrameIndex::SetMinObjects(LONG count) { g_minObjects = count > 1 ? count : 1; }

size_t TSheetFrameIndex::KeptBytes() {
  return g_keptBytes != 0 ? g_keptBytes : DefaultKeptBytes();
}

void TSheetFrameIndex::SetKeptBytes(size_t bytes) { g_keptBytes = bytes != 0 ? bytes : 1; }

uint64_t TSheetFrameIndex::GridQuestions() {
  return g_gridQuestions.load(std::memory_order_relaxed);
}

void TSheetFrameGrid::Forget() {
  made_ = serves_ = false;
  sheet_ = 0;
  file_ = nullptr;
  count_ = first_ = last_ = 0;
  x0_ = y0_ = 0;
  base_ = 0;
  extent_ = SPAN{1, 1, 0, 0};
  std::vector<LEVEL>().swap(levels_);
  std::vector<int32_t>().swap(places_);
  std::vector<int32_t>().swap(starts_);
  std::vector<ENTRY>().swap(entries_);
  std::vector<EXTRA>().swap(extras_);
  asked_ = refused_ = false;
  std::vector<int64_t>().swap(keys_);
}

size_t TSheetFrameGrid::Bytes() const {
  return levels_.capacity() * sizeof(LEVEL) + places_.capacity() * sizeof(int32_t) +
         starts_.capacity() * sizeof(int32_t) + entries_.capacity() * sizeof(ENTRY) +
         extras_.capacity() * sizeof(EXTRA) + keys_.capacity() * sizeof(int64_t);
}

bool TSheetFrameGrid::ForSheet(const TMapList& list) const {
  return made_ && sheet_ == list.ListNumber && file_ == list.Files[SHEET_HDR];
}

bool TSheetFrameGrid::InStep(const TMapList& list) const {
  return ForSheet(list) && count_ == list.Head.Count && first_ == list.Head.First &&
         last_ == list.Head.Last;
}

namespace {

// The lowest and highest coordinates of a frame, whichever way round it
// is stored: a frame whose corners are swapped still meets what its
// descriptor's test lets it meet.
template <typename Span>
Span SpanOf(const FRAME& f) {
  return Span{std::min<int64_t>(f.X1, f.X2), std::min<int64_t>(f.Y1, f.Y2),
              std::max<int64_t>(f.X1, f.X2), std::max<int64_t>(f.Y1, f.Y2)};
}

template <typename Span>
bool Meet(const Span& a, const Span& b) {
  return a.x1 <= b.x2 && b.x1 <= a.x2 && a.y1 <= b.y2 && b.y1 <= a.y2;
}

// The least k with 2^(base + k) at least `size`, at most the last level.
int LevelFor(int64_t size, int base) {
  if (size <= (int64_t(1) << base)) return 0;
  return std::min(int(std::bit_width(uint64_t(size - 1) >> base)), kLevels - 1);
}

// The bits of a frame's size less one: its level over cells of a unit.
int BitsOf(const FRAME& f) {
  const int64_t size = std::max(int64_t(f.X2) - f.X1, int64_t(f.Y2) - f.Y1);
  return size <= 1 ? 0 : int(std::bit_width(uint64_t(size - 1)));
}

}  // namespace

int32_t TSheetFrameGrid::CellOf(const SPAN& s, int* level, int64_t* column,
                                 int64_t* row) const {
  *level = LevelFor(std::max(s.x2 - s.x1, s.y2 - s.y1), base_);
  if (*level >= int(levels_.size()) || levels_[size_t(*level)].columns == 0) return -1;
  const LEVEL& l = levels_[size_t(*level)];
  // A frame outside the grid (written since) is held beside it.
  if (s.x1 < x0_ || s.y1 < y0_) return -1;
  *column = (s.x1 - x0_) >> l.shift, *row = (s.y1 - y0_) >> l.shift;
  if (*column >= l.columns || *row >= l.rows) return -1;
  return l.first + int32_t(*row * l.columns + *column);
}

TSheetFrameGrid::ENTRY TSheetFrameGrid::EntryAt(LONG n, int64_t x, int64_t y, int64_t width,
                                                  int64_t height, int unit) {
  // The frame reaches less than two cells from the cell's corner: its
  // codes stay within a byte.
  return ENTRY{n, uint8_t(x >> unit), uint8_t(y >> unit), uint8_t(CeilShift(x + width, unit)),
               uint8_t(CeilShift(y + height, unit))};
}

TSheetFrameGrid::ENTRY TSheetFrameGrid::EntryOf(LONG n, const SPAN& s, const LEVEL& l,
                                                  int64_t column, int64_t row) const {
  const int64_t cx = x0_ + (column << l.shift), cy = y0_ + (row << l.shift);
  return EntryAt(n, s.x1 - cx, s.y1 - cy, s.x2 - s.x1, s.y2 - s.y1, l.unit);
}

void TSheetFrameGrid::Widen(const SPAN& s) {
  if (extent_.x1 > extent_.x2) {
    extent_ = s;
    return;
  }
  extent_.x1 = std::min(extent_.x1, s.x1), extent_.y1 = std::min(extent_.y1, s.y1);
  extent_.x2 = std::max(extent_.x2, s.x2), extent_.y2 = std::max(extent_.y2, s.y2);
}

bool TSheetFrameGrid::PutExtra(LONG n, int32_t run, const FRAME& frame) {
  // Beyond this the list costs a question more than making the index again.
  if (extras_.size() >= size_t(4096 + count_ / 64)) return false;
  try {
    extras_.push_back(EXTRA{n, run, frame});
  } catch (const std::bad_alloc&) {
    return false;
  }
  places_[size_t(n)] = ExtraPlace(extras_.size() - 1);
  Widen(SpanOf<SPAN>(frame));
  return true;
}

bool TSheetFrameGrid::Make(TMapList& list) {
  Forget();
  made_ = true;
  sheet_ = list.ListNumber;
  file_ = list.Files[SHEET_HDR];
  count_ = list.Head.Count;
  first_ = list.Head.First;
  last_ = list.Head.Last;
  const size_t count = size_t(count_);
  try {
    places_.assign(count + 1, NOT_IN_CHAIN);
    // The frames as the walk reads them, each with its corners in order,
    // by number, at the start of one block, and the bits of each one's
    // size less one plus 1 (0: not in the chain). The entries are later
    // put in chunks of the same block from its end down, over the frames
    // already taken (Stage): the block is room enough for the most groups
    // of cells a grid can have.
    // An entry in a chunk of its group, with its cell within the group.
    struct STAGED {
      ENTRY entry;
      uint32_t within;
    };
    constexpr size_t kChunkBytes = kChunk * sizeof(STAGED);
    const size_t frameBytes = (count + 1) * sizeof(FRAME);
    const size_t mostGroups = (2 * count + 16 * kLevels) / kGroupCells + 1;
    const std::unique_ptr<char[]> block(new char[frameBytes + mostGroups * kChunkBytes]);
    const std::unique_ptr<uint8_t[]> bits(new uint8_t[count + 1]());

    // The walk of the chain: each object met in turn, until one breaks
    // the line.
    bool line = true;
    LONG prev = 0, placed = 0;
    int prevLocal = -1;
    int32_t run = FIRST_RUN;
    int32_t* const places = places_.data();
    // An object's frame, corners in order, and its size.
    auto take = [&](size_t n, const FVSPR* d) {
      const FRAME f{std::min(d->X1, d->X2), std::min(d->Y1, d->Y2), std::max(d->X1, d->X2),
                    std::max(d->Y1, d->Y2)};
      std::memcpy(block.get() + n * sizeof(FRAME), &f, sizeof f);
      bits[n] = uint8_t(BitsOf(f) + 1);
    };
    // Object n met next, linked back to `back`: false when the line breaks.
    auto step = [&](LONG n, DWORD back, int local) {
      // Met twice (a circle), or not linked back to the one before: the
      // walk backwards would meet other objects.
      if (n < 1 || n > count_ || places[n] != NOT_IN_CHAIN || back != DWORD(prev)) {
        line = false;
        return false;
      }
      if (prev != 0 && (n < prev || local != prevLocal)) ++run;
      places[n] = run;
      ++placed;
      prev = n;
      prevLocal = local;
      return true;
    };
    // Whether the chain leads on from its last object met.
    bool more = false;
    // Chains run by kind, each kind over the whole sheet, so that a walk
    // over the descriptors themselves waits on memory at nearly every
    // step. So the descriptors are read from the file in order, in blocks,
    // the frames and links of each kept; the walk then follows the links
    // alone. Otherwise (links mended in memory, or the file shorter than
    // its count) through the cache, as every walk reads it. The fault
    // layer of the tests sees every read through the cache.
    const int64_t heads = int64_t(count + 1) * SHEET_RECORD_SIZE;
    if (!list.LinksRepaired() && plat::ViewsAllowed() && plat::FileLength(file_) >= heads) {
      struct LINKS {
        uint32_t next, back;
        uint8_t local;
      };
      const std::unique_ptr<LINKS[]> links(new LINKS[count + 1]);
      constexpr LONG kBlock = 4096;  // descriptors read at once
      const std::unique_ptr<FVSPR[]> read(new FVSPR[size_t(std::min<LONG>(kBlock, count_))]);
      for (LONG first = 1; first <= count_; first += kBlock) {
        const LONG k = std::min<LONG>(kBlock, count_ - first + 1);
        if (!plat::ReadExactAt(file_, int64_t(first) * SHEET_RECORD_SIZE, read.get(),
                               DWORD(k) * SHEET_RECORD_SIZE)) {
          line = false;
          break;
        }
        for (LONG i = 0; i < k; ++i) {
          const FVSPR* d = &read[size_t(i)];
          links[size_t(first + i)] = LINKS{d->Next, d->Back, uint8_t(FvsprLocal(d))};
          take(size_t(first + i), d);
        }
      }
      LONG n = line && list.Head.First <= count_ ? list.Head.First : 0;
      for (LONG i = 0; n > 0 && i < count_; ++i) {
        const LINKS& l = links[size_t(n)];
        if (!step(n, l.back, l.local)) break;
        n = l.next != 0 && l.next <= DWORD(count_) ? LONG(l.next) : 0;
      }
      more = n > 0;
    } else {
      const FVSPR* d = list.FirstHead();
      for (LONG i = 0; d != nullptr && i < count_; ++i) {
        if (!step(list.CurrentObject, d->Back, FvsprLocal(d))) break;
        take(size_t(list.CurrentObject), d);
        d = list.NextHead();
      }
      more = d != nullptr;
    }
    // The walk backwards starts where this one ended.
    if (!line || more || prev != list.Head.Last || run == INT32_MAX) {
      std::vector<int32_t>().swap(places_);
      return false;
    }
    // The sizes and the extent of the objects met; the others are in no
    // chain.
    LONG x1 = INT32_MAX, y1 = INT32_MAX, x2 = INT32_MIN, y2 = INT32_MIN;
    // How many frames have each number of bits in their size less one (the
    // level of a frame over cells of a unit, BitsOf).
    LONG perBits[kLevels] = {};
    for (size_t m = 1; m <= count; ++m) {
      if (places[m] == NOT_IN_CHAIN) {
        bits[m] = 0;
        continue;
      }
      FRAME f;
      std::memcpy(&f, block.get() + m * sizeof(FRAME), sizeof f);
      ++perBits[bits[m] - 1];
      x1 = std::min(x1, f.X1), y1 = std::min(y1, f.Y1);
      x2 = std::max(x2, f.X2), y2 = std::max(y2, f.Y2);
    }
    serves_ = true;
    if (placed == 0) return true;
    extent_ = SPAN{x1, y1, x2, y2};
    x0_ = x1, y0_ = y1;

    // The size of the smallest cells: about the spacing of the objects.
    const double area = (double(x2) - x1 + 1) * (double(y2) - y1 + 1);
    base_ = std::max(0, CeilLog2(std::sqrt(area / placed)) - 1);
    LONG perLevel[kLevels] = {};
    for (int b = 0; b < kLevels; ++b) perLevel[std::max(0, b - base_)] += perBits[b];
    // Each level's cells are at least as large as its frames and hold a
    // few of them on average; a level has at most twice as many cells as
    // objects.
    int top = kLevels - 1;
    while (top > 0 && perLevel[top] == 0) --top;
    int64_t cells = 0;
    levels_.resize(size_t(top) + 1);
    for (int level = 0; level <= top; ++level) {
      LEVEL& l = levels_[size_t(level)];
      const LONG objects = perLevel[level];
      l.shift = base_ + level;
      l.columns = l.rows = 0;
      l.first = int32_t(cells);
      if (objects != 0) {
        l.shift = std::max(l.shift, CeilLog2(2.0 * std::sqrt(area / objects)));
        for (;;) {
          l.columns = ((int64_t(x2) - x1) >> l.shift) + 1;
          l.rows = ((int64_t(y2) - y1) >> l.shift) + 1;
          if (double(l.columns) * double(l.rows) <= 2.0 * objects + 16) break;
          ++l.shift;
        }
      }
      // A frame reaches less than two cells from its cell's corner: in
      // steps of a 64th of a cell its highest corner is at most 128.
      l.unit = std::max(0, l.shift - 6);
      cells += l.columns * l.rows;
    }
    // The entries, cell by cell. The objects lie all over the sheet in
    // number order, so they are put in two steps that each write near
    // where they wrote last (kGroupCells). A group's entries go to chunks
    // taken as the group fills them: no pass counts the cells first.
    const size_t groups = size_t(cells) / kGroupCells + 1;
    // Chunk k lies k + 1 chunks below the top, which is as far above the
    // frames as this grid's groups need: taken from the last object down,
    // the chunks (each at most full but for one a group) stay above every
    // frame not yet taken.
    char* const ceiling = block.get() + frameBytes + groups * kChunkBytes;
    auto chunkAt = [&](size_t k) { return ceiling - (k + 1) * kChunkBytes; };
    std::vector<std::vector<uint32_t>> chunks(groups);  // a group's chunks in order
    std::vector<char*> at(groups, nullptr), end(groups, nullptr);
    std::vector<size_t> held(groups, 0);
    size_t taken = 0;
    // The grid's origin and the level of a frame of b bits, b - base
    // (LevelFor), in locals: the stores of the loop could otherwise be
    // taken to change them.
    const int64_t gx = x0_, gy = y0_;
    LEVEL ruleOf[kLevels];
    for (int b = 0; b < kLevels; ++b) ruleOf[b] = levels_[size_t(std::clamp(b - base_, 0, top))];
    char** const next = at.data();
    // Each cell's entries counted on the way, one past their cell.
    starts_.assign(size_t(cells) + 1, 0);
    int32_t* const counts = starts_.data() + 1;
    for (size_t n = count; n >= 1; --n) {
      const int b = bits[n];
      if (b == 0) continue;
      const LEVEL l = ruleOf[b - 1];
      FRAME f;
      std::memcpy(&f, block.get() + n * sizeof(FRAME), sizeof f);
      const int64_t ox = int64_t(f.X1) - gx, oy = int64_t(f.Y1) - gy;
      const int64_t column = ox >> l.shift, row = oy >> l.shift;
      const int32_t cell = l.first + int32_t(row * l.columns + column);
      const size_t g = size_t(cell) / kGroupCells;
      if (next[g] == end[g]) {
        chunks[g].push_back(uint32_t(taken));
        next[g] = chunkAt(taken);
        end[g] = next[g] + kChunkBytes;
        ++taken;
      }
      // Made in place: a copy made first and moved there would be read
      // back before the processor has stored its parts.
      new (next[g]) STAGED{EntryAt(LONG(n), ox - (column << l.shift), oy - (row << l.shift),
                                   int64_t(f.X2) - f.X1, int64_t(f.Y2) - f.Y1, l.unit),
                           uint32_t(size_t(cell) % kGroupCells)};
      next[g] += sizeof(STAGED);
      ++held[g];
      ++counts[cell];
    }
    for (size_t c = 1; c <= size_t(cells); ++c) starts_[c] += starts_[c - 1];
    // Group by group, its entries put in their cells (a stretch of the
    // entries the processor's cache holds).
    entries_.resize(size_t(placed));
    ENTRY* const entries = entries_.data();
    int32_t cursor[kGroupCells];
    for (size_t g = 0; g < groups; ++g) {
      const size_t first = g * kGroupCells;
      if (first >= size_t(cells)) break;
      const size_t last = std::min(first + kGroupCells, size_t(cells));
      std::copy(starts_.begin() + ptrdiff_t(first), starts_.begin() + ptrdiff_t(last), cursor);
      size_t left = held[g];
      for (const uint32_t c : chunks[g]) {
        const char* s = chunkAt(c);
        for (const char* e = s + std::min(left, kChunk) * sizeof(STAGED); s < e;
             s += sizeof(STAGED)) {
          const STAGED& staged = *std::launder(reinterpret_cast<const STAGED*>(s));
          entries[cursor[staged.within]++] = staged.entry;
        }
        left -= std::min(left, kChunk);
      }
    }
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

bool TSheetFrameGrid::Gather(const SPAN& question) {
  keys_.clear();
  // Nothing held lies there: the sheet is passed over.
  if (!Meet(question, extent_)) return true;
  const SPAN q{std::max(question.x1, extent_.x1), std::max(question.y1, extent_.y1),
               std::min(question.x2, extent_.x2), std::min(question.y2, extent_.y2)};
  // Over much of the objects' extent the walk answers at once (a picture
  // of the whole sheet).
  const double asked = (double(q.x2) - q.x1 + 1) * (double(q.y2) - q.y1 + 1);
  const double held = (double(extent_.x2) - extent_.x1 + 1) * (double(extent_.y2) - extent_.y1 + 1);
  if (asked > held * kSmallShare * 2) return false;
  // Cells and entries looked at: past this share of the sheet the walk
  // costs less.
  int64_t budget = int64_t(count_) / 8 + 256;
  const ENTRY* const entries = entries_.data();
  const int32_t* const places = places_.data();
  for (const LEVEL& l : levels_) {
    if (l.columns == 0) continue;
    // An object of this level that meets the frame has its lowest corner
    // at most a cell's size before the frame.
    const int64_t size = int64_t(1) << l.shift;
    const int64_t c1 = std::clamp<int64_t>(FloorShift(q.x1 - size - x0_, l.shift), 0, l.columns - 1);
    const int64_t c2 = std::clamp<int64_t>(FloorShift(q.x2 - x0_, l.shift), 0, l.columns - 1);
    const int64_t r1 = std::clamp<int64_t>(FloorShift(q.y1 - size - y0_, l.shift), 0, l.rows - 1);
    const int64_t r2 = std::clamp<int64_t>(FloorShift(q.y2 - y0_, l.shift), 0, l.rows - 1);
    budget -= (c2 - c1 + 1) * (r2 - r1 + 1);
    if (budget < 0) return false;
    for (int64_t r = r1; r <= r2; ++r) {
      // The question in the cells' units: an entry meets it when its
      // lowest corner is at most the question's highest and its highest
      // at least the question's lowest.
      const int64_t cy = y0_ + (r << l.shift);
      const int ay = int(std::clamp<int64_t>(FloorShift(q.y2 - cy, l.unit), -1, 255));
      const int by = int(std::clamp<int64_t>(CeilShift(q.y1 - cy, l.unit), 0, 256));
      for (int64_t c = c1; c <= c2; ++c) {
        const int64_t cx = x0_ + (c << l.shift);
        const int ax = int(std::clamp<int64_t>(FloorShift(q.x2 - cx, l.unit), -1, 255));
        const int bx = int(std::clamp<int64_t>(CeilShift(q.x1 - cx, l.unit), 0, 256));
        const int32_t cell = l.first + int32_t(r * l.columns + c);
        const int32_t begin = starts_[size_t(cell)], end = starts_[size_t(cell) + 1];
        budget -= end - begin;
        if (budget < 0) return false;
        for (int32_t k = begin; k < end; ++k) {
          const ENTRY& e = entries[k];
          if (e.x1 > ax || e.x2 < bx || e.y1 > ay || e.y2 < by) continue;
          // An object written since into the list beside the grid is
          // asked there.
          const int32_t run = places[e.n];
          if (run >= 0) keys_.push_back(int64_t(run) << 32 | e.n);
        }
      }
    }
  }
  for (const EXTRA& e : extras_)
    if (places[e.n] != NOT_IN_CHAIN && Meet(SpanOf<SPAN>(e.frame), q))
      keys_.push_back(int64_t(e.run) << 32 | e.n);
  // Run and number order the objects as the chain does.
  std::sort(keys_.begin(), keys_.end());
  return true;
}

bool TSheetFrameGrid::Meeting(TMapList& list, const FRAME& frame, LONG from, int direction,
                               ANSWER* out) {
  *out = ANSWER{};
  if (list.Head.Count < TSheetFrameIndex::MinObjects()) {
    if (made_) Forget();
    return false;
  }
  const SPAN q = SpanOf<SPAN>(frame);
  if (!InStep(list)) {
    // Made only for a question much smaller than the sheet: a picture of
    // the whole sheet, or a select over it, walks as it would anyway.
    if (list.List != nullptr) {
      const DFRAME& f = list.List->Frame;
      const double sheet = (f.X2 - f.X1) * (f.Y2 - f.Y1);
      const double asked = double(q.x2 - q.x1) * double(q.y2 - q.y1);
      if (sheet > 0.0 && std::isfinite(sheet) && asked > sheet * kSmallShare) return false;
    }
    if (!Make(list)) return false;
    list.BoundKeptIndexes();
  }
  if (!serves_) return false;
  int32_t run = 0;
  if (from != 0) {
    if (from < 1 || from > count_) return false;
    const int32_t place = places_[size_t(from)];
    if (place == NOT_IN_CHAIN) return false;
    run = RunOf(place);
  }
  if (!asked_ || q.x1 != question_.x1 || q.y1 != question_.y1 || q.x2 != question_.x2 ||
      q.y2 != question_.y2) {
    asked_ = false;
    bool gathered;
    g_gridQuestions.fetch_add(1, std::memory_order_relaxed);
    try {
      gathered = Gather(q);
    } catch (const std::bad_alloc&) {
      std::vector<int64_t>().swap(keys_);
      return false;
    }
    // A question the grid would answer at more than the walk's cost is
    // remembered as such: a search going on from object to object walks
    // without asking the grid again each time.
    if (!gathered) keys_.clear();
    asked_ = true;
    refused_ = !gathered;
    question_ = q;
  }
  if (refused_) return false;
  // Those after `from` in the walk's direction.
  const int64_t* begin = keys_.data();
  const int64_t* end = begin + keys_.size();
  if (from != 0) {
    const int64_t after = int64_t(run) << 32 | from;
    if (direction > 0)
      begin = std::upper_bound(begin, end, after);
    else
      end = std::lower_bound(begin, end, after);
  }
  *out = ANSWER{begin, int32_t(end - begin), direction > 0 ? 1 : -1};
  return true;
}

void TSheetFrameGrid::Appended(const TMapList& list, LONG n, const FVSPR& desc) {
  if (!made_) return;
  asked_ = false;
  if (!serves_ || !ForSheet(list) || n != count_ + 1 || list.Head.Count != n) {
    Forget();
    return;
  }
  auto chained = [&](LONG m) {
    return m >= 1 && m <= count_ && places_[size_t(m)] != NOT_IN_CHAIN;
  };
  auto runOf = [&](LONG m) { return RunOf(places_[size_t(m)]); };
  const LONG before = LONG(desc.Back), after = LONG(desc.Next);
  int32_t run;
  if (before != 0) {
    // Behind the last object of a run (or of the chain) it joins that run;
    // in the middle of one it would take a place no run and number give.
    if (!chained(before) ||
        (after == 0 ? before != last_ : !chained(after) || runOf(after) <= runOf(before))) {
      Forget();
      return;
    }
    run = runOf(before);
  } else {
    // The new first object: a run of its own before all others.
    if (after != first_ || !chained(after) || runOf(after) == 0) {
      Forget();
      return;
    }
    run = runOf(after) - 1;
  }
  try {
    places_.push_back(NOT_IN_CHAIN);
  } catch (const std::bad_alloc&) {
    Forget();
    return;
  }
  count_ = n;
  first_ = list.Head.First;
  last_ = list.Head.Last;
  if (!PutExtra(n, run, FRAME{desc.X1, desc.Y1, desc.X2, desc.Y2})) Forget();
}

void TSheetFrameGrid::Changed(const TMapList& list, LONG n, const FVSPR& desc) {
  if (!made_) return;
  asked_ = false;
  if (!ForSheet(list) || n < 1 || n > count_) {
    Forget();
    return;
  }
  if (!serves_) return;
  const int32_t place = places_[size_t(n)];
  if (place == NOT_IN_CHAIN) return;
  const FRAME frame{desc.X1, desc.Y1, desc.X2, desc.Y2};
  const SPAN s = SpanOf<SPAN>(frame);
  if (place <= -2) {
    extras_[ExtraIndex(place)].frame = frame;
    Widen(s);
    return;
  }
  // Still in the cell of its entry: the entry takes the new frame.
  int level;
  int64_t column, row;
  const int32_t cell = CellOf(s, &level, &column, &row);
  if (cell >= 0) {
    for (int32_t k = starts_[size_t(cell)]; k < starts_[size_t(cell) + 1]; ++k) {
      if (entries_[size_t(k)].n != n) continue;
      entries_[size_t(k)] = EntryOf(n, s, levels_[size_t(level)], column, row);
      Widen(s);
      return;
    }
  }
  if (!PutExtra(n, place, frame)) Forget();
}

TSheetFrameIndex::~TSheetFrameIndex() { delete grid_; }

bool TSheetFrameIndex::Meeting(TMapList& list, const FRAME& frame, LONG from, int direction,
                               ANSWER* out) {
  if (grid_ == nullptr) {
    *out = ANSWER{};
    if (list.Head.Count < MinObjects()) return false;
    grid_ = new (std::nothrow) TSheetFrameGrid;
    if (grid_ == nullptr) return false;
  }
  return grid_->Meeting(list, frame, from, direction, out);
}

void TSheetFrameIndex::Appended(const TMapList& list, LONG n, const FVSPR& desc) {
  if (grid_ != nullptr) grid_->Appended(list, n, desc);
}

void TSheetFrameIndex::Changed(const TMapList& list, LONG n, const FVSPR& desc) {
  if (grid_ != nullptr) grid_->Changed(list, n, desc);
}

void TSheetFrameIndex::Forget() {
  delete grid_;
  grid_ = nullptr;
}

void TSheetFrameIndex::Swap(TSheetFrameIndex& other) noexcept { std::swap(grid_, other.grid_); }

bool TSheetFrameIndex::Made() const { return grid_ != nullptr && grid_->Made(); }

size_t TSheetFrameIndex::Bytes() const { return grid_ != nullptr ? grid_->Bytes() : 0; }
