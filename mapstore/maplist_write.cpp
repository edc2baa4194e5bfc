// Writing the objects of an open sheet: appending, rewriting, deleting and
// rewriting the graphics of an object, keeping the four sheet files, the
// descriptor-file header, the object chain and the sheet record
// consistent. Each write ends in a change record (SHEETCHANGE) of what the
// owner still has to do: the map object applies it with its journal,
// change callback, borders and change counter; the sheet-level writers
// apply it as a bare map base does.
//
// In edit mode (several users editing one map) every change is made under
// the sheet lock, the header is read again from the file under it so that
// objects appended by another writer are counted, new records are placed at
// the files' ends only while the lock is held, and each change is marked
// for the journal and the change callback. In every mode each change is
// marked for the map's change counter, so that other openers of the map
// know that what they read before may have moved; and what a change leaves
// as it was (record places, links) is taken from the file under the lock
// or the turn, never from what this list read before.
//
// A map written outside edit mode may still share its sheet with a writer
// in edit mode in another process. Its changes are made in the sheet's
// write turn (TakeTurn), which every writer holds while it writes an
// object: a writer in edit mode takes it with the sheet lock, one outside
// edit mode takes the turn alone and, under it, the header from the file,
// so that it counts, links and keys past whatever the other writer
// appended. The turn is one byte lock at a fixed place. Its lock and
// unlock are two calls of the system, about half of an append outside
// edit mode, so outside edit mode the turn is kept across a run of
// changes (mapstore/keptturn.h): the next change takes it back with no
// call, and it is given back once idle, after a bound while changes go
// on, and at once to another writer of the process. (A word in a shared
// view of the file would cost no call, but it would not keep out a writer
// that has no such view and takes the lock: a process another machine
// runs on the file through a network export of the disk, one whose
// mapping was refused; nor would it be let go, as the lock is, when its
// holder is killed.)
//
// Records are checked before anything is written, so a refused object
// leaves no dead space behind; a failure after records were written leaves
// them as dead space (nothing compacts the files).
//
// An append writes so that a writer stopped between any two writes (a
// killed process) leaves a sheet that takes the next append: the records,
// the new descriptor past the count, the header that counts it, and only
// then the links of its neighbours to it.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <vector>

#include "common/maperr.h"
#include "common/maperror.h"
#include "mapstore/keptturn.h"
#include "mapstore/maplist.h"
#include "mapstore/objectframe.h"
#include "platform/system.h"
#include "platform/clock.h"
#include "platform/fileio.h"
#include "platform/vfs.h"

