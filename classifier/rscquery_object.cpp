// Classifier queries on object kinds: fields, lookups by code, key and
// series semantics, descriptions, and the semantics a kind must or may
// carry.
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"
#include "records/semantic.h"

namespace {

constexpr DWORD kSystemFirst = 32800, kSystemLast = 32811;
constexpr int kKeySemantic = 32811;

// 3 when code is a limiting semantic of the object's series, 2 obligatory,
// 1 possible, 0 otherwise.
int ListedSemantic(const RSCOBJINDEX& e, DWORD code) {
  if (rscLimitSemantic(rscSeriesLim(&e), code)) return 3;
  return rscPosSemantic(e.Pos, code);
}

// Common semantics that are not system ones and are not listed for the
// object: visited in table order (from the second SEM record on) until f
// returns true; the number visited.
template <class F>
int ForCommonSemantics(const TRSCDATA* d, const RSCOBJINDEX& e, F f) {
  const TABSEM* sem = rscSemTable(d);
  const DWORD count = sem ? d->Head.Tables[RSC_SEM].Count : 0;
  int found = 0;
  for (DWORD i = 1; i < count; i++) {
    const DWORD code = sem[i].Code;
    if (sem[i].Common != 1 || (code >= kSystemFirst && code <= kSystemLast)) continue;
    if (ListedSemantic(e, code) != 0) continue;
    found++;
    if (f(code, found)) break;
  }
  return found;
}

// The position (0-based) chosen among a semantic's ascending limit values
// for a value: the first limit not below it; the default range when the
// value is missing or above every limit.
int LimitPosition(const double* values, int count, int defaultRange, bool present, double value) {
  if (present)
    for (int i = 0; i < count; i++)
      if (values[i] >= value) return i;
  int position = defaultRange - 1;
  if (position < 0) position = 0;
  if (position >= count) position = count - 1;
  return position;
}

// The value of the characteristic `code` of a semantics record as a
// double; false when the record does not hold it.
bool SemanticNumber(TWorkSemantic& work, int code, double* value) {
  if (!work.FindCode(code)) return false;
  TSemBase* base = work.CurrentValue();
  if (!base) return false;
  *value = base->DoubleValue();
  return true;
}

}  // namespace

const char* TMapRsc::GetObjName(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? e->Obj->Name : RSC_EMPTY_STRING;
}

const char* TMapRsc::GetObjKey(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? e->Obj->Key : RSC_EMPTY_STRING;
}

LONG TMapRsc::GetObjIdent(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? LONG(e->Obj->Ident) : 0;
}

int TMapRsc::GetObjIdentIncode(LONG ident) {
  if (!rscQueryOpen(this)) return 0;
  const DWORD count = Head.Tables[RSC_OBJ].Count;
  for (DWORD n = 1; n <= count; n++) {
    const TABOBJ* obj = ObjIndex[n].Obj;
    if (!obj) break;
    if (obj->Ident == DWORD(ident)) return int(n);
  }
  ErrorCode = MAPERR_RSCRANGE;
  return 0;
}

int TMapRsc::GetObjKeyIncode(const char* key) { return GetElementbyName(key, 5); }

LONG TMapRsc::GetObjExcode(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? LONG(e->Excode) : 0;
}

int TMapRsc::GetObjLocal(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? e->Local : 0;
}

int TMapRsc::GetObjSegment(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? e->Segment : 0;
}

int TMapRsc::GetObjExtloc(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? e->Extloc : 0;
}

int TMapRsc::GetObjFunction(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? e->Function : 0;
}

int TMapRsc::GetObjExtend(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? e->Series : 0;
}

int TMapRsc::GetObjExtsem(int n) {
  RSCOBJINDEX* e = rscObjectEntry(this, n);
  return e ? e->Extsem : 0;
}

int TMapRsc::SetObjExtsem(int n, int value) {
  RSCOBJINDEX* e = rscObjectEntry(this, n);
  if (!e) return 0;
  if (value < 1 || value > 3) value = 0;
  e->Extsem = BYTE(value);
  e->Obj->Extsem = BYTE(value);
  return value;
}

int TMapRsc::GetObjBot(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? e->Obj->Bot : 0;
}

