// Reading the objects of an open sheet: descriptors by number and along the
// object chain, the records at the descriptors' offsets, and the sheet
// frame object. Everything is read through the sheet's caches and handed
// out as addresses inside them; nothing here allocates.
#include <cstring>

#include "common/maperr.h"
#include "mapstore/maplist.h"
#include "platform/fileio.h"

void TMapList::ApplyLinkRepairs(LONG n, FVSPR* desc) const {
  if (!LinksRepaired()) return;
  for (int i = 0; i < RepairCount; ++i) {
    if (Repairs[i].Number != n) continue;
    desc->Next = Repairs[i].Next;
    desc->Back = Repairs[i].Back;
    return;
  }
}

FVSPR* TMapList::StepTo(int n) {
  if (n != 0 && n == CurrentObject && CurrentDesc != nullptr) return CurrentDesc;
  CurrentObject = n;
  // Read in a scattered order from a large sheet, a descriptor and its
  // records each miss the processor's caches. Their fetches are made to
  // overlap: with the records where the descriptor named them when last
  // read, or else once the descriptor is in.
  const bool scattered = n > 0 && HeadBuffer.Scattered();
  const uint64_t hint = scattered ? HeadBuffer.Hint(n) : 0;
  if (hint != 0)
    TouchViews(HeadBuffer.ViewAt(int64_t(n) * SHEET_RECORD_SIZE),
               DataBuffer.ViewAt(THeadBuffer::HintData(hint)),
               SemnBuffer.ViewAt(THeadBuffer::HintSemn(hint)));
  CurrentDesc = n > 0 ? reinterpret_cast<FVSPR*>(HeadBuffer.RecordAddr(n)) : nullptr;
  if (CurrentDesc == nullptr) {
    CurrentObject = 0;
    return nullptr;
  }
  ApplyLinkRepairs(n, CurrentDesc);
  if (HeadBuffer.Scattered()) {
    const DWORD data = CurrentDesc->DataOffset, semn = CurrentDesc->SemnOffset;
    if (THeadBuffer::HintData(hint) != data || THeadBuffer::HintSemn(hint) != semn) {
      TouchViews(DataBuffer.ViewAt(data), SemnBuffer.ViewAt(semn), nullptr);
      HeadBuffer.NoteHint(n, data, semn);
    }
  }
  return CurrentDesc;
}

FVSPR* TMapList::ObjectDesc(int n) {
  // A jump starts a new walk of the chain.
  if (n != CurrentObject) ChainSteps = 0;
  return StepTo(n);
}

namespace {

// Whether a link of the chain leads on: within the count, and the walk in
// one direction no longer than the count (a turn starts a new walk).
bool LinkLeadsOn(DWORD link, LONG count, int direction, int& steps) {
  if (link == 0 || count <= 0 || link > DWORD(count)) return false;
  if ((steps > 0) != (direction > 0)) steps = 0;
  steps += direction;
  return (steps > 0 ? steps : -steps) <= count;
}

}  // namespace

bool TMapList::CountFromFile(DWORD link) {
  // Links mended in memory hold for the count they were mended at.
  if (LinksRepaired() || Head.Count < 0) return false;
  // Read until two reads in a row agree, so that a header being written
  // as it is read is not taken half old and half new. A writer appending
  // without a pause may change it between two reads: a few more tries.
  HDRHEAD fresh, again;
  if (ReadHdr(0, &fresh, sizeof(fresh)) != 0) return false;
  bool settled = false;
  for (int tries = 0; tries < 16 && !settled; ++tries) {
    if (ReadHdr(0, &again, sizeof(again)) != 0) return false;
    settled = std::memcmp(&fresh, &again, sizeof(fresh)) == 0;
    fresh = again;
  }
  if (!settled || !CheckHdrHead(&fresh)) return false;
  // Only a header that carries on from the copy and counts the object:
  // no writer takes objects away.
  if (fresh.Count < Head.Count || link > DWORD(fresh.Count) ||
      DWORD(fresh.First) > DWORD(fresh.Count) || DWORD(fresh.Last) > DWORD(fresh.Count))
    return false;
  TakeHead(fresh);
  return true;
}

