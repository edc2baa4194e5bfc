// The metric editing buffer: attaching, growth, the cursor, point values,
// editing of points and contours, texts and point kinds.
#include "records/dataedit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "records/metric_access.h"
#include "records/objectdata.h"

using metric::Contour;
using metric::Get;
using metric::Put;
using metric::Walk;

namespace {

// Text length of an entry: up to its terminator, at most L.
int EntryTextLength(const char* entry) {
  int l = static_cast<BYTE>(entry[0]);
  int t = static_cast<int>(strnlen(entry + 1, static_cast<size_t>(l) + 1));
  return t > l ? l : t;
}

// Alignment code of an entry, 0 without one.
int EntryCode(const char* entry) {
  int l = static_cast<BYTE>(entry[0]);
  int t = EntryTextLength(entry);
  if (t >= l) return 0;
  int code = static_cast<BYTE>(entry[2 + t]);
  return (code >= METRIC_ALIGN_FIRST && code <= METRIC_ALIGN_LAST) ? code : 0;
}

bool KnownKind(DWORD kind) {
  return kind == METRIC_F64 || kind == METRIC_U16 || kind == METRIC_I32 ||
         kind == METRIC_F32H || kind == METRIC_F64H || kind == METRIC_U16H ||
         kind == METRIC_F32;
}

// A coordinate is a number when it is finite: x - x is then 0, and no
// number (NaN) for NaN and the infinities, as every writer of coordinates
// refuses both. One test for the points read in vectors and one by one.
inline bool Numbers(float x, float y) { return (x - x == 0) & (y - y == 0); }

// The least and greatest X and Y of `count` points of two floats side by
// side from `p`, joined into lx, ly, hx, hy (which hold a point's already);
// false when a coordinate is not a number. Eight points a turn in two
// independent sets; where the processor has 256-bit vectors they take four
// points an instruction, else the compiler halves them.
__attribute__((target_clones("avx2", "default"))) bool FramePairs(const char* p, DWORD count,
                                                                   float& lx, float& ly,
                                                                   float& hx, float& hy) {
  typedef float Octet __attribute__((vector_size(32)));
  DWORD i = 0;
  bool numbers = true;
  if (count >= 8) {
    Octet low = {lx, ly, lx, ly, lx, ly, lx, ly}, high = {hx, hy, hx, hy, hx, hy, hx, hy};
    Octet same = {}, low2 = low, high2 = high, same2 = same;
    for (; i + 8 <= count; i += 8, p += 64) {
      Octet v, w;
      std::memcpy(&v, p, sizeof(v));
      std::memcpy(&w, p + 32, sizeof(w));
      same += v - v;  // no number in a point leaves no number here
      same2 += w - w;
      low = v < low ? v : low;
      low2 = w < low2 ? w : low2;
      high = v > high ? v : high;
      high2 = w > high2 ? w : high2;
    }
    low = low2 < low ? low2 : low;
    high = high2 > high ? high2 : high;
    same += same2;
    for (int k = 0; k < 8; ++k) numbers = numbers && same[k] == 0;
    lx = std::min({low[0], low[2], low[4], low[6]}), ly = std::min({low[1], low[3], low[5], low[7]});
    hx = std::max({high[0], high[2], high[4], high[6]});
    hy = std::max({high[1], high[3], high[5], high[7]});
  }
  for (; i < count; ++i, p += 8) {
    const float x = Get<float>(p), y = Get<float>(p + 4);
    numbers = numbers & Numbers(x, y);
    lx = std::min(lx, x), ly = std::min(ly, y);
    hx = std::max(hx, x), hy = std::max(hy, y);
  }
  return numbers;
}

}  // namespace

// ---------------------------------------------------------------------------
// State helpers

bool TDataEdit::Valid() const {
  return Record != nullptr && BufferSize >= METRIC_EMPTY_LENGTH &&
         MetricValidMarker(Record->Ident) &&
         Record->Length >= static_cast<DWORD>(METRIC_EMPTY_LENGTH) &&
         Record->Length <= static_cast<DWORD>(BufferSize);
}

char* TDataEdit::End() const { return reinterpret_cast<char*>(Record) + Record->Length; }
DWORD TDataEdit::Kind() const { return Record->Ident; }
bool TDataEdit::LongCounts() const { return (Record->Flags & METRIC_LONG_COUNTS) != 0; }

inline LONG TDataEdit::Step() const {
  return PointBytes != 0 ? PointBytes : metric::LayoutSize(Kind());
}

void TDataEdit::ClearCursor() {
  CheckedPoint = nullptr;
  CurrentPoint = nullptr;
  CountWord = nullptr;
  PointNumber = 0;
}

DWORD TDataEdit::CurrentCount() const {
  return CountWord ? metric::ReadCount(LongCounts(), CountWord) : 0;
}

void TDataEdit::SetCurrentCount(DWORD count) {
  metric::WriteCount(LongCounts(), CountWord, count);
}

bool TDataEdit::CursorOnPoint() const {
  CheckedPoint = nullptr;
  if (CurrentPoint == nullptr || CountWord == nullptr) return false;
  // The record and contour as last checked: their checks (the record's
  // validity and point size depend on nothing else) hold; the point is
  // checked alone.
  const bool known = CountWord == CheckedCount && Record == CheckedRecord && Record != nullptr &&
                     BufferSize == CheckedSize && Record->Ident == CheckedKind &&
                     Record->Length == CheckedLength;
  if (!known) {
    if (!Valid()) return false;
    const int layout = metric::LayoutSize(Kind());
    if (layout == 0) return false;
    CheckedCount = CountWord;
    CheckedRecord = Record;
    CheckedSize = BufferSize;
    CheckedKind = Record->Ident;
    CheckedLength = Record->Length;
    CheckedLayout = layout;
  }
  if (PointNumber < 1 || static_cast<DWORD>(PointNumber) > CurrentCount()) return false;
  if (CurrentPoint < reinterpret_cast<char*>(Record) + METRIC_EMPTY_LENGTH ||
      CurrentPoint + CheckedLayout > End())
    return false;
  CheckedPoint = CurrentPoint;
  CheckedNumber = PointNumber;
  return true;
}

