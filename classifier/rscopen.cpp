// Opening a classifier: reading and checking the file, building the object
// index and the GRS index; closing and reverting.
//
// Every extent the file states (table offsets, lengths and counts, record
// lengths, list offsets, counts inside records) is checked against the
// image before anything is used, so a damaged file is refused with 60005
// and never read past its end.
#include <cstdio>
#include <cstring>
#include <vector>

#include "classifier/maprsc.h"
#include "classifier/rscinternal.h"
#include "common/filename.h"
#include "common/language.h"
#include "common/maperr.h"
#include "platform/fileio.h"
#include "platform/memory.h"

namespace {

constexpr DWORD kTags[RSC_TABLECOUNT] = {
    RSCTAG_OBJ, RSCTAG_SEM, RSCTAG_CLS, RSCTAG_DEF, RSCTAG_POS, RSCTAG_SEG, RSCTAG_LIM,
    RSCTAG_PAR, RSCTAG_PRN, RSCTAG_PAL, RSCTAG_TXT, RSCTAG_IML, RSCTAG_GRS, RSCTAG_TAB,
};

// Fixed record sizes of the tables of fixed records (0: variable).
constexpr DWORD kFixedSize[RSC_TABLECOUNT] = {
    0, RSC_SEM_SIZE, RSC_CLS_SIZE, RSC_DEF_SIZE, 0, 0, 0, 0, 0,
    RSC_PAL_SIZE, RSC_TXT_SIZE, RSC_IML_SIZE, 0, 0,
};

bool IsOptional(int t) { return t == RSC_TAB || t == RSC_PRN || t == RSC_IML; }

DWORD ReadWord(const BYTE* p) {
  DWORD v;
  memcpy(&v, p, 4);
  return v;
}

// Opens one candidate path: for reading and writing when the access mode
// allows it, else (or failing that) for reading only.
HANDLE TryOpen(TRSCDATA* d, const char* path) {
  if (!path[0] || strlen(path) >= MAX_PATH) return nullptr;
  bool writable = false;
  HANDLE h = plat::OpenExisting(path, (d->Access & RSC_ACCESS_WRITEBIT) != 0, d->Share,
                                FILE_ATTRIBUTE_NORMAL, &writable);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  if (!writable) d->Access = RSC_ACCESS_READ;
  return h;
}

// A folder and a file name joined; false when it does not fit.
bool JoinFolder(char* out, const char* folder, const char* name) {
  int n = snprintf(out, MAX_PATH, "%s%s", folder, name);
  return n > 0 && n < MAX_PATH;
}

// Ends a failed read: closes the file and frees the image.
int Fail(TRSCDATA* d, int code) {
  rscCloseRscBase(d);
  return code;
}

// Makes a text field end within itself.
template <size_t N>
void Terminate(char (&field)[N]) {
  field[N - 1] = 0;
}

// Checks the header's descriptors and the tables' tags, extents and
// record structure. Optional tables that are absent get a zero offset.
int CheckTables(TRSCDATA* d) {
  RSCHEAD& h = d->Head;
  const uint64_t size = d->ImageSize;
  for (int t = 0; t < RSC_TABLECOUNT; t++)
    if (h.Tables[t].Offset > size) return MAPERR_DATA;
  for (int t = 0; t < RSC_TABLECOUNT; t++)
    if (!IsOptional(t) && h.Tables[t].Offset < RSC_HEADSIZE) return MAPERR_DATA;
  for (int t : {RSC_TAB, RSC_PRN, RSC_IML}) {
    RSCTABLE& tab = h.Tables[t];
    if (tab.Offset == 0) continue;
    if (tab.Count == 0)
      tab.Offset = 0;
    else if (tab.Offset <= RSC_HEADSIZE)
      tab = RSCTABLE{0, 0, 0};
  }
  for (int t = 0; t < RSC_TABLECOUNT; t++) {
    const RSCTABLE& tab = h.Tables[t];
    if (tab.Offset == 0) continue;
    if (uint64_t(tab.Offset) + tab.Length > size) return MAPERR_DATA;
    if (ReadWord(d->Image + tab.Offset - 4) != kTags[t]) return MAPERR_DATA;
    if (kFixedSize[t] && uint64_t(tab.Count) * kFixedSize[t] > tab.Length) return MAPERR_DATA;
  }
  if (uint64_t(h.Tables[RSC_OBJ].Count) * RSC_OBJ_FIXED > h.Tables[RSC_OBJ].Length)
    return MAPERR_DATA;

  // Image libraries are opened from the classifier's folder by the names
  // the file gives: each must be a plain file name of that folder.
  const TABIML* iml = h.Tables[RSC_IML].Offset ? rscImlTable(d) : nullptr;
  for (DWORD i = 0; iml && i < h.Tables[RSC_IML].Count; i++)
    if (!IsPlainFileName(iml[i].File, sizeof iml[i].File)) return MAPERR_DATA;

  // Value lists and defaults of the semantics. An offset at or beyond the
  // end of the file means no list; any other list must lie in the file.
  auto* sem = rscSemTable(d);
  for (DWORD i = 0; i < h.Tables[RSC_SEM].Count; i++) {
    TABSEM& s = sem[i];
    if (s.Cls >= size || s.Cls == 0) {
      s.Cls = 0;
      s.ClsCount = 0;
    } else if (s.Cls < RSC_HEADSIZE || uint64_t(s.Cls) + uint64_t(s.ClsCount) * RSC_CLS_SIZE > size) {
      return MAPERR_DATA;
    }
    if (s.Def >= size || s.Def == 0) {
      s.Def = 0;
      s.DefCount = 0;
    } else if (s.Def < RSC_HEADSIZE || uint64_t(s.Def) + uint64_t(s.DefCount) * RSC_DEF_SIZE > size) {
      return MAPERR_DATA;
    }
    Terminate(s.Name);
    Terminate(s.Short);
    Terminate(s.Unit);
  }

  // Record walks: the same walks the index is built with.
  int code = rscWalkObjects(d, [](int, TABOBJ* obj) {
    Terminate(obj->Key);
    Terminate(obj->Name);
  });
  if (code) return code;
  code = rscWalkPos(d, [](TABPOS*) {});
  if (code) return code;
  code = rscWalkPar(d, RSC_PAR, [](VIEPAR*) {});
  if (code) return code;
  code = rscWalkPar(d, RSC_PRN, [](VIEPAR*) {});
  if (code) return code;
  code = rscWalkLim(d, [](TABLIM*) {});
  if (code) return code;
  code = rscWalkSeg(d, [](RSCSEG* seg) {
    Terminate(seg->Name);
    Terminate(seg->Short);
  });
  if (code) return code;
  code = rscWalkGrs(d, [](TABGRS*, IMAGEVALUE*) {});
  if (code) return code;

  // Names of the fixed tables.
  if (auto* cls = (TABCLS*)rscTable(d, RSC_CLS))
    for (DWORD i = 0; i < h.Tables[RSC_CLS].Count; i++) Terminate(cls[i].Name);
  if (auto* pal = rscPalTable(d))
    for (DWORD i = 0; i < h.Tables[RSC_PAL].Count; i++) Terminate(pal[i].Name);
  if (auto* txt = rscTxtTable(d))
    for (DWORD i = 0; i < h.Tables[RSC_TXT].Count; i++) {
      Terminate(txt[i].Face);
      Terminate(txt[i].Name);
    }
  if (auto* iml = rscImlTable(d))
    for (DWORD i = 0; i < h.Tables[RSC_IML].Count; i++) {
      Terminate(iml[i].File);
      Terminate(iml[i].Name);
    }
  Terminate(h.Type);
  Terminate(h.Name);
  Terminate(h.Code);
  return 0;
}

// Links of the object index by (excode, local type): a hash of the first
// object of each pair and a chain to the next object of the same pair, so
// that linking POS records stays linear and keeps object order.
class TKeyChains {
 public:
  explicit TKeyChains(TRSCDATA* d) : d_(d) {
    DWORD count = d->Head.Tables[RSC_OBJ].Count;
    DWORD cap = 16;
    while (cap < count * 2 + 2) cap <<= 1;
    mask_ = cap - 1;
    slots_.assign(cap, 0);
    next_.assign(count + 1, 0);
    std::vector<DWORD> last(cap, 0);
    for (DWORD n = 1; n <= count; n++) {
      const RSCOBJINDEX& e = d->ObjIndex[n];
      if (!e.Obj) continue;
      DWORD s = Find(e.Excode, e.Local);
      if (slots_[s] == 0)
        slots_[s] = n;
      else
        next_[last[s]] = n;
      last[s] = n;
    }
  }
  // First object of the pair, 0 when none.
  DWORD First(DWORD excode, BYTE local) const { return slots_[Find(excode, local)]; }
  DWORD Next(DWORD n) const { return next_[n]; }

