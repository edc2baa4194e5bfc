// The exported journal functions resolve in the shared library, and answer 0
// for a document whose journal cannot be found.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>

namespace {

const char* const kExports[] = {
    "mapLogCount",         "mapLogDate",         "mapLogCreateAction",
    "mapLogPutRecord",     "mapLogCommitAction", "mapLogGetActionNumberByTime",
    "mapReadLastAction",   "mapLogReadAction",   "mapLogGetActionRecord",
    "mapLogGetActionRecordCount", "mapLogIsWrite", "mapLogFlush",
};

// Names that must stay inside the library.
const char* const kHidden[] = {"logOpen", "_Z7logOpenP7TMapLogPKc", "_Z10FindMapLogll"};

TEST(ExportsMapStore, EveryNameResolves) {
  void* lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  for (const char* name : kHidden) EXPECT_EQ(dlsym(lib, name), nullptr) << name;

  using Count = int32_t (*)(intptr_t, intptr_t);
  auto count = reinterpret_cast<Count>(dlsym(lib, "mapLogCount"));
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count(0, 0), 0);
  EXPECT_EQ(count(12345, 0), 0);
  using Date = int32_t (*)(intptr_t, intptr_t, int32_t*, int32_t*);
  auto date = reinterpret_cast<Date>(dlsym(lib, "mapLogDate"));
  ASSERT_NE(date, nullptr);
  int32_t d = 0, t = 0;
  EXPECT_EQ(date(1, 0, &d, &t), 0);
  dlclose(lib);
}

}  // namespace
