#include "platform/library.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/handles.h"
#include "platform/path.h"

namespace plat {

namespace {

struct Provider {
  bool missing = false;
  std::vector<std::pair<std::string, FARPROC>> entries;
};

struct Module : detail::HandleObject {
  Module() : HandleObject(detail::HandleKind::Module) {}
  ~Module() override {
    if (dl) dlclose(dl);
  }
  void* dl = nullptr;                      // a shared object, or
  std::shared_ptr<const Provider> entries;  // an in-process library
  std::string providerKey;
  int refs = 1;
};

struct LibraryState {
  std::mutex lock;
  std::vector<std::string> folders;
  std::map<std::string, std::shared_ptr<const Provider>> providers;
  std::map<void*, HMODULE> byObject;          // loaded shared objects
  std::map<std::string, HMODULE> byProvider;  // loaded providers
};

LibraryState& State() {
  static LibraryState* state = [] {
    auto* s = new LibraryState;  // outlives static destructors
    // The system library of Windows answers for the free-space call that
    // the library looks up by name.
    auto kernel = std::make_shared<Provider>();
    kernel->entries.emplace_back("GetDiskFreeSpaceExA", LibraryProc(&GetDiskFreeSpaceExA));
    kernel->entries.emplace_back("GetDiskFreeSpaceA", LibraryProc(&GetDiskFreeSpaceA));
    s->providers["KERNEL32"] = kernel;
    return s;
  }();
  return *state;
}

bool EndsWithNoCase(const std::string& s, const char* tail) {
  size_t n = std::char_traits<char>::length(tail);
  return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, tail) == 0;
}

// The provider key of a name: its file name in upper case, without ".DLL".
std::string ProviderKey(const char* name) {
  std::string file = name + FileNameOffset(name);
  if (EndsWithNoCase(file, ".dll")) file.resize(file.size() - 4);
  for (char& c : file)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return file;
}

// File names that may stand for the library, most likely first.
std::vector<std::string> Candidates(const std::string& file) {
  std::string base = file, ext;
  size_t dot = file.find_last_of('.');
  if (dot != std::string::npos) {
    base = file.substr(0, dot);
    ext = file.substr(dot);
  }
  std::vector<std::string> out;
  bool windowsName = ext.empty() || strcasecmp(ext.c_str(), ".dll") == 0;
  bool sharedObject = EndsWithNoCase(file, ".so") || file.find(".so.") != std::string::npos;
  if (sharedObject || (!windowsName && !ext.empty())) out.push_back(file);
  if (!sharedObject) {
    std::string lower = base;
    for (char& c : lower)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    out.push_back("lib" + lower + ".so");
    out.push_back(lower + ".so");
    if (base != lower) out.push_back(base + ".so");
    if (windowsName && !ext.empty()) out.push_back(file);
  }
  return out;
}

bool IsFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsElf(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char magic[4] = {};
  bool elf = ::read(fd, magic, 4) == 4 && magic[0] == 0x7F && magic[1] == 'E' &&
             magic[2] == 'L' && magic[3] == 'F';
  ::close(fd);
  return elf;
}

// The path of `file` in `folder` (ending in '/'), matched exactly or else
// without regard to case; empty when there is none.
std::string FindInFolder(const std::string& folder, const std::string& file) {
  if (IsFile(folder + file)) return folder + file;
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return std::string();
  std::string found;
  while (struct dirent* e = readdir(dir)) {
    if (strcasecmp(e->d_name, file.c_str()) == 0 && IsFile(folder + e->d_name)) {
      found = folder + e->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

// Registers a loaded shared object (or counts one more use of it).
HMODULE Adopt(LibraryState& s, void* dl) {
  auto it = s.byObject.find(dl);
  if (it != s.byObject.end()) {
    dlclose(dl);  // the module already holds a reference
    auto m = detail::Lookup<Module>(it->second, detail::HandleKind::Module);
    if (m) {
      ++m->refs;
      return it->second;
    }
  }
  auto m = std::make_shared<Module>();
  m->dl = dl;
  HMODULE h = static_cast<HMODULE>(detail::RegisterHandle(m));
  s.byObject[dl] = h;
  return h;
}

}  // namespace

HMODULE LoadLibraryA(const char* name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!*name) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  LibraryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);

  const std::string key = ProviderKey(name);
  auto provider = s.providers.find(key);
  if (provider != s.providers.end()) {
    if (provider->second->missing) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    auto loaded = s.byProvider.find(key);
    if (loaded != s.byProvider.end()) {
      auto m = detail::Lookup<Module>(loaded->second, detail::HandleKind::Module);
      if (m && m->entries == provider->second) {
        ++m->refs;
        return loaded->second;
      }
    }
    auto m = std::make_shared<Module>();
    m->entries = provider->second;
    m->providerKey = key;
    HMODULE h = static_cast<HMODULE>(detail::RegisterHandle(m));
    s.byProvider[key] = h;
    return h;
  }

  const std::string path = OsPath(name);
  const size_t cut = FileNameOffset(path.c_str());
  const std::string file = path.substr(cut);
  std::vector<std::string> folders;
  if (cut > 0) folders.push_back(path.substr(0, cut));
  for (std::string f : s.folders) {
    if (!f.empty() && f.back() != '/') f += '/';
    folders.push_back(f);
  }
  DWORD error = ERROR_MOD_NOT_FOUND;
  const std::vector<std::string> candidates = Candidates(file);
  for (const std::string& folder : folders) {
    for (const std::string& candidate : candidates) {
      std::string found = FindInFolder(folder, candidate);
      if (found.empty()) continue;
      // A name without a slash would send dlopen searching elsewhere.
      if (found.find('/') == std::string::npos) found = "./" + found;
      if (void* dl = dlopen(found.c_str(), RTLD_NOW | RTLD_LOCAL)) return Adopt(s, dl);
      if (!IsElf(found)) error = ERROR_BAD_EXE_FORMAT;
    }
  }
  for (const std::string& candidate : candidates) {
    if (void* dl = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return Adopt(s, dl);
  }
  SetLastError(error);
  return nullptr;
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
  auto m = detail::Lookup<Module>(module, detail::HandleKind::Module);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Entry points by ordinal (a small number in place of a name) are not
  // supported.
  if (!procName || reinterpret_cast<uintptr_t>(procName) < 0x10000) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  if (m->entries) {
    for (const auto& e : m->entries->entries)
      if (e.first == procName && e.second) return e.second;
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* p = dlsym(m->dl, procName);
  if (!p) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(p);
}

BOOL FreeLibrary(HMODULE module) {
  LibraryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  auto m = detail::Lookup<Module>(module, detail::HandleKind::Module);
  if (!m) return Fail(ERROR_INVALID_HANDLE);
  if (--m->refs > 0) return TRUE;
  detail::UnregisterHandle(module, detail::HandleKind::Module);
  if (m->dl) {
    s.byObject.erase(m->dl);
  } else {
    auto it = s.byProvider.find(m->providerKey);
    if (it != s.byProvider.end() && it->second == module) s.byProvider.erase(it);
  }
  return TRUE;
}

void AddLibraryFolder(const char* folder) {
  if (!folder || !*folder) return;
  LibraryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  std::string f = OsPath(folder);
  for (const std::string& known : s.folders)
    if (known == f) return;
  s.folders.push_back(f);
}

void ClearLibraryFolders() {
  LibraryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.folders.clear();
}

void RegisterLibraryProvider(const char* name, const LibraryEntry* entries, size_t count) {
  if (!name) return;
  auto p = std::make_shared<Provider>();
  for (size_t i = 0; entries && i < count; ++i)
    if (entries[i].name) p->entries.emplace_back(entries[i].name, entries[i].proc);
  LibraryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.providers[ProviderKey(name)] = std::move(p);
}

void RegisterMissingLibrary(const char* name) {
  if (!name) return;
  auto p = std::make_shared<Provider>();
  p->missing = true;
  LibraryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.providers[ProviderKey(name)] = std::move(p);
}

void UnregisterLibraryProvider(const char* name) {
  if (!name) return;
  LibraryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.providers.erase(ProviderKey(name));
}

}  // namespace plat
