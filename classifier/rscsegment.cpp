// Layers: records of 60 bytes in memory, found by their number byte.
#include <cstdio>
#include <cstring>

#include "classifier/maprsc.h"
#include "common/maperr.h"

int TMapRsc::AppendSeg(const RSCSEG* seg) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!seg) return 0;
  char name[32] = {};
  memcpy(name, seg->Name, strnlen(seg->Name, 31));
  if (GetElementbyName(name, 1) != 0) {
    ErrorCode = RSCERR_SEGNAME;
    return 0;
  }
  ErrorCode = 0;
  const DWORD count = Head.Tables[RSC_SEG].Count;
  // Layer numbers are one byte: a 257th layer would take the number of the
  // first.
  if (count >= 256) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  if (SegSpare == 0) {
    auto* table = (TABSEG*)rscGetMemoryBlock(this, LONG((count + 20) * RSC_SEG_SIZE));
    if (!table) {
      ErrorCode = MAPERR_MEMORY;
      return 0;
    }
    if (count) memcpy(table, rscSegTable(this), size_t(count) * RSC_SEG_SIZE);
    rscSetTable(this, RSC_SEG, table);
    SegSpare = 20;
  }
  TABSEG* rec = rscSegTable(this) + count;
  memset(rec, 0, sizeof *rec);
  rec->Length = RSC_SEG_SIZE;
  rec->Number = BYTE(count);
  rec->Order = seg->Order;
  memcpy(rec->Name, name, strlen(name));
  size_t shortLength = strnlen(seg->Short, 15);
  if (shortLength)
    memcpy(rec->Short, seg->Short, shortLength);
  else
    snprintf(rec->Short, sizeof rec->Short, "LAYER%u", unsigned(count));
  Head.Tables[RSC_SEG].Count = count + 1;
  Head.Tables[RSC_SEG].Length = (count + 1) * RSC_SEG_SIZE;
  SegSpare--;
  Modify++;
  Head.Style++;
  return int(count);
}
