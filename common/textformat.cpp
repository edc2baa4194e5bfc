#include "common/textformat.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "platform/path.h"

namespace {

constexpr int kTextLimit = 31;       // characters of a text read
constexpr char kDegreeSign = '\xB0';

int g_objectKeyFormat = 2;

// A copy of at most 31 characters of the text.
void Take(const char* text, char (&out)[kTextLimit + 1]) {
  const size_t n = text ? strnlen(text, kTextLimit) : 0;
  if (n) std::memcpy(out, text, n);
  out[n] = 0;
}

// The first c in the text before its end or its first control character.
const char* FindChar(const char* text, char c) {
  for (; text && *text && static_cast<unsigned char>(*text) >= 32; ++text)
    if (*text == c) return text;
  return nullptr;
}

// yyyymmdd or hhmmss from three fields split by `sep` (the first one found
// of `seps`); `yearFirst` allows a four-character first field to lead.
LONG ThreeFields(const char* given, const char* seps, bool yearFirst) {
  char text[kTextLimit + 1];
  Take(given, text);
  const char* first = nullptr;
  char sep = 0;
  for (const char* s = seps; *s && first == nullptr; ++s)
    if ((first = FindChar(text, *s)) != nullptr) sep = *s;
  if (first == nullptr) return LONG(int32_t(std::strtoll(text, nullptr, 10)));
  const char* second = FindChar(first + 1, sep);
  if (second == nullptr) return 0;
  const int64_t a = std::strtoll(text, nullptr, 10), b = std::strtoll(first + 1, nullptr, 10),
                c = std::strtoll(second + 1, nullptr, 10);
  const int64_t value = yearFirst && first - text == 4 ? a * 10000 + b * 100 + c
                                                          : c * 10000 + b * 100 + a;
  return LONG(int32_t(uint32_t(uint64_t(value))));
}

// The value in decimal with a blank after every third character from the
// right, into a buffer of `size` bytes.
void Grouped(int64_t value, char* buffer, int size) {
  char digits[32];
  const int n = std::snprintf(digits, sizeof(digits), "%" PRId64, value);
  char out[48];
  int k = 0;
  for (int i = 0; i < n; ++i) {
    out[k++] = digits[i];
    const int left = n - 1 - i;  // characters still to come
    if (left > 0 && left % 3 == 0) out[k++] = ' ';
  }
  out[k] = 0;
  std::snprintf(buffer, size_t(size), "%s", out);
}

}  // namespace

LONG DateToLong(const char* text) { return ThreeFields(text, "/.", true); }

int LongToDate(LONG date, char* buffer, int size) {
  if (buffer == nullptr || size < 11) return 0;
  std::snprintf(buffer, size_t(size), "%02i/%02i/%04i", int(date % 100), int(date / 100 % 100),
                int(date / 10000));
  return 1;
}

LONG TimeToLong(const char* text) {
  // Hours lead: a time has no four-character first field to tell apart.
  char copy[kTextLimit + 1];
  Take(text, copy);
  const char* first = FindChar(copy, ':');
  if (first == nullptr) return LONG(int32_t(std::strtoll(copy, nullptr, 10)));
  const char* second = FindChar(first + 1, ':');
  if (second == nullptr) return 0;
  const int64_t value = std::strtoll(copy, nullptr, 10) * 10000 +
                        std::strtoll(first + 1, nullptr, 10) * 100 +
                        std::strtoll(second + 1, nullptr, 10);
  return LONG(int32_t(uint32_t(uint64_t(value))));
}

int LongToTime(LONG time, char* buffer, int size) {
  if (buffer == nullptr || size < 9) return 0;
  std::snprintf(buffer, size_t(size), "%02i:%02i:%02i", int(time / 10000), int(time / 100 % 100),
                int(time % 100));
  return 1;
}

