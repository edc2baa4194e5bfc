// Select contexts for a host: their life, their conditions and their
// record, forwarded to the select context.
#include "api/select_api.h"

#include "document/mapaccess.h"
#include "selection/mapselect.h"
#include "selection/selectcontexts.h"

namespace {

TMapSelect* Select(HSELECT handle) { return MapSelectOfHandle(handle); }

HSELECT HandleOf(TMapSelect* select) { return reinterpret_cast<HSELECT>(select); }

// One of the four sets a number selects: its switch, its bits and its
// operations.
struct SELECTSET {
  DWORD TSample::*Switch;
  int (TMapSelect::*SetSwitch)(int);
  void (TMapSelect::*Select)(int);
  void (TMapSelect::*Unselect)(int);
  void (TMapSelect::*All)();
  void (TMapSelect::*None)();
  int (TMapSelect::*Check)(int) const;
};

constexpr SELECTSET kLayers{&TSample::LayerSwitch,        &TMapSelect::SetLayerSwitch,
                            &TMapSelect::SelectLayer,     &TMapSelect::UnselectLayer,
                            &TMapSelect::SelectAllLayers, &TMapSelect::ClearAllLayers,
                            &TMapSelect::CheckLayer};
constexpr SELECTSET kSheets{&TSample::SheetSwitch,        &TMapSelect::SetSheetSwitch,
                            &TMapSelect::SelectSheet,     &TMapSelect::UnselectSheet,
                            &TMapSelect::SelectAllSheets, &TMapSelect::ClearAllSheets,
                            &TMapSelect::CheckSheet};
constexpr SELECTSET kKinds{&TSample::KindSwitch,        &TMapSelect::SetKindSwitch,
                           &TMapSelect::SelectKind,     &TMapSelect::UnselectKind,
                           &TMapSelect::SelectAllKinds, &TMapSelect::ClearAllKinds,
                           &TMapSelect::CheckKind};
constexpr SELECTSET kLocals{&TSample::LocalSwitch,        &TMapSelect::SetLocalSwitch,
                            &TMapSelect::SelectLocal,     &TMapSelect::UnselectLocal,
                            &TMapSelect::SelectAllLocals, &TMapSelect::ClearAllLocals,
                            &TMapSelect::CheckLocal};

void SelectIn(const SELECTSET& set, HSELECT handle, LONG n, LONG flag) {
  TMapSelect* select = Select(handle);
  if (select == nullptr) return;
  if (flag != 0) {
    if (n >= 0) {
      (select->*set.Select)(n);
    } else {
      (select->*set.SetSwitch)(0);
      (select->*set.All)();
    }
    return;
  }
  (select->*set.SetSwitch)(1);
  if (n >= 0)
    (select->*set.Unselect)(n);
  else
    (select->*set.None)();
}

LONG CheckIn(const SELECTSET& set, HSELECT handle, LONG n) {
  TMapSelect* select = Select(handle);
  if (select == nullptr) return 0;
  if (select->*set.Switch == 0) return 1;
  if (n < 0) return 0;
  return (select->*set.Check)(n);
}

// Whether n names one of a context's measurement conditions.
bool HasMeasure(const TMapSelect* select, LONG n) {
  return select != nullptr && n >= 1 && n <= select->MeasureCount();
}

}  // namespace

// ---------------------------------------------------------------------------
// Contexts

MAPAPI HSELECT WINAPI mapCreateMapSelectContext(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  TMap* map = doc != nullptr ? doc->GetMap(0) : nullptr;
  return map != nullptr ? HandleOf(slCreateSelect(&map->SelectList)) : 0;
}

MAPAPI HSELECT WINAPI mapCreateSelectContext() { return HandleOf(NewHostSelect(nullptr)); }

MAPAPI HSELECT WINAPI mapCreateCopySelectContext(HSELECT source) {
  TMapSelect* from = Select(source);
  if (from == nullptr || from->Map == nullptr) return 0;
  TMapSelect* select = slCreateSelect(&from->Map->SelectList);
  if (select != nullptr) select->SetSelect(from);
  return HandleOf(select);
}

MAPAPI LONG WINAPI mapCopySelectContext(HSELECT target, HSELECT source) {
  TMapSelect* to = Select(target);
  TMapSelect* from = Select(source);
  if (to == nullptr || from == nullptr) return 0;
  to->SetSelect(from);
  return 1;
}

