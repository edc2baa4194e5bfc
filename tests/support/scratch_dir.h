// A scratch folder of its own for one test, removed with its content when
// the test ends. Shared by the tests of every folder:
//   mctest::ScratchDir dir{MC_TEST_TMP};
#pragma once

#include <string>

namespace mctest {

// A root for scratch folders in a file system held in memory where the
// machine has one writable (/dev/shm), else `fallback`: for tests that
// make and remove files by the thousand, which a disk's file system slows
// down as it looks for free inodes among those just freed.
std::string MemoryScratchRoot(const std::string& fallback);

class ScratchDir {
 public:
  // Creates <root>/<suite>_<test>-<process id>-<counter>/ (a fresh, empty
  // folder even when a crashed run left one of that name).
  explicit ScratchDir(const char* root);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // The folder, ending in '/'.
  const std::string& path() const { return path_; }
  // A name inside the folder.
  std::string operator/(const std::string& name) const { return path_ + name; }

  // Writes a file with the given bytes; reads a whole file ("" when missing).
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace mctest
