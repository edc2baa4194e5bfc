// A map made by the library in the folder "map/" of a scratch folder, so
// that a name read from its files could reach the folder around it, with
// writers of single fields of its files for the tests of damaged maps.
// Header only: the scratch folder's root is known to the test programs.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/file.h"
#include "support/objectbuilder.h"
#include "support/scratch_dir.h"

namespace mctest {

// Access mode of OpenData that opens a map read only.
enum : int { MAP_READ_ONLY = int(0x80000000u) };
// Classifier kinds of the map: a line and an area.
enum : uint16_t { NESTED_LINE = 16, NESTED_AREA = 17 };

// Every file under a folder with its bytes.
inline std::map<std::string, std::string> FolderSnapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    files[e.path().string()] =
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return files;
}

class NestedMapTest : public ::testing::Test {
 protected:
  // Creates the map "map/map.map" on the classifier "map/map.rsc" with one
  // sheet of files "S1.*"; messages off.
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    MessageEnableSet(0);
    ASSERT_EQ(0, mkdir(Dir().c_str(), 0777));
    ASSERT_TRUE(objtest::WriteClassifier(Dir() + "map.rsc",
                                         {{5550, LOCAL_LINE}, {5551, LOCAL_POLYGON}}));
    ASSERT_TRUE(objtest::CreateMapFile(Path(), Dir() + "map.rsc"));
  }
  void TearDown() override { MessageEnableSet(1); }

  std::string Dir() const { return outer / "map/"; }
  std::string Path() const { return Dir() + "map.map"; }
  std::string Sheet(const char* ext) const { return Dir() + "S1" + ext; }

  // A text field of the map file at `offset`: the text, then zeros to the
  // field's end.
  void PatchText(size_t offset, size_t field, const std::string& text) {
    std::string bytes = outer.Read("map/map.map");
    ASSERT_GE(bytes.size(), offset + field);
    std::memset(&bytes[offset], 0, field);
    std::memcpy(&bytes[offset], text.data(), std::min(text.size(), field));
    outer.Write("map/map.map", bytes);
  }
  // File name `file` (SHEET_HDR ..) of sheet record `sheet` (from 1).
  void PatchName(int sheet, int file, const std::string& name) {
    PatchText(848 + 1728 * size_t(sheet - 1) + 656 + 264 * size_t(file), 264, name);
  }
  // Bytes of any file at an offset.
  void PatchFile(const std::string& path, size_t offset, const void* data, size_t size) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE(f.is_open()) << path;
    f.seekp(std::streamoff(offset));
    f.write(static_cast<const char*>(data), std::streamsize(size));
    ASSERT_TRUE(f.good());
  }
  // Descriptor n of S1.HDR as the file holds it (zeros past its end).
  FVSPR ReadDesc(int n) const {
    FVSPR d{};
    const std::string hdr = outer.Read("map/S1.HDR");
    if (hdr.size() >= 48 * (size_t(n) + 1)) std::memcpy(&d, hdr.data() + 48 * n, 48);
    return d;
  }
  void WriteDesc(int n, const FVSPR& desc) { PatchFile(Sheet(".HDR"), 48 * size_t(n), &desc, 48); }

  // Appends an object over a box to the map's current sheet: its number,
  // 0 when refused.
  int Append(TMap& map, int local, uint16_t code, bool withSemantics = false) {
    using namespace objtest;
    const Points box = {{100, 300}, {200, 300}, {200, 500}, {100, 500}, {100, 300}};
    FVSPR d = Desc(local, code);
    Bytes metric = Metric(METRIC_I32, {box});
    Bytes semn = Semantics(9, 42);
    return map.AppendObject(&d, As<LONGMETRIC>(metric),
                            withSemantics ? As<SEMANTIC>(semn) : nullptr, nullptr);
  }
  // The chain walked forwards, each Back checked against the object before.
  static std::vector<int> Chain(TMapList& list) {
    std::vector<int> out;
    int back = 0;
    for (FVSPR* d = list.FirstHead(); d != nullptr && out.size() < 100; d = list.NextHead()) {
      EXPECT_EQ(DWORD(back), d->Back) << "object " << list.CurrentObject;
      back = list.CurrentObject;
      out.push_back(back);
    }
    return out;
  }

  ScratchDir outer{MC_TEST_TMP};
};

}  // namespace mctest
