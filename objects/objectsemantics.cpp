// The map object's characteristics read and changed by number and code:
// texts become stored values, and values become shown texts, by the
// classifier's type of each semantic; the semantics the object may still
// receive; re-storing every characteristic by its type.
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "classifier/maprsc.h"
#include "common/textformat.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"

namespace {

const char kEmpty[1] = {0};

// Classifier semantic types that change how a value is stored and shown.
enum : int {
  SEM_NUMBER = 1,
  SEM_KEY = 12,
  SEM_LIST = 16,
  SEM_DATE = 17,
  SEM_ANGLE = 18,
  SEM_TIME = 19,
};

constexpr int kAvailableLimit = 1024;
constexpr int kAlignText = 264;
constexpr LONG kLastTime = 249999;  // 24:99:99, the largest time kept as a number

bool IsNumeric(const TSemBase* value) { return value->Type >= 1 && value->Type <= 8; }

bool IsTypedSemantic(int type) {
  return type == SEM_NUMBER || type == SEM_KEY || type == SEM_LIST || type == SEM_DATE ||
         type == SEM_ANGLE || type == SEM_TIME;
}

// A time of day as a number, or false: the text must begin with a digit
// (a text without one reads as 0, which is a time) and give 0..249999.
bool ParseTime(const char* text, LONG* time) {
  while (*text == ' ') ++text;
  if (*text < '0' || *text > '9') return false;
  *time = TimeToLong(text);
  return *time >= 0 && *time <= kLastTime;
}

// A date, time or angle text as the number it is stored as: true when
// the semantic has one of those types and the text reads as one.
bool LoadConverted(int semType, const char* text, TSemBase* value) {
  switch (semType) {
    case SEM_DATE:
      if (const LONG date = DateToLong(text); date != 0) {
        value->LoadLong(date);
        return true;
      }
      return false;
    case SEM_TIME:
      if (LONG time = 0; ParseTime(text, &time)) {
        value->LoadLong(time);
        return true;
      }
      return false;
    case SEM_ANGLE:
      value->LoadDouble(AngleToRadian(text));
      return true;
    default:
      return false;
  }
}

// Copies text into the buffer of size bytes, cut and terminated.
void CopyText(char* buffer, int size, const char* text) {
  std::snprintf(buffer, size_t(size), "%s", text);
}

}  // namespace

// ---------------------------------------------------------------------------
// Building and placing characteristics

int TObjectInfo::BuildSemantic(TMapRsc* rsc, int code, const char* text, int size,
                               TSemBlock* block) {
  if (text == nullptr || block == nullptr || code < 0 || code > 0xFFFF) return 0;
  block->Code = static_cast<WORD>(code);
  TSemBase& value = block->Value;
  const int type = rsc != nullptr ? rsc->GetSemType(DWORD(code)) : 0;
  if (LoadConverted(type, text, &value)) return 1;
  switch (type) {
    case SEM_KEY: {
      // A key in the high/low form reads whole, not as its first number.
      DWORD key = 0;
      if (std::strpbrk(text, "/\\") != nullptr && StringToObjectKey(text, &key)) {
        value.LoadLong(LONG(key));
        return 1;
      }
      return value.LoadAnyString(SEMTYPE_LONG, text, size) != 0;
    }
    case SEM_NUMBER:
    case SEM_LIST:
      return value.LoadAnyString(SEMTYPE_LONG, text, size) != 0;
    default:
      break;
  }
  return value.LoadAnyString(SEMTYPE_ANSI, text, size) != 0;
}

int TObjectInfo::AppendSemanticBlock(TMapRsc* rsc, const TSemBlock& block) {
  const int code = block.Code;
  const int changed = Semn.IsChanged();
  TSemBlock old;
  int oldNumber = 0;
  TWorkSemantic* work = Semn.Cursor();
  if (rsc->GetSemReply(code) == 0 && Semn.Record() != nullptr && work->FindCode(code) != nullptr) {
    CopySemBlock(&old, reinterpret_cast<const TSemBlock*>(work->CurrentBlock()));
    oldNumber = work->CurrentNumber();
    if (!Semn.DeleteCurrent()) return 0;
  }
  if (Semn.Append(&block) != nullptr) return SemanticAmount();
  if (oldNumber != 0) {
    // The replaced value goes back where it was: its room is still free.
    if (work->GoNumber(oldNumber) == nullptr) work->GoEnd();
    Semn.Insert(&old);
    Semn.SetChanged(changed);
  }
  return 0;
}

