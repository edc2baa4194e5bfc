// Editing of semantics: appending, changing and deleting them, the system
// and standard sets, short names and field sizes, value lists and default
// values. The semantics of object kinds and layers are in rscposedit.cpp.
#include <cstdio>
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"

namespace {

// A list grown in the pool carries a 6-byte head before its entries.
struct LISTHEAD {
  WORD Marker;  // 0x7FFF
  WORD Spare;
  WORD Capacity;
};
static_assert(sizeof(LISTHEAD) == 6);
enum : WORD { LIST_MARKER = 0x7FFF };

// The head of a list that has one (lists read from the file have none).
LISTHEAD* ListHead(const TRSCDATA* d, DWORD ref) {
  if (ref < d->ImageSize + sizeof(LISTHEAD) || !rscRefExtent(d, ref - sizeof(LISTHEAD), sizeof(LISTHEAD)))
    return nullptr;
  auto* head = (LISTHEAD*)rscRefAddress(d, ref - sizeof(LISTHEAD));
  return head && head->Marker == LIST_MARKER ? head : nullptr;
}

// Adds one zeroed entry to a semantic's value list (cls) or default list:
// in place while a grown list has spare entries, else into a new pool
// block with room for 20 more. Null when memory can't be had.
BYTE* GrowList(TRSCDATA* d, TABSEM* sem, bool cls) {
  const DWORD size = cls ? RSC_CLS_SIZE : RSC_DEF_SIZE;
  const DWORD ref = cls ? sem->Cls : sem->Def;
  const DWORD count = ref ? (cls ? sem->ClsCount : sem->DefCount) : 0;
  BYTE* entry = nullptr;
  if (LISTHEAD* head = count ? ListHead(d, ref) : nullptr; head && head->Spare > 0 &&
      rscRefExtent(d, ref, uint64_t(count + 1) * size)) {
    head->Spare--;
    entry = rscRefAddress(d, ref) + size_t(count) * size;
  } else {
    const DWORD capacity = count + 20;
    DWORD block = 0;
    BYTE* p = rscGetMemoryBlock(d, LONG(sizeof(LISTHEAD) + size_t(capacity) * size), &block);
    if (!p) {
      d->ErrorCode = MAPERR_MEMORY;
      return nullptr;
    }
    const LISTHEAD fresh{LIST_MARKER, WORD(capacity - count - 1), WORD(capacity)};
    memcpy(p, &fresh, sizeof fresh);
    if (count && rscRefExtent(d, ref, uint64_t(count) * size))
      memcpy(p + sizeof fresh, rscRefAddress(d, ref), size_t(count) * size);
    if (cls)
      sem->Cls = block + DWORD(sizeof fresh);
    else
      sem->Def = block + DWORD(sizeof fresh);
    entry = p + sizeof fresh + size_t(count) * size;
  }
  memset(entry, 0, size);
  if (cls)
    sem->ClsCount = count + 1;
  else
    sem->DefCount = count + 1;
  return entry;
}

}  // namespace

BYTE* rscCopyList(TRSCDATA* d, TABSEM* sem, bool cls, const void* entries, DWORD count) {
  const DWORD size = cls ? RSC_CLS_SIZE : RSC_DEF_SIZE;
  if (count == 0 || !entries) return nullptr;
  DWORD block = 0;
  BYTE* p = rscGetMemoryBlock(d, LONG(sizeof(LISTHEAD) + size_t(count) * size), &block);
  if (!p) {
    d->ErrorCode = MAPERR_MEMORY;
    return nullptr;
  }
  // A head without spare entries: the next entry moves the list again.
  const LISTHEAD head{LIST_MARKER, 0, WORD(count > 0xFFFF ? 0xFFFF : count)};
  memcpy(p, &head, sizeof head);
  memcpy(p + sizeof head, entries, size_t(count) * size);
  if (cls) {
    sem->Cls = block + DWORD(sizeof head);
    sem->ClsCount = count;
  } else {
    sem->Def = block + DWORD(sizeof head);
    sem->DefCount = count;
  }
  return p + sizeof head;
}

