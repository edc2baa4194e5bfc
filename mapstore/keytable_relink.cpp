// Relinking a map's objects to a changed classifier: every object stores
// the classifier's internal number of its kind; the key table says which
// classification code each number had when the map was saved, and the
// objects are given the numbers those codes have now. A kind that is gone
// leaves its objects with the service object of their local type, the code
// kept in characteristic 32800 so that a later relink finds it again.
//
// Nothing is passed over in silence: a sheet that does not open, a
// descriptor that cannot be read and an object that cannot be rewritten
// are errors of the relink, reported and returned.
#include "common/language.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "mapstore/keytable.h"
#include "mapstore/map.h"
#include "mapstore/maplog.h"
#include "records/semnedit.h"

namespace {


// Fills a descriptor from classifier kind n: number, local type, layer,
// scale range and the flags that come from the classifier.
void RegisterDesc(FVSPR* desc, int n, TMapRsc& rsc) {
  desc->Code = WORD(n);
  desc->Local = BYTE((desc->Local & 0xF0) | (rsc.GetObjLocal(n) & 0x0F));
  desc->Segment = BYTE(rsc.GetObjSegment(n));
  desc->Scales = BYTE((rsc.GetObjBot(n) & 0x0F) | (((15 - rsc.GetObjTop(n)) & 0x0F) << 4));
  BYTE flags = BYTE(desc->Flags & ~(FVSPR_BOTTOP | FVSPR_SCALE | FVSPR_EXTLOC));
  if (rsc.GetObjScale(n) & 1) flags |= FVSPR_SCALE;
  if (rsc.GetObjExtloc(n) & 1) flags |= FVSPR_EXTLOC;
  desc->Flags = flags;
}

}  // namespace

int TMapKeyTable::Relink() {
  TMap* map = Map;
  if (map == nullptr || map->File == nullptr || !map->IsWritable() || !map->Rsc.IsActive())
    return 1;
  TMapRsc& rsc = map->Rsc;
  TMapList& list = map->List;
  const int sheets = map->Count();

  TProgress progress;
  progress.Start(IsRussianLanguage() ? "Перекодировка объектов карты"
                                     : "Relink map with classificator");
  TSemnEdit semantics;
  int failed = 0;
  for (int sheet = 1; sheet <= sheets; ++sheet) {
    if (!map->OpenList(sheet)) {
      // The sheet's opening reported why (once per stage); the relink
      // keeps the code.
      map->MapError.SetError(list.GetError() ? list.GetError() : MAPERR_OPEN);
      ++failed;
      continue;
    }
    // The first failure of a sheet is reported with its descriptor file.
    int sheetFailed = 0;
    auto fail = [&](int code) {
      if (!sheetFailed++)
        map->MapError.ErrorMessage(code ? code : MAPERR_WRITE, map->NameHDR(sheet));
      ++failed;
    };
    const bool edit = map->EditMode != 0;
    if (edit) map->CreateAction(ACTION_RELINK);
    // The count was checked against the file when the sheet opened.
    const int count = list.Count();
    for (int n = 1; n <= count; ++n) {
      if (sheets < 10 && count > 0) progress.Step(int64_t(sheet - 1) * count + n, int64_t(sheets) * count);
      const FVSPR* stored = list.ObjectDesc(n);
      if (stored == nullptr) {
        fail(MAPERR_READ);
        break;
      }
      FVSPR desc = *stored;
      const int old = desc.Code;
      const int local = desc.Local & 0x0F;
      // The semantics, copied: the cache may be refilled by the writes.
      semantics.Load(TObjectSemn(list.SemnAddr(desc.SemnOffset)));
      bool semnChanged = false;

      DWORD code = 0;
      if (old <= 6) {
        code = DWORD(semantics.GetObjectExcodeAndDelete());
        semnChanged = code != 0;
        if (old >= 1) desc.Segment = BYTE(rsc.GetObjSegment(old));
      } else {
        code = Key(old);
      }
      if (code == 0) continue;

      int now = rsc.GetObjIncode(code, local, TObjectSemn(semantics.Record()));
      if (now == 0) {
        const int service = rsc.GetServObjIncode(local);
        if (old == service || service == 0) continue;
        now = service;
        semantics.PutObjectExcode(LONG(code));
        semnChanged = true;
      } else if (now == old) {
        const BYTE segment = BYTE(rsc.GetObjSegment(now));
        if (segment != desc.Segment) {
          desc.Segment = segment;
          if (map->UpdateObject(n, &desc, nullptr, nullptr, nullptr) != n) fail(list.GetError());
        }
        continue;
      }

      // A range of scales of the object's own keeps its top.
      const bool ownRange = (desc.Flags & FVSPR_BOTTOP) != 0;
      const BYTE top = BYTE(desc.Scales & 0xF0);
      RegisterDesc(&desc, now, rsc);
      if (ownRange) desc.Scales = BYTE((desc.Scales & 0x0F) | top);
      SEMANTIC* record = nullptr;
      if (semnChanged) {
        semantics.CheckLength(1);
        record = semantics.Record();
      }
      if (map->UpdateObject(n, &desc, nullptr, record, nullptr) != n) fail(list.GetError());
    }
    if (edit) map->CommitAction(0);
    if (sheets >= 10) progress.Step(sheet, sheets);
  }

  // The new table is written even after a failure: the objects relinked
  // now would be relinked wrongly by the old one.
  TMapKeyTable table(map);
  int result = table.Build(map) ? table.Write() : 0;
  progress.End();
  return failed ? 0 : result;
}