MAPAPI LONG WINAPI mapClearSelectContext(HSELECT select) {
  TMapSelect* context = Select(select);
  if (context == nullptr) return 0;
  context->SelectAll();
  return 1;
}

MAPAPI void WINAPI mapDeleteSelectContext(HSELECT select) {
  TMapSelect* context = Select(select);
  if (context == nullptr) return;
  // A context that took another map by a copy has left its list.
  if (context->Listed != nullptr)
    slDeleteSelect(context->Listed, context);
  else
    FreeHostSelect(context);
}

// ---------------------------------------------------------------------------
// Sets

MAPAPI void WINAPI mapSelectLayer(HSELECT select, LONG layer, LONG flag) {
  SelectIn(kLayers, select, layer, flag);
}
MAPAPI void WINAPI mapSelectList(HSELECT select, LONG sheet, LONG flag) {
  SelectIn(kSheets, select, sheet, flag);
}
MAPAPI void WINAPI mapSelectObject(HSELECT select, LONG kind, LONG flag) {
  SelectIn(kKinds, select, kind, flag);
}
MAPAPI void WINAPI mapSelectLocal(HSELECT select, LONG local, LONG flag) {
  SelectIn(kLocals, select, local, flag);
}
MAPAPI LONG WINAPI mapCheckLayer(HSELECT select, LONG layer) {
  return CheckIn(kLayers, select, layer);
}
MAPAPI LONG WINAPI mapCheckList(HSELECT select, LONG sheet) {
  return CheckIn(kSheets, select, sheet);
}
MAPAPI LONG WINAPI mapCheckObject(HSELECT select, LONG kind) {
  return CheckIn(kKinds, select, kind);
}
MAPAPI LONG WINAPI mapCheckLocal(HSELECT select, LONG local) {
  return CheckIn(kLocals, select, local);
}

// ---------------------------------------------------------------------------
// Keys

MAPAPI void WINAPI mapSelectKey(HSELECT select, LONG minimum, LONG maximum) {
  TMapSelect* context = Select(select);
  if (context == nullptr) return;
  if ((DWORD(minimum) & DWORD(maximum)) != 0xFFFFFFFFu) {
    context->SetKeyMinimum(DWORD(minimum));
    context->SetKeyMaximum(DWORD(maximum));
    context->SetKeySwitch(1);
  } else {
    context->SetKeySwitch(0);
    context->SetKeyMinimum(0);
    context->SetKeyMaximum(0x7FFFFFFFu);
  }
}

MAPAPI LONG WINAPI mapCheckKey(HSELECT select, LONG key) {
  TMapSelect* context = Select(select);
  if (context == nullptr) return 0;
  if (context->KeySwitch == 0) return 1;
  return key == -1 ? 0 : context->CheckKey(DWORD(key));
}

MAPAPI LONG WINAPI mapGetMinKey(HSELECT select) {
  TMapSelect* context = Select(select);
  return context != nullptr ? LONG(context->GetKeyMinimum()) : 0;
}

MAPAPI LONG WINAPI mapGetMaxKey(HSELECT select) {
  TMapSelect* context = Select(select);
  return context != nullptr ? LONG(context->GetKeyMaximum()) : 0;
}

// ---------------------------------------------------------------------------
// Semantic conditions

MAPAPI LONG WINAPI mapSelectSemanticAppend(HSELECT select, LONG condition, LONG code,
                                           const char* value) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->SemanticAppend(condition, code, value) : 0;
}

MAPAPI void WINAPI mapSelectSemanticClear(HSELECT select) {
  if (TMapSelect* context = Select(select)) context->SemanticClear();
}

MAPAPI LONG WINAPI mapSelectSemanticCount(HSELECT select) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->SemanticCount() : 0;
}

MAPAPI LONG WINAPI mapSelectSemanticCondition(HSELECT select, LONG n) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->SemanticCondition(n) : 0;
}

MAPAPI LONG WINAPI mapSelectSemanticCode(HSELECT select, LONG n) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->SemanticCode(n) : 0;
}

MAPAPI LONG WINAPI mapSelectSemanticLink(HSELECT select, LONG link) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->SemanticLink(link) : 0;
}

