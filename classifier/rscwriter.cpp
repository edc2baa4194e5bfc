// The classifier writer: the whole classifier is laid out in memory table by
// table, in the order OBJ, CLS, DEF, SEM, POS, SEG, PAR, LIM, PRN, PAL,
// TXT, GRS, IML, each table at (end + 20) & ~15 behind its tag, and then
// written over the file in pieces. The file is copied to its backup first;
// a write that fails puts the backup back, so the file is either the new
// classifier or the old one.
//
// The new bytes go over the classifier's own file rather than into a
// temporary file renamed over it. Several maps (in this and other
// processes) may hold the same classifier open with shared reading and
// writing, each through a handle of its own: a rename would leave their
// handles on the old, unlinked file, and their later saves would vanish
// while reporting success. The platform layer can't rename over an existing
// file either, so the swap would leave a moment with no classifier at all.
// Writing in place keeps the file every handle sees; the file is never cut
// first (only at the end of a whole write), so a write that fails for lack
// of space leaves the old bytes in blocks the restore can rewrite, and the
// backup stays on disk whatever happens.
#include <strings.h>

#include <cstring>

#include "classifier/rscwrite.h"
#include "common/copyfile.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "platform/fileio.h"
#include "platform/memory.h"

namespace {

const char kDeletedName[] = "ОБЪЕКТ УДАЛЕН";

// A growing output block from the page allocator.
class TRscOut {
 public:
  explicit TRscOut(DWORD hint) {
    Size = hint < 65536 ? 65536 : hint;
    Data = (BYTE*)plat::AllocPages(Size);
    if (!Data) Size = 0;
  }
  ~TRscOut() {
    if (Data) plat::FreePages(Data);
  }
  TRscOut(const TRscOut&) = delete;
  TRscOut& operator=(const TRscOut&) = delete;

  bool Ok() const { return Data && !Failed; }
  DWORD Used() const { return Length; }
  BYTE* At(DWORD offset) { return Data + offset; }
  BYTE* Release() {
    BYTE* data = Data;
    Data = nullptr;
    return data;
  }

  // n zero bytes at the end; their offset (or 0 after a failure).
  DWORD Grow(uint64_t n) {
    if (!Ok()) return 0;
    const uint64_t need = uint64_t(Length) + n;
    if (need > 0xFFFFFFF0u) return Fail();
    if (need > Size) {
      uint64_t size = uint64_t(Size) * 2;
      while (size < need) size *= 2;
      if (size > 0xFFFFFFF0u) size = need;
      BYTE* data = (BYTE*)plat::AllocPages(SIZE_T(size));
      if (!data) return Fail();
      std::memcpy(data, Data, Length);
      plat::FreePages(Data);
      Data = data;
      Size = DWORD(size);
    }
    const DWORD at = Length;
    Length = DWORD(need);  // the allocator's blocks come zero-filled
    return at;
  }
  DWORD Put(const void* bytes, uint64_t n) {
    const DWORD at = Grow(n);
    if (Ok() && n) std::memcpy(Data + at, bytes, size_t(n));
    return at;
  }
  // Begins a table: its tag in the four bytes before (end + 20) & ~15.
  DWORD Begin(int table) {
    const DWORD start = DWORD((uint64_t(Length) + 20) & ~uint64_t(15));
    Grow(start - Length);
    if (!Ok()) return 0;
    const DWORD tag = rscTableTag(table);
    std::memcpy(Data + start - 4, &tag, 4);
    return start;
  }
  DWORD Fail() {
    Failed = true;
    return 0;
  }

