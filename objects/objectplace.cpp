// Writing an object across sheets: every sheet keeps only what lies inside
// its frame object. An object inside one sheet is written whole there; a
// line or area that crosses sheet frames is cut by each frame it meets and
// its pieces are written into their sheets as one group. Nothing stored is
// lost on the way: the call notes each object it appends, rewrites or
// deletes, and a failure takes those writes back, so that the object stays
// as it was stored.
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "classifier/maprsc.h"
#include "common/language.h"
#include "common/maperror.h"
#include "mapstore/map.h"
#include "objects/cutservice.h"
#include "objects/mapframe.h"
#include "objects/objectinfo.h"

namespace {

// How near a frame contour counts as on it when cutting.
constexpr double kCutPrecision = 0.001;
// Area pieces smaller than this (square sheet units) are not written.
constexpr double kSliverArea = 2.0;
// Largest metric record the cutting takes.
constexpr DWORD kMetricLimit = 0x1000000;

// The writes of one call, to be taken back when the call fails.
class TPlaceUndo {
 public:
  explicit TPlaceUndo(TMap* map) : Map(map) {}
  TPlaceUndo(const TPlaceUndo&) = delete;
  TPlaceUndo& operator=(const TPlaceUndo&) = delete;

  // An object the call appended.
  void Appended(int sheet, int number) { Steps.push_back(STEP{APPENDED, sheet, number, nullptr}); }
  // A stored object the call is about to rewrite: its records are kept.
  // false when they cannot be read (the object is then not to be written).
  bool Rewriting(int sheet, int number) {
    auto saved = std::make_unique<TObjectInfo>();
    saved->Object(Map, sheet, number);
    if (saved->Desc == nullptr) return false;
    Steps.push_back(STEP{REWRITTEN, sheet, number, std::move(saved)});
    return true;
  }
  // A stored object the call deleted.
  void Deleted(int sheet, int number) { Steps.push_back(STEP{DELETED, sheet, number, nullptr}); }

  // Takes the writes back, the last first.
  void Undo() {
    for (auto step = Steps.rbegin(); step != Steps.rend(); ++step) {
      if (!Map->OpenList(step->Sheet)) continue;
      switch (step->Kind) {
        case APPENDED:
          Map->DeleteObject(step->Number);
          break;
        case REWRITTEN: {
          TObjectInfo& o = *step->Saved;
          Map->UpdateObject(step->Number, o.Desc, o.Metric.Record, o.Semn.Record(),
                            o.Draw.Record());
          break;
        }
        case DELETED: {
          FVSPR desc;
          if (Map->List.ReadObjectDesc(step->Number, &desc) != 0) break;
          TObjectDesc(&desc).Cancel(0);
          Map->UpdateObject(step->Number, &desc, nullptr, nullptr, nullptr);
          break;
        }
      }
    }
    Steps.clear();
  }

 private:
  enum { APPENDED, REWRITTEN, DELETED };
  struct STEP {
    int Kind;
    int Sheet;
    int Number;
    std::unique_ptr<TObjectInfo> Saved;
  };
  TMap* Map;
  std::vector<STEP> Steps;
};

// A worker of the cutting service, freed with the call.
struct TCutter {
  const OBJECTCUTSERVICE* Service;
  void* Worker;
  explicit TCutter(const OBJECTCUTSERVICE* service)
      : Service(service), Worker(service ? service->CreateCutter() : nullptr) {}
  ~TCutter() {
    if (Worker != nullptr) Service->FreeCutter(Worker);
  }
  TCutter(const TCutter&) = delete;
  TCutter& operator=(const TCutter&) = delete;
};

// A metric buffer of the call, freed with it.
struct TWorkMetric {
  TDataEdit Metric;
  TWorkMetric() { Metric.Init(); }
  ~TWorkMetric() { Metric.Free(); }
  TWorkMetric(const TWorkMetric&) = delete;
  TWorkMetric& operator=(const TWorkMetric&) = delete;
};

// The flags word of the object's metric given to a metric that is written;
// the bit that says how the record's own point counts are stored stays the
// record's.
void RestoreFlags(TDataEdit& metric, WORD flags) {
  if (metric.Record == nullptr) return;
  const WORD own = metric.Record->Flags & METRIC_LONG_COUNTS;
  metric.Record->Flags = WORD((flags & ~WORD(METRIC_LONG_COUNTS)) | own);
}

// A metric moved into another sheet by `delta` (sheet units): integer
// kinds become the float kind the map keeps first, so that the fraction of
// the shift is not cut off.
bool ShiftMetric(TDataEdit& metric, const TMap* map, const DOUBLEPOINT& delta) {
  if (metric.Record == nullptr) return false;
  const DWORD kind = metric.Record->Ident;
  if (kind != METRIC_F32 && kind != METRIC_F64 && kind != METRIC_F32H && kind != METRIC_F64H) {
    const int target = TObjectInfo::NormalKind(map, int(ObjectKindIs3D(kind) ? METRIC_F32H
                                                                              : METRIC_F32));
    if (!metric.ChangeKind(target)) return false;
  }
  if (delta.X == 0 && delta.Y == 0) return true;
  return metric.RelocateObject(&delta) != 0;
}

const char* Pick(const char* english, const char* russian) {
  return IsRussianLanguage() ? russian : english;
}

}  // namespace

