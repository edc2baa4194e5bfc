// The sheet frame builder.
#include "objects/mapframe.h"

#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "records/metric.h"

namespace {

int AppendPlane(void* object, double x, double y) {
  return static_cast<TObjectInfo*>(object)->AppendPointPlane(x, y, 0);
}

int AppendGeo(void* object, double b, double l) {
  return static_cast<TObjectInfo*>(object)->AppendPointGeo(b, l, 0);
}

}  // namespace

TMapFrame::TMapFrame()
    : Step(0.0), Map(nullptr), Object(nullptr), Code(0), PointCount(0), ErrorKind(0) {}

TMapFrame::TMapFrame(TMap* map, int sheet, LONG code, TObjectInfo* object) : TMapFrame() {
  if (!CreateFrameMap(map, sheet, code, object)) throw 0;
}

TMapFrame::TMapFrame(TMap* map, int sheet, TObjectInfo* object) : TMapFrame() {
  if (map && !map->Rsc.IsActive()) {
    ErrorKind = FRAMEERR_NORSC;
    throw 0;
  }
  if (!CreateFrameMap(map, sheet, map ? map->Rsc.GetFrameCodeEx() : 0, object)) throw 0;
}

int TMapFrame::CreateFrameMap(TMap* map, int sheet, LONG code, TObjectInfo* object) {
  Map = map;
  Object = object;
  ErrorKind = FRAMEERR_NONE;
  if (!map || !object || sheet < 1) {
    ErrorKind = FRAMEERR_INPUT;
    Message();
    return 0;
  }
  if (!map->OpenList(sheet)) {
    ErrorKind = FRAMEERR_SHEET;
    Message();
    return 0;
  }
  if (map->FrameKind() == 4) return 0;
  Code = code;
  PointCount = 5;
  if (!StartObject(sheet)) return 0;
  switch (map->MapType()) {
    case 1:
      if (CreateFrameMapTopo()) return 1;
      // What cannot be built along the parallels gets the plane corners.
      ErrorKind = FRAMEERR_NONE;
      PointCount = 5;
      if (!StartObject(sheet)) return 0;
      return CreateFrameMapFour();
    case 2:
      return CreateFrameMapGeog();
    default:
      return CreateFrameMapFour();
  }
}

int TMapFrame::StartObject(int sheet) {
  if (!Object->CreateObject(Map, sheet, static_cast<int>(METRIC_F64), 0)) {
    ErrorKind = FRAMEERR_SHEET;
    Message();
    return 0;
  }
  if (!Object->RegisterObject(Code, 0)) {
    ErrorKind = FRAMEERR_CODE;
    Message();
    return 0;
  }
  return 1;
}

SHEETFRAMESINK TMapFrame::Sink() { return SHEETFRAMESINK{Object, AppendPlane, AppendGeo}; }

int TMapFrame::CreateFrameMapFour() {
  if (!Map || !Object) {
    ErrorKind = FRAMEERR_INPUT;
    Message();
    return 0;
  }
  return SheetFrameFour(Map, &ErrorKind, Sink());
}

int TMapFrame::CreateFrameMapGeog() { return CreateFrameMapFour(); }

int TMapFrame::CreateFrameMapTopo() {
  if (!Map || !Object) {
    ErrorKind = FRAMEERR_INPUT;
    Message();
    return 0;
  }
  return SheetFrameTopo(Map, &Step, &PointCount, &ErrorKind, Sink());
}

int TMapFrame::SetPointFrame() {
  const int count = SheetFramePointCount(Map, &Step, &ErrorKind);
  if (count > 0) PointCount = count;
  return count;
}

int TMapFrame::AppendFrame() { return Object ? Object->Commit(1) : 0; }

int TMapFrame::Message() { return SheetFrameQuestion(ErrorKind); }
