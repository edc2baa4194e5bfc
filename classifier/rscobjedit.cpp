// Editing of object kinds: appending, deleting, single fields and the
// exchange of two kinds' numbers.
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <iterator>

#include "classifier/maprsc.h"
#include "common/maperr.h"
#include "platform/memory.h"

namespace {

// Key letters of the local types.
char KeyLetter(int local) { return local >= 0 && local <= 5 ? "LSPTVC"[local] : 'X'; }

// 60005 for a closed classifier.
bool Loaded(TMapRsc* rsc) {
  if (rsc->IsActive()) return true;
  rsc->ErrorCode = MAPERR_DATA;
  return false;
}

// A text into a 32-byte field: cleared, at most 31 characters.
void StoreName(char (&field)[32], const char* text) {
  memset(field, 0, sizeof field);
  memcpy(field, text, strnlen(text, 31));
}

// Image functions that suit each local type besides a set of primitives.
const WORD kLineImages[] = {128, 129, 148, 149, 146, 157};
const WORD kSquareImages[] = {128, 129, 148, 135, 136, 144, 146, 154, 155};
const WORD kPointImages[] = {143, 149, 151};
const WORD kTitleImages[] = {142};
const WORD kVectorImages[] = {128, 129, 148, 149, 146, 151};
const WORD kMixedImages[] = {150};

}  // namespace

int TMapRsc::ScaleIndex(DWORD d) const {
  if (d == 0) return 0;
  const int table = Head.ScaleTable == 1 ? 1 : 0;
  for (int i = 0; i < 15; i++)
    if (DWORD(GetTableScaleItem(table, i)) >= d) return i;
  return 15;
}

int TMapRsc::GetImageSuitable(int local, int function) {
  if (local < 0 || local > 5) return 0;
  if (function == IMG_DRAW) return 1;  // a set of primitives suits every type
  struct LIST {
    const WORD* Codes;
    size_t Count;
  };
  static const LIST lists[6] = {
      {kLineImages, std::size(kLineImages)},     {kSquareImages, std::size(kSquareImages)},
      {kPointImages, std::size(kPointImages)},   {kTitleImages, std::size(kTitleImages)},
      {kVectorImages, std::size(kVectorImages)}, {kMixedImages, std::size(kMixedImages)},
  };
  const LIST& list = lists[local];
  for (size_t i = 0; i < list.Count; i++)
    if (list.Codes[i] == function) return 1;
  return 0;
}

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

int TMapRsc::AppendObjectDefaultView(const RSCOBJECT* desc) {
  if (!Loaded(this)) return 0;
  ErrorCode = 0;
  if (!desc || desc->Length != sizeof(RSCOBJECT)) {
    ErrorCode = RSCERR_PARM;
    return 0;
  }
  const int local = desc->Local > 5 ? LOCAL_LINE : int(desc->Local);
  if (!CheckObjectCode(desc->Excode, local)) {
    ErrorCode = RSCERR_EXIST;
    return 0;
  }
  // Layers are numbered 0..count-1: a number past them names no layer.
  RSCOBJ obj{};
  obj.Excode = desc->Excode;
  obj.Local = WORD(local);
  obj.Segment = desc->Segment >= Head.Tables[RSC_SEG].Count ? 0 : WORD(desc->Segment);
  obj.Scale = desc->Scale ? 1 : 0;
  obj.Bot = WORD(ScaleIndex(desc->Bot));
  obj.Top = desc->Top ? WORD(15 - ScaleIndex(desc->Top)) : 0;
  memcpy(obj.Name, desc->Name, strnlen(desc->Name, 31));
  const int n = AppendObject(&obj, 0);
  if (!n) {
    if (ErrorCode != MAPERR_MEMORY) ErrorCode = RSCERR_APPEND;
    return 0;
  }
  if (CreateDefaultView(n) <= 0) return 0;
  return n;
}

int TMapRsc::UpdateObjExcode(int n, LONG code) {
  if (!Loaded(this)) return 0;
  if (!ValidObject(n)) return 0;
  SetObjExcode(n, code);
  if (TABPOS* pos = ObjIndex[n].Pos) pos->Excode = DWORD(code);
  return n;
}

int TMapRsc::SetObjLocal(int n, int local) {
  if (!Loaded(this)) return 0;
  if (!ValidObject(n) || local < 0 || local > 5) return 0;
  ObjIndex[n].Local = BYTE(local);
  ObjIndex[n].Obj->Local = BYTE(local);
  BindTextFonts(n);
  Head.Style++;
  Modify++;
  ErrorCode = 0;
  return local;
}

