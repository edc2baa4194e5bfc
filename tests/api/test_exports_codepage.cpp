// The exported code-page conversions resolve in the shared library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

const char* const kExports[] = {"Win2Dos", "Ansi2Dos", "Dos2Win", "Text2Win", "Koi82Win", "mapDos2Win"};

TEST(ExportsCodePage, EveryNameResolves) {
  void* lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  // mapDos2Win converts always and leaves Latin letters alone.
  using Fn = char* (*)(char*, int);
  auto fn = reinterpret_cast<Fn>(dlsym(lib, "mapDos2Win"));
  ASSERT_NE(fn, nullptr);
  char s[] = "TA\x80";
  fn(s, 3);
  EXPECT_EQ(0, std::memcmp(s, "TA\xC0", 3));
  dlclose(lib);
}

}  // namespace
