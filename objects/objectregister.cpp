// The map object in the classifier: registration by code, key and index,
// drawing objects, reclassification by semantics, the series-limit
// characteristics, point kinds, moving to another map and the identity
// queries.
#include <cstring>

#include "classifier/maprsc.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"

namespace {

const char kEmpty[1] = {0};

bool IsLimit(const DWORD codes[2], int code) {
  return code != 0 && (DWORD(code) == codes[0] || DWORD(code) == codes[1]);
}

}  // namespace

TMapRsc* TObjectInfo::OpenRsc() const {
  if (Map == nullptr || !Map->IsActive() || !Map->Rsc.IsActive()) return nullptr;
  return &Map->Rsc;
}

int TObjectInfo::IsOpenMap() const { return Map != nullptr && Map->IsActive(); }

void TObjectInfo::FollowLocal() {
  if (Metric.Record == nullptr || Desc == nullptr) return;
  const int local = FvsprLocal(Desc);
  Metric.ChangeTextFormat(local == LOCAL_TITLE || local == LOCAL_MIXED ? 1 : 0);
  if (Metric.Record != nullptr) TObjectDesc(Desc).DatKind(static_cast<int>(Metric.Record->Ident));
}

int TObjectInfo::PutSemanticText(int code, const char* text) {
  TMapRsc* rsc = OpenRsc();
  TSemBlock block;
  if (rsc == nullptr || text == nullptr ||
      !BuildSemantic(rsc, code, text, int(std::strlen(text)) + 1, &block))
    return 0;
  if (Semn.Record() != nullptr && Semn.Cursor()->FindCode(code) != nullptr)
    return ReplaceSemantic(Semn.Cursor()->CurrentNumber(), block) != nullptr;
  return Semn.Append(&block) != nullptr;
}

// ---------------------------------------------------------------------------
// Registration

int TObjectInfo::RegisterObject(LONG code, int local) {
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || Desc == nullptr) return 0;
  TObjectDesc desc(Desc);
  int result = 1;
  if (code != -1) result = desc.RegisterDesc(code, local, rsc, TObjectSemn(Semn.Record()));
  if (result) {
    if (desc.Code() == OBJECT_SERVICE_FRAME && Metric.Record != nullptr)
      Metric.ChangeKind(static_cast<int>(METRIC_F64));
    Semn.GetObjectExcodeAndDelete();
  } else {
    Semn.PutObjectExcode(code);
  }
  FollowLocal();
  return result;
}

int TObjectInfo::RegisterDrawObject(int layer, int local) {
  if (layer < 0 || local < 0 || Desc == nullptr) return 0;
  Desc->Local = static_cast<BYTE>((Desc->Local & 0xF0) | (local & 0x0F));
  Desc->Segment = static_cast<BYTE>(layer);
  if (!RegisterObject(-1, local)) return 0;
  Desc->Code = 0;
  return 1;
}

int TObjectInfo::RegisterObjectByKey(const char* key) {
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || Desc == nullptr || key == nullptr) return 0;
  int n = rsc->GetObjKeyIncode(key);
  if (n == 0) {
    // The key is kept with the object, which becomes the service object of
    // its local type.
    char kept[OBJECT_RSCKEY_SIZE + 1] = {};
    std::strncpy(kept, key, OBJECT_RSCKEY_SIZE);
    if (kept[0] != 0) {
      for (int i = 0; i < 8 && Semn.Record() != nullptr &&
                      Semn.Cursor()->FindCode(OBJECT_SEM_RSCKEY) != nullptr;
           ++i)
        Semn.DeleteCurrent();
      Semn.AppendString(OBJECT_SEM_RSCKEY, kept, SEMTYPE_ANSI, OBJECT_RSCKEY_SIZE);
    }
    n = rsc->GetServObjIncode(FvsprLocal(Desc));
  }
  return DescribeObject(n);
}

