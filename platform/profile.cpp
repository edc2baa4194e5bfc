#include "platform/profile.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/file_internal.h"
#include "platform/path.h"

namespace plat {

namespace {

// ---------------------------------------------------------------------------
// Names compared without regard to case in code page 1251.

struct FoldTable {
  unsigned char map[256];
  FoldTable() {
    for (int i = 0; i < 256; ++i) map[i] = static_cast<unsigned char>(i);
    for (int c = 'a'; c <= 'z'; ++c) map[c] = static_cast<unsigned char>(c - 32);
    for (int c = 0xE0; c <= 0xFF; ++c) map[c] = static_cast<unsigned char>(c - 32);
    // Letters outside the two main blocks: lower-case code -> upper-case code.
    static const unsigned char kPairs[][2] = {
        {0xB8, 0xA8}, {0xBA, 0xAA}, {0xBF, 0xAF}, {0xB3, 0xB2}, {0xA2, 0xA1}, {0xB4, 0xA5},
        {0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D}, {0x9E, 0x8E},
        {0x9F, 0x8F}, {0xBC, 0xA3}, {0xBE, 0xBD}};
    for (const auto& p : kPairs) map[p[0]] = p[1];
  }
};

const FoldTable& Fold() {
  static const FoldTable table;
  return table;
}

bool SameName(const char* a, size_t an, const char* b, size_t bn) {
  if (an != bn) return false;
  const unsigned char* m = Fold().map;
  for (size_t i = 0; i < an; ++i)
    if (m[static_cast<unsigned char>(a[i])] != m[static_cast<unsigned char>(b[i])]) return false;
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// ---------------------------------------------------------------------------
// The lines of a profile.

struct Line {
  size_t begin;       // first character
  size_t end;         // end of the text, before the line break
  size_t next;        // beginning of the next line
  enum Kind { Other, Section, Key } kind;
  size_t nameBegin;   // section or key name, blanks removed
  size_t nameEnd;
  size_t valueBegin;  // value (keys only), blanks removed
  size_t valueEnd;
};

std::vector<Line> Parse(const std::string& text) {
  std::vector<Line> lines;
  size_t pos = 0;
  const size_t n = text.size();
  while (pos < n) {
    Line l = {};
    l.begin = pos;
    size_t eol = text.find('\n', pos);
    l.next = eol == std::string::npos ? n : eol + 1;
    l.end = eol == std::string::npos ? n : eol;
    if (l.end > l.begin && text[l.end - 1] == '\r') --l.end;
    size_t a = l.begin;
    while (a < l.end && IsBlank(text[a])) ++a;
    size_t z = l.end;
    while (z > a && IsBlank(text[z - 1])) --z;
    if (a == z || text[a] == ';') {
      l.kind = Line::Other;
    } else if (text[a] == '[') {
      l.kind = Line::Section;
      size_t close = text.find(']', a + 1);
      size_t e = close == std::string::npos || close > z ? z : close;
      size_t b = a + 1;
      while (b < e && IsBlank(text[b])) ++b;
      while (e > b && IsBlank(text[e - 1])) --e;
      l.nameBegin = b;
      l.nameEnd = e;
    } else {
      l.kind = Line::Key;
      size_t eq = text.find('=', a);
      size_t keyEnd = eq == std::string::npos || eq > z ? z : eq;
      l.nameBegin = a;
      l.nameEnd = keyEnd;
      while (l.nameEnd > l.nameBegin && IsBlank(text[l.nameEnd - 1])) --l.nameEnd;
      if (keyEnd < z) {
        size_t v = keyEnd + 1;
        while (v < z && IsBlank(text[v])) ++v;
        l.valueBegin = v;
        l.valueEnd = z;
      } else {
        l.valueBegin = l.valueEnd = z;
      }
    }
    lines.push_back(l);
    pos = l.next;
  }
  return lines;
}

bool NameIs(const std::string& text, const Line& l, const char* name) {
  return SameName(text.data() + l.nameBegin, l.nameEnd - l.nameBegin, name, std::strlen(name));
}

// Index of the first header of the section; -1 when there is none.
int FindSection(const std::string& text, const std::vector<Line>& lines, const char* section) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].kind == Line::Section && NameIs(text, lines[i], section))
      return static_cast<int>(i);
  return -1;
}

