// The links of a chain of units: each unit has Next and Previous, the
// chain's head has First. The raster and matrix chains and the chain of
// layer matrices are linked alike and share these. A head also counts its
// units, which are numbered from 1 in link order.
#pragma once

#include "types/geotypes.h"
#include "types/maptypes.h"

// A point lies in a unit's frame (metres), edges included.
inline bool FrameHolds(const DFRAME& f, double x, double y) {
  return x >= f.X1 && x <= f.X2 && y >= f.Y1 && y <= f.Y2;
}

// Unit n (from 1) of a chain; null when there is none.
template <class Head>
auto ChainUnitAt(Head* chain, int n) -> decltype(chain->First) {
  if (!chain || n < 1 || n > chain->Count) return nullptr;
  auto unit = chain->First;
  for (int i = 1; unit && i < n; ++i) unit = unit->Next;
  return unit;
}

// Takes a unit out of its chain and clears its links.
template <class Head, class Unit>
void UnlinkChainUnit(Head* chain, Unit* unit) {
  if (unit->Previous)
    unit->Previous->Next = unit->Next;
  else
    chain->First = unit->Next;
  if (unit->Next) unit->Next->Previous = unit->Previous;
  unit->Next = unit->Previous = nullptr;
}

// The scale denominators between which a unit is shown: 1, or 0 for a
// missing unit or pointer.
template <class Unit>
int GetUnitScaleRange(const Unit* unit, LONG* bottom, LONG* top) {
  if (!unit || !bottom || !top) return 0;
  *bottom = unit->BottomScale;
  *top = unit->TopScale;
  return 1;
}

// Sets them when 1 <= bottom <= top: 1, or 0 with nothing changed.
template <class Unit>
int SetUnitScaleRange(Unit* unit, LONG bottom, LONG top) {
  if (!unit || bottom < 1 || bottom > top) return 0;
  unit->BottomScale = bottom;
  unit->TopScale = top;
  return 1;
}

// The number of the k-th unit (k from 1) whose frame holds the point; 0.
template <class Head>
int ChainNumberInPoint(Head* chain, double x, double y, int k) {
  if (!chain || k < 1) return 0;
  int n = 1;
  for (auto unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n)
    if (FrameHolds(unit->Frame, x, y) && --k == 0) return n;
  return 0;
}

// Links a unit that is in no chain in front of the unit at position `to`
// (from 1) of the chain, or last when the chain is shorter.
template <class Head, class Unit>
void InsertChainUnit(Head* chain, Unit* unit, int to) {
  Unit* at = chain->First;
  Unit* last = nullptr;
  for (int i = 1; at && i < to; ++i) last = at, at = at->Next;
  if (at) {
    unit->Next = at;
    unit->Previous = at->Previous;
    if (at->Previous)
      at->Previous->Next = unit;
    else
      chain->First = unit;
    at->Previous = unit;
  } else {
    unit->Previous = last;
    if (last)
      last->Next = unit;
    else
      chain->First = unit;
  }
}

// Links a unit that is in no chain behind the last one and counts it: its
// number.
template <class Head, class Unit>
int LinkChainUnitLast(Head* chain, Unit* unit) {
  unit->Next = unit->Previous = nullptr;
  InsertChainUnit(chain, unit, chain->Count + 1);
  return ++chain->Count;
}

// Takes unit n out of the chain and ends it with end(unit), or every unit
// when n is 0; nothing for a missing unit.
template <class Head, class End>
void CloseChainUnits(Head* chain, int n, End end) {
  if (n == 0) {
    for (auto unit = chain->First; unit;) {
      auto next = unit->Next;
      end(unit);
      unit = next;
    }
    chain->Count = 0;
    chain->First = nullptr;
    return;
  }
  auto unit = ChainUnitAt(chain, n);
  if (!unit) return;
  UnlinkChainUnit(chain, unit);
  end(unit);
  --chain->Count;
}
