// The folder of the common classifiers.
#include <cstring>

#include "classifier/rscdata.h"
#include "platform/path.h"

namespace {
char g_commonRscPath[MAX_PATH];
}

const char* CommonRscPathSet(const char* path) {
  if (!path) return nullptr;
  const size_t length = strlen(path);
  if (length < 2 || length > 259) return nullptr;
  const bool separator = plat::IsPathSeparator(path[length - 1]);
  // The added backslash must fit as well.
  if (!separator && length + 1 >= MAX_PATH) return nullptr;
  memcpy(g_commonRscPath, path, length + 1);
  if (!separator) {
    g_commonRscPath[length] = '\\';
    g_commonRscPath[length + 1] = 0;
  }
  return path;
}

const char* CommonRscPathGet() { return g_commonRscPath; }
