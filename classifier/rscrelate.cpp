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

namespace {

// The relations of kind n (16..count), or null.
TABOBJ* RelatingKind(TMapRsc* rsc, int n) {
  if (!rsc->IsActive() || n < 16 || DWORD(n) > rsc->Head.Tables[RSC_OBJ].Count) return nullptr;
  return rsc->ObjIndex[n].Obj;
}

// A relation as callers see it: the related kind by its number.
DWORD Describe(TMapRsc* rsc, const RSCRELATION& rel, RSCRELATION* desc) {
  if (desc) {
    *desc = rel;
    desc->Ident = DWORD(rsc->GetObjIdentIncode(LONG(rel.Ident)));
  }
  return rel.Ident;
}

void StorePrefix(RSCRELATION& rel, const char* prefix) {
  memset(rel.Prefix, 0, sizeof rel.Prefix);
  if (prefix) memcpy(rel.Prefix, prefix, strnlen(prefix, 6));
}

}  // namespace

int TMapRsc::GetObjectRelateCount(int n) {
  TABOBJ* obj = RelatingKind(this, n);
  return obj ? obj->RelCount : 0;
}

DWORD TMapRsc::GetObjectRelateOrder(int n, int k, RSCRELATION* desc) {
  TABOBJ* obj = RelatingKind(this, n);
  if (!obj || k < 1 || k > obj->RelCount) return 0;
  return Describe(this, rscRelations(obj)[k - 1], desc);
}

DWORD TMapRsc::GetObjectRelate(int n, DWORD code, RSCRELATION* desc) {
  TABOBJ* obj = RelatingKind(this, n);
  for (int i = 0; obj && i < obj->RelCount; i++)
    if (rscRelations(obj)[i].Code == code) return Describe(this, rscRelations(obj)[i], desc);
  return 0;
}

DWORD TMapRsc::UpdateObjectRelate(int n, DWORD code, DWORD ident, const char* prefix, int flag) {
  TABOBJ* obj = RelatingKind(this, n);
  if (!obj) return 0;
  const int text = GetObjIdentIncode(LONG(ident));
  if (!text || (ObjIndex[text].Local != LOCAL_TITLE && ObjIndex[text].Local != LOCAL_MIXED)) return 0;
  // Flags run 0..10, in a relation changed as in a new one.
  const BYTE limited = BYTE(flag < 0 ? 0 : flag > 10 ? 10 : flag);
  for (int i = 0; i < obj->RelCount; i++) {
    RSCRELATION& rel = rscRelations(obj)[i];
    if (rel.Code != code) continue;
    StorePrefix(rel, prefix);
    rel.Ident = ident;
    rel.Flag = limited;
    Modify++;
    ErrorCode = 0;
    return ident;
  }
  if (!GetObjCanSem(n, code) || obj->RelCount == 255) return 0;
  // The record has room for one relation; each further one takes 16 bytes.
  const DWORD need = RSC_OBJ_FIXED + RSC_RELATION_SIZE * (DWORD(obj->RelCount) + 1);
  const DWORD length = obj->Length;
  if (length < need) {
    auto* grown = (TABOBJ*)rscGetMemoryBlock(this, LONG(need));
    if (!grown) {
      ErrorCode = MAPERR_MEMORY;
      return 0;
    }
    memcpy(grown, obj, length);
    grown->Length = need;
    Head.Tables[RSC_OBJ].Length += need - length;
    ObjIndex[n].Obj = obj = grown;
  }
  RSCRELATION& rel = rscRelations(obj)[obj->RelCount];
  memset(&rel, 0, sizeof rel);
  rel.Ident = ident;
  rel.Code = code;
  StorePrefix(rel, prefix);
  rel.Flag = limited;
  obj->RelCount++;
  Modify++;
  ErrorCode = 0;
  return ident;
}
