// The sample of a selection context: per sheet a sorted list of object
// numbers in one block that grows in steps, with an offset table in front.
#include "selection/sample.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "mapstore/map.h"
#include "platform/memory.h"

namespace {

// Sheets a table may cover: far more than a sheet number can name in the
// context's sheet set, few enough that the table's size stays an int.
constexpr int kSheetLimit = 1 << 20;

// Serials of the contexts' conditions: a context made at the address of a
// freed one never takes its serial.
std::atomic<DWORD> gSerial{0};

}  // namespace

void TSample::Touch() {
  CountsStale = 1;
  AreaSampled = 0;
  Serial = ++gSerial;
}

TSample::TSample(TMap* map) : Map(map) {
  AreaMetric.Init();
  Touch();
}

TSample::~TSample() {
  ClearSample();
  AreaMetric.Free();
}

void TSample::ClearSample() {
  if (Buffer != nullptr) plat::FreePages(Buffer);
  Buffer = nullptr;
  SheetCount = Allocated = Used = TableSize = 0;
  CurrentSheet = CurrentPosition = 0;
  SampleActive = 0;
  SampleComplex = 0;
  Finger = FingerSheet = 0;
  Touch();
}

int TSample::NewSheetCount() const {
  const int count = Map != nullptr ? Map->Count() : 0;
  return count >= 1 ? count : 1;
}

int TSample::Allocate(int size) {
  if (size <= 0) {
    ClearSample();
    return 0;
  }
  const int sheets = Buffer != nullptr ? SheetCount : NewSheetCount();
  if (sheets > kSheetLimit || size < 4 * sheets) return 0;
  char* block = static_cast<char*>(plat::AllocPages(SIZE_T(size)));
  if (block == nullptr) return 0;
  const int table = 4 * sheets;
  if (Buffer != nullptr && Used > table && Used <= size) {
    std::memcpy(block, Buffer, SIZE_T(Used));
  } else {
    // The block comes zero-filled: an empty table.
    Used = table;
    SampleActive = 0;
  }
  if (Buffer != nullptr) plat::FreePages(Buffer);
  Buffer = block;
  Allocated = size;
  SheetCount = sheets;
  TableSize = table;
  return 1;
}

int TSample::Load(const TSample* source) {
  if (source == nullptr) return 0;
  if (source == this) return 1;
  ClearSample();
  if (source->Buffer != nullptr && source->Used > 0 && source->Used <= source->Allocated) {
    char* block = static_cast<char*>(plat::AllocPages(SIZE_T(source->Allocated)));
    if (block == nullptr) return 0;
    std::memcpy(block, source->Buffer, SIZE_T(source->Used));
    Buffer = block;
    Allocated = source->Allocated;
    Used = source->Used;
    SheetCount = source->SheetCount;
    TableSize = source->TableSize;
  }
  SampleActive = Buffer != nullptr ? source->SampleActive : 0;
  SampleComplex = source->SampleComplex;
  return 1;
}

DWORD* TSample::ListOf(int sheet) const {
  if (Buffer == nullptr || sheet < 1 || sheet > SheetCount) return nullptr;
  const DWORD offset = Table()[sheet - 1];
  if (offset == 0) return nullptr;
  return reinterpret_cast<DWORD*>(Buffer + offset);
}

namespace {

// Index of the first of `count` ascending numbers not below `object`
// (count when there is none), without a branch per step.
int FirstNotBelow(const DWORD* numbers, int count, DWORD object) {
  if (count < 1) return 0;
  const DWORD* base = numbers;
  while (count > 1) {
    const int half = count / 2;
    // Both places the next step may look at are fetched ahead.
    __builtin_prefetch(base + half / 2);
    __builtin_prefetch(base + half + half / 2);
    base = base[half] < object ? base + half : base;
    count -= half;
  }
  return int(base - numbers) + (*base < object ? 1 : 0);
}

}  // namespace

[[gnu::always_inline]] inline int TSample::LowerBound(const DWORD* numbers, int count,
                                                     DWORD object, int sheet) {
  const int f = FingerSheet == sheet && Finger < count ? Finger : 0;
  int at;
  if (numbers[f] < object) {
    // Past the last place found: a walk in ascending order takes one step.
    if (f + 1 == count || numbers[f + 1] >= object)
      at = f + 1;
    else
      at = f + 2 + FirstNotBelow(numbers + f + 2, count - f - 2, object);
  } else if (f == 0 || numbers[f - 1] < object) {
    // Between the last two places: a walk that asks every object in turn.
    at = f;
  } else {
    at = FirstNotBelow(numbers, f - 1, object);
  }
  FingerSheet = sheet;
  Finger = at < count ? at : count - 1;
  return at;
}

int TSample::CheckSample(int object, int sheet) {
  InsertHint = 0;
  DWORD* list = ListOf(sheet);
  if (list == nullptr) return 0;
  CurrentSheet = sheet;
  CurrentPosition = 1;
  if (object < 1) return 0;
  const int count = int(list[0]);
  const DWORD* numbers = list + 1;
  const int at = LowerBound(numbers, count, DWORD(object), sheet);
  if (at < count && numbers[at] == DWORD(object)) return at + 1;
  InsertHint = at < count ? at + 1 : 0;
  return 0;
}

int TSample::InSample(int object, int sheet) {
  const DWORD* list = ListOf(sheet);
  if (list == nullptr || object < 1) return 0;
  const int count = int(list[0]);
  const int at = LowerBound(list + 1, count, DWORD(object), sheet);
  return at < count && list[1 + at] == DWORD(object) ? 1 : 0;
}

