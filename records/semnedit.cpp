#include "records/semnedit.h"

#include <cmath>
#include <cstring>

#include "records/semantic_memory.h"

namespace {

// The record's length field is 16 bits wide: blocks never take more room
// than a record of 65,535 bytes can hold.
constexpr LONG kMaxBlocks = SEMANTIC_MAXLENGTH - SEMANTIC_HEAD;

LONG CapBlocks(LONG n) { return n > kMaxBlocks ? kMaxBlocks : n; }

void WriteEmptyHead(char* record) {
  SEMANTIC head = {static_cast<WORD>(SEMANTIC_IDENT), static_cast<WORD>(SEMANTIC_HEAD)};
  std::memcpy(record, &head, sizeof(head));
}

}  // namespace

void TSemnEdit::Init() {
  Semn = nullptr;
  OwnBlock = nullptr;
  OwnSize = 0;
  Work.Access(nullptr, 0, 0);
}

void TSemnEdit::Free() { Access(nullptr, 0, 0); }

void TSemnEdit::ReleaseOwn() {
  if (OwnBlock != nullptr) RecordBlockFree(OwnBlock);
  OwnBlock = nullptr;
  OwnSize = 0;
}

void TSemnEdit::UpdateLength() {
  if (Semn != nullptr) Semn->Length = static_cast<WORD>(Work.SemLength() + SEMANTIC_HEAD);
}

void TSemnEdit::AttachOwn(char* block, LONG size, LONG length) {
  if (OwnBlock != nullptr && OwnBlock != block) RecordBlockFree(OwnBlock);
  OwnBlock = block;
  OwnSize = size;
  Semn = reinterpret_cast<SEMANTIC*>(block);
  LONG blocks = length - SEMANTIC_HEAD;
  Work.Access(block + SEMANTIC_HEAD, blocks < 1 ? 0 : blocks, CapBlocks(size - SEMANTIC_HEAD));
}

int TSemnEdit::Access(char* record, LONG length, LONG limit) {
  ReleaseOwn();
  Semn = nullptr;
  Work.Access(nullptr, 0, 0);
  if (record == nullptr) return 0;
  if (length < 0) length = 0;
  if (limit < 0) limit = 0;
  SEMANTIC head;
  if (length == 0 && limit == 0) {
    std::memcpy(&head, record, sizeof(head));
    if (head.Ident == SEMANTIC_IDENT) {
      if (head.Length < SEMANTIC_HEAD) return 0;
      length = head.Length;
    }
  } else if (length >= SEMANTIC_HEAD) {
    std::memcpy(&head, record, sizeof(head));
    if (head.Ident == SEMANTIC_IDENT) {
      // The record may not claim more than the caller holds.
      if (head.Length < SEMANTIC_HEAD || head.Length > length) return 0;
      length = head.Length;
    }
  }
  Semn = reinterpret_cast<SEMANTIC*>(record);
  LONG blocks = length < 5 ? 0 : CapBlocks(length - SEMANTIC_HEAD);
  LONG room = limit < 5 ? 0 : CapBlocks(limit - SEMANTIC_HEAD);
  Work.Access(record + SEMANTIC_HEAD, blocks, room);
  return 1;
}

int TSemnEdit::Allocate(int size) {
  ReleaseOwn();
  Semn = nullptr;
  Work.Access(nullptr, 0, 0);
  if (size < SEMANTIC_HEAD) return 0;
  char* block = RecordBlockAlloc(size);
  if (block == nullptr) return 0;
  WriteEmptyHead(block);
  AttachOwn(block, size, SEMANTIC_HEAD);
  return 1;
}

int TSemnEdit::Clear() {
  if (Semn == nullptr) return Allocate(4096);
  Work.Length(0);
  WriteEmptyHead(reinterpret_cast<char*>(Semn));
  return 1;
}

int TSemnEdit::Load(TObjectSemn source) {
  if (OwnBlock == nullptr && !Allocate(4096)) return 0;
  Work.SetChanged(0);
  SEMANTIC* s = source.Semn;
  if (s == nullptr || s->Ident != SEMANTIC_IDENT || s->Length < SEMANTIC_HEAD) {
    Clear();
    return 0;
  }
  if (s == Semn) return CheckLength(1);
  LONG length = s->Length;
  if (length > Work.SemLimit() - 4) {
    // Longer than the block: through a cursor over the source, which takes
    // a block of the right size.
    TSemnEdit source_edit;
    source_edit.Access(reinterpret_cast<char*>(s), length, 0);
    return Load(&source_edit.Work);
  }
  std::memmove(Semn, s, length);
  Work.Length(length - SEMANTIC_HEAD);
  Work.SetChanged(0);
  return CheckLength(1);
}

int TSemnEdit::Load(TWorkSemantic* source) {
  if (source == nullptr || source == &Work) return 0;
  LONG need = source->SemLength() + 1024;
  if (Semn != nullptr && need <= Work.SemLimit() && Work.SemLimit() < 20480) {
    Work.Load(source);
  } else {
    LONG size = need < 4096 ? 4100 : need;
    if (size > SEMANTIC_MAXLENGTH) size = SEMANTIC_MAXLENGTH;
    char* block = RecordBlockAlloc(size);
    if (block == nullptr) return 0;
    WriteEmptyHead(block);
    // The source may lie in the old block: it goes only after the load.
    char* old = OwnBlock;
    OwnBlock = nullptr;
    AttachOwn(block, size, SEMANTIC_HEAD);
    Work.Load(source);
    if (old != nullptr) RecordBlockFree(old);
  }
  Work.SetChanged(0);
  return CheckLength(1);
}