// Index just past the last line of the section beginning at `header`.
size_t SectionEnd(const std::vector<Line>& lines, size_t header) {
  size_t i = header + 1;
  while (i < lines.size() && lines[i].kind != Line::Section) ++i;
  return i;
}

int FindKey(const std::string& text, const std::vector<Line>& lines, int header,
            const char* key) {
  size_t end = SectionEnd(lines, static_cast<size_t>(header));
  for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
    if (lines[i].kind == Line::Key && NameIs(text, lines[i], key)) return static_cast<int>(i);
  return -1;
}

// ---------------------------------------------------------------------------
// Profile files: names, reading with a small cache, safe replacement.

struct ProfileState {
  std::mutex lock;
  std::string systemProfile;  // empty: the default
  struct Cached {
    std::string path;
    VfsInfo stamp;  // of the file the text was read from
    std::shared_ptr<const std::string> text;
  };
  std::list<Cached> cache;  // most recent first
};

ProfileState& State() {
  static ProfileState* state = new ProfileState;  // outlives static destructors
  return *state;
}

std::string DefaultSystemProfile() {
  const char* home = std::getenv("HOME");
  std::string folder = home && *home ? home : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder + ".win.ini";
}

std::string SystemProfilePath() {
  ProfileState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.systemProfile.empty() ? DefaultSystemProfile() : s.systemProfile;
}

// The file a profile name stands for, as the system takes it.
std::string ResolveProfile(const char* fileName) {
  if (!fileName) return SystemProfilePath();
  std::string name = fileName;
  bool hasFolder = HasDrive(fileName);
  for (char c : name)
    if (IsPathSeparator(c)) hasFolder = true;
  if (!hasFolder && !name.empty()) {
    std::string sys = SystemProfilePath();
    size_t slash = sys.find_last_of('/');
    name = (slash == std::string::npos ? std::string() : sys.substr(0, slash + 1)) + name;
  }
  return OsPath(name.c_str());
}

bool SameStamp(const VfsInfo& a, const VfsInfo& b) {
  return a.volume == b.volume && a.id == b.id && a.size == b.size && a.writeTime == b.writeTime;
}

void Remember(const std::string& path, const VfsInfo& stamp,
              std::shared_ptr<const std::string> text) {
  ProfileState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  for (auto it = s.cache.begin(); it != s.cache.end(); ++it) {
    if (it->path == path) {
      s.cache.erase(it);
      break;
    }
  }
  s.cache.push_front({path, stamp, std::move(text)});
  while (s.cache.size() > 8) s.cache.pop_back();
}

// Reads the whole file.
DWORD ReadAll(VfsFile& file, uint64_t size, std::string* out) {
  out->assign(static_cast<size_t>(size), '\0');
  size_t done = 0;
  while (done < out->size()) {
    const DWORD chunk = DWORD(std::min<size_t>(out->size() - done, size_t(1) << 20));
    DWORD got = 0;
    DWORD e = detail::IoRead(file, done, &(*out)[done], chunk, &got);
    if (e != ERROR_SUCCESS) return e;
    if (got == 0) break;
    done += got;
  }
  out->resize(done);
  return ERROR_SUCCESS;
}

// The profile's text; null when the file cannot be read (last error set).
std::shared_ptr<const std::string> Load(const std::string& path) {
  Vfs& vfs = CurrentVfs();
  VfsInfo stamp;
  DWORD e = vfs.Stat(path, &stamp);
  if (e != ERROR_SUCCESS) {
    SetLastError(e);
    return nullptr;
  }
  {
    ProfileState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    for (const auto& c : s.cache)
      if (c.path == path && SameStamp(c.stamp, stamp)) return c.text;
  }
  // Opened without access, so that reading takes no part in share modes;
  // a pipe of the profile's name is refused at once as no regular file.
  VfsOpenMode mode;
  mode.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  std::unique_ptr<VfsFile> file;
  bool existed = false;
  e = vfs.Open(path, mode, &file, &existed);
  if (e != ERROR_SUCCESS) {
    SetLastError(e);
    return nullptr;
  }
  auto text = std::make_shared<std::string>();
  if (file->Stat(&stamp) != ERROR_SUCCESS ||
      ReadAll(*file, stamp.size, text.get()) != ERROR_SUCCESS) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  Remember(path, stamp, text);
  return text;
}

