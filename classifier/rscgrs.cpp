// The GRS table: images of a semantic's values. Each item (GRS number)
// binds a semantic that has a value list to an image function; its entries
// hold one image per value, in ascending value order. Entries of one item
// stand together in the GRS index, which the first free entry (number 0)
// ends.
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"
#include "platform/memory.h"

namespace {

// Entries before the first free one.
DWORD GrsUsed(const TRSCDATA* d) {
  DWORD n = 0;
  while (d->GrsIndex && n < d->GrsIndexSize && d->GrsIndex[n].Number) n++;
  return n;
}

// Whether a value is in a semantic's value list.
bool ListedValue(const TRSCDATA* d, DWORD code, DWORD value) {
  const TABSEM* sem = rscFindSem(d, code);
  const TABCLS* list = sem ? rscClsList(d, sem) : nullptr;
  for (DWORD i = 0; list && i < sem->ClsCount; i++)
    if (list[i].Value == value) return true;
  return false;
}

}  // namespace

bool TMapRsc::ReserveGrsEntry() {
  const DWORD used = GrsUsed(this);
  if (GrsIndex && used + 2 <= GrsIndexSize) return true;
  const DWORD size = GrsIndexSize + RSC_INDEX_SPARE;
  auto* index = (RSCGRSINDEX*)plat::AllocPages(sizeof(RSCGRSINDEX) * size);
  if (!index) {
    ErrorCode = MAPERR_MEMORY;
    return false;
  }
  if (GrsIndex) {
    memcpy(index, GrsIndex, sizeof(RSCGRSINDEX) * used);
    plat::FreePages(GrsIndex);
  }
  GrsIndex = index;
  GrsIndexSize = size;
  return true;
}

int TMapRsc::GetGrsItemCount() {
  if (!rscQueryOpen(this)) return 0;
  return int(GrsUsed(this));
}

// Lookups ask for the image of one value of one item (of the item of a
// semantic code when the item is 0).
IMAGEVALUE* TMapRsc::GetGrsItem(int item, DWORD code, DWORD value) {
  if (!rscQueryOpen(this)) return nullptr;
  for (DWORD i = 0, used = GrsUsed(this); i < used; i++) {
    const RSCGRSINDEX& e = GrsIndex[i];
    if ((item ? e.Number == item : e.Code == code) && e.Value == value && e.Image) return e.Image;
  }
  ErrorCode = MAPERR_RSCRANGE;
  return nullptr;
}

char* TMapRsc::GetGrsItemParam(int item, DWORD value) {
  IMAGEVALUE* image = item ? GetGrsItem(item, 0, value) : nullptr;
  return image ? (char*)image + RSC_GRSITEM_HEAD : nullptr;
}

int TMapRsc::GetGrsItemFunction(int item, DWORD value) {
  IMAGEVALUE* image = item ? GetGrsItem(item, 0, value) : nullptr;
  return image ? int(image->Function) : 0;
}

int TMapRsc::AppendGrs(DWORD code, int function) {
  if (!rscQueryOpen(this)) return 0;
  const TABSEM* sem = rscFindSem(this, code);
  if (!sem || !rscClsList(this, sem)) return 0;
  const DWORD used = GrsUsed(this);
  WORD last = 0;
  for (DWORD i = 0; i < used; i++) {
    const RSCGRSINDEX& e = GrsIndex[i];
    if (e.Function == DWORD(function) || e.Code == code) return e.Number;
    if (e.Number > last) last = e.Number;
  }
  if (last == 0xFFFF || !ReserveGrsEntry()) return 0;
  RSCGRSINDEX& e = GrsIndex[used];
  e = RSCGRSINDEX{};
  e.Code = code;
  e.Number = WORD(last + 1);
  e.Function = DWORD(function);
  Modify++;
  return e.Number;
}

int TMapRsc::AppendGrsItem(int item, DWORD value, const IMAGEVALUE* image) {
  if (!rscQueryOpen(this)) return 0;
  const DWORD used = GrsUsed(this);
  DWORD first = used;
  for (DWORD i = 0; i < used && first == used; i++)
    if (GrsIndex[i].Number == item) first = i;
  if (item < 1 || first == used || !image || image->Length < DWORD(RSC_GRSITEM_HEAD) ||
      !ListedValue(this, GrsIndex[first].Code, value)) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  DWORD end = first;
  while (end < used && GrsIndex[end].Number == item) end++;
  if (!ReserveGrsEntry()) return 0;
  auto* copy = (IMAGEVALUE*)rscGetMemoryBlock(this, LONG(image->Length));
  if (!copy) {
    ErrorCode = MAPERR_MEMORY;
    return 0;
  }
  memcpy(copy, image, image->Length);

  // The value's entry, or the item's entry without an image (the one
  // AppendGrs made), takes the image; else a new entry goes in its place.
  DWORD at = end;
  for (DWORD i = first; i < end && at == end; i++)
    if (GrsIndex[i].Value == value || (!GrsIndex[i].Image && end - first == 1)) at = i;
  if (at == end) {
    at = first;
    while (at < end && LONG(GrsIndex[at].Value) < LONG(value)) at++;
    memmove(GrsIndex + at + 1, GrsIndex + at, sizeof(RSCGRSINDEX) * (used - at));
    GrsIndex[at] = GrsIndex[first == at ? at + 1 : first];
    GrsIndex[at].Flag = 0;
  }
  RSCGRSINDEX& e = GrsIndex[at];
  e.Value = value;
  e.Function = copy->Function;
  e.Image = copy;
  Modify++;
  return item;
}
