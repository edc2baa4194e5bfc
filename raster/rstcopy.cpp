// Reduced copies of a raster: further rasters of a quarter, a sixteenth and
// a sixty-fourth of the image's columns and rows, kept behind the image in
// its own file and chained through header +12. Each copy element takes the
// most frequent value of the f x f image elements it covers.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "common/language.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "platform/fileio.h"
#include "raster/rst.h"

namespace {

constexpr int kMaxCopies = 3;
// Copies followed along the chain when changes are carried into them: a
// file made by another program may hold more than the library makes.
constexpr int kMaxChain = 16;
// Elements a side of the widest window counted whole (the library's largest
// factor).
constexpr int64_t kMaxWindow = 64;

int FactorOf(int level) { return 4 << (2 * (level - 1)); }

// True when a copy side of m elements is the image side n reduced by f:
// n / f rounded down (as this library makes copies) or up (as other writers
// do), give or take the columns a depth of 1 or 4 bits raises.
bool SideFits(int64_t n, int64_t m, int64_t f, int64_t slack) {
  if (f < 1 || n < 1 || m < 1) return false;
  const int64_t down = n / f, up = (n + f - 1) / f;
  return m >= down - slack && m <= up + slack;
}

// The factor by which a reduced copy was made: its own size against the
// full image. Of the factors its rows and columns allow, the one its
// precision tells comes first (a precision not cut to 1.0 is the image's
// divided by the factor), then the library's own for the copy's level (4,
// 16, 64), then the one nearest the ratio of the rows; a copy that fits
// none takes that ratio rounded.
int CopyFactor(const RMF& full, const RMF& copy, int level) {
  const int64_t rows = full.Height, columns = full.Width;
  if (rows < 1 || columns < 1 || copy.Height < 1 || copy.Width < 1) return 1;
  const int64_t slack = full.BitsPerElement == 1 ? 7 : full.BitsPerElement == 4 ? 1 : 0;
  auto fits = [&](int64_t f) {
    return SideFits(rows, copy.Height, f, 0) && SideFits(columns, copy.Width, f, slack);
  };
  const double told = full.Precision / copy.Precision;
  if (copy.Precision > 1.0 && told >= 1.5 && told < 2147483647.0) {
    const int64_t f = int64_t(told + 0.5);
    if (std::fabs(told - double(f)) < 1e-6 * double(f) && fits(f)) return int(f);
  }
  if (level >= 1 && level <= kMaxCopies && fits(FactorOf(level))) return FactorOf(level);
  const double ratio = double(rows) / double(copy.Height);
  const int64_t nearest = std::max<int64_t>(int64_t(ratio + 0.5), 1);
  for (int64_t d = 0; d <= 8; ++d) {
    if (fits(nearest - d)) return int(nearest - d);
    if (fits(nearest + d)) return int(nearest + d);
  }
  return int(std::min<int64_t>(nearest, rows));
}

// The window rule: the element whose value occurs most often wins. The
// first element (in row order) whose value fills half the window wins at
// once; else the most frequent value, the first in row order among equal
// counts, when it occurs at least twice; else the first element. Counts
// come from a histogram of the window (values of up to 16 bits) or from
// the sorted values (wider ones), so that windows of any size are counted
// whole.
class WindowRule {
 public:
  explicit WindowRule(int bits) {
    if (bits <= 16) counts_.assign(size_t(1) << bits, 0);
  }

  // The index of the winning element among the n values, in row order.
  int Pick(const uint64_t* v, int n) {
    if (n <= 1) return 0;
    const int half = n / 2;
    if (!counts_.empty()) {
      for (int i = 0; i < n; ++i) ++counts_[v[i]];
      int winner = -1, best = 0, bestCount = 0;
      for (int i = 0; i < n; ++i) {
        const int c = counts_[v[i]];
        if (c >= half) {
          winner = i;
          break;
        }
        if (c > bestCount) best = i, bestCount = c;
      }
      for (int i = 0; i < n; ++i) counts_[v[i]] = 0;
      if (winner >= 0) return winner;
      return bestCount > 1 ? best : 0;
    }
    sorted_.resize(size_t(n));
    count_.resize(size_t(n));
    for (int i = 0; i < n; ++i) sorted_[size_t(i)] = {v[i], i};
    std::sort(sorted_.begin(), sorted_.end());
    for (size_t a = 0; a < sorted_.size();) {
      size_t b = a;
      while (b < sorted_.size() && sorted_[b].first == sorted_[a].first) ++b;
      for (size_t i = a; i < b; ++i) count_[size_t(sorted_[i].second)] = int(b - a);
      a = b;
    }
    int best = 0, bestCount = 0;
    for (int i = 0; i < n; ++i) {
      const int c = count_[size_t(i)];
      if (c >= half) return i;
      if (c > bestCount) best = i, bestCount = c;
    }
    return bestCount > 1 ? best : 0;
  }

