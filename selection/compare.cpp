// The semantic and measurement condition lists of a selection context.
#include "selection/compare.h"

#include <cmath>
#include <cstring>

namespace {

// A fresh slot: zero bytes holding the code 0 and the integer 0, so that
// the block copied into a select record carries nothing left over.
void FreshBlock(TSemBlock* block) {
  std::memset(static_cast<void*>(block), 0, sizeof(*block));
  block->Value.LoadLong(0);
}

// The object's value of the block at `block` against the condition's
// value: 1 less, 2 equal, 4 greater (5 no match for texts). Texts are
// compared on copies: the comparison converts them in place, and the
// object's block lies in a sheet's read cache.
int CompareBlock(const char* block, TSemBlock& condition) {
  TSemBlock mine;
  CopySemBlock(&mine, reinterpret_cast<const TSemBlock*>(block));
  if (!mine.Value.IsString() || !condition.Value.IsString())
    return mine.Value.Compare(&condition.Value);
  TSemBlock pattern;
  CopySemBlock(&pattern, &condition);
  return mine.Value.Compare(&pattern.Value);
}

int KeepLink(int code) {
  const int link = code & LINK_MASK;
  return link != 0 ? link : LINK_ANY;
}

}  // namespace

// ---------------------------------------------------------------------------
// Semantic conditions

void TCompare::Clear() {
  Count = 0;
  for (TSemBlock& slot : Slots) FreshBlock(&slot);
  std::memset(Conditions, 0, sizeof(Conditions));
  std::memset(Numbers, 0, sizeof(Numbers));
  Flags = LINK_ANY;
  Required = 0;
}

int TCompare::SlotOf(int number) const {
  if (number < 1 || number > Count) return -1;
  for (int i = 0; i < COMPARE_SLOTS; ++i)
    if (Numbers[i] == DWORD(number)) return i;
  return -1;
}

void TCompare::CountRequired() {
  Required = 0;
  for (int i = 0; i < COMPARE_SLOTS; ++i) {
    if (Numbers[i] == 0 || Conditions[i] == 0) continue;
    bool earlier = false;
    for (int j = 0; j < i && !earlier; ++j)
      earlier = Numbers[j] != 0 && Conditions[j] != 0 && Slots[j].Code == Slots[i].Code;
    if (!earlier) ++Required;
  }
}

int TCompare::Append(int condition, const TSemBlock* value) {
  if (value == nullptr || Count >= COMPARE_SLOTS || Count < 0) return 0;
  if (condition < COMPARE_ABSENT || condition > COMPARE_PRESENT) condition = COMPARE_EQUAL;
  int slot = 0;
  while (slot < COMPARE_SLOTS && Numbers[slot] != 0) ++slot;
  if (slot == COMPARE_SLOTS) return 0;
  if (condition == COMPARE_ABSENT) Flags |= 1;
  FreshBlock(&Slots[slot]);
  CopySemBlock(&Slots[slot], value);
  Conditions[slot] = DWORD(condition);
  Numbers[slot] = DWORD(++Count);
  CountRequired();
  return Count;
}

int TCompare::Delete(int number) {
  const int slot = SlotOf(number);
  if (slot < 0) return 0;
  Numbers[slot] = 0;
  Conditions[slot] = 0;
  FreshBlock(&Slots[slot]);
  for (DWORD& n : Numbers)
    if (n > DWORD(number)) --n;
  --Count;
  CountRequired();
  return 1;
}

int TCompare::GetCondition(int number) const {
  const int slot = SlotOf(number);
  return slot < 0 ? 0 : int(Conditions[slot]);
}

TSemBlock* TCompare::GetValue(int number) {
  const int slot = SlotOf(number);
  return slot < 0 ? nullptr : &Slots[slot];
}

int TCompare::SetLinkCode(int code) {
  Flags = (Flags & ~DWORD(LINK_MASK)) | DWORD(KeepLink(code));
  return int(Flags);
}

