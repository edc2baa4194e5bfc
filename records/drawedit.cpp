#include "records/drawedit.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "records/primitives.h"
#include "records/semantic_memory.h"

namespace {

DWORD Word(const char* p) {
  DWORD v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

void SetWord(char* p, DWORD v) { std::memcpy(p, &v, sizeof(v)); }

void SetHalf(char* p, WORD v) { std::memcpy(p, &v, sizeof(v)); }

WORD Half(const char* p) {
  WORD v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

void SetWords(char* p, std::initializer_list<DWORD> words) {
  for (DWORD w : words) {
    SetWord(p, w);
    p += 4;
  }
}

// Parameters that lie inside the block being edited are copied aside
// first: the record shifts, and may move to a new block, while the element
// is written. The copy is zero-padded to at least kPadded bytes so that the
// length words of any primitive can be read; lengths taken from it are then
// checked against the bytes the block really had.
class ParmsGuard {
 public:
  static constexpr LONG kPadded = 256;

  ParmsGuard(const char* parms, const void* block, LONG size) : parms_(parms) {
    const char* b = static_cast<const char*>(block);
    if (parms != nullptr && b != nullptr && parms >= b && parms < b + size) {
      available_ = static_cast<LONG>(b + size - parms);
      copy_ = RecordBlockAlloc(available_ < kPadded ? kPadded : available_);
      if (copy_ != nullptr) std::memcpy(copy_, parms, available_);
      parms_ = copy_;
    }
  }
  // False when the parameters came from the block and it held fewer than
  // `bytes` of them.
  bool Holds(int64_t bytes) const { return available_ < 0 || bytes <= available_; }
  ~ParmsGuard() { RecordBlockFree(copy_); }
  ParmsGuard(const ParmsGuard&) = delete;
  ParmsGuard& operator=(const ParmsGuard&) = delete;

  const char* get() const { return parms_; }
  // Bytes readable at get(), or -1 when the caller vouches for them.
  LONG available() const { return available_; }

 private:
  const char* parms_;
  char* copy_ = nullptr;
  LONG available_ = -1;
};

// Gives colour to the uppermost subject of a vector sign image that has a
// colour word and a line of two points or more. The walk stays within the
// image's own length and the bytes available.
bool SetVectorColour(char* image, int64_t available, DWORD colour, DWORD* old) {
  const int64_t kHead = 56;
  if (image == nullptr || available < kHead) return false;
  int64_t end = std::min<int64_t>(Word(image), available);
  if (end < kHead) return false;
  DWORD count = Word(image + 52);
  int64_t offset = kHead;
  int64_t found = -1;
  for (DWORD i = 0; i < count; ++i) {
    if (offset + 8 > end) break;
    int64_t parms = Half(image + offset + 2);
    if (offset + 4 + parms + 4 > end) break;
    int64_t points = Word(image + offset + 4 + parms);
    int64_t size = 8 + parms + 8 * points;
    if (offset + size > end) break;
    if (parms >= 4 && points >= 2) found = offset + 4;
    offset += size;
  }
  if (found < 0) return false;
  *old = Word(image + found);
  SetWord(image + found, colour);
  return true;
}

// The vector image nested in a line-with-signs primitive: the first nested
// part from `first` (1-based) to 7 whose data is longer than `minData`
// bytes. Parts start at `offset` of the parameters.
char* NestedImage(char* parms, int64_t length, int64_t offset, int first, int64_t minData,
                  int64_t* available) {
  for (int part = 1; part <= 7; ++part) {
    if (offset + IMGELEMENT_HEAD > length) return nullptr;
    int64_t size = Half(parms + offset);
    if (size < IMGELEMENT_HEAD || offset + size > length) return nullptr;
    if (part >= first && size - IMGELEMENT_HEAD > minData) {
      *available = size - IMGELEMENT_HEAD;
      return parms + offset + IMGELEMENT_HEAD;
    }
    offset += size;
  }
  return nullptr;
}

}  // namespace

void TDrawEdit::Init() {
  Draw = nullptr;
  Size = 0;
  OwnBlock = nullptr;
  Current = 0;
  Changed = 0;
}

void TDrawEdit::ReleaseOwn() {
  if (OwnBlock != nullptr) {
    if (reinterpret_cast<char*>(Draw) == OwnBlock) {
      Draw = nullptr;
      Size = 0;
    }
    RecordBlockFree(OwnBlock);
    OwnBlock = nullptr;
  }
}

bool TDrawEdit::Valid() const {
  if (Draw == nullptr || Size < IMGDRAW_HEAD) return false;
  return Draw->Ident == IMGDRAW_IDENT && Draw->Length >= static_cast<DWORD>(IMGDRAW_HEAD) &&
         Draw->Length <= static_cast<DWORD>(Size);
}

LONG TDrawEdit::Length() const { return Valid() ? static_cast<LONG>(Draw->Length) : 0; }

int TDrawEdit::Count() const { return Valid() ? Draw->Count : 0; }

int TDrawEdit::IsSpline() const { return Valid() ? (Draw->Flags & IMGDRAW_SPLINE) : 0; }

int TDrawEdit::Allocate(int size) {
  ReleaseOwn();
  Draw = nullptr;
  Size = 0;
  Current = 0;
  if (size < 1) return 0;
  LONG bytes = size < IMGDRAW_HEAD + 8 ? IMGDRAW_HEAD + 8 : size;
  char* block = RecordBlockAlloc(bytes);
  if (block == nullptr) return 0;
  OwnBlock = block;
  Draw = reinterpret_cast<IMGDRAW*>(block);
  Size = bytes;
  return Clear();
}

int TDrawEdit::Clear() {
  if (Draw == nullptr) return Allocate(4096);
  IMGDRAW head = {IMGDRAW_IDENT, static_cast<DWORD>(IMGDRAW_HEAD), 0, 0};
  std::memcpy(Draw, &head, sizeof(head));
  if (Size >= IMGDRAW_HEAD + 8) std::memset(reinterpret_cast<char*>(Draw) + IMGDRAW_HEAD, 0, 8);
  Current = 0;
  return 1;
}

int TDrawEdit::SetBuffer(char* record, LONG size) {
  Changed = 0;
  ReleaseOwn();
  Draw = nullptr;
  Size = 0;
  Current = 0;
  if (record == nullptr || size < IMGDRAW_HEAD) return 0;
  IMGDRAW head;
  std::memcpy(&head, record, sizeof(head));
  if (head.Ident == IMGDRAW_IDENT &&
      (head.Length < static_cast<DWORD>(IMGDRAW_HEAD) || head.Length > static_cast<DWORD>(size)))
    return 0;
  Draw = reinterpret_cast<IMGDRAW*>(record);
  Size = size;
  return 1;
}

bool TDrawEdit::Grow(LONG need) {
  if (need <= Size) return true;
  if (need > IMGDRAW_MAXLENGTH) return false;
  LONG bytes = need + 4096;
  char* block = RecordBlockAlloc(bytes);
  if (block == nullptr) return false;
  std::memcpy(block, Draw, Draw->Length);
  if (OwnBlock != nullptr) RecordBlockFree(OwnBlock);
  OwnBlock = block;
  Draw = reinterpret_cast<IMGDRAW*>(block);
  Size = bytes;
  Current = 1;
  return true;
}

bool TDrawEdit::Adopt(const char* source, LONG length) {
  if (Draw != nullptr && length <= Size) {
    std::memmove(Draw, source, length);
    return true;
  }
  LONG bytes = length < 4096 ? 4096 : length;
  char* block = RecordBlockAlloc(bytes);
  if (block == nullptr) return false;
  std::memcpy(block, source, length);
  if (OwnBlock != nullptr) RecordBlockFree(OwnBlock);
  OwnBlock = block;
  Draw = reinterpret_cast<IMGDRAW*>(block);
  Size = bytes;
  return true;
}

LONG TDrawEdit::Load(TObjectDraw source) {
  IMGDRAW* s = source.Draw;
  if (s != nullptr && s == Draw) return Length();
  ParmsGuard guard(reinterpret_cast<const char*>(s), Draw, Size);
  const char* src = guard.get();
  Clear();
  if (src == nullptr) return 0;
  IMGDRAW head;
  if (guard.available() >= 0 && guard.available() < IMGDRAW_HEAD) return 0;
  std::memcpy(&head, src, sizeof(head));
  if (head.Ident != IMGDRAW_IDENT) return 0;
  if (head.Length < static_cast<DWORD>(IMGDRAW_HEAD) ||
      head.Length > static_cast<DWORD>(IMGDRAW_MAXLENGTH))
    return 0;
  LONG length = static_cast<LONG>(head.Length);
  if (guard.available() >= 0 && length > guard.available()) return 0;
  if (!Adopt(src, length)) return 0;
  Current = 1;
  return length;
}

int TDrawEdit::Load(int code, const char* parms) {
  ParmsGuard guard(parms, Draw, Size);
  Clear();
  if (!IsElement(code) || code == PRIM_SET)
    Func2Elements(code, guard.get());
  else
    AppendElement(code, guard.get());
  Current = 1;
  return Count();
}

int TDrawEdit::PutElement(char* at, int code, const char* parms, int length) {
  if (Draw->Count == 0xFFFF) return 0;
  LONG old = static_cast<LONG>(Draw->Length);
  LONG offset = at != nullptr ? static_cast<LONG>(at - reinterpret_cast<char*>(Draw)) : old;
  LONG need = old + length + IMGELEMENT_HEAD;
  if (!Grow(need)) return 0;
  char* base = reinterpret_cast<char*>(Draw);
  std::memmove(base + offset + length + IMGELEMENT_HEAD, base + offset, old - offset);
  IMGELEMENT head = {static_cast<WORD>(length + IMGELEMENT_HEAD), static_cast<WORD>(code)};
  std::memcpy(base + offset, &head, sizeof(head));
  std::memcpy(base + offset + IMGELEMENT_HEAD, parms, length);
  Draw->Count = static_cast<WORD>(Draw->Count + 1);
  Draw->Length = static_cast<DWORD>(need);
  Changed = 1;
  return 1;
}

int TDrawEdit::AppendChecked(int code, const char* parms, LONG available) {
  if (!Valid() || parms == nullptr) return 0;
  int length = ElementParmLength(code, parms);
  if (length <= 0 || length > IMGELEMENT_MAXPARM) return 0;
  if (available >= 0 && length > available) return 0;
  if (!PutElement(nullptr, code, parms, length)) return 0;
  Current = Draw->Count;
  return Current;
}

int TDrawEdit::AppendElement(int code, const char* parms) {
  if (Draw == nullptr && !Allocate(4096)) return 0;
  if (parms == nullptr) return 0;
  ParmsGuard guard(parms, Draw, Size);
  if (guard.get() == nullptr) return 0;
  if (!IsElement(code)) return Func2Elements(code, guard.get()) > 0 ? Count() : 0;
  return AppendChecked(code, guard.get(), guard.available());
}

int TDrawEdit::InsertElement(int n, int code, const char* parms) {
  if (parms == nullptr) return 0;
  ParmsGuard guard(parms, Draw, Size);
  const char* p = guard.get();
  if (p == nullptr) return 0;
  int length = ElementParmLength(code, p);
  if (length <= 0 || length > IMGELEMENT_MAXPARM || !guard.Holds(length)) return 0;
  if (Draw == nullptr && !Allocate(4096)) return 0;
  if (!Valid()) return 0;
  if (n > Count()) {
    if (!PutElement(nullptr, code, p, length)) return 0;
    Current = Draw->Count;
    return Current;
  }
  char* at = DrawElementAddress(Draw, Size, n);
  if (at == nullptr) return 0;
  if (!PutElement(at, code, p, length)) return 0;
  Current = n;
  return n;
}

int TDrawEdit::ReplaceElement(int n, int code, const char* parms) {
  if (parms == nullptr) return 0;
  ParmsGuard guard(parms, Draw, Size);
  const char* p = guard.get();
  if (p == nullptr || !guard.Holds(ElementParmLength(code, p))) return 0;
  if (Count() > 0) {
    // The new element goes in first: when it cannot be had, the old one
    // stays where it was.
    if (DrawElementAddress(Draw, Size, n) == nullptr) return 0;
    if (InsertElement(n, code, p) != n) return 0;
    DeleteElement(n + 1);
    Current = n;
    return n;
  }
  return InsertElement(n, code, p);
}

int TDrawEdit::DeleteElement(int n) {
  char* at = Valid() ? DrawElementAddress(Draw, Size, n) : nullptr;
  if (at == nullptr) {
    Current = 0;
    return 0;
  }
  char* base = reinterpret_cast<char*>(Draw);
  LONG length = Half(at);
  LONG offset = static_cast<LONG>(at - base);
  LONG total = static_cast<LONG>(Draw->Length);
  std::memmove(at, at + length, total - offset - length);
  Draw->Length = static_cast<DWORD>(total - length);
  Draw->Count = static_cast<WORD>(Draw->Count - 1);
  Current = offset < total - length ? n : 1;
  Changed = 1;
  return 1;
}

int TDrawEdit::ElementMove(int from, int to) {
  int count = Count();
  if (from < 1 || from > count || to < 1 || to > count) return 0;
  if (from == to) return to;
  char* a = DrawElementAddress(Draw, Size, from);
  char* b = DrawElementAddress(Draw, Size, to);
  if (a == nullptr || b == nullptr) return 0;
  if (from < to)
    std::rotate(a, a + Half(a), b + Half(b));  // a goes after b
  else
    std::rotate(b, a, a + Half(a));  // a goes before b
  Current = to;
  Changed = 1;
  return to;
}

int TDrawEdit::Func2Elements(int code, const char* parms) {
  if (parms == nullptr || code < PRIM_EMPTY || code > PRIM_SET) return 0;
  ParmsGuard guard(parms, Draw, Size);
  const char* p = guard.get();
  if (p == nullptr) return 0;
  if (Draw == nullptr && !Allocate(4096)) return 0;

  if (code == PRIM_SET) {
    // A whole graphics record takes the place of this one.
    if (guard.available() >= 0 && guard.available() < IMGDRAW_HEAD) return 0;
    if (Word(p) != IMGDRAW_IDENT) return 0;
    DWORD length = Word(p + 4);
    if (length < static_cast<DWORD>(IMGDRAW_HEAD) || length > static_cast<DWORD>(IMGDRAW_MAXLENGTH))
      return 0;
    if (guard.available() >= 0 && static_cast<LONG>(length) > guard.available()) return 0;
    if (!Adopt(p, static_cast<LONG>(length))) return 0;
    Draw->Flags &= IMGDRAW_SPLINE;
    Current = 1;
    Changed = 1;
    return Draw->Count;
  }

  struct Step {
    int code;
    const char* parms;
  };
  // Bytes of parameters each composite code reads.
  int64_t needed = 0;
  switch (code) {
    case PRIM_LINE_DOT:
    case PRIM_LINE_OVERDOT:
    case PRIM_LINE_OVERDOT_SCALED: needed = 24; break;
    case PRIM_TWO_LINES: needed = 16; break;
    case PRIM_DOT_TWO_LINES: case PRIM_TWO_DOTS: needed = 32; break;
    case PRIM_BITMAP32: needed = 144; break;
    default: return 0;
  }
  if (!guard.Holds(needed)) return 0;
  Step steps[3];
  int n = 0;
  char buffer[152];
  switch (code) {
    case PRIM_LINE_DOT:
      steps[n++] = {PRIM_LINE, p};
      steps[n++] = {PRIM_DOT, p + 8};
      break;
    case PRIM_TWO_LINES:
      steps[n++] = {PRIM_LINE, p};
      steps[n++] = {PRIM_LINE, p + 8};
      break;
    case PRIM_DOT_TWO_LINES:
      steps[n++] = {PRIM_DOT, p};
      steps[n++] = {PRIM_LINE, p + 16};
      steps[n++] = {PRIM_LINE, p + 24};
      break;
    case PRIM_TWO_DOTS:
      steps[n++] = {PRIM_DOT, p};
      steps[n++] = {PRIM_DOT, p + 16};
      break;
    case PRIM_LINE_OVERDOT:
    case PRIM_LINE_OVERDOT_SCALED:
      // The overlay is an offset dashed line: no offset, or for the second
      // scaling minus the overlay's thickness.
      std::memcpy(buffer, p + 8, 16);
      SetWord(buffer + 16, code == PRIM_LINE_OVERDOT ? 0 : 0u - Word(p + 12));
      steps[n++] = {PRIM_LINE, p};
      steps[n++] = {PRIM_OFFSET_DOT, buffer};
      break;
    case PRIM_BITMAP32:
      // One layer of a layered bitmap sign of 152 bytes.
      SetWords(buffer, {152, 1, Word(p + 4), Word(p + 8), Word(p + 12), Word(p)});
      std::memcpy(buffer + 24, p + 16, 128);
      steps[n++] = {PRIM_BITMAP, buffer};
      break;
    default:
      return 0;
  }
  int appended = 0;
  for (int i = 0; i < n; ++i) {
    if (AppendChecked(steps[i].code, steps[i].parms) == 0) break;
    ++appended;
  }
  return appended;
}

int TDrawEdit::Init(int code, char* parms) {
  if (parms == nullptr) return 0;
  // A fixed-length record takes its length from the table; the defaults
  // of a record that carries its own length are this long.
  int length = PrimitiveOf(code).Length;
  switch (code) {
    case PRIM_BITMAP: length = 152; break;
    case PRIM_LAYERED_PATTERN: length = 156; break;
    case PRIM_DECORATED_SHORT: length = 40; break;
    case PRIM_DECORATED: length = 64; break;
    case PRIM_SET: length = 12; break;
    case PRIM_VECTOR: length = 56; break;
    case PRIM_TEMPLATE: length = 104; break;
    case PRIM_ANGLE_HATCH: length = 24; break;
    case PRIM_AREA_SIGNS: length = 76; break;
    case PRIM_PATTERN_LINE: length = 40; break;
    case PRIM_OFFSET_LINE: length = 20; break;
    default: break;
  }
  if (length == 0) return 0;
  std::memset(parms, 0, length);
  switch (code) {
    case PRIM_LINE:
      SetWords(parms, {PRIM_COLORINDEX, 250});
      break;
    case PRIM_DOT:
      SetWords(parms, {PRIM_COLORINDEX, 250, 250, 250});
      break;
    case PRIM_OFFSET_DOT:
      SetWords(parms, {PRIM_COLORINDEX, 250, 250, 250, 0});
      break;
    case PRIM_SQUARE:
    case PRIM_RESERVED_252:
      SetWord(parms, PRIM_COLORINDEX);
      break;
    case PRIM_HATCH:
      SetWords(parms, {PRIM_COLORINDEX + 1, 1, 250, 250});
      break;
    case PRIM_CIRCLE:
      SetWords(parms, {PRIM_COLORINDEX, 250, 1250});
      break;
    case PRIM_TEXT:
    case PRIM_FACE_TEXT:
      SetWord(parms, PRIM_COLORINDEX);
      std::memset(parms + 4, 0xFF, 8);
      SetWords(parms + 12, {1800, 400});
      parms[25] = 1;
      parms[29] = 1;
      parms[30] = static_cast<char>(0xFF);
      parms[31] = 1;
      break;
    case PRIM_FONT_SIGN:
      SetWord(parms, PRIM_COLORINDEX);
      std::memset(parms + 4, 0xFF, 8);
      SetWords(parms + 12, {1800, 100});
      parms[25] = 1;
      parms[30] = static_cast<char>(0xFF);
      break;
    case PRIM_BITMAP:
      SetWords(parms, {152, 1, 8000});
      break;
    case PRIM_LAYERED_PATTERN:
      SetWords(parms, {0, 152, 1, 8000});
      break;
    case PRIM_DECORATED_SHORT:
    case PRIM_DECORATED: {
      SetWord(parms, static_cast<DWORD>(length));
      char* pairs = parms + (code == PRIM_DECORATED_SHORT ? 8 : 32);
      for (int i = 0; i < 8; ++i) {
        SetHalf(pairs + i * 4, 4);
        SetHalf(pairs + i * 4 + 2, PRIM_EMPTY);
      }
      break;
    }
    case PRIM_SET:
      SetWords(parms, {IMGDRAW_IDENT, 12, 0});
      break;
    case PRIM_VECTOR:
      SetWords(parms, {56, 4000, 4000, 500});
      for (int at : {20, 24, 32, 36}) SetWord(parms + at, 10000);
      break;
    case PRIM_TEMPLATE:
      SetWords(parms, {104, 60});
      SetWord(parms + 60, 1);
      SetWord(parms + 64, 1);
      SetHalf(parms + 68, 36);
      SetHalf(parms + 70, PRIM_TEXT);
      SetWord(parms + 72, PRIM_COLORINDEX);
      std::memset(parms + 76, 0xFF, 8);
      SetWord(parms + 84, 1800);
      parms[97] = 1;
      parms[102] = static_cast<char>(0xFF);
      parms[103] = 1;
      break;
    case PRIM_ANGLE_HATCH:
      SetWords(parms, {24, 0, 500, PRIM_LINE, PRIM_COLORINDEX, 250});
      break;
    case PRIM_SHADE:
      SetWords(parms, {10, 10});
      break;
    case PRIM_AREA_SIGNS:
      SetWord(parms, 76);
      parms[6] = 1;
      SetWords(parms + 8, {5000, 5000});
      SetWord(parms + 20, 56);
      for (int at : {40, 44, 52, 56}) SetWord(parms + at, 10000);
      break;
    case PRIM_PATTERN_LINE:
      SetWords(parms, {40, 1, 0, 0, 0, 20, PRIM_LINE, 1250, PRIM_COLORINDEX, 250});
      break;
    case PRIM_OFFSET_LINE:
      SetWords(parms, {20, 0});
      SetHalf(parms + 8, 12);
      SetHalf(parms + 10, PRIM_LINE);
      SetWords(parms + 12, {PRIM_COLORINDEX, 250});
      break;
    default:  // 249, 251, 253, 254: zeros
      break;
  }
  return 1;
}

int TDrawEdit::ReplaceInit(int n, int code, char* parms) {
  if (parms == nullptr) return 0;
  int ident = ElementIdent(n);
  // Line codes share their leading words: colour and thickness, then for
  // the dashed ones dash and gap. The offset of an offset dashed line is
  // its own and is never carried.
  if (ident == code || !PrimitiveIs(ident, PRIMF_LINE) || !PrimitiveIs(code, PRIMF_LINE)) return 0;
  int bytes =
      std::min({PrimitiveParmLength(ident, nullptr), PrimitiveParmLength(code, nullptr), 16});
  if (ElementParmLength(n) < bytes) return 0;
  std::memcpy(parms, ElementParmAddress(n), bytes);
  return 1;
}

int TDrawEdit::AppendElementWithInit(int code) {
  char parms[256];
  if (!Init(code, parms)) return 0;
  return AppendElement(code, parms);
}

int TDrawEdit::InsertElementWithInit(int n, int code) {
  char parms[256];
  if (!Init(code, parms)) return 0;
  return InsertElement(n, code, parms);
}

int TDrawEdit::ReplaceElementWithInit(int n, int code) {
  char parms[256];
  if (!Init(code, parms)) return 0;
  ReplaceInit(n, code, parms);
  return ReplaceElement(n, code, parms);
}

int TDrawEdit::SetSpline(int on) {
  if (!Valid()) return 0;
  if (on)
    Draw->Flags |= IMGDRAW_SPLINE;
  else
    Draw->Flags &= static_cast<WORD>(~IMGDRAW_SPLINE);
  Changed = 1;
  return on;
}

int TDrawEdit::SetTopColor(int colour) {
  if (!Valid()) return colour;
  // One walk: the last line or fill element, and the last element.
  char* base = reinterpret_cast<char*>(Draw);
  int64_t end = Draw->Length;
  int64_t offset = IMGDRAW_HEAD;
  char* lastLine = nullptr;
  char* last = nullptr;
  for (int i = 0; i < Draw->Count; ++i) {
    if (offset + IMGELEMENT_HEAD > end) break;
    int64_t length = Half(base + offset);
    if (length < IMGELEMENT_HEAD || offset + length > end) break;
    last = base + offset;
    int code = Half(last + 2);
    if (PrimitiveIs(code, PRIMF_LINE)) lastLine = last;
    offset += length;
  }
  char* element = lastLine != nullptr ? lastLine : last;
  if (element == nullptr) return colour;
  char* parms = element + IMGELEMENT_HEAD;
  int64_t length = Half(element) - IMGELEMENT_HEAD;
  DWORD old = 0;
  bool set = false;
  int64_t at = -1;
  switch (Half(element + 2)) {
    case PRIM_LINE:
    case PRIM_DOT:
    case PRIM_OFFSET_DOT:
    case PRIM_SQUARE:
    case PRIM_HATCH:
    case PRIM_TEXT:
    case PRIM_FONT_SIGN:
    case PRIM_FACE_TEXT:
      at = 0;
      break;
    case PRIM_BITMAP:
    case PRIM_LAYERED_PATTERN: {
      int64_t head = Half(element + 2) == PRIM_BITMAP ? 0 : 4;
      if (head + 8 > length) break;
      int64_t layers = Word(parms + head + 4);
      if (layers != 0) at = head + 20 + (layers - 1) * 132;
      break;
    }
    case PRIM_TEMPLATE:
      at = 72;
      break;
    case PRIM_VECTOR:
      set = SetVectorColour(parms, length, static_cast<DWORD>(colour), &old);
      break;
    case PRIM_DECORATED: {
      int64_t available = 0;
      char* image = NestedImage(parms, length, 32, 2, 4, &available);
      set = SetVectorColour(image, available, static_cast<DWORD>(colour), &old);
      break;
    }
    case PRIM_DECORATED_SHORT: {
      int64_t available = 0;
      char* image = NestedImage(parms, length, 8, 3, 0, &available);
      set = SetVectorColour(image, available, static_cast<DWORD>(colour), &old);
      break;
    }
    default:
      break;
  }
  if (at >= 0 && at + 4 <= length) {
    old = Word(parms + at);
    SetWord(parms + at, static_cast<DWORD>(colour));
    set = true;
  }
  if (!set) return colour;
  Changed = 1;
  return static_cast<int>(old);
}

int TDrawEdit::IsElement(int code) { return PrimitiveIs(code, PRIMF_ELEMENT) ? 1 : 0; }

int TDrawEdit::IsPaintElement(int code) { return PrimitiveIs(code, PRIMF_PAINTS) ? 1 : 0; }

char* TDrawEdit::ElementAddress(int n) {
  char* at = Valid() ? DrawElementAddress(Draw, Size, n) : nullptr;
  Current = at != nullptr ? n : 0;
  return at;
}

int TDrawEdit::ElementIdent(int n) {
  char* at = ElementAddress(n);
  return at != nullptr ? Half(at + 2) : 0;
}

char* TDrawEdit::ElementParmAddress(int n) {
  char* at = ElementAddress(n);
  return at != nullptr ? at + IMGELEMENT_HEAD : nullptr;
}

int TDrawEdit::ElementLength(int n) {
  char* at = ElementAddress(n);
  return at != nullptr ? Half(at) : 0;
}

int TDrawEdit::ElementParmLength(int n) {
  char* at = ElementAddress(n);
  return at != nullptr ? Half(at) - IMGELEMENT_HEAD : 0;
}