namespace {

// The corrected minimum, default and maximum of a default entry.
void CorrectDef(double* min, double* def, double max) {
  if (*min > max) *min = max;
  if (*def < *min || *def > max) *def = *min;
}

bool SystemCode(DWORD code) { return code >= 32800 && code <= 32810; }

bool SemExists(const TRSCDATA* d, DWORD code) {
  const TABSEM* sem = rscSemTable(d);
  for (DWORD i = 0; sem && i < d->Head.Tables[RSC_SEM].Count; i++)
    if (sem[i].Code == code) return true;
  return false;
}

struct SEMROW {
  DWORD Code;
  WORD Type;
  BYTE Reply;
  const char* Unit;
  const char* English;
  const char* Russian;
  const char* Short;
};

const SEMROW kSystem[] = {
    {0, 0, 0, "", "SYSTEM", "СИСТЕМНАЯ", "SYSTEM"},
    {32800, 1, 0, "", "CODE OF OBJECT", "КОД ОБЪЕКТА", "OBJCODE"},
    {32801, 1, 0, "", "GROPE LEADER", "ГЛАВНЫЙ ОБЪЕКТ НАБОРА", "GROUPLEADER"},
    {32802, 1, 0, "", "GROPE SLAVE", "ПОДЧИНЕННЫЙ ОБЪЕКТ НАБОРА", "GROUPSLAVE"},
    {32803, 1, 0, "", "GROPE PARTNER", "ОБЪЕКТ НАБОРА", "GROUPPARTNER"},
    {32804, 12, 1, "", "REFER TO TEXT", "ССЫЛКА НА ПОДПИСЬ", "OBJECTTOTEXT"},
    {32805, 12, 0, "", "REFER TO OBJECT FROM TEXT", "ССЫЛКА ПОДПИСИ НА ОБЪЕКТ", "TEXTTOOBJECT"},
    {32810, 0, 0, "", "SHORT NAME LAYER OF OBJECT", "КОРОТКОЕ ИМЯ СЛОЯ ОБЪЕКТА", "LAYER's NAME"},
    {32811, 0, 0, "", "SHORT NAME OBJECT", "КОРОТКОЕ ИМЯ ОБЪЕКТА", "OBJECT's NAME"},
};

const SEMROW kStandard[] = {
    {4, 1, 0, "M.", "HEIGTH(ABS)", "АБСОЛЮТНАЯ ВЫСОТА", "HEIGTH(ABS)"},
    {9, 0, 0, "", "NAME", "СОБСТВЕННОЕ НАЗВАНИЕ", "NAME"},
    {32768, 14, 0, "", "FILE(TXT)", "ТЕКСТОВЫЙ ФАЙЛ", "FILE(TXT)"},
    {32769, 15, 0, "", "FILE(PCX)", "ФАЙЛ ТИПА PCX", "FILE(PCX)"},
    {32770, 13, 0, "", "FILE(MAP)", "ИМЯ ФАЙЛА ПАСПОРТА ЛИСТА", "FILE(MAP)"},
};

RSCSEM MakeSem(const SEMROW& row, DWORD language) {
  RSCSEM desc{};
  desc.Code = WORD(row.Code);
  desc.Type = row.Type;
  desc.Reply = row.Reply;
  strncpy(desc.Name, language == 1 ? row.English : row.Russian, 31);
  strncpy(desc.Unit, row.Unit, 7);
  return desc;
}

}  // namespace

int TMapRsc::CheckSemanticCode(DWORD code) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  ErrorCode = 0;
  if (!rscSemTable(this)) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  return SemExists(this, code) ? 0 : 1;
}

