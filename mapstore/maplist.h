// The open state of one sheet of a map (TMapList): the four file handles,
// the four read caches, a copy of the descriptor-file header, the sheet's
// record in the map's sheet table, the current object and the last error.
//
// A map pages through its sheets one at a time with one TMapList; so that
// switching back and forth costs no file opening, the TMapList keeps the
// files of recently used sheets open in a table and takes them back when
// one of those sheets is opened again (with the same edit mode). The table
// keeps 16 sheets, and more while the sheets kept by every list of the
// process hold at most half the files the process may have open (its
// descriptor limit; the rest is the host's; past a limit of 8,192 the host
// keeps 4,096 or a quarter, whichever is more), up to FILESET_MAX; fewer when
// the host holds so many that the process would have less than a reserve
// left (DescriptorReserve). An open that finds no descriptor left has the
// sheets used longest ago give theirs back and is tried again: a sheet is
// never taken for one without its files for want of descriptors. With the
// files it keeps each sheet's caches and write views, within KeptCacheBytes
// together, so that going back to a sheet neither reads again what was read
// nor grows and cuts its files again: objects written to and read from the
// sheets of a map in no particular order cost about what they cost on one
// sheet.
// Opening checks the sheet record and the four file signatures and
// reports each failed check once per sheet, by stage: the stages reported
// are kept as bits in the sheet record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mapstore/passport.h"
#include "mapstore/sheetcache.h"
#include "mapstore/sheetfile.h"
#include "mapstore/sheetframes.h"
#include "platform/export.h"
#include "platform/win_types.h"

struct TRSCDATA;
class TMapLog;
class TMapList;
class TObjectInfo;
struct SHEETCHANGE;

// The part of an open map that its sheets work with: the map file with its
// passport and sheet table, the classifier, the log folder and the edit
// mode. The map object derives from it; a sheet keeps a pointer to it as
// its owner. A bare base (no map object) serves sheets on their own.
class TMapBase : public TMapPassport {
 public:
  // The classifier that object frames are measured with (the map sets its
  // own); null for a bare base: frames then take no image parameters.
  TRSCDATA* Classifier = nullptr;
  char LogFolder[MAX_PATH] = {};  // "LOG\" beside the map file, or the temporary folder
  int EditModeCopy = 0;           // the edit mode as last set; sheets kept open remember it
  int EditMode = 0;               // nonzero while the map is edited by several users
  // The edit journal the sheets record service actions in (the map's own);
  // null for a bare base.
  TMapLog* Journal = nullptr;
  // Applies a change made by one of its sheets as the owner does (the map:
  // journal, callback, borders, counter, observers); null for a bare base,
  // whose sheets apply their own changes (TMapList::ApplyOwnChange). False
  // when the change counter could not be raised now (the raise is owed).
  bool (*ApplyChangeCall)(TMapBase* owner, TMapList& list, const SHEETCHANGE& change) = nullptr;
};

// Operations of an object change, as the journal and the change callback
// number them.
enum : BYTE {
  CHANGE_APPEND = 1,
  CHANGE_DELETE = 2,
  CHANGE_UPDATE = 4,
};

// Parts mask of an object change: the records written.
enum : BYTE {
  CHANGEPART_DESC = 1,
  CHANGEPART_DATA = 2,
  CHANGEPART_SEMN = 4,
  CHANGEPART_DRAW = 8,
};

// When the map's change counter is raised for a change.
enum : BYTE {
  CHANGECOUNT_NONE = 0,
  CHANGECOUNT_AFTER = 1,   // after the journal record and the change callback
  CHANGECOUNT_BEFORE = 2,  // before them: an update in edit mode counts once it holds the lock
};

// What one object write of a sheet did. The sheet's writers place the
// records, link the chain and write the descriptor-file header and the
// sheet record; the rest is the map's, applied from this record
// (TMap::ApplyChange): the journal, the change callback, the borders, the
// change counter, the caches of its other sheet object and its observers.
// A write that fails may still leave something to apply (an update counts
// as soon as it holds the lock): Number is then 0.
struct SHEETCHANGE {
  int Sheet;           // sheet number
  int Number;          // object number; 0 when no object was written
  DWORD Key;           // object key
  BYTE Operation;      // journal operation (CHANGE_*)
  BYTE CallOperation;  // change callback operation: an update that deletes calls back CHANGE_DELETE
  BYTE Parts;          // records written (CHANGEPART_*)
  BYTE Counter;        // CHANGECOUNT_*: whether and when the change counter is raised
  DWORD Backup;        // the journal's backup copy of the old version (0: none kept)
  int EditMode;        // the sheet's edit mode when the change was made
  int Journal;         // the change goes to the journal and the change callback
  int CornersGrew;     // the corners of a user map's sheet grew: its borders are recomputed
  int FrameAppended;   // a sheet frame object was appended: the sheet's extent takes in
                       // its frame (Desc) and the map border is rebuilt
  FVSPR Desc;          // the descriptor as written (links, offsets, key, frame)
};

// Flags of the sheet record kept by the sheet layer.
enum : BYTE {
  // LISTDESC::Flag: the sheet's objects are known to be in sorted order.
  LISTFLAG_SORTED = 1,
  // LISTDESC::Flags: each file was created; a DAT, SEM or GRA file that
  // cannot be opened is reported only when its bit is set.
  LISTFILE_HDR = 0x01,
  LISTFILE_DAT = 0x02,
  LISTFILE_SEM = 0x04,
  LISTFILE_GRA = 0x08,
};

// Stages of the checks reported once per sheet (bit numbers of the sheet
// record's stage mask).
enum : int {
  LISTSTAGE_MEMORY = 1,      // 60001 caches could not be allocated
  LISTSTAGE_NAMES = 2,       // 60005 a file name of the sheet record is not one of the
                             //       map's folder, or names another file of the map
  LISTSTAGE_RECORD = 3,      // 60005 sheet record lacks its marker
  LISTSTAGE_HDROPEN = 4,     // 60006 HDR file cannot be opened or created
  LISTSTAGE_HDRCOUNT = 5,    // 60005 HDR header counts more than the file holds, or
                             //       names chain ends past its count
  LISTSTAGE_HDRWRITE = 6,    // 60004 header of a new HDR file cannot be written
  LISTSTAGE_HDRIDENT = 7,    // 60005 HDR signature or mark wrong
  LISTSTAGE_DATOPEN = 8,     // 60006
  LISTSTAGE_DATREAD = 9,     // 60003
  LISTSTAGE_DATWRITE = 10,   // the write's code: DAT signature, or a metric rewrite in place
  LISTSTAGE_DATIDENT = 11,   // 60005
  LISTSTAGE_SEMOPEN = 12,    // 60006
  LISTSTAGE_SEMREAD = 13,    // 60003
  LISTSTAGE_SEMWRITE = 14,   // 60004
  LISTSTAGE_SEMIDENT = 15,   // 60005
  LISTSTAGE_GRAOPEN = 20,    // 60006
  LISTSTAGE_GRAREAD = 21,    // 60003
  LISTSTAGE_GRAWRITE = 22,   // 60004
  LISTSTAGE_GRAIDENT = 23,   // 60005 in a file longer than 4 bytes
  LISTSTAGE_MANYFILES = 24,  // 60020 a file cannot be opened: the process has no descriptor
                             //       left, and no sheet kept to give one back
};

