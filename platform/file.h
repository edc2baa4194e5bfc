// Files, folders and file mappings, with the behaviour of the Windows
// kernel that the library was written against.
//
// A file HANDLE is a registered object holding a descriptor, its own 64-bit
// position, the access it was opened with and its share mode. Reads and
// writes go to the handle's position (pread/pwrite), so two handles on one
// file never disturb each other.
//
// Windows behaviour emulated on Linux:
// - Share modes: an open that conflicts with the access or share mode of a
//   handle already open on the file (in this or any process) fails with
//   ERROR_SHARING_VIOLATION, and so do DeleteFileA and MoveFileA of a file
//   that is open without FILE_SHARE_DELETE. Each handle holds shared
//   open-file-description locks on marker bytes near the top of the 64-bit
//   range ("open for reading", "for writing", "denies reading", "denies
//   writing", "denies deleting"); an open probes them under a short flock.
// - Byte-range locks (LockFile, exclusive; LockFileShared) are
//   open-file-description locks: two handles conflict even within one
//   process, and closing one handle drops only its own locks. They are
//   advisory: reads and writes of a range locked through another handle
//   are not refused.
// - The read-only attribute is a file with no write permission bit at all.
//   Such a file refuses opens for writing, deletion and renaming with
//   ERROR_ACCESS_DENIED, also for the superuser.
// Names are handed to the system as given, with '\' turned into '/'
// (platform/path.h).
#pragma once

#include "platform/memory.h"
#include "platform/path.h"
#include "platform/system.h"

#pragma pack(push, 1)
union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};
union ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  } u;
  ULONGLONG QuadPart;
};
#pragma pack(pop)
static_assert(sizeof(LARGE_INTEGER) == 8);
static_assert(sizeof(ULARGE_INTEGER) == 8);

// Access rights.
enum : DWORD {
  GENERIC_READ = 0x80000000u,
  GENERIC_WRITE = 0x40000000u,
};
// Share modes.
enum : DWORD {
  FILE_SHARE_READ = 0x1,
  FILE_SHARE_WRITE = 0x2,
  FILE_SHARE_DELETE = 0x4,
};
// Creation dispositions.
enum : DWORD {
  CREATE_NEW = 1,
  CREATE_ALWAYS = 2,
  OPEN_EXISTING = 3,
  OPEN_ALWAYS = 4,
  TRUNCATE_EXISTING = 5,
};
// Attributes and flags.
enum : DWORD {
  FILE_ATTRIBUTE_READONLY = 0x1,
  FILE_ATTRIBUTE_HIDDEN = 0x2,
  FILE_ATTRIBUTE_SYSTEM = 0x4,
  FILE_ATTRIBUTE_DIRECTORY = 0x10,
  FILE_ATTRIBUTE_ARCHIVE = 0x20,
  FILE_ATTRIBUTE_NORMAL = 0x80,
  FILE_ATTRIBUTE_TEMPORARY = 0x100,
  FILE_FLAG_RANDOM_ACCESS = 0x10000000u,
  FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000u,
  FILE_FLAG_WRITE_THROUGH = 0x80000000u,
};
enum : DWORD { INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu };
// Flags of MoveFileExA.
enum : DWORD { MOVEFILE_REPLACE_EXISTING = 0x1 };
enum : DWORD { INVALID_FILE_SIZE = 0xFFFFFFFFu, INVALID_SET_FILE_POINTER = 0xFFFFFFFFu };
// Origins of SetFilePointer.
enum : DWORD {
  FILE_BEGIN = 0,
  FILE_CURRENT = 1,
  FILE_END = 2,
};
// File mapping access.
enum : DWORD {
  FILE_MAP_WRITE = 0x2,
  FILE_MAP_READ = 0x4,
  FILE_MAP_ALL_ACCESS = 0xF001F,
};