inline bool TDataEdit::PointChecked() const {
  return CurrentPoint != nullptr && CurrentPoint == CheckedPoint &&
         PointNumber == CheckedNumber && CountWord == CheckedCount &&
         Record == CheckedRecord && BufferSize == CheckedSize && Record->Ident == CheckedKind &&
         Record->Length == CheckedLength && static_cast<DWORD>(PointNumber) <= CurrentCount();
}

bool TDataEdit::ContourPoints(int n, char*& first, DWORD& count) {
  if (PointBytes == 0 && Valid()) PointBytes = MetricPointSize(Record->Ident);
  if (PointBytes == 0 || DescPointSubject(n) == nullptr) return false;
  first = CountWord + 4;
  count = CurrentCount();
  return true;
}

// ---------------------------------------------------------------------------
// Construction, attaching, allocation

void TDataEdit::Init() {
  Record = nullptr;
  BufferSize = 0;
  CurrentPoint = nullptr;
  PointBytes = 0;
  PointNumber = 0;
  SubjectNumber = 0;
  CountWord = nullptr;
  OwnBlock = nullptr;
  TextFlag = 0;
  ChangedFlag = 0;
  Measure = TMeasure();
  CheckedPoint = nullptr;
  CheckedCount = nullptr;
  CheckedRecord = nullptr;
}

void TDataEdit::Free() { SetBuffer(nullptr, 0, 0); }

int TDataEdit::Allocate(int kind, int text, int size) {
  if (OwnBlock) {
    metric::FreeBlock(OwnBlock);
    OwnBlock = nullptr;
    Record = nullptr;
  }
  // Room at least for the header, one count word and an empty text entry.
  if (size < METRIC_EMPTY_LENGTH + 4) size = METRIC_EMPTY_LENGTH + 4;
  char* block = size <= METRIC_MAX_LENGTH + METRIC_GROW_STEP
                    ? metric::AllocBlock(static_cast<size_t>(size))
                    : nullptr;
  if (block == nullptr) {
    SetBuffer(nullptr, 0, 0);
    return 0;
  }
  OwnBlock = block;
  Record = reinterpret_cast<LONGMETRIC*>(block);
  BufferSize = size;
  return Clear(kind, text);
}

int TDataEdit::Create(int kind, int text) {
  if (OwnBlock == nullptr) return Allocate(kind, text, METRIC_FIRST_BLOCK);
  return Clear(kind, text);
}

int TDataEdit::Clear(int kind, int text) {
  if (OwnBlock == nullptr || BufferSize < METRIC_EMPTY_LENGTH + 4)
    return Allocate(kind, text, METRIC_FIRST_BLOCK);
  Record = reinterpret_cast<LONGMETRIC*>(OwnBlock);
  ChangedFlag = 0;
  TextFlag = text != 0;
  PointNumber = 0;
  SubjectNumber = 0;
  char* r = OwnBlock;
  Put<uint32_t>(r, METRIC_F32);
  Put<uint32_t>(r + 4, METRIC_EMPTY_LENGTH);
  Put<uint16_t>(r + 8, 0);
  Put<uint16_t>(r + 10, 0);
  Put<uint32_t>(r + 12, 0);
  CurrentPoint = r + METRIC_EMPTY_LENGTH;
  CountWord = r + METRIC_HEADER_SIZE;
  PointBytes = 8;
  if (TextFlag) {
    r[16] = 2;
    r[17] = r[18] = r[19] = 0;
    Record->Length = METRIC_EMPTY_LENGTH + 4;
  }
  DWORD k = static_cast<DWORD>(kind);
  if (KnownKind(k)) {
    Record->Ident = k;
    PointBytes = MetricPointSize(k);
  }
  return 1;
}

void TDataEdit::SetBuffer(char* buffer, LONG size, int text) {
  TextFlag = text != 0;
  ChangedFlag = 0;
  LONG known = BufferSize;
  bool own = OwnBlock && buffer == OwnBlock;  // re-attaching the own block
  if (OwnBlock && !own) {
    metric::FreeBlock(OwnBlock);
    OwnBlock = nullptr;
  }
  Record = reinterpret_cast<LONGMETRIC*>(buffer);
  BufferSize = buffer ? (size > 0 ? size : 0) : 0;
  if (own && BufferSize > known) BufferSize = known;
  ClearCursor();
  SubjectNumber = 0;
  PointBytes = 0;
  if (Valid()) FirstPointSubject(0);
}

LONG TDataEdit::Load(const LONGMETRIC* source, int text) {
  if (source == nullptr || !MetricValidMarker(source->Ident) ||
      source->Length < static_cast<DWORD>(METRIC_EMPTY_LENGTH)) {
    Clear(METRIC_F32, 0);
    return 0;
  }
  DWORD length = source->Length;
  if (length > static_cast<DWORD>(METRIC_MAX_LENGTH)) return 0;
  if (Record && static_cast<int64_t>(BufferSize) >= static_cast<int64_t>(length) + METRIC_LOAD_SPARE) {
    std::memmove(Record, source, length);
  } else {
    // The source may lie in the block being replaced: copy first, then
    // release the old block.
    char* block = metric::AllocBlock(length + METRIC_GROW_STEP);
    if (block == nullptr) return 0;
    std::memcpy(block, source, length);
    if (OwnBlock) metric::FreeBlock(OwnBlock);
    OwnBlock = block;
    Record = reinterpret_cast<LONGMETRIC*>(block);
    BufferSize = static_cast<LONG>(length) + METRIC_GROW_STEP;
  }
  TextFlag = text != 0;
  ChangedFlag = 0;
  ClearCursor();
  SubjectNumber = 0;
  PointBytes = MetricPointSize(Record->Ident);
  FirstPointSubject(0);
  return static_cast<LONG>(length);
}

