// The map passport file: the 848-byte passport, one 1728-byte record per
// sheet, then the key table. TMapPassport is the part of a map that keeps
// the open map file, the passport copy and the sheet table in memory; it
// reads and checks them when a map is opened and writes them back on save.
// The map object builds its opening, creating and saving on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "geodesy/points.h"
#include "mapstore/mapregister.h"
#include "mapstore/sheetextents.h"
#include "platform/export.h"
#include "platform/win_types.h"

class TMapError;

enum : uint32_t {
  PASSPORT_IDENT = 0x00505350,  // "PSP" and a zero byte
  PASSPORT_LENGTH = 848,
  PASSPORT_VERSION = 0x700,
  PASSPORT_MARK = 0x414E,
  PASSPORT_OLDREGISTER = 1104,  // u16 at offset 80 of a passport of the older format
  LISTDESC_LENGTH = 1728,
  LISTDESC_MARKER = 0x7F7F7F7F,
};

#pragma pack(push, 1)
// The map passport, at offset 0 of the map file.
struct MAPPASSPORT {
  uint32_t Ident;    // PASSPORT_IDENT
  uint32_t Length;   // 848
  uint32_t Version;  // 0x700
  uint32_t Mark;     // 0x414E
  int32_t ListCount;
  uint32_t ModeCounter;  // change counter, raised by every writer
  uint8_t ScaleTable;
  uint8_t Koi8;  // 1: map name and sheet names stored in KOI-8
  uint8_t Order;
  uint8_t Precision;
  // Bit 0 set while an opener raises the change counter under its lock
  // (see TMapPassport::RaiseChangeCounter); the other bits name the chain
  // of raises that kept the sheets' versions (sheetextents.h). Zero in a
  // map no raise of this library's touched. Never written from the
  // passport's copy: the file's value stands.
  uint32_t CounterLockWay;
  double OriginX;  // origin of the device coordinates, metres
  double OriginY;
  double X1;  // map frame in tenths of what the accessors give
  double Y1;
  double X2;
  double Y2;
  MAPREGISTEREX Register;
  char RscName[260];  // classifier name and extension
  uint32_t RscIdent;
  char GroupName[260];
  int32_t GroupFlag;
  uint32_t KeyTableOffset;
  uint32_t KeyTableLength;
  // Zero as written elsewhere. This library keeps in the first four bytes
  // the count of sheet changes begun (sheetextents.h); never written from
  // the passport's copy: the file's value stands.
  uint8_t Reserve2[24];
};

// One sheet record; record n (from 1) lies at 848 + 1728 x (n - 1).
struct LISTDESC {
  uint32_t Marker;       // LISTDESC_MARKER once the record is filled
  int32_t ObjectCount;   // cache, 0 after loading
  int32_t Number;        // sheet number, rewritten on every load
  int32_t FrameObject;   // cache, 0 after loading, -1: no frame object
  DOUBLEPOINT Corner[2];  // Xmin, Ymin and Xmax, Ymax of the sheet
  DFRAME Frame;           // plane frame in device units
  DOUBLEPOINT ViewPosition;
  LISTREGISTER Register;
  char CreationDate[12];  // YYYYMMDD
  uint32_t StageMask;     // error stages reported, 0 after loading
  char NameHDR[264];
  char NameDAT[264];
  char NameSEM[264];
  char NameGRA[264];
  uint8_t Flag;
  uint8_t Flags;
  // Zero as written elsewhere. This library keeps here the sheet's version
  // and the stamp of what its objects cover (SHEETRESERVE, sheetextents.h);
  // the map file's save never writes these bytes of a record the file
  // already holds.
  uint8_t Reserve[14];
};
#pragma pack(pop)