namespace plat {

// The access an open mode of the interface asks for: a mode below
// GENERIC_WRITE (0, say) reads and writes; otherwise its two top bits, the
// write bit alone taken as reading and writing (a file is written by what
// is read of it: opened to write only, nothing of it could be read or
// committed).
inline DWORD OpenAccess(DWORD mode) {
  return mode < GENERIC_WRITE || (mode & GENERIC_WRITE) != 0 ? GENERIC_READ | GENERIC_WRITE
                                                              : GENERIC_READ;
}

// Write-through (FILE_FLAG_WRITE_THROUGH, synchronous data writes) for the
// whole process; on by default. Tests turn it off for speed.
void SetWriteThroughEnabled(bool enabled);
bool IsWriteThroughEnabled();

// Opens or creates a file. `security` and `templateFile` are ignored.
// Returns INVALID_HANDLE_VALUE on failure with the last error set:
// ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND (missing file or folder),
// ERROR_FILE_EXISTS (CREATE_NEW of an existing file), ERROR_ACCESS_DENIED
// (a folder, a read-only file opened for writing, no permission),
// ERROR_SHARING_VIOLATION. On success the last error is ERROR_ALREADY_EXISTS
// when OPEN_ALWAYS or CREATE_ALWAYS found the file, else 0. Truncation
// (CREATE_ALWAYS, TRUNCATE_EXISTING) happens only once the open is allowed.
// FILE_ATTRIBUTE_READONLY on a created file makes it read-only.
HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void* security,
                   DWORD disposition, DWORD flagsAndAttributes, HANDLE templateFile);

// Closes a file or file-mapping handle, releasing its locks.
BOOL CloseHandle(HANDLE handle);

// While one lives, the descriptors of files of the system this thread lets
// go wait, up to a few, and are closed when it ends: a run of adjacent
// numbers in one kernel call. Between the two nothing of theirs is read,
// written or locked: only closes are made under it.
class CloseTogether {
 public:
  CloseTogether();
  ~CloseTogether();
  CloseTogether(const CloseTogether&) = delete;
  CloseTogether& operator=(const CloseTogether&) = delete;

  enum : int { MOST = 8 };
  // A descriptor to close at the end; false when this one waits for no more.
  bool Defer(int fd);

 private:
  CloseTogether* outer_;
  int count_ = 0;
  int fds_[MOST];
};

// Reads up to `size` bytes at the handle's position and advances it; a read
// at or past the end of the file succeeds with fewer (or 0) bytes.
// `overlapped` must be null.
BOOL ReadFile(HANDLE handle, void* buffer, DWORD size, DWORD* read, void* overlapped);
// Writes `size` bytes at the handle's position and advances it (a position
// past the end extends the file with zeros). A disk that fills part-way
// gives FALSE with ERROR_DISK_FULL and `*written` the bytes that went out.
BOOL WriteFile(HANDLE handle, const void* buffer, DWORD size, DWORD* written, void* overlapped);

// Moves the handle's position. Without `distanceHigh` the distance is a
// signed 32-bit value and the new position must fit in 32 bits; with it, the
// two make a signed 64-bit distance and it receives the high half of the new
// position. Returns the low half, or INVALID_SET_FILE_POINTER with the last
// error set (0 when that value is a valid low half).
DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distanceHigh, DWORD method);
BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, LARGE_INTEGER* newPosition,
                      DWORD method);
// Cuts or extends the file at the handle's position.
BOOL SetEndOfFile(HANDLE handle);
// Size of the file: low half returned, high half in `*high` when given;
// INVALID_FILE_SIZE with the last error set on failure (0 when that value is
// a valid low half).
DWORD GetFileSize(HANDLE handle, DWORD* high);
BOOL GetFileSizeEx(HANDLE handle, LARGE_INTEGER* size);
BOOL FlushFileBuffers(HANDLE handle);

// Times of the file as 100-ns intervals since 1601-01-01 UTC; any may be
// null. The creation time is the birth time where the file system keeps it,
// else the last-write time.
BOOL GetFileTime(HANDLE handle, FILETIME* creation, FILETIME* access, FILETIME* write);
// Sets the last-access and last-write times (null: unchanged).
BOOL SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* access,
                 const FILETIME* write);

// Byte-range locks, exclusive and non-blocking: ERROR_LOCK_VIOLATION when
// another handle holds a lock overlapping the range, or this handle already
// holds one overlapping it. Unlocking needs the exact range of a lock of the
// same handle (else ERROR_NOT_LOCKED). Ranges may lie past the end of the
// file; a range of length 0 locks nothing and always succeeds.
BOOL LockFile(HANDLE handle, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow,
              DWORD lengthHigh);
BOOL UnlockFile(HANDLE handle, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow,
                DWORD lengthHigh);
// A shared lock of a handle open for reading (else ERROR_ACCESS_DENIED),
// as LockFile otherwise: shared locks of several handles overlap one
// another, and every exclusive lock of another handle is refused over them
// (and refuses them). UnlockFile lets it go.
BOOL LockFileShared(HANDLE handle, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow,
                    DWORD lengthHigh);

