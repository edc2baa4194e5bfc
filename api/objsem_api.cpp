// An object's characteristics, identity, classification, place, text and
// graphics for a host: each function checks its handle and pointers and
// forwards to the map object or its editing buffers.
#include "api/objsem_api.h"

#include <cstdio>
#include <cstring>

#include "classifier/maprsc.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"

namespace {

const char kEmpty[1] = {0};

// The object of a live handle whose map (when it has one) is still open.
TObjectInfo* Live(HOBJ info) { return TObjectInfo::FromOpenHandle(info); }

// A live object holding a descriptor.
TObjectInfo* Described(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object != nullptr && object->Desc != nullptr ? object : nullptr;
}

// The buffer of a text function: usable when given with room, and then
// first set to "".
bool Buffer(char* buffer, LONG size) {
  if (buffer == nullptr || size < 1) return false;
  buffer[0] = 0;
  return true;
}

// Copies a text into the buffer: 1 when it is not empty.
LONG CopyOut(const char* text, char* buffer, LONG size) {
  if (!Buffer(buffer, size) || text == nullptr || text[0] == 0) return 0;
  std::snprintf(buffer, size_t(size), "%s", text);
  return 1;
}

const char* NotNull(const char* text) { return text != nullptr ? text : kEmpty; }

}  // namespace

// ---------------------------------------------------------------------------
// Characteristics

MAPAPI LONG WINAPI mapSemanticAmount(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->SemanticAmount() : 0;
}

MAPAPI LONG WINAPI mapSemanticCode(HOBJ info, LONG number) {
  TObjectInfo* object = Live(info);
  return object ? object->SemanticCode(number) : 0;
}

MAPAPI LONG WINAPI mapSemanticValue(HOBJ info, LONG number, char* buffer, LONG size) {
  const bool text = Buffer(buffer, size);
  TObjectInfo* object = Live(info);
  if (object == nullptr || !text) return 0;
  return object->SemanticValue(number, buffer, size) != nullptr;
}

MAPAPI double WINAPI mapSemanticDoubleValue(HOBJ info, LONG number) {
  TObjectInfo* object = Live(info);
  return object ? object->SemanticDoubleValue(number) : 0.0;
}

MAPAPI LONG WINAPI mapSemanticValueName(HOBJ info, LONG number, char* buffer, LONG size) {
  const bool text = Buffer(buffer, size);
  TObjectInfo* object = Live(info);
  if (object == nullptr || !text) return 0;
  return object->SemanticValueName(number, buffer, size) != nullptr;
}

MAPAPI LONG WINAPI mapSemanticValueFullName(HOBJ info, LONG number, char* buffer, LONG size) {
  const bool text = Buffer(buffer, size);
  TObjectInfo* object = Live(info);
  if (object == nullptr || !text) return 0;
  return object->SemanticValueFullName(number, buffer, size) != nullptr;
}

MAPAPI LONG WINAPI mapSemanticCodeValue(HOBJ info, LONG code, char* buffer, LONG size, LONG k) {
  const bool text = Buffer(buffer, size);
  TObjectInfo* object = Live(info);
  if (object == nullptr) return 0;
  return text ? object->SemanticCodeValue(code, buffer, size, k)
              : object->SemanticCodeValue(code, nullptr, 0, k);
}

MAPAPI LONG WINAPI mapSemanticCodeValueName(HOBJ info, LONG code, char* buffer, LONG size,
                                            LONG k) {
  const bool text = Buffer(buffer, size);
  TObjectInfo* object = Live(info);
  if (object == nullptr) return 0;
  const int number = object->SemanticCodeValue(code, nullptr, 0, k);
  if (number != 0 && text) object->SemanticValueName(number, buffer, size);
  return number;
}

MAPAPI const char* WINAPI mapSemanticName(HOBJ info, LONG number) {
  TObjectInfo* object = Live(info);
  return object ? NotNull(object->SemanticName(number)) : kEmpty;
}

MAPAPI LONG WINAPI mapSemanticNameEx(HOBJ info, LONG number, char* buffer, LONG size) {
  Buffer(buffer, size);
  TObjectInfo* object = Live(info);
  if (object == nullptr) return 0;
  return CopyOut(object->SemanticName(number), buffer, size);
}

MAPAPI LONG WINAPI mapAvailableSemanticCount(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->AvailableSemanticCount() : 0;
}

