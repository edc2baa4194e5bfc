// Walks over the variable-length tables of a classifier image, shared by
// the checks made on reading and by the index builder so that both see
// exactly the same records. A walk never leaves its table; a record whose
// own length or counts do not fit gives MAPERR_DATA (0 otherwise).
#pragma once

#include "classifier/rscdata.h"
#include "common/maperr.h"

// Font registry of the process, made ready for classifiers.
void rscInitFonts();

// Objects, by their length fields, as many as the object count. A record
// whose number lies outside 1..count is skipped. A record whose length is
// too short or runs past the table is taken as 112 bytes long; the walk
// ends when the record found there is bad too. f(number, record).
template <class F>
int rscWalkObjects(TRSCDATA* d, F f) {
  BYTE* base = rscTable(d, RSC_OBJ);
  if (!base) return 0;
  const uint64_t end = d->Head.Tables[RSC_OBJ].Length;
  const DWORD count = d->Head.Tables[RSC_OBJ].Count;
  uint64_t pos = 0;
  bool recovering = false;
  for (DWORD i = 0; i < count; i++) {
    if (pos + RSC_OBJ_FIXED > end) break;
    auto* obj = (TABOBJ*)(base + pos);
    const uint64_t len = obj->Length;
    const bool badNumber = obj->Incode < 1 || obj->Incode > count;
    if (len < RSC_OBJ_FIXED || len > end - pos) {
      if (recovering) break;
      recovering = true;
      pos += RSC_OBJ_MINSIZE;
      continue;
    }
    if (recovering && badNumber) break;
    recovering = false;
    if (obj->RelCount && RSC_OBJ_FIXED + uint64_t(obj->RelCount) * RSC_RELATION_SIZE > len)
      return MAPERR_DATA;
    if (!badNumber) f(int(obj->Incode), obj);
    pos += len;
  }
  return 0;
}

// POS records, stopping at a record that would end past the table.
template <class F>
int rscWalkPos(TRSCDATA* d, F f) {
  BYTE* base = rscTable(d, RSC_POS);
  if (!base) return 0;
  const uint64_t end = d->Head.Tables[RSC_POS].Length;
  uint64_t pos = 0;
  for (DWORD i = 0; i < d->Head.Tables[RSC_POS].Count; i++) {
    if (pos + RSC_POS_HEAD > end) break;
    auto* rec = (TABPOS*)(base + pos);
    const uint64_t len = rec->Length;
    if (len > end - pos) break;
    if (len < RSC_POS_HEAD || RSC_POS_HEAD + 4 * (uint64_t(rec->Must) + rec->Pos) > len)
      return MAPERR_DATA;
    f(rec);
    pos += len;
  }
  return 0;
}

// PAR or PRN records, stopping at a record that would end past the table
// (and, in the PRN table, at a zero length). The walk advances by the
// length a record had before f saw it.
template <class F>
int rscWalkPar(TRSCDATA* d, int table, F f) {
  BYTE* base = rscTable(d, table);
  if (!base) return 0;
  const uint64_t end = d->Head.Tables[table].Length;
  uint64_t pos = 0;
  for (DWORD i = 0; i < d->Head.Tables[table].Count; i++) {
    if (pos + RSC_PAR_HEAD > end) break;
    auto* rec = (VIEPAR*)(base + pos);
    const uint64_t len = rec->Length;
    if (table == RSC_PRN && len == 0) break;
    if (len > end - pos) break;
    if (len < RSC_PAR_HEAD) return MAPERR_DATA;
    f(rec);
    pos += len;
  }
  return 0;
}

// Bytes a series-limit record needs for its values and variant table.
inline uint64_t rscLimNeed(const TABLIM* lim) {
  const uint64_t rows = lim->Count2 ? lim->Count2 : 1;
  return RSC_LIM_HEAD + 8 * (uint64_t(lim->Count1) + lim->Count2) + uint64_t(lim->Count1) * rows;
}

// LIM records, stopping at a record that would end past the table.
template <class F>
int rscWalkLim(TRSCDATA* d, F f) {
  BYTE* base = rscTable(d, RSC_LIM);
  if (!base) return 0;
  const uint64_t end = d->Head.Tables[RSC_LIM].Length;
  uint64_t pos = 0;
  for (DWORD i = 0; i < d->Head.Tables[RSC_LIM].Count; i++) {
    if (pos + RSC_LIM_HEAD > end) break;
    auto* rec = (TABLIM*)(base + pos);
    const uint64_t len = rec->Length;
    if (len > end - pos) break;
    if (len < RSC_LIM_HEAD || rscLimNeed(rec) > len) return MAPERR_DATA;
    f(rec);
    pos += len;
  }
  return 0;
}

// Stored layer records (before compaction); every one of them must be
// whole and at least 60 bytes long.
template <class F>
int rscWalkSeg(TRSCDATA* d, F f) {
  BYTE* base = rscTable(d, RSC_SEG);
  if (!base) return 0;
  const uint64_t end = d->Head.Tables[RSC_SEG].Length;
  uint64_t pos = 0;
  for (DWORD i = 0; i < d->Head.Tables[RSC_SEG].Count; i++) {
    if (pos + RSC_SEG_SIZE > end) return MAPERR_DATA;
    auto* rec = (RSCSEG*)(base + pos);
    const uint64_t len = rec->Length;
    if (len > end - pos || len < RSC_SEG_SIZE || RSC_SEG_HEAD + 4 * uint64_t(rec->Count) > len)
      return MAPERR_DATA;
    f(rec);
    pos += len;
  }
  return 0;
}

// GRS records and their items: f(record, item) for each item.
template <class F>
int rscWalkGrs(TRSCDATA* d, F f) {
  BYTE* base = rscTable(d, RSC_GRS);
  if (!base) return 0;
  const uint64_t end = d->Head.Tables[RSC_GRS].Length;
  uint64_t pos = 0;
  for (DWORD i = 0; i < d->Head.Tables[RSC_GRS].Count; i++) {
    if (pos + RSC_GRS_HEAD > end) return MAPERR_DATA;
    auto* rec = (TABGRS*)(base + pos);
    const uint64_t len = rec->Length;
    if (len > end - pos || len < RSC_GRS_HEAD) return MAPERR_DATA;
    uint64_t at = RSC_GRS_HEAD;
    for (DWORD j = 0; j < rec->Count; j++) {
      if (at + RSC_GRSITEM_HEAD > len) return MAPERR_DATA;
      auto* item = (IMAGEVALUE*)(base + pos + at);
      if (item->Length < RSC_GRSITEM_HEAD || item->Length > len - at) return MAPERR_DATA;
      f(rec, item);
      at += item->Length;
    }
    pos += len;
  }
  return 0;
}