int TMapRsc::SetObjScale(int n, int flag) {
  if (!Loaded(this)) return 0;
  if (!ValidObject(n) || (flag != 0 && flag != 1)) return 0;
  ObjIndex[n].Obj->ScaleFlag = BYTE(flag);
  Modify++;
  ErrorCode = 0;
  return flag;
}

int TMapRsc::SetObjTop(int n, int value) {
  if (!Loaded(this)) return 0;
  if (!ValidObject(n)) return 0;
  value = value < 0 ? 0 : value > 15 ? 15 : value;
  ObjIndex[n].Obj->Top = BYTE(value);
  Modify++;
  ErrorCode = 0;
  return value;
}

int TMapRsc::SetObjBot(int n, int value) {
  if (!Loaded(this)) return 0;
  if (!ValidObject(n)) return 0;
  value = value < 0 ? 0 : value > 15 ? 15 : value;
  ObjIndex[n].Obj->Bot = BYTE(value);
  Modify++;
  ErrorCode = 0;
  return value;
}

const char* TMapRsc::SetObjName(int n, const char* name) {
  if (!Loaded(this)) return nullptr;
  if (!ValidObject(n) || !name) return nullptr;
  StoreName(ObjIndex[n].Obj->Name, name);
  Modify++;
  ErrorCode = 0;
  return ObjIndex[n].Obj->Name;
}

const char* TMapRsc::SetObjKey(int n, const char* key) {
  if (!Loaded(this)) return nullptr;
  if (!ValidObject(n) || !key) return nullptr;
  StoreName(ObjIndex[n].Obj->Key, key);
  Modify++;
  ErrorCode = 0;
  return ObjIndex[n].Obj->Key;
}

int TMapRsc::UpdateObject(int n, const RSCOBJECT* desc) {
  if (!Loaded(this)) return 0;
  ErrorCode = 0;
  // A local type outside 0..5 is refused before anything changes.
  if (!ValidObject(n) || !desc || desc->Length != sizeof(RSCOBJECT) || desc->Local > 5) {
    ErrorCode = RSCERR_PARM;
    return 0;
  }
  RSCOBJINDEX* e = &ObjIndex[n];
  TABOBJ* obj = e->Obj;
  if (obj->Series == 0) {
    if (desc->Excode != obj->Excode || desc->Local != obj->Local) {
      if (!CheckObjectCode(desc->Excode, int(desc->Local))) {
        ErrorCode = RSCERR_EXIST;
        return 0;
      }
      if (!UpdateObjExcode(n, LONG(desc->Excode))) {
        ErrorCode = RSCERR_PARM;
        return 0;
      }
      SetObjLocal(n, int(desc->Local));
    }
    SetObjSegment(n, int(desc->Segment));
  } else if (desc->Excode != obj->Excode && desc->Local != obj->Local && desc->Segment != obj->Segment) {
    // A series member keeps the code, local type and layer of its series.
    ErrorCode = RSCERR_PARM;
    return 0;
  }
  StoreName(obj->Name, desc->Name);
  obj->ScaleFlag = desc->Scale ? 1 : 0;
  obj->Bot = BYTE(ScaleIndex(desc->Bot));
  obj->Top = desc->Top ? BYTE(15 - ScaleIndex(desc->Top)) : 0;
  if (!GetImageSuitable(e->Local, e->Function)) {
    e->Prn = nullptr;
    CreateDefaultView(n);
  }
  Modify++;
  ErrorCode = 0;
  return n;
}

int TMapRsc::CopyObject(int n) {
  if (!Loaded(this)) return 0;
  if (!ValidObject(n)) return 0;
  const TABOBJ* source = ObjIndex[n].Obj;
  RSCOBJ desc{};
  desc.Excode = RSC_SERVICE_EXCODE;
  desc.Local = ObjIndex[n].Local;
  desc.Segment = ObjIndex[n].Segment;
  desc.Scale = source->ScaleFlag;
  desc.Bot = source->Bot;
  desc.Top = source->Top;
  memcpy(desc.Name, source->Name, strnlen(source->Name, 31));
  const int m = AppendObject(&desc, 0);
  if (!m) return 0;
  // Appending may have moved the index.
  RSCOBJINDEX& from = ObjIndex[n];
  RSCOBJINDEX& to = ObjIndex[m];
  to.Flags = 0;
  to.Series = 0;
  to.Obj->Series = 0;
  to.Obj->Direct = source->Direct;
  if (!from.Par || !SetTabPar(m, from.Par)) {
    to.Par = nullptr;
    to.Function = 0;
  }
  if (!from.Prn || !SetTabPrn(m, from.Prn)) to.Prn = nullptr;
  const DWORD codes = from.Pos ? DWORD(from.Pos->Must) + from.Pos->Pos : 0;
  if (codes) {
    const DWORD length = RSC_POS_HEAD + 4 * codes;
    if (auto* pos = (TABPOS*)rscGetMemoryBlock(this, LONG(length))) {
      memcpy(pos, from.Pos, length);
      pos->Length = length;
      pos->Excode = RSC_SERVICE_EXCODE;
      to.Pos = pos;
    }
  }
  Modify++;
  ErrorCode = 0;
  return m;
}