// Names.
BOOL DeleteFileA(const char* name);
// Renames a file or folder; fails with ERROR_ALREADY_EXISTS when the target
// exists. A file moves to another file system by copy and delete.
BOOL MoveFileA(const char* from, const char* to);
// MoveFileA; with MOVEFILE_REPLACE_EXISTING an existing target is replaced
// in one step (whoever reads the name sees the old file or the new one).
BOOL MoveFileExA(const char* from, const char* to, DWORD flags);
// Copies a file with its last-write time and read-only attribute; with
// `failIfExists` an existing target gives ERROR_FILE_EXISTS. A copy that
// fails part-way removes the target.
BOOL CopyFileA(const char* from, const char* to, BOOL failIfExists);

// The identity of a file: two names of one file (another spelling, a
// relative and an absolute name, a link) give equal identities.
struct FILEIDENTITY {
  uint64_t Volume = 0;  // the device
  uint64_t Id = 0;      // the file on it (inode)
  bool operator==(const FILEIDENTITY&) const = default;
};
// The identity of the file `name`: false when the name is missing.
bool GetFileIdentity(const char* name, FILEIDENTITY* identity);
// The identity of the file open as `file`: false for a handle that is not
// a file's, or a file system that tells none.
bool GetHandleIdentity(HANDLE file, FILEIDENTITY* identity);
// True when both names exist and name one file (the same device and inode:
// another spelling, a relative and an absolute name, a link).
bool IsSameFile(const char* a, const char* b);
// FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_READONLY for a file
// without write permission, else FILE_ATTRIBUTE_NORMAL;
// INVALID_FILE_ATTRIBUTES with the last error set when the name is missing.
DWORD GetFileAttributesA(const char* name);
// Whether a file or folder of this name exists, in one look of the file
// system; the last error is left as it was (GetFileAttributesA tells why a
// name is missing, which can take a second look).
BOOL PathFileExistsA(const char* name);
// Sets or clears the read-only attribute of a file; other attributes are
// accepted and have no effect.
BOOL SetFileAttributesA(const char* name, DWORD attributes);
// ERROR_ALREADY_EXISTS when the folder (or a file of that name) exists,
// ERROR_PATH_NOT_FOUND when its parent does not.
BOOL CreateDirectoryA(const char* name, void* security);
// Removes an empty folder (ERROR_DIR_NOT_EMPTY otherwise).
BOOL RemoveDirectoryA(const char* name);

// The temporary folder ($TMPDIR, else /tmp) with a trailing separator.
// Returns its length; when `size` is too small, the size needed (with the
// terminating zero) and the buffer is left alone.
DWORD GetTempPathA(DWORD size, char* buffer);

// Free space of the file system holding `path` (a folder or file; null: the
// current folder). Any output may be null.
BOOL GetDiskFreeSpaceExA(const char* path, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total,
                         ULARGE_INTEGER* totalFree);
BOOL GetDiskFreeSpaceA(const char* path, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* freeClusters, DWORD* totalClusters);

// File mapping. A mapping of a file is read-only (PAGE_READONLY) or
// read-write (PAGE_READWRITE, which extends the file to a larger size
// given). A view must begin at a multiple of the page size; a view that
// would reach past the end of the file is cut at the end (touching pages
// past the end of a file would fault). Views stay valid after the mapping
// and file handles are closed, until UnmapViewOfFile; a closed handle's
// locks and share modes go with it all the same.
HANDLE CreateFileMappingA(HANDLE file, void* security, DWORD protect, DWORD sizeHigh,
                          DWORD sizeLow, const char* name);
void* MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                    SIZE_T bytes);
BOOL UnmapViewOfFile(const void* view);
// Length of a view (after cutting); 0 for an address that begins no view.
SIZE_T ViewSize(const void* view);
// Tells the system that the pages of a view are touched in no particular
// order: a page that is not in memory is brought in alone, not with a
// stretch of the file around it (which, for pages past what the file held,
// only fills memory with zeros). A hint: FALSE only for an address that
// begins no view.
BOOL AdviseViewRandom(const void* view);
// Tells the system that every page of a view is to be read soon, in one
// pass: where it can, it puts them in place now. A hint: FALSE only for an
// address that begins no view.
BOOL AdviseViewWholeRead(const void* view);
// Whether the views of `file` (a file handle) are one memory for every
// process that maps the file (VfsFile::ViewsShared): FALSE, with the last
// error ERROR_SUCCESS, where they are not (a network file system, a file
// system that cannot map); FALSE with ERROR_INVALID_HANDLE for anything
// but a file handle.
BOOL FileViewsShared(HANDLE file);

}  // namespace plat
