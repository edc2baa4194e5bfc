// Editing of series: groups of object kinds with one excode and local type
// whose members are chosen by the values of limit semantics.
#include "classifier/maprsc.h"
#include "common/maperr.h"

int TMapRsc::DeleteSeria(DWORD excode, int local) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  const int count = int(Head.Tables[RSC_OBJ].Count);
  for (int n = 16; n <= count; n++) {
    RSCOBJINDEX& e = ObjIndex[n];
    if (!e.Obj || e.Excode != excode || e.Local != local) continue;
    e.Lim = nullptr;
    e.Pos = nullptr;
    e.Flags = RSCINDEX_DELETED;
    e.Excode = 0;
    e.Obj->Excode = 0;
    DeleteDefObject(n);
    Modify++;
  }
  ErrorCode = 0;
  return 1;
}