int TObjectInfo::InsideObjectList(const DFRAME* object, const DFRAME* sheet) {
  if (object == nullptr || sheet == nullptr) return 0;
  if (object->X2 < sheet->X1 || object->X1 > sheet->X2 || object->Y2 < sheet->Y1 ||
      object->Y1 > sheet->Y2)
    return 0;
  if (object->X1 > sheet->X1 && object->Y1 > sheet->Y1 && object->X2 < sheet->X2 &&
      object->Y2 < sheet->Y2)
    return 2;
  return 1;
}

int TObjectInfo::CommitWithPlace(int mode, int place, TNewObjectsList* list) {
  if (Desc == nullptr || Map == nullptr) {
    Error = MAPERR_INPUT;
    return 0;
  }
  if (Number != 0 && Points.Count() > 0) {
    Points.Info = this;
    Points.UpdatePoints();
  }
  if (mode == 0) {
    if (Metric.Record != nullptr) Metric.ChangedFlag = 1;
    if (Semn.Record() != nullptr) Semn.SetChanged(1);
    if (Draw.Record() != nullptr) Draw.SetChanged(1);
  }
  return CommitNewObject(place, list);
}

int TObjectInfo::CommitNewObject(int place, TNewObjectsList* list) {
  Error = 0;
  if (Map == nullptr || Desc == nullptr || Metric.Record == nullptr ||
      Metric.Record->Length > kMetricLimit) {
    Error = MAPERR_INPUT;
    return 0;
  }
  const WORD flags = Metric.Record->Flags;
  double startArea = 0.0;
  if (list != nullptr) {
    list->Clear();
    startArea = Square();
  }

  // A user map and a sheet frame are written where they stand.
  if (Map->IsRealPlace() || Desc->Code == OBJECT_SERVICE_FRAME) {
    const int n = Commit(1);
    if (n != 0 && list != nullptr) list->AddObject(Sheet, n);
    return n;
  }

  const int local = FvsprLocal(Desc);
  if (Number == 0) Desc->Reserve = 0;
  const bool metricChanged = Number == 0 || Metric.ChangedFlag != 0;
  DFRAME frame{};
  if (!metricChanged) {
    frame = DFRAME{double(Desc->X1), double(Desc->Y1), double(Desc->X2), double(Desc->Y2)};
  } else {
    if (local == LOCAL_SQUARE) Metric.AbridgeObject(0);
    if (!Metric.Dimensions(&frame)) {
      Error = MAPERR_INPUT;
      return 0;
    }
  }

  // The group the object belongs to, and a working copy of its record.
  int group = Desc->Reserve;
  if (group != 0 && Group.Number() != group && !Group.ReadGroup(Map, group)) group = 0;
  TObjectGroup work;
  if (group != 0 && !work.Load(Group.Head())) {
    Error = MAPERR_MEMORY;
    return 0;
  }

  // Only the semantics or the graphics changed: written to every member.
  if (!metricChanged) return CommitGroup(1, 1) ? 1 : 0;

  const OBJECTCUTSERVICE* service = ObjectCutService();
  if (service == nullptr) {
    Error = MAPERR_NOLIBRARY;
    return 0;
  }
  TCutter cutter(service);
  if (cutter.Worker == nullptr) {
    Error = MAPERR_MEMORY;
    return 0;
  }

  const int sheets = Map->Count();
  const int own = Sheet >= 1 && Sheet <= sheets ? Sheet : 1;
  const int ownNumber = Number;
  const DOUBLEPOINT ownOrigin = Origin;
  const DWORD ownKey = Desc->Key;
  const bool existingGroup = group != 0;
  TPlaceUndo undo(Map);
  TObjectGroup savedGroup;  // the record as it was, written back on failure
  if (existingGroup && !savedGroup.Load(work.Head())) {
    Error = MAPERR_MEMORY;
    return 0;
  }
  bool groupWritten = false;
  bool groupTried = false;
  int newGroup = 0;  // a group made by this call

  TWorkMetric frameBuffer;
  TDataEdit& frameMetric = frameBuffer.Metric;
  TObjectInfo piece;
  TObjectInfo first;  // the object written first: this object afterwards
  bool haveFirst = false;
  int written = 0;
  int outside = 0;
  bool firstPointInside = false;
  bool ownKept = false;  // the stored object was rewritten in place or deleted
  bool failed = false;
  bool done = false;

  // Everything the call wrote is taken back and the object stays stored
  // as it was; the code is kept.
  auto fail = [&](int code) {
    Error = code;
    failed = true;
    done = true;
  };

  for (int k = 0; k < sheets && !done; ++k) {
    const int sheet = (own - 1 + k) % sheets + 1;
    if (place != 0 && sheet != place) continue;
    if (!Map->OpenList(sheet)) continue;
    DOUBLEPOINT origin{0.0, 0.0};
    if (const DOUBLEPOINT* position = Map->ViewPosition(sheet)) origin = *position;
    if (Map->MapType() != 0 && local != LOCAL_POINT) {
      const DFRAME shifted = {frame.X1 + ownOrigin.X, frame.Y1 + ownOrigin.Y,
                              frame.X2 + ownOrigin.X, frame.Y2 + ownOrigin.Y};
      const DFRAME* sheetFrame = Map->ListFrame(sheet);
      if (sheetFrame != nullptr && InsideObjectList(&shifted, sheetFrame) == 0) {
        ++outside;
        continue;
      }
    }

    // The sheet's frame object, built when it is missing.
    if (Map->GetFrameDesc() == nullptr && Map->Rsc.IsActive()) {
      TObjectInfo frameObject;
      TMapFrame builder;
      if (builder.CreateFrameMap(Map, sheet, Map->Rsc.GetFrameCodeEx(), &frameObject))
        builder.AppendFrame();
      Map->OpenList(sheet);
    }
    const FVSPR* frameDesc = Map->GetFrameDesc();
    if (frameDesc == nullptr) {
      if (sheets == 1) {
        const int n = Commit(1);
        if (n != 0 && list != nullptr) list->AddObject(Sheet, n);
        return n;
      }
      continue;
    }
    const int frameNumber = Map->GetListFrameNumber(sheet);
    FVSPR frameCopy = *frameDesc;
    const LONGMETRIC* frameRecord = Map->List.DataAddr(frameCopy.DataOffset);
    if (frameRecord == nullptr || !frameMetric.Load(frameRecord, 0)) continue;
    if (!frameMetric.GetExclusiveSubject(0)) {
      frameMetric.SetExclusiveSubject(0, 1);
      Map->UpdateObject(frameNumber, &frameCopy, frameMetric.Record, nullptr, nullptr);
    }
    // The frame in the object's coordinates.
    if (sheet != own &&
        !ShiftMetric(frameMetric, Map, DOUBLEPOINT{origin.X - ownOrigin.X, origin.Y - ownOrigin.Y})) {
      fail(MAPERR_INPUT);
      break;
    }
    DFRAME sheetExtent;
    frameMetric.Dimensions(&sheetExtent);
    int relation = InsideObjectList(&frame, &sheetExtent);
    if (relation == 0) {
      ++outside;
      continue;
    }
    const int crossed = service->IsCut(cutter.Worker, &frameMetric, &Metric, kCutPrecision);
    if (!crossed) relation = 2;

    // Wholly inside this sheet's frame: the object goes here whole.
    auto writeWhole = [&](bool leaveGroup) {
      int n = 0;
      if (sheet == own) {
        const WORD reserve = Desc->Reserve;
        if (existingGroup && leaveGroup) Desc->Reserve = 0;
        RestoreFlags(Metric, flags);
        if (ownNumber != 0 && !undo.Rewriting(sheet, ownNumber)) {
          Desc->Reserve = reserve;
          return 0;
        }
        n = Commit(1);
        if (n == 0) {
          // A rewrite that failed part way is taken back with the rest.
          Desc->Reserve = reserve;
          return 0;
        }
        if (ownNumber == 0) undo.Appended(sheet, n);
        else ownKept = true;
      } else {
        piece.Object(this);
        piece.Points.Release();
        piece.ListNumber(sheet);
        if (!ShiftMetric(piece.Metric, Map,
                        DOUBLEPOINT{ownOrigin.X - origin.X, ownOrigin.Y - origin.Y})) {
          fail(MAPERR_INPUT);
          return 0;
        }
        piece.Metric.ChangedFlag = 1;
        TObjectDesc(piece.Desc).DatKind(int(piece.Metric.Record->Ident));
        piece.Desc->Key = 0;
        piece.Number = 0;
        if (existingGroup && leaveGroup) piece.Desc->Reserve = 0;
        RestoreFlags(piece.Metric, flags);
        if (!Map->OpenList(sheet) || (n = piece.Commit(1)) == 0) return 0;
        undo.Appended(sheet, n);
        first.Object(&piece);
        haveFirst = true;
      }
      if (list != nullptr) list->AddObject(sheet, n);
      return n;
    };

    if (relation == 2 && written == 0 &&
        (!crossed || service->InsideSubject(&frameMetric, &Metric, 0))) {
      if (writeWhole(false) == 0) {
        if (!failed) fail(OBJECT_ERR_PIECE);
        break;
      }
      written = 1;
      done = true;
      break;
    }

    if (!firstPointInside && Metric.GoPointSubject(1, 0) != nullptr) {
      const DOUBLEPOINT p{Metric.XDouble(), Metric.YDouble()};
      if (frameMetric.Inside(&p, 0) == 1) firstPointInside = true;
    }

    // Lines and areas are cut by the frame.
    bool handled = false;
    int here = 0;  // pieces written into this sheet
    if ((local == LOCAL_LINE || local == LOCAL_SQUARE) &&
        service->LoadCut(cutter.Worker, &frameMetric, &Metric, local == LOCAL_SQUARE ? 1 : 0,
                         kCutPrecision)) {
      handled = true;
      for (TDataEdit* cut = service->NextPiece(cutter.Worker); cut != nullptr && !done;
           cut = service->NextPiece(cutter.Worker)) {
        if (local == LOCAL_SQUARE && cut->Square() < kSliverArea) continue;
        ++here;
        piece.Object(this);
        piece.Points.Release();
        piece.ListNumber(sheet);
        if (!piece.Metric.Load(cut->Record, 0)) {
          fail(MAPERR_MEMORY);
          break;
        }
        if (sheet != own) {
          if (!ShiftMetric(piece.Metric, Map,
                          DOUBLEPOINT{ownOrigin.X - origin.X, ownOrigin.Y - origin.Y})) {
            fail(MAPERR_INPUT);
            break;
          }
          piece.Number = 0;
        } else if (here > 1) {
          piece.Number = 0;
        }
        piece.Metric.ChangedFlag = 1;
        TObjectDesc(piece.Desc).DatKind(int(piece.Metric.Record->Ident));
        if (piece.Number == 0) piece.Desc->Key = 0;

        // The pieces of an object cut before take the numbers of the
        // group's members in this sheet, in turn.
        bool member = false;
        if (group != 0 && newGroup == 0) {
          piece.Desc->Key = 0;
          piece.Number = 0;
          const int number = work.ObjectNumber(sheet, here);
          FVSPR stored;
          if (number != 0 && Map->OpenList(sheet) && Map->List.ReadObjectDesc(number, &stored) == 0) {
            *piece.Desc = stored;
            TObjectDesc view(piece.Desc);
            if (TMapRsc* rsc = Map->Rsc.IsActive() ? &Map->Rsc : nullptr)
              view.RegisterDesc(Desc->Code, rsc);
            piece.Desc->Scales = Desc->Scales;
            view.IsBotTop(TObjectDesc(Desc).IsBotTop());
            view.DatKind(int(piece.Metric.Record->Ident));
            piece.Number = number;
            member = true;
          }
        } else if (group == 0 && !groupTried) {
          // The first piece makes the group (when the map keeps groups).
          groupTried = true;
          TObjectGroup made;
          if (made.Create(0, 0)) {
            const int number = made.WriteGroup(Map);
            if (number != 0 && work.Load(made.Head())) group = newGroup = number;
          }
        }
        piece.Desc->Reserve = WORD(group);

        RestoreFlags(piece.Metric, flags);
        if (!Map->OpenList(sheet)) {
          fail(OBJECT_ERR_PIECE);
          break;
        }
        const int before = piece.Number;
        if (before != 0 && !undo.Rewriting(sheet, before)) {
          fail(OBJECT_ERR_PIECE);
          break;
        }
        const int n = piece.Commit(1);
        if (n == 0) {
          fail(OBJECT_ERR_PIECE);
          break;
        }
        if (before == 0) undo.Appended(sheet, n);
        if (sheet == own && n == ownNumber && ownNumber != 0) ownKept = true;
        if (list != nullptr) list->AddObject(sheet, n);
        ++written;
        if (!member && group != 0) {
          if (!work.AppendObject(sheet, NUMBERKEY{DWORD(n), KEY{piece.Desc->Key}}) ||
              !work.WriteGroup(Map)) {
            fail(MAPERR_WRITE);
            break;
          }
          groupWritten = true;
        }
        if (!haveFirst) {
          first.Object(&piece);
          haveFirst = true;
        }
      }
      if (done) break;

      const int state = service->CutState(cutter.Worker);
      if (state >= 2) {
        char text[160];
        std::snprintf(text, sizeof(text),
                      Pick("Refusal of record of object(metrics error): list %d, object %d (%i/%i)",
                           "Отказ от записи объекта(ошибка в метрике): лист %d, объект %d (%i/%i)"),
                      own, ownNumber, int(ownKey >> 16), int(ownKey & 0xFFFF));
        ErrorMessage(text, MAPLOG_ERROR, 0);
        fail(state);
        break;
      }

      // Members of an earlier cut beyond the pieces of this sheet go.
      if (group != 0 && newGroup == 0) {
        bool removed = false;
        for (int i = work.ObjectCount(sheet); i > here; --i) {
          const int number = work.ObjectNumber(sheet, i);
          if (number == 0) continue;
          work.DeleteObject(sheet, number);
          removed = true;
          if (!Map->OpenList(sheet)) continue;
          const FVSPR* stored = Map->List.ObjectDesc(number);
          if (stored == nullptr || FvsprIsDeleted(stored)) continue;
          if (!Map->DeleteObject(number)) {
            fail(MAPERR_WRITE);
            break;
          }
          undo.Deleted(sheet, number);
          if (sheet == own && number == ownNumber) ownKept = true;
        }
        if (done) break;
        if (removed) {
          if (!work.WriteGroup(Map)) {
            fail(MAPERR_WRITE);
            break;
          }
          groupWritten = true;
        }
      }
    }

    // Neither cut nor outside: the object goes whole into the sheet that
    // holds its first point.
    if (!handled && here == 0 && written == 0) {
      if (!firstPointInside) {
        ++outside;
        continue;
      }
      firstPointInside = false;
      if (writeWhole(true) == 0) {
        if (!failed) fail(OBJECT_ERR_PIECE);
        break;
      }
      written = -1;
      done = true;
    }
  }
  if (!failed && written == 0 && outside == sheets) {
    Map->OpenList(own);
    Error = OBJECT_ERR_OUTSIDE;
    return -2;
  }

  // The stored object goes last, when all of it was written elsewhere.
  if (!failed && written != 0 && ownNumber != 0 && !ownKept) {
    if (!Map->OpenList(own) || !Map->DeleteObject(ownNumber)) fail(MAPERR_WRITE);
  }

  if (failed) {
    undo.Undo();
    if (newGroup != 0) Map->Groups.DeleteGroup(newGroup);
    if (groupWritten && existingGroup) savedGroup.WriteGroup(Map);
    if (list != nullptr) list->Clear();
    Map->OpenList(own);
    return 0;
  }

  if (list != nullptr && local == LOCAL_SQUARE && written != 0) {
    double sum = 0.0;
    TObjectInfo reader;
    for (int i = 1; i <= list->GetObjectCount(); ++i) {
      NEWOBJECT* entry = list->GetData(i);
      reader.Object(Map, entry->Sheet, entry->Object);
      if (reader.Desc == nullptr) continue;
      entry->Key = reader.ObjectKey();
      sum += reader.Square();
    }
    list->Procent = startArea > 0 ? std::fabs(startArea - sum) * 100.0 / startArea : 0.0;
  }

  if (haveFirst) {
    Object(&first);
    if (group != 0 && Desc != nullptr && Desc->Reserve == group) Group.Load(work.Head());
  }
  // A group left with one object is no group.
  if (group != 0 && work.Head() != nullptr && work.Head()->Count == 1 && work.Total() == 1 &&
      IsGroup())
    DeleteAllObjectFromGroup();

  if (written == 0) Error = MAPERR_INPUT;
  Map->OpenList(Sheet);
  return written != 0 ? written : -2;
}
