// The two condition lists a selection context applies to each object it
// tests: TCompare, up to 64 conditions on the object's semantics
// (characteristic code, comparison, value), and TPlaneMeasure, up to 100
// conditions on its measures (length, area, perimeter, heights).
//
// Both are plain fixed-size blocks without pointers: the selection context
// is copied whole and the select record carries both blocks byte for byte.
//
// Comparison codes (both lists) are a bit set read as "the object's value
// is ... the condition's value": 1 less, 2 equal, 4 greater (3 at most, 5
// not equal, 6 at least); for semantics also 0 (the characteristic must be
// absent) and 7 (it must be present, any value). Link codes: 16 any
// condition, 32 all conditions.
#pragma once

#include "objects/objectinfo.h"
#include "records/dataedit.h"
#include "records/semantic.h"
#include "platform/export.h"
#include "platform/win_types.h"

enum : int {
  COMPARE_ABSENT = 0,
  COMPARE_LESS = 1,
  COMPARE_EQUAL = 2,
  COMPARE_GREATER = 4,
  COMPARE_PRESENT = 7,
  LINK_ANY = 16,
  LINK_ALL = 32,
  LINK_MASK = 48,
  COMPARE_SLOTS = 64,   // semantic conditions at most
  MEASURE_SLOTS = 100,  // measurement conditions at most
};

// Measure kinds of a measurement condition.
enum : int {
  MEASURE_LENGTH = 1,     // lines and vectors: all contours' segments
  MEASURE_AREA = 2,       // polygons
  MEASURE_PERIMETER = 3,  // polygons
  MEASURE_HEIGHT = 10,    // any point of a 3-D metric
};

// The value of a measure that does not apply to an object: a test against
// it always fails.
constexpr double MEASURE_NONE = -1.0;

#pragma pack(push, 1)
// One measurement condition: the measure, one comparison or (range 2) two.
struct MEASUREMENT {
  LONG Kind;
  LONG Range;   // 2: both comparisons must hold; any other value: the first
  LONG First;   // comparison codes 1..6
  LONG Second;
  double FirstValue;
  double SecondValue;
};
#pragma pack(pop)
static_assert(sizeof(MEASUREMENT) == 32);

class MAPCLASS TCompare {
 public:
  TCompare() { Clear(); }

  // No conditions, every slot fresh (code 0, the integer 0), link any.
  void Clear();
  // Adds a condition (a comparison outside 0..7 is taken as equal) on the
  // characteristic `value` carries: its number (1..count), 0 when 64 are in
  // use or without a value.
  int Append(int condition, const TSemBlock* value);
  // Removes condition `number`; the numbers above it close the gap. 1, or 0
  // when no condition has the number.
  int Delete(int number);
  // Comparison code of condition `number` (0 when absent).
  int GetCondition(int number) const;
  // The value of condition `number` with its code; null when absent.
  TSemBlock* GetValue(int number);
  int GetCount() const { return Count; }
  int GetLinkCode() const { return int(Flags & LINK_MASK); }
  // Keeps bits 16 and 32 of `code` (none: 16); the flags word after it.
  int SetLinkCode(int code);
  // 1 when the object's semantics record passes the conditions, else 0.
  int CheckSemantic(TObjectSemn semantics);
  // Takes a list from its byte image (as a select record carries it): 1; a
  // list whose count or numbering is not sound is cleared instead: 0.
  int LoadImage(const void* image);

  // Fields, in this order.
  LONG Count;                       // conditions in use
  TSemBlock Slots[COMPARE_SLOTS];   // each condition's code and value
  DWORD Conditions[COMPARE_SLOTS];  // comparison code of each slot
  DWORD Numbers[COMPARE_SLOTS];     // condition number of a used slot, 0 = free
  DWORD Flags;                      // bits 4-5 link; bit 0: an absent condition was added
  DWORD Required;                   // distinct codes that carry a non-zero condition

 private:
  // Slot of condition `number`, -1 when there is none.
  int SlotOf(int number) const;
  void CountRequired();
  int CheckAny(TWorkSemantic& blocks);
  int CheckAll(TWorkSemantic& blocks);
};
static_assert(sizeof(TCompare) == 17164);

#pragma pack(push, 1)
class MAPCLASS TPlaneMeasure {
 public:
  TPlaneMeasure() { Clear(); }

  // No conditions, link any.
  void Clear();
  // Appends a copy of the condition: the new count, 0 when 100 are in use
  // or without a record.
  int Add(const MEASUREMENT* condition);
  int Count() const { return Used; }
  // Fields of condition n (1..count); 0 or 0.0 outside.
  int MeasureKind(int n) const;
  int Range(int n) const;
  int FirstCondition(int n) const;
  int SecondCondition(int n) const;
  double FirstValue(int n) const;
  double SecondValue(int n) const;
  int GetLinkCode() const { return int(Flags & LINK_MASK); }
  // Keeps bits 16 and 32 of `code` (none: 16); the flags word after it.
  int SetLinkCode(int code);
  // Takes a list from its byte image (as a select record carries it): 1; a
  // list whose count is out of range is cleared instead: 0.
  int LoadImage(const void* image);

  // Whether `value` passes condition n (a measure of -1 never does).
  int Test(int n, double value) const;
  // value against reference by a comparison code 1..6; equal within 0.09.
  static int TestCondition(int comparison, double value, double reference);
  // Whether any point of a 3-D metric has a height passing condition n.
  int TestByHeight(int n, TDataEdit* metric) const;
  // 1 when the object passes the conditions by the link (also without a
  // descriptor or a metric), else 0.
  int MeasureCheck(TObjectDesc desc, TDataEdit* metric) const;

  // Fields, in this order.
  LONG Used;                          // conditions in use
  MEASUREMENT Items[MEASURE_SLOTS];   // in order of adding
  DWORD Flags;                        // bits 4-5: link
};
#pragma pack(pop)
static_assert(sizeof(TPlaneMeasure) == 3208);
