// Classifier queries on semantics: fields, value lists, defaults, their
// text form, descriptions and the use of a semantic by object kinds.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"

namespace {

// The SEM record of a code: 60005 closed, 60105 absent.
TABSEM* QuerySem(TRSCDATA* d, DWORD code) {
  if (!rscQueryOpen(d)) return nullptr;
  TABSEM* sem = rscFindSem(d, code);
  if (!sem) d->ErrorCode = MAPERR_RSCRANGE;
  return sem;
}

// DEF lookups: `last` takes the last matching entry (GetTabDef), otherwise
// the first (CheckTabDef); an entry for the object wins over a free one.
TABDEF* FindDef(TABDEF* def, DWORD count, int n, bool last) {
  TABDEF* own = nullptr;
  TABDEF* free = nullptr;
  for (DWORD i = 0; i < count; i++) {
    if (def[i].Object == DWORD(n)) {
      if (last || !own) own = def + i;
    } else if (def[i].Object == 0) {
      if (last || !free) free = def + i;
    }
  }
  return own ? own : free;
}

// Whether n may be used as the object of a DEF lookup (0 asks for the
// entries that serve every object).
bool DefObject(const TRSCDATA* d, int n) { return n >= 0 && DWORD(n) <= d->Head.Tables[RSC_OBJ].Count; }

// Text of a default: with decimals as a fixed-point number in the field
// width, without them as an integer (the fraction dropped).
void PrintValue(char* text, int size, double value, int width, int decimals) {
  if (decimals > 0) {
    char format[32];
    snprintf(format, sizeof format, "%%%i.%if", width, decimals);
    snprintf(text, size_t(size), format, value);
    return;
  }
  if (std::isfinite(value) && value > -9.2e18 && value < 9.2e18)
    snprintf(text, size_t(size), "%" PRId64, int64_t(value));
  else
    snprintf(text, size_t(size), "%.0f", std::trunc(value));
}

// The limit value that gives the object's variant for one limiting
// semantic of its series (which: 1 or 2); false when no range gives it.
bool LimitDefault(const TABLIM* lim, int variant, int which, double* value) {
  const int columns = lim->Count1;
  const int rows = lim->Count2 ? lim->Count2 : 1;
  if (columns == 0 || (which == 2 && lim->Count2 == 0)) return false;
  const double* values = rscLimValues(lim);
  const BYTE* table = rscLimVariants(lim);
  auto pick = [&](int row, int column) {
    *value = which == 1 ? values[column] : values[columns + row];
    return true;
  };
  const int defColumn = int(lim->Def1) - 1;
  const int defRow = lim->Count2 ? int(lim->Def2) - 1 : 0;
  if (defColumn >= 0 && defColumn < columns && defRow >= 0 && defRow < rows &&
      table[defRow * columns + defColumn] == variant)
    return pick(defRow, defColumn);
  for (int row = 0; row < rows; row++)
    for (int column = 0; column < columns; column++)
      if (table[row * columns + column] == variant) return pick(row, column);
  return false;
}

}  // namespace

TABSEM* TMapRsc::GetTabSemEx(DWORD code) { return QuerySem(this, code); }

const char* TMapRsc::GetSemName(DWORD code) {
  TABSEM* sem = QuerySem(this, code);
  return sem ? sem->Name : RSC_EMPTY_STRING;
}

const char* TMapRsc::GetSemShortName(DWORD code) {
  TABSEM* sem = QuerySem(this, code);
  return sem ? sem->Short : RSC_EMPTY_STRING;
}

const char* TMapRsc::GetSemUnit(DWORD code) {
  TABSEM* sem = IsActive() ? rscFindSem(this, code) : nullptr;
  return sem ? sem->Unit : RSC_EMPTY_STRING;
}

int TMapRsc::GetSemValuePoleSize(DWORD code) {
  TABSEM* sem = QuerySem(this, code);
  return sem ? sem->Size : 0;
}

int TMapRsc::GetSemValuePoleDecimal(DWORD code) {
  TABSEM* sem = QuerySem(this, code);
  return sem ? sem->Decimal : 0;
}

