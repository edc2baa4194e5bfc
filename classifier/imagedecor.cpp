// The decorated-line image editor.
#include <cstring>
#include <vector>

#include "classifier/imageedit.h"
#include "classifier/imageinternal.h"
#include "platform/memory.h"

namespace {

enum : int { DECOR_VECTOR = 149, DECOR_SPLINE = 61 };

// The 32-bit word at a byte offset (unaligned).
DWORD Word(const char* at) {
  DWORD v;
  std::memcpy(&v, at, 4);
  return v;
}

}  // namespace

TDecorImageEdit::TDecorImageEdit()
    : Decor(nullptr), BufferSize(0), PartNo(0), Part(nullptr), OwnBuffer(nullptr), Changed(0) {}

TDecorImageEdit::~TDecorImageEdit() { Detach(); }

void TDecorImageEdit::Detach() {
  if (OwnBuffer) plat::FreePages(OwnBuffer);
  OwnBuffer = nullptr;
  Decor = nullptr;
  BufferSize = 0;
  PartNo = 0;
  Part = nullptr;
}

int TDecorImageEdit::Allocate(int size) {
  char* block = imgedit::NewBlock(size, IMGDECOR_EMPTYSIZE);
  Detach();
  if (!block) return 0;
  OwnBuffer = block;
  Decor = (IMGDECORATE*)block;
  BufferSize = size;
  Create();
  return size;
}

int TDecorImageEdit::Realloc() {
  char* block = OwnBuffer ? imgedit::GrowBlock(OwnBuffer, BufferSize) : nullptr;
  if (!block) return 0;
  Part = imgedit::Moved(Part, OwnBuffer, block);
  imgedit::TakeGrown(OwnBuffer, BufferSize, block);
  Decor = (IMGDECORATE*)block;
  return BufferSize;
}

int TDecorImageEdit::Create() {
  if (!Decor || BufferSize < IMGDECOR_EMPTYSIZE) return Allocate(IMGEDIT_DEFAULTSIZE) ? 1 : 0;
  std::memset(Decor, 0, IMGDECOR_EMPTYSIZE);
  Decor->Length = IMGDECOR_EMPTYSIZE;
  auto* part = (IMGDECORPART*)((char*)Decor + IMGDECOR_HEAD);
  for (int i = 0; i < IMGDECOR_PARTS; i++) {
    part[i].Length = sizeof(IMGDECORPART);
    part[i].Function = IMGDECOR_EMPTY;
  }
  PartNo = 0;
  Part = nullptr;
  Changed = 1;
  return 1;
}

int TDecorImageEdit::Clear() {
  if (!Decor) return Create();
  const DWORD flag = Decor->Flag;
  if (!Create()) return 0;
  Decor->Flag = flag;
  return 1;
}

int TDecorImageEdit::SetBuffer(char* image, LONG length) {
  auto* decor = (IMGDECORATE*)image;
  if (!decor || length < IMGDECOR_EMPTYSIZE || decor->Length < DWORD(IMGDECOR_EMPTYSIZE) ||
      decor->Length > DWORD(length)) {
    Detach();
    return 0;
  }
  if (image != OwnBuffer) Detach();
  Decor = decor;
  BufferSize = length;
  PartNo = 0;
  Part = nullptr;
  Changed = 0;
  return 1;
}

DWORD TDecorImageEdit::Find(int n) const {
  if (!Decor || n < 1 || n > IMGDECOR_PARTS) return 0;
  const uint64_t end = Decor->Length < DWORD(BufferSize) ? Decor->Length : DWORD(BufferSize);
  uint64_t offset = IMGDECOR_HEAD;
  for (int i = 1;; i++) {
    if (offset + sizeof(IMGDECORPART) > end) return 0;
    const auto* part = (const IMGDECORPART*)((const char*)Decor + offset);
    if (part->Length < sizeof(IMGDECORPART) || offset + part->Length > end) return 0;
    if (i == n) return DWORD(offset);
    offset += part->Length;
  }
}

