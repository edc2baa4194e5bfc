// The semantics record of a map object: its characteristics, each a numeric
// code with one value, and the cursor that walks and edits them in place.
//
// SEMANTIC (little-endian): u16 marker 0x7FFF, u16 total length (the head
// included; 4 for a record without characteristics), then characteristic
// blocks back to back. A block is a u16 code and a value (TSemBase): u8 type,
// u8 string length or decimal scale, then the data.
#pragma once

#include "platform/export.h"
#include "platform/win_types.h"

enum : int {
  SEMANTIC_IDENT = 0x7FFF,
  SEMANTIC_HEAD = 4,
  SEMANTIC_MAXLENGTH = 0xFFFF,  // the length field is 16 bits wide
  SEMANTIC_OBJECTCODE = 32800,  // keeps an object code the classifier lacks
};

// Value types.
enum : int {
  SEMTYPE_DOS = 0,      // string in code page 866
  SEMTYPE_CHAR = 1,     // signed 8-bit integer x 10^scale
  SEMTYPE_SHORT = 2,    // signed 16-bit integer x 10^scale
  SEMTYPE_LONG = 4,     // signed 32-bit integer x 10^scale
  SEMTYPE_DOUBLE = 8,   // double (the scale is carried, not applied)
  SEMTYPE_ANSI = 126,   // string in code page 1251
};

// Results of value comparisons.
enum : int {
  CMPSEM_NONE = 0,   // an argument is missing
  CMPSEM_LESS = 1,
  CMPSEM_EQUAL = 2,  // equal, or matching the template
  CMPSEM_MORE = 4,
  CMPSEM_NOMATCH = 5,
};

#pragma pack(push, 1)
struct SEMANTIC {
  WORD Ident;
  WORD Length;
};
static_assert(sizeof(SEMANTIC) == 4);

// One characteristic value. Inside a record only its own ValueLength()
// bytes exist: the readers never look further. The writers (Value, the
// Load* operations) need the full object, as a TSemBlock holds it.
class MAPCLASS TSemBase {
 public:
  BYTE Type;
  BYTE Scale;  // strings: the text length L; numbers: a signed decimal scale
  char Data[256];

  // Stores text as a code-page-1251 string of at most `size` characters
  // (size outside 1..255 means 255); returns the stored text.
  char* Value(const char* text, int size);
  // A number for the numeric types when the text parses as one, else the
  // text as a string (a type-0 text is read as code page 866). 0 for a null
  // text.
  int LoadAnyString(int type, const char* text, int size);
  // Parses a decimal number (types 2, 4 or 8 by its size), or keeps a text
  // without digits as a string. Returns the characters taken, 0 on failure.
  int LoadStringNumber(const char* text);
  // Copies a value of the same layout; strings become code page 1251 and
  // bytes are widened to 16 bits.
  int LoadSemBase(const TSemBase* source);
  void LoadLong(LONG value);
  void LoadDouble(double value);

  // The value as text in the buffer (always terminated within size);
  // 0 when there is no buffer.
  char* StringValue(char* buffer, int size);
  char* StringInDos();
  char* StringInAnsi();
  LONG LongValue() const;
  double DoubleValue() const;
  // 1 less, 2 equal (or matching when both are strings and the other is a
  // template), 4 greater, 5 no match; 0 without the other value.
  int Compare(TSemBase* other);
  // Size of the value in bytes, type and length bytes included.
  int ValueLength() const;

  bool IsString() const { return Type == SEMTYPE_DOS || Type == SEMTYPE_ANSI; }
  // Length of the stored text (strings only): up to its first zero, at most L.
  int TextLength() const;
  const char* Text() const { return Data; }

 private:
  double Scaled(double data) const;
};
static_assert(sizeof(TSemBase) == 258);

// One characteristic block in memory: the code and room for the largest
// value. A fresh one holds the integer 0.
struct TSemBlock {
  WORD Code;
  TSemBase Value;

  TSemBlock() : Code(0) { Value.LoadLong(0); }
  // Bytes the block takes in a record.
  int BlockLength() const { return 2 + Value.ValueLength(); }
};
static_assert(sizeof(TSemBlock) == 260);
#pragma pack(pop)

// Copies a block by its own length: a block given by address may lie inside
// a record with nothing behind it.
void CopySemBlock(TSemBlock* to, const TSemBlock* from);

// A one-pointer view of an object's semantics record, passed by value.
class TObjectSemn {
 public:
  TObjectSemn(SEMANTIC* record = nullptr) : Semn(record) {}
  SEMANTIC* Semn;
};

// Size of the block at `block` when at least `available` bytes of it can be
// read and it fits in them; 0 otherwise.
int SemanticBlockLength(const char* block, intptr_t available);

// Whether `size` bytes at `record` hold one semantics record of that length
// made of whole characteristics.
bool SemanticsSound(const char* record, DWORD size);

// Cursor over the characteristic blocks of one record (from the record's
// byte 4 on). Every walk is bounded by the length it was given: a block that
// runs past it cuts the blocks off there.
class MAPCLASS TWorkSemantic {
 public:
  TWorkSemantic() { Access(nullptr, 0, 0); }

  // Attaches length bytes of blocks with room for limit bytes (limit 0: the
  // length, and no inserting). Returns the first block.
  char* Access(char* blocks, LONG length, LONG limit);
  char* GoFirst();
  char* GoNext();
  char* GoEnd();
  char* GoNumber(int number);
  int CheckSemLength();
  int SemanticsAmount();
  char* FindCode(int code);
  char* FindCodeNext(int code);
  char* FindBlock(TSemBlock* block);
  char* Insert(const TSemBlock* block);
  int Delete();
  char* Replace(const TSemBlock* block);
  char* Append(const TSemBlock* block);
  char* ReplyValue(const char* text, int size);
  int Length(int length);
  int Load(TWorkSemantic* source);
  void StringsInDos();
  void StringsInAnsi();
  char* FindCodeAndValue(int code, const char* text);
  char* FindCodeAndValue(int code, LONG value);
  char* FindCodeAndValue(int code, const double& value);
  int CompareCodeAndValue(int code, const char* text);
  int CompareCodeAndValue(int code, LONG value);
  int CompareCodeAndValue(int code, const double& value);

  // The current block (null at the end), its code and value.
  char* CurrentBlock() const { return (Current != nullptr && Current < End) ? Current : nullptr; }
  int CurrentCode() const;
  TSemBase* CurrentValue() const;
  int CurrentNumber() const { return Number; }
  LONG SemLength() const { return SemBytes; }
  LONG SemLimit() const { return Limit; }
  char* Blocks() const { return Start; }
  int IsChanged() const { return Changed; }
  void SetChanged(int changed) { Changed = changed; }

 private:
  friend class TSemnEdit;
  // Checks the block at Current; cuts the blocks off at a block that does
  // not fit. Marks the length checked at the end.
  void Settle();
  void TruncateAtCurrent();
  // Converts the text of every value in place; the current block stays.
  void ConvertStrings(char* (TSemBase::*convert)());

  char* Current;
  int CanInsert;
  int LengthChecked;
  LONG SemBytes;
  LONG Limit;
  char* End;
  char* Start;
  int Number;
  int Changed;
};

// Compares a text with a template that may hold '*' (any run of characters)
// and '?' (one character), without regard to case and ignoring trailing
// blanks: 2 match, 1 the text sorts before the template, 4 after it, 5 no
// match, 0 when an argument is null.
int CompareTemplateString(const char* string, const char* pattern);