int TMapRsc::GetSemType(DWORD code) {
  TABSEM* sem = QuerySem(this, code);
  if (!sem) return -1;
  if (sem->Type >= 2 && sem->Type <= 8) return 1;
  if (sem->Type == RSCSEMTYPE_NUMBER && sem->Cls && sem->ClsCount) return RSCSEMTYPE_LIST;
  return sem->Type;
}

int TMapRsc::GetSemService(DWORD code) {
  TABSEM* sem = QuerySem(this, code);
  return sem ? sem->Common : 0;
}

int TMapRsc::GetSemReply(LONG code) {
  if (code < 0) return 0;
  TABSEM* sem = QuerySem(this, DWORD(code));
  return sem ? sem->Reply : 0;
}

const char* TMapRsc::GetSemOrderName(int i) {
  if (!rscQueryOpen(this)) return RSC_EMPTY_STRING;
  TABSEM* sem = rscSemTable(this);
  if (!sem || i < 1 || DWORD(i) > Head.Tables[RSC_SEM].Count) {
    ErrorCode = MAPERR_RSCRANGE;
    return RSC_EMPTY_STRING;
  }
  return sem[i - 1].Name;
}

int TMapRsc::GetClassificatorCount(DWORD code) {
  TABSEM* sem = QuerySem(this, code);
  if (!sem) return 0;
  if (sem->Type != 1 || !rscClsList(this, sem)) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  return int(sem->ClsCount);
}

TABCLS* TMapRsc::GetTabCls(DWORD code, int i) {
  TABSEM* sem = QuerySem(this, code);
  if (!sem) return nullptr;
  TABCLS* cls = rscClsList(this, sem);
  if (!cls || i < 1 || DWORD(i) > sem->ClsCount) {
    ErrorCode = MAPERR_RSCRANGE;
    return nullptr;
  }
  return cls;
}

LONG TMapRsc::GetClassificatorValue(DWORD code, int i) {
  TABCLS* cls = GetTabCls(code, i);
  return cls ? LONG(cls[i - 1].Value) : 0;
}

const char* TMapRsc::GetClassificatorName(DWORD code, int i) {
  TABCLS* cls = GetTabCls(code, i);
  return cls ? cls[i - 1].Name : RSC_EMPTY_STRING;
}

const char* TMapRsc::GetSemValueName(DWORD code, LONG value) {
  TABSEM* sem = QuerySem(this, code);
  if (!sem) return RSC_EMPTY_STRING;
  if (TABCLS* cls = rscClsList(this, sem))
    for (DWORD i = 0; i < sem->ClsCount; i++)
      if (cls[i].Value == DWORD(value)) return cls[i].Name;
  ErrorCode = MAPERR_RSCRANGE;
  return RSC_EMPTY_STRING;
}

TABDEF* TMapRsc::GetTabDef(int n, DWORD code) {
  TABSEM* sem = QuerySem(this, code);
  if (!sem) return nullptr;
  TABDEF* def = DefObject(this, n) ? rscDefList(this, sem) : nullptr;
  TABDEF* found = def ? FindDef(def, sem->DefCount, n, true) : nullptr;
  if (!found) ErrorCode = MAPERR_RSCRANGE;
  return found;
}

double TMapRsc::GetDefMin(int n, DWORD code) {
  TABDEF* def = GetTabDef(n, code);
  return def ? def->Min : 0.0;
}

double TMapRsc::GetDefDef(int n, DWORD code) {
  TABDEF* def = GetTabDef(n, code);
  return def ? def->Def : 0.0;
}

double TMapRsc::GetDefMax(int n, DWORD code) {
  TABDEF* def = GetTabDef(n, code);
  return def ? def->Max : 0.0;
}

TABDEF* TMapRsc::CheckTabDef(int n, DWORD code) {
  TABSEM* sem = QuerySem(this, code);
  if (!sem) return nullptr;
  TABDEF* def = rscDefList(this, sem);
  if (sem->Type != 1 || !def) return nullptr;
  TABDEF* found = DefObject(this, n) ? FindDef(def, sem->DefCount, n, false) : nullptr;
  if (!found) ErrorCode = MAPERR_RSCRANGE;
  return found;
}