MAPAPI LONG WINAPI mapAvailableSemanticCode(HOBJ info, LONG number) {
  TObjectInfo* object = Live(info);
  return object ? object->AvailableSemanticCode(number) : 0;
}

MAPAPI LONG WINAPI mapAppendSemantic(HOBJ info, LONG code, const char* value, LONG size) {
  TObjectInfo* object = Live(info);
  return object && value ? object->AppendSemantic(code, value, size) : 0;
}

MAPAPI LONG WINAPI mapDeleteSemantic(HOBJ info, LONG number) {
  TObjectInfo* object = Live(info);
  return object ? object->DeleteSemantic(number) : 0;
}

MAPAPI LONG WINAPI mapSetSemanticCode(HOBJ info, LONG number, LONG code) {
  TObjectInfo* object = Live(info);
  return object && object->SetSemanticCode(number, code) != nullptr;
}

MAPAPI LONG WINAPI mapSetSemanticValue(HOBJ info, LONG number, const char* value, LONG size) {
  TObjectInfo* object = Live(info);
  return object && value && object->SetSemanticValue(number, value, size) != nullptr;
}

MAPAPI LONG WINAPI mapSemanticDescribe(HOBJ info, SEMANTICTYPE* type, LONG code) {
  TObjectInfo* object = Live(info);
  return object && type ? object->SemanticDescribe(type, code) : 0;
}

MAPAPI LONG WINAPI mapSemanticDescribeEx(HOBJ info, SEMANTICTYPEEX* type, LONG code) {
  TObjectInfo* object = Live(info);
  return object && type ? object->SemanticDescribeEx(type, code) : 0;
}

MAPAPI LONG WINAPI mapSemanticClassificatorCount(HOBJ info, LONG code) {
  TObjectInfo* object = Live(info);
  return object ? object->SemanticClassificatorCount(code) : 0;
}

MAPAPI const char* WINAPI mapSemanticClassificatorName(HOBJ info, LONG code, LONG number) {
  TObjectInfo* object = Live(info);
  return object ? NotNull(object->SemanticClassificatorName(code, number)) : kEmpty;
}

MAPAPI LONG WINAPI mapSemanticClassificatorNameEx(HOBJ info, LONG code, LONG number,
                                                  char* buffer, LONG size) {
  Buffer(buffer, size);
  TObjectInfo* object = Live(info);
  if (object == nullptr) return 0;
  return CopyOut(object->SemanticClassificatorName(code, number), buffer, size);
}

MAPAPI LONG WINAPI mapSemanticClassificatorCode(HOBJ info, LONG code, LONG number) {
  TObjectInfo* object = Live(info);
  return object ? object->SemanticClassificatorCode(code, number) : 0;
}

MAPAPI LONG WINAPI mapAlignSemantic(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->AlignSemantic() : 0;
}

// ---------------------------------------------------------------------------
// Identity, classification and place

MAPAPI const char* WINAPI mapListName(HOBJ info) {
  TObjectInfo* object = Live(info);
  const char* name = object ? object->ListName() : nullptr;
  if (name == nullptr) return kEmpty;
  // Trimmed in a copy: the sheet's record itself stays as it is stored.
  static char trimmed[256];
  std::snprintf(trimmed, sizeof(trimmed), "%s", name);
  for (size_t n = std::strlen(trimmed); n > 0 && trimmed[n - 1] == ' '; --n) trimmed[n - 1] = 0;
  return trimmed;
}

MAPAPI LONG WINAPI mapObjectKey(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? LONG(object->ObjectKey()) : 0;
}

MAPAPI LONG WINAPI mapSetObjectKey(HOBJ info, LONG key) {
  TObjectInfo* object = Described(info);
  if (object == nullptr || key == 0) return 0;
  object->Desc->Key = DWORD(key);
  return key;
}

MAPAPI LONG WINAPI mapObjectExcode(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->ObjectExcode() : 0;
}

MAPAPI LONG WINAPI mapObjectLocal(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->ObjectLocal() : 0;
}

MAPAPI const char* WINAPI mapObjectName(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? NotNull(object->ObjectName()) : kEmpty;
}

MAPAPI LONG WINAPI mapObjectNameSize(HOBJ info) {
  return Live(info) ? TObjectInfo::ObjectNameSize() : 0;
}

MAPAPI LONG WINAPI mapSegmentNumber(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->SegmentNumber() : 0;
}

