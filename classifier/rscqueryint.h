// Checks shared by the classifier queries: the open check, object numbers,
// and the bounded addresses of value lists and default lists.
#pragma once

#include <cstring>

#include "classifier/maprsc.h"
#include "common/maperr.h"

// 60005 for a closed classifier; otherwise the error is cleared.
inline bool rscQueryOpen(TRSCDATA* d) {
  if (!rscIsOpen(d)) {
    d->ErrorCode = MAPERR_DATA;
    return false;
  }
  d->ErrorCode = 0;
  return true;
}

// The index entry of object n (1..count, holding a record): 60005 for a
// closed classifier, 60105 for any other failure, and null.
inline RSCOBJINDEX* rscQueryObject(TRSCDATA* d, int n) {
  if (!rscQueryOpen(d)) return nullptr;
  if (n < 1 || DWORD(n) > d->Head.Tables[RSC_OBJ].Count || !d->ObjIndex[n].Obj) {
    d->ErrorCode = MAPERR_RSCRANGE;
    return nullptr;
  }
  return &d->ObjIndex[n];
}

// The same without touching the error code.
inline RSCOBJINDEX* rscObjectEntry(const TRSCDATA* d, int n) {
  if (!rscIsOpen(d) || n < 1 || DWORD(n) > d->Head.Tables[RSC_OBJ].Count || !d->ObjIndex[n].Obj)
    return nullptr;
  return &d->ObjIndex[n];
}

// The SEM record of a code (first match), null when there is none.
inline TABSEM* rscFindSem(const TRSCDATA* d, DWORD code) {
  TABSEM* sem = rscSemTable(d);
  const DWORD count = sem ? d->Head.Tables[RSC_SEM].Count : 0;
  for (DWORD i = 0; i < count; i++)
    if (sem[i].Code == code) return sem + i;
  return nullptr;
}

// The value list of a semantic, null when it has none or when the list does
// not lie wholly in the classifier's memory.
inline TABCLS* rscClsList(const TRSCDATA* d, const TABSEM* sem) {
  if (!sem || !sem->Cls || !sem->ClsCount) return nullptr;
  if (!rscRefExtent(d, sem->Cls, uint64_t(sem->ClsCount) * RSC_CLS_SIZE)) return nullptr;
  return (TABCLS*)rscRefAddress(d, sem->Cls);
}

// The default list of a semantic, with the same checks.
inline TABDEF* rscDefList(const TRSCDATA* d, const TABSEM* sem) {
  if (!sem || !sem->Def || !sem->DefCount) return nullptr;
  if (!rscRefExtent(d, sem->Def, uint64_t(sem->DefCount) * RSC_DEF_SIZE)) return nullptr;
  return (TABDEF*)rscRefAddress(d, sem->Def);
}

// The codes of a POS record: obligatory ones first, then possible ones.
inline DWORD rscPosCode(const TABPOS* pos, int i) {
  DWORD code;
  memcpy(&code, (const BYTE*)pos + RSC_POS_HEAD + 4 * size_t(i), 4);
  return code;
}

// The series-limit record of a series member, null for other objects.
inline TABLIM* rscSeriesLim(const RSCOBJINDEX* e) {
  return e && (e->Flags & RSCINDEX_SERIES) && e->Lim ? e->Lim : nullptr;
}

// The limit values and the variant table of a LIM record (its extent was
// checked when it was loaded or made).
inline const double* rscLimValues(const TABLIM* lim) {
  return (const double*)((const BYTE*)lim + RSC_LIM_HEAD);
}
inline const BYTE* rscLimVariants(const TABLIM* lim) {
  return (const BYTE*)lim + RSC_LIM_HEAD + 8 * (size_t(lim->Count1) + lim->Count2);
}

// Whether code is one of the (non-zero) limiting semantics of a LIM record.
inline bool rscLimitSemantic(const TABLIM* lim, DWORD code) {
  return lim && code && (lim->Code1 == code || lim->Code2 == code);
}

// 2 when a POS record lists code as obligatory, 1 as possible, else 0.
inline int rscPosSemantic(const TABPOS* pos, DWORD code) {
  if (!pos) return 0;
  for (int i = 0; i < pos->Must + pos->Pos; i++)
    if (rscPosCode(pos, i) == code) return i < pos->Must ? 2 : 1;
  return 0;
}

// Stores image parameters of object n into `rec` when it is long enough,
// otherwise into a new pool block: 60001 and null when memory is short.
// The caller has checked n and length (params may lie in rec).
VIEPAR* rscStoreView(TRSCDATA* d, VIEPAR* rec, int n, int length, int function,
                     const char* params);

// Makes `count` entries (value entries when cls, else default entries) a
// semantic's new list in the memory pool, with the head of a grown list;
// the list's first entry, or null (no entries, or 60001 when memory is
// short; the semantic is unchanged then).
BYTE* rscCopyList(TRSCDATA* d, TABSEM* sem, bool cls, const void* entries, DWORD count);
