// Names read from a map file reach no file outside the map's folder and
// none of the map's other files: sheet files, the classifier and the group
// file; reading, appending, copying and deleting sheets keep to them.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cstring>
#include <string>
#include <vector>

#include "common/filename.h"
#include "common/maperr.h"
#include "mapstore/map.h"
#include "support/nestedmap.h"

using namespace objtest;
using namespace mctest;

namespace {

class HostileNames : public NestedMapTest {};

// Offsets of the classifier's and the group file's names in the map file.
constexpr size_t kRscName = 288, kGroupName = 552;

}  // namespace

TEST(PlainFileName, OnlyANameOfTheSameFolderPasses) {
  const struct {
    const char* name;
    int plain;
  } cases[] = {
      {"M37001.SEM", 1}, {"map.rsc", 1}, {"a", 1},         {"name with blanks.x", 1},
      {"", 0},           {"../x.sem", 0}, {"..", 0},        {".", 0},
      {"a/b", 0},        {"a\\b", 0},     {"C:x.rsc", 0},   {"x.rsc:stream", 0},
      {"x..y", 0},       {"x.", 0},       {"x ", 0},        {"a\tb", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.plain, IsPlainFileName(c.name, 264)) << c.name;
  char field[8];
  std::memset(field, 'A', sizeof(field));
  EXPECT_EQ(0, IsPlainFileName(field, sizeof(field)));  // no end inside the field
  EXPECT_EQ(0, IsPlainFileName(nullptr, 264));
  EXPECT_EQ(1, IsSameNameInFolder("map.RSC", "MAP.rsc"));
  EXPECT_EQ(1, IsSameNameInFolder("\xEA\xE0\xF0\xF2\xE0", "\xCA\xC0\xD0\xD2\xC0"));  // Cyrillic
  EXPECT_EQ(0, IsSameNameInFolder("map.rsc", "map.rs"));
}

// Each damaged sheet file name refuses the sheet with 60005, and nothing
// outside the map's folder and none of the map's other files is touched:
// not by reading, nor by an append, nor by closing.
TEST_F(HostileNames, SheetFileNamesStayInTheMapFolder) {
  const struct {
    int file;
    const char* name;
  } cases[] = {
      {SHEET_GRA, "../tiny.txt"},    // a leftover graphics file would be deleted
      {SHEET_SEM, "../victim.txt"},  // the append would create and write it
      {SHEET_SEM, "map.rsc"},        // the append would write into the classifier
      {SHEET_DAT, "MAP.MAP"},        // the map file itself
      {SHEET_GRA, "s1.hdr"},         // another file of the same sheet
      {SHEET_DAT, ""},               // the folder itself
      {SHEET_HDR, "..\\S1.HDR"},
      {SHEET_SEM, "C:victim.txt"},
      {SHEET_GRA, "tiny.txt."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("name '") + c.name + "'");
    outer.Write("tiny.txt", "abc");
    std::remove((outer / "victim.txt").c_str());
    PatchName(1, c.file, c.name);
    for (int mode : {int(MAP_READ_ONLY), 0}) {
      auto before = FolderSnapshot(outer.path());
      {
        TMap map;
        ASSERT_EQ(1, map.OpenData(Path().c_str(), mode)) << map.MapError.Error();
        EXPECT_EQ(0, map.OpenList(1));
        EXPECT_EQ(MAPERR_DATA, map.List.GetError());
        EXPECT_EQ(0, Append(map, LOCAL_LINE, NESTED_LINE, true));
        map.CloseData();
      }
      auto after = FolderSnapshot(outer.path());
      // Only the map file and its logs may change.
      for (auto* files : {&before, &after}) {
        files->erase(Path());
        for (auto it = files->begin(); it != files->end();)
          it = it->first.find("/LOG/") != std::string::npos ? files->erase(it) : std::next(it);
      }
      EXPECT_EQ(before, after) << "mode " << mode;
    }
    PatchName(1, c.file, std::string("S1") + SheetFileExtension(c.file, 0));
  }
  // Undamaged again, the sheet opens and takes an object.
  TMap map;
  ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
  ASSERT_EQ(1, map.OpenList(1));
  EXPECT_EQ(1, Append(map, LOCAL_LINE, NESTED_LINE, true));
}

// The classifier named by the map is one of its folder, and not the map
// file.
TEST_F(HostileNames, ClassifierNameStaysInTheMapFolder) {
  outer.Write("map.rsc", outer.Read("map/map.rsc"));
  for (const char* name : {"../map.rsc", "..\\map.rsc", "sub/map.rsc", "", "map.map"}) {
    SCOPED_TRACE(name);
    PatchText(kRscName, 260, name);
    TMap map;
    EXPECT_EQ(0, map.OpenData(Path().c_str(), 0));
    EXPECT_EQ(MAPERR_DATA, map.MapError.Error());
  }
  // A group file name is a name of the folder too.
  PatchText(kRscName, 260, "map.rsc");
  PatchText(kGroupName, 260, "../map.gdx");
  TMap map;
  EXPECT_EQ(0, map.OpenData(Path().c_str(), 0));
  EXPECT_EQ(MAPERR_DATA, map.MapError.Error());
  PatchText(kGroupName, 260, "map.gdx");
  EXPECT_EQ(1, map.OpenData(Path().c_str(), 0));
}

// Two sheets that name one file contradict each other: neither opens.
TEST_F(HostileNames, SheetsSharingAFileAreRefused) {
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    LISTREGISTER second = SquareSheet("S2", 6010000, 7400000);
    ASSERT_EQ(1, map.CreateList(&second, 1));
    // Names the library is given are held to the same rule.
    LISTREGISTER again = SquareSheet("S1", 6020000, 7400000);
    EXPECT_EQ(0, map.CreateList(&again, 1));
    EXPECT_EQ(2, map.Count());
    EXPECT_STREQ("", map.NameSEM("../x.sem", 2));
    EXPECT_STREQ("", map.NameSEM("S1.SEM", 2));
    EXPECT_STREQ("S2.SEM", map.NameSEM(2));
    EXPECT_STREQ("", map.NameRSC("..\\other.rsc"));
    EXPECT_STREQ("map.rsc", map.NameRSC());
    EXPECT_STREQ("", map.NameGDX("a/b.gdx"));
  }
  PatchName(2, SHEET_DAT, "s1.sem");
  TMap map;
  ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
  for (int sheet : {1, 2}) {
    EXPECT_EQ(0, map.OpenList(sheet));
    EXPECT_EQ(MAPERR_DATA, map.List.GetError());
  }
}