// Share and access modes of the sheet files.
enum : DWORD {
  LISTACCESS_READWRITE = 0xC0000000u,
  LISTACCESS_READ = 0x80000000u,
  LISTSHARE_DEFAULT = 3,
};

// What the descriptors of a sheet claim past the ends of its DAT, SEM and
// GRA files, and the bytes inside them that more than one record claims
// (TMapList::FindClaims), indexed by file; found for the sheet's open
// files at its first new or rewritten record, and again once a file is
// found shorter than it was known to be (cut short by someone else).
struct SHEETCLAIMS {
  int Known;
  int SharedKnown;  // Shared found too (every record's head read)
  LONG Counted;     // the descriptors looked at: objects 1 to Counted
  CLAIMSPANS Files[SHEET_FILES];
  CLAIMSPANS Shared[SHEET_FILES];
  int64_t Ends[SHEET_FILES];  // the least each file is known to hold: its end when the
                              // claims were found, raised by each record written since
};
// Copies the claims `from` into `to`: the spans in use only (a sheet kept
// open mostly has none or a few), so that a sheet taken back or left
// touches a few lines of memory rather than the whole record.
void CopyClaims(SHEETCLAIMS& to, const SHEETCLAIMS& from);

// One entry of the table of recently used sheets.
struct SHEETFILESET {
  int Sheet;      // sheet number, 0 = free
  DWORD Stamp;    // use stamp at the last use, 0 = free
  int Mode;       // the map's edit-mode copy when the files were opened
  DWORD Access;   // the access they were opened with (LISTACCESS_*)
  HANDLE Files[SHEET_FILES];
  HANDLE Backs[SHEET_FILES];
  int Held;       // the handles above that are set: descriptors the entry holds
};

// A copy of an earlier version of an object, read from the sheet's backup
// files: its descriptor, with the offsets and links the object has now, and
// the records saved with it (an empty record: none saved, the object's
// current one stands).
struct BACKCOPY {
  FVSPR Desc;
  std::vector<char> Metric;
  std::vector<char> Semn;
  std::vector<char> Draw;
};

class MAPCLASS TMapList {
 public:
  // Sheets the table keeps whatever the descriptor limit, and the most it
  // keeps.
  enum : int { FILESET_COUNT = 16, FILESET_MAX = 8192 };

  TMapList();
  // Closes everything: Close(1).
  ~TMapList();
  TMapList(const TMapList&) = delete;
  TMapList& operator=(const TMapList&) = delete;

  // Opens sheet `sheet` (from 1) of the map: 1, or 0 with the reason in the
  // last error (and reported by stage). A sheet kept in the table opens
  // without opening files or checking signatures.
  int Open(TMapBase* map, int sheet);
  // Makes sheet `sheet` new: fills its record from `reg` (ListRegister),
  // creates an empty descriptor file and deletes old metric, semantics and
  // graphics files of the new names. 1 on success.
  int CreateList(TMapBase* map, int sheet, LISTREGISTER* reg);
  // 0: leaves the sheet: its files stay open in the table, and with them
  // its caches and write views (reserves included), taken back when the
  // sheet opens again with its header as it was; a sheet the table does
  // not hold ends its views and only the cache memory is kept. Negative:
  // also closes this sheet's kept files; positive: closes every kept file
  // and frees the caches. Returns 0.
  int Close(int mode);

  // Finishes the write views of the open sheet's files (of `handle` only,
  // when not null; see WritesViewed): under the sheet lock, each file that
  // still ends where this list left it is cut back to its records' end
  // (the descriptor file not below what its header counts); without the
  // lock nothing is cut. Before a handle is closed.
  void EndWriteViews(HANDLE handle = nullptr);
  // The same for the open sheet and every sheet kept in the table: before
  // another writer may write the files (the map turning to edit mode).
  void EndAllWriteViews();

  // Create the metric, semantics or graphics file when it is first needed:
  // a new file with its signature. 1 on success (also when already open).
  int CreateDataFile();
  int CreateSemnFile();
  int CreateDrawFile();

  // Fills the sheet record this TMapList points at as sheet n from a sheet
  // register: marker, creation date, register, the map's device origin, and
  // the four file names from the register's bare file name. 1, or 0 without
  // a register, owner or record.
  int ListRegister(int n, LISTREGISTER* reg);

  // Keeps `code` as the last error and, the first time this stage fails for
  // the sheet, reports it through the map's error reporter with `name`.
  // Returns `code`; 0 (nothing done) without owner or sheet record.
  int ReportError(int code, const char* name, int stage);
  // 1 when the stage was reported for the open sheet.
  int IsErrorReported(int stage) const;

  // The table of recently used sheets.
  // Records the open sheet's handles in the table; while it has no room
  // (RoomFor), and while the process has fewer descriptors left than
  // DescriptorReserve, the sheets used longest ago give way, their files
  // closed.
  // Without memory for an entry, or for a sheet number past
  // SHEET_INDEX_LIMIT, the sheet is not kept: its files close with it.
  void KeepFileSet();
  // Takes the handles of sheet n back from the table, with the caches and
  // write views it kept when it was left (Close(0)): 1; 0 when not kept,
  // or kept under another edit mode or without a DAT, SEM or GRA file that
  // its record says it has (its files are then closed, and it opens
  // afresh).
  int RestoreFileSet(int n);
  int IsFileSetKept(int n) const;
  // Clears the entry of sheet n (every entry for n < 0), closing its files
  // when `close` is nonzero (always for n < 0).
  void CloseSheetFiles(int n, int close);
  // Another sheet object of the map wrote sheet n: when the table keeps
  // the caches of n, they are emptied, and its opening checks it again.
  void KeptSheetWritten(int n);
  // Clears one entry, closing its files when `close` is nonzero. A sheet
  // left for another one gives up its caches and write views, its reserves
  // cut off first.
  void CloseFileSet(int entry, int close);
  // Entries of the table (free ones included) and the sheets it keeps.
  int FileSetCount() const { return static_cast<int>(FileTable.size()); }
  int KeptSheets() const;
  // Descriptors the tables of every list of the process hold, and the most
  // they hold beyond FILESET_COUNT sheets a list: half the process's
  // descriptor limit (plat::DescriptorLimit); past a limit of 8,192, the
  // limit less 4,096 or less a quarter of it, whichever leaves less.
  static int KeptDescriptors();
  static int DescriptorBudget();
  // The descriptors left to the host whatever the table keeps: a sixteenth
  // of the limit, at least 16. Once a sheet's files are open, the sheets
  // kept longest ago give theirs back while fewer are left
  // (plat::DescriptorsLeft); only the open sheet keeps its files then.
  static int DescriptorReserve();
  // Settings of the memory a map keeps for the sheets it visits, for every
  // map of the process (the getters give the defaults until set).
  // The bytes of cache memory the sheets left for another one keep together
  // (each list): beyond them the sheets left longest ago give up the hints
  // of their scattered reads first, then their caches and write views (their
  // files stay open). 128 MB unless set: on a map of more sheets than that
  // holds with the caches of their opening, the caches read by pieces and
  // keep what was read, not whole files.
  static size_t KeptCacheBytes();
  static void SetKeptCacheBytes(size_t bytes);
  // The bytes the indexes of the frames of a map's sheets (for clicks and
  // small selects, about 13 bytes an object) hold together: beyond them
  // the sheets left longest ago give up theirs, to be made again at their
  // next visit. Unless set, a sixteenth of the machine's memory and at
  // least 128 MB, so that the indexes of a map of tens of millions of
  // objects are kept on a machine of some gigabytes. What the selects
  // learn of the points of the objects of sheets too small for an index
  // (24 bytes an object) is kept within as much again, each map.
  static size_t FrameIndexBytes();
  static void SetFrameIndexBytes(size_t bytes);
  // Sheets of fewer objects get no index of their frames: a walk of their
  // objects costs less than making it. 1,024 unless set.
  static LONG FrameIndexMinObjects();
  static void SetFrameIndexMinObjects(LONG count);
  // The cache memory the sheets left keep now.
  size_t ParkedCacheBytes() const;
  // The indexes of frames the list keeps (the open sheet's and those of
  // the sheets left) together within FrameIndexBytes: the
  // sheets left longest ago give up theirs first.
  void BoundKeptIndexes();

