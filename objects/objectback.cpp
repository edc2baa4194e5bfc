// The object stepped back through the backup copies its sheet keeps of its
// earlier versions: a copy is loaded into the object's buffers (marked
// changed), and the commit then writes it as the current version. Also the
// sheet's writers and backup methods that take an object handle.
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
  return BackCopyReady() ? Map->List.ReadObjectCopyByNumber(i, this) : 0;
}

int TObjectInfo::RestoreBackObject(int k) {
  return BackCopyReady() ? Map->List.RestoreBackObject(k, this) : 0;
}

int TObjectInfo::DeleteObjectCopyToNumber(int count) {
  return BackCopyReady() ? Map->List.DeleteObjectCopyToNumber(count, this) : 0;
}

int TObjectInfo::GetBackObjectCount() {
  if (!BackCopyReady())
    return 0;
  return Map->List.GetBackObjectCount();
}

// ---------------------------------------------------------------------------
// The sheet's methods that take an object handle (declared with the sheet,
// which lies below the object class).

namespace {

// A handle bound to an existing object of a map, with its descriptor.
bool BoundObject(const TObjectInfo *obj) {
  return obj != nullptr && obj->Desc != nullptr && obj->GetMap() != nullptr &&
         obj->ObjectNumber() >= 1;
}

} // namespace

int TMapList::AppendObject(TObjectInfo *obj) {
  if (obj == nullptr || obj->Desc == nullptr)
    return 0;
  return AppendObjectData(obj->Desc, obj->Metric.Record, obj->Semn.Record(),
                          obj->Draw.Record());
}

int TMapList::UpdateObject(int n, TObjectInfo *obj) {
  if (obj == nullptr || obj->Desc == nullptr)
    return 0;
  return UpdateObjectData(n, obj->Desc, obj->Metric.Record, obj->Semn.Record(),
                          obj->Draw.Record());
}

int TMapList::DeleteObjectCopyToNumber(int count, TObjectInfo *obj) {
  return BoundObject(obj) ? DeleteObjectCopyToNumber(count, obj->Desc->Key)
                          : 0;
}

int TMapList::ReadObjectCopyByNumber(int i, TObjectInfo *obj) {
  if (!BoundObject(obj))
    return 0;
  BACKCOPY copy;
  return obj->LoadBackCopy(ReadObjectCopyByNumber(i, *obj->Desc, &copy), copy);
}

int TMapList::RestoreBackObject(int k, TObjectInfo *obj) {
  if (!BoundObject(obj))
    return 0;
  BACKCOPY copy;
  const int rank = RestoreBackObject(k, *obj->Desc, &copy);
  return rank != 0 && obj->LoadBackCopy(k, copy) ? rank : 0;
}