TABSEM* TMapRsc::AppendSemantic(const RSCSEM* desc) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return nullptr;
  }
  if (!desc) return nullptr;
  if (CheckSemanticCode(desc->Code) != 1) {
    ErrorCode = RSCERR_SEMEXIST;
    return nullptr;
  }
  const DWORD count = Head.Tables[RSC_SEM].Count;
  if (SemSpare == 0) {
    auto* table = (TABSEM*)rscGetMemoryBlock(this, LONG((count + 20) * RSC_SEM_SIZE));
    if (!table) {
      ErrorCode = MAPERR_MEMORY;
      return nullptr;
    }
    memcpy(table, rscSemTable(this), size_t(count) * RSC_SEM_SIZE);
    rscSetTable(this, RSC_SEM, table);
    SemSpare = 20;
  }
  TABSEM* s = rscSemTable(this) + count;
  memset(s, 0, sizeof *s);
  s->Code = desc->Code;
  s->Type = desc->Type;
  s->Reply = desc->Reply;
  memcpy(s->Name, desc->Name, strnlen(desc->Name, 31));
  memcpy(s->Unit, desc->Unit, strnlen(desc->Unit, 7));
  snprintf(s->Short, sizeof s->Short, "SEM%u", unsigned(desc->Code));
  s->Size = desc->Type == 1 ? 18 : 255;
  s->Decimal = desc->Type == 1 ? 2 : 0;
  Head.Tables[RSC_SEM].Count = count + 1;
  Head.Tables[RSC_SEM].Length = (count + 1) * RSC_SEM_SIZE;
  SemSpare--;
  Modify++;
  ErrorCode = 0;
  return s;
}

int TMapRsc::SetSemShortName(DWORD code, const char* name) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!name) return 0;
  char text[32] = {};
  strncpy(text, name, 31);
  ClearofBlank(text, 32);
  text[15] = 0;
  const size_t length = strlen(text);
  TABSEM* sem = rscSemTable(this);
  TABSEM* own = nullptr;
  for (DWORD i = 0; sem && i < Head.Tables[RSC_SEM].Count; i++) {
    if (sem[i].Code == code) {
      if (!own) own = sem + i;
      continue;
    }
    if (strnlen(sem[i].Short, sizeof sem[i].Short) == length && memcmp(sem[i].Short, text, length) == 0)
      return 0;
  }
  if (!own) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  memset(own->Short, 0, sizeof own->Short);
  memcpy(own->Short, text, length);
  Modify++;  // a change like any other: the next save writes it
  ErrorCode = 0;
  return 1;
}

int TMapRsc::AppendSystemSemantic() {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  for (const SEMROW& row : kSystem) {
    int isFree = CheckSemanticCode(row.Code);
    if (ErrorCode) return 0;
    if (!isFree) continue;
    RSCSEM desc = MakeSem(row, Head.Language);
    TABSEM* s = AppendSemantic(&desc);
    if (!s) return 0;
    s->Common = 1;
    if (!SetSemShortName(row.Code, row.Short)) return 0;
  }
  ErrorCode = 0;
  return 1;
}

int TMapRsc::AppendStandardSemantic() {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  for (const SEMROW& row : kStandard) {
    RSCSEM desc = MakeSem(row, Head.Language);
    if (AppendSemantic(&desc)) SetSemShortName(row.Code, row.Short);
  }
  ErrorCode = 0;
  return 1;
}

TABSEM* TMapRsc::DeleteDef(int object, DWORD code) {
  TABSEM* sem = GetTabSem(code);
  if (!sem || sem->DefCount == 0) return nullptr;
  auto* def = (TABDEF*)rscRefAddress(this, sem->Def);
  if (!def) return nullptr;
  for (DWORD i = 0; i < sem->DefCount; i++) {
    if (def[i].Object != DWORD(object)) continue;
    memmove(def + i, def + i + 1, size_t(sem->DefCount - i - 1) * sizeof(TABDEF));
    memset(def + sem->DefCount - 1, 0, sizeof(TABDEF));
    if (LISTHEAD* head = ListHead(this, sem->Def)) head->Spare++;
    sem->DefCount--;
    Modify++;
    return sem;
  }
  return nullptr;
}

int TMapRsc::DeleteDefObject(int n) {
  TABSEM* sem = rscSemTable(this);
  for (DWORD i = 0; sem && i < Head.Tables[RSC_SEM].Count; i++)
    if (sem[i].DefCount) DeleteDef(n, sem[i].Code);
  return n;
}

