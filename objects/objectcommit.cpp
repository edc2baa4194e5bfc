// The map object written back: commit through the map's writers, delete
// and undelete, reading again, the obligatory characteristics, the check
// of the metric record and the object's log messages.
#include <cstdio>
#include <cstring>

#include "classifier/maprsc.h"
#include "common/language.h"
#include "common/maperror.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"

// ---------------------------------------------------------------------------
// Commit

int TObjectInfo::Commit(int mode) {
  if (Desc == nullptr || Sheet == 0 || Map == nullptr || !Map->OpenList(Sheet)) return 0;
  AppendDefaultSemantic();
  const int local = FvsprLocal(Desc);
  if (Metric.Record != nullptr && Metric.TextFlag && local != LOCAL_TITLE && local != LOCAL_MIXED)
    Metric.ChangeTextFormat(0);

  if (Number == 0) {
    if (local == LOCAL_SQUARE && Metric.Record != nullptr) Metric.AbridgeObject(0);
    RedefineObject();
    const int n = Map->AppendObject(Desc, Metric.Record, Semn.Record(), Draw.Record());
    return Number = n < 1 ? 0 : n;
  }

  // The registered moves reach the objects sharing the points; they may
  // leave another sheet current.
  auto applyMoves = [this]() {
    if (Points.Count() > 0) {
      Points.Info = this;
      Points.UpdatePoints();
    }
    return Map->OpenList(Sheet) != 0;
  };

  LONGMETRIC* metric = nullptr;
  SEMANTIC* semn = nullptr;
  IMGDRAW* draw = nullptr;
  if (mode == 0) {
    if (!applyMoves()) return 0;
    metric = Metric.Record;
    semn = Semn.Record();
    draw = Draw.Record();
  } else if (Metric.ChangedFlag) {
    if (local == LOCAL_SQUARE && Metric.Record != nullptr) Metric.AbridgeObject(0);
    if (!applyMoves()) return 0;
    metric = Metric.Record;
    if (Semn.IsChanged()) {
      RedefineObject();
      semn = Semn.Record();
      draw = Draw.Record();
    } else if (Draw.IsChanged()) {
      draw = Draw.Record();
    }
  } else if (Semn.IsChanged()) {
    RedefineObject();
    semn = Semn.Record();
    if (Draw.IsChanged()) draw = Draw.Record();
  } else if (Draw.IsChanged()) {
    if (Draw.Record() == nullptr) Draw.Clear();
    Draw.SetChanged(0);
    draw = Draw.Record();
  }
  const int n = Map->UpdateObject(Number, Desc, metric, semn, draw);
  if (n >= 1) Number = n;
  return n < 1 ? 0 : n;
}

// ---------------------------------------------------------------------------
// Object-set characteristics

int TObjectInfo::ObjectSetCode(LONG* number) {
  if (Desc == nullptr || Semn.Record() == nullptr) return 0;
  TWorkSemantic* work = Semn.Cursor();
  for (char* block = work->GoFirst(); block != nullptr; block = work->GoNext()) {
    const int code = work->CurrentCode();
    if (code != GROUPSEM_LEADER && code != GROUPSEM_SUBORDINATE && code != GROUPSEM_EQUITABLE)
      continue;
    TSemBase* value = work->CurrentValue();
    if (number != nullptr && value != nullptr) {
      char text[64];
      if (value->StringValue(text, sizeof(text)) != nullptr && text[0] != 0)
        *number = value->LongValue();
    }
    return code;
  }
  return 0;
}

int TObjectInfo::DeleteObjectSetSemantic(LONG number) {
  return DeleteObjectSetSemantic(0, &number);
}

int TObjectInfo::DeleteObjectSetSemantic(int code, const LONG* number) {
  if (Semn.Record() == nullptr) return 1;
  TWorkSemantic* work = Semn.Cursor();
  // From the last so that deletions keep the numbers of those before.
  for (int i = work->SemanticsAmount(); i >= 1; --i) {
    if (work->GoNumber(i) == nullptr) continue;
    const int held = work->CurrentCode();
    if (held != GROUPSEM_LEADER && held != GROUPSEM_SUBORDINATE && held != GROUPSEM_EQUITABLE)
      continue;
    if (code != 0 && held != code) continue;
    const TSemBase* value = work->CurrentValue();
    if (number == nullptr || (value != nullptr && value->LongValue() == *number))
      Semn.DeleteCurrent();
  }
  return 1;
}