int TMapRsc::GetObjTop(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? 15 - int(e->Obj->Top) : 15;
}

int TMapRsc::GetObjScale(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? e->Obj->ScaleFlag : 0;
}

int TMapRsc::GetObjDirect(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? e->Obj->Direct : 0;
}

namespace {

// The service kind (among objects 1..6) of a local type, 0 when none.
DWORD ServiceObject(const TRSCDATA* d, int local) {
  const DWORD last = d->Head.Tables[RSC_OBJ].Count < 6 ? d->Head.Tables[RSC_OBJ].Count : 6;
  for (DWORD n = 1; n <= last; n++)
    if (d->ObjIndex[n].Obj && d->ObjIndex[n].Local == local) return n;
  return 0;
}

}  // namespace

LONG TMapRsc::GetServObjExcode(int local) {
  if (!rscQueryOpen(this)) return 0;
  const DWORD n = ServiceObject(this, local);
  return n ? LONG(ObjIndex[n].Excode) : 0;
}

int TMapRsc::GetServObjIncode(int local) {
  if (!rscQueryOpen(this)) return 0;
  const DWORD n = ServiceObject(this, local);
  if (!n) ErrorCode = MAPERR_RSCRANGE;
  return int(n);
}

int TMapRsc::GetObjIncode(DWORD excode, int local, int variant) {
  if (!rscQueryOpen(this)) return 0;
  const DWORD count = Head.Tables[RSC_OBJ].Count;
  for (DWORD n = 1; n <= count; n++) {
    const RSCOBJINDEX& e = ObjIndex[n];
    if (e.Obj && e.Excode == excode && e.Local == local && e.Series == variant) return int(n);
  }
  ErrorCode = MAPERR_RSCRANGE;
  return 0;
}

int TMapRsc::GetObjIncode(DWORD excode, int local, TObjectSemn semantics) {
  SEMANTIC* record = semantics.Semn;
  if (!record) return GetObjIncode(excode, local);
  if (!rscQueryOpen(this)) return 0;

  // The semantics are read only within their own length.
  TWorkSemantic work;
  if (record->Ident == SEMANTIC_IDENT && record->Length >= SEMANTIC_HEAD)
    work.Access((char*)record + SEMANTIC_HEAD, LONG(record->Length) - SEMANTIC_HEAD, 0);

  // 1. By the key semantic.
  if (Head.ObjCodeType == 1 && work.FindCode(kKeySemantic)) {
    char key[33] = {};
    if (TSemBase* value = work.CurrentValue()) value->StringValue(key, 32);
    key[32] = 0;
    if (key[0]) {
      int n = GetElementbyName(key, 5);
      if (n) return n;
    }
  }

  // 2. The first kind of that code and local type.
  const int first = GetObjIncode(excode, local);
  if (!first) return 0;
  const TABLIM* lim = rscSeriesLim(&ObjIndex[first]);
  if (!lim || lim->Count1 == 0) return first;

  // 3. Column by the first limiting semantic, row by the second.
  const double* values = rscLimValues(lim);
  double value = 0;
  bool present = SemanticNumber(work, int(lim->Code1), &value);
  const int column = LimitPosition(values, lim->Count1, lim->Def1, present, value);
  int row = 0;
  if (lim->Code2 && lim->Count2) {
    present = SemanticNumber(work, int(lim->Code2), &value);
    row = LimitPosition(values + lim->Count1, lim->Count2, lim->Def2, present, value);
  }

  // 4. The variant of that pair of ranges.
  const int variant = rscLimVariants(lim)[size_t(row) * lim->Count1 + size_t(column)];
  return GetObjIncode(excode, local, variant);
}

int TMapRsc::GetNextObjIncode(DWORD excode, int after) {
  if (!rscQueryOpen(this)) return 0;
  const DWORD count = Head.Tables[RSC_OBJ].Count;
  for (DWORD n = after < 0 ? 1 : DWORD(after) + 1; n <= count; n++)
    if (ObjIndex[n].Obj && ObjIndex[n].Excode == excode) return int(n);
  ErrorCode = MAPERR_RSCRANGE;
  return 0;
}