LONG TDataEdit::Realloc() {
  if (!Valid()) return 0;
  int64_t size = static_cast<int64_t>(BufferSize) + METRIC_GROW_STEP;
  if (size > METRIC_MAX_LENGTH) return 0;
  int point = PointNumber, subject = SubjectNumber;
  char* block;
  if (OwnBlock) {
    block = metric::GrowBlock(OwnBlock, static_cast<size_t>(BufferSize), static_cast<size_t>(size));
    if (block == nullptr) return 0;
  } else {
    // A caller's block stays the caller's: the record moves to an own block.
    block = metric::AllocBlock(static_cast<size_t>(size));
    if (block == nullptr) return 0;
    std::memcpy(block, Record, Record->Length);
  }
  OwnBlock = block;
  Record = reinterpret_cast<LONGMETRIC*>(block);
  BufferSize = static_cast<LONG>(size);
  ClearCursor();
  GoPointSubject(point, subject);
  return BufferSize;
}

// ---------------------------------------------------------------------------
// Cursor

char* TDataEdit::DescPointSubject(int n) {
  if (!Valid() || n < 0) {
    ClearCursor();
    return nullptr;
  }
  if (PointBytes == 0) PointBytes = MetricPointSize(Kind());
  Walk walk(reinterpret_cast<char*>(Record), End(), PointBytes, TextFlag != 0);
  Contour c;
  int current = SubjectNumber;
  bool known = CountWord != nullptr;
  bool ok;
  if (known && n == current) {
    ok = walk.At(CountWord, n, c);
  } else {
    SubjectNumber = n;
    if (n > walk.Subjects()) {
      ClearCursor();
      return nullptr;
    }
    int i = 0;
    // Walking on from the current contour keeps sequential visits linear.
    if (known && n > current && walk.At(CountWord, current, c)) {
      i = current;
      ok = true;
    } else {
      ok = walk.First(c);
    }
    while (ok && i < n) {
      Contour next;
      ok = walk.Next(c, i + 1, next);
      c = next;
      ++i;
    }
  }
  if (!ok) {
    ClearCursor();
    return nullptr;
  }
  CountWord = c.word;
  CurrentPoint = c.First();
  PointNumber = c.count ? 1 : 0;
  return CountWord;
}

char* TDataEdit::FirstPointSubject(int n) {
  if (n == 0 && Valid()) PointBytes = MetricPointSize(Record->Ident);
  if (DescPointSubject(n) == nullptr) return nullptr;
  return CurrentPoint;
}

char* TDataEdit::LastPointSubject(int n) {
  if (DescPointSubject(n) == nullptr) return nullptr;
  DWORD count = CurrentCount();
  if (count == 0) {
    ClearCursor();
    return nullptr;
  }
  PointNumber = static_cast<LONG>(count);
  CurrentPoint = CountWord + 4 + static_cast<size_t>(count - 1) * Step();
  return CurrentPoint;
}

char* TDataEdit::LastPoint() {
  if (!Valid() || Record->Ident < 0x7FF87FF8u) return nullptr;
  return LastPointSubject(0);
}

char* TDataEdit::GoPointSubject(int point, int n) {
  bool inContour = CurrentPoint && CountWord && SubjectNumber == n && Valid();
  if (inContour && point >= 1 && PointNumber == point) return CurrentPoint;
  if (!inContour && FirstPointSubject(n) == nullptr) return nullptr;
  DWORD count = CurrentCount();
  if (point < 1 || static_cast<DWORD>(point) > count) return nullptr;
  CurrentPoint = CountWord + 4 + static_cast<size_t>(point - 1) * Step();
  PointNumber = point;
  return CurrentPoint;
}

char* TDataEdit::NextPoint() {
  if (CurrentPoint == nullptr || CountWord == nullptr) return nullptr;
  if (PointNumber < 1 || static_cast<DWORD>(PointNumber) >= CurrentCount()) return nullptr;
  ++PointNumber;
  CurrentPoint += Step();
  return CurrentPoint;
}

char* TDataEdit::PrevPoint() {
  if (CurrentPoint == nullptr || CountWord == nullptr || PointNumber <= 1) return nullptr;
  --PointNumber;
  CurrentPoint -= Step();
  return CurrentPoint;
}

int TDataEdit::PointCount() { return static_cast<int>(CurrentCount()); }

int TDataEdit::PointCount(int n) {
  if (CountWord && n == SubjectNumber) return static_cast<int>(CurrentCount());
  int former = PointNumber;
  if (DescPointSubject(n) == nullptr) return 0;
  DWORD count = CurrentCount();
  if (former >= 1 && static_cast<DWORD>(former) <= count) GoPointSubject(former, n);
  return static_cast<int>(count);
}

int TDataEdit::TotalPointCount() {
  if (!Valid()) return 0;
  if (PointBytes == 0) PointBytes = MetricPointSize(Kind());
  Walk walk(reinterpret_cast<char*>(Record), End(), PointBytes, TextFlag != 0);
  int64_t total = 0;
  Contour c;
  bool ok = walk.First(c);
  for (int i = 0; ok; ++i) {
    total += c.count;
    if (i >= walk.Subjects()) break;
    Contour next;
    ok = walk.Next(c, i + 1, next);
    c = next;
  }
  ClearCursor();
  FirstPointSubject(0);
  return static_cast<int>(total);
}

