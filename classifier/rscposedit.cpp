// The semantics of object kinds (the obligatory and possible codes of
// their TABPOS records) and the semantic lists of layers.
#include <cstring>
#include <vector>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"

namespace {

enum : DWORD { SEM_OBJCODE = 32800 };

bool SemExists(const TRSCDATA* d, DWORD code) { return rscFindSem(d, code) != nullptr; }

}  // namespace

void TMapRsc::RelinkPos(const TABPOS* from, TABPOS* to) {
  const DWORD count = Head.Tables[RSC_OBJ].Count;
  for (DWORD n = 1; n <= count; n++)
    if (ObjIndex[n].Pos == from) ObjIndex[n].Pos = to;
}

TABPOS* TMapRsc::AppendPos(int n, int force) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return nullptr;
  }
  if (!ValidObject(n)) return nullptr;
  RSCOBJINDEX& e = ObjIndex[n];
  if ((e.Flags & RSCINDEX_SERIES) && !force) return nullptr;
  ErrorCode = 0;
  if (e.Pos) return e.Pos;
  auto* pos = (TABPOS*)rscGetMemoryBlock(this, RSC_POS_HEAD + 4);
  if (!pos) {
    ErrorCode = MAPERR_MEMORY;
    return nullptr;
  }
  pos->Length = RSC_POS_HEAD + 4;
  pos->Excode = e.Excode;
  pos->Local = e.Local;
  e.Pos = pos;
  return pos;
}

int TMapRsc::AppendPosSemantic(int n, DWORD code, int force) {
  TABPOS* pos = AppendPos(n, force);
  if (!pos) return 0;
  auto* codes = (DWORD*)((BYTE*)pos + RSC_POS_HEAD);
  const int total = pos->Must + pos->Pos;
  int must = pos->Must, possible = pos->Pos, kept = 0, place = -1;
  for (int i = 0; i < total; i++) {
    DWORD c;
    memcpy(&c, codes + i, 4);
    if (!SemExists(this, c)) {
      if (i < pos->Must)
        must--;
      else
        possible--;
      continue;
    }
    if (c == code && place < 0) place = kept;
    memcpy(codes + kept++, &c, 4);
  }
  if (kept != total) {
    memset(codes + kept, 0, size_t(total - kept) * 4);
    pos->Must = WORD(must);
    pos->Pos = WORD(possible);
    pos->Length = RSC_POS_HEAD + 4 * DWORD(kept ? kept : 1);
    Modify++;
  }
  if (place >= 0) return place;

  auto* grown = (TABPOS*)rscGetMemoryBlock(this, LONG(RSC_POS_HEAD + 4 * (kept + 1)));
  if (!grown) {
    ErrorCode = MAPERR_MEMORY;
    return 0;
  }
  memcpy(grown, pos, RSC_POS_HEAD + size_t(kept) * 4);
  memcpy((BYTE*)grown + RSC_POS_HEAD + kept * 4, &code, 4);
  grown->Pos++;
  grown->Length = RSC_POS_HEAD + 4 * DWORD(kept + 1);
  RelinkPos(pos, grown);
  Modify++;
  ErrorCode = 0;
  return grown->Pos;
}

int TMapRsc::AppendCodeSemanticToService() {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  const int last = int(Head.Tables[RSC_OBJ].Count) < 14 ? int(Head.Tables[RSC_OBJ].Count) : 14;
  for (int n = 1; n <= last; n++) {
    if (!ValidObject(n) || (ObjIndex[n].Flags & RSCINDEX_SERIES)) continue;
    AppendPosSemantic(n, SEM_OBJCODE, 0);
    if (ErrorCode == MAPERR_MEMORY) return 0;
  }
  ErrorCode = 0;
  return 1;
}

int TMapRsc::DeletePosSemantic(int n, DWORD code, int force) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!ValidObject(n)) return 0;
  RSCOBJINDEX& e = ObjIndex[n];
  if (!force && rscLimitSemantic(rscSeriesLim(&e), code)) return 0;
  DeleteObjectRelate(n, code);
  if (TABPOS* pos = e.Pos) {
    auto* codes = (BYTE*)pos + RSC_POS_HEAD;
    const int total = pos->Must + pos->Pos;
    for (int i = 0; i < total; i++) {
      if (rscPosCode(pos, i) != code) continue;
      memmove(codes + 4 * i, codes + 4 * (i + 1), 4 * size_t(total - i - 1));
      memset(codes + 4 * (total - 1), 0, 4);
      if (i < pos->Must)
        pos->Must--;
      else
        pos->Pos--;
      pos->Length = RSC_POS_HEAD + 4 * DWORD(total > 2 ? total - 1 : 1);
      Modify++;
      break;
    }
  }
  ErrorCode = 0;
  return n;
}