void TMapList::TakeHead(const HDRHEAD& fresh) {
  // The windows may hold the zeros that stood past the records when they
  // were read; the descriptors counted before stay where they are.
  const LONG from = Head.Count + 1;
  HeadBuffer.ForgetFrom(from);
  // A current object read past the count is read again: its window is
  // gone.
  if (CurrentDesc != nullptr && CurrentObject >= from) {
    CurrentDesc = reinterpret_cast<FVSPR*>(HeadBuffer.RecordAddr(CurrentObject));
    if (CurrentDesc == nullptr) CurrentObject = 0;
  }
  Head = fresh;
  LinkedCount = -1;
}

FVSPR* TMapList::ChainStep(int direction) {
  if (CurrentDesc == nullptr) return nullptr;
  const DWORD link = direction > 0 ? CurrentDesc->Next : CurrentDesc->Back;
  // A link past the count names an object another writer appended since
  // the header was read: the walk goes on through it once the file's
  // header counts it, so that nothing behind it in the chain is cut off.
  if (link > DWORD(Head.Count) && Head.Count >= 0) CountFromFile(link);
  if (!LinkLeadsOn(link, Head.Count, direction, ChainSteps)) {
    CurrentObject = 0;
    CurrentDesc = nullptr;
    return nullptr;
  }
  return StepTo(static_cast<int>(link));
}

FVSPR* TMapList::NextHead() { return ChainStep(1); }

FVSPR* TMapList::PrevHead() { return ChainStep(-1); }

FVSPR* TMapList::FirstHead() { return ObjectDesc(Head.First <= Head.Count ? Head.First : 0); }

FVSPR* TMapList::LastHead() { return ObjectDesc(Head.Last <= Head.Count ? Head.Last : 0); }

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

int TMapList::ReadObjectRecords(const FVSPR* desc, LONGMETRIC** data, SEMANTIC** semn,
                                IMGDRAW** draw) {
  *data = nullptr, *semn = nullptr, *draw = nullptr;
  if (desc == nullptr) return 0;
  const int local = FvsprLocal(desc);
  const bool text = local == LOCAL_TITLE || local == LOCAL_MIXED;
  // A record the descriptor names that is missing or malformed is damage:
  // the object is not to be read as one without it.
  *semn = SemnAddr(desc->SemnOffset);
  if (desc->SemnOffset != 0 && (*semn == nullptr || CheckReadSemn(*semn) != 0))
    return Error = MAPERR_DATA;
  *draw = DrawAddr(desc->DrawOffset);
  if (desc->DrawOffset != 0 && (*draw == nullptr || CheckReadDraw(*draw) != 0))
    return Error = MAPERR_DATA;
  *data = DataAddr(desc->DataOffset);
  if (desc->DataOffset != 0 && (*data == nullptr || CheckReadData(*data, text) != 0))
    return Error = MAPERR_DATA;
  return 0;
}

int TMapList::ReadHdr(int64_t offset, void* buffer, DWORD size) {
  HANDLE file = Files[SHEET_HDR];
  if (file == nullptr) return MAPERR_READ;
  // What this list wrote last is in its write view.
  if (WriteViews[SHEET_HDR].Holds(file) && WriteViews[SHEET_HDR].Read(offset, buffer, size))
    return 0;
  // Through the descriptor cache's view of the file when it reads this file.
  if (HeadBuffer.File() == file)
    return HeadBuffer.ReadBytes(offset, buffer, size) == int64_t(size) ? 0 : MAPERR_READ;
  return plat::ReadExactAt(file, offset, buffer, size) ? 0 : MAPERR_READ;
}

int TMapList::ReadObjectDesc(int n, FVSPR* out) {
  if (out == nullptr) return MAPERR_INPUT;
  if (n < 0 || n > Head.Count) return Error = MAPERR_DATA;
  const int code = ReadHdr(int64_t(n) * SHEET_RECORD_SIZE, out, sizeof(*out));
  if (code != 0)
    Error = code;
  else if (n > 0)
    ApplyLinkRepairs(n, out);
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
