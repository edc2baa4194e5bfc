// A user map laid into another map's projection: every object of its sheet
// goes through geodetic coordinates into a temporary file set, which takes
// the place of the sheet's files only when every object went through; the
// map then takes the other map's projection.
#include <cstdio>
#include <vector>

#include "common/language.h"
#include "common/maperr.h"
#include "common/maperror.h"
#include "common/messages.h"
#include "mapstore/map.h"
#include "mapstore/maptemplist.h"
#include "platform/ui.h"
#include "records/dataedit.h"

namespace {

// Object n of the map's current sheet, its points taken through geodetic
// coordinates into `to`'s plane, written into the temporary set. 1, 0 when
// its descriptor cannot be read (-1) or it cannot be written (0).
int TransformObject(TMap& map, TMap& to, TMapTempList& temp, int n, TDataEdit& source,
                    TDataEdit& target, std::vector<char>& copy) {
  const FVSPR* stored = map.List.ObjectDesc(n);
  if (stored == nullptr) return -1;
  FVSPR desc = *stored;
  const int local = FvsprLocal(&desc);
  const int text = local == LOCAL_TITLE || local == LOCAL_MIXED;
  LONGMETRIC* metric = nullptr;
  if (desc.DataOffset != 0) {
    const LONGMETRIC* m = map.List.DataAddr(desc.DataOffset);
    if (m == nullptr) return -1;
    const char* bytes = reinterpret_cast<const char*>(m);
    copy.assign(bytes, bytes + m->Length);
    source.SetBuffer(copy.data(), LONG(copy.size()), text);
    const bool heights = source.DatDimension() != 0;
    if (!target.Create(int(heights ? METRIC_F64H : METRIC_F64), text)) return 0;
    const int subjects = reinterpret_cast<LONGMETRIC*>(copy.data())->Count + 1;
    for (int s = 0; s < subjects; ++s) {
      if (s > 0 && !target.CreateSubject()) return 0;
      for (char* p = source.FirstPointSubject(s); p != nullptr; p = source.NextPoint()) {
        // Stored units to plane metres here, through B, L to the other
        // map's plane, and back to stored units.
        const double x = source.XDouble() * map.Factor + map.X0;
        const double y = source.YDouble() * map.Factor + map.Y0;
        const double h = heights ? source.HDouble() : 0.0;
        double b, l, x2, y2;
        map.Translate.XY2BL(x, y, &b, &l);
        to.Translate.BL2XY(b, l, &x2, &y2);
        if (!target.AppendPointSubject(s, (x2 - map.X0) / map.Factor, (y2 - map.Y0) / map.Factor))
          return 0;
        if (heights && target.LastPointSubject(s) != nullptr) target.HDouble(h);
      }
      if (text) {
        source.FirstPointSubject(s);
        if (const char* entry = source.GetTextData()) {
          target.LastPointSubject(s);
          target.PutTextData(reinterpret_cast<const TEXTDATA*>(entry));
        }
      }
    }
    metric = target.Record;
  }
  // Semantics and graphics are copied out of the map's caches: the
  // temporary set's writes do not pass through them.
  std::vector<char> semn, draw;
  if (desc.SemnOffset != 0) {
    if (const SEMANTIC* s = map.List.SemnAddr(desc.SemnOffset))
      semn.assign(reinterpret_cast<const char*>(s), reinterpret_cast<const char*>(s) + s->Length);
  }
  if (desc.DrawOffset != 0) {
    if (const IMGDRAW* d = map.List.DrawAddr(desc.DrawOffset))
      draw.assign(reinterpret_cast<const char*>(d), reinterpret_cast<const char*>(d) + d->Length);
  }
  desc.Next = desc.Back = 0;
  const int written = temp.List.AppendObjectData(
      &desc, metric, semn.empty() ? nullptr : reinterpret_cast<SEMANTIC*>(semn.data()),
      draw.empty() ? nullptr : reinterpret_cast<IMGDRAW*>(draw.data()));
  return written > 0 || FvsprIsDeleted(&desc) ? 1 : 0;
}

}  // namespace

int TMap::TransformByMap(TMap* other) {
  if (other == nullptr || !IsRealPlace() || !ProjectionReady || !other->ProjectionReady) return 0;
  if (logHeaderFlag(&Log) >= 2) {
    HWND window = MessageWindowGet();
    if (window != nullptr && MessageEnableGet()) {
      char text[MAX_PATH + 96];
      std::snprintf(text, sizeof(text),
                    LanguageGet() == MAPLANG_RUSSIAN
                        ? "Карта уже кем-то открыта - \n%s\nПреобразование не выполнено"
                        : "Map is already open - \n%s\nCan't transformation",
                    Path);
      plat::MessageBoxA(window, text, "Обработчик ошибок", 0x2010);
    }
    return 0;
  }

  TMapTempList temp;
  if (!temp.Create(this, 1) || !OpenList(1)) return 0;
  TProgress progress;
  const char* title = LanguageGet() == MAPLANG_RUSSIAN ? "Трансформирование карты"
                                                       : "Map transformation";
  progress.Start(title);

  TDataEdit source, target;
  source.Init();
  target.Init();
  std::vector<char> copy;
  const int count = List.Count();
  bool complete = true;
  for (int n = 1; n <= count; ++n) {
    const int result = TransformObject(*this, *other, temp, n, source, target, copy);
    if (result <= 0) {
      MapError.ErrorMessage(result < 0 ? MAPERR_READ : MAPERR_WRITE, Path);
      complete = false;
      break;
    }
    if (!progress.Step(n, count)) {
      complete = false;  // the host asked to stop
      break;
    }
  }
  source.SetBuffer(nullptr, 0, 0);
  target.Free();
  progress.End();

  if (!complete) {
    temp.Delete();
    return 0;
  }
  if (!temp.Remove(0, 1, 0)) {
    temp.Delete();
    return 0;
  }
  // The sheet's files are new ones.
  ForgetSheetExtents();
  MAPREGISTEREX& mine = Passport.Register;
  const MAPREGISTEREX& theirs = other->Passport.Register;
  mine.ProjectionFlag = theirs.ProjectionFlag;
  mine.EllipsoideKind = theirs.EllipsoideKind;
  mine.MaterialProjection = theirs.MaterialProjection;
  mine.CoordinateSystem = theirs.CoordinateSystem;
  mine.MapType = theirs.MapType;
  mine.DataProjection = theirs.DataProjection;
  mine.FirstMainParallel = theirs.FirstMainParallel;
  mine.SecondMainParallel = theirs.SecondMainParallel;
  mine.AxisMeridian = theirs.AxisMeridian;
  mine.MainPointParallel = theirs.MainPointParallel;
  PassportChanged = 1;
  SetDataProjection();
  Save(1);
  return 1;
}