int TObjectInfo::DescribeObject(int n) {
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || n == 0 || Desc == nullptr) return 0;
  const int current = Desc->Code;
  const DWORD oldCodes[2] = {current ? rsc->GetObjLimSem(current, 1) : 0,
                             current ? rsc->GetObjLimSem(current, 2) : 0};
  const DWORD newCodes[2] = {rsc->GetObjLimSem(n, 1), rsc->GetObjLimSem(n, 2)};
  const bool oldHas = oldCodes[0] != 0 || oldCodes[1] != 0;
  const bool newHas = newCodes[0] != 0 || newCodes[1] != 0;
  char text[256];

  if (oldHas) {
    // The series characteristics of the old kind: kept when the new kind
    // has none, given the new kind's default when they limit it too, and
    // removed otherwise. From the last so that deletions keep the numbers.
    TWorkSemantic* work = Semn.Cursor();
    for (int i = Semn.Record() != nullptr ? work->SemanticsAmount() : 0; i >= 1; --i) {
      if (work->GoNumber(i) == nullptr) continue;
      const int code = work->CurrentCode();
      if (!IsLimit(oldCodes, code) || !newHas) continue;
      if (IsLimit(newCodes, code)) {
        if (!rsc->GetDefValueSemantic(n, static_cast<DWORD>(code), text, sizeof(text))) continue;
        TSemBlock block;
        if (BuildSemantic(rsc, code, text, sizeof(text), &block)) ReplaceSemantic(i, block);
      } else {
        Semn.DeleteCurrent();
      }
    }
  } else if (newHas) {
    for (DWORD code : newCodes) {
      if (code == 0) continue;
      if (!rsc->GetDefValueSemantic(n, code, text, sizeof(text))) continue;
      PutSemanticText(static_cast<int>(code), text);
    }
  }

  const int result = TObjectDesc(Desc).RegisterDesc(n, rsc);
  FollowLocal();
  if (result) Semn.GetObjectExcodeAndDelete();
  return result;
}

int TObjectInfo::AppendDefaultSemantic() {
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || Desc == nullptr) return 0;
  const int n = Desc->Code;
  if (n == 0 || rsc->GetObjLimSemCount(n) == 0) return 1;
  char text[256];
  for (int which = 1; which <= 2; ++which) {
    const DWORD code = rsc->GetObjLimSem(n, which);
    if (code == 0) continue;
    if (Semn.Record() != nullptr && Semn.Cursor()->FindCode(static_cast<int>(code)) != nullptr)
      continue;
    if (!rsc->GetDefValueSemantic(n, code, text, sizeof(text))) continue;
    if (!AppendSemantic(static_cast<int>(code), text, int(std::strlen(text)) + 1)) return 0;
  }
  return 1;
}

int TObjectInfo::RedefineObject() {
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || Desc == nullptr || Semn.Record() == nullptr) return 0;
  const LONG code = GetObjectExcodeAndDelete();
  const int n = rsc->GetObjIncode(static_cast<DWORD>(code), FvsprLocal(Desc),
                                  TObjectSemn(Semn.Record()));
  if (n == 0) {
    Semn.PutObjectExcode(code);
    return 0;
  }
  if (n == Desc->Code || n > 0xFFFF) return 0;
  TObjectDesc desc(Desc);
  Desc->Code = static_cast<WORD>(n);
  Desc->Segment = static_cast<BYTE>(rsc->GetObjSegment(n));
  if (!desc.IsBotTop()) {
    const int bot = rsc->GetObjBot(n) & 0x0F;
    const int top = (15 - rsc->GetObjTop(n)) & 0x0F;
    Desc->Scales = static_cast<BYTE>(bot | (top << 4));
  }
  desc.Scale(rsc->GetObjScale(n) & 1);
  desc.ExtLoc(rsc->GetObjExtloc(n) & 1);
  AppendDefaultSemantic();
  return 1;
}

// ---------------------------------------------------------------------------
// Point kinds and maps

int TObjectInfo::ChangeKind(int kind) {
  if (Map != nullptr && Map->IsRealPlace() && static_cast<DWORD>(kind) != METRIC_I32) {
    const DWORD k = static_cast<DWORD>(kind);
    kind = static_cast<int>(k == METRIC_U16 || k == METRIC_F32 || k == METRIC_F64 ? METRIC_F64
                                                                                  : METRIC_F64H);
  }
  const int result = Metric.ChangeKind(kind);
  if (Desc == nullptr) return 0;
  if (Metric.Record != nullptr) TObjectDesc(Desc).DatKind(static_cast<int>(Metric.Record->Ident));
  return result;
}