namespace {

enum : DWORD {
  LOCK_DISTANCE = 0x18000,  // the lock lies this far past the descriptor file's end
  LOCK_LENGTH = 256,
  LOCK_TRIES = 500,
  LOCK_PAUSE = 10,  // milliseconds
};
using keptturn::TURN_LENGTH;
using keptturn::TURN_OFFSET_HIGH;
using keptturn::TURN_OFFSET_LOW;

bool IsUserMap(const TMapBase* map) { return map->Passport.Register.IsRealPlace != 0; }

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

// The write turn of the sheet whose descriptor file is `hdr`, tried the
// lock's 500 times: true when held. A turn this process keeps idle (of
// this sheet or another document's) is given back first: the process's
// calls are serialised, so none of its own writers waits for it.
bool TakeTurnOf(HANDLE hdr) {
  for (DWORD i = 0; i < LOCK_TRIES; ++i) {
    if (plat::LockFile(hdr, TURN_OFFSET_LOW, TURN_OFFSET_HIGH, TURN_LENGTH, 0)) return true;
    if (plat::GetLastError() != ERROR_LOCK_VIOLATION) return false;
    if (keptturn::GiveBackKeptTurns() > 0) continue;
    plat::Sleep(LOCK_PAUSE);
  }
  return false;
}

void EndTurnOf(HANDLE hdr) {
  plat::UnlockFile(hdr, TURN_OFFSET_LOW, TURN_OFFSET_HIGH, TURN_LENGTH, 0);
}

// The sheet lock of the descriptor file `hdr` with the write turn
// (`takeTurn`, let go by `endTurn`): true when both are held, `offset`
// then the lock's place and `locked` the file's length it was taken at.
//
// The range lies past the file's end, so two writers keep apart only
// while they compute it from the same end: a writer that waited while
// another one appended six objects or more would get a stale range that
// no longer meets the one at the new end. The end is looked at again
// once the range and the write turn are held (a writer outside edit mode
// may have grown or cut its reserves while this one waited for the
// turn); when it moved, both are let go and the range is taken at the
// new end.
template <typename Take, typename End>
bool LockAtEnd(HANDLE hdr, DWORD* offset, int64_t* locked, Take&& takeTurn, End&& endTurn) {
  for (DWORD i = 0; i < LOCK_TRIES; ++i) {
    const int64_t length = plat::FileLength(hdr);
    if (length < 0) return false;
    *offset = static_cast<DWORD>(uint64_t(length) + LOCK_DISTANCE);
    if (plat::LockFile(hdr, *offset, 0, LOCK_LENGTH, 0)) {
      if (!takeTurn()) {
        plat::UnlockFile(hdr, *offset, 0, LOCK_LENGTH, 0);
        return false;
      }
      const int64_t now = plat::FileLength(hdr);
      if (now == length) {
        *locked = length;
        return true;
      }
      endTurn();
      plat::UnlockFile(hdr, *offset, 0, LOCK_LENGTH, 0);
      if (now < 0) return false;
      continue;
    }
    // Only another holder is worth waiting for. It may wait for a turn
    // this process keeps idle: given back, so that no writer holding a
    // turn waits for the sheet lock.
    if (plat::GetLastError() != ERROR_LOCK_VIOLATION) return false;
    keptturn::GiveBackKeptTurns();
    plat::Sleep(LOCK_PAUSE);
  }
  return false;
}

// Whether a write view is in use (for the file `handle`, when not null).
bool ViewInUse(const TSheetWriteView& view, HANDLE handle) {
  return view.File() != nullptr && (handle == nullptr || view.File() == handle);
}

template <size_t N>
bool ViewsInUse(const TSheetWriteView (&views)[N], HANDLE handle) {
  return std::any_of(std::begin(views), std::end(views),
                     [&](const TSheetWriteView& view) { return ViewInUse(view, handle); });
}

// Ends a sheet's write views in use (those of `handle` only, when not
// null; views[SHEET_HDR] that of its descriptor file). The reserves are
// cut off under the sheet lock (`locked`), so that no writer in edit mode
// is between placing its records and counting them, and only as far as
// the files still end where the views left them. A writer in edit mode
// places its records at a file's length, past the reserve (the file then
// no longer ends there, and nothing is cut), but its descriptors go by
// the header's count, into the descriptor file's reserve: that file keeps
// what its header counts (`readHead` reads it). Without the lock nothing
// is cut: the reserve stays, dead space past the records.
template <size_t N, typename ReadHead>
void FinishViews(TSheetWriteView (&views)[N], HANDLE handle, bool locked, ReadHead&& readHead) {
  int64_t keep = 0;
  if (locked && ViewInUse(views[SHEET_HDR], handle)) {
    HDRHEAD head;
    keep = readHead(&head) && CheckHdrHead(&head) && head.Count >= 0
               ? (int64_t(head.Count) + 1) * SHEET_RECORD_SIZE
               : INT64_MAX;
  }
  for (size_t file = 0; file < N; ++file) {
    if (!ViewInUse(views[file], handle)) continue;
    if (!locked)
      views[file].Release();
    else
      views[file].Finish(file == SHEET_HDR ? keep : 0);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Low-level transfers and the lock

bool TMapList::WritesViewed() const {
  return EditMode == 0 && Owner != nullptr && Owner->EditMode == 0 && plat::ViewsAllowed();
}

int64_t TMapList::SheetEnd(int file) {
  HANDLE h = file >= 0 && file < SHEET_FILES ? Files[file] : nullptr;
  if (h == nullptr) return -1;
  if (file < VIEWED_FILES && WriteViews[file].File() != nullptr) {
    if (WriteViews[file].Holds(h) && WritesViewed()) return WriteViews[file].End();
    EndWriteViews(WriteViews[file].File());
  }
  return plat::FileLength(h);
}

bool TMapList::ViewReaches(int file, int64_t end) {
  TSheetWriteView& view = WriteViews[file];
  if (!view.Holds(Files[file]) || !WritesViewed()) return false;
  if (view.Reaches(end)) return true;
  // Cut short under the view: its end is no longer the file's.
  if (!view.Unchanged()) view.Release();
  return false;
}

void TMapList::EndWriteViews(HANDLE handle) {
  if (!ViewsInUse(WriteViews, handle)) return;
  // A writer in its write turn is alone with the files already: it never
  // waits for the sheet lock (a writer in edit mode may hold it, waiting
  // for the turn).
  const bool held = LockHeld || TurnDepth > 0;
  const bool locked = held || LockSheet();
  FinishViews(WriteViews, handle, locked,
              [&](HDRHEAD* head) { return ReadHdr(0, head, sizeof(*head)) == 0; });
  if (locked && !held) UnlockList();
}

void TMapList::EndKeptViews(int entry) {
  SHEETSTATE* state = States[size_t(entry)];
  HANDLE hdr = FileTable[size_t(entry)].Files[SHEET_HDR];
  if (state == nullptr || !ViewsInUse(state->WriteViews, nullptr)) return;
  // The kept sheet's own lock and turn: this list holds neither for it.
  DWORD offset = 0;
  int64_t length = 0;
  const bool locked = hdr != nullptr && LockAtEnd(hdr, &offset, &length,
                                                  [&] { return TakeTurnOf(hdr); },
                                                  [&] { EndTurnOf(hdr); });
  TSheetWriteView& head = state->WriteViews[SHEET_HDR];
  FinishViews(state->WriteViews, nullptr, locked, [&](HDRHEAD* out) {
    return (head.Holds(hdr) && head.Read(0, out, sizeof(*out))) ||
           plat::ReadExactAt(hdr, 0, out, sizeof(*out));
  });
  if (locked) {
    plat::UnlockFile(hdr, offset, 0, LOCK_LENGTH, 0);
    EndTurnOf(hdr);
  }
}

void TMapList::EndAllWriteViews() {
  EndWriteViews();
  for (int entry = 0; entry < FileSetCount(); ++entry) EndKeptViews(entry);
}

int TMapList::WriteSheet(int file, int64_t offset, const void* buffer, DWORD size, bool placed) {
  HANDLE h = file >= 0 && file < SHEET_FILES ? Files[file] : nullptr;
  if (h == nullptr) return MAPERR_WRITE;
  // What the selects learnt of the sheet's points goes before any byte of
  // it changes, whether or not the write goes out whole.
  if (Owner != nullptr && ListNumber > 0) Owner->SheetRecordsWritten(ListNumber);
  if (file < VIEWED_FILES) {
    TSheetWriteView& view = WriteViews[file];
    if (WritesViewed() && (view.Holds(h) || view.Start(h))) {
      if (view.Write(offset, buffer, size)) return 0;
      // Someone else cut the file short or grew it since the view was made:
      // the view gives way without cutting anything, and a record placed by
      // the view's end is placed again by the file's length (it might meet
      // the other writer's records, or lie past a cut).
      if (!view.Unchanged()) {
        view.Release();
        if (placed) return RECORD_MOVED;
      }
    }
    // Through the file, which reports a failure as it always has.
    EndWriteViews(h);
  }
  const int code = WriteSheetBytes(h, offset, buffer, size);
  // Only the metric file tells a full disk apart.
  return code == MAPERR_DISKFULL && file != SHEET_DAT ? MAPERR_WRITE : code;
}

bool TMapList::ReadRecordHead(int file, int64_t offset, void* out, DWORD size) {
  HANDLE h = Files[file];
  if (h == nullptr) return false;
  auto read = [&](auto& cache) {
    if (cache.File() != h) return plat::ReadExactAt(h, offset, out, size);
    return cache.ReadBytes(offset, out, size) == int64_t(size);
  };
  return file == SHEET_DAT   ? read(DataBuffer)
         : file == SHEET_SEM ? read(SemnBuffer)
                             : read(DrawBuffer);
}

int TMapList::FindClaims(bool shared) {
  // Known, and every descriptor counted looked at (the list's own appends
  // count theirs as they write them): nothing to do.
  if (Claims.Known && Claims.Counted == Head.Count && (Claims.SharedKnown || !shared)) return 0;
  // Descriptors counted since (another writer's appends, found by the
  // header): only those are looked at, from where the claims left off. A
  // writer of the library places its records past the ends it finds and
  // clear of what is claimed there, so its changes claim nothing past the
  // ends and no byte twice; what they change is the length of the files,
  // which the ends below follow.
  const bool onward = Claims.Known && Claims.Counted < Head.Count && (Claims.SharedKnown || !shared);
  if (onward) shared = false;
  SHEETCLAIMS found = onward ? Claims : SHEETCLAIMS{};
  int64_t ends[SHEET_FILES] = {};
  for (int file = SHEET_DAT; file <= SHEET_GRA; ++file) {
    // A view whose file was cut short under it (a write through another
    // view found the cut) knows no end of the file's.
    if (file < VIEWED_FILES && !WriteViews[file].EndHeld() && !WriteViews[file].Unchanged())
      WriteViews[file].Release();
    // A file that is not there has no records: all it is named for is
    // claimed.
    ends[file] = Files[file] != nullptr ? SheetEnd(file) : 0;
    if (ends[file] < 0) return MAPERR_READ;
  }
  // Only a record that starts within its longest length of a file's end
  // can reach past it: the heads of the others are read only for the
  // bytes claimed twice (`shared`).
  static const int64_t kLongest[SHEET_FILES] = {0, DATA_MAX_LENGTH, SEMN_MAX_LENGTH,
                                                DRAW_MAX_LENGTH};
  // A few descriptors (another writer's appends) are read as any are. A
  // pass over many (a sheet's first write after it opens) reads them in
  // long runs straight from the file: through the descriptor cache's view
  // it would fault in every page of the descriptor file, which costs
  // several times the copy. What this list wrote last may lie in its write
  // view: then they are all read as any are. Without memory for a long
  // run, they are read a few at a time.
  enum : int { CHUNK = 64, BLOCK = 4096 };
  const LONG from = onward ? Claims.Counted + 1 : 1;
  FVSPR small[CHUNK];
  std::vector<FVSPR> large;
  const HANDLE hdr = Files[SHEET_HDR];
  if (Head.Count - from >= CHUNK && hdr != nullptr && !WriteViews[SHEET_HDR].Holds(hdr)) {
    try {
      large.resize(size_t(std::min<LONG>(BLOCK, Head.Count - from + 1)));
    } catch (const std::bad_alloc&) {
      large.clear();
    }
  }
  FVSPR* const chunk = large.empty() ? small : large.data();
  const LONG most = large.empty() ? LONG(CHUNK) : LONG(large.size());
  bool cut[SHEET_FILES] = {};
  // Each file's records that start in it, as their heads claim them.
  std::vector<CLAIMSPAN> records[SHEET_FILES];
  if (shared) {
    try {
      records[SHEET_DAT].reserve(size_t(Head.Count));
    } catch (const std::bad_alloc&) {
      // grown record by record below
    }
  }
  for (LONG n = from; n <= Head.Count; n += most) {
    const LONG k = Head.Count - n + 1 < most ? Head.Count - n + 1 : most;
    const int64_t at = int64_t(n) * SHEET_RECORD_SIZE;
    const DWORD size = DWORD(k) * SHEET_RECORD_SIZE;
    if (large.empty() ? ReadHdr(at, chunk, size) != 0 : !plat::ReadExactAt(hdr, at, chunk, size))
      return MAPERR_READ;
    for (LONG i = 0; i < k; ++i) {
      const DWORD offsets[SHEET_FILES] = {0, chunk[i].DataOffset, chunk[i].SemnOffset,
                                          chunk[i].DrawOffset};
      for (int file = SHEET_DAT; file <= SHEET_GRA; ++file) {
        const int64_t at = offsets[file], end = ends[file];
        if (at == 0 || (!shared && at + kLongest[file] <= end)) continue;
        char head[8] = {};
        const int64_t held = at < end ? end - at : 0;
        const DWORD size = DWORD(held < SheetRecordHead(file) ? held : SheetRecordHead(file));
        if (size > 0 && !ReadRecordHead(file, at, head, size)) return MAPERR_READ;
        bool taken;
        const int64_t claimed = at + ClaimedLength(file, head, &taken);
        if (shared && at < end) {
          try {
            records[file].push_back(CLAIMSPAN{at, claimed});
          } catch (const std::bad_alloc&) {
            return MAPERR_MEMORY;
          }
        }
        if (claimed <= end) continue;
        if (taken && at < end) {
          // Its marker lies in the file (a marker cut by the end is no
          // marker the readers take).
          const char none[4] = {};
          const int code = WriteSheet(file, at, none, DWORD(SheetRecordMarker(file)));
          if (code != 0) return code;
          cut[file] = true;
        }
        found.Files[file].Add(at > end ? at : end, claimed);
      }
    }
  }
  if (cut[SHEET_DAT]) DataBuffer.Reset();
  if (cut[SHEET_SEM]) SemnBuffer.Reset();
  if (cut[SHEET_GRA]) DrawBuffer.Reset();
  if (shared) {
    for (int file = SHEET_DAT; file <= SHEET_GRA; ++file)
      FindSharedClaims(records[file].data(), records[file].size(), found.Shared[file]);
  }
  found.Known = 1;
  found.SharedKnown = onward ? Claims.SharedKnown : int(shared);
  found.Counted = Head.Count;
  std::copy(std::begin(ends), std::end(ends), found.Ends);
  Claims = found;
  KeepClaims();
  return 0;
}

void CopyClaims(SHEETCLAIMS& to, const SHEETCLAIMS& from) {
  to.Known = from.Known;
  to.SharedKnown = from.SharedKnown;
  to.Counted = from.Counted;
  auto spans = [](CLAIMSPANS& t, const CLAIMSPANS& f) {
    t.Count = std::clamp(f.Count, 0, int(CLAIMSPANS::CLAIM_SPANS) + 1);
    std::copy_n(f.Span, t.Count, t.Span);
  };
  for (int file = 0; file < SHEET_FILES; ++file) {
    spans(to.Files[file], from.Files[file]);
    spans(to.Shared[file], from.Shared[file]);
    to.Ends[file] = from.Ends[file];
  }
}

void TMapList::KeepClaims() {
  const int entry = EntryOfSheet(ListNumber);
  if (entry >= 0 && FileTable[size_t(entry)].Files[SHEET_HDR] == Files[SHEET_HDR])
    CopyClaims(KeptClaims[size_t(entry)], Claims);
}

int64_t TMapList::PlaceRecord(int file, int64_t end, DWORD marker, DWORD length) {
  int code = end < 0 ? MAPERR_WRITE : FindClaims();
  const int64_t at =
      code == 0 ? PlaceSheetRecord(file, uint64_t(end), marker, length, Claims.Files[file]) : -1;
  if (code == 0 && at < 0) code = MAPERR_WRITE;
  if (code != 0) Error = code;
  return at;
}

bool TMapList::FitsInPlace(int file, int64_t end, const FVSPR* desc, DWORD offset, DWORD length) {
  // Only the records of the object read last are rewritten where they lie.
  if (offset == 0 || CurrentDesc == nullptr || CurrentDesc->Next != desc->Next) return false;
  if (end < 0 || int64_t(offset) >= end || FindClaims(true) != 0) return false;
  // The record stored there must be one the readers take (as FindClaims
  // takes it) and at least as long.
  char head[8] = {};
  const DWORD size = DWORD(SheetRecordHead(file));
  if (int64_t(offset) + size > end || !ReadRecordHead(file, offset, head, size)) return false;
  bool taken;
  const DWORD stored = ClaimedLength(file, head, &taken);
  return taken && stored >= length && int64_t(offset) + stored <= end &&
         Claims.Shared[file].Meets(offset, stored) == nullptr;
}

int TMapList::ReadySheetFile(int file) {
  if (Files[file] != nullptr) return 1;
  // Another writer of the sheet may have created the file since it was
  // opened: creating it anew would wipe that writer's records.
  char path[MAX_PATH];
  HANDLE h = nullptr;
  if (FilePath(file, path, sizeof(path)) &&
      plat::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
    h = OpenSheetFile(path);
    // Nor is one that is there but cannot be opened (for want of
    // descriptors, or any other refusal): the write fails.
    if (h == nullptr) {
      if (OutOfDescriptors()) {
        ReportError(MAPERR_MANYFILES, path, LISTSTAGE_MANYFILES);
      } else {
        static const int kStage[SHEET_FILES] = {LISTSTAGE_HDROPEN, LISTSTAGE_DATOPEN,
                                                LISTSTAGE_SEMOPEN, LISTSTAGE_GRAOPEN};
        ReportError(MAPERR_OPEN, path, kStage[file]);
      }
      return 0;
    }
  }
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
  if (Files[SHEET_HDR] == nullptr) return 0;
  // The lock's place follows the descriptor file's length: no reserve.
  EndWriteViews();
  return LockSheet();
}

int TMapList::LockSheet() {
  HANDLE hdr = Files[SHEET_HDR];
  if (hdr == nullptr) return 0;
  int64_t length = 0;
  if (!LockAtEnd(hdr, &LockOffset, &length, [&] { return TakeTurn() != 0; }, [&] { EndTurn(); }))
    return 0;
  LockedLength = length;
  LockHeld = true;
  return 1;
}

void TMapList::UnlockList() {
  if (Files[SHEET_HDR] != nullptr) plat::UnlockFile(Files[SHEET_HDR], LockOffset, 0, LOCK_LENGTH, 0);
  LockHeld = false;
  EndTurn();
}

int TMapList::TakeTurn() {
  if (TurnDepth > 0) {
    ++TurnDepth;
    return 1;
  }
  HANDLE hdr = Files[SHEET_HDR];
  if (hdr == nullptr || (!keptturn::TakeKeptTurn(hdr) && !TakeTurnOf(hdr))) return 0;
  TurnDepth = 1;
  TurnFile = hdr;
  return 1;
}

void TMapList::EndTurn() {
  if (TurnDepth == 0 || --TurnDepth > 0) return;
  // The sheet's version tells that the change is over before anybody else
  // may write it.
  if (Owner != nullptr) Owner->SheetChangesMade(ListNumber);
  // Outside edit mode the turn is kept for the next change of a run.
  const bool keep = EditMode == 0 && Owner != nullptr && Owner->EditMode == 0;
  if (!keptturn::KeepTurn(TurnFile, keep)) EndTurnOf(TurnFile);
  TurnFile = nullptr;
}

int TMapList::BeginWrite() {
  if (EditMode != 0 ? !LockList() : !TakeTurn()) {
    Error = MAPERR_WRITE;
    return 0;
  }
  if (EditMode == 0) TakeHeadFromFile();
  // Links past the count that the sheet was opened with and read as cut
  // are cut in the file first, now that this list holds the sheet.
  if (RepairedCount != 0) {
    const int code = WriteLinkRepairs();
    if (code != 0) {
      EndWrite();
      Error = code;
      return 0;
    }
  }
  return 1;
}

void TMapList::EndWrite() {
  if (EditMode != 0)
    UnlockList();
  else
    EndTurn();
}

void TMapList::TakeHeadFromFile() {
  // Through the write view, or the descriptor cache's view of the file,
  // when there is one: no kernel entry while nobody else wrote.
  HeadInFile = false;
  HDRHEAD fresh;
  if (ReadHdr(0, &fresh, sizeof(fresh)) != 0 || !CheckHdrHead(&fresh)) return;
  if (std::memcmp(&fresh, &Head, sizeof(Head)) == 0) {
    HeadInFile = true;
    return;
  }
  // Only a copy that the file's header carries on from is replaced: no
  // writer takes objects away, so a file counting fewer than this list
  // knows (or a copy counting below zero) means damage, and the append's
  // check of the count against the file decides.
  if (Head.Count < 0 || fresh.Count < Head.Count) return;
  HeadInFile = true;
  TakeHead(fresh);
}

// ---------------------------------------------------------------------------
// Records

int TMapList::WriteObjectDesc(int n, const FVSPR* desc) {
  FrameIndex.Forget();
  return StoreObjectDesc(n, desc);
}

int TMapList::StoreObjectDesc(int n, const FVSPR* desc) {
  if (desc == nullptr) return MAPERR_INPUT;
  if (n < 1 || n > Head.Count) return MAPERR_DATA;
  // The frame of the sheet's objects the map keeps takes it in, whether
  // or not the write goes out whole; the sheet's version tells others
  // first (a temporary set of files handed to the list is nobody else's).
  if (Owner != nullptr)
    Owner->SheetObjectWritten(ListNumber, FRAME{desc->X1, desc->Y1, desc->X2, desc->Y2},
                              !AttachedFiles);
  return WriteSheet(SHEET_HDR, int64_t(n) * SHEET_RECORD_SIZE, desc, SHEET_RECORD_SIZE);
}

int TMapList::StoreRecord(int file, int64_t end, const FVSPR* desc, DWORD* offset,
                          const void* record, DWORD length, DWORD marker) {
  for (int tries = 0; tries < STORE_TRIES; ++tries) {
    if (tries > 0) end = SheetEnd(file);
    // A file shorter than this list knows it to be was cut short by someone
    // else since: what the descriptors claim is found again, so that a
    // record cut by the new end reads as damaged and nothing new goes over
    // its bytes.
    if (Claims.Known && end < Claims.Ends[file]) Claims.Known = 0;
    const bool inPlace = FitsInPlace(file, end, desc, *offset, length);
    const int64_t at = inPlace ? int64_t(*offset) : PlaceRecord(file, end, marker, length);
    if (at < 0) return Error;
    const int code = WriteSheet(file, at, record, length, true);
    if (code == RECORD_MOVED) continue;
    if (code != 0 && inPlace && file == SHEET_DAT && List != nullptr)
      ReportError(code, List->NameDAT, LISTSTAGE_DATWRITE);
    if (code != 0) return Error = code;
    if (Claims.Known && at + length > Claims.Ends[file]) Claims.Ends[file] = at + length;
    *offset = static_cast<DWORD>(at);
    return 0;
  }
  return Error = MAPERR_WRITE;
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
  return StoreRecord(SHEET_DAT, SheetEnd(SHEET_DAT), desc, &desc->DataOffset, metric,
                     metric->Length, metric->Ident);
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
  const int64_t end = SheetEnd(SHEET_SEM);
  if (end <= 0) return Error = MAPERR_WRITE;
  if (CheckSemnRecord(semn) != 0) return Error = MAPERR_DATA;
  return StoreRecord(SHEET_SEM, end, desc, &desc->SemnOffset, semn, semn->Length, 0);
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
  const int64_t end = SheetEnd(SHEET_GRA);
  if (end <= 0) return Error = MAPERR_WRITE;
  if (CheckDrawRecord(draw) != 0) return Error = MAPERR_DATA;
  return StoreRecord(SHEET_GRA, end, desc, &desc->DrawOffset, draw, draw->Length, 0);
}

// ---------------------------------------------------------------------------
// Frames

void TMapList::BuildBorder(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw) {
  if (Owner == nullptr || desc == nullptr || metric == nullptr) return;
  OBJECTFRAMECONTEXT context;
  SetObjectFrameContext(&context, &Owner->Passport, Owner->Classifier);
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
  SetObjectFrameContext(&context, &Owner->Passport, Owner->Classifier);
  if (semn == nullptr) semn = SemnAddr(desc->SemnOffset);
  if (draw == nullptr) draw = DrawAddr(desc->DrawOffset);
  BuildTextFrame(context, desc, metric, semn, draw);
}

void TMapList::TakeInFrame(const FVSPR& desc, double factor, double x0, double y0) {
  if (List == nullptr) return;
  const DOUBLEPOINT view = List->ViewPosition;
  for (int k = 0; k < 2; ++k) {
    const double x = ((k ? desc.X2 : desc.X1) + view.X) * factor + x0;
    const double y = ((k ? desc.Y2 : desc.Y1) + view.Y) * factor + y0;
    if (x < List->Corner[0].X) List->Corner[0].X = x;
    if (y < List->Corner[0].Y) List->Corner[0].Y = y;
    if (x > List->Corner[1].X) List->Corner[1].X = x;
    if (y > List->Corner[1].Y) List->Corner[1].Y = y;
  }
}

// ---------------------------------------------------------------------------
// Change records

void TMapList::StartChange(SHEETCHANGE* change) const {
  std::memset(change, 0, sizeof(*change));
  change->Sheet = ListNumber;
  change->EditMode = EditMode;
}

bool TMapList::ApplyOwnChange(const SHEETCHANGE& change) {
  if (Owner == nullptr) return true;
  // A raise that cannot be made now is owed (as the map does it).
  const bool counted = change.Counter == CHANGECOUNT_NONE || Owner->RaiseForChange();
  if (change.FrameAppended)
    TakeInFrame(change.Desc, 1.0, Owner->Passport.OriginX, Owner->Passport.OriginY);
  return counted;
}

// ---------------------------------------------------------------------------
// Append

// The links of a new object: its number, its predecessor and successor in
// the chain with their descriptors as read, and the header before the
// append.
struct TMapList::CHAINLINKS {
  HDRHEAD Before{};
  LONG Number = 0;
  LONG Prev = 0;
  DWORD Next = 0;
  FVSPR PrevDesc{};
  FVSPR NextDesc{};
};

namespace {

// The predecessor of a new object: the last object of the same local type
// or of the nearest type before it in the order POLYGON, LINE, VECTOR,
// POINT, TITLE; a mixed object goes behind the highest number. `last` gets
// the header field the new object becomes (null for a mixed object).
LONG ChainPredecessor(HDRHEAD& head, int local, LONG** last) {
  const LONG order[] = {head.LastPolygon, head.LastLine, head.LastVector, head.LastPoint,
                        head.LastTitle};
  int type;
  switch (local) {
    case LOCAL_POLYGON: type = 0, *last = &head.LastPolygon; break;
    case LOCAL_LINE: type = 1, *last = &head.LastLine; break;
    case LOCAL_VECTOR: type = 2, *last = &head.LastVector; break;
    case LOCAL_POINT: type = 3, *last = &head.LastPoint; break;
    case LOCAL_TITLE: type = 4, *last = &head.LastTitle; break;
    default:
      *last = nullptr;
      return head.Count;
  }
  for (; type > 0 && order[type] == 0; --type) {
  }
  return order[type];
}

}  // namespace

int TMapList::CheckAppend(const FVSPR* desc, const LONGMETRIC* metric, const SEMANTIC* semn,
                          const IMGDRAW* draw) {
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
  // Everything is checked before anything is written.
  if (CheckRecords(metric, semn, draw) != 0) {
    Error = MAPERR_DATA;
    return 0;
  }
  return 1;
}

int TMapList::FrameToReplace(const FVSPR* desc) {
  if (Owner == nullptr || desc == nullptr || !FvsprIsFrame(desc) || IsUserMap(Owner)) return 0;
  return GetFrameDesc() != nullptr ? CurrentObject : 0;
}

int TMapList::LockForAppend() {
  if (!BeginWrite()) return 0;
  if (EditMode == 0) return 1;
  HDRHEAD fresh;
  if (ReadHdr(0, &fresh, sizeof(fresh)) == 0 && CheckHdrHead(&fresh)) {
    Head = fresh;
  } else if (Owner->Reporter != nullptr) {
    Owner->Reporter->WriteToLog("Read head error", 1);
  }
  return 1;
}

int TMapList::AbortAppend(int code, const HDRHEAD& before) {
  if (code != 0) Error = code;
  LinkedCount = -1;
  Head = before;
  HeadBuffer.Reset();
  EndWrite();
  return 0;
}

int TMapList::WriteObjectRecords(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw,
                                 bool storedFrame) {
  if (draw != nullptr) {
    const int code = WriteObjectDraw(desc, draw);
    if (code != 0) return code;
    DrawBuffer.Reset();
  }
  LONGMETRIC* frameMetric = metric;
  SEMANTIC* frameSemn = semn;
  IMGDRAW* frameDraw = draw;
  if (storedFrame) {
    if (frameMetric == nullptr)
      frameMetric = reinterpret_cast<LONGMETRIC*>(
          ReadStoredRecord(SHEET_DAT, desc->DataOffset, StoredRecords[0]));
    if (frameSemn == nullptr)
      frameSemn = reinterpret_cast<SEMANTIC*>(
          ReadStoredRecord(SHEET_SEM, desc->SemnOffset, StoredRecords[1]));
    if (frameDraw == nullptr)
      frameDraw = reinterpret_cast<IMGDRAW*>(
          ReadStoredRecord(SHEET_GRA, desc->DrawOffset, StoredRecords[2]));
  }
  BuildBorder(desc, frameMetric, frameSemn, frameDraw);
  if (metric != nullptr) {
    const int code = WriteObjectData(desc, metric);
    if (code != 0) return code;
    DataBuffer.Reset();
  }
  if (semn != nullptr) {
    const int code = WriteObjectSemn(desc, semn);
    if (code != 0) return code;
    SemnBuffer.Reset();
  }
  return 0;
}

int TMapList::LinkIntoChain(FVSPR* desc, HDRHEAD& head, CHAINLINKS& links) {
  LONG* last = nullptr;
  LONG prev = ChainPredecessor(head, FvsprLocal(desc), &last);
  if (prev > head.Count) prev = head.Count;
  if (prev < 0) prev = 0;

  const LONG number = head.Count + 1;
  head.Count = number;
  Head.Count = number;  // StoreObjectDesc checks against it
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

  links.Number = number;
  links.Prev = prev;
  if (prev != 0) {
    if (ReadHdr(int64_t(prev) * SHEET_RECORD_SIZE, &links.PrevDesc, sizeof(links.PrevDesc)) != 0)
      return MAPERR_READ;
    desc->Next = links.PrevDesc.Next;
    desc->Back = DWORD(prev);
  }
  links.Next = desc->Next;
  if (links.Next != 0) {
    if (links.Next >= DWORD(number) ||
        ReadHdr(int64_t(links.Next) * SHEET_RECORD_SIZE, &links.NextDesc,
                sizeof(links.NextDesc)) != 0)
      return MAPERR_READ;
  } else {
    head.Last = number;
  }
  return 0;
}

int TMapList::CompleteLastLinks(const HDRHEAD& head) {
  const LONG last = head.Count;
  if (last < 2) return 0;
  FVSPR desc, prev{}, next{};
  if (ReadHdr(int64_t(last) * SHEET_RECORD_SIZE, &desc, sizeof(desc)) != 0) return 0;
  // Links outside the count are damage of another kind, left alone here.
  if (desc.Back >= DWORD(last) || desc.Next >= DWORD(last)) return 0;
  if (desc.Back != 0 &&
      ReadHdr(int64_t(desc.Back) * SHEET_RECORD_SIZE, &prev, sizeof(prev)) != 0)
    return 0;
  if (desc.Next != 0 &&
      ReadHdr(int64_t(desc.Next) * SHEET_RECORD_SIZE, &next, sizeof(next)) != 0)
    return 0;
  // Each side is either linked to the object already or still linked past
  // it as the cut-off append found it; anything else is not touched.
  const bool prevLinked = desc.Back == 0 ? head.First == last : prev.Next == DWORD(last);
  const bool prevPast = desc.Back != 0 && prev.Next == desc.Next;
  const bool nextLinked = desc.Next == 0 || next.Back == DWORD(last);
  const bool nextPast = desc.Next != 0 && next.Back == desc.Back;
  if ((!prevLinked && !prevPast) || (!nextLinked && !nextPast)) return 0;
  if (prevPast) {
    prev.Next = DWORD(last);
    const int code = WriteObjectDesc(LONG(desc.Back), &prev);
    if (code != 0) return code;
  }
  if (nextPast) {
    next.Back = DWORD(last);
    const int code = WriteObjectDesc(LONG(desc.Next), &next);
    if (code != 0) return code;
  }
  return 0;
}

int TMapList::WriteChain(const FVSPR* desc, const HDRHEAD& head, const CHAINLINKS& links) {
  // The new descriptor, then the header that counts it, then the links
  // that lead to it: whatever write is the last one done, no link names an
  // object past the count. A writer stopped after the header leaves the
  // object counted with its neighbours still linked past it; the next
  // append completes those links (CompleteLastLinks).
  int code = StoreObjectDesc(links.Number, desc);
  if (code != 0) return code;
  code = WriteSheet(SHEET_HDR, 0, &head, sizeof(head));
  if (code == 0 && links.Prev != 0) {
    FVSPR linked = links.PrevDesc;
    linked.Next = DWORD(links.Number);
    code = StoreObjectDesc(links.Prev, &linked);
  }
  if (code == 0 && links.Next != 0) {
    FVSPR linked = links.NextDesc;
    linked.Back = DWORD(links.Number);
    code = StoreObjectDesc(LONG(links.Next), &linked);
    // The predecessor's link is taken back before the count.
    if (code != 0 && links.Prev != 0) StoreObjectDesc(links.Prev, &links.PrevDesc);
  }
  // A failure takes back the count (also after a header write that may
  // have gone out in part): the object is then past the count again.
  if (code != 0) WriteSheet(SHEET_HDR, 0, &links.Before, sizeof(links.Before));
  return code;
}

int TMapList::FinishAppend(FVSPR* desc, const HDRHEAD& head, BYTE parts, SHEETCHANGE* change) {
  const bool edit = EditMode != 0;
  const LONG number = head.Count;
  Head = head;
  // The new object's records lie within the ends and clear of every claim:
  // the claims hold with it counted.
  if (Claims.Known && Claims.Counted == number - 1) Claims.Counted = number;
  FrameIndex.Appended(*this, number, *desc);
  List->Flag &= ~LISTFLAG_SORTED;
  EndWrite();

  // A user map's sheet grows with its objects.
  const bool userMap = IsUserMap(Owner);
  if (userMap && desc->X1 != 0) {
    const double d = LONG(double(Owner->Passport.Register.Scale) * 0.005 + 0.9);
    const Corners frame{desc->X1 - d, desc->Y1 - d, desc->X2 + d, desc->Y2 + d};
    change->CornersGrew = GrowCorners(List->Register, frame);
  }

  LinkedFile = Files[SHEET_HDR];
  LinkedCount = number;

  const bool frameObject = FvsprIsFrame(desc) && !userMap;
  if (frameObject) List->FrameObject = number;
  List->ObjectCount = number;
  HeadBuffer.Reset();
  if (!edit) Owner->PassportChanged = 1;

  change->Number = number;
  change->Key = desc->Key;
  change->Operation = change->CallOperation = CHANGE_APPEND;
  change->Parts = parts;
  change->Journal = edit;
  change->Counter = CountChange(CHANGECOUNT_AFTER);
  change->FrameAppended = frameObject;
  change->Desc = *desc;
  return number;
}

int TMapList::AppendChecked(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw,
                            SHEETCHANGE* change) {
  StartChange(change);
  if (Owner == nullptr || desc == nullptr || List == nullptr || Files[SHEET_HDR] == nullptr)
    return 0;
  desc->Next = desc->Back = 0;
  desc->SemnOffset = desc->DataOffset = desc->DrawOffset = 0;
  CurrentObject = 0;
  CurrentDesc = nullptr;

  // The lock (in edit mode) or the write turn is held from here on: the
  // records are placed at the files' ends and the header is taken from the
  // file under it.
  if (!LockForAppend()) return 0;
  const HDRHEAD before = Head;
  HDRHEAD head = Head;
  if (metric == nullptr && FvsprLocal(desc) != LOCAL_POINT && head.Count != 0)
    return AbortAppend(MAPERR_DATA, before);
  // After an append of this list's that nothing has followed, the file
  // holds the count it wrote and the last object's links are whole.
  const bool linked = Files[SHEET_HDR] == LinkedFile && head.Count == LinkedCount;
  // A header counting more descriptors than the file holds (a damaged
  // file, or one cut short since) would place the new one far past the
  // file's end, or overflow. Under the lock the length is known; outside
  // edit mode, for the header the file holds, the write view tells whether
  // the file still holds the count (the descriptors another writer
  // appended lie in its reserve); any other is held against the end of
  // what this list wrote.
  const int64_t counted = (int64_t(head.Count) + 1) * SHEET_RECORD_SIZE;
  const int64_t length = EditMode != 0                                   ? LockedLength
                         : HeadInFile && ViewReaches(SHEET_HDR, counted) ? counted
                                                                         : SheetEnd(SHEET_HDR);
  if (!CheckHdrCount(&head, length)) return AbortAppend(MAPERR_DATA, before);
  // The chain is whole again before a new object joins it.
  int code = linked ? 0 : CompleteLastLinks(head);
  if (code != 0) return AbortAppend(code, before);

  code = WriteObjectRecords(desc, metric, semn, draw, false);
  if (code != 0) return AbortAppend(code, before);
  BYTE parts = CHANGEPART_DESC;
  if (draw != nullptr && desc->DrawOffset != 0) parts |= CHANGEPART_DRAW;
  if (metric != nullptr && desc->DataOffset != 0) parts |= CHANGEPART_DATA;
  if (semn != nullptr && desc->SemnOffset != 0) parts |= CHANGEPART_SEMN;

  CHAINLINKS links;
  links.Before = before;
  code = LinkIntoChain(desc, head, links);
  if (code == 0) code = WriteChain(desc, head, links);
  if (code != 0) return AbortAppend(code, before);
  return FinishAppend(desc, head, parts, change);
}

int TMapList::AppendObjectData(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw) {
  if (!CheckAppend(desc, metric, semn, draw)) return 0;
  // A new sheet frame replaces the old one.
  if (FrameToReplace(desc) != 0) DeleteObject();
  SHEETCHANGE change;
  const int number = AppendChecked(desc, metric, semn, draw, &change);
  ApplyOwnChange(change);
  return number;
}

// ---------------------------------------------------------------------------
// Update

int TMapList::LocateUpdate(int n, FVSPR* desc, const LONGMETRIC* metric, const SEMANTIC* semn,
                           const IMGDRAW* draw) {
  if (Owner == nullptr || List == nullptr || desc == nullptr) return 0;
  if (!Owner->IsOpen() || !Owner->IsWritable() || !IsWritable()) return 0;
  if (CheckRecords(metric, semn, draw) != 0) {
    Error = MAPERR_DATA;
    return 0;
  }
  List->Flag &= ~LISTFLAG_SORTED;

  // Relocating an object through stale links would overwrite another one:
  // a number within the count wins.
  if (n < 1 || n > Head.Count) {
    if (desc->Next == 0 && desc->Back == 0) {
      if (Head.Count > 1) return UPDATE_APPENDS;
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
  return n;
}

void TMapList::TakeStoredPlaces(FVSPR* desc, const FVSPR& stored, bool metric) {
  // A record given is placed by where the stored one lies (rewritten there
  // when it fits); one not given is kept where it lies, and the frame is
  // measured on the metric as the file holds it (WriteObjectRecords). The
  // frame of an object without a metric is the one given.
  desc->DataOffset = stored.DataOffset;
  desc->SemnOffset = stored.SemnOffset;
  desc->DrawOffset = stored.DrawOffset;
  if (!metric && stored.DataOffset != 0) {
    desc->Flags = BYTE((desc->Flags & ~FVSPR_3D) | (stored.Flags & FVSPR_3D));
    desc->X1 = stored.X1;
    desc->Y1 = stored.Y1;
    desc->X2 = stored.X2;
    desc->Y2 = stored.Y2;
  }
}

int TMapList::RewriteObject(int n, FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn,
                            IMGDRAW* draw, SHEETCHANGE* change) {
  StartChange(change);
  if (Owner == nullptr || List == nullptr || desc == nullptr) return 0;
  if (n < 1 || CurrentObject != n || CurrentDesc == nullptr) return 0;

  BYTE operation = CHANGE_UPDATE;
  if (FvsprIsDeleted(desc)) {
    operation = CHANGE_DELETE;
    ObjectsChanged = 1;
    if (FvsprIsFrame(desc)) ResetFrameCache(0);
  } else if (List->FrameObject == n && !FvsprIsFrame(desc)) {
    ResetFrameCache(0);
  }

  // The whole change, deletions included, is made under the lock (in edit
  // mode, where it counts from the moment the lock is held) or in the
  // write turn.
  const bool edit = EditMode != 0;
  if (!BeginWrite()) return 0;
  change->Counter = CountChange(CHANGECOUNT_BEFORE);
  auto fail = [&](int code) {
    if (code != 0) Error = code;
    EndWrite();
    return 0;
  };

  // What the caller does not give stays as the file holds it now, not as
  // this list read it: another writer may have moved or rewritten the
  // object's records since.
  FVSPR stored;
  if (ReadHdr(int64_t(n) * SHEET_RECORD_SIZE, &stored, sizeof(stored)) != 0)
    return fail(MAPERR_READ);
  TakeStoredPlaces(desc, stored, metric != nullptr);

  // In edit mode the stored version is kept as a backup copy first, for
  // undo and for stepping the object back: with its records when any
  // record changes, else the descriptor alone.
  DWORD backup = 0;
  if (edit && operation != CHANGE_DELETE)
    backup =
        DWORD(SaveOldVersion(stored, metric != nullptr || semn != nullptr || draw != nullptr));

  const int written = WriteObjectRecords(desc, metric, semn, draw, true);
  if (written != 0) return fail(written);
  BYTE parts = CHANGEPART_DESC;
  if (draw != nullptr && desc->DrawOffset != 0) parts |= CHANGEPART_DRAW;
  if (metric != nullptr) parts |= CHANGEPART_DATA;
  if (semn != nullptr) parts |= CHANGEPART_SEMN;

  if (desc->Key == 0) {
    // The header is taken from the file under the lock so that another
    // writer's count is kept (in the write turn it was taken already).
    HDRHEAD head = Head;
    HDRHEAD fresh;
    if (edit && ReadHdr(0, &fresh, sizeof(fresh)) == 0 && CheckHdrHead(&fresh)) head = fresh;
    desc->Key = head.NextKey++;
    const int code = WriteSheet(SHEET_HDR, 0, &head, sizeof(head));
    if (code != 0) return fail(code);
    Head = head;
  }

  if (IsUserMap(Owner) && (desc->X1 != 0 || desc->X2 != 0)) {
    const Corners frame{double(desc->X1), double(desc->Y1), double(desc->X2), double(desc->Y2)};
    change->CornersGrew = GrowCorners(List->Register, frame);
  }
  if (!edit) ObjectsChanged = 1;

  // Links are never taken from the caller.
  desc->Next = stored.Next;
  desc->Back = stored.Back;
  if (CurrentObject == n && CurrentDesc != nullptr && CurrentDesc != desc)
    std::memcpy(CurrentDesc, desc, sizeof(*desc));

  const int code = StoreObjectDesc(n, desc);
  if (code != 0) return fail(code);
  // The descriptor may itself lie in a cache window: copied first.
  change->Desc = *desc;
  HeadBuffer.UpdateRecord(n, &change->Desc);
  FrameIndex.Changed(*this, n, change->Desc);

  change->Number = n;
  change->Key = change->Desc.Key;
  change->Operation = CHANGE_UPDATE;
  change->CallOperation = operation;
  change->Parts = parts;
  change->Backup = backup;
  if (edit)
    change->Journal = 1;
  else
    Owner->PassportChanged = 1;
  EndWrite();
  return n;
}

int TMapList::UpdateObjectData(int n, FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn,
                               IMGDRAW* draw) {
  const int located = LocateUpdate(n, desc, metric, semn, draw);
  if (located == UPDATE_APPENDS) return AppendObjectData(desc, metric, semn, draw);
  if (located == 0) return 0;
  SHEETCHANGE change;
  const int result = RewriteObject(located, desc, metric, semn, draw, &change);
  ApplyOwnChange(change);
  return result;
}

// ---------------------------------------------------------------------------
// Delete and graphics

int TMapList::DeleteCurrent(SHEETCHANGE* change) {
  StartChange(change);
  if (Owner == nullptr || !Owner->IsOpen() || !Owner->IsWritable()) return 0;
  if (List == nullptr || CurrentDesc == nullptr || CurrentObject < 1) return 0;
  const int n = CurrentObject;
  ObjectsChanged = 1;
  List->Flag &= ~LISTFLAG_SORTED;

  const bool edit = EditMode != 0;
  if (!BeginWrite()) return 0;
  if (CurrentDesc == nullptr) {
    EndWrite();
    return 0;
  }
  List->ObjectCount = Head.Count;
  if (FvsprIsFrame(CurrentDesc)) ResetFrameCache(0);

  FVSPR stored;
  if (ReadHdr(int64_t(n) * SHEET_RECORD_SIZE, &stored, sizeof(stored)) != 0) {
    Error = MAPERR_READ;
    EndWrite();
    return 0;
  }
  // The descriptor as the file holds it: another writer may have moved
  // the object's records since this list read it.
  FVSPR desc = stored;
  desc.Flags |= FVSPR_DELETED;
  const int code = StoreObjectDesc(n, &desc);
  if (code != 0) {
    Error = code;
    EndWrite();
    return 0;
  }
  *CurrentDesc = desc;
  FrameIndex.Changed(*this, n, desc);

  change->Number = n;
  change->Key = desc.Key;
  change->Operation = change->CallOperation = CHANGE_DELETE;
  change->Parts = CHANGEPART_DESC;
  change->Desc = desc;
  change->Counter = CountChange(CHANGECOUNT_AFTER);
  if (edit)
    change->Journal = 1;
  else
    Owner->PassportChanged = 1;
  EndWrite();
  return n;
}

int TMapList::DeleteObject() {
  SHEETCHANGE change;
  const int n = DeleteCurrent(&change);
  ApplyOwnChange(change);
  return n;
}

int TMapList::DeleteObject(int n) {
  if (ObjectDesc(n) == nullptr || Owner == nullptr) return 0;
  return DeleteObject();
}

int TMapList::RewriteDraw(int n, IMGDRAW* draw, SHEETCHANGE* change) {
  StartChange(change);
  if (Owner == nullptr || !IsWritable()) return 0;
  FVSPR* current = ObjectDesc(n);
  if (current == nullptr) return 0;
  if (draw != nullptr && CheckDrawRecord(draw) != 0) {
    Error = MAPERR_DATA;
    return 0;
  }
  // The record is placed under the lock or in the write turn like every
  // other, and the links are those stored: another writer may have linked
  // an object behind this one since it was read.
  if (!BeginWrite()) return 0;
  current = ObjectDesc(n);
  if (current == nullptr) {
    EndWrite();
    return 0;
  }
  // Everything but the graphics as the file holds it.
  FVSPR desc;
  int code = ReadHdr(int64_t(n) * SHEET_RECORD_SIZE, &desc, sizeof(desc)) != 0
                 ? MAPERR_READ
                 : WriteObjectDraw(&desc, draw);
  DrawBuffer.Reset();
  if (code == 0) code = StoreObjectDesc(n, &desc);
  EndWrite();
  if (code != 0) {
    Error = code;
    return 0;
  }
  *current = desc;
  FrameIndex.Changed(*this, n, desc);

  // Not journalled: only observers hear of it. Counted as every change is,
  // so that other openers know that what they read of the object moved.
  change->Counter = CountChange(CHANGECOUNT_AFTER);
  change->Number = n;
  change->Key = desc.Key;
  change->Operation = change->CallOperation = CHANGE_UPDATE;
  change->Parts = BYTE(CHANGEPART_DESC | (desc.DrawOffset != 0 ? CHANGEPART_DRAW : 0));
  change->Desc = desc;
  return n;
}

int TMapList::UpdateObjectDraw(int n, IMGDRAW* draw) {
  SHEETCHANGE change;
  const int result = RewriteDraw(n, draw, &change);
  ApplyOwnChange(change);
  return result;
}
