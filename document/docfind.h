// The document of a host's handle, found in the caller's code when the
// handle is the one the call before named: for the functions a host calls
// once an element (mapGetRstPoint), where a call to find the document
// costs as much as the element read itself. The library's own: not a
// header a host sees.
#pragma once

#include <atomic>

#include "document/mapaccess.h"

namespace docfind {

// The live document a handle named last; set and withdrawn under the
// documents' lock (document/mapaccess.cpp), so that a document being freed
// is never left in it.
extern std::atomic<const void*> last;
// A handle other than the last one, looked up among the live documents.
TMapAccess* Find(HMAP handle);

}  // namespace docfind

// DocumentOf (document/mapaccess.h).
inline TMapAccess* DocumentHere(HMAP handle) {
  const void* address = reinterpret_cast<const void*>(handle);
  if (address != nullptr && address == docfind::last.load(std::memory_order_acquire))
    return reinterpret_cast<TMapAccess*>(handle);
  return docfind::Find(handle);
}