static_assert(sizeof(MAPPASSPORT) == 848);
static_assert(offsetof(MAPPASSPORT, CounterLockWay) == 28);
static_assert(offsetof(MAPPASSPORT, OriginX) == 32);
static_assert(offsetof(MAPPASSPORT, X1) == 48);
static_assert(offsetof(MAPPASSPORT, Register) == 80);
static_assert(offsetof(MAPPASSPORT, RscName) == 288);
static_assert(offsetof(MAPPASSPORT, RscIdent) == 548);
static_assert(offsetof(MAPPASSPORT, GroupName) == 552);
static_assert(offsetof(MAPPASSPORT, GroupFlag) == 812);
static_assert(offsetof(MAPPASSPORT, KeyTableOffset) == 816);
// The count of sheet changes begun: the first word of MAPPASSPORT::Reserve2.
enum : uint32_t { PASSPORT_BEGUN_AT = 824 };
static_assert(offsetof(MAPPASSPORT, Reserve2) == PASSPORT_BEGUN_AT && PASSPORT_BEGUN_AT % 4 == 0);
static_assert(sizeof(LISTDESC) == 1728);
static_assert(offsetof(LISTDESC, Corner) == 16);
static_assert(offsetof(LISTDESC, Frame) == 48);
static_assert(offsetof(LISTDESC, ViewPosition) == 80);
static_assert(offsetof(LISTDESC, Register) == 96);
static_assert(offsetof(LISTDESC, CreationDate) == 640);
static_assert(offsetof(LISTDESC, StageMask) == 652);
static_assert(offsetof(LISTDESC, NameHDR) == 656);
static_assert(offsetof(LISTDESC, NameGRA) == 1448);
static_assert(offsetof(LISTDESC, Flag) == 1712);

// Access modes of the map file.
enum : uint32_t {
  MAPACCESS_READ = 0x80000000u,
  MAPACCESS_READWRITE = 0xC0000000u,
};

class MAPCLASS TMapPassport {
 public:
  TMapPassport();
  // Closes the file and frees the sheet table.
  ~TMapPassport();
  TMapPassport(const TMapPassport&) = delete;
  TMapPassport& operator=(const TMapPassport&) = delete;

  // Opens the map file (read and write, else read only), reads and checks
  // the passport and reads the sheet table: 1, or 0 with the error reported
  // and everything closed. 60006 the file cannot be opened; 60003 the
  // passport cannot be read; 60005 a short or foreign passport, a sheet
  // count that the file does not hold, a user map with more than one sheet,
  // or a classifier or group file name that is not a plain name of the
  // map's folder (MapNamesUsable); 60030 a passport of the older format. A map without sheets opens with an empty table. Names stored in
  // KOI-8 are converted to code page 1251 (and are written back so).
  int OpenPassport(const char* name);
  // Creates the map file anew (empty) and opens it, and starts a new
  // passport: 1, or 0 with 60006 reported. A temporary map's file is not
  // shared for writing.
  int CreateMapFile(const char* name, int temporary);
  // Closes the file, frees the sheet table and clears the passport (a user
  // map with no sheets).
  void ClosePassport();

  // Replaces the sheet table by `count` zeroed records and reads `readcount`
  // of them (at most `count`) from offset 848; numbers the sheets and clears
  // their caches; then computes the sheet frames. 0 for a negative count,
  // with 60001 (no memory), 60003 (read failure) or 60005 (the file does not
  // hold the records). A count of 0 leaves an empty table.
  int AllocateLists(int count, int readcount);
  // Makes room for one more record (growing by 16, 32 or 64 records with
  // the table); 1 when there is room, 0 with 60001 when memory fails.
  int AllocateOneList();
  // Sheet frames in device units for the first `count` sheets from their
  // corner pairs (a user map: sheet 1's corner pair itself).
  void CalculateBorder(int count);

  // Zero passport with signature, length, version and mark.
  void NewPassport();
  // Writes every sheet record, then the passport (with no sheets the file
  // is cut after the passport); without `counter` the passport's four bytes
  // of the change counter are left as the file holds them. 1, or 0 with
  // 60004 reported.
  int WritePassport(bool counter = true);

