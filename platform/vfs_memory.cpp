#include "platform/vfs_memory.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/clock.h"

namespace plat {

namespace {

class MemoryFile;

// A file or folder. Open files hold their node, so a file deleted while
// open keeps its data until the last of them closes.
struct Node {
  Node(MemoryVfs::State* s, bool isFolder, uint64_t number)
      : state(s), folder(isFolder), id(number) {}
  ~Node();

  MemoryVfs::State* state;
  const bool folder;
  const uint64_t id;
  std::string bytes;
  bool readOnly = false;
  ULONGLONG creationTime = 0;
  ULONGLONG accessTime = 0;
  ULONGLONG writeTime = 0;
  ULONGLONG changeTime = 0;
  // Open files with some access, for the share rules.
  struct Opener {
    const MemoryFile* file;
    bool read;
    bool write;
    DWORD share;
  };
  std::vector<Opener> opens;
  struct Lock {
    const MemoryFile* owner;
    uint64_t offset;
    uint64_t length;
    bool shared;
  };
  std::vector<Lock> locks;
};

ULONGLONG Now() {
  int64_t utc = ReadClock().utc;
  return utc < 0 ? 0 : static_cast<ULONGLONG>(utc);
}

std::atomic<uint64_t> g_volumes{0};

}  // namespace

struct MemoryVfs::State {
  std::mutex lock;
  std::atomic<uint64_t> used{0};  // bytes of every live file
  uint64_t capacity = uint64_t(1) << 30;
  const uint64_t volume = 0x4D454D0000000000ull + g_volumes.fetch_add(1);
  uint64_t nextId = 1;
  std::map<std::string, std::shared_ptr<Node>> nodes;  // by canonical path

  // "/a/b" for "a//b/./c/..": absolute, no empty, "." or ".." parts.
  static std::string Canonical(const std::string& path) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= path.size()) {
      size_t j = path.find('/', i);
      if (j == std::string::npos) j = path.size();
      std::string part = path.substr(i, j - i);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      i = j + 1;
    }
    std::string out;
    for (const std::string& p : parts) out += "/" + p;
    return out.empty() ? "/" : out;
  }

  static std::string Parent(const std::string& canonical) {
    size_t slash = canonical.find_last_of('/');
    return slash == 0 ? "/" : canonical.substr(0, slash);
  }

  // The prefix of every name inside a folder.
  static std::string Inside(const std::string& canonical) {
    return canonical == "/" ? "/" : canonical + "/";
  }

  Node* Find(const std::string& canonical) const {
    auto it = nodes.find(canonical);
    return it == nodes.end() ? nullptr : it->second.get();
  }

  bool IsFolder(const std::string& canonical) const {
    Node* n = Find(canonical);
    return n && n->folder;
  }

  bool HasChildren(const std::string& canonical) const {
    const std::string prefix = Inside(canonical);
    auto it = nodes.upper_bound(prefix);
    return it != nodes.end() && it->first.compare(0, prefix.size(), prefix) == 0;
  }

  // The code of a name that is not there.
  DWORD Missing(const std::string& canonical) const {
    return IsFolder(Parent(canonical)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  }

  std::shared_ptr<Node> Make(const std::string& canonical, bool folder) {
    auto node = std::make_shared<Node>(this, folder, nextId++);
    node->creationTime = node->accessTime = node->writeTime = node->changeTime = Now();
    nodes[canonical] = node;
    return node;
  }

  static bool DeleteDenied(const Node& node) {
    for (const Node::Opener& o : node.opens)
      if (!(o.share & FILE_SHARE_DELETE)) return true;
    return false;
  }

  static void Fill(const Node& node, uint64_t volumeId, VfsInfo* info) {
    info->attributes = node.folder     ? FILE_ATTRIBUTE_DIRECTORY
                       : node.readOnly ? FILE_ATTRIBUTE_READONLY
                                       : FILE_ATTRIBUTE_NORMAL;
    info->size = node.bytes.size();
    info->creationTime = node.creationTime;
    info->accessTime = node.accessTime;
    info->writeTime = node.writeTime;
    info->changeTime = node.changeTime;
    info->volume = volumeId;
    info->id = node.id;
  }

  // Resizes a file's bytes within the capacity; false when it does not fit.
  bool Resize(Node& node, uint64_t size) {
    const uint64_t old = node.bytes.size();
    if (size > old && size - old > capacity - std::min(capacity, used.load())) return false;
    node.bytes.resize(size);
    used += size;
    used -= old;
    return true;
  }
};

namespace {

Node::~Node() { state->used -= bytes.size(); }

class MemoryFile final : public VfsFile {
 public:
  MemoryFile(std::shared_ptr<MemoryVfs::State> state, std::shared_ptr<Node> node)
      : state_(std::move(state)), node_(std::move(node)) {}