 private:
  DWORD Find(DWORD excode, BYTE local) const {
    DWORD s = Hash(excode, local) & mask_;
    while (slots_[s]) {
      const RSCOBJINDEX& e = d_->ObjIndex[slots_[s]];
      if (e.Excode == excode && e.Local == local) break;
      s = (s + 1) & mask_;
    }
    return s;
  }
  static DWORD Hash(DWORD excode, BYTE local) {
    uint64_t k = (uint64_t(excode) << 8 | local) * 0x9E3779B97F4A7C15ull;
    return DWORD(k >> 32);
  }
  TRSCDATA* d_;
  DWORD mask_;
  std::vector<DWORD> slots_;
  std::vector<DWORD> next_;
};

// Compacts the layer records to 60 bytes in place; their codes go to the
// pool. Stored records are at least 60 bytes long (checked on reading), so
// each compacted record lands at or before the stored one.
int CompactSegments(TRSCDATA* d) {
  BYTE* table = rscTable(d, RSC_SEG);
  if (!table) return 0;
  std::vector<RSCSEG*> stored;
  rscWalkSeg(d, [&stored](RSCSEG* seg) { stored.push_back(seg); });
  for (size_t i = 0; i < stored.size(); i++) {
    RSCSEG head;
    memcpy(&head, stored[i], sizeof head);
    DWORD ref = 0;
    if (head.Count) {
      BYTE* codes = rscGetMemoryBlock(d, LONG(head.Count) * 4, &ref);
      if (!codes) return MAPERR_MEMORY;
      memcpy(codes, (BYTE*)stored[i] + RSC_SEG_HEAD, size_t(head.Count) * 4);
    }
    TABSEG* seg = (TABSEG*)(table + i * RSC_SEG_SIZE);
    memcpy(seg, &head, sizeof head);
    seg->Codes = ref;
  }
  d->Head.Tables[RSC_SEG].Count = DWORD(stored.size());
  d->SegSpare = 0;
  return 0;
}

int BuildGrsIndex(TRSCDATA* d) {
  DWORD items = 0;
  rscWalkGrs(d, [&items](TABGRS*, IMAGEVALUE*) { items++; });
  DWORD size = items + RSC_INDEX_SPARE + 1;
  d->GrsIndex = (RSCGRSINDEX*)plat::AllocPages(sizeof(RSCGRSINDEX) * size);
  if (!d->GrsIndex) return MAPERR_MEMORY;
  d->GrsIndexSize = size;
  d->GrsSpare = RSC_INDEX_SPARE;
  DWORD i = 0;
  rscWalkGrs(d, [d, &i](TABGRS* grs, IMAGEVALUE* item) {
    RSCGRSINDEX& e = d->GrsIndex[i++];
    e.Code = grs->Code;
    e.Number = grs->Number;
    e.Flag = 0;
    e.Value = grs->Value;
    e.Function = item->Function;
    e.Image = item;
  });
  return 0;
}

}  // namespace