double AngleToRadian(const char* given) {
  if (given == nullptr) return 0.0;
  while (*given == ' ') ++given;
  char text[kTextLimit + 1];
  Take(given, text);
  if (text[0] == 0) return 0.0;
  constexpr double kDegree = std::numbers::pi / 180.0;
  const char* degree = std::strchr(text, kDegreeSign);
  const char* minute = degree ? std::strchr(degree, '\'') : nullptr;
  if (degree == nullptr || minute == nullptr) return std::atof(text) * kDegree;
  const bool negative = text[0] == '-';
  const int degrees = std::abs(std::atoi(text));
  const int minutes = std::atoi(degree + 1);
  const double seconds = std::strchr(minute, '"') ? std::atof(minute + 1) : 0.0;
  const double value = (degrees + minutes / 60.0 + seconds / 3600.0) * kDegree;
  return negative ? -value : value;
}

namespace {

// Degrees to whole degrees, minutes and seconds, each with the sign of d.
void SplitDegrees(double d, int32_t* degree, int32_t* minute, float* second) {
  if (!(std::fabs(d) <= 10000)) d = 0;
  const double whole = std::trunc(d);
  const double m = (d - whole) * 60;
  int32_t D = static_cast<int32_t>(whole);
  int32_t M = static_cast<int32_t>(std::trunc(m));
  float S = static_cast<float>((m - M) * 60);
  if (S + 0.0001 > 60) {
    S = 0;
    ++M;
  }
  if (M >= 60) {
    M = 0;
    ++D;
  }
  *degree = D % 360;
  *minute = M;
  *second = S;
}

}  // namespace

void RadianToSignDegree(double radians, SIGNDEGREE* out) {
  double d = radians * 180 / std::numbers::pi;
  if (!(std::fabs(d) <= 10000)) d = 0;
  out->Sign = 1;
  if (d < 0) {
    d = -d;
    out->Sign = -1;
  }
  SplitDegrees(d, &out->Degree, &out->Minute, &out->Second);
}

void RadianToDegree(double radians, DEGREE* out) {
  SplitDegrees(radians * 180 / std::numbers::pi, &out->Degree, &out->Minute, &out->Second);
}

int RadianToAngle(double radians, char* buffer, int size) {
  if (buffer == nullptr || size < 15) return 0;
  SIGNDEGREE a;
  RadianToSignDegree(radians, &a);
  std::snprintf(buffer, size_t(size), "%s%i\xB0%02i'%0.2f\"", a.Sign < 0 ? "-" : "", a.Degree,
                a.Minute, double(a.Second));
  return 1;
}

int LongToGroupedString(LONG value, char* buffer, int size) {
  if (buffer == nullptr || size < 16) return 0;
  Grouped(value, buffer, size);
  return 1;
}

int Int64ToGroupedString(int64_t value, char* buffer, int size) {
  if (buffer == nullptr || size < 32) return 0;
  Grouped(value, buffer, size);
  return 1;
}

int ScaleToString(double scale, char* buffer, int size) {
  if (buffer == nullptr || size < 16) return 0;
  if (!(scale >= 0.0001)) scale = 0.0001;  // NaN too
  if (scale > 999999999.0) scale = 999999999.0;
  char number[24];
  if (scale >= 1.0) {
    Grouped(static_cast<int64_t>(scale + 0.5), number, sizeof(number));
    std::snprintf(buffer, size_t(size), "1 : %s", number);
  } else {
    Grouped(static_cast<int64_t>(1.0 / scale + 0.5), number, sizeof(number));
    std::snprintf(buffer, size_t(size), "%s : 1", number);
  }
  return 1;
}

int ObjectKeyFormatGet() { return g_objectKeyFormat; }

int ObjectKeyFormatSet(int format) { return g_objectKeyFormat = format == 2 ? 2 : 1; }

int ObjectKeyToString(DWORD key, char* buffer, int size, int format) {
  if (buffer == nullptr || size < 12) return 0;
  if (format == 0) format = g_objectKeyFormat;
  if (format == 2)
    std::snprintf(buffer, size_t(size), "%d", int32_t(key));
  else
    std::snprintf(buffer, size_t(size), "%u/%u", unsigned(key >> 16), unsigned(key & 0xFFFF));
  return 1;
}

