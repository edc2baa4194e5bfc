// The map's object writers and the change seam: the sheet writes an object
// and hands back a change record; the map applies it (journal, change
// callback, borders, change counter, its sheet caches) and tells its
// observers.
#include <algorithm>
#include <cstring>
#include <new>

#include "mapstore/map.h"

int TMap::AppendObject(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw) {
  if (!List.CheckAppend(desc, metric, semn, draw)) return 0;
  // A new sheet frame replaces the old one.
  if (const int frame = List.FrameToReplace(desc)) DeleteObject(frame);
  SHEETCHANGE change;
  const int number = List.AppendChecked(desc, metric, semn, draw, &change);
  ApplyChange(List, change);
  return number;
}

int TMap::UpdateObject(int n, FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw) {
  const int located = List.LocateUpdate(n, desc, metric, semn, draw);
  if (located == TMapList::UPDATE_APPENDS) return AppendObject(desc, metric, semn, draw);
  if (located == 0) return 0;
  NotifyWriting(located, CHANGE_UPDATE, FvsprIsDeleted(desc) ? CHANGE_DELETE : CHANGE_UPDATE);
  SHEETCHANGE change;
  const int result = List.RewriteObject(located, desc, metric, semn, draw, &change);
  ApplyChange(List, change);
  return result;
}

int TMap::DeleteObject(int n) {
  if (List.ObjectDesc(n) == nullptr) return 0;
  NotifyWriting(n, CHANGE_DELETE, CHANGE_DELETE);
  SHEETCHANGE change;
  const int result = List.DeleteCurrent(&change);
  ApplyChange(List, change);
  return result;
}

int TMap::UpdateObjectDraw(int n, IMGDRAW* draw) {
  SHEETCHANGE change;
  const int result = List.RewriteDraw(n, draw, &change);
  ApplyChange(List, change);
  return result;
}

int TMap::CloseList(int mode) {
  if (mode != 0 && List.PlaceholderDue()) {
    FVSPR placeholder = TMapList::PlaceholderDesc();
    AppendObject(&placeholder, nullptr, nullptr, nullptr);
  }
  return List.Close(mode);
}

bool TMap::ApplyChange(TMapList& list, const SHEETCHANGE& change) {
  // A change whose raise cannot be made now (its lock held elsewhere past
  // the wait) is in the files, journalled and told to the host all the
  // same: it is reported made, and the raise is owed, made by the next
  // raise or sheet change or as the map closes, which tells others of it.
  // Reported failed, it would be made again by a host that tries again.
  bool counted = true;
  auto count = [&] {
    if (File != nullptr && !RaiseForChange()) counted = false;
  };
  if (change.Counter == CHANGECOUNT_BEFORE) count();
  if (change.CornersGrew) {
    UpdateListBorder(1, change.EditMode);
    UpdateListGeoBorder(1);
  }
  // The current sheet's cache must not keep the old descriptor of an
  // object written through another sheet object, nor the caches the
  // sheet keeps while another one is open anything of it.
  if (change.Number != 0 && &list != &List) {
    if (List.Number() == change.Sheet) {
      List.HeadBuffer.UpdateRecord(change.Number, &change.Desc);
      // An object appended there links others to it: the index of the
      // frames forgets itself; an object written again keeps its links.
      if (change.Operation == CHANGE_APPEND)
        List.FrameIndex.Forget();
      else
        List.FrameIndex.Changed(List, change.Number, change.Desc);
    } else {
      List.KeptSheetWritten(change.Sheet);
    }
  }
  if (change.Journal) {
    ACTIONRECORD record;
    record.Key = change.Key;
    record.Number = DWORD(change.Number);
    record.Backup = change.Backup;
    record.Operation = change.Operation;
    record.Parts = change.Parts;
    record.List = static_cast<SHORT>(change.Sheet);
    logPutRecord(&Log, &record);
    if (ChangeCall != nullptr) {
      MAPCHANGERECORD call;
      call.MapTag = MapTag;
      call.Sheet = static_cast<WORD>(change.Sheet);
      call.Operation = change.CallOperation;
      call.Parts = change.Parts;
      call.Key = change.Key;
      call.Number = DWORD(change.Number);
      ChangeCall(ChangeParameter, reinterpret_cast<intptr_t>(&call));
    }
  }
  if (change.Counter == CHANGECOUNT_AFTER) count();
  if (change.FrameAppended) {
    // The sheet's extent in plane metres takes in the frame.
    list.TakeInFrame(change.Desc, Factor, X0, Y0);
    CreateMapBorder();
  }
  if (change.Number != 0) Notify(MAPNOTICE_CHANGE, &change);
  return counted;
}

// ---------------------------------------------------------------------------
// Observers

int TMap::AddObserver(MAPOBSERVERCALL call, void* context) {
  if (call == nullptr) return 0;
  for (const OBSERVER& o : Observers)
    if (o.Call == call && o.Context == context) return 0;
  try {
    Observers.push_back(OBSERVER{call, context});
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

int TMap::RemoveObserver(MAPOBSERVERCALL call, void* context) {
  for (auto o = Observers.begin(); o != Observers.end(); ++o) {
    if (call == nullptr || o->Call != call || o->Context != context) continue;
    // A notice under way walks the list by index: the entry is cleared
    // now and dropped after the notice.
    if (Notifying > 0) {
      o->Call = nullptr;
      ObserversRemoved = 1;
    } else {
      Observers.erase(o);
    }
    return 1;
  }
  return 0;
}

int TMap::ObserverCount() const {
  return int(std::count_if(Observers.begin(), Observers.end(),
                           [](const OBSERVER& o) { return o.Call != nullptr; }));
}

void TMap::NotifyWriting(int n, BYTE operation, BYTE callOperation) {
  if (Observers.empty() || List.CurrentDesc == nullptr || List.CurrentObject != n) return;
  SHEETCHANGE before;
  std::memset(&before, 0, sizeof(before));
  before.Sheet = List.Number();
  before.Number = n;
  before.Key = List.CurrentDesc->Key;
  before.Operation = operation;
  before.CallOperation = callOperation;
  before.EditMode = List.EditMode;
  before.Desc = *List.CurrentDesc;
  Notify(MAPNOTICE_WRITING, &before);
}

void TMap::Notify(int notice, const SHEETCHANGE* change) {
  if (Observers.empty()) return;
  ++Notifying;
  // By index and by copy: an observer may register another one (the list
  // may move) or unregister itself.
  for (size_t i = 0; i < Observers.size(); ++i) {
    const OBSERVER o = Observers[i];
    if (o.Call != nullptr) o.Call(o.Context, this, notice, change);
  }
  if (--Notifying == 0 && ObserversRemoved) {
    std::erase_if(Observers, [](const OBSERVER& o) { return o.Call == nullptr; });
    ObserversRemoved = 0;
  }
}