char* TDecorImageEdit::GoPart(int n) {
  const DWORD offset = Find(n);
  if (!offset) return nullptr;
  PartNo = n;
  Part = (char*)Decor + offset;
  return Part;
}

char* TDecorImageEdit::DatePart(int n) {
  char* part = GoPart(n);
  return part ? part + sizeof(IMGDECORPART) : nullptr;
}

int TDecorImageEdit::PartFunction(int n) const {
  const DWORD offset = Find(n);
  return offset ? ((const IMGDECORPART*)((const char*)Decor + offset))->Function : -1;
}

int TDecorImageEdit::PartLength(int n) const {
  const DWORD offset = Find(n);
  return offset ? ((const IMGDECORPART*)((const char*)Decor + offset))->Length - 4 : -1;
}

int TDecorImageEdit::IsVect() const {
  const int first = PartLength(1);
  if (!Decor || first < 0) return 0;
  return int(Decor->Length) - IMGDECOR_EMPTYSIZE != first ? 1 : 0;
}

bool TDecorImageEdit::Grow(DWORD need) {
  while (uint64_t(Decor->Length) + need > uint64_t(BufferSize)) {
    if (!Realloc()) return false;
  }
  return true;
}

char* TDecorImageEdit::DeletePart(int n) {
  const DWORD offset = Find(n);
  if (!offset) return nullptr;
  auto* part = (IMGDECORPART*)((char*)Decor + offset);
  const DWORD data = part->Length - sizeof(IMGDECORPART);
  if (Decor->Length - data <= DWORD(IMGDECOR_EMPTYSIZE)) {
    // Nothing of the image would be left.
    Create();
    return nullptr;
  }
  char* base = (char*)Decor;
  std::memmove(base + offset + 4, base + offset + 4 + data, Decor->Length - offset - 4 - data);
  Decor->Length -= data;
  part->Length = sizeof(IMGDECORPART);
  part->Function = IMGDECOR_EMPTY;
  Changed = 1;
  return GoPart(n);
}

int TDecorImageEdit::LoadPart(int length, int function, const char* data, int n) {
  if (n < 1 || n > IMGDECOR_PARTS || length < 0 || length > IMGDECOR_MAXPART) return 0;
  if (length > 0 && !data) return 0;
  if (function < 0 || function > 0xFFFF) return 0;
  if (n > 1 && function != DECOR_SPLINE && function != DECOR_VECTOR) return 0;
  if (!Decor && !Create()) return 0;
  DWORD offset = Find(n);
  if (!offset) return 0;
  const imgedit::Source source(data, size_t(length), Decor, BufferSize);
  // The part is emptied first, then the data goes in.
  auto* part = (IMGDECORPART*)((char*)Decor + offset);
  const DWORD old = part->Length - sizeof(IMGDECORPART);
  if (DWORD(length) > old && !Grow(DWORD(length) - old)) return 0;
  char* base = (char*)Decor;
  const DWORD tail = offset + 4 + old;
  std::memmove(base + offset + 4 + length, base + tail, Decor->Length - tail);
  Decor->Length = Decor->Length - old + DWORD(length);
  if (length) std::memmove(base + offset + 4, source.data(), size_t(length));
  part = (IMGDECORPART*)(base + offset);
  part->Length = WORD(length + 4);
  part->Function = WORD(function);
  Changed = 1;
  GoPart(n);
  return 1;
}

int TDecorImageEdit::UnloadPart(char* buffer, int size, int n) {
  const DWORD offset = Find(n);
  if (!offset || !buffer) return 0;
  const int length = ((IMGDECORPART*)((char*)Decor + offset))->Length - 4;
  if (size < length) return 0;
  std::memmove(buffer, (char*)Decor + offset + 4, size_t(length));
  return length;
}

LONG TDecorImageEdit::Unload(char* buffer, int size) {
  if (!Decor || !buffer) return 0;
  const DWORD length = Decor->Length;
  if (size < 0 || DWORD(size) < length) return 0;
  std::memmove(buffer, Decor, length);
  return LONG(length);
}