char* TSemnEdit::Append(const TSemBlock* block) {
  if (block == nullptr) return nullptr;
  TSemBlock copy;  // the block may lie in the record that moves
  CopySemBlock(&copy, block);
  LONG size = copy.BlockLength();
  bool fits = false;
  if (Semn != nullptr) {
    Work.CheckSemLength();
    fits = Work.CanInsert && Work.SemLength() + size <= Work.SemLimit();
  }
  if (!fits) {
    if (Semn != nullptr) {
      LONG length = Work.SemLength() + SEMANTIC_HEAD;
      LONG need = length + size;
      if (need > SEMANTIC_MAXLENGTH) return nullptr;
      LONG blockSize = need < 4096 ? 4100 : need + 1024;
      if (blockSize > SEMANTIC_MAXLENGTH) blockSize = SEMANTIC_MAXLENGTH;
      char* grown = RecordBlockAlloc(blockSize);
      if (grown == nullptr) return nullptr;
      std::memcpy(grown, Semn, length);
      SEMANTIC head = {static_cast<WORD>(SEMANTIC_IDENT), static_cast<WORD>(length)};
      std::memcpy(grown, &head, sizeof(head));
      int changed = Work.IsChanged();
      AttachOwn(grown, blockSize, length);
      Work.SetChanged(changed);
    } else if (!Allocate(size < 4096 ? 4100 : size + 1024)) {
      return nullptr;
    }
  }
  Work.GoEnd();
  char* result = Work.Insert(&copy);
  UpdateLength();
  return result;
}

char* TSemnEdit::Append(int code, LONG value) {
  TSemBlock block;
  block.Code = static_cast<WORD>(code);
  block.Value.LoadLong(value);
  return Append(&block);
}

char* TSemnEdit::AppendString(int code, const char* text, int type, int size) {
  TSemBlock block;
  block.Code = static_cast<WORD>(code);
  if (block.Value.LoadAnyString(type, text, size) == 0) return nullptr;
  return Append(&block);
}

char* TSemnEdit::AppendDouble(int code, const double* value) {
  if (value == nullptr) return nullptr;
  TSemBlock block;
  block.Code = static_cast<WORD>(code);
  block.Value.LoadDouble(*value);
  return Append(&block);
}

char* TSemnEdit::Insert(const TSemBlock* block) {
  char* result = Work.Insert(block);
  UpdateLength();
  return result;
}

char* TSemnEdit::Replace(const TSemBlock* block) {
  char* result = Work.Replace(block);
  UpdateLength();
  return result;
}

int TSemnEdit::DeleteCurrent() {
  int result = Work.Delete();
  UpdateLength();
  return result;
}

char* TSemnEdit::SemanticValue(int code, char* buffer, int size) {
  if (buffer == nullptr || size < 1) return nullptr;
  if (Work.FindCode(code) == nullptr) return nullptr;
  return Work.CurrentValue()->StringValue(buffer, size);
}

int TSemnEdit::CheckLength(int write) {
  if (Semn == nullptr) return 0;
  if (Work.SemLength() == 0 && Semn->Length > SEMANTIC_HEAD) Work.Length(Semn->Length - SEMANTIC_HEAD);
  int length = Work.SemLength() + SEMANTIC_HEAD;
  if (write) Semn->Length = static_cast<WORD>(length);
  return length;
}

int TSemnEdit::DataLength() const {
  if (Semn == nullptr || Semn->Ident != SEMANTIC_IDENT || Semn->Length < 5) return 0;
  return Semn->Length - SEMANTIC_HEAD;
}

LONG TSemnEdit::ReadObjectCode(const TSemBase* value) {
  if (value->Type != SEMTYPE_DOUBLE) return value->LongValue();
  double code;
  std::memcpy(&code, value->Data, sizeof(code));
  if (!std::isfinite(code)) return 0;
  // Codes of 0x80000000 and above are kept as doubles of the unsigned
  // value; larger values are brought into 32 bits by tenths.
  while (code > 4294967295.0) code *= 0.1;
  if (code < 0) return code <= -2147483648.0 ? INT32_MIN : static_cast<LONG>(code);
  return static_cast<LONG>(static_cast<DWORD>(code));
}

LONG TSemnEdit::GetObjectExcode() {
  if (Work.FindCode(SEMANTIC_OBJECTCODE) == nullptr) return 0;
  return ReadObjectCode(Work.CurrentValue());
}

LONG TSemnEdit::GetObjectExcodeAndDelete() {
  if (Work.FindCode(SEMANTIC_OBJECTCODE) == nullptr) return 0;
  LONG code = ReadObjectCode(Work.CurrentValue());
  DeleteCurrent();
  for (int i = 0; i < 5 && Work.FindCode(SEMANTIC_OBJECTCODE) != nullptr; ++i) DeleteCurrent();
  return code;
}

char* TSemnEdit::PutObjectExcode(LONG code) {
  if (code == 0) return nullptr;
  for (int i = 0; i < 5 && Work.FindCode(SEMANTIC_OBJECTCODE) != nullptr; ++i) DeleteCurrent();
  TSemBlock block;
  block.Code = SEMANTIC_OBJECTCODE;
  if (static_cast<DWORD>(code) >= 0x80000000u)
    block.Value.LoadDouble(static_cast<double>(static_cast<DWORD>(code)));
  else
    block.Value.LoadLong(code);
  return Append(&block);
}