MAPAPI const char* WINAPI mapSegmentName(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? NotNull(object->SegmentName()) : kEmpty;
}

MAPAPI LONG WINAPI mapSegmentNameSize(HOBJ info) {
  return Live(info) ? TObjectInfo::SegmentNameSize() : 0;
}

MAPAPI LONG WINAPI mapObjectCode(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->ObjectCode() : 0;
}

MAPAPI LONG WINAPI mapSetSegmentNumber(HOBJ info, LONG layer) {
  TObjectInfo* object = Described(info);
  if (object == nullptr || object->Desc->Code != 0 || layer < 0 || layer > 255) return 0;
  object->Desc->Segment = BYTE(layer);
  return 1;
}

MAPAPI LONG WINAPI mapClearBotTop(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->ClearBotTop() : 0;
}

MAPAPI LONG WINAPI mapObjectTopScale(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->TopScale() : 0;
}

MAPAPI LONG WINAPI mapSetObjectTopScale(HOBJ info, LONG scale) {
  TObjectInfo* object = Live(info);
  return object ? object->TopScale(int(scale)) : 0;
}

MAPAPI LONG WINAPI mapObjectBotScale(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->BotScale() : 0;
}

MAPAPI LONG WINAPI mapSetObjectBotScale(HOBJ info, LONG scale) {
  TObjectInfo* object = Live(info);
  return object ? object->BotScale(int(scale)) : 0;
}

MAPAPI LONG WINAPI mapSetObjectScale(HOBJ info, LONG flag) {
  TObjectInfo* object = Described(info);
  if (object == nullptr) return 0;
  object->Descriptor().Scale(flag != 0);
  return 1;
}

MAPAPI LONG WINAPI mapObjectBotTopUniqueness(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->Descriptor().IsBotTop() : 0;
}

MAPAPI LONG WINAPI mapRegisterObject(HOBJ info, LONG excode, LONG local) {
  TObjectInfo* object = Live(info);
  return object ? object->RegisterObject(excode, local) : 0;
}

MAPAPI LONG WINAPI mapRegisterObjectByKey(HOBJ info, const char* key) {
  TObjectInfo* object = Live(info);
  return object && key ? object->RegisterObjectByKey(key) : 0;
}

MAPAPI LONG WINAPI mapDescribeObject(HOBJ info, LONG code) {
  TObjectInfo* object = Live(info);
  return object ? object->DescribeObject(code) : 0;
}

MAPAPI LONG WINAPI mapRegisterDrawObject(HOBJ info, LONG layer, LONG local) {
  TObjectInfo* object = Live(info);
  return object ? object->RegisterDrawObject(layer, local) : 0;
}

MAPAPI LONG WINAPI mapRedefineObject(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->RedefineObject() : 0;
}

MAPAPI LONG WINAPI mapSetObjectListNumber(HOBJ info, LONG sheet) {
  TObjectInfo* object = Live(info);
  if (object == nullptr) return 0;
  if (object->Desc != nullptr) object->Desc->Key = 0;
  object->ObjectNumber(0);
  return object->ListNumber(sheet);
}

MAPAPI LONG WINAPI mapGetListNumber(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->ListNumber() : 0;
}

MAPAPI LONG WINAPI mapGetObjectNumber(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->ObjectNumber() : 0;
}

MAPAPI LONG WINAPI mapSetObjectKind(HOBJ info, LONG kind) {
  TObjectInfo* object = Live(info);
  if (object == nullptr || object->Metric.Record == nullptr) return 0;
  const int result = object->ChangeKind(kind);
  if (result) object->Metric.ChangedFlag = 1;
  return result;
}

MAPAPI LONG WINAPI mapSetObjectSpline(HOBJ info, LONG flags) {
  TObjectInfo* object = Live(info);
  LONGMETRIC* record = object ? object->Metric.Record : nullptr;
  if (record == nullptr) return 0;
  const WORD bits = WORD(flags) & METRIC_SPLINE_FLAGS;
  if ((record->Flags & METRIC_SPLINE_FLAGS) != bits) {
    record->Flags = WORD((record->Flags & ~METRIC_SPLINE_FLAGS) | bits);
    object->Metric.ChangedFlag = 1;  // so that the commit writes it
  }
  return bits;
}

MAPAPI LONG WINAPI mapGetObjectSpline(HOBJ info) {
  TObjectInfo* object = Live(info);
  LONGMETRIC* record = object ? object->Metric.Record : nullptr;
  return record ? record->Flags & METRIC_SPLINE_FLAGS : 0;
}