DWORD rscTableTag(int table) {
  return table >= 0 && table < RSC_TABLECOUNT ? kTags[table] : 0;
}

bool rscIsOldStyle(DWORD style) {
  DWORD low = style & 0xFFFF;
  return low == RSC_OLDSTYLE_0302 || low == RSC_OLDSTYLE_0405 || low == RSC_OLDSTYLE_0401;
}

DWORD rscNormalizeAccess(DWORD mode) { return plat::OpenAccess(mode); }

DWORD rscSetAccessMode(TRSCDATA* d, DWORD mode) {
  if (!d) return 0;
  return d->Access = rscNormalizeAccess(mode);
}

DWORD rscGetAccessMode(const TRSCDATA* d) { return d ? d->Access : 0; }

DWORD rscSetShareMode(TRSCDATA* d, DWORD mode) {
  if (!d) return 0;
  return d->Share = mode;
}

int rscIsOpen(const TRSCDATA* d) { return d && d->ObjIndex ? 1 : 0; }

void rscCloseRscBase(TRSCDATA* d) {
  if (!d) return;
  if (d->File) plat::CloseHandle(d->File);
  d->File = nullptr;
  if (d->Image) plat::FreePages(d->Image);
  d->Image = nullptr;
  d->ImageSize = 0;
}

