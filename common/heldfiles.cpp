#include "common/heldfiles.h"

#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "platform/file.h"

namespace {

struct Holders {
  std::mutex lock;
  std::unordered_map<const void*, HELDFILEWALK> walks;
};

// Made once and never destroyed: holders freed by static destructors still
// unregister safely.
Holders& Registry() {
  static Holders* holders = new Holders;
  return *holders;
}

// What a search looks for: the identities of the names that exist.
struct Search {
  const std::vector<plat::FILEIDENTITY>* wanted;
  const std::vector<int>* index;  // the name each identity belongs to
  int found;                      // the first name found held, or -1
};

int Visit(void* context, const char* name) {
  Search& search = *static_cast<Search*>(context);
  plat::FILEIDENTITY identity;
  if (name == nullptr || name[0] == 0 || !plat::GetFileIdentity(name, &identity)) return 0;
  for (size_t k = 0; k < search.wanted->size(); ++k) {
    if ((*search.wanted)[k] == identity &&
        (search.found < 0 || (*search.index)[k] < search.found))
      search.found = (*search.index)[k];
  }
  return search.found == (*search.index)[0] ? 1 : 0;
}

}  // namespace

int heldRegister(const void* holder, HELDFILEWALK walk) {
  if (holder == nullptr || walk == nullptr) return 0;
  Holders& h = Registry();
  std::lock_guard<std::mutex> guard(h.lock);
  try {
    return h.walks.emplace(holder, walk).second ? 1 : 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int heldUnregister(const void* holder) {
  if (holder == nullptr) return 0;
  Holders& h = Registry();
  std::lock_guard<std::mutex> guard(h.lock);
  return h.walks.erase(holder) != 0 ? 1 : 0;
}

int heldFind(const char* const* names, int count, const void* except) {
  if (names == nullptr || count < 1) return -1;
  std::vector<plat::FILEIDENTITY> wanted;
  std::vector<int> index;
  try {
    for (int k = 0; k < count; ++k) {
      plat::FILEIDENTITY identity;
      if (names[k] != nullptr && names[k][0] != 0 && plat::GetFileIdentity(names[k], &identity)) {
        wanted.push_back(identity);
        index.push_back(k);
      }
    }
  } catch (const std::bad_alloc&) {
    return 0;  // unable to tell: the first name counts as held
  }
  // Names of no file take nothing from anyone: no holder need be asked.
  if (wanted.empty()) return -1;
  Search search{&wanted, &index, -1};
  Holders& h = Registry();
  std::lock_guard<std::mutex> guard(h.lock);
  for (const auto& [holder, walk] : h.walks) {
    if (holder == except) continue;
    if (walk(holder, Visit, &search)) break;
  }
  return search.found;
}