TABSEM* TMapRsc::AppendDef(int object, DWORD code, double min, double def, double max) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return nullptr;
  }
  if (object < 0 || DWORD(object) > Head.Tables[RSC_OBJ].Count) return nullptr;
  TABSEM* sem = rscFindSem(this, code);
  if (!sem || sem->Type != 1) return nullptr;
  const TABDEF* list = rscDefList(this, sem);
  for (DWORD i = 0; list && i < sem->DefCount; i++)
    if (list[i].Object == DWORD(object)) return UpdateDef(object, code, min, def, max);
  CorrectDef(&min, &def, max);
  auto* entry = (TABDEF*)GrowList(this, sem, false);
  if (!entry) return nullptr;
  entry->Object = DWORD(object);
  entry->Code = code;
  entry->Min = min;
  entry->Def = def;
  entry->Max = max;
  Modify++;
  ErrorCode = 0;
  return sem;
}

TABSEM* TMapRsc::UpdateDef(int object, DWORD code, double min, double def, double max) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return nullptr;
  }
  if (object < 0 || DWORD(object) > Head.Tables[RSC_OBJ].Count) return nullptr;
  TABSEM* sem = rscFindSem(this, code);
  if (!sem || sem->Type != 1) return nullptr;
  TABDEF* list = rscDefList(this, sem);
  for (DWORD i = 0; list && i < sem->DefCount; i++) {
    if (list[i].Object != DWORD(object)) continue;
    CorrectDef(&min, &def, max);
    list[i].Min = min;
    list[i].Def = def;
    list[i].Max = max;
    Modify++;
    ErrorCode = 0;
    return sem;
  }
  return AppendDef(object, code, min, def, max);
}

int TMapRsc::CheckClassificatorCode(DWORD code, LONG value) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  const TABSEM* sem = rscFindSem(this, code);
  if (!sem) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  ErrorCode = 0;
  const TABCLS* list = rscClsList(this, sem);
  if (sem->Type != 1 || !list) return 0;
  for (DWORD i = 0; i < sem->ClsCount; i++)
    if (list[i].Value == DWORD(value)) return 0;
  return 1;
}

TABSEM* TMapRsc::AppendCls(DWORD code, LONG value, const char* name) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return nullptr;
  }
  if (!name) return nullptr;
  TABSEM* sem = rscFindSem(this, code);
  if (!sem) {
    ErrorCode = MAPERR_RSCRANGE;
    return nullptr;
  }
  if (rscClsList(this, sem) && !CheckClassificatorCode(code, value)) return nullptr;
  auto* entry = (TABCLS*)GrowList(this, sem, true);
  if (!entry) return nullptr;
  entry->Value = DWORD(value);
  memcpy(entry->Name, name, strnlen(name, 31));
  sem->Type = 1;

  // The common default widens to take the value in.
  double min = value, def = value, max = value;
  const TABCLS* list = rscClsList(this, sem);
  TABDEF* common = nullptr;
  TABDEF* defs = rscDefList(this, sem);
  for (DWORD i = 0; defs && i < sem->DefCount && !common; i++)
    if (defs[i].Object == 0) common = defs + i;
  if (common) {
    min = common->Min < value ? common->Min : double(value);
    def = common->Def;
    max = common->Max > value ? common->Max : double(value);
  } else {
    for (DWORD i = 0; list && i < sem->ClsCount; i++) {
      const double v = LONG(list[i].Value);
      if (v < min) min = v;
      if (v > max) max = v;
    }
    def = min;
  }
  UpdateDef(0, code, min, def, max);
  Modify++;
  ErrorCode = 0;
  return sem;
}

int TMapRsc::UpdateClassificatorName(DWORD code, int n, const char* name) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  TABSEM* sem = rscFindSem(this, code);
  if (!sem) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  TABCLS* list = rscClsList(this, sem);
  if (sem->Type != 1 || !list || !name || n < 1 || DWORD(n) > sem->ClsCount) return 0;
  memset(list[n - 1].Name, 0, sizeof list[n - 1].Name);
  memcpy(list[n - 1].Name, name, strnlen(name, 31));
  Modify++;
  ErrorCode = 0;
  return n;
}

int TMapRsc::SetSemDecimal(DWORD code, int size, int decimals) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (size < 0 || decimals < 0 || size < decimals + 1 || size > 0xFFFF || decimals > 255) return 0;
  TABSEM* sem = rscFindSem(this, code);
  if (!sem) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  if (sem->Type != 1 && sem->Type != 16) decimals = 0;
  sem->Size = WORD(size);
  sem->Decimal = BYTE(decimals);
  Modify++;  // a change like any other: the next save writes it
  ErrorCode = 0;
  return 1;
}