int rscReadRscFile(TRSCDATA* d, const char* path) {
  if (!d || !path) return MAPERR_OPEN;
  char requested[MAX_PATH];
  if (strlen(path) >= MAX_PATH) {
    d->ErrorCode = 0;
    return MAPERR_OPEN;
  }
  strcpy(requested, path);
  // An open classifier goes first: its index points into the image.
  if (rscIsOpen(d)) rscCloseRsc(d);
  rscCloseRscBase(d);
  d->ErrorCode = 0;

  // The file name and extension of the requested path.
  snprintf(d->FileName, sizeof d->FileName, "%s", requested + plat::FileNameOffset(requested));

  HANDLE h = TryOpen(d, requested);
  const char* opened = requested;
  char candidate[MAX_PATH];
  if (!h && CommonRscPathGet()[0] && JoinFolder(candidate, CommonRscPathGet(), d->FileName)) {
    h = TryOpen(d, candidate);
    opened = candidate;
  }
  if (!h && PathShellGet()[0] && JoinFolder(candidate, PathShellGet(), d->FileName)) {
    h = TryOpen(d, candidate);
    opened = candidate;
  }
  if (!h) return MAPERR_OPEN;
  d->File = h;
  snprintf(d->Path, sizeof d->Path, "%s", opened);

  DWORD got = 0;
  if (!plat::ReadAt(h, 0, &d->Head, sizeof d->Head, &got)) return Fail(d, MAPERR_READ);
  if (got < sizeof d->Head) return Fail(d, MAPERR_DATA);
  if (d->Head.Ident != RSC_IDENT ||
      (d->Head.Mark != RSC_MARK && d->Head.Mark != RSC_MARK_OTHER) ||
      d->Head.Version != RSC_VERSION)
    return Fail(d, rscIsOldStyle(d->Head.Style) ? MAPERR_OLDVERSION : MAPERR_DATA);

  const int64_t size = plat::FileLength(h);
  if (size <= 0) return Fail(d, MAPERR_READ);
  if (uint64_t(size) != d->Head.Length) return Fail(d, MAPERR_DATA);

  d->Image = (BYTE*)plat::AllocPages(SIZE_T(size));
  if (!d->Image) return Fail(d, MAPERR_MEMORY);
  d->ImageSize = DWORD(size);

  DWORD done = 0;
  while (done < d->ImageSize) {
    DWORD piece = d->ImageSize - done > RSC_READ_PIECE ? DWORD(RSC_READ_PIECE) : d->ImageSize - done;
    if (!plat::ReadExactAt(h, done, d->Image + done, piece)) return Fail(d, MAPERR_READ);
    done += piece;
  }

  int code = CheckTables(d);
  if (code) return Fail(d, code);
  return 0;
}

int rscOpenRsc(TRSCDATA* d, const char* path, int mode) {
  if (!d || !path) return 0;
  char requested[MAX_PATH];
  if (strlen(path) >= MAX_PATH) {
    d->ErrorCode = MAPERR_OPEN;
    return 0;
  }
  strcpy(requested, path);
  if (rscIsOpen(d) || d->Image || d->File) rscCloseRsc(d);
  d->Access = rscNormalizeAccess(DWORD(mode));
  int code = rscReadRscFile(d, requested);
  if (code) {
    d->ErrorCode = DWORD(code);
    return 0;
  }
  return rscBuildIndex(d);
}