char* TObjectInfo::ReplaceSemantic(int n, const TSemBlock& block) {
  TWorkSemantic* work = Semn.Cursor();
  if (Semn.Record() == nullptr || work->GoNumber(n) == nullptr) return nullptr;
  if (char* at = Semn.Replace(&block)) return at;
  // No room in the record's block: the characteristics move into a larger
  // one, the new value at its place.
  TSemnEdit copy;
  const int count = work->SemanticsAmount();
  for (int i = 1; i <= count; ++i) {
    const char* at = i == n ? reinterpret_cast<const char*>(&block) : work->GoNumber(i);
    if (at == nullptr || copy.Append(reinterpret_cast<const TSemBlock*>(at)) == nullptr)
      return nullptr;
  }
  if (!Semn.Load(TObjectSemn(copy.Record()))) return nullptr;
  Semn.SetChanged(1);
  return Semn.Cursor()->GoNumber(n);
}

// ---------------------------------------------------------------------------
// Reading

int TObjectInfo::SemanticAmount() {
  return Semn.Record() != nullptr ? Semn.Cursor()->SemanticsAmount() : 0;
}

int TObjectInfo::SemanticCode(int n) {
  if (Semn.Record() == nullptr || Semn.Cursor()->GoNumber(n) == nullptr) return 0;
  return Semn.Cursor()->CurrentCode();
}

char* TObjectInfo::SemanticValue(int n, char* buffer, int size) {
  if (buffer == nullptr || size < 1) return nullptr;
  buffer[0] = 0;
  if (Semn.Record() == nullptr || Semn.Cursor()->GoNumber(n) == nullptr) return nullptr;
  return Semn.Cursor()->CurrentValue()->StringValue(buffer, size);
}

double TObjectInfo::SemanticDoubleValue(int n) {
  if (Semn.Record() == nullptr || Semn.Cursor()->GoNumber(n) == nullptr) return 0.0;
  return Semn.Cursor()->CurrentValue()->DoubleValue();
}

namespace {

// The value of a characteristic as shown for the classifier's type of its
// semantic; false for a list value without a name when `full` is asked.
// A value kept as text is shown as its text whatever the type.
bool ShowValue(TMapRsc* rsc, int code, TSemBase* value, bool full, char* text, int size) {
  text[0] = 0;
  if (!IsNumeric(value)) return value->StringValue(text, size) != nullptr;
  switch (rsc->GetSemType(DWORD(code))) {
    case SEM_NUMBER: {
      int decimals = rsc->GetSemValuePoleDecimal(DWORD(code));
      if (decimals < 0 || decimals > 16) decimals = decimals < 0 ? 0 : 16;
      std::snprintf(text, size_t(size), "%.*f", decimals, value->DoubleValue());
      return true;
    }
    case SEM_LIST: {
      const LONG number = value->LongValue();
      const char* name = rsc->GetSemValueName(DWORD(code), number);
      if (name != nullptr && name[0] != 0) {
        CopyText(text, size, name);
        return true;
      }
      if (full) return false;
      std::snprintf(text, size_t(size), "%d", int(number));
      return true;
    }
    case SEM_KEY:
      return ObjectKeyToString(DWORD(value->LongValue()), text, size, 0) != 0;
    case SEM_DATE:
      return LongToDate(value->LongValue(), text, size) != 0;
    case SEM_ANGLE:
      return RadianToAngle(value->DoubleValue(), text, size) != 0;
    case SEM_TIME:
      return LongToTime(value->LongValue(), text, size) != 0;
    default:
      return value->StringValue(text, size) != nullptr;
  }
}

}  // namespace

char* TObjectInfo::SemanticValueName(int n, char* buffer, int size) {
  return ShownValue(n, buffer, size, false);
}

char* TObjectInfo::SemanticValueFullName(int n, char* buffer, int size) {
  return ShownValue(n, buffer, size, true);
}

char* TObjectInfo::ShownValue(int n, char* buffer, int size, bool full) {
  if (buffer == nullptr || size < 1) return nullptr;
  buffer[0] = 0;
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || Semn.Record() == nullptr || Semn.Cursor()->GoNumber(n) == nullptr)
    return nullptr;
  TWorkSemantic* work = Semn.Cursor();
  const int code = work->CurrentCode();
  char text[512];
  if (!ShowValue(rsc, code, work->CurrentValue(), full, text, sizeof(text))) return nullptr;
  const char* unit = full ? rsc->GetSemUnit(DWORD(code)) : nullptr;
  const size_t unitLength = unit != nullptr ? strnlen(unit, 8) : 0;
  if (unitLength > 0) {
    const size_t at = std::strlen(text);
    std::snprintf(text + at, sizeof(text) - at, " %.*s", int(unitLength), unit);
  }
  CopyText(buffer, size, text);
  return buffer;
}

