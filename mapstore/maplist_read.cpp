// Reading the objects of an open sheet: descriptors by number and along the
// object chain, the records at the descriptors' offsets, and the sheet
// frame object. Everything is read through the sheet's caches and handed
// out as addresses inside them; nothing here allocates.
#include <cstring>

#include "common/maperr.h"
#include "mapstore/maplist.h"
#include "platform/fileio.h"

FVSPR* TMapList::ObjectDesc(int n) {
  if (n != 0 && n == CurrentObject && CurrentDesc != nullptr) return CurrentDesc;
  CurrentObject = n;
  CurrentDesc = n > 0 ? reinterpret_cast<FVSPR*>(HeadBuffer.RecordAddr(n)) : nullptr;
  if (CurrentDesc == nullptr) CurrentObject = 0;
  return CurrentDesc;
}

FVSPR* TMapList::NextHead() {
  if (CurrentDesc == nullptr) return nullptr;
  const DWORD next = CurrentDesc->Next;
  if (next == 0 || next > 0x7FFFFFFFu) {
    CurrentObject = 0;
    CurrentDesc = nullptr;
    return nullptr;
  }
  return ObjectDesc(static_cast<int>(next));
}

FVSPR* TMapList::PrevHead() {
  if (CurrentDesc == nullptr) return nullptr;
  const DWORD back = CurrentDesc->Back;
  if (back == 0 || back > 0x7FFFFFFFu) {
    CurrentObject = 0;
    CurrentDesc = nullptr;
    return nullptr;
  }
  return ObjectDesc(static_cast<int>(back));
}

FVSPR* TMapList::FirstHead() { return ObjectDesc(Head.First); }

FVSPR* TMapList::LastHead() { return ObjectDesc(Head.Last); }

LONGMETRIC* TMapList::DataAddr(DWORD offset) {
  if (offset == 0) return nullptr;
  return reinterpret_cast<LONGMETRIC*>(DataBuffer.RecordAddr(offset));
}

SEMANTIC* TMapList::SemnAddr(DWORD offset) {
  if (offset == 0) return nullptr;
  return reinterpret_cast<SEMANTIC*>(SemnBuffer.RecordAddr(offset));
}

IMGDRAW* TMapList::DrawAddr(DWORD offset) {
  if (offset == 0) return nullptr;
  return reinterpret_cast<IMGDRAW*>(DrawBuffer.RecordAddr(offset));
}

LONGMETRIC* TMapList::ObjectDataAddr(int n) {
  const FVSPR* desc = ObjectDesc(n);
  return desc != nullptr ? DataAddr(desc->DataOffset) : nullptr;
}

SEMANTIC* TMapList::ObjectSemnAddr(int n) {
  const FVSPR* desc = ObjectDesc(n);
  return desc != nullptr ? SemnAddr(desc->SemnOffset) : nullptr;
}

IMGDRAW* TMapList::ObjectDrawAddr(int n) {
  const FVSPR* desc = ObjectDesc(n);
  return desc != nullptr ? DrawAddr(desc->DrawOffset) : nullptr;
}

int TMapList::ReadHdr(int64_t offset, void* buffer, DWORD size) {
  HANDLE file = Files[SHEET_HDR];
  if (file == nullptr) return MAPERR_READ;
  return plat::ReadExactAt(file, offset, buffer, size) ? 0 : MAPERR_READ;
}

int TMapList::ReadObjectDesc(int n, FVSPR* out) {
  if (out == nullptr) return MAPERR_INPUT;
  if (n < 0 || n > Head.Count) return Error = MAPERR_DATA;
  const int code = ReadHdr(int64_t(n) * SHEET_RECORD_SIZE, out, sizeof(*out));
  if (code != 0) Error = code;
  return code;
}

// ---------------------------------------------------------------------------
// The sheet frame object

int TMapList::GetListFrameNumber() {
  if (List == nullptr || Owner == nullptr || !IsOpen()) return 0;
  const int cached = List->FrameObject;
  if (cached < 0) return 0;
  if (cached >= 1) {
    const FVSPR* desc = ObjectDesc(cached);
    if (desc != nullptr && FvsprIsFrame(desc) && !FvsprIsDeleted(desc)) return cached;
  }
  // A descriptor that cannot be read (a file shorter than its count) ends
  // the search.
  for (int n = 1; n <= Head.Count; ++n) {
    const FVSPR* desc = ObjectDesc(n);
    if (desc == nullptr) break;
    if (FvsprIsFrame(desc) && !FvsprIsDeleted(desc)) {
      List->FrameObject = n;
      return n;
    }
  }
  List->FrameObject = -1;
  return 0;
}

FVSPR* TMapList::GetFrameDesc() {
  const int n = GetListFrameNumber();
  return n > 0 ? ObjectDesc(n) : nullptr;
}

void TMapList::ResetFrameCache(int n) {
  if (List == nullptr) return;
  if (n == 0 || List->FrameObject == n) List->FrameObject = 0;
}
