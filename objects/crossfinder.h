// The crossing finder the map object uses to insert crossing points
// (TObjectInfo::InsertPointCross). The finder belongs to the object
// geometry layer, which lies above this one: that layer registers its entry
// points here when the library is loaded and takes them back when it is
// unloaded. Without a finder, InsertPointCross answers MAPERR_NOLIBRARY.
#pragma once

class TObjectInfo;

// The entry points of a crossing finder. A worker is made once per
// insertion and loaded once per pair of subjects.
struct OBJECTCROSSFINDER {
  // A new worker; null when memory is short.
  void* (*Create)();
  // Finds the crossings of subject s1 of `first` with subject s2 of
  // `second` (objects of one map): 1 when the worker holds crossings to
  // insert (possibly none), 0 when the subjects cannot be crossed.
  int (*Load)(void* worker, TObjectInfo* first, TObjectInfo* second, int s1, int s2);
  // Inserts the crossings of the last successful load into both objects as
  // vertices: the larger of the two counts inserted.
  int (*Insert)(void* worker);
  // The error code of the last failed load (0 when the subjects merely do
  // not meet).
  int (*Error)(void* worker);
  void (*Free)(void* worker);
};

// Registers the finder (null takes it back); returns the one registered
// before.
const OBJECTCROSSFINDER* SetObjectCrossFinder(const OBJECTCROSSFINDER* finder);
// The finder registered now, or null.
const OBJECTCROSSFINDER* ObjectCrossFinder();