 private:
  std::vector<uint16_t> counts_;
  std::vector<std::pair<uint64_t, int>> sorted_;
  std::vector<int> count_;
};

// Element k of a block, as stored: the bit field of 1 and 4 bits, the
// bytes of the wider depths.
inline uint64_t GetRaw(const BYTE* b, int64_t k, int bits) {
  switch (bits) {
    case 8: return b[k];
    case 1:
    case 4: return uint64_t(RmfGetElement(b, k, bits, RMF_RSW));
    default: {
      uint64_t v = 0;
      std::memcpy(&v, b + k * (bits / 8), size_t(bits / 8));
      return v;
    }
  }
}

inline void PutRaw(BYTE* b, int64_t k, int bits, uint64_t v) {
  switch (bits) {
    case 8: b[k] = BYTE(v); break;
    case 1:
    case 4: RmfPutElement(b, k, bits, RMF_RSW, int64_t(v)); break;
    default: std::memcpy(b + k * (bits / 8), &v, size_t(bits / 8)); break;
  }
}

// The image block holding an element, asked of the raster once for a run
// of elements in it (nothing else reads blocks of the raster in between,
// so its address stays good): null for an absent block; `failed` once a
// block that is there could not be read (its code left in the raster).
class ImageBlocks {
 public:
  explicit ImageBlocks(TRmf& image) : image_(image) {}
  const BYTE* Holding(int64_t row, int64_t col, int* blockRow, int* blockCol) {
    const RMF& h = image_.Head;
    *blockRow = int(row / h.BlockHeight);
    *blockCol = int(col / h.BlockWidth);
    const int number = *blockRow * h.BlockColumns + *blockCol;
    if (number != last_) {
      last_ = number;
      image_.Error = 0;
      from_ = image_.GetBlockAddress(*blockRow, *blockCol);
      if (!from_ && image_.Error) failed = true;
    }
    return from_;
  }
  bool failed = false;

 private:
  TRmf& image_;
  int last_ = -1;
  const BYTE* from_ = nullptr;
};

// The progress title of a fill (update = false) or of an update.
void Title(char* out, size_t size, const char* file, bool update) {
  if (!IsRussianLanguage()) {
    std::snprintf(out, size, "Please wait ...");
    return;
  }
  const char* slash = std::max(std::strrchr(file, '/'), std::strrchr(file, '\\'));
  const char* name = slash ? slash + 1 : file;
  if (!*name) {
    std::snprintf(out, size, update ? "Обновление растровой карты"
                                    : "Создание уменьшенной копии растровой карты");
    return;
  }
  std::snprintf(out, size,
                update ? " %s - обновление растровой карты"
                       : " %s - создание уменьшенной копии растровой карты",
                name);
}

}  // namespace

// ---------------------------------------------------------------------------
// The copy object and the chain

TRst* TRst::CopyObject() {
  if (!Copy) {
    Copy = new (std::nothrow) TRst(Current, 0);
    if (!Copy) {
      Fail(MAPERR_MEMORY);
      return nullptr;
    }
    Copy->Head.UnitShift = Head.UnitShift;
  }
  // The owner's handles as they are now (its continuation file may have
  // been opened since).
  Copy->Main = Main;
  Copy->Cont = Cont;
  Copy->Current = Current;
  Copy->Access = Access;
  Copy->Share = Share;
  Copy->Shared = 1;
  Copy->ChainStart = HeadPosition;
  std::memcpy(Copy->FileName, FileName, sizeof(FileName));
  std::memcpy(Copy->ContName, ContName, sizeof(ContName));
  return Copy;
}

