// Writing the objects of an open sheet: appending, rewriting, deleting and
// rewriting the graphics of an object, keeping the four sheet files, the
// descriptor-file header, the object chain, the sheet record and the map's
// change state consistent.
//
// In edit mode (several users editing one map) every change is made under
// the sheet lock, the header is read again from the file under it so that
// objects appended by another writer are counted, new records are placed at
// the files' ends only while the lock is held, and each change goes to the
// map's journal, its change callback and its change counter.
//
// Records are checked before anything is written, so a refused object
// leaves no dead space behind; a failure after records were written leaves
// them as dead space (nothing compacts the files).
#include <cstring>

#include "common/maperr.h"
#include "common/maperror.h"
#include "mapstore/map.h"
#include "mapstore/maplist.h"
#include "mapstore/objectframe.h"
#include "platform/system.h"
#include "platform/clock.h"
#include "platform/fileio.h"

namespace {

// Parts mask of the journal and the change callback.
enum : BYTE {
  PART_DESC = 1,
  PART_DATA = 2,
  PART_SEMN = 4,
  PART_DRAW = 8,
};

// Operation codes.
enum : BYTE {
  OPERATION_APPEND = 1,
  OPERATION_DELETE = 2,
  OPERATION_UPDATE = 4,
};

enum : DWORD {
  LOCK_DISTANCE = 0x18000,  // the lock lies this far past the descriptor file's end
  LOCK_LENGTH = 256,
  LOCK_TRIES = 500,
  LOCK_PAUSE = 10,  // milliseconds
};

bool IsUserMap(const TMapBase* map) { return map->Passport.Register.IsRealPlace != 0; }

// Raises the map's change counter and writes it at offset 20 of the map
// file (through the map object when there is one).
void RaiseChangeCounter(TMapBase* owner) {
  if (owner->Map != nullptr) {
    owner->Map->UpdateMode();
    return;
  }
  ++owner->Passport.ModeCounter;
  if (owner->File == nullptr) return;
  if (!plat::WriteExactAt(owner->File, offsetof(MAPPASSPORT, ModeCounter),
                          &owner->Passport.ModeCounter, 4))
    owner->Error = MAPERR_WRITE;
}

// The journal record and the change callback of one change.
void ReportChange(TMapBase* owner, int sheet, BYTE operation, BYTE callOperation, BYTE parts,
                  DWORD key, DWORD number, DWORD copy) {
  TMap* map = owner->Map;
  if (map == nullptr) return;
  ACTIONRECORD record;
  record.Key = key;
  record.Number = number;
  record.Backup = copy;
  record.Operation = operation;
  record.Parts = parts;
  record.List = static_cast<SHORT>(sheet);
  logPutRecord(&map->Log, &record);
  if (map->ChangeCall != nullptr) {
    MAPCHANGERECORD change;
    change.MapTag = map->MapTag;
    change.Sheet = static_cast<WORD>(sheet);
    change.Operation = callOperation;
    change.Parts = parts;
    change.Key = key;
    change.Number = number;
    map->ChangeCall(map->ChangeParameter, reinterpret_cast<intptr_t>(&change));
  }
}

// Corners of a sheet register (X north, Y east) as an extent.
struct Corners {
  double x1, y1, x2, y2;
};

bool ValidCorners(const LISTREGISTER& r) {
  return r.XNorthEast > r.XSouthWest && r.YNorthEast > r.YSouthWest;
}

// Grows the plane corners of a user map's sheet to hold a frame: 1 when
// they changed.
int GrowCorners(LISTREGISTER& r, const Corners& f) {
  if (!ValidCorners(r)) {
    r.XSouthWest = r.XSouthEast = f.x1;
    r.XNorthWest = r.XNorthEast = f.x2;
    r.YSouthWest = r.YNorthWest = f.y1;
    r.YNorthEast = r.YSouthEast = f.y2;
    return 1;
  }
  int changed = 0;
  if (f.x1 < r.XSouthWest) r.XSouthWest = r.XSouthEast = f.x1, changed = 1;
  if (f.x2 > r.XNorthEast) r.XNorthWest = r.XNorthEast = f.x2, changed = 1;
  if (f.y1 < r.YSouthWest) r.YSouthWest = r.YNorthWest = f.y1, changed = 1;
  if (f.y2 > r.YNorthEast) r.YNorthEast = r.YSouthEast = f.y2, changed = 1;
  return changed;
}

// The checks every record must pass before an object is written.
int CheckRecords(const LONGMETRIC* metric, const SEMANTIC* semn, const IMGDRAW* draw) {
  if (metric != nullptr && CheckDataRecord(metric) != 0) return MAPERR_DATA;
  if (semn != nullptr && CheckSemnRecord(semn) != 0) return MAPERR_DATA;
  if (draw != nullptr && CheckDrawRecord(draw) != 0) return MAPERR_DATA;
  return 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Low-level transfers and the lock

int TMapList::WriteSheet(int file, int64_t offset, const void* buffer, DWORD size) {
  HANDLE h = file >= 0 && file < SHEET_FILES ? Files[file] : nullptr;
  if (h == nullptr) return MAPERR_WRITE;
  const int code = WriteSheetBytes(h, offset, buffer, size);
  // Only the metric file tells a full disk apart.
  return code == MAPERR_DISKFULL && file != SHEET_DAT ? MAPERR_WRITE : code;
}

bool TMapList::FitsInPlace(int file, DWORD offset, DWORD length) {
  if (offset == 0 || CurrentDesc == nullptr) return false;
  HANDLE h = Files[file];
  const int64_t end = plat::FileLength(h);
  if (end < 0 || int64_t(offset) >= end) return false;
  // The record stored there must be one of this file and at least as long.
  char head[8];
  if (!plat::ReadExactAt(h, offset, head, sizeof(head))) return false;
  DWORD ident, stored;
  std::memcpy(&ident, head, 4);
  std::memcpy(&stored, head + 4, 4);
  switch (file) {
    case SHEET_DAT:
      if (!IsMetricMarker(ident)) return false;
      break;
    case SHEET_SEM: {
      WORD mark, size;
      std::memcpy(&mark, head, 2);
      std::memcpy(&size, head + 2, 2);
      if (mark != SEMANTIC_IDENT) return false;
      stored = size;
      break;
    }
    default:
      if (ident != IMGDRAW_IDENT) return false;
      break;
  }
  return stored >= length && int64_t(offset) + stored <= end;
}

int TMapList::ReadySheetFile(int file) {
  if (Files[file] != nullptr) return 1;
  // Another writer of the sheet may have created the file since it was
  // opened: creating it anew would wipe that writer's records.
  char path[MAX_PATH];
  HANDLE h = nullptr;
  if (FilePath(file, path, sizeof(path)) &&
      plat::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
    h = OpenSheetFile(path);
  if (h != nullptr) {
    DWORD ident = 0;
    if (ReadIdent(h, &ident) != 1 || ident != SheetFileIdent(file)) {
      plat::CloseHandle(h);
      h = nullptr;
    }
  }
  if (h == nullptr) {
    switch (file) {
      case SHEET_DAT: return CreateDataFile();
      case SHEET_SEM: return CreateSemnFile();
      default: return CreateDrawFile();
    }
  }
  static const BYTE kCreated[SHEET_FILES] = {LISTFILE_HDR, LISTFILE_DAT, LISTFILE_SEM,
                                             LISTFILE_GRA};
  if (!AttachSheetFile(file, h)) return 0;
  if (List != nullptr) List->Flags |= kCreated[file];
  KeepFileSet();
  return 1;
}

int TMapList::LockList() {
  HANDLE hdr = Files[SHEET_HDR];
  if (hdr == nullptr) return 0;
  const int64_t length = plat::FileLength(hdr);
  if (length < 0) return 0;
  const uint64_t offset = uint64_t(length) + LOCK_DISTANCE;
  LockOffset = static_cast<DWORD>(offset);
  for (DWORD i = 0; i < LOCK_TRIES; ++i) {
    if (plat::LockFile(hdr, LockOffset, 0, LOCK_LENGTH, 0)) return 1;
    // Only another holder is worth waiting for.
    if (plat::GetLastError() != ERROR_LOCK_VIOLATION) return 0;
    plat::Sleep(LOCK_PAUSE);
  }
  return 0;
}

void TMapList::UnlockList() {
  if (Files[SHEET_HDR] != nullptr) plat::UnlockFile(Files[SHEET_HDR], LockOffset, 0, LOCK_LENGTH, 0);
}

// ---------------------------------------------------------------------------
// Records

int TMapList::WriteObjectDesc(int n, const FVSPR* desc) {
  if (desc == nullptr) return MAPERR_INPUT;
  if (n < 1 || n > Head.Count) return MAPERR_DATA;
  return WriteSheet(SHEET_HDR, int64_t(n) * SHEET_RECORD_SIZE, desc, SHEET_RECORD_SIZE);
}

int TMapList::WriteObjectData(FVSPR* desc, LONGMETRIC* metric) {
  if (desc == nullptr) return Error = MAPERR_INPUT;
  if (metric == nullptr) {
    if (FvsprLocal(desc) != LOCAL_POINT) return Error = MAPERR_DATA;
    desc->DataOffset = 0;
    return 0;
  }
  if (!IsMetricMarker(metric->Ident)) return Error = MAPERR_DATA;
  if (IsMetric3D(metric->Ident))
    desc->Flags |= FVSPR_3D;
  else
    desc->Flags &= ~FVSPR_3D;
  if (!ReadySheetFile(SHEET_DAT)) return Error = MAPERR_WRITE;
  if (CheckDataRecord(metric) != 0) return Error = MAPERR_DATA;

  const DWORD length = metric->Length;
  if (desc->DataOffset != 0 && CurrentDesc != nullptr && CurrentDesc->Next == desc->Next &&
      FitsInPlace(SHEET_DAT, desc->DataOffset, length)) {
    const int code = WriteSheet(SHEET_DAT, desc->DataOffset, metric, length);
    if (code != 0) {
      if (List != nullptr) ReportError(code, List->NameDAT, LISTSTAGE_DATWRITE);
      return Error = code;
    }
    return 0;
  }
  const int64_t end = plat::FileLength(Files[SHEET_DAT]);
  const int64_t at = end < 0 ? -1 : PlaceDataRecord(uint64_t(end), metric->Ident, length);
  if (at < 0) return Error = MAPERR_WRITE;
  const int code = WriteSheet(SHEET_DAT, at, metric, length);
  if (code != 0) return Error = code;
  desc->DataOffset = static_cast<DWORD>(at);
  return 0;
}

int TMapList::WriteObjectSemn(FVSPR* desc, SEMANTIC* semn) {
  if (desc == nullptr) return Error = MAPERR_INPUT;
  if (semn == nullptr) return 0;
  if (semn->Ident != SEMANTIC_IDENT) return Error = MAPERR_DATA;
  if (IsSemnRecordEmpty(semn)) {
    desc->SemnOffset = 0;
    return 0;
  }
  // A file that cannot be created loses the record: that is a failure.
  if (!ReadySheetFile(SHEET_SEM)) return Error = Error != 0 ? Error : MAPERR_WRITE;
  const int64_t end = plat::FileLength(Files[SHEET_SEM]);
  if (end <= 0) return Error = MAPERR_WRITE;
  if (CheckSemnRecord(semn) != 0) return Error = MAPERR_DATA;

  const DWORD length = semn->Length;
  int64_t at;
  if (desc->SemnOffset != 0 && CurrentDesc != nullptr && CurrentDesc->Next == desc->Next &&
      FitsInPlace(SHEET_SEM, desc->SemnOffset, length))
    at = desc->SemnOffset;
  else
    at = PlaceSemnRecord(uint64_t(end), length);
  if (at < 0) return Error = MAPERR_WRITE;
  const int code = WriteSheet(SHEET_SEM, at, semn, length);
  if (code != 0) return Error = code;
  desc->SemnOffset = static_cast<DWORD>(at);
  return 0;
}

int TMapList::WriteObjectDraw(FVSPR* desc, IMGDRAW* draw) {
  if (desc == nullptr) return Error = MAPERR_INPUT;
  if (draw == nullptr) return 0;
  if (draw->Ident != IMGDRAW_IDENT) return Error = MAPERR_DATA;
  if (IsDrawRecordEmpty(draw)) {
    desc->DrawOffset = 0;
    return 0;
  }
  if (!ReadySheetFile(SHEET_GRA)) return Error = Error != 0 ? Error : MAPERR_WRITE;
  const int64_t end = plat::FileLength(Files[SHEET_GRA]);
  if (end <= 0) return Error = MAPERR_WRITE;
  if (CheckDrawRecord(draw) != 0) return Error = MAPERR_DATA;

  const DWORD length = draw->Length;
  int64_t at;
  if (desc->DrawOffset != 0 && CurrentDesc != nullptr && CurrentDesc->Next == desc->Next &&
      FitsInPlace(SHEET_GRA, desc->DrawOffset, length))
    at = desc->DrawOffset;
  else
    at = PlaceDrawRecord(uint64_t(end), length);
  if (at < 0) return Error = MAPERR_WRITE;
  if (WriteSheet(SHEET_GRA, at, draw, length) != 0) return Error = MAPERR_WRITE;
  desc->DrawOffset = static_cast<DWORD>(at);
  return 0;
}

// ---------------------------------------------------------------------------
// Frames

void TMapList::BuildBorder(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw) {
  if (Owner == nullptr || desc == nullptr || metric == nullptr) return;
  OBJECTFRAMECONTEXT context;
  SetObjectFrameContext(&context, &Owner->Passport,
                        Owner->Map != nullptr ? &Owner->Map->Rsc : nullptr);
  // The semantics and graphics stored for the object stand in for those
  // not given (two different caches: both addresses stay valid).
  if (semn == nullptr) semn = SemnAddr(desc->SemnOffset);
  if (draw == nullptr) draw = DrawAddr(desc->DrawOffset);
  BuildObjectFrame(context, desc, metric, semn, draw);
}

void TMapList::BuildTextBorder(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw) {
  if (Owner == nullptr || desc == nullptr || metric == nullptr) return;
  if (FvsprLocal(desc) != LOCAL_TITLE) return;
  OBJECTFRAMECONTEXT context;
  SetObjectFrameContext(&context, &Owner->Passport,
                        Owner->Map != nullptr ? &Owner->Map->Rsc : nullptr);
  if (semn == nullptr) semn = SemnAddr(desc->SemnOffset);
  if (draw == nullptr) draw = DrawAddr(desc->DrawOffset);
  BuildTextFrame(context, desc, metric, semn, draw);
}

// ---------------------------------------------------------------------------
// Append

int TMapList::AppendObjectData(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw) {
  if (Owner == nullptr || !Owner->IsOpen() || !Owner->IsWritable()) return 0;
  if (desc == nullptr) {
    Error = MAPERR_DATA;
    return 0;
  }
  if (List == nullptr || Files[SHEET_HDR] == nullptr) return 0;
  if (!IsWritable()) {
    Error = MAPERR_WRITE;
    return 0;
  }
  const bool userMap = IsUserMap(Owner);
  const int local = FvsprLocal(desc);

  // Everything is checked before anything is written.
  if (CheckRecords(metric, semn, draw) != 0) {
    Error = MAPERR_DATA;
    return 0;
  }

  // A new sheet frame replaces the old one.
  if (FvsprIsFrame(desc) && !userMap && GetFrameDesc() != nullptr) DeleteObject();

  desc->Next = desc->Back = 0;
  desc->SemnOffset = desc->DataOffset = desc->DrawOffset = 0;
  CurrentObject = 0;
  CurrentDesc = nullptr;

  // In edit mode the lock is held from here on: the records are placed at
  // the files' ends and the header is taken from the file under it.
  const bool edit = EditMode != 0;
  if (edit) {
    if (!LockList()) {
      Error = MAPERR_WRITE;
      return 0;
    }
    HDRHEAD fresh;
    if (ReadHdr(0, &fresh, sizeof(fresh)) == 0 && CheckHdrHead(&fresh)) {
      Head = fresh;
    } else if (Owner->Reporter != nullptr) {
      Owner->Reporter->WriteToLog("Read head error", 1);
    }
  }
  HDRHEAD head = Head;
  const HDRHEAD before = Head;
  auto fail = [&](int code) {
    if (code != 0) Error = code;
    Head = before;
    HeadBuffer.Reset();
    if (edit) UnlockList();
    return 0;
  };

  if (metric == nullptr && local != LOCAL_POINT && head.Count != 0) return fail(MAPERR_DATA);

  BYTE parts = PART_DESC;
  if (draw != nullptr) {
    const int code = WriteObjectDraw(desc, draw);
    if (code != 0) return fail(code);
    if (desc->DrawOffset != 0) parts |= PART_DRAW;
    DrawBuffer.Reset();
  }
  BuildBorder(desc, metric, semn, draw);
  if (metric != nullptr) {
    const int code = WriteObjectData(desc, metric);
    if (code != 0) return fail(code);
    if (desc->DataOffset != 0) parts |= PART_DATA;
    DataBuffer.Reset();
  }
  if (semn != nullptr) {
    const int code = WriteObjectSemn(desc, semn);
    if (code != 0) return fail(code);
    if (desc->SemnOffset != 0) parts |= PART_SEMN;
    SemnBuffer.Reset();
  }

  // The predecessor: the last object of the same local type or of the
  // nearest type before it in the order POLYGON, LINE, VECTOR, POINT,
  // TITLE; a mixed object goes behind the highest number.
  LONG prev = 0;
  LONG* last = nullptr;
  switch (local) {
    case LOCAL_POLYGON:
      last = &head.LastPolygon;
      prev = head.LastPolygon;
      break;
    case LOCAL_LINE:
      last = &head.LastLine;
      prev = head.LastLine ? head.LastLine : head.LastPolygon;
      break;
    case LOCAL_VECTOR:
      last = &head.LastVector;
      prev = head.LastVector ? head.LastVector : head.LastLine ? head.LastLine : head.LastPolygon;
      break;
    case LOCAL_POINT:
      last = &head.LastPoint;
      prev = head.LastPoint    ? head.LastPoint
             : head.LastVector ? head.LastVector
             : head.LastLine   ? head.LastLine
                               : head.LastPolygon;
      break;
    case LOCAL_TITLE:
      last = &head.LastTitle;
      prev = head.LastTitle    ? head.LastTitle
             : head.LastPoint  ? head.LastPoint
             : head.LastVector ? head.LastVector
             : head.LastLine   ? head.LastLine
                               : head.LastPolygon;
      break;
    default:
      prev = head.Count;
      break;
  }
  if (prev > head.Count) prev = head.Count;
  if (prev < 0) prev = 0;

  const LONG number = head.Count + 1;
  head.Count = number;
  Head.Count = number;  // WriteObjectDesc checks against it
  if (prev == 0) {
    desc->Next = DWORD(head.First);
    head.First = number;
  }
  if (last != nullptr) *last = number;

  if (desc->Key == 0) {
    desc->Key = head.NextKey++;
  } else if (head.NextKey <= desc->Key) {
    head.NextKey = desc->Key + 1;
  }

  FVSPR prevDesc{}, nextDesc{};
  if (prev != 0) {
    if (ReadHdr(int64_t(prev) * SHEET_RECORD_SIZE, &prevDesc, sizeof(prevDesc)) != 0)
      return fail(MAPERR_READ);
    desc->Next = prevDesc.Next;
    desc->Back = DWORD(prev);
  }
  const DWORD next = desc->Next;
  if (next != 0) {
    if (next >= DWORD(number) ||
        ReadHdr(int64_t(next) * SHEET_RECORD_SIZE, &nextDesc, sizeof(nextDesc)) != 0)
      return fail(MAPERR_READ);
  } else {
    head.Last = number;
  }

  // The new descriptor first: a failure after it leaves a record past the
  // count, never a link to a missing one.
  int code = WriteObjectDesc(number, desc);
  if (code != 0) return fail(code);
  if (prev != 0) {
    FVSPR linked = prevDesc;
    linked.Next = DWORD(number);
    code = WriteObjectDesc(prev, &linked);
    if (code != 0) return fail(code);
  }
  if (next != 0) {
    FVSPR linked = nextDesc;
    linked.Back = DWORD(number);
    code = WriteObjectDesc(LONG(next), &linked);
    if (code != 0) {
      if (prev != 0) WriteObjectDesc(prev, &prevDesc);
      return fail(code);
    }
  }
  code = WriteSheet(SHEET_HDR, 0, &head, sizeof(head));
  if (code != 0) {
    if (prev != 0) WriteObjectDesc(prev, &prevDesc);
    if (next != 0) WriteObjectDesc(LONG(next), &nextDesc);
    return fail(code);
  }
  Head = head;
  List->Flag &= ~LISTFLAG_SORTED;
  if (edit) UnlockList();

  // A user map's sheet grows with its objects.
  if (userMap && desc->X1 != 0) {
    const double d = LONG(double(Owner->Passport.Register.Scale) * 0.005 + 0.9);
    const Corners frame{desc->X1 - d, desc->Y1 - d, desc->X2 + d, desc->Y2 + d};
    if (GrowCorners(List->Register, frame) && Owner->Map != nullptr) {
      Owner->Map->UpdateListBorder(1, EditMode);
      Owner->Map->UpdateListGeoBorder(1);
    }
  }

  const bool frameObject = FvsprIsFrame(desc) && !userMap;
  if (frameObject) List->FrameObject = number;
  List->ObjectCount = number;
  HeadBuffer.Reset();

  if (!edit) {
    Owner->PassportChanged = 1;
  } else {
    ReportChange(Owner, ListNumber, OPERATION_APPEND, OPERATION_APPEND, parts, desc->Key,
                 DWORD(number), 0);
    RaiseChangeCounter(Owner);
  }

  if (frameObject) {
    // The sheet's extent in plane metres takes in the frame.
    double factor = 1.0, x0 = Owner->Passport.OriginX, y0 = Owner->Passport.OriginY;
    if (Owner->Map != nullptr) {
      factor = Owner->Map->Factor;
      x0 = Owner->Map->X0;
      y0 = Owner->Map->Y0;
    }
    const DOUBLEPOINT view = List->ViewPosition;
    for (int k = 0; k < 2; ++k) {
      const double x = ((k ? desc->X2 : desc->X1) + view.X) * factor + x0;
      const double y = ((k ? desc->Y2 : desc->Y1) + view.Y) * factor + y0;
      if (x < List->Corner[0].X) List->Corner[0].X = x;
      if (y < List->Corner[0].Y) List->Corner[0].Y = y;
      if (x > List->Corner[1].X) List->Corner[1].X = x;
      if (y > List->Corner[1].Y) List->Corner[1].Y = y;
    }
    if (Owner->Map != nullptr) Owner->Map->CreateMapBorder();
  }
  return number;
}

// ---------------------------------------------------------------------------
// Update

int TMapList::UpdateObjectData(int n, FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn,
                               IMGDRAW* draw) {
  if (Owner == nullptr || List == nullptr || desc == nullptr) return 0;
  if (!Owner->IsOpen() || !Owner->IsWritable() || !IsWritable()) return 0;
  if (CheckRecords(metric, semn, draw) != 0) {
    Error = MAPERR_DATA;
    return 0;
  }
  BYTE parts = PART_DESC;
  List->Flag &= ~LISTFLAG_SORTED;

  // Locating the object. Numbers are never reused, so an object named by
  // a number within the count is that object, whatever links the caller's
  // copy of its descriptor carries (relocating it through stale links
  // would overwrite another object). Otherwise it is found through the
  // descriptor's links; a descriptor without links on a sheet of more than
  // one object is a new object.
  if (n < 1 || n > Head.Count) {
    if (desc->Next == 0 && desc->Back == 0) {
      if (Head.Count > 1) return AppendObjectData(desc, metric, semn, draw);
      n = 1;
    } else if (desc->Back != 0) {
      const FVSPR* prev = desc->Back <= 0x7FFFFFFFu ? ObjectDesc(int(desc->Back)) : nullptr;
      if (prev == nullptr || prev->Next > 0x7FFFFFFFu) return 0;
      n = int(prev->Next);
    } else {
      n = Head.First;
    }
  }
  if (ObjectDesc(n) == nullptr) return 0;
  desc->Next = CurrentDesc->Next;

  BYTE operation = OPERATION_UPDATE;
  const bool deleting = FvsprIsDeleted(desc);
  if (deleting) {
    operation = OPERATION_DELETE;
    ObjectsChanged = 1;
    if (FvsprIsFrame(desc)) ResetFrameCache(0);
  } else if (List->FrameObject == n && !FvsprIsFrame(desc)) {
    ResetFrameCache(0);
  }

  const bool edit = EditMode != 0;
  if (edit) {
    // The whole change, deletions included, is made under the lock.
    if (!LockList()) {
      Error = MAPERR_WRITE;
      return 0;
    }
    RaiseChangeCounter(Owner);
  }
  auto fail = [&](int code) {
    if (code != 0) Error = code;
    if (edit) UnlockList();
    return 0;
  };
  const DWORD copy = 0;  // no backup copy is kept of the old version

  if (draw != nullptr) {
    const int code = WriteObjectDraw(desc, draw);
    if (code != 0) return fail(code);
    if (desc->DrawOffset != 0) parts |= PART_DRAW;
    DrawBuffer.Reset();
  }
  BuildBorder(desc, metric != nullptr ? metric : DataAddr(desc->DataOffset), semn, draw);
  if (metric != nullptr) {
    const int code = WriteObjectData(desc, metric);
    if (code != 0) return fail(code);
    parts |= PART_DATA;
    DataBuffer.Reset();
  }
  if (semn != nullptr) {
    const int code = WriteObjectSemn(desc, semn);
    if (code != 0) return fail(code);
    parts |= PART_SEMN;
    SemnBuffer.Reset();
  }

  if (desc->Key == 0) {
    // The header is taken from the file under the lock so that another
    // writer's count is kept.
    HDRHEAD head = Head;
    HDRHEAD fresh;
    if (edit && ReadHdr(0, &fresh, sizeof(fresh)) == 0 && CheckHdrHead(&fresh)) head = fresh;
    desc->Key = head.NextKey++;
    const int code = WriteSheet(SHEET_HDR, 0, &head, sizeof(head));
    if (code != 0) return fail(code);
    Head = head;
  }

  if (IsUserMap(Owner)) {
    if (desc->X1 != 0 || desc->X2 != 0) {
      const Corners frame{double(desc->X1), double(desc->Y1), double(desc->X2), double(desc->Y2)};
      if (GrowCorners(List->Register, frame) && Owner->Map != nullptr) {
        Owner->Map->UpdateListBorder(1, EditMode);
        Owner->Map->UpdateListGeoBorder(1);
      }
    }
  }
  if (!edit) ObjectsChanged = 1;

  // Links are never taken from the caller.
  FVSPR stored;
  if (ReadHdr(int64_t(n) * SHEET_RECORD_SIZE, &stored, sizeof(stored)) != 0)
    return fail(MAPERR_READ);
  desc->Next = stored.Next;
  desc->Back = stored.Back;
  if (CurrentObject == n && CurrentDesc != nullptr && CurrentDesc != desc)
    std::memcpy(CurrentDesc, desc, sizeof(*desc));

  const int code = WriteObjectDesc(n, desc);
  if (code != 0) return fail(code);
  // The descriptor may itself lie in a cache window: copied first.
  const FVSPR written = *desc;
  HeadBuffer.UpdateRecord(n, &written);
  if (Owner->Map != nullptr && &Owner->Map->List != this &&
      Owner->Map->List.Number() == ListNumber)
    Owner->Map->List.HeadBuffer.UpdateRecord(n, &written);

  if (edit) {
    ReportChange(Owner, ListNumber, OPERATION_UPDATE, operation, parts, desc->Key, DWORD(n), copy);
    UnlockList();
  } else {
    Owner->PassportChanged = 1;
  }
  return n;
}

// ---------------------------------------------------------------------------
// Delete and graphics

int TMapList::DeleteObject() {
  if (Owner == nullptr || !Owner->IsOpen() || !Owner->IsWritable()) return 0;
  if (List == nullptr || CurrentDesc == nullptr || CurrentObject < 1) return 0;
  const int n = CurrentObject;
  ObjectsChanged = 1;
  List->Flag &= ~LISTFLAG_SORTED;
  List->ObjectCount = Head.Count;

  const bool edit = EditMode != 0;
  if (edit && !LockList()) {
    Error = MAPERR_WRITE;
    return 0;
  }
  if (FvsprIsFrame(CurrentDesc)) ResetFrameCache(0);

  // The links stored in the file win over those in the cache.
  FVSPR stored;
  if (ReadHdr(int64_t(n) * SHEET_RECORD_SIZE, &stored, sizeof(stored)) != 0) {
    Error = MAPERR_READ;
    if (edit) UnlockList();
    return 0;
  }
  FVSPR desc = *CurrentDesc;
  desc.Flags |= FVSPR_DELETED;
  desc.Next = stored.Next;
  desc.Back = stored.Back;
  const int code = WriteObjectDesc(n, &desc);
  if (code != 0) {
    Error = code;
    if (edit) UnlockList();
    return 0;
  }
  *CurrentDesc = desc;

  if (edit) {
    ReportChange(Owner, ListNumber, OPERATION_DELETE, OPERATION_DELETE, PART_DESC, desc.Key,
                 DWORD(n), 0);
    UnlockList();
    RaiseChangeCounter(Owner);
  } else {
    ++Owner->Passport.ModeCounter;
    Owner->PassportChanged = 1;
  }
  return n;
}

int TMapList::DeleteObject(int n) {
  if (ObjectDesc(n) == nullptr || Owner == nullptr) return 0;
  return DeleteObject();
}

int TMapList::UpdateObjectDraw(int n, IMGDRAW* draw) {
  if (Owner == nullptr || !IsWritable()) return 0;
  FVSPR* current = ObjectDesc(n);
  if (current == nullptr) return 0;
  if (draw != nullptr && CheckDrawRecord(draw) != 0) {
    Error = MAPERR_DATA;
    return 0;
  }
  // In edit mode the record is placed under the lock like every other.
  const bool edit = EditMode != 0;
  if (edit && !LockList()) {
    Error = MAPERR_WRITE;
    return 0;
  }
  FVSPR desc = *current;
  int code = WriteObjectDraw(&desc, draw);
  DrawBuffer.Reset();
  if (code == 0) code = WriteObjectDesc(n, &desc);
  if (edit) UnlockList();
  if (code != 0) {
    Error = code;
    return 0;
  }
  *current = desc;
  return n;
}