  // --- Reading objects (addresses point into the read caches and stay
  // valid until the next read through the same cache) ---

  // Descriptor of object n, made current; null for n < 1 or when it cannot
  // be read. Asking again for the current object costs no cache lookup.
  // The links read are those of the chain as the sheet opened it (see
  // RepairChainLinks).
  FVSPR* ObjectDesc(int n);
  // The object after / before the current one in the chain, made current;
  // null without a current descriptor or at the chain's end. A link past
  // the header's count leads on only to an object the file's header now
  // counts (another writer appended it since the header was read: the
  // header copy is then the file's, and Count() grows); any other ends the
  // chain, and so does a walk of more steps than the count (a damaged
  // chain that runs in a circle). A walk bounds its steps by Count() as it
  // stands at each step.
  FVSPR* NextHead();
  FVSPR* PrevHead();
  // The chain's first / last object, made current.
  FVSPR* FirstHead();
  FVSPR* LastHead();
  FVSPR* GetFirstHead() { return FirstHead(); }
  FVSPR* GetLastHead() { return LastHead(); }
  // Objects of the sheet, deleted ones included (the header's count).
  int Count() const { return Head.Count; }
  int ObjectCount() const { return Head.Count; }
  // Records at a file offset: 0 for offset 0 or when they cannot be read.
  LONGMETRIC* DataAddr(DWORD offset);
  SEMANTIC* SemnAddr(DWORD offset);
  IMGDRAW* DrawAddr(DWORD offset);
  // Records of object n (its descriptor made current); 0 without one.
  LONGMETRIC* ObjectDataAddr(int n);
  SEMANTIC* ObjectSemnAddr(int n);
  IMGDRAW* ObjectDrawAddr(int n);
  // The records the descriptor `desc` names, each read whole through its
  // cache and checked (CheckReadData and its twins), into `data`, `semn`
  // and `draw` (null where it names none; the metric's text entries by its
  // local type): 0, or MAPERR_DATA, also kept as the last error, when a
  // record it names cannot be read whole or is not sound. The three lie in
  // three caches: each address stays valid while the others are read.
  int ReadObjectRecords(const FVSPR* desc, LONGMETRIC** data, SEMANTIC** semn, IMGDRAW** draw);
  // Reads record n (0: the header) straight from the descriptor file:
  // 0, MAPERR_INPUT for a null buffer, MAPERR_DATA for n < 0 or above the
  // count, MAPERR_READ for a failed read.
  int ReadObjectDesc(int n, FVSPR* out);
  // Number of the sheet frame object (not deleted), 0 when there is none;
  // the answer is kept in the sheet record.
  int GetListFrameNumber();
  // Its descriptor, made current; null without one.
  FVSPR* GetFrameDesc();

  // --- Object frames ---

  // Computes the frame of an object into its descriptor from its metric,
  // its texts and its signs; nothing without an owner, descriptor or
  // metric. Semantics and graphics not given are taken from the sheet at
  // the descriptor's offsets.
  void BuildBorder(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw);
  // The frame of a title; nothing for other local types.
  void BuildTextBorder(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw);

  // --- Writing objects ---
  //
  // Each object write is a sequence of steps followed by a change record
  // (SHEETCHANGE). The map's writers (TMap::AppendObject, UpdateObject,
  // DeleteObject, UpdateObjectDraw) run the steps and apply the record with
  // the journal, the callback, the borders and the counter; the sheet-level
  // writers below run the same steps and apply it as a sheet of a bare map
  // base does (ApplyOwnChange).

  // Append, step 1: the checks made before anything is written. 1 when the
  // object may be appended; 0 when refused (MAPERR_DATA in the last error
  // for a null descriptor or a damaged record, MAPERR_WRITE for a read-only
  // sheet; nothing set without an open, writable owner or sheet).
  int CheckAppend(const FVSPR* desc, const LONGMETRIC* metric, const SEMANTIC* semn,
                  const IMGDRAW* draw);
  // Append, step 2: the sheet frame object that appending `desc` replaces
  // (a new frame on a sheet that is no user map's), made current; 0 for
  // none. The caller deletes it before step 3.
  int FrameToReplace(const FVSPR* desc);
  // Append, step 3, after the checks: places the records, links the object
  // into the chain, writes the header and the sheet record. `desc` gets its
  // links, offsets, key and frame. Returns the new number, 0 on failure
  // (the code in the last error, nothing written that counts, nothing to
  // apply).
  int AppendChecked(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw,
                    SHEETCHANGE* change);

  enum : int { UPDATE_APPENDS = -1 };
  // Update, step 1: the checks and the object's number. Numbers are never
  // reused, so n within the count is that object whatever links `desc`
  // carries; otherwise the object is found through the descriptor's links,
  // and a descriptor without links on a sheet of more than one object is
  // a new object (UPDATE_APPENDS: append it instead). The object is made
  // current. 0 when refused.
  int LocateUpdate(int n, FVSPR* desc, const LONGMETRIC* metric, const SEMANTIC* semn,
                   const IMGDRAW* draw);
  // Update, step 2: rewrites the located (current) object n with the
  // descriptor and the records given (null: unchanged). Returns n, 0 on
  // failure; `change` holds what is to be applied either way.
  int RewriteObject(int n, FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw,
                    SHEETCHANGE* change);
  // Update, in the write turn: the record places of `desc` become those of
  // the descriptor the file holds (`stored`), and for a metric not given
  // (`metric` false) of a stored object with one also its frame and height
  // flag.
  void TakeStoredPlaces(FVSPR* desc, const FVSPR& stored, bool metric);
  // Marks the current object deleted: its number, 0 on failure.
  int DeleteCurrent(SHEETCHANGE* change);
  // Rewrites only the graphics record of object n: n, 0 on failure.
  int RewriteDraw(int n, IMGDRAW* draw, SHEETCHANGE* change);

