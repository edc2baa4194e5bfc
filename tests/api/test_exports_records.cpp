// The exported functions and classes of the object records resolve in the
// shared library.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

const char* const kExports[] = {
    "mapCompareTemplateString",
    // exported classes (one method of each)
    "_ZN8TSemBase16LoadStringNumberEPKc",
    "_ZN13TWorkSemantic8FindCodeEi",
    "_ZN9TSemnEdit4LoadE11TObjectSemn",
    "_ZN11TObjectDraw14ElementAddressEPK7IMGDRAWi",
    "_ZN9TDrawEdit13AppendElementEiPKc",
};

// Internal helpers stay inside the library.
const char* const kHidden[] = {"_Z21CompareTemplateStringPKcS0_", "CompareTemplateString"};

TEST(ExportsRecords, EveryNameResolves) {
  void* lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  for (const char* name : kHidden) EXPECT_EQ(dlsym(lib, name), nullptr) << name;
  using Compare = int (*)(const char*, const char*);
  auto compare = reinterpret_cast<Compare>(dlsym(lib, "mapCompareTemplateString"));
  ASSERT_NE(compare, nullptr);
  EXPECT_EQ(compare("river Don", "*DON"), 2);
  EXPECT_EQ(compare("A", "A?"), 5);
  EXPECT_EQ(compare(nullptr, "A"), 0);
  dlclose(lib);
}

}  // namespace
