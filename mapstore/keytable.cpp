// The key table of a map file and its check against the classifier.
#include "mapstore/keytable.h"

#include <cstring>

#include "common/language.h"
#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/fileio.h"
#include "platform/ui.h"

namespace {

// Where the table belongs: right after the sheet records.
int64_t TableOffset(const TMap* map) {
  return int64_t(PASSPORT_LENGTH) + int64_t(LISTDESC_LENGTH) * map->Passport.ListCount;
}

}  // namespace

TMapKeyTable::~TMapKeyTable() { FreeEntries(); }

void TMapKeyTable::FreeEntries() {
  if (Entries) plat::FreePages(Entries);
  Entries = nullptr;
  EntriesSize = 0;
}

int TMapKeyTable::Build(TMap* map) {
  FreeEntries();
  std::memset(&Head, 0, sizeof(Head));
  Map = map;
  if (!map || !map->File || !map->Rsc.IsActive()) return 0;
  TMapRsc& rsc = map->Rsc;
  int count = rsc.GetObjCount();
  if (count < 1) count = 0;
  Head.Marker = KEYTABLE_MARKER;
  Head.Length = KEYTABLE_HEADLENGTH + 4 * DWORD(count + 1);
  Head.Mode = rsc.Head.Mode;
  Head.Ident = rsc.Head.Style;
  Head.RscSize = rsc.Head.Length;
  Head.Count = count;
  EntriesSize = 4 * DWORD(count + 1);
  Entries = static_cast<DWORD*>(plat::AllocPages(EntriesSize));
  if (!Entries) {
    EntriesSize = 0;
    return 0;
  }
  for (int i = 1; i <= count; ++i)
    Entries[i] = rsc.ObjIndex && DWORD(i) < rsc.ObjIndexSize ? rsc.ObjIndex[i].Excode : 0;
  return 1;
}

int TMapKeyTable::Read(TMap* map, int entries) {
  FreeEntries();
  std::memset(&Head, 0, sizeof(Head));
  Map = map;
  if (!map || !map->File || !map->Lists) return 0;
  const int64_t offset = map->Passport.KeyTableOffset;
  if (offset < TableOffset(map)) return 0;
  MAPKEYTABLE head;
  if (!plat::ReadExactAt(map->File, offset, &head, sizeof(head)) || head.Marker != KEYTABLE_MARKER)
    return 0;
  if (entries) {
    // The entries must be exactly count + 1 words, read whole.
    if (head.Count < 0 || head.Length <= KEYTABLE_HEADLENGTH ||
        uint64_t(head.Length) - KEYTABLE_HEADLENGTH != 4 * (uint64_t(head.Count) + 1))
      return 0;
    const int64_t size = plat::FileLength(map->File);
    if (size < 0 || offset + int64_t(head.Length) > size) return 0;
    const DWORD bytes = head.Length - KEYTABLE_HEADLENGTH;
    Entries = static_cast<DWORD*>(plat::AllocPages(bytes));
    if (!Entries) return 0;
    EntriesSize = bytes;
    if (!plat::ReadExactAt(map->File, offset + KEYTABLE_HEADLENGTH, Entries, bytes)) {
      FreeEntries();
      return 0;
    }
  }
  Head = head;
  return 1;
}

int TMapKeyTable::Write() {
  if (!Map || !Map->File) return 0;
  if (!Map->IsWritable()) return -1;
  if (!Entries) return 0;
  if (Map->Rsc.IsActive()) {
    Head.Mode = Map->Rsc.Head.Mode;
    Head.RscSize = Map->Rsc.Head.Length;
  }
  const int64_t offset = TableOffset(Map);
  if (offset > 0xFFFFFFFFll) return 0;
  Map->Passport.KeyTableOffset = DWORD(offset);
  Map->Passport.KeyTableLength = Head.Length;
  if (!plat::WriteExactAt(Map->File, offset, &Head, sizeof(Head)) ||
      !plat::WriteExactAt(Map->File, offset + KEYTABLE_HEADLENGTH, Entries, EntriesSize) ||
      !plat::SetFileLength(Map->File, offset + KEYTABLE_HEADLENGTH + int64_t(EntriesSize)))
    return 0;
  // The passport's reference to the table goes out with it: a table that
  // the passport on disk does not point at would never be found.
  if (!plat::WriteExactAt(Map->File, 816, &Map->Passport.KeyTableOffset, 8)) return 0;
  return 1;
}

int TMapKeyTable::LoadOrBuild(TMap* map) { return Read(map, 1) || Build(map); }

DWORD TMapKeyTable::Key(int n) const {
  if (!Entries || n < 1 || n > Head.Count || DWORD(n) * 4 >= EntriesSize) return 0;
  return Entries[n];
}

int TMapKeyTable::CheckMap(TMap* map) {
  Map = map;
  if (!map || !map->File || map->RelinkFlag) return 0;
  if (!map->IsWritable()) return -1;
  if (!map->Rsc.IsActive()) return 0;
  const bool stored = Read(map, 0) && Head.Count >= 2;
  if (stored) {
    if (Head.Ident == map->Rsc.Head.Style && Head.Count == map->Rsc.GetObjCount()) return 1;
    map->RelinkFlag = 1;
    if (MessageEnableGet()) {
      const bool ru = IsRussianLanguage();
      char text[MAX_PATH + 96];
      std::snprintf(text, sizeof(text), "%s%s ?",
                    ru ? "Перекодировать объекты карты - "
                       : "Do you want to relink map with classificator - ",
                    map->Path);
      const int answer = plat::MessageBoxA(
          nullptr, text, ru ? "Классификатор не соответствует карте" : "Classificator is changed",
          MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL);
      if (answer != IDYES) {
        map->RelinkFlag = 0;
        return 1;
      }
    }
    if (Read(map, 1)) Relink();
    map->RelinkFlag = 0;
    return 1;
  }
  if (!Build(map)) return 0;
  return Write();
}