int TCompare::CheckSemantic(TObjectSemn semantics) {
  SEMANTIC* record = semantics.Semn;
  const int length = record != nullptr ? record->Length : 0;
  if (length <= SEMANTIC_HEAD) {
    if (Required == 0) return 1;
    if ((Flags & 1) == 0) return 0;
    for (int i = 0; i < COMPARE_SLOTS; ++i)
      if (Numbers[i] != 0 && Conditions[i] != 0) return 0;
    return 1;
  }
  if (length - SEMANTIC_HEAD <= 4) return 0;
  TWorkSemantic blocks;
  blocks.Access(reinterpret_cast<char*>(record) + SEMANTIC_HEAD, length - SEMANTIC_HEAD, 0);
  return (Flags & LINK_ANY) ? CheckAny(blocks) : CheckAll(blocks);
}

int TCompare::CheckAny(TWorkSemantic& blocks) {
  for (int i = 0; i < COMPARE_SLOTS; ++i) {
    if (Numbers[i] == 0) continue;
    const int code = Slots[i].Code;
    for (char* p = blocks.FindCode(code); p != nullptr; p = blocks.FindCodeNext(code)) {
      // A characteristic that must be absent is there.
      if (Conditions[i] == 0) return 0;
      if (CompareBlock(p, Slots[i]) & int(Conditions[i])) return 1;
    }
  }
  return (Flags & 1) ? 1 : 0;
}

int TCompare::CheckAll(TWorkSemantic& blocks) {
  if (blocks.SemanticsAmount() < int(Required)) return 0;
  for (int i = 0; i < COMPARE_SLOTS; ++i) {
    if (Numbers[i] == 0) continue;
    const int code = Slots[i].Code;
    bool found = false, passed = false;
    for (char* p = blocks.FindCode(code); p != nullptr && !passed; p = blocks.FindCodeNext(code)) {
      found = true;
      passed = Conditions[i] != 0 && (CompareBlock(p, Slots[i]) & int(Conditions[i])) != 0;
    }
    if (!found ? Conditions[i] != 0 : !passed) return 0;
  }
  return 1;
}

int TCompare::LoadImage(const void* image) {
  if (image == nullptr) return 0;
  std::memcpy(static_cast<void*>(this), image, sizeof(*this));
  // Every condition number 1..Count names exactly one slot.
  bool sound = Count >= 0 && Count <= COMPARE_SLOTS;
  int used = 0;
  for (int i = 0; sound && i < COMPARE_SLOTS; ++i) {
    if (Numbers[i] == 0) continue;
    ++used;
    sound = Numbers[i] <= DWORD(Count) && Conditions[i] <= DWORD(COMPARE_PRESENT);
    for (int j = 0; sound && j < i; ++j) sound = Numbers[j] != Numbers[i];
  }
  if (!sound || used != Count) {
    Clear();
    return 0;
  }
  CountRequired();
  return 1;
}

// ---------------------------------------------------------------------------
// Measurement conditions

void TPlaneMeasure::Clear() {
  Used = 0;
  std::memset(Items, 0, sizeof(Items));
  Flags = LINK_ANY;
}

int TPlaneMeasure::Add(const MEASUREMENT* condition) {
  if (condition == nullptr || Used < 0 || Used >= MEASURE_SLOTS) return 0;
  Items[Used] = *condition;
  return ++Used;
}

int TPlaneMeasure::MeasureKind(int n) const { return n >= 1 && n <= Used ? Items[n - 1].Kind : 0; }
int TPlaneMeasure::Range(int n) const { return n >= 1 && n <= Used ? Items[n - 1].Range : 0; }
int TPlaneMeasure::FirstCondition(int n) const {
  return n >= 1 && n <= Used ? Items[n - 1].First : 0;
}
int TPlaneMeasure::SecondCondition(int n) const {
  return n >= 1 && n <= Used ? Items[n - 1].Second : 0;
}
double TPlaneMeasure::FirstValue(int n) const {
  return n >= 1 && n <= Used ? Items[n - 1].FirstValue : 0.0;
}
double TPlaneMeasure::SecondValue(int n) const {
  return n >= 1 && n <= Used ? Items[n - 1].SecondValue : 0.0;
}

