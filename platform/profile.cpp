#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/file.h"
#include "platform/vfs_system.h"
#include "platform/host.h"
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
    dev_t dev;
    ino_t ino;
    off_t size;
    struct timespec mtime;
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

bool SameStamp(const ProfileState::Cached& c, const struct stat& st) {
  return c.dev == st.st_dev && c.ino == st.st_ino && c.size == st.st_size &&
         c.mtime.tv_sec == st.st_mtim.tv_sec && c.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

void Remember(const std::string& path, const struct stat& st,
              std::shared_ptr<const std::string> text) {
  ProfileState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  for (auto it = s.cache.begin(); it != s.cache.end(); ++it) {
    if (it->path == path) {
      s.cache.erase(it);
      break;
    }
  }
  s.cache.push_front({path, st.st_dev, st.st_ino, st.st_size, st.st_mtim, std::move(text)});
  while (s.cache.size() > 8) s.cache.pop_back();
}

bool ReadAll(int fd, off_t size, std::string* out) {
  out->assign(static_cast<size_t>(size), '\0');
  size_t done = 0;
  while (done < out->size()) {
    ssize_t n = ::pread(fd, &(*out)[done], out->size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  out->resize(done);
  return true;
}

// The profile's text; null when the file cannot be read (last error set).
std::shared_ptr<const std::string> Load(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    detail::FailForName(errno, path);
    return nullptr;
  }
  {
    ProfileState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    for (const auto& c : s.cache)
      if (c.path == path && SameStamp(c, st)) return c.text;
  }
  // Not blocking in the open: a pipe of the profile's name must not hang
  // the caller (it is then refused as no regular file).
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    detail::FailForName(errno, path);
    return nullptr;
  }
  auto text = std::make_shared<std::string>();
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAll(fd, st.st_size, text.get());
  if (!ok) {
    SetLastError(ERROR_ACCESS_DENIED);
    ::close(fd);
    return nullptr;
  }
  ::close(fd);
  Remember(path, st, text);
  return text;
}

bool WriteAllFd(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Applies `edit` (text in, changed text out; false: nothing to change) to
// the profile under an exclusive lock on it, and replaces the file with the
// result through a temporary file.
template <class Edit>
BOOL Rewrite(const std::string& path, bool mayCreate, Edit edit) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    bool created = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT) {
      if (!mayCreate) return TRUE;  // nothing to delete
      fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
      if (fd < 0 && errno == EEXIST) continue;
      created = fd >= 0;
    }
    if (fd < 0) return detail::FailForName(errno, path);
    BOOL result = FALSE;
    bool retry = false;
    std::string tempName;
    {
      detail::ShareGuard guard(fd);
      struct stat st, now;
      std::string text;
      if (fstat(fd, &st) != 0 || ::stat(path.c_str(), &now) != 0 || st.st_ino != now.st_ino ||
          st.st_dev != now.st_dev) {
        retry = true;  // replaced by another writer meanwhile
      } else if (!S_ISREG(st.st_mode) || detail::IsReadOnlyMode(st.st_mode)) {
        result = Fail(ERROR_ACCESS_DENIED);
      } else if (detail::ShareConflicts(fd, false, true, FILE_SHARE_READ | FILE_SHARE_WRITE)) {
        result = Fail(ERROR_SHARING_VIOLATION);
      } else if (!ReadAll(fd, st.st_size, &text)) {
        result = FailWithErrno();
      } else if (!edit(&text)) {
        result = TRUE;
      } else {
        tempName = path + ".XXXXXX";
        int out = mkostemp(&tempName[0], O_CLOEXEC);
        if (out < 0) {
          tempName.clear();
          result = detail::FailForName(errno, path);
        } else {
          // On disk before it replaces the profile (unless the process has
          // turned synchronous writes off, as tests do).
          bool ok = WriteAllFd(out, text) && (!IsWriteThroughEnabled() || fsync(out) == 0);
          int error = errno;
          if (ok) {
            fchmod(out, st.st_mode & 07777);
            if (fchown(out, st.st_uid, st.st_gid) != 0) {
              // Ownership is kept where allowed; another owner is no fault.
            }
          }
          ::close(out);
          if (ok && ::rename(tempName.c_str(), path.c_str()) == 0) {
            tempName.clear();
            created = false;
            struct stat written;
            if (::stat(path.c_str(), &written) == 0)
              Remember(path, written, std::make_shared<const std::string>(std::move(text)));
            result = TRUE;
          } else {
            result = Fail(ErrorFromErrno(ok ? errno : error));
          }
        }
      }
      if (!tempName.empty()) ::unlink(tempName.c_str());
      if (created && !retry) ::unlink(path.c_str());  // made for a write that failed
    }
    ::close(fd);
    if (!retry) return result;
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

extern "C" {

void WINAPI platSetSystemProfile(const char* fileName) { plat::SetSystemProfile(fileName); }

}  // extern "C"
