// Reduced copies of a raster: further rasters of a quarter, a sixteenth and
// a sixty-fourth of the image's columns and rows, kept behind the image in
// its own file and chained through header +12. Each copy element takes the
// most frequent value of the f x f image elements it covers.
#include <algorithm>
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

int FactorOf(int level) { return 4 << (2 * (level - 1)); }

// The window rule: the element whose value occurs most often wins. The
// first element (in row order) whose value fills half the window wins at
// once; else the most frequent value, the first in row order among equal
// counts, when it occurs at least twice; else the first element. Counts
// come from a histogram of the window (values of up to 16 bits) or from
// the sorted values (wider ones), so that windows of any size are counted
// whole.
class WindowRule {
 public:
  explicit WindowRule(int bits) : bits_(bits) {
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
  int bits_;
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
  DWORD sign = 0;
  if (!ReadAt(position, &sign, sizeof(sign))) return Fail(MAPERR_READ);
  if (sign != RMF_RSW) return Fail(MAPERR_DATA);
  if (!ReadHeader()) return 0;
  if (!Verify(RMF_RSW)) return Fail(MAPERR_DATA);
  const int blocks = BlockCount();
  if (!AllocateBlockDesc(blocks * 8) ||
      !AllocateBlockFlags(int(std::min<DWORD>(Head.FlagsLength, DWORD(blocks)))) ||
      AllocateBuffer(kDefaultSlots) == 0)
    return Fail(MAPERR_MEMORY);
  if (!ReadBlockDesc()) return 0;
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
    if (!copy->ReadDuplicate(p)) break;
    position[i] = p;
    found = i;
    p = copy->Head.NextCopy;
  }
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
  copy->TRmf::Save(0);
  if (k == 1) {
    Head.NextCopy = position[1];
    HeadChanged = 1;
    TRmf::Save(0);
  } else if (found >= k - 1 && copy->ReadDuplicate(position[k - 1])) {
    copy->Head.NextCopy = position[k];
    copy->HeadChanged = 1;
    copy->TRmf::Save(0);
    // The object holds the new copy again, for the fill.
    if (!copy->ReadDuplicate(position[k])) return 0;
  }
  return 1;
}

int TRst::CreateDuplicate(int k) {
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
  return Head.BitsPerElement == 8 ? CreateDuplicateImage256(f) : CreateDuplicateImage(f);
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

int TRst::FillCopy(int f, bool bytes) {
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
  // The source block of the last element: the next elements mostly take
  // their windows from it (nothing else reads blocks of this raster in
  // between, so its address stays good).
  int lastBlock = -1;
  const BYTE* lastFrom = nullptr;
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
          const int sr = int(row / Head.BlockHeight), sc = int(col / Head.BlockWidth);
          const int number = sr * Head.BlockColumns + sc;
          if (number != lastBlock) {
            lastBlock = number;
            Error = 0;
            lastFrom = GetBlockAddress(sr, sc);
            // A block that is there but cannot be read fails the copy,
            // which would otherwise hold its window as empty.
            if (!lastFrom && Error) return fail(Error);
          }
          const BYTE* from = lastFrom;
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
  SaveDuplicates(0);
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
  // The copy's factor: the power of 4 that its rows were divided by.
  const int ratio = Head.Height / copy->Head.Height;
  int f = 4;
  while (f * 4 <= ratio && f < FactorOf(kMaxCopies)) f *= 4;
  return UpdateCopyBlock(row, column, f, copy->Head.BitsPerElement == 8);
}

int TRst::UpdateCopyBlock(int row, int column, int f, bool bytes) {
  TRst* copy = Copy;
  if (!copy || copy->Head.Width < 1 || (bytes && copy->Head.BitsPerElement != 8) ||
      copy->Head.BitsPerElement != Head.BitsPerElement || f < 1)
    return 0;
  if (!ValidBlock(row, column)) return 0;
  const int64_t r0 = int64_t(row) * Head.BlockHeight, c0 = int64_t(column) * Head.BlockWidth;
  const int64_t cr = r0 / f, cc = c0 / f;
  if (cr >= copy->Head.Height || cc >= copy->Head.Width) return 1;  // past the copy
  const int cbr = int(cr / copy->Head.BlockHeight), cbc = int(cc / copy->Head.BlockWidth);
  const int oi = int(cr % copy->Head.BlockHeight), oj = int(cc % copy->Head.BlockWidth);
  // The copy object has a cache of its own: neither block can push the
  // other out.
  const BYTE* from = GetBlockAddress(row, column);
  if (!from) return 0;
  BYTE* to = copy->GetBlockAddressAndCreate(cbr, cbc);
  if (!to) return 0;
  const int slot = copy->CurrentSlot;
  char title[MAX_PATH + 64];
  Title(title, sizeof(title), FileName, true);
  TProgress progress;
  progress.Start(title);
  progress.Percent(0);
  const int bits = Head.BitsPerElement;
  const int fh = BlockHeight(row), fw = BlockWidth(column);
  const int ch = copy->BlockHeight(cbr), cw = copy->BlockWidth(cbc);
  const int rows = (fh + f - 1) / f, cols = (fw + f - 1) / f;
  WindowRule rule(bits);
  std::vector<uint64_t> window(size_t(f) * size_t(f));
  for (int y = 0; y < rows; ++y) {
    // Copy elements past the copy block belong to no element of it.
    if (oi + y >= ch) break;
    for (int x = 0; x < cols && oj + x < cw; ++x) {
      const int wr = std::min(f, fh - y * f), wc = std::min(f, fw - x * f);
      int n = 0;
      for (int a = 0; a < wr; ++a) {
        const int64_t k0 = int64_t(y * f + a) * fw + x * f;
        for (int b = 0; b < wc; ++b) window[size_t(n++)] = GetRaw(from, k0 + b, bits);
      }
      PutRaw(to, int64_t(oi + y) * cw + oj + x, bits, window[size_t(rule.Pick(window.data(), n))]);
    }
    if (!progress.Step(y + 1, rows)) break;
  }
  progress.Percent(100);
  progress.End();
  copy->BlockChanged(slot);
  return copy->WriteBlock(slot) > 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Carrying changes into the copies

int TRst::SaveDuplicates(int mode) {
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
  DWORD p = Head.NextCopy;
  for (int level = 1; p && level <= kMaxCopies; ++level) {
    const int f = FactorOf(level);
    if (!copy->ReadDuplicate(p)) return fail();
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
