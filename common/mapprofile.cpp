#include "common/mapprofile.h"

#include <cstdio>
#include <cstring>

#include "platform/profile.h"

namespace {

void CopyBounded(char* dst, size_t size, const char* src) {
  dst[0] = 0;
  if (src == nullptr) return;
  size_t n = 0;
  while (n + 1 < size && src[n]) ++n;
  std::memcpy(dst, src, n);
  dst[n] = 0;
}

}  // namespace

TMapProfile::TMapProfile(const char* section, const char* fileName) {
  CopyBounded(section_, sizeof(section_), section);
  CopyBounded(file_, sizeof(file_), fileName);
}

int TMapProfile::GetInt(const char* key, int defaultValue) {
  if (file_[0])
    return static_cast<int>(plat::GetPrivateProfileIntA(SectionOrNull(), key, defaultValue, file_));
  return static_cast<int>(plat::GetProfileIntA(SectionOrNull(), key, defaultValue));
}

int TMapProfile::GetString(const char* key, char* buffer, unsigned size, const char* defaultValue) {
  if (buffer == nullptr || size == 0) return 0;
  if (file_[0])
    return static_cast<int>(
        plat::GetPrivateProfileStringA(SectionOrNull(), key, defaultValue, buffer, size, file_));
  return static_cast<int>(plat::GetProfileStringA(SectionOrNull(), key, defaultValue, buffer, size));
}

int TMapProfile::WriteString(const char* key, const char* value) {
  if (file_[0]) return plat::WritePrivateProfileStringA(SectionOrNull(), key, value, file_);
  return plat::WriteProfileStringA(SectionOrNull(), key, value);
}

int TMapProfile::WriteInt(const char* key, int value) {
  char text[16];
  std::snprintf(text, sizeof(text), "%d", value);
  return WriteString(key, text);
}

int TMapProfile::Flush() {
  if (!file_[0]) return 0;
  return plat::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file_);
}