double TDataEdit::XNDouble(int i) { return GoPointSubject(i, SubjectNumber) ? XDouble() : 0.0; }
double TDataEdit::YNDouble(int i) { return GoPointSubject(i, SubjectNumber) ? YDouble() : 0.0; }
double TDataEdit::HNDouble(int i) { return GoPointSubject(i, SubjectNumber) ? HDouble() : 0.0; }

// ---------------------------------------------------------------------------
// Point values at the cursor

double TDataEdit::XDouble() {
  double x = 0.0, y = 0.0;
  if (PointChecked() || CursorOnPoint()) metric::ReadXY(Kind(), CurrentPoint, x, y);
  return x;
}

double TDataEdit::YDouble() {
  double x = 0.0, y = 0.0;
  if (PointChecked() || CursorOnPoint()) metric::ReadXY(Kind(), CurrentPoint, x, y);
  return y;
}

double TDataEdit::HDouble() {
  if (!PointChecked() && !CursorOnPoint()) return METRIC_NO_HEIGHT;
  return metric::ReadH(Kind(), CurrentPoint);
}

int TDataEdit::SubjectPointsDouble(int n, int first, double dx, double dy, DOUBLEPOINT* out,
                                   int max) {
  if (out == nullptr || max < 1 || first < 0) return 0;
  if (n == 0 && Valid()) PointBytes = MetricPointSize(Record->Ident);
  if (DescPointSubject(n) == nullptr || CurrentPoint == nullptr) return 0;
  const DWORD count = CurrentCount();
  if (DWORD(first) >= count) return 0;
  const int points = count - DWORD(first) < DWORD(max) ? int(count - DWORD(first)) : max;
  // A point the record does not hold whole reads as 0, as at the cursor.
  const DWORD kind = Kind();
  const int layout = metric::LayoutSize(kind);
  const ptrdiff_t step = Step();
  const char* base = reinterpret_cast<const char*>(Record);
  const ptrdiff_t lowest = METRIC_EMPTY_LENGTH, end = End() - base;
  ptrdiff_t at = CurrentPoint - base + first * step;
  // Points of floats held whole, the usual case, read in one loop.
  if ((kind == METRIC_F32 || kind == METRIC_F32H) && layout != 0 && at >= lowest &&
      at + ptrdiff_t(points - 1) * step + layout <= end) {
    for (int i = 0; i < points; ++i, at += step) {
      float xy[2];
      std::memcpy(xy, base + at, sizeof(xy));
      out[i] = DOUBLEPOINT{double(xy[0]) + dx, double(xy[1]) + dy};
    }
    return points;
  }
  for (int i = 0; i < points; ++i, at += step) {
    double x = 0.0, y = 0.0;
    if (layout != 0 && at >= lowest && at + layout <= end) metric::ReadXY(kind, base + at, x, y);
    out[i] = DOUBLEPOINT{x + dx, y + dy};
  }
  return points;
}

int TDataEdit::FrameOfPoints(double dx, double dy, DFRAME* frame) {
  if (frame == nullptr || !Valid()) return 0;
  const DWORD kind = Kind();
  if (kind != METRIC_F32 && kind != METRIC_F32H) return 0;
  PointBytes = MetricPointSize(kind);
  const ptrdiff_t step = PointBytes;
  const int subjects = Record->Count;
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool any = false, numbers = true;
  for (int c = 0; c <= subjects && numbers; ++c) {
    // A contour found lies whole in the record.
    char* first;
    DWORD count;
    if (!ContourPoints(c, first, count) || count == 0) {
      if (c == 0) break;
      continue;
    }
    const char* p = first;
    if (!any) {
      x1 = x2 = metric::Get<float>(p);
      y1 = y2 = metric::Get<float>(p + 4);
      any = true;
    }
    float lx = x1, ly = y1, hx = x2, hy = y2;
    if (step == 8) {
      numbers = FramePairs(p, count, lx, ly, hx, hy);
    } else {
      for (DWORD i = 0; i < count; ++i, p += step) {
        const float x = metric::Get<float>(p), y = metric::Get<float>(p + 4);
        numbers = numbers & Numbers(x, y);
        lx = std::min(lx, x), ly = std::min(ly, y);
        hx = std::max(hx, x), hy = std::max(hy, y);
      }
    }
    x1 = lx, y1 = ly, x2 = hx, y2 = hy;
  }
  any = any && numbers;
  // Left on the outer contour's first point; a record of one contour is
  // there already.
  if (SubjectNumber != 0 || CountWord == nullptr) FirstPointSubject(0);
  if (!any) return 0;
  *frame = DFRAME{double(x1) + dx, double(y1) + dy, double(x2) + dx, double(y2) + dy};
  return 1;
}

LONG TDataEdit::X() { return metric::TruncI32(XDouble()); }
LONG TDataEdit::Y() { return metric::TruncI32(YDouble()); }

// Coordinates that are not numbers (NaN, infinities) are refused by every
// writer: nothing is stored and the result is that of a failure.

double TDataEdit::XDouble(double x) {
  if (!CursorOnPoint() || !std::isfinite(x)) return 0.0;
  ChangedFlag = 1;
  return metric::StoreCoord(Kind(), CurrentPoint, 0, x);
}

double TDataEdit::YDouble(double y) {
  if (!CursorOnPoint() || !std::isfinite(y)) return 0.0;
  ChangedFlag = 1;
  return metric::StoreCoord(Kind(), CurrentPoint, 1, y);
}

double TDataEdit::HDouble(double h) {
  if (!CursorOnPoint() || !std::isfinite(h)) return METRIC_NO_HEIGHT;
  ChangedFlag = 1;
  metric::StoreH(Kind(), CurrentPoint, h);
  return metric::ReadH(Kind(), CurrentPoint);
}

// ---------------------------------------------------------------------------
// Editing