DWORD TMapRsc::AppendSemantic(const RSCSEMANTICEX* desc) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!desc) return 0;
  if (desc->Code < 1 || desc->Code > 65500) {
    ErrorCode = RSCERR_SEMRANGE;
    return 0;
  }
  RSCSEM s{};
  s.Code = WORD(desc->Code);
  s.Type = WORD(desc->Type == RSCSEMTYPE_LIST ? DWORD(RSCSEMTYPE_NUMBER) : desc->Type > 21 ? 0 : desc->Type);
  s.Reply = desc->Reply ? 1 : 0;
  memcpy(s.Name, desc->Name, strnlen(desc->Name, 31));
  memcpy(s.Unit, desc->Unit, strnlen(desc->Unit, 7));
  TABSEM* sem = AppendSemantic(&s);
  if (!sem) return 0;
  if (desc->Service == 1) sem->Common = 1;
  // An empty short name keeps the one the semantic was given.
  char shortName[17] = {};
  memcpy(shortName, desc->ShortName, sizeof desc->ShortName);
  if (shortName[0]) SetSemShortName(desc->Code, shortName);
  if (s.Type == 1 && (desc->Minimum != 0 || desc->Default != 0 || desc->Maximum != 0) &&
      !AppendDef(0, desc->Code, desc->Minimum, desc->Default, desc->Maximum))
    return 0;
  ErrorCode = 0;
  return desc->Code;
}

