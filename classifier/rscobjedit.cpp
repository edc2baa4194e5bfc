// Editing of object kinds: appending, deleting, single fields and the
// exchange of two kinds' numbers.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "classifier/maprsc.h"
#include "common/maperr.h"
#include "platform/memory.h"

namespace {

// Key letters of the local types.
char KeyLetter(int local) { return local >= 0 && local <= 5 ? "LSPTVC"[local] : 'X'; }

}  // namespace

bool TMapRsc::ReserveObjectIndex() {
  const DWORD count = Head.Tables[RSC_OBJ].Count;
  if (ObjSpare == 0 || count + 1 >= ObjIndexSize) {
    DWORD size = count + RSC_INDEX_SPARE + 1;
    auto* index = (RSCOBJINDEX*)plat::AllocPages(sizeof(RSCOBJINDEX) * size);
    if (!index) return false;
    memcpy(index, ObjIndex, sizeof(RSCOBJINDEX) * (count + 1));
    plat::FreePages(ObjIndex);
    ObjIndex = index;
    ObjIndexSize = size;
    ObjSpare = RSC_INDEX_SPARE;
  }
  ObjSpare--;
  return true;
}

int TMapRsc::StoreDirect(int n, int d) {
  if (d > 4 || d < 0) d = 0;
  switch (ObjIndex[n].Local) {
    case LOCAL_LINE:
      if (d != 1 && d != 3) d = 0;
      break;
    case LOCAL_SQUARE:
      if (d != 4) d = 2;
      break;
    case LOCAL_TITLE:
    case LOCAL_MIXED:
      d = 1;
      break;
    case LOCAL_VECTOR:
      if (d != 1) d = 0;
      break;
    default:
      d = 0;
      break;
  }
  ObjIndex[n].Obj->Direct = BYTE(d);
  return d;
}

int TMapRsc::SetObjDirect(int n, int d) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!ValidObject(n)) return 0;
  ErrorCode = 0;
  Modify++;
  return StoreDirect(n, d);
}

LONG TMapRsc::SetObjExcode(int n, LONG code) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!ValidObject(n)) return 0;
  ErrorCode = 0;
  ObjIndex[n].Excode = DWORD(code);
  ObjIndex[n].Obj->Excode = DWORD(code);
  Head.Style++;
  Modify++;
  return code;
}

int TMapRsc::SetObjExtloc(int n, int value) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!ValidObject(n)) return 0;
  ErrorCode = 0;
  ObjIndex[n].Extloc = BYTE(value);
  ObjIndex[n].Obj->Extloc = BYTE(value);
  Modify++;
  return value & 0xFF;
}

int TMapRsc::AppendObject(RSCOBJ* desc, int check) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!desc) return 0;
  if (check && !CheckObjectCode(desc->Excode, desc->Local)) return 0;
  if (!ReserveObjectIndex()) {
    ErrorCode = MAPERR_MEMORY;
    return 0;
  }
  const int n = int(Head.Tables[RSC_OBJ].Count) + 1;
  auto* obj = (TABOBJ*)rscGetMemoryBlock(this, RSC_OBJ_MINSIZE);
  if (!obj) {
    ObjSpare++;
    ErrorCode = MAPERR_MEMORY;
    return 0;
  }
  RSCOBJINDEX& e = ObjIndex[n];
  e = RSCOBJINDEX{};
  e.Obj = obj;
  e.Excode = desc->Excode;
  e.Segment = desc->Segment;
  e.Local = BYTE(desc->Local);
  obj->Length = RSC_OBJ_MINSIZE;
  obj->Incode = DWORD(n);
  obj->Excode = desc->Excode;
  obj->Segment = BYTE(desc->Segment);
  obj->Local = BYTE(desc->Local);
  obj->ScaleFlag = BYTE(desc->Scale);
  obj->Top = BYTE(desc->Top);
  obj->Bot = BYTE(desc->Bot);
  memcpy(obj->Name, desc->Name, strnlen(desc->Name, 31));
  StoreDirect(n, 0);

  obj->Ident = DWORD(MaxKey() + 1);
  SetMaxKey();

  // A unique key: the local type's letter and the excode, with a number
  // added when another kind has that key already.
  char key[32];
  snprintf(key, sizeof key, "%c%010u", KeyLetter(desc->Local), desc->Excode);
  char candidate[48];
  snprintf(candidate, sizeof candidate, "%s", key);
  for (unsigned k = 1; GetElementbyName(candidate, 5) != 0; k++) {
    char suffix[16];
    snprintf(suffix, sizeof suffix, "%u", k);
    if (strlen(key) + strlen(suffix) >= 31)
      snprintf(candidate, sizeof candidate, "%.11s%s", key, suffix);
    else
      snprintf(candidate, sizeof candidate, "%s%s", key, suffix);
  }
  memcpy(obj->Key, candidate, strnlen(candidate, 31));

  Modify++;
  Head.Style++;
  Head.Tables[RSC_OBJ].Count = DWORD(n);
  Head.Tables[RSC_OBJ].Length += RSC_OBJ_MINSIZE;
  ErrorCode = 0;
  return n;
}

int TMapRsc::CreateDefaultView(int n) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!ValidObject(n)) return 0;
  char params[160];
  int function = 0;
  int length = DefaultImage(ObjIndex[n].Local, params, &function);
  if (length <= 0) return 0;
  return SetTabPar(n, length, function, params) ? 1 : 0;
}

int TMapRsc::DeleteObject(int n) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (n < 16 || !ValidObject(n) || ObjIndex[n].Series != 0) return 0;
  RSCOBJINDEX& e = ObjIndex[n];
  e.Flags = RSCINDEX_DELETED;
  SetObjExcode(n, 0);
  memset(e.Obj->Key, 0, sizeof e.Obj->Key);
  e.Obj->Key[0] = ' ';
  DeleteDefObject(n);
  if (e.Local == LOCAL_TITLE || e.Local == LOCAL_MIXED) DeleteObjectRelationText(e.Obj->Ident);
  Modify++;
  Head.Style++;
  ErrorCode = 0;
  return n;
}

int TMapRsc::ExchangeObjectNumber(int n, int to) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  const int count = int(Head.Tables[RSC_OBJ].Count);
  if (!ValidObject(n) || to < 1 || to > count) return 0;
  ErrorCode = 0;
  if (n == to) return to;
  RSCOBJINDEX swap = ObjIndex[n];
  ObjIndex[n] = ObjIndex[to];
  ObjIndex[to] = swap;
  for (int k : {n, to}) {
    RSCOBJINDEX& e = ObjIndex[k];
    if (e.Obj) e.Obj->Incode = DWORD(k);
    if (e.Par) e.Par->Number = WORD(k);
    if (e.Prn) e.Prn->Number = WORD(k);
  }
  // Object-specific defaults follow their kinds.
  TABSEM* sem = rscSemTable(this);
  for (DWORD i = 0; sem && i < Head.Tables[RSC_SEM].Count; i++) {
    auto* def = (TABDEF*)rscRefAddress(this, sem[i].Def);
    for (DWORD j = 0; def && j < sem[i].DefCount; j++) {
      if (def[j].Object == DWORD(n))
        def[j].Object = DWORD(to);
      else if (def[j].Object == DWORD(to))
        def[j].Object = DWORD(n);
    }
  }
  Modify++;
  Head.Style++;
  return to;
}
