// Loading libraries: in-process providers, shared objects found by their
// Windows names, and the errors of missing modules and entry points.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/file.h"
#include "platform/library.h"
#include "support/scratch_dir.h"

namespace {

using mctest::ScratchDir;

int FakeConvert(const char* name) { return name && *name ? 42 : 0; }

class LibraryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    plat::UnregisterLibraryProvider("TORVEK45.DLL");
    plat::UnregisterLibraryProvider("TORVELDA.DLL");
    plat::ClearLibraryFolders();
  }
};

TEST_F(LibraryTest, RegisteredFakeLibraryResolvesItsEntryPoint) {
  const plat::LibraryEntry entries[] = {
      {"LoadOldVersionData", plat::LibraryProc(&FakeConvert)}};
  plat::RegisterLibraryProvider("TORVEK45.DLL", entries, 1);

  // Any folder, any case, with or without the extension.
  HMODULE a = plat::LoadLibraryA("C:\\Program Files\\Host\\torvek45.dll");
  ASSERT_NE(a, nullptr);
  HMODULE b = plat::LoadLibraryA("TORVEK45");
  EXPECT_EQ(a, b);
  FARPROC p = plat::GetProcAddress(a, "LoadOldVersionData");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(plat::EntryAs<int (*)(const char*)>(p)("map.sit"), 42);

  EXPECT_EQ(plat::GetProcAddress(a, "loadoldversiondata"), nullptr);  // names keep their case
  EXPECT_EQ(plat::GetLastError(), 127u);
  EXPECT_TRUE(plat::FreeLibrary(a));
  EXPECT_TRUE(plat::FreeLibrary(b));
  EXPECT_FALSE(plat::FreeLibrary(a));
  EXPECT_EQ(plat::GetLastError(), 6u);
  EXPECT_EQ(plat::GetProcAddress(a, "LoadOldVersionData"), nullptr);
  EXPECT_EQ(plat::GetLastError(), 6u);
}

TEST_F(LibraryTest, MissingLibraryAndMissingEntryPoint) {
  plat::RegisterMissingLibrary("TORVEK45.DLL");
  EXPECT_EQ(plat::LoadLibraryA("torvek45.dll"), nullptr);
  EXPECT_EQ(plat::GetLastError(), 126u);

  EXPECT_EQ(plat::LoadLibraryA("NOSUCHLIBRARY.DLL"), nullptr);
  EXPECT_EQ(plat::GetLastError(), 126u);
  EXPECT_EQ(plat::LoadLibraryA("/no/such/folder/NOSUCHLIBRARY.DLL"), nullptr);
  EXPECT_EQ(plat::GetLastError(), 126u);

  plat::RegisterLibraryProvider("TORVELDA.DLL", nullptr, 0);  // loads, exports nothing
  HMODULE m = plat::LoadLibraryA("TORVELDA.DLL");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(plat::GetProcAddress(m, "vecStructureControl"), nullptr);
  EXPECT_EQ(plat::GetLastError(), 127u);
  EXPECT_EQ(plat::GetProcAddress(m, nullptr), nullptr);
  EXPECT_TRUE(plat::FreeLibrary(m));
  EXPECT_EQ(plat::GetProcAddress(nullptr, "x"), nullptr);
  EXPECT_EQ(plat::GetLastError(), 6u);
}

TEST_F(LibraryTest, WindowsNameFindsASharedObjectInTheFolders) {
  // A real shared object under a name of our own: a link to the C math
  // library, which the test program already has loaded.
  Dl_info info = {};
  void* cosine = dlsym(RTLD_DEFAULT, "cos");
  ASSERT_NE(cosine, nullptr);
  ASSERT_NE(dladdr(cosine, &info), 0);
  ASSERT_NE(info.dli_fname, nullptr);

  ScratchDir dir{MC_TEST_TMP};
  ASSERT_TRUE(plat::CreateDirectoryA((dir / "plugins").c_str(), nullptr));
  ASSERT_EQ(symlink(info.dli_fname, (dir / "plugins/libMathLib.so").c_str()), 0);

  // In the name's own folder, whatever the case, with backslashes.
  std::string windowsName = dir.path() + "plugins\\MATHLIB.DLL";
  HMODULE m = plat::LoadLibraryA(windowsName.c_str());
  ASSERT_NE(m, nullptr);
  FARPROC p = plat::GetProcAddress(m, "cos");
  ASSERT_NE(p, nullptr);
  EXPECT_DOUBLE_EQ(plat::EntryAs<double (*)(double)>(p)(0.0), 1.0);
  EXPECT_TRUE(plat::FreeLibrary(m));

  // A bare name is found in a folder the host added.
  EXPECT_EQ(plat::LoadLibraryA("mathlib.dll"), nullptr);
  plat::AddLibraryFolder((dir / "plugins").c_str());
  m = plat::LoadLibraryA("mathlib.dll");
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(plat::FreeLibrary(m));

  // A file that is not a shared object.
  dir.Write("plugins/libbroken.so", "MZ not an elf file");
  EXPECT_EQ(plat::LoadLibraryA((dir / "plugins/BROKEN.DLL").c_str()), nullptr);
  EXPECT_EQ(plat::GetLastError(), 193u);
}

TEST_F(LibraryTest, SystemLibraryOffersTheFreeSpaceCall) {
  HMODULE k = plat::LoadLibraryA("kernel32.dll");
  ASSERT_NE(k, nullptr);
  auto freeSpace = plat::EntryAs<BOOL (*)(const char*, ULARGE_INTEGER*, ULARGE_INTEGER*,
                                          ULARGE_INTEGER*)>(
      plat::GetProcAddress(k, "GetDiskFreeSpaceExA"));
  ASSERT_NE(freeSpace, nullptr);
  ULARGE_INTEGER total = {};
  EXPECT_TRUE(freeSpace("/", nullptr, &total, nullptr));
  EXPECT_GT(total.QuadPart, 0u);
  EXPECT_TRUE(plat::FreeLibrary(k));
}

}  // namespace