// Opens room for one point in contour n at position `where` (1-based; 0
// appends), growing the buffer when needed; the cursor goes to the new
// place. Null on failure, with the record unchanged.
char* TDataEdit::OpenPlace(int n, int where) {
  if (n < 0 || !Valid()) return nullptr;
  if (PointBytes == 0) PointBytes = MetricPointSize(Kind());
  if (PointBytes == 0) return nullptr;
  ChangedFlag = 1;
  if (static_cast<int64_t>(Record->Length) + PointBytes > BufferSize && Realloc() == 0)
    return nullptr;
  if (DescPointSubject(n) == nullptr) return nullptr;
  DWORD count = CurrentCount();
  if (count == UINT32_MAX) return nullptr;
  // A 16-bit count cannot take another point: switch first.
  if (!LongCounts() && count >= 0xFFFF) SetLongCounts();
  DWORD index = (where <= 0 || static_cast<DWORD>(where) > count) ? count + 1
                                                                   : static_cast<DWORD>(where);
  char* place = CountWord + 4 + static_cast<size_t>(index - 1) * PointBytes;
  std::memmove(place + PointBytes, place, static_cast<size_t>(End() - place));
  Record->Length += PointBytes;
  SetCurrentCount(count + 1);
  CurrentPoint = place;
  PointNumber = static_cast<LONG>(index);
  if (!LongCounts() && count + 1 >= static_cast<DWORD>(METRIC_LONG_COUNT_LIMIT)) SetLongCounts();
  return place;
}

int TDataEdit::AppendRaw(int n, const char* bytes) {
  char copy[32];
  std::memcpy(copy, bytes, static_cast<size_t>(PointBytes));
  char* place = OpenPlace(n, 0);
  if (place == nullptr) return 0;
  std::memcpy(place, copy, static_cast<size_t>(PointBytes));
  return 1;
}

int TDataEdit::AppendPointSubject(int n, double x, double y) {
  if (!IsFinitePoint(x, y)) return 0;
  char* place = OpenPlace(n, 0);
  if (place == nullptr) return 0;
  metric::StorePoint(Kind(), place, x, y, METRIC_NO_HEIGHT);
  return 1;
}

int TDataEdit::InsertPoint(double x, double y) {
  if (!IsFinitePoint(x, y)) return 0;
  if (CurrentPoint == nullptr || CountWord == nullptr) return AppendPointSubject(SubjectNumber, x, y);
  DWORD count = CurrentCount();
  int where = (PointNumber >= 1 && static_cast<DWORD>(PointNumber) <= count) ? PointNumber + 1 : 1;
  char* place = OpenPlace(SubjectNumber, where);
  if (place == nullptr) return 0;
  metric::StorePoint(Kind(), place, x, y, METRIC_NO_HEIGHT);
  return 1;
}

int TDataEdit::SetLongCounts() {
  if (!Valid()) return 0;
  if (LongCounts()) return 1;
  if (PointBytes == 0) PointBytes = MetricPointSize(Kind());
  Record->Flags |= METRIC_LONG_COUNTS;
  char* word = reinterpret_cast<char*>(Record) + METRIC_HEADER_SIZE;
  char* end = End();
  for (int i = 0; i <= Record->Count; ++i) {
    if (end - word < 4) break;
    uint16_t count = Get<uint16_t>(word + 2);
    Put<uint32_t>(word, count);
    int64_t step = 4 + static_cast<int64_t>(count) * PointBytes;
    if (step > end - word) break;
    word += step;
    if (TextFlag) {
      if (word >= end) break;
      int64_t entry = static_cast<BYTE>(*word) + 2;
      if (entry > end - word) break;
      word += entry;
    }
  }
  return 1;
}

int TDataEdit::DeletePoint() {
  if (!Valid() || CurrentPoint == nullptr || CountWord == nullptr) return 0;
  ChangedFlag = 1;
  DWORD count = CurrentCount();
  if (count == 0) return 0;
  if (PointNumber < 1 || static_cast<DWORD>(PointNumber) > count || PointBytes == 0) return 0;
  DWORD before = Record->Length;
  char* tail = CurrentPoint + PointBytes;
  std::memmove(CurrentPoint, tail, static_cast<size_t>(End() - tail));
  SetCurrentCount(count - 1);
  if (count - 1 > 0 && count - 1 < static_cast<DWORD>(PointNumber)) {
    --PointNumber;
    CurrentPoint -= PointBytes;
  }
  if (before < static_cast<DWORD>(PointBytes + METRIC_EMPTY_LENGTH)) {
    Clear(static_cast<int>(Kind()), TextFlag);
    return 0;
  }
  Record->Length -= PointBytes;
  return 1;
}

int TDataEdit::CreateSubject() {
  if (!Valid() || Record->Count == 0xFFFF) return 0;
  if (static_cast<int64_t>(Record->Length) + 16 >= BufferSize && Realloc() == 0) return 0;
  int last = Record->Count;
  if (DescPointSubject(last) == nullptr) return 0;
  Walk walk(reinterpret_cast<char*>(Record), End(), PointBytes, TextFlag != 0);
  Contour c;
  if (!walk.At(CountWord, last, c)) {
    ClearCursor();
    return 0;
  }
  char* word = c.next;
  if (TextFlag && c.text == End()) {
    // The last contour lacks its entry: give it an empty one first.
    word[0] = 2;
    word[1] = word[2] = word[3] = 0;
    Record->Length += 4;
    word += 4;
  }
  if (word != End()) {
    ClearCursor();
    return 0;
  }
  Put<uint32_t>(word, 0);
  Record->Count = static_cast<WORD>(Record->Count + 1);
  Record->Length += 4;
  if (TextFlag) {
    word[4] = 2;
    word[5] = word[6] = word[7] = 0;
    Record->Length += 4;
  }
  ChangedFlag = 1;
  SubjectNumber = Record->Count;
  PointNumber = 1;
  CountWord = word;
  CurrentPoint = word + 4;
  return 1;
}