int TMapRsc::GetObjNumber(DWORD excode, int local) {
  if (!rscQueryOpen(this)) return 0;
  const DWORD count = Head.Tables[RSC_OBJ].Count;
  int number = 0;
  for (DWORD n = 1; n <= count; n++) {
    const RSCOBJINDEX& e = ObjIndex[n];
    if (e.Obj && e.Excode == excode && e.Local == local) number++;
  }
  return number;
}

int TMapRsc::GetDescribeObj(int n, RSCOBJECT* desc) {
  if (!IsActive() || n < 1 || DWORD(n) > Head.Tables[RSC_OBJ].Count) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  ErrorCode = 0;
  if (!desc) return 0;
  memset(desc, 0, sizeof *desc);
  desc->Length = sizeof *desc;
  const RSCOBJINDEX& e = ObjIndex[n];
  if (!e.Obj) return 0;
  desc->Excode = e.Excode;
  desc->Local = e.Local;
  desc->Segment = e.Segment;
  desc->Scale = e.Obj->ScaleFlag;
  const BYTE direct = e.Obj->Direct;
  desc->Direct = direct == 2 ? 2 : (direct == 3 || direct == 4) ? 4 : 1;
  memcpy(desc->Name, e.Obj->Name, strnlen(e.Obj->Name, 31));
  const int table = Head.ScaleTable == 1 ? 1 : 0;
  desc->Bot = DWORD(GetTableScaleItem(table, e.Obj->Bot));
  desc->Top = DWORD(GetTableScaleItem(table, 15 - int(e.Obj->Top)));
  return 1;
}

int TMapRsc::GetObjMustSemCount(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e && e->Pos ? e->Pos->Must : 0;
}

DWORD TMapRsc::GetObjMustSem(int n, int i) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  if (!e) return 0;
  if (!e->Pos || i < 1 || i > e->Pos->Must) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  return rscPosCode(e->Pos, i - 1);
}

int TMapRsc::GetObjOnlyPosSemCount(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e && e->Pos ? e->Pos->Pos : 0;
}

DWORD TMapRsc::GetObjOnlyPosSem(int n, int i) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  if (!e) return 0;
  if (!e->Pos || i < 1 || i > e->Pos->Pos) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  return rscPosCode(e->Pos, e->Pos->Must + i - 1);
}

int TMapRsc::GetObjPosSemCount(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  if (!e) return 0;
  const int possible = e->Pos ? e->Pos->Pos : 0;
  return possible + ForCommonSemantics(this, *e, [](DWORD, int) { return false; });
}

DWORD TMapRsc::GetObjPosSem(int n, int i) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  if (!e) return 0;
  const int possible = e->Pos ? e->Pos->Pos : 0;
  if (i >= 1 && i <= possible) return rscPosCode(e->Pos, e->Pos->Must + i - 1);
  DWORD result = 0;
  if (i > possible) {
    const int wanted = i - possible;
    ForCommonSemantics(this, *e, [&result, wanted](DWORD code, int k) {
      if (k != wanted) return false;
      result = code;
      return true;
    });
  }
  if (!result) ErrorCode = MAPERR_RSCRANGE;
  return result;
}

int TMapRsc::GetObjLimSemCount(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  const TABLIM* lim = rscSeriesLim(e);
  return lim ? (lim->Code1 != 0) + (lim->Code2 != 0) : 0;
}

DWORD TMapRsc::GetObjLimSem(int n, int which) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  if (!e) return 0;
  if (which < 1 || which > 2) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  const TABLIM* lim = rscSeriesLim(e);
  if (!lim) return 0;
  return which == 1 ? lim->Code1 : lim->Code2;
}

int TMapRsc::GetOnlyObjCanSem(int n, DWORD code) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  if (!e) return 0;
  if (!rscFindSem(this, code)) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  return ListedSemantic(*e, code);
}

int TMapRsc::GetObjCanSem(int n, DWORD code) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  if (!e) return 0;
  const TABSEM* sem = rscFindSem(this, code);
  if (!sem) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  const int listed = ListedSemantic(*e, code);
  if (listed) return listed;
  return sem->Common ? 1 : 0;
}