// Writers of a profile take turns under an exclusive lock on its last
// lockable byte, waiting up to about two seconds for it (then going on
// without it rather than hang on a file system whose locks misbehave).
constexpr uint64_t kWriterTurn = kVfsLockLimit - 1;

void TakeTurn(VfsFile& profile) {
  for (int attempt = 0; attempt < 2000; ++attempt) {
    if (detail::IoLock(profile, kWriterTurn, 1, false) != ERROR_LOCK_VIOLATION) return;
    Sleep(1);
  }
}

// A new file beside the profile, of a name no other file has.
DWORD CreateTemporary(Vfs& vfs, const std::string& path, std::string* name,
                      std::unique_ptr<VfsFile>* file) {
  static std::atomic<uint32_t> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    uint64_t mix = uint64_t(ReadClock().utc) * 0x9E3779B97F4A7C15ull +
                   (uint64_t(uint32_t(getpid())) << 20) + counter.fetch_add(1);
    mix ^= mix >> 29;
    char suffix[16];
    std::snprintf(suffix, sizeof(suffix), ".%06x", unsigned(mix & 0xFFFFFF));
    *name = path + suffix;
    VfsOpenMode mode;
    mode.write = true;
    mode.disposition = CREATE_NEW;
    bool existed = false;
    DWORD e = vfs.Open(*name, mode, file, &existed);
    if (e != ERROR_FILE_EXISTS) return e;
  }
  return ERROR_FILE_EXISTS;
}

// Writes the text as the new content of the profile: into a temporary
// file, on the disk (unless the process has turned synchronous writes
// off, as tests do), then put in the profile's place.
DWORD Replace(Vfs& vfs, const std::string& path, const std::string& text) {
  std::string tempName;
  std::unique_ptr<VfsFile> temp;
  DWORD e = CreateTemporary(vfs, path, &tempName, &temp);
  if (e != ERROR_SUCCESS) return e;
  DWORD done = 0;
  for (size_t at = 0; e == ERROR_SUCCESS && at < text.size(); at += done) {
    const DWORD chunk = DWORD(std::min<size_t>(text.size() - at, size_t(1) << 20));
    e = detail::IoWrite(*temp, at, text.data() + at, chunk, &done);
    if (e == ERROR_SUCCESS && done == 0) e = ERROR_DISK_FULL;
  }
  if (e == ERROR_SUCCESS && IsWriteThroughEnabled()) e = detail::IoSync(*temp);
  temp.reset();
  if (e == ERROR_SUCCESS) e = vfs.Replace(path, tempName);
  if (e != ERROR_SUCCESS) vfs.Delete(tempName);
  return e;
}

// Applies `edit` (text in, changed text out; false: nothing to change) to
// the profile in its writer's turn, and replaces the file with the result.
template <class Edit>
BOOL Rewrite(const std::string& path, bool mayCreate, Edit edit) {
  Vfs& vfs = CurrentVfs();
  for (int attempt = 0; attempt < 8; ++attempt) {
    // Open for writing: refused for a read-only profile, anything but a
    // regular file, and while a handle denies writing.
    VfsOpenMode mode;
    mode.write = true;
    mode.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    mode.disposition = mayCreate ? OPEN_ALWAYS : OPEN_EXISTING;
    std::unique_ptr<VfsFile> file;
    bool existed = false;
    DWORD e = vfs.Open(path, mode, &file, &existed);
    if (!mayCreate && (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND))
      return TRUE;  // nothing to delete
    if (e != ERROR_SUCCESS) return Fail(e);
    TakeTurn(*file);
    VfsInfo mine, now;
    if (file->Stat(&mine) != ERROR_SUCCESS || vfs.Stat(path, &now) != ERROR_SUCCESS ||
        mine.volume != now.volume || mine.id != now.id)
      continue;  // replaced by another writer meanwhile
    std::string text;
    bool replaced = false;
    e = ReadAll(*file, mine.size, &text);
    if (e == ERROR_SUCCESS && edit(&text)) {
      e = Replace(vfs, path, text);
      replaced = e == ERROR_SUCCESS;
      if (replaced && vfs.Stat(path, &now) == ERROR_SUCCESS)
        Remember(path, now, std::make_shared<const std::string>(std::move(text)));
    }
    file.reset();
    if (!existed && !replaced) vfs.Delete(path);  // made for a write that failed
    return e == ERROR_SUCCESS ? TRUE : Fail(e);
  }
  return Fail(ERROR_SHARING_VIOLATION);
}

