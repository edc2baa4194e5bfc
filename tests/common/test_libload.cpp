// Loading sibling libraries by name for one entry point.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <filesystem>
#include <string>

#include "common/language.h"
#include "common/libload.h"
#include "common/messages.h"
#include "support/scratch_dir.h"
#include "support/host_recorder.h"

namespace {

using mctest::RecordingMessageBox;
using mctest::RecordingWindow;

std::string g_converted;
void* g_checkedMap = nullptr;
int g_checkMode = 0;
HWND g_checkWindow = nullptr;

int FakeConvert(const char* name) {
  g_converted = name ? name : "";
  return 7;
}
int FakeCheck(void* map, int mode, HWND window) {
  g_checkedMap = map;
  g_checkMode = mode;
  g_checkWindow = window;
  return 3;
}
int Unrelated() { return 0; }

class LibLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageEnableSet(1);
    MessageWindowSet(nullptr);
    const plat::LibraryEntry convert[] = {{"LoadOldVersionData", plat::LibraryProc(&FakeConvert)}};
    plat::RegisterLibraryProvider("TORVEK45.DLL", convert, 1);
    const plat::LibraryEntry check[] = {{"vecStructureControl", plat::LibraryProc(&FakeCheck)}};
    plat::RegisterLibraryProvider("TORVELDA.DLL", check, 1);
    const plat::LibraryEntry other[] = {{"Unrelated", plat::LibraryProc(&Unrelated)}};
    plat::RegisterLibraryProvider("NOENTRY.DLL", other, 1);
    plat::RegisterMissingLibrary("ABSENT.DLL");
  }
  void TearDown() override {
    for (const char* n : {"TORVEK45.DLL", "TORVELDA.DLL", "NOENTRY.DLL", "ABSENT.DLL"})
      plat::UnregisterLibraryProvider(n);
    MessageEnableSet(1);
    MessageWindowSet(nullptr);
    PathShellSet(nullptr);
  }
  // True while the library is loaded: frees our own extra reference.
  static bool StillLoaded(HMODULE ours) {
    const BOOL first = plat::FreeLibrary(ours);
    const BOOL second = plat::FreeLibrary(ours);
    return first && second;
  }
  RecordingMessageBox box;
};

TEST_F(LibLoad, RegisteredSiblingIsFoundAndItsEntryCalled) {
  HMODULE module = nullptr;
  FARPROC proc = LoadLibraryFunction("TORVEK45.DLL", &module, "LoadOldVersionData", 1);
  ASSERT_NE(proc, nullptr);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(reinterpret_cast<int (*)(const char*)>(proc)("m.sit"), 7);
  EXPECT_EQ(g_converted, "m.sit");
  EXPECT_TRUE(FreeLibraryModule(module));
  EXPECT_TRUE(box.boxes().empty());
}

TEST_F(LibLoad, MissingLibraryReports60107WithItsName) {
  HMODULE module = reinterpret_cast<HMODULE>(1);
  EXPECT_EQ(LoadLibraryFunction("ABSENT.DLL", &module, "Entry", 1), nullptr);
  EXPECT_EQ(module, nullptr);
  ASSERT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(box.boxes()[0].text, "Library not found - ABSENT.DLL");

  // Unreported, and with messages off: no box either way.
  EXPECT_EQ(LoadLibraryFunction("ABSENT.DLL", &module, "Entry", 0), nullptr);
  MessageEnableSet(0);
  module = reinterpret_cast<HMODULE>(1);
  EXPECT_EQ(LoadLibraryFunction("ABSENT.DLL", &module, "Entry", 1), nullptr);
  EXPECT_EQ(module, nullptr);
  EXPECT_EQ(box.boxes().size(), 1u);
  EXPECT_STREQ(LastMessageText(), "Library not found - ABSENT.DLL");
}

