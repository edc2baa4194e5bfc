// Classifier queries on the header, object kinds and semantics.
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/codepage.h"
#include "common/maperr.h"

const char RSC_EMPTY_STRING[1] = "";

LONG TMapRsc::MaxKey() { return LONG(Head.MaxKey); }

LONG TMapRsc::SetMaxKey() { return LONG(++Head.MaxKey); }

int TMapRsc::Style(int) { return int(Head.Style++); }

int TMapRsc::GetClassificatorLanguage() {
  if (!rscQueryOpen(this)) return 0;
  return int(Head.Language);
}

TABOBJ* TMapRsc::GetTabObj(int n) { return ValidObject(n) ? ObjIndex[n].Obj : nullptr; }

namespace {

// The first kind of a code and local type, 0 when there is none.
int FindObject(const TRSCDATA* d, DWORD excode, int local) {
  const DWORD count = d->Head.Tables[RSC_OBJ].Count;
  for (DWORD n = 1; n <= count; n++) {
    const RSCOBJINDEX& e = d->ObjIndex[n];
    if (e.Obj && e.Excode == excode && e.Local == local) return int(n);
  }
  return 0;
}

// The layer record of a layer number, null when there is none.
TABSEG* FindSeg(const TRSCDATA* d, int layer) {
  TABSEG* seg = rscSegTable(d);
  const DWORD count = seg ? d->Head.Tables[RSC_SEG].Count : 0;
  for (DWORD i = 0; i < count; i++)
    if (seg[i].Number == layer) return seg + i;
  return nullptr;
}

}  // namespace

int TMapRsc::GetObjIncode(DWORD excode, int local) {
  if (!rscQueryOpen(this)) return 0;
  const int n = FindObject(this, excode, local);
  if (!n) ErrorCode = MAPERR_RSCRANGE;
  return n;
}

int TMapRsc::CheckObjectCode(DWORD excode, int local) {
  if (!rscQueryOpen(this)) return 0;
  return FindObject(this, excode, local) ? 0 : 1;
}

DWORD TMapRsc::GetSemOrderExcode(int n) {
  if (!rscQueryOpen(this)) return 0;
  if (n < 1) return 0;
  TABSEM* sem = rscSemTable(this);
  if (!sem || DWORD(n) > Head.Tables[RSC_SEM].Count) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  return sem[n - 1].Code;
}

TABSEM* TMapRsc::GetTabSem(DWORD code) {
  if (!rscQueryOpen(this)) return nullptr;
  TABSEM* sem = rscFindSem(this, code);
  if (!sem) ErrorCode = MAPERR_RSCRANGE;
  return sem;
}

TABSEG* TMapRsc::GetTabSeg(int layer) {
  if (!rscQueryOpen(this)) return nullptr;
  TABSEG* seg = FindSeg(this, layer);
  if (!seg) ErrorCode = MAPERR_RSCRANGE;
  return seg;
}

char* TMapRsc::ClearofBlank(char* text, int size) {
  if (!text || size < 1) return text;
  int len = 0;
  while (len < size && text[len]) len++;
  int lead = 0;
  while (lead < len && text[lead] == ' ') lead++;
  if (lead) {
    memmove(text, text + lead, size_t(len - lead));
    memset(text + len - lead, 0, size_t(lead));
    len -= lead;
  }
  while (len > 0 && text[len - 1] == ' ') text[--len] = 0;
  return text;
}

namespace {

// A text cut to 31 characters (and to its field) and cleared of blanks.
int Prepare(char (&out)[32], const char* text, size_t field) {
  memset(out, 0, sizeof out);
  if (!text) return 0;
  size_t n = 0;
  while (n < 31 && n < field && text[n]) n++;
  memcpy(out, text, n);
  TMapRsc::ClearofBlank(out, 32);
  return int(strlen(out));
}

bool SameText(const char* a, const char* b, int length) {
  for (int i = 0; i < length; i++)
    if (FoldCase1251((unsigned char)a[i]) != FoldCase1251((unsigned char)b[i])) return false;
  return true;
}

}  // namespace

int TMapRsc::GetElementbyName(const char* name, int mode) {
  if (!name || mode < 1 || mode > 6) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!rscQueryOpen(this)) return 0;
  char wanted[32];
  const int length = Prepare(wanted, name, 31);

  // Candidates: layers 0..count-1, SEM records 1..count, objects 0..count
  // (object 0 is never a kind, so it is always empty).
  int first = 0, last = -1;
  if (mode <= 2) {
    last = int(Head.Tables[RSC_SEG].Count) - 1;
  } else if (mode <= 4) {
    first = 1;
    last = int(Head.Tables[RSC_SEM].Count);
  } else {
    last = int(Head.Tables[RSC_OBJ].Count);
  }
  TABSEM* sem = rscSemTable(this);
  char candidate[32];
  for (int i = first; i <= last; i++) {
    const char* text = nullptr;
    size_t field = 32;
    switch (mode) {
      case 1:
      case 2: {
        if (TABSEG* s = FindSeg(this, i)) {
          text = mode == 1 ? s->Name : s->Short;
          field = mode == 1 ? sizeof s->Name : sizeof s->Short;
        }
        break;
      }
      case 3:
      case 4:
        if (sem) {
          text = mode == 3 ? sem[i - 1].Name : sem[i - 1].Short;
          field = mode == 3 ? sizeof sem->Name : sizeof sem->Short;
        }
        break;
      default:
        if (i >= 1 && ObjIndex[i].Obj) text = mode == 5 ? ObjIndex[i].Obj->Key : ObjIndex[i].Obj->Name;
        break;
    }
    if (Prepare(candidate, text, field) != length) continue;
    if (length > 0) {
      if (SameText(candidate, wanted, length)) return i;
    } else if (i != 0 || mode <= 2) {
      return i;
    }
  }
  ErrorCode = MAPERR_RSCRANGE;
  return 0;
}