  // Applies a change as a sheet of a bare map base does: the change
  // counter raised in the map file when the change counts; a frame object's
  // extent taken into the sheet's corners with unit factor and the
  // passport's origin. No journal, callback or borders. False when the
  // counter could not be raised now: the raise is owed, and the change,
  // which stands, is reported made all the same.
  bool ApplyOwnChange(const SHEETCHANGE& change);
  // The sheet record's corners (plane metres) take in the frame of `desc`
  // (device units, from the sheet's view position) by factor and origin.
  void TakeInFrame(const FVSPR& desc, double factor, double x0, double y0);

  // The sheet-level writers: the steps above, the change applied by
  // ApplyOwnChange. A map's objects are written through the map instead.
  // Appends a new object; `desc` gets its links, offsets, key and frame.
  // Returns the new number, 0 on failure (the code in the last error).
  int AppendObjectData(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw);
  // Rewrites object n (see LocateUpdate). Returns the object's number, 0 on
  // failure.
  int UpdateObjectData(int n, FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw);
  // Marks the current object (or object n) deleted; its number, 0 on
  // failure.
  int DeleteObject();
  int DeleteObject(int n);
  // Rewrites only the graphics record of object n: n, 0 on failure.
  int UpdateObjectDraw(int n, IMGDRAW* draw);
  // The same writers for an object handle: its descriptor and the records
  // of its metric, semantics and graphics buffers (all four passed). 0 for
  // a null handle or one without a descriptor. Defined with the object
  // class (objects/).
  int AppendObject(TObjectInfo* obj);
  int UpdateObject(int n, TObjectInfo* obj);

  // A writable sheet never closes empty: 1 when closing the open sheet's
  // kept files (Close with a nonzero mode) would first append the
  // placeholder, a deleted polygon without records (PlaceholderDesc).
  int PlaceholderDue() const;
  static FVSPR PlaceholderDesc();

  // One record by the placement rules; the descriptor takes its offset.
  // 0, or the error code.
  int WriteObjectData(FVSPR* desc, LONGMETRIC* metric);
  int WriteObjectSemn(FVSPR* desc, SEMANTIC* semn);
  int WriteObjectDraw(FVSPR* desc, IMGDRAW* draw);
  // Writes descriptor n (1 to the count): 0, MAPERR_INPUT for a null
  // descriptor, MAPERR_DATA for n out of range, else the write's code. The
  // index of the sheet's frames forgets itself (links may have changed).
  int WriteObjectDesc(int n, const FVSPR* desc);
  // The sheet lock: 256 bytes past the end of the descriptor file (plus
  // 0x18000), tried 500 times 10 ms apart, and with it the write turn
  // (below). 1 when locked.
  int LockList();
  void UnlockList();

  // --- Backups of earlier versions (edit mode) ---
  //
  // Before an update in edit mode the object's stored descriptor and
  // records are saved as a copy in four backup files in the map's log
  // folder: copy k is the 48-byte record at k*48 of the descriptor backup
  // (record 0 a header), a higher index a newer copy. Copies of one object
  // are found by its key; a copy marked used (bit 0 of its flags) is
  // skipped by every scan.

  // Opens or creates the four backup files of the open sheet: 1, or 0
  // (every backup file closed) when one cannot be opened, created or given
  // its signature. The operations below open them when they are closed.
  int OpenBackFiles();
  void CloseBackFiles();
  // Closes and deletes the four files and starts the journal's action
  // 60004 (undo stops there): that call's result, 0 without owner or sheet.
  int DeleteBackFiles();
  // Number of copies; 0 when the files cannot be opened or hold none.
  int GetBackObjectCount();
  // Reads copy k (48 bytes) into `buffer`: the buffer, or null for k < 1,
  // a null buffer, k beyond the copies or a failed read.
  char* ReadBackObject(int k, char* buffer);
  // Saves a copy of `desc` with the records given (none given: the copy
  // says so in bit 31 of its first word, its records being the sheet's).
  // The copy's index, 0 for a null descriptor or when the files cannot be
  // opened or the descriptor copy cannot be written. A record that cannot
  // be written leaves its offset in the copy 0.
  int SaveBackObject(const FVSPR* desc, const LONGMETRIC* metric, const SEMANTIC* semn,
                     const IMGDRAW* draw);
  // Marks copy k used: 1, or 0 when it cannot be read or written.
  int MarkBackObject(int k);
  // Marks the newest `count` unmarked copies of the object of key `key`
  // used: 1 when that many were found, else 0.
  int DeleteObjectCopyToNumber(int count, DWORD key);
  // Reads the i-th newest unmarked copy of the object whose current
  // descriptor is `current` into `out`: the copy's index, 0 when there is
  // none or it cannot be read (a saved record whose length is not one the
  // sheet files allow gives MAPERR_DATA in the last error).
  int ReadObjectCopyByNumber(int i, const FVSPR& current, BACKCOPY* out);
  // Reads copy k of the object into `out`: its rank (1 = newest), 0 when
  // copy k is not one of the object's unmarked copies.
  int RestoreBackObject(int k, const FVSPR& current, BACKCOPY* out);
  // The same for an object handle of this sheet, found by its key; the
  // copy read is loaded into the handle's buffers (marked changed) for its
  // commit to write. 0 for a null handle, one without descriptor, map or
  // object number, or no open sheet. Defined with the object class
  // (objects/).
  int DeleteObjectCopyToNumber(int count, TObjectInfo* obj);
  int ReadObjectCopyByNumber(int i, TObjectInfo* obj);
  int RestoreBackObject(int k, TObjectInfo* obj);

  // --- The open sheet's record ---
  //
  // Getters give the field of the sheet register (or of the sheet record);
  // setters store it and set RecordChanged (the map writes changed sheet
  // records when it saves). Without a sheet record texts are "" and numbers
  // 0, and nothing is stored. A text setter keeps at most the field's
  // length less one characters (a null text clears the field) and returns
  // the field; a number setter returns what it stored.
  const char* Nomenclature();
  const char* Nomenclature(const char* text);
  const char* Name();
  const char* Name(const char* text);
  const char* Date();
  const char* Date(const char* text);
  const char* DateAngle();
  const char* DateAngle(const char* text);
  const char* CreationDate();
  const char* CreationDate(const char* text);
  int MaterialKind();
  int MaterialKind(int value);
  int MaterialType();
  int MaterialType(int value);
  LONG ReliefHeight();
  LONG ReliefHeight(LONG value);
  double MagneticAngle();
  double MagneticAngle(double value);
  double YearMagneticAngle();
  double YearMagneticAngle(double value);
  double MeridianAngle();
  double MeridianAngle(double value);
  double XSouthWest();
  double XSouthWest(double value);
  double YSouthWest();
  double YSouthWest(double value);
  double XNorthWest();
  double XNorthWest(double value);
  double YNorthWest();
  double YNorthWest(double value);
  double XNorthEast();
  double XNorthEast(double value);
  double YNorthEast();
  double YNorthEast(double value);
  double XSouthEast();
  double XSouthEast(double value);
  double YSouthEast();
  double YSouthEast(double value);
  double BSouthWestCoordinate();
  double BSouthWestCoordinate(double value);
  double LSouthWestCoordinate();
  double LSouthWestCoordinate(double value);
  double BNorthWestCoordinate();
  double BNorthWestCoordinate(double value);
  double LNorthWestCoordinate();
  double LNorthWestCoordinate(double value);
  double BNorthEastCoordinate();
  double BNorthEastCoordinate(double value);
  double LNorthEastCoordinate();
  double LNorthEastCoordinate(double value);
  double BSouthEastCoordinate();
  double BSouthEastCoordinate(double value);
  double LSouthEastCoordinate();
  double LSouthEastCoordinate(double value);
  // The sorted flag: 1 without a sheet record.
  int IsSorted();
  int IsSorted(int value);
  int SetObjectsLimit(int) { return 0; }
  // The four file names of the sheet record; "" without one.
  const char* HeadName();
  const char* DataName();
  const char* SemnName();
  const char* DrawName();
  // The map's log folder; "" without an owner.
  const char* PathLOG();