// ---------------------------------------------------------------------------
// Edits.

std::string LineBreak(const std::string& text) {
  size_t eol = text.find('\n');
  if (eol == std::string::npos) return "\r\n";
  return eol > 0 && text[eol - 1] == '\r' ? "\r\n" : "\n";
}

bool HasBreak(const char* s) { return s && (std::strchr(s, '\n') || std::strchr(s, '\r')); }

bool SetValue(std::string* text, const char* section, const char* key, const char* value) {
  std::vector<Line> lines = Parse(*text);
  const std::string br = LineBreak(*text);
  int header = FindSection(*text, lines, section);
  if (header < 0) {
    std::string add;
    if (!text->empty() && text->back() != '\n') add += br;
    add += "[";
    add += section;
    add += "]" + br + key + "=" + value + br;
    *text += add;
    return true;
  }
  int at = FindKey(*text, lines, header, key);
  if (at >= 0) {
    const Line& l = lines[static_cast<size_t>(at)];
    std::string line = text->substr(l.begin, l.nameEnd - l.begin) + "=" + value;
    if (text->compare(l.begin, l.end - l.begin, line) == 0) return false;
    text->replace(l.begin, l.end - l.begin, line);
    return true;
  }
  // A new key goes after the last key of the section (after the header when
  // it has none), ahead of the blank lines and comments that lead to the
  // next section.
  size_t last = static_cast<size_t>(header);
  size_t end = SectionEnd(lines, last);
  for (size_t i = last + 1; i < end; ++i)
    if (lines[i].kind == Line::Key) last = i;
  const Line& l = lines[last];
  std::string add;
  if (l.next == l.end) add += br;  // the last line of the file has no break
  add += std::string(key) + "=" + value + br;
  text->insert(l.next, add);
  return true;
}

bool DeleteKey(std::string* text, const char* section, const char* key) {
  std::vector<Line> lines = Parse(*text);
  int header = FindSection(*text, lines, section);
  if (header < 0) return false;
  int at = FindKey(*text, lines, header, key);
  if (at < 0) return false;
  const Line& l = lines[static_cast<size_t>(at)];
  text->erase(l.begin, l.next - l.begin);
  return true;
}

bool DeleteSection(std::string* text, const char* section) {
  std::vector<Line> lines = Parse(*text);
  int header = FindSection(*text, lines, section);
  if (header < 0) return false;
  size_t end = SectionEnd(lines, static_cast<size_t>(header));
  size_t from = lines[static_cast<size_t>(header)].begin;
  size_t to = end < lines.size() ? lines[end].begin : text->size();
  text->erase(from, to - from);
  return true;
}

// ---------------------------------------------------------------------------
// Results.

DWORD CopyValue(const char* value, size_t n, char* buffer, DWORD size) {
  if (n > size - 1) n = size - 1;
  std::memcpy(buffer, value, n);
  buffer[n] = 0;
  return static_cast<DWORD>(n);
}

DWORD CopyList(const std::string& list, char* buffer, DWORD size) {
  if (list.size() + 1 <= size) {
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = 0;
    if (list.empty() && size >= 2) buffer[1] = 0;
    return static_cast<DWORD>(list.size());
  }
  if (size < 2) {
    buffer[0] = 0;
    return 0;
  }
  std::memcpy(buffer, list.data(), size - 2);
  buffer[size - 2] = 0;
  buffer[size - 1] = 0;
  return size - 2;
}