  ~MemoryFile() override {
    std::lock_guard<std::mutex> guard(state_->lock);
    auto& opens = node_->opens;
    opens.erase(std::remove_if(opens.begin(), opens.end(),
                               [this](const Node::Opener& o) { return o.file == this; }),
                opens.end());
    auto& locks = node_->locks;
    locks.erase(std::remove_if(locks.begin(), locks.end(),
                               [this](const Node::Lock& l) { return l.owner == this; }),
                locks.end());
  }

  DWORD Read(uint64_t offset, void* buffer, DWORD size, DWORD* done) override {
    std::lock_guard<std::mutex> guard(state_->lock);
    const std::string& bytes = node_->bytes;
    *done = offset >= bytes.size() ? 0 : DWORD(std::min<uint64_t>(size, bytes.size() - offset));
    if (*done) std::memcpy(buffer, bytes.data() + offset, *done);
    return ERROR_SUCCESS;
  }

  DWORD Write(uint64_t offset, const void* buffer, DWORD size, DWORD* done) override {
    std::lock_guard<std::mutex> guard(state_->lock);
    *done = 0;
    if (size == 0) return ERROR_SUCCESS;
    std::string& bytes = node_->bytes;
    // What fits on the volume goes out, as on a disk that fills up.
    DWORD fits = size;
    if (offset + size > bytes.size()) {
      const uint64_t room = state_->capacity - std::min(state_->capacity, state_->used.load());
      const uint64_t end = bytes.size() + room;
      fits = offset >= end ? 0 : DWORD(std::min<uint64_t>(size, end - offset));
      if (offset + fits > bytes.size()) state_->Resize(*node_, offset + fits);
    }
    if (fits) std::memcpy(&bytes[offset], buffer, fits);
    *done = fits;
    node_->writeTime = node_->accessTime = node_->changeTime = Now();
    return fits == size ? ERROR_SUCCESS : ERROR_DISK_FULL;
  }

  DWORD Size(uint64_t* size) override {
    std::lock_guard<std::mutex> guard(state_->lock);
    *size = node_->bytes.size();
    return ERROR_SUCCESS;
  }

  DWORD Truncate(uint64_t size) override {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (!state_->Resize(*node_, size)) return ERROR_DISK_FULL;
    node_->writeTime = node_->accessTime = node_->changeTime = Now();
    return ERROR_SUCCESS;
  }

  DWORD Sync() override { return ERROR_SUCCESS; }

  DWORD Lock(uint64_t offset, uint64_t length, bool shared) override {
    std::lock_guard<std::mutex> guard(state_->lock);
    for (const Node::Lock& l : node_->locks)
      if (l.owner != this && offset < l.offset + l.length && l.offset < offset + length &&
          !(shared && l.shared))
        return ERROR_LOCK_VIOLATION;
    node_->locks.push_back({this, offset, length, shared});
    return ERROR_SUCCESS;
  }

  DWORD Unlock(uint64_t offset, uint64_t length) override {
    std::lock_guard<std::mutex> guard(state_->lock);
    auto& locks = node_->locks;
    for (auto it = locks.begin(); it != locks.end(); ++it) {
      if (it->owner == this && it->offset == offset && it->length == length) {
        locks.erase(it);
        return ERROR_SUCCESS;
      }
    }
    return ERROR_NOT_LOCKED;
  }

  DWORD Stat(VfsInfo* info) override {
    std::lock_guard<std::mutex> guard(state_->lock);
    MemoryVfs::State::Fill(*node_, state_->volume, info);
    return ERROR_SUCCESS;
  }

  DWORD SetTimes(const ULONGLONG* access, const ULONGLONG* write) override {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (access) node_->accessTime = *access;
    if (write) node_->writeTime = *write;
    // Setting a time is a change of the file's attributes.
    node_->changeTime = Now();
    return ERROR_SUCCESS;
  }

  // Memory has no descriptor to map: the mapping calls answer "not
  // supported" for files of this file system.
  DWORD Map(bool, std::shared_ptr<VfsMapping>*) override { return ERROR_NOT_SUPPORTED; }

 private:
  std::shared_ptr<MemoryVfs::State> state_;  // declared first: outlives the node
  std::shared_ptr<Node> node_;
};

}  // namespace

MemoryVfs::MemoryVfs() : state_(std::make_shared<State>()) { state_->Make("/", true); }

MemoryVfs::~MemoryVfs() = default;

