// Editing of semantics: appending, the system and standard sets, short
// names, the possible semantics of object kinds and default values.
#include <cstdio>
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"

namespace {

enum : DWORD { SEM_OBJCODE = 32800 };

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
