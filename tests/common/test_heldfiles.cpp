// The files live objects hold: a name is held when it is, by device and
// inode, a file some registered holder names at the time of asking; a name
// of no file never is.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/heldfiles.h"
#include "support/scratch_dir.h"

namespace {

// A holder that names the files of a list, as a map names its files.
struct Holder {
  std::vector<std::string> files;
  static int Walk(const void* holder, HELDFILEVISIT visit, void* context) {
    for (const std::string& file : static_cast<const Holder*>(holder)->files)
      if (visit(context, file.c_str())) return 1;
    return 0;
  }
};

class HeldFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.Write("a.map", "a");
    dir.Write("b.map", "b");
    ::mkdir((dir / "sub").c_str(), 0755);
  }
  void TearDown() override {
    heldUnregister(&one);
    heldUnregister(&two);
  }
  mctest::ScratchDir dir{MC_TEST_TMP};
  Holder one, two;
};

TEST_F(HeldFiles, ANameIsHeldByIdentityNotBySpelling) {
  one.files = {dir / "a.map"};
  ASSERT_EQ(heldRegister(&one, Holder::Walk), 1);
  EXPECT_EQ(heldRegister(&one, Holder::Walk), 0);  // once
  EXPECT_EQ(heldRegister(&two, nullptr), 0);
  ASSERT_EQ(::link((dir / "a.map").c_str(), (dir / "link.map").c_str()), 0);
  for (const std::string& name : {dir / "a.map", dir / "sub/../a.map", dir.path() + "./a.map",
                                   dir / "link.map"})
    EXPECT_EQ(heldIsFile(name.c_str()), 1) << name;
  EXPECT_EQ(heldIsFile((dir / "b.map").c_str()), 0);
  // The index of the first held name among several; null and empty names
  // are passed over.
  const std::string b = dir / "b.map", a = dir / "sub/../a.map";
  const char* names[] = {nullptr, "", b.c_str(), a.c_str()};
  EXPECT_EQ(heldFind(names, 4), 3);
  EXPECT_EQ(heldFind(names, 3), -1);
  EXPECT_EQ(heldFind(nullptr, 2), -1);
}

// The names are asked for when a name is looked up, and a caller may leave
// its own files out.
TEST_F(HeldFiles, NamesAreThoseOfTheMomentAndTheCallerMayBeLeftOut) {
  ASSERT_EQ(heldRegister(&one, Holder::Walk), 1);
  ASSERT_EQ(heldRegister(&two, Holder::Walk), 1);
  EXPECT_EQ(heldIsFile((dir / "a.map").c_str()), 0);
  one.files = {dir / "a.map", dir / "new.map"};  // opened since; one not made yet
  EXPECT_EQ(heldIsFile((dir / "a.map").c_str()), 1);
  EXPECT_EQ(heldIsFile((dir / "new.map").c_str()), 0);
  EXPECT_EQ(heldIsFile((dir / "a.map").c_str(), &one), 0);
  ASSERT_EQ(heldUnregister(&one), 1);
  EXPECT_EQ(heldUnregister(&one), 0);
  EXPECT_EQ(heldIsFile((dir / "a.map").c_str()), 0);
}

}  // namespace