int TObjectInfo::SplineFlag(int flags) {
  LONGMETRIC* record = Metric.Record;
  if (record == nullptr) return 0;
  const WORD spline = (flags & METRIC_FLAG_SMOOTH)     ? WORD(METRIC_FLAG_SMOOTH)
                      : (flags & METRIC_FLAG_ENVELOPE) ? WORD(METRIC_FLAG_ENVELOPE)
                                                       : WORD(0);
  if (spline != 0) {
    // The count-width bit says how every contour's count is stored: it is
    // the record's, not a flag to be set.
    const WORD word = WORD((record->Flags & METRIC_LONG_COUNTS) | spline);
    if (record->Flags != word) {
      record->Flags = word;
      Metric.ChangedFlag = 1;  // so that the commit writes it
    }
  }
  return SplineFlag();
}

int TObjectInfo::SplineFlag() const {
  return Metric.Record ? Metric.Record->Flags & METRIC_SPLINE_FLAGS : 0;
}

namespace {

// Whether two maps keep their coordinates in the same system, so that plane
// coordinates carry over unchanged.
bool SameSystem(TMap* a, TMap* b) {
  return a->MaterialProjection() == b->MaterialProjection() &&
         a->EllipsoideKind() == b->EllipsoideKind() &&
         a->CoordinateSystem() == b->CoordinateSystem() && a->AxisMeridian() == b->AxisMeridian() &&
         a->FirstMainParallel() == b->FirstMainParallel() &&
         a->SecondMainParallel() == b->SecondMainParallel() &&
         a->MainPointParallel() == b->MainPointParallel();
}

}  // namespace

int TObjectInfo::MoveMetric(TMap* from, const DOUBLEPOINT& fromOrigin, TMap* to) {
  if (Metric.Record == nullptr) return 1;
  const DWORD sourceKind = Metric.Record->Ident;
  const int text = Metric.TextFlag != 0;
  const bool heights = ObjectKindIs3D(sourceKind) || sourceKind == METRIC_I32H;
  TDataEdit target;
  target.Init();
  int ok = target.Create(NormalKind(to, static_cast<int>(sourceKind)), text);
  const int subjects = ok ? Metric.Record->Count : -1;
  for (int s = 0; ok && s <= subjects; ++s) {
    if (s > 0 && !target.CreateSubject()) ok = 0;
    const int count = ok ? Metric.PointCount(s) : 0;
    for (int i = 1; ok && i <= count; ++i) {
      if (Metric.GoPointSubject(i, s) == nullptr) {
        ok = 0;
        break;
      }
      // Map units of the old sheet to plane metres, and on to units of the
      // new map's sheet.
      const double px = (Metric.XDouble() + fromOrigin.X) * from->Factor + from->X0;
      const double py = (Metric.YDouble() + fromOrigin.Y) * from->Factor + from->Y0;
      const double h = Metric.HDouble();
      const double x = (px - to->X0) / to->Factor - Origin.X;
      const double y = (py - to->Y0) / to->Factor - Origin.Y;
      if (!target.AppendPointSubject(s, x, y)) ok = 0;
      else if (heights) target.HDouble(h);
    }
    if (ok && text && Metric.FirstPointSubject(s) != nullptr) {
      const char* entry = Metric.GetTextData();
      if (entry != nullptr) target.PutTextData(reinterpret_cast<const TEXTDATA*>(entry));
    }
  }
  if (ok) ok = Metric.Load(target.Record, text) != 0;
  target.Free();
  return ok;
}

