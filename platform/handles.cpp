#include "platform/handles.h"

#include <mutex>
#include <unordered_map>

namespace plat {
namespace detail {

namespace {

struct HandleTable {
  std::mutex lock;
  uintptr_t next = 0x10000;
  std::unordered_map<uintptr_t, std::shared_ptr<HandleObject>> objects;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;  // outlives static destructors
  return *table;
}

}  // namespace

void* RegisterHandle(std::shared_ptr<HandleObject> object) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  uintptr_t value = t.next;
  t.next += 8;
  t.objects.emplace(value, std::move(object));
  return reinterpret_cast<void*>(value);
}

std::shared_ptr<HandleObject> LookupHandle(const void* handle, HandleKind kind) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end() || it->second->kind != kind) return nullptr;
  return it->second;
}

std::shared_ptr<HandleObject> UnregisterHandle(const void* handle, HandleKind kind) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end() || it->second->kind != kind) return nullptr;
  std::shared_ptr<HandleObject> object = std::move(it->second);
  t.objects.erase(it);
  return object;
}

}  // namespace detail
}  // namespace plat
