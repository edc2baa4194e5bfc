// The table of kernel handles (files, file mappings, loaded libraries).
//
// A handle given out by this layer is a number registered here, never an
// address: a null, stale or invented handle is looked up, not dereferenced,
// so a call given one fails cleanly with ERROR_INVALID_HANDLE. Numbers are
// never reused within a process.
#pragma once

#include <cstdint>
#include <memory>

namespace plat {
namespace detail {

enum class HandleKind { File, Mapping, Module };

struct HandleObject {
  explicit HandleObject(HandleKind k) : kind(k) {}
  virtual ~HandleObject() = default;
  HandleObject(const HandleObject&) = delete;
  HandleObject& operator=(const HandleObject&) = delete;
  const HandleKind kind;
};

// Registers the object and returns its handle value.
void* RegisterHandle(std::shared_ptr<HandleObject> object);
// The object of a handle of the given kind; null when there is none.
std::shared_ptr<HandleObject> LookupHandle(const void* handle, HandleKind kind);
// Removes the handle and returns its object (null when there is none).
std::shared_ptr<HandleObject> UnregisterHandle(const void* handle, HandleKind kind);

template <class T>
std::shared_ptr<T> Lookup(const void* handle, HandleKind kind) {
  return std::static_pointer_cast<T>(LookupHandle(handle, kind));
}

}  // namespace detail
}  // namespace plat
