// The object stepped back through the backup copies its sheet keeps of its
// earlier versions: a copy is loaded into the object's buffers (marked
// changed), and the commit then writes it as the current version.
#include "mapstore/map.h"
#include "objects/objectinfo.h"

int TObjectInfo::LoadBackCopy(int index, BACKCOPY &copy) {
  if (index == 0)
    return 0;
  const int local = FvsprLocal(&copy.Desc);
  const int text = local == LOCAL_TITLE || local == LOCAL_MIXED;
  if (!copy.Metric.empty()) {
    if (!Metric.Load(reinterpret_cast<LONGMETRIC *>(copy.Metric.data()), text))
      return 0;
    Metric.ChangedFlag = 1;
  }
  if (!copy.Semn.empty()) {
    if (!Semn.Load(TObjectSemn(reinterpret_cast<SEMANTIC *>(copy.Semn.data()))))
      return 0;
    Semn.SetChanged(1);
  }
  if (!copy.Draw.empty()) {
    if (!Draw.Load(TObjectDraw(reinterpret_cast<IMGDRAW *>(copy.Draw.data()))))
      return 0;
    Draw.SetChanged(1);
  }
  DescCopy = copy.Desc;
  Desc = &DescCopy;
  return index;
}

bool TObjectInfo::BackCopyReady() {
  return Map != nullptr && Desc != nullptr && Number >= 1 && Sheet >= 1 &&
         Map->OpenList(Sheet);
}

int TObjectInfo::ReadObjectCopyByNumber(int i) {
  if (!BackCopyReady())
    return 0;
  BACKCOPY copy;
  return LoadBackCopy(Map->List.ReadObjectCopyByNumber(i, *Desc, &copy), copy);
}

int TObjectInfo::RestoreBackObject(int k) {
  if (!BackCopyReady())
    return 0;
  BACKCOPY copy;
  const int rank = Map->List.RestoreBackObject(k, *Desc, &copy);
  return rank != 0 && LoadBackCopy(k, copy) ? rank : 0;
}

int TObjectInfo::DeleteObjectCopyToNumber(int count) {
  if (!BackCopyReady())
    return 0;
  return Map->List.DeleteObjectCopyToNumber(count, Desc->Key);
}

int TObjectInfo::GetBackObjectCount() {
  if (!BackCopyReady())
    return 0;
  return Map->List.GetBackObjectCount();
}