void TRst::UnlinkCopies() {
  if (Head.NextCopy) {
    Head.NextCopy = 0;
    HeadChanged = 1;
    TRmf::Save(0);
  }
  // What the copy object holds is dropped: it may belong to a copy that
  // was cut off the file.
  if (Copy) Copy->ForgetChanges();
  delete Copy;
  Copy = nullptr;
}

bool TRst::CutAt(DWORD position) {
  RmfPlace place;
  if (!Main || !RmfLocate(position, Head.UnitShift, &place)) return Fail(MAPERR_DATA);
  HANDLE file = place.part ? Cont : Main;
  if (!file) return true;
  if (plat::FileLength(file) <= int64_t(place.offset)) return true;
  LARGE_INTEGER to;
  to.QuadPart = LONGLONG(place.offset);
  // What lay past the cut is no one's place any more, and what comes there
  // next is not appended behind the places known: built afresh.
  Places.Drop();
  if (Copy) Copy->Places.Drop();
  if (!plat::SetFilePointerEx(file, to, nullptr, FILE_BEGIN) || !plat::SetEndOfFile(file))
    return Fail(MAPERR_WRITE);
  HeadChanged = 1;
  return true;
}

TRst* TRst::GetRstClass(int level) {
  if (level == 0) return this;
  if (!Main) return this;
  TRst* copy = CopyObject();
  if (!copy) return this;
  // The copy object holds whichever copy was read last: the first one is
  // given.
  if (copy->CopyLoaded && Head.NextCopy && copy->HeadPosition == Head.NextCopy) return copy;
  if (Head.NextCopy && copy->ReadDuplicate(Head.NextCopy)) return copy;
  // A file that cannot be written never gets a copy: it is not tried again
  // at every paint.
  if (IsWritable() && CreateDuplicate(1) && Copy) return Copy;
  return this;
}

int TRst::ReadDuplicate(DWORD position) {
  if (!Main || !position) return Fail(MAPERR_OPEN);
  // What the object holds belongs to another copy: written back first.
  if (CopyLoaded && IsWritable()) TRmf::Save(0);
  CopyLoaded = 0;
  ClearBuffer();
  HeadPosition = position;
  // Positions in the file count in the file's units (its owner's), whatever
  // a copy's header says: a copy that could not be read leaves the unit
  // it names behind, never the one the next read goes by.
  struct FileUnit {
    RMF& head;
    const BYTE unit;
    ~FileUnit() { head.UnitShift = unit; }
  } fileUnit{Head, Head.UnitShift};
  DWORD sign = 0;
  if (!ReadAt(position, &sign, sizeof(sign))) return Fail(MAPERR_READ);
  if (sign != RMF_RSW) return Fail(MAPERR_DATA);
  if (!ReadHeader()) return 0;
  // A copy counting in other units than the file it lies in is damaged.
  if (Head.UnitShift != fileUnit.unit || !Verify(RMF_RSW)) return Fail(MAPERR_DATA);
  const int blocks = BlockCount();
  if (!AllocateBlockDesc(blocks * 8) ||
      !AllocateBlockFlags(int(std::min<DWORD>(Head.FlagsLength, DWORD(blocks)))) ||
      AllocateBuffer(kDefaultSlots) == 0)
    return Fail(MAPERR_MEMORY);
  if (!ReadBlockDesc()) return 0;
  // A copy whose header, table or areas share bytes with the full image or
  // another copy is not one the file holds apart: whatever is written to
  // one of them would overwrite the other.
  if (!ImageApart()) {
    ForgetChanges();
    return Fail(MAPERR_DATA);
  }
  Error = 0;
  Border.Free();
  Border.Init();
  if (!ReadBorder() && Error) return 0;
  if (ShowByBorder() && !ReadBlockFlags() && Error) return 0;
  Error = 0;
  CopyLoaded = 1;
  return 1;
}