namespace {

// The codes of a TABPOS record as an array of 4-byte slots.
BYTE* PosCodes(TABPOS* pos) { return (BYTE*)pos + RSC_POS_HEAD; }

// The place (from 0) of a code among a record's codes, -1 when absent.
int PosPlace(const TABPOS* pos, DWORD code) {
  for (int i = 0; pos && i < pos->Must + pos->Pos; i++)
    if (rscPosCode(pos, i) == code) return i;
  return -1;
}

}  // namespace

int TMapRsc::DeletePos(int n, int force) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!ValidObject(n) || ((ObjIndex[n].Flags & RSCINDEX_SERIES) && !force)) return 0;
  if (ObjIndex[n].Pos) {
    ObjIndex[n].Pos = nullptr;
    Modify++;
  }
  ErrorCode = 0;
  return n;
}

int TMapRsc::AppendObjectSemantic(int n, DWORD code, int kind, int force) {
  int result = AppendPosSemantic(n, code, force);
  if (kind == 2 && ValidObject(n) && PosPlace(ObjIndex[n].Pos, code) >= 0)
    result = SetTypeMustSemantic(n, code, force);
  return result;
}

int TMapRsc::SetTypePosSemantic(int n, DWORD code, int force) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!ValidObject(n) || ((ObjIndex[n].Flags & RSCINDEX_SERIES) && !force)) return 0;
  TABPOS* pos = ObjIndex[n].Pos;
  const int i = PosPlace(pos, code);
  if (i < 0) return 0;
  ErrorCode = 0;
  if (i >= pos->Must) return i - pos->Must + 1;
  // The obligatory code becomes the last possible one.
  const int total = pos->Must + pos->Pos;
  BYTE* codes = PosCodes(pos);
  memmove(codes + 4 * i, codes + 4 * (i + 1), 4 * size_t(total - i - 1));
  memcpy(codes + 4 * (total - 1), &code, 4);
  pos->Must--;
  pos->Pos++;
  Modify++;
  return total;
}

int TMapRsc::SetTypeMustSemantic(int n, DWORD code, int force) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!ValidObject(n) || ((ObjIndex[n].Flags & RSCINDEX_SERIES) && !force)) return 0;
  int i = PosPlace(ObjIndex[n].Pos, code);
  if (i < 0) {
    // Appended as possible first, then made obligatory.
    AppendPosSemantic(n, code, force);
    i = PosPlace(ObjIndex[n].Pos, code);
    if (i < 0) return 0;
  }
  TABPOS* pos = ObjIndex[n].Pos;
  ErrorCode = 0;
  if (i < pos->Must) return i + 1;
  // The possible code goes to the end of the obligatory part.
  BYTE* codes = PosCodes(pos);
  const int must = pos->Must;
  memmove(codes + 4 * (must + 1), codes + 4 * must, 4 * size_t(i - must));
  memcpy(codes + 4 * must, &code, 4);
  pos->Must++;
  pos->Pos--;
  Modify++;
  return pos->Must;
}

// --- semantic lists of layers -------------------------------------------

namespace {

// Layer s (0..count-1), or null.
TABSEG* LayerOf(TMapRsc* rsc, int s) {
  if (!rsc->IsActive() || s < 0 || DWORD(s) >= rsc->Head.Tables[RSC_SEG].Count) return nullptr;
  TABSEG* seg = rscSegTable(rsc);
  for (DWORD i = 0; seg && i < rsc->Head.Tables[RSC_SEG].Count; i++)
    if (seg[i].Number == s) return seg + i;
  return nullptr;
}

// The codes of a layer (null when it has none).
BYTE* LayerCodes(const TRSCDATA* d, const TABSEG* seg) {
  if (!seg->Codes || !seg->Count || !rscRefExtent(d, seg->Codes, 4 * uint64_t(seg->Count))) return nullptr;
  return rscRefAddress(d, seg->Codes);
}

// Replaces a layer's codes by `count` codes and one more code when `extra`
// is given (0 codes: none), in a new pool block.
bool StoreLayerCodes(TRSCDATA* d, TABSEG* seg, const BYTE* codes, DWORD count, const DWORD* extra = nullptr) {
  DWORD ref = 0;
  if (count || extra) {
    BYTE* block = rscGetMemoryBlock(d, LONG(4 * (count + (extra ? 1 : 0))), &ref);
    if (!block) {
      d->ErrorCode = MAPERR_MEMORY;
      return false;
    }
    if (count) memcpy(block, codes, 4 * size_t(count));
    if (extra) memcpy(block + 4 * size_t(count++), extra, 4);
  }
  seg->Codes = ref;
  seg->Count = WORD(count);
  seg->Length = count ? RSC_SEG_HEAD + 4 * count : DWORD(RSC_SEG_SIZE);
  d->Modify++;
  return true;
}

}  // namespace

