#include "records/objectdraw.h"

#include <cstring>

namespace {

DWORD Word(const char* p) {
  DWORD v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

}  // namespace

char* DrawElementAddress(const IMGDRAW* draw, LONG size, int n) {
  if (draw == nullptr || size < IMGDRAW_HEAD) return nullptr;
  IMGDRAW head;
  std::memcpy(&head, draw, sizeof(head));
  if (head.Ident != IMGDRAW_IDENT || n < 1 || n > head.Count) return nullptr;
  int64_t end = head.Length < static_cast<DWORD>(size) ? head.Length : size;
  int64_t offset = IMGDRAW_HEAD;
  const char* base = reinterpret_cast<const char*>(draw);
  for (int i = 1;; ++i) {
    if (offset + IMGELEMENT_HEAD > end) return nullptr;
    WORD length;
    std::memcpy(&length, base + offset, sizeof(length));
    if (length < IMGELEMENT_HEAD || offset + length > end) return nullptr;
    if (i == n) return const_cast<char*>(base + offset);
    offset += length;
  }
}

char* TObjectDraw::ElementAddress(const IMGDRAW* draw, int n) {
  LONG length = Length(draw);
  return length != 0 ? DrawElementAddress(draw, length, n) : nullptr;
}

int TObjectDraw::ElementIdent(const IMGDRAW* draw, int n) {
  char* element = ElementAddress(draw, n);
  if (element == nullptr) return 0;
  WORD code;
  std::memcpy(&code, element + 2, sizeof(code));
  return code;
}

char* TObjectDraw::ElementParmAddress(const IMGDRAW* draw, int n) {
  char* element = ElementAddress(draw, n);
  return element != nullptr ? element + IMGELEMENT_HEAD : nullptr;
}

int TObjectDraw::ElementParmLength(int code, const char* parms) {
  int64_t length = 0;
  switch (code) {
    case 128:
    case 154:
    case 253:
      return 8;
    case 129:
    case 136:
      return 16;
    case 135:
    case 249:
    case 251:
    case 252:
    case 254:
      return 4;
    case 140:
      return 12;
    case 142:
      return 32;
    case 148:
      return 20;
    case 151:
      return 92;
    case 152:
      return 64;
    case 143:
    case 146:
    case 149:
    case 150:
    case 153:
    case 155:
    case 157:
    case 158:
    case 159:
      if (parms == nullptr) return 0;
      length = Word(parms);
      break;
    case 144:
      if (parms == nullptr) return 0;
      length = static_cast<int64_t>(Word(parms + 4)) + 4;
      break;
    case 147:
      if (parms == nullptr) return 0;
      length = Word(parms + 4);
      break;
    default:
      return 0;
  }
  // A length no record can hold is no length.
  return length > 0 && length <= IMGDRAW_MAXLENGTH ? static_cast<int>(length) : 0;
}

LONG TObjectDraw::Length(const IMGDRAW* draw) {
  if (draw == nullptr || draw->Ident != IMGDRAW_IDENT) return 0;
  return static_cast<LONG>(draw->Length > static_cast<DWORD>(INT32_MAX) ? 0 : draw->Length);
}

int TObjectDraw::Count(const IMGDRAW* draw) {
  if (draw == nullptr || draw->Ident != IMGDRAW_IDENT) return 0;
  return draw->Count;
}
