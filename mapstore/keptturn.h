// Write turns kept across a run of changes outside edit mode.
//
// Every writer of a sheet holds the sheet's write turn (a byte-range lock
// of the descriptor file) while it writes an object. Taking and giving it
// back costs two calls of the system, about half of an append outside edit
// mode; a host loading many objects pays that once for a run of them
// instead: at the end of a change outside edit mode the turn is kept (still
// locked, the sheet's version already even, so readers trust the change)
// and the next change of the same descriptor file takes it back with no
// call. The lock is real, so every kind of writer stays out as before: one
// of an older build, one through a network mount, one whose mapping was
// refused, and a killed loader's turn goes with its descriptors.
//
// Others get in so:
// - idle: a turn unused for IDLE_MS is given back by the keeper, a thread
//   of the process started with the first kept turn (GiveBackIdleTurns);
// - busy: a turn is kept at most KEEP_MS from its taking; then each change
//   takes and gives back its own turn for GAP_MS before one is kept again,
//   so that a writer of another process, trying the lock every 10 ms, finds
//   it free within its wait while the loader never stops;
// - this process: a writer that finds the turn taken gives back every idle
//   kept turn of the process (GiveBackKeptTurns) and tries again before it
//   waits: calls on documents are serialised, so a kept turn is then idle.
//   One that finds the sheet lock taken gives them back before it waits:
//   the holder of the sheet lock may be waiting for one of them.
// A turn in use (between TakeKeptTurn and KeepTurn) is never given back.
// A descriptor file is given back its turn before it is closed
// (GiveBackTurn), and every kept turn when a map goes into edit mode; a
// sheet left for another one keeps its turn while its files stay open, so
// that a loader going from sheet to sheet keeps those it comes back to (up
// to a bound on the turns kept at once).
//
// Tests hold the keeper still (SetTurnKeeper) and call GiveBackIdleTurns
// themselves with the clock hooked (plat::SetClock): the keeper only calls
// it, a few milliseconds apart, while turns are kept.
#pragma once

#include "platform/system.h"

namespace keptturn {

enum : DWORD {
  // The write turn: one byte past 4 GB plus the sheet lock's length, where
  // no sheet lock reaches (its offset is 32 bits).
  TURN_OFFSET_LOW = 0x1000,
  TURN_OFFSET_HIGH = 1,
  TURN_LENGTH = 1,
  IDLE_MS = 20,  // an unused kept turn is given back after this long
  KEEP_MS = 40,  // a turn is kept at most this long from its taking
  GAP_MS = 10,   // then for this long every change gives its turn back
};

// Takes again the turn of descriptor file `hdr` when this process keeps
// it: true, and it is in use until KeepTurn.
bool TakeKeptTurn(HANDLE hdr);
// At the end of a change that holds the turn of `hdr`: true when the turn
// is kept (`wanted`, within its bound and out of its gap), false when the
// caller gives it back.
bool KeepTurn(HANDLE hdr, bool wanted);
// Gives back the kept turn of `hdr`, if it is kept and not in use.
void GiveBackTurn(HANDLE hdr);
// Gives back every kept turn not in use: the number given back.
int GiveBackKeptTurns();
// Gives back the kept turns unused for IDLE_MS by the clock: the number
// given back.
int GiveBackIdleTurns();
// The number of turns this process keeps.
int KeptTurns();
// Lets the keeper run (the default) or holds it still.
void SetTurnKeeper(bool running);

}  // namespace keptturn
