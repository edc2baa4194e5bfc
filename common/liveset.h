// The registry of live addresses: every object whose address a host holds
// as a handle (maps, object handles, select contexts, classifiers and
// workers) is registered here under its kind while it lives. A handle from
// a host is used only when its address is registered under the kind it is
// used as, so that a stale, invented or foreign address (an object of
// another kind) is refused instead of being read through.
//
// Registering and unregistering may allocate; a lookup never does and
// costs one hash probe under a lock, so it can stand at the start of every
// exported call.
#pragma once

enum LIVEKIND : int {
  LIVE_MAP = 0,     // TMap (a document handle is the address of its main map)
  LIVE_OBJECT,      // TObjectInfo handed out as an object handle
  LIVE_SELECT,      // select context
  LIVE_CLASSIFIER,  // classifier handed out as a handle
  LIVE_WORKER,      // background worker
  LIVE_VIEW3D,      // 3-D view of a document's matrices
  LIVE_OBJECTSET,   // object set handed out as a handle
  LIVE_SETMEMBER,   // member of an object set handed out as an object handle
  LIVE_KINDS
};

// Registers `address` as a live object of `kind`: 1 when added; 0 for a
// null address, a kind out of range, an address already registered as this
// kind, or no memory.
int liveRegister(int kind, const void* address);

// Removes the registration: 1 when `address` was registered as `kind`,
// else 0.
int liveUnregister(int kind, const void* address);

// 1 when `address` is registered as `kind`; 0 for anything else (null,
// unknown, freed, or registered only as another kind).
int liveIsRegistered(int kind, const void* address);