DWORD* TSample::SeekPosition(DWORD* list, int object) {
  if (list == nullptr) return nullptr;
  const int count = int(list[0]);
  DWORD* numbers = list + 1;
  const DWORD value = DWORD(object);
  if (count < 1 || value <= numbers[0]) return numbers;
  if (count == 1 || value >= numbers[count - 1]) return numbers + count;
  return numbers + FirstNotBelow(numbers, count, value);
}

int TSample::AppendSample(int object, int sheet) {
  if (object < 1 || sheet < 1) return 0;
  if (sheet > (Buffer != nullptr ? SheetCount : NewSheetCount())) return 0;
  if (Buffer != nullptr) {
    // Steps of 2,048 bytes, and of a quarter of the block once it is
    // large: a sample of a million objects is not copied a thousand times.
    if (Allocated - 8 <= Used) {
      const int64_t step = int64_t(SAMPLE_GROWTH);
      const int64_t quarter = int64_t(Allocated) / 4 / step * step;
      const int64_t size = int64_t(Allocated) + (quarter > step ? quarter : step);
      if (size > 0x7FFFFFFF || !Allocate(int(size))) return 0;
    }
  } else {
    // The first block: whole steps with room behind the table.
    if (NewSheetCount() > kSheetLimit) return 0;
    const int table = 4 * NewSheetCount();
    if (!Allocate((table + 8) / SAMPLE_GROWTH * SAMPLE_GROWTH + SAMPLE_GROWTH)) return 0;
  }
  SampleActive = 1;
  Touch();
  if (CheckSample(object, sheet) != 0) return 1;

  DWORD* table = Table();
  if (DWORD* list = ListOf(sheet)) {
    DWORD* place = SeekPosition(list, object);
    const DWORD offset = DWORD(reinterpret_cast<char*>(place) - Buffer);
    std::memmove(place + 1, place, SIZE_T(Used) - offset);
    *place = DWORD(object);
    ++list[0];
    for (int s = 0; s < SheetCount; ++s)
      if (table[s] >= offset) table[s] += 4;
    Used += 4;
  } else {
    DWORD* fresh = reinterpret_cast<DWORD*>(Buffer + Used);
    fresh[0] = 1;
    fresh[1] = DWORD(object);
    table[sheet - 1] = DWORD(Used);
    Used += 8;
  }
  return 1;
}

int TSample::DeleteSample(int object, int sheet) {
  if (object < 1 || sheet < 1) return 0;
  const int position = CheckSample(object, sheet);
  if (position == 0) return 0;
  Touch();
  DWORD* table = Table();
  const DWORD listOffset = table[sheet - 1];
  DWORD* list = reinterpret_cast<DWORD*>(Buffer + listOffset);
  DWORD from, length;
  if (list[0] == 1) {
    from = listOffset;
    length = 8;
    table[sheet - 1] = 0;
  } else {
    from = listOffset + 4 * DWORD(position);
    length = 4;
    --list[0];
  }
  std::memmove(Buffer + from, Buffer + from + length, SIZE_T(Used) - from - length);
  Used -= int(length);
  for (int s = 0; s < SheetCount; ++s)
    if (table[s] > listOffset) table[s] -= length;
  if (Used <= TableSize) ClearSample();
  return 1;
}

// ---------------------------------------------------------------------------
// The walk

int TSample::GetFirstSample(int sheet) {
  DWORD* list = ListOf(sheet);
  if (list == nullptr) return 0;
  CurrentSheet = sheet;
  CurrentPosition = 1;
  return int(list[1]);
}

int TSample::GetLastSample(int sheet) {
  DWORD* list = ListOf(sheet);
  if (list == nullptr) return 0;
  CurrentSheet = sheet;
  CurrentPosition = int(list[0]);
  return int(list[list[0]]);
}

int TSample::GetLastSample() { return GetLastSample(CurrentSheet); }

int TSample::GetNextSample() {
  DWORD* list = ListOf(CurrentSheet);
  if (list == nullptr || CurrentPosition < 0 || CurrentPosition >= int(list[0])) return 0;
  return int(list[++CurrentPosition]);
}

int TSample::GetPrevSample() {
  DWORD* list = ListOf(CurrentSheet);
  if (list == nullptr || CurrentPosition <= 1) return 0;
  if (CurrentPosition > int(list[0])) CurrentPosition = int(list[0]) + 1;
  return int(list[--CurrentPosition]);
}

int TSample::GetSample(int n) {
  DWORD* list = ListOf(CurrentSheet);
  if (list == nullptr || n < 1 || n > int(list[0])) return 0;
  return int(list[n]);
}

int TSample::GetSamplesCount(int sheet) {
  DWORD* list = ListOf(sheet);
  return list != nullptr ? int(list[0]) : 0;
}

DWORD* TSample::SeekSample(int sheet) { return ListOf(sheet != 0 ? sheet : CurrentSheet); }

int TSample::CheckSample(int sheet) { return ListOf(sheet) != nullptr ? 1 : 0; }

int TSample::Adjustment(int object, int sheet, int flags) {
  CurrentSheet = 0;
  const int position = CheckSample(object, sheet);
  if (position != 0) {
    CurrentSheet = sheet;
    CurrentPosition = position;
    return position;
  }
  CurrentSheet = 0;
  const int hint = InsertHint;
  if (hint > 0 && (flags & SEEK_NEXT)) {
    CurrentPosition = hint - 1;
  } else if (hint > 0 && (flags & SEEK_PREV)) {
    CurrentPosition = hint;
  } else {
    return 0;
  }
  CurrentSheet = sheet;
  return 1;
}