int StringToObjectKey(const char* text, DWORD* key) {
  if (text == nullptr || key == nullptr) return 0;
  while (*text == ' ') ++text;
  if (*text == 0) return 0;
  DWORD high = 0, part = 0;
  int digits = 0;
  bool low = false;
  for (;; ++text) {
    const char c = *text;
    if (c >= '0' && c <= '9') {
      if (++digits > kTextLimit) return 0;
      part = part * 10 + DWORD(c - '0');
    } else if ((c == '/' || c == '\\') && !low) {
      high = part << 16;
      part = 0;
      digits = 0;
      low = true;
    } else if (c == 0) {
      break;
    } else {
      return 0;
    }
  }
  *key = high + part;
  return 1;
}

char* PathToShort(const char* path, char* buffer, int size) {
  if (path == nullptr || buffer == nullptr || size < 4) return nullptr;
  char d[MAX_DRIVE] = {}, p[MAX_DIR] = {}, n[MAX_FNAME] = {}, e[MAX_EXT] = {};
  plat::SplitPath(path, d, p, n, e);
  const int ld = int(std::strlen(d)), lp = int(std::strlen(p)), ln = int(std::strlen(n)),
            le = int(std::strlen(e));
  const int s = size;
  const size_t out = size_t(size);
  if (s <= ln) {
    std::snprintf(buffer, out, "%.*s", s - 1, n);
    return buffer;
  }
  const int r = s - ln;
  if (r <= le) {
    std::snprintf(buffer, out, "%s%.*s", n, r - 1, e);
    return buffer;
  }
  const int k = r - le - 3;
  if (k <= 2) {
    std::snprintf(buffer, out, "%s%s", n, e);
  } else if (k <= ld) {
    std::snprintf(buffer, out, "%.*s..\\%s%s", k - 1, d, n, e);
  } else if (const int j = k - ld; j <= lp) {
    std::snprintf(buffer, out, "%s%.*s..\\%s%s", d, j - 1, p, n, e);
  } else {
    std::snprintf(buffer, out, "%s%s%s%s", d, p, n, e);
  }
  return buffer;
}

const char* BuildShortName(const char* base, const char* name) {
  if (base == nullptr || name == nullptr) return nullptr;
  char bd[MAX_DRIVE] = {}, bp[MAX_DIR] = {};
  plat::SplitPath(base, bd, bp, nullptr, nullptr);
  char folder[MAX_DRIVE + MAX_DIR];
  std::snprintf(folder, sizeof(folder), "%s%s", bd, bp);
  const size_t length = std::strlen(folder);
  const size_t start = plat::FileNameOffset(name);  // the name's folder ends here
  if (length == 0 || length > start) return name;
  for (size_t i = 0; i < length; ++i) {
    char a = folder[i], b = name[i];
    if (a == '/') a = '\\';
    if (b == '/') b = '\\';
    if (a >= 'a' && a <= 'z') a = char(a - 32);
    if (b >= 'a' && b <= 'z') b = char(b - 32);
    if (a != b) return name;
  }
  return name + length;
}

char* BuildLongName(const char* base, const char* name, char* out) {
  if (base == nullptr || name == nullptr || out == nullptr) return nullptr;
  char d[MAX_DRIVE] = {}, p[MAX_DIR] = {};
  plat::SplitPath(name, d, p, nullptr, nullptr);
  const bool twoSlashes = (p[0] == '\\' || p[0] == '/') && (p[1] == '\\' || p[1] == '/');
  const bool rooted = name[0] == '/';  // this system's own absolute names
  if (name[0] != '.' && (d[0] != 0 || twoSlashes || rooted)) {
    std::snprintf(out, MAX_PATH, "%s", name);
    return out;
  }
  char bd[MAX_DRIVE] = {}, bp[MAX_DIR] = {};
  plat::SplitPath(base, bd, bp, nullptr, nullptr);
  std::snprintf(out, MAX_PATH, "%s%s%s", bd, bp, name[0] == '.' ? name + 1 : name);
  return out;
}
