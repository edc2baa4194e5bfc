#include "common/language.h"

#include <cstring>

namespace {
int g_language = MAPLANG_ENGLISH;
char g_pathShell[260] = "";
}  // namespace

void LanguageSet(int language) { g_language = language; }

int LanguageGet() { return g_language; }

int PathShellSet(const char* fileName) {
  if (!fileName) {
    g_pathShell[0] = 0;
    return 1;
  }
  // The folder ends at the last separator of either kind; a name without
  // one has no folder.
  size_t end = 0;
  for (size_t i = 0; fileName[i]; ++i) {
    if (fileName[i] == '\\' || fileName[i] == '/' || fileName[i] == ':') end = i + 1;
  }
  // A folder cut to fit would name some other folder, from which a library
  // of the same file name might then be loaded: keep none instead.
  if (end >= sizeof(g_pathShell)) end = 0;
  std::memcpy(g_pathShell, fileName, end);
  g_pathShell[end] = 0;
  return 1;
}

const char* PathShellGet() { return g_pathShell; }