int TRst::CreateDuplicateHeader(DWORD position, LONG columns, LONG rows, LONG bits, double scale,
                                double precision, DOUBLEPOINT location, int unitShift) {
  CopyLoaded = 0;
  if (!Main || !position || columns < 1 || rows < 1 || bits < 1) return Fail(MAPERR_DATA);
  const int stored = RmfStoredColumns(columns, bits);
  if (RmfBlockSide(bits) == 0 || stored < 1) return Fail(MAPERR_DATA);
  ClearBuffer();
  // A new image of the file: its places are not among those known.
  Places.Drop();
  std::memset(&Head, 0, sizeof(Head));
  HeadPosition = position;
  Head.LocationX = location.X;
  Head.LocationY = location.Y;
  Head.UnitShift = unitShift ? RMF_UNIT_SHIFT : 0;
  Head.Scale = std::max(scale, 1.0);
  Head.Precision = std::max(precision, 1.0);
  Head.ElementSize = Head.Scale / Head.Precision;
  Border.Free();
  Border.Init();
  Head.Ident = RMF_RSW;
  Head.Version = RMF_VERSION;
  Head.BitsPerElement = bits;
  Head.Height = rows;
  Head.Width = stored;
  if (!RmfSetGeometry(&Head) || !RmfGeometryValid(Head) ||
      int64_t(Head.BlockRows) * Head.BlockColumns * 8 > RMF_MAX_TABLE_BYTES)
    return Fail(MAPERR_DATA);
  Head.TableLength = DWORD(BlockCount()) * 8;
  Head.TablePosition = position + (Head.UnitShift ? RMF_HEADER_UNITS : RMF_HEADER_SIZE);
  if (!AllocateBlockDesc(int(Head.TableLength)) || AllocateBuffer(kDefaultSlots) == 0)
    return Fail(MAPERR_MEMORY);
  // A copy has no palette, flags or addition: the table and the header.
  Created = 1;
  TableChanged = HeadChanged = 1;
  return WriteBlockDesc() && WriteHeader() ? 1 : (Error ? 0 : Fail(MAPERR_WRITE));
}

int TRst::CreateDuplicate(int k, LONG columns, LONG rows, LONG bits, double scale,
                          double precision, DOUBLEPOINT location) {
  if (k < 1 || k > kMaxCopies || !Main) return 0;
  TRmf::Save(0);
  TRst* copy = CopyObject();
  if (!copy) return 0;
  const DWORD end = EndPosition();
  if (!end) return Fail(MAPERR_DATA);
  // The places of copies 1..k: the chain as far as it reads, the end of
  // the data for the rest.
  DWORD position[kMaxCopies + 1] = {0, end, end, end};
  DWORD p = Head.NextCopy;
  int found = 0;
  for (int i = 1; i <= k && p; ++i) {
    if (!copy->ReadDuplicate(p)) {
      // A copy that cannot be read now (not one refused as damaged) leaves
      // the chain unknown: nothing is appended that could not be linked.
      if (copy->Error != MAPERR_DATA) return Fail(copy->Error);
      break;
    }
    position[i] = p;
    found = i;
    p = copy->Head.NextCopy;
  }
  // Copy k goes behind copy k - 1, which must be there to link it.
  if (found < k - 1) return Fail(MAPERR_DATA);
  if (found == k) {
    // Copy k exists: replaced in place when it is the last thing in the
    // file, else a new one is appended (the old one stays behind).
    if (end - position[k] != copy->Head.Length) position[k] = end;
    if (position[k] < end && !CutAt(position[k])) return 0;
    HeadChanged = 1;
    TRmf::Save(0);
  }
  // Undoes a copy that could not be made, keeping the code of the step
  // that failed (the copy object's).
  auto undo = [this, end, copy] {
    const int code = copy->Error ? copy->Error : MAPERR_WRITE;
    CutAt(end);
    Head.NextCopy = 0;
    HeadChanged = 1;
    TRmf::Save(0);
    Error = code;
    return 0;
  };
  copy->Error = 0;
  if (!copy->CreateDuplicateHeader(position[k], columns, rows, bits, scale, precision, location,
                                   Head.UnitShift))
    return undo();
  if (!copy->ReadDuplicate(position[k])) return undo();
  // The positions the copy occupies, counted from its own header (a copy
  // that replaced the last one starts before the old end).
  copy->Head.Length = EndPosition() - position[k];
  copy->HeadChanged = 1;
  if (!copy->TRmf::Save(0)) return undo();
  if (k == 1) {
    Head.NextCopy = position[1];
    HeadChanged = 1;
    if (!TRmf::Save(0)) return undo();
  } else {
    // A copy the chain does not reach would lie in the file unseen.
    if (!copy->ReadDuplicate(position[k - 1])) return undo();
    copy->Head.NextCopy = position[k];
    copy->HeadChanged = 1;
    if (!copy->TRmf::Save(0)) return undo();
    // The object holds the new copy again, for the fill.
    if (!copy->ReadDuplicate(position[k])) return undo();
  }
  return 1;
}

