// One section of a private or the system profile.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/mapprofile.h"
#include "platform/profile.h"
#include "support/scratch_dir.h"

namespace {

class Profile : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = plat::GetSystemProfile();
    plat::SetSystemProfile((dir / "win.ini").c_str());
  }
  void TearDown() override { plat::SetSystemProfile(saved.c_str()); }
  mctest::ScratchDir dir{MC_TEST_TMP};
  std::string saved;
};

TEST_F(Profile, PrivateFileKeysRoundTrip) {
  std::string file = dir / "prj.mpt";
  dir.Write("prj.mpt", "; kept\r\n[Map]\r\nName=a.sit\r\n");
  TMapProfile p("Map", file.c_str());
  EXPECT_EQ(p.GetInt("Missing", 17), 17);
  EXPECT_TRUE(p.WriteInt("Shift", -5));
  EXPECT_EQ(p.GetInt("Shift", 0), -5);
  char buffer[64];
  EXPECT_EQ(p.GetString("Name", buffer, sizeof(buffer), ""), 5);
  EXPECT_STREQ(buffer, "a.sit");
  EXPECT_EQ(p.GetString("None", buffer, sizeof(buffer), "dflt"), 4);
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_TRUE(p.Flush());
  const std::string text = dir.Read("prj.mpt");
  EXPECT_NE(text.find("; kept\r\n"), std::string::npos);
  EXPECT_NE(text.find("Shift=-5\r\n"), std::string::npos);

  // A null key lists the section's keys.
  char list[64];
  DWORD n = p.GetString(nullptr, list, sizeof(list), "");
  EXPECT_EQ(std::string(list, n), std::string("Name\0Shift\0", 11));
}

TEST_F(Profile, EmptySectionListsSections) {
  std::string file = dir / "two.ini";
  dir.Write("two.ini", "[One]\nA=1\n[Two]\nB=2\n");
  TMapProfile p(nullptr, file.c_str());
  EXPECT_STREQ(p.Section(), "");
  char list[64];
  DWORD n = p.GetString("ignored", list, sizeof(list), "");
  EXPECT_EQ(std::string(list, n), std::string("One\0Two\0", 8));
}

TEST_F(Profile, NullFileUsesTheSystemProfile) {
  TMapProfile p("Options", nullptr);
  EXPECT_STREQ(p.FileName(), "");
  EXPECT_TRUE(p.WriteInt("Scale", 120));
  EXPECT_EQ(p.GetInt("Scale", 0), 120);
  EXPECT_NE(dir.Read("win.ini").find("Scale=120"), std::string::npos);
  EXPECT_EQ(p.Flush(), 0);
}

TEST_F(Profile, LongNamesAreCut) {
  std::string longSection(400, 's');
  TMapProfile p(longSection.c_str(), nullptr);
  EXPECT_EQ(std::strlen(p.Section()), 259u);
}

}  // namespace
