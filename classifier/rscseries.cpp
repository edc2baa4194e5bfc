// Editing of series: groups of object kinds with one excode and local type
// whose members are chosen by the values of limit semantics.
//
// A limit record (TABLIM) holds the head, the values of the first limit,
// those of the second, and the variant table of (N1 or 1) x (N2 or 1)
// bytes. The values are doubles read in place by the queries, so records
// made here start on 8-byte boundaries like those of the file.
#include <cstring>
#include <initializer_list>

#include "classifier/maprsc.h"
#include "classifier/rscinternal.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"

namespace {

BYTE* Values(TABLIM* lim) { return (BYTE*)lim + RSC_LIM_HEAD; }

// The length the rule gives for limits of n1 and n2 values.
DWORD LimLength(DWORD n1, DWORD n2) {
  return RSC_LIM_HEAD + 8 * (n1 + n2) + (n1 ? n1 : 1) * (n2 ? n2 : 1);
}

}  // namespace

TABLIM* TMapRsc::NewLim(DWORD length) {
  BYTE* block = rscGetMemoryBlock(this, LONG(((length + 7) & ~7u) + 8));
  if (!block) {
    ErrorCode = MAPERR_MEMORY;
    return nullptr;
  }
  return (TABLIM*)(block + ((8 - uintptr_t(block) % 8) % 8));
}

TABLIM* TMapRsc::InitSeria(DWORD excode, int local) {
  if (!rscQueryOpen(this)) return nullptr;
  if (local < 0 || local > 5 || CheckObjectCode(excode, local)) {
    ErrorCode = RSCERR_PARM;
    return nullptr;
  }
  TABLIM* lim = NewLim(RSC_LIM_HEAD);
  if (!lim) return nullptr;
  lim->Length = RSC_LIM_HEAD;
  lim->Excode = excode;
  lim->Local = BYTE(local);
  ErrorCode = 0;
  return lim;
}

int TMapRsc::UpdateSeriaObject(int n, int variant, TABLIM* lim, TABPOS* pos) {
  if (!rscQueryOpen(this)) return 0;
  // A series is found by its excode and local type when the file is read:
  // a kind of another local type would drop out of it on the next open. A
  // deleted kind is written as deleted whatever its code: it joins nothing.
  if (!ValidObject(n) || variant < 1 || variant > 255 || !lim || !pos || lim->Local != ObjIndex[n].Local ||
      (ObjIndex[n].Flags & (RSCINDEX_EMPTY | RSCINDEX_DELETED))) {
    ErrorCode = RSCERR_PARM;
    return 0;
  }
  RSCOBJINDEX& e = ObjIndex[n];
  if (e.Excode != lim->Excode) SetObjExcode(n, LONG(lim->Excode));
  e.Series = WORD(variant);
  e.Obj->Series = WORD(variant);
  e.Lim = lim;
  e.Pos = pos;
  e.Flags |= RSCINDEX_SERIES;
  Modify++;
  ErrorCode = 0;
  return n;
}

int TMapRsc::UpdateCodeSeria(TABLIM* lim, DWORD excode) {
  if (!rscQueryOpen(this)) return 0;
  if (!lim) {
    ErrorCode = RSCERR_PARM;
    return 0;
  }
  lim->Excode = excode;
  Modify++;
  return 1;
}