DWORD TMapRsc::UpdateSemantic(DWORD code, RSCSEMANTICEX* desc, int drop) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (code < 1 || !desc) return 0;
  if (!rscFindSem(this, code)) return AppendSemantic(desc);
  ErrorCode = 0;
  APPLYSEMANTIC use;
  GetSemInfo(code, &use);
  Modify++;

  // 1. A new code: not for the system semantics nor a series limit, and
  //    not one in use.
  const DWORD newCode = desc->Code;
  if (newCode != code) {
    if (SystemCode(code) || SystemCode(newCode)) return 0;
    if (use.Limit) {
      ErrorCode = RSCERR_SEMSYSTEM;
      return 0;
    }
    if (newCode < 1 || newCode > 65500) {
      ErrorCode = RSCERR_SEMRANGE;
      return 0;
    }
    if (rscFindSem(this, newCode)) {
      ErrorCode = RSCERR_SEMEXIST;
      return 0;
    }
  }
  TABSEM* sem = rscFindSem(this, code);
  const bool hasValues = rscClsList(this, sem) != nullptr;

  // 2. What happens to the value list and the defaults.
  bool dropList = drop == 1, setDefs = false, clearDefs = false;
  if (desc->Type == 1) {
    dropList = dropList || hasValues;
    setDefs = true;
  } else if (desc->Type == RSCSEMTYPE_LIST) {
    setDefs = true;
  } else if (sem->Type == 1) {
    if (use.Limit) {
      ErrorCode = RSCERR_SEMTYPE;
      return 0;
    }
    if (hasValues)
      dropList = true;
    else
      clearDefs = true;
  }
  if ((desc->Reply ? 1 : 0) != (sem->Reply ? 1 : 0) && use.Limit) {
    ErrorCode = RSCERR_SEMREPLY;
    return 0;
  }
  if (setDefs && !dropList) {
    if (desc->Default < desc->Minimum || desc->Maximum < desc->Default) {
      ErrorCode = RSCERR_SEMDEF;
      return 0;
    }
    if (desc->Minimum == 0 && desc->Maximum == 0) setDefs = false;
  }

  // 3. Everything that names the semantic by its code follows a new code:
  //    the kinds' semantics, their relations, the layer lists, the
  //    semantic's own default entries and the images of its values.
  if (newCode != code) {
    for (DWORD n = 1; n <= Head.Tables[RSC_OBJ].Count; n++) {
      RSCOBJINDEX& e = ObjIndex[n];
      for (int i = 0; e.Pos && i < e.Pos->Must + e.Pos->Pos; i++) {
        if (rscPosCode(e.Pos, i) != code) continue;
        memcpy((BYTE*)e.Pos + RSC_POS_HEAD + 4 * size_t(i), &newCode, 4);
        break;
      }
      if (n >= 16 && e.Obj)
        for (int i = 0; i < e.Obj->RelCount; i++)
          if (rscRelations(e.Obj)[i].Code == code) rscRelations(e.Obj)[i].Code = newCode;
    }
    TABSEG* seg = rscSegTable(this);
    for (DWORD l = 0; seg && l < Head.Tables[RSC_SEG].Count; l++) {
      if (!seg[l].Codes || !rscRefExtent(this, seg[l].Codes, 4 * uint64_t(seg[l].Count))) continue;
      BYTE* codes = rscRefAddress(this, seg[l].Codes);
      for (DWORD i = 0; i < seg[l].Count; i++) {
        DWORD c;
        memcpy(&c, codes + 4 * i, 4);
        if (c == code) memcpy(codes + 4 * i, &newCode, 4);
      }
    }
    TABDEF* defs = rscDefList(this, sem);
    for (DWORD i = 0; defs && i < sem->DefCount; i++) defs[i].Code = newCode;
    for (DWORD i = 0; GrsIndex && i < GrsIndexSize && GrsIndex[i].Number; i++)
      if (GrsIndex[i].Code == code) GrsIndex[i].Code = newCode;
  }

  // 4. The record.
  if (desc->Type == RSCSEMTYPE_LIST) desc->Type = RSCSEMTYPE_NUMBER;
  sem->Code = newCode;
  memset(sem->Unit, 0, sizeof sem->Unit);
  memcpy(sem->Unit, desc->Unit, strnlen(desc->Unit, 7));
  sem->Type = WORD(desc->Type > 21 ? 0 : desc->Type);
  sem->Reply = desc->Reply ? 1 : 0;
  sem->Common = desc->Service ? 1 : 0;
  ClearofBlank(desc->Name, sizeof desc->Name);
  if (desc->Name[0]) {
    memset(sem->Name, 0, sizeof sem->Name);
    memcpy(sem->Name, desc->Name, strnlen(desc->Name, 31));
  }
  if (dropList) {
    sem->Cls = sem->ClsCount = 0;
    sem->Def = sem->DefCount = 0;
  } else if (clearDefs) {
    sem->Def = sem->DefCount = 0;
  } else if (setDefs) {
    AppendDef(0, newCode, desc->Minimum, desc->Default, desc->Maximum);
  }
  ErrorCode = 0;
  return newCode;
}

int TMapRsc::DeleteSemantic(DWORD code) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (code < 1) return 0;
  ErrorCode = 0;
  if (SystemCode(code)) {
    ErrorCode = RSCERR_SEMSYSTEM;
    return 0;
  }
  TABSEM* sem = rscFindSem(this, code);
  if (!sem) return 0;
  APPLYSEMANTIC use;
  GetSemInfo(code, &use);
  if (use.Limit) {
    ErrorCode = RSCERR_SEMSYSTEM;
    return 0;
  }
  TABSEM* table = rscSemTable(this);
  const DWORD count = Head.Tables[RSC_SEM].Count;
  const DWORD place = DWORD(sem - table);
  memmove(sem, sem + 1, size_t(count - place - 1) * RSC_SEM_SIZE);
  memset(table + count - 1, 0, RSC_SEM_SIZE);
  Head.Tables[RSC_SEM].Count = count - 1;
  Head.Tables[RSC_SEM].Length = (count - 1) * RSC_SEM_SIZE;
  SemSpare++;
  for (DWORD l = 0; l < Head.Tables[RSC_SEG].Count; l++) DeleteSegSemCode(int(l), code);
  for (DWORD n = 1; n <= Head.Tables[RSC_OBJ].Count; n++) {
    DeletePosSemantic(int(n), code, 0);
    const TABOBJ* obj = ObjIndex[n].Obj;
    for (int k = obj ? obj->RelCount : 0; k > 0; k--) DeleteObjectRelate(int(n), code);
  }
  Modify++;
  ErrorCode = 0;
  return 1;
}
