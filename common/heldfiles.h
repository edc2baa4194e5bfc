// The files that live objects hold: an open map its map file, classifier,
// sheet files, group file and logs; an open raster or matrix its file. A
// call that creates or overwrites files asks here first and refuses a
// target that some open document holds, before it writes anything: a map
// being created, copied or saved under the name of a file in use would
// otherwise cut that file from under the document that works with it.
//
// Each holder registers itself with a walk that names its files when asked,
// so the names are those of the moment (a map that gains a sheet need not
// say so). Files are compared by identity, device and inode through the
// platform layer, not by spelling: "a/../x.map" or a second link of a held
// file is held too. A name of no existing file is never held: writing it
// takes nothing from anyone.
//
// The library serves one call at a time; the registry takes a lock only so
// that holders may come and go from any thread. A walk must not register
// or unregister holders.
#pragma once

// Called by a walk for each file of its holder: nonzero stops the walk.
typedef int (*HELDFILEVISIT)(void* context, const char* name);
// Names each file `holder` holds to `visit`; nonzero when a visit stopped
// it.
typedef int (*HELDFILEWALK)(const void* holder, HELDFILEVISIT visit, void* context);

// Registers `holder` with its walk: 1 when added; 0 for a null argument, a
// holder already registered or no memory.
int heldRegister(const void* holder, HELDFILEWALK walk);
// Removes the registration: 1 when `holder` was registered, else 0.
int heldUnregister(const void* holder);

// The index of the first of `count` names that is a file a registered
// holder other than `except` holds; -1 when none is. Null and empty names
// are passed over.
int heldFind(const char* const* names, int count, const void* except = nullptr);
// 1 when `name` is a file that a registered holder other than `except`
// holds, else 0.
inline int heldIsFile(const char* name, const void* except = nullptr) {
  return heldFind(&name, 1, except) == 0 ? 1 : 0;
}
