// Copying object kinds and semantics from another classifier: a kind comes
// with its semantics, value lists and images, a series with every member
// and its limits. What was carried is written as a protocol to a map's log.
// Only this classifier changes, in memory; saving is separate.
#include <cstdio>
#include <cstring>
#include <vector>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"
#include "common/maperror.h"

namespace {

// Protocol lines: the code and a name of at most 31 characters.
const char kObjectExists[] = "****** Объект %u  - %.31s есть";
const char kObjectCopied[] = "****** Объект %u  - %.31s перенесен";
const char kObjectNotCopied[] = "****** Объект %u  - %.31s не перенесен";
const char kSeriesNotCopied[] = "****** Серия %u  - %.31s не перенесена";
const char kSemanticAdded[] = "Добавили семантику %u %.31s";
// By kind of use: 1 possible, 2 obligatory.
const char* const kUseAdded[3] = {nullptr, "Добавили возможную семантику %u %.31s",
                                  "Добавили обязательную семантику %u %.31s"};

void Protocol(TMapError* log, const char* format, DWORD code, const char* name) {
  if (!log) return;
  char line[160];
  snprintf(line, sizeof line, format, unsigned(code), name ? name : "");
  log->WriteToLog(line, MAPLOG_REMARK);
}

// The semantic codes kind n of a classifier may (use 1) or must (use 2)
// carry, as listed for it.
std::vector<DWORD> UsedCodes(TMapRsc* rsc, int n, int use) {
  std::vector<DWORD> codes;
  const int count = use == 1 ? rsc->GetObjOnlyPosSemCount(n) : rsc->GetObjMustSemCount(n);
  for (int i = 1; i <= count; i++) {
    const DWORD code = use == 1 ? rsc->GetObjOnlyPosSem(n, i) : rsc->GetObjMustSem(n, i);
    if (code) codes.push_back(code);
  }
  return codes;
}

// The last value of a semantic's value list (0 without one).
LONG LastValue(TMapRsc* rsc, DWORD code) {
  const int count = rsc->GetClassificatorCount(code);
  return count ? rsc->GetClassificatorValue(code, count) : 0;
}

// Makes sure the target has semantic `code` of the source: appended
// from the source's description with every value of its list when it is
// missing. The description (its name for the protocol) goes to `desc`;
// false when the semantic can't be had.
bool CarrySemantic(TMapRsc* target, TMapRsc* source, DWORD code, TMapError* log,
                          RSCSEMANTICEX* desc) {
  if (!source->SemanticDescribeEx(desc, code, 0)) return false;
  if (target->CheckSemanticCode(code) != 1) return rscFindSem(target, code) != nullptr;
  if (!target->AppendSemantic(desc)) return false;
  if (desc->Type == RSCSEMTYPE_LIST) {
    const int count = source->GetClassificatorCount(code);
    for (int i = 1; i <= count; i++)
      target->AppendCls(code, source->GetClassificatorValue(code, i),
                        source->GetClassificatorName(code, i));
  }
  Protocol(log, kSemanticAdded, code, desc->Name);
  return true;
}

// Gives kind k of the target the semantics kind n of the source may and
// must carry (`force`: k is a series member), noting each one it takes.
void CarryUsedSemantics(TMapRsc* target, TMapRsc* source, int n, int k, int force,
                        TMapError* log) {
  RSCSEMANTICEX desc;
  for (int use = 1; use <= 2; use++) {
    for (DWORD code : UsedCodes(source, n, use)) {
      if (!CarrySemantic(target, source, code, log, &desc)) continue;
      target->AppendObjectSemantic(k, code, use, force);
      if (target->GetOnlyObjCanSem(k, code) != 0) Protocol(log, kUseAdded[use], code, desc.Name);
    }
  }
}

}  // namespace