 private:
  BYTE* Data = nullptr;
  DWORD Size = 0;
  DWORD Length = 0;
  bool Failed = false;
};

inline DWORD Pad(DWORD length, DWORD unit) { return (length + unit - 1) & ~(unit - 1); }

// The address of `count` records of `size` bytes at a reference, null when
// they are not all there.
const BYTE* Records(const TRSCDATA* d, DWORD ref, uint64_t count, DWORD size) {
  if (!ref || !count) return nullptr;
  if (!rscRefExtent(d, ref, count * size)) return nullptr;
  return rscRefAddress(d, ref);
}

// A fixed-size table of the header copy, whole.
const BYTE* FixedTable(const TRSCDATA* d, int table, DWORD size, bool* ok) {
  const RSCTABLE& t = d->Head.Tables[table];
  if (!t.Count) return nullptr;
  const BYTE* records = Records(d, t.Offset, t.Count, size);
  if (!records) *ok = false;
  return records;
}

// Writes an image parameter record padded to a multiple of `unit`.
DWORD PutImage(TRscOut& out, const VIEPAR* par, WORD number, DWORD unit) {
  const DWORD length = par->Length < RSC_PAR_HEAD ? DWORD(RSC_PAR_HEAD) : par->Length;
  const DWORD padded = Pad(length, unit);
  const DWORD at = out.Grow(padded);
  if (!out.Ok()) return 0;
  std::memcpy(out.At(at), par, par->Length < RSC_PAR_HEAD ? RSC_PAR_HEAD : par->Length);
  auto* copy = (VIEPAR*)out.At(at);
  copy->Length = padded;
  copy->Number = number;
  return padded;
}

// A deleted object in its stored form.
void DeletedForm(TABOBJ* obj) {
  obj->Excode = 0;
  std::memset(obj->Name, 0, sizeof obj->Name);
  std::memcpy(obj->Name, kDeletedName, sizeof kDeletedName);
  obj->RelCount = 0;
}

}  // namespace

bool rscBackupName(const char* path, char* backup, int size) {
  if (!path || !backup || size < 1) return false;
  const size_t length = std::strlen(path);
  size_t stem = length;
  for (size_t i = length; i > 0; i--) {
    const char c = path[i - 1];
    if (c == '/' || c == '\\' || c == ':') break;
    if (c == '.') {
      stem = i - 1;
      break;
    }
  }
  // A classifier that already carries the backup extension would be its
  // own backup (and deleted before it is copied): its backup name adds the
  // extension to the whole name instead.
  if (stem < length && strcasecmp(path + stem, ".~RS") == 0) stem = length;
  if (stem + 4 >= size_t(size)) return false;
  std::memcpy(backup, path, stem);
  std::memcpy(backup + stem, ".~RS", 5);
  return true;
}