int TObjectInfo::SemanticCodeValue(int code, char* buffer, int size, int k) {
  if (buffer != nullptr && size > 0) buffer[0] = 0;
  if (Semn.Record() == nullptr) return 0;
  TWorkSemantic* work = Semn.Cursor();
  char* at = work->FindCode(code);
  for (int i = 1; at != nullptr && i < k; ++i) at = work->FindCodeNext(code);
  if (at == nullptr) return 0;
  if (buffer != nullptr && size > 0) work->CurrentValue()->StringValue(buffer, size);
  return work->CurrentNumber();
}

const char* TObjectInfo::SemanticName(int n) {
  Error = MAPERR_DATA;
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || Semn.Record() == nullptr) return kEmpty;
  if (Semn.Cursor()->GoNumber(n) == nullptr) return nullptr;
  const int code = Semn.Cursor()->CurrentCode();
  const char* name = code != 0 ? rsc->GetSemName(DWORD(code)) : nullptr;
  if (name == nullptr || name[0] == 0) {
    Error = MAPERR_RSCRANGE;
    return kEmpty;
  }
  Error = 0;
  return name;
}

// ---------------------------------------------------------------------------
// The classifier's view of a semantic

int TObjectInfo::SemanticClassificatorCount(int code) {
  TMapRsc* rsc = OpenRsc();
  return rsc != nullptr ? rsc->GetClassificatorCount(DWORD(code)) : 0;
}

const char* TObjectInfo::SemanticClassificatorName(int code, int i) {
  TMapRsc* rsc = OpenRsc();
  const char* name = rsc != nullptr ? rsc->GetClassificatorName(DWORD(code), i) : nullptr;
  return name != nullptr ? name : kEmpty;
}

LONG TObjectInfo::SemanticClassificatorCode(int code, int i) {
  TMapRsc* rsc = OpenRsc();
  return rsc != nullptr ? rsc->GetClassificatorValue(DWORD(code), i) : 0;
}

namespace {

// The classifier's description of semantic `code` for kind `kind` in
// either form: 1, or 0 when there is none.
template <class T>
int Describe(TMapRsc* rsc, T* type, int code, int kind) {
  RSCSEMANTICEX ex;
  if (rsc == nullptr || type == nullptr || !rsc->SemanticDescribeEx(&ex, DWORD(code), kind))
    return 0;
  type->Code = LONG(ex.Code);
  type->Type = LONG(ex.Type);
  type->Reply = LONG(ex.Reply);
  type->Service = LONG(ex.Service);
  std::memcpy(type->Name, ex.Name, sizeof(type->Name));
  std::memcpy(type->Unit, ex.Unit, sizeof(type->Unit));
  type->Minimum = ex.Minimum;
  type->Default = ex.Default;
  type->Maximum = ex.Maximum;
  if constexpr (std::is_same_v<T, SEMANTICTYPEEX>) {
    type->Enable = LONG(ex.Enable);
    type->Size = LONG(ex.Size);
    type->Decimal = LONG(ex.Decimal);
    std::memcpy(type->ShortName, ex.ShortName, sizeof(type->ShortName));
  }
  return 1;
}

}  // namespace

int TObjectInfo::SemanticDescribe(SEMANTICTYPE* type, int code) {
  return Describe(OpenRsc(), type, code, Desc != nullptr ? Desc->Code : 0);
}

int TObjectInfo::SemanticDescribeEx(SEMANTICTYPEEX* type, int code) {
  return Describe(OpenRsc(), type, code, Desc != nullptr ? Desc->Code : 0);
}

// ---------------------------------------------------------------------------
// The semantics the object may still receive

int TObjectInfo::AvailableSemanticCount(int* codes, int limit) {
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || Desc == nullptr) {
    Error = MAPERR_DATA;
    return 0;
  }
  if (codes == nullptr || limit < 1) return 0;
  const int n = Desc->Code != 0 ? Desc->Code : 1;
  // Obligatory ones first; possible ones give way when there are too many.
  int must = rsc->GetObjMustSemCount(n);
  int possible = rsc->GetObjPosSemCount(n);
  if (must > limit) must = limit;
  if (possible > limit - must) possible = limit - must;
  int count = 0;
  for (int i = 1; i <= must; ++i) codes[count++] = int(rsc->GetObjMustSem(n, i));
  for (int i = 1; i <= possible; ++i) codes[count++] = int(rsc->GetObjPosSem(n, i));
  if (Semn.Record() != nullptr) {
    TWorkSemantic* work = Semn.Cursor();
    for (work->GoFirst(); work->CurrentBlock() != nullptr; work->GoNext()) {
      const int code = work->CurrentCode();
      if (code == 0 || rsc->GetSemReply(code) != 0) continue;
      for (int i = 0; i < count; ++i) {
        if (codes[i] == code) {
          codes[i] = 0;
          break;
        }
      }
    }
  }
  int left = 0;
  for (int i = 0; i < count; ++i)
    if (codes[i] != 0) ++left;
  return left;
}