int TObjectInfo::ChangeMap(TMap* map) {
  if (map == nullptr || !map->IsActive()) return 0;
  if (Map == nullptr || Desc == nullptr) {
    Number = 0;
    Map = map;
    return 1;
  }
  if (Map == map) {
    Number = 0;
    return 1;
  }
  TMap* from = Map;
  const bool bothPlane = from->IsRealPlace() && map->IsRealPlace();
  // Maps of different coordinate systems take the points through geodetic
  // coordinates, from a copy bound to the old map.
  const bool geodetic =
      !bothPlane && from->ProjectionReady && map->ProjectionReady && !SameSystem(from, map);
  TObjectInfo source;
  if (geodetic && Metric.Record != nullptr) source.Object(this);
  Number = 0;

  const LONG code = ObjectExcode();
  const int local = ObjectLocal();
  char key[OBJECT_RSCKEY_SIZE + 1] = {};
  std::strncpy(key, from->Rsc.GetObjKey(Desc->Code), OBJECT_RSCKEY_SIZE);
  Desc->Key = 0;
  const bool ownRange = TObjectDesc(Desc).IsBotTop() != 0;
  const BYTE scales = Desc->Scales;
  const DOUBLEPOINT fromOrigin = Origin;
  Map = map;
  if (code != 0 && !RegisterObject(code, local)) {
    RegisterObjectByKey(key);
    // Neither the code nor the key names a kind of the new classifier: the
    // object stays the service object of its local type and keeps its code,
    // which the registration by key has just removed.
    TMapRsc* rsc = OpenRsc();
    if (rsc != nullptr && Desc->Code == rsc->GetServObjIncode(FvsprLocal(Desc)))
      Semn.PutObjectExcode(code);
  }
  if (ownRange) {
    Desc->Scales = scales;
    TObjectDesc(Desc).IsBotTop(1);
  }
  ListNumber(1);
  if (bothPlane) {
    if (Metric.Record != nullptr) ChangeKind(static_cast<int>(Metric.Record->Ident));
    return 1;
  }
  if (geodetic && Metric.Record != nullptr) {
    if (!LoadDataGeo(&source)) return 0;
  } else if (!MoveMetric(from, fromOrigin, map)) {
    return 0;
  }
  Metric.ChangedFlag = 1;
  return 1;
}

// ---------------------------------------------------------------------------
// Identity

DWORD TObjectInfo::ObjectKey() const { return Desc != nullptr && Map != nullptr ? Desc->Key : 0; }

int TObjectInfo::ObjectLocal() const {
  return Desc != nullptr && Map != nullptr ? FvsprLocal(Desc) : 0;
}

int TObjectInfo::ObjectCode() const { return Desc != nullptr && Map != nullptr ? Desc->Code : 0; }

int TObjectInfo::SegmentNumber() const {
  return Desc != nullptr && Map != nullptr ? Desc->Segment : 0;
}

LONG TObjectInfo::ObjectExcode() {
  if (Desc == nullptr || Map == nullptr) return 0;
  TMapRsc& rsc = Map->Rsc;
  const int n = Desc->Code;
  if (n != 0 && rsc.IsActive() && Semn.Record() != nullptr &&
      Semn.Cursor()->FindCode(OBJECT_SEM_EXCODE) != nullptr &&
      n == rsc.GetServObjIncode(FvsprLocal(Desc)))
    return Semn.GetObjectExcode();
  return rsc.IsActive() ? rsc.GetObjExcode(n) : 0;
}

LONG TObjectInfo::GetObjectExcodeAndDelete() {
  if (Desc == nullptr || Map == nullptr) return 0;
  const LONG code = ObjectExcode();
  Semn.GetObjectExcodeAndDelete();
  return code;
}

const char* TObjectInfo::ObjectName() {
  if (Desc == nullptr || Map == nullptr) return kEmpty;
  if (Desc->Code != 0) return Map->Rsc.IsActive() ? Map->Rsc.GetObjName(Desc->Code) : kEmpty;
  // A drawing object may carry its name in characteristic 9.
  if (Semn.Record() == nullptr || Semn.Cursor()->FindCode(9) == nullptr) return kEmpty;
  const TSemBase* value = Semn.Cursor()->CurrentValue();
  if (value == nullptr || value->Type != SEMTYPE_ANSI) return kEmpty;
  const int length = value->TextLength();
  std::memcpy(NameBuffer, value->Text(), length);
  NameBuffer[length] = 0;
  return NameBuffer;
}

const char* TObjectInfo::SegmentName() {
  if (Desc == nullptr || Map == nullptr || !Map->Rsc.IsActive()) return kEmpty;
  return Map->Rsc.GetSegName(Desc->Segment);
}

const char* TObjectInfo::LocalName(int local, int language) {
  return TMapRsc::GetLocalName(local, language);
}

const char* TObjectInfo::ListName() {
  if (Map == nullptr) return kEmpty;
  return Map->Nomenclature(Sheet);
}