// Checks the eight parts of a source image from offset `first`: every part
// whole within `length`, and parts 2..8 either empty or of a function they
// accept.
bool TDecorImageEdit::CheckParts(const char* source, DWORD first, DWORD length) const {
  uint64_t offset = first;
  for (int n = 1; n <= IMGDECOR_PARTS; n++) {
    if (offset + sizeof(IMGDECORPART) > length) return false;
    const auto* part = (const IMGDECORPART*)(source + offset);
    if (part->Length < sizeof(IMGDECORPART) || offset + part->Length > length) return false;
    const bool empty = part->Length == sizeof(IMGDECORPART) || part->Function == IMGDECOR_EMPTY;
    if (!empty && n > 1 && part->Function != DECOR_SPLINE && part->Function != DECOR_VECTOR)
      return false;
    offset += part->Length;
  }
  return true;
}

void TDecorImageEdit::LoadParts(const char* source, DWORD first) {
  DWORD offset = first;
  for (int n = 1; n <= IMGDECOR_PARTS; n++) {
    const auto* part = (const IMGDECORPART*)(source + offset);
    const int length = part->Length - 4;
    if (length > 0 && part->Function != IMGDECOR_EMPTY)
      LoadPart(length, part->Function, source + offset + 4, n);
    offset += part->Length;
  }
}

LONG TDecorImageEdit::Load(const IMGDECORATE* image) {
  if (!image || image->Length < DWORD(IMGDECOR_EMPTYSIZE) || image->Length > DWORD(IMGEDIT_LIMIT))
    return 0;
  if (!CheckParts((const char*)image, IMGDECOR_HEAD, image->Length)) return 0;
  // The source may lie in this editor's buffer: work from a copy.
  std::vector<char> keep((const char*)image, (const char*)image + image->Length);
  const char* copy = keep.data();
  if (!Decor || BufferSize < LONG(image->Length)) {
    if (!Allocate(LONG(image->Length) + IMGEDIT_STEP)) return 0;
  } else if (!Clear()) {
    return 0;
  }
  LoadParts(copy, IMGDECOR_HEAD);
  const auto* head = (const IMGDECORATE*)copy;
  std::memcpy(Decor->Line, head->Line, sizeof(Decor->Line));
  Decor->Flag = head->Flag;
  PartNo = 0;
  Part = nullptr;
  return LONG(Decor->Length);
}

LONG TDecorImageEdit::Load(const IMGDECORATELINE* image) {
  const DWORD first = sizeof(IMGDECORATELINE);
  if (!image || image->Length < first + 4 * IMGDECOR_PARTS || image->Length > DWORD(IMGEDIT_LIMIT))
    return 0;
  if (!CheckParts((const char*)image, first, image->Length)) return 0;
  std::vector<char> keep((const char*)image, (const char*)image + image->Length);
  const char* copy = keep.data();
  const DWORD base = image->Base;
  if (!Decor || BufferSize < LONG(image->Length) + IMGDECOR_HEAD) {
    if (!Allocate(LONG(image->Length) + IMGEDIT_STEP)) return 0;
  } else if (!Clear()) {
    return 0;
  }
  LoadParts(copy, first);
  // The fourth word of a sign part (its head counted) gives the extent
  // that the sign adds to the line's base value.
  auto signWord = [&](int n, DWORD* word) {
    const DWORD offset = Find(n);
    if (!offset) return false;
    const auto* part = (const IMGDECORPART*)((const char*)Decor + offset);
    if (part->Function != DECOR_VECTOR || part->Length < 16) return false;
    *word = Word((const char*)Decor + offset + 12);
    return true;
  };
  DWORD word = 0;
  if (signWord(6, &word)) {
    Decor->Line[4] = base + word;
    Decor->Flag = word < 1000 ? 1 : 0;
  } else {
    Decor->Line[4] = base;
    Decor->Flag = 0;
  }
  Decor->Line[5] = signWord(7, &word) ? base + word : 0;
  PartNo = 0;
  Part = nullptr;
  return LONG(Decor->Length);
}
