// Files, names, attributes, folders and mappings.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/system.h"
#include "platform/systemcalls.h"
#include "support/process_descriptors.h"
#include "support/scratch_dir.h"

// Expects a call to fail with the given last-error code.
#define EXPECT_FAILS(call, code)                           \
  do {                                                     \
    EXPECT_FALSE(call);                                    \
    EXPECT_EQ(plat::GetLastError(), DWORD(code)) << #call; \
  } while (0)

namespace {

using mctest::ScratchDir;

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::SetWriteThroughEnabled(false); }

  HANDLE Open(const std::string& name, DWORD how = OPEN_ALWAYS,
              DWORD access = GENERIC_READ | GENERIC_WRITE) {
    return plat::CreateFileA(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, how,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static bool Write(HANDLE h, const std::string& s) {
    DWORD n = 0;
    return plat::WriteFile(h, s.data(), static_cast<DWORD>(s.size()), &n, nullptr) && n == s.size();
  }
  // The code an open fails with (0 when it opens; the handle is closed).
  DWORD OpenError(const std::string& name, DWORD how = OPEN_ALWAYS,
                  DWORD access = GENERIC_READ | GENERIC_WRITE) {
    HANDLE h = Open(name, how, access);
    if (h == INVALID_HANDLE_VALUE) return plat::GetLastError();
    plat::CloseHandle(h);
    return 0;
  }
  static std::string Read(HANDLE h, DWORD size) {
    std::string s(size, '\0');
    DWORD n = 0;
    if (!plat::ReadFile(h, &s[0], size, &n, nullptr)) return "<failed>";
    s.resize(n);
    return s;
  }

  ScratchDir dir{MC_TEST_TMP};
};

TEST_F(FileTest, DispositionsAndTheirCodes) {
  std::string name = dir / "a.dat";
  EXPECT_EQ(OpenError(name, OPEN_EXISTING), 2u);
  for (DWORD how : {OPEN_EXISTING, CREATE_ALWAYS, TRUNCATE_EXISTING})
    EXPECT_EQ(OpenError(dir / "nofolder/a.dat", how), 3u) << how;

  HANDLE h = Open(name, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(plat::GetLastError(), 0u);
  ASSERT_TRUE(Write(h, "0123456789"));
  plat::CloseHandle(h);

  EXPECT_EQ(OpenError(name, CREATE_NEW), 80u);

  h = Open(name, OPEN_ALWAYS);
  EXPECT_EQ(plat::GetLastError(), 183u);
  EXPECT_EQ(plat::GetFileSize(h, nullptr), 10u);
  plat::CloseHandle(h);

  h = Open(name, CREATE_ALWAYS);
  EXPECT_EQ(plat::GetLastError(), 183u);
  EXPECT_EQ(plat::GetFileSize(h, nullptr), 0u);
  ASSERT_TRUE(Write(h, "abc"));
  plat::CloseHandle(h);

  h = Open(name, TRUNCATE_EXISTING);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(plat::GetFileSize(h, nullptr), 0u);
  plat::CloseHandle(h);

  h = Open(dir / "new.dat", OPEN_ALWAYS);
  EXPECT_EQ(plat::GetLastError(), 0u);
  plat::CloseHandle(h);

  // A folder is no file, nor is a pipe (whose first read would block).
  EXPECT_EQ(OpenError(dir.path(), OPEN_EXISTING, GENERIC_READ), 5u);
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0666), 0);
  for (DWORD how : {OPEN_EXISTING, OPEN_ALWAYS}) EXPECT_EQ(OpenError(dir / "pipe", how), 5u);
  EXPECT_EQ(plat::CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
}

TEST_F(FileTest, EachHandleHasItsOwnPosition) {
  std::string name = dir / "pos.dat";
  HANDLE a = Open(name);
  HANDLE b = Open(name);
  ASSERT_TRUE(Write(a, "Hello, world"));
  EXPECT_EQ(Read(b, 5), "Hello");
  EXPECT_EQ(Read(a, 5), "");  // a stands at the end
  EXPECT_EQ(plat::SetFilePointer(a, 7, nullptr, FILE_BEGIN), 7u);
  EXPECT_EQ(Read(a, 100), "world");  // a short read at the end succeeds
  EXPECT_EQ(Read(b, 2), ", ");
  EXPECT_EQ(plat::SetFilePointer(b, -3, nullptr, FILE_END), 9u);
  EXPECT_EQ(Read(b, 3), "rld");
  EXPECT_EQ(plat::SetFilePointer(b, -2, nullptr, FILE_CURRENT), 10u);

  // Seeking before the start fails and leaves the position.
  EXPECT_FAILS(plat::SetFilePointer(b, -100, nullptr, FILE_CURRENT) != INVALID_SET_FILE_POINTER,
               131);
  EXPECT_EQ(plat::SetFilePointer(b, 0, nullptr, FILE_CURRENT), 10u);

  // Writing past the end fills the gap with zeros; SetEndOfFile cuts.
  EXPECT_EQ(plat::SetFilePointer(a, 20, nullptr, FILE_BEGIN), 20u);
  ASSERT_TRUE(Write(a, "!"));
  EXPECT_EQ(plat::GetFileSize(b, nullptr), 21u);
  EXPECT_EQ(dir.Read("pos.dat"), std::string("Hello, world") + std::string(8, '\0') + "!");
  EXPECT_EQ(plat::SetFilePointer(a, 5, nullptr, FILE_BEGIN), 5u);
  ASSERT_TRUE(plat::SetEndOfFile(a));
  EXPECT_EQ(dir.Read("pos.dat"), "Hello");
  plat::CloseHandle(a);
  plat::CloseHandle(b);
}

TEST_F(FileTest, SixtyFourBitPositionsAndSizes) {
  HANDLE h = Open(dir / "big.dat");
  LONG high = 1;  // 4 GB + 16
  EXPECT_EQ(plat::SetFilePointer(h, 16, &high, FILE_BEGIN), 16u);
  EXPECT_EQ(high, 1);
  ASSERT_TRUE(Write(h, "x"));
  DWORD sizeHigh = 0;
  EXPECT_EQ(plat::GetFileSize(h, &sizeHigh), 17u);
  EXPECT_EQ(sizeHigh, 1u);
  LARGE_INTEGER size;
  ASSERT_TRUE(plat::GetFileSizeEx(h, &size));
  EXPECT_EQ(size.QuadPart, 0x100000011ll);

  // A 32-bit caller cannot be given a position past 4 GB.
  EXPECT_FAILS(plat::SetFilePointer(h, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER, 87);
  LARGE_INTEGER d, pos;
  d.QuadPart = -1;
  ASSERT_TRUE(plat::SetFilePointerEx(h, d, &pos, FILE_END));
  EXPECT_EQ(pos.QuadPart, 0x100000010ll);
  EXPECT_EQ(Read(h, 4), "x");

  // A position whose low half is 0xFFFFFFFF is valid and clears the error.
  high = 0;
  plat::SetLastError(99);
  EXPECT_EQ(plat::SetFilePointer(h, -1, &high, FILE_BEGIN), 0xFFFFFFFFu);
  EXPECT_EQ(plat::GetLastError(), 0u);
  EXPECT_EQ(high, 0);
  plat::CloseHandle(h);
}

TEST_F(FileTest, AccessIsChecked) {
  dir.Write("ro.dat", "data");
  HANDLE r = Open(dir / "ro.dat", OPEN_EXISTING, GENERIC_READ);
  ASSERT_NE(r, INVALID_HANDLE_VALUE);
  DWORD n = 7;
  EXPECT_FAILS(plat::WriteFile(r, "x", 1, &n, nullptr), 5);
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(plat::SetEndOfFile(r));
  EXPECT_FALSE(plat::FlushFileBuffers(r));
  plat::CloseHandle(r);

  HANDLE w = Open(dir / "ro.dat", OPEN_EXISTING, GENERIC_WRITE);
  char buffer[4];
  EXPECT_FAILS(plat::ReadFile(w, buffer, 4, &n, nullptr), 5);
  EXPECT_TRUE(plat::FlushFileBuffers(w));
  plat::CloseHandle(w);

  // Closed handles are refused, not used.
  EXPECT_FAILS(plat::ReadFile(w, buffer, 4, &n, nullptr), 6);
  EXPECT_FAILS(plat::GetFileSize(w, nullptr) != INVALID_FILE_SIZE, 6);
  EXPECT_FAILS(plat::SetFilePointer(nullptr, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER,
               6);
}

TEST_F(FileTest, WriteThroughOpensAndWrites) {
  plat::SetWriteThroughEnabled(true);
  HANDLE h = plat::CreateFileA((dir / "wt.log").c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(Write(h, "line\r\n"));
  plat::CloseHandle(h);
  EXPECT_EQ(dir.Read("wt.log"), "line\r\n");
}

TEST_F(FileTest, ReadOnlyFilesRefuseWritingDeleteAndRenameEvenForTheSuperuser) {
  dir.Write("passport.map", "MAP");
  std::string name = dir / "passport.map";
  ASSERT_TRUE(plat::SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(plat::GetFileAttributesA(name.c_str()), DWORD(FILE_ATTRIBUTE_READONLY));

  for (DWORD how : {OPEN_EXISTING, OPEN_ALWAYS, CREATE_ALWAYS, TRUNCATE_EXISTING})
    EXPECT_EQ(OpenError(name, how), 5u) << how;
  EXPECT_FAILS(plat::DeleteFileA(name.c_str()), 5);
  EXPECT_FAILS(plat::MoveFileA(name.c_str(), (dir / "other.map").c_str()), 5);
  EXPECT_EQ(dir.Read("passport.map"), "MAP");

  // Reading is allowed: the read-only fallback of the library.
  HANDLE r = Open(name, OPEN_EXISTING, GENERIC_READ);
  ASSERT_NE(r, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Read(r, 10), "MAP");
  plat::CloseHandle(r);

  // A copy keeps the attribute; clearing it makes the file writable again.
  ASSERT_TRUE(plat::CopyFileA(name.c_str(), (dir / "copy.map").c_str(), TRUE));
  EXPECT_EQ(plat::GetFileAttributesA((dir / "copy.map").c_str()), DWORD(FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(plat::SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(plat::GetFileAttributesA(name.c_str()), DWORD(FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(plat::DeleteFileA(name.c_str()));

  // A file created with the attribute is read-only, yet its creator writes.
  HANDLE c = plat::CreateFileA((dir / "made.ro").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
  ASSERT_NE(c, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(Write(c, "abc"));
  plat::CloseHandle(c);
  EXPECT_EQ(plat::GetFileAttributesA((dir / "made.ro").c_str()), DWORD(FILE_ATTRIBUTE_READONLY));
}

TEST_F(FileTest, NamesFoldersMovesAndCopies) {
  // Both separators work, and a name with backslashes reaches the same file.
  std::string sub = dir.path() + "LOG";
  ASSERT_TRUE(plat::CreateDirectoryA(sub.c_str(), nullptr));
  EXPECT_FAILS(plat::CreateDirectoryA(sub.c_str(), nullptr), 183);
  EXPECT_FAILS(plat::CreateDirectoryA((dir / "a/b").c_str(), nullptr), 3);
  EXPECT_EQ(plat::GetFileAttributesA(sub.c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));

  std::string windowsName = sub + "\\MAP.LOG";
  HANDLE h = Open(windowsName, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  plat::CloseHandle(h);
  EXPECT_TRUE(dir.Exists("LOG/MAP.LOG"));

  EXPECT_FAILS(plat::RemoveDirectoryA(sub.c_str()), 145);

  // Moving never replaces.
  dir.Write("target", "old");
  EXPECT_FAILS(plat::MoveFileA(windowsName.c_str(), (dir / "target").c_str()), 183);
  EXPECT_EQ(dir.Read("target"), "old");
  EXPECT_TRUE(plat::MoveFileA(windowsName.c_str(), (dir / "moved").c_str()));
  EXPECT_FAILS(plat::MoveFileA(windowsName.c_str(), (dir / "moved2").c_str()), 2);

  EXPECT_TRUE(plat::RemoveDirectoryA(sub.c_str()));
  EXPECT_FAILS(plat::RemoveDirectoryA(sub.c_str()), 2);

  // Copies.
  dir.Write("src", "content");
  EXPECT_FAILS(plat::CopyFileA((dir / "src").c_str(), (dir / "target").c_str(), TRUE), 80);
  EXPECT_TRUE(plat::CopyFileA((dir / "src").c_str(), (dir / "target").c_str(), FALSE));
  EXPECT_EQ(dir.Read("target"), "content");
  EXPECT_FAILS(plat::CopyFileA((dir / "none").c_str(), (dir / "x").c_str(), FALSE), 2);
  // A copy onto itself must not destroy the file.
  EXPECT_FALSE(plat::CopyFileA((dir / "src").c_str(), (dir / "src").c_str(), FALSE));
  EXPECT_EQ(dir.Read("src"), "content");

  EXPECT_FAILS(plat::DeleteFileA((dir / "none").c_str()), 2);
  EXPECT_FAILS(plat::DeleteFileA(dir.path().c_str()), 5);
  EXPECT_FAILS(plat::GetFileAttributesA((dir / "none").c_str()) != INVALID_FILE_ATTRIBUTES, 2);
}

TEST_F(FileTest, TemporaryFolderEndsInASeparator) {
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", "/var/tmp", 1);
  char buffer[MAX_PATH];
  EXPECT_EQ(plat::GetTempPathA(sizeof(buffer), buffer), 9u);
  EXPECT_STREQ(buffer, "/var/tmp/");
  EXPECT_EQ(plat::GetTempPathA(5, buffer), 10u);  // too small: the size needed
  unsetenv("TMPDIR");
  EXPECT_EQ(plat::GetTempPathA(sizeof(buffer), buffer), 5u);
  EXPECT_STREQ(buffer, "/tmp/");
  if (old) setenv("TMPDIR", saved.c_str(), 1);
}

TEST_F(FileTest, TimesAndFreeSpace) {
  HANDLE h = Open(dir / "t");
  FILETIME write = {};
  ASSERT_TRUE(plat::GetFileTime(h, nullptr, nullptr, &write));
  struct stat st;
  ASSERT_EQ(stat((dir / "t").c_str(), &st), 0);
  ULONGLONG expected = (ULONGLONG(st.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
                       ULONGLONG(st.st_mtim.tv_nsec) / 100;
  EXPECT_EQ(plat::FileTimeValue(write), expected);

  FILETIME set = plat::MakeFileTime(131000000000000000ull);  // in 2016
  ASSERT_TRUE(plat::SetFileTime(h, nullptr, nullptr, &set));
  ASSERT_TRUE(plat::GetFileTime(h, nullptr, nullptr, &write));
  EXPECT_EQ(plat::FileTimeValue(write), 131000000000000000ull);
  plat::CloseHandle(h);

  ULARGE_INTEGER avail, total, free;
  ASSERT_TRUE(plat::GetDiskFreeSpaceExA(dir.path().c_str(), &avail, &total, &free));
  EXPECT_GT(total.QuadPart, 0u);
  EXPECT_LE(avail.QuadPart, free.QuadPart);
  EXPECT_FAILS(plat::GetDiskFreeSpaceExA((dir / "none/x").c_str(), &avail, nullptr, nullptr), 3);
}

// A file system that cannot map files (the kernel's attribute files are
// one) refuses a view as not supported, whatever it answers the system.
TEST_F(FileTest, AFileSystemThatCannotMapAnswersNotSupported) {
  HANDLE f = plat::CreateFileA("/sys/kernel/mm/transparent_hugepage/enabled", GENERIC_READ, 3,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no attribute file to map";
  HANDLE m = plat::CreateFileMappingA(f, nullptr, PAGE_READONLY, 0, 0, nullptr);
  plat::CloseHandle(f);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(plat::MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0), nullptr);
  EXPECT_EQ(plat::GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
  plat::CloseHandle(m);
}

// Whether a file's views are shared is asked of its file system once an
// open file (a kernel entry, counted), not at each shelving of a view.
TEST_F(FileTest, ViewsSharedIsAskedOnceAnOpenFile) {
  dir.Write("v.dat", "bytes");
  HANDLE f = Open(dir / "v.dat", OPEN_EXISTING, GENERIC_READ);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  const uint64_t before = plat::SystemCalls().stat;
  EXPECT_TRUE(plat::FileViewsShared(f));  // the scratch folder is local
  EXPECT_TRUE(plat::FileViewsShared(f));
  EXPECT_EQ(1u, plat::SystemCalls().stat - before);
  plat::CloseHandle(f);
}

// Whether a name exists takes one look, missing or not; the attributes of
// a missing name take a second (its folder's, to tell which is missing).
TEST_F(FileTest, WhetherANameExistsTakesOneLook) {
  dir.Write("e.dat", "bytes");
  const std::string missing = dir / "none.dat";
  uint64_t before = plat::SystemCalls().stat;
  EXPECT_TRUE(plat::PathFileExistsA((dir / "e.dat").c_str()));
  EXPECT_FALSE(plat::PathFileExistsA(missing.c_str()));
  EXPECT_FALSE(plat::PathFileExistsA((dir / "none/x.dat").c_str()));
  EXPECT_FALSE(plat::PathFileExistsA(nullptr));
  EXPECT_EQ(3u, plat::SystemCalls().stat - before);
  before = plat::SystemCalls().stat;
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, plat::GetFileAttributesA(missing.c_str()));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), plat::GetLastError());
  EXPECT_EQ(2u, plat::SystemCalls().stat - before);
}

// Descriptors let go under a CloseTogether stay open until it ends, up to
// its most; then each run of adjacent numbers is closed by one call, and
// every one of them is closed.
TEST_F(FileTest, DescriptorsClosedTogetherTakeACallARun) {
  dir.Write("c.dat", "bytes");
  using testsupport::OpenDescriptorNumbers;
  const size_t held = OpenDescriptorNumbers().size();
  std::vector<HANDLE> files;
  std::vector<int> opened;  // each file's descriptor, as it was opened
  for (int k = 0; k < plat::CloseTogether::MOST + 2; ++k) {
    const std::vector<int> before = OpenDescriptorNumbers();
    files.push_back(Open(dir / "c.dat", OPEN_EXISTING, GENERIC_READ));
    ASSERT_NE(files.back(), INVALID_HANDLE_VALUE);
    std::vector<int> now = OpenDescriptorNumbers(), added;
    std::set_difference(now.begin(), now.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    ASSERT_EQ(1u, added.size());
    opened.push_back(added[0]);
  }
  // The first MOST wait, in runs; the two past them close at once.
  std::vector<int> waiting(opened.begin(), opened.begin() + plat::CloseTogether::MOST);
  std::sort(waiting.begin(), waiting.end());
  uint64_t runs = 1;
  for (size_t k = 1; k < waiting.size(); ++k) runs += waiting[k] != waiting[k - 1] + 1;
  const uint64_t before = plat::SystemCalls().close;
  {
    plat::CloseTogether together;
    for (HANDLE f : files) EXPECT_TRUE(plat::CloseHandle(f));
    EXPECT_EQ(held + plat::CloseTogether::MOST, OpenDescriptorNumbers().size());
  }
  EXPECT_EQ(held, OpenDescriptorNumbers().size());
  EXPECT_EQ(runs + 2, plat::SystemCalls().close - before);
}

// A handle's identity is its name's, learnt at the opening: asking it
// makes no kernel entry.
TEST_F(FileTest, AHandleKnowsItsIdentityFromItsOpening) {
  dir.Write("i.dat", "bytes");
  HANDLE f = Open(dir / "i.dat", OPEN_EXISTING, GENERIC_READ);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  plat::FILEIDENTITY byName, byHandle;
  ASSERT_TRUE(plat::GetFileIdentity((dir / "i.dat").c_str(), &byName));
  const uint64_t before = plat::SystemCalls().stat;
  ASSERT_TRUE(plat::GetHandleIdentity(f, &byHandle));
  EXPECT_EQ(before, plat::SystemCalls().stat);
  EXPECT_TRUE(byName == byHandle);
  plat::CloseHandle(f);
}

// A read that runs past the end of a local file ends with the one kernel
// read that found the end, and still gets every byte there is.
TEST_F(FileTest, AReadPastTheEndIsOneKernelRead) {
  dir.Write("r.dat", "bytes");
  HANDLE f = Open(dir / "r.dat", OPEN_EXISTING, GENERIC_READ);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(plat::FileViewsShared(f));
  char out[64] = {};
  DWORD got = 0;
  const uint64_t before = plat::SystemCalls().read;
  ASSERT_TRUE(plat::ReadAt(f, 1, out, sizeof(out), &got));
  EXPECT_EQ(1u, plat::SystemCalls().read - before);
  EXPECT_EQ(4u, got);
  EXPECT_STREQ("ytes", out);
  plat::CloseHandle(f);
}

TEST_F(FileTest, MappingViewsAreCutAtTheEndOfTheFile) {
  std::string bytes(200000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  dir.Write("m.dat", bytes);
  const int held = testsupport::OpenDescriptors();
  HANDLE f = plat::CreateFileA((dir / "m.dat").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  HANDLE m = plat::CreateFileMappingA(f, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(m, nullptr);
  plat::CloseHandle(f);  // the mapping keeps the file

  // 65536 bytes from offset 65536 hold offset 70000.
  auto* view = static_cast<const char*>(plat::MapViewOfFile(m, FILE_MAP_READ, 0, 65536, 65536));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view[70000 - 65536], bytes[70000]);
  EXPECT_EQ(plat::ViewSize(view), 65536u);

  // A view asked past the end is cut at the end of the file.
  auto* tail = static_cast<const char*>(plat::MapViewOfFile(m, FILE_MAP_READ, 0, 196608, 65536));
  ASSERT_NE(tail, nullptr);
  EXPECT_EQ(plat::ViewSize(tail), 200000u - 196608u);
  EXPECT_EQ(tail[200000 - 196608 - 1], bytes[199999]);

  EXPECT_EQ(plat::MapViewOfFile(m, FILE_MAP_READ, 0, 1000, 10), nullptr);    // not page-aligned
  EXPECT_EQ(plat::MapViewOfFile(m, FILE_MAP_READ, 0, 262144, 10), nullptr);  // past the end
  EXPECT_EQ(plat::MapViewOfFile(m, FILE_MAP_WRITE, 0, 0, 0), nullptr);       // read-only mapping

  plat::CloseHandle(m);
  EXPECT_EQ(view[0], bytes[65536]);  // views outlive their mapping handle
  EXPECT_EQ(held, testsupport::OpenDescriptors());  // and hold no open file
  EXPECT_TRUE(plat::UnmapViewOfFile(view));
  EXPECT_TRUE(plat::UnmapViewOfFile(tail));
  EXPECT_FALSE(plat::UnmapViewOfFile(tail));

  // An empty file cannot be mapped.
  dir.Write("empty", "");
  f = plat::CreateFileA((dir / "empty").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                        OPEN_EXISTING, 0, nullptr);
  EXPECT_FAILS(plat::CreateFileMappingA(f, nullptr, PAGE_READONLY, 0, 0, nullptr), 1006);
  plat::CloseHandle(f);
}

TEST(PathTest, SplitAndMakeAcceptBothSeparators) {
  char drive[MAX_DRIVE], folder[MAX_DIR], name[MAX_FNAME], ext[MAX_EXT];
  auto split = [&](const char* path) {
    plat::SplitPath(path, drive, folder, name, ext);
    return std::string(drive) + "|" + folder + "|" + name + "|" + ext;
  };
  EXPECT_EQ(split("D:\\MAPS\\REGION\\SHEET.SIT"), "D:|\\MAPS\\REGION\\|SHEET|.SIT");
  EXPECT_EQ(split("/data/maps/a.b/sheet"), "|/data/maps/a.b/|sheet|");
  EXPECT_EQ(split("maps/x\\y.map.bak"), "|maps/x\\|y.map|.bak");
  plat::SplitPath("maps/x\\y.map.bak", nullptr, folder, name, ext);  // no drive wanted
  EXPECT_STREQ(folder, "maps/x\\");

  // Overlong parts are cut, never overrun.
  std::string longName(1000, 'n');
  plat::SplitPath(("/f/" + longName + ".e").c_str(), drive, folder, name, ext);
  EXPECT_EQ(std::strlen(name), size_t(MAX_FNAME - 1));

  EXPECT_TRUE(plat::IsAbsolutePath("/data"));
  EXPECT_TRUE(plat::IsAbsolutePath("\\data"));
  EXPECT_TRUE(plat::IsAbsolutePath("c:data"));
  EXPECT_FALSE(plat::IsAbsolutePath("data/x"));

  char out[MAX_PATH];
  plat::MakePath(out, sizeof(out), "", "/data/maps", "sheet", "sit");
  EXPECT_STREQ(out, "/data/maps/sheet.sit");
  plat::MakePath(out, sizeof(out), "C:", "\\MAPS", "A", ".MAP");
  EXPECT_STREQ(out, "C:\\MAPS\\A.MAP");
  plat::MakePath(out, 8, "", "/data/maps/", "sheet", ".sit");
  EXPECT_STREQ(out, "/data/m");

  EXPECT_EQ(plat::OsPath("C:\\MAPS\\A.MAP"), "C:/MAPS/A.MAP");
}

// The limit and the descriptors left, asked at once, answer as asked
// apart: the limit a test sets, the descriptors the process really has.
TEST(Descriptors, AskedAtOnceAnswerAsAskedApart) {
  plat::SetDescriptorLimit(40);
  plat::DescriptorRoom room = plat::DescriptorsNow();
  EXPECT_EQ(40u, room.limit);
  EXPECT_EQ(plat::DescriptorsLeft(), room.left);
  EXPECT_GT(room.left, 40u);
  plat::SetDescriptorLimit(0);
  room = plat::DescriptorsNow();
  EXPECT_EQ(plat::DescriptorLimit(), room.limit);
  EXPECT_EQ(plat::DescriptorsLeft(), room.left);
}

}  // namespace
