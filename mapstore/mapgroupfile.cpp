// What the group file and the registers ask of an open map: rebuilding the
// group file from the objects' group numbers, group records read and
// written through the map, and corner conversions with the map's own
// transformer.
#include <cstring>

#include "mapstore/map.h"
#include "platform/fileio.h"

int TMapGroups::Restore(TMap* map, const char* name) {
  if (!Create(name)) return 0;
  if (!map) return 0;
  for (int sheet = 1; sheet <= map->Count(); ++sheet) {
    if (!map->OpenList(sheet)) continue;
    TMapList& list = map->List;
    for (LONG m = 1; m <= list.Head.Count; ++m) {
      FVSPR* desc = reinterpret_cast<FVSPR*>(list.HeadBuffer.RecordAddr(m));
      if (!desc) break;
      if (FvsprIsDeleted(desc) || desc->Reserve == 0) continue;
      if (RestoreGroup(desc->Reserve, sheet, int(m), KEY{desc->Key})) continue;
      // The object cannot join its group: it leaves it.
      FVSPR copy = *desc;
      copy.Reserve = 0;
      HANDLE hdr = list.Files[SHEET_HDR];
      if (hdr && list.IsWritable() &&
          plat::WriteExactAt(hdr, int64_t(m) * SHEET_RECORD_SIZE, &copy, sizeof(copy)))
        list.HeadBuffer.UpdateRecord(m, &copy);
    }
  }
  return Count();
}

int TObjectGroup::ReadGroup(TMap* map, int number) {
  return map ? ReadGroup(&map->Groups, number) : 0;
}

int TObjectGroup::WriteGroup(TMap* map) { return map ? WriteGroup(&map->Groups) : 0; }

int TMapRegister::GeodeticToRightAngle(COORDINATES* b, COORDINATES* l, COORDINATES* x,
                                       COORDINATES* y, int kind, TMap* map) {
  return GeodeticToRightAngleWith(b, l, x, y, kind, map ? &map->Translate : nullptr);
}

int TMapRegister::RightAngleToGeodetic(COORDINATES* x, COORDINATES* y, COORDINATES* b,
                                       COORDINATES* l, int kind, TMap* map) {
  return RightAngleToGeodeticWith(x, y, b, l, kind, map ? &map->Translate : nullptr);
}