  // Binds this list to sheet n of `map` over four open files the caller
  // made for it (a temporary file set beside the sheet's own): the handles
  // are taken over, the caches sized and the header read; nothing goes to
  // the table of recently used sheets. 1; 0 (the handles closed, 60001
  // reported at stage 1 when memory failed) otherwise.
  int AttachFiles(TMapBase* map, int n, HANDLE const (&files)[SHEET_FILES]);

  // Makes sheet n (1 to the map's sheet count) of `map` the one of the
  // register, its four files copied in from `folder` when that is not the
  // map's folder (overwriting), and opens it: Open's result, 0 for a null
  // argument or a sheet out of range.
  int CopyList(TMapBase* map, int n, LISTREGISTER* reg, const char* folder);
  // Moves every object of the open sheet (deleted ones too) by (dx, dy)
  // device units: the metric's points, rounded and clamped by its point
  // kind, or the frame of an object without metric. 1, 0 without a sheet
  // record or when an object cannot be written back (objects before it
  // are moved).
  int ReplaceListObjects(double dx, double dy);

  // State.
  int Number() const { return ListNumber; }
  int IsOpen() const { return List != nullptr && Files[SHEET_HDR] != nullptr; }
  // Whether nobody else has changed the map since the open sheet's caches
  // began to be read (the map's change counter read now); true while this
  // list holds the sheet for a write.
  bool InStepWithMap();
  int GetError() const { return Error; }
  // Whether the links read from the file are mended in memory now
  // (RepairChainLinks).
  bool LinksRepaired() const;
  int IsWritable() const { return (AccessMode & 0x40000000u) != 0; }
  TMapBase* GetOwner() const { return Owner; }
  const SHEETFILESET& FileSet(int entry) const { return FileTable[size_t(entry)]; }
  // Full name of one of the sheet's files (folder + name from the sheet
  // record) into `out`; 0 (and `out` empty) when there is no record, the
  // name is not a plain file name (TMapPassport::JoinFolderName) or the
  // whole does not fit.
  int FilePath(int file, char* out, int size) const;
  // 1 when a file the record names is held by an open document other than
  // the sheet's own map (`found` gets its path), else 0.
  int HeldElsewhere(char (&found)[MAX_PATH]) const;

  int ListNumber = 0;       // sheet number, 0 = none
  int CurrentObject = 0;    // number of the current object, 0 = none
  TMapBase* Owner = nullptr;
  THeadBuffer HeadBuffer;   // descriptor file
  TDataBuffer DataBuffer;   // metric file
  TBlockBuffer SemnBuffer{TBlockBuffer::RECORD_SEMN};
  TBlockBuffer DrawBuffer{TBlockBuffer::RECORD_DRAW};
  // The frames of a large open sheet's objects, for the hit test; kept in
  // step with the objects this list writes, kept with a sheet left for
  // another one while the sheet is as it was left, forgotten when it
  // closes.
  TSheetFrameIndex FrameIndex;
  HANDLE Files[SHEET_FILES] = {};  // HDR, DAT, SEM, GRA; null = closed
  HDRHEAD Head = {};        // copy of record 0 of the descriptor file
  LISTDESC* List = nullptr;  // the sheet's record in the map's sheet table
  char Folder[MAX_PATH] = {};  // the map's folder
  DWORD AccessMode = LISTACCESS_READWRITE;
  DWORD ShareMode = LISTSHARE_DEFAULT;
  FVSPR* CurrentDesc = nullptr;  // the current descriptor, inside the descriptor cache
  int Error = 0;
  int RecordChanged = 0;    // a field of the sheet record was set
  HANDLE Backs[SHEET_FILES] = {};  // backup files
  int ObjectsChanged = 0;   // an object was deleted or changed outside edit mode
  DWORD LockOffset = 0;     // start of the byte range of the sheet lock
  // The table: entries in use and free ones (Sheet 0), grown up to the
  // table's size as sheets are kept; the entry of each sheet kept.
  std::vector<SHEETFILESET> FileTable;
  DWORD UseStamp = 0;
  int EditMode = 0;         // the map's edit mode when the sheet was opened

 private:
  std::vector<int> EntryOf;  // by sheet number: its entry + 1, 0 none
  int FileSetsUsed = 0;

  // Links of the open sheet as read once the links past the count are cut,
  // kept for a sheet whose file did not take them when it opened
  // (RepairChainLinks); they hold while the header's count is
  // RepairedCount. A RepairedCount other than 0 leaves the repair to the
  // document's first write.
  struct LINKREPAIR {
    LONG Number;
    DWORD Next;
    DWORD Back;
  };
  enum : int { LINKREPAIR_COUNT = 16 };
  LINKREPAIR Repairs[LINKREPAIR_COUNT] = {};
  int RepairCount = 0;
  LONG RepairedCount = 0;
  int ChainSteps = 0;       // steps of the chain walk since the last jump or turn
                            // (negative: backwards)

  enum : int { VIEWED_FILES = SHEET_SEM + 1 };  // HDR, DAT and SEM

