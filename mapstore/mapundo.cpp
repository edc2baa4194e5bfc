// Undo of the newest journal action: each object operation of the action is
// reversed, from its last record to its first. Every object is copied
// before its reversal is written, so that a write that fails can be taken
// back whole: the map is then as it was before the undo, and the action
// stays to be undone.
#include <algorithm>
#include <new>
#include <vector>

#include "common/language.h"
#include "common/messages.h"
#include "mapstore/map.h"

namespace {

// An object as it was before the undo wrote it.
struct SAVEDOBJECT {
  int Sheet;
  int Number;
  FVSPR Desc;
  bool Records; // the records below were copied (a restored version)
  std::vector<char> Metric, Semn, Draw;
};

void CopyRecord(const void *record, DWORD length, std::vector<char> &out) {
  out.clear();
  if (record == nullptr)
    return;
  const char *bytes = static_cast<const char *>(record);
  out.assign(bytes, bytes + length);
}

template <typename T> T *RecordOf(std::vector<char> &bytes) {
  return bytes.empty() ? nullptr : reinterpret_cast<T *>(bytes.data());
}

} // namespace

int TMap::AbolitionLastAction() {
  if (Log.File == nullptr || !Log.IsWrite)
    return 0;
  ACTIONHEAD head;
  const int action = logReadLastAction(&Log, &head);
  if (action == 0 || head.Count == 0)
    return 0;

  // The records are read before the undo's own action is opened. A record
  // that cannot be read stops the undo before anything is written.
  std::vector<ACTIONRECORD> records;
  try {
    records.resize(head.Count);
  } catch (const std::bad_alloc &) {
    return 0;
  }
  for (int i = 1; i <= head.Count; ++i)
    if (!logGetActionRecord(&Log, i, &records[i - 1]))
      return 0;

  if (!logCreateAction(&Log, ACTION_UNDO))
    return 0;
  TProgress progress;
  progress.Start(LanguageGet() == MAPLANG_RUSSIAN ? "Отмена операции"
                                                  : "Undo action ...");

  std::vector<SAVEDOBJECT> saved;
  // Backup copies used up by restored versions (the restored one and the
  // newer ones of the object, as they were before the undo wrote a copy of
  // its own), marked once all is written.
  struct USEDCOPY {
    int Sheet;
    int Index;
  };
  std::vector<USEDCOPY> used;
  int done = 0;
  bool failed = false;
  for (int i = head.Count; i >= 1 && !failed; --i) {
    progress.Step(head.Count - i + 1, head.Count);
    const ACTIONRECORD &r = records[i - 1];
    // A record that names nothing there is now is skipped; one whose
    // object or copy cannot be read fails the undo like a failed write.
    const int sheet = r.List;
    if (sheet < 1 || sheet > Count())
      continue;
    if (List.Number() != sheet && !OpenList(sheet)) {
      failed = true;
      break;
    }
    int number = int(r.Number);
    if (number < 1 || number > List.Count())
      continue;
    const FVSPR *desc = List.ObjectDesc(number);
    if (desc == nullptr) {
      failed = true;
      break;
    }
    if (desc->Key != r.Key) {
      // The number holds another object now: the object is found by key.
      number = 0;
      for (int n = 1, count = List.Count(); n <= count && !failed; ++n) {
        const FVSPR *d = List.ObjectDesc(n);
        if (d == nullptr)
          failed = true;
        else if (d->Key == r.Key)
          number = n;
        if (number != 0)
          break;
      }
      if (failed)
        break;
      if (number == 0)
        continue;
      desc = List.ObjectDesc(number);
      if (desc == nullptr) {
        failed = true;
        break;
      }
    }
    const int operation =
        FvsprIsDeleted(desc) ? int(CHANGE_DELETE) : int(r.Operation);
    if (operation != CHANGE_APPEND && operation != CHANGE_DELETE &&
        operation != CHANGE_UPDATE)
      continue;

    const FVSPR current = *desc;
    BACKCOPY copy;
    if (operation == CHANGE_UPDATE) {
      const int k = int(r.Backup);
      if (k < 1)
        continue; // no saved version to go back to
      if (List.Backs[SHEET_HDR] == nullptr && !List.OpenBackFiles()) {
        failed = true;
        break;
      }
      if (k > List.GetBackObjectCount())
        continue;
      FVSPR named;
      if (List.ReadBackObject(k, reinterpret_cast<char *>(&named)) == nullptr) {
        failed = true;
        break;
      }
      if (FvsprIsDeleted(&named) || named.Key != current.Key)
        continue; // used up, or not its
      if (List.RestoreBackObject(k, current, &copy) == 0) {
        failed = true;
        break;
      }
      try {
        for (int j = List.GetBackObjectCount(); j >= k; --j) {
          FVSPR c;
          if (List.ReadBackObject(j, reinterpret_cast<char *>(&c)) == nullptr) {
            failed = true;
            break;
          }
          if (!FvsprIsDeleted(&c) && c.Key == current.Key)
            used.push_back(USEDCOPY{sheet, j});
        }
      } catch (const std::bad_alloc &) {
        failed = true;
      }
      if (failed)
        break;
    }

    // The object as it is now, to be put back should a write fail.
    try {
      saved.push_back(SAVEDOBJECT{
          sheet, number, current, operation == CHANGE_UPDATE, {}, {}, {}});
      if (operation == CHANGE_UPDATE) {
        SAVEDOBJECT &s = saved.back();
        const LONGMETRIC *m = List.DataAddr(current.DataOffset);
        CopyRecord(m, m ? m->Length : 0, s.Metric);
        const SEMANTIC *sm = List.SemnAddr(current.SemnOffset);
        CopyRecord(sm, sm ? sm->Length : 0, s.Semn);
        const IMGDRAW *dr = List.DrawAddr(current.DrawOffset);
        CopyRecord(dr, dr ? dr->Length : 0, s.Draw);
        // A record that could not be read could not be put back.
        if ((current.DataOffset != 0 && m == nullptr) ||
            (current.SemnOffset != 0 && sm == nullptr) ||
            (current.DrawOffset != 0 && dr == nullptr)) {
          saved.pop_back();
          failed = true;
          break;
        }
      }
    } catch (const std::bad_alloc &) {
      failed = true;
      break;
    }

    int written = 0;
    switch (operation) {
    case CHANGE_APPEND:
      written = DeleteObject(number);
      break;
    case CHANGE_DELETE: {
      FVSPR undeleted = current;
      undeleted.Flags &= ~FVSPR_DELETED;
      written = UpdateObject(number, &undeleted, nullptr, nullptr, nullptr);
      break;
    }
    default:
      written = UpdateObject(
          number, &copy.Desc, RecordOf<LONGMETRIC>(copy.Metric),
          RecordOf<SEMANTIC>(copy.Semn), RecordOf<IMGDRAW>(copy.Draw));
      break;
    }
    if (written == 0) {
      failed = true;
      break;
    }
    ++done;
  }

  if (!failed) failed = !logCommitAction(&Log) || !logAbolitionAction(&Log, action);
  if (failed) {
    // Every object written (and the one whose write failed) is put back
    // as it was, the newest first; the writes belong to an undo action, so
    // that no later undo takes them for an edit.
    if (!Log.IsActionOpen)
      logCreateAction(&Log, ACTION_UNDO);
    for (auto s = saved.rbegin(); s != saved.rend(); ++s) {
      if (List.Number() != s->Sheet && !OpenList(s->Sheet))
        continue;
      FVSPR desc = s->Desc;
      if (s->Records)
        UpdateObject(s->Number, &desc, RecordOf<LONGMETRIC>(s->Metric),
                     RecordOf<SEMANTIC>(s->Semn), RecordOf<IMGDRAW>(s->Draw));
      else
        UpdateObject(s->Number, &desc, nullptr, nullptr, nullptr);
    }
    logCommitAction(&Log);
    return 0;
  }

  // The restored versions and the newer ones are used up: stepping back
  // through an object's copies starts before them.
  for (const USEDCOPY &u : used) {
    if (List.Number() != u.Sheet && !OpenList(u.Sheet))
      continue;
    List.MarkBackObject(u.Index);
  }
  return done;
}
