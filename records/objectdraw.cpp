#include "records/objectdraw.h"

#include <cstring>

#include "records/primitives.h"

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

bool GraphicsSound(const char* record, DWORD size) {
  if (size < DWORD(IMGDRAW_HEAD) || size > DWORD(IMGDRAW_MAXLENGTH)) return false;
  IMGDRAW head;
  std::memcpy(&head, record, sizeof(head));
  if (head.Ident != IMGDRAW_IDENT || head.Length != size) return false;
  DWORD at = IMGDRAW_HEAD;
  for (int i = 0; i < head.Count; ++i) {
    if (size - at < DWORD(IMGELEMENT_HEAD)) return false;
    WORD length;
    std::memcpy(&length, record + at, sizeof(length));
    if (length < IMGELEMENT_HEAD || length > size - at) return false;
    at += length;
  }
  return true;
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
  return PrimitiveParmLength(code, parms);
}

LONG TObjectDraw::Length(const IMGDRAW* draw) {
  if (draw == nullptr || draw->Ident != IMGDRAW_IDENT) return 0;
  return static_cast<LONG>(draw->Length > static_cast<DWORD>(INT32_MAX) ? 0 : draw->Length);
}

int TObjectDraw::Count(const IMGDRAW* draw) {
  if (draw == nullptr || draw->Ident != IMGDRAW_IDENT) return 0;
  return draw->Count;
}