TEST_F(LibLoad, MissingEntryReports60108AndUnloads) {
  HMODULE ours = plat::LoadLibraryA("NOENTRY.DLL");
  ASSERT_NE(ours, nullptr);
  HMODULE module = reinterpret_cast<HMODULE>(1);
  EXPECT_EQ(LoadLibraryFunction("NOENTRY.DLL", &module, "vecStructureControl", 1), nullptr);
  EXPECT_EQ(module, nullptr);
  ASSERT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(box.boxes()[0].text, "Library is bad - NOENTRY.DLL");
  // Only our own reference is left.
  EXPECT_FALSE(StillLoaded(ours));
}

TEST_F(LibLoad, ThinWrappersRefuseNullArguments) {
  EXPECT_EQ(LoadLibraryModule(nullptr), nullptr);
  EXPECT_EQ(GetLibraryProc(nullptr, "LoadOldVersionData"), nullptr);
  EXPECT_FALSE(FreeLibraryModule(nullptr));
  HMODULE m = LoadLibraryModule("TORVEK45.DLL");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(GetLibraryProc(m, nullptr), nullptr);
  EXPECT_NE(GetLibraryProc(m, "LoadOldVersionData"), nullptr);
  EXPECT_TRUE(FreeLibraryModule(m));
  EXPECT_EQ(LoadLibraryFunction("TORVEK45.DLL", nullptr, "LoadOldVersionData", 0), nullptr);
}

TEST_F(LibLoad, SiblingCallsLoadCallAndFree) {
  HMODULE ours = plat::LoadLibraryA("TORVEK45.DLL");
  EXPECT_EQ(CallLoadOldVersionData("c:\\maps\\old.map"), 7);
  EXPECT_EQ(g_converted, "c:\\maps\\old.map");
  EXPECT_FALSE(StillLoaded(ours));

  RecordingWindow host;
  MessageWindowSet(host.handle());
  int map = 0;
  EXPECT_EQ(CallVectorStructureControl(&map), 3);
  EXPECT_EQ(g_checkedMap, &map);
  EXPECT_EQ(g_checkMode, 1);
  EXPECT_EQ(g_checkWindow, host.handle());
  EXPECT_TRUE(box.boxes().empty());

  // Without the library: 0, reported.
  plat::RegisterMissingLibrary("TORVELDA.DLL");
  EXPECT_EQ(CallVectorStructureControl(&map), 0);
  ASSERT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(box.boxes()[0].text, "Library not found - TORVELDA.DLL");
}

// A real shared object placed in the host application's folder is found
// there when the name's own folder does not exist.
TEST_F(LibLoad, HostFolderIsSearchedAfterTheNamesOwnFolder) {
  // The compression library this test is linked with, copied under a name
  // that no system folder holds.
  void* z = dlopen("libz.so.1", RTLD_NOW | RTLD_NOLOAD);
  if (z == nullptr) GTEST_SKIP() << "no libz.so.1 loaded";
  link_map* map = nullptr;
  ASSERT_EQ(dlinfo(z, RTLD_DI_LINKMAP, &map), 0);
  const std::string original = map->l_name;
  dlclose(z);
  mctest::ScratchDir dir{MC_TEST_TMP};
  std::filesystem::copy_file(original, dir / "libsvczz.so");

  HMODULE module = nullptr;
  EXPECT_EQ(LoadLibraryFunction("/no/such/folder/SVCZZ.DLL", &module, "zlibVersion", 0), nullptr);
  EXPECT_EQ(module, nullptr);

  PathShellSet((dir / "host.exe").c_str());
  FARPROC proc = LoadLibraryFunction("/no/such/folder/SVCZZ.DLL", &module, "zlibVersion", 1);
  ASSERT_NE(proc, nullptr);
  const char* version = reinterpret_cast<const char* (*)()>(proc)();
  EXPECT_EQ(version[0], '1');
  EXPECT_TRUE(FreeLibraryModule(module));
  EXPECT_TRUE(box.boxes().empty());
}

}  // namespace