int SemanticsHoldGroup(SEMANTIC* record, int code, LONG number) {
  if (record == nullptr || record->Length <= SEMANTIC_HEAD) return 0;
  TWorkSemantic work;
  work.Access(reinterpret_cast<char*>(record) + SEMANTIC_HEAD, record->Length - SEMANTIC_HEAD, 0);
  for (char* block = work.FindCode(code); block != nullptr; block = work.FindCodeNext(code)) {
    const TSemBase* value = work.CurrentValue();
    if (value != nullptr && value->LongValue() == number) return 1;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Delete, undelete, revert

int TObjectInfo::Delete() {
  if (Desc == nullptr || Number == 0 || Map == nullptr) return 0;
  TObjectDesc(Desc).Cancel(1);
  auto refuse = [this]() {
    TObjectDesc(Desc).Cancel(0);
    return 0;
  };
  if (!Map->OpenList(Sheet)) return refuse();

  LONG group = 0;
  if (ObjectSetCode(&group) == GROUPSEM_LEADER) {
    // The subordinates of the set lose their tie to it first.
    for (int n = 1; n <= Map->List.Count(); ++n) {
      if (n == Number || !Map->OpenList(Sheet)) continue;
      const FVSPR* desc = Map->List.ObjectDesc(n);
      if (desc == nullptr || FvsprIsDeleted(desc)) continue;
      if (!SemanticsHoldGroup(Map->List.SemnAddr(desc->SemnOffset), GROUPSEM_SUBORDINATE, group))
        continue;
      TObjectInfo member;
      member.Object(Map, Sheet, n);
      if (member.Desc == nullptr) return refuse();
      member.DeleteObjectSetSemantic(group);
      member.Semn.SetChanged(1);
      if (!member.Commit(1)) return refuse();
    }
    if (!Map->OpenList(Sheet)) return refuse();
  }
  // The sheet may refuse (a read-only sheet): the object then stays.
  if (!Map->DeleteObject(Number)) return refuse();
  return 1;
}

int TObjectInfo::Undelete() {
  if (Desc == nullptr || Number == 0 || Map == nullptr) return 0;
  TObjectDesc(Desc).Cancel(0);
  if (!Commit(1)) return 0;
  if (!Map->OpenList(Sheet)) return 0;
  if (FVSPR* cached = Map->List.ObjectDesc(Number)) TObjectDesc(cached).Cancel(0);
  return 1;
}

int TObjectInfo::Revert() {
  if (Map == nullptr || Sheet < 1 || Number < 1 || !Map->OpenList(Sheet)) return 0;
  TMapList& list = Map->List;
  FVSPR* desc = Number <= list.Count() ? list.ObjectDesc(Number) : nullptr;
  if (desc == nullptr) return 0;
  const int result = ReadStored(list, desc);
  Points.Release();
  // An object that holds its group's record is shown whole again.
  if (result && Group.Head() != nullptr && IsGroup()) UnionGroupData(0, nullptr, 0);
  return result;
}

// ---------------------------------------------------------------------------
// Characteristics the classifier asks for

int TObjectInfo::AppendMustSemantic() {
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || Desc == nullptr) return 0;
  const int n = Desc->Code;
  if (n == 0) return 1;
  char text[256];
  auto has = [this](DWORD code) {
    return Semn.Record() != nullptr && Semn.Cursor()->FindCode(int(code)) != nullptr;
  };
  auto append = [&](DWORD code) {
    if (!rsc->GetDefValueSemantic(n, code, text, sizeof(text))) return 1;
    return AppendSemantic(int(code), text, int(std::strlen(text)) + 1) != 0 ? 1 : 0;
  };
  for (int which = 1; which <= 2 && rsc->GetObjLimSemCount(n) > 0; ++which) {
    const DWORD code = rsc->GetObjLimSem(n, which);
    if (code == 0 || has(code) || rsc->GetObjCanSem(n, code) == 2) continue;
    if (!append(code)) return 0;
  }
  const int must = rsc->GetObjMustSemCount(n);
  for (int i = 1; i <= must; ++i) {
    const DWORD code = rsc->GetObjMustSem(n, i);
    if (code == 0 || has(code)) continue;
    const int type = rsc->GetSemType(code);
    if (type != 16 && type != 1 && type != 12) continue;
    if (!append(code)) return 0;
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Metric check and log messages

namespace {

const char* Pick(const char* english, const char* russian) {
  return IsRussianLanguage() ? russian : english;
}

}  // namespace

int TObjectInfo::CheckMetricStructure() {
  if (Metric.Record == nullptr || Desc == nullptr) return 1;
  const LONGMETRIC* record = Metric.Record;
  if (static_cast<int32_t>(record->Ident) <= 0x7FF87FF7) {
    ErrorMessage(Pick("Object metric identifier is failed", "Ошибочный идентификатор метрики объекта"),
                 MAPLOG_ERROR, 0);
    return 0;
  }
  const char* base = reinterpret_cast<const char*>(record);
  // The walk stays within the record as it says its length is and within
  // the buffer holding it.
  int64_t length = record->Length;
  if (length > Metric.BufferSize) length = Metric.BufferSize;
  const int64_t size = MetricPointSize(record->Ident);
  const bool longCounts = (record->Flags & METRIC_LONG_COUNTS) != 0;
  const int local = FvsprLocal(Desc);
  int result = 1;
  int64_t expected = METRIC_HEADER_SIZE;
  for (int s = 0; s <= record->Count; ++s) {
    if (expected + 4 > length) break;
    DWORD word;
    std::memcpy(&word, base + expected, 4);
    const int64_t count = longCounts ? word : (word >> 16);
    expected += 4;
    const char* shortText = nullptr;
    if (local == LOCAL_LINE && count < 2)
      shortText = Pick("Line object metric has less then 2 points",
                       "Метрика линейного объекта содержит менее 2 точек");
    else if (local == LOCAL_SQUARE && count < 4)
      shortText = Pick("Square object metric has less then 4 points",
                       "Метрика площадного объекта содержит менее 4 точек");
    if (shortText != nullptr) {
      Metric.SubjectNumber = s;
      ErrorMessage(shortText, MAPLOG_ERROR, 1);
      result = 0;
    }
    if (expected + count * size > int64_t(record->Length)) break;
    expected += count * size;
  }
  if (expected != int64_t(record->Length)) {
    char text[160];
    std::snprintf(text, sizeof(text),
                  Pick("Check sum subobject metric(%d) not equal then record metric length(%d)",
                       "Фактическая длина записи (%d) не равна длине,указанной в записи (%d)"),
                  static_cast<int>(expected), static_cast<int>(record->Length));
    ErrorMessage(text, MAPLOG_ERROR, 0);
  }
  return result;
}

int TObjectInfo::ErrorMessage(const char* text, int kind, int subject) {
  if (Map == nullptr || !Map->IsActive()) return 0;
  const bool russian = IsRussianLanguage();
  const DWORD key = Desc != nullptr ? Desc->Key : 0;
  char line[160];
  // The English header begins with the Cyrillic capital O (0xCE).
  std::snprintf(line, sizeof(line), "%s%d-%s-%u/%u", russian ? "Объект : " : "\xCE" "bject : ",
                static_cast<int>(ObjectExcode()), LocalName(ObjectLocal(), 1),
                static_cast<unsigned>(key >> 16), static_cast<unsigned>(key & 0xFFFF));
  Map->WriteToLog(line, kind);
  char tail[64] = "";
  if (subject != 0)
    std::snprintf(tail, sizeof(tail), "%s%d", russian ? " подобъект : " : " subject : ",
                  static_cast<int>(Metric.SubjectNumber));
  std::strncat(tail, "\n", sizeof(tail) - std::strlen(tail) - 1);
  Map->WriteToLog(tail, MAPLOG_CONTINUE);
  Map->WriteToLog(text != nullptr ? text : "", MAPLOG_CONTINUE);
  Map->WriteToLog("\n", MAPLOG_CONTINUE);
  return 1;
}
