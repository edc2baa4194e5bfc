// INI profiles with the behaviour of the Windows profile calls.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/file.h"
#include "platform/profile.h"
#include "support/scratch_dir.h"

namespace {

using mctest::ScratchDir;

class ProfileTest : public ::testing::Test {
 protected:
  std::string Get(const char* section, const char* key, const char* def = "?",
                  DWORD size = 256) {
    std::string buffer(size, '\x7F');
    DWORD n = plat::GetPrivateProfileStringA(section, key, def, &buffer[0], size, ini.c_str());
    result = n;
    return buffer.substr(0, n);
  }
  std::string List(const char* section, DWORD size = 256) {
    std::string buffer(size, '\x7F');
    result = plat::GetPrivateProfileStringA(section, nullptr, "", &buffer[0], size, ini.c_str());
    // Up to and including the two zeros that end the list.
    size_t end = buffer.find(std::string(2, '\0'));
    return end == std::string::npos ? "<no end>" : buffer.substr(0, end + 2);
  }
  BOOL Put(const char* section, const char* key, const char* value) {
    return plat::WritePrivateProfileStringA(section, key, value, ini.c_str());
  }

  ScratchDir dir{MC_TEST_TMP};
  std::string ini = dir / "project.ini";
  DWORD result = 0;
};

TEST_F(ProfileTest, ValuesDefaultsAndIntegers) {
  dir.Write("project.ini",
            "; settings\r\n"
            "[Map]\r\n"
            "Name = Region map  \r\n"
            "Quoted=\"  spaced  \"\r\n"
            "Scale=25000\r\n"
            "Hex=0x1F\r\n"
            "Neg= -12abc\r\n"
            "Empty=\r\n"
            "[Other]\r\n"
            "Name=second\r\n");
  EXPECT_EQ(Get("map", "NAME"), "Region map");
  EXPECT_EQ(Get("MAP", "quoted"), "  spaced  ");
  EXPECT_EQ(Get("Other", "Name"), "second");
  EXPECT_EQ(Get("Map", "Missing", "fallback  "), "fallback");  // trailing blanks dropped
  EXPECT_EQ(Get("Map", "Missing", nullptr), "");
  EXPECT_EQ(Get("Nope", "Name", "d"), "d");
  EXPECT_EQ(Get("Map", "Empty", "d"), "");

  // A value that does not fit is cut, size - 1 characters.
  EXPECT_EQ(Get("Map", "Name", "", 7), "Region");
  EXPECT_EQ(result, 6u);

  auto Int = [&](const char* key, INT def) {
    return static_cast<INT>(plat::GetPrivateProfileIntA("Map", key, def, ini.c_str()));
  };
  EXPECT_EQ(Int("Scale", 0), 25000);
  EXPECT_EQ(Int("Hex", 0), 31);
  EXPECT_EQ(Int("Neg", 0), -12);
  EXPECT_EQ(Int("Name", 5), 0);  // no digits
  EXPECT_EQ(Int("Missing", -7), -7);
  EXPECT_EQ(Int("Empty", 9), 9);
  EXPECT_EQ(static_cast<INT>(plat::GetPrivateProfileIntA("Map", "Scale", 3,
                                                         (dir / "none.ini").c_str())),
            3);
  EXPECT_EQ(plat::ParseProfileInt("+0x10"), 16);
  EXPECT_EQ(plat::ParseProfileInt("-0x10"), -16);
}

TEST_F(ProfileTest, IntegersRoundTrip) {
  ASSERT_TRUE(plat::WritePrivateProfileIntA("View", "Shift", -5, ini.c_str()));
  ASSERT_TRUE(plat::WritePrivateProfileIntA("View", "Big", -2147483647 - 1, ini.c_str()));
  EXPECT_EQ(Get("View", "Shift"), "-5");
  EXPECT_EQ(static_cast<INT>(plat::GetPrivateProfileIntA("View", "Shift", 0, ini.c_str())), -5);
  EXPECT_EQ(static_cast<INT>(plat::GetPrivateProfileIntA("View", "Big", 0, ini.c_str())),
            -2147483647 - 1);
  // A new file gets CRLF line breaks.
  EXPECT_EQ(dir.Read("project.ini"), "[View]\r\nShift=-5\r\nBig=-2147483648\r\n");
}

TEST_F(ProfileTest, ListsAreDoubleZeroTerminatedAndCutLikeWindows) {
  dir.Write("project.ini",
            "[First]\nA=1\nbb=2\n; note\nccc\n[Second]\n[first]\nD=4\n[Third]\n");
  using namespace std::string_literals;
  EXPECT_EQ(List(nullptr), "First\0Second\0Third\0\0"s);
  EXPECT_EQ(result, 19u);
  EXPECT_EQ(List("FIRST"), "A\0bb\0ccc\0\0"s);  // the first section of the name
  EXPECT_EQ(List("Second"), "\0\0"s);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(List("Missing"), "\0\0"s);

  // Too small: cut, two zeros, size - 2.
  EXPECT_EQ(List(nullptr, 10), "First\0Se\0\0"s);
  EXPECT_EQ(result, 8u);
  EXPECT_EQ(List(nullptr, 8), "First\0\0"s);
  EXPECT_EQ(result, 6u);
  EXPECT_EQ(List(nullptr, 2), "\0\0"s);
  EXPECT_EQ(result, 0u);
}

TEST_F(ProfileTest, WritesKeepCommentsOrderAndLineBreaks) {
  const std::string original =
      "; project of the region\r\n"
      "[Main]\r\n"
      "  Name=old   ; not a comment\r\n"
      "Count=1\r\n"
      "\r\n"
      "; the next section\r\n"
      "[Views]\r\n"
      "First=1\r\n";
  dir.Write("project.ini", original);
  ASSERT_TRUE(Put("MAIN", "name", "new"));
  ASSERT_TRUE(Put("Main", "Added", "yes"));
  ASSERT_TRUE(Put("Extra", "Key", "v"));
  EXPECT_EQ(dir.Read("project.ini"),
            "; project of the region\r\n"
            "[Main]\r\n"
            "  Name=new\r\n"
            "Count=1\r\n"
            "Added=yes\r\n"
            "\r\n"
            "; the next section\r\n"
            "[Views]\r\n"
            "First=1\r\n"
            "[Extra]\r\n"
            "Key=v\r\n");

  // LF files stay LF; a last line without a break gets one before new text.
  dir.Write("lf.ini", "# kept\n[A]\nx=1");
  std::string lf = dir / "lf.ini";
  ASSERT_TRUE(plat::WritePrivateProfileStringA("A", "y", "2", lf.c_str()));
  ASSERT_TRUE(plat::WritePrivateProfileStringA("B", "z", "3", lf.c_str()));
  EXPECT_EQ(dir.Read("lf.ini"), "# kept\n[A]\nx=1\ny=2\n[B]\nz=3\n");
}

TEST_F(ProfileTest, DeletingKeysAndSections) {
  dir.Write("project.ini", "[A]\r\nx=1\r\ny=2\r\n; about B\r\n[B]\r\nz=3\r\n[C]\r\nw=4\r\n");
  ASSERT_TRUE(Put("a", "X", nullptr));
  EXPECT_EQ(Get("A", "x", "gone"), "gone");
  ASSERT_TRUE(Put("b", nullptr, nullptr));
  EXPECT_EQ(Get("B", "z", "gone"), "gone");
  EXPECT_EQ(dir.Read("project.ini"), "[A]\r\ny=2\r\n; about B\r\n[C]\r\nw=4\r\n");
  // Deleting what is not there changes nothing and creates nothing.
  EXPECT_TRUE(Put("Q", "k", nullptr));
  EXPECT_TRUE(Put("Q", nullptr, nullptr));
  EXPECT_TRUE(plat::WritePrivateProfileStringA("Q", nullptr, nullptr,
                                               (dir / "absent.ini").c_str()));
  EXPECT_FALSE(dir.Exists("absent.ini"));
  // Flush, and refused texts.
  EXPECT_TRUE(Put(nullptr, nullptr, nullptr));
  EXPECT_FALSE(Put(nullptr, "k", "v"));
  EXPECT_FALSE(Put("A", "k", "two\r\nlines"));
  EXPECT_EQ(plat::GetLastError(), 87u);
}

TEST_F(ProfileTest, CyrillicNamesMatchWithoutCase) {
  // "Карта" written, "КАРТА" and "карта" asked (code page 1251).
  ASSERT_TRUE(Put("\xCA\xE0\xF0\xF2\xE0", "\xB8\xEB\xEA\xE0", "1"));
  EXPECT_EQ(Get("\xCA\xC0\xD0\xD2\xC0", "\xA8\xCB\xCA\xC0"), "1");
  EXPECT_EQ(Get("\xEA\xE0\xF0\xF2\xE0", "\xB8\xEB\xEA\xE0"), "1");
}

TEST_F(ProfileTest, ReadOnlyProfileIsNotChangedAndNoTemporaryFileStays) {
  dir.Write("project.ini", "[A]\r\nx=1\r\n");
  ASSERT_TRUE(plat::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(Put("A", "x", "2"));
  EXPECT_EQ(plat::GetLastError(), 5u);
  EXPECT_EQ(dir.Read("project.ini"), "[A]\r\nx=1\r\n");
  ASSERT_TRUE(plat::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(Put("A", "x", "2"));
  EXPECT_EQ(Get("A", "x"), "2");
  // Only the profile is left in the folder.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_EQ(e.path().filename(), "project.ini");
    ++files;
  }
  EXPECT_EQ(files, 1);
  EXPECT_FALSE(plat::WritePrivateProfileStringA("A", "x", "1", (dir / "no/such.ini").c_str()));
  EXPECT_EQ(plat::GetLastError(), 3u);
}

TEST_F(ProfileTest, SystemProfileIsASettableFile) {
  std::string sys = dir / "win.ini";
  plat::SetSystemProfile(sys.c_str());
  ASSERT_TRUE(plat::WriteProfileStringA("Library", "Language", "2"));
  EXPECT_EQ(plat::GetProfileIntA("Library", "language", 1), 2u);
  char buffer[16];
  EXPECT_EQ(plat::GetProfileStringA("Library", "Language", "", buffer, sizeof(buffer)), 1u);
  EXPECT_STREQ(buffer, "2");
  EXPECT_EQ(dir.Read("win.ini"), "[Library]\r\nLanguage=2\r\n");
  // A bare profile name lives beside the system profile.
  ASSERT_TRUE(plat::WritePrivateProfileStringA("S", "k", "v", "bare.ini"));
  EXPECT_EQ(dir.Read("bare.ini"), "[S]\r\nk=v\r\n");
  plat::SetSystemProfile(nullptr);
  EXPECT_NE(plat::GetSystemProfile(), sys);
}

TEST_F(ProfileTest, APipeOfTheProfilesNameIsRefusedWithoutWaiting) {
  ASSERT_EQ(mkfifo(ini.c_str(), 0666), 0);
  EXPECT_EQ(Get("A", "x", "d"), "d");
  EXPECT_FALSE(Put("A", "x", "1"));
  EXPECT_EQ(plat::GetLastError(), 5u);
}

TEST_F(ProfileTest, ChangesMadeBehindTheCacheAreSeen) {
  ASSERT_TRUE(Put("A", "x", "1"));
  EXPECT_EQ(Get("A", "x"), "1");
  dir.Write("project.ini", "[A]\r\nx=22\r\n");  // another writer, same second
  EXPECT_EQ(Get("A", "x"), "22");
}

}  // namespace
