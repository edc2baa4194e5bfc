// A file system in memory, for tests.
//
// Files and folders live in this object, under '/'-separated names; a
// relative name is taken from the root. Share modes, deletion rights and
// byte-range locks are kept between the files open in this process as the
// system's file system keeps them between processes, with the same codes
// (the contract test runs one suite over both). Times come from the clock
// of platform/clock.h. The volume holds SetCapacity bytes: a write that
// would pass it writes what fits and fails with ERROR_DISK_FULL (1 GiB
// unless set).
//
// Files in memory cannot be mapped: CreateFileMappingA fails for them with
// ERROR_NOT_SUPPORTED, so code that maps files is tested over the system's
// file system.
//
// A test installs it for a scope, and may stack the fault layer on it:
//   plat::MemoryVfs memory;
//   plat::ScopedVfs use(&memory);
//   memory.AddFile("/maps/a.map", bytes);
//   ... plat::CreateFileA("/maps/a.map", ...) ...
//   EXPECT_EQ(memory.Contents("/maps/a.map"), expected);
// Files opened from it must be closed before it is destroyed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/vfs.h"

namespace plat {

class MemoryVfs final : public Vfs {
 public:
  // An empty volume: only the root folder "/".
  MemoryVfs();
  ~MemoryVfs() override;

  // For tests, outside the file calls (no share rules, nothing counted):
  // Creates a folder with every missing folder above it; false when a file
  // stands in the way.
  bool AddFolders(const std::string& path);
  // Creates or overwrites a file with the given bytes, its folders as
  // needed; false when a folder has that name or a file stands in the way.
  bool AddFile(const std::string& path, const std::string& bytes);
  // The bytes of a file ("" when there is none).
  std::string Contents(const std::string& path) const;
  // True when a file or folder has the name.
  bool Exists(const std::string& path) const;
  // The names (not paths) in a folder, sorted; folders end in '/'.
  std::vector<std::string> Names(const std::string& folder) const;
  // The size of the volume in bytes, and the bytes its files hold.
  void SetCapacity(uint64_t bytes);
  uint64_t Used() const;

  DWORD Open(const std::string& path, const VfsOpenMode& mode, std::unique_ptr<VfsFile>* file,
             bool* existed) override;
  DWORD Delete(const std::string& path) override;
  DWORD Rename(const std::string& from, const std::string& to) override;
  DWORD Replace(const std::string& path, const std::string& replacement) override;
  DWORD Stat(const std::string& path, VfsInfo* info) override;
  DWORD SetReadOnly(const std::string& path, bool readOnly) override;
  DWORD CreateFolder(const std::string& path) override;
  DWORD RemoveFolder(const std::string& path) override;
  DWORD FreeSpace(const std::string& path, VfsSpace* space) override;

  struct State;

 private:
  std::shared_ptr<State> state_;  // shared with the open files
};

}  // namespace plat