MAPAPI const char* WINAPI mapObjectRscKey(HOBJ info) {
  TObjectInfo* object = Described(info);
  if (object == nullptr || object->Map == nullptr || !object->Map->Rsc.IsActive() ||
      object->Desc->Code == 0)
    return kEmpty;
  return NotNull(object->Map->Rsc.GetObjKey(object->Desc->Code));
}

MAPAPI LONG WINAPI mapIsObject3D(HOBJ info) {
  TObjectInfo* object = Live(info);
  LONGMETRIC* record = object ? object->Metric.Record : nullptr;
  return record && ObjectKindIs3D(record->Ident) ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Text

MAPAPI LONG WINAPI mapGetText(HOBJ info, char* buffer, LONG size, LONG subject) {
  const bool text = Buffer(buffer, size);
  TObjectInfo* object = Live(info);
  if (object == nullptr || !text) return 0;
  return object->GetText(buffer, size, subject) != nullptr;
}

MAPAPI LONG WINAPI mapPutText(HOBJ info, const char* text, LONG subject) {
  TObjectInfo* object = Live(info);
  return object && text ? object->PutText(text, subject) : 0;
}

MAPAPI LONG WINAPI mapGetTextLengthMkm(HOBJ info, LONG subject) {
  TObjectInfo* object = Live(info);
  return object ? object->GetTextLengthMkm(subject) : 0;
}

MAPAPI LONG WINAPI mapGetTextHorizontalAlign(HOBJ info, LONG subject) {
  TObjectInfo* object = Live(info);
  return object ? object->GetTextHorizontalAlign(subject) : 0;
}

MAPAPI LONG WINAPI mapGetTextVerticalAlign(HOBJ info, LONG subject) {
  TObjectInfo* object = Live(info);
  return object ? object->GetTextVerticalAlign(subject) : 0;
}

MAPAPI LONG WINAPI mapPutTextHorizontalAlign(HOBJ info, LONG align, LONG subject) {
  TObjectInfo* object = Live(info);
  return object ? object->PutTextHorizontalAlign(align, subject) : 0;
}

MAPAPI LONG WINAPI mapPutTextVerticalAlign(HOBJ info, LONG align, LONG subject) {
  TObjectInfo* object = Live(info);
  return object ? object->PutTextVerticalAlign(align, subject) : 0;
}

// ---------------------------------------------------------------------------
// Graphics

MAPAPI LONG WINAPI mapIsDrawObject(HOBJ info) {
  // An emptied buffer left from an earlier object is no graphics.
  TObjectInfo* object = Live(info);
  return object && object->Draw.Count() > 0 ? 1 : 0;
}

MAPAPI LONG WINAPI mapDrawCount(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object ? object->Draw.Count() : 0;
}

MAPAPI LONG WINAPI mapDrawImage(HOBJ info, LONG number) {
  TObjectInfo* object = Live(info);
  return object ? object->Draw.ElementIdent(number) : 0;
}

MAPAPI const char* WINAPI mapDrawParameters(HOBJ info, LONG number) {
  TObjectInfo* object = Live(info);
  if (object == nullptr) return nullptr;
  if (number == 0)
    return object->Draw.Length() > 0 ? reinterpret_cast<const char*>(object->Draw.Record())
                                     : nullptr;
  return object->Draw.ElementParmAddress(number);
}

MAPAPI LONG WINAPI mapDrawLength(HOBJ info, LONG number) {
  TObjectInfo* object = Live(info);
  if (object == nullptr) return 0;
  return number == 0 ? object->Draw.Length() : object->Draw.ElementLength(number);
}

MAPAPI LONG WINAPI mapAppendDraw(HOBJ info, LONG image, const char* parameters) {
  TObjectInfo* object = Live(info);
  return object && parameters ? object->Draw.AppendElement(image, parameters) : 0;
}

MAPAPI LONG WINAPI mapClearDraw(HOBJ info) {
  TObjectInfo* object = Live(info);
  if (object == nullptr || !object->Draw.Clear()) return 0;
  object->Draw.SetChanged(1);
  return 1;
}

MAPAPI LONG WINAPI mapDeleteDraw(HOBJ info, LONG number) {
  TObjectInfo* object = Live(info);
  return object ? object->Draw.DeleteElement(number) : 0;
}
