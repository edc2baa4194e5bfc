// The file system under the file calls (a virtual file system).
//
// The handle layer of platform/file.h (handles, positions, access checks,
// the Windows error codes and semantics) is written once, over a Vfs that
// does only the file-system work: opening a name under the share rules,
// reading and writing at an offset, sizes, byte-range locks, times, names
// and folders. Three implementations exist:
// - the system's file system (SystemVfs(), the one in use unless a test
//   installs another; platform/vfs_system.cpp),
// - a file system in memory for tests (platform/vfs_memory.h),
// - a fault layer over another Vfs that fails chosen operations
//   (platform/vfs_fault.h).
//
// Conventions of every call:
// - The result is a Windows error code, ERROR_SUCCESS (0) on success. The
//   seam never sets the last error; the handle layer does.
// - Names are as the handle layer passes them: '/'-separated (OsPath,
//   platform/path.h), absolute or relative to the current folder.
// - A missing name gives ERROR_FILE_NOT_FOUND when its folder exists, else
//   ERROR_PATH_NOT_FOUND.
// - A file is read-only (FILE_ATTRIBUTE_READONLY) when it may not be opened
//   for writing, deleted or renamed: those fail with ERROR_ACCESS_DENIED
//   (its creator may still write through the file it created).
//
// Cost: the handle layer calls an open file's methods directly, one virtual
// call per operation. Only while a Vfs that filters file operations is
// installed (the fault layer) does it pass them through that Vfs instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file.h"

