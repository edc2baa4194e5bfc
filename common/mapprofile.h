// Keys of one section of an INI profile: a private file when a name is
// given, the system profile otherwise.
#pragma once

#include "platform/export.h"
#include "platform/win_types.h"

class MAPCLASS TMapProfile {
 public:
  // Section first; each is kept up to 259 characters, a null one is empty.
  TMapProfile(const char* section, const char* fileName);

  int GetInt(const char* key, int defaultValue);
  // The number of characters copied into the buffer. An empty section lists
  // the section names, a null key the keys of the section.
  int GetString(const char* key, char* buffer, unsigned size, const char* defaultValue);
  int WriteString(const char* key, const char* value);
  // Signed decimal text.
  int WriteInt(const char* key, int value);
  // Writes a private profile out; nothing to do for the system profile.
  int Flush();

  const char* Section() const { return section_; }
  const char* FileName() const { return file_; }

 private:
  const char* SectionOrNull() const { return section_[0] ? section_ : nullptr; }

  char section_[MAX_PATH];
  char file_[MAX_PATH];
};
