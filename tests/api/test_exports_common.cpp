// The exported common services resolve in the shared library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

const char* const kExports[] = {
    // log time stamp and file kinds
    "mapGetTheTime", "mapCheckFile",
    // libraries
    "mapLoadLibrary", "mapFreeLibrary", "mapGetProcAddress",
    // map fonts
    "GetMapFont", "mapGetMapFont", "mapGetMapFontName", "mapGetMapFontCharSet", "GetMapFontIndex",
    "mapGetMapFontIndex", "SetMapFont", "mapSetMapFont", "mapSetMapFontName",
    "mapSetMapFontCharSet",
    // dialog fonts
    "GetDialogStringFont", "mapGetDialogStringFont", "GetDialogTableFont", "mapGetDialogTableFont",
    "SetDialogStringFont", "mapSetDialogStringFont", "SetDialogTableFont", "mapSetDialogTableFont",
    "mapGetDialogStringFontSize", "mapGetDialogTableFontSize", "mapSetDialogStringFontSize",
    "mapSetDialogTableFontSize",
    // exported classes: profile and file copy
    "_ZN11TMapProfileC1EPKcS1_", "_ZN11TMapProfile6GetIntEPKci", "_ZN11TMapProfile8WriteIntEPKci",
    "_ZN9TCopyFile4CopyEPKcS1_ii", "_ZN12TPrepareFile3RunEPKcii", "_ZTV9TCopyFile",
};

// Names that stay inside the library.
const char* const kHidden[] = {"_Z13CheckFileKindPKc", "_Z15RegisterMapFontPKchh",
                               "_Z19LoadLibraryFunctionPKcPP9HMODULE__S0_i"};

TEST(ExportsCommon, EveryNameResolves) {
  void* lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  for (const char* name : kHidden) EXPECT_EQ(dlsym(lib, name), nullptr) << name;

  // A font name is copied zero-filled and always terminated.
  using GetName = char* (*)(intptr_t, int, char*, int);
  auto getName = reinterpret_cast<GetName>(dlsym(lib, "mapGetMapFontName"));
  ASSERT_NE(getName, nullptr);
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(getName(0, 0, buffer, sizeof(buffer)), buffer);
  EXPECT_EQ(buffer[3], 0);
  EXPECT_EQ(getName(0, 0, nullptr, 4), nullptr);

  // Null arguments are refused.
  using GetProc = void* (*)(void*, const char*);
  auto getProc = reinterpret_cast<GetProc>(dlsym(lib, "mapGetProcAddress"));
  ASSERT_NE(getProc, nullptr);
  EXPECT_EQ(getProc(nullptr, "x"), nullptr);
  using CheckFile = int32_t (*)(const char*);
  auto checkFile = reinterpret_cast<CheckFile>(dlsym(lib, "mapCheckFile"));
  ASSERT_NE(checkFile, nullptr);
  EXPECT_EQ(checkFile(nullptr), 0);
  dlclose(lib);
}

}  // namespace