  // What a sheet of the table keeps while another one is open, so that
  // going back and forth between recently used sheets costs neither
  // reading their caches again nor growing and cutting their files: the
  // four caches, the write views with their reserves (taken back whatever
  // the sheet looks like then) and the index of the frames, and, as the
  // sheet was left, its header copy, its access mode, the link repairs and
  // the last append completed. All but the views are taken back only while
  // nobody else has changed the map since the state was last known to be
  // in step (its counter span is the map's) and the file's header is as it
  // was left; otherwise the sheet is read afresh and the checks of the
  // opening are made again. A kept
  // sheet's reserves are cut off when it leaves the table (its files
  // closed), when it gives up its state beyond KeptCacheBytes (its files
  // stay), when the map turns to edit mode (EndAllWriteViews) and when the
  // list closes.
  struct SHEETLEFT {
    HDRHEAD Head;
    DWORD AccessMode;
    LINKREPAIR Repairs[LINKREPAIR_COUNT];
    int RepairCount;
    LONG RepairedCount;
    HANDLE LinkedFile;
    LONG LinkedCount;
    // The span of the map's change counter in which the sheet's state was
    // last known to be in step (InStep): other writers delete and write
    // objects again in place, which leaves the header as it was, but each
    // of their changes raises the counter and so ends the span.
    bool InStep;
    DWORD Span;
  };
  struct SHEETSTATE {
    THeadBuffer HeadBuffer;
    TDataBuffer DataBuffer;
    TBlockBuffer SemnBuffer{TBlockBuffer::RECORD_SEMN};
    TBlockBuffer DrawBuffer{TBlockBuffer::RECORD_DRAW};
    TSheetWriteView WriteViews[VIEWED_FILES];
    TSheetFrameIndex FrameIndex;
    SHEETLEFT Left;
    // What the state counts in ParkedBytes and ParkedIndexBytes while kept.
    size_t CacheBytes;
    size_t IndexBytes;
  };
  // The kept state of each table entry whose sheet is not the open one
  // (null: none; the open sheet's is the list's own), the claims found for
  // its files (kept with them), and one emptied state ready for the next
  // sheet left.
  std::vector<SHEETSTATE*> States;
  std::vector<SHEETCLAIMS> KeptClaims;
  SHEETSTATE* Spare = nullptr;
  // The cache memory and the index bytes of the states kept.
  size_t ParkedBytes = 0;
  size_t ParkedIndexBytes = 0;
  // The entry of sheet n, -1 when the table does not keep it.
  int EntryOfSheet(int n) const;
  // Entry `entry` holds sheet n now (0: is free): the index of the entries
  // and the count of the sheets kept follow.
  void SetEntrySheet(int entry, int n);
  // Counts the descriptors entry `entry` holds again (its Held and the
  // process's count).
  void CountHeld(int entry);
  // A free entry, made when none is, with room in the index for sheet n;
  // -1 without memory, or for a number past SHEET_INDEX_LIMIT.
  int FreeEntry(int n);
  enum : int { SHEET_INDEX_LIMIT = 1 << 20 };
  // The entry used longest ago other than the open sheet's, -1 when there
  // is none.
  int OldestEntry() const;
  // Whether one more sheet of `held` descriptors may be kept beside those
  // the table keeps.
  bool RoomFor(int held) const;
  // The memory the caches of `state` hold.
  static size_t CacheBytesOf(const SHEETSTATE& state);
  // The kept states together within KeptCacheBytes: the hints of the
  // sheets left longest ago give way, then their states (DropState).
  void BoundKeptCaches();
  enum : int {
    PARKED_DATA_WINDOWS = 4,  // 1 MB
    PARKED_HINT_BYTES = 1 << 20,
  };
  // Exchanges the caches, write views and frame index of the list with
  // those of `state`.
  void ExchangeState(SHEETSTATE& state);
  // Close(0) of a sheet the table holds: its state goes to its entry.
  // False (nothing done) when it cannot be kept: a sheet the table does
  // not hold, a write under way, or no memory.
  bool ParkState();
  // RestoreFileSet: the entry's kept state becomes the list's again, and
  // what it knew as the sheet was left is held for ResumeAsLeft.
  void TakeBackState(int entry);
  SHEETLEFT Left = {};
  bool LeftKnown = false;
  // Whether what the open sheet's caches and index hold was read within
  // the map's counter span InStepSpan, which began when the counter was
  // read as the sheet was opened or taken back (the map's own changes
  // keep the span; another writer's ends it).
  bool InStep = false;
  DWORD InStepSpan = 0;
  // The files were handed to the list (AttachFiles: a temporary set that
  // nobody else opens): its changes outside edit mode are no change of the
  // map's for its change counter.
  bool AttachedFiles = false;
  // The change counter is raised for each change this list makes.
  BYTE CountChange(BYTE when) const {
    return EditMode != 0 || !AttachedFiles ? when : BYTE(CHANGECOUNT_NONE);
  }
  // Reads the map's change counter before anything of the sheet is read:
  // what is read from then on is in step within the span it gives.
  void StartInStep();
  // After a sheet's state was taken back: true when it was in step in the
  // map's span when left and its header is as it was left (the copy,
  // access mode, repairs and last append are then taken back too); else
  // false with the caches emptied and the index forgotten, for the
  // opening's checks.
  bool ResumeAsLeft();
  // Before sheet `n` may be taken back from the table: asks the processor
  // to fetch what the switch and an append touch first, so that those
  // misses overlap rather than follow one another: the entry, its claims
  // and its kept state (PrefetchKeptState); then, reading the state, the
  // header, the chain's last descriptor and the ends of the files in its
  // write views (PrefetchKeptViews). Hints only: nothing changes.
  void PrefetchKeptState(int n) const;
  void PrefetchKeptViews(int n) const;
  // Gives up the kept state of table entry `entry`: its reserves cut off
  // (EndKeptViews), its caches let go of the files (their memory kept for
  // the next sheet opened afresh, or freed).
  void DropState(int entry);
  // Ends the write views of the kept state of entry `entry` as
  // EndWriteViews does for the open sheet, under that sheet's own lock.
  void EndKeptViews(int entry);
  // Before an update in edit mode: saves the stored version of an object
  // (`stored`, its descriptor as read from the file under the lock; with
  // `records` its three records too, read straight from the sheet files so
  // that no caller's cache address moves). The copy's index, 0 when none
  // could be saved.
  int SaveOldVersion(const FVSPR& stored, bool records);
  // The record of sheet file `file` (SHEET_DAT, SHEET_SEM or SHEET_GRA) at
  // `offset` as the file holds it now, read straight from the file (no
  // cache address moves) into `out`: its address; null for offset 0 and
  // for a record that cannot be read whole or is not sound, with
  // `*failed` (when given) true where a read failed or no memory was left.
  char* ReadStoredRecord(int file, DWORD offset, std::vector<char>& out,
                         bool* failed = nullptr);
  // Reused by SaveOldVersion, then by WriteObjectRecords, one for each of
  // ReadStoredRecord's files.
  std::vector<char> StoredRecords[3];
  // Opens one existing sheet file by the rules of the access and share
  // modes; null when it cannot be opened.
  HANDLE OpenSheetFile(const char* path);
  // Opens a file of the sheet (plat::CreateFileA); while the process has
  // no descriptor left, the sheets kept longest ago give theirs back one
  // at a time and it is tried again. Null with the last error set when it
  // cannot be opened (ERROR_TOO_MANY_OPEN_FILES: nothing kept is left to
  // give one back).
  HANDLE OpenPath(const char* path, DWORD access, DWORD share, DWORD disposition,
                  DWORD flags);
  // The last open failed for want of descriptors: never a missing file.
  static bool OutOfDescriptors();
  // Opens the four files of a sheet that is not kept; 1, or 0 with the
  // sheet closed.
  int OpenFiles();
  // Reads the 4-byte signature of an open file: 1 read, 0 short, -1 failed.
  int ReadIdent(HANDLE file, DWORD* ident);
  // A metric or semantics file without a single byte is one that another
  // writer of the sheet is creating right now (its signature follows under
  // that writer's lock or turn): not damage, and not there yet. It is
  // closed (null returned) and left alone; the first record written opens
  // it (ReadySheetFile). Any other file is returned as it is. The opening
  // learns the same from the signature's read (IdentBytes, UnlessEmpty).
  HANDLE UnlessBeingCreated(HANDLE file);
  // The bytes of the signature read from the start of an open file (at
  // most 4), -1 when the read failed. None read: the file was empty as it
  // was read, which tells what UnlessBeingCreated asks without a call of
  // its own.
  static int IdentBytes(HANDLE file, DWORD* ident);
  // `file` unless `got` (IdentBytes) found it empty: then it is closed and
  // null returned, as UnlessBeingCreated does.
  static HANDLE UnlessEmpty(HANDLE file, int got);
  // Sizes the four caches for the open files; 0 (all freed) without memory.
  int AllocateBuffers();
  // Whether the caches read by pieces (TSheetWindows::ReadByPieces): on a
  // map of more sheets than KeptCacheBytes holds with the caches the
  // opening gives each, so that what a sheet left keeps follows the little
  // it read rather than the whole of a small file.
  bool ReadsByPieces() const;
  // Creates one of the DAT, SEM, GRA files.
  int CreateSheetFile(int file);
  // Hands an open DAT, SEM or GRA file to its cache and keeps it in the
  // sheet's files; 0 (the file closed, MAPERR_MEMORY) without memory.
  int AttachSheetFile(int file, HANDLE h);
  // Reads record 0 through the descriptor cache, just emptied, into the
  // header copy (zeros when it cannot be read). A sheet that had fewer
  // than 256 objects when it was open last has its descriptors read with
  // the header.
  void LoadHead();
  // The header copy against the descriptor file (CheckHdrCount): 1, or 0
  // with 60005 reported for `name` (stage LISTSTAGE_HDRCOUNT).
  int CheckHeadCount(const char* name);
  // A writer stopped between linking a new object to its neighbours and
  // writing the header leaves links past the count (older versions wrote
  // the links first). The objects the header names as chain ends are
  // looked at; when one links past the count, every such link is cut: the
  // objects on either side of the lost one are linked to each other again
  // (or end the chain). A writable sheet whose locks are trusted
  // (LocksTrusted) gets them written under the sheet lock
  // (WriteLinkRepairs); otherwise, or when that fails, the sheet is read
  // with them (Repairs, RepairedCount) and the document's first write
  // writes them (BeginWrite). Always 1.
  int RepairChainLinks();
  // Under the sheet lock or the write turn: the header read again, and the
  // links past the count it leaves cut in the file. 0 (the repairs then
  // no longer owed), MAPERR_READ when the header cannot be read again or
  // does not fit the file, or the failure of a read or write.
  int WriteLinkRepairs();
  // Whether every writer of the sheet's file sees this one's locks and a
  // read under them sees every writer's latest bytes: false on a file
  // system whose files are not shared (plat::FileViewsShared: network and
  // FUSE mounts), where opening a sheet writes nothing.
  bool LocksTrusted();
  // A writer stopped after the header that counts its new object but
  // before the links of its neighbours to it leaves the object counted and
  // not yet in the chain. A writable sheet whose locks are trusted
  // completes those links when it opens (CompleteLastLinks, under the
  // sheet lock), so that the chain holds every object counted from the
  // start; elsewhere the next append does. Always 1.
  int CompleteLinksAtOpen();
  // Whether a neighbour of the last object counted does not link to it.
  bool LastLinksOpen();
  // The same at the opening, with the last two descriptors read there
  // (ChainEndsPastCount), null when they were not: descriptors the cache
  // read with the header are taken from it.
  int CompleteLinksAtOpen(const FVSPR* lastTwo);
  bool LastLinksOpen(const FVSPR* lastTwo);
  // Under the sheet lock: the header copy read again from the file
  // (TakeHead). False (the copy unchanged) when it cannot be read, does
  // not fit the file or counts fewer objects than the copy.
  bool HeadReadAgain();
  // HeadReadAgain without its answer (kept in the library's interface).
  void ReloadHead();
  // Whether a chain end named by the header links past the count.
  bool ChainEndsPastCount();
  // The same at the opening, while the cache holds only what the opening
  // read with the header (from which descriptors are taken): the last two
  // descriptors go into `lastTwo` in one read, `*lastTwoRead` telling
  // whether they could be had, for LastLinksOpen.
  bool ChainEndsPastCount(FVSPR* lastTwo, bool* lastTwoRead);
  // Every link past the count and the links that replace it: the objects
  // given new links, with them, into `out`. 0, or MAPERR_READ when the
  // descriptors cannot be read.
  int FindLinkRepairs(std::vector<LINKREPAIR>& out);
  // Object n's descriptor at `desc` takes its links as repaired.
  void ApplyLinkRepairs(LONG n, FVSPR* desc) const;
  // The descriptor of n made current, without resetting the chain walk.
  FVSPR* StepTo(int n);
  // NextHead (direction 1) and PrevHead (-1).
  FVSPR* ChainStep(int direction);
  // The header copy taken from the file when the file's header carries on
  // from it and counts object `link`: true when taken.
  bool CountFromFile(DWORD link);
  // The header copy becomes `fresh`, which carries on from it: descriptors
  // read past the count before are read again.
  void TakeHead(const HDRHEAD& fresh);
  // WriteObjectDesc for the writers that tell the index of the sheet's
  // frames what they wrote.
  int StoreObjectDesc(int n, const FVSPR* desc);
  // Low-level transfers at an offset of one of the sheet files: 0, or the
  // error code (HDR reads MAPERR_READ; writes MAPERR_WRITE, a short DAT
  // write MAPERR_DISKFULL). A record written with `placed` (placed, or
  // found to fit where it lies, by the end SheetEnd gave) that the write
  // view refused because someone else changed the file's length since
  // gives RECORD_MOVED, and nothing is written: it must be placed again.
  int ReadHdr(int64_t offset, void* buffer, DWORD size);
  enum : int { RECORD_MOVED = -1 };
  int WriteSheet(int file, int64_t offset, const void* buffer, DWORD size, bool placed = false);
  // The writes of a map that no other user edits go to the descriptor,
  // metric and semantics files through writable views (TSheetWriteView):
  // no kernel entry per write, each write in the file system when it
  // returns. Not in edit mode (the files are shared under the sheet lock
  // and written through to the disk) nor while views are not allowed
  // (the fault layer of the tests sees every write unless it allows views).
  bool WritesViewed() const;
  // The end of file `file`'s records: the end its write view knows, else
  // the file's length (-1 when unknown). A view whose file was cut short
  // under it is found out by the next write through it (RECORD_MOVED).
  int64_t SheetEnd(int file);
  // Whether the write view of file `file` (HDR, DAT or SEM) is in use and
  // the file still holds its first `end` bytes, without a kernel entry
  // below the view's last page. A view whose file someone else cut short is
  // released (nothing cut): the file's length counts from then on.
  bool ViewReaches(int file, int64_t end);
  // Stores a record of `length` bytes in the DAT, SEM or GRA file, whose
  // records end at `end` (SheetEnd), for descriptor `desc`, whose offset in
  // that file is `*offset`: where it lies when it may be rewritten there
  // (FitsInPlace), else placed past the end (PlaceRecord; `marker`: a
  // metric record's kind) and `*offset` set. 0, or the code (also the last
  // error; a metric rewritten in place is reported at stage 10).
  int StoreRecord(int file, int64_t end, const FVSPR* desc, DWORD* offset, const void* record,
                  DWORD length, DWORD marker);
  enum : int { STORE_TRIES = 3 };
  // Where a new record of `length` bytes (`marker`: a metric record's
  // kind) goes in the DAT, SEM or GRA file: past `end`, its records' end
  // (SheetEnd), and clear of what the descriptors claim past it. -1 when
  // it cannot be placed, with the last error set.
  int64_t PlaceRecord(int file, int64_t end, DWORD marker, DWORD length);
  // Finds, once for the open files and again when one is found shorter
  // than it was known to be, what the descriptors claim past the ends of
  // the DAT, SEM and GRA files (Claims, also kept in the file table): each
  // record's extent as its head gives it, the bytes of the head past the
  // file's end counted as zeros. A record whose head lies in the file but
  // which runs past its end (cut short, or its length pushed past it)
  // would read whole, with bytes it never had, once records are placed
  // past it: its marker is cleared so that it reads as damaged, as it does
  // now. Also finds the bytes inside the files that more than one record
  // claims (a length pushed into the next record, two offsets at one
  // record): no record there is rewritten in place. A write view whose
  // file no longer holds its records is released first, so that the ends
  // are the files'. Objects counted since the claims were found (appended
  // by another writer) are looked at alone. The bytes claimed twice are
  // found only with `shared` (every record's head read; for a rewrite in
  // place); without, only the heads of records that start near a file's
  // end are read. 0, or the code of a failed read or write.
  int FindClaims(bool shared = false);
  SHEETCLAIMS Claims = {};
  // Gives the file table's entry of the open sheet this list's claims.
  void KeepClaims();
  // Takes the sheet lock at the descriptor file's length as it is (reserve
  // included), and then the write turn; LockList first cuts the reserves
  // off. 1 when both are held.
  int LockSheet();
  bool LockHeld = false;     // the sheet lock is held (LockSheet to UnlockList)
  int64_t LockedLength = 0;  // the descriptor file's length when the lock was taken