int rscBuildIndex(TRSCDATA* d) {
  if (!d || !d->Image) {
    if (d) d->ErrorCode = MAPERR_DATA;
    return 0;
  }
  // The walks below change the image (repairs, compacted layers): an index
  // is built once per read.
  if (d->ObjIndex) return 1;
  TMapRsc* rsc = TMapRsc::Of(d);
  RSCHEAD& h = d->Head;
  const DWORD count = h.Tables[RSC_OBJ].Count;

  // 1. The object index, with room for 100 more objects.
  if (d->ObjIndex) plat::FreePages(d->ObjIndex);
  d->ObjIndexSize = count + RSC_INDEX_SPARE + 1;
  d->ObjIndex = (RSCOBJINDEX*)plat::AllocPages(sizeof(RSCOBJINDEX) * d->ObjIndexSize);
  if (!d->ObjIndex) {
    d->ObjIndexSize = 0;
    d->ErrorCode = MAPERR_MEMORY;
    return 0;
  }
  d->ObjSpare = RSC_INDEX_SPARE;

  // 2. Objects.
  rscWalkObjects(d, [d](int n, TABOBJ* obj) {
    RSCOBJINDEX& e = d->ObjIndex[n];
    e.Obj = obj;
    e.Segment = obj->Segment;
    e.Local = obj->Local;
    e.Excode = obj->Excode;
    e.Extloc = obj->Extloc;
    e.Series = obj->Series;
    e.Extsem = obj->Extsem;
    if (obj->Excode == 0 && n >= 16) e.Flags |= RSCINDEX_EMPTY;
    if (obj->Series) e.Flags |= RSCINDEX_SERIES;
  });

  // 3. Semantics of objects: each POS record serves every object with its
  // excode and local type (a later record replaces an earlier one).
  {
    TKeyChains chains(d);
    rscWalkPos(d, [d, &chains](TABPOS* pos) {
      for (DWORD n = chains.First(pos->Excode, pos->Local); n; n = chains.Next(n))
        d->ObjIndex[n].Pos = pos;
    });
  }

  // 4. Screen images; an image function out of range is repaired.
  rscWalkPar(d, RSC_PAR, [d, count](VIEPAR* par) {
    if (par->Function >= RSC_LASTFUNCTION) {
      par->Function = 0;
      par->Length = RSC_PAR_HEAD;
      d->Modify++;
    }
    if (par->Number >= 1 && par->Number <= count) {
      d->ObjIndex[par->Number].Par = par;
      d->ObjIndex[par->Number].Function = par->Function;
    }
  });

  // 5. Printer images.
  rscWalkPar(d, RSC_PRN, [d, count](VIEPAR* prn) {
    if (prn->Number >= 1 && prn->Number <= count) d->ObjIndex[prn->Number].Prn = prn;
  });

  // 6. Series limits: the first LIM record of the series' excode and local
  // type; a series object without one is not treated as a series member.
  {
    std::vector<TABLIM*> lims;
    rscWalkLim(d, [&lims](TABLIM* lim) { lims.push_back(lim); });
    DWORD cap = 16;
    while (cap < lims.size() * 2 + 2) cap <<= 1;
    std::vector<TABLIM*> slots(cap, nullptr);
    auto slotOf = [&slots, cap](DWORD excode, BYTE local) {
      uint64_t k = (uint64_t(excode) << 8 | local) * 0x9E3779B97F4A7C15ull;
      DWORD s = DWORD(k >> 32) & (cap - 1);
      while (slots[s] && !(slots[s]->Excode == excode && slots[s]->Local == local))
        s = (s + 1) & (cap - 1);
      return s;
    };
    for (TABLIM* lim : lims) {
      DWORD s = slotOf(lim->Excode, lim->Local);
      if (!slots[s]) slots[s] = lim;
    }
    for (DWORD n = 1; n <= count; n++) {
      RSCOBJINDEX& e = d->ObjIndex[n];
      if (!(e.Flags & RSCINDEX_SERIES)) continue;
      e.Lim = slots[slotOf(e.Excode, e.Local)];
      if (!e.Lim) e.Flags &= WORD(~RSCINDEX_SERIES);
    }
  }

  // 7. The memory pool.
  if (!rscOpenMemory(d, RSC_POOL_LOADED)) {
    d->ErrorCode = MAPERR_MEMORY;
    return 0;
  }
  d->ObjSpare = RSC_INDEX_SPARE;

  // 8. Layers.
  int code = CompactSegments(d);
  if (code) {
    d->ErrorCode = DWORD(code);
    return 0;
  }

  // 9. System semantics, and the object code as a possible semantic of the
  // service objects.
  // A short name already taken by another semantic leaves a system semantic
  // without its short name; only a lack of memory ends the build.
  rsc->AppendSystemSemantic();
  if (d->ErrorCode == MAPERR_MEMORY || !rsc->AppendCodeSemanticToService()) {
    d->ErrorCode = MAPERR_MEMORY;
    return 0;
  }

  // 10. The sheet frame.
  if (!rsc->CheckFrameCode()) {
    if (!d->ErrorCode) d->ErrorCode = MAPERR_DATA;
    return 0;
  }

  // 11. Fonts and image libraries.
  memset(d->FontMap, 0, sizeof d->FontMap);
  if (!rsc->FillFontTable()) {
    if (!d->ErrorCode) d->ErrorCode = MAPERR_DATA;
    return 0;
  }
  rsc->SetTextRefer(0, 0);
  rsc->SetUserObjectRefer();

  // 12. The GRS index.
  code = BuildGrsIndex(d);
  if (code) {
    d->ErrorCode = DWORD(code);
    return 0;
  }
  d->ErrorCode = 0;
  return 1;
}

