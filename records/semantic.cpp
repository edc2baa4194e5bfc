#include "records/semantic.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/codepage.h"
#include "platform/numeric.h"

namespace {

template <class T>
T Get(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

template <class T>
void Put(void* p, T v) {
  std::memcpy(p, &v, sizeof(v));
}

double Pow10(int n) {
  static const double kPow[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (n >= 0 && n <= 22) return kPow[n];
  return std::pow(10.0, n);
}

// Truncation toward zero into 32 bits; values beyond the range saturate.
LONG Truncate(double v) { return plat::TruncateTo<LONG>(v); }

// "%f" text with a run of more than two trailing zeros cut after its first
// zero: 2.000000 -> 2.0, 1.500000 -> 1.50, 1.123400 stays.
void FormatFixed(char* out, size_t size, double v) {
  std::snprintf(out, size, "%f", v);
  size_t n = std::strlen(out);
  size_t zeros = 0;
  while (zeros < n && out[n - 1 - zeros] == '0') ++zeros;
  if (zeros > 2) out[n - zeros + 1] = 0;
}

// Value size by type; L is the string length byte.
int ValueSize(int type, int length) {
  switch (type) {
    case SEMTYPE_DOS:
    case SEMTYPE_ANSI:
      return length + 3;
    case SEMTYPE_CHAR:
      return 3;
    case SEMTYPE_SHORT:
      return 4;
    case SEMTYPE_LONG:
      return 6;
    case SEMTYPE_DOUBLE:
      return 10;
    default:
      return type + 2;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// One value

int TSemBase::ValueLength() const { return ValueSize(Type, Scale); }

int TSemBase::TextLength() const {
  if (!IsString()) return 0;
  return static_cast<int>(strnlen(Data, Scale));
}

double TSemBase::Scaled(double data) const {
  int s = static_cast<signed char>(Scale);
  if (s < 0) return data / Pow10(-s);
  if (s > 0) return data * Pow10(s);
  return data;
}

char* TSemBase::Value(const char* text, int size) {
  int limit = (size >= 1 && size <= 255) ? size : 255;
  int n = text != nullptr ? static_cast<int>(strnlen(text, limit)) : 0;
  int length = n | 1;  // odd: the block stays of even size
  if (n > 0) std::memmove(Data, text, n);
  std::memset(Data + n, 0, length - n + 1);
  Type = SEMTYPE_ANSI;
  Scale = static_cast<BYTE>(length);
  return Data;
}

int TSemBase::LoadAnyString(int type, const char* text, int size) {
  if (type == SEMTYPE_CHAR || type == SEMTYPE_SHORT || type == SEMTYPE_LONG ||
      type == SEMTYPE_DOUBLE) {
    int r = LoadStringNumber(text);
    if (r != 0) return r;
  }
  if (text == nullptr) return 0;
  if (type == SEMTYPE_DOS) {
    char buffer[260];
    int n = static_cast<int>(strnlen(text, 259));
    std::memcpy(buffer, text, n);
    buffer[n] = 0;
    cpText2Win(buffer, n);
    Value(buffer, size);
  } else {
    Value(text, size);
  }
  return 1;
}

int TSemBase::LoadStringNumber(const char* text) {
  if (text == nullptr) return 0;
  bool sign = false, negative = false, separator = false, significant = false, zero = false;
  char digits[40];
  int count = 0;
  int scale = 0;
  int pos = 0;
  for (; pos < 39 && text[pos] != 0; ++pos) {
    unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c == '-' || c == '+') {
      if (sign || significant) break;
      sign = true;
      negative = c == '-';
    } else if (c == '.' || c == ',') {
      if (separator) break;
      separator = true;
    } else if (c >= '1' && c <= '9') {
      significant = true;
      digits[count++] = static_cast<char>(c);
      if (separator) --scale;
    } else if (c == '0') {
      zero = true;
      if (significant) digits[count++] = '0';
      if (separator) --scale;
    } else if (c == ' ') {
      if (significant || zero || separator) break;
    } else if (c == 'e' || c == 'E' || c == 0xE5 || c == 0xC5) {
      // An exponent: the whole text is read as a floating-point number.
      char* end = nullptr;
      double v = std::strtod(text, &end);
      Type = SEMTYPE_LONG;
      Put<int32_t>(Data, Truncate(v));
      return static_cast<int>(end - text);
    } else {
      break;
    }
  }

  if (!significant) {
    if (zero) {
      Type = SEMTYPE_SHORT;
      Scale = 0;
      Put<int16_t>(Data, 0);
      return pos;
    }
    Value(text, 255);
    size_t n = std::strlen(text);
    return static_cast<int>(n < 256 ? n : 256);
  }

  if (scale < -16) {
    int drop = -16 - scale;
    count = count > drop ? count - drop : 0;
    scale = -16;
  }
  if (scale == 0 && count > 10) {
    char* end = nullptr;
    double v = std::strtod(text, &end);
    Type = SEMTYPE_DOUBLE;
    Scale = 0;
    Put<double>(Data, v);
    return static_cast<int>(end - text);
  }
  if (count > 10) {
    scale += count - 10;
    count = 10;
  }
  if (count == 10 && std::memcmp(digits, "2147483647", 10) > 0) {
    count = 9;
    scale += 1;
  }
  int64_t mantissa = 0;
  for (int i = 0; i < count; ++i) mantissa = mantissa * 10 + (digits[i] - '0');
  if (negative) mantissa = -mantissa;
  if (mantissa > -32767 && mantissa < 32767) {
    Type = SEMTYPE_SHORT;
    Put<int16_t>(Data, static_cast<int16_t>(mantissa));
  } else {
    Type = SEMTYPE_LONG;
    Put<int32_t>(Data, static_cast<int32_t>(mantissa));
  }
  Scale = static_cast<BYTE>(static_cast<signed char>(scale));
  return pos;
}

int TSemBase::LoadSemBase(const TSemBase* source) {
  if (source == nullptr) return 0;
  switch (source->Type) {
    case SEMTYPE_ANSI:
    case SEMTYPE_DOUBLE:
    case SEMTYPE_LONG:
    case SEMTYPE_SHORT:
      std::memmove(this, source, source->ValueLength());
      break;
    case SEMTYPE_DOS:
      std::memmove(this, source, source->ValueLength());
      cpText2Win(Data, Scale);
      Type = SEMTYPE_ANSI;
      break;
    default: {
      // Bytes and types outside the table: the first data byte as a signed
      // 16-bit integer with the same scale.
      int16_t v = static_cast<signed char>(source->Data[0]);
      BYTE scale = source->Scale;
      Type = SEMTYPE_SHORT;
      Scale = scale;
      Put<int16_t>(Data, v);
      break;
    }
  }
  return 1;
}

void TSemBase::LoadLong(LONG value) {
  Type = SEMTYPE_LONG;
  Scale = 0;
  Put<int32_t>(Data, value);
}

void TSemBase::LoadDouble(double value) {
  Type = SEMTYPE_DOUBLE;
  Scale = 0;
  Put<double>(Data, value);
}

char* TSemBase::StringValue(char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return nullptr;
  char text[400];
  if (Type == SEMTYPE_DOS) {
    cpText2Win(Data, Scale);
    Type = SEMTYPE_ANSI;
  }
  if (Type == SEMTYPE_ANSI) {
    int n = TextLength();
    std::memcpy(text, Data, n);
    text[n] = 0;
  } else if (Type == SEMTYPE_DOUBLE) {
    double v = Get<double>(Data);
    if (v < 0.0001 || v > 1e7)
      std::snprintf(text, sizeof(text), "%E", v);
    else
      FormatFixed(text, sizeof(text), v);
  } else if (Scale == 0) {
    std::snprintf(text, sizeof(text), "%d", static_cast<int>(LongValue()));
  } else {
    FormatFixed(text, sizeof(text), DoubleValue());
  }
  size_t n = std::strlen(text);
  if (n > static_cast<size_t>(size - 1)) n = size - 1;
  std::memcpy(buffer, text, n);
  std::memset(buffer + n, 0, size - n);
  return buffer;
}

char* TSemBase::StringInDos() {
  if (Type == SEMTYPE_ANSI) {
    cpWin2Dos(Data, Scale);
    Type = SEMTYPE_DOS;
    return Data;
  }
  return Type == SEMTYPE_DOS ? Data : nullptr;
}

char* TSemBase::StringInAnsi() {
  if (Type == SEMTYPE_DOS) {
    cpText2Win(Data, Scale);
    Type = SEMTYPE_ANSI;
    return Data;
  }
  return Type == SEMTYPE_ANSI ? Data : nullptr;
}

LONG TSemBase::LongValue() const {
  double data;
  switch (Type) {
    case SEMTYPE_CHAR:
      data = static_cast<signed char>(Data[0]);
      break;
    case SEMTYPE_SHORT:
      data = Get<int16_t>(Data);
      break;
    case SEMTYPE_LONG:
      if (Scale == 0) return Get<int32_t>(Data);
      data = Get<int32_t>(Data);
      break;
    case SEMTYPE_DOUBLE:
      return Truncate(Get<double>(Data));
    case SEMTYPE_DOS:
    case SEMTYPE_ANSI: {
      char text[260];
      int n = TextLength();
      std::memcpy(text, Data, n);
      text[n] = 0;
      int64_t v = std::strtoll(text, nullptr, 10);
      if (v > INT32_MAX) return INT32_MAX;
      if (v < INT32_MIN) return INT32_MIN;
      return static_cast<LONG>(v);
    }
    default:
      return -111111;
  }
  return Truncate(Scaled(data));
}

double TSemBase::DoubleValue() const {
  switch (Type) {
    case SEMTYPE_CHAR:
      return Scaled(static_cast<signed char>(Data[0]));
    case SEMTYPE_SHORT:
      return Scaled(Get<int16_t>(Data));
    case SEMTYPE_LONG:
      return Scaled(Get<int32_t>(Data));
    case SEMTYPE_DOUBLE:
      return Get<double>(Data);
    case SEMTYPE_DOS:
    case SEMTYPE_ANSI: {
      char text[260];
      int n = TextLength();
      std::memcpy(text, Data, n);
      text[n] = 0;
      return std::strtod(text, nullptr);
    }
    default:
      return 0.0;
  }
}

int TSemBase::Compare(TSemBase* other) {
  if (other == nullptr) return CMPSEM_NONE;
  if (IsString() && other->IsString()) {
    StringInAnsi();
    other->StringInAnsi();
    char mine[260], pattern[260];
    int n = TextLength();
    std::memcpy(mine, Data, n);
    mine[n] = 0;
    int m = other->TextLength();
    std::memcpy(pattern, other->Data, m);
    pattern[m] = 0;
    return CompareTemplateString(mine, pattern);
  }
  double d = DoubleValue() - other->DoubleValue();
  if (d < -1e-8) return CMPSEM_LESS;
  if (d > 1e-8) return CMPSEM_MORE;
  return CMPSEM_EQUAL;
}

void CopySemBlock(TSemBlock* to, const TSemBlock* from) {
  std::memcpy(static_cast<void*>(to), from, static_cast<size_t>(from->BlockLength()));
}

// ---------------------------------------------------------------------------
// The cursor

int SemanticBlockLength(const char* block, intptr_t available) {
  if (block == nullptr || available < 3) return 0;
  int type = static_cast<unsigned char>(block[2]);
  int length = 0;
  if (type == SEMTYPE_DOS || type == SEMTYPE_ANSI) {
    if (available < 4) return 0;
    length = static_cast<unsigned char>(block[3]);
  }
  int size = 2 + ValueSize(type, length);
  return size <= available ? size : 0;
}

bool SemanticsSound(const char* record, DWORD size) {
  if (size < DWORD(SEMANTIC_HEAD) || size > DWORD(SEMANTIC_MAXLENGTH)) return false;
  SEMANTIC head;
  std::memcpy(&head, record, sizeof(head));
  if (head.Ident != SEMANTIC_IDENT || head.Length != size) return false;
  for (DWORD at = SEMANTIC_HEAD; at < size;) {
    const int length = SemanticBlockLength(record + at, intptr_t(size - at));
    if (length <= 0) return false;
    at += DWORD(length);
  }
  return true;
}

char* TWorkSemantic::Access(char* blocks, LONG length, LONG limit) {
  CanInsert = 1;
  LengthChecked = 0;
  Changed = 0;
  if (blocks == nullptr) {
    Current = End = Start = nullptr;
    SemBytes = Limit = 0;
    Number = 0;
    CanInsert = 0;
    LengthChecked = 1;
    return nullptr;
  }
  if (length < 1) {
    length = 0;
    LengthChecked = 1;
  }
  if (limit < 0) limit = 0;
  if (limit >= 1) {
    if (length > limit) length = limit;
  } else {
    limit = length;
    CanInsert = 0;
  }
  Start = blocks;
  SemBytes = length;
  Limit = limit;
  End = Start + length;
  Current = Start;
  Number = 1;
  Settle();
  return CurrentBlock();
}

void TWorkSemantic::TruncateAtCurrent() {
  End = Current;
  SemBytes = static_cast<LONG>(End - Start);
}

void TWorkSemantic::Settle() {
  if (Start == nullptr) return;
  if (Current < End && SemanticBlockLength(Current, End - Current) == 0) TruncateAtCurrent();
  if (Current == End) {
    LengthChecked = 1;
    if (SemBytes < Limit) CanInsert = 1;
  }
}

int TWorkSemantic::CurrentCode() const {
  char* block = CurrentBlock();
  return block != nullptr ? Get<WORD>(block) : 0;
}

TSemBase* TWorkSemantic::CurrentValue() const {
  char* block = CurrentBlock();
  return block != nullptr ? reinterpret_cast<TSemBase*>(block + 2) : nullptr;
}

char* TWorkSemantic::GoFirst() {
  if (Start == nullptr) return nullptr;
  Current = Start;
  Number = 1;
  Settle();
  return CurrentBlock();
}

char* TWorkSemantic::GoNext() {
  if (Start == nullptr || Current >= End) return nullptr;
  int size = SemanticBlockLength(Current, End - Current);
  if (size == 0) {
    TruncateAtCurrent();
    Settle();
    return nullptr;
  }
  Current += size;
  ++Number;
  Settle();
  return CurrentBlock();
}

char* TWorkSemantic::GoEnd() {
  if (Start == nullptr) return nullptr;
  while (Current < End) GoNext();
  return End;
}

char* TWorkSemantic::GoNumber(int number) {
  if (Start == nullptr || number < 1) return nullptr;
  if (number < Number) GoFirst();
  while (Number < number && Current < End) GoNext();
  return Number == number ? CurrentBlock() : nullptr;
}

int TWorkSemantic::CheckSemLength() {
  if (Start == nullptr) return 0;
  intptr_t offset = Current - Start;
  int number = Number;
  GoFirst();
  while (Current < End) GoNext();
  if (offset < SemBytes) {
    Current = Start + offset;
    Number = number;
  }
  return SemBytes;
}

int TWorkSemantic::SemanticsAmount() {
  if (Start == nullptr || SemBytes < 5) return 0;
  intptr_t offset = Current - Start;
  int number = Number;
  int count = 0;
  for (GoFirst(); CurrentBlock() != nullptr; GoNext()) ++count;
  if (offset < SemBytes) {
    Current = Start + offset;
    Number = number;
  }
  return count;
}

char* TWorkSemantic::FindCode(int code) {
  if (Start == nullptr || SemBytes < 5) return nullptr;
  for (GoFirst(); CurrentBlock() != nullptr; GoNext())
    if (CurrentCode() == code) return Current;
  return nullptr;
}

char* TWorkSemantic::FindCodeNext(int code) {
  if (CurrentBlock() == nullptr) return nullptr;
  while (GoNext() != nullptr)
    if (CurrentCode() == code) return Current;
  return nullptr;
}

char* TWorkSemantic::FindBlock(TSemBlock* block) {
  if (block == nullptr) return nullptr;
  for (char* p = FindCode(block->Code); p != nullptr; p = FindCodeNext(block->Code)) {
    TSemBlock pattern;
    CopySemBlock(&pattern, block);
    if (CurrentValue()->Compare(&pattern.Value) == CMPSEM_EQUAL) return p;
  }
  return nullptr;
}

char* TWorkSemantic::Insert(const TSemBlock* block) {
  if (Start == nullptr || block == nullptr) return nullptr;
  TSemBlock copy;  // the block may lie in the record itself
  CopySemBlock(&copy, block);
  if (!LengthChecked) CheckSemLength();
  int size = copy.BlockLength();
  if (!CanInsert || (End - Start) + size > Limit) return nullptr;
  std::memmove(Current + size, Current, End - Current);
  std::memcpy(Current, &copy, size);
  End += size;
  SemBytes += size;
  Changed = 1;
  return Current;
}

int TWorkSemantic::Delete() {
  if (Start == nullptr || SemBytes < 5 || Current >= End) return 0;
  int size = SemanticBlockLength(Current, End - Current);
  if (size == 0) return 0;
  std::memmove(Current, Current + size, End - (Current + size));
  End -= size;
  SemBytes -= size;
  Changed = 1;
  Settle();
  return 1;
}

char* TWorkSemantic::Replace(const TSemBlock* block) {
  if (Start == nullptr || block == nullptr) return nullptr;
  TSemBlock copy;
  CopySemBlock(&copy, block);
  if (!LengthChecked) CheckSemLength();
  // Checked before anything is deleted, so that a block that does not fit
  // leaves the old one in place.
  int old = CurrentBlock() != nullptr ? SemanticBlockLength(Current, End - Current) : 0;
  if (!CanInsert || SemBytes - old + copy.BlockLength() > Limit) return nullptr;
  if (old != 0) Delete();
  return Insert(&copy);
}

char* TWorkSemantic::Append(const TSemBlock* block) {
  if (Start == nullptr) return nullptr;
  GoEnd();
  return Insert(block);
}

char* TWorkSemantic::ReplyValue(const char* text, int size) {
  TSemBase* value = CurrentValue();
  if (value == nullptr) return nullptr;
  TSemBlock block;
  block.Code = static_cast<WORD>(CurrentCode());
  int type = value->Type == SEMTYPE_DOS ? int(SEMTYPE_ANSI) : int(value->Type);
  if (block.Value.LoadAnyString(type, text, size) == 0) return nullptr;
  return Replace(&block);
}

int TWorkSemantic::Length(int length) {
  if (Start == nullptr) return 0;
  if (length < 0) length = 0;
  if (length > Limit) length = Limit;
  SemBytes = length;
  End = Start + length;
  if (length == 0) Changed = 0;
  LengthChecked = 0;
  GoFirst();
  CheckSemLength();
  return SemBytes;
}

int TWorkSemantic::Load(TWorkSemantic* source) {
  if (source == nullptr || source == this || Start == nullptr || source->Start == nullptr)
    return SemBytes;
  // Blocks that overlap this record would move under the walk.
  if (source->Start < Start + Limit && Start < source->End) return SemBytes;
  const char* p = source->Start;
  while (p < source->End) {
    int size = SemanticBlockLength(p, source->End - p);
    if (size == 0) break;
    TSemBlock block;
    std::memcpy(&block, p, size);
    if (Insert(&block) == nullptr) break;
    Current += size;
    ++Number;
    p += size;
  }
  Settle();
  Changed = 0;
  return SemBytes;
}

void TWorkSemantic::ConvertStrings(char* (TSemBase::*convert)()) {
  if (Start == nullptr) return;
  intptr_t offset = Current - Start;
  int number = Number;
  for (GoFirst(); CurrentBlock() != nullptr; GoNext()) (CurrentValue()->*convert)();
  if (offset < SemBytes) {
    Current = Start + offset;
    Number = number;
  }
}

void TWorkSemantic::StringsInDos() { ConvertStrings(&TSemBase::StringInDos); }

void TWorkSemantic::StringsInAnsi() { ConvertStrings(&TSemBase::StringInAnsi); }

char* TWorkSemantic::FindCodeAndValue(int code, const char* text) {
  if (text == nullptr) return nullptr;
  char* block = FindCode(code);
  if (block == nullptr) return nullptr;
  char value[300];
  CurrentValue()->StringValue(value, sizeof(value));
  size_t n = std::strlen(text);
  if (std::strlen(value) < n) return nullptr;
  for (size_t i = 0; i < n; ++i)
    if (FoldCase1251(static_cast<unsigned char>(value[i])) !=
        FoldCase1251(static_cast<unsigned char>(text[i])))
      return nullptr;
  return block;
}

char* TWorkSemantic::FindCodeAndValue(int code, LONG value) {
  char* block = FindCode(code);
  if (block == nullptr || CurrentValue()->LongValue() != value) return nullptr;
  return block;
}

char* TWorkSemantic::FindCodeAndValue(int code, const double& value) {
  char* block = FindCode(code);
  if (block == nullptr || CurrentValue()->DoubleValue() != value) return nullptr;
  return block;
}

int TWorkSemantic::CompareCodeAndValue(int code, const char* text) {
  if (text == nullptr || FindCode(code) == nullptr) return CMPSEM_NONE;
  char value[300];
  CurrentValue()->StringValue(value, sizeof(value));
  return CompareTemplateString(value, text);
}

int TWorkSemantic::CompareCodeAndValue(int code, LONG value) {
  if (FindCode(code) == nullptr) return CMPSEM_NONE;
  LONG v = CurrentValue()->LongValue();
  return v < value ? int(CMPSEM_LESS) : v > value ? int(CMPSEM_MORE) : int(CMPSEM_EQUAL);
}

int TWorkSemantic::CompareCodeAndValue(int code, const double& value) {
  if (FindCode(code) == nullptr) return CMPSEM_NONE;
  double v = CurrentValue()->DoubleValue();
  return v < value ? int(CMPSEM_LESS) : v > value ? int(CMPSEM_MORE) : int(CMPSEM_EQUAL);
}