int TMapRsc::CopyObject(TMapRsc* source, int n, int layer, TMapError* log) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  // A kind of the source that holds a record and was not deleted.
  const RSCOBJINDEX* from = source ? rscObjectEntry(source, n) : nullptr;
  if (!from || (from->Flags & (RSCINDEX_DELETED | RSCINDEX_EMPTY))) {
    ErrorCode = RSCERR_PARM;
    return 0;
  }
  const DWORD excode = from->Excode;
  const int local = from->Local;
  char name[32] = {};
  memcpy(name, from->Obj->Name, 31);
  RSCSEMANTICEX desc;

  // 1. The kind is here: only the semantics it lacks are added.
  if (const int m = GetObjIncode(excode, local)) {
    Protocol(log, kObjectExists, excode, name);
    for (int use = 1; use <= 2; use++) {
      for (DWORD code : UsedCodes(source, n, use)) {
        if (!CarrySemantic(this, source, code, log, &desc) || GetObjCanSem(m, code) != 0) continue;
        bool added = false;
        if (GetObjNumber(excode, local) == 1) {
          AppendObjectSemantic(m, code, use, 0);
          added = GetOnlyObjCanSem(m, code) != 0;
        } else {
          // Every kind of the series takes it.
          for (int k = GetNextObjIncode(excode, 0); k; k = GetNextObjIncode(excode, k)) {
            if (ObjIndex[k].Local != local) continue;
            AppendObjectSemantic(k, code, use, 1);
            if (GetOnlyObjCanSem(k, code) != 0) added = true;
          }
        }
        if (added) Protocol(log, kUseAdded[use], code, desc.Name);
      }
    }
    ErrorCode = 0;
    return m;
  }

  // Layers are numbered 0..count-1; any other number is layer 0.
  if (layer < 0 || layer >= GetSegCount()) layer = 0;

  // 2. A kind outside a series, or a series that would not fit here.
  const TABLIM* lim = rscSeriesLim(from);
  if (lim) {
    for (DWORD code : {lim->Code1, lim->Code2}) {
      if (!code || !rscFindSem(this, code)) continue;
      const int type = GetSemType(code);
      if (type != source->GetSemType(code) || (type == 16 && LastValue(this, code) < LastValue(source, code))) {
        Protocol(log, kSeriesNotCopied, excode, name);
        lim = nullptr;
        break;
      }
    }
  }
  if (!lim) {
    const int k = AppendCopy(source, n, layer);
    if (!k) {
      Protocol(log, kObjectNotCopied, excode, name);
      return 0;
    }
    Protocol(log, kObjectCopied, excode, name);
    CarryUsedSemantics(this, source, n, k, 0, log);
    ErrorCode = 0;
    return k;
  }

  // 3. A series: every member, then the limits and one semantics record
  //    for them all. A failure removes what was made of the series.
  struct MEMBER {
    int Number;   // here
    int Variant;  // the source member's
  };
  std::vector<MEMBER> members;
  int copy = 0;
  const auto fail = [&]() {
    DeleteSeria(excode, local);
    Protocol(log, kSeriesNotCopied, excode, name);
    ErrorCode = RSCERR_APPEND;
    return 0;
  };
  const int number = source->GetObjNumber(excode, local);
  for (int s = source->GetNextObjIncode(excode, 0); s && int(members.size()) < number;
       s = source->GetNextObjIncode(excode, s)) {
    if (source->ObjIndex[s].Local != local) continue;
    const int k = AppendCopy(source, s, layer);
    if (!k) return fail();
    char member[32] = {};
    memcpy(member, source->ObjIndex[s].Obj->Name, 31);
    Protocol(log, kObjectCopied, excode, member);
    members.push_back({k, source->ObjIndex[s].Series});
    if (s == n) copy = k;
  }
  // The limits name semantics this classifier must have.
  for (DWORD code : {lim->Code1, lim->Code2})
    if (code && !CarrySemantic(this, source, code, log, &desc)) return fail();
  TABLIM* limits = CopyTabLim(lim);
  if (!limits || !copy) return fail();
  const int last = members.back().Number;
  CarryUsedSemantics(this, source, n, last, 1, log);
  TABPOS* pos = ObjIndex[last].Pos;
  if (!pos) return fail();
  for (const MEMBER& m : members)
    if (!UpdateSeriaObject(m.Number, m.Variant, limits, pos)) return fail();
  ErrorCode = 0;
  return copy;
}

int TMapRsc::AppendCopy(TMapRsc* source, int n, int layer) {
  const RSCOBJINDEX& from = source->ObjIndex[n];
  const TABOBJ* obj = from.Obj;
  RSCOBJ desc{};
  desc.Excode = from.Excode;
  desc.Local = from.Local;
  desc.Segment = WORD(layer);
  desc.Scale = obj->ScaleFlag;
  desc.Bot = obj->Bot;
  desc.Top = obj->Top;
  memcpy(desc.Name, obj->Name, 31);
  const int k = AppendObject(&desc, 0);
  if (!k) return 0;
  SetObjDirect(k, obj->Direct);
  // Without a screen image of its own (or one that can't be stored) the
  // kind gets the empty image.
  if (!from.Par || !SetTabPar(k, from.Par)) {
    const char none = 0;
    SetTabPar(k, 1, PRIM_EMPTY, &none);
  }
  if (from.Prn) SetTabPrn(k, from.Prn);
  return k;
}

int TMapRsc::CopySemantic(TMapRsc* source, DWORD code) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (rscFindSem(this, code)) return 1;
  const TABSEM* from = source && source->IsActive() ? rscFindSem(source, code) : nullptr;
  if (!from || code > 0xFFFF) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  RSCSEM desc{};
  desc.Code = WORD(code);
  desc.Type = from->Type;
  desc.Reply = from->Reply;
  memcpy(desc.Name, from->Name, 31);
  memcpy(desc.Unit, from->Unit, 7);
  TABSEM* sem = AppendSemantic(&desc);
  if (!sem) return 0;
  sem->Common = from->Common;

  // The value list, whole.
  if (from->ClsCount) {
    const TABCLS* list = rscClsList(source, from);
    if (!list) {
      ErrorCode = MAPERR_DATA;
      return 0;
    }
    if (!rscCopyList(this, sem, true, list, from->ClsCount)) return 0;
  }

  // The default for every kind; a list without one gets its range.
  const TABDEF* defs = rscDefList(source, from);
  const TABDEF* common = nullptr;
  for (DWORD i = 0; defs && i < from->DefCount && !common; i++)
    if (defs[i].Object == 0) common = defs + i;
  if (common) {
    if (!rscCopyList(this, sem, false, common, 1)) return 0;
  } else if (const TABCLS* list = rscClsList(this, sem)) {
    double min = LONG(list[0].Value), max = min;
    for (DWORD i = 1; i < sem->ClsCount; i++) {
      const double v = LONG(list[i].Value);
      if (v < min) min = v;
      if (v > max) max = v;
    }
    AppendDef(0, code, min, min, max);
  }
  ErrorCode = 0;
  return 1;
}
