// Exported settings of the platform layer's kernel services: each must be
// found in the shared library.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

const char* const kExports[] = {"platAddLibraryFolder", "platSetSystemProfile"};

// Kernel calls of the platform layer stay inside the library.
const char* const kHidden[] = {"_ZN4plat11CreateFileAEPKcjjPvjjS2_", "_ZN4plat12LoadLibraryAEPKc"};

TEST(ExportsPlatform, EveryNameResolves) {
  void* lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  for (const char* name : kHidden) EXPECT_EQ(dlsym(lib, name), nullptr) << name;
  dlclose(lib);
}

}  // namespace