int TObjectInfo::AvailableSemanticCount() {
  int codes[kAvailableLimit];
  return AvailableSemanticCount(codes, kAvailableLimit);
}

int TObjectInfo::AvailableSemanticCode(int n) {
  int codes[kAvailableLimit] = {};  // the entries past the list stay 0
  const int count = AvailableSemanticCount(codes, kAvailableLimit);
  for (int i = 0, seen = 0; count > 0 && n >= 1 && i < kAvailableLimit; ++i)
    if (codes[i] != 0 && ++seen == n) return codes[i];
  Error = MAPERR_RSCRANGE;
  return 0;
}

// ---------------------------------------------------------------------------
// Changing

int TObjectInfo::AppendSemantic(int code, const char* text, int size) {
  TMapRsc* rsc = OpenRsc();
  TSemBlock block;
  if (rsc == nullptr || !BuildSemantic(rsc, code, text, size, &block)) return 0;
  return AppendSemanticBlock(rsc, block);
}

int TObjectInfo::DeleteSemantic(int n) {
  if (Semn.Record() == nullptr || Semn.Cursor()->GoNumber(n) == nullptr) return 0;
  return Semn.DeleteCurrent();
}

char* TObjectInfo::SetSemanticCode(int n, int code) {
  if (code < 0 || code > 0xFFFF || Semn.Record() == nullptr) return nullptr;
  char* block = Semn.Cursor()->GoNumber(n);
  if (block == nullptr) return nullptr;
  const WORD value = static_cast<WORD>(code);
  std::memcpy(block, &value, sizeof(value));
  Semn.SetChanged(1);
  return block;
}

const char* TObjectInfo::SetSemanticValue(int n, const char* text, int size) {
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || text == nullptr || Semn.Record() == nullptr) return nullptr;
  TWorkSemantic* work = Semn.Cursor();
  if (work->GoNumber(n) == nullptr) return nullptr;
  TSemBlock block;
  block.Code = static_cast<WORD>(work->CurrentCode());
  if (!LoadConverted(rsc->GetSemType(block.Code), text, &block.Value)) {
    // Anything else keeps the kind of value the characteristic holds.
    const TSemBase* value = work->CurrentValue();
    const int type = value->Type == SEMTYPE_DOS ? int(SEMTYPE_ANSI) : int(value->Type);
    if (block.Value.LoadAnyString(type, text, size) == 0) return nullptr;
  }
  return ReplaceSemantic(n, block) != nullptr ? text : nullptr;
}

int TObjectInfo::AlignSemantic() {
  TMapRsc* rsc = OpenRsc();
  const int count = SemanticAmount();
  if (rsc == nullptr || count < 2) return 0;
  // Every characteristic kept in order: a number of a semantic stored as a
  // number stays as it is (through a text it could lose digits, and an
  // angle shown in radians would be read back as degrees); any other value
  // is kept as its text.
  TSemnEdit kept;
  TWorkSemantic* work = Semn.Cursor();
  char text[kAlignText];
  for (int i = 1; i <= count; ++i) {
    if (work->GoNumber(i) == nullptr) break;
    const int code = work->CurrentCode();
    TSemBase* value = work->CurrentValue();
    if (IsNumeric(value) && IsTypedSemantic(rsc->GetSemType(DWORD(code)))) {
      kept.Append(reinterpret_cast<const TSemBlock*>(work->CurrentBlock()));
      continue;
    }
    if (value->StringValue(text, sizeof(text)) != nullptr)
      kept.AppendString(code, text, SEMTYPE_ANSI, sizeof(text));
  }
  Semn.Clear();
  if (kept.Record() != nullptr) {
    TWorkSemantic* from = kept.Cursor();
    for (from->GoFirst(); from->CurrentBlock() != nullptr; from->GoNext()) {
      const TSemBlock* block = reinterpret_cast<const TSemBlock*>(from->CurrentBlock());
      TSemBase* value = from->CurrentValue();
      if (!value->IsString()) {
        AppendSemanticBlock(rsc, *block);
        continue;
      }
      TSemBlock typed;
      char copy[kAlignText];
      value->StringValue(copy, sizeof(copy));
      if (BuildSemantic(rsc, block->Code, copy, sizeof(copy), &typed))
        AppendSemanticBlock(rsc, typed);
    }
  }
  Semn.SetChanged(1);
  return 1;
}
