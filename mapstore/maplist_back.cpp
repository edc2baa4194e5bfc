// Backup copies of earlier object versions: four files per sheet in the
// map's log folder. The descriptor backup holds a header record and then
// 48-byte descriptor copies; the other three hold the saved records one
// after another behind their file's signature, without alignment. A copy's
// record offsets point into them (0: not saved); bit 31 of its first word
// marks a copy saved without records.
#include <cstring>
#include <new>

#include "common/maperr.h"
#include "mapstore/mapjoin.h"
#include "mapstore/maplist.h"
#include "mapstore/maplog.h"
#include "platform/fileio.h"
#include "platform/path.h"

namespace {

constexpr DWORD kNoRecords = 0x80000000u; // a copy saved without its records

const char *SheetName(const LISTDESC *list, int file) {
  switch (file) {
  case SHEET_HDR:
    return list->NameHDR;
  case SHEET_DAT:
    return list->NameDAT;
  case SHEET_SEM:
    return list->NameSEM;
  default:
    return list->NameGRA;
  }
}

// The backup's path: the log folder, the base of the sheet file's name and
// the backup extension. 0 when the name is not a plain file name or the
// whole does not fit.
int BackPath(const TMapBase *map, const LISTDESC *list, int file, char *out,
             size_t size) {
  out[0] = 0;
  const char *name = SheetName(list, file);
  const size_t field = sizeof(list->NameHDR);
  size_t length = strnlen(name, field);
  if (length == 0 || length == field)
    return 0;
  char base[sizeof(list->NameHDR)];
  std::memcpy(base, name, length);
  base[length] = 0;
  if (char *dot = std::strrchr(base, '.'); dot != nullptr && dot != base)
    *dot = 0;
  char plain[sizeof(list->NameHDR) + 8];
  const int userMap = map->Passport.Register.IsRealPlace != 0;
  if (!JoinText(plain, sizeof(plain),
                {base, SheetBackupExtension(file, userMap)}))
    return 0;
  return TMapPassport::JoinFolderName(map->LogFolder, plain, sizeof(plain), out,
                                      size);
}

int64_t Length(HANDLE h) { return h != nullptr ? plat::FileLength(h) : -1; }

// Appends `size` bytes at the end of a backup file: the offset written at,
// or 0 when the file is empty (no signature) or the write fails.
DWORD AppendAtEnd(HANDLE h, const void *data, DWORD size) {
  const int64_t end = Length(h);
  if (end <= 0 || end + int64_t(size) > int64_t(0xFFFFFFFFu))
    return 0;
  if (!plat::WriteExactAt(h, end, data, size))
    return 0;
  return DWORD(end);
}

// Reads the record at `offset` of a backup file or of a sheet file into
// `out`, straight from the file: its head gives its length, which must be
// one the sheet files allow. 1, 0 for a failed read, -1 for a damaged
// record.
int ReadSaved(HANDLE h, int file, DWORD offset, std::vector<char> &out) {
  const int64_t end = Length(h);
  if (end < 0 || int64_t(offset) >= end)
    return -1;
  char head[8] = {};
  const DWORD headSize = file == SHEET_SEM ? 4 : 8;
  if (!plat::ReadExactAt(h, offset, head, headSize))
    return 0;
  DWORD length;
  if (file == SHEET_SEM) {
    WORD size;
    std::memcpy(&size, head + 2, 2);
    length = size;
  } else {
    std::memcpy(&length, head + 4, 4);
  }
  // The length is checked before anything is allocated for it.
  const DWORD limit = file == SHEET_DAT   ? DWORD(DATA_MAX_LENGTH)
                      : file == SHEET_SEM ? DWORD(SEMN_MAX_LENGTH)
                                          : DWORD(DRAW_MAX_LENGTH);
  if (length < headSize || length > limit || int64_t(offset) + length > end)
    return -1;
  try {
    out.assign(length, 0);
  } catch (const std::bad_alloc &) {
    return 0;
  }
  if (!plat::ReadExactAt(h, offset, out.data(), length))
    return 0;
  int bad;
  switch (file) {
  case SHEET_DAT:
    bad = CheckDataRecord(reinterpret_cast<LONGMETRIC *>(out.data()));
    break;
  case SHEET_SEM:
    bad = CheckSemnRecord(reinterpret_cast<SEMANTIC *>(out.data()));
    break;
  default:
    bad = CheckDrawRecord(reinterpret_cast<IMGDRAW *>(out.data()));
    break;
  }
  return bad ? -1 : 1;
}

} // namespace