  // The write turn of the sheet: one byte of the descriptor file's lock
  // range at a fixed place past every place the sheet lock can take. Every
  // writer of the library holds it while it writes an object, in edit mode
  // and outside it alike; the header and the descriptors it writes are
  // then its own until it lets go. A writer outside edit mode takes only
  // the turn (its reserves stay, so the sheet lock's place would move
  // under it), one in edit mode takes it after the sheet lock. A writer
  // holding the turn never waits for the sheet lock, so the two never wait
  // for each other crosswise. Taken again while held, it only counts.
  // Outside edit mode EndTurn keeps it for the next change of a run
  // (mapstore/keptturn.h), which TakeTurn then takes with no call.
  int TakeTurn();
  void EndTurn();
  int TurnDepth = 0;
  HANDLE TurnFile = nullptr;  // the descriptor file handle that holds it
  // The start and end of an object write: in edit mode the sheet lock (with
  // the turn), else the turn alone, under which the header is taken from
  // the file (TakeHeadFromFile); then the links past the count that the
  // sheet opened with are cut in the file (WriteLinkRepairs). 0 (MAPERR_WRITE
  // when it cannot be had, else the failed repair's code) when not begun.
  int BeginWrite();
  void EndWrite();
  // Under the write turn, outside edit mode: the header as the file holds it
  // now, which another writer may have changed since this list wrote it
  // (objects appended in edit mode beside a map written alone): the count,
  // the chain's ends and the next key are then the file's, and descriptors
  // read past the count before are read again. HeadInFile tells whether the
  // header copy is now the one the file holds.
  void TakeHeadFromFile();
  bool HeadInFile = false;
  // Reads `size` bytes at `offset` of the DAT, SEM or GRA file, through its
  // cache's view when the cache reads that file: true when all came.
  bool ReadRecordHead(int file, int64_t offset, void* out, DWORD size);
  TSheetWriteView WriteViews[VIEWED_FILES];
  // Whether a record of descriptor `desc` (the object read last) stored at
  // `offset` of the file, whose records end at `end` (SheetEnd), may be
  // rewritten in place by `length` bytes: the readers take it, its own
  // length holds them, lies within the file and meets no other record.
  bool FitsInPlace(int file, int64_t end, const FVSPR* desc, DWORD offset, DWORD length);
  // The frame-object cache of the sheet record.
  void ResetFrameCache(int n);
  // Makes the DAT, SEM or GRA file ready for a record: opens it when
  // another writer has created it since the sheet was opened, else creates
  // it. 1 when it is open.
  int ReadySheetFile(int file);
  // Closes a failed opening keeping its error code; returns 0.
  int Fail(int mode);
  // The steps of an append after the checks.
  // Begins the write (BeginWrite); in edit mode the header is read again
  // under the lock ("Read head error" in the log when it cannot be): 0
  // (MAPERR_WRITE) when the lock cannot be had.
  int LockForAppend();
  // Writes the graphics, the frame, the metric and the semantics of an
  // object in this order: 0, or the code. The frame is computed from the
  // records given and, with `storedFrame`, from those the files hold at
  // the descriptor's offsets for the others (read past the caches, which
  // may hold what another writer replaced since; a metric that cannot be
  // read so leaves the descriptor's frame).
  int WriteObjectRecords(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw,
                         bool storedFrame);
  // Links a new object into the chain in the header copy `head`: number,
  // predecessor and successor (their descriptors read) and key. 0, or the
  // code.
  struct CHAINLINKS;
  int LinkIntoChain(FVSPR* desc, HDRHEAD& head, CHAINLINKS& links);
  // Writes the new descriptor, the header that counts it and the links of
  // its neighbours to it, in this order; a failure puts back the neighbours
  // written and the header as it was. 0, or the code.
  int WriteChain(const FVSPR* desc, const HDRHEAD& head, const CHAINLINKS& links);
  // Completes the links to the last object counted in `head` when the
  // append that wrote it stopped after the header: its predecessor's next
  // link and its successor's back link still passing it by are set to it.
  // Chains found in any other shape are left alone. 0, or a write's code.
  int CompleteLastLinks(const HDRHEAD& head);
  // The descriptor file and count of the last append this list completed:
  // while both hold, the file is known to hold the count and the last
  // object's links to be whole, which the next append need not read.
  HANDLE LinkedFile = nullptr;
  LONG LinkedCount = -1;
  // The result: header copy, sheet record, caches and the change record.
  int FinishAppend(FVSPR* desc, const HDRHEAD& head, BYTE parts, SHEETCHANGE* change);
  // Undoes a failed append in memory (header copy, caches, lock): 0.
  int AbortAppend(int code, const HDRHEAD& before);
  // A change record of the open sheet with nothing done yet.
  void StartChange(SHEETCHANGE* change) const;
  // Whether closing table entry `e` appends the placeholder first.
  bool ClosesEmpty(const SHEETFILESET& e) const;
  // Closes the open sheet's own handles that no table entry holds.
  void CloseOwnFiles();
  bool IsHandleKept(HANDLE handle) const;
  void ForgetHandle(HANDLE handle);
};