MAPAPI LONG WINAPI mapGetSelectSemanticLink(HSELECT select) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->SemanticLink() : 0;
}

MAPAPI char* WINAPI mapSelectSemanticValue(HSELECT select, LONG n, char* buffer, LONG size) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->SemanticValue(n, buffer, size) : nullptr;
}

MAPAPI LONG WINAPI mapSelectSemanticDelete(HSELECT select, LONG n) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->SemanticDelete(n) : 0;
}

// ---------------------------------------------------------------------------
// Measurement conditions

MAPAPI LONG WINAPI mapSelectMeasureCount(HSELECT select) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->MeasureCount() : 0;
}

MAPAPI HSELECT WINAPI mapSelectMeasureClear(HSELECT select) {
  TMapSelect* context = Select(select);
  if (context == nullptr) return 0;
  context->MeasureClear();
  return select;
}

MAPAPI LONG WINAPI mapSelectMeasureAppend(HSELECT select, LONG kind, LONG comparison, double value,
                                          LONG second, double secondValue) {
  TMapSelect* context = Select(select);
  if (context == nullptr || context->Map == nullptr) return 0;
  if (kind != MEASURE_LENGTH && kind != MEASURE_AREA && kind != MEASURE_PERIMETER &&
      kind != MEASURE_HEIGHT)
    return 0;
  MEASUREMENT condition{kind, 1, comparison, 0, value, 0.0};
  if (second != 0) {
    // Only "between": at least the first value and at most the second.
    if (comparison != 6 || second != 3) return 0;
    condition.Range = 2;
    condition.Second = second;
    condition.SecondValue = secondValue;
  }
  // Plane metres to the map's units: lengths by the scale factor, areas by
  // its square; heights stay metres.
  const double s = context->Map->Factor;
  if (!(s > 0.0)) return 0;
  const double unit = kind == MEASURE_AREA ? s * s : kind == MEASURE_HEIGHT ? 1.0 : s;
  condition.FirstValue /= unit;
  condition.SecondValue /= unit;
  return context->MeasureAdd(&condition) != 0 ? 1 : 0;
}

MAPAPI LONG WINAPI mapIsSelectMeasureRange(HSELECT select, LONG n) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->MeasureRange(n) : 0;
}

MAPAPI LONG WINAPI mapSelectMeasureLink(HSELECT select, LONG link) {
  TMapSelect* context = Select(select);
  if (context == nullptr) return 0;
  return link == LINK_ANY || link == LINK_ALL ? context->MeasureLink(link) : link;
}

MAPAPI LONG WINAPI mapGetSelectMeasureLink(HSELECT select) {
  TMapSelect* context = Select(select);
  return context != nullptr ? LONG(context->Measures.Flags) : 0;
}

MAPAPI LONG WINAPI mapSelectMeasureCode(HSELECT select, LONG n) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->MeasureKind(n) : 0;
}

MAPAPI LONG WINAPI mapSelectMeasureValue(HSELECT select, LONG n, double* first, double* second) {
  TMapSelect* context = Select(select);
  if (!HasMeasure(context, n) || first == nullptr) return 0;
  *first = context->MeasureValue(n, 1);
  if (context->MeasureRange(n) != 2 || second == nullptr) return 1;
  *second = context->MeasureValue(n, 2);
  return 2;
}

MAPAPI LONG WINAPI mapSelectMeasureCondition(HSELECT select, LONG n, LONG* first, LONG* second) {
  TMapSelect* context = Select(select);
  if (!HasMeasure(context, n) || first == nullptr) return 0;
  *first = context->MeasureCondition(n, 1);
  if (context->MeasureRange(n) != 2 || second == nullptr) return 1;
  *second = context->MeasureCondition(n, 2);
  return 2;
}

// ---------------------------------------------------------------------------
// The select record

MAPAPI LONG WINAPI mapGetSelectRecordSize(HSELECT select) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->GetSelectRecordSize() : 0;
}

MAPAPI LONG WINAPI mapGetSelectRecord(HSELECT select, char* buffer, LONG length) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->GetSelectRecord(buffer, length) : 0;
}

MAPAPI LONG WINAPI mapPutSelectRecord(HSELECT select, const char* buffer, LONG length) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->PutSelectRecord(buffer, length) : 0;
}