int TMapList::OpenBackFiles() {
  CloseBackFiles();
  if (Owner == nullptr || List == nullptr)
    return 0;
  const DWORD flags =
      EditMode ? FILE_FLAG_WRITE_THROUGH : FILE_ATTRIBUTE_NORMAL;
  for (int file = 0; file < SHEET_FILES; ++file) {
    char path[MAX_PATH];
    if (!BackPath(Owner, List, file, path, sizeof(path)))
      break;
    // Opened, or made when missing: an existing file is never truncated
    // (an open that fails for another reason fails here).
    HANDLE h = OpenPath(path, GENERIC_READ | GENERIC_WRITE, LISTSHARE_DEFAULT,
                        OPEN_ALWAYS, flags);
    if (h == nullptr)
      break;
    Backs[file] = h;
    if (Length(h) > 0)
      continue;
    // A new or empty file gets its head: a header record, or the sheet
    // file's signature (the metric backup without a second word).
    bool ok;
    if (file == SHEET_HDR) {
      HDRHEAD head;
      InitHdrHead(&head);
      ok = plat::WriteExactAt(h, 0, &head, sizeof(head));
    } else {
      const DWORD ident = SheetFileIdent(file);
      ok = plat::WriteExactAt(h, 0, &ident, sizeof(ident));
    }
    if (!ok)
      break;
  }
  for (HANDLE h : Backs) {
    if (h == nullptr) {
      CloseBackFiles();
      return 0;
    }
  }
  if (IsFileSetKept(ListNumber))
    KeepFileSet();
  return 1;
}

void TMapList::CloseBackFiles() {
  for (HANDLE &h : Backs) {
    if (h == nullptr)
      continue;
    // The table of kept sheets may hold the same handle: it is cleared
    // there too, so that it is neither closed twice nor used closed.
    for (int entry = 0; entry < FileSetCount(); ++entry) {
      bool held = false;
      for (HANDLE &kept : FileTable[size_t(entry)].Backs) {
        if (kept == h) {
          kept = nullptr;
          held = true;
        }
      }
      if (held)
        CountHeld(entry);
    }
    plat::CloseHandle(h);
    h = nullptr;
  }
}

int TMapList::DeleteBackFiles() {
  if (Owner == nullptr || List == nullptr)
    return 0;
  CloseBackFiles();
  for (int file = 0; file < SHEET_FILES; ++file) {
    char path[MAX_PATH];
    if (BackPath(Owner, List, file, path, sizeof(path)))
      plat::DeleteFileA(path);
  }
  if (Owner->Journal == nullptr)
    return 0;
  return logCreateAction(Owner->Journal, ACTION_BACKUPDROP);
}

int TMapList::GetBackObjectCount() {
  if (Backs[SHEET_HDR] == nullptr && !OpenBackFiles())
    return 0;
  const int64_t length = Length(Backs[SHEET_HDR]);
  if (length < int64_t(2 * SHEET_RECORD_SIZE))
    return 0;
  const int64_t count = length / SHEET_RECORD_SIZE - 1;
  return count > 0x7FFFFFFF ? 0x7FFFFFFF : int(count);
}

char *TMapList::ReadBackObject(int k, char *buffer) {
  if (k < 1 || buffer == nullptr)
    return nullptr;
  if (k > GetBackObjectCount())
    return nullptr;
  if (!plat::ReadExactAt(Backs[SHEET_HDR], int64_t(k) * SHEET_RECORD_SIZE,
                         buffer, SHEET_RECORD_SIZE))
    return nullptr;
  return buffer;
}

int TMapList::SaveBackObject(const FVSPR *desc, const LONGMETRIC *metric,
                             const SEMANTIC *semn, const IMGDRAW *draw) {
  if (desc == nullptr)
    return 0;
  if (Backs[SHEET_HDR] == nullptr && !OpenBackFiles())
    return 0;
  FVSPR copy = *desc;
  if (metric == nullptr && semn == nullptr && draw == nullptr) {
    copy.Next |= kNoRecords;
  } else {
    copy.SemnOffset = copy.DataOffset = copy.DrawOffset = 0;
    if (metric != nullptr && CheckDataRecord(metric) == 0)
      copy.DataOffset = AppendAtEnd(Backs[SHEET_DAT], metric, metric->Length);
    if (semn != nullptr && CheckSemnRecord(semn) == 0)
      copy.SemnOffset = AppendAtEnd(Backs[SHEET_SEM], semn, semn->Length);
    if (draw != nullptr && CheckDrawRecord(draw) == 0)
      copy.DrawOffset = AppendAtEnd(Backs[SHEET_GRA], draw, draw->Length);
  }
  // The copy goes after the last whole record: a torn copy left by a
  // failed write is overwritten.
  const int64_t length = Length(Backs[SHEET_HDR]);
  if (length < int64_t(SHEET_RECORD_SIZE))
    return 0;
  const int64_t index = length / SHEET_RECORD_SIZE;
  if (index > 0x7FFFFFFF)
    return 0;
  if (!plat::WriteExactAt(Backs[SHEET_HDR], index * SHEET_RECORD_SIZE, &copy,
                          sizeof(copy)))
    return 0;
  return int(index);
}

int TMapList::MarkBackObject(int k) {
  FVSPR copy;
  if (ReadBackObject(k, reinterpret_cast<char *>(&copy)) == nullptr)
    return 0;
  copy.Flags |= FVSPR_DELETED;
  return plat::WriteExactAt(Backs[SHEET_HDR], int64_t(k) * SHEET_RECORD_SIZE,
                            &copy, sizeof(copy))
             ? 1
             : 0;
}

