// Layers: queries, names and order, deleting a layer and moving object
// kinds between layers.
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"

namespace {

// The record of layer s (0..count-1): 60005 closed, 60105 absent.
TABSEG* QuerySeg(TMapRsc* rsc, int s) {
  if (!rscQueryOpen(rsc)) return nullptr;
  if (s < 0 || DWORD(s) >= rsc->Head.Tables[RSC_SEG].Count) {
    rsc->ErrorCode = MAPERR_RSCRANGE;
    return nullptr;
  }
  return rsc->GetTabSeg(s);
}

}  // namespace

const char* TMapRsc::GetSegName(int s) {
  TABSEG* seg = QuerySeg(this, s);
  return seg ? seg->Name : RSC_EMPTY_STRING;
}

const char* TMapRsc::GetSegShortName(int s) {
  TABSEG* seg = QuerySeg(this, s);
  return seg ? seg->Short : RSC_EMPTY_STRING;
}

int TMapRsc::GetSegOrder(int s) {
  TABSEG* seg = QuerySeg(this, s);
  return seg ? seg->Order : 0;
}

int TMapRsc::GetSegment(int s, RSCSEGMENT* segment) {
  TABSEG* seg = QuerySeg(this, s);
  if (!seg || !segment) return 0;
  memset(segment, 0, sizeof *segment);
  segment->Order = seg->Order;
  memcpy(segment->Name, seg->Name, strnlen(seg->Name, 31));
  return s;
}

int TMapRsc::SetSegName(int s, const char* name) {
  if (!rscQueryOpen(this) || !name) return 0;
  char text[32] = {};
  memcpy(text, name, strnlen(name, 31));
  const int found = GetElementbyName(text, 1);
  if (found == s && !ErrorCode) return 1;
  if (found != 0) {
    ErrorCode = RSCERR_SEGNAME;
    return 0;
  }
  TABSEG* seg = QuerySeg(this, s);
  if (!seg) return 0;
  memset(seg->Name, 0, sizeof seg->Name);
  memcpy(seg->Name, text, strlen(text));
  Modify++;
  return 1;
}

int TMapRsc::SetSegOrder(int s, char order) {
  TABSEG* seg = QuerySeg(this, s);
  if (!seg) return 0;
  if (seg->Order == BYTE(order)) return 1;
  seg->Order = BYTE(order);
  Head.Style++;
  Modify++;
  return 1;
}

int TMapRsc::AppendSegment(const RSCSEGMENT* segment) {
  if (!segment) return 0;
  RSCSEG seg{};
  seg.Order = BYTE(segment->Order);
  memcpy(seg.Name, segment->Name, strnlen(segment->Name, 31));
  return AppendSeg(&seg);
}

int TMapRsc::SetObjSegment(int n, int layer) {
  if (!rscQueryOpen(this)) return 0;
  RSCOBJINDEX* e = rscObjectEntry(this, n);
  if (!e) return 0;
  e->Segment = WORD(BYTE(layer));
  e->Obj->Segment = BYTE(layer);
  Head.Style++;
  Modify++;
  return layer;
}

int TMapRsc::DeleteSegment(int s) {
  if (!rscQueryOpen(this)) return 0;
  const DWORD count = Head.Tables[RSC_SEG].Count;
  TABSEG* table = rscSegTable(this);
  if (s <= 0 || DWORD(s) >= count || !table) return 0;

  // The record goes; later records move up and the numbers above s drop.
  DWORD place = 0;
  while (place < count && table[place].Number != s) place++;
  if (place == count) return 0;
  memmove(table + place, table + place + 1, size_t(count - place - 1) * RSC_SEG_SIZE);
  memset(table + count - 1, 0, RSC_SEG_SIZE);
  for (DWORD i = 0; i + 1 < count; i++)
    if (table[i].Number > s) table[i].Number--;
  Head.Tables[RSC_SEG].Count = count - 1;
  Head.Tables[RSC_SEG].Length = (count - 1) * RSC_SEG_SIZE;
  SegSpare++;

  // Kinds follow their layers; the kinds of layer s are deleted. A service
  // kind (1..15) can't be deleted: it goes to the system layer rather than
  // stay on a number that now names another layer.
  const int objects = int(Head.Tables[RSC_OBJ].Count);
  for (int n = 1; n <= objects; n++) {
    RSCOBJINDEX& e = ObjIndex[n];
    if (!e.Obj || e.Flags == RSCINDEX_EMPTY || e.Flags == RSCINDEX_DELETED) continue;
    if (e.Segment > s) {
      SetObjSegment(n, e.Segment - 1);
    } else if (e.Segment == s) {
      if (e.Series)
        DeleteSeria(e.Excode, e.Local);
      else
        DeleteObject(n);
      if (e.Segment == s) SetObjSegment(n, 0);
    }
  }
  Head.Style++;
  Modify++;
  ErrorCode = 0;
  return 1;
}

int TMapRsc::MoveSegmentObjects(int from, int to) {
  if (!rscQueryOpen(this)) return 0;
  const int count = int(Head.Tables[RSC_SEG].Count);
  if (from < 1 || from >= count || to < 1 || to >= count) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  const int objects = int(Head.Tables[RSC_OBJ].Count);
  for (int n = 1; n <= objects; n++)
    if (ObjIndex[n].Obj && ObjIndex[n].Segment == from) SetObjSegment(n, to);
  Head.Style++;
  ErrorCode = 0;
  return to;
}

int TMapRsc::GetSegmentObjectCount(int s) {
  if (!rscQueryOpen(this)) return 0;
  int number = 0;
  for (DWORD n = 1; n <= Head.Tables[RSC_OBJ].Count; n++)
    if (ObjIndex[n].Obj && ObjIndex[n].Segment == s) number++;
  return number;
}

int TMapRsc::GetSegmentObjectRealCount(int s) {
  if (!rscQueryOpen(this)) return 0;
  int number = 0;
  for (DWORD n = 1; n <= Head.Tables[RSC_OBJ].Count; n++)
    if (ObjIndex[n].Obj && ObjIndex[n].Segment == s && ObjIndex[n].Excode) number++;
  return number;
}

int TMapRsc::GetSegmentObjNumber(int s, int local) {
  if (!rscQueryOpen(this)) return 0;
  int number = 0;
  for (DWORD n = 1; n <= Head.Tables[RSC_OBJ].Count; n++)
    if (ObjIndex[n].Obj && ObjIndex[n].Segment == s && ObjIndex[n].Local == local) number++;
  return number;
}
