// The map object's exported class and settings resolve in the shared
// library; the select-list helpers stay inside.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

const char* const kExports[] = {
    "SetGroupObjectsAccess",
    "GetGroupObjectsAccess",
    "mapGetLogAccess",
    "mapLogAccess",
    // exported classes (one method or more of each)
    "_ZN4TMap8OpenDataEPKci",
    "_ZN4TMap9CloseDataEv",
    "_ZN4TMap12CreateDataExEPKcS1_P13MAPREGISTEREXP12LISTREGISTER",
    "_ZN4TMap15CreateMapBorderEv",
    "_ZN10TMapGroups4OpenEPKc",
    "_ZN10TMapGroups7RestoreEP4TMapPKc",
    "_ZN12TObjectGroup12AppendObjectEi9NUMBERKEY",
    "_ZN12TMapKeyTable8CheckMapEP4TMap",
    "_ZN10TMapColors13RestoreColorsEv",
};

const char* const kHidden[] = {"_Z6slInitP10SELECTLISTPv", "_Z6slFreeP10SELECTLIST"};

}  // namespace

TEST(ExportsMap, EveryNameResolves) {
  void* lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  for (const char* name : kHidden) EXPECT_EQ(dlsym(lib, name), nullptr) << name;

  using Set = int (*)(int);
  using Get = int (*)();
  auto set = reinterpret_cast<Set>(dlsym(lib, "SetGroupObjectsAccess"));
  auto get = reinterpret_cast<Get>(dlsym(lib, "GetGroupObjectsAccess"));
  ASSERT_NE(set, nullptr);
  ASSERT_NE(get, nullptr);
  EXPECT_EQ(0, get());
  EXPECT_EQ(1, set(7));
  EXPECT_EQ(1, get());
  EXPECT_EQ(0, set(0));

  // A handle that is no map of the library is refused, never read.
  using GetAccess = int (*)(intptr_t, intptr_t);
  using SetAccess = int (*)(intptr_t, intptr_t, int);
  auto getAccess = reinterpret_cast<GetAccess>(dlsym(lib, "mapGetLogAccess"));
  auto setAccess = reinterpret_cast<SetAccess>(dlsym(lib, "mapLogAccess"));
  ASSERT_NE(getAccess, nullptr);
  ASSERT_NE(setAccess, nullptr);
  int notAMap[64] = {};
  const intptr_t foreign = reinterpret_cast<intptr_t>(notAMap);
  EXPECT_EQ(0, getAccess(0, 0));
  EXPECT_EQ(0, getAccess(foreign, 0));
  EXPECT_EQ(0, setAccess(foreign, 0, 1));
  dlclose(lib);
}