namespace plat {

// How a file is opened.
struct VfsOpenMode {
  bool read = false;                  // the handle will read
  bool write = false;                 // the handle will write
  DWORD share = 0;                    // FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
  DWORD disposition = OPEN_EXISTING;  // CREATE_NEW .. TRUNCATE_EXISTING
  bool readOnly = false;              // a file created by this open gets the read-only attribute
  bool writeThrough = false;          // writes are on the disk when they return
};

// What is known of a file or folder.
struct VfsInfo {
  DWORD attributes = 0;  // FILE_ATTRIBUTE_DIRECTORY, _READONLY or _NORMAL
  uint64_t size = 0;
  // FILETIME values (100-ns intervals since 1601). The creation time is the
  // last-write time where the file system keeps none.
  ULONGLONG creationTime = 0;
  ULONGLONG accessTime = 0;
  ULONGLONG writeTime = 0;
  // The last change of the file's data or attributes, its times included,
  // by the file system's own clock: a write, a cut or a time set moves it,
  // and no caller can set it (putting a last-write time back moves it).
  ULONGLONG changeTime = 0;
  // Identity: two names of one file give equal pairs.
  uint64_t volume = 0;
  uint64_t id = 0;
};

// Free space of a volume, in allocation units.
struct VfsSpace {
  uint64_t unit = 0;       // bytes per unit
  uint64_t available = 0;  // units free to the caller
  uint64_t free = 0;       // units free in all
  uint64_t total = 0;      // units in all
};

// A mapping of a file into memory. It holds the file's data by a reference
// of its own: it outlives the VfsFile it came from and keeps none of that
// file's locks or share claims.
class VfsMapping {
 public:
  virtual ~VfsMapping() = default;
  // The file's size now.
  virtual DWORD Size(uint64_t* size) = 0;
  // Maps `length` bytes at `offset` (a multiple of the page size, inside
  // the file); `write` maps them writable and shared with the file,
  // `copyOnWrite` writable and private.
  virtual DWORD MapView(uint64_t offset, size_t length, bool write, bool copyOnWrite,
                        void** view) = 0;
  // Releases a view that MapView gave.
  virtual void UnmapView(void* view, size_t length) = 0;
  // The pages of a view are touched in no particular order: a page missing
  // is brought in alone, not with a stretch of the file around it. Only a
  // hint; a layer that does not page takes no notice.
  virtual void AdviseRandom(void* /*view*/, size_t /*length*/) {}
  // The pages of a view are all to be read soon, in one pass: they are
  // put in place now, where the layer can. Only a hint.
  virtual void AdviseWholeRead(void* /*view*/, size_t /*length*/) {}
  // The mapping's handle is closed: no view is made of it any more, and
  // what it holds the file by may go (the views made keep the file's
  // pages), so that a view costs no open file of the process.
  virtual void Release() {}
};

// An open file. Destroying it closes it, dropping its locks and its claims
// on the share modes. It reads and writes whatever the access it was opened
// with: the handle layer checks access.
class VfsFile {
 public:
  virtual ~VfsFile() = default;
  // Reads up to `size` bytes at `offset`; fewer only at the end of the file
  // (`*done` gets the count, 0 at or past the end).
  virtual DWORD Read(uint64_t offset, void* buffer, DWORD size, DWORD* done) = 0;
  // Writes `size` bytes at `offset`, growing the file (zeros between) as
  // needed; `*done` gets the bytes that went out. A disk that fills up
  // part-way gives ERROR_DISK_FULL with `*done` short.
  virtual DWORD Write(uint64_t offset, const void* buffer, DWORD size, DWORD* done) = 0;
  virtual DWORD Size(uint64_t* size) = 0;
  // Cuts or extends (with zeros) the file to `size` bytes.
  virtual DWORD Truncate(uint64_t size) = 0;
  // Puts the file's data on the disk.
  virtual DWORD Sync() = 0;
  // A non-blocking byte-range lock, exclusive or `shared`:
  // ERROR_LOCK_VIOLATION when another open file (of this or any process)
  // holds a lock overlapping it, unless both are shared. Ranges may lie
  // past the end of the file and never reach kVfsLockLimit. The caller
  // never asks one file for overlapping ranges and unlocks only the exact
  // ranges it locked.
  virtual DWORD Lock(uint64_t offset, uint64_t length, bool shared) = 0;
  virtual DWORD Unlock(uint64_t offset, uint64_t length) = 0;
  virtual DWORD Stat(VfsInfo* info) = 0;
  // The file's volume and number, as Stat gives them. They never change for
  // an open file, so a file system that learnt them at the opening answers
  // without asking again.
  virtual DWORD Identity(uint64_t* volume, uint64_t* id);
  // Sets the last-access and last-write times (FILETIME values; null:
  // unchanged).
  virtual DWORD SetTimes(const ULONGLONG* access, const ULONGLONG* write) = 0;
  // A mapping of the file, read-only or writable (the file must then be
  // open for writing); ERROR_NOT_SUPPORTED where the Vfs cannot map.
  virtual DWORD Map(bool writable, std::shared_ptr<VfsMapping>* mapping) = 0;
  // Whether every opener of the file that maps it maps the same memory as
  // this one: a store through one view (an atomic one too) is seen at once
  // through every other view and by every read, in every process. False
  // where the file system keeps the pages of a machine to itself (a network
  // file system, which other machines also open) or cannot map at all.
  virtual bool ViewsShared() { return false; }
};

// Byte offsets from here up are the file system's own (the real one keeps
// its share-mode markers there): no lock range reaches them.
constexpr uint64_t kVfsLockLimit = 0x7FFFFFFFFFFFFF00ull;

class Vfs {
 public:
  virtual ~Vfs() = default;
  Vfs(const Vfs&) = delete;
  Vfs& operator=(const Vfs&) = delete;