TABLIM* TMapRsc::UpdateGateSeria(TABLIM* lim, int which, int code, int count, int def, const double* values) {
  if (!rscQueryOpen(this)) return nullptr;
  if (!lim || (which != 1 && which != 2)) {
    ErrorCode = RSCERR_PARM;
    return nullptr;
  }
  if (code == 0) return DeleteLimit(lim, which);
  if (!values || count < 1 || count > 0xFFFF || !rscFindSem(this, DWORD(code))) {
    ErrorCode = RSCERR_PARM;
    return nullptr;
  }
  if (def < 1 || def > count) def = 1;
  const DWORD n1 = which == 1 ? DWORD(count) : lim->Count1;
  const DWORD n2 = which == 2 ? DWORD(count) : lim->Count2;
  const DWORD old = which == 1 ? lim->Count1 : lim->Count2;
  const DWORD length = LimLength(n1, n2);

  // A record read from a file need not hold a variant table of the rule's
  // size (it has none without a first limit): one too short is replaced.
  if (DWORD(count) > old || length > lim->Length) {
    // A new record: the head, the first limit's values, the second's; the
    // variant table is left empty for the caller to set.
    TABLIM* grown = NewLim(length);
    if (!grown) return nullptr;
    memcpy(grown, lim, RSC_LIM_HEAD);
    const BYTE* from = Values(lim);
    BYTE* to = Values(grown);
    if (which == 1) {
      memcpy(to, values, 8 * size_t(n1));
      memcpy(to + 8 * n1, from + 8 * size_t(lim->Count1), 8 * size_t(n2));
    } else {
      memcpy(to, from, 8 * size_t(n1));
      memcpy(to + 8 * n1, values, 8 * size_t(n2));
    }
    grown->Length = length;
    lim = grown;
  } else {
    // In place: the second limit's values close up behind the first's.
    BYTE* at = Values(lim);
    if (which == 1) {
      if (DWORD(count) < old) memmove(at + 8 * n1, at + 8 * size_t(old), 8 * size_t(n2));
      memmove(at, values, 8 * size_t(n1));
    } else {
      memmove(at + 8 * n1, values, 8 * size_t(n2));
    }
    if (DWORD(count) < old) {
      // The old variant table no longer fits the limits: it is cleared
      // rather than left to name variants by chance.
      const DWORD table = RSC_LIM_HEAD + 8 * (n1 + n2);
      if (lim->Length > table) memset((BYTE*)lim + table, 0, lim->Length - table);
      lim->Length = length;
    }
  }
  if (which == 1) {
    lim->Code1 = DWORD(code);
    lim->Count1 = WORD(count);
    lim->Def1 = WORD(def);
  } else {
    lim->Code2 = DWORD(code);
    lim->Count2 = WORD(count);
    lim->Def2 = WORD(def);
  }
  if (lim->Length < length) lim->Length = length;
  Modify++;
  ErrorCode = 0;
  return lim;
}

TABLIM* TMapRsc::DeleteLimit(TABLIM* lim, int which) {
  if (!lim || (which != 1 && which != 2) || (which == 2 && !lim->Code2)) return lim;
  // What stays: the first limit, or the second moved up in its place.
  const bool up = which == 1 && lim->Code2;
  const DWORD n = up ? lim->Count2 : which == 2 ? lim->Count1 : 0;
  const DWORD length = RSC_LIM_HEAD + 9 * n;
  const DWORD oldLength = lim->Length;
  // A record too short for the table of its new first limit (one read
  // without a first limit) is replaced.
  if (length > oldLength) {
    TABLIM* grown = NewLim(length);
    if (!grown) return nullptr;
    memcpy(grown, lim, oldLength);
    lim = grown;
  }
  if (up) {
    BYTE* values = Values(lim);
    memmove(values, values + 8 * size_t(lim->Count1), 8 * size_t(n));
    lim->Code1 = lim->Code2;
    lim->Count1 = lim->Count2;
    lim->Def1 = lim->Def2;
  } else if (which == 1) {
    lim->Code1 = 0;
    lim->Count1 = 0;
    lim->Def1 = 0;
  }
  lim->Code2 = 0;
  lim->Count2 = 0;
  lim->Def2 = 0;
  // The variant table is set again by the caller; until then it names no
  // variant.
  const DWORD table = RSC_LIM_HEAD + 8 * n;
  const DWORD end = oldLength > length ? oldLength : length;
  if (end > table) memset((BYTE*)lim + table, 0, end - table);
  lim->Length = length;
  Modify++;
  return lim;
}