int TDataEdit::DeleteSubject(int n) {
  if (!Valid() || CurrentPoint == nullptr || CountWord == nullptr || n < -1) return 0;
  if (n == -1 || (n == 0 && Record->Count == 0)) {
    Clear(static_cast<int>(Kind()), TextFlag);
    return 1;
  }
  if (DescPointSubject(n) == nullptr) return 0;
  Walk walk(reinterpret_cast<char*>(Record), End(), PointBytes, TextFlag != 0);
  Contour c;
  if (!walk.At(CountWord, n, c)) return 0;
  ChangedFlag = 1;
  char* end = End();
  if (c.next == end) {
    Record->Length = static_cast<DWORD>(c.word - reinterpret_cast<char*>(Record));
    Record->Count = static_cast<WORD>(n > 0 ? n - 1 : 0);
  } else {
    std::memmove(c.word, c.next, static_cast<size_t>(end - c.next));
    Record->Count = static_cast<WORD>(Record->Count - 1);
    Record->Length -= static_cast<DWORD>(c.next - c.word);
  }
  ClearCursor();
  return FirstPointSubject(0) ? 1 : 0;
}

int TDataEdit::GetExclusiveSubject(int n) {
  char* first;
  DWORD count;
  if (!ContourPoints(n, first, count)) return 0;
  if (count <= 1) return 1;
  const char* last = first + static_cast<size_t>(count - 1) * PointBytes;
  return std::memcmp(first, last, static_cast<size_t>(PointBytes)) == 0 ? 1 : 0;
}

int TDataEdit::SetExclusiveSubject(int n, int mode) {
  char* firstPlace;
  DWORD count;
  if (!ContourPoints(n, firstPlace, count) || count == 0) return 0;
  if (mode < 0 || mode > 4) return 0;
  char first[32], last[32];
  size_t size = static_cast<size_t>(PointBytes);
  char* lastPlace = firstPlace + (count - 1) * size;
  std::memcpy(first, firstPlace, size);
  std::memcpy(last, lastPlace, size);
  PointNumber = static_cast<LONG>(count);
  CurrentPoint = lastPlace;
  switch (mode) {
    case 0:
      if (std::memcmp(first, last, size) == 0) return 1;
      return AppendRaw(n, first);
    case 1:
      ChangedFlag = 1;
      std::memcpy(lastPlace, first, size);
      return 1;
    case 2:
      ChangedFlag = 1;
      std::memcpy(firstPlace, last, size);
      return 1;
    case 3:
      return AppendRaw(n, first);
    default: {
      char* place = OpenPlace(n, 1);
      if (place == nullptr) return 0;
      std::memcpy(place, last, size);
      return 1;
    }
  }
}

int TDataEdit::AbridgeObject(int mode) {
  if (!Valid()) return 0;
  int result = 1;
  for (int c = 0; c <= Record->Count; ++c)
    if (SetExclusiveSubject(c, mode) != 1) result = 0;
  return result;
}

int TDataEdit::ChangeDirection(int n) {
  char* first;
  DWORD count;
  if (!ContourPoints(n, first, count)) return 0;
  size_t size = static_cast<size_t>(PointBytes);
  char swap[32];
  for (DWORD i = 0; i < count / 2; ++i) {
    char* a = first + i * size;
    char* b = first + (count - 1 - i) * size;
    std::memcpy(swap, a, size);
    std::memcpy(a, b, size);
    std::memcpy(b, swap, size);
  }
  ChangedFlag = 1;
  return 1;
}

int TDataEdit::ChangeDirection() {
  if (!Valid()) return 0;
  for (int c = 0; c <= Record->Count; ++c)
    if (ChangeDirection(c) == 0) break;
  return GetDirection(0);
}

int TDataEdit::AppendSubject(TDataEdit* source, int n) {
  if (source == nullptr) return 0;
  if (source == this) {
    // Copy the contour aside first: appending moves this record.
    TDataEdit copy;
    copy.Init();
    int result = copy.LoadSubject(this, n) ? AppendSubject(&copy, 0) : 0;
    copy.Free();
    return result;
  }
  char* from;
  DWORD count;
  if (!source->ContourPoints(n, from, count)) return 0;
  DWORD sourceKind = source->Kind();
  int sourceSize = source->PointBytes;
  if (Record == nullptr && !Create(static_cast<int>(sourceKind), source->TextFlag)) return 0;
  if (!Valid()) return 0;
  // Whether the outer contour holds points, read where it lies without
  // moving the cursor: appending contour after contour then goes on from
  // the last one rather than walking the whole record again each time.
  if (PointBytes == 0) PointBytes = MetricPointSize(Kind());
  Contour outer;
  if (PointBytes == 0 ||
      !Walk(reinterpret_cast<char*>(Record), End(), PointBytes, TextFlag != 0).First(outer)) {
    ClearCursor();
    return 0;
  }
  int target = 0;
  if (outer.count > 0) {
    if (!CreateSubject()) return 0;
    target = Record->Count;
  }
  ChangedFlag = 1;
  bool height = MetricIs3D(Kind()) != 0;
  for (DWORD i = 0; i < count; ++i) {
    const char* p = from + static_cast<size_t>(i) * sourceSize;
    double x, y;
    metric::ReadXY(sourceKind, p, x, y);
    if (!AppendPointSubject(target, x, y)) return 0;
    if (height) HDouble(metric::ReadH(sourceKind, p));
  }
  if (source->TextFlag) {
    const char* entry = source->GetTextData();
    if (entry) PutTextData(reinterpret_cast<const TEXTDATA*>(entry));
  }
  return 1;
}