int TRst::CreateDuplicate(int k) { return BuildCopy(k, true); }

int TRst::BuildCopy(int k, bool carry) {
  if (k < 1 || k > kMaxCopies || !Main) return 0;
  const int f = FactorOf(k);
  const DOUBLEPOINT location{Head.LocationX, Head.LocationY};
  if (!CreateDuplicate(k, Head.Width / f, Head.Height / f, Head.BitsPerElement,
                       std::max(Head.Scale, 1.0), std::max(Head.Precision, 1.0) / f, location)) {
    const int code = Error;
    UnlinkCopies();
    Error = code;
    return 0;
  }
  return FillCopy(f, Head.BitsPerElement == 8, carry);
}

int TRst::UpdateDuplicates(int k) {
  if (k > kMaxCopies) return 0;
  if (!Head.NextCopy) return CreateDuplicate(1);
  TRst* copy = CopyObject();
  if (!copy) return 0;
  int n = 0;
  for (DWORD p = Head.NextCopy; p && n < kMaxCopies && copy->ReadDuplicate(p); ++n)
    p = copy->Head.NextCopy;
  int s = k == 0 ? 1 : k;
  if (s > n) s = n = 1;
  for (int i = s; i <= n; ++i)
    if (!CreateDuplicate(i)) return 0;
  return 1;
}

// ---------------------------------------------------------------------------
// Filling and updating

int TRst::CreateDuplicateImage256(int f) { return FillCopy(f, true); }

int TRst::CreateDuplicateImage(int f) { return FillCopy(f, false); }

int TRst::FillCopy(int f, bool bytes, bool carry) {
  TRst* copy = Copy;
  if (!copy || !copy->CopyLoaded || copy->Head.Width < 1 || copy->Head.Height < 1 || f < 1 ||
      (bytes && copy->Head.BitsPerElement != 8) || copy->Head.BitsPerElement != Head.BitsPerElement) {
    UnlinkCopies();
    return 0;
  }
  char title[MAX_PATH + 64];
  Title(title, sizeof(title), FileName, false);
  TProgress progress;
  progress.Start(title);
  progress.Percent(1);
  const int bits = Head.BitsPerElement;
  WindowRule rule(bits);
  std::vector<uint64_t> window(size_t(f) * size_t(f));
  const int64_t total = int64_t(copy->Head.Width) * copy->Head.Height;
  int64_t done = 0;
  // The element count at which the next whole percentage is due.
  int percent = 1;
  auto dueAt = [total](int pc) { return (int64_t(pc) * total + 99) / 100; };
  int64_t next = dueAt(percent + 1);
  const int before = Error;
  // A failed step drops the copies and reports what failed: the copy
  // object's code when it was the one that failed.
  auto fail = [&](int code) {
    progress.End();
    UnlinkCopies();
    Error = code ? code : MAPERR_WRITE;
    return 0;
  };
  // Elements next to each other mostly take their windows from one block.
  ImageBlocks image(*this);
  for (int r = 0; r < copy->Head.BlockRows; ++r) {
    for (int c = 0; c < copy->Head.BlockColumns; ++c) {
      copy->Error = 0;
      BYTE* to = copy->GetBlockAddressAndCreate(r, c);
      const int bh = copy->BlockHeight(r), bw = copy->BlockWidth(c);
      if (!to) return fail(copy->Error);
      const int slot = copy->CurrentSlot;
      for (int i = 0; i < bh; ++i) {
        const int64_t row = (int64_t(r) * copy->Head.BlockHeight + i) * f;
        for (int j = 0; j < bw; ++j, ++done) {
          const int64_t col = (int64_t(c) * copy->Head.BlockWidth + j) * f;
          if (done >= next) {
            while (done >= next && percent < 100) next = dueAt(++percent + 1);
            if (!progress.Percent(percent)) {
              progress.End();
              UnlinkCopies();
              Error = before;
              return 0;
            }
          }
          // Columns raised for 1 and 4 bits lie past the image.
          if (row >= Head.Height || col >= Head.Width) continue;
          int sr, sc;
          const BYTE* from = image.Holding(row, col, &sr, &sc);
          // A block that is there but cannot be read fails the copy, which
          // would otherwise hold its window as empty.
          if (image.failed) return fail(Error);
          if (!from) continue;  // absent: the copy element stays as it is
          const int a = int(row - int64_t(sr) * Head.BlockHeight);
          const int b = int(col - int64_t(sc) * Head.BlockWidth);
          const int sw = BlockWidth(sc);
          const int wr = std::min(f, BlockHeight(sr) - a), wc = std::min(f, sw - b);
          int n = 0;
          if (bytes) {
            for (int y = 0; y < wr; ++y) {
              const BYTE* line = from + int64_t(a + y) * sw + b;
              for (int x = 0; x < wc; ++x) window[size_t(n++)] = line[x];
            }
          } else {
            for (int y = 0; y < wr; ++y) {
              const int64_t k0 = int64_t(a + y) * sw + b;
              for (int x = 0; x < wc; ++x) window[size_t(n++)] = GetRaw(from, k0 + x, bits);
            }
          }
          PutRaw(to, int64_t(i) * bw + j, bits, window[size_t(rule.Pick(window.data(), n))]);
        }
      }
      copy->BlockChanged(slot);
      if (copy->WriteBlock(slot) <= 0) return fail(copy->Error);
    }
  }
  Error = before;
  copy->Head.Length = EndPosition() - copy->HeadPosition;
  copy->HeadChanged = 1;
  copy->Error = 0;
  if (!copy->TRmf::Save(0)) return fail(copy->Error);
  const DWORD filled = copy->HeadPosition;
  if (carry) SaveDuplicates(0);
  progress.Percent(100);
  progress.End();
  // The fill's copy is the one the object holds from now on.
  if (Copy && Copy->HeadPosition != filled) Copy->ReadDuplicate(filled);
  if (Copy) Copy->CopyLoaded = 1;
  return 1;
}