bool MemoryVfs::AddFolders(const std::string& path) {
  std::lock_guard<std::mutex> guard(state_->lock);
  const std::string p = State::Canonical(path);
  for (size_t at = 1; at <= p.size(); ++at) {
    if (at != p.size() && p[at] != '/') continue;
    const std::string part = p.substr(0, at);
    Node* n = state_->Find(part);
    if (n && !n->folder) return false;
    if (!n) state_->Make(part, true);
  }
  return true;
}

bool MemoryVfs::AddFile(const std::string& path, const std::string& bytes) {
  const std::string p = State::Canonical(path);
  if (p == "/" || !AddFolders(State::Parent(p))) return false;
  std::lock_guard<std::mutex> guard(state_->lock);
  Node* n = state_->Find(p);
  if (n && n->folder) return false;
  if (!n) n = state_->Make(p, false).get();
  state_->Resize(*n, 0);
  if (!state_->Resize(*n, bytes.size())) return false;
  std::memcpy(n->bytes.data(), bytes.data(), bytes.size());
  n->writeTime = n->accessTime = n->changeTime = Now();
  return true;
}

std::string MemoryVfs::Contents(const std::string& path) const {
  std::lock_guard<std::mutex> guard(state_->lock);
  Node* n = state_->Find(State::Canonical(path));
  return n && !n->folder ? n->bytes : std::string();
}

bool MemoryVfs::Exists(const std::string& path) const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->Find(State::Canonical(path)) != nullptr;
}

std::vector<std::string> MemoryVfs::Names(const std::string& folder) const {
  std::lock_guard<std::mutex> guard(state_->lock);
  const std::string prefix = State::Inside(State::Canonical(folder));
  std::vector<std::string> names;
  for (auto it = state_->nodes.upper_bound(prefix);
       it != state_->nodes.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
    std::string rest = it->first.substr(prefix.size());
    if (rest.find('/') != std::string::npos) continue;
    names.push_back(it->second->folder ? rest + "/" : rest);
  }
  return names;
}

void MemoryVfs::SetCapacity(uint64_t bytes) {
  std::lock_guard<std::mutex> guard(state_->lock);
  state_->capacity = bytes;
}

uint64_t MemoryVfs::Used() const { return state_->used; }

DWORD MemoryVfs::Open(const std::string& path, const VfsOpenMode& mode,
                      std::unique_ptr<VfsFile>* file, bool* existed) {
  std::lock_guard<std::mutex> guard(state_->lock);
  const std::string p = State::Canonical(path);
  std::shared_ptr<Node> node;
  if (auto it = state_->nodes.find(p); it != state_->nodes.end()) node = it->second;
  const DWORD how = mode.disposition;
  *existed = node != nullptr;
  if (node && how == CREATE_NEW) return ERROR_FILE_EXISTS;
  if (!node) {
    if (how == OPEN_EXISTING || how == TRUNCATE_EXISTING) return state_->Missing(p);
    if (!state_->IsFolder(State::Parent(p))) return ERROR_PATH_NOT_FOUND;
  } else {
    if (node->folder) return ERROR_ACCESS_DENIED;
    if (mode.write && node->readOnly) return ERROR_ACCESS_DENIED;
  }
  if (node && (mode.read || mode.write)) {
    for (const Node::Opener& o : node->opens) {
      if ((mode.read && !(o.share & FILE_SHARE_READ)) ||
          (mode.write && !(o.share & FILE_SHARE_WRITE)) ||
          (!(mode.share & FILE_SHARE_READ) && o.read) ||
          (!(mode.share & FILE_SHARE_WRITE) && o.write))
        return ERROR_SHARING_VIOLATION;
    }
  }
  if (!node) {
    node = state_->Make(p, false);
    node->readOnly = mode.readOnly;
  } else if (how == CREATE_ALWAYS || how == TRUNCATE_EXISTING) {
    state_->Resize(*node, 0);
    node->writeTime = node->accessTime = node->changeTime = Now();
  }
  auto opened = std::make_unique<MemoryFile>(state_, node);
  if (mode.read || mode.write)
    node->opens.push_back({opened.get(), mode.read, mode.write, mode.share});
  *file = std::move(opened);
  return ERROR_SUCCESS;
}

DWORD MemoryVfs::Delete(const std::string& path) {
  std::lock_guard<std::mutex> guard(state_->lock);
  const std::string p = State::Canonical(path);
  Node* n = state_->Find(p);
  if (!n) return state_->Missing(p);
  if (n->folder || n->readOnly) return ERROR_ACCESS_DENIED;
  if (State::DeleteDenied(*n)) return ERROR_SHARING_VIOLATION;
  state_->nodes.erase(p);
  return ERROR_SUCCESS;
}