int TDataEdit::LoadSubject(TDataEdit* source, int n) {
  if (source == nullptr) return 0;
  if (source == this) {
    TDataEdit copy;
    copy.Init();
    int result = (Valid() && copy.Load(Record, TextFlag)) ? LoadSubject(&copy, n) : 0;
    copy.Free();
    return result;
  }
  char* from;
  DWORD count;
  if (!source->Valid() || !source->ContourPoints(n, from, count) || count < 1) return 0;
  int64_t size = static_cast<int64_t>(count) * source->PointBytes + METRIC_EMPTY_LENGTH;
  if (size > METRIC_MAX_LENGTH) return 0;
  if (!Allocate(static_cast<int>(source->Kind()), source->TextFlag, static_cast<int>(size))) return 0;
  if (n == 0) Record->Flags = source->Record->Flags;
  return AppendSubject(source, n);
}

// Builds a copy of this record in another kind or text form and loads it
// back; shared by ChangeKind and ChangeTextFormat.
namespace {

bool CopyRecord(TDataEdit& from, TDataEdit& to, bool heights, bool texts) {
  for (int c = 0; c <= from.Record->Count; ++c) {
    if (c > 0 && !to.CreateSubject()) return false;
    if (!from.DescPointSubject(c)) return false;
    int count = from.PointCount();
    for (int i = 1; i <= count; ++i) {
      if (!from.GoPointSubject(i, c)) return false;
      double h = from.HDouble();
      if (!to.InsertPoint(from.XDouble(), from.YDouble())) return false;
      if (heights) to.HDouble(h);
    }
    if (texts) {
      const char* entry = from.GetTextData();
      if (entry && !to.PutTextData(reinterpret_cast<const TEXTDATA*>(entry))) return false;
    }
  }
  return true;
}

}  // namespace

int TDataEdit::ChangeKind(int kind) {
  if (!Valid()) return 0;
  DWORD k = static_cast<DWORD>(kind);
  if (k == Kind()) return kind;
  if (!(k == METRIC_F32 || k == METRIC_I32 || k == METRIC_U16 || k == METRIC_F64 ||
        k == METRIC_F64H || k == METRIC_F32H || k == METRIC_I32H))
    return 0;
  // Texts have no heights: the 3-D targets become their 2-D kinds.
  if (TextFlag) {
    if (k == METRIC_F64H) k = METRIC_F64;
    if (k == METRIC_F32H) k = METRIC_F32;
    if (k == METRIC_I32H) k = METRIC_I32;
    if (k == Kind()) return static_cast<int>(k);
  }
  // The i32 kind with heights has no point size: no record of it can be
  // built, so without texts it is refused as a target.
  if (k == METRIC_I32H) return 0;
  if (MetricPointSize(Kind()) == 0) return 0;
  PointBytes = MetricPointSize(Kind());
  int changed = ChangedFlag;
  TDataEdit copy;
  copy.Init();
  bool ok = copy.Create(static_cast<int>(k), TextFlag) != 0;
  if (ok) {
    copy.Record->Flags = Record->Flags;
    ok = CopyRecord(*this, copy, true, TextFlag != 0);
  }
  if (ok) ok = Load(copy.Record, TextFlag) != 0;
  copy.Free();
  if (!ok) {
    FirstPointSubject(0);
    return 0;
  }
  ChangedFlag = changed;
  return static_cast<int>(k);
}

int TDataEdit::ChangeTextFormat(int text) {
  if (!Valid()) return 0;
  bool on = text != 0;
  DWORD k = Kind();
  if (on == (TextFlag != 0)) return static_cast<int>(k);
  if (on) {
    if (k == METRIC_F64H) k = METRIC_F64;
    else if (k == METRIC_F32H) k = METRIC_F32;
    else if (k == METRIC_I32H) k = METRIC_I32;
    else if (k == METRIC_U16H) k = METRIC_U16;
  }
  if (MetricPointSize(Kind()) == 0) return 0;
  PointBytes = MetricPointSize(Kind());
  TDataEdit copy;
  copy.Init();
  bool ok = copy.Create(static_cast<int>(k), on) != 0;
  if (ok) {
    copy.Record->Flags = Record->Flags;
    ok = CopyRecord(*this, copy, false, false);
  }
  if (ok) ok = Load(copy.Record, on) != 0;
  copy.Free();
  if (!ok) {
    FirstPointSubject(0);
    return 0;
  }
  return static_cast<int>(k);
}

// ---------------------------------------------------------------------------
// Texts

char* TDataEdit::GetTextData() {
  if (!TextFlag || CountWord == nullptr || !Valid()) return nullptr;
  Walk walk(reinterpret_cast<char*>(Record), End(), PointBytes, true);
  Contour c;
  if (!walk.At(CountWord, SubjectNumber, c) || c.text == End()) return nullptr;
  return c.text;
}

int TDataEdit::TextLength() {
  char* entry = GetTextData();
  return entry ? static_cast<BYTE>(entry[0]) : 0;
}

char* TDataEdit::GetObjectText() {
  char* entry = GetTextData();
  return entry ? entry + 1 : nullptr;
}

char* TDataEdit::GetText(char* buffer, int size) {
  if (buffer == nullptr || size < 1) return nullptr;
  char* entry = GetTextData();
  if (entry == nullptr) return nullptr;
  int t = EntryTextLength(entry);
  int n = t < size ? t : size;
  std::memcpy(buffer, entry + 1, static_cast<size_t>(n));
  if (n < size) std::memset(buffer + n, 0, static_cast<size_t>(size - n));
  return buffer;
}

int TDataEdit::GetTextHorizontalAlign() {
  char* entry = GetTextData();
  return entry ? MetricCodeHorizontal(EntryCode(entry)) : 0;
}