TABLIM* TMapRsc::UpdateExtendSeria(TABLIM* lim, int size, const char* table) {
  if (!rscQueryOpen(this)) return nullptr;
  if (!lim || !table || size < 2) {
    ErrorCode = RSCERR_PARM;
    return nullptr;
  }
  const DWORD cells = DWORD(lim->Count1 ? lim->Count1 : 1) * DWORD(lim->Count2 ? lim->Count2 : 1);
  if (DWORD(size) != cells) return nullptr;
  // Only a record long enough for its table is written into.
  const DWORD at = RSC_LIM_HEAD + 8 * (DWORD(lim->Count1) + lim->Count2);
  if (lim->Length < at + cells) {
    ErrorCode = RSCERR_PARM;
    return nullptr;
  }
  memcpy((BYTE*)lim + at, table, cells);
  Modify++;
  return lim;
}

int TMapRsc::UpdateSeriaSemantic(int n) {
  if (!rscQueryOpen(this)) return 0;
  if (!ValidObject(n)) {
    ErrorCode = RSCERR_PARM;
    return 0;
  }
  const RSCOBJINDEX& e = ObjIndex[n];
  const TABLIM* lim = rscSeriesLim(&e);
  if (!e.Series || !lim || (!lim->Code1 && !lim->Code2)) return 0;
  const int count = int(Head.Tables[RSC_OBJ].Count);
  int other = 0;
  for (int m = 1; m <= count && !other; m++)
    if (m != n && ObjIndex[m].Obj && ObjIndex[m].Lim == lim) other = m;
  if (!other) return 0;
  bool carried = true;
  for (DWORD code : {lim->Code1, lim->Code2})
    if (code && GetObjCanSem(n, code) != 3) carried = false;
  TABPOS* pos = carried ? e.Pos : ObjIndex[other].Pos;
  for (int m = 1; m <= count; m++)
    if (ObjIndex[m].Obj && ObjIndex[m].Lim == lim) ObjIndex[m].Pos = pos;
  Modify++;
  ErrorCode = 0;
  return n;
}

TABLIM* TMapRsc::CopyTabLim(const TABLIM* lim) {
  if (!rscQueryOpen(this)) return nullptr;
  if (!lim || lim->Length < DWORD(RSC_LIM_HEAD) || rscLimNeed(lim) > lim->Length) {
    ErrorCode = RSCERR_PARM;
    return nullptr;
  }
  TABLIM* copy = NewLim(lim->Length);
  if (copy) memcpy(copy, lim, lim->Length);
  return copy;
}

int TMapRsc::GetGateCount(DWORD excode, int local, DWORD code) {
  if (!rscQueryOpen(this)) return 0;
  const int n = GetObjIncode(excode, local);
  const TABLIM* lim = n ? rscSeriesLim(&ObjIndex[n]) : nullptr;
  if (!lim || !code) return 0;
  if (lim->Code1 == code) return lim->Count1;
  if (lim->Code2 == code) return lim->Count2;
  return 0;
}

int TMapRsc::DeleteSeria(DWORD excode, int local) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  const int count = int(Head.Tables[RSC_OBJ].Count);
  for (int n = 16; n <= count; n++) {
    RSCOBJINDEX& e = ObjIndex[n];
    if (!e.Obj || e.Excode != excode || e.Local != local) continue;
    e.Lim = nullptr;
    e.Pos = nullptr;
    e.Flags = RSCINDEX_DELETED;
    e.Excode = 0;
    e.Obj->Excode = 0;
    DeleteDefObject(n);
    Modify++;
  }
  ErrorCode = 0;
  return 1;
}

int TMapRsc::DeleteSeriaObject(int n) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (n < 16 || !ValidObject(n)) return 0;
  RSCOBJINDEX& e = ObjIndex[n];
  e.Flags = RSCINDEX_DELETED;
  e.Excode = 0;
  e.Obj->Excode = 0;
  DeleteDefObject(n);
  Modify++;
  Head.Style++;
  ErrorCode = 0;
  return n;
}
