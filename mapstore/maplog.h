// The edit journal of a map (the ".TAC" file in the map's log folder).
//
// The journal records actions: groups of 16-byte records put in while a
// user edits, one per object appended, deleted or changed. Several
// processes may have one journal open; a lock of the 32-byte header
// serialises their appends. It serves undo, the host's history functions
// and the check that a process ended without closing the map.
//
// File: a 32-byte header, then actions from offset 32 on, each a 16-byte
// action header followed by its records. Actions are found by walking
// forward from offset 32, each header's record count leading to the next
// one: a record is opaque and may hold any bytes, so the journal never
// guesses headers from their contents. The offsets found are kept in memory
// so that later reads go straight to an action.
#pragma once

#include <cstdint>

#include "types/logrecord.h"
#include "platform/export.h"
#include "platform/win_types.h"

enum : uint32_t {
  LOG_IDENT = 0x004B4154,  // "TAK" and a zero byte
  LOG_VERSION = 256,
  LOG_HEADLENGTH = 32,
  LOG_RESERVE = 2064,   // the file is extended in steps of this many bytes
  LOG_BUFFER = 128,     // records buffered before a partial write
  LOG_ACTIONLIMIT = 64000,
  LOG_LOCKTRIES = 5000,
  LOG_LOCKPAUSE = 1000,  // milliseconds between two tries of the lock
};

enum : WORD {
  ACTION_VALID = 0x7FFF,
  ACTION_UNDONE = 0x7FFE,
};

// Action types the library writes.
enum : int {
  ACTION_NONE = 0,           // records put without an action
  ACTION_RELINK = 5000,      // objects relinked to a changed classifier
  ACTION_OPEN = 60000,       // the journal was opened (record: computer name)
  ACTION_CLOSE = 60001,      // the journal was closed
  ACTION_EDITON = 60002,     // edit mode switched on
  ACTION_EDITOFF = 60003,    // edit mode switched off
  ACTION_BACKUPDROP = 60004, // backups of a sheet deleted: undo stops here
  ACTION_UNDO = 60005,       // an undo
};

#pragma pack(push, 1)
// The journal header at offset 0.
struct LOGHEADER {
  DWORD Ident;         // LOG_IDENT
  DWORD Length;        // used length: the next action goes here
  DWORD Version;       // LOG_VERSION
  int32_t Count;       // action count
  DWORD Date;          // creation date YYYYMMDD
  DWORD Time;          // creation time, seconds since midnight (UTC)
  DWORD Reserve;       // bytes of file beyond the used length
  WORD UseCount;       // raised by each shared open
  WORD ProcessCount;   // processes that have the journal open
};

// The open action: its header and the records not yet written.
struct ACTIONBUFFER {
  ACTIONHEAD Head;
  ACTIONRECORD Records[LOG_BUFFER];
};
#pragma pack(pop)
static_assert(sizeof(LOGHEADER) == 32);
static_assert(sizeof(ACTIONBUFFER) == 16 + 16 * 128);

class MAPCLASS TMapLog {
 public:
  TMapLog();
  // Closes the journal.
  ~TMapLog();
  TMapLog(const TMapLog&) = delete;
  TMapLog& operator=(const TMapLog&) = delete;

  char Name[MAX_PATH];
  HANDLE File;
  int IsActionOpen;
  // Read cursor: the action last read (0 none), its offset and header.
  int CursorNumber;
  DWORD CursorOffset;
  ACTIONHEAD CursorHead;
  LOGHEADER Head;  // copy of the journal header
  int IsWrite;
  int Error;
  int Written;  // records of the open action already in the file
  ACTIONBUFFER Action;
  WORD UseNumber;

  // Internal state: whether this journal holds the header lock, where the
  // open action's header went when it was written part by part, and the
  // known offsets of the actions (the index), with the creation stamp of
  // the journal they belong to.
  int Locked;
  DWORD ActionOffset;
  DWORD* Offsets;
  int OffsetCount;
  int OffsetCapacity;
  DWORD IndexDate;
  DWORD IndexTime;
  char* WalkBuffer;
};

// The journal's date and time stamps (UTC).
DWORD LogDate();
DWORD LogTime();

// Life cycle.
void logInit(TMapLog* log);
// Opens the journal, creating it when missing or damaged: 1, -1 when it
// was held alone and its header shows a process that ended without closing
// it, 0 on failure (60006 cannot be opened, 600011 cannot be created).
int logOpen(TMapLog* log, const char* name);
// Creates a new journal (always new): 1, or 0 with 600011, 60006 or 60004.
int logCreate(TMapLog* log, const char* name);
// Commits an open action, records the close and leaves the journal.
void logClose(TMapLog* log);
void logDone(TMapLog* log);
// Commits an open action and reopens the file; 0 with 60006 when it cannot
// be reopened (the journal is then closed).
int logFlush(TMapLog* log);

// Writing.
// Opens an action of the given type (committing one that is open); the
// service types 60000-60004 are written at once. 0 unless the journal is
// open for writing.
int logCreateAction(TMapLog* log, int type);
// Adds a record to the open action (a record put with no action open is
// written at once as an action of type 0). 0 on failure.
int logPutRecord(TMapLog* log, const ACTIONRECORD* record);
// Commits the open action (partial nonzero: writes the buffered records and
// keeps the action open, holding the lock). An action without records is
// dropped unless it is a service action. 1 on success.
int logCommitAction(TMapLog* log, int partial = 0);

// Reading.
int logCount(TMapLog* log);
// Open-process count from the header; 0 and 60005 when it cannot be read.
int logHeaderFlag(TMapLog* log);
int logDate(TMapLog* log, LONG* date, LONG* time);
// Reads action n (1..count) and makes it the cursor: its record count, 1
// when it has none, 0 on failure.
int logReadAction(TMapLog* log, int n, ACTIONHEAD* head);
// Record i (1..count) of the action read last; 1, or 0 on failure.
int logGetActionRecord(TMapLog* log, int i, ACTIONRECORD* record);
int logGetActionRecordCount(TMapLog* log);
// Number of the newest action that can be undone (not undone, type below
// 60000), its header copied out; 0 when none, or when a 60004 comes first.
int logReadLastAction(TMapLog* log, ACTIONHEAD* head);
// The first action stamped after (date, time); 0 when none.
int logGetActionNumberByTime(TMapLog* log, LONG date, LONG time);
// Marks action n undone; 1 on success.
int logAbolitionAction(TMapLog* log, int n);

// Low level.
int logLock(TMapLog* log);
void logUnlock(TMapLog* log);
DWORD logRead(TMapLog* log, DWORD offset, void* buffer, DWORD size);
DWORD logWrite(TMapLog* log, DWORD offset, const void* buffer, DWORD size);

// The exported journal functions receive a document and a site handle: the
// journal of the live map whose address is the document handle (with no
// site, or the map itself as the site); null for any other handle.
// Defined with the map object (map.cpp), which keeps the live maps.
TMapLog* FindMapLog(HMAP map, HSITE site);