int TMapRsc::GetDefValue(int n, DWORD code, RSCDEF* value) {
  TABDEF* def = GetTabDef(n, code);
  if (!def || !value) return 0;
  value->Minimum = float(def->Min);
  value->Default = float(def->Def);
  value->Maximum = float(def->Max);
  return 1;
}

int TMapRsc::GetDefValueSemantic(int n, DWORD code, char* text, int size) {
  if (!text || size < 1) return 0;
  text[0] = 0;
  RSCOBJINDEX* e = rscQueryObject(this, n);
  if (!e) return 0;
  const TABSEM* sem = rscFindSem(this, code);
  if (!sem) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  double value = 0;
  const TABLIM* lim = rscSeriesLim(e);
  const int which = !lim || code == 0 ? 0 : code == lim->Code1 ? 1 : code == lim->Code2 ? 2 : 0;
  if (which) {
    if (!LimitDefault(lim, e->Series, which, &value)) {
      ErrorCode = MAPERR_RSCRANGE;
      return 0;
    }
  } else {
    TABDEF* def = CheckTabDef(n, code);
    if (!def) {
      ErrorCode = MAPERR_RSCRANGE;
      return 0;
    }
    value = def->Def;
  }
  PrintValue(text, size, value, sem->Size, sem->Decimal);
  return 1;
}

int TMapRsc::SemanticDescribeEx(RSCSEMANTICEX* desc, DWORD code, int n) {
  if (!desc) return 0;
  memset(desc, 0, sizeof *desc);
  desc->Code = code;
  TABSEM* sem = QuerySem(this, code);
  if (!sem) return 0;
  desc->Type = DWORD(GetSemType(code));
  desc->Reply = sem->Reply;
  if (rscObjectEntry(this, n)) desc->Enable = DWORD(GetObjCanSem(n, code));
  desc->Service = sem->Common;
  memcpy(desc->Name, sem->Name, strnlen(sem->Name, 31));
  memcpy(desc->Unit, sem->Unit, strnlen(sem->Unit, 7));
  if (TABDEF* def = rscDefList(this, sem)) {
    if (TABDEF* found = FindDef(def, sem->DefCount, DefObject(this, n) ? n : 0, true)) {
      desc->Minimum = found->Min;
      desc->Default = found->Def;
      desc->Maximum = found->Max;
    }
  }
  desc->Size = sem->Size;
  desc->Decimal = sem->Decimal;
  memcpy(desc->ShortName, sem->Short, strnlen(sem->Short, 15));
  ErrorCode = 0;
  return 1;
}

int TMapRsc::GetSemInfo(DWORD code, APPLYSEMANTIC* info) {
  if (!info) return 0;
  memset(info, 0, sizeof *info);
  if (!rscQueryOpen(this)) return 0;
  const DWORD count = Head.Tables[RSC_OBJ].Count;
  for (DWORD n = 1; n <= count; n++) {
    const RSCOBJINDEX& e = ObjIndex[n];
    if (!e.Obj || !e.Excode) continue;
    // A series member limits by its semantic whether or not it has a
    // semantics record.
    if (rscLimitSemantic(rscSeriesLim(&e), code)) info->Limit++;
    const int listed = rscPosSemantic(e.Pos, code);
    if (listed == 2) info->Must++;
    if (listed == 1) info->Possible++;
  }
  return 1;
}

const char* TMapRsc::GetLocalName(int local, int language) {
  static const char* const kEnglish[6] = {"LINE", "POLYGON", "POINT", "TITLE", "VECTOR", "MIXED"};
  static const char* const kRussian[6] = {"ЛИНЕЙНЫЕ", "ПЛОЩАДНЫЕ", "ТОЧЕЧНЫЕ",
                                          "ПОДПИСИ",  "ВЕКТОРНЫЕ", "ШАБЛОНЫ"};
  if (local < 0 || local > 5) return RSC_EMPTY_STRING;
  return language == 1 ? kEnglish[local] : kRussian[local];
}
