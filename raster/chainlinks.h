// The links of a chain of units: each unit has Next and Previous, the
// chain's head has First. The raster and matrix chains and the chain of
// layer matrices are linked alike and share these.
#pragma once

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