int TPlaneMeasure::SetLinkCode(int code) {
  Flags = (Flags & ~DWORD(LINK_MASK)) | DWORD(KeepLink(code));
  return int(Flags);
}

int TPlaneMeasure::LoadImage(const void* image) {
  if (image == nullptr) return 0;
  std::memcpy(static_cast<void*>(this), image, sizeof(*this));
  if (Used >= 0 && Used <= MEASURE_SLOTS) return 1;
  Clear();
  return 0;
}

int TPlaneMeasure::TestCondition(int comparison, double value, double reference) {
  switch (comparison) {
    case 1:
      return value < reference;
    case 2: {
      const double d = value - reference;
      return d == 0.0 || std::fabs(d) <= 0.09;
    }
    case 3:
      return value <= reference;
    case 4:
      return value > reference;
    case 5:
      return value != reference;
    case 6:
      return value >= reference;
    default:
      return 0;
  }
}

int TPlaneMeasure::Test(int n, double value) const {
  if (n < 1 || n > Used || value == MEASURE_NONE) return 0;
  const MEASUREMENT& m = Items[n - 1];
  if (!TestCondition(m.First, value, m.FirstValue)) return 0;
  return m.Range == 2 ? TestCondition(m.Second, value, m.SecondValue) : 1;
}

int TPlaneMeasure::TestByHeight(int n, TDataEdit* metric) const {
  if (metric == nullptr || metric->Record == nullptr || !metric->DatDimension()) return 0;
  const int subjects = metric->Record->Count;
  for (int s = 0; s <= subjects; ++s) {
    const int count = metric->PointCount(s);
    for (int i = 1; i <= count; ++i) {
      if (metric->GoPointSubject(i, s) == nullptr) break;
      if (Test(n, metric->HDouble())) return 1;
    }
  }
  return 0;
}

int TPlaneMeasure::MeasureCheck(TObjectDesc desc, TDataEdit* metric) const {
  if (desc.Desc == nullptr || metric == nullptr || metric->Record == nullptr) return 1;
  const int local = desc.Local();
  const bool line = local == LOCAL_LINE || local == LOCAL_VECTOR;
  const bool polygon = local == LOCAL_POLYGON;
  // Each measure is computed once, when the first condition asks for it.
  double length = MEASURE_NONE, area = MEASURE_NONE, perimeter = MEASURE_NONE;
  bool haveLength = false, haveArea = false, havePerimeter = false;
  auto measure = [&](int kind) -> double {
    switch (kind) {
      case MEASURE_LENGTH:
        if (!haveLength && line) length = metric->PolyPerimeter();
        haveLength = true;
        return length;
      case MEASURE_AREA:
        if (!haveArea && polygon) area = metric->Square();
        haveArea = true;
        return area;
      default:
        if (!havePerimeter && polygon) perimeter = metric->PolyPerimeter();
        havePerimeter = true;
        return perimeter;
    }
  };

  const bool any = (Flags & LINK_ANY) != 0;
  for (int n = 1; n <= Used; ++n) {
    const int kind = Items[n - 1].Kind;
    int passed;
    if (kind == MEASURE_HEIGHT) {
      passed = TestByHeight(n, metric);
    } else if (kind == MEASURE_LENGTH || kind == MEASURE_AREA || kind == MEASURE_PERIMETER) {
      // Under "any" a measure that does not apply to the object is not
      // asked; under "all" it fails.
      if (any && !(kind == MEASURE_LENGTH ? line : polygon)) continue;
      passed = Test(n, measure(kind));
    } else {
      continue;
    }
    if (any && passed) return 1;
    if (!any && !passed) return 0;
  }
  return any ? 0 : 1;
}