int TMapRsc::CopyObject(int to, int from) {
  if (!Loaded(this)) return 0;
  if (!ValidObject(to) || !ValidObject(from) || to == from) return 0;
  RSCOBJINDEX& t = ObjIndex[to];
  const RSCOBJINDEX& f = ObjIndex[from];
  if (f.Excode == 0 || t.Series != 0 || t.Obj->Series != 0) return 0;

  // What can fail comes first. A record shorter than the 112 bytes copied
  // (a damaged file may hold one) is replaced by a pool record.
  TABOBJ* record = t.Obj;
  const DWORD oldLength = record->Length;
  if (oldLength < DWORD(RSC_OBJ_MINSIZE)) {
    record = (TABOBJ*)rscGetMemoryBlock(this, RSC_OBJ_MINSIZE);
    if (!record) {
      ErrorCode = MAPERR_MEMORY;
      return 0;
    }
  }
  const DWORD codes = f.Pos ? DWORD(f.Pos->Must) + f.Pos->Pos : 0;
  TABPOS* pos = nullptr;
  if (codes) {
    const DWORD length = RSC_POS_HEAD + 4 * codes;
    pos = (TABPOS*)rscGetMemoryBlock(this, LONG(length));
    if (pos) {
      memcpy(pos, f.Pos, length);
      pos->Length = length;
      pos->Excode = RSC_SERVICE_EXCODE;
    }
  }

  DeleteDefObject(to);
  // The target keeps its own key and ident: both name one kind only (the
  // relations of other kinds and the key tables of maps point at them).
  const DWORD ident = t.Obj->Ident;
  char key[32];
  memcpy(key, t.Obj->Key, sizeof key);
  VIEPAR* ownPar = t.Par;

  t = f;
  t.Obj = record;
  const DWORD have = f.Obj->Length < DWORD(RSC_OBJ_MINSIZE) ? f.Obj->Length : DWORD(RSC_OBJ_MINSIZE);
  memmove(record, f.Obj, have);
  memset((BYTE*)record + have, 0, RSC_OBJ_MINSIZE - have);
  record->Length = RSC_OBJ_MINSIZE;
  record->Incode = DWORD(to);
  record->Excode = RSC_SERVICE_EXCODE;
  record->Ident = ident;
  memcpy(record->Key, key, sizeof key);
  record->Series = 0;
  record->RelCount = 0;
  memset(rscRelations(record), 0, RSC_RELATION_SIZE);
  DWORD& tableLength = Head.Tables[RSC_OBJ].Length;
  tableLength = (tableLength > oldLength ? tableLength - oldLength : 0) + RSC_OBJ_MINSIZE;

  // Images and semantics of its own: nothing is shared with the source.
  t.Excode = RSC_SERVICE_EXCODE;
  t.Series = 0;
  t.Lim = nullptr;
  t.Flags = 0;
  t.Prn = nullptr;
  t.Pos = pos;
  t.Par = ownPar;
  if (!f.Par || !SetTabPar(to, f.Par)) {
    t.Par = nullptr;
    t.Function = 0;
  }
  Modify++;
  Head.Style++;
  ErrorCode = 0;
  return to;
}

int TMapRsc::SetObjectView(DWORD scale) {
  if (!Loaded(this)) return 0;
  ErrorCode = 0;
  const int table = Head.ScaleTable == 1 ? 1 : 0;
  int i = 0;
  while (i < 15 && DWORD(GetTableScaleItem(table, i)) < scale) i++;
  if (i == 15)
    i = 14;
  else if (i < 14)
    i++;
  const int top = 15 - i;
  int changed = 0;
  const int count = int(Head.Tables[RSC_OBJ].Count);
  for (int n = 1; n <= count; n++) {
    const RSCOBJINDEX& e = ObjIndex[n];
    if (!e.Obj || (e.Local != LOCAL_POINT && e.Local != LOCAL_TITLE && e.Local != LOCAL_MIXED)) continue;
    TABOBJ* obj = e.Obj;
    if ((obj->Top < top || obj->Top == 0) && obj->Bot < 15 - top) {
      obj->Top = BYTE(top);
      changed++;
    }
  }
  if (changed) Modify++;
  return changed;
}