  // The change counter of the map file (passport offset 20). Every change
  // of an object or of the passport raises it in the file, whichever
  // writer makes it: so a map that finds it where it last saw it knows that
  // no other writer changed anything since, and may go on using what it
  // read before. It never goes back, and no two raises give it one value.
  //
  // Where the file system maps the file's pages once for every process on
  // the machine (plat::FileViewsShared), the counter is raised through a
  // view of the passport's first bytes by one atomic step, which every
  // process sees at once: no lock and no call of the system. The same step
  // stores beside it the word naming the chain of raises that kept the
  // sheets' versions (sheetextents.h): a save of the sheet table starts a
  // new chain. Elsewhere (a
  // network file system, a file system that cannot map, a process that
  // cannot have a view, or while the fault layer of the tests keeps views
  // out) it is read, raised and written under a lock on its four bytes (the
  // lock way); a raise that cannot have the lock within its wait neither
  // reads nor writes.
  //
  // The two ways exclude each other. A raiser on the lock way first holds
  // a shared lock on the passport's word CounterLockWay for as long as it
  // stays on that way and sets the word; the raise in a view looks at the
  // word in the same atomic step (one 16-byte exchange) and, while it is
  // set, raises under the counter's lock too. The last raiser to leave the
  // lock way (the one that can have the word's lock alone) clears it, and
  // so does a view raiser that finds it set with nobody holding its lock
  // (a raiser on the lock way ended without leaving).
  //
  // Raises the counter as the file holds it and returns the new value,
  // which the passport's copy takes. With `passport`, the passport and the
  // sheet table are written first (WritePassport), under the lock where
  // the lock serves. A map that cannot write its file raises its copy
  // only. `written` (when given) tells whether all of it went out, the
  // raise included. A raise that cannot be made (no lock within the wait,
  // a read or write that fails twice) leaves the file's value, sets Error
  // and is owed: the next raise, sheet change (ObserveChangeCounter) or
  // closing makes it.
  DWORD RaiseChangeCounter(bool passport = false, bool* written = nullptr);
  // The raise for a change of an object: true when made, or when the map
  // has no file of its own to raise it in; false (the code in Error) when
  // it is owed, and others are not told of the change yet.
  bool RaiseForChange();
  // Reads the counter from the file (after a raise owed): true when read.
  // A value other than the one last seen, or none, starts a new span
  // (CounterSpan).
  bool ObserveChangeCounter();
  // The counter as the file holds it now: true when read.
  bool ReadChangeCounter(DWORD* counter);
  // Grows each time the counter is found moved by another writer (or
  // cannot be read or raised): what this map read during one span has seen
  // every change made since the span began, as the map's own writes keep
  // what it holds in step.
  DWORD CounterSpan() const { return counterSpan_; }
  // The signal a cache of what was read of this map is kept on: it moves
  // with every change of the map, this map's own (the passport's copy of
  // the counter) and every other writer's (the counter read from the file
  // now found moved, which ends the span). A cache takes it when it begins
  // and is used only while it is the same.
  uint64_t ChangeStamp() {
    ObserveChangeCounter();
    return SeenChangeStamp();
  }
  // The stamp as the counter was last read or raised, without reading it
  // again: right after a raise of this map's, which read it, the same.
  uint64_t SeenChangeStamp() const {
    return uint64_t(counterSpan_) << 32 | Passport.ModeCounter;
  }
  // A raise found the counter past the passport's copy: another writer
  // changed the map since its passport was read, whatever the two read now.
  int CounterMovedElsewhere() const { return movedElsewhere_; }
  // The counter as the passport now holds it is the one last seen (the
  // passport was read or written).
  void TakeCounterFromPassport();