int TMapRsc::SetSegShortName(int s, const char* name) {
  TABSEG* seg = LayerOf(this, s);
  if (!seg || !name) return 0;
  char text[32] = {};
  memcpy(text, name, strnlen(name, 31));
  ClearofBlank(text, 32);
  text[15] = 0;
  const size_t length = strlen(text);
  TABSEG* table = rscSegTable(this);
  for (DWORD i = 0; i < Head.Tables[RSC_SEG].Count; i++)
    if (table + i != seg && strnlen(table[i].Short, sizeof table[i].Short) == length &&
        memcmp(table[i].Short, text, length) == 0)
      return 0;
  memset(seg->Short, 0, sizeof seg->Short);
  memcpy(seg->Short, text, length);
  Modify++;
  ErrorCode = 0;
  return 1;
}

int TMapRsc::GetSegSemCount(int s) {
  TABSEG* seg = LayerOf(this, s);
  return seg && LayerCodes(this, seg) ? seg->Count : 0;
}

DWORD TMapRsc::GetSegSemCode(int s, int n) {
  TABSEG* seg = LayerOf(this, s);
  const BYTE* codes = seg ? LayerCodes(this, seg) : nullptr;
  if (!codes || n < 1 || n > seg->Count) return 0;
  DWORD code;
  memcpy(&code, codes + 4 * size_t(n - 1), 4);
  return code;
}

int TMapRsc::AppendSegSemCode(int s, DWORD code) {
  TABSEG* seg = LayerOf(this, s);
  if (!seg) return 0;
  const BYTE* codes = LayerCodes(this, seg);
  const DWORD count = codes ? seg->Count : 0;
  if (count >= 0xFFFF) return 0;
  for (DWORD i = 0; i < count; i++)
    if (!memcmp(codes + 4 * i, &code, 4)) return 0;
  if (!StoreLayerCodes(this, seg, codes, count, &code)) return 0;
  ErrorCode = 0;
  return int(count + 1);
}

int TMapRsc::DeleteSegSemCode(int s, DWORD code) {
  TABSEG* seg = LayerOf(this, s);
  BYTE* codes = seg ? LayerCodes(this, seg) : nullptr;
  if (!codes) return 0;
  const DWORD count = seg->Count;
  for (DWORD i = 0; i < count; i++) {
    if (memcmp(codes + 4 * i, &code, 4)) continue;
    memmove(codes + 4 * i, codes + 4 * (i + 1), 4 * size_t(count - i - 1));
    memset(codes + 4 * (count - 1), 0, 4);
    seg->Count = WORD(count - 1);
    seg->Length = count > 1 ? RSC_SEG_HEAD + 4 * (count - 1) : DWORD(RSC_SEG_SIZE);
    if (count == 1) seg->Codes = 0;
    Modify++;
    return 1;
  }
  return 0;
}

TABSEG* TMapRsc::BuildSegmentSemantic(int s, int mustOnly) {
  TABSEG* seg = LayerOf(this, s);
  if (!seg) return nullptr;
  std::vector<DWORD> codes;
  for (DWORD n = 1; n <= Head.Tables[RSC_OBJ].Count; n++) {
    const RSCOBJINDEX& e = ObjIndex[n];
    if (!e.Obj || !e.Excode || e.Segment != s || !e.Pos) continue;
    const int last = mustOnly ? e.Pos->Must : e.Pos->Must + e.Pos->Pos;
    for (int i = 0; i < last; i++) {
      const DWORD code = rscPosCode(e.Pos, i);
      bool known = false;
      for (DWORD c : codes) known = known || c == code;
      if (!known && codes.size() < 0xFFFF) codes.push_back(code);
    }
  }
  if (!StoreLayerCodes(this, seg, (const BYTE*)codes.data(), DWORD(codes.size()))) return nullptr;
  ErrorCode = 0;
  return seg;
}
