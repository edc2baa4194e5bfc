// Compaction of the object kinds (deleted kinds removed for good) and the
// synchronisation of an open classifier with its file.
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "platform/fileio.h"
#include "platform/memory.h"

int TMapRsc::Press() {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  ErrorCode = 0;
  const int count = int(Head.Tables[RSC_OBJ].Count);

  // The new number of every old one (0: dropped), in one block taken
  // before anything changes.
  auto* renumber = (DWORD*)plat::AllocPages(sizeof(DWORD) * (size_t(count) + 2));
  if (!renumber) {
    ErrorCode = MAPERR_MEMORY;
    return 0;
  }
  for (int n = 1; n < 16 && n <= count; n++) renumber[n] = DWORD(n);

  // 1. Kinds with a code move down over the deleted ones; their records and
  //    images take the new number.
  int t = 16;
  for (int n = 16; n <= count; n++) {
    RSCOBJINDEX& e = ObjIndex[n];
    if (!e.Obj || e.Excode == 0) continue;
    if (n > t) {
      ObjIndex[t] = e;
      RSCOBJINDEX& moved = ObjIndex[t];
      moved.Obj->Incode = DWORD(t);
      if (moved.Par) moved.Par->Number = WORD(t);
      if (moved.Prn) moved.Prn->Number = WORD(t);
    }
    renumber[n] = DWORD(t);
    t++;
  }

  // 2. The table ends after the last kind kept.
  const int kept = t - 1;
  const bool dropped = kept < count;
  if (dropped) {
    for (int n = t; n <= count; n++) ObjIndex[n] = RSCOBJINDEX{};
    ObjSpare += DWORD(count - kept);
    Head.Tables[RSC_OBJ].Count = DWORD(kept < 0 ? 0 : kept);
    DWORD length = 0;
    for (int n = 1; n <= kept; n++)
      if (ObjIndex[n].Obj) length += ObjIndex[n].Obj->Length;
    Head.Tables[RSC_OBJ].Length = length;
    Head.Style++;
    Modify++;
  }

  // 3. Object-specific defaults follow their kinds; those of dropped kinds
  //    and of kinds that can't carry the semantic go. Defaults for every
  //    kind (object 0) stay whatever the kinds are.
  TABSEM* sem = rscSemTable(this);
  const DWORD semCount = sem ? Head.Tables[RSC_SEM].Count : 0;
  for (DWORD i = 0; i < semCount; i++) {
    TABDEF* def = rscDefList(this, sem + i);
    for (DWORD j = 0; def && j < sem[i].DefCount; j++) {
      const DWORD k = def[j].Object;
      if (k < 16) continue;
      const DWORD to = k <= DWORD(count) && renumber[k] ? renumber[k] : DWORD(count) + 1;
      if (to != k) {
        def[j].Object = to;
        Modify++;
      }
    }
    // DeleteDef works on the first record of a code: a later record with
    // the same code (a damaged file) keeps its list as it is.
    const DWORD code = sem[i].Code;
    const bool first = rscFindSem(this, code) == sem + i;
    for (DWORD j = 0; def && first && j < sem[i].DefCount;) {
      const DWORD object = def[j].Object;
      if (object == 0 || GetObjCanSem(int(object), code) != 0 || !DeleteDef(int(object), code)) {
        j++;
        continue;
      }
      def = rscDefList(this, sem + i);  // DeleteDef moved the later entries up
      j = 0;
    }
  }
  plat::FreePages(renumber);

  // 4. The flags keep only series membership (the queries find a member's
  //    limits through it); codes of semantics that are gone leave the
  //    kinds' semantics records.
  for (int n = 1; n <= kept; n++) {
    RSCOBJINDEX& e = ObjIndex[n];
    e.Flags = e.Series && e.Lim ? RSCINDEX_SERIES : 0;
    for (int i = 0; e.Pos && i < e.Pos->Must + e.Pos->Pos;) {
      const DWORD code = rscPosCode(e.Pos, i);
      if (!rscFindSem(this, code) && DeletePosSemantic(n, code, 0))
        continue;
      i++;
    }
  }
  ErrorCode = 0;
  return 1;
}

int TMapRsc::AdjustData() {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  ErrorCode = 0;
  const int messages = MessageEnableSet(0);
  const int saved = Save(0);
  MessageEnableSet(messages);
  if (saved >= 1) return 1;

  if (!File || File == INVALID_HANDLE_VALUE) return 0;
  RSCHEAD head;
  if (!plat::ReadExactAt(File, 0, &head, sizeof head)) return 0;
  // The file keeps the save stamp in 16 bits.
  const bool stamp = head.Mode == Head.Mode || head.Mode == (Head.Mode & 0xFFFFu);
  if (stamp && head.Style <= Head.Style) return 1;
  return rscRevert(this) ? -1 : 0;
}