  // What the objects of sheet n cover (TSheetExtents), in the counter
  // span as last observed: the caller observes the counter once before a
  // question over the sheets (ChangeStamp). Learnt from the sheet's
  // descriptor file when not known and `learn` is given (else
  // EXTENT_UNKNOWN); EXTENT_ANY when it cannot be read.
  TSheetExtents::EXTENT SheetObjectsExtent(int n, bool learn = true);
  // What the walks of area selects learnt of the objects of sheet n
  // (SHEETPOINTS), on the signals of SheetObjectsExtent. SheetPoints makes
  // it for the `count` objects of the open sheet n when its frame is known
  // (a walk about to meet them); HeldSheetPoints gives it when it holds,
  // looking at the sheet's signal once in each look at the counter; null
  // when there is none. SheetPointsExtent: the frame of every object's
  // points learnt, false until each object was met.
  SHEETPOINTS* SheetPoints(int n, LONG count);
  SHEETPOINTS* HeldSheetPoints(int n);
  bool SheetPointsExtent(int n, FRAME* out);
  // This map is to write the records of sheet n: what was learnt of their
  // points goes.
  void SheetRecordsWritten(int n);
  // A descriptor of sheet n written by this map (its frame widens the
  // sheet's; into the sheet's own files, `shared`, its version is made odd
  // first), and the sheet table changed (every sheet is learnt again).
  void SheetObjectWritten(int n, const FRAME& frame, bool shared);
  void ForgetSheetExtents();
  // Sheet n's descriptor file was made anew, empty, by this map.
  void SheetMadeEmpty(int n);
  // The first sheet from `from` on, stepping by `step` (1 or -1), that a
  // question about `box` (the map's units, the frame of every place it may
  // reach, each side closed) asks: every sheet that is not known, on the
  // signals of SheetObjectsExtent, to hold no object within `box`. Sheets
  // known to lie elsewhere are passed over without a look at each: what
  // the map knows of them is indexed over its plane (sheetreach.h) and
  // looked at again, every sheet on its own signal, only when a signal
  // moved (another writer's raise, a chain's end, a sheet change begun:
  // sheetextents.h). `from` itself when the index cannot tell; 0 when no
  // sheet is left. The caller observes the counter first (ChangeStamp),
  // and asks each sheet named as it would without the index.
  int NextSheetToAsk(const DFRAME& box, int from, int step);
  // The sheets' origins (LISTDESC::ViewPosition) were computed again: the
  // index places the sheets anew.
  void SheetPlacesMoved();
  // Tells later openers of a map this map changed (run as it closes) what
  // it knows of its sheets' objects: each sheet whose objects' frame is
  // known at its present version in the present chain (and lies within
  // reach of its register frame) gets a stamp in its record in the file,
  // and a map that opens the file takes it for as long as the chain lasts
  // and nobody writes the sheet, without reading the sheet's descriptors.
  // Sheets not known are learnt first. Nothing when the map did not raise
  // the counter since it was opened, has changes not saved, or the chain
  // is not known; a stamp that does not go out is only not there.
  void KeepSheetExtents();
  // A descriptor of sheet n is about to be written by this map: the
  // sheet's version in the map file goes to an odd value and its stamp is
  // voided first (where the counter is raised through a view), or the map
  // joins the lock way, which ends every chain (elsewhere). Until
  // SheetChangesMade, nobody takes what is learnt of the sheet as lasting.
  void SheetChangeBegins(int n);
  // The writes of sheet n's change are over (its write turn ends): its
  // version goes to the next even value.
  void SheetChangesMade(int n);
  // The version of sheet n as the map file holds it now: false where no
  // view serves, the record is not this library's (a stamp of an older
  // build) or lies past the file.
  bool SheetVersion(int n, uint32_t* version);
  // The sheet's register frame in the units of its objects, rounded out:
  // false when it does not fit them.
  bool RegisterFrameOfSheet(int n, FRAME* out);
  // Whether what is known of sheet n holds on its signal; dropped when not.
  bool SheetEntryHolds(int n);
  // Learns what sheet n's objects cover, from what another map of the
  // process learnt, the stamp, or (`read`) its descriptor file: the
  // extent kept (EXTENT_UNKNOWN when not read).
  TSheetExtents::EXTENT LearnSheetExtent(int n, const LISTDESC* list, bool read);