int TMapList::DeleteObjectCopyToNumber(int count, DWORD key) {
  if (count < 1 || List == nullptr)
    return 0;
  int marked = 0;
  for (int k = GetBackObjectCount(); k >= 1 && marked < count; --k) {
    FVSPR copy;
    if (ReadBackObject(k, reinterpret_cast<char *>(&copy)) == nullptr)
      return 0;
    if (FvsprIsDeleted(&copy) || copy.Key != key)
      continue;
    if (!MarkBackObject(k))
      return 0;
    ++marked;
  }
  return marked == count ? 1 : 0;
}

int TMapList::ReadObjectCopyByNumber(int i, const FVSPR &current,
                                     BACKCOPY *out) {
  if (out == nullptr || i < 1 || List == nullptr || !IsOpen())
    return 0;
  // The i-th newest unmarked copy of the object's key.
  FVSPR copy;
  int k = GetBackObjectCount();
  for (int found = 0; k >= 1; --k) {
    if (ReadBackObject(k, reinterpret_cast<char *>(&copy)) == nullptr)
      return 0;
    if (FvsprIsDeleted(&copy) || copy.Key != current.Key)
      continue;
    if (++found == i)
      break;
  }
  if (k < 1)
    return 0;

  out->Metric.clear();
  out->Semn.clear();
  out->Draw.clear();
  // A copy saved without records stands for the object's records as the
  // sheet holds them now: they are read at the object's current offsets.
  const bool inSheet = (copy.Next & kNoRecords) != 0;
  copy.Next &= ~kNoRecords;
  const FVSPR &from = inSheet ? current : copy;
  const HANDLE dat = inSheet ? Files[SHEET_DAT] : Backs[SHEET_DAT];
  const HANDLE sem = inSheet ? Files[SHEET_SEM] : Backs[SHEET_SEM];
  const HANDLE gra = inSheet ? Files[SHEET_GRA] : Backs[SHEET_GRA];
  struct {
    HANDLE file;
    int kind;
    DWORD offset;
    std::vector<char> *record;
  } const parts[] = {{dat, SHEET_DAT, from.DataOffset, &out->Metric},
                     {sem, SHEET_SEM, from.SemnOffset, &out->Semn},
                     {gra, SHEET_GRA, from.DrawOffset, &out->Draw}};
  for (const auto &part : parts) {
    if (part.offset == 0)
      continue;
    const int read = part.file != nullptr ? ReadSaved(part.file, part.kind,
                                                      part.offset, *part.record)
                                          : -1;
    if (read != 1) {
      if (read < 0)
        Error = MAPERR_DATA;
      return 0;
    }
  }
  // The copy takes the object's place: its offsets and links.
  copy.Next = current.Next;
  copy.Back = current.Back;
  copy.SemnOffset = current.SemnOffset;
  copy.DataOffset = current.DataOffset;
  copy.DrawOffset = current.DrawOffset;
  out->Desc = copy;
  return k;
}

int TMapList::RestoreBackObject(int k, const FVSPR &current, BACKCOPY *out) {
  if (k < 1 || out == nullptr || List == nullptr)
    return 0;
  // The rank of copy k among the object's unmarked copies, newest first.
  int rank = 0;
  for (int j = GetBackObjectCount(); j >= k; --j) {
    FVSPR copy;
    if (ReadBackObject(j, reinterpret_cast<char *>(&copy)) == nullptr)
      return 0;
    if (FvsprIsDeleted(&copy) || copy.Key != current.Key) {
      if (j == k)
        return 0;
      continue;
    }
    ++rank;
  }
  if (rank == 0)
    return 0;
  return ReadObjectCopyByNumber(rank, current, out) == k ? rank : 0;
}

int TMapList::SaveOldVersion(const FVSPR &stored, bool records) {
  if (!records)
    return SaveBackObject(&stored, nullptr, nullptr, nullptr);
  const void *saved[3] = {
      ReadStoredRecord(SHEET_DAT, stored.DataOffset, StoredRecords[0]),
      ReadStoredRecord(SHEET_SEM, stored.SemnOffset, StoredRecords[1]),
      ReadStoredRecord(SHEET_GRA, stored.DrawOffset, StoredRecords[2])};
  // An object without semantics is saved with an empty record.
  SEMANTIC empty = {SEMANTIC_IDENT, SEMANTIC_HEAD};
  if (saved[1] == nullptr)
    saved[1] = &empty;
  return SaveBackObject(&stored, static_cast<const LONGMETRIC *>(saved[0]),
                        static_cast<const SEMANTIC *>(saved[1]),
                        static_cast<const IMGDRAW *>(saved[2]));
}

char *TMapList::ReadStoredRecord(int file, DWORD offset, std::vector<char> &out,
                                 bool *failed) {
  const int read = offset != 0 && Files[file] != nullptr
                       ? ReadSaved(Files[file], file, offset, out)
                       : -1;
  if (failed != nullptr)
    *failed = read == 0;
  return read == 1 ? out.data() : nullptr;
}