int rscCloseRsc(TRSCDATA* d) {
  if (!d) return 0;
  const bool open = rscIsOpen(d);
  if (open) {
    TMapRsc* rsc = TMapRsc::Of(d);
    rsc->FreeFontTable();
    rsc->BreakUserObjectRefer();
    if (d->Modify && (d->Access & RSC_ACCESS_WRITEBIT)) rscSaveRsc(d, 0);
    plat::FreePages(d->ObjIndex);
    d->ObjIndex = nullptr;
    d->ObjIndexSize = 0;
  }
  if (d->GrsIndex) plat::FreePages(d->GrsIndex);
  d->GrsIndex = nullptr;
  d->GrsIndexSize = 0;
  rscCloseMemory(d);
  rscCloseRscBase(d);
  d->Modify = 0;
  if (!open) {
    d->ErrorCode = MAPERR_DATA;
    return 0;
  }
  return 1;
}

int rscFreeRsc(TRSCDATA* d) {
  if (!d) return 0;
  rscCloseRsc(d);
  rscCloseMemory(d);
  return 1;
}

void rscInitRsc(TRSCDATA* d) {
  if (!d) return;
  memset(d, 0, sizeof *d);
  d->Access = RSC_ACCESS_READWRITE;
  d->Share = RSC_SHARE_DEFAULT;
  rscInitFonts();
}

int rscRevert(TRSCDATA* d) {
  if (!rscIsOpen(d)) {
    if (d) d->ErrorCode = MAPERR_DATA;
    return 0;
  }
  char path[MAX_PATH];
  snprintf(path, sizeof path, "%s", d->Path);
  DWORD access = d->Access;
  DWORD api = d->ApiOpen;
  d->Modify = 0;
  int result = rscOpenRsc(d, path, int(access));
  d->ApiOpen = api;
  return result;
}

// The life cycle of the classifier object: forwarders into the core.
TMapRsc::TMapRsc() { rscInitRsc(this); }
TMapRsc::~TMapRsc() { rscFreeRsc(this); }
int TMapRsc::OpenRsc(const char* name, int mode) { return rscOpenRsc(this, name, mode); }
int TMapRsc::OpenRsc() { return rscBuildIndex(this); }
int TMapRsc::CloseRsc() { return rscCloseRsc(this); }
int TMapRsc::Revert() { return rscRevert(this); }
int TMapRsc::OpenTRscBase(const char* name) { return rscReadRscFile(this, name); }
void TMapRsc::CloseRscBase() { rscCloseRscBase(this); }