  // State.
  int IsOpen() const { return File != nullptr; }
  int IsWritable() const { return (AccessMode & 0x40000000u) != 0; }
  int Count() const { return Passport.ListCount; }
  // Record of sheet n (1-based), null outside 1..Count.
  LISTDESC* List(int n);
  // Records the table holds room for.
  int Capacity() const { return ListsSize / static_cast<int>(LISTDESC_LENGTH); }
  // Reports an error: kept in Error, and through the reporter when one is
  // set (with the name given, else the map path).
  void Report(int code, const char* name = nullptr);

  // Names of files that the map file gives: the classifier, the group file
  // and the four files of each sheet are files of the map's folder, each
  // with a name of its own. Every name is held to the rule of
  // common/filename.h (IsPlainFileName) and compared without regard to
  // case (IsSameNameInFolder); a name that breaks the rule is damage
  // (60005) and is never joined to a folder.
  //
  // The classifier's name and the group file's (either empty: none as
  // yet): plain names, neither the map file's, and the classifier's backup
  // copy (".~RS") neither the map file nor the classifier itself. 1 when
  // usable.
  int MapNamesUsable() const;
  // A sheet record's four names: plain names, none another of the four, the
  // map file's, the classifier's, its backup copy's or the group file's. 1
  // when usable. A record of the table found usable is remembered with its
  // names and those of the map's files, and is not compared again while
  // they all stand (a sheet taken back from those kept open costs no
  // comparison).
  int SheetNamesUsable(const LISTDESC* list) const;
  // 1 when a name of the record is also a name of another sheet of the
  // table (every sheet but `except`; 0: every sheet). A record of the
  // table is looked up in an index of every sheet's names, made again
  // when the table is another or the record's own names are not those
  // the index holds for it (a sheet whose names changed is looked up
  // afresh at its own check); a record from elsewhere costs one pass
  // over the table.
  int SheetNamesShared(const LISTDESC* list, int except) const;
  // Folder + a name read from a file (at most `field` bytes): 1, or 0 with
  // `out` empty when the name is not a plain file name or the whole does
  // not fit.
  static int JoinFolderName(const char* folder, const char* name, size_t field, char* out,
                            size_t size);

  DWORD AccessMode = MAPACCESS_READWRITE;
  DWORD ShareMode = 3;
  HANDLE File = nullptr;
  char Path[MAX_PATH] = {};      // full path of the map file
  char FileName[MAX_PATH] = {};  // its name and extension
  char Folder[MAX_PATH] = {};    // its drive and folder
  int PassportChanged = 0;
  MAPPASSPORT Passport;
  LISTDESC* Lists = nullptr;
  int32_t ListsSize = 0;  // bytes
  int Error = 0;
  TMapError* Reporter = nullptr;

