// Loads the shared library and looks up every exported name built so far, so
// that an export that went missing fails here.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

const char* const kExports[] = {
    // errors and messages
    "ErrorMessageEx", "ErrorMessage", "IsMessageEnable", "mapErrorMessage", "mapMessageEnable",
    "mapIsMessageEnable", "mapSetHandleForMessage", "mapGetHandleForMessage", "mapMessageBox",
    // settings
    "SetMapAccessLanguage", "GetMapAccessLanguage", "mapSetPathShell", "mapGetPathShell",
    // host-side platform services
    "platSetMessageBoxHook", "platCreateWindow", "platDestroyWindow",
};

// Names that must stay inside the library.
const char* const kHidden[] = {"MapErrorText", "_Z12MapErrorTextii", "_Z14PathShellSetPKc"};

TEST(Exports, EveryNameResolves) {
  void* lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  for (const char* name : kHidden) EXPECT_EQ(dlsym(lib, name), nullptr) << name;
  dlclose(lib);
}

}  // namespace
