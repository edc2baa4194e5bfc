// A classifier written through the loaded library as a host writes one,
// for the tests of the exported functions.
#pragma once

#include <dlfcn.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "apimaps.h"

namespace apitest {

// An object kind of a new classifier: its classification code, local type
// and name.
struct NewKind {
  LONG code;
  LONG local;
  const char* name;
};

// Writes the classifier `path` named `name` (NewClassifier) with the kinds
// through the library `lib`: true when every kind went in.
inline bool MakeClassifier(void* lib, const std::string& path, const char* name,
                           const std::vector<NewKind>& kinds) {
  const auto create = reinterpret_cast<decltype(&mapCreateRsc)>(dlsym(lib, "mapCreateRsc"));
  const auto append =
      reinterpret_cast<decltype(&mapAppendRscObject)>(dlsym(lib, "mapAppendRscObject"));
  const auto commit = reinterpret_cast<decltype(&mapCommitRsc)>(dlsym(lib, "mapCommitRsc"));
  const auto close = reinterpret_cast<decltype(&mapCloseRsc)>(dlsym(lib, "mapCloseRsc"));
  if (!create || !append || !commit || !close) return false;
  NewClassifier classifier(name);
  const HRSC h = create(path.c_str(), &classifier.create, &classifier.palette);
  if (h == 0) return false;
  bool made = true;
  for (const NewKind& k : kinds) {
    RSCOBJECT kind = {};
    kind.Length = sizeof kind;
    kind.Excode = DWORD(k.code);
    kind.Local = k.local;
    std::strncpy(kind.Name, k.name, sizeof kind.Name - 1);
    made = made && append(h, &kind) > 0;
  }
  commit(h);
  close(h);
  return made;
}

}  // namespace apitest
