// One suite over the system's file system and the one in memory: both must
// answer the file calls alike (codes, share modes, locks, names).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/fileio.h"
#include "platform/profile.h"
#include "platform/vfs_memory.h"
#include "support/scratch_dir.h"

namespace {

using mctest::ScratchDir;

enum class Fs { System, Memory };

// The last error of a call that fails; 0 when it succeeds.
DWORD Code(bool ok) { return ok ? 0 : plat::GetLastError(); }

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

class VfsContract : public ::testing::TestWithParam<Fs> {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    if (GetParam() == Fs::Memory) {
      use_ = std::make_unique<plat::ScopedVfs>(&memory_);
      root_ = "/scratch/";
      ASSERT_TRUE(memory_.AddFolders(root_));
    } else {
      dir_ = std::make_unique<ScratchDir>(MC_TEST_TMP);
      root_ = dir_->path();
    }
  }

  std::string P(const std::string& name) const { return root_ + name; }
  HANDLE Open(const std::string& name, DWORD access = kReadWrite, DWORD share = kShareAll,
              DWORD how = OPEN_ALWAYS, DWORD flags = 0) {
    return plat::CreateFileA(P(name).c_str(), access, share, nullptr, how, flags, nullptr);
  }
  // The code an open fails with; 0 when it opens (the handle is closed).
  DWORD OpenError(const std::string& name, DWORD access = kReadWrite, DWORD share = kShareAll,
                  DWORD how = OPEN_ALWAYS) {
    HANDLE h = Open(name, access, share, how);
    if (h == INVALID_HANDLE_VALUE) return plat::GetLastError();
    plat::CloseHandle(h);
    return 0;
  }
  void Put(const std::string& name, const std::string& bytes) {
    HANDLE h = Open(name, kReadWrite, kShareAll, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << name;
    ASSERT_TRUE(plat::WriteExactAt(h, 0, bytes.data(), DWORD(bytes.size())));
    plat::CloseHandle(h);
  }
  std::string Get(const std::string& name) {
    HANDLE h = Open(name, GENERIC_READ, kShareAll, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string s(size_t(plat::FileLength(h)), '\0');
    bool ok = plat::ReadExactAt(h, 0, &s[0], DWORD(s.size()));
    plat::CloseHandle(h);
    return ok ? s : "<unreadable>";
  }

  // The names in the scratch folder, sorted.
  std::vector<std::string> Names() const {
    if (GetParam() == Fs::Memory) return memory_.Names(root_);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(root_))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  plat::MemoryVfs memory_;  // outlives the scope that installs it
  std::unique_ptr<plat::ScopedVfs> use_;
  std::unique_ptr<ScratchDir> dir_;
  std::string root_;
};

TEST_P(VfsContract, DispositionsAndTheirCodes) {
  struct Case {
    DWORD how;
    bool exists;
    DWORD code;       // of the open
    DWORD lastError;  // after a successful open
    const char* after;
  } cases[] = {
      {CREATE_NEW, false, 0, 0, ""},
      {CREATE_NEW, true, 80, 0, "old"},
      {CREATE_ALWAYS, false, 0, 0, ""},
      {CREATE_ALWAYS, true, 0, 183, ""},
      {OPEN_EXISTING, false, 2, 0, "<missing>"},
      {OPEN_EXISTING, true, 0, 0, "old"},
      {OPEN_ALWAYS, false, 0, 0, ""},
      {OPEN_ALWAYS, true, 0, 183, "old"},
      {TRUNCATE_EXISTING, false, 2, 0, "<missing>"},
      {TRUNCATE_EXISTING, true, 0, 0, ""},
  };
  int k = 0;
  for (const Case& c : cases) {
    std::string name = "f" + std::to_string(k++);
    if (c.exists) Put(name, "old");
    HANDLE h = Open(name, kReadWrite, kShareAll, c.how);
    DWORD code = h == INVALID_HANDLE_VALUE ? plat::GetLastError() : 0;
    EXPECT_EQ(code, c.code) << c.how << " " << c.exists;
    if (h != INVALID_HANDLE_VALUE) {
      EXPECT_EQ(plat::GetLastError(), c.lastError) << c.how;
      plat::CloseHandle(h);
    }
    EXPECT_EQ(Get(name), c.after) << c.how << " " << c.exists;
    // In a folder that is not there.
    EXPECT_EQ(OpenError("none/" + name, kReadWrite, kShareAll, c.how), 3u) << c.how;
  }
  ASSERT_TRUE(plat::CreateDirectoryA(P("sub").c_str(), nullptr));
  EXPECT_EQ(OpenError("sub", GENERIC_READ, kShareAll, OPEN_EXISTING), 5u);  // a folder is no file
  EXPECT_EQ(OpenError("sub", kReadWrite, kShareAll, CREATE_NEW), 80u);
}

TEST_P(VfsContract, ShareModesConflictAsOnWindows) {
  struct Case {
    DWORD access1, share1, access2, share2;
    bool conflict;
  } cases[] = {
      {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, false},
      {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, kShareAll, true},  // the first denies writing
      {GENERIC_READ, kShareAll, GENERIC_READ, FILE_SHARE_WRITE, true},  // the second denies reading
      {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, true},  // ... and writing
      {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, kShareAll, false},
      {kReadWrite, 0, GENERIC_READ, kShareAll, true},  // unshared
      {kReadWrite, kShareAll, kReadWrite, 0, true},
      {0, 0, kReadWrite, 0, false},  // no access: no part in share modes
  };
  int k = 0;
  for (const Case& c : cases) {
    std::string name = "s" + std::to_string(k++);
    Put(name, "data");
    HANDLE a = Open(name, c.access1, c.share1, OPEN_EXISTING);
    ASSERT_NE(a, INVALID_HANDLE_VALUE) << k;
    EXPECT_EQ(OpenError(name, c.access2, c.share2, OPEN_EXISTING), c.conflict ? 32u : 0u) << k;
    plat::CloseHandle(a);
    EXPECT_EQ(OpenError(name, c.access2, c.share2, OPEN_EXISTING), 0u) << k;
  }
  // A conflicting truncation leaves the file alone.
  HANDLE a = Open("s0", GENERIC_READ, 0, OPEN_EXISTING);
  EXPECT_EQ(OpenError("s0", GENERIC_WRITE, 0, CREATE_ALWAYS), 32u);
  plat::CloseHandle(a);
  EXPECT_EQ(Get("s0"), "data");
}

TEST_P(VfsContract, ByteRangeLocks) {
  HANDLE a = Open("lock");
  HANDLE b = Open("lock");
  HANDLE c = Open("lock");
  ASSERT_TRUE(plat::LockFile(a, 0, 0, 32, 0));
  EXPECT_EQ(Code(plat::LockFile(b, 31, 0, 10, 0)), 33u);  // any overlap
  EXPECT_EQ(Code(plat::LockFile(a, 16, 0, 32, 0)), 33u);  // also with its own lock
  EXPECT_TRUE(plat::LockFile(b, 32, 0, 10, 0));           // a neighbour does not
  EXPECT_TRUE(plat::LockFile(c, 0x10, 0x2, 0x100, 0));    // past the end, past 4 GB
  EXPECT_EQ(Code(plat::LockFile(a, 0x80, 0x2, 1, 0)), 33u);
  EXPECT_EQ(Code(plat::UnlockFile(a, 0, 0, 16, 0)), 158u);  // the exact range only
  EXPECT_EQ(Code(plat::UnlockFile(b, 0, 0, 32, 0)), 158u);  // another handle's
  ASSERT_TRUE(plat::UnlockFile(a, 0, 0, 32, 0));
  EXPECT_TRUE(plat::LockFile(c, 0, 0, 32, 0));
  // Closing a handle drops its locks and only its own.
  plat::CloseHandle(c);
  EXPECT_TRUE(plat::LockFile(a, 0, 0, 32, 0));
  EXPECT_EQ(Code(plat::LockFile(a, 40, 0, 1, 0)), 33u);  // b still holds 32..41
  EXPECT_EQ(plat::FileLength(a), 0);                     // locks do not grow the file
  // Shared locks overlap one another, never an exclusive lock.
  HANDLE d = Open("lock");
  ASSERT_TRUE(plat::LockFileShared(b, 100, 0, 4, 0));
  EXPECT_TRUE(plat::LockFileShared(d, 102, 0, 4, 0));
  EXPECT_EQ(Code(plat::LockFile(a, 103, 0, 1, 0)), 33u);
  ASSERT_TRUE(plat::UnlockFile(b, 100, 0, 4, 0));
  EXPECT_EQ(Code(plat::LockFile(a, 103, 0, 1, 0)), 33u);
  ASSERT_TRUE(plat::UnlockFile(d, 102, 0, 4, 0));
  ASSERT_TRUE(plat::LockFile(a, 103, 0, 1, 0));
  EXPECT_EQ(Code(plat::LockFileShared(d, 100, 0, 4, 0)), 33u);
  plat::CloseHandle(d);
  plat::CloseHandle(a);
  plat::CloseHandle(b);
}

TEST_P(VfsContract, RenameNeverReplaces) {
  Put("a", "A");
  Put("b", "B");
  EXPECT_EQ(Code(plat::MoveFileA(P("a").c_str(), P("b").c_str())), 183u);
  EXPECT_EQ(Get("b"), "B");
  EXPECT_TRUE(plat::MoveFileA(P("a").c_str(), P("c").c_str()));
  EXPECT_EQ(Get("c"), "A");
  EXPECT_EQ(Code(plat::MoveFileA(P("a").c_str(), P("d").c_str())), 2u);
  EXPECT_EQ(Code(plat::MoveFileA(P("c").c_str(), P("none/c").c_str())), 3u);
  // A folder moves with what is in it.
  ASSERT_TRUE(plat::CreateDirectoryA(P("dir").c_str(), nullptr));
  ASSERT_TRUE(plat::MoveFileA(P("c").c_str(), P("dir/c").c_str()));
  ASSERT_TRUE(plat::MoveFileA(P("dir").c_str(), P("moved").c_str()));
  EXPECT_EQ(Get("moved/c"), "A");
  EXPECT_EQ(Code(plat::MoveFileA(P("moved").c_str(), P("b").c_str())), 183u);
}

TEST_P(VfsContract, AnOpenFileIsDeletedOnlyWhenItSharesDeletion) {
  Put("open", "kept");
  HANDLE a = Open("open", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  EXPECT_EQ(Code(plat::DeleteFileA(P("open").c_str())), 32u);
  EXPECT_EQ(Code(plat::MoveFileA(P("open").c_str(), P("x").c_str())), 32u);
  plat::CloseHandle(a);

  a = Open("open", GENERIC_READ, kShareAll, OPEN_EXISTING);
  ASSERT_TRUE(plat::DeleteFileA(P("open").c_str()));
  EXPECT_EQ(plat::GetFileAttributesA(P("open").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(plat::GetLastError(), 2u);
  char buffer[8] = {};
  EXPECT_TRUE(plat::ReadExactAt(a, 0, buffer, 4));  // the open file keeps its data
  EXPECT_EQ(std::string(buffer), "kept");
  Put("open", "new");  // and the name is free again
  plat::CloseHandle(a);
  EXPECT_EQ(Get("open"), "new");
  EXPECT_EQ(Code(plat::DeleteFileA(P("open").c_str())), 0u);
  EXPECT_EQ(Code(plat::DeleteFileA(P("open").c_str())), 2u);
  EXPECT_EQ(Code(plat::DeleteFileA(P("none/x").c_str())), 3u);
}

TEST_P(VfsContract, ReadOnlyAttribute) {
  Put("ro", "MAP");
  ASSERT_TRUE(plat::SetFileAttributesA(P("ro").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(plat::GetFileAttributesA(P("ro").c_str()), DWORD(FILE_ATTRIBUTE_READONLY));
  for (DWORD how : {OPEN_EXISTING, OPEN_ALWAYS, CREATE_ALWAYS, TRUNCATE_EXISTING})
    EXPECT_EQ(OpenError("ro", kReadWrite, kShareAll, how), 5u) << how;
  EXPECT_EQ(Code(plat::DeleteFileA(P("ro").c_str())), 5u);
  EXPECT_EQ(Code(plat::MoveFileA(P("ro").c_str(), P("x").c_str())), 5u);
  EXPECT_EQ(Get("ro"), "MAP");  // reading is allowed
  ASSERT_TRUE(plat::CopyFileA(P("ro").c_str(), P("copy").c_str(), TRUE));
  EXPECT_EQ(plat::GetFileAttributesA(P("copy").c_str()), DWORD(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Get("copy"), "MAP");
  ASSERT_TRUE(plat::SetFileAttributesA(P("ro").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(plat::GetFileAttributesA(P("ro").c_str()), DWORD(FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(plat::DeleteFileA(P("ro").c_str()));

  // Created read-only: its creator still writes.
  HANDLE c = Open("made", kReadWrite, 0, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
  ASSERT_NE(c, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(plat::WriteExactAt(c, 0, "abc", 3));
  plat::CloseHandle(c);
  EXPECT_EQ(plat::GetFileAttributesA(P("made").c_str()), DWORD(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Get("made"), "abc");
}

TEST_P(VfsContract, Folders) {
  ASSERT_TRUE(plat::CreateDirectoryA(P("LOG/").c_str(), nullptr));
  EXPECT_EQ(Code(plat::CreateDirectoryA(P("LOG").c_str(), nullptr)), 183u);
  EXPECT_EQ(Code(plat::CreateDirectoryA(P("a/b").c_str(), nullptr)), 3u);
  EXPECT_EQ(plat::GetFileAttributesA(P("LOG").c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));
  Put("LOG/MAP.LOG", "x");
  EXPECT_EQ(Get("LOG\\MAP.LOG"), "x");  // either separator
  EXPECT_EQ(Code(plat::RemoveDirectoryA(P("LOG").c_str())), 145u);
  EXPECT_EQ(Code(plat::RemoveDirectoryA(P("LOG/MAP.LOG").c_str())), 267u);
  EXPECT_EQ(Code(plat::DeleteFileA(P("LOG").c_str())), 5u);
  ASSERT_TRUE(plat::DeleteFileA(P("LOG/MAP.LOG").c_str()));
  EXPECT_TRUE(plat::RemoveDirectoryA(P("LOG").c_str()));
  EXPECT_EQ(Code(plat::RemoveDirectoryA(P("LOG").c_str())), 2u);
  EXPECT_EQ(Code(plat::SetFileAttributesA(P("none").c_str(), 0)), 2u);
}

TEST_P(VfsContract, IdentityTimesAndSpace) {
  Put("a.dat", "1");
  Put("b.dat", "2");
  EXPECT_TRUE(plat::IsSameFile(P("a.dat").c_str(), (root_ + "./a.dat").c_str()));
  EXPECT_FALSE(plat::IsSameFile(P("a.dat").c_str(), P("b.dat").c_str()));
  EXPECT_FALSE(plat::IsSameFile(P("a.dat").c_str(), P("none").c_str()));

  HANDLE h = Open("a.dat");
  FILETIME set = plat::MakeFileTime(131000000000000000ull), got = {};
  ASSERT_TRUE(plat::SetFileTime(h, nullptr, nullptr, &set));
  ASSERT_TRUE(plat::GetFileTime(h, nullptr, nullptr, &got));
  EXPECT_EQ(plat::FileTimeValue(got), 131000000000000000ull);
  // The change time is the file system's own: setting a time moves it.
  plat::FileStamp stamp;
  ASSERT_TRUE(plat::GetFileStamp(h, &stamp));
  EXPECT_EQ(stamp.size, 1u);
  EXPECT_EQ(stamp.writeTime, 131000000000000000ull);
  EXPECT_GT(stamp.changeTime, 131000000000000000ull);
  // Positions, lengths and the zeros of a gap.
  ASSERT_TRUE(plat::WriteExactAt(h, 4, "xy", 2));
  EXPECT_EQ(plat::FileLength(h), 6);
  EXPECT_EQ(plat::SetFilePointer(h, 0, nullptr, FILE_CURRENT), 6u);
  ASSERT_TRUE(plat::SetFileLength(h, 5));
  plat::CloseHandle(h);
  EXPECT_EQ(Get("a.dat"), std::string("1\0\0\0x", 5));

  ULARGE_INTEGER avail, total, free;
  ASSERT_TRUE(plat::GetDiskFreeSpaceExA(root_.c_str(), &avail, &total, &free));
  EXPECT_GT(total.QuadPart, 0u);
  EXPECT_LE(avail.QuadPart, free.QuadPart);
  EXPECT_EQ(Code(plat::GetDiskFreeSpaceExA(P("none/x").c_str(), &avail, nullptr, nullptr)), 3u);
}

TEST_P(VfsContract, Profiles) {
  const std::string ini = P("project.ini");
  auto get = [&](const char* key) {
    char buffer[32];
    plat::GetPrivateProfileStringA("A", key, "-", buffer, sizeof(buffer), ini.c_str());
    return std::string(buffer);
  };
  EXPECT_EQ(get("x"), "-");
  ASSERT_TRUE(plat::WritePrivateProfileStringA("A", "x", "1", ini.c_str()));
  ASSERT_TRUE(plat::WritePrivateProfileStringA("A", "y", "2", ini.c_str()));
  EXPECT_EQ(Get("project.ini"), "[A]\r\nx=1\r\ny=2\r\n");
  EXPECT_EQ(get("y"), "2");
  Put("project.ini", "[A]\nx=33\n");  // changed behind the cache
  EXPECT_EQ(get("x"), "33");

  // A handle that denies writing keeps writers out; readers read on.
  HANDLE h = Open("project.ini", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_EQ(Code(plat::WritePrivateProfileStringA("A", "x", "4", ini.c_str())), 32u);
  EXPECT_EQ(get("x"), "33");
  plat::CloseHandle(h);
  ASSERT_TRUE(plat::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Code(plat::WritePrivateProfileStringA("A", "x", "4", ini.c_str())), 5u);
  ASSERT_TRUE(plat::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(plat::WritePrivateProfileStringA("A", nullptr, nullptr, ini.c_str()));
  EXPECT_EQ(Get("project.ini"), "");
  EXPECT_EQ(Code(plat::WritePrivateProfileStringA("A", "x", "1", P("no/a.ini").c_str())), 3u);
  EXPECT_EQ(Names(), std::vector<std::string>{"project.ini"});  // no temporary file stays
}

INSTANTIATE_TEST_SUITE_P(Both, VfsContract, ::testing::Values(Fs::System, Fs::Memory),
                         [](const ::testing::TestParamInfo<Fs>& info) {
                           return info.param == Fs::System ? "System" : "Memory";
                         });

// What only the file system in memory does.
TEST(MemoryVfs, AFullVolumeTakesWhatFitsAndMappingIsNotSupported) {
  plat::MemoryVfs memory;
  plat::ScopedVfs use(&memory);
  ASSERT_TRUE(memory.AddFile("/m/a", "1234"));
  EXPECT_EQ(memory.Names("/m"), std::vector<std::string>{"a"});
  memory.SetCapacity(10);
  HANDLE h = plat::CreateFileA("/m/b", kReadWrite, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  EXPECT_FALSE(plat::WriteAt(h, 0, "abcdefgh", 8, &n));
  EXPECT_EQ(plat::GetLastError(), DWORD(ERROR_DISK_FULL));
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(Code(plat::SetFileLength(h, 7)), DWORD(ERROR_DISK_FULL));
  EXPECT_EQ(plat::CreateFileMappingA(h, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(plat::GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
  plat::CloseHandle(h);
  EXPECT_EQ(memory.Contents("/m/b"), "abcdef");
  EXPECT_TRUE(plat::DeleteFileA("/m/a"));
  EXPECT_EQ(memory.Used(), 6u);
}

}  // namespace