 private:
  void FreeLists();
  // How the counter is raised now.
  enum CounterWay { COUNTER_VIEW, COUNTER_LOCK, COUNTER_NONE };
  CounterWay ChooseCounterWay();
  // A word of the passport's first bytes as the file holds it now, through
  // the counter's view where the map has one (made when it has none yet)
  // and by a read otherwise: true when read.
  bool ReadPassportWord(DWORD at, uint32_t* value);
  // The raise through the view; under the lock.
  bool RaiseInView(bool passport, bool* written);
  bool RaiseUnderLock(bool passport, bool* written);
  // The raise through the view under the counter's lock (a raiser on the
  // lock way is there): the value before in `*before`.
  bool RaiseInViewUnderLock(DWORD* before);
  // Joins the lock way (the shared lock on CounterLockWay held, the word
  // set): true when on it.
  bool JoinLockWay();
  // Leaves it: the word is cleared when no other raiser is on it.
  void LeaveLockWay();
  // Clears CounterLockWay when nobody holds its lock.
  void ClearLockWayAlone(HANDLE file);
  // The file held `counter` when a raise was made from it: the span and
  // the passport's copy follow it.
  void CounterFound(DWORD counter);
  // The counter and the word beside it read together: false when they
  // cannot be read.
  bool ReadCounterAndWord(DWORD* counter, uint32_t* word);
  // Takes the chain the counter and its word tell of (none when broken).
  void NoteChain(DWORD counter, uint32_t word);
  // The view of the sheet table and record n's word of versions (its
  // flags, stamp check and version: SHEETRESERVE) in it; null where none
  // serves or the file does not hold the record.
  char* SheetWordAt(int n);
  void CloseTableView();
  // The stamp of sheet n at `version` in the present chain, as a frame:
  // false when there is none that holds.
  bool TakeStamp(int n, uint32_t version, TSheetExtents::EXTENT* extent);
  // The count of sheet changes begun, as the map file holds it now: false
  // where no view of the sheet table serves.
  bool ChangesBegun(uint32_t* value);
  // Sheet n placed in the index as what the map knows of it.
  void PlaceSheet(TSheetReach& reach, int n);
  // The records taken over from an older build leave their odd versions
  // once the raise that started a new chain went out.
  void TakenOverSheetsSettled();
  // The sheet table is written with the records the file holds left as
  // they are in their last 14 bytes (versions and stamps): false when a
  // write fails.
  bool WriteSheetRecords(int count);
  // The handle the counter is raised through under the lock (opened at the
  // first such raise).
  HANDLE CounterFile();
  HANDLE counterFile_ = nullptr;
  int counterFileTried_ = 0;
  // The view of the passport's first bytes, shared with every process that
  // maps the map file; null until made (or where none serves).
  char* counterView_ = nullptr;
  int counterLockOnly_ = 0;  // no view to be had: the lock serves until the map closes
  int lockWay_ = 0;         // on the lock way (JoinLockWay)
  int counterLockRefused_ = 0;  // a raise waited in vain for a lock another writer holds
  DWORD seenCounter_ = 0;
  DWORD counterSpan_ = 0;
  int movedElsewhere_ = 0;
  int counterOwed_ = 0;  // a raise that could not be made is still to be made
  int raisedHere_ = 0;   // this map raised the counter since it was opened
  // The chain of raises as last seen (sheetextents.h): every raise since
  // its start kept the sheets' versions, so that what is learnt of a sheet
  // lasts while the chain does and the sheet's version stands.
  int chainKnown_ = 0;
  DWORD chainStart_ = 0;
  // The chain this map's copy of the sheet table was read or written in.
  int tableChainKnown_ = 0;
  DWORD tableChain_ = 0;
  // The next raise starts a new chain: this map wrote the sheet table, or
  // took over a record an older build wrote.
  int restartChain_ = 0;
  // Records the file held when the table was last read or written: a save
  // leaves their versions and stamps as the file holds them.
  int recordsInFile_ = 0;
  // Sheets whose version this map made odd for a change under way, with
  // that value; and those taken over from an older build, kept odd until
  // the raise that starts the new chain.
  struct SHEETCHANGING {
    int Sheet;
    uint32_t Version;
    int TakenOver;
  };
  std::vector<SHEETCHANGING> changing_;
  char* tableView_ = nullptr;
  int64_t tableViewLength_ = 0;
  int tableViewRefused_ = 0;
  TSheetExtents extents_;
  // The index of the sheet records' names (SheetNamesShared).
  struct SHEETNAMEINDEX;
  // Made for the table as it is now: true when its record `index` (from
  // 0) still holds the names the index holds for it.
  bool SheetNameIndexHolds(int index) const;
  // The index (from 0) of a record of the table, -1 for a record from
  // elsewhere.
  int TableIndexOf(const LISTDESC* list) const;
  mutable std::unique_ptr<SHEETNAMEINDEX> sheetNames_;
  // The passport file held its texts in KOI-8 (the passport copy in memory
  // always holds code page 1251).
  int fileKoi8_ = 0;
};
