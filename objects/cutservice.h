// The cutting and uniting workers the map object uses: cutting an object by
// the sheet frames when it is written across sheets
// (TObjectInfo::CommitWithPlace) and uniting the metrics of a group's
// members (TObjectInfo::UnionGroupData). The workers belong to the object
// geometry layer, which lies above this one: that layer registers its
// entry points here when the library is loaded and takes them back when it
// is unloaded. Without them an object that would have to be cut or united
// is refused with MAPERR_NOLIBRARY.
#pragma once

class TDataEdit;

// The entry points of the geometry. A worker is made once per call of the
// map object and loaded again for every sheet or member.
struct OBJECTCUTSERVICE {
  // --- Cutting by an area ---

  // A new cutting worker; null when memory is short.
  void* (*CreateCutter)();
  void (*FreeCutter)(void* cutter);
  // 1 when the outer contour of `object` leaves the closed `area` (by more
  // than the precision), else 0.
  int (*IsCut)(void* cutter, TDataEdit* area, TDataEdit* object, double precision);
  // Loads the worker with the pieces of `object` inside `area`: line
  // pieces (mode 0) or area pieces (mode 1). 1 when pieces can be asked for.
  int (*LoadCut)(void* cutter, TDataEdit* area, TDataEdit* object, int mode, double precision);
  // The next piece, in the worker's buffer (overwritten by the next call),
  // or null when none is left or on failure.
  TDataEdit* (*NextPiece)(void* cutter);
  // The worker's state: 0 or 1 usable or not loaded, 2 and more an error
  // code.
  int (*CutState)(void* cutter);
  // 1 when the four corners of the frame of subject `subject` of `metric`
  // lie inside `area`.
  int (*InsideSubject)(TDataEdit* area, TDataEdit* metric, int subject);

  // --- Union of two metrics ---

  void* (*CreateUniter)();
  void (*FreeUniter)(void* uniter);
  // The union of two lines (mode 0) or two areas (mode 1) in the worker's
  // buffer, or null when they cannot be united (they do not meet, or an
  // error: see UniteState).
  TDataEdit* (*Unite)(void* uniter, TDataEdit* first, TDataEdit* second, int mode,
                      double precision);
  int (*UniteState)(void* uniter);
};

// Registers the service (null takes it back); returns the one registered
// before.
const OBJECTCUTSERVICE* SetObjectCutService(const OBJECTCUTSERVICE* service);
// The service registered now, or null.
const OBJECTCUTSERVICE* ObjectCutService();