BYTE* rscLayoutRsc(TRSCDATA* d, DWORD* size) {
  if (!rscIsOpen(d) || !size) return nullptr;
  *size = 0;
  const RSCHEAD& mem = d->Head;
  const DWORD count = mem.Tables[RSC_OBJ].Count;
  if (count >= d->ObjIndexSize) return nullptr;
  RSCOBJINDEX* index = d->ObjIndex;

  // A first guess of the size: the image and the pool hold every record.
  TRscOut out(d->ImageSize + d->PoolNextRef / 2 + 65536);
  RSCHEAD head = mem;
  std::memset(head.Tables, 0, sizeof head.Tables);
  out.Grow(RSC_HEADSIZE);
  bool whole = true;

  // OBJ: one record per object number; records shorter than 112 bytes are
  // padded with zeros, deleted objects take the deleted form (in memory
  // too). A number without a record gets a deleted record of its own, so
  // that the numbers of the objects after it stay what they are.
  DWORD start = out.Begin(RSC_OBJ);
  for (DWORD n = 1; n <= count; n++) {
    TABOBJ* obj = index[n].Obj;
    const bool deleted = !obj || (index[n].Flags & (RSCINDEX_EMPTY | RSCINDEX_DELETED));
    if (obj && deleted) {
      DeletedForm(obj);
      if (obj->Length >= DWORD(RSC_OBJ_MINSIZE)) obj->Length = RSC_OBJ_MINSIZE;
      index[n].Excode = 0;
    }
    DWORD length = obj ? obj->Length : DWORD(RSC_OBJ_MINSIZE);
    if (deleted || length < DWORD(RSC_OBJ_MINSIZE)) length = RSC_OBJ_MINSIZE;
    const DWORD at = out.Grow(length);
    if (!out.Ok()) break;
    auto* copy = (TABOBJ*)out.At(at);
    if (obj) {
      const DWORD stored = obj->Length;
      const DWORD have = stored < length ? stored : length;
      std::memcpy(copy, obj, have);
    } else {
      copy->Incode = n;
      DeletedForm(copy);
    }
    copy->Length = length;
  }
  head.Tables[RSC_OBJ] = {start, out.Used() - start, count};

  // The SEM records, whose list offsets become file offsets.
  const DWORD semCount = mem.Tables[RSC_SEM].Count;
  const auto* sems = (const TABSEM*)FixedTable(d, RSC_SEM, RSC_SEM_SIZE, &whole);
  TABSEM* work = nullptr;
  if (semCount && whole) {
    work = (TABSEM*)plat::AllocPages(SIZE_T(semCount) * RSC_SEM_SIZE + 4);
    if (!work) {
      out.Fail();
    } else {
      std::memcpy(work, sems, SIZE_T(semCount) * RSC_SEM_SIZE);
    }
  }

  // CLS and DEF: each semantic's list, contiguous.
  auto lists = [&](int table, DWORD recordSize, bool cls) {
    const DWORD begin = out.Begin(table);
    DWORD entries = 0;
    for (DWORD i = 0; work && i < semCount && out.Ok(); i++) {
      DWORD& ref = cls ? work[i].Cls : work[i].Def;
      DWORD& n = cls ? work[i].ClsCount : work[i].DefCount;
      const BYTE* list = Records(d, ref, n, recordSize);
      if (!list) {
        ref = 0;
        n = 0;
        continue;
      }
      ref = out.Put(list, uint64_t(n) * recordSize);
      entries += n;
    }
    head.Tables[table] = {begin, out.Used() - begin, entries};
  };
  lists(RSC_CLS, RSC_CLS_SIZE, true);
  lists(RSC_DEF, RSC_DEF_SIZE, false);

  start = out.Begin(RSC_SEM);
  if (work) out.Put(work, uint64_t(semCount) * RSC_SEM_SIZE);
  head.Tables[RSC_SEM] = {start, out.Used() - start, semCount};
  if (work) plat::FreePages(work);

  // POS: one record per object, except that the members of a series share
  // the record of the first member that carries it. A reader links POS and
  // LIM records to the kinds by excode and local type, so each record is
  // written with those of the kind it is written for (an edit may have
  // changed the kind's code and not the record's).
  enum : BYTE { SHARED_POS = 1, SHARED_LIM = 2 };
  BYTE* shared = (BYTE*)plat::AllocPages(SIZE_T(count) + 1);
  if (!shared) out.Fail();
  start = out.Begin(RSC_POS);
  DWORD written = 0;
  for (DWORD n = 1; n <= count && out.Ok(); n++) {
    const RSCOBJINDEX& e = index[n];
    if ((e.Flags & (RSCINDEX_EMPTY | RSCINDEX_DELETED)) || (shared[n] & SHARED_POS) || !e.Pos) continue;
    if (e.Lim) {
      for (DWORD m = n + 1; m <= count; m++)
        if (index[m].Pos == e.Pos) shared[m] |= SHARED_POS;
    }
    if (DWORD(e.Pos->Must) + e.Pos->Pos == 0) continue;
    const DWORD length = RSC_POS_HEAD + 4 * (DWORD(e.Pos->Must) + e.Pos->Pos);
    const DWORD have = e.Pos->Length;  // a pool record may lie at any address
    const DWORD at = out.Put(e.Pos, have > length ? length : have);
    if (!out.Ok()) break;
    if (have < length) out.Grow(length - have);
    auto* copy = (TABPOS*)out.At(at);
    copy->Length = length;
    copy->Excode = e.Excode;
    copy->Local = e.Local;
    written++;
  }
  head.Tables[RSC_POS] = {start, out.Used() - start, written};

  // SEG: the stored form of every layer, its codes after the 56-byte head.
  const DWORD segCount = mem.Tables[RSC_SEG].Count;
  const auto* segs = (const TABSEG*)FixedTable(d, RSC_SEG, RSC_SEG_SIZE, &whole);
  start = out.Begin(RSC_SEG);
  for (DWORD i = 0; segs && i < segCount && out.Ok(); i++) {
    const TABSEG& seg = segs[i];
    const BYTE* codes = Records(d, seg.Codes, seg.Count, 4);
    const WORD n = codes ? seg.Count : 0;
    const DWORD length = n ? RSC_SEG_HEAD + 4 * DWORD(n) : DWORD(RSC_SEG_SIZE);
    const DWORD at = out.Grow(length);
    if (!out.Ok()) break;
    std::memcpy(out.At(at), &seg, RSC_SEG_HEAD);
    auto* copy = (RSCSEG*)out.At(at);
    copy->Length = length;
    copy->Count = n;
    if (n) std::memcpy(out.At(at + RSC_SEG_HEAD), codes, 4 * size_t(n));
  }
  head.Tables[RSC_SEG] = {start, out.Used() - start, segCount};

  // PAR: one record per object; objects without one, and deleted ones, get
  // the empty record.
  start = out.Begin(RSC_PAR);
  for (DWORD n = 1; n <= count && out.Ok(); n++) {
    const RSCOBJINDEX& e = index[n];
    if (e.Par && !(e.Flags & (RSCINDEX_EMPTY | RSCINDEX_DELETED))) {
      PutImage(out, e.Par, WORD(n), 4);
    } else {
      const DWORD at = out.Grow(12);
      if (!out.Ok()) break;
      auto* copy = (VIEPAR*)out.At(at);
      copy->Length = 12;
      copy->Number = WORD(n);
    }
  }
  head.Tables[RSC_PAR] = {start, out.Used() - start, count};

  // LIM: the limits of each series once (the members link one record),
  // padded to 8 bytes.
  start = out.Begin(RSC_LIM);
  written = 0;
  for (DWORD n = 1; n <= count && out.Ok(); n++) {
    const RSCOBJINDEX& e = index[n];
    if ((e.Flags & (RSCINDEX_EMPTY | RSCINDEX_DELETED)) || !e.Lim || (shared && (shared[n] & SHARED_LIM)))
      continue;
    for (DWORD m = n + 1; shared && m <= count; m++)
      if (index[m].Lim == e.Lim) shared[m] |= SHARED_LIM;
    const DWORD length = Pad(e.Lim->Length, 8);
    const DWORD at = out.Put(e.Lim, e.Lim->Length);
    if (length > e.Lim->Length) out.Grow(length - e.Lim->Length);
    if (!out.Ok()) break;
    auto* copy = (TABLIM*)out.At(at);
    copy->Length = length;
    copy->Excode = e.Excode;
    copy->Local = e.Local;
    written++;
  }
  head.Tables[RSC_LIM] = {start, out.Used() - start, written};
  if (shared) plat::FreePages(shared);

  // PRN: printer images of the objects that have one.
  start = out.Begin(RSC_PRN);
  written = 0;
  for (DWORD n = 1; n <= count && out.Ok(); n++) {
    const RSCOBJINDEX& e = index[n];
    if (!e.Prn || (e.Flags & (RSCINDEX_EMPTY | RSCINDEX_DELETED))) continue;
    PutImage(out, e.Prn, WORD(n), 4);
    written++;
  }
  head.Tables[RSC_PRN] = {start, out.Used() - start, written};

  // PAL and TXT: fixed records.
  auto fixed = [&](int table, DWORD recordSize) {
    const DWORD begin = out.Begin(table);
    const DWORD n = mem.Tables[table].Count;
    const BYTE* records = FixedTable(d, table, recordSize, &whole);
    if (records) out.Put(records, uint64_t(n) * recordSize);
    head.Tables[table] = {begin, out.Used() - begin, records ? n : 0};
  };
  fixed(RSC_PAL, RSC_PAL_SIZE);
  fixed(RSC_TXT, RSC_TXT_SIZE);

  // GRS: consecutive index entries with one GRS number and one value make
  // one record. A record keeps a single value for all its images, so the
  // images of different values of one item go into records of their own:
  // read back, every image has its value again.
  start = out.Begin(RSC_GRS);
  written = 0;
  {
    const RSCGRSINDEX* grs = d->GrsIndex;
    const DWORD entries = d->GrsIndexSize;
    DWORD i = 0;
    while (i < entries && grs[i].Number && out.Ok()) {
      const WORD number = grs[i].Number;
      const DWORD value = grs[i].Value;
      DWORD j = i, items = 0;
      uint64_t length = RSC_GRS_HEAD;
      for (; j < entries && grs[j].Number == number && grs[j].Value == value; j++) {
        if (grs[j].Image && grs[j].Image->Length >= DWORD(RSC_GRSITEM_HEAD)) {
          length += grs[j].Image->Length;
          items++;
        }
      }
      if (items) {
        const TABGRS record{DWORD(length), number, 0, grs[i].Code, items, value};
        out.Put(&record, sizeof record);
        for (DWORD k = i; k < j; k++)
          if (grs[k].Image && grs[k].Image->Length >= DWORD(RSC_GRSITEM_HEAD))
            out.Put(grs[k].Image, grs[k].Image->Length);
        written++;
      }
      i = j;
    }
  }
  head.Tables[RSC_GRS] = {start, out.Used() - start, written};

  fixed(RSC_IML, RSC_IML_SIZE);

  if (!out.Ok() || !whole) return nullptr;

  // The header: the new save stamp, the length and the constant.
  head.Mode = (mem.Mode + 1) & 0xFFFF;
  head.Length = out.Used();
  head.Const126 = RSC_HEAD_CONST;
  std::memset(&head.Tables[RSC_TAB], 0, sizeof head.Tables[RSC_TAB]);
  std::memcpy(out.At(0), &head, sizeof head);
  *size = out.Used();
  return out.Release();
}