int TRst::UpdateDuplicateAsBlock256(int row, int column) {
  if (!Copy || Copy->Head.BitsPerElement != 8) return 0;
  return UpdateDuplicateAsBlock(row, column);
}

int TRst::UpdateDuplicateAsBlock(int row, int column) {
  TRst* copy = Copy;
  if (!Head.NextCopy || !copy || copy->Head.Height < 1 || copy->Head.Width < 1) return 0;
  const int f = CopyFactor(Head, copy->Head, CopyLevel(copy->HeadPosition));
  return UpdateCopyBlock(row, column, f, copy->Head.BitsPerElement == 8);
}

int TRst::CopyLevel(DWORD position) {
  DWORD p = Head.NextCopy;
  for (int level = 1; p && level <= kMaxChain; ++level) {
    if (p == position) return level;
    DWORD next = 0;
    if (!ReadAt(p, &next, sizeof(next), offsetof(RMF, NextCopy))) return 0;
    p = next;
  }
  return 0;
}

int TRst::UpdateCopyBlock(int row, int column, int f, bool bytes) {
  TRst* copy = Copy;
  if (!copy || copy->Head.Width < 1 || copy->Head.Height < 1 ||
      (bytes && copy->Head.BitsPerElement != 8) ||
      copy->Head.BitsPerElement != Head.BitsPerElement || f < 1)
    return 0;
  if (!ValidBlock(row, column)) return 0;
  // The copy elements whose windows meet the block: a window of copy
  // element (y, x) covers image rows y x f .. y x f + f - 1 and likewise
  // columns, whichever blocks of the image they lie in.
  const int64_t r0 = int64_t(row) * Head.BlockHeight, c0 = int64_t(column) * Head.BlockWidth;
  const int64_t r1 = r0 + BlockHeight(row), c1 = c0 + BlockWidth(column);
  const int64_t y0 = r0 / f, x0 = c0 / f;
  const int64_t y1 = std::min<int64_t>((r1 - 1) / f + 1, copy->Head.Height);
  const int64_t x1 = std::min<int64_t>((c1 - 1) / f + 1, copy->Head.Width);
  if (y0 >= y1 || x0 >= x1) return 1;  // past the copy
  const int bits = Head.BitsPerElement;
  ImageBlocks image(*this);
  auto element = [&](int64_t r, int64_t c) -> uint64_t {
    int br, bc;
    const BYTE* from = image.Holding(r, c, &br, &bc);
    // An absent block reads as zeros.
    if (!from) return 0;
    return GetRaw(from, (r - int64_t(br) * Head.BlockHeight) * BlockWidth(bc) +
                            (c - int64_t(bc) * Head.BlockWidth),
                  bits);
  };
  char title[MAX_PATH + 64];
  Title(title, sizeof(title), FileName, true);
  TProgress progress;
  progress.Start(title);
  progress.Percent(0);
  WindowRule rule(bits);
  // Windows of the library's factors are counted whole; a wider one (a
  // copy another program made at a larger factor) by an even grid of at
  // most kMaxWindow elements a side.
  const int64_t w = std::min<int64_t>(f, kMaxWindow);
  std::vector<uint64_t> window(size_t(w) * size_t(w));
  const int before = Error;
  bool cancelled = false;
  const int64_t total = (y1 - y0) * (x1 - x0);
  int64_t done = 0;
  const int64_t cbh = copy->Head.BlockHeight, cbw = copy->Head.BlockWidth;
  for (int64_t cbr = y0 / cbh; cbr <= (y1 - 1) / cbh && !cancelled; ++cbr) {
    for (int64_t cbc = x0 / cbw; cbc <= (x1 - 1) / cbw; ++cbc) {
      copy->Error = 0;
      BYTE* to = copy->GetBlockAddressAndCreate(int(cbr), int(cbc));
      if (!to) return 0;
      const int slot = copy->CurrentSlot;
      const int cw = copy->BlockWidth(int(cbc));
      const int64_t ya = std::max(y0, cbr * cbh);
      const int64_t yb = std::min(y1, cbr * cbh + copy->BlockHeight(int(cbr)));
      const int64_t xa = std::max(x0, cbc * cbw), xb = std::min(x1, cbc * cbw + cw);
      for (int64_t y = ya; y < yb; ++y) {
        for (int64_t x = xa; x < xb; ++x) {
          int n = 0;
          for (int64_t a = 0; a < w; ++a) {
            const int64_t r = y * f + a * f / w;
            if (r >= Head.Height) break;
            for (int64_t b = 0; b < w; ++b) {
              const int64_t c = x * f + b * f / w;
              if (c >= Head.Width) break;
              window[size_t(n++)] = element(r, c);
            }
          }
          if (image.failed) {
            progress.End();
            return 0;
          }
          if (n > 0)
            PutRaw(to, (y - cbr * cbh) * cw + (x - cbc * cbw), bits,
                   window[size_t(rule.Pick(window.data(), n))]);
        }
        done += xb - xa;
        if (!progress.Step(done, total)) {
          cancelled = true;
          break;
        }
      }
      copy->BlockChanged(slot);
      if (copy->WriteBlock(slot) <= 0) {
        progress.End();
        return 0;
      }
      if (cancelled) break;
    }
  }
  Error = before;
  progress.Percent(100);
  progress.End();
  return 1;
}