// Finds the value of a key; false when the section or key is missing.
bool LookUp(const std::string& text, const char* section, const char* key, std::string* value) {
  std::vector<Line> lines = Parse(text);
  int header = FindSection(text, lines, section);
  if (header < 0) return false;
  int at = FindKey(text, lines, header, key);
  if (at < 0) return false;
  const Line& l = lines[static_cast<size_t>(at)];
  size_t b = l.valueBegin, e = l.valueEnd;
  if (e - b >= 2 && (text[b] == '"' || text[b] == '\'') && text[e - 1] == text[b]) ++b, --e;
  value->assign(text, b, e - b);
  return true;
}

}  // namespace

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, DWORD size, const char* fileName) {
  if (!buffer || size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::shared_ptr<const std::string> loaded = Load(ResolveProfile(fileName));
  static const std::string kEmpty;
  const std::string& text = loaded ? *loaded : kEmpty;
  if (loaded) SetLastError(ERROR_SUCCESS);
  if (!section || !key) {
    std::string list;
    std::vector<Line> lines = Parse(text);
    if (!section) {
      std::vector<const Line*> seen;
      for (const Line& l : lines) {
        if (l.kind != Line::Section) continue;
        bool dup = false;
        for (const Line* s : seen)
          if (SameName(text.data() + s->nameBegin, s->nameEnd - s->nameBegin,
                       text.data() + l.nameBegin, l.nameEnd - l.nameBegin))
            dup = true;
        if (dup) continue;
        seen.push_back(&l);
        list.append(text, l.nameBegin, l.nameEnd - l.nameBegin);
        list.push_back('\0');
      }
    } else {
      int header = FindSection(text, lines, section);
      if (header >= 0) {
        size_t end = SectionEnd(lines, static_cast<size_t>(header));
        for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
          if (lines[i].kind != Line::Key) continue;
          list.append(text, lines[i].nameBegin, lines[i].nameEnd - lines[i].nameBegin);
          list.push_back('\0');
        }
      }
    }
    return CopyList(list, buffer, size);
  }
  std::string value;
  if (LookUp(text, section, key, &value)) return CopyValue(value.data(), value.size(), buffer, size);
  // The default, without its trailing blanks.
  const char* d = defaultValue ? defaultValue : "";
  size_t n = std::strlen(d);
  while (n > 0 && d[n - 1] == ' ') --n;
  return CopyValue(d, n, buffer, size);
}

INT ParseProfileInt(const char* text) {
  if (!text) return 0;
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  uint32_t v = 0;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    p += 2;
    for (;; ++p) {
      int d;
      if (*p >= '0' && *p <= '9') d = *p - '0';
      else if (*p >= 'a' && *p <= 'f') d = *p - 'a' + 10;
      else if (*p >= 'A' && *p <= 'F') d = *p - 'A' + 10;
      else break;
      v = v * 16 + static_cast<uint32_t>(d);
    }
  } else {
    for (; *p >= '0' && *p <= '9'; ++p) v = v * 10 + static_cast<uint32_t>(*p - '0');
  }
  if (negative) v = 0u - v;
  return static_cast<INT>(v);
}

UINT GetPrivateProfileIntA(const char* section, const char* key, INT defaultValue,
                           const char* fileName) {
  if (!section || !key) return static_cast<UINT>(defaultValue);
  std::shared_ptr<const std::string> text = Load(ResolveProfile(fileName));
  std::string value;
  if (!text || !LookUp(*text, section, key, &value) || value.empty())
    return static_cast<UINT>(defaultValue);
  SetLastError(ERROR_SUCCESS);
  return static_cast<UINT>(ParseProfileInt(value.c_str()));
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  if (!section) {
    if (!key && !value) return TRUE;  // flush: every write is already on disk
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (HasBreak(section) || HasBreak(key) || HasBreak(value)) return Fail(ERROR_INVALID_PARAMETER);
  const std::string path = ResolveProfile(fileName);
  if (!key)
    return Rewrite(path, false, [&](std::string* t) { return DeleteSection(t, section); });
  if (!value)
    return Rewrite(path, false, [&](std::string* t) { return DeleteKey(t, section, key); });
  return Rewrite(path, true, [&](std::string* t) { return SetValue(t, section, key, value); });
}

BOOL WritePrivateProfileIntA(const char* section, const char* key, INT value,
                             const char* fileName) {
  char text[16];
  auto r = std::to_chars(text, text + sizeof(text) - 1, value);
  *r.ptr = 0;
  return WritePrivateProfileStringA(section, key, text, fileName);
}

DWORD GetProfileStringA(const char* section, const char* key, const char* defaultValue,
                        char* buffer, DWORD size) {
  return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, nullptr);
}

UINT GetProfileIntA(const char* section, const char* key, INT defaultValue) {
  return GetPrivateProfileIntA(section, key, defaultValue, nullptr);
}

BOOL WriteProfileStringA(const char* section, const char* key, const char* value) {
  return WritePrivateProfileStringA(section, key, value, nullptr);
}

void SetSystemProfile(const char* fileName) {
  ProfileState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.systemProfile = fileName ? OsPath(fileName) : std::string();
}

std::string GetSystemProfile() { return SystemProfilePath(); }

}  // namespace plat
