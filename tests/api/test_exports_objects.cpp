// The exported map object classes resolve in the shared library.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

const char* const kExports[] = {
    // exported classes (a few methods of each)
    "_ZN11TObjectInfo6ObjectEP4TMapii",
    "_ZN11TObjectInfo12CreateObjectEP4TMapiii",
    "_ZN11TObjectInfo14RegisterObjectEii",
    "_ZN11TObjectInfo10FromHandleEl",
    "_ZN11TObjectDesc12RegisterDescEiP7TMapRsc",
};

TEST(ExportsObjects, EveryNameResolves) {
  void* lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  dlclose(lib);
}

}  // namespace
