// Relations between object kinds: an object kind and the text kinds that
// label it, kept in the object record from offset 96.
#include <cstring>

#include "classifier/maprsc.h"
#include "common/maperr.h"

int TMapRsc::CheckRelation(DWORD ident, int after) {
  if (!IsActive()) return 0;
  const int count = int(Head.Tables[RSC_OBJ].Count);
  for (int n = after < 15 ? 16 : after + 1; n <= count; n++) {
    TABOBJ* obj = ObjIndex[n].Obj;
    if (!obj) continue;
    const RSCRELATION* rel = rscRelations(obj);
    for (int i = 0; i < obj->RelCount; i++)
      if (rel[i].Ident == ident) return n;
  }
  return 0;
}

int TMapRsc::DeleteObjectRelateIdent(int n, DWORD ident) {
  if (!IsActive() || n < 16 || !ValidObject(n)) return 0;
  TABOBJ* obj = ObjIndex[n].Obj;
  RSCRELATION* rel = rscRelations(obj);
  int removed = 0;
  for (int i = 0; i < obj->RelCount;) {
    if (rel[i].Ident != ident) {
      i++;
      continue;
    }
    const int count = obj->RelCount;
    memmove(rel + i, rel + i + 1, size_t(count - i - 1) * sizeof *rel);
    memset(rel + count - 1, 0, sizeof *rel);
    if (count > 1) {
      obj->Length -= RSC_RELATION_SIZE;
      Head.Tables[RSC_OBJ].Length -= RSC_RELATION_SIZE;
    }
    obj->RelCount--;
    removed++;
    Modify++;
  }
  return removed;
}

int TMapRsc::DeleteObjectRelationText(DWORD ident) {
  int removed = 0;
  for (int n = CheckRelation(ident, 0); n; n = CheckRelation(ident, n))
    removed += DeleteObjectRelateIdent(n, ident);
  return removed;
}

DWORD TMapRsc::DeleteObjectRelate(int n, DWORD code) {
  if (!IsActive() || n < 16 || !ValidObject(n)) return 0;
  TABOBJ* obj = ObjIndex[n].Obj;
  RSCRELATION* rel = rscRelations(obj);
  const int count = obj->RelCount;
  for (int i = 0; i < count; i++) {
    if (rel[i].Code != code) continue;
    const DWORD ident = rel[i].Ident;
    memmove(rel + i, rel + i + 1, size_t(count - i - 1) * sizeof *rel);
    memset(rel + count - 1, 0, sizeof *rel);
    if (count > 1) {
      obj->Length -= RSC_RELATION_SIZE;
      Head.Tables[RSC_OBJ].Length -= RSC_RELATION_SIZE;
    }
    obj->RelCount--;
    Modify++;
    return ident;
  }
  return 0;
}
