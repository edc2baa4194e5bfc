// The group file of a map (signature "GDX"): an index of 16-byte entries,
// one per group number, followed by the group records, each in a slot of
// its own. A record is rewritten in place while it fits its slot and moves
// to the end of the file otherwise; the index grows by moving the records
// that lie right behind it to the end of the file.
//
// Layout: a 64-byte header, the index from offset 64 (entry n at
// 64 + 16 n; entry 0 is all zero), the record area from the header's
// record-area offset to the end of the file.
//
// Every write that takes several steps makes the new bytes part of the file
// (the header's length) before an index entry or the count points at them,
// so that a writer stopped between any two steps (a killed process) leaves
// a file in which every group written before reads back. With `WriteThrough`
// set each such step is on the disk before the next one starts.
//
// Several openers (documents of one process or other processes) may share
// the file. Every read and write of groups takes a byte-range lock on the
// header and reads the header again under it, so that a new group is
// numbered and placed by the file as it is, not as this opener last saw
// it; the index window is dropped when the header changed meanwhile.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/export.h"
#include "platform/win_types.h"
#include "groups/objectgroup.h"

class TMap;
class TMapError;

enum : uint32_t {
  GDX_IDENT = 0x00584447u,  // "GDX" and a zero byte
  GDX_VERSION = 0x200,
  GDX_HEADLENGTH = 64,
  GDX_ENTRYLENGTH = 16,
  GDX_WINDOW = 1024,         // index entries held in memory at a time
  GDX_SLACK = 64,            // room a new slot keeps beyond its record
  GDX_NEWLENGTH = 16448,     // a new file: header and an index of 1,024 entries
  GDX_MOVEBLOCK = 16384,     // bytes of records moved when the index grows
  GDX_MOVEBLOCKSMALL = 8192, // the same when the file cannot grow that much
  GDX_LOCKTRIES = 500,       // tries of the header lock
  GDX_LOCKPAUSE = 10,        // milliseconds between two tries
};

#pragma pack(push, 1)
struct GDXHEAD {
  DWORD Ident;        // GDX_IDENT
  DWORD Length;       // file length in bytes
  DWORD Version;      // GDX_VERSION
  DWORD Reserve1;
  DWORD Reserve2;
  DWORD Count;        // N: group numbers in use are 1..N-1
  DWORD IndexOffset;  // 64
  DWORD RecordArea;   // end of the index area, start of the records
  DWORD Reserve[8];
};

struct INDEXGDX {
  DWORD Number;  // group number
  DWORD Length;  // allocated length of the slot
  DWORD Offset;  // file offset of the record
  DWORD Value;   // group value
};
#pragma pack(pop)
static_assert(sizeof(GDXHEAD) == 64);
static_assert(sizeof(INDEXGDX) == 16);

class MAPCLASS TMapGroups {
 public:
  // Errors are reported through `reporter` (when given) with the file name.
  explicit TMapGroups(TMapError* reporter = nullptr);
  ~TMapGroups();
  TMapGroups(const TMapGroups&) = delete;
  TMapGroups& operator=(const TMapGroups&) = delete;

  // Opens an existing group file (read and write, else read only) and
  // checks its header: 1, or 0 with 60006 (cannot be opened), 60003 (header
  // unreadable) or 60005 (signature, version or length wrong) reported.
  int Open(const char* name);
  void Close();
  // Creates a new empty file (always new): 1, or 0 with 60006 or 60004.
  int Create(const char* name);
  // Rebuilds the file from the group numbers of the map's objects: the
  // record count of the new file, 0 on failure (defined with the map
  // object).
  int Restore(TMap* map, const char* name);
  // Enters one object (sheet, number, key) into group `group`, creating
  // empty groups up to that number: the group number, 1 for an object
  // without a group, 0 on failure.
  int RestoreGroup(int group, int sheet, int number, KEY key);