// Deleting a sheet with its files and copying a sheet from another map take
// only names of their folders.
TEST_F(HostileNames, SheetCopiesAndDeletionsStayInTheirFolders) {
  outer.Write("victim.txt", "keep");
  // A sheet named apart from the other map's own sheet, but for its
  // semantics file.
  for (const char* ext : {".HDR", ".DAT"}) {
    outer.Write(std::string("map/T1") + ext, outer.Read(std::string("map/S1") + ext));
    PatchName(1, ext[1] == 'H' ? SHEET_HDR : SHEET_DAT, std::string("T1") + ext);
  }
  PatchName(1, SHEET_SEM, "../victim.txt");
  {
    // Another map two folders down copies the damaged sheet: the copy
    // would land in the folder above its own.
    const std::string other = outer / "a/b/";
    ASSERT_EQ(0, mkdir((outer / "a").c_str(), 0777));
    ASSERT_EQ(0, mkdir(other.c_str(), 0777));
    ASSERT_TRUE(WriteClassifier(other + "map.rsc", {{5550, LOCAL_LINE}, {5551, LOCAL_POLYGON}}));
    ASSERT_TRUE(CreateMapFile(other + "other.map", other + "map.rsc"));
    TMap source, target;
    ASSERT_EQ(1, source.OpenData(Path().c_str(), 0));
    ASSERT_EQ(1, target.OpenData((other + "other.map").c_str(), 0));
    EXPECT_EQ(0, target.AppendList(&source, 1, 1));
    EXPECT_EQ(1, target.Count());
    EXPECT_FALSE(outer.Exists("a/victim.txt"));
    EXPECT_FALSE(outer.Exists("a/b/T1.HDR"));
  }
  TMap map;
  ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
  EXPECT_EQ(1, map.DeleteList(1, 1));
  EXPECT_EQ("keep", outer.Read("victim.txt"));
  EXPECT_FALSE(outer.Exists("map/T1.HDR"));
}