// ---------------------------------------------------------------------------
// Carrying changes into the copies

bool TRst::RefusedCopies(DWORD* refused) {
  *refused = 0;
  if (!Head.NextCopy || !IsWritable() || !Main) return true;
  TRst* copy = CopyObject();
  if (!copy) return false;
  DWORD p = Head.NextCopy;
  DWORD seen[kMaxChain];
  for (int level = 1; p && level <= kMaxChain; ++level) {
    if (std::find(seen, seen + level - 1, p) != seen + level - 1) break;
    seen[level - 1] = p;
    if (!copy->ReadDuplicate(p)) {
      if (copy->Error != MAPERR_DATA) {
        Error = copy->Error;
        copy->Error = 0;
        return false;
      }
      *refused |= DWORD(1) << level;
      break;
    }
    p = copy->Head.NextCopy;
  }
  copy->Error = 0;
  return true;
}

int TRst::SaveDuplicates(int mode) {
  DWORD refused = 0;
  return RefusedCopies(&refused) ? SaveCopies(mode, refused) : 0;
}

int TRst::SaveCopies(int mode, DWORD refused) {
  if (!Head.NextCopy) return TRmf::Save(mode);
  if (!IsWritable()) return 0;
  HeadChanged = 1;
  if (!TRmf::Save(mode)) return 0;
  const double scale = std::max(Head.Scale, 1.0);
  if (Head.Precision < 1.0) Head.Precision = 1.0;
  const double precision = Head.Precision;
  TRst* copy = CopyObject();
  if (!copy) return 0;
  // A step that fails is reported with its code, the copy object's when
  // the copy failed; what was left to carry stays marked for the next save.
  const int kept = Error;
  Error = copy->Error = 0;
  auto fail = [&] {
    Error = Error ? Error : copy->Error ? copy->Error : MAPERR_WRITE;
    return 0;
  };
  // A border the copies can take (a file layer border has 4 points at
  // least; a damaged one is not carried).
  const bool border = Border.Record && Border.TotalPointCount() >= 4;
  // Set once a copy was made anew from the image as it is now: it holds
  // the written block already, and it is the last of the chain.
  bool remade = false;
  DWORD p = Head.NextCopy;
  DWORD seen[kMaxChain];
  for (int level = 1; p && level <= kMaxChain; ++level) {
    // A chain that comes back to a copy already carried ends there.
    if (std::find(seen, seen + level - 1, p) != seen + level - 1) break;
    seen[level - 1] = p;
    bool damaged = (refused >> level & 1) != 0;
    if (!damaged && !copy->ReadDuplicate(p)) {
      if (copy->Error != MAPERR_DATA) return fail();
      damaged = true;
    }
    if (damaged) {
      // A copy refused as damaged (its bytes shared with the image or
      // another copy) cannot take the change: it is made anew once, behind
      // the copy before it, from the image as saved now, and the changes
      // are carried into it below. When that cannot be done the copies
      // are dropped (a copy left behind would show the old image), to be
      // made again when next asked for. (A chain another program made
      // longer than ours is dropped whole.)
      BlockWritten = 0;
      if (remade || level > kMaxCopies || !BuildCopy(level, false) || !(copy = CopyObject()) ||
          !copy->CopyLoaded) {
        CopyBorderChanged = 0;
        UnlinkCopies();
        if (HeadChanged) {
          Error = Error ? Error : MAPERR_WRITE;
          return 0;
        }
        Error = kept;
        return 1;
      }
      remade = true;
      p = copy->HeadPosition;
      seen[level - 1] = p;
    }
    // Each copy keeps the factor it was made with (another program may
    // have made copies at 2, 4, 8, ...).
    const int f = CopyFactor(Head, copy->Head, level);
    copy->HeadChanged = 1;
    copy->Head.Scale = scale;
    copy->Head.Precision = std::max(precision / f, 1.0);
    copy->Head.ElementSize = copy->Head.Scale / copy->Head.Precision;
    copy->Head.LocationSet = 1;
    copy->Head.LocationX = Head.LocationX;
    copy->Head.LocationY = Head.LocationY;
    copy->Head.Negative = Head.Negative;
    if (border) {
      const LONGMETRIC* own = copy->Border.Record;
      const bool differs = !own || own->Count != Border.Record->Count ||
                           copy->Border.PointCount(0) != Border.PointCount(0);
      if (CopyBorderChanged || differs) {
        TDataEdit scaled;
        scaled.Init();
        bool ok = scaled.Load(Border.Record, 0) > 0 && scaled.ChangeKind(METRIC_F64) != 0;
        for (int n = 0; ok && n <= int(scaled.Record->Count); ++n) {
          const int count = scaled.PointCount(n);
          if (count < 1 || !scaled.FirstPointSubject(n)) continue;
          for (int i = 0; i < count; ++i) {
            scaled.XDouble(scaled.XDouble() / f);
            scaled.YDouble(scaled.YDouble() / f);
            scaled.NextPoint();
          }
        }
        const DWORD before = EndPosition();
        ok = ok && copy->TRmf::SetBorder(&scaled) && copy->TRmf::Save(0);
        scaled.Free();
        if (!ok) return fail();
        // The border went to the end of the data: the copy grew by it.
        copy->Head.Length += EndPosition() - before;
        copy->HeadChanged = 1;
      }
    }
    copy->Head.BorderDisplayOff = Head.BorderDisplayOff;
    if (BlockWritten && !UpdateCopyBlock(WrittenRow, WrittenColumn, f, Head.BitsPerElement == 8))
      return fail();
    if (!copy->TRmf::Save(0)) return fail();
    p = copy->Head.NextCopy;
  }
  BlockWritten = 0;
  CopyBorderChanged = 0;
  Error = kept;
  const DWORD end = EndPosition();
  if (end != Head.Length) {
    HeadChanged = 1;
    return TRmf::Save(0);
  }
  return 1;
}