int TDataEdit::GetTextVerticalAlign() {
  char* entry = GetTextData();
  return entry ? MetricCodeVertical(EntryCode(entry)) : 24;
}

int TDataEdit::PutText(const char* text, int align) {
  if (Record == nullptr || text == nullptr) return 0;
  char local[METRIC_TEXT_LIMIT + 1];
  size_t t = strnlen(text, METRIC_TEXT_LIMIT);
  std::memcpy(local, text, t);  // the text may lie in this record
  if (!TextFlag) {
    int subject = SubjectNumber;
    bool cursor = CountWord != nullptr;
    if (!ChangeTextFormat(1)) return 0;
    if (cursor && DescPointSubject(subject) == nullptr) return 0;
  }
  if (CountWord == nullptr && FirstPointSubject(0) == nullptr) return 0;
  if (!Valid()) return 0;
  Walk walk(reinterpret_cast<char*>(Record), End(), PointBytes, true);
  Contour c;
  if (!walk.At(CountWord, SubjectNumber, c)) return 0;
  char* entry = c.text;
  size_t oldSize = entry == End() ? 0 : static_cast<size_t>(static_cast<BYTE>(entry[0])) + 2;

  int code;
  if (align == -1) code = oldSize ? EntryCode(entry) : 0;
  else code = MetricAlignToCode(align);
  if (code == METRIC_ALIGN_FIRST) code = 0;
  size_t pad = static_cast<size_t>(-(static_cast<int>(t) + 2)) & 3;
  if (code && pad == 0) pad = 4;
  if (t + pad > 255) {
    // L is one byte: a 254-character text with a code keeps 253 of them.
    t = METRIC_TEXT_LIMIT - 1;
    pad = 1;
  }
  size_t newSize = t + pad + 2;
  int64_t length = static_cast<int64_t>(Record->Length) + static_cast<int64_t>(newSize) -
                   static_cast<int64_t>(oldSize);
  if (length > BufferSize) return 0;
  char* tail = entry + oldSize;
  std::memmove(entry + newSize, tail, static_cast<size_t>(End() - tail));
  Record->Length = static_cast<DWORD>(length);
  entry[0] = static_cast<char>(t + pad);
  std::memcpy(entry + 1, local, t);
  entry[1 + t] = 0;
  if (pad) {
    entry[2 + t] = static_cast<char>(code);
    std::memset(entry + 3 + t, 0, pad - 1);
  }
  ChangedFlag = 1;
  return 1;
}

int TDataEdit::PutTextData(const TEXTDATA* data) {
  if (data == nullptr) return 0;
  // An entry is a multiple of 4 bytes, so L is at most 254: a larger L would
  // send the reads past the 256 bytes of the record.
  int l = data->Length;
  if (l > METRIC_TEXT_LIMIT) l = METRIC_TEXT_LIMIT;
  int t = static_cast<int>(strnlen(data->Text, static_cast<size_t>(l) + 1));
  if (t > l) t = l;
  if (t > METRIC_TEXT_LIMIT) t = METRIC_TEXT_LIMIT;
  int flags = 24;
  if (t < l) {
    int code = static_cast<BYTE>(data->Text[t + 1]);
    if (code >= METRIC_ALIGN_FIRST && code <= METRIC_ALIGN_LAST)
      flags = MetricCodeHorizontal(code) | MetricCodeVertical(code);
  }
  char local[METRIC_TEXT_LIMIT + 1];
  std::memcpy(local, data->Text, static_cast<size_t>(t));
  local[t] = 0;
  return PutText(local, flags);
}

int TDataEdit::PutTextHorizontalAlign(int h, int n) {
  if (!TextFlag || !Valid() || n < -1) return 0;
  int first = n == -1 ? 0 : n;
  int last = n == -1 ? Record->Count : n;
  if (DescPointSubject(first) == nullptr) return 0;
  int v = GetTextVerticalAlign();
  char text[261];
  for (int c = first; c <= last; ++c) {
    if (DescPointSubject(c) == nullptr) return 0;
    if (GetText(text, 260) == nullptr) text[0] = 0;
    text[260] = 0;
    PutText(text, v | h);
  }
  return h;
}

int TDataEdit::PutTextVerticalAlign(int v, int n) {
  if (!TextFlag || !Valid() || n < -1) return 24;
  int first = n == -1 ? 0 : n;
  int last = n == -1 ? Record->Count : n;
  if (DescPointSubject(first) == nullptr) return 24;
  int h = GetTextHorizontalAlign();
  char text[261];
  for (int c = first; c <= last; ++c) {
    if (DescPointSubject(c) == nullptr) return 24;
    if (GetText(text, 260) == nullptr) text[0] = 0;
    text[260] = 0;
    PutText(text, h | v);
  }
  return v;
}

// ---------------------------------------------------------------------------
// Record accessors

LONG TDataEdit::X1Long() { return Valid() ? TObjectData(Record).X1Long() : 0; }
LONG TDataEdit::Y1Long() { return Valid() ? TObjectData(Record).Y1Long() : 0; }
double TDataEdit::X1Double() { return Valid() ? TObjectData(Record).X1Double() : 0.0; }
double TDataEdit::Y1Double() { return Valid() ? TObjectData(Record).Y1Double() : 0.0; }
int TDataEdit::PointSize() { return (Record && BufferSize >= 4) ? MetricPointSize(Record->Ident) : 0; }
int TDataEdit::DatDimension() { return (Record && BufferSize >= 4) ? MetricIs3D(Record->Ident) : 0; }
double TDataEdit::Perimeter() { return Valid() ? TObjectData(Record).Perimeter() : 0.0; }

int TDataEdit::XYDouble(const char* point, DOUBLEPOINT* out) {
  return Valid() ? TObjectData(Record).XYDouble(point, out) : 0;
}