  // Opens or creates a file as `mode.disposition` says, under the share
  // rules: an open whose access or share mode conflicts with a file already
  // open on the name (any process) fails with ERROR_SHARING_VIOLATION; only
  // opens with some access take part. Codes: ERROR_FILE_EXISTS (CREATE_NEW
  // of an existing name), ERROR_ACCESS_DENIED (a folder, anything but a
  // regular file, an existing read-only file opened for writing, no
  // permission), the missing-name codes. Truncation (CREATE_ALWAYS of an
  // existing file, TRUNCATE_EXISTING) happens only once the open is
  // allowed. `*existed` tells whether the file was there before.
  virtual DWORD Open(const std::string& path, const VfsOpenMode& mode,
                     std::unique_ptr<VfsFile>* file, bool* existed) = 0;
  // Deletes a file; a link is deleted itself. ERROR_ACCESS_DENIED for a
  // folder or a read-only file, ERROR_SHARING_VIOLATION while a file open on
  // it does not share deletion. Files open on it (sharing deletion) keep
  // their data.
  virtual DWORD Delete(const std::string& path) = 0;
  // Renames a file or folder, never replacing: ERROR_ALREADY_EXISTS when
  // `to` exists. A file is refused as Delete refuses it. A file goes to
  // another volume by copy and delete.
  virtual DWORD Rename(const std::string& from, const std::string& to) = 0;
  // Gives the file `replacement` the name `path` in one step, replacing the
  // file of that name, whatever is open on it (open files keep the old
  // data). The replacement takes the permissions and owner of the file it
  // replaces, where the file system keeps them.
  virtual DWORD Replace(const std::string& path, const std::string& replacement) = 0;
  // Follows links.
  virtual DWORD Stat(const std::string& path, VfsInfo* info) = 0;
  // Whether the name exists (a file or a folder; links followed), without
  // telling why it does not: cheaper where finding why costs another look.
  virtual bool Exists(const std::string& path) {
    VfsInfo info;
    return Stat(path, &info) == ERROR_SUCCESS;
  }
  // Sets or clears the read-only attribute of a file; a folder is left as
  // it is (success).
  virtual DWORD SetReadOnly(const std::string& path, bool readOnly) = 0;
  // ERROR_ALREADY_EXISTS when the name exists, ERROR_PATH_NOT_FOUND when
  // its folder does not.
  virtual DWORD CreateFolder(const std::string& path) = 0;
  // Removes an empty folder: ERROR_DIR_NOT_EMPTY when it is not,
  // ERROR_DIRECTORY when the name is no folder.
  virtual DWORD RemoveFolder(const std::string& path) = 0;
  // Free space of the volume holding `path` (a file or folder).
  virtual DWORD FreeSpace(const std::string& path, VfsSpace* space) = 0;

  // Operations on open files, for a layer over another Vfs. While a Vfs
  // that filters file operations is installed, the handle layer hands it
  // every read, write, truncation, sync, lock and mapping of every open
  // file, and every question whether its views are shared, whichever Vfs opened the file and whenever (a file opened before
  // a test installed the fault layer is seen too); these defaults pass the
  // operation to the file. With any other Vfs installed they are not used.
  bool FiltersFiles() const { return filtersFiles_; }
  // Whether a filtering layer lets callers reach files through views of
  // their mappings, whose loads and stores it does not see (a caller that
  // maps a file only to spare itself reads and writes does not while it
  // is false).
  virtual bool AllowsViews() const { return false; }
  virtual DWORD Read(VfsFile& file, uint64_t offset, void* buffer, DWORD size, DWORD* done);
  virtual DWORD Write(VfsFile& file, uint64_t offset, const void* buffer, DWORD size, DWORD* done);
  virtual DWORD Truncate(VfsFile& file, uint64_t size);
  virtual DWORD Sync(VfsFile& file);
  virtual DWORD Lock(VfsFile& file, uint64_t offset, uint64_t length, bool shared);
  virtual DWORD Map(VfsFile& file, bool writable, std::shared_ptr<VfsMapping>* mapping);
  virtual bool ViewsShared(VfsFile& file);

 protected:
  explicit Vfs(bool filtersFiles = false) : filtersFiles_(filtersFiles) {}

 private:
  const bool filtersFiles_;
};

// The system's file system.
Vfs& SystemVfs();
// The Vfs the file calls use now.
Vfs& CurrentVfs();
// Whether files may be reached through views instead of reads and writes:
// true unless the Vfs installed filters file operations and does not allow
// views.
bool ViewsAllowed();
// Installs `vfs` (null: the system's) for every later file call and
// returns the one installed before (null when it was the system's). Files
// already open stay with the Vfs that opened them, which must outlive them.
// Install and remove only while no other thread uses files.
Vfs* SetVfs(Vfs* vfs);

// Installs a Vfs for the life of a scope, as a test does:
//   plat::MemoryVfs memory;
//   plat::ScopedVfs use(&memory);
class ScopedVfs {
 public:
  explicit ScopedVfs(Vfs* vfs) : previous_(SetVfs(vfs)) {}
  ~ScopedVfs() { SetVfs(previous_); }
  ScopedVfs(const ScopedVfs&) = delete;
  ScopedVfs& operator=(const ScopedVfs&) = delete;

 private:
  Vfs* previous_;
};

}  // namespace plat