  // The index entry of group n (1..N-1) through the window; 0 on failure.
  INDEXGDX* ReadGroupIndex(int n);
  // Writes an entry (number 1..N) and updates the window: its number, 0 on
  // failure (60040 for a bad entry).
  int WriteGroupIndex(const INDEXGDX* entry);
  // Reads record n into the group: the bytes read, 0 on failure. The
  // group's own buffer grows to the record; a caller's buffer that cannot
  // hold the record is refused (60040). The header is read again first.
  int ReadGroup(TObjectGroup* group, int n);
  // Writes the group's record (a new group when its number is 0 or has no
  // entry): the group number, 0 on failure. The whole write holds the
  // header lock and works from the header read under it (a lock that
  // cannot be had: 60004).
  int WriteGroup(TObjectGroup* group);
  // Rewrites group n as an empty record of that number: n, 0 on failure.
  int DeleteGroup(int n);
  // Positioned transfers of exactly `size` bytes: size, 0 on failure.
  int Write(DWORD offset, const void* buffer, int size);
  int Read(DWORD offset, void* buffer, int size);
  // Enlarges the index area by moving the records at its end to the end of
  // the file: copies first, then the length that covers them, then the
  // entries, and only then is the old place taken into the index. 1 or 0.
  int MoveGroupRecords();

  // State.
  int IsOpen() const { return File != nullptr; }
  int Count() const { return File ? int(Head.Count) : 0; }
  int GetError() const { return Error; }
  const char* FileName() const { return Name; }
  const GDXHEAD& Header() const { return Head; }

  int Error = 0;
  DWORD AccessMode = 0xC0000000u;
  HANDLE File = nullptr;
  GDXHEAD Head = {};
  char Name[MAX_PATH] = {};
  INDEXGDX Window[GDX_WINDOW] = {};
  int First = -1;  // first and last group number held in the window
  int Last = -1;
  TMapError* Reporter = nullptr;
  // Steps of a write are synced one by one (while the process writes
  // through, platform/file.h); the map sets it in edit mode, when its sheet
  // files write through.
  int WriteThrough = 0;
  // Depth of the header lock this object holds (0: none).
  int Locked = 0;

 private:
  // Takes the header lock, trying GDX_LOCKTRIES times while another opener
  // holds it, and (unless it is held already) reads the header again: 1, or
  // 0 with `code` kept for a lock that cannot be had, 60003 or 60005 for a
  // header that cannot be read or is damaged (the lock given up again).
  int LockHead(int code);
  void UnlockHead();
  // The header as the file holds it now; the window is dropped when it
  // differs from the one kept. 1 or 0.
  int ReadHeadAgain();
  int ReadGroupLocked(TObjectGroup* group, int n);
  int WriteGroupLocked(TObjectGroup* group);
  int DeleteGroupLocked(int n);
  int WriteGroupIndexLocked(const INDEXGDX* entry);
  int MoveGroupRecordsLocked();
  int RestoreGroupLocked(int group, int sheet, int number, KEY key);
  // Keeps the code; with `report` also tells the reporter.
  int Fail(int code, int report = 0);
  int WriteHead();
  // Puts what was written so far on the disk when writing through: 1, or 0
  // (60004).
  int Sync();
  // Forgets a failed append that the header on disk does not count: the
  // header's length back to `length` and the file cut there. Returns 0.
  int DropAppended(DWORD length);
  // Copies the records that start in the block [start, start + size) (its
  // first `present` bytes in `block`) to the file from offset `at` on, each
  // in a slot of its own, without touching the header or the index; `moved`
  // gets their new entries, `end` the end of the last copy. 1 or 0.
  int CopyMovedRecords(char* block, DWORD start, DWORD size, DWORD present, DWORD at,
                       std::vector<INDEXGDX>& moved, DWORD& end);
  // Writes the entries (by ascending number) into the index, a window at a
  // time. 1 or 0.
  int RepointEntries(const std::vector<INDEXGDX>& moved);
  // Appends `size` bytes (and zeros up to `slot`) at the end of the file:
  // the offset, 0 on failure.
  DWORD Append(const void* buffer, DWORD size, DWORD slot);
  // Writes `size` bytes at `offset` followed by zeros up to `slot` bytes.
  int WriteSlot(DWORD offset, const void* buffer, DWORD size, DWORD slot);
};

// The library-wide switch of group files: maps open and create them only
// while it is on; it starts off. Any non-zero value stores 1.
int GroupAccessSet(int access);
int GroupAccessGet();