namespace {

// Writes `size` bytes from offset 0 in pieces and cuts the file there.
// 0, or the error to show: 60004 for a failing write, 60002 for a short one.
int WriteImage(HANDLE file, const BYTE* data, DWORD size) {
  for (DWORD done = 0; done < size;) {
    const DWORD piece = size - done < DWORD(RSC_WRITE_PIECE) ? size - done : DWORD(RSC_WRITE_PIECE);
    DWORD wrote = 0;
    if (!plat::WriteAt(file, done, data + done, piece, &wrote)) return MAPERR_WRITE;
    if (wrote != piece) return MAPERR_DISKFULL;
    done += piece;
  }
  if (!plat::SetFileLength(file, size)) return MAPERR_WRITE;
  return 0;
}

// Puts the backup's bytes back into the classifier file; true when it did.
bool RestoreBackup(HANDLE file, const char* backup) {
  HANDLE in = plat::CreateFileA(backup, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (in == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  const int64_t length = plat::FileLength(in);
  const DWORD size = length > 0 && length < int64_t(INVALID_FILE_SIZE) ? DWORD(length) : 0;
  BYTE* data = size ? (BYTE*)plat::AllocPages(size) : nullptr;
  if (data) {
    ok = plat::ReadExactAt(in, 0, data, size) && WriteImage(file, data, size) == 0;
    plat::FreePages(data);
  }
  plat::CloseHandle(in);
  return ok;
}

}  // namespace

int rscWriteRsc(TRSCDATA* d) {
  if (!rscIsOpen(d)) return 0;
  if (!d->File || d->File == INVALID_HANDLE_VALUE) return 0;

  // The backup first. A classifier file that already holds something is
  // never rewritten without one.
  char backup[MAX_PATH];
  bool backedUp = false;
  // Never the classifier itself under another spelling or link.
  if (rscBackupName(d->Path, backup, sizeof backup) && !plat::IsSameFile(d->Path, backup)) {
    plat::DeleteFileA(backup);
    const int64_t size = plat::FileLength(d->File);
    if (size == 0) {
      backedUp = true;  // nothing to lose
    } else if (size > 0) {
      TCopyFile copy;
      backedUp = copy.Copy(d->Path, backup) != 0;
    }
  }
  if (!backedUp) return 0;
  if (!d->GrsIndex || !d->GrsIndexSize) return 0;

  DWORD size = 0;
  BYTE* data = rscLayoutRsc(d, &size);
  if (!data) {
    ShowErrorMessage(MAPERR_MEMORY, d->Path);
    return 0;
  }
  const int error = WriteImage(d->File, data, size);
  plat::FreePages(data);
  if (error) {
    ShowErrorMessage(error, d->Path);
    if (plat::GetFileAttributesA(backup) != INVALID_FILE_ATTRIBUTES) RestoreBackup(d->File, backup);
    return 0;
  }
  d->Head.Mode++;
  return 1;
}