DWORD MemoryVfs::Rename(const std::string& from, const std::string& to) {
  std::lock_guard<std::mutex> guard(state_->lock);
  const std::string src = State::Canonical(from);
  const std::string dst = State::Canonical(to);
  Node* n = state_->Find(src);
  if (!n) return state_->Missing(src);
  if (!n->folder && n->readOnly) return ERROR_ACCESS_DENIED;
  if (!n->folder && State::DeleteDenied(*n)) return ERROR_SHARING_VIOLATION;
  if (state_->Find(dst)) return ERROR_ALREADY_EXISTS;
  if (!state_->IsFolder(State::Parent(dst))) return ERROR_PATH_NOT_FOUND;
  if (src == "/" || dst.compare(0, State::Inside(src).size(), State::Inside(src)) == 0)
    return ERROR_INVALID_PARAMETER;  // a folder into itself
  // The name and, for a folder, every name inside it.
  std::vector<std::pair<std::string, std::shared_ptr<Node>>> moved;
  const std::string prefix = State::Inside(src);
  for (auto it = state_->nodes.lower_bound(src); it != state_->nodes.end();) {
    const bool inside = it->first.compare(0, prefix.size(), prefix) == 0;
    if (it->first != src && !inside) break;
    moved.emplace_back(dst + it->first.substr(src.size()), std::move(it->second));
    it = state_->nodes.erase(it);
  }
  for (auto& m : moved) state_->nodes[m.first] = std::move(m.second);
  return ERROR_SUCCESS;
}

DWORD MemoryVfs::Replace(const std::string& path, const std::string& replacement) {
  std::lock_guard<std::mutex> guard(state_->lock);
  const std::string dst = State::Canonical(path);
  const std::string src = State::Canonical(replacement);
  auto it = state_->nodes.find(src);
  if (it == state_->nodes.end()) return state_->Missing(src);
  if (it->second->folder) return ERROR_ACCESS_DENIED;
  if (!state_->IsFolder(State::Parent(dst))) return ERROR_PATH_NOT_FOUND;
  std::shared_ptr<Node> node = std::move(it->second);
  state_->nodes.erase(it);
  auto& slot = state_->nodes[dst];
  if (slot && slot->folder) {
    state_->nodes[src] = std::move(node);  // a folder is not replaced
    return ERROR_ACCESS_DENIED;
  }
  if (slot) node->readOnly = slot->readOnly;
  slot = std::move(node);
  return ERROR_SUCCESS;
}

DWORD MemoryVfs::Stat(const std::string& path, VfsInfo* info) {
  std::lock_guard<std::mutex> guard(state_->lock);
  const std::string p = State::Canonical(path);
  Node* n = state_->Find(p);
  if (!n) return state_->Missing(p);
  State::Fill(*n, state_->volume, info);
  return ERROR_SUCCESS;
}

DWORD MemoryVfs::SetReadOnly(const std::string& path, bool readOnly) {
  std::lock_guard<std::mutex> guard(state_->lock);
  const std::string p = State::Canonical(path);
  Node* n = state_->Find(p);
  if (!n) return state_->Missing(p);
  if (!n->folder) n->readOnly = readOnly;
  n->changeTime = Now();
  return ERROR_SUCCESS;
}

DWORD MemoryVfs::CreateFolder(const std::string& path) {
  std::lock_guard<std::mutex> guard(state_->lock);
  const std::string p = State::Canonical(path);
  if (state_->Find(p)) return ERROR_ALREADY_EXISTS;
  if (!state_->IsFolder(State::Parent(p))) return ERROR_PATH_NOT_FOUND;
  state_->Make(p, true);
  return ERROR_SUCCESS;
}

DWORD MemoryVfs::RemoveFolder(const std::string& path) {
  std::lock_guard<std::mutex> guard(state_->lock);
  const std::string p = State::Canonical(path);
  Node* n = state_->Find(p);
  if (!n) return state_->Missing(p);
  if (!n->folder) return ERROR_DIRECTORY;
  if (p == "/") return ERROR_ACCESS_DENIED;
  if (state_->HasChildren(p)) return ERROR_DIR_NOT_EMPTY;
  state_->nodes.erase(p);
  return ERROR_SUCCESS;
}

DWORD MemoryVfs::FreeSpace(const std::string& path, VfsSpace* space) {
  std::lock_guard<std::mutex> guard(state_->lock);
  const std::string p = State::Canonical(path);
  if (!state_->Find(p)) return state_->Missing(p);
  const uint64_t used = std::min(state_->capacity, state_->used.load());
  space->unit = 4096;
  space->total = state_->capacity / space->unit;
  space->available = space->free = (state_->capacity - used) / space->unit;
  return ERROR_SUCCESS;
}

}  // namespace plat
